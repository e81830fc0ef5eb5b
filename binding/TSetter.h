#ifndef TSETTER_H
#define TSETTER_H

#include <utility>

// The first half of every property setter: stores value into field and says whether it changed,
// so the setter invalidates, updates and emits only on a real change:
//
//     if (!assignIfChanged(d->inverted, on))
//         return;
//     lookChanged();
//     Q_EMIT invertedChanged(on);
template<class T, class U>
inline bool assignIfChanged(T &field, U &&value)
{
    if (field == value)
        return false;
    field = std::forward<U>(value);
    return true;
}

#endif
