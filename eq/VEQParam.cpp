#include "VEQParam.h"

#include <climits>
#include <cmath>

namespace {

constexpr double kFirstDecade = 1.2;
constexpr double kStepsPerDecade = 40.0;

int truncToInt(double v)
{
    if (!(v > double(INT_MIN)))
        return v != v ? 0 : INT_MIN;
    if (v >= double(INT_MAX))
        return INT_MAX;
    return int(v);
}

} // namespace

double VEQParam::frequencyOfStep(int m)
{
    return std::pow(10.0, kFirstDecade + m / kStepsPerDecade);
}

VEQParam::VEQParam(int memMin, int memMax, float effMin, float effMax)
    : m_memMin(memMin)
    , m_memMax(memMax)
    , m_effMin(effMin)
    , m_effMax(effMax)
{
}

VEQParam::~VEQParam() = default;

std::unique_ptr<VEQParam> VEQParam::createParam(int kind, int memMin, int memMax, float effMin,
                                                float effMax)
{
    switch (kind) {
    case Linear:
        return std::make_unique<LinearVEQParam>(memMin, memMax, effMin, effMax);
    case Logarithmic:
        return std::make_unique<LogVEQParam>(memMin, memMax, effMin, effMax);
    case Plain:
        return std::make_unique<NullVEQParam>(memMin, memMax, effMin, effMax);
    case FrequencyTable:
        return std::make_unique<FreqTblVEQParam>(memMin, memMax, effMin, effMax);
    default:
        return nullptr;
    }
}

int VEQParam::memFromFraction(double fraction) const
{
    return truncToInt(m_memMin + fraction * (double(m_memMax) - m_memMin));
}

float LinearVEQParam::toEffect(int m) const
{
    // A single-step range has no slope: it reads as its minimum.
    if (memMax() == memMin())
        return effMin();
    const double t = (double(m) - memMin()) / (double(memMax()) - memMin());
    return float(effMin() + t * (double(effMax()) - effMin()));
}

int LinearVEQParam::toMem(float v) const
{
    if (effMax() == effMin())
        return memMin();
    return memFromFraction((double(v) - effMin()) / (double(effMax()) - effMin()));
}

float LogVEQParam::toEffect(int m) const
{
    if (memMax() == memMin())
        return effMin();
    const double t = (double(m) - memMin()) / (double(memMax()) - memMin());
    return float(effMin() * std::exp(std::log(double(effMax()) / effMin()) * t));
}

int LogVEQParam::toMem(float v) const
{
    const double span = std::log(double(effMax()) / effMin());
    if (!(v > 0.0f) || !(effMin() > 0.0f) || !(span != 0.0) || !std::isfinite(span))
        return memMin();
    return memFromFraction(std::log(double(v) / effMin()) / span);
}

float NullVEQParam::toEffect(int m) const
{
    return float(m);
}

int NullVEQParam::toMem(float v) const
{
    return truncToInt(v);
}

float FreqTblVEQParam::toEffect(int m) const
{
    if (m < 0)
        m = 0;
    if (m >= FrequencyCount)
        m = FrequencyCount - 1;
    return float(frequencyOfStep(m));
}

int FreqTblVEQParam::toMem(float v) const
{
    if (!(v > float(frequencyOfStep(0))))
        return 0;
    for (int m = 1; m < FrequencyCount; ++m) {
        if (v <= float(frequencyOfStep(m)))
            return m;
    }
    return FrequencyCount - 1;
}
