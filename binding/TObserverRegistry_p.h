#ifndef TOBSERVERREGISTRY_P_H
#define TOBSERVERREGISTRY_P_H

#include "zb4r_types.h"

#include <QHash>
#include <QMutex>
#include <QSet>
#include <QThread>
#include <QVector>

#include <atomic>
#include <memory>
#include <vector>

class TMemProxy;
class TParamCatalogue;

// Serialises the calls into one proxy. The owning thread may re-enter; other threads wait.
// The uncontended path costs one compare-and-swap to enter and a plain store to leave, the
// re-entrant path neither. Contention is rare (a removal racing a call in flight), so a waiter
// polls, backing off to short sleeps, instead of the unlocking side having to look for waiters;
// the unlocking side touches nothing of the lock after releasing it, so a remover may reuse it
// as soon as it got through.
class TCallLock
{
public:
    bool tryLock(Qt::HANDLE self)
    {
        if (m_owner.load(std::memory_order_relaxed) == self) {
            ++m_depth;
            return true;
        }
        Qt::HANDLE none = nullptr;
        if (!m_owner.compare_exchange_strong(none, self, std::memory_order_acquire,
                                             std::memory_order_relaxed))
            return false;
        m_depth = 1;
        return true;
    }

    void lock(Qt::HANDLE self)
    {
        for (int attempt = 0; !tryLock(self); ++attempt) {
            if (attempt < kYieldingAttempts)
                QThread::yieldCurrentThread();
            else
                QThread::usleep(kPollMicroseconds);
        }
    }

    void unlock()
    {
        if (--m_depth > 0)
            return;
        m_owner.store(nullptr, std::memory_order_release);
    }

private:
    static constexpr int kYieldingAttempts = 64;
    static constexpr unsigned long kPollMicroseconds = 50;

    std::atomic<Qt::HANDLE> m_owner {nullptr};
    int m_depth = 0; // touched by the owner only
};

// What the registry keeps per proxy it knows. Calls into the proxy hold its call lock, so that
// removing or forgetting the proxy can wait for a call in flight on another thread; the same
// thread may re-enter (an observer that changes its registrations from inside process()).
// The registration state is guarded by the registry's mutex.
//
// A slot is reused for another proxy rather than freed, so a writer that read one from an
// observer cell without any lock always finds valid storage behind it.
struct TProxySlot
{
    explicit TProxySlot(TMemProxy *p)
        : proxy(p)
    {
    }

    TMemProxy *target() const { return proxy.load(std::memory_order_relaxed); }

    std::atomic<TMemProxy *> proxy;
    TCallLock callLock;
    bool alive = true;
    QSet<quint32> observed;
    QSet<quint32> metered;
    QSet<quint32> timecoded;
};
typedef std::shared_ptr<TProxySlot> TSlotPtr;
typedef QVector<TSlotPtr> TSlotList;

// Who observes which packed address (and who is fed which meter) in a parameter memory, and
// the calls into them: notifications, batches of them, meter data and direct answers.
//
// Calls are made on the caller's thread without any registry lock held, so proxies may read,
// write and re-register from process(). The value slot of every observed address carries a
// note of its observers in the catalogue in use, so that a write to an address with one
// observer (or none) takes no lock at all.
class TObserverRegistry
{
public:
    enum class TCallKind { Observer, Meter, Direct, Timecode };

    // catalogue is the memory's catalogue in use; switch it with install().
    explicit TObserverRegistry(std::atomic<TParamCatalogue *> &catalogue);

    // Makes next the catalogue in use, its observer notes taken over from the old one.
    void install(TParamCatalogue *next);

    // A proxy the memory connected: detached when the memory goes, even without registrations.
    void remember(TMemProxy *proxy);
    // Registers proxy for notifications (Observer) or meter data (Meter) of packed.
    void add(TCallKind kind, TMemProxy *proxy, quint32 packed);
    // Drops one registration and waits for a call in flight to the proxy; false when there was
    // no such registration.
    bool remove(TCallKind kind, TMemProxy *proxy, quint32 packed);
    // Drops every registration of the proxy and waits for a call in flight to it.
    void forget(TMemProxy *proxy);
    // Drops everything (the memory goes) and waits for calls in flight; returns every proxy
    // known or connected.
    QSet<TMemProxy *> releaseAll();

    // The value at packed changed; cell is its observer note when the caller has it at hand.
    // Held while a batch is open.
    void notify(quint32 packed, std::atomic<void *> *cell = nullptr);
    // Tells every observer (every value changed).
    void notifyAll();
    // Batches nest; the outermost end sends one notification per changed address.
    void setBatchMode(bool on);
    // Meter data to every proxy fed with packed.
    void callMeters(quint32 packed, const Q_UINT8 *data);
    // Data (time code, say) to every proxy subscribed with kind under key.
    void callSubscribers(TCallKind kind, quint32 key, const Q_UINT8 *data);
    int subscriberCount(TCallKind kind) const;
    // process(data, 0, 0) on one proxy, serialised with its other calls.
    void callDirect(TMemProxy *proxy, const Q_UINT8 *data);

    int observerCount() const;
    int observerCount(quint32 packed) const;
    bool isObserver(const TMemProxy *proxy) const;
    int meterSubscriberCount() const;

private:
    TParamCatalogue *cat() const { return m_catalogue.load(std::memory_order_acquire); }
    static std::atomic<void *> *cellOf(const TParamCatalogue *catalogue, quint32 packed);
    QHash<quint32, TSlotList> &table(TCallKind kind)
    {
        if (kind == TCallKind::Timecode)
            return m_timecodes;
        return kind == TCallKind::Meter ? m_meters : m_observers;
    }
    static QSet<quint32> &registrations(TProxySlot *slot, TCallKind kind)
    {
        if (kind == TCallKind::Timecode)
            return slot->timecoded;
        return kind == TCallKind::Meter ? slot->metered : slot->observed;
    }

    // With m_mutex held: the proxy's slot, made (or reused) when it has none.
    TSlotPtr slotFor(TMemProxy *proxy);
    // With m_mutex held: takes slot off the list of packed (the slot's own set is the caller's).
    void unlink(TCallKind kind, const TSlotPtr &slot, quint32 packed);
    // With m_mutex held: the observer note of packed in the catalogue in use.
    void mirror(quint32 packed);
    void mirrorAll(TParamCatalogue *into);
    // With m_mutex held: whether the proxy still takes calls of this kind.
    static bool takesCalls(const TProxySlot *slot, TCallKind kind, quint32 packed);
    static void waitForCalls(const TSlotPtr &slot);

    bool callSingle(std::atomic<void *> *cell);
    void notifyNow(quint32 packed, std::atomic<void *> *cell = nullptr);
    void callRegistered(TCallKind kind, quint32 packed, const Q_UINT8 *data);
    void callProxy(const TSlotPtr &slot, TCallKind kind, quint32 packed, const Q_UINT8 *data);

    std::atomic<TParamCatalogue *> &m_catalogue;

    // Guards the registries below and every slot's registration state. Never held during a
    // call; while it is held, a call lock is only ever tried, never waited for.
    mutable QMutex m_mutex;
    QHash<TMemProxy *, TSlotPtr> m_proxySlots;
    QHash<quint32, TSlotList> m_observers;
    QHash<quint32, TSlotList> m_meters;
    QHash<quint32, TSlotList> m_timecodes;
    QSet<TMemProxy *> m_connected;
    std::vector<TSlotPtr> m_freeSlots; // forgotten slots, kept for reuse

    std::atomic<int> m_batchDepth {0};
    QMutex m_batchMutex;
    QVector<quint32> m_held;
    QSet<quint32> m_heldSet;
};

#endif
