#ifndef TNAMEDADDRESS_P_H
#define TNAMEDADDRESS_P_H

#include "IMemAPI.h"

#include <QByteArray>
#include <QString>

class TParamCatalogue;

// One parsed entry of a named address.
struct TNamedEntry
{
    int element = -1;
    int parameter = -1;
    int channel = -1; // -1 with ownChannel set
    bool ownChannel = false;
    int count = -1; // the channel count prefix, -1 when absent
    int elementChannels = 0;
};

// The texts a parameter memory reads against its catalogue: named addresses, alone or in
// ";"-lists, and the SIGNAL()/SLOT()-coded method names of connectSignal().
class TNamedAddress
{
public:
    // Channel digits for "the caller's own channel".
    static constexpr int OwnChannelCode = 0xFE;

    // "HHkSection/kParam" or, in a list, "CCHHkSection/kParam" (CC channels covered, at least
    // one and at most the element's). Hex digits in either case; a channel outside the
    // element's channels, an unknown key or anything left over fails.
    static bool parseEntry(const TParamCatalogue &catalogue, const QString &text, TNamedEntry *out);
    // Appends a record per entry of a ";"-list (empty and failing entries dropped, taking no
    // channel range); returns how many were appended.
    static int parseList(const TParamCatalogue &catalogue, const QString &text, TAddressList *list);

    // Method coding of text: 2 a signal, 1 a slot, 0 none given; *signature gets the
    // normalised signature without the code.
    static int parseMethod(const char *text, QByteArray *signature);
};

#endif
