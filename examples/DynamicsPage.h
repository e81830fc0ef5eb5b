#ifndef DYNAMICSPAGE_H
#define DYNAMICSPAGE_H

#include "DemoPage.h"

class QWidget;

// The dynamics editor of one input channel: the compressor's and the gate's transfer curves
// with the dials and type selectors of the same parameters.
class DynamicsPage : public DemoPage
{
    Q_OBJECT
public:
    explicit DynamicsPage(TParamMemory *memory, QWidget *parent = nullptr);
    QString title() const override { return QStringLiteral("Dynamics"); }
    void bind() override;

private:
    void selectChannel(int channel);

    QWidget *m_channelBox;
    int m_channel = 0;
};

#endif
