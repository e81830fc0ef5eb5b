#include "TCacheServer.h"

#include <QMutexLocker>
#include <QObject>

TCachedData::TCachedData() = default;

TCachedData::~TCachedData() = default;

TCacheServer::TCacheServer() = default;

TCacheServer::~TCacheServer() = default;

TCachedData *TCacheServer::insert(const QString &key, TCachedData *data)
{
    if (!data)
        return nullptr;

    QMutexLocker lock(&m_mutex);
    TCachedData *result = m_records.value(key, nullptr);
    if (result) {
        // The newcomer gives up its own look in favour of the first widget's.
        if (result != data)
            delete data;
    } else {
        m_records.insert(key, data);
        // The map holds the key from now on.
        data->key = QString();
        result = data;
    }
    ++result->refCount;
    return result;
}

int TCacheServer::recordCount() const
{
    QMutexLocker lock(&m_mutex);
    return int(m_records.size());
}

TCachedData *TCacheServer::record(const QString &key) const
{
    QMutexLocker lock(&m_mutex);
    return m_records.value(key, nullptr);
}

void TCacheServer::deleteRecords()
{
    QMap<QString, TCachedData *> records;
    {
        QMutexLocker lock(&m_mutex);
        records.swap(m_records);
    }
    qDeleteAll(records);
}

TCacheServer *TCacheServer::serverFor(const QObject *w)
{
    for (QObject *p = w ? w->parent() : nullptr; p; p = p->parent()) {
        if (auto *server = dynamic_cast<TCacheServer *>(p))
            return server;
    }
    return nullptr;
}
