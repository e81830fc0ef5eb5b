// The rotary dial, driven as a user would (mouse, wheel, keys, typed numbers) against the
// embedded memory: what the memory holds afterwards, which signals went out, which frame shows.

#include "CDial.h"
#include "IEditorExtensions.h"
#include "TCacheServer.h"
#include "TParamInfo.h"
#include "TParamMemory.h"

#include <QBuffer>
#include <QDataStream>
#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <cmath>
#include <memory>

namespace {

const char *const kPan = "FEkInput/kPan"; // symmetric range around 0
const char *const kGain = "FEkHeadAmp/kGain"; // negative minimum
const char *const kDelay = "FEkInput/kDelay"; // samples: stepped in sample-rate units
constexpr int kChannel = 3;
constexpr int kKnob = 40; // frame side of the test strips
constexpr int kOtherSource = 77; // a write by "another editor"

// The editor window: serves cached looks and takes the focus back after wheel steps.
class EditorHost : public QWidget, public TCacheServer, public IEditorExtensions
{
public:
    EditorHost() { setFocusPolicy(Qt::StrongFocus); }
};

// Counts the dial's writes to the memory.
class CountingDial : public CDial
{
public:
    using CDial::CDial;
    int changeMemApiValue() override
    {
        ++writes;
        return CDial::changeMemApiValue();
    }
    int writes = 0;
};

QColor frameColour(int frame, int frames)
{
    return QColor::fromHsv(frame * 300 / qMax(1, frames - 1), 255, 255);
}

// A strip of distinctly coloured, fully opaque square frames.
QPixmap colouredStrip(int frames, int side = kKnob)
{
    QPixmap strip(side, side * frames);
    QPainter p(&strip);
    for (int i = 0; i < frames; ++i)
        p.fillRect(QRect(0, i * side, side, side), frameColour(i, frames));
    return strip;
}

int frameShown(QWidget *w, int frames)
{
    const QColor c = w->grab().toImage().pixelColor(w->width() / 2, w->height() / 2);
    for (int i = 0; i < frames; ++i) {
        if (frameColour(i, frames).rgb() == c.rgb())
            return i;
    }
    return -1;
}

// Widget position at an angle (degrees clockwise from the top) around the dial's centre.
QPoint around(const QWidget *w, double degrees, double radius = 16.0)
{
    const double a = degrees * std::acos(-1.0) / 180.0;
    return QPoint(w->width() / 2 + int(std::lround(std::sin(a) * radius)),
                  w->height() / 2 - int(std::lround(std::cos(a) * radius)));
}

// The angle (degrees clockwise from the top) of a widget position around the dial's centre.
double angleOf(const QWidget *w, const QPoint &at)
{
    const double dx = at.x() - w->width() / 2;
    const double dy = at.y() - w->height() / 2;
    return std::atan2(dx, -dy) * 180.0 / std::acos(-1.0);
}

void sendMouse(QWidget *w, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons buttons,
               const QPoint &at, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QMouseEvent event(type, QPointF(at), QPointF(w->mapToGlobal(at)), button, buttons, modifiers);
    QApplication::sendEvent(w, &event);
}

void press(QWidget *w, const QPoint &at, Qt::MouseButton button = Qt::LeftButton,
           Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    sendMouse(w, QEvent::MouseButtonPress, button, button, at, modifiers);
}

void moveHeld(QWidget *w, const QPoint &at, Qt::MouseButtons held = Qt::LeftButton)
{
    sendMouse(w, QEvent::MouseMove, Qt::NoButton, held, at);
}

void release(QWidget *w, const QPoint &at, Qt::MouseButton button = Qt::LeftButton)
{
    sendMouse(w, QEvent::MouseButtonRelease, button, Qt::NoButton, at);
}

void wheel(QWidget *w, const QPoint &at, int delta)
{
    QWheelEvent event(QPointF(at), QPointF(w->mapToGlobal(at)), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &event);
}

// A dial in an editor window, bound to one address of the memory.
struct Rig
{
    explicit Rig(const char *address, int frames = 11)
    {
        dial = new CountingDial(&host, "knob");
        dial->setCombinedImage(colouredStrip(frames));
        dial->setnSubImages(frames);
        dial->setNamedAddress(QString::fromLatin1(address));
        dial->move(10, 10);
        host.resize(120, 120);
        host.setWindowTitle(QStringLiteral("tst_dial host"));
        memory.connectProxy(dial, kChannel);
        host.show();
        ok = QTest::qWaitForWindowExposed(&host) && dial->isAttached();
        const IMemAPI::TSingleAddress a = dial->address();
        e = a.element;
        p = a.parameter;
        c = a.channel;
        dial->writes = 0;
    }
    int stored() { return memory.getValue(e, p, c); }
    int minimum() { return memory.getMinimum(e, p, c); }
    int maximum() { return memory.getMaximum(e, p, c); }
    // What a pointer angle (degrees from the top, -135..135) stands for.
    int valueAt(double degrees)
    {
        return minimum()
                + int(std::floor((degrees + 135.0) / 270.0 * (maximum() - minimum()) + 0.5));
    }
    void store(int v) { memory.setValue(e, p, c, v, kOtherSource, 1); }

    TParamMemory memory;
    EditorHost host;
    CountingDial *dial = nullptr;
    int e = -1, p = -1, c = -1;
    bool ok = false;
};

} // namespace

class tst_Dial : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void connectingShowsTheMemoryWithoutWriting();
    void unboundDialStaysQuiet();
    void clickWithoutMovementChangesNothing();
    void dragFollowsThePointerAngle();
    void dragStopsAtEitherEnd();
    void jumpAcrossTheDialIsIgnored();
    void modifiedOrRightPressesAreIgnored_data();
    void modifiedOrRightPressesAreIgnored();
    void verticalModeDragsByDistance();
    void wheelStepsInsideOnlyAndReturnsFocus();
    void keysStepByLineAndPage();
    void sampleRateSteps_data();
    void sampleRateSteps();
    void typedNumbersWithAndWithoutUndo();
    void memoryEchoIsNotWrittenBack();
    void sameValueAgainIsSilent();
    void extraOneResendsUnchangedValue();
    void workerThreadWriteReachesTheGuiThread();
    void blockedSignalsAreDeferredNotDropped();
    void altAddressModeTexts();
    void defaultsPasteAndCopy();
    void frameChoice_data();
    void frameChoice();
    void disabledWithoutDisabledFrameIsGrey();
    void activationDoesNotRepaint();
    void alikeDialsShareTheirPicture();
    void sizeHintWithoutStrip();
    void attenuatorFrames();
    void angleHelpers();
};

void tst_Dial::init()
{
    CDial::setVerticalMode(false);
}

void tst_Dial::connectingShowsTheMemoryWithoutWriting()
{
    Rig rig(kGain);
    QVERIFY(rig.ok);
    QCOMPARE(rig.dial->minimum(), rig.minimum());
    QCOMPARE(rig.dial->maximum(), rig.maximum());
    QCOMPARE(rig.dial->value(), rig.stored());
    QCOMPARE(rig.dial->writes, 0);
    QVERIFY(!rig.memory.canUndo());
    // A fixed size of one frame.
    QCOMPARE(rig.dial->size(), QSize(kKnob, kKnob));
}

void tst_Dial::unboundDialStaysQuiet()
{
    CDial dial;
    QSignalSpy values(&dial, &CDial::memoryAPIValueChange);
    dial.setRange(0, 100);
    dial.setValue(40);
    dial.acceptNum(12);
    dial.setTableId(-7);
    dial.addLine();
    dial.process(nullptr, 0, 1);
    QCOMPARE(dial.value(), 40);
    QCOMPARE(values.count(), 0);
    QCOMPARE(dial.changeMemApiValue(), 40);
}

void tst_Dial::clickWithoutMovementChangesNothing()
{
    Rig rig(kPan);
    QVERIFY(rig.ok);
    const int before = rig.stored();
    QSignalSpy pressed(rig.dial, &CDial::dialPressed);
    QSignalSpy released(rig.dial, &CDial::dialReleased);
    QSignalSpy moved(rig.dial, &CDial::dialMoved);
    // Anywhere on the dial, not only on the pointer.
    press(rig.dial, around(rig.dial, 100));
    release(rig.dial, around(rig.dial, 100));
    QCOMPARE(pressed.count(), 1);
    QCOMPARE(released.count(), 1);
    QCOMPARE(moved.count(), 0);
    QCOMPARE(rig.stored(), before);
    QCOMPARE(rig.dial->writes, 0);
}

void tst_Dial::dragFollowsThePointerAngle()
{
    Rig rig(kPan);
    QVERIFY(rig.ok);
    rig.store(rig.valueAt(0));
    QCOMPARE(rig.dial->value(), rig.valueAt(0));
    QSignalSpy pressed(rig.dial, &CDial::dialPressed);
    QSignalSpy moved(rig.dial, &CDial::dialMoved);
    QSignalSpy released(rig.dial, &CDial::dialReleased);

    // Grab the pointer at the top and turn it a quarter clockwise in two steps.
    press(rig.dial, around(rig.dial, 0));
    moveHeld(rig.dial, around(rig.dial, 45));
    QCOMPARE(pressed.count(), 2);
    QCOMPARE(moved.count(), 0);
    QCOMPARE(rig.stored(), rig.valueAt(45));
    moveHeld(rig.dial, around(rig.dial, 90));
    QCOMPARE(moved.count(), 1);
    QCOMPARE(moved.at(0).at(0).toInt(), rig.valueAt(90));
    QCOMPARE(rig.stored(), rig.valueAt(90));
    QCOMPARE(rig.dial->GetAngle(), 90.0);

    // Back anticlockwise past the top.
    moveHeld(rig.dial, around(rig.dial, 0));
    moveHeld(rig.dial, around(rig.dial, -60));
    QCOMPARE(rig.stored(), rig.valueAt(angleOf(rig.dial, around(rig.dial, -60))));
    release(rig.dial, around(rig.dial, -60));
    QCOMPARE(released.count(), 1);
    QCOMPARE(rig.dial->value(), rig.stored());

    // Moves without a held button do nothing.
    moveHeld(rig.dial, around(rig.dial, 30), Qt::NoButton);
    QCOMPARE(rig.stored(), rig.valueAt(angleOf(rig.dial, around(rig.dial, -60))));
}

void tst_Dial::dragStopsAtEitherEnd()
{
    Rig rig(kPan);
    QVERIFY(rig.ok);
    rig.store(rig.valueAt(0));
    press(rig.dial, around(rig.dial, 0));
    for (int a = 40; a <= 240; a += 40)
        moveHeld(rig.dial, around(rig.dial, a));
    QCOMPARE(rig.dial->GetAngle(), 135.0);
    QCOMPARE(rig.stored(), rig.maximum());
    release(rig.dial, around(rig.dial, 240));

    rig.store(rig.valueAt(0));
    press(rig.dial, around(rig.dial, 0));
    for (int a = -40; a >= -240; a -= 40)
        moveHeld(rig.dial, around(rig.dial, a));
    QCOMPARE(rig.dial->GetAngle(), -135.0);
    QCOMPARE(rig.stored(), rig.minimum());
    release(rig.dial, around(rig.dial, -240));
}

void tst_Dial::jumpAcrossTheDialIsIgnored()
{
    Rig rig(kPan);
    QVERIFY(rig.ok);
    rig.store(rig.valueAt(0));
    const int before = rig.stored();
    press(rig.dial, around(rig.dial, 0));
    moveHeld(rig.dial, around(rig.dial, 150));
    QCOMPARE(rig.dial->GetAngle(), 0.0);
    QCOMPARE(rig.stored(), before);
    // Small moves from there are followed again.
    moveHeld(rig.dial, around(rig.dial, 170));
    const double turn =
            angleOf(rig.dial, around(rig.dial, 170)) - angleOf(rig.dial, around(rig.dial, 150));
    QCOMPARE(rig.stored(), rig.valueAt(turn));
    release(rig.dial, around(rig.dial, 170));
}

void tst_Dial::modifiedOrRightPressesAreIgnored_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("modifiers");
    QTest::newRow("shift") << int(Qt::LeftButton) << int(Qt::ShiftModifier);
    QTest::newRow("control") << int(Qt::LeftButton) << int(Qt::ControlModifier);
    QTest::newRow("right") << int(Qt::RightButton) << int(Qt::NoModifier);
}

void tst_Dial::modifiedOrRightPressesAreIgnored()
{
    QFETCH(int, button);
    QFETCH(int, modifiers);
    Rig rig(kPan);
    QVERIFY(rig.ok);
    rig.store(rig.valueAt(0));
    const int before = rig.stored();
    QSignalSpy pressed(rig.dial, &CDial::dialPressed);
    QSignalSpy moved(rig.dial, &CDial::dialMoved);
    press(rig.dial, around(rig.dial, 0), Qt::MouseButton(button), Qt::KeyboardModifiers(modifiers));
    moveHeld(rig.dial, around(rig.dial, 45), Qt::MouseButtons(button));
    moveHeld(rig.dial, around(rig.dial, 90), Qt::MouseButtons(button));
    QCOMPARE(pressed.count(), 0);
    QCOMPARE(moved.count(), 0);
    QCOMPARE(rig.stored(), before);
    QCOMPARE(rig.dial->writes, 0);
}

void tst_Dial::verticalModeDragsByDistance()
{
    CDial::setVerticalMode(true);
    QVERIFY(CDial::verticalMode());
    Rig rig(kPan); // a range of at most 128: one unit per pixel
    QVERIFY(rig.ok);
    QVERIFY(rig.maximum() - rig.minimum() <= 128);
    rig.store(0);
    QSignalSpy moved(rig.dial, &CDial::dialMoved);
    press(rig.dial, QPoint(20, 20));
    moveHeld(rig.dial, QPoint(20, 20)); // the drag starts here
    QCOMPARE(rig.stored(), 0);
    moveHeld(rig.dial, QPoint(22, 15)); // up 5, right 2
    QCOMPARE(rig.stored(), 7);
    moveHeld(rig.dial, QPoint(18, 25)); // down 10, left 4
    QCOMPARE(rig.stored(), -7);
    moveHeld(rig.dial, QPoint(18, 400)); // far past the minimum
    QCOMPARE(rig.stored(), rig.minimum());
    QCOMPARE(moved.count(), 3);
    release(rig.dial, QPoint(18, 400));
    CDial::setVerticalMode(false);
}

void tst_Dial::wheelStepsInsideOnlyAndReturnsFocus()
{
    Rig rig(kPan);
    QVERIFY(rig.ok);
    rig.store(0);
    rig.host.activateWindow();
    rig.dial->setFocus();
    wheel(rig.dial, QPoint(-3, 5), 240);
    wheel(rig.dial, QPoint(5, rig.dial->height() + 2), 240);
    QCOMPARE(rig.stored(), 0);
    QCOMPARE(rig.dial->writes, 0);
    wheel(rig.dial, QPoint(5, 5), 240);
    QCOMPARE(rig.stored(), 2);
    wheel(rig.dial, QPoint(5, 5), -360);
    QCOMPARE(rig.stored(), -1);
    QTRY_VERIFY(rig.host.hasFocus());
}

void tst_Dial::keysStepByLineAndPage()
{
    Rig rig(kPan);
    QVERIFY(rig.ok);
    rig.store(0);
    rig.dial->setFocus();
    QTest::keyClick(rig.dial, Qt::Key_Up);
    QTest::keyClick(rig.dial, Qt::Key_Right);
    QCOMPARE(rig.stored(), 2);
    QTest::keyClick(rig.dial, Qt::Key_Down);
    QCOMPARE(rig.stored(), 1);
    QTest::keyClick(rig.dial, Qt::Key_Left);
    QCOMPARE(rig.stored(), 0);
    QTest::keyClick(rig.dial, Qt::Key_PageUp);
    QCOMPARE(rig.stored(), rig.dial->pageStep());
    QTest::keyClick(rig.dial, Qt::Key_PageDown);
    QTest::keyClick(rig.dial, Qt::Key_PageDown);
    QCOMPARE(rig.stored(), -rig.dial->pageStep());
    rig.store(rig.maximum());
    QTest::keyClick(rig.dial, Qt::Key_PageUp);
    QCOMPARE(rig.stored(), rig.maximum());
}

void tst_Dial::sampleRateSteps_data()
{
    // The value (in samples) is first rounded to whole tenths of a second, then moved by the
    // step; the range is the delay's.
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("tenths");
    QTest::newRow("44.1k up from 0") << 44100 << 0 << int(Qt::Key_Up) << 1;
    QTest::newRow("44.1k just below half rounds down")
            << 44100 << 2 * 4410 + 2204 << int(Qt::Key_Up) << 3;
    QTest::newRow("44.1k just above half rounds up")
            << 44100 << 4410 + 2206 << int(Qt::Key_Down) << 1;
    QTest::newRow("48k page up") << 48000 << 4800 << int(Qt::Key_PageUp) << 3;
    QTest::newRow("48k page down") << 48000 << 3 * 4800 << int(Qt::Key_PageDown) << 1;
    QTest::newRow("96k up from 0") << 96000 << 0 << int(Qt::Key_Right) << 1;
    QTest::newRow("96k down from the top") << 96000 << 14400 << int(Qt::Key_Left) << 1;
}

void tst_Dial::sampleRateSteps()
{
    QFETCH(int, rate);
    QFETCH(int, start);
    QFETCH(int, key);
    QFETCH(int, tenths);
    Rig rig(kDelay);
    QVERIFY(rig.ok);
    rig.dial->setTableId(-7);
    rig.dial->setPageStep(2);
    rig.memory.setSampleRate(rate);
    rig.store(start);
    QCOMPARE(rig.dial->value(), start);
    QTest::keyClick(rig.dial, Qt::Key(key));
    QCOMPARE(rig.stored(), qMin(rig.maximum(), tenths * rate / 10));
}

void tst_Dial::typedNumbersWithAndWithoutUndo()
{
    Rig rig(kGain);
    QVERIFY(rig.ok);
    const int before = rig.stored();
    const int typed = rig.memory.valueFromNumber(0, 6.0f);
    QVERIFY(typed != before);

    rig.dial->setUndoEnable(true);
    rig.dial->acceptNum(6.0);
    QCOMPARE(rig.stored(), typed);
    QVERIFY(rig.memory.canUndo());
    QVERIFY(rig.memory.undo());
    QCOMPARE(rig.stored(), before);
    QTRY_COMPARE(rig.dial->value(), before);

    rig.memory.clearUndo();
    rig.dial->setUndoEnable(false);
    rig.dial->acceptNum(6.0);
    QCOMPARE(rig.stored(), typed);
    QVERIFY(!rig.memory.canUndo());
}

void tst_Dial::memoryEchoIsNotWrittenBack()
{
    Rig rig(kPan);
    QVERIFY(rig.ok);
    QSignalSpy values(rig.dial, &CDial::memoryAPIValueChange);
    QSignalSpy texts(rig.dial, &CDial::textualValueChange);
    rig.store(17);
    QTRY_COMPARE(rig.dial->value(), 17);
    QCOMPARE(rig.dial->writes, 0);
    QVERIFY(values.count() >= 1);
    QCOMPARE(values.last().at(0).toInt(), 17);
    QVERIFY(!texts.isEmpty());
    QVERIFY(!texts.last().at(0).toString().isEmpty());

    // A user change writes exactly once; its echo comes back silently.
    rig.dial->setFocus();
    QTest::keyClick(rig.dial, Qt::Key_Up);
    QApplication::processEvents();
    QCOMPARE(rig.dial->writes, 1);
    QCOMPARE(rig.stored(), 18);
}

void tst_Dial::sameValueAgainIsSilent()
{
    Rig rig(kPan);
    QVERIFY(rig.ok);
    rig.store(5);
    QTRY_COMPARE(rig.dial->value(), 5);
    QSignalSpy values(rig.dial, &CDial::memoryAPIValueChange);
    QSignalSpy texts(rig.dial, &CDial::textualValueChange);
    QSignalSpy changed(rig.dial, &QDial::valueChanged);
    rig.store(5);
    rig.dial->setValue(5);
    rig.dial->process(nullptr, 0, 0);
    QApplication::processEvents();
    QCOMPARE(values.count(), 0);
    QCOMPARE(texts.count(), 0);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(rig.dial->writes, 0);
}

void tst_Dial::extraOneResendsUnchangedValue()
{
    Rig rig(kPan);
    QVERIFY(rig.ok);
    QSignalSpy values(rig.dial, &CDial::memoryAPIValueChange);
    QSignalSpy texts(rig.dial, &CDial::textualValueChange);
    QSignalSpy atMinimum(rig.dial, &CDial::altAddressMode);
    rig.dial->process(nullptr, 0, 1);
    QCOMPARE(values.count(), 1);
    QCOMPARE(values.at(0).at(0).toInt(), rig.stored());
    QCOMPARE(texts.count(), 1);
    QCOMPARE(atMinimum.count(), 1);
    QCOMPARE(rig.dial->writes, 0);
}

void tst_Dial::workerThreadWriteReachesTheGuiThread()
{
    Rig rig(kPan);
    QVERIFY(rig.ok);
    rig.store(0);
    QSignalSpy values(rig.dial, &CDial::memoryAPIValueChange);
    std::unique_ptr<QThread> worker(QThread::create([&rig] {
        rig.memory.setValue(rig.e, rig.p, rig.c, -20, kOtherSource, 1);
        // An unchanged value with extra 1: its signals are owed on the GUI thread.
        rig.dial->process(nullptr, 0, 1);
    }));
    worker->start();
    QVERIFY(worker->wait());
    QCOMPARE(rig.dial->value(), 0); // nothing touched the widget off its thread
    QTRY_COMPARE(rig.dial->value(), -20);
    QTRY_VERIFY(values.count() >= 2);
    QCOMPARE(values.last().at(0).toInt(), -20);
    QCOMPARE(rig.dial->writes, 0);
    QCOMPARE(rig.stored(), -20);
}

void tst_Dial::blockedSignalsAreDeferredNotDropped()
{
    Rig rig(kPan);
    QVERIFY(rig.ok);
    QSignalSpy values(rig.dial, &CDial::memoryAPIValueChange);
    rig.dial->blockSignals(true);
    rig.dial->setFocus();
    QTest::keyClick(rig.dial, Qt::Key_Up);
    const int expected = rig.stored();
    QCOMPARE(rig.dial->value(), expected); // the write itself is not deferred
    rig.dial->blockSignals(false);
    QCOMPARE(values.count(), 0);
    QTRY_COMPARE(values.count(), 1);
    QCOMPARE(values.at(0).at(0).toInt(), expected);
}

void tst_Dial::altAddressModeTexts()
{
    Rig rig(kPan);
    QVERIFY(rig.ok);
    QSignalSpy texts(rig.dial, &CDial::textualValueChange);
    rig.dial->changeAltAddressMode(true);
    QVERIFY(rig.dial->isAltAddressMode());
    rig.dial->process(nullptr, 0, 0); // the new text goes out with the next notification
    QCOMPARE(texts.count(), 1);
    QCOMPARE(texts.last().at(0).toString(), QStringLiteral("ON"));
    rig.store(rig.minimum());
    QTRY_COMPARE(texts.last().at(0).toString(), QStringLiteral("OFF"));
    rig.dial->changeAltAddressMode(false);
    rig.dial->process(nullptr, 0, 0);
    QVERIFY(texts.last().at(0).toString() != QLatin1String("OFF"));
}

void tst_Dial::defaultsPasteAndCopy()
{
    Rig rig(kGain);
    QVERIFY(rig.ok);
    const int standard = rig.memory.getValueEx(rig.e, rig.p, rig.c, false);
    int unavailable = 0;
    const int alternative = rig.memory.getValueEx(rig.e, rig.p, rig.c, true, &unavailable);
    const int other = standard == rig.maximum() ? rig.minimum() : rig.maximum();

    rig.store(other);
    rig.dial->reset2defaults();
    QCOMPARE(rig.stored(), standard);
    rig.store(other);
    rig.dial->reset2AltDefaults();
    QCOMPARE(rig.stored(), unavailable ? standard : alternative);

    // Copy writes one record of the shown value; pasting it back restores it.
    rig.store(other);
    QByteArray buffer;
    {
        QDataStream out(&buffer, QIODevice::WriteOnly);
        rig.dial->copyParameters(&out);
    }
    rig.store(standard);
    QDataStream in(buffer);
    rig.dial->pasteParameters(&in);
    QCOMPARE(rig.stored(), other);

    // A record of another parameter, or a truncated one, is not taken.
    rig.store(standard);
    QByteArray foreign;
    {
        QDataStream out(&foreign, QIODevice::WriteOnly);
        TParamInfoWriter(rig.e, rig.c, rig.p + 1, other, &out);
    }
    QDataStream foreignIn(foreign);
    rig.dial->pasteParameters(&foreignIn);
    QDataStream truncated(buffer.left(3));
    rig.dial->pasteParameters(&truncated);
    QCOMPARE(rig.stored(), standard);
}

void tst_Dial::frameChoice_data()
{
    QTest::addColumn<bool>("inverted");
    QTest::addColumn<int>("disabledIndex");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<int>("atMinimum");
    QTest::addColumn<int>("atMaximum");
    constexpr int last = 10;
    QTest::newRow("plain") << false << -1 << true << 0 << last;
    QTest::newRow("inverted") << true << -1 << true << last << 0;
    QTest::newRow("disabled frame 0, enabled") << false << 0 << true << 1 << last;
    QTest::newRow("disabled frame 0, disabled") << false << 0 << false << 0 << 0;
    QTest::newRow("disabled frame last, enabled") << false << last << true << 0 << last - 1;
    QTest::newRow("disabled frame last, disabled") << false << last << false << last << last;
}

void tst_Dial::frameChoice()
{
    QFETCH(bool, inverted);
    QFETCH(int, disabledIndex);
    QFETCH(bool, enabled);
    QFETCH(int, atMinimum);
    QFETCH(int, atMaximum);
    constexpr int frames = 11;
    Rig rig(kPan, frames);
    QVERIFY(rig.ok);
    rig.dial->setInverted(inverted);
    rig.dial->setdisabledImageIndex(disabledIndex);
    rig.dial->setEnabled(enabled);
    rig.store(rig.minimum());
    QTRY_COMPARE(rig.dial->value(), rig.minimum());
    QCOMPARE(frameShown(rig.dial, frames), atMinimum);
    rig.store(rig.maximum());
    QTRY_COMPARE(rig.dial->value(), rig.maximum());
    QCOMPARE(frameShown(rig.dial, frames), atMaximum);
}

void tst_Dial::disabledWithoutDisabledFrameIsGrey()
{
    Rig rig(kPan);
    QVERIFY(rig.ok);
    rig.dial->setEnabled(false);
    const QColor c = rig.dial->grab().toImage().pixelColor(kKnob / 2, kKnob / 2);
    QCOMPARE(c.red(), c.green());
    QCOMPARE(c.green(), c.blue());
    QCOMPARE(c.alpha(), 255);
}

void tst_Dial::activationDoesNotRepaint()
{
    Rig rig(kPan);
    QVERIFY(rig.ok);
    rig.dial->grab();
    const int rebuilds = rig.dial->pictureRebuildCount();
    QEvent activation(QEvent::ActivationChange);
    QApplication::sendEvent(rig.dial, &activation);
    rig.dial->grab();
    QCOMPARE(rig.dial->pictureRebuildCount(), rebuilds);
    // A value change rebuilds it once.
    rig.store(rig.dial->value() + 1);
    QTRY_COMPARE(rig.dial->value(), rig.stored());
    rig.dial->grab();
    rig.dial->grab();
    QVERIFY(rig.dial->pictureRebuildCount() <= rebuilds + 1);
}

void tst_Dial::alikeDialsShareTheirPicture()
{
    Rig rig(kPan);
    QVERIFY(rig.ok);
    auto *twin = new CDial(&rig.host, "knob");
    twin->setCombinedImage(rig.dial->combinedImage());
    twin->setnSubImages(rig.dial->nSubImages());
    twin->setNamedAddress(QString::fromLatin1(kPan));
    twin->move(60, 10);
    rig.memory.connectProxy(twin, kChannel);
    twin->show();
    rig.dial->grab();
    twin->grab();
    QCOMPARE(twin->value(), rig.dial->value());
    QCOMPARE(twin->pictureRebuildCount(), 0);
    QCOMPARE(frameShown(twin, 11), frameShown(rig.dial, 11));

    // Another strip under the same window does not take the first one's picture.
    auto *other = new CDial(&rig.host, "other");
    other->setCombinedImage(colouredStrip(3));
    other->setnSubImages(3);
    other->setNamedAddress(QString::fromLatin1(kPan));
    rig.memory.connectProxy(other, kChannel);
    other->show();
    QCOMPARE(frameShown(other, 3), other->currentIndex());
}

void tst_Dial::sizeHintWithoutStrip()
{
    CDial dial;
    QCOMPARE(dial.sizeHint(), QSize(40, 30));
    dial.setCombinedImage(colouredStrip(4, 20));
    QCOMPARE(dial.sizeHint(), QSize(20, 80));
}

void tst_Dial::attenuatorFrames()
{
    CDial dial;
    dial.setRange(-960, 100);
    QCOMPARE(dial.getAttKnobIndex(-960), 0);
    QCOMPARE(dial.getAttKnobIndex(-300), 15);
    QCOMPARE(dial.getAttKnobIndex(0), 24);
    QCOMPARE(dial.getAttKnobIndex(100), 30);
    int previous = 0;
    for (int v = -960; v <= 100; ++v) {
        const int frame = dial.getAttKnobIndex(v);
        QVERIFY2(frame >= 0 && frame <= 30, qPrintable(QString::number(v)));
        QVERIFY2(frame >= previous, qPrintable(QString::number(v)));
        previous = frame;
    }
    // A range whose maximum leaves no sixths still names a frame.
    dial.setRange(-960, 3);
    QCOMPARE(dial.getAttKnobIndex(2), 30);
}

void tst_Dial::angleHelpers()
{
    QCOMPARE(CDial::Degree(CDial::Radian(135.0)), 135.0);
    QVERIFY(qFuzzyCompare(CDial::CalcVectorAngle(1, 0, 0, 1), std::acos(-1.0) / 2));
    // The smaller way round.
    QVERIFY(qFuzzyCompare(CDial::CalcVectorAngle(1, 0, -1, -0.01),
                          std::acos(-1.0) - std::atan(0.01)));
    double x = 0, y = 0;
    QVERIFY(CDial::CalcIntersection(0, 0, 10, 10, 0, 10, 10, 0, &x, &y));
    QCOMPARE(x, 5.0);
    QCOMPARE(y, 5.0);
    QVERIFY(!CDial::CalcIntersection(0, 0, 1, 1, 5, 0, 6, -1, &x, &y));
}

QTEST_MAIN(tst_Dial)
#include "tst_dial.moc"
