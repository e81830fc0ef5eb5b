#include "DemoEditorFactory.h"

#include "CVDTabWidget.h"

#include <QStackedWidget>

#include <cstring>

namespace {

bool sameType(const Z_GUID &a, const Z_GUID &b)
{
    return std::memcmp(&a, &b, sizeof(Z_GUID)) == 0;
}

} // namespace

const Z_GUID &DemoEditorFactory::eqEditor()
{
    static const Z_GUID type = [] {
        Z_GUID t;
        t.data1 = 0x7a6b4551; // "zbEQ"
        t.data2 = 1;
        return t;
    }();
    return type;
}

DemoEditorFactory::DemoEditorFactory(CVDTabWidget *tabs, QWidget *eqPage)
    : m_tabs(tabs)
    , m_eqPage(eqPage)
{
}

int DemoEditorFactory::open(const Z_GUID &editorType, int editorKind, QWidget **editor, int, int)
{
    if (!editor || !sameType(editorType, eqEditor()) || editorKind != InputEq || !m_eqPage)
        return 1;
    if (m_tabs && m_tabs->widgetStack())
        m_tabs->changeTab(m_tabs->widgetStack()->indexOf(m_eqPage));
    *editor = m_eqPage;
    return 0;
}
