#include "ReverbKnob.h"

#include "CReverbGraph.h"
#include "NS_Utilities.h"
#include "ReverbUtils.h"

#include <QBitmap>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>

int ReverbKnob::m_sSavedZoom = 0;

namespace {

constexpr int kTextHeight = 9;
// Hit and draw size of a knob without an image.
constexpr int kBareKnobSide = 11;
// The generic rule reads the mouse this much lower than the pointer.
constexpr int kGenericOffset = 3;
const QColor kDisabledText(106, 116, 121);

// Model ranges by parameter index 1..12.
constexpr float kLow[RevShape::ParameterCount + 1] = {0, 0, 0, 0, 0, 34, 0, 1, 1, 0, 0, 0, 1};
constexpr float kHigh[RevShape::ParameterCount + 1] = {0,  69, 10, 1250, 52, 60, 31,
                                                       10, 14, 53, 127,  2,  59};

// Rows of the 100 Hz, 1 kHz and 10 kHz lines on the diagonal, and the knobs' rows.
constexpr double kLowBandHz = 100.0;
constexpr double kMidBandHz = 1000.0;
constexpr double kHighBandHz = 10000.0;
constexpr int kBelowAxis = 7;
constexpr int kAboveAxis = 7;
constexpr int kFilterKnobDrop = 6;

int roundedInt(float v)
{
    return std::isfinite(v) ? int(std::lround(v)) : 0;
}

} // namespace

struct ReverbKnob::Private
{
    long index = 0;
    QPoint p1, p2, textPos;
    int textWidth = 0;
    QPixmap pixmap;
    QSize frame;
    bool threeFrames = false;
    int pressState = 0;
    bool highlighted = false;
    int memMin = 0;
    int memMax = 0;
    float value = 0;
    QString text = QStringLiteral("None");
};

ReverbKnob::ReverbKnob(long id, const QPoint &p1, const QPoint &p2, const QPoint &textPos,
                       int textWidth, const QString &pixmapName, bool threeFrames, QWidget *parent,
                       const char *name)
    : QObject(parent)
    , d(new Private)
{
    if (name)
        setObjectName(QString::fromLatin1(name));
    d->index = qBound(1L, id, long(RevShape::ParameterCount));
    d->p1 = p1;
    d->p2 = p2;
    d->textPos = textPos;
    d->textWidth = textWidth;
    d->threeFrames = threeFrames;
    d->pixmap = NS_Utilities::loadPixmap(QStringLiteral("zb4r_revb_%1").arg(pixmapName));
    if (!d->pixmap.isNull() && !d->pixmap.hasAlphaChannel())
        d->pixmap.setMask(d->pixmap.createHeuristicMask(true));
    // Frames stacked top to bottom: normal, pressed and (three-frame knobs) disabled.
    const int frames = threeFrames ? 3 : 2;
    d->frame = QSize(d->pixmap.width(), d->pixmap.height() / frames);
    d->value = kLow[d->index];
}

ReverbKnob::~ReverbKnob()
{
    disconnectMemAPI();
    releaseMemory();
}

long ReverbKnob::parameterIndex() const
{
    return d->index;
}

float ReverbKnob::low() const
{
    return kLow[d->index];
}

float ReverbKnob::high() const
{
    return kHigh[d->index];
}

float ReverbKnob::value() const
{
    return d->value;
}

int ReverbKnob::memoryMinimum() const
{
    return d->memMin;
}

int ReverbKnob::memoryMaximum() const
{
    return d->memMax;
}

bool ReverbKnob::isPressed() const
{
    return d->pressState != 0;
}

bool ReverbKnob::isHighlighted() const
{
    return d->highlighted;
}

void ReverbKnob::setHighlighted(bool on)
{
    d->highlighted = on;
}

QString ReverbKnob::valueTextShown() const
{
    return d->text;
}

bool ReverbKnob::hasImage() const
{
    return !d->pixmap.isNull() && !d->frame.isEmpty();
}

float ReverbKnob::modelFromRaw(int raw) const
{
    switch (d->index) {
    case RevShape::InitialDelay:
        if (d->memMax == d->memMin)
            return low();
        return low() + float(raw - d->memMin) / float(d->memMax - d->memMin) * (high() - low());
    case RevShape::Lpf:
        return float(raw + ReverbUtils::LpfMin);
    case RevShape::HighRatio:
    case RevShape::LowRatio:
    case RevShape::LowFreq:
        return float(raw + 1);
    default:
        return float(raw);
    }
}

int ReverbKnob::rawFromModel(float model) const
{
    switch (d->index) {
    case RevShape::InitialDelay:
        return int((model - low()) / (high() - low()) * float(d->memMax - d->memMin)
                   + float(d->memMin));
    case RevShape::Lpf:
        return int(model) - ReverbUtils::LpfMin;
    case RevShape::HighRatio:
    case RevShape::LowRatio:
    case RevShape::LowFreq:
        return int(model) - 1;
    default:
        return int(model);
    }
}

CReverbGraph *ReverbKnob::getParent() const
{
    return qobject_cast<CReverbGraph *>(parent());
}

const RevShape *ReverbKnob::getCurrentShape() const
{
    const CReverbGraph *graph = getParent();
    return graph ? &graph->shape() : nullptr;
}

int ReverbKnob::getZoom() const
{
    const CReverbGraph *graph = getParent();
    if (!graph)
        return -1;
    return d->index == RevShape::InitialDelay ? 0 : graph->zoom();
}

bool ReverbKnob::IsEnabled() const
{
    const CReverbGraph *graph = getParent();
    const RevShape *shape = getCurrentShape();
    if (!shape || !graph || graph->zoom() < 0)
        return true;
    const float span = float(ReverbUtils::zoomSpan(graph->zoom()));
    const RevLine &line = shape->currentLine();
    switch (d->index) {
    case RevShape::RoomSize:
        return line.GetRoomSizeParam_Float(span) > 0.0f;
    case RevShape::HighRatio:
        return line.GetHighRatioParam_Float(span) > 1.0f;
    case RevShape::LowRatio:
        return line.GetLowRatioParam_Float(span) > 1.0f;
    default:
        return true;
    }
}

// --- binding ---------------------------------------------------------------------------------

bool ReverbKnob::connectMemAPI()
{
    if (!TMemProxy::connectMemAPI())
        return false;
    d->memMax = memAPI()->getMaximum(element(), parameter(), channel(), 0);
    d->memMin = memAPI()->getMinimum(element(), parameter(), channel(), 0);
    refreshFromMemory();
    return true;
}

void ReverbKnob::updateFromMemory(const Q_UINT8 *data, int operation, Q_UINT32)
{
    const TMemReading r = readNotification(data, operation);
    if (!r.valid)
        return;
    if (r.rangeChanged) {
        d->memMin = r.minimum;
        d->memMax = r.maximum;
    }
    const auto silent = silenced(operation);
    show(modelFromRaw(r.value));
    // A default or a pasted value is the knob's own change: it goes back to the memory.
    if (operation == 1 || operation == 2 || operation == 4)
        writeValue(r.value);
}

void ReverbKnob::initValue(int v)
{
    const auto silent = silenced();
    show(float(v));
}

void ReverbKnob::show(float model)
{
    d->value = qBound(low(), model, high());
    if (CReverbGraph *graph = getParent())
        graph->SetParameter(int(d->index), d->value);
}

void ReverbKnob::setValue(float v)
{
    if (!IsEnabled())
        return;
    v = qBound(low(), v, high());
    show(v);
    IMemAPI *api = memAPI();
    if (!api || !memAPIReady() || isSilent() || !address().isValid())
        return;
    api->setValue(element(), parameter(), channel(), rawFromModel(v), api->sourceId(0), 1);
}

// --- geometry --------------------------------------------------------------------------------

float ReverbKnob::Pos2Sec(const QPoint &p) const
{
    const int z = getZoom();
    const float span = float(ReverbUtils::zoomSpan(z < 0 ? 0 : z));
    return ReverbUtils::Pos2Float(p.x(), 0.0f, span, CReverbGraph::AxisLeft,
                                  CReverbGraph::AxisRight);
}

float ReverbKnob::Pos2Freq(const QPoint &p) const
{
    return ReverbUtils::Pos2Log(p.x(), 20.0f, 20000.0f, CReverbGraph::AxisLeft,
                                CReverbGraph::FreqAxisEndX);
}

QPoint ReverbKnob::anchor() const
{
    const CReverbGraph *graph = getParent();
    const RevShape *shape = getCurrentShape();
    // Without a graph the knob rests at the start of its travel.
    if (!graph || !shape)
        return d->p1;
    const RevLine &line = shape->currentLine();
    const int bottom = CReverbGraph::RowBottom;
    const int mid = CReverbGraph::frequencyOffset(kMidBandHz);
    auto onBand = [&](float ms, double hz) {
        const int off = CReverbGraph::frequencyOffset(hz);
        return QPoint(graph->timeToX(ms) + off, bottom - off);
    };
    auto onFrequencyAxis = [&](double hz, int lift) {
        const int off = CReverbGraph::frequencyOffset(hz);
        return QPoint(CReverbGraph::AxisLeft + off, bottom - off - lift);
    };
    const float reverbEnd = shape->actualReverbTime() * 1000.0f + line.initialDelay();
    switch (d->index) {
    case RevShape::ReverbTime:
        return onBand(reverbEnd, kMidBandHz);
    case RevShape::RoomSize:
        return QPoint(graph->timeToX(reverbEnd), bottom + kBelowAxis);
    case RevShape::InitialDelay:
        return QPoint(graph->timeToX(line.initialDelay()), bottom - kAboveAxis);
    case RevShape::HighRatio:
        return onBand(line.GetHighRatioNob(), kHighBandHz);
    case RevShape::LowRatio:
        return onBand(line.GetLowRatioNob(), kLowBandHz);
    case RevShape::Decay:
        return QPoint(graph->timeToX(line.GetDecayNob()) + mid,
                      bottom - mid - CReverbGraph::LevelHeight);
    case RevShape::LowFreq:
        return onFrequencyAxis(ReverbUtils::ConvYLIBtoDisp_LowFreq(d->value), 0);
    case RevShape::Hpf:
        return onFrequencyAxis(ReverbUtils::ConvYLIBtoDisp_HPF(d->value),
                               CReverbGraph::LevelHeight - kFilterKnobDrop);
    case RevShape::Lpf:
        return onFrequencyAxis(ReverbUtils::ConvYLIBtoDisp_LPF(d->value),
                               CReverbGraph::LevelHeight - kFilterKnobDrop);
    default: {
        const float t = high() > low() ? (d->value - low()) / (high() - low()) : 0.0f;
        return QPoint(d->p1.x() + roundedInt(t * float(d->p2.x() - d->p1.x())),
                      d->p1.y() + roundedInt(t * float(d->p2.y() - d->p1.y())));
    }
    }
}

void ReverbKnob::GetKnobRect(QRect &rect) const
{
    const QSize size = hasImage() ? QSize(d->frame.width(), d->frame.height() - 1)
                                  : QSize(kBareKnobSide, kBareKnobSide);
    rect = QRect(QPoint(0, 0), size);
    rect.moveCenter(anchor());
}

float ReverbKnob::valueAt(const QPoint &p) const
{
    const RevShape *shape = getCurrentShape();
    if (!shape)
        return d->value;
    const RevLine &line = shape->currentLine();
    const int mid = CReverbGraph::frequencyOffset(kMidBandHz);
    const QPoint onMid = p - QPoint(mid, 0);
    switch (d->index) {
    case RevShape::ReverbTime: {
        // The table index whose actual time is nearest to the one pointed at.
        const float wanted = (Pos2Sec(onMid) - line.initialDelay()) / 1000.0f;
        const int room = int(shape->GetParameter(RevShape::RoomSize));
        int best = 0;
        float bestDistance = -1;
        for (int i = 0; i < ReverbUtils::ReverbTimeCount; ++i) {
            const float dist = std::fabs(
                    ReverbUtils::GetActualReverbTime(shape->currentKind(), room, i) - wanted);
            if (bestDistance < 0 || dist < bestDistance) {
                best = i;
                bestDistance = dist;
            }
        }
        return float(best);
    }
    case RevShape::InitialDelay:
        return float(ReverbUtils::ConvDisptoYLIB_InitDly(Pos2Sec(p)));
    case RevShape::RoomSize:
        return float(roundedInt(line.GetRoomSizeParam_Float(Pos2Sec(p))));
    case RevShape::HighRatio:
        return float(roundedInt(line.GetHighRatioParam_Float(
                Pos2Sec(p - QPoint(CReverbGraph::frequencyOffset(kHighBandHz), 0)))));
    case RevShape::LowRatio:
        return float(roundedInt(line.GetLowRatioParam_Float(
                Pos2Sec(p - QPoint(CReverbGraph::frequencyOffset(kLowBandHz), 0)))));
    case RevShape::Decay:
        return float(roundedInt(line.GetDecayParam_Float(Pos2Sec(onMid))));
    case RevShape::LowFreq:
        return float(ReverbUtils::ConvDisptoYLIB_LowFreq(Pos2Freq(p)));
    case RevShape::Hpf:
        return float(ReverbUtils::ConvDisptoYLIB_HPF(Pos2Freq(p)));
    case RevShape::Lpf:
        return float(ReverbUtils::ConvDisptoYLIB_LPF(Pos2Freq(p)));
    default: {
        const float v =
                ReverbUtils::Pos2Float(p.y() + kGenericOffset, low(), high(), d->p1.y(), d->p2.y());
        return qBound(low(), float(roundedInt(v)), high());
    }
    }
}

// --- mouse and drawing -----------------------------------------------------------------------

void ReverbKnob::mousePressEvent(QMouseEvent *)
{
    CReverbGraph *graph = getParent();
    d->pressState = 1;
    if (!graph)
        return;
    m_sSavedZoom = graph->zoom();
    if (getZoom() != graph->zoom())
        graph->setZoom(getZoom());
    graph->update();
}

void ReverbKnob::mouseMoveEvent(QMouseEvent *event)
{
    if (!d->pressState)
        return;
    const float v = qBound(low(), valueAt(event->position().toPoint()), high());
    if (v != d->value)
        setValue(v);
}

void ReverbKnob::mouseReleaseEvent(QMouseEvent *)
{
    d->pressState = 0;
    if (CReverbGraph *graph = getParent()) {
        graph->setZoom(m_sSavedZoom);
        graph->update();
    }
}

void ReverbKnob::DrawPrimitive(QPainter *painter)
{
    if (!painter)
        return;
    const bool enabled = IsEnabled();
    QRect rect;
    GetKnobRect(rect);
    if (hasImage()) {
        const int frames = d->threeFrames ? 3 : 2;
        const int frame = qMin(!enabled ? 2 : d->pressState ? 1 : 0, frames - 1);
        painter->drawPixmap(
                rect.topLeft(), d->pixmap,
                QRect(0, frame * d->frame.height(), d->frame.width(), d->frame.height() - 1));
    }
    IMemAPI *api = memAPI();
    if (api && address().isValid()) {
        const int model =
                int(getCurrentShape() ? getCurrentShape()->GetParameter(int(d->index)) : d->value);
        QString text;
        api->valueToText(channel() + channelOffset(), 0, &text, nullptr, model, 0, element(),
                         parameter());
        d->text = text.trimmed();
    }
    const CReverbGraph *graph = getParent();
    painter->setPen(!enabled                          ? kDisabledText
                            : d->highlighted && graph ? graph->highlightColour()
                                                      : QColor(Qt::white));
    QFont font = painter->font();
    font.setPixelSize(kTextHeight);
    painter->setFont(font);
    painter->drawText(QRect(d->textPos, QSize(d->textWidth, kTextHeight)), Qt::AlignHCenter,
                      d->text);
}
