#ifndef TESTRIG_H
#define TESTRIG_H

// What the suites share: objects bound to the embedded memory, notifications from worker
// threads, pictures made of solid frames and the lit pixels of a grab(), signal counts.

#include "NS_Utilities.h"
#include "TCacheServer.h"
#include "TMemProxy.h"
#include "TParamInfo.h"
#include "TParamMemory.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QImage>
#include <QList>
#include <QMetaMethod>
#include <QMutex>
#include <QPainter>
#include <QPixmap>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QWheelEvent>
#include <QWidget>

#include <atomic>
#include <functional>
#include <limits>
#include <memory>
#include <vector>

namespace TestRig {

// Lets posted events run: hand-overs to the GUI thread, queued signals, repaints.
inline void settle()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

// Runs fn on a new thread and waits for it; false if the thread did not finish.
template<class F>
bool runOnWorker(F fn)
{
    std::unique_ptr<QThread> thread(QThread::create(std::move(fn)));
    thread->start();
    return thread->wait();
}

// Runs fn(t) for t = 0..threads-1, each on its own thread, all released at once so that
// they really overlap; waits for all.
template<class F>
bool runTogether(int threads, F fn)
{
    std::atomic<int> ready {0};
    std::vector<std::unique_ptr<QThread>> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back(QThread::create([&, t] {
            ++ready;
            while (ready.load() < threads)
                QThread::yieldCurrentThread();
            fn(t);
        }));
        workers.back()->start();
    }
    bool finished = true;
    for (auto &worker : workers)
        finished = worker->wait() && finished;
    return finished;
}

// The address a named address stands for on own channel; invalid if it does not resolve.
inline IMemAPI::TSingleAddress resolve(const TParamMemory &memory, const QString &name, int own = 0)
{
    IMemAPI::TSingleAddress a;
    if (!memory.resolveNamed(name, own, &a))
        a = IMemAPI::TSingleAddress();
    return a;
}

// Names the address of a bound object and connects it on own channel; true once attached.
// The call goes through a pointer the optimiser cannot see through: a call devirtualised to the
// widget's inline slot override would name a symbol the library keeps hidden.
inline bool bind(TParamMemory &memory, TMemProxy &proxy, const QString &name, int own = 0)
{
    TMemProxy *volatile opaque = &proxy;
    opaque->setNamedAddress(name);
    return memory.connectProxy(&proxy, own) == 0 && proxy.isAttached();
}

// The embedded memory, counting every write and the writes that changed a value: "setting the
// same value again" must not add to either.
class CountingMemory : public TParamMemory
{
public:
    int setValue(int e, int p, int c, int value, int source, int notify = 1) override
    {
        ++writes;
        const int before = getValue(e, p, c);
        const int result = TParamMemory::setValue(e, p, c, value, source, notify);
        if (getValue(e, p, c) != before)
            ++changes;
        return result;
    }

    std::atomic<int> writes {0};
    std::atomic<int> changes {0};
};

// A host window that lets alike widgets below it share look records; its widgets go before
// the records they share.
class CacheHost : public QWidget, public TCacheServer
{
public:
    explicit CacheHost(QWidget *parent = nullptr)
        : QWidget(parent)
    {
    }
    ~CacheHost() override
    {
        qDeleteAll(findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly));
        deleteRecords();
    }
};

// Gives proxy an address and registers it there as an observer (which gives it the memory).
inline void observe(TParamMemory &memory, TMemProxy &proxy, const IMemAPI::TSingleAddress &a)
{
    proxy.setAddress(a.element, a.channel, a.parameter);
    memory.addObserver(&proxy, a.packed());
}

// What the memory holds at a bound object's address; a write there by another editor.
inline int storedFor(IMemAPI &memory, const TMemProxy &proxy)
{
    return memory.getValue(proxy.element(), proxy.parameter(), proxy.channel());
}

inline void writeFor(IMemAPI &memory, const TMemProxy &proxy, int value)
{
    memory.setValue(proxy.element(), proxy.parameter(), proxy.channel(), value,
                    memory.sourceId(0) + 1, 1);
}

// A bound object that records what the memory hands it, on whatever thread that happens.
// With handOver set it behaves as a widget does: off the GUI thread it passes the
// notification over to the GUI thread, where it reads the value with its feedback guard up.
class Watcher : public TMemProxy
{
public:
    // Counts every call and keeps the meter data it carries; then, with handOver set, follows
    // the binding contract (a worker thread's call reaches the GUI thread), else reads at once
    // on the calling thread.
    void process(const Q_UINT8 *data, int operation, Q_UINT32 extra) override
    {
        ++calls;
        if (data) {
            QMutexLocker lock(&mutex);
            lastData = QByteArray(reinterpret_cast<const char *>(data), 4);
            dataThread = QThread::currentThread();
        }
        if (handOver)
            TMemProxy::process(data, operation, extra);
        else
            show(operation);
    }
    bool connectMemAPI() override
    {
        ++connectCalls;
        return TMemProxy::connectMemAPI();
    }
    void applyConnection(int attached) override { lastConnection = attached; }

    bool handOver = false;
    std::atomic<int> calls {0}; // every call
    std::atomic<int> handedOver {0}; // calls passed to the GUI thread
    std::atomic<int> reads {0}; // calls that read the value
    std::atomic<int> lastSeen {std::numeric_limits<int>::min()};
    int connectCalls = 0;
    int lastConnection = -1;
    QMutex mutex;
    QByteArray lastData; // the first four bytes of the last data handed over
    QThread *dataThread = nullptr;
    std::function<void(Watcher *)> onProcess;

protected:
    bool acceptNotification(const Q_UINT8 *, int, Q_UINT32) override
    {
        if (!NS_Utilities::mainThreadRunning())
            ++handedOver;
        return true;
    }
    void updateFromMemory(const Q_UINT8 *, int operation, Q_UINT32) override { show(operation); }

private:
    void show(int operation)
    {
        const auto silent = silenced(operation);
        if (memAPIReady() && address().isValid()) {
            ++reads;
            lastSeen = memAPI()->getValue(element(), parameter(), channel());
        }
        if (onProcess)
            onProcess(this);
    }
};

// One wheel notch (120) or part of one, up for a positive delta, at a point (the centre by
// default).
inline void wheel(QWidget *widget, int delta, QPointF at = QPointF(-1, -1))
{
    if (at.x() < 0)
        at = QPointF(widget->width() / 2.0, widget->height() / 2.0);
    QWheelEvent event(at, widget->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(widget, &event);
}

// A picture of columns x rows frames of size frame, each filled with colour(column, row):
// the image strips widgets cut their frames from.
inline QPixmap frameStrip(QSize frame, int columns, int rows,
                          const std::function<QColor(int column, int row)> &colour)
{
    QImage strip(frame.width() * columns, frame.height() * rows, QImage::Format_ARGB32);
    strip.fill(Qt::transparent);
    QPainter painter(&strip);
    for (int c = 0; c < columns; ++c) {
        for (int r = 0; r < rows; ++r)
            painter.fillRect(QRect(QPoint(c * frame.width(), r * frame.height()), frame),
                             colour(c, r));
    }
    painter.end();
    return QPixmap::fromImage(strip);
}

// What the user sees of a widget at a point (its centre by default).
inline QColor colourAt(QWidget *widget, QPoint at = QPoint(-1, -1))
{
    const QImage image = widget->grab().toImage();
    if (at.x() < 0)
        at = QPoint(image.width() / 2, image.height() / 2);
    return image.pixelColor(at);
}

// Pixels of image in area (the whole image if null) that show colour exactly, and those
// outside it that are not transparent.
struct PixelCount
{
    int matching = 0;
    int strayOutside = 0;
};

inline PixelCount countPixels(const QImage &image, const QColor &colour,
                              const QRect &area = QRect())
{
    PixelCount count;
    const QImage plain = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < plain.height(); ++y) {
        for (int x = 0; x < plain.width(); ++x) {
            const QRgb pixel = plain.pixel(x, y);
            if (area.isNull() || area.contains(x, y))
                count.matching += pixel == colour.rgba() ? 1 : 0;
            else
                count.strayOutside += qAlpha(pixel) != 0 ? 1 : 0;
        }
    }
    return count;
}

// Lines of the picture (rows along its middle column, or columns along its middle row) that
// show the lit colour.
inline std::vector<int> litLines(const QImage &image, const QColor &lit, bool rows = true)
{
    std::vector<int> lines;
    const int n = rows ? image.height() : image.width();
    for (int i = 0; i < n; ++i) {
        const QColor c = rows ? image.pixelColor(image.width() / 2, i)
                              : image.pixelColor(i, image.height() / 2);
        if (c == lit)
            lines.push_back(i);
    }
    return lines;
}

// Spies on every signal the library's classes declare on an object (those of Qt's own classes
// excepted): "setting the same value again" must leave total() at zero.
class AllSignals
{
public:
    explicit AllSignals(const QObject *object)
    {
        const QMetaObject *meta = object->metaObject();
        const QMetaObject *qt = meta;
        while (qt && !QByteArray(qt->className()).startsWith('Q'))
            qt = qt->superClass();
        for (int i = qt ? qt->methodCount() : 0; i < meta->methodCount(); ++i) {
            const QMetaMethod m = meta->method(i);
            if (m.methodType() == QMetaMethod::Signal)
                spies.push_back(std::make_unique<QSignalSpy>(
                        object, QByteArray("2" + m.methodSignature()).constData()));
        }
    }
    int total() const
    {
        int n = 0;
        for (const auto &spy : spies)
            n += int(spy->count());
        return n;
    }
    std::vector<std::unique_ptr<QSignalSpy>> spies;
};

// What the memory holds at an address; a write there by another editor.
inline int valueAt(IMemAPI &memory, const IMemAPI::TSingleAddress &a)
{
    return memory.getValue(a.element, a.parameter, a.channel);
}

inline void writeAt(IMemAPI &memory, const IMemAPI::TSingleAddress &a, int value)
{
    memory.setValue(a.element, a.parameter, a.channel, value, memory.sourceId(0) + 1, 1);
}

// What most widget suites start from: the embedded memory (counting writes) loaded with the
// suite's catalogue, a host window, and the named addresses of one channel. Writes through
// set() come from "another editor", so widgets must follow them and never echo them back.
class Console
{
public:
    explicit Console(const char *catalogue, int own = 0, QSize window = QSize(400, 300))
        : channel(own)
    {
        loaded = memory.loadCatalogue(QByteArray(catalogue), &error);
        host.resize(window);
    }

    IMemAPI::TSingleAddress at(const char *name, int own = -1) const
    {
        return resolve(memory, QString::fromLatin1(name), own < 0 ? channel : own);
    }
    // What the memory holds at a named address; INT_MIN if the name does not resolve.
    int value(const char *name, int own = -1)
    {
        const IMemAPI::TSingleAddress a = at(name, own);
        return a.isValid() ? valueAt(memory, a) : std::numeric_limits<int>::min();
    }
    void set(const char *name, int v, int own = -1) { writeAt(memory, at(name, own), v); }
    // Names proxy's address, connects it on the console's channel and shows the host window;
    // true once attached and exposed.
    bool bind(TMemProxy *proxy, const char *name)
    {
        if (!TestRig::bind(memory, *proxy, QString::fromLatin1(name), channel))
            return false;
        host.show();
        return QTest::qWaitForWindowExposed(&host);
    }

    bool loaded = false;
    QString error;
    CountingMemory memory;
    QWidget host;
    int channel;
};

// The first record a copy writes (invalid if it wrote none), and a paste of records.
inline TParamInfo copied(TMemProxy &proxy, Q_UINT32 extra = 0)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    proxy.copyParameters(&out, extra);
    QDataStream in(bytes);
    TParamInfoReader reader(&in);
    return reader.isValid() ? reader.info() : TParamInfo();
}

inline void paste(TMemProxy &proxy, const QList<TParamInfo> &records, Q_UINT32 extra = 0)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    for (const TParamInfo &info : records)
        TParamInfoWriter::write(&out, info);
    QDataStream in(bytes);
    proxy.pasteParameters(&in, extra);
}

// A record for proxy's own address (or another parameter of its element) holding value.
inline TParamInfo recordFor(const TMemProxy &proxy, int value, int parameter = -1)
{
    TParamInfo info;
    info.element = qint16(proxy.element());
    info.channel = qint16(proxy.channel());
    info.parameter = qint16(parameter < 0 ? proxy.parameter() : parameter);
    info.value = value;
    return info;
}

// --- Parameter snapshots (picture-widget suites) ----------------------------------------------

// The values of parameters first..last of one element and channel.
inline QVector<int> valuesOf(IMemAPI &memory, int element, int channel, int first, int last)
{
    QVector<int> values;
    for (int p = first; p <= last; ++p)
        values << memory.getValue(element, p, channel);
    return values;
}

// The parameters (numbered from first) whose values differ between two snapshots.
inline QList<int> changedParameters(const QVector<int> &before, const QVector<int> &after,
                                    int first)
{
    QList<int> changed;
    for (int i = 0; i < before.size() && i < after.size(); ++i) {
        if (before.at(i) != after.at(i))
            changed << first + i;
    }
    return changed;
}

// --- Pastes cut short (dial, fader and grid suites) ---------------------------------------------

// The bytes a paste of records carries, to cut them short.
inline QByteArray recordBytes(const QList<TParamInfo> &records)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    for (const TParamInfo &info : records)
        TParamInfoWriter::write(&out, info);
    return bytes;
}

// A paste of whatever bytes are given: a stream that may end inside a record.
inline void pasteBytes(TMemProxy &proxy, const QByteArray &bytes, Q_UINT32 extra = 0)
{
    QDataStream in(bytes);
    proxy.pasteParameters(&in, extra);
}

// ---- Drags (added for the meter and send suites) ---------------------------------------------

// A user's drag with the left button: a press at from, a move to to and a release there, with
// modifiers held (a click when to is from).
inline void drag(QWidget *widget, QPoint from, QPoint to, Qt::KeyboardModifiers modifiers = {})
{
    QTest::mousePress(widget, Qt::LeftButton, modifiers, from);
    if (to != from)
        QTest::mouseMove(widget, to);
    QTest::mouseRelease(widget, Qt::LeftButton, modifiers, to);
}

} // namespace TestRig

#endif
