#ifndef CTHRESHOLDMETER_H
#define CTHRESHOLDMETER_H

#include "TMemProxy.h"
#include "zb4r_types.h"

#include <QPixmap>
#include <QWidget>

#include <memory>

// A lamp driven by a meter: a strip of nSubImages frames stacked top to bottom, one of which is
// shown for the level streamed to the widget's address. With the one-entry table (the
// thresholdLevel) frame 0 is off or offline, 1 below the threshold and 2 at or above it; a
// threshold table of the memory (meterThresholdTableId) gives more steps. A state parameter
// (stateNamedAddress) turns the lamp off while it is 0. The widget never writes to the memory.
//
// Threads: process() may run on any thread; there it only stores the level and hands the
// notification to the GUI thread, where the frame is chosen and painted.
class ZB4R_WIDGETS_EXPORT CThresholdMeter : public QWidget, public TMemProxy
{
    Q_OBJECT
    // The frame strip; null: the lamp draws nothing.
    Q_PROPERTY(QPixmap combinedImage READ combinedImage WRITE setCombinedImage)
    // Threshold table of the memory; 0 (none: thresholdLevel is the table) by default.
    Q_PROPERTY(int meterThresholdTableId READ meterThresholdTableId WRITE setMeterThresholdTableId)
    // The threshold without a table, 0..65535; 0 by default.
    Q_PROPERTY(int thresholdLevel READ thresholdLevel WRITE setThresholdLevel)
    // Address of the meter; empty by default.
    Q_PROPERTY(QString namedAddress READ namedAddress WRITE setNamedAddress)
    // The on/off parameter gating the lamp; empty by default.
    Q_PROPERTY(QString stateNamedAddress READ stateNamedAddress WRITE setStateNamedAddress)
    // A threshold parameter watched for re-evaluation; empty by default.
    Q_PROPERTY(
            QString thresholdNamedAddress READ thresholdNamedAddress WRITE setThresholdNamedAddress)
    // Unused by meters; false by default.
    Q_PROPERTY(bool undoEnable READ isUndoEnable WRITE setUndoEnable)
    // Unused by meters; 0 by default.
    Q_PROPERTY(int numDefaultKind READ numDefaultKind WRITE setNumDefaultKind)
    // Frames in the strip; 3 by default.
    Q_PROPERTY(int nSubImages READ nSubImages WRITE setnSubImages)
    ZB4R_MEMPROXY_SLOTS

public:
    explicit CThresholdMeter(QWidget *parent = nullptr, const char *name = nullptr);
    ~CThresholdMeter() override;

    QPixmap combinedImage() const;
    int meterThresholdTableId() const;
    int thresholdLevel() const;
    QString stateNamedAddress() const;
    QString thresholdNamedAddress() const;
    int nSubImages() const;
    // The frame shown.
    int currentImage() const;
    // The last level received and the last values of the state and threshold parameters.
    int level() const;
    int state() const;
    int threshold() const;
    // Frames rendered so far (a frame shown again is not rendered again).
    int renderCount() const;

    // The frame for the current level, state and online state.
    int thresholdState() const;
    // Takes the memory's table meterThresholdTableId, or thresholdLevel as a table of one.
    void setupMeterThresholdTable();
    // Shows frame i (GUI thread; i within 0..nSubImages - 1, else nothing happens).
    void setCurrentImage(int i);
    // Fixes the size to one frame of the strip and shows frame 0; run at polish too.
    void adjustParams();
    void repaintScreenPrimitive(QPainter &painter);
    // With pm, shows pm until the next frame change; with null, renders the frame again.
    void updateErasePixmap(QPixmap *pm);

    // TMemProxy
    bool connectMemAPI() override;
    void disconnectMemAPI() override;

public Q_SLOTS:
    void resetMeter();
    void triggerUpdate();
    void changeState(int state);
    // Stored and re-evaluated; the frame rule compares the level with the table only, so the
    // value itself moves nothing.
    void changeThreshold(int threshold);
    void setStateNamedAddress(const QString &address);
    void setThresholdNamedAddress(const QString &address);
    void onlineChange(bool online);
    void setThresholdLevel(int level);
    void setMeterThresholdTableId(int id);
    void setCombinedImage(const QPixmap &strip);
    void setnSubImages(int count);

    // The spellings forms use.
    void setNSubImages(int count) { setnSubImages(count); }

protected:
    bool acceptNotification(const Q_UINT8 *data, int operation, Q_UINT32 extra) override;
    void updateFromMemory(const Q_UINT8 *data, int operation, Q_UINT32 extra) override;
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    struct Private;
    std::unique_ptr<Private> const d;
};

#endif
