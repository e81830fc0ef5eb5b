// What the look-record cache saves: 48 identical strips of 4 on/off buttons, constructed and
// polished under a cache-serving window against the same without one. Reports the time and the
// state pixmaps held, and at the end their ratios (baseline: no cache).

#include "COnOffButton.h"
#include "COnOffButton_p.h"
#include "TCacheServer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QSet>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>

namespace {

constexpr int kStrips = 48;
constexpr int kButtonsPerStrip = 4;
constexpr int kRows = 4;
const char *const kNames[kButtonsPerStrip] = {"stripOnSwitch", "stripPhaseSwitch", "strip48VSwitch",
                                              "stripSelectSwitch"};

QPixmap buttonStrip(const QColor &lit)
{
    const int w = 36, h = 20;
    QPixmap strip(w, h * kRows);
    strip.fill(Qt::transparent);
    QPainter p(&strip);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor faces[kRows] = {lit, QColor(70, 72, 76), lit.darker(140), QColor(60, 60, 60)};
    for (int row = 0; row < kRows; ++row) {
        p.setBrush(faces[row]);
        p.drawRoundedRect(QRectF(1, row * h + 1, w - 2, h - 2), 3, 3);
    }
    return strip;
}

class Host : public QWidget
{
public:
    ~Host() override { qDeleteAll(findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)); }
};

class CacheHost : public Host, public TCacheServer
{
public:
    ~CacheHost() override
    {
        qDeleteAll(findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly));
        deleteRecords();
    }
};

// Builds the strips under host and polishes them as a first show would.
QList<COnOffButton *> buildStrips(QWidget *host, const QPixmap (&strips)[kButtonsPerStrip])
{
    QList<COnOffButton *> buttons;
    for (int s = 0; s < kStrips; ++s) {
        auto *strip = new QWidget(host);
        for (int b = 0; b < kButtonsPerStrip; ++b) {
            auto *button = new COnOffButton(strip, QString::fromLatin1(kNames[b]));
            button->setCombinedImage(strips[b]);
            button->setnSubImages(kRows);
            button->setHasDisableImage(true);
            buttons.append(button);
        }
    }
    host->ensurePolished();
    return buttons;
}

int statePixmapsHeld(const QList<COnOffButton *> &buttons)
{
    QSet<const COnOffButton::COnOffButton_PD *> records;
    for (const COnOffButton *b : buttons)
        records.insert(b->lookRecord());
    int n = 0;
    for (const COnOffButton::COnOffButton_PD *r : records)
        n += r->statePixmapCount();
    return n;
}

const QPixmap (&testStrips())[kButtonsPerStrip]
{
    static const QPixmap strips[kButtonsPerStrip] = {
            buttonStrip(QColor(80, 220, 90)), buttonStrip(QColor(240, 200, 60)),
            buttonStrip(QColor(240, 80, 60)), buttonStrip(QColor(90, 160, 250))};
    return strips;
}

std::map<std::string, double> g_pixmaps;

template<class HostType>
void constructAndPolish(benchmark::State &state, const char *label)
{
    int pixmaps = 0;
    for (auto _ : state) {
        auto host = std::make_unique<HostType>();
        const QList<COnOffButton *> buttons = buildStrips(host.get(), testStrips());
        state.PauseTiming();
        pixmaps = statePixmapsHeld(buttons);
        // Tear-down is not part of the figure.
        host.reset();
        state.ResumeTiming();
    }
    state.counters["statePixmaps"] = pixmaps;
    state.counters["buttons"] = kStrips * kButtonsPerStrip;
    g_pixmaps[label] = pixmaps;
}

// Polish only: construction is done with the clock stopped.
template<class HostType>
void polishOnly(benchmark::State &state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto host = std::make_unique<HostType>();
        QList<COnOffButton *> buttons;
        for (int s = 0; s < kStrips; ++s) {
            auto *strip = new QWidget(host.get());
            for (int b = 0; b < kButtonsPerStrip; ++b) {
                auto *button = new COnOffButton(strip, QString::fromLatin1(kNames[b]));
                button->setCombinedImage(testStrips()[b]);
                button->setnSubImages(kRows);
                button->setHasDisableImage(true);
                buttons.append(button);
            }
        }
        state.ResumeTiming();
        host->ensurePolished();
        state.PauseTiming();
        host.reset();
        state.ResumeTiming();
    }
}

void BM_ConstructPolish_NoCache(benchmark::State &state)
{
    constructAndPolish<Host>(state, "nocache");
}
void BM_ConstructPolish_Cache(benchmark::State &state)
{
    constructAndPolish<CacheHost>(state, "cache");
}
void BM_PolishOnly_NoCache(benchmark::State &state)
{
    polishOnly<Host>(state);
}
void BM_PolishOnly_Cache(benchmark::State &state)
{
    polishOnly<CacheHost>(state);
}

BENCHMARK(BM_ConstructPolish_NoCache)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ConstructPolish_Cache)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PolishOnly_NoCache)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PolishOnly_Cache)->Unit(benchmark::kMicrosecond);

// Keeps each run's CPU time per iteration for the closing ratios (the machine may be shared, so
// CPU time is the steadier figure).
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            if (run.run_type == Run::RT_Iteration && run.iterations > 0)
                times[run.benchmark_name()] = run.GetAdjustedCPUTime();
        }
    }
    std::map<std::string, double> times;
};

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const auto ratio = [&](const char *base, const char *other) {
        const auto b = reporter.times.find(base);
        const auto o = reporter.times.find(other);
        return b != reporter.times.end() && o != reporter.times.end() && o->second > 0
                ? b->second / o->second
                : 0.0;
    };
    const double pixmapRatio = g_pixmaps.count("cache") && g_pixmaps["cache"] > 0
            ? g_pixmaps["nocache"] / g_pixmaps["cache"]
            : 0.0;
    std::printf("\n%d strips x %d buttons: state pixmaps without/with cache: %.0f / %.0f = "
                "%.1fx fewer\n",
                kStrips, kButtonsPerStrip, g_pixmaps["nocache"], g_pixmaps["cache"], pixmapRatio);
    std::printf("construct + polish: %.2fx faster (CPU time) with the cache\n",
                ratio("BM_ConstructPolish_NoCache", "BM_ConstructPolish_Cache"));
    std::printf("polish only: %.2fx faster (CPU time) with the cache\n",
                ratio("BM_PolishOnly_NoCache", "BM_PolishOnly_Cache"));
    benchmark::Shutdown();
    return 0;
}
