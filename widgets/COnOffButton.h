#ifndef CONOFFBUTTON_H
#define CONOFFBUTTON_H

#include "TMemProxy.h"
#include "zb4r_widgets_export.h"

#include <QColor>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>

#include <memory>

class CSimpleNotifier;

// The console's two-state switch, also used as the button that marks one value of a multi-valued
// parameter as selected (boolClipValue). It shows frames cut from a pixmap strip (rows on, off,
// pressed, disabled), toggles on press or on release, writes the raw value of its state and
// follows the parameter. Alike buttons below a TCacheServer share one look record.
//
// Keys (it takes focus with Tab and the click): Space toggles it as a click does.
class ZB4R_WIDGETS_EXPORT COnOffButton : public QPushButton, public TMemProxy
{
    Q_OBJECT
    Q_PROPERTY(bool invertedLogic READ invertedLogic WRITE setInvertedLogic) // false
    Q_PROPERTY(int boolClipValue READ boolClipValue WRITE setBoolClipValue) // 0: two-state
    Q_PROPERTY(bool hasOffState READ hasOffState WRITE setHasOffState) // false
    Q_PROPERTY(bool disabledUI READ disabledUI WRITE setDisabledUI) // false
    Q_PROPERTY(bool disableAutoHide READ disableAutoHide WRITE setDisableAutoHide) // false
    Q_PROPERTY(bool hasDisableImage READ hasDisableImage WRITE setHasDisableImage) // false
    Q_PROPERTY(bool useTrackingImage READ useTrackingImage WRITE setUseTrackingImage) // true
    Q_PROPERTY(TOnOffStateTrigger offStateTrigger READ offStateTrigger WRITE
                       setOffStateTrigger) // buttonRelease
    Q_PROPERTY(TOnOffStateTrigger onStateTrigger READ onStateTrigger WRITE
                       setOnStateTrigger) // buttonRelease
    Q_PROPERTY(QString namedAddress READ namedAddress WRITE setNamedAddress) // empty
    Q_PROPERTY(bool undoEnable READ isUndoEnable WRITE setUndoEnable) // binding default
    Q_PROPERTY(int numDefaultKind READ numDefaultKind WRITE setNumDefaultKind) // 0
    Q_PROPERTY(QPixmap combinedImage READ combinedImage WRITE setCombinedImage) // null strip
    Q_PROPERTY(int nSubImages READ nSubImages WRITE setnSubImages) // 0
    Q_PROPERTY(int nImageCategories READ nImageCategories WRITE setnImageCategories) // 1
    Q_PROPERTY(QColor focusColor READ focusColor WRITE setFocusColor) // always invalid here
    Q_PROPERTY(QPixmap pixmap READ pixmap WRITE setPixmap DESIGNABLE true STORED true) // null
    Q_PROPERTY(bool imagesSwapped READ imagesSwapped WRITE setimagesSwapped) // false
    ZB4R_MEMPROXY_SLOTS

public:
    enum TOnOffStateTrigger { buttonRelease = 0, buttonPush = 1 };
    Q_ENUM(TOnOffStateTrigger)

    // The look record (defined in COnOffButton_p.h).
    class COnOffButton_PD;

    // How long the tracking image stays after a release-triggered click.
    static constexpr int ClickDelayMs = 100;

    explicit COnOffButton(QWidget *parent = nullptr, const QString &name = QString());
    ~COnOffButton() override;

    bool invertedLogic() const;
    int boolClipValue() const;
    bool hasOffState() const;
    bool disableAutoHide() override;
    bool hasDisableImage() const;
    bool useTrackingImage() const;
    TOnOffStateTrigger onStateTrigger() const;
    TOnOffStateTrigger offStateTrigger() const;
    // The strip; null once a one-column strip has been cut.
    QPixmap combinedImage() const;
    int nSubImages() const;
    int nImageCategories() const;
    virtual QColor focusColor() const;
    QPixmap pixmap() const;
    void setPixmap(const QPixmap &pixmap);
    bool imagesSwapped() const;
    int currentImage() const;

    // Raw value that means "on": boolClipValue - 1, or 1 on a two-state parameter.
    int onValue() const;
    // Whether raw value shows as on (invertedLogic taken into account).
    bool isOnValue(int raw) const;
    // The raw value a click into state on writes.
    int rawValueForState(bool on) const;

    // Sets or clears the pressed bit that selects the tracking image.
    void setClicked(bool pressed);
    bool isClicked() const;
    // Stops clicks from writing: disconnects every signal of this object from handleStateChanged.
    void disconnectAutomaticObserver();

    // The record this button draws from, and whether the cache owns it.
    const COnOffButton_PD *lookRecord() const;
    bool lookRecordCached() const;

    // The picture for the current state, pressed bit and blink phase.
    virtual QPixmap staticPixmap();
    // Draws the whole button at the painter's origin.
    virtual void repaintScreenPrimitive(QPainter &painter);

public Q_SLOTS:
    virtual void handleStateChanged(int state);
    void setInvertedLogic(bool on);
    void setBoolClipValue(int clip);
    void setHasOffState(bool on);
    void setDisabledUI(bool on) override;
    void updateErasePixmapSlot();
    void setDisableAutoHide(bool on);
    void setOnStateTrigger(const COnOffButton::TOnOffStateTrigger trigger);
    void setOffStateTrigger(const COnOffButton::TOnOffStateTrigger trigger);
    void setCombinedImage(const QPixmap &strip);
    void setnSubImages(int count);
    void setnImageCategories(int count);
    virtual void setFocusColor(const QColor &color);
    void setHasDisableImage(bool on);
    void setUseTrackingImage(bool on);
    void setimagesSwapped(bool on);
    // Cuts the state pixmaps from the strip (the first user of a shared record only).
    void reloadImage();
    // Shows v as if it had been read, without touching the memory.
    void setNonBoolValue(int v);
    // While set, the value is read from and written to this watcher instead of the memory.
    void setSelectionObject(CSimpleNotifier *selection);
    // Switches the strip column; out-of-range indexes are ignored.
    void setCurrentImage(int category);

public:
    // The conventional spellings of the setters above, which uic-generated forms call.
    void setNSubImages(int count) { setnSubImages(count); }
    void setNImageCategories(int count) { setnImageCategories(count); }
    void setImagesSwapped(bool on) { setimagesSwapped(on); }

Q_SIGNALS:
    // Qt 3 toggle-button state: 2 on, 0 off.
    void stateChanged(int state);
    // Declared for forms that connect to it; the button itself never emits it.
    void valueChanged(int value);

protected Q_SLOTS:
    void clickDelayDone();
    // Blink step of buttons whose blinkingMode() is true (the memory's shared blink timer).
    virtual void doBlink();

protected:
    // True for buttons that blink with the memory's blink phase while not pressed.
    virtual bool blinkingMode() const;
    bool notificationsServable() const override;
    void updateFromMemory(const Q_UINT8 *data, int operation, Q_UINT32 extra) override;
    // Shows on (silently) after a notification; operations 3 and above change nothing.
    virtual void handleProcessChange(int operation, bool on, bool force);
    // Installs the picture that paintEvent blits.
    virtual void updateErasePixmap();
    void setErasePixmap(const QPixmap &pixmap);
    bool hasErasePixmap() const;
    // Connects (on) or disconnects the memory's blink timer to doBlink().
    void connectBlinkTimer(bool on);
    // The current value from the selection object or the memory; false when neither can tell.
    bool readCurrentValue(int *value) const;
    // Writes a raw value to the selection object, else to the memory (silent counter permitting).
    void writeRawValue(int value);
    CSimpleNotifier *selectionObject() const;
    // Keeps the look record private for good (the pop-up selector's record is never shared).
    void keepLookPrivate();
    void markRepaintNeeded();

    bool event(QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    bool hitButton(const QPoint &pos) const override;
    void paintEvent(QPaintEvent *event) override;

private:
    void polishLook();
    void joinLookCache();
    void cutFrames(int category);
    bool releaseIsPushTriggered() const;
    void showState(bool on, bool force);
    COnOffButton_PD *record() const;

    struct Private;
    std::unique_ptr<Private> const d;
};

#endif
