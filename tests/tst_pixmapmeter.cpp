// The pixmap meter: levels mapped through the hexadecimal bound list or a memory table to
// sub-images, both grid directions on grab() pixels, the online reset, repaints only on a new
// sub-image, the worker-thread feed, and bad lists, counts and images.

#include "CPixmapMeter.h"
#include "TestRig.h"

#include <QTest>

#include <memory>

namespace {

constexpr int Cell = 6;
const char *const BusMeter = "01kMeter/kOutputLevel";

// The colour of the cell (category, sub-image): every cell of a grid differs.
QColor cellColour(int category, int sub)
{
    return QColor(40 + 60 * category, 30 + 40 * sub, 200 - 30 * sub);
}

// A grid of cells for the direction: categories across and sub-images down (ColImages), or the
// other way round.
QPixmap grid(int categories, int subs, CPixmapMeter::SubDirection direction)
{
    if (direction == CPixmapMeter::ColImages)
        return TestRig::frameStrip(QSize(Cell, Cell), categories, subs, cellColour);
    return TestRig::frameStrip(QSize(Cell, Cell), subs, categories,
                               [](int s, int c) { return cellColour(c, s); });
}

// The sub-image of category the meter shows on screen, from its pixels; -1 for none.
int shownSub(CPixmapMeter &meter, int category = 0)
{
    QCoreApplication::processEvents();
    const QColor c = TestRig::colourAt(&meter, QPoint(Cell / 2, Cell / 2));
    for (int s = 0; s < 16; ++s)
        if (c == cellColour(category, s))
            return s;
    return -1;
}

QVector<quint16> boundsOf(std::initializer_list<quint16> b)
{
    return QVector<quint16>(b);
}

} // namespace

class tst_PixmapMeter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void missingBoundsNeverShowTheLastSubImages();
    void listSetBeforeTheCountStillApplies();
    void memoryTableSearchedOverItsFirstEntries_data();
    void memoryTableSearchedOverItsFirstEntries();
    void onlineChangesResetEitherWay();
    void gridDirections_data();
    void gridDirections();
    void unchangedSubImageCostsNothing();
    void workerThreadFeedIsShownOnTheGuiThread();
    void badBoundLists_data();
    void badBoundLists();
    void badCountsAndImagesAreHarmless();

private:
    std::unique_ptr<CPixmapMeter>
    makeMeter(int subs, const QString &list, int tableId = 0, int categories = 1,
              CPixmapMeter::SubDirection direction = CPixmapMeter::ColImages);
    void push(int level);

    std::unique_ptr<TParamMemory> m_memory;
    IMemAPI::TSingleAddress m_bus;
};

void tst_PixmapMeter::init()
{
    m_memory = std::make_unique<TParamMemory>();
    m_memory->setOnline(true);
    QVERIFY(m_memory->resolveNamed(QString::fromLatin1(BusMeter), 0, &m_bus));
}

void tst_PixmapMeter::cleanup()
{
    m_memory.reset();
}

std::unique_ptr<CPixmapMeter> tst_PixmapMeter::makeMeter(int subs, const QString &list, int tableId,
                                                         int categories,
                                                         CPixmapMeter::SubDirection direction)
{
    auto meter = std::make_unique<CPixmapMeter>();
    meter->setSubDirection(direction);
    meter->setnImageCategories(categories);
    meter->setnSubImages(subs);
    meter->setBoundList(list);
    meter->setMeterTableId(tableId);
    meter->setCombinedImage(grid(categories, subs, direction));
    meter->adjustParams();
    meter->setNamedAddress(QStringLiteral("01kMeter/kOutputLevel"));
    m_memory->connectProxy(meter.get(), 0);
    meter->show();
    return meter;
}

void tst_PixmapMeter::push(int level)
{
    m_memory->pushMeterLevel(m_bus.element, m_bus.parameter, m_bus.channel, level, level);
}

void tst_PixmapMeter::missingBoundsNeverShowTheLastSubImages()
{
    auto meter = makeMeter(4, QStringLiteral("800;C00"));
    QCOMPARE(meter->bounds(), boundsOf({0x800, 0xC00, 0xFFFF, 0xFFFF}));
    for (int level : {3072, 9000, 16383}) {
        push(level);
        QCOMPARE(shownSub(*meter), 2);
    }
    // A new count opens every bound again before the list is read.
    meter->setnSubImages(2);
    QCOMPARE(meter->bounds(), boundsOf({0x800, 0xC00}));
    meter->setnSubImages(5);
    QCOMPARE(meter->bounds(), boundsOf({0x800, 0xC00, 0xFFFF, 0xFFFF, 0xFFFF}));
}

void tst_PixmapMeter::listSetBeforeTheCountStillApplies()
{
    auto meter = std::make_unique<CPixmapMeter>();
    meter->setBoundList(QStringLiteral("800;C00"));
    QCOMPARE(meter->bounds(), boundsOf({0x800}));
    meter->setnSubImages(3);
    meter->setCombinedImage(grid(1, 3, CPixmapMeter::ColImages));
    meter->adjustParams();
    meter->setNamedAddress(QStringLiteral("01kMeter/kOutputLevel"));
    m_memory->connectProxy(meter.get(), 0);
    meter->show();
    push(3072);
    QCOMPARE(shownSub(*meter), 2);
    push(2048);
    QCOMPARE(shownSub(*meter), 1);
}

void tst_PixmapMeter::memoryTableSearchedOverItsFirstEntries_data()
{
    // Table 1 starts 0, 64, 128, 256, 400; table 4 is 512, 1024, 2048, 4095.
    QTest::addColumn<int>("tableId");
    QTest::addColumn<int>("subs");
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("sub");
    // Table 0: the list 800;C00 bounds the levels.
    QTest::newRow("list, 0") << 0 << 3 << 0 << 0;
    QTest::newRow("list, 2047") << 0 << 3 << 2047 << 0;
    QTest::newRow("list, 2048") << 0 << 3 << 2048 << 1;
    QTest::newRow("list, 3071") << 0 << 3 << 3071 << 1;
    QTest::newRow("list, 3072") << 0 << 3 << 3072 << 2;
    QTest::newRow("list, top") << 0 << 3 << 16383 << 2;
    QTest::newRow("long table, low") << 1 << 4 << 63 << 1;
    QTest::newRow("long table, second bound") << 1 << 4 << 64 << 2;
    // Only 0, 64 and 128 are searched: 256 and above bound nothing.
    QTest::newRow("long table, past the searched") << 1 << 4 << 300 << 3;
    QTest::newRow("long table, top") << 1 << 4 << 16383 << 3;
    // A table shorter than the strip is searched whole.
    QTest::newRow("short table, below all") << 4 << 8 << 100 << 0;
    QTest::newRow("short table, top") << 4 << 8 << 5000 << 4;
    // No such table: the list applies.
    QTest::newRow("unknown table") << 77 << 4 << 3072 << 2;
}

void tst_PixmapMeter::memoryTableSearchedOverItsFirstEntries()
{
    QFETCH(int, tableId);
    QFETCH(int, subs);
    QFETCH(int, level);
    QFETCH(int, sub);
    auto meter = makeMeter(subs, QStringLiteral("800;C00"), tableId);
    push(level);
    QCOMPARE(shownSub(*meter), sub);
}

void tst_PixmapMeter::onlineChangesResetEitherWay()
{
    auto meter = makeMeter(3, QStringLiteral("800;C00"));
    push(4000);
    QCOMPARE(shownSub(*meter), 2);
    m_memory->setOnline(false);
    QCOMPARE(shownSub(*meter), 0);
    push(2500);
    QCOMPARE(shownSub(*meter), 1);
    m_memory->setOnline(true);
    QCOMPARE(shownSub(*meter), 0);
}

void tst_PixmapMeter::gridDirections_data()
{
    QTest::addColumn<CPixmapMeter::SubDirection>("direction");
    QTest::newRow("columns") << CPixmapMeter::ColImages;
    QTest::newRow("rows") << CPixmapMeter::RowImages;
}

void tst_PixmapMeter::gridDirections()
{
    QFETCH(CPixmapMeter::SubDirection, direction);
    // A grid of 2 categories by 3 sub-images that is not square, so a wrong cut shows.
    auto meter = makeMeter(3, QStringLiteral("800;C00"), 0, 2, direction);
    QCOMPARE(meter->size(), QSize(Cell, Cell));
    push(2048);
    QCOMPARE(shownSub(*meter), 1);
    meter->setCurrentImage(1);
    QCOMPARE(shownSub(*meter, 1), 1);
    push(3072);
    QCOMPARE(shownSub(*meter, 1), 2);
    // The other direction cuts the same picture differently.
    meter->setSubDirection(direction == CPixmapMeter::ColImages ? CPixmapMeter::RowImages
                                                                : CPixmapMeter::ColImages);
    const QSize other = direction == CPixmapMeter::ColImages ? QSize(Cell * 2 / 3, Cell * 3 / 2)
                                                             : QSize(Cell * 3 / 2, Cell * 2 / 3);
    QCOMPARE(meter->size(), other);
}

void tst_PixmapMeter::unchangedSubImageCostsNothing()
{
    auto meter = makeMeter(3, QStringLiteral("800;C00"));
    push(2048);
    QCOMPARE(shownSub(*meter), 1);
    const int renders = meter->renderCount();
    const int updates = meter->guiUpdateCount();
    push(2100);
    push(3071);
    QCOMPARE(shownSub(*meter), 1);
    QCOMPARE(meter->guiUpdateCount(), updates);
    QCOMPARE(meter->renderCount(), renders);
    // The same list again is no change; a frame shown before is blitted, not rendered.
    meter->setBoundList(QStringLiteral("800;C00"));
    push(0);
    QCOMPARE(shownSub(*meter), 0);
    const int rendered = meter->renderCount();
    QVERIFY(rendered <= renders + 1);
    push(2048);
    QCOMPARE(shownSub(*meter), 1);
    QCOMPARE(meter->renderCount(), rendered);
}

void tst_PixmapMeter::workerThreadFeedIsShownOnTheGuiThread()
{
    auto meter = makeMeter(3, QStringLiteral("800;C00"));
    QVERIFY(TestRig::runOnWorker([this] {
        for (int level = 0; level <= 3000; level += 7)
            push(level);
    }));
    QCOMPARE(meter->shownIndex(), 0);
    QCOMPARE(shownSub(*meter), 1);
}

void tst_PixmapMeter::badBoundLists_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<QVector<quint16>>("bounds");
    QTest::newRow("non-hex piece") << "zz;800;C00" << boundsOf({0, 0x800, 0xC00, 0xFFFF});
    QTest::newRow("stray separators") << ";;800;;;C00;" << boundsOf({0x800, 0xC00, 0xFFFF, 0xFFFF});
    QTest::newRow("above FFFF") << "10000;FFFF" << boundsOf({0, 0xFFFF, 0xFFFF, 0xFFFF});
    QTest::newRow("longer than the strip")
            << "100;200;300;400;500;600" << boundsOf({0x100, 0x200, 0x300, 0x400});
    QTest::newRow("only separators") << ";;;" << boundsOf({0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF});
}

void tst_PixmapMeter::badBoundLists()
{
    QFETCH(QString, list);
    QFETCH(QVector<quint16>, bounds);
    auto meter = makeMeter(4, list);
    QCOMPARE(meter->bounds(), bounds);
    // The search stays within the first three bounds whatever the list held.
    push(16383);
    const int expected =
            int(std::upper_bound(bounds.begin(), bounds.begin() + 3, 16383) - bounds.begin());
    QCOMPARE(shownSub(*meter), expected);
}

void tst_PixmapMeter::badCountsAndImagesAreHarmless()
{
    auto meter = makeMeter(3, QStringLiteral("800;C00"));
    meter->setnSubImages(0);
    QCOMPARE(meter->nSubImages(), 1);
    meter->setnSubImages(-4);
    QCOMPARE(meter->nSubImages(), 1);
    meter->setnImageCategories(-1);
    QCOMPARE(meter->nImageCategories(), 1);
    QCOMPARE(meter->bounds(), boundsOf({0x800}));
    // One sub-image: every level shows it.
    push(16383);
    QCOMPARE(shownSub(*meter), 0);

    // An image that does not divide evenly, and one too small for its grid.
    meter->setnSubImages(3);
    QPixmap uneven(Cell + 1, 3 * Cell + 2);
    uneven.fill(Qt::gray);
    meter->setCombinedImage(uneven);
    meter->adjustParams();
    QCOMPARE(meter->size(), QSize(Cell + 1, Cell));
    push(3072);
    QCOMPARE(meter->shownIndex(), 2);
    meter->setCombinedImage(QPixmap(2, 2));
    meter->adjustParams();
    QCOMPARE(meter->size(), QSize(2, 0));
    meter->grab();
    meter->setCombinedImage(QPixmap());
    meter->resize(Cell, Cell);
    meter->grab();

    // Categories outside the grid and other operations are refused.
    meter->setCurrentImage(1);
    meter->setCurrentImage(-1);
    QCOMPARE(meter->currentImage(), 0);
    const Q_UINT8 loud[4] = {0x7F, 0x7F, 0x7F, 0x7F};
    meter->process(loud, 1, 0);
    meter->process(loud, 3, 0);
    QCOMPARE(meter->levelIndex(), 2);
    QCOMPARE(m_memory->getValue(m_bus.element, m_bus.parameter, m_bus.channel), 0);
}

QTEST_MAIN(tst_PixmapMeter)
#include "tst_pixmapmeter.moc"
