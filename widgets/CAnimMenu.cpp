#include "CAnimMenu.h"

#include "TBackgroundPixmap.h"

#include <QPainter>
#include <QTimer>

struct CAnimMenu::Private
{
    QPixmap closeImage;
    QPixmap moveImage;
    QPixmap openImage;
    QTimer *timer = nullptr;
    int offset = 0;
    AnimWindowStatus status = AnimClosed;
    TBackgroundPixmap picture;
};

CAnimMenu::CAnimMenu(QWidget *parent, const char *name)
    : QFrame(parent)
    , d(std::make_unique<Private>())
{
    if (name)
        setObjectName(QString::fromLatin1(name));
    // Not opaque: a zero-width image draws nothing and the parent shows through.
    Q_EMIT showMenu(false);
}

CAnimMenu::~CAnimMenu() = default;

QPixmap CAnimMenu::closeImage() const
{
    return d->closeImage;
}

QPixmap CAnimMenu::moveImage() const
{
    return d->moveImage;
}

QPixmap CAnimMenu::openImage() const
{
    return d->openImage;
}

CAnimMenu::AnimWindowStatus CAnimMenu::animStatus() const
{
    return d->status;
}

int CAnimMenu::offset() const
{
    return d->offset;
}

bool CAnimMenu::isAnimating() const
{
    return d->timer && d->timer->isActive();
}

void CAnimMenu::storeImage(QPixmap &field, const QPixmap &image)
{
    field = image;
    if (image.width() != 0)
        setFixedSize(image.size());
    d->picture.lookChanged(this);
}

void CAnimMenu::setCloseImage(const QPixmap &image)
{
    storeImage(d->closeImage, image);
}

void CAnimMenu::setMoveImage(const QPixmap &image)
{
    storeImage(d->moveImage, image);
}

void CAnimMenu::setOpenImage(const QPixmap &image)
{
    storeImage(d->openImage, image);
}

void CAnimMenu::setAnimStatus(AnimWindowStatus status)
{
    if (status == d->status)
        return;
    d->status = status;
    Q_EMIT stateChanged(status);
}

void CAnimMenu::setOpen(bool open)
{
    setAnimStatus(open ? AnimOpen : AnimClosed);
    d->offset = open ? d->closeImage.height() : 0;
    d->picture.lookChanged(this);
    Q_EMIT showMenu(open);
}

void CAnimMenu::startAnimation()
{
    if (!d->timer) {
        // Connected once: a connection per start would run several steps per tick.
        d->timer = new QTimer(this);
        connect(d->timer, &QTimer::timeout, this, &CAnimMenu::animProc);
    }
    d->timer->start(StepIntervalMs);
    if (d->status == AnimOpen) {
        Q_EMIT showMenu(false);
        setAnimStatus(AnimClosing);
    } else if (d->status == AnimClosed) {
        setAnimStatus(AnimOpening);
    }
}

void CAnimMenu::animProc()
{
    if (!isAnimating())
        return;
    d->offset += d->status == AnimOpening ? StepPixels : -StepPixels;
    d->picture.lookChanged(this);
    if (d->offset > 0 && d->offset <= height())
        return;
    d->timer->stop();
    if (d->status == AnimOpening)
        setAnimStatus(AnimOpen);
    else if (d->status == AnimClosing)
        setAnimStatus(AnimClosed);
    d->picture.lookChanged(this);
    if (d->status == AnimOpen)
        Q_EMIT showMenu(true);
}

void CAnimMenu::repaintScreenPrimitive(QPainter &painter)
{
    if (isAnimating()) {
        const int uncovered = qMax(0, d->offset);
        if (d->moveImage.width() != 0)
            painter.drawPixmap(0, 0, d->moveImage, 0, d->moveImage.height() - uncovered,
                               d->moveImage.width(), uncovered);
        if (d->closeImage.width() != 0)
            painter.drawPixmap(0, uncovered, d->closeImage, 0, uncovered, d->closeImage.width(),
                               d->closeImage.height() - uncovered);
        return;
    }
    const QPixmap &shown = d->status == AnimOpen ? d->openImage : d->closeImage;
    if (shown.width() != 0)
        painter.drawPixmap(0, 0, shown);
}

void CAnimMenu::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    d->picture.paint(
            painter, this, [this](QPainter &p) { repaintScreenPrimitive(p); }, true);
}
