// The binding contract, checked on every bound widget of the catalogue: a widget joins these
// cases by having a catalogue row with a sample address.

#include "TWidgetCatalogue.h"
#include "TestRig.h"

#include <QPointer>

namespace {

constexpr int kChannel = 1;

// One widget of a catalogue row in a host window of its own, bound on kChannel to its sample
// address the way forms bind theirs: the address property, then the whole tree.
struct Bound
{
    Bound(TParamMemory &memory, const TWidgetCatalogueEntry &entry)
        : widget(entry.create(&host))
        , proxy(dynamic_cast<TMemProxy *>(widget))
    {
        host.resize(400, 300);
        host.show();
        if (!proxy)
            return;
        widget->setProperty("namedAddress", QString::fromLatin1(entry.sampleAddress));
        memory.connectTree(&host, kChannel);
        QCoreApplication::processEvents();
    }

    QWidget host;
    QWidget *widget;
    TMemProxy *proxy;
};

// A value of the widget's address other than the stored one.
int otherValue(IMemAPI &m, const TMemProxy &p)
{
    const int v = TestRig::storedFor(m, p);
    return v < m.getMaximum(p.element(), p.parameter(), p.channel())
            ? v + 1
            : m.getMinimum(p.element(), p.parameter(), p.channel());
}

bool isMeter(TParamMemory &m, const std::function<void()> &connect)
{
    const int before = m.meterSubscriberCount();
    connect();
    return m.meterSubscriberCount() > before;
}

} // namespace

class tst_Contract : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void boundWidgets_data();
    void boundWidgets();
    void workerBurstIsOneDelivery_data() { boundWidgets_data(); }
    void workerBurstIsOneDelivery();
    void destroyedWithDeliveryPending_data() { boundWidgets_data(); }
    void destroyedWithDeliveryPending();
};

void tst_Contract::boundWidgets_data()
{
    QTest::addColumn<QString>("className");
    for (const TWidgetCatalogueEntry &e : TWidgetCatalogue::entries()) {
        if (e.sampleAddress)
            QTest::newRow(e.metaObject->className()) << e.className();
    }
}

// Connecting writes nothing; the memory's echo of an outside change is not written back; the
// same value again (from the memory or through the widget's own value property) gives no write
// and no signal. The memory counts every write, the test's own (from "another editor") too.
void tst_Contract::boundWidgets()
{
    QFETCH(QString, className);
    TestRig::CountingMemory memory;
    const TWidgetCatalogueEntry *entry = TWidgetCatalogue::find(className);
    QVERIFY(entry);
    Bound b(memory, *entry);
    QVERIFY2(b.proxy, "catalogue rows with a sample address are bound widgets");
    QVERIFY2(b.proxy->isAttached(), entry->sampleAddress);
    QCOMPARE(memory.writes.load(), 0);

    const int changed = otherValue(memory, *b.proxy);
    TestRig::writeFor(memory, *b.proxy, changed);
    QCoreApplication::processEvents();
    QCOMPARE(memory.writes.load(), 1);
    QCOMPARE(TestRig::storedFor(memory, *b.proxy), changed);

    const TestRig::AllSignals signalsSeen(b.widget);
    const int updates = b.proxy->guiUpdateCount();
    TestRig::writeFor(memory, *b.proxy, changed);
    QCoreApplication::processEvents();
    QCOMPARE(b.proxy->guiUpdateCount(), updates);
    const QMetaProperty user = b.widget->metaObject()->userProperty();
    if (user.isValid() && user.isWritable())
        QVERIFY(user.write(b.widget, user.read(b.widget)));
    QCoreApplication::processEvents();
    QCOMPARE(memory.writes.load(), 2);
    QCOMPARE(signalsSeen.total(), 0);
    QCOMPARE(TestRig::storedFor(memory, *b.proxy), changed);
}

// A burst from a worker thread reaches the widget on the GUI thread once.
void tst_Contract::workerBurstIsOneDelivery()
{
    QFETCH(QString, className);
    TestRig::CountingMemory memory;
    const TWidgetCatalogueEntry *entry = TWidgetCatalogue::find(className);
    std::unique_ptr<Bound> b;
    const bool meter = isMeter(memory, [&] { b = std::make_unique<Bound>(memory, *entry); });
    QVERIFY(b->proxy && b->proxy->isAttached());
    const IMemAPI::TSingleAddress a = b->proxy->address();
    const int lo = memory.getMinimum(a.element, a.parameter, a.channel);
    const int hi = memory.getMaximum(a.element, a.parameter, a.channel);
    const int updates = b->proxy->guiUpdateCount();
    int last = lo;
    QVERIFY(TestRig::runOnWorker([&] {
        for (int i = 1; i <= 1000; ++i) {
            if (meter) {
                memory.pushMeterLevel(a.element, a.parameter, a.channel, (i * 37) % 0x3FFF,
                                      (i * 37) % 0x3FFF);
            } else {
                // In 64 bits: a full-range word (bit fields) spans more than an int.
                last = int(lo + i % (qint64(hi) - lo + 1));
                TestRig::writeFor(memory, *b->proxy, last);
            }
        }
    }));
    QCoreApplication::processEvents();
    QCOMPARE(b->proxy->guiUpdateCount(), updates + 1);
    QCOMPARE(memory.writes.load(), meter ? 0 : 1000); // the test's own
    if (!meter)
        QCOMPARE(TestRig::storedFor(memory, *b->proxy), last);
}

// A widget destroyed while a delivery is pending is skipped; a twin on the same address still
// gets the change.
void tst_Contract::destroyedWithDeliveryPending()
{
    QFETCH(QString, className);
    TestRig::CountingMemory memory;
    const TWidgetCatalogueEntry *entry = TWidgetCatalogue::find(className);
    std::unique_ptr<Bound> doomed;
    const bool meter = isMeter(memory, [&] { doomed = std::make_unique<Bound>(memory, *entry); });
    Bound twin(memory, *entry);
    QVERIFY(doomed->proxy && twin.proxy && twin.proxy->isAttached());
    const IMemAPI::TSingleAddress a = twin.proxy->address();
    const int value = otherValue(memory, *twin.proxy);
    const int updates = twin.proxy->guiUpdateCount();
    QVERIFY(TestRig::runOnWorker([&] {
        if (meter)
            memory.pushMeterLevel(a.element, a.parameter, a.channel, 0x2000, 0x2000);
        else
            TestRig::writeFor(memory, *twin.proxy, value);
    }));
    QPointer<QWidget> gone(doomed->widget);
    doomed.reset();
    QVERIFY(gone.isNull());
    QCoreApplication::processEvents();
    QCOMPARE(twin.proxy->guiUpdateCount(), updates + 1);
    QCOMPARE(memory.writes.load(), meter ? 0 : 1); // the test's own
}

QTEST_MAIN(tst_Contract)
#include "tst_contract.moc"
