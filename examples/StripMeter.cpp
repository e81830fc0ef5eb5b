#include "CMeter.h"
#include "CThresholdMeter.h"
#include "DemoAddresses.h"
#include "InputStrip.h"
#include "MeterLook.h"
#include "NS_Utilities.h"
#include "StripBuilders.h"

void addStripMeter(InputStrip *strip)
{
    auto *meter = new CMeter(strip, "channelMeter");
    applyMeterLook(meter, QStringLiteral("meter_121.png"), CMeter::eMtr_Normal);
    strip->addControl(QStringLiteral("METER"), meter, DemoAddresses::inputMeter,
                      InputStrip::WithoutReadout);
}

namespace {

constexpr int SignalPresentLevel = 1100; // raw value of the quietest lit meter step

} // namespace

void addStripSignalLamp(InputStrip *strip)
{
    auto *lamp = new CThresholdMeter(strip, "signalLamp");
    lamp->setCombinedImage(NS_Utilities::loadPixmap(QStringLiteral("lamp_signal.png")));
    lamp->adjustParams();
    lamp->setThresholdLevel(SignalPresentLevel);
    // Dark while the channel is off.
    lamp->setStateNamedAddress(QString::fromLatin1(DemoAddresses::channelOn));
    strip->addControl(QStringLiteral("SIG"), lamp, DemoAddresses::inputMeter,
                      InputStrip::WithoutReadout);
}
