#include "CPopupItem.h"

#include "CPopup.h"
#include "CPopupLabel.h"
#include "NS_Utilities.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>

namespace {

int ceilDiv(int n, int d)
{
    return (n + d - 1) / d;
}

} // namespace

CPopupItem::CPopupItem(CPopup *owner, const QStringList &labels, QWidget *parent)
    : QLabel(parent, Qt::Popup | Qt::WindowStaysOnTopHint)
    , m_labels(labels)
    , m_owner(owner)
{
    setFrameStyle(QFrame::WinPanel | QFrame::Raised);
    setAlignment(Qt::AlignCenter);
    setMouseTracking(true);
    if (owner)
        m_selected = owner->currentSelection();
    buildGrid();
}

CPopupItem::~CPopupItem() = default;

// --- grouping and layout ------------------------------------------------------------------------

QVector<int> CPopupItem::initGrouping(const QStringList &labels, bool grouping, int matchCount,
                                      const QVector<quint16> &overrideSizes)
{
    QVector<int> groups;
    const int total = int(labels.size());
    if (!grouping) {
        if (total > 0)
            groups.append(total);
        return groups;
    }
    int size = 0;
    for (int p = 0; p < total;) {
        // Past the end of the overrides, the last size read applies again.
        if (groups.size() < overrideSizes.size())
            size = overrideSizes.at(groups.size());
        int n = size;
        if (n <= 0) {
            const QString prefix = labels.at(p).left(qMax(matchCount, 1));
            n = countLabels(labels, p, prefix);
        }
        n = qMin(n, total - p);
        groups.append(n);
        p += n;
    }
    return groups;
}

int CPopupItem::countLabels(const QStringList &labels, int start, const QString &prefix)
{
    int n = 0;
    for (int i = start; i < labels.size() && labels.at(i).startsWith(prefix); ++i)
        ++n;
    return qMax(n, 1);
}

void CPopupItem::buildGrid()
{
    if (!m_owner)
        return;
    m_columns = qMax(1, m_owner->columnsCount());
    const QVector<int> groups = initGrouping(m_labels, m_owner->grouping(),
                                             m_owner->groupMatchCnt(), m_owner->getGroupOverride());
    const QSize cellSize = m_owner->labelSize();

    auto *layout = new QGridLayout(this);
    const int margin = m_owner->cellMargin();
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->setSpacing(m_owner->cellSpacing());
    // Every column keeps its width, also when no row fills it.
    for (int c = 0; c < m_columns; ++c)
        layout->setColumnMinimumWidth(c, cellSize.width());

    m_cells.fill(nullptr, m_labels.size());
    int label = 0;
    for (const int groupSize : groups) {
        // A group's labels are spread evenly over its rows.
        const int groupRows = ceilDiv(groupSize, m_columns);
        int left = groupSize;
        for (int r = 0; r < groupRows; ++r) {
            const int take = ceilDiv(left, groupRows - r);
            QVector<int> row(m_columns, -1);
            const int gridRow = int(m_grid.size());
            for (int c = 0; c < take; ++c) {
                CPopupLabel *cell = createLabel(cellSize, m_labels.at(label));
                layout->addWidget(cell, gridRow, c);
                m_cells[label] = cell;
                row[c] = label++;
            }
            left -= take;
            layout->setRowMinimumHeight(gridRow, cellSize.height());
            m_grid.append(row);
        }
    }
    if (CPopupLabel *selected = cell(m_selected))
        selected->setSelectedPalette();
}

CPopupLabel *CPopupItem::createLabel(const QSize &size, const QString &text)
{
    auto *cell = new CPopupLabel(this);
    cell->ensurePolished();
    cell->setFixedSize(size);
    if (m_owner)
        cell->setFont(m_owner->font());
    cell->setText(text);
    connect(cell, &QAbstractButton::clicked, cell, &CPopupLabel::customPressed);
    cell->show();
    return cell;
}

const QVector<QVector<int>> &CPopupItem::gridRows() const
{
    return m_grid;
}

CPopupLabel *CPopupItem::cell(int index) const
{
    return index >= 0 && index < m_cells.size() ? m_cells.at(index) : nullptr;
}

// --- placement ----------------------------------------------------------------------------------

void CPopupItem::popup()
{
    if (m_owner)
        move(m_owner->mapToGlobal(QPoint(0, m_owner->height() - 1)));
    for (int i = 0; i < m_cells.size(); ++i) {
        if (i == m_selected)
            m_cells.at(i)->setSelectedPalette();
        else
            m_cells.at(i)->setNormalPalette();
    }
    adjustPositionToRect();
}

void CPopupItem::adjustPositionToRect()
{
    const QPoint p = pos();
    show();
    move(p);
    const QRect r = geometry();
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect a = screen->availableGeometry();
    if (a.contains(r, true))
        return;

    int dx = 0;
    if (r.right() > a.right())
        dx = a.right() - r.right();
    else if (r.left() < a.left())
        dx = a.left() - r.left();
    int dy = 0;
    if (r.bottom() > a.bottom())
        dy = a.bottom() - r.bottom();
    else if (r.top() < a.top())
        dy = a.top() - r.top();

    // The corrected corner must lie inside the area; the left and top edges are tested first
    // and the right and bottom ones may still override them.
    const QPoint corner = p + QPoint(dx, dy);
    if (corner.x() < a.left())
        dx = a.left() - r.left();
    if (corner.x() > a.right())
        dx = a.right() - r.right();
    if (corner.y() < a.top())
        dy = a.top() - r.top();
    if (corner.y() > a.bottom())
        dy = a.bottom() - r.bottom();
    if (dx == 0 && dy == 0)
        return;
    move(p + QPoint(dx, dy));
}

// --- highlight and keys -------------------------------------------------------------------------

int CPopupItem::selectedItem() const
{
    return m_selected;
}

int CPopupItem::highlightedItem() const
{
    return m_highlighted;
}

void CPopupItem::setSelectedItem(int index)
{
    m_selected = index;
}

void CPopupItem::updateSelected(int index)
{
    if (CPopupLabel *old = cell(m_selected))
        old->setNormalPalette();
    if (CPopupLabel *now = cell(index))
        now->setSelectedPalette();
    m_selected = index;
}

void CPopupItem::setHighlightedItem(QWidget *widget)
{
    const int index = int(m_cells.indexOf(qobject_cast<CPopupLabel *>(widget)));
    if (index >= 0)
        highlight(index);
}

void CPopupItem::highlight(int index)
{
    CPopupLabel *now = cell(index);
    if (!now || index == m_highlighted)
        return;
    if (CPopupLabel *old = cell(m_highlighted))
        old->popPalette();
    now->setHoverPalette();
    m_highlighted = index;
}

bool CPopupItem::findGridPos(int index, int *row, int *column) const
{
    if (index < 0)
        return false;
    for (int r = 0; r < m_grid.size(); ++r) {
        const int c = int(m_grid.at(r).indexOf(index));
        if (c >= 0) {
            *row = r;
            *column = c;
            return true;
        }
    }
    return false;
}

int CPopupItem::nextLeft(int index) const
{
    const int count = int(m_labels.size());
    if (count == 0)
        return -1;
    return index <= 0 || index > count ? count - 1 : index - 1;
}

int CPopupItem::nextRight(int index) const
{
    const int count = int(m_labels.size());
    if (count == 0)
        return -1;
    return index < 0 || index + 1 >= count ? 0 : index + 1;
}

int CPopupItem::nextUp(int index) const
{
    return stepVertically(index, -1);
}

int CPopupItem::nextDown(int index) const
{
    return stepVertically(index, +1);
}

int CPopupItem::stepVertically(int index, int direction) const
{
    int row = 0, column = 0;
    if (!findGridPos(index, &row, &column)) {
        // Nothing current yet: start at an end of the list.
        if (m_labels.isEmpty())
            return -1;
        return direction > 0 ? 0 : int(m_labels.size()) - 1;
    }
    // Past the top or bottom row the move goes on in the neighbouring column; empty cells are
    // skipped, trying at most as many cells as there are rows.
    const int rows = int(m_grid.size());
    for (int tries = 0; tries < rows; ++tries) {
        row += direction;
        if (row < 0) {
            row = rows - 1;
            column = (column + m_columns - 1) % m_columns;
        } else if (row >= rows) {
            row = 0;
            column = (column + 1) % m_columns;
        }
        const int found = m_grid.at(row).at(column);
        if (found >= 0)
            return found;
    }
    return index;
}

void CPopupItem::keyPressEvent(QKeyEvent *event)
{
    int index = m_highlighted >= 0 ? m_highlighted : m_selected;
    bool activate = false;
    switch (event->key()) {
    case Qt::Key_Left:
        index = nextLeft(index);
        break;
    case Qt::Key_Right:
        index = nextRight(index);
        break;
    case Qt::Key_Up:
        index = nextUp(index);
        break;
    case Qt::Key_Down:
        index = nextDown(index);
        break;
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        activate = true;
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    if (CPopupLabel *target = cell(index)) {
        highlight(index);
        if (activate)
            target->customPressed();
    }
    QWidget::keyPressEvent(event);
}

// --- choosing and closing -----------------------------------------------------------------------

void CPopupItem::applyPopupItemLabel(CPopupLabel *chosen)
{
    if (!chosen)
        return;
    chosen->setSelectedPalette();
    // Duplicate names always choose the first of them.
    const int index = int(m_labels.indexOf(chosen->text()));
    if (index < 0)
        return;
    m_selected = index;
    if (m_owner)
        m_owner->setSelectionConfirm(index);
}

void CPopupItem::customClose(CPopupLabel *chosen, bool choose)
{
    // The owner's confirmation may close or delete this window.
    QPointer<CPopupItem> self(this);
    if (choose)
        applyPopupItemLabel(chosen);
    if (self)
        cancelClose();
}

void CPopupItem::cancelClose()
{
    if (NS_Utilities::mainThreadRunning())
        close();
    deleteLater();
}

void CPopupItem::closeEvent(QCloseEvent *event)
{
    event->accept();
    if (!m_owner)
        return;
    // The press that opened the window never saw its release (the window took the mouse).
    const QPointF local(0, 0);
    QMouseEvent release(QEvent::MouseButtonRelease, local, m_owner->mapToGlobal(local),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m_owner, &release);
}

void CPopupItem::setPopupParent(CPopup *owner)
{
    m_owner = owner;
}

CPopup *CPopupItem::getPopupParent() const
{
    return m_owner;
}
