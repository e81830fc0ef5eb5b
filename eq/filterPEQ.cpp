// The parallel peaking stage: one band-pass section, its design with the rate-dependent Q
// correction, its response and its two processing halves.

#include "filterPEQ.h"

#include "filter_p.h"

#include <algorithm>
#include <cmath>

namespace {

using Complex = std::complex<double>;
using zb4r_filter::dbOfPower;
using zb4r_filter::kPi;

constexpr double kFloorDb = FILTER::FloorDb;
constexpr int32_t kSectionOrder = 2;
constexpr double kMinimumQ = 0.1;

enum { C0, C1, C2 };
enum { D0, D1, D2, D3 };

// Q correction per rate band: applies above cornerHz when A − B·log2(Q) − C·f ≤ 1.
struct QCorrection
{
    double belowRate; // the band holds rates below this
    double cornerHz;
    double A, B, C;
};

constexpr QCorrection kQCorrections[] = {
        {48000.0, 2000.0, 1.25513, 0.0301, 4.817e-05},
        {88200.0, 2000.0, 1.25686, 0.02143, 4.103e-05},
        {96000.0, 4000.0, 1.29486, 0.0317, 2.462e-05},
        {HUGE_VAL, 4000.0, 1.21531, 0.02382, 2.004e-05},
};

double correctedQ(double f, double fs, double Q)
{
    const QCorrection *band = std::find_if(std::begin(kQCorrections), std::end(kQCorrections),
                                           [fs](const QCorrection &c) { return fs < c.belowRate; });
    if (!(f > band->cornerHz))
        return Q;
    const double factor = band->A - band->B * std::log2(Q) - band->C * f;
    return factor <= 1.0 ? std::max(Q * factor, kMinimumQ) : Q;
}

} // namespace

FILTER2PEQ::FILTER2PEQ()
{
    _setOrder(kSectionOrder);
}

bool FILTER2PEQ::_setOrder(long order)
{
    std::fill(std::begin(m_delays), std::end(m_delays), 0.0);
    std::fill(std::begin(m_coefficients), std::end(m_coefficients), 0.0);
    m_sections = order == kSectionOrder ? kSectionOrder : 0;
    return m_sections != 0;
}

void FILTER2PEQ::clearDelay()
{
    std::fill(std::begin(m_delays), std::end(m_delays), 0.0);
}

bool FILTER2PEQ::setCoefBPF_C(double f, double fs, double Q, double gainDb)
{
    if (!zb4r_filter::insideBand(f, fs) || !(Q > 0.0) || !std::isfinite(Q) || std::isnan(gainDb))
        return false;
    const double K = std::pow(10.0, std::abs(gainDb) / 20.0) - 1.0;
    const double q = correctedQ(f, fs, Q);
    const double t = std::tan(kPi * f / fs);
    const double D = 1.0 + t / q + t * t;
    const double c[3] = {2.0 * (t * t - 1.0) / D, (1.0 - t / q + t * t) / D, (t / q) / D};
    if (!std::isfinite(K)
        || !std::all_of(std::begin(c), std::end(c), [](double v) { return std::isfinite(v); }))
        return false;
    if (m_sections != kSectionOrder)
        _setOrder(kSectionOrder);
    std::copy(std::begin(c), std::end(c), m_coefficients);
    m_mode = gainDb < 0.0 ? BandCut : gainDb > 0.0 ? BandBoost : BandFlat;
    m_gainFactor = K;
    m_gainedC2 = c[C2] * K;
    return true;
}

void FILTER2PEQ::setCoefByCopy(const FILTER2PEQ *other)
{
    if (!other || other == this)
        return;
    m_mode = other->m_mode;
    m_gainFactor = other->m_gainFactor;
    m_gainedC2 = other->m_gainedC2;
    m_sections = other->m_sections;
    std::copy(std::begin(other->m_coefficients), std::end(other->m_coefficients), m_coefficients);
}

// Numerator and denominator of H_bp at f: c2·(1 − z⁻²) and 1 + c0·z⁻¹ + c1·z⁻² at
// z⁻¹ = cos ω − j·sin ω; 1 and 1 without a section.
FILTER2PEQ::Terms FILTER2PEQ::terms(double f, double fs) const
{
    if (m_sections == 0)
        return {1.0, 0.0, 1.0, 0.0};
    const double omega = 2.0 * kPi * f / fs;
    const double cos1 = std::cos(omega), sin1 = std::sin(omega);
    const double cos2 = cos1 * cos1 - sin1 * sin1, sin2 = 2.0 * sin1 * cos1;
    const double *c = m_coefficients;
    return {c[C2] * (1.0 - cos2), c[C2] * sin2, 1.0 + c[C0] * cos1 + c[C1] * cos2,
            -(c[C0] * sin1 + c[C1] * sin2)};
}

Complex FILTER2PEQ::response_bpf(double f, double fs) const
{
    if (!(fs > 0.0) || !std::isfinite(f))
        return {0.0, 0.0};
    const Terms t = terms(f, fs);
    return Complex(t.numRe, t.numIm) / Complex(t.denRe, t.denIm);
}

// |1 + K·N/D|² = |D + K·N|² / |D|²: real arithmetic and one division per point.
double FILTER2PEQ::power_boost(double f, double fs, double K) const
{
    if (!(fs > 0.0))
        return kFloorDb;
    const Terms t = terms(f, fs);
    const double re = t.denRe + K * t.numRe, im = t.denIm + K * t.numIm;
    return dbOfPower((re * re + im * im) / (t.denRe * t.denRe + t.denIm * t.denIm));
}

double FILTER2PEQ::power_cut(double f, double fs, double K) const
{
    if (!(fs > 0.0))
        return kFloorDb;
    const Terms t = terms(f, fs);
    const double re = t.denRe + K * t.numRe, im = t.denIm + K * t.numIm;
    const double boost = re * re + im * im;
    return boost > 0.0 ? dbOfPower((t.denRe * t.denRe + t.denIm * t.denIm) / boost) : kFloorDb;
}

double FILTER2PEQ::cal_boost(double x) const
{
    if (m_sections == 0)
        return x;
    return m_coefficients[C2] * x - m_delays[D3] - m_coefficients[C0] * m_delays[D0]
            - m_coefficients[C1] * m_delays[D1];
}

double FILTER2PEQ::cal_cut() const
{
    if (m_sections == 0)
        return 0.0;
    return -(m_coefficients[C0] * m_delays[D0] + m_coefficients[C1] * m_delays[D1] + m_delays[D3]);
}

void FILTER2PEQ::dlyupdate_bpf(double x)
{
    const double y = m_coefficients[C2] * x - m_coefficients[C0] * m_delays[D0]
            - m_coefficients[C1] * m_delays[D1] - m_delays[D3];
    m_delays[D1] = m_delays[D0];
    m_delays[D0] = y;
    m_delays[D3] = m_delays[D2];
    m_delays[D2] = m_coefficients[C2] * x;
}
