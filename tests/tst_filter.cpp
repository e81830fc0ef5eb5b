// Digital filter toolkit: every design against two references that share no code with the
// filter's own evaluation (the DFT of the impulse response that cal() produces, and the analog
// prototype at the pre-warped frequency), the open designs against their textbook magnitudes,
// the parallel peaking stage and its processing, state handling and bad input.

#include "filter.h"
#include "filterPEQ.h"

#include <QtTest>

#include <cmath>
#include <complex>
#include <functional>
#include <limits>
#include <variant>
#include <vector>

namespace {

using Complex = std::complex<double>;

constexpr double kPi = 3.14159265358979323846;
constexpr double kTolerance = 1e-9; // dB and radians
constexpr double kOpenDesignToleranceDb = 1e-8;
// The DFT sum loses relative precision in deep stop bands; it is compared above this level.
constexpr double kDftFloorDb = -60.0;
constexpr double kHalfPowerDb = -3.0102999566398120; // 10·log10(1/2)
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

double dbOf(Complex h)
{
    return 10.0 * std::log10(std::norm(h));
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
std::vector<double> impulseResponse(FILTER &filter, long stages = FILTER::MaxOrder)
{
    constexpr size_t kLongest = size_t(1) << 21;
    filter.clearDelay();
    std::vector<double> h;
    double peak = 0.0;
    for (int quiet = 0; h.size() < kLongest && quiet < 64;) {
        h.push_back(filter.cal(stages, h.empty() ? 1.0 : 0.0));
        peak = std::max(peak, std::abs(h.back()));
        quiet = std::abs(h.back()) <= 1e-18 * peak ? quiet + 1 : 0;
    }
    return h;
}

Complex dft(const std::vector<double> &h, double f, double fs)
{
    const double omega = 2.0 * kPi * f / fs;
    const Complex step = std::polar(1.0, -omega);
    Complex sum = 0.0, phasor = 1.0;
    for (size_t n = 0; n < h.size(); ++n, phasor *= step) {
        if (n % 256 == 0) // re-anchored so that rounding does not accumulate
            phasor = std::polar(1.0, -omega * double(n));
        sum += h[n] * phasor;
    }
    return sum;
}

// power() and phase() at f against the analog reference and the DFT of the impulse response;
// `firstOrder` is the analog response of the first-order section, which phase() leaves out.
void checkResponse(const FILTER &filter, const std::vector<double> &impulse, double f, double fs,
                   Complex analog, Complex firstOrder = 1.0)
{
    const QByteArray at = QByteArray::number(f) + " Hz";
    const double power = filter.power(f, fs), phase = filter.phase(f, fs);
    QVERIFY2(std::abs(power - dbOf(analog)) <= kTolerance, at + ": power, prototype");
    QVERIFY2(phaseDifference(phase, std::arg(analog / firstOrder)) <= kTolerance,
             at + ": phase, prototype");
    if (dbOf(analog) < kDftFloorDb)
        return;
    const Complex measured = dft(impulse, f, fs);
    QVERIFY2(std::abs(power - dbOf(measured)) <= kTolerance, at + ": power, DFT");
    QVERIFY2(phaseDifference(phase, std::arg(measured / firstOrder)) <= kTolerance,
             at + ": phase, DFT");
}

std::vector<double> probeFrequencies(double f0, double fs)
{
    std::vector<double> probes;
    for (double m : {0.31, 0.72, 1.0, 1.43, 3.1})
        if (m * f0 < 0.49 * fs)
            probes.push_back(m * f0);
    return probes;
}

// --- The single-biquad designers with their argument orders and prototypes ---

double vAbs(double g)
{
    return std::pow(10.0, std::abs(g) / 20.0);
}
double vSigned(double g)
{
    return std::pow(10.0, g / 20.0);
}
Complex boostOrCut(double g, Complex boost)
{
    return g >= 0.0 ? boost : 1.0 / boost;
}

enum class Plateau { Centre, Dc, Nyquist, None }; // where the response reaches the gain

using Design = std::variant<bool (FILTER::*)(double, double, double, double),
                            bool (FILTER::*)(double, double, double)>;

struct Shape
{
    const char *name;
    // The designer: (f, fs, gain, Q) for the peaking shapes, (f, gain, fs) for the shelves and
    // (f, fs, Q) for the shapes without a gain.
    Design design;
    Complex (*prototype)(Complex s, double g, double Q);
    Plateau plateau;
};

const double r2 = std::sqrt(2.0);
const Shape kShapes[] = {
        {"PDFPQ", &FILTER::setCoefPDFPQ,
         [](Complex s, double g, double Q) {
             const double K = vAbs(g) - 1.0;
             return boostOrCut(g, (s * s + (1.0 + K) * s / Q + 1.0) / (s * s + s / Q + 1.0));
         },
         Plateau::Centre},
        {"PDFCQ", &FILTER::setCoefPDFCQ,
         [](Complex s, double g, double Q) {
             const double K = vAbs(g) - 1.0;
             return boostOrCut(g, (s * s + s / Q + 1.0) / (s * s + s / (Q * (1.0 + K)) + 1.0));
         },
         Plateau::Centre},
        {"LOWS_A", &FILTER::setCoefLOWS_A,
         [](Complex s, double g, double) { return boostOrCut(g, (s + vAbs(g)) / (s + 1.0)); },
         Plateau::Dc},
        {"LOWS_B", &FILTER::setCoefLOWS_B,
         [](Complex s, double g, double) {
             const double V = vSigned(g);
             return g >= 0.0 ? V * (s + 1.0) / (V * s + 1.0) : (s + V) / (s + 1.0);
         },
         Plateau::Dc},
        {"HIGS_A", &FILTER::setCoefHIGS_A,
         [](Complex s, double g, double) {
             const double V = vSigned(g);
             return g >= 0.0 ? (V * s + 1.0) / (s + 1.0) : V * (s + 1.0) / (s + V);
         },
         Plateau::Nyquist},
        {"HIGS_B", &FILTER::setCoefHIGS_B,
         [](Complex s, double g, double) {
             const double V = vAbs(g);
             return g >= 0.0 ? V * (s + 1.0) / (s + V) : (s / V + 1.0) / (s + 1.0);
         },
         Plateau::Nyquist},
        {"LOWS_2A", &FILTER::setCoefLOWS_2A,
         [](Complex s, double g, double) {
             const double V = vAbs(g);
             return boostOrCut(g, (s * s + std::sqrt(2.0 * V) * s + V) / (s * s + r2 * s + 1.0));
         },
         Plateau::Dc},
        {"LOWS_2B", &FILTER::setCoefLOWS_2B,
         [](Complex s, double g, double) {
             const double V = vAbs(g);
             return boostOrCut(g,
                               (s * s + r2 * s + 1.0) / (s * s + r2 * s / std::sqrt(V) + 1.0 / V));
         },
         Plateau::Dc},
        {"HIGS_2A", &FILTER::setCoefHIGS_2A,
         [](Complex s, double g, double) {
             const double V = vAbs(g);
             return boostOrCut(g,
                               (V * s * s + std::sqrt(2.0 * V) * s + 1.0) / (s * s + r2 * s + 1.0));
         },
         Plateau::Nyquist},
        {"HIGS_2B", &FILTER::setCoefHIGS_2B,
         [](Complex s, double g, double) {
             const double V = vAbs(g);
             return boostOrCut(g,
                               V * (s * s + r2 * s + 1.0) / (s * s + std::sqrt(2.0 * V) * s + V));
         },
         Plateau::Nyquist},
        {"LPFQfct", &FILTER::setCoefLPFQfct,
         [](Complex s, double, double Q) { return 1.0 / (s * s + s / Q + 1.0); }, Plateau::None},
        {"BPFQfct", &FILTER::setCoefBPFQfct,
         [](Complex s, double, double Q) { return s / (s * s + s / Q + 1.0); }, Plateau::None},
        {"BPF_Q", &FILTER::setCoefBPF_Q,
         [](Complex s, double, double Q) { return (s / Q) / (s * s + s / Q + 1.0); },
         Plateau::None},
};

// --- The open designs and the textbook magnitudes of their low-pass prototypes ---

enum class Family { Butterworth, Chebyshev, InverseChebyshev };
enum class Kind { LowPass, HighPass, BandPass, BandStop };

double chebyshevT(long n, double x)
{
    return std::abs(x) <= 1.0 ? std::cos(double(n) * std::acos(x))
                              : std::cosh(double(n) * std::acosh(std::abs(x)));
}

// |H|² at the normalised prototype frequency x (band edge at 1).
double prototypePower(Family family, long n, double parameterDb, double x)
{
    const double t = chebyshevT(n, x), e2 = std::pow(10.0, parameterDb / 10.0) - 1.0;
    if (family == Family::Butterworth)
        return 1.0 / (1.0 + std::pow(std::abs(x), 2.0 * double(n)));
    if (family == Family::Chebyshev)
        return 1.0 / (1.0 + e2 * t * t);
    const double ti = x == 0.0 ? HUGE_VAL : chebyshevT(n, 1.0 / x);
    return std::isinf(ti) ? 1.0 : ti * ti / (e2 + ti * ti);
}

struct OpenDesign
{
    const char *name;
    Family family;
    Kind kind;
    // (n, f1, f2, fs) for the band designs without a parameter, (n, f, fs, p) for low- and
    // high-pass, (n, f1, f2, fs, p) for the other band designs.
    std::variant<bool (FILTER::*)(long, double, double, double),
                 bool (FILTER::*)(long, double, double, double, double)>
            design;
};

const OpenDesign kOpenDesigns[] = {
        {"LPFChev", Family::Chebyshev, Kind::LowPass, &FILTER::setCoefLPFChev},
        {"HPFChev", Family::Chebyshev, Kind::HighPass, &FILTER::setCoefHPFChev},
        {"LPFIChev", Family::InverseChebyshev, Kind::LowPass, &FILTER::setCoefLPFIChev},
        {"HPFIChev", Family::InverseChebyshev, Kind::HighPass, &FILTER::setCoefHPFIChev},
        {"BPF", Family::Butterworth, Kind::BandPass, &FILTER::setCoefBPF},
        {"BPFChev", Family::Chebyshev, Kind::BandPass, &FILTER::setCoefBPFChev},
        {"BPFIChev", Family::InverseChebyshev, Kind::BandPass, &FILTER::setCoefBPFIChev},
        {"BEF", Family::Butterworth, Kind::BandStop, &FILTER::setCoefBEF},
        {"BEFChev", Family::Chebyshev, Kind::BandStop, &FILTER::setCoefBEFChev},
        {"BEFIChev", Family::InverseChebyshev, Kind::BandStop, &FILTER::setCoefBEFIChev},
};

// The prototype frequency f maps to: Ω/Ωc, Ωc/Ω, (Ω² − Ω0²)/(BΩ) or BΩ/(Ω0² − Ω²).
double prototypeX(Kind kind, double f, double f1, double f2, double fs)
{
    const double w = std::tan(kPi * f / fs), w1 = std::tan(kPi * f1 / fs);
    const double w2 = std::tan(kPi * f2 / fs), B = w2 - w1, w0sq = w1 * w2;
    if (kind == Kind::LowPass || kind == Kind::HighPass)
        return kind == Kind::LowPass ? w / w1 : w1 / w;
    return kind == Kind::BandPass ? (w * w - w0sq) / (B * w) : B * w / (w0sq - w * w);
}

// The parallel stage's Q correction, written out per rate band.
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
    return f <= corner || factor > 1.0 ? Q : std::max(0.1, Q * factor);
}

// Steady-state level of a sine through the parallel stage's processing loop, in dB.
double measuredStageDb(FILTER2PEQ &stage, double f, double fs, bool boost)
{
    constexpr int kSettle = 48000, kWindow = 4800; // the window holds whole periods of f
    const double K = stage.gainFactor();
    stage.clearDelay();
    double in2 = 0.0, out2 = 0.0;
    for (int n = 0; n < kSettle + kWindow; ++n) {
        const double x = std::sin(2.0 * kPi * f * n / fs);
        const double out = boost ? x + K * stage.cal_boost(x)
                                 : (x - K * stage.cal_cut()) / (1.0 + stage.gainedC2());
        stage.dlyupdate_bpf(boost ? x : out);
        if (n >= kSettle) {
            in2 += x * x;
            out2 += out * out;
        }
    }
    return 10.0 * std::log10(out2 / in2);
}

std::vector<double> coefficientsOf(const FILTER &filter)
{
    std::vector<double> all;
    for (long k = 0; const double *c = filter.coefficients(k); ++k)
        all.insert(all.end(), c, c + 5);
    if (const double *first = filter.firstOrderCoefficients())
        all.insert(all.end(), first, first + 3);
    return all;
}

} // namespace

class TestFilter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void singleBiquadDesigns_data();
    void singleBiquadDesigns();
    void dispatchersChooseTheVariant();
    void butterworth_data();
    void butterworth();
    void openDesigns_data();
    void openDesigns();
    void bandTransformSteps();
    void onePoleSmoothers();

    void peqCentreGainAndMirroredCut();
    void peqQCorrection_data();
    void peqQCorrection();
    void peqProcessingFollowsItsPower();
    void peqCopyAndSections();

    void delaysPrechargeAndSurviveSameOrderRedesigns();
    void stagesAndCopies();
    void orderLimits();
    void badDesignInputLeavesTheFilterAsItWas();
    void badPeqInputLeavesTheStageAsItWas();

    void freeFunctions();
    void getFSidSplitsAtGeometricMeans();
};

void TestFilter::singleBiquadDesigns_data()
{
    QTest::addColumn<int>("shape");
    QTest::addColumn<double>("f0");
    QTest::addColumn<double>("fs");
    QTest::addColumn<double>("gainDb");
    QTest::addColumn<double>("Q");
    const double points[][3] = {{120.0, 9.0, 0.7}, {1500.0, 3.5, 2.0}, {9000.0, 15.0, 6.0}};
    for (int s = 0; s < int(std::size(kShapes)); ++s) {
        for (double fs : {44100.0, 96000.0})
            for (const auto &p : points)
                for (double g : {p[1], -p[1]})
                    if (g > 0.0 || kShapes[s].plateau != Plateau::None)
                        QTest::addRow("%s %g Hz %g dB Q %g at %g", kShapes[s].name, p[0], g, p[2],
                                      fs)
                                << s << p[0] << fs << g << p[2];
        QTest::addRow("%s flat", kShapes[s].name) << s << 1000.0 << 48000.0 << 0.0 << 1.0;
    }
}

void TestFilter::singleBiquadDesigns()
{
    QFETCH(int, shape);
    QFETCH(double, f0);
    QFETCH(double, fs);
    QFETCH(double, gainDb);
    QFETCH(double, Q);
    const Shape &s = kShapes[shape];
    FILTER filter(5); // the designers re-order it
    const auto *peak = std::get_if<0>(&s.design);
    const auto three = peak ? nullptr : std::get<1>(s.design);
    QVERIFY(peak                                 ? (filter.**peak)(f0, fs, gainDb, Q)
                    : s.plateau == Plateau::None ? (filter.*three)(f0, fs, Q)
                                                 : (filter.*three)(f0, gainDb, fs));
    QCOMPARE(filter.order(), 2L);
    const std::vector<double> impulse = impulseResponse(filter);
    for (double f : probeFrequencies(f0, fs)) {
        checkResponse(filter, impulse, f, fs,
                      s.prototype(Complex(0.0, warped(f, f0, fs)), gainDb, Q));
        if (QTest::currentTestFailed())
            return;
    }
    // The test's own prototypes reach the gain where the shape says.
    const double plateau = s.plateau == Plateau::Centre ? f0
            : s.plateau == Plateau::Dc                  ? 1e-3
                                                        : 0.5 * fs;
    QVERIFY(s.plateau == Plateau::None || std::abs(filter.power(plateau, fs) - gainDb) < 1e-6);
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
    const Dispatch dispatchers[] = {{&FILTER::setCoefLOWS, &FILTER::setCoefLOWS_A,
                                     &FILTER::setCoefLOWS_B, &FILTER::setCoefLOWS},
                                    {&FILTER::setCoefLOWS_2, &FILTER::setCoefLOWS_2A,
                                     &FILTER::setCoefLOWS_2B, &FILTER::setCoefLOWS_2},
                                    {&FILTER::setCoefHIGS, &FILTER::setCoefHIGS_A,
                                     &FILTER::setCoefHIGS_B, &FILTER::setCoefHIGS},
                                    {&FILTER::setCoefHIGS_2, &FILTER::setCoefHIGS_2A,
                                     &FILTER::setCoefHIGS_2B, &FILTER::setCoefHIGS_2}};
    const auto design = [](Designer d) {
        FILTER f;
        (f.*d)(800.0, -7.0, 48000.0);
        return coefficientsOf(f);
    };
    const auto chosen = [](Variant d, short v) {
        FILTER f;
        (f.*d)(800.0, -7.0, 48000.0, v);
        return coefficientsOf(f);
    };
    for (const Dispatch &d : dispatchers) {
        QVERIFY(design(d.a) != design(d.b));
        QCOMPARE(design(d.plain), design(d.b));
        QCOMPARE(chosen(d.chosen, 1), design(d.b));
        QCOMPARE(chosen(d.chosen, 0), design(d.a));
        QCOMPARE(chosen(d.chosen, 2), design(d.a));
    }
}

void TestFilter::butterworth_data()
{
    QTest::addColumn<bool>("highPass");
    QTest::addColumn<long>("order");
    QTest::addColumn<double>("f0");
    QTest::addColumn<double>("fs");
    for (bool highPass : {true, false})
        for (long n = 1; n <= 8; ++n)
            for (const auto &p : {std::make_pair(250.0, 44100.0), std::make_pair(3000.0, 48000.0),
                                  std::make_pair(12000.0, 96000.0)})
                QTest::addRow("%s order %ld, %g Hz at %g", highPass ? "HPF" : "LPF", n, p.first,
                              p.second)
                        << highPass << n << p.first << p.second;
}

// |H|² = Ω²ⁿ/(1 + Ω²ⁿ) or 1/(1 + Ω²ⁿ); the phase from the textbook factors
// s² + 2·sin((2k+1)π/(2n))·s + 1 and, for odd n, s + 1.
void TestFilter::butterworth()
{
    QFETCH(bool, highPass);
    QFETCH(long, order);
    QFETCH(double, f0);
    QFETCH(double, fs);
    FILTER filter;
    QVERIFY(highPass ? filter.setCoefHPF(order, f0, fs) : filter.setCoefLPF(order, f0, fs));
    QCOMPARE(filter.order(), order);
    QCOMPARE(filter.firstOrder(), order % 2);
    QVERIFY(std::abs(filter.power(f0, fs) - kHalfPowerDb) <= kTolerance);
    const std::vector<double> impulse = impulseResponse(filter);
    for (double f : probeFrequencies(f0, fs)) {
        const double w = warped(f, f0, fs), w2n = std::pow(w, 2.0 * double(order));
        QVERIFY(std::abs(filter.power(f, fs)
                         - 10.0 * std::log10((highPass ? w2n : 1.0) / (1.0 + w2n)))
                <= kTolerance);
        const Complex s(0.0, w), top = highPass ? s : 1.0;
        Complex h = 1.0;
        for (long k = 0; k < order / 2; ++k)
            h *= top * top / (s * s + 2.0 * std::sin((2 * k + 1) * kPi / (2.0 * order)) * s + 1.0);
        const Complex first = order % 2 ? top / (s + 1.0) : 1.0;
        checkResponse(filter, impulse, f, fs, h * first, first);
        if (QTest::currentTestFailed())
            return;
    }
}

void TestFilter::openDesigns_data()
{
    QTest::addColumn<int>("design");
    QTest::addColumn<long>("n");
    QTest::addColumn<double>("f1");
    QTest::addColumn<double>("f2");
    QTest::addColumn<double>("fs");
    QTest::addColumn<double>("parameterDb");
    // Per design: f1, f2 (band designs), fs and the ripple or stop-band depth.
    const double settings[][4] = {{2000.0, 0.0, 48000.0, 0.5},    {800.0, 0.0, 44100.0, 2.0},
                                  {6000.0, 0.0, 96000.0, 40.0},   {300.0, 0.0, 48000.0, 60.0},
                                  {500.0, 2000.0, 48000.0, 0.0},  {1000.0, 4000.0, 44100.0, 1.0},
                                  {700.0, 3000.0, 48000.0, 50.0}, {400.0, 1600.0, 48000.0, 0.0},
                                  {2000.0, 8000.0, 96000.0, 0.5}, {900.0, 2500.0, 48000.0, 45.0}};
    const long orders[][3] = {{1, 4, 7}, {1, 2, 5}}; // low/high-pass, band designs
    for (int d = 0; d < int(std::size(kOpenDesigns)); ++d) {
        for (long n : orders[kOpenDesigns[d].kind >= Kind::BandPass])
            QTest::addRow("%s %ld", kOpenDesigns[d].name, n)
                    << d << n << settings[d][0] << settings[d][1] << settings[d][2]
                    << settings[d][3];
    }
}

void TestFilter::openDesigns()
{
    QFETCH(int, design);
    QFETCH(long, n);
    QFETCH(double, f1);
    QFETCH(double, f2);
    QFETCH(double, fs);
    QFETCH(double, parameterDb);
    const OpenDesign &d = kOpenDesigns[design];
    const bool band = d.kind >= Kind::BandPass;
    FILTER filter;
    if (const auto *four = std::get_if<0>(&d.design))
        QVERIFY(band ? (filter.**four)(n, f1, f2, fs) : (filter.**four)(n, f1, fs, parameterDb));
    else
        QVERIFY((filter.*std::get<1>(d.design))(n, f1, f2, fs, parameterDb));
    QCOMPARE(filter.order(), band ? 2 * n : n);

    // The textbook magnitude over the whole range, and the impulse response above the DFT's floor.
    const std::vector<double> impulse = impulseResponse(filter);
    for (double f = 0.003 * fs; f < 0.49 * fs; f *= 1.07) {
        const double reference = 10.0
                * std::log10(prototypePower(d.family, n, parameterDb,
                                            prototypeX(d.kind, f, f1, f2, fs)));
        if (reference < -150.0)
            continue;
        QVERIFY2(std::abs(filter.power(f, fs) - reference) <= kOpenDesignToleranceDb,
                 qPrintable(QString::number(f)));
        if (reference > kDftFloorDb)
            QVERIFY(std::abs(filter.power(f, fs) - dbOf(dft(impulse, f, fs)))
                    <= kOpenDesignToleranceDb);
    }
    // Ripple or stop-band depth at the edges, gain at the centre or at DC.
    const double edgeDb = d.family == Family::Butterworth ? kHalfPowerDb : -parameterDb;
    QVERIFY(std::abs(filter.power(f1, fs) - edgeDb) < kOpenDesignToleranceDb);
    QVERIFY(!band || std::abs(filter.power(f2, fs) - edgeDb) < kOpenDesignToleranceDb);
    const double passDb = d.family == Family::Chebyshev && n % 2 == 0 ? -parameterDb : 0.0;
    const double centre =
            fs / kPi * std::atan(std::sqrt(std::tan(kPi * f1 / fs) * std::tan(kPi * f2 / fs)));
    if (d.kind == Kind::BandPass)
        QVERIFY(std::abs(filter.power(centre, fs) - passDb) < kTolerance);
    if (d.kind == Kind::BandStop) {
        QVERIFY(std::abs(filter.power(0.0, fs) - passDb) < kTolerance);
        QVERIFY(d.family == Family::InverseChebyshev || filter.power(centre, fs) <= -100.0);
    }
}

// The band transformation s → (s² + W0²)/(B·s), multiplied out again.
void TestFilter::bandTransformSteps()
{
    const double B = 0.3, w0sq = 0.8;
    // Prototypes s² + p·s + q with complex roots (1, 1.2) and with the real roots −1, −2 (3, 2).
    for (const auto &pq : {std::make_pair(1.0, 1.2), std::make_pair(3.0, 2.0)}) {
        const double p = pq.first, q = pq.second;
        double d[4];
        FILTER::BuboCoefTrans(p, q, B, w0sq, d);
        // (s² + W0²)² + p·B·s·(s² + W0²) + q·B²·s²: coefficients of s³, s², s, 1.
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

// The one-pole forms as written: a/(1 − (1−a)·z⁻¹) and k·(1 − z⁻¹)/(1 − k·z⁻¹) with k = 1 − a/2,
// both switching a fresh order-2 filter to order 1.
void TestFilter::onePoleSmoothers()
{
    const double fs = 44100.0;
    for (double fc : {30.0, 900.0, 15000.0}) {
        const double a = 1.0 - std::exp(-2.0 * kPi * fc / fs), k = 1.0 - 0.5 * a;
        FILTER lowPass, highPass;
        QVERIFY(lowPass.setDcfLPF(fc, fs) && highPass.setDcfHPF(fc, fs));
        QCOMPARE(lowPass.order(), 1L);
        QCOMPARE(highPass.order(), 1L);
        QCOMPARE(highPass.power(0.0, fs), -100.0);
        const std::vector<double> hLow = impulseResponse(lowPass),
                                  hHigh = impulseResponse(highPass);
        for (double f : {0.1 * fc, fc, std::min(4.0 * fc, 0.45 * fs)}) {
            const Complex zInv = std::polar(1.0, -2.0 * kPi * f / fs);
            QVERIFY(std::abs(lowPass.power(f, fs) - dbOf(a / (1.0 - (1.0 - a) * zInv)))
                    < kTolerance);
            QVERIFY(std::abs(highPass.power(f, fs) - dbOf(k * (1.0 - zInv) / (1.0 - k * zInv)))
                    < kTolerance);
            QVERIFY(std::abs(lowPass.power(f, fs) - dbOf(dft(hLow, f, fs))) < kTolerance);
            QVERIFY(std::abs(highPass.power(f, fs) - dbOf(dft(hHigh, f, fs))) < kTolerance);
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
            QVERIFY(std::abs(K - (vAbs(g) - 1.0)) < 1e-12);
            QVERIFY(std::abs(stage.gainedC2() - K * stage.coefficients()[2]) < 1e-15);
            QVERIFY(std::abs((g < 0.0 ? stage.power_cut(1000.0, fs, K)
                                      : stage.power_boost(1000.0, fs, K))
                             - g)
                    < kTolerance);
            for (double f = 20.0; f < 0.49 * fs; f *= 1.3) {
                QVERIFY(std::abs(stage.power_cut(f, fs, K) + stage.power_boost(f, fs, K)) < 1e-12);
                const Complex s(0.0, warped(f, 1000.0, fs));
                QVERIFY(std::abs(stage.response_bpf(f, fs) - (s / 2.0) / (s * s + s / 2.0 + 1.0))
                        < 1e-12);
            }
        }
    }
}

void TestFilter::peqQCorrection_data()
{
    QTest::addColumn<double>("f");
    QTest::addColumn<double>("fs");
    QTest::addColumn<double>("Q");
    const double Q = 400.0; // high enough for the factor to fall below 1 at every corner
    for (double fs : {44100.0, 48000.0, 88200.0, 96000.0}) {
        const double corner = fs < 88200.0 ? 2000.0 : 4000.0;
        QTest::addRow("at the corner, %g", fs) << corner << fs << Q;
        QTest::addRow("above the corner, %g", fs) << corner + 1.0 << fs << Q;
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
        QVERIFY(std::abs(stage.response_bpf(m * f, fs) - (s / q) / (s * s + s / q + 1.0)) < 1e-9);
    }
}

void TestFilter::peqProcessingFollowsItsPower()
{
    const double fs = 48000.0;
    for (double g : {12.0, -12.0, 3.0, -18.0}) {
        for (double f0 : {400.0, 5000.0}) {
            FILTER2PEQ stage;
            QVERIFY(stage.setCoefBPF_C(f0, fs, f0 > 1000.0 ? 4.0 : 0.7, g));
            const double K = stage.gainFactor();
            for (double f : {100.0, 390.0, 1000.0, 5000.0, 12000.0}) {
                const double expected =
                        g > 0.0 ? stage.power_boost(f, fs, K) : stage.power_cut(f, fs, K);
                QVERIFY(std::abs(measuredStageDb(stage, f, fs, g > 0.0) - expected) < 0.01);
            }
        }
    }
}

void TestFilter::peqCopyAndSections()
{
    FILTER2PEQ left, right;
    QVERIFY(left.setCoefBPF_C(2500.0, 48000.0, 1.5, -9.0));
    for (int n = 0; n < 10; ++n)
        left.dlyupdate_bpf(1.0);
    right.setCoefByCopy(&left);
    right.setCoefByCopy(nullptr);
    QCOMPARE(right.mode(), left.mode());
    QCOMPARE(right.gainedC2(), left.gainedC2());
    QCOMPARE(right.response_bpf(3000.0, 48000.0), left.response_bpf(3000.0, 48000.0));
    QCOMPARE(right.cal_cut(), 0.0); // its own delays
    QVERIFY(left.cal_cut() != 0.0);

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
        QVERIFY(std::abs(bare.power_boost(1000.0, 48000.0, bare.gainFactor()) - 6.0) < kTolerance);
    }
}

void TestFilter::delaysPrechargeAndSurviveSameOrderRedesigns()
{
    // setDelay(v) on unity-DC low-passes: a constant v comes out as v from the first sample.
    const double v = 0.37;
    for (long order = 1; order <= 6; ++order) {
        FILTER filter;
        QVERIFY(filter.setCoefLPF(order, 700.0, 48000.0));
        filter.setDelay(v);
        for (int n = 0; n < 100; ++n)
            QVERIFY(std::abs(filter.cal(v) - v) < 1e-12);
    }
    FILTER filter;
    QVERIFY(filter.setDcfLPF(5.0, 48000.0));
    filter.setDelay(-2.0);
    QVERIFY(std::abs(filter.cal(-2.0) + 2.0) < 1e-12);

    // A redesign at the same order keeps the settled delays; another order clears them.
    QVERIFY(filter.setCoefLPF(4, 300.0, 48000.0));
    filter.setDelay(v);
    QVERIFY(filter.setCoefLPF(4, 3000.0, 48000.0));
    QVERIFY(std::abs(filter.cal(v) - v) < 1e-12);
    QVERIFY(filter.setCoefLPF(3, 3000.0, 48000.0));
    QVERIFY(std::abs(filter.cal(v) - v) > 0.5 * v);

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
    const std::vector<double> none = impulseResponse(filter, 1), one = impulseResponse(filter, 3);
    for (double f : {300.0, 1000.0, 5000.0}) {
        const Complex s(0.0, warped(f, f0, fs)), first = s / (s + 1.0);
        const Complex biquad = s * s / (s * s + 2.0 * std::sin(kPi / 10.0) * s + 1.0);
        QVERIFY(std::abs(dbOf(dft(none, f, fs)) - dbOf(first)) < kTolerance);
        QVERIFY(std::abs(dbOf(dft(one, f, fs)) - dbOf(biquad * first)) < kTolerance);
    }
    // More stages than present run the whole cascade; copies continue on their own.
    filter.clearDelay();
    FILTER copy = filter;
    for (int n = 0; n < 50; ++n)
        QCOMPARE(filter.cal(40L, std::sin(0.1 * n)), copy.cal(std::sin(0.1 * n)));
    FILTER assigned;
    assigned = copy;
    FILTER moved = std::move(copy);
    QCOMPARE(copy.order(), 0L);
    QCOMPARE(copy.cal(0.5), 0.5);
    for (int n = 0; n < 50; ++n)
        QCOMPARE(assigned.cal(double(n % 3)), moved.cal(double(n % 3)));
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
    QVERIFY(!filter.setCoefLPF(FILTER::MaxOrder + 1, 5000.0, 48000.0));
    QVERIFY(!filter.setCoefBPF(FILTER::MaxOrder / 2 + 1, 1000.0, 2000.0, 48000.0));

    // The longest cascade deep in its stop band, where a plain product of the sections would
    // underflow: the phase is still the sum of the textbook factors' phases.
    const long n = FILTER::MaxOrder - 2;
    QVERIFY(filter.setCoefHPF(n, 10000.0, 48000.0));
    const Complex s(0.0, warped(0.01, 10000.0, 48000.0));
    double expected = 0.0;
    for (long k = 0; k < n / 2; ++k)
        expected +=
                std::arg(s * s / (s * s + 2.0 * std::sin((2 * k + 1) * kPi / (2.0 * n)) * s + 1.0));
    QVERIFY(phaseDifference(filter.phase(0.01, 48000.0), expected) < 1e-6);
    QVERIFY(std::abs(filter.power(10000.0, 48000.0) - kHalfPowerDb) < kTolerance);
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
            {"coefficient infinite", [](FILTER &f) { return f.setDcfLPF(HUGE_VAL); }},
            {"peak overflows", [=](FILTER &f) { return f.setCoefPDFPQ(1000.0, fs, 1e5, 1.0); }},
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
    // Evaluation with an unusable rate or frequency reads the floor.
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
    const float rates[] = {44100.0f, 48000.0f, 88200.0f, 96000.0f};
    for (int i = 0; i < VALID_FS_SIZE; ++i)
        QCOMPARE(validFS[i],
                 i < VALID_FS_RATES ? rates[i] : std::ldexp(1.0f, i - VALID_FS_RATES - 16));

    // ExpLinCoef: the ends, clamping and NaN, the joins, and the bounds of a linear interpolation
    // of 2^(16x − 16) between its powers of two (never below the curve, at most 6.2 % above).
    const float floor = std::ldexp(1.0f, -16), nan = std::numeric_limits<float>::quiet_NaN();
    QCOMPARE(ExpLinCoef(0.0f), floor);
    QCOMPARE(ExpLinCoef(1.0f), 1.0f);
    QCOMPARE(ExpLinCoef(-3.0f), floor);
    QCOMPARE(ExpLinCoef(7.0f), 1.0f);
    QCOMPARE(ExpLinCoef(nan), floor);
    for (int i = 1; i < 16; ++i) {
        const float join = float(i) / 16.0f;
        QCOMPARE(ExpLinCoef(join), std::ldexp(1.0f, i - 16));
        QVERIFY(std::abs(ExpLinCoef(std::nextafter(join, 0.0f)) / ExpLinCoef(join) - 1.0f) < 1e-5f);
    }
    for (float x = 0.0f; x <= 1.0f; x += 0.0037f) {
        const double curve = std::exp2(16.0 * x - 16.0), value = ExpLinCoef(x);
        QVERIFY(value >= curve * (1.0 - 1e-6) && value <= curve * 1.062);
    }

    for (int n : {1, 2, 7, 128, 1000})
        QCOMPARE(float2int(1.0f, n), n - 1);
    QCOMPARE(float2int(0.5f, 10), 5);
    QCOMPARE(float2int(0.999f, 10), 9);
    QCOMPARE(float2int(-0.3f, 10), -3);
    QCOMPARE(float2int(nan, 10), 0);
    QCOMPARE(float2int(1e30f, 10), 9);
    QCOMPARE(float2int(-1e30f, 10), std::numeric_limits<int>::min());
    QCOMPARE(float2lin(0.25f, 10.0f, 20.0f), 12.5f);
    QCOMPARE(float2lin(1.0f, -6.0f, 18.0f), 18.0f);

    // float2expz against its defining formula; 0 → 0 and 1 → 1; x itself without a range.
    for (float r : {-20.0f, 6.0f, 40.0f, 96.0f}) {
        const double low = std::pow(10.0, -r / 20.0);
        for (float x = 0.0f; x <= 1.0f; x += 0.125f)
            QVERIFY(std::abs(float2expz(x, r)
                             - (std::pow(10.0, r * (x - 1.0) / 20.0) - low) / (1.0 - low))
                    < 1e-6);
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
    for (int id = 0; id < 3; ++id) {
        const double mean = std::sqrt(double(validFS[id]) * validFS[id + 1]);
        const float below =
                double(float(mean)) < mean ? float(mean) : std::nextafter(float(mean), 0.0f);
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
