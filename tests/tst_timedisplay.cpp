// The time-code display against the embedded memory: the throttle, hidden displays, the
// frame-rate formats, a flood of codes from a worker thread, and the memory's time-code feed.

#include "CTimeDisplay.h"
#include "TestRig.h"

#include <QElapsedTimer>
#include <QTest>

using namespace TestRig;

namespace {

const QString kFrameRate = QStringLiteral("00kSetupTCEventParams/kTCEventFrameRate");

// The text as the console shows it, drawn the way a label of this font would be.
QImage reference(const CTimeDisplay &display, const QString &text)
{
    QImage image(display.size(), QImage::Format_RGB32);
    image.fill(display.palette().color(display.backgroundRole()));
    QPainter painter(&image);
    painter.setFont(display.font());
    painter.setPen(display.palette().color(display.foregroundRole()));
    painter.drawText(5, QFontMetrics(display.font()).ascent() * 75 / 100 + 7, text);
    return image;
}

QImage shown(CTimeDisplay &display)
{
    return display.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

struct Rig
{
    explicit Rig(int frequency)
    {
        display.setUpdateFrequency(frequency);
        display.resize(display.sizeHint());
        bind(memory, display, kFrameRate);
        display.show();
        settle();
        tickAfterThrottle();
    }
    // One service tick once the throttle has surely passed.
    void tickAfterThrottle()
    {
        QThread::msleep(1000 / display.updateFrequency() + 2);
        Q_EMIT memory.frequentServiceEvent();
    }
    void setFormat(int format)
    {
        const IMemAPI::TSingleAddress a = resolve(memory, kFrameRate);
        memory.setValue(a.element, a.parameter, a.channel, format, memory.sourceId(0) + 1);
        settle();
    }

    TParamMemory memory;
    CTimeDisplay display;
};

} // namespace

class tst_TimeDisplay : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void changeRendersOnceAfterThrottle();
    void hiddenDisplayCatchesUpAfterShow();
    void formats_data();
    void formats();
    void workerFloodIsThrottled();
    void badNotificationsOnlyTick();
    void feedSubscribesUntilForgotten();
};

void tst_TimeDisplay::changeRendersOnceAfterThrottle()
{
    Rig rig(1);
    const int start = rig.display.pictureRebuildCount();
    rig.memory.setTimecode(0, 0, 0, 0); // what it shows already
    rig.memory.setTimecode(1, 2, 3, 4);
    rig.memory.setTimecode(1, 2, 3, 5);
    for (int i = 0; i < 3; ++i)
        Q_EMIT rig.memory.frequentServiceEvent();
    QCOMPARE(rig.display.pictureRebuildCount(), start);

    rig.tickAfterThrottle();
    Q_EMIT rig.memory.frequentServiceEvent();
    QCOMPARE(rig.display.pictureRebuildCount(), start + 1);
    QVERIFY(rig.display.text().startsWith(QLatin1String("01:02:03.05")));

    rig.memory.setTimecode(1, 2, 3, 5);
    rig.tickAfterThrottle();
    QCOMPARE(rig.display.pictureRebuildCount(), start + 1);
}

void tst_TimeDisplay::hiddenDisplayCatchesUpAfterShow()
{
    Rig rig(1000);
    rig.setFormat(0);
    rig.tickAfterThrottle();
    rig.display.hide();
    const int start = rig.display.pictureRebuildCount();
    rig.memory.setTimecode(10, 20, 30, 11);
    rig.tickAfterThrottle();
    rig.memory.setTimecode(10, 20, 30, 12);
    rig.tickAfterThrottle();
    QCOMPARE(rig.display.pictureRebuildCount(), start);

    rig.display.show();
    rig.tickAfterThrottle();
    QCOMPARE(rig.display.text(), QStringLiteral("10:20:30.12"));
    QCOMPARE(shown(rig.display), reference(rig.display, QStringLiteral("10:20:30.12")));
}

void tst_TimeDisplay::formats_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0 << "23:59:58.29";
    QTest::newRow("1 stop") << 1 << "23:59:58.29.";
    QTest::newRow("2") << 2 << "23:59:58.29";
    QTest::newRow("3 stop") << 3 << "23:59:58.29.";
}

void tst_TimeDisplay::formats()
{
    QFETCH(int, format);
    QFETCH(QString, text);
    Rig rig(1000);
    rig.setFormat(format == 0 ? 3 : 0);
    rig.tickAfterThrottle();
    rig.setFormat(format);
    rig.memory.setTimecode(23, 59, 58, 29);
    rig.tickAfterThrottle();
    QCOMPARE(rig.display.text(), text);
    QCOMPARE(shown(rig.display), reference(rig.display, text));
}

void tst_TimeDisplay::workerFloodIsThrottled()
{
    Rig rig(50);
    rig.memory.setServiceInterval(2);
    const int start = rig.display.pictureRebuildCount();
    std::atomic<bool> done {false};
    std::unique_ptr<QThread> worker(QThread::create([&] {
        for (int i = 1; i <= 10000; ++i) {
            rig.memory.setTimecode(i / 3600 % 24, i / 60 % 60, i % 60, i % 30);
            if (i % 500 == 0)
                QThread::msleep(5);
        }
        done = true;
    }));
    QElapsedTimer clock;
    clock.start();
    worker->start();
    while (!done.load())
        QCoreApplication::processEvents();
    worker->wait();
    const qint64 elapsed = clock.elapsed();
    const int paints = rig.display.pictureRebuildCount() - start;
    QVERIFY2(paints <= elapsed * 50 / 1000 + 1, qPrintable(QString::number(paints)));

    settle();
    rig.tickAfterThrottle();
    const int last = 10000;
    QCOMPARE(rig.display.text(),
             QString::asprintf("%02d:%02d:%02d.%02d", last / 3600 % 24, last / 60 % 60, last % 60,
                               last % 30)
                     + (rig.display.timeCodeFormat() % 2 ? QStringLiteral(".") : QString()));
}

// Null data and operations other than 0 carry no time: they only run the throttle.
void tst_TimeDisplay::badNotificationsOnlyTick()
{
    Rig rig(1000);
    rig.tickAfterThrottle();
    const QString before = rig.display.text();
    const int start = rig.display.pictureRebuildCount();
    const Q_UINT8 other[4] = {5, 6, 7, 8};
    QThread::msleep(3);
    rig.display.process(nullptr, 0, 0);
    rig.display.process(other, 1, 0);
    rig.display.process(other, 4, 0);
    rig.tickAfterThrottle();
    QCOMPARE(rig.display.pictureRebuildCount(), start);
    QCOMPARE(rig.display.text(), before);
}

void tst_TimeDisplay::feedSubscribesUntilForgotten()
{
    TParamMemory memory;
    Watcher watcher;
    QCOMPARE(memory.requestTimecode(0, &watcher), -1);
    memory.setTimecode(1, 1, 1, 1);
    QCOMPARE(memory.requestTimecode(1, &watcher), 0);
    QCOMPARE(watcher.lastData, QByteArray("\x01\x01\x01\x01", 4));
    QCOMPARE(memory.requestTimecode(1, &watcher), 0); // the renewal subscribes nothing new
    QCOMPARE(memory.timecodeSubscriberCount(), 1);
    const int calls = watcher.calls;
    QVERIFY(runOnWorker([&] { memory.setTimecode(2, 3, 4, 5); }));
    QCOMPARE(watcher.calls, calls + 1);
    QCOMPARE(watcher.lastData, QByteArray("\x02\x03\x04\x05", 4));
    QVERIFY(watcher.dataThread != QThread::currentThread());

    memory.forgetProxy(&watcher);
    QCOMPARE(memory.timecodeSubscriberCount(), 0);
    memory.setTimecode(9, 9, 9, 9);
    QCOMPARE(watcher.calls, calls + 1);
}

QTEST_MAIN(tst_TimeDisplay)
#include "tst_timedisplay.moc"
