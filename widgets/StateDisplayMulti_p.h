#ifndef STATEDISPLAYMULTI_P_H
#define STATEDISPLAYMULTI_P_H

// Not installed: the look record that alike multi-state displays share through a TCacheServer.

#include "IMemAPI.h"
#include "StateDisplayMulti.h"
#include "TCacheServer.h"

#include <QMap>
#include <QPixmap>
#include <QString>

class CStateDisplayMulti::CStateDisplayMulti_PD : public TCachedData
{
public:
    ~CStateDisplayMulti_PD() override = default;

    QString strItemGroups;
    QString strItemStarts;
    // Item index -> y of the band where that item starts; later items follow on from it.
    QMap<int, int> itemMap;
    int iTtlNumber = 0;
    QPixmap pixImgOnList;
    QPixmap pixImgOffList;
    // 0: the strip height divided by the item count.
    int iImageHeight = 0;
    // Resolved from xtraInfo on first use; only element and parameter are read.
    TAddressList extraAddresses;
    QString xtraInfo;
};

#endif
