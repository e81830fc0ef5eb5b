#ifndef EQPAGE_H
#define EQPAGE_H

#include "DemoPage.h"

class CTabWidget;
class QComboBox;
class QWidget;

// The EQ editor: one input channel's EQ curve with the dials of its four bands and its
// high-pass, all bound to the same parameters, and the eight-band EQ of mix 1.
class EqPage : public DemoPage
{
    Q_OBJECT
    // The input channel shown; the editor opener sets it.
    Q_PROPERTY(int channel READ channel WRITE setChannel)
public:
    explicit EqPage(TParamMemory *memory, QWidget *parent = nullptr);
    QString title() const override { return QStringLiteral("EQ"); }
    void bind() override;
    int channel() const { return m_channel; }
    void setChannel(int channel);

private:
    void selectChannel(int channel);

    QWidget *m_input;
    QWidget *m_output;
    CTabWidget *m_halves;
    QComboBox *m_channels = nullptr;
    int m_channel = 0;
};

#endif
