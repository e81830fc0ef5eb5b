// The channel grid and its field remapping, driven with mouse and keys against the embedded
// memory.

#include "CGrid.h"
#include "TParamInfo.h"
#include "TRange.h"
#include "TestRig.h"

#include <QBuffer>
#include <QCursor>
#include <QDataStream>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

// Selection parameters (0 = none, n = field n - 1), bit masks, and two destinations for the
// multi-address mode.
const char kCatalogue[] = R"({
 "name": "Grid test console",
 "sections": [
  {"key": "kPatch", "element": 1, "channels": 64, "params": [
    {"key": "kSel", "id": 0, "min": 0, "max": 32, "default": 0}]},
  {"key": "kBus", "element": 2, "channels": 64, "params": [
    {"key": "kMask", "id": 0, "min": -2147483648, "max": 2147483647, "default": 0}]},
  {"key": "kDestA", "element": 3, "channels": 4, "params": [
    {"key": "kSrc", "id": 0, "min": 0, "max": 300, "default": 0}]},
  {"key": "kDestB", "element": 4, "channels": 4, "params": [
    {"key": "kSrc", "id": 0, "min": 0, "max": 300, "default": 0}]}
 ]
})";

constexpr int kPatch = 1;
constexpr int kBus = 2;
constexpr int kDestA = 3;
constexpr int kDestB = 4;
constexpr int kRows = 8;
constexpr int kCols = 10;
const QColor kBallColour(220, 20, 20);
const QColor kDisabledGrey(200, 200, 200);

// A ball whose corners go transparent under the heuristic mask.
QPixmap ball()
{
    QPixmap pm(7, 7);
    pm.fill(Qt::blue);
    QPainter p(&pm);
    p.fillRect(2, 2, 3, 3, kBallColour);
    return pm;
}

struct Rig
{
    explicit Rig(const char *address = "00kPatch/kSel", bool bound = true)
    {
        QString error;
        if (!memory.loadCatalogue(QByteArray(kCatalogue), &error))
            qFatal("catalogue: %s", qPrintable(error));
        grid = new CGrid(&host);
        grid->setHorCount(kRows);
        grid->setVerCount(kCols);
        grid->setBallImg(ball());
        grid->setNamedAddress(QString::fromLatin1(address));
        if (bound)
            memory.connectTree(&host, 0);
        host.resize(400, 300);
        host.show();
        QCoreApplication::processEvents();
    }
    int value(int e, int c) { return memory.getValue(e, 0, c); }
    void set(int e, int c, int v) { memory.setValue(e, 0, c, v, memory.sourceId(0) + 1); }
    QPoint centre(int row, int col) const { return grid->index2PixelRect(row, col).center(); }
    void click(int row, int col) { QTest::mouseClick(grid, Qt::LeftButton, {}, centre(row, col)); }
    QColor shown(int row, int col) const { return TestRig::colourAt(grid, centre(row, col)); }

    TParamMemory memory;
    QWidget host;
    CGrid *grid = nullptr;
};

} // namespace

class tst_Grid : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void rangeRemap_data();
    void rangeRemap();
    void defaultStyle();
    void sizeStrings_data();
    void sizeStrings();
    void selectionMode();
    void bitMask_data();
    void bitMask();
    void bitMaskClicks();
    void allField();
    void multiAddress();
    void addressLists();
    void pressAndReleaseElsewhere();
    void cancellingReceiver();
    void undoSteps();
    void copyAndPaste();
    void disabledRects();
    void keyboardCursor();
    void activation();
    void autoUpdateBurst();
    void withoutMemory();
    void outsideTheGrid();
};

void tst_Grid::rangeRemap_data()
{
    QTest::addColumn<QList<int>>("ranges"); // from, to pairs
    QTest::addColumn<int>("v");
    QTest::addColumn<int>("expected");
    QTest::newRow("none") << QList<int>() << 7 << 7;
    QTest::newRow("one, below") << QList<int> {10, 12} << 9 << 9;
    QTest::newRow("one, at start") << QList<int> {10, 12} << 10 << 13;
    QTest::newRow("one, above") << QList<int> {10, 12} << 20 << 23;
    // Walking past the first range adds its count too.
    QTest::newRow("two, first qualifies") << QList<int> {20, 21, 10, 12} << 25 << 27;
    QTest::newRow("two, second qualifies") << QList<int> {20, 21, 10, 12} << 15 << 20;
    QTest::newRow("two, neither") << QList<int> {20, 21, 10, 12} << 3 << 3;
    QTest::newRow("reversed ignored") << QList<int> {12, 10} << 15 << 15;
    QTest::newRow("16-bit wrap") << QList<int> {0, 9} << 65530 << 4;
}

void tst_Grid::rangeRemap()
{
    QFETCH(QList<int>, ranges);
    QFETCH(int, v);
    QFETCH(int, expected);
    TRange r;
    Rig rig;
    for (int i = 0; i + 1 < ranges.size(); i += 2) {
        r.removeRange(quint16(ranges.at(i)), quint16(ranges.at(i + 1)));
        rig.grid->removeFieldRange(ranges.at(i), ranges.at(i + 1));
    }
    QCOMPARE(int(r.lookupValue(quint16(v))), expected);
    QCOMPARE(rig.grid->fieldToValue(v), expected);
}

void tst_Grid::defaultStyle()
{
    CGrid grid;
    QCOMPARE(grid.size(), QSize(230, 238));
    QCOMPARE(grid.gridWidth(0), 1);
    QCOMPARE(grid.gridWidth(1), 2);
    QCOMPARE(grid.gridWidth(14), 1);
    QCOMPARE(grid.gridHeight(3), 2);
    grid.setCursorThickness(1);
    grid.setCursorThickness(10);
    QCOMPARE(grid.cursorThickness(), 3);
    grid.setCursorThickness(9);
    QCOMPARE(grid.cursorThickness(), 9);
    // Counts reapply the style until a size string is set.
    grid.setVerCount(3);
    QCOMPARE(grid.size(), QSize(13 * 3 + 1 + 2, 238));
    grid.setGridHeights(QStringLiteral("3"));
    grid.setVerCount(5);
    QCOMPARE(grid.gridWidth(3), 1);
    QCOMPARE(grid.gridHeight(0), 3);
    QCOMPARE(grid.gridHeight(1), 1);
    QCOMPARE(grid.pixelToIndexX(12), 0);
    QCOMPARE(grid.pixelToIndexX(13), 1);
    QCOMPARE(grid.pixelToIndexX(10000), 5);
    grid.setHorCount(-1);
    QCOMPARE(grid.rows(), 16);
    grid.setHorCount(0);
    QCOMPARE(grid.size(), QSize(grid.width(), 0));
    QCOMPARE(grid.rows(), 0);
}

void tst_Grid::sizeStrings_data()
{
    QTest::addColumn<QString>("widths");
    QTest::addColumn<QString>("gridWidths");
    QTest::addColumn<QList<int>>("expectedWidths");
    QTest::addColumn<QList<int>>("expectedGrid");
    QTest::newRow("empty piece and out of range")
            << "20,,60"
            << "" << QList<int> {20, 13, 13, 13} << QList<int> {1, 1, 1, 1};
    QTest::newRow("spaces and bounds")
            << " 2 , 50 ,51, 1"
            << "10 ,11, 0,2" << QList<int> {2, 50, 13, 13} << QList<int> {10, 1, 1, 2};
    QTest::newRow("garbage and negatives")
            << "x,-5,7abc,+9"
            << "-1,;,3" << QList<int> {13, 13, 7, 9} << QList<int> {1, 1, 3, 1};
}

void tst_Grid::sizeStrings()
{
    QFETCH(QString, widths);
    QFETCH(QString, gridWidths);
    QFETCH(QList<int>, expectedWidths);
    QFETCH(QList<int>, expectedGrid);
    CGrid grid;
    grid.setVerCount(4);
    grid.setCellWidths(widths);
    grid.setGridWidths(gridWidths);
    int right = 0;
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(grid.cellWidth(i), expectedWidths.at(i));
        QCOMPARE(grid.gridWidth(i), expectedGrid.at(i));
        right += expectedWidths.at(i) + (i < 3 ? expectedGrid.at(i) : 0);
    }
    QCOMPARE(grid.width(), right);
    grid.setVerCount(6);
    QCOMPARE(grid.cellWidth(5), 13);
}

// Value 3 (field 2) shows one ball; clicking its cell disconnects, another cell connects.
void tst_Grid::selectionMode()
{
    Rig rig;
    rig.set(kPatch, 4, 3);
    QCoreApplication::processEvents();
    for (int col = 0; col < kCols; ++col)
        QCOMPARE(rig.shown(4, col) == kBallColour, col == 2);
    QCOMPARE(rig.shown(3, 2), QColor(Qt::white));
    QSignalSpy patched(rig.grid, &CGrid::patchUpdated);
    rig.click(4, 2);
    QCOMPARE(rig.value(kPatch, 4), 0);
    rig.click(4, 5);
    QCOMPARE(rig.value(kPatch, 4), 6);
    QCOMPARE(patched.count(), 2);
    QCOMPARE(patched.at(1).at(0).toInt(), 4);
    QCOMPARE(patched.at(1).at(1).toInt(), 5);
    QVERIFY(rig.shown(4, 5) == kBallColour && rig.shown(4, 2) != kBallColour);
    for (int c = 0; c < kRows; ++c)
        QCOMPARE(rig.value(kPatch, c), c == 4 ? 6 : 0);
    // Removed fields shift the values of the fields after them.
    rig.grid->removeFieldRange(1, 2);
    rig.click(1, 3);
    QCOMPARE(rig.value(kPatch, 1), 6);
    QCOMPARE(rig.grid->getValue(1), 6);
}

void tst_Grid::bitMask_data()
{
    QTest::addColumn<QString>("order");
    QTest::addColumn<int>("groupIndexStart");
    QTest::addColumn<int>("channel");
    QTest::addColumn<int>("field");
    QTest::addColumn<quint32>("mask");
    const QString order = QStringLiteral(" 0, 7 : 3, 2 ,1, 0 ");
    QTest::newRow("plain field 4") << QString() << 1 << 0 << 4 << quint32(16);
    QTest::newRow("order field 0") << order << 1 << 1 << 0 << quint32(8);
    QTest::newRow("order field 3") << order << 1 << 7 << 3 << quint32(1);
    QTest::newRow("order field 4 own") << order << 1 << 7 << 4 << quint32(16);
    QTest::newRow("order other channel") << order << 1 << 8 << 0 << quint32(1);
    QTest::newRow("reversed range never matches") << "7,0:5" << 1 << 3 << 0 << quint32(1);
    QTest::newRow("first matching record wins") << "0,3:6;0,7:9" << 1 << 2 << 0 << quint32(64);
    QTest::newRow("garbage skipped") << "x,1:2;;0,7;0,7:1:2;:;(0,7):5" << 1 << 0 << 1 << quint32(2);
    QTest::newRow("negative bit") << "0,7:-1" << 1 << 0 << 0 << quint32(0);
    QTest::newRow("below bit 0") << QString() << 0 << 0 << 0 << quint32(0);
    QTest::newRow("bit 32") << QString() << 33 << 0 << 0 << quint32(0);
    QTest::newRow("bit 64 wraps") << QString() << 65 << 0 << 0 << quint32(1);
    QTest::newRow("bit 95 wraps") << QString() << 96 << 0 << 0 << quint32(0x80000000u);
    QTest::newRow("huge bit wraps") << "0,7:2147483647" << 2 << 0 << 0 << quint32(1);
    // 40 bit numbers: the 32 first count.
    QTest::newRow("more than 32 listed")
            << QStringLiteral("0,7:") + QStringLiteral("30,").repeated(39) + QStringLiteral("30")
            << 1 << 0 << 31 << quint32(1u << 30);
    QTest::newRow("field past the record")
            << QStringLiteral("0,7:") + QStringLiteral("30,").repeated(39) + QStringLiteral("30")
            << 1 << 0 << 40 << quint32(0);
}

void tst_Grid::bitMask()
{
    QFETCH(QString, order);
    QFETCH(int, groupIndexStart);
    QFETCH(int, channel);
    QFETCH(int, field);
    QFETCH(quint32, mask);
    CGrid grid;
    grid.setBitOrder(order);
    grid.setGroupIndexStart(groupIndexStart);
    QCOMPARE(grid.getMemApiBitMask(channel, field), mask);
}

void tst_Grid::bitMaskClicks()
{
    Rig rig("00kBus/kMask");
    rig.grid->setValueAsBitMask(true);
    rig.click(2, 4);
    QCOMPARE(rig.value(kBus, 2), 16);
    QCOMPARE(rig.shown(2, 4), kBallColour);
    rig.click(2, 1);
    QCOMPARE(rig.value(kBus, 2), 18);
    rig.click(2, 4);
    QCOMPARE(rig.value(kBus, 2), 2);
    rig.grid->setBitOrder(QStringLiteral("0, 7:3, 2, 1, 0"));
    rig.click(5, 0);
    QCOMPARE(rig.value(kBus, 5), 8);
    QCOMPARE(rig.shown(5, 0), kBallColour);
    QVERIFY(rig.shown(5, 3) != kBallColour);
}

// The "all" field replaces single connections and is cleared by any of them.
void tst_Grid::allField()
{
    Rig rig("00kBus/kMask");
    rig.grid->setValueAsBitMask(true);
    rig.grid->setAllFieldIndex(9);
    rig.set(kBus, 1, 0b110);
    rig.click(1, 9);
    QCOMPARE(rig.value(kBus, 1), 1 << 9);
    rig.click(1, 3);
    QCOMPARE(rig.value(kBus, 1), 1 << 3);
    rig.click(1, 9);
    rig.click(1, 9);
    QCOMPARE(rig.value(kBus, 1), 0);

    QSignalSpy patched(rig.grid, &CGrid::patchUpdated);
    const int depth = rig.memory.undoDepth();
    rig.set(kBus, 6, 1);
    rig.grid->setAllChannelsForField(2, true);
    for (int c = 0; c < kRows; ++c)
        QCOMPARE(rig.value(kBus, c) & 4, 4);
    QCOMPARE(rig.value(kBus, 6), 5);
    QCOMPARE(patched.count(), kRows);
    QCOMPARE(rig.memory.undoDepth(), depth + 1);
    rig.grid->setAllChannelsForField(2, false);
    QCOMPARE(rig.value(kBus, 6), 1);
    QVERIFY(rig.memory.undo());
    QCOMPARE(rig.value(kBus, 6), 5);

    patched.clear();
    rig.grid->setAllFieldsForChannel(3, 1);
    QCOMPARE(rig.value(kBus, 3), -1);
    QCOMPARE(patched.count(), kCols);
    QVERIFY(patched.at(0).at(2).toBool());
    rig.grid->clearAll();
    for (int c = 0; c < kRows; ++c)
        QCOMPARE(rig.value(kBus, c), 0);
}

// Each field its own parameter holding the (swapped) channel plus an offset.
void tst_Grid::multiAddress()
{
    Rig rig;
    rig.grid->setHorCount(6);
    rig.grid->appendAddress(kDestA, 0, 1, 10, 100);
    rig.grid->appendAddress(kDestB, 0, 2, 20, 0);
    rig.grid->appendAddress(99, 0, 0, 0, 0); // no such parameter
    rig.click(2, 0);
    QCOMPARE(rig.value(kDestA, 1), 12);
    QCOMPARE(rig.shown(2, 0), kBallColour);
    QVERIFY(rig.shown(3, 0) != kBallColour);
    QCOMPARE(rig.grid->getValue(0), 2);
    rig.click(2, 0);
    QCOMPARE(rig.value(kDestA, 1), 0);
    // The threshold is 65535 until set: no alternative offset.
    rig.click(5, 0);
    QCOMPARE(rig.value(kDestA, 1), 15);
    rig.grid->setAltChannelThreshold(4);
    QVERIFY(rig.shown(5, 0) != kBallColour);
    rig.click(5, 0);
    QCOMPARE(rig.value(kDestA, 1), 105);
    QCOMPARE(rig.grid->getValue(0, true), 95);
    rig.click(5, 1);
    QCOMPARE(rig.value(kDestB, 2), 25);
    rig.grid->swapChannels(1, 7, 3, 9);
    rig.click(1, 1);
    QCOMPARE(rig.value(kDestB, 2), 23);
    QCOMPARE(rig.shown(1, 1), kBallColour);
    QVERIFY(rig.shown(3, 1) != kBallColour);
    // Read back: reverse-swapped, less the offset.
    rig.set(kDestB, 2, 27);
    QCOMPARE(rig.grid->getValue(1), 27 - 20);
    rig.set(kDestB, 2, 9);
    QCOMPARE(rig.grid->getValue(1), 7 - 20);
    // A write the memory refuses is no connection change.
    QSignalSpy patched(rig.grid, &CGrid::patchUpdated);
    rig.click(0, 2);
    QCOMPARE(patched.count(), 0);
    rig.click(0, 5); // past the table
    QCOMPARE(patched.count(), 0);
}

void tst_Grid::addressLists()
{
    Rig rig("0400kPatch/kSel;0400kBus/kMask");
    int index = 0;
    const TAddressRecord *a = rig.grid->lookupAddress(2, &index);
    QVERIFY(a);
    QCOMPARE(int(a->element), kPatch);
    QCOMPARE(index, 2);
    a = rig.grid->lookupAddress(5, &index);
    QVERIFY(a);
    QCOMPARE(int(a->element), kBus);
    QCOMPARE(index, 1); // (5 - 4) * (4 / (8 - 4))
    QVERIFY(!rig.grid->lookupAddress(8, &index));
    QCOMPARE(index, -1);
    rig.click(5, 3);
    QCOMPARE(rig.value(kBus, 1), 4);
    rig.click(1, 3);
    QCOMPARE(rig.value(kPatch, 1), 4);
}

void tst_Grid::pressAndReleaseElsewhere()
{
    Rig rig;
    QTest::mousePress(rig.grid, Qt::LeftButton, {}, rig.centre(1, 1));
    QTest::mouseRelease(rig.grid, Qt::LeftButton, {}, rig.centre(1, 2));
    QCOMPARE(rig.value(kPatch, 1), 0);
    QTest::mouseClick(rig.grid, Qt::RightButton, {}, rig.centre(1, 2));
    QCOMPARE(rig.value(kPatch, 1), 0);
}

void tst_Grid::cancellingReceiver()
{
    Rig rig;
    QSignalSpy patched(rig.grid, &CGrid::patchUpdated);
    QList<QList<int>> asked;
    bool cancel = true;
    connect(rig.grid, &CGrid::aboutToChangeValue, this,
            [&](CGrid *g, int channel, int field, int value) {
                asked.append({channel, field, value});
                if (cancel)
                    g->setChangeOperationCancelled(true);
            });
    const int depth = rig.memory.undoDepth();
    rig.click(3, 4);
    QCOMPARE(rig.value(kPatch, 3), 0);
    QCOMPARE(patched.count(), 0);
    QCOMPARE(rig.memory.undoDepth(), depth);
    QCOMPARE(asked, (QList<QList<int>> {{3, 4, 5}}));
    // The flag was reset: the next change goes through.
    cancel = false;
    rig.click(3, 4);
    QCOMPARE(rig.value(kPatch, 3), 5);
    QCOMPARE(patched.count(), 1);
}

void tst_Grid::undoSteps()
{
    Rig rig("00kBus/kMask");
    rig.grid->setValueAsBitMask(true);
    rig.set(kBus, 2, 0b101010);
    rig.click(2, 0);
    QCOMPARE(rig.value(kBus, 2), 0b101011);
    QVERIFY(rig.memory.undo());
    QCOMPARE(rig.value(kBus, 2), 0b101010);
    const int depth = rig.memory.undoDepth();
    QSignalSpy patched(rig.grid, &CGrid::patchUpdated);
    rig.grid->clearRow(2);
    QCOMPARE(rig.value(kBus, 2), 0);
    QCOMPARE(patched.count(), 3); // only the lit cells
    QCOMPARE(rig.memory.undoDepth(), depth + 1);
    QVERIFY(rig.memory.undo());
    QCOMPARE(rig.value(kBus, 2), 0b101010);
    QCOMPARE(rig.memory.undoDepth(), depth);
}

void tst_Grid::copyAndPaste()
{
    Rig rig;
    rig.set(kPatch, 2, 7);
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QDataStream out(&buffer);
        rig.grid->copyParameters(&out, (2u << 16) | 3u);
        rig.grid->copyParameters(&out, (99u << 16) | 3u); // outside: writes nothing
    }
    {
        QDataStream in(bytes);
        const TParamInfoReader record(&in);
        QVERIFY(record.isValid());
        QCOMPARE(record.element(), kPatch);
        QCOMPARE(record.channel(), 2);
        QCOMPARE(record.value(), 7);
        QVERIFY(!TParamInfoReader(&in).isValid());
    }
    // Pasted onto another channel's cell.
    QDataStream in(bytes);
    rig.grid->process(TMemProxy::dataFromStream(&in), 2, (5u << 16) | 0u);
    QCOMPARE(rig.value(kPatch, 5), 7);
    QCOMPARE(rig.shown(5, 6), kBallColour);
    // Truncated streams, no stream and cells outside write nothing.
    for (int cut = 0; cut < bytes.size(); ++cut) {
        QDataStream partial(bytes.left(cut));
        rig.grid->process(TMemProxy::dataFromStream(&partial), 2, (6u << 16) | 0u);
    }
    rig.grid->process(nullptr, 2, (6u << 16) | 0u);
    QDataStream outside(bytes);
    rig.grid->process(TMemProxy::dataFromStream(&outside), 2, (6u << 16) | 40u);
    QCOMPARE(rig.value(kPatch, 6), 0);
}

void tst_Grid::disabledRects()
{
    Rig rig;
    rig.grid->setDisabledRects(QStringLiteral(
            "(2,1,3,2); bad; (1,1,1) ;(4,4,1,1)x; ( 0 , 5 , 1 , 1 );(-1,0,1,1);(60000,60000,9,9)"));
    rig.set(kPatch, 1, 3);
    rig.set(kPatch, 5, 1);
    rig.set(kPatch, 4, 5);
    QCoreApplication::processEvents();
    QCOMPARE(rig.shown(1, 2), kDisabledGrey);
    QCOMPARE(rig.shown(5, 0), kDisabledGrey);
    QCOMPARE(rig.shown(2, 4), kDisabledGrey);
    QCOMPARE(rig.shown(4, 4), kBallColour); // "x" after the parenthesis: not a rectangle
    QCOMPARE(rig.shown(1, 1), QColor(Qt::white));
    rig.click(1, 2);
    rig.click(2, 3);
    rig.click(5, 0);
    QCOMPARE(rig.value(kPatch, 1), 3);
    QCOMPARE(rig.value(kPatch, 2), 0);
    QCOMPARE(rig.value(kPatch, 5), 1);
    rig.click(1, 5);
    QCOMPARE(rig.value(kPatch, 1), 6);
    // Pixel rectangles were computed when set: wider cells later do not move them.
    rig.grid->setCellWidths(QStringLiteral("30,30,30"));
    QCOMPARE(rig.grid->grab().toImage().pixelColor(2 * 14 + 1, rig.centre(1, 0).y()),
             kDisabledGrey);
}

void tst_Grid::keyboardCursor()
{
    Rig rig;
    rig.grid->setFocus();
    QSignalSpy moved(rig.grid, &CGrid::cursorMoved);
    QSignalSpy kbMoved(rig.grid, &CGrid::kbCursorMoved);
    QTest::keyClick(rig.grid, Qt::Key_Right);
    QCOMPARE(kbMoved.last(), (QList<QVariant> {0, 0}));
    QTest::keyClick(rig.grid, Qt::Key_Left);
    QCOMPARE(kbMoved.last(), (QList<QVariant> {0, 0}));
    for (int i = 0; i < kRows + 3; ++i)
        QTest::keyClick(rig.grid, Qt::Key_Down);
    QTest::keyClick(rig.grid, Qt::Key_Right);
    QCOMPARE(kbMoved.last(), (QList<QVariant> {1, kRows - 1}));
    QCOMPARE(moved.count(), kbMoved.count());
    QCOMPARE(moved.last(), kbMoved.last());
    QTest::keyClick(rig.grid, Qt::Key_Up);
    QTest::keyClick(rig.grid, Qt::Key_Space);
    QCOMPARE(rig.value(kPatch, kRows - 2), 2);
    QTest::keyClick(rig.grid, Qt::Key_Return);
    QCOMPARE(rig.value(kPatch, kRows - 2), 0);
    QTest::keyClick(rig.grid, Qt::Key_Enter);
    QCOMPARE(rig.value(kPatch, kRows - 2), 2);
    QVERIFY(rig.memory.undo());
    QCOMPARE(rig.value(kPatch, kRows - 2), 0);
    // The mouse cursor: a move into another cell reports it once.
    moved.clear();
    QTest::mouseMove(rig.grid, rig.centre(3, 7));
    QTest::mouseMove(rig.grid, rig.centre(3, 7) + QPoint(1, 1));
    QCOMPARE(moved.count(), 1);
    QCOMPARE(moved.last(), (QList<QVariant> {7, 3}));
}

// The keyboard cursor goes with the window's activation and comes back only under the mouse.
void tst_Grid::activation()
{
    Rig rig;
    QWidget other;
    other.show();
    rig.host.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&rig.host));
    rig.grid->setFocus();
    // The pointer may rest anywhere: it leaves the grid.
    QCursor::setPos(QPoint(3000, 3000));
    QCoreApplication::processEvents();
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(rig.grid, &leave);
    QTest::keyClick(rig.grid, Qt::Key_Down);
    QTest::keyClick(rig.grid, Qt::Key_Down);
    auto red = [&] { return rig.shown(1, 5) == QColor(Qt::red); };
    QVERIFY(red());
    QSignalSpy off(rig.grid, &CGrid::cursorOff);
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    QVERIFY(!red());
    rig.host.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&rig.host));
    QCOMPARE(off.count(), 1);
    QVERIFY(!red());
    // Regained with the mouse over the grid: the cursor stays.
    QTest::keyClick(rig.grid, Qt::Key_Up);
    QEnterEvent enter(rig.centre(0, 0), rig.centre(0, 0), rig.grid->mapToGlobal(rig.centre(0, 0)));
    QCoreApplication::sendEvent(rig.grid, &enter);
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    rig.host.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&rig.host));
    QCOMPARE(off.count(), 1);
    QCOMPARE(rig.shown(0, 5), QColor(Qt::red));
}

// 1000 writes over 64 channels from a worker thread: one repaint, the last values shown.
void tst_Grid::autoUpdateBurst()
{
    Rig rig("00kPatch/kSel", false);
    rig.grid->setHorCount(64);
    rig.grid->setAutoUpdates(true);
    rig.memory.connectTree(&rig.host, 0);
    QTest::qWait(30);
    const int before = rig.grid->repaintCount();
    QVERIFY(TestRig::runOnWorker([&] {
        for (int i = 0; i < 1000; ++i)
            rig.memory.setValue(kPatch, 0, i % 64, 1 + i % 7, rig.memory.sourceId(0) + 1);
    }));
    QTest::qWait(40);
    QCOMPARE(rig.grid->repaintCount(), before + 1);
    const QImage image = rig.grid->grab().toImage();
    for (int c : {0, 13, 63}) {
        const int last = c + 64 * ((999 - c) / 64); // the channel's last write
        const int field = last % 7;
        QCOMPARE(image.pixelColor(rig.centre(c, field)), kBallColour);
        QCOMPARE(rig.grid->getValue(c), field + 1);
    }
    QCOMPARE(rig.grid->repaintCount(), before + 1);
    // Off again: writes to other channels do not reach the grid.
    rig.grid->setAutoUpdates(false);
    QTest::qWait(20);
    const int quiet = rig.grid->repaintCount();
    rig.set(kPatch, 9, 2);
    QTest::qWait(30);
    QCOMPARE(rig.grid->repaintCount(), quiet);
}

void tst_Grid::withoutMemory()
{
    CGrid grid;
    grid.setBallImg(ball());
    grid.setNamedAddress(QStringLiteral("00kPatch/kSel"));
    grid.show();
    QSignalSpy patched(&grid, &CGrid::patchUpdated);
    QTest::mouseClick(&grid, Qt::LeftButton, {}, grid.index2PixelRect(1, 1).center());
    grid.clearRow(1);
    grid.setAllFieldsForChannel(1, 1);
    grid.setAllChannelsForField(1, true);
    QCOMPARE(patched.count(), 0);
    QCOMPARE(grid.getValue(1), -1);
    QCOMPARE(grid.valueAt(1, 1), 0);
    int index = 0;
    QVERIFY(!grid.lookupAddress(1, &index));
    QCOMPARE(index, -1);
    grid.appendAddress(kDestA, 0, 0, 0, 0);
    QCOMPARE(TestRig::colourAt(&grid, grid.index2PixelRect(1, 1).center()), QColor(Qt::white));
}

// Cells, channels and fields outside the grid: nothing happens.
void tst_Grid::outsideTheGrid()
{
    Rig rig("00kBus/kMask");
    rig.grid->setValueAsBitMask(true);
    QSignalSpy patched(rig.grid, &CGrid::patchUpdated);
    rig.grid->clearRow(-1);
    rig.grid->clearRow(kRows);
    rig.grid->setAllChannelsForField(kCols, true);
    rig.grid->setAllChannelsForField(-1, true);
    rig.grid->setAllFieldsForChannel(kRows, 1);
    rig.grid->setAllFieldsForChannel(-2, 1);
    rig.grid->process(nullptr, 3, 0xFFFFFFFFu);
    rig.grid->removeFieldRange(5, 3);
    rig.grid->removeFieldRange(-4, 3);
    QCOMPARE(rig.grid->fieldToValue(4), 4);
    QCOMPARE(rig.grid->valueAt(kRows, 0), 0);
    QCOMPARE(rig.grid->valueAt(0, -1), 0);
    QTest::mouseClick(rig.grid, Qt::LeftButton, {}, QPoint(rig.grid->width() - 1, 2));
    QCOMPARE(patched.count(), 1); // the last column's edge is its cell
    rig.grid->setVerCount(0);
    QTest::keyClick(rig.grid, Qt::Key_Right);
    QTest::keyClick(rig.grid, Qt::Key_Space);
    QCOMPARE(patched.count(), 1);
    for (int c = 0; c < kRows; ++c)
        QCOMPARE(rig.value(kBus, c), c == 0 ? 1 << (kCols - 1) : 0);
}

QTEST_MAIN(tst_Grid)
#include "tst_grid.moc"
