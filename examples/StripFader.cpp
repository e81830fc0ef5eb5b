#include "CFader.h"
#include "DemoAddresses.h"
#include "InputStrip.h"
#include "NS_Utilities.h"
#include "StripBuilders.h"

// The channel level: the thumb over a groove as wide as the thumb, maximum on top.
void addStripFader(InputStrip *strip)
{
    auto *fader = new CFader(strip, "channelFader");
    fader->setThumbImage(NS_Utilities::loadPixmap(QStringLiteral("fader_thumb.png")));
    fader->setPixmap(NS_Utilities::loadPixmap(QStringLiteral("fader_groove_26.png")));
    fader->setFlipValues(true);
    fader->setFixedSize(fader->pixmap().size());
    strip->addControl(QStringLiteral("LEVEL"), fader, DemoAddresses::fader);
}
