#ifndef CVEQGRAPH_H
#define CVEQGRAPH_H

#include "CVEQ.h"
#include "TMemProxy.h"
#include "zb4r_widgets_export.h"

#include <QLabel>
#include <QPolygon>

#include <memory>
#include <vector>

class QPainter;
class VEQParam;

// The editing graph of a six-section vintage-style EQ running as an effect: the response of each
// section and of the whole EQ over a logarithmic frequency axis, with a draggable pointer per
// section. It keeps its own model (CVEQ) fed from the 26 memory parameters 11..36 of its
// element and channel (the parameter of the bound address does not matter), and writes dragged
// frequencies and levels back; the model and the picture follow through the notifications.
//
// Coordinates inside the graph rectangle are bins: x 0..w − 1 and y 0..h with w and h the
// rectangle's width and height less one, for painting, pointers and the mouse alike.
//
// setEq1SelDisabled(bool) and setEq6SelDisabled(bool) go out when setG1Status()/setG6Status()
// change an end's status: true when that end is a filter (status 0, no level to drag), false when
// it is a shelf.
class ZB4R_WIDGETS_EXPORT CVEQGraph : public QLabel, public TMemProxy
{
    Q_OBJECT
    // Pointer strip, 12 frames stacked vertically, loaded by name; "zb4r_tk480_VEQPointer.png".
    Q_PROPERTY(QString pointerImgFilename READ pointerImgFilename WRITE setPointerImgFilename)
    // Any parameter of the vintage-EQ slot, as "FEkEffect/kVEQParam1"; empty by default.
    Q_PROPERTY(QString namedAddress READ namedAddress WRITE setNamedAddress)
    // Kept for forms; true by default.
    Q_PROPERTY(bool undoEnable READ isUndoEnable WRITE setUndoEnable)
    // Kept for forms; 0 by default.
    Q_PROPERTY(int numDefaultKind READ numDefaultKind WRITE setNumDefaultKind)
    ZB4R_MEMPROXY_SLOTS

public:
    static constexpr int PointerFrames = 12;
    // The curves drawn by one repaint: index 0 the whole EQ, k section k, in bins.
    struct TCurves
    {
        QPolygon curve[CVEQ::Sections + 1];
    };

    explicit CVEQGraph(QWidget *parent = nullptr, const char *name = nullptr);
    ~CVEQGraph() override;

    QString pointerImgFilename() const;
    QSize sizeHint() const override;

    bool connectMemAPI() override;
    void disconnectMemAPI() override;

    // Axis conversions between bins and Hz or dB. FreqToBin reads f ≤ 0 as fMin.
    static int FreqToBin(double f, double fMin, double fMax, int w);
    static double BinToFreq(int b, double fMin, double fMax, int w);
    static int LevToBin(double l, double top, double bottom, int h);
    static double BinToLev(int b, double top, double bottom, int h);
    // Texts of the level scale at v for the given axis, and of the frequency scale at f Hz.
    static QString levelLabel(double v, double levTop, double levBottom);
    static QString frequencyLabel(long f);
    // The model's rate for a console rate in Hz: the four console rates stand, others are 48000.
    static int consoleRate(int hz);

    void ZoomIn();
    void ZoomOut();
    void ShiftUp();
    void ShiftDown();
    // fMax 20000 Hz below a model rate of 88200, 40000 Hz from there on.
    void ChangeHighFreq();

    // State for hosts, tests and benchmarks.
    const CVEQ &model() const;
    // The converters in memory-index order (empty before connecting).
    const std::vector<std::unique_ptr<VEQParam>> &params() const;
    QRect graphRect() const;
    int binWidth() const;
    int binHeight() const;
    double fMin() const;
    double fMax() const;
    double levTop() const;
    double levBottom() const;
    // Section 1..6 under the mouse, 0 for none.
    int selected() const;
    bool isPressed() const;
    int g1Status() const;
    int g6Status() const;
    bool isInteractionEnabled() const;
    void setInteractionEnabled(bool on);
    // Where section k's pointer sits, in bins (its level read as 0 for an end with status 0).
    QPoint pointerPosition(int k) const;
    // Writes value of effect index tag through its converter to the slot: nothing for a tag
    // without a memory parameter, without a converter or without a ready memory.
    void valueChanged(int tag, double value);
    // Picture rebuilds so far.
    int pictureRebuildCount() const;

    // The curves of the current model, and the whole picture drawn from them. The one-argument
    // form computes and draws.
    void computeCurves(TCurves *curves) const;
    void repaintScreenPrimitive(QPainter &painter);
    void repaintScreenPrimitive(QPainter &painter, const TCurves &curves);

public Q_SLOTS:
    void setPointerImgFilename(const QString &name);
    void doFlat();
    void doDefault();
    void handle_sampleFreqChange(int hz);
    void doZoomIn();
    void doZoomOut();
    void setG1Status(int v);
    void setG6Status(int v);

Q_SIGNALS:
    void setEq1SelDisabled(bool disabled);
    void setEq6SelDisabled(bool disabled);

protected:
    QVector<quint32> observedAddresses() const override;
    void updateFromMemory(const Q_UINT8 *data, int operation, Q_UINT32 extra) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void InitialiseEffect();
    void reloadModel();
    void resetEditable();
    void copyEditable(QDataStream *stream);
    void pasteEditable(QDataStream *stream);
    void SearchPoint(const QPoint &at);
    void dragTo(const QPoint &at);
    void drawScales(QPainter &painter);
    void drawGraph(QPainter &painter, const TCurves &curves);
    void drawPointers(QPainter &painter);

    struct Private;
    std::unique_ptr<Private> const d;
};

#endif
