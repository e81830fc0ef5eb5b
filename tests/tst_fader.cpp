// The slider base and the bound fader, driven like a user would against the embedded memory.

#include "CFader.h"
#include "CSlider.h"
#include "TestRig.h"

#include <QPainter>
#include <QProxyStyle>
#include <QSignalSpy>
#include <QStyleOptionSlider>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <memory>

namespace {

const char *const FaderAddress = "FEkInput/kFader";
const char *const PanAddress = "FEkInput/kPan"; // a parameter without a fader law

constexpr int ThumbWidth = 20;
constexpr int ThumbHeight = 30;
constexpr int FaderHeight = 150;
const QColor ThumbColour(220, 40, 40);
const QColor DisabledThumbColour(90, 90, 90);
const QColor GrooveColour(30, 60, 200);

// Counts the writes widgets make, and can pretend to have no fader law.
class TestMemory : public TestRig::CountingMemory
{
public:
    int faderValueFromPosition(int *n, int e, int p, int x) override
    {
        return lawFails ? 1 : TParamMemory::faderValueFromPosition(n, e, p, x);
    }
    int faderPositionFromValue(int *n, int e, int p, int x) override
    {
        return lawFails ? 1 : TParamMemory::faderPositionFromValue(n, e, p, x);
    }

    bool lawFails = false;
};

// The slider base with the range's own direction and no binding.
class PlainSlider : public CSlider
{
public:
    using CSlider::CSlider;
    int applyFlipedTransformation(int value, int, int) const override { return value; }
    int tableId() const override { return 0; }
};

// A style that lets a drag wander only a little beyond the slider.
class ShortDragStyle : public QProxyStyle
{
public:
    static constexpr int Distance = 10;
    int pixelMetric(PixelMetric metric, const QStyleOption *option,
                    const QWidget *widget) const override
    {
        if (metric == PM_MaximumDragDistance)
            return Distance;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

QPixmap thumbStrip(int frames)
{
    QPixmap strip(ThumbWidth, ThumbHeight * frames);
    strip.fill(DisabledThumbColour);
    QPainter p(&strip);
    p.fillRect(0, 0, ThumbWidth, ThumbHeight, ThumbColour);
    return strip;
}

QPixmap groove()
{
    QPixmap pm(ThumbWidth, FaderHeight);
    pm.fill(GrooveColour);
    return pm;
}

QPoint handleCentre(const CSlider *s)
{
    return s->sliderRect().center();
}

} // namespace

class tst_Fader : public QObject
{
    Q_OBJECT

private:
    // A shown fader with a 20x30 thumb over a 20x150 groove (120 pixels of travel), bound to
    // the channel level of channel when a memory is given.
    std::unique_ptr<CFader> makeFader(TestMemory *memory, int channel,
                                      const char *address = FaderAddress, bool flip = true)
    {
        auto fader = std::make_unique<CFader>(nullptr, "fader");
        fader->setThumbImage(thumbStrip(2));
        fader->setnSubImages(2);
        fader->setPixmap(groove());
        fader->setFlipValues(flip);
        fader->setFixedSize(ThumbWidth, FaderHeight);
        if (memory) {
            fader->setNamedAddress(QString::fromLatin1(address));
            const int attached = memory->connectProxy(fader.get(), channel);
            if (attached != 0)
                return nullptr;
        }
        fader->show();
        if (!QTest::qWaitForWindowExposed(fader.get()))
            return nullptr;
        return fader;
    }

    // Moves the handle of a pressed slider so that it lands at position.
    static void dragTo(CSlider *s, const QPoint &pressedAt, int pressedPosition, int position)
    {
        const int offset = pressedAt.y() - pressedPosition;
        QTest::mouseMove(s, QPoint(pressedAt.x(), position + offset));
    }

private Q_SLOTS:
    void pressesChangeNothing_data();
    void pressesChangeNothing();
    void unboundSliderPagesAndRepeats();
    void unboundSliderSnapsBackBoundFaderDoesNot();
    void dragWritesTheLawValue();
    void wheelRemainderBelongsToOneSlider();
    void homeAndEndFollowHorDir_data();
    void homeAndEndFollowHorDir();
    void flippedLinearLawAtBothEnds();
    void lawFailureFallsBackToLinear();
    void textFollowsFiftyMsLaterWhileBlocked();
    void acceptNumWritesWithUndo();
    void defaultsCopyAndPaste();
    void moveRepaintsThumbOverCachedBackground();
    void userDragAndConsoleThreadBothShow();
};

void tst_Fader::pressesChangeNothing_data()
{
    QTest::addColumn<QString>("gesture");
    QTest::addColumn<QPoint>("at"); // (-1, -1): the handle's centre
    const QPoint handle(-1, -1), top(5, 1), bottom(5, FaderHeight - 1);
    for (const char *gesture : {"right press", "left click", "double click"}) {
        for (const auto &[where, at] :
             {std::pair {"handle", handle}, std::pair {"top", top}, std::pair {"bottom", bottom}}) {
            // A bound fader does not page: a left click beside the handle does nothing.
            if (qstrcmp(gesture, "left click") != 0 || at != handle)
                QTest::addRow("%s at the %s", gesture, where) << QString::fromLatin1(gesture) << at;
        }
    }
}

// A right press, a click beside the handle or a double click (what a user's double click
// delivers: press, release, double click, release) leave the value, the memory and the handle.
void tst_Fader::pressesChangeNothing()
{
    QFETCH(QString, gesture);
    QFETCH(QPoint, at);
    TestMemory memory;
    auto fader = makeFader(&memory, 2);
    QVERIFY(fader);
    // A value that shares its pixel with others: reading it back from the pixel would move it.
    TestRig::writeFor(memory, *fader, 611);
    QCOMPARE(fader->value(), 611);
    const int changes = memory.changes;
    const QRect handle = fader->sliderRect();
    QVERIFY(handle.top() > 2 && handle.bottom() < FaderHeight - 2);
    if (at.x() < 0)
        at = handle.center();
    TestRig::AllSignals signalsSeen(fader.get());
    QSignalSpy values(fader.get(), &CSlider::valueChanged);

    if (gesture == QLatin1String("right press")) {
        QTest::mousePress(fader.get(), Qt::RightButton, {}, at);
        QCOMPARE(fader->state(), CSlider::Idle);
        QCOMPARE(signalsSeen.total(), 0);
        QTest::mouseRelease(fader.get(), Qt::RightButton, {}, at);
    } else {
        QTest::mousePress(fader.get(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(fader.get(), Qt::LeftButton, {}, at);
        if (gesture == QLatin1String("double click")) {
            QTest::mouseDClick(fader.get(), Qt::LeftButton, {}, at);
            QTest::mouseRelease(fader.get(), Qt::LeftButton, {}, at);
        }
    }
    QCOMPARE(fader->value(), 611);
    QCOMPARE(TestRig::storedFor(memory, *fader), 611);
    QCOMPARE(int(memory.changes), changes);
    QCOMPARE(fader->state(), CSlider::Idle);
    QCOMPARE(fader->sliderRect(), handle);
    for (const QList<QVariant> &signal : std::as_const(values))
        QCOMPARE(signal.at(0).toInt(), 611);
    const QTimer *repeat = fader->findChild<QTimer *>();
    QVERIFY(!repeat || !repeat->isActive());
}

void tst_Fader::unboundSliderPagesAndRepeats()
{
    PlainSlider slider(0, 99, 10, 50, Qt::Vertical);
    slider.resize(30, 200);
    slider.show();
    QVERIFY(QTest::qWaitForWindowExposed(&slider));
    const QRect handle = slider.sliderRect();
    QVERIFY(handle.bottom() < 190);
    // A right press neither pages nor starts the repeat.
    QTest::mousePress(&slider, Qt::RightButton, {}, QPoint(10, 2));
    QCOMPARE(slider.value(), 50);
    QVERIFY(!slider.findChild<QTimer *>());

    // Below the handle of a vertical slider (minimum on top) is towards the maximum.
    QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(10, 195));
    QCOMPARE(slider.state(), CSlider::TimingUp);
    QCOMPARE(slider.value(), 50 + slider.pageStep());
    QTimer *repeat = slider.findChild<QTimer *>();
    QVERIFY(repeat);
    QVERIFY(repeat->isActive());
    QVERIFY(repeat->isSingleShot());
    QCOMPARE(repeat->interval(), 300);

    // The first repeat, then every 100 ms.
    QTRY_COMPARE_WITH_TIMEOUT(slider.value(), 50 + 2 * slider.pageStep(), 2000);
    QVERIFY(repeat->isActive());
    QVERIFY(!repeat->isSingleShot());
    QCOMPARE(repeat->interval(), 100);
    QTRY_COMPARE_WITH_TIMEOUT(slider.value(), 50 + 3 * slider.pageStep(), 2000);

    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(10, 195));
    QCOMPARE(slider.state(), CSlider::Idle);
    QVERIFY(!repeat->isActive());
    const int released = slider.value();

    // Above the handle pages down; the same timer is reused, counting the other way.
    QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(10, 1));
    QCOMPARE(slider.state(), CSlider::TimingDown);
    QCOMPARE(slider.value(), released - slider.pageStep());
    QCOMPARE(slider.findChildren<QTimer *>().size(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(slider.value(), released - 2 * slider.pageStep(), 2000);
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(10, 1));
    QVERIFY(!repeat->isActive());
}

void tst_Fader::unboundSliderSnapsBackBoundFaderDoesNot()
{
    ShortDragStyle style;
    const int far = 10 * ShortDragStyle::Distance;

    PlainSlider slider(0, 99, 10, 50, Qt::Vertical);
    slider.setStyle(&style);
    slider.resize(30, 200);
    slider.show();
    QVERIFY(QTest::qWaitForWindowExposed(&slider));
    QPoint at = handleCentre(&slider);
    int pressedPosition = slider.sliderPosition();
    QTest::mousePress(&slider, Qt::LeftButton, {}, at);
    QCOMPARE(slider.state(), CSlider::Dragging);
    dragTo(&slider, at, pressedPosition, 0);
    QCOMPARE(slider.value(), slider.minValue());
    // Far to the side: the handle and the value go back to where the press found them.
    QTest::mouseMove(&slider, QPoint(slider.width() + far, 5));
    QCOMPARE(slider.value(), 50);
    QCOMPARE(slider.sliderPosition(), slider.positionFromValue(50));
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(slider.width() + far, 5));
    QCOMPARE(slider.value(), 50);

    TestMemory memory;
    auto fader = makeFader(&memory, 1);
    QVERIFY(fader);
    fader->setStyle(&style);
    TestRig::writeFor(memory, *fader.get(), 300);
    at = handleCentre(fader.get());
    pressedPosition = fader->sliderPosition();
    QTest::mousePress(fader.get(), Qt::LeftButton, {}, at);
    // Far to the side, level with the top: the bound fader follows the pointer along its axis.
    QTest::mouseMove(fader.get(), QPoint(fader->width() + far, at.y() - pressedPosition));
    QCOMPARE(fader->sliderPosition(), 0);
    QCOMPARE(fader->value(), fader->maxValue());
    QCOMPARE(TestRig::storedFor(memory, *fader), fader->maxValue());
    QTest::mouseRelease(fader.get(), Qt::LeftButton, {},
                        QPoint(fader->width() + far, at.y() - pressedPosition));
    QCOMPARE(TestRig::storedFor(memory, *fader), fader->maxValue());
}

void tst_Fader::dragWritesTheLawValue()
{
    TestMemory memory;
    auto fader = makeFader(&memory, 3);
    QVERIFY(fader);
    const int a = fader->available();
    QCOMPARE(a, FaderHeight - ThumbHeight);
    QCOMPARE(fader->sliderPosition(), a); // minimum at the bottom

    const QPoint at = handleCentre(fader.get());
    QSignalSpy moved(fader.get(), &CSlider::sliderMoved);
    QSignalSpy begin(fader.get(), &CSlider::alternativeDisplayBegin);
    QSignalSpy end(fader.get(), &CSlider::alternativeDisplayEnd);
    QTest::mousePress(fader.get(), Qt::LeftButton, {}, at);
    QCOMPARE(begin.count(), 1);
    QCOMPARE(fader->state(), CSlider::Dragging);
    for (int position : {a - 10, a / 2, 7, 0}) {
        dragTo(fader.get(), at, a, position);
        QCOMPARE(fader->sliderPosition(), position);
        // The memory's law over the travel, counted from the bottom.
        int n = a; // travel in pixels: positions 0..a
        QCOMPARE(memory.faderValueFromPosition(&n, fader->element(), fader->parameter(),
                                               a - position),
                 0);
        QCOMPARE(TestRig::storedFor(memory, *fader), n);
        QCOMPARE(fader->value(), n);
    }
    QTest::mouseRelease(fader.get(), Qt::LeftButton, {}, QPoint(at.x(), 0));
    QCOMPARE(TestRig::storedFor(memory, *fader), fader->maxValue());
    QCOMPARE(moved.count(), 4);
    QCOMPARE(end.count(), 1);
    QCOMPARE(fader->state(), CSlider::Idle);
}

void tst_Fader::wheelRemainderBelongsToOneSlider()
{
    TestMemory memory;
    auto a = makeFader(&memory, 4);
    auto b = makeFader(&memory, 5);
    QVERIFY(a && b);
    TestRig::writeFor(memory, *a.get(), 400);
    TestRig::writeFor(memory, *b.get(), 400);
    // A notch is max(line, page) = 10 values; a twentieth of a notch is half a value.
    const int halfStep = 120 / (2 * qMax(a->lineStep(), a->pageStep()));

    TestRig::wheel(a.get(), halfStep);
    QCOMPARE(TestRig::storedFor(memory, *a), 400);
    TestRig::wheel(a.get(), halfStep);
    // Wheel up raises the level of a fader whose maximum is on top.
    QCOMPARE(TestRig::storedFor(memory, *a), 401);
    QCOMPARE(a->value(), 401);

    // Half a step on a, half on b, half on a: each slider change drops the remainder.
    TestRig::wheel(a.get(), halfStep);
    TestRig::wheel(b.get(), halfStep);
    TestRig::wheel(a.get(), halfStep);
    QCOMPARE(TestRig::storedFor(memory, *a), 401);
    QCOMPARE(TestRig::storedFor(memory, *b), 400);
    TestRig::wheel(a.get(), halfStep);
    QCOMPARE(TestRig::storedFor(memory, *a), 402);

    // A whole notch down with horDir set turns the direction round.
    b->setHorDir(true);
    TestRig::wheel(b.get(), -120);
    QCOMPARE(TestRig::storedFor(memory, *b), 400 + qMax(b->lineStep(), b->pageStep()));
}

void tst_Fader::homeAndEndFollowHorDir_data()
{
    QTest::addColumn<bool>("horDir");
    QTest::addColumn<bool>("homeIsMaximum");
    QTest::newRow("horDir off") << false << true;
    QTest::newRow("horDir on") << true << false;
}

void tst_Fader::homeAndEndFollowHorDir()
{
    QFETCH(bool, horDir);
    QFETCH(bool, homeIsMaximum);
    TestMemory memory;
    auto fader = makeFader(&memory, 6);
    QVERIFY(fader);
    fader->setHorDir(horDir);
    TestRig::writeFor(memory, *fader.get(), 500);
    const int top = fader->maxValue(), bottom = fader->minValue();

    QTest::keyClick(fader.get(), Qt::Key_Home);
    QCOMPARE(TestRig::storedFor(memory, *fader), homeIsMaximum ? top : bottom);
    QCOMPARE(fader->state(), CSlider::Idle);
    QTest::keyClick(fader.get(), Qt::Key_End);
    QCOMPARE(TestRig::storedFor(memory, *fader), homeIsMaximum ? bottom : top);

    TestRig::writeFor(memory, *fader.get(), 500);
    QTest::keyClick(fader.get(), Qt::Key_Up);
    QCOMPARE(TestRig::storedFor(memory, *fader), 500 + fader->lineStep());
    QTest::keyClick(fader.get(), Qt::Key_PageDown);
    QCOMPARE(TestRig::storedFor(memory, *fader), 500 + fader->lineStep() - fader->pageStep());
}

void tst_Fader::flippedLinearLawAtBothEnds()
{
    auto fader = makeFader(nullptr, 0);
    QVERIFY(fader);
    const int a = fader->available();
    QCOMPARE(a, FaderHeight - ThumbHeight);

    fader->setValue(0);
    QCOMPARE(fader->sliderPosition(), a);
    QCOMPARE(fader->sliderRect(), QRect(0, a, ThumbWidth, ThumbHeight));
    fader->setValue(1023);
    QCOMPARE(fader->sliderPosition(), 0);
    QCOMPARE(fader->valueFromPosition(0), 1023);
    QCOMPARE(fader->valueFromPosition(a), 0);
    // The picture shows it: thumb on top, groove at the bottom.
    QImage shot = fader->grab().toImage();
    QCOMPARE(shot.pixelColor(ThumbWidth / 2, 2), ThumbColour);
    QCOMPARE(shot.pixelColor(ThumbWidth / 2, FaderHeight - 2), GrooveColour);

    fader->setFlipValues(false);
    QCOMPARE(fader->sliderPosition(), a);
    fader->setValue(0);
    QCOMPARE(fader->sliderPosition(), 0);
    QCOMPARE(fader->valueFromPosition(a), 1023);
    shot = fader->grab().toImage();
    QCOMPARE(shot.pixelColor(ThumbWidth / 2, 2), ThumbColour);

    // Ranges below one and around zero flip too.
    fader->setFlipValues(true);
    QCOMPARE(fader->applyFlipedTransformation(-100, -100, 0), 0);
    QCOMPARE(fader->applyFlipedTransformation(0, -100, 0), -100);
    fader->setRange(-63, 63);
    fader->setValue(-63);
    QCOMPARE(fader->sliderPosition(), a);
    fader->setValue(63);
    QCOMPARE(fader->sliderPosition(), 0);

    // A disabled fader shows the last frame.
    fader->setEnabled(false);
    shot = fader->grab().toImage();
    QCOMPARE(shot.pixelColor(ThumbWidth / 2, 2), DisabledThumbColour);
}

void tst_Fader::lawFailureFallsBackToLinear()
{
    TestMemory lawful;
    auto withLaw = makeFader(&lawful, 7);
    TestMemory failing;
    failing.lawFails = true;
    auto linear = makeFader(&failing, 7);
    QVERIFY(withLaw && linear);
    const int a = linear->available();

    for (int v : {0, 223, 823, 1023}) {
        TestRig::writeFor(lawful, *withLaw.get(), v);
        TestRig::writeFor(failing, *linear.get(), v);
        QCOMPARE(linear->sliderPosition(),
                 QStyle::sliderPositionFromValue(0, 1023, 1023 - v, a, false));
    }
    // The two laws differ in the middle, so the fallback is really in use.
    TestRig::writeFor(lawful, *withLaw.get(), 823);
    TestRig::writeFor(failing, *linear.get(), 823);
    QVERIFY(withLaw->sliderPosition() != linear->sliderPosition());

    // A drag writes the linear value.
    const QPoint at = handleCentre(linear.get());
    const int pressedPosition = linear->sliderPosition();
    QTest::mousePress(linear.get(), Qt::LeftButton, {}, at);
    dragTo(linear.get(), at, pressedPosition, a / 2);
    QTest::mouseRelease(linear.get(), Qt::LeftButton, {}, at);
    QCOMPARE(TestRig::storedFor(failing, *linear),
             1023 - QStyle::sliderValueFromPosition(0, 1023, a / 2, a, false));

    // A parameter without a law uses its own range, flipped.
    TestMemory memory;
    auto pan = makeFader(&memory, 0, PanAddress);
    QVERIFY(pan);
    TestRig::writeFor(memory, *pan.get(), memory.getMinimum(pan->element(), pan->parameter(), 0));
    QCOMPARE(pan->sliderPosition(), a);
    TestRig::writeFor(memory, *pan.get(), memory.getMaximum(pan->element(), pan->parameter(), 0));
    QCOMPARE(pan->sliderPosition(), 0);
}

void tst_Fader::textFollowsFiftyMsLaterWhileBlocked()
{
    TestMemory memory;
    auto fader = makeFader(&memory, 9);
    QVERIFY(fader);
    QSignalSpy texts(fader.get(), &CFader::textualValueChange);

    TestRig::writeFor(memory, *fader.get(), 700);
    QCOMPARE(texts.count(), 1);

    fader->blockSignals(true);
    TestRig::writeFor(memory, *fader.get(), 823);
    TestRig::writeFor(memory, *fader.get(), 900);
    fader->blockSignals(false);
    QCOMPARE(fader->value(), 900);
    QCOMPARE(texts.count(), 1);
    QTimer *pending = nullptr;
    for (QTimer *t : fader->findChildren<QTimer *>()) {
        if (t->isActive())
            pending = t;
    }
    QVERIFY(pending);
    QCOMPARE(pending->interval(), 50);
    QVERIFY(pending->isSingleShot());

    QVERIFY(texts.wait(1000));
    QCOMPARE(texts.count(), 2);
    QString expected;
    memory.valueToText(fader->channel(), fader->tableId(), &expected, nullptr, 900, 0);
    QCOMPARE(texts.last().at(0).toString(), expected);
    QVERIFY(!expected.isEmpty());

    // Still blocked when the timer fires: nothing goes out.
    fader->blockSignals(true);
    TestRig::writeFor(memory, *fader.get(), 100);
    QTest::qWait(120);
    fader->blockSignals(false);
    QCOMPARE(texts.count(), 2);
}

void tst_Fader::acceptNumWritesWithUndo()
{
    TestMemory memory;
    auto fader = makeFader(&memory, 10);
    QVERIFY(fader);
    TestRig::writeFor(memory, *fader.get(), 300);
    memory.clearUndo();

    fader->acceptNum(-10.0);
    const int typed = memory.valueFromNumber(fader->tableId(), -10.0f);
    QVERIFY(typed != 300);
    QCOMPARE(TestRig::storedFor(memory, *fader), typed);
    QCOMPARE(fader->value(), typed);
    QVERIFY(memory.canUndo());
    QVERIFY(memory.undo());
    QCOMPARE(TestRig::storedFor(memory, *fader), 300);
    QCOMPARE(fader->value(), 300);

    fader->setUndoEnable(false);
    memory.clearUndo();
    fader->acceptNum(0.0);
    QCOMPARE(TestRig::storedFor(memory, *fader), memory.valueFromNumber(fader->tableId(), 0.0f));
    QVERIFY(!memory.canUndo());

    // Without a memory a typed number changes nothing.
    auto unbound = makeFader(nullptr, 0);
    QVERIFY(unbound);
    unbound->setValue(12);
    unbound->acceptNum(-10.0);
    QCOMPARE(unbound->value(), 12);
}

void tst_Fader::defaultsCopyAndPaste()
{
    TestMemory memory;
    auto fader = makeFader(&memory, 12);
    QVERIFY(fader);
    const int e = fader->element(), p = fader->parameter(), c = fader->channel();
    TestRig::writeFor(memory, *fader.get(), 100);

    fader->reset2defaults();
    QCOMPARE(TestRig::storedFor(memory, *fader), memory.getValueEx(e, p, c, false));
    int unavailable = 0;
    const int alternative = memory.getValueEx(e, p, c, true, &unavailable);
    QCOMPARE(unavailable, 0);
    fader->reset2AltDefaults();
    QCOMPARE(TestRig::storedFor(memory, *fader), alternative);
    QCOMPARE(fader->value(), alternative);

    QByteArray buffer;
    {
        QDataStream out(&buffer, QIODevice::WriteOnly);
        fader->copyParameters(&out);
    }
    TestRig::writeFor(memory, *fader.get(), 5);
    QDataStream in(buffer);
    fader->pasteParameters(&in);
    QCOMPARE(TestRig::storedFor(memory, *fader), alternative);

    // A truncated record pastes nothing.
    TestRig::writeFor(memory, *fader.get(), 5);
    QDataStream truncated(buffer.left(3));
    fader->pasteParameters(&truncated);
    QCOMPARE(TestRig::storedFor(memory, *fader), 5);
}

void tst_Fader::moveRepaintsThumbOverCachedBackground()
{
    TestMemory memory;
    auto fader = makeFader(&memory, 13);
    QVERIFY(fader);
    QTRY_VERIFY(fader->backgroundRebuildCount() > 0);
    const int rebuilds = fader->backgroundRebuildCount();

    const int a = fader->available();
    const QPoint at = handleCentre(fader.get());
    QTest::mousePress(fader.get(), Qt::LeftButton, {}, at);
    for (int position = a; position >= 0; position -= 5)
        dragTo(fader.get(), at, a, position);
    QTest::mouseRelease(fader.get(), Qt::LeftButton, {}, QPoint(at.x(), at.y() - a));
    TestRig::writeFor(memory, *fader.get(), 300);
    QCoreApplication::processEvents();

    QCOMPARE(fader->backgroundRebuildCount(), rebuilds);
    const QImage shot = fader->grab().toImage();
    const QRect thumb = fader->sliderRect();
    QCOMPARE(shot.pixelColor(thumb.center()), ThumbColour);
    QCOMPARE(shot.pixelColor(ThumbWidth / 2, thumb.top() - 2), GrooveColour);
    QCOMPARE(shot.pixelColor(ThumbWidth / 2, 1), GrooveColour);

    // A new background picture is built once.
    fader->setPixmap(groove());
    fader->grab();
    QCOMPARE(fader->backgroundRebuildCount(), rebuilds + 1);
}

void tst_Fader::userDragAndConsoleThreadBothShow()
{
    TestMemory memory;
    auto user = makeFader(&memory, 14);
    auto console = makeFader(&memory, 15);
    QVERIFY(user && console);
    const int e = console->element(), p = console->parameter(), c = console->channel();

    std::atomic<bool> stop {false};
    std::atomic<int> last {0};
    std::unique_ptr<QThread> worker(QThread::create([&] {
        for (int v = 1; !stop; v = v % 1000 + 1) {
            memory.setValue(e, p, c, v, memory.sourceId(0) + 1);
            last = v;
            QThread::usleep(200);
        }
    }));
    worker->start();

    const int a = user->available();
    const QPoint at = handleCentre(user.get());
    QTest::mousePress(user.get(), Qt::LeftButton, {}, at);
    for (int position = a; position >= a / 3; --position) {
        dragTo(user.get(), at, a, position);
        QCoreApplication::processEvents();
    }
    QTest::mouseRelease(user.get(), Qt::LeftButton, {}, at);
    stop = true;
    worker->wait();

    QTRY_COMPARE(console->value(), int(last));
    QCOMPARE(console->sliderPosition(), console->positionFromValue(last));
    QCOMPARE(user->sliderPosition(), a / 3);
    QCOMPARE(TestRig::storedFor(memory, *user), user->value());
    QCOMPARE(user->value(), user->valueFromPosition(a / 3));
}

QTEST_MAIN(tst_Fader)
#include "tst_fader.moc"
