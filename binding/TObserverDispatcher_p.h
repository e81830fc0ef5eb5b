#ifndef TOBSERVERDISPATCHER_P_H
#define TOBSERVERDISPATCHER_P_H

#include <QMutex>
#include <QObject>

#include <atomic>
#include <vector>

class QEvent;
class TMemProxy;
class TMemProxyBasic;

// Hands observer notifications to the GUI thread. A proxy is queued at most once (its pending
// flag), and one posted event carries every proxy queued until it is delivered, so a burst
// costs one event however many proxies it touches.
//
// The queue is a list linked through the proxies: writers push without a lock, and whoever
// pushes onto an empty list posts the event. Taking the list and unlinking a proxy that goes
// away happen under the mutex, so they never overlap.
class TObserverDispatcher : public QObject
{
public:
    static TObserverDispatcher *instance();

    // Queues the proxy for one delivery on the GUI thread. Any thread.
    void post(TMemProxy *proxy);
    // The proxy is going away (or leaves its memory): drops a delivery it still has pending.
    static void release(TMemProxy *proxy);

protected:
    bool event(QEvent *e) override;

private:
    typedef std::vector<std::atomic<TMemProxy *>> TBatch;

    static int eventType();
    void forget(TMemProxy *proxy);
    TMemProxyBasic *pushChain(TMemProxyBasic *first, TMemProxyBasic *last);
    static TMemProxyBasic *reverse(TMemProxyBasic *p);
    void deliver();

    QMutex m_mutex;
    std::atomic<TMemProxyBasic *> m_head {nullptr};
    std::vector<TBatch *> m_delivering;
};

#endif
