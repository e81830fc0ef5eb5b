#include "CSimpleNotifier.h"

#include "NS_Utilities.h"

#include <QByteArray>
#include <QMetaObject>

CSimpleNotifier::CSimpleNotifier(QObject *owner)
    : QObject(owner)
{
}

CSimpleNotifier::~CSimpleNotifier()
{
    disconnectMemAPI();
}

CSimpleNotifier *CSimpleNotifier::Create(IMemAPI *api, QObject *owner, const QString &address,
                                         int channel, const char *slot, int, int)
{
    if (!api)
        return nullptr;
    auto *notifier = new CSimpleNotifier(owner);
    notifier->bind(api, address, channel);
    notifier->connectOwner(owner, slot);
    return notifier;
}

CSimpleNotifier *CSimpleNotifier::Create(IMemAPI *api, QObject *owner,
                                         const IMemAPI::TSingleAddress &address, const char *slot)
{
    if (!api)
        return nullptr;
    auto *notifier = new CSimpleNotifier(owner);
    notifier->setMemAPI(api);
    notifier->setAddress(address.element, address.channel, address.parameter);
    if (notifier->isResolved() && notifier->memAPIReady()) {
        notifier->setBoundWord(1);
        if (!notifier->connectMemAPI())
            notifier->setBoundWord(0);
    }
    notifier->connectOwner(owner, slot);
    return notifier;
}

void CSimpleNotifier::connectOwner(QObject *owner, const char *slot)
{
    if (owner && slot && *slot) {
        QByteArray member(slot);
        // Accept slots written without the SLOT() code.
        if (member.at(0) != '0' + QSLOT_CODE && member.at(0) != '0' + QSIGNAL_CODE)
            member.prepend(char('0' + QSLOT_CODE));
        QObject::connect(this, SIGNAL(valueChanged(int)), owner, member.constData());
    }
    QMetaObject::invokeMethod(this, [this] { deliver(true); }, Qt::QueuedConnection);
}

void CSimpleNotifier::bind(IMemAPI *api, const QString &address, int channel)
{
    TMemProxy::setNamedAddress(address); // stored only: there is no memory yet
    attach(api, channel);
}

int CSimpleNotifier::value() const
{
    if (!isResolved() || !memAPIReady())
        return 0;
    return memAPI()->getValue(element(), parameter(), channel(), 0, 0);
}

void CSimpleNotifier::setValue(int value)
{
    if (isResolved())
        writeValue(value);
}

void CSimpleNotifier::updateFromMemory(const Q_UINT8 *, int, Q_UINT32)
{
    deliver(false);
}

void CSimpleNotifier::deliver(bool force)
{
    const int v = value();
    if (!force && m_hasValue && v == m_lastValue)
        return;
    m_hasValue = true;
    m_lastValue = v;
    Q_EMIT valueChanged(v);
}
