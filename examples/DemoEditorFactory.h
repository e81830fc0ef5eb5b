#ifndef DEMOEDITORFACTORY_H
#define DEMOEDITORFACTORY_H

#include "IMemAPI.h"
#include "zb4r_types.h"

class CVDTabWidget;
class QWidget;

// The demo's editor service: the detail editors are pages of the editor's tabs. Opening one
// brings its page forward; the opener then hands it the channel ("channel" property).
class DemoEditorFactory : public IEditorFactory
{
public:
    enum Kind { InputEq = 0 };

    // The type id of the channel EQ editor.
    static const Z_GUID &eqEditor();

    DemoEditorFactory(CVDTabWidget *tabs, QWidget *eqPage);
    int open(const Z_GUID &editorType, int editorKind, QWidget **editor, int reserved1,
             int reserved2) override;

private:
    CVDTabWidget *m_tabs;
    QWidget *m_eqPage;
};

#endif
