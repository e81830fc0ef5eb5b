#ifndef CGEQCURVE_H
#define CGEQCURVE_H

#include "TMemProxy.h"
#include "zb4r_widgets_export.h"

#include <QWidget>

#include <memory>

class QColor;
class QPainter;

// The overall response of a 31-band graphic EQ as one vertical bar per pixel column. The bound
// parameter p is band 1; bands 1..31 are p .. p + 30 in tenths of a dB, p + 31 belongs to the
// block, and parameter 3 of the element selects the display: 0..2 boost and cut over +-20 dB,
// anything above (read as unsigned 16 bits, so -1 too) cut only over 40 dB from the top edge.
//
// Display only, apart from the memory's defaults, copy and paste, which move p .. p + 31. The
// curve is summed from the band-shape rows with integer additions on every paint; a burst of
// notifications merges into one paint.
class ZB4R_WIDGETS_EXPORT CGEQCurve : public QWidget, public TMemProxy
{
    Q_OBJECT
    Q_PROPERTY(QString namedAddress READ namedAddress WRITE setNamedAddress) // empty
    Q_PROPERTY(bool undoEnable READ isUndoEnable WRITE setUndoEnable) // false
    Q_PROPERTY(int numDefaultKind READ numDefaultKind WRITE setNumDefaultKind) // 0
    ZB4R_MEMPROXY_SLOTS

public:
    static constexpr int Bands = 31;
    // Parameters p .. p + 31 that defaults, copy and paste move.
    static constexpr int BlockParameters = 32;
    // Absolute parameter of the element that holds the display mode.
    static constexpr int ModeParameter = 3;
    static constexpr int CurvePoints = 271;

    explicit CGEQCurve(QWidget *parent = nullptr, const char *name = nullptr);
    ~CGEQCurve() override;

    // The palette's Window texture, else 40 x 30.
    QSize sizeHint() const override;

    // Sums the band gains of the memory into the curve, clamped to minimum..maximum after each
    // addition (curve units, 1/512 dB).
    void lcd_GEQGrfGainDataAdd(short maximum, short minimum);
    // Draws the bars of the curve for mode, in the palette's WindowText colour.
    void lcd_GEQGraphDraw(unsigned short mode, QPainter &painter);
    // The whole picture: background, curve, bars.
    void repaintScreenPrimitive(QPainter &painter);

    // The bars of curve (CurvePoints values) for a widget of size: columns 1 .. width - 2 each
    // sample one point; boost bars rise from the middle row, cut bars hang below it or, in mode
    // > 2, from the top edge.
    static void drawCurveBars(QPainter &painter, const qint16 *curve, unsigned short mode,
                              const QSize &size, const QColor &colour);
    // Length in pixels of the bar for curve value v on a widget height pixels high.
    static int barLength(int v, unsigned short mode, int height);

    // The display mode the memory holds (0 without memory), and the last summed curve.
    unsigned short displayMode();
    const qint16 *curve() const;

protected:
    QVector<quint32> observedAddresses() const override;
    void updateFromMemory(const Q_UINT8 *data, int operation, Q_UINT32 extra) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void resetBlock();
    void copyBlock(QDataStream *stream);
    void pasteBlock(QDataStream *stream);
    bool readable();

    struct Private;
    std::unique_ptr<Private> const d;
};

#endif
