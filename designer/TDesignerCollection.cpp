#include "TDesignerCollection.h"

#include "TDesignerWidget.h"
#include "TWidgetCatalogue.h"

TDesignerCollection::TDesignerCollection(QObject *parent)
    : QObject(parent)
{
    for (const TWidgetCatalogueEntry &entry : TWidgetCatalogue::entries())
        m_widgets.append(new TDesignerWidget(entry, this));
}

TDesignerCollection::~TDesignerCollection() = default;

QList<QDesignerCustomWidgetInterface *> TDesignerCollection::customWidgets() const
{
    return m_widgets;
}
