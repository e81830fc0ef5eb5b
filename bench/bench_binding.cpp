// Notifications from a worker thread to GUI-thread observers: the memory's coalescing hand-over
// (MAPI_postObserverEvent) against one queued call per notification.

#include "NS_Utilities.h"
#include "TMemProxy.h"
#include "TParamMemory.h"

#include <QCoreApplication>
#include <QThread>

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <map>
#include <memory>
#include <vector>

namespace {

constexpr int kWrites = 200000;
constexpr int kHalfRange = 4; // values per round: even rounds use 0..3, odd ones 4..7

struct Observer : TMemProxy
{
    void process(const Q_UINT8 *, int, Q_UINT32) override
    {
        if (!NS_Utilities::mainThreadRunning()) {
            MAPI_postObserverEvent(memAPI(), this);
            return;
        }
        shown = memAPI()->getValue(element(), parameter(), channel());
    }
    int shown = -1;
};

// The plain alternative: a QObject told each value through a queued call.
class QueuedObserver : public QObject
{
public:
    int shown = -1;
};

// The observers' addresses, spread over the channels of the widest section's first parameters.
// With observe false the memory keeps no observers: the plain side pays for the same write but
// not for the memory's hand-over.
struct Setup
{
    Setup(int observers, bool observe)
    {
        QString section;
        for (const QString &key : memory.sectionKeys()) {
            if (section.isEmpty()
                || memory.channelCount(memory.sectionElement(key))
                        > memory.channelCount(memory.sectionElement(section)))
                section = key;
        }
        const int e = memory.sectionElement(section);
        const int channels = memory.channelCount(e);
        QList<int> params;
        for (int p : memory.parameters(e)) {
            if (memory.getMaximum(e, p, 0) - memory.getMinimum(e, p, 0) >= 2 * kHalfRange)
                params.append(p);
        }
        for (int i = 0; i < observers; ++i) {
            const int p = params.at((i / channels) % params.size());
            proxies.push_back(std::make_unique<Observer>());
            Observer *o = proxies.back().get();
            o->setNamedAddress(QStringLiteral("%1%2/%3")
                                       .arg(i % channels, 2, 16, QLatin1Char('0'))
                                       .arg(section, memory.parameterKey(e, p)));
            memory.connectProxy(o, 0);
            if (!observe)
                memory.removeObserver(o, o->packedAddress());
            queued.push_back(std::make_unique<QueuedObserver>());
            minimum.push_back(memory.getMinimum(o->element(), o->parameter(), o->channel()));
        }
    }
    // Raw value of write i of a round. Consecutive writes to one observer always differ, and
    // even and odd rounds use disjoint values, so no value left from the round before can pass
    // for the end of this one.
    int rawOf(int round, int i) const
    {
        const int n = int(proxies.size());
        return minimum[i % n] + (round % 2) * kHalfRange + (i / n) % kHalfRange;
    }

    TParamMemory memory;
    std::vector<std::unique_ptr<Observer>> proxies;
    std::vector<std::unique_ptr<QueuedObserver>> queued;
    std::vector<int> minimum;
};

// Index of the last write that goes to observer k of n.
int lastWriteOf(int k, int n)
{
    return (kWrites - 1 - k) / n * n + k;
}

// Runs work on a worker thread while the GUI thread delivers, until the worker has finished and
// done() holds.
template<class Work, class Done>
void runWorker(Work work, Done done)
{
    std::atomic<bool> finished {false};
    std::unique_ptr<QThread> worker(QThread::create([&] {
        work();
        finished.store(true, std::memory_order_release);
    }));
    worker->start();
    while (!finished.load(std::memory_order_acquire) || !done())
        QCoreApplication::processEvents();
    worker->wait();
}

template<class Shown>
bool allShowLastValue(const Setup &s, int round, Shown shown)
{
    const int n = int(s.proxies.size());
    for (int k = 0; k < n; ++k) {
        if (shown(k) != s.rawOf(round, lastWriteOf(k, n)))
            return false;
    }
    return true;
}

void BM_MemoryHandOver(benchmark::State &state)
{
    Setup s(int(state.range(0)), true);
    const int n = int(s.proxies.size());
    int round = 0;
    for (auto _ : state) {
        ++round;
        runWorker(
                [&] {
                    for (int i = 0; i < kWrites; ++i) {
                        const Observer &o = *s.proxies[i % n];
                        s.memory.setValue(o.element(), o.parameter(), o.channel(),
                                          s.rawOf(round, i), 0, 1);
                    }
                },
                [&] {
                    return allShowLastValue(s, round, [&](int k) { return s.proxies[k]->shown; });
                });
    }
    state.SetItemsProcessed(state.iterations() * kWrites);
}

void BM_PlainQueuedCalls(benchmark::State &state)
{
    Setup s(int(state.range(0)), false);
    const int n = int(s.proxies.size());
    int round = 0;
    for (auto _ : state) {
        ++round;
        runWorker(
                [&] {
                    for (int i = 0; i < kWrites; ++i) {
                        const Observer &o = *s.proxies[i % n];
                        const int v = s.rawOf(round, i);
                        s.memory.setValue(o.element(), o.parameter(), o.channel(), v, 0, 1);
                        QueuedObserver *q = s.queued[i % n].get();
                        QMetaObject::invokeMethod(
                                q, [q, v] { q->shown = v; }, Qt::QueuedConnection);
                    }
                },
                [&] {
                    return allShowLastValue(s, round, [&](int k) { return s.queued[k]->shown; });
                });
    }
    state.SetItemsProcessed(state.iterations() * kWrites);
}

// Console output plus, at the end, the hand-over's rate over the plain queued calls' rate.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    RatioReporter()
        : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular)
    {
    }
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            auto rate = run.counters.find("items_per_second");
            if (run.run_type == Run::RT_Iteration && !run.error_occurred
                && rate != run.counters.end())
                m_rates[run.benchmark_name()] = rate->second.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        ratio("1 observer", "1");
        ratio("96 observers", "96");
    }

private:
    void ratio(const char *what, const std::string &arg)
    {
        const std::string plain = "BM_PlainQueuedCalls/" + arg + "/real_time";
        const std::string memory = "BM_MemoryHandOver/" + arg + "/real_time";
        if (m_rates.count(plain) && m_rates.count(memory) && m_rates[plain] > 0.0)
            std::printf("%s: memory hand-over %.2f M/s, plain queued calls %.2f M/s: %.1fx\n", what,
                        m_rates[memory] / 1e6, m_rates[plain] / 1e6,
                        m_rates[memory] / m_rates[plain]);
    }
    std::map<std::string, double> m_rates;
};

} // namespace

BENCHMARK(BM_PlainQueuedCalls)->Arg(1)->Arg(96)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MemoryHandOver)->Arg(1)->Arg(96)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
