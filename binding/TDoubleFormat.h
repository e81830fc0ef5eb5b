#ifndef TDOUBLEFORMAT_H
#define TDOUBLEFORMAT_H

#include "zb4r_widgets_export.h"

#include <QByteArray>
#include <QString>

// A printf-style format for one double, as widgets take it from form properties (a value
// format and its unit label, say "%0.1f" and " dB").
//
// Such text goes into a printf with a single double argument, so only one conversion may reach
// it: the first floating conversion ('%', flags "-+ #0", a width and a precision of at most two
// digits each, one of f e E g G) is kept, "%%" is kept, and every other '%' is printed as
// itself. "%s", "%n", "%d" or a second conversion therefore show literally ("50.0%" for
// "%0.1f%"), and never read an argument that is not there.
class ZB4R_WIDGETS_EXPORT TDoubleFormat
{
public:
    static constexpr int MaxFieldDigits = 2;

    TDoubleFormat() = default;
    explicit TDoubleFormat(const QString &format);

    // The text given, and the format that printf receives for it.
    const QString &source() const { return m_source; }
    const QByteArray &printfFormat() const { return m_printf; }
    // Whether a floating conversion is kept (otherwise the value is not shown at all).
    bool hasConversion() const { return m_hasConversion; }

    QString format(double value) const;
    static QString format(const QString &format, double value)
    {
        return TDoubleFormat(format).format(value);
    }

    // Length of the floating conversion starting at format (which points at a '%'), or 0 when
    // none starts there.
    static int conversionLength(const char *format);
    // Exactly one floating conversion, literal text and "%%": the format is used as given.
    static bool isSingleConversion(const char *format);

private:
    QString m_source;
    QByteArray m_printf;
    bool m_hasConversion = false;
};

#endif
