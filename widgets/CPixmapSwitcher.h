#ifndef CPIXMAPSWITCHER_H
#define CPIXMAPSWITCHER_H

#include "zb4r_widgets_export.h"

#include <QLabel>
#include <QPixmap>
#include <QRect>

#include <memory>

// An unbound picture that shows one frame of its strip (nSubImages rows, nImageCategories
// columns) under program control. As a tab strip, a press inside tabArea selects the frame of
// the tab under the mouse. With usesPalleteBitmap the frame becomes the window's background
// texture, under the label's own painting.
class ZB4R_WIDGETS_EXPORT CPixmapSwitcher : public QLabel
{
    Q_OBJECT
    Q_PROPERTY(QPixmap combinedImage READ combinedImage WRITE setCombinedImage) // null
    Q_PROPERTY(int nSubImages READ nSubImages WRITE setnSubImages) // 1
    Q_PROPERTY(int nImageCategories READ nImageCategories WRITE setnImageCategories) // 1
    Q_PROPERTY(bool usesPalleteBitmap READ usesPalleteBitmap WRITE setUsesPalleteBitmap) // false
    Q_PROPERTY(bool tabbed READ tabbed WRITE setTabbed) // false
    Q_PROPERTY(QRect tabArea READ tabArea WRITE setTabArea) // null rectangle

public:
    // The narrowest tab segment, so that a wide strip of tabs never divides by zero.
    static constexpr double MinSegmentWidth = 0.1;

    explicit CPixmapSwitcher(QWidget *parent = nullptr, const char *name = nullptr);
    ~CPixmapSwitcher() override;

    QPixmap combinedImage() const;
    int nSubImages() const;
    int nImageCategories() const;
    bool usesPalleteBitmap() const;
    bool tabbed() const;
    QRect tabArea() const;
    int getCurrentImageID() const;
    // The image a press at pos selects, or -1 outside the tab area.
    int tabAt(const QPoint &pos) const;

    // Draws the current frame's band at the painter's origin.
    void repaintScreenPrimitive(QPainter &painter);

public Q_SLOTS:
    void setCombinedImage(const QPixmap &strip);
    // Counts below 1 are ignored.
    void setnSubImages(int count);
    void setnImageCategories(int count);
    void setUsesPalleteBitmap(bool on);
    void setTabArea(const QRect &area);
    void setTabbed(bool on);
    // Out-of-range images and the current one are ignored.
    void setCurrentImage(int image);
    void toggleImage();
    void toggleVisible();
    void updateDimensions();

public:
    // The conventional spellings, which uic-generated forms call.
    void setNSubImages(int count) { setnSubImages(count); }
    void setNImageCategories(int count) { setnImageCategories(count); }

Q_SIGNALS:
    void indexChanged(int image);

protected:
    bool event(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void installPaletteFrame();

    struct Private;
    std::unique_ptr<Private> const d;
};

#endif
