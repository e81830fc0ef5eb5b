// The reverb editor: value conversions and texts, the envelope model and its filters, the
// point mappings, the range list, and the graph with its knobs driven against the memory.

#include "CAxisConv.h"
#include "CReverbGraph.h"
#include "RevShape.h"
#include "ReverbKnob.h"
#include "ReverbUtils.h"
#include "TRange.h"
#include "TestRig.h"

#include <cmath>
#include <tuple>

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

// The value texts, in the order the text rows name them.
QString (*const kTexts[])(float) = {
        ReverbUtils::Float2RevTimeStr, ReverbUtils::Float2InitDlyStr, ReverbUtils::Float2HPFStr,
        ReverbUtils::Float2LPFStr,     ReverbUtils::Float2LowFreqStr, ReverbUtils::Float2MixStr,
        ReverbUtils::Float2RatioStr,   ReverbUtils::Float2TypeStr,    ReverbUtils::Float2ApfStr,
        ReverbUtils::Float2ApfDStr,    ReverbUtils::Float2StrShort};

// Gives a graph a textured background: without one it paints only the plain fill.
void textured(QWidget *w, const QColor &colour = Qt::black)
{
    QPalette pal = w->palette();
    QPixmap texture(420, 320);
    texture.fill(colour);
    pal.setBrush(QPalette::Window, QBrush(texture));
    w->setPalette(pal);
}

// A graph on the built-in catalogue, bound on kChannel like a form; its knobs bind themselves.
struct BoundGraph : TestRig::Console
{
    BoundGraph()
        : Console(nullptr, kChannel, QSize(440, 340))
        , graph(new CReverbGraph(&host, "graph"))
    {
        graph->resize(420, 320);
        ok = bind(graph, "FEkEffect/kEffectType");
        memory.connectTree(&host, kChannel); // as a form binds: the knobs are offered again
    }
    ReverbKnob *knob(int parameter) const
    {
        for (ReverbKnob *k : graph->knobs())
            if (k->parameterIndex() == parameter)
                return k;
        return nullptr;
    }
    QPoint centre(int parameter) const
    {
        QRect r;
        knob(parameter)->GetKnobRect(r);
        return r.center();
    }
    // What the memory holds for the n-th effect parameter.
    int stored(int n)
    {
        return value(qPrintable(QStringLiteral("FEkEffect/kEffectParam%1").arg(n)));
    }
    int writes() const { return memory.writes.load(); }
    // A drag of the knob on parameter from its centre along one axis to x (or y), released.
    void drag(int parameter, const QList<QPoint> &to)
    {
        QTest::mousePress(graph, Qt::LeftButton, Qt::NoModifier, centre(parameter));
        for (const QPoint &p : to)
            QTest::mouseMove(graph, p);
        QTest::mouseRelease(graph, Qt::LeftButton, Qt::NoModifier, to.last());
    }

    CReverbGraph *graph;
    bool ok = false;
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
    void utilities();
    // Model
    void referenceEnvelopes();
    void revTimeRatio();
    void settersClamp();
    // Graph
    void presetsAndZoom();
    void painting();
    void boundGraphScenario();
};

// --- ReverbUtils ---------------------------------------------------------------------------

void tst_Reverb::utilities()
{
    // Kind (the index in kTexts), value, text. Times below 1 s in ms, then two decimals (ties
    // to even) up to 10 s, then one.
    const std::tuple<int, float, const char *> cases[] = {
            {0, 0.5f, "500ms"},      {0, 0.999f, "999ms"},    {0, 1.0f, "1.00 s"},
            {0, 2.9f, "2.90 s"},     {0, 1.125f, "1.12 s"},   {0, 9.99f, "9.99 s"},
            {0, 10.0f, "10.0 s"},    {0, 25.0f, "25.0 s"},    {1, 5.0f, "0.500ms"},
            {1, 10.0f, "1.00ms"},    {1, 99.0f, "9.90ms"},    {1, 100.0f, "10.0ms"},
            {1, 1250.0f, "125.0ms"}, {1, 4000.0f, "125.0ms"}, {2, 0.0f, "  20Hz"},
            {2, 33.0f, " 900Hz"},    {2, 34.0f, "1.0kHz"},    {2, 51.0f, "7.0kHz"},
            {2, 99.0f, "8.0kHz"},    {3, 0.0f, "1.0kHz"},     {3, 53.0f, "9.0kHz"},
            {3, 54.0f, " 10kHz"},    {3, 57.0f, " 14kHz"},    {3, 60.0f, " 20kHz"},
            {4, 0.0f, "  22Hz"},     {4, 60.0f, " 18kHz"},    {5, 127.0f, "100"},
            {5, 64.0f, " 50"},       {5, 1.0f, "  0"},        {6, 7.0f, "0.7"},
            {6, 10.9f, "1.0"},       {7, 0.0f, "Hall"},       {7, 1.0f, "Room"},
            {7, 2.0f, "Plate"},      {7, 5.0f, "Hall"},       {8, 1500.0f, "0.500"},
            {9, 149.6f, "1.50ms"},   {10, 3.7f, "3"}};
    for (const auto &[kind, value, text] : cases)
        QCOMPARE(kTexts[kind](value), QString::fromLatin1(text));

    // The nearest frequency index: between neighbours the boundary is their geometric mean.
    // 21 Hz: 21/22 beats 20/21.
    const std::pair<float, int> nearest[] = {{21.0f, 1}, {20.0f, 0},         {5.0f, 0},
                                             {-3.0f, 0}, {std::nanf(""), 0}, {30000.0f, 60}};
    for (const auto &c : nearest)
        QCOMPARE(ReverbUtils::ConvDisptoYLIB_Freq(c.first), c.second);
    for (int k = 1; k < ReverbUtils::FrequencyCount; ++k) {
        const double lo = ReverbUtils::frequency(k - 1), hi = ReverbUtils::frequency(k);
        const double mean = std::sqrt(lo * hi);
        QCOMPARE(ReverbUtils::ConvDisptoYLIB_Freq(float(mean * 0.999)), k - 1);
        QCOMPARE(ReverbUtils::ConvDisptoYLIB_Freq(float(mean * 1.001)), k);
        QCOMPARE(ReverbUtils::ConvDisptoYLIB_Freq(float(hi)), k);
    }

    // Raw values through the display and back.
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
        QCOMPARE(ReverbUtils::Log2Pos(f * 1.0001f, 20.0f, 20000.0f, 39, 129), x);
    }
    QCOMPARE(ReverbUtils::Log2Pos(0.0f, 20.0f, 20000.0f, 39, 129), 39);

    // Positions round half away from zero; an empty range gives its start.
    const std::tuple<float, int, int> positions[] = {{0.5f, 3, 2},  {0.5f, -3, -2},
                                                     {0.25f, 2, 1}, {0.25f, -2, -1},
                                                     {0.2f, 2, 0},  {0.5f, -5, -3}};
    for (const auto &[v, p1, pos] : positions) {
        QCOMPARE(ReverbUtils::Float2Pos(v, 0.0f, 1.0f, 0, p1), pos);
        QCOMPARE(ReverbUtils::Float2Pos(v, 1.0f, 1.0f, 7, p1), 7);
    }

    // Only halls and rooms scale the table time; indexes keep to the table.
    QCOMPARE(ReverbUtils::GetActualReverbTime(7, 3, 0), 0.3f);
    QCOMPARE(ReverbUtils::GetActualReverbTime(0, 30, 500), 30.0f);
    QCOMPARE(ReverbUtils::GetActualReverbTime(0, 30, -4), 0.3f);

    // The point mappings: each setter keeps the coefficient the other one owns.
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

    // The range list.
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

// --- model -----------------------------------------------------------------------------------

void tst_Reverb::referenceEnvelopes()
{
    RevShape shape;
    const int sampleCounts[3] = {1909, 517, 2113}; // hall, room, plate
    for (int kind = 0; kind < 3; ++kind) {
        const int samples = sampleCounts[kind];
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
            QVERIFY2(qAbs(s[size_t(i)] - 20.0 * std::log10(x)) < 1e-3,
                     qPrintable(QString::number(i)));
        }
        QCOMPARE(s[0], s[1] - (s[2] - s[1]));
        // No jump of more than a few dB between neighbouring milliseconds after the attack.
        const int attackMs = int(line.attackCount() / 44.1) + 1;
        for (int i = attackMs + 1; i < samples; ++i)
            QVERIFY2(qAbs(s[size_t(i)] - s[size_t(i - 1)]) < 0.5, qPrintable(QString::number(i)));
    }
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

    // Edit values from knob positions, on a fresh Large Hall: 2.9 s, 20 ms delay.
    RevShape hall;
    const RevLine &hallLine = hall.currentLine();
    QCOMPARE(hallLine.GetRoomSizeParam_Float(0.0f), 0.0f); // before the delay ends
    QCOMPARE(hallLine.GetRoomSizeParam_Float(-100.0f), 0.0f);
    QCOMPARE(hallLine.GetRoomSizeParam_Float(1.0e9f), 31.0f);
    // The room size that gives a reverb time is found again from its knob position.
    const float x = hall.actualReverbTime() * 1000.0f + hallLine.initialDelay();
    QVERIFY(qAbs(hallLine.GetRoomSizeParam_Float(x) - 30.0f) < 0.05f);
    hall.SetRoomSize(22);
    const float x22 = hall.actualReverbTime() * 1000.0f + hallLine.initialDelay();
    QVERIFY(qAbs(hall.currentLine().GetRoomSizeParam_Float(x22) - 22.0f) < 0.05f);
    QCOMPARE(hallLine.GetHighRatioParam_Float(-1.0e9f), 1.0f);
    QCOMPARE(hallLine.GetLowRatioParam_Float(1.0e9f), 14.0f);
    QCOMPARE(hallLine.GetHighRatioParam(hallLine.GetHighRatioNob() + 1.0f), 8);
    QVERIFY(std::isfinite(hallLine.GetDecayParam_Float(std::nanf(""))));
}

void tst_Reverb::settersClamp()
{
    // Parameter, value set, value kept. Indexes outside 1..12 are no parameters: written to
    // nowhere, read as 0.
    const int cases[][3] = {{4, 99, 52}, {4, -3, 0},  {5, 0, 34},   {5, 70, 60}, {7, 0, 1},
                            {7, 50, 10}, {8, 20, 14}, {8, -9, 1},   {12, 0, 1},  {12, 70, 59},
                            {11, 7, 2},  {11, -1, 0}, {1, 300, 69}, {6, 40, 31}, {2, 11, 10},
                            {0, 5, 0},   {13, 5, 0},  {-1, 5, 0}};
    for (const auto &c : cases) {
        CReverbGraph graph;
        graph.SetParameter(c[0], float(c[1]));
        QCOMPARE(graph.GetParameter(c[0]), float(c[2]));
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
}

void tst_Reverb::presetsAndZoom()
{
    // Zoom levels after each preset, and the actual reverb times, hand-worked: table value ×
    // 0.965^n (n > 0) or × 1.035^-n, rounded to 1 ms (Medium Hall 2.0 × 0.836829, Woody Room
    // 1.0 × 1.147523, n = 0 for the others).
    const int zooms[6] = {4, 2, 1, 2, 3, 3};
    const float seconds[6] = {2.900f, 1.674f, 0.500f, 1.148f, 2.800f, 2.800f};
    CReverbGraph graph;
    QSignalSpy zoomSpy(&graph, &CReverbGraph::zoomUpdated);
    // From the start type on, so that every type is a change.
    for (int type : {1, 2, 3, 4, 5, 0}) {
        const int *preset = kPresetTable[type];
        QCOMPARE(ReverbUtils::GetActualReverbTime(preset[10], preset[5], preset[0]), seconds[type]);
        graph.setReverbType(CReverbGraph::revType(type));
        QCOMPARE(graph.reverbType(), CReverbGraph::revType(type));
        for (int i = 1; i <= 12; ++i)
            QCOMPARE(graph.GetParameter(i), float(preset[i - 1]));
        QCOMPARE(graph.shape().currentKind(), type / 2);
        for (ReverbKnob *k : graph.knobs())
            QCOMPARE(k->value(), float(preset[k->parameterIndex() - 1]));
        QCOMPARE(graph.zoom(), zooms[type]);
        QCOMPARE(zoomSpy.last().at(0).toInt(), zooms[type]);
        // The same type again does nothing.
        graph.setZoom(0);
        zoomSpy.clear();
        graph.setReverbType(CReverbGraph::revType(type));
        QCOMPARE(zoomSpy.count(), 0);
        QCOMPARE(graph.zoom(), 0);
    }

    // Zoom levels are clamped and announced on every call, changed or not.
    graph.setZoom(12);
    QCOMPARE(graph.zoom(), 8);
    QCOMPARE(graph.shape().timeSpan(), 50000);
    graph.setZoom(8);
    graph.setZoom(-4);
    QList<int> announced;
    for (const QList<QVariant> &args : zoomSpy)
        announced << args.at(0).toInt();
    QCOMPARE(announced, QList<int>({8, 8, 0}));
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

void tst_Reverb::painting()
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

    // Without its image a knob draws its text alone.
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
    // Ink only in the text box.
    const QRect textBox(4, 16, 36, 9);
    QCOMPARE(TestRig::countPixels(image, QColor(Qt::transparent), textBox).strayOutside, 0);
    QVERIFY(TestRig::countPixels(image, QColor(Qt::transparent), textBox).matching
            < textBox.width() * textBox.height());
    QCOMPARE(knob->valueTextShown(), QStringLiteral("None"));
    // Without a memory range the initial delay maps to the model's low end.
    ReverbKnob *delay = graph.knobs().at(1);
    QCOMPARE(delay->memoryMinimum(), delay->memoryMaximum());
    QCOMPARE(delay->modelFromRaw(700), 0.0f);
}

// --- against the memory ------------------------------------------------------------------

void tst_Reverb::boundGraphScenario()
{
    BoundGraph b;
    QVERIFY(b.ok);
    // The knobs bind in order, each to its own effect parameter.
    const char *const names[] = {"ReverbTineKnob",      "ReverbInitialDelayKnob",
                                 "ReverbHiRatioKnob",   "ReverbLowRatioKnob",
                                 "ReverbDiffusionKnob", "ReverbRoomSizeKnob",
                                 "ReverbDelayKnob",     "ReverbLowFreqKnob",
                                 "ReverbHPFKnob",       "ReverbLPFKnob"};
    const int parameters[] = {1, 3, 7, 8, 2, 6, 9, 12, 4, 5};
    const QList<ReverbKnob *> knobs = b.graph->knobs();
    QCOMPARE(knobs.size(), 10);
    for (int n = 0; n < 10; ++n) {
        ReverbKnob *k = knobs[n];
        QCOMPARE(k->objectName(), QString::fromLatin1(names[n]));
        QCOMPARE(int(k->parameterIndex()), parameters[n]);
        QVERIFY(k->isAttached());
        const IMemAPI::TSingleAddress a =
                b.at(qPrintable(QStringLiteral("FEkEffect/kEffectParam%1").arg(n + 1)));
        QCOMPARE(k->address().packed(), a.packed());
        QCOMPARE(b.memory.observerCount(a.packed()), 1);
    }
    // The catalogue's defaults reach the model through the knobs on connecting.
    for (int i : {1, 2, 3, 4, 5, 6, 7, 8, 9, 12})
        QCOMPARE(b.graph->GetParameter(i), float(kPresetTable[0][i - 1]));
    // A value text from the memory, for the model value (LPF index 43 is 2.8 kHz).
    textured(b.graph);
    b.graph->grab();
    QCOMPARE(knobs[9]->valueTextShown(), QStringLiteral("2.8 kHz"));
    QCOMPARE(knobs[4]->valueTextShown(), QStringLiteral("10"));

    // Mix and diffusion redraw without recomputing a curve; HPF recomputes the filter curve
    // only, the decay the envelopes only.
    const int envelopes = b.graph->envelopeRecalculations(), rebuilds = b.graph->pictureRebuilds();
    const int times = b.graph->reverbTimeRecalculations(),
              filters = b.graph->filterRecalculations();
    b.graph->SetParameter(RevShape::Mix, 30);
    b.graph->SetParameter(RevShape::Diffusion, 2);
    b.graph->grab();
    QCOMPARE(b.graph->envelopeRecalculations(), envelopes);
    QCOMPARE(b.graph->reverbTimeRecalculations(), times);
    QCOMPARE(b.graph->filterRecalculations(), filters);
    QVERIFY(b.graph->pictureRebuilds() > rebuilds);
    b.graph->SetParameter(RevShape::Hpf, 20);
    b.graph->grab();
    QCOMPARE(b.graph->filterRecalculations(), filters + 1);
    QCOMPARE(b.graph->envelopeRecalculations(), envelopes);
    b.graph->SetParameter(RevShape::Decay, 10);
    b.graph->grab();
    QCOMPARE(b.graph->envelopeRecalculations(), envelopes + 3);
    QCOMPARE(b.graph->reverbTimeRecalculations(), times);
    // The decay knob follows the shorter attack.
    const RevLine &line = b.graph->shape().currentLine();
    QVERIFY(line.GetDecayNob() < line.initialDelay() + line.attackLength());
    QCOMPARE(b.writes(), 0); // the model alone: nothing written

    // The initial-delay knob at 20 ms; while it is dragged the axis spans 500 ms, and the
    // zoom comes back on release.
    QCOMPARE(b.graph->zoom(), 4);
    const QPoint start = b.centre(RevShape::InitialDelay);
    QTest::mousePress(b.graph, Qt::LeftButton, Qt::NoModifier, start);
    QCOMPARE(b.graph->draggedKnob(), b.knob(RevShape::InitialDelay));
    QCOMPARE(b.graph->zoom(), 0);
    QCOMPARE(ReverbKnob::m_sSavedZoom, 4);
    // x 95 is 56/280 of 500 ms = 100 ms: raw 1000 in tenths of a ms.
    QTest::mouseMove(b.graph, QPoint(95, start.y()));
    QCOMPARE(b.stored(2), 1000);
    QCOMPARE(b.graph->GetParameter(RevShape::InitialDelay), 1000.0f);
    QTest::mouseMove(b.graph, QPoint(1000, start.y())); // past the axis: the top of the range
    QCOMPARE(b.stored(2), 1250);
    QTest::mouseRelease(b.graph, Qt::LeftButton, Qt::NoModifier, QPoint(1000, start.y()));
    QCOMPARE(b.graph->zoom(), 4);
    QVERIFY(!b.graph->draggedKnob());
    QCOMPARE(b.writes(), 2);

    // Room size: dragging to the time of the 2.9 s table entry gives the base room size.
    b.graph->setZoom(5);
    const int room = b.centre(RevShape::RoomSize).y();
    // 2900 ms + 125 ms delay at 5000 ms over 280 px.
    const int x = 39 + int(std::lround((2900.0 + 125.0) / 5000.0 * 280.0));
    QTest::mousePress(b.graph, Qt::LeftButton, Qt::NoModifier, b.centre(RevShape::RoomSize));
    QCOMPARE(b.graph->zoom(), 5);
    QTest::mouseMove(b.graph, QPoint(x, room));
    QTest::mouseMove(b.graph, QPoint(x - 60, room));
    QVERIFY(b.stored(6) < 30);
    QTest::mouseMove(b.graph, QPoint(x, room));
    QCOMPARE(b.stored(6), 30);
    QTest::mouseRelease(b.graph, Qt::LeftButton, Qt::NoModifier, QPoint(x, room));
    QCOMPARE(b.graph->zoom(), 5);

    // LPF: the model index is raw + 34; x 90 is 51/90 of the way to 20 kHz, about 1 kHz.
    QCOMPARE(b.graph->realMemoryProxy(nullptr), nullptr);
    int writes = b.writes();
    b.drag(RevShape::Lpf, {QPoint(39 + 51, b.centre(RevShape::Lpf).y())});
    QCOMPARE(b.graph->GetParameter(RevShape::Lpf), 34.0f);
    QCOMPARE(b.stored(10), 0);
    // Low frequency: raw + 1; all the way right is 20 kHz, limited to index 59.
    b.drag(RevShape::LowFreq, {QPoint(300, b.centre(RevShape::LowFreq).y())});
    QCOMPARE(b.graph->GetParameter(RevShape::LowFreq), 59.0f);
    QCOMPARE(b.stored(8), 58);
    // Diffusion by the generic rule: the bottom of its travel is 0.
    b.drag(RevShape::Diffusion, {QPoint(b.centre(RevShape::Diffusion).x(), 400)});
    QCOMPARE(b.stored(5), 0);
    QCOMPARE(b.writes(), writes + 3);

    // At 500 ms a 2.9 s reverb cannot be reached by any room size: the room knob is off and
    // writes nothing, dragged or set. At 5 s it is usable again.
    b.graph->setZoom(0);
    ReverbKnob *roomKnob = b.knob(RevShape::RoomSize);
    QVERIFY(!roomKnob->IsEnabled());
    QCOMPARE(b.graph->knobAt(b.centre(RevShape::RoomSize)), roomKnob);
    writes = b.writes();
    b.drag(RevShape::RoomSize, {QPoint(60, room), QPoint(300, room)});
    roomKnob->setValue(5.0f);
    QCOMPARE(b.writes(), writes);
    QCOMPARE(b.stored(6), 30);
    QCOMPARE(b.graph->GetParameter(RevShape::RoomSize), 30.0f);
    b.graph->setZoom(5);
    QVERIFY(roomKnob->IsEnabled());
    roomKnob->setValue(29.0f);
    QCOMPARE(b.stored(6), 29);

    // Writes from a worker reach the model once handed over, in one update.
    const int updates = b.knob(RevShape::Lpf)->guiUpdateCount();
    QVERIFY(TestRig::runOnWorker([&] {
        for (int v = 0; v <= 20; ++v)
            b.set("FEkEffect/kEffectParam10", v);
    }));
    QCOMPARE(b.graph->GetParameter(RevShape::Lpf), 34.0f); // nothing before the hand-over
    QTRY_COMPARE(b.graph->GetParameter(RevShape::Lpf), 54.0f);
    QCOMPARE(b.knob(RevShape::Lpf)->guiUpdateCount(), updates + 1);

    // A preset changes the model and the knobs, never the memory.
    writes = b.writes();
    b.graph->setReverbType(CReverbGraph::Plate_1);
    QCOMPARE(b.graph->GetParameter(1), float(kPresetTable[4][0]));
    QCOMPARE(b.writes(), writes);
    QCOMPARE(b.stored(1), kPresetTable[0][0]);
}

QTEST_MAIN(tst_Reverb)
#include "tst_reverb.moc"
