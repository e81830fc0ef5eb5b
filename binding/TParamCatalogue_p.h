#ifndef TPARAMCATALOGUE_P_H
#define TPARAMCATALOGUE_P_H

#include "TValueText_p.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QVector>

#include <atomic>
#include <memory>

// One parameter of an element.
struct TParamDef
{
    int id = -1;
    QString key;
    int minimum = 0;
    int maximum = 0;
    int defaultValue = 0;
    bool hasAltDefault = false;
    int altDefault = 0;
    int textTable = 0; // catalogue text table, 0 = the inline text
    TTextSpec text; // inline text (used when textTable is 0)
    bool faderLaw = false;
};

// One section: an element with its channel count and parameters.
struct TSectionDef
{
    QString key;
    int element = -1;
    int channels = 0;
    QVector<TParamDef> params;
    QVector<int> paramIndex; // parameter id -> index into params, -1 where none
    QHash<QString, int> keyIndex; // parameter key -> index into params
    int valueBase = 0; // first slot of this section in the value store

    const TParamDef *param(int id) const
    {
        if (id < 0 || id >= paramIndex.size())
            return nullptr;
        const int i = paramIndex.at(id);
        return i < 0 ? nullptr : &params.at(i);
    }
};

// The console description: sections, text tables, meter tables and the input patch, plus the
// value store sized for it. Immutable once loaded except for the values, which are atomics.
class TParamCatalogue
{
public:
    static constexpr int MaxElement = 1023; // 10 bits of the packed address
    static constexpr int MaxParameter = 2047; // 11 bits
    static constexpr int MaxChannel = 2047;

    // Parses a JSON description; null with *error set when it is not valid.
    static std::unique_ptr<TParamCatalogue> parse(const QByteArray &json, QString *error);

    QString name;
    int sampleRate = 48000;
    QVector<TSectionDef> sections;
    QVector<int> elementIndex; // element -> index into sections, -1 where none
    QHash<QString, int> sectionIndex; // section key -> index into sections
    QHash<int, TTextSpec> textTables;
    QHash<int, QVector<quint16>> meterTables;
    // Input patch: the parameter holding each channel's patch (0 = none, n = port channel n - 1).
    int patchElement = -1;
    int patchParameter = -1;

    const TSectionDef *section(int element) const
    {
        if (uint(element) >= uint(elementIndex.size()))
            return nullptr;
        const int i = elementIndex.at(element);
        return i < 0 ? nullptr : &sections.at(i);
    }
    const TParamDef *param(int element, int parameter) const
    {
        const TSectionDef *s = section(element);
        return s ? s->param(parameter) : nullptr;
    }
    // Value slot of (e, p, c), or null for an unknown address; *def (when given) is then the
    // parameter. Inline: it is on every read and write.
    std::atomic<int> *slot(int element, int parameter, int channel,
                           const TParamDef **def = nullptr) const
    {
        const TSectionDef *s = section(element);
        if (!s || uint(channel) >= uint(s->channels)
            || uint(parameter) >= uint(s->paramIndex.size()))
            return nullptr;
        const int i = s->paramIndex.at(parameter);
        if (i < 0)
            return nullptr;
        if (def)
            *def = &s->params.at(i);
        return &m_values[size_t(s->valueBase + i * s->channels + channel)];
    }
    // Beside every value slot, the memory's note of who observes it (owned by the memory).
    std::atomic<void *> *observerCell(const std::atomic<int> *valueSlot) const;
    void clearObserverCells();
    // The text of a parameter: its table, else its inline spec (null when it has none).
    const TTextSpec *paramText(const TParamDef &p) const;
    void resetValues();

private:
    std::unique_ptr<std::atomic<int>[]> m_values;
    std::unique_ptr<std::atomic<void *>[]> m_observers;
    int m_valueCount = 0;
};

#endif
