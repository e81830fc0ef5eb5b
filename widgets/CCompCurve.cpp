#include "CCompCurve.h"

#include "CDynCurve_p.h"
#include "TBackgroundPixmap.h"

#include <QEvent>
#include <QPainter>

struct CCompCurve::Private
{
    DynCurve::TReading threshold;
    DynCurve::TReading gain;
    DynCurve::TReading knee;
    DynCurve::TReading ratio;
    qint16 type = 0;

    // The palette's texture (or a plain fill) the curve is drawn over; dropped with the size or
    // the palette.
    QPixmap background;
    TBackgroundPixmap picture;
    TDynPixels pixels;
};

CCompCurve::CCompCurve(QWidget *parent, const char *name)
    : QWidget(parent)
    , d(new Private)
{
    if (name)
        setObjectName(QString::fromLatin1(name));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setNumDefaultKind(0);
    setUndoEnable(false);
}

CCompCurve::~CCompCurve()
{
    // The memory may still call process() from another thread until the observers are gone.
    disconnectMemAPI();
    releaseMemory();
}

QSize CCompCurve::sizeHint() const
{
    const QPixmap texture = palette().brush(backgroundRole()).texture();
    return texture.isNull() ? QSize(DynCurve::kHintWidth, DynCurve::kHintHeight) : texture.size();
}

TCompCurveParams CCompCurve::curveParameters() const
{
    TCompCurveParams p;
    p.type = d->type;
    p.threshold = Calc_DynThreshold(d->threshold.value, d->threshold.minimum, d->threshold.maximum);
    p.ratio = d->ratio.value;
    p.knee = d->knee.value;
    p.gain = d->gain.value;
    p.gainMaximum = d->gain.maximum;
    return p;
}

int CCompCurve::rebuildCount() const
{
    return d->picture.rebuildCount();
}

// --- binding ---------------------------------------------------------------------------------

QVector<quint32> CCompCurve::observedAddresses() const
{
    const int e = element(), c = channel();
    return {packedAddress(), IMemAPI::pack(e, GainParameter, c), IMemAPI::pack(e, KneeParameter, c),
            IMemAPI::pack(e, RatioParameter, c), IMemAPI::pack(e, TypeParameter, c)};
}

bool CCompCurve::connectMemAPI()
{
    if (!TMemProxy::connectMemAPI())
        return false;
    // Show the bound compressor at once rather than at its first change.
    readParameters();
    updateErasePixmap(nullptr);
    update();
    return true;
}

bool CCompCurve::acceptNotification(const Q_UINT8 *, int operation, Q_UINT32)
{
    // Defaults, copy and paste concern the parameters, not the picture.
    return operation == 0;
}

void CCompCurve::updateFromMemory(const Q_UINT8 *, int operation, Q_UINT32)
{
    if (operation != 0)
        return;
    const auto silent = silenced(operation);
    if (!readParameters())
        return;
    updateErasePixmap(nullptr);
    update();
}

bool CCompCurve::readParameters()
{
    IMemAPI *api = memAPI();
    if (!memAPIReady() || !address().isValid())
        return false;
    const int e = element(), c = channel();
    const TMemReading own = readNotification(nullptr, 0);
    DynCurve::TReading threshold;
    threshold.value = qint16(own.value);
    threshold.minimum = qint16(own.minimum);
    threshold.maximum = qint16(own.maximum);
    const DynCurve::TReading gain = DynCurve::read(api, e, GainParameter, c);
    const DynCurve::TReading knee = DynCurve::read(api, e, KneeParameter, c);
    const DynCurve::TReading ratio = DynCurve::read(api, e, RatioParameter, c);
    const qint16 type = qint16(api->getValue(e, TypeParameter, c, 0, 0));
    if (threshold == d->threshold && gain == d->gain && knee == d->knee && ratio == d->ratio
        && type == d->type)
        return false;
    d->threshold = threshold;
    d->gain = gain;
    d->knee = knee;
    d->ratio = ratio;
    d->type = type;
    return true;
}

// --- painting --------------------------------------------------------------------------------

void CCompCurve::updateErasePixmap(QPixmap *p)
{
    if (p) {
        d->picture.setPixmap(*p);
        return;
    }
    d->picture.invalidate();
    d->picture.pixmap(this, [this](QPainter &painter) { repaintScreenPrimitive(painter); });
}

void CCompCurve::repaintScreenPrimitive(QPainter &painter)
{
    if (d->background.isNull()) {
        const QPixmap texture = palette().brush(backgroundRole()).texture();
        if (!texture.isNull()) {
            d->background = texture;
        } else {
            d->background = QPixmap(size().expandedTo(QSize(1, 1)));
            d->background.fill(palette().color(backgroundRole()));
        }
    }
    painter.drawPixmap(0, 0, d->background);
    Calc_CompCurvePixels(curveParameters(), width(), height(), d->pixels);
    DynCurve::drawPixels(painter, d->pixels);
}

void CCompCurve::dropBackground()
{
    d->background = QPixmap();
    d->picture.lookChanged(this);
}

void CCompCurve::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    d->picture.paint(painter, this, [this](QPainter &p) { repaintScreenPrimitive(p); });
}

// --- events ----------------------------------------------------------------------------------

bool CCompCurve::event(QEvent *event)
{
    const bool result = QWidget::event(event);
    if (event->type() == QEvent::Polish)
        dropBackground();
    return result;
}

void CCompCurve::resizeEvent(QResizeEvent *event)
{
    dropBackground();
    QWidget::resizeEvent(event);
}

void CCompCurve::changeEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::ActivationChange:
        // The picture does not depend on the window's activation.
        return;
    case QEvent::EnabledChange:
    case QEvent::PaletteChange:
    case QEvent::StyleChange:
        dropBackground();
        break;
    default:
        break;
    }
    QWidget::changeEvent(event);
}
