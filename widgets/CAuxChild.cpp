#include "CAuxChild.h"

#include "CCompositeAux.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace {

// Selector state by (on & 1) * 3 + mode, mode 2 being pre-fader.
constexpr int kStateTable[6] = {0, 0, 1, 2, 2, 3};
constexpr int kStateWithoutMemory = 2;
constexpr int kInputsPrePost = 1; // pre-fader value of an input send
constexpr int kPreFaderMode = 2;
constexpr int kChildDefaultKind = 2;

} // namespace

CAuxChild::CAuxChild(CCompositeAux *composite)
    : QObject(composite)
{
    setNumDefaultKind(kChildDefaultKind);
}

CAuxChild::~CAuxChild()
{
    disconnectMemAPI();
    releaseMemory();
}

CCompositeAux *CAuxChild::composite() const
{
    return qobject_cast<CCompositeAux *>(parent());
}

IMemAPI::TSingleAddress CAuxChild::onAddress() const
{
    IMemAPI::TSingleAddress a = address();
    const CCompositeAux *c = composite();
    if (!a.isValid() || !c)
        return IMemAPI::TSingleAddress();
    if (c->addrMode() == CCompositeAux::eInputs) {
        a.parameter = qint16(a.parameter - 2);
    } else {
        a.element = qint16(a.element - 2);
        a.parameter = 0;
    }
    return a;
}

IMemAPI::TSingleAddress CAuxChild::prePostAddress() const
{
    IMemAPI::TSingleAddress a = address();
    const CCompositeAux *c = composite();
    if (!a.isValid() || !c)
        return IMemAPI::TSingleAddress();
    if (c->addrMode() == CCompositeAux::eInputs) {
        a.parameter = qint16(a.parameter - 1);
    } else {
        a.element = qint16(a.element - 1);
        a.parameter = 0;
    }
    return a;
}

QVector<quint32> CAuxChild::observedAddresses() const
{
    QVector<quint32> packed {packedAddress()};
    for (const IMemAPI::TSingleAddress &a : {onAddress(), prePostAddress()}) {
        if (a.isValid())
            packed.append(a.packed());
    }
    return packed;
}

int CAuxChild::computeState() const
{
    IMemAPI *api = memAPI();
    const CCompositeAux *c = composite();
    if (!api || !api->isReady() || !c)
        return kStateWithoutMemory;
    const IMemAPI::TSingleAddress on = onAddress(), pre = prePostAddress();
    if (!on.isValid() || !pre.isValid())
        return kStateWithoutMemory;
    const int onBit = api->getValue(on.element, on.parameter, on.channel) & 1;
    int mode = 0;
    if (!m_alternate) {
        const int v = api->getValue(pre.element, pre.parameter, pre.channel);
        if (c->addrMode() == CCompositeAux::eInputs)
            mode = v == kInputsPrePost ? kPreFaderMode : 0;
        else
            mode = (v & 3) == 3 ? 0 : (v & 3);
    }
    return kStateTable[onBit * 3 + mode];
}

void CAuxChild::updateFromMemory(const Q_UINT8 *data, int operation, Q_UINT32)
{
    const TMemReading r = readNotification(data, operation);
    const auto silent = silenced(operation);
    const int state = computeState();
    if (state != m_state) {
        m_state = state;
        if (CCompositeAux *c = composite())
            c->valueChange(m_value, this);
    }
    SetValue(r.value);
}

void CAuxChild::SetValue(int value)
{
    if (m_fixed)
        value = FixedLevel;
    if (value == m_value)
        return;
    m_value = value;
    if (!m_fixed)
        writeValue(value);
    if (CCompositeAux *c = composite())
        c->valueChange(value, this);
}

void CAuxChild::SetFixed(bool on)
{
    m_fixed = on;
    if (memAPIReady())
        process(nullptr, 0, 0);
    else if (on)
        SetValue(FixedLevel);
}

bool CAuxChild::range(int *minimum, int *maximum) const
{
    IMemAPI *api = memAPI();
    if (!api || !api->isReady() || !address().isValid())
        return false;
    *minimum = api->getMinimum(element(), parameter(), channel());
    *maximum = api->getMaximum(element(), parameter(), channel());
    return *maximum != *minimum;
}

int CAuxChild::PositionFromValue(int value) const
{
    const CCompositeAux *c = composite();
    if (!c)
        return 1;
    int lo = 0, hi = 0;
    const int width = c->thumbImage().width();
    if (width <= 0 || !range(&lo, &hi))
        return 0;
    return int(std::trunc(double(value - lo) / double(hi - lo) * width));
}

int CAuxChild::ValueFromPosition(int x) const
{
    const CCompositeAux *c = composite();
    int lo = 0, hi = 0;
    const bool known = range(&lo, &hi);
    if (!c)
        return qMin(qMax(lo, 1), hi);
    const int width = c->thumbImage().width();
    if (width <= 0 || !known)
        return m_value;
    // The minimum is not added back: the send ranges start at 0.
    const int v = int(std::trunc(double(x - m_rect.x()) / width * (hi - lo)));
    return qBound(lo, v, hi);
}

QString CAuxChild::levelText(int value, int tableId)
{
    return valueText(value, tableId);
}

void CAuxChild::paint(QPainter &painter) const
{
    const CCompositeAux *c = composite();
    if (m_hidden || !c)
        return;
    const QPixmap bar = c->barImage(m_state);
    const QPixmap cap = c->capImage(m_state);
    const int pos = PositionFromValue(m_value);
    if (pos <= 0 || bar.isNull())
        return;
    const int x = m_rect.x(), y = m_rect.y(), h = m_rect.height();
    painter.save();
    const int cw = cap.width();
    if (cw > 0) {
        painter.setClipRect(QRect(x, y, pos - cw, h));
        painter.drawPixmap(x, y, bar);
        painter.setClipRect(QRect(x + pos - cw, y, cw, h));
        painter.drawPixmap(x + pos - cw, y, cap);
    } else {
        painter.setClipRect(QRect(x, y, pos, h));
        painter.drawPixmap(x, y, bar);
    }
    painter.restore();
}

void CAuxChild::mousePress(QMouseEvent *event)
{
    if (m_hidden || (event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier)))
        return;
    SetValue(ValueFromPosition(event->position().toPoint().x()));
    m_dragging = true;
}

void CAuxChild::mouseMove(QMouseEvent *event)
{
    if (m_dragging && !m_hidden)
        SetValue(ValueFromPosition(event->position().toPoint().x()));
}

void CAuxChild::mouseRelease(QMouseEvent *event)
{
    if (m_dragging && !m_hidden)
        SetValue(ValueFromPosition(event->position().toPoint().x()));
    m_dragging = false;
}
