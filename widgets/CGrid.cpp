#include "CGrid.h"

#include "CSimpleNotifier.h"
#include "NS_Utilities.h"
#include "TBackgroundPixmap.h"
#include "TRange.h"
#include "TSetter.h"

#include <QBitmap>
#include <QBuffer>
#include <QDataStream>
#include <QKeyEvent>
#include <QMap>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QTimer>

#include <algorithm>
#include <vector>

namespace {

constexpr int kDefaultCount = 16;
constexpr int kDefaultCellSize = 13;
constexpr int kMinCellSize = 2;
constexpr int kMaxCellSize = 50;
constexpr int kDefaultGridWidth = 1;
constexpr int kMinGridWidth = 1;
constexpr int kMaxGridWidth = 10;
// The default style: grid widths alternate 1, 2 after columns, 2 after rows.
constexpr int kWideGridWidth = 2;
constexpr int kMinCursorThickness = 2;
constexpr int kMaxCursorThickness = 9;
constexpr int kDefaultCursorThickness = 3;
constexpr quint16 kNoAltChannelThreshold = 65535;
constexpr int kAutoUpdateDelayMs = 10;
// Shifts wrap at 64, and only the low 32 of them name a bit of a value.
constexpr int kShiftWrap = 64;
// Cell numbers in rectangle strings are clipped to this, which no grid reaches.
constexpr int kMaxCellNumber = 0xFFFF;

const QColor kGridLineColour(58, 58, 71);

// A cell packed as process() and copyParameters() take it: row << 16 | column.
quint32 packCell(int row, int col)
{
    return (quint32(row) << 16) | (quint32(col) & 0xFFFF);
}

// Fills field of every entry from the comma list; empty, missing or out-of-range pieces give
// the default.
void applySizeString(QVector<CCellProp> &props, const QString &text, int CCellProp::*field, int lo,
                     int hi, int fallback, const QRegularExpression &comma)
{
    const QStringList pieces = text.split(comma);
    for (int i = 0; i < props.size(); ++i) {
        int v = fallback;
        if (i < pieces.size() && !pieces.at(i).isEmpty()) {
            const int n = NS_Utilities::atoiNumber(pieces.at(i));
            if (n >= lo && n <= hi)
                v = n;
        }
        props[i].*field = v;
    }
}

int clippedCellNumber(const QString &text)
{
    return std::clamp(NS_Utilities::atoiNumber(text), 0, kMaxCellNumber);
}

} // namespace

struct CGrid::CGrid_PD
{
    // Channels first..last take bit bits[f] for field f < 32.
    struct BitOrderRecord
    {
        int first = 0;
        int last = -1;
        int bits[s_nMemApiBits] = {};
    };
    // Rows r0..r1 and columns c0..c1, inclusive.
    struct CellRect
    {
        int r0, c0, r1, c1;
        bool contains(int row, int col) const
        {
            return row >= r0 && row <= r1 && col >= c0 && col <= c1;
        }
    };

    QPixmap ballSource;
    QPixmap ballImg;
    int groupIndexStart = 1;
    bool kbCursorActive = false;
    bool savedKbCursorActive = false;
    int cursorCol = -1;
    int cursorRow = -1;
    int prevCursorCol = -1;
    int prevCursorRow = -1;
    int pressCol = -1;
    int pressRow = -1;
    QVector<CCellProp> colProps = QVector<CCellProp>(kDefaultCount);
    QVector<CCellProp> rowProps = QVector<CCellProp>(kDefaultCount);
    bool sizesSet = false;
    QString cellWidths;
    QString cellHeights;
    QString gridWidths;
    QString gridHeights;
    int cursorThickness = kDefaultCursorThickness;
    GridOrientation orientation = ChannelsDown;
    QString bitOrder;
    QVector<BitOrderRecord> bitOrders;
    bool valueAsBitMask = false;
    int allFieldIndex = -1;
    TRange fieldRanges;
    TAddressList multiAddresses;
    QMap<int, int> offsets;
    QMap<int, int> altOffsets;
    quint16 altChannelThreshold = kNoAltChannelThreshold;
    QMap<int, int> swapForward;
    QMap<int, int> swapReverse;
    bool changed = false;
    bool mouseInside = false;
    bool autoUpdatePending = false;
    bool autoUpdates = false;
    bool cancelled = false;
    QString disabledRects;
    QVector<CellRect> disabledCells;
    QVector<QRect> disabledPixels;
    // The one address of a grid bound to a single named address.
    TAddressRecord singleAddress;
    TBackgroundPixmap picture;
    // Not children of the grid: binding a page again must not re-resolve them.
    std::vector<std::unique_ptr<CSimpleNotifier>> autoUpdaters;

    static const QRegularExpression s_regexCommaDelim;
    static const QRegularExpression s_regexSemicolonDelim;
    static const QRegularExpression s_regexColonDelim;
    static const QRegularExpression s_regexRect;
    static const QRegularExpression s_regexNumberPair;
    static const QRegularExpression s_regexWhitespace;
    static const QBrush s_brushDisabled;

    int offsetOf(int element, int channel, bool alt) const
    {
        if (!alt && channel >= altChannelThreshold && altOffsets.contains(element))
            return altOffsets.value(element);
        return offsets.value(element, 0);
    }
};

const QRegularExpression CGrid::CGrid_PD::s_regexCommaDelim(QStringLiteral("\\s*,\\s*"));
const QRegularExpression CGrid::CGrid_PD::s_regexSemicolonDelim(QStringLiteral("\\s*;\\s*"));
const QRegularExpression CGrid::CGrid_PD::s_regexColonDelim(QStringLiteral("\\s*:\\s*"));
const QRegularExpression CGrid::CGrid_PD::s_regexRect(
        QRegularExpression::anchoredPattern(QStringLiteral("\\(\\d+,\\d+,\\d+,\\d+\\)")));
const QRegularExpression CGrid::CGrid_PD::s_regexNumberPair(QStringLiteral("\\d+,\\d+"));
const QRegularExpression CGrid::CGrid_PD::s_regexWhitespace(QStringLiteral("\\s*"));
const QBrush CGrid::CGrid_PD::s_brushDisabled(QColor(200, 200, 200), Qt::SolidPattern);

CGrid::CGrid(QWidget *parent, const char *name)
    : QWidget(parent)
    , d(new CGrid_PD)
{
    if (name)
        setObjectName(QString::fromLatin1(name));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_StaticContents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    if (parent) {
        QPalette pal = palette();
        pal.setColor(QPalette::Window, parent->palette().color(QPalette::Window));
        setPalette(pal);
    }
    initDefaultStyle();
    initGridArea();
    TMemProxy::setNumDefaultKind(0);
    TMemProxy::setUndoEnable(false);
}

CGrid::~CGrid()
{
    disconnectMemAPI();
    releaseMemory();
}

// --- properties ------------------------------------------------------------------------------

QPixmap CGrid::ballImg() const
{
    return d->ballSource;
}

void CGrid::setBallImg(const QPixmap &image)
{
    if (image.cacheKey() == d->ballSource.cacheKey())
        return;
    d->ballSource = image;
    d->ballImg = image;
    if (!image.isNull())
        d->ballImg.setMask(image.createHeuristicMask());
    lookChanged();
}

int CGrid::horCount() const
{
    return rows();
}

void CGrid::setHorCount(int count)
{
    if (count < 0 || count == rows())
        return;
    d->rowProps.resize(count);
    if (!d->sizesSet)
        initDefaultStyle();
    initGridArea();
    if (isAttached())
        createAutoUpdaters();
    lookChanged();
}

int CGrid::verCount() const
{
    return cols();
}

void CGrid::setVerCount(int count)
{
    if (count < 0 || count == cols())
        return;
    d->colProps.resize(count);
    if (!d->sizesSet)
        initDefaultStyle();
    initGridArea();
    if (isAttached())
        createAutoUpdaters();
    lookChanged();
}

int CGrid::groupIndexStart() const
{
    return d->groupIndexStart;
}

void CGrid::setGroupIndexStart(int start)
{
    if (assignIfChanged(d->groupIndexStart, start))
        lookChanged();
}

QString CGrid::cellWidths() const
{
    return d->cellWidths;
}

void CGrid::setCellWidths(const QString &widths)
{
    applySizes(d->cellWidths, widths, true, &CCellProp::cellSize, kMinCellSize, kMaxCellSize,
               kDefaultCellSize);
}

QString CGrid::cellHeights() const
{
    return d->cellHeights;
}

void CGrid::setCellHeights(const QString &heights)
{
    applySizes(d->cellHeights, heights, false, &CCellProp::cellSize, kMinCellSize, kMaxCellSize,
               kDefaultCellSize);
}

QString CGrid::gridWidths() const
{
    return d->gridWidths;
}

void CGrid::setGridWidths(const QString &widths)
{
    applySizes(d->gridWidths, widths, true, &CCellProp::gridWidth, kMinGridWidth, kMaxGridWidth,
               kDefaultGridWidth);
}

QString CGrid::gridHeights() const
{
    return d->gridHeights;
}

void CGrid::setGridHeights(const QString &heights)
{
    applySizes(d->gridHeights, heights, false, &CCellProp::gridWidth, kMinGridWidth, kMaxGridWidth,
               kDefaultGridWidth);
}

QString CGrid::bitOrder() const
{
    return d->bitOrder;
}

void CGrid::setBitOrder(const QString &order)
{
    if (order == d->bitOrder)
        return;
    d->bitOrder = order;
    d->bitOrders.clear();
    QString compact = order;
    compact.remove(CGrid_PD::s_regexWhitespace);
    const QStringList entries = compact.split(CGrid_PD::s_regexSemicolonDelim, Qt::SkipEmptyParts);
    for (const QString &entry : entries) {
        const QStringList parts = entry.split(CGrid_PD::s_regexColonDelim);
        if (parts.size() != 2)
            continue;
        const QRegularExpressionMatch range =
                CGrid_PD::s_regexNumberPair.match(parts.at(0), 0, QRegularExpression::NormalMatch,
                                                  QRegularExpression::AnchorAtOffsetMatchOption);
        if (!range.hasMatch())
            continue;
        const QStringList ends = range.captured(0).split(QLatin1Char(','));
        CGrid_PD::BitOrderRecord record;
        record.first = NS_Utilities::atoiNumber(ends.at(0));
        record.last = NS_Utilities::atoiNumber(ends.at(1));
        for (int f = 0; f < s_nMemApiBits; ++f)
            record.bits[f] = f;
        if (!parts.at(1).isEmpty()) {
            const QStringList bits = parts.at(1).split(CGrid_PD::s_regexCommaDelim);
            const int listed = std::min<int>(s_nMemApiBits, int(bits.size()));
            for (int f = 0; f < listed; ++f)
                record.bits[f] = NS_Utilities::atoiNumber(bits.at(f));
        }
        d->bitOrders.append(record);
    }
    lookChanged();
}

QString CGrid::disabledRects() const
{
    return d->disabledRects;
}

void CGrid::setDisabledRects(const QString &rects)
{
    if (rects == d->disabledRects)
        return;
    d->disabledRects = rects;
    d->disabledCells.clear();
    d->disabledPixels.clear();
    const QStringList entries = rects.split(CGrid_PD::s_regexSemicolonDelim, Qt::SkipEmptyParts);
    for (QString entry : entries) {
        entry.remove(CGrid_PD::s_regexWhitespace);
        if (!CGrid_PD::s_regexRect.match(entry).hasMatch())
            continue;
        const QStringList numbers = entry.mid(1, entry.size() - 2).split(QLatin1Char(','));
        if (numbers.size() != 4)
            continue;
        const int x = clippedCellNumber(numbers.at(0));
        const int y = clippedCellNumber(numbers.at(1));
        const int w = clippedCellNumber(numbers.at(2));
        const int h = clippedCellNumber(numbers.at(3));
        d->disabledCells.append({y, x, y + h - 1, x + w - 1});
        // Computed once, from the sizes of now.
        d->disabledPixels.append(QRect(QPoint(cellLeft(x), cellTop(y)),
                                       QPoint(cellLeft(x + w) - 1, cellTop(y + h) - 1)));
    }
    lookChanged();
}

int CGrid::cursorThickness() const
{
    return d->cursorThickness;
}

void CGrid::setCursorThickness(const int thickness)
{
    if (thickness < kMinCursorThickness || thickness > kMaxCursorThickness)
        return;
    if (assignIfChanged(d->cursorThickness, thickness))
        lookChanged();
}

CGrid::GridOrientation CGrid::orientation() const
{
    return d->orientation;
}

void CGrid::setOrientation(const GridOrientation orientation)
{
    if (!assignIfChanged(d->orientation, orientation))
        return;
    if (isAttached())
        createAutoUpdaters();
    lookChanged();
}

bool CGrid::valueAsBitMask() const
{
    return d->valueAsBitMask;
}

void CGrid::setValueAsBitMask(bool on)
{
    if (assignIfChanged(d->valueAsBitMask, on))
        lookChanged();
}

int CGrid::allFieldIndex() const
{
    return d->allFieldIndex;
}

void CGrid::setAllFieldIndex(const int field)
{
    if (assignIfChanged(d->allFieldIndex, field))
        lookChanged();
}

bool CGrid::autoUpdates() const
{
    return d->autoUpdates;
}

void CGrid::setAutoUpdates(bool on)
{
    if (!assignIfChanged(d->autoUpdates, on))
        return;
    if (isAttached())
        createAutoUpdaters();
}

bool CGrid::changeOperationCancelled() const
{
    return d->cancelled;
}

void CGrid::setChangeOperationCancelled(bool cancelled)
{
    d->cancelled = cancelled;
}

// Stores the string, marks sizes as set and fills the column or row vector from it; a picture
// only when a size changed.
void CGrid::applySizes(QString &stored, const QString &text, bool columns, int CCellProp::*field,
                       int lo, int hi, int fallback)
{
    stored = text;
    d->sizesSet = true;
    QVector<CCellProp> &props = columns ? d->colProps : d->rowProps;
    QVector<CCellProp> sized = props;
    applySizeString(sized, text, field, lo, hi, fallback, CGrid_PD::s_regexCommaDelim);
    if (sized == props)
        return;
    props = sized;
    initGridArea();
    lookChanged();
}

// --- geometry --------------------------------------------------------------------------------

void CGrid::initDefaultStyle()
{
    for (int i = 0; i < d->colProps.size(); ++i)
        d->colProps[i] = {kDefaultCellSize, i % 2 == 0 ? kDefaultGridWidth : kWideGridWidth};
    for (CCellProp &p : d->rowProps)
        p = {kDefaultCellSize, kWideGridWidth};
}

void CGrid::initGridArea()
{
    resize(sizeHint());
    updateGeometry();
}

QSize CGrid::sizeHint() const
{
    return QSize(cols() > 0 ? cellRight(cols() - 1) : 0, rows() > 0 ? cellBottom(rows() - 1) : 0);
}

int CGrid::rows() const
{
    return int(d->rowProps.size());
}

int CGrid::cols() const
{
    return int(d->colProps.size());
}

int CGrid::channels() const
{
    return d->orientation == ChannelsDown ? rows() : cols();
}

int CGrid::fields() const
{
    return d->orientation == ChannelsDown ? cols() : rows();
}

int CGrid::getChannelIndex(int row, int col) const
{
    return d->orientation == ChannelsDown ? row : col;
}

int CGrid::getFieldIndex(int row, int col) const
{
    return d->orientation == ChannelsDown ? col : row;
}

int CGrid::getGridRow(int channel, int field) const
{
    return d->orientation == ChannelsDown ? channel : field;
}

int CGrid::getGridCol(int channel, int field) const
{
    return d->orientation == ChannelsDown ? field : channel;
}

int CGrid::cellWidth(int col) const
{
    return col >= 0 && col < cols() ? d->colProps.at(col).cellSize : 0;
}

int CGrid::cellHeight(int row) const
{
    return row >= 0 && row < rows() ? d->rowProps.at(row).cellSize : 0;
}

int CGrid::gridWidth(int col) const
{
    return col >= 0 && col < cols() ? d->colProps.at(col).gridWidth : 0;
}

int CGrid::gridHeight(int row) const
{
    return row >= 0 && row < rows() ? d->rowProps.at(row).gridWidth : 0;
}

void CGrid::setCellWidth(int col, int width)
{
    if (col < 0 || col >= cols() || width < kMinCellSize || width > kMaxCellSize)
        return;
    if (!assignIfChanged(d->colProps[col].cellSize, width))
        return;
    initGridArea();
    lookChanged();
}

void CGrid::setCellHeight(int row, int height)
{
    if (row < 0 || row >= rows() || height < kMinCellSize || height > kMaxCellSize)
        return;
    if (!assignIfChanged(d->rowProps[row].cellSize, height))
        return;
    initGridArea();
    lookChanged();
}

void CGrid::setGridWidth(int col, int width)
{
    if (col < 0 || col >= cols() || width < kMinGridWidth || width > kMaxGridWidth)
        return;
    if (!assignIfChanged(d->colProps[col].gridWidth, width))
        return;
    initGridArea();
    lookChanged();
}

void CGrid::setGridHeight(int row, int height)
{
    if (row < 0 || row >= rows() || height < kMinGridWidth || height > kMaxGridWidth)
        return;
    if (!assignIfChanged(d->rowProps[row].gridWidth, height))
        return;
    initGridArea();
    lookChanged();
}

int CGrid::cellLeft(int col) const
{
    const int n = std::clamp(col, 0, cols());
    int x = 0;
    for (int j = 0; j < n; ++j)
        x += d->colProps.at(j).cellSize + d->colProps.at(j).gridWidth;
    return x;
}

int CGrid::cellRight(int col) const
{
    return cellLeft(col) + cellWidth(col);
}

int CGrid::cellTop(int row) const
{
    const int n = std::clamp(row, 0, rows());
    int y = 0;
    for (int j = 0; j < n; ++j)
        y += d->rowProps.at(j).cellSize + d->rowProps.at(j).gridWidth;
    return y;
}

int CGrid::cellBottom(int row) const
{
    return cellTop(row) + cellHeight(row);
}

int CGrid::pixelToIndexX(int x) const
{
    int left = 0;
    for (int i = 0; i < cols(); ++i) {
        const CCellProp &p = d->colProps.at(i);
        if (left + p.cellSize > x)
            return i;
        left += p.cellSize + p.gridWidth;
    }
    return cols();
}

int CGrid::pixelToIndexY(int y) const
{
    int top = 0;
    for (int i = 0; i < rows(); ++i) {
        const CCellProp &p = d->rowProps.at(i);
        if (top + p.cellSize > y)
            return i;
        top += p.cellSize + p.gridWidth;
    }
    return rows();
}

QRect CGrid::index2PixelRect(int row, int col) const
{
    return QRect(QPoint(cellLeft(col), cellTop(row)),
                 QPoint(cellRight(col) - 1, cellBottom(row) - 1));
}

bool CGrid::cellInGrid(int row, int col) const
{
    return row >= 0 && row < rows() && col >= 0 && col < cols();
}

bool CGrid::isCellDisabled(int row, int col) const
{
    return std::any_of(d->disabledCells.cbegin(), d->disabledCells.cend(),
                       [=](const CGrid_PD::CellRect &r) { return r.contains(row, col); });
}

// --- fields, bits and addresses --------------------------------------------------------------

int CGrid::fieldToValue(int field) const
{
    return d->fieldRanges.lookupValue(quint16(field));
}

void CGrid::removeFieldRange(int from, int to)
{
    if (from < 0 || to > 0xFFFF || to < from)
        return;
    d->fieldRanges.removeRange(quint16(from), quint16(to));
    lookChanged();
}

quint32 CGrid::getMemApiBitMask(int channel, int field) const
{
    qint64 n = field;
    for (const CGrid_PD::BitOrderRecord &r : std::as_const(d->bitOrders)) {
        if (channel >= r.first && channel <= r.last) {
            if (field >= 0 && field < s_nMemApiBits)
                n = r.bits[field];
            break;
        }
    }
    const qint64 b = n + d->groupIndexStart - 1;
    if (b < 0 || b % kShiftWrap >= s_nMemApiBits)
        return 0;
    return quint32(1) << (b % kShiftWrap);
}

void CGrid::swapChannels(int a, int b, int c, int dd)
{
    d->swapForward.insert(a, c);
    d->swapForward.insert(c, a);
    d->swapReverse.insert(b, dd);
    d->swapReverse.insert(dd, b);
    lookChanged();
}

int CGrid::remapSwapValues(int value, bool forward) const
{
    const QMap<int, int> &map = forward ? d->swapForward : d->swapReverse;
    return map.value(value, value);
}

void CGrid::appendAddress(int element, int parameter, int channel, int offset, int altOffset)
{
    if (!memAPI())
        return;
    TAddressRecord r;
    r.element = qint16(element);
    r.channel = qint16(channel);
    r.parameter = qint16(parameter);
    d->multiAddresses.append(r);
    memAPI()->addObserver(this, IMemAPI::pack(element, parameter, channel), 0);
    d->offsets.insert(element, offset);
    if (altOffset > 0)
        d->altOffsets.insert(element, altOffset);
    lookChanged();
}

void CGrid::setAltChannelThreshold(unsigned short threshold)
{
    if (assignIfChanged(d->altChannelThreshold, threshold))
        lookChanged();
}

const TAddressRecord *CGrid::lookupAddress(int channel, int *index)
{
    int dummy;
    int &idx = index ? *index : dummy;
    idx = -1;
    const TAddressList &list = addressList();
    if (list.isEmpty()) {
        if (!address().isValid())
            return nullptr;
        d->singleAddress.element = qint16(element());
        d->singleAddress.channel = qint16(this->channel());
        d->singleAddress.parameter = qint16(parameter());
        idx = channel;
        return &d->singleAddress;
    }
    if (list.size() == 1) {
        idx = channel;
        return &list.at(0);
    }
    for (const TAddressRecord &r : list) {
        if (channel < r.first || channel >= r.first + r.count)
            continue;
        idx = channel - r.first;
        const int span = channels() - r.first;
        const int quotient = span != 0 ? r.count / span : 0;
        if (quotient != 0)
            idx *= quotient;
        return &r;
    }
    return nullptr;
}

int CGrid::valueAt(int row, int col, TParamInfo *info)
{
    IMemAPI *api = memAPI();
    if (!api || !api->isReady() || !cellInGrid(row, col))
        return 0;
    const int channel = getChannelIndex(row, col);
    const int field = getFieldIndex(row, col);
    const int v = fieldToValue(field);
    int e, p, c, value;
    bool on;
    if (d->multiAddresses.isEmpty()) {
        int index;
        const TAddressRecord *a = lookupAddress(channel, &index);
        if (!a || index < 0)
            return 0;
        e = a->element;
        p = a->parameter;
        c = index;
        value = api->getValue(e, p, c, 0, 0);
        on = d->valueAsBitMask ? (quint32(value) & getMemApiBitMask(channel, field)) != 0
                               : value == v + 1;
    } else {
        if (v >= d->multiAddresses.size())
            return 0;
        const TAddressRecord &a = d->multiAddresses.at(v);
        e = a.element;
        p = a.parameter;
        c = a.channel;
        value = api->getValue(e, p, c, 0, 0);
        on = value == remapSwapValues(channel, true) + d->offsetOf(e, channel, false);
    }
    if (info) {
        info->element = qint16(e);
        info->channel = qint16(c);
        info->parameter = qint16(p);
        info->value = value;
    }
    return on ? 1 : 0;
}

int CGrid::getValue(int channel, bool alt)
{
    IMemAPI *api = memAPI();
    if (!api || !api->isReady())
        return -1;
    int e, p, c;
    if (!d->multiAddresses.isEmpty()) {
        if (channel < 0 || channel >= d->multiAddresses.size())
            return -1;
        const TAddressRecord &a = d->multiAddresses.at(channel);
        e = a.element;
        p = a.parameter;
        c = a.channel;
    } else {
        int index;
        const TAddressRecord *a = lookupAddress(channel, &index);
        if (!a || index < 0)
            return -1;
        e = a->element;
        p = a->parameter;
        c = index;
    }
    return remapSwapValues(api->getValue(e, p, c, 0, 0), false) - d->offsetOf(e, channel, alt);
}

// --- writing ---------------------------------------------------------------------------------

// One undo step holding the parameter record of every cell, written before anything changes:
// the embedded memory writes the records it is handed, so they must still be current.
void CGrid::recordCells(const QVector<quint32> &cells)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QDataStream stream(&buffer);
        for (quint32 cell : cells)
            copyParameters(&stream, cell);
    }
    buffer.close();
    if (!buffer.data().isEmpty())
        memAPI()->applyParamInfo(&buffer);
}

void CGrid::connectionChange(int row, int col, bool recordUndo)
{
    IMemAPI *api = memAPI();
    if (!cellInGrid(row, col) || isCellDisabled(row, col) || !api || !api->isReady()
        || !NS_Utilities::mainThreadRunning())
        return;
    const int channel = getChannelIndex(row, col);
    const int field = getFieldIndex(row, col);
    const int v = fieldToValue(field);
    const bool isAllField = d->allFieldIndex >= 0 && v == d->allFieldIndex;
    int e, p, c, newValue;
    bool wasOn;
    if (d->multiAddresses.isEmpty()) {
        int index;
        const TAddressRecord *a = lookupAddress(channel, &index);
        if (!a || index < 0)
            return;
        e = a->element;
        p = a->parameter;
        c = index;
        quint32 current = quint32(api->getValue(e, p, c, 0, 0));
        if (d->valueAsBitMask) {
            const quint32 m = getMemApiBitMask(channel, field);
            if (d->allFieldIndex >= 0) {
                // "All" replaces every single connection, and a single one replaces "all".
                const quint32 all = getMemApiBitMask(channel, d->allFieldIndex);
                current = isAllField ? current & all : current & ~all;
            }
            wasOn = (current & m) != 0;
            newValue = int(current ^ m);
        } else {
            wasOn = int(current) > 0;
            newValue = int(current) == v + 1 ? 0 : v + 1;
        }
    } else {
        if (v >= d->multiAddresses.size())
            return;
        const TAddressRecord &a = d->multiAddresses.at(v);
        e = a.element;
        p = a.parameter;
        c = a.channel;
        const int current = api->getValue(e, p, c, 0, 0);
        const int s = remapSwapValues(channel, true);
        const int offset = d->offsetOf(e, channel, false);
        wasOn = current != 0;
        newValue = current != 0 && current - offset == s ? 0 : s + offset;
    }
    Q_EMIT aboutToChangeValue(this, channel, v, newValue);
    if (d->cancelled) {
        d->cancelled = false;
        return;
    }
    if (recordUndo)
        recordCells({packCell(row, col)});
    if (writeValueResult(e, p, c, newValue) < 0)
        return;
    d->changed = true;
    Q_EMIT patchUpdated(row, col, !wasOn);
    lookChanged();
}

void CGrid::setAllChannelsForField(const int field, const bool on)
{
    if (!memAPIReady() || !NS_Utilities::mainThreadRunning() || field < 0 || field >= fields()
        || !d->multiAddresses.isEmpty())
        return;
    QVector<quint32> cells;
    for (int channel = 0; channel < channels(); ++channel) {
        const int row = getGridRow(channel, field), col = getGridCol(channel, field);
        if (!isCellDisabled(row, col))
            cells.append(packCell(row, col));
    }
    recordCells(cells);
    for (quint32 cell : std::as_const(cells)) {
        const int row = int(cell >> 16), col = int(cell & 0xFFFF);
        const int channel = getChannelIndex(row, col);
        int index;
        const TAddressRecord *a = lookupAddress(channel, &index);
        if (!a || index < 0)
            continue;
        const quint32 m = getMemApiBitMask(channel, field);
        const quint32 current = quint32(memAPI()->getValue(a->element, a->parameter, index, 0, 0));
        writeValueResult(a->element, a->parameter, index, int(on ? current | m : current & ~m));
        Q_EMIT patchUpdated(row, col, on);
    }
    d->changed = true;
    lookChanged();
}

void CGrid::setAllFieldsForChannel(const int channel, const int on)
{
    if (!memAPIReady() || !NS_Utilities::mainThreadRunning() || channel < 0 || channel >= channels()
        || !d->multiAddresses.isEmpty())
        return;
    int index;
    const TAddressRecord *a = lookupAddress(channel, &index);
    if (!a || index < 0)
        return;
    writeValueResult(a->element, a->parameter, index, on ? -1 : 0);
    d->changed = true;
    for (int field = 0; field < fields(); ++field)
        Q_EMIT patchUpdated(getGridRow(channel, field), getGridCol(channel, field), on != 0);
    lookChanged();
}

void CGrid::clearAll()
{
    for (int channel = 0; channel < channels(); ++channel)
        setAllFieldsForChannel(channel, 0);
}

void CGrid::clearRow(int row)
{
    if (!memAPI() || row < 0 || row >= rows())
        return;
    QVector<quint32> cells;
    for (int col = 0; col < cols(); ++col)
        cells.append(packCell(row, col));
    recordCells(cells);
    // Each toggle changes the value the next cell reads.
    for (int col = 0; col < cols(); ++col) {
        if (valueAt(row, col))
            connectionChange(row, col, false);
    }
}

// --- binding ---------------------------------------------------------------------------------

QVector<quint32> CGrid::observedAddresses() const
{
    QVector<quint32> packed {packedAddress()};
    for (const TAddressRecord &a : std::as_const(d->multiAddresses))
        packed.append(IMemAPI::pack(a.element, a.parameter, a.channel));
    return packed;
}

bool CGrid::notificationsServable() const
{
    return isAttached() && memAPIReady();
}

bool CGrid::connectMemAPI()
{
    if (!TMemProxy::connectMemAPI())
        return false;
    createAutoUpdaters();
    initGridArea();
    lookChanged();
    return true;
}

void CGrid::disconnectMemAPI()
{
    d->autoUpdaters.clear();
    TMemProxy::disconnectMemAPI();
}

void CGrid::createAutoUpdaters()
{
    d->autoUpdaters.clear();
    if (!d->autoUpdates || !memAPIReady() || !d->multiAddresses.isEmpty())
        return;
    for (int channel = 0; channel < channels(); ++channel) {
        int index;
        const TAddressRecord *a = lookupAddress(channel, &index);
        if (!a || index < 0)
            continue;
        IMemAPI::TSingleAddress address;
        address.element = a->element;
        address.channel = qint16(index);
        address.parameter = a->parameter;
        std::unique_ptr<CSimpleNotifier> notifier(
                CSimpleNotifier::Create(memAPI(), nullptr, address, nullptr));
        if (!notifier)
            continue;
        connect(notifier.get(), SIGNAL(valueChanged(int)), this, "1onAutoUpdate()");
        d->autoUpdaters.push_back(std::move(notifier));
    }
}

void CGrid::updateFromMemory(const Q_UINT8 *data, int operation, Q_UINT32 extra)
{
    const int row = int(extra >> 16), col = int(extra & 0xFFFF);
    switch (operation) {
    case 0:
        if (d->autoUpdates)
            onAutoUpdate();
        else
            lookChanged();
        break;
    case 2: {
        TParamInfo info;
        valueAt(row, col, &info);
        if (!data || info.element < 0)
            break;
        const TParamInfoReader record(streamFromData(data));
        if (record.isValid())
            writeValueResult(info.element, info.parameter, info.channel, record.value());
        lookChanged();
        break;
    }
    case 3: {
        TParamInfo info;
        valueAt(row, col, &info);
        if (data && info.element >= 0)
            TParamInfoWriter(info, streamFromData(data));
        break;
    }
    default:
        break;
    }
}

void CGrid::onAutoUpdate()
{
    if (d->autoUpdatePending)
        return;
    d->autoUpdatePending = true;
    QTimer::singleShot(kAutoUpdateDelayMs, this, &CGrid::onUpdate);
}

void CGrid::onUpdate()
{
    d->autoUpdatePending = false;
    lookChanged();
}

// --- events ----------------------------------------------------------------------------------

void CGrid::lookChanged()
{
    d->picture.lookChanged(this);
}

int CGrid::repaintCount() const
{
    return d->picture.rebuildCount();
}

// A grid that is a window hears of its activation here; a grid inside one only through
// WindowActivate and WindowDeactivate, which Qt passes down to children (see event()).
void CGrid::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    switch (event->type()) {
    case QEvent::ActivationChange:
        if (isWindow())
            activationChanged(isActiveWindow());
        break;
    case QEvent::EnabledChange:
    case QEvent::PaletteChange:
        lookChanged();
        break;
    default:
        break;
    }
}

bool CGrid::event(QEvent *event)
{
    const bool handled = QWidget::event(event);
    if (!isWindow()
        && (event->type() == QEvent::WindowActivate || event->type() == QEvent::WindowDeactivate))
        activationChanged(event->type() == QEvent::WindowActivate);
    return handled;
}

void CGrid::activationChanged(bool active)
{
    if (!active) {
        d->savedKbCursorActive = d->kbCursorActive;
        d->kbCursorActive = false;
    } else {
        d->kbCursorActive = d->savedKbCursorActive;
        if (d->kbCursorActive && !d->mouseInside) {
            d->kbCursorActive = false;
            Q_EMIT cursorOff();
        }
    }
    lookChanged();
}

void CGrid::enterEvent(QEnterEvent *)
{
    d->mouseInside = true;
    lookChanged();
}

void CGrid::leaveEvent(QEvent *)
{
    d->mouseInside = false;
    Q_EMIT cursorOff();
    lookChanged();
}

void CGrid::moveCursor(int col, int row)
{
    d->prevCursorCol = d->cursorCol;
    d->prevCursorRow = d->cursorRow;
    d->cursorCol = col;
    d->cursorRow = row;
}

void CGrid::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    const int col = pixelToIndexX(pos.x()), row = pixelToIndexY(pos.y());
    if (col == d->cursorCol && row == d->cursorRow)
        return;
    moveCursor(col, row);
    Q_EMIT cursorMoved(col, row);
    lookChanged();
}

void CGrid::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    const QPoint pos = event->position().toPoint();
    d->pressCol = pixelToIndexX(pos.x());
    d->pressRow = pixelToIndexY(pos.y());
}

void CGrid::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mouseReleaseEvent(event);
    const QPoint pos = event->position().toPoint();
    const int col = pixelToIndexX(pos.x()), row = pixelToIndexY(pos.y());
    const bool same = col == d->pressCol && row == d->pressRow;
    d->pressCol = d->pressRow = -1;
    if (same)
        connectionChange(row, col, true);
}

void CGrid::moveKeyboardCursor(int dCol, int dRow)
{
    if (rows() == 0 || cols() == 0)
        return;
    const int col = std::clamp(d->cursorCol + dCol, 0, cols() - 1);
    const int row = std::clamp(d->cursorRow + dRow, 0, rows() - 1);
    moveCursor(col, row);
    d->kbCursorActive = true;
    Q_EMIT cursorMoved(col, row);
    Q_EMIT kbCursorMoved(col, row);
    lookChanged();
}

void CGrid::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Left:
        moveKeyboardCursor(-1, 0);
        break;
    case Qt::Key_Right:
        moveKeyboardCursor(1, 0);
        break;
    case Qt::Key_Up:
        moveKeyboardCursor(0, -1);
        break;
    case Qt::Key_Down:
        moveKeyboardCursor(0, 1);
        break;
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        connectionChange(d->cursorRow, d->cursorCol, true);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

// --- painting --------------------------------------------------------------------------------

void CGrid::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    d->picture.paint(painter, this, [this](QPainter &p) { repaintScreenPrimitive(p); });
}

void CGrid::repaintScreenPrimitive(QPainter &painter)
{
    const int w = width(), h = height();
    painter.fillRect(0, 0, w, h, Qt::white);
    painter.setPen(palette().color(QPalette::WindowText));
    for (const QRect &r : std::as_const(d->disabledPixels))
        painter.fillRect(r, CGrid_PD::s_brushDisabled);

    const int t = d->cursorThickness;
    if (d->mouseInside || d->kbCursorActive) {
        if (d->cursorRow >= 0 && d->cursorRow < rows())
            painter.fillRect(0, (cellTop(d->cursorRow) + cellBottom(d->cursorRow)) / 2 - t / 2, w,
                             t, Qt::red);
        if (d->cursorCol >= 0 && d->cursorCol < cols())
            painter.fillRect((cellLeft(d->cursorCol) + cellRight(d->cursorCol)) / 2 - t / 2, 0, t,
                             h, Qt::red);
    }

    int x = 0;
    for (const CCellProp &p : std::as_const(d->colProps)) {
        x += p.cellSize;
        painter.fillRect(x, 0, p.gridWidth, h, kGridLineColour);
        x += p.gridWidth;
    }
    int y = 0;
    for (const CCellProp &p : std::as_const(d->rowProps)) {
        y += p.cellSize;
        painter.fillRect(0, y, w, p.gridWidth, kGridLineColour);
        y += p.gridWidth;
    }

    if (!d->ballImg.isNull() && memAPIReady()) {
        const int bw = d->ballImg.width(), bh = d->ballImg.height();
        int top = 0;
        for (int row = 0; row < rows(); ++row) {
            const int bottom = top + d->rowProps.at(row).cellSize;
            int left = 0;
            for (int col = 0; col < cols(); ++col) {
                const int right = left + d->colProps.at(col).cellSize;
                if (!isCellDisabled(row, col) && valueAt(row, col))
                    painter.drawPixmap((left + right) / 2 - bw / 2, (top + bottom) / 2 - bh / 2,
                                       d->ballImg);
                left = right + d->colProps.at(col).gridWidth;
            }
            top = bottom + d->rowProps.at(row).gridWidth;
        }
    }
    d->changed = false;
}
