#ifndef IPREFERENCES_H
#define IPREFERENCES_H

#include "zb4r_widgets_export.h"

#include <QVariant>

// The host's user preferences, as integer keys to values. A key without a value answers a null
// QVariant.
class ZB4R_WIDGETS_EXPORT IPreferences
{
public:
    virtual ~IPreferences();
    virtual QVariant value(int key) = 0;
};

#endif
