#include "TCacheServer.h"

#include <QThread>
#include <QVector>
#include <QWidget>
#include <QtTest>

#include <atomic>
#include <memory>

namespace {

// A look record that reports its destruction, so a test can tell which record was deleted.
class CountedRecord : public TCachedData
{
public:
    explicit CountedRecord(int id, const QString &name = QString())
        : id(id)
    {
        key = name;
    }
    ~CountedRecord() override
    {
        ++s_destroyed;
        s_lastDestroyedId = id;
    }

    const int id;
    static std::atomic<int> s_destroyed;
    static std::atomic<int> s_lastDestroyedId;
};

std::atomic<int> CountedRecord::s_destroyed {0};
std::atomic<int> CountedRecord::s_lastDestroyedId {-1};

// A host window offering the cache.
class ServerWidget : public QWidget, public TCacheServer
{
public:
    explicit ServerWidget(QWidget *parent = nullptr)
        : QWidget(parent)
    {
    }
    ~ServerWidget() override { deleteRecords(); }
};

} // namespace

class tst_Cache : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void nullRecordIsIgnored();
    void absentKeyStoresTheRecord();
    void presentKeyDeletesTheNewcomer();
    void reinsertingTheStoredRecordKeepsIt();
    void keysAreIndependent();
    void deleteRecordsFreesEveryRecord();
    void serverIsTheNearestServingAncestor();
    void concurrentInsertsShareOneRecordPerKey();
};

void tst_Cache::init()
{
    CountedRecord::s_destroyed = 0;
    CountedRecord::s_lastDestroyedId = -1;
}

void tst_Cache::nullRecordIsIgnored()
{
    TCacheServer server;
    QCOMPARE(server.insert(QStringLiteral("faderKnob"), nullptr), nullptr);
    QCOMPARE(server.recordCount(), 0);
    QCOMPARE(server.record(QStringLiteral("faderKnob")), nullptr);
}

void tst_Cache::absentKeyStoresTheRecord()
{
    TCacheServer server;
    const QString name = QStringLiteral("onButton");
    auto *record = new CountedRecord(1, name);

    TCachedData *result = server.insert(record->key, record);

    QCOMPARE(result, record);
    QCOMPARE(result->refCount, 1);
    QVERIFY(result->key.isNull());
    QCOMPARE(server.recordCount(), 1);
    QCOMPARE(server.record(name), record);
    QCOMPARE(CountedRecord::s_destroyed.load(), 0);
    server.deleteRecords();
}

void tst_Cache::presentKeyDeletesTheNewcomer()
{
    TCacheServer server;
    const QString name = QStringLiteral("onButton");
    TCachedData *first = server.insert(name, new CountedRecord(1, name));

    TCachedData *mine = new CountedRecord(2, name);
    mine = server.insert(name, mine);

    QCOMPARE(mine, first);
    QCOMPARE(static_cast<CountedRecord *>(mine)->id, 1);
    QCOMPARE(CountedRecord::s_destroyed.load(), 1);
    QCOMPARE(CountedRecord::s_lastDestroyedId.load(), 2);
    QCOMPARE(first->refCount, 2);
    QCOMPARE(server.recordCount(), 1);

    // A third widget under the same key: the count only rises.
    QCOMPARE(server.insert(name, new CountedRecord(3, name)), first);
    QCOMPARE(first->refCount, 3);
    QCOMPARE(CountedRecord::s_lastDestroyedId.load(), 3);
    server.deleteRecords();
}

void tst_Cache::reinsertingTheStoredRecordKeepsIt()
{
    // A widget polished twice passes the record it already holds: it must not be freed.
    TCacheServer server;
    const QString name = QStringLiteral("stateDisplay");
    TCachedData *shared = server.insert(name, new CountedRecord(1, name));
    QCOMPARE(server.insert(name, shared), shared);
    QCOMPARE(CountedRecord::s_destroyed.load(), 0);
    QCOMPARE(shared->refCount, 2);
    server.deleteRecords();
}

void tst_Cache::keysAreIndependent()
{
    TCacheServer server;
    TCachedData *a = server.insert(QStringLiteral("eqKnobA"), new CountedRecord(1));
    TCachedData *b = server.insert(QStringLiteral("eqKnobB"), new CountedRecord(2));
    QVERIFY(a != b);
    QCOMPARE(a->refCount, 1);
    QCOMPARE(b->refCount, 1);
    QCOMPARE(server.recordCount(), 2);
    QCOMPARE(CountedRecord::s_destroyed.load(), 0);
    server.deleteRecords();
}

void tst_Cache::deleteRecordsFreesEveryRecord()
{
    TCacheServer server;
    for (int i = 0; i < 5; ++i)
        server.insert(QStringLiteral("record%1").arg(i), new CountedRecord(i));
    server.deleteRecords();
    QCOMPARE(CountedRecord::s_destroyed.load(), 5);
    QCOMPARE(server.recordCount(), 0);
    // The server stays usable afterwards.
    QVERIFY(server.insert(QStringLiteral("record0"), new CountedRecord(9)));
    QCOMPARE(server.recordCount(), 1);
    server.deleteRecords();
}

void tst_Cache::serverIsTheNearestServingAncestor()
{
    ServerWidget outer;
    auto *plain = new QWidget(&outer);
    auto *inner = new ServerWidget(plain);
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
    std::atomic<int> ready {0};

    std::vector<std::unique_ptr<QThread>> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back(QThread::create([&, t] {
            // Start together so that the inserts really overlap.
            ++ready;
            while (ready.load() < kThreads)
                QThread::yieldCurrentThread();
            for (int k = 0; k < kKeys; ++k) {
                const QString name = QStringLiteral("strip%1").arg(k);
                results[t][k] = server.insert(name, new CountedRecord(t * kKeys + k, name));
            }
        }));
        threads.back()->start();
    }
    for (auto &thread : threads)
        QVERIFY(thread->wait());

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
