// Notifications from a worker thread to GUI-thread observers: the memory's coalescing hand-over
// (MAPI_postObserverEvent) against one queued call per notification.

#include "NS_Utilities.h"
#include "TMemProxy.h"
#include "TParamMemory.h"

#include <QCoreApplication>
#include <QThread>

#include <benchmark/benchmark.h>

#include <atomic>
#include <memory>
#include <vector>

namespace {

constexpr int kWrites = 200000;

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

struct Setup
{
    explicit Setup(int observers)
    {
        // Spread the observers over the channels of the widest section's first parameters.
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
            if (memory.getMaximum(e, p, 0) - memory.getMinimum(e, p, 0) >= 8)
                params.append(p);
        }
        for (int i = 0; i < observers; ++i) {
            const int p = params.at((i / channels) % params.size());
            proxies.push_back(std::make_unique<Observer>());
            proxies.back()->setNamedAddress(QStringLiteral("%1%2/%3")
                                                    .arg(i % channels, 2, 16, QLatin1Char('0'))
                                                    .arg(section, memory.parameterKey(e, p)));
            memory.connectProxy(proxies.back().get(), 0);
            queued.push_back(std::make_unique<QueuedObserver>());
        }
        range = 8;
        for (auto &o : proxies) {
            const int lo = memory.getMinimum(o->element(), o->parameter(), o->channel());
            minimum.push_back(lo);
        }
    }
    // Value of write i: never equal to the one before, so every write notifies.
    int valueOf(int i) const { return (i / int(proxies.size())) % range; }
    int rawOf(int k, int i) const { return minimum[k] + valueOf(i); }

    TParamMemory memory;
    std::vector<std::unique_ptr<Observer>> proxies;
    std::vector<std::unique_ptr<QueuedObserver>> queued;
    std::vector<int> minimum;
    int range = 1;
};

// Index of the last write that goes to observer k of n.
int lastWriteOf(int k, int n)
{
    return (kWrites - 1 - k) / n * n + k;
}

template<class Work, class Done>
void runWorker(Work work, Done done)
{
    std::atomic<bool> finished {false};
    std::unique_ptr<QThread> worker(QThread::create([&] {
        work();
        finished = true;
    }));
    worker->start();
    while (!finished || !done())
        QCoreApplication::processEvents();
    worker->wait();
}

void BM_MemoryHandOver(benchmark::State &state)
{
    Setup s(int(state.range(0)));
    const int n = int(s.proxies.size());
    int round = 0;
    for (auto _ : state) {
        const int base = (round++ % 2) * kWrites; // so the next run changes every value again
        runWorker(
                [&] {
                    for (int i = 0; i < kWrites; ++i) {
                        const Observer &o = *s.proxies[i % n];
                        s.memory.setValue(o.element(), o.parameter(), o.channel(),
                                          s.rawOf(i % n, base + i), 0, 1);
                    }
                },
                [&] {
                    for (int k = 0; k < n; ++k) {
                        const int last = lastWriteOf(k, n);
                        if (s.proxies[k]->shown != s.rawOf(k, base + last))
                            return false;
                    }
                    return true;
                });
    }
    state.SetItemsProcessed(state.iterations() * kWrites);
}

void BM_PlainQueuedCalls(benchmark::State &state)
{
    Setup s(int(state.range(0)));
    const int n = int(s.proxies.size());
    int round = 0;
    for (auto _ : state) {
        const int base = (round++ % 2) * kWrites;
        runWorker(
                [&] {
                    for (int i = 0; i < kWrites; ++i) {
                        const Observer &o = *s.proxies[i % n];
                        const int v = s.rawOf(i % n, base + i);
                        s.memory.setValue(o.element(), o.parameter(), o.channel(), v, 0, 1);
                        QueuedObserver *q = s.queued[i % n].get();
                        QMetaObject::invokeMethod(q, [q, v] { q->shown = v; }, Qt::QueuedConnection);
                    }
                },
                [&] {
                    for (int k = 0; k < n; ++k) {
                        const int last = lastWriteOf(k, n);
                        if (s.queued[k]->shown != s.rawOf(k, base + last))
                            return false;
                    }
                    return true;
                });
    }
    state.SetItemsProcessed(state.iterations() * kWrites);
}

} // namespace

BENCHMARK(BM_PlainQueuedCalls)->Arg(1)->Arg(96)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MemoryHandOver)->Arg(1)->Arg(96)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
