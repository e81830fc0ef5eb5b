#include "CReverbGraph.h"

#include "CAxisConv.h"
#include "ReverbKnob.h"
#include "ReverbUtils.h"
#include "TBackgroundPixmap.h"

#include <QMouseEvent>
#include <QPainter>

#include <array>
#include <cmath>

namespace {

const QSize kDefaultSize(420, 320);
constexpr float kFloorDb = -60.0f;
constexpr float kRangeDb = 60.0f;
constexpr int kEnvelopeColumns = CReverbGraph::AxisWidth + 1;
constexpr float kZoomHeadroom = 0.95f;
constexpr int kDiffusionSteps = 11;

// The envelope lines: 100 Hz in front, 1 kHz, 10 kHz at the back.
constexpr double kBandHz[RevLine::BandCount] = {100.0, 1000.0, 10000.0};

// The ten knobs, in the order that numbers their addresses. Value texts sit in one row at the
// top; the time knobs travel along the time axis, the frequency knobs up the diagonal, the
// diffusion knob up the left edge.
struct KnobSpec
{
    const char *name;
    const char *pixmap;
    int parameter;
    int textX;
    int textWidth;
    bool threeFrames;
};
constexpr int kTextRow = 16;
constexpr KnobSpec kKnobs[] = {
        {"ReverbTineKnob", "ReverbTimeKnobWithAlpha.png", RevShape::ReverbTime, 4, 36, false},
        {"ReverbInitialDelayKnob", "ReverbInitialDelayWithAlpha.png", RevShape::InitialDelay, 52,
         42, false},
        {"ReverbHiRatioKnob", "ReverbHiRatioWithAlpha.png", RevShape::HighRatio, 106, 18, true},
        {"ReverbLowRatioKnob", "ReverbLowRatioWithAlpha.png", RevShape::LowRatio, 136, 18, true},
        {"ReverbDiffusionKnob", "ReverbDiffusionWithAlpha.png", RevShape::Diffusion, 166, 12,
         false},
        {"ReverbRoomSizeKnob", "ReverbRoomSizeWithAlpha.png", RevShape::RoomSize, 190, 12, true},
        {"ReverbDelayKnob", "ReverbDelayWithAlpha.png", RevShape::Decay, 214, 12, false},
        {"ReverbLowFreqKnob", "ReverbLowFreqWithAlpha.png", RevShape::LowFreq, 238, 36, false},
        {"ReverbHPFKnob", "ReverbHPFWithAlpha.png", RevShape::Hpf, 286, 36, false},
        {"ReverbLPFKnob", "ReverbLPFWithAlpha.png", RevShape::Lpf, 334, 36, false},
};
constexpr int kDiffusionX = 14;

const QColor kEnvelopeLine(230, 236, 240);
const QColor kReverbTimeLine(255, 170, 60);
const QColor kFilterLine(120, 230, 140);
const QColor kHighlight(255, 226, 90);

// Fill of each envelope line by diffusion: denser and lighter with more diffusion.
using DiffusionTable = std::array<QColor, kDiffusionSteps>;
const std::array<DiffusionTable, RevLine::BandCount> &diffusionTables()
{
    static const std::array<DiffusionTable, RevLine::BandCount> tables = [] {
        std::array<DiffusionTable, RevLine::BandCount> t;
        const int hues[RevLine::BandCount] = {190, 215, 265};
        for (int k = 0; k < RevLine::BandCount; ++k) {
            for (int i = 0; i < kDiffusionSteps; ++i)
                t[size_t(k)][size_t(i)] =
                        QColor::fromHsv(hues[k], 160 - 6 * i, 120 + 8 * i, 70 + 14 * i);
        }
        return t;
    }();
    return tables;
}

bool changesEnvelope(int parameter)
{
    switch (parameter) {
    case RevShape::ReverbTime:
    case RevShape::InitialDelay:
    case RevShape::RoomSize:
    case RevShape::HighRatio:
    case RevShape::LowRatio:
    case RevShape::Decay:
    case RevShape::Kind:
    case RevShape::LowFreq:
        return true;
    default:
        return false;
    }
}

bool changesReverbTime(int parameter)
{
    return changesEnvelope(parameter) && parameter != RevShape::Decay;
}

bool changesFilter(int parameter)
{
    return parameter == RevShape::Hpf || parameter == RevShape::Lpf;
}

QString knobAddress(int n)
{
    return QStringLiteral("FEkEffect/kEffectParam%1").arg(n);
}

int levelToY(int baseY, float dB)
{
    const float v = qBound(kFloorDb, dB, 0.0f);
    return baseY - int((v + kRangeDb) / kRangeDb * CReverbGraph::LevelHeight);
}

} // namespace

struct CReverbGraph::Private
{
    RevShape shape;
    int zoom = 0;
    bool autoZoom = false;
    CReverbGraph::revType type = CReverbGraph::Large_Hall;
    ReverbKnob *dragged = nullptr;
    ReverbKnob *highlighted = nullptr;
    // Cached curves: three envelope lines, the reverb-time curve, the filter curve, and all.
    bool envelopeDirty[RevLine::BandCount] = {true, true, true};
    bool reverbTimeDirty = true;
    bool filterDirty = true;
    bool allDirty = true;
    // Three fixed colours and three chosen by the diffusion.
    QColor fixed[3] = {kEnvelopeLine, kReverbTimeLine, kFilterLine};
    QColor fills[RevLine::BandCount];
    QPolygon envelopes[RevLine::BandCount];
    QPolygon reverbTime;
    QPolygon filter;
    int envelopeRecalcs = 0;
    int reverbTimeRecalcs = 0;
    int filterRecalcs = 0;
    TBackgroundPixmap picture;
};

CReverbGraph::CReverbGraph(QWidget *parent, const char *name)
    : QWidget(parent)
    , d(new Private)
{
    if (name)
        setObjectName(QString::fromLatin1(name));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    createKnobs();
    setDefaults(Large_Hall);
    chooseColours();
    AutoZoom(RevShape::Kind);
}

CReverbGraph::~CReverbGraph()
{
    disconnectMemAPI();
    // The knobs go first, while the graph they call is still whole.
    const QList<ReverbKnob *> list = knobs();
    qDeleteAll(list);
    releaseMemory();
}

void CReverbGraph::createKnobs()
{
    int n = 0;
    for (const KnobSpec &k : kKnobs) {
        QPoint p1(AxisLeft, RowBottom), p2(AxisRight, RowBottom);
        if (k.parameter == RevShape::Diffusion) {
            p1 = QPoint(kDiffusionX, RowBottom);
            p2 = QPoint(kDiffusionX, RowTop);
        } else if (k.parameter == RevShape::LowFreq || k.parameter == RevShape::Hpf
                   || k.parameter == RevShape::Lpf) {
            p2 = QPoint(FreqAxisEndX, FreqAxisEndY);
        }
        auto *knob = new ReverbKnob(k.parameter, p1, p2, QPoint(k.textX, kTextRow), k.textWidth,
                                    QString::fromLatin1(k.pixmap), k.threeFrames, this, k.name);
        // Named from the start, so that a host binding the whole tree binds the knobs too.
        knob->setNamedAddress(knobAddress(++n));
    }
}

// --- properties ------------------------------------------------------------------------------

CReverbGraph::revType CReverbGraph::reverbType() const
{
    return d->type;
}

int CReverbGraph::zoom() const
{
    return d->zoom;
}

bool CReverbGraph::isAutoZoom() const
{
    return d->autoZoom;
}

QString CReverbGraph::typeName(int type)
{
    static const char *const names[] = {"Large Hall", "Medium Hall", "Warm Room",
                                        "Woody Room", "Plate1",      "Plate2"};
    return type >= 0 && type < RevShape::TypeCount ? QString::fromLatin1(names[type]) : QString();
}

void CReverbGraph::setZoom(int z)
{
    z = qBound(0, z, ZoomMax);
    d->zoom = z;
    d->shape.setTimeSpan(ReverbUtils::zoomSpan(z));
    d->allDirty = true;
    d->picture.lookChanged(this);
    Q_EMIT zoomUpdated(z);
}

void CReverbGraph::setReverbType(const CReverbGraph::revType t)
{
    if (t == d->type || t < Large_Hall || t > Plate_2)
        return;
    d->type = t;
    setDefaults(t);
}

void CReverbGraph::setAutoZoom(bool on)
{
    d->autoZoom = on;
}

QSize CReverbGraph::sizeHint() const
{
    const QPixmap texture = palette().brush(QPalette::Window).texture();
    return texture.isNull() ? kDefaultSize : texture.size();
}

// --- model -----------------------------------------------------------------------------------

const RevShape &CReverbGraph::shape() const
{
    return d->shape;
}

float CReverbGraph::GetParameter(int i) const
{
    return d->shape.GetParameter(i);
}

void CReverbGraph::SetParameter(int i, float v)
{
    const qint16 value = std::isfinite(v) ? qint16(qBound(-32768.0f, v, 32767.0f)) : 0;
    d->shape.SetParameter(i, value);
    if (i == RevShape::Diffusion)
        chooseColours();
    markDirty(i);
    AutoZoom(i);
    d->picture.lookChanged(this);
}

void CReverbGraph::markDirty(int parameter)
{
    if (changesEnvelope(parameter)) {
        for (bool &dirty : d->envelopeDirty)
            dirty = true;
    }
    if (changesReverbTime(parameter))
        d->reverbTimeDirty = true;
    if (changesFilter(parameter))
        d->filterDirty = true;
}

void CReverbGraph::chooseColours()
{
    const int diffusion = qBound(0, int(d->shape.GetParameter(RevShape::Diffusion)), 10);
    for (int k = 0; k < RevLine::BandCount; ++k)
        d->fills[k] = diffusionTables()[size_t(k)][size_t(diffusion)];
}

void CReverbGraph::setDefaults(int t)
{
    const qint16 *values = RevShape::preset(t);
    for (int i = 1; i <= RevShape::ParameterCount; ++i)
        SetParameter(i, values[i - 1]);
    SetParameter(RevShape::Kind, float(qBound(0, t, RevShape::TypeCount - 1) / 2));
    for (ReverbKnob *knob : knobs())
        knob->initValue(values[knob->parameterIndex() - 1]);
}

void CReverbGraph::AutoZoom(int i)
{
    if (d->dragged || !(d->autoZoom || i == RevShape::Kind))
        return;
    if (i != -1 && i != RevShape::ReverbTime && i != RevShape::RoomSize && i != RevShape::Kind)
        return;
    const float t = d->shape.actualReverbTime() * 1000.0f;
    int level = ZoomMax;
    for (int k = 0; k <= ZoomMax; ++k) {
        if (t < ReverbUtils::zoomSpan(k) * kZoomHeadroom) {
            level = k;
            break;
        }
    }
    setZoom(level);
}

QList<ReverbKnob *> CReverbGraph::knobs() const
{
    QList<ReverbKnob *> list;
    for (QObject *o : children()) {
        if (auto *knob = qobject_cast<ReverbKnob *>(o))
            list.append(knob);
    }
    return list;
}

ReverbKnob *CReverbGraph::draggedKnob() const
{
    return d->dragged;
}

ReverbKnob *CReverbGraph::knobAt(const QPoint &pos) const
{
    // Drawn in order, so the last one is on top.
    const QList<ReverbKnob *> list = knobs();
    for (auto it = list.crbegin(); it != list.crend(); ++it) {
        QRect r;
        (*it)->GetKnobRect(r);
        if (r.contains(pos))
            return *it;
    }
    return nullptr;
}

QColor CReverbGraph::highlightColour() const
{
    return kHighlight;
}

QColor CReverbGraph::envelopeFill(int k) const
{
    return d->fills[qBound(0, k, RevLine::BandCount - 1)];
}

int CReverbGraph::timeToX(float ms) const
{
    const float x = ms / float(ReverbUtils::zoomSpan(d->zoom)) * AxisWidth + AxisLeft;
    if (!(x >= AxisLeft))
        return AxisLeft;
    return x > AxisRight ? AxisRight : int(x);
}

int CReverbGraph::frequencyOffset(double hz)
{
    if (!(hz > 20.0))
        return 0;
    const double off = Diagonal * std::log(hz / 20.0) / std::log(1000.0);
    return qBound(0, int(std::lround(off)), Diagonal);
}

// --- cached curves ---------------------------------------------------------------------------

const QPolygon &CReverbGraph::envelopePoints(int k) const
{
    return d->envelopes[qBound(0, k, RevLine::BandCount - 1)];
}

const QPolygon &CReverbGraph::reverbTimePoints() const
{
    return d->reverbTime;
}

const QPolygon &CReverbGraph::filterPoints() const
{
    return d->filter;
}

int CReverbGraph::envelopeRecalculations() const
{
    return d->envelopeRecalcs;
}

int CReverbGraph::reverbTimeRecalculations() const
{
    return d->reverbTimeRecalcs;
}

int CReverbGraph::filterRecalculations() const
{
    return d->filterRecalcs;
}

int CReverbGraph::pictureRebuilds() const
{
    return d->picture.rebuildCount();
}

void CReverbGraph::UpdateEnvelopePoints(int k, const QPoint &start, const QPoint &end)
{
    k = qBound(0, k, RevLine::BandCount - 1);
    ++d->envelopeRecalcs;
    float levels[kEnvelopeColumns];
    d->shape.currentLine().GetDisplayEnvelope(RevLine::Band(k), float(d->shape.timeSpan()),
                                              kEnvelopeColumns, levels);
    QPolygon &points = d->envelopes[k];
    points.clear();
    points.reserve(kEnvelopeColumns + 2);
    points << start;
    for (int i = 0; i < kEnvelopeColumns; ++i)
        points << QPoint(start.x() + i, levelToY(start.y(), levels[i]));
    points << end;
}

void CReverbGraph::UpdateFilterPoints()
{
    ++d->filterRecalcs;
    float levels[CurvePoints];
    d->shape.GetFilterCurve(levels, CurvePoints);
    AxisConv conv;
    conv.SetAxisY(AxisLeft, RowBottom, AxisLeft + CurvePoints, RowTop, AxisLeft, RowBottom,
                  FreqAxisEndX, FreqAxisEndY, -LevelHeight);
    d->filter.clear();
    for (int i = 0; i < CurvePoints; ++i) {
        const int y = qBound(RowTop, levelToY(RowBottom, levels[i]), RowBottom);
        d->filter << conv.GetPoint(QPoint(AxisLeft + i, y));
    }
}

void CReverbGraph::UpdateReverbTimePoints()
{
    ++d->reverbTimeRecalcs;
    float times[CurvePoints];
    d->shape.GetReverbTimeCurve(times, CurvePoints);
    const float span = float(ReverbUtils::zoomSpan(d->zoom));
    AxisConv conv;
    conv.SetAxisX(AxisLeft, RowBottom, AxisRight, RowBottom - CurvePoints, AxisLeft, RowBottom,
                  FreqAxisEndX, FreqAxisEndY, AxisWidth);
    d->reverbTime.clear();
    for (int i = 0; i < CurvePoints; ++i) {
        const float x = times[i] / span * AxisWidth + AxisLeft;
        const int column = !(x >= AxisLeft) ? AxisLeft : x > AxisRight ? AxisRight : int(x);
        d->reverbTime << conv.GetPoint(QPoint(column, RowBottom - i));
    }
}

void CReverbGraph::updateData()
{
    const bool all = d->allDirty;
    for (int k = RevLine::BandCount - 1; k >= 0; --k) {
        if (!all && !d->envelopeDirty[k])
            continue;
        const int off = frequencyOffset(kBandHz[k]);
        const QPoint start(AxisLeft + off, RowBottom - off);
        UpdateEnvelopePoints(k, start, start + QPoint(kEnvelopeColumns - 1, 0));
        d->envelopeDirty[k] = false;
    }
    if (all || d->reverbTimeDirty)
        UpdateReverbTimePoints();
    if (all || d->filterDirty)
        UpdateFilterPoints();
    d->reverbTimeDirty = d->filterDirty = d->allDirty = false;
}

// --- painting --------------------------------------------------------------------------------

void CReverbGraph::repaintScreenPrimitive(QPainter &painter)
{
    const QPixmap background = palette().brush(QPalette::Window).texture();
    if (background.isNull()) {
        painter.fillRect(rect(), palette().color(QPalette::Window));
        return;
    }
    updateData();
    painter.drawPixmap(0, 0, background);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::NoPen);
    for (int k = RevLine::BandCount - 1; k >= 0; --k) {
        painter.setBrush(d->fills[k]);
        painter.drawPolygon(d->envelopes[k]);
    }
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(d->fixed[0], 1));
    for (int k = RevLine::BandCount - 1; k >= 0; --k) {
        const QPolygon &e = d->envelopes[k];
        if (e.size() > 2)
            painter.drawPolyline(e.constData() + 1, e.size() - 2);
    }
    painter.setPen(QPen(d->fixed[1], 2));
    painter.drawPolyline(d->reverbTime);
    painter.setPen(QPen(d->fixed[2], 2));
    painter.drawPolyline(d->filter);
    drawKnobs(painter);
    DrawEditMarker(painter);
}

void CReverbGraph::drawKnobs(QPainter &painter)
{
    for (ReverbKnob *knob : knobs())
        knob->DrawPrimitive(&painter);
}

void CReverbGraph::DrawEditMarker(QPainter &painter)
{
    if (!d->dragged)
        return;
    QRect r;
    d->dragged->GetKnobRect(r);
    painter.setPen(QPen(kHighlight, 1, Qt::DotLine));
    painter.drawLine(r.center().x(), r.bottom() + 1, r.center().x(), RowBottom);
}

void CReverbGraph::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    d->picture.paint(painter, this, [this](QPainter &p) { repaintScreenPrimitive(p); });
}

void CReverbGraph::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    d->picture.lookChanged(this);
}

void CReverbGraph::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange || event->type() == QEvent::PaletteChange)
        d->picture.lookChanged(this);
}

// --- binding and mouse -----------------------------------------------------------------------

bool CReverbGraph::connectMemAPI()
{
    const bool attached = TMemProxy::connectMemAPI();
    if (memAPIReady()) {
        int n = 0;
        for (ReverbKnob *knob : knobs()) {
            knob->setNamedAddress(knobAddress(++n));
            memAPI()->connectProxy(knob, ownChannel());
        }
    }
    d->picture.lookChanged(this);
    return attached;
}

TMemProxy *CReverbGraph::realMemoryProxy(QMouseEvent *event)
{
    return event ? knobAt(event->position().toPoint()) : nullptr;
}

void CReverbGraph::highlightKnob(ReverbKnob *knob)
{
    if (knob == d->highlighted)
        return;
    if (d->highlighted)
        d->highlighted->setHighlighted(false);
    d->highlighted = knob;
    if (knob)
        knob->setHighlighted(true);
    d->picture.lookChanged(this);
}

void CReverbGraph::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    d->dragged = knobAt(event->position().toPoint());
    if (!d->dragged)
        return;
    d->dragged->mousePressEvent(event);
    d->picture.lookChanged(this);
}

void CReverbGraph::mouseMoveEvent(QMouseEvent *event)
{
    if (!d->dragged) {
        highlightKnob(knobAt(event->position().toPoint()));
        return;
    }
    d->dragged->mouseMoveEvent(event);
    d->picture.lookChanged(this);
}

void CReverbGraph::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !d->dragged)
        return;
    ReverbKnob *knob = d->dragged;
    knob->mouseReleaseEvent(event);
    d->dragged = nullptr;
    if (knob->parameterIndex() != RevShape::InitialDelay)
        AutoZoom(int(knob->parameterIndex()));
    d->picture.lookChanged(this);
}

void CReverbGraph::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    if (!d->dragged)
        highlightKnob(nullptr);
}
