#include "CVEQGraph.h"

#include "NS_Utilities.h"
#include "TBackgroundPixmap.h"
#include "TParamInfo.h"
#include "TSetter.h"
#include "VEQParam.h"

#include <QDataStream>
#include <QMouseEvent>
#include <QPainter>

#include <climits>
#include <cmath>
#include <cstdio>

namespace {

const char kDefaultPointerImage[] = "zb4r_tk480_VEQPointer.png";

const QRect kGraphRect(28, 21, 474, 140);
// Kept from the console's layout; the mouse code never consults them.
const QRect kButtonRect1(457, 6, 21, 11);
const QRect kButtonRect2(481, 6, 21, 11);
const QSize kDefaultSize(512, 180);

constexpr double kFMin = 20.0;
constexpr double kFMaxNormal = 20000.0;
constexpr double kFMaxHighRate = 40000.0;
constexpr double kHighRate = 88200.0;
constexpr double kDefaultLevel = 18.0;
// Zoom limits: no zoom in once the half range is 2 dB or less, no zoom out past 200 dB.
constexpr double kSmallestHalfRange = 2.0;
constexpr double kLargestRange = 200.0;
constexpr int kShiftDivisor = 8;

// Memory parameters of the slot, and the twelve a default, copy or paste touches.
constexpr int kFirstParameter = CVEQ::FirstMemoryParameter;
constexpr int kDefaultedLast = 37;
constexpr int kEditable[] = {12, 13, 16, 17, 20, 21, 24, 25, 28, 29, 32, 33};
constexpr int kFrequencyParameters[] = {12, 16, 20, 24, 28, 32};
constexpr int kLevelParameters[] = {13, 17, 21, 25, 29, 33};
constexpr int kLowOnParameter = 14;
constexpr int kHighOnParameter = 34;

// Painting.
constexpr int kScaleSteps = 8;
constexpr int kLongTick = 4;
constexpr int kShortTick = 2;
// Curves are kept this far around the graph so that clipped lines stay representable.
constexpr int kCurveMargin = 2000;
const QColor kFrameColour(103, 119, 132);
const QColor kBright[CVEQ::Sections + 1] = {
        Qt::white,         QColor(255, 0, 0),   QColor(255, 152, 0), QColor(255, 255, 0),
        QColor(0, 255, 0), QColor(0, 255, 255), QColor(204, 0, 255)};
const QColor kDim[CVEQ::Sections + 1] = {
        Qt::white,          QColor(120, 9, 11),  QColor(120, 78, 12), QColor(108, 112, 13),
        QColor(6, 112, 13), QColor(6, 112, 115), QColor(108, 8, 139)};

int truncToInt(double v)
{
    if (!(v > double(INT_MIN)))
        return v != v ? 0 : INT_MIN;
    return v >= double(INT_MAX) ? INT_MAX : int(v);
}

QString formatted(const char *format, double v)
{
    char text[32];
    std::snprintf(text, sizeof text, format, v);
    return QString::fromLatin1(text);
}

QString formatted(const char *format, int v)
{
    char text[32];
    std::snprintf(text, sizeof text, format, v);
    return QString::fromLatin1(text);
}

} // namespace

struct CVEQGraph::Private
{
    CVEQ model;
    std::vector<std::unique_ptr<VEQParam>> params;
    QPixmap pointerImage;
    QString pointerImgFilename = QString::fromLatin1(kDefaultPointerImage);
    QRect graphRect = kGraphRect;
    QRect buttonRect[2] = {kButtonRect1, kButtonRect2};
    double fMin = kFMin;
    double fMax = kFMaxNormal;
    double levTop = kDefaultLevel;
    double levBottom = -kDefaultLevel;
    int selected = 0;
    int g1Status = 1;
    int g6Status = 1;
    int pressed = 0;
    int interactionEnabled = 1;
    // The effect index and value being written.
    volatile int tag = -1;
    volatile double value = 0.0;
    // The drag: press point and the selected section's values at press time.
    QPoint pressAt;
    int freqTag = -1, levTag = -1, qTag = -1;
    double startFreq = 0.0, startLev = 0.0, startQ = 0.0;
    bool levelDraggable = false;
    QMetaObject::Connection rateConnection;
    TBackgroundPixmap picture;

    int w() const { return graphRect.width() - 1; }
    int h() const { return graphRect.height() - 1; }
};

CVEQGraph::CVEQGraph(QWidget *parent, const char *name)
    : QLabel(parent)
    , d(new Private)
{
    if (name)
        setObjectName(QString::fromLatin1(name));
    setAttribute(Qt::WA_OpaquePaintEvent);
    d->pointerImage = NS_Utilities::loadPixmap(d->pointerImgFilename);
    d->fMax = d->model.sampleRate() < kHighRate ? kFMaxNormal : kFMaxHighRate;
}

CVEQGraph::~CVEQGraph()
{
    disconnectMemAPI();
    releaseMemory();
}

// --- properties and state ------------------------------------------------------------------

QString CVEQGraph::pointerImgFilename() const
{
    return d->pointerImgFilename;
}

void CVEQGraph::setPointerImgFilename(const QString &name)
{
    if (!assignIfChanged(d->pointerImgFilename, name))
        return;
    d->pointerImage = NS_Utilities::loadPixmap(name);
    d->picture.lookChanged(this);
}

QSize CVEQGraph::sizeHint() const
{
    return kDefaultSize;
}

const CVEQ &CVEQGraph::model() const
{
    return d->model;
}

const std::vector<std::unique_ptr<VEQParam>> &CVEQGraph::params() const
{
    return d->params;
}

QRect CVEQGraph::graphRect() const
{
    return d->graphRect;
}

int CVEQGraph::binWidth() const
{
    return d->w();
}

int CVEQGraph::binHeight() const
{
    return d->h();
}

double CVEQGraph::fMin() const
{
    return d->fMin;
}

double CVEQGraph::fMax() const
{
    return d->fMax;
}

double CVEQGraph::levTop() const
{
    return d->levTop;
}

double CVEQGraph::levBottom() const
{
    return d->levBottom;
}

int CVEQGraph::selected() const
{
    return d->selected;
}

bool CVEQGraph::isPressed() const
{
    return d->pressed != 0;
}

int CVEQGraph::g1Status() const
{
    return d->g1Status;
}

int CVEQGraph::g6Status() const
{
    return d->g6Status;
}

bool CVEQGraph::isInteractionEnabled() const
{
    return d->interactionEnabled != 0;
}

void CVEQGraph::setInteractionEnabled(bool on)
{
    d->interactionEnabled = on ? 1 : 0;
}

int CVEQGraph::pictureRebuildCount() const
{
    return d->picture.rebuildCount();
}

void CVEQGraph::setG1Status(int v)
{
    if (!assignIfChanged(d->g1Status, v > 1 ? 1 : 0))
        return;
    d->picture.lookChanged(this);
    Q_EMIT setEq1SelDisabled(d->g1Status == 0);
}

void CVEQGraph::setG6Status(int v)
{
    if (!assignIfChanged(d->g6Status, v > 1 ? 1 : 0))
        return;
    d->picture.lookChanged(this);
    Q_EMIT setEq6SelDisabled(d->g6Status == 0);
}

// --- axes ----------------------------------------------------------------------------------

int CVEQGraph::FreqToBin(double f, double fMin, double fMax, int w)
{
    if (!(f > 0.0))
        f = fMin;
    return truncToInt(w * std::log10(f / fMin) / std::log10(fMax / fMin));
}

double CVEQGraph::BinToFreq(int b, double fMin, double fMax, int w)
{
    return fMin * std::pow(10.0, b * std::log10(fMax / fMin) / w);
}

int CVEQGraph::LevToBin(double l, double top, double bottom, int h)
{
    return truncToInt(h * (top - l) / (top - bottom));
}

double CVEQGraph::BinToLev(int b, double top, double bottom, int h)
{
    return top - (top - bottom) * b / h;
}

int CVEQGraph::consoleRate(int hz)
{
    switch (hz) {
    case 44100:
    case 48000:
    case 88200:
    case 96000:
        return hz;
    default:
        return 48000;
    }
}

void CVEQGraph::ZoomIn()
{
    if ((d->levTop - d->levBottom) / 2 > kSmallestHalfRange) {
        d->levTop /= 2;
        d->levBottom /= 2;
    }
}

void CVEQGraph::ZoomOut()
{
    if (2 * (d->levTop - d->levBottom) < kLargestRange) {
        d->levTop *= 2;
        d->levBottom *= 2;
    }
}

void CVEQGraph::ShiftUp()
{
    if (d->levTop > 0) {
        const double step = (d->levTop - d->levBottom) / kShiftDivisor;
        d->levTop -= step;
        d->levBottom -= step;
    }
}

void CVEQGraph::ShiftDown()
{
    if (d->levBottom < 0) {
        const double step = (d->levTop - d->levBottom) / kShiftDivisor;
        d->levTop += step;
        d->levBottom += step;
    }
}

void CVEQGraph::ChangeHighFreq()
{
    d->fMax = d->model.sampleRate() < kHighRate ? kFMaxNormal : kFMaxHighRate;
}

void CVEQGraph::doZoomIn()
{
    ZoomIn();
    d->picture.lookChanged(this);
}

void CVEQGraph::doZoomOut()
{
    ZoomOut();
    d->picture.lookChanged(this);
}

QPoint CVEQGraph::pointerPosition(int k) const
{
    double level = d->model.GetEqLevValue(k);
    if ((k == 1 && d->g1Status == 0) || (k == CVEQ::Sections && d->g6Status == 0))
        level = 0.0;
    return QPoint(FreqToBin(d->model.GetEqFreqValue(k), d->fMin, d->fMax, d->w()),
                  LevToBin(level, d->levTop, d->levBottom, d->h()));
}

// --- binding -------------------------------------------------------------------------------

QVector<quint32> CVEQGraph::observedAddresses() const
{
    QVector<quint32> list;
    for (int m = 0; m < CVEQ::MemoryParameters; ++m)
        list << IMemAPI::pack(element(), kFirstParameter + m, channel());
    return list;
}

void CVEQGraph::InitialiseEffect()
{
    IMemAPI *api = memAPI();
    const int e = element(), c = channel();
    d->params.clear();
    for (int m = 0; m < CVEQ::MemoryParameters; ++m) {
        float lo = 0, hi = 0;
        int kind = -1;
        CVEQ::effectRange(CVEQ::memAPI2Effect(m), &lo, &hi, nullptr, &kind);
        const int p = kFirstParameter + m;
        auto param = VEQParam::createParam(kind, api->getMinimum(e, p, c), api->getMaximum(e, p, c),
                                           lo, hi);
        if (!param)
            break;
        d->params.push_back(std::move(param));
    }
}

bool CVEQGraph::connectMemAPI()
{
    if (!memAPIReady() || !address().isValid())
        return false;
    IMemAPI *api = memAPI();
    bool attached = false;
    {
        const auto silent = silenced();
        api->setBatchMode(true);
        InitialiseEffect();
        for (quint32 packed : observedAddresses())
            api->removeObserver(this, packed);
        attached = TMemProxy::connectMemAPI();
        QObject::disconnect(d->rateConnection);
        if (QObject *notifier = api->sampleFreqNotifier(0))
            d->rateConnection = connect(notifier, SIGNAL(valueChanged(int)), this,
                                        SLOT(handle_sampleFreqChange(int)));
        api->setBatchMode(false);
    }
    // The graph shows the slot at once rather than its construction defaults.
    if (attached)
        refreshFromMemory();
    return attached;
}

void CVEQGraph::disconnectMemAPI()
{
    QObject::disconnect(d->rateConnection);
    TMemProxy::disconnectMemAPI();
}

void CVEQGraph::updateFromMemory(const Q_UINT8 *data, int operation, Q_UINT32)
{
    if (!memAPI())
        return;
    const auto silent = silenced(operation);
    switch (operation) {
    case 0:
        reloadModel();
        break;
    case 1:
    case 4:
        resetEditable();
        break;
    case 2:
        if (data)
            pasteEditable(streamFromData(data));
        break;
    case 3:
        if (data)
            copyEditable(streamFromData(data));
        break;
    default:
        break;
    }
    d->picture.lookChanged(this);
}

void CVEQGraph::reloadModel()
{
    IMemAPI *api = memAPI();
    d->model.setSampleRate(consoleRate(api->sampleRate(0)));
    ChangeHighFreq();
    if (d->params.size() != size_t(CVEQ::MemoryParameters))
        return;
    const int e = element(), c = channel();
    for (int m = 0; m < CVEQ::MemoryParameters; ++m) {
        const int raw = api->getValue(e, kFirstParameter + m, c, 0, 0);
        d->model.setParameter(CVEQ::memAPI2Effect(m), d->params[size_t(m)]->toEffect(raw));
    }
}

void CVEQGraph::resetEditable()
{
    IMemAPI *api = memAPI();
    const int e = element(), c = channel();
    for (int p : kEditable)
        writeValue(e, p, c, api->getValueEx(e, p, c, false, nullptr));
}

void CVEQGraph::copyEditable(QDataStream *stream)
{
    IMemAPI *api = memAPI();
    const int e = element(), c = channel();
    for (int p : kEditable)
        TParamInfoWriter(this, api->getValue(e, p, c, 0, 0), stream, p);
}

void CVEQGraph::pasteEditable(QDataStream *stream)
{
    IMemAPI *api = memAPI();
    const int e = element(), c = channel();
    // A record that does not match its place (a short stream, another slot's data) is skipped.
    for (int p : kEditable) {
        TParamInfoReader record(stream);
        if (record.isValid() && api->matchesParamInfo(e, p, record.tag(), 0))
            writeValue(e, p, c, record.value());
    }
}

void CVEQGraph::handle_sampleFreqChange(int hz)
{
    d->model.setSampleRate(consoleRate(hz));
    ChangeHighFreq();
    if (memAPIReady() && address().isValid()) {
        // Nudging each frequency makes the slot resend it, so the model redesigns at the rate.
        IMemAPI *api = memAPI();
        const int e = element(), c = channel();
        for (int p : kFrequencyParameters) {
            const int v = api->getValue(e, p, c, 0, 0);
            writeValue(e, p, c, v - 1);
            writeValue(e, p, c, v);
        }
    }
    d->picture.lookChanged(this);
}

void CVEQGraph::doDefault()
{
    if (!memAPIReady() || !address().isValid())
        return;
    IMemAPI *api = memAPI();
    const int e = element(), c = channel();
    for (int p = kFirstParameter; p <= kDefaultedLast; ++p)
        writeValue(e, p, c, api->getValueEx(e, p, c, false, nullptr));
}

void CVEQGraph::doFlat()
{
    if (!memAPIReady() || !address().isValid()
        || d->params.size() != size_t(CVEQ::MemoryParameters))
        return;
    const int e = element(), c = channel();
    if (d->model.lowType() < CVEQ::EndShelf)
        writeValue(e, kLowOnParameter, c, 0);
    if (d->model.highType() < CVEQ::EndShelf)
        writeValue(e, kHighOnParameter, c, 0);
    for (int p : kLevelParameters) {
        const VEQParam &param = *d->params[size_t(p - kFirstParameter)];
        if (param.kind() == VEQParam::Linear)
            writeValue(
                    e, p, c,
                    truncToInt(param.memMin() + (double(param.memMax()) - param.memMin()) * 0.5));
    }
    d->picture.lookChanged(this);
}

void CVEQGraph::valueChanged(int tag, double value)
{
    d->tag = tag;
    d->value = value;
    const int m = CVEQ::effect2MemAPI(tag);
    if (m < 0 || size_t(m) >= d->params.size())
        return;
    writeValue(element(), kFirstParameter + m, channel(),
               d->params[size_t(m)]->toMem(float(value)));
}

// --- painting helpers ---

QString CVEQGraph::levelLabel(double v, double levTop, double levBottom)
{
    // Whole dB on wide ranges, tenths when zoomed in; C's formatting rounds half to even.
    const bool wide = levBottom <= -10 || levTop >= 10;
    const double zero = wide ? 0.5 : 0.05;
    if (std::fabs(v) < zero)
        return QStringLiteral("0dB");
    if (wide)
        return v < 0 ? formatted("%d", truncToInt(v - 0.5)) : formatted("+%d", truncToInt(v + 0.5));
    return v < 0 ? formatted("%2.1f", v) : formatted("+%2.1f", v);
}

QString CVEQGraph::frequencyLabel(long f)
{
    return f < 1000 ? formatted("%d", int(f)) : formatted("%dk", int(f / 1000));
}

// --- mouse ---------------------------------------------------------------------------------

void CVEQGraph::SearchPoint(const QPoint &at)
{
    int best = INT_MAX;
    for (int k = 1; k <= CVEQ::Sections; ++k) {
        if (d->model.GetEqSwValue(k) != 1)
            continue;
        const QPoint p = pointerPosition(k);
        const double dx = at.x() - p.x(), dy = at.y() - p.y();
        const int distance = truncToInt(std::sqrt(dx * dx + dy * dy));
        if (distance < best) {
            best = distance;
            d->selected = k;
        }
    }
    const int k = d->selected;
    d->freqTag = CVEQ::GetFreqTag(k);
    d->levTag = CVEQ::GetLevTag(k);
    d->qTag = CVEQ::GetQTag(k);
    d->startFreq = d->model.GetEqFreqValue(k);
    d->startLev = d->model.GetEqLevValue(k);
    d->startQ = d->model.GetEqQValue(k);
    d->levelDraggable = !(k == 1 && d->g1Status == 0) && !(k == CVEQ::Sections && d->g6Status == 0);
}

void CVEQGraph::dragTo(const QPoint &at)
{
    if (d->levelDraggable) {
        const int y =
                LevToBin(d->startLev, d->levTop, d->levBottom, d->h()) + at.y() - d->pressAt.y();
        valueChanged(d->levTag, BinToLev(y, d->levTop, d->levBottom, d->h()));
    }
    const int x = FreqToBin(d->startFreq, d->fMin, d->fMax, d->w()) + at.x() - d->pressAt.x();
    valueChanged(d->freqTag, BinToFreq(x, d->fMin, d->fMax, d->w()));
}

void CVEQGraph::mousePressEvent(QMouseEvent *event)
{
    const QPoint at = event->position().toPoint();
    if (!d->interactionEnabled || !d->graphRect.contains(at)) {
        QLabel::mousePressEvent(event);
        return;
    }
    d->pressed = 1;
    d->pressAt = at - d->graphRect.topLeft() - QPoint(1, 1);
    d->tag = -1;
    d->value = 0.0;
    d->selected = 0;
    SearchPoint(d->pressAt);
    if (d->graphRect.contains(at, true))
        d->picture.lookChanged(this);
}

void CVEQGraph::mouseMoveEvent(QMouseEvent *event)
{
    if (!d->pressed || d->selected == 0) {
        QLabel::mouseMoveEvent(event);
        return;
    }
    dragTo(event->position().toPoint() - d->graphRect.topLeft() - QPoint(1, 1));
}

void CVEQGraph::mouseReleaseEvent(QMouseEvent *event)
{
    d->pressed = 0;
    d->selected = 0;
    d->tag = -1;
    d->value = 0.0;
    d->picture.lookChanged(this);
    QLabel::mouseReleaseEvent(event);
}

// --- painting ------------------------------------------------------------------------------

void CVEQGraph::computeCurves(TCurves *curves) const
{
    const int w = d->w(), h = d->h();
    double powers[CVEQ::Sections + 1];
    for (QPolygon &c : curves->curve)
        c.resize(w);
    for (int x = 0; x < w; ++x) {
        d->model.filterPowers(BinToFreq(x, d->fMin, d->fMax, w), powers);
        for (int k = 0; k <= CVEQ::Sections; ++k) {
            const int y = qBound(-kCurveMargin, LevToBin(powers[k], d->levTop, d->levBottom, h),
                                 h + kCurveMargin);
            curves->curve[k][x] = QPoint(x, y);
        }
    }
}

void CVEQGraph::repaintScreenPrimitive(QPainter &painter)
{
    TCurves curves;
    computeCurves(&curves);
    repaintScreenPrimitive(painter, curves);
}

void CVEQGraph::repaintScreenPrimitive(QPainter &painter, const TCurves &curves)
{
    const QBrush &window = palette().brush(QPalette::Window);
    if (window.texture().width() > 0)
        painter.drawPixmap(0, 0, window.texture());
    else
        painter.fillRect(rect(), window.color());
    painter.setFont(QFont(QStringLiteral("Arial"), 7, QFont::Light));
    painter.setPen(Qt::white);
    painter.setPen(kFrameColour);
    // The rectangle's outline covers its width and height in pixels, as the graph counts them.
    painter.drawRect(d->graphRect.adjusted(0, 0, -1, -1));
    drawScales(painter);
    drawGraph(painter, curves);
}

void CVEQGraph::drawScales(QPainter &painter)
{
    const QRect &r = d->graphRect;
    const int left = r.left(), top = r.top(), bottom = r.bottom();
    const int h = d->h(), w = d->w();

    for (int k = 0; k <= kScaleSteps; ++k) {
        const int y = top + 1 + qBound(0, k * (h - 1) / kScaleSteps, h - 1);
        painter.drawLine(left - 2, y, left + 1, y);
        const double v = d->levTop - (d->levTop - d->levBottom) * k / kScaleSteps;
        painter.drawText(QRect(QPoint(left - 26, y - 5), QPoint(left - 7, y + 4)),
                         Qt::AlignRight | Qt::AlignVCenter, levelLabel(v, d->levTop, d->levBottom));
    }

    const long last = std::lround(d->fMax);
    long f = std::lround(d->fMin);
    if (f <= 0)
        return;
    long s = std::lround(std::pow(10.0, std::round(std::log10(double(f)))));
    while (f <= last && s > 0) {
        const int x = left + 1 + qBound(0, FreqToBin(double(f), d->fMin, d->fMax, w), w - 1);
        const long ratio = f % s == 0 ? f / s : 0;
        const bool labelled = ratio == 1 || ratio == 2 || ratio == 5 || ratio == 10 || f == last;
        painter.drawLine(x, bottom + 1, x, bottom + (labelled ? kLongTick : kShortTick));
        if (labelled) {
            const QString text =
                    f < 1000 ? formatted("%d", int(f)) : formatted("%dk", int(f / 1000));
            painter.drawText(QRect(QPoint(x - 10, bottom + 6), QPoint(x + 9, bottom + 15)),
                             Qt::AlignCenter, text);
        }
        f += s;
        if (f >= 10 * s)
            s *= 10;
    }
}

void CVEQGraph::drawGraph(QPainter &painter, const TCurves &curves)
{
    const QRect &r = d->graphRect;
    painter.save();
    painter.setClipRect(r);
    painter.translate(r.left() + 1, r.top() + 1);
    painter.setRenderHint(QPainter::Antialiasing, false);

    const int zero = LevToBin(0.0, d->levTop, d->levBottom, d->h());
    painter.setPen(kFrameColour);
    painter.drawLine(0, zero, d->w() - 1, zero);

    const int selected = d->selected;
    for (int k = CVEQ::Sections; k >= 1; --k) {
        if (k == selected || d->model.GetEqSwValue(k) != 1)
            continue;
        painter.setPen(kDim[k]);
        painter.drawPolyline(curves.curve[k]);
    }
    painter.setPen(kBright[0]);
    painter.drawPolyline(curves.curve[0]);
    if (selected >= 1 && selected <= CVEQ::Sections) {
        painter.setPen(kBright[selected]);
        painter.drawPolyline(curves.curve[selected]);
    }
    drawPointers(painter);
    painter.restore();
}

void CVEQGraph::drawPointers(QPainter &painter)
{
    const QPixmap &strip = d->pointerImage;
    const int frameHeight = strip.height() / PointerFrames;
    if (frameHeight < 1)
        return;
    for (int k = 1; k <= CVEQ::Sections; ++k) {
        if (d->model.GetEqSwValue(k) != 1)
            continue;
        const QPoint p = pointerPosition(k);
        const int frame = k - 1 + (k == d->selected ? CVEQ::Sections : 0);
        NS_Utilities::drawPartialPixmap(painter, QPoint(0, frame), strip, QSize(1, PointerFrames),
                                        QPoint(p.x() - strip.width() / 2, p.y() - frameHeight / 2));
    }
}

void CVEQGraph::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    d->picture.paint(painter, this, [this](QPainter &p) { repaintScreenPrimitive(p); });
}

void CVEQGraph::resizeEvent(QResizeEvent *event)
{
    d->picture.lookChanged(this);
    QLabel::resizeEvent(event);
}

void CVEQGraph::changeEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::ActivationChange:
        // The picture does not depend on the window's activation.
        return;
    case QEvent::EnabledChange:
    case QEvent::PaletteChange:
    case QEvent::StyleChange:
    case QEvent::FontChange:
        d->picture.lookChanged(this);
        break;
    default:
        break;
    }
    QLabel::changeEvent(event);
}
