#include "TParamMemory.h"

#include "TMemProxy.h"
#include "TParamCatalogue_p.h"
#include "TParamInfo.h"
#include "TParamMemory_p.h"
#include "TValueText_p.h"

#include <QBuffer>
#include <QDataStream>
#include <QFile>
#include <QHash>
#include <QMetaMethod>
#include <QMutex>
#include <QRecursiveMutex>
#include <QSet>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

const char *const kBuiltInCatalogue = ":/zb4r/console.json";
constexpr int kServiceTickMs = 40;
constexpr int kDefaultBlinkMs = 400;
constexpr int kMaxUndoSteps = 1000;
constexpr int kOwnChannelCode = 0xFE;
constexpr int kMeterLevelMax = 0x3FFF; // two 7-bit halves

// Every memory gets its own tag, so writes can be told apart from those of another memory.
std::atomic<int> s_nextSourceTag {0x5A00};

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

// What the memory keeps per proxy it knows. Calls into the proxy hold its call lock, so that
// removing or forgetting the proxy can wait for a call in flight on another thread; the same
// thread may re-enter (an observer that changes its registrations from inside process()).
// The registration state is guarded by the memory's registryMutex.
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
};
typedef std::shared_ptr<TProxySlot> TSlotPtr;
typedef QVector<TSlotPtr> TSlotList;

enum class TCallKind { Observer, Meter, Direct };

struct TUndoRecord
{
    qint16 element;
    qint16 parameter;
    qint16 channel;
    qint32 value;
};
typedef QVector<TUndoRecord> TUndoStep;

bool isHexDigit(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            || (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
            || (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

// Two hex digits at text[at]; -1 when they are not both hex digits.
int hexByte(const QString &text, int at)
{
    if (at + 2 > text.size() || !isHexDigit(text.at(at)) || !isHexDigit(text.at(at + 1)))
        return -1;
    return text.mid(at, 2).toInt(nullptr, 16);
}

bool isSupportedRate(int hz)
{
    return hz == 44100 || hz == 48000 || hz == 88200 || hz == 96000;
}

// One parsed entry of a named address.
struct TNamedEntry
{
    int element = -1;
    int parameter = -1;
    int channel = -1; // -1 with ownChannel set
    bool ownChannel = false;
    int count = -1; // the channel count prefix, -1 when absent
    int elementChannels = 0;
};

} // namespace

struct TParamMemory::Private
{
    explicit Private(TParamMemory *owner)
        : q(owner)
    {
    }

    TParamMemory *q;

    // The catalogue in use. Catalogues replaced by loadCatalogue() stay alive until the memory
    // goes, so a reader on another thread never sees one vanish under it.
    std::atomic<TParamCatalogue *> catalogue {nullptr};
    QMutex catalogueMutex;
    std::vector<std::unique_ptr<TParamCatalogue>> catalogues;

    // Guards the registries below and every slot's registration state. Never held during a
    // call; while it is held, a call lock is only ever tried, never waited for.
    mutable QMutex registryMutex;
    QHash<TMemProxy *, TSlotPtr> proxySlots;
    QHash<quint32, TSlotList> observers;
    QHash<quint32, TSlotList> meters;
    QSet<TMemProxy *> connected;
    std::vector<TSlotPtr> freeSlots; // forgotten slots, kept for reuse

    std::atomic<int> batchDepth {0};
    QMutex batchMutex;
    QVector<quint32> held;
    QSet<quint32> heldSet;

    mutable QMutex undoMutex;
    QVector<TUndoStep> undoStack;
    QVector<TUndoStep> redoStack;
    int groupDepth = 0;
    TUndoStep group;

    std::atomic<bool> online {true};
    std::atomic<bool> ready {true};
    std::atomic<int> sampleRate {48000};
    TSampleRateNotifier *rateNotifier = nullptr;
    QTimer *serviceTimer = nullptr;
    QTimer *blinkTimer = nullptr;
    std::atomic<int> blinkPhase {0};
    int blinkInterval = kDefaultBlinkMs;
    std::atomic<quint32> timecode {0};
    IEditorFactory *factory = nullptr;
    MemAPITask *task = nullptr;
    bool taskActive = false;
    const int sourceTag = s_nextSourceTag.fetch_add(1);

    TParamCatalogue *cat() const { return catalogue.load(std::memory_order_acquire); }
    void install(std::unique_ptr<TParamCatalogue> c);

    bool parseEntry(const QString &text, TNamedEntry *out) const;

    TSlotPtr slotFor(TMemProxy *proxy); // with registryMutex held
    void callProxy(const TSlotPtr &slot, TCallKind kind, quint32 packed, const Q_UINT8 *data,
                   int operation, Q_UINT32 extra);
    static bool takesCalls(const TProxySlot *slot, TCallKind kind, quint32 packed);
    static void waitForCalls(const TSlotPtr &slot);
    void mirror(quint32 packed); // with registryMutex held
    void mirrorAll(TParamCatalogue *into); // with registryMutex held
    bool callSingle(std::atomic<void *> *cell);
    void notify(quint32 packed, std::atomic<void *> *cell = nullptr);
    void notifyNow(quint32 packed, std::atomic<void *> *cell = nullptr);
    void callRegistered(const QHash<quint32, TSlotList> &registry, TCallKind kind, quint32 packed,
                        const Q_UINT8 *data);
    int store(int e, int p, int c, int value, bool notifyChange);

    int applyStep(const TUndoStep &step, TUndoStep *previous);
    // Takes the last step of from, applies it and keeps what it replaced on to.
    bool replay(QVector<TUndoStep> *from, QVector<TUndoStep> *to);
    void pushUndo(const TUndoStep &step);
    void emitUndoState() { Q_EMIT q->undoStateChanged(); }
};

// --- catalogue -------------------------------------------------------------------------------

void TParamMemory::Private::install(std::unique_ptr<TParamCatalogue> c)
{
    QMutexLocker lock(&catalogueMutex);
    {
        // Only the catalogue in use notes observers: a writer still on the old one finds none.
        // Switched under the registry lock, so no registration change lands on the old one.
        QMutexLocker registry(&registryMutex);
        if (TParamCatalogue *old = cat())
            old->clearObserverCells();
        mirrorAll(c.get());
        catalogue.store(c.get(), std::memory_order_release);
    }
    catalogues.push_back(std::move(c));
}

bool TParamMemory::Private::parseEntry(const QString &raw, TNamedEntry *out) const
{
    const QString text = raw.trimmed();
    const TParamCatalogue *c = cat();
    TNamedEntry entry;
    int at = 0;
    // "CCHHkSection/kParam" or "HHkSection/kParam": section keys start with 'k', never a hex digit.
    if (text.size() > 4 && text.at(4) == QLatin1Char('k') && hexByte(text, 0) >= 0
        && hexByte(text, 2) >= 0) {
        entry.count = hexByte(text, 0);
        at = 2;
        if (entry.count == 0)
            return false;
    } else if (!(text.size() > 2 && text.at(2) == QLatin1Char('k'))) {
        return false;
    }
    const int channel = hexByte(text, at);
    if (channel < 0)
        return false;
    const QStringList keys = text.mid(at + 2).split(QLatin1Char('/'));
    if (keys.size() != 2)
        return false;
    const int si = c->sectionIndex.value(keys.at(0), -1);
    if (si < 0)
        return false;
    const TSectionDef &section = c->sections.at(si);
    const int pi = section.keyIndex.value(keys.at(1), -1);
    if (pi < 0)
        return false;
    entry.element = section.element;
    entry.parameter = section.params.at(pi).id;
    entry.elementChannels = section.channels;
    // A list entry cannot cover more channels than its element has.
    if (entry.count > section.channels)
        return false;
    if (channel == kOwnChannelCode) {
        entry.ownChannel = true;
    } else {
        if (channel >= section.channels)
            return false;
        entry.channel = channel;
    }
    *out = entry;
    return true;
}

// --- proxies and notification ----------------------------------------------------------------

TSlotPtr TParamMemory::Private::slotFor(TMemProxy *proxy)
{
    TSlotPtr &slot = proxySlots[proxy];
    if (slot)
        return slot;
    if (freeSlots.empty()) {
        slot = std::make_shared<TProxySlot>(proxy);
    } else {
        slot = std::move(freeSlots.back());
        freeSlots.pop_back();
        slot->proxy.store(proxy, std::memory_order_relaxed);
        slot->alive = true;
    }
    return slot;
}

namespace {
// Observer cell contents besides null (nobody) and a slot (the only observer).
void *const kManyObservers = reinterpret_cast<void *>(quintptr(1));
} // namespace

void TParamMemory::Private::mirror(quint32 packed)
{
    const std::atomic<int> *value =
            cat()->slot(int(packed >> 22), int((packed >> 11) & 0x7FF), int(packed & 0x7FF));
    if (!value)
        return;
    auto it = observers.constFind(packed);
    void *note = nullptr;
    if (it != observers.constEnd() && !it->isEmpty())
        note = it->size() == 1 ? static_cast<void *>(it->first().get()) : kManyObservers;
    cat()->observerCell(value)->store(note, std::memory_order_release);
}

void TParamMemory::Private::mirrorAll(TParamCatalogue *into)
{
    for (auto it = observers.cbegin(); it != observers.cend(); ++it) {
        const quint32 packed = it.key();
        const std::atomic<int> *value =
                into->slot(int(packed >> 22), int((packed >> 11) & 0x7FF), int(packed & 0x7FF));
        if (value && !it->isEmpty())
            into->observerCell(value)->store(it->size() == 1 ? it->first().get() : kManyObservers,
                                             std::memory_order_release);
    }
}

// The single observer of an address, called without the registry lock. A removal clears the
// cell before it waits for the proxy's call lock, so checking the cell again once the call lock
// is ours tells whether the registration still holds. False when the registry must decide.
bool TParamMemory::Private::callSingle(std::atomic<void *> *cell)
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

// With registryMutex held: whether the proxy still takes calls of this kind.
bool TParamMemory::Private::takesCalls(const TProxySlot *slot, TCallKind kind, quint32 packed)
{
    if (!slot->alive)
        return false;
    if (kind == TCallKind::Observer)
        return slot->observed.contains(packed);
    if (kind == TCallKind::Meter)
        return slot->metered.contains(packed);
    return true;
}

void TParamMemory::Private::callProxy(const TSlotPtr &slot, TCallKind kind, quint32 packed,
                                      const Q_UINT8 *data, int operation, Q_UINT32 extra)
{
    slot->callLock.lock(QThread::currentThreadId());
    bool takes;
    {
        // Checked under the call lock: once removeObserver()/forgetProxy() has passed the call
        // lock, no call that started from an older copy of the list gets through.
        QMutexLocker lock(&registryMutex);
        takes = takesCalls(slot.get(), kind, packed);
    }
    if (takes)
        slot->target()->process(data, operation, extra);
    slot->callLock.unlock();
}

void TParamMemory::Private::waitForCalls(const TSlotPtr &slot)
{
    slot->callLock.lock(QThread::currentThreadId());
    slot->callLock.unlock();
}

void TParamMemory::Private::notify(quint32 packed, std::atomic<void *> *cell)
{
    if (batchDepth.load(std::memory_order_acquire) > 0) {
        QMutexLocker lock(&batchMutex);
        if (batchDepth.load() > 0) {
            if (!heldSet.contains(packed)) {
                heldSet.insert(packed);
                held.append(packed);
            }
            return;
        }
    }
    notifyNow(packed, cell);
}

void TParamMemory::Private::notifyNow(quint32 packed, std::atomic<void *> *cell)
{
    if (!cell) {
        const TParamCatalogue *c = cat();
        if (const std::atomic<int> *value =
                    c->slot(int(packed >> 22), int((packed >> 11) & 0x7FF), int(packed & 0x7FF)))
            cell = c->observerCell(value);
    }
    if (cell && callSingle(cell))
        return;
    callRegistered(observers, TCallKind::Observer, packed, nullptr);
}

void TParamMemory::Private::callRegistered(const QHash<quint32, TSlotList> &registry,
                                           TCallKind kind, quint32 packed, const Q_UINT8 *data)
{
    TSlotList list;
    TProxySlot *only = nullptr;
    {
        QMutexLocker lock(&registryMutex);
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
    // No memory lock is held here: proxies read, write and re-register from process().
    if (only) {
        only->target()->process(data, 0, 0);
        only->callLock.unlock();
        return;
    }
    for (const TSlotPtr &slot : qAsConst(list))
        callProxy(slot, kind, packed, data, 0, 0);
}

int TParamMemory::Private::store(int e, int p, int c, int value, bool notifyChange)
{
    const TParamCatalogue *catalogue = cat();
    const TParamDef *def = nullptr;
    std::atomic<int> *slot = catalogue->slot(e, p, c, &def);
    if (!slot)
        return -1;
    const int clamped = qBound(def->minimum, value, def->maximum);
    // Sequentially consistent, like getValue(): a notification may skip re-queueing a proxy it
    // sees still pending, which is only safe when the queued delivery must read this value.
    const int old = slot->exchange(clamped, std::memory_order_seq_cst);
    if (old != clamped && notifyChange)
        notify(IMemAPI::pack(e, p, c), catalogue->observerCell(slot));
    return 0;
}

// --- undo ------------------------------------------------------------------------------------

int TParamMemory::Private::applyStep(const TUndoStep &step, TUndoStep *previous)
{
    // Restored in reverse, so an address recorded twice ends on its oldest value.
    int count = 0;
    for (int i = step.size() - 1; i >= 0; --i) {
        const TUndoRecord &r = step.at(i);
        const std::atomic<int> *slot = cat()->slot(r.element, r.parameter, r.channel);
        if (!slot)
            continue;
        previous->prepend({r.element, r.parameter, r.channel, slot->load()});
        store(r.element, r.parameter, r.channel, r.value, true);
        ++count;
    }
    return count;
}

bool TParamMemory::Private::replay(QVector<TUndoStep> *from, QVector<TUndoStep> *to)
{
    TUndoStep step;
    {
        QMutexLocker lock(&undoMutex);
        if (from->isEmpty())
            return false;
        step = from->takeLast();
    }
    TUndoStep replaced;
    applyStep(step, &replaced);
    {
        QMutexLocker lock(&undoMutex);
        to->append(replaced);
    }
    emitUndoState();
    return true;
}

void TParamMemory::Private::pushUndo(const TUndoStep &step)
{
    if (step.isEmpty())
        return;
    {
        QMutexLocker lock(&undoMutex);
        if (groupDepth > 0) {
            // A group keeps the first (oldest) value of each address.
            for (const TUndoRecord &r : step) {
                const bool known =
                        std::any_of(group.cbegin(), group.cend(), [&r](const TUndoRecord &g) {
                            return g.element == r.element && g.parameter == r.parameter
                                    && g.channel == r.channel;
                        });
                if (!known)
                    group.append(r);
            }
            return;
        }
        undoStack.append(step);
        if (undoStack.size() > kMaxUndoSteps)
            undoStack.removeFirst();
        redoStack.clear();
    }
    emitUndoState();
}

// --- construction ----------------------------------------------------------------------------

TParamMemory::TParamMemory(QObject *parent)
    : QObject(parent)
    , d(new Private(this))
{
    d->rateNotifier = new TSampleRateNotifier(this);
    QString error;
    QFile file(QString::fromLatin1(kBuiltInCatalogue));
    std::unique_ptr<TParamCatalogue> c;
    if (file.open(QIODevice::ReadOnly))
        c = TParamCatalogue::parse(file.readAll(), &error);
    if (!c) {
        qWarning("TParamMemory: the built-in catalogue does not load: %s", qPrintable(error));
        c = TParamCatalogue::parse("{}", nullptr);
    }
    if (isSupportedRate(c->sampleRate))
        d->sampleRate.store(c->sampleRate);
    d->install(std::move(c));
}

TParamMemory::~TParamMemory()
{
    // Proxies that outlive the memory must not call into it: detach every one it knows.
    QList<TSlotPtr> known;
    QSet<TMemProxy *> proxies;
    {
        QMutexLocker lock(&d->registryMutex);
        known = d->proxySlots.values();
        proxies = d->connected;
        for (const TSlotPtr &slot : qAsConst(known)) {
            proxies.insert(slot->target());
            slot->alive = false;
        }
        d->cat()->clearObserverCells();
        d->proxySlots.clear();
        d->observers.clear();
        d->meters.clear();
        d->connected.clear();
    }
    for (const TSlotPtr &slot : qAsConst(known))
        Private::waitForCalls(slot);
    for (TMemProxy *proxy : qAsConst(proxies)) {
        if (proxy->memAPI() == this)
            proxy->detach();
    }
}

bool TParamMemory::loadCatalogue(const QByteArray &json, QString *error)
{
    std::unique_ptr<TParamCatalogue> c = TParamCatalogue::parse(json, error);
    if (!c)
        return false;
    const int rate = c->sampleRate;
    d->install(std::move(c));
    clearUndo();
    if (isSupportedRate(rate))
        setSampleRate(rate);
    // Every value went back to its default: tell everybody watching.
    QList<quint32> watched;
    {
        QMutexLocker lock(&d->registryMutex);
        watched = d->observers.keys();
    }
    for (quint32 packed : qAsConst(watched))
        d->notify(packed);
    return true;
}

bool TParamMemory::loadCatalogueFile(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return loadCatalogue(file.readAll(), error);
}

QString TParamMemory::catalogueName() const
{
    return d->cat()->name;
}

QStringList TParamMemory::sectionKeys() const
{
    QStringList keys;
    for (const TSectionDef &s : qAsConst(d->cat()->sections))
        keys << s.key;
    return keys;
}

int TParamMemory::sectionElement(const QString &sectionKey) const
{
    const TParamCatalogue *c = d->cat();
    const int i = c->sectionIndex.value(sectionKey, -1);
    return i < 0 ? -1 : c->sections.at(i).element;
}

int TParamMemory::channelCount(int element) const
{
    const TSectionDef *s = d->cat()->section(element);
    return s ? s->channels : 0;
}

bool TParamMemory::hasParameter(int element, int parameter) const
{
    return d->cat()->param(element, parameter) != nullptr;
}

QString TParamMemory::parameterKey(int element, int parameter) const
{
    const TParamDef *p = d->cat()->param(element, parameter);
    return p ? p->key : QString();
}

QList<int> TParamMemory::parameters(int element) const
{
    QList<int> ids;
    const TSectionDef *s = d->cat()->section(element);
    if (!s)
        return ids;
    for (int id = 0; id < s->paramIndex.size(); ++id) {
        if (s->paramIndex.at(id) >= 0)
            ids << id;
    }
    return ids;
}

bool TParamMemory::resolveNamed(const QString &name, int ownChannel, TSingleAddress *out) const
{
    TNamedEntry entry;
    if (!d->parseEntry(name, &entry))
        return false;
    const int channel = entry.ownChannel ? ownChannel : entry.channel;
    if (channel < 0 || channel >= entry.elementChannels)
        return false;
    if (out) {
        out->element = qint16(entry.element);
        out->channel = qint16(channel);
        out->parameter = qint16(entry.parameter);
    }
    return true;
}

// --- host services ---------------------------------------------------------------------------

int TParamMemory::connectTree(QObject *root, int channel)
{
    if (!root)
        return 0;
    QList<QObject *> objects {root};
    objects += root->findChildren<QObject *>();
    int attached = 0;
    for (QObject *o : qAsConst(objects)) {
        if (TMemProxy *proxy = dynamic_cast<TMemProxy *>(o)) {
            if (connectProxy(proxy, channel) == 0)
                ++attached;
        }
    }
    return attached;
}

void TParamMemory::disconnectTree(QObject *root)
{
    if (!root)
        return;
    QList<QObject *> objects {root};
    objects += root->findChildren<QObject *>();
    for (QObject *o : qAsConst(objects)) {
        TMemProxy *proxy = dynamic_cast<TMemProxy *>(o);
        if (proxy && proxy->memAPI() == this)
            proxy->disconnectMemAPI();
    }
}

bool TParamMemory::undo()
{
    return d->replay(&d->undoStack, &d->redoStack);
}

bool TParamMemory::redo()
{
    return d->replay(&d->redoStack, &d->undoStack);
}

bool TParamMemory::canUndo() const
{
    QMutexLocker lock(&d->undoMutex);
    return !d->undoStack.isEmpty();
}

bool TParamMemory::canRedo() const
{
    QMutexLocker lock(&d->undoMutex);
    return !d->redoStack.isEmpty();
}

int TParamMemory::undoDepth() const
{
    QMutexLocker lock(&d->undoMutex);
    return d->undoStack.size();
}

void TParamMemory::clearUndo()
{
    {
        QMutexLocker lock(&d->undoMutex);
        if (d->undoStack.isEmpty() && d->redoStack.isEmpty())
            return;
        d->undoStack.clear();
        d->redoStack.clear();
    }
    d->emitUndoState();
}

void TParamMemory::setOnline(bool online)
{
    if (d->online.exchange(online) != online)
        Q_EMIT onlineChanged(online);
}

void TParamMemory::setReady(bool ready)
{
    d->ready.store(ready);
}

void TParamMemory::setSampleRate(int hz)
{
    if (!isSupportedRate(hz))
        return;
    if (d->sampleRate.exchange(hz) != hz)
        Q_EMIT d->rateNotifier->valueChanged(hz);
}

int TParamMemory::currentSampleRate() const
{
    return d->sampleRate.load();
}

void TParamMemory::setEditorFactory(IEditorFactory *factory)
{
    d->factory = factory;
}

void TParamMemory::setCurrentTask(MemAPITask *task, bool active)
{
    d->task = task;
    d->taskActive = active;
}

int TParamMemory::blinkInterval() const
{
    return d->blinkInterval;
}

void TParamMemory::setBlinkInterval(int ms)
{
    if (ms < 1 || ms == d->blinkInterval)
        return;
    d->blinkInterval = ms;
    if (d->blinkTimer)
        d->blinkTimer->setInterval(ms);
}

void TParamMemory::pushMeter(int e, int p, int c, const quint8 data[4])
{
    if (!data || e < 0 || p < 0 || c < 0)
        return;
    d->callRegistered(d->meters, TCallKind::Meter, pack(e, p, c), data);
}

void TParamMemory::pushMeterLevel(int e, int p, int c, int level, int peak)
{
    level = qBound(0, level, kMeterLevelMax);
    peak = qBound(0, peak, kMeterLevelMax);
    const quint8 data[4] = {quint8(level >> 7), quint8(level & 0x7F), quint8(peak >> 7),
                            quint8(peak & 0x7F)};
    pushMeter(e, p, c, data);
}

void TParamMemory::setTimecode(int hours, int minutes, int seconds, int frames)
{
    d->timecode.store(quint32(quint8(hours)) << 24 | quint32(quint8(minutes)) << 16
                      | quint32(quint8(seconds)) << 8 | quint32(quint8(frames)));
}

int TParamMemory::observerCount() const
{
    QMutexLocker lock(&d->registryMutex);
    int n = 0;
    for (const TSlotList &list : qAsConst(d->observers))
        n += list.size();
    return n;
}

int TParamMemory::observerCount(quint32 packed) const
{
    QMutexLocker lock(&d->registryMutex);
    return d->observers.value(packed).size();
}

bool TParamMemory::isObserver(const TMemProxy *proxy) const
{
    QMutexLocker lock(&d->registryMutex);
    const TSlotPtr slot = d->proxySlots.value(const_cast<TMemProxy *>(proxy));
    if (!slot)
        return false;
    return !slot->observed.isEmpty();
}

int TParamMemory::meterSubscriberCount() const
{
    QMutexLocker lock(&d->registryMutex);
    int n = 0;
    for (const TSlotList &list : qAsConst(d->meters))
        n += list.size();
    return n;
}

// --- IMemAPI ---------------------------------------------------------------------------------

int TParamMemory::dynamicStringList(int tableId, QStringList *list)
{
    const TParamCatalogue *c = d->cat();
    auto it = c->textTables.constFind(tableId);
    if (!list || it == c->textTables.constEnd() || !it->hasNames())
        return 0;
    *list += it->names;
    return it->names.size();
}

void TParamMemory::registerUndo(TMemProxy *proxy)
{
    if (!proxy)
        return;
    const TSingleAddress &a = proxy->address();
    const std::atomic<int> *slot = d->cat()->slot(a.element, a.parameter, a.channel);
    if (!slot)
        return;
    d->pushUndo({{a.element, a.parameter, a.channel, slot->load()}});
}

int TParamMemory::applyParamInfo(QBuffer *buffer)
{
    if (!buffer)
        return 0;
    // Read from a copy of the bytes, whatever state the caller left the buffer in.
    QByteArray bytes = buffer->data();
    QDataStream stream(&bytes, QIODevice::ReadOnly);
    TUndoStep step;
    QVector<TParamInfo> writes;
    // The reader holds the first record once constructed.
    for (TParamInfoReader reader(&stream); reader.isValid(); reader.next()) {
        const TParamInfo &info = reader.info();
        const std::atomic<int> *slot = d->cat()->slot(info.element, info.parameter, info.channel);
        if (!slot)
            continue;
        step.append({info.element, info.parameter, info.channel, slot->load()});
        writes.append(info);
    }
    // Recorded first, written after: the step holds the values from before the whole buffer.
    d->pushUndo(step);
    for (const TParamInfo &info : qAsConst(writes))
        d->store(info.element, info.parameter, info.channel, info.value, true);
    return writes.size();
}

bool TParamMemory::isOnline()
{
    return d->online.load();
}

int TParamMemory::addObserver(TMemProxy *proxy, quint32 packed, int mode)
{
    Q_UNUSED(mode)
    if (!proxy)
        return -1;
    // A registered proxy knows its memory, so that its destruction unregisters it.
    if (!proxy->memAPI())
        proxy->setMemAPI(this);
    QMutexLocker lock(&d->registryMutex);
    const TSlotPtr slot = d->slotFor(proxy);
    if (slot->observed.contains(packed))
        return 0;
    slot->observed.insert(packed);
    d->observers[packed].append(slot);
    d->mirror(packed);
    return 0;
}

int TParamMemory::removeObserver(TMemProxy *proxy, quint32 packed)
{
    TSlotPtr slot;
    {
        QMutexLocker lock(&d->registryMutex);
        slot = d->proxySlots.value(proxy);
        if (!slot)
            return -1;
        if (!slot->observed.remove(packed))
            return -1;
        auto it = d->observers.find(packed);
        if (it != d->observers.end()) {
            it->removeAll(slot);
            if (it->isEmpty())
                d->observers.erase(it);
        }
        d->mirror(packed);
    }
    Private::waitForCalls(slot);
    return 0;
}

int TParamMemory::getValueEx(int e, int p, int c, bool alternate, int *unavailable)
{
    const TParamCatalogue *cat = d->cat();
    const TParamDef *def = cat->slot(e, p, c) ? cat->param(e, p) : nullptr;
    if (!def) {
        if (unavailable)
            *unavailable = 1;
        return 0;
    }
    if (!alternate) {
        if (unavailable)
            *unavailable = 0;
        return def->defaultValue;
    }
    if (unavailable)
        *unavailable = def->hasAltDefault ? 0 : 1;
    return def->hasAltDefault ? def->altDefault : def->defaultValue;
}

int TParamMemory::getMinimum(int e, int p, int c, int reserved)
{
    Q_UNUSED(reserved)
    const TParamCatalogue *cat = d->cat();
    return cat->slot(e, p, c) ? cat->param(e, p)->minimum : 0;
}

int TParamMemory::getMaximum(int e, int p, int c, int reserved)
{
    Q_UNUSED(reserved)
    const TParamCatalogue *cat = d->cat();
    return cat->slot(e, p, c) ? cat->param(e, p)->maximum : 0;
}

int TParamMemory::getValue(int e, int p, int c, int reserved1, int reserved2)
{
    Q_UNUSED(reserved1)
    Q_UNUSED(reserved2)
    const std::atomic<int> *slot = d->cat()->slot(e, p, c);
    return slot ? slot->load(std::memory_order_seq_cst) : 0;
}

int TParamMemory::setValue(int e, int p, int c, int value, int source, int notify)
{
    Q_UNUSED(source)
    return d->store(e, p, c, value, notify != 0);
}

int TParamMemory::sourceId(int reserved)
{
    Q_UNUSED(reserved)
    return d->sourceTag;
}

int TParamMemory::parseAddressList(TAddressList *list, const QString *text)
{
    if (!list || !text)
        return 0;
    int appended = 0;
    int first = 0;
    const QStringList entries = text->split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString &raw : entries) {
        if (raw.trimmed().isEmpty())
            continue;
        TNamedEntry entry;
        if (!d->parseEntry(raw, &entry))
            continue; // a malformed entry is dropped and takes no channel range
        TAddressRecord r;
        r.element = qint16(entry.element);
        r.channel = qint16(entry.ownChannel ? TMemProxy::OwnChannel : entry.channel);
        r.parameter = qint16(entry.parameter);
        r.first = qint16(first);
        r.count = qint16(entry.count > 0 ? entry.count : entry.elementChannels);
        first += r.count;
        list->append(r);
        ++appended;
    }
    return appended;
}

int TParamMemory::connectProxy(TMemProxy *proxy, int channel)
{
    if (!proxy)
        return -1;
    {
        QMutexLocker lock(&d->registryMutex);
        d->connected.insert(proxy);
        d->slotFor(proxy);
    }
    return proxy->attach(this, channel);
}

void TParamMemory::setBatchMode(bool on)
{
    if (on) {
        QMutexLocker lock(&d->batchMutex);
        d->batchDepth.fetch_add(1);
        return;
    }
    QVector<quint32> held;
    {
        QMutexLocker lock(&d->batchMutex);
        if (d->batchDepth.load() == 0)
            return;
        if (d->batchDepth.fetch_sub(1) != 1)
            return;
        held.swap(d->held);
        d->heldSet.clear();
    }
    for (quint32 packed : qAsConst(held))
        d->notifyNow(packed);
}

void TParamMemory::setUndoGroup(bool on)
{
    TUndoStep finished;
    {
        QMutexLocker lock(&d->undoMutex);
        if (on) {
            ++d->groupDepth;
            return;
        }
        if (d->groupDepth == 0 || --d->groupDepth > 0)
            return;
        finished.swap(d->group);
    }
    d->pushUndo(finished);
}

MemAPITask *TParamMemory::currentTask(int reserved)
{
    Q_UNUSED(reserved)
    return d->task;
}

bool TParamMemory::taskActive()
{
    return d->taskActive && d->task;
}

IEditorFactory *TParamMemory::editorFactory()
{
    return d->factory;
}

int TParamMemory::valueFromNumber(int tableId, float number, int reserved)
{
    Q_UNUSED(reserved)
    if (tableId == -7) {
        TTextSpec samples;
        samples.kind = TTextSpec::Samples;
        return TValueText::fromNumber(samples, number, d->sampleRate.load());
    }
    const TParamCatalogue *c = d->cat();
    auto it = c->textTables.constFind(tableId);
    if (tableId <= 0 || it == c->textTables.constEnd())
        return TValueText::roundToInt(number);
    return TValueText::fromNumber(it.value(), number, d->sampleRate.load());
}

int TParamMemory::valueToText(int channel, int tableId, QString *text, QPixmap *pixmap, int value,
                              int flag, int e, int p)
{
    Q_UNUSED(channel)
    Q_UNUSED(pixmap) // no table of this memory has pictures
    if (!text)
        return -1;
    const TParamCatalogue *c = d->cat();
    const TParamDef *def = c->param(e, p);
    const int minimum = def ? def->minimum : std::numeric_limits<int>::min();
    const TTextSpec *spec = nullptr;
    TTextSpec samples;
    bool compact = false;
    if (tableId == 0 || tableId == -3) {
        spec = def ? c->paramText(*def) : nullptr;
        compact = tableId == -3 && flag != 0;
    } else if (tableId == -7) {
        samples.kind = TTextSpec::Samples;
        spec = &samples;
    } else if (tableId > 0) {
        auto it = c->textTables.constFind(tableId);
        if (it != c->textTables.constEnd())
            spec = &it.value();
    }
    if (!spec) {
        *text = QString::number(value);
        return 1;
    }
    if (def)
        value = IMemAPI::rawFromTextValue(value, minimum, tableId);
    *text = TValueText::text(*spec, value, minimum, compact, d->sampleRate.load());
    return 0;
}

int TParamMemory::sampleRate(int reserved)
{
    Q_UNUSED(reserved)
    return d->sampleRate.load();
}

namespace {

// A law parameter's value on the 0..1023 scale of the law, and back.
double toLawScale(const TParamDef &def, double v)
{
    if (def.minimum == 0 && def.maximum == TValueText::FaderMaximum)
        return v;
    return (v - def.minimum) * TValueText::FaderMaximum / double(def.maximum - def.minimum);
}

double fromLawScale(const TParamDef &def, double v)
{
    if (def.minimum == 0 && def.maximum == TValueText::FaderMaximum)
        return v;
    return def.minimum + v * (def.maximum - def.minimum) / TValueText::FaderMaximum;
}

} // namespace

int TParamMemory::faderValueFromPosition(int *n, int e, int p, int x)
{
    const TParamDef *def = d->cat()->param(e, p);
    if (!n || *n < 1 || !def || !def->faderLaw || def->maximum <= def->minimum)
        return -1;
    const int span = *n;
    const double fraction = qBound(0, x, span) / double(span);
    const double v = fromLawScale(*def, TValueText::faderValueFromFraction(fraction));
    *n = qBound(def->minimum, TValueText::roundToInt(v), def->maximum);
    return 0;
}

int TParamMemory::faderPositionFromValue(int *n, int e, int p, int x)
{
    const TParamDef *def = d->cat()->param(e, p);
    if (!n || *n < 1 || !def || !def->faderLaw || def->maximum <= def->minimum)
        return -1;
    const int v = TValueText::roundToInt(toLawScale(*def, qBound(def->minimum, x, def->maximum)));
    *n = TValueText::roundToInt(TValueText::faderFraction(v) * *n);
    return 0;
}

int TParamMemory::resolveAddress(TAddressQuery *query)
{
    if (!query)
        return -1;
    TNamedEntry entry;
    if (!d->parseEntry(QString::fromLatin1(query->name), &entry))
        return -1;
    query->field[0] = quint16(entry.element);
    query->field[1] = quint16(entry.parameter);
    query->field[2] = entry.ownChannel ? 0xFFFF : quint16(entry.channel);
    query->field[3] = quint16(entry.elementChannels);
    return 0;
}

QObject *TParamMemory::blinkPhase(int *phase, int reserved)
{
    Q_UNUSED(reserved)
    if (phase)
        *phase = d->blinkPhase.load();
    if (!d->blinkTimer && QThread::currentThread() == thread()) {
        d->blinkTimer = new QTimer(this);
        d->blinkTimer->setInterval(d->blinkInterval);
        // Connected before anybody else: receivers of timeout() see the new phase.
        connect(d->blinkTimer, &QTimer::timeout, this, [this] { d->blinkPhase.fetch_xor(1); });
        d->blinkTimer->start();
    }
    return d->blinkTimer;
}

bool TParamMemory::matchesParamInfo(int e, int p, int tag, int reserved)
{
    Q_UNUSED(reserved)
    return tag >= 0 && tag == p && hasParameter(e, p);
}

bool TParamMemory::connectSignal(const char *signal, QObject *receiver, const char *member, bool on)
{
    if (!signal || !receiver || !member)
        return false;
    QByteArray signalName = QByteArray(signal).trimmed();
    if (signalName.startsWith('2'))
        signalName.remove(0, 1);
    else if (signalName.startsWith('1'))
        return false; // a slot cannot be the sending side
    QByteArray memberName = QByteArray(member).trimmed();
    int memberCode = 0;
    if (memberName.startsWith('1') || memberName.startsWith('2')) {
        memberCode = memberName.at(0) - '0';
        memberName.remove(0, 1);
    }
    signalName = QMetaObject::normalizedSignature(signalName.constData());
    memberName = QMetaObject::normalizedSignature(memberName.constData());

    const int signalIndex = metaObject()->indexOfSignal(signalName.constData());
    const int memberIndex = receiver->metaObject()->indexOfMethod(memberName.constData());
    if (signalIndex < 0 || memberIndex < 0)
        return false;
    const QMetaMethod signalMethod = metaObject()->method(signalIndex);
    const QMetaMethod memberMethod = receiver->metaObject()->method(memberIndex);
    if ((memberCode == 1 && memberMethod.methodType() != QMetaMethod::Slot)
        || (memberCode == 2 && memberMethod.methodType() != QMetaMethod::Signal))
        return false;
    if (!QMetaObject::checkConnectArgs(signalMethod, memberMethod))
        return false;

    if (!on)
        return QObject::disconnect(this, signalMethod, receiver, memberMethod);
    // A second connect of the same pair is refused by Qt and still counts as connected.
    QObject::connect(this, signalMethod, receiver, memberMethod, Qt::UniqueConnection);
    if (signalMethod == QMetaMethod::fromSignal(&TParamMemory::frequentServiceEvent)) {
        if (!d->serviceTimer) {
            d->serviceTimer = new QTimer(this);
            d->serviceTimer->setInterval(kServiceTickMs);
            connect(d->serviceTimer, &QTimer::timeout, this, [this] {
                if (!isSignalConnected(
                            QMetaMethod::fromSignal(&TParamMemory::frequentServiceEvent)))
                    d->serviceTimer->stop();
                else
                    Q_EMIT frequentServiceEvent();
            });
        }
        if (!d->serviceTimer->isActive())
            d->serviceTimer->start();
    }
    return true;
}

int TParamMemory::resolvePatch(int baseElement, int baseIndex, int channel, int *unresolved,
                               TSingleAddress *out, int reserved)
{
    Q_UNUSED(reserved)
    const TParamCatalogue *c = d->cat();
    const std::atomic<int> *patch = c->slot(c->patchElement, c->patchParameter, channel);
    if (!patch)
        return -1;
    // Patch value 0 is "not patched"; n is port channel n - 1 of the base element.
    const int port = patch->load() - 1;
    if (port < 0 || !c->slot(baseElement, baseIndex, port))
        return -1;
    if (unresolved)
        *unresolved = 0;
    if (out) {
        out->element = qint16(baseElement);
        out->channel = qint16(port);
        out->parameter = qint16(baseIndex);
    }
    return 0;
}

int TParamMemory::setPatchedValue(int baseElement, int baseIndex, int channel, int value)
{
    TSingleAddress a;
    int unresolved = 1;
    if (resolvePatch(baseElement, baseIndex, channel, &unresolved, &a) != 0)
        return -1;
    return setValue(a.element, a.parameter, a.channel, value, sourceId(0), 1);
}

int TParamMemory::registerMeter(bool on, TMemProxy *proxy, int e, int p, int c)
{
    if (!proxy || e < 0 || e > TParamCatalogue::MaxElement || p < 0
        || p > TParamCatalogue::MaxParameter || c < 0 || c > TParamCatalogue::MaxChannel)
        return -1;
    if (on && !proxy->memAPI())
        proxy->setMemAPI(this);
    const quint32 packed = pack(e, p, c);
    TSlotPtr slot;
    {
        QMutexLocker lock(&d->registryMutex);
        if (on) {
            slot = d->slotFor(proxy);
            if (!slot->metered.contains(packed)) {
                slot->metered.insert(packed);
                d->meters[packed].append(slot);
            }
            return 0;
        }
        slot = d->proxySlots.value(proxy);
        if (!slot)
            return -1;
        if (!slot->metered.remove(packed))
            return -1;
        auto it = d->meters.find(packed);
        if (it != d->meters.end()) {
            it->removeAll(slot);
            if (it->isEmpty())
                d->meters.erase(it);
        }
    }
    Private::waitForCalls(slot);
    return 0;
}

const quint16 *TParamMemory::meterTable(int tableId, int *count, int reserved)
{
    Q_UNUSED(reserved)
    const TParamCatalogue *c = d->cat();
    auto it = c->meterTables.constFind(tableId);
    if (tableId == 0 || it == c->meterTables.constEnd() || it->isEmpty()) {
        if (count)
            *count = 0;
        return nullptr;
    }
    if (count)
        *count = it->size();
    return it->constData();
}

int TParamMemory::requestTimecode(int kind, TMemProxy *proxy)
{
    if (kind != 1 || !proxy)
        return -1;
    TSlotPtr slot;
    {
        QMutexLocker lock(&d->registryMutex);
        slot = d->slotFor(proxy);
    }
    const quint32 tc = d->timecode.load();
    const Q_UINT8 data[4] = {Q_UINT8(tc >> 24), Q_UINT8(tc >> 16), Q_UINT8(tc >> 8), Q_UINT8(tc)};
    d->callProxy(slot, TCallKind::Direct, 0, data, 0, 0);
    return 0;
}

QObject *TParamMemory::sampleFreqNotifier(int reserved)
{
    Q_UNUSED(reserved)
    return d->rateNotifier;
}

bool TParamMemory::isReady()
{
    return d->ready.load();
}

void TParamMemory::forgetProxy(TMemProxy *proxy)
{
    if (!proxy)
        return;
    TSlotPtr slot;
    {
        QMutexLocker lock(&d->registryMutex);
        d->connected.remove(proxy);
        slot = d->proxySlots.take(proxy);
        if (!slot)
            return;
        for (quint32 packed : qAsConst(slot->observed)) {
            auto it = d->observers.find(packed);
            if (it != d->observers.end()) {
                it->removeAll(slot);
                if (it->isEmpty())
                    d->observers.erase(it);
            }
            d->mirror(packed);
        }
        for (quint32 packed : qAsConst(slot->metered)) {
            auto it = d->meters.find(packed);
            if (it != d->meters.end()) {
                it->removeAll(slot);
                if (it->isEmpty())
                    d->meters.erase(it);
            }
        }
        slot->observed.clear();
        slot->metered.clear();
        slot->alive = false;
    }
    Private::waitForCalls(slot);
    QMutexLocker lock(&d->registryMutex);
    d->freeSlots.push_back(std::move(slot));
}
