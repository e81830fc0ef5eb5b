#ifndef CHOTSPOTLABEL_H
#define CHOTSPOTLABEL_H

#include "CLabelDisplay.h"
#include "zb4r_types.h"

#include <QRect>

// A label with a sensitive rectangle: presses of the hot buttons strictly inside it report
// hotspotClicked(), left double clicks hotspotDoubleClicked() (with the modifier and button
// state before the click). The double click replaces the numeric entry of CLabelDisplay.
class ZB4R_WIDGETS_EXPORT CHotspotLabel : public CLabelDisplay
{
    Q_OBJECT
    Q_PROPERTY(QRect hotSpot READ hotSpot WRITE setHotSpot) // null (0, 0, -1, -1): never hot
    Q_PROPERTY(ButtonState hotButtons READ hotButtons WRITE setHotButtons) // Qt::LeftButton
public:
    explicit CHotspotLabel(QWidget *parent = nullptr, const char *name = nullptr);
    ~CHotspotLabel() override;

    QRect hotSpot() const;
    ButtonState hotButtons() const;
    // Strictly inside a non-empty hot spot.
    bool isHot(const QPoint &pos) const;
    // The state a double click reports: modifiers plus the buttons held before the click.
    static ButtonState doubleClickState(const QMouseEvent &event);

public Q_SLOTS:
    void setHotSpot(const QRect &rect);
    void setHotButtons(ButtonState buttons);

Q_SIGNALS:
    void hotspotClicked();
    void hotspotDoubleClicked();
    void hotspotDoubleClicked(ButtonState state);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    QRect m_hotSpot;
    ButtonState m_hotButtons = Qt::LeftButton;
};

#endif
