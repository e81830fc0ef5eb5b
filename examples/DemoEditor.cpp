#include "DemoEditor.h"

#include "CAnimMenu.h"
#include "CMovieWidget.h"
#include "CVDTabWidget.h"
#include "ConsoleSimulator.h"
#include "DemoPage.h"
#include "TMemProxy.h"
#include "TParamMemory.h"
#include "ui_editor_tabs.h"

#include <QCheckBox>
#include <QDir>
#include <QEvent>
#include <QHBoxLayout>
#include <QImage>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

const QColor kPageColour(0x2b, 0x2d, 0x31);
const char *const kArt = ":/zb4r/images";
const char *const kStatusMovies = "status_offline.gif;status_online.gif";

} // namespace

DemoEditor::DemoEditor(TParamMemory *memory, QWidget *parent)
    : QWidget(parent)
    , m_memory(memory)
    , m_tabs(new CVDTabWidget(this))
{
    setWindowTitle(QStringLiteral("zb4r demo editor"));
    Ui::EditorTabs form;
    form.setupUi(m_tabs);
    QPalette palette = m_tabs->palette();
    palette.setColor(QPalette::Window, kPageColour);
    m_tabs->setPalette(palette);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto *body = new QHBoxLayout;
    body->setSpacing(2);
    body->addWidget(m_tabs, 1);
    body->addWidget(makePresetsPanel());
    m_drawer = new CAnimMenu(this);
    m_drawer->setObjectName(QStringLiteral("presetsDrawer"));
    m_drawer->setCloseImage(QPixmap(QStringLiteral("%1/drawer_closed.png").arg(kArt)));
    m_drawer->setMoveImage(QPixmap(QStringLiteral("%1/drawer_moving.png").arg(kArt)));
    m_drawer->setOpenImage(QPixmap(QStringLiteral("%1/drawer_open.png").arg(kArt)));
    m_drawer->setToolTip(QStringLiteral("Presets"));
    m_drawer->installEventFilter(this);
    connect(m_drawer, &CAnimMenu::showMenu, m_presets, &QWidget::setVisible);
    body->addWidget(m_drawer, 0, Qt::AlignTop);
    layout->addLayout(body, 1);
    layout->addWidget(makeStatusStrip());
    setStyleSheet(QStringLiteral("DemoEditor, QStackedWidget > QWidget { background: #2b2d31; }"));
    installShortcuts();
}

QStackedWidget *DemoEditor::pageStack() const
{
    return m_tabs->widgetStack();
}

QWidget *DemoEditor::makePresetsPanel()
{
    m_presets = new QWidget(this);
    m_presets->setObjectName(QStringLiteral("presetsPanel"));
    m_presets->setFixedWidth(120);
    auto *column = new QVBoxLayout(m_presets);
    auto *caption = new QLabel(QStringLiteral("PRESETS"), m_presets);
    caption->setStyleSheet(QStringLiteral("color: #e0e0e0; font-weight: bold;"));
    column->addWidget(caption);
    const auto add = [this, column](const QString &text, bool (TParamMemory::*action)()) {
        auto *button = new QPushButton(text, m_presets);
        connect(button, &QPushButton::clicked, m_memory, action);
        column->addWidget(button);
    };
    add(QStringLiteral("Undo"), &TParamMemory::undo);
    add(QStringLiteral("Redo"), &TParamMemory::redo);
    column->addStretch();
    m_presets->hide();
    return m_presets;
}

QWidget *DemoEditor::makeStatusStrip()
{
    auto *strip = new QWidget(this);
    auto *row = new QHBoxLayout(strip);
    row->setContentsMargins(6, 0, 6, 0);
    m_status = new CMovieWidget(strip);
    m_status->setObjectName(QStringLiteral("onlineStatus"));
    m_status->setImageFileNameList(QString::fromLatin1(kStatusMovies));
    m_status->setPathPrefix(QString::fromLatin1(kArt));
    m_status->toggleMovie(m_memory->isOnline());
    m_status->playBackSpeed(m_memory->isOnline());
    // Online plays movie 1 at full speed; offline, the idle movie 0 at half speed.
    m_memory->connectSignal("2onlineChanged(bool)", m_status, "1toggleMovie(bool)", true);
    m_memory->connectSignal("2onlineChanged(bool)", m_status, "1playBackSpeed(bool)", true);
    row->addWidget(m_status);
    m_online = new QCheckBox(QStringLiteral("Online"), strip);
    m_online->setObjectName(QStringLiteral("onlineSwitch"));
    m_online->setStyleSheet(QStringLiteral("color: #e0e0e0;"));
    m_online->setChecked(m_memory->isOnline());
    connect(m_online, &QCheckBox::toggled, m_memory, &TParamMemory::setOnline);
    connect(m_memory, &TParamMemory::onlineChanged, m_online, &QCheckBox::setChecked);
    row->addWidget(m_online);
    row->addStretch();
    return strip;
}

bool DemoEditor::eventFilter(QObject *watched, QEvent *event)
{
    // A click on the drawer handle slides it open or closed.
    if (watched == m_drawer && event->type() == QEvent::MouseButtonPress) {
        m_drawer->startAnimation();
        return true;
    }
    return QWidget::eventFilter(watched, event);
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
    QStackedWidget *stack = pageStack();
    stack->addWidget(page);
    // The strip sizes its stack by hand, so it asks the layout for room for the largest page.
    const QSize need = page->minimumSizeHint().expandedTo(page->minimumSize());
    m_tabs->setMinimumSize(m_tabs->minimumSize().expandedTo(
            QSize(stack->x() + need.width() + m_tabs->widgetStackMarginRight(),
                  stack->y() + need.height() + m_tabs->widgetStackMarginBottom())));
    m_titles.append(page->title());
    m_tabs->setTitleString(m_titles.join(QLatin1Char(';')));
    if (m_pages.isEmpty())
        m_tabs->changeTab(0);
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
        m_tabs->changeTab(i);
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
