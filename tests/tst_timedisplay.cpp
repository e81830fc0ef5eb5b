// The time-code display against the embedded memory: the throttle, hidden displays, the
// frame-rate formats, a flood of codes from a worker thread, and the memory's time-code feed.

#include "CTimeDisplay.h"
#include "TestRig.h"

#include <QElapsedTimer>
#include <QTest>

using namespace TestRig;

namespace {

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

} // namespace

class tst_TimeDisplay : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void formatsThrottleAndFlood();
};

void tst_TimeDisplay::formatsThrottleAndFlood()
{
    TParamMemory memory;
    CTimeDisplay display;
    // One service tick once the throttle has surely passed.
    const auto tick = [&] {
        QThread::msleep(1000 / display.updateFrequency() + 2);
        Q_EMIT memory.frequentServiceEvent();
    };
    display.setUpdateFrequency(1000);
    display.resize(display.sizeHint());
    bind(memory, display, QStringLiteral("00kSetupTCEventParams/kTCEventFrameRate"));
    display.show();
    settle();
    tick();
    // Odd formats end in a stop; each format is drawn as a label of the font would be.
    for (int format : {1, 2, 3, 0}) {
        writeFor(memory, display, format); // another editor
        settle();
        QCOMPARE(display.timeCodeFormat(), format);
        memory.setTimecode(23, 59, 58, 20 + format);
        tick();
        const QString text = QStringLiteral("23:59:58.2%1").arg(format)
                + (format % 2 ? QStringLiteral(".") : QString());
        QCOMPARE(display.text(), text);
        QCOMPARE(display.grab().toImage().convertToFormat(QImage::Format_RGB32),
                 reference(display, text));
    }
    // A hidden display renders nothing until shown, then catches up.
    display.hide();
    int start = display.pictureRebuildCount();
    memory.setTimecode(10, 20, 30, 12);
    tick();
    QCOMPARE(display.pictureRebuildCount(), start);
    display.show();
    tick();
    QCOMPARE(display.text(), QStringLiteral("10:20:30.12"));
    QCOMPARE(display.grab().toImage().convertToFormat(QImage::Format_RGB32),
             reference(display, QStringLiteral("10:20:30.12")));

    // Null data and operations other than 0 carry no time: they only run the throttle.
    start = display.pictureRebuildCount();
    const Q_UINT8 other[4] = {5, 6, 7, 8};
    QThread::msleep(3);
    display.process(nullptr, 0, 0);
    display.process(other, 1, 0);
    display.process(other, 4, 0);
    tick();
    QCOMPARE(display.pictureRebuildCount(), start);
    QCOMPARE(display.text(), QStringLiteral("10:20:30.12"));

    // At one picture a second, codes within the second render once, after it.
    display.setUpdateFrequency(1);
    tick();
    start = display.pictureRebuildCount();
    memory.setTimecode(10, 20, 30, 12); // what it shows already
    memory.setTimecode(1, 2, 3, 4);
    memory.setTimecode(1, 2, 3, 5);
    for (int i = 0; i < 3; ++i)
        Q_EMIT memory.frequentServiceEvent();
    QCOMPARE(display.pictureRebuildCount(), start);
    tick();
    Q_EMIT memory.frequentServiceEvent();
    QCOMPARE(display.pictureRebuildCount(), start + 1);
    QCOMPARE(display.text(), QStringLiteral("01:02:03.05"));
    memory.setTimecode(1, 2, 3, 5);
    tick();
    QCOMPARE(display.pictureRebuildCount(), start + 1);

    // A flood of codes from a worker thread, at 50 pictures a second.
    display.setUpdateFrequency(50);
    memory.setServiceInterval(2);
    start = display.pictureRebuildCount();
    std::atomic<bool> done {false};
    std::unique_ptr<QThread> worker(QThread::create([&] {
        for (int i = 1; i <= 10000; ++i) {
            memory.setTimecode(i / 3600 % 24, i / 60 % 60, i % 60, i % 30);
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
    const int paints = display.pictureRebuildCount() - start;
    QVERIFY2(paints <= elapsed * 50 / 1000 + 1, qPrintable(QString::number(paints)));

    settle();
    tick();
    const QString shown = display.text(); // code 10000: 2 h 46 min 40 s, frame 10
    QVERIFY2(shown.startsWith(QLatin1String("02:46:40.10")), qPrintable(shown));

    // The feed: a subscriber gets the current code at once, renewing adds nothing, later codes
    // arrive on the thread that sets them, and a forgotten subscriber gets none.
    Watcher watcher;
    QCOMPARE(memory.requestTimecode(0, &watcher), -1);
    QCOMPARE(memory.requestTimecode(1, &watcher), 0);
    QCOMPARE(watcher.lastData, QByteArray("\x02\x2e\x28\x0a", 4));
    QCOMPARE(memory.requestTimecode(1, &watcher), 0);
    QCOMPARE(memory.timecodeSubscriberCount(), 2); // the display and the watcher
    const int calls = watcher.calls;
    QVERIFY(runOnWorker([&] { memory.setTimecode(2, 3, 4, 5); }));
    QCOMPARE(watcher.calls, calls + 1);
    QCOMPARE(watcher.lastData, QByteArray("\x02\x03\x04\x05", 4));
    QVERIFY(watcher.dataThread != QThread::currentThread());
    memory.forgetProxy(&watcher);
    QCOMPARE(memory.timecodeSubscriberCount(), 1);
    memory.setTimecode(9, 9, 9, 9);
    QCOMPARE(watcher.calls, calls + 1);
}

QTEST_MAIN(tst_TimeDisplay)
#include "tst_timedisplay.moc"
