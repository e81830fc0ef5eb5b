// Radio choices and frame-strip displays: the radio button in an exclusive group, the state
// display and the pixmap switcher, driven with clicks and keys against the embedded memory.

#include "CPixmapSwitcher.h"
#include "CRadioButton.h"
#include "StateDisplayWidget.h"
#include "TestRig.h"

#include <QButtonGroup>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <tuple>

namespace {

const char kCatalogue[] = R"({"name": "Radio test console", "sections": [
 {"key": "kDyn", "element": 3, "channels": 4, "params": [
  {"key": "kType", "id": 0, "min": 0, "max": 9, "default": 0},
  {"key": "kLevel", "id": 1, "min": -10, "max": 10, "default": 0}]}]})";

const char *const kType = "FEkDyn/kType";
const char *const kLevel = "FEkDyn/kLevel";
constexpr int kChannel = 1;
constexpr int kFrameW = 30;
constexpr int kFrameH = 12;

const QList<QColor> kRowColours {QColor(200, 30, 30), QColor(30, 160, 30), QColor(30, 30, 200),
                                 QColor(200, 200, 40)};

// Frames of one solid colour each, stacked (and side by side, darker, for several columns).
QPixmap frames(int rows, int columns = 1)
{
    return TestRig::frameStrip(QSize(kFrameW, kFrameH), columns, rows, [](int c, int r) {
        return c == 0 ? kRowColours.at(r % 4) : kRowColours.at(r % 4).darker();
    });
}

QPixmap solid(const QColor &c)
{
    return TestRig::frameStrip(QSize(kFrameW, kFrameH), 1, 1, [c](int, int) { return c; });
}

using TestRig::colourAt;

// One letter per button: 'F' checked and focusable, 'c' checked only, 'f' focusable only, '-'.
QString states(const QList<CRadioButton *> &buttons)
{
    QString s;
    for (CRadioButton *b : buttons)
        s += QLatin1Char("-fcF"[2 * b->isChecked() + (b->focusPolicy() != Qt::NoFocus)]);
    return s;
}

} // namespace

class tst_Radio : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_rig = std::make_unique<TestRig::Console>(kCatalogue, kChannel, QSize(400, 200));
        QVERIFY2(m_rig->loaded, qPrintable(m_rig->error));
    }
    void cleanup() { m_rig.reset(); }

    void radioGroupWalk();
    void radioLooks();

    void stateDisplayWalk();

    void switcherWalk();

private:
    // Buttons 0, 1 and 2 on kType, 100 pixels wide, in one exclusive group, memory value 1.
    QList<CRadioButton *> makeGroup()
    {
        auto *group = new QButtonGroup(&m_rig->host);
        QList<CRadioButton *> buttons;
        for (int i = 0; i < 3; ++i) {
            auto *b = new CRadioButton(&m_rig->host);
            b->setText(QStringLiteral("choice %1").arg(i));
            b->setGeometry(10, 10 + 30 * i, 100, 24);
            b->setOnValue(i);
            group->addButton(b);
            buttons.append(b);
        }
        for (CRadioButton *b : buttons) {
            if (!m_rig->bind(b, kType))
                return {};
        }
        m_rig->set(kType, 1);
        return buttons;
    }

    std::unique_ptr<TestRig::Console> m_rig;
};

// The memory checks one button and gives it the focus; a tab onto a choice writes it, focus from
// the mouse does not; bad strips and unbound radios.
void tst_Radio::radioGroupWalk()
{
    const QList<CRadioButton *> buttons = makeGroup();
    QCOMPARE(states(buttons), QStringLiteral("-F-"));
    QCOMPARE(m_rig->value(kType), 1);
    // A click chooses (the checked button keeps it, a click far from the indicator counts) and
    // gives the chosen button the focus.
    for (const auto &[clicked, where] :
         QList<QPair<int, QPoint>> {{2, {5, 12}}, {0, {5, 12}}, {0, {5, 12}}, {1, {95, 20}}}) {
        QTest::mouseClick(buttons.at(clicked), Qt::LeftButton, {}, where);
        QCOMPARE(m_rig->value(kType), clicked);
        QCOMPARE(states(buttons), QStringLiteral("---").replace(clicked, 1, QLatin1Char('F')));
        QTRY_VERIFY(buttons.at(clicked)->hasFocus() || !m_rig->host.isActiveWindow());
    }
    // A value no button stands for unchecks none of them by itself (the group keeps one).
    m_rig->set(kType, 2);
    QCOMPARE(states(buttons), QStringLiteral("--F"));
    m_rig->set(kType, 7);
    QCOMPARE(states(buttons), QStringLiteral("--c"));

    // Two parameters' radios under one parent do not uncheck each other.
    auto *other = new CRadioButton(&m_rig->host);
    other->setOnValue(3);
    other->move(200, 100);
    QVERIFY(m_rig->bind(other, kLevel));
    m_rig->set(kLevel, 3);
    QVERIFY(other->isChecked());
    m_rig->set(kType, 0);
    QVERIFY(buttons.at(0)->isChecked());
    QVERIFY(other->isChecked());

    // A form that gives the last choice tab focus.
    auto *edit = new QLineEdit(&m_rig->host);
    edit->move(200, 10);
    edit->show();
    buttons.at(2)->setFocusPolicy(Qt::StrongFocus);
    QWidget::setTabOrder(edit, buttons.at(2));
    m_rig->host.activateWindow();
    edit->setFocus(Qt::OtherFocusReason);
    QTRY_VERIFY(edit->hasFocus());
    QTest::keyClick(edit, Qt::Key_Tab);
    QTRY_VERIFY(buttons.at(2)->hasFocus());
    QCOMPARE(m_rig->value(kType), 2);
    QCOMPARE(states(buttons), QStringLiteral("--F"));
    // Focus from the mouse does not choose.
    m_rig->set(kType, 0);
    buttons.at(1)->setFocusPolicy(Qt::StrongFocus);
    buttons.at(1)->setFocus(Qt::MouseFocusReason);
    QCOMPARE(m_rig->value(kType), 0);
    QVERIFY(!buttons.at(1)->isChecked());
    buttons.at(0)->setFocus(Qt::OtherFocusReason); // the checked one: nothing to choose
    QCOMPARE(m_rig->value(kType), 0);

    // A strip shorter than its row count has no frames: the standard look, no crash.
    buttons.at(1)->setCombinedImage(frames(1).copy(0, 0, kFrameW, 2));
    buttons.at(1)->setnSubImages(5);
    QVERIFY(buttons.at(1)->statePixmap().isNull());
    buttons.at(1)->grab();
    // An unbound radio writes nothing and keeps the user's choice.
    auto *loose = new CRadioButton(&m_rig->host);
    loose->setNamedAddress(QStringLiteral("FEkDyn/kMissing"));
    QVERIFY(m_rig->memory.connectProxy(loose, kChannel) != 0);
    loose->show();
    QTest::mouseClick(loose, Qt::LeftButton);
    QVERIFY(loose->isChecked());
    QCOMPARE(m_rig->value(kType), 0);
}

// Frames from single images and from a strip: pressed until the click delay ends, disabled
// grey, the standard look without a strip.
void tst_Radio::radioLooks()
{
    const QList<CRadioButton *> buttons = makeGroup();
    CRadioButton *b = buttons.at(0);
    const QColor tracking(250, 120, 0);
    b->setOffState(solid(kRowColours.at(1)));
    b->setOnState(solid(kRowColours.at(0)));
    b->setTrackingState(solid(tracking));
    QCOMPARE(b->size(), QSize(kFrameW, kFrameH));

    QElapsedTimer sinceRelease;
    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(3, 3));
    QCOMPARE(colourAt(b), tracking);
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(3, 3));
    sinceRelease.start();
    QCOMPARE(m_rig->value(kType), 0);
    QCOMPARE(colourAt(b), tracking);
    // A press while the tracking image shows is ignored: the outside change stays.
    m_rig->set(kType, 1);
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(3, 3));
    QCOMPARE(m_rig->value(kType), 1);
    QTRY_VERIFY(!b->isPressedFlagSet());
    QVERIFY(sinceRelease.elapsed() >= CRadioButton::DefaultClickDelayMs);
    QCOMPARE(colourAt(b), kRowColours.at(1));
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(3, 3));
    QCOMPARE(m_rig->value(kType), 0);
    QCOMPARE(colourAt(b), tracking);
    // Without a delay the flag clears at once; without a tracking image as well.
    b->setClickDelay(-20);
    QCOMPARE(b->clickDelay(), 0);
    QTRY_VERIFY(!b->isPressedFlagSet());
    buttons.at(2)->setOnState(solid(Qt::white));
    QTest::mouseClick(buttons.at(2), Qt::LeftButton);
    QVERIFY(!buttons.at(2)->isPressedFlagSet());
    QCOMPARE(m_rig->value(kType), 2);

    // A strip of three rows: on, off, pressed.
    b = buttons.at(1);
    b->resize(kFrameW, kFrameH);
    b->setCombinedImage(frames(3));
    b->setnSubImages(3);
    QCOMPARE(colourAt(b), kRowColours.at(1)); // off
    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(2, 2));
    QCOMPARE(colourAt(b), kRowColours.at(2)); // pressed
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(2, 2));
    QCOMPARE(m_rig->value(kType), 1);
    QTRY_COMPARE(colourAt(b), kRowColours.at(0)); // on
    // Disabled: the grey transformation of the frame.
    b->setEnabled(false);
    const QColor grey = colourAt(b);
    QCOMPARE(grey.red(), grey.green());
    QCOMPARE(grey.green(), grey.blue());
    // Two rows are not a strip: the standard look (no strip colour).
    b->setEnabled(true);
    b->setnSubImages(2);
    QVERIFY(!kRowColours.contains(colourAt(b)));
}

// --- state display ------------------------------------------------------------------------------

// Frames for raw values or as a truth value; written from data, clicked, fed by a worker burst;
// default requests and other operations do not refresh it; bad strips and counts.
void tst_Radio::stateDisplayWalk()
{
    auto *w = new StateDisplayWidget(&m_rig->host);
    w->setCombinedImage(frames(4));
    w->setnSubImages(4);
    w->setCmpValue(5);
    m_rig->host.show();
    QCOMPARE(w->size(), QSize(kFrameW, kFrameH));
    QCOMPARE(w->value(), StateDisplayWidget::NoValue);
    QCOMPARE(colourAt(w), kRowColours.at(0));
    m_rig->set(kLevel, 1);
    QVERIFY(m_rig->bind(w, kLevel));
    QCOMPARE(w->value(), 1);
    QCOMPARE(colourAt(w), kRowColours.at(1));
    // Raw values clamp to the frames; as a truth value, frame 1 is "equal to cmpValue".
    for (const auto &[booleanLogic, raw, frame] :
         QList<std::tuple<bool, int, int>> {{false, 2, 2},
                                            {false, 9, 3},
                                            {false, -2, 0},
                                            {true, 5, 1},
                                            {true, 3, 0},
                                            {true, 1, 0},
                                            {false, 2, 2}}) {
        w->setBooleanLogic(booleanLogic);
        m_rig->set(kLevel, raw);
        QCOMPARE(w->value(), raw);
        QCOMPARE(colourAt(w), kRowColours.at(frame));
    }
    w->setValueFromData(3);
    QCOMPARE(m_rig->value(kLevel), 3);
    QCoreApplication::processEvents();
    QCOMPARE(w->value(), 3);
    QCOMPARE(colourAt(w), kRowColours.at(3));

    QSignalSpy clicks(w, &StateDisplayWidget::clicked);
    QTest::mouseClick(w, Qt::LeftButton);
    QCOMPARE(clicks.size(), 1);
    QCOMPARE(clicks.at(0).at(0).toInt(), kChannel);
    QTest::mouseClick(w, Qt::RightButton);
    QTest::mouseRelease(w, Qt::LeftButton);
    QCOMPARE(clicks.size(), 1);
    QCOMPARE(m_rig->value(kLevel), 3);

    // A burst from a worker thread ends on its last value.
    QVERIFY(TestRig::runOnWorker([this, w] {
        for (int i = 0; i < 300; ++i)
            TestRig::writeFor(m_rig->memory, *w, i % 7 - 3);
        TestRig::writeFor(m_rig->memory, *w, 2);
    }));
    QCoreApplication::processEvents();
    QCOMPARE(w->value(), 2);
    QCOMPARE(colourAt(w), kRowColours.at(2));

    // The memory changes without telling; a default or alternative-default request must not
    // show it (nor the default).
    m_rig->memory.setValue(w->element(), w->parameter(), w->channel(), 3, 0, 0);
    w->reset2defaults();
    w->reset2AltDefaults();
    QCOMPARE(w->value(), 2);
    QCOMPARE(m_rig->value(kLevel), 3);
    w->process(nullptr, 0, 0);
    QCOMPARE(w->value(), 3);

    // Bad strips and counts: no frame drawn, no crash, no size from them.
    for (int n : {0, -4, 60}) {
        auto *bad = new StateDisplayWidget(&m_rig->host);
        bad->setCombinedImage(frames(4));
        bad->setnSubImages(n);
        bad->resize(20, 20);
        bad->grab();
        QCOMPARE(bad->size(), QSize(20, 20));
        QCOMPARE(bad->pixmapId(9), n > 0 ? qMin(9, n - 1) : 0);
    }
}

// --- pixmap switcher ----------------------------------------------------------------------------

// Tabs; then current image, toggling, sizes from the counts, palette mode and bad counts.
void tst_Radio::switcherWalk()
{
    auto *tabs = new CPixmapSwitcher(&m_rig->host);
    tabs->setCombinedImage(frames(3, 1).scaled(110, 3 * kFrameH));
    tabs->setnSubImages(3);
    tabs->setTabArea(QRect(10, 0, 90, kFrameH));
    tabs->setTabbed(true);
    auto *s = new CPixmapSwitcher(&m_rig->host);
    s->setCombinedImage(frames(3, 2));
    s->setnSubImages(3);
    s->setnImageCategories(2);
    m_rig->host.show();
    QCOMPARE(tabs->size(), QSize(110, kFrameH));
    QSignalSpy tabChanges(tabs, &CPixmapSwitcher::indexChanged);
    // Three tabs of 30 pixels: left + 65, left + 1, left + 30; the edges and outside select
    // nothing.
    for (const auto &[at, image] : QList<QPair<QPoint, int>> {{{75, 5}, 2},
                                                              {{11, 5}, 0},
                                                              {{40, 5}, 1},
                                                              {{10, 5}, -1},
                                                              {{75, 0}, -1},
                                                              {{99, 5}, -1},
                                                              {{5, 5}, -1}}) {
        tabs->setCurrentImage(1);
        tabChanges.clear();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, at);
        const int shown = image >= 0 ? image : 1;
        QCOMPARE(tabs->getCurrentImageID(), shown);
        QCOMPARE(tabChanges.size(), image >= 0 && image != 1 ? 1 : 0);
        QCOMPARE(colourAt(tabs, QPoint(50, 6)), kRowColours.at(shown));
    }
    // Not tabbed: presses select nothing.
    tabs->setTabbed(false);
    QTest::mouseClick(tabs, Qt::LeftButton, {}, QPoint(11, 5));
    QCOMPARE(tabs->getCurrentImageID(), 1);

    QCOMPARE(s->size(), QSize(kFrameW, kFrameH));
    QSignalSpy changes(s, &CPixmapSwitcher::indexChanged);
    for (int bad : {3, 4, -1, 0})
        s->setCurrentImage(bad);
    QCOMPARE(changes.size(), 0);
    QCOMPARE(s->getCurrentImageID(), 0);
    s->toggleImage();
    s->toggleImage();
    QCOMPARE(s->getCurrentImageID(), 2);
    QCOMPARE(colourAt(s), kRowColours.at(2));
    s->toggleImage();
    QCOMPARE(s->getCurrentImageID(), 0);
    QCOMPARE(changes.size(), 3);
    QCOMPARE(changes.last().at(0).toInt(), 0);
    s->toggleVisible();
    QVERIFY(s->isHidden());
    s->toggleVisible();
    QVERIFY(!s->isHidden());

    // A new strip does not resize the switcher; the count setters do.
    s->setCombinedImage(frames(4, 1));
    QCOMPARE(s->size(), QSize(kFrameW, kFrameH));
    s->setnImageCategories(1);
    s->setnSubImages(4);
    QCOMPARE(s->size(), QSize(kFrameW, kFrameH));
    s->setCombinedImage(frames(4, 1).scaled(60, 96));
    s->setnSubImages(2);
    QCOMPARE(s->size(), QSize(60, 48));
    for (int bad : {0, -2}) {
        s->setnSubImages(bad);
        s->setnImageCategories(bad);
    }
    QCOMPARE(s->nSubImages(), 2);
    QCOMPARE(s->nImageCategories(), 1);

    // The palette mode paints the frame as the window brush.
    s->setCombinedImage(frames(3));
    s->setnSubImages(3);
    s->setUsesPalleteBitmap(true);
    s->setCurrentImage(2);
    QVERIFY(s->autoFillBackground());
    const QBrush brush = s->palette().brush(QPalette::Window);
    QCOMPARE(brush.texture().size(), QSize(kFrameW, kFrameH));
    QCOMPARE(brush.texture().toImage().pixelColor(5, 5), kRowColours.at(2));
    QCOMPARE(colourAt(s), kRowColours.at(2));

    // A strip shorter than its frame count: nothing drawn, no crash.
    s->setCombinedImage(frames(1).copy(0, 0, kFrameW, 2));
    s->resize(20, 20);
    s->setCurrentImage(1);
    s->grab();
    QCOMPARE(s->getCurrentImageID(), 1);
    // Tabs narrower than 0.1 pixel are counted as 0.1 wide: x 8 is tab 80, not 160.
    s->setUsesPalleteBitmap(false);
    s->setnSubImages(200);
    s->setTabbed(true);
    s->setTabArea(QRect(0, 0, 10, 10));
    QTest::mouseClick(s, Qt::LeftButton, {}, QPoint(8, 5));
    QCOMPARE(s->getCurrentImageID(), 80);
}

QTEST_MAIN(tst_Radio)
#include "tst_radio.moc"
