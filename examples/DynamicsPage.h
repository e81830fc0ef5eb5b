#ifndef DYNAMICSPAGE_H
#define DYNAMICSPAGE_H

#include "DemoPage.h"

class QWidget;

// The dynamics editor of one input channel: the compressor type as four radio choices with a
// picture of the chosen type and the compressor's on lamp, and the channel's bus assignments,
// on sub-panels that a tab strip switches.
class DynamicsPage : public DemoPage
{
    Q_OBJECT
public:
    explicit DynamicsPage(TParamMemory *memory, QWidget *parent = nullptr);
    QString title() const override { return QStringLiteral("Dynamics"); }
    void bind() override;

private:
    void selectChannel(int channel);

    QWidget *m_channelPanels;
    int m_channel = 0;
};

#endif
