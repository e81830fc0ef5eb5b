// The rotary dial: what one full repaint costs against QDial's own painting and against one
// frame blit, and how fast a screen of dials follows changes written by another thread, against
// plain QDials told through queued calls. Each comparison is measured in the same run.
//
// The repaint figures paint each widget's paint path straight into an image: for QDial what its
// paint event does (style option, then the style's dial), for CDial what its paint event does
// (the cached picture, fetched or remade after the value change, then blitted). The same
// repaints through QWidget::render are kept as a secondary figure; render adds a fixed cost of
// its own to every widget, whatever it paints. The high-dpi figure runs the same dial on a screen
// of device pixel ratio 2 with a strip of twice the resolution, against ratio 1.

#include "CDial.h"
#include "TCacheServer.h"
#include "TParamMemory.h"

#include <QApplication>
#include <QDial>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTemporaryDir>
#include <QThread>
#include <QWindow>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kSide = 40;
constexpr int kFrames = 101;
constexpr int kDials = 96;
constexpr int kColumns = 12;

// A knob film strip like the editor's: antialiased cap, arc and pointer on transparency. With
// ratio 2 it is the strip's "@2x" variant: the same drawing at twice the pixels.
QPixmap knobStrip(int ratio = 1)
{
    QImage strip(kSide * ratio, kSide * kFrames * ratio, QImage::Format_ARGB32_Premultiplied);
    strip.fill(Qt::transparent);
    strip.setDevicePixelRatio(ratio);
    QPainter p(&strip);
    p.setRenderHint(QPainter::Antialiasing);
    const double pi = std::acos(-1.0);
    for (int i = 0; i < kFrames; ++i) {
        const QPointF c(kSide / 2.0, i * kSide + kSide / 2.0);
        p.setPen(QPen(QColor(230, 120, 90), 3));
        p.drawArc(QRectF(c.x() - 17, c.y() - 17, 34, 34), 225 * 16, -i * 270 * 16 / (kFrames - 1));
        p.setPen(QPen(QColor(20, 20, 20), 1));
        p.setBrush(QColor(140, 60, 50));
        p.drawEllipse(c, 13.0, 13.0);
        const double a = (225.0 - 270.0 * i / (kFrames - 1)) * pi / 180.0;
        p.setPen(QPen(Qt::white, 2));
        p.drawLine(c, c + QPointF(std::cos(a) * 11, -std::sin(a) * 11));
    }
    return QPixmap::fromImage(strip);
}

QImage canvas(int ratio = 1)
{
    QImage image(kSide * ratio, kSide * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::darkGray);
    return image;
}

// --- repaint -------------------------------------------------------------------------------

// Baseline: one frame of the strip drawn with one drawPixmap.
void BM_FrameBlit(benchmark::State &state)
{
    const QPixmap strip = knobStrip();
    QImage image = canvas();
    QPainter painter(&image);
    int frame = 0;
    for (auto _ : state) {
        painter.drawPixmap(QPoint(0, 0), strip, QRect(0, frame * kSide, kSide, kSide));
        frame = (frame + 37) % kFrames;
    }
}
BENCHMARK(BM_FrameBlit);

// QDial's paint event, into an image: its style option, then the style's dial.
class PaintedDial : public QDial
{
public:
    void paintInto(QPainter &painter)
    {
        QStyleOptionSlider option;
        initStyleOption(&option);
        style()->drawComplexControl(QStyle::CC_Dial, &option, &painter, this);
    }
};

void BM_QDialPaint(benchmark::State &state)
{
    PaintedDial dial;
    dial.setRange(0, 100);
    dial.resize(kSide, kSide);
    dial.setAttribute(Qt::WA_DontShowOnScreen);
    dial.show();
    QImage image = canvas();
    QPainter painter(&image);
    int v = 0;
    for (auto _ : state) {
        dial.setValue(v);
        dial.paintInto(painter);
        v = (v + 37) % 101;
    }
}
BENCHMARK(BM_QDialPaint);

// Baseline through the widget render path: a plain widget whose paint event draws one frame.
class FrameWidget : public QWidget
{
public:
    explicit FrameWidget(const QPixmap &strip)
        : m_strip(strip)
    {
        resize(kSide, kSide);
    }
    int frame = 0;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.drawPixmap(QPoint(0, 0), m_strip, QRect(0, frame * kSide, kSide, kSide));
    }

private:
    QPixmap m_strip;
};

void BM_FrameWidgetRepaint(benchmark::State &state)
{
    FrameWidget widget(knobStrip());
    widget.setAttribute(Qt::WA_DontShowOnScreen);
    widget.show();
    QImage image = canvas();
    for (auto _ : state) {
        widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        widget.frame = (widget.frame + 37) % kFrames;
    }
}
BENCHMARK(BM_FrameWidgetRepaint);

// QDial's own painting of the same size, through QWidget::render as the CDial ones below.
void BM_QDialRepaint(benchmark::State &state)
{
    QDial dial;
    dial.setRange(0, 100);
    dial.resize(kSide, kSide);
    dial.setAttribute(Qt::WA_DontShowOnScreen);
    dial.show();
    QImage image = canvas();
    int v = 0;
    for (auto _ : state) {
        dial.setValue(v);
        dial.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        v = (v + 37) % 101;
    }
}
BENCHMARK(BM_QDialRepaint);

// The editor window: dials below it share their frame pictures.
class EditorWindow : public QWidget, public TCacheServer
{
};

// The screen of a device pixel ratio (main() sets up screens of ratio 1 and 2); null if none.
QScreen *screenOfRatio(int ratio)
{
    for (QScreen *screen : QGuiApplication::screens())
        if (qFuzzyCompare(screen->devicePixelRatio(), qreal(ratio)))
            return screen;
    return nullptr;
}

struct DialRig
{
    // ratio: the window lives on the screen of that ratio and the dial shows the strip made for
    // it (the "@2x" variant at ratio 2).
    explicit DialRig(bool shared, int ratio = 1)
        : dial(shared ? &window : nullptr)
    {
        window.setWindowTitle(QStringLiteral("bench window"));
        window.setAttribute(Qt::WA_DontShowOnScreen);
        if (QScreen *screen = screenOfRatio(ratio); screen && ratio != 1) {
            for (QWidget *w : {static_cast<QWidget *>(&window), static_cast<QWidget *>(&dial)}) {
                if (w->isWindow()) {
                    w->winId();
                    w->windowHandle()->setScreen(screen);
                    w->move(screen->geometry().topLeft());
                }
            }
        }
        dial.setCombinedImage(knobStrip(ratio));
        dial.setnSubImages(kFrames);
        dial.setRange(0, 100);
        dial.setAttribute(Qt::WA_DontShowOnScreen);
        window.show();
        dial.show();
    }
    EditorWindow window;
    CDial dial;
};

// CDial's paint event after every value change, into an image, in an editor window (shared
// frame pictures).
void BM_CDialPaint(benchmark::State &state)
{
    DialRig rig(true);
    QImage image = canvas();
    QPainter painter(&image);
    int v = 0;
    for (auto _ : state) {
        rig.dial.setValue(v);
        rig.dial.paintPicture(painter);
        v = (v + 37) % 101;
    }
}
BENCHMARK(BM_CDialPaint);

// The same without a cache-serving window: the frame's picture is remade every time.
void BM_CDialPaintUnshared(benchmark::State &state)
{
    DialRig rig(false);
    QImage image = canvas();
    QPainter painter(&image);
    int v = 0;
    for (auto _ : state) {
        rig.dial.setValue(v);
        rig.dial.paintPicture(painter);
        v = (v + 37) % 101;
    }
}
BENCHMARK(BM_CDialPaintUnshared);

// The paint path on a high-dpi screen: the same dial at device pixel ratio 2 with the strip's
// "@2x" variant (four times the pixels per frame), and at ratio 1 in the same run. Pictures are
// not shared, so every value change rebuilds the frame's picture at the screen's ratio.
void paintAtRatio(benchmark::State &state, int ratio)
{
    DialRig rig(false, ratio);
    if (!qFuzzyCompare(rig.dial.devicePixelRatioF(), qreal(ratio))) {
        state.SkipWithError("no screen of that device pixel ratio");
        return;
    }
    QImage image = canvas(ratio);
    QPainter painter(&image);
    int v = 0;
    for (auto _ : state) {
        rig.dial.setValue(v);
        rig.dial.paintPicture(painter);
        v = (v + 37) % 101;
    }
}

void BM_CDialPaintRatio1(benchmark::State &state)
{
    paintAtRatio(state, 1);
}
BENCHMARK(BM_CDialPaintRatio1);

void BM_CDialPaintRatio2(benchmark::State &state)
{
    paintAtRatio(state, 2);
}
BENCHMARK(BM_CDialPaintRatio2);

// Through QWidget::render: a full repaint after every value change, shared frame pictures.
void BM_CDialRepaint(benchmark::State &state)
{
    DialRig rig(true);
    QImage image = canvas();
    int v = 0;
    for (auto _ : state) {
        rig.dial.setValue(v);
        rig.dial.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        v = (v + 37) % 101;
    }
}
BENCHMARK(BM_CDialRepaint);

// The same without a cache-serving window: the frame's picture is remade every time.
void BM_CDialRepaintUnshared(benchmark::State &state)
{
    DialRig rig(false);
    QImage image = canvas();
    int v = 0;
    for (auto _ : state) {
        rig.dial.setValue(v);
        rig.dial.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        v = (v + 37) % 101;
    }
}
BENCHMARK(BM_CDialRepaintUnshared);

// An expose without a value change: only the cached picture is blitted.
void BM_CDialExpose(benchmark::State &state)
{
    DialRig rig(true);
    QImage image = canvas();
    for (auto _ : state)
        rig.dial.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
}
BENCHMARK(BM_CDialExpose);

// The picture alone (what a rebuild paints), into an image.
void BM_CDialPrimitive(benchmark::State &state)
{
    DialRig rig(false);
    QImage image = canvas();
    QPainter painter(&image);
    int v = 0;
    for (auto _ : state) {
        rig.dial.setValue(v);
        rig.dial.repaintScreenPrimitive(painter);
        v = (v + 37) % 101;
    }
}
BENCHMARK(BM_CDialPrimitive);

// --- a screen of dials following another thread -------------------------------------------

struct Screen
{
    explicit Screen(bool bound)
    {
        host.setAttribute(Qt::WA_DontShowOnScreen);
        const int e = memory.sectionElement(QStringLiteral("kInput"));
        for (int p : memory.parameters(e)) {
            if (memory.getMaximum(e, p, 0) - memory.getMinimum(e, p, 0) >= 100)
                params.append(p);
        }
        const int channels = memory.channelCount(e);
        for (int i = 0; i < kDials && !params.isEmpty(); ++i) {
            const int p = params.at((i / channels) % params.size());
            addresses.push_back({e, p, i % channels});
        }
        const QPixmap strip = knobStrip();
        for (size_t i = 0; i < addresses.size(); ++i) {
            const Address &a = addresses[i];
            QDial *dial;
            if (bound) {
                auto *c = new CDial(&host);
                c->setCombinedImage(strip);
                c->setnSubImages(kFrames);
                c->setNamedAddress(QStringLiteral("%1%2/%3")
                                           .arg(a.c, 2, 16, QLatin1Char('0'))
                                           .arg(QStringLiteral("kInput"))
                                           .arg(memory.parameterKey(a.e, a.p)));
                memory.connectProxy(c, a.c);
                dial = c;
            } else {
                dial = new QDial(&host);
                dial->setRange(memory.getMinimum(a.e, a.p, a.c), memory.getMaximum(a.e, a.p, a.c));
                dial->setValue(memory.getValue(a.e, a.p, a.c));
            }
            dial->setGeometry(int(i % kColumns) * kSide, int(i / kColumns) * kSide, kSide, kSide);
            dials.push_back(dial);
        }
        host.resize(kColumns * kSide, (kDials / kColumns) * kSide);
        host.show();
        QApplication::processEvents();
    }

    // The value every dial should reach in round n.
    int target(size_t i, int round) const
    {
        const Address &a = addresses[i];
        return round % 2 ? memory.getMaximum(a.e, a.p, a.c) - 1
                         : memory.getMinimum(a.e, a.p, a.c) + 1;
    }

    bool allShow(int round) const
    {
        for (size_t i = 0; i < dials.size(); ++i) {
            if (dials[i]->value() != target(i, round))
                return false;
        }
        return true;
    }

    struct Address
    {
        int e, p, c;
    };
    mutable TParamMemory memory;
    QWidget host;
    QList<int> params;
    std::vector<Address> addresses;
    std::vector<QDial *> dials;
};

// Waits on the GUI thread until every dial shows its round's value, then paints the screen.
void followRound(Screen &screen, int round, QImage &image)
{
    while (!screen.allShow(round))
        QApplication::processEvents(QEventLoop::AllEvents);
    screen.host.render(&image);
}

void BM_CDialScreenFollowsWorker(benchmark::State &state)
{
    Screen screen(true);
    if (screen.dials.size() != size_t(kDials)) {
        state.SkipWithError("the catalogue has too few wide parameters");
        return;
    }
    QImage image(screen.host.size(), QImage::Format_ARGB32_Premultiplied);
    int round = 0;
    for (auto _ : state) {
        ++round;
        std::unique_ptr<QThread> worker(QThread::create([&screen, round] {
            for (size_t i = 0; i < screen.addresses.size(); ++i) {
                const Screen::Address &a = screen.addresses[i];
                screen.memory.setValue(a.e, a.p, a.c, screen.target(i, round),
                                       screen.memory.sourceId(0) + 1, 1);
            }
        }));
        worker->start();
        followRound(screen, round, image);
        worker->wait();
    }
}
BENCHMARK(BM_CDialScreenFollowsWorker)->UseRealTime()->Unit(benchmark::kMicrosecond);

void BM_QDialScreenQueuedCalls(benchmark::State &state)
{
    Screen screen(false);
    if (screen.dials.size() != size_t(kDials)) {
        state.SkipWithError("the catalogue has too few wide parameters");
        return;
    }
    QImage image(screen.host.size(), QImage::Format_ARGB32_Premultiplied);
    int round = 0;
    for (auto _ : state) {
        ++round;
        std::unique_ptr<QThread> worker(QThread::create([&screen, round] {
            for (size_t i = 0; i < screen.addresses.size(); ++i) {
                const Screen::Address &a = screen.addresses[i];
                const int v = screen.target(i, round);
                screen.memory.setValue(a.e, a.p, a.c, v, screen.memory.sourceId(0) + 1, 1);
                QMetaObject::invokeMethod(screen.dials[i], "setValue", Qt::QueuedConnection,
                                          Q_ARG(int, v));
            }
        }));
        worker->start();
        followRound(screen, round, image);
        worker->wait();
    }
}
BENCHMARK(BM_QDialScreenQueuedCalls)->UseRealTime()->Unit(benchmark::kMicrosecond);

// Console output plus, at the end, the repaint ratios.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        // The repaints run on one thread: their CPU time is steadier than the wall clock on a
        // shared machine. The screens involve a worker thread and are timed by the clock.
        for (const Run &run : runs)
            if (run.run_type == Run::RT_Iteration && run.iterations > 0)
                m_times[run.run_name.function_name] =
                        run.run_name.function_name.find("Screen") != std::string::npos
                        ? run.GetAdjustedRealTime()
                        : run.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        std::printf("\nRepaint of a %dx%d dial, paint path into an image:\n", kSide, kSide);
        ratio("QDial / CDial (shared pictures)", "BM_QDialPaint", "BM_CDialPaint");
        ratio("QDial / CDial (own picture)", "BM_QDialPaint", "BM_CDialPaintUnshared");
        ratio("CDial (shared pictures) / one frame blit", "BM_CDialPaint", "BM_FrameBlit");
        ratio("ratio 2 with @2x strip / ratio 1 (own picture)", "BM_CDialPaintRatio2",
              "BM_CDialPaintRatio1");
        std::printf("Secondary, through QWidget::render:\n");
        ratio("QDial / CDial (shared pictures)", "BM_QDialRepaint", "BM_CDialRepaint");
        ratio("CDial / plain widget blitting a frame", "BM_CDialRepaint", "BM_FrameWidgetRepaint");
        ratio("Screen of 96, QDial queued calls / CDial", "BM_QDialScreenQueuedCalls",
              "BM_CDialScreenFollowsWorker");
    }

private:
    void ratio(const char *what, const std::string &numerator, const std::string &denominator)
    {
        if (m_times.count(numerator) && m_times.count(denominator) && m_times[denominator] > 0.0)
            std::printf("  %-44s %6.1fx\n", what, m_times[numerator] / m_times[denominator]);
    }
    std::map<std::string, double> m_times;
};

} // namespace

int main(int argc, char **argv)
{
    // Two offscreen screens, of device pixel ratio 1 and 2, for the high-dpi comparison.
    QTemporaryDir configDir;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        const QString config = configDir.filePath(QStringLiteral("screens.json"));
        QFile file(config);
        if (configDir.isValid() && file.open(QIODevice::WriteOnly)) {
            file.write(R"({"screens": [
                {"name": "one", "x": 0, "y": 0, "width": 1024, "height": 768, "dpr": 1},
                {"name": "two", "x": 1024, "y": 0, "width": 1024, "height": 768, "dpr": 2}]})");
            file.close();
            qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.toLocal8Bit());
        } else {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
