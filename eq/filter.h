// Digital filter toolkit: a cascade of biquads with an optional first-order section, designed by
// the bilinear transform, filtering sample by sample and evaluating its own response.
//
// Conventions used throughout:
//  - frequencies and sample rates are in Hz, gains in dB, phases in radians;
//  - a biquad holds {b0, b1, b2, a1, a2} and computes y = b0·x + b1·x1 + b2·x2 + a1·y1 + a2·y2,
//    so the feedback coefficients carry the sign that is added and
//    H(z) = (b0 + b1·z⁻¹ + b2·z⁻²) / (1 − a1·z⁻¹ − a2·z⁻²);
//  - the first-order section holds {b0, b1, a1} and computes y = b0·x + b1·x1 + a1·y1;
//  - designs use T = tan(π·f/fs) and the bilinear variable s = (1 − z⁻¹)/(1 + z⁻¹), so an analog
//    prototype normalised to its corner is met exactly at Ω = tan(π·f/fs) / T.
//
// Bad input: a designer given f ≤ 0, f ≥ fs/2, fs ≤ 0 (or a NaN), Q ≤ 0, an order outside its
// range, a non-positive ripple or stop-band depth, or values whose coefficients would not be
// finite leaves the filter exactly as it was (order, coefficients and delays) and returns false.
// Nothing is thrown; a failed allocation leaves the filter without sections.
#ifndef FILTER_H
#define FILTER_H

#include "zb4r_widgets_export.h"

#include <stdint.h>

#ifdef __cplusplus

#include <memory>

class ZB4R_WIDGETS_EXPORT FILTER
{
public:
    // Highest order setOrder accepts; a higher one acts as a failed allocation.
    static constexpr long MaxOrder = 64;
    // What power() (and FILTER2PEQ's powers) read for a zero magnitude, in dB.
    static constexpr double FloorDb = -100.0;

    // Order 2, cleared (all coefficients 0, so power() reads −100 dB).
    FILTER();
    // The given order, cleared. An order outside 0..MaxOrder gives no sections.
    explicit FILTER(long order);
    // Copies are deep: coefficients and delays.
    FILTER(const FILTER &other);
    FILTER &operator=(const FILTER &other);
    FILTER(FILTER &&other) noexcept;
    FILTER &operator=(FILTER &&other) noexcept;
    ~FILTER();

    // Order n: n/2 biquads, then a first-order section when n is odd; everything zeroed. A
    // negative order gives no sections; above MaxOrder, or when memory runs out, the filter is
    // left without sections and the result is false.
    bool setOrder(long order);
    // Zeroes delays and all coefficients.
    void clear();
    // Zeroes the delays only.
    void clearDelay();
    // Sets every delay (and the first-order x1, y1) to v: a filter with unity DC gain then
    // outputs v at once for a constant input v.
    void setDelay(double v);

    // Total order as last set (0 without sections).
    long order() const { return m_order; }
    // 2 × number of biquads.
    long biquadOrder() const { return m_biquadOrder; }
    // 1 if a first-order section follows the biquads.
    long firstOrder() const { return m_firstOrder; }
    // {b0, b1, b2, a1, a2} of biquad k (0-based), or null outside 0..biquadOrder()/2 − 1.
    const double *coefficients(long k) const;
    // {b0, b1, a1} of the first-order section, or null without one.
    const double *firstOrderCoefficients() const;

    // One sample through the whole cascade (a filter without sections passes it unchanged).
    double cal(double x);
    double cal(long x);
    double cal(int x) { return cal(long(x)); }
    // x through the first stages/2 biquads (limited to those present), then through the
    // first-order section if there is one.
    double cal(long stages, double x);

    // 10·log10|H|² at f, the product over all biquads and the first-order section; −100.0 when
    // |H|² ≤ 0 (or fs ≤ 0, or a non-finite argument).
    double power(double f, double fs) const;
    // atan2(Im, Re) of the product over the biquads only (the first-order section does not
    // enter): 0 for a filter of order 0 or 1, and for fs ≤ 0 or a non-finite argument.
    double phase(double f, double fs) const;

    // --- Single-biquad designs (order 2). They switch to order 2 (cleared) only when the order
    // differs; otherwise the delays stay, so coefficients can change under a running signal.
    // Boost for gainDb ≥ 0, cut below. V = 10^(gainDb/20) ("signed") or 10^(|gainDb|/20),
    // K = 10^(|gainDb|/20) − 1. Prototypes in s normalised to f:

    // Peaking, constant bandwidth of the boost: (s² + (1+K)s/Q + 1)/(s² + s/Q + 1); cut:
    // reciprocal.
    bool setCoef(double f, double fs, double gainDb, double Q);
    bool setCoefPDFPQ(double f, double fs, double gainDb, double Q);
    // Peaking, Q narrowing with gain: (s² + s/Q + 1)/(s² + s/(Q(1+K)) + 1); cut: reciprocal.
    bool setCoefPDFCQ(double f, double fs, double gainDb, double Q);

    // Shelves, argument order (f, gainDb, fs). First-order ones set b2 = a2 = 0.
    // LOWS_A, V from |g|: (s + V)/(s + 1); cut (s + 1)/(s + V).
    bool setCoefLOWS_A(double f, double gainDb, double fs);
    // LOWS_B, V signed: V(s + 1)/(Vs + 1); cut (s + V)/(s + 1).
    bool setCoefLOWS_B(double f, double gainDb, double fs);
    // HIGS_A, V signed: (Vs + 1)/(s + 1); cut V(s + 1)/(s + V).
    bool setCoefHIGS_A(double f, double gainDb, double fs);
    // HIGS_B, V from |g|: V(s + 1)/(s + V); cut (s/V + 1)/(s + 1).
    bool setCoefHIGS_B(double f, double gainDb, double fs);
    // Second-order shelves, V from |g|, cuts are the reciprocals:
    // LOWS_2A: (s² + √(2V)s + V)/(s² + √2s + 1)
    bool setCoefLOWS_2A(double f, double gainDb, double fs);
    // LOWS_2B: (s² + √2s + 1)/(s² + √2s/√V + 1/V)
    bool setCoefLOWS_2B(double f, double gainDb, double fs);
    // HIGS_2A: (Vs² + √(2V)s + 1)/(s² + √2s + 1)
    bool setCoefHIGS_2A(double f, double gainDb, double fs);
    // HIGS_2B: V(s² + √2s + 1)/(s² + √(2V)s + V)
    bool setCoefHIGS_2B(double f, double gainDb, double fs);
    // Dispatchers: variant B without a variant or for variant 1, variant A otherwise.
    bool setCoefLOWS(double f, double gainDb, double fs);
    bool setCoefLOWS(double f, double gainDb, double fs, short variant);
    bool setCoefLOWS_2(double f, double gainDb, double fs);
    bool setCoefLOWS_2(double f, double gainDb, double fs, short variant);
    bool setCoefHIGS(double f, double gainDb, double fs);
    bool setCoefHIGS(double f, double gainDb, double fs, short variant);
    bool setCoefHIGS_2(double f, double gainDb, double fs);
    bool setCoefHIGS_2(double f, double gainDb, double fs, short variant);

    // Second-order low-pass 1/(s² + s/Q + 1): unity DC gain, Q at f.
    bool setCoefLPFQfct(double f, double fs, double Q);
    // Second-order band-pass of constant skirt gain s/(s² + s/Q + 1): the peak at f is Q.
    bool setCoefBPFQfct(double f, double fs, double Q);
    // Second-order band-pass of constant peak gain (s/Q)/(s² + s/Q + 1): 0 dB at f.
    bool setCoefBPF_Q(double f, double fs, double Q);

    // --- Butterworth high- and low-pass of order 1..MaxOrder (−3.0103 dB at f), switching order
    // only when it differs. The two-argument forms are order 2.
    bool setCoefHPF(double f, double fs);
    bool setCoefHPF(long order, double f, double fs);
    bool setCoefLPF(double f, double fs);
    bool setCoefLPF(long order, double f, double fs);

    // Chebyshev high- and low-pass, order 1..MaxOrder: equiripple pass band between 0 and
    // −rippleDb, reaching −rippleDb at the band edge f and falling monotonically beyond it.
    bool setCoefHPFChev(long order, double f, double fs, double rippleDb);
    bool setCoefLPFChev(long order, double f, double fs, double rippleDb);
    // Inverse Chebyshev high- and low-pass, order 1..MaxOrder: monotonic pass band with unity gain
    // at DC (low-pass) or fs/2 (high-pass), equiripple stop band no higher than −stopDb, which
    // begins at f.
    bool setCoefHPFIChev(long order, double f, double fs, double stopDb);
    bool setCoefLPFIChev(long order, double f, double fs, double stopDb);

    // --- Band designs from a low-pass prototype of order n = 1..MaxOrder/2 by the band
    // transformation around Ω0 = √(Ωlo·Ωhi), B = Ωhi − Ωlo (Ω = tan(π·f/fs)): n biquads, order
    // 2n, no first-order section. They need 0 < fLow < fHigh < fs/2.
    // Band-pass, −3.0103 dB at fLow and fHigh, 0 dB at the centre.
    bool setCoefBPF(long n, double fLow, double fHigh, double fs);
    // Band-pass with an equiripple pass band fLow..fHigh between 0 and −rippleDb.
    bool setCoefBPFChev(long n, double fLow, double fHigh, double fs, double rippleDb);
    // Band-pass with 0 dB at the centre and stop bands no higher than −stopDb below fLow and
    // above fHigh.
    bool setCoefBPFIChev(long n, double fLow, double fHigh, double fs, double stopDb);
    // Band-stop, −3.0103 dB at fLow and fHigh, unity gain at DC and fs/2, a null at the centre.
    bool setCoefBEF(long n, double fLow, double fHigh, double fs);
    // Band-stop with equiripple pass bands (0 to −rippleDb) below fLow and above fHigh.
    bool setCoefBEFChev(long n, double fLow, double fHigh, double fs, double rippleDb);
    // Band-stop with unity gain at DC and a stop band fLow..fHigh no higher than −stopDb.
    bool setCoefBEFIChev(long n, double fLow, double fHigh, double fs, double stopDb);

    // --- One-pole smoothers (order 1: no biquads), a = 1 − exp(−2π·f/fs).
    // Low-pass: b0 = a, b1 = 0, a1 = 1 − a (unity DC gain).
    bool setDcfLPF(double f, double fs);
    bool setDcfLPF(double a);
    // High-pass: b0 = 1 − a/2, b1 = −(1 − a/2), a1 = 1 − a/2 (a zero at DC). The coefficient
    // forms accept any finite a.
    bool setDcfHPF(double f, double fs);
    bool setDcfHPF(double a);

    // --- Coefficient steps used by the designs. Each writes one biquad coef = {b0, b1, b2, a1,
    // a2}. Low- and high-pass steps take one section of a low-pass prototype normalised to its band
    // edge at Ω = 1 with unity DC gain, q/(s² + p·s + q), or (q/z)(s² + z)/(s² + p·s + q) with a
    // zero pair at ±j√z, and move it to the edge T = tan(π·f/fs) as a low-pass (s → s/T) or a
    // high-pass (s → T/s, unity gain at fs/2). Butterworth sections have q = 1, p = −2·cos θ.
    static void HpfCoefToZet(double p, double q, double T, double *coef);
    static void LpfCoefToZet(double p, double q, double T, double *coef);
    static void IChevHpfCoefToZet(double p, double q, double z, double T, double *coef);
    static void IChevLpfCoefToZet(double p, double q, double z, double T, double *coef);
    // Band steps take sections already in the bilinear variable s (Ω = tan(π·f/fs)):
    // s/(s² + p·s + q) and (s² + z)/(s² + p·s + q).
    static void BpfCoefToZet(double p, double q, double *coef);
    static void BefCoefToZet(double p, double q, double z, double *coef);
    // The band-pass transformation s → (s² + centreSq)/(bandwidth·s): of a prototype denominator
    // s² + p·s + q into two denominators {p1, q1, p2, q2} (BuboCoefTrans), and of a prototype
    // zero pair s² + z into two zero pairs {za, zb} (BpfCoefTrans). A band-stop applies them to
    // the reciprocal prototype (q → 1/q, p → p/q, z → 1/z).
    static void BuboCoefTrans(double p, double q, double bandwidth, double centreSq,
                              double *denominators);
    static void BpfCoefTrans(double z, double bandwidth, double centreSq, double *zeros);

    // A design under construction; opaque outside the library.
    struct Design;

private:
    bool install(const Design &design);
    void release();

    std::unique_ptr<double[]> m_delays; // x1, x2, y1, y2 per biquad
    std::unique_ptr<double[]> m_coefficients; // b0, b1, b2, a1, a2 per biquad
    double m_firstState[2] = {}; // x1, y1
    double m_firstCoefficients[3] = {}; // b0, b1, a1
    int32_t m_biquadOrder = 0;
    int32_t m_firstOrder = 0;
    int32_t m_order = 0;
};

extern "C" {
#endif

enum {
    VALID_FS_RATES = 4, /* 44100, 48000, 88200, 96000 */
    VALID_FS_POWERS = 17, /* then 2^(i - 16) for i = 0..16 */
    VALID_FS_SIZE = VALID_FS_RATES + VALID_FS_POWERS
};

/* The four console rates, then the powers of two ExpLinCoef reads. */
ZB4R_WIDGETS_EXPORT extern const float validFS[VALID_FS_SIZE];

/* lo + x·(hi − lo), single precision. */
ZB4R_WIDGETS_EXPORT float float2lin(float x, float lo, float hi);
/* min(trunc(x·n), n − 1); a NaN reads as 0, and the result stays within the int range. */
ZB4R_WIDGETS_EXPORT int float2int(float x, int n);
/* (10^(r·(x−1)/20) − 10^(−r/20)) / (1 − 10^(−r/20)) with r = rangeDb: 0 → 0 and 1 → 1 along an
 * exponential of r dB; x itself for r = 0 (the limit). Single precision. */
ZB4R_WIDGETS_EXPORT float float2expz(float x, float rangeDb);
/* Piecewise-linear 2^(16x − 16) over x in 0..1 (clamped; a NaN reads as 0): 2^−16 at 0, 1.0 at 1,
 * continuous at the joins x = i/16. */
ZB4R_WIDGETS_EXPORT float ExpLinCoef(float x);
/* Index of the nearest console rate in validFS, the boundaries at the geometric means of
 * neighbours: 0 below √(44100·48000), 1 below √(48000·88200), 2 below √(88200·96000), else 3
 * (also for a NaN). */
ZB4R_WIDGETS_EXPORT int getFSid(float fs);

#ifdef __cplusplus
}
#endif

#endif /* FILTER_H */
