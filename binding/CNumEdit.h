#ifndef CNUMEDIT_H
#define CNUMEDIT_H

#include "zb4r_widgets_export.h"

#include <QLineEdit>

namespace NS_Utilities {

// Pop-up numeric entry over its owner widget. Return proposes the typed number through
// numberProposed(double) and closes; Escape or a click elsewhere closes without a proposal.
// Text that is not a number is not proposed: the editor stays open with it selected.
class ZB4R_WIDGETS_EXPORT CNumEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit CNumEdit(QWidget *owner);
    ~CNumEdit() override;

    // Opens over the owner with the number found in text, printed with a printf-style format
    // ("%.1f" when null).
    void doEdit(const QString &text, const char *format = nullptr);
    // Leading number of a value text ("-12.5 dB" gives -12.5); ok false when there is none.
    static double leadingNumber(const QString &text, bool *ok);

Q_SIGNALS:
    void numberProposed(double value);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void propose();
};

} // namespace NS_Utilities

#endif
