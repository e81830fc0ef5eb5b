#include "CRadioButton.h"

#include "NS_Utilities.h"
#include "TBackgroundPixmap.h"
#include "TSetter.h"

#include <QEvent>
#include <QFocusEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

namespace {

// Rows of the strip, from the top; the strip is used from this many rows on.
constexpr int kRowOn = 0;
constexpr int kRowOff = 1;
constexpr int kRowPressed = 2;
constexpr int kMinStripRows = 3;

} // namespace

struct CRadioButton::Private
{
    QPixmap offState;
    QPixmap trackingState;
    QPixmap onState;
    QPixmap combinedImage;
    int nSubImages = 0;
    int onValue = 0;
    bool pressed = false;
    // Made on first use; a child of the button.
    QTimer *clickDelayTimer = nullptr;
    int clickDelay = DefaultClickDelayMs;
    TBackgroundPixmap picture;
    // The state the picture was painted for: pressed, checked, enabled, focused.
    int pictureState = -1;
};

CRadioButton::CRadioButton(QWidget *parent, const char *name)
    : QRadioButton(parent)
    , d(std::make_unique<Private>())
{
    if (name)
        setObjectName(QString::fromLatin1(name));
    // Two parameters' radios under one parent must not uncheck each other: only a button group
    // makes radios exclusive.
    setAutoExclusive(false);
    connect(this, &QAbstractButton::toggled, this,
            [this](bool on) { Q_EMIT stateChanged(on ? StateOn : StateOff); });
    connect(this, SIGNAL(stateChanged(int)), this, SLOT(handleStateChanged(int)));
    setFocusPolicy(Qt::NoFocus);
    TMemProxy::setNumDefaultKind(0);
}

CRadioButton::~CRadioButton()
{
    disconnectMemAPI();
    releaseMemory();
}

// --- properties ---------------------------------------------------------------------------------

QPixmap CRadioButton::offState() const
{
    return d->offState;
}

void CRadioButton::setOffState(const QPixmap &pixmap)
{
    d->offState = pixmap;
    if (!pixmap.isNull())
        setFixedSize(pixmap.size());
    lookChanged();
}

QPixmap CRadioButton::trackingState() const
{
    return d->trackingState;
}

void CRadioButton::setTrackingState(const QPixmap &pixmap)
{
    d->trackingState = pixmap;
    lookChanged();
}

QPixmap CRadioButton::onState() const
{
    return d->onState;
}

void CRadioButton::setOnState(const QPixmap &pixmap)
{
    d->onState = pixmap;
    lookChanged();
}

int CRadioButton::onValue() const
{
    return d->onValue;
}

void CRadioButton::setOnValue(int value)
{
    d->onValue = value;
}

int CRadioButton::clickDelay() const
{
    return d->clickDelay;
}

void CRadioButton::setClickDelay(int ms)
{
    // A negative delay means none.
    d->clickDelay = qMax(0, ms);
}

QPixmap CRadioButton::combinedImage() const
{
    return d->combinedImage;
}

void CRadioButton::setCombinedImage(const QPixmap &strip)
{
    d->combinedImage = strip;
    lookChanged();
}

int CRadioButton::nSubImages() const
{
    return d->nSubImages;
}

void CRadioButton::setnSubImages(int count)
{
    if (!assignIfChanged(d->nSubImages, count))
        return;
    lookChanged();
}

bool CRadioButton::isPressedFlagSet() const
{
    return d->pressed;
}

void CRadioButton::lookChanged()
{
    d->pictureState = -1;
    d->picture.lookChanged(this);
}

// --- value --------------------------------------------------------------------------------------

void CRadioButton::handleStateChanged(int state)
{
    if (state == StateOn) {
        if (memAPIReady() && address().isValid())
            writeValue(d->onValue);
        return;
    }
    if (!memAPIReady() || !address().isValid())
        return;
    const int value = memAPI()->getValue(element(), parameter(), channel(), 0, 0);
    if (value == d->onValue) {
        // A checked radio cannot be clicked off while its value is in force. The value is
        // already in the memory, so forcing the button back on writes nothing.
        const auto silent = silenced();
        setChecked(true);
        setFocusPolicy(Qt::StrongFocus);
    } else {
        setFocusPolicy(Qt::NoFocus);
    }
}

void CRadioButton::updateFromMemory(const Q_UINT8 *data, int operation, Q_UINT32)
{
    const TMemReading r = readNotification(data, operation);
    const auto silent = silenced();
    // Both values take the "not on" branch: the matching button checks itself, the exclusive
    // group unchecks the others.
    Q_EMIT stateChanged(r.value == d->onValue ? 1 : 0);
}

// --- events -------------------------------------------------------------------------------------

bool CRadioButton::hitButton(const QPoint &pos) const
{
    return rect().contains(pos);
}

void CRadioButton::changeEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::ActivationChange:
        // Window activation changes nothing in the picture.
        return;
    case QEvent::EnabledChange:
    case QEvent::PaletteChange:
        QRadioButton::changeEvent(event);
        lookChanged();
        return;
    default:
        QRadioButton::changeEvent(event);
    }
}

void CRadioButton::mousePressEvent(QMouseEvent *event)
{
    if (d->pressed)
        return;
    d->pressed = true;
    QRadioButton::mousePressEvent(event);
    update();
}

void CRadioButton::mouseReleaseEvent(QMouseEvent *event)
{
    if (!d->trackingState.isNull()) {
        if (!d->clickDelayTimer) {
            d->clickDelayTimer = new QTimer(this);
            d->clickDelayTimer->setSingleShot(true);
            connect(d->clickDelayTimer, SIGNAL(timeout()), this, SLOT(clickDelayDone()));
        }
        d->clickDelayTimer->start(d->clickDelay);
    } else {
        d->pressed = false;
    }
    if (hitButton(event->position().toPoint())) {
        setFocusPolicy(Qt::StrongFocus);
        // Focus from the mouse: the release below checks the button, focusing does not.
        setFocus(Qt::MouseFocusReason);
    }
    QRadioButton::mouseReleaseEvent(event);
    update();
}

void CRadioButton::clickDelayDone()
{
    d->pressed = false;
    update();
}

void CRadioButton::focusInEvent(QFocusEvent *event)
{
    // Tabbing onto a choice chooses it.
    if (event->reason() != Qt::MouseFocusReason && !isChecked())
        setChecked(true);
    QRadioButton::focusInEvent(event);
}

void CRadioButton::focusOutEvent(QFocusEvent *event)
{
    d->pressed = false;
    QRadioButton::focusOutEvent(event);
}

// --- painting -----------------------------------------------------------------------------------

QPixmap CRadioButton::statePixmap() const
{
    if (d->nSubImages >= kMinStripRows && !d->combinedImage.isNull()) {
        const int row = d->pressed ? kRowPressed : isChecked() ? kRowOn : kRowOff;
        const QRect source = NS_Utilities::partialPixmapRect(
                QPoint(0, row), d->combinedImage.size(), QSize(1, d->nSubImages));
        // A strip shorter than its row count has no frames.
        return source.isEmpty() ? QPixmap() : d->combinedImage.copy(source);
    }
    if (d->pressed && !d->trackingState.isNull())
        return d->trackingState;
    return isChecked() ? d->onState : d->offState;
}

void CRadioButton::repaintScreenPrimitive(QPainter &painter)
{
    const QPixmap image = statePixmap();
    if (image.isNull())
        return;
    painter.drawPixmap(0, 0, isEnabled() ? image : NS_Utilities::applyGreyTransformation(image));
}

void CRadioButton::paintEvent(QPaintEvent *event)
{
    if (statePixmap().isNull()) {
        // No picture for this state: the standard look.
        QRadioButton::paintEvent(event);
        return;
    }
    const int state = int(d->pressed) | int(isChecked()) << 1 | int(isEnabled()) << 2;
    if (state != d->pictureState) {
        d->pictureState = state;
        d->picture.invalidate();
    }
    QPainter painter(this);
    d->picture.paint(
            painter, this, [this](QPainter &p) { repaintScreenPrimitive(p); }, true);
    if (hasFocus()) {
        QPen pen(palette().color(QPalette::WindowText));
        pen.setStyle(Qt::DotLine);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}
