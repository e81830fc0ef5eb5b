#include "TCacheServer.h"
#include "TestRig.h"

#include <QVector>
#include <QtTest>

#include <atomic>

namespace {

// A look record that counts its destructions.
class CountedRecord : public TCachedData
{
public:
    explicit CountedRecord(const QString &name = QString()) { key = name; }
    ~CountedRecord() override { ++s_destroyed; }

    static std::atomic<int> s_destroyed;
};

std::atomic<int> CountedRecord::s_destroyed {0};

} // namespace

class tst_Cache : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void insertKeepsOneRecordPerKey_data();
    void insertKeepsOneRecordPerKey();
    void serverIsTheNearestServingAncestor();
    void concurrentInsertsShareOneRecordPerKey();
};

void tst_Cache::init()
{
    CountedRecord::s_destroyed = 0;
}

typedef QMap<QString, int> RefCounts;

void tst_Cache::insertKeepsOneRecordPerKey_data()
{
    // Each step inserts a new record under a key; "=key" passes the record stored there again
    // (a widget polished twice), "!key" passes no record at all.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<int>("newcomersFreed");
    QTest::addColumn<RefCounts>("refCounts");

    QTest::newRow("absent key") << QStringList {"onButton"} << 0 << RefCounts {{"onButton", 1}};
    QTest::newRow("present key") << QStringList {"onButton", "onButton", "onButton"} << 2
                                 << RefCounts {{"onButton", 3}};
    QTest::newRow("stored record again") << QStringList {"stateDisplay", "=stateDisplay"} << 0
                                         << RefCounts {{"stateDisplay", 2}};
    QTest::newRow("keys apart") << QStringList {"eqKnobA", "eqKnobB", "eqKnobA"} << 1
                                << RefCounts {{"eqKnobA", 2}, {"eqKnobB", 1}};
    QTest::newRow("no record") << QStringList {"!faderKnob"} << 0 << RefCounts {};
}

void tst_Cache::insertKeepsOneRecordPerKey()
{
    QFETCH(QStringList, steps);
    QFETCH(int, newcomersFreed);
    QFETCH(RefCounts, refCounts);
    TCacheServer server;
    QMap<QString, TCachedData *> first;
    for (int i = 0; i < steps.size(); ++i) {
        QString key = steps.at(i);
        TCachedData *offered = nullptr;
        if (key.startsWith(QLatin1Char('='))) {
            key.remove(0, 1);
            offered = server.record(key);
        } else if (key.startsWith(QLatin1Char('!'))) {
            key.remove(0, 1);
        } else {
            offered = new CountedRecord(key);
        }
        TCachedData *result = server.insert(key, offered);
        if (!offered) {
            QCOMPARE(result, nullptr);
            continue;
        }
        if (!first.contains(key))
            first.insert(key, result);
        // The first record under a key serves everyone; the cache holds the key from then on.
        QCOMPARE(result, first.value(key));
        QCOMPARE(server.record(key), result);
        QVERIFY(result->key.isNull());
    }
    QCOMPARE(CountedRecord::s_destroyed.load(), newcomersFreed);
    QCOMPARE(server.recordCount(), int(refCounts.size()));
    for (auto it = refCounts.cbegin(); it != refCounts.cend(); ++it)
        QCOMPARE(server.record(it.key())->refCount, it.value());

    // Deleting frees every stored record; the server stays usable afterwards.
    server.deleteRecords();
    QCOMPARE(CountedRecord::s_destroyed.load(), newcomersFreed + int(refCounts.size()));
    QCOMPARE(server.recordCount(), 0);
    QVERIFY(server.insert(QStringLiteral("again"), new CountedRecord));
    QCOMPARE(server.recordCount(), 1);
    server.deleteRecords();
}

void tst_Cache::serverIsTheNearestServingAncestor()
{
    TestRig::CacheHost outer;
    auto *plain = new QWidget(&outer);
    auto *inner = new TestRig::CacheHost(plain);
    auto *frame = new QWidget(inner);
    auto *button = new QWidget(frame);
    QWidget orphan;

    QCOMPARE(TCacheServer::serverFor(button), static_cast<TCacheServer *>(inner));
    QCOMPARE(TCacheServer::serverFor(frame), static_cast<TCacheServer *>(inner));
    // A server looks above itself, never at itself.
    QCOMPARE(TCacheServer::serverFor(inner), static_cast<TCacheServer *>(&outer));
    QCOMPARE(TCacheServer::serverFor(plain), static_cast<TCacheServer *>(&outer));
    QCOMPARE(TCacheServer::serverFor(&outer), nullptr);
    QCOMPARE(TCacheServer::serverFor(&orphan), nullptr);
    QCOMPARE(TCacheServer::serverFor(nullptr), nullptr);
}

void tst_Cache::concurrentInsertsShareOneRecordPerKey()
{
    constexpr int kThreads = 8;
    constexpr int kKeys = 50;
    TCacheServer server;
    QVector<QVector<TCachedData *>> results(kThreads, QVector<TCachedData *>(kKeys, nullptr));
    QVERIFY(TestRig::runTogether(kThreads, [&](int t) {
        for (int k = 0; k < kKeys; ++k) {
            const QString name = QStringLiteral("strip%1").arg(k);
            results[t][k] = server.insert(name, new CountedRecord(name));
        }
    }));

    QCOMPARE(server.recordCount(), kKeys);
    QCOMPARE(CountedRecord::s_destroyed.load(), kKeys * (kThreads - 1));
    for (int k = 0; k < kKeys; ++k) {
        TCachedData *stored = server.record(QStringLiteral("strip%1").arg(k));
        QVERIFY(stored);
        QCOMPARE(stored->refCount, kThreads);
        for (int t = 0; t < kThreads; ++t)
            QCOMPARE(results[t][k], stored);
    }
    server.deleteRecords();
}

QTEST_MAIN(tst_Cache)
#include "tst_cache.moc"
