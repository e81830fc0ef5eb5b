#ifndef DEMOSWITCH_H
#define DEMOSWITCH_H

class COnOffButton;
class QWidget;

// Rows of the demo's button strips: on, off, pressed, disabled.
constexpr int kDemoButtonRows = 4;

// An on/off switch drawn from one of the demo's button strips. Alike switches carry the same
// object name, so a cache-serving window gives all of them one look record.
COnOffButton *makeDemoSwitch(QWidget *parent, const char *objectName, const char *image);

// Switches and selectors show their value from the first change on; this shows the current one
// of every switch and selector below root at once (after binding).
void showCurrentSwitchValues(QWidget *root);

#endif
