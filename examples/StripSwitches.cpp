#include "InputStrip.h"
#include "StripBuilders.h"

void addStripSwitches(InputStrip *) { }
