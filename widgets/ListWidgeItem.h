#ifndef LISTWIDGEITEM_H
#define LISTWIDGEITEM_H

#include "zb4r_widgets_export.h"

#include <QColor>
#include <QPixmap>
#include <QTreeWidgetItem>

#include <memory>

class CListWidge;
class IPreferenceSource;
class QPainter;
class QPalette;

// One row of the library list. It owns the row's colours and grid lines, paints its cells from
// the list's column specification and shows the drop marks of a drag passing over it. The host
// derives its rows from it and implements the slot operations; the list runs every command
// through them.
class ZB4R_WIDGETS_EXPORT CListWidgeItem : public QTreeWidgetItem
{
public:
    enum enum_DragInsertReplace {
        DragNone = 0,
        DragReplace = 1,
        DragInsertBefore = 3,
        DragInsertAfter = 4
    };

    // Appends the row to list with the list's colours and row height (see CListWidge::insertItem).
    CListWidgeItem(int tag, CListWidge *list);
    // A row after other in other's list, with other's colours, lines, expanded and placeholder
    // flags.
    explicit CListWidgeItem(const CListWidgeItem *other);
    ~CListWidgeItem() override;
    // Copies the settings the copying constructor copies.
    CListWidgeItem &operator=(const CListWidgeItem &other);

    virtual int compare(CListWidgeItem *other, int column, bool ascending) const = 0;
    bool operator<(const QTreeWidgetItem &other) const override;

    // --- slot operations, implemented by the host ----------------------------------------------
    virtual int slotNumber() = 0;
    virtual QString cellText(int column, int reserved) = 0;
    virtual QPixmap cellPixmap(int column, bool selected) = 0;
    // False when the slot cannot be read.
    virtual bool getSlotData(QByteArray &data) = 0;
    virtual void setSlotData(const QByteArray &data) = 0;
    virtual bool isTextCell(int column, int reserved) = 0;
    virtual void popupDone(int column, int selection, int extra) = 0;
    virtual void editDone(int column, const QString &text) = 0;
    // Empty on success, else the message shown.
    virtual QString storeSlot() = 0;
    virtual QString recallSlot() = 0;
    virtual QString clearSlot() = 0;
    virtual void undoSlot() = 0;
    virtual QString toggleProtect() = 0;
    virtual bool isReadOnly() = 0;
    virtual bool isProtected() = 0;
    virtual bool isUsed() = 0;
    virtual bool undoAvailable() = 0;
    // May be null.
    virtual IPreferenceSource *preferenceSource() = 0;
    virtual void clearUndo() = 0;
    virtual QString libraryName() = 0;
    // True when the row changed and must be repainted. The default does nothing.
    virtual bool doubleClicked(int column, const QPoint &pos);

    // --- look ---------------------------------------------------------------------------------
    CListWidge *list() const;
    int tag() const;
    void setNorm(const QColor &text, const QColor &background);
    void setSelectedCol(const QColor &text, const QColor &background);
    void setHoriLines(const QColor &c);
    void setVertLines(const QColor &c);
    void setNoLines(bool on);
    // Negative thicknesses are ignored.
    void setLineThick(int t);
    int lineThick() const;
    void setExpanded(bool on);
    bool isExpanded() const;
    void setPlaceholder(bool on);
    bool isPlaceholder() const;
    void setDragLocation(enum_DragInsertReplace location);
    enum_DragInsertReplace dragLocation() const;
    // Heights below 1 are ignored.
    void setHeight(int h);
    int height() const;

    // Paints one cell (width x height()) at the painter's origin.
    void paintCell(QPainter *p, const QPalette &palette, int column, int width, int align);

private:
    void drawMySurround(QPainter *p, int x, int w, int flags);
    void drawDropMark(QPainter *p, int column, int width);

    struct Private;
    std::unique_ptr<Private> d;
};

#endif
