#ifndef LISTWIDGE_H
#define LISTWIDGE_H

#include "zb4r_widgets_export.h"

#include <QColor>
#include <QList>
#include <QTreeWidget>
#include <QVector>

#include <memory>

class CListWidgeDrag;
class CListWidgeItem;
class COnOffButton;
class COrvexStyle;
class IMemAPI;

// The library (preset) list: one row per library slot, with columns drawn by the rows. It runs
// the library commands (store, recall, clear, clear all, undo, protect) on the selected rows
// through the rows' own operations, asks the confirmations, shows the progress of long commands,
// keeps the window's command buttons enabled to suit the selection, edits a slot name in place
// or picks a value from a pop-up, and moves or copies slot contents by drag and drop. A partner
// list makes undo and focus span both lists of a two-list window.
//
// Columns: strColSizes and strColTitles are ";"-lists, one piece per column. A size piece is a
// ":"-list of sub-columns, each a number or "compact?expanded"; the number's first decimal
// carries flags: 1 centres the sub-column's text, 2 draws a vertical line at its right edge, 4
// on a column's last sub-column draws a divider in the header. A title piece is
// "Main:sub0:sub1...". Cells are addressed by real column: the sub-columns of the earlier
// columns plus the sub-column index (a column without sizes counts one).
class ZB4R_WIDGETS_EXPORT CListWidge : public QTreeWidget
{
    Q_OBJECT
    Q_PROPERTY(QColor colTitle READ colTitle WRITE setColTitle) // (197, 198, 254)
    Q_PROPERTY(QColor colTitleBorder READ colTitleBorder WRITE setcolTitleBorder) // black
    Q_PROPERTY(QColor colNormText READ colNormText WRITE setColNormText) // (184, 208, 254)
    Q_PROPERTY(QColor colSelectBack READ colSelectBack WRITE setColSelectBack) // (184, 208, 254)
    Q_PROPERTY(QColor colSelectText READ colSelectText WRITE setColSelectText) // (17, 22, 38)
    Q_PROPERTY(QColor colVertLines READ colVertLines WRITE setVertLines) // (0, 0, 0)
    Q_PROPERTY(QColor colHoriLines READ colHoriLines WRITE setHoriLines) // (35, 43, 102)
    Q_PROPERTY(QString strColTitles READ strColTitles WRITE setColTitles) // empty
    Q_PROPERTY(QColor colourTitleTxt READ colourTitleTxt WRITE setColourTitleTxt) // white
    Q_PROPERTY(QString strColSizes READ strColSizes WRITE setColSizes) // empty
    Q_PROPERTY(int iLineThick READ lineThick WRITE setLineThick) // 1
    Q_PROPERTY(int iRowHeight READ rowHeight WRITE setRowHeight) // 24
    Q_PROPERTY(bool bDoCentreSel READ doCentreSel WRITE setDoCentreSel) // false

public:
    // One sub-column of a column's size piece.
    struct TSubColumn
    {
        int compact = 0;
        int expanded = 0;
        int compactFlags = 0;
        int expandedFlags = 0;
    };

    // Repeat period and step of the automatic scrolling during a drag, and its bands.
    static constexpr int AutoScrollMs = 100;
    static constexpr int AutoScrollStep = 40;
    static constexpr int AutoScrollBand = 15;

    explicit CListWidge(QWidget *parent = nullptr, const char *name = nullptr);
    ~CListWidge() override;

    QColor colTitle() const;
    QColor colTitleBorder() const;
    QColor colNormText() const;
    QColor colSelectBack() const;
    QColor colSelectText() const;
    QColor colVertLines() const;
    QColor colHoriLines() const;
    QString strColTitles() const;
    QColor colourTitleTxt() const;
    QString strColSizes() const;
    int lineThick() const;
    int rowHeight() const;
    bool doCentreSel() const;

    // The conventional spellings that uic-generated forms call.
    void setColTitleBorder(const QColor &c) { setcolTitleBorder(c); }
    void setColVertLines(const QColor &c) { setVertLines(c); }
    void setColHoriLines(const QColor &c) { setHoriLines(c); }
    void setStrColTitles(const QString &s) { setColTitles(s); }
    void setStrColSizes(const QString &s) { setColSizes(s); }
    void setILineThick(int t) { setLineThick(t); }
    void setIRowHeight(int h) { setRowHeight(h); }
    void setBDoCentreSel(bool on) { setDoCentreSel(on); }

    bool recallAllowed() const;
    void setRecallAllowed(bool on);
    int contentType() const;
    CListWidge *partner() const;
    void setPartner(CListWidge *partner);
    COrvexStyle *headerStyle() const;

    // --- commands -----------------------------------------------------------------------------
    void Store();
    void Recall();
    void Clear();
    void ClearAll();
    void Undo(bool alsoPartner);
    void Protect();
    void setStore(COnOffButton *b);
    void setRecall(COnOffButton *b);
    void setClear(COnOffButton *b);
    void setUndo(COnOffButton *b);
    void setProtect(COnOffButton *b);

    // --- services for rows --------------------------------------------------------------------
    void doEditBox(CListWidgeItem *row, int column, QString &text, QRect &rect, int maxLength);
    void doPopup(CListWidgeItem *row, int column, int selection, QRect &rect, int selectIndex,
                 IMemAPI *memory, int tableId, QSize labelSize);
    // Gives row the list's grid-line colours, row height and colours (not the line thickness)
    // and appends it unless it is in the list already.
    void insertItem(CListWidgeItem *row);
    // A column's size piece, "" when it has none.
    QString getSubWidths(unsigned int column) const;
    // The parsed sub-columns of a column (empty without a size piece).
    const QVector<TSubColumn> &getSubinfo(int column) const;
    // The column's width: the sum of its sub-column widths for the current expanded state.
    int getTitleWidth(unsigned int column) const;
    // Sub-column index of column is centred (flag 1).
    bool TitleCentred(int column, int index) const;
    // The column's last sub-column asks for a header divider (flag 4).
    bool ColumnDivide(int column) const;
    void setExpanded(bool on);
    // The editor and the pop-up, once made.
    QWidget *nameEditor() const;
    QWidget *valuePopup() const;
    bool isEditing() const;

    // Builds the drag payload of the selected rows and remembers the drag origin, as a drag
    // start does; null when a row blocks the drag or no record exists. *move tells a move.
    std::unique_ptr<CListWidgeDrag> makeDragObject(bool *move);
    // The row marked as drop target, null without one.
    CListWidgeItem *dropTarget() const;
    bool isAutoScrolling() const;

public Q_SLOTS:
    void scrollTimerDone();
    void editDoneUpd();
    void editDoneCan();
    void popupDoneUpd();
    void setColTitle(const QColor &c);
    void setcolTitleBorder(const QColor &c);
    void setColNormText(const QColor &c);
    void setColSelectBack(const QColor &c);
    void setColSelectText(const QColor &c);
    void setVertLines(const QColor &c);
    void setHoriLines(const QColor &c);
    void setColSizes(const QString &s);
    void setColTitles(const QString &s);
    void setColourTitleTxt(const QColor &c);
    // Negative thicknesses are ignored.
    void setLineThick(const int t);
    // Heights below 1 are ignored.
    void setRowHeight(const int h);
    void slotSelectionChanged();
    void slotSelectionChanged(QTreeWidgetItem *item);
    void slotContentsMoving(int x, int y);
    void setDoCentreSel(const bool on);
    void doubleClickedSlot(QTreeWidgetItem *item, const QPoint &pos, int column);
    void clickedSlot(QTreeWidgetItem *item);
    QString getColumnText(const int column, const int sub, const bool isSub) const;
    bool getExpanded() const;
    int getRealColumn(const int column, const int sub) const;
    void setContentType(const int type);

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool focusNextPrevChild(bool next) override;
    void wheelEvent(QWheelEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    bool viewportEvent(QEvent *event) override;
    void startDrag(Qt::DropActions supported) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private Q_SLOTS:
    void onItemDoubleClicked(QTreeWidgetItem *item, int column);
    void onCurrentItemChanged(QTreeWidgetItem *current, QTreeWidgetItem *previous);

private:
    struct Private;
    std::unique_ptr<Private> const d;
    friend struct Private;
};

#endif
