// The pull-down menu: its list, sorted display with raw positions written, the value offset,
// the memory moving the check mark without writing back, image frames, and the menu's life
// (the opening release, the owner's release when the menu goes).

#include "CMenuObject.h"
#include "CPullDownMenu.h"
#include "TestRig.h"

#include <QAction>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

// A list from 0 and one from 1: the value written is the minimum plus the entry's position.
const char kCatalogue[] = R"({
 "name": "Pull-down test console",
 "sections": [
  {"key": "kSel", "element": 1, "channels": 4, "params": [
    {"key": "kFrom0", "id": 0, "min": 0, "max": 5, "default": 0},
    {"key": "kFrom1", "id": 1, "min": 1, "max": 6, "default": 1}
  ]}
 ]
})";

const char *const kFrom0 = "FEkSel/kFrom0";
const char *const kFrom1 = "FEkSel/kFrom1";
constexpr int kChannel = 2;

const QList<QColor> kFrameColours {QColor(200, 40, 40), QColor(40, 200, 40), QColor(40, 40, 200),
                                   QColor(200, 200, 40)};
constexpr int kFrameW = 30;
constexpr int kFrameH = 12;

// Left-button releases the owner receives, and where.
class ReleaseSpy : public QObject
{
public:
    explicit ReleaseSpy(QWidget *w) { w->installEventFilter(this); }
    QList<QPoint> releases;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::MouseButtonRelease) {
            auto *m = static_cast<QMouseEvent *>(event);
            if (m->button() == Qt::LeftButton)
                releases.append(m->position().toPoint());
        }
        return false;
    }
};

QPixmap strip()
{
    return TestRig::frameStrip(QSize(kFrameW, kFrameH), 1, int(kFrameColours.size()),
                               [](int, int row) { return kFrameColours.at(row); });
}

QStringList menuTexts(const CPullDownMenu *w)
{
    QStringList texts;
    for (const QAction *a : w->menu()->actions())
        texts.append(a->text());
    return texts;
}

QList<int> checkedIds(const CPullDownMenu *w)
{
    QList<int> ids;
    for (const QAction *a : w->menu()->actions()) {
        if (a->isChecked())
            ids.append(CMenuObject::menuId(a));
    }
    return ids;
}

QAction *actionNamed(const CPullDownMenu *w, const QString &text)
{
    for (QAction *a : w->menu()->actions()) {
        if (a->text() == text)
            return a;
    }
    return nullptr;
}

} // namespace

class tst_PullDown : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void ampersandIsShownNotAnAccelerator();
    void choosingWritesOffsetPlusPosition_data();
    void choosingWritesOffsetPlusPosition();
    void memoryMovesTheCheckWithoutWriting_data();
    void memoryMovesTheCheckWithoutWriting();
    void wantCheckOffChecksNothing();
    void imageFramesFollowTheIndex();
    void openingReleasePicksNothing();
    void ownerHearsTheMenuGo_data();
    void ownerHearsTheMenuGo();
    void keysOpenOnlyWithFocusRect();
    void steppingStaysInRange();
    void badListsChangeNothing_data();
    void badListsChangeNothing();
    void badIndexesWriteNothing();
    void sortedDuplicatesShareAnId();

private:
    CPullDownMenu *makeMenu(const char *address, const QString &list, bool sorted = false);
    int value(const char *address) const;
    void setValue(const char *address, int v);
    void openByClick(CPullDownMenu *w);
    void choose(CPullDownMenu *w, const QString &text);

    std::unique_ptr<TestRig::CountingMemory> m_memory;
    std::unique_ptr<QWidget> m_window;
};

void tst_PullDown::init()
{
    m_memory = std::make_unique<TestRig::CountingMemory>();
    QString error;
    QVERIFY2(m_memory->loadCatalogue(QByteArray(kCatalogue), &error), qPrintable(error));
    m_window = std::make_unique<QWidget>();
    m_window->resize(240, 160);
}

void tst_PullDown::cleanup()
{
    m_window.reset();
    m_memory.reset();
}

CPullDownMenu *tst_PullDown::makeMenu(const char *address, const QString &list, bool sorted)
{
    auto *w = new CPullDownMenu(m_window.get(), "pullDown");
    w->setGeometry(10, 10, 80, 18);
    w->setSorted(sorted);
    if (address) {
        w->setNamedAddress(QString::fromLatin1(address));
        m_memory->connectProxy(w, kChannel);
    }
    w->setMenuItemList(list);
    m_window->show();
    if (!QTest::qWaitForWindowExposed(m_window.get()))
        return nullptr;
    m_memory->writes = 0;
    return w;
}

int tst_PullDown::value(const char *address) const
{
    IMemAPI::TSingleAddress a;
    if (!m_memory->resolveNamed(QString::fromLatin1(address), kChannel, &a))
        return -12345;
    return m_memory->getValue(a.element, a.parameter, a.channel);
}

void tst_PullDown::setValue(const char *address, int v)
{
    IMemAPI::TSingleAddress a;
    QVERIFY(m_memory->resolveNamed(QString::fromLatin1(address), kChannel, &a));
    m_memory->TParamMemory::setValue(a.element, a.parameter, a.channel, v, 0x7777);
}

void tst_PullDown::openByClick(CPullDownMenu *w)
{
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(w->menu()->isVisible());
    QVERIFY(QTest::qWaitForWindowExposed(w->menu()));
}

void tst_PullDown::choose(CPullDownMenu *w, const QString &text)
{
    openByClick(w);
    QAction *a = actionNamed(w, text);
    QVERIFY2(a, qPrintable(text));
    QTest::mouseClick(w->menu(), Qt::LeftButton, {}, w->menu()->actionGeometry(a).center());
    QTRY_VERIFY(!w->menu()->isVisible());
}

void tst_PullDown::ampersandIsShownNotAnAccelerator()
{
    CPullDownMenu *w = makeMenu(nullptr, QStringLiteral("R&B;Jazz"));
    QVERIFY(w);
    QCOMPARE(w->menuItemList(), QStringLiteral("R&B;Jazz"));
    QCOMPARE(menuTexts(w), QStringList({QStringLiteral("R&&B"), QStringLiteral("Jazz")}));
    // No mnemonic: typing "b" in the open menu picks nothing.
    QVERIFY(QKeySequence::mnemonic(menuTexts(w).first()).isEmpty());
    QSignalSpy changes(w, &CPullDownMenu::valueChanged);
    openByClick(w);
    QTest::keyClick(w->menu(), Qt::Key_B);
    QCOMPARE(changes.size(), 0);
    QTest::keyClick(w->menu(), Qt::Key_Escape);
    // The label shows the entry itself.
    QCOMPARE(w->menuText(w->selectedItem()), QStringLiteral("R&B"));
}

void tst_PullDown::choosingWritesOffsetPlusPosition_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("list");
    QTest::addColumn<bool>("sorted");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QString>("pick");
    QTest::addColumn<int>("written"); // -1: nothing

    const QStringList numeric {QStringLiteral("2"), QStringLiteral("10"), QStringLiteral("33")};
    QTest::newRow("sorted, 2 is entry 1") << kFrom0 << "10;2;33" << true << numeric << "2" << 1;
    QTest::newRow("sorted, 33 is entry 2") << kFrom0 << "10;2;33" << true << numeric << "33" << 2;
    QTest::newRow("sorted, from 1") << kFrom1 << "10;2;33" << true << numeric << "10" << 1;
    QTest::newRow("list order, from 1")
            << kFrom1 << "10;2;33" << false
            << QStringList({QStringLiteral("10"), QStringLiteral("2"), QStringLiteral("33")})
            << "33" << 3;
    const QStringList odd {QStringLiteral("5"), QStringLiteral("007"), QStringLiteral("abc")};
    QTest::newRow("non-canonical last") << kFrom0 << "007;5;abc" << true << odd << "5" << 1;
    QTest::newRow("non-canonical picks nothing")
            << kFrom0 << "007;5;abc" << true << odd << "007" << -1;
}

void tst_PullDown::choosingWritesOffsetPlusPosition()
{
    QFETCH(QString, address);
    QFETCH(QString, list);
    QFETCH(bool, sorted);
    QFETCH(QStringList, shown);
    QFETCH(QString, pick);
    QFETCH(int, written);

    const QByteArray a = address.toLatin1();
    // Start on a value that none of the picks writes.
    setValue(a.constData(), address == QLatin1String(kFrom0) ? 5 : 6);
    CPullDownMenu *w = makeMenu(a.constData(), list, sorted);
    QVERIFY(w);
    QCOMPARE(w->valueOffset(), address == QLatin1String(kFrom0) ? 0 : 1);
    QCOMPARE(menuTexts(w), shown);
    const int before = value(a.constData());
    QSignalSpy changes(w, &CPullDownMenu::valueChanged);

    choose(w, pick);
    if (written < 0) {
        QCOMPARE(m_memory->writes.load(), 0);
        QCOMPARE(value(a.constData()), before);
        QCOMPARE(changes.size(), 0);
        return;
    }
    QCOMPARE(m_memory->writes.load(), 1);
    QCOMPARE(value(a.constData()), written);
    QCOMPARE(changes.size(), 1);
    QCOMPARE(w->menuText(w->selectedItem()), pick);
    QCOMPARE(checkedIds(w), QList<int>({w->selectedItem()}));

    // The same entry again writes nothing more.
    choose(w, pick);
    QCOMPARE(m_memory->writes.load(), 1);
    QCOMPARE(changes.size(), 1);
}

void tst_PullDown::memoryMovesTheCheckWithoutWriting_data()
{
    QTest::addColumn<bool>("sorted");
    QTest::addColumn<int>("raw");
    QTest::addColumn<QString>("shown"); // empty: ignored, the display stays

    QTest::newRow("list order") << false << 3 << "33";
    QTest::newRow("sorted") << true << 2 << "2";
    QTest::newRow("past the entries") << false << 5 << "";
    QTest::newRow("sorted, past the entries") << true << 6 << "";
}

void tst_PullDown::memoryMovesTheCheckWithoutWriting()
{
    QFETCH(bool, sorted);
    QFETCH(int, raw);
    QFETCH(QString, shown);

    setValue(kFrom1, 1);
    CPullDownMenu *w = makeMenu(kFrom1, QStringLiteral("10;2;33"), sorted);
    QVERIFY(w);
    QCOMPARE(w->menuText(w->selectedItem()), QStringLiteral("10"));
    const QList<int> checkedBefore = checkedIds(w);
    QSignalSpy changes(w, &CPullDownMenu::valueChanged);

    setValue(kFrom1, raw);
    QCOMPARE(m_memory->writes.load(), 0);
    QCOMPARE(value(kFrom1), raw);
    if (shown.isEmpty()) {
        QCOMPARE(changes.size(), 0);
        QCOMPARE(w->menuText(w->selectedItem()), QStringLiteral("10"));
        QCOMPARE(checkedIds(w), checkedBefore);
        return;
    }
    QCOMPARE(changes.size(), 1);
    QCOMPARE(w->menuText(w->selectedItem()), shown);
    QCOMPARE(checkedIds(w), QList<int>({w->selectedItem()}));
    QCOMPARE(actionNamed(w, shown)->isChecked(), true);
}

void tst_PullDown::wantCheckOffChecksNothing()
{
    CPullDownMenu *w = makeMenu(kFrom0, QStringLiteral("A;B;C"));
    QVERIFY(w);
    QCOMPARE(checkedIds(w).size(), 1);
    w->setWantCheck(false);
    QVERIFY(checkedIds(w).isEmpty());
    choose(w, QStringLiteral("C"));
    QCOMPARE(value(kFrom0), 2);
    QVERIFY(checkedIds(w).isEmpty());
    setValue(kFrom0, 1);
    QCOMPARE(w->currentIndex(), 1);
    QVERIFY(checkedIds(w).isEmpty());
}

void tst_PullDown::imageFramesFollowTheIndex()
{
    CPullDownMenu *w = makeMenu(kFrom0, QStringLiteral("A;B;C;D"));
    QVERIFY(w);
    w->setCombinedImage(strip());
    w->setnSubImages(int(kFrameColours.size()));
    // The strip's frame fixes the size.
    QCOMPARE(w->size(), QSize(kFrameW, kFrameH));
    QCOMPARE(TestRig::colourAt(w), kFrameColours.at(0));

    setValue(kFrom0, 2);
    QCOMPARE(m_memory->writes.load(), 0);
    QCOMPARE(w->currentIndex(), 2);
    QCOMPARE(TestRig::colourAt(w), kFrameColours.at(2));

    choose(w, QStringLiteral("D"));
    QCOMPARE(value(kFrom0), 3);
    QCOMPARE(TestRig::colourAt(w, QPoint(3, 3)), kFrameColours.at(3));
    // Toggling wraps past the last frame to the first.
    w->toggleImage();
    QCOMPARE(value(kFrom0), 0);
    QCOMPARE(TestRig::colourAt(w, QPoint(3, 3)), kFrameColours.at(0));
}

void tst_PullDown::openingReleasePicksNothing()
{
    CPullDownMenu *w = makeMenu(kFrom0, QStringLiteral("A;B;C"));
    QVERIFY(w);
    QSignalSpy changes(w, &CPullDownMenu::valueChanged);
    ReleaseSpy owner(w);
    // Press and release on the label: the release is the menu's, outside it.
    QTest::mousePress(w, Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(w->menu()->isVisible());
    QVERIFY(QTest::qWaitForWindowExposed(w->menu()));
    const QPoint inMenu = w->menu()->mapFromGlobal(w->mapToGlobal(QPoint(5, 5)));
    QVERIFY(!w->menu()->rect().contains(inMenu));
    QTest::mouseRelease(w->menu(), Qt::LeftButton, {}, inMenu);
    QVERIFY(w->menu()->isVisible());
    QCOMPARE(changes.size(), 0);
    QCOMPARE(m_memory->writes.load(), 0);
    QVERIFY(owner.releases.isEmpty());
    QTest::keyClick(w->menu(), Qt::Key_Escape);
    QTRY_VERIFY(!w->menu()->isVisible());
}

void tst_PullDown::ownerHearsTheMenuGo_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("written");
    QTest::newRow("choice") << "choice" << 1;
    QTest::newRow("Escape") << "Escape" << 0;
    QTest::newRow("outside click") << "outside" << 0;
}

void tst_PullDown::ownerHearsTheMenuGo()
{
    QFETCH(QString, how);
    QFETCH(int, written);

    CPullDownMenu *w = makeMenu(kFrom0, QStringLiteral("A;B;C"));
    QVERIFY(w);
    openByClick(w);
    ReleaseSpy owner(w);
    if (how == QLatin1String("choice")) {
        QAction *b = actionNamed(w, QStringLiteral("B"));
        QTest::mouseClick(w->menu(), Qt::LeftButton, {}, w->menu()->actionGeometry(b).center());
    } else if (how == QLatin1String("Escape")) {
        QTest::keyClick(w->menu(), Qt::Key_Escape);
    } else {
        const QPoint far = w->menu()->mapFromGlobal(m_window->mapToGlobal(QPoint(230, 150)));
        QVERIFY(!w->menu()->rect().contains(far));
        QTest::mouseClick(w->menu(), Qt::LeftButton, {}, far);
    }
    QTRY_VERIFY(!w->menu()->isVisible());
    QCOMPARE(owner.releases, QList<QPoint>({QPoint(0, 0)}));
    QCOMPARE(m_memory->writes.load(), written);
    QCOMPARE(value(kFrom0), written);
}

void tst_PullDown::keysOpenOnlyWithFocusRect()
{
    CPullDownMenu *w = makeMenu(kFrom0, QStringLiteral("A;B;C"));
    QVERIFY(w);
    QCOMPARE(w->focusPolicy(), Qt::NoFocus);
    w->setEnableFocusRect(false);
    w->setEnableFocusRect(false);
    QCOMPARE(w->focusPolicy(), Qt::StrongFocus);
    w->setFocus();
    QTest::keyClick(w, Qt::Key_Space);
    QVERIFY(!w->menu()->isVisible());

    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    w->clearFocus();
    w->setEnableFocusRect(true);
    const QImage unfocused = w->grab().toImage();
    w->setFocus();
    QTRY_VERIFY(w->hasFocus());
    // The focus rectangle is drawn over the text.
    QVERIFY(w->grab().toImage() != unfocused);
    for (Qt::Key key : {Qt::Key_Space, Qt::Key_Return}) {
        QTest::keyClick(w, key);
        QVERIFY(w->menu()->isVisible());
        QTest::keyClick(w->menu(), Qt::Key_Escape);
        QTRY_VERIFY(!w->menu()->isVisible());
        // The focus comes back from the menu, once however often the flag was set.
        QTRY_VERIFY(w->hasFocus());
    }
    QTest::keyClick(w, Qt::Key_A);
    QVERIFY(!w->menu()->isVisible());
    QCOMPARE(m_memory->writes.load(), 0);
}

void tst_PullDown::steppingStaysInRange()
{
    CPullDownMenu *w = makeMenu(kFrom0, QStringLiteral("A;B;C"));
    QVERIFY(w);
    // Text mode with one frame: incMenu stays at 0.
    w->incMenu();
    QCOMPARE(w->currentIndex(), 0);
    QCOMPARE(m_memory->writes.load(), 0);
    w->indexChanged(2);
    QCOMPARE(value(kFrom0), 2);
    QCOMPARE(checkedIds(w), QList<int>({2}));
    w->decMenu();
    QCOMPARE(value(kFrom0), 1);
    QCOMPARE(checkedIds(w), QList<int>({1}));
    w->indexChanged(3);
    w->indexChanged(-1);
    QCOMPARE(value(kFrom0), 1);
    QCOMPARE(m_memory->writes.load(), 2);
}

void tst_PullDown::badListsChangeNothing_data()
{
    QTest::addColumn<QString>("list");
    QTest::newRow("empty") << "";
    QTest::newRow("only separators") << ";;";
    QTest::newRow("the same list") << "A;B;C";
}

void tst_PullDown::badListsChangeNothing()
{
    QFETCH(QString, list);
    setValue(kFrom0, 1);
    CPullDownMenu *w = makeMenu(kFrom0, QStringLiteral("A;B;C"));
    QVERIFY(w);
    QSignalSpy changes(w, &CPullDownMenu::valueChanged);
    QList<QAction *> actions = w->menu()->actions();
    w->setMenuItemList(list);
    QCOMPARE(w->menuItemList(), QStringLiteral("A;B;C"));
    QCOMPARE(w->menu()->actions(), actions);
    QCOMPARE(w->currentIndex(), 1);
    QCOMPARE(changes.size(), 0);
    QCOMPARE(m_memory->writes.load(), 0);
}

void tst_PullDown::badIndexesWriteNothing()
{
    CPullDownMenu *w = makeMenu(kFrom0, QStringLiteral("A;B;C"));
    QVERIFY(w);
    QSignalSpy changes(w, &CPullDownMenu::valueChanged);
    for (int bad : {-1, -100, 3, 1000})
        w->setCurrentImage(bad);
    QCOMPARE(w->currentIndex(), 0);
    QCOMPARE(changes.size(), 0);
    QCOMPARE(m_memory->writes.load(), 0);

    // Image mode: past the frames is ignored, and no frame count below 1.
    w->setCombinedImage(strip());
    w->setnSubImages(2);
    w->setnSubImages(0);
    QCOMPARE(w->nSubImages(), 1);
    QCOMPARE(w->size(), QSize(kFrameW, kFrameH * int(kFrameColours.size())));
    w->setnSubImages(-3);
    QCOMPARE(w->nSubImages(), 1);
    w->setCurrentImage(1);
    w->toggleImage();
    QCOMPARE(w->currentIndex(), 0);
    QCOMPARE(changes.size(), 0);
    QCOMPARE(m_memory->writes.load(), 0);
}

void tst_PullDown::sortedDuplicatesShareAnId()
{
    // Start on "2" (entry 1).
    setValue(kFrom0, 1);
    CPullDownMenu *w = makeMenu(kFrom0, QStringLiteral("10;2;10"), true);
    QVERIFY(w);
    QList<int> ids;
    for (const QAction *a : w->menu()->actions())
        ids.append(CMenuObject::menuId(a));
    QCOMPARE(menuTexts(w),
             QStringList({QStringLiteral("2"), QStringLiteral("10"), QStringLiteral("10")}));
    QCOMPARE(ids, QList<int>({0, 1, 1}));
    // The id keeps the last entry: either "10" writes its position 2.
    QCOMPARE(w->menuToMemapi(1), 2);
    QCOMPARE(w->memapiToMenu(0), 1);
    QAction *first = w->menu()->actions().at(1);
    openByClick(w);
    QTest::mouseClick(w->menu(), Qt::LeftButton, {}, w->menu()->actionGeometry(first).center());
    QTRY_VERIFY(!w->menu()->isVisible());
    QCOMPARE(value(kFrom0), 2);
    // Both entries of the shared id carry the check.
    QCOMPARE(checkedIds(w), QList<int>({1, 1}));
}

QTEST_MAIN(tst_PullDown)
#include "tst_pulldown.moc"
