// The LED bridge: GUI-thread cost of one frame of 96 pixmap meters (16-frame LED strips) fed
// from a worker thread.
//
//  - CPixmapMeter: the worker pushes meter bytes into the memory's feed; the meters map them to
//    a sub-image there and hand over only those whose sub-image changed.
//  - QLabel: the worker gives each label the frame for its level through a queued setPixmap.
//  - Minimal widgets: the worker gives each its frame through a queued call; it blits that frame
//    of the strip. The floor of what a frame-strip widget can cost.
//
// Each frame the worker produces new levels and finishes before the GUI thread is timed; the
// time is that of delivering the frame and painting it. The ratios are printed after the table.

#include "CPixmapMeter.h"
#include "TParamMemory.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
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
constexpr int kFrames = 16;
constexpr int kFrameWidth = 8;
constexpr int kFrameHeight = 121;
constexpr int kFewChanging = 4;
constexpr int kFirstBound = 1500;
constexpr int kBoundStep = 160;
const char *const kSection = "kMeter";
const char *const kParam = "kInputLevel";

// The strip: frame k lights the k lowest of 15 segments.
QPixmap ledStrip()
{
    QPixmap pm(kFrameWidth, kFrameHeight * kFrames);
    pm.fill(QColor(16, 17, 20));
    QPainter p(&pm);
    const int pitch = kFrameHeight / (kFrames - 1);
    for (int f = 0; f < kFrames; ++f)
        for (int s = 0; s < kFrames - 1; ++s)
            p.fillRect(1, f * kFrameHeight + kFrameHeight - (s + 1) * pitch + 1, kFrameWidth - 2,
                       pitch - 2, s < f ? QColor(40, 220, 70) : QColor(10, 40, 15));
    return pm;
}

QString boundList()
{
    QStringList bounds;
    for (int k = 0; k < kFrames - 1; ++k)
        bounds << QString::number(kFirstBound + k * kBoundStep, 16);
    return bounds.join(QLatin1Char(';'));
}

// The frame the list gives a level: the number of bounds at or below it.
int frameOf(int level)
{
    int f = 0;
    while (f < kFrames - 1 && kFirstBound + f * kBoundStep <= level)
        ++f;
    return f;
}

// Level of meter i in frame f. In a busy frame every meter moves to another segment; in a
// quiet one only the first few do, the others wander inside one segment.
int levelOf(int i, int f, bool busy)
{
    if (busy || i < kFewChanging)
        return kFirstBound - kBoundStep / 2 + ((f * 7 + i * 13) % kFrames) * kBoundStep;
    return kFirstBound + 3 * kBoundStep + 20 + (f % 2) * 30;
}

// Blits one frame of the strip.
class MinimalLed : public QWidget
{
public:
    explicit MinimalLed(const QPixmap &strip)
        : m_strip(strip)
    {
        setFixedSize(kFrameWidth, kFrameHeight);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }
    void setFrame(int frame)
    {
        if (frame == m_frame)
            return;
        m_frame = frame;
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.drawPixmap(0, 0, m_strip, 0, m_frame * kFrameHeight, kFrameWidth, kFrameHeight);
    }

private:
    QPixmap m_strip;
    int m_frame = -1;
};

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

void pixmapMeterBridge(benchmark::State &state, bool busy)
{
    TParamMemory memory;
    memory.setOnline(true);
    const QPixmap strip = ledStrip();
    const QString bounds = boundList();
    std::vector<CPixmapMeter *> meters;
    Bridge bridge([&](int i) {
        auto *m = new CPixmapMeter;
        m->setnSubImages(kFrames);
        m->setBoundList(bounds);
        m->setCombinedImage(strip);
        m->adjustParams();
        m->setNamedAddress(QStringLiteral("%1%2/%3")
                                   .arg(i % kColumns, 2, 16, QLatin1Char('0'))
                                   .arg(QLatin1String(kSection),
                                        QLatin1String(i < kColumns ? kParam : "kOutputLevel")));
        meters.push_back(m);
        return m;
    });
    for (CPixmapMeter *m : meters)
        memory.connectProxy(m, 0);
    std::vector<IMemAPI::TSingleAddress> addresses;
    for (CPixmapMeter *m : meters)
        addresses.push_back(m->address());
    if (!addresses.front().isValid()) {
        state.SkipWithError("no meter address in the catalogue");
        return;
    }
    FrameWorker worker([&](int f) {
        for (int i = 0; i < kMeters; ++i) {
            const IMemAPI::TSingleAddress &a = addresses[size_t(i)];
            const int level = levelOf(i, f, busy);
            memory.pushMeterLevel(a.element, a.parameter, a.channel, level, level);
        }
    });
    runFrames(state, bridge, worker);
}

void BM_Leds_CPixmapMeter(benchmark::State &state)
{
    pixmapMeterBridge(state, true);
}

void BM_Leds_CPixmapMeter_FewChange(benchmark::State &state)
{
    pixmapMeterBridge(state, false);
}

template<class Led, class Make, class Set>
void queuedBridge(benchmark::State &state, Make make, Set set)
{
    std::vector<Led *> leds;
    Bridge bridge([&](int) {
        Led *b = make();
        leds.push_back(b);
        return b;
    });
    FrameWorker worker([&](int f) {
        for (int i = 0; i < kMeters; ++i) {
            Led *b = leds[size_t(i)];
            const int frame = frameOf(levelOf(i, f, true));
            QMetaObject::invokeMethod(
                    b, [b, frame, set] { set(b, frame); }, Qt::QueuedConnection);
        }
    });
    runFrames(state, bridge, worker);
}

void BM_Leds_QLabel(benchmark::State &state)
{
    const QPixmap strip = ledStrip();
    std::vector<QPixmap> frames;
    for (int f = 0; f < kFrames; ++f)
        frames.push_back(strip.copy(0, f * kFrameHeight, kFrameWidth, kFrameHeight));
    queuedBridge<QLabel>(
            state,
            [] {
                auto *label = new QLabel;
                label->setFixedSize(kFrameWidth, kFrameHeight);
                return label;
            },
            [&frames](QLabel *l, int f) { l->setPixmap(frames[size_t(f)]); });
}

void BM_Leds_MinimalWidgets(benchmark::State &state)
{
    const QPixmap strip = ledStrip();
    queuedBridge<MinimalLed>(
            state, [&strip] { return new MinimalLed(strip); },
            [](MinimalLed *b, int f) { b->setFrame(f); });
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
            std::printf("%-32s / %-32s = %8.2f\n", base, meter, b->second / m->second);
        };
        std::printf("\nGUI-thread cost per frame, ratios:\n");
        ratio("BM_Leds_QLabel", "BM_Leds_CPixmapMeter");
        ratio("BM_Leds_CPixmapMeter", "BM_Leds_MinimalWidgets");
        ratio("BM_Leds_CPixmapMeter_FewChange", "BM_Leds_CPixmapMeter");
    }

private:
    std::map<std::string, double> perFrame;
};

} // namespace

BENCHMARK(BM_Leds_QLabel)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Leds_MinimalWidgets)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Leds_CPixmapMeter)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Leds_CPixmapMeter_FewChange)->UseManualTime()->Unit(benchmark::kMicrosecond);

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
