#include "MyVuMater.h"

#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;

} // namespace

MyVuMater::MyVuMater()
{
    design();
}

void MyVuMater::setSampleRate(double fs)
{
    if (!(fs > 0.0))
        return;
    m_fs = fs;
    design();
}

void MyVuMater::setVuDelay(double ms)
{
    if (!(ms > 0.0))
        return;
    m_delayMs = ms;
    design();
}

void MyVuMater::clearVu()
{
    m_peakFilter.clearDelay();
    m_needle.clearDelay();
    m_peak = 0.0;
    m_value = 0.0;
}

void MyVuMater::design()
{
    // A one-pole corner whose time constant is the rise time, and a needle low-pass a decade up.
    const double corner = 1000.0 / (2.0 * kPi * m_delayMs);
    m_peakFilter.setDcfLPF(corner, m_fs);
    m_needle.setDcfLPF(10.0 * corner, m_fs);
}

void MyVuMater::setValue(double x)
{
    m_peak = m_peakFilter.cal(std::fabs(x));
    m_value = m_needle.cal(m_peak);
}
