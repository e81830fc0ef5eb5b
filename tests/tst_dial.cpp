// The rotary dial, driven as a user would (mouse, wheel, keys, typed numbers) against the
// embedded memory: what the memory holds afterwards, which signals went out, which frame shows.

#include "CDial.h"
#include "IEditorExtensions.h"
#include "TestRig.h"

#include <cmath>

namespace {

// A symmetric range around 0, a negative minimum, a delay counted in samples.
const char kCatalogue[] = R"({"name": "Dial test", "sampleRate": 48000,
 "textTables": {"6": {"kind": "pan"}, "16": {"kind": "db", "plus": true}},
 "sections": [{"key": "kInput", "element": 1, "channels": 8, "params": [
  {"key": "kPan", "id": 2, "min": -63, "max": 63, "default": 0, "text": 6},
  {"key": "kDelay", "id": 4, "min": 0, "max": 14400, "default": 0, "text": "samples"},
  {"key": "kGain", "id": 5, "min": -60, "max": 10, "default": -20, "alt": 0, "text": 16}]}]})";
const char *const kPan = "FEkInput/kPan";
const char *const kGain = "FEkInput/kGain";
const char *const kDelay = "FEkInput/kDelay";
constexpr int kKnob = 40; // frame side of the test strips: the dial takes one frame's size
const double kPi = std::acos(-1.0);

// The editor window: serves cached looks and takes the focus back after wheel steps.
struct EditorHost : QWidget, TCacheServer, IEditorExtensions
{
    using QWidget::QWidget;
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
    const QRgb shown = TestRig::colourAt(w).rgb();
    int i = frames - 1;
    while (i >= 0 && frameColour(i, frames).rgb() != shown)
        --i;
    return i;
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

// A press, a move with buttons held (none: a hover) or a release.
void mouse(QWidget *w, QEvent::Type type, const QPoint &at, Qt::MouseButtons held = Qt::LeftButton,
           Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    const auto button = type == QEvent::MouseMove ? Qt::NoButton : Qt::MouseButton(int(held));
    QMouseEvent event(type, QPointF(at), QPointF(w->mapToGlobal(at)), button,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : held, modifiers);
    QApplication::sendEvent(w, &event);
}

// A dial on channel 3 of the console, inside an editor window.
struct Rig : TestRig::Console
{
    explicit Rig(const char *address, int frames = 11)
        : Console(kCatalogue, 3, QSize(120, 120))
        , name(address)
    {
        editor = new EditorHost(&host);
        editor->setFocusPolicy(Qt::StrongFocus);
        editor->resize(120, 120);
        dial = add(colouredStrip(frames), frames, 10);
        ok = loaded && dial;
    }
    int stored() { return value(name); }
    void store(int v) { set(name, v); }
    int minimum() { return memory.getMinimum(dial->element(), dial->parameter(), channel); }
    int maximum() { return memory.getMaximum(dial->element(), dial->parameter(), channel); }
    // What a pointer angle (degrees from the top, -135..135) stands for.
    int valueAt(double degrees)
    {
        return minimum()
                + int(std::floor((degrees + 135.0) / 270.0 * (maximum() - minimum()) + 0.5));
    }
    // A dial on the address in the editor window, shown.
    CDial *add(const QPixmap &strip, int frames, int x)
    {
        auto *d = new CDial(editor, "knob");
        d->setCombinedImage(strip);
        d->setnSubImages(frames);
        d->move(x, 10);
        if (!bind(d, name))
            return nullptr;
        d->show();
        return d;
    }

    const char *name;
    EditorHost *editor = nullptr;
    CDial *dial = nullptr;
    bool ok = false;
};

} // namespace

class tst_Dial : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { CDial::setVerticalMode(false); }
    void withoutMemory();
    void panScenario();
    void gainAndDelay();
    void frameChoice();
};

// Unbound: nothing is signalled; the frame helpers and the angle maths.
void tst_Dial::withoutMemory()
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

    QVERIFY(qFuzzyCompare(CDial::CalcVectorAngle(1, 0, 0, 1), kPi / 2));
    // The smaller way round.
    QVERIFY(qFuzzyCompare(CDial::CalcVectorAngle(1, 0, -1, -0.01), kPi - std::atan(0.01)));
    double x = 0, y = 0;
    QVERIFY(CDial::CalcIntersection(0, 0, 10, 10, 0, 10, 10, 0, &x, &y));
    QCOMPARE(x, 5.0);
    QCOMPARE(y, 5.0);
    QVERIFY(!CDial::CalcIntersection(0, 0, 1, 1, 5, 0, 6, -1, &x, &y));
}

// One pan dial through outside changes, resends, clicks, drags, wheel, keys, blocked signals,
// the alternate address texts, a worker's write, the cached picture and the vertical mode.
void tst_Dial::panScenario()
{
    Rig rig(kPan);
    QVERIFY(rig.ok);
    CDial *dial = rig.dial;
    QCOMPARE(dial->size(), QSize(kKnob, kKnob));
    QSignalSpy values(dial, &CDial::memoryAPIValueChange);
    QSignalSpy texts(dial, &CDial::textualValueChange);
    QSignalSpy atMinimum(dial, &CDial::altAddressMode);
    QSignalSpy pressed(dial, &CDial::dialPressed);
    QSignalSpy moved(dial, &CDial::dialMoved);
    QSignalSpy released(dial, &CDial::dialReleased);
    // What the memory holds after a mouse event or a key.
    auto move = [&](const QPoint &at, QEvent::Type type = QEvent::MouseMove) {
        mouse(dial, type, at);
        return rig.stored();
    };
    auto key = [&](Qt::Key k) {
        QTest::keyClick(dial, k);
        return rig.stored();
    };

    // An outside change is signalled with its text; an empty notification with extra 1 resends
    // the unchanged value, its text and the at-minimum state.
    rig.store(17);
    QTRY_COMPARE(dial->value(), 17);
    QCOMPARE(values.last().at(0).toInt(), 17);
    QVERIFY(!texts.last().at(0).toString().isEmpty());
    for (QSignalSpy *spy : {&values, &texts, &atMinimum})
        spy->clear();
    dial->process(nullptr, 0, 1);
    QVERIFY(values.count() == 1 && values.at(0).at(0).toInt() == 17);
    QCOMPARE(texts.count() + atMinimum.count(), 2);

    // A click anywhere moves nothing; a drag from the pointer turns it with the mouse.
    rig.store(rig.valueAt(0));
    rig.memory.writes = 0;
    move(around(100), QEvent::MouseButtonPress);
    move(around(100), QEvent::MouseButtonRelease);
    QCOMPARE(pressed.count() + released.count() + moved.count(), 2);
    QCOMPARE(int(rig.memory.writes), 0);
    move(around(0), QEvent::MouseButtonPress);
    QCOMPARE(move(around(45)), rig.valueAt(45));
    QCOMPARE(pressed.count() + moved.count(), 3);
    QCOMPARE(move(around(90)), rig.valueAt(90));
    QCOMPARE(moved.count(), 1);
    QCOMPARE(moved.at(0).at(0).toInt(), rig.valueAt(90));
    move(around(90), QEvent::MouseButtonRelease);
    QCOMPARE(released.count(), 2);
    QCOMPARE(dial->value(), rig.stored());
    mouse(dial, QEvent::MouseMove, around(30), Qt::NoButton); // no held button: nothing
    QCOMPARE(rig.stored(), rig.valueAt(90));
    // From the top through these angles: the turn the dial follows; only a plain left drag.
    const struct
    {
        const char *name;
        QList<int> angles;
        double turn;
        Qt::KeyboardModifiers modifiers = Qt::NoModifier;
        Qt::MouseButtons button = Qt::LeftButton;
    } drags[] = {{"to the maximum", {40, 80, 120, 160, 200, 240}, 135.0},
                 {"to the minimum", {-40, -80, -120, -160, -200, -240}, -135.0},
                 {"back past the top", {45, 90, 0, -60}, angleOf(around(-60))},
                 {"jump across ignored", {150}, 0.0},
                 {"after a jump", {150, 170}, angleOf(around(170)) - angleOf(around(150))},
                 {"shift", {45, 90}, 0.0, Qt::ShiftModifier},
                 {"control", {45, 90}, 0.0, Qt::ControlModifier},
                 {"right button", {45, 90}, 0.0, Qt::NoModifier, Qt::RightButton}};
    for (const auto &drag : drags) {
        const bool plain = drag.button == Qt::LeftButton && drag.modifiers == Qt::NoModifier;
        rig.store(rig.valueAt(0));
        rig.memory.writes = 0;
        pressed.clear();
        mouse(dial, QEvent::MouseButtonPress, around(0), drag.button, drag.modifiers);
        for (int a : drag.angles)
            mouse(dial, QEvent::MouseMove, around(a), drag.button);
        QVERIFY2(rig.stored() == rig.valueAt(drag.turn), drag.name);
        QVERIFY2(pressed.count() == (plain ? 2 : 0), drag.name);
        QVERIFY2(plain ? qAbs(dial->GetAngle() - drag.turn) < 1e-9 : rig.memory.writes == 0,
                 drag.name);
        mouse(dial, QEvent::MouseButtonRelease, around(drag.angles.last()), drag.button);
    }

    // The wheel steps only inside, and gives the focus back to the editor.
    rig.store(0);
    rig.memory.writes = 0;
    rig.host.activateWindow();
    dial->setFocus();
    TestRig::wheel(dial, 240, QPointF(dial->width() + 3, 5));
    TestRig::wheel(dial, 240, QPointF(5, dial->height() + 2));
    QCOMPARE(int(rig.memory.writes), 0);
    TestRig::wheel(dial, 240, QPointF(5, 5));
    QCOMPARE(rig.stored(), 2);
    TestRig::wheel(dial, -360, QPointF(5, 5));
    QCOMPARE(rig.stored(), -1);
    QTRY_VERIFY(rig.editor->hasFocus());

    // Each key is one write: the memory's echo of it comes back silently.
    rig.store(0);
    rig.memory.writes = 0;
    dial->setFocus();
    key(Qt::Key_Up);
    QCOMPARE(key(Qt::Key_Right), 2);
    TestRig::settle();
    QCOMPARE(int(rig.memory.writes), 2);
    QCOMPARE(key(Qt::Key_Down), 1);
    QCOMPARE(key(Qt::Key_Left), 0);
    QCOMPARE(key(Qt::Key_PageUp), dial->pageStep());
    key(Qt::Key_PageDown);
    QCOMPARE(key(Qt::Key_PageDown), -dial->pageStep());
    rig.store(rig.maximum());
    QCOMPARE(key(Qt::Key_PageUp), rig.maximum());

    // Signals blocked during a key are deferred, not dropped; the write itself is not deferred.
    values.clear();
    dial->blockSignals(true);
    QCOMPARE(key(Qt::Key_Down), rig.maximum() - 1);
    QCOMPARE(dial->value(), rig.maximum() - 1);
    dial->blockSignals(false);
    QCOMPARE(values.count(), 0);
    QTRY_COMPARE(values.count(), 1);
    QCOMPARE(values.at(0).at(0).toInt(), rig.maximum() - 1);

    // The alternate address mode's texts go out with the next notification.
    dial->changeAltAddressMode(true);
    QVERIFY(dial->isAltAddressMode());
    texts.clear();
    dial->process(nullptr, 0, 0);
    QCOMPARE(texts.count(), 1);
    QCOMPARE(texts.last().at(0).toString(), QStringLiteral("ON"));
    rig.store(rig.minimum());
    QTRY_COMPARE(texts.last().at(0).toString(), QStringLiteral("OFF"));
    dial->changeAltAddressMode(false);
    dial->process(nullptr, 0, 0);
    QVERIFY(texts.last().at(0).toString() != QLatin1String("OFF"));

    // A worker's write (and an unchanged value with extra 1) reach the GUI thread only.
    rig.store(0);
    values.clear();
    rig.memory.writes = 0;
    QVERIFY(TestRig::runOnWorker([&rig] {
        rig.set(kPan, -20);
        rig.dial->process(nullptr, 0, 1);
    }));
    QCOMPARE(dial->value(), 0);
    QTRY_COMPARE(dial->value(), -20);
    QTRY_VERIFY(values.count() >= 2);
    QCOMPARE(values.last().at(0).toInt(), -20);
    QCOMPARE(int(rig.memory.writes), 1); // the worker's own

    // Activation does not rebuild the picture, a value change once; an alike dial under the
    // same window takes the picture, another strip does not.
    dial->grab();
    const int rebuilds = dial->pictureRebuildCount();
    QEvent activation(QEvent::ActivationChange);
    QApplication::sendEvent(dial, &activation);
    dial->grab();
    QCOMPARE(dial->pictureRebuildCount(), rebuilds);
    rig.store(-19);
    dial->grab();
    dial->grab();
    QVERIFY(dial->pictureRebuildCount() <= rebuilds + 1);
    CDial *twin = rig.add(dial->combinedImage(), dial->nSubImages(), 60);
    QVERIFY(twin);
    QCOMPARE(twin->value(), -19);
    QCOMPARE(frameShown(twin, 11), frameShown(dial, 11));
    QCOMPARE(twin->pictureRebuildCount(), 0);
    delete twin; // its place in the memory's registry is taken by the next one
    CDial *other = rig.add(colouredStrip(3), 3, 60);
    QVERIFY(other);
    QCOMPARE(frameShown(other, 3), other->currentIndex());

    // Vertical mode drags by distance: one unit per pixel for a range of at most 128.
    CDial::setVerticalMode(true);
    QVERIFY(CDial::verticalMode());
    rig.store(0);
    moved.clear();
    move(QPoint(20, 20), QEvent::MouseButtonPress);
    QCOMPARE(move(QPoint(20, 20)), 0); // the drag starts here
    QCOMPARE(move(QPoint(22, 15)), 7); // up 5, right 2
    QCOMPARE(move(QPoint(18, 25)), -7); // down 10, left 4
    QCOMPARE(move(QPoint(18, 400)), rig.minimum()); // far past the minimum
    QCOMPARE(moved.count(), 3);
    move(QPoint(18, 400), QEvent::MouseButtonRelease);
}

// Typed numbers with and without undo, both defaults, copy and paste, bad pastes; steps of a
// delay at each sample rate.
void tst_Dial::gainAndDelay()
{
    Rig rig(kGain);
    QVERIFY(rig.ok);
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

    // The catalogue's default and alternative default.
    const int standard = -20, other = 10;
    rig.store(other);
    rig.dial->reset2defaults();
    QCOMPARE(rig.stored(), standard);
    rig.store(other);
    rig.dial->reset2AltDefaults();
    QCOMPARE(rig.stored(), 0);

    // Copy writes one record of the shown value; pasting it back restores it.
    rig.store(other);
    const TParamInfo copy = TestRig::copied(*rig.dial);
    QCOMPARE(copy.value, other);
    rig.store(standard);
    TestRig::paste(*rig.dial, {copy});
    QCOMPARE(rig.stored(), other);
    // A record of another parameter, or a truncated one, is not taken.
    rig.store(standard);
    TestRig::paste(*rig.dial, {TestRig::recordFor(*rig.dial, other, rig.dial->parameter() + 1)});
    TestRig::pasteBytes(*rig.dial, TestRig::recordBytes({copy}).left(3));
    QCOMPARE(rig.stored(), standard);

    // A key first rounds the delay (in samples) to whole tenths of a second, then steps.
    Rig delay(kDelay);
    QVERIFY(delay.ok);
    delay.dial->setTableId(-7);
    delay.dial->setPageStep(2);
    const struct
    {
        int rate, start;
        Qt::Key key;
        int tenths;
    } steps[] = {{44100, 0, Qt::Key_Up, 1},
                 {44100, 2 * 4410 + 2204, Qt::Key_Up, 3}, // just below half: down
                 {44100, 4410 + 2206, Qt::Key_Down, 1}, // just above half: up
                 {48000, 4800, Qt::Key_PageUp, 3},
                 {48000, 3 * 4800, Qt::Key_PageDown, 1},
                 {96000, 0, Qt::Key_Right, 1},
                 {96000, 14400, Qt::Key_Left, 1}};
    for (const auto &step : steps) {
        delay.memory.setSampleRate(step.rate);
        delay.store(step.start);
        QCOMPARE(delay.dial->value(), step.start);
        QTest::keyClick(delay.dial, step.key);
        QCOMPARE(delay.stored(), qMin(delay.maximum(), step.tenths * step.rate / 10));
    }
}

// The frame at either end of the range (-1: a grey picture, not a strip frame).
void tst_Dial::frameChoice()
{
    constexpr int last = 10;
    const struct
    {
        bool inverted;
        int disabledIndex;
        bool enabled;
        int atMinimum, atMaximum;
    } rows[] = {{false, -1, true, 0, last},       {true, -1, true, last, 0},
                {false, -1, false, -1, -1}, // no disabled frame: grey
                {false, 0, true, 1, last},        {false, 0, false, 0, 0},
                {false, last, true, 0, last - 1}, {false, last, false, last, last}};
    Rig rig(kPan, 11);
    QVERIFY(rig.ok);
    for (const auto &row : rows) {
        rig.dial->setInverted(row.inverted);
        rig.dial->setdisabledImageIndex(row.disabledIndex);
        rig.dial->setEnabled(row.enabled);
        for (const int expected : {row.atMinimum, row.atMaximum}) {
            rig.store(expected == row.atMinimum ? rig.minimum() : rig.maximum());
            QCOMPARE(frameShown(rig.dial, 11), expected);
            const QColor c = TestRig::colourAt(rig.dial);
            QVERIFY(expected >= 0
                    || (c.red() == c.green() && c.green() == c.blue() && c.alpha() == 255));
        }
    }
}

QTEST_MAIN(tst_Dial)
#include "tst_dial.moc"
