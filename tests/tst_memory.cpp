#include "TParamInfo.h"
#include "TestRig.h"

#include <QBuffer>
#include <QDataStream>
#include <QRegularExpression>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <atomic>
#include <charconv>
#include <cmath>
#include <limits>
#include <memory>

namespace {

using RecordingProxy = TestRig::Watcher;

// A QObject proxy, as forms hold them.
class ObjectProxy : public QObject, public RecordingProxy
{
public:
    ObjectProxy(QObject *parent, const QString &address)
        : QObject(parent)
    {
        setNamedAddress(address);
    }
};

class Receiver : public QObject
{
    Q_OBJECT
public:
    int online = 0;
    bool lastOnline = true;
    int service = 0;
    int rate = 0;
    int rateCalls = 0;
    QList<int> phases;
    TParamMemory *memory = nullptr;

public Q_SLOTS:
    void onlineChange(bool on)
    {
        ++online;
        lastOnline = on;
    }
    void updateIfNeeded() { ++service; }
    void handle_sampleFreqChange(int hz)
    {
        rate = hz;
        ++rateCalls;
    }
    void doBlink()
    {
        int phase = -1;
        memory->blinkPhase(&phase, 0);
        phases << phase;
    }
    void takesString(const QString &) { }
};

// The number a user would type for a value text: the leading number in the text's base unit
// ("1.06 kHz" is 1060, "-inf" minus infinity, pan "L12" is -12).
bool numberOfText(const QString &text, double *number)
{
    const QString t = text.trimmed();
    if (t.startsWith(QLatin1String("-inf"))) {
        *number = -std::numeric_limits<double>::infinity();
        return true;
    }
    if (t == QLatin1String("C")) {
        *number = 0;
        return true;
    }
    static const QRegularExpression pan(QStringLiteral("^([LR])(\\d+)$"));
    const QRegularExpressionMatch p = pan.match(t);
    if (p.hasMatch()) {
        *number = p.captured(2).toDouble() * (p.captured(1) == QLatin1String("L") ? -1 : 1);
        return true;
    }
    static const QRegularExpression num(QStringLiteral("^([+-]?\\d+(?:\\.\\d+)?)\\s*(\\S*)$"));
    const QRegularExpressionMatch m = num.match(t);
    if (!m.hasMatch())
        return false;
    // Locale-free, and far quicker than QString::toDouble() over every value of every table.
    const QByteArray digits = m.captured(1).toLatin1();
    std::from_chars(digits.constData() + (digits.startsWith('+') ? 1 : 0),
                    digits.constData() + digits.size(), *number);
    if (m.captured(2).startsWith(QLatin1Char('k')))
        *number *= 1000.0;
    return true;
}

struct ParamRef
{
    int element;
    int parameter;
};

QList<ParamRef> allParameters(const TParamMemory &memory)
{
    QList<ParamRef> refs;
    for (const QString &key : memory.sectionKeys()) {
        const int e = memory.sectionElement(key);
        for (int p : memory.parameters(e))
            refs.append({e, p});
    }
    return refs;
}

int elementOf(const TParamMemory &m, const char *key)
{
    return m.sectionElement(QLatin1String(key));
}

int get(TParamMemory &m, const IMemAPI::TSingleAddress &a)
{
    return m.getValue(a.element, a.parameter, a.channel);
}

int set(TParamMemory &m, const IMemAPI::TSingleAddress &a, int v, int notify = 1)
{
    return m.setValue(a.element, a.parameter, a.channel, v, m.sourceId(), notify);
}

QVector<int> snapshot(TParamMemory &m)
{
    QVector<int> values;
    for (const ParamRef &r : allParameters(m)) {
        for (int c = 0; c < m.channelCount(r.element); ++c)
            values << m.getValue(r.element, r.parameter, c);
    }
    return values;
}

} // namespace

class tst_Memory : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void catalogueDescribesTheConsole();
    void loadCatalogueRejectsBadDescriptions_data();
    void loadCatalogueRejectsBadDescriptions();
    void loadCatalogueTakesAHostConsole();
    void defaultsAndClamping();
    void defaultsAndAlternativeDefaults();
    void unknownAddressesChangeNothing();
    void writesNotifyOnlyOnChange();
    void notificationsFollowRegistrationChanges();
    void textTablesRoundTrip_data();
    void textTablesRoundTrip();
    void valueTexts_data();
    void valueTexts();
    void textSpecialTables();
    void faderLawIsMonotonicAndInverts();
    void undoRedoAcrossGroups();
    void applyParamInfoIsOneUndoStep();
    void namedAddressesResolve_data();
    void namedAddressesResolve();
    void addressQueriesReportTheirFields();
    void malformedNamedAddressesStayUnresolved_data();
    void malformedNamedAddressesStayUnresolved();
    void addressListsLayChannelRangesEndToEnd();
    void batchModeSendsOneNotificationPerAddress();
    void connectSignalAcceptsCodedStrings();
    void sampleRateNotifier();
    void blinkPhaseTogglesBeforeReceivers();
    void meterFeedFromAWorkerThread();
    void observersMayReenterTheMemory();
    void removeObserverWaitsForACallInFlight();
    void floodFromTwoThreads();
    void connectProxyAndTrees();
    void memoryDestructionDetachesProxies();
    void patchResolution();
    void timecodeRequests();
};

void tst_Memory::catalogueDescribesTheConsole()
{
    TParamMemory m;
    QVERIFY(!m.catalogueName().isEmpty());
    for (const QString &key : m.sectionKeys())
        QVERIFY2(key.startsWith(QLatin1Char('k')), qPrintable(key));
    // The EQ blocks the curve widget reads: 47 and 85 with 0..22, 66 and 99 with 0..42.
    for (int e : {47, 85, 66, 99}) {
        const int last = (e == 47 || e == 85) ? 22 : 42;
        for (int p = 0; p <= last; ++p)
            QVERIFY2(m.hasParameter(e, p), qPrintable(QStringLiteral("%1/%2").arg(e).arg(p)));
        QVERIFY(!m.hasParameter(e, last + 1));
    }
    QVERIFY(m.hasParameter(46, 0) && m.hasParameter(46, 1));
    QVERIFY(m.hasParameter(270, 32) && m.hasParameter(270, 47));
    QCOMPARE(m.channelCount(270), 1);
    // Parameter arrays expand into numbered keys.
    for (int k = 1; k <= 10; ++k) {
        const QString name = QStringLiteral("FEkEffect/kEffectParam%1").arg(k);
        IMemAPI::TSingleAddress a;
        QVERIFY2(m.resolveNamed(name, 0, &a), qPrintable(name));
        QCOMPARE(m.parameterKey(a.element, a.parameter), QStringLiteral("kEffectParam%1").arg(k));
    }
}

void tst_Memory::loadCatalogueRejectsBadDescriptions_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::newRow("not json") << QByteArray("not json");
    QTest::newRow("array") << QByteArray("[]");
    QTest::newRow("key without k")
            << QByteArray(R"({"sections":[{"key":"Input","element":1,"params":[]}]})");
    QTest::newRow("minimum above maximum") << QByteArray(
            R"({"sections":[{"key":"kA","element":1,"params":[{"key":"kP","id":0,"min":5,"max":1}]}]})");
    QTest::newRow("default outside") << QByteArray(
            R"({"sections":[{"key":"kA","element":1,"params":[{"key":"kP","id":0,"max":3,"default":9}]}]})");
    QTest::newRow("element twice")
            << QByteArray(R"({"sections":[{"key":"kA","element":1},{"key":"kB","element":1}]})");
    QTest::newRow("text not a table") << QByteArray(
            R"({"sections":[{"key":"kA","element":1,"params":[{"key":"kP","id":0,"text":77}]}]})");
    QTest::newRow("element too large")
            << QByteArray(R"({"sections":[{"key":"kA","element":5000}]})");
}

void tst_Memory::loadCatalogueRejectsBadDescriptions()
{
    QFETCH(QByteArray, json);
    TParamMemory m;
    const QString name = m.catalogueName();
    const QVector<int> before = snapshot(m);
    QString error;
    QVERIFY(!m.loadCatalogue(json, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(m.catalogueName(), name);
    QCOMPARE(snapshot(m), before);
}

void tst_Memory::loadCatalogueTakesAHostConsole()
{
    // A small host catalogue with a parameter array; values start at their defaults.
    TParamMemory m;
    const IMemAPI::TSingleAddress fader = TestRig::resolve(m, "00kInput/kFader");
    set(m, fader, 500);
    QVERIFY(m.loadCatalogue(R"({"name":"tiny","sections":[{"key":"kBox","element":3,"channels":2,
        "params":[{"key":"kKnob","id":4,"count":3,"stride":2,"min":-5,"max":5,"default":1}]}]})"));
    QCOMPARE(m.catalogueName(), QStringLiteral("tiny"));
    QCOMPARE(m.parameters(3), (QList<int> {4, 6, 8}));
    QCOMPARE(m.parameterKey(3, 8), QStringLiteral("kKnob3"));
    QCOMPARE(m.getValue(3, 6, 1), 1);
    QVERIFY(!m.hasParameter(fader.element, fader.parameter));
    QCOMPARE(set(m, fader, 1), -1);
}

void tst_Memory::defaultsAndClamping()
{
    // Every parameter starts at its default, has an alternative one inside its range, and
    // clamps what is written.
    TParamMemory m;
    for (const ParamRef &r : allParameters(m)) {
        const int def = m.getValueEx(r.element, r.parameter, 0, false, nullptr);
        QCOMPARE(m.getValue(r.element, r.parameter, 0), def);
        int unavailable = -1;
        const int alt = m.getValueEx(r.element, r.parameter, 0, true, &unavailable);
        QVERIFY(unavailable == 0 || unavailable == 1);
        if (unavailable)
            QCOMPARE(alt, def);
        QVERIFY(alt >= m.getMinimum(r.element, r.parameter, 0));
        QVERIFY(alt <= m.getMaximum(r.element, r.parameter, 0));
        const int c = m.channelCount(r.element) - 1;
        const int lo = m.getMinimum(r.element, r.parameter, c);
        const int hi = m.getMaximum(r.element, r.parameter, c);
        QVERIFY(lo <= hi);
        QCOMPARE(m.setValue(r.element, r.parameter, c, std::numeric_limits<int>::max(), 0), 0);
        QCOMPARE(m.getValue(r.element, r.parameter, c), hi);
        QCOMPARE(m.setValue(r.element, r.parameter, c, std::numeric_limits<int>::min(), 0), 0);
        QCOMPARE(m.getValue(r.element, r.parameter, c), lo);
        if (hi > lo) {
            m.setValue(r.element, r.parameter, c, lo + 1, 0);
            QCOMPARE(m.getValue(r.element, r.parameter, c), lo + 1);
        }
    }
}

void tst_Memory::defaultsAndAlternativeDefaults()
{
    TParamMemory m;
    // A fader's alternative default is unity gain, 823.
    const IMemAPI::TSingleAddress fader = TestRig::resolve(m, "00kInput/kFader");
    int unavailable = -1;
    QCOMPARE(m.getValueEx(fader.element, fader.parameter, 3, true, &unavailable), 823);
    QCOMPARE(unavailable, 0);
    const IMemAPI::TSingleAddress pan = TestRig::resolve(m, "00kInput/kPan");
    m.getValueEx(pan.element, pan.parameter, 3, true, &unavailable);
    QCOMPARE(unavailable, 1);
    // Unknown addresses have nothing to offer.
    unavailable = 0;
    QCOMPARE(m.getValueEx(999, 0, 0, true, &unavailable), 0);
    QCOMPARE(unavailable, 1);
    unavailable = 0;
    m.getValueEx(pan.element, pan.parameter, 4000, false, &unavailable);
    QCOMPARE(unavailable, 1);
}

void tst_Memory::unknownAddressesChangeNothing()
{
    TParamMemory m;
    RecordingProxy watcher;
    const IMemAPI::TSingleAddress on = TestRig::resolve(m, "00kInput/kOn");
    m.addObserver(&watcher, IMemAPI::pack(on.element, on.parameter, 0));
    const QVector<int> before = snapshot(m);
    const int channels = m.channelCount(on.element);
    QCOMPARE(m.setValue(999, 0, 0, 1, 0), -1);
    QCOMPARE(m.setValue(on.element, on.parameter, channels, 0, 0), -1);
    QCOMPARE(m.setValue(on.element, on.parameter, -1, 0, 0), -1);
    QCOMPARE(m.setValue(on.element, 2000, 0, 0, 0), -1);
    QCOMPARE(m.setValue(-5, on.parameter, 0, 0, 0), -1);
    QCOMPARE(m.getValue(999, 0, 0), 0);
    QCOMPARE(m.getMinimum(999, 0, 0), 0);
    QCOMPARE(m.getMaximum(999, 0, 0), 0);
    QCOMPARE(snapshot(m), before);
    QCOMPARE(watcher.calls.load(), 0);
    m.forgetProxy(&watcher);
}

void tst_Memory::writesNotifyOnlyOnChange()
{
    TParamMemory m;
    RecordingProxy a, b;
    const IMemAPI::TSingleAddress gain = TestRig::resolve(m, "05kInputEQ/kBandGain2");
    const quint32 packed = gain.packed();
    TestRig::observe(m, a, gain);
    m.addObserver(&b, packed);
    m.addObserver(&b, packed); // a second registration of the same pair changes nothing
    QCOMPARE(m.observerCount(packed), 2);
    set(m, gain, 60);
    QCOMPARE(a.calls.load(), 1);
    QCOMPARE(b.calls.load(), 1);
    QCOMPARE(a.lastSeen.load(), 60);
    set(m, gain, 60);
    QCOMPARE(a.calls.load(), 1);
    // A write clamped onto the stored value is no change either.
    set(m, gain, 5000);
    set(m, gain, 6000);
    QCOMPARE(a.calls.load(), 2);
    // A silent write stores without telling.
    m.setValue(gain.element, gain.parameter, gain.channel, 0, m.sourceId(), 0);
    QCOMPARE(a.calls.load(), 2);
    QCOMPARE(get(m, gain), 0);
    // Other channels are other addresses.
    m.setValue(gain.element, gain.parameter, gain.channel + 1, 30, m.sourceId());
    QCOMPARE(a.calls.load(), 2);
    QCOMPARE(m.removeObserver(&a, packed), 0);
    QCOMPARE(m.removeObserver(&a, packed), -1);
    set(m, gain, 10);
    QCOMPARE(a.calls.load(), 2);
    QCOMPARE(b.calls.load(), 3);
    m.forgetProxy(&b);
    QCOMPARE(m.observerCount(), 0);
}

void tst_Memory::notificationsFollowRegistrationChanges()
{
    TParamMemory m;
    const IMemAPI::TSingleAddress gain = TestRig::resolve(m, "05kInputEQ/kBandGain2");
    const IMemAPI::TSingleAddress other = TestRig::resolve(m, "06kInputEQ/kBandGain2");
    const quint32 packed = gain.packed();
    const int minimum = m.getMinimum(gain.element, gain.parameter, gain.channel);
    int next = minimum;
    auto write = [&] {
        next = next == minimum ? minimum + 1 : minimum;
        set(m, gain, next);
    };
    auto watcher = [&](const IMemAPI::TSingleAddress &at) {
        auto proxy = std::make_unique<RecordingProxy>();
        TestRig::observe(m, *proxy, at);
        return proxy;
    };

    std::unique_ptr<RecordingProxy> a = watcher(gain);
    write();
    QCOMPARE(a->calls.load(), 1);

    std::unique_ptr<RecordingProxy> b = watcher(gain);
    QCOMPARE(m.removeObserver(a.get(), packed), 0);
    write();
    QCOMPARE(a->calls.load(), 1);
    QCOMPARE(b->calls.load(), 1);

    // A replaced catalogue keeps the registrations.
    QVERIFY(m.loadCatalogueFile(QStringLiteral(":/zb4r/console.json")));
    const int afterLoad = b->calls.load();
    QVERIFY(afterLoad >= 1);
    write();
    QCOMPARE(b->calls.load(), afterLoad + 1);
    QCOMPARE(b->lastSeen.load(), next);

    // Proxies that go and come: only the registered ones hear of a write.
    b.reset();
    std::unique_ptr<RecordingProxy> elsewhere = watcher(other);
    std::unique_ptr<RecordingProxy> c = watcher(gain);
    write();
    QCOMPARE(c->calls.load(), 1);
    QCOMPARE(c->lastSeen.load(), next);
    QCOMPARE(elsewhere->calls.load(), 0);
    QCOMPARE(a->calls.load(), 1);
    c.reset();
    write();
    QCOMPARE(elsewhere->calls.load(), 0);
    QCOMPARE(m.observerCount(packed), 0);
}

void tst_Memory::textTablesRoundTrip_data()
{
    QTest::addColumn<int>("rate");
    for (int rate : {44100, 48000, 88200, 96000})
        QTest::addRow("%d Hz", rate) << rate;
}

void tst_Memory::textTablesRoundTrip()
{
    QFETCH(int, rate);
    TParamMemory m;
    int checkedTables = 0;
    QSet<int> tables;
    m.setSampleRate(rate);
    for (const ParamRef &r : allParameters(m)) {
        const int lo = m.getMinimum(r.element, r.parameter, 0);
        const int hi = m.getMaximum(r.element, r.parameter, 0);
        if (qint64(hi) - lo > 20000)
            continue; // bit masks have no text
        // Which table a parameter uses is the catalogue's business: find every table whose
        // text matches the parameter's own text at every value, through the public calls.
        for (int v = lo; v <= hi; ++v) {
            // Table 0 takes values counted from a negative minimum; -3 takes raw values.
            const int tv = IMemAPI::textValueFromRaw(v, lo, 0);
            QString own, compact;
            const int fromTable = m.valueToText(0, 0, &own, nullptr, tv, 0, r.element, r.parameter);
            QCOMPARE(m.valueToText(0, -3, &compact, nullptr, v, 1, r.element, r.parameter),
                     fromTable);
            QVERIFY2(compact.size() <= own.size(),
                     qPrintable(own + QLatin1String(" / ") + compact));
            double typed = 0, typedCompact = 0;
            if (numberOfText(own, &typed)) {
                QVERIFY2(numberOfText(compact, &typedCompact), qPrintable(compact));
                QCOMPARE(typedCompact, typed);
            }
        }
    }
    // Every numeric catalogue table, over the range of each parameter that uses it.
    for (int table = 1; table < 64; ++table) {
        QStringList names;
        if (m.dynamicStringList(table, &names) > 0)
            continue;
        QString probe;
        if (m.valueToText(0, table, &probe, nullptr, 0, 0) != 0)
            continue; // no such table
        tables.insert(table);
        for (const ParamRef &r : allParameters(m)) {
            const int lo = m.getMinimum(r.element, r.parameter, 0);
            const int hi = m.getMaximum(r.element, r.parameter, 0);
            if (qint64(hi) - lo > 20000)
                continue;
            // Only parameters shown with this table.
            bool uses = true;
            for (int v = lo; v <= hi && uses; v += qMax(1, (hi - lo) / 7)) {
                QString a, b;
                const int tv = IMemAPI::textValueFromRaw(v, lo, 0);
                m.valueToText(0, 0, &a, nullptr, tv, 0, r.element, r.parameter);
                m.valueToText(0, table, &b, nullptr, tv, 0, r.element, r.parameter);
                uses = a == b;
            }
            if (!uses)
                continue;
            for (int v = lo; v <= hi; ++v) {
                QString text;
                QCOMPARE(m.valueToText(0, table, &text, nullptr,
                                       IMemAPI::textValueFromRaw(v, lo, table), 0, r.element,
                                       r.parameter),
                         0);
                double number = 0;
                QVERIFY2(numberOfText(text, &number), qPrintable(text));
                const int back = m.valueFromNumber(table, float(number));
                QVERIFY2(qBound(lo, back, hi) == v,
                         qPrintable(QStringLiteral("table %1: %2 -> \"%3\" -> %4")
                                            .arg(table)
                                            .arg(v)
                                            .arg(text)
                                            .arg(back)));
            }
            ++checkedTables;
        }
    }
    // Delays in samples, shown in ms at the current rate.
    for (int v = 0; v <= 14400; ++v) {
        QString text;
        QCOMPARE(m.valueToText(0, -7, &text, nullptr, v, 0), 0);
        double number = 0;
        QVERIFY(numberOfText(text, &number));
        QCOMPARE(m.valueFromNumber(-7, float(number)), v);
    }
    QVERIFY(tables.contains(5));
    QVERIFY(checkedTables > 10);
}

void tst_Memory::valueTexts_data()
{
    QTest::addColumn<QString>("address"); // of the parameter table 0 takes its text from
    QTest::addColumn<int>("table");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("compact");
    QTest::addColumn<bool>("fromTable");
    QTest::addColumn<QVariant>("shown"); // the text, or the number it shows

    const QString pan = QStringLiteral("00kInput/kPan");
    const QString freq = QStringLiteral("00kInputEQ/kBandFreq1");
    const QString none;
    // Fader table 5: 823 is 0 dB, 1023 is +10 dB, 0 is minus infinity.
    QTest::newRow("fader unity") << none << 5 << 823 << 0 << true << QVariant(0.0);
    QTest::newRow("fader top") << none << 5 << 1023 << 0 << true << QVariant(10.0);
    QTest::newRow("fader off") << none << 5 << 0 << 0 << true
                               << QVariant(-std::numeric_limits<double>::infinity());
    // The input patch names: "---" then the AD ports.
    const QString patch = QStringLiteral("00kPatchInInput/kPatchIn");
    QTest::newRow("not patched") << patch << 0 << 0 << 0 << true << QVariant("---");
    QTest::newRow("first port") << patch << 0 << 1 << 0 << true << QVariant("AD 1");
    // Pan: its minimum is negative, so table 0 takes values counted from it; tables below 0
    // take raw values.
    QTest::newRow("pan left") << pan << 0 << 0 << 0 << true << QVariant("L63");
    QTest::newRow("pan centre") << pan << 0 << 63 << 0 << true << QVariant("C");
    QTest::newRow("pan right") << pan << 0 << 126 << 0 << true << QVariant("R63");
    QTest::newRow("pan raw") << pan << -3 << -63 << 0 << true << QVariant("L63");
    // EQ frequencies: value v is 1/24-octave index 2v, index 8 is 20 Hz and index 248 20 kHz.
    QTest::newRow("lowest frequency") << freq << 0 << 4 << 0 << true << QVariant(20.0);
    QTest::newRow("highest frequency") << freq << 0 << 124 << 0 << true << QVariant(20000.0);
    QTest::newRow("compact frequency") << freq << -3 << 124 << 1 << true << QVariant("20.0k");
    // Q: value q is Q index 80 - 2q; index 40 (row 20) is Q 1.0.
    QTest::newRow("Q 1") << QStringLiteral("00kInputEQ/kBandQ1") << 0 << 20 << 0 << true
                         << QVariant(1.0);
    // No table: the number, and a non-zero result.
    QTest::newRow("no such table") << none << 999 << 42 << 0 << false << QVariant("42");
    QTest::newRow("no such parameter")
            << QStringLiteral("00kInput/kNoSuch") << 0 << -7 << 0 << false << QVariant("-7");
}

void tst_Memory::valueTexts()
{
    QFETCH(QString, address);
    QFETCH(int, table);
    QFETCH(int, value);
    QFETCH(int, compact);
    QFETCH(bool, fromTable);
    QFETCH(QVariant, shown);
    TParamMemory m;
    const IMemAPI::TSingleAddress a = TestRig::resolve(m, address);
    QString text;
    QCOMPARE(m.valueToText(0, table, &text, nullptr, value, compact, a.element, a.parameter) == 0,
             fromTable);
    if (shown.typeId() == QMetaType::QString) {
        QCOMPARE(text, shown.toString());
    } else {
        double n = 0;
        QVERIFY2(numberOfText(text, &n), qPrintable(text));
        QCOMPARE(n, shown.toDouble());
    }
}

void tst_Memory::textSpecialTables()
{
    TParamMemory m;
    QCOMPARE(m.valueFromNumber(5, -std::numeric_limits<float>::infinity()), 0);
    QCOMPARE(m.valueFromNumber(5, 0.0f), 823);
    QCOMPARE(m.valueFromNumber(5, 40.0f), 1023);
    // Table 0 with a typed number rounds.
    QCOMPARE(m.valueFromNumber(0, 2.6f), 3);
    QCOMPARE(m.valueFromNumber(0, -2.6f), -3);
    QVERIFY(m.valueToText(0, 5, nullptr, nullptr, 1, 0) != 0);

    // Twelve EQ frequency values make an octave.
    const IMemAPI::TSingleAddress freq = TestRig::resolve(m, "00kInputEQ/kBandFreq1");
    auto hz = [&](int v) {
        QString t;
        m.valueToText(0, 0, &t, nullptr, v, 0, freq.element, freq.parameter);
        double f = 0;
        return numberOfText(t, &f) ? f : -1.0;
    };
    for (int v = 4; v + 12 <= 124; ++v)
        QVERIFY2(std::abs(hz(v + 12) / hz(v) - 2.0) < 0.04, qPrintable(QString::number(v)));

    // Value names.
    QStringList names {QStringLiteral("keep")};
    const int table = 7;
    const int count = m.dynamicStringList(table, &names);
    QCOMPARE(names.size(), count + 1);
    QCOMPARE(names.first(), QStringLiteral("keep"));
    QCOMPARE(m.dynamicStringList(12345, &names), 0);
    QCOMPARE(m.dynamicStringList(table, nullptr), 0);
}

void tst_Memory::faderLawIsMonotonicAndInverts()
{
    TParamMemory m;
    for (const char *name : {"00kInput/kFader", "00kInput/kAuxLevel3", "00kMix/kFader"}) {
        const IMemAPI::TSingleAddress a = TestRig::resolve(m, name);
        const int lo = m.getMinimum(a.element, a.parameter, 0);
        const int hi = m.getMaximum(a.element, a.parameter, 0);
        for (int n : {40, 200, 1000, 4096}) {
            auto position = [&](int v) {
                int k = n;
                const int rc = m.faderPositionFromValue(&k, a.element, a.parameter, v);
                return rc == 0 ? k : -1;
            };
            auto value = [&](int x) {
                int k = n;
                const int rc = m.faderValueFromPosition(&k, a.element, a.parameter, x);
                return rc == 0 ? k : std::numeric_limits<int>::min();
            };
            QCOMPARE(position(lo), 0);
            QCOMPARE(position(hi), n);
            int previous = -1;
            for (int v = lo; v <= hi; ++v) {
                const int x = position(v);
                QVERIFY(x >= previous);
                previous = x;
                // Value -> position -> value lands on the same position; with more positions
                // than values it is the same value.
                const int back = value(x);
                QCOMPARE(position(back), x);
                if (n >= 4096)
                    QCOMPARE(back, v);
            }
            int previousValue = std::numeric_limits<int>::min();
            for (int x = 0; x <= n; ++x) {
                const int v = value(x);
                QVERIFY(v >= previousValue && v >= lo && v <= hi);
                previousValue = v;
            }
            // Not linear: unity sits about three quarters up, and -30 dB far below the middle.
            const double unity = position(m.valueFromNumber(5, 0.0f)) / double(n);
            QVERIFY2(unity > 0.7 && unity < 0.8, qPrintable(QString::number(unity)));
            const double minus30 = position(m.valueFromNumber(5, -30.0f)) / double(n);
            const double linear30 = (m.valueFromNumber(5, -30.0f) - lo) / double(hi - lo);
            QVERIFY(linear30 - minus30 > 0.05);
        }
        int clampLow = 100;
        QCOMPARE(m.faderValueFromPosition(&clampLow, a.element, a.parameter, -50), 0);
        QCOMPARE(clampLow, lo);
    }
    // Parameters without a law, no travel and no result give an error and leave n alone.
    const IMemAPI::TSingleAddress pan = TestRig::resolve(m, "00kInput/kPan");
    const IMemAPI::TSingleAddress fader = TestRig::resolve(m, "00kInput/kFader");
    int n = 100;
    QVERIFY(m.faderPositionFromValue(&n, pan.element, pan.parameter, 0) != 0);
    QVERIFY(m.faderValueFromPosition(&n, pan.element, pan.parameter, 10) != 0);
    QCOMPARE(n, 100);
    QVERIFY(m.faderPositionFromValue(&n, 999, 0, 0) != 0);
    QVERIFY(m.faderPositionFromValue(nullptr, fader.element, fader.parameter, 0) != 0);
    n = 0;
    QVERIFY(m.faderPositionFromValue(&n, fader.element, fader.parameter, 0) != 0);
}

void tst_Memory::undoRedoAcrossGroups()
{
    TParamMemory m;
    QSignalSpy state(&m, &TParamMemory::undoStateChanged);
    RecordingProxy x, y;
    const IMemAPI::TSingleAddress ax = TestRig::resolve(m, "00kInputSurround/kSurrX");
    const IMemAPI::TSingleAddress ay = TestRig::resolve(m, "00kInputSurround/kSurrY");
    TestRig::observe(m, x, ax);
    y.setAddress(ay.element, ay.channel, ay.parameter);
    const int x0 = get(m, ax);
    const int y0 = get(m, ay);

    QVERIFY(!m.canUndo());
    m.registerUndo(&x);
    set(m, ax, 10);
    QCOMPARE(m.undoDepth(), 1);
    QVERIFY(state.count() > 0);

    // One group: x and y together, x written twice.
    m.setUndoGroup(true);
    m.registerUndo(&x);
    set(m, ax, 20);
    m.registerUndo(&y);
    set(m, ay, -20);
    m.registerUndo(&x);
    set(m, ax, 30);
    QCOMPARE(m.undoDepth(), 1); // nothing until the group closes
    m.setUndoGroup(false);
    QCOMPARE(m.undoDepth(), 2);

    const int callsBefore = x.calls.load();
    QVERIFY(m.undo());
    QCOMPARE(get(m, ax), 10);
    QCOMPARE(get(m, ay), y0);
    QVERIFY(x.calls.load() > callsBefore); // undo notifies
    QVERIFY(m.canRedo());
    QVERIFY(m.undo());
    QCOMPARE(get(m, ax), x0);
    QVERIFY(!m.canUndo());
    QVERIFY(!m.undo());

    QVERIFY(m.redo());
    QCOMPARE(get(m, ax), 10);
    QVERIFY(m.redo());
    QCOMPARE(get(m, ax), 30);
    QCOMPARE(get(m, ay), -20);
    QVERIFY(!m.redo());

    // A new step drops the redo history.
    QVERIFY(m.undo());
    m.registerUndo(&y);
    set(m, ay, 5);
    QVERIFY(!m.canRedo());

    // Nested groups make one step; an empty group makes none.
    const int depth = m.undoDepth();
    m.setUndoGroup(true);
    m.setUndoGroup(true);
    m.registerUndo(&x);
    m.setUndoGroup(false);
    m.registerUndo(&y);
    m.setUndoGroup(false);
    QCOMPARE(m.undoDepth(), depth + 1);
    m.setUndoGroup(true);
    m.setUndoGroup(false);
    m.setUndoGroup(false); // unbalanced close: ignored
    QCOMPARE(m.undoDepth(), depth + 1);

    // A proxy without a valid address records nothing.
    RecordingProxy nowhere;
    m.registerUndo(&nowhere);
    m.registerUndo(nullptr);
    QCOMPARE(m.undoDepth(), depth + 1);
    m.clearUndo();
    QVERIFY(!m.canUndo() && !m.canRedo());
    m.forgetProxy(&x);
}

void tst_Memory::applyParamInfoIsOneUndoStep()
{
    TParamMemory m;
    const IMemAPI::TSingleAddress a = TestRig::resolve(m, "02kInputEQ/kBandGain1");
    const IMemAPI::TSingleAddress b = TestRig::resolve(m, "03kInput/kPan");
    const int a0 = get(m, a);
    const int b0 = get(m, b);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QDataStream out(&buffer);
        TParamInfoWriter(a.element, a.channel, a.parameter, 120, &out);
        TParamInfoWriter(999, 0, 0, 5, &out); // no such address: skipped
        TParamInfoWriter(b.element, b.channel, b.parameter, -40, &out);
        TParamInfoWriter(b.element, b.channel, b.parameter, 500, &out); // clamped
        out << qint16(1); // a truncated tail
    }
    buffer.close();
    RecordingProxy watcher;
    m.addObserver(&watcher, a.packed());
    QCOMPARE(m.applyParamInfo(&buffer), 3);
    QCOMPARE(get(m, a), 120);
    QCOMPARE(get(m, b), m.getMaximum(b.element, b.parameter, 0));
    QCOMPARE(watcher.calls.load(), 1);
    QCOMPARE(m.undoDepth(), 1);
    QVERIFY(m.undo());
    QCOMPARE(get(m, a), a0);
    QCOMPARE(get(m, b), b0);
    QVERIFY(m.redo());
    QCOMPARE(get(m, a), 120);

    // Garbage and empty buffers write nothing.
    QBuffer garbage;
    garbage.setData(QByteArray("\x01\x02\x03", 3));
    QCOMPARE(m.applyParamInfo(&garbage), 0);
    QBuffer empty;
    QCOMPARE(m.applyParamInfo(&empty), 0);
    QCOMPARE(m.applyParamInfo(nullptr), 0);
    QCOMPARE(m.undoDepth(), 1);
    m.forgetProxy(&watcher);
}

void tst_Memory::namedAddressesResolve_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("own");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("channel"); // -1: does not resolve

    QTest::newRow("own channel") << "FEkEffect/kEffectParam3" << 5 << "kEffect"
                                 << "kEffectParam3" << 5;
    QTest::newRow("lower-case hex") << "0akSetupKV518/kKV518Port" << 0 << "kSetupKV518"
                                    << "kKV518Port" << 10;
    QTest::newRow("upper-case hex") << "0AkSetupKV518/kKV518Port" << 3 << "kSetupKV518"
                                    << "kKV518Port" << 10;
    QTest::newRow("lower-case own channel") << "fekInput/kOn" << 47 << "kInput"
                                            << "kOn" << 47;
    QTest::newRow("count prefix") << "18FEkMixPair/kPair" << 2 << "kMixPair"
                                  << "kPair" << 2;
    // "FE" on a channel the element lacks.
    QTest::newRow("own channel past the element") << "FEkInput/kOn" << 48 << ""
                                                  << "" << -1;
    QTest::newRow("negative own channel") << "FEkInput/kOn" << -1 << ""
                                          << "" << -1;
}

void tst_Memory::namedAddressesResolve()
{
    QFETCH(QString, name);
    QFETCH(int, own);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(int, channel);
    TParamMemory m;
    IMemAPI::TSingleAddress a;
    QCOMPARE(m.resolveNamed(name, own, &a), channel >= 0);
    // A bound object resolves its name the same way.
    RecordingProxy proxy;
    QCOMPARE(TestRig::bind(m, proxy, name, own), channel >= 0);
    if (channel < 0) {
        QVERIFY(!proxy.address().isValid());
        QCOMPARE(m.observerCount(), 0);
        return;
    }
    QCOMPARE(int(a.element), m.sectionElement(section));
    QCOMPARE(int(a.channel), channel);
    QCOMPARE(m.parameterKey(a.element, a.parameter), key);
    QCOMPARE(proxy.packedAddress(), a.packed());
}

void tst_Memory::addressQueriesReportTheirFields()
{
    TParamMemory m;
    TAddressQuery query("FEkInputEQ/kBandFreq2");
    QCOMPARE(m.resolveAddress(&query), 0);
    QCOMPARE(int(query.field[0]), 47);
    QCOMPARE(m.parameterKey(47, query.field[1]), QStringLiteral("kBandFreq2"));
    QCOMPARE(int(query.field[2]), 0xFFFF);
    QCOMPARE(int(query.field[3]), m.channelCount(47));
    TAddressQuery index("03kHeadAmp/k48V");
    QCOMPARE(m.resolveAddress(&index), 0);
    QCOMPARE(int(index.field[2]), 3);
    QVERIFY(m.resolveAddress(nullptr) != 0);
}

void tst_Memory::malformedNamedAddressesStayUnresolved_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("empty") << QString();
    QTest::newRow("blank") << QStringLiteral("   ");
    QTest::newRow("only separators") << QStringLiteral(";;;");
    QTest::newRow("bad hex") << QStringLiteral("0GkInput/kOn");
    QTest::newRow("bad hex first") << QStringLiteral("G1kEffect/kEffectParam1");
    QTest::newRow("no hex") << QStringLiteral("kInput/kOn");
    QTest::newRow("one digit") << QStringLiteral("0kInput/kOn");
    QTest::newRow("unknown section") << QStringLiteral("00kNoSuch/kOn");
    QTest::newRow("unknown parameter") << QStringLiteral("00kInput/kNoSuch");
    QTest::newRow("missing slash") << QStringLiteral("00kInputkOn");
    QTest::newRow("section only") << QStringLiteral("00kInput");
    QTest::newRow("two slashes") << QStringLiteral("00kInput/kOn/kOn");
    QTest::newRow("trailing junk") << QStringLiteral("FEkEffect/kEffectParam1/x");
    QTest::newRow("placeholder") << QStringLiteral("FEkEffect/kEffectParam%1");
    QTest::newRow("index past the end") << QStringLiteral("FEkEffect/kEffectParam99");
    QTest::newRow("non ascii") << QStringLiteral("FEk\u00e9ffect/kEffectParam1");
    QTest::newRow("channel out of range") << QStringLiteral("40kInput/kOn");
    QTest::newRow("channel past a small element") << QStringLiteral("7FkEffect/kEffectParam1");
    QTest::newRow("space after hex") << QStringLiteral("00 kInput/kOn");
    QTest::newRow("zero count") << QStringLiteral("00FEkInput/kOn");
    // A count prefix larger than the element's channels.
    QTest::newRow("count past the element") << QStringLiteral("31FEkInput/kOn");
    QTest::newRow("list") << QStringLiteral("00kInput/kOn;01kInput/kOn");
}

void tst_Memory::malformedNamedAddressesStayUnresolved()
{
    QFETCH(QString, name);
    TParamMemory m;
    IMemAPI::TSingleAddress a;
    QVERIFY(!m.resolveNamed(name, 0, &a));
    QVERIFY(!a.isValid());
    TAddressQuery query(name.toLatin1());
    QVERIFY(m.resolveAddress(&query) != 0);
    for (quint16 f : query.field)
        QCOMPARE(int(f), 0xFFFF);
    // A ";"-list is read by lists and bound objects alone.
    if (name.contains(QLatin1Char(';')))
        return;
    // As a list entry it is dropped.
    TAddressList list;
    QCOMPARE(m.parseAddressList(&list, &name), 0);
    QVERIFY(list.isEmpty());
    // A bound object stays unbound; notifications and default handling do nothing harmful.
    RecordingProxy proxy;
    QVERIFY(!TestRig::bind(m, proxy, name));
    QVERIFY(!proxy.address().isValid());
    proxy.process(nullptr, 0, 0);
    proxy.reset2defaults();
    QCOMPARE(m.observerCount(), 0);
}

void tst_Memory::addressListsLayChannelRangesEndToEnd()
{
    TParamMemory m;
    const QString pairs = QStringLiteral(
            "FEkInputPair/kPair;18FEkMixPair/kPair;08FEkMatrixPair/kPair;04FEkStereoPair/kPair");
    TAddressList list;
    QCOMPARE(m.parseAddressList(&list, &pairs), 4);
    const int expectedCounts[] = {m.channelCount(elementOf(m, "kInputPair")), 0x18, 0x08, 0x04};
    const char *sections[] = {"kInputPair", "kMixPair", "kMatrixPair", "kStereoPair"};
    int first = 0;
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(int(list.at(i).element), elementOf(m, sections[i]));
        QCOMPARE(int(list.at(i).channel), int(TMemProxy::OwnChannel));
        QCOMPARE(m.parameterKey(list.at(i).element, list.at(i).parameter), QStringLiteral("kPair"));
        QCOMPARE(int(list.at(i).first), first);
        QCOMPARE(int(list.at(i).count), expectedCounts[i]);
        first += expectedCounts[i];
    }
    // Empty and malformed entries are dropped; records are appended to what the list holds.
    const QString mixed = QStringLiteral(";;00kInput/kOn; ;zz;%1;05kInput/kNope;0AkInput/kFader;");
    QCOMPARE(m.parseAddressList(&list, &mixed), 2);
    QCOMPARE(list.size(), 6);
    QCOMPARE(int(list.at(5).channel), 10);
    QCOMPARE(int(list.at(5).first), m.channelCount(elementOf(m, "kInput")));
    QCOMPARE(m.parseAddressList(nullptr, &mixed), 0);
    QCOMPARE(m.parseAddressList(&list, nullptr), 0);
}

void tst_Memory::batchModeSendsOneNotificationPerAddress()
{
    TParamMemory m;
    RecordingProxy a, b;
    const IMemAPI::TSingleAddress x = TestRig::resolve(m, "00kFxSurround/kSurrX");
    const IMemAPI::TSingleAddress y = TestRig::resolve(m, "00kFxSurround/kSurrY");
    TestRig::observe(m, a, x);
    TestRig::observe(m, b, y);
    m.setBatchMode(true);
    m.setBatchMode(true);
    for (int v = 1; v <= 3; ++v)
        set(m, x, v);
    set(m, y, 9);
    QCOMPARE(get(m, x), 3); // values are stored at once
    m.setBatchMode(false);
    QCOMPARE(a.calls.load(), 0);
    m.setBatchMode(false);
    QCOMPARE(a.calls.load(), 1);
    QCOMPARE(b.calls.load(), 1);
    QCOMPARE(a.lastSeen.load(), 3);
    QCOMPARE(b.lastSeen.load(), 9);
    m.setBatchMode(false); // unbalanced: ignored
    set(m, x, 4);
    QCOMPARE(a.calls.load(), 2);
    m.forgetProxy(&a);
    m.forgetProxy(&b);
}

void tst_Memory::connectSignalAcceptsCodedStrings()
{
    TParamMemory m;
    Receiver r;
    QVERIFY(m.connectSignal("2onlineChanged(bool)", &r, "1onlineChange(bool)", true));
    QVERIFY(m.connectSignal("2onlineChanged(bool)", &r, "1onlineChange(bool)", true));
    QVERIFY(m.connectSignal("2onlineChanged( bool )", &r, "1onlineChange( bool )", true));
    QVERIFY(m.connectSignal("onlineChanged(bool)", &r, "onlineChange(bool)", true));
    m.setOnline(false);
    QCOMPARE(r.online, 1);
    QCOMPARE(r.lastOnline, false);
    QVERIFY(!m.isOnline());
    m.setOnline(false); // no change, no signal
    QCOMPARE(r.online, 1);
    QVERIFY(m.connectSignal("2onlineChanged( bool )", &r, "1onlineChange( bool )", false));
    m.setOnline(true);
    QCOMPARE(r.online, 1);

    QVERIFY(m.connectSignal("frequentServiceEvent()", &r, "updateIfNeeded()", true));
    QVERIFY(m.connectSignal("frequentServiceEvent()", &r, "updateIfNeeded()", true));
    Q_EMIT m.frequentServiceEvent();
    QCOMPARE(r.service, 1);

    QVERIFY(!m.connectSignal("2noSuchSignal()", &r, "1updateIfNeeded()", true));
    QVERIFY(!m.connectSignal("2onlineChanged(bool)", &r, "1noSuchSlot(bool)", true));
    QVERIFY(!m.connectSignal("2onlineChanged(bool)", &r, "1takesString(QString)", true));
    QVERIFY(!m.connectSignal("1onlineChanged(bool)", &r, "1onlineChange(bool)", true));
    QVERIFY(!m.connectSignal("2onlineChanged(bool)", &r, "2onlineChange(bool)", true));
    QVERIFY(!m.connectSignal(nullptr, &r, "1onlineChange(bool)", true));
    QVERIFY(!m.connectSignal("2onlineChanged(bool)", nullptr, "1onlineChange(bool)", true));
}

void tst_Memory::sampleRateNotifier()
{
    TParamMemory m;
    Receiver r;
    QObject *notifier = m.sampleFreqNotifier(0);
    QVERIFY(notifier);
    QVERIFY(QObject::connect(notifier, "2valueChanged(int)", &r, "1handle_sampleFreqChange(int)"));
    const int start = m.sampleRate(0);
    const int other = start == 96000 ? 44100 : 96000;
    m.setSampleRate(other);
    QCOMPARE(r.rate, other);
    QCOMPARE(m.sampleRate(0), other);
    m.setSampleRate(other);
    m.setSampleRate(12345); // not a console rate: ignored
    QCOMPARE(r.rateCalls, 1);
    QCOMPARE(m.sampleRate(0), other);
}

void tst_Memory::blinkPhaseTogglesBeforeReceivers()
{
    TParamMemory m;
    m.setBlinkInterval(5);
    Receiver r;
    r.memory = &m;
    int phase = -1;
    QObject *timer = m.blinkPhase(&phase, 0);
    QVERIFY(timer);
    QCOMPARE(phase, 0);
    QCOMPARE(m.blinkPhase(nullptr, 0), timer); // one shared timer
    QVERIFY(QObject::connect(timer, "2timeout()", &r, "1doBlink()"));
    QTRY_VERIFY(r.phases.size() >= 3);
    QCOMPARE(r.phases.at(0), 1);
    for (int i = 1; i < r.phases.size(); ++i)
        QCOMPARE(r.phases.at(i), 1 - r.phases.at(i - 1));
}

void tst_Memory::meterFeedFromAWorkerThread()
{
    TParamMemory m;
    RecordingProxy meter;
    const IMemAPI::TSingleAddress a = TestRig::resolve(m, "07kMeter/kInputLevel");
    QCOMPARE(m.registerMeter(true, &meter, a.element, a.parameter, a.channel), 0);
    QCOMPARE(m.meterSubscriberCount(), 1);
    // Any address may be metered.
    RecordingProxy other;
    QCOMPARE(m.registerMeter(true, &other, 900, 3, 2), 0);
    std::unique_ptr<QThread> worker(QThread::create([&] {
        for (int level = 0; level <= 5000; ++level)
            m.pushMeterLevel(a.element, a.parameter, a.channel, level, 16383 - level);
    }));
    worker->start();
    QVERIFY(worker->wait());
    QCOMPARE(meter.calls.load(), 5001);
    QCOMPARE(other.calls.load(), 0);
    QCOMPARE(meter.dataThread, worker.get());
    const QByteArray d = meter.lastData;
    QCOMPARE(((quint8(d[0]) << 7) | quint8(d[1])), 5000);
    QCOMPARE(((quint8(d[2]) << 7) | quint8(d[3])), 16383 - 5000);
    QCOMPARE(m.registerMeter(false, &meter, a.element, a.parameter, a.channel), 0);
    QCOMPARE(m.registerMeter(false, &meter, a.element, a.parameter, a.channel), -1);
    m.pushMeterLevel(a.element, a.parameter, a.channel, 1, 1);
    QCOMPARE(meter.calls.load(), 5001);
    m.forgetProxy(&other);
    QCOMPARE(m.meterSubscriberCount(), 0);
    QVERIFY(m.registerMeter(true, nullptr, 1, 1, 1) != 0);
    // Level tables rise; unknown ones are empty.
    int count = -1;
    QVERIFY(!m.meterTable(4242, &count, 0));
    QCOMPARE(count, 0);
    const quint16 *table = m.meterTable(1, &count, 0);
    QVERIFY(table && count > 1);
    for (int i = 1; i < count; ++i)
        QVERIFY(table[i] >= table[i - 1]);
}

void tst_Memory::observersMayReenterTheMemory()
{
    TParamMemory m;
    const IMemAPI::TSingleAddress a = TestRig::resolve(m, "00kInput/kPan");
    const IMemAPI::TSingleAddress b = TestRig::resolve(m, "01kInput/kPan");
    RecordingProxy self, adder, added, writer, chained;
    // Removes itself from inside its own call.
    self.onProcess = [&](RecordingProxy *p) { m.removeObserver(p, a.packed()); };
    // Adds another observer from inside its call.
    adder.onProcess = [&](RecordingProxy *p) {
        m.addObserver(&added, a.packed());
        p->onProcess = nullptr;
    };
    // Writes another address from inside its call; that address has its own observer.
    writer.onProcess = [&](RecordingProxy *) {
        m.setValue(b.element, b.parameter, b.channel, get(m, a), 0);
    };
    TestRig::observe(m, self, a);
    m.addObserver(&adder, a.packed());
    m.addObserver(&writer, a.packed());
    TestRig::observe(m, chained, b);
    m.setValue(a.element, a.parameter, 0, 11, 0);
    QCOMPARE(self.calls.load(), 1);
    QCOMPARE(adder.calls.load(), 1);
    QCOMPARE(chained.lastSeen.load(), 11);
    m.setValue(a.element, a.parameter, 0, 12, 0);
    QCOMPARE(self.calls.load(), 1);
    QCOMPARE(added.calls.load(), 1);
    QCOMPARE(chained.lastSeen.load(), 12);
    for (RecordingProxy *p : {&self, &adder, &added, &writer, &chained})
        m.forgetProxy(p);
    self.setMemAPI(nullptr);
    chained.setMemAPI(nullptr);
    QCOMPARE(m.observerCount(), 0);
}

void tst_Memory::removeObserverWaitsForACallInFlight()
{
    TParamMemory m;
    const IMemAPI::TSingleAddress a = TestRig::resolve(m, "00kInput/kOn");
    for (bool forget : {false, true}) {
        RecordingProxy slow;
        QSemaphore entered, release;
        std::atomic<bool> removed {false};
        std::atomic<bool> removedWhileInside {false};
        slow.onProcess = [&](RecordingProxy *) {
            entered.release();
            release.acquire();
            for (int i = 0; i < 1000; ++i)
                QThread::yieldCurrentThread();
            removedWhileInside = removed.load();
        };
        m.addObserver(&slow, a.packed());
        const int target = 1 - get(m, a);
        std::unique_ptr<QThread> writer(QThread::create([&] { set(m, a, target); }));
        writer->start();
        entered.acquire();
        QSemaphore removing;
        std::unique_ptr<QThread> remover(QThread::create([&] {
            removing.release();
            if (forget)
                m.forgetProxy(&slow);
            else
                m.removeObserver(&slow, a.packed());
            removed = true;
        }));
        remover->start();
        removing.acquire();
        release.release();
        QVERIFY(remover->wait());
        QVERIFY(writer->wait());
        QVERIFY(!removedWhileInside.load());
        QVERIFY(!m.isObserver(&slow));
        slow.onProcess = nullptr;
        set(m, a, 1 - target);
        QCOMPARE(slow.calls.load(), 1);
        m.forgetProxy(&slow);
    }
}

void tst_Memory::floodFromTwoThreads()
{
    TParamMemory m;
    const IMemAPI::TSingleAddress a = TestRig::resolve(m, "00kInput/kFader");
    const IMemAPI::TSingleAddress b = TestRig::resolve(m, "01kInput/kFader");
    RecordingProxy watcher;
    TestRig::observe(m, watcher, a);
    constexpr int kWrites = 500000;
    auto flood = [&](int seed) {
        return QThread::create([&m, a, b, seed] {
            for (int i = 0; i < kWrites; ++i) {
                m.setValue(a.element, a.parameter, 0, (i * 7 + seed) % 1024, 0);
                m.setValue(b.element, b.parameter, 1, i % 1024, 0);
            }
            m.setValue(a.element, a.parameter, 0, 500 + seed, 0);
        });
    };
    std::unique_ptr<QThread> t1(flood(1)), t2(flood(2));
    t1->start();
    t2->start();
    QVERIFY(t1->wait());
    QVERIFY(t2->wait());
    const int last = get(m, a);
    QVERIFY(last == 501 || last == 502);
    QCOMPARE(watcher.lastSeen.load(), last);
    QVERIFY(watcher.calls.load() <= 2 * kWrites + 2);
    m.forgetProxy(&watcher);
    watcher.setMemAPI(nullptr);
}

void tst_Memory::connectProxyAndTrees()
{
    TParamMemory m;
    QObject form;
    auto *good = new ObjectProxy(&form, QStringLiteral("FEkInput/kOn"));
    auto *inner = new QObject(&form);
    auto *nested = new ObjectProxy(inner, QStringLiteral("03kInput/kPan"));
    auto *bad = new ObjectProxy(&form, QStringLiteral("FEkEffect/kEffectParam%1"));
    new QObject(&form); // not a proxy

    QCOMPARE(m.connectTree(&form, 5), 2);
    QCOMPARE(good->memAPI(), static_cast<IMemAPI *>(&m));
    QCOMPARE(good->ownChannel(), 5);
    QCOMPARE(good->channel(), 5);
    QVERIFY(good->isAttached());
    QCOMPARE(good->lastConnection, 1);
    QCOMPARE(nested->channel(), 3);
    QVERIFY(!bad->isAttached());
    QCOMPARE(bad->lastConnection, 0);
    QCOMPARE(bad->connectCalls, 0);
    QCOMPARE(bad->memAPI(), static_cast<IMemAPI *>(&m));

    const int connectedCalls = good->calls.load();
    m.setValue(good->element(), good->parameter(), 5, 0, m.sourceId());
    QCOMPARE(good->calls.load(), connectedCalls + 1);
    m.setValue(good->element(), good->parameter(), 4, 0, m.sourceId()); // another channel
    QCOMPARE(good->calls.load(), connectedCalls + 1);

    m.disconnectTree(&form);
    QVERIFY(!good->isAttached());
    QVERIFY(!m.isObserver(good));
    m.setValue(good->element(), good->parameter(), 5, 1, m.sourceId());
    QCOMPARE(good->calls.load(), connectedCalls + 1);

    // A memory that is not ready attaches nobody.
    m.setReady(false);
    QVERIFY(m.connectProxy(good, 5) != 0);
    QCOMPARE(good->lastConnection, 0);
    m.setReady(true);
    QCOMPARE(m.connectProxy(good, 6), 0);
    QCOMPARE(good->channel(), 6);
    QVERIFY(m.connectProxy(nullptr, 0) != 0);
    QCOMPARE(m.connectTree(nullptr, 0), 0);
}

void tst_Memory::memoryDestructionDetachesProxies()
{
    RecordingProxy observer, connected, meter;
    {
        TParamMemory m;
        connected.setNamedAddress(QStringLiteral("00kInput/kOn"));
        QCOMPARE(m.connectProxy(&connected, 0), 0);
        observer.setMemAPI(&m);
        m.addObserver(&observer, IMemAPI::pack(1, 0, 0));
        meter.setMemAPI(&m);
        m.registerMeter(true, &meter, 1, 0, 0);
    }
    for (RecordingProxy *p : {&observer, &connected, &meter}) {
        QVERIFY(!p->memAPI());
        QCOMPARE(p->boundWord(), 0u);
    }
}

void tst_Memory::patchResolution()
{
    TParamMemory m;
    const IMemAPI::TSingleAddress patch = TestRig::resolve(m, "00kPatchInInput/kPatchIn");
    TAddressQuery base("FEkHeadAmp/k48V");
    QCOMPARE(m.resolveAddress(&base), 0);
    const int e = base.field[0];
    const int p = base.field[1];

    IMemAPI::TSingleAddress out;
    int unresolved = 1;
    m.setValue(patch.element, patch.parameter, 3, 0, 0); // not patched
    QVERIFY(m.resolvePatch(e, p, 3, &unresolved, &out) != 0);
    QCOMPARE(unresolved, 1);
    QVERIFY(!out.isValid());
    QVERIFY(m.setPatchedValue(e, p, 3, 1) != 0);

    m.setValue(patch.element, patch.parameter, 3, 5, 0); // "AD 5": port channel 4
    QCOMPARE(m.resolvePatch(e, p, 3, &unresolved, &out), 0);
    QCOMPARE(unresolved, 0);
    QCOMPARE(int(out.element), e);
    QCOMPARE(int(out.channel), 4);
    QCOMPARE(int(out.parameter), p);
    QCOMPARE(m.setPatchedValue(e, p, 3, 1), 0);
    QCOMPARE(m.getValue(e, p, 4), 1);
    unresolved = 1;
    QVERIFY(m.resolvePatch(e, p, 999, &unresolved, &out) != 0);
    QVERIFY(m.resolvePatch(999, p, 3, &unresolved, &out) != 0);
    QCOMPARE(unresolved, 1);
}

void tst_Memory::timecodeRequests()
{
    TParamMemory m;
    RecordingProxy display;
    m.setTimecode(1, 2, 3, 4);
    QCOMPARE(m.requestTimecode(1, &display), 0);
    QCOMPARE(display.calls.load(), 1);
    QCOMPARE(display.lastData, QByteArray("\x01\x02\x03\x04", 4));
    QVERIFY(m.requestTimecode(2, &display) != 0);
    QVERIFY(m.requestTimecode(1, nullptr) != 0);
    QCOMPARE(display.calls.load(), 1);
    m.forgetProxy(&display);
    QVERIFY(!m.isObserver(&display));
    // Parameter-info tags match their own parameter only; every memory has its own source.
    for (int p : {0, 9, 42, 47}) {
        QCOMPARE(m.matchesParamInfo(47, p, p, 0), m.hasParameter(47, p));
        QVERIFY(!m.matchesParamInfo(47, p, p + 1, 0));
    }
    QVERIFY(!m.matchesParamInfo(47, 9, -1, 0));
    QVERIFY(!m.matchesParamInfo(999, 0, 0, 0));
    TParamMemory other;
    QVERIFY(m.sourceId(0) != other.sourceId(0));
}

QTEST_GUILESS_MAIN(tst_Memory)
#include "tst_memory.moc"
