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
#include <QtTest>

using namespace TestRig;

namespace {

const QColor kWindow(200, 30, 30), kStrip(10, 200, 10), kIdleTab(49, 48, 49);
const QColor kLitText(255, 255, 0), kDimText(0, 255, 255);
using Log = QStringList;

// The signals of a tab widget or a drawer, in the order they came; take() empties the log.
struct Signals : Log
{
    explicit Signals(CVDTabWidget *t)
    {
        QObject::connect(t, &CVDTabWidget::aboutToShow, [this](int i) { add("about", i); });
        QObject::connect(t, &CVDTabWidget::tabChanged, [this](int i) { add("changed", i); });
    }
    explicit Signals(CAnimMenu *m)
    {
        QObject::connect(m, &CAnimMenu::stateChanged, [this](int s) { add("state", s); });
        QObject::connect(m, &CAnimMenu::showMenu, [this](bool b) { add("show", b); });
    }
    void add(const char *what, int n) { append(QStringLiteral("%1 %2").arg(what).arg(n)); }
    Log take() { return std::exchange<Log>(*this, Log()); }
};

// Clicks the centre of tab i as the strip draws it: tabs of the given width from the left edge.
void clickTab(CVDTabBar *bar, int i, int width = CVDTabBar::DefaultTabWidth)
{
    QTest::mouseClick(bar, Qt::LeftButton, {},
                      QPoint(i * width + width / 2, CVDTabBar::TabHeight / 2));
}

QPixmap solid(QSize size, const QColor &top, const QColor &rest, int topRows)
{
    QPixmap p(size);
    p.fill(rest);
    QPainter(&p).fillRect(0, 0, size.width(), topRows, top);
    return p;
}

// Pixels of area near colour: titles are drawn smoothed.
int textPixels(const QImage &image, const QColor &colour, const QRect &area)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb c = image.pixel(x, y);
            n += qAbs(qRed(c) - colour.red()) + qAbs(qGreen(c) - colour.green())
                            + qAbs(qBlue(c) - colour.blue())
                    < 90;
        }
    return n;
}

// Steps the drawer by hand, at most most times, until its timer stops; the steps taken.
int tick(CAnimMenu &menu, int most = 1000)
{
    int ticks = 0;
    for (; menu.isAnimating() && ticks < most; ++ticks)
        menu.animProc();
    return ticks;
}

} // namespace

class tst_Containers : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void tabsByCallClickAndSize();
    void anchorsPixelsAndForms();
    void drawerByTicksAndTimer();
    void moviesFromFiles();
};

void tst_Containers::tabsByCallClickAndSize()
{
    CVDTabWidget tabs;
    auto *other = new QWidget(&tabs);
    other->setGeometry(50, 40, 30, 30);
    tabs.resize(800, 180);
    tabs.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tabs));
    Signals log(&tabs);
    CVDTabBar *bar = tabs.tabBar();
    QCOMPARE(bar->names(), QStringList({"INPUT", "OUTPUT", "INSERT", "EFFECT", "DIRECT OUT"}));
    QCOMPARE(tabs.tabId(), -1);

    tabs.changeTab(2);
    QCOMPARE(log.take(), Log({"about 2", "changed 2"}));
    QCOMPARE(bar->currentIndex(), 2);
    // Again, out of range, or an id no tab has: nothing.
    for (int i : {2, -1, 5})
        tabs.changeTab(i);
    for (int id : {-1, 12345})
        tabs.changeTabWithInternalId(id);
    QVERIFY(log.isEmpty());
    QCOMPARE(tabs.tabId(), 2);
    tabs.changeTabWithInternalId(bar->internalId(4));
    QCOMPARE(log.take(), Log({"about 4", "changed 4"}));
    clickTab(bar, 3);
    QCOMPARE(log.take(), Log({"about 3", "changed 3"}));

    // New titles: new tabs with new ids, the same current tab, not a signal.
    const int oldId = bar->internalId(0);
    tabs.setTitleString(QStringLiteral("A;B;C;D;E;F"));
    QCOMPARE(bar->count(), 6);
    QCOMPARE(bar->currentIndex(), 3);
    QCOMPARE(tabs.tabId(), 3);
    tabs.changeTabWithInternalId(oldId);
    QVERIFY(log.isEmpty());
    // Narrower tabs take their clicks where they are drawn (the bar lays tabs out by their size
    // hint); widths below 1 are ignored.
    for (int width : {60, 0, -5})
        tabs.setTabWidth(width);
    QCOMPARE(tabs.tabWidth(), 60);
    clickTab(bar, 5, 60);
    QCOMPARE(log.take(), Log({"about 5", "changed 5"}));

    tabs.resize(400, 200);
    QCOMPARE(bar->geometry(),
             QRect(CVDTabWidget::BarX, 0, 400 - CVDTabWidget::BarWidthLoss, CVDTabBar::TabHeight));
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

    // Empty titles in the ";"-list make no tabs; new titles alone select nothing.
    CVDTabWidget fresh;
    Signals quiet(&fresh);
    fresh.setTitleString(QStringLiteral(";A;;B c;"));
    QCOMPARE(fresh.tabBar()->names(), QStringList({"A", "B c"}));
    fresh.setTitleString(QStringLiteral(";;"));
    QCOMPARE(fresh.tabBar()->count(), 0);
    QVERIFY(quiet.isEmpty());
}

void tst_Containers::anchorsPixelsAndForms()
{
    // An anchored widget without a parent keeps its size; with one, it follows the parent.
    CVDTabWidget orphan;
    orphan.resize(100, 100);
    orphan.setAnchor(true);
    orphan.setAnchorMarginRight(3);
    QCOMPARE(orphan.size(), QSize(100, 100));

    orphan.setPalette(QPalette(kWindow));
    orphan.setTabBGColour(kStrip);
    orphan.setEnblFontColor(kLitText);
    orphan.setDisablFontColor(kDimText);
    orphan.setTitleString(QStringLiteral("WWW;MMM"));
    orphan.resize(400, 120);
    orphan.changeTab(1);

    const int w = CVDTabBar::DefaultTabWidth;
    const QImage bar = orphan.tabBar()->grab().toImage();
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
    const QImage frame = orphan.grab().toImage();
    QCOMPARE(frame.pixelColor(200, 70), kWindow);
    QVERIFY(frame.pixelColor(1, 70) != kWindow && frame.pixelColor(398, 70) != kWindow);

    QWidget parent;
    parent.resize(800, 600);
    auto *anchored = new CVDTabWidget(&parent);
    anchored->setGeometry(20, 30, 100, 100);
    anchored->setAnchorMarginRight(40);
    QCOMPARE(anchored->size(), QSize(800 - 20 - 40, 600 - 30 - 10));
    parent.resize(700, 500);
    anchored->setAnchor(true);
    QCOMPARE(anchored->size(), QSize(700 - 20 - 40, 500 - 30 - 10));

    // A uic-compiled form's tab strip switches the pages of its stack.
    QWidget form;
    Ui::PageStackForm ui;
    ui.setupUi(&form);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(ui.stack->size(), QSize(600 - 5 - 10, 400 - 25 - 10));
    clickTab(ui.tabs->tabBar(), 2, 100);
    QCOMPARE(ui.stack->currentWidget(), ui.pageThree);
    clickTab(ui.tabs->tabBar(), 1, 100);
    QCOMPARE(ui.stack->currentWidget(), ui.pageTwo);
}

void tst_Containers::drawerByTicksAndTimer()
{
    QWidget host;
    host.setAutoFillBackground(true);
    host.setPalette(QPalette(Qt::white));
    auto *menu = new CAnimMenu(&host);
    // Top rows of each picture differ from the rest, so a wrong source row shows.
    menu->setCloseImage(solid(QSize(40, 100), Qt::yellow, Qt::red, 20));
    // The first image sizes the drawer; a null image is kept and leaves the size alone.
    menu->setOpenImage(QPixmap());
    QCOMPARE(menu->size(), QSize(40, 100));
    menu->setMoveImage(solid(QSize(40, 100), Qt::green, Qt::blue, 80));
    menu->setOpenImage(solid(QSize(40, 100), Qt::black, Qt::black, 0));
    host.resize(40, 100);
    QCOMPARE(colourAt(menu, QPoint(20, 5)), QColor(Qt::yellow));
    Signals log(menu);

    // The state signal carries a registered enum, so queued and string-based connections work.
    QVERIFY(QSignalSpy(menu, SIGNAL(stateChanged(AnimWindowStatus))).isValid());
    menu->animProc(); // idle: ignored
    menu->startAnimation();
    tick(*menu, 10);
    // Rows 0..19: the move image's last 20 rows; then the close image from its row 20 on.
    const QImage shot = menu->grab().toImage();
    QCOMPARE(countPixels(shot, Qt::blue, QRect(0, 0, 40, 20)).matching, 40 * 20);
    QCOMPARE(countPixels(shot, Qt::red, QRect(0, 20, 40, 80)).matching, 40 * 80);
    // Jumped open and closed while moving, then opened: the open picture.
    menu->setOpen(true);
    menu->animProc();
    menu->setOpen(false);
    log.clear();
    menu->startAnimation();
    QCOMPARE(tick(*menu), 51);
    QCOMPARE(log.take(), Log({"state 1", "state 2", "show 1"}));
    QCOMPARE(colourAt(menu), QColor(Qt::black));
    menu->startAnimation();
    QCOMPARE(tick(*menu), 51);
    QCOMPARE(menu->offset(), 0);
    QCOMPARE(log.take(), Log({"show 0", "state 3", "state 0"}));

    // Jumping open starts a closing from the image's height.
    menu->setOpen(true);
    QCOMPARE(log.take(), Log({"state 2", "show 1"}));
    menu->startAnimation();
    QCOMPARE(tick(*menu), 50);
    QCOMPARE(log.take(), Log({"show 0", "state 3", "state 0"}));

    // Restarting while opening is silent and no faster: the drawer's own timer then runs the
    // rest at 2 pixels a tick and ends just past the height.
    menu->startAnimation();
    tick(*menu, 5);
    menu->startAnimation();
    menu->startAnimation();
    tick(*menu, 1);
    QCOMPARE(menu->offset(), 12);
    QTRY_COMPARE_WITH_TIMEOUT(menu->animStatus(), CAnimMenu::AnimOpen, 20000);
    QCOMPARE(menu->offset(), 102);
    QVERIFY(!menu->isAnimating());
    QCOMPARE(log, Log({"state 1", "state 2", "show 1"}));

    // A drawer without pictures draws nothing over its parent.
    auto *bare = new CAnimMenu(&host);
    bare->setGeometry(0, 0, 20, 20);
    QCOMPARE(colourAt(&host, QPoint(10, 10)), QColor(Qt::black));
    bare->move(20, 0);
    menu->hide();
    QCOMPARE(colourAt(&host, QPoint(30, 10)), QColor(Qt::white));
}

void tst_Containers::moviesFromFiles()
{
    QTemporaryDir dir;
    QVERIFY(solid(QSize(30, 37), Qt::red, Qt::red, 0).save(dir.filePath("off.png")));
    QVERIFY(solid(QSize(30, 37), Qt::blue, Qt::blue, 0).save(dir.filePath("on.png")));

    CMovieWidget strip;
    strip.setImageFileNameList(QStringLiteral(";off.png;;on.png;"));
    QCOMPARE(strip.imageFileNameList(), QStringLiteral("off.png;on.png"));
    // No prefix: no movies.
    QVERIFY(!strip.movie());

    strip.setPathPrefix(dir.path());
    QCOMPARE(strip.movieCount(), 2);
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
    QVERIFY(strip.movie() && !strip.movie()->isValid());
    strip.playBackSpeed(false);
    QCOMPARE(strip.movie()->speed(), CMovieWidget::SlowSpeedPercent);
    QCOMPARE(strip.sizeHint(), QSize(530, 37));
}

QTEST_MAIN(tst_Containers)
#include "tst_containers.moc"
