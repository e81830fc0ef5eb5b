#ifndef CMETER_H
#define CMETER_H

#include "TMemProxy.h"
#include "TRangeControl.h"
#include "zb4r_types.h"

#include <QPixmap>
#include <QWidget>

#include <memory>

// One step of a level table. As listed, pixels is the width the step adds to the bar; once the
// tables are prepared it holds the cumulative offset (the sum of all earlier widths), so the
// last entry holds the table's total length.
struct TMeterMapping
{
    quint16 level;
    quint16 pixels;
};

// Orders table entries by level, for the upper-bound lookup.
struct LTE
{
    bool operator()(const TMeterMapping &a, const TMeterMapping &b) const
    {
        return a.level < b.level;
    }
};

// The bar meter: channel, layer, selected-channel, compressor-output and effect level meters,
// an overload lamp, and gain-reduction meters.
//
// The console streams four bytes per meter address (level and peak as 7-bit halves). Each raw
// value is mapped through one of ten fixed level tables to a bar length; the meter image (the
// lit bar) is shown over that length, the background image (the unlit bar) elsewhere, and a
// peak-hold segment on top. The widget has no timers and never writes to the memory.
//
// Threads: process() may run on any thread. Off the GUI thread it only decodes into atomic
// fields and hands the notification to the GUI thread; it does so only when the table index of
// the level or the peak differs from the one shown, so a steady meter costs the GUI nothing.
// A change repaints only the band of rows (or columns) that changed; when a whole bridge moves
// in one frame, meters repaint whole, which costs Qt less than many distinct bands.
//
// Orientation: the meter is vertical when its meter image is narrower than tall. A horizontal
// meter is this widget turned a quarter clockwise: the low end is on the left. Its scale is the
// widget width over the table length (a vertical meter uses the height); a level bar lights
// columns 0 to L - 1, a gain-reduction bar columns L to w - 1, and the peak segment is the
// rightmost segment of a bar of length P.
//
// Keys: none; the meter takes no focus.
class ZB4R_WIDGETS_EXPORT CMeter : public QWidget, public TRangeControl, public TMemProxy
{
    Q_OBJECT
    // The lit bar; its size becomes the widget's fixed size. Null: the meter draws nothing.
    Q_PROPERTY(QPixmap meterImage READ meterImage WRITE setMeterImage)
    // The unlit bar; null: the unlit part is filled with the window colour.
    Q_PROPERTY(QPixmap meterBgndImage READ meterBgndImage WRITE setMeterBgndImage)
    // The level table; eMtr_Normal by default.
    Q_PROPERTY(EMeterSelector meterSelector READ meterSelector WRITE setMeterSelector)
    // Address of the meter ("FEkSection/kParam"); empty by default.
    Q_PROPERTY(QString namedAddress READ namedAddress WRITE setNamedAddress)
    // Unused by meters; false by default.
    Q_PROPERTY(bool undoEnable READ isUndoEnable WRITE setUndoEnable)
    // Unused by meters; 0 by default.
    Q_PROPERTY(int numDefaultKind READ numDefaultKind WRITE setNumDefaultKind)
    // Shows the peak-hold segment of level meters; true by default.
    Q_PROPERTY(bool peakHoldEnabled READ peakHoldEnabled WRITE setPeakHoldEnabled)
    ZB4R_MEMPROXY_SLOTS

public:
    // Picks the level table. Up to 100: level meters; above 100: gain-reduction meters, drawn
    // from the top (or right) and without a peak. The two offsets change nothing.
    enum EMeterSelector {
        eMtr_Normal_Offset = 0,
        eMtr_Normal = 1,
        eMtr_Sigma = 2,
        eMtr_Layer = 3,
        eMtr_SelCh = 4,
        eMtr_CompOut = 5,
        eMtr_Normal_Eff = 6,
        eMtr_GR_Offset = 100,
        eMtr_GR = 101,
        eMtr_CompGR = 102,
        eMtr_GR_SelCh = 103,
        eMtr_GR_Eff = 104
    };
    Q_ENUM(EMeterSelector)

    explicit CMeter(QWidget *parent = nullptr, const char *name = nullptr);
    ~CMeter() override;

    EMeterSelector meterSelector() const;
    QPixmap meterImage() const;
    QPixmap meterBgndImage() const;
    bool peakHoldEnabled() const;

    // The widget height for a vertical meter, else its width.
    int available() const;
    bool isVertical() const;
    // Height (width) over the table's total length.
    double scale() const;

    // Table index for a raw meter value: the first entry, the last one excepted, whose level
    // is above value, or the last index when none is. Callable from any thread.
    virtual int meterLevelIndex(unsigned short value) const;
    // The peak index being drawn (0: none).
    int shownPeakIndex() const;

    // Selects the table of the current selector and resets the indices.
    void setupMeterTable();
    // Prepares the shared tables; done once, on first use. Callable from any thread.
    static void CalculateMeterTablePixelOffsets();
    // The prepared table of a selector (null with *count 0 for the two offsets and unknown
    // values).
    static const TMeterMapping *meterTable(EMeterSelector selector, int *count);

    // Draws the whole meter with painter (at the widget's size).
    void repaintScreenPrimitive(QPainter &painter);
    // With pm, the widget shows pm as its picture until the meter changes; with null, it
    // drops such a picture and repaints the whole meter from its images.
    void updateErasePixmap(QPixmap *pm);

    // TMemProxy
    bool connectMemAPI() override;
    void disconnectMemAPI() override;

public Q_SLOTS:
    void setPeakHoldEnabled(bool on);
    void setMeterImage(const QPixmap &pm);
    void setMeterBgndImage(const QPixmap &pm);
    void setMeterSelector(EMeterSelector selector);
    // Back to rest: no bar for a level meter, no reduction for a gain-reduction meter.
    void resetMeter();
    // Connected to the memory's onlineChanged(bool): going offline resets the meter.
    void onlineChange(bool online);

protected:
    // Operation 0 carries four meter bytes, decoded on the arriving thread; every other
    // operation is ignored. A handed-over delivery applies the indices already decoded.
    bool acceptNotification(const Q_UINT8 *data, int operation, Q_UINT32 extra) override;
    void updateFromMemory(const Q_UINT8 *data, int operation, Q_UINT32 extra) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    // TRangeControl: repaints the band that changed (GUI thread only).
    void valueChange() override;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

#endif
