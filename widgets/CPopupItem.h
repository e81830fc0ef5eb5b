#ifndef CPOPUPITEM_H
#define CPOPUPITEM_H

#include "zb4r_widgets_export.h"

#include <QLabel>
#include <QPointer>
#include <QStringList>
#include <QVector>

class CPopup;
class CPopupLabel;

// The selection grid a CPopup opens: a pop-up window below the selector with one CPopupLabel per
// value name. Names are split into groups (by common prefix or explicit sizes), each group
// starting on a new row. Driven by hover and click or by the arrow keys and Space/Return/Enter.
class ZB4R_WIDGETS_EXPORT CPopupItem : public QLabel
{
    Q_OBJECT
public:
    CPopupItem(CPopup *owner, const QStringList &labels, QWidget *parent = nullptr);
    ~CPopupItem() override;

    // Group sizes of labels: one group without grouping, else runs of a common prefix of
    // matchCount characters, or the override sizes (the last one read repeats). Stops at the
    // list's end.
    static QVector<int> initGrouping(const QStringList &labels, bool grouping, int matchCount,
                                     const QVector<quint16> &overrideSizes);
    // Length of the run of labels from position start that begin with prefix (at least 1).
    static int countLabels(const QStringList &labels, int start, const QString &prefix);

    int selectedItem() const;
    int highlightedItem() const;
    // Label index of each grid cell, row by row; -1 for an empty cell.
    const QVector<QVector<int>> &gridRows() const;
    // The cell of a label index, or null.
    CPopupLabel *cell(int index) const;
    void setHighlightedItem(QWidget *cell);
    // Neighbours of an index, wrapping (vertical moves skip empty cells).
    int nextLeft(int index) const;
    int nextRight(int index) const;
    int nextUp(int index) const;
    int nextDown(int index) const;
    // Grid position of a label index; false when it is not in the grid.
    bool findGridPos(int index, int *row, int *column) const;
    // Marks the cell selected and hands the first label of its text to the owner.
    void applyPopupItemLabel(CPopupLabel *cell);

public Q_SLOTS:
    void popup();
    void customClose(CPopupLabel *cell, bool choose);
    void cancelClose();
    void adjustPositionToRect();
    void setPopupParent(CPopup *owner);
    CPopup *getPopupParent() const;
    void setSelectedItem(int index);
    void updateSelected(int index);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    CPopupLabel *createLabel(const QSize &size, const QString &text);
    void buildGrid();
    void highlight(int index);
    int stepVertically(int index, int direction) const;

    int m_selected = -1;
    int m_highlighted = -1;
    QStringList m_labels;
    QPointer<CPopup> m_owner;
    int m_columns = 1;
    QVector<QVector<int>> m_grid;
    QVector<CPopupLabel *> m_cells;
};

#endif
