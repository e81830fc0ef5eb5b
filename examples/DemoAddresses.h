#ifndef DEMOADDRESSES_H
#define DEMOADDRESSES_H

// Named addresses of the demo console used by the demo editor ("FE": the strip's channel).
namespace DemoAddresses {

constexpr int strips = 8;

constexpr const char *gain = "FEkHeadAmp/kGain";
constexpr const char *hpfFrequency = "FEkInputHPF/kFreq";
constexpr const char *eqGain = "FEkInputEQ/kBand1Gain";
constexpr const char *eqFrequency = "FEkInputEQ/kBand1Freq";
constexpr const char *eqQ = "FEkInputEQ/kBand1Q";
constexpr const char *pan = "FEkInput/kPan";
constexpr const char *aux1 = "FEkInputAux1/kLevel";
constexpr const char *aux2 = "FEkInputAux2/kLevel";
constexpr const char *fader = "FEkInput/kFader";

// What the console thread moves now and then.
constexpr const char *simulated[] = {gain, eqGain, pan, aux1, fader};

} // namespace DemoAddresses

#endif
