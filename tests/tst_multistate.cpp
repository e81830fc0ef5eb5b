// The multi-state display: lamps composed from two strips and the bits of several parameters,
// checked on grab() pixels against the embedded memory.

#include "StateDisplayMulti.h"
#include "StateDisplayMulti_p.h"
#include "TestRig.h"

#include <QTest>

#include <memory>

namespace {

// One lamp word and four extra words per channel; the same console before its extra words
// existed.
const char kCatalogue[] = R"({"name": "Lamp test console", "sections": [
 {"key": "kLamp", "element": 1, "channels": 4, "params": [
  {"key": "kBits", "id": 0, "min": -2147483648, "max": 2147483647, "default": 0},
  {"key": "kX0", "id": 1, "min": -2147483648, "max": 2147483647, "default": 0},
  {"key": "kX1", "id": 2, "min": -2147483648, "max": 2147483647, "default": 0},
  {"key": "kX2", "id": 3, "min": -2147483648, "max": 2147483647, "default": 0},
  {"key": "kX3", "id": 4, "min": -2147483648, "max": 2147483647, "default": 0}]}]})";
const char kCatalogueWithoutExtras[] = R"({"name": "Lamp test console", "sections": [
 {"key": "kLamp", "element": 1, "channels": 4, "params": [
  {"key": "kBits", "id": 0, "min": -2147483648, "max": 2147483647, "default": 0}]}]})";

const char *const kOwn = "FEkLamp/kBits";
const char *const kExtras[] = {"FEkLamp/kX0", "FEkLamp/kX1", "FEkLamp/kX2", "FEkLamp/kX3"};
constexpr int kChannel = 2;
constexpr int kStripWidth = 8;

const QColor kLit(230, 40, 30);
const QColor kDark(10, 10, 10);

QPixmap strip(const QColor &c, int height)
{
    QPixmap p(kStripWidth, height);
    p.fill(c);
    return p;
}

typedef QList<QPair<int, int>> Ranges;

// The rows of a display that show the lit colour, as half-open ranges [from, to).
Ranges litRanges(CStateDisplayMulti *w)
{
    Ranges ranges;
    for (int y : TestRig::litLines(w->grab().toImage(), kLit)) {
        if (!ranges.isEmpty() && ranges.last().second == y)
            ++ranges.last().second;
        else
            ranges.append({y, y + 1});
    }
    return ranges;
}

// The items whose band (at i * band) shows lit.
QList<int> litItems(CStateDisplayMulti *w, int band = 4)
{
    const QImage image = w->grab().toImage();
    QList<int> items;
    for (int i = 0; (i + 1) * band <= image.height(); ++i) {
        if (image.pixelColor(kStripWidth / 2, i * band + band / 2) == kLit)
            items.append(i);
    }
    return items;
}

} // namespace

class tst_MultiState : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_rig = std::make_unique<TestRig::Console>(kCatalogue, kChannel, QSize(200, 400));
        QVERIFY2(m_rig->loaded, qPrintable(m_rig->error));
    }
    void cleanup() { m_rig.reset(); }

    void bandsAndBits_data();
    void bandsAndBits();
    void extrasStripsAndBursts();
    void alikeDisplaysShareOneRecord();

private:
    // count items over a strip of stripHeight, bands of bandHeight, bound on the own word with
    // the four extra words.
    CStateDisplayMulti *makeDisplay(int count, int stripHeight, int bandHeight,
                                    const char *name = "lamps", QWidget *parent = nullptr)
    {
        auto *w = new CStateDisplayMulti(parent ? parent : &m_rig->host, QString::fromLatin1(name));
        w->setImgOffList(strip(kDark, stripHeight));
        w->setImgOnList(strip(kLit, stripHeight));
        w->setTtlNumber(count);
        w->setImageHeight(bandHeight);
        w->setXtraInfo(QStringLiteral("FEkLamp/kX0;FEkLamp/kX1;FEkLamp/kX2;FEkLamp/kX3"));
        w->setNamedAddress(QString::fromLatin1(kOwn));
        m_rig->memory.connectProxy(w, kChannel);
        w->window()->show();
        return w;
    }

    std::unique_ptr<TestRig::Console> m_rig;
};

// Band positions from the item map (18 items over every bit set), and which bit of which
// parameter lights each item (bands of 4).
void tst_MultiState::bandsAndBits_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("stripHeight");
    QTest::addColumn<int>("bandHeight");
    QTest::addColumn<QString>("groups");
    QTest::addColumn<QString>("starts");
    QTest::addColumn<QList<int>>("values"); // own, extra 0..3
    QTest::addColumn<Ranges>("lit");

    const auto row = [](const char *name, int count, int strip, int band, const char *groups,
                        const char *starts, const QList<int> &values, const Ranges &lit) {
        QTest::newRow(name) << count << strip << band << QString(groups) << QString(starts)
                            << values << lit;
    };
    const QList<int> all {-1, -1, -1, -1, 0};
    row("no item strings: i x band", 18, 200, 10, "", "", all, {{0, 180}});
    row("item 4 at 50, later follow", 18, 200, 10, "0;4", "0;50", all, {{0, 40}, {50, 190}});
    row("empty pieces are dropped", 18, 200, 10, ";0;;4;", "0;;50", all, {{0, 40}, {50, 190}});
    row("unequal counts: no map", 18, 200, 10, "0;4;9", "0;50", all, {{0, 180}});
    row("non-numbers read as 0", 18, 200, 10, "x;4", "0;y50", all, {{0, 140}});
    row("item 0 stays at 0", 18, 200, 10, "0", "30", all, {{0, 180}});
    row("band height 0: strip / items", 18, 200, 0, "", "", all, {{0, 198}});
    row("negative band height as 0", 18, 200, -5, "", "", all, {{0, 198}});
    row("bands past the strip clipped", 18, 100, 10, "", "", all, {{0, 100}});
    row("a start past the strip", 18, 200, 10, "9", "150", all, {{0, 90}, {150, 200}});
    row("band taller than the strip", 18, 40, 90, "", "", all, {{0, 40}});
    row("10: items 0-1 own bits 6-7", 10, 40, 4, "", "", {0x40, 0, 0, 0, 0}, {{0, 4}});
    row("10: own bit 7", 10, 40, 4, "", "", {0x80, 0, 0, 0, 0}, {{4, 8}});
    row("10: own bits 0-5 not shown", 10, 40, 4, "", "", {0x3F, 0, 0, 0, 0}, {});
    row("10: items 2-9 extra 0 bits 0-7", 10, 40, 4, "", "", {0, 0x81, 0, 0, 0},
        {{8, 12}, {36, 40}});
    row("18: items 0-7 own bits 0-7", 18, 72, 4, "", "", {0xA5, 0, 0, 0, 0},
        {{0, 4}, {8, 12}, {20, 24}, {28, 32}});
    row("18: extra 0, 1 and 2", 18, 72, 4, "", "", {0, 0x103, 1, 1, 0}, {{32, 40}, {64, 72}});
    row("20: the last two read extra 3", 20, 80, 4, "", "", {0, 0, 0, 0, 0x2}, {{52, 56}});
    row("shifts of 32 and more dark", 50, 200, 4, "", "", {0, 0, 0, 0, -1}, {{48, 176}});
}

void tst_MultiState::bandsAndBits()
{
    QFETCH(int, count);
    QFETCH(int, stripHeight);
    QFETCH(int, bandHeight);
    QFETCH(QString, groups);
    QFETCH(QString, starts);
    QFETCH(QList<int>, values);
    QFETCH(Ranges, lit);
    m_rig->set(kOwn, values.at(0));
    for (int x = 0; x < 4; ++x)
        m_rig->set(kExtras[x], values.at(x + 1));
    // Another channel's values must not show.
    m_rig->set(kExtras[0], -1, kChannel + 1);

    CStateDisplayMulti *w = makeDisplay(count, stripHeight, bandHeight);
    w->setItemGroups(groups);
    w->setItemStarts(starts);
    QCOMPARE(w->size(), QSize(kStripWidth, stripHeight));
    QCOMPARE(w->extraAddressCount(), 4);
    QCOMPARE(litRanges(w), lit);
    QCOMPARE(w->mappedStart(0), 0);
}

// Extra words the memory does not know yet, bad strips and counts, copy and reset requests, and a
// burst from a worker thread, on one display.
void tst_MultiState::extrasStripsAndBursts()
{
    QVERIFY(m_rig->memory.loadCatalogue(QByteArray(kCatalogueWithoutExtras)));
    m_rig->set(kOwn, -1);
    CStateDisplayMulti *w = makeDisplay(18, 72, 4);
    QCOMPARE(w->extraAddressCount(), 0);
    QCOMPARE(litItems(w), (QList<int> {0, 1, 2, 3, 4, 5, 6, 7}));
    // Once the memory knows the addresses, the next composition resolves them.
    QVERIFY(m_rig->memory.loadCatalogue(QByteArray(kCatalogue)));
    m_rig->set(kOwn, 0);
    m_rig->set(kExtras[0], 1);
    w->reCalc();
    QCOMPARE(w->extraAddressCount(), 4);
    QCOMPARE(litItems(w), QList<int> {8});

    // Copying does not compose; a reset does.
    int compositions = w->compositionCount();
    TestRig::copied(*w);
    QCOMPARE(w->compositionCount(), compositions);
    w->reset2defaults();
    QCOMPARE(w->compositionCount(), compositions + 1);

    // A burst from a worker ends on its last value, composed once.
    compositions = w->compositionCount();
    QVERIFY(TestRig::runOnWorker([this, w] {
        for (int i = 1; i <= 500; ++i)
            TestRig::writeFor(m_rig->memory, *w, i);
        TestRig::writeFor(m_rig->memory, *w, 0x5);
    }));
    QCoreApplication::processEvents();
    QCOMPARE(w->compositionCount(), compositions + 1);
    const QImage before = w->grab().toImage();
    QCOMPARE(litItems(w), (QList<int> {0, 2, 8}));

    // A lit strip of another size, then a null one: no composition, the old picture stays.
    compositions = w->compositionCount();
    w->setImgOnList(strip(Qt::blue, 60));
    m_rig->set(kOwn, 0x7);
    QCOMPARE(w->compositionCount(), compositions);
    w->setImgOnList(QPixmap());
    w->setTtlNumber(0);
    w->setTtlNumber(-3);
    m_rig->set(kOwn, 0x1);
    QCOMPARE(w->compositionCount(), compositions);
    // The strip setter fixed the size to the 60-pixel strip; the old picture shows in it.
    QCOMPARE(w->size(), QSize(kStripWidth, 60));
    QCOMPARE(w->grab().toImage(), before.copy(0, 0, kStripWidth, 60));

    // A new list is resolved again; one that names nothing leaves the extras dark.
    w->setImgOnList(strip(kLit, 72));
    w->setTtlNumber(18);
    m_rig->set(kOwn, 0);
    w->setXtraInfo(QStringLiteral("FEkLamp/kMissing;nonsense"));
    w->reCalc();
    QCOMPARE(w->extraAddressCount(), 0);
    QCOMPARE(litItems(w), QList<int> {});

    // Without a memory nothing is composed either.
    auto *loose = new CStateDisplayMulti(&m_rig->host, QStringLiteral("loose"));
    loose->setImgOffList(strip(kDark, 20));
    loose->setImgOnList(strip(kLit, 20));
    loose->setTtlNumber(2);
    QCOMPARE(loose->compositionCount(), 0);
}

void tst_MultiState::alikeDisplaysShareOneRecord()
{
    auto host = std::make_unique<TestRig::CacheHost>();
    m_rig->set(kOwn, 0x1);
    CStateDisplayMulti *first = makeDisplay(18, 72, 4, "busLamps", host.get());
    CStateDisplayMulti *second = makeDisplay(18, 72, 4, "busLamps", host.get());
    QVERIFY(QTest::qWaitForWindowExposed(host.get()));
    QCOMPARE(first->lookRecord(), second->lookRecord());
    QCOMPARE(first->lookRecord()->refCount, 2);
    QVERIFY(first->lookRecordCached() && second->lookRecordCached());
    QCOMPARE(host->recordCount(), 1);

    // A look set on one is the other's look from its next composition on.
    first->setImgOnList(strip(Qt::blue, 72));
    QCOMPARE(second->getImgOnList().toImage(), strip(Qt::blue, 72).toImage());
    m_rig->set(kOwn, 0x2);
    QCOMPARE(TestRig::colourAt(second, QPoint(kStripWidth / 2, 6)), QColor(Qt::blue));
    QCOMPARE(TestRig::colourAt(second, QPoint(kStripWidth / 2, 2)), kDark);

    // The record outlives the first display.
    delete first;
    QCOMPARE(host->record(QStringLiteral("busLamps")), second->lookRecord());
    m_rig->set(kOwn, 0x1);
    QCOMPARE(TestRig::colourAt(second, QPoint(kStripWidth / 2, 2)), QColor(Qt::blue));
    host.reset();

    // Without a server the record stays private.
    CStateDisplayMulti *alone = makeDisplay(18, 72, 4, "busLamps");
    QVERIFY(QTest::qWaitForWindowExposed(&m_rig->host));
    QVERIFY(!alone->lookRecordCached());
    QCOMPARE(alone->lookRecord()->refCount, 0);
}

QTEST_MAIN(tst_MultiState)
#include "tst_multistate.moc"
