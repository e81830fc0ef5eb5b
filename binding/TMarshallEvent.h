#ifndef TMARSHALLEVENT_H
#define TMARSHALLEVENT_H

#include "zb4r_widgets_export.h"

#include <QEvent>
#include <QObject>
#include <QPointer>

// A call of fn(receiver) to be run later on the GUI thread by the option server's dispatcher.
// It may be posted from any thread; a receiver destroyed before delivery is skipped.
class ZB4R_WIDGETS_EXPORT TMarshallEvent : public QEvent
{
public:
    typedef void (*Function)(QObject *);
    static QEvent::Type eventType();

    TMarshallEvent(QObject *receiver, Function fn);
    void run();

    // Posts a TMarshallEvent to CAppServer::s_marshallDispatcher.
    static void post(QObject *receiver, Function fn);

private:
    QPointer<QObject> m_receiver;
    Function m_fn;
};

// The option server: owns the GUI-thread dispatcher of TMarshallEvents.
class ZB4R_WIDGETS_EXPORT CAppServer
{
public:
    // Created on first use and living in the application's thread.
    static QObject *s_marshallDispatcher;
    static QObject *marshallDispatcher();
};

#endif
