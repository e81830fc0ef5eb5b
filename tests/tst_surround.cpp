// The surround panner against the embedded memory: drags on a 100 x 100 field with a 10 x 10
// puck, the two parameters of each kind and their one undo step, the position texts, the ghost
// trail, deferred signals, the disabled look, the OR-ed puck, memory changes from a worker,
// copy, paste and defaults, and bad input.

#include "CSurround.h"
#include "TParamInfo.h"
#include "TestRig.h"

#include <QBuffer>
#include <QDataStream>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

using TestRig::CountingMemory;

const char *const kInput = "00kInputSurround/kSurrX";
const char *const kFx = "00kFxSurround/kSurrX";
constexpr int kXParam = 6;
constexpr int kYParam = 7;
const QColor kField(0x40, 0x00, 0x80);
const QColor kDisabledField(0x10, 0x20, 0x30);
const QColor kPuck(0x00, 0x88, 0x01);
// The puck OR-ed onto the field.
const QColor kPuckOnField(0x40, 0x88, 0x81);
const QPoint kCentre(50, 50);

bool bindTo(TParamMemory &memory, CSurround *w, const char *address)
{
    w->setNamedAddress(QString::fromLatin1(address));
    return memory.connectProxy(w, 0) == 0 && w->isAttached();
}

struct Panner
{
    Panner(CountingMemory &memory, CSurround::surrKind kind, int frames = 2, bool withPuck = true)
        : w(new CSurround(nullptr, "surround"))
    {
        w->setPixmapBgnd(TestRig::frameStrip(QSize(100, 100), 1, frames, [](int, int row) {
            return row == 0 ? kField : kDisabledField;
        }));
        w->setnSubImages(frames);
        if (withPuck)
            w->setPixmapMain(
                    TestRig::frameStrip(QSize(10, 10), 1, 1, [](int, int) { return kPuck; }));
        w->setSurroundKind(kind);
        ok = bindTo(memory, w.get(), kind == CSurround::FxSurr ? kFx : kInput);
        w->show();
        ok = ok && QTest::qWaitForWindowExposed(w.get());
        a = TestRig::resolve(memory, QString::fromLatin1(kind == CSurround::FxSurr ? kFx : kInput));
    }
    int stored(TParamMemory &m, int p) const { return m.getValue(a.element, p, a.channel); }

    std::unique_ptr<CSurround> w;
    IMemAPI::TSingleAddress a;
    bool ok = false;
};

// The trail length each timer tick finds, before the tick is handled.
class TickRecorder : public QObject
{
public:
    explicit TickRecorder(CSurround *w)
        : m_w(w)
    {
        w->installEventFilter(this);
    }
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Timer)
            seen.append(m_w->trailCount());
        return false;
    }
    QList<int> seen;

private:
    CSurround *m_w;
};

// A drag from the puck at the centre to each point of to, then a release at the last.
void drag(QWidget *w, const QList<QPoint> &to, QPoint from = kCentre)
{
    QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, from);
    for (const QPoint &p : to)
        QTest::mouseMove(w, p);
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, to.isEmpty() ? from : to.last());
}

} // namespace

class tst_Surround : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void dragWritesBothParameters_data();
    void dragWritesBothParameters();
    void textsAndDeferredSignals();
    void oneUndoStepAndNoRepeatedWrites();
    void trail();
    void noTrailWithoutGhosts();
    void disabledLook_data();
    void disabledLook();
    void puckIsOredOntoTheField();
    void workerWriteMovesThePuck();
    void copyPasteAndDefaults();
    void badInput();
};

void tst_Surround::dragWritesBothParameters_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<QPoint>("position");
    QTest::addColumn<int>("storedX");
    QTest::addColumn<int>("storedY");
    // Range 90, scale 127/90: the corner is -45 * 127/90 = -63.5, truncated to -63.
    QTest::newRow("input centre") << int(CSurround::InChSurr) << QPoint(50, 50) << QPoint(0, 0) << 0
                                  << 0;
    QTest::newRow("input corner") << int(CSurround::InChSurr) << QPoint(1, 1) << QPoint(-63, -63)
                                  << -63 << 63;
    QTest::newRow("input far corner")
            << int(CSurround::InChSurr) << QPoint(99, 99) << QPoint(63, 63) << 63 << -63;
    // 20 px right of the centre: 20 * 127/90 = 28.2; 10 px up: -14.1.
    QTest::newRow("input right front")
            << int(CSurround::InChSurr) << QPoint(70, 40) << QPoint(28, -14) << 28 << 14;
    QTest::newRow("fx corner") << int(CSurround::FxSurr) << QPoint(1, 1) << QPoint(-63, -63) << 0
                               << 0;
    QTest::newRow("fx right front")
            << int(CSurround::FxSurr) << QPoint(70, 40) << QPoint(28, -14) << 91 << 49;
}

void tst_Surround::dragWritesBothParameters()
{
    QFETCH(int, kind);
    QFETCH(QPoint, to);
    QFETCH(QPoint, position);
    QFETCH(int, storedX);
    QFETCH(int, storedY);
    CountingMemory memory;
    Panner p(memory, CSurround::surrKind(kind));
    QVERIFY(p.ok);
    QSignalSpy moved(p.w.get(), &CSurround::positionChange);
    // Past the edge first: the far side clamps, then the drag comes back to the target.
    drag(p.w.get(), {QPoint(200, -200), to});
    QCOMPARE(p.w->position(), position);
    const bool fx = kind == CSurround::FxSurr;
    QCOMPARE(p.stored(memory, fx ? p.a.parameter : kXParam), storedX);
    QCOMPARE(p.stored(memory, fx ? p.a.parameter + 1 : kYParam), storedY);
    QCOMPARE(moved.last().at(0).toPoint(), position);
    QVERIFY(!p.w->userInteractionActive());
}

void tst_Surround::textsAndDeferredSignals()
{
    CountingMemory memory;
    Panner p(memory, CSurround::InChSurr);
    QVERIFY(p.ok);
    QSignalSpy texts(p.w.get(), &CSurround::textualPositionChange);
    const struct
    {
        QPoint position;
        const char *text;
    } cases[] = {{{63, -63}, "R63 F63"}, {{-20, 10}, "L20 R10"}, {{0, 5}, "C R5"}, {{0, 0}, "C C"}};
    for (const auto &c : cases) {
        p.w->setXY(c.position.x(), c.position.y());
        QCOMPARE(texts.last().at(0).toString(), QString::fromLatin1(c.text));
    }
    QCOMPARE(texts.size(), 4);

    // While signals are blocked, the position is written at once and told once, later.
    QSignalSpy moved(p.w.get(), &CSurround::positionChange);
    p.w->blockSignals(true);
    p.w->setXY(5, 6);
    p.w->setXY(7, 8);
    QCOMPARE(p.stored(memory, kXParam), 7);
    p.w->blockSignals(false);
    QCOMPARE(moved.size(), 0);
    TestRig::settle();
    QCOMPARE(moved.size(), 1);
    QCOMPARE(moved.last().at(0).toPoint(), QPoint(7, 8));
}

void tst_Surround::oneUndoStepAndNoRepeatedWrites()
{
    CountingMemory memory;
    Panner p(memory, CSurround::InChSurr);
    QVERIFY(p.ok);
    p.w->setXY(-10, 20);
    QCOMPARE(p.stored(memory, kXParam), -10);
    QCOMPARE(p.stored(memory, kYParam), -20);
    drag(p.w.get(), {QPoint(99, 99)}, p.w->calcOrigin(0) + QPoint(5, 5));
    QCOMPARE(p.stored(memory, kXParam), 63);
    QCOMPARE(p.stored(memory, kYParam), -63);

    // The same position again, from the slot or the pointer, writes nothing.
    const int writes = memory.writes.load();
    const int depth = memory.undoDepth();
    p.w->setXY(63, 63);
    drag(p.w.get(), {QPoint(99, 99)}, QPoint(95, 95));
    QCOMPARE(memory.writes.load(), writes);
    QCOMPARE(memory.undoDepth(), depth);

    // One undo takes both parameters back to before the drag.
    QVERIFY(memory.undo());
    TestRig::settle();
    QCOMPARE(p.stored(memory, kXParam), -10);
    QCOMPARE(p.stored(memory, kYParam), -20);
    QCOMPARE(p.w->position(), QPoint(-10, 20));

    // An active task hears of both parameters once per move.
    struct Task : MemAPITask
    {
        QList<int> parameters;
        int alerts = 0;
        void onAlertProxy(int, int p, int) override { parameters << p; }
        void onAlert() override { ++alerts; }
    } task;
    memory.setCurrentTask(&task, true);
    p.w->setXY(3, 4);
    QCOMPARE(task.parameters, QList<int>({kXParam, kYParam}));
    QCOMPARE(task.alerts, 1);
    memory.setCurrentTask(&task, false);
    p.w->setXY(5, 4);
    QCOMPARE(task.alerts, 1);
    memory.setCurrentTask(nullptr, false);
}

void tst_Surround::trail()
{
    CountingMemory memory;
    Panner p(memory, CSurround::InChSurr);
    QVERIFY(p.ok);
    p.w->setGhosts(3);
    // The longest period: ticks do not outpace the drag on a busy machine.
    p.w->setInterval(255);
    QTest::mousePress(p.w.get(), Qt::LeftButton, Qt::NoModifier, kCentre);
    int most = 0;
    for (int x = 51; x <= 90; ++x) {
        QTest::mouseMove(p.w.get(), QPoint(x, 50));
        QVERIFY(p.w->trailCount() <= 3);
        most = std::max(most, p.w->trailCount());
    }
    QTest::mouseRelease(p.w.get(), Qt::LeftButton, Qt::NoModifier, QPoint(90, 50));
    QCOMPARE(most, 3);

    // Every trail point shows a puck on the line of the drag.
    const QImage picture = p.w->grab().toImage();
    int pucks = 0;
    for (int x = 0; x < picture.width(); ++x)
        pucks += picture.pixelColor(x, 50) == kPuckOnField ? 1 : 0;
    QVERIFY(pucks > 10);

    // The trail fades one point per tick: the counts seen at each tick step down by one.
    TickRecorder ticks(p.w.get());
    QTRY_COMPARE(p.w->trailCount(), 0);
    QVERIFY(!ticks.seen.isEmpty());
    QCOMPARE(ticks.seen.first(), 3);
    for (int i = 1; i < ticks.seen.size(); ++i)
        QVERIFY(ticks.seen[i - 1] - ticks.seen[i] <= 1);
    QCOMPARE(ticks.seen.last(), 1);
    QCOMPARE(TestRig::countPixels(p.w->grab().toImage(), kPuckOnField).matching, 100);
}

void tst_Surround::noTrailWithoutGhosts()
{
    CountingMemory memory;
    Panner p(memory, CSurround::InChSurr);
    QVERIFY(p.ok);
    QList<QPoint> path;
    for (int x = 51; x <= 90; ++x)
        path << QPoint(x, 60);
    drag(p.w.get(), path);
    QCOMPARE(p.w->trailCount(), 0);
    QCOMPARE(TestRig::countPixels(p.w->grab().toImage(), kPuckOnField).matching, 100);
    // Ghost counts outside 1..31 are ignored.
    p.w->setGhosts(32);
    p.w->setGhosts(-1);
    QCOMPARE(p.w->ghosts(), 0);
}

void tst_Surround::disabledLook_data()
{
    QTest::addColumn<int>("frames");
    QTest::addColumn<QColor>("shown");
    QTest::newRow("two frames") << 2 << kDisabledField;
    QTest::newRow("one frame") << 1 << kField;
}

void tst_Surround::disabledLook()
{
    QFETCH(int, frames);
    QFETCH(QColor, shown);
    CountingMemory memory;
    Panner p(memory, CSurround::InChSurr, frames);
    QVERIFY(p.ok);
    QCOMPARE(p.w->size(), QSize(100, 100));
    QSignalSpy moved(p.w.get(), &CSurround::positionChange);
    QSignalSpy texts(p.w.get(), &CSurround::textualPositionChange);
    p.w->setEnabled(false);
    QCOMPARE(texts.size(), 1);
    QCOMPARE(texts.last().at(0).toString(), QString());
    const QImage picture = p.w->grab().toImage();
    QCOMPARE(TestRig::countPixels(picture, shown).matching, picture.width() * picture.height());
    // A memory change while disabled is shown without a position signal.
    memory.setValue(p.a.element, kXParam, p.a.channel, 30, memory.sourceId(0) + 1);
    QCOMPARE(moved.size(), 0);
    QCOMPARE(memory.writes.load(), 1);
    p.w->setEnabled(true);
    QCOMPARE(moved.size(), 1);
    QCOMPARE(texts.last().at(0).toString(), QStringLiteral("R30 C"));
}

void tst_Surround::puckIsOredOntoTheField()
{
    CountingMemory memory;
    Panner p(memory, CSurround::InChSurr);
    QVERIFY(p.ok);
    // A puck whose left half is transparent: only its right half changes the field.
    QImage half(10, 10, QImage::Format_ARGB32_Premultiplied);
    half.fill(Qt::transparent);
    QPainter(&half).fillRect(5, 0, 5, 10, kPuck);
    p.w->setPixmapMain(QPixmap::fromImage(half));
    const QImage picture = p.w->grab().toImage();
    QCOMPARE(picture.pixelColor(kCentre), kPuckOnField);
    QCOMPARE(picture.pixelColor(46, 50), kField);
    QCOMPARE(TestRig::countPixels(picture, kPuckOnField).matching, 50);
}

void tst_Surround::workerWriteMovesThePuck()
{
    CountingMemory memory;
    Panner p(memory, CSurround::InChSurr);
    QVERIFY(p.ok);
    QSignalSpy moved(p.w.get(), &CSurround::positionChange);
    QVERIFY(TestRig::runOnWorker([&] {
        memory.setValue(p.a.element, kXParam, p.a.channel, 20, memory.sourceId(0) + 1);
    }));
    TestRig::settle();
    QCOMPARE(p.w->position(), QPoint(20, 0));
    QCOMPARE(moved.size(), 1);
    QCOMPARE(memory.writes.load(), 1);
    QCOMPARE(p.w->trailCount(), 0);
    // 20 / (127/90) = 14.2 px right of the centre: the puck spans 59..68.
    const QImage picture = p.w->grab().toImage();
    QCOMPARE(picture.pixelColor(64, 50), kPuckOnField);
    QCOMPARE(picture.pixelColor(50, 50), kField);
}

void tst_Surround::copyPasteAndDefaults()
{
    CountingMemory memory;
    Panner p(memory, CSurround::FxSurr);
    QVERIFY(p.ok);
    p.w->setXY(-20, 30);
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QDataStream out(&buffer);
        p.w->copyParameters(&out);
    }
    p.w->reset2defaults();
    TestRig::settle();
    QCOMPARE(p.stored(memory, p.a.parameter), 63);
    QCOMPARE(p.stored(memory, p.a.parameter + 1), 63);
    QCOMPARE(p.w->position(), QPoint(0, 0));
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        QDataStream in(&buffer);
        p.w->pasteParameters(&in);
    }
    QCOMPARE(p.stored(memory, p.a.parameter), 43);
    QCOMPARE(p.stored(memory, p.a.parameter + 1), 93);
    QCOMPARE(p.w->position(), QPoint(-20, 30));

    // A stream that ends after the first record: x is pasted, y stays.
    p.w->setXY(0, 0);
    QByteArray shortBytes = bytes.left(bytes.size() / 2);
    QBuffer buffer(&shortBytes);
    buffer.open(QIODevice::ReadOnly);
    QDataStream in(&buffer);
    p.w->pasteParameters(&in);
    QCOMPARE(p.stored(memory, p.a.parameter), 43);
    QCOMPARE(p.stored(memory, p.a.parameter + 1), 63);
}

void tst_Surround::badInput()
{
    CountingMemory memory;
    {
        Panner p(memory, CSurround::InChSurr);
        QVERIFY(p.ok);
        p.w->setXY(100, -100);
        QCOMPARE(p.w->position(), QPoint(63, -63));
        QCOMPARE(p.stored(memory, kYParam), 63);
        const int writes = memory.writes.load();
        p.w->setXY(63, -80);
        QCOMPARE(memory.writes.load(), writes);
        p.w->setnSubImages(0);
        QCOMPARE(p.w->nSubImages(), 1);
        QCOMPARE(p.w->size(), QSize(100, 200));
        p.w->setInterval(0);
        p.w->setInterval(256);
        QCOMPARE(p.w->interval(), 50);
    }
    {
        // Without a puck: no drag, and the field alone.
        Panner p(memory, CSurround::InChSurr, 2, false);
        QVERIFY(p.ok);
        const int writes = memory.writes.load();
        drag(p.w.get(), {QPoint(1, 1)});
        QCOMPARE(memory.writes.load(), writes);
        QCOMPARE(TestRig::countPixels(p.w->grab().toImage(), kField).matching, 100 * 100);
    }
    {
        // Without a background: 63 x 63, and every point reads as the centre.
        CSurround w;
        w.setPixmapMain(TestRig::frameStrip(QSize(10, 10), 1, 1, [](int, int) { return kPuck; }));
        QVERIFY(bindTo(memory, &w, kInput));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.size(), QSize(63, 63));
        w.setXY(10, 10);
        drag(&w, {QPoint(1, 1), QPoint(60, 60)}, w.calcOrigin(0) + QPoint(5, 5));
        QCOMPARE(w.position(), QPoint(0, 0));
        QCOMPARE(w.scrnPos2LogicalPos(QPoint(5, 5)), QPoint(0, 0));
    }
    {
        // A puck larger than the field: no range, positions read as the centre.
        Panner p(memory, CSurround::InChSurr, 1);
        QVERIFY(p.ok);
        p.w->setPixmapMain(
                TestRig::frameStrip(QSize(120, 120), 1, 1, [](int, int) { return kPuck; }));
        QCOMPARE(p.w->scrnPos2LogicalPos(QPoint(0, 0)), QPoint(0, 0));
        QCOMPARE(p.w->scrnPos2LogicalPos(QPoint(99, 99)), QPoint(0, 0));
        drag(p.w.get(), {QPoint(99, 0)});
        QCOMPARE(p.w->position(), QPoint(0, 0));
    }
}

QTEST_MAIN(tst_Surround)
#include "tst_surround.moc"
