// The surround panner on the embedded memory: a 100 x 100 field with a 10 x 10 puck, dragged,
// undone, pasted, shown disabled and moved from a worker; and bad input.

#include "CSurround.h"
#include "TestRig.h"

namespace {

constexpr int kXParam = 6, kYParam = 7;
const QColor kField(0x40, 0x00, 0x80), kDisabledField(0x10, 0x20, 0x30), kPuck(0x00, 0x88, 0x01);
// The puck OR-ed onto the field.
const QColor kPuckOnField(0x40, 0x88, 0x81);
const QPoint kCentre(50, 50);

// A panner on the built-in catalogue: frames of field (the first enabled, the second disabled)
// and a puck of a side (0: none).
struct Panner : TestRig::Console
{
    explicit Panner(CSurround::surrKind kind, int frames = 2, int puckSide = 10)
        : Console(nullptr)
        , w(new CSurround(&host, "surround"))
    {
        w->setPixmapBgnd(TestRig::frameStrip(QSize(100, 100), 1, frames, [](int, int row) {
            return row == 0 ? kField : kDisabledField;
        }));
        w->setnSubImages(frames);
        if (puckSide)
            w->setPixmapMain(TestRig::frameStrip(QSize(puckSide, puckSide), 1, 1,
                                                 [](int, int) { return kPuck; }));
        w->setSurroundKind(kind);
        const char *name =
                kind == CSurround::FxSurr ? "00kFxSurround/kSurrX" : "00kInputSurround/kSurrX";
        ok = bind(w, name);
        a = at(name);
        xParameter = kind == CSurround::FxSurr ? a.parameter : kXParam;
    }
    // What the memory holds for x and y.
    int x() { return memory.getValue(a.element, xParameter, a.channel); }
    int y() { return memory.getValue(a.element, xParameter + 1, a.channel); }
    void setX(int v) { memory.setValue(a.element, kXParam, a.channel, v, memory.sourceId(0) + 1); }

    CSurround *w;
    IMemAPI::TSingleAddress a;
    int xParameter = kXParam;
    bool ok = false;
};

// The trail length each timer tick finds, before the tick is handled.
struct TickRecorder : QObject
{
    bool eventFilter(QObject *panner, QEvent *event) override
    {
        if (event->type() == QEvent::Timer)
            seen.append(static_cast<CSurround *>(panner)->trailCount());
        return false;
    }
    QList<int> seen;
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
    void inputChannelScenario();
    void badInput();
};

void tst_Surround::dragWritesBothParameters_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<QPoint>("position");
    QTest::addColumn<int>("storedX");
    QTest::addColumn<int>("storedY");
    QTest::addColumn<QString>("text");
    const int in = CSurround::InChSurr, fx = CSurround::FxSurr;
    // Range 90, scale 127/90: the corner is -45 * 127/90 = -63.5, truncated to -63.
    QTest::newRow("input centre") << in << QPoint(50, 50) << QPoint(0, 0) << 0 << 0 << "C C";
    QTest::newRow("input corner") << in << QPoint(1, 1) << QPoint(-63, -63) << -63 << 63
                                  << "L63 F63";
    QTest::newRow("input far corner")
            << in << QPoint(99, 99) << QPoint(63, 63) << 63 << -63 << "R63 R63";
    // 20 px right of the centre: 20 * 127/90 = 28.2; 10 px up: -14.1.
    QTest::newRow("input right front")
            << in << QPoint(70, 40) << QPoint(28, -14) << 28 << 14 << "R28 F14";
    QTest::newRow("fx corner") << fx << QPoint(1, 1) << QPoint(-63, -63) << 0 << 0 << "L63 F63";
    QTest::newRow("fx right front")
            << fx << QPoint(70, 40) << QPoint(28, -14) << 91 << 49 << "R28 F14";
}

void tst_Surround::dragWritesBothParameters()
{
    QFETCH(int, kind);
    QFETCH(QPoint, to);
    QFETCH(QPoint, position);
    Panner p {CSurround::surrKind(kind)};
    QVERIFY(p.ok);
    QSignalSpy texts(p.w, &CSurround::textualPositionChange);
    // Past the edge first: the far side clamps, then the drag comes back to the target.
    drag(p.w, {QPoint(200, -200), to});
    QCOMPARE(p.w->position(), position);
    QTEST(p.x(), "storedX");
    QTEST(p.y(), "storedY");
    QTEST(texts.last().at(0).toString(), "text");
    QVERIFY(!p.w->userInteractionActive());
    // No ghosts: no trail, only the puck.
    QCOMPARE(p.w->trailCount(), 0);
    QCOMPARE(TestRig::countPixels(p.w->grab().toImage(), kPuckOnField).matching, 100);

    // Copied, reset to the defaults (the centre), pasted back; a stream that ends after the first
    // record pastes x alone.
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    p.w->copyParameters(&out);
    const int centre = kind == CSurround::FxSurr ? 63 : 0;
    p.w->reset2defaults();
    QCOMPARE(p.y(), centre);
    QCOMPARE(p.w->position(), QPoint(0, 0));
    QDataStream in(bytes);
    p.w->pasteParameters(&in);
    QTEST(p.y(), "storedY");
    QCOMPARE(p.w->position(), position);
    p.w->setXY(0, 0);
    QDataStream truncated(bytes.left(bytes.size() / 2));
    p.w->pasteParameters(&truncated);
    QTEST(p.x(), "storedX");
    QCOMPARE(p.y(), centre);
}

void tst_Surround::inputChannelScenario()
{
    Panner p {CSurround::InChSurr};
    QVERIFY(p.ok);
    QSignalSpy moved(p.w, &CSurround::positionChange);
    QSignalSpy texts(p.w, &CSurround::textualPositionChange);

    // While signals are blocked, the position is written at once and told once, later.
    p.w->blockSignals(true);
    p.w->setXY(5, 6);
    p.w->setXY(7, 8);
    QCOMPARE(p.x(), 7);
    p.w->blockSignals(false);
    QCOMPARE(moved.size(), 0);
    TestRig::settle();
    QCOMPARE(moved.size(), 1);
    QCOMPARE(moved.last().at(0).toPoint(), QPoint(7, 8));

    // A drag along the middle row with a trail of three ghosts, at the longest period so that
    // ticks do not outpace the drag on a busy machine.
    const int ghosts = 3;
    p.w->setGhosts(ghosts);
    p.w->setInterval(255);
    QTest::mousePress(p.w, Qt::LeftButton, Qt::NoModifier, p.w->calcOrigin(0) + QPoint(5, 5));
    int most = 0;
    for (int x = 51; x <= 90; ++x) {
        QTest::mouseMove(p.w, QPoint(x, 50));
        QVERIFY(p.w->trailCount() <= ghosts);
        most = std::max(most, p.w->trailCount());
    }
    QTest::mouseRelease(p.w, Qt::LeftButton, Qt::NoModifier, QPoint(90, 50));
    QCOMPARE(most, ghosts);
    // Every trail point shows a puck on the line of the drag.
    QVERIFY(TestRig::litLines(p.w->grab().toImage(), kPuckOnField, false).size() > 10);
    // The trail fades one point per tick: the counts seen at each tick step down by one.
    TickRecorder ticks;
    p.w->installEventFilter(&ticks);
    QTRY_COMPARE(p.w->trailCount(), 0);
    QCOMPARE(ticks.seen.value(0), ghosts);
    for (int i = 1; i < ticks.seen.size(); ++i)
        QVERIFY(ticks.seen[i - 1] - ticks.seen[i] <= 1);
    QCOMPARE(TestRig::countPixels(p.w->grab().toImage(), kPuckOnField).matching, 100);

    // The same position again, from the slot or the pointer, writes nothing; after a slot move
    // and a drag, one undo takes both parameters back to before the drag.
    const int writes = p.memory.writes.load(), depth = p.memory.undoDepth();
    p.w->setXY(56, 0);
    drag(p.w, {QPoint(90, 50)}, QPoint(90, 50));
    QCOMPARE(p.memory.writes.load(), writes);
    QCOMPARE(p.memory.undoDepth(), depth);
    p.w->setXY(-10, 20);
    drag(p.w, {QPoint(99, 99)}, p.w->calcOrigin(0) + QPoint(5, 5));
    QVERIFY(p.memory.undo());
    QCOMPARE(p.x(), -10);
    QCOMPARE(p.y(), -20);
    QCOMPARE(p.w->position(), QPoint(-10, 20));

    // An active task hears of both parameters once per move.
    struct Task : MemAPITask
    {
        QList<int> parameters;
        int alerts = 0;
        void onAlertProxy(int, int p, int) override { parameters << p; }
        void onAlert() override { ++alerts; }
    } task;
    p.memory.setCurrentTask(&task, true);
    p.w->setXY(3, 4);
    QCOMPARE(task.parameters, QList<int>({kXParam, kYParam}));
    p.memory.setCurrentTask(&task, false);
    p.w->setXY(3, 0); // y alone
    QCOMPARE(task.alerts, 1);
    QCOMPARE(texts.last().at(0).toString(), QStringLiteral("R3 C"));
    p.memory.setCurrentTask(nullptr, false);

    // Disabled: the second frame and no text; a memory change then is shown without a position
    // signal, which comes on enabling.
    moved.clear();
    p.w->setEnabled(false);
    QCOMPARE(texts.last().at(0).toString(), QString());
    QCOMPARE(TestRig::countPixels(p.w->grab().toImage(), kDisabledField).matching, 100 * 100);
    p.setX(30);
    QCOMPARE(moved.size(), 0);
    p.w->setEnabled(true);
    QCOMPARE(moved.size(), 1);
    QCOMPARE(texts.last().at(0).toString(), QStringLiteral("R30 C"));
    p.w->setXY(0, 0);

    // A puck whose left half is transparent changes only the right half of its square; a write
    // from a worker moves it, leaving no trail.
    QImage half(10, 10, QImage::Format_ARGB32_Premultiplied);
    half.fill(Qt::transparent);
    QPainter(&half).fillRect(5, 0, 5, 10, kPuck);
    p.w->setPixmapMain(QPixmap::fromImage(half));
    QImage picture = p.w->grab().toImage();
    QCOMPARE(picture.pixelColor(kCentre), kPuckOnField);
    QCOMPARE(picture.pixelColor(46, 50), kField);
    QCOMPARE(TestRig::countPixels(picture, kPuckOnField).matching, 50);
    QTRY_COMPARE(p.w->trailCount(), 0);
    QVERIFY(TestRig::runOnWorker([&] { p.setX(20); }));
    TestRig::settle();
    QCOMPARE(p.w->position(), QPoint(20, 0));
    QCOMPARE(p.w->trailCount(), 0);
    // 20 / (127/90) = 14.2 px right of the centre: the puck spans 59..68, lit from 64.
    picture = p.w->grab().toImage();
    QCOMPARE(picture.pixelColor(64, 50), kPuckOnField);
    QCOMPARE(picture.pixelColor(50, 50), kField);
}

void tst_Surround::badInput()
{
    {
        Panner p {CSurround::InChSurr};
        QVERIFY(p.ok);
        p.w->setXY(100, -100);
        QCOMPARE(p.w->position(), QPoint(63, -63));
        QCOMPARE(p.y(), 63);
        const int writes = p.memory.writes.load();
        p.w->setXY(63, -80);
        QCOMPARE(p.memory.writes.load(), writes);
        p.w->setnSubImages(0);
        QCOMPARE(p.w->nSubImages(), 1);
        QCOMPARE(p.w->size(), QSize(100, 200));
        p.w->setInterval(0);
        p.w->setInterval(256);
        QCOMPARE(p.w->interval(), 50);
        // Ghost counts outside 1..31 are ignored.
        p.w->setGhosts(32);
        p.w->setGhosts(-1);
        QCOMPARE(p.w->ghosts(), 0);

        // Without a background, unnamed, as a window of its own, bound in place of the first to
        // a memory holding another position: 63 x 63, and every point reads as the centre.
        delete p.w;
        std::unique_ptr<CSurround> bare(new CSurround);
        bare->setPixmapMain(
                TestRig::frameStrip(QSize(10, 10), 1, 1, [](int, int) { return kPuck; }));
        QVERIFY(p.bind(bare.get(), "00kInputSurround/kSurrX"));
        bare->show();
        QVERIFY(QTest::qWaitForWindowActive(bare.get()));
        QCOMPARE(bare->size(), QSize(63, 63));
        bare->setXY(10, 10);
        drag(bare.get(), {QPoint(1, 1), QPoint(60, 60)}, bare->calcOrigin(0) + QPoint(5, 5));
        QCOMPARE(bare->position(), QPoint(0, 0));
        QCOMPARE(bare->scrnPos2LogicalPos(QPoint(5, 5)), QPoint(0, 0));
    }
    {
        // Without a puck: no drag, and the field alone.
        Panner p(CSurround::InChSurr, 2, 0);
        QVERIFY(p.ok);
        drag(p.w, {QPoint(1, 1)});
        QCOMPARE(p.memory.writes.load(), 0);
        QCOMPARE(TestRig::countPixels(p.w->grab().toImage(), kField).matching, 100 * 100);
    }
    {
        // One frame: disabled shows the enabled field. A puck larger than the field: no range,
        // positions read as the centre.
        Panner p(CSurround::InChSurr, 1, 120);
        QVERIFY(p.ok);
        p.w->setEnabled(false);
        QCOMPARE(TestRig::countPixels(p.w->grab().toImage(), kField).matching, 100 * 100);
        p.w->setEnabled(true);
        QCOMPARE(p.w->scrnPos2LogicalPos(QPoint(99, 99)), QPoint(0, 0));
        drag(p.w, {QPoint(99, 0)});
        QCOMPARE(p.w->position(), QPoint(0, 0));
    }
}

QTEST_MAIN(tst_Surround)
#include "tst_surround.moc"
