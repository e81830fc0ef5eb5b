#include "TParamMemory.h"

#include "TBindingLog_p.h"
#include "TMemProxy.h"
#include "TNamedAddress_p.h"
#include "TObserverRegistry_p.h"
#include "TParamCatalogue_p.h"
#include "TParamInfo.h"
#include "TParamMemory_p.h"
#include "TTimecodeFeed_p.h"
#include "TUndoHistory_p.h"
#include "TValueText_p.h"

#include <QBuffer>
#include <QDataStream>
#include <QFile>
#include <QMetaMethod>
#include <QMutex>
#include <QThread>
#include <QTimer>

#include <limits>
#include <vector>

namespace {

const char *const kBuiltInCatalogue = ":/zb4r/console.json";
constexpr int kServiceTickMs = 40;
constexpr int kDefaultBlinkMs = 400;
constexpr int kMeterLevelMax = 0x3FFF; // two 7-bit halves

// Every memory gets its own tag, so writes can be told apart from those of another memory.
std::atomic<int> s_nextSourceTag {0x5A00};

bool isSupportedRate(int hz)
{
    return hz == 44100 || hz == 48000 || hz == 88200 || hz == 96000;
}

} // namespace

struct TParamMemory::Private
{
    explicit Private(TParamMemory *owner)
        : q(owner)
        , registry(catalogue)
        , history([owner] { Q_EMIT owner->undoStateChanged(); })
        , timecode(registry)
    {
    }

    TParamMemory *q;

    // The catalogue in use. Catalogues replaced by loadCatalogue() stay alive until the memory
    // goes, so a reader on another thread never sees one vanish under it.
    std::atomic<TParamCatalogue *> catalogue {nullptr};
    QMutex catalogueMutex;
    std::vector<std::unique_ptr<TParamCatalogue>> catalogues;

    TObserverRegistry registry;
    TUndoHistory history;

    std::atomic<bool> online {true};
    std::atomic<bool> ready {true};
    std::atomic<int> sampleRate {48000};
    TSampleRateNotifier *rateNotifier = nullptr;
    QTimer *serviceTimer = nullptr;
    QTimer *blinkTimer = nullptr;
    std::atomic<int> blinkPhase {0};
    int blinkInterval = kDefaultBlinkMs;
    TTimecodeFeed timecode;
    int serviceInterval = kServiceTickMs;
    IEditorFactory *factory = nullptr;
    MemAPITask *task = nullptr;
    bool taskActive = false;
    const int sourceTag = s_nextSourceTag.fetch_add(1);

    TParamCatalogue *cat() const { return catalogue.load(std::memory_order_acquire); }
    void install(std::unique_ptr<TParamCatalogue> c);
    int store(int e, int p, int c, int value, bool notifyChange);
    // The undo history's writer: restores one recorded value.
    bool restore(const TUndoRecord &r, int *replaced);
    TUndoHistory::TWriter writer()
    {
        return [this](const TUndoRecord &r, int *replaced) { return restore(r, replaced); };
    }
};

void TParamMemory::Private::install(std::unique_ptr<TParamCatalogue> c)
{
    QMutexLocker lock(&catalogueMutex);
    registry.install(c.get());
    catalogues.push_back(std::move(c));
}

int TParamMemory::Private::store(int e, int p, int c, int value, bool notifyChange)
{
    const TParamCatalogue *catalogue = cat();
    const TParamDef *def = nullptr;
    std::atomic<int> *slot = catalogue->slot(e, p, c, &def);
    if (!slot)
        return -1;
    const int clamped = qBound(def->minimum, value, def->maximum);
    // Sequentially consistent, like getValue(): a notification may skip re-queueing a proxy it
    // sees still pending, which is only safe when the queued delivery must read this value.
    const int old = slot->exchange(clamped, std::memory_order_seq_cst);
    if (old != clamped && notifyChange)
        registry.notify(IMemAPI::pack(e, p, c), catalogue->observerCell(slot));
    return 0;
}

bool TParamMemory::Private::restore(const TUndoRecord &r, int *replaced)
{
    const std::atomic<int> *slot = cat()->slot(r.element, r.parameter, r.channel);
    if (!slot)
        return false;
    *replaced = slot->load();
    store(r.element, r.parameter, r.channel, r.value, true);
    return true;
}

// --- construction ----------------------------------------------------------------------------

TParamMemory::TParamMemory(QObject *parent)
    : QObject(parent)
    , d(new Private(this))
{
    d->rateNotifier = new TSampleRateNotifier(this);
    QString error;
    QFile file(QString::fromLatin1(kBuiltInCatalogue));
    std::unique_ptr<TParamCatalogue> c;
    if (file.open(QIODevice::ReadOnly))
        c = TParamCatalogue::parse(file.readAll(), &error);
    if (!c) {
        qCWarning(lcBinding, "TParamMemory: the built-in catalogue does not load: %s",
                  qPrintable(error));
        c = TParamCatalogue::parse("{}", nullptr);
    }
    if (isSupportedRate(c->sampleRate))
        d->sampleRate.store(c->sampleRate);
    d->install(std::move(c));
}

TParamMemory::~TParamMemory()
{
    // Proxies that outlive the memory must not call into it: detach every one it knows.
    const QSet<TMemProxy *> proxies = d->registry.releaseAll();
    for (TMemProxy *proxy : proxies) {
        if (proxy->memAPI() == this)
            proxy->detach();
    }
}

bool TParamMemory::loadCatalogue(const QByteArray &json, QString *error)
{
    std::unique_ptr<TParamCatalogue> c = TParamCatalogue::parse(json, error);
    if (!c)
        return false;
    const int rate = c->sampleRate;
    d->install(std::move(c));
    clearUndo();
    if (isSupportedRate(rate))
        setSampleRate(rate);
    // Every value went back to its default: tell everybody watching.
    d->registry.notifyAll();
    return true;
}

bool TParamMemory::loadCatalogueFile(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return loadCatalogue(file.readAll(), error);
}

QString TParamMemory::catalogueName() const
{
    return d->cat()->name;
}

QStringList TParamMemory::sectionKeys() const
{
    QStringList keys;
    for (const TSectionDef &s : qAsConst(d->cat()->sections))
        keys << s.key;
    return keys;
}

int TParamMemory::sectionElement(const QString &sectionKey) const
{
    const TParamCatalogue *c = d->cat();
    const int i = c->sectionIndex.value(sectionKey, -1);
    return i < 0 ? -1 : c->sections.at(i).element;
}

int TParamMemory::channelCount(int element) const
{
    const TSectionDef *s = d->cat()->section(element);
    return s ? s->channels : 0;
}

bool TParamMemory::hasParameter(int element, int parameter) const
{
    return d->cat()->param(element, parameter) != nullptr;
}

QString TParamMemory::parameterKey(int element, int parameter) const
{
    const TParamDef *p = d->cat()->param(element, parameter);
    return p ? p->key : QString();
}

QList<int> TParamMemory::parameters(int element) const
{
    QList<int> ids;
    const TSectionDef *s = d->cat()->section(element);
    if (!s)
        return ids;
    for (int id = 0; id < s->paramIndex.size(); ++id) {
        if (s->paramIndex.at(id) >= 0)
            ids << id;
    }
    return ids;
}

bool TParamMemory::resolveNamed(const QString &name, int ownChannel, TSingleAddress *out) const
{
    TNamedEntry entry;
    if (!TNamedAddress::parseEntry(*d->cat(), name, &entry))
        return false;
    const int channel = entry.ownChannel ? ownChannel : entry.channel;
    if (channel < 0 || channel >= entry.elementChannels)
        return false;
    if (out) {
        out->element = qint16(entry.element);
        out->channel = qint16(channel);
        out->parameter = qint16(entry.parameter);
    }
    return true;
}

// --- host services ---------------------------------------------------------------------------

int TParamMemory::connectTree(QObject *root, int channel)
{
    if (!root)
        return 0;
    QList<QObject *> objects {root};
    objects += root->findChildren<QObject *>();
    int attached = 0;
    for (QObject *o : qAsConst(objects)) {
        if (TMemProxy *proxy = dynamic_cast<TMemProxy *>(o)) {
            if (connectProxy(proxy, channel) == 0)
                ++attached;
        }
    }
    return attached;
}

void TParamMemory::disconnectTree(QObject *root)
{
    if (!root)
        return;
    QList<QObject *> objects {root};
    objects += root->findChildren<QObject *>();
    for (QObject *o : qAsConst(objects)) {
        TMemProxy *proxy = dynamic_cast<TMemProxy *>(o);
        if (proxy && proxy->memAPI() == this)
            proxy->disconnectMemAPI();
    }
}

bool TParamMemory::undo()
{
    return d->history.undo(d->writer());
}

bool TParamMemory::redo()
{
    return d->history.redo(d->writer());
}

bool TParamMemory::canUndo() const
{
    return d->history.canUndo();
}

bool TParamMemory::canRedo() const
{
    return d->history.canRedo();
}

int TParamMemory::undoDepth() const
{
    return d->history.depth();
}

void TParamMemory::clearUndo()
{
    d->history.clear();
}

void TParamMemory::setOnline(bool online)
{
    if (d->online.exchange(online) != online)
        Q_EMIT onlineChanged(online);
}

void TParamMemory::setReady(bool ready)
{
    d->ready.store(ready);
}

void TParamMemory::setSampleRate(int hz)
{
    if (!isSupportedRate(hz))
        return;
    if (d->sampleRate.exchange(hz) != hz)
        Q_EMIT d->rateNotifier->valueChanged(hz);
}

int TParamMemory::currentSampleRate() const
{
    return d->sampleRate.load();
}

void TParamMemory::setEditorFactory(IEditorFactory *factory)
{
    d->factory = factory;
}

void TParamMemory::setCurrentTask(MemAPITask *task, bool active)
{
    d->task = task;
    d->taskActive = active;
}

int TParamMemory::blinkInterval() const
{
    return d->blinkInterval;
}

void TParamMemory::setBlinkInterval(int ms)
{
    if (ms < 1 || ms == d->blinkInterval)
        return;
    d->blinkInterval = ms;
    if (d->blinkTimer)
        d->blinkTimer->setInterval(ms);
}

void TParamMemory::pushMeter(int e, int p, int c, const quint8 data[4])
{
    if (!data || e < 0 || p < 0 || c < 0)
        return;
    d->registry.callMeters(pack(e, p, c), data);
}

void TParamMemory::pushMeterLevel(int e, int p, int c, int level, int peak)
{
    level = qBound(0, level, kMeterLevelMax);
    peak = qBound(0, peak, kMeterLevelMax);
    const quint8 data[4] = {quint8(level >> 7), quint8(level & 0x7F), quint8(peak >> 7),
                            quint8(peak & 0x7F)};
    pushMeter(e, p, c, data);
}

void TParamMemory::setTimecode(int hours, int minutes, int seconds, int frames)
{
    d->timecode.send(hours, minutes, seconds, frames);
}

int TParamMemory::timecodeSubscriberCount() const
{
    return d->timecode.subscriberCount();
}

int TParamMemory::serviceInterval() const
{
    return d->serviceInterval;
}

void TParamMemory::setServiceInterval(int ms)
{
    if (ms <= 0 || ms == d->serviceInterval)
        return;
    d->serviceInterval = ms;
    if (d->serviceTimer)
        d->serviceTimer->setInterval(ms);
}

int TParamMemory::observerCount() const
{
    return d->registry.observerCount();
}

int TParamMemory::observerCount(quint32 packed) const
{
    return d->registry.observerCount(packed);
}

bool TParamMemory::isObserver(const TMemProxy *proxy) const
{
    return d->registry.isObserver(proxy);
}

int TParamMemory::meterSubscriberCount() const
{
    return d->registry.meterSubscriberCount();
}

// --- IMemAPI ---------------------------------------------------------------------------------

int TParamMemory::dynamicStringList(int tableId, QStringList *list)
{
    const TParamCatalogue *c = d->cat();
    auto it = c->textTables.constFind(tableId);
    if (!list || it == c->textTables.constEnd() || !it->hasNames())
        return 0;
    *list += it->names;
    return it->names.size();
}

void TParamMemory::registerUndo(TMemProxy *proxy)
{
    if (!proxy)
        return;
    const TSingleAddress &a = proxy->address();
    const std::atomic<int> *slot = d->cat()->slot(a.element, a.parameter, a.channel);
    if (!slot)
        return;
    d->history.push({{a.element, a.parameter, a.channel, slot->load()}});
}

int TParamMemory::applyParamInfo(QBuffer *buffer)
{
    if (!buffer)
        return 0;
    // Read from a copy of the bytes, whatever state the caller left the buffer in.
    QByteArray bytes = buffer->data();
    QDataStream stream(&bytes, QIODevice::ReadOnly);
    TUndoStep step;
    QVector<TParamInfo> writes;
    // The reader holds the first record once constructed.
    for (TParamInfoReader reader(&stream); reader.isValid(); reader.next()) {
        const TParamInfo &info = reader.info();
        const std::atomic<int> *slot = d->cat()->slot(info.element, info.parameter, info.channel);
        if (!slot)
            continue;
        step.append({info.element, info.parameter, info.channel, slot->load()});
        writes.append(info);
    }
    // Recorded first, written after: the step holds the values from before the whole buffer.
    d->history.push(step);
    for (const TParamInfo &info : qAsConst(writes))
        d->store(info.element, info.parameter, info.channel, info.value, true);
    return writes.size();
}

bool TParamMemory::isOnline()
{
    return d->online.load();
}

int TParamMemory::addObserver(TMemProxy *proxy, quint32 packed, int mode)
{
    Q_UNUSED(mode)
    if (!proxy)
        return -1;
    // A registered proxy knows its memory, so that its destruction unregisters it.
    if (!proxy->memAPI())
        proxy->setMemAPI(this);
    d->registry.add(TObserverRegistry::TCallKind::Observer, proxy, packed);
    return 0;
}

int TParamMemory::removeObserver(TMemProxy *proxy, quint32 packed)
{
    return d->registry.remove(TObserverRegistry::TCallKind::Observer, proxy, packed) ? 0 : -1;
}

int TParamMemory::getValueEx(int e, int p, int c, bool alternate, int *unavailable)
{
    const TParamCatalogue *cat = d->cat();
    const TParamDef *def = cat->slot(e, p, c) ? cat->param(e, p) : nullptr;
    if (!def) {
        if (unavailable)
            *unavailable = 1;
        return 0;
    }
    if (!alternate) {
        if (unavailable)
            *unavailable = 0;
        return def->defaultValue;
    }
    if (unavailable)
        *unavailable = def->hasAltDefault ? 0 : 1;
    return def->hasAltDefault ? def->altDefault : def->defaultValue;
}

int TParamMemory::getMinimum(int e, int p, int c, int reserved)
{
    Q_UNUSED(reserved)
    const TParamCatalogue *cat = d->cat();
    return cat->slot(e, p, c) ? cat->param(e, p)->minimum : 0;
}

int TParamMemory::getMaximum(int e, int p, int c, int reserved)
{
    Q_UNUSED(reserved)
    const TParamCatalogue *cat = d->cat();
    return cat->slot(e, p, c) ? cat->param(e, p)->maximum : 0;
}

int TParamMemory::getValue(int e, int p, int c, int reserved1, int reserved2)
{
    Q_UNUSED(reserved1)
    Q_UNUSED(reserved2)
    const std::atomic<int> *slot = d->cat()->slot(e, p, c);
    return slot ? slot->load(std::memory_order_seq_cst) : 0;
}

int TParamMemory::setValue(int e, int p, int c, int value, int source, int notify)
{
    Q_UNUSED(source)
    return d->store(e, p, c, value, notify != 0);
}

int TParamMemory::sourceId(int reserved)
{
    Q_UNUSED(reserved)
    return d->sourceTag;
}

int TParamMemory::parseAddressList(TAddressList *list, const QString *text)
{
    if (!list || !text)
        return 0;
    return TNamedAddress::parseList(*d->cat(), *text, list);
}

int TParamMemory::connectProxy(TMemProxy *proxy, int channel)
{
    if (!proxy)
        return -1;
    d->registry.remember(proxy);
    return proxy->attach(this, channel);
}

void TParamMemory::setBatchMode(bool on)
{
    d->registry.setBatchMode(on);
}

void TParamMemory::setUndoGroup(bool on)
{
    d->history.setGroup(on);
}

MemAPITask *TParamMemory::currentTask(int reserved)
{
    Q_UNUSED(reserved)
    return d->task;
}

bool TParamMemory::taskActive()
{
    return d->taskActive && d->task;
}

IEditorFactory *TParamMemory::editorFactory()
{
    return d->factory;
}

int TParamMemory::valueFromNumber(int tableId, float number, int reserved)
{
    Q_UNUSED(reserved)
    if (tableId == -7) {
        TTextSpec samples;
        samples.kind = TTextSpec::Samples;
        return TValueText::fromNumber(samples, number, d->sampleRate.load());
    }
    const TParamCatalogue *c = d->cat();
    auto it = c->textTables.constFind(tableId);
    if (tableId <= 0 || it == c->textTables.constEnd())
        return TValueText::roundToInt(number);
    return TValueText::fromNumber(it.value(), number, d->sampleRate.load());
}

int TParamMemory::valueToText(int channel, int tableId, QString *text, QPixmap *pixmap, int value,
                              int flag, int e, int p)
{
    Q_UNUSED(channel)
    Q_UNUSED(pixmap) // no table of this memory has pictures
    if (!text)
        return -1;
    const TParamCatalogue *c = d->cat();
    const TParamDef *def = c->param(e, p);
    const int minimum = def ? def->minimum : std::numeric_limits<int>::min();
    const TTextSpec *spec = nullptr;
    TTextSpec samples;
    bool compact = false;
    if (tableId == 0 || tableId == -3) {
        spec = def ? c->paramText(*def) : nullptr;
        compact = tableId == -3 && flag != 0;
    } else if (tableId == -7) {
        samples.kind = TTextSpec::Samples;
        spec = &samples;
    } else if (tableId > 0) {
        auto it = c->textTables.constFind(tableId);
        if (it != c->textTables.constEnd())
            spec = &it.value();
    }
    if (!spec) {
        *text = QString::number(value);
        return 1;
    }
    if (def)
        value = IMemAPI::rawFromTextValue(value, minimum, tableId);
    *text = TValueText::text(*spec, value, minimum, compact, d->sampleRate.load());
    return 0;
}

int TParamMemory::sampleRate(int reserved)
{
    Q_UNUSED(reserved)
    return d->sampleRate.load();
}

namespace {

// A law parameter's value on the 0..1023 scale of the law, and back.
double toLawScale(const TParamDef &def, double v)
{
    if (def.minimum == 0 && def.maximum == TValueText::FaderMaximum)
        return v;
    return (v - def.minimum) * TValueText::FaderMaximum / double(def.maximum - def.minimum);
}

double fromLawScale(const TParamDef &def, double v)
{
    if (def.minimum == 0 && def.maximum == TValueText::FaderMaximum)
        return v;
    return def.minimum + v * (def.maximum - def.minimum) / TValueText::FaderMaximum;
}

} // namespace

int TParamMemory::faderValueFromPosition(int *n, int e, int p, int x)
{
    const TParamDef *def = d->cat()->param(e, p);
    if (!n || *n < 1 || !def || !def->faderLaw || def->maximum <= def->minimum)
        return -1;
    const int span = *n;
    const double fraction = qBound(0, x, span) / double(span);
    const double v = fromLawScale(*def, TValueText::faderValueFromFraction(fraction));
    *n = qBound(def->minimum, TValueText::roundToInt(v), def->maximum);
    return 0;
}

int TParamMemory::faderPositionFromValue(int *n, int e, int p, int x)
{
    const TParamDef *def = d->cat()->param(e, p);
    if (!n || *n < 1 || !def || !def->faderLaw || def->maximum <= def->minimum)
        return -1;
    const int v = TValueText::roundToInt(toLawScale(*def, qBound(def->minimum, x, def->maximum)));
    *n = TValueText::roundToInt(TValueText::faderFraction(v) * *n);
    return 0;
}

int TParamMemory::resolveAddress(TAddressQuery *query)
{
    if (!query)
        return -1;
    TNamedEntry entry;
    if (!TNamedAddress::parseEntry(*d->cat(), QString::fromLatin1(query->name), &entry))
        return -1;
    query->field[0] = quint16(entry.element);
    query->field[1] = quint16(entry.parameter);
    query->field[2] = entry.ownChannel ? 0xFFFF : quint16(entry.channel);
    query->field[3] = quint16(entry.elementChannels);
    return 0;
}

QObject *TParamMemory::blinkPhase(int *phase, int reserved)
{
    Q_UNUSED(reserved)
    if (phase)
        *phase = d->blinkPhase.load();
    if (!d->blinkTimer && QThread::currentThread() == thread()) {
        d->blinkTimer = new QTimer(this);
        d->blinkTimer->setInterval(d->blinkInterval);
        // Connected before anybody else: receivers of timeout() see the new phase.
        connect(d->blinkTimer, &QTimer::timeout, this, [this] { d->blinkPhase.fetch_xor(1); });
        d->blinkTimer->start();
    }
    return d->blinkTimer;
}

bool TParamMemory::matchesParamInfo(int e, int p, int tag, int reserved)
{
    Q_UNUSED(reserved)
    return tag >= 0 && tag == p && hasParameter(e, p);
}

bool TParamMemory::connectSignal(const char *signal, QObject *receiver, const char *member, bool on)
{
    if (!signal || !receiver || !member)
        return false;
    QByteArray signalName;
    QByteArray memberName;
    if (TNamedAddress::parseMethod(signal, &signalName) == 1)
        return false; // a slot cannot be the sending side
    const int memberCode = TNamedAddress::parseMethod(member, &memberName);

    const int signalIndex = metaObject()->indexOfSignal(signalName.constData());
    const int memberIndex = receiver->metaObject()->indexOfMethod(memberName.constData());
    if (signalIndex < 0 || memberIndex < 0)
        return false;
    const QMetaMethod signalMethod = metaObject()->method(signalIndex);
    const QMetaMethod memberMethod = receiver->metaObject()->method(memberIndex);
    if ((memberCode == 1 && memberMethod.methodType() != QMetaMethod::Slot)
        || (memberCode == 2 && memberMethod.methodType() != QMetaMethod::Signal))
        return false;
    if (!QMetaObject::checkConnectArgs(signalMethod, memberMethod))
        return false;

    if (!on)
        return QObject::disconnect(this, signalMethod, receiver, memberMethod);
    // A second connect of the same pair is refused by Qt and still counts as connected.
    QObject::connect(this, signalMethod, receiver, memberMethod, Qt::UniqueConnection);
    if (signalMethod == QMetaMethod::fromSignal(&TParamMemory::frequentServiceEvent)) {
        if (!d->serviceTimer) {
            d->serviceTimer = new QTimer(this);
            d->serviceTimer->setInterval(d->serviceInterval);
            connect(d->serviceTimer, &QTimer::timeout, this, [this] {
                if (!isSignalConnected(
                            QMetaMethod::fromSignal(&TParamMemory::frequentServiceEvent)))
                    d->serviceTimer->stop();
                else
                    Q_EMIT frequentServiceEvent();
            });
        }
        if (!d->serviceTimer->isActive())
            d->serviceTimer->start();
    }
    return true;
}

int TParamMemory::resolvePatch(int baseElement, int baseIndex, int channel, int *unresolved,
                               TSingleAddress *out, int reserved)
{
    Q_UNUSED(reserved)
    const TParamCatalogue *c = d->cat();
    const std::atomic<int> *patch = c->slot(c->patchElement, c->patchParameter, channel);
    if (!patch)
        return -1;
    // Patch value 0 is "not patched"; n is port channel n - 1 of the base element.
    const int port = patch->load() - 1;
    if (port < 0 || !c->slot(baseElement, baseIndex, port))
        return -1;
    if (unresolved)
        *unresolved = 0;
    if (out) {
        out->element = qint16(baseElement);
        out->channel = qint16(port);
        out->parameter = qint16(baseIndex);
    }
    return 0;
}

int TParamMemory::setPatchedValue(int baseElement, int baseIndex, int channel, int value)
{
    TSingleAddress a;
    int unresolved = 1;
    if (resolvePatch(baseElement, baseIndex, channel, &unresolved, &a) != 0)
        return -1;
    return setValue(a.element, a.parameter, a.channel, value, sourceId(0), 1);
}

int TParamMemory::registerMeter(bool on, TMemProxy *proxy, int e, int p, int c)
{
    if (!proxy || e < 0 || e > TParamCatalogue::MaxElement || p < 0
        || p > TParamCatalogue::MaxParameter || c < 0 || c > TParamCatalogue::MaxChannel)
        return -1;
    if (on && !proxy->memAPI())
        proxy->setMemAPI(this);
    const quint32 packed = pack(e, p, c);
    if (on) {
        d->registry.add(TObserverRegistry::TCallKind::Meter, proxy, packed);
        return 0;
    }
    return d->registry.remove(TObserverRegistry::TCallKind::Meter, proxy, packed) ? 0 : -1;
}

const quint16 *TParamMemory::meterTable(int tableId, int *count, int reserved)
{
    Q_UNUSED(reserved)
    const TParamCatalogue *c = d->cat();
    auto it = c->meterTables.constFind(tableId);
    if (tableId == 0 || it == c->meterTables.constEnd() || it->isEmpty()) {
        if (count)
            *count = 0;
        return nullptr;
    }
    if (count)
        *count = it->size();
    return it->constData();
}

int TParamMemory::requestTimecode(int kind, TMemProxy *proxy)
{
    return d->timecode.request(kind, proxy);
}

QObject *TParamMemory::sampleFreqNotifier(int reserved)
{
    Q_UNUSED(reserved)
    return d->rateNotifier;
}

bool TParamMemory::isReady()
{
    return d->ready.load();
}

void TParamMemory::forgetProxy(TMemProxy *proxy)
{
    if (proxy)
        d->registry.forget(proxy);
}
