#include "TDoubleFormat.h"

#include <cstring>

namespace {

const char kFlags[] = "-+ #0";
const char kConversions[] = "feEgG";

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Skips at most MaxFieldDigits digits; false when there are more.
bool skipField(const char *&c)
{
    int digits = 0;
    while (isDigit(*c)) {
        if (++digits > TDoubleFormat::MaxFieldDigits)
            return false;
        ++c;
    }
    return true;
}

} // namespace

TDoubleFormat::TDoubleFormat(const QString &format)
    : m_source(format)
{
    const QByteArray bytes = format.toUtf8();
    m_printf.reserve(bytes.size() + 8);
    for (const char *c = bytes.constData(); *c;) {
        if (*c != '%') {
            m_printf.append(*c++);
            continue;
        }
        if (c[1] == '%') {
            m_printf.append("%%", 2);
            c += 2;
            continue;
        }
        const int length = m_hasConversion ? 0 : conversionLength(c);
        if (length > 0) {
            m_printf.append(c, length);
            m_hasConversion = true;
            c += length;
        } else {
            // Not ours to convert: the '%' shows as itself.
            m_printf.append("%%", 2);
            ++c;
        }
    }
}

QString TDoubleFormat::format(double value) const
{
    if (!m_hasConversion)
        return QString::fromUtf8(QByteArray(m_printf).replace("%%", "%"));
    return QString::asprintf(m_printf.constData(), value);
}

int TDoubleFormat::conversionLength(const char *format)
{
    if (!format || *format != '%')
        return 0;
    const char *c = format + 1;
    while (*c && std::strchr(kFlags, *c))
        ++c;
    if (!skipField(c))
        return 0;
    if (*c == '.') {
        ++c;
        if (!skipField(c))
            return 0;
    }
    if (!*c || !std::strchr(kConversions, *c))
        return 0;
    return int(c + 1 - format);
}

bool TDoubleFormat::isSingleConversion(const char *format)
{
    if (!format)
        return false;
    int conversions = 0;
    for (const char *c = format; *c; ++c) {
        if (*c != '%')
            continue;
        if (c[1] == '%') {
            ++c;
            continue;
        }
        const int length = conversionLength(c);
        if (length == 0)
            return false;
        ++conversions;
        c += length - 1;
    }
    return conversions == 1;
}
