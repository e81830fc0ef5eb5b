// Digital filter toolkit: every design against two references that share no code with the
// filter's own evaluation (the DFT of the impulse response that cal() produces, and the analog
// prototype at the pre-warped frequency), the open designs against their textbook magnitude
// responses, the parallel peaking stage and its processing, state handling and bad input.

#include "filter.h"
#include "filterPEQ.h"

#include <QtTest>

#include <cmath>
#include <complex>
#include <functional>
#include <limits>
#include <vector>

namespace {

using Complex = std::complex<double>;

constexpr double kPi = 3.14159265358979323846;
constexpr double kDbTolerance = 1e-9;
constexpr double kPhaseTolerance = 1e-9;
// The DFT sum loses relative precision in deep stop bands; it is compared above this level.
constexpr double kDftFloorDb = -60.0;
constexpr double kHalfPowerDb = -3.0102999566398120; // 10·log10(1/2)
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

double dbOf(double power)
{
    return 10.0 * std::log10(power);
}

double dbOf(Complex h)
{
    return dbOf(std::norm(h));
}

double phaseDifference(double a, double b)
{
    return std::abs(std::remainder(a - b, 2.0 * kPi));
}

// Ω = tan(π·f/fs) / tan(π·f0/fs): where the bilinear transform meets the analog prototype.
double warped(double f, double f0, double fs)
{
    return std::tan(kPi * f / fs) / std::tan(kPi * f0 / fs);
}

// The filter's impulse response from its own processing, run until it has died away.
std::vector<double> impulseResponse(FILTER &filter)
{
    constexpr size_t kLongest = size_t(1) << 21;
    constexpr int kQuietRun = 64;
    filter.clearDelay();
    std::vector<double> h;
    double peak = 0.0;
    int quiet = 0;
    while (h.size() < kLongest && quiet < kQuietRun) {
        const double y = filter.cal(h.empty() ? 1.0 : 0.0);
        h.push_back(y);
        peak = std::max(peak, std::abs(y));
        quiet = std::abs(y) <= 1e-18 * peak ? quiet + 1 : 0;
    }
    return h;
}

Complex dft(const std::vector<double> &h, double f, double fs)
{
    constexpr size_t kReanchor = 256;
    const double omega = 2.0 * kPi * f / fs;
    const Complex step = std::polar(1.0, -omega);
    Complex sum = 0.0, phasor = 1.0;
    for (size_t n = 0; n < h.size(); ++n) {
        if (n % kReanchor == 0)
            phasor = std::polar(1.0, -omega * double(n));
        sum += h[n] * phasor;
        phasor *= step;
    }
    return sum;
}

// power() and phase() at f against the DFT of the impulse response and an analog reference;
// `firstOrder` is the analog response of the first-order section, which phase() leaves out.
void checkResponse(const FILTER &filter, const std::vector<double> &impulse, double f, double fs,
                   Complex analog, Complex firstOrder = 1.0)
{
    const QByteArray where = QByteArray("at ") + QByteArray::number(f) + " Hz";
    const double power = filter.power(f, fs), phase = filter.phase(f, fs);
    QVERIFY2(std::abs(power - dbOf(analog)) <= kDbTolerance,
             where + ": power " + QByteArray::number(power, 'g', 15) + ", prototype "
                     + QByteArray::number(dbOf(analog), 'g', 15));
    QVERIFY2(phaseDifference(phase, std::arg(analog / firstOrder)) <= kPhaseTolerance,
             where + ": phase against the prototype");
    if (dbOf(analog) < kDftFloorDb)
        return;
    const Complex measured = dft(impulse, f, fs);
    QVERIFY2(std::abs(power - dbOf(measured)) <= kDbTolerance,
             where + ": power " + QByteArray::number(power, 'g', 15) + ", DFT "
                     + QByteArray::number(dbOf(measured), 'g', 15));
    QVERIFY2(phaseDifference(phase, std::arg(measured / firstOrder)) <= kPhaseTolerance,
             where + ": phase against the DFT");
}

std::vector<double> probeFrequencies(double f0, double fs)
{
    std::vector<double> probes;
    for (double m : {0.31, 0.72, 1.0, 1.43, 3.1})
        if (m * f0 < 0.49 * fs)
            probes.push_back(m * f0);
    return probes;
}

// --- The specified single-biquad designers and their prototypes ---

enum class Shape {
    PDFPQ,
    PDFCQ,
    LOWS_A,
    LOWS_B,
    HIGS_A,
    HIGS_B,
    LOWS_2A,
    LOWS_2B,
    HIGS_2A,
    HIGS_2B
};

const char *const kShapeNames[] = {"PDFPQ",  "PDFCQ",   "LOWS_A",  "LOWS_B",  "HIGS_A",
                                   "HIGS_B", "LOWS_2A", "LOWS_2B", "HIGS_2A", "HIGS_2B"};

bool designShape(FILTER &filter, Shape shape, double f, double fs, double g, double Q)
{
    switch (shape) {
    case Shape::PDFPQ:
        return filter.setCoefPDFPQ(f, fs, g, Q);
    case Shape::PDFCQ:
        return filter.setCoefPDFCQ(f, fs, g, Q);
    case Shape::LOWS_A:
        return filter.setCoefLOWS_A(f, g, fs);
    case Shape::LOWS_B:
        return filter.setCoefLOWS_B(f, g, fs);
    case Shape::HIGS_A:
        return filter.setCoefHIGS_A(f, g, fs);
    case Shape::HIGS_B:
        return filter.setCoefHIGS_B(f, g, fs);
    case Shape::LOWS_2A:
        return filter.setCoefLOWS_2A(f, g, fs);
    case Shape::LOWS_2B:
        return filter.setCoefLOWS_2B(f, g, fs);
    case Shape::HIGS_2A:
        return filter.setCoefHIGS_2A(f, g, fs);
    case Shape::HIGS_2B:
        return filter.setCoefHIGS_2B(f, g, fs);
    }
    return false;
}

Complex prototype(Shape shape, double g, double Q, Complex s)
{
    const bool boost = g >= 0.0;
    const double V = std::pow(10.0, std::abs(g) / 20.0), Vs = std::pow(10.0, g / 20.0);
    const double K = V - 1.0, r2 = std::sqrt(2.0), r2V = std::sqrt(2.0 * V);
    const auto orInverse = [boost](Complex h) { return boost ? h : 1.0 / h; };
    switch (shape) {
    case Shape::PDFPQ:
        return orInverse((s * s + (1.0 + K) * s / Q + 1.0) / (s * s + s / Q + 1.0));
    case Shape::PDFCQ:
        return orInverse((s * s + s / Q + 1.0) / (s * s + s / (Q * (1.0 + K)) + 1.0));
    case Shape::LOWS_A:
        return orInverse((s + V) / (s + 1.0));
    case Shape::LOWS_B:
        return boost ? Vs * (s + 1.0) / (Vs * s + 1.0) : (s + Vs) / (s + 1.0);
    case Shape::HIGS_A:
        return boost ? (Vs * s + 1.0) / (s + 1.0) : Vs * (s + 1.0) / (s + Vs);
    case Shape::HIGS_B:
        return boost ? V * (s + 1.0) / (s + V) : (s / V + 1.0) / (s + 1.0);
    case Shape::LOWS_2A:
        return orInverse((s * s + r2V * s + V) / (s * s + r2 * s + 1.0));
    case Shape::LOWS_2B:
        return orInverse((s * s + r2 * s + 1.0) / (s * s + r2 * s / std::sqrt(V) + 1.0 / V));
    case Shape::HIGS_2A:
        return orInverse((V * s * s + r2V * s + 1.0) / (s * s + r2 * s + 1.0));
    case Shape::HIGS_2B:
        return orInverse(V * (s * s + r2 * s + 1.0) / (s * s + r2V * s + V));
    }
    return 1.0;
}

// --- Textbook magnitudes of the normalised low-pass prototypes ---

double chebyshevT(long n, double x)
{
    return std::abs(x) <= 1.0 ? std::cos(double(n) * std::acos(x))
                              : std::cosh(double(n) * std::acosh(std::abs(x)));
}

enum class Family { Butterworth, Chebyshev, InverseChebyshev };

// |H|² of the prototype at normalised frequency x (band edge at 1).
double prototypePower(Family family, long n, double parameterDb, double x)
{
    switch (family) {
    case Family::Butterworth:
        return 1.0 / (1.0 + std::pow(std::abs(x), 2.0 * double(n)));
    case Family::Chebyshev: {
        const double e2 = std::pow(10.0, parameterDb / 10.0) - 1.0, t = chebyshevT(n, x);
        return 1.0 / (1.0 + e2 * t * t);
    }
    case Family::InverseChebyshev: {
        if (x == 0.0)
            return 1.0;
        const double e2 = 1.0 / (std::pow(10.0, parameterDb / 10.0) - 1.0);
        const double t = chebyshevT(n, 1.0 / x);
        return e2 * t * t / (1.0 + e2 * t * t);
    }
    }
    return 0.0;
}

enum class Kind { LowPass, HighPass, BandPass, BandStop };

struct Range
{
    double from, to;
};

struct OpenDesign
{
    Kind kind;
    Family family;
    long n;
    double f1, f2, fs, parameterDb;

    bool apply(FILTER &filter) const
    {
        const double p = parameterDb;
        switch (kind) {
        case Kind::LowPass:
            return family == Family::Chebyshev ? filter.setCoefLPFChev(n, f1, fs, p)
                                               : filter.setCoefLPFIChev(n, f1, fs, p);
        case Kind::HighPass:
            return family == Family::Chebyshev ? filter.setCoefHPFChev(n, f1, fs, p)
                                               : filter.setCoefHPFIChev(n, f1, fs, p);
        case Kind::BandPass:
            return family == Family::Butterworth  ? filter.setCoefBPF(n, f1, f2, fs)
                    : family == Family::Chebyshev ? filter.setCoefBPFChev(n, f1, f2, fs, p)
                                                  : filter.setCoefBPFIChev(n, f1, f2, fs, p);
        case Kind::BandStop:
            return family == Family::Butterworth  ? filter.setCoefBEF(n, f1, f2, fs)
                    : family == Family::Chebyshev ? filter.setCoefBEFChev(n, f1, f2, fs, p)
                                                  : filter.setCoefBEFIChev(n, f1, f2, fs, p);
        }
        return false;
    }
    // The prototype frequency that f maps to under the design's frequency transformation.
    double prototypeX(double f) const
    {
        const double w = std::tan(kPi * f / fs), w1 = std::tan(kPi * f1 / fs);
        const double w2 = std::tan(kPi * f2 / fs), B = w2 - w1, w0sq = w1 * w2;
        switch (kind) {
        case Kind::LowPass:
            return w / w1;
        case Kind::HighPass:
            return w1 / w;
        case Kind::BandPass:
            return (w * w - w0sq) / (B * w);
        case Kind::BandStop:
            return B * w / (w0sq - w * w);
        }
        return 0.0;
    }
    double referenceDb(double f) const
    {
        return dbOf(prototypePower(family, n, parameterDb, prototypeX(f)));
    }
    // Pass and stop bands, just inside the edges and the ends of the range.
    std::vector<Range> stopBands() const
    {
        const double low = 1.0, high = 0.4999 * fs;
        switch (kind) {
        case Kind::LowPass:
            return {{f1, high}};
        case Kind::HighPass:
            return {{low, f1}};
        case Kind::BandPass:
            return {{low, f1}, {f2, high}};
        case Kind::BandStop:
            return {{f1, f2}};
        }
        return {};
    }
    std::vector<Range> passBands() const
    {
        const double low = 1.0, high = 0.4999 * fs;
        switch (kind) {
        case Kind::LowPass:
            return {{low, f1}};
        case Kind::HighPass:
            return {{f1, high}};
        case Kind::BandPass:
            return {{f1, f2}};
        case Kind::BandStop:
            return {{low, f1}, {f2, high}};
        }
        return {};
    }
    double centre() const
    {
        const double w = std::sqrt(std::tan(kPi * f1 / fs) * std::tan(kPi * f2 / fs));
        return fs * std::atan(w) / kPi;
    }
};

// The Q correction of the parallel stage, written out per rate band.
double expectedCorrectedQ(double f, double fs, double Q)
{
    double corner = 2000.0, A = 1.25513, B = 0.0301, C = 4.817e-05;
    if (fs >= 96000.0)
        corner = 4000.0, A = 1.21531, B = 0.02382, C = 2.004e-05;
    else if (fs >= 88200.0)
        corner = 4000.0, A = 1.29486, B = 0.0317, C = 2.462e-05;
    else if (fs >= 48000.0)
        A = 1.25686, B = 0.02143, C = 4.103e-05;
    const double factor = A - B * std::log2(Q) - C * f;
    if (f <= corner || factor > 1.0)
        return Q;
    return std::max(0.1, Q * factor);
}

// Steady-state output level of a sine through the parallel stage, in dB relative to the input.
double measuredStageDb(FILTER2PEQ &stage, double f, double fs, bool boost)
{
    constexpr int kSettle = 48000, kWindow = 4800; // the window holds whole periods of f
    const double K = stage.gainFactor();
    stage.clearDelay();
    double in2 = 0.0, out2 = 0.0;
    for (int n = 0; n < kSettle + kWindow; ++n) {
        const double x = std::sin(2.0 * kPi * f * n / fs);
        double out;
        if (boost) {
            out = x + K * stage.cal_boost(x);
            stage.dlyupdate_bpf(x);
        } else {
            out = (x - K * stage.cal_cut()) / (1.0 + stage.gainedC2());
            stage.dlyupdate_bpf(out);
        }
        if (n >= kSettle) {
            in2 += x * x;
            out2 += out * out;
        }
    }
    return dbOf(out2 / in2);
}

std::vector<double> coefficientsOf(const FILTER &filter)
{
    std::vector<double> all;
    for (long k = 0; filter.coefficients(k); ++k)
        all.insert(all.end(), filter.coefficients(k), filter.coefficients(k) + 5);
    if (const double *first = filter.firstOrderCoefficients())
        all.insert(all.end(), first, first + 3);
    return all;
}

} // namespace

Q_DECLARE_METATYPE(Shape)
Q_DECLARE_METATYPE(Kind)
Q_DECLARE_METATYPE(Family)

class TestFilter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void specifiedDesignsFollowPrototypeAndImpulseResponse_data();
    void specifiedDesignsFollowPrototypeAndImpulseResponse();
    void dispatchersChooseTheVariant();
    void butterworthFollowsItsMagnitudeAndPoles_data();
    void butterworthFollowsItsMagnitudeAndPoles();
    void qFactorDesignsFollowTheirPrototypes();
    void openDesignsFollowTheirPrototypes_data();
    void openDesignsFollowTheirPrototypes();
    void onePoleSmoothers();

    void peqCentreGainAndMirroredCut();
    void peqQCorrection_data();
    void peqQCorrection();
    void peqProcessingFollowsItsPower_data();
    void peqProcessingFollowsItsPower();
    void peqCopyAndSections();

    void setDelayPrechargesUnityGainLowPass();
    void redesignKeepsDelaysOnlyAtTheSameOrder();
    void stagesAndCopies();
    void bandTransformSteps();
    void orderLimits();
    void badDesignInputLeavesTheFilterAsItWas();
    void badPeqInputLeavesTheStageAsItWas();

    void freeFunctions();
    void getFSidSplitsAtGeometricMeans();
};

void TestFilter::specifiedDesignsFollowPrototypeAndImpulseResponse_data()
{
    QTest::addColumn<Shape>("shape");
    QTest::addColumn<double>("f0");
    QTest::addColumn<double>("fs");
    QTest::addColumn<double>("gainDb");
    QTest::addColumn<double>("Q");
    struct Point
    {
        double f0, gainDb, Q;
    };
    const Point points[] = {{120.0, 9.0, 0.7}, {1500.0, 3.5, 2.0}, {9000.0, 15.0, 6.0}};
    for (int s = 0; s <= int(Shape::HIGS_2B); ++s)
        for (double fs : {44100.0, 96000.0})
            for (const Point &p : points)
                for (double sign : {1.0, -1.0})
                    QTest::addRow("%s %g Hz %g dB Q %g at %g", kShapeNames[s], p.f0,
                                  sign * p.gainDb, p.Q, fs)
                            << Shape(s) << p.f0 << fs << sign * p.gainDb << p.Q;
    QTest::newRow("PDFPQ flat") << Shape::PDFPQ << 1000.0 << 48000.0 << 0.0 << 1.0;
    QTest::newRow("LOWS_B flat") << Shape::LOWS_B << 1000.0 << 48000.0 << 0.0 << 1.0;
}

void TestFilter::specifiedDesignsFollowPrototypeAndImpulseResponse()
{
    QFETCH(Shape, shape);
    QFETCH(double, f0);
    QFETCH(double, fs);
    QFETCH(double, gainDb);
    QFETCH(double, Q);
    FILTER filter(5); // the designers re-order it
    QVERIFY(designShape(filter, shape, f0, fs, gainDb, Q));
    QCOMPARE(filter.order(), 2L);
    const std::vector<double> impulse = impulseResponse(filter);
    for (double f : probeFrequencies(f0, fs)) {
        checkResponse(filter, impulse, f, fs,
                      prototype(shape, gainDb, Q, Complex(0.0, warped(f, f0, fs))));
        if (QTest::currentTestFailed())
            return;
    }
    // The plateau or peak reaches the gain.
    const double plateau = shape == Shape::PDFPQ || shape == Shape::PDFCQ ? f0
            : (shape == Shape::LOWS_A || shape == Shape::LOWS_B || shape == Shape::LOWS_2A
               || shape == Shape::LOWS_2B)
            ? 1e-3
            : 0.5 * fs;
    QVERIFY(std::abs(filter.power(plateau, fs) - gainDb) < 1e-6);
}

void TestFilter::dispatchersChooseTheVariant()
{
    using Designer = bool (FILTER::*)(double, double, double);
    using Variant = bool (FILTER::*)(double, double, double, short);
    struct Dispatch
    {
        Designer plain, a, b;
        Variant chosen;
    };
    const Dispatch families[] = {{&FILTER::setCoefLOWS, &FILTER::setCoefLOWS_A,
                                  &FILTER::setCoefLOWS_B, &FILTER::setCoefLOWS},
                                 {&FILTER::setCoefLOWS_2, &FILTER::setCoefLOWS_2A,
                                  &FILTER::setCoefLOWS_2B, &FILTER::setCoefLOWS_2},
                                 {&FILTER::setCoefHIGS, &FILTER::setCoefHIGS_A,
                                  &FILTER::setCoefHIGS_B, &FILTER::setCoefHIGS},
                                 {&FILTER::setCoefHIGS_2, &FILTER::setCoefHIGS_2A,
                                  &FILTER::setCoefHIGS_2B, &FILTER::setCoefHIGS_2}};
    for (const Dispatch &family : families) {
        for (double g : {-7.0, 7.0}) {
            FILTER plain, a, b, one, zero, two;
            QVERIFY((plain.*family.plain)(800.0, g, 48000.0));
            QVERIFY((a.*family.a)(800.0, g, 48000.0));
            QVERIFY((b.*family.b)(800.0, g, 48000.0));
            QVERIFY((one.*family.chosen)(800.0, g, 48000.0, 1));
            QVERIFY((zero.*family.chosen)(800.0, g, 48000.0, 0));
            QVERIFY((two.*family.chosen)(800.0, g, 48000.0, 2));
            QVERIFY(coefficientsOf(a) != coefficientsOf(b));
            QCOMPARE(coefficientsOf(plain), coefficientsOf(b));
            QCOMPARE(coefficientsOf(one), coefficientsOf(b));
            QCOMPARE(coefficientsOf(zero), coefficientsOf(a));
            QCOMPARE(coefficientsOf(two), coefficientsOf(a));
        }
    }
}

void TestFilter::butterworthFollowsItsMagnitudeAndPoles_data()
{
    QTest::addColumn<bool>("highPass");
    QTest::addColumn<long>("order");
    QTest::addColumn<double>("f0");
    QTest::addColumn<double>("fs");
    struct Point
    {
        double f0, fs;
    };
    for (bool highPass : {true, false})
        for (long n = 1; n <= 8; ++n)
            for (const Point &p :
                 {Point {250.0, 44100.0}, Point {3000.0, 48000.0}, Point {12000.0, 96000.0}})
                QTest::addRow("%s order %ld, %g Hz at %g", highPass ? "HPF" : "LPF", n, p.f0, p.fs)
                        << highPass << n << p.f0 << p.fs;
}

// Magnitude |H|² = Ω²ⁿ/(1 + Ω²ⁿ) or 1/(1 + Ω²ⁿ); the phase from the textbook factors
// s² + 2·sin((2k+1)π/(2n))·s + 1 and, for odd n, s + 1.
void TestFilter::butterworthFollowsItsMagnitudeAndPoles()
{
    QFETCH(bool, highPass);
    QFETCH(long, order);
    QFETCH(double, f0);
    QFETCH(double, fs);
    FILTER filter;
    QVERIFY(highPass ? filter.setCoefHPF(order, f0, fs) : filter.setCoefLPF(order, f0, fs));
    QCOMPARE(filter.order(), order);
    QCOMPARE(filter.firstOrder(), order % 2);
    QVERIFY(std::abs(filter.power(f0, fs) - kHalfPowerDb) <= kDbTolerance);
    const std::vector<double> impulse = impulseResponse(filter);
    for (double f : probeFrequencies(f0, fs)) {
        const double w = warped(f, f0, fs), w2n = std::pow(w, 2.0 * double(order));
        const double power = highPass ? w2n / (1.0 + w2n) : 1.0 / (1.0 + w2n);
        QVERIFY(std::abs(filter.power(f, fs) - dbOf(power)) <= kDbTolerance);
        const Complex s(0.0, w);
        Complex h = 1.0;
        for (long k = 0; k < order / 2; ++k) {
            const Complex d = s * s + 2.0 * std::sin((2 * k + 1) * kPi / (2.0 * order)) * s + 1.0;
            h *= (highPass ? s * s : Complex(1.0)) / d;
        }
        const Complex first = order % 2 ? (highPass ? s : Complex(1.0)) / (s + 1.0) : 1.0;
        checkResponse(filter, impulse, f, fs, h * first, first);
        if (QTest::currentTestFailed())
            return;
    }
}

void TestFilter::qFactorDesignsFollowTheirPrototypes()
{
    const double fs = 48000.0;
    for (double f0 : {200.0, 5000.0}) {
        for (double Q : {0.5, 3.0}) {
            FILTER lowPass, skirt, peak;
            QVERIFY(lowPass.setCoefLPFQfct(f0, fs, Q));
            QVERIFY(skirt.setCoefBPFQfct(f0, fs, Q));
            QVERIFY(peak.setCoefBPF_Q(f0, fs, Q));
            const std::vector<double> hLow = impulseResponse(lowPass),
                                      hSkirt = impulseResponse(skirt),
                                      hPeak = impulseResponse(peak);
            for (double f : probeFrequencies(f0, fs)) {
                const Complex s(0.0, warped(f, f0, fs)), d = s * s + s / Q + 1.0;
                checkResponse(lowPass, hLow, f, fs, 1.0 / d);
                checkResponse(skirt, hSkirt, f, fs, s / d);
                checkResponse(peak, hPeak, f, fs, (s / Q) / d);
                if (QTest::currentTestFailed())
                    return;
            }
            QVERIFY(std::abs(lowPass.power(1e-3, fs)) < 1e-9);
            QVERIFY(std::abs(skirt.power(f0, fs) - 20.0 * std::log10(Q)) < 1e-9);
            QVERIFY(std::abs(peak.power(f0, fs)) < 1e-9);
        }
    }
}

void TestFilter::openDesignsFollowTheirPrototypes_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<Family>("family");
    QTest::addColumn<long>("n");
    QTest::addColumn<double>("f1");
    QTest::addColumn<double>("f2");
    QTest::addColumn<double>("fs");
    QTest::addColumn<double>("parameterDb");
    const Family ch = Family::Chebyshev, ic = Family::InverseChebyshev, bw = Family::Butterworth;
    for (long n : {1L, 4L, 7L}) {
        QTest::addRow("LPF Chebyshev %ld", n)
                << Kind::LowPass << ch << n << 2000.0 << 0.0 << 48000.0 << 0.5;
        QTest::addRow("HPF Chebyshev %ld", n)
                << Kind::HighPass << ch << n << 800.0 << 0.0 << 44100.0 << 2.0;
        QTest::addRow("LPF inverse Chebyshev %ld", n)
                << Kind::LowPass << ic << n << 6000.0 << 0.0 << 96000.0 << 40.0;
        QTest::addRow("HPF inverse Chebyshev %ld", n)
                << Kind::HighPass << ic << n << 300.0 << 0.0 << 48000.0 << 60.0;
    }
    for (long n : {1L, 2L, 5L}) {
        QTest::addRow("BPF %ld", n)
                << Kind::BandPass << bw << n << 500.0 << 2000.0 << 48000.0 << 0.0;
        QTest::addRow("BPF Chebyshev %ld", n)
                << Kind::BandPass << ch << n << 1000.0 << 4000.0 << 44100.0 << 1.0;
        QTest::addRow("BPF inverse Chebyshev %ld", n)
                << Kind::BandPass << ic << n << 700.0 << 3000.0 << 48000.0 << 50.0;
        QTest::addRow("BEF %ld", n)
                << Kind::BandStop << bw << n << 400.0 << 1600.0 << 48000.0 << 0.0;
        QTest::addRow("BEF Chebyshev %ld", n)
                << Kind::BandStop << ch << n << 2000.0 << 8000.0 << 96000.0 << 0.5;
        QTest::addRow("BEF inverse Chebyshev %ld", n)
                << Kind::BandStop << ic << n << 900.0 << 2500.0 << 48000.0 << 45.0;
    }
}

void TestFilter::openDesignsFollowTheirPrototypes()
{
    QFETCH(Kind, kind);
    QFETCH(Family, family);
    QFETCH(long, n);
    QFETCH(double, f1);
    QFETCH(double, f2);
    QFETCH(double, fs);
    QFETCH(double, parameterDb);
    const OpenDesign design {kind, family, n, f1, f2, fs, parameterDb};
    FILTER filter;
    QVERIFY(design.apply(filter));
    const bool band = kind == Kind::BandPass || kind == Kind::BandStop;
    QCOMPARE(filter.order(), band ? 2 * n : n);

    // The textbook magnitude over the whole range, and the impulse response where it is above
    // the DFT's floor.
    const std::vector<double> impulse = impulseResponse(filter);
    for (double f = 0.003 * fs; f < 0.49 * fs; f *= 1.07) {
        const double reference = design.referenceDb(f);
        if (reference < -150.0)
            continue;
        const double power = filter.power(f, fs);
        QVERIFY2(std::abs(power - reference) <= 1e-8,
                 qPrintable(QStringLiteral("%1 Hz: %2, prototype %3")
                                    .arg(f)
                                    .arg(power, 0, 'g', 15)
                                    .arg(reference, 0, 'g', 15)));
        if (reference > kDftFloorDb)
            QVERIFY(std::abs(power - dbOf(dft(impulse, f, fs))) <= 1e-8);
    }

    // Ripple, stop-band depth and centre gain, straight from the design's parameters.
    const double dcGain = family == Family::Chebyshev && n % 2 == 0 ? -parameterDb : 0.0;
    const auto scan = [&](const std::vector<Range> &ranges, double &lowest, double &highest) {
        lowest = 1e9, highest = -1e9;
        for (const Range &r : ranges)
            for (int i = 0; i <= 2000; ++i) {
                const double p = filter.power(r.from + (r.to - r.from) * i / 2000.0, fs);
                lowest = std::min(lowest, p);
                highest = std::max(highest, p);
            }
    };
    double lowest, highest;
    switch (family) {
    case Family::Chebyshev:
        QVERIFY(std::abs(filter.power(f1, fs) + parameterDb) < 1e-8);
        QVERIFY(!band || std::abs(filter.power(f2, fs) + parameterDb) < 1e-8);
        scan(design.passBands(), lowest, highest);
        QVERIFY(highest <= 1e-9 && highest > -0.01 * parameterDb);
        QVERIFY(lowest >= -parameterDb - 1e-9);
        break;
    case Family::InverseChebyshev:
        QVERIFY(std::abs(filter.power(f1, fs) + parameterDb) < 1e-8);
        QVERIFY(!band || std::abs(filter.power(f2, fs) + parameterDb) < 1e-8);
        scan(design.stopBands(), lowest, highest);
        QVERIFY(highest <= -parameterDb + 1e-9);
        break;
    case Family::Butterworth:
        QVERIFY(std::abs(filter.power(f1, fs) - kHalfPowerDb) < 1e-9);
        QVERIFY(std::abs(filter.power(f2, fs) - kHalfPowerDb) < 1e-9);
        break;
    }
    if (kind == Kind::BandPass)
        QVERIFY(std::abs(filter.power(design.centre(), fs) - dcGain) < 1e-9);
    if (kind == Kind::BandStop) {
        QVERIFY(std::abs(filter.power(0.0, fs) - dcGain) < 1e-9);
        if (family != Family::InverseChebyshev)
            QVERIFY(filter.power(design.centre(), fs) <= -100.0);
    }
}

// The one-pole forms as written: a/(1 − (1−a)·z⁻¹) and k·(1 − z⁻¹)/(1 − k·z⁻¹) with k = 1 − a/2,
// both as order 1 with no biquads.
void TestFilter::onePoleSmoothers()
{
    const double fs = 44100.0;
    for (double fc : {30.0, 900.0, 15000.0}) {
        const double a = 1.0 - std::exp(-2.0 * kPi * fc / fs);
        FILTER lowPass, highPass; // fresh order-2 filters
        QVERIFY(lowPass.setDcfLPF(fc, fs));
        QVERIFY(highPass.setDcfHPF(fc, fs));
        for (const FILTER *f : {&lowPass, &highPass}) {
            QCOMPARE(f->order(), 1L);
            QCOMPARE(f->biquadOrder(), 0L);
        }
        QVERIFY(std::abs(lowPass.power(0.0, fs)) < 1e-12);
        QCOMPARE(highPass.power(0.0, fs), -100.0);
        const std::vector<double> hLow = impulseResponse(lowPass);
        const std::vector<double> hHigh = impulseResponse(highPass);
        for (double f : {0.1 * fc, fc, std::min(4.0 * fc, 0.45 * fs)}) {
            const Complex zInv = std::polar(1.0, -2.0 * kPi * f / fs);
            const Complex low = a / (1.0 - (1.0 - a) * zInv);
            const Complex high = (1.0 - 0.5 * a) * (1.0 - zInv) / (1.0 - (1.0 - 0.5 * a) * zInv);
            QVERIFY(std::abs(lowPass.power(f, fs) - dbOf(low)) < kDbTolerance);
            QVERIFY(std::abs(highPass.power(f, fs) - dbOf(high)) < kDbTolerance);
            QVERIFY(std::abs(lowPass.power(f, fs) - dbOf(dft(hLow, f, fs))) < kDbTolerance);
            QVERIFY(std::abs(highPass.power(f, fs) - dbOf(dft(hHigh, f, fs))) < kDbTolerance);
            QCOMPARE(lowPass.phase(f, fs), 0.0);
            QCOMPARE(highPass.phase(f, fs), 0.0);
        }
    }
}

void TestFilter::peqCentreGainAndMirroredCut()
{
    for (double fs : {44100.0, 96000.0}) {
        for (double g : {-18.0, -4.5, 0.0, 6.0, 18.0}) {
            FILTER2PEQ stage;
            QVERIFY(stage.setCoefBPF_C(1000.0, fs, 2.0, g));
            QCOMPARE(int(stage.mode()), g < 0.0 ? 1 : g > 0.0 ? 2 : 3);
            const double K = stage.gainFactor();
            QVERIFY(std::abs(K - (std::pow(10.0, std::abs(g) / 20.0) - 1.0)) < 1e-12);
            QVERIFY(std::abs(stage.gainedC2() - K * stage.coefficients()[2]) < 1e-15);
            const double atCentre =
                    g < 0.0 ? stage.power_cut(1000.0, fs, K) : stage.power_boost(1000.0, fs, K);
            QVERIFY(std::abs(atCentre - g) < kDbTolerance);
            for (double f = 20.0; f < 0.49 * fs; f *= 1.3) {
                QVERIFY(std::abs(stage.power_cut(f, fs, K) + stage.power_boost(f, fs, K)) < 1e-12);
                const Complex s(0.0, warped(f, 1000.0, fs));
                const Complex bp = (s / 2.0) / (s * s + s / 2.0 + 1.0);
                QVERIFY(std::abs(stage.response_bpf(f, fs) - bp) < 1e-12);
            }
        }
    }
}

void TestFilter::peqQCorrection_data()
{
    QTest::addColumn<double>("f");
    QTest::addColumn<double>("fs");
    QTest::addColumn<double>("Q");
    const double Q = 400.0; // high enough for the factor to drop below 1 at every corner
    for (double fs : {44100.0, 48000.0}) {
        QTest::addRow("at the 2 kHz corner, %g", fs) << 2000.0 << fs << Q;
        QTest::addRow("above the 2 kHz corner, %g", fs) << 2001.0 << fs << Q;
    }
    for (double fs : {88200.0, 96000.0}) {
        QTest::addRow("at the 4 kHz corner, %g", fs) << 4000.0 << fs << Q;
        QTest::addRow("above the 4 kHz corner, %g", fs) << 4001.0 << fs << Q;
    }
    for (double fs : {47999.0, 48000.0, 88199.0, 88200.0, 95999.0, 96000.0})
        QTest::addRow("3 kHz at %g", fs) << 3000.0 << fs << Q;
    QTest::newRow("factor above 1") << 3000.0 << 48000.0 << 1.0;
    QTest::newRow("floored at 0.1") << 21000.0 << 44100.0 << 0.2;
}

// The corrected Q shows in the response: the band-pass against (s/Q')/(s² + s/Q' + 1).
void TestFilter::peqQCorrection()
{
    QFETCH(double, f);
    QFETCH(double, fs);
    QFETCH(double, Q);
    FILTER2PEQ stage;
    QVERIFY(stage.setCoefBPF_C(f, fs, Q, 6.0));
    const double q = expectedCorrectedQ(f, fs, Q);
    for (double m : {0.9, 0.999, 1.0, 1.001, 1.05}) {
        const Complex s(0.0, warped(m * f, f, fs));
        const Complex expected = (s / q) / (s * s + s / q + 1.0);
        QVERIFY2(std::abs(stage.response_bpf(m * f, fs) - expected) < 1e-9,
                 qPrintable(QStringLiteral("Q' %1").arg(q)));
    }
}

void TestFilter::peqProcessingFollowsItsPower_data()
{
    QTest::addColumn<double>("gainDb");
    QTest::addColumn<double>("f0");
    QTest::addColumn<double>("Q");
    for (double g : {12.0, -12.0, 3.0, -18.0})
        for (double f0 : {400.0, 5000.0})
            QTest::addRow("%g dB at %g Hz", g, f0) << g << f0 << (f0 > 1000.0 ? 4.0 : 0.7);
}

void TestFilter::peqProcessingFollowsItsPower()
{
    QFETCH(double, gainDb);
    QFETCH(double, f0);
    QFETCH(double, Q);
    const double fs = 48000.0;
    FILTER2PEQ stage;
    QVERIFY(stage.setCoefBPF_C(f0, fs, Q, gainDb));
    const bool boost = gainDb > 0.0;
    const double K = stage.gainFactor();
    for (double f : {100.0, 390.0, 1000.0, 5000.0, 12000.0}) {
        const double expected = boost ? stage.power_boost(f, fs, K) : stage.power_cut(f, fs, K);
        QVERIFY2(std::abs(measuredStageDb(stage, f, fs, boost) - expected) < 0.01,
                 qPrintable(QStringLiteral("%1 Hz").arg(f)));
    }
}

void TestFilter::peqCopyAndSections()
{
    FILTER2PEQ left, right;
    QVERIFY(left.setCoefBPF_C(2500.0, 48000.0, 1.5, -9.0));
    for (int n = 0; n < 10; ++n)
        left.dlyupdate_bpf(1.0);
    right.setCoefByCopy(&left);
    QCOMPARE(right.mode(), left.mode());
    QCOMPARE(right.gainedC2(), left.gainedC2());
    QCOMPARE(right.response_bpf(3000.0, 48000.0), left.response_bpf(3000.0, 48000.0));
    QCOMPARE(right.cal_cut(), 0.0); // its own delays
    QVERIFY(left.cal_cut() != 0.0);
    right.setCoefByCopy(nullptr);
    QCOMPARE(right.response_bpf(3000.0, 48000.0), left.response_bpf(3000.0, 48000.0));

    // Without a section the stage is transparent, and a design sets the section up again.
    for (long order : {0L, -1L, 3L}) {
        FILTER2PEQ bare;
        QVERIFY(!bare._setOrder(order));
        QCOMPARE(bare.sectionCount(), 0L);
        QCOMPARE(bare.response_bpf(1000.0, 48000.0), Complex(1.0, 0.0));
        QCOMPARE(bare.cal_boost(0.25), 0.25);
        QCOMPARE(bare.cal_cut(), 0.0);
        QVERIFY(bare.setCoefBPF_C(1000.0, 48000.0, 1.0, 6.0));
        QCOMPARE(bare.sectionCount(), 2L);
        QVERIFY(std::abs(bare.power_boost(1000.0, 48000.0, bare.gainFactor()) - 6.0) < 1e-9);
    }
}

void TestFilter::setDelayPrechargesUnityGainLowPass()
{
    const double v = 0.37;
    for (long order = 1; order <= 6; ++order) {
        FILTER filter;
        QVERIFY(filter.setCoefLPF(order, 700.0, 48000.0));
        filter.setDelay(v);
        for (int n = 0; n < 100; ++n)
            QVERIFY(std::abs(filter.cal(v) - v) < 1e-12);
    }
    FILTER smoother;
    QVERIFY(smoother.setDcfLPF(5.0, 48000.0));
    smoother.setDelay(-2.0);
    QVERIFY(std::abs(smoother.cal(-2.0) + 2.0) < 1e-12);
}

void TestFilter::redesignKeepsDelaysOnlyAtTheSameOrder()
{
    const double v = 1.5;
    FILTER filter;
    QVERIFY(filter.setCoefLPF(4, 300.0, 48000.0));
    filter.setDelay(v);
    // Same order: the settled state carries over, so a unity-DC redesign still outputs v.
    QVERIFY(filter.setCoefLPF(4, 3000.0, 48000.0));
    QVERIFY(std::abs(filter.cal(v) - v) < 1e-12);
    QVERIFY(filter.setCoefLPFChev(4, 3000.0, 48000.0, 1e-6));
    QVERIFY(std::abs(filter.cal(v) - v) < 1e-6);
    // Another order clears: the first output is b0·v of the first section only.
    QVERIFY(filter.setCoefLPF(3, 3000.0, 48000.0));
    QVERIFY(std::abs(filter.cal(v) - v) > 0.5);

    // A cleared order-2 filter has no response at all.
    FILTER cleared;
    QCOMPARE(cleared.power(1000.0, 48000.0), -100.0);
    QCOMPARE(cleared.phase(1000.0, 48000.0), 0.0);
    QVERIFY(cleared.setCoefPDFPQ(1000.0, 48000.0, 6.0, 1.0));
    cleared.clear();
    QCOMPARE(cleared.order(), 2L);
    QCOMPARE(cleared.power(250.0, 48000.0), -100.0);
    QCOMPARE(cleared.cal(1.0), 0.0);
}

void TestFilter::stagesAndCopies()
{
    // An order-5 high-pass: two biquads, then s/(s + 1). cal(stages, x) runs stages/2 biquads.
    const double f0 = 1000.0, fs = 48000.0;
    FILTER filter;
    QVERIFY(filter.setCoefHPF(5, f0, fs));
    const auto stagedImpulse = [&](long stages) {
        filter.clearDelay();
        std::vector<double> h;
        for (int n = 0; n < 8000; ++n)
            h.push_back(filter.cal(stages, n == 0 ? 1.0 : 0.0));
        return h;
    };
    const std::vector<double> none = stagedImpulse(1), one = stagedImpulse(3);
    for (double f : {300.0, 1000.0, 5000.0}) {
        const Complex s(0.0, warped(f, f0, fs)), first = s / (s + 1.0);
        const Complex biquad = s * s / (s * s + 2.0 * std::sin(kPi / 10.0) * s + 1.0);
        QVERIFY(std::abs(dbOf(dft(none, f, fs)) - dbOf(first)) < kDbTolerance);
        QVERIFY(std::abs(dbOf(dft(one, f, fs)) - dbOf(biquad * first)) < kDbTolerance);
    }
    // More stages than present run the whole cascade; copies continue on their own.
    filter.clearDelay();
    FILTER copy = filter;
    for (int n = 0; n < 50; ++n) {
        const double x = std::sin(0.1 * n);
        QCOMPARE(filter.cal(40L, x), copy.cal(x));
    }
    FILTER assigned;
    assigned = copy;
    FILTER moved = std::move(copy);
    QCOMPARE(copy.order(), 0L);
    QCOMPARE(copy.cal(0.5), 0.5);
    for (int n = 0; n < 50; ++n)
        QCOMPARE(assigned.cal(double(n % 3)), moved.cal(double(n % 3)));
}

// The band transformation s → (s² + W0²)/(B·s), multiplied out: the two quadratics must give
// back the transformed polynomial.
void TestFilter::bandTransformSteps()
{
    const double B = 0.3, w0sq = 0.8;
    // Prototype s² + p·s + q: complex roots (1, 1.2) and real roots −1, −2 (3, 2).
    for (const auto &pq :
         {std::pair<double, double>(1.0, 1.2), std::pair<double, double>(3.0, 2.0)}) {
        const double p = pq.first, q = pq.second;
        double d[4];
        FILTER::BuboCoefTrans(p, q, B, w0sq, d);
        // (s² + W0²)² + p·B·s·(s² + W0²) + q·B²·s², coefficients of s³, s², s, 1.
        const double expected[4] = {p * B, 2.0 * w0sq + q * B * B, p * B * w0sq, w0sq * w0sq};
        const double product[4] = {d[0] + d[2], d[1] + d[3] + d[0] * d[2],
                                   d[0] * d[3] + d[2] * d[1], d[1] * d[3]};
        for (int i = 0; i < 4; ++i)
            QVERIFY(std::abs(product[i] - expected[i]) < 1e-14);
    }
    double z[2];
    FILTER::BpfCoefTrans(2.5, B, w0sq, z);
    QVERIFY(std::abs(z[0] + z[1] - (2.0 * w0sq + 2.5 * B * B)) < 1e-14);
    QVERIFY(std::abs(z[0] * z[1] - w0sq * w0sq) < 1e-14);
}

void TestFilter::orderLimits()
{
    for (long order : {-5L, 0L}) {
        FILTER filter(order);
        QCOMPARE(filter.order(), 0L);
        QCOMPARE(filter.cal(0.75), 0.75);
        QCOMPARE(filter.power(1000.0, 48000.0), 0.0);
    }
    FILTER filter;
    QVERIFY(filter.setOrder(FILTER::MaxOrder));
    QCOMPARE(filter.biquadOrder(), FILTER::MaxOrder);
    QVERIFY(!filter.setOrder(FILTER::MaxOrder + 1));
    QCOMPARE(filter.order(), 0L);
    QVERIFY(filter.coefficients(0) == nullptr);
    QVERIFY(filter.setCoefLPF(FILTER::MaxOrder - 1, 5000.0, 48000.0));
    QVERIFY(std::abs(filter.power(5000.0, 48000.0) - kHalfPowerDb) < 1e-9);
    QVERIFY(!filter.setCoefLPF(FILTER::MaxOrder + 1, 5000.0, 48000.0));

    // A long cascade deep in its stop band, where the product of the sections would underflow:
    // the phase is still the sum of the textbook factors' phases.
    const long n = FILTER::MaxOrder - 2;
    QVERIFY(filter.setCoefHPF(n, 10000.0, 48000.0));
    const Complex s(0.0, warped(0.01, 10000.0, 48000.0));
    double expected = 0.0;
    for (long k = 0; k < n / 2; ++k)
        expected +=
                std::arg(s * s / (s * s + 2.0 * std::sin((2 * k + 1) * kPi / (2.0 * n)) * s + 1.0));
    QVERIFY(phaseDifference(filter.phase(0.01, 48000.0), expected) < 1e-6);
    QVERIFY(!filter.setCoefBPF(FILTER::MaxOrder / 2 + 1, 1000.0, 2000.0, 48000.0));
}

void TestFilter::badDesignInputLeavesTheFilterAsItWas()
{
    const double fs = 48000.0;
    const std::pair<const char *, std::function<bool(FILTER &)>> cases[] = {
            {"f = 0", [=](FILTER &f) { return f.setCoefPDFPQ(0.0, fs, 6.0, 1.0); }},
            {"f < 0", [=](FILTER &f) { return f.setCoefLOWS_A(-100.0, 6.0, fs); }},
            {"f = fs/2", [=](FILTER &f) { return f.setCoefHIGS_2B(0.5 * fs, 6.0, fs); }},
            {"f > fs/2", [=](FILTER &f) { return f.setCoefHPF(4, 30000.0, fs); }},
            {"f NaN", [=](FILTER &f) { return f.setCoefLPF(kNaN, fs); }},
            {"fs = 0", [](FILTER &f) { return f.setCoefLOWS_B(100.0, 6.0, 0.0); }},
            {"fs < 0", [](FILTER &f) { return f.setDcfLPF(100.0, -48000.0); }},
            {"one-pole f = 0", [=](FILTER &f) { return f.setDcfHPF(0.0, fs); }},
            {"coefficient NaN", [](FILTER &f) { return f.setDcfLPF(kNaN); }},
            {"Q = 0", [=](FILTER &f) { return f.setCoefPDFCQ(1000.0, fs, 6.0, 0.0); }},
            {"Q < 0", [=](FILTER &f) { return f.setCoefBPF_Q(1000.0, fs, -1.0); }},
            {"gain NaN", [=](FILTER &f) { return f.setCoefLOWS_2A(1000.0, kNaN, fs); }},
            {"gain overflows", [=](FILTER &f) { return f.setCoefHIGS_B(1000.0, 1e5, fs); }},
            {"order 0", [=](FILTER &f) { return f.setCoefHPF(0, 1000.0, fs); }},
            {"order < 0", [=](FILTER &f) { return f.setCoefLPFChev(-2, 1000.0, fs, 1.0); }},
            {"ripple 0", [=](FILTER &f) { return f.setCoefHPFChev(3, 1000.0, fs, 0.0); }},
            {"stop depth < 0", [=](FILTER &f) { return f.setCoefLPFIChev(3, 1000.0, fs, -20.0); }},
            {"band reversed", [=](FILTER &f) { return f.setCoefBPF(2, 2000.0, 1000.0, fs); }},
            {"band to fs/2", [=](FILTER &f) { return f.setCoefBEF(2, 1000.0, 0.5 * fs, fs); }},
    };
    for (const auto &c : cases) {
        FILTER filter;
        QVERIFY(filter.setCoefLPF(5, 2000.0, fs));
        for (int n = 0; n < 20; ++n)
            filter.cal(1.0);
        FILTER reference = filter;
        QVERIFY2(!c.second(filter), c.first);
        QCOMPARE(filter.order(), 5L);
        QCOMPARE(coefficientsOf(filter), coefficientsOf(reference));
        QCOMPARE(filter.cal(1.0), reference.cal(1.0)); // the delays are untouched
    }
    // Evaluation with an unusable rate reads the floor.
    FILTER filter;
    QVERIFY(filter.setCoefLPF(2, 2000.0, fs));
    QCOMPARE(filter.power(1000.0, 0.0), -100.0);
    QCOMPARE(filter.power(kNaN, fs), -100.0);
    QCOMPARE(filter.phase(1000.0, -1.0), 0.0);
}

void TestFilter::badPeqInputLeavesTheStageAsItWas()
{
    const double fs = 48000.0;
    const double bad[][4] = {
            {0.0, fs, 1.0, 6.0},     {-5.0, fs, 1.0, 6.0},    {24000.0, fs, 1.0, 6.0},
            {1000.0, 0.0, 1.0, 6.0}, {1000.0, fs, 0.0, 6.0},  {1000.0, fs, -2.0, 6.0},
            {1000.0, fs, kNaN, 6.0}, {1000.0, fs, 1.0, kNaN}, {kNaN, fs, 1.0, 6.0}};
    for (const auto &args : bad) {
        FILTER2PEQ stage;
        QVERIFY(stage.setCoefBPF_C(1000.0, fs, 2.0, -6.0));
        stage.dlyupdate_bpf(0.5);
        const double before = stage.cal_cut();
        const Complex response = stage.response_bpf(700.0, fs);
        QVERIFY(!stage.setCoefBPF_C(args[0], args[1], args[2], args[3]));
        QCOMPARE(stage.mode(), FILTER2PEQ::BandCut);
        QCOMPARE(stage.response_bpf(700.0, fs), response);
        QCOMPARE(stage.cal_cut(), before);
    }
    FILTER2PEQ stage;
    QCOMPARE(stage.power_boost(1000.0, 0.0, 1.0), -100.0);
    QCOMPARE(stage.power_cut(1000.0, -1.0, 1.0), -100.0);
    QCOMPARE(stage.response_bpf(kNaN, fs), Complex(0.0, 0.0));
}

void TestFilter::freeFunctions()
{
    // The table: four rates, then 2^(i−16).
    const float rates[] = {44100.0f, 48000.0f, 88200.0f, 96000.0f};
    for (int i = 0; i < VALID_FS_RATES; ++i)
        QCOMPARE(validFS[i], rates[i]);
    for (int i = 0; i < VALID_FS_POWERS; ++i)
        QCOMPARE(validFS[VALID_FS_RATES + i], std::ldexp(1.0f, i - 16));

    // ExpLinCoef: the ends, clamping, NaN, the joins, and the bounds of a linear interpolation of
    // 2^(16x − 16) between its powers of two (at most 6.2 % above the curve, never below).
    QCOMPARE(ExpLinCoef(0.0f), std::ldexp(1.0f, -16));
    QCOMPARE(ExpLinCoef(1.0f), 1.0f);
    QCOMPARE(ExpLinCoef(-3.0f), std::ldexp(1.0f, -16));
    QCOMPARE(ExpLinCoef(7.0f), 1.0f);
    QCOMPARE(ExpLinCoef(std::numeric_limits<float>::quiet_NaN()), std::ldexp(1.0f, -16));
    for (int i = 1; i < 16; ++i) {
        const float join = float(i) / 16.0f;
        QCOMPARE(ExpLinCoef(join), std::ldexp(1.0f, i - 16));
        const float below = ExpLinCoef(std::nextafter(join, 0.0f));
        QVERIFY(std::abs(below / ExpLinCoef(join) - 1.0f) < 1e-5f);
    }
    for (float x = 0.0f; x <= 1.0f; x += 0.0037f) {
        const double curve = std::exp2(16.0 * x - 16.0), value = ExpLinCoef(x);
        QVERIFY(value >= curve * (1.0 - 1e-6) && value <= curve * 1.062);
    }

    // float2int: truncation, the top of the range, NaN and huge values.
    for (int n : {1, 2, 7, 128, 1000})
        QCOMPARE(float2int(1.0f, n), n - 1);
    QCOMPARE(float2int(0.5f, 10), 5);
    QCOMPARE(float2int(0.999f, 10), 9);
    QCOMPARE(float2int(-0.3f, 10), -3);
    QCOMPARE(float2int(std::numeric_limits<float>::quiet_NaN(), 10), 0);
    QCOMPARE(float2int(1e30f, 10), 9);
    QCOMPARE(float2int(-1e30f, 10), std::numeric_limits<int>::min());

    QCOMPARE(float2lin(0.25f, 10.0f, 20.0f), 12.5f);
    QCOMPARE(float2lin(1.0f, -6.0f, 18.0f), 18.0f);

    // float2expz against its defining formula; 0 → 0, 1 → 1; x itself without a range.
    for (float r : {-20.0f, 6.0f, 40.0f, 96.0f}) {
        const double floor = std::pow(10.0, -r / 20.0);
        for (float x = 0.0f; x <= 1.0f; x += 0.125f) {
            const double expected = (std::pow(10.0, r * (x - 1.0) / 20.0) - floor) / (1.0 - floor);
            QVERIFY(std::abs(float2expz(x, r) - expected) < 1e-6);
        }
        QCOMPARE(float2expz(0.0f, r), 0.0f);
        QVERIFY(std::abs(float2expz(1.0f, r) - 1.0f) < 1e-6f);
    }
    QCOMPARE(float2expz(0.3f, 0.0f), 0.3f);
    QVERIFY(std::abs(float2expz(0.3f, 1e-6f) - 0.3f) < 1e-6f);
}

void TestFilter::getFSidSplitsAtGeometricMeans()
{
    QCOMPARE(getFSid(46000.0f), 0);
    QCOMPARE(getFSid(46100.0f), 1);
    QCOMPARE(getFSid(96000.0f), 3);
    const double means[] = {std::sqrt(44100.0 * 48000.0), std::sqrt(48000.0 * 88200.0),
                            std::sqrt(88200.0 * 96000.0)};
    for (int id = 0; id < 3; ++id) {
        const float mean = float(means[id]);
        const float below = double(mean) < means[id] ? mean : std::nextafter(mean, 0.0f);
        QCOMPARE(getFSid(below), id);
        QCOMPARE(getFSid(std::nextafter(below, 1e9f)), id + 1);
        QCOMPARE(getFSid(validFS[id]), id);
    }
    QCOMPARE(getFSid(0.0f), 0);
    QCOMPARE(getFSid(-96000.0f), 0);
    QCOMPARE(getFSid(1e12f), 3);
    QCOMPARE(getFSid(std::numeric_limits<float>::quiet_NaN()), 3);
}

QTEST_GUILESS_MAIN(TestFilter)
#include "tst_filter.moc"
