#include "geq_bars.h"

#include <algorithm>
#include <cstdlib>

namespace {

// Upper bounds (exclusive) of |gain| in tenths for shapes 7, 6, ... 2; up to 180 is shape 1,
// above it shape 0. The same steps as the calculator's Q choice for 31 bands.
constexpr int kShapeLimits[] = {11, 36, 61, 86, 161, 171};
constexpr int kShapeOneLimit = 180;
constexpr int kTenthsPerDb = 10;

// Adds sign * row value to one point and clamps it at once.
inline void addClamped(int16_t &point, int value, int minimum, int maximum)
{
    point = int16_t(std::clamp(point + value, minimum, maximum));
}

} // namespace

int GEQ_ShapeOfGain(int absTenths)
{
    int shape = GEQ_SHAPES - 1;
    for (int limit : kShapeLimits) {
        if (absTenths < limit)
            return shape;
        --shape;
    }
    return absTenths <= kShapeOneLimit ? 1 : 0;
}

int GEQ_RowOfGain(int absTenths)
{
    const int dB = absTenths / kTenthsPerDb;
    return dB == 0 ? 0 : std::min(dB - 1, GEQ_GAIN_ROWS - 1);
}

int GEQ_BandCentre(int band)
{
    return band == 0 ? 0 : GEQ_POINTS_PER_BAND * band - 1;
}

void GEQ_SumBands(int16_t curve[GEQ_CURVE_POINTS], const int16_t gains[GEQ_MAX_BANDS],
                  int16_t maximum, int16_t minimum)
{
    std::fill(curve, curve + GEQ_CURVE_POINTS, int16_t(0));
    const int lo = minimum, hi = maximum;
    for (int b = 0; b < GEQ_MAX_BANDS; ++b) {
        const int gain = gains[b];
        if (gain == 0)
            continue;
        const int magnitude = std::abs(gain);
        const int16_t *row =
                geq_table[GEQ_ShapeOfGain(magnitude) * GEQ_GAIN_ROWS + GEQ_RowOfGain(magnitude)];
        // Word 1 is `first`; the n stored values follow, value n - 1 being the peak.
        const int n = GEQ_CURVE_POINTS - row[EQ_ROW_EXTENT_WORD];
        const int16_t *values = row + EQ_ROW_HEADER_WORDS;
        const int c = GEQ_BandCentre(b);
        const int sign = gain > 0 ? 1 : -1;
        // Rising half: the point just left of the centre takes value n - 2. With c == n, point 0
        // would take value -1, which does not exist: it gets nothing.
        for (int x = std::max(0, c - n + 1); x < c; ++x)
            addClamped(curve[x], sign * values[x - c + n - 1], lo, hi);
        // Falling half, from the peak at the centre on.
        const int falling = std::min(GEQ_CURVE_POINTS - c, n);
        for (int j = 0; j < falling; ++j)
            addClamped(curve[c + j], sign * values[n - 1 - j], lo, hi);
    }
}
