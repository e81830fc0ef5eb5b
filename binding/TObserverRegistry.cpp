#include "TObserverRegistry_p.h"

#include "IMemAPI.h"
#include "TMemProxy.h"
#include "TParamCatalogue_p.h"

namespace {
// Observer note contents besides null (nobody) and a slot (the only observer).
void *const kManyObservers = reinterpret_cast<void *>(quintptr(1));

void *noteOf(const TSlotList &list)
{
    if (list.isEmpty())
        return nullptr;
    return list.size() == 1 ? static_cast<void *>(list.first().get()) : kManyObservers;
}
} // namespace

TObserverRegistry::TObserverRegistry(std::atomic<TParamCatalogue *> &catalogue)
    : m_catalogue(catalogue)
{
}

void TObserverRegistry::install(TParamCatalogue *next)
{
    // Only the catalogue in use notes observers: a writer still on the old one finds none.
    // Switched under the registry lock, so no registration change lands on the old one.
    QMutexLocker lock(&m_mutex);
    if (TParamCatalogue *old = cat())
        old->clearObserverCells();
    mirrorAll(next);
    m_catalogue.store(next, std::memory_order_release);
}

std::atomic<void *> *TObserverRegistry::cellOf(const TParamCatalogue *catalogue, quint32 packed)
{
    const std::atomic<int> *value =
            catalogue->slot(IMemAPI::packedElement(packed), IMemAPI::packedParameter(packed),
                            IMemAPI::packedChannel(packed));
    return value ? catalogue->observerCell(value) : nullptr;
}

// --- registrations ---------------------------------------------------------------------------

TSlotPtr TObserverRegistry::slotFor(TMemProxy *proxy)
{
    TSlotPtr &slot = m_proxySlots[proxy];
    if (slot)
        return slot;
    if (m_freeSlots.empty()) {
        slot = std::make_shared<TProxySlot>(proxy);
    } else {
        slot = std::move(m_freeSlots.back());
        m_freeSlots.pop_back();
        slot->proxy.store(proxy, std::memory_order_relaxed);
        slot->alive = true;
    }
    return slot;
}

void TObserverRegistry::remember(TMemProxy *proxy)
{
    QMutexLocker lock(&m_mutex);
    m_connected.insert(proxy);
    slotFor(proxy);
}

void TObserverRegistry::add(TCallKind kind, TMemProxy *proxy, quint32 packed)
{
    QMutexLocker lock(&m_mutex);
    const TSlotPtr slot = slotFor(proxy);
    QSet<quint32> &mine = registrations(slot.get(), kind);
    if (mine.contains(packed))
        return;
    mine.insert(packed);
    table(kind)[packed].append(slot);
    if (kind == TCallKind::Observer)
        mirror(packed);
}

void TObserverRegistry::unlink(TCallKind kind, const TSlotPtr &slot, quint32 packed)
{
    QHash<quint32, TSlotList> &registry = table(kind);
    auto it = registry.find(packed);
    if (it != registry.end()) {
        it->removeAll(slot);
        if (it->isEmpty())
            registry.erase(it);
    }
    if (kind == TCallKind::Observer)
        mirror(packed);
}

bool TObserverRegistry::remove(TCallKind kind, TMemProxy *proxy, quint32 packed)
{
    TSlotPtr slot;
    {
        QMutexLocker lock(&m_mutex);
        slot = m_proxySlots.value(proxy);
        if (!slot || !registrations(slot.get(), kind).remove(packed))
            return false;
        unlink(kind, slot, packed);
    }
    waitForCalls(slot);
    return true;
}

void TObserverRegistry::forget(TMemProxy *proxy)
{
    TSlotPtr slot;
    {
        QMutexLocker lock(&m_mutex);
        m_connected.remove(proxy);
        slot = m_proxySlots.take(proxy);
        if (!slot)
            return;
        for (TCallKind kind : {TCallKind::Observer, TCallKind::Meter, TCallKind::Timecode}) {
            QSet<quint32> &mine = registrations(slot.get(), kind);
            for (quint32 packed : qAsConst(mine))
                unlink(kind, slot, packed);
            mine.clear();
        }
        slot->alive = false;
    }
    waitForCalls(slot);
    QMutexLocker lock(&m_mutex);
    m_freeSlots.push_back(std::move(slot));
}

QSet<TMemProxy *> TObserverRegistry::releaseAll()
{
    QList<TSlotPtr> known;
    QSet<TMemProxy *> proxies;
    {
        QMutexLocker lock(&m_mutex);
        known = m_proxySlots.values();
        proxies = m_connected;
        for (const TSlotPtr &slot : qAsConst(known)) {
            proxies.insert(slot->target());
            slot->alive = false;
        }
        cat()->clearObserverCells();
        m_proxySlots.clear();
        m_observers.clear();
        m_meters.clear();
        m_timecodes.clear();
        m_connected.clear();
    }
    for (const TSlotPtr &slot : qAsConst(known))
        waitForCalls(slot);
    return proxies;
}

void TObserverRegistry::mirror(quint32 packed)
{
    if (std::atomic<void *> *cell = cellOf(cat(), packed))
        cell->store(noteOf(m_observers.value(packed)), std::memory_order_release);
}

void TObserverRegistry::mirrorAll(TParamCatalogue *into)
{
    for (auto it = m_observers.cbegin(); it != m_observers.cend(); ++it) {
        std::atomic<void *> *cell = cellOf(into, it.key());
        if (cell && !it->isEmpty())
            cell->store(noteOf(*it), std::memory_order_release);
    }
}

bool TObserverRegistry::takesCalls(const TProxySlot *slot, TCallKind kind, quint32 packed)
{
    if (!slot->alive)
        return false;
    if (kind == TCallKind::Observer)
        return slot->observed.contains(packed);
    if (kind == TCallKind::Meter)
        return slot->metered.contains(packed);
    if (kind == TCallKind::Timecode)
        return slot->timecoded.contains(packed);
    return true;
}

void TObserverRegistry::waitForCalls(const TSlotPtr &slot)
{
    slot->callLock.lock(QThread::currentThreadId());
    slot->callLock.unlock();
}

// --- calls -----------------------------------------------------------------------------------

// The single observer of an address, called without the registry lock. A removal clears the
// cell before it waits for the proxy's call lock, so checking the cell again once the call lock
// is ours tells whether the registration still holds. False when the registry must decide.
bool TObserverRegistry::callSingle(std::atomic<void *> *cell)
{
    void *const note = cell->load(std::memory_order_acquire);
    if (!note)
        return true;
    if (note == kManyObservers)
        return false;
    TProxySlot *slot = static_cast<TProxySlot *>(note);
    if (!slot->callLock.tryLock(QThread::currentThreadId()))
        return false;
    const bool holds = cell->load(std::memory_order_acquire) == note;
    if (holds)
        slot->target()->process(nullptr, 0, 0);
    slot->callLock.unlock();
    return holds;
}

void TObserverRegistry::callProxy(const TSlotPtr &slot, TCallKind kind, quint32 packed,
                                  const Q_UINT8 *data)
{
    slot->callLock.lock(QThread::currentThreadId());
    bool takes;
    {
        // Checked under the call lock: once remove()/forget() has passed the call lock, no call
        // that started from an older copy of the list gets through.
        QMutexLocker lock(&m_mutex);
        takes = takesCalls(slot.get(), kind, packed);
    }
    if (takes)
        slot->target()->process(data, 0, 0);
    slot->callLock.unlock();
}

void TObserverRegistry::callRegistered(TCallKind kind, quint32 packed, const Q_UINT8 *data)
{
    TSlotList list;
    TProxySlot *only = nullptr;
    {
        QMutexLocker lock(&m_mutex);
        const QHash<quint32, TSlotList> &registry = table(kind);
        auto it = registry.constFind(packed);
        if (it == registry.constEnd())
            return;
        // The common case, one proxy whose call lock is free (or ours): enter it here, where
        // its registration is known to hold, without copying the list. The slot stays alive
        // while we hold its call lock, as forgetting it waits for the lock.
        if (it->size() == 1 && it->first()->callLock.tryLock(QThread::currentThreadId()))
            only = it->first().get();
        else
            list = it.value();
    }
    // No registry lock is held here: proxies read, write and re-register from process().
    if (only) {
        only->target()->process(data, 0, 0);
        only->callLock.unlock();
        return;
    }
    for (const TSlotPtr &slot : qAsConst(list))
        callProxy(slot, kind, packed, data);
}

void TObserverRegistry::notify(quint32 packed, std::atomic<void *> *cell)
{
    if (m_batchDepth.load(std::memory_order_acquire) > 0) {
        QMutexLocker lock(&m_batchMutex);
        if (m_batchDepth.load() > 0) {
            if (!m_heldSet.contains(packed)) {
                m_heldSet.insert(packed);
                m_held.append(packed);
            }
            return;
        }
    }
    notifyNow(packed, cell);
}

void TObserverRegistry::notifyNow(quint32 packed, std::atomic<void *> *cell)
{
    if (!cell)
        cell = cellOf(cat(), packed);
    if (cell && callSingle(cell))
        return;
    callRegistered(TCallKind::Observer, packed, nullptr);
}

void TObserverRegistry::notifyAll()
{
    QList<quint32> watched;
    {
        QMutexLocker lock(&m_mutex);
        watched = m_observers.keys();
    }
    for (quint32 packed : qAsConst(watched))
        notify(packed);
}

void TObserverRegistry::setBatchMode(bool on)
{
    if (on) {
        QMutexLocker lock(&m_batchMutex);
        m_batchDepth.fetch_add(1);
        return;
    }
    QVector<quint32> held;
    {
        QMutexLocker lock(&m_batchMutex);
        if (m_batchDepth.load() == 0)
            return;
        if (m_batchDepth.fetch_sub(1) != 1)
            return;
        held.swap(m_held);
        m_heldSet.clear();
    }
    for (quint32 packed : qAsConst(held))
        notifyNow(packed);
}

void TObserverRegistry::callMeters(quint32 packed, const Q_UINT8 *data)
{
    callRegistered(TCallKind::Meter, packed, data);
}

void TObserverRegistry::callSubscribers(TCallKind kind, quint32 key, const Q_UINT8 *data)
{
    callRegistered(kind, key, data);
}

void TObserverRegistry::callDirect(TMemProxy *proxy, const Q_UINT8 *data)
{
    TSlotPtr slot;
    {
        QMutexLocker lock(&m_mutex);
        slot = slotFor(proxy);
    }
    callProxy(slot, TCallKind::Direct, 0, data);
}

// --- introspection ---------------------------------------------------------------------------

int TObserverRegistry::observerCount() const
{
    QMutexLocker lock(&m_mutex);
    int n = 0;
    for (const TSlotList &list : qAsConst(m_observers))
        n += list.size();
    return n;
}

int TObserverRegistry::observerCount(quint32 packed) const
{
    QMutexLocker lock(&m_mutex);
    return m_observers.value(packed).size();
}

bool TObserverRegistry::isObserver(const TMemProxy *proxy) const
{
    QMutexLocker lock(&m_mutex);
    const TSlotPtr slot = m_proxySlots.value(const_cast<TMemProxy *>(proxy));
    return slot && !slot->observed.isEmpty();
}

int TObserverRegistry::meterSubscriberCount() const
{
    return subscriberCount(TCallKind::Meter);
}

int TObserverRegistry::subscriberCount(TCallKind kind) const
{
    QMutexLocker lock(&m_mutex);
    int n = 0;
    for (const TSlotList &list : qAsConst(const_cast<TObserverRegistry *>(this)->table(kind)))
        n += list.size();
    return n;
}
