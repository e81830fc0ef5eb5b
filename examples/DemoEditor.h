#ifndef DEMOEDITOR_H
#define DEMOEDITOR_H

#include "IEditorExtensions.h"
#include "TCacheServer.h"

#include <QList>
#include <QWidget>

class ConsoleSimulator;
class DemoPage;
class QTabWidget;
class TParamMemory;

// The demo console editor: one tab per page, all bound to the embedded memory, with a console
// thread changing parameters as another editor would. It serves look records to its widgets.
class DemoEditor : public QWidget, public TCacheServer, public IEditorExtensions
{
    Q_OBJECT
public:
    explicit DemoEditor(TParamMemory *memory, QWidget *parent = nullptr);
    ~DemoEditor() override;

    void addPage(DemoPage *page);
    QTabWidget *tabs() const { return m_tabs; }
    void startConsole();
    // Renders every page to DIR/<n>-<title>.png; returns the files written. A page that could
    // not be written or shows nothing is added to *problems.
    QStringList saveScreens(const QString &dir, QStringList *problems = nullptr);
    // The pages that did not come out whole: a page's own report, a page without a bound
    // widget, widgets whose address did not resolve.
    QStringList problems() const;

private:
    void installShortcuts();

    TParamMemory *m_memory;
    QTabWidget *m_tabs;
    QList<DemoPage *> m_pages;
    ConsoleSimulator *m_console = nullptr;
};

#endif
