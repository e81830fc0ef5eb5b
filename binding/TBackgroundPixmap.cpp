#include "TBackgroundPixmap.h"

#include "NS_Utilities.h"

#include <QPainter>
#include <QPalette>
#include <QWidget>

#include <cmath>

const QPixmap &TBackgroundPixmap::pixmap(const QWidget *w, const Painter &paint, bool transparent)
{
    if (!w)
        return m_pixmap;

    // Built in device pixels, so a high-dpi screen gets a sharp picture of the widget's
    // logical size.
    const qreal ratio = w->devicePixelRatioF();
    const QSize deviceSize(int(std::ceil(w->width() * ratio)), int(std::ceil(w->height() * ratio)));
    const bool fits =
            m_pixmap.size() == deviceSize && qFuzzyCompare(m_pixmap.devicePixelRatio(), ratio);
    if (m_valid && fits)
        return m_pixmap;

    if (deviceSize.isEmpty()) {
        // Nothing to paint on; built once the widget has a size.
        m_pixmap = QPixmap();
        m_valid = false;
        return m_pixmap;
    }

    // A value change repaints a picture of the same size: keep its buffer. (One shared with a
    // cache is copied on write by the painter, so the cached picture stays as it is.)
    if (!fits)
        m_pixmap = NS_Utilities::devicePixmap(w->size(), ratio);
    m_pixmap.fill(transparent ? QColor(Qt::transparent) : w->palette().color(QPalette::Window));
    {
        QPainter painter(&m_pixmap);
        if (paint)
            paint(painter);
    }
    m_valid = true;
    ++m_rebuilds;
    return m_pixmap;
}

void TBackgroundPixmap::paint(QPainter &painter, const QWidget *w, const Painter &paintPicture,
                              bool transparent)
{
    const QPixmap &picture = pixmap(w, paintPicture, transparent);
    if (!picture.isNull())
        painter.drawPixmap(QPoint(0, 0), picture);
}

void TBackgroundPixmap::lookChanged(QWidget *w)
{
    m_valid = false;
    if (w)
        w->update();
}

void TBackgroundPixmap::setPixmap(const QPixmap &pixmap)
{
    m_pixmap = pixmap;
    m_valid = !pixmap.isNull();
}
