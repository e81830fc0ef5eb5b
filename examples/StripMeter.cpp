#include "CMeter.h"
#include "DemoAddresses.h"
#include "InputStrip.h"
#include "MeterLook.h"
#include "StripBuilders.h"

void addStripMeter(InputStrip *strip)
{
    auto *meter = new CMeter(strip, "channelMeter");
    applyMeterLook(meter, QStringLiteral("meter_121.png"), CMeter::eMtr_Normal);
    strip->addControl(QStringLiteral("METER"), meter, DemoAddresses::inputMeter,
                      InputStrip::WithoutReadout);
}
