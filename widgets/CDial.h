#ifndef CDIAL_H
#define CDIAL_H

#include "TMemProxy.h"
#include "zb4r_widgets_export.h"

#include <QColor>
#include <QDial>
#include <QPixmap>

#include <memory>

class QPointF;

// The rotary knob of channel strips and effect editors: a QDial whose face is one frame of a
// film strip (nSubImages frames stacked top to bottom, nImageCategories columns side by side),
// bound to one console parameter.
//
// It turns under a circular drag around its centre (or, for every dial of the process, under a
// vertical/horizontal drag: setVerticalMode()), steps with the wheel and the arrow and page keys,
// takes typed numbers through acceptNum(), and reports its value as a number, a text and
// possibly a pixmap. User changes are written to the memory at once; the memory's echo comes back
// through process() with the silent counter raised and is not written again.
//
// Keys (it takes focus with Tab, the click and the wheel): Up and Right addLine(), Down and Left
// subtractLine(), Page Up addPage(), Page Down subtractPage(); other keys go to QDial.
class ZB4R_WIDGETS_EXPORT CDial : public QDial, public TMemProxy
{
    Q_OBJECT
    // The film strip; null by default. Setting it repaints and remakes the transparency mask.
    Q_PROPERTY(QPixmap combinedImage READ combinedImage WRITE setCombinedImage)
    // Value-text table for valueToText()/valueFromNumber(); 0 by default. -7 makes the step
    // slots move in sample-rate units, -3 with a maximum of 5 asks for the special text.
    Q_PROPERTY(int tableId READ tableId WRITE setTableId)
    // Frames stacked in the strip; 1 by default.
    Q_PROPERTY(int nSubImages READ nSubImages WRITE setnSubImages)
    // Columns of the strip (1..7); 1 by default.
    Q_PROPERTY(int nImageCategories READ nImageCategories WRITE setnImageCategories)
    // Keeps the dial visible when its address cannot be served; false by default.
    Q_PROPERTY(bool disableAutoHide READ disableAutoHide WRITE setDisableAutoHide)
    // Kept for forms that set it: reads as an invalid colour, setting it does nothing.
    Q_PROPERTY(QColor focusColor READ focusColor WRITE setFocusColor)
    // Shows the value text in a yellow label under the dial while hovered; false by default.
    Q_PROPERTY(bool numberToolTip READ numberToolTip WRITE setNumberToolTip)
    // Row of the frame shown while disabled; -1 (none: the grey of the value frame) by default.
    Q_PROPERTY(int disabledImageIndex READ disabledImageIndex WRITE setdisabledImageIndex)
    // Masks the dial to the opaque part of its first frame; false by default.
    Q_PROPERTY(bool transparent READ transparent WRITE setTransparent)
    // Shows the frames in reverse order; false by default.
    Q_PROPERTY(bool inverted READ inverted WRITE setInverted)
    // Bound parameter, as "FEkSection/kParam".
    Q_PROPERTY(QString namedAddress READ namedAddress WRITE setNamedAddress)
    // Typed numbers leave an undo point; true by default.
    Q_PROPERTY(bool undoEnable READ isUndoEnable WRITE setUndoEnable)
    // Which default a reset asks for; 0 by default.
    Q_PROPERTY(int numDefaultKind READ numDefaultKind WRITE setNumDefaultKind)
    ZB4R_MEMPROXY_SLOTS

public:
    explicit CDial(QWidget *parent = nullptr, const char *name = nullptr);
    ~CDial() override;

    QPixmap combinedImage() const;
    int tableId() const;
    int nSubImages() const;
    int nImageCategories() const;
    bool disableAutoHide() override;
    QColor focusColor() const;
    bool numberToolTip() const;
    int disabledImageIndex() const;
    bool transparent() const;
    bool inverted() const;

    // Column of the strip that is drawn; -1 until polish or setCurrentImage() sets it.
    int currentImage() const;
    bool isAltAddressMode() const;
    bool fxValueTransform() const;

    // Process-wide drag style: false turns dials by a circular drag, true by a vertical or
    // horizontal drag.
    static void setVerticalMode(bool on);
    static bool verticalMode();

    bool connectMemAPI() override;
    // Writes the dial's value to the memory and returns what the memory then holds.
    virtual int changeMemApiValue();

    // Row of the strip that shows the current value.
    int currentIndex() const;
    // Draws the whole picture (the current frame) at the painter's origin.
    void repaintScreenPrimitive(QPainter &painter);
    // Makes the cached picture for the current frame, shared between dials of one cache-serving
    // window where possible. The argument is not used.
    void updateErasePixmap(QPixmap *unused = nullptr);
    // What a paint event draws: the cached picture (made first if a change dropped it) at the
    // painter's origin.
    void paintPicture(QPainter &painter);
    // Frame (0..30) of a 31-frame attenuator strip for a value in 1/10 dB.
    int getAttKnobIndex(int value) const;
    // Sends the value signals; with write set (and not silent) writes the value first.
    void emitValueChanges(bool write);
    void triggerEmitValueChanged(bool write);
    // Times the picture was rebuilt (a paint with an unchanged picture only blits).
    int pictureRebuildCount() const;

    // Circular drag geometry. Angles run clockwise from the top, in radians unless named so.
    double GetAngle() const;
    static double Radian(double degrees);
    static double Degree(double radians);
    double CnvAngle(double angle) const;
    bool CalcAngle(double x, double y, double *angle) const;
    static bool CalcIntersection(double x1, double y1, double x2, double y2, double x3, double y3,
                                 double x4, double y4, double *x, double *y);
    static double CalcVectorAngle(double x1, double y1, double x2, double y2);

    QSize sizeHint() const override;

public Q_SLOTS:
    void setInverted(bool on);
    void addLine();
    void subtractLine();
    void addPage();
    void subtractPage();
    void handle_changeAltNamedValue(int value);
    void setCombinedImage(const QPixmap &pixmap);
    void setTableId(int id);
    void setnSubImages(int count);
    void setnImageCategories(int count);
    void setFocusColor(const QColor &color);
    void setNumberToolTip(bool on);
    void changeAltAddressMode(bool on);
    void setDisableAutoHide(bool on);
    void setdisabledImageIndex(int index);
    void setTransparent(bool on);
    void acceptNum(double number);
    void setfxValueTransform(bool on);
    void setCurrentImage(int category);

public:
    // The conventional spellings of the setters above, which uic-generated forms call.
    void setNSubImages(int count) { setnSubImages(count); }
    void setNImageCategories(int count) { setnImageCategories(count); }
    void setDisabledImageIndex(int index) { setdisabledImageIndex(index); }

Q_SIGNALS:
    void altAddressMode(bool atMinimum);
    void memoryAPIValueChange(int value);
    void textualValueChange(const QString &text);
    void pixmapValueChange(const QPixmap &pixmap);
    void dialPressed();
    void dialMoved(int value);
    void dialReleased();

protected:
    bool acceptNotification(const Q_UINT8 *data, int operation, Q_UINT32 extra) override;
    void updateFromMemory(const Q_UINT8 *data, int operation, Q_UINT32 extra) override;
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void sliderChange(SliderChange change) override;

    // Runs on every value change: sends the value signals (writing user changes) and repaints.
    virtual void valueChange();
    virtual void updateMask();

    // Starts a circular trace at the event; returns the traced angle in degrees.
    double mousePressMoveStart(QMouseEvent *event, double minDegrees, double maxDegrees,
                               bool absolute);
    // Follows the pointer to the event; returns the traced angle in degrees.
    double mousePressMoveTrace(QMouseEvent *event);

private:
    void polishDial();
    void invalidatePicture();
    void invalidateLook();
    void shareLook();
    void repaintScreen();
    void startDrag(QMouseEvent *event);
    void dragTo(QMouseEvent *event);
    void setValueFromAngle(double degrees);
    void stepBy(int lineOrPage);
    void placeTip();
    static void deferredEmitValueChanges(QObject *receiver);

    struct Private;
    std::unique_ptr<Private> d;
    static bool s_VerticalMode;
};

#endif
