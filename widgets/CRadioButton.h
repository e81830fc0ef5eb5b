#ifndef CRADIOBUTTON_H
#define CRADIOBUTTON_H

#include "TMemProxy.h"
#include "zb4r_widgets_export.h"

#include <QPixmap>
#include <QRadioButton>

#include <memory>

// One choice of a multi-valued parameter: checking it writes its onValue, and it is checked
// while the parameter holds that value. Several of them share an address, normally in an
// exclusive QButtonGroup. Drawn from three pixmaps, a strip (rows on, off, pressed) or, without
// pictures, as a standard radio button. Only the checked one takes keyboard focus.
class ZB4R_WIDGETS_EXPORT CRadioButton : public QRadioButton, public TMemProxy
{
    Q_OBJECT
    Q_PROPERTY(QPixmap offState READ offState WRITE setOffState) // null
    Q_PROPERTY(QPixmap trackingState READ trackingState WRITE setTrackingState) // null
    Q_PROPERTY(QPixmap onState READ onState WRITE setOnState) // null
    Q_PROPERTY(int onValue READ onValue WRITE setOnValue) // 0
    Q_PROPERTY(int clickDelay READ clickDelay WRITE setClickDelay) // 100 ms
    Q_PROPERTY(QPixmap combinedImage READ combinedImage WRITE setCombinedImage) // null
    Q_PROPERTY(int nSubImages READ nSubImages WRITE setnSubImages) // 0: strip unused
    Q_PROPERTY(QString namedAddress READ namedAddress WRITE setNamedAddress) // empty
    Q_PROPERTY(bool undoEnable READ isUndoEnable WRITE setUndoEnable) // binding default
    Q_PROPERTY(int numDefaultKind READ numDefaultKind WRITE setNumDefaultKind) // 0
    ZB4R_MEMPROXY_SLOTS

public:
    static constexpr int DefaultClickDelayMs = 100;
    // Qt 3 toggle-button states carried by stateChanged().
    static constexpr int StateOff = 0;
    static constexpr int StateOn = 2;

    explicit CRadioButton(QWidget *parent = nullptr, const char *name = nullptr);
    ~CRadioButton() override;

    QPixmap offState() const;
    QPixmap trackingState() const;
    QPixmap onState() const;
    int onValue() const;
    int clickDelay() const;
    QPixmap combinedImage() const;
    int nSubImages() const;

    // While set, presses are ignored and the tracking image shows.
    bool isPressedFlagSet() const;
    // The picture for the current state; null when the standard look is drawn.
    QPixmap statePixmap() const;
    // Draws the pictured look at the painter's origin.
    void repaintScreenPrimitive(QPainter &painter);

public Q_SLOTS:
    void setOffState(const QPixmap &pixmap);
    void setTrackingState(const QPixmap &pixmap);
    void setOnState(const QPixmap &pixmap);
    void setOnValue(int value);
    void setClickDelay(int ms);
    void setCombinedImage(const QPixmap &strip);
    void setnSubImages(int count);
    void handleStateChanged(int state);

public:
    // The conventional spelling, which uic-generated forms call.
    void setNSubImages(int count) { setnSubImages(count); }

Q_SIGNALS:
    // Qt 3 toggle-button state: 2 on, 0 off; the memory's notifications emit 1 or 0.
    void stateChanged(int state);

protected Q_SLOTS:
    void clickDelayDone();

protected:
    void updateFromMemory(const Q_UINT8 *data, int operation, Q_UINT32 extra) override;

    bool hitButton(const QPoint &pos) const override;
    void changeEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void lookChanged();

    struct Private;
    std::unique_ptr<Private> const d;
};

#endif
