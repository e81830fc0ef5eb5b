#ifndef CAXISCONV_H
#define CAXISCONV_H

#include "zb4r_widgets_export.h"

#include <QPoint>
#include <QPointF>

// An affine model-to-pixel mapping. With u = (x - x0) / dx and v = (y - y0) / dy a model point
// maps to X = u·a + v·b + X0 and Y = v·c + u·d + Y0. Each setter sets the origins, the extents
// and its own three coefficients; the fourth keeps what it had (0 in a fresh mapping).
class ZB4R_WIDGETS_EXPORT AxisConv
{
public:
    // Model x runs along the pixel line (X0, Y0)..(X1, Y1); model y runs straight down the
    // pixel rows by k per unit of v (a = X1 - X0, d = Y1 - Y0, c = k).
    void SetAxisY(float x0, float y0, float x1, float y1, float X0, float Y0, float X1, float Y1,
                  float k);
    // Model y runs along the pixel line (X0, Y0)..(X1, Y1); model x runs across the pixel
    // columns by k per unit of u (b = X1 - X0, c = Y1 - Y0, a = k).
    void SetAxisX(float x0, float y0, float x1, float y1, float X0, float Y0, float X1, float Y1,
                  float k);

    QPointF GetPointF(float x, float y) const;
    // The same, truncated towards zero.
    QPoint GetPoint(float x, float y) const;
    QPoint GetPoint(const QPoint &p) const { return GetPoint(float(p.x()), float(p.y())); }

    float a() const { return m_a; }
    float b() const { return m_b; }
    float c() const { return m_c; }
    float d() const { return m_d; }

private:
    void setOrigins(float x0, float y0, float x1, float y1, float X0, float Y0);

    float m_x0 = 0, m_y0 = 0, m_dx = 0, m_dy = 0;
    float m_X0 = 0, m_Y0 = 0;
    float m_a = 0, m_b = 0, m_c = 0, m_d = 0;
};

#endif
