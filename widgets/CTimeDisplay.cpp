#include "CTimeDisplay.h"

#include "CSimpleNotifier.h"
#include "NS_Utilities.h"
#include "TBackgroundPixmap.h"

#include <QElapsedTimer>
#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QTimer>

#include <atomic>

namespace {

const char *const kFrameRateAddress = "00kSetupTCEventParams/kTCEventFrameRate";
const char *const kMeasuredText = "00:00:00.00.";
constexpr int kTextX = 5;
constexpr int kBaselineGap = 7;
constexpr int kWidthPad = 4;
constexpr int kHeightPad = 10;

quint32 packTime(const Q_UINT8 *data)
{
    return quint32(data[0]) << 24 | quint32(data[1]) << 16 | quint32(data[2]) << 8
            | quint32(data[3]);
}

// Formats 1 and 3 end in a full stop.
QString formatTime(quint32 time, int format)
{
    const char *pattern =
            (format == 1 || format == 3) ? "%02d:%02d:%02d.%02d." : "%02d:%02d:%02d.%02d";
    return QString::asprintf(pattern, int(time >> 24), int((time >> 16) & 0xFF),
                             int((time >> 8) & 0xFF), int(time & 0xFF));
}

} // namespace

struct CTimeDisplay::Private
{
    // Set by sizeHint(), which is const.
    mutable int baseline = 0;
    int updateFrequency = CTimeDisplay::DefaultUpdateFrequency;
    // Written by the memory's thread: the time first, then the flag; the painter clears the
    // flag, then reads the time.
    std::atomic<bool> dirty {false};
    QString text = QStringLiteral("00:00:00.00");
    mutable QPixmap buffer;
    std::atomic<quint32> time {0};
    QTimer *requestTimer = nullptr;
    QElapsedTimer lastPaint;
    QPointer<CSimpleNotifier> notifier;
    int timeCodeFormat = 0;
    TBackgroundPixmap picture;
};

CTimeDisplay::CTimeDisplay(QWidget *parent, const char *name)
    : QWidget(parent)
    , d(std::make_unique<Private>())
{
    if (name)
        setObjectName(QString::fromLatin1(name));
    setNumDefaultKind(0);
    setUndoEnable(false);
    setAttribute(Qt::WA_OpaquePaintEvent);
    d->requestTimer = new QTimer(this);
    connect(d->requestTimer, SIGNAL(timeout()), this, SLOT(postTimecodeRequest()));
    d->requestTimer->start(RequestInterval);
    d->lastPaint.start();
}

CTimeDisplay::~CTimeDisplay()
{
    disconnectMemAPI();
    releaseMemory();
}

int CTimeDisplay::updateFrequency() const
{
    return d->updateFrequency > 0 ? d->updateFrequency : DefaultUpdateFrequency;
}

void CTimeDisplay::setUpdateFrequency(int frequency)
{
    d->updateFrequency = frequency;
}

int CTimeDisplay::timeCodeFormat() const
{
    return d->timeCodeFormat;
}

void CTimeDisplay::setTimeCodeFormat(int format)
{
    if (format == d->timeCodeFormat)
        return;
    d->timeCodeFormat = format;
    d->dirty.store(true);
}

QString CTimeDisplay::text() const
{
    return d->text;
}

int CTimeDisplay::pictureRebuildCount() const
{
    return d->picture.rebuildCount();
}

QSize CTimeDisplay::sizeHint() const
{
    const QFontMetrics fm(font());
    d->baseline = fm.ascent() * 75 / 100;
    const QSize size(fm.boundingRect(QString::fromLatin1(kMeasuredText)).width() + kWidthPad,
                     d->baseline + kHeightPad);
    if (d->buffer.size() != size)
        d->buffer = QPixmap(size);
    return size;
}

// --- binding ---------------------------------------------------------------------------------

bool CTimeDisplay::connectMemAPI()
{
    // The own address (the frame rate) is observed as well: its changes only run the throttle.
    const bool attached = TMemProxy::connectMemAPI();
    IMemAPI *api = memAPI();
    if (!api)
        return attached;
    // Idempotent in the memory, so reconnecting never doubles the tick.
    api->connectSignal(SIGNAL(frequentServiceEvent()), this, SLOT(updateIfNeeded()), true);
    if (!d->notifier) {
        d->notifier = CSimpleNotifier::Create(api, this, QString::fromLatin1(kFrameRateAddress),
                                              ownChannel(), SLOT(setTimeCodeFormat(int)));
    }
    postTimecodeRequest();
    return attached;
}

void CTimeDisplay::disconnectMemAPI()
{
    delete d->notifier.data();
    d->notifier.clear();
    TMemProxy::disconnectMemAPI();
}

void CTimeDisplay::postTimecodeRequest()
{
    if (IMemAPI *api = memAPI())
        api->requestTimecode(1, this);
}

bool CTimeDisplay::acceptNotification(const Q_UINT8 *data, int operation, Q_UINT32)
{
    if (data && operation == 0) {
        const quint32 time = packTime(data);
        if (time != d->time.load()) {
            d->time.store(time);
            d->dirty.store(true);
        }
    }
    return true;
}

void CTimeDisplay::updateFromMemory(const Q_UINT8 *, int, Q_UINT32)
{
    updateIfNeeded();
}

// --- painting --------------------------------------------------------------------------------

void CTimeDisplay::updateIfNeeded()
{
    if (!isVisible())
        return;
    if (d->lastPaint.elapsed() <= 1000 / updateFrequency())
        return;
    if (d->dirty.load())
        paintNow();
    else
        d->lastPaint.restart();
}

void CTimeDisplay::paintNow()
{
    d->picture.invalidate();
    d->picture.pixmap(this, [this](QPainter &p) { repaintScreenPrimitive(p); });
    repaint();
}

void CTimeDisplay::repaintScreenPrimitive(QPainter &painter)
{
    if (!NS_Utilities::mainThreadRunning())
        return;
    d->dirty.store(false);
    d->text = formatTime(d->time.load(), d->timeCodeFormat);
    painter.fillRect(rect(), palette().brush(backgroundRole()));
    painter.setFont(font());
    painter.setPen(palette().color(foregroundRole()));
    painter.drawText(kTextX, d->baseline + kBaselineGap, d->text);
    d->lastPaint.restart();
}

bool CTimeDisplay::event(QEvent *event)
{
    // Measured at polish too, so a display outside a layout has its baseline.
    if (event->type() == QEvent::Polish)
        sizeHint();
    return QWidget::event(event);
}

void CTimeDisplay::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    d->picture.paint(painter, this, [this](QPainter &p) { repaintScreenPrimitive(p); });
}

void CTimeDisplay::changeEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::FontChange:
        sizeHint();
        updateGeometry();
        d->picture.lookChanged(this);
        break;
    case QEvent::PaletteChange:
    case QEvent::EnabledChange:
        d->picture.lookChanged(this);
        break;
    default:
        break;
    }
    QWidget::changeEvent(event);
}

void CTimeDisplay::resizeEvent(QResizeEvent *event)
{
    d->picture.lookChanged(this);
    QWidget::resizeEvent(event);
}
