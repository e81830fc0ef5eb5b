#include "CLabelDisplay.h"

#include "CNumEdit.h"
#include "NS_Utilities.h"
#include "TBackgroundPixmap.h"
#include "TSetter.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QStyle>
#include <QTimer>

namespace {

const QColor kDisabledFill(52, 54, 63);
const QColor kDisabledTextColor(128, 128, 128);
const char *const kDefaultEditFormat = "%.1f";
constexpr int kUnitLength = 2;

} // namespace

struct CLabelDisplay::Private
{
    int altDepth = 0;
    QString normalText;
    QString alternateText;
    bool textSet = false;
    QPixmap combinedImage;
    int nSubImages = 1;
    bool inverseColorOnFocus = false;
    bool editable = false;
    QPointer<NS_Utilities::CNumEdit> numEdit;
    QString editFormat;
    bool greyOnDisable = false;
    TBackgroundPixmap picture;

    // The slot setText() fills: the alternate one while a movement is shown.
    QString &slotInForce() { return altDepth > 0 ? alternateText : normalText; }
};

CLabelDisplay::CLabelDisplay(QWidget *parent, const char *name)
    : QLabel(parent)
    , d(std::make_unique<Private>())
{
    if (name)
        setObjectName(QString::fromLatin1(name));
    // Qt's default horizontal alignment is AlignLeft: replace it rather than add to it.
    setAlignment((alignment() & ~Qt::AlignHorizontal_Mask) | Qt::AlignHCenter);
    setFocusPolicy(Qt::ClickFocus);
    setTextFormat(Qt::PlainText);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

CLabelDisplay::~CLabelDisplay() = default;

// --- properties ---------------------------------------------------------------------------------

QColor CLabelDisplay::focusColor() const
{
    return QColor();
}

void CLabelDisplay::setFocusColor(const QColor &)
{
    // The colour itself is not kept; asking for one makes the label take the focus by tab.
    setFocusPolicy(Qt::StrongFocus);
}

int CLabelDisplay::nSubImages() const
{
    return d->nSubImages;
}

void CLabelDisplay::setnSubImages(int count)
{
    if (assignIfChanged(d->nSubImages, qMax(1, count)))
        lookChanged();
}

QPixmap CLabelDisplay::combinedImage() const
{
    return d->combinedImage;
}

void CLabelDisplay::setcombinedImage(const QPixmap &image)
{
    d->combinedImage = image;
    lookChanged();
}

bool CLabelDisplay::inverseColorOnFocus() const
{
    return d->inverseColorOnFocus;
}

void CLabelDisplay::setInverseColorOnFocus(bool on)
{
    d->inverseColorOnFocus = on;
}

bool CLabelDisplay::editable() const
{
    return d->editable;
}

void CLabelDisplay::setEditable(bool on)
{
    d->editable = on;
}

QString CLabelDisplay::editFormat() const
{
    return d->editFormat;
}

void CLabelDisplay::setEditFormat(const QString &format)
{
    d->editFormat = format;
}

bool CLabelDisplay::greyOnDisable() const
{
    return d->greyOnDisable;
}

void CLabelDisplay::setGreyOnDisable(bool on)
{
    if (assignIfChanged(d->greyOnDisable, on) && !isEnabled())
        lookChanged();
}

int CLabelDisplay::altDisplayDepth() const
{
    return d->altDepth;
}

QString CLabelDisplay::normalText() const
{
    return d->normalText;
}

QString CLabelDisplay::alternateText() const
{
    return d->alternateText;
}

int CLabelDisplay::pictureRebuildCount() const
{
    return d->picture.rebuildCount();
}

// --- the two texts ------------------------------------------------------------------------------

void CLabelDisplay::setText(const QString &text)
{
    QString &slot = d->slotInForce();
    if (d->textSet && slot == text)
        return;
    slot = text;
    d->textSet = true;
    QLabel::setText(text);
    lookChanged();
}

void CLabelDisplay::setTextNoUnit(const QString &text)
{
    setText(text.size() < kUnitLength ? QString() : text.chopped(kUnitLength));
}

void CLabelDisplay::altDisplayBegin()
{
    if (!NS_Utilities::mainThreadRunning())
        return;
    ++d->altDepth;
    // Shows the alternate text at once (the last one a movement showed, if any).
    const QString text = std::exchange(d->alternateText, QString());
    setText(text);
}

void CLabelDisplay::altDisplayEnd()
{
    if (!NS_Utilities::mainThreadRunning() || d->altDepth < 1)
        return;
    // Each end has its own hold, so nested pairs unwind one by one.
    QTimer::singleShot(AltDisplayHold, this, &CLabelDisplay::handle_altDisplayEnd);
}

void CLabelDisplay::handle_altDisplayEnd()
{
    if (d->altDepth <= 0)
        return;
    --d->altDepth;
    const QString text = std::exchange(d->slotInForce(), QString());
    setText(text);
}

// --- numeric entry ------------------------------------------------------------------------------

void CLabelDisplay::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (d->editable && event->button() == Qt::LeftButton)
        openNumberEntry();
    else
        QLabel::mouseDoubleClickEvent(event);
}

void CLabelDisplay::openNumberEntry()
{
    if (!d->numEdit) {
        d->numEdit = new NS_Utilities::CNumEdit(this);
        connect(d->numEdit, &NS_Utilities::CNumEdit::numberProposed, this,
                &CLabelDisplay::acceptNum);
    }
    const QByteArray format =
            d->editFormat.isEmpty() ? QByteArray(kDefaultEditFormat) : d->editFormat.toLatin1();
    d->numEdit->doEdit(text(), format.constData());
}

void CLabelDisplay::acceptNum(double number)
{
    Q_EMIT valueChanged(number);
}

// --- painting -----------------------------------------------------------------------------------

void CLabelDisplay::repaintScreenPrimitive(QPainter &painter)
{
    const bool enabled = isEnabled();
    if (!d->combinedImage.isNull() && (enabled || d->nSubImages >= 2)) {
        const int frame = enabled ? 0 : d->nSubImages - 1;
        NS_Utilities::drawPartialPixmap(painter, QPoint(0, frame), d->combinedImage,
                                        QSize(1, d->nSubImages));
    } else {
        painter.fillRect(rect(), enabled ? palette().color(backgroundRole()) : kDisabledFill);
    }
    if (!enabled && !d->greyOnDisable)
        return;
    QPalette pal = palette();
    if (!enabled) {
        for (int group = 0; group < QPalette::NColorGroups; ++group)
            pal.setColor(QPalette::ColorGroup(group), foregroundRole(), kDisabledTextColor);
    }
    painter.setFont(font());
    const int flags = int(alignment()) | (wordWrap() ? int(Qt::TextWordWrap) : 0);
    style()->drawItemText(&painter, contentsRect(), flags, pal, true, text(), foregroundRole());
}

void CLabelDisplay::updateErasePixmap(QPixmap *given)
{
    if (given)
        d->picture.setPixmap(*given);
    else
        d->picture.invalidate();
    update();
}

void CLabelDisplay::lookChanged()
{
    d->picture.lookChanged(this);
}

void CLabelDisplay::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    d->picture.paint(painter, this, [this](QPainter &p) { repaintScreenPrimitive(p); });
}

void CLabelDisplay::changeEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::EnabledChange:
    case QEvent::PaletteChange:
    case QEvent::FontChange:
    case QEvent::StyleChange:
        lookChanged();
        break;
    default:
        break;
    }
    QLabel::changeEvent(event);
}

void CLabelDisplay::resizeEvent(QResizeEvent *event)
{
    lookChanged();
    QLabel::resizeEvent(event);
}

void CLabelDisplay::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
}

void CLabelDisplay::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
}
