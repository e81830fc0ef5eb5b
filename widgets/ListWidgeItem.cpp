#include "ListWidgeItem.h"

#include "ListWidge.h"

#include <QPainter>
#include <QPalette>
#include <QPolygon>

namespace {

constexpr int LineFlag = 2;

} // namespace

struct CListWidgeItem::Private
{
    CListWidge *list = nullptr;
    int tag = 0;
    QColor normText {Qt::white};
    QColor normBack {19, 21, 72};
    QColor selText {Qt::black};
    QColor selBack {Qt::white};
    QColor horiLines {Qt::black};
    bool noLines = false;
    QColor vertLines {Qt::black};
    int lineThick = 1;
    bool expanded = false;
    bool placeholder = false;
    enum_DragInsertReplace dragLocation = DragNone;
    int height = 24;

    void copySettings(const Private &o)
    {
        list = o.list;
        normText = o.normText;
        normBack = o.normBack;
        selText = o.selText;
        selBack = o.selBack;
        horiLines = o.horiLines;
        noLines = o.noLines;
        vertLines = o.vertLines;
        lineThick = o.lineThick;
        expanded = o.expanded;
        placeholder = o.placeholder;
        height = o.height;
    }
};

CListWidgeItem::CListWidgeItem(int tag, CListWidge *list)
    : d(new Private)
{
    d->list = list;
    d->tag = tag;
    if (list)
        list->insertItem(this);
}

CListWidgeItem::CListWidgeItem(const CListWidgeItem *other)
    : QTreeWidgetItem(other && other->treeWidget() ? other->treeWidget() : nullptr)
    , d(new Private)
{
    if (other) {
        d->copySettings(*other->d);
        d->tag = other->d->tag;
        setSizeHint(0, QSize(-1, d->height));
    }
}

CListWidgeItem::~CListWidgeItem() = default;

CListWidgeItem &CListWidgeItem::operator=(const CListWidgeItem &other)
{
    if (this != &other) {
        d->copySettings(*other.d);
        emitDataChanged();
    }
    return *this;
}

bool CListWidgeItem::operator<(const QTreeWidgetItem &other) const
{
    const QTreeWidget *tree = treeWidget();
    const int column = tree ? tree->sortColumn() : 0;
    auto *row = const_cast<CListWidgeItem *>(dynamic_cast<const CListWidgeItem *>(&other));
    return row ? compare(row, column, true) < 0 : QTreeWidgetItem::operator<(other);
}

bool CListWidgeItem::doubleClicked(int, const QPoint &)
{
    return false;
}

CListWidge *CListWidgeItem::list() const
{
    return d->list;
}

int CListWidgeItem::tag() const
{
    return d->tag;
}

void CListWidgeItem::setNorm(const QColor &text, const QColor &background)
{
    d->normText = text;
    d->normBack = background;
}

void CListWidgeItem::setSelectedCol(const QColor &text, const QColor &background)
{
    d->selText = text;
    d->selBack = background;
}

void CListWidgeItem::setHoriLines(const QColor &c)
{
    d->horiLines = c;
}

void CListWidgeItem::setVertLines(const QColor &c)
{
    d->vertLines = c;
}

void CListWidgeItem::setNoLines(bool on)
{
    d->noLines = on;
}

void CListWidgeItem::setLineThick(int t)
{
    if (t >= 0)
        d->lineThick = t;
}

int CListWidgeItem::lineThick() const
{
    return d->lineThick;
}

void CListWidgeItem::setExpanded(bool on)
{
    d->expanded = on;
}

bool CListWidgeItem::isExpanded() const
{
    return d->expanded;
}

void CListWidgeItem::setPlaceholder(bool on)
{
    d->placeholder = on;
}

bool CListWidgeItem::isPlaceholder() const
{
    return d->placeholder;
}

void CListWidgeItem::setDragLocation(enum_DragInsertReplace location)
{
    d->dragLocation = location;
}

CListWidgeItem::enum_DragInsertReplace CListWidgeItem::dragLocation() const
{
    return d->dragLocation;
}

void CListWidgeItem::setHeight(int h)
{
    if (h < 1 || h == d->height)
        return;
    d->height = h;
    setSizeHint(0, QSize(-1, h));
}

int CListWidgeItem::height() const
{
    return d->height;
}

void CListWidgeItem::paintCell(QPainter *p, const QPalette &, int column, int width, int)
{
    const int h = d->height;
    const bool selected = isSelected();
    p->fillRect(0, 0, width, h, selected ? d->selBack : d->normBack);
    p->setPen(selected ? d->selText : d->normText);

    if (d->list) {
        const QVector<CListWidge::TSubColumn> &subs = d->list->getSubinfo(column);
        int x = 0;
        for (int k = 0; k < subs.size(); ++k) {
            const CListWidge::TSubColumn &s = subs.at(k);
            const int w = d->expanded ? s.expanded : s.compact;
            drawMySurround(p, x, w, d->expanded ? s.expandedFlags : s.compactFlags);
            if (!d->placeholder && w > 0) {
                const int r = d->list->getRealColumn(column, k);
                const QRect cell(x, 0, w, h);
                if (!isTextCell(r, 0)) {
                    const QPixmap pm = cellPixmap(r, selected);
                    if (!pm.isNull())
                        p->drawPixmap(QPoint(x, 0), pm,
                                      QRect(0, 0, qMin(w, pm.width()), qMin(h, pm.height())));
                } else {
                    const QString text = cellText(r, 0);
                    if (!text.isEmpty()) {
                        const int align = Qt::AlignVCenter
                                | (d->list->TitleCentred(column, k) ? Qt::AlignHCenter
                                                                    : Qt::AlignLeft);
                        p->drawText(cell, align, text);
                    }
                }
            }
            x += w;
        }
    }
    drawDropMark(p, column, width);
}

void CListWidgeItem::drawMySurround(QPainter *p, int x, int w, int flags)
{
    if (d->noLines || d->lineThick <= 0)
        return;
    const int t = d->lineThick;
    const int h = d->height;
    if (flags & LineFlag)
        p->fillRect(x + w - t, 0, t, h, d->vertLines);
    p->fillRect(x, h - t, w, t, d->horiLines);
}

void CListWidgeItem::drawDropMark(QPainter *p, int column, int width)
{
    const int h = d->height;
    const int t = d->lineThick;
    const QColor mark = d->selBack;
    switch (d->dragLocation) {
    case DragReplace:
        if (column == 0) {
            const int right = width - 1;
            const QPolygon triangle(
                    {QPoint(right - 5, 4), QPoint(right - 1, h / 2), QPoint(right - 5, h - 1 - 4)});
            p->save();
            p->setPen(mark);
            p->setBrush(mark);
            p->drawPolygon(triangle);
            p->restore();
        }
        break;
    case DragInsertBefore:
        p->save();
        p->setPen(QPen(mark, 2));
        if (column == 0)
            p->drawLine(width - 5, 5, width, 0);
        else
            p->drawLine(0, 0, width, 0);
        p->restore();
        break;
    case DragInsertAfter:
        p->save();
        p->setPen(QPen(mark, 2));
        if (column == 0)
            p->drawLine(width - 5, h - t - 4, width, h - t + 1);
        else
            p->drawLine(0, h - t + 1, width, h - t + 1);
        p->restore();
        break;
    case DragNone:
        break;
    }
}
