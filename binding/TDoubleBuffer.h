#ifndef TDOUBLEBUFFER_H
#define TDOUBLEBUFFER_H

#include "TBackgroundPixmap.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>

// A widget that shows one composed picture: the picture is installed with updateErasePixmap()
// and every paint event blits it (Qt 3's fixed background pixmap). Widgets derived from it
// compose their picture elsewhere and only install it here. polished() runs once the base
// class has taken the Polish event.
template<class W>
class TDoubleBuffer : public W
{
public:
    explicit TDoubleBuffer(QWidget *parent = nullptr)
        : W(parent)
    {
    }

    // Installs pixmap as the widget's picture and schedules a repaint; a null pixmap leaves
    // the widget showing nothing of its own.
    virtual void updateErasePixmap(QPixmap &pixmap)
    {
        m_picture.setPixmap(pixmap);
        W::update();
    }
    const QPixmap &erasePixmap() const { return m_picture.current(); }
    bool hasErasePixmap() const { return m_picture.isValid(); }

protected:
    virtual void polished() { }

    bool event(QEvent *event) override
    {
        const bool handled = W::event(event);
        if (event->type() == QEvent::Polish)
            polished();
        return handled;
    }
    void paintEvent(QPaintEvent *) override
    {
        if (!m_picture.isValid())
            return;
        QPainter painter(this);
        painter.drawPixmap(0, 0, m_picture.current());
    }

private:
    TBackgroundPixmap m_picture;
};

#endif
