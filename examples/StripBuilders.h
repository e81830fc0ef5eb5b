#ifndef STRIPBUILDERS_H
#define STRIPBUILDERS_H

class InputStrip;

// Each widget family fills its part of an input strip, top to bottom.
void addStripSwitches(InputStrip *strip); // on, phase, +48 V, input patch
void addStripDials(InputStrip *strip); // gain, HPF, EQ, pan, aux sends
void addStripFader(InputStrip *strip); // channel level
void addStripMeter(InputStrip *strip); // channel meter
void addStripLamps(InputStrip *strip); // bus-assignment lamps

#endif
