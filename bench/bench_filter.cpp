// Filter response evaluation at the vintage-EQ graph's width (474 log-spaced points, 20 Hz to
// 20 kHz): FILTER::power of a 6-biquad cascade and FILTER2PEQ::power_boost, each against a naive
// std::complex evaluation of the same coefficients (std::exp(−jω) per section, a complex division,
// std::norm and log10). Prints the speed ratio and the largest difference of each pair at the end.

#include "filter.h"
#include "filterPEQ.h"

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

constexpr double kPi = 3.14159265358979323846;
constexpr int kPoints = 474;
constexpr double kLowHz = 20.0, kHighHz = 20000.0, kRate = 48000.0;

std::vector<double> graphFrequencies()
{
    std::vector<double> f(kPoints);
    for (int i = 0; i < kPoints; ++i)
        f[size_t(i)] = kLowHz * std::pow(10.0, i * std::log10(kHighHz / kLowHz) / kPoints);
    return f;
}

// Six biquads: a 12th-order Chebyshev low-pass with its corner inside the graph.
FILTER cascade()
{
    FILTER filter;
    filter.setCoefLPFChev(12, 9000.0, kRate, 0.5);
    return filter;
}

FILTER2PEQ band()
{
    FILTER2PEQ stage;
    stage.setCoefBPF_C(1000.0, kRate, 2.0, 9.0);
    return stage;
}

void naiveCascadeDb(const FILTER &filter, const std::vector<double> &f, std::vector<double> &out)
{
    for (size_t i = 0; i < f.size(); ++i) {
        const double omega = 2.0 * kPi * f[i] / kRate;
        Complex h = 1.0;
        for (long k = 0; const double *c = filter.coefficients(k); ++k) {
            const Complex z1 = std::exp(Complex(0.0, -omega)), z2 = z1 * z1;
            h *= (c[0] + c[1] * z1 + c[2] * z2) / (1.0 - c[3] * z1 - c[4] * z2);
        }
        out[i] = 10.0 * std::log10(std::norm(h));
    }
}

void naiveBoostDb(const FILTER2PEQ &stage, const std::vector<double> &f, std::vector<double> &out)
{
    const double *c = stage.coefficients(), K = stage.gainFactor();
    for (size_t i = 0; i < f.size(); ++i) {
        const Complex z1 = std::exp(Complex(0.0, -2.0 * kPi * f[i] / kRate)), z2 = z1 * z1;
        const Complex bp = c[2] * (1.0 - z2) / (1.0 + c[0] * z1 + c[1] * z2);
        out[i] = 10.0 * std::log10(std::norm(1.0 + K * bp));
    }
}

double largestDifference(const std::vector<double> &a, const std::vector<double> &b)
{
    double worst = 0.0;
    for (size_t i = 0; i < a.size(); ++i)
        worst = std::max(worst, std::abs(a[i] - b[i]));
    return worst;
}

std::map<std::string, double> &differences()
{
    static std::map<std::string, double> d;
    return d;
}

void cascadePower(benchmark::State &state)
{
    const FILTER filter = cascade();
    const std::vector<double> f = graphFrequencies();
    std::vector<double> out(f.size()), naive(f.size());
    for (auto _ : state) {
        for (size_t i = 0; i < f.size(); ++i)
            out[i] = filter.power(f[i], kRate);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    naiveCascadeDb(filter, f, naive);
    differences()["cascade"] = state.counters["maxDiff_dB"] = largestDifference(out, naive);
}

void cascadeNaive(benchmark::State &state)
{
    const FILTER filter = cascade();
    const std::vector<double> f = graphFrequencies();
    std::vector<double> out(f.size());
    for (auto _ : state) {
        naiveCascadeDb(filter, f, out);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
}

void bandBoost(benchmark::State &state)
{
    const FILTER2PEQ stage = band();
    const std::vector<double> f = graphFrequencies();
    std::vector<double> out(f.size()), naive(f.size());
    for (auto _ : state) {
        for (size_t i = 0; i < f.size(); ++i)
            out[i] = stage.power_boost(f[i], kRate, stage.gainFactor());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    naiveBoostDb(stage, f, naive);
    differences()["band"] = state.counters["maxDiff_dB"] = largestDifference(out, naive);
}

void bandNaive(benchmark::State &state)
{
    const FILTER2PEQ stage = band();
    const std::vector<double> f = graphFrequencies();
    std::vector<double> out(f.size());
    for (auto _ : state) {
        naiveBoostDb(stage, f, out);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
}

// Console output plus, at the end, naive / toolkit for each pair, in CPU time (the build machine
// is shared, so wall time mostly measures the neighbours).
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs)
            if (run.run_type == Run::RT_Iteration)
                m_times[run.benchmark_name()] = run.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        ratio("FILTER::power, 6 biquads, 474 points: naive / toolkit", "Cascade/naive",
              "Cascade/power", "cascade");
        ratio("FILTER2PEQ::power_boost, 474 points: naive / toolkit", "Band/naive",
              "Band/power_boost", "band");
    }

private:
    void ratio(const char *what, const std::string &baseline, const std::string &candidate,
               const std::string &pair)
    {
        if (m_times.count(baseline) && m_times.count(candidate) && m_times[candidate] > 0.0)
            std::printf("%s: %.2fx, largest difference %.2g dB\n", what,
                        m_times[baseline] / m_times[candidate], differences()[pair]);
    }
    std::map<std::string, double> m_times;
};

} // namespace

int main(int argc, char **argv)
{
    benchmark::RegisterBenchmark("Cascade/power", cascadePower);
    benchmark::RegisterBenchmark("Cascade/naive", cascadeNaive);
    benchmark::RegisterBenchmark("Band/power_boost", bandBoost);
    benchmark::RegisterBenchmark("Band/naive", bandNaive);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
