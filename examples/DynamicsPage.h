#ifndef DYNAMICSPAGE_H
#define DYNAMICSPAGE_H

#include "DemoPage.h"

class QWidget;

// The dynamics editor of one input channel, on sub-panels that a tab strip switches: the
// compressor's and the gate's transfer curves with their dials and type selectors; the
// compressor type as four radio choices with a picture of the chosen type and the on lamp; the
// channel's bus assignments.
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
