// The vintage-EQ model against a direct complex evaluation of its analog prototypes through the
// bilinear map, its converters and signal path; and the graph driven with the mouse against the
// embedded memory, checked in the memory and in grab()'s pixels.

#include "CVEQ.h"
#include "CVEQGraph.h"
#include "TestRig.h"
#include "VEQParam.h"

#include <QTemporaryDir>

#include <cmath>
#include <complex>
#include <tuple>
#include <vector>

namespace {

typedef std::complex<double> Complex;
const double kPi = 3.14159265358979323846;
// Double-precision designs against double-precision prototypes.
constexpr double kToleranceDb = 1e-6;

// Effect indices of the model.
constexpr int kLowTypeIndex = 3, kHighTypeIndex = 23;
const int kOn[7] = {-1, 4, 7, 11, 15, 19, 24};
const int kLevel[7] = {-1, 5, 8, 12, 16, 20, 25};
const int kFreq[7] = {-1, 6, 10, 14, 18, 22, 26};
const int kQ[7] = {-1, -1, 9, 13, 17, 21, -1};

// --- the reference: analog prototypes at s = jΩ/Ωc with Ω = tan(πf/fs) ------------------------

double omega(double f, double fs)
{
    return std::tan(kPi * f / fs);
}

double dbOf(Complex h)
{
    return 10.0 * std::log10(std::norm(h));
}

// One section of the reference EQ.
struct RefEnd
{
    int type;
    double f, level;
};

// A low (high-pass or low shelf) or high (low-pass or high shelf) end of the reference EQ.
Complex endTerm(const RefEnd &e, bool low, double f, double fs)
{
    const Complex j(0, 1);
    const double V = std::pow(10.0, std::fabs(e.level) / 20.0), r2 = std::sqrt(2.0);
    const double w = omega(f, fs), wc = omega(e.f, fs);
    if (e.type == 0) { // Butterworth
        const Complex s = j * w / wc;
        return (low ? s * s : 1.0) / (s * s + r2 * s + 1.0);
    }
    if (e.type == 1) { // one pole in z
        const double a = 1.0 - std::exp(-2.0 * kPi * e.f / fs);
        const Complex zi = std::exp(-j * 2.0 * kPi * f / fs);
        return low ? (1.0 - a / 2) * (1.0 - zi) / (1.0 - (1.0 - a / 2) * zi)
                   : a / (1.0 - (1.0 - a) * zi);
    }
    Complex boost;
    if (e.type == 2) { // first-order shelf, corner moved away tenfold in Ω
        const Complex s = j * w / (low ? 10.0 * wc : 0.1 * wc);
        boost = low ? V * (s + 1.0) / (V * s + 1.0) : V * (s + 1.0) / (s + V);
    } else { // second-order shelf, corner moved away by √10
        const Complex s = j * w / (low ? std::sqrt(10.0) * wc : wc / std::sqrt(10.0));
        boost = low ? (s * s + r2 * s + 1.0) / (s * s + r2 * s / std::sqrt(V) + 1.0 / V)
                    : V * (s * s + r2 * s + 1.0) / (s * s + std::sqrt(2.0 * V) * s + V);
    }
    return e.level >= 0 ? boost : 1.0 / boost;
}

// K·H_bp of a band (centres below 2 kHz, where the toolkit keeps Q as given).
Complex bandTerm(double fc, double Q, double level, double f, double fs)
{
    const Complex s = Complex(0, 1) * omega(f, fs) / omega(fc, fs);
    const double K = std::pow(10.0, std::fabs(level) / 20.0) - 1.0;
    return K * (s / Q) / (s * s + s / Q + 1.0);
}

struct RefBand
{
    double f, q, level;
    bool on;
};

struct RefEq
{
    double fs;
    RefEnd low, high;
    RefBand band[4];
    bool lowOn, highOn;

    double section(int k, double f) const
    {
        if (k == 1)
            return dbOf(endTerm(low, true, f, fs));
        if (k == 6)
            return dbOf(endTerm(high, false, f, fs));
        const RefBand &b = band[k - 2];
        const double boost = dbOf(1.0 + bandTerm(b.f, b.q, b.level, f, fs));
        return b.level >= 0 ? boost : -boost;
    }
    double total(double f) const
    {
        Complex h = 1.0;
        if (lowOn)
            h *= endTerm(low, true, f, fs);
        if (highOn)
            h *= endTerm(high, false, f, fs);
        Complex n = 1.0, d = 1.0;
        for (const RefBand &b : band) {
            if (b.on)
                (b.level >= 0 ? n : d) += bandTerm(b.f, b.q, b.level, f, fs);
        }
        return dbOf(h * n / d);
    }
    void load(CVEQ *m) const
    {
        m->setSampleRate(fs);
        m->setParameter(kLowTypeIndex, float(low.type));
        m->setParameter(kHighTypeIndex, float(high.type));
        const RefBand ends[2] = {{low.f, 0, low.level, lowOn}, {high.f, 0, high.level, highOn}};
        for (int k = 1; k <= 6; ++k) {
            const RefBand &b = k == 1 ? ends[0] : k == 6 ? ends[1] : band[k - 2];
            m->setParameter(kOn[k], b.on);
            m->setParameter(kFreq[k], float(b.f));
            m->setParameter(kLevel[k], float(b.level));
            if (kQ[k] > 0)
                m->setParameter(kQ[k], float(b.q));
        }
    }
};

// 64 frequencies from 20 Hz to just below 0.48·fs.
std::vector<double> grid(double fs)
{
    std::vector<double> f;
    for (int i = 0; i < 64; ++i)
        f.push_back(20.0 * std::pow(0.47 * fs / 20.0, i / 63.0));
    return f;
}

// --- the embedded memory -------------------------------------------------------------------

constexpr int kElement = 11; // kEffect
constexpr int kUnit = 2;
constexpr int kFirst = 11, kLast = 37;
const QList<int> kTwelve = {12, 13, 16, 17, 20, 21, 24, 25, 28, 29, 32, 33};
const int kLevelParameter[7] = {-1, 13, 17, 21, 25, 29, 33};
const int kFreqParameter[7] = {-1, 12, 16, 20, 24, 28, 32};
constexpr int kLowTypeParameter = 11, kHighTypeParameter = 31;
constexpr int kLowOnParameter = 14, kHighOnParameter = 34;

// A pointer strip of height rows, every pixel colour.
QString writeStrip(const QTemporaryDir &dir, const QString &name, int height, QColor colour)
{
    QImage img(7, height, QImage::Format_ARGB32);
    img.fill(colour);
    img.save(dir.filePath(name));
    return name;
}

// The graph on the built-in catalogue's slot, bound on kUnit (unless told not to).
struct Rig : TestRig::Console
{
    explicit Rig(bool bound = true)
        : Console(nullptr, kUnit, QSize(600, 250))
    {
        graph->resize(graph->sizeHint());
        graph->setNamedAddress(QStringLiteral("FEkEffect/kVEQParam1"));
        ok = !bound || bind(graph, "FEkEffect/kVEQParam1");
    }
    int raw(int p) { return memory.getValue(kElement, p, kUnit); }
    void set(int p, int v) { memory.setValue(kElement, p, kUnit, v, memory.sourceId(0) + 1, 1); }
    QVector<int> snapshot() { return TestRig::valuesOf(memory, kElement, kUnit, kFirst, kLast); }
    // The parameters whose values differ from before.
    QList<int> changedSince(const QVector<int> &before)
    {
        return TestRig::changedParameters(before, snapshot(), kFirst);
    }
    // Widget coordinates of a point given in graph bins.
    QPoint at(QPoint bins) const { return bins + graph->graphRect().topLeft() + QPoint(1, 1); }
    QPoint pointer(int section) const { return at(graph->pointerPosition(section)); }
    void press(QPoint p) { QTest::mousePress(graph, Qt::LeftButton, {}, p); }
    void release(QPoint p) { QTest::mouseRelease(graph, Qt::LeftButton, {}, p); }

    CVEQGraph *graph = new CVEQGraph(&host);
    bool ok = false;
};

} // namespace

class tst_VEQ : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    // model
    void responsesMatchPrototypes();
    void modelAndConverters();
    // graph
    void boundGraphScenario();
    void unboundGraph();

private:
    QTemporaryDir m_art;
};

void tst_VEQ::initTestCase()
{
    QVERIFY(m_art.isValid());
    NS_Utilities::addPixmapPath(m_art.path());
    // The graph's own pointer name: a clear strip, so pointers hide no curve pixels.
    writeStrip(m_art, QStringLiteral("zb4r_tk480_VEQPointer.png"), 12 * 5, Qt::transparent);
}

// --- model ---------------------------------------------------------------------------------

void tst_VEQ::responsesMatchPrototypes()
{
    // Rate, low and high end types and levels, whether bands 2, 3 and 5 are on.
    for (const auto &[fs, lowType, highType, lowLevel, highLevel, bandsOn] :
         {std::tuple {44100, 0, 0, 0.0, 0.0, true}, // filters
          {48000, 1, 1, 0.0, 0.0, true}, // one-pole
          {48000, 2, 2, 9.0, 6.5, true}, // shelves boost
          {96000, 2, 2, -12.0, -4.0, true}, // shelves cut
          {88200, 3, 3, 7.5, -11.0, true}, // second-order shelves
          {44100, 3, 3, -15.0, 15.0, false}}) { // second-order cut, bands off
        RefEq ref {double(fs),
                   {lowType, 80.0, lowLevel},
                   {highType, 6000.0, highLevel},
                   {{150.0, 0.7, 6.0, bandsOn},
                    {450.0, 2.5, -9.0, bandsOn},
                    {900.0, 1.0, 12.0, true},
                    {1800.0, 4.0, -18.0, bandsOn}},
                   true,
                   true};
        CVEQ model;
        ref.load(&model);
        for (double f : grid(fs)) {
            double all[7];
            model.filterPowers(f, all);
            for (int k = 0; k <= 6; ++k) {
                const double expected = k == 0 ? ref.total(f) : ref.section(k, f);
                const QByteArray where =
                        QByteArray::number(f) + " Hz, section " + QByteArray::number(k);
                QVERIFY2(std::fabs(model.filterPower(f, short(k)) - expected) < kToleranceDb,
                         where);
                QVERIFY2(std::fabs(all[k] - expected) < kToleranceDb, where);
            }
        }
    }
}

void tst_VEQ::modelAndConverters()
{
    // Above 0.48·fs the response is evaluated at the limit; below it still moves.
    CVEQ model;
    model.setParameter(kLevel[6], 10.0f);
    model.setParameter(kLevel[5], -6.0f);
    model.setParameter(kFreq[5], 12000.0f);
    const double limit = 0.48 * 44100;
    for (short k = 0; k <= 6; ++k)
        for (double above : {limit + 1.0, 30000.0})
            QCOMPARE(model.filterPower(above, k), model.filterPower(limit, k));
    QVERIFY(model.filterPower(limit - 3000.0, 5) != model.filterPower(limit, 5));

    // A cut is the inverse of the boost, above 2 kHz too: section and the type of both ends
    // (flat unless they are the section tested).
    for (const auto &[section, endType] :
         {std::pair {1, 2}, {1, 3}, {2, 2}, {5, 3}, {6, 2}, {6, 3}}) {
        CVEQ boost, cut;
        for (CVEQ *m : {&boost, &cut}) {
            m->setParameter(kLowTypeIndex, float(endType));
            m->setParameter(kHighTypeIndex, float(endType));
            m->setParameter(kFreq[section], 3000.0f);
            if (kQ[section] > 0)
                m->setParameter(kQ[section], 3.0f);
        }
        boost.setParameter(kLevel[section], 13.5f);
        cut.setParameter(kLevel[section], -13.5f);
        for (double f : grid(44100)) {
            for (short k : {short(section), short(0)})
                QVERIFY(std::fabs(boost.filterPower(f, k) + cut.filterPower(f, k)) < 1e-9);
        }
    }

    // Flat: every level to 0 dB; an end that is on becomes a shelf, an end that is off stays
    // a filter.
    model.setParameter(kLowTypeIndex, 0.0f);
    model.setParameter(kHighTypeIndex, 1.0f);
    model.setParameter(kOn[6], 0.0f);
    model.setParameter(kFreq[3], 999.0f);
    for (int k = 1; k <= 6; ++k)
        model.setParameter(kLevel[k], 5.0f);
    model.setParameter(1, 2.0f);
    for (int k = 1; k <= 6; ++k)
        QCOMPARE(model.GetEqLevValue(k), 0.0);
    QCOMPARE(model.lowType(), int(CVEQ::EndShelf));
    QCOMPARE(model.highType(), 1);
    QCOMPARE(model.GetEqFreqValue(3), 999.0);
    // Reset: the octave frequencies, all on, shelves.
    model.setParameter(1, 1.0f);
    const double freqs[] = {100, 200, 400, 800, 1600, 3200};
    for (int k = 1; k <= 6; ++k) {
        QCOMPARE(model.GetEqFreqValue(k), freqs[k - 1]);
        QCOMPARE(model.GetEqSwValue(k), 1);
    }
    QCOMPARE(model.highType(), int(CVEQ::EndShelf));
    QCOMPARE(model.GetEqQValue(4), 1.0);
    QCOMPARE(model.GetEqQValue(1), -1.0);
    QCOMPARE(model.GetEqSwValue(7), -1);
    QCOMPARE(model.GetEqLevValue(0), -1.0);

    // The analog path (mode 1) with a boost and a cut: a steady sine comes out with the gain the
    // response gives at its frequency, alike on both channels.
    CVEQ path;
    path.setSampleRate(48000);
    path.setParameter(0, 1.0f);
    path.setParameter(kLevel[3], 9.0f);
    path.setParameter(kLevel[4], -6.0f);
    path.setParameter(kLevel[1], 4.0f);
    const double f = 500.0;
    std::vector<float> in(48000), out(in.size()), out2(in.size());
    for (size_t i = 0; i < in.size(); ++i)
        in[i] = float(0.1 * std::sin(2.0 * kPi * f * double(i) / 48000.0));
    float *ins[2] = {in.data(), in.data()};
    float *outs[2] = {out.data(), out2.data()};
    path.DoProcess(ins, outs, long(in.size()));
    double sumIn = 0, sumOut = 0;
    for (size_t i = in.size() / 2; i < in.size(); ++i) {
        sumIn += double(in[i]) * in[i];
        sumOut += double(out[i]) * out[i];
    }
    const double gainDb = 10.0 * std::log10(sumOut / sumIn);
    QVERIFY2(std::fabs(gainDb - path.filterPower(f, 0)) < 0.05, QByteArray::number(gainDb));
    QCOMPARE(out2, out);
    QVERIFY(path.vuMeter(0).value() > 0.0);
    QCOMPARE(CVEQ::_peak2db(0.0005), 0.0);
    QCOMPARE(CVEQ::_peak2db(2.0), 1.0);
    // Half a 3 dB step below full scale.
    QVERIFY(std::fabs(CVEQ::_peak2db(std::pow(10.0, -3.01029995664 / 20)) - 9.501 / 11) < 1e-9);

    // The frequency table: 40 steps a decade; F[4] = 19.95 < 20 <= F[5] = 21.13.
    auto table = VEQParam::createParam(VEQParam::FrequencyTable, 0, 136, 16, 20000);
    for (const auto &[hz, step] : {std::pair {20.0f, 5},
                                   {float(VEQParam::frequencyOfStep(0)), 0},
                                   {10.0f, 0},
                                   {-3.0f, 0},
                                   {39811.0f, 136},
                                   {1e7f, 136}})
        QCOMPARE(table->toMem(hz), step);
    for (int m = 0; m <= 136; ++m) {
        QCOMPARE(table->toMem(table->toEffect(m)), m);
        if (m >= 40)
            QVERIFY(std::fabs(table->toEffect(m) / table->toEffect(m - 40) - 10.0f) < 1e-3f);
    }

    // Linear, logarithmic and plain steps, and back.
    auto level = VEQParam::createParam(VEQParam::Linear, 0, 72, -18, 18);
    auto q = VEQParam::createParam(VEQParam::Logarithmic, 0, 50, 0.5f, 16);
    auto plain = VEQParam::createParam(VEQParam::Plain, 0, 3, 0, 1);
    QCOMPARE(level->toEffect(0), -18.0f);
    QVERIFY(std::fabs(q->toEffect(10) - 1.0f) < 1e-6f);
    QVERIFY(std::fabs(q->toEffect(50) - 16.0f) < 1e-5f);
    QCOMPARE(plain->toEffect(3), 3.0f);
    QCOMPARE(plain->toMem(2.9f), 2);
    for (int m = 0; m <= 72; ++m)
        QCOMPARE(level->toMem(level->toEffect(m)), m);
    for (int m = 0; m <= 50; ++m) {
        // Truncation: a value a hair above step m's value still reads m.
        QCOMPARE(q->toMem(q->toEffect(m) * 1.0001f), m);
        QVERIFY(q->toMem(q->toEffect(m)) >= m - 1);
    }
    // Halfway between steps truncates down.
    QCOMPARE(level->toMem(0.4f), 36);
    QCOMPARE(level->toMem(-0.4f), 35);

    // Bad input: unknown kinds, single-step and flat ranges, values outside or not a number.
    QVERIFY(!VEQParam::createParam(4, 0, 10, 0, 1));
    QVERIFY(!VEQParam::createParam(-1, 0, 10, 0, 1));
    for (int kind : {VEQParam::Linear, VEQParam::Logarithmic}) {
        auto single = VEQParam::createParam(kind, 7, 7, 0.5f, 16);
        QCOMPARE(single->toEffect(7), 0.5f);
        QCOMPARE(single->toEffect(100), 0.5f);
        QCOMPARE(single->toMem(3.0f), 7);
    }
    QCOMPARE(VEQParam::createParam(VEQParam::Linear, 0, 10, 2, 2)->toMem(2.0f), 0);
    auto q3 = VEQParam::createParam(VEQParam::Logarithmic, 3, 50, 0.5f, 16);
    for (float bad : {0.0f, -1.0f, std::nanf("")})
        QCOMPARE(q3->toMem(bad), 3);
    QCOMPARE(level->toMem(std::nanf("")), 0);
    QCOMPARE(level->toMem(1e30f), INT_MAX);

    // The memory map is an inverse over the 26 parameters; other indexes map to nothing.
    float lo, hi;
    int kind;
    for (int m = 0; m < CVEQ::MemoryParameters; ++m) {
        const int e = CVEQ::memAPI2Effect(m);
        QVERIFY(e >= 2 && e <= 27);
        QCOMPARE(CVEQ::effect2MemAPI(e), m);
        QVERIFY(CVEQ::effectRange(e, &lo, &hi, nullptr, &kind));
    }
    for (int m : {-1, 26, 100})
        QCOMPARE(CVEQ::memAPI2Effect(m), -1);
    for (int e : {0, 1, 28, 35, -1})
        QCOMPARE(CVEQ::effect2MemAPI(e), -1);
    QVERIFY(!CVEQ::effectRange(28, nullptr, nullptr, nullptr, nullptr));
}

// --- graph ---------------------------------------------------------------------------------

void tst_VEQ::boundGraphScenario()
{
    Rig rig;
    QVERIFY(rig.ok);
    CVEQGraph &g = *rig.graph;
    // One registration for each of the 26 parameters, connected twice or not.
    QCOMPARE(rig.memory.observerCount(), 26);
    for (int p = 11; p <= 36; ++p)
        QCOMPARE(rig.memory.observerCount(IMemAPI::pack(kElement, p, kUnit)), 1);
    QCOMPARE(g.params().size(), size_t(26));
    QVERIFY(g.connectMemAPI());
    QCOMPARE(rig.memory.observerCount(), 26);

    // Pointers at 100, 211, 422, 841, 1679, 3350 Hz, all at 0 dB; the third press is far above
    // section 4, the nearest of several candidates.
    const int x4 = rig.graph->pointerPosition(4).x() + rig.graph->graphRect().left() + 1;
    for (const auto &[press, expected] : {std::pair {QPoint(28, 21), 1},
                                          {QPoint(501, 160), 6},
                                          {QPoint(x4, 25), 4},
                                          {QPoint(20, 100), 0},
                                          {QPoint(502, 90), 0}}) {
        rig.press(press);
        QCOMPARE(rig.graph->selected(), expected);
        QCOMPARE(rig.graph->isPressed(), expected != 0);
        rig.release(press);
        QCOMPARE(rig.graph->selected(), 0);
    }

    // Ties keep the lower section; off sections are never picked.
    const int freq3 = rig.raw(kFreqParameter[3]);
    rig.set(kFreqParameter[3], rig.raw(kFreqParameter[2]));
    const QPoint shared = rig.pointer(2);
    rig.press(shared);
    QCOMPARE(rig.graph->selected(), 2);
    rig.release(shared);
    rig.set(18, 0); // section 2 off
    rig.press(shared);
    QCOMPARE(rig.graph->selected(), 3);
    rig.release(shared);
    rig.set(18, 1);
    rig.set(kFreqParameter[3], freq3);

    // The total on the 0 dB line at section 3; a worker's +18 dB moves it to the top there.
    const QPoint peak = g.pointerPosition(3);
    auto whiteNear = [&](int y) {
        const QImage img = g.grab().toImage();
        for (int dy : {-1, 0, 1})
            if (img.pixel(rig.at(QPoint(peak.x(), y + dy))) == qRgb(255, 255, 255))
                return true;
        return false;
    };
    const int top = CVEQGraph::LevToBin(18.0, 18, -18, g.binHeight());
    QVERIFY(whiteNear(peak.y()));
    QVERIFY(!whiteNear(top + 1));
    const int updates = g.guiUpdateCount();
    QVERIFY(TestRig::runOnWorker([&] { rig.set(kLevelParameter[3], 72); }));
    QTRY_VERIFY(g.guiUpdateCount() > updates);
    QVERIFY(whiteNear(top + 1));
    QVERIFY(!whiteNear(peak.y()));
    rig.set(kLevelParameter[3], 36);

    // A drag near section 3 writes its frequency and level, relative to the values at press
    // time whatever the press offset, through the converters.
    const QPoint start = rig.pointer(3) + QPoint(2, -1);
    QVector<int> before = rig.snapshot();
    rig.press(start);
    QCOMPARE(g.selected(), 3);
    QTest::mouseMove(&g, start + QPoint(40, -30));
    QCOMPARE(rig.changedSince(before), QList<int>({kFreqParameter[3], kLevelParameter[3]}));
    // Independently: 40 of 473 bins is 40/473 of three decades, 10.1 steps of 1/40 decade (the
    // start bin is truncated); 30 of 139 bins is 30/139 of 36 dB, 15.5 half-dB steps above 36.
    QCOMPARE(QSize(g.binWidth(), g.binHeight()), QSize(473, 139));
    QVERIFY(std::abs(rig.raw(kFreqParameter[3]) - before.at(kFreqParameter[3] - kFirst) - 10) <= 1);
    QVERIFY(std::abs(rig.raw(kLevelParameter[3]) - (36 + 2 * 30 * 36 / 139)) <= 1);
    // Moving back over the press point restores the press-time values; unpressed moves write
    // nothing.
    QTest::mouseMove(&g, start);
    QCOMPARE(rig.raw(kLevelParameter[3]), before.at(kLevelParameter[3] - kFirst));
    rig.release(start);
    before = rig.snapshot();
    QTest::mouseMove(&g, start + QPoint(30, 30));
    QCOMPARE(rig.snapshot(), before);

    // Unmapped tags write nothing; a mapped one does.
    for (int tag : {0, 1, 28, 35, -1, 99})
        g.valueChanged(tag, 5.0);
    QCOMPARE(rig.snapshot(), before);
    g.valueChanged(CVEQ::GetLevTag(3), 6.0);
    QCOMPARE(rig.changedSince(before), QList<int>({kLevelParameter[3]}));

    // A filter at the low end: the selector is disabled once, its pointer ignores the level
    // and a drag writes the frequency alone; a shelf again enables the selector.
    QSignalSpy disabled(&g, &CVEQGraph::setEq1SelDisabled);
    rig.set(kLowTypeParameter, 0); // high-pass
    g.setG1Status(0);
    g.setG1Status(1); // still a filter: no change
    QCOMPARE(disabled.count(), 1);
    QCOMPARE(disabled.at(0).at(0).toBool(), true);
    rig.set(kLevelParameter[1], 60);
    QCOMPARE(g.pointerPosition(1).y(), g.pointerPosition(2).y());
    const QPoint low = rig.pointer(1);
    before = rig.snapshot();
    rig.press(low);
    QCOMPARE(g.selected(), 1);
    QTest::mouseMove(&g, low + QPoint(25, 40));
    QCOMPARE(rig.changedSince(before), QList<int>({kFreqParameter[1]}));
    rig.release(low);
    g.setG1Status(2);
    QCOMPARE(disabled.count(), 2);
    QCOMPARE(disabled.at(1).at(0).toBool(), false);

    // Flat: the six levels to 0 dB (the middle of 0..72), filter ends off, input gain kept;
    // shelf ends stay on.
    rig.set(kHighTypeParameter, 1);
    for (int k = 1; k <= 6; ++k)
        rig.set(kLevelParameter[k], 10 * k);
    rig.set(35, 50); // input gain
    before = rig.snapshot();
    g.doFlat();
    QCOMPARE(rig.changedSince(before),
             QList<int>({13, kLowOnParameter, 17, 21, 25, 29, 33, kHighOnParameter}));
    for (int p : {13, kLowOnParameter, 17, 21, 25, 29, 33, kHighOnParameter})
        QCOMPARE(rig.raw(p), p == kLowOnParameter || p == kHighOnParameter ? 0 : 36);
    for (double f : {50.0, 1000.0, 15000.0})
        QVERIFY(std::fabs(g.model().filterPower(f, 0)) < 1e-9);
    rig.set(kLowOnParameter, 1);
    rig.set(kLowTypeParameter, 2);
    g.doFlat();
    QCOMPARE(rig.raw(kLowOnParameter), 1);

    // Defaults, copy and paste touch the twelve frequencies and levels; doDefault all 27.
    for (int p = kFirst; p <= kLast; ++p)
        rig.set(p, rig.memory.getValueEx(kElement, p, kUnit) == 0 ? 1 : 0);
    before = rig.snapshot();
    g.reset2defaults();
    QCOMPARE(rig.changedSince(before), kTwelve);
    for (int p : kTwelve)
        QCOMPARE(rig.raw(p), rig.memory.getValueEx(kElement, p, kUnit));
    // Copy: twelve records tagged with their parameter numbers.
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    g.copyParameters(&out);
    QDataStream in(bytes);
    QList<int> tags;
    for (TParamInfoReader r(&in); r.isValid(); r.next()) {
        tags << r.tag();
        QCOMPARE(r.value(), rig.raw(r.tag()));
    }
    QCOMPARE(tags, kTwelve);
    // Paste: the twelve records written back; a truncated stream pastes what it holds.
    QByteArray paste;
    QDataStream records(&paste, QIODevice::WriteOnly);
    for (int p : kTwelve)
        TParamInfoWriter(kElement, kUnit, p, 1, &records);
    before = rig.snapshot();
    QDataStream truncated(paste.left(paste.size() / 2 + 3));
    g.pasteParameters(&truncated);
    QCOMPARE(rig.changedSince(before), kTwelve.mid(0, 6));
    QDataStream whole(paste);
    g.pasteParameters(&whole);
    QCOMPARE(rig.changedSince(before), kTwelve);
    for (int p : kTwelve)
        QCOMPARE(rig.raw(p), 1);
    g.doDefault();
    for (int p = kFirst; p <= kLast; ++p)
        QCOMPARE(rig.raw(p), rig.memory.getValueEx(kElement, p, kUnit));

    // Pointer strips: six pointers of one row each, 7 pixels wide; a strip shorter than twelve
    // rows or a missing one draws none.
    auto magentaPixels = [&] {
        return TestRig::countPixels(g.grab().toImage(), QColor(Qt::magenta)).matching;
    };
    g.setPointerImgFilename(writeStrip(m_art, QStringLiteral("short.png"), 11, Qt::magenta));
    QCOMPARE(magentaPixels(), 0);
    g.setPointerImgFilename(writeStrip(m_art, QStringLiteral("twelve.png"), 12, Qt::magenta));
    QCOMPARE(magentaPixels(), 6 * 7);
    g.setPointerImgFilename(QStringLiteral("missing.png"));
    QCOMPARE(magentaPixels(), 0);

    // A higher rate widens the axis and moves the pointers, writing nothing.
    rig.set(kFreqParameter[6], 120); // 15.8 kHz
    rig.set(kFreqParameter[2], 0); // the bottom of the range: a nudge cannot go below
    before = rig.snapshot();
    rig.memory.setSampleRate(96000);
    QCOMPARE(g.fMax(), 40000.0);
    QCOMPARE(g.model().sampleRate(), 96000.0);
    QCOMPARE(rig.snapshot(), before);
    QCOMPARE(g.pointerPosition(6).x(),
             CVEQGraph::FreqToBin(VEQParam::frequencyOfStep(120), 20, 40000, 473));
    rig.memory.setSampleRate(44100);
    QCOMPARE(g.fMax(), 20000.0);
    QCOMPARE(rig.snapshot(), before);

    g.disconnectMemAPI();
    QCOMPARE(rig.memory.observerCount(), 0);
}

void tst_VEQ::unboundGraph()
{
    // Zoom halves or doubles the level span within limits; a shift moves both ends.
    CVEQGraph graph;
    for (double top : {9.0, 4.5, 2.25, 1.125, 1.125}) {
        graph.doZoomIn();
        QCOMPARE(graph.levTop(), top);
        QCOMPARE(graph.levBottom(), -top);
    }
    for (double top : {2.25, 4.5, 9.0, 18.0, 36.0, 72.0, 72.0}) {
        graph.doZoomOut();
        QCOMPARE(graph.levTop(), top);
    }
    graph.ShiftUp();
    QCOMPARE(graph.levTop(), 72 - 18.0);
    QCOMPARE(graph.levBottom(), -72 - 18.0);

    // Rates the console does not run at read as 48 kHz.
    for (const auto &[hz, model, fMax] : {std::tuple {44100, 44100, 20000.0},
                                          {88200, 88200, 40000.0},
                                          {96000, 96000, 40000.0},
                                          {32000, 48000, 20000.0},
                                          {192000, 48000, 20000.0},
                                          {0, 48000, 20000.0},
                                          {-96000, 48000, 20000.0}}) {
        graph.handle_sampleFreqChange(96000);
        graph.handle_sampleFreqChange(hz);
        QCOMPARE(graph.model().sampleRate(), double(model));
        QCOMPARE(graph.fMax(), fMax);
    }

    // Unbound: a press still selects and moves, and the buttons write nothing.
    Rig loose(false);
    const QPoint start = loose.pointer(5);
    loose.press(start);
    QCOMPARE(loose.graph->selected(), 5);
    QTest::mouseMove(loose.graph, start + QPoint(-20, -20));
    loose.graph->doFlat();
    loose.graph->doDefault();
    loose.graph->handle_sampleFreqChange(48000);
    QCOMPARE(loose.graph->model().GetEqFreqValue(5), 1600.0);

    // Axis conversions and scale texts.
    const int w = 473, h = 139;
    for (const auto &[hz, bin] : {std::pair {20.0, 0}, {20000.0, w}, {0.0, 0}, {-50.0, 0}})
        QCOMPARE(CVEQGraph::FreqToBin(hz, 20, 20000, w), bin);
    QCOMPARE(CVEQGraph::LevToBin(0.0, 18, -18, h), 69);
    QCOMPARE(CVEQGraph::LevToBin(-18.0, 18, -18, h), h);
    for (int b = 0; b < w; b += 37)
        QCOMPARE(CVEQGraph::FreqToBin(CVEQGraph::BinToFreq(b, 20, 20000, w) * 1.0000001, 20, 20000,
                                      w),
                 b);
    // One decade is a third of the width.
    QVERIFY(std::fabs(CVEQGraph::BinToFreq(w / 3, 20, 20000, w) / 200.0 - 1.0) < 0.01);
    QCOMPARE(CVEQGraph::BinToLev(h, 18, -18, h), -18.0);
    for (const auto &[hz, text] :
         {std::pair {20, "20"}, {500, "500"}, {1000, "1k"}, {40000, "40k"}})
        QCOMPARE(CVEQGraph::frequencyLabel(hz), QString::fromLatin1(text));
    // Level labels with C's rounding (half to even): value, top, bottom, text.
    for (const auto &[v, top, bottom, text] : {std::tuple {2.25, 2.25, -2.25, "+2.2"},
                                               {-2.25, 2.25, -2.25, "-2.2"},
                                               {1.6875, 2.25, -2.25, "+1.7"},
                                               {0.04, 2.25, -2.25, "0dB"},
                                               {13.5, 18.0, -18.0, "+14"},
                                               {-13.5, 18.0, -18.0, "-14"},
                                               {-0.5, 18.0, -18.0, "-1"},
                                               {0.4, 18.0, -18.0, "0dB"},
                                               {-4.0, 9.0, -10.0, "-4"}})
        QCOMPARE(CVEQGraph::levelLabel(v, top, bottom), QString::fromLatin1(text));
}

QTEST_MAIN(tst_VEQ)
#include "tst_veq.moc"
