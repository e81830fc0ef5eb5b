// The rotary dial, driven as a user would (mouse, wheel, keys, typed numbers) against the
// embedded memory: what the memory holds afterwards, which signals went out, which frame shows.

#include "CDial.h"
#include "IEditorExtensions.h"
#include "TParamInfo.h"
#include "TestRig.h"

#include <QDataStream>
#include <QTest>

#include <cmath>

namespace {

const char *const kPan = "FEkInput/kPan"; // symmetric range around 0
const char *const kGain = "FEkHeadAmp/kGain"; // negative minimum
const char *const kDelay = "FEkInput/kDelay"; // samples: stepped in sample-rate units
constexpr int kChannel = 3;
constexpr int kKnob = 40; // frame side of the test strips: the dial takes one frame's size
constexpr int kOtherSource = 77; // a write by "another editor"
const double kPi = std::acos(-1.0);

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
    return TestRig::frameStrip(QSize(side, side), 1, frames,
                               [frames](int, int row) { return frameColour(row, frames); });
}

int frameShown(QWidget *w, int frames)
{
    const QColor c = TestRig::colourAt(w);
    for (int i = 0; i < frames; ++i) {
        if (frameColour(i, frames).rgb() == c.rgb())
            return i;
    }
    return -1;
}

// Dial position at an angle (degrees clockwise from the top) around its centre, and back.
QPoint around(double degrees, double radius = 16.0)
{
    const double a = degrees * kPi / 180.0;
    return QPoint(kKnob / 2 + int(std::lround(std::sin(a) * radius)),
                  kKnob / 2 - int(std::lround(std::cos(a) * radius)));
}

double angleOf(const QPoint &at)
{
    return std::atan2(at.x() - kKnob / 2, kKnob / 2 - at.y()) * 180.0 / kPi;
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
    void init() { CDial::setVerticalMode(false); }
    void unboundDialStaysQuiet();
    void clickAndDragSignals();
    void drag_data();
    void drag();
    void verticalModeDragsByDistance();
    void wheelStepsInsideOnlyAndReturnsFocus();
    void keysStepByLineAndPage();
    void sampleRateSteps_data();
    void sampleRateSteps();
    void typedNumbersWithAndWithoutUndo();
    void memoryChangesAndResends();
    void workerThreadWriteReachesTheGuiThread();
    void blockedSignalsAreDeferredNotDropped();
    void altAddressModeTexts();
    void defaultsPasteAndCopy();
    void frameChoice_data();
    void frameChoice();
    void cachedPicture();
    void attenuatorFrames();
    void angleHelpers();
};

void tst_Dial::unboundDialStaysQuiet()
{
    CDial dial;
    QCOMPARE(dial.sizeHint(), QSize(40, 30));
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
    dial.setCombinedImage(colouredStrip(4, 20));
    QCOMPARE(dial.sizeHint(), QSize(20, 80));
}

// A click anywhere moves nothing; a drag from the pointer turns it with the mouse.
void tst_Dial::clickAndDragSignals()
{
    Rig rig(kPan);
    QVERIFY(rig.ok);
    QCOMPARE(rig.dial->size(), QSize(kKnob, kKnob));
    rig.store(rig.valueAt(0));
    QCOMPARE(rig.dial->value(), rig.valueAt(0));
    QSignalSpy pressed(rig.dial, &CDial::dialPressed);
    QSignalSpy moved(rig.dial, &CDial::dialMoved);
    QSignalSpy released(rig.dial, &CDial::dialReleased);
    press(rig.dial, around(100));
    release(rig.dial, around(100));
    QCOMPARE(pressed.count(), 1);
    QCOMPARE(released.count(), 1);
    QCOMPARE(moved.count(), 0);
    QCOMPARE(rig.stored(), rig.valueAt(0));
    QCOMPARE(rig.dial->writes, 0);

    press(rig.dial, around(0));
    moveHeld(rig.dial, around(45));
    QCOMPARE(pressed.count(), 3);
    QCOMPARE(moved.count(), 0);
    QCOMPARE(rig.stored(), rig.valueAt(45));
    moveHeld(rig.dial, around(90));
    QCOMPARE(moved.count(), 1);
    QCOMPARE(moved.at(0).at(0).toInt(), rig.valueAt(90));
    QCOMPARE(rig.stored(), rig.valueAt(90));
    release(rig.dial, around(90));
    QCOMPARE(released.count(), 2);
    QCOMPARE(rig.dial->value(), rig.stored());
    // Moves without a held button do nothing.
    moveHeld(rig.dial, around(30), Qt::NoButton);
    QCOMPARE(rig.stored(), rig.valueAt(90));
}

// From the top, through the listed angles: the turn the dial follows.
void tst_Dial::drag_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QList<int>>("angles");
    QTest::addColumn<double>("turn");
    const int left = Qt::LeftButton;
    const int none = Qt::NoModifier;
    QTest::newRow("stops at the maximum")
            << left << none << QList<int> {40, 80, 120, 160, 200, 240} << 135.0;
    QTest::newRow("stops at the minimum")
            << left << none << QList<int> {-40, -80, -120, -160, -200, -240} << -135.0;
    QTest::newRow("back past the top")
            << left << none << QList<int> {45, 90, 0, -60} << angleOf(around(-60));
    QTest::newRow("jump across ignored") << left << none << QList<int> {150} << 0.0;
    QTest::newRow("small moves after a jump")
            << left << none << QList<int> {150, 170} << angleOf(around(170)) - angleOf(around(150));
    QTest::newRow("shift") << left << int(Qt::ShiftModifier) << QList<int> {45, 90} << 0.0;
    QTest::newRow("control") << left << int(Qt::ControlModifier) << QList<int> {45, 90} << 0.0;
    QTest::newRow("right button") << int(Qt::RightButton) << none << QList<int> {45, 90} << 0.0;
}

void tst_Dial::drag()
{
    QFETCH(int, button);
    QFETCH(int, modifiers);
    QFETCH(QList<int>, angles);
    QFETCH(double, turn);
    const bool plain = button == Qt::LeftButton && modifiers == Qt::NoModifier;
    Rig rig(kPan);
    QVERIFY(rig.ok);
    rig.store(rig.valueAt(0));
    QSignalSpy pressed(rig.dial, &CDial::dialPressed);
    press(rig.dial, around(0), Qt::MouseButton(button), Qt::KeyboardModifiers(modifiers));
    for (int a : angles)
        moveHeld(rig.dial, around(a), Qt::MouseButtons(button));
    QCOMPARE(rig.stored(), rig.valueAt(turn));
    QCOMPARE(pressed.count(), plain ? 2 : 0);
    if (plain)
        QCOMPARE(rig.dial->GetAngle(), turn);
    else
        QCOMPARE(rig.dial->writes, 0);
    release(rig.dial, around(angles.last()), Qt::MouseButton(button));
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
}

void tst_Dial::wheelStepsInsideOnlyAndReturnsFocus()
{
    Rig rig(kPan);
    QVERIFY(rig.ok);
    rig.store(0);
    rig.host.activateWindow();
    rig.dial->setFocus();
    TestRig::wheel(rig.dial, 240, QPointF(rig.dial->width() + 3, 5));
    TestRig::wheel(rig.dial, 240, QPointF(5, rig.dial->height() + 2));
    QCOMPARE(rig.stored(), 0);
    QCOMPARE(rig.dial->writes, 0);
    TestRig::wheel(rig.dial, 240, QPointF(5, 5));
    QCOMPARE(rig.stored(), 2);
    TestRig::wheel(rig.dial, -360, QPointF(5, 5));
    QCOMPARE(rig.stored(), -1);
    QTRY_VERIFY(rig.host.hasFocus());
}

// Each key is one write: the memory's echo of it comes back silently.
void tst_Dial::keysStepByLineAndPage()
{
    Rig rig(kPan);
    QVERIFY(rig.ok);
    rig.store(0);
    rig.dial->setFocus();
    QTest::keyClick(rig.dial, Qt::Key_Up);
    QTest::keyClick(rig.dial, Qt::Key_Right);
    TestRig::settle();
    QCOMPARE(rig.stored(), 2);
    QCOMPARE(rig.dial->writes, 2);
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
    QCOMPARE(rig.dial->minimum(), rig.minimum());
    QCOMPARE(rig.dial->maximum(), rig.maximum());
    const int before = rig.stored();
    const int typed = rig.memory.valueFromNumber(0, 6.0f);
    QVERIFY(typed != before);

    rig.dial->setUndoEnable(true);
    rig.dial->acceptNum(6.0);
    QCOMPARE(rig.stored(), typed);
    QVERIFY(rig.memory.undo());
    QCOMPARE(rig.stored(), before);
    QTRY_COMPARE(rig.dial->value(), before);

    rig.memory.clearUndo();
    rig.dial->setUndoEnable(false);
    rig.dial->acceptNum(6.0);
    QCOMPARE(rig.stored(), typed);
    QVERIFY(!rig.memory.canUndo());
}

// A change in the memory is signalled with its text; an empty notification with extra 1
// resends the unchanged value, its text and the at-minimum state; extra 0 sends nothing.
void tst_Dial::memoryChangesAndResends()
{
    Rig rig(kPan);
    QVERIFY(rig.ok);
    QSignalSpy values(rig.dial, &CDial::memoryAPIValueChange);
    QSignalSpy texts(rig.dial, &CDial::textualValueChange);
    QSignalSpy atMinimum(rig.dial, &CDial::altAddressMode);
    QSignalSpy changed(rig.dial, &QDial::valueChanged);
    rig.store(17);
    QTRY_COMPARE(rig.dial->value(), 17);
    QCOMPARE(values.last().at(0).toInt(), 17);
    QVERIFY(!texts.last().at(0).toString().isEmpty());

    values.clear();
    texts.clear();
    atMinimum.clear();
    changed.clear();
    rig.dial->setValue(17);
    rig.dial->process(nullptr, 0, 0);
    QApplication::processEvents();
    QCOMPARE(values.count() + texts.count() + atMinimum.count() + changed.count(), 0);
    rig.dial->process(nullptr, 0, 1);
    QCOMPARE(values.count(), 1);
    QCOMPARE(values.at(0).at(0).toInt(), 17);
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
    QVERIFY(TestRig::runOnWorker([&rig] {
        rig.memory.setValue(rig.e, rig.p, rig.c, -20, kOtherSource, 1);
        // An unchanged value with extra 1: its signals are owed on the GUI thread.
        rig.dial->process(nullptr, 0, 1);
    }));
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

// The frame at either end of the range (-1: a grey picture, not a strip frame).
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
    QTest::newRow("no disabled frame, disabled") << false << -1 << false << -1 << -1;
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
    for (const int expected : {atMinimum, atMaximum}) {
        rig.store(expected == atMinimum ? rig.minimum() : rig.maximum());
        QTRY_COMPARE(rig.dial->value(), rig.stored());
        QCOMPARE(frameShown(rig.dial, frames), expected);
        if (expected < 0) {
            const QColor c = TestRig::colourAt(rig.dial);
            QVERIFY(c.red() == c.green() && c.green() == c.blue() && c.alpha() == 255);
        }
    }
}

// Activation does not rebuild the picture, a value change once; an alike dial under the same
// window takes the picture, another strip does not.
void tst_Dial::cachedPicture()
{
    Rig rig(kPan);
    QVERIFY(rig.ok);
    rig.dial->grab();
    const int rebuilds = rig.dial->pictureRebuildCount();
    QEvent activation(QEvent::ActivationChange);
    QApplication::sendEvent(rig.dial, &activation);
    rig.dial->grab();
    QCOMPARE(rig.dial->pictureRebuildCount(), rebuilds);
    rig.store(rig.dial->value() + 1);
    QTRY_COMPARE(rig.dial->value(), rig.stored());
    rig.dial->grab();
    rig.dial->grab();
    QVERIFY(rig.dial->pictureRebuildCount() <= rebuilds + 1);

    auto *twin = new CDial(&rig.host, "knob");
    twin->setCombinedImage(rig.dial->combinedImage());
    twin->setnSubImages(rig.dial->nSubImages());
    twin->setNamedAddress(QString::fromLatin1(kPan));
    twin->move(60, 10);
    rig.memory.connectProxy(twin, kChannel);
    twin->show();
    twin->grab();
    QCOMPARE(twin->value(), rig.dial->value());
    QCOMPARE(twin->pictureRebuildCount(), 0);
    QCOMPARE(frameShown(twin, 11), frameShown(rig.dial, 11));

    auto *other = new CDial(&rig.host, "other");
    other->setCombinedImage(colouredStrip(3));
    other->setnSubImages(3);
    other->setNamedAddress(QString::fromLatin1(kPan));
    rig.memory.connectProxy(other, kChannel);
    other->show();
    QCOMPARE(frameShown(other, 3), other->currentIndex());
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
        QVERIFY2(frame >= previous && frame <= 30, qPrintable(QString::number(v)));
        previous = frame;
    }
    // A range whose maximum leaves no sixths still names a frame.
    dial.setRange(-960, 3);
    QCOMPARE(dial.getAttKnobIndex(2), 30);
}

void tst_Dial::angleHelpers()
{
    QCOMPARE(CDial::Degree(CDial::Radian(135.0)), 135.0);
    QVERIFY(qFuzzyCompare(CDial::CalcVectorAngle(1, 0, 0, 1), kPi / 2));
    // The smaller way round.
    QVERIFY(qFuzzyCompare(CDial::CalcVectorAngle(1, 0, -1, -0.01), kPi - std::atan(0.01)));
    double x = 0, y = 0;
    QVERIFY(CDial::CalcIntersection(0, 0, 10, 10, 0, 10, 10, 0, &x, &y));
    QCOMPARE(x, 5.0);
    QCOMPARE(y, 5.0);
    QVERIFY(!CDial::CalcIntersection(0, 0, 1, 1, 5, 0, 6, -1, &x, &y));
}

QTEST_MAIN(tst_Dial)
#include "tst_dial.moc"
