#ifndef CCOMPOSITEAUX_H
#define CCOMPOSITEAUX_H

#include "TMemProxy.h"
#include "zb4r_widgets_export.h"

#include <QPixmap>
#include <QWidget>

#include <memory>

class CAuxChild;

// A column of aux-send level bars in one widget, one bar per CAuxChild, in collapsible layers of
// four. The children take consecutive addresses from one template ("%1" stands for the index);
// the composite draws them all over its background and routes the mouse: a drag on a bar sets
// the level, a click in the margin left of a bar toggles the send on or off. Layout (250 ms)
// and repaint (10 ms) are deferred, so bursts of changes cost one pass each.
class ZB4R_WIDGETS_EXPORT CCompositeAux : public QWidget, public TMemProxy
{
    Q_OBJECT
public:
    enum EAddressingMode { eMix = 0, eInputs = 1, eMatrix = 2 };
    Q_ENUM(EAddressingMode)

private:
    Q_PROPERTY(QPixmap thumbImage READ thumbImage WRITE setThumbImage) // null; on post-fader
    Q_PROPERTY(QPixmap offPreFader READ offPreFader WRITE setOffPreFader) // null
    Q_PROPERTY(QPixmap onPreFader READ onPreFader WRITE setOnPreFader) // null
    Q_PROPERTY(QPixmap offPostFader READ offPostFader WRITE setOffPostFader) // null
    Q_PROPERTY(
            QPixmap thumbNailPostImage READ thumbNailPostImage WRITE setThumbNailPostImage) // null
    Q_PROPERTY(QPixmap thumbNailPreImage READ thumbNailPreImage WRITE setThumbNailPreImage) // null
    Q_PROPERTY(QPixmap pixmap READ pixmap WRITE setPixmap) // null; header band, then layers
    Q_PROPERTY(int tableId READ tableId WRITE setTableId) // 5
    Q_PROPERTY(int numChildren READ numChildren WRITE setNumChildren) // 0; 0..255
    Q_PROPERTY(QString headerList READ headerList WRITE setHeaderList) // reads empty
    Q_PROPERTY(QString layerList READ layerList WRITE setLayerList) // reads empty
    Q_PROPERTY(int separation READ separation WRITE setSeparation) // 8
    Q_PROPERTY(int margin READ margin WRITE setMargin) // 10
    Q_PROPERTY(int childIndexStart READ childIndexStart WRITE setChildIndexStart) // 1; 0..255
    Q_PROPERTY(int headerHeight READ headerHeight WRITE setHeaderHeight) // 0; 0..255
    Q_PROPERTY(EAddressingMode addrMode READ addrMode WRITE setAddrMode) // eMix
    Q_PROPERTY(QString namedAddress READ namedAddress WRITE setNamedAddress) // the template
    Q_PROPERTY(bool undoEnable READ isUndoEnable WRITE setUndoEnable) // false
    Q_PROPERTY(int numDefaultKind READ numDefaultKind WRITE setNumDefaultKind) // 0

public:
    static constexpr int LayerSize = 4; // children per layer
    static constexpr int LayoutDelay = 250; // ms
    static constexpr int RepaintDelay = 10; // ms

    explicit CCompositeAux(QWidget *parent = nullptr, const char *name = nullptr);
    ~CCompositeAux() override;

    QPixmap thumbImage() const;
    QPixmap offPreFader() const;
    QPixmap onPreFader() const;
    QPixmap offPostFader() const;
    QPixmap thumbNailPostImage() const;
    QPixmap thumbNailPreImage() const;
    QPixmap pixmap() const;
    int tableId() const;
    int numChildren() const;
    QString headerList() const { return QString(); }
    QString layerList() const { return QString(); }
    int separation() const;
    int margin() const;
    int childIndexStart() const;
    int headerHeight() const;
    EAddressingMode addrMode() const;
    QString namedAddress() const override;

    CAuxChild *child(int index) const;
    Q_UINT8 layerBits() const;
    bool layerCollapsed(int layer) const;
    int calcHeight() const;
    int available() const;
    // The bar image of a selector state (state 4 and up: thumbImage) and its end cap.
    QPixmap barImage(int state) const;
    QPixmap capImage(int state) const;

    void repaintScreenPrimitive(QPainter &painter);
    TMemProxy *realMemoryProxy(QMouseEvent *event) override;
    bool connectMemAPI() override;
    void disconnectMemAPI() override;
    void applyConnection(int attached) override;

    // Layout passes and picture renders so far (tests and benchmarks).
    int layoutCount() const;
    int pictureRebuildCount() const;

public Q_SLOTS:
    void process(const Q_UINT8 *data, int operation, Q_UINT32 extra) override;
    void setNamedAddress(const QString &address) override;
    void setUndoEnable(bool on) override;
    void setNumDefaultKind(int kind) override;
    void setThumbImage(const QPixmap &image);
    void setOffPreFader(const QPixmap &image);
    void setOnPreFader(const QPixmap &image);
    void setOffPostFader(const QPixmap &image);
    void setThumbNailPostImage(const QPixmap &image);
    void setThumbNailPreImage(const QPixmap &image);
    void setTableId(int id);
    void setNumChildren(int count);
    void setHeaderList(const QString &list);
    void setSeparation(int pixels);
    void setMargin(int pixels);
    void setChildIndexStart(int index);
    void setLayerList(const QString &list);
    bool hasLayering();
    void setHeaderHeight(int pixels);
    void setPixmap(const QPixmap &image);
    void setAddrMode(EAddressingMode mode);
    void forceAnUpdate();
    void ylayout();
    void setLayerCollapsed(Q_UINT8 bits);
    void setLayerMoved(int y);
    void setFixed(bool on, int first);
    void setFixed(bool on, int first, int count);
    void valueChange(int value, CAuxChild *child);

Q_SIGNALS:
    void alternativeDisplayBegin();
    void alternativeDisplayEnd();
    void textualValueChange(const QString &text);
    void layerChanged(Q_UINT8 bits);
    void layerMoved(int y);

protected:
    void updateFromMemory(const Q_UINT8 *data, int operation, Q_UINT32 extra) override;
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void requestUpdate();
    void requestLayout();
    void applyTemplate();
    QString childAddress(int index) const;
    CAuxChild *hitTest(const QPoint &pos, int *switchHit) const;
    void toggleSwitch(CAuxChild *child);

    struct Private;
    std::unique_ptr<Private> const d;
};

#endif
