// The multi-state display: lamps composed from two strips and the bits of several parameters,
// checked on grab() pixels against the embedded memory.

#include "StateDisplayMulti.h"
#include "StateDisplayMulti_p.h"
#include "TParamInfo.h"
#include "TestRig.h"

#include <QBuffer>
#include <QDataStream>
#include <QTest>

#include <memory>

namespace {

// One lamp word and four extra words per channel.
const char kCatalogue[] = R"({
 "name": "Lamp test console",
 "sections": [
  {"key": "kLamp", "element": 1, "channels": 4, "params": [
    {"key": "kBits", "id": 0, "min": -2147483648, "max": 2147483647, "default": 0},
    {"key": "kX0", "id": 1, "min": -2147483648, "max": 2147483647, "default": 0},
    {"key": "kX1", "id": 2, "min": -2147483648, "max": 2147483647, "default": 0},
    {"key": "kX2", "id": 3, "min": -2147483648, "max": 2147483647, "default": 0},
    {"key": "kX3", "id": 4, "min": -2147483648, "max": 2147483647, "default": 0}
  ]}
 ]
})";
// The same console before its extra words existed.
const char kCatalogueWithoutExtras[] = R"({
 "name": "Lamp test console",
 "sections": [
  {"key": "kLamp", "element": 1, "channels": 4, "params": [
    {"key": "kBits", "id": 0, "min": -2147483648, "max": 2147483647, "default": 0}
  ]}
 ]
})";

const char *const kOwn = "FEkLamp/kBits";
const char *const kExtras[] = {"FEkLamp/kX0", "FEkLamp/kX1", "FEkLamp/kX2", "FEkLamp/kX3"};
const char kXtraInfo[] = "FEkLamp/kX0;FEkLamp/kX1;FEkLamp/kX2;FEkLamp/kX3";
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

// The rows of a picture that show the lit colour, as half-open ranges [from, to).
QList<QPair<int, int>> litRanges(const QImage &image)
{
    QList<QPair<int, int>> ranges;
    int from = -1;
    for (int y = 0; y <= image.height(); ++y) {
        const bool lit = y < image.height() && image.pixelColor(kStripWidth / 2, y) == kLit;
        if (lit && from < 0)
            from = y;
        if (!lit && from >= 0) {
            ranges.append({from, y});
            from = -1;
        }
    }
    return ranges;
}

// The items whose band (at i * bandHeight) shows lit.
QList<int> litItems(const QImage &image, int count, int bandHeight)
{
    QList<int> items;
    for (int i = 0; i < count; ++i) {
        if (image.pixelColor(kStripWidth / 2, i * bandHeight + bandHeight / 2) == kLit)
            items.append(i);
    }
    return items;
}

} // namespace

typedef QList<QPair<int, int>> Ranges;

class tst_MultiState : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void bandLayout_data();
    void bandLayout();
    void bitsOfEachGroup_data();
    void bitsOfEachGroup();
    void unresolvedExtrasStayDarkAndAreRetried();
    void badStripsKeepThePicture();
    void copyRequestsDoNotRedraw();
    void alikeDisplaysShareOneRecord();
    void workerBurstEndsOnItsLastValue();

private:
    CStateDisplayMulti *makeDisplay(int count, int stripHeight, int bandHeight,
                                    const char *name = "lamps", QWidget *parent = nullptr);
    void set(const char *address, int value);
    QImage picture(CStateDisplayMulti *w);

    std::unique_ptr<TParamMemory> m_memory;
    std::unique_ptr<QWidget> m_window;
};

void tst_MultiState::init()
{
    m_memory = std::make_unique<TParamMemory>();
    QString error;
    QVERIFY2(m_memory->loadCatalogue(QByteArray(kCatalogue), &error), qPrintable(error));
    m_window = std::make_unique<QWidget>();
    m_window->resize(200, 400);
}

void tst_MultiState::cleanup()
{
    m_window.reset();
    m_memory.reset();
}

CStateDisplayMulti *tst_MultiState::makeDisplay(int count, int stripHeight, int bandHeight,
                                                const char *name, QWidget *parent)
{
    auto *w = new CStateDisplayMulti(parent ? parent : m_window.get(), QString::fromLatin1(name));
    w->setImgOffList(strip(kDark, stripHeight));
    w->setImgOnList(strip(kLit, stripHeight));
    w->setTtlNumber(count);
    w->setImageHeight(bandHeight);
    w->setXtraInfo(QString::fromLatin1(kXtraInfo));
    w->setNamedAddress(QString::fromLatin1(kOwn));
    m_memory->connectProxy(w, kChannel);
    w->window()->show();
    return w;
}

void tst_MultiState::set(const char *address, int value)
{
    IMemAPI::TSingleAddress a;
    QVERIFY2(m_memory->resolveNamed(QString::fromLatin1(address), kChannel, &a), address);
    m_memory->setValue(a.element, a.parameter, a.channel, value, m_memory->sourceId(0) + 1, 1);
}

QImage tst_MultiState::picture(CStateDisplayMulti *w)
{
    return w->grab().toImage();
}

// Band positions from the item map, on a 200-pixel strip of 18 items with every bit set.
void tst_MultiState::bandLayout_data()
{
    QTest::addColumn<int>("stripHeight");
    QTest::addColumn<int>("bandHeight");
    QTest::addColumn<QString>("groups");
    QTest::addColumn<QString>("starts");
    QTest::addColumn<Ranges>("lit");

    QTest::newRow("no item strings: i x band height")
            << 200 << 10 << QString() << QString() << Ranges {{0, 180}};
    QTest::newRow("item 4 starts at 50, later items follow")
            << 200 << 10 << "0;4"
            << "0;50" << Ranges {{0, 40}, {50, 190}};
    QTest::newRow("empty pieces are dropped") << 200 << 10 << ";0;;4;"
                                              << "0;;50" << Ranges {{0, 40}, {50, 190}};
    QTest::newRow("unequal counts: no map") << 200 << 10 << "0;4;9"
                                            << "0;50" << Ranges {{0, 180}};
    QTest::newRow("non-numbers read as 0: item 4 restarts at the top")
            << 200 << 10 << "x;4"
            << "0;y50" << Ranges {{0, 140}};
    QTest::newRow("item 0 stays at 0") << 200 << 10 << "0"
                                       << "30" << Ranges {{0, 180}};
    QTest::newRow("band height 0: strip height / items")
            << 200 << 0 << QString() << QString() << Ranges {{0, 198}};
    QTest::newRow("negative band height as 0")
            << 200 << -5 << QString() << QString() << Ranges {{0, 198}};
    QTest::newRow("bands past the strip are clipped")
            << 100 << 10 << QString() << QString() << Ranges {{0, 100}};
    QTest::newRow("a start past the strip") << 200 << 10 << "9"
                                            << "150" << Ranges {{0, 90}, {150, 200}};
    QTest::newRow("band height larger than the strip")
            << 40 << 90 << QString() << QString() << Ranges {{0, 40}};
}

void tst_MultiState::bandLayout()
{
    QFETCH(int, stripHeight);
    QFETCH(int, bandHeight);
    QFETCH(QString, groups);
    QFETCH(QString, starts);
    QFETCH(Ranges, lit);

    for (const char *a : {kOwn, kExtras[0], kExtras[1], kExtras[2]})
        set(a, -1);
    CStateDisplayMulti *w = makeDisplay(18, stripHeight, bandHeight);
    w->setItemGroups(groups);
    w->setItemStarts(starts);
    QCOMPARE(w->size(), QSize(kStripWidth, stripHeight));
    QCOMPARE(litRanges(picture(w)), lit);
    QCOMPARE(w->mappedStart(0), 0);
}

// Which bit of which parameter lights each item.
void tst_MultiState::bitsOfEachGroup_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QList<int>>("values"); // own, extra 0..3
    QTest::addColumn<QList<int>>("lit");

    QTest::newRow("default offset: items 0-1 are own bits 6-7")
            << 10 << QList<int> {0x40, 0, 0, 0, 0} << QList<int> {0};
    QTest::newRow("default offset: own bit 7")
            << 10 << QList<int> {0x80, 0x00, 0, 0, 0} << QList<int> {1};
    QTest::newRow("default offset: own bits 0-5 are not shown")
            << 10 << QList<int> {0x3F, 0, 0, 0, 0} << QList<int> {};
    QTest::newRow("default offset: items 2-9 are extra 0 bits 0-7")
            << 10 << QList<int> {0, 0x81, 0, 0, 0} << QList<int> {2, 9};
    QTest::newRow("18 items: items 0-7 are own bits 0-7")
            << 18 << QList<int> {0xA5, 0, 0, 0, 0} << QList<int> {0, 2, 5, 7};
    QTest::newRow("18 items: extra 0, 1 and 2")
            << 18 << QList<int> {0, 0x103, 1, 1, 0} << QList<int> {8, 9, 16, 17};
    QTest::newRow("20 items: the last two read extra 3")
            << 20 << QList<int> {0, 0, 0, 0, 0x2} << QList<int> {13};
    QTest::newRow("shifts of 32 and more are dark") << 50 << QList<int> {0, 0, 0, 0, -1} << [] {
        QList<int> items;
        for (int i = 12; i < 44; ++i)
            items.append(i);
        return items;
    }();
}

void tst_MultiState::bitsOfEachGroup()
{
    QFETCH(int, count);
    QFETCH(QList<int>, values);
    QFETCH(QList<int>, lit);
    constexpr int band = 4;
    set(kOwn, values.at(0));
    for (int x = 0; x < 4; ++x)
        set(kExtras[x], values.at(x + 1));
    // Another channel's values must not show.
    const IMemAPI::TSingleAddress other =
            TestRig::resolve(*m_memory, QString::fromLatin1(kExtras[0]), kChannel + 1);
    m_memory->setValue(other.element, other.parameter, other.channel, -1, 0, 1);

    CStateDisplayMulti *w = makeDisplay(count, count * band, band);
    QCOMPARE(w->extraAddressCount(), 4);
    QCOMPARE(litItems(picture(w), count, band), lit);
}

void tst_MultiState::unresolvedExtrasStayDarkAndAreRetried()
{
    QVERIFY(m_memory->loadCatalogue(QByteArray(kCatalogueWithoutExtras)));
    set(kOwn, -1);
    CStateDisplayMulti *w = makeDisplay(18, 72, 4);
    QCOMPARE(w->extraAddressCount(), 0);
    QCOMPARE(litItems(picture(w), 18, 4), (QList<int> {0, 1, 2, 3, 4, 5, 6, 7}));

    // Once the memory knows the addresses, the next composition resolves them.
    QVERIFY(m_memory->loadCatalogue(QByteArray(kCatalogue)));
    set(kOwn, 0);
    set(kExtras[0], 1);
    w->reCalc();
    QCOMPARE(w->extraAddressCount(), 4);
    QCOMPARE(litItems(picture(w), 18, 4), QList<int> {8});

    // A new list is resolved again; one that names nothing leaves the extras dark.
    w->setXtraInfo(QStringLiteral("FEkLamp/kMissing;nonsense"));
    w->reCalc();
    QCOMPARE(w->extraAddressCount(), 0);
    QCOMPARE(litItems(picture(w), 18, 4), QList<int> {});
}

void tst_MultiState::badStripsKeepThePicture()
{
    set(kOwn, 0x5);
    CStateDisplayMulti *w = makeDisplay(18, 72, 4);
    const QImage before = picture(w);
    QCOMPARE(litItems(before, 18, 4), (QList<int> {0, 2}));
    const int compositions = w->compositionCount();

    // A lit strip of another size, then a null one: no composition, the old picture stays.
    w->setImgOnList(strip(Qt::blue, 60));
    set(kOwn, 0x7);
    QCOMPARE(w->compositionCount(), compositions);
    w->setImgOnList(QPixmap());
    w->setTtlNumber(0);
    w->setTtlNumber(-3);
    set(kOwn, 0x1);
    QCOMPARE(w->compositionCount(), compositions);
    // The strip setter fixed the size to the 60-pixel strip; the old picture shows in it.
    QCOMPARE(w->size(), QSize(kStripWidth, 60));
    QCOMPARE(picture(w), before.copy(0, 0, kStripWidth, 60));

    // Without a memory nothing is composed either.
    auto *loose = new CStateDisplayMulti(m_window.get(), QStringLiteral("loose"));
    loose->setImgOffList(strip(kDark, 20));
    loose->setImgOnList(strip(kLit, 20));
    loose->setTtlNumber(2);
    QCOMPARE(loose->compositionCount(), 0);
}

void tst_MultiState::copyRequestsDoNotRedraw()
{
    CStateDisplayMulti *w = makeDisplay(18, 72, 4);
    const int compositions = w->compositionCount();
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QDataStream stream(&buffer);
    w->copyParameters(&stream);
    QCOMPARE(w->compositionCount(), compositions);
    w->reset2defaults();
    QCOMPARE(w->compositionCount(), compositions + 1);
}

void tst_MultiState::alikeDisplaysShareOneRecord()
{
    auto *host = new TestRig::CacheHost;
    m_window.reset(host);
    set(kOwn, 0x1);
    CStateDisplayMulti *first = makeDisplay(18, 72, 4, "busLamps", host);
    CStateDisplayMulti *second = makeDisplay(18, 72, 4, "busLamps", host);
    QVERIFY(QTest::qWaitForWindowExposed(host));
    QCOMPARE(first->lookRecord(), second->lookRecord());
    QCOMPARE(first->lookRecord()->refCount, 2);
    QVERIFY(first->lookRecordCached() && second->lookRecordCached());
    QCOMPARE(host->recordCount(), 1);

    // A look set on one is the other's look from its next composition on.
    first->setImgOnList(strip(Qt::blue, 72));
    QCOMPARE(second->getImgOnList().toImage(), strip(Qt::blue, 72).toImage());
    set(kOwn, 0x2);
    QCOMPARE(second->grab().toImage().pixelColor(kStripWidth / 2, 6), QColor(Qt::blue));
    QCOMPARE(second->grab().toImage().pixelColor(kStripWidth / 2, 2), kDark);

    // The record outlives the first display.
    delete first;
    QCOMPARE(host->record(QStringLiteral("busLamps")), second->lookRecord());
    set(kOwn, 0x1);
    QCOMPARE(second->grab().toImage().pixelColor(kStripWidth / 2, 2), QColor(Qt::blue));
    delete second;
    host->deleteRecords();

    // Without a server the record stays private.
    m_window = std::make_unique<QWidget>();
    CStateDisplayMulti *alone = makeDisplay(18, 72, 4, "busLamps");
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QVERIFY(!alone->lookRecordCached());
    QCOMPARE(alone->lookRecord()->refCount, 0);
}

void tst_MultiState::workerBurstEndsOnItsLastValue()
{
    CStateDisplayMulti *w = makeDisplay(18, 72, 4);
    const IMemAPI::TSingleAddress a =
            TestRig::resolve(*m_memory, QString::fromLatin1(kOwn), kChannel);
    const int compositions = w->compositionCount();
    TParamMemory *memory = m_memory.get();
    QVERIFY(TestRig::runOnWorker([&] {
        for (int i = 1; i <= 500; ++i)
            memory->setValue(a.element, a.parameter, a.channel, i, memory->sourceId(0) + 1, 1);
        memory->setValue(a.element, a.parameter, a.channel, 0x90, memory->sourceId(0) + 1, 1);
    }));
    QCoreApplication::processEvents();
    QCOMPARE(w->compositionCount(), compositions + 1);
    QCOMPARE(litItems(picture(w), 18, 4), (QList<int> {4, 7}));
}

QTEST_MAIN(tst_MultiState)
#include "tst_multistate.moc"
