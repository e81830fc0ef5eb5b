#include "CThresholdMeter.h"

#include "TMeterFrames_p.h"

#include "CSimpleNotifier.h"
#include "IMemAPI.h"
#include "NS_Utilities.h"
#include "TSetter.h"

#include <QEvent>
#include <QPainter>
#include <QPointer>

#include <algorithm>
#include <atomic>

namespace {

const char *const OnlineSignal = "2onlineChanged(bool)";
const char *const OnlineSlot = "1onlineChange(bool)";
const char *const StateSlot = "1changeState(int)";
const char *const ThresholdSlot = "1changeThreshold(int)";

constexpr int DefaultSubImages = 3;
// Frames of the one-entry table.
constexpr int BelowThresholdFrame = 1;
constexpr int AtThresholdFrame = 2;
constexpr int MaxLevel = 0xFFFF;

quint16 meterLevel(const Q_UINT8 *data)
{
    return quint16((data[0] << 7) | data[1]);
}

} // namespace

struct CThresholdMeter::Private
{
    QPixmap combinedImage;
    // Written by process() on the arriving thread, read on the GUI thread.
    std::atomic<quint16> level {0};
    int currentImage = 0;
    int nSubImages = DefaultSubImages;
    QString stateNamedAddress;
    QString thresholdNamedAddress;
    QPointer<CSimpleNotifier> stateNotifier;
    QPointer<CSimpleNotifier> thresholdNotifier;
    int state = 0;
    quint16 threshold = 0;
    quint16 tableLastIndex = 0;
    bool online = false;
    quint16 thresholdLevel = 0;
    int meterThresholdTableId = 0;
    // thresholdLevel itself (one entry) unless the memory supplies a table.
    const quint16 *table = &thresholdLevel;

    TMeterFrames picture;

    void deleteNotifiers()
    {
        delete stateNotifier.data();
        delete thresholdNotifier.data();
    }
};

CThresholdMeter::CThresholdMeter(QWidget *parent, const char *name)
    : QWidget(parent)
    , TMemProxy()
    , d(new Private)
{
    if (name)
        setObjectName(QString::fromLatin1(name));
    setNumDefaultKind(0);
    setUndoEnable(false);
    setFocusPolicy(Qt::ClickFocus);
}

CThresholdMeter::~CThresholdMeter()
{
    // While whole: a feed on another thread may be calling process().
    if (memAPIReady() && memAPI() && isAttached())
        memAPI()->registerMeter(false, this, element(), parameter(), channel());
    d->deleteNotifiers();
    releaseMemory();
}

QPixmap CThresholdMeter::combinedImage() const
{
    return d->combinedImage;
}

int CThresholdMeter::meterThresholdTableId() const
{
    return d->meterThresholdTableId;
}

int CThresholdMeter::thresholdLevel() const
{
    return d->thresholdLevel;
}

QString CThresholdMeter::stateNamedAddress() const
{
    return d->stateNamedAddress;
}

QString CThresholdMeter::thresholdNamedAddress() const
{
    return d->thresholdNamedAddress;
}

int CThresholdMeter::nSubImages() const
{
    return d->nSubImages;
}

int CThresholdMeter::currentImage() const
{
    return d->currentImage;
}

int CThresholdMeter::level() const
{
    return d->level.load(std::memory_order_relaxed);
}

int CThresholdMeter::state() const
{
    return d->state;
}

int CThresholdMeter::threshold() const
{
    return d->threshold;
}

int CThresholdMeter::renderCount() const
{
    return d->picture.rebuildCount();
}

int CThresholdMeter::thresholdState() const
{
    const quint16 level = d->level.load(std::memory_order_relaxed);
    const int last = d->tableLastIndex;
    quint16 steps = 0;
    if (last > 0) {
        // The table holds last + 1 entries; the search covers the first last of them.
        const quint16 *first = d->table;
        const quint16 *found = std::lower_bound(first, first + last, level);
        if (found != first && level < *found)
            --found;
        steps = quint16(last - int(found - first));
    }
    if (!d->online || d->state == 0)
        return 0;
    if (last > 0)
        return steps;
    return level >= d->table[0] ? AtThresholdFrame : BelowThresholdFrame;
}

void CThresholdMeter::setupMeterThresholdTable()
{
    d->table = &d->thresholdLevel;
    d->tableLastIndex = 0;
    if (memAPIReady() && d->meterThresholdTableId != 0) {
        int count = 0;
        const quint16 *table = memAPI()->meterTable(d->meterThresholdTableId, &count, 0);
        if (table && count > 0) {
            d->table = table;
            d->tableLastIndex = quint16(std::min(count - 1, MaxLevel));
        }
    }
    d->threshold = 0;
}

void CThresholdMeter::setCurrentImage(int i)
{
    if (!NS_Utilities::mainThreadRunning() || i < 0 || i >= d->nSubImages)
        return;
    d->currentImage = i;
    d->picture.show(this, i);
}

void CThresholdMeter::adjustParams()
{
    if (d->combinedImage.isNull())
        return;
    setFixedSize(d->combinedImage.width(), d->combinedImage.height() / d->nSubImages);
    setCurrentImage(0);
}

void CThresholdMeter::repaintScreenPrimitive(QPainter &painter)
{
    NS_Utilities::drawPartialPixmap(painter, QPoint(0, d->currentImage), d->combinedImage,
                                    QSize(1, d->nSubImages));
}

void CThresholdMeter::updateErasePixmap(QPixmap *pm)
{
    if (pm)
        d->picture.install(this, *pm);
    else
        d->picture.lookChanged(this);
}

bool CThresholdMeter::connectMemAPI()
{
    setupMeterThresholdTable();
    if (!memAPIReady() || !memAPI())
        return false;
    if (address().isValid()) {
        if (!isAttached())
            setBoundWord(1);
        memAPI()->registerMeter(true, this, element(), parameter(), channel());
        memAPI()->connectSignal(OnlineSignal, this, OnlineSlot, true);
        d->online = memAPI()->isOnline();
        delete d->stateNotifier.data();
        if (!d->stateNamedAddress.isEmpty()) {
            d->stateNotifier = CSimpleNotifier::Create(memAPI(), this, d->stateNamedAddress,
                                                       channel(), StateSlot);
            // A lamp whose gate is already on must not wait for the switch to move.
            if (d->stateNotifier)
                d->state = d->stateNotifier->value();
        }
        delete d->thresholdNotifier.data();
        if (!d->thresholdNamedAddress.isEmpty())
            d->thresholdNotifier = CSimpleNotifier::Create(memAPI(), this, d->thresholdNamedAddress,
                                                           channel(), ThresholdSlot);
    }
    resetMeter();
    return isAttached();
}

void CThresholdMeter::disconnectMemAPI()
{
    if (memAPIReady() && memAPI()) {
        if (isAttached()) {
            memAPI()->registerMeter(false, this, element(), parameter(), channel());
            memAPI()->connectSignal(OnlineSignal, this, OnlineSlot, false);
            d->online = false;
            d->deleteNotifiers();
        }
        resetMeter();
    }
    setBoundWord(0);
}

void CThresholdMeter::resetMeter()
{
    d->level.store(0, std::memory_order_relaxed);
    setCurrentImage(0);
}

void CThresholdMeter::triggerUpdate()
{
    setCurrentImage(thresholdState());
}

void CThresholdMeter::changeState(int state)
{
    if (!assignIfChanged(d->state, state))
        return;
    triggerUpdate();
}

void CThresholdMeter::changeThreshold(int threshold)
{
    if (!assignIfChanged(d->threshold, quint16(threshold)))
        return;
    triggerUpdate();
}

void CThresholdMeter::setStateNamedAddress(const QString &address)
{
    d->stateNamedAddress = address;
}

void CThresholdMeter::setThresholdNamedAddress(const QString &address)
{
    d->thresholdNamedAddress = address;
}

void CThresholdMeter::onlineChange(bool online)
{
    if (!assignIfChanged(d->online, online))
        return;
    d->level.store(0, std::memory_order_relaxed);
    triggerUpdate();
}

void CThresholdMeter::setThresholdLevel(int level)
{
    d->thresholdLevel = quint16(std::clamp(level, 0, MaxLevel));
}

void CThresholdMeter::setMeterThresholdTableId(int id)
{
    d->meterThresholdTableId = id;
}

void CThresholdMeter::setCombinedImage(const QPixmap &strip)
{
    d->combinedImage = strip;
    setAttribute(Qt::WA_OpaquePaintEvent, !strip.isNull() && !strip.hasAlphaChannel());
    d->picture.lookChanged(nullptr);
    NS_Utilities::geometry_change(this);
}

void CThresholdMeter::setnSubImages(int count)
{
    // Takes effect with the next adjustParams() or change of frame.
    d->nSubImages = std::max(1, count);
}

bool CThresholdMeter::acceptNotification(const Q_UINT8 *data, int operation, Q_UINT32)
{
    if (operation != 0)
        return false;
    if (data)
        d->level.store(meterLevel(data), std::memory_order_relaxed);
    return true;
}

void CThresholdMeter::updateFromMemory(const Q_UINT8 *, int, Q_UINT32)
{
    const int frame = thresholdState();
    if (frame != d->currentImage)
        setCurrentImage(frame);
}

bool CThresholdMeter::event(QEvent *event)
{
    // A lamp made by a form gets its frame size here, as no owner calls adjustParams().
    if (event->type() == QEvent::Polish && !d->combinedImage.isNull())
        adjustParams();
    return QWidget::event(event);
}

void CThresholdMeter::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    d->picture.paint(painter, this, [this](QPainter &p) { repaintScreenPrimitive(p); });
}

void CThresholdMeter::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    d->picture.lookChanged(this);
}

void CThresholdMeter::changeEvent(QEvent *event)
{
    // Window activation changes nothing a lamp shows.
    if (event->type() == QEvent::ActivationChange)
        return;
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::EnabledChange)
        d->picture.lookChanged(this);
    QWidget::changeEvent(event);
}
