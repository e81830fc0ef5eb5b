#include "CTextSlider.h"

#include "CNumEdit.h"
#include "IEditorExtensions.h"
#include "NS_Utilities.h"
#include "TBackgroundPixmap.h"
#include "TDoubleFormat.h"
#include "TSetter.h"

#include <QCursor>
#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QWheelEvent>

#include <climits>
#include <cmath>

namespace {

const char kDefaultFormatLabel[] = "%0.1f";
const char kDefaultEditFormat[] = "%.1f";
constexpr int kHintWidth = 33;
constexpr int kHintHeight = 14;
constexpr int kPixelsPerStep = 2; // a drag moves one step per two pixels
constexpr qint64 kWideRange = 999; // wider ranges drag a hundred steps at a time
constexpr qint64 kMediumRange = 126; // wider ranges drag ten steps at a time
constexpr int kWheelNotch = 120; // angle delta of one wheel notch
constexpr QRgb kDisabledText = 0xff808080; // greyOnDisable's text colour

int clampToInt(qint64 v)
{
    return int(qBound(qint64(INT_MIN), v, qint64(INT_MAX)));
}

// The step cursors: an arrow head in rows 3 to 7 pointing up; the down arrow is its mirror.
const char *const kUpArrowXpm[] = {
        "16 16 3 1",        "o c #000000",      "O c #ffffff",      "+ c None",
        "++++++++++++++++", "++++++++++++++++", "++++++++++++++++", "+++++++oo+++++++",
        "++++++oOOo++++++", "+++++oOOOOo+++++", "++++oOOOOOOo++++", "+++oooooooooo+++",
        "++++++++++++++++", "++++++++++++++++", "++++++++++++++++", "++++++++++++++++",
        "++++++++++++++++", "++++++++++++++++", "++++++++++++++++", "++++++++++++++++",
};

const QCursor &arrowCursor(bool up)
{
    static const QPixmap upArrow(kUpArrowXpm);
    static const QCursor upCursor(upArrow, upArrow.width() / 2, upArrow.height() / 2);
    static const QPixmap downArrow = QPixmap::fromImage(upArrow.toImage().mirrored(false, true));
    static const QCursor downCursor(downArrow, downArrow.width() / 2, downArrow.height() / 2);
    return up ? upCursor : downCursor;
}

} // namespace

struct CTextSlider::Private
{
    QString text;
    LookupFunc lookup = nullptr;

    QString valueLabel;
    QString formatLabel = QString::fromLatin1(kDefaultFormatLabel);
    TDoubleFormat format {QString::fromLatin1(kDefaultFormatLabel)};
    QString matchLabel;
    int rangeDiv = DefaultRangeDiv;
    int tableId = DefaultTableId;
    int matchValue = 0;
    bool useTableId = false;
    bool editable = false;
    QString editFormat;
    QPointer<NS_Utilities::CNumEdit> numEdit;
    int lastMouseY = 0; // 0: none

    bool clickStepping = false;
    bool tracking = true;
    bool moving = false;
    bool pressed = false;
    ButtonState pressState = 0;
    int pressValue = 0;
    int pressOffset = 0; // height / 2 - press y
    int pressY = 0;

    bool enableFocusRect = false;
    bool greyOnDisable = false;
    TBackgroundPixmap picture;
};

CTextSlider::CTextSlider(QWidget *parent, const char *name, Qt::WindowFlags flags)
    : QWidget(parent, flags)
    , d(std::make_unique<Private>())
{
    setObjectName(QString::fromLatin1(name));
    init();
}

CTextSlider::CTextSlider(int minValue, int maxValue, int pageStep, int value, QWidget *parent,
                         const char *name)
    : QWidget(parent)
    , TRangeControl(minValue, maxValue, 1, pageStep, value)
    , d(std::make_unique<Private>())
{
    setObjectName(QString::fromLatin1(name));
    init();
}

CTextSlider::~CTextSlider()
{
    // The memory may still call process() from a worker thread until we are gone.
    disconnectMemAPI();
    releaseMemory();
}

void CTextSlider::init()
{
    setFocusPolicy(Qt::WheelFocus);
    // Every paint covers the widget from the picture.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

// --- properties ------------------------------------------------------------------------------

bool CTextSlider::tracking() const
{
    return d->tracking;
}

void CTextSlider::setTracking(bool on)
{
    d->tracking = on;
}

QString CTextSlider::valueLabel() const
{
    return d->valueLabel;
}

void CTextSlider::setValueLabel(const QString &label)
{
    if (!assignIfChanged(d->valueLabel, label))
        return;
    d->format = TDoubleFormat(d->formatLabel + d->valueLabel);
    remakeText();
}

QString CTextSlider::formatLabel() const
{
    return d->formatLabel;
}

void CTextSlider::setFormatLabel(const QString &format)
{
    if (!assignIfChanged(d->formatLabel, format))
        return;
    d->format = TDoubleFormat(d->formatLabel + d->valueLabel);
    remakeText();
}

int CTextSlider::rangeDiv() const
{
    return d->rangeDiv;
}

void CTextSlider::setRangeDiv(int div)
{
    if (assignIfChanged(d->rangeDiv, div))
        remakeText();
}

int CTextSlider::tableId() const
{
    return d->tableId;
}

void CTextSlider::setTableId(int id)
{
    if (assignIfChanged(d->tableId, id))
        remakeText();
}

bool CTextSlider::useTableId() const
{
    return d->useTableId;
}

void CTextSlider::setUseTableId(bool on)
{
    if (assignIfChanged(d->useTableId, on))
        remakeText();
}

bool CTextSlider::editable() const
{
    return d->editable;
}

void CTextSlider::setEditable(bool on)
{
    d->editable = on;
}

QString CTextSlider::editFormat() const
{
    return d->editFormat;
}

void CTextSlider::setEditFormat(const QString &format)
{
    d->editFormat = format;
}

bool CTextSlider::clickStepping() const
{
    return d->clickStepping;
}

void CTextSlider::setClickStepping(bool on)
{
    d->clickStepping = on;
    // The step cursors follow the pointer over the halves.
    if (on)
        setMouseTracking(true);
}

int CTextSlider::matchValue() const
{
    return d->matchValue;
}

void CTextSlider::setMatchValue(int value)
{
    if (assignIfChanged(d->matchValue, value))
        remakeText();
}

QString CTextSlider::matchLabel() const
{
    return d->matchLabel;
}

void CTextSlider::setMatchLabel(const QString &label)
{
    if (assignIfChanged(d->matchLabel, label))
        remakeText();
}

bool CTextSlider::enableFocusRect() const
{
    return d->enableFocusRect;
}

void CTextSlider::setEnableFocusRect(bool on)
{
    if (assignIfChanged(d->enableFocusRect, on))
        d->picture.lookChanged(this);
}

bool CTextSlider::greyOnDisable() const
{
    return d->greyOnDisable;
}

void CTextSlider::setGreyOnDisable(bool on)
{
    if (assignIfChanged(d->greyOnDisable, on))
        d->picture.lookChanged(this);
}

void CTextSlider::setLineStep(int step)
{
    setSteps(step, pageStep());
}

void CTextSlider::setPageStep(int step)
{
    setSteps(lineStep(), step);
}

int CTextSlider::pictureRebuildCount() const
{
    return d->picture.rebuildCount();
}

QSize CTextSlider::sizeHint() const
{
    return QSize(kHintWidth, kHintHeight);
}

QSize CTextSlider::minimumSizeHint() const
{
    return sizeHint();
}

// --- text ------------------------------------------------------------------------------------

QString CTextSlider::text() const
{
    return d->text;
}

void CTextSlider::setValueText(QString text)
{
    if (assignIfChanged(d->text, std::move(text)))
        d->picture.lookChanged(this);
}

void CTextSlider::setLookupFunc(LookupFunc lookup)
{
    d->lookup = lookup;
    remakeText();
}

bool CTextSlider::valueLookup(QString &out, int v) const
{
    return d->lookup && d->lookup(out, v);
}

void CTextSlider::stringForValue(int v, QString &out)
{
    if (d->lookup) {
        d->lookup(out, v);
        return;
    }
    IMemAPI *api = memAPI();
    if (!api)
        return;
    const bool matched = !d->matchLabel.isEmpty() && v == d->matchValue;
    if (d->useTableId) {
        if (!memAPIReady())
            return;
        const QString text = valueText(v, d->tableId);
        out = matched ? d->matchLabel : text;
        return;
    }
    if (matched) {
        out = d->matchLabel;
        return;
    }
    const int div = d->rangeDiv >= 1 ? d->rangeDiv : api->sampleRate(0);
    // Without a sample rate there is nothing to divide by: the text stays.
    if (div < 1)
        return;
    out = d->format.format(double(float(v) / float(div)));
}

void CTextSlider::remakeText()
{
    QString text = d->text;
    stringForValue(value(), text);
    setValueText(std::move(text));
}

// --- value -----------------------------------------------------------------------------------

void CTextSlider::setValue(int value)
{
    TRangeControl::setValue(value);
}

void CTextSlider::addLine()
{
    TRangeControl::addLine();
}

void CTextSlider::subtractLine()
{
    TRangeControl::subtractLine();
}

void CTextSlider::addPage()
{
    if (!stepSamplePage(pageStep()))
        TRangeControl::addPage();
}

void CTextSlider::subtractPage()
{
    if (!stepSamplePage(-pageStep()))
        TRangeControl::subtractPage();
}

bool CTextSlider::stepSamplePage(int pages)
{
    IMemAPI *api = memAPI();
    if (!api)
        return false;
    // Samples per millisecond, as a whole number (44 at 44.1 kHz).
    const qint64 perMs = api->sampleRate(0) / 1000;
    if (perMs <= 0)
        return true;
    const qint64 tenths = (qint64(value()) * 10000 / (perMs * 10) + 50) / 100 + pages;
    setValue(clampToInt(tenths * (perMs * 1000) / 10000));
    return true;
}

void CTextSlider::valueChange()
{
    int reported = value();
    if (writeValue(value()))
        reported = memAPI()->getValue(element(), parameter(), channel(), 0, 0);
    remakeText();
    if (d->tracking || !d->moving)
        Q_EMIT valueChanged(reported);
}

void CTextSlider::acceptNum(double number)
{
    IMemAPI *api = memAPI();
    if (!api || !std::isfinite(number))
        return;
    int v = 0;
    if (d->useTableId) {
        if (!valueFromTypedNumber(d->tableId, number, &v))
            return;
    } else {
        const float factor =
                d->rangeDiv > 0 ? float(d->rangeDiv) : float(api->sampleRate(0) / 1000);
        // No scale without a sample rate: nothing to write.
        if (factor <= 0)
            return;
        v = int(qBound(double(INT_MIN), number * factor, double(INT_MAX)));
        if (isUndoEnable())
            api->registerUndo(this);
    }
    setValue(v);
    updateErasePixmap(nullptr);
}

// --- binding ---------------------------------------------------------------------------------

void CTextSlider::updateFromMemory(const Q_UINT8 *data, int operation, Q_UINT32)
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

void CTextSlider::forceUpdate()
{
    process(nullptr, 0, 0);
    remakeText();
    update();
}

// --- drag ------------------------------------------------------------------------------------

void CTextSlider::setValueBase(int value, int, int y)
{
    d->pressValue = value;
    d->pressOffset = height() / 2 - y;
    d->pressY = y;
}

int CTextSlider::valueFromPoint(const QPoint &pos) const
{
    qint64 delta = (qint64(height() / 2) - pos.y() - d->pressOffset) / kPixelsPerStep;
    if (!(d->pressState & Qt::ShiftModifier)) {
        const qint64 span = qint64(maxValue()) - minValue();
        if (span > kWideRange)
            delta *= 100;
        else if (span > kMediumRange)
            delta *= 10;
    }
    return bound(clampToInt(d->pressValue + delta));
}

// --- painting --------------------------------------------------------------------------------

void CTextSlider::repaintScreenPrimitive(QPainter &painter)
{
    // A painter on a pixmap takes nothing from the widget: background, font and pen are ours.
    painter.fillRect(rect(), palette().color(backgroundRole()));
    painter.setFont(font());
    const bool grey = !isEnabled() && d->greyOnDisable;
    painter.setPen(grey ? QColor(kDisabledText) : palette().color(QPalette::WindowText));
    painter.drawText(rect(), Qt::AlignCenter, d->text);
    if (hasFocus() && d->enableFocusRect) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = rect();
        option.backgroundColor = palette().color(backgroundRole());
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

void CTextSlider::updateErasePixmap(QPixmap *given)
{
    if (given) {
        d->picture.setPixmap(*given);
        update();
        return;
    }
    d->picture.lookChanged(this);
}

void CTextSlider::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    d->picture.paint(painter, this, [this](QPainter &p) { repaintScreenPrimitive(p); });
}

void CTextSlider::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    d->picture.lookChanged(this);
}

bool CTextSlider::event(QEvent *event)
{
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::Polish)
        remakeText();
    return handled;
}

void CTextSlider::changeEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::ActivationChange:
        // Window activation does not change the look.
        return;
    case QEvent::EnabledChange:
    case QEvent::PaletteChange:
    case QEvent::FontChange:
    case QEvent::StyleChange:
        d->picture.lookChanged(this);
        break;
    default:
        break;
    }
    QWidget::changeEvent(event);
}

void CTextSlider::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    if (d->enableFocusRect)
        d->picture.lookChanged(this);
}

void CTextSlider::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    if (d->enableFocusRect)
        d->picture.lookChanged(this);
}

// --- mouse, wheel and keys -------------------------------------------------------------------

void CTextSlider::showArrow(bool up)
{
    setCursor(arrowCursor(up));
}

void CTextSlider::mousePressEvent(QMouseEvent *event)
{
    if (d->pressed)
        return;
    const QPoint pos = event->position().toPoint();
    d->pressState = NS_Utilities::modifierState();
    d->pressed = true;
    setValueBase(value(), pos.x(), pos.y());
    setValue(valueFromPoint(pos));
    Q_EMIT dialPressed();
    d->lastMouseY = pos.y();
}

void CTextSlider::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    if (!d->pressed) {
        if (d->clickStepping)
            showArrow(pos.y() <= height() / 2);
        return;
    }
    if (!d->tracking || !(event->buttons() & Qt::LeftButton))
        return;
    if (d->clickStepping && d->lastMouseY != 0) {
        showArrow(pos.y() <= d->lastMouseY);
        d->lastMouseY = pos.y();
    }
    d->moving = true;
    setValue(valueFromPoint(pos));
    d->moving = false;
    Q_EMIT dialMoved(value());
}

void CTextSlider::mouseReleaseEvent(QMouseEvent *event)
{
    if (!d->pressed)
        return;
    const QPoint pos = event->position().toPoint();
    d->pressed = false;
    setValue(valueFromPoint(pos));
    Q_EMIT dialReleased();
    if (d->clickStepping && height() / 2 - pos.y() == d->pressOffset) {
        if (d->pressY > height() / 2)
            subtractLine();
        else
            addLine();
    }
    d->lastMouseY = 0;
}

void CTextSlider::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (!d->editable) {
        // The second click of a pair counts as a click.
        mousePressEvent(event);
        return;
    }
    if (!d->numEdit) {
        d->numEdit = new NS_Utilities::CNumEdit(this);
        connect(d->numEdit, &NS_Utilities::CNumEdit::numberProposed, this, &CTextSlider::acceptNum);
    }
    const QByteArray format =
            (d->editFormat.isEmpty() ? QString::fromLatin1(kDefaultEditFormat) : d->editFormat)
                    .toUtf8();
    d->numEdit->doEdit(d->text, format.constData());
}

void CTextSlider::wheelEvent(QWheelEvent *event)
{
    int delta = event->angleDelta().y();
    if (delta == 0)
        delta = event->angleDelta().x();
    setValue(clampToInt(qint64(value()) + delta / kWheelNotch));
    event->accept();
    // Keys go on reaching the editor after a wheel step.
    if (auto *editor = dynamic_cast<QWidget *>(rootObjectOfClass<IEditorExtensions>(this)))
        editor->setFocus();
}

void CTextSlider::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Home:
        setValue(minValue());
        break;
    case Qt::Key_End:
        setValue(maxValue());
        break;
    case Qt::Key_Up:
        addLine();
        break;
    case Qt::Key_Down:
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
}
