#include "CCompositeAux.h"

#include "CAuxChild.h"
#include "TBackgroundPixmap.h"
#include "TParamInfo.h"
#include "TSetter.h"

#include <QBuffer>
#include <QDataStream>
#include <QEvent>
#include <QList>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

#include <cstdlib>

namespace {

constexpr int kDefaultTableId = 5;
constexpr int kDefaultSeparation = 8;
constexpr int kDefaultMargin = 10;
constexpr int kByteLimit = 255; // 8-bit stored properties
constexpr Q_UINT8 kAllExpanded = 0xff;
constexpr int kHighestLayerBit = 31;
const QLatin1String kPlaceholder("%1");

// ";"-separated numbers, empty entries dropped, each read as atoi() reads it.
QList<int> numbersOf(const QString &list)
{
    QList<int> numbers;
    const QStringList parts = list.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString &part : parts)
        numbers.append(std::atoi(part.toLatin1().constData()));
    return numbers;
}

} // namespace

struct CCompositeAux::Private
{
    QPixmap thumbImage;
    QPixmap offPreFader;
    QPixmap onPreFader;
    QPixmap offPostFader;
    QPixmap thumbNailPostImage;
    QPixmap thumbNailPreImage;
    QPixmap pixmap;
    int tableId = kDefaultTableId;
    QList<CAuxChild *> children; // owned through Qt parentage, deleted here first
    QList<int> groupOffsets;
    QList<int> layerHeights;
    int separation = kDefaultSeparation;
    int margin = kDefaultMargin;
    int childIndexStart = 1;
    int headerHeight = 0;
    Q_UINT8 layerBits = kAllExpanded;
    EAddressingMode addrMode = eMix;
    QString addressTemplate;
    CAuxChild *pressed = nullptr;
    int switchHit = 0;

    QTimer updateTimer;
    QTimer layoutTimer;
    int updateRequests = 0;
    int layoutRequests = 0;
    int layouts = 0;
    TBackgroundPixmap picture;
};

CCompositeAux::CCompositeAux(QWidget *parent, const char *name)
    : QWidget(parent)
    , d(std::make_unique<Private>())
{
    if (name)
        setObjectName(QString::fromLatin1(name));
    TMemProxy::setNumDefaultKind(0);
    TMemProxy::setUndoEnable(false);
    setAttribute(Qt::WA_OpaquePaintEvent);
    d->updateTimer.setSingleShot(true);
    d->updateTimer.setInterval(RepaintDelay);
    connect(&d->updateTimer, SIGNAL(timeout()), this, SLOT(forceAnUpdate()));
    d->layoutTimer.setSingleShot(true);
    d->layoutTimer.setInterval(LayoutDelay);
    connect(&d->layoutTimer, SIGNAL(timeout()), this, SLOT(ylayout()));
}

CCompositeAux::~CCompositeAux()
{
    // The children reach back to the composite: they go while it is whole.
    qDeleteAll(d->children);
    d->children.clear();
    disconnectMemAPI();
    releaseMemory();
}

// --- properties ------------------------------------------------------------------------------

QPixmap CCompositeAux::thumbImage() const
{
    return d->thumbImage;
}
QPixmap CCompositeAux::offPreFader() const
{
    return d->offPreFader;
}
QPixmap CCompositeAux::onPreFader() const
{
    return d->onPreFader;
}
QPixmap CCompositeAux::offPostFader() const
{
    return d->offPostFader;
}
QPixmap CCompositeAux::thumbNailPostImage() const
{
    return d->thumbNailPostImage;
}
QPixmap CCompositeAux::thumbNailPreImage() const
{
    return d->thumbNailPreImage;
}
QPixmap CCompositeAux::pixmap() const
{
    return d->pixmap;
}
int CCompositeAux::tableId() const
{
    return d->tableId;
}
int CCompositeAux::numChildren() const
{
    return d->children.size();
}
int CCompositeAux::separation() const
{
    return d->separation;
}
int CCompositeAux::margin() const
{
    return d->margin;
}
int CCompositeAux::childIndexStart() const
{
    return d->childIndexStart;
}
int CCompositeAux::headerHeight() const
{
    return d->headerHeight;
}
CCompositeAux::EAddressingMode CCompositeAux::addrMode() const
{
    return d->addrMode;
}
QString CCompositeAux::namedAddress() const
{
    return d->addressTemplate;
}
Q_UINT8 CCompositeAux::layerBits() const
{
    return d->layerBits;
}
int CCompositeAux::layoutCount() const
{
    return d->layouts;
}
int CCompositeAux::pictureRebuildCount() const
{
    return d->picture.rebuildCount();
}

CAuxChild *CCompositeAux::child(int index) const
{
    return index >= 0 && index < d->children.size() ? d->children.at(index) : nullptr;
}

void CCompositeAux::setThumbImage(const QPixmap &image)
{
    d->thumbImage = image;
    requestLayout();
}

void CCompositeAux::setOffPreFader(const QPixmap &image)
{
    d->offPreFader = image;
    requestLayout();
}

void CCompositeAux::setOnPreFader(const QPixmap &image)
{
    d->onPreFader = image;
    requestLayout();
}

void CCompositeAux::setOffPostFader(const QPixmap &image)
{
    d->offPostFader = image;
    requestLayout();
}

void CCompositeAux::setThumbNailPostImage(const QPixmap &image)
{
    d->thumbNailPostImage = image;
    requestLayout();
}

void CCompositeAux::setThumbNailPreImage(const QPixmap &image)
{
    d->thumbNailPreImage = image;
    requestLayout();
}

void CCompositeAux::setPixmap(const QPixmap &image)
{
    d->pixmap = image;
    requestLayout();
}

void CCompositeAux::setTableId(int id)
{
    d->tableId = id;
}

void CCompositeAux::setNumChildren(int count)
{
    if (count < 0 || count > kByteLimit || count == d->children.size())
        return;
    d->pressed = nullptr;
    qDeleteAll(d->children);
    d->children.clear();
    for (int i = 0; i < count; ++i) {
        auto *c = new CAuxChild(this);
        c->setHidden(layerCollapsed(i / LayerSize));
        d->children.append(c);
    }
    applyTemplate();
    // Children made after the memory bound the composite are bound here.
    if (IMemAPI *api = memAPI()) {
        for (CAuxChild *c : qAsConst(d->children))
            api->connectProxy(c, ownChannel());
    }
    requestLayout();
}

void CCompositeAux::setHeaderList(const QString &list)
{
    d->groupOffsets += numbersOf(list);
    requestLayout();
}

void CCompositeAux::setLayerList(const QString &list)
{
    d->layerHeights += numbersOf(list);
    requestLayout();
}

bool CCompositeAux::hasLayering()
{
    return d->layerHeights.size() > 1;
}

void CCompositeAux::setSeparation(int pixels)
{
    if (assignIfChanged(d->separation, pixels))
        requestLayout();
}

void CCompositeAux::setMargin(int pixels)
{
    if (assignIfChanged(d->margin, pixels))
        requestLayout();
}

void CCompositeAux::setChildIndexStart(int index)
{
    if (index < 0 || index > kByteLimit || !assignIfChanged(d->childIndexStart, index))
        return;
    applyTemplate();
}

void CCompositeAux::setHeaderHeight(int pixels)
{
    if (pixels < 0 || pixels > kByteLimit || !assignIfChanged(d->headerHeight, pixels))
        return;
    requestLayout();
}

void CCompositeAux::setAddrMode(EAddressingMode mode)
{
    if (!assignIfChanged(d->addrMode, mode))
        return;
    applyTemplate();
    requestLayout();
}

void CCompositeAux::setUndoEnable(bool on)
{
    TMemProxy::setUndoEnable(on);
}

void CCompositeAux::setNumDefaultKind(int kind)
{
    TMemProxy::setNumDefaultKind(kind);
}

void CCompositeAux::process(const Q_UINT8 *data, int operation, Q_UINT32 extra)
{
    TMemProxy::process(data, operation, extra);
}

// --- addressing ------------------------------------------------------------------------------

QString CCompositeAux::childAddress(int index) const
{
    const int n = d->childIndexStart + index;
    QString address = d->addressTemplate;
    if (d->addrMode == eMatrix)
        address.replace(kPlaceholder, QString::asprintf("%02x", n - 1));
    else
        address.replace(kPlaceholder, QString::number(n));
    return address;
}

void CCompositeAux::setNamedAddress(const QString &address)
{
    if (address == d->addressTemplate && !address.isEmpty() && this->address().isValid())
        return;
    d->addressTemplate = address;
    applyTemplate();
}

void CCompositeAux::applyTemplate()
{
    for (int i = d->children.size() - 1; i >= 0; --i)
        d->children.at(i)->setNamedAddress(childAddress(i));
    QString own = d->addressTemplate;
    if (d->addrMode == eMatrix)
        own = childAddress(0);
    else
        own.replace(kPlaceholder, QString::number(1));
    TMemProxy::setNamedAddress(own);
}

bool CCompositeAux::connectMemAPI()
{
    const bool attached = TMemProxy::connectMemAPI();
    // Binding the children here, before applyConnection() looks at the last one; the memory
    // ignores the second registration when a tree connect reaches them.
    if (IMemAPI *api = memAPI()) {
        for (CAuxChild *c : qAsConst(d->children))
            api->connectProxy(c, ownChannel());
    }
    requestLayout();
    return attached;
}

void CCompositeAux::disconnectMemAPI()
{
    for (CAuxChild *c : qAsConst(d->children))
        c->disconnectMemAPI();
    TMemProxy::disconnectMemAPI();
}

void CCompositeAux::applyConnection(int)
{
    const TMemProxy *proxy =
            d->children.isEmpty() ? static_cast<const TMemProxy *>(this) : d->children.last();
    if (!proxy->isAttached() && !d->addressTemplate.isEmpty())
        hide();
    else if (proxy->isAttached())
        show();
}

void CCompositeAux::updateFromMemory(const Q_UINT8 *, int, Q_UINT32)
{
    requestUpdate();
}

// --- layers and layout -----------------------------------------------------------------------

bool CCompositeAux::layerCollapsed(int layer) const
{
    const int bit = qMin(layer, kHighestLayerBit);
    return bit < 0 || ((quint32(d->layerBits) >> bit) & 1u) == 0;
}

int CCompositeAux::calcHeight() const
{
    int sum = 0;
    for (int k = 0; k < d->layerHeights.size(); ++k) {
        if (!layerCollapsed(k))
            sum += d->layerHeights.at(k);
    }
    return sum != 0 ? sum + d->headerHeight : 0;
}

int CCompositeAux::available() const
{
    return rect().bottom() - rect().top() + 1;
}

void CCompositeAux::setLayerCollapsed(Q_UINT8 bits)
{
    if (!assignIfChanged(d->layerBits, bits))
        return;
    for (int i = 0; i < d->children.size(); ++i) {
        d->children.at(i)->setHidden(layerCollapsed(i / LayerSize));
        Q_EMIT layerChanged(bits);
    }
    setFixedHeight(calcHeight());
    requestLayout();
}

void CCompositeAux::setLayerMoved(int y)
{
    if (y == this->y())
        return;
    move(x(), y);
    Q_EMIT layerMoved(y);
}

void CCompositeAux::setFixed(bool on, int first)
{
    setFixed(on, first, 1);
}

void CCompositeAux::setFixed(bool on, int first, int count)
{
    for (int i = qMax(0, first); i < first + count && i < d->children.size(); ++i)
        d->children.at(i)->SetFixed(on);
}

void CCompositeAux::requestLayout()
{
    ++d->layoutRequests;
    if (!d->layoutTimer.isActive())
        d->layoutTimer.start();
}

void CCompositeAux::requestUpdate()
{
    ++d->updateRequests;
    if (!d->updateTimer.isActive())
        d->updateTimer.start();
}

void CCompositeAux::ylayout()
{
    d->layoutRequests = 0;
    ++d->layouts;
    int y = d->headerHeight;
    const QSize bar = d->thumbImage.size();
    for (int i = 0; i < d->children.size(); ++i) {
        if (i % LayerSize == 0 && !layerCollapsed(i / LayerSize))
            y += d->groupOffsets.value(i / LayerSize, 0);
        CAuxChild *c = d->children.at(i);
        if (!c->isHidden()) {
            c->setRect(QRect(QPoint(d->margin, y), bar));
            y += d->separation;
        }
    }
    requestUpdate();
}

void CCompositeAux::forceAnUpdate()
{
    d->updateRequests = 0;
    d->picture.invalidate();
    d->picture.pixmap(this, [this](QPainter &p) { repaintScreenPrimitive(p); });
    update();
}

// --- painting --------------------------------------------------------------------------------

QPixmap CCompositeAux::barImage(int state) const
{
    switch (state) {
    case 0:
        return d->offPostFader;
    case 1:
        return d->offPreFader;
    case 3:
        return d->onPreFader;
    default:
        return d->thumbImage;
    }
}

QPixmap CCompositeAux::capImage(int state) const
{
    return state == 0 || state == 2 ? d->thumbNailPostImage : d->thumbNailPreImage;
}

void CCompositeAux::repaintScreenPrimitive(QPainter &painter)
{
    const int width = d->pixmap.width();
    if (!d->pixmap.isNull()) {
        painter.drawPixmap(0, 0, d->pixmap, 0, 0, width, d->headerHeight);
        int source = d->headerHeight, target = d->headerHeight;
        for (int k = 0; k < d->layerHeights.size(); ++k) {
            const int h = d->layerHeights.at(k);
            if (!layerCollapsed(k)) {
                painter.drawPixmap(0, target, d->pixmap, 0, source, width, h);
                target += h;
            }
            source += h;
        }
    }
    for (const CAuxChild *c : qAsConst(d->children))
        c->paint(painter);
}

bool CCompositeAux::event(QEvent *event)
{
    if (event->type() == QEvent::Polish)
        d->picture.lookChanged(this);
    return QWidget::event(event);
}

void CCompositeAux::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    d->picture.paint(painter, this, [this](QPainter &p) { repaintScreenPrimitive(p); });
}

void CCompositeAux::resizeEvent(QResizeEvent *event)
{
    d->picture.lookChanged(this);
    QWidget::resizeEvent(event);
}

// --- mouse -----------------------------------------------------------------------------------

CAuxChild *CCompositeAux::hitTest(const QPoint &pos, int *switchHit) const
{
    *switchHit = 0;
    for (int i = 0; i < d->children.size(); ++i) {
        CAuxChild *c = d->children.at(i);
        if (c->isHidden())
            continue;
        if (c->rect().contains(pos))
            return c;
        if (c->rect().adjusted(-d->margin, 0, 0, 0).contains(pos)) {
            *switchHit = i + 1;
            return c;
        }
    }
    return nullptr;
}

TMemProxy *CCompositeAux::realMemoryProxy(QMouseEvent *event)
{
    int hit = 0;
    CAuxChild *c = hitTest(event->position().toPoint(), &hit);
    return hit == 0 ? c : nullptr;
}

void CCompositeAux::mousePressEvent(QMouseEvent *event)
{
    d->pressed = nullptr;
    d->switchHit = 0;
    if (event->button() != Qt::LeftButton)
        return;
    int hit = 0;
    CAuxChild *c = hitTest(event->position().toPoint(), &hit);
    if (!c)
        return;
    d->pressed = c;
    d->switchHit = hit;
    if (hit == 0) {
        Q_EMIT alternativeDisplayBegin();
        c->mousePress(event);
    }
}

void CCompositeAux::mouseMoveEvent(QMouseEvent *event)
{
    if (!d->pressed || d->switchHit != 0)
        return;
    const int renders = d->picture.rebuildCount();
    d->pressed->mouseMove(event);
    if (d->picture.rebuildCount() == renders && d->updateRequests > 0)
        forceAnUpdate();
}

void CCompositeAux::mouseReleaseEvent(QMouseEvent *event)
{
    CAuxChild *c = d->pressed;
    if (c && d->switchHit == 0) {
        c->mouseRelease(event);
        Q_EMIT alternativeDisplayEnd();
    } else if (c && c->rect().adjusted(-d->margin, 0, 0, 0).contains(event->position().toPoint())) {
        toggleSwitch(c);
    }
    d->pressed = nullptr;
    d->switchHit = 0;
}

void CCompositeAux::toggleSwitch(CAuxChild *c)
{
    IMemAPI *api = memAPI();
    const IMemAPI::TSingleAddress on = c->onAddress();
    if (!api || !api->isReady() || !on.isValid())
        return;
    const int current = api->getValue(on.element, on.parameter, on.channel);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QDataStream stream(&buffer);
        TParamInfoWriter(on.element, on.channel, on.parameter, current, &stream);
    }
    buffer.close();
    api->applyParamInfo(&buffer);
    writeValue(on.element, on.parameter, on.channel, current ? 0 : 1);
}

// --- value text ------------------------------------------------------------------------------

void CCompositeAux::valueChange(int value, CAuxChild *child)
{
    if (!signalsBlocked() && d->pressed && d->switchHit == 0) {
        const QString text = d->pressed->levelText(value, d->tableId);
        if (child == d->pressed)
            Q_EMIT textualValueChange(text);
    }
    requestUpdate();
}
