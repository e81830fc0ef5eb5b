#include "TObserverDispatcher_p.h"

#include "TMemProxy.h"

#include <QCoreApplication>
#include <QEvent>

#include <algorithm>

TObserverDispatcher *TObserverDispatcher::instance()
{
    static TObserverDispatcher *const dispatcher = [] {
        auto *created = new TObserverDispatcher;
        created->moveToThread(QCoreApplication::instance()->thread());
        return created;
    }();
    return dispatcher;
}

void TObserverDispatcher::post(TMemProxy *proxy)
{
    // Mostly the proxy is still pending: a plain read then leaves its cache line shared with
    // the GUI thread. The writer's value store and this read are sequentially consistent, as
    // are the clearing exchange and the value read in deliver(), so a stale "pending" seen
    // here is always followed by a delivery that reads the new value.
    std::atomic<bool> &pending = proxy->deliveryPending();
    if (pending.load(std::memory_order_seq_cst) || pending.exchange(true))
        return;
    if (pushChain(proxy, proxy) == nullptr)
        QCoreApplication::postEvent(this, new QEvent(QEvent::Type(eventType())));
}

void TObserverDispatcher::release(TMemProxy *proxy)
{
    if (proxy->deliveryPending().load() && QCoreApplication::instance())
        instance()->forget(proxy);
}

void TObserverDispatcher::forget(TMemProxy *proxy)
{
    QMutexLocker lock(&m_mutex);
    // Unlinked from the list taken whole; the rest goes back in front of anything pushed
    // meanwhile. The event the rest was posted with has not been delivered yet.
    TMemProxyBasic *kept = nullptr;
    TMemProxyBasic *keptLast = nullptr;
    for (TMemProxyBasic *p = m_head.exchange(nullptr, std::memory_order_acquire); p;) {
        TMemProxyBasic *next = p->pendingLink();
        if (p != proxy) {
            p->pendingLink() = nullptr;
            if (keptLast)
                keptLast->pendingLink() = p;
            else
                kept = p;
            keptLast = p;
        }
        p = next;
    }
    if (kept)
        pushChain(kept, keptLast);
    // A proxy that lives on (released but not destroyed) may be queued again later.
    proxy->deliveryPending().store(false, std::memory_order_relaxed);
    for (TBatch *batch : m_delivering) {
        for (std::atomic<TMemProxy *> &entry : *batch) {
            if (entry.load(std::memory_order_relaxed) == proxy)
                entry.store(nullptr, std::memory_order_release);
        }
    }
}

bool TObserverDispatcher::event(QEvent *e)
{
    if (e->type() != eventType())
        return QObject::event(e);
    deliver();
    return true;
}

int TObserverDispatcher::eventType()
{
    static const int type = QEvent::registerEventType();
    return type;
}

// Pushes first..last (linked) in front of the list; returns the head it replaced.
TMemProxyBasic *TObserverDispatcher::pushChain(TMemProxyBasic *first, TMemProxyBasic *last)
{
    TMemProxyBasic *head = m_head.load(std::memory_order_relaxed);
    do
        last->pendingLink() = head;
    while (!m_head.compare_exchange_weak(head, first, std::memory_order_release,
                                         std::memory_order_relaxed));
    return head;
}

TMemProxyBasic *TObserverDispatcher::reverse(TMemProxyBasic *p)
{
    TMemProxyBasic *reversed = nullptr;
    while (p) {
        TMemProxyBasic *next = p->pendingLink();
        p->pendingLink() = reversed;
        reversed = p;
        p = next;
    }
    return reversed;
}

void TObserverDispatcher::deliver()
{
    // Entries are atomics so that forget() can clear one while it is delivered from, without
    // the delivery locking the queue for every proxy.
    TBatch batch;
    {
        QMutexLocker lock(&m_mutex);
        // Pushed newest first: delivered oldest first.
        TMemProxyBasic *p = reverse(m_head.exchange(nullptr, std::memory_order_acquire));
        size_t n = 0;
        for (TMemProxyBasic *q = p; q; q = q->pendingLink())
            ++n;
        batch = TBatch(n);
        for (size_t i = 0; p; ++i) {
            TMemProxyBasic *next = p->pendingLink();
            p->pendingLink() = nullptr;
            batch[i].store(static_cast<TMemProxy *>(p), std::memory_order_relaxed);
            p = next;
        }
        m_delivering.push_back(&batch);
    }
    for (size_t i = 0; i < batch.size(); ++i) {
        // A proxy may destroy others (or itself) while it processes.
        TMemProxy *proxy = batch[i].load(std::memory_order_acquire);
        if (!proxy)
            continue;
        // An exchange, not a store: it reads the writer's flag, so everything written before
        // the notification is visible to the delivery below.
        proxy->deliveryPending().exchange(false, std::memory_order_seq_cst);
        proxy->deliverPosted();
    }
    QMutexLocker lock(&m_mutex);
    m_delivering.erase(std::find(m_delivering.begin(), m_delivering.end(), &batch));
}

void MAPI_postObserverEvent(IMemAPI *api, TMemProxy *proxy)
{
    if (!api || !proxy || !QCoreApplication::instance())
        return;
    TObserverDispatcher::instance()->post(proxy);
}
