#include "TTimecodeFeed_p.h"

#include "TObserverRegistry_p.h"

namespace {
// Subscriptions live under one key of the registry's time-code table.
constexpr quint32 kTimecodeKey = 0;
constexpr int kSendToProxy = 1;
} // namespace

TTimecodeFeed::TTimecodeFeed(TObserverRegistry &registry)
    : m_registry(registry)
{
}

void TTimecodeFeed::bytes(Q_UINT8 out[4]) const
{
    const quint32 tc = m_timecode.load();
    out[0] = Q_UINT8(tc >> 24);
    out[1] = Q_UINT8(tc >> 16);
    out[2] = Q_UINT8(tc >> 8);
    out[3] = Q_UINT8(tc);
}

int TTimecodeFeed::request(int kind, TMemProxy *proxy)
{
    if (kind != kSendToProxy || !proxy)
        return -1;
    m_registry.add(TObserverRegistry::TCallKind::Timecode, proxy, kTimecodeKey);
    Q_UINT8 data[4];
    bytes(data);
    m_registry.callDirect(proxy, data);
    return 0;
}

void TTimecodeFeed::send(int hours, int minutes, int seconds, int frames)
{
    m_timecode.store(quint32(quint8(hours)) << 24 | quint32(quint8(minutes)) << 16
                     | quint32(quint8(seconds)) << 8 | quint32(quint8(frames)));
    Q_UINT8 data[4];
    bytes(data);
    m_registry.callSubscribers(TObserverRegistry::TCallKind::Timecode, kTimecodeKey, data);
}

int TTimecodeFeed::subscriberCount() const
{
    return m_registry.subscriberCount(TObserverRegistry::TCallKind::Timecode);
}
