#ifndef REVLINE_H
#define REVLINE_H

#include "zb4r_widgets_export.h"

#include <vector>

// One reference reverb envelope and the edit values derived from it.
//
// The reference is built from an attack record (a sample count and a linear slope) and release
// segments of 4000 samples at 44.1 kHz, each an integer start amplitude and an exponential rate
// per sample; it is kept as one level in dB per millisecond.
//
// The edit state (reverb kind, room size, reverb-time index, initial delay, decay and the three
// band ratios) shapes what the graph shows. The shown envelope of a band is the reference
// delayed by the initial delay, its attack stretched by the decay, (1 + decay) / (1 + base
// decay), and its release stretched by the band's reverb time over the reference's, so that the
// knobs visibly move the curves; past its last sample the reference continues at its last
// segment's rate. Levels are shown relative to the first release amplitude.
class ZB4R_WIDGETS_EXPORT RevLine
{
public:
    struct Segment
    {
        int amplitude;
        double rate; // natural-log amplitude per sample
    };
    enum Band { LowBand = 0, MidBand = 1, HighBand = 2, BandCount = 3 };

    static constexpr double SampleRate = 44100.0;
    static constexpr int SegmentSamples = 4000;
    static constexpr int DecayMax = 53;
    static constexpr int RoomSizeMax = 31;

    // Allocates int((segments × 4000 + attackCount) / 44100 × 1000) samples, one per ms, fills
    // 1..n - 1 with CalcEnvelope() and extrapolates sample 0 from samples 1 and 2.
    void SetEnvelope(int attackCount, double slope, const std::vector<Segment> &release);
    // Level in dB at millisecond i of the reference.
    float CalcEnvelope(int i) const;
    const std::vector<float> &samples() const { return m_samples; }
    int attackCount() const { return m_attackCount; }
    double slope() const { return m_slope; }
    const std::vector<Segment> &segments() const { return m_segments; }

    // Reference constants: reverb time (ms) of (kind, room size, index), attack length (ms),
    // base decay with the decay ratio (attack length / base reverb time), release rate per ms.
    void SetBaseRevTime(int kind, int roomSize, int index);
    void SetAtkMaxAdress();
    void SetBaseDecayInit(int decay);
    void SetReleaseRate();
    float baseRevTime() const { return m_baseRevTime; }
    float attackLength() const { return m_attackLength; }
    float decayRatio() const { return m_decayRatio; }
    double releaseRate() const { return m_releaseRate; }

    // --- edit state -----------------------------------------------------------------------
    void SetReverbTime(int kind, int roomSize, int index);
    void SetInitialDelay(float ms) { m_initialDelay = ms; }
    void SetDecay(int decay) { m_decay = decay; }
    void SetHighRatioParam(int v) { m_highRatioParam = v; }
    void SetLowRatioParam(int v) { m_lowRatioParam = v; }
    // Reverb-time ratio of a band (from the shelves), then CalcRatio(band).
    void SetRatio(Band band, float ratio);
    // The band's release stretch: its reverb time over the reference's.
    void CalcRatio(Band band);
    float ratio(Band band) const { return m_ratio[band]; }
    float stretch(Band band) const { return m_stretch[band]; }

    // Actual reverb time of the edit state, seconds; the initial-delay edit value, ms.
    float actualReverbTime() const { return m_actualTime; }
    float initialDelay() const { return m_initialDelay; }

    // Knob positions on the time axis (ms) and their inverses.
    float GetHighRatioNob() const;
    float GetLowRatioNob() const;
    float GetHighRatioParam_Float(float x) const;
    float GetLowRatioParam_Float(float x) const;
    int GetHighRatioParam(float x) const { return int(GetHighRatioParam_Float(x)); }
    int GetLowRatioParam(float x) const { return int(GetLowRatioParam_Float(x)); }
    float GetRoomSizeParam_Float(float x) const;
    // The decay knob sits where the shown attack ends.
    float GetDecayNob() const;
    float GetDecayParam_Float(float x) const;

    // The shown level (dB, relative, not limited) of band at t ms.
    float levelAt(Band band, float t) const;
    // width levels of band, column j standing for j × span / width ms.
    void GetDisplayEnvelope(Band band, float spanMs, int width, float *out) const;

private:
    float shownAttackLength() const;
    float referenceAt(float ms) const;

    std::vector<Segment> m_segments;
    std::vector<float> m_samples;
    int m_attackCount = 0;
    double m_slope = 0;
    float m_baseRevTime = 0;
    float m_attackLength = 0;
    float m_decayRatio = 0;
    int m_baseDecay = 0;
    double m_releaseRate = 0;
    float m_peakDb = 0;

    int m_kind = 0;
    int m_roomSize = 0;
    int m_timeIndex = 0;
    float m_actualTime = 0;
    float m_initialDelay = 0;
    int m_decay = 0;
    int m_highRatioParam = 10;
    int m_lowRatioParam = 10;
    float m_ratio[BandCount] = {1, 1, 1};
    float m_stretch[BandCount] = {1, 1, 1};
};

#endif
