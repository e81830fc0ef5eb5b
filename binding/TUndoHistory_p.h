#ifndef TUNDOHISTORY_P_H
#define TUNDOHISTORY_P_H

#include <QMutex>
#include <QVector>

#include <functional>

// One value as it was before a change.
struct TUndoRecord
{
    qint16 element;
    qint16 parameter;
    qint16 channel;
    qint32 value;
};
typedef QVector<TUndoRecord> TUndoStep;

// The undo and redo steps of a parameter memory. A new step clears the redo history, and at
// most MaxSteps are kept. A group (nesting counts) makes one step of everything pushed in
// between, keeping the first (oldest) value recorded for each address. Thread-safe; the state
// callback runs without the history's lock, whenever undo or redo availability may have changed.
class TUndoHistory
{
public:
    static constexpr int MaxSteps = 1000;

    // Writes the record's value to the memory and gives the value it replaced; false when the
    // address no longer exists.
    typedef std::function<bool(const TUndoRecord &record, int *replaced)> TWriter;

    explicit TUndoHistory(std::function<void()> stateChanged);

    void push(const TUndoStep &step);
    void setGroup(bool on);
    // Replays the last step through write, keeping what it replaced for the other direction.
    bool undo(const TWriter &write);
    bool redo(const TWriter &write);
    bool canUndo() const;
    bool canRedo() const;
    int depth() const;
    void clear();

private:
    bool replay(QVector<TUndoStep> *from, QVector<TUndoStep> *to, const TWriter &write);

    const std::function<void()> m_stateChanged;
    mutable QMutex m_mutex;
    QVector<TUndoStep> m_undo;
    QVector<TUndoStep> m_redo;
    int m_groupDepth = 0;
    TUndoStep m_group;
};

#endif
