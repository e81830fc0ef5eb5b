// The controls that follow the input patch (the +48 V switch and the port dial) and the channel
// select keys, driven as a user would against the embedded memory of the demo console.

#include "C48V.h"
#include "C48VDial.h"
#include "CSelectButton.h"
#include "CSimpleNotifier.h"
#include "TPatchFollower.h"
#include "TestRig.h"

#include <QPointer>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <memory>
#include <tuple>

using TestRig::settle;

namespace {

const QColor kOnColour(200, 30, 30);
const QColor kOffColour(30, 160, 30);
constexpr int kChannel = 2;
constexpr int kWatchers = 18;
const char *const k48V = "FEkHeadAmp/k48V";
const char *const kGain = "FEkHeadAmp/kGain";
const char *const kSelection = "00kSelect/kSelChannel";

template<class B>
B *makeKey(QWidget *parent)
{
    auto *b = new B(parent);
    b->setCombinedImage(TestRig::frameStrip(QSize(20, 12), 1, 4, [](int, int row) {
        return row == 0 ? kOnColour : row == 1 ? kOffColour : QColor(30, 30, 200 - row * 40);
    }));
    b->setnSubImages(4);
    // Clicks take effect on press: no click delay between the clicks of a test.
    b->setOnStateTrigger(COnOffButton::buttonPush);
    b->setOffStateTrigger(COnOffButton::buttonPush);
    return b;
}

C48V *makePhantom(QWidget *parent)
{
    auto *b = makeKey<C48V>(parent);
    b->setXtraInfo(QStringLiteral("00kHeadAmp/k48V"));
    return b;
}

// A memory that refuses to resolve the +48 V base once.
class RefusingMemory : public TestRig::CountingMemory
{
public:
    int resolveAddress(TAddressQuery *query) override
    {
        if (query && query->name == "00kHeadAmp/k48V" && refusals-- > 0)
            return -1;
        return TestRig::CountingMemory::resolveAddress(query);
    }
    int refusals = 1;
};

} // namespace

class tst_PatchButtons : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // No catalogue of the suite's own: the memory keeps the built-in demo console.
    void init() { m_rig = std::make_unique<TestRig::Console>("", kChannel); }
    void cleanup() { m_rig.reset(); }

    void switchAndDialFollowThePatch();
    void baseResolvedOnlyWithAMemory();
    void selectKeys();

private:
    int observers(const char *name, int channel) const
    {
        return m_rig->memory.observerCount(m_rig->at(name, channel).packed());
    }
    void patch(int port) { m_rig->set("FEkPatchInInput/kPatchIn", port + 1); }

    std::unique_ptr<TestRig::Console> m_rig;
};

// --- +48 V switch -------------------------------------------------------------------------------

// The switch and the dial on one patch: bound while patched to nothing, patched (from the
// console's thread too), set-up changes that make them look again, disconnected, destroyed by a
// watcher's own call.
void tst_PatchButtons::switchAndDialFollowThePatch()
{
    C48V *b = makePhantom(&m_rig->host);
    QPointer<C48V> doomed = makePhantom(&m_rig->host);
    auto *dial = new C48VDial(&m_rig->host);
    dial->setGeometry(40, 0, 40, 40);
    dial->setXtraInfo(QStringLiteral("00kHeadAmp/kGain"));
    QSignalSpy enabled(dial, &C48VDial::enabledUpdate);
    QVERIFY(m_rig->bind(b, k48V));
    QCOMPARE(enabled.count(), 1); // after polish
    QVERIFY(enabled.last().at(0).toBool());
    QVERIFY(TestRig::bind(m_rig->memory, *dial, QString::fromLatin1(kGain), kChannel));
    settle();
    // Unpatched: greyed and deaf, the dial without a range.
    QCOMPARE(qMakePair(dial->minimum(), dial->maximum()), qMakePair(0, 0));
    QVERIFY(!dial->isEnabled() && !b->isEnabled());
    QVERIFY(!enabled.last().at(0).toBool());
    QCOMPARE(observers(kGain, kChannel) + observers(k48V, kChannel), 0);

    m_rig->set(kGain, -30, 4);
    patch(4);
    settle();
    QVERIFY(dial->isEnabled() && b->isEnabled());
    QVERIFY(enabled.last().at(0).toBool());
    QCOMPARE(qMakePair(dial->minimum(), dial->maximum()), qMakePair(-60, 10));
    QCOMPARE(dial->value(), -30);
    QCOMPARE(observers(kGain, 4) + observers(k48V, 4), 2);
    // What a stored value shows and what a click writes, plain, inverted or clipped (k48V is
    // 0..1: an on value of 2 is stored as 1, and the truth value never equals it).
    const QList<std::tuple<bool, int, int, bool, int>> states {
            {false, 1, 1, true, 0}, {false, 2, 1, false, 1}, {true, 0, 1, false, 0},
            {true, 0, 0, true, 1},  {false, 0, 0, false, 1}, {false, 0, 1, true, 0}};
    for (const auto &[inverted, clip, stored, lit, written] : states) {
        b->setInvertedLogic(inverted);
        b->setBoolClipValue(clip);
        m_rig->set(k48V, 1 - stored, 4); // from the other value, so that the display changes
        m_rig->set(k48V, stored, 4);
        QCOMPARE(b->isChecked(), lit);
        QCOMPARE(TestRig::colourAt(b), lit ? kOnColour : kOffColour);
        QTest::mouseClick(b, Qt::LeftButton);
        QCOMPARE(m_rig->value(k48V, 4), written);
    }
    QCOMPARE(m_rig->value(k48V), 0);
    // A drag writes the patched port's gain and no other.
    CDial::setVerticalMode(true);
    const int ownBefore = m_rig->value(kGain);
    const QPoint c(20, 20);
    QTest::mousePress(dial, Qt::LeftButton, Qt::NoModifier, c);
    QTest::mouseMove(dial, c);
    QTest::mouseMove(dial, c - QPoint(0, 8));
    QTest::mouseRelease(dial, Qt::LeftButton, Qt::NoModifier, c - QPoint(0, 8));
    CDial::setVerticalMode(false);
    QCOMPARE(m_rig->value(kGain, 4), -22);
    QCOMPARE(m_rig->value(kGain), ownBefore);
    // A reset reads the own address's default and writes it through the patch.
    dial->reset2defaults();
    QCOMPARE(m_rig->value(kGain, 4),
             m_rig->memory.getValueEx(dial->element(), dial->parameter(), dial->channel()));
    QCOMPARE(dial->value(), m_rig->value(kGain, 4));

    // Re-patched by the console, from its own thread.
    QVERIFY(TestRig::runOnWorker([this] { patch(5); }));
    settle();
    QCOMPARE(QList<int>({observers(k48V, 4), observers(k48V, 5)}), QList<int>({0, 1}));
    // Re-patching keeps the watchers it has: none leak, none are lost.
    QCOMPARE(b->findChildren<CSimpleNotifier *>().size(), kWatchers);
    QTest::mouseClick(b, Qt::LeftButton);
    QCOMPARE(m_rig->value(k48V, 5), 1);
    QCOMPARE(m_rig->value(k48V, 4), 0);

    // Patched to nothing while lit: greyed, dark, deaf, and clicks write nothing.
    m_rig->set("FEkPatchInInput/kPatchIn", 0);
    settle();
    QVERIFY(!b->isEnabled() && !b->isChecked());
    QCOMPARE(observers(k48V, 5), 0);
    const int writes = m_rig->memory.writes;
    QTest::mouseClick(b, Qt::LeftButton);
    QCOMPARE(m_rig->memory.writes.load(), writes);

    // The patch moves without telling anybody; a set-up change makes the switch look again.
    const IMemAPI::TSingleAddress patchIn = m_rig->at("FEkPatchInInput/kPatchIn");
    int port = 8;
    for (const auto &[setting, channel] :
         QList<QPair<const char *, int>> {{"FEkSetupKV518/kKV518Port", 0},
                                          {"FEkSetupKV518/kKV518Port", 15},
                                          {"00kKV518Host/kKV518HostID", 0}}) {
        m_rig->memory.setValue(patchIn.element, patchIn.parameter, patchIn.channel, 10 + 1, 0x7777,
                               0);
        settle();
        QCOMPARE(observers(k48V, 10), 0);
        m_rig->set(setting, 3 + port, channel);
        settle();
        QCOMPARE(observers(k48V, 10), 1);
        port = port == 7 ? 8 : 7; // off port 10 again, for the next setting
        patch(port);
        settle();
    }

    // Disconnected, it observes nothing and a patch change does not bring it back.
    QCOMPARE(observers(k48V, port), 1);
    b->disconnectMemAPI();
    QCOMPARE(observers(k48V, port), 0);
    patch(8);
    settle();
    QCOMPARE(observers(k48V, 8), 0);

    // A switch destroyed by a watcher's own call leaves no observer behind.
    QVERIFY(m_rig->bind(doomed, k48V));
    settle();
    QCOMPARE(observers(k48V, 8), 1);
    const QList<CSimpleNotifier *> watchers = doomed->findChildren<CSimpleNotifier *>();
    const auto watcher = std::find_if(watchers.begin(), watchers.end(), [](CSimpleNotifier *n) {
        return n->namedAddress().startsWith(QLatin1String("FEkPatchIn"));
    });
    QVERIFY(watcher != watchers.end());
    connect(*watcher, &CSimpleNotifier::valueChanged, this, [&doomed] { delete doomed.data(); });
    patch(2);
    settle();
    QVERIFY(doomed.isNull());
    QCOMPARE(observers(k48V, 8) + observers(k48V, 2), 0);
}

// Without a memory nothing resolves and nothing is written; bad bases resolve to nothing; a base
// the memory rejects once is tried again on the watchers' first calls.
void tst_PatchButtons::baseResolvedOnlyWithAMemory()
{
    C48V *loose = makePhantom(&m_rig->host);
    auto *dial = new C48VDial(&m_rig->host);
    dial->setXtraInfo(QStringLiteral("00kHeadAmp/kGain"));
    m_rig->host.show();
    QTest::mouseClick(loose, Qt::LeftButton);
    QVERIFY(loose->isChecked());
    QCOMPARE(loose->baseElement(), TPatchFollower::Unresolved);
    QCOMPARE(dial->baseElement(), TPatchFollower::Unresolved);
    QVERIFY(!loose->connectMemAPI());
    QVERIFY(!dial->connectMemAPI());
    QCOMPARE(m_rig->memory.writes.load(), 0);

    // Bases that are empty, not ASCII or unknown leave both unresolved, greyed and deaf.
    patch(2);
    for (const QString &bad : {QString(), QStringLiteral("00kHeadAmp/k48V\u00e9"),
                               QStringLiteral("00kHeadAmp/kNoSuch")}) {
        C48V *b = makePhantom(&m_rig->host);
        b->setXtraInfo(bad);
        auto *dial = new C48VDial(&m_rig->host);
        dial->setXtraInfo(bad);
        QVERIFY(TestRig::bind(m_rig->memory, *b, QString::fromLatin1(k48V), kChannel));
        QVERIFY(TestRig::bind(m_rig->memory, *dial, QString::fromLatin1(kGain), kChannel));
        settle();
        QCOMPARE(b->baseElement(), TPatchFollower::Unresolved);
        QCOMPARE(dial->baseIndex(), TPatchFollower::Unresolved);
        QVERIFY(!b->isEnabled() && !dial->isEnabled());
        QCOMPARE(observers(k48V, 2) + observers(kGain, 2), 0);
    }

    RefusingMemory memory;
    const IMemAPI::TSingleAddress patchIn =
            TestRig::resolve(memory, QStringLiteral("FEkPatchInInput/kPatchIn"), kChannel);
    memory.setValue(patchIn.element, patchIn.parameter, patchIn.channel, 6 + 1, 0x7777);
    C48V *b = makePhantom(&m_rig->host);
    b->setNamedAddress(QString::fromLatin1(k48V));
    QCOMPARE(memory.connectProxy(b, kChannel), 0);
    QVERIFY(!b->isEnabled());
    const quint32 phantom6 = TestRig::resolve(memory, QString::fromLatin1(k48V), 6).packed();
    QCOMPARE(memory.observerCount(phantom6), 0);
    settle(); // the watchers' first calls make it look again
    QCOMPARE(b->baseElement(),
             quint16(TestRig::resolve(memory, QStringLiteral("00kHeadAmp/k48V")).element));
    QVERIFY(b->isEnabled());
    QCOMPARE(memory.observerCount(phantom6), 1);
    delete b; // before its memory goes
}

// --- select keys --------------------------------------------------------------------------------

// Eight keys, 4 and 5 a pair: the partner of the selected key blinks with the shared phase; a
// key's base offset goes into what it writes.
void tst_PatchButtons::selectKeys()
{
    QObject *timer = m_rig->memory.blinkPhase(nullptr, 0);
    QVERIFY(timer);
    // Ticks driven here, not waited for: the phase toggles first, then the keys repaint.
    auto tick = [timer] { QMetaObject::invokeMethod(timer, "timeout"); };
    // Keys 8 and 9 stand for the own channel too, with base offsets of 48 and 65535.
    CSelectButton *keys[10];
    for (int c = 0; c < 10; ++c) {
        keys[c] = makeKey<CSelectButton>(&m_rig->host);
        keys[c]->move(24 * c, 0);
        keys[c]->setselBaseOffset(c == 8 ? 48 : c == 9 ? 65535 : 0);
    }
    m_rig->set("FEkInputPair/kPair", 1, 4);
    m_rig->set("FEkInputPair/kPair", 1, 5);
    m_rig->host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m_rig->host));
    for (int c = 0; c < 10; ++c) {
        QVERIFY(TestRig::bind(m_rig->memory, *keys[c], QStringLiteral("FEkSelect/kSelChannel"),
                              c < 8 ? c : kChannel));
    }
    settle();
    QCOMPARE(observers(kSelection, 0), 10);

    QTest::mouseClick(keys[4], Qt::LeftButton);
    settle();
    QCOMPARE(m_rig->value(kSelection, 0), 4);
    for (int i = 0; i < 3; ++i) {
        tick();
        int phase = 0;
        m_rig->memory.blinkPhase(&phase, 0);
        QCOMPARE(TestRig::colourAt(keys[5]), phase ? kOnColour : kOffColour);
        QCOMPARE(TestRig::colourAt(keys[4]), kOnColour);
        QCOMPARE(TestRig::colourAt(keys[3]), kOffColour); // unpaired neighbour
    }

    // Clicking the lit key writes nothing and it stays lit.
    const int writes = m_rig->memory.writes;
    QTest::mouseClick(keys[4], Qt::LeftButton);
    QCOMPARE(m_rig->memory.writes.load(), writes);
    QVERIFY(keys[4]->isChecked());

    // Another channel selected: the partner holds still, unlit.
    QTest::mouseClick(keys[6], Qt::LeftButton);
    settle();
    QCOMPARE(m_rig->value(kSelection, 0), 6);
    for (int i = 0; i < 2; ++i) {
        tick();
        QCOMPARE(TestRig::colourAt(keys[5]), kOffColour);
    }

    // Selecting 5 makes 4 blink; a disconnected key stops and ticks leave its picture alone.
    QTest::mouseClick(keys[5], Qt::LeftButton);
    settle();
    QVERIFY(keys[4]->isBlinking());
    keys[4]->disconnectMemAPI();
    QVERIFY(!keys[4]->isBlinking());
    const QImage still = keys[4]->grab().toImage();
    tick();
    tick();
    QCOMPARE(keys[4]->grab().toImage(), still);
    // The pair switched off ends the blinking of a connected partner as well.
    QTest::mouseClick(keys[6], Qt::LeftButton);
    m_rig->set("FEkInputPair/kPair", 1, 6);
    m_rig->set("FEkInputPair/kPair", 1, 7);
    QTest::mouseClick(keys[7], Qt::LeftButton);
    settle();
    QVERIFY(keys[6]->isBlinking());
    m_rig->set("FEkInputPair/kPair", 0, 6);
    settle();
    QVERIFY(!keys[6]->isBlinking());

    // A base offset goes into the value a key writes, wrapping at 16 bits; the own channel's
    // parameter is not the selection.
    for (const auto &[key, written] : QList<QPair<int, int>> {{8, 50}, {9, 1}, {2, 2}}) {
        QTest::mouseClick(keys[key], Qt::LeftButton);
        QCOMPARE(m_rig->value(kSelection, 0), written);
        QVERIFY(keys[key]->isChecked());
    }
    QCOMPARE(m_rig->value("FEkSelect/kSelChannel"), 0);
}

QTEST_MAIN(tst_PatchButtons)
#include "tst_patchbuttons.moc"
