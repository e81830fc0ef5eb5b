#include "CSurround.h"

#include "NS_Utilities.h"
#include "TBackgroundPixmap.h"
#include "TMarshallEvent.h"
#include "TParamInfo.h"
#include "TSetter.h"

#include <QBuffer>
#include <QDataStream>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

// Logical positions span -63..63: 127 steps across the range.
constexpr float kSteps = 127.0f;
// Stored values of an effect surround are offset by this.
constexpr int kFxOffset = 63;
// Parameters of an input-channel surround.
constexpr int kInChXParameter = 6;
constexpr int kInChYParameter = 7;
// Frame size without a background.
constexpr int kNoBackgroundSide = 63;
// Steps of a drag before the trail may grow again.
constexpr qint8 kHoldSteps = 4;
constexpr int kDefaultInterval = 50;
constexpr int kMaxInterval = 255;
// Background rows.
constexpr int kEnabledRow = 0;
constexpr int kDisabledRow = 1;

int clampPosition(int v)
{
    return std::clamp(v, -CSurround::MaxPosition, CSurround::MaxPosition);
}

// trunc(u * scale) clamped to a position; a NaN or an infinity (no range) reads as 0.
int logicalFromUi(double u, float scale)
{
    const double v = u * double(scale);
    if (!std::isfinite(v))
        return 0;
    return clampPosition(int(std::trunc(std::clamp(v, -1.0e6, 1.0e6))));
}

} // namespace

struct CSurround::Private
{
    QPixmap imageBgnd;
    QPixmap imageMain;
    QPixmap imageGhst;
    quint8 maxGhosts = 0;
    quint8 interval = kDefaultInterval;
    surrKind kind = InChSurr;
    int nSubImages = 1;

    QSize frame {kNoBackgroundSide, kNoBackgroundSide};
    QPoint origin {0, 0};
    QPoint range {-1, -1};
    float scaleX = 1.0f;
    float scaleY = 1.0f;

    // Point 0 is the current position, 1..count the trail, oldest first; only the first
    // maxGhosts + 1 are used.
    std::array<QPoint, MaxGhosts + 1> points {};
    qint8 count = 0;
    qint8 hold = 0;
    int interacting = 0;
    int timerId = 0;
    bool polished = false;
    bool signalsPending = false;
    TBackgroundPixmap picture;
};

CSurround::CSurround(QWidget *parent, const char *name)
    : QWidget(parent)
    , d(new Private)
{
    if (name)
        setObjectName(QString::fromLatin1(name));
    // The background frame covers the whole widget.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::ClickFocus);
}

CSurround::~CSurround()
{
    disconnectMemAPI();
    releaseMemory();
}

// --- properties ------------------------------------------------------------------------------

QPixmap CSurround::pixmapBgnd() const
{
    return d->imageBgnd;
}

void CSurround::setPixmapBgnd(const QPixmap &pixmap)
{
    if (pixmap.cacheKey() == d->imageBgnd.cacheKey())
        return;
    d->imageBgnd = pixmap;
    if (d->polished)
        polishGeometry();
    d->picture.lookChanged(this);
}

QPixmap CSurround::pixmapMain() const
{
    return d->imageMain;
}

void CSurround::setPixmapMain(const QPixmap &pixmap)
{
    if (pixmap.cacheKey() == d->imageMain.cacheKey())
        return;
    d->imageMain = pixmap;
    if (d->polished)
        polishGeometry();
    d->picture.lookChanged(this);
}

QPixmap CSurround::pixmapGhst() const
{
    return d->imageGhst;
}

void CSurround::setPixmapGhst(const QPixmap &pixmap)
{
    d->imageGhst = pixmap;
}

int CSurround::ghosts() const
{
    return d->maxGhosts;
}

void CSurround::setGhosts(int count)
{
    if (count < 1 || count > MaxGhosts || count == d->maxGhosts)
        return;
    d->maxGhosts = quint8(count);
    // A trail of another length starts afresh.
    d->count = 0;
    d->hold = 0;
    if (d->timerId) {
        killTimer(d->timerId);
        d->timerId = 0;
    }
    d->picture.lookChanged(this);
}

int CSurround::interval() const
{
    return d->interval;
}

void CSurround::setInterval(int ms)
{
    if (ms < 1 || ms > kMaxInterval)
        return;
    d->interval = quint8(ms);
}

CSurround::surrKind CSurround::surroundKind() const
{
    return d->kind;
}

void CSurround::setSurroundKind(const surrKind kind)
{
    if (kind == d->kind)
        return;
    // Another kind observes another pair of parameters.
    const bool attached = isAttached();
    if (attached)
        disconnectMemAPI();
    d->kind = kind;
    if (attached)
        connectMemAPI();
}

int CSurround::nSubImages() const
{
    return d->nSubImages;
}

void CSurround::setnSubImages(int count)
{
    if (!assignIfChanged(d->nSubImages, std::max(1, count)))
        return;
    if (d->polished)
        polishGeometry();
    d->picture.lookChanged(this);
}

QPoint CSurround::position() const
{
    return d->points[0];
}

int CSurround::trailCount() const
{
    return std::max<int>(0, d->count);
}

bool CSurround::userInteractionActive() const
{
    return d->interacting != 0;
}

QSize CSurround::sizeHint() const
{
    return d->frame;
}

// --- geometry --------------------------------------------------------------------------------

void CSurround::polishGeometry()
{
    d->polished = true;
    const QSize background = NS_Utilities::logicalSize(d->imageBgnd);
    d->frame = d->imageBgnd.isNull()
            ? QSize(kNoBackgroundSide, kNoBackgroundSide)
            : QSize(background.width(), background.height() / d->nSubImages);
    const QSize puck =
            d->imageMain.isNull() ? QSize(1, 1) : NS_Utilities::logicalSize(d->imageMain);
    d->origin = QPoint(puck.width() / 2, puck.height() / 2);
    d->range = QPoint(d->frame.width() - puck.width(), d->frame.height() - puck.height());
    // A range of 0 or less has no scale; such an axis reads every position as 0.
    d->scaleX = d->range.x() > 0 ? kSteps / float(d->range.x()) : 0.0f;
    d->scaleY = d->range.y() > 0 ? kSteps / float(d->range.y()) : 0.0f;
    setFixedSize(d->frame);
}

QPoint CSurround::scrnPos2LogicalPos(const QPoint &pos) const
{
    if (d->imageBgnd.isNull())
        return QPoint(0, 0);
    const QPoint &r = d->range;
    const int x = r.x() > 0 ? std::clamp(pos.x() - d->origin.x(), 0, r.x()) : 0;
    const int y = r.y() > 0 ? std::clamp(pos.y() - d->origin.y(), 0, r.y()) : 0;
    return translateFromUIspace(QPointF(x - r.x() * 0.5, y - r.y() * 0.5));
}

QPoint CSurround::translateFromUIspace(const QPointF &ui) const
{
    return QPoint(d->range.x() > 0 ? logicalFromUi(ui.x(), d->scaleX) : 0,
                  d->range.y() > 0 ? logicalFromUi(ui.y(), d->scaleY) : 0);
}

QPoint CSurround::translateToUIspace(const QPoint &logical) const
{
    const int x = d->scaleX > 0 ? int(std::trunc(logical.x() / d->scaleX)) : 0;
    const int y = d->scaleY > 0 ? int(std::trunc(logical.y() / d->scaleY)) : 0;
    return QPoint(x, y);
}

QPoint CSurround::calcOrigin(int i) const
{
    const int last = std::clamp<int>(d->count, 0, d->maxGhosts);
    return translateToUIspace(d->points[std::clamp(i, 0, last)])
            + QPoint(d->range.x() / 2, d->range.y() / 2);
}

void CSurround::getXYMemIndex(int *xParameter, int *yParameter) const
{
    const bool fx = d->kind == FxSurr;
    if (xParameter)
        *xParameter = fx ? parameter() : kInChXParameter;
    if (yParameter)
        *yParameter = fx ? parameter() + 1 : kInChYParameter;
}

// --- writing and signalling ------------------------------------------------------------------

void CSurround::setXY(int x, int y)
{
    const QPoint p(clampPosition(x), clampPosition(y));
    if (p == d->points[0])
        return;
    d->points[0] = p;
    emitValueChanged(true);
}

void CSurround::triggerEmitValueChanged()
{
    emitValueChanged(true);
}

void CSurround::emitValueChanged(bool trail)
{
    writePosition();
    if (signalsBlocked()) {
        if (!d->signalsPending) {
            d->signalsPending = true;
            TMarshallEvent::post(this, &CSurround::emitSignals_bridge);
        }
    } else {
        emitSignals_bridge(this);
    }
    if (trail && isEnabled())
        growTrail();
    d->picture.lookChanged(this);
}

void CSurround::writePosition()
{
    IMemAPI *api = memAPI();
    if (isSilent() || !memAPIReady() || !address().isValid())
        return;
    int px = 0, py = 0;
    getXYMemIndex(&px, &py);
    const int e = element(), c = channel();
    const QPoint p = d->points[0];
    const bool fx = d->kind == FxSurr;
    const int vx = fx ? p.x() + kFxOffset : p.x();
    const int vy = fx ? p.y() + kFxOffset : -p.y();

    api->setBatchMode(true);
    api->setUndoGroup(true);
    if (isUndoEnable()) {
        // The values from before the move, as one step: the memory writes what it is handed, so
        // they must still be current.
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        {
            QDataStream stream(&buffer);
            TParamInfoWriter(e, c, px, api->getValue(e, px, c, 0, 0), &stream);
            TParamInfoWriter(e, c, py, api->getValue(e, py, c, 0, 0), &stream);
        }
        buffer.close();
        api->applyParamInfo(&buffer);
    }
    writeValue(e, px, c, vx);
    writeValue(e, py, c, vy);
    api->setUndoGroup(false);
    MemAPITask *task = api->currentTask(0);
    if (task && api->taskActive()) {
        MemAPITask::alertProxy(task, e, px, c);
        MemAPITask::alertProxy(task, e, py, c);
        MemAPITask::alert(task);
    }
    api->setBatchMode(false);
}

QString CSurround::positionText(const QPoint &p)
{
    const char *xPrefix = p.x() < 0 ? "L" : (p.x() == 0 ? "C" : "R");
    const char *yPrefix = p.y() < 0 ? "F" : (p.y() == 0 ? "C" : "R");
    // "%.0d" prints no digits for 0: the centre reads "C C".
    char text[32];
    std::snprintf(text, sizeof text, "%s%.0d %s%.0d", xPrefix, std::abs(p.x()), yPrefix,
                  std::abs(p.y()));
    return QString::fromLatin1(text);
}

void CSurround::emitSignals_bridge(QObject *o)
{
    auto *w = qobject_cast<CSurround *>(o);
    if (!w)
        return;
    w->d->signalsPending = false;
    if (!w->isEnabled()) {
        Q_EMIT w->textualPositionChange(QString());
        return;
    }
    const QPoint p = w->d->points[0];
    Q_EMIT w->positionChange(p);
    Q_EMIT w->textualPositionChange(positionText(p));
}

void CSurround::emitSilently()
{
    const auto silent = silenced();
    emitValueChanged(false);
}

// --- trail -----------------------------------------------------------------------------------

void CSurround::dropOldest()
{
    const int last = std::min<int>(d->count, d->maxGhosts);
    for (int i = 2; i <= last; ++i)
        d->points[i - 1] = d->points[i];
    --d->count;
}

void CSurround::growTrail()
{
    --d->hold;
    if (d->hold >= 1)
        return;
    if (d->count == d->maxGhosts)
        dropOldest();
    // Without ghosts the count is -1 here and the point appended is point 0 itself.
    const int next = d->count + 1;
    if (next >= 0 && next <= d->maxGhosts)
        d->points[next] = d->points[0];
    d->hold = kHoldSteps;
    ++d->count;
    if (d->count == 1 && !d->timerId)
        d->timerId = startTimer(d->interval);
}

void CSurround::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != d->timerId) {
        QWidget::timerEvent(event);
        return;
    }
    if (d->count > 0 && d->hold < 1) {
        dropOldest();
        d->picture.lookChanged(this);
    }
    if (d->count <= 0) {
        killTimer(d->timerId);
        d->timerId = 0;
    }
    d->hold = 0;
}

// --- binding ---------------------------------------------------------------------------------

QVector<quint32> CSurround::observedAddresses() const
{
    int px = 0, py = 0;
    getXYMemIndex(&px, &py);
    return {IMemAPI::pack(element(), px, channel()), IMemAPI::pack(element(), py, channel())};
}

bool CSurround::connectMemAPI()
{
    if (!TMemProxy::connectMemAPI())
        return false;
    const QPoint before = d->points[0];
    refreshFromMemory();
    // A position that did not change is told all the same, so the texts show the bound state.
    if (d->points[0] == before)
        emitSilently();
    return true;
}

void CSurround::updateFromMemory(const Q_UINT8 *data, int operation, Q_UINT32)
{
    IMemAPI *api = memAPI();
    if (!api || !address().isValid())
        return;
    int px = 0, py = 0;
    getXYMemIndex(&px, &py);
    const int e = element(), c = channel();
    switch (operation) {
    case 1:
        // The writes come back as change notifications.
        writeValue(e, px, c, api->getValueEx(e, px, c, false, nullptr));
        writeValue(e, py, c, api->getValueEx(e, py, c, false, nullptr));
        return;
    case 2:
        if (data) {
            QDataStream *stream = streamFromData(data);
            for (int p : {px, py}) {
                TParamInfoReader record(stream);
                // A stream that ends early: what was read is applied.
                if (!record.isValid())
                    break;
                if (api->matchesParamInfo(e, p, record.tag(), 0))
                    writeValue(e, p, c, record.value());
            }
        }
        return;
    case 3:
        if (data) {
            QDataStream *stream = streamFromData(data);
            for (int p : {px, py})
                TParamInfoWriter(this, api->getValue(e, p, c, 0, 0), stream, p);
        }
        return;
    default:
        break;
    }
    const int rawX = api->getValue(e, px, c, 0, 0);
    const int rawY = api->getValue(e, py, c, 0, 0);
    const QPoint p = d->kind == FxSurr
            ? QPoint(clampPosition(rawX - kFxOffset), clampPosition(rawY - kFxOffset))
            : QPoint(clampPosition(rawX), clampPosition(-rawY));
    if (p == d->points[0])
        return;
    d->points[0] = p;
    emitSilently();
}

// --- painting --------------------------------------------------------------------------------

void CSurround::repaintScreenPrimitive(QPainter &painter)
{
    if (!d->imageBgnd.isNull()) {
        // A one-frame strip has no disabled row.
        const int row = !isEnabled() && d->nSubImages > kDisabledRow ? kDisabledRow : kEnabledRow;
        NS_Utilities::drawPartialPixmap(painter, QPoint(0, row), d->imageBgnd,
                                        QSize(1, d->nSubImages));
    }
    if (!isEnabled() || d->imageMain.width() <= 0)
        return;
    // The puck is OR-ed in: its transparent pixels leave the background as it is.
    painter.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
    const int last = std::clamp<int>(d->count, 0, d->maxGhosts);
    for (int i = 0; i <= last; ++i)
        painter.drawPixmap(calcOrigin(i), d->imageMain);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void CSurround::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    d->picture.paint(painter, this, [this](QPainter &p) { repaintScreenPrimitive(p); });
}

// --- events ----------------------------------------------------------------------------------

bool CSurround::event(QEvent *event)
{
    const bool result = QWidget::event(event);
    if (event->type() == QEvent::Polish)
        polishGeometry();
    return result;
}

void CSurround::changeEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::ActivationChange:
        // The picture does not depend on the window's activation.
        return;
    case QEvent::EnabledChange:
        d->picture.lookChanged(this);
        emitSilently();
        break;
    case QEvent::PaletteChange:
        d->picture.lookChanged(this);
        break;
    default:
        break;
    }
    QWidget::changeEvent(event);
}

void CSurround::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    emitSilently();
}

void CSurround::moveTo(const QPoint &pos)
{
    const QPoint p = scrnPos2LogicalPos(pos);
    if (p == d->points[0])
        return;
    d->points[0] = p;
    emitValueChanged(true);
}

void CSurround::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || d->interacting || d->imageMain.isNull()) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QRect puck(calcOrigin(0), NS_Utilities::logicalSize(d->imageMain));
    d->interacting = puck.contains(event->position().toPoint()) ? 1 : 0;
    d->hold = kHoldSteps;
}

void CSurround::mouseMoveEvent(QMouseEvent *event)
{
    if (!d->interacting) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    moveTo(event->position().toPoint());
}

void CSurround::mouseReleaseEvent(QMouseEvent *event)
{
    if (!d->interacting) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    moveTo(event->position().toPoint());
    d->interacting = 0;
}
