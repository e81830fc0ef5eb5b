#include "TRange.h"

void TRange::removeRange(quint16 from, quint16 to)
{
    if (to < from)
        return;
    m_ranges.push_back({from, quint16(to - from + 1)});
}

quint16 TRange::lookupValue(quint16 v) const
{
    quint32 sum = 0;
    for (const Entry &r : m_ranges) {
        sum += r.count;
        if (r.start <= v)
            return quint16(v + sum);
    }
    return v;
}
