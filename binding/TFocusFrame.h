#ifndef TFOCUSFRAME_H
#define TFOCUSFRAME_H

#include "zb4r_widgets_export.h"

#include <QFocusFrame>

// The focus frame of every bound widget: a ring in the palette's highlight colour around the
// bound widget that has the keyboard focus (widgets reached with Tab only). Film-strip widgets
// draw no focus look of their own; one frame per application follows the focus instead.
class ZB4R_WIDGETS_EXPORT TFocusFrame : public QFocusFrame
{
    Q_OBJECT
public:
    // Makes the application's frame follow the focus; later calls do nothing. Needs a
    // QApplication; without one it does nothing.
    static void install();
    // The frame now showing around widget, or null.
    static TFocusFrame *frameOf(const QWidget *widget);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    explicit TFocusFrame(QWidget *parent = nullptr);
    static void focusMoved(QWidget *now);
};

#endif
