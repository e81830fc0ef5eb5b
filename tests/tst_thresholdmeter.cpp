// The threshold lamp: frames for level, threshold, state and online state, the memory's
// threshold tables, the gate parameter read at connect and followed, the worker-thread feed,
// and bad input, shown on grab() pixels against the embedded memory.

#include "CThresholdMeter.h"
#include "TestRig.h"

#include <algorithm>

using namespace TestRig;

namespace {

const QColor FrameColours[] = {Qt::red, Qt::green, Qt::blue, Qt::yellow};
constexpr int Lamp = 10;

// The frame the lamp shows on screen, from its pixels; -1 for none.
int shownFrame(CThresholdMeter &lamp)
{
    QCoreApplication::processEvents();
    const QColor *f = std::find(std::begin(FrameColours), std::end(FrameColours), colourAt(&lamp));
    return f == std::end(FrameColours) ? -1 : int(f - FrameColours);
}

// The memory online with the gate of channel 3 on, and lamps on that channel's gate key.
struct Rig
{
    Rig()
    {
        memory.setOnline(true);
        setGate(1);
    }
    std::unique_ptr<CThresholdMeter> lamp(int frames, int tableId = 0, int threshold = 100)
    {
        auto lamp = std::make_unique<CThresholdMeter>();
        lamp->setnSubImages(frames);
        lamp->setCombinedImage(frameStrip(QSize(Lamp, Lamp), 1, frames,
                                          [](int, int row) { return FrameColours[row]; }));
        lamp->adjustParams();
        lamp->setThresholdLevel(threshold);
        lamp->setMeterThresholdTableId(tableId);
        lamp->setNamedAddress(QStringLiteral("FEkMeter/kGateKey"));
        lamp->setStateNamedAddress(QStringLiteral("FEkGate/kGateOn"));
        memory.connectProxy(lamp.get(), 3);
        lamp->show();
        return lamp;
    }
    void push(int level)
    {
        memory.pushMeterLevel(key.element, key.parameter, key.channel, level, level);
    }
    void setGate(int on) { memory.setValue(gate.element, gate.parameter, gate.channel, on, -1); }

    int gateValue() { return memory.getValue(gate.element, gate.parameter, gate.channel); }

    TParamMemory memory;
    const IMemAPI::TSingleAddress key = resolve(memory, QStringLiteral("03kMeter/kGateKey"));
    const IMemAPI::TSingleAddress gate = resolve(memory, QStringLiteral("03kGate/kGateOn"));
};

} // namespace

class tst_ThresholdMeter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void frames_data();
    void frames();
    void gateOnlineWorkerAndBadInput();
};

// The lamp at rest shows frame 0; then, from a first level, the frame for a level.
void tst_ThresholdMeter::frames_data()
{
    QTest::addColumn<int>("tableId");
    QTest::addColumn<int>("frames");
    QTest::addColumn<int>("gate");
    QTest::addColumn<bool>("online");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("frame");
    // Without a table: 1 below thresholdLevel (100), 2 at or above; 0 with the gate off or
    // offline.
    QTest::newRow("below") << 0 << 3 << 1 << true << 99 << 99 << 1;
    QTest::newRow("at") << 0 << 3 << 1 << true << 100 << 100 << 2;
    QTest::newRow("above") << 0 << 3 << 1 << true << 16383 << 16383 << 2;
    QTest::newRow("gate off") << 0 << 3 << 0 << true << 16383 << 16383 << 0;
    QTest::newRow("offline") << 0 << 3 << 1 << false << 16383 << 16383 << 0;
    // Table 4 is 512, 1024, 2048, 4095: the frame counts the entries the level has not yet
    // reached, the last entry serving as the top. Each row starts from another frame.
    for (int level : {0, 512, 513, 1023, 1024, 2047, 2048, 4094, 4095, 16383}) {
        QTest::addRow("table %d", level)
                << 4 << 4 << 1 << true << (level < 4095 ? 4095 : 1024) << level
                << (level < 1024) + (level < 2048) + (level < 4095);
    }
    // Step 3 has no frame in a strip of three: the frame stays.
    QTest::newRow("step beyond the strip") << 4 << 3 << 1 << true << 1024 << 0 << 2;
}

void tst_ThresholdMeter::frames()
{
    QFETCH(int, tableId);
    QFETCH(int, frames);
    QFETCH(int, gate);
    QFETCH(bool, online);
    QFETCH(int, start);
    QFETCH(int, level);
    QFETCH(int, frame);
    Rig rig;
    rig.setGate(gate);
    rig.memory.setOnline(online);
    auto lamp = rig.lamp(frames, tableId);
    QCOMPARE(shownFrame(*lamp), 0);
    rig.push(start);
    rig.push(level);
    QCOMPARE(shownFrame(*lamp), frame);
}

void tst_ThresholdMeter::gateOnlineWorkerAndBadInput()
{
    Rig rig;
    auto lamp = rig.lamp(3);
    rig.push(200);
    QCOMPARE(shownFrame(*lamp), 2);
    // A new frame count alone changes nothing shown; it applies with the next frame, cut
    // from the strip in four.
    const int renders = lamp->renderCount();
    lamp->setnSubImages(4);
    QCOMPARE(lamp->size(), QSize(Lamp, Lamp));
    QCOMPARE(shownFrame(*lamp), 2);
    QCOMPARE(lamp->renderCount(), renders);
    rig.push(50);
    QCOMPARE(shownFrame(*lamp), 1);
    QCOMPARE(lamp->renderCount(), renders + 1);

    // The gate is on before the lamp connects: the first level shows without a gate change.
    lamp = rig.lamp(3);
    QCOMPARE(lamp->state(), 1);
    rig.push(150);
    QCOMPARE(shownFrame(*lamp), 2);
    rig.setGate(0);
    QCOMPARE(shownFrame(*lamp), 0);
    rig.setGate(1);
    QCOMPARE(shownFrame(*lamp), 2);
    QCOMPARE(rig.gateValue(), 1); // the lamp only reads the gate

    // Going offline shows frame 0; back online the level starts from 0: below the threshold.
    rig.memory.setOnline(false);
    QCOMPARE(shownFrame(*lamp), 0);
    rig.memory.setOnline(true);
    QCOMPARE(shownFrame(*lamp), 1);

    // Levels from a worker thread show once the GUI thread takes them.
    QVERIFY(runOnWorker([&] {
        for (int level = 0; level <= 300; level += 3)
            rig.push(level);
    }));
    QCOMPARE(lamp->currentImage(), 1);
    QCOMPARE(shownFrame(*lamp), 2);

    // An unknown table falls back to thresholdLevel, clamped to 16 bits.
    lamp = rig.lamp(3, 99, 70000);
    QCOMPARE(lamp->thresholdLevel(), 65535);
    rig.push(16383);
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
    // Frames outside the strip are refused.
    lamp->setCurrentImage(3);
    lamp->setCurrentImage(-1);
    QCOMPARE(shownFrame(*lamp), 2);
    QCOMPARE(rig.gateValue(), 1);
}

QTEST_MAIN(tst_ThresholdMeter)
#include "tst_thresholdmeter.moc"
