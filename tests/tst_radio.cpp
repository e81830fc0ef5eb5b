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

namespace {

const char kCatalogue[] = R"({
 "name": "Radio test console",
 "sections": [
  {"key": "kDyn", "element": 3, "channels": 4, "params": [
    {"key": "kType", "id": 0, "min": 0, "max": 9, "default": 0},
    {"key": "kLevel", "id": 1, "min": -10, "max": 10, "default": 0}
  ]}
 ]
})";

const char *const kType = "FEkDyn/kType";
const char *const kLevel = "FEkDyn/kLevel";
constexpr int kChannel = 1;
constexpr int kFrameW = 30;
constexpr int kFrameH = 12;

const QList<QColor> kRowColours {QColor(200, 30, 30), QColor(30, 160, 30), QColor(30, 30, 200),
                                 QColor(200, 200, 40)};

// Frames of one solid colour each, stacked (and side by side for several columns).
QPixmap frames(int rows, int columns = 1)
{
    return TestRig::frameStrip(QSize(kFrameW, kFrameH), columns, rows, [](int c, int r) {
        return c == 0 ? kRowColours.at(r % 4) : kRowColours.at(r % 4).darker();
    });
}

QPixmap solid(const QColor &c)
{
    QPixmap p(kFrameW, kFrameH);
    p.fill(c);
    return p;
}

QColor centre(QWidget *w)
{
    return TestRig::colourAt(w);
}

} // namespace

class tst_Radio : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void memoryChecksOneButton();
    void clickChoosesAndSettles_data();
    void clickChoosesAndSettles();
    void tabOntoAChoiceWritesIt();
    void trackingImageUntilClickDelay();
    void stripRowsAndFallbacks();
    void badRadioInput();

    void stateDisplayFrames_data();
    void stateDisplayFrames();
    void stateDisplayWritesAndClicks();
    void stateDisplayIgnoresOtherOperations();

    void switcherTabs_data();
    void switcherTabs();
    void switcherCurrentImage();
    void switcherPaletteMode();
    void switcherBadCounts();

private:
    void bind(TMemProxy *proxy);
    void set(const char *address, int value);
    int value(const char *address);
    QList<CRadioButton *> makeGroup();
    StateDisplayWidget *makeStateDisplay();

    std::unique_ptr<TParamMemory> m_memory;
    std::unique_ptr<QWidget> m_window;
};

void tst_Radio::init()
{
    m_memory = std::make_unique<TParamMemory>();
    QString error;
    QVERIFY2(m_memory->loadCatalogue(QByteArray(kCatalogue), &error), qPrintable(error));
    m_window = std::make_unique<QWidget>();
    m_window->resize(400, 200);
}

void tst_Radio::cleanup()
{
    m_window.reset();
    m_memory.reset();
}

void tst_Radio::bind(TMemProxy *proxy)
{
    QCOMPARE(m_memory->connectProxy(proxy, kChannel), 0);
}

void tst_Radio::set(const char *address, int v)
{
    IMemAPI::TSingleAddress a;
    QVERIFY(m_memory->resolveNamed(QString::fromLatin1(address), kChannel, &a));
    m_memory->setValue(a.element, a.parameter, a.channel, v, m_memory->sourceId(0) + 1, 1);
    QCoreApplication::processEvents();
}

int tst_Radio::value(const char *address)
{
    IMemAPI::TSingleAddress a;
    if (!m_memory->resolveNamed(QString::fromLatin1(address), kChannel, &a))
        return -1;
    return m_memory->getValue(a.element, a.parameter, a.channel);
}

// Buttons 0, 1 and 2 on kType, 100 pixels wide, in one exclusive group, memory value 1.
QList<CRadioButton *> tst_Radio::makeGroup()
{
    auto *group = new QButtonGroup(m_window.get());
    QList<CRadioButton *> buttons;
    for (int i = 0; i < 3; ++i) {
        auto *b = new CRadioButton(m_window.get());
        b->setText(QStringLiteral("choice %1").arg(i));
        b->setGeometry(10, 10 + 30 * i, 100, 24);
        b->setOnValue(i);
        b->setNamedAddress(QString::fromLatin1(kType));
        group->addButton(b);
        buttons.append(b);
    }
    m_window->show();
    for (CRadioButton *b : buttons)
        bind(b);
    set(kType, 1);
    return buttons;
}

// A four-frame state display on kLevel, not yet bound.
StateDisplayWidget *tst_Radio::makeStateDisplay()
{
    auto *w = new StateDisplayWidget(m_window.get());
    w->setCombinedImage(frames(4));
    w->setnSubImages(4);
    w->setNamedAddress(QString::fromLatin1(kLevel));
    m_window->show();
    return w;
}

QList<bool> checkedStates(const QList<CRadioButton *> &buttons)
{
    QList<bool> states;
    for (CRadioButton *b : buttons)
        states.append(b->isChecked());
    return states;
}

QList<bool> focusable(const QList<CRadioButton *> &buttons)
{
    QList<bool> states;
    for (CRadioButton *b : buttons)
        states.append(b->focusPolicy() != Qt::NoFocus);
    return states;
}

void tst_Radio::memoryChecksOneButton()
{
    const QList<CRadioButton *> buttons = makeGroup();
    QCOMPARE(checkedStates(buttons), (QList<bool> {false, true, false}));
    QCOMPARE(focusable(buttons), (QList<bool> {false, true, false}));
    QCOMPARE(value(kType), 1);

    // A value no button stands for unchecks none of them by itself (the group keeps one).
    set(kType, 2);
    QCOMPARE(checkedStates(buttons), (QList<bool> {false, false, true}));
    QCOMPARE(focusable(buttons), (QList<bool> {false, false, true}));
    set(kType, 7);
    QCOMPARE(focusable(buttons), (QList<bool> {false, false, false}));
    QCOMPARE(value(kType), 7);

    // Two parameters' radios under one parent do not uncheck each other.
    auto *other = new CRadioButton(m_window.get());
    other->setOnValue(3);
    other->setNamedAddress(QString::fromLatin1(kLevel));
    bind(other);
    set(kLevel, 3);
    QVERIFY(other->isChecked());
    set(kType, 0);
    QVERIFY(buttons.at(0)->isChecked());
    QVERIFY(other->isChecked());
}

void tst_Radio::clickChoosesAndSettles_data()
{
    QTest::addColumn<int>("clicked");
    QTest::addColumn<QPoint>("where");
    QTest::addColumn<int>("expected");
    QTest::newRow("another button") << 2 << QPoint(5, 12) << 2;
    QTest::newRow("the first button") << 0 << QPoint(5, 12) << 0;
    QTest::newRow("the checked button keeps it") << 1 << QPoint(5, 12) << 1;
    QTest::newRow("far from the indicator") << 0 << QPoint(95, 20) << 0;
}

void tst_Radio::clickChoosesAndSettles()
{
    QFETCH(int, clicked);
    QFETCH(QPoint, where);
    QFETCH(int, expected);
    const QList<CRadioButton *> buttons = makeGroup();
    QTest::mouseClick(buttons.at(clicked), Qt::LeftButton, {}, where);
    QCoreApplication::processEvents();
    QCOMPARE(value(kType), expected);
    QList<bool> only {false, false, false};
    only[expected] = true;
    QCOMPARE(checkedStates(buttons), only);
    QCOMPARE(focusable(buttons), only);
    // The click gave the chosen button the focus.
    QTRY_VERIFY(buttons.at(clicked)->hasFocus() || !m_window->isActiveWindow());
}

void tst_Radio::tabOntoAChoiceWritesIt()
{
    const QList<CRadioButton *> buttons = makeGroup();
    auto *edit = new QLineEdit(m_window.get());
    edit->move(200, 10);
    edit->show();
    // A form that gives the last choice tab focus.
    buttons.at(2)->setFocusPolicy(Qt::StrongFocus);
    QWidget::setTabOrder(edit, buttons.at(2));
    m_window->activateWindow();
    edit->setFocus(Qt::OtherFocusReason);
    QTRY_VERIFY(edit->hasFocus());
    QTest::keyClick(edit, Qt::Key_Tab);
    QTRY_VERIFY(buttons.at(2)->hasFocus());
    QCOMPARE(value(kType), 2);
    QCOMPARE(checkedStates(buttons), (QList<bool> {false, false, true}));

    // Focus from the mouse does not choose.
    set(kType, 0);
    buttons.at(1)->setFocusPolicy(Qt::StrongFocus);
    buttons.at(1)->setFocus(Qt::MouseFocusReason);
    QCOMPARE(value(kType), 0);
    QVERIFY(!buttons.at(1)->isChecked());
}

void tst_Radio::trackingImageUntilClickDelay()
{
    const QList<CRadioButton *> buttons = makeGroup();
    CRadioButton *b = buttons.at(0);
    const QColor tracking(250, 120, 0);
    b->setOffState(solid(kRowColours.at(1)));
    b->setOnState(solid(kRowColours.at(0)));
    b->setTrackingState(solid(tracking));
    QCOMPARE(b->size(), QSize(kFrameW, kFrameH));
    QCOMPARE(b->clickDelay(), CRadioButton::DefaultClickDelayMs);

    QElapsedTimer sinceRelease;
    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(3, 3));
    QCOMPARE(centre(b), tracking);
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(3, 3));
    sinceRelease.start();
    QCOMPARE(value(kType), 0);
    QCOMPARE(centre(b), tracking);

    // A press while the tracking image shows is ignored: the outside change stays.
    set(kType, 1);
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(3, 3));
    QCOMPARE(value(kType), 1);

    QTRY_VERIFY(!b->isPressedFlagSet());
    QVERIFY(sinceRelease.elapsed() >= CRadioButton::DefaultClickDelayMs);
    QCOMPARE(centre(b), kRowColours.at(1));
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(3, 3));
    QCOMPARE(value(kType), 0);
    QCOMPARE(centre(b), tracking);

    // Without a delay the flag clears at once; without a tracking image as well.
    b->setClickDelay(-20);
    QCOMPARE(b->clickDelay(), 0);
    QTRY_VERIFY(!b->isPressedFlagSet());
    buttons.at(2)->setOnState(solid(Qt::white));
    QTest::mouseClick(buttons.at(2), Qt::LeftButton);
    QVERIFY(!buttons.at(2)->isPressedFlagSet());
    QCOMPARE(value(kType), 2);
}

void tst_Radio::stripRowsAndFallbacks()
{
    const QList<CRadioButton *> buttons = makeGroup();
    CRadioButton *b = buttons.at(1);
    b->resize(kFrameW, kFrameH);
    b->setCombinedImage(frames(3));
    b->setnSubImages(3);
    QCOMPARE(centre(b), kRowColours.at(0)); // on
    set(kType, 0);
    QCOMPARE(centre(b), kRowColours.at(1)); // off
    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(2, 2));
    QCOMPARE(centre(b), kRowColours.at(2)); // pressed
    QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(2, 2));
    QCOMPARE(value(kType), 1);

    // Disabled: the grey transformation of the frame.
    b->setEnabled(false);
    const QColor grey = centre(b);
    QCOMPARE(grey.red(), grey.green());
    QCOMPARE(grey.green(), grey.blue());

    // Two rows are not a strip: the standard look (no strip colour).
    b->setEnabled(true);
    b->setnSubImages(2);
    QVERIFY(!kRowColours.contains(centre(b)));
}

void tst_Radio::badRadioInput()
{
    const QList<CRadioButton *> buttons = makeGroup();
    CRadioButton *b = buttons.at(1);
    // A strip shorter than its row count has no frames: the standard look, no crash.
    b->setCombinedImage(frames(1).copy(0, 0, kFrameW, 2));
    b->setnSubImages(5);
    QVERIFY(b->statePixmap().isNull());
    b->grab();
    // An unbound radio writes nothing and keeps the user's choice.
    auto *loose = new CRadioButton(m_window.get());
    loose->setNamedAddress(QStringLiteral("FEkDyn/kMissing"));
    QVERIFY(m_memory->connectProxy(loose, kChannel) != 0);
    loose->show();
    QTest::mouseClick(loose, Qt::LeftButton);
    QVERIFY(loose->isChecked());
    QCOMPARE(value(kType), 1);
}

// --- state display ------------------------------------------------------------------------------

void tst_Radio::stateDisplayFrames_data()
{
    QTest::addColumn<bool>("booleanLogic");
    QTest::addColumn<int>("raw");
    QTest::addColumn<int>("frame");
    QTest::newRow("raw 2") << false << 2 << 2;
    QTest::newRow("raw 9 clamps to the last frame") << false << 9 << 3;
    QTest::newRow("raw -2 clamps to frame 0") << false << -2 << 0;
    QTest::newRow("boolean: equal to cmpValue") << true << 5 << 1;
    QTest::newRow("boolean: another value") << true << 3 << 0;
    QTest::newRow("boolean: 1 is not cmpValue") << true << 1 << 0;
}

void tst_Radio::stateDisplayFrames()
{
    QFETCH(bool, booleanLogic);
    QFETCH(int, raw);
    QFETCH(int, frame);
    StateDisplayWidget *w = makeStateDisplay();
    w->setBooleanLogic(booleanLogic);
    w->setCmpValue(5);
    QCOMPARE(w->size(), QSize(kFrameW, kFrameH));
    QCOMPARE(w->value(), StateDisplayWidget::NoValue);
    QCOMPARE(centre(w), kRowColours.at(0));
    set(kLevel, raw == 0 ? 1 : 0);
    bind(w);
    set(kLevel, raw);
    QCOMPARE(w->value(), raw);
    QCOMPARE(centre(w), kRowColours.at(frame));
}

void tst_Radio::stateDisplayWritesAndClicks()
{
    StateDisplayWidget *w = makeStateDisplay();
    set(kLevel, 2);
    bind(w);
    // Connecting shows the value at once and writes nothing.
    QCOMPARE(w->value(), 2);
    QCOMPARE(value(kLevel), 2);

    w->setValueFromData(3);
    QCOMPARE(value(kLevel), 3);
    QCoreApplication::processEvents();
    QCOMPARE(w->value(), 3);
    QCOMPARE(centre(w), kRowColours.at(3));

    QSignalSpy clicks(w, &StateDisplayWidget::clicked);
    QTest::mouseClick(w, Qt::LeftButton);
    QCOMPARE(clicks.size(), 1);
    QCOMPARE(clicks.at(0).at(0).toInt(), kChannel);
    QTest::mouseClick(w, Qt::RightButton);
    QTest::mouseRelease(w, Qt::LeftButton);
    QCOMPARE(clicks.size(), 1);
    QCOMPARE(value(kLevel), 3);

    // A burst from a worker thread ends on its last value.
    TParamMemory *memory = m_memory.get();
    QVERIFY(TestRig::runOnWorker([memory, w] {
        for (int i = 0; i < 300; ++i)
            TestRig::writeFor(*memory, *w, i % 7 - 3);
        TestRig::writeFor(*memory, *w, 1);
    }));
    QCoreApplication::processEvents();
    QCOMPARE(w->value(), 1);
    QCOMPARE(centre(w), kRowColours.at(1));
}

void tst_Radio::stateDisplayIgnoresOtherOperations()
{
    StateDisplayWidget *w = makeStateDisplay();
    set(kLevel, 2);
    bind(w);
    // The memory changes without telling; a default or alternative-default request must not
    // show it (nor the default).
    m_memory->setValue(w->element(), w->parameter(), w->channel(), 3, 0, 0);
    w->reset2defaults();
    w->reset2AltDefaults();
    QCOMPARE(w->value(), 2);
    QCOMPARE(value(kLevel), 3);
    w->process(nullptr, 0, 0);
    QCOMPARE(w->value(), 3);

    // Bad strips and counts: no frame drawn, no crash, no size from them.
    for (int n : {0, -4, 60}) {
        auto *bad = new StateDisplayWidget(m_window.get());
        bad->setCombinedImage(frames(4));
        bad->setnSubImages(n);
        bad->resize(20, 20);
        m_window->show();
        bad->grab();
        QVERIFY(bad->size() == QSize(20, 20));
        QCOMPARE(bad->pixmapId(9), n > 0 ? qMin(9, n - 1) : 0);
    }
}

// --- pixmap switcher ----------------------------------------------------------------------------

void tst_Radio::switcherTabs_data()
{
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("image");
    // The tab area lies at (10, 0), 90 wide and 12 high: three tabs of 30 pixels.
    QTest::newRow("left + 65") << 75 << 5 << 2;
    QTest::newRow("left + 1") << 11 << 5 << 0;
    QTest::newRow("left + 30") << 40 << 5 << 1;
    QTest::newRow("on the left edge") << 10 << 5 << -1;
    QTest::newRow("on the top edge") << 75 << 0 << -1;
    QTest::newRow("on the right edge") << 99 << 5 << -1;
    QTest::newRow("outside") << 5 << 5 << -1;
}

void tst_Radio::switcherTabs()
{
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(int, image);
    auto *s = new CPixmapSwitcher(m_window.get());
    s->setCombinedImage(frames(3, 1).scaled(110, 3 * kFrameH));
    s->setnSubImages(3);
    s->setTabArea(QRect(10, 0, 90, kFrameH));
    s->setTabbed(true);
    s->setCurrentImage(1);
    m_window->show();
    QCOMPARE(s->size(), QSize(110, kFrameH));
    QSignalSpy changes(s, &CPixmapSwitcher::indexChanged);
    QTest::mouseClick(s, Qt::LeftButton, {}, QPoint(x, y));
    QCOMPARE(s->getCurrentImageID(), image >= 0 ? image : 1);
    QCOMPARE(changes.size(), image >= 0 && image != 1 ? 1 : 0);
    QCOMPARE(s->grab().toImage().pixelColor(50, 6), kRowColours.at(s->getCurrentImageID()));

    // Not tabbed: presses select nothing.
    s->setTabbed(false);
    QTest::mouseClick(s, Qt::LeftButton, {}, QPoint(11, 5));
    QCOMPARE(s->getCurrentImageID(), image >= 0 ? image : 1);
}

void tst_Radio::switcherCurrentImage()
{
    auto *s = new CPixmapSwitcher(m_window.get());
    s->setCombinedImage(frames(3, 2));
    s->setnSubImages(3);
    s->setnImageCategories(2);
    m_window->show();
    QCOMPARE(s->size(), QSize(kFrameW, kFrameH));
    QSignalSpy changes(s, &CPixmapSwitcher::indexChanged);
    for (int bad : {3, 4, -1, 0})
        s->setCurrentImage(bad);
    QCOMPARE(changes.size(), 0);
    QCOMPARE(s->getCurrentImageID(), 0);

    s->toggleImage();
    s->toggleImage();
    QCOMPARE(s->getCurrentImageID(), 2);
    QCOMPARE(centre(s), kRowColours.at(2));
    s->toggleImage();
    QCOMPARE(s->getCurrentImageID(), 0);
    QCOMPARE(changes.size(), 3);
    QCOMPARE(changes.last().at(0).toInt(), 0);

    // A new strip does not resize the switcher; the count setters do.
    s->setCombinedImage(frames(4, 1));
    QCOMPARE(s->size(), QSize(kFrameW, kFrameH));
    s->setnImageCategories(1);
    s->setnSubImages(4);
    QCOMPARE(s->size(), QSize(kFrameW, kFrameH));
    s->setCombinedImage(frames(4, 1).scaled(60, 96));
    s->setnSubImages(2);
    QCOMPARE(s->size(), QSize(60, 48));

    s->toggleVisible();
    QVERIFY(s->isHidden());
    s->toggleVisible();
    QVERIFY(!s->isHidden());
}

void tst_Radio::switcherPaletteMode()
{
    auto *s = new CPixmapSwitcher(m_window.get());
    s->setCombinedImage(frames(3));
    s->setnSubImages(3);
    s->setUsesPalleteBitmap(true);
    m_window->show();
    s->setCurrentImage(2);
    QVERIFY(s->autoFillBackground());
    const QBrush brush = s->palette().brush(QPalette::Window);
    QCOMPARE(brush.texture().size(), QSize(kFrameW, kFrameH));
    QCOMPARE(brush.texture().toImage().pixelColor(5, 5), kRowColours.at(2));
    QCOMPARE(centre(s), kRowColours.at(2));
}

void tst_Radio::switcherBadCounts()
{
    auto *s = new CPixmapSwitcher(m_window.get());
    s->setCombinedImage(frames(3));
    s->setnSubImages(3);
    for (int bad : {0, -2}) {
        s->setnSubImages(bad);
        s->setnImageCategories(bad);
    }
    QCOMPARE(s->nSubImages(), 3);
    QCOMPARE(s->nImageCategories(), 1);
    // A strip shorter than its frame count: nothing drawn, no crash.
    s->setCombinedImage(frames(1).copy(0, 0, kFrameW, 2));
    s->resize(20, 20);
    s->setUsesPalleteBitmap(true);
    s->setCurrentImage(1);
    s->grab();
    QCOMPARE(s->getCurrentImageID(), 1);
    // Tabs narrower than 0.1 pixel are counted as 0.1 wide: x 8 is tab 80, not 160.
    s->setUsesPalleteBitmap(false);
    s->setnSubImages(200);
    s->setTabbed(true);
    s->setTabArea(QRect(0, 0, 10, 10));
    m_window->show();
    QTest::mouseClick(s, Qt::LeftButton, {}, QPoint(8, 5));
    QCOMPARE(s->getCurrentImageID(), 80);
}

QTEST_MAIN(tst_Radio)
#include "tst_radio.moc"
