// The composite aux-send display against the embedded memory: addressing, send states as drawn,
// fixed sends, layers, dragging a level, clicking a switch, and coalesced bursts.

#include "CAuxChild.h"
#include "CCompositeAux.h"
#include "TestRig.h"

#include <QTest>

using namespace TestRig;

namespace {

constexpr int kBarWidth = 100;
constexpr int kBarHeight = 6;
constexpr int kMargin = 10;
const QString kInputs = QStringLiteral("FEkInput/kAuxLevel%1");
const QString kMatrix = QStringLiteral("%1kMatrixSendLevel/kLevel");

QPixmap solid(QColor colour, int width = kBarWidth)
{
    QPixmap p(width, kBarHeight);
    p.fill(colour);
    return p;
}

const QColor kStateColour[4] = {Qt::red, Qt::green, Qt::blue, Qt::yellow};

struct Rig
{
    Rig(CCompositeAux::EAddressingMode mode, const QString &address, int children = 8)
    {
        aux.setOffPostFader(solid(kStateColour[0]));
        aux.setOffPreFader(solid(kStateColour[1]));
        aux.setThumbImage(solid(kStateColour[2]));
        aux.setOnPreFader(solid(kStateColour[3]));
        aux.setMargin(kMargin);
        aux.setNumChildren(children);
        aux.setAddrMode(mode);
        aux.setNamedAddress(address);
        aux.setLayerList(QStringLiteral("60;60"));
        aux.resize(140, 120);
        memory.connectTree(&aux, 0);
        aux.ylayout();
        aux.show();
        settle();
    }
    int get(const IMemAPI::TSingleAddress &a)
    {
        return memory.getValue(a.element, a.parameter, a.channel);
    }
    void set(const IMemAPI::TSingleAddress &a, int v)
    {
        memory.setValue(a.element, a.parameter, a.channel, v, memory.sourceId(0) + 1);
    }
    IMemAPI::TSingleAddress level(int i) const { return aux.child(i)->address(); }
    QPoint barPoint(int i, int dx) const
    {
        const QRect r = aux.child(i)->rect();
        return QPoint(r.x() + dx, r.center().y());
    }

    CountingMemory memory;
    CCompositeAux aux;
};

} // namespace

class tst_CompositeAux : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void addressFanOut();
    void states_data();
    void states();
    void withoutMemory();
    void fixedChild();
    void collapse();
    void dragWritesLevel();
    void switchClickToggles();
    void burstsCoalesce();
    void badInput();
};

void tst_CompositeAux::addressFanOut()
{
    Rig matrix(CCompositeAux::eMatrix, kMatrix, 12);
    QCOMPARE(matrix.aux.child(0)->namedAddress(), QStringLiteral("00kMatrixSendLevel/kLevel"));
    QCOMPARE(matrix.aux.child(9)->namedAddress(), QStringLiteral("09kMatrixSendLevel/kLevel"));
    QCOMPARE(matrix.aux.child(10)->namedAddress(), QStringLiteral("0akMatrixSendLevel/kLevel"));
    QCOMPARE(matrix.level(10).packed(),
             resolve(matrix.memory, QStringLiteral("0AkMatrixSendLevel/kLevel")).packed());
    QCOMPARE(matrix.aux.address().packed(), matrix.level(0).packed());
    QVERIFY(matrix.aux.child(11)->isAttached());
    QVERIFY(matrix.aux.isVisible());

    Rig inputs(CCompositeAux::eInputs, kInputs);
    for (int i = 0; i < 8; ++i) {
        QCOMPARE(inputs.level(i).packed(), resolve(inputs.memory, kInputs.arg(i + 1)).packed());
        QVERIFY(inputs.aux.child(i)->isAttached());
    }
    // Children made later take the stored template.
    inputs.aux.setNumChildren(2);
    QCOMPARE(inputs.aux.child(1)->namedAddress(), kInputs.arg(2));
    QVERIFY(inputs.aux.child(1)->isAttached());
}

void tst_CompositeAux::states_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("on");
    QTest::addColumn<int>("prePost");
    QTest::addColumn<int>("state");
    QTest::newRow("inputs off post") << 1 << 0 << 0 << 0;
    QTest::newRow("inputs off pre") << 1 << 0 << 1 << 1;
    QTest::newRow("inputs on post") << 1 << 1 << 0 << 2;
    QTest::newRow("inputs on pre") << 1 << 1 << 1 << 3;
    QTest::newRow("matrix off 0") << 2 << 0 << 0 << 0;
    QTest::newRow("matrix off post") << 2 << 0 << 1 << 0;
    QTest::newRow("matrix off pre") << 2 << 0 << 2 << 1;
    QTest::newRow("matrix off 3") << 2 << 0 << 3 << 0;
    QTest::newRow("matrix on 0") << 2 << 1 << 0 << 2;
    QTest::newRow("matrix on post") << 2 << 1 << 1 << 2;
    QTest::newRow("matrix on pre") << 2 << 1 << 2 << 3;
    QTest::newRow("matrix on 3") << 2 << 1 << 3 << 2;
}

void tst_CompositeAux::states()
{
    QFETCH(int, mode);
    QFETCH(int, on);
    QFETCH(int, prePost);
    QFETCH(int, state);
    const auto m = CCompositeAux::EAddressingMode(mode);
    Rig rig(m, m == CCompositeAux::eInputs ? kInputs : kMatrix);
    CAuxChild *c = rig.aux.child(3);
    rig.set(c->onAddress(), on);
    rig.set(c->prePostAddress(), prePost);
    rig.set(rig.level(3), 1023);
    rig.aux.forceAnUpdate();
    QCOMPARE(c->selectorState(), state);
    QCOMPARE(colourAt(&rig.aux, rig.barPoint(3, kBarWidth / 2)), kStateColour[state]);
    QCOMPARE(rig.memory.writes.load(), 3);
}

void tst_CompositeAux::withoutMemory()
{
    CCompositeAux aux;
    aux.setNumChildren(4);
    aux.setNamedAddress(kInputs);
    QCOMPARE(aux.child(2)->selectorState(), 2);
    QCOMPARE(aux.child(2)->value(), 0);
    QVERIFY(!aux.child(2)->address().isValid());
}

void tst_CompositeAux::fixedChild()
{
    Rig rig(CCompositeAux::eInputs, kInputs);
    rig.aux.setFixed(true, 2);
    QCOMPARE(rig.aux.child(2)->value(), CAuxChild::FixedLevel);
    QCOMPARE(rig.aux.child(1)->value(), 0);
    const int writes = rig.memory.writes;
    QTest::mousePress(&rig.aux, Qt::LeftButton, {}, rig.barPoint(2, 20));
    QTest::mouseMove(&rig.aux, rig.barPoint(2, 40));
    QTest::mouseRelease(&rig.aux, Qt::LeftButton, {}, rig.barPoint(2, 40));
    QCOMPARE(rig.memory.writes.load(), writes);
    QCOMPARE(rig.get(rig.level(2)), 0);
    QCOMPARE(rig.aux.child(2)->value(), CAuxChild::FixedLevel);
}

void tst_CompositeAux::collapse()
{
    Rig rig(CCompositeAux::eInputs, kInputs);
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
    const int writes = rig.memory.writes;
    const QRect gone = rig.aux.child(5)->rect();
    QTest::mouseClick(&rig.aux, Qt::LeftButton, {}, gone.center());
    QCOMPARE(rig.memory.writes.load(), writes);

    // Layers beyond the eight bits read as collapsed; a second list appends.
    QVERIFY(rig.aux.layerCollapsed(8));
    QVERIFY(!rig.aux.layerCollapsed(0));
    rig.aux.setLayerList(QStringLiteral("60;60"));
    QCOMPARE(rig.aux.layerList(), QString());
    rig.aux.setLayerCollapsed(0xff);
    QCOMPARE(rig.aux.height(), 4 * 60 + 12);
}

void tst_CompositeAux::dragWritesLevel()
{
    Rig rig(CCompositeAux::eInputs, kInputs);
    QSignalSpy begin(&rig.aux, SIGNAL(alternativeDisplayBegin()));
    QSignalSpy end(&rig.aux, SIGNAL(alternativeDisplayEnd()));
    QSignalSpy text(&rig.aux, SIGNAL(textualValueChange(QString)));
    QTest::mousePress(&rig.aux, Qt::LeftButton, {}, rig.barPoint(1, 25));
    QCOMPARE(rig.get(rig.level(1)), 1023 / 4);
    QTest::mouseMove(&rig.aux, rig.barPoint(1, 50));
    QTest::mouseRelease(&rig.aux, Qt::LeftButton, {}, rig.barPoint(1, 50));
    QCOMPARE(rig.get(rig.level(1)), 1023 / 2);
    QCOMPARE(begin.count(), 1);
    QCOMPARE(end.count(), 1);
    QVERIFY(!text.isEmpty());
    QString expected;
    rig.memory.valueToText(0, 5, &expected, nullptr, 1023 / 2, 0, rig.level(1).element,
                           rig.level(1).parameter);
    QCOMPARE(text.last().first().toString(), expected);
    // The bar is drawn up to the level.
    QCOMPARE(colourAt(&rig.aux, rig.barPoint(1, 45)), kStateColour[0]);
    QVERIFY(colourAt(&rig.aux, rig.barPoint(1, 55)) != kStateColour[0]);

    const int writes = rig.memory.writes;
    QTest::mousePress(&rig.aux, Qt::LeftButton, Qt::ControlModifier, rig.barPoint(1, 80));
    QTest::mouseRelease(&rig.aux, Qt::LeftButton, Qt::ControlModifier, rig.barPoint(1, 80));
    QTest::mouseClick(&rig.aux, Qt::LeftButton, Qt::ShiftModifier, rig.barPoint(1, 90));
    QCOMPARE(rig.memory.writes.load(), writes);
    QCOMPARE(rig.get(rig.level(1)), 1023 / 2);
}

void tst_CompositeAux::switchClickToggles()
{
    Rig rig(CCompositeAux::eInputs, kInputs);
    QSignalSpy begin(&rig.aux, SIGNAL(alternativeDisplayBegin()));
    const IMemAPI::TSingleAddress on = rig.aux.child(6)->onAddress();
    const QPoint left = rig.barPoint(6, -kMargin / 2);
    QTest::mouseClick(&rig.aux, Qt::LeftButton, {}, left);
    QCOMPARE(rig.get(on), 1);
    QCOMPARE(rig.aux.child(6)->selectorState(), 2);
    QCOMPARE(rig.get(rig.level(6)), 0);
    QTest::mouseClick(&rig.aux, Qt::LeftButton, {}, left);
    QCOMPARE(rig.get(on), 0);
    QCOMPARE(begin.count(), 0);
    // A press in the switch area released elsewhere toggles nothing.
    QTest::mousePress(&rig.aux, Qt::LeftButton, {}, left);
    QTest::mouseRelease(&rig.aux, Qt::LeftButton, {}, QPoint(left.x(), 119));
    QCOMPARE(rig.get(on), 0);
}

void tst_CompositeAux::burstsCoalesce()
{
    Rig rig(CCompositeAux::eInputs, kInputs);
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
                rig.set(rig.level(i), 100 + round * 10 + i);
        }
    }));
    QTRY_COMPARE(rig.aux.pictureRebuildCount(), renders + 2);
    QTest::qWait(CCompositeAux::LayoutDelay + 50);
    QCOMPARE(rig.aux.pictureRebuildCount(), renders + 2);
    QCOMPARE(rig.aux.layoutCount(), layouts + 1);
    for (int i = 0; i < 8; ++i)
        QCOMPARE(rig.aux.child(i)->value(), 190 + i);
    QCOMPARE(rig.memory.changes.load(), 80);
}

void tst_CompositeAux::badInput()
{
    Rig rig(CCompositeAux::eMatrix, kMatrix, 3);
    rig.aux.setNumChildren(300);
    rig.aux.setNumChildren(-1);
    rig.aux.setChildIndexStart(256);
    rig.aux.setHeaderHeight(-1);
    QCOMPARE(rig.aux.numChildren(), 3);
    QCOMPARE(rig.aux.childIndexStart(), 1);
    QCOMPARE(rig.aux.headerHeight(), 0);

    // Index 256 gives three hex digits: that send stays unbound.
    rig.aux.setChildIndexStart(255);
    QCOMPARE(rig.aux.child(2)->namedAddress(), QStringLiteral("100kMatrixSendLevel/kLevel"));
    QVERIFY(!rig.aux.child(2)->address().isValid());
    QVERIFY(!rig.aux.child(2)->isAttached());

    // A non-numeric offset reads 0; a missing one counts 0.
    Rig inputs(CCompositeAux::eInputs, kInputs);
    inputs.aux.setHeaderList(QStringLiteral("x;;7"));
    inputs.aux.ylayout();
    QCOMPARE(inputs.aux.child(0)->rect().y(), 0);
    QCOMPARE(inputs.aux.child(4)->rect().y(), 4 * 8 + 7);

    // Width-less bars: nothing drawn, nothing written.
    inputs.aux.setThumbImage(QPixmap());
    inputs.aux.setMargin(0);
    inputs.aux.ylayout();
    inputs.set(inputs.level(0), 1023);
    inputs.aux.forceAnUpdate();
    const int writes = inputs.memory.writes;
    QTest::mouseClick(&inputs.aux, Qt::LeftButton, {}, QPoint(0, 0));
    QCOMPARE(inputs.memory.writes.load(), writes);
}

QTEST_MAIN(tst_CompositeAux)
#include "tst_compositeaux.moc"
