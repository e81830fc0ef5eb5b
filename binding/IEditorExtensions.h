#ifndef IEDITOREXTENSIONS_H
#define IEDITOREXTENSIONS_H

#include "zb4r_widgets_export.h"

#include <QObject>

// The editor window's interface. Widgets give it the focus back after a wheel step, so keys go
// on reaching the editor.
class ZB4R_WIDGETS_EXPORT IEditorExtensions
{
public:
    virtual ~IEditorExtensions();
};

// Nearest ancestor of o (o excluded) that is a T, or null.
template<class T>
T *rootObjectOfClass(const QObject *o)
{
    for (QObject *p = o ? o->parent() : nullptr; p; p = p->parent()) {
        if (T *t = dynamic_cast<T *>(p))
            return t;
    }
    return nullptr;
}

#endif
