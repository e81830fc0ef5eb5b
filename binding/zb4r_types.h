#ifndef ZB4R_TYPES_H
#define ZB4R_TYPES_H

#include <QtGlobal>

// Fixed-width names the widget interfaces are written in.
typedef quint8 Q_UINT8;
typedef quint16 Q_UINT16;
typedef quint32 Q_UINT32;

// A mouse-button and keyboard-modifier set in one int (Qt::MouseButtons | Qt::KeyboardModifiers;
// the two flag sets do not overlap).
typedef int ButtonState;

// Editor type id handed to the editor factory.
struct Z_GUID
{
    quint32 data1 = 0;
    quint16 data2 = 0;
    quint16 data3 = 0;
    quint8 data4[8] = {};
};

#endif
