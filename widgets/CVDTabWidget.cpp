#include "CVDTabWidget.h"

#include "CVDTabBar.h"
#include "TBackgroundPixmap.h"
#include "TSetter.h"

#include <QEvent>
#include <QPainter>
#include <QPolygon>
#include <QSignalBlocker>
#include <QStackedWidget>

const char *const CVDTabWidget::DefaultTitles = "INPUT;OUTPUT;INSERT;EFFECT;DIRECT OUT";
const QColor CVDTabWidget::DefaultTabBGColour(67, 68, 78);

namespace {

const QColor kFrameColour(118, 120, 132);
constexpr int kFrameCorner = 4;
constexpr int kDefaultMargin = 10;

} // namespace

struct CVDTabWidget::Private
{
    int current = -1;
    CVDTabBar *bar = nullptr;
    QString titleString;
    bool widgetStackAnchor = false;
    int widgetStackMarginRight = kDefaultMargin;
    int widgetStackMarginBottom = kDefaultMargin;
    QColor tabBGColour = CVDTabWidget::DefaultTabBGColour;
    QColor enblFontColor;
    QColor disablFontColor;
    bool anchor = false;
    int anchorMarginRight = kDefaultMargin;
    int anchorMarginBottom = kDefaultMargin;
    TBackgroundPixmap picture;
};

CVDTabWidget::CVDTabWidget(QWidget *parent, const char *name)
    : QWidget(parent)
    , d(std::make_unique<Private>())
{
    if (name)
        setObjectName(QString::fromLatin1(name));
    setAttribute(Qt::WA_OpaquePaintEvent);
    d->enblFontColor = palette().color(QPalette::WindowText);
    d->disablFontColor = palette().color(QPalette::Window);
    d->bar = new CVDTabBar(this);
    d->bar->move(BarX, 0);
    d->bar->resize(width(), CVDTabBar::TabHeight);
    setTitleString(QString::fromLatin1(DefaultTitles));
    connect(d->bar, SIGNAL(selected(int)), this, SLOT(changeTabWithInternalId(int)));
}

CVDTabWidget::~CVDTabWidget() = default;

// --- properties ---------------------------------------------------------------------------------

QString CVDTabWidget::titleString() const
{
    return d->titleString;
}

void CVDTabWidget::setTitleString(const QString &titles)
{
    if (!assignIfChanged(d->titleString, titles))
        return;
    const QSignalBlocker silent(d->bar);
    d->bar->clearTabs();
    for (const QString &title : titles.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        d->bar->addVDTab(title);
    if (d->current >= 0 && d->current < d->bar->count())
        d->bar->setCurrentIndex(d->current);
    d->bar->lookChanged();
}

int CVDTabWidget::tabWidth() const
{
    return d->bar->tabWidth();
}

void CVDTabWidget::setTabWidth(int width)
{
    d->bar->setTabWidth(width);
}

QColor CVDTabWidget::enblFontColor() const
{
    return d->enblFontColor;
}

void CVDTabWidget::setEnblFontColor(const QColor &colour)
{
    if (assignIfChanged(d->enblFontColor, colour))
        d->bar->lookChanged();
}

QColor CVDTabWidget::disablFontColor() const
{
    return d->disablFontColor;
}

void CVDTabWidget::setDisablFontColor(const QColor &colour)
{
    if (assignIfChanged(d->disablFontColor, colour))
        d->bar->lookChanged();
}

QColor CVDTabWidget::tabBGColour() const
{
    return d->tabBGColour;
}

void CVDTabWidget::setTabBGColour(const QColor &colour)
{
    if (assignIfChanged(d->tabBGColour, colour))
        d->bar->lookChanged();
}

bool CVDTabWidget::anchor() const
{
    return d->anchor;
}

void CVDTabWidget::setAnchor(bool on)
{
    if (assignIfChanged(d->anchor, on))
        followParent();
}

int CVDTabWidget::anchorMarginRight() const
{
    return d->anchorMarginRight;
}

void CVDTabWidget::setAnchorMarginRight(int margin)
{
    if (assignIfChanged(d->anchorMarginRight, margin))
        followParent();
}

int CVDTabWidget::anchorMarginBottom() const
{
    return d->anchorMarginBottom;
}

void CVDTabWidget::setAnchorMarginBottom(int margin)
{
    if (assignIfChanged(d->anchorMarginBottom, margin))
        followParent();
}

bool CVDTabWidget::widgetStackAnchor() const
{
    return d->widgetStackAnchor;
}

void CVDTabWidget::setWidgetStackAnchor(bool on)
{
    if (assignIfChanged(d->widgetStackAnchor, on))
        layoutChildren();
}

int CVDTabWidget::widgetStackMarginRight() const
{
    return d->widgetStackMarginRight;
}

void CVDTabWidget::setWidgetStackMarginRight(int margin)
{
    if (assignIfChanged(d->widgetStackMarginRight, margin))
        layoutChildren();
}

int CVDTabWidget::widgetStackMarginBottom() const
{
    return d->widgetStackMarginBottom;
}

void CVDTabWidget::setWidgetStackMarginBottom(int margin)
{
    if (assignIfChanged(d->widgetStackMarginBottom, margin))
        layoutChildren();
}

int CVDTabWidget::tabId() const
{
    return d->current;
}

CVDTabBar *CVDTabWidget::tabBar() const
{
    return d->bar;
}

QStackedWidget *CVDTabWidget::widgetStack() const
{
    // Designer's page stack derives from QStackedWidget, so a cast finds both.
    for (QObject *child : children()) {
        if (auto *stack = qobject_cast<QStackedWidget *>(child))
            return stack;
    }
    return nullptr;
}

// --- tabs ---------------------------------------------------------------------------------------

void CVDTabWidget::changeTab(int index)
{
    if (index == d->current || index < 0 || index >= d->bar->count())
        return;
    Q_EMIT aboutToShow(index);
    d->current = index;
    // The bar's echo comes back through changeTabWithInternalId and finds index current.
    d->bar->setCurrentIndex(index);
    d->bar->lookChanged();
    Q_EMIT tabChanged(index);
}

void CVDTabWidget::changeTabWithInternalId(int id)
{
    const int index = d->bar->indexOfInternalId(id);
    if (index >= 0)
        changeTab(index);
}

// --- geometry and painting ----------------------------------------------------------------------

void CVDTabWidget::layoutChildren()
{
    d->bar->resize(qMax(0, width() - BarWidthLoss), CVDTabBar::TabHeight);
    d->bar->lookChanged();
    if (QStackedWidget *stack = widgetStack())
        stack->resize(qMax(0, width() - stack->x() - d->widgetStackMarginRight),
                      qMax(0, height() - stack->y() - d->widgetStackMarginBottom));
}

void CVDTabWidget::followParent()
{
    // Without a parent there is nothing to follow yet: the values are only kept.
    const QWidget *parent = parentWidget();
    if (!parent)
        return;
    resize(qMax(0, parent->width() - x() - d->anchorMarginRight),
           qMax(0, parent->height() - y() - d->anchorMarginBottom));
}

void CVDTabWidget::repaintScreenPrimitive(QPainter &painter)
{
    const int top = CVDTabBar::TabHeight - 1;
    const int right = width() - 2;
    const int bottom = height() - 2;
    const int c = kFrameCorner;
    QPolygon frame;
    frame << QPoint(1, top + c) << QPoint(1 + c, top) << QPoint(right - c, top)
          << QPoint(right, top + c) << QPoint(right, bottom - c) << QPoint(right - c, bottom)
          << QPoint(1 + c, bottom) << QPoint(1, bottom - c);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(kFrameColour, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(palette().color(QPalette::Window));
    painter.drawPolygon(frame);
}

void CVDTabWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    d->picture.paint(painter, this, [this](QPainter &p) { repaintScreenPrimitive(p); });
}

void CVDTabWidget::resizeEvent(QResizeEvent *)
{
    d->picture.lookChanged(this);
    layoutChildren();
}

void CVDTabWidget::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::EnabledChange) {
        d->picture.lookChanged(this);
        d->bar->lookChanged();
    }
}
