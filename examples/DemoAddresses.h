#ifndef DEMOADDRESSES_H
#define DEMOADDRESSES_H

// Named addresses of the demo console used by the demo editor ("FE": the strip's channel).
namespace DemoAddresses {

constexpr int strips = 8;

constexpr const char *gain = "FEkHeadAmp/kGain";
constexpr const char *hpfFrequency = "FEkInputHPF/kFreq";
constexpr const char *eqGain = "FEkInputEQ/kBandGain2";
constexpr const char *eqFrequency = "FEkInputEQ/kBandFreq2";
constexpr const char *eqQ = "FEkInputEQ/kBandQ2";
constexpr const char *pan = "FEkInput/kPan";
constexpr const char *aux1 = "FEkInput/kAuxLevel1";
constexpr const char *aux2 = "FEkInput/kAuxLevel2";
constexpr const char *fader = "FEkInput/kFader";
// Input delay in samples.
constexpr const char *inputDelay = "FEkInput/kDelay";

// A strip's insert point (image pull-down) and the setup oscillator's frequency (sorted
// pull-down over the list "1000;100;10000;440", values 0..3 in list order).
constexpr const char *insertPoint = "FEkInput/kInsertPoint";
constexpr const char *oscFrequency = "00kSetupOscillator/kOscFreq";

// The dynamics page's thresholds.
constexpr const char *compThreshold = "FEkComp/kCompThreshold";
constexpr const char *gateThreshold = "FEkGate/kGateThreshold";

// Bus assignment bits of a channel (the patch page).
constexpr const char *assign = "FEkInput/kAssign";
// The input patch as the console thread moves it (patchIn is defined below).
constexpr const char *patchInSimulated = "FEkPatchInInput/kPatchIn";

// What the console thread moves now and then.
constexpr const char *simulated[] = {gain,          eqGain,           pan,          aux1,
                                     fader,         insertPoint,      oscFrequency, compThreshold,
                                     gateThreshold, patchInSimulated, assign};
// Effect 1's reverb parameters, which the console thread moves too (on channel 0).
constexpr const char *effectParameter = "00kEffect/kEffectParam%1";
constexpr int effectParameters = 10;

// The stereo master level, beside the input strips.
constexpr const char *masterFader = "00kStereo/kFader";
// Switches and the input patch of a strip.
constexpr const char *channelOn = "FEkInput/kOn";
constexpr const char *phase = "FEkInput/kPhase";
constexpr const char *phantom = "FEkHeadAmp/k48V";
constexpr const char *patchIn = "FEkPatchInInput/kPatchIn";
// What the +48 V switch and the gain knob follow at the patched head-amp port.
constexpr const char *phantomBase = "00kHeadAmp/k48V";
constexpr const char *gainBase = "00kHeadAmp/kGain";
// The select key (the selection lives at channel 0) and the strip's pair switch.
constexpr const char *select = "FEkSelect/kSelChannel";
constexpr const char *selection = "00kSelect/kSelChannel";
constexpr const char *pair = "FEkInputPair/kPair";
// Value-name table of the input patch in the catalogue (kPatchIn's "text").
constexpr int patchInTable = 7;
// Meters fed by the console thread: per input channel, and the stereo bus (channels 0 and 1).
constexpr const char *inputMeter = "FEkMeter/kInputLevel";
constexpr const char *inputGainReduction = "FEkMeter/kInputGR";
constexpr const char *stereoMeter = "FEkMeter/kOutputLevel";
// Key-signal meters of each input's gate and compressor, and the switches that gate their lamps.
constexpr const char *gateKeyMeter = "FEkMeter/kGateKey";
constexpr const char *compKeyMeter = "FEkMeter/kCompKey";
constexpr const char *gateOn = "FEkGate/kGateOn";
constexpr const char *compOn = "FEkComp/kCompOn";
constexpr int meteredChannels = 48;
// The graphic EQ units: band 1 of a unit ("FE": the unit); a recalled preset writes its bands
// and the link switch after them.
constexpr const char *geqBand = "FEkGEQ/kGEQBand1";
constexpr int geqPresetWrites = 32;
// The compressor's type, and the bus-assignment words of a strip besides kAssign (the own word
// lights buses 1-8, the extras 9-16, stereo and mono).
constexpr const char *compType = "FEkComp/kCompType";
constexpr const char *assignExtras = "FEkInput/kAssign2;FEkInput/kAssign3;FEkInput/kAssign4";
// Words whose bits the console thread flips now and then.
constexpr const char *assignWords[] = {"FEkInput/kAssign", "FEkInput/kAssign2", "FEkInput/kAssign3",
                                       "FEkInput/kAssign4"};

// The surround panners: input channel pan (x, and y towards the rear negated) and an effect
// return's pan (both offset by 63). The console thread moves the input channel's now and then.
constexpr const char *surroundX = "FEkInputSurround/kSurrX";
constexpr const char *surroundY = "FEkInputSurround/kSurrY";
constexpr const char *fxSurroundX = "FEkFxSurround/kSurrX";
constexpr const char *fxSurroundY = "FEkFxSurround/kSurrY";

} // namespace DemoAddresses

#endif
