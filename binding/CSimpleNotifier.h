#ifndef CSIMPLENOTIFIER_H
#define CSIMPLENOTIFIER_H

#include "TMemProxy.h"

#include <QObject>

// Watches one parameter given by a named address (or the entry of a ";"-list that covers a
// channel) and emits valueChanged(int) with each new value, on the GUI thread. Owned by its owner
// QObject; deleting it while others fire is safe.
class ZB4R_WIDGETS_EXPORT CSimpleNotifier : public QObject, public TMemProxy
{
    Q_OBJECT
    Q_PROPERTY(int value READ value WRITE setValue NOTIFY valueChanged)
public:
    // Makes a watcher of address (a named address or a ";"-list; "FE" stands for channel) and
    // connects valueChanged(int) to slot of owner (SLOT() coding; a slot without the code and
    // one taking no argument are accepted). The current value is delivered once, queued, after
    // creation. Returns null when api is null.
    static CSimpleNotifier *Create(IMemAPI *api, QObject *owner, const QString &address,
                                   int channel, const char *slot, int reserved1 = 0,
                                   int reserved2 = 0);
    // As above, for a numeric address (a channel of a grid, say). Such a watcher has no named
    // address, so keep it out of trees that are bound again (give it no owner).
    static CSimpleNotifier *Create(IMemAPI *api, QObject *owner,
                                   const IMemAPI::TSingleAddress &address, const char *slot);
    ~CSimpleNotifier() override;

    // Current value in the memory (0 while unresolved).
    int value() const;
    // Writes a new value to the memory (nothing while unresolved).
    void setValue(int value);
    bool isResolved() const { return address().isValid(); }

Q_SIGNALS:
    void valueChanged(int value);

protected:
    void updateFromMemory(const Q_UINT8 *data, int operation, Q_UINT32 extra) override;

private:
    explicit CSimpleNotifier(QObject *owner);
    void bind(IMemAPI *api, const QString &address, int channel);
    void deliver(bool force);
    void connectOwner(QObject *owner, const char *slot);

    int m_lastValue = 0;
    bool m_hasValue = false;
};

#endif
