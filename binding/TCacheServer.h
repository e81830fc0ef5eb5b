#ifndef TCACHESERVER_H
#define TCACHESERVER_H

#include "zb4r_widgets_export.h"

#include <QMap>
#include <QMutex>
#include <QString>

class QObject;

// A look record that alike widgets may share through a TCacheServer.
class ZB4R_WIDGETS_EXPORT TCachedData
{
public:
    TCachedData();
    virtual ~TCachedData();

    // Widgets that obtained the record through the cache; it only rises.
    qint32 refCount = 0;
    // Set by the owning widget before polish; null once the cache holds the record.
    QString key;

    TCachedData(const TCachedData &) = delete;
    TCachedData &operator=(const TCachedData &) = delete;
};

// Mix-in for a host window that lets alike widgets below it share look records. Records in the
// map belong to the cache; what happens to them when the server goes away is the host's choice
// (this one leaves them: call deleteRecords() to free them).
class ZB4R_WIDGETS_EXPORT TCacheServer
{
public:
    TCacheServer();
    virtual ~TCacheServer();

    // Stores data under key, or deletes it in favour of the record already stored there.
    // The result's count is raised by one; callers replace their pointer with it.
    TCachedData *insert(const QString &key, TCachedData *data);

    int recordCount() const;
    TCachedData *record(const QString &key) const;
    void deleteRecords();

    // Nearest ancestor widget of w (w excluded) that is a server, or null.
    static TCacheServer *serverFor(const QObject *w);

private:
    mutable QMutex m_mutex;
    QMap<QString, TCachedData *> m_records;
};

#endif
