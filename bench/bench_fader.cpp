// Dragging a fader across its travel, one move event per pixel, each move repainted: CFader
// (thumb over a cached background, only the thumb rectangles repainted) against a QSlider of the
// same size drawn by the style. Prints the QSlider / CFader cost ratio at the end of the run.

#include "CFader.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>

namespace {

constexpr int Width = 30;
constexpr int Height = 140;
constexpr int ThumbHeight = 40;
constexpr int Maximum = 1023;

QPixmap thumb()
{
    QPixmap pm(Width, ThumbHeight);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, ThumbHeight);
    g.setColorAt(0, QColor(230, 230, 230));
    g.setColorAt(0.5, QColor(40, 40, 40));
    g.setColorAt(1, QColor(90, 90, 95));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(1, 1, Width - 2, ThumbHeight - 2), 3, 3);
    return pm;
}

QPixmap groove()
{
    QPixmap pm(Width, Height);
    pm.fill(QColor(52, 54, 58));
    QPainter p(&pm);
    p.fillRect(QRect(Width / 2 - 2, 18, 4, Height - 36), QColor(15, 15, 15));
    return pm;
}

// Counts the paint events a widget receives, to make sure every move is really drawn.
class PaintCounter : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

void sendMouse(QWidget *w, QEvent::Type type, const QPoint &at, Qt::MouseButtons held)
{
    QMouseEvent event(type, QPointF(at), w->mapToGlobal(QPointF(at)),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held,
                      Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

// Presses the handle at grab and moves the pointer one pixel per iteration, down the travel and
// back up, flushing the repaint after each move.
void drag(benchmark::State &state, QWidget *w, const QPoint &grab, int travel)
{
    PaintCounter counter;
    w->installEventFilter(&counter);
    sendMouse(w, QEvent::MouseButtonPress, grab, Qt::LeftButton);
    QCoreApplication::sendPostedEvents();
    int offset = 0, step = -1;
    qint64 moves = 0;
    const int paintsBefore = counter.paints;
    for (auto _ : state) {
        if (offset + step > 0 || offset + step < -travel)
            step = -step;
        offset += step;
        sendMouse(w, QEvent::MouseMove, grab + QPoint(0, offset), Qt::LeftButton);
        QCoreApplication::sendPostedEvents();
        ++moves;
    }
    sendMouse(w, QEvent::MouseButtonRelease, grab + QPoint(0, offset), Qt::NoButton);
    w->removeEventFilter(&counter);
    state.counters["paints/move"] = double(counter.paints - paintsBefore) / double(moves);
}

void qsliderDrag(benchmark::State &state)
{
    QSlider slider(Qt::Vertical);
    slider.setRange(0, Maximum);
    slider.setFixedSize(Width, Height);
    slider.show();
    QCoreApplication::processEvents();
    QStyleOptionSlider option;
    option.initFrom(&slider);
    option.orientation = Qt::Vertical;
    option.minimum = 0;
    option.maximum = Maximum;
    option.upsideDown = true;
    const QRect handle = slider.style()->subControlRect(QStyle::CC_Slider, &option,
                                                        QStyle::SC_SliderHandle, &slider);
    const int travel = Height - handle.height();
    drag(state, &slider, handle.center(), travel);
}

void faderDrag(benchmark::State &state)
{
    CFader fader;
    fader.setThumbImage(thumb());
    fader.setPixmap(groove());
    fader.setFlipValues(true);
    fader.setFixedSize(Width, Height);
    fader.show();
    QCoreApplication::processEvents();
    drag(state, &fader, fader.sliderRect().center(), fader.available());
}

// Console output plus, at the end, baseline / candidate.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs)
            if (run.run_type == Run::RT_Iteration)
                m_times[run.benchmark_name()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        const std::string baseline = "Drag/QSlider", candidate = "Drag/CFader";
        if (m_times.count(baseline) && m_times.count(candidate) && m_times[candidate] > 0.0)
            std::printf("30x140 drag, one move per pixel with repaint: QSlider / CFader %.1fx\n",
                        m_times[baseline] / m_times[candidate]);
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
    benchmark::RegisterBenchmark("Drag/QSlider", qsliderDrag);
    benchmark::RegisterBenchmark("Drag/CFader", faderDrag);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
