#include "TUndoHistory_p.h"

#include <algorithm>

TUndoHistory::TUndoHistory(std::function<void()> stateChanged)
    : m_stateChanged(std::move(stateChanged))
{
}

void TUndoHistory::push(const TUndoStep &step)
{
    if (step.isEmpty())
        return;
    {
        QMutexLocker lock(&m_mutex);
        if (m_groupDepth > 0) {
            for (const TUndoRecord &r : step) {
                const bool known =
                        std::any_of(m_group.cbegin(), m_group.cend(), [&r](const TUndoRecord &g) {
                            return g.element == r.element && g.parameter == r.parameter
                                    && g.channel == r.channel;
                        });
                if (!known)
                    m_group.append(r);
            }
            return;
        }
        m_undo.append(step);
        if (m_undo.size() > MaxSteps)
            m_undo.removeFirst();
        m_redo.clear();
    }
    m_stateChanged();
}

void TUndoHistory::setGroup(bool on)
{
    TUndoStep finished;
    {
        QMutexLocker lock(&m_mutex);
        if (on) {
            ++m_groupDepth;
            return;
        }
        if (m_groupDepth == 0 || --m_groupDepth > 0)
            return;
        finished.swap(m_group);
    }
    push(finished);
}

bool TUndoHistory::undo(const TWriter &write)
{
    return replay(&m_undo, &m_redo, write);
}

bool TUndoHistory::redo(const TWriter &write)
{
    return replay(&m_redo, &m_undo, write);
}

bool TUndoHistory::replay(QVector<TUndoStep> *from, QVector<TUndoStep> *to, const TWriter &write)
{
    TUndoStep step;
    {
        QMutexLocker lock(&m_mutex);
        if (from->isEmpty())
            return false;
        step = from->takeLast();
    }
    // Restored in reverse, so an address recorded twice ends on its oldest value. Written
    // without the lock: the writes notify observers, which may register undo points.
    TUndoStep replaced;
    for (int i = step.size() - 1; i >= 0; --i) {
        const TUndoRecord &r = step.at(i);
        int previous = 0;
        if (write(r, &previous))
            replaced.prepend({r.element, r.parameter, r.channel, previous});
    }
    {
        QMutexLocker lock(&m_mutex);
        to->append(replaced);
    }
    m_stateChanged();
    return true;
}

bool TUndoHistory::canUndo() const
{
    QMutexLocker lock(&m_mutex);
    return !m_undo.isEmpty();
}

bool TUndoHistory::canRedo() const
{
    QMutexLocker lock(&m_mutex);
    return !m_redo.isEmpty();
}

int TUndoHistory::depth() const
{
    QMutexLocker lock(&m_mutex);
    return m_undo.size();
}

void TUndoHistory::clear()
{
    {
        QMutexLocker lock(&m_mutex);
        if (m_undo.isEmpty() && m_redo.isEmpty())
            return;
        m_undo.clear();
        m_redo.clear();
    }
    m_stateChanged();
}
