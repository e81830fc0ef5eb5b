// The library list driven as a user drives it: selections, command buttons, message boxes
// answered from the event loop, keys, in-place edits, drops of the list's own payload, pixels.
// Each test row's slot snapshots a fader of the embedded memory; recall writes it back.

#include "COnOffButton.h"
#include "CPopup.h"
#include "CPopupItem.h"
#include "CPopupLabel.h"
#include "ListWidge.h"
#include "ListWidgeDrag.h"
#include "ListWidgeItem.h"
#include "TMapPreferences.h"
#include "TestRig.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QScrollBar>
#include <QtTest>

using namespace TestRig;
using B = QMessageBox::StandardButton;

namespace {

// Answers every message box that opens, in order (Yes once the answers run out, Ok where the
// answer is not offered), and records what it showed: "title: text", and its buttons.
class Answerer : public QObject
{
public:
    explicit Answerer(QList<B> answers = {})
        : m_answers(std::move(answers))
    {
        connect(&m_timer, &QTimer::timeout, this, &Answerer::poll);
        m_timer.start(0);
    }
    QStringList boxes;
    QList<int> buttons;
    // Called instead of answering when set.
    std::function<void()> instead;

private:
    void poll()
    {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || box->property("answered").toBool())
            return;
        box->setProperty("answered", true);
        boxes.append(box->windowTitle() + QStringLiteral(": ") + box->text());
        buttons.append(int(box->standardButtons()));
        if (instead)
            return instead();
        const B a = m_answers.isEmpty() ? QMessageBox::Yes : m_answers.takeFirst();
        if (QAbstractButton *b = box->button(a))
            b->click();
        else
            box->button(QMessageBox::Ok)->click();
    }
    QList<B> m_answers;
    QTimer m_timer;
};

QString progressLabel()
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *p = qobject_cast<QProgressDialog *>(w))
            return p->labelText();
    }
    return QStringLiteral("<none>");
}

class TestRow : public CListWidgeItem
{
public:
    TestRow(CListWidge *list, int slot, TParamMemory *memory, TMapPreferences *prefs)
        : CListWidgeItem(0, list)
        , slot(slot)
        , memory(memory)
        , prefs(prefs)
    {
        setFlags(flags() | Qt::ItemIsDragEnabled);
        picture.fill(Qt::red);
    }
    int compare(CListWidgeItem *, int, bool) const override { return 0; }
    int slotNumber() override { return slot; }
    QString cellText(int column, int) override { return column ? name : QString::number(slot); }
    QPixmap cellPixmap(int, bool) override { return picture; }
    bool getSlotData(QByteArray &out) override
    {
        out = data;
        return !unreadable;
    }
    void setSlotData(const QByteArray &in) override { change(in, true); }
    bool isTextCell(int column, int) override { return column < 2; }
    void popupDone(int, int selection, int) override { picked = selection; }
    void editDone(int, const QString &text) override { name = text; }
    QString storeSlot() override
    {
        labels.append(progressLabel());
        if (storeError.isEmpty())
            change("v=" + QByteArray::number(valueAt(*memory, fader)), true);
        return storeError;
    }
    QString recallSlot() override
    {
        if (recallError.isEmpty())
            memory->setValue(fader.element, fader.parameter, fader.channel, data.mid(2).toInt(), 0);
        return recallError;
    }
    QString clearSlot() override { return change(QByteArray(), false); }
    void undoSlot() override
    {
        if (hasUndo)
            change(undoData, undoUsed); // swaps them
    }
    QString toggleProtect() override { return (prot = !prot), QString(); }
    bool isReadOnly() override { return readOnly; }
    bool isProtected() override { return prot; }
    bool isUsed() override { return used; }
    bool undoAvailable() override { return hasUndo; }
    IPreferenceSource *preferenceSource() override { return prefs; }
    void clearUndo() override { hasUndo = false; }
    QString libraryName() override { return QStringLiteral("Scene"); }
    bool doubleClicked(int column, const QPoint &) override
    {
        QRect r = list()->visualItemRect(this);
        if (column == 1)
            list()->doEditBox(this, 1, name, r, 16);
        return false;
    }

    // A change the list makes, with undo data kept.
    QString change(const QByteArray &d, bool use)
    {
        undoData = std::exchange(data, d);
        undoUsed = std::exchange(used, use);
        hasUndo = true;
        return {};
    }

    int slot;
    TParamMemory *memory;
    TMapPreferences *prefs;
    const IMemAPI::TSingleAddress fader = resolve(*memory, QStringLiteral("00kInput/kFader"));
    QPixmap picture {6, 6};
    QByteArray data, undoData;
    bool used = false, undoUsed = false, hasUndo = false;
    bool prot = false, readOnly = false, unreadable = false;
    QString name, storeError, recallError;
    QStringList labels;
    int picked = -1;
};

// A list of rows 1..n with a text, a name and a picture column, and the window's command
// buttons.
struct Rig
{
    explicit Rig(int n = 6, QWidget *parent = nullptr)
        : list(new CListWidge(parent, "library"))
    {
        list->setColTitles(QStringLiteral("No.:;Name;Pic"));
        list->setColSizes(QStringLiteral("40.2;100;20"));
        list->setContentType(3);
        list->resize(220, 200);
        for (int i = 1; i <= n; ++i)
            rows.append(new TestRow(list, i, &memory, &prefs));
        list->setStore(&store);
        list->setRecall(&recall);
        list->setClear(&clear);
        list->setUndo(&undo);
        list->setProtect(&protect);
        if (!parent) {
            list->show();
            QApplication::setActiveWindow(list);
            if (!QTest::qWaitForWindowExposed(list))
                qWarning("the list window was not exposed");
        }
    }
    ~Rig() { delete list.data(); }
    QString enabled()
    {
        QString got;
        for (COnOffButton *b : {&store, &recall, &clear, &undo, &protect})
            got += b->isEnabled() ? '1' : '0';
        return got;
    }
    void select(std::initializer_list<int> which)
    {
        list->clearSelection();
        for (int i : which)
            rows.at(i)->setSelected(true);
    }
    // Row i's centre, or the point of its line at x.
    QPoint at(int i, int x = -1) const
    {
        const QPoint c = list->visualItemRect(rows.at(i)).center();
        return x < 0 ? c : QPoint(x, c.y());
    }
    // Each row's first byte, "." for an unused row.
    QString contents() const
    {
        QString got;
        for (TestRow *row : rows)
            got += row->used ? QChar(row->data.at(0)) : QChar('.');
        return got;
    }
    int fader() { return valueAt(memory, rows.first()->fader); }
    void setFader(int v) { writeAt(memory, rows.first()->fader, v); }

    TParamMemory memory;
    TMapPreferences prefs;
    QPointer<CListWidge> list;
    QList<TestRow *> rows;
    COnOffButton store, recall, clear, undo, protect;
};

// A user's double click: a click, then the second press arriving as a double click.
void doubleClick(CListWidge *list, QPoint at)
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

// A drag move and a drop at vp (viewport coordinates).
void dropAt(CListWidge *list, const QMimeData *mime, QPoint vp, Qt::DropAction action)
{
    QDragEnterEvent enter(vp, action, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &enter);
    QDragMoveEvent move(vp, action, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &move);
    QDropEvent drop(vp, action, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &drop);
}

} // namespace

class tst_LibraryList : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void buttonTable_data();
    void buttonTable();
    void storeAsksOrShowsProgress_data();
    void storeAsksOrShowsProgress();
    void commands();
    void editsKeysWheelAndAutoScroll();
    void drops_data();
    void drops();
    void badPayloads_data();
    void badPayloads();
    void pixelsAndBadInput();
};

void tst_LibraryList::buttonTable_data()
{
    // Row states: u used, p protected, r read-only, '.' nothing.
    QTest::addColumn<QStringList>("selected");
    QTest::addColumn<QString>("enabled"); // store recall clear undo protect, 1/0
    QTest::addColumn<bool>("protectOn");
    QTest::newRow("nothing") << QStringList() << "00000" << true;
    QTest::newRow("one empty") << QStringList {"."} << "10000" << false;
    QTest::newRow("one used") << QStringList {"u"} << "11101" << false;
    QTest::newRow("two used") << QStringList {"u", "u"} << "10101" << false;
    QTest::newRow("used and empty") << QStringList {"u", "."} << "11101" << false;
    QTest::newRow("protected used") << QStringList {"up"} << "01001" << true;
    QTest::newRow("protected and plain") << QStringList {"up", "u"} << "00001" << false;
    QTest::newRow("read-only used") << QStringList {"ur"} << "01000" << false;
}

void tst_LibraryList::buttonTable()
{
    QFETCH(QStringList, selected);
    QFETCH(QString, enabled);
    QFETCH(bool, protectOn);
    Rig rig;
    for (int i = 0; i < selected.size(); ++i) {
        rig.rows[i]->used = selected[i].contains('u');
        rig.rows[i]->prot = selected[i].contains('p');
        rig.rows[i]->readOnly = selected[i].contains('r');
    }
    // The user clicks the first row and ctrl-clicks the others, last first.
    rig.list->clearSelection();
    rig.list->slotSelectionChanged();
    for (int i = int(selected.size()) - 1; i >= 0; --i) {
        QTest::mouseClick(rig.list->viewport(), Qt::LeftButton,
                          i == int(selected.size()) - 1 ? Qt::NoModifier : Qt::ControlModifier,
                          rig.at(i));
    }
    QCOMPARE(rig.enabled(), enabled);
    QCOMPARE(rig.protect.isChecked(), protectOn);

    // Undo looks at every row, not only the selected ones; an open editor disables all.
    rig.rows.last()->hasUndo = true;
    rig.list->slotSelectionChanged();
    QVERIFY(rig.undo.isEnabled());
    doubleClick(rig.list, rig.at(3, 60));
    QVERIFY(rig.list->isEditing());
    QCOMPARE(rig.enabled(), QStringLiteral("00000"));
}

void tst_LibraryList::storeAsksOrShowsProgress_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("confirm");
    QTest::addColumn<QList<B>>("answers");
    QTest::addColumn<QStringList>("questions");
    QTest::addColumn<QStringList>("labels"); // seen by each row while storing, "" = none
    QTest::newRow("one row, confirmed") << 1 << true << QList<B> {QMessageBox::Yes}
                                        << QStringList {"Store to Scene #002?"} << QStringList {""};
    QTest::newRow("three rows") << 3 << false << QList<B>() << QStringList()
                                << QStringList {"Storing library slot #2",
                                                "Storing library slot #3",
                                                "Storing library slot #4"};
    QTest::newRow("three rows, second refused")
            << 3 << true << QList<B> {QMessageBox::Yes, QMessageBox::No, QMessageBox::Yes}
            << QStringList {"Store to Scene #002?", "Store to Scene #003?", "Store to Scene #004?"}
            << QStringList {"", ""};
}

void tst_LibraryList::storeAsksOrShowsProgress()
{
    QFETCH(int, count);
    QFETCH(bool, confirm);
    QFETCH(QList<B>, answers);
    QFETCH(QStringList, questions);
    QFETCH(QStringList, labels);
    Rig rig;
    rig.prefs.setValue(TMapPreferences::ConfirmStore, confirm);
    rig.setFader(700);
    rig.list->clearSelection();
    for (int i = 1; i <= count; ++i)
        rig.rows[i]->setSelected(true);
    Answerer answerer(answers);
    rig.list->Store();
    QStringList asked, seen;
    for (const QString &q : questions)
        asked.append(QStringLiteral("Confirmation: ") + q);
    QCOMPARE(answerer.boxes, asked);
    QCOMPARE(answerer.buttons, QList<int>(asked.size(), QMessageBox::Yes | QMessageBox::No));
    // Stored rows hold the fader; a refused row stays empty.
    for (int i = 1; i <= count; ++i) {
        seen += rig.rows[i]->labels;
        const bool refused = i - 1 < answers.size() && answers[i - 1] == QMessageBox::No;
        QCOMPARE(rig.rows[i]->data, refused ? QByteArray() : QByteArray("v=700"));
    }
    QCOMPARE(seen, labels);
    QVERIFY(rig.list->updatesEnabled());
}

// Store, recall, clear, protect and undo on one list and its partner, the boxes answered in
// turn; then a list destroyed while it asks.
void tst_LibraryList::commands()
{
    Rig rig(8), partner;
    Answerer answerer({QMessageBox::Ok, QMessageBox::Ok, QMessageBox::No, QMessageBox::Yes,
                       QMessageBox::No, QMessageBox::Yes});
    // Failures are reported: a store's as an error, a recall's under the application's name.
    rig.rows[0]->storeError = QStringLiteral("Slot busy");
    rig.rows[1]->setSlotData("v=5");
    rig.rows[1]->recallError = QStringLiteral("Console offline");
    rig.setFader(9);
    rig.select({0});
    rig.list->Store();
    rig.select({1});
    rig.list->Recall();
    QCOMPARE(answerer.boxes, (QStringList {"Error: Slot busy", "ZB4R: Console offline"}));
    QCOMPARE(answerer.buttons.first(), int(QMessageBox::Ok));
    QVERIFY(!rig.rows[0]->used);
    QCOMPARE(rig.fader(), 9);

    // Recall acts on the first selected row in list order, whatever the order of selection;
    // refused, it writes nothing.
    rig.prefs.setValue(TMapPreferences::ConfirmRecall, true);
    rig.rows[4]->setSlotData("v=300");
    rig.rows[5]->setSlotData("v=500");
    rig.select({5, 4});
    QVERIFY(!rig.recall.isEnabled());
    rig.list->Recall();
    QCOMPARE(answerer.boxes.last(), QStringLiteral("Confirmation: Recall from Scene #005?"));
    QCOMPARE(rig.fader(), 9);
    rig.list->Recall();
    QCOMPARE(rig.fader(), 300);

    // Clear asks once and skips unused and protected rows; an unused row is not touched.
    rig.rows[0]->setSlotData("v=1");
    rig.rows[1]->setSlotData("v=2");
    rig.rows[1]->prot = true;
    rig.rows[3]->setSlotData("v=4");
    rig.select({0, 1, 2, 3});
    rig.list->Clear();
    QCOMPARE(answerer.boxes.size(), 5);
    QVERIFY(answerer.boxes.last().endsWith("Are you sure you want to clear selection?"));
    QVERIFY(rig.rows[0]->used);
    rig.list->Clear();
    QCOMPARE(answerer.boxes.size(), 6);
    QCOMPARE(rig.contents().left(4), QStringLiteral(".v.."));
    QVERIFY(!rig.rows[2]->hasUndo);

    // Protect on a mixed selection unprotects all, then protects all; without a selection it
    // does nothing.
    rig.rows[0]->prot = true;
    rig.rows[1]->prot = false;
    rig.select({0, 1});
    rig.list->Protect();
    QVERIFY(!rig.rows[0]->prot && !rig.rows[1]->prot);
    rig.list->Protect();
    QVERIFY(rig.rows[0]->prot && rig.rows[1]->prot);
    rig.list->clearSelection();
    rig.list->Protect();
    QVERIFY(rig.rows[0]->prot && rig.rows[1]->prot);

    // Undo spans the partner, for the last command only: the partner's store discards this
    // list's undo data.
    rig.list->setPartner(partner.list);
    partner.list->setPartner(rig.list);
    rig.setFader(100);
    partner.setFader(200);
    rig.select({6});
    rig.list->Store();
    partner.select({0});
    partner.list->Store();
    QVERIFY(!rig.rows[6]->hasUndo);
    rig.list->Undo(true);
    QCOMPARE(rig.rows[6]->data, QByteArray("v=100"));
    QVERIFY(!partner.rows[0]->used);
    // Hidden rows are not on screen: neither undo nor clear all reaches them.
    partner.rows[1]->setSlotData("v=1");
    partner.rows[2]->setSlotData("v=2");
    partner.rows[2]->setHidden(true);
    partner.list->ClearAll();
    QVERIFY(!partner.rows[1]->used);
    QVERIFY(partner.rows[2]->used);

    // A list destroyed while it asks: no progress left behind.
    auto doomed = std::make_unique<Rig>();
    doomed->prefs.setValue(TMapPreferences::ConfirmStore, true);
    doomed->select({0, 1, 2});
    QPointer<CListWidge> list = doomed->list;
    answerer.instead = [&] { delete list.data(); };
    list->Store();
    QVERIFY(!list);
    QCOMPARE(answerer.boxes.size(), 7);
    QCOMPARE(progressLabel(), QStringLiteral("<none>"));
}

void tst_LibraryList::editsKeysWheelAndAutoScroll()
{
    QWidget window;
    Rig rig(20, &window), partner(6, &window);
    partner.list->move(0, 220);
    window.resize(240, 440);
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    rig.list->setPartner(partner.list);
    // The pop-up of the reverb type names (HALL, ROOM, PLATE) hands the picked entry to the
    // row and gives the buttons back.
    QRect cell = rig.list->visualItemRect(rig.rows[1]);
    rig.list->doPopup(rig.rows[1], 2, 7, cell, 0, &rig.memory, 26, QSize(40, 16));
    auto *popup = qobject_cast<CPopup *>(rig.list->valuePopup());
    QVERIFY(popup && popup->isVisible() && popup->PopupItem());
    QVERIFY(rig.list->isEditing());
    QVERIFY(!rig.store.isEnabled());
    const auto labels = popup->PopupItem()->findChildren<CPopupLabel *>();
    const auto plate = std::find_if(labels.begin(), labels.end(),
                                    [](CPopupLabel *l) { return l->text() == "PLATE"; });
    QVERIFY(plate != labels.end());
    QTest::mouseClick(*plate, Qt::LeftButton);
    const int chosen = popup->currentSelection();
    QCOMPARE(popup->labelList().value(chosen), QStringLiteral("PLATE"));
    QCOMPARE(rig.rows[1]->picked, chosen);
    QVERIFY(!popup->isVisible());
    QVERIFY(!rig.list->isEditing());
    QCOMPARE(rig.list->selectedItems(), QList<QTreeWidgetItem *> {rig.rows[1]});
    QVERIFY(rig.store.isEnabled());

    // A double click on the name opens the editor: return accepts, escape cancels, scrolling
    // accepts (and an accepted edit discards the undo data).
    rig.rows[0]->name = QStringLiteral("Old");
    const auto open = [&] {
        doubleClick(rig.list, rig.at(0, 60));
        return qobject_cast<QLineEdit *>(rig.list->nameEditor());
    };
    QLineEdit *editor = open();
    QVERIFY(editor && editor->isVisible());
    QCOMPARE(editor->text(), QStringLiteral("Old"));
    QVERIFY(!rig.store.isEnabled());
    QTest::keyClicks(editor, "Intro");
    QTest::keyClick(editor, Qt::Key_Return);
    QCOMPARE(rig.rows[0]->name, QStringLiteral("Intro"));
    QVERIFY(!editor->isVisible());
    QVERIFY(rig.store.isEnabled());
    open();
    QTest::keyClicks(editor, "Lost");
    QTest::keyClick(editor, Qt::Key_Escape);
    QCOMPARE(rig.rows[0]->name, QStringLiteral("Intro"));
    rig.rows[0]->hasUndo = true;
    open();
    QTest::keyClicks(editor, "Scrolled");
    rig.list->verticalScrollBar()->setValue(30);
    QCOMPARE(rig.rows[0]->name, QStringLiteral("Scrolled"));
    QVERIFY(!rig.rows[0]->hasUndo);

    // Keys skip placeholders.
    for (int i : {0, 4, 19})
        rig.rows[i]->setPlaceholder(true);
    rig.list->setFocus();
    // (key, from, to): paging stops before a placeholder; a page is the visible rows, halved
    // in centre mode.
    const std::tuple<int, int, int> keys[] = {{Qt::Key_Home, 2, 1},     {Qt::Key_Up, 1, 1},
                                              {Qt::Key_Down, 1, 2},     {Qt::Key_Down, 3, 5},
                                              {Qt::Key_PageDown, 1, 3}, {Qt::Key_End, 2, 18}};
    for (const auto &[key, from, to] : keys) {
        rig.list->setCurrentItem(rig.rows[from]);
        QTest::keyClick(rig.list, Qt::Key(key));
        QCOMPARE(rig.list->currentItem(), rig.rows[to]);
    }
    QCOMPARE(rig.list->selectedItems(), QList<QTreeWidgetItem *> {rig.rows[18]});
    rig.rows[4]->setPlaceholder(false);
    const int page = rig.list->viewport()->height() / rig.list->rowHeight();
    for (bool centre : {true, false}) {
        rig.list->setDoCentreSel(centre);
        rig.list->setCurrentItem(rig.rows[1]);
        QTest::keyClick(rig.list, Qt::Key_PageDown);
        QCOMPARE(rig.list->indexOfTopLevelItem(rig.list->currentItem()),
                 1 + (centre ? page / 2 : page));
    }

    // Space selects only the current row, ctrl or not; tab moves to the partner.
    rig.list->setCurrentItem(rig.rows[3]);
    QTest::keyClick(rig.list, Qt::Key_Space);
    QTest::keyClick(rig.list, Qt::Key_Space, Qt::ControlModifier);
    QCOMPARE(rig.list->selectedItems(), QList<QTreeWidgetItem *> {rig.rows[3]});
    QTest::keyClick(rig.list, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), partner.list.data());

    // In centre mode the wheel steps the selection, not onto a placeholder, and keeps it in
    // the middle of the view.
    rig.list->setDoCentreSel(true);
    rig.rows[5]->setPlaceholder(true);
    wheel(rig.list->viewport(), -120);
    QCOMPARE(rig.list->currentItem(), rig.rows[4]);
    wheel(rig.list->viewport(), -120);
    QCOMPARE(rig.list->currentItem(), rig.rows[4]);
    rig.rows[5]->setPlaceholder(false);
    for (int i = 0; i < 8; ++i)
        wheel(rig.list->viewport(), -120);
    QCOMPARE(rig.list->currentItem(), rig.rows[12]);
    const QRect r = rig.list->visualItemRect(rig.rows[12]);
    QVERIFY(qAbs(r.center().y() - rig.list->viewport()->height() / 2) <= r.height());

    // Drags over the viewport's edges and the header scroll the list.
    rig.rows[1]->setSlotData("aa");
    rig.select({1});
    std::unique_ptr<CListWidgeDrag> payload = rig.list->makeDragObject(nullptr);
    QWidget *vp = rig.list->viewport();
    QScrollBar *bar = rig.list->verticalScrollBar();
    bar->setValue(0);
    const auto send = [&](QWidget *to, QPoint at, bool enter = false) {
        if (enter) {
            QDragEnterEvent e(at, Qt::MoveAction, payload.get(), Qt::LeftButton, {});
            QApplication::sendEvent(to, &e);
            return e.isAccepted();
        }
        QDragMoveEvent e(at, Qt::MoveAction, payload.get(), Qt::LeftButton, {});
        QApplication::sendEvent(to, &e);
        return e.isAccepted();
    };
    // Over the viewport's bottom edge, inside the band below it, the list scrolls a step per
    // tick; inside the viewport or beyond the band it does not.
    send(vp, QPoint(20, 20), true);
    send(vp, QPoint(20, vp->height() + 5));
    QVERIFY(rig.list->isAutoScrolling());
    QMetaObject::invokeMethod(rig.list, "scrollTimerDone");
    QCOMPARE(bar->value(), CListWidge::AutoScrollStep);
    send(vp, QPoint(20, 30));
    QVERIFY(!rig.list->isAutoScrolling());
    send(vp, QPoint(20, vp->height() + 40));
    QVERIFY(!rig.list->isAutoScrolling());

    // Qt hands a drag to the innermost widget under the pointer that takes drops: over the
    // header that is the list itself, in list coordinates. The band above scrolls up.
    const int start = 5 * CListWidge::AutoScrollStep;
    bar->setValue(start);
    const QPoint overHeader = vp->geometry().topLeft() + QPoint(20, -5);
    QVERIFY(rig.list->header()->geometry().contains(overHeader));
    QWidget *target = rig.list->childAt(overHeader);
    while (target && !target->acceptDrops())
        target = target->parentWidget();
    QCOMPARE(target, rig.list.data());
    QVERIFY(send(rig.list, overHeader, true));
    send(rig.list, overHeader);
    QTRY_VERIFY(bar->value() < start);
    QCOMPARE((start - bar->value()) % CListWidge::AutoScrollStep, 0);
    QVERIFY(!rig.list->dropTarget());
    // Leaving the list from the header ends the scrolling.
    QDragLeaveEvent leave;
    QApplication::sendEvent(rig.list, &leave);
    QVERIFY(!rig.list->isAutoScrolling());
    // Another content type is not taken at all.
    rig.list->setContentType(4);
    QVERIFY(!send(vp, QPoint(20, 20), true));
}

// Drops of the list's own payload onto rows 0..7, which hold "ab.defgh" (row 2 empty); with
// confirmation the question is answered no.
void tst_LibraryList::drops_data()
{
    QTest::addColumn<QList<int>>("dragged");
    QTest::addColumn<int>("onto");
    QTest::addColumn<int>("where"); // -1 top band, 0 middle, 1 bottom band
    QTest::addColumn<bool>("otherList");
    QTest::addColumn<bool>("confirm");
    QTest::addColumn<QString>("after");
    QTest::addColumn<QString>("message");
    const auto row = [](const char *name, QList<int> dragged, int onto, int where, bool other,
                        bool confirm, const char *after, const char *message = "") {
        QTest::newRow(name) << dragged << onto << where << other << confirm << QString(after)
                            << QString(message);
    };
    row("replace", {0, 1}, 5, 0, false, false, "ab.deabh");
    row("replace clears with an empty row", {1, 2}, 4, 0, false, false, "ab.db.gh");
    row("insert after, from above", {0, 1}, 4, 1, false, false, ".deabfgh");
    row("insert before, from below", {5, 6}, 1, -1, false, false, "afgb.deh");
    row("one row moves", {7}, 3, 1, false, false, "ab.dhefg");
    row("inside the dragged range", {1, 2, 3}, 2, 0, false, false, "ab.defgh");
    row("another list replaces in the band", {0}, 5, -1, true, false, "ab.deAgh");
    row("onto a protected row", {0, 1}, 5, 0, false, false, "ab.defgh",
        "(7) Is Read only or Protected");
    row("separated rows", {0, 3}, 5, 1, false, false, "ab.defgh",
        "Unsupported Operation: Separated rows cannot be inserted.");
    row("more records than rows", {0, 1, 3}, 6, 0, false, false, "ab.defab");
    row("asks for one", {0}, 3, 0, false, true, "ab.defgh", "Store to Scene #004?");
    row("asks for several", {0, 1}, 3, 0, false, true, "ab.defgh", "Store to multiple locations");
    row("asks for too many", {0, 1, 2}, 6, 0, false, true, "ab.defgh",
        "Too many rows are selected. \nStore anyway?");
}

void tst_LibraryList::drops()
{
    QFETCH(QList<int>, dragged);
    QFETCH(int, onto);
    QFETCH(int, where);
    QFETCH(bool, otherList);
    QFETCH(bool, confirm);
    QFETCH(QString, after);
    QFETCH(QString, message);
    Rig rig(8), other(8);
    rig.prefs.setValue(TMapPreferences::ConfirmStore, confirm);
    for (int i = 0; i < 8; ++i) {
        if (i != 2)
            rig.rows[i]->setSlotData(QByteArray(2, char('a' + i)));
        other.rows[i]->setSlotData(QByteArray(2, char('A' + i)));
    }
    rig.rows[6]->prot = message.startsWith('(');
    Rig &source = otherList ? other : rig;
    source.select({});
    for (int i : dragged)
        source.rows[i]->setSelected(true);
    bool move = false;
    std::unique_ptr<CListWidgeDrag> payload = source.list->makeDragObject(&move);
    QVERIFY(payload && move);
    const QRect r = rig.list->visualItemRect(rig.rows[onto]);
    const int y = where < 0 ? r.top() + 1 : where > 0 ? r.bottom() - 1 : r.center().y();
    Answerer answerer({QMessageBox::No});
    dropAt(rig.list, payload.get(), QPoint(r.center().x(), y),
           confirm ? Qt::CopyAction : Qt::MoveAction);
    QCOMPARE(rig.contents(), after);
    QCOMPARE(answerer.boxes.join('|').section(QLatin1String(": "), 1), message);
    for (TestRow *row : rig.rows)
        QCOMPARE(row->dragLocation(), CListWidgeItem::DragNone);
}

// Payloads that fail to decode, or decode to references the list cannot use: a drop of them,
// from the list itself, touches no row.
void tst_LibraryList::badPayloads_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<int>("records"); // when it decodes; -1 when it must not
    const QByteArray good = CListWidgeDrag::encode({CListWidgeDrag::encodeRows({0}), "ab"});
    QByteArray huge = good;
    huge[0] = char(0x7f);
    for (int cut : {2, 6, 8, 10, 13}) // in a length, in a record, after one, ...
        QTest::addRow("cut at %d", cut) << good.left(cut) << (cut == 8 ? 1 : -1);
    QTest::newRow("length beyond the data") << huge << -1;
    QTest::newRow("references of the wrong size")
            << CListWidgeDrag::encode({"abc", "xx", "yy"}) << 3;
    QTest::newRow("rows out of range")
            << CListWidgeDrag::encode({CListWidgeDrag::encodeRows({0, 99}), "xx", "yy"}) << 3;
}

void tst_LibraryList::badPayloads()
{
    QFETCH(QByteArray, payload);
    QFETCH(int, records);
    QList<QByteArray> decoded;
    QCOMPARE(CListWidgeDrag::decode(payload, decoded), records >= 0);
    QCOMPARE(int(decoded.size()), qMax(records, 0));
    Rig rig(4);
    rig.rows[0]->setSlotData("aa");
    rig.select({0});
    rig.list->makeDragObject(nullptr); // sets the drag origin
    QMimeData mime;
    mime.setData(CListWidgeDrag::formatFor(3), payload);
    Answerer answerer;
    dropAt(rig.list, &mime, rig.at(2), Qt::CopyAction);
    QCOMPARE(rig.contents(), QStringLiteral("a..."));
}

void tst_LibraryList::pixelsAndBadInput()
{
    Rig rig(4);
    const QColor vert(255, 0, 255), hori(0, 255, 0);
    rig.list->setVertLines(vert);
    rig.list->setHoriLines(hori);
    rig.list->setColSizes(QStringLiteral("40.2;30:30.4;20"));
    rig.list->setColTitles(QStringLiteral("No.;Name:Left:Right;Pic"));
    rig.rows[1]->setPlaceholder(true);
    rig.list->clearSelection();
    rig.list->setCurrentItem(nullptr);
    rig.list->setLineThick(2);
    const QImage image = rig.list->viewport()->grab().toImage();
    const QRect r0 = rig.list->visualItemRect(rig.rows[0]);
    const QRect r1 = rig.list->visualItemRect(rig.rows[1]);
    const auto count = [&](int x, int y, int w, int h, const QColor &c) {
        return countPixels(image.copy(x, y, w, h), c).matching;
    };
    // A vertical line at the sub-column's right edge (40 - 2), over the full row height.
    QCOMPARE(count(38, r0.top(), 1, r0.height() - 3, vert), r0.height() - 3);
    QCOMPARE(count(37, r0.top(), 1, r0.height() - 3, vert), 0);
    // The horizontal line at the bottom of every cell; no vertical line after "30".
    QCOMPARE(image.pixelColor(50, r0.bottom()), hori);
    QVERIFY(image.pixelColor(50, r0.bottom() - 2) != hori);
    QCOMPARE(count(68, r0.top(), 2, r0.height() - 2, vert), 0);
    // The placeholder paints background and lines only; the others show text and picture.
    const QColor back = image.pixelColor(0, r1.top());
    QVERIFY(count(0, r0.top(), 36, r0.height() - 2, back) < 36 * (r0.height() - 2));
    QCOMPARE(count(0, r1.top(), 36, r1.height() - 2, back), 36 * (r1.height() - 2));
    QVERIFY(count(100, r0.top(), 20, r0.height(), Qt::red) > 0);
    QCOMPARE(count(100, r1.top(), 20, r1.height(), Qt::red), 0);

    // The header: sub-title "Right" under the second sub-column, the divider from ".4".
    QHeaderView *header = rig.list->header();
    const QImage head = header->grab().toImage();
    const int secX = header->sectionViewportPosition(1);
    const int hh = head.height();
    const auto lit = [&](int x, int w, int y, int h) {
        return countPixels(head.copy(x, y, w, h), Qt::white).matching;
    };
    QVERIFY(lit(secX + 30, 28, hh / 2, hh / 2 - 1) > 0);
    QCOMPARE(lit(secX + 30, 28, 0, hh / 2 - 2), 0);
    QVERIFY(lit(secX, 28, 0, hh / 2) > 0);
    QCOMPARE(head.pixelColor(secX + 59, hh / 2), rig.list->colTitleBorder());
    QCOMPARE(head.pixelColor(header->sectionViewportPosition(0) + 39, hh / 2),
             rig.list->colTitle());

    // Size and title strings: junk reads as 0, negative widths as 0, "?" alone as 0.
    rig.list->setColSizes(QStringLiteral("abc:20;-15;?;:30?40;;"));
    QCOMPARE(rig.list->columnCount(), 4);
    for (int c : {0, 1, 2, 3})
        QCOMPARE(rig.list->getTitleWidth(c), QList<int>({20, 0, 0, 30}).at(c));
    rig.list->setExpanded(true);
    QCOMPARE(rig.list->columnWidth(3), 40);
    QCOMPARE(rig.list->headerItem()->text(3), QStringLiteral("New Column"));
    rig.list->setRowHeight(0);
    rig.list->setLineThick(-3);
    QCOMPARE(rig.list->rowHeight(), 24);
    QCOMPARE(rig.rows[0]->lineThick(), 2); // refused, as the row height: what they were
    rig.list->setRowHeight(30);
    QCOMPARE(rig.list->visualItemRect(rig.rows[2]).height(), 30);

    // Unreadable rows contribute nothing; a row without drag enabling blocks the drag.
    rig.rows[1]->setSlotData("bb");
    rig.rows[1]->unreadable = true;
    rig.select({1});
    QVERIFY(!rig.list->makeDragObject(nullptr));
    rig.rows[1]->unreadable = false;
    rig.rows[1]->setFlags(rig.rows[1]->flags() & ~Qt::ItemIsDragEnabled);
    QVERIFY(!rig.list->makeDragObject(nullptr));
    // Read-only rows make a copy.
    rig.rows[0]->readOnly = true;
    rig.select({0});
    bool move = true;
    QVERIFY(rig.list->makeDragObject(&move));
    QVERIFY(!move);

    // Negative slots print as printf does; null preference objects read as false.
    TMapPreferences confirm;
    confirm.setValue(TMapPreferences::ConfirmStore, true);
    TestRow *neg = new TestRow(rig.list, -1, &rig.memory, &confirm);
    rig.rows.append(neg);
    rig.list->clearSelection();
    neg->setSelected(true);
    Answerer answerer;
    rig.list->Store();
    QCOMPARE(answerer.boxes, QStringList {"Confirmation: Store to Scene #-01?"});
    neg->prefs = nullptr;
    rig.list->Store();
    QCOMPARE(answerer.boxes.size(), 1);

    // A pop-up without memory or names, a destroyed button: nothing happens.
    QRect r(0, 0, 10, 10);
    rig.list->doPopup(neg, 1, 0, r, 0, nullptr, 1, QSize(10, 10));
    rig.list->doPopup(neg, 1, 0, r, 0, &rig.memory, 9999, QSize(10, 10));
    QVERIFY(!rig.list->valuePopup());
    QVERIFY(!rig.list->isEditing());
    auto *button = new COnOffButton;
    rig.list->setStore(button);
    delete button;
    rig.list->slotSelectionChanged();
    // A row that is not a library row.
    new QTreeWidgetItem(rig.list);
    rig.list->selectAll();
    rig.list->Protect();
    rig.list->doubleClickedSlot(rig.list->topLevelItem(rig.list->topLevelItemCount() - 1), QPoint(),
                                0);
}

QTEST_MAIN(tst_LibraryList)
#include "tst_librarylist.moc"
