#ifndef EFFECTSPAGE_H
#define EFFECTSPAGE_H

#include "DemoPage.h"

class CReverbGraph;
class QComboBox;
class VintageEqPanel;

// The effect editor: effect 1's reverb as a graph with draggable knobs, a type selector that
// loads the type's preset into the memory (as the console does), a zoom selector kept in step
// with the graph, and an auto-zoom switch; beside it the same unit's vintage-EQ slot.
class EffectsPage : public DemoPage
{
    Q_OBJECT
public:
    explicit EffectsPage(TParamMemory *memory, QWidget *parent = nullptr);
    QString title() const override { return QStringLiteral("Effects"); }
    void bind() override;

private:
    void loadPreset(int type);

    CReverbGraph *m_graph;
    QComboBox *m_zoom;
    VintageEqPanel *m_veq;
};

#endif
