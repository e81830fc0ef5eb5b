#include "CPullDownMenu.h"

#include "CMenuObject.h"
#include "NS_Utilities.h"
#include "TBackgroundPixmap.h"
#include "TSetter.h"

#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMap>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {

const QColor kDisabledTextColor(128, 128, 128);
const QLatin1Char kSeparator(';');

// A number's canonical decimal text: what a sorted entry must read to keep a menu id.
QString canonicalNumber(const QString &entry)
{
    return QString::number(entry.toInt(nullptr, 10));
}

} // namespace

struct CPullDownMenu::Private
{
    QPixmap combinedImage;
    QStringList items;
    QStringList sortedTexts;
    int currentIndex = 0;
    int selectedItem = -1;
    CMenuObject *menu = nullptr;
    int nSubImages = 1;
    bool enableFocusRect = false;
    int valueOffset = 0;
    bool sorted = false;
    bool wantCheck = true;
    QMap<int, int> menuToMemory;
    QMap<int, int> memoryToMenu;
    TBackgroundPixmap picture;
};

CPullDownMenu::CPullDownMenu(QWidget *parent, const char *name)
    : QLabel(parent)
    , d(std::make_unique<Private>())
{
    if (name)
        setObjectName(QString::fromLatin1(name));
    d->menu = new CMenuObject(this, "popup");
    d->menu->hide();
    connect(d->menu, &QMenu::triggered, this,
            [this](QAction *action) { chooseFromMenu(CMenuObject::menuId(action)); });
    setNumDefaultKind(0);
    setUndoEnable(false);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

CPullDownMenu::~CPullDownMenu()
{
    d->menu->forgetOwner();
    delete d->menu;
    disconnectMemAPI();
}

// --- properties ---------------------------------------------------------------------------------

QPixmap CPullDownMenu::combinedImage() const
{
    return d->combinedImage;
}

void CPullDownMenu::setCombinedImage(const QPixmap &image)
{
    d->combinedImage = image;
    d->picture.invalidate();
    NS_Utilities::geometry_change(this);
}

QString CPullDownMenu::menuItemList() const
{
    return d->items.join(kSeparator);
}

int CPullDownMenu::nSubImages() const
{
    return d->nSubImages;
}

void CPullDownMenu::setnSubImages(int count)
{
    if (!assignIfChanged(d->nSubImages, qMax(1, count)))
        return;
    updateDimensions();
    d->picture.lookChanged(this);
}

bool CPullDownMenu::enableFocusRect() const
{
    return d->enableFocusRect;
}

void CPullDownMenu::setEnableFocusRect(bool on)
{
    setFocusPolicy(Qt::StrongFocus);
    // Whatever the flag, the focus comes back when the menu goes.
    connect(d->menu, &QMenu::aboutToHide, this, qOverload<>(&QWidget::setFocus),
            Qt::UniqueConnection);
    if (assignIfChanged(d->enableFocusRect, on))
        d->picture.lookChanged(this);
}

bool CPullDownMenu::sorted() const
{
    return d->sorted;
}

void CPullDownMenu::setSorted(bool on)
{
    d->sorted = on;
}

bool CPullDownMenu::wantCheck() const
{
    return d->wantCheck;
}

void CPullDownMenu::setWantCheck(bool on)
{
    d->wantCheck = on;
    updateCheck(d->currentIndex);
}

int CPullDownMenu::currentIndex() const
{
    return d->currentIndex;
}

int CPullDownMenu::selectedItem() const
{
    return d->selectedItem;
}

int CPullDownMenu::items() const
{
    return d->items.size();
}

int CPullDownMenu::valueOffset() const
{
    return d->valueOffset;
}

int CPullDownMenu::menuToMemapi(int id) const
{
    if (id == -1)
        return id;
    return d->menuToMemory.value(id, id);
}

int CPullDownMenu::memapiToMenu(int position) const
{
    if (position == -1)
        return position;
    return d->memoryToMenu.value(position, position);
}

QString CPullDownMenu::menuText(int id) const
{
    const QStringList &texts = d->sorted ? d->sortedTexts : d->items;
    return id >= 0 && id < texts.size() ? texts.at(id) : QString();
}

CMenuObject *CPullDownMenu::menu() const
{
    return d->menu;
}

int CPullDownMenu::pictureRebuildCount() const
{
    return d->picture.rebuildCount();
}

bool CPullDownMenu::isImageMode() const
{
    return !d->combinedImage.isNull();
}

// --- the list -----------------------------------------------------------------------------------

void CPullDownMenu::setMenuItemList(const QString &text)
{
    if (text == menuItemList())
        return;
    const QStringList entries = NS_Utilities::splitList(text, kSeparator);
    if (entries.isEmpty())
        return;

    d->menu->clear();
    d->menuToMemory.clear();
    d->memoryToMenu.clear();
    d->sortedTexts.clear();
    d->items = entries;
    if (d->sorted) {
        QList<int> numbers;
        for (const QString &e : entries)
            numbers.append(e.toInt(nullptr, 10));
        std::sort(numbers.begin(), numbers.end());
        for (int n : qAsConst(numbers))
            d->sortedTexts.append(QString::number(n));
    }

    // Entries are listed by menu id; sorted entries that are no canonical number (id -1) last.
    struct Entry
    {
        int id;
        int position;
    };
    QList<Entry> listed;
    for (int i = 0; i < entries.size(); ++i) {
        int id = i;
        if (d->sorted)
            id = canonicalNumber(entries.at(i)) == entries.at(i)
                    ? int(d->sortedTexts.indexOf(entries.at(i)))
                    : -1;
        listed.append({id, i});
        // Equal numbers share an id; the map keeps the last of them.
        d->menuToMemory.insert(id, i);
        d->memoryToMenu.insert(i, id);
    }
    std::stable_sort(listed.begin(), listed.end(), [](const Entry &a, const Entry &b) {
        return unsigned(a.id) < unsigned(b.id);
    });
    for (const Entry &e : qAsConst(listed)) {
        QString shown = entries.at(e.position);
        // A lone "&" would form an accelerator.
        shown.replace(QLatin1Char('&'), QLatin1String("&&"));
        d->menu->insertItem(shown, e.id);
    }

    if (!isAttached() || !memAPIReady()) {
        changedTheMenu(0);
    } else {
        double maximum = 0;
        double minimum = 0;
        double step = 0;
        bool valid = true;
        getInformation(&maximum, &minimum, &step, &valid);
        d->valueOffset = int(minimum);
        const auto silent = silenced();
        showRawValue(memAPI()->getValue(element(), parameter(), channel(), 0, 0));
    }
    d->picture.lookChanged(this);
}

bool CPullDownMenu::showRawValue(int raw)
{
    const int position = raw - d->valueOffset;
    if (position < 0 || position >= d->items.size())
        return false;
    const int id = memapiToMenu(position);
    if (id < 0 || id >= d->items.size())
        return false;
    changedTheMenu(id);
    return true;
}

void CPullDownMenu::changedTheMenu(int id)
{
    // Entries without an id (sorted, not a number) choose nothing.
    if (id < 0)
        return;
    d->selectedItem = id;
    updateCheck(id);
    setCurrentImage(id);
}

void CPullDownMenu::chooseFromMenu(int id)
{
    // With nothing shown (the memory held no entry's value), the entry at the current index is
    // still a new choice: changedTheMenu() alone would take it for the one already shown.
    const bool sameIndexUnshown = d->selectedItem < 0 && id == d->currentIndex;
    changedTheMenu(id);
    if (sameIndexUnshown && id >= 0 && !isImageMode()) {
        writeIndex(id);
        d->picture.lookChanged(this);
        Q_EMIT valueChanged(d->currentIndex);
    }
}

void CPullDownMenu::updateCheck(int id)
{
    for (QAction *action : d->menu->actions())
        action->setChecked(d->wantCheck && id >= 0 && CMenuObject::menuId(action) == id);
}

// --- the index ----------------------------------------------------------------------------------

void CPullDownMenu::setCurrentImage(int index)
{
    if (index < 0)
        return;
    if (isImageMode()) {
        if (index >= d->nSubImages || index == d->currentIndex)
            return;
        d->currentIndex = index;
    } else {
        if (index >= d->items.size())
            return;
        if (index == d->currentIndex && d->selectedItem >= 0)
            return;
        d->currentIndex = index;
        d->selectedItem = index;
    }
    writeIndex(index);
    updateDimensions();
    d->picture.lookChanged(this);
    Q_EMIT valueChanged(d->currentIndex);
}

void CPullDownMenu::writeIndex(int index)
{
    if (isAttached())
        writeValue(d->valueOffset + menuToMemapi(index));
}

void CPullDownMenu::stepTo(int index)
{
    setCurrentImage(index);
    if (index >= 0 && index < qMax(d->nSubImages, int(d->items.size())))
        updateCheck(index);
}

void CPullDownMenu::toggleImage()
{
    stepTo((d->currentIndex + 1) % d->nSubImages);
}

void CPullDownMenu::incMenu()
{
    stepTo(qMin(d->currentIndex + 1, d->nSubImages - 1));
}

void CPullDownMenu::decMenu()
{
    stepTo(qMax(d->currentIndex - 1, 0));
}

void CPullDownMenu::indexChanged(int position)
{
    if (position >= 0 && position < d->items.size())
        stepTo(position);
}

void CPullDownMenu::adjustParams()
{
    setCurrentImage(0);
}

void CPullDownMenu::updateDimensions()
{
    if (!isImageMode())
        return;
    const QSize strip = d->combinedImage.size();
    setFixedWidth(strip.width());
    setFixedHeight(d->nSubImages > 1 ? strip.height() / d->nSubImages : strip.height());
}

// --- the memory ---------------------------------------------------------------------------------

bool CPullDownMenu::connectMemAPI()
{
    return TMemProxy::connectMemAPI();
}

void CPullDownMenu::updateFromMemory(const Q_UINT8 *data, int operation, Q_UINT32)
{
    const TMemReading r = readNotification(data, operation);
    if (!r.valid)
        return;
    // Values outside the entries are ignored; a value shown is never written back.
    const auto silent = silenced();
    showRawValue(r.value);
}

// --- painting and input -------------------------------------------------------------------------

void CPullDownMenu::repaintScreenPrimitive(QPainter &painter)
{
    if (isImageMode()) {
        NS_Utilities::drawPartialPixmap(painter, QPoint(0, d->currentIndex), d->combinedImage,
                                        QSize(1, d->nSubImages));
    } else if (d->selectedItem >= 0) {
        painter.setPen(isEnabled() ? palette().color(foregroundRole()) : kDisabledTextColor);
        painter.setFont(font());
        painter.drawText(rect(), Qt::AlignCenter, menuText(d->selectedItem));
    }
    if (hasFocus() && d->enableFocusRect) {
        // The dotted rectangle of the Windows look, whatever the style.
        painter.setPen(QPen(palette().color(foregroundRole()), 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void CPullDownMenu::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    d->picture.paint(painter, this, [this](QPainter &p) { repaintScreenPrimitive(p); });
}

void CPullDownMenu::changeEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::EnabledChange:
    case QEvent::PaletteChange:
    case QEvent::FontChange:
    case QEvent::StyleChange:
        d->picture.lookChanged(this);
        break;
    default:
        break;
    }
    QLabel::changeEvent(event);
}

void CPullDownMenu::resizeEvent(QResizeEvent *event)
{
    d->picture.lookChanged(this);
    QLabel::resizeEvent(event);
}

void CPullDownMenu::focusInEvent(QFocusEvent *event)
{
    d->picture.lookChanged(this);
    QLabel::focusInEvent(event);
}

void CPullDownMenu::focusOutEvent(QFocusEvent *event)
{
    d->picture.lookChanged(this);
    QLabel::focusOutEvent(event);
}

void CPullDownMenu::popup()
{
    d->menu->popup(this);
}

void CPullDownMenu::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        popup();
}

void CPullDownMenu::keyPressEvent(QKeyEvent *event)
{
    const bool opens = event->key() == Qt::Key_Space || event->key() == Qt::Key_Return;
    if (opens && hasFocus() && d->enableFocusRect)
        popup();
}
