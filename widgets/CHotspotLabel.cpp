#include "CHotspotLabel.h"

#include <QMouseEvent>

CHotspotLabel::CHotspotLabel(QWidget *parent, const char *name)
    : CLabelDisplay(parent, name)
{
}

CHotspotLabel::~CHotspotLabel() = default;

QRect CHotspotLabel::hotSpot() const
{
    return m_hotSpot;
}

void CHotspotLabel::setHotSpot(const QRect &rect)
{
    m_hotSpot = rect;
}

ButtonState CHotspotLabel::hotButtons() const
{
    return m_hotButtons;
}

void CHotspotLabel::setHotButtons(ButtonState buttons)
{
    m_hotButtons = buttons;
}

bool CHotspotLabel::isHot(const QPoint &pos) const
{
    // QRect::contains() would normalise a negative rectangle; such a hot spot is none.
    return m_hotSpot.isValid() && m_hotSpot.contains(pos, true);
}

ButtonState CHotspotLabel::doubleClickState(const QMouseEvent &event)
{
    return int(event.modifiers()) | int(event.buttons() & ~event.button());
}

void CHotspotLabel::mousePressEvent(QMouseEvent *event)
{
    // Presses are the label's own: they go no further.
    event->accept();
    if ((int(event->button()) & m_hotButtons) && isHot(event->position().toPoint()))
        Q_EMIT hotspotClicked();
}

void CHotspotLabel::mouseDoubleClickEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() != Qt::LeftButton || !isHot(event->position().toPoint()))
        return;
    Q_EMIT hotspotDoubleClicked();
    Q_EMIT hotspotDoubleClicked(doubleClickState(*event));
}
