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

#include <memory>

using TestRig::settle;

namespace {

const QColor kOnColour(200, 30, 30);
const QColor kOffColour(30, 160, 30);
constexpr int kChannel = 2;
constexpr int kWatchers = 18;

QPixmap strip()
{
    return TestRig::frameStrip(QSize(20, 12), 1, 4, [](int, int row) {
        return row == 0 ? kOnColour : row == 1 ? kOffColour : QColor(30, 30, 200 - row * 40);
    });
}

template<class B>
B *makeKey(QWidget *parent)
{
    auto *b = new B(parent);
    b->setCombinedImage(strip());
    b->setnSubImages(4);
    // Clicks take effect on press: no click delay between the clicks of a test.
    b->setOnStateTrigger(COnOffButton::buttonPush);
    b->setOffStateTrigger(COnOffButton::buttonPush);
    return b;
}

// A memory that refuses to resolve one name a number of times first.
class RefusingMemory : public TestRig::CountingMemory
{
public:
    int resolveAddress(TAddressQuery *query) override
    {
        if (query && query->name == refused && refusals > 0) {
            --refusals;
            return -1;
        }
        return TestRig::CountingMemory::resolveAddress(query);
    }
    QByteArray refused;
    int refusals = 0;
};

} // namespace

class tst_PatchButtons : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    // +48 V switch
    void phantomFollowsThePatch();
    void setupChangesResolveAgain_data();
    void setupChangesResolveAgain();
    void phantomState_data();
    void phantomState();
    void badBase_data();
    void badBase();
    void rejectedBaseIsTriedAgain();
    void withoutMemory();
    void destroyedInsideWatcherCall();

    // port dial
    void dialFollowsThePatch();

    // select keys
    void pairPartnerBlinks();
    void selectValueOffsets_data();
    void selectValueOffsets();

private:
    void setAt(const char *name, int channel, int value, int notify = 1);
    int at(const char *name, int channel) const;
    quint32 packed(const char *name, int channel) const;
    int observers(const char *name, int channel) const
    {
        return m_memory->observerCount(packed(name, channel));
    }
    C48V *makePhantom();
    void patch(int port) { setAt("FEkPatchInInput/kPatchIn", kChannel, port + 1); }

    std::unique_ptr<RefusingMemory> m_memory;
    std::unique_ptr<QWidget> m_window;
};

void tst_PatchButtons::init()
{
    m_memory = std::make_unique<RefusingMemory>();
    m_window = std::make_unique<QWidget>();
    m_window->resize(400, 200);
}

void tst_PatchButtons::cleanup()
{
    m_window.reset();
    m_memory.reset();
}

void tst_PatchButtons::setAt(const char *name, int channel, int value, int notify)
{
    const auto a = TestRig::resolve(*m_memory, QString::fromLatin1(name), channel);
    QVERIFY(a.isValid());
    m_memory->setValue(a.element, a.parameter, a.channel, value, 0x7777, notify);
}

int tst_PatchButtons::at(const char *name, int channel) const
{
    const auto a = TestRig::resolve(*m_memory, QString::fromLatin1(name), channel);
    return a.isValid() ? m_memory->getValue(a.element, a.parameter, a.channel) : -12345;
}

quint32 tst_PatchButtons::packed(const char *name, int channel) const
{
    return TestRig::resolve(*m_memory, QString::fromLatin1(name), channel).packed();
}

C48V *tst_PatchButtons::makePhantom()
{
    auto *b = makeKey<C48V>(m_window.get());
    b->setXtraInfo(QStringLiteral("00kHeadAmp/k48V"));
    b->setNamedAddress(QStringLiteral("FEkHeadAmp/k48V"));
    m_window->show();
    return b;
}

// --- +48 V switch -------------------------------------------------------------------------------

void tst_PatchButtons::phantomFollowsThePatch()
{
    patch(3);
    C48V *b = makePhantom();
    QCOMPARE(m_memory->connectProxy(b, kChannel), 0);
    settle();
    QCOMPARE(b->findChildren<CSimpleNotifier *>().size(), kWatchers);
    QCOMPARE(observers("FEkHeadAmp/k48V", 3), 1);
    QCOMPARE(observers("FEkHeadAmp/k48V", kChannel), 0);
    QVERIFY(b->isEnabled());

    QTest::mouseClick(b, Qt::LeftButton);
    QCOMPARE(at("FEkHeadAmp/k48V", 3), 1);
    QCOMPARE(at("FEkHeadAmp/k48V", kChannel), 0);
    QCOMPARE(TestRig::colourAt(b), kOnColour);
    setAt("FEkHeadAmp/k48V", 3, 0); // another editor
    QVERIFY(!b->isChecked());

    // Re-patched by the console, from its own thread.
    QVERIFY(TestRig::runOnWorker([this] { patch(5); }));
    settle();
    QCOMPARE(observers("FEkHeadAmp/k48V", 3), 0);
    QCOMPARE(observers("FEkHeadAmp/k48V", 5), 1);
    QCOMPARE(b->findChildren<CSimpleNotifier *>().size(), kWatchers);
    QTest::mouseClick(b, Qt::LeftButton);
    QCOMPARE(at("FEkHeadAmp/k48V", 5), 1);
    QCOMPARE(at("FEkHeadAmp/k48V", 3), 0);

    // Patched to nothing: greyed, deaf, and clicks write nothing.
    setAt("FEkPatchInInput/kPatchIn", kChannel, 0);
    settle();
    QVERIFY(!b->isEnabled());
    QVERIFY(!b->isChecked());
    QCOMPARE(observers("FEkHeadAmp/k48V", 5), 0);
    const int writes = m_memory->writes;
    QTest::mouseClick(b, Qt::LeftButton);
    QCOMPARE(m_memory->writes.load(), writes);

    // Disconnected, it observes nothing and a patch change does not bring it back.
    patch(7);
    settle();
    QCOMPARE(observers("FEkHeadAmp/k48V", 7), 1);
    b->disconnectMemAPI();
    QCOMPARE(observers("FEkHeadAmp/k48V", 7), 0);
    patch(8);
    settle();
    QCOMPARE(observers("FEkHeadAmp/k48V", 8), 0);
}

void tst_PatchButtons::setupChangesResolveAgain_data()
{
    QTest::addColumn<QString>("setting");
    QTest::addColumn<int>("channel");
    QTest::newRow("first port set-up") << "FEkSetupKV518/kKV518Port" << 0;
    QTest::newRow("last port set-up") << "FEkSetupKV518/kKV518Port" << 15;
    QTest::newRow("host id") << "00kKV518Host/kKV518HostID" << 0;
}

void tst_PatchButtons::setupChangesResolveAgain()
{
    QFETCH(QString, setting);
    QFETCH(int, channel);
    patch(1);
    C48V *b = makePhantom();
    QCOMPARE(m_memory->connectProxy(b, kChannel), 0);
    settle();
    // The patch moves without telling anybody; the set-up change makes the switch look again.
    setAt("FEkPatchInInput/kPatchIn", kChannel, 10 + 1, 0);
    settle();
    QCOMPARE(observers("FEkHeadAmp/k48V", 1), 1);
    setAt(setting.toLatin1().constData(), channel, 3);
    settle();
    QCOMPARE(observers("FEkHeadAmp/k48V", 1), 0);
    QCOMPARE(observers("FEkHeadAmp/k48V", 10), 1);
}

void tst_PatchButtons::phantomState_data()
{
    QTest::addColumn<bool>("inverted");
    QTest::addColumn<int>("clip");
    QTest::addColumn<int>("stored");
    QTest::addColumn<bool>("lit");
    QTest::addColumn<int>("written"); // by a click; -1: none expected to differ

    QTest::newRow("off") << false << 0 << 0 << false << 1;
    QTest::newRow("on") << false << 0 << 1 << true << 0;
    QTest::newRow("inverted off") << true << 0 << 1 << false << 0;
    QTest::newRow("inverted on") << true << 0 << 0 << true << 1;
    QTest::newRow("clip 1 as 0") << false << 1 << 1 << true << 0;
    // The truth value never equals an on value of 2.
    QTest::newRow("clip 2 never lit") << false << 2 << 1 << false << 1;
}

void tst_PatchButtons::phantomState()
{
    QFETCH(bool, inverted);
    QFETCH(int, clip);
    QFETCH(int, stored);
    QFETCH(bool, lit);
    QFETCH(int, written);
    patch(4);
    setAt("FEkHeadAmp/k48V", 4, stored);
    C48V *b = makePhantom();
    b->setInvertedLogic(inverted);
    b->setBoolClipValue(clip);
    QCOMPARE(m_memory->connectProxy(b, kChannel), 0);
    settle();
    QCOMPARE(b->isChecked(), lit);
    QCOMPARE(TestRig::colourAt(b), lit ? kOnColour : kOffColour);
    QTest::mouseClick(b, Qt::LeftButton);
    // The range of k48V is 0..1: an on value of 2 is stored as 1.
    QCOMPARE(at("FEkHeadAmp/k48V", 4), written);
}

void tst_PatchButtons::badBase_data()
{
    QTest::addColumn<QString>("xtraInfo");
    QTest::newRow("empty") << QString();
    QTest::newRow("not ASCII") << QStringLiteral("00kHeadAmp/k48V\u00e9");
    QTest::newRow("unknown") << QStringLiteral("00kHeadAmp/kNoSuch");
}

void tst_PatchButtons::badBase()
{
    QFETCH(QString, xtraInfo);
    patch(2);
    C48V *b = makePhantom();
    b->setXtraInfo(xtraInfo);
    C48VDial *dial = new C48VDial(m_window.get());
    dial->setXtraInfo(xtraInfo);
    dial->setNamedAddress(QStringLiteral("FEkHeadAmp/kGain"));
    QCOMPARE(m_memory->connectProxy(b, kChannel), 0);
    QCOMPARE(m_memory->connectProxy(dial, kChannel), 0);
    settle();
    QCOMPARE(b->baseElement(), TPatchFollower::Unresolved);
    QCOMPARE(dial->baseIndex(), TPatchFollower::Unresolved);
    QVERIFY(!b->isEnabled());
    QVERIFY(!dial->isEnabled());
    QCOMPARE(observers("FEkHeadAmp/k48V", 2), 0);
    QCOMPARE(observers("FEkHeadAmp/kGain", 2), 0);
}

void tst_PatchButtons::rejectedBaseIsTriedAgain()
{
    patch(6);
    C48V *b = makePhantom();
    m_memory->refused = "00kHeadAmp/k48V";
    m_memory->refusals = 1;
    QCOMPARE(m_memory->connectProxy(b, kChannel), 0);
    QVERIFY(!b->isEnabled());
    QCOMPARE(observers("FEkHeadAmp/k48V", 6), 0);
    settle(); // the watchers' first calls make it look again
    QCOMPARE(b->baseElement(),
             quint16(TestRig::resolve(*m_memory, QStringLiteral("00kHeadAmp/k48V")).element));
    QVERIFY(b->isEnabled());
    QCOMPARE(observers("FEkHeadAmp/k48V", 6), 1);
}

void tst_PatchButtons::withoutMemory()
{
    C48V *b = makePhantom();
    auto *dial = new C48VDial(m_window.get());
    dial->setXtraInfo(QStringLiteral("00kHeadAmp/kGain"));
    QTest::mouseClick(b, Qt::LeftButton);
    QVERIFY(b->isChecked());
    QCOMPARE(b->baseElement(), TPatchFollower::Unresolved);
    QCOMPARE(dial->baseElement(), TPatchFollower::Unresolved);
    QVERIFY(!b->connectMemAPI());
    QVERIFY(!dial->connectMemAPI());
    QCOMPARE(m_memory->writes.load(), 0);
}

void tst_PatchButtons::destroyedInsideWatcherCall()
{
    patch(1);
    QPointer<C48V> b = makePhantom();
    QCOMPARE(m_memory->connectProxy(b, kChannel), 0);
    settle();
    CSimpleNotifier *watcher = nullptr;
    for (CSimpleNotifier *n : b->findChildren<CSimpleNotifier *>()) {
        if (n->namedAddress().startsWith(QLatin1String("FEkPatchIn")))
            watcher = n;
    }
    QVERIFY(watcher);
    connect(watcher, &CSimpleNotifier::valueChanged, this, [&b] { delete b.data(); });
    patch(2);
    settle();
    QVERIFY(b.isNull());
    QCOMPARE(observers("FEkHeadAmp/k48V", 1), 0);
    QCOMPARE(observers("FEkHeadAmp/k48V", 2), 0);
}

// --- port dial ----------------------------------------------------------------------------------

void tst_PatchButtons::dialFollowsThePatch()
{
    auto *dial = new C48VDial(m_window.get());
    dial->resize(40, 40);
    dial->setXtraInfo(QStringLiteral("00kHeadAmp/kGain"));
    dial->setNamedAddress(QStringLiteral("FEkHeadAmp/kGain"));
    QSignalSpy enabled(dial, &C48VDial::enabledUpdate);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QCOMPARE(enabled.count(), 1); // after polish
    QVERIFY(enabled.last().at(0).toBool());

    QCOMPARE(m_memory->connectProxy(dial, kChannel), 0);
    settle();
    QCOMPARE(dial->minimum(), 0);
    QCOMPARE(dial->maximum(), 0);
    QVERIFY(!dial->isEnabled());
    QVERIFY(!enabled.last().at(0).toBool());
    QCOMPARE(observers("FEkHeadAmp/kGain", kChannel), 0);

    setAt("FEkHeadAmp/kGain", 4, -30);
    patch(4);
    settle();
    QVERIFY(dial->isEnabled());
    QVERIFY(enabled.last().at(0).toBool());
    QCOMPARE(dial->minimum(), -60);
    QCOMPARE(dial->maximum(), 10);
    QCOMPARE(dial->value(), -30);
    QCOMPARE(observers("FEkHeadAmp/kGain", 4), 1);

    // A drag writes the patched port's gain and no other.
    CDial::setVerticalMode(true);
    const int ownBefore = at("FEkHeadAmp/kGain", kChannel);
    const QPoint c(20, 20);
    QTest::mousePress(dial, Qt::LeftButton, Qt::NoModifier, c);
    for (const QPoint &to : {c, c - QPoint(0, 8)}) {
        QMouseEvent move(QEvent::MouseMove, QPointF(to), QPointF(dial->mapToGlobal(to)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(dial, &move);
    }
    QTest::mouseRelease(dial, Qt::LeftButton, Qt::NoModifier, c - QPoint(0, 8));
    CDial::setVerticalMode(false);
    QCOMPARE(at("FEkHeadAmp/kGain", 4), -22);
    QCOMPARE(at("FEkHeadAmp/kGain", kChannel), ownBefore);

    // A reset reads the own address's default and writes it through the patch.
    dial->reset2defaults();
    QCOMPARE(at("FEkHeadAmp/kGain", 4),
             m_memory->getValueEx(dial->element(), dial->parameter(), dial->channel()));
    QCOMPARE(dial->value(), at("FEkHeadAmp/kGain", 4));
}

// --- select keys --------------------------------------------------------------------------------

void tst_PatchButtons::pairPartnerBlinks()
{
    QObject *timer = m_memory->blinkPhase(nullptr, 0);
    QVERIFY(timer);
    // Ticks driven here, not waited for: the phase toggles first, then the keys repaint.
    auto tick = [timer] { QMetaObject::invokeMethod(timer, "timeout"); };
    auto phase = [this] {
        int p = 0;
        m_memory->blinkPhase(&p, 0);
        return p != 0;
    };
    CSelectButton *keys[8];
    for (int c = 0; c < 8; ++c) {
        keys[c] = makeKey<CSelectButton>(m_window.get());
        keys[c]->move(24 * c, 0);
        keys[c]->setNamedAddress(QStringLiteral("FEkSelect/kSelChannel"));
    }
    setAt("FEkInputPair/kPair", 4, 1);
    setAt("FEkInputPair/kPair", 5, 1);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    for (int c = 0; c < 8; ++c)
        QCOMPARE(m_memory->connectProxy(keys[c], c), 0);
    settle();
    QCOMPARE(observers("00kSelect/kSelChannel", 0), 8);

    QTest::mouseClick(keys[4], Qt::LeftButton);
    settle();
    QCOMPARE(at("00kSelect/kSelChannel", 0), 4);
    for (int i = 0; i < 3; ++i) {
        tick();
        QCOMPARE(TestRig::colourAt(keys[5]), phase() ? kOnColour : kOffColour);
        QCOMPARE(TestRig::colourAt(keys[4]), kOnColour);
        QCOMPARE(TestRig::colourAt(keys[3]), kOffColour); // unpaired neighbour
    }

    // Clicking the lit key writes nothing and it stays lit.
    const int writes = m_memory->writes;
    QTest::mouseClick(keys[4], Qt::LeftButton);
    QCOMPARE(m_memory->writes.load(), writes);
    QVERIFY(keys[4]->isChecked());
    QCOMPARE(at("00kSelect/kSelChannel", 0), 4);

    // Another channel selected: the partner holds still, unlit.
    QTest::mouseClick(keys[6], Qt::LeftButton);
    settle();
    QCOMPARE(at("00kSelect/kSelChannel", 0), 6);
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
    setAt("FEkInputPair/kPair", 6, 1);
    setAt("FEkInputPair/kPair", 7, 1);
    QTest::mouseClick(keys[7], Qt::LeftButton);
    settle();
    QVERIFY(keys[6]->isBlinking());
    setAt("FEkInputPair/kPair", 6, 0);
    settle();
    QVERIFY(!keys[6]->isBlinking());
}

void tst_PatchButtons::selectValueOffsets_data()
{
    QTest::addColumn<uint>("offset");
    QTest::addColumn<int>("written");
    QTest::newRow("none") << 0u << kChannel;
    QTest::newRow("mix keys") << 48u << kChannel + 48;
    QTest::newRow("wraps at 16 bits") << 65535u << kChannel - 1;
}

void tst_PatchButtons::selectValueOffsets()
{
    QFETCH(uint, offset);
    QFETCH(int, written);
    auto *key = makeKey<CSelectButton>(m_window.get());
    key->setselBaseOffset(offset);
    key->setNamedAddress(QStringLiteral("FEkSelect/kSelChannel"));
    m_window->show();
    setAt("00kSelect/kSelChannel", 0, 100);
    QCOMPARE(m_memory->connectProxy(key, kChannel), 0);
    settle();
    QTest::mouseClick(key, Qt::LeftButton);
    QCOMPARE(at("00kSelect/kSelChannel", 0), written);
    QCOMPARE(at("FEkSelect/kSelChannel", kChannel), 0); // the own channel is not the selection
    QVERIFY(key->isChecked());
}

QTEST_MAIN(tst_PatchButtons)
#include "tst_patchbuttons.moc"
