#include "CFader.h"
#include "CHotspotLabel.h"
#include "DemoAddresses.h"
#include "DemoEditorFactory.h"
#include "EditorOpener.h"
#include "InputStrip.h"
#include "NS_Utilities.h"
#include "StripBuilders.h"

// The channel level: the thumb over a groove as wide as the thumb, maximum on top. While it
// moves, the strip's name shows the level; the name returns 700 ms after release. A double
// click on the name opens the channel's EQ.
void addStripFader(InputStrip *strip)
{
    auto *fader = new CFader(strip, "channelFader");
    fader->setThumbImage(NS_Utilities::loadPixmap(QStringLiteral("fader_thumb.png")));
    fader->setPixmap(NS_Utilities::loadPixmap(QStringLiteral("fader_groove_26.png")));
    fader->setFlipValues(true);
    fader->setFixedSize(fader->pixmap().size());
    strip->addControl(QStringLiteral("LEVEL"), fader, DemoAddresses::fader);

    CHotspotLabel *name = strip->nameLabel();
    QObject::connect(fader, &CSlider::alternativeDisplayBegin, name,
                     &CLabelDisplay::altDisplayBegin);
    QObject::connect(fader, &CSlider::alternativeDisplayEnd, name, &CLabelDisplay::altDisplayEnd);
    // Only the movement's levels: the console moving the fader leaves the name alone.
    QObject::connect(fader, &CFader::textualValueChange, name, [name](const QString &text) {
        if (name->altDisplayDepth() > 0)
            name->setText(text);
    });
    new EditorOpener(name, fader, DemoEditorFactory::eqEditor(), DemoEditorFactory::InputEq);
}
