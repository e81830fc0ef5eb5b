#include "CPopup.h"

#include "CPopupItem.h"
#include "IConfirmUserAction.h"
#include "NS_Utilities.h"

#include <QFocusEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

namespace {

const QColor kDefaultButtonTextColor(165, 207, 211);
const QColor kGreyTextColor(128, 128, 128);
const QString kDisabledText = QStringLiteral("---");
constexpr int kDefaultColumns = 12;
constexpr int kDefaultCellMargin = 3;
constexpr int kDefaultCellSpacing = 1;
const QSize kDefaultLabelSize(37, 16);

// Saturation of a colour tinted towards the focus colour, in integer arithmetic.
int tintedSaturation(int s, int focusSaturation)
{
    return s * (255 - focusSaturation) / 255 + focusSaturation;
}

QColor tinted(const QColor &c, const QColor &focus)
{
    int h, s, v, fh, fs, fv;
    c.getHsv(&h, &s, &v);
    focus.getHsv(&fh, &fs, &fv);
    return QColor::fromHsv(fh, tintedSaturation(s, fs), v);
}

} // namespace

const QSize CPopup::smallBorder(6, 4);

// One per selector, never shared.
struct CPopup::CPopup_PD
{
    QPointer<CPopupItem> popupItem;
    QStringList labels;
    QColor buttonTextColor = kDefaultButtonTextColor;
    // Raw value (less the offset) of each list index, once an entry has been removed.
    std::unique_ptr<QVector<int>> mapping;
    int columnsCount = kDefaultColumns;
    QSize labelSize = kDefaultLabelSize;
    int cellMargin = kDefaultCellMargin;
    int cellSpacing = kDefaultCellSpacing;
    // The table id, or its bitwise complement once its names have been fetched.
    int tableId = 0;
    int current = -1;
    quint32 refCon = 0;
    QColor focusColor;
    bool enableFocusRect = false;
    NS_Utilities::IConfirmUserAction *confirm = nullptr;
    Qt::Alignment alignment = Qt::AlignCenter;
    // Raw value of list index 0.
    int valueOffset = 0;
    bool grouping = true;
    bool labelSizeToContents = false;
    int groupMatchCnt = 1;
    QString groupOverride;
    QVector<quint16> groupOverrideSizes;
    bool greyOnDisable = false;
};

CPopup::CPopup(QWidget *parent, const QString &name)
    : COnOffButton(parent)
    , d(std::make_unique<CPopup_PD>())
{
    keepLookPrivate();
    if (!name.isEmpty())
        setObjectName(name);
    // Picking writes the value; on/off clicks must not.
    disconnectAutomaticObserver();
    connect(this, &QAbstractButton::pressed, this, &CPopup::dynamicPopup);
    setFocusPolicy(Qt::NoFocus);
    setNumDefaultKind(0);
}

CPopup::~CPopup()
{
    if (d->popupItem) {
        // The window may outlive us (it hangs on our parent): it must not call back.
        d->popupItem->setPopupParent(nullptr);
        delete d->popupItem;
    }
    disconnectMemAPI();
}

// --- properties ---------------------------------------------------------------------------------

QString CPopup::labels() const
{
    return d->labels.join(QLatin1Char(';'));
}

QStringList CPopup::labelList() const
{
    return d->labels;
}

void CPopup::setLabels(const QString &text)
{
    if (text == labels())
        return;
    d->labels = text.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    updateLabelSize();
    if (isTextMode() && d->current >= 0)
        showText(labelAt(d->current));
}

int CPopup::columnsCount() const
{
    return d->columnsCount;
}

void CPopup::setColumnsCount(int columns)
{
    // A grid has at least one column.
    d->columnsCount = qMax(1, columns);
}

QSize CPopup::labelSize() const
{
    return d->labelSize;
}

void CPopup::setLabelSize(const QSize &size)
{
    d->labelSize = size;
}

int CPopup::cellMargin() const
{
    return d->cellMargin;
}

void CPopup::setCellMargin(int margin)
{
    d->cellMargin = margin;
}

int CPopup::cellSpacing() const
{
    return d->cellSpacing;
}

void CPopup::setCellSpacing(int spacing)
{
    d->cellSpacing = spacing;
}

int CPopup::tableId() const
{
    return d->tableId < 0 ? ~d->tableId : d->tableId;
}

void CPopup::setTableId(int id)
{
    if (id == d->tableId)
        return;
    // A new id is fetched on next use, also when it names the table fetched before.
    d->tableId = id;
}

QColor CPopup::buttonTextColor() const
{
    return d->buttonTextColor;
}

void CPopup::setButtonTextColor(const QColor &color)
{
    if (color == d->buttonTextColor)
        return;
    d->buttonTextColor = color;
    updateErasePixmapBridge();
}

bool CPopup::grouping() const
{
    return d->grouping;
}

void CPopup::setGrouping(bool on)
{
    d->grouping = on;
}

bool CPopup::labelSizeToContents() const
{
    return d->labelSizeToContents;
}

void CPopup::setLabelSizeToContents(bool on)
{
    d->labelSizeToContents = on;
    updateLabelSize();
}

QString CPopup::groupOverride() const
{
    return d->groupOverride;
}

void CPopup::setGroupOverride(const QString &text)
{
    if (text == d->groupOverride)
        return;
    d->groupOverride = text;
    d->groupOverrideSizes.clear();
    const QStringList pieces = text.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString &piece : pieces)
        d->groupOverrideSizes.append(quint16(piece.toInt(nullptr, 10)));
    // The sizes are kept parsed; the text reads back empty, so setting it again parses again.
    d->groupOverride = QLatin1String("");
}

QVector<quint16> CPopup::getGroupOverride() const
{
    return d->groupOverrideSizes;
}

int CPopup::groupMatchCnt() const
{
    return d->groupMatchCnt;
}

void CPopup::setgroupMatchCnt(int count)
{
    d->groupMatchCnt = count;
}

QColor CPopup::focusColor() const
{
    return d->focusColor;
}

void CPopup::setFocusColor(const QColor &color)
{
    setFocusPolicy(Qt::StrongFocus);
    d->focusColor = color;
}

Qt::Alignment CPopup::alignment() const
{
    return d->alignment;
}

void CPopup::setAlignment(int alignment)
{
    setAlignment(Qt::Alignment(alignment));
}

void CPopup::setAlignment(Qt::Alignment alignment)
{
    if (alignment == d->alignment)
        return;
    d->alignment = alignment;
    updateErasePixmapBridge();
}

bool CPopup::enableFocusRect() const
{
    return d->enableFocusRect;
}

void CPopup::setEnableFocusRect(bool on)
{
    setFocusPolicy(Qt::StrongFocus);
    d->enableFocusRect = on;
}

bool CPopup::greyOnDisable() const
{
    return d->greyOnDisable;
}

void CPopup::setGreyOnDisable(bool on)
{
    d->greyOnDisable = on;
}

void CPopup::setRefCon(unsigned int refCon)
{
    d->refCon = refCon;
}

unsigned int CPopup::refCon() const
{
    return d->refCon;
}

void CPopup::setUserConfirmAction(NS_Utilities::IConfirmUserAction *confirm)
{
    d->confirm = confirm;
}

CPopupItem *CPopup::PopupItem() const
{
    return d->popupItem;
}

void CPopup::updateLabelSize()
{
    if (!d->labelSizeToContents)
        return;
    const QFontMetrics metrics(font());
    QRect united;
    for (const QString &label : std::as_const(d->labels))
        united = united.united(metrics.boundingRect(label));
    if (united.width() > 0 && united.height() > 0)
        d->labelSize = united.size() + smallBorder;
}

// --- list and values ----------------------------------------------------------------------------

void CPopup::createDynamicStringList()
{
    Q_EMIT updateTableId(d->tableId);
    if (d->tableId < 1)
        return;
    mappingsDelete();
    if (IMemAPI *api = memAPI()) {
        // The memory appends the names: the table replaces the list.
        QStringList names;
        api->dynamicStringList(d->tableId, &names);
        d->labels = names;
        d->tableId = ~d->tableId;
        updateLabelSize();
    }
    Q_EMIT dynamicListCreated(this);
}

void CPopup::forceDynamicListRecreation(int)
{
    if (d->popupItem)
        d->popupItem->cancelClose();
    if (d->tableId < 0)
        d->tableId = ~d->tableId;
    createDynamicStringList();
    // Apply the selection again (which writes it, if writing is allowed).
    --d->current;
    setSelection(d->current + 1);
    updateErasePixmapBridge();
}

void CPopup::mappingsDelete()
{
    d->mapping.reset();
}

int CPopup::calculateValueFromIndex(int index) const
{
    if (index < 0 || index >= d->labels.size())
        index = 0;
    if (d->mapping)
        return index < d->mapping->size() ? d->mapping->at(index) : index;
    return index;
}

int CPopup::rawValueFromIndex(int index) const
{
    return calculateValueFromIndex(index) + d->valueOffset;
}

int CPopup::indexFromRawValue(int raw) const
{
    const int n = raw - d->valueOffset;
    return d->mapping ? int(d->mapping->indexOf(n)) : n;
}

int CPopup::valueOffset() const
{
    return d->valueOffset;
}

int CPopup::currentSelection() const
{
    return d->current;
}

QString CPopup::labelAt(int index) const
{
    if (d->labels.isEmpty())
        return QString();
    if (index < 0 || index >= d->labels.size())
        index = 0;
    return d->labels.at(index);
}

void CPopup::setSelection(int index)
{
    createDynamicStringList();
    if (index < 0 || index >= d->labels.size() || index == d->current)
        return;
    if (!isEnabled() && !d->greyOnDisable)
        return;
    d->current = index;
    if (isTextMode())
        showText(d->labels.at(index));
    writeValue(rawValueFromIndex(index));
    Q_EMIT selectionChanged(index);
    Q_EMIT selectionChanged(index, this);
}

void CPopup::setSelectionConfirm(int index)
{
    if (index == d->current)
        return;
    if (!d->confirm) {
        setSelection(index);
        return;
    }
    const auto valueOf = [this](int i) {
        if (!d->mapping)
            return i;
        return i >= 0 && i < d->mapping->size() ? d->mapping->at(i) : -1;
    };
    const int oldValue = valueOf(d->current);
    const int newValue = valueOf(index);
    if (oldValue == -1 || newValue == -1)
        return;
    // The host may delete the selector while it asks the user.
    QPointer<CPopup> self(this);
    const int veto = d->confirm->confirmUserAction(this, oldValue, newValue);
    if (veto == 0 && self)
        setSelection(index);
}

void CPopup::setSelectText(int value)
{
    setSelectText(value, true);
}

void CPopup::setSelectText(int value, bool useMapping)
{
    if (!isEnabled() && !d->greyOnDisable)
        return;
    d->current = useMapping && d->mapping ? int(d->mapping->indexOf(value)) : value;
    createDynamicStringList();
    if (isTextMode())
        showText(labelAt(d->current));
}

void CPopup::removeMenuEntry(int index)
{
    createDynamicStringList();
    if (index < 0 || index >= d->labels.size())
        return;
    if (!d->mapping) {
        d->mapping = std::make_unique<QVector<int>>();
        for (int i = 0; i < d->labels.size(); ++i)
            d->mapping->append(i);
    }
    // The remaining entries keep their raw values.
    if (d->mapping->contains(index) && index < d->mapping->size()) {
        d->mapping->removeAt(index);
        d->labels.removeAt(index);
    }
}

void CPopup::removeMenuRange(int first, int last)
{
    for (int i = last; i >= first; --i)
        removeMenuEntry(i);
    process(nullptr, 0, 1);
}

// --- binding ------------------------------------------------------------------------------------

void CPopup::updateFromMemory(const Q_UINT8 *data, int operation, Q_UINT32)
{
    const TMemReading r = readNotification(data, operation);
    if (!r.valid)
        return;
    // Defaults and pasted values go back to the memory through setSelection.
    const auto silent = silenced(operation);
    d->valueOffset = r.minimum;
    const int index = indexFromRawValue(r.value);
    setSelection(index);
    if (d->popupItem)
        d->popupItem->updateSelected(index);
}

// --- pop-up -------------------------------------------------------------------------------------

void CPopup::dynamicPopup()
{
    delete d->popupItem;
    createDynamicStringList();
    d->popupItem = new CPopupItem(this, d->labels, parentWidget());
    d->popupItem->setSelectedItem(d->current);
    d->popupItem->popup();
}

bool CPopup::cancel()
{
    if (!d->popupItem)
        return false;
    d->popupItem->cancelClose();
    return true;
}

void CPopup::mouseReleaseEvent(QMouseEvent *event)
{
    if (isEnabled())
        Q_EMIT closePopup();
    COnOffButton::mouseReleaseEvent(event);
}

// --- painting -----------------------------------------------------------------------------------

bool CPopup::isTextMode() const
{
    return nSubImages() < 1;
}

void CPopup::showText(const QString &text)
{
    setText(text);
    updateErasePixmapBridge();
}

void CPopup::updateErasePixmapBridge()
{
    markRepaintNeeded();
    updateErasePixmap();
    update();
}

void CPopup::updateErasePixmap()
{
    if (!isTextMode()) {
        COnOffButton::updateErasePixmap();
        return;
    }
    if (size().isEmpty()) {
        setErasePixmap(QPixmap());
        return;
    }
    QPixmap picture = NS_Utilities::devicePixmap(size(), devicePixelRatioF());
    QPainter painter(&picture);
    drawAll(&painter);
    setErasePixmap(picture);
}

void CPopup::repaintScreenPrimitive(QPainter &painter)
{
    if (isTextMode())
        drawAll(&painter);
    else
        COnOffButton::repaintScreenPrimitive(painter);
}

void CPopup::drawAll(QPainter *painter)
{
    QColor background = palette().color(backgroundRole());
    QColor textColor = d->buttonTextColor;
    const bool blanked = !isEnabled() && !d->greyOnDisable;
    if (!isEnabled() && d->greyOnDisable) {
        textColor = kGreyTextColor;
    } else if (d->focusColor.isValid() && hasFocus()) {
        background = tinted(background, d->focusColor);
        textColor = tinted(textColor, d->focusColor);
    }
    painter->fillRect(rect(), background);
    if (blanked) {
        // The placeholder stays readable, in the palette's disabled text colour.
        painter->setPen(palette().color(QPalette::Disabled, QPalette::ButtonText));
        painter->drawText(rect(), int(d->alignment), text());
        return;
    }
    painter->setPen(textColor);
    painter->drawText(rect(), int(d->alignment), text());
    if (hasFocus() && d->enableFocusRect) {
        painter->setPen(QPen(palette().color(QPalette::WindowText), 1, Qt::DotLine));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void CPopup::changeEvent(QEvent *event)
{
    COnOffButton::changeEvent(event);
    if (event->type() != QEvent::EnabledChange || !isTextMode())
        return;
    if (!isEnabled() && !d->greyOnDisable)
        showText(kDisabledText);
    else
        showText(labelAt(qMax(0, d->current)));
}

void CPopup::focusInEvent(QFocusEvent *event)
{
    COnOffButton::focusInEvent(event);
    updateErasePixmapBridge();
}

void CPopup::focusOutEvent(QFocusEvent *event)
{
    COnOffButton::focusOutEvent(event);
    updateErasePixmapBridge();
}

void CPopup::resizeEvent(QResizeEvent *event)
{
    COnOffButton::resizeEvent(event);
    if (isTextMode())
        updateErasePixmap();
}
