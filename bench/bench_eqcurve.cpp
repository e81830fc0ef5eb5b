// A burst of gain changes from a worker thread to one EQ curve: the time until the curve shows
// the last value, and how many curve calculations the burst cost. The single change is the
// baseline; coalescing should keep a burst of 1000 at one calculation and near its time.

#include "CEqCurve.h"
#include "TParamMemory.h"

#include <QApplication>
#include <QThread>

#include <benchmark/benchmark.h>

#include <atomic>
#include <memory>

namespace {

constexpr int kInputEqElement = 47;
constexpr int kBandGain = 14; // gain of band 1
constexpr int kChannel = 0;
constexpr int kGainSpan = 341; // -170..170 tenths of a dB: consecutive values always differ
constexpr int kGainLow = -170;
constexpr int kToHundredths = 10;

// liveLoop: the GUI thread runs its event loop during the burst, as an idle editor does;
// otherwise it is busy until the burst is over and then catches up.
void runBursts(benchmark::State &state, bool liveLoop)
{
    const int burst = int(state.range(0));
    TParamMemory memory;
    CEqCurve curve(nullptr, "bench");
    curve.setNamedAddress(QStringLiteral("FEkInputEQ/kEQOn"));
    curve.resize(401, 201);
    memory.connectProxy(&curve, kChannel);
    curve.show();
    QCoreApplication::processEvents();

    long long next = 0;
    long long calculations = 0;
    for (auto _ : state) {
        const int before = curve.recalculationCount();
        const long long first = next;
        next += burst;
        const int last = kGainLow + int((next - 1) % kGainSpan);
        std::atomic<bool> finished {false};
        std::unique_ptr<QThread> worker(QThread::create([&] {
            for (long long i = first; i < first + burst; ++i)
                memory.setValue(kInputEqElement, kBandGain, kChannel, kGainLow + int(i % kGainSpan),
                                1, 1);
            finished = true;
        }));
        worker->start();
        if (!liveLoop)
            worker->wait();
        // Until the curve shows the last value and nothing is on its way any more.
        while (!finished || curve.isDeliveryPending() || curve.isRecalcPending()
               || curve.dataset().bands[1].gain != last * kToHundredths)
            QCoreApplication::processEvents();
        worker->wait();
        calculations += curve.recalculationCount() - before;
    }
    state.counters["calculations_per_burst"] =
            benchmark::Counter(double(calculations) / double(state.iterations()));
}

void BM_EqCurveBurst(benchmark::State &state)
{
    runBursts(state, false);
}

void BM_EqCurveBurstLiveLoop(benchmark::State &state)
{
    runBursts(state, true);
}

} // namespace

BENCHMARK(BM_EqCurveBurst)
        ->Arg(1)
        ->Arg(10)
        ->Arg(1000)
        ->Unit(benchmark::kMicrosecond)
        ->UseRealTime();
BENCHMARK(BM_EqCurveBurstLiveLoop)
        ->Arg(1)
        ->Arg(10)
        ->Arg(1000)
        ->Unit(benchmark::kMicrosecond)
        ->UseRealTime();

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
