#ifndef CPOPUPLABEL_H
#define CPOPUPLABEL_H

#include "zb4r_widgets_export.h"

#include <QPalette>
#include <QPushButton>

// One cell of a CPopupItem grid: a flat button with a normal, a hover and a selected palette.
class ZB4R_WIDGETS_EXPORT CPopupLabel : public QPushButton
{
    Q_OBJECT
public:
    explicit CPopupLabel(QWidget *parent = nullptr);

    // The fixed cell size rules.
    QSize sizeHint() const override;

    // Applies p and remembers the palette it replaces.
    void pushPalette(const QPalette &p);
    // Re-applies the remembered palette, if any.
    void popPalette();
    void setSelectedPalette();
    void setNormalPalette();
    void setHoverPalette();

    enum class Look { Normal, Hover, Selected, Other };
    // Which of the three palettes the cell shows.
    Look look() const;

public Q_SLOTS:
    void customPressed();

Q_SIGNALS:
    // Declared for hosts; the cell closes its window through the window itself.
    void customClose(CPopupLabel *cell);

protected:
    bool event(QEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void drawButton(QPainter *painter);

private:
    void preparePalettes();
    void applyPalette(const QPalette &p);

    QPalette m_normal;
    QPalette m_hover;
    QPalette m_selected;
    // The palette shown now and the one it replaced (pushPalette/popPalette).
    QPalette m_current;
    QPalette m_previous;
    bool m_hasPrevious = false;
};

#endif
