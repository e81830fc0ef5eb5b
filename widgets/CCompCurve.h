#ifndef CCOMPCURVE_H
#define CCOMPCURVE_H

#include "TMemProxy.h"
#include "calc_dyn.h"
#include "zb4r_widgets_export.h"

#include <QWidget>

#include <memory>

class QPainter;

// The static transfer curve of a channel's compressor, expander or compander: output level
// against input level, -72..+18 dB on both axes, scaled to the widget.
//
// The bound address is the threshold (tenths of a dB); the type (parameter 3), ratio index (6),
// output gain (7) and knee code or width (8) are read from the same element and channel. The
// picture is rebuilt only when one of the values or ranges read differs from the last reading.
// Display only: the curve takes no input and writes nothing.
class ZB4R_WIDGETS_EXPORT CCompCurve : public QWidget, public TMemProxy
{
    Q_OBJECT
    // The threshold of the compressor to show, as "FEkComp/kCompThreshold"; empty by default.
    Q_PROPERTY(QString namedAddress READ namedAddress WRITE setNamedAddress)
    // Kept for forms; the curve never writes. False by default.
    Q_PROPERTY(bool undoEnable READ isUndoEnable WRITE setUndoEnable)
    // Kept for forms; 0 by default.
    Q_PROPERTY(int numDefaultKind READ numDefaultKind WRITE setNumDefaultKind)
    ZB4R_MEMPROXY_SLOTS

public:
    // Parameters read beside the threshold, within its element and channel.
    static constexpr int TypeParameter = 3;
    static constexpr int RatioParameter = 6;
    static constexpr int GainParameter = 7;
    static constexpr int KneeParameter = 8;

    explicit CCompCurve(QWidget *parent = nullptr, const char *name = nullptr);
    ~CCompCurve() override;

    // The size of the palette's background texture, else 40 x 30.
    QSize sizeHint() const override;

    // Registers the threshold, then parameters 7, 8, 6 and 3, and shows their values.
    bool connectMemAPI() override;

    // With p, installs p as the picture; without, renders a new picture from the stored values.
    void updateErasePixmap(QPixmap *p);
    // Draws the whole picture: background, then the curve, at the painter's origin.
    void repaintScreenPrimitive(QPainter &painter);

    // The curve as the stored values give it (threshold limited to its range, in whole dB).
    TCompCurveParams curveParameters() const;
    // How many times the picture was rendered.
    int rebuildCount() const;

protected:
    QVector<quint32> observedAddresses() const override;
    bool acceptNotification(const Q_UINT8 *data, int operation, Q_UINT32 extra) override;
    void updateFromMemory(const Q_UINT8 *data, int operation, Q_UINT32 extra) override;
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    bool readParameters();
    void dropBackground();

    struct Private;
    std::unique_ptr<Private> const d;
};

#endif
