// The composite aux-send display against the embedded memory: addressing, send states as drawn,
// fixed sends, layers, dragging a level, clicking a switch, and coalesced bursts.

#include "CAuxChild.h"
#include "CCompositeAux.h"
#include "TestRig.h"

using namespace TestRig;

namespace {

constexpr int kBarWidth = 100;
constexpr int kMargin = 10;
const QString kInputs = QStringLiteral("FEkInput/kAuxLevel%1");
const QColor kStateColour[4] = {Qt::red, Qt::green, Qt::blue, Qt::yellow};

QPixmap solid(QColor colour)
{
    return frameStrip(QSize(kBarWidth, 6), 1, 1, [=](int, int) { return colour; });
}

struct Rig
{
    explicit Rig(CCompositeAux::EAddressingMode mode, int children = 8)
    {
        aux.setOffPostFader(solid(kStateColour[0]));
        aux.setOffPreFader(solid(kStateColour[1]));
        aux.setThumbImage(solid(kStateColour[2]));
        aux.setOnPreFader(solid(kStateColour[3]));
        aux.setMargin(kMargin);
        aux.setNumChildren(children);
        aux.setAddrMode(mode);
        aux.setNamedAddress(mode == CCompositeAux::eInputs
                                    ? kInputs
                                    : QStringLiteral("%1kMatrixSendLevel/kLevel"));
        aux.setLayerList(QStringLiteral("60;60"));
        aux.resize(140, 120);
        memory.connectTree(&aux, 0);
        aux.ylayout();
        aux.show();
        settle();
    }
    IMemAPI::TSingleAddress level(int i) const { return aux.child(i)->address(); }
    // A point on send i's bar, dx from its left end (negative: the switch left of it).
    QPoint bar(int i, int dx) const
    {
        const QRect r = aux.child(i)->rect();
        return QPoint(r.x() + dx, r.center().y());
    }

    CountingMemory memory;
    CCompositeAux aux;
};

// Sets send 3's switch and pre/post selector as another editor would and checks the state
// drawn over its full bar: a selector value of pre is pre-fader (1 for inputs, 2 for the
// matrix), any other post-fader. The display writes nothing back.
void checkStates(Rig &rig, int selectorValues, int pre)
{
    CAuxChild *c = rig.aux.child(3);
    writeAt(rig.memory, rig.level(3), 1023);
    const int writes = rig.memory.writes;
    for (int k = 0; k < 2 * selectorValues; ++k) {
        const int on = k / selectorValues, prePost = k % selectorValues;
        writeAt(rig.memory, c->onAddress(), on);
        writeAt(rig.memory, c->prePostAddress(), prePost);
        rig.aux.forceAnUpdate();
        const int state = 2 * on + (prePost == pre ? 1 : 0);
        QCOMPARE(c->selectorState(), state);
        QCOMPARE(colourAt(&rig.aux, rig.bar(3, kBarWidth / 2)), kStateColour[state]);
    }
    QCOMPARE(rig.memory.writes.load(), writes + 4 * selectorValues);
}

} // namespace

class tst_CompositeAux : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void sendsAgainstTheMemory();
};

void tst_CompositeAux::sendsAgainstTheMemory()
{
    // Matrix sends count from the start index in two hex digits.
    Rig matrix(CCompositeAux::eMatrix, 12);
    QCOMPARE(matrix.aux.child(10)->namedAddress(), QStringLiteral("0akMatrixSendLevel/kLevel"));
    QCOMPARE(matrix.level(10).packed(),
             resolve(matrix.memory, QStringLiteral("0AkMatrixSendLevel/kLevel")).packed());
    QCOMPARE(matrix.aux.address().packed(), matrix.level(0).packed());
    checkStates(matrix, 4, 2);
    // Counts and heights out of range are refused; index 256 gives three hex digits: that
    // send stays unbound.
    matrix.aux.setNumChildren(300);
    matrix.aux.setNumChildren(-1);
    matrix.aux.setChildIndexStart(256);
    matrix.aux.setHeaderHeight(-1);
    QCOMPARE(matrix.aux.numChildren(), 12);
    QCOMPARE(matrix.aux.childIndexStart(), 1);
    QCOMPARE(matrix.aux.headerHeight(), 0);
    matrix.aux.setChildIndexStart(255);
    QCOMPARE(matrix.aux.child(2)->namedAddress(), QStringLiteral("100kMatrixSendLevel/kLevel"));
    QVERIFY(!matrix.aux.child(2)->isAttached());

    Rig inputs(CCompositeAux::eInputs);
    for (int i = 0; i < 8; ++i) {
        QCOMPARE(inputs.level(i).packed(), resolve(inputs.memory, kInputs.arg(i + 1)).packed());
        QVERIFY(inputs.aux.child(i)->isAttached());
    }
    // A non-numeric header offset reads 0; a missing one counts 0.
    inputs.aux.setHeaderList(QStringLiteral("x;;7"));
    inputs.aux.ylayout();
    QCOMPARE(inputs.aux.child(0)->rect().y(), 0);
    QCOMPARE(inputs.aux.child(4)->rect().y(), 4 * 8 + 7);
    // Width-less bars: nothing drawn, nothing written.
    inputs.aux.setThumbImage(QPixmap());
    inputs.aux.setMargin(0);
    inputs.aux.ylayout();
    writeAt(inputs.memory, inputs.level(0), 1023);
    inputs.aux.forceAnUpdate();
    int writes = inputs.memory.writes;
    QTest::mouseClick(&inputs.aux, Qt::LeftButton, {}, QPoint(0, 0));
    QCOMPARE(inputs.memory.writes.load(), writes);
    // Children made later take the stored template.
    inputs.aux.setNumChildren(2);
    QCOMPARE(inputs.aux.child(1)->namedAddress(), kInputs.arg(2));
    QVERIFY(inputs.aux.child(1)->isAttached());

    // Without memory a send has no address, no level and the on-post state.
    CCompositeAux aux;
    aux.setNumChildren(4);
    aux.setNamedAddress(kInputs);
    QCOMPARE(aux.child(2)->selectorState(), 2);
    QVERIFY(!aux.child(2)->address().isValid());

    Rig rig(CCompositeAux::eInputs);
    // Property and value bursts coalesce into one layout and one picture each.
    QTest::qWait(CCompositeAux::LayoutDelay + 50);
    const int layouts = rig.aux.layoutCount();
    const int renders = rig.aux.pictureRebuildCount();
    rig.aux.setSeparation(9);
    rig.aux.setMargin(12);
    rig.aux.setThumbImage(solid(kStateColour[2]));
    rig.aux.setHeaderHeight(3);
    QTRY_COMPARE(rig.aux.layoutCount(), layouts + 1);
    QTRY_COMPARE(rig.aux.pictureRebuildCount(), renders + 1);

    QVERIFY(runOnWorker([&] {
        for (int round = 0; round < 10; ++round) {
            for (int i = 0; i < 8; ++i)
                writeAt(rig.memory, rig.level(i), 100 + round * 10 + i);
        }
    }));
    QTRY_COMPARE(rig.aux.pictureRebuildCount(), renders + 2);
    QTest::qWait(CCompositeAux::LayoutDelay + 50);
    QCOMPARE(rig.aux.pictureRebuildCount(), renders + 2);
    QCOMPARE(rig.aux.layoutCount(), layouts + 1);
    for (int i = 0; i < 8; ++i)
        QCOMPARE(rig.aux.child(i)->value(), 190 + i);
    QCOMPARE(rig.memory.changes.load(), 80);

    checkStates(rig, 2, 1);
    QSignalSpy begin(&rig.aux, SIGNAL(alternativeDisplayBegin()));
    QSignalSpy end(&rig.aux, SIGNAL(alternativeDisplayEnd()));
    QSignalSpy text(&rig.aux, SIGNAL(textualValueChange(QString)));
    // Dragging a bar writes the level under the pointer, shown as text while dragging.
    QTest::mousePress(&rig.aux, Qt::LeftButton, {}, rig.bar(1, 25));
    QCOMPARE(valueAt(rig.memory, rig.level(1)), 1023 / 4);
    QTest::mouseMove(&rig.aux, rig.bar(1, 50));
    QTest::mouseRelease(&rig.aux, Qt::LeftButton, {}, rig.bar(1, 50));
    QCOMPARE(valueAt(rig.memory, rig.level(1)), 1023 / 2);
    QCOMPARE(begin.count(), 1);
    QCOMPARE(end.count(), 1);
    QString expected;
    rig.memory.valueToText(0, 5, &expected, nullptr, 1023 / 2, 0, rig.level(1).element,
                           rig.level(1).parameter);
    QCOMPARE(text.last().first().toString(), expected);
    // The bar is drawn up to the level.
    QCOMPARE(colourAt(&rig.aux, rig.bar(1, 45)), kStateColour[0]);
    QVERIFY(colourAt(&rig.aux, rig.bar(1, 55)) != kStateColour[0]);
    // A click on the switch toggles it; a press there released elsewhere toggles nothing.
    const IMemAPI::TSingleAddress on = rig.aux.child(6)->onAddress();
    const QPoint left = rig.bar(6, -kMargin / 2);
    QTest::mouseClick(&rig.aux, Qt::LeftButton, {}, left);
    QCOMPARE(valueAt(rig.memory, on), 1);
    QTest::mouseClick(&rig.aux, Qt::LeftButton, {}, left);
    QCOMPARE(valueAt(rig.memory, on), 0);
    QCOMPARE(begin.count(), 1);
    drag(&rig.aux, left, QPoint(left.x(), 119));
    QCOMPARE(valueAt(rig.memory, on), 0);
    // Control and shift clicks write nothing.
    writes = rig.memory.writes;
    drag(&rig.aux, rig.bar(1, 80), rig.bar(1, 80), Qt::ControlModifier);
    QTest::mouseClick(&rig.aux, Qt::LeftButton, Qt::ShiftModifier, rig.bar(1, 90));
    QCOMPARE(rig.memory.writes.load(), writes);

    // A fixed send shows the fixed level and takes no drag.
    rig.aux.setFixed(true, 2);
    QCOMPARE(rig.aux.child(2)->value(), CAuxChild::FixedLevel);
    QCOMPARE(rig.aux.child(1)->value(), 1023 / 2);
    writes = rig.memory.writes;
    drag(&rig.aux, rig.bar(2, 20), rig.bar(2, 40));
    QCOMPARE(rig.memory.writes.load(), writes);
    QCOMPARE(valueAt(rig.memory, rig.level(2)), 192); // as the burst left it

    // Collapsing a layer hides its sends, once per change.
    rig.aux.setHeaderHeight(12);
    QSignalSpy changed(&rig.aux, SIGNAL(layerChanged(Q_UINT8)));
    rig.aux.setLayerCollapsed(0xfd);
    QCOMPARE(changed.count(), 8);
    QCOMPARE(changed.last().first().value<Q_UINT8>(), Q_UINT8(0xfd));
    for (int i = 0; i < 8; ++i)
        QCOMPARE(rig.aux.child(i)->isHidden(), i >= 4);
    QCOMPARE(rig.aux.height(), 60 + 12);
    rig.aux.setLayerCollapsed(0xfd);
    QCOMPARE(changed.count(), 8);
    // A hidden send takes no input where it used to be.
    rig.aux.ylayout();
    writes = rig.memory.writes;
    QTest::mouseClick(&rig.aux, Qt::LeftButton, {}, rig.aux.child(5)->rect().center());
    QCOMPARE(rig.memory.writes.load(), writes);
    // Layers beyond the eight bits read as collapsed; a second list appends.
    QVERIFY(rig.aux.layerCollapsed(8));
    rig.aux.setLayerList(QStringLiteral("60;60"));
    QCOMPARE(rig.aux.layerList(), QString()); // write-only: reads empty
    rig.aux.setLayerCollapsed(0xff);
    QCOMPARE(rig.aux.height(), 4 * 60 + 12);
}

QTEST_MAIN(tst_CompositeAux)
#include "tst_compositeaux.moc"
