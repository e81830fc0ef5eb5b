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
#include "TParamInfo.h"
#include "TParamMemory.h"
#include "TestRig.h"

#include <QBuffer>
#include <QDataStream>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <memory>

namespace {

// A small console: a switch range that goes past 1, a multi-valued mode, a list starting at 1
// and a list with a value-name table.
const char kCatalogue[] = R"({
 "name": "Switch test console",
 "textTables": {"1": {"kind": "names", "names": ["A", "B", "C", "D"]}},
 "sections": [
  {"key": "kSw", "element": 1, "channels": 4, "params": [
    {"key": "kOn", "id": 0, "min": 0, "max": 3, "default": 1},
    {"key": "kMode", "id": 1, "min": 0, "max": 5, "default": 0},
    {"key": "kSel", "id": 2, "min": 1, "max": 4, "default": 1},
    {"key": "kList", "id": 3, "min": 0, "max": 3, "default": 0, "text": 1}
  ]}
 ]
})";

const char *const kOn = "FEkSw/kOn";
const char *const kMode = "FEkSw/kMode";
const char *const kSel = "FEkSw/kSel";
const char *const kList = "FEkSw/kList";
constexpr int kChannel = 1;

// Frames of the test strips: one solid colour per row.
const QColor kOnColour(200, 30, 30);
const QColor kOffColour(30, 160, 30);
const QColor kTrackingColour(30, 30, 200);
const QColor kDisabledColour(120, 90, 20);
constexpr int kFrameW = 24;
constexpr int kFrameH = 14;

QPixmap solidStrip(const QList<QColor> &rows, int categories = 1)
{
    QPixmap strip(kFrameW * categories, kFrameH * int(rows.size()));
    strip.fill(Qt::black);
    QPainter p(&strip);
    for (int c = 0; c < categories; ++c) {
        for (int r = 0; r < rows.size(); ++r)
            p.fillRect(c * kFrameW, r * kFrameH, kFrameW, kFrameH,
                       c == 0 ? rows.at(r) : rows.at(r).lighter(150));
    }
    return strip;
}

// Waits until the click delay of the last click has run out.
void settle(COnOffButton *b)
{
    QTRY_VERIFY(!b->isClicked());
}

QPixmap fourRowStrip()
{
    return solidStrip({kOnColour, kOffColour, kTrackingColour, kDisabledColour});
}

using TestRig::CacheHost;
using TestRig::colourAt;

COnOffButton *makeButton(QWidget *parent, const QString &name = QString())
{
    auto *b = new COnOffButton(parent, name);
    b->setCombinedImage(fourRowStrip());
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

} // namespace

class tst_Switches : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    // on/off button
    void rawValueShowsState_data();
    void rawValueShowsState();
    void clickWritesRawValue_data();
    void clickWritesRawValue();
    void pushAndReleaseTriggers();
    void trackingImageStaysAfterRelease();
    void setNonBoolValueWritesNothing();
    void copyLeavesDisplayUnchanged();
    void pasteAndDefaultWriteBack();
    void disabledLook();
    void disabledUIIgnoresClicks();
    void notificationFromAnotherThread();
    void selectionObjectStandsInForMemory();
    void blinkingFollowsSharedPhase();

    // look-record sharing
    void alikeButtonsShareOneRecord();
    void recordsThatStayPrivate();

    // pop-up selector
    void labelListAndProperties();
    void pickWritesWithValueOffset();
    void removedEntriesKeepRawValues();
    void confirmationCanVeto();
    void disabledSelector();
    void dynamicListFetchedOnce();

    // selection grid
    void groupingLayouts();
    void keyboardWrapsOverEmptyCells();
    void returnWithoutHighlightKeepsSelection();
    void hoverHighlightsCell();
    void windowStaysInsideAvailableArea();
    void closingReleasesSelector();

private:
    void bind(TMemProxy *proxy, QWidget *w, const char *address);
    int value(const char *address);
    void setValue(const char *address, int v);

    std::unique_ptr<TestRig::CountingMemory> m_memory;
    std::unique_ptr<QWidget> m_window;
};

void tst_Switches::init()
{
    m_memory = std::make_unique<TestRig::CountingMemory>();
    QString error;
    QVERIFY2(m_memory->loadCatalogue(QByteArray(kCatalogue), &error), qPrintable(error));
    m_window = std::make_unique<QWidget>();
    m_window->resize(300, 200);
}

void tst_Switches::cleanup()
{
    m_window.reset();
    m_memory.reset();
}

void tst_Switches::bind(TMemProxy *proxy, QWidget *w, const char *address)
{
    proxy->setNamedAddress(QString::fromLatin1(address));
    QCOMPARE(m_memory->connectProxy(proxy, kChannel), 0);
    if (w) {
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w->window()));
    }
}

int tst_Switches::value(const char *address)
{
    IMemAPI::TSingleAddress a;
    if (!m_memory->resolveNamed(QString::fromLatin1(address), kChannel, &a))
        return -12345;
    return m_memory->getValue(a.element, a.parameter, a.channel);
}

void tst_Switches::setValue(const char *address, int v)
{
    IMemAPI::TSingleAddress a;
    QVERIFY(m_memory->resolveNamed(QString::fromLatin1(address), kChannel, &a));
    m_memory->setValue(a.element, a.parameter, a.channel, v, 0x7777);
}

// --- on/off button ------------------------------------------------------------------------------

void tst_Switches::rawValueShowsState_data()
{
    QTest::addColumn<int>("clip");
    QTest::addColumn<bool>("inverted");
    QTest::addColumn<int>("raw");
    QTest::addColumn<bool>("lit");

    QTest::newRow("two-state 0") << 0 << false << 0 << false;
    QTest::newRow("two-state 1") << 0 << false << 1 << true;
    QTest::newRow("two-state 2 is off") << 0 << false << 2 << false;
    QTest::newRow("two-state 3 is off") << 0 << false << 3 << false;
    QTest::newRow("inverted 0") << 0 << true << 0 << true;
    QTest::newRow("inverted 1") << 0 << true << 1 << false;
    QTest::newRow("inverted 2 is on") << 0 << true << 2 << true;
    QTest::newRow("clip 3 at 2") << 3 << false << 2 << true;
    QTest::newRow("clip 3 at 1") << 3 << false << 1 << false;
    QTest::newRow("clip 3 at 0") << 3 << false << 0 << false;
    QTest::newRow("clip 4 at 3") << 4 << false << 3 << true;
    QTest::newRow("clip 1 at 0") << 1 << false << 0 << true;
}

void tst_Switches::rawValueShowsState()
{
    QFETCH(int, clip);
    QFETCH(bool, inverted);
    QFETCH(int, raw);
    QFETCH(bool, lit);

    const char *address = clip ? kMode : kOn;
    // Start from the opposite state, so the notification has something to change.
    setValue(address, lit ? (raw == 0 ? 1 : 0) : (clip ? clip - 1 : 1));
    auto *b = makeButton(m_window.get());
    b->setBoolClipValue(clip);
    b->setInvertedLogic(inverted);
    bind(b, m_window.get(), address);
    setValue(address, raw);
    QCOMPARE(value(address), raw);
    QCOMPARE(b->isChecked(), lit);
    QCOMPARE(colourAt(b), lit ? kOnColour : kOffColour);
}

void tst_Switches::clickWritesRawValue_data()
{
    QTest::addColumn<int>("clip");
    QTest::addColumn<bool>("hasOffState");
    QTest::addColumn<bool>("inverted");
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("after");

    QTest::newRow("two-state off to on") << 0 << false << false << 0 << 1;
    QTest::newRow("two-state on to off") << 0 << false << false << 1 << 0;
    QTest::newRow("two-state 2 turns on") << 0 << false << false << 2 << 1;
    QTest::newRow("inverted at 2 turns off writing 1") << 0 << false << true << 2 << 1;
    QTest::newRow("inverted at 1 turns on writing 0") << 0 << false << true << 1 << 0;
    QTest::newRow("selection lights") << 4 << false << false << 0 << 3;
    QTest::newRow("lit selection ignores click") << 4 << false << false << 3 << 3;
    QTest::newRow("selection with off state") << 4 << true << false << 3 << 0;
    QTest::newRow("other selection value lights") << 4 << false << false << 1 << 3;
}

void tst_Switches::clickWritesRawValue()
{
    QFETCH(int, clip);
    QFETCH(bool, hasOffState);
    QFETCH(bool, inverted);
    QFETCH(int, before);
    QFETCH(int, after);

    const char *address = clip ? kMode : kOn;
    setValue(address, before);
    auto *b = makeButton(m_window.get());
    b->setBoolClipValue(clip);
    b->setHasOffState(hasOffState);
    b->setInvertedLogic(inverted);
    bind(b, m_window.get(), address);
    b->process(nullptr, 0, 1);
    const bool litBefore = b->isChecked();

    QTest::mouseClick(b, Qt::LeftButton);
    QCOMPARE(value(address), after);
    QCOMPARE(b->isChecked(), b->isOnValue(after));
    if (before == after)
        QCOMPARE(b->isChecked(), litBefore);
}

void tst_Switches::pushAndReleaseTriggers()
{
    setValue(kOn, 0);
    auto *b = makeButton(m_window.get());
    b->setOnStateTrigger(COnOffButton::buttonPush);
    bind(b, m_window.get(), kOn);
    // Press, release, and what the memory holds after each; settled after every click.
    const auto click = [&](int afterPress, int afterRelease) {
        QTest::mousePress(b, Qt::LeftButton);
        QCOMPARE(value(kOn), afterPress);
        QTest::mouseRelease(b, Qt::LeftButton);
        QCOMPARE(value(kOn), afterRelease);
        settle(b);
    };
    click(1, 1); // off to on is push-triggered
    QVERIFY(b->isChecked());
    click(1, 0); // on to off stays release-triggered
    b->setOnStateTrigger(COnOffButton::buttonRelease);
    b->setOffStateTrigger(COnOffButton::buttonPush);
    click(0, 1);
    click(0, 0);

    // A right click does nothing.
    QTest::mouseClick(b, Qt::RightButton);
    QCOMPARE(value(kOn), 0);

    // Release-triggered both ways: a press within the click delay of the last click is not
    // taken.
    b->setOffStateTrigger(COnOffButton::buttonRelease);
    settle(b);
    QTest::mouseClick(b, Qt::LeftButton);
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(3, 3));
    QCOMPARE(value(kOn), 1);
    settle(b);
    QTest::mouseClick(b, Qt::LeftButton);
    QCOMPARE(value(kOn), 0);
}

void tst_Switches::trackingImageStaysAfterRelease()
{
    setValue(kOn, 0);
    auto *b = makeButton(m_window.get());
    bind(b, m_window.get(), kOn);
    QCOMPARE(colourAt(b), kOffColour);

    QTest::mousePress(b, Qt::LeftButton);
    QCOMPARE(colourAt(b), kTrackingColour);
    QTest::mouseRelease(b, Qt::LeftButton);
    // Written at once, but the pressed look stays for the click delay.
    QCOMPARE(value(kOn), 1);
    QCOMPARE(colourAt(b), kTrackingColour);
    QTRY_COMPARE_WITH_TIMEOUT(colourAt(b), kOnColour, 20 * COnOffButton::ClickDelayMs);
    QVERIFY(!b->isClicked());

    // Without the tracking look, the new state shows straight away.
    b->setUseTrackingImage(false);
    QTest::mouseClick(b, Qt::LeftButton);
    QCOMPARE(value(kOn), 0);
    QCOMPARE(colourAt(b), kOffColour);
}

void tst_Switches::setNonBoolValueWritesNothing()
{
    setValue(kOn, 0);
    auto *b = makeButton(m_window.get());
    bind(b, m_window.get(), kOn);
    const int changes = m_memory->changes;
    QSignalSpy states(b, &COnOffButton::stateChanged);

    b->setNonBoolValue(1);
    QVERIFY(b->isChecked());
    QCOMPARE(colourAt(b), kOnColour);
    QCOMPARE(states.count(), 1);
    QCOMPARE(value(kOn), 0);
    // The same value again: no signal, no write.
    b->setNonBoolValue(1);
    QCOMPARE(states.count(), 1);
    QCOMPARE(m_memory->changes, changes);
}

void tst_Switches::copyLeavesDisplayUnchanged()
{
    setValue(kOn, 1);
    auto *b = makeButton(m_window.get());
    bind(b, m_window.get(), kOn);
    b->process(nullptr, 0, 1);
    // The display says off while the memory holds 1: copying must not refresh it.
    b->setNonBoolValue(0);
    QVERIFY(!b->isChecked());

    QByteArray bytes;
    {
        QDataStream out(&bytes, QIODevice::WriteOnly);
        b->copyParameters(&out);
    }
    QVERIFY(!b->isChecked());
    QCOMPARE(colourAt(b), kOffColour);
    QCOMPARE(value(kOn), 1);

    QDataStream in(bytes);
    TParamInfoReader record(&in);
    QVERIFY(record.isValid());
    QCOMPARE(record.value(), 1);
    QCOMPARE(record.element(), b->element());
    QCOMPARE(record.channel(), b->channel());
    QCOMPARE(record.tag(), b->parameter());
}

void tst_Switches::pasteAndDefaultWriteBack()
{
    setValue(kOn, 0);
    auto *b = makeButton(m_window.get());
    bind(b, m_window.get(), kOn);

    const auto pasted = [&](const TParamInfo &info) {
        QByteArray bytes;
        QDataStream os(&bytes, QIODevice::WriteOnly);
        TParamInfoWriter::write(&os, info);
        QDataStream is(bytes);
        b->pasteParameters(&is);
    };

    TParamInfo info;
    info.element = qint16(b->element());
    info.channel = qint16(b->channel());
    info.parameter = qint16(b->parameter());
    info.value = 1;
    pasted(info);
    QVERIFY(b->isChecked());
    QCOMPARE(value(kOn), 1);

    // A record of another parameter is not taken.
    TParamInfo other = info;
    other.parameter = qint16(b->parameter() + 1);
    other.value = 0;
    pasted(other);
    QVERIFY(b->isChecked());
    QCOMPARE(value(kOn), 1);

    // A truncated stream changes nothing.
    QDataStream shortStream(QByteArray(3, '\0'));
    b->pasteParameters(&shortStream);
    QCOMPARE(value(kOn), 1);

    // The catalogue default of kOn is 1; from 0, a reset lights the button and writes it.
    b->setNonBoolValue(0);
    setValue(kOn, 0);
    b->reset2defaults();
    QVERIFY(b->isChecked());
    QCOMPARE(value(kOn), 1);
}

void tst_Switches::disabledLook()
{
    // Two rows and no disable image: the grey transformation of the state image.
    setValue(kOn, 1);
    auto *grey = new COnOffButton(m_window.get());
    grey->setCombinedImage(solidStrip({kOnColour, kOffColour}));
    grey->setnSubImages(2);
    bind(grey, m_window.get(), kOn);
    grey->process(nullptr, 0, 1);
    QCOMPARE(colourAt(grey), kOnColour);
    grey->setEnabled(false);
    QImage lit(1, 1, QImage::Format_ARGB32_Premultiplied);
    lit.fill(kOnColour);
    const QColor expected = NS_Utilities::applyGreyTransformation(lit).pixelColor(0, 0);
    QVERIFY(expected != kOnColour);
    QCOMPARE(colourAt(grey), expected);

    // A strip with a disable row shows that row.
    auto *framed = makeButton(m_window.get());
    bind(framed, m_window.get(), kOn);
    framed->process(nullptr, 0, 1);
    framed->setEnabled(false);
    QCOMPARE(colourAt(framed), kDisabledColour);
    framed->setEnabled(true);
    QCOMPARE(colourAt(framed), kOnColour);
}

void tst_Switches::disabledUIIgnoresClicks()
{
    setValue(kOn, 0);
    auto *b = makeButton(m_window.get());
    bind(b, m_window.get(), kOn);
    b->setDisabledUI(true);
    QTest::mouseClick(b, Qt::LeftButton);
    QCOMPARE(value(kOn), 0);
    QVERIFY(!b->isChecked());
    b->setDisabledUI(false);
    QTest::mouseClick(b, Qt::LeftButton);
    QCOMPARE(value(kOn), 1);
}

void tst_Switches::notificationFromAnotherThread()
{
    setValue(kOn, 0);
    auto *b = makeButton(m_window.get());
    bind(b, m_window.get(), kOn);
    QVERIFY(TestRig::runOnWorker([this] { setValue(kOn, 1); }));
    QTRY_VERIFY(b->isChecked());
    QCOMPARE(colourAt(b), kOnColour);
    QCOMPARE(value(kOn), 1);
}

void tst_Switches::selectionObjectStandsInForMemory()
{
    setValue(kMode, 0);
    QPointer<CSimpleNotifier> watcher = CSimpleNotifier::Create(
            m_memory.get(), m_window.get(), QString::fromLatin1(kMode), kChannel, nullptr);
    QVERIFY(watcher);
    auto *b = makeButton(m_window.get());
    b->setBoolClipValue(3);
    // Bound to another parameter: the selection object takes over reads and writes.
    bind(b, m_window.get(), kOn);
    const int onBefore = value(kOn);
    b->setSelectionObject(watcher);

    QTest::mouseClick(b, Qt::LeftButton);
    QCOMPARE(value(kMode), 2);
    QCOMPARE(watcher->value(), 2);
    QCOMPARE(value(kOn), onBefore);

    // Lit: a further click is not a hit.
    QTest::mouseClick(b, Qt::LeftButton);
    QCOMPARE(value(kMode), 2);
    QVERIFY(b->isChecked());

    // The selection object's value is what shows.
    setValue(kMode, 4);
    b->process(nullptr, 0, 0);
    QVERIFY(!b->isChecked());
}

void tst_Switches::blinkingFollowsSharedPhase()
{
    m_memory->setBlinkInterval(15);
    auto *b = new BlinkingButton(m_window.get());
    b->setCombinedImage(fourRowStrip());
    b->setnSubImages(4);
    bind(b, m_window.get(), kOn);
    QObject *timer = m_memory->blinkPhase(nullptr, 0);
    QVERIFY(timer);
    b->connectBlinkTimer(true);

    QSignalSpy ticks(timer, SIGNAL(timeout()));
    for (int i = 0; i < 4; ++i) {
        QVERIFY(ticks.wait(2000));
        int phase = -1;
        m_memory->blinkPhase(&phase, 0);
        QCOMPARE(colourAt(b), phase ? kOnColour : kOffColour);
    }
    // Pressed, the tracking look wins over the blink.
    QTest::mousePress(b, Qt::LeftButton);
    QVERIFY(ticks.wait(2000));
    QCOMPARE(colourAt(b), kTrackingColour);
    QTest::mouseRelease(b, Qt::LeftButton);
}

// --- look-record sharing ------------------------------------------------------------------------

void tst_Switches::alikeButtonsShareOneRecord()
{
    setValue(kOn, 0);
    CacheHost host;
    QPointer<COnOffButton> first = makeButton(&host, QStringLiteral("stripOnSwitch"));
    // Forms name their widgets after construction; that name counts too.
    auto *second = makeButton(&host);
    second->setObjectName(QStringLiteral("stripOnSwitch"));
    second->setimagesSwapped(true);
    second->move(0, 40);
    second->resize(50, 30);
    first->setNamedAddress(QString::fromLatin1(kOn));
    second->setNamedAddress(QString::fromLatin1(kOn));
    QVERIFY(m_memory->connectTree(&host, kChannel) >= 2);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));

    const COnOffButton::COnOffButton_PD *shared = second->lookRecord();
    QCOMPARE(first->lookRecord(), shared);
    QVERIFY(first->lookRecordCached());
    QVERIFY(second->lookRecordCached());
    QCOMPARE(shared->refCount, 2);
    QCOMPARE(shared->frameCuts, 1);
    QCOMPARE(host.recordCount(), 1);
    QCOMPARE(host.record(QStringLiteral("stripOnSwitch")), shared);
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
    setValue(kOn, 1);
    QVERIFY(second->isChecked());
    QCOMPARE(colourAt(second, insideFrame), kOnColour);
    QTest::mouseClick(second, Qt::LeftButton, {}, insideFrame);
    QCOMPARE(value(kOn), 0);
    QTRY_COMPARE(colourAt(second, insideFrame), kOffColour);
}

void tst_Switches::recordsThatStayPrivate()
{
    CacheHost host;
    auto *shortName = makeButton(&host, QStringLiteral("abc"));
    auto *shortTwin = makeButton(&host, QStringLiteral("abc"));
    auto *columns = makeButton(&host, QStringLiteral("categoryButton"));
    columns->setCombinedImage(
            solidStrip({kOnColour, kOffColour, kTrackingColour, kDisabledColour}, 2));
    columns->setnImageCategories(2);
    auto *columnsTwin = makeButton(&host, QStringLiteral("categoryButton"));
    columnsTwin->setCombinedImage(
            solidStrip({kOnColour, kOffColour, kTrackingColour, kDisabledColour}, 2));
    columnsTwin->setnImageCategories(2);
    auto *selector = new CPopup(&host, QStringLiteral("selectorName"));
    auto *selectorTwin = new CPopup(&host, QStringLiteral("selectorName"));
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));

    QVERIFY(shortName->lookRecord() != shortTwin->lookRecord());
    QVERIFY(columns->lookRecord() != columnsTwin->lookRecord());
    QVERIFY(selector->lookRecord() != selectorTwin->lookRecord());
    QCOMPARE(selector->objectName(), QStringLiteral("selectorName"));
    for (COnOffButton *b :
         {shortName, shortTwin, columns, columnsTwin, static_cast<COnOffButton *>(selector)}) {
        QVERIFY(!b->lookRecordCached());
        QCOMPARE(b->lookRecord()->refCount, 0);
    }
    QCOMPARE(host.recordCount(), 0);
    // Several columns: the strip stays for switching them.
    QVERIFY(!columns->combinedImage().isNull());
    columns->setCurrentImage(1);
    QCOMPARE(colourAt(columns), kOffColour.lighter(150));
    columns->setCurrentImage(5);
    QCOMPARE(columns->currentImage(), 1);

    // Without a serving window the key is dropped, so later polishes do not search again.
    QWidget plain;
    auto *alone = makeButton(&plain, QStringLiteral("stripOnSwitch"));
    plain.show();
    QVERIFY(QTest::qWaitForWindowExposed(&plain));
    QVERIFY(!alone->lookRecordCached());
    QVERIFY(alone->lookRecord()->key.isNull());
    QCOMPARE(alone->lookRecord()->frameCuts, 1);
    // A one-column strip is released once cut.
    QVERIFY(alone->combinedImage().isNull());
}

// --- pop-up selector ----------------------------------------------------------------------------

void tst_Switches::labelListAndProperties()
{
    CPopup popup;
    QSignalSpy tableIds(&popup, &CPopup::updateTableId);
    popup.setLabels(QStringLiteral("IN 1;;IN 2;"));
    QCOMPARE(popup.labelList(), QStringList({QStringLiteral("IN 1"), QStringLiteral("IN 2")}));
    popup.setGroupOverride(QStringLiteral("3;x;2"));
    QCOMPARE(popup.getGroupOverride(), QVector<quint16>({3, 0, 2}));

    popup.setLabelSizeToContents(true);
    const QFontMetrics metrics(popup.font());
    const QRect text = metrics.boundingRect(QStringLiteral("IN 1"))
                               .united(metrics.boundingRect(QStringLiteral("IN 2")));
    QCOMPARE(popup.labelSize(), text.size() + CPopup::smallBorder);

    popup.setFocusColor(QColor(Qt::red));
    QCOMPARE(popup.focusPolicy(), Qt::StrongFocus);
    QCOMPARE(tableIds.count(), 0);
}

void tst_Switches::pickWritesWithValueOffset()
{
    setValue(kSel, 4);
    auto *popup = new CPopup(m_window.get());
    popup->setLabels(QStringLiteral("A;B;C;D"));
    popup->resize(40, 16);
    bind(popup, m_window.get(), kSel);
    popup->process(nullptr, 0, 0);
    QCOMPARE(popup->valueOffset(), 1);
    QCOMPARE(popup->currentSelection(), 3);
    QCOMPARE(popup->text(), QStringLiteral("D"));

    QSignalSpy changes(popup, qOverload<int>(&CPopup::selectionChanged));
    QTest::mousePress(popup, Qt::LeftButton);
    CPopupItem *item = popup->PopupItem();
    QVERIFY(item);
    QVERIFY(item->isVisible());
    QCOMPARE(item->cell(3)->look(), CPopupLabel::Look::Selected);
    QTest::mouseClick(item->cell(0), Qt::LeftButton);
    QCOMPARE(value(kSel), 1);
    QCOMPARE(popup->currentSelection(), 0);
    QCOMPARE(popup->text(), QStringLiteral("A"));
    QCOMPARE(changes.count(), 1);
    QTRY_VERIFY(!popup->PopupItem());

    // From the memory: raw 3 is entry 2, signalled but not written back.
    const int writes = m_memory->changes;
    setValue(kSel, 3);
    QCOMPARE(popup->currentSelection(), 2);
    QCOMPARE(popup->text(), QStringLiteral("C"));
    QCOMPARE(changes.count(), 2);
    QCOMPARE(m_memory->changes, writes + 1);

    // Selecting the same entry again: no signal, no write.
    popup->setSelection(2);
    QCOMPARE(changes.count(), 2);
    QCOMPARE(m_memory->changes, writes + 1);
    // Out of range: ignored.
    popup->setSelection(7);
    QCOMPARE(popup->currentSelection(), 2);
}

void tst_Switches::removedEntriesKeepRawValues()
{
    setValue(kList, 0);
    auto *popup = new CPopup(m_window.get());
    popup->setTableId(1);
    bind(popup, m_window.get(), kList);
    popup->process(nullptr, 0, 0);
    QCOMPARE(popup->labelList(), QStringList({"A", "B", "C", "D"}));

    popup->removeMenuEntry(1);
    popup->removeMenuEntry(9);
    QCOMPARE(popup->labelList(), QStringList({"A", "C", "D"}));
    QCOMPARE(popup->calculateValueFromIndex(1), 2);

    QTest::mousePress(popup, Qt::LeftButton);
    QVERIFY(popup->PopupItem());
    QTest::mouseClick(popup->PopupItem()->cell(1), Qt::LeftButton);
    QCOMPARE(value(kList), 2);
    QCOMPARE(popup->text(), QStringLiteral("C"));

    setValue(kList, 3);
    QCOMPARE(popup->currentSelection(), 2);
    QCOMPARE(popup->text(), QStringLiteral("D"));
    // A removed value has no entry: the display stays.
    setValue(kList, 1);
    QCOMPARE(popup->currentSelection(), 2);

    // Removing a range shows the current value again.
    setValue(kList, 3);
    auto *ranged = new CPopup(m_window.get());
    ranged->setTableId(1);
    bind(ranged, m_window.get(), kList);
    ranged->process(nullptr, 0, 0);
    QCOMPARE(ranged->currentSelection(), 3);
    // Removes C, then B.
    ranged->removeMenuRange(1, 2);
    QCOMPARE(ranged->labelList(), QStringList({"A", "D"}));
    QCOMPARE(ranged->currentSelection(), 1);
    QCOMPARE(ranged->text(), QStringLiteral("D"));
}

void tst_Switches::confirmationCanVeto()
{
    setValue(kList, 1);
    auto *popup = new CPopup(m_window.get());
    popup->setLabels(QStringLiteral("A;B;C;D"));
    bind(popup, m_window.get(), kList);
    popup->process(nullptr, 0, 0);
    Confirmer veto(1);
    popup->setUserConfirmAction(&veto);

    QTest::mousePress(popup, Qt::LeftButton);
    QTest::mouseClick(popup->PopupItem()->cell(3), Qt::LeftButton);
    QCOMPARE(veto.calls, Calls({qMakePair(1, 3)}));
    QCOMPARE(value(kList), 1);
    QCOMPARE(popup->currentSelection(), 1);
    QCOMPARE(popup->text(), QStringLiteral("B"));

    Confirmer agree(0);
    popup->setUserConfirmAction(&agree);
    popup->setSelectionConfirm(2);
    QCOMPARE(agree.calls, Calls({qMakePair(1, 2)}));
    QCOMPARE(value(kList), 2);

    // Nothing selected yet: a pick changes nothing and asks nobody.
    auto *fresh = new CPopup(m_window.get());
    fresh->setLabels(QStringLiteral("A;B"));
    Confirmer asked(0);
    fresh->setUserConfirmAction(&asked);
    fresh->setSelectionConfirm(1);
    QCOMPARE(fresh->currentSelection(), -1);
    QVERIFY(asked.calls.isEmpty());
}

void tst_Switches::disabledSelector()
{
    setValue(kList, 1);
    auto *popup = new CPopup(m_window.get());
    popup->setLabels(QStringLiteral("A;B;C;D"));
    popup->resize(40, 16);
    bind(popup, m_window.get(), kList);
    popup->process(nullptr, 0, 0);
    const QImage enabledPicture = popup->grab().toImage();

    popup->setEnabled(false);
    QCOMPARE(popup->text(), QStringLiteral("---"));
    popup->setSelection(3);
    QCOMPARE(popup->currentSelection(), 1);
    QCOMPARE(value(kList), 1);

    popup->setGreyOnDisable(true);
    popup->setEnabled(true);
    popup->setEnabled(false);
    QCOMPARE(popup->text(), QStringLiteral("B"));
    popup->setSelection(3);
    QCOMPARE(popup->currentSelection(), 3);
    QCOMPARE(value(kList), 3);
    // The label is drawn in grey: some pixel is the grey text colour.
    const QImage greyPicture = popup->grab().toImage();
    QVERIFY(TestRig::countPixels(greyPicture, QColor(128, 128, 128)).matching > 0);
    QVERIFY(greyPicture != enabledPicture);
}

void tst_Switches::dynamicListFetchedOnce()
{
    auto *popup = new CPopup(m_window.get());
    QSignalSpy tableIds(popup, &CPopup::updateTableId);
    QSignalSpy created(popup, &CPopup::dynamicListCreated);
    popup->setTableId(1);
    bind(popup, m_window.get(), kList);
    popup->createDynamicStringList();
    popup->createDynamicStringList();
    QCOMPARE(created.count(), 1);
    QCOMPARE(popup->labelList().size(), 4);
    QVERIFY(tableIds.count() >= 2);
    QCOMPARE(tableIds.first().at(0).toInt(), 1);
    QCOMPARE(tableIds.last().at(0).toInt(), ~1);
    QCOMPARE(popup->tableId(), 1);

    // Recreation fetches again, without duplicating names.
    popup->forceDynamicListRecreation(0);
    QCOMPARE(created.count(), 2);
    QCOMPARE(popup->labelList().size(), 4);

    // An unknown table leaves an empty list, and nothing breaks.
    popup->setTableId(99);
    popup->createDynamicStringList();
    QVERIFY(popup->labelList().isEmpty());
    QTest::mousePress(popup, Qt::LeftButton);
    QVERIFY(popup->PopupItem());
    QVERIFY(popup->cancel());
}

// --- selection grid -----------------------------------------------------------------------------

void tst_Switches::groupingLayouts()
{
    auto *popup = new CPopup(m_window.get());
    popup->setLabels(QStringLiteral("B1;B2;M1"));
    popup->resize(40, 16);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));

    QTest::mousePress(popup, Qt::LeftButton);
    CPopupItem *item = popup->PopupItem();
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
    popup->cancel();

    // Thirteen names in twelve columns are spread 7 and 6.
    QStringList many;
    for (int i = 0; i < 13; ++i)
        many << QStringLiteral("X%1").arg(i);
    QCOMPARE(CPopupItem::initGrouping(many, false, 1, {}), QVector<int>({13}));
    popup->setGrouping(false);
    popup->setLabels(many.join(QLatin1Char(';')));
    QTest::mousePress(popup, Qt::LeftButton);
    item = popup->PopupItem();
    QCOMPARE(item->gridRows().size(), 2);
    QCOMPARE(item->gridRows().at(0).count(-1), 12 - 7);
    QCOMPARE(item->gridRows().at(1).count(-1), 12 - 6);
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
    QTest::mousePress(popup, Qt::LeftButton);
    item = popup->PopupItem();
    QCOMPARE(item->gridRows().size(), 3);
    QCOMPARE(item->cell(3)->x(), item->cell(0)->x());
    QCOMPARE(item->cell(6)->x(), item->cell(0)->x());
    popup->cancel();
}

void tst_Switches::keyboardWrapsOverEmptyCells()
{
    setValue(kList, 0);
    auto *popup = new CPopup(m_window.get());
    // Two groups in three columns: A1 A2 A3 / B1 - -.
    popup->setLabels(QStringLiteral("A1;A2;A3;B1"));
    popup->setColumnsCount(3);
    bind(popup, m_window.get(), kList);
    popup->process(nullptr, 0, 0);

    QTest::mousePress(popup, Qt::LeftButton);
    QPointer<CPopupItem> item = popup->PopupItem();
    QVERIFY(item);
    const QVector<QVector<int>> expected = {{0, 1, 2}, {3, -1, -1}};
    QCOMPARE(item->gridRows(), expected);

    const auto press = [&](Qt::Key key) {
        QTest::keyClick(item.data(), key);
        return item ? item->highlightedItem() : -2;
    };
    // Up from A1: the bottom of the previous (last) column is empty, so its top.
    QCOMPARE(press(Qt::Key_Up), 2);
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
    QCOMPARE(item->cell(0)->look(), CPopupLabel::Look::Selected);

    QTest::keyClick(item.data(), Qt::Key_Return);
    QCOMPARE(value(kList), 3);
    QCOMPARE(popup->text(), QStringLiteral("B1"));
    QTRY_VERIFY(!item);
}

void tst_Switches::returnWithoutHighlightKeepsSelection()
{
    setValue(kList, 2);
    auto *popup = new CPopup(m_window.get());
    popup->setLabels(QStringLiteral("A;B;C;D"));
    bind(popup, m_window.get(), kList);
    popup->process(nullptr, 0, 0);
    const int changes = m_memory->changes;

    QTest::mousePress(popup, Qt::LeftButton);
    QPointer<CPopupItem> item = popup->PopupItem();
    QCOMPARE(item->highlightedItem(), -1);
    QTest::keyClick(item.data(), Qt::Key_Enter);
    QCOMPARE(popup->currentSelection(), 2);
    QCOMPARE(m_memory->changes, changes);
    QTRY_VERIFY(!item);

    // Escape closes without choosing.
    QTest::mousePress(popup, Qt::LeftButton);
    item = popup->PopupItem();
    QTest::keyClick(item.data(), Qt::Key_Right);
    QTest::keyClick(item.data(), Qt::Key_Escape);
    QVERIFY(!item->isVisible());
    QCOMPARE(popup->currentSelection(), 2);
    QCOMPARE(m_memory->changes, changes);
}

void tst_Switches::hoverHighlightsCell()
{
    auto *popup = new CPopup(m_window.get());
    popup->setLabels(QStringLiteral("A;B;C"));
    popup->setSelectText(0, false);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QTest::mousePress(popup, Qt::LeftButton);
    CPopupItem *item = popup->PopupItem();
    QVERIFY(item);

    const auto enter = [item](int cell) {
        QEnterEvent e(QPointF(2, 2), QPointF(2, 2), item->cell(cell)->mapToGlobal(QPointF(2, 2)));
        QCoreApplication::sendEvent(item->cell(cell), &e);
    };
    enter(1);
    QCOMPARE(item->highlightedItem(), 1);
    QCOMPARE(item->cell(1)->look(), CPopupLabel::Look::Hover);
    enter(0);
    QCOMPARE(item->highlightedItem(), 0);
    QCOMPARE(item->cell(1)->look(), CPopupLabel::Look::Normal);
    QCOMPARE(item->cell(0)->look(), CPopupLabel::Look::Hover);
    enter(2);
    // The selected cell gets its own look back.
    QCOMPARE(item->cell(0)->look(), CPopupLabel::Look::Selected);
    // The hover look is drawn.
    const QImage cell = item->cell(2)->grab().toImage();
    QCOMPARE(cell.pixelColor(1, 1),
             item->cell(2)->palette().color(QPalette::Active, QPalette::Highlight));
    popup->cancel();
}

void tst_Switches::windowStaysInsideAvailableArea()
{
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    QWidget window;
    auto *popup = new CPopup(&window);
    popup->setLabels(QStringLiteral("A;B;C;D;E;F;G;H;I;J;K;L"));
    popup->setGrouping(false);
    popup->setGeometry(0, 0, 40, 16);
    window.setGeometry(area.right() - 60, area.top() + 40, 60, 40);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QTest::mousePress(popup, Qt::LeftButton);
    CPopupItem *item = popup->PopupItem();
    QVERIFY(item);
    const QRect r = item->geometry();
    QVERIFY2(r.width() < area.width(), "the grid must fit in width for this case");
    QCOMPARE(r.right(), area.right());
    QCOMPARE(r.top(), popup->mapToGlobal(QPoint(0, popup->height() - 1)).y());
    QVERIFY(area.contains(r));
    popup->cancel();

    // Taller than the area: aligned to its top.
    popup->setLabelSize(QSize(37, area.height() / 2));
    popup->setColumnsCount(4);
    QTest::mousePress(popup, Qt::LeftButton);
    item = popup->PopupItem();
    QVERIFY(item->height() > area.height());
    QCOMPARE(item->geometry().top(), area.top());
    popup->cancel();
}

void tst_Switches::closingReleasesSelector()
{
    auto *popup = new CPopup(m_window.get());
    popup->setLabels(QStringLiteral("A;B"));
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QSignalSpy closed(popup, &CPopup::closePopup);

    QTest::mousePress(popup, Qt::LeftButton);
    QPointer<CPopupItem> first = popup->PopupItem();
    QVERIFY(first);
    QVERIFY(popup->isDown());
    QVERIFY(popup->cancel());
    // The window sent the press's missing release back.
    QCOMPARE(closed.count(), 1);
    QVERIFY(!popup->isDown());
    QTRY_VERIFY(!first);
    QVERIFY(!popup->cancel());

    // A window closed by Qt (outside click) is replaced by the next press.
    QTest::mousePress(popup, Qt::LeftButton);
    first = popup->PopupItem();
    first->close();
    QCOMPARE(closed.count(), 2);
    QTest::mousePress(popup, Qt::LeftButton);
    QVERIFY(!first);
    QVERIFY(popup->PopupItem());
    popup->cancel();
}

QTEST_MAIN(tst_Switches)
#include "tst_switches.moc"
