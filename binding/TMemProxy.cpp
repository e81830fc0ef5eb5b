#include "TMemProxy.h"

#include "TObserverDispatcher_p.h"
#include "TParamInfo.h"

#include <QDataStream>
#include <QWidget>

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

TMemProxy::TMemProxy() = default;

TMemProxy::~TMemProxy()
{
    releaseMemory();
}

void TMemProxy::releaseMemory()
{
    if (IMemAPI *api = memAPI())
        api->forgetProxy(this);
    detach();
    TObserverDispatcher::release(this);
}

int TMemProxy::attach(IMemAPI *api, int channel)
{
    setMemAPI(api);
    m_ownChannel = channel;
    resolveNamedAddress();
    bool attached = false;
    if (memAPIReady() && address().isValid()) {
        // Marked first: a widget's connectMemAPI() may test isAttached().
        setBoundWord(1);
        attached = connectMemAPI();
        if (!attached)
            setBoundWord(0);
    }
    applyConnection(attached ? 1 : 0);
    return attached ? 0 : -1;
}

void TMemProxy::detach()
{
    setMemAPI(nullptr);
    setBoundWord(0);
}

void TMemProxy::deliverPosted()
{
    setWidgetShowState(this);
    process(nullptr, 0, 0);
}

void TMemProxy::process(const Q_UINT8 *, int, Q_UINT32) { }

int TMemProxy::valueForOperation(const Q_UINT8 *data, int operation, int current,
                                 const TMemProxy *source)
{
    IMemAPI *api = memAPI() ? memAPI() : (source ? source->memAPI() : nullptr);
    if (!source)
        source = this;
    if (!api)
        return current;
    const int e = source->element(), p = source->parameter(), c = source->channel();
    switch (operation) {
    case 1:
        return api->getValueEx(e, p, c, false, nullptr);
    case 2:
        if (data) {
            TParamInfoReader record(streamFromData(data));
            if (record.isValid() && api->matchesParamInfo(e, p, record.tag(), 0))
                return record.value();
        }
        return current;
    case 3:
        if (data)
            TParamInfoWriter(this, current, streamFromData(data), -1);
        return current;
    default:
        return current;
    }
}

int TMemProxy::alternativeDefault()
{
    IMemAPI *api = memAPI();
    if (!api)
        return 0;
    int unavailable = 0;
    const int alternative = api->getValueEx(element(), parameter(), channel(), true, &unavailable);
    return unavailable ? api->getValueEx(element(), parameter(), channel(), false, nullptr)
                       : alternative;
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
    TMemSilentHelper silent(silentCounter());
    memAPI()->addObserver(this, packedAddress(), 0);
    if (!isAttached())
        setBoundWord(1);
    return true;
}

void TMemProxy::disconnectMemAPI()
{
    if (isAttached() && memAPIReady())
        memAPI()->removeObserver(this, packedAddress());
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
