#ifndef CONOFFBUTTON_P_H
#define CONOFFBUTTON_P_H

// Not installed: the look record is shared by the on/off button family (the pop-up selector and
// the 48 V and select buttons build on it) and, through a TCacheServer, by alike buttons.

#include "COnOffButton.h"
#include "TCacheServer.h"

#include <QPixmap>

class COnOffButton::COnOffButton_PD : public TCachedData
{
public:
    // Bit-fields take no default member initialisers in C++17, so the flags are set here.
    COnOffButton_PD()
        : invertedLogic(false)
        , disableAutoHide(false)
        , hasDisableImage(false)
        , useTrackingImage(true)
        , imagesSwapped(false)
        , hasOffState(false)
    {
    }
    ~COnOffButton_PD() override = default;

    TOnOffStateTrigger onStateTrigger = buttonRelease;
    TOnOffStateTrigger offStateTrigger = buttonRelease;
    int boolClipValue = 0;
    // The source strip: columns are image categories, rows are on, off, pressed and disabled.
    QPixmap combinedImage;

    // State pixmaps cut from the strip, in this order.
    QPixmap onImage;
    QPixmap offImage;
    QPixmap trackingImage;
    QPixmap disabledImage;

    bool invertedLogic : 1;
    bool disableAutoHide : 1;
    bool hasDisableImage : 1;
    bool useTrackingImage : 1;
    bool imagesSwapped : 1;
    bool hasOffState : 1;

    quint8 nSubImages = 0;
    quint8 nImageCategories = 1;

    // How often frames were cut into this record; a shared record is cut by its first user only.
    int frameCuts = 0;

    // The four state pixmaps, for callers that account for memory.
    int statePixmapCount() const
    {
        return int(!onImage.isNull()) + int(!offImage.isNull()) + int(!trackingImage.isNull())
                + int(!disabledImage.isNull());
    }
};

#endif
