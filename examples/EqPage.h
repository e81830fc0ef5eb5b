#ifndef EQPAGE_H
#define EQPAGE_H

#include "DemoPage.h"

class QWidget;

// The EQ editor: one input channel's EQ curve with the dials of its four bands and its
// high-pass, all bound to the same parameters, and the eight-band EQ of mix 1.
class EqPage : public DemoPage
{
    Q_OBJECT
public:
    explicit EqPage(TParamMemory *memory, QWidget *parent = nullptr);
    QString title() const override { return QStringLiteral("EQ"); }
    void bind() override;

private:
    void selectChannel(int channel);

    QWidget *m_input;
    QWidget *m_output;
    int m_channel = 0;
};

#endif
