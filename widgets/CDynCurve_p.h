#ifndef CDYNCURVE_P_H
#define CDYNCURVE_P_H

// Shared by the dynamics curves (CCompCurve, CGateCurve); not installed.

#include "IMemAPI.h"
#include "calc_dyn.h"

#include <QColor>
#include <QPainter>
#include <QPen>
#include <QVector>

namespace DynCurve {

const QColor kLineColour(139, 183, 212);
// Without a background texture or pixmap.
constexpr int kHintWidth = 40;
constexpr int kHintHeight = 30;

// One parameter as read from the memory: signed 16-bit each, as the console holds them.
struct TReading
{
    qint16 value = 0;
    qint16 minimum = 0;
    qint16 maximum = 0;

    bool operator==(const TReading &o) const
    {
        return value == o.value && minimum == o.minimum && maximum == o.maximum;
    }
    bool operator!=(const TReading &o) const { return !(*this == o); }
};

inline TReading read(IMemAPI *api, int e, int p, int c)
{
    TReading r;
    r.value = qint16(api->getValue(e, p, c, 0, 0));
    r.minimum = qint16(api->getMinimum(e, p, c, 0));
    r.maximum = qint16(api->getMaximum(e, p, c, 0));
    return r;
}

// The curve's pixels in one call: one painter call per pixel is slow.
inline void drawPixels(QPainter &painter, const TDynPixels &pixels)
{
    QVector<QPoint> points;
    points.reserve(int(pixels.size()));
    for (const TDynPixel &p : pixels)
        points.append(QPoint(p.x, p.y));
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(kLineColour, 0, Qt::SolidLine));
    painter.drawPoints(points.constData(), points.size());
}

} // namespace DynCurve

#endif
