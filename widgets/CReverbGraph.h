#ifndef CREVERBGRAPH_H
#define CREVERBGRAPH_H

#include "RevShape.h"
#include "TMemProxy.h"
#include "zb4r_widgets_export.h"

#include <QList>
#include <QPolygon>
#include <QWidget>

#include <memory>

class QPainter;
class ReverbKnob;

// The reverb editor's graph: over the background (the palette's Window texture) it shows the
// envelope at 100 Hz, 1 kHz and 10 kHz (filled and outlined, back to front), the reverb time
// over frequency and the filter curve, with ten draggable knobs (ReverbKnob) that edit the
// parameters. The picture is a floor in perspective: time across from x 39 to 319 on row 293,
// frequency up the diagonal from (39, 293) to (129, 203), levels straight up by 84 pixels
// (rows 293 to 209) for 60 dB.
//
// Values reach the graph only through its knobs, which are bound to "FEkEffect/kEffectParam1"
// .."10" in creation order when the graph connects; the graph's own address
// ("FEkEffect/kEffectType" in the demo) only lets the memory connect it.
//
// Start state: Large_Hall with its preset applied, auto zoom off, zoom 4 (from AutoZoom(11)).
// The edit marker is a dotted line from the dragged knob down to the floor row it edits.
class ZB4R_WIDGETS_EXPORT CReverbGraph : public QWidget, public TMemProxy
{
    Q_OBJECT
    // Reverb type; Large_Hall at start.
    Q_PROPERTY(revType reverbType READ reverbType WRITE setReverbType)
    // Time-axis zoom level 0..8 (500 ms .. 50 s); 4 at start.
    // Not the user property: setZoom() announces every call, changed or not.
    Q_PROPERTY(int zoom READ zoom WRITE setZoom NOTIFY zoomUpdated)
    Q_PROPERTY(QString namedAddress READ namedAddress WRITE setNamedAddress)
    Q_PROPERTY(bool undoEnable READ isUndoEnable WRITE setUndoEnable)
    Q_PROPERTY(int numDefaultKind READ numDefaultKind WRITE setNumDefaultKind)
    ZB4R_MEMPROXY_SLOTS

public:
    enum revType { Large_Hall, Medium_Hall, Warm_Room, Woody_Room, Plate_1, Plate_2 };
    Q_ENUM(revType)

    // The fixed layout rows and axes.
    static constexpr int AxisLeft = 39;
    static constexpr int AxisRight = 319;
    static constexpr int AxisWidth = AxisRight - AxisLeft;
    static constexpr int RowTop = 209;
    static constexpr int RowBottom = 293;
    static constexpr int LevelHeight = RowBottom - RowTop;
    static constexpr int FreqAxisEndX = 129;
    static constexpr int FreqAxisEndY = 203;
    static constexpr int Diagonal = FreqAxisEndX - AxisLeft;
    // Points of the reverb-time and filter curves: one per diagonal step.
    static constexpr int CurvePoints = Diagonal;
    static constexpr int ZoomMax = 8;

    explicit CReverbGraph(QWidget *parent = nullptr, const char *name = nullptr);
    ~CReverbGraph() override;

    revType reverbType() const;
    int zoom() const;
    bool isAutoZoom() const;
    // Display names: "Large Hall", "Medium Hall", "Warm Room", "Woody Room", "Plate1", "Plate2".
    static QString typeName(int type);

    // Parameter i (1..12) into the model, then AutoZoom(i).
    void SetParameter(int i, float v);
    float GetParameter(int i) const;
    // The preset of type t through SetParameter, and its values into the knobs.
    void setDefaults(int t);
    // i: -1 all, 1 reverb time, 6 room size, 11 type (others do nothing).
    void AutoZoom(int i);
    // Recomputes the dirty cached curves.
    void updateData();
    TMemProxy *realMemoryProxy(QMouseEvent *event) override;
    bool connectMemAPI() override;

    const RevShape &shape() const;
    // The knobs in creation order, the one being dragged (or none), the one under a point.
    QList<ReverbKnob *> knobs() const;
    ReverbKnob *draggedKnob() const;
    ReverbKnob *knobAt(const QPoint &pos) const;
    QColor highlightColour() const;
    // Diffusion-dependent fill of envelope k, and the fixed line colours.
    QColor envelopeFill(int k) const;

    // Pixel x of a time (ms) on the time axis for the current zoom, limited to the axis.
    int timeToX(float ms) const;
    // Pixel offset along the frequency diagonal of a frequency (0 at 20 Hz, 90 at 20 kHz).
    static int frequencyOffset(double hz);

    // The cached point lists and how often each kind was recomputed.
    const QPolygon &envelopePoints(int k) const;
    const QPolygon &reverbTimePoints() const;
    const QPolygon &filterPoints() const;
    int envelopeRecalculations() const;
    int reverbTimeRecalculations() const;
    int filterRecalculations() const;
    int pictureRebuilds() const;

    void UpdateEnvelopePoints(int k, const QPoint &start, const QPoint &end);
    void UpdateFilterPoints();
    void UpdateReverbTimePoints();

    void repaintScreenPrimitive(QPainter &painter);
    void drawKnobs(QPainter &painter);
    void DrawEditMarker(QPainter &painter);

    QSize sizeHint() const override;

public Q_SLOTS:
    void setZoom(int z);
    void setReverbType(const CReverbGraph::revType t);
    void setAutoZoom(bool on);

Q_SIGNALS:
    void zoomUpdated(int zoom);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void createKnobs();
    void markDirty(int parameter);
    void chooseColours();
    void highlightKnob(ReverbKnob *knob);

    struct Private;
    std::unique_ptr<Private> const d;
};

#endif
