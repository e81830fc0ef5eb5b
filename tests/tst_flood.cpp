// A notification flood: two worker threads write a million values to 500 observed addresses
// while the GUI thread writes too and bound dials come and go.

#include "CDial.h"
#include "NS_Utilities.h"
#include "TMemProxy.h"
#include "TParamMemory.h"

#include <QPointer>
#include <QTest>
#include <QThread>
#include <QWidget>

#include <atomic>
#include <memory>
#include <random>
#include <vector>

namespace {

struct Address
{
    QString name;
    int e, p, c, lo, hi;
};

// 500 writable addresses of the demo console.
std::vector<Address> floodAddresses(TParamMemory &memory, size_t count)
{
    std::vector<Address> out;
    for (const QString &section : memory.sectionKeys()) {
        const int e = memory.sectionElement(section);
        for (int p : memory.parameters(e)) {
            for (int c = 0; c < memory.channelCount(e) && c < 0xFE; ++c) {
                const int lo = memory.getMinimum(e, p, c), hi = memory.getMaximum(e, p, c);
                if (hi - lo < 4)
                    continue;
                out.push_back({QStringLiteral("%1%2/%3")
                                       .arg(c, 2, 16, QLatin1Char('0'))
                                       .arg(section, memory.parameterKey(e, p)),
                               e, p, c, lo, hi});
                if (out.size() == count)
                    return out;
            }
        }
    }
    return out;
}

} // namespace

class tst_Flood : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void millionWritesWhileWidgetsComeAndGo();
};

void tst_Flood::millionWritesWhileWidgetsComeAndGo()
{
    TParamMemory memory;
    const std::vector<Address> addresses = floodAddresses(memory, 500);
    QCOMPARE(addresses.size(), size_t(500));

    QWidget screen;
    std::vector<QPointer<CDial>> widgets(addresses.size());
    auto makeWidget = [&](size_t i) {
        auto *w = new CDial(&screen);
        w->setNamedAddress(addresses[i].name);
        QCOMPARE(memory.connectProxy(w, 0), 0);
        widgets[i] = w;
    };
    for (size_t i = 0; i < addresses.size(); ++i)
        makeWidget(i);

    constexpr int kTotalWrites = 1000000;
    std::atomic<int> running {2};
    auto writer = [&](unsigned seed) {
        std::mt19937 rng(seed);
        for (int i = 0; i < kTotalWrites / 2; ++i) {
            const Address &a = addresses[rng() % addresses.size()];
            memory.setValue(a.e, a.p, a.c, a.lo + int(rng() % unsigned(a.hi - a.lo + 1)),
                            memory.sourceId(0), 1);
        }
        --running;
    };
    std::unique_ptr<QThread> w1(QThread::create(writer, 1u));
    std::unique_ptr<QThread> w2(QThread::create(writer, 2u));
    w1->start();
    w2->start();

    std::mt19937 rng(3);
    int recreated = 0;
    while (running > 0) {
        const size_t i = rng() % addresses.size();
        const Address &a = addresses[i];
        // The GUI thread writes as well (a user at work) ...
        memory.setValue(a.e, a.p, a.c, a.lo + int(rng() % unsigned(a.hi - a.lo + 1)),
                        memory.sourceId(0), 1);
        // ... and screens change: a widget goes, another comes, some with deliveries pending.
        if (rng() % 4 == 0) {
            delete widgets[i].data();
            makeWidget(i);
            ++recreated;
        }
        QCoreApplication::processEvents();
    }
    w1->wait();
    w2->wait();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();

    QVERIFY(recreated > 0);
    for (size_t i = 0; i < addresses.size(); ++i) {
        const Address &a = addresses[i];
        QVERIFY(widgets[i]);
        QCOMPARE(widgets[i]->value(), memory.getValue(a.e, a.p, a.c));
        QVERIFY(memory.isObserver(widgets[i].data()));
    }
    // Exactly the live widgets are registered: no dead proxy is left behind.
    QCOMPARE(memory.observerCount(), int(addresses.size()));
}

QTEST_MAIN(tst_Flood)
#include "tst_flood.moc"
