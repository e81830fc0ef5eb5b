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
const char kCatalogue[] = R"({"name": "Pull-down test console", "sections": [
 {"key": "kSel", "element": 1, "channels": 4, "params": [
  {"key": "kFrom0", "id": 0, "min": 0, "max": 5, "default": 0},
  {"key": "kFrom1", "id": 1, "min": 1, "max": 6, "default": 1}]}]})";

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
        const auto *m = dynamic_cast<QMouseEvent *>(event);
        if (m && m->type() == QEvent::MouseButtonRelease && m->button() == Qt::LeftButton)
            releases.append(m->position().toPoint());
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

// The menu ids of the entries, of the checked ones only by default.
QList<int> checkedIds(const CPullDownMenu *w, bool checkedOnly = true)
{
    QList<int> ids;
    for (const QAction *a : w->menu()->actions()) {
        if (a->isChecked() || !checkedOnly)
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

// Opens the menu and clicks the entry (by default the first one) that shows text.
void choose(CPullDownMenu *w, const QString &text, QAction *a = nullptr)
{
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(QTest::qWaitForWindowExposed(w->menu()));
    a = a ? a : actionNamed(w, text);
    QVERIFY2(a, qPrintable(text));
    QTest::mouseClick(w->menu(), Qt::LeftButton, {}, w->menu()->actionGeometry(a).center());
    QTRY_VERIFY(!w->menu()->isVisible());
}

} // namespace

class tst_PullDown : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_rig = std::make_unique<TestRig::Console>(kCatalogue, kChannel, QSize(240, 160));
        QVERIFY2(m_rig->loaded, qPrintable(m_rig->error));
    }
    void cleanup() { m_rig.reset(); }

    void choiceAndMemory_data();
    void choiceAndMemory();
    void listStepsAndFrames();
    void keysAndTheMenusLife();
    void sortedDuplicatesShareAnId();

private:
    // A menu bound to address (or unbound), shown; the write count starts from 0.
    CPullDownMenu *makeMenu(const char *address, const QString &list, bool sorted = false)
    {
        auto *w = new CPullDownMenu(&m_rig->host, "pullDown");
        w->setGeometry(10, 10, 80, 18);
        w->setSorted(sorted);
        // Connected before the list is set and the window shown, as a form loads it.
        if (address && !TestRig::bind(m_rig->memory, *w, QString::fromLatin1(address), kChannel))
            return nullptr;
        w->setMenuItemList(list);
        m_rig->host.show();
        w->show();
        m_rig->memory.writes = 0;
        return QTest::qWaitForWindowExposed(&m_rig->host) ? w : nullptr;
    }

    std::unique_ptr<TestRig::Console> m_rig;
};

// A pick from a start where nothing is shown writes the offset plus the entry's raw position;
// then a memory value moves the check (or, past the entries, is ignored) without writing back.
void tst_PullDown::choiceAndMemory_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("list");
    QTest::addColumn<bool>("sorted");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QString>("pick");
    QTest::addColumn<int>("written"); // -1: nothing
    QTest::addColumn<int>("raw"); // from the memory afterwards
    QTest::addColumn<QString>("rawShown"); // empty: ignored, the display stays

    const auto row = [](const char *name, const char *address, const char *list, bool sorted,
                        const QStringList &shown, const char *pick, int written, int raw,
                        const char *rawShown) {
        QTest::newRow(name) << QString(address) << QString(list) << sorted << shown << QString(pick)
                            << written << raw << QString(rawShown);
    };
    const QStringList numeric {"2", "10", "33"}, listed {"10", "2", "33"}, odd {"5", "007", "abc"};
    row("sorted, 2 is entry 1", kFrom0, "10;2;33", true, numeric, "2", 1, 0, "10");
    row("sorted, 33 is entry 2", kFrom0, "10;2;33", true, numeric, "33", 2, 5, "");
    row("sorted, from 1", kFrom1, "10;2;33", true, numeric, "10", 1, 2, "2");
    row("list order, from 1", kFrom1, "10;2;33", false, listed, "33", 3, 5, "");
    row("list order, from 1, entry 1", kFrom1, "10;2;33", false, listed, "2", 2, 3, "33");
    // Sorted entries that are no canonical number are listed last and stand for no value.
    row("non-canonical last", kFrom0, "007;5;abc", true, odd, "5", 1, 2, "");
    row("non-canonical picks nothing", kFrom0, "007;5;abc", true, odd, "007", -1, 0, "");
}

void tst_PullDown::choiceAndMemory()
{
    QFETCH(QString, address);
    QFETCH(QString, list);
    QFETCH(bool, sorted);
    QFETCH(QStringList, shown);
    QFETCH(QString, pick);
    QFETCH(int, written);
    QFETCH(int, raw);
    QFETCH(QString, rawShown);

    const QByteArray a = address.toLatin1();
    const bool from0 = address == QLatin1String(kFrom0);
    // Start on a value that none of the picks writes.
    m_rig->set(a.constData(), from0 ? 5 : 6);
    CPullDownMenu *w = makeMenu(a.constData(), list, sorted);
    QVERIFY(w);
    QCOMPARE(w->valueOffset(), from0 ? 0 : 1);
    QCOMPARE(menuTexts(w), shown);
    QSignalSpy changes(w, &CPullDownMenu::valueChanged);

    choose(w, pick);
    QCOMPARE(m_rig->memory.writes.load(), written < 0 ? 0 : 1);
    QCOMPARE(m_rig->value(a.constData()), written < 0 ? (from0 ? 5 : 6) : written);
    QCOMPARE(changes.size(), written < 0 ? 0 : 1);
    if (written >= 0) {
        QCOMPARE(w->menuText(w->selectedItem()), pick);
        QCOMPARE(checkedIds(w), QList<int>({w->selectedItem()}));
        // The same entry again writes nothing more.
        choose(w, pick);
        QCOMPARE(m_rig->memory.writes.load(), 1);
        QCOMPARE(changes.size(), 1);
    }

    const QString expected = rawShown.isEmpty() ? w->menuText(w->selectedItem()) : rawShown;
    const QList<int> checked = rawShown.isEmpty()
            ? checkedIds(w)
            : QList<int>({CMenuObject::menuId(actionNamed(w, rawShown))});
    const int writes = m_rig->memory.writes;
    changes.clear();
    m_rig->set(a.constData(), raw);
    QCOMPARE(m_rig->memory.writes.load(), writes + 1); // the outside write alone
    QCOMPARE(changes.size(), rawShown.isEmpty() ? 0 : 1);
    QCOMPARE(w->menuText(w->selectedItem()), expected);
    QCOMPARE(checkedIds(w), checked);
}

// One menu through bad lists, stepping, bad indexes and unchecked picks, then image frames;
// an unbound one shows ampersands as text.
void tst_PullDown::listStepsAndFrames()
{
    CPullDownMenu *named = makeMenu(nullptr, QStringLiteral("R&B;Jazz"));
    m_rig->set(kFrom0, 1);
    CPullDownMenu *w = makeMenu(kFrom0, QStringLiteral("A;B;C"));
    QVERIFY(named && w);
    QCOMPARE(menuTexts(named), QStringList({"R&&B", "Jazz"}));
    // No mnemonic: typing "b" in the open menu picks nothing; the label shows the entry itself.
    QSignalSpy namedChanges(named, &CPullDownMenu::valueChanged);
    QTest::mouseClick(named, Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(named->menu()->isVisible());
    QTest::keyClick(named->menu(), Qt::Key_B);
    QCOMPARE(namedChanges.size(), 0);
    QTest::keyClick(named->menu(), Qt::Key_Escape);
    QCOMPARE(named->menuText(named->selectedItem()), QStringLiteral("R&B"));

    // Empty lists, only separators and the same list change nothing.
    QSignalSpy changes(w, &CPullDownMenu::valueChanged);
    const QList<QAction *> actions = w->menu()->actions();
    for (const char *bad : {"", ";;", "A;B;C"})
        w->setMenuItemList(QString::fromLatin1(bad));
    QCOMPARE(w->menuItemList(), QStringLiteral("A;B;C"));
    QCOMPARE(w->menu()->actions(), actions);
    QCOMPARE(w->currentIndex(), 1);
    QCOMPARE(changes.size(), 0);
    QCOMPARE(m_rig->memory.writes.load(), 0);
    // Text mode with one frame: incMenu stays at 0; indexes outside the list write nothing.
    m_rig->set(kFrom0, 0);
    m_rig->memory.writes = 0;
    changes.clear();
    w->incMenu();
    for (int bad : {-1, -100, 3, 1000})
        w->setCurrentImage(bad);
    QCOMPARE(w->currentIndex(), 0);
    QCOMPARE(changes.size(), 0);
    QCOMPARE(m_rig->memory.writes.load(), 0);
    w->indexChanged(2);
    QCOMPARE(m_rig->value(kFrom0), 2);
    QCOMPARE(checkedIds(w), QList<int>({2}));
    w->decMenu();
    QCOMPARE(m_rig->value(kFrom0), 1);
    QCOMPARE(checkedIds(w), QList<int>({1}));
    w->indexChanged(3);
    w->indexChanged(-1);
    QCOMPARE(m_rig->value(kFrom0), 1);
    QCOMPARE(m_rig->memory.writes.load(), 2);

    // Without check marks nothing is checked, whether picked or set by the memory.
    w->setWantCheck(false);
    QVERIFY(checkedIds(w).isEmpty());
    choose(w, QStringLiteral("C"));
    QCOMPARE(m_rig->value(kFrom0), 2);
    QVERIFY(checkedIds(w).isEmpty());
    m_rig->set(kFrom0, 0);
    QCOMPARE(w->currentIndex(), 0);
    QVERIFY(checkedIds(w).isEmpty());

    // Image mode: the strip's frame fixes the size and follows the index.
    w->setMenuItemList(QStringLiteral("A;B;C;D"));
    w->setCombinedImage(strip());
    w->setnSubImages(int(kFrameColours.size()));
    QCOMPARE(w->size(), QSize(kFrameW, kFrameH));
    QCOMPARE(TestRig::colourAt(w), kFrameColours.at(0));
    m_rig->set(kFrom0, 2);
    QCOMPARE(w->currentIndex(), 2);
    QCOMPARE(TestRig::colourAt(w), kFrameColours.at(2));
    choose(w, QStringLiteral("D"));
    QCOMPARE(m_rig->value(kFrom0), 3);
    QCOMPARE(TestRig::colourAt(w, QPoint(3, 3)), kFrameColours.at(3));
    // Toggling wraps past the last frame to the first.
    w->toggleImage();
    QCOMPARE(m_rig->value(kFrom0), 0);
    QCOMPARE(TestRig::colourAt(w, QPoint(3, 3)), kFrameColours.at(0));
    // No frame count below 1; past the frames is ignored.
    changes.clear();
    const int writes = m_rig->memory.writes;
    w->setnSubImages(0);
    QCOMPARE(w->nSubImages(), 1);
    QCOMPARE(w->size(), QSize(kFrameW, kFrameH * int(kFrameColours.size())));
    w->setnSubImages(-3);
    QCOMPARE(w->nSubImages(), 1);
    w->setCurrentImage(1);
    w->toggleImage();
    QCOMPARE(w->currentIndex(), 0);
    QCOMPARE(changes.size(), 0);
    QCOMPARE(m_rig->memory.writes.load(), writes);
}

// Keys open the menu only with the focus rectangle enabled; the menu's life and the owner's
// releases.
void tst_PullDown::keysAndTheMenusLife()
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

    m_rig->host.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&m_rig->host));
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
    QCOMPARE(m_rig->memory.writes.load(), 0);

    // Opened by a press on the label, whose release (outside the menu) picks nothing; however
    // the menu goes (a choice, Escape, an outside click), the owner gets one release.
    QSignalSpy changes(w, &CPullDownMenu::valueChanged);
    for (const QString how : {"choice", "Escape", "outside"}) {
        ReleaseSpy owner(w);
        QTest::mousePress(w, Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(QTest::qWaitForWindowExposed(w->menu()));
        const QPoint inMenu = w->menu()->mapFromGlobal(w->mapToGlobal(QPoint(5, 5)));
        QVERIFY(!w->menu()->rect().contains(inMenu));
        QTest::mouseRelease(w->menu(), Qt::LeftButton, {}, inMenu);
        QVERIFY(w->menu()->isVisible());
        QVERIFY(owner.releases.isEmpty());
        const int chosenBefore = how == QLatin1String("choice") ? 0 : 1; // B, by the first
        QCOMPARE(changes.size(), chosenBefore);
        QCOMPARE(m_rig->memory.writes.load(), chosenBefore);
        if (how == QLatin1String("choice")) {
            QAction *b = actionNamed(w, QStringLiteral("B"));
            QTest::mouseClick(w->menu(), Qt::LeftButton, {}, w->menu()->actionGeometry(b).center());
        } else if (how == QLatin1String("Escape")) {
            QTest::keyClick(w->menu(), Qt::Key_Escape);
        } else {
            const QPoint far = w->menu()->mapFromGlobal(m_rig->host.mapToGlobal(QPoint(230, 150)));
            QVERIFY(!w->menu()->rect().contains(far));
            QTest::mouseClick(w->menu(), Qt::LeftButton, {}, far);
        }
        QTRY_VERIFY(!w->menu()->isVisible());
        QCOMPARE(owner.releases, QList<QPoint>({QPoint(0, 0)}));
        QCOMPARE(m_rig->memory.writes.load(), 1);
        QCOMPARE(m_rig->value(kFrom0), 1);
    }
}

void tst_PullDown::sortedDuplicatesShareAnId()
{
    m_rig->set(kFrom0, 1); // "2", entry 1
    CPullDownMenu *w = makeMenu(kFrom0, QStringLiteral("10;2;10"), true);
    QVERIFY(w);
    QCOMPARE(menuTexts(w), QStringList({"2", "10", "10"}));
    QCOMPARE(checkedIds(w, false), QList<int>({0, 1, 1}));
    // The id keeps the last entry: either "10" writes its position 2.
    QCOMPARE(w->menuToMemapi(1), 2);
    QCOMPARE(w->memapiToMenu(0), 1);
    choose(w, QString(), w->menu()->actions().at(1));
    QCOMPARE(m_rig->value(kFrom0), 2);
    // Both entries of the shared id carry the check.
    QCOMPARE(checkedIds(w), QList<int>({1, 1}));
}

QTEST_MAIN(tst_PullDown)
#include "tst_pulldown.moc"
