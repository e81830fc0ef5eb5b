#ifndef ORVEX_STYLE_H
#define ORVEX_STYLE_H

#include "zb4r_widgets_export.h"

#include <QColor>
#include <QPointer>
#include <QProxyStyle>

class CListWidge;

// The header style of the library list: flat sections in the editor's colours, each column title
// with a row of sub-column titles below it and a divider where the list asks for one. Everything
// else is drawn by the plain "Windows" style underneath.
class ZB4R_WIDGETS_EXPORT COrvexStyle : public QProxyStyle
{
    Q_OBJECT
public:
    // Parented to list, which owns it.
    COrvexStyle(CListWidge *list, const QColor &fill, const QColor &line, const QColor &text);
    ~COrvexStyle() override;

    QColor fillColour() const;
    QColor lineColour() const;
    QColor textColour() const;
    int lineWidth() const;
    void setFillColour(const QColor &c);
    void setLineColour(const QColor &c);
    void setTextColour(const QColor &c);

    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget = nullptr) const override;

    void drawOrvexButton(QPainter *p, int x, int y, int w, int h, bool sunken, bool, bool raised,
                         int section) const;
    void drawOrvexGradient(QPainter *p, int x, int y, int w, int h) const;
    void drawOrvexFrame(QPainter *p, int x, int y, int w, int h, int section) const;

private:
    void drawHeaderLabel(QPainter *p, const QRect &rect, int section) const;

    QColor m_fill;
    QColor m_text;
    QColor m_line;
    int m_lineWidth = 1;
    QPointer<CListWidge> m_list;
};

#endif
