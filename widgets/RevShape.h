#ifndef REVSHAPE_H
#define REVSHAPE_H

#include "RevLine.h"
#include "filter.h"
#include "zb4r_widgets_export.h"

#include <QtGlobal>

// The reverb model behind the graph: the twelve parameters, one reference envelope line per
// reverb kind (Hall, Room, Plate), and four filters designed at 44.1 kHz: a high-pass and a
// low-pass for the filter curve, a high shelf at 4 kHz and a low shelf for the reverb-time
// curve. Setters limit their values; every table index stays within its table.
class ZB4R_WIDGETS_EXPORT RevShape
{
public:
    // Parameter indexes of SetParameter()/GetParameter().
    enum Parameter {
        ReverbTime = 1,
        Diffusion = 2,
        InitialDelay = 3,
        Hpf = 4,
        Lpf = 5,
        RoomSize = 6,
        HighRatio = 7,
        LowRatio = 8,
        Decay = 9,
        Mix = 10,
        Kind = 11,
        LowFreq = 12,
        ParameterCount = 12
    };
    // The reverb types, 0..5; the kind is type / 2.
    static constexpr int TypeCount = 6;
    static constexpr int CurvePoints = 1024;
    static constexpr int SampleRate = 44100;
    static constexpr int InitialSpan = 800;
    static constexpr double HighShelfHz = 4000.0;

    // Parameters 1..12 (in index order) of type t (limited to 0..5).
    static const qint16 *preset(int type);

    // Starts with the Large Hall values, line 0 current, the span at 800 ms.
    RevShape();

    // Parameter i (1..12) as stored; 0 outside.
    float GetParameter(int i) const;
    // Parameter i (1..12) through its setter; other indexes do nothing.
    void SetParameter(int i, qint16 v);

    void SetReverbTime_param(qint16 v);
    void SetDiffusion(qint16 v);
    void SetInitialDelay_param(qint16 v);
    void SetHPF_param(qint16 v);
    void SetLPF_param(qint16 v);
    void SetRoomSize(qint16 v);
    void SetHighRatio_param(qint16 v);
    void SetLowRatio_param(qint16 v);
    void SetDecay(qint16 v);
    void SetMix(qint16 v);
    void SetReverbType(qint16 k);
    void SetLowFreq_param(qint16 v);
    // The three band ratios (100 Hz, 1 kHz, 10 kHz) of the shelves into the current line.
    void SetRevTimeRatio();

    int timeSpan() const { return m_span; }
    void setTimeSpan(int ms) { m_span = ms; }

    const RevLine &currentLine() const { return m_lines[m_current]; }
    const RevLine &line(int kind) const { return m_lines[qBound(0, kind, 2)]; }
    int currentKind() const { return m_current; }
    // Actual reverb time of the current parameters, seconds.
    float actualReverbTime() const;

    // Frequency of point i of an n-point curve: 20 × exp(i × ln 1000 / n) Hz.
    static double curveFrequency(int i, int n);
    // High-pass plus low-pass power (dB) per point, at least -96.
    void GetFilterCurve(float *out, int n) const;
    // Reverb time (ms) per point, shelved, plus the initial delay.
    void GetReverbTimeCurve(float *out, int n) const;

    const FILTER &highPass() const { return m_hpf; }
    const FILTER &lowPass() const { return m_lpf; }
    const FILTER &highShelf() const { return m_highShelf; }
    const FILTER &lowShelf() const { return m_lowShelf; }

private:
    enum Slot {
        SlotKind,
        SlotReverbTime,
        SlotInitialDelay,
        SlotDiffusion,
        SlotRoomSize,
        SlotDecay,
        SlotHpf,
        SlotLpf,
        SlotHighRatio,
        SlotLowRatio,
        SlotLowFreq,
        SlotMix,
        SlotCount
    };
    static int slotOf(int parameter);
    RevLine &line() { return m_lines[m_current]; }
    void applyTime();
    void designLowShelf();

    qint16 m_values[SlotCount] = {};
    int m_span = InitialSpan;
    RevLine m_lines[3];
    int m_current = 0;
    float m_lowFrequency = 0;
    FILTER m_hpf;
    FILTER m_lpf;
    FILTER m_highShelf;
    FILTER m_lowShelf;
};

#endif
