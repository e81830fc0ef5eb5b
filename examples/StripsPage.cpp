#include "StripsPage.h"

#include "DemoAddresses.h"
#include "InputStrip.h"
#include "TParamMemory.h"

#include <QHBoxLayout>

StripsPage::StripsPage(TParamMemory *memory, QWidget *parent) : DemoPage(memory, parent)
{
    auto *row = new QHBoxLayout(this);
    row->setSpacing(3);
    for (int c = 0; c < DemoAddresses::strips; ++c) {
        auto *strip = new InputStrip(c, this);
        strip->addControl(QStringLiteral("GAIN"), nullptr, DemoAddresses::gain);
        strip->addControl(QStringLiteral("HPF"), nullptr, DemoAddresses::hpfFrequency);
        strip->addControl(QStringLiteral("EQ GAIN"), nullptr, DemoAddresses::eqGain);
        strip->addControl(QStringLiteral("EQ FREQ"), nullptr, DemoAddresses::eqFrequency);
        strip->addControl(QStringLiteral("EQ Q"), nullptr, DemoAddresses::eqQ);
        strip->addControl(QStringLiteral("PAN"), nullptr, DemoAddresses::pan);
        strip->addControl(QStringLiteral("AUX 1"), nullptr, DemoAddresses::aux1);
        strip->addControl(QStringLiteral("AUX 2"), nullptr, DemoAddresses::aux2);
        strip->addControl(QStringLiteral("LEVEL"), nullptr, DemoAddresses::fader);
        row->addWidget(strip);
        m_strips.append(strip);
    }
    row->addStretch();
}

void StripsPage::bind()
{
    for (InputStrip *strip : std::as_const(m_strips))
        memory()->connectTree(strip, strip->channel());
}
