#ifndef REVERBKNOB_H
#define REVERBKNOB_H

#include "TMemProxy.h"
#include "zb4r_widgets_export.h"

#include <QObject>
#include <QPoint>

#include <memory>

class CReverbGraph;
class QMouseEvent;
class QPainter;
class QRect;
class QWidget;
class RevShape;

// One draggable handle of the reverb graph. Not a widget: a child object of the graph that draws
// itself on the graph's painter, is hit-tested and fed mouse events by the graph, and is bound to
// one reverb parameter through its own proxy (the graph names and connects it).
//
// Raw (memory) and model values: the initial delay (3) maps the memory's min..max linearly onto
// the model's range, the LPF (5) is raw + 34, the two ratios and the low frequency (7, 8, 12)
// are raw + 1; the others are equal.
//
// Where a knob sits (GetKnobRect) for the current parameters and zoom, on the graph's floor
// (time across x 39..319, frequency up the diagonal from (39, 293) to (129, 203)):
//  - reverb time: on the reverb-time curve at 1 kHz; room size: below the time axis at the same
//    time; initial delay: just above the time axis at the delay;
//  - high and low ratio: at their edit times on the 10 kHz and 100 Hz rows;
//  - decay: above the 1 kHz envelope where its attack ends;
//  - low frequency on the frequency axis, HPF and LPF on the filter curve's wall, near 0 dB;
//  - diffusion: the generic rule, a point between p1 and p2 by value.
// Dragging follows the same geometry: times through Pos2Sec(), frequencies through Pos2Freq()
// (x between 39 and 129, 20 Hz to 20 kHz), the reverb time as the table index whose actual time
// is nearest, room size, ratios and decay through the envelope line's edit values, diffusion by
// the generic rule. While the initial delay is dragged the graph shows zoom 0 (500 ms), so the
// short delay range gets the whole time axis; the other knobs keep the zoom.
class ZB4R_WIDGETS_EXPORT ReverbKnob : public QObject, public TMemProxy
{
    Q_OBJECT
    Q_PROPERTY(QString namedAddress READ namedAddress WRITE setNamedAddress)
    Q_PROPERTY(bool undoEnable READ isUndoEnable WRITE setUndoEnable)
    Q_PROPERTY(int numDefaultKind READ numDefaultKind WRITE setNumDefaultKind)
    ZB4R_MEMPROXY_SLOTS

public:
    // The graph's zoom saved by a press, restored by the release.
    static int m_sSavedZoom;

    ReverbKnob(long id, const QPoint &p1, const QPoint &p2, const QPoint &textPos, int textWidth,
               const QString &pixmapName, bool threeFrames, QWidget *parent,
               const char *name = nullptr);
    ~ReverbKnob() override;

    // Parameter index 1..12.
    long parameterIndex() const;
    // The model's range of the parameter, and the knob's current model value.
    float low() const;
    float high() const;
    float value() const;
    int memoryMinimum() const;
    int memoryMaximum() const;
    float modelFromRaw(int raw) const;
    int rawFromModel(float model) const;
    bool isPressed() const;
    bool isHighlighted() const;
    void setHighlighted(bool on);
    // The value text as last drawn ("None" without a memory).
    QString valueTextShown() const;
    bool hasImage() const;

    bool connectMemAPI() override;
    // A preset value: shown and handed to the graph like a notification, not written.
    void initValue(int v);
    void DrawPrimitive(QPainter *painter);
    void mousePressEvent(QMouseEvent *event);
    void mouseMoveEvent(QMouseEvent *event);
    void mouseReleaseEvent(QMouseEvent *event);
    // Milliseconds at a point, linear over the span of getZoom().
    float Pos2Sec(const QPoint &p) const;
    // Hz at a point: x 39..129 logarithmically onto 20 Hz..20 kHz.
    float Pos2Freq(const QPoint &p) const;
    void GetKnobRect(QRect &rect) const;
    // 0 for the initial-delay knob, the graph's zoom otherwise; -1 without a graph.
    int getZoom() const;
    CReverbGraph *getParent() const;
    const RevShape *getCurrentShape() const;
    bool IsEnabled() const;
    // The model value a drag to p asks for.
    float valueAt(const QPoint &p) const;

public Q_SLOTS:
    void setValue(float v);

protected:
    void updateFromMemory(const Q_UINT8 *data, int operation, Q_UINT32 extra) override;

private:
    void show(float model);
    QPoint anchor() const;

    struct Private;
    std::unique_ptr<Private> const d;
};

#endif
