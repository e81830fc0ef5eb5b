// The graphic-EQ display: summing 31 non-zero bands into the 271 points from the band-shape
// rows, against evaluating the same 31 analog peaking responses directly in double precision;
// and a whole paint of a 300 x 80 widget, against the same paint fed by the direct evaluation.
// Prints the ratios (of CPU times: the build machine is shared) at the end of the run.

#include "CGEQCurve.h"
#include "TParamMemory.h"
#include "geq_bars.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <map>
#include <string>

namespace {

constexpr int kPoints = GEQ_CURVE_POINTS;
constexpr int kBands = GEQ_MAX_BANDS;
const double kShapeQ[GEQ_SHAPES] = {10, 9, 8, 7, 6.3, 5.6, 5.0, 4.5};
const QSize kWidgetSize(300, 80);

// Every band non-zero, boosts and cuts of all sizes within the console's +-18 dB.
struct Gains
{
    int16_t tenths[kBands];
    Gains()
    {
        for (int b = 0; b < kBands; ++b) {
            const int g = (b * 53) % 361 - 180;
            tenths[b] = int16_t(g == 0 ? 15 : g);
        }
    }
};

// The responses evaluated at every point: 3072 log2|H| summed over the bands, clamped once.
void directCurve(const int16_t *gains, int16_t *curve)
{
    for (int x = 0; x < kPoints; ++x) {
        double units = 0.0;
        for (int b = 0; b < kBands; ++b) {
            const int tenths = std::abs(gains[b]);
            const double K = std::pow(2.0, tenths / 60.0);
            const double Q = kShapeQ[GEQ_ShapeOfGain(tenths)];
            const std::complex<double> s(
                    0.0, std::pow(2.0, double(x - GEQ_BandCentre(b)) / GEQ_STEPS_PER_OCTAVE));
            const std::complex<double> h = (s * s + (K / Q) * s + 1.0) / (s * s + s / Q + 1.0);
            units += (gains[b] > 0 ? 3072.0 : -3072.0) * std::log2(std::abs(h));
        }
        curve[x] = int16_t(std::clamp(std::lround(units), -10240L, 10240L));
    }
}

void BM_SumRows(benchmark::State &state)
{
    const Gains g;
    int16_t curve[kPoints];
    for (auto _ : state) {
        GEQ_SumBands(curve, g.tenths, 10240, -10240);
        benchmark::DoNotOptimize(curve);
        benchmark::ClobberMemory();
    }
}

void BM_SumDirect(benchmark::State &state)
{
    const Gains g;
    int16_t curve[kPoints];
    for (auto _ : state) {
        directCurve(g.tenths, curve);
        benchmark::DoNotOptimize(curve);
        benchmark::ClobberMemory();
    }
}

void BM_PaintWidget(benchmark::State &state)
{
    const Gains g;
    TParamMemory memory;
    CGEQCurve widget(nullptr, "bench");
    widget.setNamedAddress(QStringLiteral("00kGEQ/kGEQBand1"));
    widget.resize(kWidgetSize);
    memory.connectProxy(&widget, 0);
    const IMemAPI::TSingleAddress a = widget.address();
    for (int b = 0; b < kBands; ++b)
        memory.setValue(a.element, a.parameter + b, a.channel, g.tenths[b], 1, 1);
    QImage image(kWidgetSize, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&image);
        widget.repaintScreenPrimitive(painter);
    }
}

void BM_PaintDirect(benchmark::State &state)
{
    const Gains g;
    QWidget look;
    const QColor window = look.palette().color(QPalette::Window);
    const QColor text = look.palette().color(QPalette::WindowText);
    QImage image(kWidgetSize, QImage::Format_RGB32);
    int16_t curve[kPoints + 1];
    for (auto _ : state) {
        QPainter painter(&image);
        painter.fillRect(QRect(QPoint(0, 0), kWidgetSize), window);
        directCurve(g.tenths, curve);
        CGEQCurve::drawCurveBars(painter, curve, 0, kWidgetSize, text);
    }
}

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
        ratio("31 bands into 271 points: direct / rows", "BM_SumDirect", "BM_SumRows");
        ratio("300x80 paint: direct-fed / widget", "BM_PaintDirect", "BM_PaintWidget");
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

BENCHMARK(BM_SumRows)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SumDirect)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PaintWidget)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PaintDirect)->Unit(benchmark::kMicrosecond);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
