#ifndef CFADER_H
#define CFADER_H

#include "CSlider.h"
#include "TMemProxy.h"

#include <QColor>
#include <QPixmap>

#include <memory>

// The bound fader: a slider whose handle is a thumb picture sliding over a background picture,
// whose position law comes from the parameter memory (a linear law when the memory has none).
//
// The background (the pixmap, else the parent's background, else the window colour) is kept as
// one widget-sized picture; a move repaints only the old and new thumb rectangles from it.
//
// Keys (it takes focus with Tab, the click and the wheel), as CSlider's: Home the top end, End
// the bottom end (swapped by horDir), Up/Down one line step along a vertical fader and
// Left/Right along a horizontal one, Page Up/Page Down one page step.
class ZB4R_WIDGETS_EXPORT CFader : public CSlider, public TMemProxy
{
    Q_OBJECT
    Q_PROPERTY(int nSubImages READ nSubImages WRITE setnSubImages) // 1 (0..31)
    Q_PROPERTY(QPixmap thumbImage READ thumbImage WRITE setThumbImage) // null: the style's handle
    Q_PROPERTY(bool flipValues READ flipValues WRITE setFlipValues) // false: minimum on top
    Q_PROPERTY(int tableId READ tableId WRITE setTableId) // 5: fader levels
    Q_PROPERTY(QString namedAddress READ namedAddress WRITE setNamedAddress) // empty
    Q_PROPERTY(bool undoEnable READ isUndoEnable WRITE setUndoEnable) // true
    Q_PROPERTY(int numDefaultKind READ numDefaultKind WRITE setNumDefaultKind) // 0
    Q_PROPERTY(QColor focusColor READ focusColor WRITE setFocusColor) // unused: always invalid
    Q_PROPERTY(bool numberToolTip READ numberToolTip WRITE setNumberToolTip) // false; stored only
    Q_PROPERTY(QPixmap pixmap READ pixmap WRITE setPixmap) // null: the parent's background
    ZB4R_MEMPROXY_SLOTS
public:
    static constexpr int DefaultTableId = 5;
    static constexpr int MaxSubImages = 31;

    // Vertical, range 0..1023, page step 10, value 0.
    explicit CFader(QWidget *parent = nullptr, const char *name = nullptr);
    ~CFader() override;

    int nSubImages() const;
    QPixmap thumbImage() const;
    bool flipValues() const;
    int tableId() const override;
    QColor focusColor() const;
    bool numberToolTip() const;
    QPixmap pixmap() const;
    bool isUsingDisabledImage() const;

    QRect sliderRect() const override;
    int applyFlipedTransformation(int value, int minValue, int maxValue) const override;
    int getSlideLength() const override;
    int getSlideThickness() const override;
    int available() const override;
    // Position and value through the memory's fader law, or the linear law of the range.
    int positionFromValue(int value) const override;
    int valueFromPosition(int position) const override;
    QSize sizeHint() const override;

    bool connectMemAPI() override;

    // The whole picture: background, then the thumb frame at the slider position.
    void repaintScreenPrimitive(QPainter &painter);
    // A given picture becomes the background under the thumb; without one the background is
    // kept (it does not depend on the value) and only rebuilt after it was dropped.
    void updateErasePixmap(QPixmap *given);
    // How often the background picture was built (diagnostics and tests).
    int backgroundRebuildCount() const;

public Q_SLOTS:
    void setThumbImage(const QPixmap &image);
    void setFlipValues(bool on);
    void setTableId(int id);
    void setFocusColor(const QColor &color);
    void setNumberToolTip(bool on);
    void setnSubImages(int count);
    void useDisabledImage(bool on);
    void emit_textualValueChange();
    void acceptNum(double number);
    void setPixmap(const QPixmap &pixmap);

public:
    // The conventional spelling of setnSubImages(), which uic-generated forms call.
    void setNSubImages(int count) { setnSubImages(count); }

Q_SIGNALS:
    void textualValueChange(const QString &text);

protected:
    void updateFromMemory(const Q_UINT8 *data, int operation, Q_UINT32 extra) override;
    void valueChange() override;
    void handleMoved(const QRect &before, const QRect &after) override;
    bool event(QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    bool lawAvailable() const;
    int frameCount() const;
    void drawBackground(QPainter &painter) const;
    void drawThumb(QPainter &painter) const;
    void scheduleText();
    void geometryChanged();

    struct Private;
    std::unique_ptr<Private> d;
};

#endif
