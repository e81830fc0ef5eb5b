// The channel grid and its field remapping, driven with mouse and keys against the embedded
// memory.

#include "CGrid.h"
#include "TRange.h"
#include "TestRig.h"

#include <QCursor>

namespace {

// Selection parameters (0 = none, n = field n - 1), bit masks, and two destinations for the
// multi-address mode.
const char kCatalogue[] = R"({"name": "Grid test console", "sections": [
 {"key": "kPatch", "element": 1, "channels": 64, "params": [{"key": "kSel", "id": 0, "min": 0, "max": 32}]},
 {"key": "kBus", "element": 2, "channels": 64,
  "params": [{"key": "kMask", "id": 0, "min": -2147483648, "max": 2147483647}]},
 {"key": "kDestA", "element": 3, "channels": 4, "params": [{"key": "kSrc", "id": 0, "min": 0, "max": 300}]},
 {"key": "kDestB", "element": 4, "channels": 4, "params": [{"key": "kSrc", "id": 0, "min": 0, "max": 300}]}]})";

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

// A grid of kRows channels by kCols fields on the console, bound to address.
struct Rig : TestRig::Console
{
    explicit Rig(const char *address = "00kPatch/kSel", int rows = kRows)
        : Console(kCatalogue)
    {
        grid = new CGrid(&host);
        grid->setHorCount(rows);
        grid->setVerCount(kCols);
        grid->setBallImg(ball());
        if (!loaded || !bind(grid, address))
            qFatal("the grid is not bound to %s", address);
    }
    int value(int e, int c) { return memory.getValue(e, 0, c); }
    void set(int e, int c, int v) { memory.setValue(e, 0, c, v, memory.sourceId(0) + 1); }
    QPoint centre(int row, int col) const { return grid->index2PixelRect(row, col).center(); }
    // Clicks a cell; what the memory then holds for its row's channel (or channel c of e).
    int click(int row, int col, int e = -1, int c = -1)
    {
        QTest::mouseClick(grid, Qt::LeftButton, {}, centre(row, col));
        return value(e < 0 ? grid->element() : e, c < 0 ? row : c);
    }
    QColor shown(int row, int col) const { return TestRig::colourAt(grid, centre(row, col)); }

    CGrid *grid = nullptr;
};

} // namespace

class tst_Grid : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void withoutMemory();
    void selectionScenario();
    void bitMaskScenario();
    void multiAddressAndLists();
    void activation();
    void autoUpdateBurst();
};

// Removed field ranges, size strings, the default style; without a memory, clicks and
// commands change nothing.
void tst_Grid::withoutMemory()
{
    // Ranges (from, to pairs) removed from the fields: the value a field stands for. Walking
    // past the first range adds its count too; reversed ranges are ignored; values are 16-bit.
    const struct
    {
        QList<int> ranges;
        int field, value;
    } remaps[] = {{QList<int>(), 7, 7},     {{10, 12}, 9, 9},           {{10, 12}, 10, 13},
                  {{10, 12}, 20, 23},       {{20, 21, 10, 12}, 25, 27}, {{20, 21, 10, 12}, 15, 20},
                  {{20, 21, 10, 12}, 3, 3}, {{12, 10}, 15, 15},         {{0, 9}, 65530, 4}};
    for (const auto &remap : remaps) {
        TRange r;
        CGrid grid;
        for (int i = 0; i + 1 < remap.ranges.size(); i += 2) {
            r.removeRange(quint16(remap.ranges.at(i)), quint16(remap.ranges.at(i + 1)));
            grid.removeFieldRange(remap.ranges.at(i), remap.ranges.at(i + 1));
        }
        QCOMPARE(int(r.lookupValue(quint16(remap.field))), remap.value);
        QCOMPARE(grid.fieldToValue(remap.field), remap.value);
    }

    // Cell and grid widths from strings: empty pieces, out of range, spaces, garbage and
    // negatives give the default (13, 1); the width follows.
    const struct
    {
        QString widths, gridWidths;
        QList<int> cells, lines;
    } sizes[] = {{"20,,60", "", {20, 13, 13, 13}, {1, 1, 1, 1}},
                 {" 2 , 50 ,51, 1", "10 ,11, 0,2", {2, 50, 13, 13}, {10, 1, 1, 2}},
                 {"x,-5,7abc,+9", "-1,;,3", {13, 13, 7, 9}, {1, 1, 3, 1}}};
    for (const auto &size : sizes) {
        CGrid grid;
        grid.setVerCount(4);
        grid.setCellWidths(size.widths);
        grid.setGridWidths(size.gridWidths);
        int right = 0;
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(grid.cellWidth(i), size.cells.at(i));
            QCOMPARE(grid.gridWidth(i), size.lines.at(i));
            right += size.cells.at(i) + (i < 3 ? size.lines.at(i) : 0);
        }
        QCOMPARE(grid.width(), right);
        grid.setVerCount(6);
        QCOMPARE(grid.cellWidth(5), 13);
    }

    // The bit a field sets: its own, or from the first record of the bit order naming the
    // channel; bits past 31 wrap at 64; malformed records are skipped; 32 bits per record.
    const QString order = QStringLiteral(" 0, 7 : 3, 2 ,1, 0 ");
    const QString many = QStringLiteral("0,7:") + QStringLiteral("30,").repeated(39) + "30";
    const QString garbage = QStringLiteral("x,1:2;;0,7;0,7:1:2;:;(0,7):5");
    const QString none;
    const struct
    {
        QString order;
        int groupIndexStart, channel, field;
        quint32 mask;
    } bits[] = {{none, 1, 0, 4, 16},           {order, 1, 1, 0, 8},
                {order, 1, 7, 3, 1},           {order, 1, 7, 4, 16},
                {order, 1, 8, 0, 1},           {"7,0:5", 1, 3, 0, 1},
                {"0,3:6;0,7:9", 1, 2, 0, 64},  {garbage, 1, 0, 1, 2},
                {"0,7:-1", 1, 0, 0, 0},        {none, 0, 0, 0, 0},
                {none, 33, 0, 0, 0},           {none, 65, 0, 0, 1},
                {none, 96, 0, 0, 0x80000000u}, {"0,7:2147483647", 2, 0, 0, 1},
                {many, 1, 0, 31, 0x40000000u}, {many, 1, 0, 40, 0}};
    for (const auto &bit : bits) {
        CGrid grid;
        grid.setBitOrder(bit.order);
        grid.setGroupIndexStart(bit.groupIndexStart);
        QCOMPARE(grid.getMemApiBitMask(bit.channel, bit.field), bit.mask);
    }

    CGrid grid;
    QCOMPARE(grid.size(), QSize(230, 238));
    QCOMPARE(grid.gridWidth(0), 1);
    QCOMPARE(grid.gridWidth(1), 2);
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

    grid.setBallImg(ball());
    grid.setNamedAddress(QStringLiteral("00kPatch/kSel"));
    grid.show();
    QSignalSpy patched(&grid, &CGrid::patchUpdated);
    QTest::mouseClick(&grid, Qt::LeftButton, {}, grid.index2PixelRect(1, 1).center());
    grid.clearRow(1);
    grid.setAllFieldsForChannel(1, 1);
    grid.setAllChannelsForField(1, true);
    QCOMPARE(patched.count(), 0);
    QVERIFY(grid.getValue(1) == -1 && grid.valueAt(1, 1) == 0);
    grid.appendAddress(kDestA, 0, 0, 0, 0);
    QCOMPARE(TestRig::colourAt(&grid, grid.index2PixelRect(1, 1).center()), QColor(Qt::white));
    grid.setHorCount(0);
    QCOMPARE(grid.size(), QSize(grid.width(), 0));
    QCOMPARE(grid.rows(), 0);
}

// One selection grid: the keyboard cursor, clicks that connect and disconnect, a press released
// elsewhere, a receiver that cancels, copy and paste between cells, disabled rectangles, removed
// fields.
void tst_Grid::selectionScenario()
{
    Rig rig;
    CGrid *grid = rig.grid;
    QSignalSpy patched(grid, &CGrid::patchUpdated);
    // Value 3 (field 2) shows one ball; clicking its cell disconnects, another cell connects.
    rig.set(kPatch, 4, 3);
    grid->process(nullptr, 0, 0); // the memory's notification of its address: all rows re-read
    for (int col = 0; col < kCols; ++col)
        QCOMPARE(rig.shown(4, col) == kBallColour, col == 2);
    QCOMPARE(rig.click(4, 2), 0);
    QCOMPARE(rig.click(4, 5), 6);
    QCOMPARE(patched.count(), 2);
    QCOMPARE(patched.at(1).mid(0, 2), (QList<QVariant> {4, 5}));
    QVERIFY(rig.shown(4, 5) == kBallColour && rig.shown(4, 2) != kBallColour);
    for (int c = 0; c < kRows; ++c)
        QCOMPARE(rig.value(kPatch, c), c == 4 ? 6 : 0);
    grid->setFocus();
    QSignalSpy moved(grid, &CGrid::cursorMoved);
    QSignalSpy kbMoved(grid, &CGrid::kbCursorMoved);
    QTest::keyClick(grid, Qt::Key_Right);
    QCOMPARE(kbMoved.last(), (QList<QVariant> {0, 0}));
    QTest::keyClick(grid, Qt::Key_Left);
    QCOMPARE(kbMoved.last(), (QList<QVariant> {0, 0}));
    for (int i = 0; i < kRows + 3; ++i)
        QTest::keyClick(grid, Qt::Key_Down);
    QTest::keyClick(grid, Qt::Key_Right);
    QCOMPARE(kbMoved.last(), (QList<QVariant> {1, kRows - 1}));
    QVERIFY(moved.count() == kbMoved.count() && moved.last() == kbMoved.last());
    QTest::keyClick(grid, Qt::Key_Up);
    for (const auto &[key, value] :
         {std::pair {Qt::Key_Space, 2}, {Qt::Key_Return, 0}, {Qt::Key_Enter, 2}}) {
        QTest::keyClick(grid, key);
        QCOMPARE(rig.value(kPatch, kRows - 2), value);
    }
    QVERIFY(rig.memory.undo());
    QCOMPARE(rig.value(kPatch, kRows - 2), 0);
    // The mouse cursor: a move into another cell reports it once.
    moved.clear();
    QTest::mouseMove(grid, rig.centre(3, 7));
    QTest::mouseMove(grid, rig.centre(3, 7) + QPoint(1, 1));
    QCOMPARE(moved.count(), 1);
    QCOMPARE(moved.last(), (QList<QVariant> {7, 3}));

    // A press released in another cell, and a right click, do nothing.
    QTest::mousePress(grid, Qt::LeftButton, {}, rig.centre(1, 1));
    QTest::mouseRelease(grid, Qt::LeftButton, {}, rig.centre(1, 2));
    QTest::mouseClick(grid, Qt::RightButton, {}, rig.centre(1, 2));
    QCOMPARE(rig.value(kPatch, 1), 0);

    // A receiver asked before the change cancels it: no write, no signal, no undo step; the
    // flag is reset, so the next change goes through.
    QList<QList<int>> asked;
    bool cancel = true;
    connect(grid, &CGrid::aboutToChangeValue, this,
            [&](CGrid *g, int channel, int field, int value) {
                asked.append({channel, field, value});
                if (cancel)
                    g->setChangeOperationCancelled(true);
            });
    patched.clear();
    const int depth = rig.memory.undoDepth();
    QCOMPARE(rig.click(3, 4), 0);
    QVERIFY(patched.isEmpty() && rig.memory.undoDepth() == depth);
    QCOMPARE(asked, (QList<QList<int>> {{3, 4, 5}}));
    cancel = false;
    QCOMPARE(rig.click(3, 4), 5);
    QCOMPARE(patched.count(), 1);

    // A cell's copy is one record (none outside); pasted onto another channel's cell. Truncated
    // streams, no stream and cells outside write nothing.
    rig.set(kPatch, 7, 7);
    const TParamInfo copy = TestRig::copied(*grid, (7u << 16) | 3u);
    QVERIFY(copy.element == kPatch && copy.channel == 7 && copy.value == 7);
    QCOMPARE(TestRig::copied(*grid, (99u << 16) | 3u).element, -1);
    TestRig::paste(*grid, {copy}, 5u << 16);
    QCOMPARE(rig.value(kPatch, 5), 7);
    QCOMPARE(rig.shown(5, 6), kBallColour);
    const QByteArray bytes = TestRig::recordBytes({copy});
    for (int cut = 0; cut < bytes.size(); ++cut)
        TestRig::pasteBytes(*grid, bytes.left(cut), 6u << 16);
    grid->process(nullptr, 2, 6u << 16);
    TestRig::paste(*grid, {copy}, (6u << 16) | 40u);
    QCOMPARE(rig.value(kPatch, 6), 0);

    // Disabled rectangles (only the well-formed ones) are grey and take no clicks.
    grid->setDisabledRects(QStringLiteral(
            "(2,1,3,2); bad; (1,1,1) ;(4,4,1,1)x; ( 0 , 5 , 1 , 1 );(-1,0,1,1);(60000,60000,9,9)"));
    rig.set(kPatch, 1, 3);
    rig.set(kPatch, 5, 1);
    rig.set(kPatch, 4, 5);
    grid->process(nullptr, 0, 0);
    QCOMPARE(rig.shown(1, 2), kDisabledGrey);
    QCOMPARE(rig.shown(5, 0), kDisabledGrey);
    QCOMPARE(rig.shown(2, 4), kDisabledGrey);
    QCOMPARE(rig.shown(4, 4), kBallColour); // "x" after the parenthesis: not a rectangle
    QCOMPARE(rig.shown(1, 1), QColor(Qt::white));
    QCOMPARE(rig.click(1, 2), 3);
    QCOMPARE(rig.click(2, 3), 0);
    QCOMPARE(rig.click(5, 0), 1);
    QCOMPARE(rig.click(1, 5), 6);
    // Pixel rectangles were computed when set: wider cells later do not move them.
    grid->setCellWidths(QStringLiteral("30,30,30"));
    QCOMPARE(grid->grab().toImage().pixelColor(2 * 14 + 1, rig.centre(1, 0).y()), kDisabledGrey);
    // Removed fields shift the values of the fields after them.
    grid->removeFieldRange(1, 2);
    QCOMPARE(rig.click(6, 3), 6);
    QCOMPARE(grid->getValue(6), 6);
}

// One bit-mask grid: clicks toggle bits (in the bit order), the "all" field, whole rows and
// columns as one undo step, and cells, channels and fields outside the grid.
void tst_Grid::bitMaskScenario()
{
    Rig rig("00kBus/kMask");
    CGrid *grid = rig.grid;
    grid->setValueAsBitMask(true);
    QCOMPARE(rig.click(2, 4), 16);
    QCOMPARE(rig.shown(2, 4), kBallColour);
    QCOMPARE(rig.click(2, 1), 18);
    QCOMPARE(rig.click(2, 4), 2);
    grid->setBitOrder(QStringLiteral("0, 7:3, 2, 1, 0"));
    QCOMPARE(rig.click(5, 0), 8);
    QCOMPARE(rig.shown(5, 0), kBallColour);
    QVERIFY(rig.shown(5, 3) != kBallColour);
    grid->setBitOrder(QString());

    // The "all" field replaces single connections and is cleared by any of them.
    grid->setAllFieldIndex(9);
    rig.set(kBus, 1, 0b110);
    QCOMPARE(rig.click(1, 9), 1 << 9);
    QCOMPARE(rig.click(1, 3), 1 << 3);
    rig.click(1, 9);
    QCOMPARE(rig.click(1, 9), 0);
    QSignalSpy patched(grid, &CGrid::patchUpdated);
    int depth = rig.memory.undoDepth();
    rig.set(kBus, 6, 1);
    grid->setAllChannelsForField(2, true);
    for (int c = 0; c < kRows; ++c)
        QCOMPARE(rig.value(kBus, c) & 4, 4);
    QCOMPARE(rig.value(kBus, 6), 5);
    QVERIFY(patched.count() == kRows && rig.memory.undoDepth() == depth + 1);
    grid->setAllChannelsForField(2, false);
    QCOMPARE(rig.value(kBus, 6), 1);
    QVERIFY(rig.memory.undo());
    QCOMPARE(rig.value(kBus, 6), 5);
    patched.clear();
    grid->setAllFieldsForChannel(3, 1);
    QCOMPARE(rig.value(kBus, 3), -1);
    QCOMPARE(patched.count(), kCols);
    QVERIFY(patched.at(0).at(2).toBool());
    grid->clearAll();
    for (int c = 0; c < kRows; ++c)
        QCOMPARE(rig.value(kBus, c), 0);

    // A click is an undo step; clearing a row is one step, signalling only the lit cells.
    rig.set(kBus, 2, 0b101010);
    depth = rig.memory.undoDepth();
    patched.clear();
    grid->clearRow(2);
    QCOMPARE(rig.value(kBus, 2), 0);
    QCOMPARE(patched.count(), 3);
    QCOMPARE(rig.memory.undoDepth(), depth + 1);
    QVERIFY(rig.memory.undo());
    QCOMPARE(rig.value(kBus, 2), 0b101010);
    QCOMPARE(rig.memory.undoDepth(), depth);

    // Outside the grid nothing happens.
    grid->setAllFieldIndex(-1);
    grid->clearAll();
    patched.clear();
    for (int channel : {-2, kRows}) {
        grid->clearRow(channel);
        grid->setAllFieldsForChannel(channel, 1);
    }
    grid->setAllChannelsForField(kCols, true);
    grid->setAllChannelsForField(-1, true);
    grid->process(nullptr, 3, 0xFFFFFFFFu);
    grid->removeFieldRange(5, 3);
    grid->removeFieldRange(-4, 3);
    QVERIFY(grid->fieldToValue(4) == 4 && grid->valueAt(kRows, 0) == 0
            && grid->valueAt(0, -1) == 0);
    QTest::mouseClick(grid, Qt::LeftButton, {}, QPoint(grid->width() - 1, 2));
    QCOMPARE(patched.count(), 1); // the last column's edge is its cell
    grid->setVerCount(0);
    QTest::keyClick(grid, Qt::Key_Right);
    QTest::keyClick(grid, Qt::Key_Space);
    QCOMPARE(patched.count(), 1);
    for (int c = 0; c < kRows; ++c)
        QCOMPARE(rig.value(kBus, c), c == 0 ? 1 << (kCols - 1) : 0);
}

// Each field its own parameter holding the (swapped) channel plus an offset; a list of
// addresses shares the rows out.
void tst_Grid::multiAddressAndLists()
{
    Rig rig("00kPatch/kSel", 6);
    CGrid *grid = rig.grid;
    grid->appendAddress(kDestA, 0, 1, 10, 100);
    grid->appendAddress(kDestB, 0, 2, 20, 0);
    grid->appendAddress(99, 0, 0, 0, 0); // no such parameter
    QCOMPARE(rig.click(2, 0, kDestA, 1), 12);
    QCOMPARE(rig.shown(2, 0), kBallColour);
    QCOMPARE(grid->getValue(0), 2);
    QCOMPARE(rig.click(2, 0, kDestA, 1), 0);
    // The threshold is 65535 until set: no alternative offset.
    QCOMPARE(rig.click(5, 0, kDestA, 1), 15);
    grid->setAltChannelThreshold(4);
    QVERIFY(rig.shown(5, 0) != kBallColour);
    QCOMPARE(rig.click(5, 0, kDestA, 1), 105);
    QCOMPARE(grid->getValue(0, true), 95);
    QCOMPARE(rig.click(5, 1, kDestB, 2), 25);
    grid->swapChannels(1, 7, 3, 9);
    QCOMPARE(rig.click(1, 1, kDestB, 2), 23);
    QCOMPARE(rig.shown(1, 1), kBallColour);
    // Read back: reverse-swapped, less the offset.
    rig.set(kDestB, 2, 27);
    QCOMPARE(grid->getValue(1), 27 - 20);
    rig.set(kDestB, 2, 9);
    QCOMPARE(grid->getValue(1), 7 - 20);
    // A write the memory refuses is no connection change.
    QSignalSpy patched(grid, &CGrid::patchUpdated);
    rig.click(0, 2);
    rig.click(0, 5); // past the table
    QCOMPARE(patched.count(), 0);

    Rig lists("0400kPatch/kSel;0400kBus/kMask");
    int index = 0;
    const TAddressRecord *a = lists.grid->lookupAddress(2, &index);
    QVERIFY(a && a->element == kPatch && index == 2);
    a = lists.grid->lookupAddress(5, &index);
    QVERIFY(a && a->element == kBus && index == 1); // (5 - 4) * (4 / (8 - 4))
    QVERIFY(!lists.grid->lookupAddress(8, &index));
    QCOMPARE(index, -1);
    QCOMPARE(lists.click(5, 3, kBus, 1), 4);
    QCOMPARE(lists.click(1, 3, kPatch, 1), 4);
}

// The keyboard cursor goes with the window's activation and comes back only under the mouse.
void tst_Grid::activation()
{
    Rig rig;
    auto activate = [](QWidget *w) {
        w->activateWindow();
        return QTest::qWaitForWindowActive(w);
    };
    QWidget other;
    other.show();
    QVERIFY(activate(&rig.host));
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
    QVERIFY(activate(&other));
    QVERIFY(!red());
    QVERIFY(activate(&rig.host));
    QCOMPARE(off.count(), 1);
    QVERIFY(!red());
    // Regained with the mouse over the grid: the cursor stays.
    QTest::keyClick(rig.grid, Qt::Key_Up);
    QEnterEvent enter(rig.centre(0, 0), rig.centre(0, 0), rig.grid->mapToGlobal(rig.centre(0, 0)));
    QCoreApplication::sendEvent(rig.grid, &enter);
    QVERIFY(activate(&other));
    QVERIFY(activate(&rig.host));
    QCOMPARE(off.count(), 1);
    QCOMPARE(rig.shown(0, 5), QColor(Qt::red));
}

// 1000 writes over 64 channels from a worker thread: one repaint, the last values shown.
void tst_Grid::autoUpdateBurst()
{
    Rig rig("00kPatch/kSel", 64);
    rig.grid->setAutoUpdates(true);
    QTest::qWait(30);
    const int before = rig.grid->repaintCount();
    QVERIFY(TestRig::runOnWorker([&] {
        for (int i = 0; i < 1000; ++i)
            rig.set(kPatch, i % 64, 1 + i % 7);
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
    // Off again: writes to other channels do not reach the grid.
    rig.grid->setAutoUpdates(false);
    QTest::qWait(20);
    const int quiet = rig.grid->repaintCount();
    rig.set(kPatch, 9, 2);
    QTest::qWait(30);
    QCOMPARE(rig.grid->repaintCount(), quiet);
}

QTEST_MAIN(tst_Grid)
#include "tst_grid.moc"
