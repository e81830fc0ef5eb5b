#ifndef METERLOOK_H
#define METERLOOK_H

#include "CMeter.h"

// Gives a meter its look from one of the demo's meter images (lit and unlit columns side by
// side). Gain-reduction meters are tinted amber.
void applyMeterLook(CMeter *meter, const QString &imageName, CMeter::EMeterSelector selector);

#endif
