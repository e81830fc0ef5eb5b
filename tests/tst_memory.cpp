// The embedded parameter memory: catalogue, values and their texts, notifications from any
// thread, undo, named addresses and the host services it offers.

#include "TParamInfo.h"
#include "TestRig.h"

#include <QBuffer>
#include <QRegularExpression>
#include <QSemaphore>
#include <QTimer>

#include <array>
#include <charconv>
#include <cmath>

namespace {

using TestRig::Watcher;
using Address = IMemAPI::TSingleAddress;
constexpr int kIntMax = std::numeric_limits<int>::max();
constexpr int kIntMin = std::numeric_limits<int>::min();

// A QObject proxy, as forms hold them.
struct ObjectProxy : QObject, Watcher
{
    ObjectProxy(QObject *parent, const char *name)
        : QObject(parent)
    {
        setNamedAddress(QLatin1String(name));
    }
};

class Receiver : public QObject
{
    Q_OBJECT
public:
    QList<bool> online; // every onlineChange() call
    int service = 0;
public Q_SLOTS:
    void onlineChange(bool on) { online << on; }
    void updateIfNeeded() { ++service; }
    void takesString(const QString &) { }
};

// The number a user would type for a value text: the leading number in the text's base unit
// ("1.06 kHz" is 1060, "-inf" minus infinity, pan "L12" is -12).
bool numberOfText(const QString &text, double *number)
{
    static const QRegularExpression pan(QStringLiteral("^([LR])(\\d+)$"));
    static const QRegularExpression num(QStringLiteral("^([+-]?\\d+(?:\\.\\d+)?)\\s*(\\S*)$"));
    const QString t = text.trimmed();
    const QRegularExpressionMatch p = pan.match(t);
    if (t.startsWith(QLatin1String("-inf")) || t == QLatin1String("C")) {
        *number = t == QLatin1String("C") ? 0 : -std::numeric_limits<double>::infinity();
        return true;
    }
    if (p.hasMatch()) {
        *number = p.captured(2).toDouble() * (p.captured(1) == QLatin1String("L") ? -1 : 1);
        return true;
    }
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

// Every (element, parameter) of the catalogue.
QList<std::pair<int, int>> allParameters(const TParamMemory &memory)
{
    QList<std::pair<int, int>> refs;
    for (const QString &key : memory.sectionKeys()) {
        const int e = memory.sectionElement(key);
        for (int p : memory.parameters(e))
            refs.append({e, p});
    }
    return refs;
}

// The calls each watcher has had.
QList<int> callsOf(std::initializer_list<const Watcher *> watchers)
{
    QList<int> n;
    for (const Watcher *w : watchers)
        n << w->calls.load();
    return n;
}

int get(TParamMemory &m, const Address &a)
{
    return m.getValue(a.element, a.parameter, a.channel);
}

int set(TParamMemory &m, const Address &a, int v, int notify = 1)
{
    return m.setValue(a.element, a.parameter, a.channel, v, m.sourceId(), notify);
}

QVector<int> snapshot(TParamMemory &m)
{
    QVector<int> values;
    for (const auto &[e, p] : allParameters(m)) {
        for (int c = 0; c < m.channelCount(e); ++c)
            values << m.getValue(e, p, c);
    }
    return values;
}

} // namespace

class tst_Memory : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void catalogueAddressesDefaultsAndClamping();
    void loadCatalogueRejectsBadDescriptions_data();
    void loadCatalogueRejectsBadDescriptions();
    void notificationsFollowWritesRegistrationsAndBatches();
    void textTablesRoundTrip_data();
    void textTablesRoundTrip();
    void valueTexts_data();
    void valueTexts();
    void typedNumbersAndFaderLaw();
    void undoRedoAcrossGroupsAndParamInfo();
    void namedAddresses_data();
    void namedAddresses();
    void hostSignalsTimersMetersAndPatches();
    void observersReenterRemovalsWaitAndFloods();
    void connectProxyTreesAndMemoryDestruction();
};

void tst_Memory::catalogueAddressesDefaultsAndClamping()
{
    TParamMemory m;
    QVERIFY(!m.catalogueName().isEmpty());
    for (const QString &key : m.sectionKeys())
        QVERIFY2(key.startsWith(QLatin1Char('k')), qPrintable(key));
    // (The EQ blocks the curve widgets read are their suites' to check.)

    // Unknown addresses change nothing and read as 0.
    Watcher watcher;
    const Address on = TestRig::resolve(m, "00kInput/kOn");
    m.addObserver(&watcher, on.packed());
    const QVector<int> before = snapshot(m);
    const int oe = on.element, op = on.parameter, channels = m.channelCount(oe);
    for (const QVector<int> &a : QVector<QVector<int>> {
                 {999, 0, 0}, {oe, op, channels}, {oe, op, -1}, {oe, 2000, 0}, {-5, op, 0}})
        QCOMPARE(m.setValue(a[0], a[1], a[2], 0, 0), -1);
    QCOMPARE(m.getValue(999, 0, 0) | m.getMinimum(999, 0, 0) | m.getMaximum(999, 0, 0), 0);
    QCOMPARE(snapshot(m), before);
    QCOMPARE(watcher.calls.load(), 0);

    // Every parameter starts at its default, has an alternative one inside its range, and
    // clamps what is written.
    for (const auto &[e, p] : allParameters(m)) {
        const int def = m.getValueEx(e, p, 0, false, nullptr);
        QCOMPARE(m.getValue(e, p, 0), def);
        int unavailable = -1;
        const int alt = m.getValueEx(e, p, 0, true, &unavailable);
        QVERIFY(unavailable == 0 || (unavailable == 1 && alt == def));
        QVERIFY(alt >= m.getMinimum(e, p, 0) && alt <= m.getMaximum(e, p, 0));
        const int c = m.channelCount(e) - 1;
        const int lo = m.getMinimum(e, p, c), hi = m.getMaximum(e, p, c);
        QVERIFY(lo <= hi);
        for (const int v : {kIntMax, kIntMin, lo + 1}) {
            QCOMPARE(m.setValue(e, p, c, v, 0), 0);
            QCOMPARE(m.getValue(e, p, c), qBound(lo, v, hi));
        }
    }
    // A fader's alternative default is unity gain, 823; a pan and unknown addresses have none.
    const Address fader = TestRig::resolve(m, "00kInput/kFader");
    const Address pan = TestRig::resolve(m, "00kInput/kPan");
    int unavailable[4] = {-1, -1, 0, 0};
    QCOMPARE(m.getValueEx(fader.element, fader.parameter, 3, true, &unavailable[0]), 823);
    m.getValueEx(pan.element, pan.parameter, 3, true, &unavailable[1]);
    QCOMPARE(m.getValueEx(999, 0, 0, true, &unavailable[2]), 0);
    m.getValueEx(pan.element, pan.parameter, 4000, false, &unavailable[3]);
    QCOMPARE(QList<int>(unavailable, unavailable + 4), (QList<int> {0, 1, 1, 1}));

    // Address queries report their fields.
    TAddressQuery query("FEkInputEQ/kBandFreq2");
    TAddressQuery index("03kHeadAmp/k48V");
    QCOMPARE(m.resolveAddress(&query) | m.resolveAddress(&index), 0);
    QCOMPARE(m.parameterKey(query.field[0], query.field[1]), QStringLiteral("kBandFreq2"));
    QCOMPARE(QList<int>({query.field[0], query.field[2], query.field[3], index.field[2]}),
             (QList<int> {47, 0xFFFF, m.channelCount(47), 3}));
    QVERIFY(m.resolveAddress(nullptr) != 0);

    // Lists lay their channel ranges end to end.
    const QString pairs = QStringLiteral(
            "FEkInputPair/kPair;18FEkMixPair/kPair;08FEkMatrixPair/kPair;04FEkStereoPair/kPair");
    TAddressList list;
    QCOMPARE(m.parseAddressList(&list, &pairs), 4);
    const int inputs = m.channelCount(m.sectionElement(QStringLiteral("kInput")));
    const int counts[] = {m.channelCount(m.sectionElement(QStringLiteral("kInputPair"))), 0x18,
                          0x08, 0x04};
    const char *sections[] = {"kInputPair", "kMixPair", "kMatrixPair", "kStereoPair"};
    for (int i = 0, first = 0; i < 4; first += counts[i++]) {
        QCOMPARE(int(list.at(i).element), m.sectionElement(QLatin1String(sections[i])));
        QCOMPARE(int(list.at(i).channel), int(TMemProxy::OwnChannel));
        QCOMPARE(m.parameterKey(list.at(i).element, list.at(i).parameter), QStringLiteral("kPair"));
        QCOMPARE(int(list.at(i).first), first);
        QCOMPARE(int(list.at(i).count), counts[i]);
    }
    // Empty and malformed entries are dropped; records are appended to what the list holds.
    const QString mixed = QStringLiteral(";;00kInput/kOn; ;zz;%1;05kInput/kNope;0AkInput/kFader;");
    QCOMPARE(m.parseAddressList(&list, &mixed), 2);
    QCOMPARE(list.size(), 6);
    QCOMPARE(int(list.at(5).channel), 10);
    QCOMPARE(int(list.at(5).first), inputs);
    QCOMPARE(m.parseAddressList(nullptr, &mixed), 0);
    QCOMPARE(m.parseAddressList(&list, nullptr), 0);

    // A small host catalogue with a parameter array replaces it; values start at their defaults.
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

void tst_Memory::loadCatalogueRejectsBadDescriptions_data()
{
    QTest::addColumn<QByteArray>("json");
    const auto param = [](const char *fields) {
        return R"({"sections":[{"key":"kA","element":1,"params":[{"key":"kP","id":0,)"
                + QByteArray(fields) + "}]}]}";
    };
    QTest::newRow("not json") << QByteArray("not json");
    QTest::newRow("array") << QByteArray("[]");
    QTest::newRow("key without k")
            << QByteArray(R"({"sections":[{"key":"Input","element":1,"params":[]}]})");
    QTest::newRow("minimum above maximum") << param(R"("min":5,"max":1)");
    QTest::newRow("default outside") << param(R"("max":3,"default":9)");
    QTest::newRow("element twice")
            << QByteArray(R"({"sections":[{"key":"kA","element":1},{"key":"kB","element":1}]})");
    QTest::newRow("text not a table") << param(R"("text":77)");
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

void tst_Memory::notificationsFollowWritesRegistrationsAndBatches()
{
    TParamMemory m;
    Watcher a, b, elsewhere;
    const Address gain = TestRig::resolve(m, "05kInputEQ/kBandGain2");
    const Address other = TestRig::resolve(m, "06kInputEQ/kBandGain2");
    const quint32 packed = gain.packed();
    TestRig::observe(m, a, gain);
    m.addObserver(&b, packed);
    m.addObserver(&b, packed); // a second registration of the same pair changes nothing
    QCOMPARE(m.observerCount(packed), 2);
    set(m, gain, 60);
    QCOMPARE(callsOf({&a, &b}), (QList<int> {1, 1}));
    QCOMPARE(a.lastSeen.load(), 60);
    // 5000 changes the value (to the maximum); the same value again, a write clamped onto the
    // stored value, a silent write (which stores) and another channel's write tell nobody.
    set(m, gain, 60);
    set(m, gain, 5000);
    set(m, gain, 6000);
    set(m, gain, 0, 0);
    m.setValue(gain.element, gain.parameter, gain.channel + 1, 30, m.sourceId());
    QCOMPARE(get(m, gain), 0);
    QCOMPARE(callsOf({&a, &b}), (QList<int> {2, 2}));
    QCOMPARE(m.removeObserver(&a, packed), 0);
    QCOMPARE(m.removeObserver(&a, packed), -1);
    set(m, gain, 10);
    QCOMPARE(callsOf({&a, &b}), (QList<int> {2, 3}));
    m.forgetProxy(&b);
    QCOMPARE(m.observerCount(), 0);

    // A replaced catalogue keeps the registrations.
    auto second = std::make_unique<Watcher>();
    TestRig::observe(m, *second, gain);
    QVERIFY(m.loadCatalogueFile(QStringLiteral(":/zb4r/console.json")));
    const int afterLoad = second->calls.load();
    set(m, gain, 3);
    QCOMPARE(second->calls.load(), afterLoad + 1);
    QCOMPARE(second->lastSeen.load(), 3);
    // Proxies that go and come: only the registered ones hear of a write.
    second.reset();
    TestRig::observe(m, elsewhere, other);
    auto third = std::make_unique<Watcher>();
    TestRig::observe(m, *third, gain);
    set(m, gain, 4);
    QCOMPARE(callsOf({third.get(), &elsewhere, &a}), (QList<int> {1, 0, 2}));
    QCOMPARE(third->lastSeen.load(), 4);
    third.reset();
    set(m, gain, 5);
    QCOMPARE(elsewhere.calls.load(), 0);
    QCOMPARE(m.observerCount(packed), 0);

    // A batch holds notifications: one per changed address, once the outermost batch ends.
    TestRig::observe(m, a, gain);
    m.setBatchMode(true);
    m.setBatchMode(true);
    for (int v = 1; v <= 3; ++v)
        set(m, gain, v);
    set(m, other, 9);
    QCOMPARE(get(m, gain), 3); // values are stored at once
    m.setBatchMode(false);
    QCOMPARE(a.calls.load(), 2);
    m.setBatchMode(false);
    QCOMPARE(callsOf({&a, &elsewhere}), (QList<int> {3, 1}));
    QCOMPARE(a.lastSeen.load(), 3);
    QCOMPARE(elsewhere.lastSeen.load(), 9);
    m.setBatchMode(false); // unbalanced: ignored
    set(m, gain, 4);
    QCOMPARE(a.calls.load(), 4);
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
    m.setSampleRate(rate);
    QList<std::array<int, 4>> texted; // element, parameter, minimum, maximum; masks have no text
    for (const auto &[e, p] : allParameters(m)) {
        const int lo = m.getMinimum(e, p, 0), hi = m.getMaximum(e, p, 0);
        if (qint64(hi) - lo <= 20000)
            texted.append({e, p, lo, hi});
    }
    // Which table a parameter uses is the catalogue's business: find every table whose text
    // matches the parameter's own text at every value, through the public calls.
    for (const auto &[e, p, lo, hi] : texted) {
        for (int v = lo; v <= hi; ++v) {
            // Table 0 takes values counted from a negative minimum; -3 takes raw values.
            QString own, compact;
            const int tv = IMemAPI::textValueFromRaw(v, lo, 0);
            const int fromTable = m.valueToText(0, 0, &own, nullptr, tv, 0, e, p);
            QCOMPARE(m.valueToText(0, -3, &compact, nullptr, v, 1, e, p), fromTable);
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
    int checkedTables = 0;
    QSet<int> tables;
    for (int table = 1; table < 64; ++table) {
        QStringList names;
        QString probe;
        if (m.dynamicStringList(table, &names) > 0
            || m.valueToText(0, table, &probe, nullptr, 0, 0) != 0)
            continue; // names, or no such table
        tables.insert(table);
        for (const auto &[e, p, lo, hi] : texted) {
            bool uses = true; // only parameters shown with this table
            for (int v = lo; v <= hi && uses; v += qMax(1, (hi - lo) / 7)) {
                QString a, b;
                const int tv = IMemAPI::textValueFromRaw(v, lo, 0);
                m.valueToText(0, 0, &a, nullptr, tv, 0, e, p);
                m.valueToText(0, table, &b, nullptr, tv, 0, e, p);
                uses = a == b;
            }
            for (int v = lo; v <= hi && uses; ++v) {
                QString text;
                const int tv = IMemAPI::textValueFromRaw(v, lo, table);
                QCOMPARE(m.valueToText(0, table, &text, nullptr, tv, 0, e, p), 0);
                double number = 0;
                QVERIFY2(numberOfText(text, &number), qPrintable(text));
                const int back = m.valueFromNumber(table, float(number));
                QVERIFY2(qBound(lo, back, hi) == v,
                         qPrintable(QString::number(table) + ": " + text));
            }
            checkedTables += uses ? 1 : 0;
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
    // Rows named "compact ..." ask for the compact text, rows named "no such ..." have no table
    // to take the text from: the text is the number, and the result non-zero.
    QTest::addColumn<QString>("address"); // of the parameter table 0 takes its text from
    QTest::addColumn<int>("table");
    QTest::addColumn<int>("value");
    QTest::addColumn<QVariant>("shown"); // the text, or the number it shows

    const QString pan = QStringLiteral("00kInput/kPan");
    const QString freq = QStringLiteral("00kInputEQ/kBandFreq1");
    const QString patch = QStringLiteral("00kPatchInInput/kPatchIn");
    const QString none;
    // Fader table 5: 823 is 0 dB, 1023 is +10 dB, 0 is minus infinity.
    QTest::newRow("fader unity") << none << 5 << 823 << QVariant(0.0);
    QTest::newRow("fader top") << none << 5 << 1023 << QVariant(10.0);
    QTest::newRow("fader off") << none << 5 << 0
                               << QVariant(-std::numeric_limits<double>::infinity());
    // The input patch names: "---" then the AD ports.
    QTest::newRow("not patched") << patch << 0 << 0 << QVariant("---");
    QTest::newRow("first port") << patch << 0 << 1 << QVariant("AD 1");
    // Pan: its minimum is negative, so table 0 takes values counted from it; tables below 0
    // take raw values.
    QTest::newRow("pan left") << pan << 0 << 0 << QVariant("L63");
    QTest::newRow("pan centre") << pan << 0 << 63 << QVariant("C");
    QTest::newRow("pan right") << pan << 0 << 126 << QVariant("R63");
    QTest::newRow("pan raw") << pan << -3 << -63 << QVariant("L63");
    // EQ frequencies: value v is 1/24-octave index 2v, index 8 is 20 Hz and index 248 20 kHz.
    QTest::newRow("lowest frequency") << freq << 0 << 4 << QVariant(20.0);
    QTest::newRow("highest frequency") << freq << 0 << 124 << QVariant(20000.0);
    QTest::newRow("compact frequency") << freq << -3 << 124 << QVariant("20.0k");
    // Q: value q is Q index 80 - 2q; index 40 (row 20) is Q 1.0.
    QTest::newRow("Q 1") << QStringLiteral("00kInputEQ/kBandQ1") << 0 << 20 << QVariant(1.0);
    QTest::newRow("no such table") << none << 999 << 42 << QVariant("42");
    QTest::newRow("no such parameter")
            << QStringLiteral("00kInput/kNoSuch") << 0 << -7 << QVariant("-7");
}

void tst_Memory::valueTexts()
{
    QFETCH(QString, address);
    QFETCH(int, table);
    QFETCH(int, value);
    const QByteArray tag = QTest::currentDataTag();
    QFETCH(QVariant, shown);
    TParamMemory m;
    const Address a = TestRig::resolve(m, address);
    QString text;
    const int result = m.valueToText(0, table, &text, nullptr, value, tag.startsWith("compact"),
                                     a.element, a.parameter);
    QCOMPARE(result == 0, !tag.startsWith("no such"));
    double n = 0;
    if (shown.typeId() == QMetaType::QString)
        QCOMPARE(text, shown.toString());
    else
        QVERIFY2(numberOfText(text, &n) && n == shown.toDouble(), qPrintable(text));
}

void tst_Memory::typedNumbersAndFaderLaw()
{
    TParamMemory m;
    // Fader levels, top clamped; table 0 with a typed number rounds.
    QCOMPARE(QList<int>({m.valueFromNumber(5, -std::numeric_limits<float>::infinity()),
                         m.valueFromNumber(5, 0.0f), m.valueFromNumber(5, 40.0f),
                         m.valueFromNumber(0, 2.6f), m.valueFromNumber(0, -2.6f)}),
             (QList<int> {0, 823, 1023, 3, -3}));
    QVERIFY(m.valueToText(0, 5, nullptr, nullptr, 1, 0) != 0);
    // Twelve EQ frequency values make an octave.
    const Address freq = TestRig::resolve(m, "00kInputEQ/kBandFreq1");
    const auto hz = [&](int v) {
        QString t;
        m.valueToText(0, 0, &t, nullptr, v, 0, freq.element, freq.parameter);
        double f = 0;
        return numberOfText(t, &f) ? f : -1.0;
    };
    for (int v = 4; v + 12 <= 124; ++v)
        QVERIFY2(std::abs(hz(v + 12) / hz(v) - 2.0) < 0.04, qPrintable(QString::number(v)));
    // Value names are appended to what the list holds.
    QStringList names {QStringLiteral("keep")};
    const int count = m.dynamicStringList(7, &names);
    QCOMPARE(names.size(), count + 1);
    QCOMPARE(names.first(), QStringLiteral("keep"));
    QCOMPARE(m.dynamicStringList(12345, &names), 0);
    QCOMPARE(m.dynamicStringList(7, nullptr), 0);

    // The fader law, in pixels of travel.
    for (const char *name : {"00kInput/kFader", "00kInput/kAuxLevel3", "00kMix/kFader"}) {
        const Address a = TestRig::resolve(m, name);
        const int lo = m.getMinimum(a.element, a.parameter, 0);
        const int hi = m.getMaximum(a.element, a.parameter, 0);
        for (int n : {40, 200, 1000, 4096}) {
            const auto position = [&](int v) {
                int k = n;
                return m.faderPositionFromValue(&k, a.element, a.parameter, v) == 0 ? k : -1;
            };
            const auto value = [&](int x) {
                int k = n;
                return m.faderValueFromPosition(&k, a.element, a.parameter, x) == 0 ? k : kIntMin;
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
            int previousValue = kIntMin;
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
    const Address pan = TestRig::resolve(m, "00kInput/kPan");
    const Address fader = TestRig::resolve(m, "00kInput/kFader");
    int n = 100, none = 0;
    QVERIFY(m.faderPositionFromValue(&n, pan.element, pan.parameter, 0) != 0
            && m.faderValueFromPosition(&n, pan.element, pan.parameter, 10) != 0 && n == 100);
    QVERIFY(m.faderPositionFromValue(&n, 999, 0, 0) != 0
            && m.faderPositionFromValue(nullptr, fader.element, fader.parameter, 0) != 0
            && m.faderPositionFromValue(&none, fader.element, fader.parameter, 0) != 0);
}

void tst_Memory::undoRedoAcrossGroupsAndParamInfo()
{
    TParamMemory m;
    QSignalSpy state(&m, &TParamMemory::undoStateChanged);
    Watcher x, y, nowhere;
    const Address ax = TestRig::resolve(m, "00kInputSurround/kSurrX");
    const Address ay = TestRig::resolve(m, "00kInputSurround/kSurrY");
    const auto xy = [&] { return QList<int> {get(m, ax), get(m, ay)}; };
    const auto step = [&](Watcher *w, const Address &a, int v) {
        m.registerUndo(w);
        set(m, a, v);
    };
    TestRig::observe(m, x, ax);
    y.setAddress(ay.element, ay.channel, ay.parameter);
    const QList<int> start = xy();
    QVERIFY(!m.canUndo());
    step(&x, ax, 10);
    QCOMPARE(m.undoDepth(), 1);
    QVERIFY(state.count() > 0);
    // One group: x and y together, x written twice; nothing is recorded until it closes.
    m.setUndoGroup(true);
    step(&x, ax, 20);
    step(&y, ay, -20);
    step(&x, ax, 30);
    QCOMPARE(m.undoDepth(), 1);
    m.setUndoGroup(false);
    QCOMPARE(m.undoDepth(), 2);
    // Undo and redo walk the steps (undo notifies) until there is nothing left.
    const int callsBefore = x.calls.load();
    QVERIFY(m.undo());
    QCOMPARE(xy(), (QList<int> {10, start[1]}));
    QVERIFY(x.calls.load() > callsBefore && m.canRedo());
    QVERIFY(m.undo());
    QCOMPARE(xy(), start);
    QVERIFY(!m.canUndo() && !m.undo());
    QVERIFY(m.redo());
    QCOMPARE(xy(), (QList<int> {10, start[1]}));
    QVERIFY(m.redo());
    QCOMPARE(xy(), (QList<int> {30, -20}));
    QVERIFY(!m.redo());
    // A new step drops the redo history.
    QVERIFY(m.undo());
    step(&y, ay, 5);
    QVERIFY(!m.canRedo());
    // Nested groups make one step; an empty group makes none, an unbalanced close is ignored
    // and a proxy without a valid address records nothing.
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
    m.setUndoGroup(false);
    m.registerUndo(&nowhere);
    m.registerUndo(nullptr);
    QCOMPARE(m.undoDepth(), depth + 1);
    m.clearUndo();
    QVERIFY(!m.canUndo() && !m.canRedo());

    // A buffer of parameter-info records is one undo step: unknown addresses are skipped,
    // values clamped, a truncated tail ignored.
    const Address a = TestRig::resolve(m, "02kInputEQ/kBandGain1");
    const Address b = TestRig::resolve(m, "03kInput/kPan");
    const auto ab = [&] { return QList<int> {get(m, a), get(m, b)}; };
    const QList<int> before = ab();
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QDataStream out(&buffer);
    TParamInfoWriter(a.element, a.channel, a.parameter, 120, &out);
    TParamInfoWriter(999, 0, 0, 5, &out);
    TParamInfoWriter(b.element, b.channel, b.parameter, -40, &out);
    TParamInfoWriter(b.element, b.channel, b.parameter, 500, &out);
    out << qint16(1);
    buffer.close();
    Watcher watcher;
    m.addObserver(&watcher, a.packed());
    QCOMPARE(m.applyParamInfo(&buffer), 3);
    QCOMPARE(ab(), (QList<int> {120, m.getMaximum(b.element, b.parameter, 0)}));
    QCOMPARE(watcher.calls.load(), 1);
    QCOMPARE(m.undoDepth(), 1);
    QVERIFY(m.undo());
    QCOMPARE(ab(), before);
    QVERIFY(m.redo());
    QCOMPARE(get(m, a), 120);
    // Garbage and empty buffers write nothing.
    QBuffer garbage, empty;
    garbage.setData(QByteArray("\x01\x02\x03", 3));
    QCOMPARE(QList<int>({m.applyParamInfo(&garbage), m.applyParamInfo(&empty),
                         m.applyParamInfo(nullptr)}),
             (QList<int> {0, 0, 0}));
    QCOMPARE(m.undoDepth(), 1);
}

void tst_Memory::namedAddresses_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("own");
    QTest::addColumn<QString>("resolved"); // section, key and channel; empty: does not resolve

    QTest::newRow("own channel") << "FEkEffect/kEffectParam3" << 5 << "kEffect kEffectParam3 5";
    QTest::newRow("lower-case hex")
            << "0akSetupKV518/kKV518Port" << 0 << "kSetupKV518 kKV518Port 10";
    QTest::newRow("upper-case hex")
            << "0AkSetupKV518/kKV518Port" << 3 << "kSetupKV518 kKV518Port 10";
    QTest::newRow("lower-case own channel") << "fekInput/kOn" << 47 << "kInput kOn 47";
    QTest::newRow("count prefix") << "18FEkMixPair/kPair" << 2 << "kMixPair kPair 2";
    // "FE" on a channel the element lacks.
    QTest::newRow("own channel past the element") << "FEkInput/kOn" << 48 << "";
    QTest::newRow("negative own channel") << "FEkInput/kOn" << -1 << "";
    // Malformed names (a count prefix larger than the element's channels among them).
    for (const char *name : {"",
                             "   ",
                             ";;;",
                             "0GkInput/kOn",
                             "G1kEffect/kEffectParam1",
                             "kInput/kOn",
                             "0kInput/kOn",
                             "00kNoSuch/kOn",
                             "00kInput/kNoSuch",
                             "00kInputkOn",
                             "00kInput",
                             "00kInput/kOn/kOn",
                             "FEkEffect/kEffectParam1/x",
                             "FEkEffect/kEffectParam%1",
                             "FEkEffect/kEffectParam99",
                             "FEk\u00e9ffect/kEffectParam1",
                             "40kInput/kOn",
                             "7FkEffect/kEffectParam1",
                             "00 kInput/kOn",
                             "00FEkInput/kOn",
                             "31FEkInput/kOn",
                             "00kInput/kOn;01kInput/kOn"})
        QTest::addRow("malformed '%s'", name) << QString::fromUtf8(name) << 0 << "";
}

void tst_Memory::namedAddresses()
{
    QFETCH(QString, name);
    QFETCH(int, own);
    QFETCH(QString, resolved);
    TParamMemory m;
    Address a;
    QCOMPARE(m.resolveNamed(name, own, &a), !resolved.isEmpty());
    QCOMPARE(a.isValid(), !resolved.isEmpty());
    if (own == 0 && resolved.isEmpty()) {
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
    }
    // A bound object resolves its name the same way; unbound, notifications and default
    // handling do nothing harmful.
    Watcher proxy;
    QCOMPARE(TestRig::bind(m, proxy, name, own), !resolved.isEmpty());
    if (resolved.isEmpty()) {
        QVERIFY(!proxy.address().isValid());
        proxy.process(nullptr, 0, 0);
        proxy.reset2defaults();
        QCOMPARE(m.observerCount(), 0);
        return;
    }
    const QStringList expected = resolved.split(QLatin1Char(' '));
    QCOMPARE(int(a.element), m.sectionElement(expected[0]));
    QCOMPARE(m.parameterKey(a.element, a.parameter), expected[1]);
    QCOMPARE(int(a.channel), expected[2].toInt());
    QCOMPARE(proxy.packedAddress(), a.packed());
}

void tst_Memory::hostSignalsTimersMetersAndPatches()
{
    TParamMemory m;
    Receiver r;
    // Coded and plain signatures, with or without spaces; a connection made twice is one.
    QVERIFY(m.connectSignal("2onlineChanged(bool)", &r, "1onlineChange(bool)", true));
    QVERIFY(m.connectSignal("2onlineChanged(bool)", &r, "1onlineChange(bool)", true));
    QVERIFY(m.connectSignal("2onlineChanged( bool )", &r, "1onlineChange( bool )", true));
    QVERIFY(m.connectSignal("onlineChanged(bool)", &r, "onlineChange(bool)", true));
    m.setOnline(false);
    m.setOnline(false); // no change, no signal
    QCOMPARE(r.online, QList<bool> {false});
    QVERIFY(!m.isOnline());
    QVERIFY(m.connectSignal("2onlineChanged( bool )", &r, "1onlineChange( bool )", false));
    m.setOnline(true);
    QCOMPARE(r.online.size(), 1);
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

    // The sample rate notifier tells of real changes to console rates.
    QSignalSpy rate(m.sampleFreqNotifier(0), "2valueChanged(int)");
    QVERIFY(rate.isValid());
    const int otherRate = m.sampleRate(0) == 96000 ? 44100 : 96000;
    m.setSampleRate(otherRate);
    m.setSampleRate(otherRate);
    m.setSampleRate(12345); // not a console rate: ignored
    QCOMPARE(rate.count(), 1);
    QCOMPARE(rate.at(0).at(0).toInt(), otherRate);
    QCOMPARE(m.sampleRate(0), otherRate);

    // One shared blink timer; the phase toggles before its receivers run.
    m.setBlinkInterval(5);
    int phase = -1;
    auto *timer = qobject_cast<QTimer *>(m.blinkPhase(&phase, 0));
    QVERIFY(timer && phase == 0 && m.blinkPhase(nullptr, 0) == timer);
    QList<int> phases;
    QObject::connect(timer, &QTimer::timeout, &r, [&] {
        int now = -1;
        m.blinkPhase(&now, 0);
        phases << now;
    });
    QTRY_VERIFY(phases.size() >= 3);
    QCOMPARE(phases.at(0), 1);
    for (int i = 1; i < phases.size(); ++i)
        QCOMPARE(phases.at(i), 1 - phases.at(i - 1));

    // Meters.
    Watcher meter, other, display;
    const Address a = TestRig::resolve(m, "07kMeter/kInputLevel");
    // Any address may be metered; the feed arrives on the feeding thread.
    QCOMPARE(m.registerMeter(true, &meter, a.element, a.parameter, a.channel), 0);
    QCOMPARE(m.registerMeter(true, &other, 900, 3, 2), 0);
    QCOMPARE(m.meterSubscriberCount(), 2);
    QThread *feeder = nullptr;
    QVERIFY(TestRig::runOnWorker([&] {
        feeder = QThread::currentThread();
        for (int level = 0; level <= 5000; ++level)
            m.pushMeterLevel(a.element, a.parameter, a.channel, level, 16383 - level);
    }));
    QCOMPARE(callsOf({&meter, &other}), (QList<int> {5001, 0}));
    QCOMPARE(meter.dataThread, feeder);
    QCOMPARE(meter.lastData, QByteArray("\x27\x08\x58\x77", 4)); // 5000, 11383 in 7-bit halves
    QCOMPARE(m.registerMeter(false, &meter, a.element, a.parameter, a.channel), 0);
    QCOMPARE(m.registerMeter(false, &meter, a.element, a.parameter, a.channel), -1);
    m.pushMeterLevel(a.element, a.parameter, a.channel, 1, 1);
    QCOMPARE(meter.calls.load(), 5001);
    m.forgetProxy(&other);
    QCOMPARE(m.meterSubscriberCount(), 0);
    QVERIFY(m.registerMeter(true, nullptr, 1, 1, 1) != 0);
    // Level tables rise; unknown ones are empty.
    int count = -1;
    QVERIFY(!m.meterTable(4242, &count, 0) && count == 0);
    const quint16 *table = m.meterTable(1, &count, 0);
    QVERIFY(table && count > 1);
    for (int i = 1; i < count; ++i)
        QVERIFY(table[i] >= table[i - 1]);

    // Time code answers at once; other kinds and no proxy are refused.
    m.setTimecode(1, 2, 3, 4);
    QCOMPARE(m.requestTimecode(1, &display), 0);
    QCOMPARE(display.calls.load(), 1);
    QCOMPARE(display.lastData, QByteArray("\x01\x02\x03\x04", 4));
    QVERIFY(m.requestTimecode(2, &display) != 0 && m.requestTimecode(1, nullptr) != 0);
    QCOMPARE(display.calls.load(), 1);
    m.forgetProxy(&display);
    QVERIFY(!m.isObserver(&display));
    // Parameter-info tags match their own parameter only; every memory has its own source.
    for (int p : {0, 9, 42, 47})
        QVERIFY(m.matchesParamInfo(47, p, p) == m.hasParameter(47, p)
                && !m.matchesParamInfo(47, p, p + 1));
    QVERIFY(!m.matchesParamInfo(47, 9, -1, 0) && !m.matchesParamInfo(999, 0, 0, 0));
    QVERIFY(m.sourceId(0) != TParamMemory().sourceId(0));

    // A channel's input patch leads to a port channel of the base element.
    const Address patch = TestRig::resolve(m, "00kPatchInInput/kPatchIn");
    TAddressQuery base("FEkHeadAmp/k48V");
    QCOMPARE(m.resolveAddress(&base), 0);
    const int e = base.field[0], p = base.field[1];
    Address out;
    int unresolved = 1;
    m.setValue(patch.element, patch.parameter, 3, 0, 0); // not patched
    QVERIFY(m.resolvePatch(e, p, 3, &unresolved, &out) != 0 && unresolved == 1);
    QVERIFY(!out.isValid() && m.setPatchedValue(e, p, 3, 1) != 0);
    m.setValue(patch.element, patch.parameter, 3, 5, 0); // "AD 5": port channel 4
    QVERIFY(m.resolvePatch(e, p, 3, &unresolved, &out) == 0 && unresolved == 0);
    QCOMPARE(out.packed(), IMemAPI::pack(e, p, 4));
    QCOMPARE(m.setPatchedValue(e, p, 3, 1), 0);
    QCOMPARE(m.getValue(e, p, 4), 1);
    unresolved = 1;
    QVERIFY(m.resolvePatch(e, p, 999, &unresolved, &out) != 0
            && m.resolvePatch(999, p, 3, &unresolved, &out) != 0 && unresolved == 1);
}

void tst_Memory::observersReenterRemovalsWaitAndFloods()
{
    TParamMemory m;
    const Address a = TestRig::resolve(m, "00kInput/kPan");
    const Address b = TestRig::resolve(m, "01kInput/kPan");
    Watcher self, adder, added, writer, chained;
    // Removes itself from inside its own call.
    self.onProcess = [&](Watcher *p) { m.removeObserver(p, a.packed()); };
    // Adds another observer from inside its call.
    adder.onProcess = [&](Watcher *p) {
        m.addObserver(&added, a.packed());
        p->onProcess = nullptr;
    };
    // Writes another address from inside its call; that address has its own observer.
    writer.onProcess = [&](Watcher *) {
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
    for (Watcher *p : {&self, &adder, &added, &writer, &chained})
        m.forgetProxy(p);
    QCOMPARE(m.observerCount(), 0);

    // A removal waits for a call in flight on another thread.
    const Address on = TestRig::resolve(m, "00kInput/kOn");
    for (bool forget : {false, true}) {
        Watcher slow;
        QSemaphore entered, release, removing;
        std::atomic<bool> removed {false};
        std::atomic<bool> removedWhileInside {false};
        slow.onProcess = [&](Watcher *) {
            entered.release();
            release.acquire();
            for (int i = 0; i < 1000; ++i)
                QThread::yieldCurrentThread();
            removedWhileInside = removed.load();
        };
        m.addObserver(&slow, on.packed());
        const int target = 1 - get(m, on);
        std::unique_ptr<QThread> writing(QThread::create([&] { set(m, on, target); }));
        writing->start();
        entered.acquire();
        std::unique_ptr<QThread> remover(QThread::create([&] {
            removing.release();
            if (forget)
                m.forgetProxy(&slow);
            else
                m.removeObserver(&slow, on.packed());
            removed = true;
        }));
        remover->start();
        removing.acquire();
        release.release();
        QVERIFY(remover->wait());
        QVERIFY(writing->wait());
        QVERIFY(!removedWhileInside.load());
        QVERIFY(!m.isObserver(&slow));
        slow.onProcess = nullptr;
        set(m, on, 1 - target);
        QCOMPARE(slow.calls.load(), 1);
    }

    // Two threads flooding the memory: the observer ends on the last value.
    const Address fader = TestRig::resolve(m, "00kInput/kFader");
    const Address fader1 = TestRig::resolve(m, "01kInput/kFader");
    Watcher watcher;
    TestRig::observe(m, watcher, fader);
    constexpr int kWrites = 500000;
    QVERIFY(TestRig::runTogether(2, [&](int t) {
        for (int i = 0; i < kWrites; ++i) {
            m.setValue(fader.element, fader.parameter, 0, (i * 7 + t + 1) % 1024, 0);
            m.setValue(fader1.element, fader1.parameter, 1, i % 1024, 0);
        }
        m.setValue(fader.element, fader.parameter, 0, 501 + t, 0);
    }));
    const int last = get(m, fader);
    QVERIFY(last == 501 || last == 502);
    QCOMPARE(watcher.lastSeen.load(), last);
    QVERIFY(watcher.calls.load() <= 2 * kWrites + 2);
}

void tst_Memory::connectProxyTreesAndMemoryDestruction()
{
    Watcher observer, connected, meter;
    {
        TParamMemory m;
        QObject form;
        auto *good = new ObjectProxy(&form, "FEkInput/kOn");
        auto *nested = new ObjectProxy(new QObject(&form), "03kInput/kPan");
        auto *bad = new ObjectProxy(&form, "FEkEffect/kEffectParam%1");
        new QObject(&form); // not a proxy
        QCOMPARE(m.connectTree(&form, 5), 2);
        // The bad name gets the memory but neither a connection nor a connect call.
        QVERIFY(good->memAPI() == &m && good->isAttached() && bad->memAPI() == &m);
        QVERIFY(!bad->isAttached());
        QCOMPARE(QList<int>({good->ownChannel(), good->channel(), good->lastConnection,
                             nested->channel(), bad->lastConnection, bad->connectCalls}),
                 (QList<int> {5, 5, 1, 3, 0, 0}));

        const int connectedCalls = good->calls.load();
        m.setValue(good->element(), good->parameter(), 5, 0, m.sourceId());
        m.setValue(good->element(), good->parameter(), 4, 0, m.sourceId()); // another channel
        QCOMPARE(good->calls.load(), connectedCalls + 1);
        m.disconnectTree(&form);
        QVERIFY(!good->isAttached() && !m.isObserver(good));
        m.setValue(good->element(), good->parameter(), 5, 1, m.sourceId());
        QCOMPARE(good->calls.load(), connectedCalls + 1);
        QCOMPARE(m.connectProxy(good, 6), 0);
        QCOMPARE(good->channel(), 6);
        QVERIFY(m.connectProxy(nullptr, 0) != 0 && m.connectTree(nullptr, 0) == 0);

        // Proxies outliving the memory are detached from it.
        connected.setNamedAddress(QStringLiteral("00kInput/kOn"));
        QCOMPARE(m.connectProxy(&connected, 0), 0);
        m.addObserver(&observer, IMemAPI::pack(1, 0, 0));
        meter.setMemAPI(&m);
        m.registerMeter(true, &meter, 1, 0, 0);
    }
    for (Watcher *p : {&observer, &connected, &meter}) {
        QVERIFY(!p->memAPI());
        QCOMPARE(p->boundWord(), 0u);
    }
}

QTEST_GUILESS_MAIN(tst_Memory)
#include "tst_memory.moc"
