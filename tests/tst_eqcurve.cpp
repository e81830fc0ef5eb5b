// The EQ curve, driven with the mouse against the embedded memory: what the memory holds after
// a drag, which curve and handles the pixels of grab() show (checked against the calculator),
// and how notifications from other threads are coalesced into one recalculation.

#include "CEqCurve.h"
#include "TParamInfo.h"
#include "TParamMemory.h"
#include "TestRig.h"
#include "calc_eq.h"

#include <QBuffer>
#include <QDataStream>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

// Addresses: the parameter is irrelevant, the element picks the EQ.
const char *const kInputEq = "FEkInputEQ/kEQOn"; // element 47 with the high-pass of 46
const char *const kOutEq = "FEkOutEQ/kEQOn"; // element 85: four bands
const char *const kMixEq = "FEkMixEQ/kEQOn"; // element 66: eight bands
constexpr int kInputEqElement = 47;
constexpr int kHpfElement = 46;
constexpr int kOutEqElement = 85;
constexpr int kMixEqElement = 66;
constexpr int kSetupElement = 270;
constexpr int kChannel = 3;

// Parameter map of a four-band set; the second set of an eight-band EQ lies 20 further on.
constexpr int kEqType = 1;
constexpr int kLowType = 3;
constexpr int kHighType = 4;
constexpr int kLowFilterOn = 5;
constexpr int kSecondSet = 20;
int bandOff(int b)
{
    return 4 * b + 7;
}
int bandQ(int b)
{
    return 4 * b + 8;
}
int bandFreq(int b)
{
    return 4 * b + 9;
}
int bandGain(int b)
{
    return 4 * b + 10;
}

// Widget size: 400 curve points, middle row 100.
constexpr int kWidth = 401;
constexpr int kHeight = 201;
constexpr int kEndIndex = 254;

const QColor kFill(50, 74, 113);
const QColor kLine(139, 183, 212);

using TestRig::settle;

// Presses at from, moves to to and releases there; the band the press selected.
int drag(CEqCurve *w, QPoint from, QPoint to, Qt::KeyboardModifiers modifiers = {})
{
    QTest::mousePress(w, Qt::LeftButton, modifiers, from);
    const int band = w->selectedBand();
    QTest::mouseMove(w, to);
    QTest::mouseRelease(w, Qt::LeftButton, modifiers, to);
    return band;
}

struct Fixture
{
    TParamMemory memory;
    std::unique_ptr<CEqCurve> curve;

    int get(int e, int p, int c = kChannel) { return memory.getValue(e, p, c); }
    void set(int e, int p, int v, int c = kChannel)
    {
        memory.setValue(e, p, c, v, memory.sourceId(0) + 1, 1);
    }

    CEqCurve *make(const char *address, QSize size = QSize(kWidth, kHeight))
    {
        curve.reset(new CEqCurve(nullptr, "eq"));
        curve->setNamedAddress(QString::fromLatin1(address));
        curve->resize(size);
        memory.connectProxy(curve.get(), kChannel);
        curve->show();
        settle();
        return curve.get();
    }

    // Every band of every set peaking at 0 dB, peaking rows.
    void allPeaking(int e)
    {
        for (int offset : {0, kSecondSet}) {
            if (offset && e != kMixEqElement)
                break;
            set(e, kLowType + offset, 0);
            set(e, kHighType + offset, 0);
        }
    }
};

// Handle position of a band with console frequency value v and gain value g (tenths of a dB)
// on a kWidth x kHeight curve: 1/24-octave index 2v across 255 indices, 50 dB over the height.
QPoint handleAt(int v, int g, QSize size = QSize(kWidth, kHeight))
{
    const int count = size.width() - 1;
    const int mid = size.height() / 2;
    return QPoint(int(2 * v * float(count) / float(kEndIndex + 1)),
                  mid - int(g * 10 * float(size.height() - 1) / 5000.0f));
}

bool isColour(const QImage &img, int x, int y, const QColor &c)
{
    return img.valid(x, y) && QColor(img.pixel(x, y)).rgb() == c.rgb();
}

// Left edges of the runs of handle-coloured pixels on a row.
QList<int> runsOnRow(const QImage &img, int row)
{
    QList<int> starts;
    bool inside = false;
    for (int x = 0; x < img.width(); ++x) {
        const bool lit = isColour(img, x, row, kLine);
        if (lit && !inside)
            starts << x;
        inside = lit;
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

T_EQ_BAND peaking(int group, int gainTenths, int freqValue, int qValue)
{
    T_EQ_BAND b;
    std::memset(&b, 0, sizeof b);
    b.group = quint8(group);
    b.type = EQ_TYPE_PEAKING;
    b.gain = gainTenths * 10;
    b.frequency = quint16(2 * freqValue);
    b.q = quint8(80 - 2 * qValue);
    b.variant = 1;
    b.enabled = 1;
    return b;
}

// Checks that the picture shows the calculator's curve for data at the given points: the line
// at each point's row, the fill between it and the middle row, the background just beyond a
// flat stretch of it.
void verifyCurve(CEqCurve *w, T_EQ_DATASET data, const QList<int> &points)
{
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
        if (flat && y != mid) {
            const int beyond = y + (y < mid ? -3 : 3);
            QVERIFY2(isColour(img, x, beyond, background),
                     qPrintable(QStringLiteral("background at %1,%2").arg(x).arg(beyond)));
        }
    }
}

// An invisible handle strip: the curve checks see the curve alone.
QPixmap invisibleHandles()
{
    QPixmap strip(6, 6);
    strip.fill(Qt::transparent);
    return strip;
}

} // namespace

class TestEqCurve : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void flatCurveHasHandlesOnTheMiddleRow_data();
    void flatCurveHasHandlesOnTheMiddleRow();
    void narrowCurveHasNoHandles();
    void observesEveryBandParameterAndForgetsThem_data()
    {
        flatCurveHasHandlesOnTheMiddleRow_data();
    }
    void observesEveryBandParameterAndForgetsThem();
    void drawnCurveMatchesTheCalculator();
    void cascadeAddsInDecibelsLinearSumDoesNot();
    void switchedOffHighPassContributesNothing();
    void dragWritesFrequencyAndGainWithinLimits();
    void dragOfFilterBandsKeepsTheirGain();
    void eightBandHandlesTellTheBandSet();
    void equallyNearHandlesPickTheLowerBand();
    void pressOutsideTheRadiusOrWithControlDragsNothing();
    void copyThenPasteRestoresTheBandSet();
    void truncatedPasteRestoresOnlyWhatItHolds();
    void defaultsResetTheBandSet();
    void burstFromWorkerThreadRecalculatesOnce();
    void unchangedPropertiesDoNotRepaint();
    void withoutMemoryTheCurveIsFlatAndInert();
};

void TestEqCurve::flatCurveHasHandlesOnTheMiddleRow_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("element");
    QTest::addColumn<int>("handles");
    QTest::addColumn<int>("observed");
    // 47: 46/0, 46/1 and 0..22; 85: 0..22; eight-band: 270/32 and 0..42.
    QTest::newRow("input EQ with high-pass")
            << QString::fromLatin1(kInputEq) << kInputEqElement << 5 << 25;
    QTest::newRow("four-band") << QString::fromLatin1(kOutEq) << kOutEqElement << 4 << 23;
    QTest::newRow("eight-band") << QString::fromLatin1(kMixEq) << kMixEqElement << 8 << 44;
}

void TestEqCurve::flatCurveHasHandlesOnTheMiddleRow()
{
    QFETCH(QString, address);
    QFETCH(int, element);
    QFETCH(int, handles);
    Fixture f;
    f.allPeaking(element);
    CEqCurve *w = f.make(address.toLatin1().constData());

    const QImage img = w->grab().toImage();
    const int mid = kHeight / 2;
    // The zero line: the curve on the middle row across, nothing above it.
    for (int x = 1; x < kWidth; x += 7) {
        QVERIFY(isColour(img, x, mid, kLine));
        QVERIFY(!isColour(img, x, mid - 1, kLine));
        QVERIFY(!isColour(img, x, mid - 1, kFill));
    }
    // Handles hang from the middle row (ellipse tops at the handle point).
    QList<int> expected;
    for (int b = 0; b < 4; ++b)
        expected << handleAt(f.get(element, bandFreq(b)), 0).x();
    if (element == kMixEqElement) {
        for (int b = 0; b < 4; ++b)
            expected << handleAt(f.get(element, bandFreq(b) + kSecondSet), 0).x();
    }
    if (element == kInputEqElement)
        expected << handleAt(f.get(kHpfElement, 1), 0).x();
    std::sort(expected.begin(), expected.end());
    const QList<int> runs = runsOnRow(img, mid + 2);
    QCOMPARE(runs.size(), handles);
    for (int i = 0; i < handles; ++i)
        QVERIFY2(qAbs(runs.at(i) - expected.at(i)) <= 1,
                 qPrintable(QStringLiteral("handle %1 at %2, expected %3")
                                    .arg(i)
                                    .arg(runs.at(i))
                                    .arg(expected.at(i))));
    QVERIFY(runsOnRow(img, mid + 7).isEmpty());
}

void TestEqCurve::narrowCurveHasNoHandles()
{
    Fixture f;
    f.allPeaking(kInputEqElement);
    CEqCurve *w = f.make(kInputEq, QSize(99, kHeight));
    const QImage img = w->grab().toImage();
    QVERIFY(isColour(img, 50, kHeight / 2, kLine));
    QVERIFY(runsOnRow(img, kHeight / 2 + 2).isEmpty());
    // One pixel wider, they are there.
    w->setFixedSize(100, kHeight);
    settle();
    QCOMPARE(runsOnRow(w->grab().toImage(), kHeight / 2 + 2).size(), 5);
}

void TestEqCurve::observesEveryBandParameterAndForgetsThem()
{
    QFETCH(QString, address);
    QFETCH(int, observed);
    Fixture f;
    CEqCurve *w = f.make(address.toLatin1().constData());
    QCOMPARE(f.memory.observerCount(), observed);
    const int e = w->element();
    QCOMPARE(f.memory.observerCount(IMemAPI::pack(e, 0, kChannel)), 1);
    QCOMPARE(f.memory.observerCount(IMemAPI::pack(e, observed == 44 ? 42 : 22, kChannel)), 1);
    if (e == kInputEqElement)
        QCOMPARE(f.memory.observerCount(IMemAPI::pack(kHpfElement, 1, kChannel)), 1);
    if (e == kMixEqElement)
        QCOMPARE(f.memory.observerCount(IMemAPI::pack(kSetupElement, 32, 0)), 1);

    w->disconnectMemAPI();
    QCOMPARE(f.memory.observerCount(), 0);
    QVERIFY(!w->isAttached());
    // A second disconnect finds nothing attached and removes nothing.
    w->disconnectMemAPI();
    QCOMPARE(f.memory.observerCount(), 0);
}

void TestEqCurve::drawnCurveMatchesTheCalculator()
{
    Fixture f;
    f.allPeaking(kInputEqElement);
    // Band 1 boosts +12 dB at value 40, band 2 cuts 9 dB at value 90; the others stay at 0 dB.
    f.set(kInputEqElement, bandGain(1), 120);
    f.set(kInputEqElement, bandFreq(1), 40);
    f.set(kInputEqElement, bandQ(1), 20);
    f.set(kInputEqElement, bandGain(2), -90);
    f.set(kInputEqElement, bandFreq(2), 90);
    f.set(kInputEqElement, bandQ(2), 30);
    CEqCurve *w = f.make(kInputEq);
    w->setHandleImage(invisibleHandles());
    settle();

    T_EQ_DATASET data;
    std::memset(&data, 0, sizeof data);
    data.count = 2;
    data.magnitudeMode = 1;
    data.bands[0] = peaking(0, 120, 40, 20);
    data.bands[1] = peaking(1, -90, 90, 30);
    const QList<int> points {10, 100, 125, 150, 200, 250, 282, 300, 390};
    verifyCurve(w, data, points);

    // The console moves the cut: the picture follows.
    f.set(kInputEqElement, bandGain(2), 60);
    settle();
    data.bands[1] = peaking(1, 60, 90, 30);
    verifyCurve(w, data, points);

    // A shelf on the low band and the high-pass on: every shape adds in dB.
    f.set(kInputEqElement, kLowType, 1);
    f.set(kInputEqElement, bandGain(0), 90);
    f.set(kInputEqElement, bandFreq(0), 30);
    f.set(kHpfElement, 0, 1);
    f.set(kHpfElement, 1, 20);
    settle();
    data.count = 4;
    T_EQ_BAND shelf = peaking(2, 90, 30, f.get(kInputEqElement, bandQ(0)));
    shelf.type = EQ_TYPE_LOW_SHELF;
    T_EQ_BAND hpf = peaking(3, 0, 20, 0);
    hpf.type = EQ_TYPE_HIGH_PASS;
    hpf.q = 34;
    data.bands[2] = shelf;
    data.bands[3] = hpf;
    verifyCurve(w, data, {5, 20, 40, 60, 100, 125, 282, 390});
}

void TestEqCurve::cascadeAddsInDecibelsLinearSumDoesNot()
{
    Fixture f;
    f.allPeaking(kOutEqElement);
    for (int b : {1, 2})
        f.set(kOutEqElement, bandFreq(b), 64);
    f.set(kOutEqElement, bandGain(1), 60);
    CEqCurve *w = f.make(kOutEq);
    w->setHandleImage(invisibleHandles());
    settle();
    const int mid = kHeight / 2;
    const int one = mid - topLineRow(w->grab().toImage());
    // +6 dB is 3072 curve units; the full height of 200 rows spans 25600.
    QCOMPARE(one, int(3072 * 200.0f / 25600.0f));
    f.set(kOutEqElement, bandGain(2), 60);
    settle();
    const int cascade = mid - topLineRow(w->grab().toImage());
    QVERIFY2(qAbs(cascade - 2 * one) <= 1, qPrintable(QString::number(cascade)));

    // Band-pass rows summed in the linear domain: 1 + (2 - 1) + (2 - 1) is 9.5 dB, not 12.
    f.set(kOutEqElement, kEqType, 1);
    settle();
    const int linear = mid - topLineRow(w->grab().toImage());
    QVERIFY2(linear > one && linear < cascade - 4,
             qPrintable(QStringLiteral("%1 %2 %3").arg(one).arg(linear).arg(cascade)));
}

void TestEqCurve::switchedOffHighPassContributesNothing()
{
    Fixture f;
    f.allPeaking(kOutEqElement);
    f.set(kOutEqElement, kLowType, 2);
    f.set(kOutEqElement, kLowFilterOn, 0);
    f.set(kOutEqElement, bandFreq(0), 60);
    f.set(kOutEqElement, bandGain(0), 150);
    // A band switched off contributes nothing either.
    f.set(kOutEqElement, bandOff(1), 1);
    f.set(kOutEqElement, bandGain(1), 120);
    CEqCurve *w = f.make(kOutEq);
    const int mid = kHeight / 2;
    QImage img = w->grab().toImage();
    for (int x = 1; x < kWidth; x += 5)
        QVERIFY(isColour(img, x, mid, kLine) && !isColour(img, x, mid + 1, kFill));
    // Its handle sits on the middle row whatever gain the band holds.
    const int hx = handleAt(60, 0).x();
    const QList<int> runs = runsOnRow(img, mid + 2);
    QVERIFY(std::any_of(runs.begin(), runs.end(), [hx](int x) { return qAbs(x - hx) <= 1; }));
    QVERIFY(!isColour(img, hx + 2, handleAt(60, 150).y() + 2, kLine));

    // Switched on, it cuts the low end.
    f.set(kOutEqElement, kLowFilterOn, 1);
    settle();
    img = w->grab().toImage();
    QVERIFY(isColour(img, 20, mid + 10, kFill));
    QVERIFY(isColour(img, kWidth - 20, mid, kLine));
}

void TestEqCurve::dragWritesFrequencyAndGainWithinLimits()
{
    Fixture f;
    f.allPeaking(kInputEqElement);
    CEqCurve *w = f.make(kInputEq);
    const QPoint band1 = handleAt(f.get(kInputEqElement, bandFreq(1)), 0);
    QTest::mousePress(w, Qt::LeftButton, {}, band1 + QPoint(2, -2));
    QCOMPARE(w->selectedBand(), 1);
    // Above the top row: +18.0 dB at most. Far left: frequency value 4 (index 8).
    QTest::mouseMove(w, QPoint(-40, -60));
    QCOMPARE(f.get(kInputEqElement, bandGain(1)), 180);
    QCOMPARE(f.get(kInputEqElement, bandFreq(1)), 4);
    QTest::mouseMove(w, QPoint(kWidth + 40, kHeight + 60));
    QCOMPARE(f.get(kInputEqElement, bandGain(1)), -180);
    QCOMPARE(f.get(kInputEqElement, bandFreq(1)), 124);
    // Inside: the documented axes (index 2v across 255 indices, 50 dB over the height).
    QTest::mouseMove(w, QPoint(201, 52));
    QCOMPARE(f.get(kInputEqElement, bandFreq(1)), int(200 * 255.0f / 400.0f) / 2);
    QCOMPARE(f.get(kInputEqElement, bandGain(1)), int(48 * 5000.0f / 200.0f) / 10);
    QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(201, 52));
    QVERIFY(!w->isDragging());
    settle();
    // The curve follows the memory: a boost of 12.0 dB near the middle.
    QVERIFY(isColour(w->grab().toImage(), 200, kHeight / 2 - 20, kFill));

    // The input EQ's fifth handle is the high-pass: it moves element 46's frequency.
    const QPoint hpf = handleAt(f.get(kHpfElement, 1), 0);
    QTest::mousePress(w, Qt::LeftButton, {}, hpf);
    QCOMPARE(w->selectedBand(), 4);
    QTest::mouseMove(w, hpf + QPoint(30, -30));
    QCOMPARE(f.get(kHpfElement, 1), int((hpf.x() + 29) * 255.0f / 400.0f) / 2);
    QTest::mouseRelease(w, Qt::LeftButton, {}, hpf + QPoint(30, -30));
    // Moves after the release write nothing.
    const int freq = f.get(kHpfElement, 1);
    QTest::mouseMove(w, hpf + QPoint(90, -30));
    QCOMPARE(f.get(kHpfElement, 1), freq);
}

void TestEqCurve::dragOfFilterBandsKeepsTheirGain()
{
    Fixture f;
    // Four-band EQ: the low band as high-pass and the high band as low-pass keep their gains.
    f.set(kOutEqElement, kLowType, 2);
    f.set(kOutEqElement, kHighType, 2);
    f.set(kOutEqElement, bandGain(0), 30);
    f.set(kOutEqElement, bandGain(3), -30);
    CEqCurve *w = f.make(kOutEq);
    for (int b : {0, 3}) {
        const int gain = f.get(kOutEqElement, bandGain(b));
        const QPoint at = handleAt(f.get(kOutEqElement, bandFreq(b)), 0);
        QCOMPARE(drag(w, at, at + QPoint(-12, -40)), b);
        QCOMPARE(f.get(kOutEqElement, bandGain(b)), gain);
        QCOMPARE(f.get(kOutEqElement, bandFreq(b)), int((at.x() - 13) * 255.0f / 400.0f) / 2);
        settle();
    }

    // The input EQ keeps only the high band's gain in filter mode.
    Fixture g;
    g.set(kInputEqElement, kLowType, 2);
    g.set(kInputEqElement, kHighType, 2);
    CEqCurve *in = g.make(kInputEq);
    QPoint at = handleAt(g.get(kInputEqElement, bandFreq(0)), 0);
    drag(in, at, at + QPoint(0, -40));
    QCOMPARE(g.get(kInputEqElement, bandGain(0)), int(40 * 5000.0f / 200.0f) / 10);
    settle();
    at = handleAt(g.get(kInputEqElement, bandFreq(3)), 0);
    QCOMPARE(drag(in, at, at + QPoint(0, -40)), 3);
    QCOMPARE(g.get(kInputEqElement, bandGain(3)), 0);
}

void TestEqCurve::eightBandHandlesTellTheBandSet()
{
    Fixture f;
    f.allPeaking(kMixEqElement);
    CEqCurve *w = f.make(kMixEq);
    // Second set, band 1 (handle 5): parameters 4*5 + 13 and 4*5 + 14.
    const QPoint at = handleAt(f.get(kMixEqElement, bandFreq(1) + kSecondSet), 0);
    QTest::mousePress(w, Qt::LeftButton, {}, at);
    QCOMPARE(w->selectedBand(), 5);
    QCOMPARE(f.get(kSetupElement, 47, 0), 1);
    QTest::mouseMove(w, at + QPoint(10, -20));
    QTest::mouseRelease(w, Qt::LeftButton, {}, at + QPoint(10, -20));
    QCOMPARE(f.get(kMixEqElement, 33), int((at.x() + 9) * 255.0f / 400.0f) / 2);
    QCOMPARE(f.get(kMixEqElement, 34), int(20 * 5000.0f / 200.0f) / 10);
    QCOMPARE(f.get(kMixEqElement, bandGain(1)), 0);
    settle();

    // A first-set handle switches the console back to the first set.
    const QPoint first = handleAt(f.get(kMixEqElement, bandFreq(2)), 0);
    QTest::mousePress(w, Qt::LeftButton, {}, first);
    QCOMPARE(w->selectedBand(), 2);
    QCOMPARE(f.get(kSetupElement, 47, 0), 0);
    QTest::mouseRelease(w, Qt::LeftButton, {}, first);

    // The second set's high band as low-pass keeps its gain.
    f.set(kMixEqElement, kHighType + kSecondSet, 2);
    f.set(kMixEqElement, bandGain(3) + kSecondSet, 50);
    settle();
    const QPoint high = handleAt(f.get(kMixEqElement, bandFreq(3) + kSecondSet), 0);
    QCOMPARE(drag(w, high, high + QPoint(-5, -30)), 7);
    QCOMPARE(f.get(kMixEqElement, bandGain(3) + kSecondSet), 50);
    QCOMPARE(f.get(kMixEqElement, bandFreq(3) + kSecondSet),
             int((high.x() - 6) * 255.0f / 400.0f) / 2);
}

void TestEqCurve::equallyNearHandlesPickTheLowerBand()
{
    Fixture f;
    f.allPeaking(kOutEqElement);
    // Handles of bands 1 and 2 six pixels apart on the middle row.
    f.set(kOutEqElement, bandFreq(1), 60);
    f.set(kOutEqElement, bandFreq(2), 62);
    CEqCurve *w = f.make(kOutEq);
    const QPoint a = handleAt(60, 0), b = handleAt(62, 0);
    QCOMPARE(b.x() - a.x(), 6);
    const QPoint between((a.x() + b.x()) / 2, a.y() + 1);

    QCOMPARE(drag(w, between, between + QPoint(0, -30)), 1);
    QVERIFY(f.get(kOutEqElement, bandGain(1)) > 0);
    QCOMPARE(f.get(kOutEqElement, bandGain(2)), 0);
    settle();

    // One pixel nearer to band 2 takes band 2 (its handle still at gain 0).
    f.set(kOutEqElement, bandGain(1), 0);
    settle();
    QCOMPARE(drag(w, between + QPoint(1, 0), between + QPoint(1, 0)), 2);
}

void TestEqCurve::pressOutsideTheRadiusOrWithControlDragsNothing()
{
    Fixture f;
    f.allPeaking(kOutEqElement);
    CEqCurve *w = f.make(kOutEq);
    const QPoint at = handleAt(f.get(kOutEqElement, bandFreq(1)), 0);
    const int freq = f.get(kOutEqElement, bandFreq(1));

    // The hit radius is width/20 = 20, held to 10 pixels: 10 away is outside.
    QCOMPARE(drag(w, at + QPoint(0, 10), at + QPoint(40, -40)), -1);
    QCOMPARE(f.get(kOutEqElement, bandFreq(1)), freq);
    QCOMPARE(f.get(kOutEqElement, bandGain(1)), 0);

    // Ctrl-click on the handle itself starts no drag.
    QTest::mousePress(w, Qt::LeftButton, Qt::ControlModifier, at);
    QVERIFY(!w->isDragging());
    QTest::mouseMove(w, at + QPoint(40, -40));
    QTest::mouseRelease(w, Qt::LeftButton, Qt::ControlModifier, at + QPoint(40, -40));
    QCOMPARE(f.get(kOutEqElement, bandFreq(1)), freq);
    QCOMPARE(f.get(kOutEqElement, bandGain(1)), 0);

    // The right button neither.
    QTest::mousePress(w, Qt::RightButton, {}, at);
    QVERIFY(!w->isDragging());
    QTest::mouseRelease(w, Qt::RightButton, {}, at);

    // Nine pixels away is inside.
    QCOMPARE(drag(w, at + QPoint(-9, 9), at + QPoint(-9, 9)), 1);
}

void TestEqCurve::copyThenPasteRestoresTheBandSet()
{
    for (const char *address : {kInputEq, kMixEq}) {
        Fixture f;
        CEqCurve *w = f.make(address);
        const int e = w->element();
        const int last = e == kInputEqElement ? 22 : 42;
        // A distinct in-range value for every parameter of the band set (and the high-pass).
        auto distinct = [&](int ee, int p, int shift) {
            const int lo = f.memory.getMinimum(ee, p, kChannel);
            const int hi = f.memory.getMaximum(ee, p, kChannel);
            return lo + (p * 7 + shift) % (hi - lo + 1);
        };
        QList<QPair<int, int>> set;
        for (int p = 3; p <= last; ++p)
            set << qMakePair(e, p);
        if (e == kInputEqElement)
            set << qMakePair(kHpfElement, 0) << qMakePair(kHpfElement, 1);
        for (const auto &a : set)
            f.set(a.first, a.second, distinct(a.first, a.second, 1));
        const int eqType = f.get(e, kEqType);

        QByteArray buffer;
        {
            QDataStream out(&buffer, QIODevice::WriteOnly);
            w->copyParameters(&out);
        }
        // One record per parameter, tagged with its parameter number.
        {
            QDataStream in(buffer);
            TParamInfoReader r(&in);
            for (const auto &a : set) {
                QVERIFY(r.isValid());
                QCOMPARE(r.element(), a.first);
                QCOMPARE(r.tag(), a.second);
                QCOMPARE(r.value(), f.get(a.first, a.second));
                r.next();
            }
            QVERIFY(!r.isValid());
        }

        for (const auto &a : set)
            f.set(a.first, a.second, distinct(a.first, a.second, 2));
        f.set(e, kEqType, 1 - eqType);
        settle();
        const int before = w->recalculationCount();
        {
            QDataStream in(buffer);
            w->pasteParameters(&in);
        }
        for (const auto &a : set)
            QCOMPARE(f.get(a.first, a.second), distinct(a.first, a.second, 1));
        // Outside the band set nothing moves.
        QCOMPARE(f.get(e, kEqType), 1 - eqType);
        QCOMPARE(f.get(e, bandGain(1), kChannel + 1), 0);
        // Twenty-odd writes, one recalculation.
        settle();
        QCOMPARE(w->recalculationCount(), before + 1);
    }
}

void TestEqCurve::truncatedPasteRestoresOnlyWhatItHolds()
{
    Fixture f;
    CEqCurve *w = f.make(kOutEq);
    f.set(kOutEqElement, bandGain(0), 33);
    f.set(kOutEqElement, bandGain(1), 44);
    QByteArray buffer;
    {
        QDataStream out(&buffer, QIODevice::WriteOnly);
        w->copyParameters(&out);
    }
    f.set(kOutEqElement, bandGain(0), -5);
    f.set(kOutEqElement, bandGain(1), -6);
    // Records hold 10 bytes: the stream ends inside the record of band 1's gain (parameter 14).
    buffer.truncate(10 * (bandGain(1) - 3) + 4);
    {
        QDataStream in(buffer);
        w->pasteParameters(&in);
    }
    QCOMPARE(f.get(kOutEqElement, bandGain(0)), 33);
    QCOMPARE(f.get(kOutEqElement, bandGain(1)), -6);

    // A stream of another EQ's records (wrong tags) changes nothing.
    QByteArray foreign;
    {
        QDataStream out(&foreign, QIODevice::WriteOnly);
        for (int i = 0; i < 30; ++i)
            TParamInfoWriter(kOutEqElement, kChannel, 100 + i, 7, &out);
    }
    {
        QDataStream in(foreign);
        w->pasteParameters(&in);
    }
    QCOMPARE(f.get(kOutEqElement, bandGain(0)), 33);
    QCOMPARE(f.get(kOutEqElement, bandQ(0)),
             f.memory.getValueEx(kOutEqElement, bandQ(0), kChannel));
}

void TestEqCurve::defaultsResetTheBandSet()
{
    Fixture f;
    CEqCurve *w = f.make(kInputEq);
    for (int p = 3; p <= 22; ++p)
        f.set(kInputEqElement, p, f.memory.getMaximum(kInputEqElement, p, kChannel));
    f.set(kInputEqElement, kEqType, 1);
    f.set(kHpfElement, 1, 40);
    settle();
    const int before = w->recalculationCount();
    w->reset2defaults();
    for (int p = 3; p <= 22; ++p)
        QCOMPARE(f.get(kInputEqElement, p), f.memory.getValueEx(kInputEqElement, p, kChannel));
    // Only the band set: the EQ type and the high-pass keep their values.
    QCOMPARE(f.get(kInputEqElement, kEqType), 1);
    QCOMPARE(f.get(kHpfElement, 1), 40);
    settle();
    QCOMPARE(w->recalculationCount(), before + 1);
}

void TestEqCurve::burstFromWorkerThreadRecalculatesOnce()
{
    Fixture f;
    f.allPeaking(kInputEqElement);
    CEqCurve *w = f.make(kInputEq);
    w->setHandleImage(invisibleHandles());
    settle();
    const int before = w->recalculationCount();

    constexpr int kBurst = 1000;
    constexpr int kLast = 90;
    QVERIFY(TestRig::runOnWorker([&f] {
        for (int i = 0; i < kBurst - 1; ++i) {
            f.set(kInputEqElement, bandGain(i % 4), (i % 2) ? 30 : -30);
            f.set(kHpfElement, 1, 10 + i % 20);
        }
        f.set(kInputEqElement, bandGain(1), kLast);
    }));
    QCOMPARE(w->recalculationCount(), before);
    settle();
    QCOMPARE(w->recalculationCount(), before + 1);
    QVERIFY(!w->isRecalcPending());

    // The picture shows the last values.
    T_EQ_DATASET data;
    std::memset(&data, 0, sizeof data);
    data.magnitudeMode = 1;
    for (int b = 0; b < 4; ++b) {
        data.bands[b] =
                peaking(b, f.get(kInputEqElement, bandGain(b)), f.get(kInputEqElement, bandFreq(b)),
                        f.get(kInputEqElement, bandQ(b)));
    }
    data.count = 4;
    QCOMPARE(data.bands[1].gain, kLast * 10);
    verifyCurve(w, data, {30, 90, 130, 200, 300, 360});
}

void TestEqCurve::unchangedPropertiesDoNotRepaint()
{
    Fixture f;
    CEqCurve *w = f.make(kOutEq);
    QPixmap grid(kWidth, kHeight);
    grid.fill(Qt::black);
    w->setPixmap(grid);
    settle();
    w->grab();
    const int count = w->recalculationCount();
    w->setPixmap(grid);
    w->setnHandleImages(w->nHandleImages());
    w->setHandleImage(w->handleImage());
    // The same value written again: no notification, no recalculation.
    f.set(kOutEqElement, bandGain(2), f.get(kOutEqElement, bandGain(2)));
    settle();
    w->grab();
    QCOMPARE(w->recalculationCount(), count);
    QCOMPARE(w->sizeHint(), QSize(kWidth, kHeight));
    // The background image is what shows around the curve.
    QVERIFY(isColour(w->grab().toImage(), 5, 5, Qt::black));
}

void TestEqCurve::withoutMemoryTheCurveIsFlatAndInert()
{
    CEqCurve w(nullptr, "loose");
    w.setNamedAddress(QString::fromLatin1(kInputEq));
    w.resize(kWidth, kHeight);
    w.show();
    settle();
    const QImage img = w.grab().toImage();
    QVERIFY(isColour(img, 100, kHeight / 2, kLine));
    QVERIFY(runsOnRow(img, kHeight / 2 + 2).isEmpty());
    QTest::mousePress(&w, Qt::LeftButton, {}, QPoint(100, kHeight / 2));
    QCOMPARE(w.selectedBand(), -1);
    QTest::mouseMove(&w, QPoint(150, 20));
    QTest::mouseRelease(&w, Qt::LeftButton, {}, QPoint(150, 20));
    // Notifications of every kind are a no-op without a memory.
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
