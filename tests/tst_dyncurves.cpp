// The dynamics curves: the transfer maths against values worked out by hand and against a
// reference written straight from the transfer rules, the pixels of grab() with the parameters
// written to the embedded memory, and when the pictures are rebuilt.

#include "CCompCurve.h"
#include "CDial.h"
#include "CGateCurve.h"
#include "TParamMemory.h"
#include "TestRig.h"
#include "calc_dyn.h"

#include <QHash>
#include <QImage>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <memory>

namespace {

constexpr int kChannel = 3;
constexpr int kCompElement = 48;
constexpr int kGateElement = 49;
// Parameters of the demo console's compressor and gate.
constexpr int kCompThreshold = 2;
constexpr int kCompType = 3;
constexpr int kCompRatio = 6;
constexpr int kCompGain = 7;
constexpr int kCompKnee = 8;
constexpr int kGateThreshold = 2;
constexpr int kGateType = 7;
constexpr int kGateRange = 9;
constexpr int kCompGainMaximum = 180;

// One pixel per dB: column x + 72 shows input x, row 18 - y shows output y.
constexpr int kSide = 91;
const QColor kLine(139, 183, 212);

int rowOf(int dB)
{
    return 18 - dB;
}

using TestRig::settle;

// A memory whose values or ranges the console's catalogue could not hold.
class TMisconfiguredMemory : public TParamMemory
{
public:
    QHash<quint32, int> values, minimums, maximums;

    int getValue(int e, int p, int c, int r1 = 0, int r2 = 0) override
    {
        return values.value(IMemAPI::pack(e, p, c), TParamMemory::getValue(e, p, c, r1, r2));
    }
    int getMinimum(int e, int p, int c, int r = 0) override
    {
        return minimums.value(IMemAPI::pack(e, p, c), TParamMemory::getMinimum(e, p, c, r));
    }
    int getMaximum(int e, int p, int c, int r = 0) override
    {
        return maximums.value(IMemAPI::pack(e, p, c), TParamMemory::getMaximum(e, p, c, r));
    }
};

struct Fixture
{
    TMisconfiguredMemory memory;
    std::unique_ptr<CCompCurve> comp;
    std::unique_ptr<CGateCurve> gate;

    void set(int e, int p, int v) { memory.setValue(e, p, kChannel, v, memory.sourceId(0) + 1, 1); }
    int get(int e, int p) { return memory.getValue(e, p, kChannel); }

    void setComp(int type, int thresholdTenths, int ratio, int knee, int gain = 0)
    {
        set(kCompElement, kCompType, type);
        set(kCompElement, kCompThreshold, thresholdTenths);
        set(kCompElement, kCompRatio, ratio);
        set(kCompElement, kCompKnee, knee);
        set(kCompElement, kCompGain, gain);
    }
    void setGate(int type, int thresholdTenths, int range)
    {
        set(kGateElement, kGateType, type);
        set(kGateElement, kGateThreshold, thresholdTenths);
        set(kGateElement, kGateRange, range);
    }

    template<class W>
    W *make(std::unique_ptr<W> &w, const char *address, QSize size)
    {
        w.reset(new W(nullptr, address));
        w->setNamedAddress(QString::fromLatin1(address));
        w->resize(size);
        memory.connectProxy(w.get(), kChannel);
        w->show();
        settle();
        return w.get();
    }
    CCompCurve *makeComp(QSize size = QSize(kSide, kSide))
    {
        return make(comp, "FEkComp/kCompThreshold", size);
    }
    CGateCurve *makeGate(QSize size = QSize(kSide, kSide))
    {
        return make(gate, "FEkGate/kGateThreshold", size);
    }
};

bool lit(const QImage &img, int x, int y)
{
    return img.valid(x, y) && QColor(img.pixel(x, y)).rgb() == kLine.rgb();
}

QList<int> litRows(const QImage &img, int column)
{
    QList<int> rows;
    for (int y = 0; y < img.height(); ++y) {
        if (lit(img, column, y))
            rows << y;
    }
    return rows;
}

int litCount(const QImage &img)
{
    int n = 0;
    for (int x = 0; x < img.width(); ++x)
        n += int(litRows(img, x).size());
    return n;
}

// Every column c shows exactly the pixel of output = input.
bool isDiagonal(const QImage &img)
{
    for (int c = 0; c < kSide; ++c) {
        if (litRows(img, c) != QList<int> {rowOf(c - 72)})
            return false;
    }
    return true;
}

QImage picture(QWidget *w)
{
    return w->grab().toImage();
}

// --- the reference: the transfer rules as written, one branch per case ----------------------

const double kReferenceSlopes[16] = {1.0,         0.869565217, 0.769230769, 0.666666666666666,
                                     0.588235294, 0.5,         0.4,         0.333333333333333,
                                     0.285714285, 0.25,        0.2,         0.166666666666666,
                                     0.125,       0.1,         0.05,        0.0};

int referenceKnee(int d, int code)
{
    switch (code) {
    case 1:
        return d <= 2 ? 2 : 0;
    case 2:
        return d <= 4 ? 2 : 0;
    case 3:
        return d < 1 ? 4 : d <= 6 ? 2 : 0;
    case 4:
        return d <= 2 ? 4 : d <= 10 ? 2 : 0;
    case 5:
        return d < 1 ? 6 : d <= 4 ? 4 : d <= 14 ? 2 : 0;
    default:
        return 0;
    }
}

int referenceComp(int type, int T, int ratio, int knee, int gain, int gainMax, int x)
{
    const double s = kReferenceSlopes[ratio < 0 ? 0 : ratio > 15 ? 15 : ratio];
    const int d = std::abs(x - T);
    auto clip = [](int v) { return v < -128 ? -128 : v > 127 ? 127 : v; };
    if (type == 0) {
        const int y = x < T ? x : int(s * (x - T) + T);
        const int k = s == 1.0 ? 0 : referenceKnee(d, knee);
        return int(y - k * (1 - s)) + gain / 10;
    }
    if (type == 1) {
        const double e = s == 0.0 ? 0.01 : s;
        const int y = x < T ? int((x - T) / e + T) : x;
        const int k = s == 1.0 ? 0 : referenceKnee(d, knee);
        return clip(int(y - k * (1 - e)) + gain / 10);
    }
    if (type == 2 || type == 3) {
        const double s2 = type == 2 ? 0.2 : 0.666666666666666;
        const int y0 = 0 < T ? 0 : int(s * (0 - T) + T);
        const int k0 = s != 1.0 && std::abs(T) <= 4 ? 2 : 0;
        int w = std::max(int(y0 - k0 * (1 - s)), -18) + (gainMax - gain) / 10;
        w = std::min(w, 6);
        const int W = knee + 1;
        const int y = x < T ? x : int(s * (x - T) + T);
        const int k = s != 1.0 && d <= 4 ? 2 : 0;
        const int v = std::min(int(y - k * (1 - s)) - w, 0);
        return clip(x >= T - W ? v : int(v - ((T - W) - x) * (1 / s2 - 1)));
    }
    return 0;
}

TCompCurveParams compParams(int type, int T, int ratio, int knee, int gain = 0,
                            int gainMax = kCompGainMaximum)
{
    TCompCurveParams p;
    p.type = type;
    p.threshold = T;
    p.ratio = ratio;
    p.knee = knee;
    p.gain = gain;
    p.gainMaximum = gainMax;
    return p;
}

} // namespace

class tst_DynCurves : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The maths
    void compressorFamily_data();
    void compressorFamily();
    void compressorFamilyMatchesReference();
    void gateFamily_data();
    void gateFamily();
    void thresholdLimits_data();
    void thresholdLimits();
    void lineEndsOnItsEndPoint_data();
    void lineEndsOnItsEndPoint();

    // The pictures
    void compCurvePixels_data();
    void compCurvePixels();
    void gateCurvePixels_data();
    void gateCurvePixels();
    void narrowCompCurveMergesSteps();
    void unboundCurvesShowTheDiagonal();
    void misconfiguredMemory_data();
    void misconfiguredMemory();
    void tinyWidgetsShowOnlyTheBackground_data();
    void tinyWidgetsShowOnlyTheBackground();
    void backgroundFollowsThePalette();
    void sizeHints();

    // Rebuilds and threads
    void compCurveRebuildsOnlyOnChange();
    void gateCurveRebuildsOnEveryNotification();
    void workerThreadWriteShowsOnTheGuiThread();
    void dialOnTheSameParameterReshapesTheCurve();
};

// --- the maths -------------------------------------------------------------------------------

void tst_DynCurves::compressorFamily_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("threshold");
    QTest::addColumn<int>("ratio");
    QTest::addColumn<int>("knee");
    QTest::addColumn<int>("gain");
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("expected");

    // Worked by hand from the rules; T and x in dB, gain in tenths.
    QTest::newRow("1:1 is unity") << 0 << -20 << 0 << 5 << 0 << -30 << -30;
    QTest::newRow("inf:1 flat above T") << 0 << -20 << 15 << 0 << 0 << 10 << -20;
    QTest::newRow("inf:1 unity below T") << 0 << -20 << 15 << 0 << 0 << -30 << -30;
    // 6 * (1 - 0.5) under the hard knee.
    QTest::newRow("knee 5 at 2:1, at T") << 0 << -20 << 5 << 5 << 0 << -20 << -23;
    QTest::newRow("knee 5 at 2:1, d 10") << 0 << -20 << 5 << 5 << 0 << -10 << -16;
    // 0.666666666666666 * 3 = 1.999999999999998.
    QTest::newRow("1.5:1 at 0 dB") << 0 << 0 << 3 << 0 << 0 << 3 << 1;
    // 3.33333 - 20 truncates towards zero, to -16 (not -17).
    QTest::newRow("3:1 truncates towards zero") << 0 << -20 << 7 << 0 << 0 << -10 << -16;
    QTest::newRow("gain 5.5 dB adds 5") << 0 << -20 << 5 << 0 << 55 << 0 << -5;
    QTest::newRow("compressor sum unclamped") << 0 << -20 << 0 << 0 << 2000 << 0 << 200;
    QTest::newRow("expander sum clamped") << 1 << -20 << 0 << 0 << 2000 << 0 << 127;
    // inf:1 expands with slope 0.01: -1 / 0.01 - 20.
    QTest::newRow("expander inf:1 just below T") << 1 << -20 << 15 << 0 << 0 << -21 << -120;
    QTest::newRow("expander inf:1 clamped") << 1 << -20 << 15 << 0 << 0 << -22 << -128;
    QTest::newRow("expander 2:1 below T") << 1 << -20 << 5 << 0 << 0 << -25 << -30;
    QTest::newRow("expander unity above T") << 1 << -20 << 5 << 0 << 0 << -5 << -5;
    // Companders at T -20, 2:1, width 3, no gain (maximum 18 dB): make-up
    // min(max(-10, -18) + 18, 6) = 6, width edge -24.
    QTest::newRow("compander S at 0") << 2 << -20 << 5 << 3 << 0 << 0 << -16;
    QTest::newRow("compander S at T") << 2 << -20 << 5 << 3 << 0 << -20 << -27;
    QTest::newRow("compander S at edge") << 2 << -20 << 5 << 3 << 0 << -24 << -31;
    // -31 - 1 * (5 - 1) and -31 - 6 * 4.
    QTest::newRow("compander S below edge") << 2 << -20 << 5 << 3 << 0 << -25 << -35;
    QTest::newRow("compander S far below") << 2 << -20 << 5 << 3 << 0 << -30 << -60;
    // 1.5:1 below the edge: -31 - 0.500000000000001 truncates to -31, -36 - 3.000000000000006
    // to -39.
    QTest::newRow("compander H below edge") << 3 << -20 << 5 << 3 << 0 << -25 << -31;
    QTest::newRow("compander H far below") << 3 << -20 << 5 << 3 << 0 << -30 << -39;
    // Make-up min(-10 + 8, 6) = -2: the output gain is not added, it lowers the make-up.
    QTest::newRow("compander gain 10 dB") << 2 << -20 << 5 << 3 << 100 << -10 << -13;
    // Make-up floor: max(-54, -18) + 0 = -18.
    QTest::newRow("compander make-up floor") << 2 << -54 << 15 << 0 << 180 << 0 << -36;
    // Never above 0 dB out.
    QTest::newRow("compander capped at 0") << 2 << -10 << 0 << 0 << 0 << 10 << 0;
    QTest::newRow("type 4 is 0 dB") << 4 << -20 << 5 << 2 << 0 << -40 << 0;
    QTest::newRow("type -1 is 0 dB") << -1 << -20 << 5 << 2 << 0 << 10 << 0;
    // Bad input the console never sends.
    QTest::newRow("ratio 16 clamps to inf:1") << 0 << -20 << 16 << 0 << 0 << 10 << -20;
    QTest::newRow("ratio -1 clamps to 1:1") << 0 << -20 << -1 << 0 << 0 << 10 << 10;
    QTest::newRow("knee 6 is hard") << 0 << -20 << 5 << 6 << 0 << -20 << -20;
    QTest::newRow("knee -1 is hard") << 0 << -20 << 5 << -1 << 0 << -20 << -20;
}

void tst_DynCurves::compressorFamily()
{
    QFETCH(int, type);
    QFETCH(int, threshold);
    QFETCH(int, ratio);
    QFETCH(int, knee);
    QFETCH(int, gain);
    QFETCH(int, x);
    QFETCH(int, expected);
    QCOMPARE(Calc_CompOut(compParams(type, threshold, ratio, knee, gain), x), expected);
}

void tst_DynCurves::compressorFamilyMatchesReference()
{
    int compared = 0;
    for (int type = -1; type <= 5; ++type) {
        for (int ratio = -1; ratio <= 16; ++ratio) {
            for (int knee = -1; knee <= 7; ++knee) {
                for (int T : {-54, -20, -3, 0}) {
                    for (int gain : {0, 55, 180}) {
                        const TCompCurveParams p = compParams(type, T, ratio, knee, gain);
                        for (int x = -72; x <= 18; ++x) {
                            const int expected =
                                    referenceComp(type, T, ratio, knee, gain, kCompGainMaximum, x);
                            const int got = Calc_CompOut(p, x);
                            if (got != expected)
                                QFAIL(qPrintable(QString::asprintf(
                                        "type %d T %d ratio %d knee %d gain %d x %d: %d", type, T,
                                        ratio, knee, gain, x, got)));
                            ++compared;
                        }
                    }
                }
            }
        }
    }
    QVERIFY(compared > 100000);
}

void tst_DynCurves::gateFamily_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("threshold");
    QTest::addColumn<int>("range");
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("expected");

    QTest::newRow("gate below T") << 0 << -40 << -30 << -50 << -80;
    QTest::newRow("gate at T") << 0 << -40 << -30 << -40 << -70;
    QTest::newRow("gate above T") << 0 << -40 << -30 << -39 << -39;
    QTest::newRow("ducker below T") << 1 << -40 << -30 << -50 << -50;
    QTest::newRow("ducker at T") << 1 << -40 << -30 << -40 << -40;
    QTest::newRow("ducker above T") << 1 << -40 << -30 << -39 << -69;
    QTest::newRow("any non-zero type ducks") << 5 << -40 << -30 << 0 << -30;
    // Signed 16-bit results: a range no console holds wraps rather than widening.
    QTest::newRow("16-bit wrap") << 1 << 0 << 32767 << 1 << -32768;
    QTest::newRow("16-bit negative wrap") << 0 << 0 << -32768 << -1 << 32767;
}

void tst_DynCurves::gateFamily()
{
    QFETCH(int, type);
    QFETCH(int, threshold);
    QFETCH(int, range);
    QFETCH(int, x);
    QFETCH(int, expected);
    TGateCurveParams p;
    p.type = type;
    p.threshold = threshold;
    p.range = range;
    QCOMPARE(int(Calc_GateOut(p, x)), expected);
}

void tst_DynCurves::thresholdLimits_data()
{
    QTest::addColumn<int>("tenths");
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("dB");

    QTest::newRow("inside") << -205 << -540 << 0 << -20; // towards zero
    QTest::newRow("below") << -900 << -540 << 0 << -54;
    QTest::newRow("above") << 200 << -540 << 0 << 0;
    // Crossed limits (a misconfigured memory): the minimum wins, as with qBound.
    QTest::newRow("crossed, inside") << -300 << 0 << -540 << 0;
    QTest::newRow("crossed, below") << -900 << 0 << -540 << 0;
    QTest::newRow("crossed, above") << 300 << 0 << -540 << 0;
}

void tst_DynCurves::thresholdLimits()
{
    QFETCH(int, tenths);
    QFETCH(int, minimum);
    QFETCH(int, maximum);
    QFETCH(int, dB);
    QCOMPARE(Calc_DynThreshold(tenths, minimum, maximum), dB);
}

void tst_DynCurves::lineEndsOnItsEndPoint_data()
{
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<QList<QPoint>>("pixels");

    QTest::newRow("45 degrees") << QPoint(0, 0) << QPoint(4, 4)
                                << QList<QPoint> {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}};
    QTest::newRow("45 degrees up-left")
            << QPoint(3, 3) << QPoint(0, 0) << QList<QPoint> {{3, 3}, {2, 2}, {1, 1}, {0, 0}};
    // x = trunc(2k / 7) for k = 0..7.
    QTest::newRow("steep") << QPoint(0, 0) << QPoint(2, 7)
                           << QList<QPoint> {{0, 0}, {0, 1}, {0, 2}, {0, 3},
                                             {1, 4}, {1, 5}, {1, 6}, {2, 7}};
    // k counts down from 0 to -7: x = 2 + trunc(2k / 7).
    QTest::newRow("steep, backwards")
            << QPoint(2, 7) << QPoint(0, 0)
            << QList<QPoint> {{2, 7}, {2, 6}, {2, 5}, {2, 4}, {1, 3}, {1, 2}, {1, 1}, {0, 0}};
    QTest::newRow("shallow") << QPoint(0, 3) << QPoint(4, 1)
                             << QList<QPoint> {{0, 3}, {1, 3}, {2, 2}, {3, 2}, {4, 1}};
    QTest::newRow("divisor -1") << QPoint(1, 0) << QPoint(0, 1) << QList<QPoint> {{1, 0}, {0, 1}};
    QTest::newRow("one point") << QPoint(5, 5) << QPoint(5, 5) << QList<QPoint> {{5, 5}};
    QTest::newRow("vertical") << QPoint(2, 3) << QPoint(2, 0)
                              << QList<QPoint> {{2, 3}, {2, 2}, {2, 1}, {2, 0}};
}

void tst_DynCurves::lineEndsOnItsEndPoint()
{
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    QFETCH(QList<QPoint>, pixels);
    TDynPixels out;
    Calc_DynLine(from.x(), from.y(), to.x(), to.y(), out);
    QList<QPoint> drawn;
    for (const TDynPixel &p : out)
        drawn << QPoint(p.x, p.y);
    QCOMPARE(drawn, pixels);
}

// --- the pictures ----------------------------------------------------------------------------

namespace {

void pixelColumns()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("threshold"); // tenths of a dB
    QTest::addColumn<int>("a"); // compressor: ratio; gate: range
    QTest::addColumn<int>("b"); // compressor: knee or width
    QTest::addColumn<int>("gain");
    QTest::addColumn<QList<QPoint>>("lit");
    QTest::addColumn<QList<QPoint>>("dark");
    QTest::addColumn<int>("emptyBelow"); // columns left of it show nothing
}

void checkPixels(const QImage &img)
{
    QFETCH(QList<QPoint>, lit);
    QFETCH(QList<QPoint>, dark);
    QFETCH(int, emptyBelow);
    for (const QPoint &p : lit)
        QVERIFY2(::lit(img, p.x(), p.y()),
                 qPrintable(QStringLiteral("%1,%2").arg(p.x()).arg(p.y())));
    for (const QPoint &p : dark)
        QVERIFY2(!::lit(img, p.x(), p.y()),
                 qPrintable(QStringLiteral("%1,%2").arg(p.x()).arg(p.y())));
    for (int c = 0; c < emptyBelow; ++c)
        QVERIFY2(litRows(img, c).isEmpty(), qPrintable(QString::number(c)));
}

} // namespace

void tst_DynCurves::compCurvePixels_data()
{
    pixelColumns();
    // Column x + 72, row 18 - y.
    QTest::newRow("inf:1 flat at -20")
            << 0 << -200 << 15 << 0 << 0 << QList<QPoint> {{52, 38}, {60, 38}, {90, 38}, {30, 60}}
            << QList<QPoint> {{60, 30}, {90, 20}} << 0;
    QTest::newRow("knee 5 at 2:1 sits 3 dB under the hard knee")
            << 0 << -200 << 5 << 5 << 0 << QList<QPoint> {{52, 41}, {62, 34}}
            << QList<QPoint> {{52, 38}, {62, 33}} << 0;
    QTest::newRow("1.5:1 at 0 dB: +3 in, +1 out")
            << 0 << 0 << 3 << 0 << 0 << QList<QPoint> {{75, 17}, {76, 16}}
            << QList<QPoint> {{75, 15}, {75, 16}} << 0;
    QTest::newRow("output gain") << 0 << -200 << 5 << 0 << 55 << QList<QPoint> {{72, 23}}
                                 << QList<QPoint> {{72, 28}} << 0;
    // Below the threshold the curve leaves the square: the last segment rises from the
    // bottom row, nothing left of it.
    QTest::newRow("expander inf:1 clipped at the bottom")
            << 1 << -200 << 15 << 0 << 0 << QList<QPoint> {{51, 90}, {51, 60}, {52, 38}, {60, 30}}
            << QList<QPoint> {{50, 90}} << 51;
    // +10 dB at 1:1 leaves the square at +9 dB in: the last segment ends in its own column.
    QTest::newRow("off-scale end") << 0 << -200 << 0 << 0 << 100 << QList<QPoint> {{0, 80}, {80, 0}}
                                   << QList<QPoint> {{81, 0}, {90, 0}} << 0;
    QTest::newRow("compander S") << 2 << -200 << 5 << 3 << 0
                                 << QList<QPoint> {{72, 34}, {52, 45}, {48, 49}, {47, 53}, {42, 78}}
                                 << QList<QPoint> {{42, 57}} << 0;
    QTest::newRow("compander H") << 3 << -200 << 5 << 3 << 0
                                 << QList<QPoint> {{72, 34}, {52, 45}, {48, 49}, {47, 49}, {42, 57}}
                                 << QList<QPoint> {{42, 78}} << 0;
}

void tst_DynCurves::compCurvePixels()
{
    QFETCH(int, type);
    QFETCH(int, threshold);
    QFETCH(int, a);
    QFETCH(int, b);
    QFETCH(int, gain);
    Fixture f;
    f.setComp(type, threshold, a, b, gain);
    f.makeComp();
    checkPixels(picture(f.comp.get()));
    // Display only: drawing left the memory as it was.
    QCOMPARE(f.get(kCompElement, kCompType), type);
    QCOMPARE(f.get(kCompElement, kCompThreshold), threshold);
    QCOMPARE(f.get(kCompElement, kCompRatio), a);
}

void tst_DynCurves::gateCurvePixels_data()
{
    pixelColumns();
    // x - 30 up to -40 (visible from -42 on), a steep step to -39, then the diagonal.
    QTest::newRow("gate -40 / -30")
            << 0 << -400 << -30 << 0 << 0
            << QList<QPoint> {{29, 90}, {30, 90}, {31, 89}, {32, 88}, {32, 70}, {33, 57}, {50, 40}}
            << QList<QPoint> {{20, 70}, {32, 57}, {50, 70}} << 29;
    QTest::newRow("gate -40 / -70: rises from the bottom row")
            << 0 << -400 << -70 << 0 << 0 << QList<QPoint> {{32, 90}, {32, 60}, {33, 57}}
            << QList<QPoint> {} << 32;
    QTest::newRow("ducker -40 / -30")
            << 1 << -400 << -30 << 0 << 0 << QList<QPoint> {{20, 70}, {32, 58}, {50, 70}, {90, 30}}
            << QList<QPoint> {{50, 40}, {90, 0}} << 0;
    // Just above the threshold the output falls off the square: a vertical segment at the
    // threshold's column, then nothing until x - 70 is back on it.
    QTest::newRow("ducker -20 / -70: off-scale end")
            << 1 << -200 << -70 << 0 << 0 << QList<QPoint> {{52, 38}, {52, 60}, {52, 90}, {69, 90}}
            << QList<QPoint> {{53, 90}, {60, 90}, {68, 90}} << 0;
}

void tst_DynCurves::gateCurvePixels()
{
    QFETCH(int, type);
    QFETCH(int, threshold);
    QFETCH(int, a);
    Fixture f;
    f.setGate(type, threshold, a);
    f.makeGate();
    checkPixels(picture(f.gate.get()));
    QCOMPARE(f.get(kGateElement, kGateThreshold), threshold);
    QCOMPARE(f.get(kGateElement, kGateRange), a);
}

void tst_DynCurves::narrowCompCurveMergesSteps()
{
    // 46 wide: step i falls in column i / 2, so each column carries two dB of the diagonal.
    // Column 10 draws inputs -52..-50, rows 70 down to 68, whose end pixel (11, 68) starts
    // the next column.
    Fixture f;
    f.setComp(0, -200, 0, 0);
    f.makeComp(QSize(46, kSide));
    const QImage img = picture(f.comp.get());
    QCOMPARE(litRows(img, 10), (QList<int> {69, 70}));
    QCOMPARE(litRows(img, 11), (QList<int> {67, 68}));
    QCOMPARE(litRows(img, 45), (QList<int> {0}));
}

void tst_DynCurves::unboundCurvesShowTheDiagonal()
{
    CCompCurve comp;
    comp.resize(kSide, kSide);
    QVERIFY(isDiagonal(picture(&comp)));
    CGateCurve gate;
    gate.resize(kSide, kSide);
    QVERIFY(isDiagonal(picture(&gate)));

    // Notifications without a memory are no-ops.
    comp.process(nullptr, 0, 0);
    gate.process(nullptr, 0, 0);
    QVERIFY(isDiagonal(picture(&comp)));
}

void tst_DynCurves::misconfiguredMemory_data()
{
    QTest::addColumn<int>("parameter");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("flatFrom"); // first column of the flat part
    QTest::addColumn<int>("flatRow"); // -1: the diagonal

    // Over a compressor at -20 dB, inf:1, hard knee, flat at row 38 from column 52.
    const int none = INT_MIN;
    QTest::newRow("threshold below its range")
            << kCompThreshold << -900 << none << none << 18 << rowOf(-54);
    QTest::newRow("threshold above its range") << kCompThreshold << 200 << none << none << 72 << 18;
    QTest::newRow("threshold limits crossed") << kCompThreshold << -300 << 0 << -540 << 72 << 18;
    QTest::newRow("ratio 16") << kCompRatio << 16 << none << none << 52 << rowOf(-20);
    QTest::newRow("ratio -1") << kCompRatio << -1 << none << none << 0 << -1;
    QTest::newRow("knee 9") << kCompKnee << 9 << none << none << 52 << rowOf(-20);
    QTest::newRow("type 4") << kCompType << 4 << none << none << 0 << 18;
    QTest::newRow("type -3") << kCompType << -3 << none << none << 0 << 18;
}

void tst_DynCurves::misconfiguredMemory()
{
    QFETCH(int, parameter);
    QFETCH(int, value);
    QFETCH(int, minimum);
    QFETCH(int, maximum);
    QFETCH(int, flatFrom);
    QFETCH(int, flatRow);
    Fixture f;
    f.setComp(0, -200, 15, 0);
    f.makeComp();
    const quint32 key = IMemAPI::pack(kCompElement, parameter, kChannel);
    f.memory.values.insert(key, value);
    if (minimum != INT_MIN)
        f.memory.minimums.insert(key, minimum);
    if (maximum != INT_MIN)
        f.memory.maximums.insert(key, maximum);
    // The memory notifies as it would after a change.
    f.comp->process(nullptr, 0, 0);
    const QImage img = picture(f.comp.get());
    if (flatRow < 0) {
        QVERIFY(isDiagonal(img));
        return;
    }
    for (int c = 0; c < kSide; ++c) {
        const QList<int> expected {c < flatFrom ? rowOf(c - 72) : flatRow};
        QVERIFY2(litRows(img, c).contains(expected.first()), qPrintable(QString::number(c)));
        if (c > flatFrom)
            QCOMPARE(litRows(img, c), expected);
    }
}

void tst_DynCurves::tinyWidgetsShowOnlyTheBackground_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("1 x 1") << QSize(1, 1);
    QTest::newRow("1 x 91") << QSize(1, kSide);
    QTest::newRow("91 x 1") << QSize(kSide, 1);
}

void tst_DynCurves::tinyWidgetsShowOnlyTheBackground()
{
    QFETCH(QSize, size);
    Fixture f;
    f.setComp(0, -200, 15, 0);
    f.setGate(0, -400, -30);
    QCOMPARE(litCount(picture(f.makeComp(size))), 0);
    QCOMPARE(litCount(picture(f.makeGate(size))), 0);
    TDynPixels pixels {{1, 1}};
    Calc_CompCurvePixels(compParams(0, -20, 0, 0), size.width(), size.height(), pixels);
    QVERIFY(pixels.empty());
}

void tst_DynCurves::backgroundFollowsThePalette()
{
    // The compressor keeps a copy of its palette's texture; a new palette must replace it.
    Fixture f;
    f.setComp(0, -200, 15, 0);
    CCompCurve *comp = f.makeComp();
    for (const QColor &colour : {QColor(10, 20, 30), QColor(200, 40, 40)}) {
        QPixmap texture(kSide, kSide);
        texture.fill(colour);
        QPalette palette = comp->palette();
        palette.setBrush(comp->backgroundRole(), QBrush(texture));
        comp->setPalette(palette);
        settle();
        const QImage img = picture(comp);
        QCOMPARE(QColor(img.pixel(5, 5)), colour);
        QVERIFY(lit(img, 60, rowOf(-20)));
    }
}

void tst_DynCurves::sizeHints()
{
    QPixmap graticule(91, 91);
    graticule.fill(Qt::darkGray);
    QPixmap texture(50, 60);
    texture.fill(Qt::darkBlue);
    auto textured = [&](QWidget &w) {
        QPalette palette = w.palette();
        palette.setBrush(w.backgroundRole(), QBrush(texture));
        w.setPalette(palette);
    };

    CCompCurve comp;
    QCOMPARE(comp.sizeHint(), QSize(40, 30));
    textured(comp);
    QCOMPARE(comp.sizeHint(), QSize(50, 60));

    CGateCurve gate;
    textured(gate);
    QCOMPARE(gate.sizeHint(), QSize(40, 30)); // no pixmap: the texture does not count
    gate.setPixmap(graticule);
    QCOMPARE(gate.sizeHint(), QSize(50, 60));
    CGateCurve plain;
    plain.setPixmap(graticule);
    QCOMPARE(plain.sizeHint(), QSize(91, 91));
}

// --- rebuilds and threads --------------------------------------------------------------------

void tst_DynCurves::compCurveRebuildsOnlyOnChange()
{
    Fixture f;
    f.setComp(0, -200, 5, 0);
    CCompCurve *comp = f.makeComp();
    picture(comp);
    const int before = comp->rebuildCount();

    // A notification with nothing changed (the memory may notify a rewrite) rebuilds nothing,
    // nor do more paints.
    comp->process(nullptr, 0, 0);
    comp->repaint();
    picture(comp);
    QCOMPARE(comp->rebuildCount(), before);

    // Each changed parameter rebuilds once.
    int expected = before;
    for (int p : {kCompThreshold, kCompGain, kCompKnee, kCompRatio, kCompType}) {
        f.set(kCompElement, p, f.get(kCompElement, p) + 1);
        picture(comp);
        QCOMPARE(comp->rebuildCount(), ++expected);
    }
    // A changed range alone counts as a change.
    f.memory.maximums.insert(IMemAPI::pack(kCompElement, kCompKnee, kChannel), 9);
    comp->process(nullptr, 0, 0);
    QCOMPARE(comp->rebuildCount(), ++expected);

    // Only value changes are shown: defaults, paste and copy neither redraw nor write. Back to
    // a compressor at -19 dB, 2.5:1 (-4 dB out at +18 dB in); the ratio turns to inf:1 unnotified.
    f.set(kCompElement, kCompType, 0);
    ++expected;
    QVERIFY(lit(picture(comp), 90, rowOf(-4)));
    f.memory.setValue(kCompElement, kCompRatio, kChannel, 15, 0, 0);
    for (int operation : {1, 2, 3, 4})
        comp->process(nullptr, operation, 1);
    QCOMPARE(comp->rebuildCount(), expected);
    QCOMPARE(f.get(kCompElement, kCompRatio), 15);
    QVERIFY(lit(picture(comp), 90, rowOf(-4)));
    comp->process(nullptr, 0, 0);
    QCOMPARE(comp->rebuildCount(), expected + 1);
    QVERIFY(lit(picture(comp), 90, rowOf(-19)));
}

void tst_DynCurves::gateCurveRebuildsOnEveryNotification()
{
    Fixture f;
    f.setGate(0, -400, -30);
    CGateCurve *gate = f.makeGate();
    picture(gate);
    const int before = gate->rebuildCount();
    gate->process(nullptr, 0, 0);
    QCOMPARE(gate->rebuildCount(), before + 1);
    gate->process(nullptr, 1, 0);
    QCOMPARE(gate->rebuildCount(), before + 1);
    f.set(kGateElement, kGateType, 1);
    QCOMPARE(gate->rebuildCount(), before + 2);
    QVERIFY(lit(picture(gate), 50, 70)); // now a ducker
}

void tst_DynCurves::workerThreadWriteShowsOnTheGuiThread()
{
    Fixture f;
    f.setComp(0, -200, 15, 0);
    f.setGate(0, -400, -30);
    CCompCurve *comp = f.makeComp();
    CGateCurve *gate = f.makeGate();
    picture(comp);
    picture(gate);
    const int compBefore = comp->rebuildCount(), gateBefore = gate->rebuildCount();

    QVERIFY(TestRig::runOnWorker([&] {
        f.set(kCompElement, kCompThreshold, -400);
        f.set(kGateElement, kGateRange, -10);
    }));
    // Off the GUI thread the curves only post.
    QCOMPARE(comp->rebuildCount(), compBefore);
    QCOMPARE(gate->rebuildCount(), gateBefore);
    settle();
    QCOMPARE(comp->rebuildCount(), compBefore + 1);
    QCOMPARE(gate->rebuildCount(), gateBefore + 1);
    QVERIFY(lit(picture(comp), 60, rowOf(-40)));
    QVERIFY(lit(picture(gate), 20, rowOf(-52 - 10)));
}

void tst_DynCurves::dialOnTheSameParameterReshapesTheCurve()
{
    // As on an editor page: a ratio dial beside the curve, bound together.
    Fixture f;
    f.setComp(0, -200, 14, 0);
    QWidget page;
    auto *dial = new CDial(&page, "ratio");
    dial->setNamedAddress(QStringLiteral("FEkComp/kCompRatio"));
    auto *comp = new CCompCurve(&page, "comp");
    comp->setNamedAddress(QStringLiteral("FEkComp/kCompThreshold"));
    comp->setGeometry(60, 0, kSide, kSide);
    QCOMPARE(f.memory.connectTree(&page, kChannel), 2);
    page.show();
    settle();
    // 20:1 at +18 dB in: trunc(0.05 * 38 - 20) = -18.
    QVERIFY(lit(picture(comp), 90, rowOf(-18)));

    dial->setFocus();
    QTest::keyClick(dial, Qt::Key_Up);
    settle();
    QCOMPARE(f.get(kCompElement, kCompRatio), 15);
    const QImage img = picture(comp);
    QVERIFY(lit(img, 90, rowOf(-20)));
    QVERIFY(!lit(img, 90, rowOf(-18)));
}

QTEST_MAIN(tst_DynCurves)
#include "tst_dyncurves.moc"
