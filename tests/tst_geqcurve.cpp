// The graphic-EQ bars against the embedded memory: what grab() shows for band gains, checked
// against the summed analog band shapes; defaults, copy and paste of the 32-parameter block;
// bad input; a worker-thread burst merging into one paint.

#include "CGEQCurve.h"
#include "TParamInfo.h"
#include "TParamMemory.h"
#include "TestRig.h"
#include "geq_bars.h"

#include <QBuffer>
#include <QDataStream>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace {

const char *const kAddress = "FEkGEQ/kGEQBand1";
constexpr int kChannel = 3;
constexpr int kOtherChannel = 5;
constexpr int kModeParameter = 3;
constexpr int kBands = 31;
constexpr int kPoints = 271;

const QColor kBackground(0, 0, 0);
const QColor kBar(255, 255, 255);

// A console whose display mode may hold -1 and whose bands go beyond the console's +-18 dB.
const char *const kWideCatalogue = R"({"name":"wide","sections":[{"key":"kGEQ","element":16,
    "channels":8,"params":[
    {"key":"kGEQMode","id":3,"min":-1,"max":3,"default":-1},
    {"key":"kGEQFlat","id":4,"min":0,"max":1,"default":0},
    {"key":"kGEQBand","id":5,"min":-32768,"max":32767,"default":0,"count":31},
    {"key":"kGEQLink","id":36,"min":0,"max":1,"default":0}]}]})";

// --- the reference: band shapes straight from the peaking prototype --------------------------

// Q of each shape, and the shape for |gain| in tenths, as the display defines them.
const double kShapeQ[8] = {10, 9, 8, 7, 6.3, 5.6, 5.0, 4.5};
int shapeFor(int tenths)
{
    const int limits[] = {11, 36, 61, 86, 161, 171};
    for (int i = 0; i < 6; ++i) {
        if (tenths < limits[i])
            return 7 - i;
    }
    return tenths <= 180 ? 1 : 0;
}

// 3072 log2|H| of a boost of dB whole dB, d points (1/27 octave) from the centre, rounded.
int peakUnits(int d, int dB, double Q)
{
    const double w = std::pow(2.0, d / 27.0), K = std::pow(2.0, dB / 6.0), a = 1.0 - w * w;
    const double power = (a * a + (K * w / Q) * (K * w / Q)) / (a * a + (w / Q) * (w / Q));
    return int(std::lround(1536.0 * std::log2(power)));
}

// Every band added point by point in band order, clamped after each addition.
std::vector<int> referenceCurve(const std::vector<int> &gains, int maximum, int minimum,
                                bool clampEachBand = true)
{
    std::vector<int> curve(kPoints, 0);
    for (int b = 0; b < kBands; ++b) {
        const int g = gains[b];
        if (g == 0)
            continue;
        const int tenths = std::abs(g);
        const int dB = std::clamp(tenths / 10, 1, 24);
        const int centre = b == 0 ? 0 : 9 * b - 1;
        for (int x = 0; x < kPoints; ++x) {
            const int v = (g > 0 ? 1 : -1)
                    * peakUnits(std::abs(x - centre), dB, kShapeQ[shapeFor(tenths)]);
            curve[x] = clampEachBand ? std::clamp(curve[x] + v, minimum, maximum) : curve[x] + v;
        }
    }
    if (!clampEachBand) {
        for (int &v : curve)
            v = std::clamp(v, minimum, maximum);
    }
    return curve;
}

bool cutOnly(int mode)
{
    return quint16(mode) > 2;
}

std::vector<int> referenceFor(const std::vector<int> &gains, int mode)
{
    return cutOnly(mode) ? referenceCurve(gains, 0, -20480) : referenceCurve(gains, 10240, -10240);
}

// The rows a column should show: [top, bottom], or empty.
struct Bar
{
    int top = 0;
    int bottom = -1;
    bool operator==(const Bar &o) const { return top == o.top && bottom == o.bottom; }
};

std::vector<Bar> expectedBars(const std::vector<int> &curve, int mode, QSize size)
{
    const int w = size.width(), h = size.height(), mid = h / 2;
    std::vector<Bar> bars(std::max(w, 0));
    for (int x = 1; x <= w - 2; ++x) {
        const int v = curve[(x - 1) * kPoints / w];
        const double dB = std::abs(v) / 512.0;
        const int length = cutOnly(mode) ? int(dB * h / 40.0) : int(dB * mid / 20.0);
        if (length <= 0)
            continue;
        if (v > 0)
            bars[x] = {mid - length, mid - 1};
        else if (cutOnly(mode))
            bars[x] = {0, length - 1};
        else
            bars[x] = {mid + 1, mid + length};
        // A full -20 dB cut on an even height reaches one row past the bottom: clipped.
        bars[x].bottom = std::min(bars[x].bottom, h - 1);
    }
    return bars;
}

// What a column of the picture shows; a column with holes or foreign colours fails.
std::vector<Bar> shownBars(const QImage &img)
{
    std::vector<Bar> bars(img.width());
    for (int x = 0; x < img.width(); ++x) {
        int top = -1, bottom = -1, lit = 0;
        for (int y = 0; y < img.height(); ++y) {
            const QRgb c = img.pixel(x, y);
            if (c == kBar.rgb()) {
                if (top < 0)
                    top = y;
                bottom = y;
                ++lit;
            } else if (c != kBackground.rgb()) {
                return {};
            }
        }
        if (lit && lit != bottom - top + 1)
            return {};
        if (lit)
            bars[x] = {top, bottom};
    }
    return bars;
}

int barHeight(const Bar &b)
{
    return b.bottom - b.top + 1;
}

class PaintCounter : public QObject
{
public:
    int paints = 0;
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

struct Fixture
{
    TParamMemory memory;
    std::unique_ptr<CGEQCurve> curve;
    IMemAPI::TSingleAddress base;

    int external() { return memory.sourceId(0) + 1; }
    int get(int p, int c = kChannel) { return memory.getValue(base.element, p, c); }
    void set(int p, int v, int c = kChannel)
    {
        memory.setValue(base.element, p, c, v, external(), 1);
    }
    void setBands(const std::vector<int> &gains, int c = kChannel)
    {
        for (int b = 0; b < kBands; ++b)
            set(base.parameter + b, gains[b], c);
    }
    CGEQCurve *make(QSize size, int channel = kChannel)
    {
        curve = std::make_unique<CGEQCurve>(nullptr, "geq");
        QPalette pal = curve->palette();
        pal.setColor(QPalette::Window, kBackground);
        pal.setColor(QPalette::WindowText, kBar);
        curve->setPalette(pal);
        curve->resize(size);
        curve->setNamedAddress(QString::fromLatin1(kAddress));
        memory.connectProxy(curve.get(), channel);
        memory.resolveNamed(QString::fromLatin1(kAddress), channel, &base);
        return curve.get();
    }
    QImage shot() { return curve->grab().toImage().convertToFormat(QImage::Format_RGB32); }
};

std::vector<int> flat()
{
    return std::vector<int>(kBands, 0);
}

// Gains by band index 0..30 (band 15 is centred on point 134), the rest flat.
std::vector<int> withBands(std::initializer_list<std::pair<int, int>> bands)
{
    std::vector<int> gains = flat();
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
    void shapeAndRowFollowTheGain_data();
    void shapeAndRowFollowTheGain();
    void barsShowTheSummedShapes_data();
    void barsShowTheSummedShapes();
    void cutOnlyModeFromMinusOne();
    void gainsBeyondTheTableUseTheTopRow();
    void backgroundOnlyWithoutBarsOrMemory();
    void observesTheFlatSwitchTheBandsAndTheLink();
    void defaultsMoveExactlyTheBlock();
    void copyAndPasteBetweenChannels();
    void shortOrGarbledPasteStopsAtTheFirstBadRecord_data();
    void shortOrGarbledPasteStopsAtTheFirstBadRecord();
    void workerBurstIsOnePaint();
};

void TestGeqCurve::shapeAndRowFollowTheGain_data()
{
    QTest::addColumn<int>("tenths");
    QTest::addColumn<int>("shape");
    QTest::addColumn<int>("row");
    QTest::newRow("0.5 dB: widest, 1 dB") << 5 << 7 << 0;
    QTest::newRow("1.0 dB") << 10 << 7 << 0;
    QTest::newRow("1.1 dB") << 11 << 6 << 0;
    QTest::newRow("1.9 dB") << 19 << 6 << 0;
    QTest::newRow("2.0 dB") << 20 << 6 << 1;
    QTest::newRow("3.6 dB") << 36 << 5 << 2;
    QTest::newRow("8.5 dB") << 85 << 4 << 7;
    QTest::newRow("8.6 dB") << 86 << 3 << 7;
    QTest::newRow("16.1 dB") << 161 << 2 << 15;
    QTest::newRow("17.1 dB") << 171 << 1 << 16;
    QTest::newRow("18.0 dB") << 180 << 1 << 17;
    QTest::newRow("18.1 dB") << 181 << 0 << 17;
    QTest::newRow("24.9 dB") << 249 << 0 << 23;
    QTest::newRow("30 dB: no row beyond 24") << 300 << 0 << 23;
    QTest::newRow("-32768 read as magnitude") << 32768 << 0 << 23;
}

void TestGeqCurve::shapeAndRowFollowTheGain()
{
    QFETCH(int, tenths);
    QFETCH(int, shape);
    QFETCH(int, row);
    QCOMPARE(GEQ_ShapeOfGain(tenths), shape);
    QCOMPARE(GEQ_RowOfGain(tenths), row);
}

void TestGeqCurve::barsShowTheSummedShapes_data()
{
    QTest::addColumn<std::vector<int>>("gains");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QSize>("size");
    const QSize natural(271, 80);
    QTest::newRow("all flat") << flat() << 0 << natural;
    QTest::newRow("band 15 +12 dB") << withBands({{15, 120}}) << 0 << natural;
    QTest::newRow("band 15 +12 dB, odd height") << withBands({{15, 120}}) << 1 << QSize(271, 81);
    QTest::newRow("two adjacent +18 dB") << withBands({{10, 180}, {11, 180}}) << 0 << natural;
    QTest::newRow("+18 +18 -18: clamped band by band")
            << withBands({{10, 180}, {11, 180}, {12, -180}}) << 2 << QSize(271, 400);
    QTest::newRow("mode 3 +6 dB draws nothing") << withBands({{15, 60}}) << 3 << natural;
    QTest::newRow("mode 3 -6 dB hangs from the top") << withBands({{15, -60}}) << 3 << natural;
    QTest::newRow("0.5 dB") << withBands({{15, 5}}) << 0 << QSize(271, 2000);
    QTest::newRow("edges: bands 0, 1, 29, 30")
            << withBands({{0, 150}, {1, -90}, {29, 40}, {30, -177}}) << 0 << QSize(300, 120);
    QTest::newRow("mixed, narrow widget")
            << withBands({{3, 120}, {8, -35}, {9, 61}, {20, -180}, {25, 12}}) << 0 << QSize(97, 64);
}

void TestGeqCurve::barsShowTheSummedShapes()
{
    QFETCH(std::vector<int>, gains);
    QFETCH(int, mode);
    QFETCH(QSize, size);
    Fixture f;
    f.make(size);
    f.set(kModeParameter, mode);
    f.setBands(gains);

    const QImage img = f.shot();
    const std::vector<int> reference = referenceFor(gains, mode);
    QCOMPARE(std::vector<int>(f.curve->curve(), f.curve->curve() + kPoints), reference);
    const std::vector<Bar> shown = shownBars(img);
    QVERIFY2(!shown.empty(), "only the background and the bar colour, bars without holes");
    QCOMPARE(shown, expectedBars(reference, mode, size));

    if (QTest::currentDataTag() == QByteArray("+18 +18 -18: clamped band by band")) {
        // Clamping the plain sum once would give other bars.
        const std::vector<int> once = referenceCurve(gains, 10240, -10240, false);
        QVERIFY(expectedBars(once, mode, size) != shown);
    }
}

void TestGeqCurve::cutOnlyModeFromMinusOne()
{
    Fixture f;
    QVERIFY(f.memory.loadCatalogue(kWideCatalogue));
    const QSize size(271, 90);
    f.make(size);
    QCOMPARE(f.get(kModeParameter), -1);
    QCOMPARE(f.curve->displayMode(), quint16(65535));
    const std::vector<int> gains = withBands({{5, 90}, {15, -120}, {16, -60}});
    f.setBands(gains);
    const std::vector<Bar> shown = shownBars(f.shot());
    QCOMPARE(shown, expectedBars(referenceCurve(gains, 0, -20480), -1, size));
    // Only cuts show, hanging from the top edge.
    QCOMPARE(shown[36], Bar());
    QCOMPARE(shown[135].top, 0);
    QCOMPARE(barHeight(shown[135]), int(std::abs(f.curve->curve()[134]) / 512.0 * 90 / 40));
}

void TestGeqCurve::gainsBeyondTheTableUseTheTopRow()
{
    Fixture f;
    QVERIFY(f.memory.loadCatalogue(kWideCatalogue));
    f.make(QSize(271, 100));
    f.set(kModeParameter, 0);
    const std::vector<int> gains = withBands({{0, 32767}, {12, 300}, {20, -32768}, {30, -241}});
    f.setBands(gains);
    QCOMPARE(shownBars(f.shot()), expectedBars(referenceFor(gains, 0), 0, QSize(271, 100)));
    QCOMPARE(std::vector<int>(f.curve->curve(), f.curve->curve() + kPoints),
             referenceFor(gains, 0));
    // 30 dB draws exactly as 24 dB.
    const std::vector<int> at30(f.curve->curve(), f.curve->curve() + kPoints);
    f.set(f.base.parameter + 12, 240);
    f.shot();
    QCOMPARE(std::vector<int>(f.curve->curve(), f.curve->curve() + kPoints), at30);
}

void TestGeqCurve::backgroundOnlyWithoutBarsOrMemory()
{
    // Under 3 pixels wide there is no column for a bar.
    for (int w : {1, 2}) {
        Fixture f;
        f.make(QSize(w, 60));
        f.setBands(withBands({{1, 180}, {2, 180}, {3, -180}}));
        const std::vector<Bar> shown = shownBars(f.shot());
        QCOMPARE(int(shown.size()), w);
        QVERIFY(std::all_of(shown.begin(), shown.end(),
                            [](const Bar &b) { return barHeight(b) == 0; }));
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
    QCOMPARE(img.pixelColor(25, 10), QColor(10, 20, 30));
    QCOMPARE(img.pixelColor(25, 30), QColor(10, 20, 30));

    QImage texture(20, 16, QImage::Format_RGB32);
    texture.fill(QColor(200, 0, 0));
    texture.setPixelColor(0, 0, QColor(0, 200, 0));
    pal.setBrush(QPalette::Window, QBrush(QPixmap::fromImage(texture)));
    alone.setPalette(pal);
    QCOMPARE(alone.sizeHint(), QSize(20, 16));
    img = alone.grab().toImage();
    QCOMPARE(img.pixelColor(0, 0), QColor(0, 200, 0));
    QCOMPARE(img.pixelColor(10, 8), QColor(200, 0, 0));
}

void TestGeqCurve::observesTheFlatSwitchTheBandsAndTheLink()
{
    Fixture f;
    const int before = f.memory.observerCount();
    f.make(QSize(100, 40));
    QVERIFY(f.curve->isAttached());
    QCOMPARE(f.memory.observerCount() - before, 33);
    const int e = f.base.element, p = f.base.parameter;
    QCOMPARE(f.memory.observerCount(IMemAPI::pack(e, p - 1, kChannel)), 1);
    QCOMPARE(f.memory.observerCount(IMemAPI::pack(e, p + 31, kChannel)), 1);
    QCOMPARE(f.memory.observerCount(IMemAPI::pack(e, p + 32, kChannel)), 0);
    f.curve->disconnectMemAPI();
    QCOMPARE(f.memory.observerCount(), before);
}

void TestGeqCurve::defaultsMoveExactlyTheBlock()
{
    Fixture f;
    f.make(QSize(271, 80));
    const int p = f.base.parameter;
    for (int i = -1; i <= 32; ++i)
        f.set(p + i, i == 31 || i == -1 ? 1 : (i == 32 ? 9 : 17 * i % 300 - 150));
    f.curve->reset2defaults();
    for (int i = 0; i < 32; ++i)
        QCOMPARE(f.get(p + i),
                 f.memory.getValueEx(f.base.element, p + i, kChannel, false, nullptr));
    QCOMPARE(f.get(p + 31), 0);
    QCOMPARE(f.get(p - 1), 1);
    QCOMPARE(f.get(p + 32), 9);
    QCOMPARE(shownBars(f.shot()), expectedBars(referenceFor(flat(), 0), 0, QSize(271, 80)));
}

void TestGeqCurve::copyAndPasteBetweenChannels()
{
    Fixture f;
    f.make(QSize(271, 80));
    const int p = f.base.parameter;
    std::vector<int> gains(kBands);
    for (int b = 0; b < kBands; ++b)
        gains[b] = (b * 47) % 361 - 180;
    f.setBands(gains);
    f.set(p + 31, 1);

    QByteArray bytes;
    {
        QDataStream out(&bytes, QIODevice::WriteOnly);
        f.curve->copyParameters(&out);
    }
    // Each record carries its place in the block.
    QDataStream in(bytes);
    for (int i = 0; i < 32; ++i) {
        TParamInfoReader r(&in);
        QVERIFY(r.isValid());
        QCOMPARE(r.tag(), i);
        QCOMPARE(r.value(), i < kBands ? gains[i] : 1);
    }
    QVERIFY(in.atEnd());

    f.make(QSize(271, 80), kOtherChannel);
    f.set(p - 1, 1, kOtherChannel);
    f.set(p + 32, 44, kOtherChannel);
    QDataStream again(bytes);
    f.curve->pasteParameters(&again);
    for (int b = 0; b < kBands; ++b)
        QCOMPARE(f.get(p + b, kOtherChannel), gains[b]);
    QCOMPARE(f.get(p + 31, kOtherChannel), 1);
    QCOMPARE(f.get(p - 1, kOtherChannel), 1);
    QCOMPARE(f.get(p + 32, kOtherChannel), 44);
    QCOMPARE(shownBars(f.shot()), expectedBars(referenceFor(gains, 0), 0, QSize(271, 80)));
}

void TestGeqCurve::shortOrGarbledPasteStopsAtTheFirstBadRecord_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<int>("applied");
    auto records = [](int count, int badAt) {
        QByteArray bytes;
        QDataStream s(&bytes, QIODevice::WriteOnly);
        for (int i = 0; i < count; ++i)
            TParamInfoWriter(16, 0, i == badAt ? 99 : i, 100 + i, &s);
        return bytes;
    };
    const QByteArray whole = records(32, -1);
    const int recordSize = whole.size() / 32;
    QTest::newRow("empty") << QByteArray() << 0;
    QTest::newRow("ends after 10 records") << records(10, -1) << 10;
    QTest::newRow("ends inside record 11") << whole.left(10 * recordSize + recordSize / 2) << 10;
    QTest::newRow("record 4 tagged elsewhere") << records(32, 4) << 4;
    QByteArray noise(32 * recordSize, '\0');
    for (int i = 0; i < noise.size(); ++i)
        noise[i] = char((i * 131 + 7) % 251);
    QTest::newRow("noise") << noise << 0;
}

void TestGeqCurve::shortOrGarbledPasteStopsAtTheFirstBadRecord()
{
    QFETCH(QByteArray, stream);
    QFETCH(int, applied);
    Fixture f;
    f.make(QSize(271, 80));
    const int p = f.base.parameter;
    for (int i = 0; i < 32; ++i)
        f.set(p + i, i < kBands ? -7 : 1);
    QDataStream in(stream);
    f.curve->pasteParameters(&in);
    for (int i = 0; i < kBands; ++i)
        QCOMPARE(f.get(p + i), i < applied ? 100 + i : -7);
    QCOMPARE(f.get(p + 31), 1);
}

void TestGeqCurve::workerBurstIsOnePaint()
{
    Fixture f;
    const QSize size(271, 80);
    f.make(size);
    f.curve->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.curve.get()));
    settle();
    PaintCounter counter;
    f.curve->installEventFilter(&counter);

    std::vector<int> gains(kBands);
    for (int b = 0; b < kBands; ++b)
        gains[b] = b % 3 == 0 ? 60 : -(b * 5);
    QVERIFY(TestRig::runOnWorker([&] {
        f.setBands(gains);
        f.set(f.base.parameter + 31, 1);
    }));
    settle();
    QCOMPARE(counter.paints, 1);
    f.curve->removeEventFilter(&counter);
    QCOMPARE(shownBars(f.shot()), expectedBars(referenceFor(gains, 0), 0, size));
}

QTEST_MAIN(TestGeqCurve)
#include "tst_geqcurve.moc"
