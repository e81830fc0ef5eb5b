#include "CVDTabBar.h"

#include "CVDTabWidget.h"
#include "TBackgroundPixmap.h"

#include <QPainter>
#include <QPolygon>

namespace {

const QColor kIdleTabColour(49, 48, 49);
const QColor kOutlineColour(118, 120, 132);
const char *const kTabLabel = "_";
constexpr int kIdleDrop = 4;
constexpr int kCorner = 3;
constexpr int kTitlePixelSize = 11;

} // namespace

struct CVDTabBar::Private
{
    CVDTabWidget *owner = nullptr;
    QStringList names;
    int tabWidth = CVDTabBar::DefaultTabWidth;
    // Never restarts, so a stale id never names a newer tab.
    int nextId = 0;
    TBackgroundPixmap picture;
};

CVDTabBar::CVDTabBar(CVDTabWidget *owner, const char *name)
    : QTabBar(owner)
    , d(std::make_unique<Private>())
{
    if (name)
        setObjectName(QString::fromLatin1(name));
    d->owner = owner;
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setUsesScrollButtons(false);
    setDrawBase(false);
    setElideMode(Qt::ElideNone);
    setExpanding(false);
    connect(this, &QTabBar::currentChanged, this, [this](int index) {
        lookChanged();
        if (index >= 0)
            Q_EMIT selected(internalId(index));
    });
}

CVDTabBar::~CVDTabBar() = default;

QStringList CVDTabBar::names() const
{
    return d->names;
}

int CVDTabBar::tabWidth() const
{
    return d->tabWidth;
}

void CVDTabBar::setTabWidth(int width)
{
    if (width <= 0 || width == d->tabWidth)
        return;
    d->tabWidth = width;
    // A label change is what makes the bar lay its tabs out again.
    for (int i = 0; i < count(); ++i)
        setTabText(i, QString::fromLatin1(kTabLabel));
    lookChanged();
}

int CVDTabBar::internalId(int index) const
{
    const QVariant id = tabData(index);
    return index >= 0 && index < count() && id.isValid() ? id.toInt() : -1;
}

int CVDTabBar::indexOfInternalId(int id) const
{
    for (int i = 0; i < count(); ++i) {
        if (internalId(i) == id)
            return i;
    }
    return -1;
}

void CVDTabBar::clearTabs()
{
    d->names.clear();
    while (count() > 0)
        removeTab(0);
    lookChanged();
}

void CVDTabBar::addVDTab(const QString &title)
{
    const int index = addTab(QString::fromLatin1(kTabLabel));
    setTabData(index, d->nextId++);
    d->names.append(title);
    lookChanged();
}

void CVDTabBar::lookChanged()
{
    d->picture.lookChanged(this);
}

QSize CVDTabBar::tabSizeHint(int) const
{
    return QSize(d->tabWidth, TabHeight);
}

QSize CVDTabBar::minimumTabSizeHint(int index) const
{
    return tabSizeHint(index);
}

void CVDTabBar::repaintScreenPrimitive(QPainter &painter)
{
    const QColor background = d->owner ? d->owner->tabBGColour() : CVDTabWidget::DefaultTabBGColour;
    const QColor currentFill = (d->owner ? d->owner->palette() : palette()).color(QPalette::Window);
    const QColor enabledText =
            d->owner ? d->owner->enblFontColor() : palette().color(QPalette::WindowText);
    const QColor disabledText =
            d->owner ? d->owner->disablFontColor() : palette().color(QPalette::Window);
    painter.fillRect(rect(), background);

    QFont titleFont = font();
    titleFont.setPixelSize(kTitlePixelSize);
    painter.setFont(titleFont);
    QPolygon outline;
    for (int i = 0; i < count(); ++i) {
        const bool current = i == currentIndex();
        QRect tab = tabRect(i);
        if (!current)
            tab.setTop(tab.top() + kIdleDrop);
        painter.fillRect(tab, current ? currentFill : kIdleTabColour);
        painter.setPen(current ? enabledText : disabledText);
        painter.drawText(tab, Qt::AlignCenter, d->names.value(i));
        const int bottom = height() - 1;
        outline << QPoint(tab.left(), bottom) << QPoint(tab.left(), tab.top() + kCorner)
                << QPoint(tab.left() + kCorner, tab.top())
                << QPoint(tab.right() - kCorner, tab.top())
                << QPoint(tab.right(), tab.top() + kCorner) << QPoint(tab.right(), bottom);
    }
    painter.setPen(QPen(kOutlineColour, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPolyline(outline);
}

void CVDTabBar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    d->picture.paint(painter, this, [this](QPainter &p) { repaintScreenPrimitive(p); });
}

void CVDTabBar::resizeEvent(QResizeEvent *event)
{
    QTabBar::resizeEvent(event);
    lookChanged();
}

void CVDTabBar::tabLayoutChange()
{
    lookChanged();
}
