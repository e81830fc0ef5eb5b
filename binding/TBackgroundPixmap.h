#ifndef TBACKGROUNDPIXMAP_H
#define TBACKGROUNDPIXMAP_H

#include "zb4r_widgets_export.h"

#include <QPixmap>

#include <functional>

class QPainter;
class QWidget;

// The widget-sized picture a widget paints once and blits on every paint event. invalidate()
// drops it on a property, size, enable or palette change; pixmap() rebuilds it on demand.
class ZB4R_WIDGETS_EXPORT TBackgroundPixmap
{
public:
    typedef std::function<void(QPainter &)> Painter;

    void invalidate() { m_valid = false; }
    // The one "look changed" call of a widget: drops the picture and schedules a repaint of w.
    void lookChanged(QWidget *w);
    bool isValid() const { return m_valid; }

    // The picture for w, rebuilt with paint when invalid or of the wrong size. The pixmap is
    // filled with w's window colour first (opaque) unless transparent is set.
    const QPixmap &pixmap(const QWidget *w, const Painter &paint, bool transparent = false);
    // Blits the picture (rebuilt as needed) at the origin of w.
    void paint(QPainter &painter, const QWidget *w, const Painter &paintPicture,
               bool transparent = false);
    // Installs a ready picture (from a shared cache).
    void setPixmap(const QPixmap &pixmap);

    // Number of rebuilds so far: what "repaints once" means for a cached picture.
    int rebuildCount() const { return m_rebuilds; }

private:
    QPixmap m_pixmap;
    int m_rebuilds = 0;
    bool m_valid = false;
};

#endif
