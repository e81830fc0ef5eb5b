#include "DemoAddresses.h"
#include "InputStrip.h"
#include "StripBuilders.h"

void addStripDials(InputStrip *strip)
{
    strip->addControl(QStringLiteral("GAIN"), nullptr, DemoAddresses::gain);
    strip->addControl(QStringLiteral("HPF"), nullptr, DemoAddresses::hpfFrequency);
    strip->addControl(QStringLiteral("EQ GAIN"), nullptr, DemoAddresses::eqGain);
    strip->addControl(QStringLiteral("EQ FREQ"), nullptr, DemoAddresses::eqFrequency);
    strip->addControl(QStringLiteral("EQ Q"), nullptr, DemoAddresses::eqQ);
    strip->addControl(QStringLiteral("PAN"), nullptr, DemoAddresses::pan);
    strip->addControl(QStringLiteral("AUX 1"), nullptr, DemoAddresses::aux1);
    strip->addControl(QStringLiteral("AUX 2"), nullptr, DemoAddresses::aux2);
}
