// printf formats for one double (value formats and unit labels from forms): whatever the text,
// printf sees at most one floating conversion, and the printed text equals a rendering made
// piece by piece: literal text as it is, "%%" and every unconvertible '%' as '%', the first
// floating conversion printed on its own.

#include "TDoubleFormat.h"

#include <QByteArray>
#include <QString>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

void require(bool ok)
{
    if (!ok)
        std::abort();
}

// Independent reading of the conversion grammar: '%', flags, up to two width digits, an
// optional '.' with up to two digits, one of f e E g G.
int referenceConversion(const QByteArray &s, int i)
{
    int j = i + 1;
    while (j < s.size() && std::strchr("-+ #0", s.at(j)) && s.at(j) != '\0')
        ++j;
    int digits = 0;
    while (j < s.size() && s.at(j) >= '0' && s.at(j) <= '9' && digits <= 2) {
        ++j;
        ++digits;
    }
    if (digits > 2)
        return 0;
    if (j < s.size() && s.at(j) == '.') {
        ++j;
        digits = 0;
        while (j < s.size() && s.at(j) >= '0' && s.at(j) <= '9' && digits <= 2) {
            ++j;
            ++digits;
        }
        if (digits > 2)
            return 0;
    }
    if (j >= s.size() || !std::strchr("feEgG", s.at(j)) || s.at(j) == '\0')
        return 0;
    return j + 1 - i;
}

QString reference(const QByteArray &s, double value)
{
    QByteArray out;
    bool converted = false;
    for (int i = 0; i < s.size();) {
        if (s.at(i) != '%') {
            out.append(s.at(i++));
            continue;
        }
        if (i + 1 < s.size() && s.at(i + 1) == '%') {
            out.append('%');
            i += 2;
            continue;
        }
        const int n = converted ? 0 : referenceConversion(s, i);
        if (n > 0) {
            out.append(QString::asprintf(s.mid(i, n).constData(), value).toUtf8());
            converted = true;
            i += n;
        } else {
            out.append('%');
            ++i;
        }
    }
    return QString::fromUtf8(out);
}

int conversionsIn(const QByteArray &printf)
{
    int n = 0;
    for (int i = 0; i < printf.size(); ++i) {
        if (printf.at(i) != '%')
            continue;
        if (i + 1 < printf.size() && printf.at(i + 1) == '%') {
            ++i;
            continue;
        }
        require(referenceConversion(printf, i) > 0);
        ++n;
    }
    return n;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Text as a form gives it: the bytes up to the first NUL, read as UTF-8 and written back.
    const QByteArray raw(reinterpret_cast<const char *>(data), int(size));
    const QString text =
            QString::fromUtf8(raw.left(raw.indexOf('\0') < 0 ? raw.size() : raw.indexOf('\0')));
    const QByteArray bytes = text.toUtf8();
    const TDoubleFormat format(text);
    const int conversions = conversionsIn(format.printfFormat());
    require(conversions <= 1);
    require((conversions == 1) == format.hasConversion());
    // A format that is already safe is used as it is.
    if (TDoubleFormat::isSingleConversion(bytes.constData()))
        require(format.printfFormat() == bytes);
    for (double v : {0.0, -12.25, 1e300, -1e-300, std::numeric_limits<double>::infinity(),
                     std::numeric_limits<double>::quiet_NaN()}) {
        require(format.format(v) == reference(bytes, v));
    }
    return 0;
}
