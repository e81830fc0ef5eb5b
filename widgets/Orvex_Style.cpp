#include "Orvex_Style.h"

#include "ListWidge.h"

#include <QHeaderView>
#include <QPainter>
#include <QStyleFactory>
#include <QStyleOptionHeader>

#include <cstdlib>

COrvexStyle::COrvexStyle(CListWidge *list, const QColor &fill, const QColor &line,
                         const QColor &text)
    : QProxyStyle(QStyleFactory::create(QStringLiteral("Windows")))
    , m_fill(fill)
    , m_text(text)
    , m_line(line)
    , m_list(list)
{
    // QWidget::setStyle() does not take ownership: the list does.
    setParent(list);
    blockSignals(true);
}

COrvexStyle::~COrvexStyle() = default;

QColor COrvexStyle::fillColour() const
{
    return m_fill;
}

QColor COrvexStyle::lineColour() const
{
    return m_line;
}

QColor COrvexStyle::textColour() const
{
    return m_text;
}

int COrvexStyle::lineWidth() const
{
    return m_lineWidth;
}

void COrvexStyle::setFillColour(const QColor &c)
{
    m_fill = c;
}

void COrvexStyle::setLineColour(const QColor &c)
{
    m_line = c;
}

void COrvexStyle::setTextColour(const QColor &c)
{
    m_text = c;
}

void COrvexStyle::drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                              const QWidget *widget) const
{
    const auto *header = qstyleoption_cast<const QStyleOptionHeader *>(option);
    if (element == CE_HeaderSection && header) {
        const QRect r = option->rect;
        drawOrvexButton(painter, r.x(), r.y(), r.width(), r.height(), option->state & State_Sunken,
                        false, option->state & State_Raised,
                        qobject_cast<const QHeaderView *>(widget) ? header->section : -1);
        return;
    }
    if (element == CE_HeaderLabel) {
        if (header && qobject_cast<const QHeaderView *>(widget))
            drawHeaderLabel(painter, option->rect, header->section);
        return;
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}

void COrvexStyle::drawOrvexButton(QPainter *p, int x, int y, int w, int h, bool, bool, bool,
                                  int section) const
{
    drawOrvexGradient(p, x, y, w, h);
    drawOrvexFrame(p, x, y, w, h, section);
}

void COrvexStyle::drawOrvexGradient(QPainter *p, int x, int y, int w, int h) const
{
    p->fillRect(x, y, w + 3, h + 3, m_fill);
}

void COrvexStyle::drawOrvexFrame(QPainter *p, int x, int y, int w, int h, int section) const
{
    const int lw = m_lineWidth;
    if (section >= 0 && m_list && m_list->ColumnDivide(section))
        p->fillRect(x + w - lw, y, lw, h, m_line);
    // The bottom edge, inside the section.
    p->fillRect(x, y + h - lw, w, lw, m_line);
}

void COrvexStyle::drawHeaderLabel(QPainter *p, const QRect &rect, int section) const
{
    if (!m_list || section < 0)
        return;
    p->save();
    p->setPen(QPen(m_text, 1, Qt::SolidLine));
    const QString main = m_list->getColumnText(section, 0, false);
    if (!main.isEmpty()) {
        const int h = m_list->TitleCentred(section, section + 1) ? Qt::AlignHCenter : Qt::AlignLeft;
        p->drawText(rect, Qt::AlignTop | h, main);
    }
    const QStringList widths =
            m_list->getSubWidths(section).split(QLatin1Char(':'), Qt::SkipEmptyParts);
    int left = rect.left();
    for (int i = 0; i < widths.size(); ++i) {
        // The header reads the compact width only: atoi stops at "?".
        const int w = qMax(0, std::atoi(widths.at(i).toLatin1().constData()));
        const QString sub = m_list->getColumnText(section, i, true);
        if (!sub.isEmpty()) {
            const int h = m_list->TitleCentred(section, i) ? Qt::AlignHCenter : Qt::AlignLeft;
            p->drawText(QRect(QPoint(left, rect.top()), QPoint(left + w - 1, rect.bottom())),
                        Qt::AlignBottom | h, sub);
        }
        left += w;
    }
    p->restore();
}
