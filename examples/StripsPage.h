#ifndef STRIPSPAGE_H
#define STRIPSPAGE_H

#include "DemoPage.h"

#include <QList>

class ChannelNames;
class InputStrip;

// The input channel strips.
class StripsPage : public DemoPage
{
    Q_OBJECT
public:
    explicit StripsPage(TParamMemory *memory, QWidget *parent = nullptr);
    QString title() const override { return QStringLiteral("Input strips"); }
    void bind() override;

private:
    ChannelNames *m_names;
    QList<InputStrip *> m_strips;
};

#endif
