#ifndef CGATECURVE_H
#define CGATECURVE_H

#include "TMemProxy.h"
#include "calc_dyn.h"
#include "zb4r_widgets_export.h"

#include <QPixmap>
#include <QWidget>

#include <memory>

class QPainter;

// The static transfer curve of a channel's gate or ducker at one pixel per dB: a 91 x 91
// widget shows -72..+18 dB on both axes.
//
// The bound address is the threshold (tenths of a dB); the range (parameter 9, dB) and the
// type (7: 0 gate, else ducker) are read from the same element and channel. Every change
// notification rebuilds the picture. Display only: the curve takes no input and writes nothing.
class ZB4R_WIDGETS_EXPORT CGateCurve : public QWidget, public TMemProxy
{
    Q_OBJECT
    // The threshold of the gate to show, as "FEkGate/kGateThreshold"; empty by default.
    Q_PROPERTY(QString namedAddress READ namedAddress WRITE setNamedAddress)
    // Kept for forms; the curve never writes. False by default.
    Q_PROPERTY(bool undoEnable READ isUndoEnable WRITE setUndoEnable)
    // Kept for forms; 0 by default.
    Q_PROPERTY(int numDefaultKind READ numDefaultKind WRITE setNumDefaultKind)
    // Background (graticule) under the curve; null (the palette's background colour) by default.
    Q_PROPERTY(QPixmap pixmap READ pixmap WRITE setPixmap)
    ZB4R_MEMPROXY_SLOTS

public:
    // Parameters read beside the threshold, within its element and channel.
    static constexpr int TypeParameter = 7;
    static constexpr int RangeParameter = 9;

    explicit CGateCurve(QWidget *parent = nullptr, const char *name = nullptr);
    ~CGateCurve() override;

    QPixmap pixmap() const;

    // 40 x 30 without a pixmap; else the palette's background texture, or the pixmap's size
    // when there is no texture.
    QSize sizeHint() const override;

    // Registers the threshold, then parameters 9 and 7, and shows their values.
    bool connectMemAPI() override;

    // With p, installs p as the picture; without, renders a new picture from the stored values.
    void updateErasePixmap(QPixmap *p);
    // Draws the whole picture: background, then the curve, at the painter's origin.
    void repaintScreenPrimitive(QPainter &painter);

    // The curve as the stored values give it (threshold and range limited to their ranges).
    TGateCurveParams curveParameters() const;
    // How many times the picture was rendered.
    int rebuildCount() const;

public Q_SLOTS:
    void setPixmap(const QPixmap &pixmap);

protected:
    QVector<quint32> observedAddresses() const override;
    bool acceptNotification(const Q_UINT8 *data, int operation, Q_UINT32 extra) override;
    void updateFromMemory(const Q_UINT8 *data, int operation, Q_UINT32 extra) override;
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void readParameters();

    struct Private;
    std::unique_ptr<Private> const d;
};

#endif
