#include "CNumEdit.h"

#include "TDoubleFormat.h"

#include <QKeyEvent>
#include <QLocale>

#include <cmath>

namespace {

const char kDefaultFormat[] = "%.1f";
constexpr int kMinimumWidth = 70;

// Length of the number at the start of text (after spaces): sign, digits, decimal point,
// exponent. Returns 0 when no digit is found. start receives the index of the first character.
int scanNumber(const QString &text, int *start)
{
    int i = 0;
    const int n = text.size();
    while (i < n && text.at(i).isSpace())
        ++i;
    *start = i;
    if (i < n && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+')))
        ++i;
    int digits = 0;
    while (i < n && text.at(i).isDigit() && text.at(i).unicode() < 128) {
        ++i;
        ++digits;
    }
    if (i < n && text.at(i) == QLatin1Char('.')) {
        int j = i + 1;
        while (j < n && text.at(j).isDigit() && text.at(j).unicode() < 128) {
            ++j;
            ++digits;
        }
        i = j;
    }
    if (digits == 0)
        return 0;
    if (i < n && (text.at(i) == QLatin1Char('e') || text.at(i) == QLatin1Char('E'))) {
        int j = i + 1;
        if (j < n && (text.at(j) == QLatin1Char('-') || text.at(j) == QLatin1Char('+')))
            ++j;
        const int exponentStart = j;
        while (j < n && text.at(j).isDigit() && text.at(j).unicode() < 128)
            ++j;
        if (j > exponentStart)
            i = j;
    }
    return i - *start;
}

// What may follow a typed number: a unit such as "dB", "kHz", "ms" or "%".
bool isUnitSuffix(const QString &rest)
{
    for (const QChar c : rest) {
        if (!c.isLetter() && c != QLatin1Char('%'))
            return false;
    }
    return true;
}

// A typed entry: a number, optionally followed by a unit. A lone decimal comma is read as a
// decimal point, since users type what their keyboard offers.
bool parseTyped(const QString &typed, double *value)
{
    QString text = typed.trimmed();
    if (!text.contains(QLatin1Char('.')) && text.count(QLatin1Char(',')) == 1)
        text.replace(QLatin1Char(','), QLatin1Char('.'));
    int start = 0;
    const int length = scanNumber(text, &start);
    if (length == 0 || !isUnitSuffix(text.mid(start + length).trimmed()))
        return false;
    bool ok = false;
    *value = QLocale::c().toDouble(QStringView(text).mid(start, length), &ok);
    return ok && std::isfinite(*value);
}

} // namespace

namespace NS_Utilities {

CNumEdit::CNumEdit(QWidget *owner)
    : QLineEdit(owner)
{
    // A child of its owner (which deletes it) shown as its own pop-up window: a click
    // elsewhere closes it.
    setWindowFlags(Qt::Popup);
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    hide();
}

CNumEdit::~CNumEdit() = default;

double CNumEdit::leadingNumber(const QString &text, bool *ok)
{
    int start = 0;
    const int length = scanNumber(text, &start);
    bool parsed = false;
    double value = 0.0;
    if (length > 0)
        value = QLocale::c().toDouble(QStringView(text).mid(start, length), &parsed);
    if (!parsed || !std::isfinite(value)) {
        parsed = false;
        value = 0.0;
    }
    if (ok)
        *ok = parsed;
    return value;
}

void CNumEdit::doEdit(const QString &text, const char *format)
{
    // Anything but exactly one floating conversion falls back to the default.
    if (!TDoubleFormat::isSingleConversion(format))
        format = kDefaultFormat;
    bool ok = false;
    const double number = leadingNumber(text, &ok);
    // A value text without a number ("-inf dB", "Off") is shown as it is, ready to be typed over.
    setText(ok ? QString::asprintf(format, number) : text.trimmed());

    if (QWidget *owner = parentWidget()) {
        // The editing area itself (not any window frame) covers the owner.
        setGeometry(QRect(owner->mapToGlobal(QPoint(0, 0)),
                          QSize(qMax(owner->width(), kMinimumWidth), sizeHint().height())));
    }
    show();
    setFocus(Qt::PopupFocusReason);
    selectAll();
}

void CNumEdit::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        propose();
        break;
    case Qt::Key_Escape:
        hide();
        break;
    default:
        QLineEdit::keyPressEvent(event);
        return;
    }
    event->accept();
}

void CNumEdit::propose()
{
    double value = 0.0;
    if (!parseTyped(text(), &value)) {
        selectAll();
        return;
    }
    // Closed first, so that a receiver may open the editor again.
    hide();
    Q_EMIT numberProposed(value);
}

} // namespace NS_Utilities
