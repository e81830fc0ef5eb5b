#ifndef GEQPAGE_H
#define GEQPAGE_H

#include "DemoPage.h"

#include <QByteArray>

class CGEQCurve;
class QWidget;

// The graphic EQ editor: one of the 16 units, its response bars above 31 band faders, the
// display mode, a Flat button, and copy and paste of the whole unit between units.
class GeqPage : public DemoPage
{
    Q_OBJECT
public:
    explicit GeqPage(TParamMemory *memory, QWidget *parent = nullptr);
    QString title() const override { return QStringLiteral("GEQ"); }
    void bind() override;

private:
    void selectUnit(int unit);
    void copyUnit();
    void pasteUnit();

    QWidget *m_unit;
    CGEQCurve *m_curve;
    QByteArray m_clipboard;
    int m_unitIndex = 0;
};

#endif
