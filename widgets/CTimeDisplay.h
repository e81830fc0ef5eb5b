#ifndef CTIMEDISPLAY_H
#define CTIMEDISPLAY_H

#include "TMemProxy.h"
#include "zb4r_widgets_export.h"

#include <QWidget>

#include <memory>

// The console's running time code as text: hours, minutes, seconds and frames. It never writes.
// Time code may arrive on any thread and only marks the text dirty; the memory's frequent
// service tick paints it, at most updateFrequency times a second, while the display is visible.
// The frame-rate parameter decides whether the text ends in a full stop.
class ZB4R_WIDGETS_EXPORT CTimeDisplay : public QWidget, public TMemProxy
{
    Q_OBJECT
    Q_PROPERTY(
            int updateFrequency READ updateFrequency WRITE setUpdateFrequency) // 20; <= 0 reads 20
    Q_PROPERTY(QString namedAddress READ namedAddress WRITE setNamedAddress)
    Q_PROPERTY(bool undoEnable READ isUndoEnable WRITE setUndoEnable) // false
    Q_PROPERTY(int numDefaultKind READ numDefaultKind WRITE setNumDefaultKind) // 0
    ZB4R_MEMPROXY_SLOTS
public:
    static constexpr int DefaultUpdateFrequency = 20;
    static constexpr int RequestInterval = 8000; // ms between time-code requests

    explicit CTimeDisplay(QWidget *parent = nullptr, const char *name = nullptr);
    ~CTimeDisplay() override;

    int updateFrequency() const;
    int timeCodeFormat() const;
    // The text of the last paint.
    QString text() const;
    QSize sizeHint() const override;

    bool connectMemAPI() override;
    void disconnectMemAPI() override;

    // The whole picture: the background, then the time at (5, baseline + 7).
    void repaintScreenPrimitive(QPainter &painter);
    // How often the picture was painted (tests).
    int pictureRebuildCount() const;

public Q_SLOTS:
    void setUpdateFrequency(int frequency);
    void updateIfNeeded();
    void postTimecodeRequest();
    void setTimeCodeFormat(int format);

protected:
    bool acceptNotification(const Q_UINT8 *data, int operation, Q_UINT32 extra) override;
    void updateFromMemory(const Q_UINT8 *data, int operation, Q_UINT32 extra) override;
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void paintNow();

    struct Private;
    std::unique_ptr<Private> const d;
};

#endif
