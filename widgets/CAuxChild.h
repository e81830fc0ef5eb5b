#ifndef CAUXCHILD_H
#define CAUXCHILD_H

#include "TMemProxy.h"
#include "zb4r_widgets_export.h"

#include <QObject>
#include <QRect>

class CCompositeAux;
class QMouseEvent;
class QPainter;

// One send of a CCompositeAux: not a widget but a bound object below the composite. It binds the
// send level and follows the send's on switch and pre/post selector; the composite lays it out,
// draws it and hands it the mouse events over its bar.
class ZB4R_WIDGETS_EXPORT CAuxChild : public QObject, public TMemProxy
{
    Q_OBJECT
    Q_PROPERTY(QString namedAddress READ namedAddress WRITE setNamedAddress)
    Q_PROPERTY(bool undoEnable READ isUndoEnable WRITE setUndoEnable)
    Q_PROPERTY(int numDefaultKind READ numDefaultKind WRITE setNumDefaultKind) // 2
    ZB4R_MEMPROXY_SLOTS
public:
    // The level a fixed send shows (0 dB).
    static constexpr int FixedLevel = 823;

    explicit CAuxChild(CCompositeAux *composite);
    ~CAuxChild() override;

    CCompositeAux *composite() const;

    QRect rect() const { return m_rect; }
    void setRect(const QRect &r) { m_rect = r; }
    int value() const { return m_value; }
    // 0 off post-fader, 1 off pre-fader, 2 on post-fader, 3 on pre-fader.
    int selectorState() const { return m_state; }
    bool isHidden() const { return m_hidden; }
    void setHidden(bool on) { m_hidden = on; }
    bool isFixed() const { return m_fixed; }
    bool isDragging() const { return m_dragging; }
    void setAlternate(bool on) { m_alternate = on; }

    // The on switch and pre/post selector of this send, as the composite's mode places them.
    IMemAPI::TSingleAddress onAddress() const;
    IMemAPI::TSingleAddress prePostAddress() const;

    void SetValue(int value);
    void SetFixed(bool on);
    int PositionFromValue(int value) const;
    int ValueFromPosition(int x) const;
    // The memory's text of a level of this send.
    QString levelText(int value, int tableId);

    void paint(QPainter &painter) const;
    void mousePress(QMouseEvent *event);
    void mouseMove(QMouseEvent *event);
    void mouseRelease(QMouseEvent *event);

protected:
    void updateFromMemory(const Q_UINT8 *data, int operation, Q_UINT32 extra) override;
    QVector<quint32> observedAddresses() const override;

private:
    int computeState() const;
    bool range(int *minimum, int *maximum) const;

    QRect m_rect;
    int m_value = 0;
    int m_state = 2;
    bool m_dragging = false;
    bool m_hidden = false;
    bool m_fixed = false;
    bool m_alternate = false;
};

#endif
