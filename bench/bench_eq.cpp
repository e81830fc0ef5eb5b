// EQ curve calculation: the table-driven calculator against a direct
// double-precision evaluation of the same analog responses at the same
// points, and the incremental graphic-EQ update against a full pass.
// Prints the speed ratios of each pair at the end of the run.

#include "calc_eq.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

using Complex = std::complex<double>;

constexpr int kPoints = EQ_MAX_POINTS;
constexpr int kStartIndex = 0;
constexpr int kEndIndex = 254; // the EQ curve widget's axis
constexpr double kUnitsPerDb = 512.0;

const double kQ[] = {0.10, 0.11, 0.125, 0.14, 0.16, 0.18, 0.20, 0.22, 0.25, 0.28, 0.32, 0.35,
                     0.40, 0.45, 0.50,  0.56, 0.63, 0.70, 0.80, 0.90, 1.0,  1.1,  1.25, 1.4,
                     1.6,  1.8,  2.0,   2.2,  2.5,  2.8,  3.2,  3.5,  4.0,  4.5,  5.0,  5.6,
                     6.3,  7.0,  8.0,   9.0,  10,   11,   12.5, 14,   16};

T_EQ_BAND record(int group, int type, int gain, int frequency, int q, int variant = 1, int full = 0)
{
    T_EQ_BAND b {};
    b.group = uint8_t(group);
    b.type = uint8_t(type);
    b.gain = gain;
    b.frequency = uint16_t(frequency);
    b.q = uint8_t(q);
    b.variant = uint8_t(variant);
    b.full = uint8_t(full);
    b.enabled = 1;
    return b;
}

// Input EQ: low shelf, two peaks, a peak on top, second-order high-pass; each
// record its own group, so the shapes add in dB.
T_EQ_DATASET inputEq()
{
    T_EQ_DATASET d {};
    d.magnitudeMode = 1;
    const T_EQ_BAND bands[] = {
            record(0, EQ_TYPE_LOW_SHELF, 450, 60, 0), record(1, EQ_TYPE_PEAKING, -650, 110, 40),
            record(2, EQ_TYPE_PEAKING, 820, 170, 24), record(3, EQ_TYPE_PEAKING, 300, 220, 56),
            record(4, EQ_TYPE_HIGH_PASS, 0, 30, 34)};
    for (const T_EQ_BAND &b : bands)
        d.bands[d.count++] = b;
    return d;
}

// Eight band-pass bands in two linear-sum groups, each with a flat full member.
T_EQ_DATASET eightBandParallel()
{
    T_EQ_DATASET d {};
    d.magnitudeMode = 1;
    const T_EQ_BAND bands[] = {record(0, EQ_TYPE_BAND_PASS, 600, 40, 30),
                               record(0, EQ_TYPE_BAND_PASS, -900, 90, 50),
                               record(0, EQ_TYPE_BAND_PASS, 1200, 140, 60),
                               record(0, EQ_TYPE_BAND_PASS, -300, 200, 40),
                               record(0, EQ_TYPE_FLAT, 0, 0, 0, 0, 1),
                               record(1, EQ_TYPE_BAND_PASS, 450, 60, 20),
                               record(1, EQ_TYPE_BAND_PASS, -1500, 120, 70),
                               record(1, EQ_TYPE_BAND_PASS, 800, 180, 44),
                               record(1, EQ_TYPE_BAND_PASS, 200, 240, 30),
                               record(1, EQ_TYPE_FLAT, 0, 0, 0, 0, 1)};
    for (const T_EQ_BAND &b : bands)
        d.bands[d.count++] = b;
    return d;
}

// The obvious alternative: the analog responses themselves, per point, with
// std::complex. One exp2 per point and one log2 per point and group.
struct DirectBand
{
    explicit DirectBand(const T_EQ_BAND &b)
        : band(b)
        , inverseW(std::exp2(-b.frequency / 24.0))
        , Q(b.type == EQ_TYPE_BAND_PASS ? 0.794 * kQ[b.q / 2] : kQ[b.q / 2])
        , K(std::exp2(std::abs(b.gain) / 600.0))
        , cut(b.gain < 0)
    {
    }

    // |H|^2 at w (relative to 1 at index 0); cuts mirror boosts in dB.
    double power(double w) const
    {
        const Complex s(0.0, w * inverseW);
        switch (band.type) {
        case EQ_TYPE_PEAKING: {
            const double p = std::norm((s * s + (K / Q) * s + 1.0) / (s * s + s / Q + 1.0));
            return cut ? 1.0 / p : p;
        }
        case EQ_TYPE_HIGH_PASS:
            return std::norm(band.variant ? s * s / (s * s + s / Q + 1.0) : s / (s + 1.0));
        case EQ_TYPE_LOW_SHELF: {
            const Complex h = (s + std::sqrt(K)) / (s + 1.0);
            const double p = std::norm(h * h);
            return cut ? 1.0 / p : p;
        }
        case EQ_TYPE_BAND_PASS: {
            // Band-pass shapes are defined in dB: gain times the normalised magnitude.
            const double m = std::abs((s / Q) / (s * s + s / Q + 1.0));
            return std::exp2((cut ? -2.0 : 2.0) * std::abs(band.gain) / 600.0 * m);
        }
        default:
            return 1.0;
        }
    }

    T_EQ_BAND band;
    double inverseW, Q, K;
    bool cut;
};

void directResponse(const T_EQ_DATASET &d, std::vector<double> &units)
{
    std::vector<DirectBand> bands;
    for (int r = 0; r < d.count; ++r)
        bands.emplace_back(d.bands[r]);
    const double step = double(kEndIndex - kStartIndex) / (kPoints - 1);
    for (int i = 0; i < kPoints; ++i) {
        const double w = std::exp2((kStartIndex + i * step) / 24.0);
        double power = 1.0; // of the groups that add in dB
        double groupsLog2 = 0.0; // of the linear-sum groups
        for (size_t r = 0; r < bands.size();) {
            size_t end = r;
            while (end < bands.size() && bands[end].band.group == bands[r].band.group)
                ++end;
            if (end - r == 1) {
                power *= bands[r].power(w);
            } else {
                double linear = 0.0;
                for (; r < end; ++r)
                    linear += std::sqrt(bands[r].power(w)) - (bands[r].band.full ? 0.0 : 1.0);
                groupsLog2 += std::log2(std::abs(linear));
            }
            r = end;
        }
        units[size_t(i)] = 1536.0 * std::log2(power) + 3072.0 * groupsLog2;
    }
}

struct Curve
{
    Curve()
        : values(kPoints)
    {
        curve.values = values.data();
        curve.count = kPoints;
        curve.startIndex = kStartIndex;
        curve.endIndex = kEndIndex;
    }
    std::vector<int32_t> values;
    T_EQ_CURVE curve {};
};

double largestDifferenceDb(T_EQ_DATASET d)
{
    Curve c;
    Calc_EQGain(&c.curve, &d);
    std::vector<double> reference(kPoints);
    directResponse(d, reference);
    double worst = 0.0;
    for (int i = 0; i < kPoints; ++i)
        worst = std::max(worst, std::abs(c.values[size_t(i)] - reference[size_t(i)]) / kUnitsPerDb);
    return worst;
}

void tableCurve(benchmark::State &state, T_EQ_DATASET d)
{
    Curve c;
    for (auto _ : state) {
        benchmark::DoNotOptimize(Calc_EQGain(&c.curve, &d));
        benchmark::ClobberMemory();
    }
    state.counters["maxDiff_dB"] = largestDifferenceDb(d);
}

void directCurve(benchmark::State &state, T_EQ_DATASET d)
{
    std::vector<double> units(kPoints);
    for (auto _ : state) {
        directResponse(d, units);
        benchmark::DoNotOptimize(units.data());
        benchmark::ClobberMemory();
    }
}

T_GEQ_DATASET graphicEq()
{
    T_GEQ_DATASET d {};
    d.bandCode = 31;
    for (int b = 0; b < GEQ_MAX_BANDS; ++b)
        d.bandGain[b] = ((b * 7) % 13 - 6) * 250;
    d.notchCount = 2;
    d.notchFrequency[0] = 90;
    d.notchQ[0] = 100;
    d.notchFrequency[1] = 180;
    d.notchQ[1] = 80;
    d.hpfFrequency = 20;
    d.lpfFrequency = 240;
    return d;
}

void geqFaderMove(benchmark::State &state)
{
    Curve c;
    T_GEQ_DATASET previous {}, current = graphicEq();
    Calc_GEQGain(&c.curve, &previous, &current, 1);
    int32_t gains[2] = {current.bandGain[15], 1100};
    int move = 0;
    for (auto _ : state) {
        current.bandGain[15] = gains[++move & 1];
        benchmark::DoNotOptimize(Calc_GEQGain(&c.curve, &previous, &current, 0));
        benchmark::ClobberMemory();
    }
}

void geqFullPass(benchmark::State &state)
{
    Curve c;
    T_GEQ_DATASET previous {}, current = graphicEq();
    for (auto _ : state) {
        benchmark::DoNotOptimize(Calc_GEQGain(&c.curve, &previous, &current, 1));
        benchmark::ClobberMemory();
    }
}

// Console output plus, at the end, baseline / candidate for each pair.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs)
            if (run.run_type == Run::RT_Iteration)
                m_times[run.benchmark_name()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        ratio("input EQ 4 bands + HPF, 571 points: direct / table", "InputEq/direct",
              "InputEq/table");
        ratio("8 bands in linear-sum groups, 571 points: direct / table", "EightBandLinear/direct",
              "EightBandLinear/table");
        ratio("31-band graphic EQ: full pass / one fader move", "Geq31/fullPass",
              "Geq31/faderMove");
    }

private:
    void ratio(const char *what, const std::string &baseline, const std::string &candidate)
    {
        if (m_times.count(baseline) && m_times.count(candidate) && m_times[candidate] > 0.0)
            std::printf("%s: %.1fx\n", what, m_times[baseline] / m_times[candidate]);
    }
    std::map<std::string, double> m_times;
};

} // namespace

int main(int argc, char **argv)
{
    benchmark::RegisterBenchmark("InputEq/table", tableCurve, inputEq());
    benchmark::RegisterBenchmark("InputEq/direct", directCurve, inputEq());
    benchmark::RegisterBenchmark("EightBandLinear/table", tableCurve, eightBandParallel());
    benchmark::RegisterBenchmark("EightBandLinear/direct", directCurve, eightBandParallel());
    benchmark::RegisterBenchmark("Geq31/faderMove", geqFaderMove);
    benchmark::RegisterBenchmark("Geq31/fullPass", geqFullPass);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
