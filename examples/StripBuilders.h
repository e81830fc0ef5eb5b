#ifndef STRIPBUILDERS_H
#define STRIPBUILDERS_H

class ChannelNames;
class InputStrip;

// Each widget family fills its part of an input strip, top to bottom.
void addStripName(InputStrip *strip, ChannelNames *names); // channel name under "CH n"
void addStripSwitches(InputStrip *strip);    // on, phase, +48 V, input patch
void addStripTextSliders(InputStrip *strip); // gain in dB, input delay
void addStripDials(InputStrip *strip);       // gain, HPF, EQ, pan, aux sends
void addStripAux(InputStrip *strip);         // aux sends 1-8 in two layers
void addStripFader(InputStrip *strip);       // channel level
void addStripMeter(InputStrip *strip);       // channel meter
void addStripLamps(InputStrip *strip);         // bus-assignment lamps
void addStripSignalLamp(InputStrip *strip);  // signal-present lamp

#endif
