#ifndef CNAMEEDITOR_H
#define CNAMEEDITOR_H

#include "zb4r_widgets_export.h"

#include <QLineEdit>

#include <memory>

// The one-line name editor: a line edit that takes only printable ASCII names (letters, digits,
// white space and most punctuation, but not "{", "|", "}" or "~"), trims white space from text
// that is set according to trancateMode, and reports the end of an edit as accepted (Return,
// Enter, focus lost) or aborted (Escape).
class ZB4R_WIDGETS_EXPORT CNameEditor : public QLineEdit
{
    Q_OBJECT
    Q_PROPERTY(TrancateMode trancateMode READ trancateMode WRITE setTrancateMode) // NoTrancate
    // Redeclared so that forms and setProperty() set the text through the trimming setter. moc
    // cannot name an inherited signal with arguments as NOTIFY: textChanged(QString) still tells.
    Q_PROPERTY(QString text READ text WRITE setText USER true)
public:
    enum TrancateMode {
        NoTrancate = 0,
        TrancateLeading = 1,
        TrancateTrailing = 2,
        TrancateBoth = 3
    };
    Q_ENUM(TrancateMode)

    explicit CNameEditor(QWidget *parent = nullptr, const char *name = nullptr);
    ~CNameEditor() override;

    TrancateMode trancateMode() const;
    // An edit is under way: between focus-in and its end.
    bool isEditing() const;
    // s trimmed as mode says (modes 1 to 3 make an all-blank text empty).
    static QString trancated(const QString &s, TrancateMode mode);

public Q_SLOTS:
    void forceAbort();
    void finishEditing();
    void setTrancateMode(CNameEditor::TrancateMode mode);
    // Hides QLineEdit::setText (which is not virtual): the text is trimmed first.
    void setText(const QString &s);

Q_SIGNALS:
    void abortEdit();
    void acceptEdit();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

#endif
