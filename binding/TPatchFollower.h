#ifndef TPATCHFOLLOWER_H
#define TPATCHFOLLOWER_H

#include "IMemAPI.h"
#include "zb4r_widgets_export.h"

#include <QPointer>
#include <QString>
#include <QVector>

class CSimpleNotifier;
class QObject;

// What a control needs to follow a parameter of whatever converter port is patched to its input
// channel: the base parameter (named by xtraInfo, resolved once), the address the patch leads to
// now, and the watchers of the patch and of the converter set-up that tell when to look again.
//
// The owner calls makeWatchers() and resolve() from connectMemAPI(), observes observed() and
// calls release() from disconnectMemAPI(). Every watcher calls the owner's
// "handle_patchInChange(int)" slot.
class ZB4R_WIDGETS_EXPORT TPatchFollower
{
public:
    // Base element and index until xtraInfo has been resolved.
    static constexpr quint16 Unresolved = 0xFFFF;
    // Converter ports whose set-up is watched.
    static constexpr int SetupPorts = 16;

    TPatchFollower();
    ~TPatchFollower();
    TPatchFollower(const TPatchFollower &) = delete;
    TPatchFollower &operator=(const TPatchFollower &) = delete;

    QString xtraInfo() const { return m_xtraInfo; }
    // Stores a changed text; a new text is resolved again on next use. False when unchanged.
    bool setXtraInfo(const QString &text);

    // Resolves xtraInfo through api while the base is unresolved. A text the memory rejects
    // (empty, not ASCII, unknown) leaves the base unresolved and is tried again next time.
    void parseXtraInfo(IMemAPI *api);
    quint16 baseElement(IMemAPI *api);
    quint16 baseIndex(IMemAPI *api);

    // On the first call only: the watchers of the sixteen port set-ups, the host id and the
    // patch of channel, all on owner's "handle_patchInChange(int)". True when they exist.
    bool makeWatchers(IMemAPI *api, QObject *owner, int channel);
    bool hasWatchers() const { return m_made; }
    // Looks up where channel's patch leads now (unresolved when nothing is patched).
    void resolve(IMemAPI *api, int channel);
    // Back to unresolved (after the observer has been removed).
    void release() { m_unresolved = 1; }

    bool isResolved() const { return m_unresolved == 0; }
    const IMemAPI::TSingleAddress &resolvedAddress() const { return m_resolved; }
    // The packed resolved address to observe; none while unresolved.
    QVector<quint32> observed() const;
    // The watcher of the channel's patch (null before the first connect).
    CSimpleNotifier *patchNotifier() const;

    // Guards the re-connect that a watcher's call runs: true when the caller may go on (watchers
    // exist and no re-connect is running already).
    bool beginRefollow();
    void endRefollow() { m_refollowing = false; }

private:
    QString m_xtraInfo;
    quint16 m_baseElement = Unresolved;
    quint16 m_baseIndex = Unresolved;
    IMemAPI::TSingleAddress m_resolved;
    int m_unresolved = 1;
    QPointer<CSimpleNotifier> m_patchNotifier;
    bool m_made = false;
    bool m_refollowing = false;
};

#endif
