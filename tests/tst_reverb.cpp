// The reverb editor: value conversions and texts, the envelope model and its filters, the
// point mappings, the range list, and the graph with its knobs driven against the memory.

#include "CAxisConv.h"
#include "CReverbGraph.h"
#include "RevShape.h"
#include "ReverbKnob.h"
#include "ReverbUtils.h"
#include "TParamMemory.h"
#include "TRange.h"
#include "TestRig.h"

#include <QHash>
#include <QPainter>
#include <QSignalSpy>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <cmath>

namespace {

constexpr int kChannel = 2;

// The documented preset table, parameters 1..12 in index order.
const int kPresetTable[6][12] = {
        {26, 10, 200, 0, 43, 30, 8, 12, 51, 127, 0, 32},
        {17, 10, 15, 0, 47, 25, 8, 12, 51, 127, 0, 32},
        {2, 9, 0, 8, 50, 19, 7, 10, 26, 127, 1, 32},
        {7, 8, 0, 0, 52, 23, 8, 9, 47, 127, 1, 32},
        {25, 10, 0, 15, 47, 15, 4, 7, 0, 127, 2, 32},
        {25, 10, 0, 15, 47, 15, 4, 7, 0, 127, 2, 32},
};

// The tests write nothing themselves: every write counted is the widgets'.
using TestRig::CountingMemory;

// Gives a graph a textured background: without one it paints only the plain fill.
void textured(QWidget *w, const QColor &colour = Qt::black)
{
    QPalette pal = w->palette();
    QPixmap texture(420, 320);
    texture.fill(colour);
    pal.setBrush(QPalette::Window, QBrush(texture));
    w->setPalette(pal);
}

IMemAPI::TSingleAddress effectParam(TParamMemory &m, int n)
{
    IMemAPI::TSingleAddress a;
    m.resolveNamed(QStringLiteral("FEkEffect/kEffectParam%1").arg(n), kChannel, &a);
    return a;
}

int stored(TParamMemory &m, int n)
{
    const IMemAPI::TSingleAddress a = effectParam(m, n);
    return m.getValue(a.element, a.parameter, a.channel);
}

// A graph on a shown host, bound on kChannel like a form.
struct BoundGraph
{
    explicit BoundGraph(TParamMemory &memory)
        : host(new QWidget)
        , graph(new CReverbGraph(host.get(), "graph"))
    {
        graph->setNamedAddress(QStringLiteral("FEkEffect/kEffectType"));
        graph->resize(420, 320);
        host->resize(440, 340);
        host->show();
        memory.connectTree(host.get(), kChannel);
    }
    ReverbKnob *knob(int parameter) const
    {
        for (ReverbKnob *k : graph->knobs()) {
            if (k->parameterIndex() == parameter)
                return k;
        }
        return nullptr;
    }
    QPoint centre(int parameter) const
    {
        QRect r;
        knob(parameter)->GetKnobRect(r);
        return r.center();
    }
    std::unique_ptr<QWidget> host;
    CReverbGraph *graph;
};

// |H| of the first-order high-shelf cut (s/V + 1)/(s + 1) at f, corner fc, by the bilinear
// frequency warping.
double shelfCutMagnitude(double f, double fc, double V, double fs)
{
    const double w = std::tan(M_PI * f / fs) / std::tan(M_PI * fc / fs);
    return std::sqrt((w * w / (V * V) + 1.0) / (w * w + 1.0));
}

} // namespace

class tst_Reverb : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // ReverbUtils
    void texts_data();
    void texts();
    void nearestFrequencyIndex();
    void conversionsRoundTrip();
    void float2PosRoundsHalfAwayFromZero_data();
    void float2PosRoundsHalfAwayFromZero();
    void actualReverbTime_data();
    void actualReverbTime();
    // Model
    void referenceEnvelopes_data();
    void referenceEnvelopes();
    void revTimeRatio();
    void settersClamp_data();
    void settersClamp();
    void editValueInversesStayFinite();
    void axisConvSettersKeepOthers();
    void rangeList();
    // Graph
    void presetsAndAutoZoom_data();
    void presetsAndAutoZoom();
    void zoomLimitsAndAnnounces();
    void paintingNeedsTexture();
    void missingImageDrawsTextOnly();
    // Against the memory
    void knobsBindInOrder();
    void workerWriteReachesModel();
    void dragWritesAndRestoresZoom();
    void frequencyDragWritesRawIndex();
    void disabledKnobWritesNothing();
    void mixRecomputesNoEnvelope();
};

// --- ReverbUtils ---------------------------------------------------------------------------

void tst_Reverb::texts_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("time ms") << "time" << 0.5f << "500ms";
    QTest::newRow("time below 1 s") << "time" << 0.999f << "999ms";
    QTest::newRow("time 1 s") << "time" << 1.0f << "1.00 s";
    QTest::newRow("time 2.9 s") << "time" << 2.9f << "2.90 s";
    QTest::newRow("time tie") << "time" << 1.125f << "1.12 s";
    QTest::newRow("time below 10 s") << "time" << 9.99f << "9.99 s";
    QTest::newRow("time 10 s") << "time" << 10.0f << "10.0 s";
    QTest::newRow("time 25 s") << "time" << 25.0f << "25.0 s";
    QTest::newRow("delay below 1") << "delay" << 5.0f << "0.500ms";
    QTest::newRow("delay 1") << "delay" << 10.0f << "1.00ms";
    QTest::newRow("delay below 10") << "delay" << 99.0f << "9.90ms";
    QTest::newRow("delay 10") << "delay" << 100.0f << "10.0ms";
    QTest::newRow("delay top") << "delay" << 1250.0f << "125.0ms";
    QTest::newRow("delay clamped") << "delay" << 4000.0f << "125.0ms";
    QTest::newRow("hpf 20 Hz") << "hpf" << 0.0f << "  20Hz";
    QTest::newRow("hpf 900 Hz") << "hpf" << 33.0f << " 900Hz";
    QTest::newRow("hpf 1 kHz") << "hpf" << 34.0f << "1.0kHz";
    QTest::newRow("hpf 7 kHz") << "hpf" << 51.0f << "7.0kHz";
    QTest::newRow("hpf clamped") << "hpf" << 99.0f << "8.0kHz";
    QTest::newRow("lpf clamped low") << "lpf" << 0.0f << "1.0kHz";
    QTest::newRow("lpf 9 kHz") << "lpf" << 53.0f << "9.0kHz";
    QTest::newRow("lpf 10 kHz") << "lpf" << 54.0f << " 10kHz";
    QTest::newRow("lpf 14 kHz") << "lpf" << 57.0f << " 14kHz";
    QTest::newRow("lpf 20 kHz") << "lpf" << 60.0f << " 20kHz";
    QTest::newRow("low freq clamped low") << "lowfreq" << 0.0f << "  22Hz";
    QTest::newRow("low freq clamped high") << "lowfreq" << 60.0f << " 18kHz";
    QTest::newRow("mix top") << "mix" << 127.0f << "100";
    QTest::newRow("mix centre") << "mix" << 64.0f << " 50";
    QTest::newRow("mix bottom") << "mix" << 1.0f << "  0";
    QTest::newRow("ratio") << "ratio" << 7.0f << "0.7";
    QTest::newRow("ratio whole") << "ratio" << 10.9f << "1.0";
    QTest::newRow("type hall") << "type" << 0.0f << "Hall";
    QTest::newRow("type room") << "type" << 1.0f << "Room";
    QTest::newRow("type plate") << "type" << 2.0f << "Plate";
    QTest::newRow("type other") << "type" << 5.0f << "Hall";
    QTest::newRow("apf") << "apf" << 1500.0f << "0.500";
    QTest::newRow("apf delay") << "apfd" << 149.6f << "1.50ms";
    QTest::newRow("short") << "short" << 3.7f << "3";
}

void tst_Reverb::texts()
{
    QFETCH(QString, kind);
    QFETCH(float, value);
    QFETCH(QString, text);
    using Text = QString (*)(float);
    const QHash<QString, Text> texts {
            {"time", ReverbUtils::Float2RevTimeStr},    {"delay", ReverbUtils::Float2InitDlyStr},
            {"hpf", ReverbUtils::Float2HPFStr},         {"lpf", ReverbUtils::Float2LPFStr},
            {"lowfreq", ReverbUtils::Float2LowFreqStr}, {"mix", ReverbUtils::Float2MixStr},
            {"ratio", ReverbUtils::Float2RatioStr},     {"type", ReverbUtils::Float2TypeStr},
            {"apf", ReverbUtils::Float2ApfStr},         {"apfd", ReverbUtils::Float2ApfDStr},
            {"short", ReverbUtils::Float2StrShort}};
    QVERIFY(texts.contains(kind));
    const QString got = texts.value(kind)(value);
    QCOMPARE(got, text);
}

void tst_Reverb::nearestFrequencyIndex()
{
    QCOMPARE(ReverbUtils::ConvDisptoYLIB_Freq(21.0f), 1); // 21/22 beats 20/21
    QCOMPARE(ReverbUtils::ConvDisptoYLIB_Freq(20.0f), 0);
    QCOMPARE(ReverbUtils::ConvDisptoYLIB_Freq(5.0f), 0);
    QCOMPARE(ReverbUtils::ConvDisptoYLIB_Freq(-3.0f), 0);
    QCOMPARE(ReverbUtils::ConvDisptoYLIB_Freq(std::nanf("")), 0);
    QCOMPARE(ReverbUtils::ConvDisptoYLIB_Freq(30000.0f), 60);
    // Between neighbours the boundary is their geometric mean.
    for (int k = 1; k < ReverbUtils::FrequencyCount; ++k) {
        const double lo = ReverbUtils::frequency(k - 1), hi = ReverbUtils::frequency(k);
        const double mean = std::sqrt(lo * hi);
        QCOMPARE(ReverbUtils::ConvDisptoYLIB_Freq(float(mean * 0.999)), k - 1);
        QCOMPARE(ReverbUtils::ConvDisptoYLIB_Freq(float(mean * 1.001)), k);
        QCOMPARE(ReverbUtils::ConvDisptoYLIB_Freq(float(hi)), k);
    }
}

void tst_Reverb::conversionsRoundTrip()
{
    for (int i = 0; i <= 52; ++i)
        QCOMPARE(ReverbUtils::ConvDisptoYLIB_HPF(ReverbUtils::ConvYLIBtoDisp_HPF(i)), i);
    for (int i = 34; i <= 60; ++i)
        QCOMPARE(ReverbUtils::ConvDisptoYLIB_LPF(ReverbUtils::ConvYLIBtoDisp_LPF(i)), i);
    for (int i = 1; i <= 59; ++i)
        QCOMPARE(ReverbUtils::ConvDisptoYLIB_LowFreq(ReverbUtils::ConvYLIBtoDisp_LowFreq(i)), i);
    for (int raw = 0; raw <= 1250; ++raw)
        QCOMPARE(ReverbUtils::ConvDisptoYLIB_InitDly(ReverbUtils::ConvYLIBtoDisp_InitDly(raw)),
                 raw);
    // The inverses keep to the raw ranges.
    QCOMPARE(ReverbUtils::ConvDisptoYLIB_HPF(20000.0f), 52);
    QCOMPARE(ReverbUtils::ConvDisptoYLIB_LPF(20.0f), 34);
    QCOMPARE(ReverbUtils::ConvDisptoYLIB_LowFreq(20.0f), 1);
    QCOMPARE(ReverbUtils::ConvDisptoYLIB_LowFreq(20000.0f), 59);
    QCOMPARE(ReverbUtils::ConvDisptoYLIB_InitDly(-5.0f), 0);
    QCOMPARE(ReverbUtils::ConvDisptoYLIB_InitDly(500.0f), 1250);
    QCOMPARE(ReverbUtils::ConvYLIBtoDisp_HPF(-7.0f), 20.0f);
    QCOMPARE(ReverbUtils::ConvYLIBtoDisp_InitDly(std::nanf("")), 0.0f);
    // Log position and back.
    for (int x = 39; x <= 129; ++x) {
        const float f = ReverbUtils::Pos2Log(x, 20.0f, 20000.0f, 39, 129);
        QVERIFY(qAbs(ReverbUtils::Log2Pos(f * 1.0001f, 20.0f, 20000.0f, 39, 129) - x) <= 0);
    }
    QCOMPARE(ReverbUtils::Log2Pos(0.0f, 20.0f, 20000.0f, 39, 129), 39);
}

void tst_Reverb::float2PosRoundsHalfAwayFromZero_data()
{
    QTest::addColumn<float>("v");
    QTest::addColumn<int>("p1");
    QTest::addColumn<int>("pos");
    QTest::newRow("+1.5") << 0.5f << 3 << 2;
    QTest::newRow("-1.5") << 0.5f << -3 << -2;
    QTest::newRow("+0.5") << 0.25f << 2 << 1;
    QTest::newRow("-0.5") << 0.25f << -2 << -1;
    QTest::newRow("+0.4") << 0.2f << 2 << 0;
    QTest::newRow("-2.5") << 0.5f << -5 << -3;
}

void tst_Reverb::float2PosRoundsHalfAwayFromZero()
{
    QFETCH(float, v);
    QFETCH(int, p1);
    QFETCH(int, pos);
    QCOMPARE(ReverbUtils::Float2Pos(v, 0.0f, 1.0f, 0, p1), pos);
    QCOMPARE(ReverbUtils::Float2Pos(v, 1.0f, 1.0f, 7, p1), 7); // empty range
}

void tst_Reverb::actualReverbTime_data()
{
    // Hand-worked: table value × 0.965^n (n > 0) or × 1.035^-n, rounded to 1 ms.
    QTest::addColumn<int>("type");
    QTest::addColumn<float>("seconds");
    QTest::newRow("Large Hall") << 0 << 2.900f; // n = 0
    QTest::newRow("Medium Hall") << 1 << 1.674f; // 2.0 × 0.836829
    QTest::newRow("Warm Room") << 2 << 0.500f; // n = 0
    QTest::newRow("Woody Room") << 3 << 1.148f; // 1.0 × 1.147523
    QTest::newRow("Plate1") << 4 << 2.800f;
    QTest::newRow("Plate2") << 5 << 2.800f;
}

void tst_Reverb::actualReverbTime()
{
    QFETCH(int, type);
    QFETCH(float, seconds);
    const int *p = kPresetTable[type];
    QCOMPARE(ReverbUtils::GetActualReverbTime(p[10], p[5], p[0]), seconds);
    // Other kinds are not scaled; indexes keep to the table.
    QCOMPARE(ReverbUtils::GetActualReverbTime(7, 3, 0), 0.3f);
    QCOMPARE(ReverbUtils::GetActualReverbTime(0, 30, 500), 30.0f);
    QCOMPARE(ReverbUtils::GetActualReverbTime(0, 30, -4), 0.3f);
}

// --- model -----------------------------------------------------------------------------------

void tst_Reverb::referenceEnvelopes_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("samples");
    QTest::newRow("Hall") << 0 << 1909;
    QTest::newRow("Room") << 1 << 517;
    QTest::newRow("Plate") << 2 << 2113;
}

void tst_Reverb::referenceEnvelopes()
{
    QFETCH(int, kind);
    QFETCH(int, samples);
    RevShape shape;
    const RevLine &line = shape.line(kind);
    QCOMPARE(int(line.samples().size()), samples);
    const std::vector<RevLine::Segment> &seg = line.segments();
    // The attack ends on the first amplitude; each segment ends near the next one's start.
    QVERIFY(qAbs(line.attackCount() * line.slope() - seg.front().amplitude) < 1.0);
    for (size_t k = 0; k + 1 < seg.size(); ++k) {
        const double end = seg[k].amplitude * std::exp(4000.0 * seg[k].rate);
        QVERIFY2(qAbs(end - seg[k + 1].amplitude) < 5.0, qPrintable(QString::number(k)));
    }
    // Samples are the dB of the piecewise model at int(i × 44.1); sample 0 is extrapolated.
    const std::vector<float> &s = line.samples();
    for (int i : {1, 50, 100, 185, 186, 300, samples - 1}) {
        const int t = int(i * 44.1);
        double x;
        if (t < line.attackCount()) {
            x = t * line.slope();
        } else {
            const int past = t - line.attackCount();
            const int k = std::min(past / 4000, int(seg.size()) - 1);
            x = seg[size_t(k)].amplitude * std::exp(seg[size_t(k)].rate * (past - 4000 * k));
        }
        QVERIFY2(qAbs(s[size_t(i)] - 20.0 * std::log10(x)) < 1e-3, qPrintable(QString::number(i)));
    }
    QCOMPARE(s[0], s[1] - (s[2] - s[1]));
    // No jump of more than a few dB between neighbouring milliseconds after the attack.
    const int attackMs = int(line.attackCount() / 44.1) + 1;
    for (int i = attackMs + 1; i < samples; ++i)
        QVERIFY2(qAbs(s[size_t(i)] - s[size_t(i - 1)]) < 0.5, qPrintable(QString::number(i)));
}

void tst_Reverb::revTimeRatio()
{
    RevShape shape;
    shape.SetHighRatio_param(10);
    shape.SetLowRatio_param(10);
    for (int b = 0; b < RevLine::BandCount; ++b)
        QVERIFY(qAbs(shape.currentLine().ratio(RevLine::Band(b)) - 1.0f) < 1e-6f);
    // Flat shelves: the reverb-time curve is the actual time plus the delay everywhere.
    float curve[90];
    shape.GetReverbTimeCurve(curve, 90);
    const float flat = shape.actualReverbTime() * 1000.0f + shape.currentLine().initialDelay();
    for (float v : curve)
        QVERIFY(qAbs(v - flat) < 0.01f);

    // High ratio 5: a -6.02 dB first-order shelf at 4 kHz.
    shape.SetHighRatio_param(5);
    const RevLine &line = shape.currentLine();
    QCOMPARE(std::round(line.ratio(RevLine::HighBand) * 1000.0) / 1000.0, 0.572);
    QCOMPARE(std::round(line.ratio(RevLine::LowBand) * 1000.0) / 1000.0, 1.000);
    QVERIFY(qAbs(line.ratio(RevLine::HighBand) - shelfCutMagnitude(10000, 4000, 2.0, 44100))
            < 1e-4);
    QVERIFY(qAbs(line.ratio(RevLine::MidBand) - shelfCutMagnitude(1000, 4000, 2.0, 44100)) < 1e-4);
    // Curve points run from 20 Hz towards 20 kHz, one step short of it.
    QCOMPARE(RevShape::curveFrequency(0, 90), 20.0);
    QVERIFY(qAbs(RevShape::curveFrequency(90, 90) - 20000.0) < 1e-6);
    QVERIFY(RevShape::curveFrequency(89, 90) < 20000.0);
}

void tst_Reverb::settersClamp_data()
{
    QTest::addColumn<int>("parameter");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("stored");
    QTest::newRow("hpf high") << 4 << 99 << 52;
    QTest::newRow("hpf low") << 4 << -3 << 0;
    QTest::newRow("lpf low") << 5 << 0 << 34;
    QTest::newRow("lpf high") << 5 << 70 << 60;
    QTest::newRow("high ratio low") << 7 << 0 << 1;
    QTest::newRow("high ratio high") << 7 << 50 << 10;
    QTest::newRow("low ratio high") << 8 << 20 << 14;
    QTest::newRow("low ratio low") << 8 << -9 << 1;
    QTest::newRow("low freq low") << 12 << 0 << 1;
    QTest::newRow("low freq high") << 12 << 70 << 59;
    QTest::newRow("kind high") << 11 << 7 << 2;
    QTest::newRow("kind low") << 11 << -1 << 0;
    QTest::newRow("reverb time") << 1 << 300 << 69;
    QTest::newRow("room size") << 6 << 40 << 31;
    QTest::newRow("diffusion") << 2 << 11 << 10;
    // Indexes outside 1..12 are no parameters: written to nowhere, read as 0.
    QTest::newRow("index 0") << 0 << 5 << 0;
    QTest::newRow("index 13") << 13 << 5 << 0;
    QTest::newRow("index -1") << -1 << 5 << 0;
}

void tst_Reverb::settersClamp()
{
    QFETCH(int, parameter);
    QFETCH(int, value);
    QFETCH(int, stored);
    CReverbGraph graph;
    graph.SetParameter(parameter, float(value));
    QCOMPARE(graph.GetParameter(parameter), float(stored));
    // The curves computed from the clamped values are finite.
    QImage image(420, 320, QImage::Format_ARGB32);
    textured(&graph);
    QPainter p(&image);
    graph.repaintScreenPrimitive(p);
    for (const QPoint &pt : graph.reverbTimePoints())
        QVERIFY(pt.x() >= 39 && pt.x() <= 409 && pt.y() >= 203 && pt.y() <= 293);
    for (const QPoint &pt : graph.filterPoints())
        QVERIFY(pt.y() >= 203 - 84 && pt.y() <= 293);
}

void tst_Reverb::editValueInversesStayFinite()
{
    RevShape shape; // Large Hall: 2.9 s, 20 ms delay
    const RevLine &line = shape.currentLine();
    QCOMPARE(line.GetRoomSizeParam_Float(0.0f), 0.0f); // before the delay ends
    QCOMPARE(line.GetRoomSizeParam_Float(-100.0f), 0.0f);
    QCOMPARE(line.GetRoomSizeParam_Float(1.0e9f), 31.0f);
    // The room size that gives a reverb time is found again from its knob position.
    const float x = shape.actualReverbTime() * 1000.0f + line.initialDelay();
    QVERIFY(qAbs(line.GetRoomSizeParam_Float(x) - 30.0f) < 0.05f);
    shape.SetRoomSize(22);
    const float x22 = shape.actualReverbTime() * 1000.0f + line.initialDelay();
    QVERIFY(qAbs(shape.currentLine().GetRoomSizeParam_Float(x22) - 22.0f) < 0.05f);
    QCOMPARE(line.GetHighRatioParam_Float(-1.0e9f), 1.0f);
    QCOMPARE(line.GetLowRatioParam_Float(1.0e9f), 14.0f);
    QCOMPARE(line.GetHighRatioParam(line.GetHighRatioNob() + 1.0f), 8);
    QVERIFY(std::isfinite(line.GetDecayParam_Float(std::nanf(""))));
}

void tst_Reverb::axisConvSettersKeepOthers()
{
    AxisConv fresh;
    fresh.SetAxisY(39, 293, 129, 209, 39, 293, 129, 203, -84);
    QCOMPARE(fresh.b(), 0.0f);
    QCOMPARE(fresh.GetPoint(129, 293), QPoint(129, 203)); // along the frequency axis
    QCOMPARE(fresh.GetPoint(39, 209), QPoint(39, 209)); // straight up
    QCOMPARE(fresh.GetPoint(84, 251), QPoint(84, 206)); // half of each
    AxisConv x;
    x.SetAxisX(39, 293, 319, 203, 39, 293, 129, 203, 280);
    QCOMPARE(x.d(), 0.0f);
    QCOMPARE(x.GetPoint(319, 293), QPoint(319, 293)); // the time axis stays horizontal
    QCOMPARE(x.GetPoint(39, 203), QPoint(129, 203));
    // Each setter leaves the coefficient the other one owns.
    x.SetAxisY(0, 0, 1, 1, 0, 0, 10, 20, 5);
    QCOMPARE(x.b(), 90.0f);
    QCOMPARE(x.GetPointF(0.5f, 0.5f), QPointF(50.0, 12.5));
    fresh.SetAxisX(0, 0, 1, 1, 0, 0, 10, 20, 5);
    QCOMPARE(fresh.d(), -90.0f);
    QCOMPARE(fresh.GetPoint(-0.5f, 0.0f), QPoint(-2, 45)); // truncated towards zero
}

void tst_Reverb::rangeList()
{
    TRange one;
    one.removeRange(3, 5);
    QCOMPARE(one.lookupValue(2), quint16(2));
    QCOMPARE(one.lookupValue(3), quint16(6));
    QCOMPARE(one.lookupValue(10), quint16(13));
    one.removeRange(9, 8); // reversed: ignored
    QCOMPARE(int(one.entries().size()), 1);

    // The sum runs over the ranges walked past, as stored.
    TRange two;
    two.removeRange(10, 11);
    two.removeRange(3, 5);
    QCOMPARE(two.lookupValue(12), quint16(14));
    QCOMPARE(two.lookupValue(4), quint16(9));
    QCOMPARE(two.lookupValue(1), quint16(1));
    TRange wide;
    wide.removeRange(0, 65535); // count wraps to 0 in 16 bits
    QCOMPARE(wide.lookupValue(7), quint16(7));
}

// --- graph -----------------------------------------------------------------------------------

void tst_Reverb::presetsAndAutoZoom_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("zoom");
    QTest::newRow("Large Hall") << 0 << 4;
    QTest::newRow("Medium Hall") << 1 << 2;
    QTest::newRow("Warm Room") << 2 << 1;
    QTest::newRow("Woody Room") << 3 << 2;
    QTest::newRow("Plate1") << 4 << 3;
    QTest::newRow("Plate2") << 5 << 3;
}

void tst_Reverb::presetsAndAutoZoom()
{
    QFETCH(int, type);
    QFETCH(int, zoom);
    CountingMemory memory;
    BoundGraph b(memory);
    // Leave the start type first, so every type is a change.
    b.graph->setReverbType(type == 0 ? CReverbGraph::Plate_1 : CReverbGraph::Large_Hall);
    QSignalSpy zoomSpy(b.graph, &CReverbGraph::zoomUpdated);
    const int before = stored(memory, 1);
    b.graph->setReverbType(CReverbGraph::revType(type));
    QCOMPARE(b.graph->reverbType(), CReverbGraph::revType(type));
    for (int i = 1; i <= 12; ++i)
        QCOMPARE(b.graph->GetParameter(i), float(kPresetTable[type][i - 1]));
    QCOMPARE(b.graph->shape().currentKind(), type / 2);
    for (ReverbKnob *k : b.graph->knobs())
        QCOMPARE(k->value(), float(kPresetTable[type][k->parameterIndex() - 1]));
    QCOMPARE(b.graph->zoom(), zoom);
    QVERIFY(!zoomSpy.isEmpty());
    QCOMPARE(zoomSpy.last().at(0).toInt(), zoom);
    QCOMPARE(memory.writes.load(), 0);
    QCOMPARE(stored(memory, 1), before);
    // The same type again does nothing.
    zoomSpy.clear();
    b.graph->setZoom(0);
    zoomSpy.clear();
    b.graph->setReverbType(CReverbGraph::revType(type));
    QCOMPARE(zoomSpy.count(), 0);
    QCOMPARE(b.graph->zoom(), 0);
}

void tst_Reverb::zoomLimitsAndAnnounces()
{
    CReverbGraph graph;
    QSignalSpy spy(&graph, &CReverbGraph::zoomUpdated);
    graph.setZoom(12);
    QCOMPARE(graph.zoom(), 8);
    QCOMPARE(graph.shape().timeSpan(), 50000);
    graph.setZoom(8);
    graph.setZoom(-4);
    QCOMPARE(spy.count(), 3); // every call, changed or not
    QCOMPARE(spy.at(0).at(0).toInt(), 8);
    QCOMPARE(spy.at(1).at(0).toInt(), 8);
    QCOMPARE(spy.at(2).at(0).toInt(), 0);
    // Auto zoom acts on reverb time and room size only when on.
    graph.SetParameter(RevShape::ReverbTime, 60); // 12 s
    QCOMPARE(graph.zoom(), 0);
    graph.setAutoZoom(true);
    graph.SetParameter(RevShape::Diffusion, 3);
    QCOMPARE(graph.zoom(), 0);
    graph.SetParameter(RevShape::RoomSize, 30);
    QCOMPARE(graph.zoom(), 7); // 12 000 ms < 0.95 × 25 000
    graph.SetParameter(RevShape::ReverbTime, 69); // 30 s: past every level but the last
    QCOMPARE(graph.zoom(), 8);
}

void tst_Reverb::paintingNeedsTexture()
{
    CReverbGraph graph;
    graph.resize(420, 320);
    QPalette pal = graph.palette();
    pal.setColor(QPalette::Window, QColor(10, 20, 30));
    graph.setPalette(pal);
    const QImage plain = graph.grab().toImage();
    for (int y = 0; y < plain.height(); y += 7) {
        for (int x = 0; x < plain.width(); x += 7)
            QCOMPARE(plain.pixelColor(x, y), QColor(10, 20, 30));
    }
    QCOMPARE(graph.envelopeRecalculations(), 0); // nothing computed for a plain fill

    textured(&graph, QColor(10, 20, 30));
    const QImage drawn = graph.grab().toImage();
    QCOMPARE(graph.envelopeRecalculations(), 3);
    QCOMPARE(graph.reverbTimeRecalculations(), 1);
    QCOMPARE(graph.filterRecalculations(), 1);
    // The reverb-time curve passes its 1 kHz point where the reverb-time knob sits.
    const QPoint onCurve = graph.reverbTimePoints().at(RevShape::CurvePoints * 0 + 51);
    QVERIFY(drawn.pixelColor(onCurve) != QColor(10, 20, 30));
    // Envelopes are drawn between the layout rows, in front of the background.
    const QPolygon &front = graph.envelopePoints(0);
    QVERIFY(front.size() == 283);
    for (int i = 1; i < front.size() - 1; ++i)
        QVERIFY(front[i].y() <= front.first().y() && front[i].y() >= front.first().y() - 84);
}

void tst_Reverb::missingImageDrawsTextOnly()
{
    CReverbGraph graph;
    ReverbKnob *knob = graph.knobs().first();
    QVERIFY(!knob->hasImage()); // the tests have no demo art
    QRect r;
    knob->GetKnobRect(r);
    QCOMPARE(r.size(), QSize(11, 11));
    QImage image(420, 320, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        knob->DrawPrimitive(&p);
    }
    const QRect textBox(4, 16, 36, 9);
    bool inked = false;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) == 0)
                continue;
            QVERIFY2(textBox.contains(x, y), qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
            inked = true;
        }
    }
    QVERIFY(inked);
    QCOMPARE(knob->valueTextShown(), QStringLiteral("None"));
    // Without a memory range the initial delay maps to the model's low end.
    ReverbKnob *delay = graph.knobs().at(1);
    QCOMPARE(delay->memoryMinimum(), delay->memoryMaximum());
    QCOMPARE(delay->modelFromRaw(700), 0.0f);
}

// --- against the memory ------------------------------------------------------------------

void tst_Reverb::knobsBindInOrder()
{
    TParamMemory memory;
    BoundGraph b(memory);
    const char *const names[] = {"ReverbTineKnob",      "ReverbInitialDelayKnob",
                                 "ReverbHiRatioKnob",   "ReverbLowRatioKnob",
                                 "ReverbDiffusionKnob", "ReverbRoomSizeKnob",
                                 "ReverbDelayKnob",     "ReverbLowFreqKnob",
                                 "ReverbHPFKnob",       "ReverbLPFKnob"};
    const int parameters[] = {1, 3, 7, 8, 2, 6, 9, 12, 4, 5};
    const QList<ReverbKnob *> knobs = b.graph->knobs();
    QCOMPARE(knobs.size(), 10);
    QVERIFY(b.graph->isAttached());
    for (int n = 0; n < 10; ++n) {
        ReverbKnob *k = knobs[n];
        QCOMPARE(k->objectName(), QString::fromLatin1(names[n]));
        QCOMPARE(int(k->parameterIndex()), parameters[n]);
        QVERIFY(k->isAttached());
        const IMemAPI::TSingleAddress a = effectParam(memory, n + 1);
        QCOMPARE(k->element(), int(a.element));
        QCOMPARE(k->parameter(), int(a.parameter));
        QCOMPARE(k->channel(), kChannel);
        QCOMPARE(memory.observerCount(a.packed()), 1);
    }
    // The catalogue's defaults reach the model through the knobs on connecting.
    for (int i : {1, 2, 3, 4, 5, 6, 7, 8, 9, 12})
        QCOMPARE(b.graph->GetParameter(i), float(kPresetTable[0][i - 1]));
    // A value text from the memory, for the model value (LPF index 43 is 2.8 kHz).
    textured(b.graph);
    b.graph->grab();
    QCOMPARE(knobs[9]->valueTextShown(), QStringLiteral("2.8 kHz"));
    QCOMPARE(knobs[4]->valueTextShown(), QStringLiteral("10"));
}

void tst_Reverb::workerWriteReachesModel()
{
    TParamMemory memory;
    BoundGraph b(memory);
    const IMemAPI::TSingleAddress a = effectParam(memory, 10);
    const int updates = b.knob(RevShape::Lpf)->guiUpdateCount();
    QVERIFY(TestRig::runOnWorker([&] {
        for (int v = 20; v >= 0; --v)
            memory.setValue(a.element, a.parameter, a.channel, v, memory.sourceId(0) + 1, 1);
    }));
    QCOMPARE(b.graph->GetParameter(RevShape::Lpf), 43.0f); // nothing before the hand-over
    QTRY_COMPARE(b.graph->GetParameter(RevShape::Lpf), 34.0f);
    QCOMPARE(b.knob(RevShape::Lpf)->guiUpdateCount(), updates + 1);
}

void tst_Reverb::dragWritesAndRestoresZoom()
{
    CountingMemory memory;
    BoundGraph b(memory);
    QCOMPARE(b.graph->zoom(), 4);
    // The initial-delay knob at 20 ms; while it is dragged the axis spans 500 ms.
    const QPoint start = b.centre(RevShape::InitialDelay);
    QTest::mousePress(b.graph, Qt::LeftButton, Qt::NoModifier, start);
    QCOMPARE(b.graph->draggedKnob(), b.knob(RevShape::InitialDelay));
    QCOMPARE(b.graph->zoom(), 0);
    QCOMPARE(ReverbKnob::m_sSavedZoom, 4);
    // x 95 is 56/280 of 500 ms = 100 ms: raw 1000 in tenths of a ms.
    QTest::mouseMove(b.graph, QPoint(95, start.y()));
    QCOMPARE(stored(memory, 2), 1000);
    QCOMPARE(b.graph->GetParameter(RevShape::InitialDelay), 1000.0f);
    QTest::mouseMove(b.graph, QPoint(1000, start.y())); // past the axis: the top of the range
    QCOMPARE(stored(memory, 2), 1250);
    QTest::mouseRelease(b.graph, Qt::LeftButton, Qt::NoModifier, QPoint(1000, start.y()));
    QCOMPARE(b.graph->zoom(), 4);
    QVERIFY(!b.graph->draggedKnob());
    QCOMPARE(memory.writes.load(), 2);

    // Room size: dragging to the time of the 2.9 s table entry gives the base room size.
    b.graph->setZoom(5);
    const QPoint room = b.centre(RevShape::RoomSize);
    QTest::mousePress(b.graph, Qt::LeftButton, Qt::NoModifier, room);
    QCOMPARE(b.graph->zoom(), 5);
    // 2900 ms + 125 ms delay at 5000 ms over 280 px.
    const int x = 39 + int(std::lround((2900.0 + 125.0) / 5000.0 * 280.0));
    QTest::mouseMove(b.graph, QPoint(x, room.y()));
    QTest::mouseMove(b.graph, QPoint(x - 60, room.y()));
    QVERIFY(stored(memory, 6) < 30);
    QTest::mouseMove(b.graph, QPoint(x, room.y()));
    QCOMPARE(stored(memory, 6), 30);
    QTest::mouseRelease(b.graph, Qt::LeftButton, Qt::NoModifier, QPoint(x, room.y()));
    QCOMPARE(b.graph->zoom(), 5);
}

void tst_Reverb::frequencyDragWritesRawIndex()
{
    CountingMemory memory;
    BoundGraph b(memory);
    // LPF: the model index is raw + 34; x 90 is 51/90 of the way to 20 kHz, about 1 kHz.
    const QPoint lpf = b.centre(RevShape::Lpf);
    QCOMPARE(b.graph->realMemoryProxy(nullptr), nullptr);
    QTest::mousePress(b.graph, Qt::LeftButton, Qt::NoModifier, lpf);
    QTest::mouseMove(b.graph, QPoint(39 + 51, lpf.y()));
    QCOMPARE(b.graph->GetParameter(RevShape::Lpf), 34.0f);
    QCOMPARE(stored(memory, 10), 0);
    QTest::mouseRelease(b.graph, Qt::LeftButton, Qt::NoModifier, QPoint(90, lpf.y()));
    // Low frequency: raw + 1; all the way right is 20 kHz, limited to index 59.
    const QPoint low = b.centre(RevShape::LowFreq);
    QTest::mousePress(b.graph, Qt::LeftButton, Qt::NoModifier, low);
    QTest::mouseMove(b.graph, QPoint(300, low.y()));
    QCOMPARE(b.graph->GetParameter(RevShape::LowFreq), 59.0f);
    QCOMPARE(stored(memory, 8), 58);
    QTest::mouseRelease(b.graph, Qt::LeftButton, Qt::NoModifier, QPoint(300, low.y()));
    // Diffusion by the generic rule: the top of its travel is 10, the bottom 0.
    const QPoint diffusion = b.centre(RevShape::Diffusion);
    QTest::mousePress(b.graph, Qt::LeftButton, Qt::NoModifier, diffusion);
    QTest::mouseMove(b.graph, QPoint(diffusion.x(), 400));
    QCOMPARE(stored(memory, 5), 0);
    QTest::mouseRelease(b.graph, Qt::LeftButton, Qt::NoModifier, QPoint(diffusion.x(), 400));
    QCOMPARE(memory.writes.load(), 3);
}

void tst_Reverb::disabledKnobWritesNothing()
{
    CountingMemory memory;
    BoundGraph b(memory);
    // At 500 ms a 2.9 s reverb cannot be reached by any room size: the room knob is off.
    b.graph->setZoom(0);
    ReverbKnob *room = b.knob(RevShape::RoomSize);
    QVERIFY(!room->IsEnabled());
    QVERIFY(b.knob(RevShape::ReverbTime)->IsEnabled());
    const QPoint at = b.centre(RevShape::RoomSize);
    QCOMPARE(b.graph->knobAt(at), room);
    QTest::mousePress(b.graph, Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseMove(b.graph, QPoint(60, at.y()));
    QTest::mouseMove(b.graph, QPoint(300, at.y()));
    QTest::mouseRelease(b.graph, Qt::LeftButton, Qt::NoModifier, QPoint(300, at.y()));
    room->setValue(5.0f);
    QCOMPARE(memory.writes.load(), 0);
    QCOMPARE(stored(memory, 6), 30);
    QCOMPARE(b.graph->GetParameter(RevShape::RoomSize), 30.0f);
    // At 5 s it is usable again.
    b.graph->setZoom(5);
    QVERIFY(room->IsEnabled());
    room->setValue(29.0f);
    QCOMPARE(stored(memory, 6), 29);
}

void tst_Reverb::mixRecomputesNoEnvelope()
{
    TParamMemory memory;
    BoundGraph b(memory);
    textured(b.graph);
    b.graph->grab();
    const int envelopes = b.graph->envelopeRecalculations();
    const int times = b.graph->reverbTimeRecalculations();
    const int filters = b.graph->filterRecalculations();
    const int rebuilds = b.graph->pictureRebuilds();
    b.graph->SetParameter(RevShape::Mix, 30);
    b.graph->SetParameter(RevShape::Diffusion, 2);
    b.graph->grab();
    QCOMPARE(b.graph->envelopeRecalculations(), envelopes);
    QCOMPARE(b.graph->reverbTimeRecalculations(), times);
    QCOMPARE(b.graph->filterRecalculations(), filters);
    QVERIFY(b.graph->pictureRebuilds() > rebuilds);
    // HPF recomputes the filter curve only; the decay the envelopes only.
    b.graph->SetParameter(RevShape::Hpf, 20);
    b.graph->grab();
    QCOMPARE(b.graph->filterRecalculations(), filters + 1);
    QCOMPARE(b.graph->envelopeRecalculations(), envelopes);
    b.graph->SetParameter(RevShape::Decay, 10);
    b.graph->grab();
    QCOMPARE(b.graph->envelopeRecalculations(), envelopes + 3);
    QCOMPARE(b.graph->reverbTimeRecalculations(), times);
    // The decay knob follows the shorter attack.
    QVERIFY(b.graph->shape().currentLine().GetDecayNob()
            < b.graph->shape().currentLine().initialDelay()
                    + b.graph->shape().currentLine().attackLength());
}

QTEST_MAIN(tst_Reverb)
#include "tst_reverb.moc"
