#include "C48V.h"
#include "COnOffButton.h"
#include "CPopup.h"
#include "CPullDownMenu.h"
#include "CSelectButton.h"
#include "DemoAddresses.h"
#include "DemoSwitch.h"
#include "InputStrip.h"
#include "NS_Utilities.h"
#include "StripBuilders.h"
#include "TCacheServer.h"

#include <QSet>
#include <QTimer>

namespace {

COnOffButton *makeSwitch(InputStrip *strip, const char *objectName, const char *image)
{
    return makeDemoSwitch(strip, objectName, image);
}

// Once the page is bound and shown: shows every switch's and selector's current value (they
// otherwise wait for the first change), and logs how many look records the editor holds for
// its switches.
void afterFirstShow(InputStrip *strip)
{
    static bool scheduled = false;
    if (scheduled)
        return;
    scheduled = true;
    QTimer::singleShot(0, strip, [strip] {
        QWidget *top = strip->window();
        QSet<const COnOffButton::COnOffButton_PD *> records;
        int buttons = 0;
        int cached = 0;
        const QList<COnOffButton *> all = top->findChildren<COnOffButton *>();
        showCurrentSwitchValues(top);
        for (COnOffButton *b : all) {
            if (qobject_cast<const CPopup *>(b))
                continue;
            ++buttons;
            cached += b->lookRecordCached() ? 1 : 0;
            records.insert(b->lookRecord());
        }
        qInfo("switches: %d look records for %d buttons (%d from the editor's cache)",
              int(records.size()), buttons, cached);
    });
}

// The +48 V switch follows the head-amp port the strip's input is patched to.
C48V *makePhantomSwitch(InputStrip *strip)
{
    auto *button = new C48V(strip, QStringLiteral("strip48VSwitch"));
    button->setCombinedImage(NS_Utilities::loadPixmap(QStringLiteral("button_48v.png")));
    button->setnSubImages(kDemoButtonRows);
    button->setHasDisableImage(true);
    button->setXtraInfo(QString::fromLatin1(DemoAddresses::phantomBase));
    button->setToolTip(QStringLiteral("+48 V of the patched head-amp port"));
    return button;
}

CSelectButton *makeSelectKey(InputStrip *strip)
{
    auto *key = new CSelectButton(strip, QStringLiteral("stripSelectKey"));
    key->setCombinedImage(NS_Utilities::loadPixmap(QStringLiteral("button_sel.png")));
    key->setnSubImages(kDemoButtonRows);
    key->setToolTip(QStringLiteral("Select this channel; a paired partner blinks"));
    return key;
}

} // namespace

void addStripSwitches(InputStrip *strip)
{
    strip->addControl(QStringLiteral("ON"), makeSwitch(strip, "stripOnSwitch", "button_on.png"),
                      DemoAddresses::channelOn);
    strip->addControl(QStringLiteral("PHASE"),
                      makeSwitch(strip, "stripPhaseSwitch", "button_phase.png"),
                      DemoAddresses::phase);
    strip->addControl(QStringLiteral("+48V"), makePhantomSwitch(strip), DemoAddresses::phantom);
    strip->addControl(QStringLiteral("SEL"), makeSelectKey(strip), DemoAddresses::select);
    strip->addControl(QStringLiteral("PAIR"),
                      makeSwitch(strip, "stripPairSwitch", "button_pair.png"), DemoAddresses::pair);

    // Input patch: the names come from the memory's value-name table on first use.
    auto *patch = new CPopup(strip, QStringLiteral("stripPatchIn"));
    patch->setTableId(DemoAddresses::patchInTable);
    patch->setColumnsCount(8);
    patch->setLabelSize(QSize(44, 16));
    patch->setgroupMatchCnt(3);
    patch->setFixedSize(48, 18);
    patch->setButtonTextColor(QColor(165, 207, 211));
    patch->setFocusColor(QColor(90, 160, 250));
    QPalette face = patch->palette();
    face.setColor(QPalette::Button, QColor(24, 26, 30));
    patch->setPalette(face);
    strip->addControl(QStringLiteral("PATCH"), patch, DemoAddresses::patchIn);

    // Insert point: one picture frame per choice, the menu lists the names.
    auto *insert = new CPullDownMenu(strip, "stripInsertPoint");
    insert->setCombinedImage(NS_Utilities::loadPixmap(QStringLiteral("insert_point.png")));
    insert->setnSubImages(4);
    insert->setMenuItemList(QStringLiteral("PRE EQ;PRE DYN;PRE FADER;POST FADER"));
    insert->setToolTip(QStringLiteral("Insert point"));
    strip->addControl(QStringLiteral("INSERT"), insert, DemoAddresses::insertPoint,
                      InputStrip::WithoutReadout);

    afterFirstShow(strip);
}
