#ifndef TBACKGROUNDPIXMAP_H
#define TBACKGROUNDPIXMAP_H

#include "zb4r_widgets_export.h"

#include <QPixmap>
#include <QString>
#include <QVector>

#include <functional>

class QPainter;
class QWidget;

// The widget-sized picture a widget paints once and blits on every paint event: the one picture
// cache of the library's widgets.
//
// invalidate() says the shown variant changed (a new value); lookChanged() says everything the
// picture shows changed (a property, the size, the enabled state, the palette) and schedules a
// repaint. pixmap() rebuilds on demand, in device pixels.
//
// Pictures that come in variants (a dial's frame per value) can be shared by like widgets below
// one TCacheServer: setShareKey() names everything a picture depends on but the variant, and
// pixmap() with a variant then takes a picture that a like widget already built.
class ZB4R_WIDGETS_EXPORT TBackgroundPixmap
{
public:
    typedef std::function<void(QPainter &)> Painter;

    void invalidate() { m_valid = false; }
    // The one "look changed" call of a widget: drops the picture (and the variants known) and
    // schedules a repaint of w.
    void lookChanged(QWidget *w);
    bool isValid() const { return m_valid; }

    // The picture for w, rebuilt with paint when invalid or of the wrong size. The pixmap is
    // filled with w's window colour first (opaque) unless transparent is set. With a share key
    // and a variant >= 0, a picture of that variant built before (by w or a like widget under
    // the same cache server) is taken instead of painting.
    const QPixmap &pixmap(const QWidget *w, const Painter &paint, bool transparent = false,
                          int variant = -1);
    // Blits the picture (rebuilt as needed) at the origin of w.
    void paint(QPainter &painter, const QWidget *w, const Painter &paintPicture,
               bool transparent = false, int variant = -1);
    // Installs a ready picture (a shared state pixmap, say); a null one leaves it invalid.
    void setPixmap(const QPixmap &pixmap);
    const QPixmap &current() const { return m_pixmap; }

    // Sharing of variants below w's TCacheServer under lookKey (empty: private pictures). Kept
    // until the next lookChanged().
    void setShareKey(const QWidget *w, const QString &lookKey);
    bool hasShareKey() const { return m_shareKnown; }

    // Number of rebuilds so far: what "repaints once" means for a cached picture.
    int rebuildCount() const { return m_rebuilds; }

private:
    bool takeVariant(const QSize &deviceSize, int variant);
    void keepVariant(int variant);

    QPixmap m_pixmap;
    QString m_shareKey;
    QVector<QPixmap> m_variants;
    int m_rebuilds = 0;
    bool m_valid = false;
    bool m_shareKnown = false;
};

#endif
