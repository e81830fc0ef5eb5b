#ifndef LISTWIDGEDRAG_H
#define LISTWIDGEDRAG_H

#include "zb4r_widgets_export.h"

#include <QByteArray>
#include <QList>
#include <QMimeData>

// The drag payload of the library list: a sequence of records under the format
// "zb4r_type:<content type>". Each record is a 4-byte length in the machine's byte order followed
// by that many bytes. The first record holds the dragged rows' references (row indexes, 4 bytes
// each, meaningful only inside the running application); one record per dragged row follows
// (the single byte 255 for an unused slot, else the slot contents).
class ZB4R_WIDGETS_EXPORT CListWidgeDrag : public QMimeData
{
    Q_OBJECT
public:
    CListWidgeDrag(int contentType, const QList<QByteArray> &records);
    ~CListWidgeDrag() override;

    static QString formatFor(int contentType);
    // The format string for i = 0, else a null string.
    QString format(int i) const;
    int contentType() const;
    // The encoded records.
    QByteArray encodedData(const QString &format) const;

    static QByteArray encode(const QList<QByteArray> &records);
    // Splits data into records; false (records emptied) when a length or a record is cut.
    static bool decode(const QByteArray &data, QList<QByteArray> &records);
    // Fills records from source's data for contentType; false when source lacks the format,
    // yields no data or the data is cut.
    static bool decodeData(const QMimeData *source, QList<QByteArray> &records, int contentType);

    // The reference record of row indexes; false when its size is not a non-zero multiple of 4.
    static QByteArray encodeRows(const QList<int> &rows);
    static bool decodeRows(const QByteArray &record, QList<int> &rows);

private:
    int m_contentType;
    QString m_format;
};

#endif
