// Containers and chrome: the tab strips, the drawer handle and the movie strip, driven by clicks,
// the drawer's own timer and grab() pixels.

#include "CAnimMenu.h"
#include "CMovieWidget.h"
#include "CVDTabBar.h"
#include "CVDTabWidget.h"
#include "TestRig.h"
#include "ui_page_stack.h"

#include <QMovie>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QtTest>

using namespace TestRig;

namespace {

const QColor kWindow(200, 30, 30);
const QColor kStrip(10, 200, 10);
const QColor kIdleTab(49, 48, 49);
const QColor kLitText(255, 255, 0);
const QColor kDimText(0, 255, 255);

// The signals of a tab widget or a drawer, in the order they came.
QStringList &record(QObject *object, QStringList &log)
{
    if (auto *tabs = qobject_cast<CVDTabWidget *>(object)) {
        QObject::connect(tabs, &CVDTabWidget::aboutToShow,
                         [&log](int i) { log << QStringLiteral("about %1").arg(i); });
        QObject::connect(tabs, &CVDTabWidget::tabChanged,
                         [&log](int i) { log << QStringLiteral("changed %1").arg(i); });
    } else if (auto *menu = qobject_cast<CAnimMenu *>(object)) {
        QObject::connect(menu, &CAnimMenu::stateChanged, [&log](CAnimMenu::AnimWindowStatus s) {
            log << QStringLiteral("state %1").arg(s);
        });
        QObject::connect(menu, &CAnimMenu::showMenu,
                         [&log](bool b) { log << QStringLiteral("show %1").arg(b); });
    }
    return log;
}

// The centre of tab i as the strip draws it: tabs of the given width from the bar's left edge.
QPoint tabCentre(int i, int width)
{
    return QPoint(i * width + width / 2, CVDTabBar::TabHeight / 2);
}

QPixmap solid(QSize size, const QColor &top, const QColor &rest, int topRows)
{
    QPixmap p(size);
    p.fill(rest);
    QPainter painter(&p);
    painter.fillRect(0, 0, size.width(), topRows, top);
    return p;
}

// Pixels of area near colour: titles are drawn smoothed.
int textPixels(const QImage &image, const QColor &colour, const QRect &area)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            n += qAbs(c.red() - colour.red()) + qAbs(c.green() - colour.green())
                                    + qAbs(c.blue() - colour.blue())
                            < 90
                    ? 1
                    : 0;
        }
    }
    return n;
}

// Steps the drawer by hand until its timer stops; the number of steps taken.
int ticksToEnd(CAnimMenu &menu)
{
    int ticks = 0;
    while (menu.isAnimating() && ticks < 1000) {
        menu.animProc();
        ++ticks;
    }
    return ticks;
}

} // namespace

class tst_Containers : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void titlesMakeTabs_data();
    void titlesMakeTabs();
    void changeTabSignalsOnce();
    void clicksSelectAndRetitlingIsSilent();
    void resizesBarAndStack();
    void anchorsFollowTheParent();
    void stripPixels();
    void formSwitchesItsStack();

    void drawerOpensAndClosesByTicks();
    void drawerRestartIsSilentAndNoFaster();
    void drawerPixels();

    void moviesFromFiles();
};

void tst_Containers::titlesMakeTabs_data()
{
    QTest::addColumn<QString>("titles");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("default") << QString()
                             << QStringList {"INPUT", "OUTPUT", "INSERT", "EFFECT", "DIRECT OUT"};
    QTest::newRow(";;") << QStringLiteral(";;") << QStringList();
    QTest::newRow(";") << QStringLiteral(";") << QStringList();
    QTest::newRow("gaps") << QStringLiteral(";A;;B c;") << QStringList {"A", "B c"};
}

void tst_Containers::titlesMakeTabs()
{
    QFETCH(QString, titles);
    QFETCH(QStringList, names);
    CVDTabWidget tabs;
    QStringList log;
    record(&tabs, log);
    if (!titles.isNull())
        tabs.setTitleString(titles);
    QCOMPARE(tabs.tabBar()->count(), names.size());
    QCOMPARE(tabs.tabBar()->names(), names);
    QCOMPARE(tabs.titleString(),
             titles.isNull() ? QString::fromLatin1(CVDTabWidget::DefaultTitles) : titles);
    QCOMPARE(tabs.tabId(), -1);
    QVERIFY(log.isEmpty());
}

void tst_Containers::changeTabSignalsOnce()
{
    CVDTabWidget tabs;
    QStringList log;
    record(&tabs, log);
    tabs.changeTab(2);
    QCOMPARE(log, QStringList({"about 2", "changed 2"}));
    QCOMPARE(tabs.tabId(), 2);
    QCOMPARE(tabs.tabBar()->currentIndex(), 2);

    // Again, out of range, or an id no tab has: nothing.
    log.clear();
    for (int i : {2, -1, 5})
        tabs.changeTab(i);
    tabs.changeTabWithInternalId(-1);
    tabs.changeTabWithInternalId(12345);
    QVERIFY(log.isEmpty());
    QCOMPARE(tabs.tabId(), 2);

    tabs.changeTabWithInternalId(tabs.tabBar()->internalId(4));
    QCOMPARE(log, QStringList({"about 4", "changed 4"}));
}

void tst_Containers::clicksSelectAndRetitlingIsSilent()
{
    QWidget window;
    window.resize(820, 200);
    auto *tabs = new CVDTabWidget(&window);
    tabs->resize(800, 180);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QStringList log;
    record(tabs, log);
    CVDTabBar *bar = tabs->tabBar();

    QTest::mouseClick(bar, Qt::LeftButton, {}, tabCentre(3, CVDTabBar::DefaultTabWidth));
    QCOMPARE(log, QStringList({"about 3", "changed 3"}));
    QCOMPARE(tabs->tabId(), 3);

    // New titles: new tabs with new ids, the same current tab, not a signal.
    log.clear();
    const int oldId = bar->internalId(0);
    tabs->setTitleString(QStringLiteral("A;B;C;D;E;F"));
    QCOMPARE(bar->count(), 6);
    QCOMPARE(bar->currentIndex(), 3);
    QCOMPARE(tabs->tabId(), 3);
    tabs->changeTabWithInternalId(oldId);
    QVERIFY(log.isEmpty());

    // Narrower tabs take their clicks where they are drawn; widths below 1 are ignored.
    tabs->setTabWidth(60);
    tabs->setTabWidth(0);
    tabs->setTabWidth(-5);
    QCOMPARE(tabs->tabWidth(), 60);
    QTest::mouseClick(bar, Qt::LeftButton, {}, tabCentre(5, 60));
    QCOMPARE(log, QStringList({"about 5", "changed 5"}));
    QCOMPARE(bar->tabSizeHint(5), QSize(60, CVDTabBar::TabHeight));
}

void tst_Containers::resizesBarAndStack()
{
    CVDTabWidget tabs;
    auto *other = new QWidget(&tabs);
    other->setGeometry(50, 40, 30, 30);
    tabs.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tabs));
    tabs.resize(400, 200);
    QCOMPARE(tabs.tabBar()->geometry(),
             QRect(CVDTabWidget::BarX, 0, 400 - CVDTabWidget::BarWidthLoss, CVDTabBar::TabHeight));
    QCOMPARE(other->geometry(), QRect(50, 40, 30, 30));
    QVERIFY(!tabs.widgetStack());

    // The first stack is kept sized to the widget, less the margins, also while hidden.
    auto *stack = new QStackedWidget(&tabs);
    auto *second = new QStackedWidget(&tabs);
    stack->move(5, 25);
    second->setGeometry(0, 0, 10, 10);
    tabs.resize(500, 300);
    QCOMPARE(tabs.widgetStack(), stack);
    QCOMPARE(stack->size(), QSize(500 - 5 - 10, 300 - 25 - 10));
    // Hidden, the widget has no resize events: the margins apply at once all the same.
    tabs.hide();
    tabs.setWidgetStackMarginRight(30);
    tabs.setWidgetStackMarginBottom(0);
    QCOMPARE(stack->size(), QSize(500 - 5 - 30, 300 - 25));
    QCOMPARE(second->size(), QSize(10, 10));
    QCOMPARE(other->geometry(), QRect(50, 40, 30, 30));
}

void tst_Containers::anchorsFollowTheParent()
{
    CVDTabWidget orphan;
    orphan.resize(100, 100);
    orphan.setAnchor(true);
    orphan.setAnchorMarginRight(3);
    QVERIFY(orphan.anchor());
    QCOMPARE(orphan.size(), QSize(100, 100));

    QWidget parent;
    parent.resize(800, 600);
    auto *tabs = new CVDTabWidget(&parent);
    tabs->setGeometry(20, 30, 100, 100);
    tabs->setAnchorMarginRight(40);
    QCOMPARE(tabs->size(), QSize(800 - 20 - 40, 600 - 30 - 10));
    parent.resize(700, 500);
    tabs->setAnchor(true);
    QCOMPARE(tabs->size(), QSize(700 - 20 - 40, 500 - 30 - 10));
}

void tst_Containers::stripPixels()
{
    CVDTabWidget tabs;
    QPalette palette = tabs.palette();
    palette.setColor(QPalette::Window, kWindow);
    tabs.setPalette(palette);
    tabs.setTabBGColour(kStrip);
    tabs.setEnblFontColor(kLitText);
    tabs.setDisablFontColor(kDimText);
    tabs.setTitleString(QStringLiteral("WWW;MMM"));
    tabs.resize(400, 120);
    tabs.changeTab(1);

    const int w = CVDTabBar::DefaultTabWidth;
    const QImage bar = tabs.tabBar()->grab().toImage();
    QCOMPARE(bar.size(), QSize(400 - CVDTabWidget::BarWidthLoss, CVDTabBar::TabHeight));
    // The idle tab sits 4 pixels lower on the strip colour; the current one is the page colour.
    QCOMPARE(bar.pixelColor(10, 1), kStrip);
    QCOMPARE(bar.pixelColor(10, 8), kIdleTab);
    QCOMPARE(bar.pixelColor(w + 10, 8), kWindow);
    QCOMPARE(bar.pixelColor(2 * w + 20, 10), kStrip);
    QVERIFY(textPixels(bar, kDimText, QRect(0, 0, w, 20)) > 5);
    QCOMPARE(textPixels(bar, kLitText, QRect(0, 0, w, 20)), 0);
    QVERIFY(textPixels(bar, kLitText, QRect(w, 0, w, 20)) > 5);
    QCOMPARE(textPixels(bar, kDimText, QRect(w, 0, w, 20)), 0);

    // The frame below: page colour inside an outline.
    const QImage frame = tabs.grab().toImage();
    QCOMPARE(frame.pixelColor(200, 70), kWindow);
    QVERIFY(frame.pixelColor(1, 70) != kWindow);
    QVERIFY(frame.pixelColor(398, 70) != kWindow);
}

void tst_Containers::formSwitchesItsStack()
{
    QWidget form;
    Ui::PageStackForm ui;
    ui.setupUi(&form);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(ui.tabs->widgetStack(), ui.stack);
    QCOMPARE(ui.tabs->tabBar()->count(), 3);
    QCOMPARE(ui.stack->size(), QSize(600 - 5 - 10, 400 - 25 - 10));

    QTest::mouseClick(ui.tabs->tabBar(), Qt::LeftButton, {}, tabCentre(2, 100));
    QCOMPARE(ui.stack->currentWidget(), ui.pageThree);
    QTest::mouseClick(ui.tabs->tabBar(), Qt::LeftButton, {}, tabCentre(1, 100));
    QCOMPARE(ui.stack->currentWidget(), ui.pageTwo);
    ui.tabs->resize(300, 200);
    QCOMPARE(ui.stack->size(), QSize(300 - 5 - 10, 200 - 25 - 10));
}

void tst_Containers::drawerOpensAndClosesByTicks()
{
    CAnimMenu menu;
    menu.setCloseImage(solid(QSize(40, 100), Qt::red, Qt::red, 0));
    QCOMPARE(menu.size(), QSize(40, 100));
    // A null image is kept and leaves the size alone.
    menu.setOpenImage(QPixmap());
    QCOMPARE(menu.size(), QSize(40, 100));
    QStringList log;
    record(&menu, log);

    menu.animProc(); // idle: ignored
    QCOMPARE(menu.offset(), 0);
    menu.startAnimation();
    QCOMPARE(ticksToEnd(menu), 51);
    QCOMPARE(menu.offset(), 102);
    QCOMPARE(menu.animStatus(), CAnimMenu::AnimOpen);
    QCOMPARE(log, QStringList({"state 1", "state 2", "show 1"}));

    log.clear();
    menu.startAnimation();
    QCOMPARE(log, QStringList({"show 0", "state 3"}));
    QCOMPARE(ticksToEnd(menu), 51);
    QCOMPARE(menu.offset(), 0);
    QCOMPARE(log, QStringList({"show 0", "state 3", "state 0"}));

    // Jumping open starts a closing from the image's height.
    log.clear();
    menu.setOpen(true);
    QCOMPARE(log, QStringList({"state 2", "show 1"}));
    QCOMPARE(menu.offset(), 100);
    menu.startAnimation();
    QCOMPARE(ticksToEnd(menu), 50);
    QCOMPARE(menu.animStatus(), CAnimMenu::AnimClosed);

    // The drawer's own timer runs a whole opening.
    log.clear();
    menu.startAnimation();
    QTRY_COMPARE_WITH_TIMEOUT(menu.animStatus(), CAnimMenu::AnimOpen, 20000);
    QCOMPARE(menu.offset(), 102);
    QVERIFY(!menu.isAnimating());
    QCOMPARE(log, QStringList({"state 1", "state 2", "show 1"}));
}

void tst_Containers::drawerRestartIsSilentAndNoFaster()
{
    CAnimMenu menu;
    menu.setCloseImage(solid(QSize(40, 100), Qt::red, Qt::red, 0));
    QSignalSpy states(&menu, SIGNAL(stateChanged(AnimWindowStatus)));
    QVERIFY(states.isValid());
    menu.startAnimation();
    for (int i = 0; i < 5; ++i)
        menu.animProc();
    QCOMPARE(states.count(), 1);
    QStringList log;
    record(&menu, log);
    menu.startAnimation();
    menu.startAnimation();
    QVERIFY(log.isEmpty());
    menu.animProc();
    QCOMPARE(menu.offset(), 12);
    QCOMPARE(menu.animStatus(), CAnimMenu::AnimOpening);

    // Restarted twice, the timer still steps 2 pixels a tick: it ends just past the height.
    QTRY_COMPARE_WITH_TIMEOUT(menu.animStatus(), CAnimMenu::AnimOpen, 20000);
    QCOMPARE(menu.offset(), 102);
    QCOMPARE(log, QStringList({"state 2", "show 1"}));
}

void tst_Containers::drawerPixels()
{
    QWidget host;
    host.setAutoFillBackground(true);
    QPalette palette = host.palette();
    palette.setColor(QPalette::Window, Qt::white);
    host.setPalette(palette);
    auto *menu = new CAnimMenu(&host);
    // Top rows of each picture differ from the rest, so a wrong source row shows.
    menu->setCloseImage(solid(QSize(40, 100), Qt::yellow, Qt::red, 20));
    menu->setMoveImage(solid(QSize(40, 100), Qt::green, Qt::blue, 80));
    menu->setOpenImage(solid(QSize(40, 100), Qt::black, Qt::black, 0));
    host.resize(40, 100);

    QImage shot = menu->grab().toImage();
    QCOMPARE(shot.pixelColor(20, 5), QColor(Qt::yellow));
    QCOMPARE(shot.pixelColor(20, 50), QColor(Qt::red));

    menu->startAnimation();
    for (int i = 0; i < 10; ++i)
        menu->animProc();
    QCOMPARE(menu->offset(), 20);
    shot = menu->grab().toImage();
    // Rows 0..19: the move image's last 20 rows; then the close image from its row 20 on.
    QCOMPARE(countPixels(shot, Qt::blue, QRect(0, 0, 40, 20)).matching, 40 * 20);
    QCOMPARE(countPixels(shot, Qt::red, QRect(0, 20, 40, 80)).matching, 40 * 80);

    menu->setOpen(true);
    menu->animProc();
    menu->setOpen(false);
    menu->startAnimation();
    ticksToEnd(*menu);
    QCOMPARE(colourAt(menu), QColor(Qt::black));

    // A drawer without pictures draws nothing over its parent.
    auto *bare = new CAnimMenu(&host);
    bare->setGeometry(0, 0, 20, 20);
    QCOMPARE(host.grab().toImage().pixelColor(10, 10), QColor(Qt::black));
    bare->move(20, 0);
    menu->hide();
    QCOMPARE(host.grab().toImage().pixelColor(30, 10), QColor(Qt::white));
}

void tst_Containers::moviesFromFiles()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(solid(QSize(30, 37), Qt::red, Qt::red, 0).save(dir.filePath("off.png")));
    QVERIFY(solid(QSize(30, 37), Qt::blue, Qt::blue, 0).save(dir.filePath("on.png")));

    CMovieWidget strip;
    strip.setImageFileNameList(QStringLiteral(";off.png;;on.png;"));
    QCOMPARE(strip.imageFileNameList(), QStringLiteral("off.png;on.png"));
    // No prefix: no movies.
    QCOMPARE(strip.movieCount(), 0);
    QVERIFY(!strip.movie());

    strip.setPathPrefix(dir.path());
    QCOMPARE(strip.movieCount(), 2);
    QVERIFY(strip.movie());
    QCOMPARE(strip.movie()->fileName(), dir.filePath("off.png"));
    QCOMPARE(strip.size(), QSize(530, 37));
    QCOMPARE(colourAt(&strip, QPoint(10, 18)), QColor(Qt::red));

    strip.toggleMovie(true);
    QCOMPARE(strip.movie()->fileName(), dir.filePath("on.png"));
    QCOMPARE(colourAt(&strip, QPoint(10, 18)), QColor(Qt::blue));

    // Indices without a movie show nothing.
    for (int i : {2, -1}) {
        strip.setCurrentMovie(i);
        QVERIFY(!strip.movie());
    }
    strip.toggleMovie(false);
    QCOMPARE(strip.movie()->fileName(), dir.filePath("off.png"));

    // A missing file is an invalid movie, shown as nothing.
    strip.setImageFileNameList(QStringLiteral("off.png;gone.png"));
    strip.toggleMovie(true);
    QVERIFY(strip.movie());
    QVERIFY(!strip.movie()->isValid());
    strip.playBackSpeed(false);
    QCOMPARE(strip.movie()->speed(), CMovieWidget::SlowSpeedPercent);
    QCOMPARE(strip.sizeHint(), QSize(530, 37));
}

QTEST_MAIN(tst_Containers)
#include "tst_containers.moc"
