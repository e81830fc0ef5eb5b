// The binding core: proxies, the GUI-thread hand-over, named addresses, parameter-info records
// and value watchers, against the embedded memory.

#include "CSimpleNotifier.h"
#include "TParamInfo.h"
#include "TestRig.h"

#include <QPointer>

#include <tuple>

namespace {

// A bound object as a widget would be: it reads its value on the GUI thread and hands
// notifications from other threads over.
struct Probe : TestRig::Watcher
{
    Probe() { handOver = true; }
};

class Receiver : public QObject
{
    Q_OBJECT
public:
    QList<int> values; // what take() was given; poke() adds -1
public Q_SLOTS:
    void take(int v) { values << v; }
    void poke() { values << -1; }
};

const QString kFrameRate = QStringLiteral("00kSetupTCEventParams/kTCEventFrameRate");
const QString kEffectParam = QStringLiteral("FEkEffect/kEffectParam3");

} // namespace

class tst_Binding : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void addressesConnectRenameAndGuard();
    void handOverOnceForManyProxiesAndTheDestroyed();
    void workerBurstEndsOnLastValue();
    void paramInfoRecordsCopyAndPaste();
    void notifiersFollowReadWriteAndDie();
};

void tst_Binding::addressesConnectRenameAndGuard()
{
    // The observer key hosts see: element << 22 | parameter << 11 | channel.
    QCOMPARE(IMemAPI::pack(47, 10, 3), (47u << 22) | (10u << 11) | 3u);
    for (const auto &[e, p, c] : {std::make_tuple(0, 0, 0), std::make_tuple(47, 10, 3),
                                  std::make_tuple(1023, 2047, 2047), std::make_tuple(270, 32, 0)}) {
        const quint32 packed = IMemAPI::pack(e, p, c);
        QCOMPARE(QList<int>({IMemAPI::packedElement(packed), IMemAPI::packedParameter(packed),
                             IMemAPI::packedChannel(packed)}),
                 QList<int>({e, p, c}));
    }

    // "FE" is the own channel; the "00" form ignores it; connecting silently never writes.
    TParamMemory memory;
    Probe probe, fixed;
    QVERIFY(TestRig::bind(memory, probe, kEffectParam, 2));
    QCOMPARE(probe.packedAddress(), TestRig::resolve(memory, kEffectParam, 2).packed());
    QCOMPARE(memory.observerCount(probe.packedAddress()), 1);
    QVERIFY(TestRig::bind(memory, fixed, kFrameRate, 7));
    QCOMPARE(fixed.channel(), 0);
    QCOMPARE(fixed.silentCounter(), quint8(0));
    fixed.disconnectMemAPI();
    QVERIFY(!fixed.isAttached());
    QCOMPARE(memory.observerCount(fixed.packedAddress()), 0);
    // A new name moves the registration; one that does not resolve leaves it unbound, not bound
    // to the old address.
    const quint32 first = probe.packedAddress();
    probe.setNamedAddress(QStringLiteral("FEkEffect/kEffectParam2"));
    QVERIFY(probe.isAttached() && probe.packedAddress() != first);
    QCOMPARE(memory.observerCount(first), 0);
    QCOMPARE(memory.observerCount(probe.packedAddress()), 1);
    probe.setNamedAddress(QStringLiteral("FEkEffect/kBogus"));
    QVERIFY(!probe.isAttached());
    QCOMPARE(memory.observerCount(), 0);

    // A memory that is not ready is not used.
    Probe unready;
    memory.setReady(false);
    QVERIFY(!TestRig::bind(memory, unready, kEffectParam));
    QVERIFY(!unready.memAPIReady());
    QCOMPARE(unready.lastConnection, 0);
    unready.process(nullptr, 0, 0);
    QCOMPARE(unready.reads, 0);
    memory.setReady(true);
    QCOMPARE(memory.connectProxy(&unready, 0), 0);
    unready.process(nullptr, 0, 0);
    QCOMPARE(unready.reads, 1);
    // Once the memory is gone, notifications do nothing (on a proxy of its own, so that no
    // memory outlives a proxy it still lists).
    Probe orphan;
    {
        TParamMemory gone;
        QVERIFY(TestRig::bind(gone, orphan, kEffectParam));
    }
    QVERIFY(!orphan.memAPI() && !orphan.isAttached());
    const int reads = orphan.reads;
    orphan.process(nullptr, 0, 0);
    QCOMPARE(orphan.reads, reads);

    // The feedback guard rises for notifications only, and nests.
    quint8 counter = 0;
    for (int op : {-1, 0, 1, 2, 3, 4}) {
        TMemSilentHelper h(counter, op);
        QCOMPARE(counter, quint8(op == -1 || op == 0 || op == 3 ? 1 : 0));
    }
    {
        TMemSilentHelper outer(counter);
        TMemSilentHelper inner(counter);
        QCOMPARE(counter, quint8(2));
    }
    QCOMPARE(counter, quint8(0));
}

void tst_Binding::handOverOnceForManyProxiesAndTheDestroyed()
{
    // A burst for one proxy is one delivery, and nothing runs before the event loop; a new
    // burst after delivery is handed over again; null arguments are ignored.
    TParamMemory memory;
    Probe probe;
    QVERIFY(TestRig::bind(memory, probe, kEffectParam));
    for (int i = 0; i < 1000; ++i)
        MAPI_postObserverEvent(&memory, &probe);
    QCOMPARE(probe.reads, 0);
    QCoreApplication::processEvents();
    QCOMPARE(probe.reads, 1);
    QCoreApplication::processEvents();
    QCOMPARE(probe.reads, 1);
    MAPI_postObserverEvent(&memory, &probe);
    QCoreApplication::processEvents();
    QCOMPARE(probe.reads, 2);
    MAPI_postObserverEvent(nullptr, &probe);
    MAPI_postObserverEvent(&memory, nullptr);
    QCoreApplication::processEvents();
    QCOMPARE(probe.reads, 2);

    // Posts for many proxies from a worker arrive with one pass of the event loop.
    std::vector<Probe> probes(96);
    for (int i = 0; i < 96; ++i)
        QVERIFY(TestRig::bind(memory, probes[i], kEffectParam, i % 8));
    QVERIFY(TestRig::runOnWorker([&] {
        for (Probe &p : probes)
            MAPI_postObserverEvent(&memory, &p);
    }));
    QCoreApplication::processEvents();
    for (Probe &p : probes)
        QCOMPARE(p.reads, 1);

    // One proxy destroying another while the memory delivers to both (a proxy destroyed with a
    // delivery pending from a worker is the contract suite's, on every widget).
    Probe first, third;
    auto second = std::make_unique<Probe>();
    for (Probe *p : {&first, second.get(), &third}) {
        QVERIFY(TestRig::bind(memory, *p, kEffectParam));
        MAPI_postObserverEvent(&memory, p);
    }
    first.onProcess = [&](TestRig::Watcher *) { second.reset(); };
    QCoreApplication::processEvents();
    QVERIFY(!second);
    QCOMPARE(QList<int>({first.reads, third.reads}), QList<int>({1, 1}));
}

void tst_Binding::workerBurstEndsOnLastValue()
{
    TParamMemory memory;
    Probe a, b;
    QVERIFY(TestRig::bind(memory, a, kEffectParam));
    QVERIFY(TestRig::bind(memory, b, kEffectParam));
    const int e = a.element(), p = a.parameter(), c = a.channel();
    const int lo = memory.getMinimum(e, p, c), hi = memory.getMaximum(e, p, c);
    QVERIFY(hi - lo >= 2);

    constexpr int writes = 100000;
    const int last = lo + (writes - 1) % (hi - lo + 1);
    std::atomic<bool> done {false};
    std::unique_ptr<QThread> worker(QThread::create([&] {
        for (int i = 0; i < writes; ++i)
            memory.setValue(e, p, c, lo + i % (hi - lo + 1), memory.sourceId(0), 1);
        done = true;
    }));
    worker->start();
    while (!done)
        QCoreApplication::processEvents();
    QVERIFY(worker->wait());
    QCoreApplication::processEvents();

    QCOMPARE(memory.getValue(e, p, c), last);
    for (Probe *probe : {&a, &b}) {
        QCOMPARE(probe->lastSeen.load(), last);
        // Each delivery covered at least one off-thread call, never the other way round.
        QVERIFY(probe->reads <= probe->handedOver.load());
        QVERIFY(probe->reads >= 1);
    }
}

void tst_Binding::paramInfoRecordsCopyAndPaste()
{
    // Ten bytes a record: a proxy's own parameter, a tagged one, a full 32-bit value.
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    Probe probe;
    probe.setAddress(47, 3, 10);
    TParamInfoWriter(&probe, -123, &out);
    TParamInfoWriter(&probe, 77, &out, 22);
    TParamInfoWriter(270, 0, 32, 0x12345678, &out);
    QCOMPARE(bytes.size(), 3 * 10);
    QDataStream in(bytes);
    TParamInfoReader r(&in);
    QVERIFY(r.isValid());
    QCOMPARE(QList<int>({r.element(), r.channel(), r.parameter(), r.value()}),
             QList<int>({47, 3, 10, -123}));
    QVERIFY(r.next());
    QCOMPARE(QList<int>({r.tag(), r.value()}), QList<int>({22, 77}));
    QVERIFY(r.next());
    QCOMPARE(QList<int>({r.element(), r.value()}), QList<int>({270, 0x12345678}));
    QVERIFY(!r.next() && !r.isValid());

    // A truncated record is no record and matches nothing; a whole one only its own parameter.
    TParamMemory memory;
    QByteArray whole;
    QDataStream wholeOut(&whole, QIODevice::WriteOnly);
    TParamInfoWriter(47, 0, 10, 55, &wholeOut);
    for (int cut = 0; cut < whole.size(); ++cut) {
        QDataStream part(whole.left(cut));
        TParamInfoReader truncated(&part);
        QVERIFY2(!truncated.isValid(), qPrintable(QString::number(cut)));
        QVERIFY(!memory.matchesParamInfo(47, 10, truncated.tag(), 0));
    }
    TParamInfoReader none(nullptr);
    QVERIFY(!none.isValid() && !memory.matchesParamInfo(47, 10, none.tag(), 0));
    QDataStream wholeIn(whole);
    TParamInfoReader one(&wholeIn);
    QVERIFY(memory.matchesParamInfo(47, 10, one.tag(), 0));
    QVERIFY(!memory.matchesParamInfo(47, 9, one.tag(), 0));

    // The default copy and paste hand the stream to process() with operations 3 and 2.
    using Call = std::tuple<int, Q_UINT32, QDataStream *>; // operation, extra, stream
    struct Recorder : TMemProxy
    {
        void process(const Q_UINT8 *data, int operation, Q_UINT32 extra) override
        {
            calls << Call(operation, extra, TMemProxy::streamFromData(data));
        }
        QList<Call> calls;
    } rec;
    rec.copyParameters(&out, (2u << 16) | 5u);
    rec.pasteParameters(&out);
    rec.reset2defaults();
    rec.reset2AltDefaults();
    QVERIFY(rec.calls
            == QList<Call>(
                    {{3, (2u << 16) | 5u, &out}, {2, 0, &out}, {1, 0, nullptr}, {4, 0, nullptr}}));
}

void tst_Binding::notifiersFollowReadWriteAndDie()
{
    TParamMemory memory;
    Receiver owner;
    CSimpleNotifier *n = CSimpleNotifier::Create(&memory, &owner, kFrameRate, 0, SLOT(take(int)));
    QVERIFY(n && n->isResolved() && n->parent() == &owner);
    // The first value arrives queued; then each change, on the GUI thread, once.
    QVERIFY(owner.values.isEmpty());
    QCoreApplication::processEvents();
    QCOMPARE(owner.values, QList<int>({n->value()}));
    const int e = n->element(), p = n->parameter(), max = memory.getMaximum(e, p, 0);
    const int next = (n->value() + 1) % (max + 1);
    QVERIFY(TestRig::runOnWorker([&] { memory.setValue(e, p, 0, next, memory.sourceId(0), 1); }));
    QCOMPARE(owner.values.size(), 1); // not on the worker's thread
    QTRY_COMPARE(owner.values.size(), 2);
    memory.setValue(e, p, 0, next, memory.sourceId(0), 1);
    QCoreApplication::processEvents();
    QCOMPARE(owner.values.last(), next);
    QCOMPARE(owner.values.size(), 2);
    // It writes too, clamped by the memory.
    n->setValue(max + 100);
    QCOMPARE(memory.getValue(e, p, 0), max);
    QCOMPARE(n->value(), max);
    QCoreApplication::processEvents();
    QSignalSpy spy(n, &CSimpleNotifier::valueChanged);
    n->setValue(0);
    QTRY_COMPARE(spy.count(), 1);
    QCOMPARE(spy.last().at(0).toInt(), 0);

    // Slots without the SLOT() code, and slots that take no argument.
    Receiver other;
    QVERIFY(CSimpleNotifier::Create(&memory, &other, kFrameRate, 0, "take(int)"));
    QVERIFY(CSimpleNotifier::Create(&memory, &other, kFrameRate, 0, "1poke()"));
    QCoreApplication::processEvents();
    QCOMPARE(other.values.size(), 2);
    // No memory: no notifier. Bad address: a notifier that reads 0 and writes nothing.
    QVERIFY(!CSimpleNotifier::Create(nullptr, &other, kFrameRate, 0, "take(int)"));
    CSimpleNotifier *bad = CSimpleNotifier::Create(&memory, &other, QStringLiteral("zzkNope/kNope"),
                                                   0, "take(int)");
    QVERIFY(bad && !bad->isResolved());
    QCOMPARE(bad->value(), 0);
    bad->setValue(3); // writes nothing
    QCOMPARE(memory.observerCount(), 3);

    // One deleted by another's signal while both fire.
    QObject holder;
    auto *a = CSimpleNotifier::Create(&memory, &holder, kFrameRate, 0, nullptr);
    QPointer<CSimpleNotifier> b = CSimpleNotifier::Create(&memory, &holder, kFrameRate, 0, nullptr);
    int bFired = 0;
    connect(a, &CSimpleNotifier::valueChanged, this, [&] { delete b.data(); });
    connect(b.data(), &CSimpleNotifier::valueChanged, this, [&] { ++bFired; });
    // (Before their first queued delivery: the first change is news to both.)
    memory.setValue(e, p, 0, 1, memory.sourceId(0), 1);
    memory.setValue(e, p, 0, 2, memory.sourceId(0), 1);
    QCoreApplication::processEvents();
    QVERIFY(b.isNull());
    QCOMPARE(memory.observerCount(IMemAPI::pack(e, p, 0)), 4);
    QVERIFY(bFired <= 1);

    // On a ";"-list.
    const QString pairs = QStringLiteral(
            "FEkInputPair/kPair;18FEkMixPair/kPair;08FEkMatrixPair/kPair;04FEkStereoPair/kPair");
    const int inputs = memory.channelCount(memory.sectionElement(QStringLiteral("kInputPair")));
    // Channel numbers run through the entries end to end: channel, section, its own channel.
    for (const auto &[channel, section, own] :
         {std::make_tuple(0, "kInputPair", 0), std::make_tuple(inputs + 2, "kMixPair", 2),
          std::make_tuple(inputs + 0x18 + 8 + 1, "kStereoPair", 1),
          std::make_tuple(inputs + 0x18 + 8 + 4, "", 0)}) {
        auto *listed = CSimpleNotifier::Create(&memory, &owner, pairs, channel, nullptr);
        QCOMPARE(listed->isResolved(), *section != 0);
        if (listed->isResolved())
            QCOMPARE(QList<int>({listed->element(), listed->channel()}),
                     QList<int>({memory.sectionElement(QLatin1String(section)), own}));
    }
}

QTEST_MAIN(tst_Binding)
#include "tst_binding.moc"
