#ifndef TRANGE_H
#define TRANGE_H

#include "zb4r_widgets_export.h"

#include <QtGlobal>

#include <vector>

// A list of removed ranges of 16-bit values, kept as (start, count) pairs in the order they
// were removed, and the mapping of a remaining value past them.
class ZB4R_WIDGETS_EXPORT TRange
{
public:
    // Appends the range from..to (inclusive). A reversed range (to < from) is ignored.
    void removeRange(quint16 from, quint16 to);
    // Walks the ranges in stored order, adding up their counts, and at the first range whose
    // start is at most v returns v plus that sum (in 16 bits); v itself when no range qualifies.
    // The sum includes the ranges walked past.
    quint16 lookupValue(quint16 v) const;

private:
    struct Entry
    {
        quint16 start;
        quint16 count;
    };
    std::vector<Entry> m_ranges;
};

#endif
