#include "MeterFeeder.h"

#include "DemoAddresses.h"
#include "TParamMemory.h"

#include <algorithm>

namespace {

constexpr int FrameMs = 25; // 40 frames a second
constexpr int PeakHoldFrames = 40; // one second
constexpr int PeakFallPerFrame = 60; // raw units
constexpr int MeterFloor = 1050; // raw value of the quietest lit step
constexpr int MeterFullScale = 4050; // raw value of the top step below overload
constexpr int Overload = 8191;
constexpr int NoReduction = 4095;
constexpr int ReductionThreshold = 3300;

int toRaw(double envelope)
{
    return envelope < 0.02 ? 0 : MeterFloor + int(envelope * (MeterFullScale - MeterFloor));
}

// Console-side peak hold: the peak follows rises at once, holds, then falls.
template<class T>
int heldPeak(T &meter, int raw)
{
    if (raw >= meter.peak) {
        meter.peak = raw;
        meter.hold = PeakHoldFrames;
    } else if (meter.hold > 0) {
        --meter.hold;
    } else {
        meter.peak = std::max(raw, meter.peak - PeakFallPerFrame);
    }
    return meter.peak;
}

} // namespace

MeterFeeder::MeterFeeder(TParamMemory *memory, QObject *parent)
    : QThread(parent)
    , m_memory(memory)
{
    for (int c = 0; c < DemoAddresses::meteredChannels; ++c) {
        Channel ch;
        m_memory->resolveNamed(QString::fromLatin1(DemoAddresses::inputMeter), c, &ch.level);
        m_memory->resolveNamed(QString::fromLatin1(DemoAddresses::inputGainReduction), c,
                               &ch.reduction);
        m_memory->resolveNamed(QString::fromLatin1(DemoAddresses::gateKeyMeter), c, &ch.gateKey);
        m_memory->resolveNamed(QString::fromLatin1(DemoAddresses::compKeyMeter), c, &ch.compKey);
        m_channels.push_back(ch);
    }
    for (int c = 0; c < 2; ++c) {
        Bus bus;
        m_memory->resolveNamed(QString::fromLatin1(DemoAddresses::stereoMeter), c, &bus.level);
        m_stereo.push_back(bus);
    }
}

MeterFeeder::~MeterFeeder()
{
    stop();
}

void MeterFeeder::stop()
{
    m_stop = true;
    wait();
}

void MeterFeeder::run()
{
    quint32 seed = 4242;
    while (!m_stop) {
        sendFrame(seed);
        msleep(FrameMs);
    }
}

void MeterFeeder::sendFrame(quint32 &seed)
{
    auto next = [&seed](int n) {
        seed = seed * 1664525u + 1013904223u;
        return int((seed >> 8) % quint32(n));
    };
    double bus[2] = {0.0, 0.0};
    for (size_t i = 0; i < m_channels.size(); ++i) {
        Channel &ch = m_channels[i];
        // Every channel plays phrases: a new loudness now and then, some rests, fast attack,
        // slow release, and a little flutter.
        if (next(14) == 0)
            ch.target = next(6) == 0 ? 0.0 : 0.35 + next(66) / 100.0;
        const double speed = ch.target > ch.envelope ? 0.45 : 0.08;
        ch.envelope += (ch.target - ch.envelope) * speed;
        const double shown = std::clamp(ch.envelope * (0.9 + next(21) / 100.0), 0.0, 1.0);
        int raw = toRaw(shown);
        if (shown > 0.97 && next(8) == 0)
            raw = Overload;
        const int peak = heldPeak(ch, raw);
        const int reduction = raw > ReductionThreshold
                ? std::max(2300,
                           NoReduction - (std::min(raw, MeterFullScale) - ReductionThreshold) * 2)
                : NoReduction;
        m_memory->pushMeterLevel(ch.level.element, ch.level.parameter, ch.level.channel, raw, peak);
        m_memory->pushMeterLevel(ch.reduction.element, ch.reduction.parameter, ch.reduction.channel,
                                 reduction, 0);
        // The dynamics are keyed by the channel's own signal.
        m_memory->pushMeterLevel(ch.gateKey.element, ch.gateKey.parameter, ch.gateKey.channel, raw,
                                 0);
        m_memory->pushMeterLevel(ch.compKey.element, ch.compKey.parameter, ch.compKey.channel, raw,
                                 0);
        bus[i % 2] = std::max(bus[i % 2], shown * 0.95);
    }
    for (size_t side = 0; side < m_stereo.size(); ++side) {
        Bus &b = m_stereo[side];
        const int raw = toRaw(bus[side]);
        m_memory->pushMeterLevel(b.level.element, b.level.parameter, b.level.channel, raw,
                                 heldPeak(b, raw));
    }
}
