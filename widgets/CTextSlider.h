#ifndef CTEXTSLIDER_H
#define CTEXTSLIDER_H

#include "TMemProxy.h"
#include "TRangeControl.h"

#include <QWidget>

#include <memory>

class QPixmap;

// A value shown as centred text, changed by dragging up and down on it, by clicking its upper
// or lower half (clickStepping), with the wheel and keys, or by typing a number after a double
// click (editable).
//
// The text comes from a lookup function when one is set; otherwise from the memory's value text
// (useTableId), or from formatLabel + valueLabel printed with value / rangeDiv (the sample rate
// when rangeDiv < 1). Formats are checked by TDoubleFormat: one floating conversion at most.
//
// connectMemAPI() reads nothing: whoever binds the slider calls forceUpdate() afterwards.
class ZB4R_WIDGETS_EXPORT CTextSlider : public QWidget, public TRangeControl, public TMemProxy
{
    Q_OBJECT
    Q_PROPERTY(bool tracking READ tracking WRITE setTracking) // true: drags write as they go
    Q_PROPERTY(int minValue READ minValue WRITE setMinValue) // 0
    Q_PROPERTY(int maxValue READ maxValue WRITE setMaxValue) // 99
    Q_PROPERTY(int lineStep READ lineStep WRITE setLineStep) // 1
    Q_PROPERTY(int pageStep READ pageStep WRITE setPageStep) // 10
    Q_PROPERTY(int value READ value WRITE setValue NOTIFY valueChanged USER true) // 0
    Q_PROPERTY(QString valueLabel READ valueLabel WRITE setValueLabel) // empty: no unit
    Q_PROPERTY(int rangeDiv READ rangeDiv WRITE setRangeDiv) // 10; < 1: the sample rate
    Q_PROPERTY(QString formatLabel READ formatLabel WRITE setFormatLabel) // "%0.1f"
    Q_PROPERTY(int tableId READ tableId WRITE setTableId) // 5
    Q_PROPERTY(bool useTableId READ useTableId WRITE setUseTableId) // false
    Q_PROPERTY(bool editable READ editable WRITE setEditable) // false
    Q_PROPERTY(QString editFormat READ editFormat WRITE setEditFormat) // null: "%.1f"
    Q_PROPERTY(bool clickStepping READ clickStepping WRITE setClickStepping) // false
    Q_PROPERTY(int matchValue READ matchValue WRITE setMatchValue) // 0
    Q_PROPERTY(QString matchLabel READ matchLabel WRITE setMatchLabel) // null: no match text
    Q_PROPERTY(bool enableFocusRect READ enableFocusRect WRITE setEnableFocusRect) // false
    Q_PROPERTY(bool greyOnDisable READ greyOnDisable WRITE setGreyOnDisable) // false
    Q_PROPERTY(QString namedAddress READ namedAddress WRITE setNamedAddress) // empty
    Q_PROPERTY(bool undoEnable READ isUndoEnable WRITE setUndoEnable) // true
    Q_PROPERTY(int numDefaultKind READ numDefaultKind WRITE setNumDefaultKind) // 0
    ZB4R_MEMPROXY_SLOTS
public:
    // Writes the text for a value; false leaves the text as it was.
    typedef bool (*LookupFunc)(QString &text, int value);

    static constexpr int DefaultRangeDiv = 10;
    static constexpr int DefaultTableId = 5;

    // Range 0..99, line step 1, page step 10, value 0.
    explicit CTextSlider(QWidget *parent = nullptr, const char *name = nullptr,
                         Qt::WindowFlags flags = {});
    // Line step 1.
    CTextSlider(int minValue, int maxValue, int pageStep, int value, QWidget *parent = nullptr,
                const char *name = nullptr);
    ~CTextSlider() override;

    bool tracking() const;
    QString valueLabel() const;
    int rangeDiv() const;
    QString formatLabel() const;
    int tableId() const;
    bool useTableId() const;
    bool editable() const;
    QString editFormat() const;
    bool clickStepping() const;
    void setClickStepping(bool on);
    int matchValue() const;
    QString matchLabel() const;
    bool enableFocusRect() const;
    bool greyOnDisable() const;
    void setLineStep(int step);
    void setPageStep(int step);

    // The text shown now.
    QString text() const;
    void setLookupFunc(LookupFunc lookup);
    // The text for v (see the class comment); out is left alone when nothing makes a text.
    void stringForValue(int v, QString &out);
    // What the lookup function writes for v; false without one.
    bool valueLookup(QString &out, int v) const;

    // The value a drag to pos gives, from the press record: one step per two pixels upwards,
    // ten or a hundred on wide ranges unless Shift was held at the press.
    int valueFromPoint(const QPoint &pos) const;
    // The press record: the value and the point the drag counts from.
    void setValueBase(int value, int x, int y);

    // Reads the memory as a notification would, then remakes the text and the picture.
    void forceUpdate();
    // The whole picture: background, text, focus frame.
    void repaintScreenPrimitive(QPainter &painter);
    // Null remakes the picture; a given pixmap is shown as it is until the next change.
    void updateErasePixmap(QPixmap *given);
    // How often the picture was rebuilt (tests).
    int pictureRebuildCount() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

public Q_SLOTS:
    void setTableId(int id);
    void setUseTableId(bool on);
    void setEditable(bool on);
    void setEditFormat(const QString &format);
    void setMatchValue(int value);
    void setGreyOnDisable(bool on);
    virtual void setValue(int value);
    void addLine();
    void subtractLine();
    void addPage();
    void subtractPage();
    void setValueText(QString text);
    virtual void setTracking(bool on);
    void setValueLabel(const QString &label);
    void setFormatLabel(const QString &format);
    void setMatchLabel(const QString &label);
    void setRangeDiv(int div);
    void acceptNum(double number);
    void setEnableFocusRect(bool on);

Q_SIGNALS:
    void valueChanged(int value);
    void dialPressed();
    void dialMoved(int value);
    void dialReleased();

protected:
    void updateFromMemory(const Q_UINT8 *data, int operation, Q_UINT32 extra) override;
    void valueChange() override;

    bool event(QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void init();
    void remakeText();
    // A page step in tenths of a millisecond on a sample-counted value; false without a rate.
    bool stepSamplePage(int pages);
    void showArrow(bool up);

    struct Private;
    std::unique_ptr<Private> d;
};

#endif
