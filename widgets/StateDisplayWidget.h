#ifndef STATEDISPLAYWIDGET_H
#define STATEDISPLAYWIDGET_H

#include "TMemProxy.h"
#include "zb4r_widgets_export.h"

#include <QFrame>
#include <QPixmap>

#include <memory>

// Shows the frame of a vertical strip that a parameter's raw value selects, or with
// booleanLogic one of two frames for whether the value equals cmpValue. A left click reports
// the channel; setValueFromData() writes a given value.
class ZB4R_WIDGETS_EXPORT StateDisplayWidget : public QFrame, public TMemProxy
{
    Q_OBJECT
    Q_PROPERTY(bool booleanLogic READ booleanLogic WRITE setBooleanLogic) // false
    Q_PROPERTY(int cmpValue READ cmpValue WRITE setCmpValue) // 0
    Q_PROPERTY(QString namedAddress READ namedAddress WRITE setNamedAddress) // empty
    Q_PROPERTY(bool undoEnable READ isUndoEnable WRITE setUndoEnable) // false
    Q_PROPERTY(int numDefaultKind READ numDefaultKind WRITE setNumDefaultKind) // 0
    Q_PROPERTY(QPixmap combinedImage READ combinedImage WRITE setCombinedImage) // null
    Q_PROPERTY(int nSubImages READ nSubImages WRITE setnSubImages) // 1
    ZB4R_MEMPROXY_SLOTS

public:
    // The value before the first reading: the smallest int plus one.
    static constexpr int NoValue = -2147483647;

    explicit StateDisplayWidget(QWidget *parent = nullptr, const char *name = nullptr);
    ~StateDisplayWidget() override;

    bool booleanLogic() const;
    int cmpValue() const;
    QPixmap combinedImage() const;
    int nSubImages() const;
    int value() const;
    // The frame that raw value v shows.
    int pixmapId(int v) const;

    bool connectMemAPI() override;
    // Draws the current frame at the painter's origin.
    void repaintScreenPrimitive(QPainter &painter);
    // How often the picture was painted (tests and diagnostics).
    int pictureRebuildCount() const;

public Q_SLOTS:
    void setValue(int v);
    // Writes v to the parameter; the display follows the memory's report.
    void setValueFromData(int v);
    void setBooleanLogic(bool on);
    void setCmpValue(int value);
    void setCombinedImage(const QPixmap &strip);
    void setnSubImages(int count);

public:
    // The conventional spelling, which uic-generated forms call.
    void setNSubImages(int count) { setnSubImages(count); }

Q_SIGNALS:
    // The bound channel plus the channel offset, after a left press and release.
    void clicked(int channel);

protected:
    void updateFromMemory(const Q_UINT8 *data, int operation, Q_UINT32 extra) override;

    bool event(QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void fixSizeToFrame();
    void lookChanged();

    struct Private;
    std::unique_ptr<Private> const d;
};

#endif
