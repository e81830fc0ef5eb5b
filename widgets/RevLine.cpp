#include "RevLine.h"

#include "ReverbUtils.h"

#include <QtGlobal>

#include <algorithm>
#include <cmath>

namespace {

// What a level of no amplitude reads, dB.
constexpr float kSilenceDb = -100.0f;
constexpr double kDbPerNeper = 20.0 / 2.302585092994046;
constexpr double kShrinkPerStep = 0.965;
constexpr double kGrowPerStep = 1.035;

float dB(double x)
{
    return x > 0 ? float(20.0 * std::log10(x)) : kSilenceDb;
}

} // namespace

void RevLine::SetEnvelope(int attackCount, double slope, const std::vector<Segment> &release)
{
    m_attackCount = std::max(0, attackCount);
    m_slope = slope;
    m_segments = release;
    const int n =
            int((double(m_segments.size()) * SegmentSamples + m_attackCount) / SampleRate * 1000.0);
    m_samples.assign(size_t(std::max(0, n)), 0.0f);
    for (int i = 1; i < n; ++i)
        m_samples[size_t(i)] = CalcEnvelope(i);
    if (n > 2)
        m_samples[0] = m_samples[1] - (m_samples[2] - m_samples[1]);
    m_peakDb = m_segments.empty() ? 0.0f : dB(m_segments.front().amplitude);
}

float RevLine::CalcEnvelope(int i) const
{
    const int t = int(i * SampleRate * 0.001);
    double x;
    if (t < m_attackCount || m_segments.empty()) {
        x = t * m_slope;
    } else {
        const int past = t - m_attackCount;
        const int k = std::min(past / SegmentSamples, int(m_segments.size()) - 1);
        const Segment &s = m_segments[size_t(k)];
        x = s.amplitude * std::exp(s.rate * (past - SegmentSamples * k));
    }
    return dB(x);
}

void RevLine::SetBaseRevTime(int kind, int roomSize, int index)
{
    m_baseRevTime = ReverbUtils::GetActualReverbTime(kind, roomSize, index) * 1000.0f;
}

void RevLine::SetAtkMaxAdress()
{
    m_attackLength = float(m_attackCount / SampleRate * 1000.0);
}

void RevLine::SetBaseDecayInit(int decay)
{
    m_baseDecay = decay;
    m_decay = decay;
    m_decayRatio = m_baseRevTime > 0 ? m_attackLength / m_baseRevTime : 0.0f;
}

void RevLine::SetReleaseRate()
{
    m_releaseRate = m_segments.empty() ? 0.0 : m_segments.back().rate * SampleRate * 0.001;
}

void RevLine::SetReverbTime(int kind, int roomSize, int index)
{
    m_kind = kind;
    m_roomSize = roomSize;
    m_timeIndex = index;
    m_actualTime = ReverbUtils::GetActualReverbTime(kind, roomSize, index);
    for (int b = 0; b < BandCount; ++b)
        CalcRatio(Band(b));
}

void RevLine::SetRatio(Band band, float ratio)
{
    m_ratio[band] = ratio;
    CalcRatio(band);
}

void RevLine::CalcRatio(Band band)
{
    // A reference without a reverb time is shown unstretched.
    m_stretch[band] =
            m_baseRevTime > 0 ? m_actualTime * 1000.0f * m_ratio[band] / m_baseRevTime : 1.0f;
}

float RevLine::GetHighRatioNob() const
{
    return m_actualTime * 1000.0f * m_highRatioParam * 0.1f + m_initialDelay;
}

float RevLine::GetLowRatioNob() const
{
    return m_actualTime * 1000.0f * m_lowRatioParam * 0.1f + m_initialDelay;
}

float RevLine::GetHighRatioParam_Float(float x) const
{
    if (!(m_actualTime > 0))
        return 1.0f;
    return qBound(1.0f, (x - m_initialDelay) / (m_actualTime * 1000.0f) * 10.0f, 10.0f);
}

float RevLine::GetLowRatioParam_Float(float x) const
{
    if (!(m_actualTime > 0))
        return 1.0f;
    return qBound(1.0f, (x - m_initialDelay) / (m_actualTime * 1000.0f) * 10.0f, 14.0f);
}

float RevLine::GetRoomSizeParam_Float(float x) const
{
    const double y = x - m_initialDelay;
    const double r = ReverbUtils::reverbTime(m_timeIndex) * 1000.0;
    // No time left after the delay: the smallest room.
    if (!(y > 0))
        return 0.0f;
    const double n = r > y ? std::log(y / r) / std::log(kShrinkPerStep)
                           : -std::log(y / r) / std::log(kGrowPerStep);
    return float(qBound(0.0, ReverbUtils::baseRoomSize(m_kind) - n, double(RoomSizeMax)));
}

float RevLine::shownAttackLength() const
{
    return m_attackLength * float(1 + m_decay) / float(1 + m_baseDecay);
}

float RevLine::GetDecayNob() const
{
    return m_initialDelay + shownAttackLength();
}

float RevLine::GetDecayParam_Float(float x) const
{
    if (!(m_attackLength > 0))
        return 0.0f;
    const double d = (x - m_initialDelay) / m_attackLength * (1 + m_baseDecay) - 1.0;
    return float(qBound(0.0, d, double(DecayMax)));
}

float RevLine::referenceAt(float ms) const
{
    const int n = int(m_samples.size());
    if (n == 0)
        return kSilenceDb;
    if (ms <= 0)
        return m_samples[0];
    const int i = int(ms);
    if (i >= n - 1)
        return m_samples[size_t(n - 1)] + float(m_releaseRate * kDbPerNeper) * (ms - (n - 1));
    const float f = ms - i;
    return m_samples[size_t(i)] * (1 - f) + m_samples[size_t(i + 1)] * f;
}

float RevLine::levelAt(Band band, float t) const
{
    const float u = t - m_initialDelay;
    if (u < 0)
        return kSilenceDb;
    const float attack = shownAttackLength();
    float ref;
    if (u < attack)
        ref = attack > 0 ? u / attack * m_attackLength : m_attackLength;
    else
        ref = m_attackLength + (u - attack) / std::max(m_stretch[band], 1e-3f);
    return referenceAt(ref) - m_peakDb;
}

void RevLine::GetDisplayEnvelope(Band band, float spanMs, int width, float *out) const
{
    for (int j = 0; j < width; ++j)
        out[j] = levelAt(band, width > 0 ? j * spanMs / width : 0.0f);
}
