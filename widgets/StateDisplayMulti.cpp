#include "StateDisplayMulti.h"

#include "NS_Utilities.h"
#include "StateDisplayMulti_p.h"
#include "TCacheServer.h"

#include <QPainter>

namespace {

// Items are numbered into groups that start here; group 0 reads the own address, the others
// extra addresses 0 to 3.
constexpr int kGroupStarts[] = {0, 8, 16, 17, 18};
constexpr int kGroupCount = int(sizeof(kGroupStarts) / sizeof(kGroupStarts[0]));
constexpr int kBitsPerValue = 32;

int groupOf(int n)
{
    int group = 0;
    for (int g = 1; g < kGroupCount; ++g) {
        if (n >= kGroupStarts[g])
            group = g;
    }
    return group;
}

bool bitOf(int value, int shift)
{
    if (shift < 0 || shift >= kBitsPerValue)
        return false;
    return ((quint32(value) >> shift) & 1u) != 0;
}

} // namespace

struct CStateDisplayMulti::Private
{
    CStateDisplayMulti_PD *record = nullptr;
    // The composed picture.
    QPixmap buffer;
    // What connectMemAPI() registered, so that disconnecting removes the same addresses even
    // after xtraInfo changed.
    QVector<quint32> observed;
    int compositions = 0;
    bool ownsRecord = true;
};

CStateDisplayMulti::CStateDisplayMulti(QWidget *parent, const QString &name)
    : TDoubleBuffer<QWidget>(parent)
    , d(std::make_unique<Private>())
{
    d->record = new CStateDisplayMulti_PD;
    if (!name.isEmpty()) {
        setObjectName(name);
        d->record->key = name;
    }
    // Forms name widgets after construction: until the record is shared the key follows.
    connect(this, &QObject::objectNameChanged, this, [this](const QString &objectName) {
        if (d->ownsRecord && d->record->refCount == 0)
            d->record->key = objectName;
    });
}

CStateDisplayMulti::~CStateDisplayMulti()
{
    disconnectMemAPI();
    releaseMemory();
    // A record the cache holds belongs to the cache; other displays may still draw from it.
    if (d->ownsRecord)
        delete d->record;
}

const TCachedData *CStateDisplayMulti::lookRecord() const
{
    return d->record;
}

bool CStateDisplayMulti::lookRecordCached() const
{
    return !d->ownsRecord;
}

// --- properties ---------------------------------------------------------------------------------

QPixmap CStateDisplayMulti::getImgOnList() const
{
    return d->record->pixImgOnList;
}

QPixmap CStateDisplayMulti::getImgOffList() const
{
    return d->record->pixImgOffList;
}

int CStateDisplayMulti::getTtlNumber() const
{
    return d->record->iTtlNumber;
}

QString CStateDisplayMulti::getItemGroups() const
{
    return d->record->strItemGroups;
}

QString CStateDisplayMulti::getItemStarts() const
{
    return d->record->strItemStarts;
}

int CStateDisplayMulti::getImageHeight() const
{
    return d->record->iImageHeight;
}

QString CStateDisplayMulti::xtraInfo() const
{
    return d->record->xtraInfo;
}

void CStateDisplayMulti::setImgOnList(const QPixmap &strip)
{
    d->record->pixImgOnList = strip;
    if (!strip.isNull())
        setFixedSize(strip.size());
    reCalc();
}

void CStateDisplayMulti::setImgOffList(const QPixmap &strip)
{
    d->record->pixImgOffList = strip;
    if (!strip.isNull())
        setFixedSize(strip.size());
    reCalc();
}

void CStateDisplayMulti::setTtlNumber(const int count)
{
    d->record->iTtlNumber = count;
    sortGroups();
}

void CStateDisplayMulti::setItemGroups(const QString &groups)
{
    d->record->strItemGroups = groups;
    sortGroups();
}

void CStateDisplayMulti::setItemStarts(const QString &starts)
{
    d->record->strItemStarts = starts;
    sortGroups();
}

void CStateDisplayMulti::setImageHeight(const int height)
{
    if (height == d->record->iImageHeight)
        return;
    d->record->iImageHeight = height;
    sortGroups();
}

void CStateDisplayMulti::setXtraInfo(const QString &list)
{
    if (list == d->record->xtraInfo)
        return;
    d->record->xtraInfo = list;
    // Resolved again on next use.
    d->record->extraAddresses.clear();
}

// --- layout and composition ---------------------------------------------------------------------

void CStateDisplayMulti::sortGroups()
{
    CStateDisplayMulti_PD *rec = d->record;
    rec->itemMap.clear();
    if (rec->iTtlNumber != 0 && !rec->strItemGroups.isEmpty() && !rec->strItemStarts.isEmpty()) {
        const QStringList groups = NS_Utilities::splitList(rec->strItemGroups);
        const QStringList starts = NS_Utilities::splitList(rec->strItemStarts);
        // Lists of different lengths do not say which start belongs to which item.
        if (groups.size() == starts.size()) {
            for (int k = 0; k < groups.size(); ++k)
                rec->itemMap.insert(NS_Utilities::atoiNumber(groups.at(k)),
                                    NS_Utilities::atoiNumber(starts.at(k)));
        }
    }
    rec->itemMap.insert(0, 0);
    reCalc();
}

int CStateDisplayMulti::mappedStart(int item) const
{
    return d->record->itemMap.value(item, -1);
}

void CStateDisplayMulti::parseXtraInfo()
{
    CStateDisplayMulti_PD *rec = d->record;
    if (!rec->extraAddresses.isEmpty() || !memAPI() || rec->xtraInfo.isEmpty())
        return;
    TAddressList resolved;
    memAPI()->parseAddressList(&resolved, &rec->xtraInfo);
    rec->extraAddresses = resolved;
}

int CStateDisplayMulti::extraAddressCount() const
{
    return int(d->record->extraAddresses.size());
}

bool CStateDisplayMulti::groupValue(int group, int *value) const
{
    IMemAPI *api = memAPI();
    if (!api || !api->isReady())
        return false;
    if (group == 0) {
        if (!address().isValid())
            return false;
        *value = api->getValue(element(), parameter(), channel(), 0, 0);
        return true;
    }
    const TAddressList &extras = d->record->extraAddresses;
    if (group - 1 >= extras.size())
        return false;
    const TAddressRecord &r = extras.at(group - 1);
    // Extras are read on the widget's own channel, whatever channel the list names.
    *value = api->getValue(r.element, r.parameter, channel(), 0, 0);
    return true;
}

void CStateDisplayMulti::reCalc()
{
    CStateDisplayMulti_PD *rec = d->record;
    const QPixmap &lit = rec->pixImgOnList;
    const QPixmap &dark = rec->pixImgOffList;
    if (!memAPI() || rec->iTtlNumber < 1 || lit.isNull() || dark.isNull()
        || lit.size() != dark.size())
        return;

    const int count = rec->iTtlNumber;
    const int bandHeight = rec->iImageHeight > 0 ? rec->iImageHeight : dark.height() / count;
    setFixedSize(dark.size());
    d->buffer = dark.copy();
    parseXtraInfo();

    const int offset = count == FullItemCount ? 0 : DefaultItemOffset;
    const QRect stripRect = dark.rect();
    int values[kGroupCount] = {};
    bool known[kGroupCount] = {};
    for (int g = 0; g < kGroupCount; ++g)
        known[g] = groupValue(g, &values[g]);

    QPainter painter(&d->buffer);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    int y = 0;
    for (int i = 0; i < count; ++i) {
        const auto mapped = rec->itemMap.constFind(i);
        if (mapped != rec->itemMap.constEnd())
            y = mapped.value();
        const int n = i + offset;
        const int group = groupOf(n);
        if (known[group] && bitOf(values[group], n - kGroupStarts[group])) {
            // Bands past the strip's end are clipped to it.
            const QRect band = QRect(0, y, dark.width(), bandHeight).intersected(stripRect);
            if (!band.isEmpty())
                painter.drawPixmap(band.topLeft(), lit, band);
        }
        y += bandHeight;
    }
    painter.end();
    ++d->compositions;
    updateErasePixmap(d->buffer);
}

int CStateDisplayMulti::compositionCount() const
{
    return d->compositions;
}

// --- binding ------------------------------------------------------------------------------------

QVector<quint32> CStateDisplayMulti::addressesToObserve() const
{
    QVector<quint32> packed {packedAddress()};
    for (const TAddressRecord &r : d->record->extraAddresses) {
        if (r.element < 0 || r.parameter < 0)
            continue;
        IMemAPI::TSingleAddress a;
        a.element = r.element;
        a.parameter = r.parameter;
        a.channel = qint16(channel());
        if (!packed.contains(a.packed()))
            packed.append(a.packed());
    }
    return packed;
}

QVector<quint32> CStateDisplayMulti::observedAddresses() const
{
    return d->observed.isEmpty() ? addressesToObserve() : d->observed;
}

bool CStateDisplayMulti::connectMemAPI()
{
    if (isAttached())
        TMemProxy::disconnectMemAPI();
    if (memAPIReady())
        parseXtraInfo();
    d->observed = addressesToObserve();
    const bool attached = TMemProxy::connectMemAPI();
    if (!attached)
        d->observed.clear();
    return attached;
}

void CStateDisplayMulti::disconnectMemAPI()
{
    TMemProxy::disconnectMemAPI();
    d->observed.clear();
}

void CStateDisplayMulti::updateFromMemory(const Q_UINT8 *, int operation, Q_UINT32)
{
    // A copy request changes nothing that is shown.
    if (operation == 3)
        return;
    reCalc();
    update();
}

// --- look record --------------------------------------------------------------------------------

void CStateDisplayMulti::polished()
{
    joinLookCache();
    reCalc();
}

void CStateDisplayMulti::joinLookCache()
{
    CStateDisplayMulti_PD *own = d->record;
    // Nameless displays have nothing that says they look alike.
    if (!d->ownsRecord || own->refCount != 0 || own->key.isEmpty())
        return;
    TCacheServer *server = TCacheServer::serverFor(this);
    if (!server)
        return;
    // Another widget kind may use the same object name; its record cannot serve a display.
    TCachedData *stored = server->record(own->key);
    if (stored && !dynamic_cast<CStateDisplayMulti_PD *>(stored))
        return;
    d->ownsRecord = false;
    // insert() may delete our record in favour of the stored one.
    d->record = static_cast<CStateDisplayMulti_PD *>(server->insert(own->key, own));
}
