#ifndef TRANGE_H
#define TRANGE_H

#include "zb4r_widgets_export.h"

#include <QtGlobal>

#include <vector>

// A list of removed ranges, each an unsigned 16-bit (start, count) pair, that remaps a field
// index onto the value it stands for once the ranges are taken out.
class ZB4R_WIDGETS_EXPORT TRange
{
public:
    struct Entry
    {
        quint16 start = 0;
        quint16 count = 0;
    };

    // Appends (from, to - from + 1). A reversed range (to < from) is ignored.
    void removeRange(quint16 from, quint16 to);
    // Walks the ranges in stored order adding up their counts; at the first range whose start is
    // at most v, returns v plus that sum (16 bits). v unchanged when no range qualifies.
    quint16 lookupValue(quint16 v) const;

    const std::vector<Entry> &entries() const { return m_entries; }
    bool isEmpty() const { return m_entries.empty(); }
    void clear() { m_entries.clear(); }

private:
    std::vector<Entry> m_entries;
};

#endif
