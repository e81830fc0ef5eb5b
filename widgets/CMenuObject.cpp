#include "CMenuObject.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QMouseEvent>

CMenuObject::CMenuObject(QWidget *owner, const char *name)
    : QMenu(owner)
{
    if (name)
        setObjectName(QString::fromLatin1(name));
    setMouseTracking(true);
}

CMenuObject::~CMenuObject() = default;

void CMenuObject::popup(QWidget *owner)
{
    m_owner = owner;
    if (!owner)
        return;
    QMenu::popup(owner->mapToGlobal(QPoint(0, owner->height() - 1)));
}

QWidget *CMenuObject::owner() const
{
    return m_owner;
}

void CMenuObject::forgetOwner()
{
    m_owner = nullptr;
}

QAction *CMenuObject::insertItem(const QString &text, int id)
{
    QAction *action = addAction(text);
    action->setCheckable(true);
    action->setData(id);
    return action;
}

int CMenuObject::menuId(const QAction *action)
{
    bool ok = false;
    const int id = action ? action->data().toInt(&ok) : -1;
    return ok ? id : -1;
}

void CMenuObject::mouseReleaseEvent(QMouseEvent *event)
{
    // The release of the click that opened the menu lands outside it: it must neither pick an
    // entry nor close the menu.
    if (rect().contains(event->position().toPoint()))
        QMenu::mouseReleaseEvent(event);
}

void CMenuObject::mouseMoveEvent(QMouseEvent *event)
{
    QMenu::mouseMoveEvent(event);
}

void CMenuObject::closeEvent(QCloseEvent *event)
{
    event->accept();
}

void CMenuObject::hideEvent(QHideEvent *event)
{
    QMenu::hideEvent(event);
    releaseOwner();
}

void CMenuObject::releaseOwner()
{
    if (!m_owner)
        return;
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(0, 0),
                        m_owner->mapToGlobal(QPointF(0, 0)), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(m_owner, &release);
}
