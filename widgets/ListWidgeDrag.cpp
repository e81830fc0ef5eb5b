#include "ListWidgeDrag.h"

#include <cstring>

namespace {

constexpr int LengthBytes = 4;

} // namespace

CListWidgeDrag::CListWidgeDrag(int contentType, const QList<QByteArray> &records)
    : m_contentType(contentType)
    , m_format(formatFor(contentType))
{
    setData(m_format, encode(records));
}

CListWidgeDrag::~CListWidgeDrag() = default;

QString CListWidgeDrag::formatFor(int contentType)
{
    return QStringLiteral("zb4r_type:%2").arg(contentType);
}

QString CListWidgeDrag::format(int i) const
{
    return i == 0 ? m_format : QString();
}

int CListWidgeDrag::contentType() const
{
    return m_contentType;
}

QByteArray CListWidgeDrag::encodedData(const QString &format) const
{
    return data(format);
}

QByteArray CListWidgeDrag::encode(const QList<QByteArray> &records)
{
    QByteArray out;
    for (const QByteArray &record : records) {
        const qint32 length = qint32(record.size());
        out.append(reinterpret_cast<const char *>(&length), LengthBytes);
        out.append(record);
    }
    return out;
}

bool CListWidgeDrag::decode(const QByteArray &data, QList<QByteArray> &records)
{
    records.clear();
    qsizetype at = 0;
    while (at < data.size()) {
        if (data.size() - at < LengthBytes) {
            records.clear();
            return false;
        }
        qint32 length = 0;
        std::memcpy(&length, data.constData() + at, LengthBytes);
        at += LengthBytes;
        if (length < 0 || length > data.size() - at) {
            records.clear();
            return false;
        }
        records.append(data.mid(at, length));
        at += length;
    }
    return true;
}

bool CListWidgeDrag::decodeData(const QMimeData *source, QList<QByteArray> &records,
                                int contentType)
{
    records.clear();
    const QString f = formatFor(contentType);
    if (!source || !source->hasFormat(f))
        return false;
    const QByteArray data = source->data(f);
    if (data.isEmpty())
        return false;
    return decode(data, records);
}

QByteArray CListWidgeDrag::encodeRows(const QList<int> &rows)
{
    QByteArray out;
    for (int row : rows) {
        const qint32 r = row;
        out.append(reinterpret_cast<const char *>(&r), LengthBytes);
    }
    return out;
}

bool CListWidgeDrag::decodeRows(const QByteArray &record, QList<int> &rows)
{
    rows.clear();
    if (record.isEmpty() || record.size() % LengthBytes != 0)
        return false;
    for (qsizetype at = 0; at < record.size(); at += LengthBytes) {
        qint32 r = 0;
        std::memcpy(&r, record.constData() + at, LengthBytes);
        rows.append(r);
    }
    return true;
}
