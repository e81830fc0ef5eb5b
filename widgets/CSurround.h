#ifndef CSURROUND_H
#define CSURROUND_H

#include "TMemProxy.h"
#include "zb4r_widgets_export.h"

#include <QPixmap>
#include <QPoint>
#include <QWidget>

#include <memory>

// A two-dimensional surround pan control: a puck moves over a background frame, its position
// being one pan value left-right (x) and one front-rear (y), each -63..63, y growing towards
// the rear. While it moves it leaves a short trail of ghost positions that fades one point per
// timer tick. Both values are written to the memory as one undo step.
//
// Addresses: an effect surround (FxSurr) uses the bound parameter p for x and p + 1 for y, both
// stored as value + 63; an input-channel surround (InChSurr) uses parameters 6 (x) and 7 (-y) of
// the bound element and channel.
//
// Keys: none; it takes focus with the click only.
class ZB4R_WIDGETS_EXPORT CSurround : public QWidget, public TMemProxy
{
    Q_OBJECT
public:
    enum surrKind { InChSurr = 0, FxSurr = 1 };
    Q_ENUM(surrKind)

private:
    // Background strip: nSubImages frames stacked, frame 0 enabled, frame 1 disabled; null.
    Q_PROPERTY(QPixmap m_imageBgnd READ pixmapBgnd WRITE setPixmapBgnd)
    // The puck, also drawn for every ghost; null by default.
    Q_PROPERTY(QPixmap m_imageMain READ pixmapMain WRITE setPixmapMain)
    // Kept for forms; not drawn (the trail uses the puck). Null by default.
    Q_PROPERTY(QPixmap m_imageGhst READ pixmapGhst WRITE setPixmapGhst)
    // Trail length, 1..31; 0 (no trail) by default.
    Q_PROPERTY(int m_maxGhosts READ ghosts WRITE setGhosts)
    // Trail timer period in ms, 1..255; 50 by default.
    Q_PROPERTY(int interval READ interval WRITE setInterval)
    // Bound parameter, as "FEkInputSurround/kSurrX".
    Q_PROPERTY(QString namedAddress READ namedAddress WRITE setNamedAddress)
    // A drag leaves undo points; true by default.
    Q_PROPERTY(bool undoEnable READ isUndoEnable WRITE setUndoEnable)
    // Which default a reset asks for; 0 by default.
    Q_PROPERTY(int numDefaultKind READ numDefaultKind WRITE setNumDefaultKind)
    // Which pair of parameters is panned; InChSurr by default.
    Q_PROPERTY(surrKind surroundKind READ surroundKind WRITE setSurroundKind)
    // Frames in the background strip; 1 by default.
    Q_PROPERTY(int nSubImages READ nSubImages WRITE setnSubImages)
    ZB4R_MEMPROXY_SLOTS

public:
    static constexpr int MaxPosition = 63;
    static constexpr int MaxGhosts = 31;

    explicit CSurround(QWidget *parent = nullptr, const char *name = nullptr);
    ~CSurround() override;

    QPixmap pixmapBgnd() const;
    QPixmap pixmapMain() const;
    QPixmap pixmapGhst() const;
    int ghosts() const;
    int interval() const;
    surrKind surroundKind() const;
    int nSubImages() const;

    // The current logical position, and the trail points in use (oldest first).
    QPoint position() const;
    int trailCount() const;
    bool userInteractionActive() const;

    bool connectMemAPI() override;

    // Geometry helpers, for the current background and puck.
    QPoint scrnPos2LogicalPos(const QPoint &pos) const;
    QPoint translateToUIspace(const QPoint &logical) const;
    QPoint translateFromUIspace(const QPointF &ui) const;
    // Top-left corner at which the puck of point i (0 current, 1.. trail) is drawn.
    QPoint calcOrigin(int i) const;
    // The x and y parameters in the widget's element and channel.
    void getXYMemIndex(int *xParameter, int *yParameter) const;

    // Writes (unless silent) and signals the current point; with trail, grows the trail.
    void emitValueChanged(bool trail);
    // What a deferred emission runs: positionChange and textualPositionChange of o.
    static void emitSignals_bridge(QObject *o);
    // The text of a position: "L20 R10", "C C".
    static QString positionText(const QPoint &p);
    void repaintScreenPrimitive(QPainter &painter);

    QSize sizeHint() const override;

public Q_SLOTS:
    void triggerEmitValueChanged();
    void setPixmapBgnd(const QPixmap &pixmap);
    void setPixmapMain(const QPixmap &pixmap);
    void setPixmapGhst(const QPixmap &pixmap);
    void setGhosts(int count);
    void setInterval(int ms);
    void setSurroundKind(const surrKind kind);
    void setnSubImages(int count);
    void setXY(int x, int y);

public:
    // The conventional spellings, which uic-generated forms call.
    void setNSubImages(int count) { setnSubImages(count); }
    void setM_imageBgnd(const QPixmap &pixmap) { setPixmapBgnd(pixmap); }
    void setM_imageMain(const QPixmap &pixmap) { setPixmapMain(pixmap); }
    void setM_imageGhst(const QPixmap &pixmap) { setPixmapGhst(pixmap); }
    void setM_maxGhosts(int count) { setGhosts(count); }

Q_SIGNALS:
    void positionChange(const QPoint &position);
    void textualPositionChange(const QString &text);

protected:
    QVector<quint32> observedAddresses() const override;
    void updateFromMemory(const Q_UINT8 *data, int operation, Q_UINT32 extra) override;
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void timerEvent(QTimerEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void polishGeometry();
    void writePosition();
    void growTrail();
    void dropOldest();
    void moveTo(const QPoint &pos);
    void emitSilently();

    struct Private;
    std::unique_ptr<Private> const d;
};

#endif
