#include "CPixmapMeter.h"

#include "TMeterFrames_p.h"

#include "IMemAPI.h"
#include "NS_Utilities.h"
#include "TSetter.h"

#include <QEvent>
#include <QPainter>

#include <algorithm>
#include <atomic>
#include <memory>
#include <new>
#include <vector>

namespace {

// Spaced as the memory's users have always written them; the memory normalises signatures.
const char *const OnlineSignal = "2onlineChanged( bool )";
const char *const OnlineSlot = "1onlineChange( bool )";

// An entry the list leaves unset never bounds anything: no level is above it.
constexpr quint16 OpenBound = 0xFFFF;
constexpr int ListBase = 16;

// The bounds searched for a level: a copy taken whenever the table or the bound array changes,
// so a feed thread searching one never reads an array that was resized under it.
using TBoundView = std::vector<quint16>;

} // namespace

struct CPixmapMeter::Private
{
    QPixmap combinedImage;
    std::vector<quint16> boundArray {0};
    bool online = false;

    // Read by process() on the arriving thread, swapped on the GUI thread.
    std::shared_ptr<const TBoundView> table = std::make_shared<const TBoundView>();
    QString boundList;
    // Written on the arriving thread, read on the GUI thread after the hand-over.
    std::atomic<int> levelIndex {0};
    int currentImage = 0;
    // Mirrored for the comparison made off the GUI thread.
    std::atomic<int> shownIndex {0};
    int nSubImages = 1;
    int nImageCategories = 1;
    int meterTableId = 0;
    SubDirection subDirection = ColImages;
    // The first data after connecting or a reset is always handed over, so a meter shows
    // (and counts) its first delivery even when the sub-image stays.
    std::atomic<bool> deliveryOwed {false};

    TMeterFrames picture;

    void setTable(TBoundView view)
    {
        std::atomic_store(&table,
                          std::shared_ptr<const TBoundView>(
                                  std::make_shared<const TBoundView>(std::move(view))));
    }
    int indexFor(quint16 level) const
    {
        const std::shared_ptr<const TBoundView> view = std::atomic_load(&table);
        return int(std::upper_bound(view->begin(), view->end(), level) - view->begin());
    }
    QSize grid() const
    {
        return subDirection == ColImages ? QSize(nImageCategories, nSubImages)
                                         : QSize(nSubImages, nImageCategories);
    }
    QPoint cell() const
    {
        const int shown = shownIndex.load(std::memory_order_relaxed);
        return subDirection == ColImages ? QPoint(currentImage, shown)
                                         : QPoint(shown, currentImage);
    }
    int frame() const
    {
        return shownIndex.load(std::memory_order_relaxed) * nImageCategories + currentImage;
    }
};

CPixmapMeter::CPixmapMeter(QWidget *parent, const char *name)
    : QWidget(parent)
    , TMemProxy()
    , d(new Private)
{
    if (name)
        setObjectName(QString::fromLatin1(name));
    setNumDefaultKind(0);
    setUndoEnable(false);
}

CPixmapMeter::~CPixmapMeter()
{
    // While whole: a feed on another thread may be calling process().
    if (memAPIReady() && memAPI() && isAttached())
        memAPI()->registerMeter(false, this, element(), parameter(), channel());
    releaseMemory();
}

QPixmap CPixmapMeter::combinedImage() const
{
    return d->combinedImage;
}

CPixmapMeter::SubDirection CPixmapMeter::subDirection() const
{
    return d->subDirection;
}

int CPixmapMeter::nSubImages() const
{
    return d->nSubImages;
}

int CPixmapMeter::nImageCategories() const
{
    return d->nImageCategories;
}

QString CPixmapMeter::boundList() const
{
    return d->boundList;
}

int CPixmapMeter::meterTableId() const
{
    return d->meterTableId;
}

int CPixmapMeter::shownIndex() const
{
    return d->shownIndex.load(std::memory_order_relaxed);
}

int CPixmapMeter::levelIndex() const
{
    return d->levelIndex.load(std::memory_order_relaxed);
}

int CPixmapMeter::currentImage() const
{
    return d->currentImage;
}

QVector<quint16> CPixmapMeter::bounds() const
{
    return QVector<quint16>(d->boundArray.begin(), d->boundArray.end());
}

int CPixmapMeter::renderCount() const
{
    return d->picture.rebuildCount();
}

void CPixmapMeter::setupMeterTable()
{
    const int last = d->nSubImages - 1;
    if (memAPIReady() && d->meterTableId != 0) {
        int count = 0;
        const quint16 *table = memAPI()->meterTable(d->meterTableId, &count, 0);
        if (table && count > 0) {
            d->setTable(TBoundView(table, table + (count >= last ? last : count)));
            return;
        }
    }
    d->setTable(TBoundView(d->boundArray.begin(), d->boundArray.begin() + last));
}

void CPixmapMeter::setupBoundTable()
{
    const QStringList pieces = NS_Utilities::splitList(d->boundList);
    const int n = std::min(int(pieces.size()), int(d->boundArray.size()));
    for (int i = 0; i < n; ++i)
        d->boundArray[size_t(i)] = pieces.at(i).trimmed().toUShort(nullptr, ListBase);
}

void CPixmapMeter::adjustParams()
{
    if (d->combinedImage.width() <= 0)
        return;
    const QSize g = d->grid();
    setFixedSize(d->combinedImage.width() / g.width(), d->combinedImage.height() / g.height());
}

void CPixmapMeter::repaintScreenPrimitive(QPainter &painter)
{
    if (d->combinedImage.isNull())
        return;
    NS_Utilities::drawPartialPixmap(painter, d->cell(), d->combinedImage, d->grid());
}

void CPixmapMeter::updateErasePixmap(QPixmap *pm)
{
    if (pm)
        d->picture.install(this, *pm);
    else
        d->picture.lookChanged(this);
}

void CPixmapMeter::valueChange()
{
    if (!NS_Utilities::mainThreadRunning())
        return;
    d->picture.show(this, d->frame());
}

bool CPixmapMeter::connectMemAPI()
{
    setupMeterTable();
    if (!memAPIReady() || !memAPI())
        return false;
    if (address().isValid()) {
        if (!isAttached())
            setBoundWord(1);
        memAPI()->registerMeter(true, this, element(), parameter(), channel());
        memAPI()->connectSignal(OnlineSignal, this, OnlineSlot, true);
        // From the memory's state, so that the first change either way resets.
        d->online = memAPI()->isOnline();
    }
    resetMeter();
    return isAttached();
}

void CPixmapMeter::disconnectMemAPI()
{
    if (memAPIReady() && memAPI() && isAttached()) {
        memAPI()->registerMeter(false, this, element(), parameter(), channel());
        memAPI()->connectSignal(OnlineSignal, this, OnlineSlot, false);
    }
    setBoundWord(0);
}

void CPixmapMeter::setCurrentImage(int category)
{
    // Bounded by the category axis, the one the index selects.
    if (category < 0 || category >= d->nImageCategories)
        return;
    d->currentImage = category;
    valueChange();
}

void CPixmapMeter::resetMeter()
{
    if (!NS_Utilities::mainThreadRunning())
        return;
    d->levelIndex.store(0, std::memory_order_relaxed);
    updateFromMemory(nullptr, 0, 0);
    d->deliveryOwed.store(true, std::memory_order_relaxed);
    update();
}

void CPixmapMeter::onlineChange(bool online)
{
    if (!assignIfChanged(d->online, online))
        return;
    resetMeter();
}

void CPixmapMeter::setBoundList(const QString &list)
{
    if (!assignIfChanged(d->boundList, list))
        return;
    setupBoundTable();
    setupMeterTable();
}

void CPixmapMeter::setMeterTableId(int id)
{
    // Takes effect with the next connect.
    d->meterTableId = id;
}

void CPixmapMeter::setSubDirection(SubDirection direction)
{
    if (!assignIfChanged(d->subDirection, direction))
        return;
    d->picture.lookChanged(this);
    adjustParams();
}

void CPixmapMeter::setnSubImages(int count)
{
    count = std::max(1, count);
    if (count == d->nSubImages)
        return;
    try {
        d->boundArray.assign(size_t(count), OpenBound);
    } catch (const std::bad_alloc &) {
        // The old array (and count) stay; fill it so the list reads afresh.
        std::fill(d->boundArray.begin(), d->boundArray.end(), OpenBound);
        count = d->nSubImages;
    }
    d->nSubImages = count;
    setupBoundTable();
    setupMeterTable();
    d->picture.lookChanged(this);
    adjustParams();
}

void CPixmapMeter::setnImageCategories(int count)
{
    if (!assignIfChanged(d->nImageCategories, std::max(1, count)))
        return;
    d->picture.lookChanged(this);
    adjustParams();
}

void CPixmapMeter::setCombinedImage(const QPixmap &grid)
{
    d->combinedImage = grid;
    setAttribute(Qt::WA_OpaquePaintEvent, !grid.isNull() && !grid.hasAlphaChannel());
    d->picture.lookChanged(nullptr);
    NS_Utilities::geometry_change(this);
}

bool CPixmapMeter::acceptNotification(const Q_UINT8 *data, int operation, Q_UINT32)
{
    if (operation != 0)
        return false;
    if (!data)
        return true;
    const int index = d->indexFor(quint16((data[0] << 7) | data[1]));
    d->levelIndex.store(index, std::memory_order_relaxed);
    return index != d->shownIndex.load(std::memory_order_relaxed)
            || d->deliveryOwed.load(std::memory_order_relaxed);
}

void CPixmapMeter::updateFromMemory(const Q_UINT8 *, int, Q_UINT32)
{
    d->deliveryOwed.store(false, std::memory_order_relaxed);
    int index = d->levelIndex.load(std::memory_order_relaxed);
    if (index == d->shownIndex.load(std::memory_order_relaxed))
        return;
    if (index >= d->nSubImages) {
        index = 0;
        d->levelIndex.store(0, std::memory_order_relaxed);
    }
    d->shownIndex.store(index, std::memory_order_relaxed);
    valueChange();
}

void CPixmapMeter::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    d->picture.paint(painter, this, [this](QPainter &p) { repaintScreenPrimitive(p); });
}

void CPixmapMeter::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    d->picture.lookChanged(this);
}

void CPixmapMeter::changeEvent(QEvent *event)
{
    // Window activation changes nothing a meter shows.
    if (event->type() == QEvent::ActivationChange)
        return;
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::EnabledChange)
        d->picture.lookChanged(this);
    QWidget::changeEvent(event);
}
