// The vintage-EQ model against a direct complex evaluation of its analog prototypes through the
// bilinear map, its converters and signal path; and the graph driven with the mouse against the
// embedded memory, checked in the memory and in grab()'s pixels.

#include "CVEQ.h"
#include "CVEQGraph.h"
#include "NS_Utilities.h"
#include "TParamInfo.h"
#include "TParamMemory.h"
#include "TestRig.h"
#include "VEQParam.h"

#include <QBuffer>
#include <QDataStream>
#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <complex>
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

Complex lowEnd(const RefEnd &e, double f, double fs)
{
    const Complex j(0, 1);
    const double g = e.level, V = std::pow(10.0, std::fabs(g) / 20.0);
    switch (e.type) {
    case 0: { // Butterworth high-pass
        const Complex s = j * omega(f, fs) / omega(e.f, fs);
        return s * s / (s * s + std::sqrt(2.0) * s + 1.0);
    }
    case 1: { // one-pole high-pass in z
        const double a = 1.0 - std::exp(-2.0 * kPi * e.f / fs);
        const Complex zi = std::exp(-j * 2.0 * kPi * f / fs);
        return (1.0 - a / 2) * (1.0 - zi) / (1.0 - (1.0 - a / 2) * zi);
    }
    case 2: { // first-order shelf, corner moved up tenfold in Ω
        const Complex s = j * omega(f, fs) / (10.0 * omega(e.f, fs));
        const Complex boost = V * (s + 1.0) / (V * s + 1.0);
        return g >= 0 ? boost : 1.0 / boost;
    }
    default: { // second-order shelf, corner moved up by √10
        const Complex s = j * omega(f, fs) / (std::sqrt(10.0) * omega(e.f, fs));
        const Complex boost = (s * s + std::sqrt(2.0) * s + 1.0)
                / (s * s + std::sqrt(2.0) * s / std::sqrt(V) + 1.0 / V);
        return g >= 0 ? boost : 1.0 / boost;
    }
    }
}

Complex highEnd(const RefEnd &e, double f, double fs)
{
    const Complex j(0, 1);
    const double g = e.level, V = std::pow(10.0, std::fabs(g) / 20.0);
    switch (e.type) {
    case 0: {
        const Complex s = j * omega(f, fs) / omega(e.f, fs);
        return 1.0 / (s * s + std::sqrt(2.0) * s + 1.0);
    }
    case 1: {
        const double a = 1.0 - std::exp(-2.0 * kPi * e.f / fs);
        const Complex zi = std::exp(-j * 2.0 * kPi * f / fs);
        return a / (1.0 - (1.0 - a) * zi);
    }
    case 2: {
        const Complex s = j * omega(f, fs) / (0.1 * omega(e.f, fs));
        const Complex boost = V * (s + 1.0) / (s + V);
        return g >= 0 ? boost : 1.0 / boost;
    }
    default: {
        const Complex s = j * omega(f, fs) / (omega(e.f, fs) / std::sqrt(10.0));
        const Complex boost =
                V * (s * s + std::sqrt(2.0) * s + 1.0) / (s * s + std::sqrt(2.0 * V) * s + V);
        return g >= 0 ? boost : 1.0 / boost;
    }
    }
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
            return dbOf(lowEnd(low, f, fs));
        if (k == 6)
            return dbOf(highEnd(high, f, fs));
        const RefBand &b = band[k - 2];
        const double boost = dbOf(1.0 + bandTerm(b.f, b.q, b.level, f, fs));
        return b.level >= 0 ? boost : -boost;
    }
    double total(double f) const
    {
        Complex h = 1.0;
        if (lowOn)
            h *= lowEnd(low, f, fs);
        if (highOn)
            h *= highEnd(high, f, fs);
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
        m->setParameter(kOn[1], lowOn);
        m->setParameter(kOn[6], highOn);
        m->setParameter(kFreq[1], float(low.f));
        m->setParameter(kLevel[1], float(low.level));
        m->setParameter(kFreq[6], float(high.f));
        m->setParameter(kLevel[6], float(high.level));
        for (int b = 0; b < 4; ++b) {
            m->setParameter(kOn[b + 2], band[b].on);
            m->setParameter(kFreq[b + 2], float(band[b].f));
            m->setParameter(kQ[b + 2], float(band[b].q));
            m->setParameter(kLevel[b + 2], float(band[b].level));
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
const char *const kAddress = "FEkEffect/kVEQParam1";
constexpr int kFirst = 11, kLast = 37;
const QList<int> kTwelve = {12, 13, 16, 17, 20, 21, 24, 25, 28, 29, 32, 33};
const int kLevelParameter[7] = {-1, 13, 17, 21, 25, 29, 33};
const int kFreqParameter[7] = {-1, 12, 16, 20, 24, 28, 32};
constexpr int kLowTypeParameter = 11, kHighTypeParameter = 31;
constexpr int kLowOnParameter = 14, kHighOnParameter = 34;

QVector<int> snapshot(TParamMemory &m)
{
    QVector<int> v;
    for (int p = kFirst; p <= kLast; ++p)
        v << m.getValue(kElement, p, kUnit);
    return v;
}

QList<int> changedParameters(const QVector<int> &before, const QVector<int> &after)
{
    QList<int> changed;
    for (int i = 0; i < before.size(); ++i) {
        if (before.at(i) != after.at(i))
            changed << kFirst + i;
    }
    return changed;
}

// A pointer strip of height rows, every pixel colour.
QString writeStrip(const QTemporaryDir &dir, const QString &name, int height, QColor colour)
{
    QImage img(7, height, QImage::Format_ARGB32);
    img.fill(colour);
    img.save(dir.filePath(name));
    return name;
}

struct Rig
{
    TParamMemory memory;
    CVEQGraph graph;

    explicit Rig(bool bind = true)
    {
        graph.resize(graph.sizeHint());
        graph.setNamedAddress(QString::fromLatin1(kAddress));
        if (bind)
            memory.connectTree(&graph, kUnit);
    }
    int raw(int p) { return memory.getValue(kElement, p, kUnit); }
    void set(int p, int v) { memory.setValue(kElement, p, kUnit, v, memory.sourceId(), 1); }
    // Widget coordinates of a point given in graph bins.
    QPoint at(QPoint bins) const { return bins + graph.graphRect().topLeft() + QPoint(1, 1); }
};

} // namespace

class tst_VEQ : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    // model
    void responsesMatchPrototypes_data();
    void responsesMatchPrototypes();
    void cutIsInverseOfBoost_data();
    void cutIsInverseOfBoost();
    void evaluatedNoHigherThanLimit();
    void presetActions();
    void signalPathFollowsResponse();
    void frequencyTable();
    void convertersRoundTrip();
    void convertersBadInput();
    void memoryMapIsAnInverse();

    // graph
    void observesTheSlot();
    void zoomLimits();
    void pressSelectsNearest_data();
    void pressSelectsNearest();
    void dragWritesThroughConverters();
    void filterEndDragsOnlyFrequency();
    void flatSwitchesFilterEndsOff();
    void defaultsCopyPasteTouchTwelve();
    void highRateWidensAxis();
    void workerWriteRedrawsCurve();
    void ratesOutsideTheConsoleRead48k_data();
    void ratesOutsideTheConsoleRead48k();
    void unmappedTagsAndNoMemoryWriteNothing();
    void shortPointerStripDrawsNoPointers();
    void axisConversions();
    void scaleLabels_data();
    void scaleLabels();

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

void tst_VEQ::responsesMatchPrototypes_data()
{
    QTest::addColumn<int>("fs");
    QTest::addColumn<int>("lowType");
    QTest::addColumn<int>("highType");
    QTest::addColumn<double>("lowLevel");
    QTest::addColumn<double>("highLevel");
    QTest::addColumn<bool>("bandsOn");
    QTest::newRow("filters 44.1k") << 44100 << 0 << 0 << 0.0 << 0.0 << true;
    QTest::newRow("one-pole 48k") << 48000 << 1 << 1 << 0.0 << 0.0 << true;
    QTest::newRow("shelves boost 48k") << 48000 << 2 << 2 << 9.0 << 6.5 << true;
    QTest::newRow("shelves cut 96k") << 96000 << 2 << 2 << -12.0 << -4.0 << true;
    QTest::newRow("2nd-order shelves 88.2k") << 88200 << 3 << 3 << 7.5 << -11.0 << true;
    QTest::newRow("2nd-order cut, bands off") << 44100 << 3 << 3 << -15.0 << 15.0 << false;
}

void tst_VEQ::responsesMatchPrototypes()
{
    QFETCH(int, fs);
    QFETCH(int, lowType);
    QFETCH(int, highType);
    QFETCH(double, lowLevel);
    QFETCH(double, highLevel);
    QFETCH(bool, bandsOn);
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
            QVERIFY2(std::fabs(model.filterPower(f, short(k)) - expected) < kToleranceDb, where);
            QVERIFY2(std::fabs(all[k] - expected) < kToleranceDb, where);
        }
    }
}

void tst_VEQ::cutIsInverseOfBoost_data()
{
    QTest::addColumn<int>("section");
    QTest::addColumn<int>("endType"); // both ends; flat unless they are the section tested
    QTest::newRow("low shelf") << 1 << 2;
    QTest::newRow("low shelf 2") << 1 << 3;
    QTest::newRow("band 2") << 2 << 2;
    QTest::newRow("band 5 above 2 kHz") << 5 << 3;
    QTest::newRow("high shelf") << 6 << 2;
    QTest::newRow("high shelf 2") << 6 << 3;
}

void tst_VEQ::cutIsInverseOfBoost()
{
    QFETCH(int, section);
    QFETCH(int, endType);
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
        QVERIFY2(
                std::fabs(boost.filterPower(f, short(section)) + cut.filterPower(f, short(section)))
                        < 1e-9,
                QByteArray::number(f));
        QVERIFY(std::fabs(boost.filterPower(f, 0) + cut.filterPower(f, 0)) < 1e-9);
    }
}

void tst_VEQ::evaluatedNoHigherThanLimit()
{
    CVEQ model;
    model.setParameter(kLevel[6], 10.0f);
    model.setParameter(kLevel[5], -6.0f);
    model.setParameter(kFreq[5], 12000.0f);
    const double limit = 0.48 * 44100;
    for (short k = 0; k <= 6; ++k) {
        const double atLimit = model.filterPower(limit, k);
        QCOMPARE(model.filterPower(limit + 1.0, k), atLimit);
        QCOMPARE(model.filterPower(30000.0, k), atLimit);
    }
    // Below the limit the response still moves.
    QVERIFY(model.filterPower(limit - 3000.0, 5) != model.filterPower(limit, 5));
}

void tst_VEQ::presetActions()
{
    CVEQ model;
    model.setParameter(kLowTypeIndex, 0.0f);
    model.setParameter(kHighTypeIndex, 1.0f);
    model.setParameter(kOn[6], 0.0f);
    model.setParameter(kFreq[3], 999.0f);
    for (int k = 1; k <= 6; ++k)
        model.setParameter(kLevel[k], 5.0f);

    model.setParameter(1, 2.0f); // flat
    for (int k = 1; k <= 6; ++k)
        QCOMPARE(model.GetEqLevValue(k), 0.0);
    QCOMPARE(model.lowType(), int(CVEQ::EndShelf)); // on: becomes a shelf
    QCOMPARE(model.highType(), 1); // off: stays a filter
    QCOMPARE(model.GetEqFreqValue(3), 999.0);

    model.setParameter(1, 1.0f); // reset
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
}

void tst_VEQ::signalPathFollowsResponse()
{
    // The analog path (mode 1) with a boost and a cut: a steady sine comes out with the gain the
    // response gives at its frequency.
    CVEQ model;
    model.setSampleRate(48000);
    model.setParameter(0, 1.0f);
    model.setParameter(kLevel[3], 9.0f);
    model.setParameter(kLevel[4], -6.0f);
    model.setParameter(kLevel[1], 4.0f);
    const double f = 500.0;
    const long n = 48000;
    std::vector<float> in(n), out(n), in2(n), out2(n);
    for (long i = 0; i < n; ++i)
        in[size_t(i)] = in2[size_t(i)] = float(0.1 * std::sin(2.0 * kPi * f * i / 48000.0));
    float *ins[2] = {in.data(), in2.data()};
    float *outs[2] = {out.data(), out2.data()};
    model.DoProcess(ins, outs, n);
    double sumIn = 0, sumOut = 0;
    for (long i = n / 2; i < n; ++i) {
        sumIn += double(in[size_t(i)]) * in[size_t(i)];
        sumOut += double(out[size_t(i)]) * out[size_t(i)];
    }
    const double gainDb = 10.0 * std::log10(sumOut / sumIn);
    QVERIFY2(std::fabs(gainDb - model.filterPower(f, 0)) < 0.05, QByteArray::number(gainDb));
    QCOMPARE(out2, out); // both channels alike
    QVERIFY(model.vuMeter(0).value() > 0.0);
    QCOMPARE(CVEQ::_peak2db(0.0005), 0.0);
    QCOMPARE(CVEQ::_peak2db(2.0), 1.0);
    // Half a 3 dB step below full scale.
    QVERIFY(std::fabs(CVEQ::_peak2db(std::pow(10.0, -3.01029995664 / 20)) - 9.501 / 11) < 1e-9);
}

void tst_VEQ::frequencyTable()
{
    auto table = VEQParam::createParam(VEQParam::FrequencyTable, 0, 136, 16, 20000);
    QVERIFY(table);
    QCOMPARE(table->toMem(20.0f), 5); // F[4] = 19.95 < 20 <= F[5] = 21.13
    QCOMPARE(table->toMem(float(VEQParam::frequencyOfStep(0))), 0);
    QCOMPARE(table->toMem(10.0f), 0);
    QCOMPARE(table->toMem(-3.0f), 0);
    QCOMPARE(table->toMem(39811.0f), 136);
    QCOMPARE(table->toMem(1e7f), 136);
    QVERIFY(std::fabs(table->toEffect(0) - 15.8489f) < 1e-3f);
    QVERIFY(std::fabs(table->toEffect(136) - 39810.7f) < 0.1f);
    for (int m = 0; m <= 136; ++m) {
        QCOMPARE(table->toMem(table->toEffect(m)), m);
        // 40 steps a decade.
        if (m >= 40)
            QVERIFY(std::fabs(table->toEffect(m) / table->toEffect(m - 40) - 10.0f) < 1e-3f);
    }
}

void tst_VEQ::convertersRoundTrip()
{
    auto level = VEQParam::createParam(VEQParam::Linear, 0, 72, -18, 18);
    auto q = VEQParam::createParam(VEQParam::Logarithmic, 0, 50, 0.5f, 16);
    auto plain = VEQParam::createParam(VEQParam::Plain, 0, 3, 0, 1);
    QVERIFY(level && q && plain);
    QCOMPARE(level->toEffect(36), 0.0f);
    QCOMPARE(level->toEffect(0), -18.0f);
    QCOMPARE(level->toEffect(72), 18.0f);
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
}

void tst_VEQ::convertersBadInput()
{
    QVERIFY(!VEQParam::createParam(4, 0, 10, 0, 1));
    QVERIFY(!VEQParam::createParam(-1, 0, 10, 0, 1));
    for (int kind : {VEQParam::Linear, VEQParam::Logarithmic}) {
        auto single = VEQParam::createParam(kind, 7, 7, 0.5f, 16);
        QCOMPARE(single->toEffect(7), 0.5f);
        QCOMPARE(single->toEffect(100), 0.5f);
        QCOMPARE(single->toMem(3.0f), 7);
    }
    auto flatRange = VEQParam::createParam(VEQParam::Linear, 0, 10, 2, 2);
    QCOMPARE(flatRange->toMem(2.0f), 0);
    auto q = VEQParam::createParam(VEQParam::Logarithmic, 3, 50, 0.5f, 16);
    QCOMPARE(q->toMem(0.0f), 3);
    QCOMPARE(q->toMem(-1.0f), 3);
    QCOMPARE(q->toMem(std::nanf("")), 3);
    auto line = VEQParam::createParam(VEQParam::Linear, 0, 72, -18, 18);
    QCOMPARE(line->toMem(std::nanf("")), 0);
    QCOMPARE(line->toMem(1e30f), INT_MAX);
}

void tst_VEQ::memoryMapIsAnInverse()
{
    QSet<int> effects;
    for (int m = 0; m < CVEQ::MemoryParameters; ++m) {
        const int e = CVEQ::memAPI2Effect(m);
        QVERIFY(e >= 2 && e <= 27);
        QCOMPARE(CVEQ::effect2MemAPI(e), m);
        effects << e;
        float lo, hi;
        int kind;
        QVERIFY(CVEQ::effectRange(e, &lo, &hi, nullptr, &kind));
    }
    QCOMPARE(effects.size(), 26);
    for (int m : {-1, 26, 100})
        QCOMPARE(CVEQ::memAPI2Effect(m), -1);
    for (int e : {0, 1, 28, 35, -1})
        QCOMPARE(CVEQ::effect2MemAPI(e), -1);
    QVERIFY(!CVEQ::effectRange(28, nullptr, nullptr, nullptr, nullptr));
}

// --- graph ---------------------------------------------------------------------------------

void tst_VEQ::observesTheSlot()
{
    Rig rig;
    QVERIFY(rig.graph.isAttached());
    QCOMPARE(rig.memory.observerCount(), 26);
    for (int p = 11; p <= 36; ++p)
        QCOMPARE(rig.memory.observerCount(IMemAPI::pack(kElement, p, kUnit)), 1);
    QCOMPARE(rig.graph.params().size(), size_t(26));
    QVERIFY(rig.graph.connectMemAPI()); // again: still one registration each
    QCOMPARE(rig.memory.observerCount(), 26);
    rig.graph.disconnectMemAPI();
    QCOMPARE(rig.memory.observerCount(), 0);
}

void tst_VEQ::zoomLimits()
{
    CVEQGraph graph;
    const double in[] = {9, 4.5, 2.25, 1.125, 1.125};
    for (double top : in) {
        graph.doZoomIn();
        QCOMPARE(graph.levTop(), top);
        QCOMPARE(graph.levBottom(), -top);
    }
    const double out[] = {2.25, 4.5, 9, 18, 36, 72, 72};
    for (double top : out) {
        graph.doZoomOut();
        QCOMPARE(graph.levTop(), top);
    }
    graph.ShiftUp();
    QCOMPARE(graph.levTop(), 72 - 18.0);
    QCOMPARE(graph.levBottom(), -72 - 18.0);
}

void tst_VEQ::pressSelectsNearest_data()
{
    QTest::addColumn<QPoint>("press"); // widget coordinates
    QTest::addColumn<int>("expected");
    // Pointers at 100, 211, 422, 841, 1679, 3350 Hz, all at 0 dB.
    QTest::newRow("top-left corner") << QPoint(28, 21) << 1;
    QTest::newRow("bottom-right corner") << QPoint(501, 160) << 6;
    QTest::newRow("far above section 4") << QPoint(29 + 200, 25) << 4;
    QTest::newRow("outside") << QPoint(20, 100) << 0;
    QTest::newRow("right of the rectangle") << QPoint(502, 90) << 0;
}

void tst_VEQ::pressSelectsNearest()
{
    QFETCH(QPoint, press);
    QFETCH(int, expected);
    Rig rig;
    if (expected == 4) {
        // Make the row meaningful: section 4 must be the nearest of several candidates.
        const int x = rig.graph.pointerPosition(4).x();
        press.setX(x + rig.graph.graphRect().left() + 1);
    }
    QTest::mousePress(&rig.graph, Qt::LeftButton, {}, press);
    QCOMPARE(rig.graph.selected(), expected);
    QCOMPARE(rig.graph.isPressed(), expected != 0);
    QTest::mouseRelease(&rig.graph, Qt::LeftButton, {}, press);
    QCOMPARE(rig.graph.selected(), 0);

    // Ties keep the lower section; off sections are never picked.
    rig.set(kFreqParameter[3], rig.raw(kFreqParameter[2]));
    const QPoint shared = rig.at(rig.graph.pointerPosition(2));
    QTest::mousePress(&rig.graph, Qt::LeftButton, {}, shared);
    QCOMPARE(rig.graph.selected(), 2);
    QTest::mouseRelease(&rig.graph, Qt::LeftButton, {}, shared);
    rig.set(18, 0); // section 2 off
    QTest::mousePress(&rig.graph, Qt::LeftButton, {}, shared);
    QCOMPARE(rig.graph.selected(), 3);
}

void tst_VEQ::dragWritesThroughConverters()
{
    Rig rig;
    CVEQGraph &g = rig.graph;
    const QPoint start = rig.at(g.pointerPosition(3)) + QPoint(2, -1); // near, not on it
    const double startFreq = g.model().GetEqFreqValue(3), startLev = g.model().GetEqLevValue(3);
    const QVector<int> before = snapshot(rig.memory);
    QTest::mousePress(&g, Qt::LeftButton, {}, start);
    QCOMPARE(g.selected(), 3);
    QTest::mouseMove(&g, start + QPoint(40, -30));

    // Relative to the values at press time, whatever the press offset.
    const int w = g.binWidth(), h = g.binHeight();
    const double freq =
            CVEQGraph::BinToFreq(CVEQGraph::FreqToBin(startFreq, 20, 20000, w) + 40, 20, 20000, w);
    const double lev =
            CVEQGraph::BinToLev(CVEQGraph::LevToBin(startLev, 18, -18, h) - 30, 18, -18, h);
    const int m = CVEQ::effect2MemAPI(CVEQ::GetFreqTag(3));
    QCOMPARE(rig.raw(kFreqParameter[3]), g.params()[size_t(m)]->toMem(float(freq)));
    const int l = CVEQ::effect2MemAPI(CVEQ::GetLevTag(3));
    QCOMPARE(rig.raw(kLevelParameter[3]), g.params()[size_t(l)]->toMem(float(lev)));
    QCOMPARE(changedParameters(before, snapshot(rig.memory)),
             QList<int>({kFreqParameter[3], kLevelParameter[3]}));
    // Independently: 40 of 473 bins is 40/473 of three decades; 30 of 139 bins is 30/139 of 36 dB.
    const double target = startFreq * std::pow(1000.0, 40.0 / 473);
    const double reached = g.model().GetEqFreqValue(3);
    // The start bin is truncated: up to one bin below the exact target.
    QVERIFY(reached >= target * std::pow(1000.0, -1.0 / 473) * 0.999
            && reached < target * std::pow(10.0, 1.0 / 40) * 1.001);
    QVERIFY(std::fabs(g.model().GetEqLevValue(3) - 30.0 * 36 / 139) <= 0.5);

    // Moving back over the press point restores the press-time values.
    QTest::mouseMove(&g, start);
    QCOMPARE(rig.raw(kLevelParameter[3]), before.at(kLevelParameter[3] - kFirst));
    QTest::mouseRelease(&g, Qt::LeftButton, {}, start);
    QCOMPARE(g.selected(), 0);
    const QVector<int> released = snapshot(rig.memory);
    QTest::mouseMove(&g, start + QPoint(30, 30)); // not pressed: nothing
    QCOMPARE(snapshot(rig.memory), released);
}

void tst_VEQ::filterEndDragsOnlyFrequency()
{
    Rig rig;
    QSignalSpy disabled(&rig.graph, &CVEQGraph::setEq1SelDisabled);
    rig.set(kLowTypeParameter, 0); // high-pass
    rig.graph.setG1Status(0);
    rig.graph.setG1Status(1); // still a filter: no change
    QCOMPARE(disabled.count(), 1);
    QCOMPARE(disabled.at(0).at(0).toBool(), true);
    rig.set(kLevelParameter[1], 60); // a level the pointer must not show
    QCOMPARE(rig.graph.pointerPosition(1).y(), rig.graph.pointerPosition(2).y());

    const QPoint start = rig.at(rig.graph.pointerPosition(1));
    const QVector<int> before = snapshot(rig.memory);
    QTest::mousePress(&rig.graph, Qt::LeftButton, {}, start);
    QCOMPARE(rig.graph.selected(), 1);
    QTest::mouseMove(&rig.graph, start + QPoint(25, 40));
    QCOMPARE(changedParameters(before, snapshot(rig.memory)), QList<int>({kFreqParameter[1]}));
    QTest::mouseRelease(&rig.graph, Qt::LeftButton, {}, start);

    rig.graph.setG1Status(2); // a shelf again
    QCOMPARE(disabled.count(), 2);
    QCOMPARE(disabled.at(1).at(0).toBool(), false);
}

void tst_VEQ::flatSwitchesFilterEndsOff()
{
    Rig rig;
    rig.set(kLowTypeParameter, 0);
    rig.set(kHighTypeParameter, 1);
    for (int k = 1; k <= 6; ++k)
        rig.set(kLevelParameter[k], 10 * k);
    rig.set(35, 50); // input gain: not one of the six levels
    const QVector<int> before = snapshot(rig.memory);
    rig.graph.doFlat();
    QCOMPARE(rig.raw(kLowOnParameter), 0);
    QCOMPARE(rig.raw(kHighOnParameter), 0);
    for (int k = 1; k <= 6; ++k)
        QCOMPARE(rig.raw(kLevelParameter[k]), 36); // the middle of 0..72: 0 dB
    QCOMPARE(changedParameters(before, snapshot(rig.memory)),
             QList<int>({13, kLowOnParameter, 17, 21, 25, 29, 33, kHighOnParameter}));
    for (double f : {50.0, 1000.0, 15000.0})
        QVERIFY(std::fabs(rig.graph.model().filterPower(f, 0)) < 1e-9);

    // Shelf ends stay on.
    rig.set(kLowOnParameter, 1);
    rig.set(kLowTypeParameter, 2);
    rig.graph.doFlat();
    QCOMPARE(rig.raw(kLowOnParameter), 1);
}

void tst_VEQ::defaultsCopyPasteTouchTwelve()
{
    Rig rig;
    for (int p = kFirst; p <= kLast; ++p)
        rig.set(p, rig.memory.getValueEx(kElement, p, kUnit) == 0 ? 1 : 0);
    QVector<int> before = snapshot(rig.memory);

    rig.graph.reset2defaults();
    QCOMPARE(changedParameters(before, snapshot(rig.memory)), kTwelve);
    for (int p : kTwelve)
        QCOMPARE(rig.raw(p), rig.memory.getValueEx(kElement, p, kUnit));

    // Copy: twelve records tagged with their parameter numbers.
    QByteArray bytes;
    {
        QDataStream out(&bytes, QIODevice::WriteOnly);
        rig.graph.copyParameters(&out);
    }
    QDataStream in(bytes);
    QList<int> tags;
    for (TParamInfoReader r(&in); r.isValid(); r.next()) {
        tags << r.tag();
        QCOMPARE(r.value(), rig.raw(r.tag()));
    }
    QCOMPARE(tags, kTwelve);

    // Paste: the twelve records written back; a truncated stream pastes what it holds.
    QByteArray paste;
    {
        QDataStream out(&paste, QIODevice::WriteOnly);
        for (int p : kTwelve)
            TParamInfoWriter(kElement, kUnit, p, 1, &out);
    }
    before = snapshot(rig.memory);
    {
        QDataStream s(paste.left(paste.size() / 2 + 3));
        rig.graph.pasteParameters(&s);
    }
    QCOMPARE(changedParameters(before, snapshot(rig.memory)), kTwelve.mid(0, 6));
    {
        QDataStream s(paste);
        rig.graph.pasteParameters(&s);
    }
    QCOMPARE(changedParameters(before, snapshot(rig.memory)), kTwelve);
    for (int p : kTwelve)
        QCOMPARE(rig.raw(p), 1);

    // doDefault covers 11..37.
    rig.graph.doDefault();
    for (int p = kFirst; p <= kLast; ++p)
        QCOMPARE(rig.raw(p), rig.memory.getValueEx(kElement, p, kUnit));
}

void tst_VEQ::highRateWidensAxis()
{
    Rig rig;
    QCOMPARE(rig.graph.fMax(), 20000.0);
    rig.set(kFreqParameter[6], 120); // 15.8 kHz
    rig.set(kFreqParameter[2], 0); // the bottom of the range: a nudge cannot go below
    QVector<int> before = snapshot(rig.memory);
    rig.memory.setSampleRate(96000);
    QCOMPARE(rig.graph.fMax(), 40000.0);
    QCOMPARE(rig.graph.model().sampleRate(), 96000.0);
    QCOMPARE(snapshot(rig.memory), before);
    // The pointer moved left on the wider axis.
    QCOMPARE(rig.graph.pointerPosition(6).x(),
             CVEQGraph::FreqToBin(VEQParam::frequencyOfStep(120), 20, 40000, 473));
    rig.memory.setSampleRate(44100);
    QCOMPARE(rig.graph.fMax(), 20000.0);
    QCOMPARE(snapshot(rig.memory), before);
}

void tst_VEQ::workerWriteRedrawsCurve()
{
    Rig rig;
    CVEQGraph &g = rig.graph;
    const QPoint peak = g.pointerPosition(3);
    const QRgb white = qRgb(255, 255, 255);
    auto whiteNear = [&](const QImage &img, int x, int y) {
        for (int dy = -1; dy <= 1; ++dy) {
            const QPoint p = rig.at(QPoint(x, y + dy));
            if (img.pixel(p) == white)
                return true;
        }
        return false;
    };
    const int top = CVEQGraph::LevToBin(18.0, 18, -18, g.binHeight());
    QImage img = g.grab().toImage();
    QVERIFY(whiteNear(img, peak.x(), peak.y())); // the total on the 0 dB line
    QVERIFY(!whiteNear(img, peak.x(), top + 1));

    const int updates = g.guiUpdateCount();
    QVERIFY(TestRig::runOnWorker([&] { rig.set(kLevelParameter[3], 72); }));
    QTRY_VERIFY(g.guiUpdateCount() > updates);
    img = g.grab().toImage();
    QVERIFY(whiteNear(img, peak.x(), top + 1)); // +18 dB at the section's own column
    QVERIFY(!whiteNear(img, peak.x(), peak.y()));
    QCOMPARE(g.model().GetEqLevValue(3), 18.0);
}

void tst_VEQ::ratesOutsideTheConsoleRead48k_data()
{
    QTest::addColumn<int>("hz");
    QTest::addColumn<int>("model");
    QTest::addColumn<double>("fMax");
    QTest::newRow("44.1k") << 44100 << 44100 << 20000.0;
    QTest::newRow("88.2k") << 88200 << 88200 << 40000.0;
    QTest::newRow("96k") << 96000 << 96000 << 40000.0;
    QTest::newRow("32k") << 32000 << 48000 << 20000.0;
    QTest::newRow("192k") << 192000 << 48000 << 20000.0;
    QTest::newRow("zero") << 0 << 48000 << 20000.0;
    QTest::newRow("negative") << -96000 << 48000 << 20000.0;
}

void tst_VEQ::ratesOutsideTheConsoleRead48k()
{
    QFETCH(int, hz);
    QFETCH(int, model);
    QFETCH(double, fMax);
    CVEQGraph graph;
    graph.handle_sampleFreqChange(96000);
    graph.handle_sampleFreqChange(hz);
    QCOMPARE(graph.model().sampleRate(), double(model));
    QCOMPARE(graph.fMax(), fMax);
}

void tst_VEQ::unmappedTagsAndNoMemoryWriteNothing()
{
    Rig rig;
    const QVector<int> before = snapshot(rig.memory);
    for (int tag : {0, 1, 28, 35, -1, 99})
        rig.graph.valueChanged(tag, 5.0);
    QCOMPARE(snapshot(rig.memory), before);
    rig.graph.valueChanged(CVEQ::GetLevTag(3), 6.0); // a mapped tag does write
    QCOMPARE(changedParameters(before, snapshot(rig.memory)), QList<int>({kLevelParameter[3]}));

    // Unbound: a press still selects, moves and the buttons write nothing.
    Rig loose(false);
    const QVector<int> untouched = snapshot(loose.memory);
    const QPoint start = loose.at(loose.graph.pointerPosition(5));
    QTest::mousePress(&loose.graph, Qt::LeftButton, {}, start);
    QCOMPARE(loose.graph.selected(), 5);
    QTest::mouseMove(&loose.graph, start + QPoint(-20, -20));
    loose.graph.doFlat();
    loose.graph.doDefault();
    loose.graph.handle_sampleFreqChange(48000);
    QCOMPARE(snapshot(loose.memory), untouched);
    QCOMPARE(loose.graph.model().GetEqFreqValue(5), 1600.0);
}

void tst_VEQ::shortPointerStripDrawsNoPointers()
{
    auto magentaPixels = [](CVEQGraph &g) {
        return TestRig::countPixels(g.grab().toImage(), QColor(Qt::magenta)).matching;
    };
    Rig rig;
    rig.graph.setPointerImgFilename(
            writeStrip(m_art, QStringLiteral("short.png"), 11, Qt::magenta));
    QCOMPARE(magentaPixels(rig.graph), 0);
    rig.graph.setPointerImgFilename(
            writeStrip(m_art, QStringLiteral("twelve.png"), 12, Qt::magenta));
    // Six pointers, one frame row each, 7 pixels wide.
    QCOMPARE(magentaPixels(rig.graph), 6 * 7);
    rig.graph.setPointerImgFilename(QStringLiteral("missing.png"));
    QCOMPARE(magentaPixels(rig.graph), 0);
}

void tst_VEQ::axisConversions()
{
    const int w = 473, h = 139;
    QCOMPARE(CVEQGraph::FreqToBin(20.0, 20, 20000, w), 0);
    QCOMPARE(CVEQGraph::FreqToBin(20000.0, 20, 20000, w), w);
    QCOMPARE(CVEQGraph::FreqToBin(0.0, 20, 20000, w), 0);
    QCOMPARE(CVEQGraph::FreqToBin(-50.0, 20, 20000, w), 0);
    QCOMPARE(CVEQGraph::LevToBin(0.0, 18, -18, h), 69);
    QCOMPARE(CVEQGraph::LevToBin(-18.0, 18, -18, h), h);
    for (int b = 0; b < w; b += 37) {
        QCOMPARE(CVEQGraph::FreqToBin(CVEQGraph::BinToFreq(b, 20, 20000, w) * 1.0000001, 20, 20000,
                                      w),
                 b);
    }
    // One decade is a third of the width.
    QVERIFY(std::fabs(CVEQGraph::BinToFreq(w / 3, 20, 20000, w) / 200.0 - 1.0) < 0.01);
    QCOMPARE(CVEQGraph::BinToLev(h, 18, -18, h), -18.0);
    QCOMPARE(CVEQGraph::frequencyLabel(20), QStringLiteral("20"));
    QCOMPARE(CVEQGraph::frequencyLabel(500), QStringLiteral("500"));
    QCOMPARE(CVEQGraph::frequencyLabel(1000), QStringLiteral("1k"));
    QCOMPARE(CVEQGraph::frequencyLabel(40000), QStringLiteral("40k"));
}

void tst_VEQ::scaleLabels_data()
{
    QTest::addColumn<double>("v");
    QTest::addColumn<double>("top");
    QTest::addColumn<double>("bottom");
    QTest::addColumn<QString>("text");
    QTest::newRow("zoomed top, half to even") << 2.25 << 2.25 << -2.25 << "+2.2";
    QTest::newRow("zoomed bottom") << -2.25 << 2.25 << -2.25 << "-2.2";
    QTest::newRow("zoomed step") << 1.6875 << 2.25 << -2.25 << "+1.7";
    QTest::newRow("zoomed near zero") << 0.04 << 2.25 << -2.25 << "0dB";
    QTest::newRow("wide 13.5") << 13.5 << 18.0 << -18.0 << "+14";
    QTest::newRow("wide -13.5") << -13.5 << 18.0 << -18.0 << "-14";
    QTest::newRow("wide -0.5") << -0.5 << 18.0 << -18.0 << "-1";
    QTest::newRow("wide 0.4") << 0.4 << 18.0 << -18.0 << "0dB";
    QTest::newRow("wide from the bottom alone") << -4.0 << 9.0 << -10.0 << "-4";
}

void tst_VEQ::scaleLabels()
{
    QFETCH(double, v);
    QFETCH(double, top);
    QFETCH(double, bottom);
    QFETCH(QString, text);
    QCOMPARE(CVEQGraph::levelLabel(v, top, bottom), text);
}

QTEST_MAIN(tst_VEQ)
#include "tst_veq.moc"
