#include "CEqCurve.h"

#include "NS_Utilities.h"
#include "TBackgroundPixmap.h"
#include "TMarshallEvent.h"
#include "TParamInfo.h"

#include <QDataStream>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <atomic>
#include <cstring>

namespace {

// Elements that pick the kind of EQ.
constexpr int kInputEqElement = 47;
constexpr int kInputHpfElement = 46;
constexpr int kFourBandElement = 85;
constexpr int kEqSetupElement = 270;
// Eight-band EQs whose handles tell the console which four-band set is being edited.
constexpr int kMixEqElement = 66;
constexpr int kMatrixEqElement = 99;

// Input high-pass (element 46) parameters.
constexpr int kHpfOn = 0;
constexpr int kHpfFrequency = 1;
// EQ setup (element 270, channel 0): watched by the eight-band EQ, and told which four-band set
// a picked handle belongs to.
constexpr int kEqSetupWatched = 32;
constexpr int kEqSetupBandSet = 47;

// Parameter map of a four-band set: the EQ type is shared, the rest moves by kSecondSetOffset.
constexpr int kEqType = 1;
constexpr int kLowType = 3;
constexpr int kHighType = 4;
constexpr int kLowFilterOn = 5;
constexpr int kHighFilterOn = 6;
constexpr int kBandOff = 7;
constexpr int kBandQ = 8;
constexpr int kBandFrequency = 9;
constexpr int kBandGain = 10;
constexpr int kBandStride = 4;
constexpr int kSecondSetOffset = 20;
constexpr int kBandsPerSet = 4;

// The band set copied, pasted and reset, and the observed parameters.
constexpr int kFirstBandSetParameter = 3;
constexpr int kLastFourBandParameter = 22;
constexpr int kLastEightBandParameter = 42;

// Band modes of the low and high band.
constexpr int kModeShelf = 1;
constexpr int kModeFilter = 2;
constexpr int kModeFilterAlt = 3; // also counts as a filter when a drag writes

// Console value units to calculator units.
constexpr int kGainToHundredths = 10;
constexpr int kFrequencyToIndex = 2;
constexpr int kQIndexOfZero = 80;
constexpr int kQIndexPerStep = 2;
constexpr int kFilterQIndex = 34; // Q 0.7
constexpr int kSecondOrder = 1;

// The axes: frequency indices 0..254 across, 50 dB (25600 curve units) down the full height.
constexpr quint16 kStartIndex = 0;
constexpr quint16 kEndIndex = 254;
constexpr float kCurveUnitsPerHeight = 25600.0f;
constexpr int kMinDragIndex = 8;
constexpr int kMaxDragIndex = 248;
constexpr int kMinDragGain = -1800;
constexpr int kMaxDragGain = 1800;

// Handles are shown only from this width on; the hit radius is width/20 within these bounds.
constexpr int kHandlesMinWidth = 100;
constexpr int kHitRadiusDivisor = 20;
constexpr int kMinHitRadius = 3;
constexpr int kMaxHitRadius = 10;
constexpr int kHandleImageOffsetX = 3;
constexpr int kHandleEllipseSize = 5;
constexpr int kInputHpfHandle = 4;

const QColor kFillColour(50, 74, 113);
const QColor kLineColour(139, 183, 212);

bool isFilterMode(int mode)
{
    return mode == kModeFilter || mode == kModeFilterAlt;
}

bool isShelfOrFilter(int mode)
{
    return mode == kModeShelf || mode == kModeFilter;
}

int lastBandSetParameter(int element)
{
    return element == kInputEqElement || element == kFourBandElement ? kLastFourBandParameter
                                                                     : kLastEightBandParameter;
}

} // namespace

struct CEqCurve::Private
{
    int dragging = 0;
    qint16 selectedBand = -1;
    qint32 gainMin = DefaultGainMin;
    qint32 gainMax = DefaultGainMax;
    qint32 values[EQ_MAX_POINTS] = {};
    T_EQ_CURVE curve;
    T_EQ_DATASET dataset;
    std::atomic<int> recalcPending {0};
    QPixmap pixmap;
    QPixmap handleImage;
    int nHandleImages = 1;

    bool polished = false;
    int recalculations = 0;
    TBackgroundPixmap picture;

    Private()
    {
        curve.values = values;
        curve.count = 0;
        curve.startIndex = kStartIndex;
        curve.endIndex = kEndIndex;
        std::memset(&dataset, 0, sizeof dataset);
    }

    bool curveCountUsable() const { return curve.count >= 1 && curve.count <= EQ_MAX_POINTS; }
};

CEqCurve::CEqCurve(QWidget *parent, const char *name)
    : QWidget(parent)
    , d(new Private)
{
    if (name)
        setObjectName(QString::fromLatin1(name));
    // The picture covers the whole widget.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::ClickFocus);
}

CEqCurve::~CEqCurve()
{
    // The memory may still call process() from another thread until the observers are gone.
    disconnectMemAPI();
    releaseMemory();
}

// --- properties ------------------------------------------------------------------------------

QPixmap CEqCurve::pixmap() const
{
    return d->pixmap;
}

void CEqCurve::setPixmap(const QPixmap &pixmap)
{
    if (pixmap.cacheKey() == d->pixmap.cacheKey())
        return;
    d->pixmap = pixmap;
    updateGeometry();
    invalidatePicture();
}

QPixmap CEqCurve::handleImage() const
{
    return d->handleImage;
}

void CEqCurve::setHandleImage(const QPixmap &image)
{
    if (image.cacheKey() == d->handleImage.cacheKey())
        return;
    d->handleImage = image;
    invalidatePicture();
}

int CEqCurve::nHandleImages() const
{
    return d->nHandleImages;
}

void CEqCurve::setnHandleImages(int count)
{
    if (count == d->nHandleImages)
        return;
    d->nHandleImages = count;
    invalidatePicture();
}

QSize CEqCurve::sizeHint() const
{
    return d->pixmap.size();
}

const T_EQ_CURVE &CEqCurve::curve() const
{
    return d->curve;
}

const T_EQ_DATASET &CEqCurve::dataset() const
{
    return d->dataset;
}

int CEqCurve::selectedBand() const
{
    return d->selectedBand;
}

bool CEqCurve::isDragging() const
{
    return d->dragging != 0;
}

bool CEqCurve::isRecalcPending() const
{
    return d->recalcPending.load() != 0;
}

int CEqCurve::recalculationCount() const
{
    return d->recalculations;
}

// --- binding ---------------------------------------------------------------------------------

namespace {

// Every address the curve of element e on channel c depends on.
QVector<quint32> eqAddresses(int e, int c)
{
    QVector<quint32> list;
    int last = kLastFourBandParameter;
    if (e == kInputEqElement) {
        list << IMemAPI::pack(kInputHpfElement, kHpfOn, c)
             << IMemAPI::pack(kInputHpfElement, kHpfFrequency, c);
    } else if (e != kFourBandElement) {
        list << IMemAPI::pack(kEqSetupElement, kEqSetupWatched, 0);
        last = kLastEightBandParameter;
    }
    for (int p = 0; p <= last; ++p)
        list << IMemAPI::pack(e, p, c);
    return list;
}

} // namespace

QVector<quint32> CEqCurve::observedAddresses() const
{
    return eqAddresses(element(), channel());
}

bool CEqCurve::connectMemAPI()
{
    if (!TMemProxy::connectMemAPI())
        return false;
    // A curve already on screen shows the newly bound EQ; otherwise polish computes it.
    if (d->polished)
        requestRecalc();
    return true;
}

void CEqCurve::updateFromMemory(const Q_UINT8 *data, int operation, Q_UINT32)
{
    switch (operation) {
    case 1:
        // The writes come back as change notifications, which repaint.
        resetBandSet();
        return;
    case 3:
        if (data)
            copyBandSet(streamFromData(data));
        return;
    case 2:
        if (data)
            pasteBandSet(streamFromData(data));
        break;
    default:
        break;
    }
    requestRecalc();
}

void CEqCurve::resetBandSet()
{
    IMemAPI *api = memAPI();
    const int e = element(), c = channel();
    for (int p = kFirstBandSetParameter; p <= lastBandSetParameter(e); ++p)
        writeValue(e, p, c, api->getValueEx(e, p, c, false, nullptr));
}

void CEqCurve::copyBandSet(QDataStream *stream)
{
    IMemAPI *api = memAPI();
    const int e = element(), c = channel();
    for (int p = kFirstBandSetParameter; p <= lastBandSetParameter(e); ++p)
        TParamInfoWriter(this, api->getValue(e, p, c, 0, 0), stream, p);
    if (e == kInputEqElement) {
        for (int p : {kHpfOn, kHpfFrequency})
            TParamInfoWriter(kInputHpfElement, c, p, api->getValue(kInputHpfElement, p, c, 0, 0),
                             stream);
    }
}

void CEqCurve::pasteBandSet(QDataStream *stream)
{
    IMemAPI *api = memAPI();
    const int e = element(), c = channel();
    // Records that do not match their place (a short stream, another EQ's set) are skipped.
    auto pasteOne = [&](int element, int p) {
        TParamInfoReader record(stream);
        if (record.isValid() && api->matchesParamInfo(element, p, record.tag(), 0))
            writeValue(element, p, c, record.value());
    };
    for (int p = kFirstBandSetParameter; p <= lastBandSetParameter(e); ++p)
        pasteOne(e, p);
    if (e == kInputEqElement) {
        pasteOne(kInputHpfElement, kHpfOn);
        pasteOne(kInputHpfElement, kHpfFrequency);
    }
}

void CEqCurve::requestRecalc()
{
    int idle = 0;
    if (d->recalcPending.compare_exchange_strong(idle, 1))
        TMarshallEvent::post(this, &CEqCurve::ForceUpdateRecalc_bridge);
}

void CEqCurve::ForceUpdateRecalc_bridge(QObject *o)
{
    auto *w = qobject_cast<CEqCurve *>(o);
    if (!w)
        return;
    w->d->recalcPending.store(0);
    w->updateErasePixmap(nullptr);
    w->repaint();
}

// --- reading the bands -----------------------------------------------------------------------

int CEqCurve::disp_SetParam4Band(T_EQ_DATASET *dataset, const T_EQ_4BAND_DATASET *set,
                                 unsigned char first)
{
    for (int b = 0; b < kBandsPerSet; ++b) {
        T_EQ_BAND &r = dataset->bands[first + b];
        r.gain = set->gain[b];
        r.frequency = quint16(set->frequency[b]);
        r.q = quint8(set->q[b]);
        r.variant = kSecondOrder;
        r.full = 0;
        r.bypass = set->bandOff[b] != 0 ? 1 : 0;
        r.type = set->peakType;
        r.enabled = 1;
    }
    T_EQ_BAND &low = dataset->bands[first];
    if (set->lowType == kModeShelf) {
        low.type = EQ_TYPE_LOW_SHELF;
    } else if (set->lowType == kModeFilter) {
        low.type = EQ_TYPE_HIGH_PASS;
        low.q = kFilterQIndex;
        low.enabled = set->lowFilterOn != 0 ? 1 : 0;
    }
    T_EQ_BAND &high = dataset->bands[first + kBandsPerSet - 1];
    if (set->highType == kModeShelf) {
        high.type = EQ_TYPE_HIGH_SHELF;
    } else if (set->highType == kModeFilter) {
        high.type = EQ_TYPE_LOW_PASS;
        high.q = kFilterQIndex;
        high.enabled = set->highFilterOn != 0 ? 1 : 0;
    }

    // Within a linear-sum group exactly one record counts with its whole gain, so the group
    // comes out as 1 + the sum of (band gain - 1) around the shelf, the filter or a flat record.
    if (!isShelfOrFilter(set->lowType) && !isShelfOrFilter(set->highType)) {
        T_EQ_BAND &flat = dataset->bands[first + kBandsPerSet];
        std::memset(&flat, 0, sizeof flat);
        flat.type = EQ_TYPE_FLAT;
        flat.full = 1;
        flat.enabled = 1;
        return kBandsPerSet + 1;
    }
    if (isShelfOrFilter(set->lowType))
        low.full = 1;
    else
        high.full = 1;
    return kBandsPerSet;
}

namespace {

// One four-band set of element e on channel c; offset 0 for the first set.
T_EQ_4BAND_DATASET readFourBandSet(IMemAPI *api, int e, int c, int offset)
{
    T_EQ_4BAND_DATASET set;
    set.peakType = api->getValue(e, kEqType, c, 0, 0) == 0 ? EQ_TYPE_PEAKING : EQ_TYPE_BAND_PASS;
    set.lowType = api->getValue(e, kLowType + offset, c, 0, 0);
    set.highType = api->getValue(e, kHighType + offset, c, 0, 0);
    set.lowFilterOn = api->getValue(e, kLowFilterOn + offset, c, 0, 0);
    set.highFilterOn = api->getValue(e, kHighFilterOn + offset, c, 0, 0);
    for (int b = 0; b < kBandsPerSet; ++b) {
        const int base = kBandStride * b + offset;
        set.gain[b] = api->getValue(e, kBandGain + base, c, 0, 0) * kGainToHundredths;
        set.frequency[b] = api->getValue(e, kBandFrequency + base, c, 0, 0) * kFrequencyToIndex;
        set.q[b] = kQIndexOfZero - kQIndexPerStep * api->getValue(e, kBandQ + base, c, 0, 0);
        set.bandOff[b] = api->getValue(e, kBandOff + base, c, 0, 0);
    }
    return set;
}

} // namespace

void CEqCurve::disp_GetParamINEQ(T_EQ_DATASET *dataset, unsigned channel)
{
    IMemAPI *api = memAPI();
    const int c = int(channel);
    const T_EQ_4BAND_DATASET set = readFourBandSet(api, kInputEqElement, c, 0);
    const int r = disp_SetParam4Band(dataset, &set, 0);

    T_EQ_BAND &hpf = dataset->bands[r];
    hpf.type = EQ_TYPE_HIGH_PASS;
    hpf.gain = 0;
    hpf.frequency =
            quint16(kFrequencyToIndex * api->getValue(kInputHpfElement, kHpfFrequency, c, 0, 0));
    hpf.q = kFilterQIndex;
    hpf.variant = kSecondOrder;
    hpf.full = 0;
    hpf.bypass = 0;
    hpf.enabled = api->getValue(kInputHpfElement, kHpfOn, c, 0, 0) != 0 ? 1 : 0;

    dataset->count = quint8(r + 1);
    dataset->magnitudeMode = 1;
    // Peaking rows cascade (every record its own group, adding in dB); band-pass rows sum in
    // the linear domain, with the high-pass after them.
    for (int i = 0; i < dataset->count; ++i) {
        if (set.peakType == EQ_TYPE_PEAKING)
            dataset->bands[i].group = quint8(i);
        else
            dataset->bands[i].group = i < dataset->count - 1 ? 0 : 1;
    }
}

void CEqCurve::disp_GetParamOUTEQ(T_EQ_DATASET *dataset, unsigned element, unsigned channel)
{
    IMemAPI *api = memAPI();
    const int e = int(element), c = int(channel);
    const T_EQ_4BAND_DATASET first = readFourBandSet(api, e, c, 0);
    const int n1 = disp_SetParam4Band(dataset, &first, 0);
    int n2 = 0;
    if (e != kFourBandElement) {
        const T_EQ_4BAND_DATASET second = readFourBandSet(api, e, c, kSecondSetOffset);
        n2 = disp_SetParam4Band(dataset, &second, quint8(n1));
    }
    dataset->count = quint8(n1 + n2);
    dataset->magnitudeMode = 1;
    for (int i = 0; i < dataset->count; ++i) {
        if (first.peakType == EQ_TYPE_PEAKING)
            dataset->bands[i].group = quint8(i);
        else
            dataset->bands[i].group = i < n1 ? 0 : 1;
    }
}

void CEqCurve::readDataset(T_EQ_DATASET *dataset)
{
    std::memset(dataset, 0, sizeof *dataset);
    if (!memAPIReady() || !memAPI() || !address().isValid())
        return;
    if (element() == kInputEqElement)
        disp_GetParamINEQ(dataset, unsigned(channel()));
    else
        disp_GetParamOUTEQ(dataset, unsigned(element()), unsigned(channel()));
}

// --- coordinates -----------------------------------------------------------------------------

int CEqCurve::FreqMemToXPos(int index) const
{
    const float count = float(d->curve.count);
    const float span = float(d->curve.endIndex - d->curve.startIndex + 1);
    const int low = int(d->curve.startIndex * count / span);
    const int high = int(d->curve.endIndex * count / span);
    return std::clamp(int((index - d->curve.startIndex) * count / span), low, high);
}

int CEqCurve::XPosToFreqMem(int x) const
{
    const int start = d->curve.startIndex, end = d->curve.endIndex;
    // Without a curve there is no scale; the leftmost index is the safe answer.
    int index = start;
    if (d->curve.count > 0) {
        const float span = float(end - start + 1);
        index = int(std::clamp((x - 1) * span / float(d->curve.count), float(start), float(end)));
    }
    return std::clamp(index, kMinDragIndex, kMaxDragIndex);
}

int CEqCurve::GainMemToYPos(int hundredths) const
{
    const float k = float(height() - 1) / float(d->gainMax - d->gainMin);
    const int mid = height() / 2;
    return mid - std::clamp(int(hundredths * k), int(d->gainMin * k), int(d->gainMax * k));
}

int CEqCurve::YPosToGainMem(int y) const
{
    int gain = 0;
    if (height() > 1) {
        const float range = float(d->gainMax - d->gainMin);
        const float g = (height() / 2 - y) * range / float(height() - 1);
        gain = int(std::clamp(g, float(d->gainMin), float(d->gainMax)));
    }
    return std::clamp(gain, kMinDragGain, kMaxDragGain);
}

// --- painting --------------------------------------------------------------------------------

void CEqCurve::updateErasePixmap(QPixmap *p)
{
    if (p) {
        d->picture.setPixmap(*p);
        return;
    }
    d->picture.invalidate();
    d->picture.pixmap(this, [this](QPainter &painter) { repaintScreenPrimitive(painter); });
}

void CEqCurve::invalidatePicture()
{
    d->picture.invalidate();
    update();
}

void CEqCurve::repaintScreenPrimitive(QPainter &painter)
{
    readDataset(&d->dataset);

    const int w = width(), h = height();
    if (d->pixmap.isNull() || d->pixmap.width() == 0)
        painter.fillRect(rect(), palette().color(backgroundRole()));
    else
        painter.drawPixmap(0, 0, d->pixmap);

    d->curve.count = w - 1;
    if (!d->curveCountUsable())
        return;
    Calc_EQGain(&d->curve, &d->dataset);
    ++d->recalculations;

    // One column per point, from column 1 on: the area between the middle row and the curve,
    // then the curve itself. The painter clips whatever lies outside.
    const int mid = h / 2;
    const float k = float(h - 1) / kCurveUnitsPerHeight;
    const int n = d->curve.count;
    auto rowOf = [&](int i) { return mid - int(d->curve.values[i] * k); };
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (int i = 0; i < n; ++i) {
        const int y0 = rowOf(i);
        const int y1 = rowOf(i + 1 < n ? i + 1 : i);
        painter.setPen(kFillColour);
        painter.setBrush(kFillColour);
        const QPoint quad[4] = {QPoint(i + 1, mid), QPoint(i + 2, mid), QPoint(i + 2, y1),
                                QPoint(i + 1, y0)};
        painter.drawPolygon(quad, 4);
        painter.setPen(kLineColour);
        painter.drawLine(i + 1, y0, i + 2, y1);
    }

    if (w < kHandlesMinWidth)
        return;
    int handles = 0;
    for (int i = 0; i < d->dataset.count; ++i) {
        if (d->dataset.bands[i].type != EQ_TYPE_FLAT)
            ++handles;
    }
    // From the last record down, so that lower-numbered handles end up on top.
    int handle = handles - 1;
    for (int i = d->dataset.count - 1; i >= 0; --i) {
        const int type = d->dataset.bands[i].type;
        if (type == EQ_TYPE_FLAT)
            continue;
        const QPoint at = handlePosition(handle, type);
        drawHandles(painter, handle, at.x(), at.y());
        --handle;
    }
}

QPoint CEqCurve::handlePosition(int handle, int type)
{
    // Read afresh, so a handle sits where the memory says even while the records lag behind.
    IMemAPI *api = memAPI();
    const int e = element(), c = channel();
    int frequency = 0, gain = 0;
    if (e == kInputEqElement && handle == kInputHpfHandle) {
        frequency = api->getValue(kInputHpfElement, kHpfFrequency, c, 0, 0);
    } else if (handle < kBandsPerSet) {
        frequency = api->getValue(e, kBandFrequency + kBandStride * handle, c, 0, 0);
        gain = api->getValue(e, kBandGain + kBandStride * handle, c, 0, 0);
    } else if (e != kFourBandElement && e != kInputEqElement) {
        const int base = kBandStride * handle;
        frequency = api->getValue(e, kBandFrequency + kBandsPerSet + base, c, 0, 0);
        gain = api->getValue(e, kBandGain + kBandsPerSet + base, c, 0, 0);
    }
    if (type == EQ_TYPE_HIGH_PASS || type == EQ_TYPE_LOW_PASS)
        gain = 0;
    return QPoint(FreqMemToXPos(kFrequencyToIndex * frequency),
                  GainMemToYPos(kGainToHundredths * gain));
}

void CEqCurve::drawHandles(QPainter &painter, int handle, int x, int y)
{
    if (d->handleImage.width() > 0) {
        const int frames = d->nHandleImages;
        const int frameHeight = frames != 0 ? d->handleImage.height() / frames : 0;
        // The input EQ's high-pass takes the strip's last frame.
        const int frame =
                element() == kInputEqElement && handle == kInputHpfHandle ? frames - 1 : handle;
        const QPoint offset(x - kHandleImageOffsetX, y - frameHeight / 2);
        painter.translate(offset);
        NS_Utilities::drawPartialPixmap(painter, QPoint(0, frame), d->handleImage,
                                        QSize(1, frames));
        painter.translate(-offset);
        return;
    }
    painter.setPen(kLineColour);
    painter.setBrush(kLineColour);
    painter.drawEllipse(QRect(x, y, kHandleEllipseSize, kHandleEllipseSize));
}

void CEqCurve::paintEvent(QPaintEvent *)
{
    if (!d->picture.isValid())
        updateErasePixmap(nullptr);
    QPainter painter(this);
    d->picture.paint(painter, this, [this](QPainter &p) { repaintScreenPrimitive(p); });
}

// --- events ----------------------------------------------------------------------------------

bool CEqCurve::event(QEvent *event)
{
    const bool result = QWidget::event(event);
    if (event->type() == QEvent::Polish)
        polishCurve();
    return result;
}

void CEqCurve::polishCurve()
{
    d->polished = true;
    setFixedSize(size());
    updateErasePixmap(nullptr);
}

void CEqCurve::resizeEvent(QResizeEvent *event)
{
    invalidatePicture();
    QWidget::resizeEvent(event);
}

void CEqCurve::changeEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::ActivationChange:
        // The picture does not depend on the window's activation.
        return;
    case QEvent::EnabledChange:
    case QEvent::PaletteChange:
    case QEvent::StyleChange:
        invalidatePicture();
        break;
    default:
        break;
    }
    QWidget::changeEvent(event);
}

void CEqCurve::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || (event->modifiers() & Qt::ControlModifier)
        || !d->curveCountUsable()) {
        QWidget::mousePressEvent(event);
        return;
    }
    pickHandle(event->position().toPoint());
}

void CEqCurve::mouseMoveEvent(QMouseEvent *event)
{
    if (!d->dragging || d->selectedBand < 0 || !d->curveCountUsable()) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    dragSelectedBand(event->position().toPoint());
}

void CEqCurve::mouseReleaseEvent(QMouseEvent *event)
{
    d->dragging = 0;
    QWidget::mouseReleaseEvent(event);
}

void CEqCurve::setSelectBand(int &best, int distance, int band)
{
    if (distance >= best)
        return;
    best = distance;
    d->selectedBand = qint16(band);
    const int e = element();
    if ((e == kMixEqElement || e == kMatrixEqElement) && memAPI()) {
        writeValue(kEqSetupElement, kEqSetupBandSet, 0, band >= kBandsPerSet ? 1 : 0);
    }
}

void CEqCurve::pickHandle(const QPoint &pos)
{
    d->dragging = 1;
    d->selectedBand = -1;
    int best = std::clamp(width() / kHitRadiusDivisor, kMinHitRadius, kMaxHitRadius);
    int band = 0;
    for (int i = 0; i < d->dataset.count; ++i) {
        const T_EQ_BAND &r = d->dataset.bands[i];
        if (r.type == EQ_TYPE_FLAT)
            continue;
        const bool filter = r.type == EQ_TYPE_HIGH_PASS || r.type == EQ_TYPE_LOW_PASS;
        const int x = FreqMemToXPos(r.frequency);
        const int y = GainMemToYPos(filter ? 0 : r.gain);
        setSelectBand(best, std::max(std::abs(pos.x() - x), std::abs(pos.y() - y)), band);
        ++band;
    }
}

void CEqCurve::dragSelectedBand(const QPoint &pos)
{
    IMemAPI *api = memAPI();
    if (!memAPIReady() || !api)
        return;
    const int e = element(), c = channel();
    const int s = d->selectedBand;
    const int frequency = XPosToFreqMem(pos.x()) / kFrequencyToIndex;
    const int gain = YPosToGainMem(pos.y()) / kGainToHundredths;

    // A band in filter mode has no gain to drag.
    auto modeIsFilter = [&](int p) { return isFilterMode(api->getValue(e, p, c, 0, 0)); };
    if (s < kBandsPerSet) {
        writeValue(e, kBandFrequency + kBandStride * s, c, frequency);
        bool gainless = false;
        if (e == kInputEqElement)
            gainless = s == kBandsPerSet - 1 && modeIsFilter(kHighType);
        else if (s == 0)
            gainless = modeIsFilter(kLowType);
        else if (s == kBandsPerSet - 1)
            gainless = modeIsFilter(kHighType);
        if (!gainless)
            writeValue(e, kBandGain + kBandStride * s, c, gain);
        return;
    }
    if (e == kInputEqElement) {
        if (s == kInputHpfHandle)
            writeValue(kInputHpfElement, kHpfFrequency, c, frequency);
        return;
    }
    if (e == kFourBandElement || s >= 2 * kBandsPerSet)
        return;
    const int base = kBandStride * s + kBandsPerSet;
    writeValue(e, kBandFrequency + base, c, frequency);
    bool gainless = false;
    if (s == kBandsPerSet)
        gainless = modeIsFilter(kLowType + kSecondSetOffset);
    else if (s == 2 * kBandsPerSet - 1)
        gainless = modeIsFilter(kHighType + kSecondSetOffset);
    if (!gainless)
        writeValue(e, kBandGain + base, c, gain);
}
