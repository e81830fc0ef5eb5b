#ifndef TDESIGNERWIDGET_H
#define TDESIGNERWIDGET_H

#include "TWidgetCatalogue.h"

#include <QIcon>
#include <QObject>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

// One catalogue widget as Qt Designer sees it: name, include file, icon, tool tip, and the XML
// a new instance starts from.
class TDesignerWidget : public QObject, public QDesignerCustomWidgetInterface
{
    Q_OBJECT
    Q_INTERFACES(QDesignerCustomWidgetInterface)
public:
    // The widget box group of every widget of the library.
    static const char *const GroupName;

    TDesignerWidget(const TWidgetCatalogueEntry &entry, QObject *parent = nullptr);

    QString name() const override;
    QString group() const override;
    QString toolTip() const override;
    QString whatsThis() const override;
    QString includeFile() const override;
    QIcon icon() const override;
    bool isContainer() const override;
    QWidget *createWidget(QWidget *parent) override;
    bool isInitialized() const override;
    void initialize(QDesignerFormEditorInterface *core) override;
    QString domXml() const override;

private:
    const TWidgetCatalogueEntry &m_entry;
    mutable QIcon m_icon;
    bool m_initialized = false;
};

#endif
