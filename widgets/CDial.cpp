#include "CDial.h"

#include "CDialTip.h"
#include "IEditorExtensions.h"
#include "NS_Utilities.h"
#include "TBackgroundPixmap.h"
#include "TSetter.h"
#include "TMarshallEvent.h"

#include <QBitmap>
#include <QDataStream>
#include <QEnterEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointF>
#include <QPointer>
#include <QVector>
#include <QWheelEvent>

#include <atomic>
#include <cmath>

namespace {

// Range sentinels that any range read from the memory replaces.
constexpr int kSentinelMinimum = -559038801;
constexpr int kSentinelMaximum = 2125315823;
constexpr int kDefaultPageStep = 10;

// The pointer travels 270 degrees, from -135 (minimum) to +135 (maximum) around the top.
constexpr double kStopDegrees = 135.0;
constexpr double kTravelDegrees = 270.0;
// A pointer jump larger than this between two mouse positions is not followed.
constexpr double kMaxJump = 2.356194490192345;
constexpr double kHalfPi = 1.5707963267948966;
// Length of the ray that tells a drag across the dead zone below the dial.
constexpr double kStopRayLength = 999.9;
constexpr double kCrossingTolerance = 1e-6;

// Vertical mode: ranges wider than this move range/128 units per pixel.
constexpr int kVerticalModeSpan = 128;
constexpr int kWheelStep = 120;

// Variable-step table: values follow the sample rate.
constexpr int kSampleRateStepTable = -7;
constexpr int kSpecialTextTable = -3;
constexpr int kSpecialTextMaximum = 5;

constexpr int kHintWidth = 40;
constexpr int kHintHeight = 30;
constexpr int kMaxImageCategories = 7;

// Attenuator strip: 31 frames, 16 below -30 dB, the rest up to 0 dB and above.
constexpr int kAttKnee = -300;
constexpr int kAttKneeFrame = 15;
constexpr int kAttUnityFrame = 24;
constexpr int kAttLastFrame = 30;

const QColor kTipBackground(255, 255, 60);

const double kPi = std::acos(-1.0);

// Raw value for the sample-rate table after n steps: the value is rounded to whole steps of
// rate/10 units, moved by n and scaled back. The products exceed 32 bits at 96 kHz, so they are
// taken in 64 bits; the divisions truncate as in 32-bit integer arithmetic.
qint64 sampleRateStep(qint64 value, qint64 rate, qint64 n)
{
    const qint64 steps = (value * 10000 / (rate * 10) + 50) / 100 + n;
    return steps * (rate * 1000) / 10000;
}

int clampToRange(qint64 value, int minimum, int maximum)
{
    return int(qBound(qint64(minimum), value, qint64(maximum)));
}

} // namespace

bool CDial::s_VerticalMode = false;

struct CDial::Private
{
    int category = -1;
    int tableId = 0;
    // Flag word.
    bool altAddressMode = false;
    bool altModeChanged = false;
    bool fxValueTransform = false;
    bool pressPending = false;
    bool disableAutoHide = false;
    bool dragging = false;
    bool inverted = false;
    bool transparent = false;
    bool numberToolTip = false;
    unsigned imageCategories : 3;

    int subImages = 1;
    int disabledImageIndex = -1;
    QPixmap combinedImage;

    // Circular drag geometry (global coordinates, radians).
    QPointF centre;
    double minAngle = 0.0;
    double maxAngle = 0.0;
    double startAngle = 0.0;
    double grabOffset = 0.0;
    double tracedAngle = 0.0;
    QPointF pressPoint;
    QPointF tipPoint;
    QPointF lastPoint;
    bool absolute = false;
    // Vertical mode: the previous pointer position in widget coordinates.
    QPoint previous;

    QPointer<CDialTip> tip;
    // Notifications with extra 1 that arrived off the GUI thread and still owe their signals.
    std::atomic<long> pending {0};
    std::atomic<bool> deferredEmitPosted {false};

    bool polished = false;
    // One picture per frame index, shared by like dials of a cache-serving window.
    TBackgroundPixmap picture;

    Private()
        : imageCategories(1)
    {
    }

    QSize frameSize() const
    {
        if (subImages <= 0 || imageCategories == 0 || combinedImage.isNull())
            return QSize();
        const QSize strip = NS_Utilities::logicalSize(combinedImage);
        return QSize(strip.width() / int(imageCategories), strip.height() / subImages);
    }
    QSize grid() const { return QSize(int(imageCategories), subImages); }
};

CDial::CDial(QWidget *parent, const char *name)
    : QDial(parent)
    , d(new Private)
{
    if (name)
        setObjectName(QString::fromLatin1(name));
    setRange(kSentinelMinimum, kSentinelMaximum);
    setPageStep(kDefaultPageStep);
    setValue(kSentinelMinimum);
    setFocusPolicy(Qt::WheelFocus);
    setWrapping(false);
}

CDial::~CDial()
{
    // The memory may still call process() from another thread until the observer is gone.
    disconnectMemAPI();
    releaseMemory();
    delete d->tip.data();
}

// --- properties ------------------------------------------------------------------------------

QPixmap CDial::combinedImage() const
{
    return d->combinedImage;
}

int CDial::tableId() const
{
    return d->tableId;
}

int CDial::nSubImages() const
{
    return d->subImages;
}

int CDial::nImageCategories() const
{
    return int(d->imageCategories);
}

bool CDial::disableAutoHide()
{
    return d->disableAutoHide;
}

QColor CDial::focusColor() const
{
    return QColor();
}

bool CDial::numberToolTip() const
{
    return d->numberToolTip;
}

int CDial::disabledImageIndex() const
{
    return d->disabledImageIndex;
}

bool CDial::transparent() const
{
    return d->transparent;
}

bool CDial::inverted() const
{
    return d->inverted;
}

int CDial::currentImage() const
{
    return d->category;
}

bool CDial::isAltAddressMode() const
{
    return d->altAddressMode;
}

bool CDial::fxValueTransform() const
{
    return d->fxValueTransform;
}

void CDial::setVerticalMode(bool on)
{
    s_VerticalMode = on;
}

bool CDial::verticalMode()
{
    return s_VerticalMode;
}

void CDial::setInverted(bool on)
{
    if (d->inverted == on)
        return;
    d->inverted = on;
    repaintScreen();
}

void CDial::setCombinedImage(const QPixmap &pixmap)
{
    d->combinedImage = pixmap;
    invalidateLook();
    if (isVisible())
        repaintScreen();
    updateMask();
}

void CDial::setTableId(int id)
{
    d->tableId = id;
}

void CDial::setnSubImages(int count)
{
    if (d->subImages == count)
        return;
    d->subImages = count;
    invalidateLook();
    if (isVisible())
        repaintScreen();
    updateMask();
}

void CDial::setnImageCategories(int count)
{
    // A 3-bit field: anything outside 1..7 would leave no column to draw.
    if (count < 1 || count > kMaxImageCategories || int(d->imageCategories) == count)
        return;
    d->imageCategories = unsigned(count);
    invalidateLook();
    if (isVisible())
        repaintScreen();
}

void CDial::setFocusColor(const QColor &) { }

void CDial::setDisableAutoHide(bool on)
{
    d->disableAutoHide = on;
}

void CDial::setdisabledImageIndex(int index)
{
    if (d->disabledImageIndex == index)
        return;
    d->disabledImageIndex = index;
    invalidateLook();
    repaintScreen();
}

void CDial::setTransparent(bool on)
{
    if (!assignIfChanged(d->transparent, on))
        return;
    invalidateLook();
    updateMask();
}

void CDial::setfxValueTransform(bool on)
{
    d->fxValueTransform = on;
}

void CDial::setCurrentImage(int category)
{
    if (category < 0 || category >= int(d->imageCategories))
        return;
    d->category = category;
    invalidateLook();
    repaintScreen();
}

void CDial::setNumberToolTip(bool on)
{
    d->numberToolTip = on;
    if (!on) {
        delete d->tip.data();
        return;
    }
    if (d->tip)
        return;
    d->tip = new CDialTip(parentWidget());
    QPalette palette = d->tip->palette();
    palette.setColor(QPalette::Window, kTipBackground);
    palette.setColor(QPalette::WindowText, Qt::black);
    d->tip->setPalette(palette);
    d->tip->setAutoFillBackground(true);
    d->tip->setAlignment(Qt::AlignCenter);
    d->tip->setGeometry(x(), geometry().bottom(), 0, 0);
    d->tip->hide();
    emitValueChanges(false);
}

void CDial::changeAltAddressMode(bool on)
{
    if (d->altAddressMode == on)
        return;
    // The new text goes out with the next notification.
    d->altModeChanged = true;
    d->altAddressMode = on;
}

void CDial::handle_changeAltNamedValue(int)
{
    emitValueChanges(false);
    repaintScreen();
}

// --- binding ---------------------------------------------------------------------------------

bool CDial::connectMemAPI()
{
    if (!TMemProxy::connectMemAPI())
        return false;
    // Range, value and text at once.
    refreshFromMemory();
    return true;
}

bool CDial::acceptNotification(const Q_UINT8 *, int operation, Q_UINT32 extra)
{
    // A hand-over drops extra, so the signals it owes are counted here.
    if (extra == 1 && operation == 0 && !NS_Utilities::mainThreadRunning())
        InterlockedExchangeAdd(&d->pending, 1);
    return true;
}

void CDial::updateFromMemory(const Q_UINT8 *data, int operation, Q_UINT32 extra)
{
    const TMemReading r = readNotification(data, operation);
    if (!r.valid)
        return;
    if (r.rangeChanged) {
        const auto silent = silenced();
        setRange(r.minimum, r.maximum);
    }
    {
        const auto silent = silenced(operation);
        if (r.value != value()) {
            setValue(r.value);
        } else if (d->fxValueTransform || d->altModeChanged) {
            d->altModeChanged = false;
            valueChange();
        }
    }
    const long owed = InterlockedExchangeAdd(&d->pending, 0);
    if (extra == 1 || owed > 0) {
        emitValueChanges(false);
        InterlockedExchangeAdd(&d->pending, -owed);
    }
}

void CDial::valueChange()
{
    if (!NS_Utilities::mainThreadRunning())
        return;
    triggerEmitValueChanged(true);
}

void CDial::triggerEmitValueChanged(bool write)
{
    if (NS_Utilities::mainThreadRunning())
        emitValueChanges(write);
}

void CDial::sliderChange(SliderChange change)
{
    if (change == SliderValueChange) {
        invalidatePicture();
        valueChange();
    }
    QDial::sliderChange(change);
}

int CDial::changeMemApiValue()
{
    if (!writeValue(value()))
        return value();
    return memAPI()->getValue(element(), parameter(), channel(), 0, 0);
}

void CDial::emitValueChanges(bool write)
{
    IMemAPI *api = memAPI();
    if (!memAPIReady() || !api)
        return;
    const int v = (write && !isSilent()) ? changeMemApiValue() : value();
    if (signalsBlocked()) {
        // Deferred, not dropped: one posted call sends the signals once they are unblocked.
        if (!d->deferredEmitPosted.exchange(true))
            TMarshallEvent::post(this, &CDial::deferredEmitValueChanges);
        return;
    }
    Q_EMIT memoryAPIValueChange(v);

    QString text;
    QPixmap pixmap;
    if (d->altAddressMode) {
        text = value() == minimum() ? QStringLiteral("OFF") : QStringLiteral("ON");
    } else {
        int textValue = v;
        if (d->tableId >= 0 && minimum() < 0)
            textValue = int(qint64(v) - minimum());
        const bool special = d->tableId == kSpecialTextTable && maximum() == kSpecialTextMaximum;
        api->valueToText(channel() + channelOffset(), d->tableId, &text, &pixmap, textValue,
                         special ? 1 : 0, element(), parameter());
    }
    if (!pixmap.isNull()) {
        Q_EMIT pixmapValueChange(pixmap);
    } else {
        Q_EMIT textualValueChange(text);
        if (d->tip) {
            const QFontMetrics metrics(d->tip->font());
            d->tip->resize(metrics.horizontalAdvance(text) + 2, metrics.height() + 2);
            d->tip->setText(text);
        }
    }
    Q_EMIT altAddressMode(value() == minimum());
    repaintScreen();
}

void CDial::deferredEmitValueChanges(QObject *receiver)
{
    CDial *dial = qobject_cast<CDial *>(receiver);
    if (!dial)
        return;
    dial->d->deferredEmitPosted = false;
    dial->emitValueChanges(false);
}

void CDial::acceptNum(double number)
{
    int v = 0;
    if (valueFromTypedNumber(d->tableId, number, &v))
        setValue(v);
}

// --- steps -----------------------------------------------------------------------------------

void CDial::addLine()
{
    stepBy(singleStep());
}

void CDial::subtractLine()
{
    stepBy(-singleStep());
}

void CDial::addPage()
{
    stepBy(pageStep());
}

void CDial::subtractPage()
{
    stepBy(-pageStep());
}

void CDial::stepBy(int n)
{
    if (d->tableId != kSampleRateStepTable) {
        setValue(clampToRange(qint64(value()) + n, minimum(), maximum()));
        return;
    }
    IMemAPI *api = memAPI();
    if (!api || !memAPIReady())
        return;
    const int rate = api->sampleRate(0);
    if (rate <= 0)
        return;
    setValue(clampToRange(sampleRateStep(value(), rate, n), minimum(), maximum()));
}

// --- frames and painting ---------------------------------------------------------------------

int CDial::currentIndex() const
{
    const int n = d->subImages - (d->disabledImageIndex >= 0 ? 1 : 0);
    const int base = d->disabledImageIndex == 0 ? 1 : 0;
    const double span = double(qint64(maximum()) - minimum());
    int k = 0;
    // An empty range shows the first value frame.
    if (n > 0 && span > 0) {
        const float step = float(span) / float(n);
        const float position = float(qint64(value()) - minimum()) / step;
        k = int(qMin(position, float(n)));
    }
    k = qMax(qMin(k, n - 1), 0);
    return d->inverted ? base + (n - 1 - k) : base + k;
}

int CDial::getAttKnobIndex(int v) const
{
    const int lo = minimum();
    const int hi = maximum();
    int frame;
    if (v < kAttKnee) {
        const float span = float(kAttKnee - lo) * 0.0625f;
        frame = span > 0 ? int(float(v - lo) / span) : 0;
    } else if (v == kAttKnee) {
        frame = kAttKneeFrame;
    } else if (v < 0) {
        frame = int(float(v - lo - 660) / 30 + kAttKneeFrame);
    } else if (v == 0) {
        frame = kAttUnityFrame;
    } else if (v >= hi) {
        frame = kAttLastFrame;
    } else {
        const int sixth = hi / 6;
        frame = sixth > 0 ? int(float(v) / float(sixth) + kAttUnityFrame) : kAttLastFrame;
    }
    // Values outside the range still name a frame of the strip.
    return qBound(0, frame, kAttLastFrame);
}

void CDial::repaintScreenPrimitive(QPainter &painter)
{
    const QPixmap &strip = d->combinedImage;
    if (!isEnabled() && d->disabledImageIndex >= 0) {
        NS_Utilities::drawPartialPixmap(painter, QPoint(d->category, d->disabledImageIndex), strip,
                                        d->grid(), nullptr);
        return;
    }
    const int index = currentIndex();
    if (index < 0 || index >= d->subImages || strip.width() == 0)
        return;
    if (!isEnabled()) {
        const QRect source =
                NS_Utilities::partialPixmapRect(QPoint(0, index), strip.size(), d->grid());
        if (source.isEmpty())
            return;
        painter.drawPixmap(QPoint(0, 0), NS_Utilities::applyGreyTransformation(strip.copy(source)));
        return;
    }
    NS_Utilities::drawPartialPixmap(painter, QPoint(d->category, index), strip, d->grid(), nullptr);
}

void CDial::updateErasePixmap(QPixmap *)
{
    if (!d->polished)
        return;
    if (!d->picture.hasShareKey())
        shareLook();
    d->picture.pixmap(
            this, [this](QPainter &painter) { repaintScreenPrimitive(painter); }, true,
            currentIndex());
}

void CDial::shareLook()
{
    // Dials of one window share a picture per frame index; the key keeps dials of different
    // strips, columns, sizes or states apart.
    const bool shareable = d->subImages > 0 && d->imageCategories > 0;
    d->picture.setShareKey(this,
                           shareable ? QStringLiteral("CDial/%1/%2/%3x%4/%5%6")
                                               .arg(d->combinedImage.cacheKey())
                                               .arg(d->category)
                                               .arg(width())
                                               .arg(height())
                                               .arg(isEnabled() ? 'e' : 'd')
                                               .arg(d->disabledImageIndex)
                                     : QString());
}

int CDial::pictureRebuildCount() const
{
    return d->picture.rebuildCount();
}

void CDial::invalidatePicture()
{
    d->picture.invalidate();
}

void CDial::invalidateLook()
{
    d->picture.lookChanged(this);
}

void CDial::repaintScreen()
{
    invalidatePicture();
    update();
}

void CDial::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paintPicture(painter);
}

void CDial::paintPicture(QPainter &painter)
{
    if (!d->picture.isValid())
        updateErasePixmap(nullptr);
    d->picture.paint(
            painter, this, [this](QPainter &p) { repaintScreenPrimitive(p); }, true);
}

void CDial::updateMask()
{
    const QSize frame = d->frameSize();
    if (!d->transparent || frame.isEmpty()) {
        clearMask();
        return;
    }
    setMask(d->combinedImage.copy(QRect(QPoint(0, 0), frame)).createHeuristicMask(true));
}

QSize CDial::sizeHint() const
{
    const QSize whole = NS_Utilities::logicalSize(d->combinedImage);
    if (whole.width() > 0 && whole.height() > 0)
        return whole;
    return QSize(kHintWidth, kHintHeight);
}

// --- events ----------------------------------------------------------------------------------

bool CDial::event(QEvent *event)
{
    const bool result = QDial::event(event);
    if (event->type() == QEvent::Polish)
        polishDial();
    return result;
}

void CDial::polishDial()
{
    d->polished = true;
    const QSize frame = d->frameSize();
    if (d->subImages > 0 && d->imageCategories > 0 && d->combinedImage.width() > 0
        && !frame.isEmpty()) {
        setFixedSize(frame);
        if (d->imageCategories == 1)
            d->category = 0;
    }
    invalidateLook();
}

void CDial::resizeEvent(QResizeEvent *event)
{
    invalidateLook();
    QDial::resizeEvent(event);
}

void CDial::changeEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::ActivationChange:
        // The picture does not depend on the window's activation.
        return;
    case QEvent::EnabledChange:
    case QEvent::ParentChange:
        invalidateLook();
        repaintScreen();
        break;
    case QEvent::PaletteChange:
    case QEvent::StyleChange:
        repaintScreen();
        break;
    default:
        break;
    }
    QDial::changeEvent(event);
}

void CDial::showEvent(QShowEvent *event)
{
    {
        const auto silent = silenced();
        emitValueChanges(false);
    }
    QWidget::showEvent(event);
}

void CDial::enterEvent(QEnterEvent *event)
{
    if (d->tip) {
        d->tip->show();
        d->tip->raise();
    }
    QDial::enterEvent(event);
}

void CDial::leaveEvent(QEvent *event)
{
    if (d->tip)
        d->tip->hide();
    QDial::leaveEvent(event);
}

void CDial::mousePressEvent(QMouseEvent *event)
{
    const bool plain = !(event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier));
    if (d->pressPending || event->button() != Qt::LeftButton || !plain) {
        event->ignore();
        return;
    }
    d->pressPending = true;
    if (s_VerticalMode)
        d->previous = event->position().toPoint();
    else
        mousePressMoveStart(event, -kStopDegrees, kStopDegrees, false);
    Q_EMIT dialPressed();
}

void CDial::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return;
    if (d->pressPending) {
        d->pressPending = false;
        startDrag(event);
        return;
    }
    if (d->dragging)
        dragTo(event);
}

void CDial::mouseReleaseEvent(QMouseEvent *event)
{
    if (d->pressPending) {
        d->pressPending = false;
        Q_EMIT dialReleased();
        return;
    }
    if (event->button() == Qt::LeftButton) {
        d->dragging = false;
        Q_EMIT dialReleased();
    }
}

void CDial::startDrag(QMouseEvent *event)
{
    d->dragging = true;
    if (s_VerticalMode)
        d->previous = event->position().toPoint();
    else
        setValueFromAngle(mousePressMoveTrace(event));
    Q_EMIT dialPressed();
}

void CDial::dragTo(QMouseEvent *event)
{
    if (s_VerticalMode) {
        const QPoint at = event->position().toPoint();
        qint64 delta = qint64(d->previous.y() - at.y()) + (at.x() - d->previous.x());
        const qint64 span = qint64(maximum()) - minimum();
        if (span > kVerticalModeSpan)
            delta = delta * span / kVerticalModeSpan;
        setValue(clampToRange(qint64(value()) + delta, minimum(), maximum()));
        d->previous = at;
    } else {
        setValueFromAngle(mousePressMoveTrace(event));
    }
    Q_EMIT dialMoved(value());
}

void CDial::setValueFromAngle(double degrees)
{
    const double span = double(qint64(maximum()) - minimum());
    // Converted like int(): truncated toward zero.
    const qint64 offset = qint64((degrees + kStopDegrees) * span / kTravelDegrees + 0.5);
    setValue(clampToRange(qint64(minimum()) + offset, minimum(), maximum()));
}

void CDial::wheelEvent(QWheelEvent *event)
{
    if (!rect().contains(event->position().toPoint())) {
        event->ignore();
        return;
    }
    setValue(clampToRange(qint64(value()) + event->angleDelta().y() / kWheelStep, minimum(),
                          maximum()));
    // Keys go on reaching the editor after a wheel step.
    if (IEditorExtensions *editor = rootObjectOfClass<IEditorExtensions>(this)) {
        if (QWidget *w = dynamic_cast<QWidget *>(editor))
            w->setFocus();
    }
    event->accept();
}

void CDial::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Down:
        subtractLine();
        break;
    case Qt::Key_Up:
    case Qt::Key_Right:
        addLine();
        break;
    case Qt::Key_PageUp:
        addPage();
        break;
    case Qt::Key_PageDown:
        subtractPage();
        break;
    default:
        QDial::keyPressEvent(event);
        return;
    }
    event->accept();
}

// --- circular drag ---------------------------------------------------------------------------

double CDial::GetAngle() const
{
    return Degree(d->tracedAngle);
}

double CDial::Radian(double degrees)
{
    return degrees * kPi / 180.0;
}

double CDial::Degree(double radians)
{
    return radians * 180.0 / kPi;
}

double CDial::CnvAngle(double angle) const
{
    return kHalfPi - angle;
}

bool CDial::CalcAngle(double x, double y, double *angle) const
{
    const double dx = x - d->centre.x();
    const double dy = y - d->centre.y();
    if (dx == 0 && dy == 0)
        return false;
    if (angle)
        *angle = CnvAngle(std::atan2(-dy, dx));
    return true;
}

double CDial::CalcVectorAngle(double x1, double y1, double x2, double y2)
{
    double angle = std::fabs(std::atan2(y2, x2) - std::atan2(y1, x1));
    if (angle >= kPi)
        angle = 2 * kPi - angle;
    return angle;
}

bool CDial::CalcIntersection(double x1, double y1, double x2, double y2, double x3, double y3,
                             double x4, double y4, double *x, double *y)
{
    const double a = (y1 - y2) * (x3 - x1) + (x2 - x1) * (y3 - y1);
    const double b = (y1 - y2) * (x4 - x1) + (x2 - x1) * (y4 - y1);
    const double c = (y3 - y4) * (x1 - x3) + (x4 - x3) * (y1 - y3);
    const double dd = (y3 - y4) * (x2 - x3) + (x4 - x3) * (y2 - y3);
    if (a * b > kCrossingTolerance || c * dd > kCrossingTolerance)
        return false;
    // Parallel segments that touch have no single crossing point; the first end stands for it.
    const double r = (c - dd) != 0 ? c / (c - dd) : 0.0;
    if (x)
        *x = x1 + r * (x2 - x1);
    if (y)
        *y = y1 + r * (y2 - y1);
    return true;
}

double CDial::mousePressMoveStart(QMouseEvent *event, double minDegrees, double maxDegrees,
                                  bool absolute)
{
    const QPoint origin = mapToGlobal(QPoint(0, 0));
    d->centre = QPointF(origin.x() + width() / 2, origin.y() + height() / 2);
    const double span = double(qint64(maximum()) - minimum());
    const double fromMinimum =
            span > 0 ? double(qint64(value()) - minimum()) * (maxDegrees - minDegrees) / span : 0.0;
    d->startAngle = Radian(fromMinimum - kStopDegrees);
    d->tracedAngle = d->startAngle;
    d->pressPoint = d->lastPoint = event->globalPosition();
    d->tipPoint = d->centre
            + QPointF(std::cos(CnvAngle(d->startAngle)), -std::sin(CnvAngle(d->startAngle)));
    d->minAngle = Radian(minDegrees);
    d->maxAngle = Radian(maxDegrees);
    d->absolute = absolute;
    d->grabOffset = 0.0;
    double pressAngle = 0.0;
    if (!absolute && CalcAngle(d->pressPoint.x(), d->pressPoint.y(), &pressAngle))
        d->grabOffset = d->startAngle - pressAngle;
    return Degree(d->tracedAngle);
}

double CDial::mousePressMoveTrace(QMouseEvent *event)
{
    const QPointF m = event->globalPosition();
    const QPointF c = d->centre;
    const QPointF p = d->tipPoint;
    const QPointF l = d->lastPoint;
    // Which side of the last-point line and of the pointer line the mouse is on.
    const double t = (c.x() - l.x()) * (m.y() - l.y()) - (m.x() - l.x()) * (c.y() - l.y());
    const double s = (c.x() - p.x()) * (m.y() - p.y()) - (m.x() - p.x()) * (c.y() - p.y());
    const QPointF r = d->absolute ? p : l;
    const double turn = CalcVectorAngle(r.x() - c.x(), r.y() - c.y(), m.x() - c.x(), m.y() - c.y());

    if (t * s >= 0) {
        d->lastPoint = m;
    } else {
        // The mouse went round through the dead zone only if it crossed the stop ray.
        const double stop = (t >= 0 ? d->minAngle : d->maxAngle) + kPi;
        const QPointF end =
                c + kStopRayLength * QPointF(std::cos(CnvAngle(stop)), -std::sin(CnvAngle(stop)));
        if (!CalcIntersection(c.x(), c.y(), end.x(), end.y(), l.x(), l.y(), m.x(), m.y(), nullptr,
                              nullptr))
            d->lastPoint = m;
    }
    if (t * s < 0 || turn > kMaxJump)
        return Degree(d->tracedAngle);

    double step;
    if (t >= 0)
        step = -qMin(turn, d->tracedAngle - d->minAngle);
    else
        step = qMin(turn, d->maxAngle - d->tracedAngle);
    d->tracedAngle += step;
    d->tipPoint =
            c + QPointF(std::cos(CnvAngle(d->tracedAngle)), -std::sin(CnvAngle(d->tracedAngle)));
    return Degree(d->tracedAngle);
}
