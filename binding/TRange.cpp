#include "TRange.h"

void TRange::removeRange(quint16 from, quint16 to)
{
    if (to < from)
        return;
    m_entries.push_back({from, quint16(to - from + 1)});
}

quint16 TRange::lookupValue(quint16 v) const
{
    quint16 sum = 0;
    for (const Entry &e : m_entries) {
        sum = quint16(sum + e.count);
        if (e.start <= v)
            return quint16(v + sum);
    }
    return v;
}
