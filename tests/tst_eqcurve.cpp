// The EQ curve, driven with the mouse against the embedded memory: what the memory holds after
// a drag, which curve and handles the pixels of grab() show (checked against the calculator),
// and how notifications from other threads are coalesced into one recalculation.

#include "CEqCurve.h"
#include "TParamInfo.h"
#include "TParamMemory.h"
#include "TestRig.h"
#include "calc_eq.h"

#include <QDataStream>
#include <QImage>
#include <QTest>

#include <algorithm>
#include <utility>

namespace {

// Addresses: the parameter is irrelevant, the element picks the EQ.
const char *const kInputEq = "FEkInputEQ/kEQOn"; // element 47 with the high-pass of 46
const char *const kOutEq = "FEkOutEQ/kEQOn"; // element 85: four bands
const char *const kMixEq = "FEkMixEQ/kEQOn"; // element 66: eight bands
constexpr int kHpf = 46, kIn = 47, kMix = 66, kOut = 85, kSetup = 270;
constexpr int kChannel = 3;

// Parameter map of a four-band set; the second set of an eight-band EQ lies 20 further on.
constexpr int kEqType = 1, kLowType = 3, kHighType = 4, kLowFilterOn = 5, kSecondSet = 20;
enum What { Off, Q, Freq, Gain };
int band(int b, What what)
{
    return 4 * b + 7 + what;
}

// Widget size: 400 curve points, middle row 100.
constexpr int kWidth = 401;
constexpr int kHeight = 201;
constexpr int kEndIndex = 254;

const QColor kFill(50, 74, 113);
const QColor kLine(139, 183, 212);

using TestRig::settle;

// Presses at from, moves to to and releases there; the band the press selected.
int drag(CEqCurve *w, QPoint from, QPoint to, Qt::KeyboardModifiers modifiers = {},
         Qt::MouseButton button = Qt::LeftButton)
{
    QTest::mousePress(w, button, modifiers, from);
    const int band = w->selectedBand();
    QTest::mouseMove(w, to);
    QTest::mouseRelease(w, button, modifiers, to);
    return band;
}

// The embedded console (an empty catalogue string leaves the memory's own in place) with a
// curve on one of its EQs, every band of every set peaking at 0 dB.
struct Rig : TestRig::Console
{
    explicit Rig(const char *address, QSize size = QSize(kWidth, kHeight))
        : Console("", kChannel, size)
        , curve(new CEqCurve(&host, "eq"))
    {
        curve->resize(size);
        bound = bind(curve, address);
        allPeaking();
        settle();
    }
    int get(int e, int p) { return memory.getValue(e, p, kChannel); }
    void put(int e, int p, int v) { memory.setValue(e, p, kChannel, v, memory.sourceId(0) + 1, 1); }
    // Frequency and gain value of band b.
    std::pair<int, int> setting(int e, int b)
    {
        return {get(e, band(b, Freq)), get(e, band(b, Gain))};
    }
    int defaultOf(int e, int p) { return memory.getValueEx(e, p, kChannel); }
    // Writes by another editor, then lets the curve follow.
    void write(int e, std::initializer_list<std::pair<int, int>> values)
    {
        for (const auto &[p, v] : values)
            put(e, p, v);
        settle();
    }
    void allPeaking()
    {
        for (int offset : {0, kSecondSet}) {
            if (offset && curve->element() != kMix)
                break;
            put(curve->element(), kLowType + offset, 0);
            put(curve->element(), kHighType + offset, 0);
        }
    }
    // Invisible handles: the curve checks see the curve alone.
    void hideHandles()
    {
        QPixmap strip(6, 6);
        strip.fill(Qt::transparent);
        curve->setHandleImage(strip);
        settle();
    }

    CEqCurve *curve;
    bool bound = false;
};

// Handle position of a band with console frequency value v and gain value g (tenths of a dB)
// on a kWidth x kHeight curve: 1/24-octave index 2v across 255 indices, 50 dB over the height.
QPoint handleAt(int v, int g)
{
    return QPoint(int(2 * v * float(kWidth - 1) / float(kEndIndex + 1)),
                  kHeight / 2 - int(g * 10 * float(kHeight - 1) / 5000.0f));
}

// The frequency and gain values a drag ending at x, dy rows above the middle, writes.
std::pair<int, int> valuesAt(int x, int dy)
{
    return {int(x * 255.0f / 400.0f) / 2, int(dy * 5000.0f / 200.0f) / 10};
}

bool isColour(const QImage &img, int x, int y, const QColor &c)
{
    return img.valid(x, y) && QColor(img.pixel(x, y)).rgb() == c.rgb();
}

// Left edges of the runs of handle-coloured pixels on a row.
QList<int> runsOnRow(const QImage &img, int row)
{
    QList<int> starts;
    for (int x = 0; x < img.width(); ++x) {
        if (isColour(img, x, row, kLine) && !isColour(img, x - 1, row, kLine))
            starts << x;
    }
    return starts;
}

// Topmost row of the curve line (the peak of a boost).
int topLineRow(const QImage &img)
{
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            if (isColour(img, x, y, kLine))
                return y;
        }
    }
    return -1;
}

using u8 = quint8;
T_EQ_BAND shape(int group, int gain, int freq, int q, int type = EQ_TYPE_PEAKING)
{
    return {u8(group), u8(type), gain * 10, quint16(2 * freq), u8(80 - 2 * q), 1, 0, 1, 0};
}

// Checks that the picture shows the calculator's curve for the bands at the given points: the
// line at each point's row, the fill between it and the middle row, the background just beyond
// a flat stretch of it.
void verifyCurve(CEqCurve *w, std::initializer_list<T_EQ_BAND> bands, const QList<int> &points)
{
    T_EQ_DATASET data {};
    for (const T_EQ_BAND &b : bands)
        data.bands[data.count++] = b;
    data.magnitudeMode = 1;
    const int count = w->width() - 1;
    QVector<qint32> values(count);
    T_EQ_CURVE c {values.data(), count, 0, kEndIndex};
    QCOMPARE(Calc_EQGain(&c, &data), 1);
    const int mid = w->height() / 2;
    const float k = float(w->height() - 1) / 25600.0f;
    auto rowOf = [&](int i) { return mid - int(values[qBound(0, i, count - 1)] * k); };

    const QImage img = w->grab().toImage();
    const QColor background = w->palette().color(QPalette::Window);
    for (int i : points) {
        const int x = i + 1, y = rowOf(i);
        QVERIFY2(isColour(img, x, y, kLine),
                 qPrintable(QStringLiteral("line at %1,%2").arg(x).arg(y)));
        if (qAbs(y - mid) >= 4)
            QVERIFY2(isColour(img, x, (y + mid) / 2, kFill),
                     qPrintable(QStringLiteral("fill at %1").arg(x)));
        const bool flat = qAbs(rowOf(i - 1) - y) <= 1 && qAbs(rowOf(i + 1) - y) <= 1;
        const int beyond = y + (y < mid ? -3 : 3);
        QVERIFY2(!flat || y == mid || isColour(img, x, beyond, background),
                 qPrintable(QStringLiteral("background at %1,%2").arg(x).arg(beyond)));
    }
}

// Copy, overwrite, paste: the band set (and the input EQ's high-pass) back as copied, one
// record per parameter tagged with its parameter number; nothing outside the band set moves;
// twenty-odd writes, one recalculation.
void copyThenPasteRestoresTheBandSet(Rig &r)
{
    CEqCurve *w = r.curve;
    const int e = w->element();
    QList<std::pair<int, int>> set;
    for (int p = 3; p <= (e == kIn ? 22 : 42); ++p)
        set << std::make_pair(e, p);
    if (e == kIn)
        set << std::make_pair(kHpf, 0) << std::make_pair(kHpf, 1);
    // A distinct in-range value for every parameter of the set.
    const auto distinct = [&](const std::pair<int, int> &a, int shift) {
        const int lo = r.memory.getMinimum(a.first, a.second, kChannel);
        const int span = r.memory.getMaximum(a.first, a.second, kChannel) - lo + 1;
        return lo + (a.second * 7 + shift) % span;
    };
    for (const auto &a : set)
        r.put(a.first, a.second, distinct(a, 1));
    const int eqType = r.get(e, kEqType);
    QByteArray buffer;
    QDataStream out(&buffer, QIODevice::WriteOnly);
    w->copyParameters(&out);
    QDataStream in(buffer);
    TParamInfoReader reader(&in);
    for (int i = 0; i < set.size(); ++i, reader.next())
        QCOMPARE(std::make_tuple(reader.isValid(), reader.element(), reader.tag(), reader.value()),
                 std::make_tuple(true, set[i].first, set[i].second,
                                 r.get(set[i].first, set[i].second)));
    QVERIFY(!reader.isValid());

    for (const auto &a : set)
        r.put(a.first, a.second, distinct(a, 2));
    r.write(e, {{kEqType, 1 - eqType}});
    const int before = w->recalculationCount();
    QDataStream again(buffer);
    w->pasteParameters(&again);
    for (const auto &a : set)
        QCOMPARE(r.get(a.first, a.second), distinct(a, 1));
    QCOMPARE(r.get(e, kEqType), 1 - eqType);
    QCOMPARE(r.memory.getValue(e, band(1, Gain), kChannel + 1), 0);
    settle();
    QCOMPARE(w->recalculationCount(), before + 1);
}

} // namespace

class TestEqCurve : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void flatCurveHandlesAndObservers_data();
    void flatCurveHandlesAndObservers();
    void inputEqFollowsTheMouseAndTheConsole();
    void fourBandEqFollowsTheMouseAndTheConsole();
    void eightBandHandlesTellTheBandSet();
    void withoutMemoryOrRoomTheCurveIsInert();
};

void TestEqCurve::flatCurveHandlesAndObservers_data()
{
    QTest::addColumn<QByteArray>("address");
    QTest::addColumn<int>("handles");
    QTest::addColumn<int>("observed");
    // 47: 46/0, 46/1 and 0..22; 85: 0..22; eight-band: 270/32 and 0..42.
    QTest::newRow("input EQ with high-pass") << QByteArray(kInputEq) << 5 << 25;
    QTest::newRow("four-band") << QByteArray(kOutEq) << 4 << 23;
    QTest::newRow("eight-band") << QByteArray(kMixEq) << 8 << 44;
}

void TestEqCurve::flatCurveHandlesAndObservers()
{
    QFETCH(QByteArray, address);
    QFETCH(int, handles);
    QFETCH(int, observed);
    Rig r(address.constData());
    QVERIFY(r.bound);
    const int e = r.curve->element(), mid = kHeight / 2;
    const QImage img = r.curve->grab().toImage();
    // The zero line: the curve on the middle row across, nothing above it.
    for (int x = 1; x < kWidth; x += 7)
        QVERIFY(isColour(img, x, mid, kLine) && !isColour(img, x, mid - 1, kLine)
                && !isColour(img, x, mid - 1, kFill));
    // Handles hang from the middle row (ellipse tops at the handle point); the input EQ's fifth
    // is its high-pass.
    QList<int> expected;
    for (int b = 0; b < handles; ++b)
        expected << handleAt(b == 4 && e == kIn ? r.get(kHpf, 1)
                                                : r.get(e, band(b % 4, Freq) + b / 4 * kSecondSet),
                             0)
                            .x();
    std::sort(expected.begin(), expected.end());
    const QList<int> runs = runsOnRow(img, mid + 2);
    QCOMPARE(runs.size(), handles);
    for (int i = 0; i < handles; ++i)
        QVERIFY2(qAbs(runs.at(i) - expected.at(i)) <= 1, qPrintable(QString::number(runs.at(i))));
    QVERIFY(runsOnRow(img, mid + 7).isEmpty());

    // Every band parameter observed, all forgotten on disconnect; a second disconnect finds
    // nothing attached.
    QCOMPARE(r.memory.observerCount(), observed);
    QCOMPARE(r.memory.observerCount(IMemAPI::pack(e, 0, kChannel)), 1);
    QCOMPARE(r.memory.observerCount(IMemAPI::pack(e, e == kMix ? 42 : 22, kChannel)), 1);
    QCOMPARE(r.memory.observerCount(IMemAPI::pack(kHpf, 1, kChannel)), e == kIn ? 1 : 0);
    QCOMPARE(r.memory.observerCount(IMemAPI::pack(kSetup, 32, 0)), e == kMix ? 1 : 0);
    for (int i = 0; i < 2; ++i) {
        r.curve->disconnectMemAPI();
        QVERIFY(r.memory.observerCount() == 0 && !r.curve->isAttached());
    }
}

void TestEqCurve::inputEqFollowsTheMouseAndTheConsole()
{
    Rig r(kInputEq);
    QVERIFY(r.bound);
    CEqCurve *w = r.curve;
    // Band 1 taken just off its handle. Above the top row: +18.0 dB at most; far left: frequency
    // value 4 (index 8); the other limits down right; inside, the documented axes.
    const QPoint band1 = handleAt(r.get(kIn, band(1, Freq)), 0);
    QTest::mousePress(w, Qt::LeftButton, {}, band1 + QPoint(2, -2));
    QCOMPARE(w->selectedBand(), 1);
    QTest::mouseMove(w, QPoint(-40, -60));
    QCOMPARE(r.setting(kIn, 1), std::make_pair(4, 180));
    QTest::mouseMove(w, QPoint(kWidth + 40, kHeight + 60));
    QCOMPARE(r.setting(kIn, 1), std::make_pair(124, -180));
    QTest::mouseMove(w, QPoint(201, 52));
    QCOMPARE(r.setting(kIn, 1), valuesAt(200, 48));
    QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(201, 52));
    QVERIFY(!w->isDragging());
    settle();
    // The curve follows the memory: a boost of 12.0 dB near the middle.
    QVERIFY(isColour(w->grab().toImage(), 200, kHeight / 2 - 20, kFill));
    // The fifth handle is the high-pass: it moves element 46's frequency. Moves after the
    // release write nothing.
    const QPoint hpf = handleAt(r.get(kHpf, 1), 0);
    QTest::mousePress(w, Qt::LeftButton, {}, hpf);
    QCOMPARE(w->selectedBand(), 4);
    QTest::mouseMove(w, hpf + QPoint(30, -30));
    QCOMPARE(r.get(kHpf, 1), valuesAt(hpf.x() + 29, 0).first);
    QTest::mouseRelease(w, Qt::LeftButton, {}, hpf + QPoint(30, -30));
    const int writes = r.memory.writes;
    QTest::mouseMove(w, hpf + QPoint(90, -30));
    QCOMPARE(r.memory.writes, writes);

    // Defaults reset the band set, and only that (the EQ type and the high-pass keep their
    // values), with one recalculation.
    for (int p = 3; p <= 22; ++p)
        r.put(kIn, p, r.memory.getMaximum(kIn, p, kChannel));
    r.put(kIn, kEqType, 1);
    r.write(kHpf, {{1, 40}});
    int before = w->recalculationCount();
    w->reset2defaults();
    for (int p = 3; p <= 22; ++p)
        QCOMPARE(r.get(kIn, p), r.defaultOf(kIn, p));
    QVERIFY(r.get(kIn, kEqType) == 1 && r.get(kHpf, 1) == 40);
    settle();
    QCOMPARE(w->recalculationCount(), before + 1);

    // In filter mode the input EQ keeps only the high band's gain.
    r.put(kHpf, 1, r.defaultOf(kHpf, 1));
    r.write(kIn, {{kEqType, r.defaultOf(kIn, kEqType)}, {kLowType, 2}, {kHighType, 2}});
    QPoint at = handleAt(r.get(kIn, band(0, Freq)), 0);
    drag(w, at, at + QPoint(0, -40));
    QCOMPARE(r.get(kIn, band(0, Gain)), valuesAt(0, 40).second);
    settle();
    at = handleAt(r.get(kIn, band(3, Freq)), 0);
    QCOMPARE(drag(w, at, at + QPoint(0, -40)), 3);
    QCOMPARE(r.get(kIn, band(3, Gain)), 0);

    // A burst from a worker thread: no recalculation until the GUI thread runs, then one,
    // showing the last values.
    r.allPeaking();
    r.hideHandles();
    before = w->recalculationCount();
    QVERIFY(TestRig::runOnWorker([&r] {
        for (int i = 0; i < 999; ++i) {
            r.put(kIn, band(i % 4, Gain), (i % 2) ? 30 : -30);
            r.put(kHpf, 1, 10 + i % 20);
        }
        r.put(kIn, band(1, Gain), 90);
    }));
    QCOMPARE(w->recalculationCount(), before);
    settle();
    QCOMPARE(w->recalculationCount(), before + 1);
    QVERIFY(!w->isRecalcPending());
    std::vector<T_EQ_BAND> bands;
    for (int b = 0; b < 4; ++b)
        bands.push_back(shape(b, r.get(kIn, band(b, Gain)), r.get(kIn, band(b, Freq)),
                              r.get(kIn, band(b, Q))));
    QCOMPARE(bands[1].gain, 900);
    verifyCurve(w, {bands[0], bands[1], bands[2], bands[3]}, {30, 90, 130, 200, 300, 360});

    // Band 1 boosting +12 dB at value 40, band 2 cutting 9 dB at value 90, the others at 0 dB:
    // the picture is the calculator's curve. The console moves the cut: the picture follows.
    r.write(kIn,
            {{band(0, Gain), 0},
             {band(3, Gain), 0},
             {band(1, Gain), 120},
             {band(1, Freq), 40},
             {band(1, Q), 20},
             {band(2, Gain), -90},
             {band(2, Freq), 90},
             {band(2, Q), 30}});
    const QList<int> points {10, 100, 125, 150, 200, 250, 282, 300, 390};
    verifyCurve(w, {shape(0, 120, 40, 20), shape(1, -90, 90, 30)}, points);
    r.write(kIn, {{band(2, Gain), 60}});
    verifyCurve(w, {shape(0, 120, 40, 20), shape(1, 60, 90, 30)}, points);
    // A shelf on the low band and the high-pass on: every shape adds in dB.
    r.put(kHpf, 0, 1);
    r.put(kHpf, 1, 20);
    r.write(kIn, {{kLowType, 1}, {band(0, Gain), 90}, {band(0, Freq), 30}});
    verifyCurve(w,
                {shape(0, 120, 40, 20), shape(1, 60, 90, 30),
                 shape(2, 90, 30, r.get(kIn, band(0, Q)), EQ_TYPE_LOW_SHELF),
                 shape(3, 0, 20, 23, EQ_TYPE_HIGH_PASS)},
                {5, 20, 40, 60, 100, 125, 282, 390});

    copyThenPasteRestoresTheBandSet(r);
}

void TestEqCurve::fourBandEqFollowsTheMouseAndTheConsole()
{
    Rig r(kOutEq);
    QVERIFY(r.bound);
    CEqCurve *w = r.curve;
    const int mid = kHeight / 2;
    // The hit radius is width/20 = 20, held to 10 pixels: 10 away is outside. Ctrl-click on
    // the handle itself starts no drag, nor does the right button: nothing written. Nine
    // pixels away is inside.
    const QPoint at = handleAt(r.get(kOut, band(1, Freq)), 0);
    const int writes = r.memory.writes;
    QCOMPARE(drag(w, at + QPoint(0, 10), at + QPoint(40, -40)), -1);
    drag(w, at, at + QPoint(40, -40), Qt::ControlModifier);
    drag(w, at, at + QPoint(40, -40), {}, Qt::RightButton);
    QCOMPARE(r.memory.writes, writes);
    QCOMPARE(drag(w, at + QPoint(-9, 9), at + QPoint(-9, 9)), 1);

    // Handles of bands 1 and 2 six pixels apart: halfway takes the lower band, one pixel nearer
    // to band 2 takes band 2 (its handle still at gain 0).
    r.write(kOut, {{band(1, Freq), 60}, {band(1, Gain), 0}, {band(2, Freq), 62}});
    const QPoint a = handleAt(60, 0), b = handleAt(62, 0), between((a.x() + b.x()) / 2, a.y() + 1);
    QCOMPARE(b.x() - a.x(), 6);
    QCOMPARE(drag(w, between, between + QPoint(0, -30)), 1);
    QVERIFY(r.get(kOut, band(1, Gain)) > 0 && r.get(kOut, band(2, Gain)) == 0);
    r.write(kOut, {{band(1, Gain), 0}});
    QCOMPARE(drag(w, between + QPoint(1, 0), between + QPoint(1, 0)), 2);

    // The low band as high-pass and the high band as low-pass keep their gains.
    r.write(kOut, {{kLowType, 2}, {kHighType, 2}, {band(0, Gain), 30}, {band(3, Gain), -30}});
    for (int b : {0, 3}) {
        const QPoint at = handleAt(r.get(kOut, band(b, Freq)), 0);
        QCOMPARE(drag(w, at, at + QPoint(-12, -40)), b);
        QCOMPARE(r.setting(kOut, b), std::make_pair(valuesAt(at.x() - 13, 0).first, b ? -30 : 30));
        settle();
    }

    // A high-pass switched off contributes nothing, nor does a band switched off; the filter's
    // handle sits on the middle row whatever gain it holds. Switched on, it cuts the low end.
    w->reset2defaults();
    r.allPeaking();
    r.write(kOut,
            {{kLowType, 2},
             {kLowFilterOn, 0},
             {band(0, Freq), 60},
             {band(0, Gain), 150},
             {band(1, Off), 1},
             {band(1, Gain), 120}});
    QImage img = w->grab().toImage();
    for (int x = 1; x < kWidth; x += 5)
        QVERIFY(isColour(img, x, mid, kLine) && !isColour(img, x, mid + 1, kFill));
    const int hx = handleAt(60, 0).x();
    const QList<int> runs = runsOnRow(img, mid + 2);
    QVERIFY(std::any_of(runs.begin(), runs.end(), [hx](int x) { return qAbs(x - hx) <= 1; }));
    QVERIFY(!isColour(img, hx + 2, handleAt(60, 150).y() + 2, kLine));
    r.write(kOut, {{kLowFilterOn, 1}});
    img = w->grab().toImage();
    QVERIFY(isColour(img, 20, mid + 10, kFill) && isColour(img, kWidth - 20, mid, kLine));

    // Two +6 dB peaks at one frequency add in dB: +6 dB is 3072 curve units, the full height of
    // 200 rows spans 25600. Band-pass rows summed in the linear domain: 1 + (2 - 1) + (2 - 1)
    // is 9.5 dB, not 12.
    w->reset2defaults();
    r.allPeaking();
    r.write(kOut, {{band(1, Freq), 64}, {band(2, Freq), 64}, {band(1, Gain), 60}});
    r.hideHandles();
    const int one = mid - topLineRow(w->grab().toImage());
    QCOMPARE(one, int(3072 * 200.0f / 25600.0f));
    r.write(kOut, {{band(2, Gain), 60}});
    const int cascade = mid - topLineRow(w->grab().toImage());
    QVERIFY2(qAbs(cascade - 2 * one) <= 1, qPrintable(QString::number(cascade)));
    r.write(kOut, {{kEqType, 1}});
    const int linear = mid - topLineRow(w->grab().toImage());
    QVERIFY2(linear > one && linear < cascade - 4,
             qPrintable(QStringLiteral("%1 %2 %3").arg(one).arg(linear).arg(cascade)));

    // A paste that ends inside a record (records hold 10 bytes; this one inside band 1's gain,
    // parameter 14) restores what it holds; another EQ's records (wrong tags) change nothing.
    r.write(kOut, {{band(0, Gain), 33}, {band(1, Gain), 44}});
    QByteArray buffer;
    QDataStream out(&buffer, QIODevice::WriteOnly);
    w->copyParameters(&out);
    r.write(kOut, {{band(0, Gain), -5}, {band(1, Gain), -6}});
    buffer.truncate(10 * (band(1, Gain) - 3) + 4);
    QDataStream in(buffer);
    w->pasteParameters(&in);
    QVERIFY(r.get(kOut, band(0, Gain)) == 33 && r.get(kOut, band(1, Gain)) == -6);
    QList<TParamInfo> foreign;
    for (int i = 0; i < 30; ++i)
        foreign << TestRig::recordFor(*w, 7, 100 + i);
    TestRig::paste(*w, foreign);
    QCOMPARE(r.get(kOut, band(0, Gain)), 33);
    QCOMPARE(r.get(kOut, band(0, Q)), r.defaultOf(kOut, band(0, Q)));

    // Unchanged properties and the same value written again: no recalculation. The background
    // image, which sets the size hint, shows around the curve.
    QPixmap grid(kWidth, kHeight);
    grid.fill(Qt::black);
    w->setPixmap(grid);
    settle();
    w->grab();
    const int count = w->recalculationCount();
    w->setPixmap(grid);
    w->setnHandleImages(w->nHandleImages());
    w->setHandleImage(w->handleImage());
    r.write(kOut, {{band(2, Gain), r.get(kOut, band(2, Gain))}});
    QVERIFY(isColour(w->grab().toImage(), 5, 5, Qt::black));
    QCOMPARE(w->recalculationCount(), count);
    QCOMPARE(w->sizeHint(), QSize(kWidth, kHeight));
}

void TestEqCurve::eightBandHandlesTellTheBandSet()
{
    Rig r(kMixEq);
    QVERIFY(r.bound);
    CEqCurve *w = r.curve;
    // Second set, band 1 (handle 5): parameters 4*5 + 13 and 4*5 + 14; the press shows the
    // console the second set.
    const QPoint at = handleAt(r.get(kMix, band(1, Freq) + kSecondSet), 0);
    QCOMPARE(drag(w, at, at + QPoint(10, -20)), 5);
    QCOMPARE(r.memory.getValue(kSetup, 47, 0), 1);
    QCOMPARE(std::make_pair(r.get(kMix, 33), r.get(kMix, 34)), valuesAt(at.x() + 9, 20));
    QCOMPARE(r.get(kMix, band(1, Gain)), 0);
    settle();
    // A first-set handle switches the console back to the first set.
    const QPoint first = handleAt(r.get(kMix, band(2, Freq)), 0);
    QCOMPARE(drag(w, first, first), 2);
    QCOMPARE(r.memory.getValue(kSetup, 47, 0), 0);
    // The second set's high band as low-pass keeps its gain.
    r.write(kMix, {{kHighType + kSecondSet, 2}, {band(3, Gain) + kSecondSet, 50}});
    const QPoint high = handleAt(r.get(kMix, band(3, Freq) + kSecondSet), 0);
    QCOMPARE(drag(w, high, high + QPoint(-5, -30)), 7);
    QCOMPARE(std::make_pair(r.get(kMix, band(3, Freq) + kSecondSet),
                            r.get(kMix, band(3, Gain) + kSecondSet)),
             std::make_pair(valuesAt(high.x() - 6, 0).first, 50));

    copyThenPasteRestoresTheBandSet(r);
}

void TestEqCurve::withoutMemoryOrRoomTheCurveIsInert()
{
    // 99 pixels wide there is no room for handles; one pixel wider, they are there.
    Rig r(kInputEq, QSize(99, kHeight));
    const QImage narrow = r.curve->grab().toImage();
    QVERIFY(isColour(narrow, 50, kHeight / 2, kLine));
    QVERIFY(runsOnRow(narrow, kHeight / 2 + 2).isEmpty());
    r.curve->setFixedSize(100, kHeight);
    settle();
    QCOMPARE(runsOnRow(r.curve->grab().toImage(), kHeight / 2 + 2).size(), 5);

    // Without a memory: a flat curve without handles that no press moves, and notifications of
    // every kind are a no-op.
    CEqCurve w(nullptr, "loose");
    w.setNamedAddress(QString::fromLatin1(kInputEq));
    w.resize(kWidth, kHeight);
    w.show();
    settle();
    const QImage img = w.grab().toImage();
    QVERIFY(isColour(img, 100, kHeight / 2, kLine));
    QVERIFY(runsOnRow(img, kHeight / 2 + 2).isEmpty());
    QCOMPARE(drag(&w, QPoint(100, kHeight / 2), QPoint(150, 20)), -1);
    QByteArray buffer;
    QDataStream out(&buffer, QIODevice::WriteOnly);
    for (int op = 0; op <= 4; ++op)
        w.process(TMemProxy::dataFromStream(&out), op, 0);
    QVERIFY(buffer.isEmpty());
    QVERIFY(!w.isRecalcPending());
    // Widths outside 2..572 show only the background.
    CEqCurve wide(nullptr, "wide");
    wide.resize(600, 60);
    wide.show();
    settle();
    QVERIFY(runsOnRow(wide.grab().toImage(), 30).isEmpty());
}

QTEST_MAIN(TestEqCurve)
#include "tst_eqcurve.moc"
