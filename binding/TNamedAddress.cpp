#include "TNamedAddress_p.h"

#include "TMemProxy.h"
#include "TParamCatalogue_p.h"

#include <QMetaObject>
#include <QStringList>

namespace {

bool isHexDigit(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            || (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
            || (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

// Two hex digits at text[at]; -1 when they are not both hex digits.
int hexByte(const QString &text, int at)
{
    if (at + 2 > text.size() || !isHexDigit(text.at(at)) || !isHexDigit(text.at(at + 1)))
        return -1;
    return text.mid(at, 2).toInt(nullptr, 16);
}

} // namespace

bool TNamedAddress::parseEntry(const TParamCatalogue &c, const QString &raw, TNamedEntry *out)
{
    const QString text = raw.trimmed();
    TNamedEntry entry;
    int at = 0;
    // "CCHHkSection/kParam" or "HHkSection/kParam": section keys start with 'k', never a hex digit.
    if (text.size() > 4 && text.at(4) == QLatin1Char('k') && hexByte(text, 0) >= 0
        && hexByte(text, 2) >= 0) {
        entry.count = hexByte(text, 0);
        at = 2;
        if (entry.count == 0)
            return false;
    } else if (!(text.size() > 2 && text.at(2) == QLatin1Char('k'))) {
        return false;
    }
    const int channel = hexByte(text, at);
    if (channel < 0)
        return false;
    const QStringList keys = text.mid(at + 2).split(QLatin1Char('/'));
    if (keys.size() != 2)
        return false;
    const int si = c.sectionIndex.value(keys.at(0), -1);
    if (si < 0)
        return false;
    const TSectionDef &section = c.sections.at(si);
    const int pi = section.keyIndex.value(keys.at(1), -1);
    if (pi < 0)
        return false;
    entry.element = section.element;
    entry.parameter = section.params.at(pi).id;
    entry.elementChannels = section.channels;
    // A list entry cannot cover more channels than its element has.
    if (entry.count > section.channels)
        return false;
    if (channel == OwnChannelCode) {
        entry.ownChannel = true;
    } else {
        if (channel >= section.channels)
            return false;
        entry.channel = channel;
    }
    *out = entry;
    return true;
}

int TNamedAddress::parseList(const TParamCatalogue &catalogue, const QString &text,
                             TAddressList *list)
{
    int appended = 0;
    int first = 0;
    const QStringList entries = text.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString &raw : entries) {
        if (raw.trimmed().isEmpty())
            continue;
        TNamedEntry entry;
        if (!parseEntry(catalogue, raw, &entry))
            continue; // a malformed entry is dropped and takes no channel range
        TAddressRecord r;
        r.element = qint16(entry.element);
        r.channel = qint16(entry.ownChannel ? TMemProxy::OwnChannel : entry.channel);
        r.parameter = qint16(entry.parameter);
        r.first = qint16(first);
        r.count = qint16(entry.count > 0 ? entry.count : entry.elementChannels);
        first += r.count;
        list->append(r);
        ++appended;
    }
    return appended;
}

int TNamedAddress::parseMethod(const char *text, QByteArray *signature)
{
    QByteArray name = QByteArray(text).trimmed();
    int code = 0;
    if (name.startsWith('1') || name.startsWith('2')) {
        code = name.at(0) - '0';
        name.remove(0, 1);
    }
    *signature = QMetaObject::normalizedSignature(name.constData());
    return code;
}
