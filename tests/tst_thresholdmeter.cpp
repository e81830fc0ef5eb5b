// The threshold lamp: frames for level, threshold, state and online state, the memory's
// threshold tables, the gate parameter read at connect and followed, the worker-thread feed,
// and bad input, shown on grab() pixels against the embedded memory.

#include "CThresholdMeter.h"
#include "TestRig.h"

#include <QTest>

#include <memory>

namespace {

const QColor FrameColours[] = {Qt::red, Qt::green, Qt::blue, Qt::yellow};
constexpr int Lamp = 10;
const char *const KeyMeter = "03kMeter/kGateKey";
const char *const GateOn = "03kGate/kGateOn";
constexpr int Channel = 3;

QPixmap strip(int frames)
{
    return TestRig::frameStrip(QSize(Lamp, Lamp), 1, frames,
                               [](int, int row) { return FrameColours[row]; });
}

// The frame the lamp shows on screen, from its pixels; -1 for none.
int shownFrame(CThresholdMeter &lamp)
{
    QCoreApplication::processEvents();
    const QColor c = TestRig::colourAt(&lamp);
    for (int i = 0; i < 4; ++i)
        if (c == FrameColours[i])
            return i;
    return -1;
}

} // namespace

class tst_ThresholdMeter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void oneEntryTableFrames_data();
    void oneEntryTableFrames();
    void onlineChangesResetTheLevel();
    void gateStateReadAtConnectAndFollowed();
    void memoryTableSteps_data();
    void memoryTableSteps();
    void subImageCountAloneChangesNothingShown();
    void workerThreadFeedIsShownOnTheGuiThread();
    void badInputIsHarmless();

private:
    std::unique_ptr<CThresholdMeter> makeLamp(int frames, int tableId = 0, int threshold = 100);
    void push(int level);
    void setGate(int on);

    std::unique_ptr<TParamMemory> m_memory;
    IMemAPI::TSingleAddress m_key;
    IMemAPI::TSingleAddress m_gate;
};

void tst_ThresholdMeter::init()
{
    m_memory = std::make_unique<TParamMemory>();
    m_memory->setOnline(true);
    QVERIFY(m_memory->resolveNamed(QString::fromLatin1(KeyMeter), 0, &m_key));
    QVERIFY(m_memory->resolveNamed(QString::fromLatin1(GateOn), 0, &m_gate));
    setGate(1);
}

void tst_ThresholdMeter::cleanup()
{
    m_memory.reset();
}

std::unique_ptr<CThresholdMeter> tst_ThresholdMeter::makeLamp(int frames, int tableId,
                                                              int threshold)
{
    auto lamp = std::make_unique<CThresholdMeter>();
    lamp->setnSubImages(frames);
    lamp->setCombinedImage(strip(frames));
    lamp->adjustParams();
    lamp->setThresholdLevel(threshold);
    lamp->setMeterThresholdTableId(tableId);
    lamp->setNamedAddress(QStringLiteral("FEkMeter/kGateKey"));
    lamp->setStateNamedAddress(QStringLiteral("FEkGate/kGateOn"));
    m_memory->connectProxy(lamp.get(), Channel);
    lamp->show();
    return lamp;
}

void tst_ThresholdMeter::push(int level)
{
    m_memory->pushMeterLevel(m_key.element, m_key.parameter, m_key.channel, level, level);
}

void tst_ThresholdMeter::setGate(int on)
{
    m_memory->setValue(m_gate.element, m_gate.parameter, m_gate.channel, on, -1);
    QCoreApplication::processEvents();
}

void tst_ThresholdMeter::oneEntryTableFrames_data()
{
    QTest::addColumn<int>("gate");
    QTest::addColumn<bool>("online");
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("frame");
    QTest::newRow("below") << 1 << true << 99 << 1;
    QTest::newRow("at") << 1 << true << 100 << 2;
    QTest::newRow("above") << 1 << true << 16383 << 2;
    QTest::newRow("gate off") << 0 << true << 16383 << 0;
    QTest::newRow("offline") << 1 << false << 16383 << 0;
}

void tst_ThresholdMeter::oneEntryTableFrames()
{
    QFETCH(int, gate);
    QFETCH(bool, online);
    QFETCH(int, level);
    QFETCH(int, frame);
    setGate(gate);
    m_memory->setOnline(online);
    auto lamp = makeLamp(3);
    QCOMPARE(lamp->size(), QSize(Lamp, Lamp));
    QCOMPARE(shownFrame(*lamp), 0);
    push(level);
    QCOMPARE(shownFrame(*lamp), frame);
}

void tst_ThresholdMeter::onlineChangesResetTheLevel()
{
    auto lamp = makeLamp(3);
    push(200);
    QCOMPARE(shownFrame(*lamp), 2);
    m_memory->setOnline(false);
    QCOMPARE(shownFrame(*lamp), 0);
    // Back online the level starts from 0 again: below the threshold.
    m_memory->setOnline(true);
    QCOMPARE(lamp->level(), 0);
    QCOMPARE(shownFrame(*lamp), 1);
}

void tst_ThresholdMeter::gateStateReadAtConnectAndFollowed()
{
    // The gate is on before the lamp connects: the first level shows without a gate change.
    auto lamp = makeLamp(3);
    QCOMPARE(lamp->state(), 1);
    push(150);
    QCOMPARE(shownFrame(*lamp), 2);
    setGate(0);
    QCOMPARE(shownFrame(*lamp), 0);
    setGate(1);
    QCOMPARE(shownFrame(*lamp), 2);
    // The lamp only reads the gate.
    QCOMPARE(m_memory->getValue(m_gate.element, m_gate.parameter, m_gate.channel), 1);
}

void tst_ThresholdMeter::memoryTableSteps_data()
{
    // Table 4 is 512, 1024, 2048, 4095: the frame counts the entries the level has not yet
    // reached, the last entry serving as the top. Each row starts from another frame.
    QTest::addColumn<int>("frames");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("frame");
    QTest::newRow("0") << 4 << 4095 << 0 << 3;
    QTest::newRow("512") << 4 << 4095 << 512 << 3;
    QTest::newRow("513") << 4 << 4095 << 513 << 3;
    QTest::newRow("1023") << 4 << 4095 << 1023 << 3;
    QTest::newRow("1024") << 4 << 4095 << 1024 << 2;
    QTest::newRow("2047") << 4 << 4095 << 2047 << 2;
    QTest::newRow("2048") << 4 << 4095 << 2048 << 1;
    QTest::newRow("4094") << 4 << 4095 << 4094 << 1;
    QTest::newRow("4095") << 4 << 1024 << 4095 << 0;
    QTest::newRow("top") << 4 << 1024 << 16383 << 0;
    // Step 3 has no frame in a strip of three: the frame stays.
    QTest::newRow("step beyond the strip") << 3 << 1024 << 0 << 2;
}

void tst_ThresholdMeter::memoryTableSteps()
{
    QFETCH(int, frames);
    QFETCH(int, start);
    QFETCH(int, level);
    QFETCH(int, frame);
    auto lamp = makeLamp(frames, 4);
    push(start);
    push(level);
    QCOMPARE(lamp->currentImage(), frame);
    QCOMPARE(shownFrame(*lamp), frame);
}

void tst_ThresholdMeter::subImageCountAloneChangesNothingShown()
{
    auto lamp = makeLamp(3);
    push(200);
    QCOMPARE(shownFrame(*lamp), 2);
    const int renders = lamp->renderCount();
    lamp->setnSubImages(4);
    QCOMPARE(lamp->size(), QSize(Lamp, Lamp));
    QCOMPARE(shownFrame(*lamp), 2);
    QCOMPARE(lamp->renderCount(), renders);
    // The new count applies with the next frame, cut from the strip in four.
    push(50);
    QCOMPARE(shownFrame(*lamp), 1);
    QCOMPARE(lamp->renderCount(), renders + 1);
}

void tst_ThresholdMeter::workerThreadFeedIsShownOnTheGuiThread()
{
    auto lamp = makeLamp(3);
    QVERIFY(TestRig::runOnWorker([this] {
        for (int level = 0; level <= 300; level += 3)
            push(level);
    }));
    QCOMPARE(lamp->currentImage(), 0);
    QCOMPARE(shownFrame(*lamp), 2);
}

void tst_ThresholdMeter::badInputIsHarmless()
{
    // An unknown table falls back to thresholdLevel, clamped to 16 bits.
    auto lamp = makeLamp(3, 99, 70000);
    QCOMPARE(lamp->thresholdLevel(), 65535);
    push(16383);
    QCOMPARE(shownFrame(*lamp), 1);
    lamp->setThresholdLevel(-5);
    QCOMPARE(lamp->thresholdLevel(), 0);
    lamp->triggerUpdate();
    QCOMPARE(shownFrame(*lamp), 2);
    // Other operations carry no meter data.
    const Q_UINT8 quiet[4] = {0, 0, 0, 0};
    lamp->process(quiet, 1, 0);
    lamp->process(quiet, 4, 0);
    QCOMPARE(lamp->level(), 16383);
    QCOMPARE(shownFrame(*lamp), 2);
    // Frames outside the strip are refused.
    lamp->setCurrentImage(3);
    lamp->setCurrentImage(-1);
    QCOMPARE(shownFrame(*lamp), 2);
    QCOMPARE(m_memory->getValue(m_gate.element, m_gate.parameter, m_gate.channel), 1);
}

QTEST_MAIN(tst_ThresholdMeter)
#include "tst_thresholdmeter.moc"
