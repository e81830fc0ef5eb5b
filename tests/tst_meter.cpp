// The level meter: level tables, bar and peak pixels, repaints limited to real changes, the
// hand-over of worker-thread meter data, the online reset and the meter registration, against
// the embedded memory's meter feed.

#include "CMeter.h"
#include "TestRig.h"

#include <QImage>
#include <QMetaEnum>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QTest>

#include <atomic>
#include <memory>
#include <vector>

namespace {

const QColor LitColour(40, 220, 70);
const QColor UnlitColour(20, 30, 90);
const QColor OtherUnlitColour(90, 20, 30);

QPixmap filled(int w, int h, const QColor &colour)
{
    QPixmap pm(w, h);
    pm.fill(colour);
    return pm;
}

// Counts paint events and the area they covered, and the table lookups it makes.
class SpyMeter : public CMeter
{
public:
    using CMeter::CMeter;

    int meterLevelIndex(unsigned short value) const override
    {
        lookups.fetch_add(1);
        return CMeter::meterLevelIndex(value);
    }

    int paints = 0;
    QRegion painted;
    mutable std::atomic<int> lookups {0};

protected:
    void paintEvent(QPaintEvent *event) override
    {
        ++paints;
        painted += event->region();
        CMeter::paintEvent(event);
    }
};

// A meter-like address of the catalogue (its index-th parameter) in named form.
QString meterAddress(TParamMemory &memory, int index = 0, int channel = 0)
{
    for (const QString &section : memory.sectionKeys()) {
        if (!section.contains(QLatin1String("Meter"), Qt::CaseInsensitive))
            continue;
        const int e = memory.sectionElement(section);
        const QList<int> params = memory.parameters(e);
        if (params.size() > index && memory.channelCount(e) > channel)
            return QStringLiteral("%1%2/%3")
                    .arg(channel, 2, 16, QLatin1Char('0'))
                    .arg(section, memory.parameterKey(e, params.at(index)));
    }
    return QString();
}

// Bar length for a raw value, worked out from the table alone: the sum of the widths of the
// entries (the last excepted) whose level is at most raw.
int expectedLength(CMeter::EMeterSelector selector, int raw)
{
    int count = 0;
    const TMeterMapping *t = CMeter::meterTable(selector, &count);
    int length = 0;
    for (int i = 0; i + 1 < count; ++i)
        if (t[i].level <= raw)
            length += t[i + 1].pixels - t[i].pixels;
    return length;
}

std::vector<int> litLines(const QImage &img, bool rows = true)
{
    return TestRig::litLines(img, LitColour, rows);
}

std::vector<int> range(int first, int last)
{
    std::vector<int> v;
    for (int i = first; i <= last; ++i)
        v.push_back(i);
    return v;
}

} // namespace

class tst_Meter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void tablesMatchTheirSelectors();
    void lookupCountsStepsAtOrBelowTheValue();
    void barPixels_data();
    void barPixels();
    void scaledMeterStillShowsAOneRowPeak();
    void peakSegmentTopsABarOfThePeakLength();
    void peakHoldDisabledIgnoresPeakBytes();
    void sameStepCausesNoRepaint();
    void stepChangeRepaintsOnlyTheBandThatChanged();
    void otherOperationsAreIgnored();
    void meterWithoutImageDrawsNothing();
    void onlineChangeResetsOnlyWhenGoingOffline();
    void registersOnConnectAndUnregistersOnDisconnect();
    void workerThreadDataIsShownOnTheGuiThread();
    void crowdedFrameShowsEveryMeter();
    void meterDestroyedWithDeliveryPending();

private:
    // A bound 6-pixel-wide meter of the given height, lit colour over an unlit background.
    std::unique_ptr<SpyMeter> makeMeter(int height, CMeter::EMeterSelector selector, int width = 6);
    void push(const CMeter &meter, int level, int peak);

    std::unique_ptr<TParamMemory> m_memory;
    QString m_address;
};

void tst_Meter::init()
{
    m_memory = std::make_unique<TParamMemory>();
    m_memory->setOnline(true);
    m_address = meterAddress(*m_memory);
    QVERIFY2(!m_address.isEmpty(), "the catalogue has no meter address");
}

void tst_Meter::cleanup()
{
    m_memory.reset();
}

std::unique_ptr<SpyMeter> tst_Meter::makeMeter(int height, CMeter::EMeterSelector selector,
                                               int width)
{
    auto meter = std::make_unique<SpyMeter>();
    meter->setMeterSelector(selector);
    meter->setMeterImage(filled(width, height, LitColour));
    meter->setMeterBgndImage(filled(width, height, UnlitColour));
    meter->setNamedAddress(m_address);
    m_memory->connectProxy(meter.get(), 0);
    return meter;
}

void tst_Meter::push(const CMeter &meter, int level, int peak)
{
    m_memory->pushMeterLevel(meter.element(), meter.parameter(), meter.channel(), level, peak);
}

void tst_Meter::tablesMatchTheirSelectors()
{
    // Every table rises strictly, starts at offset 0, spans the listed length and gives the
    // meter a range of its entry count.
    const struct
    {
        CMeter::EMeterSelector selector;
        int entries;
        int total;
    } tables[] = {
            {CMeter::eMtr_Normal, 64, 121},  {CMeter::eMtr_Sigma, 4, 3},
            {CMeter::eMtr_Layer, 74, 160},   {CMeter::eMtr_SelCh, 74, 202},
            {CMeter::eMtr_CompOut, 64, 82},  {CMeter::eMtr_Normal_Eff, 74, 110},
            {CMeter::eMtr_GR, 45, 111},      {CMeter::eMtr_CompGR, 8, 30},
            {CMeter::eMtr_GR_SelCh, 35, 69}, {CMeter::eMtr_GR_Eff, 35, 88},
    };
    CMeter meter;
    for (const auto &t : tables) {
        int count = 0;
        const TMeterMapping *table = CMeter::meterTable(t.selector, &count);
        QVERIFY(table);
        QCOMPARE(count, t.entries);
        QCOMPARE(int(table[0].pixels), 0);
        QCOMPARE(int(table[count - 1].pixels), t.total);
        QCOMPARE(int(table[count - 1].level), 65535);
        for (int i = 1; i < count; ++i) {
            QVERIFY2(table[i - 1].level < table[i].level, qPrintable(QString::number(i)));
            QVERIFY(table[i - 1].pixels <= table[i].pixels);
        }
        meter.setMeterSelector(t.selector);
        QCOMPARE(meter.maxValue(), t.entries);
        QCOMPARE(meter.minValue(), 0);
    }
    // The offsets leave table and range alone.
    meter.setMeterSelector(CMeter::eMtr_Normal_Offset);
    QCOMPARE(meter.maxValue(), 35);
    int count = -1;
    QVERIFY(!CMeter::meterTable(CMeter::eMtr_GR_Offset, &count));
    QCOMPARE(count, 0);
}

void tst_Meter::lookupCountsStepsAtOrBelowTheValue()
{
    CMeter meter;
    int count = 0;
    const TMeterMapping *table = CMeter::meterTable(CMeter::eMtr_Normal, &count);
    for (int i = 0; i + 1 < count; ++i) {
        const int level = table[i].level;
        // At a step's level the step is reached; just below it, not yet.
        QCOMPARE(meter.meterLevelIndex(quint16(level)), i + 1);
        if (level > 0)
            QCOMPARE(meter.meterLevelIndex(quint16(level - 1)), i);
    }
    QCOMPARE(meter.meterLevelIndex(65535), count - 1);
}

// The lit rows (columns when horizontal) first..last of an unscaled meter, without peak hold
// (a gain-reduction meter has none anyway); first > last: none.
void tst_Meter::barPixels_data()
{
    QTest::addColumn<CMeter::EMeterSelector>("selector");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("raw");
    QTest::addColumn<int>("peak");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    const QSize normal(6, 121), lamp(6, 12), gr(6, 111);
    const auto n = CMeter::eMtr_Normal;
    // A normal meter lights the bottom rows.
    QTest::newRow("silence") << n << normal << 0 << 0 << 121 << 120;
    QTest::newRow("first step") << n << normal << 1099 << 0 << 120 << 120;
    QTest::newRow("below first step") << n << normal << 1098 << 0 << 121 << 120;
    QTest::newRow("first wide step") << n << normal << 2850 << 0 << 121 - 34 << 120;
    QTest::newRow("4040") << n << normal << 4040 << 0 << 121 - 118 << 120;
    QTest::newRow("4095") << n << normal << 4095 << 0 << 121 - 118 << 120;
    QTest::newRow("8190") << n << normal << 8190 << 0 << 121 - 118 << 120;
    QTest::newRow("overload") << n << normal << 8191 << 0 << 0 << 120;
    QTest::newRow("14-bit maximum") << n << normal << 16383 << 0 << 0 << 120;
    QTest::newRow("horizontal: from the left") << n << normal.transposed() << 2850 << 0 << 0 << 33;
    // The sigma lamp lights its top three rows at overload, never scaled.
    for (int raw : {0, 2000, 4094})
        QTest::addRow("sigma %d", raw) << CMeter::eMtr_Sigma << lamp << raw << raw << 1 << 0;
    for (int raw : {4095, 8191, 16383})
        QTest::addRow("sigma %d", raw) << CMeter::eMtr_Sigma << lamp << raw << 0 << 0 << 2;
    // Gain reduction draws from the top, and ignores the peak.
    for (int raw : {0, 2500, 3000, 3700, 4040, 8191}) {
        QTest::addRow("reduction %d", raw) << CMeter::eMtr_GR << gr << raw << 4000 << 0
                                           << 111 - expectedLength(CMeter::eMtr_GR, raw) - 1;
    }
    QTest::newRow("horizontal reduction") << CMeter::eMtr_GR << gr.transposed() << 3000 << 0
                                          << expectedLength(CMeter::eMtr_GR, 3000) << 110;
}

void tst_Meter::barPixels()
{
    QFETCH(CMeter::EMeterSelector, selector);
    QFETCH(QSize, size);
    QFETCH(int, raw);
    QFETCH(int, peak);
    QFETCH(int, first);
    QFETCH(int, last);
    const bool vertical = size.height() > size.width();
    auto meter = makeMeter(size.height(), selector, size.width());
    QCOMPARE(meter->isVertical(), vertical);
    if (selector == CMeter::eMtr_Normal) {
        QCOMPARE(meter->scale(), 1.0);
        QCOMPARE(meter->available(), qMax(size.width(), size.height()));
        meter->setPeakHoldEnabled(false);
        // The table alone gives the same length.
        QCOMPARE(expectedLength(selector, raw), vertical ? 121 - first : last + 1);
    }
    // At rest nothing is lit (a gain-reduction meter shows no reduction).
    QVERIFY(litLines(meter->grab().toImage(), vertical).empty());
    // From another level: only the band between the two bars changes.
    push(*meter, raw > 2000 ? raw - 1000 : raw + 1000, 0);
    meter->grab();
    const int lookups = meter->lookups;
    push(*meter, raw, peak);
    QCOMPARE(litLines(meter->grab().toImage(), vertical), range(first, last));
    if (selector == CMeter::eMtr_GR) {
        QCOMPARE(meter->lookups - lookups, 1); // the level only
        QCOMPARE(meter->shownPeakIndex(), 0);
    }
}

void tst_Meter::scaledMeterStillShowsAOneRowPeak()
{
    auto meter = makeMeter(60, CMeter::eMtr_Normal);
    QCOMPARE(meter->scale(), 60.0 / 121.0);
    // A one-pixel step high up the table: its scaled height truncates to 0, but it shows.
    int count = 0;
    const TMeterMapping *table = CMeter::meterTable(CMeter::eMtr_Normal, &count);
    const int peakRaw = 2819;
    const int k = meter->meterLevelIndex(peakRaw);
    QCOMPARE(table[k].pixels - table[k - 1].pixels, 1);
    const int top = int(table[k].pixels * (60.0 / 121.0));

    push(*meter, 0, peakRaw);
    QCOMPARE(litLines(meter->grab().toImage()), range(60 - top, 60 - top));

    // With a bar, the bar is scaled by truncation and the segment sits above it.
    push(*meter, 1865, peakRaw);
    const int bar = int(expectedLength(CMeter::eMtr_Normal, 1865) * (60.0 / 121.0));
    std::vector<int> expected = range(60 - bar, 59);
    expected.insert(expected.begin(), 60 - top);
    QCOMPARE(litLines(meter->grab().toImage()), expected);
}

void tst_Meter::peakSegmentTopsABarOfThePeakLength()
{
    auto meter = makeMeter(121, CMeter::eMtr_Normal);
    // Peak in a three-pixel step, level well below: the top three rows of a bar as long as
    // the peak.
    const int peakRaw = 3100;
    const int top = expectedLength(CMeter::eMtr_Normal, peakRaw);
    push(*meter, 1300, peakRaw);
    const int bar = expectedLength(CMeter::eMtr_Normal, 1300);
    std::vector<int> expected = range(121 - top, 121 - top + 2);
    const std::vector<int> barRows = range(121 - bar, 120);
    expected.insert(expected.end(), barRows.begin(), barRows.end());
    QCOMPARE(litLines(meter->grab().toImage()), expected);

    // A peak below the level is hidden in the bar.
    push(*meter, 3500, peakRaw);
    QCOMPARE(litLines(meter->grab().toImage()),
             range(121 - expectedLength(CMeter::eMtr_Normal, 3500), 120));
}

// A peak is looked up only when its bytes change, and not at all without peak hold.
void tst_Meter::peakHoldDisabledIgnoresPeakBytes()
{
    auto meter = makeMeter(121, CMeter::eMtr_Normal);
    meter->lookups = 0;
    push(*meter, 2000, 3000);
    QCOMPARE(meter->lookups.load(), 2);
    push(*meter, 2100, 3000);
    QCOMPARE(meter->lookups.load(), 3);
    push(*meter, 1300, 3100);
    QCOMPARE(meter->lookups.load(), 5);
    QVERIFY(meter->shownPeakIndex() > 0);
    meter->setPeakHoldEnabled(false);
    const int lookups = meter->lookups;
    push(*meter, 1400, 3500);
    QCOMPARE(meter->lookups - lookups, 1);
    QCOMPARE(litLines(meter->grab().toImage()),
             range(121 - expectedLength(CMeter::eMtr_Normal, 1400), 120));
}

void tst_Meter::sameStepCausesNoRepaint()
{
    auto meter = makeMeter(121, CMeter::eMtr_Normal);
    meter->show();
    QVERIFY(QTest::qWaitForWindowExposed(meter.get()));
    push(*meter, 2010, 3010);
    TestRig::settle();
    const int paints = meter->paints;
    // Both values stay inside their table steps.
    QCOMPARE(meter->meterLevelIndex(2010), meter->meterLevelIndex(2040));
    QCOMPARE(meter->meterLevelIndex(3010), meter->meterLevelIndex(3015));
    const int lookups = meter->lookups;
    push(*meter, 2040, 3015);
    push(*meter, 2040, 3015);
    // Nor do the same settings again, nor going online while online.
    meter->setMeterSelector(CMeter::eMtr_Normal);
    meter->setPeakHoldEnabled(true);
    meter->onlineChange(true);
    TestRig::settle();
    QCOMPARE(meter->paints, paints);
    QCOMPARE(meter->lookups - lookups, 3); // the peak once, the level each time
    // A background alone does not repaint; the next change shows it.
    meter->setMeterBgndImage(filled(6, 121, OtherUnlitColour));
    TestRig::settle();
    QCOMPARE(meter->paints, paints);
    push(*meter, 1200, 0);
    TestRig::settle();
    QCOMPARE(meter->grab().toImage().pixelColor(3, 0), OtherUnlitColour);
}

void tst_Meter::stepChangeRepaintsOnlyTheBandThatChanged()
{
    auto meter = makeMeter(121, CMeter::eMtr_Normal);
    meter->setPeakHoldEnabled(false);
    meter->show();
    QVERIFY(QTest::qWaitForWindowExposed(meter.get()));
    push(*meter, 2000, 0);
    TestRig::settle();
    meter->paints = 0;
    meter->painted = QRegion();

    push(*meter, 2600, 0);
    TestRig::settle();
    QCOMPARE(meter->paints, 1);
    const int before = expectedLength(CMeter::eMtr_Normal, 2000);
    const int after = expectedLength(CMeter::eMtr_Normal, 2600);
    const QRect band(0, 121 - after, 6, after - before);
    // The changed rows, widened a little at most: never the whole meter.
    QVERIFY(meter->painted.boundingRect().contains(band));
    QVERIFY(meter->painted.boundingRect().height() < 121 / 2);

    // Falling back repaints the same band, now unlit.
    meter->painted = QRegion();
    push(*meter, 2000, 0);
    TestRig::settle();
    QVERIFY(meter->painted.boundingRect().contains(band));
    QVERIFY(meter->painted.boundingRect().height() < 121 / 2);
    QCOMPARE(litLines(meter->grab().toImage()), range(121 - before, 120));
}

void tst_Meter::otherOperationsAreIgnored()
{
    auto meter = makeMeter(121, CMeter::eMtr_Normal);
    push(*meter, 2000, 3000);
    const QImage before = meter->grab().toImage();
    const int value = meter->value();
    const int peak = meter->shownPeakIndex();
    const int lookups = meter->lookups;
    const quint8 loud[4] = {0x3F, 0x7F, 0x3F, 0x7F};
    for (int op : {1, 2, 3, 4, -1})
        meter->process(loud, op, 0);
    QCOMPARE(meter->lookups.load(), lookups);
    QCOMPARE(meter->value(), value);
    QCOMPARE(meter->shownPeakIndex(), peak);
    QCOMPARE(meter->grab().toImage(), before);

    // Operation 0 with the same bytes does light the meter.
    meter->process(loud, 0, 0);
    QCOMPARE(litLines(meter->grab().toImage()), range(0, 120));
}

void tst_Meter::meterWithoutImageDrawsNothing()
{
    CMeter meter;
    meter.resize(6, 121);
    meter.setMeterBgndImage(filled(6, 121, UnlitColour));
    QImage img(6, 121, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::magenta);
    const QImage untouched = img;
    QPainter painter(&img);
    meter.repaintScreenPrimitive(painter);
    painter.end();
    QCOMPARE(img, untouched);
}

void tst_Meter::onlineChangeResetsOnlyWhenGoingOffline()
{
    auto meter = makeMeter(121, CMeter::eMtr_Normal);
    meter->show();
    QVERIFY(QTest::qWaitForWindowExposed(meter.get()));
    push(*meter, 2500, 3300);
    TestRig::settle();
    const QImage lit = meter->grab().toImage();
    QVERIFY(!litLines(lit).empty());
    const int paints = meter->paints;

    // The memory was online when the meter connected: going online again does nothing.
    m_memory->setOnline(true);
    meter->onlineChange(true);
    TestRig::settle();
    QCOMPARE(meter->paints, paints);
    QCOMPARE(meter->grab().toImage(), lit);

    m_memory->setOnline(false);
    TestRig::settle();
    QVERIFY(litLines(meter->grab().toImage()).empty());
    QCOMPARE(meter->shownPeakIndex(), 0);

    // Back online: no repaint by itself; the next data shows again.
    const int paintsOffline = meter->paints;
    m_memory->setOnline(true);
    TestRig::settle();
    QCOMPARE(meter->paints, paintsOffline);
    push(*meter, 2500, 3300);
    QCOMPARE(meter->grab().toImage(), lit);

    // A gain-reduction meter resets to no reduction.
    auto gr = makeMeter(111, CMeter::eMtr_GR);
    push(*gr, 3000, 0);
    QVERIFY(!litLines(gr->grab().toImage()).empty());
    m_memory->setOnline(false);
    QVERIFY(litLines(gr->grab().toImage()).empty());
}

void tst_Meter::registersOnConnectAndUnregistersOnDisconnect()
{
    const int before = m_memory->meterSubscriberCount();
    auto meter = makeMeter(121, CMeter::eMtr_Normal);
    QVERIFY(meter->isAttached());
    QCOMPARE(m_memory->meterSubscriberCount(), before + 1);
    // The meter registers for meter data only, not as a value observer.
    QCOMPARE(m_memory->observerCount(meter->packedAddress()), 0);

    // Re-addressing moves the registration.
    const QString other = meterAddress(*m_memory, 0, 1);
    if (!other.isEmpty()) {
        meter->setNamedAddress(other);
        QCOMPARE(m_memory->meterSubscriberCount(), before + 1);
        push(*meter, 8191, 0);
        QCOMPARE(litLines(meter->grab().toImage()).size(), size_t(121));
    }

    meter->disconnectMemAPI();
    QVERIFY(!meter->isAttached());
    QCOMPARE(m_memory->meterSubscriberCount(), before);

    auto second = makeMeter(121, CMeter::eMtr_Normal);
    QCOMPARE(m_memory->meterSubscriberCount(), before + 1);
    second.reset();
    QCOMPARE(m_memory->meterSubscriberCount(), before);

    // An address that does not resolve leaves the meter unregistered and at rest.
    CMeter stray;
    stray.setNamedAddress(QStringLiteral("00kNoSuchSection/kNothing"));
    m_memory->connectProxy(&stray, 0);
    QVERIFY(!stray.isAttached());
    QCOMPARE(m_memory->meterSubscriberCount(), before);
}

void tst_Meter::workerThreadDataIsShownOnTheGuiThread()
{
    auto a = makeMeter(121, CMeter::eMtr_Normal);
    auto b = makeMeter(111, CMeter::eMtr_GR);
    const QString second = meterAddress(*m_memory, 0, 1);
    QVERIFY(!second.isEmpty());
    b->setNamedAddress(second);
    const IMemAPI::TSingleAddress addrA = a->address(), addrB = b->address();
    const int lastLevel = 2600, lastPeak = 3300, lastReduction = 3200;

    const int valueBefore = a->value();
    QVERIFY(TestRig::runOnWorker([&] {
        for (int i = 0; i < 2000; ++i) {
            const int swing = (i * 37) % 4000;
            m_memory->pushMeterLevel(addrA.element, addrA.parameter, addrA.channel, swing,
                                     swing + 50);
            m_memory->pushMeterLevel(addrB.element, addrB.parameter, addrB.channel, 4095 - swing,
                                     0);
        }
        m_memory->pushMeterLevel(addrA.element, addrA.parameter, addrA.channel, lastLevel,
                                 lastPeak);
        m_memory->pushMeterLevel(addrB.element, addrB.parameter, addrB.channel, lastReduction, 0);
    }));
    // Decoded on the feeder thread, but nothing shown before the GUI thread takes it.
    QCOMPARE(a->value(), valueBefore);
    QVERIFY(a->lookups > 0);

    TestRig::settle();
    QCOMPARE(a->value(), a->meterLevelIndex(lastLevel));
    QCOMPARE(a->shownPeakIndex(), a->meterLevelIndex(lastPeak));
    const int top = expectedLength(CMeter::eMtr_Normal, lastPeak);
    std::vector<int> expected = range(121 - top, 121 - top + 2);
    const std::vector<int> bar = range(121 - expectedLength(CMeter::eMtr_Normal, lastLevel), 120);
    expected.insert(expected.end(), bar.begin(), bar.end());
    QCOMPARE(litLines(a->grab().toImage()), expected);
    QCOMPARE(litLines(b->grab().toImage()),
             range(0, 111 - expectedLength(CMeter::eMtr_GR, lastReduction) - 1));
}

void tst_Meter::crowdedFrameShowsEveryMeter()
{
    // A whole bridge moving in one frame: every meter ends on its own last level.
    QWidget window;
    std::vector<std::unique_ptr<SpyMeter>> meters;
    for (int c = 0; c < 24; ++c) {
        meters.push_back(makeMeter(121, CMeter::eMtr_Normal));
        meters.back()->setNamedAddress(meterAddress(*m_memory, 0, c));
        meters.back()->setParent(&window);
        meters.back()->move(c * 8, 0);
    }
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto levelOf = [](int c, int frame) { return 1100 + ((c * 7 + frame * 11) % 29) * 100; };
    for (int frame = 0; frame < 3; ++frame) {
        QVERIFY(TestRig::runOnWorker([&] {
            for (const auto &m : meters)
                m_memory->pushMeterLevel(m->element(), m->parameter(), m->channel(),
                                         levelOf(m->channel(), frame), 0);
        }));
        TestRig::settle();
    }
    // What the window really shows after the partial repaints, not a fresh rendering.
    const QImage shot = window.screen()->grabWindow(window.winId()).toImage();
    QVERIFY(!shot.isNull());
    for (const auto &m : meters) {
        const int length = expectedLength(CMeter::eMtr_Normal, levelOf(m->channel(), 2));
        const QImage own = shot.copy(m->geometry());
        QCOMPARE(litLines(own).size(), size_t(length));
    }
    for (auto &m : meters)
        m->setParent(nullptr);
}

// The feed goes on without a meter destroyed while its delivery was pending.
void tst_Meter::meterDestroyedWithDeliveryPending()
{
    auto meter = makeMeter(121, CMeter::eMtr_Normal);
    const IMemAPI::TSingleAddress a = meter->address();
    QVERIFY(TestRig::runOnWorker(
            [&] { m_memory->pushMeterLevel(a.element, a.parameter, a.channel, 3000, 3500); }));
    meter.reset();
    TestRig::settle();
    m_memory->pushMeterLevel(a.element, a.parameter, a.channel, 3100, 3600);
    QCOMPARE(m_memory->meterSubscriberCount(), 0);
}

QTEST_MAIN(tst_Meter)
#include "tst_meter.moc"
