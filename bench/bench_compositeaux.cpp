// The composite aux-send display: a worker thread changes 16 sends once (rounds 1) or 10 times
// each (rounds 10; rounds 0 writes nothing: the cost of the idle event loop) on one CCompositeAux,
// against 16 QProgressBars of the same bar size updated through queued calls. Measured: GUI-thread
// CPU time of the deliveries and paints until the last value shows, and the pictures rendered per
// burst. The ratios are printed after the table.

#include "CAuxChild.h"
#include "CCompositeAux.h"
#include "TParamMemory.h"

#include <QApplication>
#include <QEventLoop>
#include <QProgressBar>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <benchmark/benchmark.h>

#include <ctime>
#include <map>
#include <memory>

namespace {

constexpr int kSends = 16;
constexpr int kBarWidth = 100;
constexpr int kBarHeight = 8;

const char kCatalogue[] = R"({
 "name": "Aux bench console",
 "sections": [
  {"key": "kInput", "element": 1, "channels": 1, "params": [
    {"key": "kAuxOn", "id": 10, "min": 0, "max": 1, "default": 1, "count": 16, "stride": 3},
    {"key": "kAuxPre", "id": 11, "min": 0, "max": 1, "default": 0, "count": 16, "stride": 3},
    {"key": "kAuxLevel", "id": 12, "min": 0, "max": 1023, "default": 0, "count": 16, "stride": 3}]}
 ]
})";

double threadCpuSeconds()
{
    timespec ts {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// Runs the event loop, sleeping while idle, long enough for every delivery, deferred repaint
// (10 ms) and paint of what came before.
void drain()
{
    QEventLoop loop;
    QTimer::singleShot(40, &loop, &QEventLoop::quit);
    loop.exec();
}

QPixmap bar(QColor colour)
{
    QPixmap p(kBarWidth, kBarHeight);
    p.fill(colour);
    return p;
}

int levelOf(int round, int pass, int send)
{
    return (round * 131 + pass * 17 + send * 29) % 1024;
}

// Counts the paint events of a widget.
class PaintCounter : public QObject
{
public:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
    int paints = 0;
};

void BM_Burst_CCompositeAux(benchmark::State &state)
{
    const int passes = int(state.range(0));
    TParamMemory memory;
    memory.loadCatalogue(QByteArray(kCatalogue));
    CCompositeAux aux;
    aux.setThumbImage(bar(Qt::green));
    aux.setOffPostFader(bar(Qt::gray));
    aux.setOffPreFader(bar(Qt::darkYellow));
    aux.setOnPreFader(bar(Qt::yellow));
    aux.setNumChildren(kSends);
    aux.setAddrMode(CCompositeAux::eInputs);
    aux.setSeparation(kBarHeight + 2);
    aux.setNamedAddress(QStringLiteral("00kInput/kAuxLevel%1"));
    aux.resize(kBarWidth + 20, kSends * (kBarHeight + 2));
    memory.connectTree(&aux, 0);
    aux.show();
    aux.ylayout();
    drain();
    int round = 0;
    long renders = 0;
    long bursts = 0;
    for (auto _ : state) {
        ++round;
        const int before = aux.pictureRebuildCount();
        const int last = levelOf(round, passes - 1, kSends - 1);
        const double cpu = threadCpuSeconds();
        std::unique_ptr<QThread> worker(QThread::create([&] {
            for (int pass = 0; pass < passes; ++pass) {
                for (int s = 0; s < kSends; ++s)
                    memory.setValue(1, 12 + 3 * s, 0, levelOf(round, pass, s),
                                    memory.sourceId(0) + 1);
            }
        }));
        worker->start();
        worker->wait();
        drain();
        if (passes > 0
            && (aux.child(kSends - 1)->value() != last || aux.pictureRebuildCount() == before))
            state.SkipWithError("the last value is not shown");
        state.SetIterationTime(threadCpuSeconds() - cpu);
        renders += aux.pictureRebuildCount() - before;
        ++bursts;
    }
    state.counters["renders_per_burst"] = double(renders) / double(bursts);
}

void BM_Burst_QProgressBar(benchmark::State &state)
{
    const int passes = int(state.range(0));
    QWidget host;
    auto *column = new QVBoxLayout(&host);
    column->setSpacing(2);
    column->setContentsMargins(0, 0, 0, 0);
    PaintCounter counter;
    std::vector<QProgressBar *> bars;
    for (int s = 0; s < kSends; ++s) {
        auto *b = new QProgressBar(&host);
        b->setRange(0, 1023);
        b->setTextVisible(false);
        b->setFixedSize(kBarWidth, kBarHeight);
        b->installEventFilter(&counter);
        column->addWidget(b);
        bars.push_back(b);
    }
    host.show();
    drain();
    int round = 0;
    long renders = 0;
    long bursts = 0;
    for (auto _ : state) {
        ++round;
        const int before = counter.paints;
        const int last = levelOf(round, passes - 1, kSends - 1);
        const double cpu = threadCpuSeconds();
        std::unique_ptr<QThread> worker(QThread::create([&] {
            for (int pass = 0; pass < passes; ++pass) {
                for (int s = 0; s < kSends; ++s)
                    QMetaObject::invokeMethod(bars[s], "setValue", Qt::QueuedConnection,
                                              Q_ARG(int, levelOf(round, pass, s)));
            }
        }));
        worker->start();
        worker->wait();
        drain();
        if (bars.back()->value() != last || counter.paints == before)
            state.SkipWithError("the last value is not shown");
        state.SetIterationTime(threadCpuSeconds() - cpu);
        renders += counter.paints - before;
        ++bursts;
    }
    state.counters["renders_per_burst"] = double(renders) / double(bursts);
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
            std::printf("%-60s %8.2f\n", label, b->second / m->second);
        };
        std::printf("\n");
        ratio("GUI time, 16 sends once, QProgressBar / CCompositeAux (>= 10):",
              "BM_Burst_QProgressBar/1/iterations:30/manual_time",
              "BM_Burst_CCompositeAux/1/iterations:30/manual_time");
        ratio("GUI time, 16 sends x 10, QProgressBar / CCompositeAux (>= 10):",
              "BM_Burst_QProgressBar/10/iterations:30/manual_time",
              "BM_Burst_CCompositeAux/10/iterations:30/manual_time");
        // Less the cost of the idle event loop itself (rounds 0: no writes at all).
        auto net = [this](const char *label, const char *base, const char *measured) {
            const auto idle = times.find("BM_Burst_CCompositeAux/0/iterations:30/manual_time");
            const auto b = times.find(base);
            const auto m = times.find(measured);
            if (idle == times.end() || b == times.end() || m == times.end()
                || m->second <= idle->second)
                return;
            std::printf("%-60s %8.2f\n", label,
                        (b->second - idle->second) / (m->second - idle->second));
        };
        net("same, less the idle loop, 16 sends once:",
            "BM_Burst_QProgressBar/1/iterations:30/manual_time",
            "BM_Burst_CCompositeAux/1/iterations:30/manual_time");
        net("same, less the idle loop, 16 sends x 10:",
            "BM_Burst_QProgressBar/10/iterations:30/manual_time",
            "BM_Burst_CCompositeAux/10/iterations:30/manual_time");
    }

private:
    std::map<std::string, double> times;
};

} // namespace

BENCHMARK(BM_Burst_CCompositeAux)
        ->Arg(0)
        ->Arg(1)
        ->Arg(10)
        ->UseManualTime()
        ->Iterations(30)
        ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Burst_QProgressBar)
        ->Arg(1)
        ->Arg(10)
        ->UseManualTime()
        ->Iterations(30)
        ->Unit(benchmark::kMicrosecond);

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
