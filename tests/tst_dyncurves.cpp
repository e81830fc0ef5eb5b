// The dynamics curves: the transfer maths against values worked out by hand and against a
// reference written straight from the transfer rules, the pixels of grab() with the parameters
// written to the embedded memory, and when the pictures are rebuilt.

#include "CCompCurve.h"
#include "CDial.h"
#include "CGateCurve.h"
#include "TestRig.h"
#include "calc_dyn.h"

#include <QHash>

#include <climits>
#include <cstdlib>

namespace {

constexpr int kChannel = 3;
constexpr int kCompElement = 48;
constexpr int kGateElement = 49;
// Parameters of the demo console's compressor and gate.
constexpr int kCompThreshold = 2, kCompType = 3, kCompRatio = 6, kCompGain = 7, kCompKnee = 8;
constexpr int kGateThreshold = 2, kGateType = 7, kGateRange = 9;
constexpr int kCompGainMaximum = 180;

// One pixel per dB: column x + 72 shows input x, row 18 - y shows output y.
constexpr int kSide = 91;
const QColor kLine(139, 183, 212);

const auto rowOf = [](int dB) { return 18 - dB; };

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

// Both curves on one page of the built-in catalogue, bound on kChannel.
struct Fixture
{
    TMisconfiguredMemory memory;
    QWidget page;
    CCompCurve *comp = new CCompCurve(&page, "comp");
    CGateCurve *gate = new CGateCurve(&page, "gate");

    void set(int e, int p, int v) { memory.setValue(e, p, kChannel, v, memory.sourceId(0) + 1, 1); }
    int get(int e, int p) { return memory.getValue(e, p, kChannel); }

    void setComp(int type, int thresholdTenths, int ratio, int knee, int gain = 0)
    {
        for (auto [p, v] : {std::pair {kCompType, type},
                            {kCompThreshold, thresholdTenths},
                            {kCompRatio, ratio},
                            {kCompKnee, knee},
                            {kCompGain, gain}})
            set(kCompElement, p, v);
    }
    void setGate(int type, int thresholdTenths, int range)
    {
        for (auto [p, v] :
             {std::pair {kGateType, type}, {kGateThreshold, thresholdTenths}, {kGateRange, range}})
            set(kGateElement, p, v);
    }
    // Binds and shows the curves (and any other widget of the page), each of size.
    void show(QSize size = QSize(kSide, kSide))
    {
        comp->setNamedAddress(QStringLiteral("FEkComp/kCompThreshold"));
        gate->setNamedAddress(QStringLiteral("FEkGate/kGateThreshold"));
        comp->resize(size);
        gate->setGeometry(QRect(QPoint(0, 100), size));
        memory.connectTree(&page, kChannel);
        page.resize(200, 200);
        page.show();
        settle();
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

// Every column c shows exactly the pixel of output = input.
bool isDiagonal(QWidget *w)
{
    const QImage img = w->grab().toImage();
    for (int c = 0; c < kSide; ++c) {
        if (litRows(img, c) != QList<int> {rowOf(c - 72)})
            return false;
    }
    return true;
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

} // namespace

class tst_DynCurves : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The maths
    void transfer_data();
    void transfer();
    void compressorFamilyMatchesReference();

    // The pictures
    void curvePixels_data();
    void curvePixels();
    void misconfiguredMemory_data();
    void misconfiguredMemory();
    void sizesAndLooks();

    // Rebuilds and threads
    void pageScenario();
};

// --- the maths -------------------------------------------------------------------------------

void tst_DynCurves::transfer_data()
{
    QTest::addColumn<int>("family");
    QTest::addColumn<QList<int>>("c");
    // Compressor family: type, threshold, ratio, knee, gain, input, output.
    auto comp = [](const char *name, QList<int> c) { QTest::newRow(name) << 0 << c; };
    // Gate family: type, threshold, range, input, output.
    auto gate = [](const char *name, QList<int> c) { QTest::newRow(name) << 1 << c; };
    // Thresholds: tenths of a dB, minimum, maximum, whole dB.
    auto threshold = [](const char *name, QList<int> c) { QTest::newRow(name) << 2 << c; };
    auto line = [](const char *name, QList<int> c) { QTest::newRow(name) << 3 << c; };
    // Worked by hand from the rules; T and x in dB, gain in tenths.
    comp("1:1 is unity", {0, -20, 0, 5, 0, -30, -30});
    comp("inf:1 flat above T", {0, -20, 15, 0, 0, 10, -20});
    comp("inf:1 unity below T", {0, -20, 15, 0, 0, -30, -30});
    // 6 * (1 - 0.5) under the hard knee.
    comp("knee 5 at 2:1, at T", {0, -20, 5, 5, 0, -20, -23});
    comp("knee 5 at 2:1, d 10", {0, -20, 5, 5, 0, -10, -16});
    // 0.666666666666666 * 3 = 1.999999999999998.
    comp("1.5:1 at 0 dB", {0, 0, 3, 0, 0, 3, 1});
    // 3.33333 - 20 truncates towards zero, to -16 (not -17).
    comp("3:1 truncates towards zero", {0, -20, 7, 0, 0, -10, -16});
    comp("gain 5.5 dB adds 5", {0, -20, 5, 0, 55, 0, -5});
    comp("compressor sum unclamped", {0, -20, 0, 0, 2000, 0, 200});
    comp("expander sum clamped", {1, -20, 0, 0, 2000, 0, 127});
    // inf:1 expands with slope 0.01: -1 / 0.01 - 20.
    comp("expander inf:1 just below T", {1, -20, 15, 0, 0, -21, -120});
    comp("expander inf:1 clamped", {1, -20, 15, 0, 0, -22, -128});
    comp("expander 2:1 below T", {1, -20, 5, 0, 0, -25, -30});
    comp("expander unity above T", {1, -20, 5, 0, 0, -5, -5});
    // Companders at T -20, 2:1, width 3, no gain (maximum 18 dB): make-up
    // min(max(-10, -18) + 18, 6) = 6, width edge -24.
    comp("compander S at 0", {2, -20, 5, 3, 0, 0, -16});
    comp("compander S at T", {2, -20, 5, 3, 0, -20, -27});
    comp("compander S at edge", {2, -20, 5, 3, 0, -24, -31});
    // -31 - 1 * (5 - 1) and -31 - 6 * 4.
    comp("compander S below edge", {2, -20, 5, 3, 0, -25, -35});
    // 1.5:1 below the edge: -31 - 0.500000000000001 truncates to -31, -36 - 3.000000000000006
    // to -39.
    comp("compander H far below", {3, -20, 5, 3, 0, -30, -39});
    // Make-up min(-10 + 8, 6) = -2: the output gain is not added, it lowers the make-up.
    comp("compander gain 10 dB", {2, -20, 5, 3, 100, -10, -13});
    // Make-up floor: max(-54, -18) + 0 = -18.
    comp("compander make-up floor", {2, -54, 15, 0, 180, 0, -36});
    // Never above 0 dB out.
    comp("compander capped at 0", {2, -10, 0, 0, 0, 10, 0});
    comp("type 4 is 0 dB", {4, -20, 5, 2, 0, -40, 0});
    comp("type -1 is 0 dB", {-1, -20, 5, 2, 0, 10, 0});
    // Bad input the console never sends.
    comp("ratio 16 clamps to inf:1", {0, -20, 16, 0, 0, 10, -20});
    comp("ratio -1 clamps to 1:1", {0, -20, -1, 0, 0, 10, 10});
    comp("knee 6 is hard", {0, -20, 5, 6, 0, -20, -20});
    comp("knee -1 is hard", {0, -20, 5, -1, 0, -20, -20});
    gate("gate below T", {0, -40, -30, -50, -80});
    gate("gate at T", {0, -40, -30, -40, -70});
    gate("gate above T", {0, -40, -30, -39, -39});
    gate("ducker below T", {1, -40, -30, -50, -50});
    gate("ducker at T", {1, -40, -30, -40, -40});
    gate("ducker above T", {1, -40, -30, -39, -69});
    gate("any non-zero type ducks", {5, -40, -30, 0, -30});
    // Signed 16-bit results: a range no console holds wraps rather than widening.
    gate("16-bit wrap", {1, 0, 32767, 1, -32768});
    gate("16-bit negative wrap", {0, 0, -32768, -1, 32767});
    threshold("inside", {-205, -540, 0, -20}); // towards zero
    threshold("below", {-900, -540, 0, -54});
    threshold("above", {200, -540, 0, 0});
    // Crossed limits (a misconfigured memory): the minimum wins, as with qBound.
    threshold("crossed, inside", {-300, 0, -540, 0});
    threshold("crossed, above", {300, 0, -540, 0});
    // Lines: from, to, then the pixels drawn, as x, y pairs.
    line("45 degrees", {0, 0, 4, 4, /**/ 0, 0, 1, 1, 2, 2, 3, 3, 4, 4});
    line("45 degrees up-left", {3, 3, 0, 0, /**/ 3, 3, 2, 2, 1, 1, 0, 0});
    // x = trunc(2k / 7) for k = 0..7.
    line("steep", {0, 0, 2, 7, /**/ 0, 0, 0, 1, 0, 2, 0, 3, 1, 4, 1, 5, 1, 6, 2, 7});
    // k counts down from 0 to -7: x = 2 + trunc(2k / 7).
    line("steep, backwards", {2, 7, 0, 0, /**/ 2, 7, 2, 6, 2, 5, 2, 4, 1, 3, 1, 2, 1, 1, 0, 0});
    line("shallow", {0, 3, 4, 1, /**/ 0, 3, 1, 3, 2, 2, 3, 2, 4, 1});
    line("divisor -1", {1, 0, 0, 1, /**/ 1, 0, 0, 1});
    line("one point", {5, 5, 5, 5, /**/ 5, 5});
    line("vertical", {2, 3, 2, 0, /**/ 2, 3, 2, 2, 2, 1, 2, 0});
}

void tst_DynCurves::transfer()
{
    QFETCH(int, family);
    QFETCH(QList<int>, c);
    if (family == 0) {
        QCOMPARE(Calc_CompOut(TCompCurveParams {c[0], c[1], c[2], c[3], c[4], kCompGainMaximum},
                              c[5]),
                 c[6]);
    } else if (family == 1) {
        QCOMPARE(int(Calc_GateOut(TGateCurveParams {c[0], c[1], c[2]}, c[3])), c[4]);
    } else if (family == 2) {
        QCOMPARE(Calc_DynThreshold(c[0], c[1], c[2]), c[3]);
    } else {
        TDynPixels out;
        Calc_DynLine(c[0], c[1], c[2], c[3], out);
        QList<int> drawn;
        for (const TDynPixel &p : out)
            drawn << p.x << p.y;
        QCOMPARE(drawn, c.mid(4));
    }
}

void tst_DynCurves::compressorFamilyMatchesReference()
{
    for (int type = -1; type <= 5; ++type)
        for (int ratio = -1; ratio <= 16; ++ratio)
            for (int knee = -1; knee <= 7; ++knee)
                for (int T : {-54, -20, -3, 0})
                    for (int gain : {0, 55, 180}) {
                        const TCompCurveParams p =
                                TCompCurveParams {type, T, ratio, knee, gain, kCompGainMaximum};
                        for (int x = -72; x <= 18; ++x) {
                            const int expected =
                                    referenceComp(type, T, ratio, knee, gain, kCompGainMaximum, x);
                            const int got = Calc_CompOut(p, x);
                            if (got != expected)
                                QFAIL(qPrintable(QString::asprintf(
                                        "type %d T %d ratio %d knee %d gain %d x %d: %d", type, T,
                                        ratio, knee, gain, x, got)));
                        }
                    }
}

// --- the pictures ----------------------------------------------------------------------------

void tst_DynCurves::curvePixels_data()
{
    QTest::addColumn<bool>("gate");
    // Type, threshold in tenths of a dB, ratio (gate: range), knee or width, gain.
    QTest::addColumn<QList<int>>("setup");
    QTest::addColumn<QList<QPoint>>("lit");
    QTest::addColumn<QList<QPoint>>("dark");
    QTest::addColumn<int>("emptyBelow"); // columns left of it show nothing
    auto row = [](const char *name, bool gate, QList<int> setup, QList<QPoint> lit,
                  QList<QPoint> dark, int emptyBelow = 0) {
        QTest::newRow(name) << gate << setup << lit << dark << emptyBelow;
    };
    // Column x + 72, row 18 - y.
    row("inf:1 flat at -20", false, {0, -200, 15, 0, 0}, {{52, 38}, {60, 38}, {90, 38}, {30, 60}},
        {{60, 30}, {90, 20}});
    row("knee 5 at 2:1 sits 3 dB under the hard knee", false, {0, -200, 5, 5, 0},
        {{52, 41}, {62, 34}}, {{52, 38}, {62, 33}});
    row("1.5:1 at 0 dB: +3 in, +1 out", false, {0, 0, 3, 0, 0}, {{75, 17}, {76, 16}},
        {{75, 15}, {75, 16}});
    row("output gain", false, {0, -200, 5, 0, 55}, {{72, 23}}, {{72, 28}});
    // Below the threshold the curve leaves the square: the last segment rises from the
    // bottom row, nothing left of it.
    row("expander inf:1 clipped at the bottom", false, {1, -200, 15, 0, 0},
        {{51, 90}, {51, 60}, {52, 38}, {60, 30}}, {{50, 90}}, 51);
    // +10 dB at 1:1 leaves the square at +9 dB in: the last segment ends in its own column.
    row("off-scale end", false, {0, -200, 0, 0, 100}, {{0, 80}, {80, 0}}, {{81, 0}, {90, 0}});
    row("compander S", false, {2, -200, 5, 3, 0},
        {{72, 34}, {52, 45}, {48, 49}, {47, 53}, {42, 78}}, {{42, 57}});
    row("compander H", false, {3, -200, 5, 3, 0},
        {{72, 34}, {52, 45}, {48, 49}, {47, 49}, {42, 57}}, {{42, 78}});
    // x - 30 up to -40 (visible from -42 on), a steep step to -39, then the diagonal.
    row("gate -40 / -30", true, {0, -400, -30, 0, 0},
        {{29, 90}, {30, 90}, {31, 89}, {32, 88}, {32, 70}, {33, 57}, {50, 40}},
        {{20, 70}, {32, 57}, {50, 70}}, 29);
    row("gate -40 / -70: rises from the bottom row", true, {0, -400, -70, 0, 0},
        {{32, 90}, {32, 60}, {33, 57}}, {}, 32);
    row("ducker -40 / -30", true, {1, -400, -30, 0, 0}, {{20, 70}, {32, 58}, {50, 70}, {90, 30}},
        {{50, 40}, {90, 0}});
    // Just above the threshold the output falls off the square: a vertical segment at the
    // threshold's column, then nothing until x - 70 is back on it.
    row("ducker -20 / -70: off-scale end", true, {1, -200, -70, 0, 0},
        {{52, 38}, {52, 60}, {52, 90}, {69, 90}}, {{53, 90}, {60, 90}, {68, 90}});
}

void tst_DynCurves::curvePixels()
{
    QFETCH(bool, gate);
    QFETCH(QList<int>, setup);
    QFETCH(QList<QPoint>, lit);
    QFETCH(QList<QPoint>, dark);
    QFETCH(int, emptyBelow);
    Fixture f;
    if (gate)
        f.setGate(setup[0], setup[1], setup[2]);
    else
        f.setComp(setup[0], setup[1], setup[2], setup[3], setup[4]);
    f.show();
    const QImage img = (gate ? static_cast<QWidget *>(f.gate) : f.comp)->grab().toImage();
    for (const QPoint &p : lit)
        QVERIFY2(::lit(img, p.x(), p.y()),
                 qPrintable(QStringLiteral("%1,%2").arg(p.x()).arg(p.y())));
    for (const QPoint &p : dark)
        QVERIFY2(!::lit(img, p.x(), p.y()),
                 qPrintable(QStringLiteral("%1,%2").arg(p.x()).arg(p.y())));
    for (int c = 0; c < emptyBelow; ++c)
        QVERIFY2(litRows(img, c).isEmpty(), qPrintable(QString::number(c)));
}

void tst_DynCurves::misconfiguredMemory_data()
{
    // Parameter, value, minimum, maximum (none: as stored), first column of the flat part,
    // its row (-1: the diagonal).
    QTest::addColumn<QList<int>>("c");

    // Over a compressor at -20 dB, inf:1, hard knee, flat at row 38 from column 52.
    const int none = INT_MIN;
    QTest::newRow("threshold below its range")
            << QList<int> {kCompThreshold, -900, none, none, 18, rowOf(-54)};
    QTest::newRow("threshold above its range")
            << QList<int> {kCompThreshold, 200, none, none, 72, 18};
    QTest::newRow("threshold limits crossed") << QList<int> {kCompThreshold, -300, 0, -540, 72, 18};
    QTest::newRow("ratio 16") << QList<int> {kCompRatio, 16, none, none, 52, rowOf(-20)};
    QTest::newRow("ratio -1") << QList<int> {kCompRatio, -1, none, none, 0, -1};
    QTest::newRow("knee 9") << QList<int> {kCompKnee, 9, none, none, 52, rowOf(-20)};
    QTest::newRow("type 4") << QList<int> {kCompType, 4, none, none, 0, 18};
    QTest::newRow("type -3") << QList<int> {kCompType, -3, none, none, 0, 18};
}

void tst_DynCurves::misconfiguredMemory()
{
    QFETCH(QList<int>, c);
    const int minimum = c[2], maximum = c[3], flatFrom = c[4], flatRow = c[5];
    Fixture f;
    f.setComp(0, -200, 15, 0);
    f.show();
    const quint32 key = IMemAPI::pack(kCompElement, c[0], kChannel);
    f.memory.values.insert(key, c[1]);
    if (minimum != INT_MIN)
        f.memory.minimums.insert(key, minimum);
    if (maximum != INT_MIN)
        f.memory.maximums.insert(key, maximum);
    // The memory notifies as it would after a change.
    f.comp->process(nullptr, 0, 0);
    if (flatRow < 0) {
        QVERIFY(isDiagonal(f.comp));
        return;
    }
    const QImage img = f.comp->grab().toImage();
    for (int c = 0; c < kSide; ++c) {
        const QList<int> expected {c < flatFrom ? rowOf(c - 72) : flatRow};
        QVERIFY2(litRows(img, c).contains(expected.first()), qPrintable(QString::number(c)));
        if (c > flatFrom)
            QCOMPARE(litRows(img, c), expected);
    }
}

void tst_DynCurves::sizesAndLooks()
{
    // Unbound curves show the diagonal, as windows of their own too; notifications without a
    // memory are no-ops.
    CCompCurve comp;
    CGateCurve gate;
    for (QWidget *w : {static_cast<QWidget *>(&comp), static_cast<QWidget *>(&gate)}) {
        w->resize(kSide, kSide);
        w->show();
        QVERIFY(QTest::qWaitForWindowActive(w));
        QVERIFY(isDiagonal(w));
    }
    comp.process(nullptr, 0, 0);
    gate.process(nullptr, 0, 0);
    QVERIFY(isDiagonal(&comp));

    // Size hints: the compressor's texture, the gate's pixmap (its texture does not count).
    QPixmap graticule(91, 91);
    graticule.fill(Qt::darkGray);
    QPixmap texture(50, 60);
    texture.fill(Qt::darkBlue);
    QCOMPARE(comp.sizeHint(), QSize(40, 30));
    for (QWidget *w : {static_cast<QWidget *>(&comp), static_cast<QWidget *>(&gate)}) {
        QPalette palette = w->palette();
        palette.setBrush(w->backgroundRole(), QBrush(texture));
        w->setPalette(palette);
    }
    QCOMPARE(comp.sizeHint(), QSize(50, 60));
    QCOMPARE(gate.sizeHint(), QSize(40, 30));
    gate.setPixmap(graticule);
    QCOMPARE(gate.sizeHint(), QSize(50, 60));
    CGateCurve plain;
    plain.setPixmap(graticule);
    QCOMPARE(plain.sizeHint(), QSize(91, 91));

    // Tiny widgets show only the background.
    for (QSize size : {QSize(1, 1), QSize(1, kSide), QSize(kSide, 1)}) {
        Fixture f;
        f.setComp(0, -200, 15, 0);
        f.setGate(0, -400, -30);
        f.show(size);
        QCOMPARE(TestRig::countPixels(f.comp->grab().toImage(), kLine).matching, 0);
        QCOMPARE(TestRig::countPixels(f.gate->grab().toImage(), kLine).matching, 0);
        TDynPixels pixels {{1, 1}};
        Calc_CompCurvePixels(TCompCurveParams {0, -20, 0, 0, 0, kCompGainMaximum}, size.width(),
                             size.height(), pixels);
        QVERIFY(pixels.empty());
    }

    // 46 wide: step i falls in column i / 2, so each column carries two dB of the diagonal.
    // Column 10 draws inputs -52..-50, rows 70 down to 68, whose end pixel (11, 68) starts
    // the next column.
    Fixture f;
    f.setComp(0, -200, 0, 0);
    f.show(QSize(46, kSide));
    const QImage narrow = f.comp->grab().toImage();
    QCOMPARE(litRows(narrow, 10), (QList<int> {69, 70}));
    QCOMPARE(litRows(narrow, 11), (QList<int> {67, 68}));
    QCOMPARE(litRows(narrow, 45), (QList<int> {0}));

    // The compressor keeps a copy of its palette's texture; a new palette must replace it.
    f.comp->resize(kSide, kSide);
    for (const QColor &colour : {QColor(10, 20, 30), QColor(200, 40, 40)}) {
        QPixmap fill(kSide, kSide);
        fill.fill(colour);
        QPalette palette = f.comp->palette();
        palette.setBrush(f.comp->backgroundRole(), QBrush(fill));
        f.comp->setPalette(palette);
        settle();
        const QImage img = f.comp->grab().toImage();
        QCOMPARE(QColor(img.pixel(5, 5)), colour);
        QVERIFY(lit(img, 60, rowOf(-12))); // 1:1
    }
}

// --- rebuilds and threads --------------------------------------------------------------------

void tst_DynCurves::pageScenario()
{
    // As on an editor page: a ratio dial beside the curves, bound together.
    Fixture f;
    f.setComp(0, -200, 14, 0);
    f.setGate(0, -400, -30);
    auto *dial = new CDial(&f.page, "ratio");
    dial->setNamedAddress(QStringLiteral("FEkComp/kCompRatio"));
    f.show();
    // 20:1 at +18 dB in: trunc(0.05 * 38 - 20) = -18.
    QVERIFY(lit(f.comp->grab().toImage(), 90, rowOf(-18)));
    dial->setFocus();
    QTest::keyClick(dial, Qt::Key_Up);
    settle();
    QCOMPARE(f.get(kCompElement, kCompRatio), 15);
    QImage img = f.comp->grab().toImage();
    QVERIFY(lit(img, 90, rowOf(-20)));
    QVERIFY(!lit(img, 90, rowOf(-18)));

    // Writes from a worker: off the GUI thread the curves only post, and rebuild once there.
    f.gate->grab();
    int compBefore = f.comp->rebuildCount(), gateBefore = f.gate->rebuildCount();
    QVERIFY(TestRig::runOnWorker([&] {
        f.set(kCompElement, kCompThreshold, -400);
        f.set(kGateElement, kGateRange, -10);
    }));
    QCOMPARE(f.comp->rebuildCount(), compBefore);
    QCOMPARE(f.gate->rebuildCount(), gateBefore);
    settle();
    QCOMPARE(f.comp->rebuildCount(), compBefore + 1);
    QCOMPARE(f.gate->rebuildCount(), gateBefore + 1);
    QVERIFY(lit(f.comp->grab().toImage(), 60, rowOf(-40)));
    QVERIFY(lit(f.gate->grab().toImage(), 20, rowOf(-52 - 10)));

    // The gate rebuilds on every value notification, whatever changed.
    gateBefore = f.gate->rebuildCount();
    f.gate->process(nullptr, 0, 0);
    QCOMPARE(f.gate->rebuildCount(), gateBefore + 1);
    f.gate->process(nullptr, 1, 0);
    QCOMPARE(f.gate->rebuildCount(), gateBefore + 1);
    f.set(kGateElement, kGateType, 1);
    QCOMPARE(f.gate->rebuildCount(), gateBefore + 2);
    QVERIFY(lit(f.gate->grab().toImage(), 50, rowOf(-22 - 10))); // now a ducker

    // The compressor only on a change: a notification with nothing changed (the memory may
    // notify a rewrite) rebuilds nothing, nor do more paints.
    f.setComp(0, -200, 5, 0);
    f.comp->grab();
    compBefore = f.comp->rebuildCount();
    f.comp->process(nullptr, 0, 0);
    f.comp->repaint();
    f.comp->grab();
    QCOMPARE(f.comp->rebuildCount(), compBefore);
    // Each changed parameter rebuilds once.
    int expected = compBefore;
    for (int p : {kCompThreshold, kCompGain, kCompKnee, kCompRatio, kCompType}) {
        f.set(kCompElement, p, f.get(kCompElement, p) + 1);
        f.comp->grab();
        QCOMPARE(f.comp->rebuildCount(), ++expected);
    }
    // A changed range alone counts as a change.
    f.memory.maximums.insert(IMemAPI::pack(kCompElement, kCompKnee, kChannel), 9);
    f.comp->process(nullptr, 0, 0);
    QCOMPARE(f.comp->rebuildCount(), ++expected);

    // Only value changes are shown: defaults, paste and copy neither redraw nor write. Back to
    // a compressor at -19 dB, 2.5:1 (-4 dB out at +18 dB in); the ratio turns to inf:1 unnotified.
    f.set(kCompElement, kCompType, 0);
    ++expected;
    QVERIFY(lit(f.comp->grab().toImage(), 90, rowOf(-4)));
    f.memory.setValue(kCompElement, kCompRatio, kChannel, 15, 0, 0);
    for (int operation : {1, 2, 3, 4})
        f.comp->process(nullptr, operation, 1);
    QCOMPARE(f.comp->rebuildCount(), expected);
    QCOMPARE(f.get(kCompElement, kCompRatio), 15);
    QVERIFY(lit(f.comp->grab().toImage(), 90, rowOf(-4)));
    f.comp->process(nullptr, 0, 0);
    QCOMPARE(f.comp->rebuildCount(), expected + 1);
    QVERIFY(lit(f.comp->grab().toImage(), 90, rowOf(-19)));
}

QTEST_MAIN(tst_DynCurves)
#include "tst_dyncurves.moc"
