#include "CSelectButton.h"

#include "CSimpleNotifier.h"
#include "NS_Utilities.h"

namespace {

constexpr int kStateOn = 2;
// The pair switches of inputs, mixes, matrices and stereo buses, one list over all select
// numbers (the prefixes give the mixes', matrices' and buses' channel counts).
const char *const kPairList =
        "FEkInputPair/kPair;18FEkMixPair/kPair;08FEkMatrixPair/kPair;04FEkStereoPair/kPair";
const char *const kPairSlot = "1pairModeChanged(int)";

} // namespace

struct CSelectButton::Private
{
    quint16 selectValue = CSelectButton::Unselected;
    quint16 selBaseOffset = 0;
    int blinking = 0;
    bool pairMode = false;
    // The pair watcher: parentless, so that binding the tree again leaves its channel alone.
    QPointer<CSimpleNotifier> pair;
    // Inside the pair watcher's own call, which must not delete it at once.
    bool inPairCall = false;
    // The own channel the select value was taken on; a key moved to channel 0 that connects
    // again on the same channel keeps its number.
    int selectOwnChannel = -1;
};

CSelectButton::CSelectButton(QWidget *parent, const QString &name)
    : COnOffButton(parent, name)
    , d(std::make_unique<Private>())
{
}

CSelectButton::~CSelectButton()
{
    disconnectMemAPI();
    releaseMemory();
}

uint CSelectButton::selBaseOffset() const
{
    return d->selBaseOffset;
}

void CSelectButton::setselBaseOffset(uint offset)
{
    d->selBaseOffset = quint16(offset);
}

quint16 CSelectButton::selectValue() const
{
    return d->selectValue;
}

bool CSelectButton::pairMode() const
{
    return d->pairMode;
}

bool CSelectButton::isBlinking() const
{
    return d->blinking != 0;
}

bool CSelectButton::blinkingMode() const
{
    return d->blinking != 0;
}

int CSelectButton::selectedNumber() const
{
    if (!memAPIReady() || element() < 0 || parameter() < 0)
        return -1;
    return memAPI()->getValue(element(), parameter(), 0, 0, 0);
}

// --- binding ------------------------------------------------------------------------------------

bool CSelectButton::connectMemAPI()
{
    IMemAPI *api = memAPI();
    if (!memAPIReady())
        return false;
    const auto silent = silenced();
    bool attached = false;
    if (address().isValid()) {
        const bool moved = channel() == 0 && d->selectOwnChannel == ownChannel()
                && d->selectValue != Unselected;
        if (!moved) {
            d->selectValue = quint16(channel() + channelOffset() + d->selBaseOffset);
            d->selectOwnChannel = ownChannel();
        }
        setAddress(element(), 0, parameter());
        attached = COnOffButton::connectMemAPI();
    }
    if (!d->pair) {
        d->pair = CSimpleNotifier::Create(api, this, QString::fromLatin1(kPairList), d->selectValue,
                                          kPairSlot, 0, 0);
        if (d->pair)
            d->pair->setParent(nullptr);
    }
    pairModeChanged(d->pair ? d->pair->value() : 0);
    process(nullptr, 0, 0);
    return attached;
}

void CSelectButton::disconnectMemAPI()
{
    dropPairNotifier();
    stopBlinking();
    COnOffButton::disconnectMemAPI();
}

void CSelectButton::dropPairNotifier()
{
    CSimpleNotifier *pair = d->pair.data();
    d->pair = nullptr;
    if (!pair)
        return;
    if (d->inPairCall)
        pair->deleteLater();
    else
        delete pair;
}

void CSelectButton::updateFromMemory(const Q_UINT8 *data, int operation, Q_UINT32)
{
    const TMemReading r = readNotification(data, operation);
    if (!r.valid || operation > 2)
        return;
    checkBlinkState();
    const bool on = r.value == d->selectValue;
    if (on != isChecked()) {
        const auto silent = silenced();
        setChecked(on);
    }
}

void CSelectButton::handleStateChanged(int state)
{
    if (!NS_Utilities::mainThreadRunning() || !memAPI())
        return;
    const bool pressed = isClicked();
    setClicked(false);
    const bool on = state == kStateOn;
    const int number = selectedNumber();
    if (!on && number == d->selectValue && !isChecked()) {
        // The selected channel's key cannot be turned off: it lights again, writing nothing.
        const auto silent = silenced();
        setChecked(true);
    } else if (on && !isSilent()) {
        writeValue(element(), parameter(), 0, d->selectValue);
    }
    markRepaintNeeded();
    updateErasePixmap();
    update();
    setClicked(pressed);
}

// --- blinking -----------------------------------------------------------------------------------

void CSelectButton::pairModeChanged(int mode)
{
    const bool own = sender() && sender() == d->pair.data();
    const bool wasInCall = d->inPairCall;
    d->inPairCall = d->inPairCall || own;
    const bool on = mode > 0;
    if (on != d->pairMode) {
        d->pairMode = on;
        checkBlinkState();
    }
    d->inPairCall = wasInCall;
}

void CSelectButton::checkBlinkState()
{
    if (!d->pairMode) {
        stopBlinking();
        return;
    }
    const int n = selectedNumber();
    if (n < 0 || n == d->selectValue || (n ^ d->selectValue) > 1) {
        stopBlinking();
        return;
    }
    // The partner of the selected channel.
    if (!d->blinking) {
        d->blinking = 1;
        connectBlinkTimer(true);
    }
}

void CSelectButton::doBlink()
{
    if (!NS_Utilities::mainThreadRunning())
        return;
    markRepaintNeeded();
    updateErasePixmap();
    update();
}

void CSelectButton::stopBlinking()
{
    if (!d->blinking)
        return;
    d->blinking = 0;
    connectBlinkTimer(false);
    // The steady image comes back.
    doBlink();
}
