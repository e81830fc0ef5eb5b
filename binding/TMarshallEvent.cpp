#include "TMarshallEvent.h"

#include <QCoreApplication>
#include <QMutex>
#include <QThread>

#include <atomic>

namespace {

// Runs marshalled calls on the thread it lives in, the application's.
class MarshallDispatcher : public QObject
{
public:
    bool event(QEvent *event) override
    {
        if (event->type() != TMarshallEvent::eventType())
            return QObject::event(event);
        static_cast<TMarshallEvent *>(event)->run();
        return true;
    }
};

// Read without the lock on every post; written under it.
std::atomic<QObject *> g_dispatcher {nullptr};
QBasicMutex g_dispatcherMutex;

void destroyDispatcher()
{
    QMutexLocker lock(&g_dispatcherMutex);
    delete g_dispatcher.exchange(nullptr);
    CAppServer::s_marshallDispatcher = nullptr;
}

} // namespace

QObject *CAppServer::s_marshallDispatcher = nullptr;

QEvent::Type TMarshallEvent::eventType()
{
    static const QEvent::Type s_type = QEvent::Type(QEvent::registerEventType());
    return s_type;
}

TMarshallEvent::TMarshallEvent(QObject *receiver, Function fn)
    : QEvent(eventType())
    , m_receiver(receiver)
    , m_fn(fn)
{
}

void TMarshallEvent::run()
{
    // A null receiver means it was destroyed after posting (or never given): nothing to call on.
    if (m_fn && m_receiver)
        m_fn(m_receiver.data());
}

void TMarshallEvent::post(QObject *receiver, Function fn)
{
    if (!fn)
        return;
    if (QObject *dispatcher = CAppServer::marshallDispatcher())
        QCoreApplication::postEvent(dispatcher, new TMarshallEvent(receiver, fn));
}

QObject *CAppServer::marshallDispatcher()
{
    if (QObject *dispatcher = g_dispatcher.load(std::memory_order_acquire))
        return dispatcher;

    QMutexLocker lock(&g_dispatcherMutex);
    if (QObject *dispatcher = g_dispatcher.load(std::memory_order_relaxed))
        return dispatcher;
    // Without an application there is no GUI thread to run anything on.
    QCoreApplication *app = QCoreApplication::instance();
    if (!app)
        return nullptr;
    // Made on the calling thread, which may be a worker: moving it is allowed from there.
    auto *dispatcher = new MarshallDispatcher;
    dispatcher->setObjectName(QStringLiteral("zb4r_marshallDispatcher"));
    dispatcher->moveToThread(app->thread());
    s_marshallDispatcher = dispatcher;
    g_dispatcher.store(dispatcher, std::memory_order_release);
    qAddPostRoutine(destroyDispatcher);
    return dispatcher;
}
