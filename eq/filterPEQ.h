// A band-pass section used as a parallel peaking stage: a boost adds K times the band-pass output
// to the signal, a cut puts the same network in the feedback path, so a cut is the exact inverse
// of the boost of the same gain.
//
// The section is H_bp(z) = c2·(1 − z⁻²) / (1 + c0·z⁻¹ + c1·z⁻²), the bilinear image of
// (s/Q)/(s² + s/Q + 1) at the centre f (note the + signs in the denominator). With the gain
// factor K = 10^(|gainDb|/20) − 1, the stage is 1 + K·H_bp (boost) or 1/(1 + K·H_bp) (cut).
//
// Processing, per sample x (K = gainFactor()):
//   boost: out = x + K·cal_boost(x);                     then dlyupdate_bpf(x);
//   cut:   out = (x − K·cal_cut()) / (1 + gainedC2());   then dlyupdate_bpf(out).
//
// Units: Hz, dB; phases in radians.
#ifndef FILTERPEQ_H
#define FILTERPEQ_H

#include "zb4r_widgets_export.h"

#include <complex>
#include <stdint.h>

class ZB4R_WIDGETS_EXPORT FILTER2PEQ
{
public:
    enum EBandMode { BandCut = 1, BandBoost = 2, BandFlat = 3 };

    // One section, flat (mode BandFlat, K = 0, all coefficients and delays 0).
    FILTER2PEQ();

    // Order 2 sets up the section, zeroed; any other order leaves it without one (a stage
    // without a section passes the signal, and response_bpf() reads 1).
    bool _setOrder(long order);
    // Zeroes the delays.
    void clearDelay();

    // Designs the section at centre f with quality Q and records the gain. The mode is BandCut
    // for gainDb < 0, BandBoost above 0 and BandFlat at 0. Above a corner that depends on the
    // rate, Q is corrected by factor = A − B·log2(Q) − C·f when that factor is ≤ 1, and never
    // below 0.1:
    //   fs < 48000:          f > 2000 Hz, A 1.25513, B 0.0301,  C 4.817e-05
    //   48000 ≤ fs < 88200:  f > 2000 Hz, A 1.25686, B 0.02143, C 4.103e-05
    //   88200 ≤ fs < 96000:  f > 4000 Hz, A 1.29486, B 0.0317,  C 2.462e-05
    //   fs ≥ 96000:          f > 4000 Hz, A 1.21531, B 0.02382, C 2.004e-05
    // f ≤ 0, f ≥ fs/2, fs ≤ 0, Q ≤ 0 or a NaN leave the stage as it was and give false. Sets up
    // the section when it has none; otherwise the delays stay.
    bool setCoefBPF_C(double f, double fs, double Q, double gainDb);
    // Copies mode, K, gainedC2, the section count and the coefficients (not the delays).
    void setCoefByCopy(const FILTER2PEQ *other);

    // H_bp(e^jω), or 1 without a section; 0 for fs ≤ 0 or a non-finite f.
    std::complex<double> response_bpf(double f, double fs) const;
    // 10·log10|1 + K·H_bp|² and 10·log10|1/(1 + K·H_bp)|²; −100.0 when the square is not
    // positive, when 1 + K·H_bp vanishes (only possible for K < 0) or for fs ≤ 0.
    double power_boost(double f, double fs, double K) const;
    double power_cut(double f, double fs, double K) const;

    // The band-pass output for input x, without updating (x without a section).
    double cal_boost(double x) const;
    // The part of the band-pass output that does not depend on the current input,
    // −(c0·d0 + c1·d1 + d3); 0 without a section.
    double cal_cut() const;
    // Advances the delays with the band-pass input x.
    void dlyupdate_bpf(double x);

    EBandMode mode() const { return EBandMode(m_mode); }
    // K of the last design.
    double gainFactor() const { return m_gainFactor; }
    // c2·K.
    double gainedC2() const { return m_gainedC2; }
    // 2 with a section, else 0.
    long sectionCount() const { return m_sections; }
    // {c0, c1, c2}.
    const double *coefficients() const { return m_coefficients; }

private:
    struct Terms
    {
        double numRe, numIm, denRe, denIm;
    };
    Terms terms(double f, double fs) const;

    // d0 = y[n−1], d1 = y[n−2], d2 = c2·x[n−1], d3 = c2·x[n−2].
    double m_delays[4] = {};
    double m_coefficients[3] = {};
    int32_t m_sections = 0;
    int32_t m_mode = BandFlat;
    double m_gainFactor = 0.0;
    double m_gainedC2 = 0.0;
};

#endif /* FILTERPEQ_H */
