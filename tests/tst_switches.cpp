// The on/off button, the pop-up selector and its selection grid, driven as a user would against
// the embedded memory.

#include "COnOffButton.h"
#include "COnOffButton_p.h"
#include "CPopup.h"
#include "CPopupItem.h"
#include "CPopupLabel.h"
#include "CSimpleNotifier.h"
#include "IConfirmUserAction.h"
#include "NS_Utilities.h"
#include "TestRig.h"

#include <QPointer>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

// A switch range that goes past 1, a multi-valued mode, a list starting at 1 and a list with a
// value-name table.
const char kCatalogue[] = R"({"name": "Switch test console",
 "textTables": {"1": {"kind": "names", "names": ["A", "B", "C", "D"]}},
 "sections": [{"key": "kSw", "element": 1, "channels": 4, "params": [
  {"key": "kOn", "id": 0, "min": 0, "max": 3, "default": 1},
  {"key": "kMode", "id": 1, "min": 0, "max": 5, "default": 0},
  {"key": "kSel", "id": 2, "min": 1, "max": 4, "default": 1},
  {"key": "kList", "id": 3, "min": 0, "max": 3, "default": 0, "text": 1}]}]})";

const char *const kOn = "FEkSw/kOn";
const char *const kMode = "FEkSw/kMode";
const char *const kSel = "FEkSw/kSel";
const char *const kList = "FEkSw/kList";
constexpr int kChannel = 1;

// Frames of the test strips: one solid colour per row (on, off, tracking, disabled), lighter in
// a second column.
const QColor kOnColour(200, 30, 30);
const QColor kOffColour(30, 160, 30);
const QColor kTrackingColour(30, 30, 200);
const QColor kDisabledColour(120, 90, 20);
constexpr int kFrameW = 24;
constexpr int kFrameH = 14;

QPixmap strip(int rows = 4, int columns = 1)
{
    return TestRig::frameStrip(QSize(kFrameW, kFrameH), columns, rows, [](int c, int r) {
        const QColor row =
                QList<QColor> {kOnColour, kOffColour, kTrackingColour, kDisabledColour}.at(r);
        return c == 0 ? row : row.lighter(150);
    });
}

using TestRig::colourAt;

template<class B = COnOffButton>
B *makeButton(QWidget *parent, const QString &name = QString())
{
    auto *b = new B(parent, name);
    b->setCombinedImage(strip());
    b->setnSubImages(4);
    b->setHasDisableImage(true);
    return b;
}

typedef QList<QPair<int, int>> Calls;

class Confirmer : public NS_Utilities::IConfirmUserAction
{
public:
    explicit Confirmer(int answer)
        : answer(answer)
    {
    }
    int confirmUserAction(CPopup *, int oldValue, int newValue) override
    {
        calls.append(qMakePair(oldValue, newValue));
        return answer;
    }
    int answer;
    Calls calls;
};

class BlinkingButton : public COnOffButton
{
public:
    using COnOffButton::connectBlinkTimer;
    using COnOffButton::COnOffButton;

protected:
    bool blinkingMode() const override { return true; }
};

// Opens popup's selection grid with a press.
CPopupItem *openGrid(CPopup *popup)
{
    QTest::mousePress(popup, Qt::LeftButton);
    return popup->PopupItem();
}

} // namespace

class tst_Switches : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_rig = std::make_unique<TestRig::Console>(kCatalogue, kChannel, QSize(300, 200));
        QVERIFY2(m_rig->loaded, qPrintable(m_rig->error));
    }
    void cleanup() { m_rig.reset(); }

    // on/off button
    void stateAndClick_data();
    void stateAndClick();
    void buttonWalk();
    void selectionObjectStandsInForMemory();
    void blinkingFollowsSharedPhase();
    void lookRecords();

    // pop-up selector
    void labelLists();
    void selectorWalk();

    // selection grid
    void gridLayoutAndWindow();
    void gridKeysAndHover();

private:
    std::unique_ptr<TestRig::Console> m_rig;
};

// --- on/off button ------------------------------------------------------------------------------

// What a raw value shows (reached by a notification from the other state) and what a click
// then writes.
void tst_Switches::stateAndClick_data()
{
    QTest::addColumn<int>("clip");
    QTest::addColumn<bool>("inverted");
    QTest::addColumn<bool>("offState");
    QTest::addColumn<int>("raw");
    QTest::addColumn<bool>("lit");
    QTest::addColumn<int>("written");

    QTest::newRow("two-state 0") << 0 << false << false << 0 << false << 1;
    QTest::newRow("two-state 1") << 0 << false << false << 1 << true << 0;
    QTest::newRow("two-state 2 is off") << 0 << false << false << 2 << false << 1;
    QTest::newRow("two-state 3 is off") << 0 << false << false << 3 << false << 1;
    QTest::newRow("inverted 0 is on") << 0 << true << false << 0 << true << 1;
    QTest::newRow("inverted 1 turns on writing 0") << 0 << true << false << 1 << false << 0;
    QTest::newRow("inverted 2 turns off writing 1") << 0 << true << false << 2 << true << 1;
    QTest::newRow("clip 3 at 2 ignores click") << 3 << false << false << 2 << true << 2;
    QTest::newRow("clip 3 at 1 lights") << 3 << false << false << 1 << false << 2;
    QTest::newRow("clip 3 at 0 lights") << 3 << false << false << 0 << false << 2;
    QTest::newRow("clip 4 at 3 ignores click") << 4 << false << false << 3 << true << 3;
    QTest::newRow("clip 4 at 1 lights") << 4 << false << false << 1 << false << 3;
    QTest::newRow("clip 4 with off state") << 4 << false << true << 3 << true << 0;
    QTest::newRow("clip 1 at 0") << 1 << false << false << 0 << true << 0;
}

void tst_Switches::stateAndClick()
{
    QFETCH(int, clip);
    QFETCH(bool, inverted);
    QFETCH(bool, offState);
    QFETCH(int, raw);
    QFETCH(bool, lit);
    QFETCH(int, written);

    const char *address = clip ? kMode : kOn;
    // Start from the opposite state, so the notification has something to change.
    m_rig->set(address, lit ? (raw == 0 ? 1 : 0) : (clip ? clip - 1 : 1));
    auto *b = makeButton(&m_rig->host);
    b->setBoolClipValue(clip);
    b->setInvertedLogic(inverted);
    b->setHasOffState(offState);
    QVERIFY(m_rig->bind(b, address));
    m_rig->set(address, raw);
    QCOMPARE(b->isChecked(), lit);
    QCOMPARE(colourAt(b), lit ? kOnColour : kOffColour);

    QTest::mouseClick(b, Qt::LeftButton);
    QCOMPARE(m_rig->value(address), written);
    QCOMPARE(b->isChecked(), b->isOnValue(written));
}

// One button on kOn through presses, triggers, outside values, copy, paste, reset and disabling.
void tst_Switches::buttonWalk()
{
    m_rig->set(kOn, 0);
    auto *b = makeButton(&m_rig->host);
    auto *grey = new COnOffButton(&m_rig->host); // two rows and no disable image
    grey->setCombinedImage(strip(2));
    grey->setnSubImages(2);
    QVERIFY(m_rig->bind(b, kOn));
    QCOMPARE(colourAt(b), kOffColour);

    // The pressed look shows while down and, the value written at once, for the click delay
    // after the release; a click within that delay is not taken.
    QTest::mousePress(b, Qt::LeftButton);
    QCOMPARE(colourAt(b), kTrackingColour);
    QTest::mouseRelease(b, Qt::LeftButton);
    QCOMPARE(m_rig->value(kOn), 1);
    QCOMPARE(colourAt(b), kTrackingColour);
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(3, 3));
    QCOMPARE(m_rig->value(kOn), 1);
    QTRY_COMPARE_WITH_TIMEOUT(colourAt(b), kOnColour, 20 * COnOffButton::ClickDelayMs);
    QVERIFY(!b->isClicked());

    // Press, release, and what the memory holds after each.
    const auto click = [&](int afterPress, int afterRelease) {
        QTest::mousePress(b, Qt::LeftButton);
        QCOMPARE(m_rig->value(kOn), afterPress);
        QTest::mouseRelease(b, Qt::LeftButton);
        QCOMPARE(m_rig->value(kOn), afterRelease);
        QTRY_VERIFY(!b->isClicked()); // the click delay has run out
    };
    b->setOnStateTrigger(COnOffButton::buttonPush);
    click(1, 0); // on to off stays release-triggered
    click(1, 1); // off to on is push-triggered
    QVERIFY(b->isChecked());
    b->setOnStateTrigger(COnOffButton::buttonRelease);
    b->setOffStateTrigger(COnOffButton::buttonPush);
    click(0, 0);
    click(0, 1);
    b->setOffStateTrigger(COnOffButton::buttonRelease);
    QTest::mouseClick(b, Qt::RightButton);
    QCOMPARE(m_rig->value(kOn), 1);

    // Without the tracking look, pressed shows the state, and the new state shows at once.
    b->setUseTrackingImage(false);
    QTest::mousePress(b, Qt::LeftButton);
    QCOMPARE(colourAt(b), kOnColour);
    QTest::mouseRelease(b, Qt::LeftButton);
    QCOMPARE(m_rig->value(kOn), 0);
    QCOMPARE(colourAt(b), kOffColour);
    QTRY_VERIFY(!b->isClicked()); // the click delay has run out

    // A value shown without writing it; the same again: no signal, no write.
    QSignalSpy states(b, &COnOffButton::stateChanged);
    const int changes = m_rig->memory.changes;
    b->setNonBoolValue(1);
    b->setNonBoolValue(1);
    QVERIFY(b->isChecked());
    QCOMPARE(colourAt(b), kOnColour);
    QCOMPARE(states.count(), 1);
    QCOMPARE(m_rig->memory.changes, changes);

    // The display says off while the memory holds 1: copying must not refresh it.
    m_rig->set(kOn, 1);
    b->setNonBoolValue(0);
    const TParamInfo record = TestRig::copied(*b);
    QVERIFY(!b->isChecked());
    QCOMPARE(colourAt(b), kOffColour);
    QCOMPARE(record.value, 1);
    QCOMPARE(QList<int>({record.element, record.channel, record.parameter}),
             QList<int>({b->element(), b->channel(), b->parameter()}));

    // Paste: its own record is taken; another parameter's record and a truncated stream are not.
    m_rig->set(kOn, 0);
    TestRig::paste(*b, {TestRig::recordFor(*b, 1)});
    QVERIFY(b->isChecked());
    QCOMPARE(m_rig->value(kOn), 1);
    TestRig::paste(*b, {TestRig::recordFor(*b, 2, b->parameter() + 1)});
    QDataStream shortStream(QByteArray(3, '\0'));
    b->pasteParameters(&shortStream);
    QVERIFY(b->isChecked());
    QCOMPARE(m_rig->value(kOn), 1);
    QCOMPARE(m_rig->value(kMode), 0);

    // The catalogue default of kOn is 1; from 0, a reset lights the button and writes it.
    b->setNonBoolValue(0);
    m_rig->set(kOn, 0);
    b->reset2defaults();
    QVERIFY(b->isChecked());
    QCOMPARE(m_rig->value(kOn), 1);

    // A disabled user interface ignores clicks.
    b->setDisabledUI(true);
    QTest::mouseClick(b, Qt::LeftButton);
    QCOMPARE(m_rig->value(kOn), 1);
    QVERIFY(b->isChecked());
    b->setDisabledUI(false);
    QTRY_VERIFY(!b->isClicked()); // the click delay has run out
    QTest::mouseClick(b, Qt::LeftButton);
    QCOMPARE(m_rig->value(kOn), 0);

    // Disabled, a strip with a disable row shows that row.
    b->setEnabled(false);
    QCOMPARE(colourAt(b), kDisabledColour);
    b->setEnabled(true);
    QCOMPARE(colourAt(b), kOffColour);

    // A change from another thread shows.
    QVERIFY(TestRig::runOnWorker([this] { m_rig->set(kOn, 1); }));
    QTRY_VERIFY(b->isChecked());
    QCOMPARE(colourAt(b), kOnColour);

    // Two rows and no disable image: disabled shows the grey transformation of the state image.
    QVERIFY(m_rig->bind(grey, kOn));
    grey->process(nullptr, 0, 1);
    QCOMPARE(colourAt(grey), kOnColour);
    grey->setEnabled(false);
    QImage lit(1, 1, QImage::Format_ARGB32_Premultiplied);
    lit.fill(kOnColour);
    const QColor expected = NS_Utilities::applyGreyTransformation(lit).pixelColor(0, 0);
    QVERIFY(expected != kOnColour);
    QCOMPARE(colourAt(grey), expected);
}

void tst_Switches::selectionObjectStandsInForMemory()
{
    m_rig->set(kMode, 0);
    QPointer<CSimpleNotifier> watcher = CSimpleNotifier::Create(
            &m_rig->memory, &m_rig->host, QString::fromLatin1(kMode), kChannel, nullptr);
    QVERIFY(watcher);
    auto *b = makeButton(&m_rig->host);
    b->setBoolClipValue(3);
    // Bound to another parameter: the selection object takes over reads and writes.
    QVERIFY(m_rig->bind(b, kOn));
    const int onBefore = m_rig->value(kOn);
    b->setSelectionObject(watcher);

    QTest::mouseClick(b, Qt::LeftButton);
    QCOMPARE(m_rig->value(kMode), 2);
    QCOMPARE(watcher->value(), 2);
    QCOMPARE(m_rig->value(kOn), onBefore);
    // Lit: a further click is not a hit.
    QTest::mouseClick(b, Qt::LeftButton);
    QCOMPARE(m_rig->value(kMode), 2);
    QVERIFY(b->isChecked());
    // The selection object's value is what shows.
    m_rig->set(kMode, 4);
    b->process(nullptr, 0, 0);
    QVERIFY(!b->isChecked());
}

void tst_Switches::blinkingFollowsSharedPhase()
{
    m_rig->memory.setBlinkInterval(15);
    auto *b = makeButton<BlinkingButton>(&m_rig->host);
    QVERIFY(m_rig->bind(b, kOn));
    QObject *timer = m_rig->memory.blinkPhase(nullptr, 0);
    QVERIFY(timer);
    b->connectBlinkTimer(true);

    QSignalSpy ticks(timer, SIGNAL(timeout()));
    for (int i = 0; i < 4; ++i) {
        QVERIFY(ticks.wait(2000));
        int phase = -1;
        m_rig->memory.blinkPhase(&phase, 0);
        QCOMPARE(colourAt(b), phase ? kOnColour : kOffColour);
    }
    // Pressed, the tracking look wins over the blink.
    QTest::mousePress(b, Qt::LeftButton);
    QVERIFY(ticks.wait(2000));
    QCOMPARE(colourAt(b), kTrackingColour);
    QTest::mouseRelease(b, Qt::LeftButton);
}

// --- look-record sharing ------------------------------------------------------------------------

// Buttons of one name and a one-column strip share a look record under a serving window; short
// names, several columns, selectors and buttons without a server keep their own.
void tst_Switches::lookRecords()
{
    m_rig->set(kOn, 0);
    TestRig::CacheHost host;
    QPointer<COnOffButton> first = makeButton(&host, QStringLiteral("stripOnSwitch"));
    // Forms name their widgets after construction; that name counts too.
    auto *second = makeButton(&host);
    second->setObjectName(QStringLiteral("stripOnSwitch"));
    second->setimagesSwapped(true);
    second->setGeometry(0, 40, 50, 30);
    first->setNamedAddress(QString::fromLatin1(kOn));
    second->setNamedAddress(QString::fromLatin1(kOn));
    auto *shortName = makeButton(&host, QStringLiteral("abc"));
    auto *shortTwin = makeButton(&host, QStringLiteral("abc"));
    COnOffButton *columns[2];
    for (auto *&b : columns) {
        b = makeButton(&host, QStringLiteral("categoryButton"));
        b->setCombinedImage(strip(4, 2));
        b->setnImageCategories(2);
    }
    auto *selector = new CPopup(&host, QStringLiteral("selectorName"));
    auto *selectorTwin = new CPopup(&host, QStringLiteral("selectorName"));
    QVERIFY(m_rig->memory.connectTree(&host, kChannel) >= 2);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));

    const COnOffButton::COnOffButton_PD *shared = second->lookRecord();
    QCOMPARE(first->lookRecord(), shared);
    QVERIFY(first->lookRecordCached() && second->lookRecordCached());
    QCOMPARE(shared->refCount, 2);
    QCOMPARE(shared->frameCuts, 1);
    QCOMPARE(host.recordCount(), 1);
    QCOMPARE(host.record(QStringLiteral("stripOnSwitch")), shared);
    QVERIFY(shortName->lookRecord() != shortTwin->lookRecord());
    QVERIFY(columns[0]->lookRecord() != columns[1]->lookRecord());
    QVERIFY(selector->lookRecord() != selectorTwin->lookRecord());
    for (COnOffButton *b :
         {shortName, shortTwin, columns[0], columns[1], static_cast<COnOffButton *>(selector)}) {
        QVERIFY(!b->lookRecordCached());
        QCOMPARE(b->lookRecord()->refCount, 0);
    }
    // Several columns: the strip stays for switching them.
    QVERIFY(!columns[0]->combinedImage().isNull());
    columns[0]->setCurrentImage(1);
    QCOMPARE(colourAt(columns[0]), kOffColour.lighter(150));
    columns[0]->setCurrentImage(5);
    QCOMPARE(columns[0]->currentImage(), 1);

    // The first user cut the frames and took their size; the second keeps its geometry and
    // the first one's look (its own swap flag went with its record).
    QCOMPARE(first->size(), QSize(kFrameW, kFrameH));
    QCOMPARE(second->size(), QSize(50, 30));
    QVERIFY(!second->imagesSwapped());
    // The shared frames are drawn at the top left of the larger button.
    const QPoint insideFrame(kFrameW / 2, kFrameH / 2);
    QCOMPARE(colourAt(second, insideFrame), kOffColour);

    // A look change in one shows in both.
    first->setimagesSwapped(true);
    second->updateErasePixmapSlot();
    QCOMPARE(colourAt(second, insideFrame), kOnColour);
    first->setimagesSwapped(false);

    // The record outlives the button that made it.
    delete first;
    QCOMPARE(host.record(QStringLiteral("stripOnSwitch")), shared);
    QCOMPARE(second->lookRecord(), shared);
    m_rig->set(kOn, 1);
    QVERIFY(second->isChecked());
    QCOMPARE(colourAt(second, insideFrame), kOnColour);
    QTest::mouseClick(second, Qt::LeftButton, {}, insideFrame);
    QCOMPARE(m_rig->value(kOn), 0);
    QTRY_COMPARE(colourAt(second, insideFrame), kOffColour);

    // Without a serving window the key is dropped, so later polishes do not search again.
    auto *alone = makeButton(&m_rig->host, QStringLiteral("stripOnSwitch"));
    m_rig->host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m_rig->host));
    QVERIFY(!alone->lookRecordCached());
    QVERIFY(alone->lookRecord()->key.isNull());
    QCOMPARE(alone->lookRecord()->frameCuts, 1);
    // A one-column strip is released once cut.
    QVERIFY(alone->combinedImage().isNull());
}

// --- pop-up selector ----------------------------------------------------------------------------

// A selector on kList picked from its grid, moved by the memory, vetoed, confirmed and disabled;
// one on kSel (from 1) writes its entry plus the offset.
void tst_Switches::selectorWalk()
{
    m_rig->set(kList, 1);
    m_rig->set(kSel, 4);
    auto *popup = new CPopup(&m_rig->host);
    popup->setLabels(QStringLiteral("A;B;C;D"));
    popup->resize(40, 16);
    auto *offset = new CPopup(&m_rig->host);
    offset->setLabels(QStringLiteral("A;B;C;D"));
    offset->move(0, 40);
    QVERIFY(m_rig->bind(popup, kList));
    QVERIFY(m_rig->bind(offset, kSel));
    popup->process(nullptr, 0, 0);
    offset->process(nullptr, 0, 0);
    QCOMPARE(popup->text(), QStringLiteral("B"));
    QCOMPARE(offset->valueOffset(), 1);
    QCOMPARE(offset->currentSelection(), 3);
    QCOMPARE(offset->text(), QStringLiteral("D"));
    QTest::mouseClick(openGrid(offset)->cell(2), Qt::LeftButton);
    QCOMPARE(m_rig->value(kSel), 3);
    QCOMPARE(offset->text(), QStringLiteral("C"));
    QTRY_VERIFY(!offset->PopupItem());

    QSignalSpy changes(popup, qOverload<int>(&CPopup::selectionChanged));
    CPopupItem *item = openGrid(popup);
    QVERIFY(item && item->isVisible());
    QCOMPARE(item->cell(1)->look(), CPopupLabel::Look::Selected);
    QTest::mouseClick(item->cell(0), Qt::LeftButton);
    QCOMPARE(m_rig->value(kList), 0);
    QCOMPARE(popup->currentSelection(), 0);
    QCOMPARE(popup->text(), QStringLiteral("A"));
    QCOMPARE(changes.count(), 1);
    QTRY_VERIFY(!popup->PopupItem());

    // From the memory: signalled but not written back; the same entry again: nothing.
    const int writes = m_rig->memory.changes;
    m_rig->set(kList, 2);
    QCOMPARE(popup->currentSelection(), 2);
    QCOMPARE(popup->text(), QStringLiteral("C"));
    QCOMPARE(changes.count(), 2);
    popup->setSelection(2);
    popup->setSelection(7); // out of range: ignored
    QCOMPARE(popup->currentSelection(), 2);
    QCOMPARE(changes.count(), 2);
    QCOMPARE(m_rig->memory.changes, writes + 1);

    // A confirmation can veto a pick, or let it through.
    m_rig->set(kList, 1);
    Confirmer veto(1);
    popup->setUserConfirmAction(&veto);
    QTest::mouseClick(openGrid(popup)->cell(3), Qt::LeftButton);
    QCOMPARE(veto.calls, Calls({qMakePair(1, 3)}));
    QCOMPARE(m_rig->value(kList), 1);
    QCOMPARE(popup->currentSelection(), 1);
    QCOMPARE(popup->text(), QStringLiteral("B"));
    Confirmer agree(0);
    popup->setUserConfirmAction(&agree);
    popup->setSelectionConfirm(2);
    QCOMPARE(agree.calls, Calls({qMakePair(1, 2)}));
    QCOMPARE(m_rig->value(kList), 2);
    popup->setUserConfirmAction(nullptr);

    // Disabled: "---" and no selection; greyed instead, the selection still works.
    m_rig->set(kList, 1);
    const QImage enabledPicture = popup->grab().toImage();
    popup->setEnabled(false);
    QCOMPARE(popup->text(), QStringLiteral("---"));
    popup->setSelection(3);
    QCOMPARE(popup->currentSelection(), 1);
    QCOMPARE(m_rig->value(kList), 1);
    popup->setGreyOnDisable(true);
    popup->setEnabled(true);
    popup->setEnabled(false);
    QCOMPARE(popup->text(), QStringLiteral("B"));
    popup->setSelection(3);
    QCOMPARE(popup->currentSelection(), 3);
    QCOMPARE(m_rig->value(kList), 3);
    // The label is drawn in grey: some pixel is the grey text colour.
    const QImage greyPicture = popup->grab().toImage();
    QVERIFY(TestRig::countPixels(greyPicture, QColor(128, 128, 128)).matching > 0);
    QVERIFY(greyPicture != enabledPicture);

    // Nothing selected yet: a pick changes nothing and asks nobody.
    auto *fresh = new CPopup(&m_rig->host);
    fresh->setLabels(QStringLiteral("A;B"));
    Confirmer asked(0);
    fresh->setUserConfirmAction(&asked);
    fresh->setSelectionConfirm(1);
    QCOMPARE(fresh->currentSelection(), -1);
    QVERIFY(asked.calls.isEmpty());
}

// Label lists from a ";"-list, then fetched from a table once, entries removed keeping their raw
// values.
void tst_Switches::labelLists()
{
    auto *popup = new CPopup(&m_rig->host);
    auto *ranged = new CPopup(&m_rig->host);
    QSignalSpy tableIds(popup, &CPopup::updateTableId);
    QSignalSpy created(popup, &CPopup::dynamicListCreated);
    popup->setLabels(QStringLiteral("IN 1;;IN 2;"));
    QCOMPARE(popup->labelList(), QStringList({QStringLiteral("IN 1"), QStringLiteral("IN 2")}));
    popup->setGroupOverride(QStringLiteral("3;x;2"));
    QCOMPARE(popup->getGroupOverride(), QVector<quint16>({3, 0, 2}));
    popup->setLabelSizeToContents(true);
    const QFontMetrics metrics(popup->font());
    const QRect text = metrics.boundingRect(QStringLiteral("IN 1"))
                               .united(metrics.boundingRect(QStringLiteral("IN 2")));
    QCOMPARE(popup->labelSize(), text.size() + CPopup::smallBorder);
    popup->setFocusColor(QColor(Qt::red));
    QCOMPARE(popup->focusPolicy(), Qt::StrongFocus);
    QCOMPARE(tableIds.count(), 0);

    popup->setTableId(1);
    QVERIFY(m_rig->bind(popup, kList));
    popup->createDynamicStringList();
    popup->createDynamicStringList();
    QCOMPARE(created.count(), 1);
    QCOMPARE(popup->labelList(), QStringList({"A", "B", "C", "D"}));
    QVERIFY(tableIds.count() >= 2);
    QCOMPARE(tableIds.first().at(0).toInt(), 1);
    QCOMPARE(tableIds.last().at(0).toInt(), ~1);
    QCOMPARE(popup->tableId(), 1); // not the fetched list's mark
    // Recreation fetches again, without duplicating names.
    popup->forceDynamicListRecreation(0);
    QCOMPARE(created.count(), 2);
    QCOMPARE(popup->labelList().size(), 4);

    popup->removeMenuEntry(1);
    popup->removeMenuEntry(9);
    QCOMPARE(popup->labelList(), QStringList({"A", "C", "D"}));
    QCOMPARE(popup->calculateValueFromIndex(1), 2);
    QTest::mouseClick(openGrid(popup)->cell(1), Qt::LeftButton);
    QCOMPARE(m_rig->value(kList), 2);
    QCOMPARE(popup->text(), QStringLiteral("C"));
    m_rig->set(kList, 3);
    QCOMPARE(popup->currentSelection(), 2);
    QCOMPARE(popup->text(), QStringLiteral("D"));
    // A removed value has no entry: the display stays.
    m_rig->set(kList, 1);
    QCOMPARE(popup->currentSelection(), 2);

    // Removing a range shows the current value again.
    m_rig->set(kList, 3);
    ranged->setTableId(1);
    QVERIFY(m_rig->bind(ranged, kList));
    ranged->process(nullptr, 0, 0);
    QCOMPARE(ranged->currentSelection(), 3);
    ranged->removeMenuRange(1, 2); // C, then B
    QCOMPARE(ranged->labelList(), QStringList({"A", "D"}));
    QCOMPARE(ranged->currentSelection(), 1);
    QCOMPARE(ranged->text(), QStringLiteral("D"));

    // An unknown table leaves an empty list, and nothing breaks.
    popup->setTableId(99);
    popup->createDynamicStringList();
    QVERIFY(popup->labelList().isEmpty());
    QVERIFY(openGrid(popup));
    QVERIFY(popup->cancel());
}

// --- selection grid -----------------------------------------------------------------------------

// Grid layouts by grouping, and the grid window: inside the available area, closed and replaced.
void tst_Switches::gridLayoutAndWindow()
{
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    QWidget window;
    auto *popup = new CPopup(&window);
    popup->setLabels(QStringLiteral("B1;B2;M1"));
    popup->setSelectText(1, false); // an index, not a value
    popup->setGeometry(0, 0, 40, 16);
    window.setGeometry(area.right() - 60, area.top() + 40, 60, 40);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QSignalSpy closed(popup, &CPopup::closePopup);

    QPointer<CPopupItem> item = openGrid(popup);
    QVERIFY(item);
    QCOMPARE(item->gridRows().size(), 2);
    // M1 starts its own row, under B1.
    QCOMPARE(item->cell(2)->x(), item->cell(0)->x());
    QVERIFY(item->cell(2)->y() > item->cell(0)->y());
    QCOMPARE(item->cell(1)->y(), item->cell(0)->y());
    QVERIFY(item->cell(1)->x() > item->cell(0)->x());
    // Every one of the twelve columns keeps its width.
    QVERIFY(item->width() >= 12 * popup->labelSize().width());
    QCOMPARE(item->cell(0)->size(), popup->labelSize());
    QCOMPARE(item->cell(1)->look(), CPopupLabel::Look::Selected);
    QVERIFY(popup->isDown());
    QVERIFY(popup->cancel());
    // The window sent the press's missing release back.
    QCOMPARE(closed.count(), 1);
    QVERIFY(!popup->isDown());
    QTRY_VERIFY(!item);
    QVERIFY(!popup->cancel());

    // Thirteen names in twelve columns are spread 7 and 6.
    QStringList many;
    for (int i = 0; i < 13; ++i)
        many << QStringLiteral("X%1").arg(i);
    QCOMPARE(CPopupItem::initGrouping(many, false, 1, {}), QVector<int>({13}));
    popup->setGrouping(false);
    popup->setLabels(many.join(QLatin1Char(';')));
    item = openGrid(popup);
    QCOMPARE(item->gridRows().size(), 2);
    QCOMPARE(item->gridRows().at(0).count(-1), 12 - 7);
    QCOMPARE(item->gridRows().at(1).count(-1), 12 - 6);
    // The grid fits the area's width: right-aligned to it, below the selector.
    const QRect r = item->geometry();
    QVERIFY2(r.width() < area.width(), "the grid must fit in width for this case");
    QCOMPARE(r.right(), area.right());
    QCOMPARE(r.top(), popup->mapToGlobal(QPoint(0, popup->height() - 1)).y());
    QVERIFY(area.contains(r));
    // A window closed by Qt (outside click) is replaced by the next press.
    item->close();
    QCOMPARE(closed.count(), 2);
    QVERIFY(openGrid(popup));
    QVERIFY(!item);
    popup->cancel();

    // One override entry of 3 makes every group three long, up to the list's end.
    const QStringList seven = {"A", "A", "A", "A", "A", "A", "A"};
    QCOMPARE(CPopupItem::initGrouping(seven, true, 1, {3}), QVector<int>({3, 3, 1}));
    QCOMPARE(CPopupItem::initGrouping(seven, true, 1, {2, 0}), QVector<int>({2, 5}));
    QCOMPARE(CPopupItem::initGrouping(seven, true, 1, {9}), QVector<int>({7}));
    QCOMPARE(CPopupItem::initGrouping({"IN 1", "IN 2", "ST 1"}, true, 3, {}), QVector<int>({2, 1}));
    QCOMPARE(CPopupItem::initGrouping({}, true, 1, {3}), QVector<int>());
    popup->setGrouping(true);
    popup->setLabels(seven.join(QLatin1Char(';')));
    popup->setGroupOverride(QStringLiteral("3"));
    item = openGrid(popup);
    QCOMPARE(item->gridRows().size(), 3);
    QCOMPARE(item->cell(3)->x(), item->cell(0)->x());
    QCOMPARE(item->cell(6)->x(), item->cell(0)->x());
    popup->cancel();

    // Taller than the area: aligned to its top.
    popup->setLabelSize(QSize(37, area.height() / 2));
    popup->setColumnsCount(4);
    item = openGrid(popup);
    QVERIFY(item->height() > area.height());
    QCOMPARE(item->geometry().top(), area.top());
    popup->cancel();
}

// Keys over a grid with empty cells, Return without a highlight, Escape, and the mouse hovering.
void tst_Switches::gridKeysAndHover()
{
    m_rig->set(kList, 0);
    auto *popup = new CPopup(&m_rig->host);
    // Two groups in three columns: A1 A2 A3 / B1 - -.
    popup->setLabels(QStringLiteral("A1;A2;A3;B1"));
    popup->setColumnsCount(3);
    QVERIFY(m_rig->bind(popup, kList));
    popup->process(nullptr, 0, 0);
    const int changes = m_rig->memory.changes;

    // Return with nothing highlighted keeps the selection.
    QPointer<CPopupItem> item = openGrid(popup);
    QCOMPARE(item->highlightedItem(), -1);
    QTest::keyClick(item.data(), Qt::Key_Enter);
    QCOMPARE(popup->currentSelection(), 0);
    QTRY_VERIFY(!item);
    // Escape closes without choosing.
    item = openGrid(popup);
    QTest::keyClick(item.data(), Qt::Key_Right);
    QTest::keyClick(item.data(), Qt::Key_Escape);
    QVERIFY(!item->isVisible());
    QCOMPARE(popup->currentSelection(), 0);
    QCOMPARE(m_rig->memory.changes, changes);

    item = openGrid(popup);
    QVERIFY(item);
    QCOMPARE(item->gridRows(), (QVector<QVector<int>> {{0, 1, 2}, {3, -1, -1}}));
    const auto enter = [&item](int cell) {
        QEnterEvent e(QPointF(2, 2), QPointF(2, 2), item->cell(cell)->mapToGlobal(QPointF(2, 2)));
        QCoreApplication::sendEvent(item->cell(cell), &e);
    };
    enter(1);
    QCOMPARE(item->highlightedItem(), 1);
    QCOMPARE(item->cell(1)->look(), CPopupLabel::Look::Hover);
    // The hover look is drawn.
    QCOMPARE(item->cell(1)->grab().toImage().pixelColor(1, 1),
             item->cell(1)->palette().color(QPalette::Active, QPalette::Highlight));
    enter(0);
    QCOMPARE(item->highlightedItem(), 0);
    QCOMPARE(item->cell(1)->look(), CPopupLabel::Look::Normal);
    QCOMPARE(item->cell(0)->look(), CPopupLabel::Look::Hover);

    const auto press = [&](Qt::Key key) {
        QTest::keyClick(item.data(), key);
        return item ? item->highlightedItem() : -2;
    };
    // Up from A1: the bottom of the previous (last) column is empty, so its top.
    QCOMPARE(press(Qt::Key_Up), 2);
    // The selected cell gets its own look back.
    QCOMPARE(item->cell(0)->look(), CPopupLabel::Look::Selected);
    // Up from A3: column 2 holds nothing above, B1's row is empty there: A2.
    QCOMPARE(press(Qt::Key_Up), 1);
    // Down from A2 skips the empty cell below and goes on at the top of the next column.
    QCOMPARE(press(Qt::Key_Down), 2);
    QCOMPARE(press(Qt::Key_Left), 1);
    QCOMPARE(press(Qt::Key_Left), 0);
    QCOMPARE(press(Qt::Key_Left), 3);
    QCOMPARE(press(Qt::Key_Right), 0);
    QCOMPARE(press(Qt::Key_Down), 3);
    QCOMPARE(item->cell(3)->look(), CPopupLabel::Look::Hover);
    QTest::keyClick(item.data(), Qt::Key_Return);
    QCOMPARE(m_rig->value(kList), 3);
    QCOMPARE(popup->text(), QStringLiteral("B1"));
    QTRY_VERIFY(!item);
}

QTEST_MAIN(tst_Switches)
#include "tst_switches.moc"
