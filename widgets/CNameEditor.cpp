#include "CNameEditor.h"

#include <QKeyEvent>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

namespace {

// The characters a name may hold: letters, digits, white space, the listed punctuation (with
// the range "+" to "." inside the bracket), parentheses, square brackets, and the double quote,
// number sign and backslash. \s is ASCII white space: no Unicode option.
const char kNamePattern[] = "([A-Z]|[a-z]|[0-9]|[\\s]|[/!$%&*+-.,:;<=>?@^_'`]|[\\(]|[\\)]|[\\[]|"
                            "[\\]]|[\\x22]|[\\x23]|[\\x5C])*";

QString withoutLeadingBlanks(const QString &s)
{
    static const QRegularExpression nonBlank(QStringLiteral("\\S"));
    const QRegularExpressionMatch m = nonBlank.match(s);
    return m.hasMatch() ? s.mid(m.capturedStart()) : QString();
}

QString withoutTrailingBlanks(const QString &s)
{
    static const QRegularExpression lastNonBlank(QStringLiteral("\\S(?=\\s*$)"));
    const QRegularExpressionMatch m = lastNonBlank.match(s);
    return m.hasMatch() ? s.left(m.capturedEnd()) : QString();
}

} // namespace

struct CNameEditor::Private
{
    TrancateMode mode = NoTrancate;
    bool editing = false;
    QRegularExpressionValidator *validator = nullptr;
};

CNameEditor::CNameEditor(QWidget *parent, const char *name)
    : QLineEdit(parent)
    , d(std::make_unique<Private>())
{
    setObjectName(QString::fromLatin1(name));
    d->validator = new QRegularExpressionValidator(
            QRegularExpression(QString::fromLatin1(kNamePattern)), this);
    setValidator(d->validator);
}

CNameEditor::~CNameEditor()
{
    setValidator(nullptr);
    delete d->validator;
}

CNameEditor::TrancateMode CNameEditor::trancateMode() const
{
    return d->mode;
}

void CNameEditor::setTrancateMode(CNameEditor::TrancateMode mode)
{
    d->mode = mode;
}

bool CNameEditor::isEditing() const
{
    return d->editing;
}

QString CNameEditor::trancated(const QString &s, TrancateMode mode)
{
    switch (mode) {
    case TrancateLeading:
        return withoutLeadingBlanks(s);
    case TrancateTrailing:
        return withoutTrailingBlanks(s);
    case TrancateBoth:
        return s.trimmed();
    case NoTrancate:
        break;
    }
    return s;
}

void CNameEditor::setText(const QString &s)
{
    QLineEdit::setText(trancated(s, d->mode));
}

void CNameEditor::finishEditing()
{
    d->editing = false;
    Q_EMIT acceptEdit();
}

void CNameEditor::forceAbort()
{
    d->editing = false;
    Q_EMIT abortEdit();
}

void CNameEditor::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    const bool abort = key == Qt::Key_Escape;
    const bool accept = key == Qt::Key_Return || key == Qt::Key_Enter;
    // The edit ends (and is reported) before the focus leaves, so the focus-out that follows
    // reports nothing more.
    if (abort && d->editing)
        forceAbort();
    else if (accept && d->editing)
        finishEditing();
    if (abort || accept) {
        clearFocus();
        if (QWidget *parent = parentWidget())
            parent->setFocus();
    }
    QLineEdit::keyPressEvent(event);
}

void CNameEditor::focusInEvent(QFocusEvent *event)
{
    d->editing = true;
    QLineEdit::focusInEvent(event);
}

void CNameEditor::focusOutEvent(QFocusEvent *event)
{
    if (d->editing)
        finishEditing();
    QLineEdit::focusOutEvent(event);
}
