#include "CMeter.h"

#include "TBackgroundPixmap.h"

#include "IMemAPI.h"
#include "NS_Utilities.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <atomic>
#include <initializer_list>
#include <vector>

namespace {

// Dirty bands are widened to this grid of rows (columns) along the bar. Meters side by side
// then dirty the same few bands of their window, which keeps its dirty region simple; the
// extra rows cost next to nothing to blit.
constexpr int DirtyGrid = 16;
// Qt's dirty-region work grows with every distinct band in a window, while blitting a whole
// meter is nearly free. So once this many meters have asked for a repaint in one frame (the
// count restarts with the next meter paint), the others repaint whole.
constexpr int BandRepaintLimit = 4;
int s_meterRepaintsThisFrame = 0; // GUI thread only

// Selectors above this one are gain-reduction meters.
constexpr int LastLevelSelector = 100;

const char *const OnlineSignal = "2onlineChanged(bool)";
const char *const OnlineSlot = "1onlineChange(bool)";

// A run of table steps that all add the same width, as the tables are written down.
struct Run
{
    std::initializer_list<quint16> levels;
    quint16 width;
};

std::vector<TMeterMapping> listed(std::initializer_list<Run> runs)
{
    std::vector<TMeterMapping> table;
    for (const Run &run : runs)
        for (quint16 level : run.levels)
            table.push_back({level, run.width});
    return table;
}

// Widths become cumulative offsets: each entry's field is the sum of the widths before it
// (16-bit, as the field), so the last entry holds the total length.
std::vector<TMeterMapping> prepared(std::vector<TMeterMapping> table)
{
    quint16 sum = 0;
    for (TMeterMapping &entry : table) {
        const quint16 width = entry.pixels;
        entry.pixels = sum;
        sum = quint16(sum + width);
    }
    return table;
}

// The ten level tables, shared by every meter and never written after preparation.
struct TMeterTables
{
    std::vector<TMeterMapping> s_meterLevels = prepared(listed({
            {{0}, 0},
            {{1099, 1185, 1286, 1354, 1440, 1542, 1610, 1695, 1797, 1865, 1950,
              2001, 2052, 2084, 2120, 2160, 2205, 2255, 2308, 2340, 2375, 2415,
              2460, 2510, 2563, 2595, 2630, 2670, 2715, 2765, 2819},
             1},
            {{2850, 2886, 2925, 2970, 3020, 3074, 3105, 3141, 3181, 3225,
              3275, 3329, 3361, 3396, 3436, 3480, 3530, 3585, 3616, 3651,
              3691, 3735, 3785, 3840, 3871, 3907, 3946, 3990, 4040},
             3},
            {{4095}, 0},
            {{8191}, 3},
            {{65535}, 0},
    }));
    std::vector<TMeterMapping> s_meterLevels_SIGMA = prepared(listed({
            {{0}, 0},
            {{4095}, 3},
            {{8191}, 0},
            {{65535}, 0},
    }));
    std::vector<TMeterMapping> s_meterLevels_Layer = prepared(listed({
            {{0}, 0},
            {{1099, 1140, 1185, 1236, 1286, 1318, 1354, 1395, 1440, 1491,
              1542, 1574, 1610, 1650, 1695, 1746, 1797, 1829, 1865, 1905},
             1},
            {{1950, 2001, 2052, 2084, 2120, 2160, 2205, 2255, 2308, 2340, 2375,
              2415, 2460, 2510, 2563, 2595, 2630, 2670, 2715, 2765, 2819, 2850,
              2886, 2925, 2970, 3020, 3074, 3105, 3141, 3181, 3225, 3275},
             2},
            {{3329, 3361, 3396, 3436, 3480, 3530, 3585, 3616, 3651, 3691, 3735, 3785, 3840, 3871,
              3907, 3946, 3990, 4040},
             4},
            {{4095}, 0},
            {{8191}, 4},
            {{65535}, 0},
    }));
    std::vector<TMeterMapping> s_meterLevels_SelCh = prepared(listed({
            {{0}, 0},
            {{1099, 1140, 1185, 1236, 1286, 1318, 1354, 1395, 1440, 1491, 1542, 1574, 1610,
              1650, 1695, 1746, 1797, 1829, 1865, 1905, 1950, 2001, 2052, 2084, 2120, 2160,
              2205, 2255, 2308, 2340, 2375, 2415, 2460, 2510, 2563, 2595, 2630, 2670, 2715,
              2765, 2819, 2850, 2886, 2925, 2970, 3020, 3074, 3105, 3141, 3181, 3225, 3275},
             2},
            {{3329, 3361, 3396, 3436, 3480, 3530, 3585, 3616, 3651, 3691, 3735, 3785, 3840, 3871,
              3907, 3946, 3990, 4040},
             5},
            {{4095}, 0},
            {{8191}, 8},
            {{65535}, 0},
    }));
    std::vector<TMeterMapping> s_meterLevels_CompOut = prepared(listed({
            {{0}, 0},
            {{1542, 1574, 1610, 1650, 1695, 1746, 1797, 1829, 1865, 1905, 1950, 2001, 2052, 2084,
              2120, 2160, 2205, 2255, 2308, 2340, 2375, 2415, 2460, 2510, 2563, 2595, 2630, 2670,
              2715, 2765, 2819, 2850, 2886, 2925, 2970, 3020, 3074, 3105, 3141, 3181, 3225, 3275},
             1},
            {{3329, 3361, 3396, 3436, 3480, 3530, 3585, 3616, 3651, 3691, 3735, 3785, 3840, 3871,
              3907, 3946, 3990, 4040},
             2},
            {{4095}, 0},
            {{8191}, 4},
            {{65535}, 0},
    }));
    std::vector<TMeterMapping> s_meterLevels_Effect = prepared(listed({
            {{0}, 0},
            {{1099, 1140, 1185, 1236, 1286, 1318, 1354, 1395, 1440, 1491, 1542, 1574, 1610,
              1650, 1695, 1746, 1797, 1829, 1865, 1905, 1950, 2001, 2052, 2084, 2120, 2160,
              2205, 2255, 2308, 2340, 2375, 2415, 2460, 2510, 2563, 2595, 2630, 2670},
             1},
            {{2715, 2765, 2819, 2850, 2886, 2925, 2970, 3020, 3074, 3105, 3141,
              3181, 3225, 3275, 3329, 3361, 3396, 3436, 3480, 3530, 3585, 3616,
              3651, 3691, 3735, 3785, 3840, 3871, 3907, 3946, 3990, 4040},
             2},
            {{4095}, 0},
            {{8191}, 8},
            {{65535}, 0},
    }));
    std::vector<TMeterMapping> s_meterLevels_GR = prepared(listed({
            {{0}, 0},
            {{2375, 2415, 2460, 2510, 2563, 2595, 2630, 2670, 2715, 2765, 2819, 2850}, 1},
            {{2886, 2925, 2970, 3020}, 3},
            {{3074, 3105, 3141, 3181}, 1},
            {{3225, 3275, 3329, 3361}, 2},
            {{3396, 3436, 3480, 3530, 3585, 3616, 3651, 3691}, 3},
            {{3735, 3785, 3840, 3871, 3907, 3946, 3990, 4015}, 6},
            {{4040}, 3},
            {{4095}, 0},
            {{8191}, 0},
            {{65535}, 0},
    }));
    std::vector<TMeterMapping> s_meterLevels_CompGR = prepared(listed({
            {{2819, 3225, 3651, 3840, 3946}, 5},
            {{4095}, 5},
            {{8191}, 0},
            {{65535}, 0},
    }));
    std::vector<TMeterMapping> s_meterLevels_GR_SelCh = prepared(listed({
            {{0}, 0},
            {{2819, 2850, 2886, 2925, 2970, 3020, 3074, 3105, 3141, 3181, 3225, 3275}, 1},
            {{3329, 3361, 3396, 3436, 3480, 3530, 3585, 3616, 3651, 3691, 3735, 3785, 3840, 3871,
              3907, 3946, 3990, 4015, 4040},
             3},
            {{4095}, 0},
            {{8191}, 0},
            {{65535}, 0},
    }));
    std::vector<TMeterMapping> s_meterLevels_GR_Effect = prepared(listed({
            {{0}, 0},
            {{2819, 2850, 2886, 2925, 2970, 3020, 3074, 3105, 3141, 3181, 3225, 3275}, 1},
            {{3329, 3361, 3396, 3436, 3480, 3530, 3585, 3616, 3651, 3691}, 2},
            {{3735, 3785, 3840, 3871}, 4},
            {{3907, 3946, 3990, 4015, 4040}, 8},
            {{4095}, 0},
            {{8191}, 0},
            {{65535}, 0},
    }));

    const std::vector<TMeterMapping> *forSelector(int selector) const
    {
        switch (selector) {
        case CMeter::eMtr_Normal:
            return &s_meterLevels;
        case CMeter::eMtr_Sigma:
            return &s_meterLevels_SIGMA;
        case CMeter::eMtr_Layer:
            return &s_meterLevels_Layer;
        case CMeter::eMtr_SelCh:
            return &s_meterLevels_SelCh;
        case CMeter::eMtr_CompOut:
            return &s_meterLevels_CompOut;
        case CMeter::eMtr_Normal_Eff:
            return &s_meterLevels_Effect;
        case CMeter::eMtr_GR:
            return &s_meterLevels_GR;
        case CMeter::eMtr_CompGR:
            return &s_meterLevels_CompGR;
        case CMeter::eMtr_GR_SelCh:
            return &s_meterLevels_GR_SelCh;
        case CMeter::eMtr_GR_Eff:
            return &s_meterLevels_GR_Effect;
        default:
            return nullptr;
        }
    }
};

// Prepared on first use (thread-safe), then only read.
const TMeterTables &meterTables()
{
    static const TMeterTables tables;
    return tables;
}

bool isGainReduction(int selector)
{
    return selector > LastLevelSelector;
}

// The band of pixels that differs between two bars sharing one end: only the stretch between
// their other ends. Anything else (a new orientation, an empty bar) gets both rectangles.
QRect changedBand(const QRect &before, const QRect &after)
{
    if (before == after)
        return QRect();
    if (before.isEmpty())
        return after;
    if (after.isEmpty())
        return before;
    if (before.left() == after.left() && before.right() == after.right()) {
        if (before.top() == after.top())
            return QRect(QPoint(before.left(), std::min(before.bottom(), after.bottom()) + 1),
                         QPoint(before.right(), std::max(before.bottom(), after.bottom())));
        if (before.bottom() == after.bottom())
            return QRect(QPoint(before.left(), std::min(before.top(), after.top())),
                         QPoint(before.right(), std::max(before.top(), after.top()) - 1));
    }
    if (before.top() == after.top() && before.bottom() == after.bottom()) {
        if (before.left() == after.left())
            return QRect(QPoint(std::min(before.right(), after.right()) + 1, before.top()),
                         QPoint(std::max(before.right(), after.right()), before.bottom()));
        if (before.right() == after.right())
            return QRect(QPoint(std::min(before.left(), after.left()), before.top()),
                         QPoint(std::max(before.left(), after.left()) - 1, before.bottom()));
    }
    return before.united(after);
}

} // namespace

struct CMeter::Private
{
    // What the picture shows: the lit bar and the peak segment.
    struct Geometry
    {
        QRect bar;
        QRect peak;
    };

    explicit Private(CMeter *meter)
        : q(meter)
    {
    }

    int entryCount() const { return table ? int(table->size()) : 0; }
    // Cumulative offset of an entry; indices decoded for an earlier table are clamped.
    int offsetAt(int index) const
    {
        const int n = entryCount();
        if (n == 0)
            return 0;
        return (*table)[size_t(std::clamp(index, 0, n - 1))].pixels;
    }
    int scaledLength(int pixels) const { return scaled ? int(pixels * scale) : pixels; }
    int restLevelIndex() const
    {
        return isGainReduction(selector.load(std::memory_order_relaxed)) ? q->maxValue() - 1
                                                                         : q->minValue();
    }
    void updateScale()
    {
        const int total = offsetAt(entryCount() - 1);
        scale = total > 0 ? double(q->available()) / total : 1.0;
        scaled = scale != 1.0;
    }
    Geometry geometry() const;
    QRect gridAligned(const QRect &r) const
    {
        auto down = [](int v) { return v / DirtyGrid * DirtyGrid; };
        auto up = [](int v) { return (v + DirtyGrid - 1) / DirtyGrid * DirtyGrid; };
        // Aligned from the bar's low end, where every meter of a row lines up.
        if (vertical) {
            const int h = q->height();
            return QRect(r.left(), h - up(h - r.top()), r.width(),
                         up(h - r.top()) - down(h - r.bottom() - 1))
                    & q->rect();
        }
        return QRect(down(r.left()), r.top(), up(r.right() + 1) - down(r.left()), r.height())
                & q->rect();
    }
    void paintArea(QPainter &painter, const Geometry &g, const QRect &area,
                   const QBrush &fill) const;

    CMeter *q;

    // Written by process() on whichever thread the data arrives; read on the GUI thread after
    // the hand-over (whose lock orders the accesses), so relaxed access is enough.
    std::atomic<quint16> lastPeakValue {0};
    std::atomic<int> levelIndex {0};
    std::atomic<int> peakIndex {0};
    // What the GUI thread shows, mirrored for the comparison made off the GUI thread.
    std::atomic<int> shownPeakIndex {0};
    std::atomic<int> shownLevelIndex {0};
    std::atomic<int> selector {eMtr_Normal};
    std::atomic<bool> peakHoldEnabled {true};
    // Swapped only on the GUI thread; a lookup racing with the swap yields an index that the
    // GUI thread clamps.
    std::atomic<const std::vector<TMeterMapping> *> lookupTable {nullptr};

    bool vertical = true;
    QPixmap meterImage;
    QPixmap bgndImage;
    double scale = 1.0;
    bool scaled = false;
    bool repaintPending = true;
    bool online = false;
    const std::vector<TMeterMapping> *table = nullptr;

    Geometry painted;
    // A picture given with updateErasePixmap(), shown until the meter changes.
    TBackgroundPixmap fixedPicture;
};

CMeter::Private::Geometry CMeter::Private::geometry() const
{
    Geometry g;
    if (meterImage.isNull() || q->value() < 0 || !table)
        return g;
    const int w = q->width();
    const int h = q->height();
    const int sel = selector.load(std::memory_order_relaxed);
    const int offset = offsetAt(q->value());
    const int length = scaledLength(offset);

    if (sel == eMtr_Sigma) {
        // The overload lamp lights its far end and is never scaled.
        g.bar = vertical ? QRect(0, 0, w, offset) : QRect(w - offset, 0, offset, h);
    } else if (!isGainReduction(sel)) {
        g.bar = vertical ? QRect(0, h - length, w, length) : QRect(0, 0, length, h);
    } else {
        g.bar = vertical ? QRect(0, 0, w, h - length) : QRect(length, 0, w - length, h);
    }

    const int k = shownPeakIndex.load(std::memory_order_relaxed);
    if (isGainReduction(sel) || !peakHoldEnabled.load(std::memory_order_relaxed) || k < 1)
        return g;
    const int field = offsetAt(k);
    const int top = scaledLength(field);
    if (top < (sel == eMtr_Sigma ? offset : length))
        return g;
    int j = std::min(k, entryCount() - 1) - 1;
    while (j >= 0 && offsetAt(j) >= field)
        --j;
    if (j < 0)
        return g;
    const int diff = field - offsetAt(j);
    const int segment = scaled ? std::max(1, int(diff * scale)) : diff;
    g.peak = vertical ? QRect(0, h - top, w, segment) : QRect(top - segment, 0, segment, h);
    return g;
}

void CMeter::Private::paintArea(QPainter &painter, const Geometry &g, const QRect &area,
                                const QBrush &fill) const
{
    if (meterImage.isNull() || q->value() < 0)
        return;
    const QRect exposed = area & q->rect();
    if (bgndImage.isNull() || !bgndImage.rect().contains(exposed))
        painter.fillRect(exposed, fill);
    if (!bgndImage.isNull())
        painter.drawPixmap(exposed.topLeft(), bgndImage, exposed);
    // The images sit at the widget origin, so each part is a same-sized blit.
    const QRect lit = g.bar & exposed;
    if (!lit.isEmpty())
        painter.drawPixmap(lit.topLeft(), meterImage, lit);
    const QRect peak = g.peak & exposed;
    if (!peak.isEmpty())
        painter.drawPixmap(peak.topLeft(), meterImage, peak);
}

// ---------------------------------------------------------------------------------------------

CMeter::CMeter(QWidget *parent, const char *name)
    : QWidget(parent)
    , TRangeControl()
    , TMemProxy()
    , d(new Private(this))
{
    if (name)
        setObjectName(QString::fromLatin1(name));
    CalculateMeterTablePixelOffsets();
    setupMeterTable();
    setNumDefaultKind(0);
    setUndoEnable(false);
}

CMeter::~CMeter()
{
    // Unregister while the object is whole: the feed may be calling process() on another
    // thread, and forgetting the proxy waits for such calls.
    if (memAPIReady() && memAPI() && isAttached())
        memAPI()->registerMeter(false, this, element(), parameter(), channel());
    releaseMemory();
}

void CMeter::CalculateMeterTablePixelOffsets()
{
    meterTables();
}

const TMeterMapping *CMeter::meterTable(EMeterSelector selector, int *count)
{
    const std::vector<TMeterMapping> *table = meterTables().forSelector(selector);
    if (count)
        *count = table ? int(table->size()) : 0;
    return table ? table->data() : nullptr;
}

CMeter::EMeterSelector CMeter::meterSelector() const
{
    return EMeterSelector(d->selector.load(std::memory_order_relaxed));
}

QPixmap CMeter::meterImage() const
{
    return d->meterImage;
}

QPixmap CMeter::meterBgndImage() const
{
    return d->bgndImage;
}

bool CMeter::peakHoldEnabled() const
{
    return d->peakHoldEnabled.load(std::memory_order_relaxed);
}

int CMeter::available() const
{
    return d->vertical ? height() : width();
}

bool CMeter::isVertical() const
{
    return d->vertical;
}

double CMeter::scale() const
{
    return d->scale;
}

int CMeter::shownPeakIndex() const
{
    return d->shownPeakIndex.load(std::memory_order_relaxed);
}

int CMeter::meterLevelIndex(unsigned short value) const
{
    const std::vector<TMeterMapping> *table = d->lookupTable.load(std::memory_order_acquire);
    if (!table || table->empty())
        return 0;
    const auto last = table->end() - 1;
    return int(std::upper_bound(table->begin(), last, TMeterMapping {value, 0}, LTE())
               - table->begin());
}

void CMeter::setupMeterTable()
{
    d->scaled = false;
    if (const std::vector<TMeterMapping> *table = meterTables().forSelector(meterSelector())) {
        d->table = table;
        d->lookupTable.store(table, std::memory_order_release);
        setMaxValue(int(table->size()));
    }
    d->updateScale();
    d->shownPeakIndex.store(0, std::memory_order_relaxed);
    d->peakIndex.store(0, std::memory_order_relaxed);
    d->lastPeakValue.store(0, std::memory_order_relaxed);
    d->levelIndex.store(d->restLevelIndex(), std::memory_order_relaxed);
    setMinValue(0);
    setValue(d->levelIndex.load(std::memory_order_relaxed));
}

bool CMeter::acceptNotification(const Q_UINT8 *data, int operation, Q_UINT32)
{
    if (operation != 0)
        return false;
    if (data) {
        const quint16 level = quint16((data[0] << 7) | data[1]);
        d->levelIndex.store(meterLevelIndex(level), std::memory_order_relaxed);
        if (!isGainReduction(d->selector.load(std::memory_order_relaxed))
            && d->peakHoldEnabled.load(std::memory_order_relaxed)) {
            const quint16 peak = quint16((data[2] << 7) | data[3]);
            if (peak != d->lastPeakValue.load(std::memory_order_relaxed)) {
                d->lastPeakValue.store(peak, std::memory_order_relaxed);
                d->peakIndex.store(meterLevelIndex(peak), std::memory_order_relaxed);
            }
        }
    }
    // Raw values move all the time; only a new table step is worth the GUI thread's time.
    return d->shownLevelIndex.load(std::memory_order_relaxed)
            != d->levelIndex.load(std::memory_order_relaxed)
            || d->shownPeakIndex.load(std::memory_order_relaxed)
            != d->peakIndex.load(std::memory_order_relaxed);
}

void CMeter::updateFromMemory(const Q_UINT8 *, int, Q_UINT32)
{
    d->repaintPending = true;
    d->shownPeakIndex.store(d->peakIndex.load(std::memory_order_relaxed),
                            std::memory_order_relaxed);
    setValue(d->levelIndex.load(std::memory_order_relaxed));
    if (d->repaintPending)
        valueChange();
}

void CMeter::valueChange()
{
    if (!NS_Utilities::mainThreadRunning())
        return;
    d->repaintPending = false;
    d->shownLevelIndex.store(value(), std::memory_order_relaxed);
    const Private::Geometry now = d->geometry();
    if (d->fixedPicture.isValid()) {
        d->painted = now;
        updateErasePixmap(nullptr);
        return;
    }
    // Only the rows (or columns) whose colour changes are repainted, as one rectangle: a bar
    // and its peak are close, and one rectangle keeps the window's dirty region simple when a
    // whole bridge moves at once.
    QRect dirty = changedBand(d->painted.bar, now.bar);
    if (d->painted.peak != now.peak)
        dirty = dirty.united(d->painted.peak).united(now.peak);
    if (!dirty.isEmpty()) {
        const bool crowded = ++s_meterRepaintsThisFrame > BandRepaintLimit;
        update(crowded ? rect() : d->gridAligned(dirty));
    }
    d->painted = now;
}

void CMeter::resetMeter()
{
    if (!NS_Utilities::mainThreadRunning())
        return;
    d->shownPeakIndex.store(0, std::memory_order_relaxed);
    d->lastPeakValue.store(0, std::memory_order_relaxed);
    d->peakIndex.store(0, std::memory_order_relaxed);
    d->levelIndex.store(d->restLevelIndex(), std::memory_order_relaxed);
    setValue(d->levelIndex.load(std::memory_order_relaxed));
    d->shownLevelIndex.store(value(), std::memory_order_relaxed);
    d->painted = d->geometry();
    updateErasePixmap(nullptr);
}

void CMeter::onlineChange(bool online)
{
    if (online == d->online)
        return;
    d->online = online;
    if (!online)
        resetMeter();
}

void CMeter::setMeterSelector(EMeterSelector selector)
{
    if (selector == meterSelector())
        return;
    d->selector.store(selector, std::memory_order_relaxed);
    setupMeterTable();
    d->painted = d->geometry();
    update();
}

void CMeter::setMeterImage(const QPixmap &pm)
{
    d->meterImage = pm;
    // Without an image the meter draws nothing and lets its parent show through.
    setAttribute(Qt::WA_OpaquePaintEvent, !pm.isNull());
    if (!pm.isNull()) {
        setFixedSize(pm.size());
        d->vertical = pm.width() < pm.height();
        setupMeterTable();
    }
    d->painted = d->geometry();
    update();
}

void CMeter::setMeterBgndImage(const QPixmap &pm)
{
    // Shown with the next change; a meter does not repaint for its background alone.
    d->bgndImage = pm;
}

void CMeter::setPeakHoldEnabled(bool on)
{
    if (on == peakHoldEnabled())
        return;
    d->peakHoldEnabled.store(on, std::memory_order_relaxed);
    valueChange();
}

void CMeter::repaintScreenPrimitive(QPainter &painter)
{
    d->paintArea(painter, d->geometry(), rect(), palette().brush(backgroundRole()));
}

void CMeter::updateErasePixmap(QPixmap *pm)
{
    d->fixedPicture.setPixmap(pm ? *pm : QPixmap());
    update();
}

bool CMeter::connectMemAPI()
{
    if (!memAPIReady() || !memAPI())
        return false;
    if (address().isValid()) {
        if (!isAttached())
            setBoundWord(1);
        memAPI()->registerMeter(true, this, element(), parameter(), channel());
        memAPI()->connectSignal(OnlineSignal, this, OnlineSlot, true);
        // Start from the memory's state, so that a meter bound while the console is online
        // resets when it first goes offline.
        d->online = memAPI()->isOnline();
    }
    resetMeter();
    return isAttached();
}

void CMeter::disconnectMemAPI()
{
    if (memAPIReady() && memAPI() && isAttached()) {
        memAPI()->registerMeter(false, this, element(), parameter(), channel());
        memAPI()->connectSignal(OnlineSignal, this, OnlineSlot, false);
    }
    setBoundWord(0);
}

void CMeter::paintEvent(QPaintEvent *event)
{
    s_meterRepaintsThisFrame = 0;
    QPainter painter(this);
    if (d->fixedPicture.isValid()) {
        painter.drawPixmap(0, 0, d->fixedPicture.current());
        return;
    }
    const QBrush fill = palette().brush(backgroundRole());
    const Private::Geometry g = d->geometry();
    for (const QRect &r : event->region())
        d->paintArea(painter, g, r, fill);
}

void CMeter::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    d->updateScale();
    d->painted = d->geometry();
}

void CMeter::changeEvent(QEvent *event)
{
    // Window activation changes nothing a meter shows.
    if (event->type() == QEvent::ActivationChange)
        return;
    QWidget::changeEvent(event);
}
