#ifndef TMETERFRAMES_P_H
#define TMETERFRAMES_P_H

#include "TBackgroundPixmap.h"

#include <QHash>
#include <QPainter>
#include <QWidget>

// The picture of a frame-strip meter: one widget-sized picture per frame shown so far, so that
// a meter moving between frames it has shown before costs one blit and no rendering.
// lookChanged() drops them all (image, grid, size, palette or enabled state changed).
class TMeterFrames
{
public:
    void lookChanged(QWidget *w)
    {
        m_frames.clear();
        m_picture.lookChanged(w);
    }

    // The frame to show next: a picture of it made before is installed, else it is rendered at
    // the next paint. Schedules the repaint.
    void show(QWidget *w, int frame)
    {
        m_frame = frame;
        const auto it = m_frames.constFind(frame);
        if (it != m_frames.constEnd())
            m_picture.setPixmap(*it);
        else
            m_picture.invalidate();
        w->update();
    }

    // Shows a ready picture until the next show() or lookChanged().
    void install(QWidget *w, const QPixmap &picture)
    {
        m_picture.setPixmap(picture);
        w->update();
    }

    void paint(QPainter &painter, QWidget *w, const TBackgroundPixmap::Painter &render)
    {
        const int before = m_picture.rebuildCount();
        m_picture.paint(painter, w, render);
        if (m_picture.rebuildCount() != before)
            m_frames.insert(m_frame, m_picture.current());
    }

    // Frames rendered so far: what "renders once" counts.
    int rebuildCount() const { return m_picture.rebuildCount(); }

private:
    TBackgroundPixmap m_picture;
    QHash<int, QPixmap> m_frames;
    int m_frame = 0;
};

#endif
