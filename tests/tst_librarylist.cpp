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

#include <QAbstractButton>
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
#include <QScrollBar>
#include <QTimer>
#include <QtTest>

#include <functional>

namespace {

struct Box
{
    QString title;
    QString text;
    int buttons = 0;
};

// Answers every message box that opens, in order, and records what it showed.
class Answerer : public QObject
{
public:
    explicit Answerer(QList<QMessageBox::StandardButton> answers = {})
        : m_answers(std::move(answers))
    {
        connect(&m_timer, &QTimer::timeout, this, &Answerer::poll);
        m_timer.start(0);
    }
    QList<Box> boxes;
    // Called instead of answering when set.
    std::function<void()> instead;

private:
    void poll()
    {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || m_seen.contains(box))
            return;
        m_seen.append(box);
        boxes.append({box->windowTitle(), box->text(), int(box->standardButtons())});
        if (instead) {
            instead();
            return;
        }
        const QMessageBox::StandardButton a =
                m_answers.isEmpty() ? QMessageBox::Yes : m_answers.takeFirst();
        if (QAbstractButton *b = box->button(a))
            b->click();
        else
            box->button(QMessageBox::Ok)->click();
    }
    QList<QMessageBox::StandardButton> m_answers;
    QList<QPointer<QMessageBox>> m_seen;
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
        fader = TestRig::resolve(*memory, QStringLiteral("00kInput/kFader"));
    }
    int compare(CListWidgeItem *, int, bool) const override { return 0; }
    int slotNumber() override { return slot; }
    QString cellText(int column, int) override
    {
        return column == 0 ? QString::asprintf("%03d", slot) : column == 1 ? name : QString();
    }
    QPixmap cellPixmap(int, bool) override
    {
        QPixmap pm(6, 6);
        pm.fill(Qt::red);
        return pm;
    }
    bool getSlotData(QByteArray &out) override
    {
        if (unreadable)
            return false;
        out = data;
        return true;
    }
    void setSlotData(const QByteArray &in) override
    {
        keepUndo();
        data = in;
        used = true;
    }
    bool isTextCell(int column, int) override { return column < 2; }
    void popupDone(int, int selection, int) override { picked = selection; }
    void editDone(int, const QString &text) override { name = text; }
    QString storeSlot() override
    {
        labels.append(progressLabel());
        if (!storeError.isEmpty())
            return storeError;
        keepUndo();
        data = "v="
                + QByteArray::number(
                        memory->getValue(fader.element, fader.parameter, fader.channel));
        used = true;
        return {};
    }
    QString recallSlot() override
    {
        if (!recallError.isEmpty())
            return recallError;
        memory->setValue(fader.element, fader.parameter, fader.channel, data.mid(2).toInt(), 0);
        return {};
    }
    QString clearSlot() override
    {
        keepUndo();
        data.clear();
        used = false;
        return {};
    }
    void undoSlot() override
    {
        if (!hasUndo)
            return;
        std::swap(data, undoData);
        std::swap(used, undoUsed);
    }
    QString toggleProtect() override
    {
        prot = !prot;
        return {};
    }
    bool isReadOnly() override { return readOnly; }
    bool isProtected() override { return prot; }
    bool isUsed() override { return used; }
    bool undoAvailable() override { return hasUndo; }
    IPreferenceSource *preferenceSource() override { return prefs; }
    void clearUndo() override { hasUndo = false; }
    QString libraryName() override { return QStringLiteral("Scene"); }
    bool doubleClicked(int column, const QPoint &) override
    {
        if (column != 1)
            return false;
        QRect r = list()->visualItemRect(this);
        list()->doEditBox(this, 1, name, r, 16);
        return false;
    }

    void keepUndo()
    {
        undoData = data;
        undoUsed = used;
        hasUndo = true;
    }
    void fill(const QByteArray &d)
    {
        data = d;
        used = true;
    }

    int slot;
    TParamMemory *memory;
    TMapPreferences *prefs;
    IMemAPI::TSingleAddress fader;
    QByteArray data, undoData;
    bool used = false, undoUsed = false, hasUndo = false;
    bool prot = false, readOnly = false, unreadable = false;
    QString name, storeError, recallError;
    QStringList labels;
    int picked = -1;
};

// A list of rows 1..n with a text, a name and a picture column.
struct Rig
{
    explicit Rig(int n = 6, QWidget *parent = nullptr)
        : prefs(&ownPrefs)
    {
        list = new CListWidge(parent, "library");
        list->setColTitles(QStringLiteral("No.:;Name;Pic"));
        list->setColSizes(QStringLiteral("40.2;100;20"));
        list->setContentType(3);
        list->resize(220, 200);
        for (int i = 1; i <= n; ++i)
            rows.append(new TestRow(list, i, &memory, prefs));
        if (!parent) {
            list->show();
            QApplication::setActiveWindow(list);
            QTest::qWaitForWindowExposed(list);
        }
    }
    ~Rig() { delete list.data(); }
    void select(std::initializer_list<int> which)
    {
        list->clearSelection();
        for (int i : which)
            rows.at(i)->setSelected(true);
    }
    void setFader(int v)
    {
        const auto a = rows.first()->fader;
        memory.setValue(a.element, a.parameter, a.channel, v, 0);
    }
    int faderValue()
    {
        const auto a = rows.first()->fader;
        return memory.getValue(a.element, a.parameter, a.channel);
    }

    TParamMemory memory;
    TMapPreferences ownPrefs;
    TMapPreferences *prefs;
    QPointer<CListWidge> list;
    QList<TestRow *> rows;
};

QPoint rowCentre(CListWidge *list, QTreeWidgetItem *row, int dy = 0)
{
    return list->visualItemRect(row).center() + QPoint(0, dy);
}

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

QList<QByteArray> slotContents(const Rig &rig)
{
    QList<QByteArray> out;
    for (TestRow *r : rig.rows)
        out.append(r->used ? r->data : QByteArray("-"));
    return out;
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
    void failuresAreReported();
    void recallActsOnFirstSelectedRow();
    void clearSkipsUnusedAndProtected();
    void protectMixedSelection();
    void undoSpansPartnerForLastCommandOnly();
    void keysSkipPlaceholders();
    void spaceTabAndCentreWheel();
    void inPlaceEdit();
    void valuePopup();
    void drops_data();
    void drops();
    void dropQuestions_data();
    void dropQuestions();
    void autoScrollBands();
    void autoScrollFromHeader();
    void listDestroyedDuringQuestion();
    void pixels();
    void badInput();
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
    COnOffButton store, recall, clear, undo, protect;
    rig.list->setStore(&store);
    rig.list->setRecall(&recall);
    rig.list->setClear(&clear);
    rig.list->setUndo(&undo);
    rig.list->setProtect(&protect);
    QVERIFY(!store.isEnabled() && !protect.isEnabled());
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
                          rowCentre(rig.list, rig.rows[i]));
    }
    QString got;
    for (COnOffButton *b : {&store, &recall, &clear, &undo, &protect})
        got += b->isEnabled() ? '1' : '0';
    QCOMPARE(got, enabled);
    QCOMPARE(protect.isChecked(), protectOn);
    QVERIFY(recall.isChecked());

    // Undo looks at every row, not only the selected ones; an open editor disables all.
    rig.rows.last()->hasUndo = true;
    rig.list->slotSelectionChanged();
    QVERIFY(undo.isEnabled());
    doubleClick(rig.list, QPoint(60, rowCentre(rig.list, rig.rows[3]).y()));
    QVERIFY(rig.list->isEditing());
    for (COnOffButton *b : {&store, &recall, &clear, &undo, &protect})
        QVERIFY(!b->isEnabled());
}

void tst_LibraryList::storeAsksOrShowsProgress_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("confirm");
    QTest::addColumn<QList<QMessageBox::StandardButton>>("answers");
    QTest::addColumn<QStringList>("questions");
    QTest::addColumn<QStringList>("labels"); // seen by each row while storing, "" = none
    using B = QMessageBox::StandardButton;
    QTest::newRow("one row") << 1 << false << QList<B>() << QStringList() << QStringList {""};
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
    QFETCH(QList<QMessageBox::StandardButton>, answers);
    QFETCH(QStringList, questions);
    QFETCH(QStringList, labels);
    Rig rig;
    if (confirm)
        rig.prefs->setValue(TMapPreferences::ConfirmStore, true);
    rig.setFader(700);
    rig.list->clearSelection();
    for (int i = 1; i <= count; ++i)
        rig.rows[i]->setSelected(true);
    Answerer answerer(answers);
    rig.list->Store();
    QStringList asked, seen;
    for (const Box &b : answerer.boxes) {
        QCOMPARE(b.title, QStringLiteral("Confirmation"));
        QCOMPARE(b.buttons, int(QMessageBox::Yes | QMessageBox::No));
        asked.append(b.text);
    }
    QCOMPARE(asked, questions);
    for (int i = 1; i <= count; ++i)
        seen += rig.rows[i]->labels;
    QCOMPARE(seen, labels);
    // Stored rows hold the fader; a refused row stays empty.
    for (int i = 1; i <= count; ++i) {
        const bool refused = i - 1 < answers.size() && answers[i - 1] == QMessageBox::No;
        QCOMPARE(rig.rows[i]->data, refused ? QByteArray() : QByteArray("v=700"));
    }
    QVERIFY(rig.list->updatesEnabled());
}

void tst_LibraryList::failuresAreReported()
{
    Rig rig;
    rig.rows[0]->storeError = QStringLiteral("Slot busy");
    rig.rows[1]->fill("v=5");
    rig.rows[1]->recallError = QStringLiteral("Console offline");
    rig.setFader(9);
    Answerer answerer;
    rig.select({0});
    rig.list->Store();
    rig.select({1});
    rig.list->Recall();
    QCOMPARE(answerer.boxes.size(), 2);
    QCOMPARE(answerer.boxes[0].title, QStringLiteral("Error"));
    QCOMPARE(answerer.boxes[0].text, QStringLiteral("Slot busy"));
    QCOMPARE(answerer.boxes[0].buttons, int(QMessageBox::Ok));
    QCOMPARE(answerer.boxes[1].title, QStringLiteral("ZB4R"));
    QCOMPARE(answerer.boxes[1].text, QStringLiteral("Console offline"));
    QVERIFY(!rig.rows[0]->used);
    QCOMPARE(rig.faderValue(), 9);
}

void tst_LibraryList::recallActsOnFirstSelectedRow()
{
    Rig rig;
    rig.prefs->setValue(TMapPreferences::ConfirmRecall, true);
    COnOffButton recall;
    rig.list->setRecall(&recall);
    rig.rows[2]->fill("v=300");
    rig.rows[4]->fill("v=500");
    // Selected last row first: the list order still decides.
    rig.rows[4]->setSelected(true);
    rig.rows[2]->setSelected(true);
    QVERIFY(!recall.isEnabled());
    Answerer no({QMessageBox::No});
    rig.list->Recall();
    QCOMPARE(no.boxes.size(), 1);
    QCOMPARE(no.boxes[0].text, QStringLiteral("Recall from Scene #003?"));
    QCOMPARE(rig.faderValue(), 0);
    Answerer yes;
    rig.list->Recall();
    QCOMPARE(rig.faderValue(), 300);
}

void tst_LibraryList::clearSkipsUnusedAndProtected()
{
    Rig rig;
    rig.rows[0]->fill("v=1");
    rig.rows[1]->fill("v=2");
    rig.rows[1]->prot = true;
    rig.rows[3]->fill("v=4");
    rig.select({0, 1, 2, 3});
    {
        Answerer no({QMessageBox::No});
        rig.list->Clear();
        QCOMPARE(no.boxes.size(), 1);
        QCOMPARE(no.boxes[0].text, QStringLiteral("Are you sure you want to clear selection?"));
        QVERIFY(rig.rows[0]->used);
    }
    Answerer yes;
    rig.list->Clear();
    QCOMPARE(yes.boxes.size(), 1);
    QCOMPARE(slotContents(rig).mid(0, 4), (QList<QByteArray> {"-", "v=2", "-", "-"}));
    QVERIFY(!rig.rows[2]->hasUndo); // an unused row is not touched
}

void tst_LibraryList::protectMixedSelection()
{
    Rig rig;
    rig.rows[0]->prot = true;
    rig.select({0, 1});
    rig.list->Protect();
    QVERIFY(!rig.rows[0]->prot);
    QVERIFY(!rig.rows[1]->prot);
    rig.list->Protect();
    QVERIFY(rig.rows[0]->prot && rig.rows[1]->prot);
    rig.list->clearSelection();
    rig.list->Protect();
    QVERIFY(rig.rows[0]->prot && rig.rows[1]->prot);
}

void tst_LibraryList::undoSpansPartnerForLastCommandOnly()
{
    Rig a, b;
    a.list->setPartner(b.list);
    b.list->setPartner(a.list);
    a.setFader(100);
    b.memory.setValue(b.rows[0]->fader.element, b.rows[0]->fader.parameter, 0, 200, 0);
    a.select({0});
    a.list->Store();
    b.select({0});
    b.list->Store(); // discards the undo data of a as well
    QVERIFY(!a.rows[0]->hasUndo);
    a.list->Undo(true);
    QCOMPARE(a.rows[0]->data, QByteArray("v=100"));
    QVERIFY(!b.rows[0]->used);

    // Hidden rows are not on screen: neither undo nor clear all reaches them.
    b.rows[1]->fill("v=1");
    b.rows[2]->fill("v=2");
    b.rows[2]->setHidden(true);
    b.list->ClearAll();
    QVERIFY(!b.rows[1]->used);
    QVERIFY(b.rows[2]->used);
}

void tst_LibraryList::keysSkipPlaceholders()
{
    Rig rig(12);
    rig.rows[0]->setPlaceholder(true);
    rig.rows[4]->setPlaceholder(true);
    rig.rows[11]->setPlaceholder(true);
    rig.list->setFocus();
    rig.list->setCurrentItem(rig.rows[2]);
    QTest::keyClick(rig.list, Qt::Key_Home);
    QCOMPARE(rig.list->currentItem(), rig.rows[1]);
    QTest::keyClick(rig.list, Qt::Key_Up);
    QCOMPARE(rig.list->currentItem(), rig.rows[1]);
    QTest::keyClick(rig.list, Qt::Key_Down);
    QTest::keyClick(rig.list, Qt::Key_Down);
    QTest::keyClick(rig.list, Qt::Key_Down);
    QCOMPARE(rig.list->currentItem(), rig.rows[5]);
    QTest::keyClick(rig.list, Qt::Key_End);
    QCOMPARE(rig.list->currentItem(), rig.rows[10]);
    QCOMPARE(rig.list->selectedItems(), QList<QTreeWidgetItem *> {rig.rows[10]});
    // Paging stops before a placeholder.
    rig.list->setCurrentItem(rig.rows[1]);
    QTest::keyClick(rig.list, Qt::Key_PageDown);
    QCOMPARE(rig.list->currentItem(), rig.rows[3]);
    // A page is the visible rows, halved in centre mode.
    rig.rows[4]->setPlaceholder(false);
    const int page = rig.list->viewport()->height() / rig.list->rowHeight();
    rig.list->setCurrentItem(rig.rows[1]);
    QTest::keyClick(rig.list, Qt::Key_PageDown);
    QCOMPARE(rig.list->indexOfTopLevelItem(rig.list->currentItem()), 1 + page);
    rig.list->setDoCentreSel(true);
    rig.list->setCurrentItem(rig.rows[1]);
    QTest::keyClick(rig.list, Qt::Key_PageDown);
    QCOMPARE(rig.list->indexOfTopLevelItem(rig.list->currentItem()), 1 + page / 2);
}

void tst_LibraryList::spaceTabAndCentreWheel()
{
    QWidget window;
    Rig rig(20, &window), partner(6, &window);
    partner.list->move(0, 220);
    window.resize(240, 440);
    rig.list->resize(220, 200);
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    rig.list->setPartner(partner.list);
    rig.list->setFocus();
    rig.list->setCurrentItem(rig.rows[3]);
    QTest::keyClick(rig.list, Qt::Key_Space);
    QTest::keyClick(rig.list, Qt::Key_Space, Qt::ControlModifier);
    QCOMPARE(rig.list->selectedItems(), QList<QTreeWidgetItem *> {rig.rows[3]});
    QTest::keyClick(rig.list, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), partner.list.data());

    rig.list->setDoCentreSel(true);
    rig.rows[5]->setPlaceholder(true);
    TestRig::wheel(rig.list->viewport(), -120);
    QCOMPARE(rig.list->currentItem(), rig.rows[4]);
    TestRig::wheel(rig.list->viewport(), -120); // the next row is a placeholder
    QCOMPARE(rig.list->currentItem(), rig.rows[4]);
    rig.rows[5]->setPlaceholder(false);
    for (int i = 0; i < 8; ++i)
        TestRig::wheel(rig.list->viewport(), -120);
    QCOMPARE(rig.list->currentItem(), rig.rows[12]);
    // The selection stands in the middle of the view.
    const QRect r = rig.list->visualItemRect(rig.rows[12]);
    QVERIFY(qAbs(r.center().y() - rig.list->viewport()->height() / 2) <= r.height());
}

void tst_LibraryList::inPlaceEdit()
{
    Rig rig(30);
    COnOffButton store;
    rig.list->setStore(&store);
    rig.rows[0]->name = QStringLiteral("Old");
    const QPoint nameCell(60, rowCentre(rig.list, rig.rows[0]).y());
    auto open = [&] {
        doubleClick(rig.list, nameCell);
        return qobject_cast<QLineEdit *>(rig.list->nameEditor());
    };
    QLineEdit *editor = open();
    QVERIFY(editor && editor->isVisible());
    QCOMPARE(editor->objectName(), QStringLiteral("Edit"));
    QCOMPARE(editor->text(), QStringLiteral("Old"));
    QVERIFY(!store.isEnabled());
    QTest::keyClicks(editor, "Intro");
    QTest::keyClick(editor, Qt::Key_Return);
    QCOMPARE(rig.rows[0]->name, QStringLiteral("Intro"));
    QVERIFY(!editor->isVisible());
    QVERIFY(store.isEnabled());

    open();
    QTest::keyClicks(editor, "Lost");
    QTest::keyClick(editor, Qt::Key_Escape);
    QCOMPARE(rig.rows[0]->name, QStringLiteral("Intro"));

    rig.rows[0]->hasUndo = true;
    open();
    QTest::keyClicks(editor, "Scrolled");
    rig.list->verticalScrollBar()->setValue(30);
    QCOMPARE(rig.rows[0]->name, QStringLiteral("Scrolled"));
    QVERIFY(!rig.rows[0]->hasUndo); // an accepted edit discards the undo data
}

void tst_LibraryList::valuePopup()
{
    Rig rig;
    COnOffButton store;
    rig.list->setStore(&store);
    QRect cell = rig.list->visualItemRect(rig.rows[1]);
    // Names of the reverb types: HALL, ROOM, PLATE.
    rig.list->doPopup(rig.rows[1], 2, 7, cell, 0, &rig.memory, 26, QSize(40, 16));
    auto *popup = qobject_cast<CPopup *>(rig.list->valuePopup());
    QVERIFY(popup && popup->isVisible() && popup->PopupItem());
    QCOMPARE(popup->objectName(), QStringLiteral("popup"));
    QVERIFY(rig.list->isEditing());
    QVERIFY(!store.isEnabled());
    CPopupLabel *plate = nullptr;
    for (CPopupLabel *cell : popup->PopupItem()->findChildren<CPopupLabel *>()) {
        if (cell->text() == QLatin1String("PLATE"))
            plate = cell;
    }
    QVERIFY(plate);
    QTest::mouseClick(plate, Qt::LeftButton);
    const int chosen = popup->currentSelection();
    QCOMPARE(popup->labelList().value(chosen), QStringLiteral("PLATE"));
    QCOMPARE(rig.rows[1]->picked, chosen);
    QVERIFY(!popup->isVisible());
    QVERIFY(!rig.list->isEditing());
    QCOMPARE(rig.list->selectedItems(), QList<QTreeWidgetItem *> {rig.rows[1]});
    QVERIFY(store.isEnabled());
}

void tst_LibraryList::drops_data()
{
    QTest::addColumn<QList<int>>("dragged");
    QTest::addColumn<int>("onto");
    QTest::addColumn<int>("where"); // -1 top band, 0 middle, 1 bottom band
    QTest::addColumn<bool>("otherList");
    QTest::addColumn<QString>("after"); // slot contents of rows 0..7, "." for empty
    QTest::addColumn<QString>("error");
    // Rows 0..7 start as "ab.defgh" (row 2 empty).
    QTest::newRow("replace") << QList<int> {0, 1} << 5 << 0 << false << "ab.deabh"
                             << "";
    QTest::newRow("replace clears with an empty row")
            << QList<int> {1, 2} << 4 << 0 << false << "ab.db.gh"
            << "";
    QTest::newRow("insert after, from above") << QList<int> {0, 1} << 4 << 1 << false << ".deabfgh"
                                              << "";
    QTest::newRow("insert before, from below")
            << QList<int> {5, 6} << 1 << -1 << false << "afgb.deh"
            << "";
    QTest::newRow("one row moves") << QList<int> {7} << 3 << 1 << false << "ab.dhefg"
                                   << "";
    QTest::newRow("inside the dragged range")
            << QList<int> {1, 2, 3} << 2 << 0 << false << "ab.defgh"
            << "";
    QTest::newRow("another list replaces in the band")
            << QList<int> {0} << 5 << -1 << true << "ab.deAgh"
            << "";
    QTest::newRow("onto a protected row") << QList<int> {0, 1} << 5 << 0 << false << "ab.defgh"
                                          << "(7) Is Read only or Protected";
    QTest::newRow("separated rows") << QList<int> {0, 3} << 5 << 1 << false << "ab.defgh"
                                    << "Unsupported Operation: Separated rows cannot be inserted.";
    QTest::newRow("more records than rows") << QList<int> {0, 1, 3} << 6 << 0 << false << "ab.defab"
                                            << "";
}

void tst_LibraryList::drops()
{
    QFETCH(QList<int>, dragged);
    QFETCH(int, onto);
    QFETCH(int, where);
    QFETCH(bool, otherList);
    QFETCH(QString, after);
    QFETCH(QString, error);
    Rig rig(8), other(8);
    const QByteArray start = "ab.defgh";
    for (int i = 0; i < 8; ++i) {
        if (start[i] != '.')
            rig.rows[i]->fill(QByteArray(2, start[i]));
        other.rows[i]->fill(QByteArray(2, char('A' + i)));
    }
    if (!error.isEmpty() && error.startsWith('('))
        rig.rows[6]->prot = true;
    Rig &source = otherList ? other : rig;
    source.list->clearSelection();
    for (int i : dragged)
        source.rows[i]->setSelected(true);
    bool move = false;
    std::unique_ptr<CListWidgeDrag> payload = source.list->makeDragObject(&move);
    QVERIFY(payload && move);
    const QRect r = rig.list->visualItemRect(rig.rows[onto]);
    const QPoint at(r.center().x(),
                    where < 0           ? r.top() + 1
                            : where > 0 ? r.bottom() - 1
                                        : r.center().y());
    Answerer answerer;
    dropAt(rig.list, payload.get(), at, Qt::MoveAction);
    QString got;
    for (TestRow *row : rig.rows)
        got += row->used ? QChar(row->data.at(0)) : QChar('.');
    got.replace(QLatin1Char('\x01'), QLatin1Char('x'));
    QCOMPARE(got, after);
    QCOMPARE(answerer.boxes.isEmpty() ? QString() : answerer.boxes.first().text, error);
    for (TestRow *row : rig.rows)
        QCOMPARE(row->dragLocation(), CListWidgeItem::DragNone);
}

void tst_LibraryList::dropQuestions_data()
{
    QTest::addColumn<QList<int>>("dragged");
    QTest::addColumn<int>("onto");
    QTest::addColumn<QString>("question");
    QTest::newRow("one") << QList<int> {0} << 3 << "Store to Scene #004?";
    QTest::newRow("several") << QList<int> {0, 1} << 3 << "Store to multiple locations";
    QTest::newRow("too many") << QList<int> {0, 1, 2} << 6
                              << "Too many rows are selected. \nStore anyway?";
}

void tst_LibraryList::dropQuestions()
{
    QFETCH(QList<int>, dragged);
    QFETCH(int, onto);
    QFETCH(QString, question);
    Rig rig(8);
    rig.prefs->setValue(TMapPreferences::ConfirmStore, true);
    for (TestRow *row : rig.rows)
        row->fill("zz");
    rig.rows[0]->fill("q1");
    rig.list->clearSelection();
    for (int i : dragged)
        rig.rows[i]->setSelected(true);
    std::unique_ptr<CListWidgeDrag> payload = rig.list->makeDragObject(nullptr);
    Answerer no({QMessageBox::No});
    dropAt(rig.list, payload.get(), rowCentre(rig.list, rig.rows[onto]), Qt::CopyAction);
    QCOMPARE(no.boxes.size(), 1);
    QCOMPARE(no.boxes[0].text, question);
    QCOMPARE(rig.rows[onto]->data, QByteArray("zz"));
    // Another content type is not taken at all.
    rig.list->setContentType(4);
    QDragEnterEvent enter(rowCentre(rig.list, rig.rows[onto]), Qt::CopyAction, payload.get(),
                          Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(rig.list->viewport(), &enter);
    QVERIFY(!enter.isAccepted());
}

void tst_LibraryList::autoScrollBands()
{
    Rig rig(40);
    rig.rows[0]->fill("aa");
    rig.select({0});
    std::unique_ptr<CListWidgeDrag> payload = rig.list->makeDragObject(nullptr);
    QWidget *vp = rig.list->viewport();
    QDragEnterEvent enter(QPoint(20, 20), Qt::MoveAction, payload.get(), Qt::LeftButton, {});
    QApplication::sendEvent(vp, &enter);
    // Over the viewport's bottom edge, inside the band below it.
    QDragMoveEvent below(QPoint(20, vp->height() + 5), Qt::MoveAction, payload.get(),
                         Qt::LeftButton, {});
    QApplication::sendEvent(vp, &below);
    QVERIFY(rig.list->isAutoScrolling());
    QMetaObject::invokeMethod(rig.list, "scrollTimerDone");
    QCOMPARE(rig.list->verticalScrollBar()->value(), CListWidge::AutoScrollStep);
    QDragMoveEvent inside(QPoint(20, 30), Qt::MoveAction, payload.get(), Qt::LeftButton, {});
    QApplication::sendEvent(vp, &inside);
    QVERIFY(!rig.list->isAutoScrolling());
    QDragMoveEvent far(QPoint(20, vp->height() + 40), Qt::MoveAction, payload.get(), Qt::LeftButton,
                       {});
    QApplication::sendEvent(vp, &far);
    QVERIFY(!rig.list->isAutoScrolling());
}

void tst_LibraryList::autoScrollFromHeader()
{
    Rig rig(40);
    rig.rows[0]->fill("aa");
    rig.select({0});
    std::unique_ptr<CListWidgeDrag> payload = rig.list->makeDragObject(nullptr);
    QScrollBar *bar = rig.list->verticalScrollBar();
    const int start = 5 * CListWidge::AutoScrollStep;
    bar->setValue(start);
    // Qt hands a drag to the innermost widget under the pointer that takes drops: over the
    // header that is the list itself, in list coordinates.
    const QPoint overHeader = rig.list->viewport()->geometry().topLeft() + QPoint(20, -5);
    QVERIFY(rig.list->header()->geometry().contains(overHeader));
    QWidget *target = rig.list->childAt(overHeader);
    while (target && !target->acceptDrops())
        target = target->parentWidget();
    QCOMPARE(target, rig.list.data());
    QDragEnterEvent enter(overHeader, Qt::MoveAction, payload.get(), Qt::LeftButton, {});
    QApplication::sendEvent(rig.list, &enter);
    QVERIFY(enter.isAccepted());
    QDragMoveEvent move(overHeader, Qt::MoveAction, payload.get(), Qt::LeftButton, {});
    QApplication::sendEvent(rig.list, &move);
    QTRY_VERIFY(bar->value() < start);
    QCOMPARE((start - bar->value()) % CListWidge::AutoScrollStep, 0);
    QVERIFY(!rig.list->dropTarget());
    // Leaving the list from the header ends the scrolling.
    QDragLeaveEvent leave;
    QApplication::sendEvent(rig.list, &leave);
    QVERIFY(!rig.list->isAutoScrolling());
}

void tst_LibraryList::listDestroyedDuringQuestion()
{
    auto *rig = new Rig;
    rig->prefs->setValue(TMapPreferences::ConfirmStore, true);
    rig->select({0, 1, 2});
    QPointer<CListWidge> list = rig->list;
    Answerer answerer;
    answerer.instead = [&] { delete list.data(); };
    list->Store();
    QVERIFY(!list);
    QCOMPARE(answerer.boxes.size(), 1);
    QCOMPARE(progressLabel(), QStringLiteral("<none>"));
    rig->rows.clear();
    delete rig;
}

void tst_LibraryList::pixels()
{
    Rig rig(3);
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
    // A vertical line at the sub-column's right edge (40 - 2), over the full row height.
    for (int y = r0.top(); y < r0.bottom() - 2; ++y) {
        QCOMPARE(image.pixelColor(38, y), vert);
        QCOMPARE(image.pixelColor(37, y) == vert, false);
    }
    // The horizontal line at the bottom of every cell; no vertical line after "30".
    QCOMPARE(image.pixelColor(50, r0.bottom()), hori);
    QCOMPARE(image.pixelColor(50, r0.bottom() - 2) == hori, false);
    QVERIFY(TestRig::countPixels(image.copy(68, r0.top(), 2, r0.height() - 2), vert).matching == 0);
    // The placeholder paints background and lines only; the others show text and picture.
    const QImage text0 = image.copy(0, r0.top(), 36, r0.height() - 2);
    const QImage text1 = image.copy(0, r1.top(), 36, r1.height() - 2);
    const QColor back = text1.pixelColor(0, 0);
    QVERIFY(TestRig::countPixels(text0, back).matching < text0.width() * text0.height());
    QCOMPARE(TestRig::countPixels(text1, back).matching, text1.width() * text1.height());
    QVERIFY(TestRig::countPixels(image.copy(100, r0.top(), 20, r0.height()), Qt::red).matching > 0);
    QCOMPARE(TestRig::countPixels(image.copy(100, r1.top(), 20, r1.height()), Qt::red).matching, 0);

    // The header: sub-title "Right" under the second sub-column, the divider from ".4".
    const QColor white(255, 255, 255);
    QHeaderView *header = rig.list->header();
    const QImage head = header->grab().toImage();
    const int secX = header->sectionViewportPosition(1);
    const int hh = head.height();
    const auto lit = [&](int x, int w, int y, int h) {
        return TestRig::countPixels(head.copy(x, y, w, h), white).matching;
    };
    QVERIFY(lit(secX + 30, 28, hh / 2, hh / 2 - 1) > 0);
    QVERIFY(lit(secX + 30, 28, 0, hh / 2 - 2) == 0);
    QVERIFY(lit(secX, 28, 0, hh / 2) > 0);
    QCOMPARE(head.pixelColor(secX + 59, hh / 2), rig.list->colTitleBorder());
    QCOMPARE(head.pixelColor(header->sectionViewportPosition(0) + 39, hh / 2),
             rig.list->colTitle());
}

void tst_LibraryList::badInput()
{
    // Size and title strings: junk reads as 0, negative widths as 0, "?" alone as 0.
    Rig rig(4);
    rig.list->setColSizes(QStringLiteral("abc:20;-15;?;:30?40;;"));
    QCOMPARE(rig.list->columnCount(), 4);
    QCOMPARE(rig.list->getTitleWidth(0), 20);
    QCOMPARE(rig.list->getTitleWidth(1), 0);
    QCOMPARE(rig.list->getTitleWidth(2), 0);
    QCOMPARE(rig.list->getTitleWidth(3), 30);
    rig.list->setExpanded(true);
    QCOMPARE(rig.list->columnWidth(3), 40);
    QCOMPARE(rig.list->headerItem()->text(3), QStringLiteral("New Column"));
    rig.list->setRowHeight(0);
    rig.list->setLineThick(-3);
    QCOMPARE(rig.list->rowHeight(), 24);
    QCOMPARE(rig.rows[0]->lineThick(), 1);
    rig.list->setRowHeight(30);
    QCOMPARE(rig.list->visualItemRect(rig.rows[2]).height(), 30);

    // Payloads: cut inside a length or a record, or a length beyond the data.
    QList<QByteArray> records;
    const QByteArray good = CListWidgeDrag::encode({CListWidgeDrag::encodeRows({0}), "ab"});
    QVERIFY(CListWidgeDrag::decode(good, records));
    QCOMPARE(records.size(), 2);
    for (int cut = 1; cut < good.size(); ++cut)
        QVERIFY(!CListWidgeDrag::decode(good.left(cut), records) || cut == 8);
    QByteArray huge = good;
    huge[0] = char(0x7f);
    QVERIFY(!CListWidgeDrag::decode(huge, records));

    // A reference record of the wrong size, or rows out of range: nothing is touched.
    for (const QByteArray &refs : {QByteArray("abc"), CListWidgeDrag::encodeRows({0, 99})}) {
        rig.rows[0]->fill("aa");
        rig.select({0});
        rig.list->makeDragObject(nullptr); // sets the drag origin
        CListWidgeDrag bad(3, {refs, "xx", "yy"});
        Answerer answerer;
        dropAt(rig.list, &bad, rowCentre(rig.list, rig.rows[2]), Qt::CopyAction);
        QVERIFY(!rig.rows[2]->used);
    }
    // Unreadable rows contribute nothing; a row without drag enabling blocks the drag.
    rig.rows[1]->fill("bb");
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
    QCOMPARE(answerer.boxes.size(), 1);
    QCOMPARE(answerer.boxes[0].text, QStringLiteral("Store to Scene #-01?"));
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
