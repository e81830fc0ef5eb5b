#ifndef TMEMPROXY_H
#define TMEMPROXY_H

#include "IMemAPI.h"

#include <QString>
#include <QVector>

#include <atomic>

class QDataStream;
class QMouseEvent;
class TMemSilentHelper;

// What a notification asks a widget to show: the value for its operation and, when the memory's
// range of the address differs from the one last read, that range.
struct TMemReading
{
    int value = 0;
    int minimum = 0;
    int maximum = 0;
    // The range is new (first read after binding, or the memory changed it).
    bool rangeChanged = false;
    // False when the memory cannot serve the address; value is then 0.
    bool valid = false;
};

// The state every binding carries: the memory, the numeric address, the channel offset, the
// bound word and the silent counter. Not a QObject, so that non-widget objects can bind too.
class ZB4R_WIDGETS_EXPORT TMemProxyBasic
{
public:
    TMemProxyBasic();
    virtual ~TMemProxyBasic();

    IMemAPI *memAPI() const { return m_api; }
    // Gives the proxy a memory without connecting it (for example a selector fed by a list).
    void setMemAPI(IMemAPI *api) { m_api = api; }
    // The memory is set and synchronised.
    bool memAPIReady() const { return m_api && m_api->isReady(); }

    const IMemAPI::TSingleAddress &address() const { return m_address; }
    void setAddress(int element, int channel, int parameter);
    int element() const { return m_address.element; }
    int channel() const { return m_address.channel; }
    int parameter() const { return m_address.parameter; }
    quint32 packedAddress() const { return m_address.packed(); }
    int channelOffset() const { return m_channelOffset; }
    void setChannelOffset(int offset) { m_channelOffset = offset; }

    // Set by a successful connect, cleared by disconnectMemAPI() in every case.
    quint32 boundWord() const { return m_bound; }
    bool isAttached() const { return m_bound != 0; }

    // Raised while the widget takes a value from the memory; writes happen only while it is 0.
    quint8 silentCounter() const { return m_silent; }
    bool isSilent() const { return m_silent != 0; }

    // A notification handed to the GUI thread has not been delivered yet.
    bool isDeliveryPending() const { return m_deliveryPending.load(); }

protected:
    quint8 &silentCounterRef() { return m_silent; }
    // Connecting and disconnecting set it; the memory attaches through TMemProxy::attach().
    void setBoundWord(quint32 bound) { m_bound = bound; }

private:
    friend class TObserverDispatcher;

    // The dispatcher's per-proxy state: one delivery pending at most, and the queue's link.
    std::atomic<bool> &deliveryPending() { return m_deliveryPending; }
    TMemProxyBasic *&pendingLink() { return m_pendingLink; }

    IMemAPI *m_api = nullptr;
    IMemAPI::TSingleAddress m_address;
    int m_channelOffset = 0;
    quint32 m_bound = 0;
    quint8 m_silent = 0;
    // On a cache line of its own: a writer thread flips it while the GUI thread reads the
    // address and the memory from the line above.
    alignas(64) std::atomic<bool> m_deliveryPending {false};
    TMemProxyBasic *m_pendingLink = nullptr;
};

// The binding base of every bound widget, and the whole of its contract with the memory.
//
// The memory calls process() on any thread. process() checks readiness, lets the widget look at
// the notification on the arriving thread (acceptNotification(), for widgets that decode meter
// data or count owed signals), hands it to the GUI thread when needed (one delivery pending per
// proxy), updates the auto-hide state once and then calls updateFromMemory() on the GUI thread.
// A widget implements updateFromMemory() with readNotification() and writes its user's changes
// with writeValue(), the only place that checks the silent counter. Widgets do not override
// process() itself, and declare the binding slots with ZB4R_MEMPROXY_SLOTS.
//
// A widget's destructor calls disconnectMemAPI() (or releaseMemory()) while it is still whole;
// ~TMemProxy makes the memory forget the proxy in any case.
class ZB4R_WIDGETS_EXPORT TMemProxy : public TMemProxyBasic
{
public:
    // Channel marker for "the widget's own channel" in named addresses ("FE").
    static constexpr int OwnChannel = -2;

    TMemProxy();
    ~TMemProxy() override;

    // Notification entry: operation 0 value changed, 1 default, 2 paste (data is a QDataStream*
    // to read one record from), 3 copy (data is a QDataStream* to write one record to),
    // 4 alternative default. extra 1 forces the value signals.
    virtual void process(const Q_UINT8 *data, int operation, Q_UINT32 extra);
    virtual bool autoUndoDisabled();
    // The proxy under the pointer for composite widgets; this one by default.
    virtual TMemProxy *realMemoryProxy(QMouseEvent *event);
    // Registers observedAddresses() with the memory (silently). Returns true when attached.
    virtual bool connectMemAPI();
    virtual void disconnectMemAPI();
    virtual void copyParameters(QDataStream *stream, Q_UINT32 extra = 0);
    virtual void pasteParameters(QDataStream *stream, Q_UINT32 extra = 0);
    virtual void reset2defaults();
    virtual void reset2AltDefaults();
    // Range of the address: *maximum, *minimum and *step; *valid (preset true by callers) is
    // cleared when the memory cannot tell.
    virtual void getInformation(double *maximum, double *minimum, double *step, bool *valid);
    virtual void setInformation(double maximum, double minimum, double step);
    // Called by the memory after a connect attempt with the outcome (non-zero = attached).
    virtual void applyConnection(int attached);
    virtual bool disableAutoHide();
    virtual QString namedAddress() const;
    virtual void setNamedAddress(const QString &address);
    virtual bool isUndoEnable() const;
    virtual void setUndoEnable(bool on);
    virtual int numDefaultKind() const;
    virtual void setNumDefaultKind(int kind);
    virtual bool disabledUI() const;
    virtual void setDisabledUI(bool on);

    // The channel "FE" stands for; set by the memory's connectProxy().
    int ownChannel() const { return m_ownChannel; }
    void setOwnChannel(int channel) { m_ownChannel = channel; }
    // Resolves the named address into the numeric one through the memory. Returns false and
    // leaves the address invalid when the text does not resolve.
    bool resolveNamedAddress();
    // Every address of a ";"-list named address, with channel ranges.
    const TAddressList &addressList() const { return m_addressList; }
    // The stream that process() receives as data with operations 2 and 3, and back.
    static QDataStream *streamFromData(const Q_UINT8 *data)
    {
        return reinterpret_cast<QDataStream *>(const_cast<Q_UINT8 *>(data));
    }
    static const Q_UINT8 *dataFromStream(QDataStream *stream)
    {
        return reinterpret_cast<const Q_UINT8 *>(stream);
    }
    // The memory's text (with its unit) of the value it holds for the address now, as
    // valueText() gives it for tableId; what a screen reader says. Empty without a ready memory.
    QString currentValueText(int tableId);
    // An undo step for the address before a user change that does not come from typing (an
    // assistive tool setting the value); only when undo is enabled and the memory is ready.
    void registerUserUndo();
    // Removes the proxy from the memory for good (destructor helper).
    void releaseMemory();

    // How many GUI-thread updates process() has run (diagnostics and tests: a burst of
    // notifications from a worker thread costs one).
    int guiUpdateCount() const { return m_guiUpdates; }

    // Called first in every GUI-thread process(): a widget whose address cannot be served is
    // hidden unless auto-hide is disabled, and shown again once attached.
    void setWidgetShowState(TMemProxy *proxy);

protected:
    // --- the widget's side of the contract -----------------------------------------------------

    // Whether notifications can be served at all; memAPIReady() by default. Called on any thread.
    virtual bool notificationsServable() const;
    // Runs on the thread the notification arrives on, before any hand-over. A widget that must
    // decode data (meters) or count owed signals does it here, touching atomics only. Returning
    // false drops the notification. Deliveries handed over arrive again with null data and
    // operation 0. Accepts everything by default.
    virtual bool acceptNotification(const Q_UINT8 *data, int operation, Q_UINT32 extra);
    // The GUI-thread step: show what the notification asks for. Does nothing by default.
    virtual void updateFromMemory(const Q_UINT8 *data, int operation, Q_UINT32 extra);
    // The packed addresses connectMemAPI() observes; the widget's own address by default.
    virtual QVector<quint32> observedAddresses() const;

    // The value a notification asks for (operation 0 the current value, 1 the default, 2 a pasted
    // record's value when it matches, 3 the current value after writing it as a record, 4 the
    // alternative default), with the range when it changed since the last reading. source is a
    // selection object to read instead of this proxy's address.
    TMemReading readNotification(const Q_UINT8 *data, int operation,
                                 const TMemProxy *source = nullptr);
    // Writes value to the widget's address, or to (e, p, c): only while the silent counter is 0
    // and the memory is ready. Returns true when it wrote.
    bool writeValue(int value);
    bool writeValue(int e, int p, int c, int value);
    // As writeValue(e, p, c, value), giving the memory's answer: setValue()'s result (negative
    // for an address it does not know), or -1 when nothing was written.
    int writeValueResult(int e, int p, int c, int value);
    // A number the user typed, in the memory's units for tableId, with an undo step first when
    // undo is enabled. False (and *value untouched) without a ready memory.
    bool valueFromTypedNumber(int tableId, double number, int *value);
    // The memory's text for raw (with its unit), as valueToText gives it for tableId; raw counts
    // from a negative minimum as the memory expects. Empty without a ready memory.
    QString valueText(int raw, int tableId, QPixmap *pixmap = nullptr);
    // Raises the silent counter for the scope of the returned guard (see TMemSilentHelper).
    [[nodiscard]] TMemSilentHelper silenced(int operation = 0);
    // Shows the memory's current value as if it had been notified (after connecting, say).
    void refreshFromMemory() { updateFromMemory(nullptr, 0, 0); }
    // Meters register their address with registerMeter() instead of observing it: the bound
    // word is set, and with a receiver the memory's signal is connected to its slot (the online
    // state). Returns whether attached.
    bool registerMeterFeed(QObject *receiver = nullptr, const char *signal = nullptr,
                           const char *slot = nullptr);
    // The reverse, when attached: also a meter destructor's first step, while the widget is whole
    // (a feed on another thread may be calling process()).
    void unregisterMeterFeed(QObject *receiver = nullptr, const char *signal = nullptr,
                             const char *slot = nullptr);
    // Forgets the range last read, so the next reading reports it again.
    void forgetRange() { m_rangeKnown = false; }

private:
    friend class CSimpleNotifier;
    friend class TObserverDispatcher;
    friend class TParamMemory;

    // Binds the proxy to api on channel: sets the memory and the own channel, resolves the named
    // address and connects. Reports the outcome to applyConnection(); returns 0 when attached.
    int attach(IMemAPI *api, int channel);
    // The memory lets the proxy go: no memory, not attached.
    void detach();
    // A notification handed over by MAPI_postObserverEvent() reaches the GUI thread.
    void deliverPosted();

    QString m_namedAddress;
    TAddressList m_addressList;
    int m_ownChannel = 0;
    int m_numDefaultKind = 0;
    bool m_undoEnable = true;
    bool m_disabledUI = false;
    bool m_autoHidden = false;
    int m_guiUpdates = 0;
    bool m_rangeKnown = false;
    int m_knownMinimum = 0;
    int m_knownMaximum = 0;
};

// Raises a silent counter for one update that comes from the memory. Operations 1 (default),
// 2 (paste) and 4 (alternative default) leave it down, so a single-parameter widget writes such
// a value back to the memory through its normal value-change path.
class TMemSilentHelper
{
public:
    TMemSilentHelper(quint8 &counter, int operation = 0)
        : m_counter(counter)
        , m_raised(operation != 1 && operation != 2 && operation != 4)
    {
        if (m_raised)
            ++m_counter;
    }
    ~TMemSilentHelper()
    {
        if (m_raised)
            --m_counter;
    }
    TMemSilentHelper(const TMemSilentHelper &) = delete;
    TMemSilentHelper &operator=(const TMemSilentHelper &) = delete;

private:
    quint8 &m_counter;
    bool m_raised;
};

inline TMemSilentHelper TMemProxy::silenced(int operation)
{
    return TMemSilentHelper(silentCounterRef(), operation);
}

// The binding slots of a bound widget, declared once: put it in the class body after Q_OBJECT.
// Forms and connections by name reach the binding through them; the Q_PROPERTY lines name
// TMemProxy's accessors (namedAddress, isUndoEnable, numDefaultKind) directly. A widget derived
// from a bound widget inherits the slots and does not repeat the macro.
#define ZB4R_MEMPROXY_SLOTS                                                                        \
public Q_SLOTS:                                                                                    \
    void process(const Q_UINT8 *data, int operation, Q_UINT32 extra) override                      \
    {                                                                                              \
        TMemProxy::process(data, operation, extra);                                                \
    }                                                                                              \
    void setNamedAddress(const QString &address) override                                          \
    {                                                                                              \
        TMemProxy::setNamedAddress(address);                                                       \
    }                                                                                              \
    void setUndoEnable(bool on) override                                                           \
    {                                                                                              \
        TMemProxy::setUndoEnable(on);                                                              \
    }                                                                                              \
    void setNumDefaultKind(int kind) override                                                      \
    {                                                                                              \
        TMemProxy::setNumDefaultKind(kind);                                                        \
    }                                                                                              \
                                                                                                   \
private:

#endif
