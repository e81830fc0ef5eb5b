#include "COnOffButton.h"

#include "COnOffButton_p.h"
#include "TBackgroundPixmap.h"
#include "CSimpleNotifier.h"
#include "NS_Utilities.h"
#include "TCacheServer.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

namespace {

constexpr int kStateOn = 2;
constexpr int kStateOff = 0;
// Rows of the strip, from the top.
constexpr int kRowOn = 0;
constexpr int kRowOff = 1;
constexpr int kRowTracking = 2;
// Keys of this length or shorter are too generic to share a look under.
constexpr int kMinSharedKeyLength = 3;

} // namespace

struct COnOffButton::Private
{
    COnOffButton_PD *record = nullptr;
    QPointer<CSimpleNotifier> selection;
    // The Qt pixmap property: the base the state images are drawn on.
    QPixmap pixmap;
    // The picture paintEvent blits (Qt 3's fixed background pixmap).
    // What paintEvent blits: a state pixmap of the look record, or the greyed picture.
    TBackgroundPixmap picture;
    quint16 currentCategory = 0;
    bool recordInCache : 1;
    bool pressed : 1;
    bool repaintNeeded : 1;
    // Forms name widgets after construction; until polish the record key follows the name.
    bool keyFollowsName : 1;

    Private()
        : recordInCache(false)
        , pressed(false)
        , repaintNeeded(true)
        , keyFollowsName(true)
    {
    }
};

COnOffButton::COnOffButton(QWidget *parent, const QString &name)
    : QPushButton(parent)
    , d(std::make_unique<Private>())
{
    d->record = new COnOffButton_PD;
    if (!name.isEmpty()) {
        setObjectName(name);
        d->record->key = name;
    }
    setCheckable(true);
    TMemProxy::setNumDefaultKind(0);

    connect(this, &QAbstractButton::toggled, this,
            [this](bool on) { Q_EMIT stateChanged(on ? kStateOn : kStateOff); });
    connect(this, SIGNAL(stateChanged(int)), this, SLOT(handleStateChanged(int)));
    connect(this, &QObject::objectNameChanged, this, [this](const QString &objectName) {
        if (d->keyFollowsName && !d->recordInCache && d->record->refCount == 0
            && !testAttribute(Qt::WA_WState_Polished))
            d->record->key = objectName.isEmpty() ? QString() : objectName;
    });
}

COnOffButton::~COnOffButton()
{
    disconnectMemAPI();
    // A record the cache holds belongs to the cache, and other buttons may still draw from it.
    if (!d->recordInCache)
        delete d->record;
}

COnOffButton::COnOffButton_PD *COnOffButton::record() const
{
    return d->record;
}

const COnOffButton::COnOffButton_PD *COnOffButton::lookRecord() const
{
    return d->record;
}

bool COnOffButton::lookRecordCached() const
{
    return d->recordInCache;
}

// --- properties ---------------------------------------------------------------------------------

bool COnOffButton::invertedLogic() const
{
    return d->record->invertedLogic;
}

void COnOffButton::setInvertedLogic(bool on)
{
    if (on == bool(d->record->invertedLogic))
        return;
    d->record->invertedLogic = on;
    // The same value now shows the other state.
    if (notificationsServable())
        refreshFromMemory();
    markRepaintNeeded();
    update();
}

int COnOffButton::boolClipValue() const
{
    return d->record->boolClipValue;
}

void COnOffButton::setBoolClipValue(int clip)
{
    d->record->boolClipValue = clip;
}

bool COnOffButton::hasOffState() const
{
    return d->record->hasOffState;
}

void COnOffButton::setHasOffState(bool on)
{
    d->record->hasOffState = on;
}

void COnOffButton::setDisabledUI(bool on)
{
    if (on == TMemProxy::disabledUI())
        return;
    TMemProxy::setDisabledUI(on);
    updateErasePixmap();
    update();
}

bool COnOffButton::disableAutoHide()
{
    return d->record->disableAutoHide;
}

void COnOffButton::setDisableAutoHide(bool on)
{
    d->record->disableAutoHide = on;
}

bool COnOffButton::hasDisableImage() const
{
    return d->record->hasDisableImage;
}

void COnOffButton::setHasDisableImage(bool on)
{
    if (on == bool(d->record->hasDisableImage))
        return;
    d->record->hasDisableImage = on;
    markRepaintNeeded();
}

bool COnOffButton::useTrackingImage() const
{
    return d->record->useTrackingImage;
}

void COnOffButton::setUseTrackingImage(bool on)
{
    if (on == bool(d->record->useTrackingImage))
        return;
    d->record->useTrackingImage = on;
    markRepaintNeeded();
}

COnOffButton::TOnOffStateTrigger COnOffButton::onStateTrigger() const
{
    return d->record->onStateTrigger;
}

void COnOffButton::setOnStateTrigger(const TOnOffStateTrigger trigger)
{
    d->record->onStateTrigger = trigger;
}

COnOffButton::TOnOffStateTrigger COnOffButton::offStateTrigger() const
{
    return d->record->offStateTrigger;
}

void COnOffButton::setOffStateTrigger(const TOnOffStateTrigger trigger)
{
    d->record->offStateTrigger = trigger;
}

QPixmap COnOffButton::combinedImage() const
{
    return d->record->combinedImage;
}

void COnOffButton::setCombinedImage(const QPixmap &strip)
{
    d->record->combinedImage = strip;
    markRepaintNeeded();
    if (isVisible())
        update();
}

int COnOffButton::nSubImages() const
{
    return d->record->nSubImages;
}

void COnOffButton::setnSubImages(int count)
{
    const quint8 n = quint8(qBound(0, count, 255));
    if (n == d->record->nSubImages)
        return;
    d->record->nSubImages = n;
    markRepaintNeeded();
}

int COnOffButton::nImageCategories() const
{
    return d->record->nImageCategories;
}

void COnOffButton::setnImageCategories(int count)
{
    // A strip has at least one column.
    const quint8 n = quint8(qBound(1, count, 255));
    if (n == d->record->nImageCategories)
        return;
    d->record->nImageCategories = n;
    markRepaintNeeded();
}

QColor COnOffButton::focusColor() const
{
    return QColor();
}

void COnOffButton::setFocusColor(const QColor &) { }

QPixmap COnOffButton::pixmap() const
{
    return d->pixmap;
}

void COnOffButton::setPixmap(const QPixmap &pixmap)
{
    d->pixmap = pixmap;
    markRepaintNeeded();
}

bool COnOffButton::imagesSwapped() const
{
    return d->record->imagesSwapped;
}

void COnOffButton::setimagesSwapped(bool on)
{
    if (on == bool(d->record->imagesSwapped))
        return;
    d->record->imagesSwapped = on;
    markRepaintNeeded();
    updateErasePixmap();
    update();
}

int COnOffButton::currentImage() const
{
    return d->currentCategory;
}

void COnOffButton::setCurrentImage(int category)
{
    if (category < 0 || category >= d->record->nImageCategories)
        return;
    d->currentCategory = quint16(category);
    reloadImage();
    markRepaintNeeded();
    updateErasePixmap();
    update();
}

void COnOffButton::setClicked(bool pressed)
{
    d->pressed = pressed;
    markRepaintNeeded();
}

bool COnOffButton::isClicked() const
{
    return d->pressed;
}

void COnOffButton::markRepaintNeeded()
{
    d->repaintNeeded = true;
}

void COnOffButton::keepLookPrivate()
{
    d->keyFollowsName = false;
    if (!d->recordInCache)
        d->record->key = QString();
}

void COnOffButton::setSelectionObject(CSimpleNotifier *selection)
{
    d->selection = selection;
}

CSimpleNotifier *COnOffButton::selectionObject() const
{
    return d->selection;
}

void COnOffButton::disconnectAutomaticObserver()
{
    disconnect(this, nullptr, this, SLOT(handleStateChanged(int)));
}

// --- raw value and state ------------------------------------------------------------------------

int COnOffButton::onValue() const
{
    const int clip = d->record->boolClipValue;
    return clip != 0 ? clip - 1 : 1;
}

bool COnOffButton::isOnValue(int raw) const
{
    return (raw == onValue()) != bool(d->record->invertedLogic);
}

int COnOffButton::rawValueForState(bool on) const
{
    if (d->record->invertedLogic)
        on = !on;
    return on ? onValue() : 0;
}

bool COnOffButton::readCurrentValue(int *value) const
{
    if (d->selection) {
        *value = d->selection->value();
        return true;
    }
    if (memAPIReady() && address().isValid()) {
        *value = memAPI()->getValue(element(), parameter(), channel(), 0, 0);
        return true;
    }
    return false;
}

void COnOffButton::writeRawValue(int value)
{
    // A selection object stands in for the memory while it is set.
    if (!d->selection)
        writeValue(value);
    else if (!isSilent())
        d->selection->setValue(value);
}

void COnOffButton::handleStateChanged(int state)
{
    if (!NS_Utilities::mainThreadRunning() || !memAPI())
        return;
    const bool on = state == kStateOn;
    const int value = rawValueForState(on);
    // A selection button (clip set, no off state) does not write the off value.
    const bool selectionOff =
            !on && value == 0 && d->record->boolClipValue != 0 && !d->record->hasOffState;
    if (!selectionOff)
        writeRawValue(value);
    markRepaintNeeded();
    updateErasePixmap();
    update();
}

void COnOffButton::setNonBoolValue(int v)
{
    if (!NS_Utilities::mainThreadRunning())
        return;
    const auto silent = silenced();
    showState(isOnValue(v), false);
}

// --- binding ------------------------------------------------------------------------------------

bool COnOffButton::notificationsServable() const
{
    return d->selection || memAPIReady();
}

void COnOffButton::updateFromMemory(const Q_UINT8 *data, int operation, Q_UINT32 extra)
{
    // With a selection object, its address is the one read from.
    const TMemReading r = readNotification(data, operation, d->selection.data());
    if (operation <= 2)
        handleProcessChange(operation, isOnValue(r.value), extra != 0);
}

void COnOffButton::handleProcessChange(int operation, bool on, bool force)
{
    if (operation >= 3)
        return;
    const auto silent = silenced(operation);
    showState(on, force);
}

void COnOffButton::showState(bool on, bool force)
{
    if (force || !hasErasePixmap())
        updateErasePixmap();
    if (on != isChecked()) {
        markRepaintNeeded();
        setChecked(on);
    }
}

// --- look record and images ---------------------------------------------------------------------

void COnOffButton::joinLookCache()
{
    COnOffButton_PD *own = d->record;
    if (d->recordInCache || own->refCount != 0 || own->key.length() <= kMinSharedKeyLength)
        return;
    // A record whose image category changes at run time must stay private.
    TCacheServer *server = own->nImageCategories == 1 ? TCacheServer::serverFor(this) : nullptr;
    if (server) {
        // Another widget kind may use the same object name; its record cannot serve a button.
        TCachedData *stored = server->record(own->key);
        if (stored && !dynamic_cast<COnOffButton_PD *>(stored))
            server = nullptr;
    }
    if (!server) {
        own->key = QString();
        return;
    }
    d->recordInCache = true;
    // insert() may delete our record in favour of the stored one.
    d->record = static_cast<COnOffButton_PD *>(server->insert(own->key, own));
}

void COnOffButton::reloadImage()
{
    COnOffButton_PD *rec = d->record;
    // Later users of a shared record take its pixmaps as they stand.
    if (rec->nSubImages == 0 || rec->refCount >= 2 || rec->combinedImage.isNull())
        return;
    cutFrames(d->currentCategory);
}

void COnOffButton::cutFrames(int category)
{
    COnOffButton_PD *rec = d->record;
    const QPixmap strip = rec->combinedImage;
    const int rows = rec->nSubImages;
    const QSize grid(qMax<int>(1, rec->nImageCategories), rows);
    // Logical pixels: a high-resolution strip gives frames of the same size, at its resolution.
    const QSize stripSize = NS_Utilities::logicalSize(strip);
    const int frameH = stripSize.height() / rows;
    const int frameW = stripSize.width() / grid.width();
    if (frameW <= 0 || frameH <= 0)
        return;

    QSize size(frameW, frameH);
    if (!d->pixmap.isNull())
        size = size.expandedTo(NS_Utilities::logicalSize(d->pixmap));
    setFixedSize(size);

    QPixmap base =
            NS_Utilities::devicePixmap(size, qMax(strip.devicePixelRatio(), devicePixelRatioF()));
    if (!d->pixmap.isNull()) {
        QPainter p(&base);
        p.drawPixmap(0, 0, d->pixmap);
    }
    const int dx = (size.width() - frameW) / 2;
    const int dy = (size.height() - frameH) / 2;
    const auto drawRow = [&](QPixmap *target, int row) {
        QPainter p(target);
        NS_Utilities::drawPartialPixmap(p, QPoint(category, row), strip, grid, QPoint(dx, dy));
    };

    rec->onImage = base;
    drawRow(&rec->onImage, kRowOn);
    rec->offImage = base;
    drawRow(&rec->offImage, kRowOff);
    if (rows < 3) {
        rec->trackingImage = rec->imagesSwapped ? rec->offImage : rec->onImage;
    } else {
        rec->trackingImage = base;
        drawRow(&rec->trackingImage, kRowTracking);
    }
    rec->disabledImage = rec->onImage;
    if (rec->hasDisableImage || rows == 4)
        drawRow(&rec->disabledImage, rows - 1);
    ++rec->frameCuts;

    // A one-column strip is not needed again.
    if (rec->nImageCategories <= 1)
        rec->combinedImage = QPixmap();
}

bool COnOffButton::blinkingMode() const
{
    return false;
}

void COnOffButton::doBlink()
{
    if (!blinkingMode() || d->pressed)
        return;
    markRepaintNeeded();
    updateErasePixmap();
    update();
}

void COnOffButton::connectBlinkTimer(bool on)
{
    QObject *timer = memAPI() ? memAPI()->blinkPhase(nullptr, 0) : nullptr;
    if (!timer)
        return;
    if (on)
        connect(timer, SIGNAL(timeout()), this, SLOT(doBlink()), Qt::UniqueConnection);
    else
        disconnect(timer, SIGNAL(timeout()), this, SLOT(doBlink()));
}

namespace {

// The on or off image of a state, as the swap flag wants it.
QPixmap stateImage(const COnOffButton::COnOffButton_PD *rec, bool on)
{
    if (rec->imagesSwapped)
        on = !on;
    return on ? rec->onImage : rec->offImage;
}

} // namespace

QPixmap COnOffButton::staticPixmap()
{
    const COnOffButton_PD *rec = d->record;
    if (!d->pressed && blinkingMode()) {
        int phase = 0;
        if (memAPI())
            memAPI()->blinkPhase(&phase, 0);
        return stateImage(rec, phase != 0);
    }
    if (!isEnabled() && !rec->disabledImage.isNull())
        return rec->disabledImage;
    if (d->pressed && rec->useTrackingImage)
        return rec->trackingImage;
    return stateImage(rec, isChecked());
}

void COnOffButton::repaintScreenPrimitive(QPainter &painter)
{
    const COnOffButton_PD *rec = d->record;
    if (!rec->hasDisableImage && !isEnabled()) {
        const QPixmap image = stateImage(rec, isChecked());
        if (!image.isNull())
            painter.drawPixmap(0, 0, NS_Utilities::applyGreyTransformation(image));
        return;
    }
    const QPixmap image = staticPixmap();
    if (!image.isNull())
        painter.drawPixmap(0, 0, image);
}

void COnOffButton::updateErasePixmap()
{
    const COnOffButton_PD *rec = d->record;
    if (!rec->hasDisableImage && !isEnabled()) {
        if (stateImage(rec, isChecked()).isNull()) {
            d->picture.setPixmap(QPixmap());
            return;
        }
        d->picture.invalidate();
        d->picture.pixmap(
                this, [this](QPainter &p) { repaintScreenPrimitive(p); }, true);
        return;
    }
    d->picture.setPixmap(staticPixmap());
}

void COnOffButton::updateErasePixmapSlot()
{
    updateErasePixmap();
    update();
}

void COnOffButton::setErasePixmap(const QPixmap &pixmap)
{
    d->picture.setPixmap(pixmap);
}

bool COnOffButton::hasErasePixmap() const
{
    return d->picture.isValid();
}

// --- events -------------------------------------------------------------------------------------

bool COnOffButton::event(QEvent *event)
{
    if (event->type() != QEvent::Polish)
        return QPushButton::event(event);
    const bool handled = QPushButton::event(event);
    polishLook();
    return handled;
}

void COnOffButton::polishLook()
{
    joinLookCache();
    reloadImage();
    updateErasePixmap();
}

void COnOffButton::changeEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::ActivationChange:
        // Window activation changes nothing in the picture.
        return;
    case QEvent::EnabledChange:
        QPushButton::changeEvent(event);
        markRepaintNeeded();
        updateErasePixmap();
        update();
        return;
    default:
        QPushButton::changeEvent(event);
    }
}

bool COnOffButton::releaseIsPushTriggered() const
{
    const COnOffButton_PD *rec = d->record;
    return isChecked() ? rec->offStateTrigger == buttonPush : rec->onStateTrigger == buttonPush;
}

void COnOffButton::mousePressEvent(QMouseEvent *event)
{
    markRepaintNeeded();
    if (disabledUI() || d->pressed || event->button() != Qt::LeftButton)
        return;
    d->pressed = true;
    if (releaseIsPushTriggered()) {
        // The transition takes effect now: a whole click is played on press.
        clickDelayDone();
        QPushButton::mousePressEvent(event);
        markRepaintNeeded();
        QPushButton::mouseReleaseEvent(event);
        return;
    }
    QPushButton::mousePressEvent(event);
}

void COnOffButton::mouseReleaseEvent(QMouseEvent *event)
{
    markRepaintNeeded();
    if (!disabledUI() && !d->record->trackingImage.isNull()) {
        if (releaseIsPushTriggered())
            clickDelayDone();
        else
            QTimer::singleShot(ClickDelayMs, this, &COnOffButton::clickDelayDone);
    } else {
        d->pressed = false;
    }
    QPushButton::mouseReleaseEvent(event);
}

void COnOffButton::clickDelayDone()
{
    d->pressed = false;
    markRepaintNeeded();
    updateErasePixmap();
    update();
}

bool COnOffButton::hitButton(const QPoint &pos) const
{
    if (!QPushButton::hitButton(pos))
        return false;
    // A lit selection button cannot be clicked off.
    if (d->record->boolClipValue != 0 && !d->record->hasOffState) {
        int value = 0;
        if (readCurrentValue(&value) && value == onValue())
            return false;
    }
    return true;
}

void COnOffButton::paintEvent(QPaintEvent *event)
{
    // Every paint shows the whole picture (there is no erase pass that keeps the last one), so
    // a pending look or state change renews the cached picture before it is blitted.
    if (d->repaintNeeded || !isCheckable())
        updateErasePixmap();
    d->repaintNeeded = false;
    if (!d->picture.isValid()) {
        // No strip: plain Qt button.
        QPushButton::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, d->picture.current());
}
