// The vintage-EQ graph: one full repaint of the default 474-pixel-wide graph with six non-flat
// sections (the responses of seven curves at every column, then the drawing), against the same
// drawing from curve points computed beforehand, in the same run. Also one drag step: a mouse
// move, its two writes, their notifications and one repaint of the picture.

#include "CVEQGraph.h"
#include "NS_Utilities.h"
#include "TParamMemory.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>

namespace {

constexpr int kElement = 11; // kEffect
constexpr int kUnit = 0;

// A graph bound to the embedded memory with every section boosted or cut.
struct Bench
{
    TParamMemory memory;
    CVEQGraph graph;
    QImage image;

    Bench()
    {
        graph.resize(graph.sizeHint());
        graph.setNamedAddress(QStringLiteral("FEkEffect/kVEQParam1"));
        memory.connectTree(&graph, kUnit);
        const int levels[] = {13, 17, 21, 25, 29, 33};
        const int values[] = {50, 20, 60, 14, 44, 58}; // +7, −8, +12, −11, +4, +11 dB
        for (int i = 0; i < 6; ++i)
            memory.setValue(kElement, levels[i], kUnit, values[i], memory.sourceId(), 1);
        image = QImage(graph.size(), QImage::Format_ARGB32_Premultiplied);
    }
};

void BM_RepaintFromModel(benchmark::State &state)
{
    Bench b;
    QPainter painter(&b.image);
    for (auto _ : state) {
        b.graph.repaintScreenPrimitive(painter);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_RepaintFromModel);

void BM_RepaintFromPoints(benchmark::State &state)
{
    Bench b;
    CVEQGraph::TCurves curves;
    b.graph.computeCurves(&curves);
    QPainter painter(&b.image);
    for (auto _ : state) {
        b.graph.repaintScreenPrimitive(painter, curves);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_RepaintFromPoints);

void BM_DragStep(benchmark::State &state)
{
    Bench b;
    CVEQGraph &g = b.graph;
    const QPoint start = g.pointerPosition(3) + g.graphRect().topLeft() + QPoint(1, 1);
    QMouseEvent press(QEvent::MouseButtonPress, start, g.mapToGlobal(start), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&g, &press);
    int step = 0;
    for (auto _ : state) {
        // Back and forth by a few pixels on both axes: every move changes both values.
        const QPoint at = start + (step++ % 2 ? QPoint(6, -6) : QPoint(-6, 6));
        QMouseEvent move(QEvent::MouseMove, at, g.mapToGlobal(at), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(&g, &move);
        g.render(&b.image);
    }
    state.counters["rebuilds/step"] =
            benchmark::Counter(double(g.pictureRebuildCount()), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_DragStep);

// Console output plus, at the end, the ratio of the two repaints.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs)
            if (run.run_type == Run::RT_Iteration && run.iterations > 0)
                m_times[run.run_name.function_name] = run.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        const std::string model = "BM_RepaintFromModel", points = "BM_RepaintFromPoints";
        if (m_times.count(model) && m_times.count(points) && m_times[points] > 0.0)
            std::printf("\nFull repaint / drawing from precomputed points: %.2fx\n",
                        m_times[model] / m_times[points]);
    }

private:
    std::map<std::string, double> m_times;
};

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
