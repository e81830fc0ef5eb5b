// The binding contract, checked on every bound widget of the catalogue: a widget joins these
// cases by having a catalogue row with a sample address.

#include "TMemProxy.h"
#include "TParamMemory.h"
#include "TWidgetCatalogue.h"

#include <QMetaMethod>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QWidget>

#include <memory>
#include <vector>

namespace {

constexpr int kChannel = 1;

// The embedded memory, counting the writes that come from widgets (whose source is the memory's
// own id; the test writes with another).
class CountingMemory : public TParamMemory
{
public:
    int setValue(int e, int p, int c, int value, int source, int notify = 1) override
    {
        if (source == sourceId(0))
            ++widgetWrites;
        return TParamMemory::setValue(e, p, c, value, source, notify);
    }
    int externalSource() { return sourceId(0) + 1; }

    std::atomic<int> widgetWrites {0};
};

// Every signal the library declares on the widget (Qt's own are left out), spied on at once.
class LibrarySignals
{
public:
    LibrarySignals(QObject *o, const char *qtBase)
    {
        for (const QMetaObject *mo = o->metaObject(); mo && qstrcmp(mo->className(), qtBase) != 0;
             mo = mo->superClass()) {
            for (int i = mo->methodOffset(); i < mo->methodCount(); ++i) {
                const QMetaMethod m = mo->method(i);
                if (m.methodType() == QMetaMethod::Signal)
                    m_spies.push_back(std::make_unique<QSignalSpy>(o, m));
            }
        }
    }
    int count() const
    {
        int n = 0;
        for (const auto &s : m_spies)
            n += s->count();
        return n;
    }

private:
    std::vector<std::unique_ptr<QSignalSpy>> m_spies;
};

// One widget of a catalogue row, bound on kChannel to its sample address.
struct Bound
{
    Bound(CountingMemory &memory, const TWidgetCatalogueEntry &entry)
        : host(new QWidget), widget(entry.create(host.get()))
    {
        proxy = dynamic_cast<TMemProxy *>(widget);
        host->resize(400, 300);
        host->show();
        if (!proxy)
            return;
        widget->setProperty("namedAddress", QString::fromLatin1(entry.sampleAddress));
        memory.connectTree(host.get(), kChannel);
        memory.resolveNamed(QString::fromLatin1(entry.sampleAddress), kChannel, &address);
        QCoreApplication::processEvents();
    }
    int stored(TParamMemory &m) const
    {
        return m.getValue(address.element, address.parameter, address.channel);
    }
    // A value of the address other than the stored one.
    int otherValue(TParamMemory &m) const
    {
        const int lo = m.getMinimum(address.element, address.parameter, address.channel);
        const int hi = m.getMaximum(address.element, address.parameter, address.channel);
        const int v = stored(m);
        return v < hi ? v + 1 : lo;
    }

    std::unique_ptr<QWidget> host;
    QWidget *widget;
    TMemProxy *proxy = nullptr;
    IMemAPI::TSingleAddress address;
};

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
// and no signal.
void tst_Contract::boundWidgets()
{
    QFETCH(QString, className);
    CountingMemory memory;
    const TWidgetCatalogueEntry *entry = TWidgetCatalogue::find(className);
    QVERIFY(entry);
    Bound b(memory, *entry);
    QVERIFY2(b.proxy, "catalogue rows with a sample address are bound widgets");
    QVERIFY2(b.proxy->isAttached(), entry->sampleAddress);
    QCOMPARE(memory.widgetWrites.load(), 0);

    const int changed = b.otherValue(memory);
    const IMemAPI::TSingleAddress &a = b.address;
    memory.setValue(a.element, a.parameter, a.channel, changed, memory.externalSource());
    QCoreApplication::processEvents();
    QCOMPARE(memory.widgetWrites.load(), 0);
    QCOMPARE(b.stored(memory), changed);

    LibrarySignals signalsSeen(b.widget, entry->extends);
    const int updates = b.proxy->guiUpdateCount();
    memory.setValue(a.element, a.parameter, a.channel, changed, memory.externalSource());
    QCoreApplication::processEvents();
    QCOMPARE(b.proxy->guiUpdateCount(), updates);

    const QMetaProperty user = b.widget->metaObject()->userProperty();
    if (user.isValid() && user.isWritable())
        QVERIFY(user.write(b.widget, user.read(b.widget)));
    QCoreApplication::processEvents();
    QCOMPARE(memory.widgetWrites.load(), 0);
    QCOMPARE(signalsSeen.count(), 0);
    QCOMPARE(b.stored(memory), changed);
}

// A burst from a worker thread reaches the widget on the GUI thread once.
void tst_Contract::workerBurstIsOneDelivery()
{
    QFETCH(QString, className);
    CountingMemory memory;
    const TWidgetCatalogueEntry *entry = TWidgetCatalogue::find(className);
    std::unique_ptr<Bound> b;
    const bool meter = isMeter(memory, [&] { b = std::make_unique<Bound>(memory, *entry); });
    QVERIFY(b->proxy && b->proxy->isAttached());
    const IMemAPI::TSingleAddress a = b->address;
    const int lo = memory.getMinimum(a.element, a.parameter, a.channel);
    const int hi = memory.getMaximum(a.element, a.parameter, a.channel);
    const int source = memory.externalSource();
    const int updates = b->proxy->guiUpdateCount();
    int last = lo;
    std::unique_ptr<QThread> worker(QThread::create([&] {
        for (int i = 1; i <= 1000; ++i) {
            if (meter) {
                memory.pushMeterLevel(a.element, a.parameter, a.channel, (i * 37) % 0x3FFF,
                                      (i * 37) % 0x3FFF);
            } else {
                // In 64 bits: a full-range word (bit fields) spans more than an int.
                last = int(lo + i % (qint64(hi) - lo + 1));
                memory.setValue(a.element, a.parameter, a.channel, last, source);
            }
        }
    }));
    worker->start();
    worker->wait();
    QCoreApplication::processEvents();
    QCOMPARE(b->proxy->guiUpdateCount(), updates + 1);
    QCOMPARE(memory.widgetWrites.load(), 0);
    if (!meter)
        QCOMPARE(b->stored(memory), last);
}

// A widget destroyed while a delivery is pending is skipped; a twin on the same address still
// gets the change.
void tst_Contract::destroyedWithDeliveryPending()
{
    QFETCH(QString, className);
    CountingMemory memory;
    const TWidgetCatalogueEntry *entry = TWidgetCatalogue::find(className);
    std::unique_ptr<Bound> doomed;
    const bool meter = isMeter(memory, [&] { doomed = std::make_unique<Bound>(memory, *entry); });
    Bound twin(memory, *entry);
    QVERIFY(doomed->proxy && twin.proxy && twin.proxy->isAttached());
    const IMemAPI::TSingleAddress a = twin.address;
    const int value = twin.otherValue(memory);
    const int updates = twin.proxy->guiUpdateCount();
    std::unique_ptr<QThread> worker(QThread::create([&] {
        if (meter)
            memory.pushMeterLevel(a.element, a.parameter, a.channel, 0x2000, 0x2000);
        else
            memory.setValue(a.element, a.parameter, a.channel, value, memory.externalSource());
    }));
    worker->start();
    worker->wait();
    QPointer<QWidget> gone(doomed->widget);
    doomed.reset();
    QVERIFY(gone.isNull());
    QCoreApplication::processEvents();
    QCOMPARE(twin.proxy->guiUpdateCount(), updates + 1);
    QCOMPARE(memory.widgetWrites.load(), 0);
}

QTEST_MAIN(tst_Contract)
#include "tst_contract.moc"
