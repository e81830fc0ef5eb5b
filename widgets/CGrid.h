#ifndef CGRID_H
#define CGRID_H

#include "TMemProxy.h"
#include "TParamInfo.h"
#include "zb4r_widgets_export.h"

#include <QPixmap>
#include <QString>
#include <QWidget>

#include <memory>

class QPainter;

// The size of a column (width) or a row (height) and the number of one-pixel grid lines drawn
// after it.
struct CCellProp
{
    int cellSize = 13;
    int gridWidth = 1;
    bool operator==(const CCellProp &o) const
    {
        return cellSize == o.cellSize && gridWidth == o.gridWidth;
    }
    bool operator!=(const CCellProp &o) const { return !(*this == o); }
};

// The patch and assignment matrix: channels along one axis, fields (destinations, buses, bits)
// along the other. A ball in a cell shows that the channel is connected to the field; a click,
// or Space/Return on the keyboard cursor, toggles the connection by writing the channel's
// parameter.
//
// A connection is one bit of the channel's value (valueAsBitMask), or the channel's value being
// the field's value + 1 (selection mode, 0 = none). In multi-address mode (appendAddress) every
// field has its own parameter holding the channel number plus an offset.
//
// A receiver of "aboutToChangeValue" may cancel the change with
// setChangeOperationCancelled(true), but only when it is connected directly: the flag is read
// as soon as the signal returns.
class ZB4R_WIDGETS_EXPORT CGrid : public QWidget, public TMemProxy
{
    Q_OBJECT
    // Drawn centred in every connected cell; masked with its own heuristic mask. Null by default.
    Q_PROPERTY(QPixmap ballImg READ ballImg WRITE setBallImg)
    // Number of rows; 16 by default.
    Q_PROPERTY(int horCount READ horCount WRITE setHorCount)
    // Number of columns; 16 by default.
    Q_PROPERTY(int verCount READ verCount WRITE setVerCount)
    // Added to a field's bit number less 1; 1 by default (field f is bit f).
    Q_PROPERTY(int groupIndexStart READ groupIndexStart WRITE setGroupIndexStart)
    // Comma lists of column widths (2..50), row heights (2..50) and grid-line counts after
    // columns and rows (1..10); a missing or bad entry takes 13 or 1. Empty by default.
    Q_PROPERTY(QString cellWidths READ cellWidths WRITE setCellWidths)
    Q_PROPERTY(QString cellHeights READ cellHeights WRITE setCellHeights)
    Q_PROPERTY(QString gridWidths READ gridWidths WRITE setGridWidths)
    Q_PROPERTY(QString gridHeights READ gridHeights WRITE setGridHeights)
    // ";"-list of "first,last:b0,b1,..." giving channels first..last the bit of each field.
    // Empty by default.
    Q_PROPERTY(QString bitOrder READ bitOrder WRITE setBitOrder)
    // ";"-list of "(x,y,w,h)" cell rectangles that can't be toggled. Empty by default.
    Q_PROPERTY(QString disabledRects READ disabledRects WRITE setDisabledRects)
    // Width of the red line cursor, 2..9; 3 by default.
    Q_PROPERTY(int cursorThickness READ cursorThickness WRITE setCursorThickness)
    // Channels down the rows (default) or across the columns.
    Q_PROPERTY(GridOrientation orientation READ orientation WRITE setOrientation)
    // Connections are bits of the channel's value; false (selection mode) by default.
    Q_PROPERTY(bool valueAsBitMask READ valueAsBitMask WRITE setValueAsBitMask)
    // The channels' parameter: one address (its channel stands for every channel) or a ";"-list
    // of channel ranges.
    Q_PROPERTY(QString namedAddress READ namedAddress WRITE setNamedAddress)
    // False by default; the grid records its own undo steps for every toggle.
    Q_PROPERTY(bool undoEnable READ isUndoEnable WRITE setUndoEnable)
    // 0 by default.
    Q_PROPERTY(int numDefaultKind READ numDefaultKind WRITE setNumDefaultKind)
    ZB4R_MEMPROXY_SLOTS

public:
    enum GridOrientation { ChannelsDown = 0, ChannelsAcross = 1 };
    Q_ENUM(GridOrientation)

    // Bits in a parameter value.
    static constexpr int s_nMemApiBits = 32;

    explicit CGrid(QWidget *parent = nullptr, const char *name = nullptr);
    ~CGrid() override;

    QPixmap ballImg() const;
    int horCount() const;
    int verCount() const;
    int groupIndexStart() const;
    QString cellWidths() const;
    QString cellHeights() const;
    QString gridWidths() const;
    QString gridHeights() const;
    QString bitOrder() const;
    QString disabledRects() const;
    int cursorThickness() const;
    GridOrientation orientation() const;
    bool valueAsBitMask() const;
    int allFieldIndex() const;
    bool autoUpdates() const;
    void setAutoUpdates(bool on);

    // --- geometry (indexes outside the grid give 0, positions are clipped to it) ---------------
    int cellWidth(int col) const;
    int cellHeight(int row) const;
    int gridWidth(int col) const;
    int gridHeight(int row) const;
    void setCellWidth(int col, int width);
    void setCellHeight(int row, int height);
    void setGridWidth(int col, int width);
    void setGridHeight(int row, int height);
    int cellLeft(int col) const;
    int cellRight(int col) const;
    int cellTop(int row) const;
    int cellBottom(int row) const;
    // The first column (row) whose right (bottom) edge lies beyond x (y); cols() (rows()) when
    // none does.
    int pixelToIndexX(int x) const;
    int pixelToIndexY(int y) const;
    QRect index2PixelRect(int row, int col) const;
    int rows() const;
    int cols() const;
    int channels() const;
    int fields() const;
    int getChannelIndex(int row, int col) const;
    int getFieldIndex(int row, int col) const;
    int getGridRow(int channel, int field) const;
    int getGridCol(int channel, int field) const;
    QSize sizeHint() const override;

    // --- state ---------------------------------------------------------------------------------
    // Whether the cell is connected; fills info (when given) with the cell's parameter and value.
    // 0 without a ready memory.
    int valueAt(int row, int col, TParamInfo *info = nullptr);
    // The channel's value, reverse-swapped and less its multi-address offset; -1 without a
    // memory or an address.
    int getValue(int channel, bool alt = false);
    // The bit of field for channel: 1 << b, b = bit-order entry + groupIndexStart - 1; 0 when b
    // is negative or b mod 64 is 32 or more.
    quint32 getMemApiBitMask(int channel, int field) const;
    int fieldToValue(int field) const;
    void removeFieldRange(int from, int to);
    // Channel swaps: a <-> c forward (shown values), b <-> d reverse (read values).
    void swapChannels(int a, int b, int c, int d);
    int remapSwapValues(int value, bool forward) const;
    // Multi-address mode: field n (the n-th call) stores its connected channel plus offset (or
    // altOffset, when > 0, for channels at or above the alternative-channel threshold) in
    // (element, parameter, channel).
    void appendAddress(int element, int parameter, int channel, int offset, int altOffset);
    void setAltChannelThreshold(unsigned short threshold);
    // The address of the channel's parameter (null for none) and, in *index, the channel to
    // address it with (-1 for none).
    const TAddressRecord *lookupAddress(int channel, int *index);
    // Disconnects every connected cell of the row, as one undo step.
    void clearRow(int row);
    bool changeOperationCancelled() const;
    void setChangeOperationCancelled(bool cancelled);

    bool connectMemAPI() override;
    void disconnectMemAPI() override;

    // Draws the whole picture.
    void repaintScreenPrimitive(QPainter &painter);
    // Picture rebuilds so far (tests and benchmarks).
    int repaintCount() const;

public Q_SLOTS:
    void setHorCount(int count);
    void setVerCount(int count);
    void setGroupIndexStart(int start);
    void setCellWidths(const QString &widths);
    void setCellHeights(const QString &heights);
    void setGridWidths(const QString &widths);
    void setGridHeights(const QString &heights);
    void setBitOrder(const QString &order);
    void setDisabledRects(const QString &rects);
    void setCursorThickness(const int thickness);
    void setOrientation(const GridOrientation orientation);
    void setValueAsBitMask(bool on);
    void setAllFieldIndex(const int field);
    void setAllChannelsForField(const int field, const bool on);
    void setAllFieldsForChannel(const int channel, const int on);
    void clearAll();
    void onAutoUpdate();
    void onUpdate();

public:
    void setBallImg(const QPixmap &image);

Q_SIGNALS:
    void patchUpdated(int row, int col, bool connected);
    void cursorMoved(int col, int row);
    void kbCursorMoved(int col, int row);
    void aboutToChangeValue(CGrid *grid, int channel, int fieldValue, int newValue);
    void cursorOff();

protected:
    QVector<quint32> observedAddresses() const override;
    bool notificationsServable() const override;
    void updateFromMemory(const Q_UINT8 *data, int operation, Q_UINT32 extra) override;
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void initDefaultStyle();
    void initGridArea();
    void connectionChange(int row, int col, bool recordUndo);
    bool isCellDisabled(int row, int col) const;
    bool cellInGrid(int row, int col) const;
    void recordCells(const QVector<quint32> &cells);
    void moveCursor(int col, int row);
    void moveKeyboardCursor(int dCol, int dRow);
    void activationChanged(bool active);
    void lookChanged();
    void createAutoUpdaters();
    void applySizes(QString &stored, const QString &text, bool columns, int CCellProp::*field,
                    int lo, int hi, int fallback);

    struct CGrid_PD;
    std::unique_ptr<CGrid_PD> const d;
};

#endif
