#include "TMemProxy.h"

#include "NS_Utilities.h"
#include "TAccessibleFactory.h"
#include "TFocusFrame.h"
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
    // The same entry as a notification on the GUI thread: hooks, auto-hide, one update.
    process(nullptr, 0, 0);
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
    // Assistive tools hear of the new value once per coalescing interval, not per notification;
    // without one listening, a meter's update pays no cast.
    if (operation != 3 && TAccessibleFactory::isListening())
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

int TMemProxy::writeValueResult(int e, int p, int c, int value)
{
    IMemAPI *api = memAPI();
    if (isSilent() || !api || !api->isReady() || e < 0 || p < 0 || c < 0)
        return -1;
    return api->setValue(e, p, c, value, api->sourceId(0), 1);
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

bool TMemProxy::registerMeterFeed(QObject *receiver, const char *signal, const char *slot)
{
    IMemAPI *api = memAPI();
    if (!memAPIReady())
        return false;
    if (address().isValid()) {
        if (!isAttached())
            setBoundWord(1);
        api->registerMeter(true, this, element(), parameter(), channel());
        if (receiver && signal && slot)
            api->connectSignal(signal, receiver, slot, true);
    }
    return isAttached();
}

void TMemProxy::unregisterMeterFeed(QObject *receiver, const char *signal, const char *slot)
{
    IMemAPI *api = memAPI();
    if (memAPIReady() && isAttached()) {
        api->registerMeter(false, this, element(), parameter(), channel());
        if (receiver && signal && slot)
            api->connectSignal(signal, receiver, slot, false);
    }
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
