#include "C48VDial.h"

#include "TParamInfo.h"
#include "TPatchFollower.h"

#include <QDataStream>
#include <QEvent>

C48VDial::C48VDial(QWidget *parent, const char *name)
    : CDial(parent, name)
    , d(std::make_unique<TPatchFollower>())
{
}

C48VDial::~C48VDial()
{
    disconnectMemAPI();
    releaseMemory();
}

QString C48VDial::xtraInfo() const
{
    return d->xtraInfo();
}

void C48VDial::setXtraInfo(const QString &text)
{
    d->setXtraInfo(text);
}

void C48VDial::parseXtraInfo()
{
    d->parseXtraInfo(memAPI());
}

quint16 C48VDial::baseElement()
{
    return d->baseElement(memAPI());
}

quint16 C48VDial::baseIndex()
{
    return d->baseIndex(memAPI());
}

bool C48VDial::isPatchResolved() const
{
    return d->isResolved();
}

IMemAPI::TSingleAddress C48VDial::resolvedAddress() const
{
    return d->resolvedAddress();
}

void C48VDial::setNamedAddress(const QString &address)
{
    setEnabled(true);
    CDial::setNamedAddress(address);
}

// --- binding ------------------------------------------------------------------------------------

QVector<quint32> C48VDial::observedAddresses() const
{
    return d->observed();
}

bool C48VDial::connectMemAPI()
{
    IMemAPI *api = memAPI();
    if (!memAPIReady() || !address().isValid())
        return false;
    d->makeWatchers(api, this, channel());
    d->resolve(api, channel());
    // The resolved address only; CDial's own connect would read the own address.
    const bool attached = TMemProxy::connectMemAPI();
    {
        const auto silent = silenced();
        process(nullptr, 0, 0);
    }
    return attached;
}

void C48VDial::disconnectMemAPI()
{
    CDial::disconnectMemAPI();
    d->release();
}

void C48VDial::handle_patchInChange(int)
{
    // Runs inside the memory's notifications: no nested re-connect, and a dial that was
    // disconnected stays so.
    if (!isAttached() || !d->beginRefollow())
        return;
    disconnectMemAPI();
    connectMemAPI();
    d->endRefollow();
}

int C48VDial::changeMemApiValue()
{
    IMemAPI *api = memAPI();
    const quint16 e = d->baseElement(api);
    const quint16 p = d->baseIndex(api);
    if (api && api->isReady() && !isSilent() && e != TPatchFollower::Unresolved)
        api->setPatchedValue(e, p, channel(), value());
    return value();
}

void C48VDial::updateFromMemory(const Q_UINT8 *data, int operation, Q_UINT32 extra)
{
    IMemAPI *api = memAPI();
    if (!api)
        return;
    const IMemAPI::TSingleAddress &at = d->resolvedAddress();
    const bool resolved = d->isResolved();
    {
        const auto silent = silenced();
        const int lo = resolved ? api->getMinimum(at.element, at.parameter, at.channel, 0) : 0;
        const int hi = resolved ? api->getMaximum(at.element, at.parameter, at.channel, 0) : 0;
        setMinimum(lo);
        setMaximum(hi);
        setEnabled(resolved);
    }
    int v = resolved ? api->getValue(at.element, at.parameter, at.channel, 0, 0) : 0;
    switch (operation) {
    case 1:
        v = api->getValueEx(element(), parameter(), channel(), false, nullptr);
        break;
    case 2:
        if (data) {
            TParamInfoReader record(streamFromData(data));
            if (record.isValid() && api->matchesParamInfo(element(), parameter(), record.tag(), 0))
                v = record.value();
        }
        break;
    case 3:
        if (data && resolved)
            TParamInfoWriter(at.element, at.channel, at.parameter, v, streamFromData(data));
        break;
    default:
        break;
    }
    {
        const auto silent = silenced(operation);
        setValue(v);
    }
    if (extra == 1)
        emitValueChanges(false);
}

// --- events -------------------------------------------------------------------------------------

bool C48VDial::event(QEvent *event)
{
    const bool result = CDial::event(event);
    if (event->type() == QEvent::Polish)
        Q_EMIT enabledUpdate(isEnabled());
    return result;
}

void C48VDial::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::EnabledChange)
        Q_EMIT enabledUpdate(isEnabled());
    CDial::changeEvent(event);
}
