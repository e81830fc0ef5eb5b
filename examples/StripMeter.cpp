#include "InputStrip.h"
#include "StripBuilders.h"

void addStripMeter(InputStrip *) { }
