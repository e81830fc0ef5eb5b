#ifndef VINTAGEEQPANEL_H
#define VINTAGEEQPANEL_H

#include <QWidget>

class CVEQGraph;
class TParamMemory;

// The vintage-EQ slot of effect unit 1: its graph and, bound to the same parameters, a dial per
// section's frequency, level and Q, the end types, the on switches, the Flat, Default and zoom
// buttons and the console's sample rate. The page binds it on the unit's channel.
class VintageEqPanel : public QWidget
{
    Q_OBJECT
public:
    explicit VintageEqPanel(TParamMemory *memory, QWidget *parent = nullptr);
    // After the panel is bound: the watchers that tell the graph its ends' types.
    void watchEndTypes();

private:
    TParamMemory *m_memory;
    CVEQGraph *m_graph;
};

#endif
