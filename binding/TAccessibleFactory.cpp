#include "TAccessibleFactory.h"

#include "TMemProxy.h"
#include "TRangeControl.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHash>
#include <QMetaObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <limits>

namespace {

TAccessibleFactory::EventListener s_listener = nullptr;

bool listening()
{
    return s_listener || QAccessible::isActive();
}

// The value of one widget as its kind's source gives it.
struct TValueReading
{
    int value = 0;
    int minimum = 0;
    int maximum = 0;
    int step = 1;
    bool valid = false;
};

TValueReading readValue(const TAccessibleKind &kind, QWidget *w)
{
    TValueReading r;
    switch (kind.value) {
    case TAccessibleKind::NoValue:
        break;
    case TAccessibleKind::SliderValue:
        if (const auto *slider = qobject_cast<QAbstractSlider *>(w))
            r = {slider->value(), slider->minimum(), slider->maximum(), slider->singleStep(), true};
        break;
    case TAccessibleKind::RangeValue:
        if (const auto *range = dynamic_cast<TRangeControl *>(w))
            r = {range->value(), range->minValue(), range->maxValue(), range->lineStep(), true};
        break;
    case TAccessibleKind::SwitchValue:
        if (const auto *button = qobject_cast<QAbstractButton *>(w))
            r = {button->isChecked() ? 1 : 0, 0, 1, 1, true};
        break;
    case TAccessibleKind::SelectionValue: {
        int current = -1;
        QStringList labels;
        if (QMetaObject::invokeMethod(w, "currentSelection", Q_RETURN_ARG(int, current))
            && QMetaObject::invokeMethod(w, "labelList", Q_RETURN_ARG(QStringList, labels)))
            r = {current, 0, qMax(0, int(labels.size()) - 1), 1, true};
        break;
    }
    }
    return r;
}

// Drives the widget to value the way its user would; false when nothing was asked of it.
bool driveValue(const TAccessibleKind &kind, QWidget *w, int value)
{
    switch (kind.value) {
    case TAccessibleKind::NoValue:
        return false;
    case TAccessibleKind::SliderValue:
    case TAccessibleKind::RangeValue:
        return QMetaObject::invokeMethod(w, "setValue", Q_ARG(int, value));
    case TAccessibleKind::SwitchValue:
        if (auto *button = qobject_cast<QAbstractButton *>(w)) {
            button->click();
            return true;
        }
        return false;
    case TAccessibleKind::SelectionValue:
        return QMetaObject::invokeMethod(w, "setSelectionConfirm", Q_ARG(int, value));
    }
    return false;
}

// A visible pop-up window among the widget's children: a selector shows its grid.
bool hasOpenPopup(const QWidget *w)
{
    const auto children = w->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
    for (const QWidget *child : children) {
        if (child->isWindow() && child->isVisible())
            return true;
    }
    return false;
}

class TAccessibleBoundWidget : public QAccessibleWidget, public QAccessibleValueInterface
{
public:
    TAccessibleBoundWidget(QWidget *w, const TAccessibleKind &kind)
        : QAccessibleWidget(w, kind.role)
        , m_kind(kind)
    {
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface && m_kind.value != TAccessibleKind::NoValue)
            return static_cast<QAccessibleValueInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text t) const override
    {
        switch (t) {
        case QAccessible::Name: {
            const QString name = widget()->accessibleName();
            return name.isEmpty() ? widget()->objectName() : name;
        }
        case QAccessible::Value:
            return valueText();
        default:
            return QAccessibleWidget::text(t);
        }
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        if (m_kind.states == TAccessibleKind::CheckStates) {
            if (const auto *button = qobject_cast<QAbstractButton *>(widget())) {
                s.checkable = button->isCheckable();
                s.checked = button->isChecked();
            }
        } else if (m_kind.states == TAccessibleKind::ExpandStates) {
            s.expandable = true;
            s.expanded = hasOpenPopup(widget());
            s.collapsed = !s.expanded;
        }
        if (m_kind.readOnly)
            s.readOnly = true;
        return s;
    }

    // --- QAccessibleValueInterface -------------------------------------------------------------

    QVariant currentValue() const override
    {
        const TValueReading r = readValue(m_kind, widget());
        return r.valid ? QVariant(r.value) : QVariant();
    }

    void setCurrentValue(const QVariant &value) override
    {
        bool ok = false;
        const qint64 asked = value.toLongLong(&ok);
        const TValueReading r = readValue(m_kind, widget());
        if (!ok || !r.valid || m_kind.readOnly || !widget()->isEnabled())
            return;
        const int v = int(qBound(qint64(r.minimum), asked, qint64(r.maximum)));
        auto *proxy = dynamic_cast<TMemProxy *>(widget());
        // A widget whose user interface is disabled takes no user changes at all.
        if (v == r.value || (proxy && proxy->disabledUI()))
            return;
        // One undo step, as a typed number leaves, then the widget's own write.
        if (proxy)
            proxy->registerUserUndo();
        driveValue(m_kind, widget(), v);
    }

    QVariant maximumValue() const override
    {
        const TValueReading r = readValue(m_kind, widget());
        return r.valid ? QVariant(r.maximum) : QVariant();
    }

    QVariant minimumValue() const override
    {
        const TValueReading r = readValue(m_kind, widget());
        return r.valid ? QVariant(r.minimum) : QVariant();
    }

    QVariant minimumStepSize() const override
    {
        const TValueReading r = readValue(m_kind, widget());
        return r.valid ? QVariant(r.step) : QVariant();
    }

private:
    QString valueText() const
    {
        const TValueReading r = readValue(m_kind, widget());
        if (!r.valid)
            return QString();
        if (m_kind.text == TAccessibleKind::PercentText) {
            const qint64 span = qint64(r.maximum) - r.minimum;
            const qint64 percent = span > 0 ? (qint64(r.value) - r.minimum) * 100 / span : 0;
            return QStringLiteral("%1 %").arg(percent);
        }
        if (auto *proxy = dynamic_cast<TMemProxy *>(widget())) {
            const QVariant table = widget()->property("tableId");
            const QString text = proxy->currentValueText(table.isValid() ? table.toInt() : 0);
            if (!text.isEmpty())
                return text;
        }
        return QString::number(r.value);
    }

    const TAccessibleKind &m_kind;
};

// Spaces and coalesces value-change events per widget.
class TValueEventQueue : public QObject
{
public:
    static TValueEventQueue *instance()
    {
        static QPointer<TValueEventQueue> queue;
        if (!queue && QCoreApplication::instance())
            queue = new TValueEventQueue(QCoreApplication::instance());
        return queue;
    }

    void changed(QWidget *w, const TAccessibleKind &kind)
    {
        auto it = m_entries.find(w);
        if (it == m_entries.end()) {
            it = m_entries.insert(w, Entry {});
            connect(w, &QObject::destroyed, this, [this, w] { m_entries.remove(w); });
        }
        if (it->pending)
            return;
        it->pending = true;
        it->due = it->lastRaised < 0 ? now() : it->lastRaised + kind.eventIntervalMs;
        schedule();
    }

private:
    struct Entry
    {
        qint64 lastRaised = -1;
        qint64 due = 0;
        bool pending = false;
    };

    explicit TValueEventQueue(QObject *parent)
        : QObject(parent)
    {
        m_clock.start();
        m_timer.setSingleShot(true);
        m_timer.setTimerType(Qt::PreciseTimer);
        connect(&m_timer, &QTimer::timeout, this, &TValueEventQueue::raiseDue);
    }

    qint64 now() const { return m_clock.elapsed(); }

    void schedule()
    {
        qint64 next = std::numeric_limits<qint64>::max();
        for (const Entry &e : std::as_const(m_entries)) {
            if (e.pending)
                next = qMin(next, e.due);
        }
        if (next == std::numeric_limits<qint64>::max())
            return;
        const int wait =
                int(qBound(qint64(0), next - now(), qint64(std::numeric_limits<int>::max())));
        if (!m_timer.isActive() || m_timer.remainingTime() > wait)
            m_timer.start(wait);
    }

    void raiseDue()
    {
        const qint64 t = now();
        QList<QWidget *> due;
        for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
            if (it->pending && it->due <= t) {
                it->pending = false;
                it->lastRaised = t;
                due.append(it.key());
            }
        }
        // A receiver of one event may destroy other widgets: check each before raising.
        for (QWidget *w : std::as_const(due)) {
            if (!m_entries.contains(w) || !listening())
                continue;
            QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(w);
            QAccessibleValueInterface *value = iface ? iface->valueInterface() : nullptr;
            if (!value)
                continue;
            QAccessibleValueChangeEvent event(w, value->currentValue());
            if (s_listener)
                s_listener(&event);
            QAccessible::updateAccessibility(&event);
        }
        schedule();
    }

    QHash<QWidget *, Entry> m_entries;
    QTimer m_timer;
    QElapsedTimer m_clock;
};

void installAtStartup()
{
    TAccessibleFactory::install();
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(installAtStartup)

void TAccessibleFactory::install()
{
    static const bool installed = [] {
        QAccessible::installFactory(&TAccessibleFactory::create);
        return true;
    }();
    Q_UNUSED(installed)
}

const QVector<TAccessibleKind> &TAccessibleFactory::kinds()
{
    using K = TAccessibleKind;
    // One row per widget kind; subclasses inherit their base's row.
    static const QVector<K> table {
            {"CDial", QAccessible::Dial, K::SliderValue, K::MemoryText, K::PlainStates, false, 0},
            {"C48VDial", QAccessible::Dial, K::SliderValue, K::MemoryText, K::PlainStates, false,
             0},
            {"CSlider", QAccessible::Slider, K::RangeValue, K::MemoryText, K::PlainStates, false,
             0},
            {"COnOffButton", QAccessible::Button, K::SwitchValue, K::MemoryText, K::CheckStates,
             false, 0},
            {"C48V", QAccessible::Button, K::SwitchValue, K::MemoryText, K::CheckStates, false, 0},
            {"CSelectButton", QAccessible::Button, K::SwitchValue, K::MemoryText, K::CheckStates,
             false, 0},
            {"CPopup", QAccessible::ComboBox, K::SelectionValue, K::MemoryText, K::ExpandStates,
             false, 0},
            {"CPullDownMenu", QAccessible::ComboBox, K::NoValue, K::MemoryText, K::ExpandStates,
             false, 0},
            {"CMeter", QAccessible::ProgressBar, K::RangeValue, K::PercentText, K::PlainStates,
             true, MeterEventIntervalMs},
            {"CEqCurve", QAccessible::Chart, K::NoValue, K::MemoryText, K::PlainStates, true, 0},
            {"CCompCurve", QAccessible::Chart, K::NoValue, K::MemoryText, K::PlainStates, true, 0},
            {"CGateCurve", QAccessible::Chart, K::NoValue, K::MemoryText, K::PlainStates, true, 0},
            {"CGEQCurve", QAccessible::Chart, K::NoValue, K::MemoryText, K::PlainStates, true, 0},
            {"CVEQGraph", QAccessible::Chart, K::NoValue, K::MemoryText, K::PlainStates, true, 0},
            {"CReverbGraph", QAccessible::Chart, K::NoValue, K::MemoryText, K::PlainStates, true,
             0},
            {"CTextSlider", QAccessible::Slider, K::RangeValue, K::MemoryText, K::PlainStates,
             false, 0},
            {"CRadioButton", QAccessible::RadioButton, K::SwitchValue, K::MemoryText,
             K::CheckStates, false, 0},
            {"CGrid", QAccessible::Table, K::NoValue, K::MemoryText, K::PlainStates, false, 0},
            {"CThresholdMeter", QAccessible::Indicator, K::NoValue, K::MemoryText, K::PlainStates,
             true, MeterEventIntervalMs},
            {"CPixmapMeter", QAccessible::ProgressBar, K::NoValue, K::MemoryText, K::PlainStates,
             true, MeterEventIntervalMs},
            {"CStateDisplayMulti", QAccessible::Indicator, K::NoValue, K::MemoryText,
             K::PlainStates, true, 0},
            {"StateDisplayWidget", QAccessible::Indicator, K::NoValue, K::MemoryText,
             K::PlainStates, true, 0},
            {"CPixmapSwitcher", QAccessible::Graphic, K::NoValue, K::MemoryText, K::PlainStates,
             true, 0},
            {"CLabelDisplay", QAccessible::StaticText, K::NoValue, K::MemoryText, K::PlainStates,
             true, 0},
            {"CHotspotLabel", QAccessible::StaticText, K::NoValue, K::MemoryText, K::PlainStates,
             true, 0},
            {"CTimeDisplay", QAccessible::StaticText, K::NoValue, K::MemoryText, K::PlainStates,
             true, 0},
            {"CCompositeAux", QAccessible::Grouping, K::NoValue, K::MemoryText, K::PlainStates,
             false, 0},
            {"CNameEditor", QAccessible::EditableText, K::NoValue, K::MemoryText, K::PlainStates,
             false, 0},
            {"CSurround", QAccessible::Chart, K::NoValue, K::MemoryText, K::PlainStates, false, 0},
            {"CTabWidget", QAccessible::PageTabList, K::NoValue, K::MemoryText, K::PlainStates,
             true, 0},
            {"CVDTabWidget", QAccessible::PageTabList, K::NoValue, K::MemoryText, K::PlainStates,
             true, 0},
            {"CAnimMenu", QAccessible::Button, K::NoValue, K::MemoryText, K::PlainStates, true, 0},
            {"CMovieWidget", QAccessible::Animation, K::NoValue, K::MemoryText, K::PlainStates,
             true, 0},
    };
    return table;
}

namespace {

const TAccessibleKind *rowFor(const char *className)
{
    for (const TAccessibleKind &k : TAccessibleFactory::kinds()) {
        if (qstrcmp(k.className, className) == 0)
            return &k;
    }
    return nullptr;
}

} // namespace

const TAccessibleKind *TAccessibleFactory::kindOf(const QObject *object)
{
    if (!object)
        return nullptr;
    for (const QMetaObject *mo = object->metaObject(); mo; mo = mo->superClass()) {
        if (const TAccessibleKind *k = rowFor(mo->className()))
            return k;
    }
    return nullptr;
}

QAccessibleInterface *TAccessibleFactory::create(const QString &className, QObject *object)
{
    // QAccessible asks for the object's class first and then for each base class: a row for the
    // class asked serves it.
    if (!object || !object->isWidgetType())
        return nullptr;
    const TAccessibleKind *kind = rowFor(className.toLatin1().constData());
    if (!kind)
        return nullptr;
    return new TAccessibleBoundWidget(static_cast<QWidget *>(object), *kind);
}

void TAccessibleFactory::valueChanged(QWidget *widget)
{
    if (!widget || !listening())
        return;
    const TAccessibleKind *kind = kindOf(widget);
    if (!kind || kind->value == TAccessibleKind::NoValue)
        return;
    if (TValueEventQueue *queue = TValueEventQueue::instance())
        queue->changed(widget, *kind);
}

bool TAccessibleFactory::isListening()
{
    return listening();
}

void TAccessibleFactory::setEventListener(EventListener listener)
{
    s_listener = listener;
}
