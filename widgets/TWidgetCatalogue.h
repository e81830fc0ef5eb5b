#ifndef TWIDGETCATALOGUE_H
#define TWIDGETCATALOGUE_H

#include "zb4r_widgets_export.h"

#include <QSize>
#include <QString>
#include <QStringList>
#include <QVector>

class QWidget;
struct QMetaObject;

// One widget that forms can hold, as form tools need to know it.
struct ZB4R_WIDGETS_EXPORT TWidgetCatalogueEntry
{
    // The picture a widget box shows for the widget.
    enum Glyph {
        Knob,
        Fader,
        Button,
        Selector,
        Curve,
        Meter,
        Label,
        TextValue,
        TextField,
        Matrix,
        Tabs
    };

    const QMetaObject *metaObject;
    // The Qt class the widget extends, as a form records it.
    const char *extends;
    // The installed (flat) header that declares the class.
    const char *includeFile;
    QSize defaultSize;
    Glyph glyph;
    const char *toolTip;
    QWidget *(*create)(QWidget *parent);
    // A named address of the built-in demo console the widget can show: what previews and the
    // binding contract suite bind a fresh instance to ("FE" stands for the channel given). Null
    // for a widget that is not bound (not a TMemProxy: labels fed by other widgets, editors).
    const char *sampleAddress;
    // Forms place other widgets inside it: pages of a tab widget, a page stack.
    bool container;

    QString className() const;
    // String properties the library declares on this widget (addresses and ";"-lists): forms
    // keep them out of translation.
    QStringList untranslatedProperties() const;
};

// The library's form widgets by class name: the table behind the Qt Designer plugin and behind
// form loaders that create the widgets of a .ui file at run time.
class ZB4R_WIDGETS_EXPORT TWidgetCatalogue
{
public:
    static const QVector<TWidgetCatalogueEntry> &entries();
    // Null for a class the library does not offer to forms.
    static const TWidgetCatalogueEntry *find(const QString &className);
    static QStringList classNames();
    // A new widget of className with objectName, or null for a class not in the catalogue.
    static QWidget *createWidget(const QString &className, QWidget *parent = nullptr,
                                 const QString &objectName = QString());
};

#endif
