// Helpers shared by the filter toolkit's sources; not installed.
#ifndef FILTER_P_H
#define FILTER_P_H

#include "filter.h"

#include <cmath>

namespace zb4r_filter {

constexpr double kPi = 3.14159265358979323846;

// 10·log10 of a squared magnitude, with the toolkit's floor for anything not positive.
inline double dbOfPower(double power)
{
    return power > 0.0 ? 10.0 * std::log10(power) : FILTER::FloorDb;
}

// 0 < f < fs/2, which every design needs (false for NaNs).
inline bool insideBand(double f, double fs)
{
    return fs > 0.0 && f > 0.0 && f < 0.5 * fs;
}

} // namespace zb4r_filter

#endif // FILTER_P_H
