#ifndef CPOPUP_H
#define CPOPUP_H

#include "COnOffButton.h"

#include <QSize>
#include <QStringList>
#include <QVector>

#include <memory>

class CPopupItem;

namespace NS_Utilities {
class IConfirmUserAction;
}

// The console's list selector: a button showing the name of the parameter's current value.
// Pressing it opens a grid of all value names below it (CPopupItem); picking one writes the
// matching raw value. The names come from `labels` or from the memory's value-name table
// (`tableId`). Entries can be removed at run time and a host object can veto a choice.
//
// Keys, once focusColor or enableFocusRect has made it focusable (Tab and the click): Space
// opens the grid; in the grid the arrow keys move the choice and Space, Return or Enter pick it.
class ZB4R_WIDGETS_EXPORT CPopup : public COnOffButton
{
    Q_OBJECT
    Q_PROPERTY(QString labels READ labels WRITE setLabels) // empty; names joined with ";"
    Q_PROPERTY(int columnsCount READ columnsCount WRITE setColumnsCount) // 12
    Q_PROPERTY(QSize labelSize READ labelSize WRITE setLabelSize) // 37 x 16
    Q_PROPERTY(int cellMargin READ cellMargin WRITE setCellMargin) // 3
    Q_PROPERTY(int cellSpacing READ cellSpacing WRITE setCellSpacing) // 1
    Q_PROPERTY(int tableId READ tableId WRITE setTableId) // 0: none
    Q_PROPERTY(
            QColor buttonTextColor READ buttonTextColor WRITE setButtonTextColor) // (165, 207, 211)
    Q_PROPERTY(bool grouping READ grouping WRITE setGrouping) // true
    Q_PROPERTY(
            bool labelSizeToContents READ labelSizeToContents WRITE setLabelSizeToContents) // false
    Q_PROPERTY(QString groupOverride READ groupOverride WRITE
                       setGroupOverride) // empty; reads back empty
    Q_PROPERTY(int groupMatchCnt READ groupMatchCnt WRITE setgroupMatchCnt) // 1
    Q_PROPERTY(QColor focusColor READ focusColor WRITE setFocusColor) // invalid
    Q_PROPERTY(Qt::Alignment alignment READ alignment WRITE setAlignment) // Qt::AlignCenter
    Q_PROPERTY(bool enableFocusRect READ enableFocusRect WRITE setEnableFocusRect) // false
    Q_PROPERTY(bool greyOnDisable READ greyOnDisable WRITE setGreyOnDisable) // false

public:
    // Margin added around measured label text.
    static const QSize smallBorder;

    // The name is applied to the widget, but the button look stays private.
    explicit CPopup(QWidget *parent = nullptr, const QString &name = QString());
    ~CPopup() override;

    QString labels() const;
    // The value names as a list (after a fetch from the memory's table).
    Q_INVOKABLE QStringList labelList() const;
    int columnsCount() const;
    QSize labelSize() const;
    int cellMargin() const;
    int cellSpacing() const;
    // The table id; also while the stored id marks the table as fetched.
    int tableId() const;
    QColor buttonTextColor() const;
    bool grouping() const;
    bool labelSizeToContents() const;
    QString groupOverride() const;
    int groupMatchCnt() const;
    QColor focusColor() const override;
    Qt::Alignment alignment() const;
    bool enableFocusRect() const;
    bool greyOnDisable() const;

    Q_INVOKABLE int currentSelection() const;
    // The list entry's raw value without the value offset (index clamped, mapping applied).
    int calculateValueFromIndex(int index) const;
    // The raw value written for index: calculateValueFromIndex() plus the value offset.
    int rawValueFromIndex(int index) const;
    // The entry showing raw value, or -1.
    int indexFromRawValue(int raw) const;
    // Raw value of entry 0, taken from the parameter's minimum.
    int valueOffset() const;

    // The open pop-up, or null.
    CPopupItem *PopupItem() const;
    // Closes an open pop-up without choosing; true if one was open.
    bool cancel();
    void setUserConfirmAction(NS_Utilities::IConfirmUserAction *confirm);
    QVector<quint16> getGroupOverride() const;
    void setRefCon(unsigned int refCon);
    unsigned int refCon() const;
    void removeMenuEntry(int index);
    void removeMenuRange(int first, int last);
    void mappingsDelete();
    // Fetches the names of the memory's table once (run before every use of the list).
    void createDynamicStringList();
    void updateLabelSize();

    void repaintScreenPrimitive(QPainter &painter) override;

public Q_SLOTS:
    void setAlignment(int alignment);
    void setAlignment(Qt::Alignment alignment);
    void setFocusColor(const QColor &color) override;
    void setLabels(const QString &text);
    void setColumnsCount(int columns);
    void setLabelSize(const QSize &size);
    void setCellMargin(int margin);
    void setCellSpacing(int spacing);
    // Selects an entry and writes its raw value (unless the change comes from the memory).
    void setSelection(int index);
    // A user's pick: asks the confirmation object first.
    void setSelectionConfirm(int index);
    // Shows a value without writing or signalling.
    void setSelectText(int value);
    void setSelectText(int value, bool useMapping);
    void updateErasePixmapBridge();
    void setTableId(int id);
    void setButtonTextColor(const QColor &color);
    void setGrouping(bool on);
    void setLabelSizeToContents(bool on);
    void setGroupOverride(const QString &text);
    void setgroupMatchCnt(int count);
    void dynamicPopup();
    void forceDynamicListRecreation(int unused);
    void setEnableFocusRect(bool on);
    void setGreyOnDisable(bool on);

public:
    // The conventional spelling of setgroupMatchCnt(), which uic-generated forms call.
    void setGroupMatchCnt(int count) { setgroupMatchCnt(count); }

Q_SIGNALS:
    void selectionChanged(int index);
    void selectionChanged(int index, CPopup *selector);
    void updateTableId(int storedId);
    void closePopup();
    void dynamicListCreated(CPopup *selector);

protected:
    void updateFromMemory(const Q_UINT8 *data, int operation, Q_UINT32 extra) override;
    void updateErasePixmap() override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    bool isTextMode() const;
    // Paints the text-mode picture: background, label, focus rectangle.
    void drawAll(QPainter *painter);
    void showText(const QString &text);
    QString labelAt(int index) const;

    struct CPopup_PD;
    std::unique_ptr<CPopup_PD> const d;
};

#endif
