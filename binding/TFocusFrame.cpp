#include "TFocusFrame.h"

#include "TMemProxy.h"

#include <QApplication>
#include <QPainter>
#include <QPointer>

namespace {

QPointer<TFocusFrame> &sharedFrame()
{
    static QPointer<TFocusFrame> frame;
    return frame;
}

bool showsFrame(const QWidget *w)
{
    return w && (w->focusPolicy() & Qt::TabFocus) && dynamic_cast<const TMemProxy *>(w)
            && !w->isWindow();
}

} // namespace

TFocusFrame::TFocusFrame(QWidget *parent)
    : QFocusFrame(parent)
{
}

void TFocusFrame::install()
{
    auto *app = qobject_cast<QApplication *>(QCoreApplication::instance());
    static QPointer<QApplication> connectedTo;
    if (!app || connectedTo == app)
        return;
    connectedTo = app;
    QObject::connect(app, &QApplication::focusChanged, app,
                     [](QWidget *, QWidget *now) { focusMoved(now); });
}

TFocusFrame *TFocusFrame::frameOf(const QWidget *widget)
{
    TFocusFrame *frame = sharedFrame();
    return frame && widget && frame->widget() == widget && frame->isVisible() ? frame : nullptr;
}

void TFocusFrame::focusMoved(QWidget *now)
{
    QPointer<TFocusFrame> &frame = sharedFrame();
    if (!showsFrame(now)) {
        if (frame)
            frame->setWidget(nullptr);
        return;
    }
    if (!frame)
        frame = new TFocusFrame;
    frame->setWidget(now);
}

void TFocusFrame::paintEvent(QPaintEvent *)
{
    // QFocusFrame masks the widget to the ring around its target: filling it draws the ring.
    QPainter painter(this);
    painter.fillRect(rect(), palette().brush(QPalette::Highlight));
}
