#include "CPixmapSwitcher.h"

#include "NS_Utilities.h"
#include "TBackgroundPixmap.h"
#include "TSetter.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>

struct CPixmapSwitcher::Private
{
    QPixmap combinedImage;
    int current = 0;
    int nSubImages = 1;
    int nImageCategories = 1;
    bool usesPalleteBitmap = false;
    bool tabbed = false;
    QRect tabArea;
    TBackgroundPixmap picture;

    int frameHeight() const { return combinedImage.height() / nSubImages; }
};

CPixmapSwitcher::CPixmapSwitcher(QWidget *parent, const char *name)
    : QLabel(parent)
    , d(std::make_unique<Private>())
{
    if (name)
        setObjectName(QString::fromLatin1(name));
    setScaledContents(false);
}

CPixmapSwitcher::~CPixmapSwitcher() = default;

// --- properties ---------------------------------------------------------------------------------

QPixmap CPixmapSwitcher::combinedImage() const
{
    return d->combinedImage;
}

void CPixmapSwitcher::setCombinedImage(const QPixmap &strip)
{
    d->combinedImage = strip;
    d->picture.invalidate();
    if (isVisible())
        update();
}

int CPixmapSwitcher::nSubImages() const
{
    return d->nSubImages;
}

void CPixmapSwitcher::setnSubImages(int count)
{
    if (count < 1 || !assignIfChanged(d->nSubImages, count))
        return;
    d->picture.lookChanged(this);
    updateDimensions();
}

int CPixmapSwitcher::nImageCategories() const
{
    return d->nImageCategories;
}

void CPixmapSwitcher::setnImageCategories(int count)
{
    if (count < 1 || !assignIfChanged(d->nImageCategories, count))
        return;
    d->picture.lookChanged(this);
    updateDimensions();
}

bool CPixmapSwitcher::usesPalleteBitmap() const
{
    return d->usesPalleteBitmap;
}

void CPixmapSwitcher::setUsesPalleteBitmap(bool on)
{
    if (!assignIfChanged(d->usesPalleteBitmap, on))
        return;
    d->picture.lookChanged(this);
    updateDimensions();
}

bool CPixmapSwitcher::tabbed() const
{
    return d->tabbed;
}

void CPixmapSwitcher::setTabbed(bool on)
{
    d->tabbed = on;
}

QRect CPixmapSwitcher::tabArea() const
{
    return d->tabArea;
}

void CPixmapSwitcher::setTabArea(const QRect &area)
{
    d->tabArea = area;
}

int CPixmapSwitcher::getCurrentImageID() const
{
    return d->current;
}

// --- images -------------------------------------------------------------------------------------

void CPixmapSwitcher::updateDimensions()
{
    if (d->combinedImage.isNull())
        return;
    const int w = d->combinedImage.width() / d->nImageCategories;
    const int h = d->combinedImage.height() / d->nSubImages;
    setFixedSize(w, h);
}

void CPixmapSwitcher::setCurrentImage(int image)
{
    if (image < 0 || image >= d->nSubImages || image == d->current)
        return;
    d->current = image;
    if (d->usesPalleteBitmap) {
        installPaletteFrame();
    } else {
        d->picture.invalidate();
        update();
    }
    Q_EMIT indexChanged(image);
}

void CPixmapSwitcher::installPaletteFrame()
{
    const int frameHeight = d->frameHeight();
    if (d->combinedImage.isNull() || frameHeight <= 0)
        return;
    QPixmap frame(d->combinedImage.width(), frameHeight);
    frame.fill(Qt::transparent);
    {
        QPainter p(&frame);
        NS_Utilities::drawPartialPixmap(p, QPoint(0, d->current), d->combinedImage,
                                        QSize(1, d->nSubImages));
    }
    QPalette pal = palette();
    pal.setBrush(QPalette::Window, QBrush(frame));
    setPalette(pal);
    setAutoFillBackground(true);
}

void CPixmapSwitcher::toggleImage()
{
    const int next = d->current + 1;
    setCurrentImage(next >= d->nSubImages ? 0 : next);
}

void CPixmapSwitcher::toggleVisible()
{
    setVisible(isHidden());
}

int CPixmapSwitcher::tabAt(const QPoint &pos) const
{
    // Strictly inside: a press on the area's edge selects nothing.
    if (!d->tabArea.contains(pos, true))
        return -1;
    const double w = qMax(double(d->tabArea.width()) / d->nSubImages, MinSegmentWidth);
    return int(std::trunc((pos.x() - d->tabArea.left()) / w));
}

// --- painting and events ------------------------------------------------------------------------

void CPixmapSwitcher::repaintScreenPrimitive(QPainter &painter)
{
    const int frameHeight = d->frameHeight();
    if (d->combinedImage.isNull() || frameHeight <= 0)
        return;
    painter.drawPixmap(0, 0, d->combinedImage, 0, d->current * frameHeight,
                       d->combinedImage.width(), frameHeight);
}

bool CPixmapSwitcher::event(QEvent *event)
{
    const bool handled = QLabel::event(event);
    if (event->type() == QEvent::Polish)
        updateDimensions();
    return handled;
}

void CPixmapSwitcher::mousePressEvent(QMouseEvent *event)
{
    if (d->tabbed) {
        const int image = tabAt(event->position().toPoint());
        if (image >= 0)
            setCurrentImage(image);
    }
    QWidget::mousePressEvent(event);
}

void CPixmapSwitcher::paintEvent(QPaintEvent *event)
{
    if (!d->usesPalleteBitmap) {
        QPainter painter(this);
        d->picture.paint(
                painter, this, [this](QPainter &p) { repaintScreenPrimitive(p); }, true);
    }
    QLabel::paintEvent(event);
}
