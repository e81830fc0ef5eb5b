#ifndef IPREFERENCESOURCE_H
#define IPREFERENCESOURCE_H

#include "zb4r_widgets_export.h"

class IPreferences;

// A host object that gives access to the user's preferences; preferences() may be null.
class ZB4R_WIDGETS_EXPORT IPreferenceSource
{
public:
    virtual ~IPreferenceSource();
    virtual IPreferences *preferences() = 0;
};

#endif
