// Digital filter toolkit: every design against two references that share no code with the
// filter's own evaluation (the DFT of the impulse response that cal() produces, and the analog
// prototype at the pre-warped frequency, or the textbook magnitude of the open designs), the
// parallel peaking stage and its processing, state handling and bad input.

#include "filter.h"
#include "filterPEQ.h"

#include <QtTest>

#include <array>
#include <climits>
#include <cmath>
#include <complex>
#include <functional>
#include <limits>
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

// s = jΩ with Ω = tan(π·f/fs) / tan(π·f0/fs): where the bilinear transform meets the analog
// prototype (or 1/s, for a high-pass made from a low-pass prototype).
Complex sAt(double f, double f0, double fs, bool inverted = false)
{
    const Complex s(0.0, std::tan(kPi * f / fs) / std::tan(kPi * f0 / fs));
    return inverted ? 1.0 / s : s;
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

// --- The single-biquad designers with their argument orders and prototypes ---

enum Plateau { Centre, Dc, Nyquist, None }; // where the response reaches the gain

// The designer: (f, fs, gain, Q) for the peaking shapes, (f, gain, fs) for the shelves and
// (f, fs, Q) for the shapes without a gain.
struct Shape
{
    const char *name;
    Plateau plateau;
    bool (FILTER::*peak)(double, double, double, double);
    bool (FILTER::*three)(double, double, double);
};

const Shape kShapes[] = {
        {"PDFPQ", Centre, &FILTER::setCoefPDFPQ, nullptr},
        {"PDFCQ", Centre, &FILTER::setCoefPDFCQ, nullptr},
        {"LOWS_A", Dc, nullptr, &FILTER::setCoefLOWS_A},
        {"LOWS_B", Dc, nullptr, &FILTER::setCoefLOWS_B},
        {"HIGS_A", Nyquist, nullptr, &FILTER::setCoefHIGS_A},
        {"HIGS_B", Nyquist, nullptr, &FILTER::setCoefHIGS_B},
        {"LOWS_2A", Dc, nullptr, &FILTER::setCoefLOWS_2A},
        {"LOWS_2B", Dc, nullptr, &FILTER::setCoefLOWS_2B},
        {"HIGS_2A", Nyquist, nullptr, &FILTER::setCoefHIGS_2A},
        {"HIGS_2B", Nyquist, nullptr, &FILTER::setCoefHIGS_2B},
        {"LPFQfct", None, nullptr, &FILTER::setCoefLPFQfct},
        {"BPFQfct", None, nullptr, &FILTER::setCoefBPFQfct},
        {"BPF_Q", None, nullptr, &FILTER::setCoefBPF_Q},
};

// The analog prototype of kShapes[shape] at s for a boost of |g| dB and quality Q, where
// V = 10^(|g|/20); every shape with a gain cuts by the inverse of its boost.
Complex prototype(int shape, Complex s, double g, double Q)
{
    const double V = std::pow(10.0, std::abs(g) / 20.0), r2 = std::sqrt(2.0),
                 rV = std::sqrt(2.0 * V);
    const Complex s2 = s * s, resonance = s2 + s / Q + 1.0, butterworth = s2 + r2 * s + 1.0;
    const Complex boost = shape == 0 ? (s2 + V * s / Q + 1.0) / resonance
            : shape == 1             ? resonance / (s2 + s / (Q * V) + 1.0)
            : shape == 2             ? (s + V) / (s + 1.0)
            : shape == 3             ? V * (s + 1.0) / (V * s + 1.0)
            : shape == 4             ? (V * s + 1.0) / (s + 1.0)
            : shape == 5             ? V * (s + 1.0) / (s + V)
            : shape == 6             ? (s2 + rV * s + V) / butterworth
            : shape == 7             ? butterworth / (s2 + r2 * s / std::sqrt(V) + 1.0 / V)
            : shape == 8             ? (V * s2 + rV * s + 1.0) / butterworth
            : shape == 9             ? V * butterworth / (s2 + rV * s + V)
            : shape == 10            ? 1.0 / resonance
            : shape == 11            ? s / resonance
                                     : s / Q / resonance;
    return g < 0.0 ? 1.0 / boost : boost;
}

// The Butterworth low-pass prototype at s: 1/∏(s² + 2·sin((2k+1)π/(2n))·s + 1) and, for odd n,
// 1/(s + 1); the high-pass is the same at 1/s. With `firstOnly` the first-order section alone.
Complex butterworth(long n, Complex s, bool firstOnly = false)
{
    Complex h = n % 2 ? 1.0 / (s + 1.0) : 1.0;
    for (long k = 0; !firstOnly && k < n / 2; ++k)
        h /= s * s + 2.0 * std::sin((2 * k + 1) * kPi / (2.0 * n)) * s + 1.0;
    return h;
}

// --- The open designs and the textbook magnitudes of their low-pass prototypes ---

enum Family { Butterworth, Chebyshev, Inverse }; // Inverse: inverse Chebyshev
enum Kind { LowPass, HighPass, BandPass, BandStop };

double chebyshevT(long n, double x)
{
    return std::abs(x) <= 1.0 ? std::cos(double(n) * std::acos(x))
                              : std::cosh(double(n) * std::acosh(std::abs(x)));
}

// |H|² at the normalised prototype frequency x (band edge at 1).
double prototypePower(Family family, long n, double parameterDb, double x)
{
    const double t = chebyshevT(n, x), e2 = std::pow(10.0, parameterDb / 10.0) - 1.0;
    if (family == Butterworth)
        return 1.0 / (1.0 + std::pow(std::abs(x), 2.0 * double(n)));
    if (family == Chebyshev)
        return 1.0 / (1.0 + e2 * t * t);
    const double ti = x == 0.0 ? HUGE_VAL : chebyshevT(n, 1.0 / x);
    return std::isinf(ti) ? 1.0 : ti * ti / (e2 + ti * ti);
}

// A design with the settings it is checked at: f1, f2 (band designs), fs and the ripple or
// stop-band depth p.
struct OpenDesign
{
    const char *name;
    Family family;
    Kind kind;
    // (n, f1, f2, fs) for the band designs without a parameter, (n, f, fs, p) for low- and
    // high-pass, (n, f1, f2, fs, p) for the other band designs.
    bool (FILTER::*four)(long, double, double, double);
    bool (FILTER::*five)(long, double, double, double, double);
    double f1, f2, fs, p;
};

const OpenDesign kOpenDesigns[] = {
        {"LPFChev", Chebyshev, LowPass, &FILTER::setCoefLPFChev, nullptr, 2000, 0, 48000, 0.5},
        {"HPFChev", Chebyshev, HighPass, &FILTER::setCoefHPFChev, nullptr, 800, 0, 44100, 2},
        {"LPFIChev", Inverse, LowPass, &FILTER::setCoefLPFIChev, nullptr, 6000, 0, 96000, 40},
        {"HPFIChev", Inverse, HighPass, &FILTER::setCoefHPFIChev, nullptr, 300, 0, 48000, 60},
        {"BPF", Butterworth, BandPass, &FILTER::setCoefBPF, nullptr, 500, 2000, 48000, 0},
        {"BPFChev", Chebyshev, BandPass, nullptr, &FILTER::setCoefBPFChev, 1000, 4000, 44100, 1},
        {"BPFIChev", Inverse, BandPass, nullptr, &FILTER::setCoefBPFIChev, 700, 3000, 48000, 50},
        {"BEF", Butterworth, BandStop, &FILTER::setCoefBEF, nullptr, 400, 1600, 48000, 0},
        {"BEFChev", Chebyshev, BandStop, nullptr, &FILTER::setCoefBEFChev, 2000, 8000, 96000, 0.5},
        {"BEFIChev", Inverse, BandStop, nullptr, &FILTER::setCoefBEFIChev, 900, 2500, 48000, 45},
};

// The prototype frequency f maps to: Ω/Ωc, Ωc/Ω, (Ω² − Ω0²)/(BΩ) or BΩ/(Ω0² − Ω²).
double prototypeX(Kind kind, double f, double f1, double f2, double fs)
{
    const double w = std::tan(kPi * f / fs), w1 = std::tan(kPi * f1 / fs);
    const double w2 = std::tan(kPi * f2 / fs), B = w2 - w1, w0sq = w1 * w2;
    if (kind == LowPass || kind == HighPass)
        return kind == LowPass ? w / w1 : w1 / w;
    return kind == BandPass ? (w * w - w0sq) / (B * w) : B * w / (w0sq - w * w);
}

// One design and its reference: the response the design must have at each probe frequency
// (power within tolerance, and the phase where the reference knows it, leaving out the part
// phase() leaves out), and the levels it must reach at some frequencies.
struct Case
{
    std::function<bool(FILTER &)> design;
    long order;
    double fs;
    std::function<Complex(double f)> reference;
    std::vector<double> probes;
    // (f, dB): within 1e-6 dB of that level, or at or below the floor where dB is -inf
    std::vector<std::pair<double, double>> levels = {};
    double tolerance = kTolerance;
    bool phase = true;
    std::function<Complex(double f)> leftOut = [](double) { return Complex(1.0); };
};

// Probe frequencies around f0 (those from 0.49·fs up are left out).
std::vector<double> around(double f0)
{
    return {0.31 * f0, 0.72 * f0, f0, 1.43 * f0, 3.1 * f0};
}

// The parallel stage's Q correction, written out per rate band: the corner above which it
// applies and the factor's A, B and C below 48 kHz, to 88.2 kHz, to 96 kHz and from 96 kHz.
double expectedCorrectedQ(double f, double fs, double Q)
{
    const double bands[4][4] = {{2000.0, 1.25513, 0.0301, 4.817e-05},
                                {2000.0, 1.25686, 0.02143, 4.103e-05},
                                {4000.0, 1.29486, 0.0317, 2.462e-05},
                                {4000.0, 1.21531, 0.02382, 2.004e-05}};
    const double *b = bands[(fs >= 48000.0) + (fs >= 88200.0) + (fs >= 96000.0)];
    const double factor = b[1] - b[2] * std::log2(Q) - b[3] * f;
    return f <= b[0] || factor > 1.0 ? Q : std::max(0.1, Q * factor);
}

// The parallel stage's impulse response through its processing loop: the input plus K times
// the band-pass for a boost; for a cut the input less K times the band-pass of the output,
// solved for the output.
std::vector<double> stageImpulse(FILTER2PEQ &stage, bool boost)
{
    const double K = stage.gainFactor();
    stage.clearDelay();
    std::vector<double> h;
    for (int n = 0; n < 1 << 16; ++n) {
        const double x = n == 0 ? 1.0 : 0.0;
        h.push_back(boost ? x + K * stage.cal_boost(x)
                          : (x - K * stage.cal_cut()) / (1.0 + stage.gainedC2()));
        stage.dlyupdate_bpf(boost ? x : h.back());
    }
    return h;
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

Q_DECLARE_METATYPE(Case)

class TestFilter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void designsFollowTheirReferences_data();
    void designsFollowTheirReferences();
    void stateStagesAndTheParallelStage();
    void badInputAndFreeFunctions();
};

void TestFilter::designsFollowTheirReferences_data()
{
    QTest::addColumn<Case>("c");
    // The single biquads at three settings, boosting and cutting (those with a gain), and flat;
    // the test's own prototypes reach the gain where the shape says.
    const auto biquad = [](int shape, double f0, double fs, double g, double Q) {
        const Shape s = kShapes[shape];
        const bool gainless = s.plateau == None;
        const auto design = [=](FILTER &f) {
            return s.peak ? (f.*s.peak)(f0, fs, g, Q)
                          : (f.*s.three)(f0, gainless ? fs : g, gainless ? Q : fs);
        };
        Case c {design, 2, fs, [=](double f) { return prototype(shape, sAt(f, f0, fs), g, Q); },
                around(f0)};
        const double plateau[] = {f0, 1e-3, fs / 2};
        if (!gainless)
            c.levels = {{plateau[int(s.plateau)], g}};
        return c;
    };
    const double points[][3] = {{120.0, 9.0, 0.7}, {1500.0, 3.5, 2.0}, {9000.0, 15.0, 6.0}};
    for (int s = 0; s < int(std::size(kShapes)); ++s) {
        for (double fs : {44100.0, 96000.0})
            for (const auto &p : points)
                for (double g : {p[1], -p[1]})
                    if (g > 0.0 || kShapes[s].plateau != None)
                        QTest::addRow("%s %g Hz %g dB Q %g at %g", kShapes[s].name, p[0], g, p[2],
                                      fs)
                                << biquad(s, p[0], fs, g, p[2]);
        QTest::addRow("%s flat", kShapes[s].name) << biquad(s, 1000.0, 48000.0, 0.0, 1.0);
    }
    // The shelf dispatchers: the plain form is variant B; variant 1 picks B, any other A.
    using Plain = bool (FILTER::*)(double, double, double);
    using Chosen = bool (FILTER::*)(double, double, double, short);
    const std::pair<Plain, Chosen> dispatchers[] = {
            {&FILTER::setCoefLOWS, &FILTER::setCoefLOWS},
            {&FILTER::setCoefHIGS, &FILTER::setCoefHIGS},
            {&FILTER::setCoefLOWS_2, &FILTER::setCoefLOWS_2},
            {&FILTER::setCoefHIGS_2, &FILTER::setCoefHIGS_2}};
    for (int d = 0; d < 4; ++d) {
        for (int v : {-1, 0, 1, 2}) {
            Case c = biquad(2 + 2 * d + (v == 1 || v < 0), 800.0, 48000.0, -7.0, 1.0);
            c.design = [v, p = dispatchers[d]](FILTER &f) {
                return v < 0 ? (f.*p.first)(800, -7, 48000) : (f.*p.second)(800, -7, 48000, v);
            };
            QTest::addRow("dispatcher %d, variant %d", d, v) << c;
        }
    }
    // Butterworth high- and low-pass; phase() leaves out the first-order section.
    for (bool hp : {true, false}) {
        for (long n = 1; n <= 8; ++n) {
            for (const auto &p : {std::make_pair(250.0, 44100.0), std::make_pair(3000.0, 48000.0),
                                  std::make_pair(12000.0, 96000.0)}) {
                const double f0 = p.first, fs = p.second;
                const auto design = [=](FILTER &f) {
                    return hp ? f.setCoefHPF(n, f0, fs) : f.setCoefLPF(n, f0, fs);
                };
                const auto reference = [=](double f) { return butterworth(n, sAt(f, f0, fs, hp)); };
                Case c {design, n, fs, reference, around(f0)};
                c.leftOut = [=](double f) { return butterworth(n, sAt(f, f0, fs, hp), true); };
                QTest::addRow("%s order %ld, %g Hz at %g", hp ? "HPF" : "LPF", n, f0, fs) << c;
            }
        }
    }
    // The open designs against the textbook magnitude over the whole range, then the level at
    // the edges, and at the centre or at DC.
    for (const OpenDesign &d : kOpenDesigns) {
        const bool band = d.kind >= BandPass;
        const double edge = d.family == Butterworth ? kHalfPowerDb : -d.p;
        const double centre = d.fs / kPi
                * std::atan(std::sqrt(std::tan(kPi * d.f1 / d.fs) * std::tan(kPi * d.f2 / d.fs)));
        for (long n : {1L, band ? 2L : 4L, band ? 5L : 7L}) {
            const auto design = [=](FILTER &f) {
                return d.five  ? (f.*d.five)(n, d.f1, d.f2, d.fs, d.p)
                        : band ? (f.*d.four)(n, d.f1, d.f2, d.fs)
                               : (f.*d.four)(n, d.f1, d.fs, d.p);
            };
            const auto reference = [=](double f) {
                const double x = prototypeX(d.kind, f, d.f1, d.f2, d.fs);
                return std::sqrt(prototypePower(d.family, n, d.p, x));
            };
            Case c {design, band ? 2 * n : n, d.fs, reference, {}, {{d.f1, edge}}};
            c.tolerance = kOpenDesignToleranceDb;
            c.phase = false;
            for (double f = 0.003 * d.fs; f < 0.49 * d.fs; f *= 1.07)
                c.probes.push_back(f);
            const double pass = d.family == Chebyshev && n % 2 == 0 ? -d.p : 0.0;
            if (band)
                c.levels.insert(c.levels.end(),
                                {{d.f2, edge}, {d.kind == BandPass ? centre : 0.0, pass}});
            if (d.kind == BandStop && d.family != Inverse)
                c.levels.push_back({centre, -HUGE_VAL});
            QTest::addRow("%s %ld", d.name, n) << c;
        }
    }
    // The one-pole forms as written: a/(1 − (1−a)·z⁻¹) and k·(1 − z⁻¹)/(1 − k·z⁻¹) with
    // k = 1 − a/2, switching the filter to order 1; phase() leaves them out.
    for (double fc : {30.0, 900.0, 15000.0}) {
        const double fs = 44100.0, a = 1.0 - std::exp(-2.0 * kPi * fc / fs), k = 1.0 - 0.5 * a;
        for (bool hp : {false, true}) {
            const auto reference = [=](double f) {
                const Complex zInv = std::polar(1.0, -2.0 * kPi * f / fs);
                return hp ? k * (1.0 - zInv) / (1.0 - k * zInv) : a / (1.0 - (1.0 - a) * zInv);
            };
            const auto design = [=](FILTER &f) {
                return hp ? f.setDcfHPF(fc, fs) : f.setDcfLPF(fc, fs);
            };
            Case c {design, 1, fs, reference, {0.1 * fc, fc, std::min(4.0 * fc, 0.45 * fs)}};
            c.leftOut = reference;
            c.levels = {{0.0, hp ? FILTER::FloorDb : 0.0}};
            QTest::addRow("one-pole %s %g Hz", hp ? "HPF" : "LPF", fc) << c;
        }
    }
}

void TestFilter::designsFollowTheirReferences()
{
    QFETCH(Case, c);
    FILTER filter(5); // the designers re-order it
    QVERIFY(c.design(filter) && filter.order() == c.order);
    const std::vector<double> impulse = impulseResponse(filter);
    for (double f : c.probes) {
        if (f >= 0.49 * c.fs)
            continue;
        const double power = filter.power(f, c.fs), phase = filter.phase(f, c.fs);
        const auto matches = [&](Complex h) {
            return std::abs(power - dbOf(h)) <= c.tolerance
                    && (!c.phase
                        || phaseDifference(phase, std::arg(h / c.leftOut(f))) <= c.tolerance);
        };
        const Complex reference = c.reference(f);
        QVERIFY2(dbOf(reference) < -150.0 || matches(reference), qPrintable(QString::number(f)));
        QVERIFY2(dbOf(reference) < kDftFloorDb || matches(dft(impulse, f, c.fs)),
                 qPrintable(QString::number(f) + " Hz, DFT"));
    }
    for (const auto &[f, dB] : c.levels) {
        const double power = filter.power(f, c.fs);
        QVERIFY2(std::isinf(dB) ? power <= FILTER::FloorDb : std::abs(power - dB) < 1e-6,
                 qPrintable(QString::number(f)));
    }
}

void TestFilter::stateStagesAndTheParallelStage()
{
    // Centre gain, the cut mirroring the boost, the band-pass (s/Q')/(s² + s/Q' + 1) with the
    // corrected Q' and, near the centre of the wider ones, the processing loop following the
    // power: at and above
    // each rate band's corner with a Q high enough for the factor to fall below 1, around the
    // rates where the bands change, where the factor exceeds 1 and where Q' is floored.
    std::vector<std::array<double, 3>> settings = {{1000, 44100, 2},  {1000, 96000, 2},
                                                   {3000, 48000, 1},  {21000, 44100, 0.2},
                                                   {400, 48000, 0.7}, {5000, 48000, 4}};
    for (double fs : {44100.0, 47999.0, 48000.0, 88199.0, 88200.0, 95999.0, 96000.0})
        for (double f : {3000.0, fs < 88200 ? 2000.0 : 4000.0, fs < 88200 ? 2001.0 : 4001.0})
            settings.push_back({f, fs, 400});
    for (const auto &[f0, fs, Q] : settings) {
        std::vector<double> probes = {f0, 0.9 * f0, 0.999 * f0, 1.001 * f0, 1.05 * f0};
        for (double f = 20.0; f < 0.49 * fs; f *= 1.3)
            probes.push_back(f);
        const double q = expectedCorrectedQ(f0, fs, Q);
        for (double g : {-18.0, -4.5, 0.0, 6.0, 18.0}) {
            FILTER2PEQ stage;
            QVERIFY(stage.setCoefBPF_C(f0, fs, Q, g));
            QCOMPARE(int(stage.mode()), g < 0.0 ? 1 : g > 0.0 ? 2 : 3);
            const double K = stage.gainFactor();
            const std::vector<double> h =
                    Q < 100 ? stageImpulse(stage, g > 0.0) : std::vector<double>();
            for (size_t i = 0; i < probes.size(); ++i) {
                const double f = probes[i], cut = stage.power_cut(f, fs, K);
                const double power = g < 0.0 ? cut : stage.power_boost(f, fs, K);
                const Complex s = sAt(f, f0, fs), bandPass = (s / q) / (s * s + s / q + 1.0);
                const QByteArray at = QByteArray::number(f0) + " Hz at " + QByteArray::number(fs)
                        + ", Q " + QByteArray::number(Q) + ", " + QByteArray::number(g)
                        + " dB: " + QByteArray::number(f);
                QVERIFY2(std::abs(stage.response_bpf(f, fs) - bandPass) < 1e-9
                                 && std::abs(cut + stage.power_boost(f, fs, K)) < 1e-12
                                 && (i > 0 || std::abs(power - g) < kTolerance)
                                 && (i > 4 || h.empty()
                                     || std::abs(dbOf(dft(h, f, fs)) - power) < 1e-6),
                         at.constData());
            }
        }
    }
    // A copy takes the design, not the delays.
    FILTER2PEQ left, right;
    QVERIFY(left.setCoefBPF_C(2500.0, 48000.0, 1.5, -9.0));
    for (int n = 0; n < 10; ++n)
        left.dlyupdate_bpf(1.0);
    right.setCoefByCopy(&left);
    right.setCoefByCopy(nullptr);
    QVERIFY(right.mode() == left.mode() && right.gainedC2() == left.gainedC2()
            && right.response_bpf(3000.0, 48000.0) == left.response_bpf(3000.0, 48000.0));
    QVERIFY(right.cal_cut() == 0.0 && left.cal_cut() != 0.0);
    // Without a section the stage is transparent, and a design sets the section up again.
    for (long order : {0L, -1L, 3L}) {
        FILTER2PEQ bare;
        QVERIFY(!bare._setOrder(order) && bare.sectionCount() == 0);
        QVERIFY(bare.response_bpf(1000.0, 48000.0) == Complex(1.0, 0.0)
                && bare.cal_boost(0.25) == 0.25 && bare.cal_cut() == 0.0);
        QVERIFY(bare.setCoefBPF_C(1000.0, 48000.0, 1.0, 6.0) && bare.sectionCount() == 2);
        QVERIFY(std::abs(bare.power_boost(1000.0, 48000.0, bare.gainFactor()) - 6.0) < kTolerance);
    }

    // setDelay(v) on unity-DC low-passes: a constant v comes out as v from the first sample; a
    // redesign at the same order keeps the settled delays, another order clears them.
    const double v = 0.37, fs = 48000.0;
    const auto passes = [](FILTER &f, double x) { return std::abs(f.cal(x) - x) < 1e-12; };
    FILTER filter;
    for (long order = 1; order <= 6; ++order) {
        QVERIFY(filter.setCoefLPF(order, 700.0, fs));
        filter.setDelay(v);
        for (int n = 0; n < 100; ++n)
            QVERIFY(passes(filter, v));
    }
    QVERIFY(filter.setDcfLPF(5.0, fs));
    filter.setDelay(-2.0);
    QVERIFY(passes(filter, -2.0));
    QVERIFY(filter.setCoefLPF(4, 300.0, fs));
    filter.setDelay(v);
    QVERIFY(filter.setCoefLPF(4, 3000.0, fs) && passes(filter, v));
    QVERIFY(filter.setCoefLPF(3, 3000.0, fs));
    QVERIFY(std::abs(filter.cal(v) - v) > 0.5 * v);

    // A cleared order-2 filter has no response at all.
    FILTER cleared;
    QVERIFY(cleared.power(1000.0, fs) == -100.0 && cleared.phase(1000.0, fs) == 0.0);
    QVERIFY(cleared.setCoefPDFPQ(1000.0, fs, 6.0, 1.0));
    cleared.clear();
    QVERIFY(cleared.order() == 2 && cleared.power(250.0, fs) == -100.0 && cleared.cal(1.0) == 0.0);

    // An order-5 high-pass: two biquads, then s/(s + 1). cal(stages, x) runs stages/2 biquads.
    QVERIFY(filter.setCoefHPF(5, 1000.0, fs));
    const std::vector<double> none = impulseResponse(filter, 1), one = impulseResponse(filter, 3);
    for (double f : {300.0, 1000.0, 5000.0}) {
        const Complex s = sAt(f, 1000.0, fs), first = s / (s + 1.0);
        const Complex biquad = s * s / (s * s + 2.0 * std::sin(kPi / 10.0) * s + 1.0);
        QVERIFY(std::abs(dbOf(dft(none, f, fs)) - dbOf(first)) < kTolerance);
        QVERIFY(std::abs(dbOf(dft(one, f, fs)) - dbOf(biquad * first)) < kTolerance);
    }
    // More stages than present run the whole cascade; copies continue on their own.
    filter.clearDelay();
    FILTER copy = filter, assigned;
    for (int n = 0; n < 50; ++n)
        QCOMPARE(filter.cal(40L, std::sin(0.1 * n)), copy.cal(std::sin(0.1 * n)));
    assigned = copy;
    FILTER moved = std::move(copy);
    QVERIFY(copy.order() == 0 && copy.cal(0.5) == 0.5);
    for (int n = 0; n < 50; ++n)
        QCOMPARE(assigned.cal(double(n % 3)), moved.cal(double(n % 3)));

    // Orders outside the range give no sections, a filter that passes its input.
    for (long order : {-5L, 0L}) {
        FILTER empty(order);
        QVERIFY(empty.order() == 0 && empty.cal(0.75) == 0.75 && empty.power(1000.0, fs) == 0.0);
    }
    QVERIFY(filter.setOrder(FILTER::MaxOrder));
    QVERIFY(!filter.setOrder(FILTER::MaxOrder + 1));
    QVERIFY(filter.order() == 0 && filter.coefficients(0) == nullptr);
    QVERIFY(!filter.setCoefLPF(FILTER::MaxOrder + 1, 5000.0, fs));
    QVERIFY(!filter.setCoefBPF(FILTER::MaxOrder / 2 + 1, 1000.0, 2000.0, fs));
    // The longest cascade deep in its stop band, where a plain product of the sections would
    // underflow: the phase is still the sum of the textbook factors' phases.
    const long n = FILTER::MaxOrder - 2;
    QVERIFY(filter.setCoefHPF(n, 10000.0, fs));
    const Complex s = sAt(0.01, 10000.0, fs);
    double expected = 0.0;
    for (long k = 0; k < n / 2; ++k)
        expected +=
                std::arg(s * s / (s * s + 2.0 * std::sin((2 * k + 1) * kPi / (2.0 * n)) * s + 1.0));
    QVERIFY(phaseDifference(filter.phase(0.01, fs), expected) < 1e-6);
    QVERIFY(std::abs(filter.power(10000.0, fs) - kHalfPowerDb) < kTolerance);

    // The band transformation s → (s² + W0²)/(B·s), multiplied out again, for prototypes
    // s² + p·s + q with complex roots (1, 1.2) and with the real roots −1, −2 (3, 2).
    const double B = 0.3, w0sq = 0.8;
    for (const auto &[p, q] : {std::make_pair(1.0, 1.2), std::make_pair(3.0, 2.0)}) {
        double d[4];
        FILTER::BuboCoefTrans(p, q, B, w0sq, d);
        // (s² + W0²)² + p·B·s·(s² + W0²) + q·B²·s²: coefficients of s³, s², s, 1.
        const double expected[4] = {p * B, 2.0 * w0sq + q * B * B, p * B * w0sq, w0sq * w0sq};
        const double product[4] = {d[0] + d[2], d[1] + d[3] + d[0] * d[2],
                                   d[0] * d[3] + d[2] * d[1], d[1] * d[3]};
        for (int i = 0; i < 4; ++i)
            QVERIFY(std::abs(product[i] - expected[i]) < 1e-14);
    }
}

void TestFilter::badInputAndFreeFunctions()
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
    FILTER filter;
    QVERIFY(filter.setCoefLPF(5, 2000.0, fs));
    for (const auto &c : cases) {
        for (int n = 0; n < 20; ++n)
            filter.cal(1.0);
        FILTER reference = filter;
        QVERIFY2(!c.second(filter), c.first);
        QCOMPARE(filter.order(), 5L);
        QCOMPARE(coefficientsOf(filter), coefficientsOf(reference));
        QCOMPARE(filter.cal(1.0), reference.cal(1.0)); // the delays are untouched
    }
    // Evaluation with an unusable rate or frequency reads the floor.
    QCOMPARE(filter.power(1000.0, 0.0), -100.0);
    QCOMPARE(filter.power(kNaN, fs), -100.0);
    QCOMPARE(filter.phase(1000.0, -1.0), 0.0);

    // The parallel stage likewise.
    const double bad[][4] = {
            {0.0, fs, 1.0, 6.0},     {-5.0, fs, 1.0, 6.0},    {24000.0, fs, 1.0, 6.0},
            {1000.0, 0.0, 1.0, 6.0}, {1000.0, fs, 0.0, 6.0},  {1000.0, fs, -2.0, 6.0},
            {1000.0, fs, kNaN, 6.0}, {1000.0, fs, 1.0, kNaN}, {kNaN, fs, 1.0, 6.0}};
    FILTER2PEQ stage;
    QVERIFY(stage.setCoefBPF_C(1000.0, fs, 2.0, -6.0));
    for (const auto &args : bad) {
        stage.dlyupdate_bpf(0.5);
        const double before = stage.cal_cut();
        const Complex response = stage.response_bpf(700.0, fs);
        QVERIFY(!stage.setCoefBPF_C(args[0], args[1], args[2], args[3]));
        QVERIFY(stage.mode() == FILTER2PEQ::BandCut && stage.response_bpf(700.0, fs) == response
                && stage.cal_cut() == before);
    }
    QVERIFY(stage.power_boost(1000.0, 0.0, 1.0) == -100.0
            && stage.power_cut(1000.0, -1.0, 1.0) == -100.0);
    QCOMPARE(stage.response_bpf(kNaN, fs), Complex(0.0, 0.0));

    // The free functions.
    // getFSid splits at the geometric means of the rates and clamps the rest.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (int id = 0; id < 3; ++id) {
        const double mean = std::sqrt(double(validFS[id]) * validFS[id + 1]);
        const float below =
                double(float(mean)) < mean ? float(mean) : std::nextafter(float(mean), 0.0f);
        QVERIFY(getFSid(below) == id && getFSid(validFS[id]) == id
                && getFSid(std::nextafter(below, 1e9f)) == id + 1);
    }
    const std::pair<float, int> ids[] = {{46000.0f, 0},  {46100.0f, 1}, {96000.0f, 3}, {0.0f, 0},
                                         {-96000.0f, 0}, {1e12f, 3},    {nan, 3}};
    for (const auto &[fs, id] : ids)
        QCOMPARE(getFSid(fs), id);

    // ExpLinCoef: the ends, clamping and NaN, the joins, and the bounds of a linear interpolation
    // of 2^(16x − 16) between its powers of two (never below the curve, at most 6.2 % above).
    const float floor = std::ldexp(1.0f, -16);
    const std::pair<float, float> ends[] = {
            {0.0f, floor}, {1.0f, 1.0f}, {-3.0f, floor}, {7.0f, 1.0f}, {nan, floor}};
    for (const auto &[x, y] : ends)
        QCOMPARE(ExpLinCoef(x), y);
    for (float join = 1.0f / 16.0f; join < 1.0f; join += 1.0f / 16.0f)
        QVERIFY(ExpLinCoef(join) == std::ldexp(1.0f, int(join * 16.0f) - 16)
                && std::abs(ExpLinCoef(std::nextafter(join, 0.0f)) / ExpLinCoef(join) - 1) < 1e-5f);
    for (float x = 0.0f; x <= 1.0f; x += 0.0037f) {
        const double curve = std::exp2(16.0 * x - 16.0), value = ExpLinCoef(x);
        QVERIFY(value >= curve * (1.0 - 1e-6) && value <= curve * 1.062);
    }
    // float2int truncates, saturates and reads a NaN as 0; float2lin maps 0..1 onto the range.
    for (int n : {1, 2, 7, 128, 1000})
        QCOMPARE(float2int(1.0f, n), n - 1);
    const std::pair<float, int> ints[] = {{0.5f, 5}, {0.999f, 9}, {-0.3f, -3},
                                          {nan, 0},  {1e30f, 9},  {-1e30f, INT_MIN}};
    for (const auto &[x, n] : ints)
        QCOMPARE(float2int(x, 10), n);
    QVERIFY(float2lin(0.25f, 10.0f, 20.0f) == 12.5f && float2lin(1.0f, -6.0f, 18.0f) == 18.0f);
    // float2expz against its defining formula; 0 → 0 and 1 → 1; x itself without a range.
    for (float r : {-20.0f, 6.0f, 40.0f, 96.0f}) {
        const double low = std::pow(10.0, -r / 20.0);
        for (float x = 0.0f; x <= 1.0f; x += 0.125f) {
            const double expected = (std::pow(10.0, r * (x - 1.0) / 20.0) - low) / (1.0 - low);
            QVERIFY(std::abs(float2expz(x, r) - expected) < 1e-6);
        }
        QVERIFY(float2expz(0.0f, r) == 0.0f && std::abs(float2expz(1.0f, r) - 1.0f) < 1e-6f);
    }
    QVERIFY(float2expz(0.3f, 0.0f) == 0.3f && std::abs(float2expz(0.3f, 1e-6f) - 0.3f) < 1e-6f);
}

QTEST_GUILESS_MAIN(TestFilter)
#include "tst_filter.moc"
