#include "ReverbUtils.h"

#include <QtGlobal>

#include <cmath>
#include <cstdio>

namespace {

constexpr float kFrequencies[ReverbUtils::FrequencyCount] = {
        20,   22,   25,    28,    32,    36,    40,    45,    50,   56,   63,   70,   80,
        90,   100,  110,   125,   140,   160,   180,   200,   225,  250,  280,  315,  355,
        400,  450,  500,   560,   630,   700,   800,   900,   1000, 1100, 1200, 1400, 1600,
        1800, 2000, 2200,  2500,  2800,  3200,  3600,  4000,  4500, 5000, 5600, 6300, 7000,
        8000, 9000, 10000, 11000, 12000, 14000, 16000, 18000, 20000};

constexpr int kZoomSpans[ReverbUtils::ZoomCount] = {500,  1000,  2000,  3000, 4000,
                                                    5000, 10000, 25000, 50000};

// 0.3..4.9 s by 0.1, 5.0..10.0 by 0.5, 11..20 by 1, then 25 and 30.
struct ReverbTimeTable
{
    float seconds[ReverbUtils::ReverbTimeCount];
    ReverbTimeTable()
    {
        int i = 0;
        for (int t = 3; t <= 49; ++t)
            seconds[i++] = float(t) / 10.0f;
        for (int t = 10; t <= 20; ++t)
            seconds[i++] = float(t) / 2.0f;
        for (int t = 11; t <= 20; ++t)
            seconds[i++] = float(t);
        seconds[i++] = 25.0f;
        seconds[i++] = 30.0f;
    }
};

const ReverbTimeTable &reverbTimes()
{
    static const ReverbTimeTable table;
    return table;
}

// Hall, Room and Plate reach the table's reverb time at these room sizes.
constexpr int kBaseRoomSize[3] = {30, 19, 15};
constexpr double kShrinkPerStep = 0.965;
constexpr double kGrowPerStep = 1.035;

// A float that may be NaN or huge, as an int within lo..hi.
int boundedInt(double v, int lo, int hi)
{
    if (!(v >= lo))
        return lo;
    if (v >= hi)
        return hi;
    return int(v);
}

template<class... A>
QString format(const char *pattern, A... args)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, pattern, args...);
    return QString::fromLatin1(buffer);
}

QString frequencyText(float f)
{
    if (f < 1000.0f)
        return format("%4dHz", int(f));
    const float k = f / 1000.0f;
    if (k < 10.0f)
        return format("%3.1fkHz", double(k));
    return format("%3dkHz", int(k));
}

} // namespace

float ReverbUtils::frequency(int i)
{
    return kFrequencies[qBound(0, i, FrequencyCount - 1)];
}

float ReverbUtils::reverbTime(int i)
{
    return reverbTimes().seconds[qBound(0, i, ReverbTimeCount - 1)];
}

int ReverbUtils::zoomSpan(int z)
{
    return kZoomSpans[qBound(0, z, ZoomCount - 1)];
}

int ReverbUtils::Float2Pos(float v, float lo, float hi, int p0, int p1)
{
    if (hi == lo)
        return p0;
    const double x = double(v - lo) / double(hi - lo) * (p1 - p0) + p0;
    if (!std::isfinite(x))
        return p0;
    return int(std::round(qBound(-1.0e9, x, 1.0e9)));
}

float ReverbUtils::Pos2Float(int pos, float lo, float hi, int p0, int p1)
{
    if (p1 == p0)
        return lo;
    return lo + (hi - lo) * float(pos - p0) / float(p1 - p0);
}

int ReverbUtils::Log2Pos(float v, float lo, float hi, int p0, int p1)
{
    if (!(v > 0.0f) || !(lo > 0.0f) || !(hi > 0.0f) || hi == lo || p1 == p0)
        return p0;
    const double x = std::log(double(v) / lo) / (std::log(double(hi) / lo) / (p1 - p0)) + p0;
    return boundedInt(x, -1000000000, 1000000000);
}

float ReverbUtils::Pos2Log(int pos, float lo, float hi, int p0, int p1)
{
    if (!(lo > 0.0f) || !(hi > 0.0f) || p1 == p0)
        return lo;
    return float(lo * std::exp(std::log(double(hi) / lo) / (p1 - p0) * (pos - p0)));
}

float ReverbUtils::ConvYLIBtoDispLog(float v, float, float, int min, int max)
{
    return float(boundedInt(double(v) + 0.5, min, max)) / 10.0f;
}

float ReverbUtils::ConvYLIBtoDisp_InitDly(float v)
{
    return ConvYLIBtoDispLog(v, 0.1f, 125.0f, InitDlyMin, InitDlyMax);
}

float ReverbUtils::ConvYLIBtoDisp_HPF(float v)
{
    return frequency(boundedInt(v, HpfMin, HpfMax));
}

float ReverbUtils::ConvYLIBtoDisp_LPF(float v)
{
    return frequency(boundedInt(v, LpfMin, LpfMax));
}

float ReverbUtils::ConvYLIBtoDisp_LowFreq(float v)
{
    return frequency(boundedInt(v, LowFreqMin, LowFreqMax));
}

int ReverbUtils::ConvDisptoYLIB_Freq(float f)
{
    if (!(f > kFrequencies[0]))
        return 0;
    int k = 0;
    while (k < FrequencyCount && f > kFrequencies[k])
        ++k;
    if (k == FrequencyCount)
        return FrequencyCount - 1;
    return f / kFrequencies[k] > kFrequencies[k - 1] / f ? k : k - 1;
}

int ReverbUtils::ConvDisptoYLIBExp(float d, float, float, int min, int max)
{
    return boundedInt(double(d) * 10.0 + 0.5, min, max);
}

int ReverbUtils::ConvDisptoYLIB_InitDly(float ms)
{
    return ConvDisptoYLIBExp(ms, 0.1f, 125.0f, InitDlyMin, InitDlyMax);
}

int ReverbUtils::ConvDisptoYLIB_HPF(float f)
{
    return qBound(HpfMin, ConvDisptoYLIB_Freq(f), HpfMax);
}

int ReverbUtils::ConvDisptoYLIB_LPF(float f)
{
    return qBound(LpfMin, ConvDisptoYLIB_Freq(f), LpfMax);
}

int ReverbUtils::ConvDisptoYLIB_LowFreq(float f)
{
    return qBound(LowFreqMin, ConvDisptoYLIB_Freq(f), LowFreqMax);
}

QString ReverbUtils::Float2RevTimeStr(float seconds)
{
    if (seconds < 1.0f)
        return format("%3dms", boundedInt(double(seconds) * 1000.0, -999999, 999999));
    if (seconds < 10.0f)
        return format("%4.2f s", double(seconds));
    return format("%4.1f s", double(seconds));
}

QString ReverbUtils::Float2InitDlyStr(float v)
{
    const double ms = ConvYLIBtoDisp_InitDly(v);
    if (ms < 1.0)
        return format("%1.3fms", ms);
    if (ms < 10.0)
        return format("%2.2fms", ms);
    return format("%3.1fms", ms);
}

QString ReverbUtils::Float2HPFStr(float v)
{
    return frequencyText(ConvYLIBtoDisp_HPF(v));
}

QString ReverbUtils::Float2LPFStr(float v)
{
    return frequencyText(ConvYLIBtoDisp_LPF(v));
}

QString ReverbUtils::Float2LowFreqStr(float v)
{
    return frequencyText(ConvYLIBtoDisp_LowFreq(v));
}

QString ReverbUtils::Float2MixStr(float v)
{
    const int raw = boundedInt(v, -1000000, 1000000);
    return format("%3d", int((raw - 64) / 63.0 * 50.0 + 50.0));
}

QString ReverbUtils::Float2TypeStr(float v)
{
    switch (boundedInt(v, -1, 3)) {
    case 1:
        return QStringLiteral("Room");
    case 2:
        return QStringLiteral("Plate");
    default:
        return QStringLiteral("Hall");
    }
}

QString ReverbUtils::Float2RatioStr(float v)
{
    return format("%.1f", boundedInt(v, -1000000, 1000000) / 10.0);
}

QString ReverbUtils::Float2ApfStr(float v)
{
    return format("%.3f", (boundedInt(v, -1000000, 1000000) - 1000) / 1000.0);
}

QString ReverbUtils::Float2ApfDStr(float v)
{
    return format("%.2fms", boundedInt(double(v) + 0.5, -1000000, 1000000) / 100.0);
}

QString ReverbUtils::Float2StrShort(float v)
{
    return format("%d", boundedInt(v, -1000000000, 1000000000));
}

int ReverbUtils::baseRoomSize(int kind)
{
    return kind >= 0 && kind < 3 ? kBaseRoomSize[kind] : 0;
}

float ReverbUtils::GetActualReverbTime(int kind, int roomSize, int index)
{
    const int n = kind >= 0 && kind < 3 ? kBaseRoomSize[kind] - roomSize : 0;
    double t = reverbTime(index);
    t *= n > 0 ? std::pow(kShrinkPerStep, n) : std::pow(kGrowPerStep, -n);
    return float(int(t * 1000.0 + 0.5) / 1000.0);
}
