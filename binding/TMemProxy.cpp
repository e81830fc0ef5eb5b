#include "TMemProxy.h"

#include "NS_Utilities.h"
#include "TAccessibleFactory.h"
#include "TFocusFrame.h"
#include "TParamInfo.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QDataStream>
#include <QEvent>
#include <QMutex>
#include <QThread>
#include <QWidget>

#include <algorithm>
#include <vector>

namespace {

// Hands observer notifications to the GUI thread. A proxy is queued at most once (its pending
// flag), and one posted event carries every proxy queued until it is delivered, so a burst
// costs one event however many proxies it touches.
//
// The queue is a list linked through the proxies: writers push without a lock, and whoever
// pushes onto an empty list posts the event. Taking the list and unlinking a proxy that goes
// away happen under the mutex, so they never overlap.
class ObserverDispatcher : public QObject
{
public:
    static ObserverDispatcher *instance()
    {
        static ObserverDispatcher *const dispatcher = [] {
            auto *created = new ObserverDispatcher;
            created->moveToThread(QCoreApplication::instance()->thread());
            return created;
        }();
        return dispatcher;
    }

    void post(TMemProxy *proxy)
    {
        // Mostly the proxy is still pending: a plain read then leaves its cache line shared with
        // the GUI thread. The writer's value store and this read are sequentially consistent, as
        // are the clearing exchange and the value read in deliver(), so a stale "pending" seen
        // here is always followed by a delivery that reads the new value.
        std::atomic<bool> &pending = proxy->deliveryPending();
        if (pending.load(std::memory_order_seq_cst) || pending.exchange(true))
            return;
        if (pushChain(proxy, proxy) == nullptr)
            QCoreApplication::postEvent(this, new QEvent(eventType()));
    }

    // The proxy is going away: drop it from the queue and from batches being delivered.
    void forget(TMemProxy *proxy)
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
        for (std::vector<std::atomic<TMemProxy *>> *batch : m_delivering) {
            for (std::atomic<TMemProxy *> &entry : *batch) {
                if (entry.load(std::memory_order_relaxed) == proxy)
                    entry.store(nullptr, std::memory_order_release);
            }
        }
    }

protected:
    bool event(QEvent *e) override
    {
        if (e->type() != eventType())
            return QObject::event(e);
        deliver();
        return true;
    }

private:
    static QEvent::Type eventType()
    {
        static const QEvent::Type type = QEvent::Type(QEvent::registerEventType());
        return type;
    }

    // Pushes first..last (linked) in front of the list; returns the head it replaced.
    TMemProxyBasic *pushChain(TMemProxyBasic *first, TMemProxyBasic *last)
    {
        TMemProxyBasic *head = m_head.load(std::memory_order_relaxed);
        do
            last->pendingLink() = head;
        while (!m_head.compare_exchange_weak(head, first, std::memory_order_release,
                                             std::memory_order_relaxed));
        return head;
    }

    static TMemProxyBasic *reverse(TMemProxyBasic *p)
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

    void deliver()
    {
        // Entries are atomics so that forget() can clear one while it is delivered from, without
        // the delivery locking the queue for every proxy.
        std::vector<std::atomic<TMemProxy *>> batch;
        {
            QMutexLocker lock(&m_mutex);
            // Pushed newest first: delivered oldest first.
            TMemProxyBasic *p = reverse(m_head.exchange(nullptr, std::memory_order_acquire));
            size_t n = 0;
            for (TMemProxyBasic *q = p; q; q = q->pendingLink())
                ++n;
            batch = std::vector<std::atomic<TMemProxy *>>(n);
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
            // the notification is visible to process() below.
            proxy->deliveryPending().exchange(false, std::memory_order_seq_cst);
            proxy->setWidgetShowState(proxy);
            proxy->process(nullptr, 0, 0);
        }
        QMutexLocker lock(&m_mutex);
        m_delivering.erase(std::find(m_delivering.begin(), m_delivering.end(), &batch));
    }

    QMutex m_mutex;
    std::atomic<TMemProxyBasic *> m_head {nullptr};
    std::vector<std::vector<std::atomic<TMemProxy *>> *> m_delivering;
};

} // namespace

void MAPI_postObserverEvent(IMemAPI *api, TMemProxy *proxy)
{
    if (!api || !proxy || !QCoreApplication::instance())
        return;
    ObserverDispatcher::instance()->post(proxy);
}

// ---------------------------------------------------------------------------------------------

TMemProxyBasic::TMemProxyBasic() = default;
TMemProxyBasic::~TMemProxyBasic() = default;

void TMemProxyBasic::setAddress(int element, int channel, int parameter)
{
    m_address.element = qint16(element);
    m_address.channel = qint16(channel);
    m_address.parameter = qint16(parameter);
}

// ---------------------------------------------------------------------------------------------

TMemProxy::TMemProxy()
{
    // Normally installed when the library loads; this covers hosts that load it otherwise.
    TAccessibleFactory::install();
    TFocusFrame::install();
}

TMemProxy::~TMemProxy()
{
    releaseMemory();
}

void TMemProxy::releaseMemory()
{
    if (IMemAPI *api = memAPI())
        api->forgetProxy(this);
    setMemAPI(nullptr);
    setBoundWord(0);
    if (deliveryPending().load() && QCoreApplication::instance())
        ObserverDispatcher::instance()->forget(this);
}

// --- the contract ----------------------------------------------------------------------------

void TMemProxy::process(const Q_UINT8 *data, int operation, Q_UINT32 extra)
{
    if (!notificationsServable() || !acceptNotification(data, operation, extra))
        return;
    if (!NS_Utilities::mainThreadRunning()) {
        MAPI_postObserverEvent(memAPI(), this);
        return;
    }
    setWidgetShowState(this);
    ++m_guiUpdates;
    updateFromMemory(data, operation, extra);
    // Assistive tools hear of the new value once per coalescing interval, not per notification.
    if (operation != 3)
        TAccessibleFactory::valueChanged(dynamic_cast<QWidget *>(this));
}

bool TMemProxy::notificationsServable() const
{
    return memAPIReady();
}

bool TMemProxy::acceptNotification(const Q_UINT8 *, int, Q_UINT32)
{
    return true;
}

void TMemProxy::updateFromMemory(const Q_UINT8 *, int, Q_UINT32) { }

QVector<quint32> TMemProxy::observedAddresses() const
{
    return {packedAddress()};
}

TMemReading TMemProxy::readNotification(const Q_UINT8 *data, int operation, const TMemProxy *source)
{
    TMemReading r;
    if (!source)
        source = this;
    IMemAPI *api = source->memAPI() ? source->memAPI() : memAPI();
    if (!api || !api->isReady() || !source->address().isValid())
        return r;
    const int e = source->element(), p = source->parameter(), c = source->channel();
    r.valid = true;
    r.minimum = api->getMinimum(e, p, c, 0);
    r.maximum = api->getMaximum(e, p, c, 0);
    r.rangeChanged = !m_rangeKnown || r.minimum != m_knownMinimum || r.maximum != m_knownMaximum;
    m_rangeKnown = true;
    m_knownMinimum = r.minimum;
    m_knownMaximum = r.maximum;

    switch (operation) {
    case 1:
        r.value = api->getValueEx(e, p, c, false, nullptr);
        break;
    case 4: {
        int unavailable = 0;
        const int alternative = api->getValueEx(e, p, c, true, &unavailable);
        r.value = unavailable ? api->getValueEx(e, p, c, false, nullptr) : alternative;
        break;
    }
    case 2:
        r.value = api->getValue(e, p, c, 0, 0);
        if (data) {
            TParamInfoReader record(streamFromData(data));
            if (record.isValid() && api->matchesParamInfo(e, p, record.tag(), 0))
                r.value = record.value();
        }
        break;
    case 3:
        r.value = api->getValue(e, p, c, 0, 0);
        if (data)
            TParamInfoWriter(e, c, p, r.value, streamFromData(data));
        break;
    default:
        r.value = api->getValue(e, p, c, 0, 0);
        break;
    }
    return r;
}

bool TMemProxy::writeValue(int value)
{
    return writeValue(element(), parameter(), channel(), value);
}

bool TMemProxy::writeValue(int e, int p, int c, int value)
{
    IMemAPI *api = memAPI();
    if (isSilent() || !api || !api->isReady() || e < 0 || p < 0 || c < 0)
        return false;
    api->setValue(e, p, c, value, api->sourceId(0), 1);
    return true;
}

QString TMemProxy::valueText(int raw, int tableId, QPixmap *pixmap)
{
    IMemAPI *api = memAPI();
    QString text;
    if (!api || !api->isReady() || !address().isValid())
        return text;
    const int minimum =
            m_rangeKnown ? m_knownMinimum : api->getMinimum(element(), parameter(), channel(), 0);
    api->valueToText(channel() + channelOffset(), tableId, &text, pixmap,
                     IMemAPI::textValueFromRaw(raw, minimum, tableId), 0, element(), parameter());
    return text;
}

QString TMemProxy::currentValueText(int tableId)
{
    IMemAPI *api = memAPI();
    if (!api || !api->isReady() || !address().isValid())
        return QString();
    return valueText(api->getValue(element(), parameter(), channel(), 0, 0), tableId);
}

void TMemProxy::registerUserUndo()
{
    IMemAPI *api = memAPI();
    if (isUndoEnable() && !isSilent() && api && api->isReady() && address().isValid())
        api->registerUndo(this);
}

bool TMemProxy::valueFromTypedNumber(int tableId, double number, int *value)
{
    IMemAPI *api = memAPI();
    if (!api || !api->isReady() || !value)
        return false;
    *value = api->valueFromNumber(tableId, float(number), 0);
    if (isUndoEnable())
        api->registerUndo(this);
    return true;
}

bool TMemProxy::autoUndoDisabled()
{
    return false;
}

TMemProxy *TMemProxy::realMemoryProxy(QMouseEvent *)
{
    return this;
}

bool TMemProxy::connectMemAPI()
{
    if (!memAPIReady() || !address().isValid())
        return false;
    forgetRange();
    {
        const auto silent = silenced();
        for (quint32 packed : observedAddresses())
            memAPI()->addObserver(this, packed, 0);
    }
    if (!isAttached())
        setBoundWord(1);
    return true;
}

void TMemProxy::disconnectMemAPI()
{
    if (isAttached() && memAPIReady()) {
        for (quint32 packed : observedAddresses())
            memAPI()->removeObserver(this, packed);
    }
    setBoundWord(0);
}

void TMemProxy::copyParameters(QDataStream *stream, Q_UINT32 extra)
{
    process(reinterpret_cast<const Q_UINT8 *>(stream), 3, extra);
}

void TMemProxy::pasteParameters(QDataStream *stream, Q_UINT32 extra)
{
    process(reinterpret_cast<const Q_UINT8 *>(stream), 2, extra);
}

void TMemProxy::reset2defaults()
{
    process(nullptr, 1, 0);
}

void TMemProxy::reset2AltDefaults()
{
    process(nullptr, 4, 0);
}

void TMemProxy::getInformation(double *maximum, double *minimum, double *step, bool *valid)
{
    const bool known = memAPIReady() && address().isValid();
    if (valid)
        *valid = known;
    if (!known)
        return;
    if (maximum)
        *maximum = memAPI()->getMaximum(element(), parameter(), channel(), 0);
    if (minimum)
        *minimum = memAPI()->getMinimum(element(), parameter(), channel(), 0);
    if (step)
        *step = 1.0;
}

void TMemProxy::setInformation(double, double, double) { }

void TMemProxy::applyConnection(int) { }

bool TMemProxy::disableAutoHide()
{
    return false;
}

QString TMemProxy::namedAddress() const
{
    return m_namedAddress;
}

void TMemProxy::setNamedAddress(const QString &address)
{
    if (address == m_namedAddress && (address.isEmpty() || this->address().isValid()))
        return;
    const bool wasAttached = isAttached();
    if (wasAttached)
        disconnectMemAPI();
    m_namedAddress = address;
    if (!memAPI()) {
        setAddress(-1, -1, -1);
        return;
    }
    // Re-binding a widget that the memory has already connected.
    if (resolveNamedAddress() && wasAttached) {
        setBoundWord(1);
        connectMemAPI();
    }
}

bool TMemProxy::resolveNamedAddress()
{
    setAddress(-1, -1, -1);
    forgetRange();
    m_addressList.clear();
    IMemAPI *api = memAPI();
    if (!api || m_namedAddress.isEmpty())
        return false;

    if (m_namedAddress.contains(QLatin1Char(';'))) {
        if (api->parseAddressList(&m_addressList, &m_namedAddress) <= 0)
            return false;
        // The entry whose channel range covers the own channel; "FE" entries take the channel
        // within their range.
        int local = m_ownChannel;
        for (const TAddressRecord &r : std::as_const(m_addressList)) {
            if (r.count <= 0 || local < r.count) {
                setAddress(r.element, r.channel == OwnChannel ? local : r.channel, r.parameter);
                break;
            }
            local -= r.count;
        }
    } else {
        TAddressQuery query(m_namedAddress.toLatin1());
        if (api->resolveAddress(&query) != 0)
            return false;
        const bool own = query.field[2] == 0xFFFF;
        // The own channel must exist in the element (field 3 holds its channel count).
        if (own
            && (m_ownChannel < 0 || (query.field[3] != 0xFFFF && m_ownChannel >= query.field[3])))
            return false;
        const int c = own ? m_ownChannel : int(query.field[2]);
        setAddress(qint16(query.field[0]), c, qint16(query.field[1]));
    }
    return address().isValid();
}

bool TMemProxy::isUndoEnable() const
{
    return m_undoEnable;
}

void TMemProxy::setUndoEnable(bool on)
{
    m_undoEnable = on;
}

int TMemProxy::numDefaultKind() const
{
    return m_numDefaultKind;
}

void TMemProxy::setNumDefaultKind(int kind)
{
    m_numDefaultKind = kind;
}

bool TMemProxy::disabledUI() const
{
    return m_disabledUI;
}

void TMemProxy::setDisabledUI(bool on)
{
    m_disabledUI = on;
}

void TMemProxy::setWidgetShowState(TMemProxy *proxy)
{
    if (!proxy)
        return;
    QWidget *w = dynamic_cast<QWidget *>(proxy);
    if (!w)
        return;
    if (!proxy->isAttached() && !proxy->disableAutoHide()) {
        if (!w->isHidden()) {
            proxy->m_autoHidden = true;
            w->hide();
        }
    } else if (proxy->isAttached() && proxy->m_autoHidden) {
        proxy->m_autoHidden = false;
        w->show();
    }
}
