#include "CGateCurve.h"

#include "CDynCurve_p.h"
#include "TBackgroundPixmap.h"

#include <QEvent>
#include <QPainter>

struct CGateCurve::Private
{
    DynCurve::TReading threshold;
    DynCurve::TReading range;
    qint16 type = 0;
    QPixmap pixmap;

    TBackgroundPixmap picture;
    TDynPixels pixels;
};

CGateCurve::CGateCurve(QWidget *parent, const char *name)
    : QWidget(parent)
    , d(new Private)
{
    if (name)
        setObjectName(QString::fromLatin1(name));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setNumDefaultKind(0);
    setUndoEnable(false);
}

CGateCurve::~CGateCurve()
{
    // The memory may still call process() from another thread until the observers are gone.
    disconnectMemAPI();
    releaseMemory();
}

QPixmap CGateCurve::pixmap() const
{
    return d->pixmap;
}

void CGateCurve::setPixmap(const QPixmap &pixmap)
{
    if (pixmap.cacheKey() == d->pixmap.cacheKey())
        return;
    d->pixmap = pixmap;
    updateGeometry();
    d->picture.lookChanged(this);
}

QSize CGateCurve::sizeHint() const
{
    if (d->pixmap.width() == 0)
        return QSize(DynCurve::kHintWidth, DynCurve::kHintHeight);
    const QPixmap texture = palette().brush(backgroundRole()).texture();
    return texture.isNull() ? d->pixmap.size() : texture.size();
}

TGateCurveParams CGateCurve::curveParameters() const
{
    TGateCurveParams p;
    p.type = d->type;
    p.threshold = Calc_DynThreshold(d->threshold.value, d->threshold.minimum, d->threshold.maximum);
    p.range = Calc_DynBound(d->range.minimum, d->range.value, d->range.maximum);
    return p;
}

int CGateCurve::rebuildCount() const
{
    return d->picture.rebuildCount();
}

// --- binding ---------------------------------------------------------------------------------

QVector<quint32> CGateCurve::observedAddresses() const
{
    const int e = element(), c = channel();
    return {packedAddress(), IMemAPI::pack(e, RangeParameter, c),
            IMemAPI::pack(e, TypeParameter, c)};
}

bool CGateCurve::connectMemAPI()
{
    if (!TMemProxy::connectMemAPI())
        return false;
    // Show the bound gate at once rather than at its first change.
    refreshFromMemory();
    return true;
}

bool CGateCurve::acceptNotification(const Q_UINT8 *, int operation, Q_UINT32)
{
    // Defaults, copy and paste concern the parameters, not the picture.
    return operation == 0;
}

void CGateCurve::updateFromMemory(const Q_UINT8 *, int operation, Q_UINT32)
{
    if (operation != 0 || !memAPIReady() || !address().isValid())
        return;
    const auto silent = silenced(operation);
    readParameters();
    updateErasePixmap(nullptr);
    update();
}

void CGateCurve::readParameters()
{
    IMemAPI *api = memAPI();
    const int e = element(), c = channel();
    const TMemReading own = readNotification(nullptr, 0);
    d->threshold.value = qint16(own.value);
    d->threshold.minimum = qint16(own.minimum);
    d->threshold.maximum = qint16(own.maximum);
    d->range = DynCurve::read(api, e, RangeParameter, c);
    d->type = qint16(api->getValue(e, TypeParameter, c, 0, 0));
}

// --- painting --------------------------------------------------------------------------------

void CGateCurve::updateErasePixmap(QPixmap *p)
{
    if (p) {
        d->picture.setPixmap(*p);
        return;
    }
    d->picture.invalidate();
    d->picture.pixmap(this, [this](QPainter &painter) { repaintScreenPrimitive(painter); });
}

void CGateCurve::repaintScreenPrimitive(QPainter &painter)
{
    if (d->pixmap.width() != 0)
        painter.drawPixmap(0, 0, d->pixmap);
    else
        painter.fillRect(rect(), palette().color(backgroundRole()));
    Calc_GateCurvePixels(curveParameters(), width(), height(), d->pixels);
    DynCurve::drawPixels(painter, d->pixels);
}

void CGateCurve::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    d->picture.paint(painter, this, [this](QPainter &p) { repaintScreenPrimitive(p); });
}

// --- events ----------------------------------------------------------------------------------

bool CGateCurve::event(QEvent *event)
{
    const bool result = QWidget::event(event);
    if (event->type() == QEvent::Polish)
        d->picture.lookChanged(this);
    return result;
}

void CGateCurve::resizeEvent(QResizeEvent *event)
{
    d->picture.lookChanged(this);
    QWidget::resizeEvent(event);
}

void CGateCurve::changeEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::ActivationChange:
        // The picture does not depend on the window's activation.
        return;
    case QEvent::EnabledChange:
    case QEvent::PaletteChange:
    case QEvent::StyleChange:
        d->picture.lookChanged(this);
        break;
    default:
        break;
    }
    QWidget::changeEvent(event);
}
