#include "DemoAddresses.h"
#include "InputStrip.h"
#include "NS_Utilities.h"
#include "StateDisplayMulti.h"
#include "StripBuilders.h"

#include <QSet>
#include <QTimer>

namespace {

// Once the strips stand in the editor: how many look records the lamp columns share.
void logLampRecords(InputStrip *strip)
{
    static bool scheduled = false;
    if (scheduled)
        return;
    scheduled = true;
    QTimer::singleShot(0, strip, [strip] {
        QSet<const TCachedData *> records;
        int cached = 0;
        const QList<CStateDisplayMulti *> all =
                strip->window()->findChildren<CStateDisplayMulti *>(QStringLiteral("stripAssign"));
        for (const CStateDisplayMulti *lamps : all) {
            records.insert(lamps->lookRecord());
            cached += lamps->lookRecordCached() ? 1 : 0;
        }
        qInfo("assignment lamps: %d look records for %d columns (%d from the editor's cache)",
              int(records.size()), int(all.size()), cached);
    });
}

} // namespace

void addStripLamps(InputStrip *strip)
{
    // Alike columns carry one name, so the editor's cache gives all of them one look record.
    auto *lamps = new CStateDisplayMulti(strip, QStringLiteral("stripAssign"));
    lamps->setImgOffList(NS_Utilities::loadPixmap(QStringLiteral("assign_dark.png")));
    lamps->setImgOnList(NS_Utilities::loadPixmap(QStringLiteral("assign_lit.png")));
    lamps->setTtlNumber(CStateDisplayMulti::FullItemCount);
    lamps->setXtraInfo(QString::fromLatin1(DemoAddresses::assignExtras));
    strip->addControl(QStringLiteral("ASSIGN"), lamps, DemoAddresses::assign,
                      InputStrip::WithoutReadout);
    logLampRecords(strip);
}
