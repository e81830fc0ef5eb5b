#include "DemoAddresses.h"
#include "InputStrip.h"
#include "StripBuilders.h"

void addStripFader(InputStrip *strip)
{
    strip->addControl(QStringLiteral("LEVEL"), nullptr, DemoAddresses::fader);
}
