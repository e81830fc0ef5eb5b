// The level meter: level tables, bar and peak pixels, repaints limited to real changes, the
// hand-over of worker-thread meter data, the online reset and the meter registration, against
// the embedded memory's meter feed.

#include "CMeter.h"
#include "TestRig.h"

#include <QPaintEvent>
#include <QScreen>

#include <tuple>

using namespace TestRig;

namespace {

const QColor LitColour(40, 220, 70);
const QColor UnlitColour(20, 30, 90);

QPixmap filled(int w, int h, const QColor &colour)
{
    return frameStrip(QSize(w, h), 1, 1, [&](int, int) { return colour; });
}

// Counts paint events and the area they covered, and the table lookups it makes.
class SpyMeter : public CMeter
{
public:
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

// The catalogue's first meter on a channel, in named form.
QString meterAddress(int channel = 0)
{
    return QStringLiteral("%1kMeter/kInputLevel").arg(channel, 2, 16, QLatin1Char('0'));
}

// Bar length for a raw value, worked out from the table alone: the sum of the widths of the
// entries (the last excepted) whose level is at most raw.
int expectedLength(int raw, CMeter::EMeterSelector selector = CMeter::eMtr_Normal)
{
    int count = 0;
    const TMeterMapping *t = CMeter::meterTable(selector, &count);
    int length = 0;
    for (int i = 0; i + 1 < count; ++i)
        if (t[i].level <= raw)
            length += t[i + 1].pixels - t[i].pixels;
    return length;
}

// The lit rows (or columns) of what a widget shows.
std::vector<int> lit(QWidget &widget, bool rows = true)
{
    return litLines(widget.grab().toImage(), LitColour, rows);
}

// Rows first..last, then (with peakRows) peakRows rows from peakTop on, in screen order.
std::vector<int> range(int first, int last, int peakTop = 0, int peakRows = 0)
{
    std::vector<int> v;
    for (int i = peakTop; i < peakTop + peakRows; ++i)
        v.push_back(i);
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
    void tables();
    void barPixels_data();
    void barPixels();
    void peaksAndRepaints();
    void registrationAndWorkerFeed();

private:
    // A bound meter of the given size, lit colour over an unlit background.
    std::unique_ptr<SpyMeter> makeMeter(int height, CMeter::EMeterSelector selector, int width = 6,
                                        int channel = 0)
    {
        auto meter = std::make_unique<SpyMeter>();
        meter->setMeterSelector(selector);
        meter->setMeterImage(filled(width, height, LitColour));
        meter->setMeterBgndImage(filled(width, height, UnlitColour));
        meter->setNamedAddress(meterAddress(channel));
        m_memory->connectProxy(meter.get(), 0);
        return meter;
    }
    void push(const CMeter &meter, int level, int peak)
    {
        m_memory->pushMeterLevel(meter.element(), meter.parameter(), meter.channel(), level, peak);
    }

    std::unique_ptr<TParamMemory> m_memory;
};

void tst_Meter::init()
{
    m_memory = std::make_unique<TParamMemory>();
    m_memory->setOnline(true);
    // The meters below take the first parameter of the catalogue's meter section, on up to 24
    // channels.
    const int e = m_memory->sectionElement(QStringLiteral("kMeter"));
    QVERIFY(m_memory->sectionKeys().contains(QStringLiteral("kMeter")));
    QVERIFY(m_memory->channelCount(e) >= 24);
    QCOMPARE(m_memory->parameterKey(e, m_memory->parameters(e).value(0)),
             QStringLiteral("kInputLevel"));
}

void tst_Meter::tables()
{
    // Every table (selector, entries, pixels) rises strictly, starts at offset 0, spans the
    // listed length and gives the meter a range of its entry count.
    const std::tuple<CMeter::EMeterSelector, int, int> tables[] = {
            {CMeter::eMtr_Normal, 64, 121},  {CMeter::eMtr_Sigma, 4, 3},
            {CMeter::eMtr_Layer, 74, 160},   {CMeter::eMtr_SelCh, 74, 202},
            {CMeter::eMtr_CompOut, 64, 82},  {CMeter::eMtr_Normal_Eff, 74, 110},
            {CMeter::eMtr_GR, 45, 111},      {CMeter::eMtr_CompGR, 8, 30},
            {CMeter::eMtr_GR_SelCh, 35, 69}, {CMeter::eMtr_GR_Eff, 35, 88},
    };
    CMeter meter;
    for (const auto &[selector, entries, total] : tables) {
        int count = 0;
        const TMeterMapping *table = CMeter::meterTable(selector, &count);
        QCOMPARE(count, entries);
        QCOMPARE(int(table[0].pixels), 0);
        QCOMPARE(int(table[count - 1].pixels), total);
        QCOMPARE(int(table[count - 1].level), 65535);
        for (int i = 1; i < count; ++i)
            QVERIFY(table[i - 1].level < table[i].level && table[i - 1].pixels <= table[i].pixels);
        meter.setMeterSelector(selector);
        QCOMPARE(meter.maxValue(), entries);
    }
    // The offsets leave table and range alone.
    meter.setMeterSelector(CMeter::eMtr_Normal_Offset);
    QCOMPARE(meter.maxValue(), 35);
    int count = -1;
    QVERIFY(!CMeter::meterTable(CMeter::eMtr_GR_Offset, &count));
    QCOMPARE(count, 0);

    // A lookup counts the steps at or below the value: at a step's level the step is reached;
    // just below it, not yet.
    meter.setMeterSelector(CMeter::eMtr_Normal);
    const TMeterMapping *table = CMeter::meterTable(CMeter::eMtr_Normal, &count);
    for (int i = 0; i + 1 < count; ++i) {
        const int level = table[i].level;
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
    QTest::newRow("4095") << n << normal << 4095 << 0 << 121 - 118 << 120;
    QTest::newRow("8190") << n << normal << 8190 << 0 << 121 - 118 << 120;
    QTest::newRow("overload") << n << normal << 8191 << 0 << 0 << 120;
    QTest::newRow("horizontal: from the left") << n << normal.transposed() << 2850 << 0 << 0 << 33;
    // The sigma lamp lights its top three rows at overload, never scaled.
    for (int raw : {0, 2000, 4094})
        QTest::addRow("sigma %d", raw) << CMeter::eMtr_Sigma << lamp << raw << raw << 1 << 0;
    for (int raw : {4095, 8191, 16383})
        QTest::addRow("sigma %d", raw) << CMeter::eMtr_Sigma << lamp << raw << 0 << 0 << 2;
    // Gain reduction draws from the top, and ignores the peak.
    for (int raw : {0, 2500, 3000, 3700, 4040, 8191}) {
        QTest::addRow("reduction %d", raw) << CMeter::eMtr_GR << gr << raw << 4000 << 0
                                           << 111 - expectedLength(raw, CMeter::eMtr_GR) - 1;
    }
    QTest::newRow("horizontal reduction") << CMeter::eMtr_GR << gr.transposed() << 3000 << 0
                                          << expectedLength(3000, CMeter::eMtr_GR) << 110;
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
        QCOMPARE(expectedLength(raw, selector), vertical ? 121 - first : last + 1);
    }
    // At rest nothing is lit (a gain-reduction meter shows no reduction).
    QVERIFY(lit(*meter, vertical).empty());
    // From another level: only the band between the two bars changes.
    push(*meter, raw > 2000 ? raw - 1000 : raw + 1000, 0);
    meter->grab();
    const int lookups = meter->lookups;
    push(*meter, raw, peak);
    QCOMPARE(lit(*meter, vertical), range(first, last));
    if (selector == CMeter::eMtr_GR) {
        QCOMPARE(meter->lookups - lookups, 1); // the level only
        QCOMPARE(meter->shownPeakIndex(), 0);
    }
}

void tst_Meter::peaksAndRepaints()
{
    auto meter = makeMeter(121, CMeter::eMtr_Normal);
    meter->show();
    QVERIFY(QTest::qWaitForWindowExposed(meter.get()));
    // Peak in a three-pixel step, level well below: the top three rows of a bar as long as
    // the peak. A peak is looked up only when its bytes change.
    const int peakTop = 121 - expectedLength(3100);
    meter->lookups = 0;
    push(*meter, 2000, 3000);
    QCOMPARE(meter->lookups.load(), 2);
    push(*meter, 2100, 3000);
    QCOMPARE(meter->lookups.load(), 3);
    push(*meter, 1300, 3100);
    QCOMPARE(meter->lookups.load(), 5);
    QCOMPARE(lit(*meter), range(121 - expectedLength(1300), 120, peakTop, 3));
    // A peak below the level is hidden in the bar.
    push(*meter, 3500, 3100);
    QCOMPARE(lit(*meter), range(121 - expectedLength(3500), 120));
    // Without peak hold the peak bytes are not even looked up.
    meter->setPeakHoldEnabled(false);
    int lookups = meter->lookups;
    push(*meter, 1400, 3500);
    QCOMPARE(meter->lookups - lookups, 1);
    QCOMPARE(lit(*meter), range(121 - expectedLength(1400), 120));

    // Scaled to 60 rows, a one-pixel step high up the table truncates to 0 rows, but shows.
    // (2819 reaches the one-pixel step from 30 to 31 pixels.)
    auto scaled = makeMeter(60, CMeter::eMtr_Normal);
    const int top = 60 - int(expectedLength(2819) * (60.0 / 121.0));
    push(*scaled, 0, 2819);
    QCOMPARE(lit(*scaled), range(top, top));
    // With a bar, the bar is scaled by truncation and the segment sits above it.
    push(*scaled, 1865, 2819);
    const int bar = int(expectedLength(1865) * (60.0 / 121.0));
    QCOMPARE(lit(*scaled), range(60 - bar, 59, top, 1));

    // Levels and peaks within their table steps cost no repaint.
    meter->setPeakHoldEnabled(true);
    push(*meter, 2010, 3010);
    settle();
    int paints = meter->paints;
    lookups = meter->lookups;
    push(*meter, 2040, 3015);
    push(*meter, 2040, 3015);
    // Nor do the same settings again, nor going online while online.
    meter->setMeterSelector(CMeter::eMtr_Normal);
    meter->setPeakHoldEnabled(true);
    meter->onlineChange(true);
    m_memory->setOnline(true);
    settle();
    QCOMPARE(meter->paints, paints);
    QCOMPARE(meter->lookups - lookups, 3); // the peak once, the level each time
    // A background alone does not repaint; the next change shows it.
    const QColor otherUnlit(90, 20, 30);
    meter->setMeterBgndImage(filled(6, 121, otherUnlit));
    settle();
    QCOMPARE(meter->paints, paints);
    push(*meter, 1200, 0);
    settle();
    QCOMPARE(meter->grab().toImage().pixelColor(3, 0), otherUnlit);

    // A step repaints only the band that changed (widened a little at most), rising and
    // falling; never the whole meter.
    meter->setPeakHoldEnabled(false);
    push(*meter, 2000, 0);
    settle();
    const int before = expectedLength(2000);
    const int after = expectedLength(2600);
    const QRect band(0, 121 - after, 6, after - before);
    for (int level : {2600, 2000}) {
        meter->paints = 0;
        meter->painted = QRegion();
        push(*meter, level, 0);
        settle();
        QCOMPARE(meter->paints, 1);
        QVERIFY(meter->painted.boundingRect().contains(band));
        QVERIFY(meter->painted.boundingRect().height() < 121 / 2);
    }
    QCOMPARE(lit(*meter), range(121 - before, 120));

    // Other operations are ignored, even with loud bytes; operation 0 lights the meter.
    meter->setPeakHoldEnabled(true);
    push(*meter, 2500, 3300);
    const QImage shown = meter->grab().toImage();
    const int looked = meter->lookups;
    const quint8 loud[4] = {0x3F, 0x7F, 0x3F, 0x7F};
    for (int op : {1, 2, 3, 4, -1})
        meter->process(loud, op, 0);
    QCOMPARE(meter->lookups.load(), looked);
    QCOMPARE(meter->grab().toImage(), shown);

    // Going offline resets the meter; back online it does not repaint by itself, and the next
    // data shows again.
    m_memory->setOnline(false);
    settle();
    QVERIFY(lit(*meter).empty());
    QCOMPARE(meter->shownPeakIndex(), 0);
    paints = meter->paints;
    m_memory->setOnline(true);
    settle();
    QCOMPARE(meter->paints, paints);
    push(*meter, 2500, 3300);
    QCOMPARE(meter->grab().toImage(), shown);
    meter->process(loud, 0, 0);
    QCOMPARE(lit(*meter), range(0, 120));
    // A gain-reduction meter resets to no reduction.
    auto gr = makeMeter(111, CMeter::eMtr_GR);
    push(*gr, 3000, 0);
    QVERIFY(!lit(*gr).empty());
    m_memory->setOnline(false);
    QVERIFY(lit(*gr).empty());

    // A meter without a bar image draws nothing.
    meter->setMeterImage(QPixmap());
    QImage img(6, 121, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::magenta);
    QPainter painter(&img);
    meter->repaintScreenPrimitive(painter);
    painter.end();
    QCOMPARE(countPixels(img, Qt::magenta).matching, 6 * 121);
}

void tst_Meter::registrationAndWorkerFeed()
{
    auto meter = makeMeter(121, CMeter::eMtr_Normal);
    QCOMPARE(m_memory->meterSubscriberCount(), 1);
    // The meter registers for meter data only, not as a value observer.
    QCOMPARE(m_memory->observerCount(meter->packedAddress()), 0);
    // Re-addressing moves the registration.
    meter->setNamedAddress(meterAddress(1));
    QCOMPARE(m_memory->meterSubscriberCount(), 1);
    push(*meter, 8191, 0);
    QCOMPARE(lit(*meter).size(), size_t(121));
    meter->disconnectMemAPI();
    QCOMPARE(m_memory->meterSubscriberCount(), 0);
    // An address that does not resolve leaves the meter unregistered and at rest.
    CMeter stray;
    stray.setNamedAddress(QStringLiteral("00kNoSuchSection/kNothing"));
    m_memory->connectProxy(&stray, 0);
    QVERIFY(!stray.isAttached());
    QCOMPARE(m_memory->meterSubscriberCount(), 0);

    // Meter data from a worker thread.
    auto a = makeMeter(121, CMeter::eMtr_Normal);
    auto b = makeMeter(111, CMeter::eMtr_GR, 6, 1);
    const int lastLevel = 2600, lastPeak = 3300, lastReduction = 3200;
    const int valueBefore = a->value();
    QVERIFY(runOnWorker([&] {
        for (int i = 0; i < 2000; ++i) {
            const int swing = (i * 37) % 4000;
            push(*a, swing, swing + 50);
            push(*b, 4095 - swing, 0);
        }
        push(*a, lastLevel, lastPeak);
        push(*b, lastReduction, 0);
    }));
    // Decoded on the feeder thread, but nothing shown before the GUI thread takes it.
    QCOMPARE(a->value(), valueBefore);
    QVERIFY(a->lookups > 0);
    settle();
    QCOMPARE(lit(*a),
             range(121 - expectedLength(lastLevel), 120, 121 - expectedLength(lastPeak), 3));
    QCOMPARE(lit(*b), range(0, 111 - expectedLength(lastReduction, CMeter::eMtr_GR) - 1));

    // The feed goes on without a meter destroyed while its delivery was pending, which has
    // unregistered.
    QVERIFY(runOnWorker([&] { push(*a, 3000, 3500); }));
    const IMemAPI::TSingleAddress gone = a->address();
    a.reset();
    settle();
    m_memory->pushMeterLevel(gone.element, gone.parameter, gone.channel, 3100, 3600);
    QCOMPARE(m_memory->meterSubscriberCount(), 1);

    // A whole bridge moving in one frame: every meter ends on its own last level, in what the
    // window really shows after the partial repaints, not a fresh rendering.
    QWidget window;
    std::vector<std::unique_ptr<SpyMeter>> meters;
    for (int c = 0; c < 24; ++c) {
        meters.push_back(makeMeter(121, CMeter::eMtr_Normal, 6, c));
        meters.back()->setParent(&window);
        meters.back()->move(c * 8, 0);
    }
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto levelOf = [](int c, int frame) { return 1100 + ((c * 7 + frame * 11) % 29) * 100; };
    for (int frame = 0; frame < 3; ++frame) {
        QVERIFY(runOnWorker([&] {
            for (const auto &m : meters)
                push(*m, levelOf(m->channel(), frame), 0);
        }));
        settle();
    }
    const QImage shot = window.screen()->grabWindow(window.winId()).toImage();
    for (const auto &m : meters) {
        const int length = expectedLength(levelOf(m->channel(), 2));
        QCOMPARE(litLines(shot.copy(m->geometry()), LitColour).size(), size_t(length));
    }
}

QTEST_MAIN(tst_Meter)
#include "tst_meter.moc"
