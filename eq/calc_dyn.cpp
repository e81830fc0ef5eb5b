#include "calc_dyn.h"

#include <algorithm>
#include <cstdlib>

const double dyn_slope_table[DYN_SLOPE_COUNT] = {
        1.0,         0.869565217, 0.769230769, 0.666666666666666,
        0.588235294, 0.5,         0.4,         0.333333333333333,
        0.285714285, 0.25,        0.2,         0.166666666666666,
        0.125,       0.1,         0.05,        0.0};

namespace {

// The expander divides by its slope: ratio inf : 1 expands with this one instead.
constexpr double kExpanderSlopeForInfinity = 0.01;
// Second slopes of the companders: the expansion below their width.
constexpr int kCompanderSoftSecondRatio = 10; // 5 : 1
constexpr int kCompanderHardSecondRatio = 3; // 1.5 : 1
// The companders' fixed knee, their make-up floor and ceiling.
constexpr int kCompanderKneeCode = 2;
constexpr int kMakeUpFloorDb = -18;
constexpr int kMakeUpCeilingDb = 6;
constexpr int kTenthsPerDb = 10;

// Knee table: for each code, (largest distance, lift) pairs tried in order; the first whose
// distance is not exceeded gives the lift, none gives 0. Distances are whole dB, so the table's
// "d < 1" is d <= 0.
struct TKneeStep
{
    int maxDistance;
    int lift;
};
constexpr int kKneeCodes = 6;
constexpr int kKneeSteps = 3;
constexpr TKneeStep kNoStep {-1, 0};
constexpr TKneeStep kKneeTable[kKneeCodes][kKneeSteps] = {
        {kNoStep, kNoStep, kNoStep}, // hard knee
        {{2, 2}, kNoStep, kNoStep},  {{4, 2}, kNoStep, kNoStep}, {{0, 4}, {6, 2}, kNoStep},
        {{2, 4}, {10, 2}, kNoStep},  {{0, 6}, {4, 4}, {14, 2}},
};

int truncated(double v)
{
    return static_cast<int>(v);
}

bool isSlopeOne(double s)
{
    return s == 1.0;
}

// The knee lift, none at ratio 1 : 1.
int kneeLift(double s, int x, int threshold, int kneeCode)
{
    if (isSlopeOne(s))
        return 0;
    return Calc_KneeOffset(std::abs(x - threshold), kneeCode);
}

// The compressed level before knee and gain: unchanged below the threshold.
int compressed(double s, int x, int threshold)
{
    return x < threshold ? x : truncated(s * (x - threshold) + threshold);
}

int compressorOut(double s, int x, const TCompCurveParams &p)
{
    const int y = compressed(s, x, p.threshold);
    const int k = kneeLift(s, x, p.threshold, p.knee);
    return truncated(y - k * (1.0 - s)) + p.gain / kTenthsPerDb;
}

int expanderOut(double s, int x, const TCompCurveParams &p)
{
    const double e = s == 0.0 ? kExpanderSlopeForInfinity : s;
    const int y = x < p.threshold ? truncated((x - p.threshold) / e + p.threshold) : x;
    const int k = kneeLift(s, x, p.threshold, p.knee);
    return Calc_DynBound(DYN_OUT_MIN_DB, truncated(y - k * (1.0 - e)) + p.gain / kTenthsPerDb,
                         DYN_OUT_MAX_DB);
}

// Compressed level with the companders' fixed knee, before make-up.
int companderCore(double s, int x, int threshold)
{
    const int y = compressed(s, x, threshold);
    const int k = kneeLift(s, x, threshold, kCompanderKneeCode);
    return truncated(y - k * (1.0 - s));
}

int companderOut(double s, int x, const TCompCurveParams &p)
{
    const double s2 =
            dyn_slope_table[p.type == DYN_TYPE_COMPANDER_SOFT ? kCompanderSoftSecondRatio
                                                              : kCompanderHardSecondRatio];
    const int T = p.threshold;
    const int makeUp = std::min(std::max(companderCore(s, 0, T), kMakeUpFloorDb)
                                        + (p.gainMaximum - p.gain) / kTenthsPerDb,
                                kMakeUpCeilingDb);
    const int widthEdge = T - (p.knee + 1);
    const int v = std::min(companderCore(s, x, T) - makeUp, 0);
    const int out = x >= widthEdge ? v : truncated(v - (widthEdge - x) * (1.0 / s2 - 1.0));
    return Calc_DynBound(DYN_OUT_MIN_DB, out, DYN_OUT_MAX_DB);
}

bool isVisible(int y)
{
    return y >= DYN_AXIS_MIN_DB && y <= DYN_AXIS_MAX_DB;
}

int toAxis(int y)
{
    return std::clamp(y, int(DYN_AXIS_MIN_DB), int(DYN_AXIS_MAX_DB));
}

// k * num / den, truncated; a divisor of -1 is a negation (no overflow at the extremes).
int scaledOffset(int k, int num, int den)
{
    return den == -1 ? -(k * num) : k * num / den;
}

} // namespace

int Calc_DynBound(int minimum, int value, int maximum)
{
    return std::max(minimum, std::min(maximum, value));
}

int Calc_DynThreshold(int tenths, int minimum, int maximum)
{
    return Calc_DynBound(minimum, tenths, maximum) / kTenthsPerDb;
}

double Calc_DynSlope(int ratio)
{
    return dyn_slope_table[Calc_DynBound(0, ratio, DYN_SLOPE_COUNT - 1)];
}

int Calc_KneeOffset(int distance, int kneeCode)
{
    if (kneeCode < 0 || kneeCode >= kKneeCodes)
        return 0;
    for (const TKneeStep &step : kKneeTable[kneeCode]) {
        if (distance <= step.maxDistance)
            return step.lift;
    }
    return 0;
}

int Calc_CompOut(const TCompCurveParams &p, int x)
{
    const double s = Calc_DynSlope(p.ratio);
    switch (p.type) {
    case DYN_TYPE_COMPRESSOR:
        return compressorOut(s, x, p);
    case DYN_TYPE_EXPANDER:
        return expanderOut(s, x, p);
    case DYN_TYPE_COMPANDER_SOFT:
    case DYN_TYPE_COMPANDER_HARD:
        return companderOut(s, x, p);
    default:
        return 0;
    }
}

int16_t Calc_GateOut(const TGateCurveParams &p, int x)
{
    const bool above = x > p.threshold;
    const bool attenuated = p.type == 0 ? !above : above;
    return static_cast<int16_t>(attenuated ? x + p.range : x);
}

void Calc_DynLine(int x1, int y1, int x2, int y2, TDynPixels &out)
{
    auto plot = [&out](int x, int y) {
        if (out.empty() || out.back().x != x || out.back().y != y)
            out.push_back({x, y});
    };
    const int dx = x2 - x1, dy = y2 - y1;
    // k is the signed offset from the start, so the last step lands exactly on the end point.
    if (std::abs(dx) < std::abs(dy)) {
        const int step = dy > 0 ? 1 : -1;
        for (int y = y1;; y += step) {
            plot(x1 + scaledOffset(y - y1, dx, dy), y);
            if (y == y2)
                break;
        }
        return;
    }
    if (dx == 0) {
        plot(x1, y1);
        return;
    }
    const int step = dx > 0 ? 1 : -1;
    for (int x = x1;; x += step) {
        plot(x, y1 + scaledOffset(x - x1, dy, dx));
        if (x == x2)
            break;
    }
}

void Calc_CompCurvePixels(const TCompCurveParams &p, int width, int height, TDynPixels &out)
{
    out.clear();
    if (width < 2 || height < 2)
        return;
    const int W = width - 1, H = height - 1;
    auto column = [W](int step) { return step * W / DYN_AXIS_STEPS; };
    auto row = [H](int y) { return H + (DYN_AXIS_MIN_DB - y) * H / DYN_AXIS_STEPS; };
    // Steps sharing a column make one segment. Steps are walked in order, so a segment never
    // starts left of the previous one's end.
    for (int start = 0; start < DYN_AXIS_STEPS;) {
        const int x = column(start);
        int end = start;
        while (end + 1 < DYN_AXIS_STEPS && column(end + 1) == x)
            ++end;
        int y0 = Calc_CompOut(p, start + DYN_AXIS_MIN_DB);
        int y1 = Calc_CompOut(p, end + 1 + DYN_AXIS_MIN_DB);
        int endColumn = column(end + 1);
        const bool startVisible = isVisible(y0), endVisible = isVisible(y1);
        if (startVisible || endVisible) {
            y0 = toAxis(y0);
            if (!endVisible) {
                y1 = toAxis(y1);
                endColumn = column(end);
            }
            Calc_DynLine(x, row(y0), endColumn, row(y1), out);
        }
        start = end + 1;
    }
}

void Calc_GateCurvePixels(const TGateCurveParams &p, int width, int height, TDynPixels &out)
{
    out.clear();
    if (width < 2 || height < 2)
        return;
    auto row = [height](int y) { return (height - 1) - (y - DYN_AXIS_MIN_DB); };
    for (int i = 0; i <= width - 2; ++i) {
        int y0 = Calc_GateOut(p, i + DYN_AXIS_MIN_DB);
        int y1 = Calc_GateOut(p, i + 1 + DYN_AXIS_MIN_DB);
        const bool startVisible = isVisible(y0), endVisible = isVisible(y1);
        if (!startVisible && !endVisible)
            continue;
        int endColumn = i + 1;
        y0 = toAxis(y0);
        if (!endVisible) {
            // An off-scale end becomes a vertical segment to the edge.
            y1 = toAxis(y1);
            endColumn = i;
        }
        Calc_DynLine(i, row(y0), endColumn, row(y1), out);
    }
}
