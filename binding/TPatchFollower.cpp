#include "TPatchFollower.h"

#include "CSimpleNotifier.h"

#include <QObject>

namespace {

const char *const kPatchSlot = "1handle_patchInChange(int)";
const char *const kPortSetup = "kSetupKV518/kKV518Port";
const char *const kHostId = "00kKV518Host/kKV518HostID";
const char *const kPatchIn = "FEkPatchInInput/kPatchIn";

bool isAscii(const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() > 0x7F)
            return false;
    }
    return true;
}

} // namespace

TPatchFollower::TPatchFollower() = default;
// The watchers belong to their owner QObject.
TPatchFollower::~TPatchFollower() = default;

CSimpleNotifier *TPatchFollower::patchNotifier() const
{
    return m_patchNotifier.data();
}

bool TPatchFollower::setXtraInfo(const QString &text)
{
    if (text == m_xtraInfo)
        return false;
    m_xtraInfo = text;
    m_baseElement = Unresolved;
    m_baseIndex = Unresolved;
    return true;
}

void TPatchFollower::parseXtraInfo(IMemAPI *api)
{
    if (m_baseElement != Unresolved || !api || m_xtraInfo.isEmpty() || !isAscii(m_xtraInfo))
        return;
    TAddressQuery query(m_xtraInfo.toLatin1());
    if (api->resolveAddress(&query) != 0)
        return;
    m_baseElement = query.field[0];
    m_baseIndex = query.field[1];
}

quint16 TPatchFollower::baseElement(IMemAPI *api)
{
    parseXtraInfo(api);
    return m_baseElement;
}

quint16 TPatchFollower::baseIndex(IMemAPI *api)
{
    parseXtraInfo(api);
    return m_baseIndex;
}

bool TPatchFollower::makeWatchers(IMemAPI *api, QObject *owner, int channel)
{
    if (m_made || !api)
        return m_made;
    m_made = true;
    for (int port = 0; port < SetupPorts; ++port) {
        const QString name = QString::asprintf("%02X", port) + QLatin1String(kPortSetup);
        CSimpleNotifier::Create(api, owner, name, port, kPatchSlot, 0, 0);
    }
    CSimpleNotifier::Create(api, owner, QLatin1String(kHostId), 0, kPatchSlot, 0, 0);
    m_patchNotifier =
            CSimpleNotifier::Create(api, owner, QLatin1String(kPatchIn), channel, kPatchSlot, 0, 0);
    return true;
}

void TPatchFollower::resolve(IMemAPI *api, int channel)
{
    m_unresolved = 1;
    m_resolved = IMemAPI::TSingleAddress();
    if (!api)
        return;
    const quint16 e = baseElement(api);
    const quint16 p = baseIndex(api);
    // An unresolved base is passed on as it stands: the memory finds no such port.
    if (api->resolvePatch(qint16(e), qint16(p), channel, &m_unresolved, &m_resolved, 0) != 0
        || !m_resolved.isValid())
        m_unresolved = 1;
}

QVector<quint32> TPatchFollower::observed() const
{
    if (!isResolved())
        return {};
    return {m_resolved.packed()};
}

bool TPatchFollower::beginRefollow()
{
    if (!m_made || m_refollowing)
        return false;
    m_refollowing = true;
    return true;
}
