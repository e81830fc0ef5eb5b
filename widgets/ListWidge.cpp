#include "ListWidge.h"

#include "CNameEditor.h"
#include "COnOffButton.h"
#include "CPopup.h"
#include "IMemAPI.h"
#include "IPreferenceSource.h"
#include "IPreferences.h"
#include "ListWidgeDrag.h"
#include "ListWidgeItem.h"
#include "Orvex_Style.h"

#include <QApplication>
#include <QDrag>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMap>
#include <QMessageBox>
#include <QPainter>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTimer>

#include <cstdlib>

namespace {

constexpr int PrefConfirmStore = 6;
constexpr int PrefConfirmRecall = 7;
constexpr int FlagCentred = 1;
constexpr int FlagDivider = 4;
constexpr quint8 UnusedRecord = 255;

// One number of a size piece: atoi's value (negative as 0) and the first decimal digit as written.
void parseNumber(const QString &s, int *width, int *flags)
{
    const QByteArray latin = s.toLatin1();
    *width = qMax(0, std::atoi(latin.constData()));
    *flags = 0;
    const int dot = latin.indexOf('.');
    if (dot >= 0 && dot + 1 < latin.size() && latin.at(dot + 1) >= '0' && latin.at(dot + 1) <= '9')
        *flags = latin.at(dot + 1) - '0';
}

QVector<CListWidge::TSubColumn> parseSizes(const QString &piece)
{
    QVector<CListWidge::TSubColumn> out;
    for (const QString &sub : piece.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        CListWidge::TSubColumn s;
        const int q = sub.indexOf(QLatin1Char('?'));
        if (q < 0) {
            parseNumber(sub, &s.compact, &s.compactFlags);
            s.expanded = s.compact;
            s.expandedFlags = s.compactFlags;
        } else {
            parseNumber(sub.left(q), &s.compact, &s.compactFlags);
            parseNumber(sub.mid(q + 1), &s.expanded, &s.expandedFlags);
        }
        out.append(s);
    }
    return out;
}

// Paints rows through CListWidgeItem::paintCell and nothing else (no focus rectangle).
class TListWidgeDelegate : public QStyledItemDelegate
{
public:
    explicit TListWidgeDelegate(CListWidge *list)
        : QStyledItemDelegate(list)
        , m_list(list)
    {
    }

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        auto *row = dynamic_cast<CListWidgeItem *>(m_list->itemFromIndex(index));
        if (!row) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        painter->save();
        painter->setClipRect(option.rect);
        painter->translate(option.rect.topLeft());
        row->paintCell(painter, option.palette, index.column(), option.rect.width(),
                       int(option.displayAlignment));
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        if (auto *row = dynamic_cast<CListWidgeItem *>(m_list->itemFromIndex(index)))
            return QSize(m_list->getTitleWidth(unsigned(index.column())), row->height());
        return QStyledItemDelegate::sizeHint(option, index);
    }

private:
    CListWidge *m_list;
};

} // namespace

struct CListWidge::Private
{
    explicit Private(CListWidge *q)
        : q(q)
    {
    }

    CListWidge *q;
    bool recallAllowed = true;
    int unused = 0;
    COrvexStyle *style = nullptr;
    QColor colTitle {197, 198, 254};
    QColor colTitleBorder {Qt::black};
    QColor colNormText {184, 208, 254};
    QColor colSelectBack {184, 208, 254};
    QColor colSelectText {17, 22, 38};
    QColor colVertLines {0, 0, 0};
    QColor colHoriLines {35, 43, 102};
    QString strColSizes;
    QString strColTitles;
    QColor colourTitleTxt {255, 255, 255};
    int lineThick = 1;
    int rowHeight = 24;
    bool doCentreSel = false;
    QMap<int, QString> subWidths;
    QMap<int, QVector<TSubColumn>> subInfo;
    QStringList titlePieces;
    QPointer<CNameEditor> editor;
    bool editFinished = true;
    QPointer<CPopup> popup;
    CListWidgeItem *editedRow = nullptr;
    int editedColumn = 0;
    int popupExtra = 0;
    bool editing = false;
    QPointer<COnOffButton> bStore, bRecall, bClear, bUndo, bProtect;
    bool expanded = false;
    CListWidgeItem *dropTarget = nullptr;
    CListWidgeItem *dropNeighbour = nullptr;
    CListWidgeItem *dragOrigin = nullptr;
    int contentType = -1;
    QPointer<CListWidge> partner;
    QTimer *scrollTimer = nullptr;
    int scrollDirection = 0;
    bool dragFromViewport = false;
    QPoint lastDoubleClick;

    QList<CListWidgeItem *> rows() const
    {
        QList<CListWidgeItem *> out;
        for (int i = 0; i < q->topLevelItemCount(); ++i) {
            if (auto *row = dynamic_cast<CListWidgeItem *>(q->topLevelItem(i)))
                out.append(row);
        }
        return out;
    }
    QList<CListWidgeItem *> selectedRows() const
    {
        QList<CListWidgeItem *> out;
        for (CListWidgeItem *row : rows()) {
            if (row->isSelected())
                out.append(row);
        }
        return out;
    }
    CListWidgeItem *rowAt(int index) const
    {
        return index >= 0 && index < q->topLevelItemCount()
                ? dynamic_cast<CListWidgeItem *>(q->topLevelItem(index))
                : nullptr;
    }
    int indexOf(CListWidgeItem *row) const { return row ? q->indexOfTopLevelItem(row) : -1; }
    bool contains(CListWidgeItem *row) const { return indexOf(row) >= 0; }
    void repaintRow(QTreeWidgetItem *row)
    {
        if (row)
            q->viewport()->update(q->visualItemRect(row).adjusted(-1, -1, 1, 1));
    }
    void triggerUpdate() { q->viewport()->update(); }

    bool getPreference(int key, CListWidgeItem *row) const
    {
        IPreferenceSource *source = row ? row->preferenceSource() : nullptr;
        IPreferences *prefs = source ? source->preferences() : nullptr;
        if (!prefs)
            return false;
        const QVariant v = prefs->value(key);
        return !v.isNull() && v.toBool();
    }
    // A question; the box goes with the list if that is destroyed meanwhile.
    bool ask(const QString &text)
    {
        QPointer<QMessageBox> box =
                new QMessageBox(QMessageBox::Question, QStringLiteral("Confirmation"), text,
                                QMessageBox::Yes | QMessageBox::No, q);
        box->setDefaultButton(QMessageBox::No);
        box->setEscapeButton(QMessageBox::No);
        const int answer = box->exec();
        delete box.data();
        return answer == QMessageBox::Yes;
    }
    void error(const QString &title, const QString &text)
    {
        QPointer<QMessageBox> box =
                new QMessageBox(QMessageBox::Critical, title, text, QMessageBox::Ok, q);
        box->exec();
        delete box.data();
    }
    static QString slotText(const char *format, CListWidgeItem *row)
    {
        return QString::asprintf(format, row->libraryName().toUtf8().constData(),
                                 row->slotNumber());
    }
    QProgressDialog *makeProgress(int total)
    {
        auto *dialog =
                new QProgressDialog(QString(), QStringLiteral("Stop"), 0, total, nullptr,
                                    Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
        dialog->setWindowModality(Qt::ApplicationModal);
        dialog->setMinimumDuration(0);
        dialog->setAutoClose(false);
        dialog->setAutoReset(false);
        return dialog;
    }

    void setupCentreScroll();
    void setButton(QPointer<COnOffButton> &slot, COnOffButton *b)
    {
        slot = b;
        if (b)
            b->setEnabled(false);
    }
    void disableAllButtons()
    {
        for (COnOffButton *b :
             {bStore.data(), bRecall.data(), bClear.data(), bUndo.data(), bProtect.data()}) {
            if (b)
                b->setEnabled(false);
        }
    }
    static void setButtonState(COnOffButton *b, bool enabled, bool on)
    {
        if (!b)
            return;
        b->setEnabled(enabled);
        b->setChecked(on);
    }
    bool isUndoAvailable(bool alsoPartner) const
    {
        if (alsoPartner && partner && partner->d->isUndoAvailable(false))
            return true;
        for (CListWidgeItem *row : rows()) {
            if (row->undoAvailable())
                return true;
        }
        return false;
    }
    void goClearAllUndo(bool alsoPartner)
    {
        for (CListWidgeItem *row : rows())
            row->clearUndo();
        if (alsoPartner && partner)
            partner->d->goClearAllUndo(false);
    }
    void setupColumnTitles();
    void applySubInfo();

    // Keyboard moves.
    bool usable(CListWidgeItem *row) const { return row && !row->isPlaceholder(); }
    void moveTo(CListWidgeItem *row)
    {
        if (!row)
            return;
        q->clearSelection();
        q->setCurrentItem(row);
        row->setSelected(true);
        q->scrollToItem(row,
                        doCentreSel ? QAbstractItemView::PositionAtCenter
                                    : QAbstractItemView::EnsureVisible);
    }
    int currentIndex() const { return indexOf(dynamic_cast<CListWidgeItem *>(q->currentItem())); }
    bool doKeyHome();
    bool doKeyEnd();
    bool checkMoveUp();
    bool checkMoveDown();
    bool doPage(int direction);
    void centreOn(QTreeWidgetItem *item);

    // Drag and drop.
    void updatePointers(CListWidgeItem *target, CListWidgeItem::enum_DragInsertReplace location,
                        CListWidgeItem *neighbour,
                        CListWidgeItem::enum_DragInsertReplace neighbourLocation);
    void clearMarks()
    {
        updatePointers(nullptr, CListWidgeItem::DragNone, nullptr, CListWidgeItem::DragNone);
    }
    void doMyAutoScroll(const QPoint &listPos);
    void stopAutoScroll()
    {
        scrollDirection = 0;
        if (scrollTimer)
            scrollTimer->stop();
    }
    bool dragRows(const QList<QByteArray> &records, QList<CListWidgeItem *> *dragged) const;
    bool getDropConfirmatin(CListWidgeItem *target, const QList<QByteArray> &records, bool replace);
    void fillWithItems(CListWidgeItem *start, const QList<QByteArray> &records);
    void makeSpace(CListWidgeItem *row, const QList<QByteArray> &records);
    void copyElemToElem(CListWidgeItem *from, CListWidgeItem *to);
};

void CListWidge::Private::setupCentreScroll()
{
    if (!doCentreSel) {
        connect(q, &QTreeWidget::itemDoubleClicked, q, &CListWidge::onItemDoubleClicked,
                Qt::UniqueConnection);
        disconnect(q, &QTreeWidget::currentItemChanged, q, &CListWidge::onCurrentItemChanged);
        disconnect(q, &QTreeWidget::itemClicked, q, nullptr);
        connect(q, &QTreeWidget::itemSelectionChanged, q,
                qOverload<>(&CListWidge::slotSelectionChanged), Qt::UniqueConnection);
    } else {
        disconnect(q, &QTreeWidget::itemSelectionChanged, q,
                   qOverload<>(&CListWidge::slotSelectionChanged));
        connect(q, &QTreeWidget::currentItemChanged, q, &CListWidge::onCurrentItemChanged,
                Qt::UniqueConnection);
        connect(q, &QTreeWidget::itemClicked, q, &CListWidge::clickedSlot, Qt::UniqueConnection);
        disconnect(q, &QTreeWidget::itemDoubleClicked, q, &CListWidge::onItemDoubleClicked);
    }
}

void CListWidge::Private::applySubInfo()
{
    subInfo.clear();
    for (auto it = subWidths.cbegin(); it != subWidths.cend(); ++it)
        subInfo.insert(it.key(), parseSizes(it.value()));
}

void CListWidge::Private::setupColumnTitles()
{
    titlePieces = strColTitles.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    const QStringList sizes = strColSizes.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    // A tree keeps at least one column.
    const int count = qMax(1, int(qMax(titlePieces.size(), sizes.size())));
    q->setColumnCount(count);
    QStringList labels;
    for (int i = 0; i < count; ++i)
        labels.append(i < titlePieces.size() ? titlePieces.at(i) : QStringLiteral("New Column"));
    q->setHeaderLabels(labels);
    subWidths.clear();
    for (int i = 0; i < sizes.size(); ++i)
        subWidths.insert(i, sizes.at(i));
    applySubInfo();
    for (int i = 0; i < count; ++i) {
        if (i < sizes.size())
            q->setColumnWidth(i, q->getTitleWidth(unsigned(i)));
        else
            q->resizeColumnToContents(i);
    }
}

CListWidge::CListWidge(QWidget *parent, const char *name)
    : QTreeWidget(parent)
    , d(new Private(this))
{
    if (name)
        setObjectName(QString::fromLatin1(name));
    d->style = new COrvexStyle(this, d->colTitle, d->colTitleBorder, d->colourTitleTxt);
    header()->setStyle(d->style);
    // Room for a title line above a sub-title line.
    header()->setFixedHeight(
            qMax(header()->sizeHint().height(), 2 * header()->fontMetrics().height() + 8));
    header()->setStretchLastSection(false);
    header()->setSortIndicatorShown(false);
    header()->setSectionsClickable(false);
    setSortingEnabled(false);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setItemDelegate(new TListWidgeDelegate(this));
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setAutoScroll(false);
    setDropIndicatorShown(false);
    setDragEnabled(true);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    d->scrollTimer = new QTimer(this);
    d->scrollTimer->setInterval(AutoScrollMs);
    connect(d->scrollTimer, &QTimer::timeout, this, &CListWidge::scrollTimerDone);
    d->setupColumnTitles();
    d->setupCentreScroll();
}

CListWidge::~CListWidge()
{
    // The rows call back into the list while Qt deletes them.
    d->dropTarget = d->dropNeighbour = d->dragOrigin = d->editedRow = nullptr;
    // An open editor would commit into a list half destroyed when it loses the focus.
    for (QWidget *w :
         {static_cast<QWidget *>(d->editor.data()), static_cast<QWidget *>(d->popup.data())}) {
        if (w) {
            w->blockSignals(true);
            delete w;
        }
    }
    clear();
}

QColor CListWidge::colTitle() const
{
    return d->colTitle;
}
QColor CListWidge::colTitleBorder() const
{
    return d->colTitleBorder;
}
QColor CListWidge::colNormText() const
{
    return d->colNormText;
}
QColor CListWidge::colSelectBack() const
{
    return d->colSelectBack;
}
QColor CListWidge::colSelectText() const
{
    return d->colSelectText;
}
QColor CListWidge::colVertLines() const
{
    return d->colVertLines;
}
QColor CListWidge::colHoriLines() const
{
    return d->colHoriLines;
}
QString CListWidge::strColTitles() const
{
    return d->strColTitles;
}
QColor CListWidge::colourTitleTxt() const
{
    return d->colourTitleTxt;
}
QString CListWidge::strColSizes() const
{
    return d->strColSizes;
}
int CListWidge::lineThick() const
{
    return d->lineThick;
}
int CListWidge::rowHeight() const
{
    return d->rowHeight;
}
bool CListWidge::doCentreSel() const
{
    return d->doCentreSel;
}
bool CListWidge::recallAllowed() const
{
    return d->recallAllowed;
}
void CListWidge::setRecallAllowed(bool on)
{
    d->recallAllowed = on;
}
int CListWidge::contentType() const
{
    return d->contentType;
}
CListWidge *CListWidge::partner() const
{
    return d->partner;
}
void CListWidge::setPartner(CListWidge *partner)
{
    d->partner = partner;
}
COrvexStyle *CListWidge::headerStyle() const
{
    return d->style;
}
bool CListWidge::getExpanded() const
{
    return d->expanded;
}
void CListWidge::setContentType(const int type)
{
    d->contentType = type;
}
QWidget *CListWidge::nameEditor() const
{
    return d->editor;
}
QWidget *CListWidge::valuePopup() const
{
    return d->popup;
}
bool CListWidge::isEditing() const
{
    return d->editing;
}
CListWidgeItem *CListWidge::dropTarget() const
{
    return d->dropTarget;
}
bool CListWidge::isAutoScrolling() const
{
    return d->scrollTimer->isActive();
}

void CListWidge::setColTitle(const QColor &c)
{
    d->colTitle = c;
    d->style->setFillColour(c);
    header()->viewport()->update();
    d->triggerUpdate();
}

void CListWidge::setcolTitleBorder(const QColor &c)
{
    d->colTitleBorder = c;
    d->style->setLineColour(c);
    header()->viewport()->update();
    d->triggerUpdate();
}

void CListWidge::setColourTitleTxt(const QColor &c)
{
    d->colourTitleTxt = c;
    d->style->setTextColour(c);
    header()->viewport()->update();
}

void CListWidge::setColNormText(const QColor &c)
{
    d->colNormText = c;
    for (CListWidgeItem *row : d->rows())
        row->setNorm(c, viewport()->palette().color(viewport()->backgroundRole()));
    d->triggerUpdate();
}

void CListWidge::setColSelectBack(const QColor &c)
{
    d->colSelectBack = c;
    for (CListWidgeItem *row : d->rows())
        row->setSelectedCol(d->colSelectText, c);
    d->triggerUpdate();
}

void CListWidge::setColSelectText(const QColor &c)
{
    d->colSelectText = c;
    for (CListWidgeItem *row : d->rows())
        row->setSelectedCol(c, d->colSelectBack);
    d->triggerUpdate();
}

void CListWidge::setVertLines(const QColor &c)
{
    d->colVertLines = c;
    for (CListWidgeItem *row : d->rows())
        row->setVertLines(c);
    d->triggerUpdate();
}

void CListWidge::setHoriLines(const QColor &c)
{
    d->colHoriLines = c;
    for (CListWidgeItem *row : d->rows())
        row->setHoriLines(c);
    d->triggerUpdate();
}

void CListWidge::setLineThick(const int t)
{
    if (t < 0)
        return;
    d->lineThick = t;
    for (CListWidgeItem *row : d->rows())
        row->setLineThick(t);
    d->triggerUpdate();
}

void CListWidge::setRowHeight(const int h)
{
    if (h < 1)
        return;
    d->rowHeight = h;
    for (CListWidgeItem *row : d->rows())
        row->setHeight(h);
    d->triggerUpdate();
}

void CListWidge::setColSizes(const QString &s)
{
    d->strColSizes = s;
    d->setupColumnTitles();
}

void CListWidge::setColTitles(const QString &s)
{
    d->strColTitles = s;
    d->setupColumnTitles();
}

void CListWidge::setDoCentreSel(const bool on)
{
    if (d->doCentreSel == on)
        return;
    d->doCentreSel = on;
    d->setupCentreScroll();
}

void CListWidge::setExpanded(bool on)
{
    if (d->expanded == on)
        return;
    d->expanded = on;
    for (CListWidgeItem *row : d->rows())
        row->setExpanded(on);
    for (auto it = d->subWidths.cbegin(); it != d->subWidths.cend(); ++it)
        setColumnWidth(it.key(), getTitleWidth(unsigned(it.key())));
    d->triggerUpdate();
}

void CListWidge::insertItem(CListWidgeItem *row)
{
    if (!row)
        return;
    row->setHoriLines(d->colHoriLines);
    row->setVertLines(d->colVertLines);
    row->setHeight(d->rowHeight);
    row->setNorm(d->colNormText, viewport()->palette().color(viewport()->backgroundRole()));
    row->setSelectedCol(d->colSelectText, d->colSelectBack);
    if (row->treeWidget() != this)
        addTopLevelItem(row);
}

// --- columns -------------------------------------------------------------------------------

QString CListWidge::getSubWidths(unsigned int column) const
{
    return d->subWidths.value(int(column));
}

const QVector<CListWidge::TSubColumn> &CListWidge::getSubinfo(int column) const
{
    static const QVector<TSubColumn> none;
    const auto it = d->subInfo.constFind(column);
    return it == d->subInfo.cend() ? none : it.value();
}

int CListWidge::getTitleWidth(unsigned int column) const
{
    int sum = 0;
    for (const TSubColumn &s : getSubinfo(int(column)))
        sum += d->expanded ? s.expanded : s.compact;
    return sum;
}

bool CListWidge::TitleCentred(int column, int index) const
{
    const QVector<TSubColumn> &subs = getSubinfo(column);
    if (index < 0 || index >= subs.size())
        return false;
    const TSubColumn &s = subs.at(index);
    return (d->expanded ? s.expandedFlags : s.compactFlags) & FlagCentred;
}

bool CListWidge::ColumnDivide(int column) const
{
    const QVector<TSubColumn> &subs = getSubinfo(column);
    if (subs.isEmpty())
        return false;
    return (d->expanded ? subs.last().expandedFlags : subs.last().compactFlags) & FlagDivider;
}

QString CListWidge::getColumnText(const int column, const int sub, const bool isSub) const
{
    if (column < 0 || column >= d->titlePieces.size())
        return QString();
    const QStringList parts = d->titlePieces.at(column).split(QLatin1Char(':'));
    const int at = isSub ? sub + 1 : 0;
    return at >= 0 && at < parts.size() ? parts.at(at) : QString();
}

int CListWidge::getRealColumn(const int column, const int sub) const
{
    int real = 0;
    for (int c = 0; c < column; ++c)
        real += qMax(1, int(getSubinfo(c).size()));
    return real + sub;
}

// --- buttons -------------------------------------------------------------------------------

void CListWidge::setStore(COnOffButton *b)
{
    d->setButton(d->bStore, b);
}
void CListWidge::setRecall(COnOffButton *b)
{
    d->setButton(d->bRecall, b);
}
void CListWidge::setClear(COnOffButton *b)
{
    d->setButton(d->bClear, b);
}
void CListWidge::setUndo(COnOffButton *b)
{
    d->setButton(d->bUndo, b);
}
void CListWidge::setProtect(COnOffButton *b)
{
    d->setButton(d->bProtect, b);
}

void CListWidge::slotSelectionChanged()
{
    if (d->editing) {
        d->disableAllButtons();
        return;
    }
    if (d->doCentreSel)
        return;
    int S = 0, R = 0, P = 0, U = 0;
    for (CListWidgeItem *row : d->selectedRows()) {
        ++S;
        R += row->isReadOnly() ? 1 : 0;
        P += row->isProtected() ? 1 : 0;
        U += row->isUsed() ? 1 : 0;
    }
    Private::setButtonState(d->bStore, R == 0 && P == 0 && S > 0, false);
    Private::setButtonState(d->bRecall, U == 1 && d->recallAllowed, true);
    Private::setButtonState(d->bClear, R == 0 && P == 0 && U > 0, false);
    Private::setButtonState(d->bUndo, d->isUndoAvailable(true), false);
    Private::setButtonState(d->bProtect, R < U, P == U && U == S);
}

// --- commands ------------------------------------------------------------------------------

void CListWidge::Store()
{
    const QList<CListWidgeItem *> rows = d->selectedRows();
    const int S = int(rows.size());
    if (S == 0)
        return;
    const int T = S + 1;
    d->goClearAllUndo(true);
    QPointer<CListWidge> self(this);
    QPointer<QProgressDialog> dialog = d->makeProgress(T);
    setUpdatesEnabled(false);
    bool asked = false;
    int n = 0;
    for (CListWidgeItem *row : rows) {
        ++n;
        if (!self || !dialog || dialog->wasCanceled())
            break;
        if (d->getPreference(PrefConfirmStore, row)) {
            if (!asked)
                setUpdatesEnabled(true);
            asked = true;
            const bool yes = d->ask(Private::slotText("Store to %s #%03d?", row));
            if (!self || !dialog)
                break;
            if (!yes)
                continue;
        }
        if (!asked && S != 1) {
            dialog->setLabelText(QStringLiteral("Storing library slot #%1").arg(row->slotNumber()));
            dialog->setValue(n);
            if (!self || !dialog)
                break;
        }
        const QString result = row->storeSlot();
        if (!self)
            break;
        if (result.isEmpty()) {
            d->repaintRow(row);
            slotSelectionChanged();
        } else {
            d->error(QStringLiteral("Error"), result);
        }
    }
    if (dialog) {
        dialog->setValue(T);
        delete dialog.data();
    }
    if (self) {
        if (!asked) {
            setUpdatesEnabled(true);
            d->triggerUpdate();
        }
        setFocus();
    }
}

void CListWidge::Recall()
{
    const QList<CListWidgeItem *> rows = d->selectedRows();
    if (rows.isEmpty())
        return;
    CListWidgeItem *row = rows.first();
    d->goClearAllUndo(true);
    QPointer<CListWidge> self(this);
    if (d->getPreference(PrefConfirmRecall, row)) {
        const bool yes = d->ask(Private::slotText("Recall from %s #%03d?", row));
        if (!self || !yes)
            return;
    }
    const QString result = row->recallSlot();
    if (!self)
        return;
    if (result.isEmpty()) {
        d->repaintRow(row);
        slotSelectionChanged();
    } else {
        d->error(QStringLiteral("ZB4R"), result);
    }
}

void CListWidge::Clear()
{
    const QList<CListWidgeItem *> rows = d->selectedRows();
    const int S = int(rows.size());
    if (S == 0)
        return;
    QPointer<CListWidge> self(this);
    const bool yes = d->ask(QStringLiteral("Are you sure you want to clear selection?"));
    if (!self || !yes)
        return;
    d->goClearAllUndo(true);
    const int T = S + 1;
    QPointer<QProgressDialog> dialog = d->makeProgress(T);
    int n = 0;
    for (CListWidgeItem *row : rows) {
        ++n;
        if (!self || !dialog || dialog->wasCanceled())
            break;
        if (S != 1) {
            dialog->setLabelText(
                    QStringLiteral("Clearing library slot #%1").arg(row->slotNumber()));
            dialog->setValue(n);
            if (!self || !dialog)
                break;
        }
        if (row->isUsed() && !row->isProtected()) {
            row->clearSlot();
            if (!self)
                break;
            d->repaintRow(row);
            slotSelectionChanged();
        }
    }
    if (dialog) {
        if (S != 1)
            dialog->setValue(T);
        delete dialog.data();
    }
    if (self)
        setFocus();
}

void CListWidge::ClearAll()
{
    for (CListWidgeItem *row : d->rows()) {
        if (!row->isHidden() && row->isUsed() && !row->isProtected()) {
            row->clearSlot();
            d->repaintRow(row);
        }
    }
}

void CListWidge::Undo(bool alsoPartner)
{
    if (alsoPartner && d->partner)
        d->partner->Undo(false);
    for (CListWidgeItem *row : d->rows()) {
        if (!row->isHidden())
            row->undoSlot();
    }
    d->triggerUpdate();
    if (alsoPartner)
        slotSelectionChanged();
}

void CListWidge::Protect()
{
    const QList<CListWidgeItem *> rows = d->selectedRows();
    bool anyProtected = false;
    for (CListWidgeItem *row : rows)
        anyProtected = anyProtected || row->isProtected();
    for (CListWidgeItem *row : rows) {
        if (anyProtected && !row->isProtected())
            continue;
        row->toggleProtect();
        d->repaintRow(row);
        slotSelectionChanged();
    }
}

// --- editing -------------------------------------------------------------------------------

void CListWidge::doubleClickedSlot(QTreeWidgetItem *item, const QPoint &pos, int column)
{
    auto *row = dynamic_cast<CListWidgeItem *>(item);
    if (column < 0 || !row)
        return;
    d->disableAllButtons();
    if (row->doubleClicked(column, pos))
        d->repaintRow(row);
    slotSelectionChanged();
}

void CListWidge::onItemDoubleClicked(QTreeWidgetItem *item, int column)
{
    doubleClickedSlot(item, d->lastDoubleClick, column);
}

void CListWidge::mouseDoubleClickEvent(QMouseEvent *event)
{
    d->lastDoubleClick = event->position().toPoint();
    QTreeWidget::mouseDoubleClickEvent(event);
}

void CListWidge::doEditBox(CListWidgeItem *row, int column, QString &text, QRect &rect,
                           int maxLength)
{
    if (!row)
        return;
    if (!d->editor) {
        d->editor = new CNameEditor(viewport(), "Edit");
        QPalette pal = d->editor->palette();
        pal.setColor(QPalette::Base, d->colSelectBack);
        d->editor->setPalette(pal);
        connect(d->editor, &CNameEditor::acceptEdit, this, &CListWidge::editDoneUpd);
        connect(d->editor, &CNameEditor::abortEdit, this, &CListWidge::editDoneCan);
        // Scrolling commits the edit.
        connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &CListWidge::editDoneUpd);
        connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, &CListWidge::editDoneUpd);
    }
    d->editor->move(rect.topLeft());
    d->editor->resize(rect.width() - 1, rect.height() - 1);
    d->editor->setMaxLength(maxLength);
    d->editor->setText(text);
    d->editor->selectAll();
    d->editor->show();
    d->editor->setFocus();
    d->editing = true;
    d->editedRow = row;
    d->editedColumn = column;
    d->editFinished = false;
}

void CListWidge::editDoneUpd()
{
    if (d->editFinished || !d->editor || !d->editor->isVisible())
        return;
    d->editing = false;
    d->editFinished = true;
    CListWidgeItem *row = d->contains(d->editedRow) ? d->editedRow : nullptr;
    if (row) {
        d->goClearAllUndo(true);
        row->editDone(d->editedColumn, d->editor->text());
    }
    setFocus();
    d->editor->hide();
    d->repaintRow(row);
    slotSelectionChanged();
}

void CListWidge::editDoneCan()
{
    d->editFinished = true;
    d->editing = false;
    setFocus();
    if (d->editor)
        d->editor->hide();
    slotSelectionChanged();
}

void CListWidge::doPopup(CListWidgeItem *row, int column, int selection, QRect &rect,
                         int selectIndex, IMemAPI *memory, int tableId, QSize labelSize)
{
    if (!memory || !row)
        return;
    QStringList names;
    memory->dynamicStringList(tableId, &names);
    if (names.isEmpty())
        return;
    if (!d->popup) {
        d->popup = new CPopup(this, QStringLiteral("popup"));
        d->popup->setFont(QFont(QStringLiteral("Tessary Dot Font 1"), 8));
        connect(d->popup, &CPopup::closePopup, this, &CListWidge::popupDoneUpd);
        d->popup->setMemAPI(memory);
        d->popup->setColumnsCount(10);
        d->popup->hide();
    }
    d->popup->setMemAPI(memory);
    d->popup->setGroupOverride(QString::number(names.size()));
    d->popup->move(rect.left(), rect.top() + 10);
    d->popup->setSelection(selectIndex);
    d->popup->setTableId(tableId);
    d->popup->show();
    d->popup->setFocus();
    d->popup->setLabelSize(labelSize);
    d->popup->dynamicPopup();
    d->popup->show();
    d->popup->update();
    d->editing = true;
    d->editedRow = row;
    d->editedColumn = column;
    d->popupExtra = selection;
    d->disableAllButtons();
}

void CListWidge::popupDoneUpd()
{
    if (!d->popup)
        return;
    d->editing = false;
    CListWidgeItem *row = d->contains(d->editedRow) ? d->editedRow : nullptr;
    if (row)
        row->popupDone(d->editedColumn, d->popup->currentSelection(), d->popupExtra);
    d->popup->hide();
    setFocus();
    if (row) {
        clearSelection();
        row->setSelected(true);
    }
    d->triggerUpdate();
    slotSelectionChanged();
}

// --- keyboard and wheel --------------------------------------------------------------------

bool CListWidge::Private::doKeyHome()
{
    for (CListWidgeItem *row : rows()) {
        if (usable(row)) {
            moveTo(row);
            break;
        }
    }
    return true;
}

bool CListWidge::Private::doKeyEnd()
{
    const QList<CListWidgeItem *> all = rows();
    for (auto it = all.crbegin(); it != all.crend(); ++it) {
        if (usable(*it)) {
            moveTo(*it);
            break;
        }
    }
    return true;
}

bool CListWidge::Private::checkMoveUp()
{
    for (int i = currentIndex() - 1; i >= 0; --i) {
        if (usable(rowAt(i))) {
            moveTo(rowAt(i));
            break;
        }
    }
    return true;
}

bool CListWidge::Private::checkMoveDown()
{
    const int start = currentIndex();
    for (int i = start + 1; i < q->topLevelItemCount(); ++i) {
        if (usable(rowAt(i))) {
            moveTo(rowAt(i));
            break;
        }
    }
    return true;
}

bool CListWidge::Private::doPage(int direction)
{
    int page = q->viewport()->height() / qMax(1, rowHeight);
    if (doCentreSel)
        page /= 2;
    page = qMax(1, page);
    int at = currentIndex();
    if (at < 0)
        at = direction > 0 ? -1 : q->topLevelItemCount();
    int reached = -1;
    for (int step = 0; step < page; ++step) {
        const int next = at + direction;
        if (!usable(rowAt(next)))
            break;
        at = next;
        reached = at;
    }
    if (reached >= 0)
        moveTo(rowAt(reached));
    return true;
}

void CListWidge::Private::centreOn(QTreeWidgetItem *item)
{
    int i = q->indexOfTopLevelItem(item);
    while (i >= 0 && i < q->topLevelItemCount() && !usable(rowAt(i)))
        ++i;
    if (QTreeWidgetItem *target = q->topLevelItem(i))
        q->scrollToItem(target, QAbstractItemView::PositionAtCenter);
}

void CListWidge::keyPressEvent(QKeyEvent *event)
{
    bool handled = false;
    switch (event->key()) {
    case Qt::Key_Home:
        handled = d->doKeyHome();
        break;
    case Qt::Key_End:
        handled = d->doKeyEnd();
        break;
    case Qt::Key_Up:
        handled = d->checkMoveUp();
        break;
    case Qt::Key_Down:
        handled = d->checkMoveDown();
        break;
    case Qt::Key_PageUp:
        handled = d->doPage(-1);
        break;
    case Qt::Key_PageDown:
        handled = d->doPage(1);
        break;
    case Qt::Key_Space:
        event->ignore();
        return;
    case Qt::Key_Tab:
        if (d->partner) {
            d->partner->setFocus(Qt::TabFocusReason);
            return;
        }
        break;
    default:
        break;
    }
    if (handled) {
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

bool CListWidge::focusNextPrevChild(bool next)
{
    // Tab never reaches keyPressEvent: it moves the focus here first.
    if (next && d->partner) {
        d->partner->setFocus(Qt::TabFocusReason);
        return true;
    }
    return QTreeWidget::focusNextPrevChild(next);
}

void CListWidge::wheelEvent(QWheelEvent *event)
{
    if (!d->doCentreSel) {
        QTreeWidget::wheelEvent(event);
        return;
    }
    event->accept();
    const int delta = event->angleDelta().y();
    if (delta == 0)
        return;
    const int next = d->currentIndex() + (delta < 0 ? 1 : -1);
    if (d->usable(d->rowAt(next)))
        d->moveTo(d->rowAt(next));
    if (QTreeWidgetItem *current = currentItem())
        scrollToItem(current, QAbstractItemView::PositionAtCenter);
}

void CListWidge::slotSelectionChanged(QTreeWidgetItem *item)
{
    d->centreOn(item);
}

void CListWidge::onCurrentItemChanged(QTreeWidgetItem *current, QTreeWidgetItem *)
{
    slotSelectionChanged(current);
}

void CListWidge::clickedSlot(QTreeWidgetItem *item)
{
    d->centreOn(item);
}

void CListWidge::slotContentsMoving(int, int)
{
    editDoneUpd();
}

// --- drag and drop -------------------------------------------------------------------------

std::unique_ptr<CListWidgeDrag> CListWidge::makeDragObject(bool *move)
{
    QList<QByteArray> records;
    QList<int> refs;
    bool blocked = false;
    bool copy = false;
    d->dragOrigin = nullptr;
    for (CListWidgeItem *row : d->selectedRows()) {
        if (!d->dragOrigin)
            d->dragOrigin = row;
        if (!(row->flags() & Qt::ItemIsDragEnabled))
            blocked = true;
        if (row->isReadOnly())
            copy = true;
        refs.append(d->indexOf(row));
        if (!row->isUsed()) {
            records.append(QByteArray(1, char(UnusedRecord)));
        } else {
            QByteArray data;
            if (row->getSlotData(data))
                records.append(data);
        }
    }
    if (move)
        *move = !copy;
    if (records.isEmpty() || blocked) {
        d->dragOrigin = nullptr;
        return nullptr;
    }
    records.prepend(CListWidgeDrag::encodeRows(refs));
    return std::make_unique<CListWidgeDrag>(d->contentType, records);
}

void CListWidge::startDrag(Qt::DropActions)
{
    bool move = false;
    std::unique_ptr<CListWidgeDrag> payload = makeDragObject(&move);
    if (!payload)
        return;
    QPointer<CListWidge> self(this);
    auto *drag = new QDrag(this);
    drag->setMimeData(payload.release());
    drag->exec(move ? Qt::MoveAction : Qt::CopyAction, move ? Qt::MoveAction : Qt::CopyAction);
    if (self)
        d->dragOrigin = nullptr;
}

bool CListWidge::event(QEvent *event)
{
    // Drags over the header, the frame or a scroll bar come to the list itself, as none of
    // these takes drops; the scroll area would discard them, and the auto-scroll bands lie
    // there. dragMoveEvent maps the list position into the viewport.
    switch (event->type()) {
    case QEvent::DragEnter:
        dragEnterEvent(static_cast<QDragEnterEvent *>(event));
        return true;
    case QEvent::DragMove:
        dragMoveEvent(static_cast<QDragMoveEvent *>(event));
        return true;
    case QEvent::DragLeave:
        dragLeaveEvent(static_cast<QDragLeaveEvent *>(event));
        return true;
    case QEvent::Drop:
        dropEvent(static_cast<QDropEvent *>(event));
        return true;
    default:
        return QTreeWidget::event(event);
    }
}

bool CListWidge::viewportEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::DragLeave:
    case QEvent::Drop: {
        d->dragFromViewport = true;
        const bool r = QTreeWidget::viewportEvent(event);
        d->dragFromViewport = false;
        return r;
    }
    default:
        return QTreeWidget::viewportEvent(event);
    }
}

void CListWidge::Private::updatePointers(CListWidgeItem *target,
                                         CListWidgeItem::enum_DragInsertReplace location,
                                         CListWidgeItem *neighbour,
                                         CListWidgeItem::enum_DragInsertReplace neighbourLocation)
{
    if (dropTarget && dropTarget != target && dropTarget != neighbour) {
        dropTarget->setDragLocation(CListWidgeItem::DragNone);
        repaintRow(dropTarget);
    }
    if (dropNeighbour && dropNeighbour != target && dropNeighbour != neighbour) {
        dropNeighbour->setDragLocation(CListWidgeItem::DragNone);
        repaintRow(dropNeighbour);
    }
    dropTarget = target;
    dropNeighbour = neighbour;
    if (target) {
        target->setDragLocation(location);
        repaintRow(target);
    }
    if (neighbour) {
        neighbour->setDragLocation(neighbourLocation);
        repaintRow(neighbour);
    }
}

void CListWidge::Private::doMyAutoScroll(const QPoint &listPos)
{
    const QRect vp = q->viewport()->geometry();
    int direction = 0;
    if (listPos.x() >= vp.left() && listPos.x() <= vp.right()) {
        if (listPos.y() < vp.top() && listPos.y() >= vp.top() - AutoScrollBand)
            direction = -1;
        else if (listPos.y() > vp.bottom() && listPos.y() <= vp.bottom() + AutoScrollBand)
            direction = 1;
    }
    if (direction == 0) {
        stopAutoScroll();
        return;
    }
    scrollDirection = direction;
    if (!scrollTimer->isActive())
        scrollTimer->start();
}

void CListWidge::scrollTimerDone()
{
    if (d->scrollDirection == 0) {
        d->scrollTimer->stop();
        return;
    }
    QScrollBar *bar = verticalScrollBar();
    bar->setValue(bar->value() + d->scrollDirection * AutoScrollStep);
}

void CListWidge::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasFormat(CListWidgeDrag::formatFor(d->contentType)))
        event->acceptProposedAction();
    else
        event->ignore();
}

void CListWidge::dragMoveEvent(QDragMoveEvent *event)
{
    if (!event->mimeData()->hasFormat(CListWidgeDrag::formatFor(d->contentType))) {
        event->ignore();
        return;
    }
    const QPoint at = event->position().toPoint();
    const QPoint listPos = d->dragFromViewport ? viewport()->mapTo(this, at) : at;
    const QPoint vpPos = d->dragFromViewport ? at : viewport()->mapFrom(this, at);
    d->doMyAutoScroll(listPos);
    auto *row = viewport()->rect().contains(vpPos) ? dynamic_cast<CListWidgeItem *>(itemAt(vpPos))
                                                   : nullptr;
    if (!row || row == d->dragOrigin || row->isPlaceholder()) {
        d->clearMarks();
        event->ignore();
        return;
    }
    event->accept();
    setFocus();
    const QRect r = visualItemRect(row);
    const bool sameList = d->dragOrigin != nullptr;
    const int band = sameList && event->proposedAction() == Qt::MoveAction && !row->isReadOnly()
            ? r.height() / 3
            : 0;
    const int index = d->indexOf(row);
    if (vpPos.y() >= r.top() + band && vpPos.y() <= r.bottom() - band) {
        d->updatePointers(row, CListWidgeItem::DragReplace, nullptr, CListWidgeItem::DragNone);
    } else if (vpPos.y() < r.top() + band) {
        d->updatePointers(row, CListWidgeItem::DragInsertBefore, d->rowAt(index - 1),
                          CListWidgeItem::DragInsertAfter);
    } else {
        d->updatePointers(row, CListWidgeItem::DragInsertAfter, d->rowAt(index + 1),
                          CListWidgeItem::DragInsertBefore);
    }
}

void CListWidge::dragLeaveEvent(QDragLeaveEvent *event)
{
    d->stopAutoScroll();
    d->clearMarks();
    event->accept();
}

bool CListWidge::Private::dragRows(const QList<QByteArray> &records,
                                   QList<CListWidgeItem *> *dragged) const
{
    QList<int> refs;
    if (records.isEmpty() || !CListWidgeDrag::decodeRows(records.first(), refs))
        return false;
    for (int r : refs) {
        CListWidgeItem *row = rowAt(r);
        if (!row)
            return false;
        dragged->append(row);
    }
    return true;
}

bool CListWidge::Private::getDropConfirmatin(CListWidgeItem *target,
                                             const QList<QByteArray> &records, bool replace)
{
    const int k = int(records.size()) - 1;
    // Protected or read-only rows under a replace.
    if (replace) {
        if (k <= 0)
            return false;
        const int start = indexOf(target);
        for (int i = start; i < start + k && i < q->topLevelItemCount(); ++i) {
            CListWidgeItem *row = rowAt(i);
            if (!row) {
                error(QStringLiteral("Error"), QStringLiteral("Read only or Protected."));
                return false;
            }
            if (row->isReadOnly() || row->isProtected()) {
                error(QStringLiteral("Error"),
                      QString::asprintf("(%d) Is Read only or Protected", row->slotNumber()));
                return false;
            }
        }
    }
    // Location: within this list the target lies outside the dragged range.
    QList<CListWidgeItem *> dragged;
    if (dragOrigin) {
        if (!dragRows(records, &dragged) || dragged.isEmpty())
            return false;
        const int first = dragged.first()->slotNumber();
        const int last = dragged.last()->slotNumber();
        const int slot = target->slotNumber();
        if (slot >= qMin(first, last) && slot <= qMax(first, last))
            return false;
    }
    // Inserts need consecutive slots.
    if (!replace) {
        for (int i = 1; i < dragged.size(); ++i) {
            if (dragged.at(i)->slotNumber() != dragged.at(i - 1)->slotNumber() + 1) {
                error(QStringLiteral("Error"),
                      QStringLiteral("Unsupported Operation: Separated rows cannot be "
                                     "inserted."));
                return false;
            }
        }
    }
    if (replace && getPreference(PrefConfirmStore, target)) {
        const int remaining = q->topLevelItemCount() - indexOf(target);
        QString text;
        if (remaining < k)
            text = QStringLiteral("Too many rows are selected. \nStore anyway?");
        else if (k == 1)
            text = slotText("Store to %s #%03d?", target);
        else
            text = QStringLiteral("Store to multiple locations");
        return ask(text);
    }
    return true;
}

void CListWidge::Private::fillWithItems(CListWidgeItem *start, const QList<QByteArray> &records)
{
    q->clearSelection();
    q->setCurrentItem(start, 0, QItemSelectionModel::NoUpdate);
    int at = indexOf(start);
    for (int i = 1; i < records.size() && at >= 0 && at < q->topLevelItemCount(); ++i, ++at) {
        CListWidgeItem *row = rowAt(at);
        if (!row)
            continue;
        const QByteArray &record = records.at(i);
        if (record.size() < 2)
            row->clearSlot();
        else
            row->setSlotData(record);
        row->setSelected(true);
        repaintRow(row);
    }
}

void CListWidge::Private::copyElemToElem(CListWidgeItem *from, CListWidgeItem *to)
{
    if (!from || !to)
        return;
    if (from->isUsed()) {
        QByteArray data;
        if (from->getSlotData(data))
            to->setSlotData(data);
        repaintRow(to);
    } else if (to->isUsed()) {
        to->clearSlot();
        repaintRow(to);
    }
}

void CListWidge::Private::makeSpace(CListWidgeItem *row, const QList<QByteArray> &records)
{
    const int k = int(records.size()) - 1;
    QList<CListWidgeItem *> dragged;
    if (!row || k < 1 || !dragRows(records, &dragged) || dragged.isEmpty())
        return;
    const int target = indexOf(row);
    const int first = indexOf(dragged.first());
    if (first == target)
        return;
    const int count = q->topLevelItemCount();
    int fillFrom;
    if (first < target) {
        // The rows between the block and row move up by k; the block ends at row.
        for (int i = first + k; i <= target; ++i)
            copyElemToElem(rowAt(i), rowAt(i - k));
        fillFrom = target - (k - 1);
    } else {
        // The rows between row and the block move down by k; the block starts after row.
        for (int i = first - 1; i > target; --i) {
            if (i + k < count)
                copyElemToElem(rowAt(i), rowAt(i + k));
        }
        fillFrom = target + 1;
    }
    if (CListWidgeItem *start = rowAt(fillFrom))
        fillWithItems(start, records);
}

void CListWidge::dropEvent(QDropEvent *event)
{
    d->stopAutoScroll();
    QList<QByteArray> records;
    CListWidgeItem *target = d->contains(d->dropTarget) ? d->dropTarget : nullptr;
    QPointer<CListWidge> self(this);
    if (target && CListWidgeDrag::decodeData(event->mimeData(), records, d->contentType)
        && !records.isEmpty()) {
        d->goClearAllUndo(true);
        setFocus();
        switch (target->dragLocation()) {
        case CListWidgeItem::DragReplace:
            if (d->getDropConfirmatin(target, records, true) && self)
                d->fillWithItems(target, records);
            break;
        case CListWidgeItem::DragInsertBefore:
            if (d->getDropConfirmatin(target, records, false) && self)
                d->makeSpace(d->rowAt(d->indexOf(target) - 1), records);
            break;
        case CListWidgeItem::DragInsertAfter:
            if (d->getDropConfirmatin(target, records, false) && self)
                d->makeSpace(target, records);
            break;
        case CListWidgeItem::DragNone:
            break;
        }
        if (!self)
            return;
        QTimer::singleShot(0, this, [this] { setFocus(); });
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
    d->clearMarks();
    d->dragOrigin = nullptr;
    slotSelectionChanged();
}
