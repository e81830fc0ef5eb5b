#ifndef CANIMMENU_H
#define CANIMMENU_H

#include "zb4r_widgets_export.h"

#include <QFrame>
#include <QPixmap>

#include <memory>

// A drawer handle. startAnimation() slides the move image down over the close image, 2 pixels
// every 20 ms, until the handle is uncovered (open) or covered again (closed); showMenu(bool)
// tells the host when the menu behind it may show: true once opening ends, false before closing
// starts.
class ZB4R_WIDGETS_EXPORT CAnimMenu : public QFrame
{
    Q_OBJECT
    Q_PROPERTY(QPixmap closeImage READ closeImage WRITE setCloseImage) // null
    Q_PROPERTY(QPixmap moveImage READ moveImage WRITE setMoveImage) // null
    Q_PROPERTY(QPixmap openImage READ openImage WRITE setOpenImage) // null

public:
    enum AnimWindowStatus { AnimClosed = 0, AnimOpening = 1, AnimOpen = 2, AnimClosing = 3 };
    Q_ENUM(AnimWindowStatus)

    static constexpr int StepPixels = 2;
    static constexpr int StepIntervalMs = 20;

    explicit CAnimMenu(QWidget *parent = nullptr, const char *name = nullptr);
    ~CAnimMenu() override;

    QPixmap closeImage() const;
    QPixmap moveImage() const;
    QPixmap openImage() const;
    AnimWindowStatus animStatus() const;
    // Pixels of the move image uncovered so far.
    int offset() const;
    bool isAnimating() const;

    // Draws the current frame at the painter's origin.
    void repaintScreenPrimitive(QPainter &painter);

public Q_SLOTS:
    // An image with a width fixes the widget to its size; a null one is only kept.
    void setCloseImage(const QPixmap &image);
    void setMoveImage(const QPixmap &image);
    void setOpenImage(const QPixmap &image);
    void startAnimation();
    // Jumps to the end of an opening or a closing, without animating.
    void setOpen(bool open);
    // One step of the animation; ignored while the animation timer is not running.
    void animProc();

Q_SIGNALS:
    void stateChanged(AnimWindowStatus status);
    void showMenu(bool show);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void setAnimStatus(AnimWindowStatus status);
    void storeImage(QPixmap &field, const QPixmap &image);

    struct Private;
    std::unique_ptr<Private> const d;
};

#endif
