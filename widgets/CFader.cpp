#include "CFader.h"

#include "NS_Utilities.h"
#include "TBackgroundPixmap.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QTimer>

#include <climits>
#include <cstdlib>

namespace {

constexpr int DefaultMaximum = 1023;
constexpr int DefaultPageStep = 10;
constexpr int DeferredTextDelay =
        50; // ms: the text follows a change made while signals are blocked
constexpr int HintLengthFactor = 4; // the size hint is four thumbs long

int clampToInt(qint64 v)
{
    return int(qBound(qint64(INT_MIN), v, qint64(INT_MAX)));
}

} // namespace

struct CFader::Private
{
    int nSubImages = 1;
    bool flipValues = false;
    bool useDisabledImage = false;
    bool numberToolTip = false;
    int tableId = DefaultTableId;
    QPixmap thumbImage;
    QPixmap pixmap;
    TBackgroundPixmap background;
    // One pending text signal, however many changes happen while signals are blocked.
    QTimer *textTimer = nullptr;
};

CFader::CFader(QWidget *parent, const char *name)
    : CSlider(0, DefaultMaximum, DefaultPageStep, 0, Qt::Vertical, parent, name)
    , d(std::make_unique<Private>())
{
    setFocusPolicy(Qt::WheelFocus);
    // Every paint covers the widget from the background picture.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

CFader::~CFader()
{
    // The memory may still call process() from a worker thread until we are gone.
    disconnectMemAPI();
}

// --- properties ------------------------------------------------------------------------------

int CFader::nSubImages() const
{
    return d->nSubImages;
}

void CFader::setnSubImages(int count)
{
    // A five-bit field: larger counts keep their low bits.
    d->nSubImages = count & MaxSubImages;
    geometryChanged();
}

QPixmap CFader::thumbImage() const
{
    return d->thumbImage;
}

void CFader::setThumbImage(const QPixmap &image)
{
    d->thumbImage = image;
    geometryChanged();
}

bool CFader::flipValues() const
{
    return d->flipValues;
}

void CFader::setFlipValues(bool on)
{
    if (on == d->flipValues)
        return;
    d->flipValues = on;
    rangeChange();
}

int CFader::tableId() const
{
    return d->tableId;
}

void CFader::setTableId(int id)
{
    d->tableId = id;
}

QColor CFader::focusColor() const
{
    return QColor();
}

void CFader::setFocusColor(const QColor &) { }

bool CFader::numberToolTip() const
{
    return d->numberToolTip;
}

void CFader::setNumberToolTip(bool on)
{
    d->numberToolTip = on;
}

QPixmap CFader::pixmap() const
{
    return d->pixmap;
}

void CFader::setPixmap(const QPixmap &pixmap)
{
    d->pixmap = pixmap;
    d->background.invalidate();
    update();
}

bool CFader::isUsingDisabledImage() const
{
    return d->useDisabledImage;
}

void CFader::useDisabledImage(bool on)
{
    if (on == d->useDisabledImage)
        return;
    d->useDisabledImage = on;
    handleMoved(sliderRect(), sliderRect());
}

int CFader::backgroundRebuildCount() const
{
    return d->background.rebuildCount();
}

void CFader::geometryChanged()
{
    updateGeometry();
    rangeChange();
    update();
}

// --- geometry and law ------------------------------------------------------------------------

int CFader::frameCount() const
{
    // Zero frames cannot be cut: the whole image is one frame.
    return qMax(1, d->nSubImages);
}

QRect CFader::sliderRect() const
{
    if (d->thumbImage.width() <= 0)
        return CSlider::sliderRect();
    QRect r(0, 0, d->thumbImage.width(), d->thumbImage.height() / frameCount());
    if (orientation() == Qt::Vertical)
        r.translate(0, sliderPosition());
    else
        r.translate(sliderPosition(), 0);
    return r;
}

int CFader::getSlideLength() const
{
    if (d->thumbImage.width() <= 0)
        return CSlider::getSlideLength();
    const QRect r = sliderRect();
    return orientation() == Qt::Vertical ? r.height() : r.width();
}

int CFader::getSlideThickness() const
{
    if (d->thumbImage.width() <= 0)
        return CSlider::getSlideThickness();
    const QRect r = sliderRect();
    return orientation() == Qt::Vertical ? r.width() : r.height();
}

int CFader::available() const
{
    const int extent = orientation() == Qt::Vertical ? height() : width();
    return qMax(0, extent - getSlideLength());
}

int CFader::applyFlipedTransformation(int value, int minValue, int maxValue) const
{
    if (!d->flipValues)
        return value;
    if (maxValue < 1)
        return clampToInt(-std::llabs(qint64(maxValue) - minValue) - value);
    if (minValue >= 0)
        return clampToInt(qint64(maxValue) - value);
    return clampToInt(-qint64(value));
}

bool CFader::lawAvailable() const
{
    return memAPI() && isAttached() && memAPIReady();
}

int CFader::positionFromValue(int value) const
{
    const int a = available();
    if (lawAvailable()) {
        int n = a;
        if (memAPI()->faderPositionFromValue(&n, element(), parameter(), value) == 0)
            return applyFlipedTransformation(n, 0, a);
    }
    const int position = TRangeControl::positionFromValue(
            applyFlipedTransformation(value, minValue(), maxValue()), a);
    if (orientation() == Qt::Horizontal && isRightToLeft())
        return a - position;
    return position;
}

int CFader::valueFromPosition(int position) const
{
    const int a = available();
    if (lawAvailable()) {
        int n = a;
        if (memAPI()->faderValueFromPosition(&n, element(), parameter(),
                                             applyFlipedTransformation(position, 0, a))
            == 0)
            return n;
    }
    int v = TRangeControl::valueFromPosition(position, a);
    if (orientation() == Qt::Horizontal && isRightToLeft())
        v = clampToInt(qint64(maxValue()) + minValue() - v);
    return applyFlipedTransformation(v, minValue(), maxValue());
}

QSize CFader::sizeHint() const
{
    ensurePolished();
    if (d->thumbImage.width() <= 0)
        return CSlider::sizeHint();
    QSize s(d->thumbImage.width(), d->thumbImage.height() / frameCount());
    if (orientation() == Qt::Vertical)
        s.setHeight(s.height() * HintLengthFactor);
    else
        s.setWidth(s.width() * HintLengthFactor);
    return s;
}

// --- binding ---------------------------------------------------------------------------------

bool CFader::connectMemAPI()
{
    // Needs the bound word; the first value arrives with the first notification.
    return isAttached() && TMemProxy::connectMemAPI();
}

void CFader::updateFromMemory(const Q_UINT8 *data, int operation, Q_UINT32)
{
    const TMemReading r = readNotification(data, operation);
    if (!r.valid)
        return;
    if (r.rangeChanged) {
        const auto silent = silenced();
        setRange(r.minimum, r.maximum);
    }
    const auto silent = silenced(operation);
    setValue(r.value);
}

void CFader::valueChange()
{
    CSlider::valueChange();
    if (memAPIReady()) {
        writeValue(value());
        if (signalsBlocked())
            scheduleText();
        else
            emit_textualValueChange();
    }
    updateErasePixmap(nullptr);
}

void CFader::scheduleText()
{
    if (!d->textTimer) {
        d->textTimer = new QTimer(this);
        d->textTimer->setSingleShot(true);
        connect(d->textTimer, &QTimer::timeout, this, &CFader::emit_textualValueChange);
    }
    if (!d->textTimer->isActive())
        d->textTimer->start(DeferredTextDelay);
}

void CFader::emit_textualValueChange()
{
    if (signalsBlocked())
        return;
    QString text;
    if (memAPI() && memAPIReady())
        memAPI()->valueToText(channel() + channelOffset(), d->tableId, &text, nullptr, value(), 0,
                              0, 0);
    else
        text = QString::number(value());
    Q_EMIT textualValueChange(text);
}

void CFader::acceptNum(double number)
{
    int v = 0;
    if (valueFromTypedNumber(d->tableId, number, &v))
        setValue(v);
}

// --- painting --------------------------------------------------------------------------------

void CFader::drawBackground(QPainter &painter) const
{
    if (d->pixmap.width() > 0) {
        painter.drawPixmap(0, 0, d->pixmap);
        return;
    }
    // Look through to the parent's background picture, if it has one.
    if (const QWidget *parent = parentWidget()) {
        const QBrush brush = parent->palette().brush(parent->backgroundRole());
        if (!brush.texture().isNull()) {
            painter.drawTiledPixmap(rect(), brush.texture(), pos());
            return;
        }
    }
    painter.fillRect(rect(), palette().color(backgroundRole()));
}

void CFader::drawThumb(QPainter &painter) const
{
    if (d->thumbImage.isNull()) {
        drawSlider(painter);
        return;
    }
    const int frames = frameCount();
    const int frame = (!isEnabled() || d->useDisabledImage) ? frames - 1 : 0;
    const QPoint at = orientation() == Qt::Vertical ? QPoint(0, sliderPosition())
                                                    : QPoint(sliderPosition(), 0);
    NS_Utilities::drawPartialPixmap(painter, QPoint(0, frame), d->thumbImage, QSize(1, frames), at);
}

void CFader::repaintScreenPrimitive(QPainter &painter)
{
    drawBackground(painter);
    drawThumb(painter);
}

void CFader::updateErasePixmap(QPixmap *given)
{
    if (given) {
        d->background.setPixmap(*given);
        update();
        return;
    }
    if (!d->background.isValid())
        update();
}

void CFader::handleMoved(const QRect &before, const QRect &after)
{
    // The background stays: only where the thumb was and is now needs drawing.
    update(QRegion(before).united(after));
}

void CFader::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QPixmap &background =
            d->background.pixmap(this, [this](QPainter &p) { drawBackground(p); });
    painter.drawPixmap(0, 0, background);
    drawThumb(painter);
}

bool CFader::event(QEvent *event)
{
    const bool handled = CSlider::event(event);
    if (event->type() == QEvent::Polish) {
        updateErasePixmap(nullptr);
        emit_textualValueChange();
    }
    return handled;
}

void CFader::changeEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::ActivationChange:
        // Window activation does not change the fader's look.
        return;
    case QEvent::PaletteChange:
    case QEvent::ParentChange:
    case QEvent::StyleChange:
        d->background.invalidate();
        update();
        break;
    case QEvent::EnabledChange:
        handleMoved(sliderRect(), sliderRect());
        break;
    default:
        break;
    }
    CSlider::changeEvent(event);
}

void CFader::mouseDoubleClickEvent(QMouseEvent *event)
{
    // A double click is two presses already handled; it must not act a third time.
    event->accept();
}
