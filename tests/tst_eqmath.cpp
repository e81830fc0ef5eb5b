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

constexpr double kUnitsPerDb = 512.0;
constexpr double kRowTolerance = 0.02 * kUnitsPerDb;
constexpr double kNotchFloorTolerance = 0.1 * kUnitsPerDb;
constexpr double kBandPassTolerance = 8.0;
constexpr double kRowFloor = -32768.0;

double qOf(int qIndex)
{
    return kQ[qIndex / 2];
}

// w at `steps` 1/24 octaves from the nominal frequency.
double omega(double steps)
{
    return std::pow(2.0, steps / 24.0);
}

// Curve units of a squared magnitude: 3072 * log2|H| = 1536 * log2|H|^2.
double unitsOfPower(double power)
{
    return power <= 0.0 ? kRowFloor : std::max(kRowFloor, 1536.0 * std::log2(power));
}

double gainK(double dB)
{
    return std::pow(2.0, dB / 6.0);
}

// Squared magnitudes of the prototypes, written out in w.
double peakingUnits(double steps, double dB, double Q)
{
    const double w = omega(steps), K = gainK(dB), a = 1.0 - w * w;
    return unitsOfPower((a * a + (K * w / Q) * (K * w / Q)) / (a * a + (w / Q) * (w / Q)));
}
double highPass1Units(double steps)
{
    const double w2 = omega(2.0 * steps);
    return unitsOfPower(w2 / (1.0 + w2));
}
double highPass2Units(double steps, double Q)
{
    const double w = omega(steps), a = 1.0 - w * w;
    return unitsOfPower(w * w * w * w / (a * a + (w / Q) * (w / Q)));
}
double notchUnits(double steps, double Q)
{
    const double w = omega(steps), a = 1.0 - w * w;
    return unitsOfPower(a * a / (a * a + (w / Q) * (w / Q)));
}
double lowShelf1Units(double steps, double dB)
{
    const double w2 = omega(2.0 * steps), K = gainK(dB);
    return unitsOfPower((w2 + K * K) / (w2 + 1.0));
}
double lowShelf2Units(double steps, double dB)
{
    const double w2 = omega(2.0 * steps), m = (w2 + gainK(dB)) / (w2 + 1.0);
    return unitsOfPower(m * m);
}
double bandPassValue(double steps, double Q)
{
    const double w = omega(steps), q = 0.794 * Q, a = 1.0 - w * w;
    return 512.0 * (w / q) / std::sqrt(a * a + (w / q) * (w / q));
}

int rowKind(const int16_t *row)
{
    return row[EQ_ROW_KIND_WORD];
}
int rowExtent(const int16_t *row)
{
    return row[EQ_ROW_EXTENT_WORD];
}
int centredAt(const int16_t *row, int index)
{
    return row[EQ_ROW_HEADER_WORDS + index - rowExtent(row)];
}
int edgeAt(const int16_t *row, int index)
{
    return row[EQ_ROW_HEADER_WORDS + index];
}

using Reference = std::function<double(double steps)>;

bool within(int stored, double expected, double tolerance, const char *what, int index)
{
    if (std::abs(stored - expected) <= tolerance)
        return true;
    QTest::qFail(qPrintable(QStringLiteral("%1: index %2 holds %3, response %4")
                                    .arg(what)
                                    .arg(index)
                                    .arg(stored)
                                    .arg(expected)),
                 __FILE__, __LINE__);
    return false;
}

// Every stored value of a centred row within tolerance, and nothing of
// significance left out below `first`.
void checkCentredRow(const int16_t *row, const Reference &reference, double tolerance,
                     const char *what)
{
    QVERIFY2(row, what);
    QCOMPARE(rowKind(row), int(EQ_ROW_CENTRED));
    const int first = rowExtent(row);
    QVERIFY2(first >= 0 && first <= EQ_ROW_CENTRE, what);
    for (int i = first; i <= EQ_ROW_CENTRE; ++i) {
        if (!within(centredAt(row, i), reference(EQ_ROW_CENTRE - i), tolerance, what, i))
            return;
    }
    if (first > 0)
        QVERIFY2(std::abs(reference(EQ_ROW_CENTRE - first + 1)) <= tolerance, what);
}

void checkEdgeRow(const int16_t *row, const Reference &reference, double tolerance,
                  const char *what)
{
    QVERIFY2(row, what);
    QCOMPARE(rowKind(row), int(EQ_ROW_EDGE));
    const int length = rowExtent(row);
    QVERIFY2(length > EQ_ROW_CENTRE, what);
    for (int i = 0; i < length; ++i) {
        if (!within(edgeAt(row, i), reference(i - EQ_ROW_CENTRE), tolerance, what, i))
            return;
    }
    for (int i = length; i < length + 4 * 24; ++i)
        QVERIFY2(std::abs(reference(i - EQ_ROW_CENTRE)) <= tolerance, what);
}

bool sameRow(const int16_t *a, const int16_t *b)
{
    if (rowKind(a) != rowKind(b) || rowExtent(a) != rowExtent(b))
        return false;
    const int words = EQ_ROW_HEADER_WORDS
            + (rowKind(a) == EQ_ROW_EDGE ? rowExtent(a) : EQ_ROW_CENTRE + 1 - rowExtent(a));
    return std::equal(a, a + words, b);
}

// A curve with its own storage.
struct Curve
{
    Curve(int count, int startIndex, int endIndex)
        : values(EQ_MAX_POINTS + 1, 0)
    {
        curve.values = values.data();
        curve.count = count;
        curve.startIndex = uint16_t(startIndex);
        curve.endIndex = uint16_t(endIndex);
    }
    Curve(const Curve &other)
        : values(other.values)
        , curve(other.curve)
    {
        curve.values = values.data();
    }
    Curve &operator=(const Curve &) = delete;

    int32_t at(int i) const { return values[size_t(i)]; }
    std::vector<int32_t> points() const { return {values.begin(), values.begin() + curve.count}; }

    std::vector<int32_t> values;
    T_EQ_CURVE curve {};
};

// One step of frequency index per point, so point i is frequency index i.
Curve unitGrid()
{
    return Curve(255, 0, 254);
}

T_EQ_BAND band(int type, int gain, int frequency, int q = 0, int variant = 0)
{
    T_EQ_BAND b {};
    b.type = uint8_t(type);
    b.gain = gain;
    b.frequency = uint16_t(frequency);
    b.q = uint8_t(q);
    b.variant = uint8_t(variant);
    b.enabled = 1;
    return b;
}

T_EQ_DATASET dataset(std::initializer_list<T_EQ_BAND> bands, int magnitudeMode = 0)
{
    T_EQ_DATASET d {};
    for (const T_EQ_BAND &b : bands)
        d.bands[d.count++] = b;
    d.magnitudeMode = uint8_t(magnitudeMode);
    return d;
}

// Each record in its own group: shapes add in curve units.
T_EQ_DATASET separateGroups(std::initializer_list<T_EQ_BAND> bands)
{
    T_EQ_DATASET d = dataset(bands);
    for (int i = 0; i < d.count; ++i)
        d.bands[i].group = uint8_t(i);
    return d;
}

std::vector<int32_t> responseOf(Curve curve, T_EQ_DATASET data)
{
    Calc_EQGain(&curve.curve, &data);
    return curve.points();
}

std::vector<int32_t> responseOf(const T_EQ_BAND &b, const Curve &grid = unitGrid())
{
    return responseOf(grid, dataset({b}));
}

} // namespace

class TestEqMath : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Tables against the analog prototypes.
    void peakingRowsFollowThePeakingResponse();
    void highPassRowsFollowTheHighPassResponses();
    void notchRowsFollowTheNotchResponse();
    void bandPassRowsFollowTheNormalisedBandPass();
    void shelfRowsFollowTheShelfResponses();
    void graphicEqRowsAreTheRoundedPeakingResponse();

    // Calc_EQGain.
    void twelveDbPeakGivesHalfAnOctaveOfUnitsAtTheCentre();
    void fractionalGainScalesTheNextWholeDbRow();
    void placedShapesFollowTheAnalogResponses_data();
    void placedShapesFollowTheAnalogResponses();
    void cutsMirrorBoosts();
    void lowPassAndHighShelfMirrorTheirRows();
    void pairedQIndicesGiveIdenticalCurves();
    void bandsCentredOutsideTheRangeShapeVisiblePoints();
    void filtersAndShelvesFarOutsideTheRange();
    void linearGroupsSumGains();
    void fullFlagsAndTheFloor();
    void groupsAreWalkedInOrderUntilAGap();
    void unknownTypeStopsAfterEarlierGroups();
    void unusableInputIsANoOp();

    // Calc_GEQGain.
    void graphicBandsArePeakingShapesWithGainDependentQ();
    void incrementalUpdateMatchesFullRecomputation();
    void faderMoveUpdatesInPlaceAndReportsChanges();
};

void TestEqMath::peakingRowsFollowThePeakingResponse()
{
    for (int q = 0; q < PEQ_Q_COUNT; ++q) {
        for (int k = 0; k < PEQ_GAIN_ROWS; ++k) {
            const int16_t *row = peq_table[q * PEQ_GAIN_ROWS + k];
            const double dB = k + 1;
            checkCentredRow(
                    row, [&](double d) { return peakingUnits(d, dB, qOf(q)); }, kRowTolerance,
                    qPrintable(QStringLiteral("peq q %1 row %2").arg(q).arg(k)));
            if (QTest::currentTestFailed())
                return;
            QCOMPARE(centredAt(row, EQ_ROW_CENTRE), int(std::lround(dB * kUnitsPerDb)));
            if (q % 2)
                QVERIFY(sameRow(row, peq_table[(q - 1) * PEQ_GAIN_ROWS + k]));
        }
    }
}

// The graphic-EQ display's rows: 27 points per octave around index 270, exact after rounding.
void TestEqMath::graphicEqRowsAreTheRoundedPeakingResponse()
{
    const double shapeQ[GEQ_SHAPES] = {10, 9, 8, 7, 6.3, 5.6, 5.0, 4.5};
    for (int shape = 0; shape < GEQ_SHAPES; ++shape) {
        for (int g = 0; g < GEQ_GAIN_ROWS; ++g) {
            const int16_t *row = geq_table[shape * GEQ_GAIN_ROWS + g];
            // d points of 1/27 octave are 24 d / 27 steps of the 1/24-octave grid.
            const auto expected = [&](int index) {
                const double d = (GEQ_ROW_CENTRE - index) * 24.0 / 27.0;
                return int(std::lround(peakingUnits(d, g + 1, shapeQ[shape])));
            };
            const int first = rowExtent(row);
            const QByteArray what = QStringLiteral("shape %1 row %2").arg(shape).arg(g).toLatin1();
            QVERIFY2(first >= 0 && first < GEQ_ROW_CENTRE, what);
            for (int i = first; i <= GEQ_ROW_CENTRE; ++i) {
                const int stored = row[EQ_ROW_HEADER_WORDS + i - first];
                QVERIFY2(stored == expected(i),
                         what + QByteArray(" index ") + QByteArray::number(i) + " holds "
                                 + QByteArray::number(stored) + ", the response rounds to "
                                 + QByteArray::number(expected(i)));
            }
            // `first` is the last index going outwards that does not round to 0.
            QVERIFY2(expected(first) != 0, what);
            if (first > 0)
                QVERIFY2(expected(first - 1) == 0, what);
            QCOMPARE(int(row[EQ_ROW_HEADER_WORDS + GEQ_ROW_CENTRE - first]), 512 * (g + 1));
        }
    }
    // The 12 dB rows of every shape peak at 6144.
    for (int shape = 0; shape < GEQ_SHAPES; ++shape) {
        const int16_t *row = geq_table[shape * GEQ_GAIN_ROWS + 11];
        QCOMPARE(int(row[EQ_ROW_HEADER_WORDS + GEQ_ROW_CENTRE - rowExtent(row)]), 6144);
    }
}

void TestEqMath::highPassRowsFollowTheHighPassResponses()
{
    for (int q = 0; q < HPF_Q_COUNT; ++q) {
        checkEdgeRow(hpf_table[q], highPass1Units, kRowTolerance, "first-order high-pass");
        if (QTest::currentTestFailed())
            return;
        QVERIFY(sameRow(hpf_table[q], hpf_table[0]));
        const int16_t *row = hpf_table[HPF_Q_COUNT + q];
        checkEdgeRow(
                row, [&](double d) { return highPass2Units(d, qOf(q)); }, kRowTolerance,
                qPrintable(QStringLiteral("second-order high-pass q %1").arg(q)));
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(edgeAt(row, 0), int(kRowFloor));
        if (q % 2)
            QVERIFY(sameRow(row, hpf_table[HPF_Q_COUNT + q - 1]));
    }
}

void TestEqMath::notchRowsFollowTheNotchResponse()
{
    for (int q = 0; q < NOTCH_TABLE_SIZE; ++q) {
        const int16_t *row = notch_table[q];
        const Reference reference = [&](double d) { return notchUnits(d, qOf(q)); };
        // Close to the floor the response is steep: a looser bound there.
        const int first = rowExtent(row);
        for (int i = first; i <= EQ_ROW_CENTRE; ++i) {
            const double expected = reference(EQ_ROW_CENTRE - i);
            const double tolerance =
                    expected < kRowFloor / 2 ? kNotchFloorTolerance : kRowTolerance;
            QVERIFY2(std::abs(centredAt(row, i) - expected) <= tolerance,
                     qPrintable(QStringLiteral("notch q %1 index %2").arg(q).arg(i)));
        }
        QCOMPARE(rowKind(row), int(EQ_ROW_CENTRED));
        QCOMPARE(centredAt(row, EQ_ROW_CENTRE), int(kRowFloor));
        if (first > 0)
            QVERIFY(std::abs(reference(EQ_ROW_CENTRE - first + 1)) <= kRowTolerance);
        if (q % 2)
            QVERIFY(sameRow(row, notch_table[q - 1]));
    }
}

void TestEqMath::bandPassRowsFollowTheNormalisedBandPass()
{
    for (int q = 0; q < BPF_TABLE_SIZE; ++q) {
        const int16_t *row = bpf_parallel_table[q];
        checkCentredRow(
                row, [&](double d) { return bandPassValue(d, qOf(q)); }, kBandPassTolerance,
                qPrintable(QStringLiteral("band-pass q %1").arg(q)));
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(centredAt(row, EQ_ROW_CENTRE), int(BPF_CENTRE_VALUE));
    }
    // Wide rows reach ten octaves, narrow ones stop earlier.
    QCOMPARE(rowExtent(bpf_parallel_table[0]), 0);
    QVERIFY(rowExtent(bpf_parallel_table[BPF_TABLE_SIZE - 1]) > 0);
}

void TestEqMath::shelfRowsFollowTheShelfResponses()
{
    for (int k = 0; k < SHELF_TABLE_SIZE; ++k) {
        const double dB = (k + 1) * 0.5;
        checkEdgeRow(
                low_shelving_table[k], [&](double d) { return lowShelf1Units(d, dB); },
                kRowTolerance, qPrintable(QStringLiteral("first-order shelf %1").arg(k)));
        checkEdgeRow(
                low_shelving2_table[k], [&](double d) { return lowShelf2Units(d, dB); },
                kRowTolerance, qPrintable(QStringLiteral("second-order shelf %1").arg(k)));
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(edgeAt(low_shelving_table[k], 0), int(std::lround(dB * kUnitsPerDb)));
        QCOMPARE(edgeAt(low_shelving2_table[k], 0), int(std::lround(dB * kUnitsPerDb)));
    }
    // The linear-gain table holds 2^(k/600).
    for (int k = 0; k < POW2_TABLE_SIZE; ++k)
        QCOMPARE(pow2_table[k], float(std::exp2(k / 600.0)));
}

void TestEqMath::twelveDbPeakGivesHalfAnOctaveOfUnitsAtTheCentre()
{
    // 571 points over 254 indices: index 127 lands exactly on point 285.
    const Curve grid(EQ_MAX_POINTS, 0, 254);
    const int centre = (EQ_MAX_POINTS - 1) / 2;
    for (int q : {0, 33, 88}) {
        const std::vector<int32_t> boost = responseOf(band(EQ_TYPE_PEAKING, 1200, 127, q), grid);
        const std::vector<int32_t> cut = responseOf(band(EQ_TYPE_PEAKING, -1200, 127, q), grid);
        QCOMPARE(boost[centre], 12 * 512);
        QCOMPARE(cut[centre], -12 * 512);
        QCOMPARE(*std::max_element(boost.begin(), boost.end()), boost[centre]);
    }
}

void TestEqMath::fractionalGainScalesTheNextWholeDbRow()
{
    const std::vector<int32_t> curve = responseOf(band(EQ_TYPE_PEAKING, 1250, 120, 40));
    const int16_t *row13 = peq_table[40 * PEQ_GAIN_ROWS + 12];
    QCOMPARE(curve[120], 6400); // 12.5 dB
    for (int i = 0; i < 255; ++i) {
        const int t = EQ_ROW_CENTRE - std::abs(i - 120);
        const double expected = t < rowExtent(row13) ? 0.0 : centredAt(row13, t) * 1250.0 / 1300.0;
        QVERIFY2(std::abs(curve[size_t(i)] - expected) <= 0.5 + 1e-3,
                 qPrintable(QString::number(i)));
    }
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
    const double dB = std::abs(gain) / 100.0, sign = gain < 0 ? -1.0 : 1.0;
    const Reference reference = [&](double d) -> double {
        switch (type) {
        case EQ_TYPE_PEAKING:
            return sign * peakingUnits(d, dB, qOf(q));
        case EQ_TYPE_HIGH_PASS:
            return variant ? highPass2Units(d, qOf(q)) : highPass1Units(d);
        case EQ_TYPE_LOW_SHELF:
            return sign * (variant ? lowShelf2Units(d, dB) : lowShelf1Units(d, dB));
        case EQ_TYPE_NOTCH:
            return notchUnits(d, qOf(q));
        default:
            return dB * bandPassValue(d, qOf(q));
        }
    };
    const std::vector<int32_t> curve = responseOf(band(type, gain, f, q, variant));
    for (int i = 0; i < 255; ++i) {
        const double expected = reference(i - f);
        QVERIFY2(std::abs(curve[size_t(i)] - expected) <= tolerance,
                 qPrintable(QStringLiteral("point %1: %2, response %3")
                                    .arg(i)
                                    .arg(curve[size_t(i)])
                                    .arg(expected)));
    }
}

void TestEqMath::cutsMirrorBoosts()
{
    const Curve grid(EQ_MAX_POINTS, 0, 254);
    for (int type : {EQ_TYPE_PEAKING, EQ_TYPE_HIGH_SHELF, EQ_TYPE_LOW_SHELF, EQ_TYPE_BAND_PASS}) {
        for (int gain : {1, 99, 333, 1250, 1800}) {
            std::vector<int32_t> boost = responseOf(band(type, gain, 100, 21, 1), grid);
            const std::vector<int32_t> cut = responseOf(band(type, -gain, 100, 21, 1), grid);
            for (int32_t &v : boost)
                v = -v;
            QCOMPARE(cut, boost);
        }
    }
}

void TestEqMath::lowPassAndHighShelfMirrorTheirRows()
{
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
}

void TestEqMath::pairedQIndicesGiveIdenticalCurves()
{
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

void TestEqMath::bandsCentredOutsideTheRangeShapeVisiblePoints()
{
    // A wide grid that holds the centre sees the same values as a window on it.
    const Curve wide(509, 0, 508);
    for (const T_EQ_BAND &b :
         {band(EQ_TYPE_PEAKING, 1500, 300, 2), band(EQ_TYPE_NOTCH, 0, 290, 10),
          band(EQ_TYPE_BAND_PASS, 600, 330, 0), band(EQ_TYPE_LOW_PASS, 0, 270, 20, 1)}) {
        const std::vector<int32_t> whole = responseOf(b, wide);
        const std::vector<int32_t> above = responseOf(b, unitGrid());
        QCOMPARE(above, std::vector<int32_t>(whole.begin(), whole.begin() + 255));
        QVERIFY(above.back() != 0);
        // The same band seen from a window starting above its centre.
        T_EQ_BAND low = b;
        low.frequency = uint16_t(b.frequency - 250);
        const std::vector<int32_t> below = responseOf(low, Curve(255, 100, 354));
        const std::vector<int32_t> reference = responseOf(low, wide);
        QCOMPARE(below, std::vector<int32_t>(reference.begin() + 100, reference.begin() + 355));
        QVERIFY(below.front() != 0);
    }
}

void TestEqMath::filtersAndShelvesFarOutsideTheRange()
{
    const Curve high(255, 400, 654);
    for (int q : {0, 34, 88}) {
        // Second-order rows reach less than ten octaves above their corner.
        QCOMPARE(responseOf(band(EQ_TYPE_HIGH_PASS, 0, 100, q, 1), high),
                 std::vector<int32_t>(255, 0));
        QCOMPARE(responseOf(band(EQ_TYPE_HIGH_PASS, 0, 0, q, 0), high),
                 std::vector<int32_t>(255, 0));
        // Within reach, the start of the range is still attenuated.
        QVERIFY(responseOf(band(EQ_TYPE_HIGH_PASS, 0, 450, q, 1), high).front() < 0);
    }
    for (int variant : {0, 1}) {
        for (int gain : {50, 900, -1800}) {
            const std::vector<int32_t> curve =
                    responseOf(band(EQ_TYPE_LOW_SHELF, gain, 1000, 0, variant));
            const int plateau = int(std::lround(gain / 100.0 * kUnitsPerDb));
            QCOMPARE(curve, std::vector<int32_t>(255, plateau));
            QCOMPARE(responseOf(band(EQ_TYPE_HIGH_SHELF, gain, 1000, 0, variant)),
                     std::vector<int32_t>(255, 0));
        }
    }
}

void TestEqMath::linearGroupsSumGains()
{
    // Parallel model: one flat member counts 1, the peaks add (gain - 1).
    const Curve grid(EQ_MAX_POINTS, 0, 254);
    const T_EQ_BAND peakA = band(EQ_TYPE_PEAKING, 1000, 90, 20),
                    peakB = band(EQ_TYPE_PEAKING, 2300, 140, 30);
    const T_EQ_BAND cutC = band(EQ_TYPE_BAND_PASS, -700, 200, 10);
    T_EQ_BAND flat = band(EQ_TYPE_FLAT, 0, 0);
    flat.full = 1;
    const std::vector<int32_t> a = responseOf(peakA, grid), b = responseOf(peakB, grid),
                               c = responseOf(cutC, grid);
    const std::vector<int32_t> sum = responseOf(grid, dataset({peakA, flat, peakB, cutC}));
    auto linear = [](int32_t units) { return std::exp2(units / 3072.0); };
    // Linear gains are looked up in whole hundredths of a dB, a relative error
    // of up to 2^(1/600) - 1 in each member.
    const double lookupError = std::exp2(1.0 / 600.0) - 1.0;
    for (size_t i = 0; i < sum.size(); ++i) {
        const double total = linear(a[i]) + linear(b[i]) + linear(c[i]) - 2.0;
        const double spread = lookupError * (linear(a[i]) + linear(b[i]) + linear(c[i]));
        const double tolerance = 3072.0 / std::log(2.0) * spread / total + 1.0;
        QVERIFY2(std::abs(sum[i] - 3072.0 * std::log2(total)) <= tolerance,
                 qPrintable(QString::number(i)));
    }
    // A group adds to the groups before it, in curve units.
    T_EQ_DATASET twoGroups = dataset({peakA, flat, peakB, cutC, band(EQ_TYPE_NOTCH, 0, 60, 40)});
    twoGroups.bands[4].group = 1;
    const std::vector<int32_t> notch = responseOf(band(EQ_TYPE_NOTCH, 0, 60, 40), grid);
    const std::vector<int32_t> both = responseOf(grid, twoGroups);
    for (size_t i = 0; i < both.size(); ++i)
        QCOMPARE(both[i], sum[i] + notch[i]);
}

void TestEqMath::fullFlagsAndTheFloor()
{
    T_EQ_BAND full = band(EQ_TYPE_FLAT, 0, 0), partial = band(EQ_TYPE_FLAT, 0, 0);
    full.full = 1;
    QCOMPARE(responseOf(unitGrid(), dataset({full, partial})), std::vector<int32_t>(255, 0));
    QCOMPARE(responseOf(unitGrid(), dataset({partial, partial})),
             std::vector<int32_t>(255, EQ_FLOOR));
    QCOMPARE(responseOf(unitGrid(), dataset({partial, partial}, 1)),
             std::vector<int32_t>(255, EQ_FLOOR));
    // Two full flat members double the gain: +6 dB.
    QCOMPARE(responseOf(unitGrid(), dataset({full, full})), std::vector<int32_t>(255, 3072));

    // Two -12 dB cuts around a flat member leave 1 + 2 * (1/4 - 1) = -1/2 at the
    // centre: below zero it is the floor, or |-1/2| (-6 dB) in magnitude mode.
    const T_EQ_BAND cut = band(EQ_TYPE_PEAKING, -1200, 120, 60);
    const std::vector<int32_t> plain = responseOf(unitGrid(), dataset({full, cut, cut}));
    const std::vector<int32_t> magnitude = responseOf(unitGrid(), dataset({full, cut, cut}, 1));
    QCOMPARE(plain[120], EQ_FLOOR);
    QCOMPARE(magnitude[120], -3072);
    QCOMPARE(plain[0], magnitude[0]);
    QVERIFY(plain[0] > EQ_FLOOR);
}

void TestEqMath::groupsAreWalkedInOrderUntilAGap()
{
    const T_EQ_BAND p1 = band(EQ_TYPE_PEAKING, 600, 50, 20),
                    p2 = band(EQ_TYPE_PEAKING, 900, 150, 20);
    const T_EQ_BAND p3 = band(EQ_TYPE_NOTCH, 0, 200, 30);
    const std::vector<int32_t> a = responseOf(p1), b = responseOf(p2), c = responseOf(p3);

    // Groups 0 and 2: the missing group 1 ends the calculation after group 0.
    T_EQ_DATASET gap = dataset({p1, p2});
    gap.bands[1].group = 2;
    Curve curve = unitGrid();
    QCOMPARE(Calc_EQGain(&curve.curve, &gap), 1);
    QCOMPARE(curve.points(), a);

    // Groups 0, 1, 0: group 0 comes back and restarts its list with record 2.
    T_EQ_DATASET back = dataset({p1, p2, p3});
    back.bands[1].group = 1;
    const std::vector<int32_t> result = responseOf(unitGrid(), back);
    for (size_t i = 0; i < result.size(); ++i)
        QCOMPARE(result[i], b[i] + c[i]);

    // Counts beyond the record array read as a full array.
    T_EQ_DATASET many {};
    many.count = EQ_MAX_BANDS;
    for (int i = 0; i < EQ_MAX_BANDS; ++i) {
        many.bands[i] = i == 3 ? p1 : i == 9 ? p3 : band(EQ_TYPE_FLAT, 0, 0);
        many.bands[i].group = uint8_t(i);
    }
    const std::vector<int32_t> sixteen = responseOf(unitGrid(), many);
    for (size_t i = 0; i < sixteen.size(); ++i)
        QCOMPARE(sixteen[i], a[i] + c[i]);
    many.count = 200;
    QCOMPARE(responseOf(unitGrid(), many), sixteen);
}

void TestEqMath::unknownTypeStopsAfterEarlierGroups()
{
    const T_EQ_BAND peak = band(EQ_TYPE_PEAKING, 800, 100, 30);
    const std::vector<int32_t> first = responseOf(peak);

    T_EQ_DATASET single =
            separateGroups({peak, band(8, 600, 150, 30), band(EQ_TYPE_NOTCH, 0, 60, 20)});
    Curve curve = unitGrid();
    QCOMPARE(Calc_EQGain(&curve.curve, &single), 0);
    QCOMPARE(curve.points(), first);

    T_EQ_BAND flat = band(EQ_TYPE_FLAT, 0, 0);
    flat.full = 1;
    T_EQ_DATASET grouped =
            dataset({peak, flat, band(EQ_TYPE_PEAKING, 600, 150, 30), band(200, 0, 0)});
    for (int i = 1; i < 4; ++i)
        grouped.bands[i].group = 1;
    Curve curve2 = unitGrid();
    QCOMPARE(Calc_EQGain(&curve2.curve, &grouped), 0);
    QCOMPARE(curve2.points(), first);
}

void TestEqMath::unusableInputIsANoOp()
{
    T_EQ_DATASET data = dataset({band(EQ_TYPE_PEAKING, 600, 100, 30)});
    for (const Curve &bad : {Curve(0, 0, 254), Curve(EQ_MAX_POINTS + 1, 0, 254),
                             Curve(100, 200, 200), Curve(100, 200, 100)}) {
        Curve curve = bad;
        std::fill(curve.values.begin(), curve.values.end(), 5);
        QCOMPARE(Calc_EQGain(&curve.curve, &data), 0);
        QVERIFY(std::all_of(curve.values.begin(), curve.values.end(),
                            [](int32_t v) { return v == 5; }));
        T_GEQ_DATASET geq {};
        QCOMPARE(Calc_GEQGain(&curve.curve, nullptr, &geq, 1), 0);
        QVERIFY(std::all_of(curve.values.begin(), curve.values.end(),
                            [](int32_t v) { return v == 5; }));
    }
    // An empty dataset is a flat curve, written up to count only.
    Curve empty(EQ_MAX_POINTS, 0, 254);
    std::fill(empty.values.begin(), empty.values.end(), 77);
    T_EQ_DATASET none {};
    QCOMPARE(Calc_EQGain(&empty.curve, &none), 1);
    QCOMPARE(empty.points(), std::vector<int32_t>(EQ_MAX_POINTS, 0));
    QCOMPARE(empty.values.back(), 77);
    Curve curve = unitGrid();
    QCOMPARE(Calc_EQGain(nullptr, &data), 0);
    QCOMPARE(Calc_EQGain(&curve.curve, nullptr), 0);
    QCOMPARE(Calc_GEQGain(&curve.curve, nullptr, nullptr, 1), 0);

    // A single point is a valid curve.
    Curve one(1, 100, 100);
    QCOMPARE(Calc_EQGain(&one.curve, &data), 1);
    QCOMPARE(one.at(0), 6 * 512);

    // Records beyond the tables contribute nothing.
    const std::vector<int32_t> flat(255, 0);
    QCOMPARE(responseOf(band(EQ_TYPE_PEAKING, 2401, 100, 30)), flat);
    QCOMPARE(responseOf(band(EQ_TYPE_PEAKING, 600, 100, PEQ_Q_COUNT)), flat);
    QCOMPARE(responseOf(band(EQ_TYPE_HIGH_PASS, 0, 100, 30, 2)), flat);
    QCOMPARE(responseOf(band(EQ_TYPE_LOW_SHELF, 1801, 100)), flat);
    QCOMPARE(responseOf(band(EQ_TYPE_NOTCH, 0, 100, NOTCH_TABLE_SIZE)), flat);
    QCOMPARE(responseOf(band(EQ_TYPE_BAND_PASS, 600, 100, BPF_TABLE_SIZE)), flat);
    // Switched-off records likewise.
    T_EQ_BAND off = band(EQ_TYPE_NOTCH, 0, 100, 30);
    off.bypass = 1;
    QCOMPARE(responseOf(off), flat);
    off.bypass = 0;
    off.enabled = 0;
    QCOMPARE(responseOf(off), flat);
}

namespace {

int geqQIndex(int bands, int gain)
{
    const int base = bands == 7 ? 42 : bands == 15 ? 54 : 66;
    int steps = 0;
    for (int threshold : {100, 350, 600, 850, 1600, 1700, 1800})
        steps += std::abs(gain) > threshold;
    return base + 2 * steps;
}

std::vector<int32_t> fullGeqCurve(const Curve &grid, T_GEQ_DATASET state)
{
    Curve curve = grid;
    Calc_GEQGain(&curve.curve, nullptr, &state, 0);
    return curve.points();
}

} // namespace

void TestEqMath::graphicBandsArePeakingShapesWithGainDependentQ()
{
    const Curve grid(EQ_MAX_POINTS, 0, 254);
    for (int code : {7, 15, 31, 0}) {
        const int bands = code == 7 || code == 15 ? code : 31;
        for (int gain : {50, 101, 600, 1200, -1650, 1750, 2000}) {
            const int b = bands / 2;
            T_GEQ_DATASET state {};
            state.bandCode = uint8_t(code);
            state.bandGain[b] = gain;
            state.hpfBypass = state.lpfBypass = 1; // filters are on unless bypassed
            const int frequency = (256 / (bands + 1)) * (b + 1);
            QCOMPARE(fullGeqCurve(grid, state),
                     responseOf(band(EQ_TYPE_PEAKING, gain, frequency, geqQIndex(bands, gain)),
                                grid));
        }
    }
    // High- and low-pass are first-order shapes; notches use their own Q.
    T_GEQ_DATASET state {};
    state.hpfFrequency = 60;
    state.lpfFrequency = 200;
    state.notchCount = 1;
    state.notchFrequency[0] = 130;
    state.notchQ[0] = 100;
    const T_EQ_DATASET same = separateGroups({band(EQ_TYPE_HIGH_PASS, 0, 60, 0, 0),
                                              band(EQ_TYPE_LOW_PASS, 0, 200, 0, 0),
                                              band(EQ_TYPE_NOTCH, 0, 130, 100)});
    QCOMPARE(fullGeqCurve(grid, state), responseOf(grid, same));
}

void TestEqMath::incrementalUpdateMatchesFullRecomputation()
{
    QRandomGenerator random(20240607);
    const Curve grids[] = {Curve(EQ_MAX_POINTS, 0, 254), Curve(200, 40, 300), Curve(97, 0, 254)};
    for (const Curve &grid : grids) {
        for (int code : {7, 15, 31}) {
            T_GEQ_DATASET previous {}, current {};
            current.bandCode = uint8_t(code);
            Curve curve = grid;
            QCOMPARE(Calc_GEQGain(&curve.curve, &previous, &current, 0), 1);
            const int bands = code == 31 ? 31 : code;
            for (int step = 0; step < 400; ++step) {
                switch (random.bounded(8)) {
                case 0:
                case 1:
                case 2: // fader
                    current.bandGain[random.bounded(bands)] = random.bounded(-2400, 2401);
                    break;
                case 3:
                    current.bandBypass[random.bounded(bands)] = uint8_t(random.bounded(3));
                    break;
                case 4: {
                    const int i = random.bounded(GEQ_MAX_NOTCHES);
                    current.notchFrequency[i] = uint16_t(random.bounded(300));
                    current.notchQ[i] = uint8_t(random.bounded(NOTCH_TABLE_SIZE));
                    current.notchBypass[i] = uint8_t(random.bounded(2));
                    break;
                }
                case 5:
                    current.notchCount = uint8_t(random.bounded(GEQ_MAX_NOTCHES + 1));
                    break;
                case 6:
                    current.hpfFrequency = uint16_t(random.bounded(300));
                    current.hpfBypass = uint8_t(random.bounded(2));
                    break;
                default:
                    current.lpfFrequency = uint16_t(random.bounded(300));
                    current.lpfBypass = uint8_t(random.bounded(2));
                    break;
                }
                Calc_GEQGain(&curve.curve, &previous, &current, 0);
                if (curve.points() != fullGeqCurve(grid, current))
                    QFAIL(qPrintable(QStringLiteral("bands %1, step %2").arg(code).arg(step)));
            }
            // Changing the band count recomputes everything.
            current.bandCode = uint8_t(code == 7 ? 15 : 7);
            QCOMPARE(Calc_GEQGain(&curve.curve, &previous, &current, 0), 1);
            QCOMPARE(curve.points(), fullGeqCurve(grid, current));
        }
    }
}

void TestEqMath::faderMoveUpdatesInPlaceAndReportsChanges()
{
    const Curve grid(EQ_MAX_POINTS, 0, 254);
    T_GEQ_DATASET previous {}, current {};
    for (int b = 0; b < GEQ_MAX_BANDS; ++b)
        current.bandGain[b] = (b % 5 - 2) * 300;
    Curve curve = grid;
    Calc_GEQGain(&curve.curve, &previous, &current, 0);

    // An incremental update works on the curve it is given: an offset put
    // there survives, so only the moved fader's shapes were placed.
    for (int32_t &v : curve.values)
        v += 1000;
    current.bandGain[12] = 1100;
    QCOMPARE(Calc_GEQGain(&curve.curve, &previous, &current, 0), 1);
    std::vector<int32_t> expected = fullGeqCurve(grid, current);
    for (int32_t &v : expected)
        v += 1000;
    QCOMPARE(curve.points(), expected);

    // A forced full pass starts from zero.
    QCOMPARE(Calc_GEQGain(&curve.curve, &previous, &current, 1), 1);
    QCOMPARE(curve.points(), fullGeqCurve(grid, current));
    const std::vector<int32_t> settled = curve.points();

    QCOMPARE(Calc_GEQGain(&curve.curve, &previous, &current, 0), 0);
    QCOMPARE(curve.points(), settled);

    current.changeMarker = 1;
    QCOMPARE(Calc_GEQGain(&curve.curve, &previous, &current, 0), 1);
    QCOMPARE(curve.points(), settled);
    QCOMPARE(Calc_GEQGain(&curve.curve, &previous, &current, 0), 0);

    // Without a previous block every call is a full pass.
    QCOMPARE(Calc_GEQGain(&curve.curve, nullptr, &current, 0), 1);
    QCOMPARE(curve.points(), settled);

    // A fader set back to where it was restores the curve exactly.
    const int was = current.bandGain[3];
    current.bandGain[3] = -1700;
    QCOMPARE(Calc_GEQGain(&curve.curve, &previous, &current, 0), 1);
    QVERIFY(curve.points() != settled);
    current.bandGain[3] = was;
    QCOMPARE(Calc_GEQGain(&curve.curve, &previous, &current, 0), 1);
    QCOMPARE(curve.points(), settled);
}

QTEST_GUILESS_MAIN(TestEqMath)
#include "tst_eqmath.moc"
