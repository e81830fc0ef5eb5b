#include "CAxisConv.h"

#include <cmath>

void AxisConv::setOrigins(float x0, float y0, float x1, float y1, float X0, float Y0)
{
    m_x0 = x0;
    m_y0 = y0;
    m_dx = x1 - x0;
    m_dy = y1 - y0;
    m_X0 = X0;
    m_Y0 = Y0;
}

void AxisConv::SetAxisY(float x0, float y0, float x1, float y1, float X0, float Y0, float X1,
                        float Y1, float k)
{
    setOrigins(x0, y0, x1, y1, X0, Y0);
    m_a = X1 - X0;
    m_d = Y1 - Y0;
    m_c = k;
}

void AxisConv::SetAxisX(float x0, float y0, float x1, float y1, float X0, float Y0, float X1,
                        float Y1, float k)
{
    setOrigins(x0, y0, x1, y1, X0, Y0);
    m_b = X1 - X0;
    m_c = Y1 - Y0;
    m_a = k;
}

QPointF AxisConv::GetPointF(float x, float y) const
{
    // A zero extent leaves that coordinate at its origin.
    const float u = m_dx != 0 ? (x - m_x0) / m_dx : 0.0f;
    const float v = m_dy != 0 ? (y - m_y0) / m_dy : 0.0f;
    return QPointF(u * m_a + v * m_b + m_X0, v * m_c + u * m_d + m_Y0);
}

QPoint AxisConv::GetPoint(float x, float y) const
{
    const QPointF p = GetPointF(x, y);
    auto truncated = [](double v) { return std::isfinite(v) && std::fabs(v) < 1.0e9 ? int(v) : 0; };
    return QPoint(truncated(p.x()), truncated(p.y()));
}
