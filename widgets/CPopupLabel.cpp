#include "CPopupLabel.h"

#include "CPopupItem.h"

#include <QEvent>
#include <QPainter>

namespace {

// Darkening factor of the selected cell's highlight.
constexpr int kSelectedDarkFactor = 200;

} // namespace

CPopupLabel::CPopupLabel(QWidget *parent)
    : QPushButton(parent)
{
    setBackgroundRole(QPalette::Window);
    // Keys belong to the window, which moves the highlight over the grid.
    setFocusPolicy(Qt::NoFocus);
}

QSize CPopupLabel::sizeHint() const
{
    return maximumSize();
}

bool CPopupLabel::event(QEvent *event)
{
    if (event->type() != QEvent::Polish)
        return QPushButton::event(event);
    const bool handled = QPushButton::event(event);
    preparePalettes();
    return handled;
}

void CPopupLabel::preparePalettes()
{
    m_normal = palette();
    m_current = m_normal;

    m_hover = m_normal;
    m_hover.setColor(QPalette::Active, QPalette::Button,
                     m_normal.color(QPalette::Active, QPalette::Highlight));
    m_hover.setColor(QPalette::Active, QPalette::ButtonText,
                     m_normal.color(QPalette::Active, QPalette::HighlightedText));

    m_selected = m_normal;
    m_selected.setColor(
            QPalette::Active, QPalette::Button,
            m_normal.color(QPalette::Active, QPalette::Highlight).darker(kSelectedDarkFactor));
    m_selected.setColor(QPalette::Active, QPalette::ButtonText,
                        m_normal.color(QPalette::Active, QPalette::BrightText));
}

void CPopupLabel::applyPalette(const QPalette &p)
{
    m_current = p;
    setPalette(p);
    update();
}

void CPopupLabel::pushPalette(const QPalette &p)
{
    m_previous = m_current;
    m_hasPrevious = true;
    applyPalette(p);
}

void CPopupLabel::popPalette()
{
    if (!m_hasPrevious)
        return;
    applyPalette(m_previous);
}

void CPopupLabel::setSelectedPalette()
{
    applyPalette(m_selected);
}

void CPopupLabel::setNormalPalette()
{
    applyPalette(m_normal);
}

void CPopupLabel::setHoverPalette()
{
    pushPalette(m_hover);
}

CPopupLabel::Look CPopupLabel::look() const
{
    const QColor face = m_current.color(QPalette::Active, QPalette::Button);
    const QColor text = m_current.color(QPalette::Active, QPalette::ButtonText);
    const auto is = [&](const QPalette &p) {
        return face == p.color(QPalette::Active, QPalette::Button)
                && text == p.color(QPalette::Active, QPalette::ButtonText);
    };
    if (is(m_selected))
        return Look::Selected;
    if (is(m_hover))
        return Look::Hover;
    if (is(m_normal))
        return Look::Normal;
    return Look::Other;
}

void CPopupLabel::customPressed()
{
    if (auto *window = qobject_cast<CPopupItem *>(parentWidget()))
        window->customClose(this, true);
}

void CPopupLabel::enterEvent(QEnterEvent *event)
{
    QPushButton::enterEvent(event);
    if (auto *window = qobject_cast<CPopupItem *>(parentWidget()))
        window->setHighlightedItem(this);
}

void CPopupLabel::paintEvent(QPaintEvent *)
{
    // No bevel: a cell is its face colour and its text.
    QPainter painter(this);
    drawButton(&painter);
}

void CPopupLabel::drawButton(QPainter *painter)
{
    // The cell looks are defined in the active group, whatever the window's activation.
    const QPalette &p = m_current;
    painter->fillRect(rect(), p.color(QPalette::Active, QPalette::Button));
    painter->setPen(p.color(QPalette::Active, QPalette::ButtonText));
    painter->drawText(rect(), Qt::AlignVCenter | Qt::AlignLeft, text());
}
