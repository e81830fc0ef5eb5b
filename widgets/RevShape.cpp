#include "RevShape.h"

#include "ReverbUtils.h"

#include <cmath>

namespace {

// Parameters 1..12 in index order: reverb time, diffusion, initial delay, HPF, LPF, room size,
// high ratio, low ratio, decay, mix, kind, low frequency.
constexpr qint16 kPresets[RevShape::TypeCount][RevShape::ParameterCount] = {
        {26, 10, 200, 0, 43, 30, 8, 12, 51, 127, 0, 32}, // Large Hall
        {17, 10, 15, 0, 47, 25, 8, 12, 51, 127, 0, 32}, // Medium Hall
        {2, 9, 0, 8, 50, 19, 7, 10, 26, 127, 1, 32}, // Warm Room
        {7, 8, 0, 0, 52, 23, 8, 9, 47, 127, 1, 32}, // Woody Room
        {25, 10, 0, 15, 47, 15, 4, 7, 0, 127, 2, 32}, // Plate1
        {25, 10, 0, 15, 47, 15, 4, 7, 0, 127, 2, 32}, // Plate2: the same room as Plate1
};

constexpr qint16 kMaxDiffusion = 10;
constexpr qint16 kMaxMix = 127;
constexpr qint16 kMaxHighRatio = 10;
constexpr qint16 kMaxLowRatio = 14;
constexpr float kFilterFloorDb = -96.0f;

// The three reference lines.
struct Reference
{
    int attackCount;
    double slope;
    std::vector<RevLine::Segment> release;
    int kind, roomSize, index;
    int decay;
};

const Reference &reference(int kind)
{
    static const Reference lines[3] = {
            {8199,
             2.593975,
             {{21268, -8.586e-05},
              {15086, -5.562e-05},
              {12077, -3.675e-05},
              {10426, -2.86e-05},
              {9299, -9.655e-05},
              {6320, -0.00010234},
              {4197, -7.413e-05},
              {3120, -0.000142},
              {1768, -0.00014447},
              {992, -3.195e-05},
              {873, -8.717e-05},
              {616, -3.385e-05},
              {538, -6.976e-05},
              {407, -6.091e-05},
              {319, -2.297e-05},
              {291, -5.45e-05},
              {234, -1.771e-05},
              {218, -8.16e-06},
              {211, -2.621e-05}},
             0,
             30,
             26,
             51},
            {2808,
             8.55235,
             {{24015, -0.000244},
              {9051, -0.000323},
              {2489, -0.00032},
              {691, -0.000324},
              {189, -0.000318}},
             1,
             19,
             2,
             26},
            {1219,
             16.212469,
             {{19763, -9.93e-05}, {13284, -9.64e-05}, {9033, -7.37e-05}, {6726, -6.61e-05},
              {5162, -8.21e-05},  {3716, -7.45e-05},  {2757, -5.86e-05}, {2180, -5.95e-05},
              {1717, -4.51e-05},  {1433, -6.58e-05},  {1101, -5.76e-05}, {874, -4.96e-05},
              {716, -5.45e-05},   {575, -4.87e-05},   {473, -6.03e-05},  {371, -3.59e-05},
              {321, -5.68e-05},   {255, -3.09e-05},   {225, -4.64e-05},  {186, -1.49e-05},
              {175, -1.62e-05},   {163, -3.74e-05},   {140, -2.2e-05}},
             2,
             15,
             25,
             0},
    };
    return lines[qBound(0, kind, 2)];
}

qint16 bounded(qint16 v, int lo, int hi)
{
    return qint16(qBound(lo, int(v), hi));
}

double ratioGainDb(int v)
{
    const double r = v * 0.1;
    return r > 0 ? 20.0 * std::log10(r) : FILTER::FloorDb;
}

} // namespace

const qint16 *RevShape::preset(int type)
{
    return kPresets[qBound(0, type, TypeCount - 1)];
}

RevShape::RevShape()
{
    for (int k = 0; k < 3; ++k) {
        const Reference &r = reference(k);
        RevLine &l = m_lines[k];
        l.SetEnvelope(r.attackCount, r.slope, r.release);
        l.SetBaseRevTime(r.kind, r.roomSize, r.index);
        l.SetAtkMaxAdress();
        l.SetBaseDecayInit(r.decay);
        l.SetReleaseRate();
    }
    // Low frequency first: the low shelf is designed at it.
    const qint16 *p = preset(0);
    SetLowFreq_param(p[LowFreq - 1]);
    for (int i = 1; i <= ParameterCount; ++i)
        SetParameter(i, p[i - 1]);
}

int RevShape::slotOf(int parameter)
{
    static constexpr int slotTable[] = {
            -1,      SlotReverbTime, SlotDiffusion, SlotInitialDelay, SlotHpf,
            SlotLpf, SlotRoomSize,   SlotHighRatio, SlotLowRatio,     SlotDecay,
            SlotMix, SlotKind,       SlotLowFreq};
    return parameter >= 1 && parameter <= ParameterCount ? slotTable[parameter] : -1;
}

float RevShape::GetParameter(int i) const
{
    const int slot = slotOf(i);
    return slot < 0 ? 0.0f : float(m_values[slot]);
}

void RevShape::SetParameter(int i, qint16 v)
{
    switch (i) {
    case ReverbTime:
        SetReverbTime_param(v);
        break;
    case Diffusion:
        SetDiffusion(v);
        break;
    case InitialDelay:
        SetInitialDelay_param(v);
        break;
    case Hpf:
        SetHPF_param(v);
        break;
    case Lpf:
        SetLPF_param(v);
        break;
    case RoomSize:
        SetRoomSize(v);
        break;
    case HighRatio:
        SetHighRatio_param(v);
        break;
    case LowRatio:
        SetLowRatio_param(v);
        break;
    case Decay:
        SetDecay(v);
        break;
    case Mix:
        SetMix(v);
        break;
    case Kind:
        SetReverbType(v);
        break;
    case LowFreq:
        SetLowFreq_param(v);
        break;
    default:
        break;
    }
}

void RevShape::applyTime()
{
    line().SetReverbTime(m_current, m_values[SlotRoomSize], m_values[SlotReverbTime]);
}

float RevShape::actualReverbTime() const
{
    return ReverbUtils::GetActualReverbTime(m_current, m_values[SlotRoomSize],
                                            m_values[SlotReverbTime]);
}

void RevShape::SetReverbTime_param(qint16 v)
{
    m_values[SlotReverbTime] = bounded(v, 0, ReverbUtils::ReverbTimeCount - 1);
    applyTime();
}

void RevShape::SetDiffusion(qint16 v)
{
    m_values[SlotDiffusion] = bounded(v, 0, kMaxDiffusion);
}

void RevShape::SetInitialDelay_param(qint16 v)
{
    m_values[SlotInitialDelay] = bounded(v, ReverbUtils::InitDlyMin, ReverbUtils::InitDlyMax);
    line().SetInitialDelay(ReverbUtils::ConvYLIBtoDisp_InitDly(m_values[SlotInitialDelay]));
}

void RevShape::SetHPF_param(qint16 v)
{
    m_values[SlotHpf] = bounded(v, ReverbUtils::HpfMin, ReverbUtils::HpfMax);
    m_hpf.setDcfHPF(ReverbUtils::ConvYLIBtoDisp_HPF(m_values[SlotHpf]), SampleRate);
}

void RevShape::SetLPF_param(qint16 v)
{
    m_values[SlotLpf] = bounded(v, ReverbUtils::LpfMin, ReverbUtils::LpfMax);
    m_lpf.setDcfLPF(ReverbUtils::ConvYLIBtoDisp_LPF(m_values[SlotLpf]), SampleRate);
}

void RevShape::SetRoomSize(qint16 v)
{
    m_values[SlotRoomSize] = bounded(v, 0, RevLine::RoomSizeMax);
    applyTime();
}

void RevShape::SetHighRatio_param(qint16 v)
{
    m_values[SlotHighRatio] = bounded(v, 1, kMaxHighRatio);
    line().SetHighRatioParam(m_values[SlotHighRatio]);
    m_highShelf.setCoefHIGS(HighShelfHz, ratioGainDb(m_values[SlotHighRatio]), SampleRate);
    SetRevTimeRatio();
}

void RevShape::designLowShelf()
{
    m_lowShelf.setCoefLOWS_A(m_lowFrequency, ratioGainDb(m_values[SlotLowRatio]), SampleRate);
}

void RevShape::SetLowRatio_param(qint16 v)
{
    m_values[SlotLowRatio] = bounded(v, 1, kMaxLowRatio);
    line().SetLowRatioParam(m_values[SlotLowRatio]);
    designLowShelf();
    SetRevTimeRatio();
}

void RevShape::SetLowFreq_param(qint16 v)
{
    m_values[SlotLowFreq] = bounded(v, ReverbUtils::LowFreqMin, ReverbUtils::LowFreqMax);
    m_lowFrequency = ReverbUtils::ConvYLIBtoDisp_LowFreq(m_values[SlotLowFreq]);
    designLowShelf();
    SetRevTimeRatio();
}

void RevShape::SetDecay(qint16 v)
{
    m_values[SlotDecay] = bounded(v, 0, RevLine::DecayMax);
    line().SetDecay(m_values[SlotDecay]);
}

void RevShape::SetMix(qint16 v)
{
    m_values[SlotMix] = bounded(v, 0, kMaxMix);
}

void RevShape::SetReverbType(qint16 k)
{
    m_values[SlotKind] = bounded(k, 0, 2);
    m_current = m_values[SlotKind];
    SetReverbTime_param(m_values[SlotReverbTime]);
    SetInitialDelay_param(m_values[SlotInitialDelay]);
    SetRoomSize(m_values[SlotRoomSize]);
    SetDecay(m_values[SlotDecay]);
    SetHighRatio_param(m_values[SlotHighRatio]);
    SetLowRatio_param(m_values[SlotLowRatio]);
    SetLowFreq_param(m_values[SlotLowFreq]);
}

void RevShape::SetRevTimeRatio()
{
    static constexpr double bands[RevLine::BandCount] = {100.0, 1000.0, 10000.0};
    for (int b = 0; b < RevLine::BandCount; ++b) {
        const double g =
                m_highShelf.power(bands[b], SampleRate) + m_lowShelf.power(bands[b], SampleRate);
        const float ratio = g == FILTER::FloorDb ? 0.0f : float(std::pow(10.0, g / 20.0));
        line().SetRatio(RevLine::Band(b), ratio);
    }
}

double RevShape::curveFrequency(int i, int n)
{
    return n > 0 ? 20.0 * std::exp(i * std::log(1000.0) / n) : 20.0;
}

void RevShape::GetFilterCurve(float *out, int n) const
{
    for (int i = 0; i < n; ++i) {
        const double f = curveFrequency(i, n);
        const double p = m_hpf.power(f, SampleRate) + m_lpf.power(f, SampleRate);
        out[i] = p < kFilterFloorDb ? kFilterFloorDb : float(p);
    }
}

void RevShape::GetReverbTimeCurve(float *out, int n) const
{
    const double t = actualReverbTime() * 1000.0;
    const float delay = currentLine().initialDelay();
    for (int i = 0; i < n; ++i) {
        const double f = curveFrequency(i, n);
        const double g = m_highShelf.power(f, SampleRate) + m_lowShelf.power(f, SampleRate);
        out[i] = (g == FILTER::FloorDb ? 0.0f : float(std::pow(10.0, g / 20.0) * t)) + delay;
    }
}
