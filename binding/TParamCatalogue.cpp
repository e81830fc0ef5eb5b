#include "TParamCatalogue_p.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

class ParseError
{
public:
    explicit ParseError(QString text)
        : message(std::move(text))
    {
    }
    QString message;
};

[[noreturn]] void fail(const QString &text)
{
    throw ParseError(text);
}

int intOf(const QJsonValue &v, const QString &what)
{
    if (!v.isDouble())
        fail(QStringLiteral("%1: a number is expected").arg(what));
    const double d = v.toDouble();
    if (d < -2147483648.0 || d > 2147483647.0 || d != double(qint64(d)))
        fail(QStringLiteral("%1: %2 is not a 32-bit integer").arg(what).arg(d));
    return int(qint64(d));
}

bool isKey(const QString &key)
{
    // Keys start with 'k', so they can never be read as the hex digits in front of them.
    if (key.size() < 2 || key.at(0) != QLatin1Char('k'))
        return false;
    for (QChar c : key) {
        if (!c.isLetterOrNumber() && c != QLatin1Char('_'))
            return false;
    }
    return true;
}

QStringList namesOf(const QJsonArray &array, const QString &what)
{
    QStringList names;
    for (const QJsonValue &v : array) {
        if (v.isString()) {
            names << v.toString();
        } else if (v.isObject()) {
            // A generated run: prefix + number, from "from", "count" names.
            const QJsonObject o = v.toObject();
            const QString prefix = o.value(QLatin1String("prefix")).toString();
            const int from = intOf(o.value(QLatin1String("from")), what + QLatin1String(".from"));
            const int count =
                    intOf(o.value(QLatin1String("count")), what + QLatin1String(".count"));
            if (count < 0 || count > 4096)
                fail(what + QLatin1String(": name run too long"));
            for (int i = 0; i < count; ++i)
                names << prefix + QString::number(from + i);
        } else {
            fail(what + QLatin1String(": names are strings or runs"));
        }
    }
    return names;
}

TTextSpec textOfKind(const QString &kind, const QString &what)
{
    TTextSpec spec;
    if (kind == QLatin1String("number")) {
        spec.kind = TTextSpec::Number;
    } else if (kind == QLatin1String("db")) {
        spec.kind = TTextSpec::Decibel;
        spec.unit = QStringLiteral("dB");
    } else if (kind == QLatin1String("freq")) {
        spec.kind = TTextSpec::Frequency;
    } else if (kind == QLatin1String("hz")) {
        spec.kind = TTextSpec::Hertz;
    } else if (kind == QLatin1String("ms")) {
        spec.kind = TTextSpec::Number;
        spec.unit = QStringLiteral("ms");
    } else if (kind == QLatin1String("percent")) {
        spec.kind = TTextSpec::Number;
        spec.unit = QStringLiteral("%");
    } else if (kind == QLatin1String("pan")) {
        spec.kind = TTextSpec::Pan;
    } else if (kind == QLatin1String("onoff")) {
        spec.kind = TTextSpec::Names;
        spec.names = QStringList {QStringLiteral("OFF"), QStringLiteral("ON")};
    } else if (kind == QLatin1String("names")) {
        spec.kind = TTextSpec::Names;
    } else if (kind == QLatin1String("list")) {
        spec.kind = TTextSpec::Values;
    } else if (kind == QLatin1String("q")) {
        spec.kind = TTextSpec::QFactor;
    } else if (kind == QLatin1String("fader")) {
        spec.kind = TTextSpec::Fader;
    } else if (kind == QLatin1String("samples")) {
        spec.kind = TTextSpec::Samples;
    } else {
        fail(QStringLiteral("%1: unknown text kind \"%2\"").arg(what, kind));
    }
    return spec;
}

typedef QHash<int, TTextSpec> TTextTables;

// An inline text: a kind with its settings, or "like" a catalogue table with some settings changed.
TTextSpec textOf(const QJsonObject &o, const QString &what, const TTextTables &tables)
{
    TTextSpec spec;
    if (o.contains(QLatin1String("like"))) {
        const int id = intOf(o.value(QLatin1String("like")), what + QLatin1String(".like"));
        if (!tables.contains(id))
            fail(QStringLiteral("%1: unknown text table %2").arg(what).arg(id));
        spec = tables.value(id);
    } else {
        spec = textOfKind(o.value(QLatin1String("kind")).toString(), what);
    }
    if (o.contains(QLatin1String("scale")))
        spec.scale = o.value(QLatin1String("scale")).toDouble(1.0);
    if (o.contains(QLatin1String("offset")))
        spec.offset = o.value(QLatin1String("offset")).toDouble();
    if (o.contains(QLatin1String("decimals")))
        spec.decimals = qBound(0, intOf(o.value(QLatin1String("decimals")), what), 6);
    if (o.contains(QLatin1String("unit")))
        spec.unit = o.value(QLatin1String("unit")).toString();
    if (o.contains(QLatin1String("minusInf")))
        spec.minusInfAtMinimum = o.value(QLatin1String("minusInf")).toBool();
    if (o.contains(QLatin1String("plus")))
        spec.explicitPlus = o.value(QLatin1String("plus")).toBool();
    if (o.contains(QLatin1String("base")))
        spec.nameBase = intOf(o.value(QLatin1String("base")), what + QLatin1String(".base"));
    if (o.contains(QLatin1String("names")))
        spec.names = namesOf(o.value(QLatin1String("names")).toArray(), what);
    if (o.contains(QLatin1String("values"))) {
        spec.values.clear();
        for (const QJsonValue &v : o.value(QLatin1String("values")).toArray())
            spec.values << v.toDouble();
    }
    if (spec.kind == TTextSpec::Values && spec.values.isEmpty())
        fail(what + QLatin1String(": a list needs values"));
    return spec;
}

// A parameter's "text": a table id, a kind name, or an inline object.
void readParamText(const QJsonValue &v, TParamDef *p, const QString &what,
                   const TTextTables &tables)
{
    if (v.isUndefined() || v.isNull())
        return;
    // The last text given wins (an array item may replace the array's table by an inline one).
    if (v.isDouble()) {
        p->textTable = intOf(v, what);
        p->text = TTextSpec();
    } else if (v.isString()) {
        p->text = textOfKind(v.toString(), what);
        p->textTable = 0;
    } else if (v.isObject()) {
        p->text = textOf(v.toObject(), what, tables);
        p->textTable = 0;
    } else {
        fail(what + QLatin1String(": bad text"));
    }
}

void readParamFields(const QJsonObject &o, TParamDef *p, const QString &what,
                     const TTextTables &tables)
{
    if (o.contains(QLatin1String("min")))
        p->minimum = intOf(o.value(QLatin1String("min")), what + QLatin1String(".min"));
    if (o.contains(QLatin1String("max")))
        p->maximum = intOf(o.value(QLatin1String("max")), what + QLatin1String(".max"));
    if (o.contains(QLatin1String("default")))
        p->defaultValue =
                intOf(o.value(QLatin1String("default")), what + QLatin1String(".default"));
    if (o.contains(QLatin1String("alt"))) {
        p->hasAltDefault = true;
        p->altDefault = intOf(o.value(QLatin1String("alt")), what + QLatin1String(".alt"));
    }
    if (o.contains(QLatin1String("text")))
        readParamText(o.value(QLatin1String("text")), p, what + QLatin1String(".text"), tables);
    if (o.contains(QLatin1String("law"))) {
        const QString law = o.value(QLatin1String("law")).toString();
        if (law != QLatin1String("fader"))
            fail(QStringLiteral("%1: unknown law \"%2\"").arg(what, law));
        p->faderLaw = true;
    }
}

void addParam(TSectionDef *s, const TParamDef &p, const QString &what)
{
    if (!isKey(p.key))
        fail(QStringLiteral("%1: \"%2\" is not a key").arg(what, p.key));
    if (p.id < 0 || p.id > TParamCatalogue::MaxParameter)
        fail(QStringLiteral("%1: parameter %2 out of range").arg(what).arg(p.id));
    if (p.minimum > p.maximum)
        fail(what + QLatin1String(": minimum above maximum"));
    if (p.defaultValue < p.minimum || p.defaultValue > p.maximum)
        fail(what + QLatin1String(": default outside the range"));
    if (p.hasAltDefault && (p.altDefault < p.minimum || p.altDefault > p.maximum))
        fail(what + QLatin1String(": alternative default outside the range"));
    if (s->paramIndex.size() <= p.id)
        s->paramIndex.resize(p.id + 1, -1);
    if (s->paramIndex.at(p.id) >= 0)
        fail(QStringLiteral("%1: parameter %2 defined twice").arg(what).arg(p.id));
    if (s->keyIndex.contains(p.key))
        fail(QStringLiteral("%1: key %2 defined twice").arg(what, p.key));
    s->paramIndex[p.id] = s->params.size();
    s->keyIndex.insert(p.key, s->params.size());
    s->params << p;
}

// One entry of "params": a parameter, or an array of them ("count" with "stride", keys numbered
// from "first", optional per-item overrides in "items").
void readParamEntry(TSectionDef *s, const QJsonObject &o, const QString &what,
                    const TTextTables &tables)
{
    TParamDef base;
    base.key = o.value(QLatin1String("key")).toString();
    base.id = intOf(o.value(QLatin1String("id")), what + QLatin1String(".id"));
    readParamFields(o, &base, what, tables);
    if (!o.contains(QLatin1String("count"))) {
        addParam(s, base, what);
        return;
    }
    const int count = intOf(o.value(QLatin1String("count")), what + QLatin1String(".count"));
    const int stride = o.contains(QLatin1String("stride"))
            ? intOf(o.value(QLatin1String("stride")), what + QLatin1String(".stride"))
            : 1;
    const int first = o.contains(QLatin1String("first"))
            ? intOf(o.value(QLatin1String("first")), what + QLatin1String(".first"))
            : 1;
    if (count < 1 || count > TParamCatalogue::MaxParameter + 1 || stride < 1)
        fail(what + QLatin1String(": bad count or stride"));
    const QJsonArray items = o.value(QLatin1String("items")).toArray();
    for (int i = 0; i < count; ++i) {
        TParamDef p = base;
        p.key = base.key + QString::number(first + i);
        p.id = base.id + i * stride;
        if (i < items.size())
            readParamFields(items.at(i).toObject(), &p, what + QLatin1Char('/') + p.key, tables);
        addParam(s, p, what + QLatin1Char('/') + p.key);
    }
}

} // namespace

std::unique_ptr<TParamCatalogue> TParamCatalogue::parse(const QByteArray &json, QString *error)
{
    QJsonParseError jsonError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &jsonError);
    if (doc.isNull() || !doc.isObject()) {
        if (error)
            *error = doc.isNull() ? jsonError.errorString()
                                  : QStringLiteral("the description is not an object");
        return nullptr;
    }
    auto cat = std::make_unique<TParamCatalogue>();
    try {
        const QJsonObject root = doc.object();
        cat->name = root.value(QLatin1String("name")).toString();
        if (root.contains(QLatin1String("sampleRate")))
            cat->sampleRate =
                    intOf(root.value(QLatin1String("sampleRate")), QStringLiteral("sampleRate"));

        const QJsonObject tables = root.value(QLatin1String("textTables")).toObject();
        for (auto it = tables.begin(); it != tables.end(); ++it) {
            bool ok = false;
            const int id = it.key().toInt(&ok);
            if (!ok || id == 0)
                fail(QStringLiteral("text table id \"%1\"").arg(it.key()));
            cat->textTables.insert(id,
                                   textOf(it.value().toObject(),
                                          QStringLiteral("text table ") + it.key(),
                                          cat->textTables));
        }

        const QJsonObject meters = root.value(QLatin1String("meterTables")).toObject();
        for (auto it = meters.begin(); it != meters.end(); ++it) {
            bool ok = false;
            const int id = it.key().toInt(&ok);
            if (!ok || id == 0)
                fail(QStringLiteral("meter table id \"%1\"").arg(it.key()));
            QVector<quint16> thresholds;
            for (const QJsonValue &v : it.value().toArray())
                thresholds << quint16(qBound(0, intOf(v, QStringLiteral("meter table")), 65535));
            cat->meterTables.insert(id, thresholds);
        }

        cat->elementIndex.fill(-1, MaxElement + 1);
        const QJsonArray sections = root.value(QLatin1String("sections")).toArray();
        int valueCount = 0;
        for (const QJsonValue &sv : sections) {
            const QJsonObject so = sv.toObject();
            TSectionDef s;
            s.key = so.value(QLatin1String("key")).toString();
            const QString what = QStringLiteral("section ") + s.key;
            if (!isKey(s.key))
                fail(QStringLiteral("\"%1\" is not a section key").arg(s.key));
            s.element = intOf(so.value(QLatin1String("element")), what + QLatin1String(".element"));
            s.channels = so.contains(QLatin1String("channels"))
                    ? intOf(so.value(QLatin1String("channels")), what + QLatin1String(".channels"))
                    : 1;
            if (s.element < 0 || s.element > MaxElement)
                fail(what + QLatin1String(": element out of range"));
            if (s.channels < 1 || s.channels > MaxChannel + 1)
                fail(what + QLatin1String(": channel count out of range"));
            if (cat->elementIndex.at(s.element) >= 0)
                fail(QStringLiteral("%1: element %2 used twice").arg(what).arg(s.element));
            if (cat->sectionIndex.contains(s.key))
                fail(what + QLatin1String(": defined twice"));
            if (so.contains(QLatin1String("paramsOf"))) {
                // Same parameter map as an earlier section (the EQ blocks share theirs).
                const int from =
                        cat->sectionIndex.value(so.value(QLatin1String("paramsOf")).toString(), -1);
                if (from < 0)
                    fail(what + QLatin1String(": paramsOf names no earlier section"));
                const TSectionDef &other = cat->sections.at(from);
                s.params = other.params;
                s.paramIndex = other.paramIndex;
                s.keyIndex = other.keyIndex;
            }
            for (const QJsonValue &pv : so.value(QLatin1String("params")).toArray())
                readParamEntry(&s, pv.toObject(), what, cat->textTables);
            s.valueBase = valueCount;
            valueCount += s.params.size() * s.channels;
            cat->elementIndex[s.element] = cat->sections.size();
            cat->sectionIndex.insert(s.key, cat->sections.size());
            cat->sections << s;
        }
        for (const TSectionDef &s : qAsConst(cat->sections)) {
            for (const TParamDef &p : s.params) {
                if (p.textTable != 0 && !cat->textTables.contains(p.textTable))
                    fail(QStringLiteral("%1/%2: unknown text table %3")
                                 .arg(s.key, p.key)
                                 .arg(p.textTable));
            }
        }

        const QString patch = root.value(QLatin1String("patch")).toString();
        if (!patch.isEmpty()) {
            const QStringList parts = patch.split(QLatin1Char('/'));
            const int si = parts.size() == 2 ? cat->sectionIndex.value(parts.at(0), -1) : -1;
            const int pi = si >= 0 ? cat->sections.at(si).keyIndex.value(parts.at(1), -1) : -1;
            if (pi < 0)
                fail(QStringLiteral("patch: \"%1\" does not resolve").arg(patch));
            cat->patchElement = cat->sections.at(si).element;
            cat->patchParameter = cat->sections.at(si).params.at(pi).id;
        }

        cat->m_valueCount = valueCount;
        cat->m_values.reset(new std::atomic<int>[size_t(qMax(1, valueCount))]);
        cat->m_observers.reset(new std::atomic<void *>[size_t(qMax(1, valueCount))]);
        for (int i = 0; i < qMax(1, valueCount); ++i)
            cat->m_observers[size_t(i)].store(nullptr, std::memory_order_relaxed);
        cat->resetValues();
    } catch (const ParseError &e) {
        if (error)
            *error = e.message;
        return nullptr;
    }
    return cat;
}

std::atomic<void *> *TParamCatalogue::observerCell(const std::atomic<int> *valueSlot) const
{
    return &m_observers[size_t(valueSlot - m_values.get())];
}

void TParamCatalogue::clearObserverCells()
{
    for (int i = 0; i < m_valueCount; ++i)
        m_observers[size_t(i)].store(nullptr, std::memory_order_release);
}

const TTextSpec *TParamCatalogue::paramText(const TParamDef &p) const
{
    if (p.textTable != 0) {
        auto it = textTables.constFind(p.textTable);
        return it == textTables.constEnd() ? nullptr : &it.value();
    }
    return p.text.isValid() ? &p.text : nullptr;
}

void TParamCatalogue::resetValues()
{
    for (const TSectionDef &s : qAsConst(sections)) {
        for (int i = 0; i < s.params.size(); ++i) {
            for (int c = 0; c < s.channels; ++c)
                m_values[size_t(s.valueBase + i * s.channels + c)].store(
                        s.params.at(i).defaultValue);
        }
    }
}
