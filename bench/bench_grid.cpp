// The channel grid:
//  - full repaint of a 64 x 64 grid in selection mode, one ball per row, against a QTableWidget
//    of 64 x 64 13-pixel cells showing the same ball icons;
//  - bursts of N changes over 64 channels from a worker thread with autoUpdates: repaints per
//    burst and the time until the last value shows.
// The ratios are printed after the table.

#include "CGrid.h"
#include "TParamMemory.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QPainter>
#include <QTableWidget>
#include <QThread>

#include <benchmark/benchmark.h>

#include <chrono>
#include <map>
#include <memory>

namespace {

constexpr int kSide = 64;
constexpr int kCell = 13;

const char kCatalogue[] = R"({
 "name": "Grid bench console",
 "sections": [
  {"key": "kPatch", "element": 1, "channels": 64, "params": [
    {"key": "kSel", "id": 0, "min": 0, "max": 64, "default": 0}]}
 ]
})";

QPixmap ball()
{
    QPixmap pm(9, 9);
    pm.fill(Qt::white);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 30, 20));
    p.drawEllipse(QRectF(0.5, 0.5, 8, 8));
    return pm;
}

struct GridRig
{
    GridRig()
    {
        memory.loadCatalogue(QByteArray(kCatalogue));
        grid = std::make_unique<CGrid>();
        grid->setHorCount(kSide);
        grid->setVerCount(kSide);
        grid->setBallImg(ball());
        grid->setNamedAddress(QStringLiteral("00kPatch/kSel"));
        for (int c = 0; c < kSide; ++c)
            memory.setValue(1, 0, c, 1 + (c * 7) % kSide, memory.sourceId(0) + 1);
    }
    TParamMemory memory;
    std::unique_ptr<CGrid> grid;
};

void BM_Repaint_CGrid(benchmark::State &state)
{
    GridRig rig;
    rig.memory.connectTree(rig.grid.get(), 0);
    QPixmap target(rig.grid->size());
    for (auto _ : state) {
        rig.grid->onUpdate(); // drops the picture
        rig.grid->render(&target);
    }
}

void BM_Repaint_QTableWidget(benchmark::State &state)
{
    QTableWidget table(kSide, kSide);
    table.horizontalHeader()->hide();
    table.verticalHeader()->hide();
    table.horizontalHeader()->setMinimumSectionSize(1);
    table.verticalHeader()->setMinimumSectionSize(1);
    table.horizontalHeader()->setDefaultSectionSize(kCell);
    table.verticalHeader()->setDefaultSectionSize(kCell);
    table.setIconSize(QSize(9, 9));
    table.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const QIcon icon(ball());
    for (int r = 0; r < kSide; ++r)
        table.setItem(r, (r * 7) % kSide, new QTableWidgetItem(icon, QString()));
    table.resize(kSide * (kCell + 1) + 2, kSide * (kCell + 1) + 2);
    QPixmap target(table.size());
    for (auto _ : state) {
        table.viewport()->update();
        table.render(&target);
    }
}

// N writes over the 64 channels from a worker; the time runs until the grid has repainted with
// the last value.
void BM_Burst_AutoUpdates(benchmark::State &state)
{
    const int n = int(state.range(0));
    GridRig rig;
    rig.grid->setAutoUpdates(true);
    rig.memory.connectTree(rig.grid.get(), 0);
    rig.grid->show();
    QCoreApplication::processEvents();
    int round = 0;
    long repaints = 0;
    long bursts = 0;
    // Lets every delivery, timer and paint of what came before run out.
    auto drain = [] {
        QElapsedTimer quiet;
        quiet.start();
        while (quiet.elapsed() < 25)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    };
    drain();
    for (auto _ : state) {
        ++round;
        const int before = rig.grid->repaintCount();
        const int lastChannel = (n - 1) % kSide;
        const int lastValue = 1 + (round + n) % kSide;
        QElapsedTimer clock;
        clock.start();
        std::unique_ptr<QThread> worker(QThread::create([&] {
            for (int i = 0; i < n; ++i) {
                const int v = i == n - 1 ? lastValue : 1 + (i + round) % kSide;
                rig.memory.setValue(1, 0, i % kSide, v, rig.memory.sourceId(0) + 1);
            }
        }));
        worker->start();
        worker->wait();
        while (rig.grid->repaintCount() == before)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        state.SetIterationTime(double(clock.nsecsElapsed()) * 1e-9);
        if (!rig.grid->valueAt(lastChannel, lastValue - 1))
            state.SkipWithError("the last value is not shown");
        // Anything still coming counts to this burst.
        drain();
        repaints += rig.grid->repaintCount() - before;
        ++bursts;
    }
    state.counters["repaints_per_burst"] = double(repaints) / double(bursts);
}

class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs)
            if (run.run_type == Run::RT_Iteration && run.iterations > 0)
                times[run.benchmark_name()] = run.GetAdjustedRealTime();
    }
    void printRatios() const
    {
        auto ratio = [this](const char *label, const char *base, const char *measured) {
            const auto b = times.find(base);
            const auto m = times.find(measured);
            if (b == times.end() || m == times.end() || m->second <= 0)
                return;
            std::printf("%-52s %8.2f\n", label, b->second / m->second);
        };
        std::printf("\n");
        ratio("full repaint, QTableWidget / CGrid (target >= 5):", "BM_Repaint_QTableWidget",
              "BM_Repaint_CGrid");
        ratio("time to show, N = 1000 / N = 1 (target <= 2):",
              "BM_Burst_AutoUpdates/1000/iterations:30/manual_time",
              "BM_Burst_AutoUpdates/1/iterations:30/manual_time");
    }

private:
    std::map<std::string, double> times;
};

} // namespace

BENCHMARK(BM_Repaint_CGrid)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Repaint_QTableWidget)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Burst_AutoUpdates)
        ->Arg(1)
        ->Arg(100)
        ->Arg(1000)
        ->UseManualTime()
        ->Iterations(30)
        ->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
