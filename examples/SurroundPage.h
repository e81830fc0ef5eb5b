#ifndef SURROUNDPAGE_H
#define SURROUNDPAGE_H

#include "DemoPage.h"

// The surround panners: input channel 1's surround pan and effect return 1's, each a puck on a
// field with its position text and a dial per axis on the same parameters.
class SurroundPage : public DemoPage
{
    Q_OBJECT
public:
    explicit SurroundPage(TParamMemory *memory, QWidget *parent = nullptr);
    QString title() const override { return QStringLiteral("Surround"); }
};

#endif
