#ifndef TACCESSIBLEFACTORY_H
#define TACCESSIBLEFACTORY_H

#include "zb4r_widgets_export.h"

#include <QAccessible>
#include <QVector>

class QAccessibleInterface;
class QObject;
class QString;
class QWidget;

// How assistive tools see one kind of bound widget: one row of TAccessibleFactory::kinds().
struct ZB4R_WIDGETS_EXPORT TAccessibleKind
{
    // Where the value interface reads and writes the value.
    enum ValueSource {
        NoValue, // no value interface
        SliderValue, // QAbstractSlider: value(), minimum(), maximum(), singleStep(); setValue()
        RangeValue, // TRangeControl: value(), minValue(), maxValue(), lineStep(); setValue(int)
        SwitchValue, // QAbstractButton: checked reads 1; a change is a click
        SelectionValue // invokable currentSelection() and labelList(); setSelectionConfirm(int)
    };
    // Where text(QAccessible::Value) comes from.
    enum TextSource {
        MemoryText, // the memory's text of the bound value, with the "tableId" property's table
        PercentText // the value as a percentage of the range (levels the memory does not keep)
    };
    // States beyond the ones every widget has.
    enum StateSource {
        PlainStates,
        CheckStates, // checkable, checked
        ExpandStates // expandable, expanded or collapsed (a visible child pop-up)
    };

    // The class the row serves; subclasses without a row of their own get it too.
    const char *className;
    QAccessible::Role role;
    ValueSource value;
    TextSource text;
    StateSource states;
    // Setting the value through the interface is refused.
    bool readOnly;
    // Least time between two value-change events of one widget; 0 coalesces them per event-loop
    // pass, like repaints.
    int eventIntervalMs;
};

// The accessibility of every bound widget: one factory for QAccessible, installed by the library
// when it is loaded (and again, harmlessly, when the first bound widget is made), that serves the
// classes of kinds(). A new widget kind joins with one row there.
//
// Names are the widget's accessible name, else its object name. Values follow the kind's value
// source; setting one drives the widget as a wheel turn does (the widget's own write, with the
// silent counter respected) after an undo step when the widget records undo. Value changes from
// the memory raise QAccessibleValueChangeEvent through valueChanged(), coalesced per widget.
class ZB4R_WIDGETS_EXPORT TAccessibleFactory
{
public:
    static constexpr int MeterEventIntervalMs = 250;

    // Installs the factory once; later calls do nothing.
    static void install();
    static const QVector<TAccessibleKind> &kinds();
    // The row serving object: its own class's, else the nearest base class's; null for none.
    static const TAccessibleKind *kindOf(const QObject *object);
    // The factory function given to QAccessible::installFactory().
    static QAccessibleInterface *create(const QString &className, QObject *object);
    // The widget's value changed from the memory: one value-change event follows, coalesced with
    // further changes and spaced by the kind's interval. Nothing happens while no assistive tool
    // listens (QAccessible::isActive(), or an event listener). GUI thread only.
    static void valueChanged(QWidget *widget);
    // Whether an assistive tool or an event listener would hear of value changes: callers on hot
    // paths test it before preparing a valueChanged() call.
    static bool isListening();
    // A listener in the process (automation, tests) that gets every value-change event the
    // library raises, also while no platform assistive tool is active; null (the default)
    // removes it. GUI thread only.
    typedef void (*EventListener)(QAccessibleEvent *event);
    static void setEventListener(EventListener listener);
};

#endif
