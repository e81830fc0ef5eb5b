#ifndef PATCHPAGE_H
#define PATCHPAGE_H

#include "DemoPage.h"

class QLabel;

// Patching and bus assignment: the input patch of the strips (converter ports across) and the
// bus assignment of the same channels, with a status line of what the grids report.
class PatchPage : public DemoPage
{
    Q_OBJECT
public:
    explicit PatchPage(TParamMemory *memory, QWidget *parent = nullptr);
    QString title() const override { return QStringLiteral("Patch"); }

private:
    void report(const QString &text);

    QLabel *m_status;
};

#endif
