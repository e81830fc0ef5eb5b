#include "DemoEditor.h"

#include "ConsoleSimulator.h"
#include "DemoPage.h"
#include "TParamMemory.h"

#include <QDir>
#include <QKeySequence>
#include <QShortcut>
#include <QTabWidget>
#include <QVBoxLayout>

DemoEditor::DemoEditor(TParamMemory *memory, QWidget *parent)
    : QWidget(parent)
    , m_memory(memory)
    , m_tabs(new QTabWidget(this))
{
    setWindowTitle(QStringLiteral("zb4r demo editor"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tabs);
    setStyleSheet(QStringLiteral("DemoEditor, QTabWidget > QWidget { background: #2b2d31; }"));
    installShortcuts();
}

DemoEditor::~DemoEditor()
{
    if (m_console)
        m_console->stop();
    // The widgets go before the look records they share.
    delete m_tabs;
    deleteRecords();
}

void DemoEditor::addPage(DemoPage *page)
{
    m_tabs->addTab(page, page->title());
    m_pages.append(page);
    page->bind();
}

void DemoEditor::startConsole()
{
    if (!m_console) {
        m_console = new ConsoleSimulator(m_memory, this);
        m_console->start();
    }
}

void DemoEditor::installShortcuts()
{
    auto *undo = new QShortcut(QKeySequence::Undo, this);
    connect(undo, &QShortcut::activated, this, [this] { m_memory->undo(); });
    auto *redo = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), this);
    connect(redo, &QShortcut::activated, this, [this] { m_memory->redo(); });
}

QStringList DemoEditor::saveScreens(const QString &dir)
{
    QStringList files;
    QDir().mkpath(dir);
    for (int i = 0; i < m_pages.size(); ++i) {
        m_tabs->setCurrentIndex(i);
        QString name = m_pages.at(i)->title().toLower();
        name.replace(QLatin1Char(' '), QLatin1Char('-'));
        const QString file =
                QDir(dir).absoluteFilePath(QStringLiteral("%1-%2.png").arg(i + 1).arg(name));
        if (grab().save(file))
            files.append(file);
    }
    return files;
}
