#ifndef CMENUOBJECT_H
#define CMENUOBJECT_H

#include "zb4r_widgets_export.h"

#include <QMenu>
#include <QPointer>

class QAction;

// The menu a pull-down drops: checkable entries, each carrying its menu id in its action's data.
// It opens under its owner, lets the release of the opening click pass, and tells the owner with
// a left-button release at (0, 0) whenever it goes away (a choice, Escape, a click elsewhere).
class ZB4R_WIDGETS_EXPORT CMenuObject : public QMenu
{
    Q_OBJECT
public:
    explicit CMenuObject(QWidget *owner = nullptr, const char *name = nullptr);
    ~CMenuObject() override;

    using QMenu::popup;
    // Opens at the owner's bottom-left pixel and remembers the owner.
    void popup(QWidget *owner);
    QWidget *owner() const;
    // Forgets the owner (its destructor calls this), so no release is sent to it any more.
    void forgetOwner();

    // Adds a checkable entry carrying id.
    QAction *insertItem(const QString &text, int id);
    // The menu id an entry carries (-1 for an action that is not an entry).
    static int menuId(const QAction *action);

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    // A menu closed by a choice or Escape is hidden, not closed: the owner hears of it here.
    void hideEvent(QHideEvent *event) override;

private:
    void releaseOwner();

    QPointer<QWidget> m_owner;
};

#endif
