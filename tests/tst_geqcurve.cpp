// The graphic-EQ bars against the embedded memory: what grab() shows for band gains, checked
// against the summed analog band shapes; defaults, copy and paste of the 32-parameter block;
// bad input; a worker-thread burst merging into one paint.

#include "CGEQCurve.h"
#include "TParamInfo.h"
#include "TParamMemory.h"
#include "TestRig.h"
#include "geq_bars.h"

#include <QDataStream>
#include <QImage>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

const char *const kAddress = "FEkGEQ/kGEQBand1";
constexpr int kChannel = 3;
constexpr int kOtherChannel = 5;
constexpr int kModeParameter = 3;
constexpr int kBands = 31;
constexpr int kPoints = 271;

const QColor kBackground(Qt::black), kBar(Qt::white);

// A console whose display mode may hold -1 and whose bands go beyond the console's +-18 dB.
const char *const kWideCatalogue = R"({"name":"wide","sections":[{"key":"kGEQ","element":16,
    "channels":8,"params":[{"key":"kGEQMode","id":3,"min":-1,"max":3,"default":-1},
    {"key":"kGEQFlat","id":4,"min":0,"max":1,"default":0},{"key":"kGEQLink","id":36,"min":0,
    "max":1,"default":0},{"key":"kGEQBand","id":5,"min":-32768,"max":32767,"default":0,"count":31}]}]})";

// --- the reference: band shapes straight from the peaking prototype --------------------------

// Q of each shape, and the shape for |gain| in tenths, as the display defines them.
const double kShapeQ[8] = {10, 9, 8, 7, 6.3, 5.6, 5.0, 4.5};
int shapeFor(int tenths)
{
    const int limits[] = {11, 36, 61, 86, 161, 171, 181};
    return 7 - int(std::upper_bound(std::begin(limits), std::end(limits), tenths) - limits);
}

// Every band's boost of its whole dB from the peaking prototype, 3072 log2|H| rounded at d
// points (1/27 octave) from its centre, added point by point in band order and clamped to the
// mode's range after each addition (or once, at the end, without clampEachBand).
std::vector<int> referenceCurve(const std::vector<int> &gains, int mode, bool clampEachBand = true)
{
    const bool cut = quint16(mode) > 2;
    const int maximum = cut ? 0 : 10240, minimum = cut ? -20480 : -10240;
    std::vector<int> curve(kPoints, 0);
    for (int b = 0; b < kBands; ++b) {
        const int g = gains[b], tenths = std::abs(g), dB = std::clamp(tenths / 10, 1, 24);
        const double K = std::pow(2.0, dB / 6.0), Q = kShapeQ[shapeFor(tenths)];
        for (int x = 0; g != 0 && x < kPoints; ++x) {
            const double w = std::pow(2.0, std::abs(x - (b == 0 ? 0 : 9 * b - 1)) / 27.0);
            const double a = 1.0 - w * w, damping = (w / Q) * (w / Q);
            const double power = (a * a + K * K * damping) / (a * a + damping);
            curve[x] += (g > 0 ? 1 : -1) * int(std::lround(1536.0 * std::log2(power)));
            curve[x] = clampEachBand ? std::clamp(curve[x], minimum, maximum) : curve[x];
        }
    }
    for (int &v : curve)
        v = std::clamp(v, minimum, maximum);
    return curve;
}

// The rows a column should show: top and bottom, or kNoBar.
using Bar = std::pair<int, int>;
const Bar kNoBar {0, -1};

std::vector<Bar> expectedBars(const std::vector<int> &curve, int mode, QSize size)
{
    const int w = size.width(), h = size.height(), mid = h / 2;
    const bool cut = quint16(mode) > 2;
    std::vector<Bar> bars(std::max(w, 0), kNoBar);
    for (int x = 1; x <= w - 2; ++x) {
        const int v = curve[(x - 1) * kPoints / w];
        const double dB = std::abs(v) / 512.0;
        const int length = cut ? int(dB * h / 40.0) : int(dB * mid / 20.0);
        if (length > 0 && v > 0)
            bars[x] = {mid - length, mid - 1};
        else if (length > 0)
            bars[x] = cut ? Bar {0, length - 1} : Bar {mid + 1, mid + length};
        // A full -20 dB cut on an even height reaches one row past the bottom: clipped.
        bars[x].second = std::min(bars[x].second, h - 1);
    }
    return bars;
}

// What a column of the widget's picture shows; a column with holes or foreign colours fails.
std::vector<Bar> shownBars(QWidget *widget)
{
    const QImage img = widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
    std::vector<Bar> bars(img.width(), kNoBar);
    for (int x = 0; x < img.width(); ++x) {
        int top = -1, bottom = -1, lit = 0;
        for (int y = 0; y < img.height(); ++y) {
            const QRgb c = img.pixel(x, y);
            if (c != kBar.rgb() && c != kBackground.rgb())
                return {};
            top = c == kBar.rgb() && top < 0 ? y : top;
            bottom = c == kBar.rgb() ? y : bottom;
            lit += c == kBar.rgb();
        }
        if (lit && lit != bottom - top + 1)
            return {};
        if (lit)
            bars[x] = {top, bottom};
    }
    return bars;
}

// The embedded console (or the given one) with bars bound on a channel of its graphic EQ, drawn
// white on black; base is the first band's address.
struct Rig : TestRig::Console
{
    explicit Rig(QSize size, const char *catalogue = "")
        : Console(catalogue, kChannel, size)
        , curve(new CGEQCurve(&host, "geq"))
    {
        QPalette pal = curve->palette();
        pal.setColor(QPalette::Window, kBackground);
        pal.setColor(QPalette::WindowText, kBar);
        curve->setPalette(pal);
        curve->resize(size);
        bound = bind(curve, kAddress);
        base = at(kAddress);
    }
    int get(int p, int c = kChannel) { return memory.getValue(base.element, p, c); }
    void put(int p, int v, int c = kChannel)
    {
        memory.setValue(base.element, p, c, v, memory.sourceId(0) + 1, 1);
    }
    void setBands(const std::vector<int> &gains, int c = kChannel)
    {
        for (int b = 0; b < kBands; ++b)
            put(base.parameter + b, gains[b], c);
    }
    std::vector<int> points() const { return {curve->curve(), curve->curve() + kPoints}; }

    CGEQCurve *curve;
    bool bound = false;
    IMemAPI::TSingleAddress base;
};

// Gains by band index 0..30 (band 15 is centred on point 134), the rest flat.
std::vector<int> bands(std::initializer_list<std::pair<int, int>> bands)
{
    std::vector<int> gains(kBands, 0);
    for (const auto &b : bands)
        gains[b.first] = b.second;
    return gains;
}

using TestRig::settle;

} // namespace

Q_DECLARE_METATYPE(std::vector<int>)

class TestGeqCurve : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void shapeAndRowFollowTheGain();
    void barsShowTheSummedShapes_data();
    void barsShowTheSummedShapes();
    void backgroundOnlyWithoutBarsOrMemory();
    void blockObservedResetCopiedAndPasted();
};

void TestGeqCurve::shapeAndRowFollowTheGain()
{
    // |gain| in tenths, shape, row: up to 1.0 dB the widest shape and the 1 dB row; the
    // narrowest beyond 18 dB; no row beyond 24 dB; -32768 read as its magnitude.
    const int cases[][3] = {{5, 7, 0},    {10, 7, 0},   {11, 6, 0},   {19, 6, 0},   {20, 6, 1},
                            {36, 5, 2},   {85, 4, 7},   {86, 3, 7},   {161, 2, 15}, {171, 1, 16},
                            {180, 1, 17}, {181, 0, 17}, {249, 0, 23}, {300, 0, 23}, {32768, 0, 23}};
    for (const auto &c : cases)
        QCOMPARE(std::make_pair(GEQ_ShapeOfGain(c[0]), GEQ_RowOfGain(c[0])),
                 std::make_pair(c[1], c[2]));
}

void TestGeqCurve::barsShowTheSummedShapes_data()
{
    QTest::addColumn<std::vector<int>>("gains");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QSize>("size");
    const QSize natural(271, 80);
    QTest::newRow("all flat") << bands({}) << 0 << natural;
    QTest::newRow("band 15 +12 dB") << bands({{15, 120}}) << 0 << natural;
    QTest::newRow("band 15 +12 dB, odd height") << bands({{15, 120}}) << 1 << QSize(271, 81);
    QTest::newRow("two adjacent +18 dB") << bands({{10, 180}, {11, 180}}) << 0 << natural;
    QTest::newRow("+18 +18 -18, clamped")
            << bands({{10, 180}, {11, 180}, {12, -180}}) << 2 << QSize(271, 400);
    QTest::newRow("mode 3 +6 dB draws nothing") << bands({{15, 60}}) << 3 << natural;
    QTest::newRow("mode 3 -6 dB hangs from the top") << bands({{15, -60}}) << 3 << natural;
    QTest::newRow("0.5 dB") << bands({{15, 5}}) << 0 << QSize(271, 2000);
    QTest::newRow("edge bands") << bands({{0, 150}, {1, -90}, {29, 40}, {30, -177}}) << 0
                                << QSize(300, 120);
    QTest::newRow("mixed, narrow")
            << bands({{3, 120}, {8, -35}, {9, 61}, {20, -180}, {25, 12}}) << 0 << QSize(97, 64);
    QTest::newRow("mode -1") << bands({{5, 90}, {15, -120}, {16, -60}}) << -1 << QSize(271, 90);
    QTest::newRow("past the table")
            << bands({{0, 32767}, {12, 300}, {20, -32768}, {30, -241}}) << 0 << QSize(271, 100);
}

void TestGeqCurve::barsShowTheSummedShapes()
{
    QFETCH(std::vector<int>, gains);
    QFETCH(int, mode);
    QFETCH(QSize, size);
    // The default mode -1 and gains past 18 dB need the wide console.
    const bool wide = mode < 0
            || std::any_of(gains.begin(), gains.end(), [](int g) { return std::abs(g) > 180; });
    Rig r(size, wide ? kWideCatalogue : "");
    QVERIFY(r.bound && r.loaded == wide);
    QCOMPARE(r.get(kModeParameter), wide ? -1 : 0);
    r.put(kModeParameter, mode);
    r.setBands(gains);
    QCOMPARE(r.curve->displayMode(), quint16(mode));

    const std::vector<int> reference = referenceCurve(gains, mode);
    const std::vector<Bar> shown = shownBars(r.curve); // the curve is worked out for a paint
    QCOMPARE(r.points(), reference);
    QVERIFY2(!shown.empty(), "only the background and the bar colour, bars without holes");
    QCOMPARE(shown, expectedBars(reference, mode, size));
    const QByteArray tag = QTest::currentDataTag();
    // Clamping the plain sum once would give other bars.
    if (tag.startsWith("+18 +18 -18"))
        QVERIFY(expectedBars(referenceCurve(gains, mode, false), mode, size) != shown);
    // The default mode -1 shows only cuts, hanging from the top edge.
    if (tag == "mode -1")
        QVERIFY(shown[36] == kNoBar
                && shown[135] == Bar(0, int(std::abs(reference[134]) / 512.0 * 90 / 40) - 1));
    // Gains past the table draw as its last row: 30 dB exactly as 24 dB.
    if (tag == "past the table") {
        r.put(r.base.parameter + 12, 240);
        r.curve->grab();
        QCOMPARE(r.points(), reference);
    }
}

void TestGeqCurve::backgroundOnlyWithoutBarsOrMemory()
{
    // Under 3 pixels wide there is no column for a bar.
    for (int w : {1, 2}) {
        Rig r(QSize(w, 60));
        r.setBands(bands({{1, 180}, {2, 180}, {3, -180}}));
        QCOMPARE(shownBars(r.curve), std::vector<Bar>(w, kNoBar));
    }
    // Without memory: the size hint and the background, from the palette's texture when it has
    // one, else its colour.
    CGEQCurve alone;
    QCOMPARE(alone.sizeHint(), QSize(40, 30));
    alone.resize(50, 40);
    QPalette pal = alone.palette();
    pal.setColor(QPalette::Window, QColor(10, 20, 30));
    alone.setPalette(pal);
    QImage img = alone.grab().toImage();
    QVERIFY(img.pixelColor(25, 10) == QColor(10, 20, 30)
            && img.pixelColor(25, 30) == QColor(10, 20, 30));
    QImage texture(20, 16, QImage::Format_RGB32);
    texture.fill(QColor(200, 0, 0));
    texture.setPixelColor(0, 0, QColor(0, 200, 0));
    pal.setBrush(QPalette::Window, QBrush(QPixmap::fromImage(texture)));
    alone.setPalette(pal);
    QCOMPARE(alone.sizeHint(), QSize(20, 16));
    img = alone.grab().toImage();
    QVERIFY(img.pixelColor(0, 0) == QColor(0, 200, 0)
            && img.pixelColor(10, 8) == QColor(200, 0, 0));
}

void TestGeqCurve::blockObservedResetCopiedAndPasted()
{
    const QSize size(271, 80);
    Rig r(size);
    QVERIFY(r.bound);
    const int e = r.base.element, p = r.base.parameter;
    // The flat switch, the 31 bands and the link are observed, and forgotten on disconnect.
    const int observed = r.memory.observerCount();
    const auto at = [&](int q) { return r.memory.observerCount(IMemAPI::pack(e, q, kChannel)); };
    QVERIFY(at(p - 1) == 1 && at(p + 31) == 1 && at(p + 32) == 0);
    r.curve->disconnectMemAPI();
    QCOMPARE(observed - r.memory.observerCount(), 33);
    QVERIFY(TestRig::bind(r.memory, *r.curve, QString::fromLatin1(kAddress), kChannel));

    // Defaults move exactly the block: the bands and the link, not the flat switch before it
    // nor the parameter after it.
    for (int i = -1; i <= 32; ++i)
        r.put(p + i, i == 31 || i == -1 ? 1 : (i == 32 ? 9 : 17 * i % 300 - 150));
    r.curve->reset2defaults();
    for (int i = 0; i < 32; ++i)
        QCOMPARE(r.get(p + i), r.memory.getValueEx(e, p + i, kChannel, false, nullptr));
    QVERIFY(r.get(p + 31) == 0 && r.get(p - 1) == 1 && r.get(p + 32) == 9);
    QCOMPARE(shownBars(r.curve), expectedBars(referenceCurve(bands({}), 0), 0, size));

    // A worker's burst over the whole block merges into one paint of the last values.
    settle();
    struct PaintCounter : QObject
    {
        bool eventFilter(QObject *, QEvent *event) override
        {
            paints += event->type() == QEvent::Paint;
            return false;
        }
        int paints = 0;
    } counter;
    r.curve->installEventFilter(&counter);
    std::vector<int> gains(kBands);
    for (int b = 0; b < kBands; ++b)
        gains[b] = b % 3 == 0 ? 60 : -(b * 5);
    QVERIFY(TestRig::runOnWorker([&] {
        r.setBands(gains);
        r.put(p + 31, 1);
    }));
    settle();
    QCOMPARE(counter.paints, 1);
    r.curve->removeEventFilter(&counter);
    QCOMPARE(shownBars(r.curve), expectedBars(referenceCurve(gains, 0), 0, size));

    // A copy holds the block, each record tagged with its place in it; pasted on another
    // channel it sets the block there and nothing around it.
    for (int b = 0; b < kBands; ++b)
        gains[b] = (b * 47) % 361 - 180;
    r.setBands(gains);
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    r.curve->copyParameters(&out);
    QDataStream in(bytes);
    for (int i = 0; i < 32; ++i) {
        const TParamInfoReader reader(&in); // an invalid record has no tag
        QCOMPARE(std::make_pair(reader.tag(), reader.value()),
                 std::make_pair(i, i < kBands ? gains[i] : 1));
    }
    QVERIFY(in.atEnd());
    CGEQCurve *other = new CGEQCurve(&r.host, "other");
    other->setPalette(r.curve->palette());
    other->resize(size);
    QVERIFY(TestRig::bind(r.memory, *other, QString::fromLatin1(kAddress), kOtherChannel));
    r.put(p - 1, 1, kOtherChannel);
    r.put(p + 32, 44, kOtherChannel);
    QDataStream again(bytes);
    other->pasteParameters(&again);
    for (int b = 0; b < kBands; ++b)
        QCOMPARE(r.get(p + b, kOtherChannel), gains[b]);
    QVERIFY(r.get(p + 31, kOtherChannel) == 1 && r.get(p - 1, kOtherChannel) == 1
            && r.get(p + 32, kOtherChannel) == 44);
    QCOMPARE(shownBars(other), expectedBars(referenceCurve(gains, 0), 0, size));

    // A short or garbled paste stops at the first bad record: the records before it applied,
    // nothing after, the link untouched.
    const auto records = [e](int count, int badAt) {
        QByteArray bytes;
        QDataStream s(&bytes, QIODevice::WriteOnly);
        for (int i = 0; i < count; ++i)
            TParamInfoWriter(e, 0, i == badAt ? 99 : i, 100 + i, &s);
        return bytes;
    };
    const int recordSize = records(1, -1).size();
    QByteArray noise(32 * recordSize, '\0');
    for (int i = 0; i < noise.size(); ++i)
        noise[i] = char((i * 131 + 7) % 251);
    const std::pair<QByteArray, int> pastes[] = {
            {QByteArray(), 0},
            {records(10, -1), 10},
            {records(32, 4), 4},
            {noise, 0},
            {records(32, -1).left(10 * recordSize + recordSize / 2), 10}};
    for (const auto &[stream, applied] : pastes) {
        for (int i = 0; i < 32; ++i)
            r.put(p + i, i < kBands ? -7 : 1);
        QDataStream in(stream);
        r.curve->pasteParameters(&in);
        for (int i = 0; i < kBands; ++i)
            QCOMPARE(r.get(p + i), i < applied ? 100 + i : -7);
        QCOMPARE(r.get(p + 31), 1);
    }
}

QTEST_MAIN(TestGeqCurve)
#include "tst_geqcurve.moc"
