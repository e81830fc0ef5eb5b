// The pixmap meter: levels mapped through the hexadecimal bound list or a memory table to
// sub-images, both grid directions on grab() pixels, the online reset, repaints only on a new
// sub-image, the worker-thread feed, and bad lists, counts and images.

#include "CPixmapMeter.h"
#include "TestRig.h"

using namespace TestRig;

namespace {

constexpr int Cell = 6;
using Bounds = QVector<quint16>;

// The colour of the cell (category, sub-image): every cell of a grid differs.
QColor cellColour(int category, int sub)
{
    return QColor(40 + 60 * category, 30 + 40 * sub, 200 - 30 * sub);
}

// The sub-image of category the meter shows on screen, from its pixels; -1 for none.
int shownSub(CPixmapMeter &meter, int category = 0)
{
    QCoreApplication::processEvents();
    const QColor c = colourAt(&meter, QPoint(Cell / 2, Cell / 2));
    for (int s = 0; s < 16; ++s)
        if (c == cellColour(category, s))
            return s;
    return -1;
}

// The memory online, and meters on its output-level meter.
struct Rig
{
    Rig() { memory.setOnline(true); }
    // A meter of subs sub-images and categories categories, the grid of cells laid out for the
    // direction: categories across and sub-images down (ColImages), or the other way round.
    std::unique_ptr<CPixmapMeter>
    meter(int subs, const QString &list, int tableId = 0, int categories = 1,
          CPixmapMeter::SubDirection direction = CPixmapMeter::ColImages)
    {
        auto meter = std::make_unique<CPixmapMeter>();
        meter->setSubDirection(direction);
        meter->setnImageCategories(categories);
        meter->setnSubImages(subs);
        meter->setBoundList(list);
        meter->setMeterTableId(tableId);
        const bool columns = direction == CPixmapMeter::ColImages;
        meter->setCombinedImage(frameStrip(
                QSize(Cell, Cell), columns ? categories : subs, columns ? subs : categories,
                [=](int x, int y) { return columns ? cellColour(x, y) : cellColour(y, x); }));
        meter->adjustParams();
        meter->setNamedAddress(QStringLiteral("01kMeter/kOutputLevel"));
        memory.connectProxy(meter.get(), 0);
        meter->show();
        return meter;
    }
    void push(int level)
    {
        memory.pushMeterLevel(bus.element, bus.parameter, bus.channel, level, level);
    }

    TParamMemory memory;
    const IMemAPI::TSingleAddress bus = resolve(memory, QStringLiteral("01kMeter/kOutputLevel"));
};

} // namespace

class tst_PixmapMeter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void levels_data();
    void levels();
    void oneMeterThroughItsLife();
};

// The sub-image a level shows, through the list (table 0) or a memory table; with bounds, the
// bounds the list gave. The search only covers the first subs - 1 bounds.
void tst_PixmapMeter::levels_data()
{
    QTest::addColumn<int>("tableId");
    QTest::addColumn<int>("subs");
    QTest::addColumn<QString>("list");
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("sub");
    QTest::addColumn<Bounds>("bounds");
    const QString list = QStringLiteral("800;C00");
    for (int level : {0, 2047, 2048, 3071, 3072, 16383}) // 800 and C00 are 2048 and 3072
        QTest::addRow("list, %d", level)
                << 0 << 3 << list << level << (level >= 2048) + (level >= 3072) << Bounds();
    // Missing bounds never show the last sub-images.
    const Bounds open {0x800, 0xC00, 0xFFFF, 0xFFFF};
    QTest::newRow("missing bounds, top") << 0 << 4 << list << 16383 << 2 << open;
    // Table 1 starts 0, 64, 128, 256, 400; table 4 is 512, 1024, 2048, 4095.
    QTest::newRow("long table, low") << 1 << 4 << list << 63 << 1 << Bounds();
    QTest::newRow("long table, second bound") << 1 << 4 << list << 64 << 2 << Bounds();
    // Only 0, 64 and 128 are searched: 256 and above bound nothing.
    QTest::newRow("long table, past the searched") << 1 << 4 << list << 300 << 3 << Bounds();
    // A table shorter than the strip is searched whole.
    QTest::newRow("short table, below all") << 4 << 8 << list << 100 << 0 << Bounds();
    QTest::newRow("short table, top") << 4 << 8 << list << 5000 << 4 << Bounds();
    QTest::newRow("unknown table: the list") << 77 << 4 << list << 3072 << 2 << Bounds();
    // Bad lists, at the top level.
    QTest::newRow("non-hex piece")
            << 0 << 4 << "zz;800;C00" << 16383 << 3 << Bounds {0, 0x800, 0xC00, 0xFFFF};
    QTest::newRow("stray separators") << 0 << 4 << ";;800;;;C00;" << 16383 << 2 << open;
    QTest::newRow("above FFFF") << 0 << 4 << "10000;FFFF" << 16383 << 1
                                << Bounds {0, 0xFFFF, 0xFFFF, 0xFFFF};
    QTest::newRow("longer than the strip") << 0 << 4 << "100;200;300;400;500;600" << 16383 << 3
                                           << Bounds {0x100, 0x200, 0x300, 0x400};
    QTest::newRow("only separators")
            << 0 << 4 << ";;;" << 16383 << 0 << Bounds {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
}

void tst_PixmapMeter::levels()
{
    QFETCH(int, tableId);
    QFETCH(int, subs);
    QFETCH(QString, list);
    QFETCH(int, level);
    QFETCH(int, sub);
    QFETCH(Bounds, bounds);
    Rig rig;
    auto meter = rig.meter(subs, list, tableId);
    if (!bounds.isEmpty())
        QCOMPARE(meter->bounds(), bounds);
    rig.push(level);
    QCOMPARE(shownSub(*meter), sub);
}

void tst_PixmapMeter::oneMeterThroughItsLife()
{
    Rig rig;
    auto meter = rig.meter(3, QStringLiteral("800;C00"));
    // A level within the shown sub-image costs nothing.
    rig.push(2048);
    QCOMPARE(shownSub(*meter), 1);
    const int renders = meter->renderCount();
    const int updates = meter->guiUpdateCount();
    rig.push(3071);
    QCOMPARE(shownSub(*meter), 1);
    QCOMPARE(meter->guiUpdateCount(), updates);
    QCOMPARE(meter->renderCount(), renders);
    // The same list again is no change; a frame shown before is blitted, not rendered.
    meter->setBoundList(QStringLiteral("800;C00"));
    rig.push(0);
    QCOMPARE(shownSub(*meter), 0);
    const int rendered = meter->renderCount();
    QVERIFY(rendered <= renders + 1);
    rig.push(2048);
    QCOMPARE(shownSub(*meter), 1);
    QCOMPARE(meter->renderCount(), rendered);

    // Online changes reset the meter either way.
    rig.push(4000);
    QCOMPARE(shownSub(*meter), 2);
    rig.memory.setOnline(false);
    QCOMPARE(shownSub(*meter), 0);
    rig.push(2500);
    QCOMPARE(shownSub(*meter), 1);
    rig.memory.setOnline(true);
    QCOMPARE(shownSub(*meter), 0);

    // A worker thread's levels show once the GUI thread takes them.
    QVERIFY(runOnWorker([&] {
        for (int level = 0; level <= 3000; level += 7)
            rig.push(level);
    }));
    QCOMPARE(meter->shownIndex(), 0);
    QCOMPARE(shownSub(*meter), 1);

    // A new count opens every bound again before the list is read.
    meter->setnSubImages(2);
    QCOMPARE(meter->bounds(), (Bounds {0x800, 0xC00}));
    meter->setnSubImages(5);
    QCOMPARE(meter->bounds(), (Bounds {0x800, 0xC00, 0xFFFF, 0xFFFF, 0xFFFF}));

    // Bad counts and images are harmless.
    meter->setnSubImages(0);
    meter->setnSubImages(-4); // the same count again
    QCOMPARE(meter->nSubImages(), 1);
    meter->setnImageCategories(-1);
    QCOMPARE(meter->nImageCategories(), 1);
    QCOMPARE(meter->bounds(), Bounds {0x800});
    // One sub-image: every level shows it.
    rig.push(16383);
    QCOMPARE(shownSub(*meter), 0);

    // The list, set when the count was one, applies to a larger count. An image that does not
    // divide evenly, and one too small for its grid.
    meter->setnSubImages(3);
    QCOMPARE(meter->bounds(), (Bounds {0x800, 0xC00, 0xFFFF}));
    QPixmap uneven(Cell + 1, 3 * Cell + 2);
    uneven.fill(Qt::gray);
    meter->setCombinedImage(uneven);
    meter->adjustParams();
    QCOMPARE(meter->size(), QSize(Cell + 1, Cell));
    rig.push(3072);
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
    QCOMPARE(storedFor(rig.memory, *meter), 0);

    // Both grid directions, on a grid of 2 categories by 3 sub-images that is not square, so
    // a wrong cut shows; the other direction cuts the same picture differently.
    for (auto direction : {CPixmapMeter::ColImages, CPixmapMeter::RowImages}) {
        auto grid = rig.meter(3, QStringLiteral("800;C00"), 0, 2, direction);
        QCOMPARE(grid->size(), QSize(Cell, Cell));
        rig.push(2048);
        grid->setCurrentImage(1);
        QCOMPARE(shownSub(*grid, 1), 1);
        rig.push(3072);
        QCOMPARE(shownSub(*grid, 1), 2);
        const bool columns = direction == CPixmapMeter::ColImages;
        // Set as a form sets it.
        grid->setProperty(
                "subDirection",
                QVariant::fromValue(columns ? CPixmapMeter::RowImages : CPixmapMeter::ColImages));
        QCOMPARE(grid->size(),
                 columns ? QSize(Cell * 2 / 3, Cell * 3 / 2) : QSize(Cell * 3 / 2, Cell * 2 / 3));
    }
}

QTEST_MAIN(tst_PixmapMeter)
#include "tst_pixmapmeter.moc"
