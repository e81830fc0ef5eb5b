#ifndef CSLIDER_H
#define CSLIDER_H

#include "TRangeControl.h"
#include "zb4r_widgets_export.h"

#include <QWidget>

#include <memory>

class QStyleOptionSlider;
class QTimer;

// The library's slider base: a range drawn by the current style as a slider, with page repeat
// on clicks beside the handle, handle dragging, wheel and key stepping, and two signals that let
// a display switch to the value readout while the user holds the slider.
//
// Positions are pixels along the groove (0 = left or top). Subclasses supply the value flip and
// the text table, and may replace the geometry and the position/value mapping. A slider whose
// complete object is also a TMemProxy is bound to the memory: it ignores clicks beside the handle
// and never snaps back during a drag, so it never writes a value the user did not point at.
class ZB4R_WIDGETS_EXPORT CSlider : public QWidget, public TRangeControl
{
    Q_OBJECT
    Q_PROPERTY(int minValue READ minValue WRITE setMinValue) // 0
    Q_PROPERTY(int maxValue READ maxValue WRITE setMaxValue) // 99
    Q_PROPERTY(int lineStep READ lineStep WRITE setLineStep) // 1
    Q_PROPERTY(int pageStep READ pageStep WRITE setPageStep) // 10
    Q_PROPERTY(int value READ value WRITE setValue NOTIFY valueChanged USER true) // 0
    Q_PROPERTY(bool tracking READ tracking WRITE setTracking) // true: value follows the drag
    Q_PROPERTY(Qt::Orientation orientation READ orientation WRITE setOrientation) // Vertical
    Q_PROPERTY(TickSetting tickmarks READ tickmarks WRITE setTickmarks) // NoMarks
    Q_PROPERTY(int tickInterval READ tickInterval WRITE setTickInterval) // 0: the page step
    Q_PROPERTY(bool horDir READ horDir WRITE setHorDir) // false: wheel up and Home mean maximum
public:
    enum TickSetting { NoMarks = 0, Above = 1, Left = Above, Below = 2, Right = Below, Both = 3 };
    Q_ENUM(TickSetting)

    enum State { Idle = 0, Dragging = 1, TimingUp = 2, TimingDown = 3 };
    Q_ENUM(State)

    // Vertical, range 0..99, line step 1, page step 10, value 0.
    explicit CSlider(QWidget *parent = nullptr, const char *name = nullptr);
    CSlider(Qt::Orientation orientation, QWidget *parent = nullptr, const char *name = nullptr);
    // Line step 1.
    CSlider(int minValue, int maxValue, int pageStep, int value, Qt::Orientation orientation,
            QWidget *parent = nullptr, const char *name = nullptr);
    ~CSlider() override;

    bool tracking() const;
    virtual void setTracking(bool on);
    Qt::Orientation orientation() const;
    virtual void setOrientation(Qt::Orientation orientation);
    TickSetting tickmarks() const;
    virtual void setTickmarks(CSlider::TickSetting setting);
    int tickInterval() const;
    virtual void setTickInterval(int interval);
    bool horDir() const;
    void setHorDir(bool on);
    void setLineStep(int step);
    void setPageStep(int step);

    State state() const;
    // Handle position in pixels along the groove, and the value it stands for.
    int sliderPosition() const;
    int sliderValue() const;
    // The style's tick-mark offset, refreshed on resize, style and tick changes.
    int tickOffset() const;

    // The handle's rectangle.
    virtual QRect sliderRect() const;
    // The subclass's value flip (identity when it keeps the range's own direction).
    virtual int applyFlipedTransformation(int value, int minValue, int maxValue) const = 0;
    // Handle extent along and across the groove.
    virtual int getSlideLength() const;
    virtual int getSlideThickness() const;
    // Pixels the handle can travel.
    virtual int available() const;
    // Value-text table of the subclass.
    virtual int tableId() const = 0;
    virtual int positionFromValue(int value) const;
    virtual int valueFromPosition(int position) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

public Q_SLOTS:
    virtual void setValue(int value);
    void addStep();
    void subtractStep();
    void addLine();
    void subtractLine();
    void repeatTimeout();

Q_SIGNALS:
    void valueChanged(int value);
    void sliderPressed();
    void sliderMoved(int value);
    void sliderReleased();
    // The user holds the slider: a display may show the value instead of its name.
    void alternativeDisplayBegin();
    void alternativeDisplayEnd();

protected:
    void valueChange() override;
    void rangeChange() override;

    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

    // The style option describing the slider in pixels: range 0..available(), the handle at
    // sliderPosition().
    void initStyleOption(QStyleOptionSlider *option) const;
    // Coordinate along the groove.
    int goodPart(const QPoint &point) const;
    // Moves the handle to a position and repaints what changed.
    void reallyMoveSlider(int position);
    // The handle went from one rectangle to another: repaint what shows it. The style-drawn
    // slider repaints everything; a picture slider only the two rectangles.
    virtual void handleMoved(const QRect &before, const QRect &after);
    // The style's slider: groove, handle and tick marks.
    void drawSlider(QPainter &painter) const;

private:
    void init(Qt::Orientation orientation);
    void moveSlider(int position);
    void resetState();
    void startPageRepeat(State state);
    bool isBound() const;
    bool outsideDragArea(const QPoint &point) const;
    void stepWheel(int steps);
    void updateTickOffset();

    struct Private;
    std::unique_ptr<Private> d;
};

#endif
