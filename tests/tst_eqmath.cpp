// EQ response maths: the response tables against their analog prototypes,
// the curve calculator's placement and group rules, and the incremental
// graphic-EQ update against full recomputation.

#include "calc_eq.h"
#include "tbl_eq_bpf_par.h"
#include "tbl_eq_geq.h"
#include "tbl_eq_hpf.h"
#include "tbl_eq_not.h"
#include "tbl_eq_peq.h"
#include "tbl_eq_she.h"

#include <QRandomGenerator>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

namespace {

// The documented Q list; Q indices 2k and 2k+1 stand for kQ[k].
const double kQ[] = {0.10, 0.11, 0.125, 0.14, 0.16, 0.18, 0.20, 0.22, 0.25, 0.28, 0.32, 0.35,
                     0.40, 0.45, 0.50,  0.56, 0.63, 0.70, 0.80, 0.90, 1.0,  1.1,  1.25, 1.4,
                     1.6,  1.8,  2.0,   2.2,  2.5,  2.8,  3.2,  3.5,  4.0,  4.5,  5.0,  5.6,
                     6.3,  7.0,  8.0,   9.0,  10,   11,   12.5, 14,   16,   18,   20,   22,
                     25,   28,   32,    35,   40,   45,   50,   56,   63};
// The graphic-EQ display's shapes, narrowest first.
const double kShapeQ[GEQ_SHAPES] = {10, 9, 8, 7, 6.3, 5.6, 5.0, 4.5};

constexpr double kUnitsPerDb = 512.0;
constexpr double kRowTolerance = 0.02 * kUnitsPerDb;
constexpr double kNotchFloorTolerance = 0.1 * kUnitsPerDb;
constexpr double kBandPassTolerance = 8.0;

double qOf(int qIndex)
{
    return kQ[qIndex / 2];
}

// A response as a function of the distance from the nominal frequency, in 1/24 octaves.
using Reference = std::function<double(double steps)>;

// The analog prototype of a shape with a boost of dB and quality Q, in curve units: the squared
// magnitude written out in w = 2^(steps/24), as 1536·log2|H|² floored at the rows' floor. The
// band-pass is its magnitude scaled to 512·dB at the centre.
Reference prototype(int type, int variant, double dB, double Q)
{
    return [=](double steps) {
        const double w = std::pow(2.0, steps / 24.0), w2 = w * w, a = 1.0 - w2;
        const double K = std::pow(2.0, dB / 6.0), damping = w2 / (Q * Q), m = (w2 + K) / (w2 + 1);
        if (type == EQ_TYPE_BAND_PASS) {
            const double q2 = 0.794 * 0.794 * Q * Q;
            return dB * 512.0 * std::sqrt(w2 / q2 / (a * a + w2 / q2));
        }
        const double power = type == EQ_TYPE_PEAKING ? (a * a + K * K * damping) / (a * a + damping)
                : type == EQ_TYPE_NOTCH              ? a * a / (a * a + damping)
                : type == EQ_TYPE_LOW_SHELF          ? (variant ? m * m : (w2 + K * K) / (w2 + 1.0))
                : variant                            ? w2 * w2 / (a * a + damping) // high-pass
                                                     : w2 / (1.0 + w2);
        return power <= 0.0 ? double(EQ_ROW_FLOOR)
                            : std::max(double(EQ_ROW_FLOOR), 1536.0 * std::log2(power));
    };
}

// What is wrong with a table row against reference(d), d its distance in table points from the
// nominal frequency at index `centre` (upwards for edge rows, which start at index 0): every
// stored value within tolerance (`deep` where the response lies below half the floor), the
// value at the centre of a centred row or at index 0 of an edge row the rounded reference, and
// nothing of significance left out beyond the stored extent; the row the same as its twin
// (if any). Empty if nothing is.
QByteArray rowMismatch(const int16_t *row, const int16_t *twin, const Reference &reference,
                       double tolerance, double deep = 0.0, int centre = EQ_ROW_CENTRE)
{
    const bool edge = row[EQ_ROW_KIND_WORD] == EQ_ROW_EDGE;
    const int extent = row[EQ_ROW_EXTENT_WORD], first = edge ? 0 : extent;
    if (!edge && row[EQ_ROW_KIND_WORD] != EQ_ROW_CENTRED)
        return "kind " + QByteArray::number(row[EQ_ROW_KIND_WORD]);
    if (edge ? extent <= centre : extent < 0 || extent > centre)
        return "extent " + QByteArray::number(extent);
    const auto at = [&](int i) { return reference(edge ? i - centre : centre - i); };
    for (int i = first; i <= (edge ? extent - 1 : centre); ++i) {
        const int stored = row[EQ_ROW_HEADER_WORDS + i - first];
        const double allowed = i == (edge ? 0 : centre)  ? 0.5
                : deep > 0.0 && at(i) < EQ_ROW_FLOOR / 2 ? deep
                                                         : tolerance;
        if (std::abs(stored - at(i)) > allowed)
            return "index " + QByteArray::number(i) + " holds " + QByteArray::number(stored)
                    + ", response " + QByteArray::number(at(i));
    }
    for (int i = edge ? extent : first - 1; i >= 0 && i < (edge ? extent + 96 : first); ++i) {
        if (std::abs(at(i)) > tolerance)
            return "index " + QByteArray::number(i) + " left out";
    }
    const int words = EQ_ROW_HEADER_WORDS + (edge ? extent : centre + 1 - extent);
    return !twin || std::equal(row, row + words, twin) ? QByteArray() : "differs from its twin";
}

// A curve with its own storage (copies included).
struct Curve
{
    Curve(int count, int startIndex, int endIndex)
        : curve {nullptr, count, uint16_t(startIndex), uint16_t(endIndex)}
    {
    }
    T_EQ_CURVE *get()
    {
        curve.values = values.data();
        return &curve;
    }
    std::vector<int32_t> points() const { return {values.begin(), values.begin() + curve.count}; }

    T_EQ_CURVE curve;
    std::vector<int32_t> values = std::vector<int32_t>(EQ_MAX_POINTS + 1, 0);
};

// One step of frequency index per point, so point i is frequency index i.
const Curve kUnitGrid(255, 0, 254);
const Curve kFullGrid(EQ_MAX_POINTS, 0, 254); // index 127 lands exactly on point 285

using u8 = uint8_t;
T_EQ_BAND band(int type, int gain, int f, int q = 0, int variant = 0, int group = 0, int full = 0)
{
    return {u8(group), u8(type), gain, uint16_t(f), u8(q), u8(variant), u8(full), 1, 0};
}

// The bands in order; with `separate` each in a group of its own, so that shapes add in curve
// units.
T_EQ_DATASET dataset(std::initializer_list<T_EQ_BAND> bands, int magnitudeMode = 0,
                     bool separate = false)
{
    T_EQ_DATASET d {};
    for (const T_EQ_BAND &b : bands)
        d.bands[d.count++] = b;
    for (int i = 0; separate && i < d.count; ++i)
        d.bands[i].group = u8(i);
    d.magnitudeMode = u8(magnitudeMode);
    return d;
}

std::vector<int32_t> responseOf(Curve curve, T_EQ_DATASET data, int expected = 1)
{
    return Calc_EQGain(curve.get(), &data) == expected ? curve.points() : std::vector<int32_t>();
}

std::vector<int32_t> responseOf(const T_EQ_BAND &b, const Curve &grid = kUnitGrid)
{
    return responseOf(grid, dataset({b}));
}

std::vector<int32_t> sum(const std::vector<int32_t> &a, const std::vector<int32_t> &b)
{
    std::vector<int32_t> s(a.size());
    std::transform(a.begin(), a.end(), b.begin(), s.begin(), std::plus<int32_t>());
    return s;
}

int geqQIndex(int bands, int gain)
{
    int steps = 0;
    for (int threshold : {100, 350, 600, 850, 1600, 1700, 1800})
        steps += std::abs(gain) > threshold;
    return (bands == 7 ? 42 : bands == 15 ? 54 : 66) + 2 * steps;
}

std::vector<int32_t> fullGeqCurve(Curve curve, T_GEQ_DATASET state)
{
    Calc_GEQGain(curve.get(), nullptr, &state, 0);
    return curve.points();
}

} // namespace

class TestEqMath : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void tablesFollowThePrototypes();
    void placedShapesFollowTheAnalogResponses_data();
    void placedShapesFollowTheAnalogResponses();
    void placementRules();
    void shapesOutsideTheRange();
    void groupsSumInTheLinearDomain();
    void groupOrderAndUnknownTypes();
    void unusableInputIsANoOp();
    void graphicBandsArePeakingShapesWithGainDependentQ();
    void incrementalUpdateMatchesFullRecomputation();
    void faderMoveUpdatesInPlaceAndReportsChanges();
};

void TestEqMath::tablesFollowThePrototypes()
{
    QByteArray failures;
    const auto check = [&](const char *table, int index, const int16_t *row, const int16_t *twin,
                           const Reference &reference, double tolerance, double deep = 0.0,
                           int centre = EQ_ROW_CENTRE) {
        const QByteArray mismatch = rowMismatch(row, twin, reference, tolerance, deep, centre);
        if (!mismatch.isEmpty() && failures.size() < 2000)
            failures += QByteArray(table) + " row " + QByteArray::number(index) + ": " + mismatch
                    + "\n";
    };
    static_assert(int(PEQ_Q_COUNT) == int(HPF_Q_COUNT) && int(PEQ_Q_COUNT) == int(BPF_TABLE_SIZE),
                  "one Q range");
    for (int q = 0; q < PEQ_Q_COUNT; ++q) {
        const double Q = qOf(q);
        const int twin = q % 2 ? q - 1 : q; // odd Q indices repeat the even ones
        for (int k = 0; k < PEQ_GAIN_ROWS; ++k)
            check("peaking", q * 100 + k, peq_table[q * PEQ_GAIN_ROWS + k],
                  peq_table[twin * PEQ_GAIN_ROWS + k], prototype(EQ_TYPE_PEAKING, 0, k + 1, Q),
                  kRowTolerance);
        // Every first-order row is the same; the second order's start on the floor.
        check("high-pass", q, hpf_table[q], hpf_table[0], prototype(EQ_TYPE_HIGH_PASS, 0, 0, Q),
              kRowTolerance);
        check("second-order high-pass", q, hpf_table[HPF_Q_COUNT + q],
              hpf_table[HPF_Q_COUNT + twin], prototype(EQ_TYPE_HIGH_PASS, 1, 0, Q), kRowTolerance);
        check("band-pass", q, bpf_parallel_table[q], bpf_parallel_table[twin],
              prototype(EQ_TYPE_BAND_PASS, 0, 1, Q), kBandPassTolerance);
    }
    // Wide band-pass rows reach ten octaves, narrow ones stop earlier.
    QVERIFY(bpf_parallel_table[0][EQ_ROW_EXTENT_WORD] == 0
            && bpf_parallel_table[BPF_TABLE_SIZE - 1][EQ_ROW_EXTENT_WORD] > 0);
    // Close to the floor the notch is steep: a looser bound there. Its centre is the floor.
    for (int q = 0; q < NOTCH_TABLE_SIZE; ++q)
        check("notch", q, notch_table[q], notch_table[q - q % 2],
              prototype(EQ_TYPE_NOTCH, 0, 0, qOf(q)), kRowTolerance, kNotchFloorTolerance);
    for (int k = 0; k < SHELF_TABLE_SIZE; ++k) {
        const double dB = (k + 1) * 0.5;
        check("shelf", k, low_shelving_table[k], nullptr, prototype(EQ_TYPE_LOW_SHELF, 0, dB, 0),
              kRowTolerance);
        check("second-order shelf", k, low_shelving2_table[k], nullptr,
              prototype(EQ_TYPE_LOW_SHELF, 1, dB, 0), kRowTolerance);
    }
    // The graphic-EQ display's rows: 27 points per octave around index 270, exact after
    // rounding, and starting at the last index going outwards that does not round to 0.
    for (int shape = 0; shape < GEQ_SHAPES; ++shape) {
        for (int g = 0; g < GEQ_GAIN_ROWS; ++g) {
            const int16_t *row = geq_table[shape * GEQ_GAIN_ROWS + g];
            const Reference peaking = prototype(EQ_TYPE_PEAKING, 0, g + 1, kShapeQ[shape]);
            const Reference reference = [&](double d) { return peaking(d * 24.0 / 27.0); };
            check("graphic", shape * 100 + g, row, nullptr, reference, 0.5, 0.0, GEQ_ROW_CENTRE);
            QVERIFY(std::lround(reference(GEQ_ROW_CENTRE - row[EQ_ROW_EXTENT_WORD])) != 0);
        }
    }
    QVERIFY2(failures.isEmpty(), failures.constData());
    // The linear-gain table holds 2^(k/600).
    for (int k = 0; k < POW2_TABLE_SIZE; ++k)
        QCOMPARE(pow2_table[k], float(std::exp2(k / 600.0)));
}

void TestEqMath::placedShapesFollowTheAnalogResponses_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("gain");
    QTest::addColumn<int>("q");
    QTest::addColumn<int>("variant");
    QTest::addColumn<double>("tolerance");
    QTest::newRow("peaking +9 dB wide") << int(EQ_TYPE_PEAKING) << 900 << 4 << 0 << kRowTolerance;
    QTest::newRow("peaking -24 dB narrow")
            << int(EQ_TYPE_PEAKING) << -2400 << 88 << 0 << kRowTolerance;
    QTest::newRow("high-pass 1st order") << int(EQ_TYPE_HIGH_PASS) << 0 << 0 << 0 << kRowTolerance;
    QTest::newRow("high-pass 2nd order") << int(EQ_TYPE_HIGH_PASS) << 0 << 34 << 1 << kRowTolerance;
    QTest::newRow("low shelf 1st order")
            << int(EQ_TYPE_LOW_SHELF) << 1500 << 0 << 0 << kRowTolerance;
    QTest::newRow("low shelf 2nd order cut")
            << int(EQ_TYPE_LOW_SHELF) << -600 << 0 << 1 << kRowTolerance;
    QTest::newRow("notch") << int(EQ_TYPE_NOTCH) << 0 << 60 << 0 << kNotchFloorTolerance;
    QTest::newRow("band-pass 1 dB")
            << int(EQ_TYPE_BAND_PASS) << 100 << 50 << 0 << kBandPassTolerance;
}

void TestEqMath::placedShapesFollowTheAnalogResponses()
{
    QFETCH(int, type);
    QFETCH(int, gain);
    QFETCH(int, q);
    QFETCH(int, variant);
    QFETCH(double, tolerance);
    const int f = 130;
    const Reference reference = prototype(type, variant, std::abs(gain) / 100.0, qOf(q));
    const std::vector<int32_t> curve = responseOf(band(type, gain, f, q, variant));
    for (int i = 0; i < 255; ++i) {
        const double expected = (gain < 0 ? -1 : 1) * reference(i - f);
        QVERIFY2(std::abs(curve[size_t(i)] - expected) <= tolerance,
                 qPrintable(QStringLiteral("point %1: %2, response %3")
                                    .arg(i)
                                    .arg(curve[size_t(i)])
                                    .arg(expected)));
    }
}

void TestEqMath::placementRules()
{
    // A 12 dB peak gives 12 dB of units at the centre, and nowhere more.
    const int centre = (EQ_MAX_POINTS - 1) / 2;
    for (int q : {0, 33, 88}) {
        const std::vector<int32_t> boost =
                responseOf(band(EQ_TYPE_PEAKING, 1200, 127, q), kFullGrid);
        QCOMPARE(responseOf(band(EQ_TYPE_PEAKING, -1200, 127, q), kFullGrid)[centre], -12 * 512);
        QCOMPARE(boost[centre], 12 * 512);
        QCOMPARE(*std::max_element(boost.begin(), boost.end()), boost[centre]);
    }
    // A fractional gain scales the next whole-dB row.
    const std::vector<int32_t> curve = responseOf(band(EQ_TYPE_PEAKING, 1250, 120, 40));
    const int16_t *row13 = peq_table[40 * PEQ_GAIN_ROWS + 12];
    QCOMPARE(curve[120], 6400); // 12.5 dB
    for (int i = 0; i < 255; ++i) {
        const int t = EQ_ROW_CENTRE - std::abs(i - 120), first = row13[EQ_ROW_EXTENT_WORD];
        const double expected =
                t < first ? 0.0 : row13[EQ_ROW_HEADER_WORDS + t - first] * 1250.0 / 1300.0;
        QVERIFY2(std::abs(curve[size_t(i)] - expected) <= 0.5 + 1e-3,
                 qPrintable(QString::number(i)));
    }
    // Cuts mirror boosts.
    for (int type : {EQ_TYPE_PEAKING, EQ_TYPE_HIGH_SHELF, EQ_TYPE_LOW_SHELF, EQ_TYPE_BAND_PASS}) {
        for (int gain : {1, 99, 333, 1250, 1800}) {
            std::vector<int32_t> boost = responseOf(band(type, gain, 100, 21, 1), kFullGrid);
            for (int32_t &v : boost)
                v = -v;
            QCOMPARE(responseOf(band(type, -gain, 100, 21, 1), kFullGrid), boost);
        }
    }
    // Low-pass and high shelf mirror the high-pass and low-shelf rows.
    const int c = 127;
    const std::vector<int32_t> highPass = responseOf(band(EQ_TYPE_HIGH_PASS, 0, c, 50, 1));
    const std::vector<int32_t> lowPass = responseOf(band(EQ_TYPE_LOW_PASS, 0, c, 50, 1));
    const std::vector<int32_t> lowShelf = responseOf(band(EQ_TYPE_LOW_SHELF, 700, c, 0, 0));
    const std::vector<int32_t> highShelf = responseOf(band(EQ_TYPE_HIGH_SHELF, 700, c, 0, 0));
    for (int d = 0; d <= c; ++d) {
        QCOMPARE(lowPass[size_t(c + d)], highPass[size_t(c - d)]);
        QCOMPARE(lowPass[size_t(c - d)], highPass[size_t(c + d)]);
        QCOMPARE(highShelf[size_t(c + d)], lowShelf[size_t(c - d)]);
    }
    QVERIFY(highPass[0] < -12 * 512 && lowShelf[0] > 6 * 512);
    // Paired Q indices give identical curves.
    const Curve grid(400, 10, 250);
    for (int type :
         {EQ_TYPE_PEAKING, EQ_TYPE_HIGH_PASS, EQ_TYPE_LOW_PASS, EQ_TYPE_NOTCH, EQ_TYPE_BAND_PASS}) {
        const int qCount = type == EQ_TYPE_NOTCH ? int(NOTCH_TABLE_SIZE) : int(PEQ_Q_COUNT);
        for (int k = 0; 2 * k + 1 < qCount; ++k) {
            const std::vector<int32_t> even = responseOf(band(type, 650, 90, 2 * k, 1), grid);
            QCOMPARE(responseOf(band(type, 650, 90, 2 * k + 1, 1), grid), even);
            QVERIFY(std::any_of(even.begin(), even.end(), [](int32_t v) { return v != 0; }));
        }
    }
}

void TestEqMath::shapesOutsideTheRange()
{
    // A wide grid that holds the centre sees the same values as a window on it, above the
    // centre or below it.
    const Curve wide(509, 0, 508);
    for (const T_EQ_BAND &b :
         {band(EQ_TYPE_PEAKING, 1500, 300, 2), band(EQ_TYPE_NOTCH, 0, 290, 10),
          band(EQ_TYPE_BAND_PASS, 600, 330, 0), band(EQ_TYPE_LOW_PASS, 0, 270, 20, 1)}) {
        const std::vector<int32_t> whole = responseOf(b, wide), above = responseOf(b);
        QCOMPARE(above, std::vector<int32_t>(whole.begin(), whole.begin() + 255));
        QVERIFY(above.back() != 0);
        T_EQ_BAND low = b;
        low.frequency = uint16_t(b.frequency - 250);
        const std::vector<int32_t> below = responseOf(low, Curve(255, 100, 354));
        const std::vector<int32_t> reference = responseOf(low, wide);
        QCOMPARE(below, std::vector<int32_t>(reference.begin() + 100, reference.begin() + 355));
        QVERIFY(below.front() != 0);
    }
    // Filters and shelves far outside: second-order rows reach less than ten octaves above
    // their corner; within reach the start of the range is still attenuated.
    const Curve high(255, 400, 654);
    for (int q : {0, 34, 88}) {
        QCOMPARE(responseOf(band(EQ_TYPE_HIGH_PASS, 0, 100, q, 1), high),
                 std::vector<int32_t>(255, 0));
        QCOMPARE(responseOf(band(EQ_TYPE_HIGH_PASS, 0, 0, q, 0), high),
                 std::vector<int32_t>(255, 0));
        QVERIFY(responseOf(band(EQ_TYPE_HIGH_PASS, 0, 450, q, 1), high).front() < 0);
    }
    for (int variant : {0, 1}) {
        for (int gain : {50, 900, -1800}) {
            const int plateau = int(std::lround(gain / 100.0 * kUnitsPerDb));
            QCOMPARE(responseOf(band(EQ_TYPE_LOW_SHELF, gain, 1000, 0, variant)),
                     std::vector<int32_t>(255, plateau));
            QCOMPARE(responseOf(band(EQ_TYPE_HIGH_SHELF, gain, 1000, 0, variant)),
                     std::vector<int32_t>(255, 0));
        }
    }
}

void TestEqMath::groupsSumInTheLinearDomain()
{
    // Parallel model: one flat member counts 1, the peaks add (gain - 1).
    const T_EQ_BAND peakA = band(EQ_TYPE_PEAKING, 1000, 90, 20),
                    peakB = band(EQ_TYPE_PEAKING, 2300, 140, 30);
    const T_EQ_BAND cutC = band(EQ_TYPE_BAND_PASS, -700, 200, 10),
                    flat = band(EQ_TYPE_FLAT, 0, 0, 0, 0, 0, 1);
    const std::vector<int32_t> a = responseOf(peakA, kFullGrid), b = responseOf(peakB, kFullGrid),
                               c = responseOf(cutC, kFullGrid);
    const std::vector<int32_t> linearSum =
            responseOf(kFullGrid, dataset({peakA, flat, peakB, cutC}));
    auto linear = [](int32_t units) { return std::exp2(units / 3072.0); };
    // Linear gains are looked up in whole hundredths of a dB, a relative error
    // of up to 2^(1/600) - 1 in each member.
    const double lookupError = std::exp2(1.0 / 600.0) - 1.0;
    for (size_t i = 0; i < linearSum.size(); ++i) {
        const double total = linear(a[i]) + linear(b[i]) + linear(c[i]) - 2.0;
        const double spread = lookupError * (linear(a[i]) + linear(b[i]) + linear(c[i]));
        const double tolerance = 3072.0 / std::log(2.0) * spread / total + 1.0;
        QVERIFY2(std::abs(linearSum[i] - 3072.0 * std::log2(total)) <= tolerance,
                 qPrintable(QString::number(i)));
    }
    // A group adds to the groups before it, in curve units.
    const T_EQ_BAND notch = band(EQ_TYPE_NOTCH, 0, 60, 40);
    T_EQ_DATASET twoGroups = dataset({peakA, flat, peakB, cutC, notch});
    twoGroups.bands[4].group = 1;
    QCOMPARE(responseOf(kFullGrid, twoGroups), sum(linearSum, responseOf(notch, kFullGrid)));

    // Full flags and the floor: two full flat members double the gain (+6 dB).
    const T_EQ_BAND partial = band(EQ_TYPE_FLAT, 0, 0);
    QCOMPARE(responseOf(kUnitGrid, dataset({flat, partial})), std::vector<int32_t>(255, 0));
    QCOMPARE(responseOf(kUnitGrid, dataset({flat, flat})), std::vector<int32_t>(255, 3072));
    for (int magnitudeMode : {0, 1})
        QCOMPARE(responseOf(kUnitGrid, dataset({partial, partial}, magnitudeMode)),
                 std::vector<int32_t>(255, EQ_FLOOR));
    // Two -12 dB cuts around a flat member leave 1 + 2 * (1/4 - 1) = -1/2 at the
    // centre: below zero it is the floor, or |-1/2| (-6 dB) in magnitude mode.
    const T_EQ_BAND cut = band(EQ_TYPE_PEAKING, -1200, 120, 60);
    const std::vector<int32_t> plain = responseOf(kUnitGrid, dataset({flat, cut, cut}));
    const std::vector<int32_t> magnitude = responseOf(kUnitGrid, dataset({flat, cut, cut}, 1));
    QCOMPARE(plain[120], EQ_FLOOR);
    QCOMPARE(magnitude[120], -3072);
    QCOMPARE(plain[0], magnitude[0]);
    QVERIFY(plain[0] > EQ_FLOOR);
}

void TestEqMath::groupOrderAndUnknownTypes()
{
    const T_EQ_BAND p1 = band(EQ_TYPE_PEAKING, 600, 50, 20),
                    p2 = band(EQ_TYPE_PEAKING, 900, 150, 20);
    const T_EQ_BAND p3 = band(EQ_TYPE_NOTCH, 0, 200, 30);
    const std::vector<int32_t> a = responseOf(p1), b = responseOf(p2), c = responseOf(p3);

    // Groups 0 and 2: the missing group 1 ends the calculation after group 0.
    T_EQ_DATASET gap = dataset({p1, p2});
    gap.bands[1].group = 2;
    QCOMPARE(responseOf(kUnitGrid, gap), a);
    // Groups 0, 1, 0: group 0 comes back and restarts its list with record 2.
    T_EQ_DATASET back = dataset({p1, p2, p3});
    back.bands[1].group = 1;
    QCOMPARE(responseOf(kUnitGrid, back), sum(b, c));
    // Counts beyond the record array read as a full array.
    T_EQ_DATASET many {};
    many.count = EQ_MAX_BANDS;
    for (int i = 0; i < EQ_MAX_BANDS; ++i) {
        many.bands[i] = i == 3 ? p1 : i == 9 ? p3 : band(EQ_TYPE_FLAT, 0, 0);
        many.bands[i].group = uint8_t(i);
    }
    QCOMPARE(responseOf(kUnitGrid, many), sum(a, c));
    many.count = 200;
    QCOMPARE(responseOf(kUnitGrid, many), sum(a, c));

    // An unknown type stops the calculation after the groups before it (and reports it), alone
    // in its group or after members of a linear group.
    const T_EQ_BAND peak = band(EQ_TYPE_PEAKING, 800, 100, 30);
    QCOMPARE(responseOf(kUnitGrid,
                        dataset({peak, band(8, 600, 150, 30), band(EQ_TYPE_NOTCH, 0, 60, 20)}, 0,
                                true),
                        0),
             responseOf(peak));
    QCOMPARE(responseOf(
                     kUnitGrid,
                     dataset({peak, band(EQ_TYPE_FLAT, 0, 0, 0, 0, 1, 1),
                              band(EQ_TYPE_PEAKING, 600, 150, 30, 0, 1), band(200, 0, 0, 0, 0, 1)}),
                     0),
             responseOf(peak));
}

void TestEqMath::unusableInputIsANoOp()
{
    T_EQ_DATASET data = dataset({band(EQ_TYPE_PEAKING, 600, 100, 30)});
    for (Curve curve : {Curve(0, 0, 254), Curve(EQ_MAX_POINTS + 1, 0, 254), Curve(100, 200, 200),
                        Curve(100, 200, 100)}) {
        std::fill(curve.values.begin(), curve.values.end(), 5);
        T_GEQ_DATASET geq {};
        QCOMPARE(Calc_EQGain(curve.get(), &data), 0);
        QCOMPARE(Calc_GEQGain(curve.get(), nullptr, &geq, 1), 0);
        QCOMPARE(curve.values, std::vector<int32_t>(EQ_MAX_POINTS + 1, 5));
    }
    // An empty dataset is a flat curve, written up to count only.
    Curve empty = kFullGrid;
    std::fill(empty.values.begin(), empty.values.end(), 77);
    T_EQ_DATASET none {};
    QCOMPARE(Calc_EQGain(empty.get(), &none), 1);
    QCOMPARE(empty.points(), std::vector<int32_t>(EQ_MAX_POINTS, 0));
    QCOMPARE(empty.values.back(), 77);
    QCOMPARE(Calc_EQGain(nullptr, &data), 0);
    QCOMPARE(Calc_EQGain(empty.get(), nullptr), 0);
    QCOMPARE(Calc_GEQGain(empty.get(), nullptr, nullptr, 1), 0);
    // A single point is a valid curve.
    QCOMPARE(responseOf(Curve(1, 100, 100), data), std::vector<int32_t>(1, 6 * 512));

    // Records beyond the tables, or switched off, contribute nothing.
    T_EQ_BAND bypassed = band(EQ_TYPE_NOTCH, 0, 100, 30), disabled = bypassed;
    bypassed.bypass = 1;
    disabled.enabled = 0;
    for (const T_EQ_BAND &b :
         {band(EQ_TYPE_PEAKING, 2401, 100, 30), band(EQ_TYPE_PEAKING, 600, 100, PEQ_Q_COUNT),
          band(EQ_TYPE_HIGH_PASS, 0, 100, 30, 2), band(EQ_TYPE_LOW_SHELF, 1801, 100),
          band(EQ_TYPE_NOTCH, 0, 100, NOTCH_TABLE_SIZE),
          band(EQ_TYPE_BAND_PASS, 600, 100, BPF_TABLE_SIZE), bypassed, disabled})
        QCOMPARE(responseOf(b), std::vector<int32_t>(255, 0));
}

void TestEqMath::graphicBandsArePeakingShapesWithGainDependentQ()
{
    for (int code : {7, 15, 31, 0}) {
        const int bands = code == 7 || code == 15 ? code : 31, b = bands / 2;
        for (int gain : {50, 101, 600, 1200, -1650, 1750, 2000}) {
            T_GEQ_DATASET state {};
            state.bandCode = uint8_t(code);
            state.bandGain[b] = gain;
            state.hpfBypass = state.lpfBypass = 1; // filters are on unless bypassed
            const int frequency = (256 / (bands + 1)) * (b + 1);
            QCOMPARE(fullGeqCurve(kFullGrid, state),
                     responseOf(band(EQ_TYPE_PEAKING, gain, frequency, geqQIndex(bands, gain)),
                                kFullGrid));
        }
    }
    // High- and low-pass are first-order shapes; notches use their own Q.
    T_GEQ_DATASET state {};
    state.hpfFrequency = 60;
    state.lpfFrequency = 200;
    state.notchCount = 1;
    state.notchFrequency[0] = 130;
    state.notchQ[0] = 100;
    QCOMPARE(fullGeqCurve(kFullGrid, state),
             responseOf(kFullGrid,
                        dataset({band(EQ_TYPE_HIGH_PASS, 0, 60), band(EQ_TYPE_LOW_PASS, 0, 200),
                                 band(EQ_TYPE_NOTCH, 0, 130, 100)},
                                0, true)));
}

void TestEqMath::incrementalUpdateMatchesFullRecomputation()
{
    QRandomGenerator random(20240607);
    for (const Curve &grid : {kFullGrid, Curve(200, 40, 300), Curve(97, 0, 254)}) {
        for (int code : {7, 15, 31}) {
            T_GEQ_DATASET previous {}, current {};
            current.bandCode = uint8_t(code);
            Curve curve = grid;
            QCOMPARE(Calc_GEQGain(curve.get(), &previous, &current, 0), 1);
            for (int step = 0; step < 400; ++step) {
                const int r = random.bounded(8), n = random.bounded(GEQ_MAX_NOTCHES);
                if (r < 3) // faders, more often than anything else
                    current.bandGain[random.bounded(code)] = random.bounded(-2400, 2401);
                else if (r == 3)
                    current.bandBypass[random.bounded(code)] = uint8_t(random.bounded(3));
                else if (r == 4)
                    current.notchCount = uint8_t(random.bounded(GEQ_MAX_NOTCHES + 1));
                const uint16_t f = uint16_t(random.bounded(300));
                const uint8_t q = uint8_t(random.bounded(NOTCH_TABLE_SIZE)),
                              off = uint8_t(random.bounded(2));
                if (r == 5) {
                    current.notchFrequency[n] = f;
                    current.notchQ[n] = q;
                    current.notchBypass[n] = off;
                } else if (r == 6) {
                    current.hpfFrequency = f;
                    current.hpfBypass = off;
                } else if (r == 7) {
                    current.lpfFrequency = f;
                    current.lpfBypass = off;
                }
                Calc_GEQGain(curve.get(), &previous, &current, 0);
                if (curve.points() != fullGeqCurve(grid, current))
                    QFAIL(qPrintable(QStringLiteral("bands %1, step %2").arg(code).arg(step)));
            }
            // Changing the band count recomputes everything.
            current.bandCode = uint8_t(code == 7 ? 15 : 7);
            QCOMPARE(Calc_GEQGain(curve.get(), &previous, &current, 0), 1);
            QCOMPARE(curve.points(), fullGeqCurve(grid, current));
        }
    }
}

void TestEqMath::faderMoveUpdatesInPlaceAndReportsChanges()
{
    T_GEQ_DATASET previous {}, current {};
    for (int b = 0; b < GEQ_MAX_BANDS; ++b)
        current.bandGain[b] = (b % 5 - 2) * 300;
    Curve curve = kFullGrid;
    Calc_GEQGain(curve.get(), &previous, &current, 0);

    // An incremental update works on the curve it is given: an offset put
    // there survives, so only the moved fader's shapes were placed.
    for (int32_t &v : curve.values)
        v += 1000;
    current.bandGain[12] = 1100;
    QCOMPARE(Calc_GEQGain(curve.get(), &previous, &current, 0), 1);
    QCOMPARE(curve.points(),
             sum(fullGeqCurve(kFullGrid, current), std::vector<int32_t>(EQ_MAX_POINTS, 1000)));

    // A forced full pass starts from zero.
    QCOMPARE(Calc_GEQGain(curve.get(), &previous, &current, 1), 1);
    const std::vector<int32_t> settled = curve.points();
    QCOMPARE(settled, fullGeqCurve(kFullGrid, current));
    QCOMPARE(Calc_GEQGain(curve.get(), &previous, &current, 0), 0);
    // A change marker alone reports a change, once.
    current.changeMarker = 1;
    QCOMPARE(Calc_GEQGain(curve.get(), &previous, &current, 0), 1);
    QCOMPARE(Calc_GEQGain(curve.get(), &previous, &current, 0), 0);
    QCOMPARE(curve.points(), settled);
    // Without a previous block every call is a full pass.
    QCOMPARE(Calc_GEQGain(curve.get(), nullptr, &current, 0), 1);
    QCOMPARE(curve.points(), settled);
    // A fader set back to where it was restores the curve exactly.
    const int was = current.bandGain[3];
    current.bandGain[3] = -1700;
    QCOMPARE(Calc_GEQGain(curve.get(), &previous, &current, 0), 1);
    QVERIFY(curve.points() != settled);
    current.bandGain[3] = was;
    QCOMPARE(Calc_GEQGain(curve.get(), &previous, &current, 0), 1);
    QCOMPARE(curve.points(), settled);
}

QTEST_GUILESS_MAIN(TestEqMath)
#include "tst_eqmath.moc"
