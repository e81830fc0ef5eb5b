// The binding core: proxies, the GUI-thread hand-over, named addresses, parameter-info records
// and value watchers, against the embedded memory.

#include "CSimpleNotifier.h"
#include "TParamInfo.h"
#include "TestRig.h"

#include <QDataStream>
#include <QPointer>
#include <QTest>

#include <memory>
#include <tuple>

namespace {

// A bound object as a widget would be: it reads its value on the GUI thread and hands
// notifications from other threads over.
class Probe : public TestRig::Watcher
{
public:
    Probe() { handOver = true; }
};

class Receiver : public QObject
{
    Q_OBJECT
public:
    int calls = 0;
    int last = -1;
public Q_SLOTS:
    void take(int v)
    {
        ++calls;
        last = v;
    }
    void poke() { ++calls; }
};

const QString kFrameRate = QStringLiteral("00kSetupTCEventParams/kTCEventFrameRate");
const QString kEffectParam = QStringLiteral("FEkEffect/kEffectParam3");

} // namespace

class tst_Binding : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void packedAddressLayout();
    void connectResolvesOwnChannel();
    void renamingRebindsTheObserver();
    void silentHelperRaisesForNotificationsOnly();
    void burstIsHandedOverOnce();
    void workerBurstEndsOnLastValue();
    void oneEventCarriesManyProxies();
    void proxiesDestroyedAroundDelivery();
    void notReadyMemoryIsNotUsed();
    void paramInfoRoundTrip();
    void truncatedParamInfoMatchesNothing();
    void copyPasteThroughProxy();
    void notifierFollowsValue();
    void notifierSlotForms();
    void notifierReadsAndWrites();
    void notifierDeletedWhileOthersFire();
    void notifierOnListCoversChannelRanges();
};

void tst_Binding::packedAddressLayout()
{
    // The observer key hosts see: element << 22 | parameter << 11 | channel.
    QCOMPARE(IMemAPI::pack(47, 10, 3), (47u << 22) | (10u << 11) | 3u);
    for (const auto &a : {std::make_tuple(0, 0, 0), std::make_tuple(47, 10, 3),
                          std::make_tuple(1023, 2047, 2047), std::make_tuple(270, 32, 0)}) {
        const quint32 packed = IMemAPI::pack(std::get<0>(a), std::get<1>(a), std::get<2>(a));
        QCOMPARE(IMemAPI::packedElement(packed), std::get<0>(a));
        QCOMPARE(IMemAPI::packedParameter(packed), std::get<1>(a));
        QCOMPARE(IMemAPI::packedChannel(packed), std::get<2>(a));
    }
    QVERIFY(!IMemAPI::TSingleAddress().isValid());
}

void tst_Binding::connectResolvesOwnChannel()
{
    TParamMemory memory;
    Probe probe;
    QVERIFY(TestRig::bind(memory, probe, kEffectParam, 2));
    QCOMPARE(probe.channel(), 2);
    const IMemAPI::TSingleAddress expected = TestRig::resolve(memory, kEffectParam, 2);
    QCOMPARE(probe.element(), int(expected.element));
    QCOMPARE(probe.parameter(), int(expected.parameter));
    QCOMPARE(memory.observerCount(probe.packedAddress()), 1);
    // Connecting silently never writes, and the "00" form ignores the own channel.
    Probe fixed;
    QVERIFY(TestRig::bind(memory, fixed, kFrameRate, 7));
    QCOMPARE(fixed.channel(), 0);
    QCOMPARE(fixed.silentCounter(), quint8(0));

    probe.disconnectMemAPI();
    QVERIFY(!probe.isAttached());
    QCOMPARE(memory.observerCount(probe.packedAddress()), 0);
}

void tst_Binding::renamingRebindsTheObserver()
{
    TParamMemory memory;
    Probe probe;
    QVERIFY(TestRig::bind(memory, probe, QStringLiteral("FEkEffect/kEffectParam1")));
    const quint32 first = probe.packedAddress();
    probe.setNamedAddress(QStringLiteral("FEkEffect/kEffectParam2"));
    QVERIFY(probe.isAttached());
    QVERIFY(probe.packedAddress() != first);
    QCOMPARE(memory.observerCount(first), 0);
    QCOMPARE(memory.observerCount(probe.packedAddress()), 1);
    // A name that does not resolve leaves it unbound, not bound to the old address.
    probe.setNamedAddress(QStringLiteral("FEkEffect/kBogus"));
    QVERIFY(!probe.isAttached());
    QCOMPARE(memory.observerCount(), 0);
}

void tst_Binding::silentHelperRaisesForNotificationsOnly()
{
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

void tst_Binding::burstIsHandedOverOnce()
{
    TParamMemory memory;
    Probe probe;
    QVERIFY(TestRig::bind(memory, probe, kEffectParam));
    for (int i = 0; i < 1000; ++i)
        MAPI_postObserverEvent(&memory, &probe);
    QCOMPARE(probe.reads, 0); // nothing runs before the event loop
    QCoreApplication::processEvents();
    QCOMPARE(probe.reads, 1);
    QCoreApplication::processEvents();
    QCOMPARE(probe.reads, 1);
    // A new burst after delivery is handed over again.
    MAPI_postObserverEvent(&memory, &probe);
    QCoreApplication::processEvents();
    QCOMPARE(probe.reads, 2);
    // Null arguments are ignored.
    MAPI_postObserverEvent(nullptr, &probe);
    MAPI_postObserverEvent(&memory, nullptr);
    QCoreApplication::processEvents();
    QCOMPARE(probe.reads, 2);
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

void tst_Binding::oneEventCarriesManyProxies()
{
    TParamMemory memory;
    std::vector<std::unique_ptr<Probe>> probes;
    for (int i = 0; i < 96; ++i) {
        probes.push_back(std::make_unique<Probe>());
        QVERIFY(TestRig::bind(memory, *probes.back(), kEffectParam, i % 8));
    }
    QVERIFY(TestRig::runOnWorker([&] {
        for (auto &probe : probes)
            MAPI_postObserverEvent(&memory, probe.get());
    }));
    // Everything arrives with one pass of the event loop.
    QCoreApplication::processEvents();
    for (auto &probe : probes)
        QCOMPARE(probe->reads, 1);
}

void tst_Binding::proxiesDestroyedAroundDelivery()
{
    TParamMemory memory;
    auto doomed = std::make_unique<Probe>();
    Probe survivor;
    QVERIFY(TestRig::bind(memory, *doomed, kEffectParam));
    QVERIFY(TestRig::bind(memory, survivor, kEffectParam));
    QVERIFY(TestRig::runOnWorker([&] {
        MAPI_postObserverEvent(&memory, doomed.get());
        MAPI_postObserverEvent(&memory, &survivor);
    }));
    doomed.reset();
    QVERIFY(!memory.isObserver(nullptr));
    QCoreApplication::processEvents();
    QCOMPARE(survivor.reads, 1);
    QCOMPARE(memory.observerCount(survivor.packedAddress()), 1);

    // One proxy destroying another while the memory delivers to both.
    Probe first, third;
    auto second = std::make_unique<Probe>();
    for (Probe *p : {&first, second.get(), &third}) {
        QVERIFY(TestRig::bind(memory, *p, kEffectParam));
        MAPI_postObserverEvent(&memory, p);
    }
    first.onProcess = [&](TestRig::Watcher *) { second.reset(); };
    QCoreApplication::processEvents();
    QVERIFY(!second);
    QCOMPARE(first.reads, 1);
    QCOMPARE(third.reads, 1);
}

void tst_Binding::notReadyMemoryIsNotUsed()
{
    TParamMemory memory;
    Probe probe;
    memory.setReady(false);
    QVERIFY(!TestRig::bind(memory, probe, kEffectParam));
    QVERIFY(!probe.memAPIReady());
    probe.process(nullptr, 0, 0);
    QCOMPARE(probe.reads, 0);
    memory.setReady(true);
    QCOMPARE(memory.connectProxy(&probe, 0), 0);
    probe.process(nullptr, 0, 0);
    QCOMPARE(probe.reads, 1);
    // Once the memory is gone, notifications do nothing.
    Probe orphan;
    {
        TParamMemory gone;
        QVERIFY(TestRig::bind(gone, orphan, kEffectParam));
    }
    QVERIFY(!orphan.memAPI() && !orphan.isAttached());
    const int reads = orphan.reads;
    orphan.process(nullptr, 0, 0);
    QCOMPARE(orphan.reads, reads);
}

void tst_Binding::paramInfoRoundTrip()
{
    QByteArray bytes;
    {
        QDataStream out(&bytes, QIODevice::WriteOnly);
        Probe probe;
        probe.setAddress(47, 3, 10);
        TParamInfoWriter(&probe, -123, &out); // own parameter
        TParamInfoWriter(&probe, 77, &out, 22); // tagged
        TParamInfoWriter(270, 0, 32, 0x12345678, &out);
    }
    QCOMPARE(bytes.size(), 3 * 10);
    QDataStream in(bytes);
    TParamInfoReader r(&in);
    QVERIFY(r.isValid());
    QCOMPARE(r.element(), 47);
    QCOMPARE(r.channel(), 3);
    QCOMPARE(r.parameter(), 10);
    QCOMPARE(r.value(), -123);
    QVERIFY(r.next());
    QCOMPARE(r.tag(), 22);
    QCOMPARE(r.value(), 77);
    QVERIFY(r.next());
    QCOMPARE(r.element(), 270);
    QCOMPARE(r.value(), 0x12345678);
    QVERIFY(!r.next());
    QVERIFY(!r.isValid());
}

void tst_Binding::truncatedParamInfoMatchesNothing()
{
    TParamMemory memory;
    QByteArray whole;
    {
        QDataStream out(&whole, QIODevice::WriteOnly);
        TParamInfoWriter(47, 0, 10, 55, &out);
    }
    for (int cut = 0; cut < whole.size(); ++cut) {
        QDataStream in(whole.left(cut));
        TParamInfoReader r(&in);
        QVERIFY2(!r.isValid(), qPrintable(QString::number(cut)));
        QVERIFY(!memory.matchesParamInfo(47, 10, r.tag(), 0));
    }
    TParamInfoReader none(nullptr);
    QVERIFY(!none.isValid());
    QVERIFY(!memory.matchesParamInfo(47, 10, none.tag(), 0));
    // A whole record matches only its own parameter.
    QDataStream in(whole);
    TParamInfoReader r(&in);
    QVERIFY(memory.matchesParamInfo(47, 10, r.tag(), 0));
    QVERIFY(!memory.matchesParamInfo(47, 9, r.tag(), 0));
}

void tst_Binding::copyPasteThroughProxy()
{
    // The default copy and paste hand the stream to process() with operations 3 and 2.
    struct Recorder : TMemProxy
    {
        void process(const Q_UINT8 *data, int operation, Q_UINT32 extra) override
        {
            ops.append(operation);
            extras.append(extra);
            streams.append(TMemProxy::streamFromData(data));
        }
        QList<int> ops;
        QList<Q_UINT32> extras;
        QList<QDataStream *> streams;
    } rec;
    QByteArray bytes;
    QDataStream s(&bytes, QIODevice::WriteOnly);
    rec.copyParameters(&s, (2u << 16) | 5u);
    rec.pasteParameters(&s);
    rec.reset2defaults();
    rec.reset2AltDefaults();
    QCOMPARE(rec.ops, QList<int>({3, 2, 1, 4}));
    QCOMPARE(rec.extras.first(), (2u << 16) | 5u);
    QCOMPARE(rec.streams.at(0), &s);
    QCOMPARE(rec.streams.at(2), nullptr);
}

void tst_Binding::notifierFollowsValue()
{
    TParamMemory memory;
    Receiver owner;
    CSimpleNotifier *n = CSimpleNotifier::Create(&memory, &owner, kFrameRate, 0, SLOT(take(int)));
    QVERIFY(n);
    QVERIFY(n->isResolved());
    QCOMPARE(n->parent(), &owner);
    QCOMPARE(owner.calls, 0);
    QCoreApplication::processEvents(); // the first value arrives queued
    QCOMPARE(owner.calls, 1);
    QCOMPARE(owner.last, n->value());

    const int e = n->element(), p = n->parameter();
    const int next = (n->value() + 1) % (memory.getMaximum(e, p, 0) + 1);
    QVERIFY(TestRig::runOnWorker([&] { memory.setValue(e, p, 0, next, memory.sourceId(0), 1); }));
    QCOMPARE(owner.calls, 1); // not on the worker's thread
    QTRY_COMPARE(owner.calls, 2);
    QCOMPARE(owner.last, next);
    // Unchanged values are not repeated.
    memory.setValue(e, p, 0, next, memory.sourceId(0), 1);
    QCoreApplication::processEvents();
    QCOMPARE(owner.calls, 2);
}

void tst_Binding::notifierSlotForms()
{
    TParamMemory memory;
    Receiver owner;
    // Without the SLOT() code, and a slot that takes no argument.
    CSimpleNotifier *plain = CSimpleNotifier::Create(&memory, &owner, kFrameRate, 0, "take(int)");
    CSimpleNotifier *noArg = CSimpleNotifier::Create(&memory, &owner, kFrameRate, 0, "1poke()");
    QVERIFY(plain && noArg);
    QCoreApplication::processEvents();
    QCOMPARE(owner.calls, 2);
    // No memory: no notifier. Bad address: a notifier that stays silent and reads 0.
    QVERIFY(!CSimpleNotifier::Create(nullptr, &owner, kFrameRate, 0, "take(int)"));
    CSimpleNotifier *bad = CSimpleNotifier::Create(&memory, &owner, QStringLiteral("zzkNope/kNope"),
                                                   0, "take(int)");
    QVERIFY(bad);
    QVERIFY(!bad->isResolved());
    QCOMPARE(bad->value(), 0);
    bad->setValue(3); // writes nothing
    QCOMPARE(memory.observerCount(), 2);
}

void tst_Binding::notifierReadsAndWrites()
{
    TParamMemory memory;
    QObject owner;
    CSimpleNotifier *n = CSimpleNotifier::Create(&memory, &owner, kFrameRate, 0, nullptr);
    const int e = n->element(), p = n->parameter();
    const int max = memory.getMaximum(e, p, 0);
    n->setValue(max);
    QCOMPARE(memory.getValue(e, p, 0), max);
    QCOMPARE(n->value(), max);
    n->setValue(max + 100); // clamped by the memory
    QCOMPARE(memory.getValue(e, p, 0), max);
    QSignalSpy spy(n, &CSimpleNotifier::valueChanged);
    n->setValue(0);
    QTRY_COMPARE(spy.count(), 1);
    QCOMPARE(spy.last().at(0).toInt(), 0);
}

void tst_Binding::notifierDeletedWhileOthersFire()
{
    TParamMemory memory;
    QObject owner;
    auto *a = CSimpleNotifier::Create(&memory, &owner, kFrameRate, 0, nullptr);
    QPointer<CSimpleNotifier> b = CSimpleNotifier::Create(&memory, &owner, kFrameRate, 0, nullptr);
    int bFired = 0;
    connect(a, &CSimpleNotifier::valueChanged, this, [&] { delete b.data(); });
    connect(b.data(), &CSimpleNotifier::valueChanged, this, [&] { ++bFired; });
    QCoreApplication::processEvents();
    const int e = a->element(), p = a->parameter();
    memory.setValue(e, p, 0, 1, memory.sourceId(0), 1);
    memory.setValue(e, p, 0, 2, memory.sourceId(0), 1);
    QCoreApplication::processEvents();
    QVERIFY(b.isNull());
    QCOMPARE(memory.observerCount(IMemAPI::pack(e, p, 0)), 1);
    QVERIFY(bFired <= 1);
}

void tst_Binding::notifierOnListCoversChannelRanges()
{
    TParamMemory memory;
    QObject owner;
    const QString pairs = QStringLiteral(
            "FEkInputPair/kPair;18FEkMixPair/kPair;08FEkMatrixPair/kPair;04FEkStereoPair/kPair");
    const int inputs = memory.channelCount(memory.sectionElement(QStringLiteral("kInputPair")));
    QVERIFY(inputs > 0);

    // Channel numbers run through the entries end to end.
    const struct
    {
        int channel;
        const char *section;
        int ownChannel;
    } cases[] = {{0, "kInputPair", 0},
                 {inputs + 2, "kMixPair", 2},
                 {inputs + 0x18 + 8 + 1, "kStereoPair", 1},
                 {inputs + 0x18 + 8 + 4, nullptr, 0}};
    for (const auto &c : cases) {
        auto *n = CSimpleNotifier::Create(&memory, &owner, pairs, c.channel, nullptr);
        QCOMPARE(n->isResolved(), c.section != nullptr);
        if (!c.section)
            continue;
        QCOMPARE(n->element(), memory.sectionElement(QLatin1String(c.section)));
        QCOMPARE(n->channel(), c.ownChannel);
    }
}

QTEST_MAIN(tst_Binding)
#include "tst_binding.moc"
