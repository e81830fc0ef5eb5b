#ifndef ICONFIRMUSERACTION_H
#define ICONFIRMUSERACTION_H

#include "zb4r_widgets_export.h"

class CPopup;

namespace NS_Utilities {

// Asked by a selector before it takes a user's choice; 0 lets the change go ahead.
class ZB4R_WIDGETS_EXPORT IConfirmUserAction
{
public:
    virtual ~IConfirmUserAction();
    virtual int confirmUserAction(CPopup *selector, int oldValue, int newValue) = 0;
};

} // namespace NS_Utilities

#endif
