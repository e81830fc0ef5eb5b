// Biquad cascades. Every design is an analog prototype taken through one bilinear transform
// (bilinear1, bilinear2), so the coefficient formulas exist once; the designers only say which
// prototype they want. Designs are built in a scratch record first and installed only when they
// are usable, so bad input never touches a running filter.

#include "filter.h"
#include "filter_p.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>
#include <new>

namespace {

using Complex = std::complex<double>;
using zb4r_filter::dbOfPower;
using zb4r_filter::kPi;

constexpr double kSqrt2 = 1.41421356237309504880;
constexpr long kMaxBiquads = FILTER::MaxOrder / 2;
constexpr int kDelaysPerBiquad = 4;
constexpr int kCoefficientsPerBiquad = 5;

// Positions in a biquad's coefficients and delays, and in the first-order section.
enum { B0, B1, B2, A1, A2 };
enum { X1, X2, Y1, Y2 };
enum { FirstB0, FirstB1, FirstA1 };
enum { FirstX1, FirstY1 };

double linearOfDb(double dB)
{
    return std::pow(10.0, dB / 20.0);
}

// T = tan(π·f/fs), the prototype corner as the bilinear transform sees it; false unless
// 0 < f < fs/2 (NaNs included).
bool corner(double f, double fs, double &T)
{
    if (!zb4r_filter::insideBand(f, fs))
        return false;
    T = std::tan(kPi * f / fs);
    return std::isfinite(T);
}

bool positive(double v)
{
    return v > 0.0 && std::isfinite(v);
}

// (n[0]·s² + n[1]·s + n[2]) / (d[0]·s² + d[1]·s + d[2]) with s = (1 − z⁻¹)/(1 + z⁻¹).
void bilinear2(const double n[3], const double d[3], double *c)
{
    const double a0 = d[0] + d[1] + d[2];
    c[B0] = (n[0] + n[1] + n[2]) / a0;
    c[B1] = 2.0 * (n[2] - n[0]) / a0;
    c[B2] = (n[0] - n[1] + n[2]) / a0;
    c[A1] = 2.0 * (d[0] - d[2]) / a0;
    c[A2] = -(d[0] - d[1] + d[2]) / a0;
}

// (n[0]·s + n[1]) / (d[0]·s + d[1]) into {b0, b1, a1}.
void bilinear1(const double n[2], const double d[2], double *c)
{
    const double a0 = d[0] + d[1];
    c[0] = (n[0] + n[1]) / a0;
    c[1] = (n[1] - n[0]) / a0;
    c[2] = (d[0] - d[1]) / a0;
}

// A second-order prototype in s normalised to the corner T (s → s/T).
struct Quadratic
{
    double s2, s1, s0;
};

void normalisedBiquad(double T, Quadratic n, Quadratic d, double *c)
{
    const double TT = T * T;
    const double num[3] = {n.s2, n.s1 * T, n.s0 * TT};
    const double den[3] = {d.s2, d.s1 * T, d.s0 * TT};
    bilinear2(num, den, c);
}

// A first-order prototype (n1·s + n0)/(d1·s + d0), normalised to T, written as a biquad.
struct Linear
{
    double s1, s0;
};

void normalisedFirstOrderBiquad(double T, Linear n, Linear d, double *c)
{
    const double num[2] = {n.s1, n.s0 * T};
    const double den[2] = {d.s1, d.s0 * T};
    double first[3];
    bilinear1(num, den, first);
    c[B0] = first[0];
    c[B1] = first[1];
    c[B2] = 0.0;
    c[A1] = first[2];
    c[A2] = 0.0;
}

// Numerator and denominator of one biquad at z⁻¹ = cos ω − j·sin ω.
struct BiquadTerms
{
    double numRe, numIm, denRe, denIm;
};

inline BiquadTerms biquadTerms(const double *c, double cos1, double sin1, double cos2, double sin2)
{
    return {c[B0] + c[B1] * cos1 + c[B2] * cos2, -(c[B1] * sin1 + c[B2] * sin2),
            1.0 - c[A1] * cos1 - c[A2] * cos2, c[A1] * sin1 + c[A2] * sin2};
}

// A low-pass prototype normalised to its band edge (Ω = 1) with unity DC gain: pole pairs
// s² + p·s + q, each with a zero pair s² + z (z infinite: none), and a real pole at −sigma for odd
// orders. passGain is the response at DC (the reference the band designs normalise to).
struct Prototype
{
    long order = 0;
    long pairs = 0;
    double p[kMaxBiquads] = {};
    double q[kMaxBiquads] = {};
    double z[kMaxBiquads] = {};
    double sigma = 0.0;
    double passGain = 1.0;
    bool hasReal() const { return order % 2 != 0; }
};

constexpr double kNoZero = std::numeric_limits<double>::infinity();

bool validPrototypeOrder(long order, long maxOrder)
{
    return order >= 1 && order <= maxOrder;
}

Prototype butterworth(long n)
{
    Prototype proto;
    proto.order = n;
    proto.pairs = n / 2;
    for (long k = 0; k < proto.pairs; ++k) {
        const double theta = kPi * double(n + 1 + 2 * k) / double(2 * n);
        proto.p[k] = -2.0 * std::cos(theta);
        proto.q[k] = 1.0;
        proto.z[k] = kNoZero;
    }
    proto.sigma = 1.0;
    return proto;
}

// Chebyshev poles for ripple factor epsilon: −sinh(a)·sin φk ± j·cosh(a)·cos φk.
Prototype chebyshevPoles(long n, double epsilon)
{
    Prototype proto;
    proto.order = n;
    proto.pairs = n / 2;
    const double a = std::asinh(1.0 / epsilon) / double(n);
    for (long k = 0; k < proto.pairs; ++k) {
        const double phi = kPi * double(2 * k + 1) / double(2 * n);
        const double re = -std::sinh(a) * std::sin(phi), im = std::cosh(a) * std::cos(phi);
        proto.p[k] = -2.0 * re;
        proto.q[k] = re * re + im * im;
        proto.z[k] = kNoZero;
    }
    proto.sigma = std::sinh(a);
    return proto;
}

Prototype chebyshev(long n, double rippleDb)
{
    const double epsilon = std::sqrt(std::expm1(rippleDb * std::log(10.0) / 10.0));
    Prototype proto = chebyshevPoles(n, epsilon);
    proto.passGain = n % 2 ? 1.0 : 1.0 / std::sqrt(1.0 + epsilon * epsilon);
    return proto;
}

// Reciprocal Chebyshev poles, zeros at ±j / cos φk: the stop band starts at Ω = 1.
Prototype inverseChebyshev(long n, double stopDb)
{
    const double epsilon = 1.0 / std::sqrt(std::expm1(stopDb * std::log(10.0) / 10.0));
    Prototype proto = chebyshevPoles(n, epsilon);
    for (long k = 0; k < proto.pairs; ++k) {
        proto.p[k] /= proto.q[k];
        proto.q[k] = 1.0 / proto.q[k];
        const double c = std::cos(kPi * double(2 * k + 1) / double(2 * n));
        proto.z[k] = 1.0 / (c * c);
    }
    proto.sigma = 1.0 / proto.sigma;
    return proto;
}

} // namespace

// A design waiting to be installed.
struct FILTER::Design
{
    long biquads = 0;
    double biquad[kMaxBiquads][kCoefficientsPerBiquad] = {};
    bool hasFirstOrder = false;
    double first[3] = {};
    bool usable = true;

    long order() const { return 2 * biquads + (hasFirstOrder ? 1 : 0); }
    double *next() { return biquad[biquads++]; }
    bool finite() const
    {
        for (long k = 0; k < biquads; ++k)
            for (double c : biquad[k])
                if (!std::isfinite(c))
                    return false;
        return !hasFirstOrder
                || (std::isfinite(first[0]) && std::isfinite(first[1]) && std::isfinite(first[2]));
    }
    static Design unusable()
    {
        Design d;
        d.usable = false;
        return d;
    }
    // H(e^jω) of the biquads.
    Complex response(double omega) const
    {
        const double c1 = std::cos(omega), s1 = std::sin(omega);
        const double c2 = std::cos(2.0 * omega), s2 = std::sin(2.0 * omega);
        Complex h(1.0, 0.0);
        for (long k = 0; k < biquads; ++k) {
            const BiquadTerms t = biquadTerms(biquad[k], c1, s1, c2, s2);
            h *= Complex(t.numRe, t.numIm) / Complex(t.denRe, t.denIm);
        }
        return h;
    }
    void scaleFirstNumerator(double factor)
    {
        if (biquads > 0) {
            biquad[0][B0] *= factor;
            biquad[0][B1] *= factor;
            biquad[0][B2] *= factor;
        } else if (hasFirstOrder) {
            first[FirstB0] *= factor;
            first[FirstB1] *= factor;
        }
    }
    // Scales the response at ω to passGain.
    void normaliseAt(double omega, double passGain)
    {
        const double gain = std::abs(response(omega));
        if (positive(gain))
            scaleFirstNumerator(passGain / gain);
        else
            usable = false;
    }
};

namespace {

using Design = FILTER::Design;

Design singleBiquad(double f, double fs, Quadratic n, Quadratic d)
{
    double T;
    if (!corner(f, fs, T))
        return Design::unusable();
    Design design;
    normalisedBiquad(T, n, d, design.next());
    return design;
}

// Boost prototypes; the cut is the reciprocal.
Design reciprocalPair(double f, double fs, double gainDb, Quadratic n, Quadratic d)
{
    return gainDb >= 0.0 ? singleBiquad(f, fs, n, d) : singleBiquad(f, fs, d, n);
}

Design firstOrderShelf(double f, double fs, Linear n, Linear d)
{
    double T;
    if (!corner(f, fs, T))
        return Design::unusable();
    Design design;
    normalisedFirstOrderBiquad(T, n, d, design.next());
    return design;
}

Design lowOrHighPass(const Prototype &proto, double f, double fs, bool highPass)
{
    double T;
    if (!corner(f, fs, T))
        return Design::unusable();
    Design design;
    for (long k = 0; k < proto.pairs; ++k) {
        double *c = design.next();
        if (std::isinf(proto.z[k])) {
            if (highPass)
                FILTER::HpfCoefToZet(proto.p[k], proto.q[k], T, c);
            else
                FILTER::LpfCoefToZet(proto.p[k], proto.q[k], T, c);
        } else if (highPass) {
            FILTER::IChevHpfCoefToZet(proto.p[k], proto.q[k], proto.z[k], T, c);
        } else {
            FILTER::IChevLpfCoefToZet(proto.p[k], proto.q[k], proto.z[k], T, c);
        }
    }
    if (proto.hasReal()) {
        // sigma/(s + sigma) at T: sigma·T/(s + sigma·T), or s/(s + T/sigma) as a high-pass.
        design.hasFirstOrder = true;
        if (highPass) {
            const double n[2] = {1.0, 0.0}, d[2] = {1.0, T / proto.sigma};
            bilinear1(n, d, design.first);
        } else {
            const double n[2] = {0.0, proto.sigma * T}, d[2] = {1.0, proto.sigma * T};
            bilinear1(n, d, design.first);
        }
    }
    design.scaleFirstNumerator(proto.passGain);
    return design;
}

struct Band
{
    double bandwidth = 0.0, centreSq = 0.0, centreOmega = 0.0;
};

bool band(double fLow, double fHigh, double fs, Band &b)
{
    double low, high;
    if (!(fLow < fHigh) || !corner(fLow, fs, low) || !corner(fHigh, fs, high))
        return false;
    b.bandwidth = high - low;
    b.centreSq = low * high;
    b.centreOmega = 2.0 * std::atan(std::sqrt(b.centreSq));
    return true;
}

Design bandPass(const Prototype &proto, double fLow, double fHigh, double fs)
{
    Band b;
    if (!band(fLow, fHigh, fs, b))
        return Design::unusable();
    Design design;
    for (long k = 0; k < proto.pairs; ++k) {
        double den[4];
        FILTER::BuboCoefTrans(proto.p[k], proto.q[k], b.bandwidth, b.centreSq, den);
        if (std::isinf(proto.z[k])) {
            FILTER::BpfCoefToZet(den[0], den[1], design.next());
            FILTER::BpfCoefToZet(den[2], den[3], design.next());
        } else {
            double zeros[2];
            FILTER::BpfCoefTrans(proto.z[k], b.bandwidth, b.centreSq, zeros);
            FILTER::BefCoefToZet(den[0], den[1], zeros[0], design.next());
            FILTER::BefCoefToZet(den[2], den[3], zeros[1], design.next());
        }
    }
    if (proto.hasReal())
        FILTER::BpfCoefToZet(proto.sigma * b.bandwidth, b.centreSq, design.next());
    design.normaliseAt(b.centreOmega, proto.passGain);
    return design;
}

// The band-pass transformation of the reciprocal prototype: zeros at infinity land on the centre.
Design bandStop(const Prototype &proto, double fLow, double fHigh, double fs)
{
    Band b;
    if (!band(fLow, fHigh, fs, b))
        return Design::unusable();
    Design design;
    for (long k = 0; k < proto.pairs; ++k) {
        double den[4];
        FILTER::BuboCoefTrans(proto.p[k] / proto.q[k], 1.0 / proto.q[k], b.bandwidth, b.centreSq,
                              den);
        double zeros[2] = {b.centreSq, b.centreSq};
        if (!std::isinf(proto.z[k]))
            FILTER::BpfCoefTrans(1.0 / proto.z[k], b.bandwidth, b.centreSq, zeros);
        FILTER::BefCoefToZet(den[0], den[1], zeros[0], design.next());
        FILTER::BefCoefToZet(den[2], den[3], zeros[1], design.next());
    }
    if (proto.hasReal())
        FILTER::BefCoefToZet(b.bandwidth / proto.sigma, b.centreSq, b.centreSq, design.next());
    design.normaliseAt(0.0, proto.passGain);
    return design;
}

bool validBandOrder(long n)
{
    return validPrototypeOrder(n, FILTER::MaxOrder / 2);
}

} // namespace

// --- Storage and state ---

FILTER::FILTER()
{
    setOrder(2);
}

FILTER::FILTER(long order)
{
    setOrder(order);
}

FILTER::FILTER(const FILTER &other)
{
    *this = other;
}

FILTER &FILTER::operator=(const FILTER &other)
{
    if (this == &other)
        return *this;
    if (!setOrder(other.m_order))
        return *this;
    const long biquads = m_biquadOrder / 2;
    std::copy_n(other.m_delays.get(), kDelaysPerBiquad * biquads, m_delays.get());
    std::copy_n(other.m_coefficients.get(), kCoefficientsPerBiquad * biquads, m_coefficients.get());
    std::copy_n(other.m_firstState, 2, m_firstState);
    std::copy_n(other.m_firstCoefficients, 3, m_firstCoefficients);
    return *this;
}

FILTER::FILTER(FILTER &&other) noexcept
{
    *this = std::move(other);
}

FILTER &FILTER::operator=(FILTER &&other) noexcept
{
    if (this == &other)
        return *this;
    m_delays = std::move(other.m_delays);
    m_coefficients = std::move(other.m_coefficients);
    std::copy_n(other.m_firstState, 2, m_firstState);
    std::copy_n(other.m_firstCoefficients, 3, m_firstCoefficients);
    m_biquadOrder = other.m_biquadOrder;
    m_firstOrder = other.m_firstOrder;
    m_order = other.m_order;
    other.release();
    return *this;
}

FILTER::~FILTER() = default;

void FILTER::release()
{
    m_delays.reset();
    m_coefficients.reset();
    m_biquadOrder = m_firstOrder = m_order = 0;
    std::fill_n(m_firstState, 2, 0.0);
    std::fill_n(m_firstCoefficients, 3, 0.0);
}

bool FILTER::setOrder(long order)
{
    release();
    if (order < 0)
        return true;
    if (order > MaxOrder)
        return false;
    const long biquads = order / 2;
    if (biquads > 0) {
        m_delays.reset(new (std::nothrow) double[size_t(kDelaysPerBiquad * biquads)]());
        m_coefficients.reset(new (std::nothrow) double[size_t(kCoefficientsPerBiquad * biquads)]());
        if (!m_delays || !m_coefficients) {
            release();
            return false;
        }
    }
    m_biquadOrder = int32_t(2 * biquads);
    m_firstOrder = int32_t(order % 2);
    m_order = int32_t(order);
    return true;
}

void FILTER::clear()
{
    clearDelay();
    std::fill_n(m_coefficients.get(), kCoefficientsPerBiquad * (m_biquadOrder / 2), 0.0);
    std::fill_n(m_firstCoefficients, 3, 0.0);
}

void FILTER::clearDelay()
{
    setDelay(0.0);
}

void FILTER::setDelay(double v)
{
    std::fill_n(m_delays.get(), kDelaysPerBiquad * (m_biquadOrder / 2), v);
    std::fill_n(m_firstState, 2, v);
}

const double *FILTER::coefficients(long k) const
{
    if (k < 0 || k >= m_biquadOrder / 2)
        return nullptr;
    return m_coefficients.get() + kCoefficientsPerBiquad * k;
}

const double *FILTER::firstOrderCoefficients() const
{
    return m_firstOrder ? m_firstCoefficients : nullptr;
}

bool FILTER::install(const Design &design)
{
    if (!design.usable || !design.finite())
        return false;
    if (design.order() != m_order && !setOrder(design.order()))
        return false;
    std::copy_n(&design.biquad[0][0], kCoefficientsPerBiquad * design.biquads,
                m_coefficients.get());
    if (design.hasFirstOrder)
        std::copy_n(design.first, 3, m_firstCoefficients);
    return true;
}

// --- Processing and evaluation ---

double FILTER::cal(double x)
{
    return cal(long(m_biquadOrder), x);
}

double FILTER::cal(long x)
{
    return cal(double(x));
}

double FILTER::cal(long stages, double x)
{
    const long biquads = std::clamp(stages / 2, 0L, long(m_biquadOrder / 2));
    for (long k = 0; k < biquads; ++k) {
        const double *c = m_coefficients.get() + kCoefficientsPerBiquad * k;
        double *d = m_delays.get() + kDelaysPerBiquad * k;
        const double y = c[B0] * x + c[B1] * d[X1] + c[B2] * d[X2] + c[A1] * d[Y1] + c[A2] * d[Y2];
        d[X2] = d[X1];
        d[X1] = x;
        d[Y2] = d[Y1];
        d[Y1] = y;
        x = y;
    }
    if (m_firstOrder) {
        const double *c = m_firstCoefficients;
        const double y = c[FirstB0] * x + c[FirstB1] * m_firstState[FirstX1]
                + c[FirstA1] * m_firstState[FirstY1];
        m_firstState[FirstX1] = x;
        m_firstState[FirstY1] = y;
        x = y;
    }
    return x;
}

// |N|² and |D|² are multiplied separately and divided once: one sine and cosine, one division and
// one log10 per call, whatever the number of sections.
double FILTER::power(double f, double fs) const
{
    if (!(fs > 0.0))
        return FloorDb;
    const double omega = 2.0 * kPi * f / fs;
    const double c1 = std::cos(omega), s1 = std::sin(omega);
    const double c2 = c1 * c1 - s1 * s1, s2 = 2.0 * s1 * c1;
    double num = 1.0, den = 1.0;
    const double *c = m_coefficients.get();
    for (long k = 0; k < m_biquadOrder / 2; ++k, c += kCoefficientsPerBiquad) {
        const BiquadTerms t = biquadTerms(c, c1, s1, c2, s2);
        num *= t.numRe * t.numRe + t.numIm * t.numIm;
        den *= t.denRe * t.denRe + t.denIm * t.denIm;
    }
    if (m_firstOrder) {
        const double *fc = m_firstCoefficients;
        const double nr = fc[FirstB0] + fc[FirstB1] * c1, ni = -fc[FirstB1] * s1;
        const double dr = 1.0 - fc[FirstA1] * c1, di = fc[FirstA1] * s1;
        num *= nr * nr + ni * ni;
        den *= dr * dr + di * di;
    }
    return dbOfPower(num / den);
}

double FILTER::phase(double f, double fs) const
{
    if (!(fs > 0.0) || !std::isfinite(f))
        return 0.0;
    // Small and large products are rescaled so that atan2 never sees an underflow.
    constexpr double kRescaleBelow = 1e-100, kRescaleAbove = 1e100;
    const double omega = 2.0 * kPi * f / fs;
    const double c1 = std::cos(omega), s1 = std::sin(omega);
    const double c2 = c1 * c1 - s1 * s1, s2 = 2.0 * s1 * c1;
    Complex h(1.0, 0.0);
    const double *c = m_coefficients.get();
    for (long k = 0; k < m_biquadOrder / 2; ++k, c += kCoefficientsPerBiquad) {
        const BiquadTerms t = biquadTerms(c, c1, s1, c2, s2);
        h *= Complex(t.numRe, t.numIm) * Complex(t.denRe, -t.denIm);
        const double m = std::abs(h.real()) + std::abs(h.imag());
        if (m > 0.0 && (m < kRescaleBelow || m > kRescaleAbove))
            h /= m;
    }
    return std::atan2(h.imag(), h.real());
}

// --- Coefficient steps ---

void FILTER::HpfCoefToZet(double p, double q, double T, double *coef)
{
    const double n[3] = {1.0, 0.0, 0.0}, d[3] = {1.0, p * T / q, T * T / q};
    bilinear2(n, d, coef);
}

void FILTER::LpfCoefToZet(double p, double q, double T, double *coef)
{
    const double TT = T * T;
    const double n[3] = {0.0, 0.0, q * TT}, d[3] = {1.0, p * T, q * TT};
    bilinear2(n, d, coef);
}

void FILTER::IChevHpfCoefToZet(double p, double q, double z, double T, double *coef)
{
    const double TT = T * T;
    const double n[3] = {1.0, 0.0, TT / z}, d[3] = {1.0, p * T / q, TT / q};
    bilinear2(n, d, coef);
}

void FILTER::IChevLpfCoefToZet(double p, double q, double z, double T, double *coef)
{
    const double TT = T * T, gain = q / z;
    const double n[3] = {gain, 0.0, gain * z * TT}, d[3] = {1.0, p * T, q * TT};
    bilinear2(n, d, coef);
}

void FILTER::BpfCoefToZet(double p, double q, double *coef)
{
    const double n[3] = {0.0, 1.0, 0.0}, d[3] = {1.0, p, q};
    bilinear2(n, d, coef);
}

void FILTER::BefCoefToZet(double p, double q, double z, double *coef)
{
    const double n[3] = {1.0, 0.0, z}, d[3] = {1.0, p, q};
    bilinear2(n, d, coef);
}

// Each prototype root λ gives the two roots of s² − λ·B·s + centreSq; a complex pair λ, λ* gives
// two conjugate pairs, real roots λ1, λ2 one quadratic each.
void FILTER::BuboCoefTrans(double p, double q, double bandwidth, double centreSq,
                           double *denominators)
{
    const double discriminant = p * p - 4.0 * q;
    if (discriminant >= 0.0) {
        const double root = std::sqrt(discriminant);
        const double lambda1 = 0.5 * (-p + root), lambda2 = 0.5 * (-p - root);
        denominators[0] = -lambda1 * bandwidth;
        denominators[1] = centreSq;
        denominators[2] = -lambda2 * bandwidth;
        denominators[3] = centreSq;
        return;
    }
    const Complex lambda(-0.5 * p, 0.5 * std::sqrt(-discriminant));
    const Complex lb = lambda * bandwidth;
    const Complex w = std::sqrt(lb * lb - 4.0 * centreSq);
    const Complex r1 = 0.5 * (lb + w), r2 = 0.5 * (lb - w);
    denominators[0] = -2.0 * r1.real();
    denominators[1] = std::norm(r1);
    denominators[2] = -2.0 * r2.real();
    denominators[3] = std::norm(r2);
}

// (s² + centreSq)² + z·B²·s² = (s² + za)(s² + zb) with za·zb = centreSq².
void FILTER::BpfCoefTrans(double z, double bandwidth, double centreSq, double *zeros)
{
    const double zbb = z * bandwidth * bandwidth;
    const double sum = 2.0 * centreSq + zbb;
    zeros[0] = 0.5 * (sum + std::sqrt(zbb * (4.0 * centreSq + zbb)));
    zeros[1] = centreSq * centreSq / zeros[0];
}

// --- Single-biquad designs ---

bool FILTER::setCoef(double f, double fs, double gainDb, double Q)
{
    return setCoefPDFPQ(f, fs, gainDb, Q);
}

bool FILTER::setCoefPDFPQ(double f, double fs, double gainDb, double Q)
{
    if (!positive(Q))
        return false;
    const double K = linearOfDb(std::abs(gainDb)) - 1.0;
    return install(reciprocalPair(f, fs, gainDb, {1.0, (1.0 + K) / Q, 1.0}, {1.0, 1.0 / Q, 1.0}));
}

bool FILTER::setCoefPDFCQ(double f, double fs, double gainDb, double Q)
{
    if (!positive(Q))
        return false;
    const double K = linearOfDb(std::abs(gainDb)) - 1.0;
    return install(
            reciprocalPair(f, fs, gainDb, {1.0, 1.0 / Q, 1.0}, {1.0, 1.0 / (Q * (1.0 + K)), 1.0}));
}

bool FILTER::setCoefLOWS_A(double f, double gainDb, double fs)
{
    const double V = linearOfDb(std::abs(gainDb));
    return install(gainDb >= 0.0 ? firstOrderShelf(f, fs, {1.0, V}, {1.0, 1.0})
                                 : firstOrderShelf(f, fs, {1.0, 1.0}, {1.0, V}));
}

bool FILTER::setCoefLOWS_B(double f, double gainDb, double fs)
{
    const double V = linearOfDb(gainDb);
    return install(gainDb >= 0.0 ? firstOrderShelf(f, fs, {V, V}, {V, 1.0})
                                 : firstOrderShelf(f, fs, {1.0, V}, {1.0, 1.0}));
}

bool FILTER::setCoefHIGS_A(double f, double gainDb, double fs)
{
    const double V = linearOfDb(gainDb);
    return install(gainDb >= 0.0 ? firstOrderShelf(f, fs, {V, 1.0}, {1.0, 1.0})
                                 : firstOrderShelf(f, fs, {V, V}, {1.0, V}));
}

bool FILTER::setCoefHIGS_B(double f, double gainDb, double fs)
{
    const double V = linearOfDb(std::abs(gainDb));
    return install(gainDb >= 0.0 ? firstOrderShelf(f, fs, {V, V}, {1.0, V})
                                 : firstOrderShelf(f, fs, {1.0 / V, 1.0}, {1.0, 1.0}));
}

bool FILTER::setCoefLOWS_2A(double f, double gainDb, double fs)
{
    const double V = linearOfDb(std::abs(gainDb));
    return install(reciprocalPair(f, fs, gainDb, {1.0, std::sqrt(2.0 * V), V}, {1.0, kSqrt2, 1.0}));
}

bool FILTER::setCoefLOWS_2B(double f, double gainDb, double fs)
{
    const double V = linearOfDb(std::abs(gainDb));
    return install(reciprocalPair(f, fs, gainDb, {1.0, kSqrt2, 1.0},
                                  {1.0, kSqrt2 / std::sqrt(V), 1.0 / V}));
}

bool FILTER::setCoefHIGS_2A(double f, double gainDb, double fs)
{
    const double V = linearOfDb(std::abs(gainDb));
    return install(reciprocalPair(f, fs, gainDb, {V, std::sqrt(2.0 * V), 1.0}, {1.0, kSqrt2, 1.0}));
}

bool FILTER::setCoefHIGS_2B(double f, double gainDb, double fs)
{
    const double V = linearOfDb(std::abs(gainDb));
    return install(reciprocalPair(f, fs, gainDb, {V, kSqrt2 * V, V}, {1.0, std::sqrt(2.0 * V), V}));
}

bool FILTER::setCoefLOWS(double f, double gainDb, double fs)
{
    return setCoefLOWS_B(f, gainDb, fs);
}

bool FILTER::setCoefLOWS(double f, double gainDb, double fs, short variant)
{
    return variant == 1 ? setCoefLOWS_B(f, gainDb, fs) : setCoefLOWS_A(f, gainDb, fs);
}

bool FILTER::setCoefLOWS_2(double f, double gainDb, double fs)
{
    return setCoefLOWS_2B(f, gainDb, fs);
}

bool FILTER::setCoefLOWS_2(double f, double gainDb, double fs, short variant)
{
    return variant == 1 ? setCoefLOWS_2B(f, gainDb, fs) : setCoefLOWS_2A(f, gainDb, fs);
}

bool FILTER::setCoefHIGS(double f, double gainDb, double fs)
{
    return setCoefHIGS_B(f, gainDb, fs);
}

bool FILTER::setCoefHIGS(double f, double gainDb, double fs, short variant)
{
    return variant == 1 ? setCoefHIGS_B(f, gainDb, fs) : setCoefHIGS_A(f, gainDb, fs);
}

bool FILTER::setCoefHIGS_2(double f, double gainDb, double fs)
{
    return setCoefHIGS_2B(f, gainDb, fs);
}

bool FILTER::setCoefHIGS_2(double f, double gainDb, double fs, short variant)
{
    return variant == 1 ? setCoefHIGS_2B(f, gainDb, fs) : setCoefHIGS_2A(f, gainDb, fs);
}

bool FILTER::setCoefLPFQfct(double f, double fs, double Q)
{
    if (!positive(Q))
        return false;
    return install(singleBiquad(f, fs, {0.0, 0.0, 1.0}, {1.0, 1.0 / Q, 1.0}));
}

bool FILTER::setCoefBPFQfct(double f, double fs, double Q)
{
    if (!positive(Q))
        return false;
    return install(singleBiquad(f, fs, {0.0, 1.0, 0.0}, {1.0, 1.0 / Q, 1.0}));
}

bool FILTER::setCoefBPF_Q(double f, double fs, double Q)
{
    if (!positive(Q))
        return false;
    return install(singleBiquad(f, fs, {0.0, 1.0 / Q, 0.0}, {1.0, 1.0 / Q, 1.0}));
}

// --- Prototype designs ---

bool FILTER::setCoefHPF(double f, double fs)
{
    return setCoefHPF(2, f, fs);
}

bool FILTER::setCoefHPF(long order, double f, double fs)
{
    if (!validPrototypeOrder(order, MaxOrder))
        return false;
    return install(lowOrHighPass(butterworth(order), f, fs, true));
}

bool FILTER::setCoefLPF(double f, double fs)
{
    return setCoefLPF(2, f, fs);
}

bool FILTER::setCoefLPF(long order, double f, double fs)
{
    if (!validPrototypeOrder(order, MaxOrder))
        return false;
    return install(lowOrHighPass(butterworth(order), f, fs, false));
}

bool FILTER::setCoefHPFChev(long order, double f, double fs, double rippleDb)
{
    if (!validPrototypeOrder(order, MaxOrder) || !positive(rippleDb))
        return false;
    return install(lowOrHighPass(chebyshev(order, rippleDb), f, fs, true));
}

bool FILTER::setCoefLPFChev(long order, double f, double fs, double rippleDb)
{
    if (!validPrototypeOrder(order, MaxOrder) || !positive(rippleDb))
        return false;
    return install(lowOrHighPass(chebyshev(order, rippleDb), f, fs, false));
}

bool FILTER::setCoefHPFIChev(long order, double f, double fs, double stopDb)
{
    if (!validPrototypeOrder(order, MaxOrder) || !positive(stopDb))
        return false;
    return install(lowOrHighPass(inverseChebyshev(order, stopDb), f, fs, true));
}

bool FILTER::setCoefLPFIChev(long order, double f, double fs, double stopDb)
{
    if (!validPrototypeOrder(order, MaxOrder) || !positive(stopDb))
        return false;
    return install(lowOrHighPass(inverseChebyshev(order, stopDb), f, fs, false));
}

bool FILTER::setCoefBPF(long n, double fLow, double fHigh, double fs)
{
    if (!validBandOrder(n))
        return false;
    return install(bandPass(butterworth(n), fLow, fHigh, fs));
}

bool FILTER::setCoefBPFChev(long n, double fLow, double fHigh, double fs, double rippleDb)
{
    if (!validBandOrder(n) || !positive(rippleDb))
        return false;
    return install(bandPass(chebyshev(n, rippleDb), fLow, fHigh, fs));
}

bool FILTER::setCoefBPFIChev(long n, double fLow, double fHigh, double fs, double stopDb)
{
    if (!validBandOrder(n) || !positive(stopDb))
        return false;
    return install(bandPass(inverseChebyshev(n, stopDb), fLow, fHigh, fs));
}

bool FILTER::setCoefBEF(long n, double fLow, double fHigh, double fs)
{
    if (!validBandOrder(n))
        return false;
    return install(bandStop(butterworth(n), fLow, fHigh, fs));
}

bool FILTER::setCoefBEFChev(long n, double fLow, double fHigh, double fs, double rippleDb)
{
    if (!validBandOrder(n) || !positive(rippleDb))
        return false;
    return install(bandStop(chebyshev(n, rippleDb), fLow, fHigh, fs));
}

bool FILTER::setCoefBEFIChev(long n, double fLow, double fHigh, double fs, double stopDb)
{
    if (!validBandOrder(n) || !positive(stopDb))
        return false;
    return install(bandStop(inverseChebyshev(n, stopDb), fLow, fHigh, fs));
}

// --- One-pole smoothers ---

namespace {

bool onePoleCoefficient(double f, double fs, double &a)
{
    if (!zb4r_filter::insideBand(f, fs))
        return false;
    a = -std::expm1(-2.0 * kPi * f / fs);
    return true;
}

Design onePole(double b0, double b1, double a1)
{
    Design design;
    design.hasFirstOrder = true;
    design.first[FirstB0] = b0;
    design.first[FirstB1] = b1;
    design.first[FirstA1] = a1;
    return design;
}

} // namespace

bool FILTER::setDcfLPF(double f, double fs)
{
    double a;
    return onePoleCoefficient(f, fs, a) && setDcfLPF(a);
}

bool FILTER::setDcfLPF(double a)
{
    return install(onePole(a, 0.0, 1.0 - a));
}

bool FILTER::setDcfHPF(double f, double fs)
{
    double a;
    return onePoleCoefficient(f, fs, a) && setDcfHPF(a);
}

bool FILTER::setDcfHPF(double a)
{
    const double k = 1.0 - 0.5 * a;
    return install(onePole(k, -k, k));
}

// --- Free functions ---

namespace {

// Geometric means of neighbouring rates, squared: fs < √(r1·r2) ⇔ fs² < r1·r2 for fs ≥ 0.
constexpr double kRateBoundarySq[] = {44100.0 * 48000.0, 48000.0 * 88200.0, 88200.0 * 96000.0};

} // namespace

extern "C" {

// The rates, then 2^(i − 16) for i = 0..16, exact in single precision.
const float validFS[VALID_FS_SIZE] = {44100.0f, 48000.0f, 88200.0f, 96000.0f, //
                                      0x1p-16f, 0x1p-15f, 0x1p-14f, 0x1p-13f, 0x1p-12f, 0x1p-11f,
                                      0x1p-10f, 0x1p-9f,  0x1p-8f,  0x1p-7f,  0x1p-6f,  0x1p-5f,
                                      0x1p-4f,  0x1p-3f,  0x1p-2f,  0x1p-1f,  0x1p0f};

float float2lin(float x, float lo, float hi)
{
    return lo + x * (hi - lo);
}

int float2int(float x, int n)
{
    const float scaled = std::trunc(x * float(n));
    if (std::isnan(scaled))
        return 0;
    const double limited = std::min(double(scaled), double(n) - 1.0);
    return int(std::clamp(limited, double(std::numeric_limits<int>::min()),
                          double(std::numeric_limits<int>::max())));
}

// (e^(a·x) − 1)/(e^a − 1) with a = r·ln10/20 is the same curve, without the 0/0 for small r.
float float2expz(float x, float rangeDb)
{
    if (rangeDb == 0.0f)
        return x;
    const float a = rangeDb * 0.115129254649702f; // ln(10)/20
    return std::expm1(a * x) / std::expm1(a);
}

float ExpLinCoef(float x)
{
    const float clamped = std::isnan(x) ? 0.0f : std::clamp(x, 0.0f, 1.0f);
    const float y = float(VALID_FS_POWERS - 1) * clamped;
    const int i = int(y);
    return validFS[VALID_FS_RATES + i] * (1.0f + (y - float(i)));
}

int getFSid(float fs)
{
    const double rate = fs;
    if (rate < 0.0)
        return 0;
    int id = 0;
    while (id < 3 && !(rate * rate < kRateBoundarySq[id]))
        ++id;
    return id;
}

} // extern "C"
