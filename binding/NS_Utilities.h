#ifndef NS_UTILITIES_H
#define NS_UTILITIES_H

#include "zb4r_types.h"
#include "zb4r_widgets_export.h"

#include <QColor>
#include <QPixmap>
#include <QPoint>
#include <QSize>
#include <QStringList>

#include <atomic>

class QPainter;

// Editor services the widgets call. Only mainThreadRunning() and InterlockedExchangeAdd() may be
// called off the GUI thread.
namespace NS_Utilities {

ZB4R_WIDGETS_EXPORT bool mainThreadRunning();

// The editor's image of that file name, looked up in the folders given to addPixmapPath() (last
// added first) and then in the resource folder ":/zb4r/images". A null pixmap when not found.
// On a high-dpi screen a high-resolution variant ("knob@2x.png" for "knob.png") is taken where
// one exists, with its device pixel ratio set, so frames are cut from it at full resolution; it
// also stands in for a missing plain image.
ZB4R_WIDGETS_EXPORT QPixmap loadPixmap(const QString &name);
// The name of the high-resolution variant of name: "@2x" before the extension.
ZB4R_WIDGETS_EXPORT QString highResolutionName(const QString &name, int ratio = 2);
ZB4R_WIDGETS_EXPORT void addPixmapPath(const QString &folder);
ZB4R_WIDGETS_EXPORT QStringList pixmapPaths();

// Keyboard modifiers and mouse buttons held now, as one ButtonState set.
ZB4R_WIDGETS_EXPORT ButtonState modifierState();

// The one way cached pictures are made: a pixmap covering logicalSize at device pixel ratio
// ratio (its size in device pixels, rounded up), filled with fill. Null for an empty size.
ZB4R_WIDGETS_EXPORT QPixmap devicePixmap(const QSize &logicalSize, qreal ratio,
                                         const QColor &fill = Qt::transparent);
// strip as drawn on a device of ratio: itself when its own ratio is at least that, else a copy
// scaled smoothly to ratio (every frame of the grid scaled alike), made once per strip and ratio
// and kept in QPixmapCache.
ZB4R_WIDGETS_EXPORT QPixmap stripForRatio(const QPixmap &strip, const QSize &grid, qreal ratio);
// A picture's size in logical pixels (its device size over its device pixel ratio).
ZB4R_WIDGETS_EXPORT QSize logicalSize(const QPixmap &pixmap);

// Cuts strip into grid.width() columns and grid.height() rows of equal frames and draws the frame
// at (cell.x(), cell.y()) at the painter's origin, at the frame's logical size. A strip of a
// lower ratio than the painter's device is drawn from stripForRatio(), so it is scaled smoothly
// once rather than doubled on every paint. extra is unused (pass null).
ZB4R_WIDGETS_EXPORT void drawPartialPixmap(QPainter &painter, const QPoint &cell,
                                           const QPixmap &strip, const QSize &grid,
                                           QPixmap *extra = nullptr);
// The same frame drawn at a given point.
ZB4R_WIDGETS_EXPORT void drawPartialPixmap(QPainter &painter, const QPoint &cell,
                                           const QPixmap &strip, const QSize &grid,
                                           const QPoint &at);
// Source rectangle of one frame; empty when the grid or the strip is empty.
ZB4R_WIDGETS_EXPORT QRect partialPixmapRect(const QPoint &cell, const QSize &stripSize,
                                            const QSize &grid);

// A greyed copy: each pixel becomes a grey of compressed contrast, alpha kept.
ZB4R_WIDGETS_EXPORT QPixmap applyGreyTransformation(const QPixmap &pixmap);
ZB4R_WIDGETS_EXPORT QImage applyGreyTransformation(const QImage &image);

// Entries of a list held in a string property: split at sep, empty entries dropped.
ZB4R_WIDGETS_EXPORT QStringList splitList(const QString &text, QChar sep = QLatin1Char(';'));
// A number read like atoi: leading blanks, a sign, then digits up to the first other character;
// no digits read as 0. Base 16 reads hexadecimal digits (an "0x" prefix is allowed). Values past
// the int range saturate.
ZB4R_WIDGETS_EXPORT int atoiNumber(const QString &text, int base = 10);
// Every entry of a ";"-list read with atoiNumber().
ZB4R_WIDGETS_EXPORT QList<int> numberList(const QString &text, int base = 10);

// Repaints w when it exists and is visible; false otherwise.
template<class T>
inline bool geometry_change(T *w)
{
    if (w && w->isVisible()) {
        w->update();
        return true;
    }
    return false;
}

} // namespace NS_Utilities

// Adds d to *p atomically and returns the previous value; adding 0 reads.
inline long InterlockedExchangeAdd(std::atomic<long> *p, long d)
{
    return p->fetch_add(d);
}

#endif
