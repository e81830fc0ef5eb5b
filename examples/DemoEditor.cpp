#include "DemoEditor.h"

#include "ConsoleSimulator.h"
#include "DemoPage.h"
#include "TMemProxy.h"
#include "TParamMemory.h"

#include <QDir>
#include <QImage>
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

namespace {

// A picture of one colour: the page drew nothing over its background.
bool isBlank(const QImage &image)
{
    if (image.isNull())
        return true;
    const QRgb first = image.pixel(0, 0);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != first)
                return false;
        }
    }
    return true;
}

} // namespace

QStringList DemoEditor::saveScreens(const QString &dir, QStringList *problems)
{
    QStringList files;
    QDir().mkpath(dir);
    for (int i = 0; i < m_pages.size(); ++i) {
        m_tabs->setCurrentIndex(i);
        DemoPage *page = m_pages.at(i);
        QString name = page->title().toLower();
        name.replace(QLatin1Char(' '), QLatin1Char('-'));
        const QString file =
                QDir(dir).absoluteFilePath(QStringLiteral("%1-%2.png").arg(i + 1).arg(name));
        if (grab().save(file))
            files.append(file);
        else if (problems)
            problems->append(QStringLiteral("%1: could not write %2").arg(page->title(), file));
        if (problems && isBlank(page->grab().toImage()))
            problems->append(QStringLiteral("%1: the page shows nothing").arg(page->title()));
    }
    return files;
}

QStringList DemoEditor::problems() const
{
    QStringList found;
    for (const DemoPage *page : m_pages) {
        if (!page->problem().isEmpty())
            found.append(QStringLiteral("%1: %2").arg(page->title(), page->problem()));
        int bound = 0;
        QStringList unresolved;
        for (QObject *o : page->findChildren<QObject *>()) {
            const TMemProxy *proxy = dynamic_cast<const TMemProxy *>(o);
            if (!proxy)
                continue;
            if (proxy->isAttached())
                ++bound;
            else if (!proxy->namedAddress().isEmpty())
                unresolved.append(
                        QStringLiteral("%1 \"%2\"").arg(o->objectName(), proxy->namedAddress()));
        }
        if (bound == 0)
            found.append(QStringLiteral("%1: no widget is bound").arg(page->title()));
        if (!unresolved.isEmpty())
            found.append(QStringLiteral("%1: not bound: %2")
                                 .arg(page->title(), unresolved.join(QStringLiteral(", "))));
    }
    return found;
}
