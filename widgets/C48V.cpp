#include "C48V.h"

#include "NS_Utilities.h"
#include "TParamInfo.h"
#include "TPatchFollower.h"

#include <QDataStream>

namespace {

constexpr int kStateOn = 2;

} // namespace

C48V::C48V(QWidget *parent, const QString &name)
    : COnOffButton(parent, name)
    , d(std::make_unique<TPatchFollower>())
{
}

C48V::~C48V()
{
    // The resolved observer goes while the follower still knows it.
    disconnectMemAPI();
    releaseMemory();
}

QString C48V::xtraInfo() const
{
    return d->xtraInfo();
}

void C48V::setXtraInfo(const QString &text)
{
    d->setXtraInfo(text);
}

void C48V::parseXtraInfo()
{
    d->parseXtraInfo(memAPI());
}

quint16 C48V::baseElement()
{
    return d->baseElement(memAPI());
}

quint16 C48V::baseIndex()
{
    return d->baseIndex(memAPI());
}

bool C48V::isPatchResolved() const
{
    return d->isResolved();
}

IMemAPI::TSingleAddress C48V::resolvedAddress() const
{
    return d->resolvedAddress();
}

int C48V::phantomOnValue() const
{
    return boolClipValue() != 0 ? boolClipValue() : 1;
}

// --- binding ------------------------------------------------------------------------------------

QVector<quint32> C48V::observedAddresses() const
{
    return d->observed();
}

bool C48V::connectMemAPI()
{
    IMemAPI *api = memAPI();
    if (!memAPIReady() || !address().isValid())
        return false;
    d->makeWatchers(api, this, channel());
    d->resolve(api, channel());
    // Registers the resolved address only (none while the patch leads nowhere).
    const bool attached = COnOffButton::connectMemAPI();
    {
        const auto silent = silenced();
        process(nullptr, 0, 0);
    }
    return attached;
}

void C48V::disconnectMemAPI()
{
    COnOffButton::disconnectMemAPI();
    d->release();
}

void C48V::handle_patchInChange(int)
{
    // Runs inside the memory's notifications: a re-connect already running is not nested, and a
    // switch that was disconnected stays so.
    if (!isAttached() || !d->beginRefollow())
        return;
    disconnectMemAPI();
    connectMemAPI();
    d->endRefollow();
}

void C48V::updateFromMemory(const Q_UINT8 *data, int operation, Q_UINT32 extra)
{
    IMemAPI *api = memAPI();
    if (!api)
        return;
    const IMemAPI::TSingleAddress &at = d->resolvedAddress();
    const bool resolved = d->isResolved();
    int value = resolved ? api->getValue(at.element, at.parameter, at.channel, 0, 0) : 0;
    if (isEnabled() != resolved) {
        setEnabled(resolved);
        markRepaintNeeded();
        updateErasePixmap();
    }
    switch (operation) {
    case 1:
        value = api->getValueEx(element(), parameter(), channel(), false, nullptr);
        break;
    case 2:
        if (data) {
            TParamInfoReader record(streamFromData(data));
            if (record.isValid() && api->matchesParamInfo(element(), parameter(), record.tag(), 0))
                value = record.value();
        }
        break;
    case 3:
        if (data && resolved)
            TParamInfoWriter(at.element, at.channel, at.parameter, value, streamFromData(data));
        break;
    default:
        break;
    }
    if (operation > 2)
        return;
    // The truth value against the on value: an on value above 1 is never matched.
    const bool on = (int(value > 0) == phantomOnValue()) != invertedLogic();
    handleProcessChange(operation, on, extra != 0);
}

void C48V::handleStateChanged(int state)
{
    if (!NS_Utilities::mainThreadRunning() || !memAPI())
        return;
    bool on = state == kStateOn;
    if (invertedLogic())
        on = !on;
    const int value = on ? phantomOnValue() : 0;
    const IMemAPI::TSingleAddress &at = d->resolvedAddress();
    if (d->isResolved())
        writeValue(at.element, at.parameter, at.channel, value);
    markRepaintNeeded();
    updateErasePixmap();
    update();
}

bool C48V::hitButton(const QPoint &pos) const
{
    return QPushButton::hitButton(pos);
}
