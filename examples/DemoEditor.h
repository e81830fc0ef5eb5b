#ifndef DEMOEDITOR_H
#define DEMOEDITOR_H

#include "IEditorExtensions.h"
#include "TCacheServer.h"

#include <QList>
#include <QStringList>
#include <QWidget>

class CAnimMenu;
class CMovieWidget;
class CVDTabWidget;
class ConsoleSimulator;
class DemoPage;
class QCheckBox;
class QStackedWidget;
class TParamMemory;

// The demo console editor: one tab per page, all bound to the embedded memory, with a console
// thread changing parameters as another editor would. It serves look records to its widgets.
// The tab strip switches a page stack (both from a Designer form); a drawer at the right edge
// slides open the presets panel; the status strip at the bottom shows whether the editor is
// online.
class DemoEditor : public QWidget, public TCacheServer, public IEditorExtensions
{
    Q_OBJECT
public:
    explicit DemoEditor(TParamMemory *memory, QWidget *parent = nullptr);
    ~DemoEditor() override;

    void addPage(DemoPage *page);
    CVDTabWidget *tabs() const { return m_tabs; }
    QStackedWidget *pageStack() const;
    void startConsole();
    // Renders every page to DIR/<n>-<title>.png; returns the files written. A page that could
    // not be written or shows nothing is added to *problems.
    QStringList saveScreens(const QString &dir, QStringList *problems = nullptr);
    // The pages that did not come out whole: a page's own report, a page without a bound
    // widget, widgets whose address did not resolve.
    QStringList problems() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void installShortcuts();
    QWidget *makePresetsPanel();
    QWidget *makeStatusStrip();

    TParamMemory *m_memory;
    CVDTabWidget *m_tabs;
    QStringList m_titles;
    CAnimMenu *m_drawer = nullptr;
    QWidget *m_presets = nullptr;
    CMovieWidget *m_status = nullptr;
    QCheckBox *m_online = nullptr;
    QList<DemoPage *> m_pages;
    ConsoleSimulator *m_console = nullptr;
};

#endif
