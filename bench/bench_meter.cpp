// The meter bridge: GUI-thread cost of one frame of 96 meters fed from a worker thread.
//
//  - CMeter: the worker pushes meter bytes into the memory's feed; the meters decode there and
//    hand over only those whose table step changed.
//  - QProgressBar: the worker gives each bar its level through a queued setValue call.
//  - Minimal widgets: the worker gives each its level through a queued call; it paints two
//    fillRects (lit and unlit). The floor of what a bar widget can cost.
//
// Each frame the worker produces new levels and finishes before the GUI thread is timed; the
// time is that of delivering the frame and painting it (the posted events and the update
// request). The ratios against both baselines are printed after the table.

#include "CMeter.h"
#include "TParamMemory.h"

#include <QApplication>
#include <QGridLayout>
#include <QPainter>
#include <QProgressBar>
#include <QSemaphore>
#include <QThread>
#include <QWindow>

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace {

constexpr int kMeters = 96;
constexpr int kColumns = 48;
constexpr int kMeterWidth = 8;
constexpr int kMeterHeight = 121;
// Meters that change step per frame in the quiet case.
constexpr int kFewChanging = 4;

QPixmap meterPicture(const QColor &colour)
{
    QPixmap pm(kMeterWidth, kMeterHeight);
    pm.fill(colour);
    QPainter p(&pm);
    for (int y = 0; y < kMeterHeight; y += 2)
        p.fillRect(0, y, kMeterWidth, 1, colour.darker(130));
    return pm;
}

// A bar that paints its lit and unlit parts with one fillRect each.
class MinimalBar : public QWidget
{
public:
    MinimalBar()
    {
        setFixedSize(kMeterWidth, kMeterHeight);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }
    void setLevel(int level)
    {
        if (level == m_level)
            return;
        m_level = level;
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        const int lit = m_level * height() / 4096;
        p.fillRect(0, 0, width(), height() - lit, Qt::darkGray);
        p.fillRect(0, height() - lit, width(), lit, Qt::green);
    }

private:
    int m_level = -1;
};

// Level of meter i in frame f. In a busy frame every meter moves by several table steps; in a
// quiet one only the first few do, the others wander inside one step.
int levelOf(int i, int f, bool busy)
{
    if (busy || i < kFewChanging)
        return 1500 + ((f * 7 + i * 13) % 20) * 120;
    return 2010 + (f % 2) * 30;
}

// Peak of meter i in frame f: above the level, and steady where the level wanders in one step.
int peakOf(int i, int f, bool busy)
{
    return busy || i < kFewChanging ? levelOf(i, f, busy) + 600 : 3000;
}

// A worker thread that runs one job per frame while the GUI thread waits.
class FrameWorker
{
public:
    explicit FrameWorker(std::function<void(int)> frame)
        : m_frame(std::move(frame))
        , m_thread(QThread::create([this] { loop(); }))
    {
        m_thread->start();
    }
    ~FrameWorker()
    {
        m_stop = true;
        m_go.release();
        m_thread->wait();
    }
    void runFrame(int f)
    {
        m_next = f;
        m_go.release();
        m_done.acquire();
    }

private:
    void loop()
    {
        for (;;) {
            m_go.acquire();
            if (m_stop)
                return;
            m_frame(m_next);
            m_done.release();
        }
    }

    std::function<void(int)> m_frame;
    std::unique_ptr<QThread> m_thread;
    QSemaphore m_go, m_done;
    std::atomic<bool> m_stop {false};
    int m_next = 0;
};

// The meters' window, shown (offscreen), so frames really paint.
struct Bridge
{
    template<class Make>
    explicit Bridge(Make make)
    {
        auto *grid = new QGridLayout(&window);
        grid->setSpacing(2);
        for (int i = 0; i < kMeters; ++i)
            grid->addWidget(make(i), i / kColumns, i % kColumns);
        window.show();
        // Nothing paints before the window is exposed.
        while (!window.windowHandle() || !window.windowHandle()->isExposed())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QCoreApplication::processEvents();
        flush();
    }
    // Delivers what the worker posted and paints it.
    void flush()
    {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents(&window, QEvent::UpdateRequest);
    }

    QWidget window;
};

// Counts the paint events of every widget, to show that frames really paint.
class PaintCounter : public QObject
{
public:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
    long long paints = 0;
};

// Times the GUI thread's part of each frame.
void runFrames(benchmark::State &state, Bridge &bridge, FrameWorker &worker)
{
    PaintCounter counter;
    qApp->installEventFilter(&counter);
    int frame = 0;
    for (auto _ : state) {
        worker.runFrame(++frame);
        const auto start = std::chrono::steady_clock::now();
        bridge.flush();
        const auto stop = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(stop - start).count());
    }
    qApp->removeEventFilter(&counter);
    state.counters["paints/frame"] = double(counter.paints) / std::max(1, frame);
}

void meterBridge(benchmark::State &state, bool busy)
{
    TParamMemory memory;
    memory.setOnline(true);
    // The meter section with the most channels, its parameters one after another.
    QString section;
    for (const QString &key : memory.sectionKeys()) {
        if (!key.contains(QLatin1String("Meter"), Qt::CaseInsensitive))
            continue;
        if (section.isEmpty()
            || memory.channelCount(memory.sectionElement(key))
                    > memory.channelCount(memory.sectionElement(section)))
            section = key;
    }
    const int e = memory.sectionElement(section);
    const int channels = qMax(1, memory.channelCount(e));
    const QList<int> params = memory.parameters(e);
    if (params.isEmpty()) {
        state.SkipWithError("no meter section in the catalogue");
        return;
    }

    const QPixmap lit = meterPicture(QColor(40, 220, 70));
    const QPixmap unlit = meterPicture(QColor(20, 40, 25));
    std::vector<CMeter *> meters;
    Bridge bridge([&](int i) {
        auto *m = new CMeter;
        m->setMeterImage(lit);
        m->setMeterBgndImage(unlit);
        m->setNamedAddress(
                QStringLiteral("%1%2/%3")
                        .arg(i % channels, 2, 16, QLatin1Char('0'))
                        .arg(section,
                             memory.parameterKey(e, params.at((i / channels) % params.size()))));
        meters.push_back(m);
        return m;
    });
    for (CMeter *m : meters)
        memory.connectProxy(m, 0);
    std::vector<IMemAPI::TSingleAddress> addresses;
    for (CMeter *m : meters)
        addresses.push_back(m->address());

    FrameWorker worker([&](int f) {
        for (int i = 0; i < kMeters; ++i) {
            const IMemAPI::TSingleAddress &a = addresses[size_t(i)];
            const int level = levelOf(i, f, busy);
            memory.pushMeterLevel(a.element, a.parameter, a.channel, level, peakOf(i, f, busy));
        }
    });
    runFrames(state, bridge, worker);
}

void BM_Bridge_CMeter(benchmark::State &state)
{
    meterBridge(state, true);
}

void BM_Bridge_CMeter_FewChange(benchmark::State &state)
{
    meterBridge(state, false);
}

template<class Bar, class Make, class Set>
void queuedBridge(benchmark::State &state, bool busy, Make make, Set set)
{
    std::vector<Bar *> bars;
    Bridge bridge([&](int) {
        Bar *b = make();
        bars.push_back(b);
        return b;
    });
    FrameWorker worker([&](int f) {
        for (int i = 0; i < kMeters; ++i) {
            Bar *b = bars[size_t(i)];
            const int level = levelOf(i, f, busy);
            QMetaObject::invokeMethod(
                    b, [b, level, set] { set(b, level); }, Qt::QueuedConnection);
        }
    });
    runFrames(state, bridge, worker);
}

QProgressBar *makeProgressBar()
{
    auto *bar = new QProgressBar;
    bar->setOrientation(Qt::Vertical);
    bar->setRange(0, 4095);
    bar->setTextVisible(false);
    bar->setFixedSize(kMeterWidth, kMeterHeight);
    return bar;
}

void BM_Bridge_QProgressBar(benchmark::State &state)
{
    queuedBridge<QProgressBar>(state, true, makeProgressBar,
                               [](QProgressBar *b, int v) { b->setValue(v); });
}

void BM_Bridge_QProgressBar_FewChange(benchmark::State &state)
{
    queuedBridge<QProgressBar>(state, false, makeProgressBar,
                               [](QProgressBar *b, int v) { b->setValue(v); });
}

void BM_Bridge_MinimalWidgets(benchmark::State &state)
{
    queuedBridge<MinimalBar>(
            state, true, [] { return new MinimalBar; },
            [](MinimalBar *b, int v) { b->setLevel(v); });
}

void BM_Bridge_MinimalWidgets_FewChange(benchmark::State &state)
{
    queuedBridge<MinimalBar>(
            state, false, [] { return new MinimalBar; },
            [](MinimalBar *b, int v) { b->setLevel(v); });
}

// Collects the mean time per frame of each benchmark to print the ratios.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs)
            if (run.run_type == Run::RT_Iteration && run.iterations > 0)
                perFrame[run.run_name.function_name] = run.GetAdjustedRealTime();
    }
    void printRatios() const
    {
        auto ratio = [this](const char *base, const char *meter) {
            const auto b = perFrame.find(base);
            const auto m = perFrame.find(meter);
            if (b == perFrame.end() || m == perFrame.end() || m->second <= 0)
                return;
            std::printf("%-36s / %-36s = %8.2f\n", base, meter, b->second / m->second);
        };
        std::printf("\nGUI-thread cost per frame, baseline / CMeter:\n");
        ratio("BM_Bridge_QProgressBar", "BM_Bridge_CMeter");
        ratio("BM_Bridge_MinimalWidgets", "BM_Bridge_CMeter");
        ratio("BM_Bridge_QProgressBar_FewChange", "BM_Bridge_CMeter_FewChange");
        ratio("BM_Bridge_MinimalWidgets_FewChange", "BM_Bridge_CMeter_FewChange");
        ratio("BM_Bridge_CMeter", "BM_Bridge_CMeter_FewChange");
    }

private:
    std::map<std::string, double> perFrame;
};

} // namespace

BENCHMARK(BM_Bridge_QProgressBar)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Bridge_MinimalWidgets)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Bridge_CMeter)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Bridge_QProgressBar_FewChange)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Bridge_MinimalWidgets_FewChange)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Bridge_CMeter_FewChange)->UseManualTime()->Unit(benchmark::kMicrosecond);

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
