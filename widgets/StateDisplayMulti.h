#ifndef STATEDISPLAYMULTI_H
#define STATEDISPLAYMULTI_H

#include "TDoubleBuffer.h"
#include "TMemProxy.h"
#include "zb4r_widgets_export.h"

#include <QPixmap>
#include <QString>
#include <QWidget>

#include <memory>

class TCachedData;

// A column of on/off lamps, one band per item, lit from the bits of the widget's own parameter
// and up to four extra parameters (assignment lamps of a channel to its buses, say). The picture
// is the dark strip with the band of every set bit copied from the lit strip. It only reads.
// Alike displays below a TCacheServer share one look record (strips, layout and extras).
class ZB4R_WIDGETS_EXPORT CStateDisplayMulti : public TDoubleBuffer<QWidget>, public TMemProxy
{
    Q_OBJECT
    Q_PROPERTY(QPixmap pixImgOnList READ getImgOnList WRITE setImgOnList) // null
    Q_PROPERTY(QPixmap pixImgOffList READ getImgOffList WRITE setImgOffList) // null
    Q_PROPERTY(int iTtlNumber READ getTtlNumber WRITE setTtlNumber) // 0
    Q_PROPERTY(QString strItemGroups READ getItemGroups WRITE setItemGroups) // empty
    Q_PROPERTY(QString strItemStarts READ getItemStarts WRITE setItemStarts) // empty
    Q_PROPERTY(int iImageHeight READ getImageHeight WRITE setImageHeight) // 0: strip / items
    Q_PROPERTY(QString namedAddress READ namedAddress WRITE setNamedAddress) // empty
    Q_PROPERTY(bool undoEnable READ isUndoEnable WRITE setUndoEnable) // binding default
    Q_PROPERTY(int numDefaultKind READ numDefaultKind WRITE setNumDefaultKind) // 0
    Q_PROPERTY(QString xtraInfo READ xtraInfo WRITE setXtraInfo) // empty: no extras
    ZB4R_MEMPROXY_SLOTS

public:
    // The look record (defined in StateDisplayMulti_p.h).
    class CStateDisplayMulti_PD;

    // Item numbering offset for every item count but FullItemCount.
    static constexpr int DefaultItemOffset = 6;
    static constexpr int FullItemCount = 18;
    static constexpr int MaxExtraAddresses = 4;

    explicit CStateDisplayMulti(QWidget *parent = nullptr, const QString &name = QString());
    ~CStateDisplayMulti() override;

    QPixmap getImgOnList() const;
    QPixmap getImgOffList() const;
    int getTtlNumber() const;
    QString getItemGroups() const;
    QString getItemStarts() const;
    int getImageHeight() const;
    QString xtraInfo() const;

    // Rebuilds the item map from the groups and starts, then recomposes.
    void sortGroups();
    // Composes the picture from the strips and the current values.
    void reCalc();
    // Resolves the extra addresses once a memory is set (again after a failed try).
    void parseXtraInfo();

    // The y position of item's band in the map, or -1 when the map has no entry for it.
    int mappedStart(int item) const;
    // How many extra addresses are resolved.
    int extraAddressCount() const;
    // How often a picture was composed (tests and diagnostics).
    int compositionCount() const;

    const TCachedData *lookRecord() const;
    bool lookRecordCached() const;

    bool connectMemAPI() override;
    void disconnectMemAPI() override;

public Q_SLOTS:
    void setImgOnList(const QPixmap &strip);
    void setImgOffList(const QPixmap &strip);
    void setTtlNumber(const int count);
    void setItemGroups(const QString &groups);
    void setItemStarts(const QString &starts);
    void setImageHeight(const int height);
    void setXtraInfo(const QString &list);

public:
    // The conventional spellings of the setters above, which uic-generated forms call.
    void setPixImgOnList(const QPixmap &strip) { setImgOnList(strip); }
    void setPixImgOffList(const QPixmap &strip) { setImgOffList(strip); }
    void setITtlNumber(int count) { setTtlNumber(count); }
    void setStrItemGroups(const QString &groups) { setItemGroups(groups); }
    void setStrItemStarts(const QString &starts) { setItemStarts(starts); }
    void setIImageHeight(int height) { setImageHeight(height); }

protected:
    void updateFromMemory(const Q_UINT8 *data, int operation, Q_UINT32 extra) override;
    QVector<quint32> observedAddresses() const override;
    void polished() override;

private:
    void joinLookCache();
    // The value a group reads: the own address for group 0, else extra address group - 1.
    bool groupValue(int group, int *value) const;
    QVector<quint32> addressesToObserve() const;

    struct Private;
    std::unique_ptr<Private> const d;
};

#endif
