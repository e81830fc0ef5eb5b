#include "CSlider.h"

#include "IEditorExtensions.h"
#include "TMemProxy.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTimer>
#include <QWheelEvent>

#include <climits>

namespace {

constexpr int FirstRepeatDelay = 300; // ms from a page click to the first repeat
constexpr int RepeatInterval = 100; // ms between repeats
constexpr int TickSpace = 5; // extra thickness per tick-mark side
constexpr int DefaultLength = 84; // length of the size hint before the style adds its own
constexpr int WheelNotch = 120; // angle delta of one wheel notch

// One remainder of fine wheel steps for all sliders: it belongs to the slider the wheel last
// turned, and is dropped when the wheel reaches another one.
float s_wheelOffset = 0;
QPointer<const CSlider> s_wheelOwner;

int clampToInt(qint64 v)
{
    return int(qBound(qint64(INT_MIN), v, qint64(INT_MAX)));
}

// A value distance in pixels over span pixels of travel, at least one pixel.
int valueSpanToPixels(int distance, int minValue, int maxValue, int span)
{
    const qint64 range = qint64(maxValue) - minValue;
    if (distance <= 0 || range <= 0 || span <= 0)
        return 0;
    return int(qMax<qint64>(1, qint64(distance) * span / range));
}

} // namespace

struct CSlider::Private
{
    int pressValue = 0; // value at the last press, for the snap-back of unbound drags
    QTimer *repeatTimer = nullptr;
    int sliderPos = 0;
    int sliderVal = 0;
    int clickOffset = 0;
    int state = Idle; // an int: resetState() reports values outside State
    bool tracking = true;
    int tickOffset = 0;
    TickSetting tickmarks = NoMarks;
    int tickInterval = 0;
    bool horDir = false;
    Qt::Orientation orientation = Qt::Vertical;
};

CSlider::CSlider(QWidget *parent, const char *name)
    : QWidget(parent)
    , TRangeControl(0, 99, 1, 10, 0)
    , d(std::make_unique<Private>())
{
    setObjectName(QString::fromLatin1(name));
    init(Qt::Vertical);
}

CSlider::CSlider(Qt::Orientation orientation, QWidget *parent, const char *name)
    : QWidget(parent)
    , TRangeControl(0, 99, 1, 10, 0)
    , d(std::make_unique<Private>())
{
    setObjectName(QString::fromLatin1(name));
    init(orientation);
}

CSlider::CSlider(int minValue, int maxValue, int pageStep, int value, Qt::Orientation orientation,
                 QWidget *parent, const char *name)
    : QWidget(parent)
    , TRangeControl(minValue, maxValue, 1, pageStep, value)
    , d(std::make_unique<Private>())
{
    setObjectName(QString::fromLatin1(name));
    d->sliderVal = TRangeControl::value();
    init(orientation);
}

CSlider::~CSlider() = default;

void CSlider::init(Qt::Orientation orientation)
{
    d->orientation = orientation;
    setFocusPolicy(Qt::ClickFocus);
    updateTickOffset();
    if (orientation == Qt::Horizontal)
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    else
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    // The policy above is the slider's default, not the user's: setOrientation() may swap it.
    setAttribute(Qt::WA_WState_OwnSizePolicy, false);
}

// --- properties ------------------------------------------------------------------------------

bool CSlider::tracking() const
{
    return d->tracking;
}

void CSlider::setTracking(bool on)
{
    d->tracking = on;
}

Qt::Orientation CSlider::orientation() const
{
    return d->orientation;
}

void CSlider::setOrientation(Qt::Orientation orientation)
{
    if (orientation == d->orientation)
        return;
    if (!testAttribute(Qt::WA_WState_OwnSizePolicy)) {
        QSizePolicy policy = sizePolicy();
        policy.transpose();
        setSizePolicy(policy);
        setAttribute(Qt::WA_WState_OwnSizePolicy, false);
    }
    d->orientation = orientation;
    rangeChange();
    update();
}

CSlider::TickSetting CSlider::tickmarks() const
{
    return d->tickmarks;
}

void CSlider::setTickmarks(CSlider::TickSetting setting)
{
    d->tickmarks = setting;
    updateTickOffset();
    update();
}

int CSlider::tickInterval() const
{
    return d->tickInterval;
}

void CSlider::setTickInterval(int interval)
{
    d->tickInterval = qMax(0, interval);
    update();
}

bool CSlider::horDir() const
{
    return d->horDir;
}

void CSlider::setHorDir(bool on)
{
    d->horDir = on;
}

void CSlider::setLineStep(int step)
{
    setSteps(step, pageStep());
}

void CSlider::setPageStep(int step)
{
    setSteps(lineStep(), step);
}

CSlider::State CSlider::state() const
{
    return State(d->state);
}

int CSlider::sliderPosition() const
{
    return d->sliderPos;
}

int CSlider::sliderValue() const
{
    return d->sliderVal;
}

int CSlider::tickOffset() const
{
    return d->tickOffset;
}

// --- geometry --------------------------------------------------------------------------------

void CSlider::initStyleOption(QStyleOptionSlider *option) const
{
    option->initFrom(this);
    // Positions are already mirrored for a reverse layout; the style must not mirror again.
    option->direction = Qt::LeftToRight;
    option->orientation = d->orientation;
    if (d->orientation == Qt::Horizontal)
        option->state |= QStyle::State_Horizontal;
    option->tickPosition = QSlider::TickPosition(int(d->tickmarks));
    option->minimum = 0;
    option->maximum = 0;
    option->sliderPosition = 0;
    option->sliderValue = 0;
    option->upsideDown = false;
    // Describe the slider in pixels, so the style puts the handle exactly at sliderPosition().
    const int span = qMax(0, available());
    option->maximum = span;
    option->sliderPosition = qBound(0, d->sliderPos, span);
    option->sliderValue = option->sliderPosition;
    option->singleStep = valueSpanToPixels(lineStep(), minValue(), maxValue(), span);
    option->pageStep = valueSpanToPixels(pageStep(), minValue(), maxValue(), span);
    option->tickInterval = valueSpanToPixels(d->tickInterval, minValue(), maxValue(), span);
}

int CSlider::goodPart(const QPoint &point) const
{
    return d->orientation == Qt::Horizontal ? point.x() : point.y();
}

QRect CSlider::sliderRect() const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
}

int CSlider::getSlideLength() const
{
    QStyleOptionSlider option;
    option.initFrom(this);
    option.orientation = d->orientation;
    return style()->pixelMetric(QStyle::PM_SliderLength, &option, this);
}

int CSlider::getSlideThickness() const
{
    QStyleOptionSlider option;
    option.initFrom(this);
    option.orientation = d->orientation;
    return style()->pixelMetric(QStyle::PM_SliderThickness, &option, this);
}

int CSlider::available() const
{
    QStyleOptionSlider option;
    option.initFrom(this);
    option.orientation = d->orientation;
    option.tickPosition = QSlider::TickPosition(int(d->tickmarks));
    return style()->pixelMetric(QStyle::PM_SliderSpaceAvailable, &option, this);
}

int CSlider::positionFromValue(int value) const
{
    const int a = available();
    const int position = TRangeControl::positionFromValue(value, a);
    if (d->orientation == Qt::Horizontal && isRightToLeft())
        return a - position;
    return position;
}

int CSlider::valueFromPosition(int position) const
{
    const int v = TRangeControl::valueFromPosition(position, available());
    if (d->orientation == Qt::Horizontal && isRightToLeft())
        return clampToInt(qint64(maxValue()) + minValue() - v);
    return v;
}

QSize CSlider::sizeHint() const
{
    ensurePolished();
    int thickness = getSlideThickness();
    if (d->tickmarks & Above)
        thickness += TickSpace;
    if (d->tickmarks & Below)
        thickness += TickSpace;
    const QSize base = d->orientation == Qt::Horizontal ? QSize(DefaultLength, thickness)
                                                        : QSize(thickness, DefaultLength);
    QStyleOptionSlider option;
    initStyleOption(&option);
    return style()->sizeFromContents(QStyle::CT_Slider, &option, base, this);
}

QSize CSlider::minimumSizeHint() const
{
    QSize s = sizeHint();
    if (d->orientation == Qt::Horizontal)
        s.setWidth(getSlideLength());
    else
        s.setHeight(getSlideLength());
    return s;
}

void CSlider::updateTickOffset()
{
    QStyleOptionSlider option;
    option.initFrom(this);
    option.orientation = d->orientation;
    option.tickPosition = QSlider::TickPosition(int(d->tickmarks));
    d->tickOffset = style()->pixelMetric(QStyle::PM_SliderTickmarkOffset, &option, this);
}

// --- value -----------------------------------------------------------------------------------

void CSlider::setValue(int value)
{
    TRangeControl::setValue(value);
}

void CSlider::addStep()
{
    addPage();
}

void CSlider::subtractStep()
{
    subtractPage();
}

void CSlider::addLine()
{
    TRangeControl::addLine();
}

void CSlider::subtractLine()
{
    TRangeControl::subtractLine();
}

void CSlider::valueChange()
{
    if (d->sliderVal != value()) {
        reallyMoveSlider(positionFromValue(value()));
        d->sliderVal = value();
    }
    Q_EMIT valueChanged(value());
}

void CSlider::rangeChange()
{
    const int position = positionFromValue(value());
    if (position != d->sliderPos)
        reallyMoveSlider(position);
}

void CSlider::reallyMoveSlider(int position)
{
    const QRect before = sliderRect();
    d->sliderPos = position;
    handleMoved(before, sliderRect());
}

void CSlider::handleMoved(const QRect &, const QRect &)
{
    // The style may draw the groove according to the handle (a filled part, a glow), so the
    // whole slider is redrawn.
    update();
}

void CSlider::moveSlider(int position)
{
    const int a = qMax(0, available());
    int p = qBound(0, position, a);
    const int v = valueFromPosition(p);
    QStyleOptionSlider option;
    initStyleOption(&option);
    if (style()->styleHint(QStyle::SH_Slider_SnapToValue, &option, this))
        p = positionFromValue(v);
    if (p != d->sliderPos)
        reallyMoveSlider(p);
    if (v != d->sliderVal) {
        d->sliderVal = v;
        Q_EMIT sliderMoved(v);
    }
    if (d->tracking && v != value())
        setValue(v);
}

bool CSlider::isBound() const
{
    return dynamic_cast<const TMemProxy *>(this) != nullptr;
}

// --- mouse -----------------------------------------------------------------------------------

void CSlider::resetState()
{
    if (d->repeatTimer) {
        d->repeatTimer->stop();
        d->repeatTimer->disconnect(this);
    }
    switch (d->state) {
    case Dragging: {
        // A handle left on its value's pixel keeps the value: reading it back from the pixel
        // would round it to another value of the same pixel.
        if (d->sliderPos != positionFromValue(value()))
            setValue(valueFromPosition(d->sliderPos));
        Q_EMIT sliderReleased();
        break;
    }
    case Idle:
    case TimingUp:
    case TimingDown:
        break;
    default: {
        const QByteArray name =
                objectName().isEmpty() ? QByteArray("unnamed") : objectName().toLocal8Bit();
        qWarning("CSlider: (%s) in wrong state", name.constData());
        break;
    }
    }
    d->state = Idle;
}

void CSlider::startPageRepeat(State state)
{
    d->state = state;
    if (state == TimingDown)
        subtractPage();
    else
        addPage();
    if (!d->repeatTimer)
        d->repeatTimer = new QTimer(this);
    d->repeatTimer->disconnect(this);
    connect(d->repeatTimer, &QTimer::timeout, this, &CSlider::repeatTimeout);
    d->repeatTimer->setSingleShot(true);
    d->repeatTimer->start(FirstRepeatDelay);
}

void CSlider::repeatTimeout()
{
    if (!d->repeatTimer)
        return;
    d->repeatTimer->disconnect(this);
    if (d->state == TimingDown)
        connect(d->repeatTimer, &QTimer::timeout, this, &CSlider::subtractStep);
    else if (d->state == TimingUp)
        connect(d->repeatTimer, &QTimer::timeout, this, &CSlider::addStep);
    d->repeatTimer->setSingleShot(false);
    d->repeatTimer->start(RepeatInterval);
}

void CSlider::mousePressEvent(QMouseEvent *event)
{
    const int length = getSlideLength();
    resetState();
    d->pressValue = value();
    const QRect handle = sliderRect();
    if (event->button() == Qt::RightButton)
        return;

    Q_EMIT alternativeDisplayBegin();
    valueChange();
    const QPoint pos = event->position().toPoint();
    if (handle.contains(pos)) {
        d->state = Dragging;
        d->clickOffset = goodPart(pos) - d->sliderPos;
        Q_EMIT sliderPressed();
    } else if (event->button() == Qt::MiddleButton) {
        moveSlider(goodPart(pos) - length / 2);
        d->state = Dragging;
        d->clickOffset = length / 2;
    } else if (!isBound()) {
        // A bound slider writes only what the user points at: no page steps.
        const bool horizontal = d->orientation == Qt::Horizontal;
        const bool before = horizontal ? pos.x() < handle.left() : pos.y() < handle.top();
        const bool reversed = horizontal && isRightToLeft();
        startPageRepeat(before != reversed ? TimingDown : TimingUp);
    }
    handleMoved(handle, sliderRect());
}

bool CSlider::outsideDragArea(const QPoint &point) const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    const int m = style()->pixelMetric(QStyle::PM_MaximumDragDistance, &option, this);
    if (m < 0)
        return false;
    const QRect r = rect();
    const QRect area = d->orientation == Qt::Horizontal
            ? QRect(r.x() - m, r.y() - 2 * m / 3, r.width() + 2 * m, r.height() + 3 * m)
            : QRect(r.x() - 2 * m / 3, r.y() - m, r.width() + 3 * m, r.height() + 2 * m);
    return !area.contains(point);
}

void CSlider::mouseMoveEvent(QMouseEvent *event)
{
    if (d->state != Dragging)
        return;
    const QPoint pos = event->position().toPoint();
    // An unbound slider dragged far away goes back to where it was; a bound one never writes
    // a value the user did not point at, so it stays with the pointer.
    if (!isBound() && outsideDragArea(pos)) {
        moveSlider(positionFromValue(d->pressValue));
        return;
    }
    moveSlider(goodPart(pos) - d->clickOffset);
}

void CSlider::mouseReleaseEvent(QMouseEvent *)
{
    resetState();
    Q_EMIT alternativeDisplayEnd();
    const QRect handle = sliderRect();
    handleMoved(handle, handle);
}

// --- wheel and keys --------------------------------------------------------------------------

void CSlider::wheelEvent(QWheelEvent *event)
{
    if (!rect().contains(event->position().toPoint())) {
        event->ignore();
        return;
    }
    if (s_wheelOwner != this) {
        s_wheelOwner = this;
        s_wheelOffset = 0;
    }
    int delta = event->angleDelta().y();
    if (delta == 0)
        delta = event->angleDelta().x();
    if (!d->horDir)
        delta = -delta;
    const qint64 step = qMax(lineStep(), pageStep());
    s_wheelOffset += float(qint64(delta) * step) / WheelNotch;
    if (s_wheelOffset > -1 && s_wheelOffset < 1) {
        event->ignore();
        return;
    }
    const int whole = int(s_wheelOffset);
    s_wheelOffset -= float(whole);
    stepWheel(whole);
    event->accept();
    // Keys go on reaching the editor.
    if (auto *editor = dynamic_cast<QWidget *>(rootObjectOfClass<IEditorExtensions>(this)))
        editor->setFocus();
}

void CSlider::stepWheel(int steps)
{
    const int lo = minValue();
    const int hi = maxValue();
    const int shown = applyFlipedTransformation(value(), lo, hi);
    setValue(applyFlipedTransformation(clampToInt(qint64(shown) + steps), lo, hi));
}

void CSlider::keyPressEvent(QKeyEvent *event)
{
    const int saved = d->state;
    d->state = Dragging;
    QStyleOptionSlider option;
    initStyleOption(&option);
    const bool sloppy = style()->styleHint(QStyle::SH_Slider_SloppyKeyEvents, &option, this);
    const bool horizontal = d->orientation == Qt::Horizontal;
    switch (event->key()) {
    case Qt::Key_Home:
        setValue(d->horDir ? minValue() : maxValue());
        break;
    case Qt::Key_End:
        setValue(d->horDir ? maxValue() : minValue());
        break;
    case Qt::Key_Left:
        if (sloppy || horizontal)
            subtractLine();
        break;
    case Qt::Key_Right:
        if (sloppy || horizontal)
            addLine();
        break;
    case Qt::Key_Up:
        if (sloppy || !horizontal)
            addLine();
        break;
    case Qt::Key_Down:
        if (sloppy || !horizontal)
            subtractLine();
        break;
    case Qt::Key_PageUp:
        addPage();
        break;
    case Qt::Key_PageDown:
        subtractPage();
        break;
    default:
        event->ignore();
        break;
    }
    d->state = saved;
}

// --- painting and changes --------------------------------------------------------------------

void CSlider::drawSlider(QPainter &painter) const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    option.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle;
    if (d->tickmarks != NoMarks)
        option.subControls |= QStyle::SC_SliderTickmarks;
    option.activeSubControls = d->state == Dragging ? QStyle::SC_SliderHandle : QStyle::SC_None;
    style()->drawComplexControl(QStyle::CC_Slider, &option, &painter, this);
}

void CSlider::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    drawSlider(painter);
}

void CSlider::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    updateTickOffset();
    // The travel changed: the handle goes where the value now is.
    rangeChange();
}

void CSlider::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::StyleChange) {
        updateTickOffset();
        rangeChange();
    }
    QWidget::changeEvent(event);
}
