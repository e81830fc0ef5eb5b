#ifndef EFFECTSPAGE_H
#define EFFECTSPAGE_H

#include "DemoPage.h"

class CVEQGraph;

// The effect editor: the vintage-EQ slot of effect unit 1 with its graph and, bound to the same
// parameters, a dial per section's frequency, level and Q, the end types, the on switches, the
// Flat, Default and zoom buttons and the console's sample rate.
class EffectsPage : public DemoPage
{
    Q_OBJECT
public:
    explicit EffectsPage(TParamMemory *memory, QWidget *parent = nullptr);
    QString title() const override { return QStringLiteral("Effects"); }
    void bind() override;

private:
    CVEQGraph *m_graph;
};

#endif
