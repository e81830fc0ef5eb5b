#ifndef IMEMAPI_H
#define IMEMAPI_H

#include "zb4r_types.h"
#include "zb4r_widgets_export.h"

#include <QByteArray>
#include <QVector>

class QBuffer;
class QObject;
class QPixmap;

#include <QStringList>
class QWidget;
class TMemProxy;
class MemAPITask;

// One entry of an address list: element, channel, parameter, then the channel range
// (first channel, channel count) that the entry covers. Ten bytes, as the memory stores them.
struct TAddressRecord
{
    qint16 element = -1;
    qint16 channel = -1;
    qint16 parameter = -1;
    qint16 first = 0;
    qint16 count = 0;
};
static_assert(sizeof(TAddressRecord) == 10, "address records are ten bytes");

typedef QVector<TAddressRecord> TAddressList;

// Query record of resolveAddress(): the name as ASCII, a zero word, then four 16-bit fields that
// start as 0xFFFF. On success field[0] is the element, field[1] the parameter (the base index),
// field[2] the channel (0xFFFF for "FE", the caller's own) and field[3] the element's channel count.
struct TAddressQuery
{
    explicit TAddressQuery(const QByteArray &n = QByteArray()) : name(n) { }
    QByteArray name;
    quint16 zero = 0;
    quint16 field[4] = {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
};

// Host service that opens editors by type id; open() returns 0 on success.
class ZB4R_WIDGETS_EXPORT IEditorFactory
{
public:
    virtual ~IEditorFactory();
    virtual int open(const Z_GUID &editorType, int editorKind, QWidget **editor, int reserved1,
                     int reserved2) = 0;
};

// The parameter memory as the widgets see it. Operations are listed in the memory library's
// slot order; the default arguments match the short call forms the widgets use.
//
// Threads: every operation may be called from any thread unless marked GUI. Observers are called
// on the writer's thread; a proxy hands notifications to the GUI thread itself
// (MAPI_postObserverEvent).
class ZB4R_WIDGETS_EXPORT IMemAPI
{
public:
    struct TSingleAddress
    {
        qint16 element = -1;
        qint16 channel = -1;
        qint16 parameter = -1;
        bool isValid() const { return element >= 0 && channel >= 0 && parameter >= 0; }
        quint32 packed() const { return IMemAPI::pack(element, parameter, channel); }
    };

    // Observer key: element << 22 | parameter << 11 | channel.
    static constexpr quint32 pack(int element, int parameter, int channel)
    {
        return (quint32(element) << 22) | ((quint32(parameter) & 0x7FF) << 11)
                | (quint32(channel) & 0x7FF);
    }
    // Values handed to valueToText() together with a parameter (e, p) whose minimum is negative
    // count from that minimum, for tables 0 and up: callers send value - minimum.
    static constexpr int textValueFromRaw(int raw, int minimum, int tableId)
    {
        return tableId >= 0 && minimum < 0 ? raw - minimum : raw;
    }
    static constexpr int rawFromTextValue(int textValue, int minimum, int tableId)
    {
        return tableId >= 0 && minimum < 0 ? textValue + minimum : textValue;
    }
    static constexpr int packedElement(quint32 packed) { return int(packed >> 22); }
    static constexpr int packedParameter(quint32 packed) { return int((packed >> 11) & 0x7FF); }
    static constexpr int packedChannel(quint32 packed) { return int(packed & 0x7FF); }

    virtual ~IMemAPI();

    // Value names of table tableId appended to *list; returns their count (0: unknown table).
    virtual int dynamicStringList(int tableId, QStringList *list) = 0;
    // Undo point for the proxy's own address (its current value), before a typed write.
    virtual void registerUndo(TMemProxy *proxy) = 0;
    // Writes every parameter-info record in the buffer as one undo step; returns the count.
    virtual int applyParamInfo(QBuffer *buffer) = 0;
    virtual bool isOnline() = 0;
    virtual int addObserver(TMemProxy *proxy, quint32 packed, int mode = 0) = 0;
    virtual int removeObserver(TMemProxy *proxy, quint32 packed) = 0;
    // Default value (alternate false) or alternative default; *unavailable is set non-zero when
    // the parameter has no alternative default.
    virtual int getValueEx(int e, int p, int c, bool alternate = false, int *unavailable = nullptr) = 0;
    virtual int getMinimum(int e, int p, int c, int reserved = 0) = 0;
    virtual int getMaximum(int e, int p, int c, int reserved = 0) = 0;
    virtual int getValue(int e, int p, int c, int reserved1 = 0, int reserved2 = 0) = 0;
    // Clamps to the range, stores and notifies. Returns 0, or a negative number for an unknown
    // address.
    virtual int setValue(int e, int p, int c, int value, int source, int notify = 1) = 0;
    virtual int sourceId(int reserved = 0) = 0;
    // Resolves a ";"-list of named addresses; returns the number of records appended.
    virtual int parseAddressList(TAddressList *list, const QString *text) = 0;
    // Binds a proxy: gives it this memory, resolves its named address on the channel and
    // connects it. Returns 0 when the proxy ends up attached. GUI.
    virtual int connectProxy(TMemProxy *proxy, int channel) = 0;
    virtual void setBatchMode(bool on) = 0;
    virtual void setUndoGroup(bool on) = 0;
    virtual MemAPITask *currentTask(int reserved = 0) = 0;
    virtual bool taskActive() = 0;
    virtual IEditorFactory *editorFactory() = 0;
    // Typed number to raw value, the inverse of valueToText() for the same table.
    virtual int valueFromNumber(int tableId, float number, int reserved = 0) = 0;
    // Raw value to text. tableId 0 uses the text of parameter (e, p); a pixmap is filled only
    // for tables that have pictures. Returns 0 when the text came from a table.
    virtual int valueToText(int channel, int tableId, QString *text, QPixmap *pixmap, int value,
                            int flag, int e = 0, int p = 0) = 0;
    virtual int sampleRate(int reserved = 0) = 0;
    // n in: the number of positions; out: the value or position. Non-zero: no fader law.
    virtual int faderValueFromPosition(int *n, int e, int p, int x) = 0;
    virtual int faderPositionFromValue(int *n, int e, int p, int x) = 0;
    virtual int resolveAddress(TAddressQuery *query) = 0;
    // *phase (when given) gets the shared blink phase (non-zero = lit). Returns the shared blink
    // timer; its timeout() comes after the phase has toggled. GUI.
    virtual QObject *blinkPhase(int *phase, int reserved = 0) = 0;
    virtual bool matchesParamInfo(int e, int p, int tag, int reserved = 0) = 0;
    // Connects (on) or disconnects one of the memory's signals, given in SIGNAL()/SLOT() coding
    // ("2onlineChanged(bool)"; a missing code is taken as a signal or a slot). GUI.
    virtual bool connectSignal(const char *signal, QObject *receiver, const char *member,
                               bool on) = 0;
    virtual int resolvePatch(int baseElement, int baseIndex, int channel, int *unresolved,
                             TSingleAddress *out, int reserved = 0) = 0;
    virtual int setPatchedValue(int baseElement, int baseIndex, int channel, int value) = 0;
    virtual int registerMeter(bool on, TMemProxy *proxy, int e, int p, int c) = 0;
    // Meter thresholds of table tableId (unsigned 16-bit), or null with *count 0.
    virtual const quint16 *meterTable(int tableId, int *count, int reserved = 0) = 0;
    virtual int requestTimecode(int kind, TMemProxy *proxy) = 0;
    virtual QObject *sampleFreqNotifier(int reserved = 0) = 0;

    // Additions of this library: the memory is synchronised and may be used.
    virtual bool isReady() = 0;
    // A proxy is going away: drop it from every registry and wait for calls in flight to it.
    virtual void forgetProxy(TMemProxy *proxy) = 0;
};

// The task the memory runs while it replays automation; widgets alert it about parameters they
// change themselves.
class ZB4R_WIDGETS_EXPORT MemAPITask
{
public:
    virtual ~MemAPITask();
    static void alertProxy(MemAPITask *task, int e, int p, int c);
    static void alert(MemAPITask *task);

protected:
    virtual void onAlertProxy(int e, int p, int c) = 0;
    virtual void onAlert() = 0;
};

// Hands a notification that arrived off the GUI thread to the GUI thread, where the proxy gets
// setWidgetShowState() and then process(nullptr, 0, 0). Deliveries are coalesced: a proxy has at
// most one pending, and one posted event carries every proxy pending at that moment. Proxies
// destroyed meanwhile are skipped. Callable from any thread.
ZB4R_WIDGETS_EXPORT void MAPI_postObserverEvent(IMemAPI *api, TMemProxy *proxy);

#endif
