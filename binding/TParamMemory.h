#ifndef TPARAMMEMORY_H
#define TPARAMMEMORY_H

#include "IMemAPI.h"

#include <QObject>
#include <QStringList>

#include <memory>

class QWidget;

// The embedded parameter memory: a complete in-process IMemAPI for hosts without a console,
// the demo editor and the tests.
//
// It holds a catalogue of elements (sections), their parameters and channel counts, loaded from a
// JSON description (the built-in one, ":/zb4r/console.json", describes a demo console), and a
// value per (element, parameter, channel). Everything is thread-safe: values may be read and
// written, and meters fed, from any thread. Observers are called on the writer's thread, without
// any memory lock held, so they may call back into the memory.
//
// Choices where the widget contract leaves the behaviour open:
//  - setValue() clamps to the range and notifies only when the stored value changes; notify 0
//    stores without telling anybody. An unknown address returns -1 and changes nothing; reads of
//    an unknown address give 0.
//  - Value texts: table 0 uses the parameter's own text; -3 is the same text, with flag non-zero
//    in a compact form (no unit or spaces, "k" for kHz: "1.25k", "-12.5"); 5 is the fader level
//    in dB (823 = 0 dB, 1023 = +10 dB, 0 = "-inf"); -7 is a delay in samples shown in ms at the
//    current sample rate; other positive ids name the catalogue's text tables. Without a table
//    or parameter the text is the decimal number and the result is non-zero. No table has
//    pictures, so the pixmap is never touched.
//  - valueFromNumber() takes the number in the text's base unit (Hz also where the text says
//    kHz, dB, ms); with table 0 or -3 it rounds the number. The result is not clamped.
//  - EQ frequency values lie on a 1/12-octave grid (value v = 1/24-octave index 2v, index 8 =
//    20 Hz, index 248 = 20 kHz) and read as nominal frequencies ("20.0 Hz", "1.06 kHz").
//  - Fader law: parameters marked with a law in the catalogue map value to position
//    non-linearly (+10 dB at the top, 0 dB three quarters up, -30 dB a quarter up). n is the
//    travel in pixels, as for QStyle's slider helpers: position 0 is the minimum, n the maximum. Other parameters return non-zero.
//  - Undo: registerUndo() and applyParamInfo() record undo steps; undo()/redo() replay them.
//    A new step clears the redo history; at most 1000 steps are kept. setUndoGroup(true ...
//    false) makes one step of everything registered in between (nesting counts; the first
//    value recorded for an address wins). Loading a catalogue clears the history.
//  - setBatchMode(true) holds notifications (from every thread); setBatchMode(false) sends one
//    per changed address once the outermost batch ends.
//  - Named addresses: "HH" (two hex digits: channel or index, "FE" = the caller's own channel),
//    optionally preceded by two hex digits giving the channel count the entry covers in a list,
//    then "kSection/kParam". Hex digits are read case-insensitively. A channel outside the
//    element's channels, a count of 0, an unknown key or anything left over fails. In a list,
//    failing entries are dropped and take no channel range.
//  - connectProxy() attaches only while the memory is ready and the proxy's address exists.
//  - resolvePatch(): the input patch value n of the channel (0 = not patched) leads to port
//    channel n - 1 of baseElement; it fails when that address does not exist.
//  - Meters may be registered on any address. requestTimecode(1, proxy) answers at once with
//    the last setTimecode() and subscribes the proxy (until forgetProxy()): every later
//    setTimecode() reaches it as process(data, 0, 0) on the caller's thread. Other kinds
//    return -1.
//  - A proxy's calls are serialised; removeObserver(), registerMeter(false, ...) and
//    forgetProxy() wait for a call in flight on another thread (the calling thread itself may be
//    inside it). Two threads that each remove the other's proxy from inside a call would wait
//    for each other: observers only remove themselves or proxies of their own thread.
//  - The blink phase toggles every blinkInterval() ms (default 400) once the timer has been
//    asked for; the frequent service tick runs every serviceInterval() ms (default 40) while
//    somebody is connected to it.
//  - sourceId() is a tag of this memory, different for every memory in the process.
class ZB4R_WIDGETS_EXPORT TParamMemory : public QObject, public IMemAPI
{
    Q_OBJECT
    Q_PROPERTY(bool online READ isOnline WRITE setOnline NOTIFY onlineChanged)
    Q_PROPERTY(int sampleRate READ currentSampleRate WRITE setSampleRate)
public:
    // Loads the built-in demo console catalogue.
    explicit TParamMemory(QObject *parent = nullptr);
    ~TParamMemory() override;

    // --- catalogue --------------------------------------------------------------------------
    // Replaces the catalogue (and resets every value to its default). False with *error set
    // when the description is not valid; the old catalogue then stays.
    bool loadCatalogue(const QByteArray &json, QString *error = nullptr);
    bool loadCatalogueFile(const QString &path, QString *error = nullptr);
    QString catalogueName() const;
    QStringList sectionKeys() const;
    int sectionElement(const QString &sectionKey) const; // -1 when unknown
    int channelCount(int element) const;                 // 0 when unknown
    bool hasParameter(int element, int parameter) const;
    QString parameterKey(int element, int parameter) const;
    QList<int> parameters(int element) const;
    // Resolves one named address ("FEkInput/kGain"); ownChannel stands for "FE".
    bool resolveNamed(const QString &name, int ownChannel, TSingleAddress *out) const;

    // --- host services ----------------------------------------------------------------------
    // Binds proxy and every proxy below it (widgets made by forms) on channel; returns how many
    // ended up attached.
    int connectTree(QObject *root, int channel);
    void disconnectTree(QObject *root);

    bool undo();
    bool redo();
    bool canUndo() const;
    bool canRedo() const;
    int undoDepth() const;
    void clearUndo();

    void setOnline(bool online);
    void setReady(bool ready);
    void setSampleRate(int hz);
    int currentSampleRate() const;
    void setEditorFactory(IEditorFactory *factory);
    void setCurrentTask(MemAPITask *task, bool active);
    int blinkInterval() const;
    void setBlinkInterval(int ms);
    // Period of the frequent service tick; values <= 0 are ignored.
    int serviceInterval() const;
    void setServiceInterval(int ms);

    // Meter feed, callable from any thread: every proxy registered for the address gets
    // process(data, 0, 0) on the caller's thread, data being four 7-bit bytes:
    // level = data[0] << 7 | data[1], peak = data[2] << 7 | data[3].
    void pushMeter(int e, int p, int c, const quint8 data[4]);
    void pushMeterLevel(int e, int p, int c, int level, int peak);
    // Time code sent to proxies that request it (hours, minutes, seconds, frames).
    void setTimecode(int hours, int minutes, int seconds, int frames);
    int timecodeSubscriberCount() const;

    // Registry introspection (tests and diagnostics).
    int observerCount() const; // registrations in all
    int observerCount(quint32 packed) const; // registrations of one address
    bool isObserver(const TMemProxy *proxy) const;
    int meterSubscriberCount() const;

    // --- IMemAPI ----------------------------------------------------------------------------
    int dynamicStringList(int tableId, QStringList *list) override;
    void registerUndo(TMemProxy *proxy) override;
    int applyParamInfo(QBuffer *buffer) override;
    bool isOnline() override;
    int addObserver(TMemProxy *proxy, quint32 packed, int mode = 0) override;
    int removeObserver(TMemProxy *proxy, quint32 packed) override;
    int getValueEx(int e, int p, int c, bool alternate = false,
                   int *unavailable = nullptr) override;
    int getMinimum(int e, int p, int c, int reserved = 0) override;
    int getMaximum(int e, int p, int c, int reserved = 0) override;
    int getValue(int e, int p, int c, int reserved1 = 0, int reserved2 = 0) override;
    int setValue(int e, int p, int c, int value, int source, int notify = 1) override;
    int sourceId(int reserved = 0) override;
    int parseAddressList(TAddressList *list, const QString *text) override;
    int connectProxy(TMemProxy *proxy, int channel) override;
    void setBatchMode(bool on) override;
    void setUndoGroup(bool on) override;
    MemAPITask *currentTask(int reserved = 0) override;
    bool taskActive() override;
    IEditorFactory *editorFactory() override;
    int valueFromNumber(int tableId, float number, int reserved = 0) override;
    int valueToText(int channel, int tableId, QString *text, QPixmap *pixmap, int value, int flag,
                    int e = 0, int p = 0) override;
    int sampleRate(int reserved = 0) override;
    int faderValueFromPosition(int *n, int e, int p, int x) override;
    int faderPositionFromValue(int *n, int e, int p, int x) override;
    int resolveAddress(TAddressQuery *query) override;
    QObject *blinkPhase(int *phase, int reserved = 0) override;
    bool matchesParamInfo(int e, int p, int tag, int reserved = 0) override;
    bool connectSignal(const char *signal, QObject *receiver, const char *member, bool on) override;
    int resolvePatch(int baseElement, int baseIndex, int channel, int *unresolved,
                     TSingleAddress *out, int reserved = 0) override;
    int setPatchedValue(int baseElement, int baseIndex, int channel, int value) override;
    int registerMeter(bool on, TMemProxy *proxy, int e, int p, int c) override;
    const quint16 *meterTable(int tableId, int *count, int reserved = 0) override;
    int requestTimecode(int kind, TMemProxy *proxy) override;
    QObject *sampleFreqNotifier(int reserved = 0) override;
    bool isReady() override;
    void forgetProxy(TMemProxy *proxy) override;

Q_SIGNALS:
    void onlineChanged(bool online);
    void frequentServiceEvent();
    // Undo or redo availability changed.
    void undoStateChanged();

private:
    struct Private;
    std::unique_ptr<Private> d;
};

#endif
