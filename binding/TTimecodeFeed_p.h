#ifndef TTIMECODEFEED_P_H
#define TTIMECODEFEED_P_H

#include "zb4r_types.h"

#include <atomic>

class TMemProxy;
class TObserverRegistry;

// The memory's time-code service: the last time code set, and the proxies that asked for it.
// A request answers at once with the last time code and subscribes the proxy; repeating the
// request renews nothing but is harmless. Every new time code goes to each subscriber as
// process(data, 0, 0) on the setter's thread, data being hours, minutes, seconds, frames.
// Forgetting a proxy in the registry drops its subscription.
class TTimecodeFeed
{
public:
    explicit TTimecodeFeed(TObserverRegistry &registry);

    // kind 1 sends time code to proxy; other kinds are refused with -1.
    int request(int kind, TMemProxy *proxy);
    void send(int hours, int minutes, int seconds, int frames);
    int subscriberCount() const;

private:
    void bytes(Q_UINT8 out[4]) const;

    TObserverRegistry &m_registry;
    std::atomic<quint32> m_timecode {0};
};

#endif
