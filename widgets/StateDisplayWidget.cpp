#include "StateDisplayWidget.h"

#include "NS_Utilities.h"
#include "TBackgroundPixmap.h"
#include "TSetter.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>

#include <limits>

namespace {

constexpr int kMaxSubImages = std::numeric_limits<qint16>::max();

} // namespace

struct StateDisplayWidget::Private
{
    int cmpValue = 0;
    bool booleanLogic = false;
    qint16 nSubImages = 1;
    QPixmap combinedImage;
    int value = NoValue;
    bool pressed = false;
    TBackgroundPixmap picture;
    int paints = 0;
};

StateDisplayWidget::StateDisplayWidget(QWidget *parent, const char *name)
    : QFrame(parent)
    , d(std::make_unique<Private>())
{
    if (name)
        setObjectName(QString::fromLatin1(name));
    TMemProxy::setNumDefaultKind(0);
    TMemProxy::setUndoEnable(false);
    setFocusPolicy(Qt::ClickFocus);
}

StateDisplayWidget::~StateDisplayWidget()
{
    disconnectMemAPI();
    releaseMemory();
}

// --- properties ---------------------------------------------------------------------------------

bool StateDisplayWidget::booleanLogic() const
{
    return d->booleanLogic;
}

void StateDisplayWidget::setBooleanLogic(bool on)
{
    if (!assignIfChanged(d->booleanLogic, on))
        return;
    lookChanged();
}

int StateDisplayWidget::cmpValue() const
{
    return d->cmpValue;
}

void StateDisplayWidget::setCmpValue(int value)
{
    if (!assignIfChanged(d->cmpValue, value))
        return;
    lookChanged();
}

QPixmap StateDisplayWidget::combinedImage() const
{
    return d->combinedImage;
}

void StateDisplayWidget::setCombinedImage(const QPixmap &strip)
{
    d->combinedImage = strip;
    lookChanged();
}

int StateDisplayWidget::nSubImages() const
{
    return d->nSubImages;
}

void StateDisplayWidget::setnSubImages(int count)
{
    if (!assignIfChanged(d->nSubImages, qint16(qBound(-kMaxSubImages, count, kMaxSubImages))))
        return;
    lookChanged();
}

int StateDisplayWidget::value() const
{
    return d->value;
}

int StateDisplayWidget::pixmapId(int v) const
{
    if (d->booleanLogic)
        v = v == d->cmpValue ? 1 : 0;
    return qBound(0, v, qMax(0, d->nSubImages - 1));
}

void StateDisplayWidget::lookChanged()
{
    d->picture.lookChanged(this);
}

// --- value and binding --------------------------------------------------------------------------

void StateDisplayWidget::setValue(int v)
{
    if (!NS_Utilities::mainThreadRunning() || !assignIfChanged(d->value, v))
        return;
    d->picture.invalidate();
    update();
}

void StateDisplayWidget::setValueFromData(int v)
{
    if (memAPIReady() && address().isValid())
        writeValue(v);
}

bool StateDisplayWidget::connectMemAPI()
{
    if (!TMemProxy::connectMemAPI())
        return false;
    // Shows the current value at once.
    const auto silent = silenced();
    process(nullptr, 0, 0);
    return true;
}

void StateDisplayWidget::updateFromMemory(const Q_UINT8 *, int operation, Q_UINT32)
{
    if (operation != 0 || !address().isValid())
        return;
    const auto silent = silenced();
    setValue(memAPI()->getValue(element(), parameter(), channel(), 0, 0));
}

// --- painting and events ------------------------------------------------------------------------

void StateDisplayWidget::repaintScreenPrimitive(QPainter &painter)
{
    ++d->paints;
    if (d->nSubImages <= 0)
        return;
    NS_Utilities::drawPartialPixmap(painter, QPoint(0, pixmapId(d->value)), d->combinedImage,
                                    QSize(1, d->nSubImages));
}

int StateDisplayWidget::pictureRebuildCount() const
{
    return d->paints;
}

void StateDisplayWidget::fixSizeToFrame()
{
    if (d->nSubImages <= 0 || d->combinedImage.isNull())
        return;
    const int frameHeight = d->combinedImage.height() / d->nSubImages;
    // A strip shorter than its frame count has no frame to size to.
    if (frameHeight > 0)
        setFixedSize(d->combinedImage.width(), frameHeight);
}

bool StateDisplayWidget::event(QEvent *event)
{
    const bool handled = QFrame::event(event);
    if (event->type() == QEvent::Polish) {
        fixSizeToFrame();
        lookChanged();
    }
    return handled;
}

void StateDisplayWidget::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::ActivationChange)
        return;
    QFrame::changeEvent(event);
    if (event->type() == QEvent::EnabledChange || event->type() == QEvent::PaletteChange)
        lookChanged();
}

void StateDisplayWidget::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        d->pressed = true;
    QFrame::mousePressEvent(event);
}

void StateDisplayWidget::mouseReleaseEvent(QMouseEvent *event)
{
    const bool click = event->button() == Qt::LeftButton && d->pressed;
    if (event->button() == Qt::LeftButton)
        d->pressed = false;
    QFrame::mouseReleaseEvent(event);
    if (click)
        Q_EMIT clicked(channel() + channelOffset());
}

void StateDisplayWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    d->picture.paint(
            painter, this, [this](QPainter &p) { repaintScreenPrimitive(p); }, true);
}
