// The slider base and the bound fader, driven like a user would against the embedded memory.

#include "CFader.h"
#include "CSlider.h"
#include "TestRig.h"

#include <QProxyStyle>
#include <QTimer>

namespace {

// A level with the memory's fader law, and one without a law (the fader falls back to its
// range, flipped).
const char kCatalogue[] = R"({"name": "Fader test", "textTables": {"5": {"kind": "fader"}},
 "sections": [{"key": "kInput", "element": 1, "channels": 4, "params": [
  {"key": "kFader", "id": 1, "min": 0, "max": 1023, "default": 0, "alt": 823, "text": 5,
   "law": "fader"},
  {"key": "kLinear", "id": 2, "min": 0, "max": 1023, "default": 0}]}]})";
const char *const kFader = "FEkInput/kFader";
const char *const kLinear = "FEkInput/kLinear";

constexpr int ThumbWidth = 20;
constexpr int ThumbHeight = 30;
constexpr int FaderHeight = 150;
const QColor ThumbColour(220, 40, 40);
const QColor DisabledThumbColour(90, 90, 90);
const QColor GrooveColour(30, 60, 200);

// The slider base with the range's own direction and no binding.
struct PlainSlider : CSlider
{
    using CSlider::CSlider;
    int applyFlipedTransformation(int value, int, int) const override { return value; }
    int tableId() const override { return 0; }
};

// A style that lets a drag wander only 10 pixels beyond the slider.
struct ShortDragStyle : QProxyStyle
{
    int pixelMetric(PixelMetric m, const QStyleOption *option, const QWidget *w) const override
    {
        return m == PM_MaximumDragDistance ? 10 : QProxyStyle::pixelMetric(m, option, w);
    }
};

QPixmap groove()
{
    QPixmap pm(ThumbWidth, FaderHeight);
    pm.fill(GrooveColour);
    return pm;
}

// A 20x30 thumb (its second frame the disabled one) over a 20x150 groove: 120 pixels of travel.
CFader *styled(CFader *fader)
{
    QPixmap strip = TestRig::frameStrip(QSize(ThumbWidth, ThumbHeight), 1, 2, [](int, int row) {
        return row == 0 ? ThumbColour : DisabledThumbColour;
    });
    fader->setThumbImage(strip);
    fader->setnSubImages(2);
    fader->setPixmap(groove());
    fader->setFlipValues(true);
    fader->setFixedSize(ThumbWidth, FaderHeight);
    return fader;
}

// A styled fader in the console's window, bound to address and shown.
CFader *addFader(TestRig::Console &rig, const char *address = kFader)
{
    CFader *fader = styled(new CFader(&rig.host, "fader"));
    fader->show();
    return rig.bind(fader, address) ? fader : nullptr;
}

// Moves the handle of a pressed slider so that it lands at position.
void dragTo(CSlider *s, const QPoint &pressedAt, int pressedPosition, int position)
{
    QTest::mouseMove(s, QPoint(pressedAt.x(), position + pressedAt.y() - pressedPosition));
}

} // namespace

class tst_Fader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void withoutMemory();
    void pressesChangeNothing_data();
    void pressesChangeNothing();
    void faderScenario();
};

// Unbound: the slider base pages with a repeat and snaps back from a drag too far aside; the
// flipped linear fader at both ends and in pixels; typed numbers change nothing.
void tst_Fader::withoutMemory()
{
    PlainSlider slider(0, 99, 10, 50, Qt::Vertical);
    ShortDragStyle style;
    slider.setStyle(&style);
    slider.resize(30, 200);
    slider.show();
    QVERIFY(QTest::qWaitForWindowExposed(&slider));
    QVERIFY(slider.sliderRect().bottom() < 190);
    // A right press neither pages nor starts the repeat.
    QTest::mousePress(&slider, Qt::RightButton, {}, QPoint(10, 2));
    QCOMPARE(slider.value(), 50);
    QVERIFY(!slider.findChild<QTimer *>());
    // Below the handle of a vertical slider (minimum on top) is towards the maximum.
    QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(10, 195));
    QCOMPARE(slider.state(), CSlider::TimingUp);
    QCOMPARE(slider.value(), 50 + slider.pageStep());
    QTimer *repeat = slider.findChild<QTimer *>();
    QVERIFY(repeat && repeat->isActive() && repeat->isSingleShot());
    QCOMPARE(repeat->interval(), 300);
    // The first repeat, then every 100 ms.
    QTRY_COMPARE_WITH_TIMEOUT(slider.value(), 50 + 2 * slider.pageStep(), 2000);
    QVERIFY(repeat->isActive() && !repeat->isSingleShot());
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

    // A drag far to the side: the handle and the value go back to where the press found them.
    slider.setValue(50);
    const QPoint at = slider.sliderRect().center();
    QTest::mousePress(&slider, Qt::LeftButton, {}, at);
    QCOMPARE(slider.state(), CSlider::Dragging);
    dragTo(&slider, at, slider.positionFromValue(50), 0);
    QCOMPARE(slider.value(), slider.minValue());
    const QPoint far(slider.width() + 100, 5);
    QTest::mouseMove(&slider, far);
    QCOMPARE(slider.value(), 50);
    QCOMPARE(slider.sliderPosition(), slider.positionFromValue(50));
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, far);
    QCOMPARE(slider.value(), 50);

    CFader fader;
    styled(&fader)->show();
    QVERIFY(QTest::qWaitForWindowExposed(&fader));
    const int a = fader.available();
    QCOMPARE(a, FaderHeight - ThumbHeight);
    fader.setValue(0);
    QCOMPARE(fader.sliderPosition(), a);
    QCOMPARE(fader.sliderRect(), QRect(0, a, ThumbWidth, ThumbHeight));
    fader.setValue(1023);
    QCOMPARE(fader.sliderPosition(), 0);
    QCOMPARE(fader.valueFromPosition(0), 1023);
    QCOMPARE(fader.valueFromPosition(a), 0);
    // The picture shows it: thumb on top, groove at the bottom.
    QImage shot = fader.grab().toImage();
    QCOMPARE(shot.pixelColor(ThumbWidth / 2, 2), ThumbColour);
    QCOMPARE(shot.pixelColor(ThumbWidth / 2, FaderHeight - 2), GrooveColour);
    fader.setFlipValues(false);
    QCOMPARE(fader.sliderPosition(), a);
    fader.setValue(0);
    QCOMPARE(fader.sliderPosition(), 0);
    QCOMPARE(fader.valueFromPosition(a), 1023);
    QCOMPARE(fader.grab().toImage().pixelColor(ThumbWidth / 2, 2), ThumbColour);
    // Ranges below one and around zero flip too.
    fader.setFlipValues(true);
    QCOMPARE(fader.applyFlipedTransformation(-100, -100, 0), 0);
    QCOMPARE(fader.applyFlipedTransformation(0, -100, 0), -100);
    fader.setRange(-63, 63);
    fader.setValue(-63);
    QCOMPARE(fader.sliderPosition(), a);
    fader.setValue(63);
    QCOMPARE(fader.sliderPosition(), 0);
    fader.setValue(12);
    fader.acceptNum(-10.0);
    QCOMPARE(fader.value(), 12);
    // A disabled fader shows the last frame.
    fader.setEnabled(false);
    QCOMPARE(fader.grab().toImage().pixelColor(fader.sliderRect().center()), DisabledThumbColour);
}

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
    TestRig::Console rig(kCatalogue, 2);
    CFader *fader = addFader(rig);
    QVERIFY(rig.loaded && fader);
    // A value that shares its pixel with others: reading it back from the pixel would move it.
    rig.set(kFader, 611);
    const int changes = rig.memory.changes;
    const QRect handle = fader->sliderRect();
    QVERIFY(handle.top() > 2 && handle.bottom() < FaderHeight - 2);
    if (at.x() < 0)
        at = handle.center();
    TestRig::AllSignals signalsSeen(fader);
    QSignalSpy values(fader, &CSlider::valueChanged);
    const bool right = gesture == QLatin1String("right press");
    QTest::mousePress(fader, right ? Qt::RightButton : Qt::LeftButton, {}, at);
    QVERIFY(!right || (fader->state() == CSlider::Idle && signalsSeen.total() == 0));
    QTest::mouseRelease(fader, right ? Qt::RightButton : Qt::LeftButton, {}, at);
    if (gesture == QLatin1String("double click")) {
        QTest::mouseDClick(fader, Qt::LeftButton, {}, at);
        QTest::mouseRelease(fader, Qt::LeftButton, {}, at);
    }
    QCOMPARE(fader->value(), 611);
    QCOMPARE(rig.value(kFader), 611);
    QCOMPARE(int(rig.memory.changes), changes);
    QCOMPARE(fader->state(), CSlider::Idle);
    QCOMPARE(fader->sliderRect(), handle);
    for (const QList<QVariant> &signal : std::as_const(values))
        QCOMPARE(signal.at(0).toInt(), 611);
    const QTimer *repeat = fader->findChild<QTimer *>();
    QVERIFY(!repeat || !repeat->isActive());
}

// A fader with the law and one without, through drags, keys, wheel, typed numbers, defaults,
// copy and paste, delayed texts, repaints and a console thread's writes.
void tst_Fader::faderScenario()
{
    TestRig::Console rig(kCatalogue, 3);
    CFader *fader = addFader(rig);
    CFader *linear = addFader(rig, kLinear);
    QVERIFY(rig.loaded && fader && linear);
    const int a = fader->available();
    QCOMPARE(fader->sliderPosition(), a); // minimum at the bottom
    const int top = 1023, bottom = 0; // the catalogue's range

    // A drag writes the memory's law over the travel, counted from the bottom.
    QSignalSpy moved(fader, &CSlider::sliderMoved);
    QSignalSpy begin(fader, &CSlider::alternativeDisplayBegin);
    QSignalSpy end(fader, &CSlider::alternativeDisplayEnd);
    QPoint at = fader->sliderRect().center();
    QTest::mousePress(fader, Qt::LeftButton, {}, at);
    QCOMPARE(begin.count(), 1);
    QCOMPARE(fader->state(), CSlider::Dragging);
    for (int position : {a - 10, a / 2, 7, 0}) {
        dragTo(fader, at, a, position);
        QCOMPARE(fader->sliderPosition(), position);
        int n = a; // travel in pixels: positions 0..a
        QCOMPARE(rig.memory.faderValueFromPosition(&n, fader->element(), fader->parameter(),
                                                   a - position),
                 0);
        QCOMPARE(rig.value(kFader), n);
        QCOMPARE(fader->value(), n);
    }
    QTest::mouseRelease(fader, Qt::LeftButton, {}, QPoint(at.x(), 0));
    QCOMPARE(rig.value(kFader), top);
    QVERIFY(moved.count() == 4 && end.count() == 1);
    QCOMPARE(fader->state(), CSlider::Idle);

    // Far to the side, level with the top: the bound fader follows the pointer along its axis
    // instead of snapping back.
    ShortDragStyle style;
    fader->setStyle(&style);
    rig.set(kFader, 300);
    at = fader->sliderRect().center();
    const QPoint far(fader->width() + 100, at.y() - fader->sliderPosition());
    QTest::mousePress(fader, Qt::LeftButton, {}, at);
    QTest::mouseMove(fader, far);
    QCOMPARE(fader->sliderPosition(), 0);
    QCOMPARE(rig.value(kFader), top);
    QTest::mouseRelease(fader, Qt::LeftButton, {}, far);
    QCOMPARE(rig.value(kFader), top);
    fader->setStyle(nullptr);

    // Home and End follow horDir; line and page steps.
    for (const bool horDir : {true, false}) {
        fader->setHorDir(horDir);
        rig.set(kFader, 500);
        QTest::keyClick(fader, Qt::Key_Home);
        QCOMPARE(rig.value(kFader), horDir ? bottom : top);
        QTest::keyClick(fader, Qt::Key_End);
        QCOMPARE(rig.value(kFader), horDir ? top : bottom);
        rig.set(kFader, 500);
        QTest::keyClick(fader, Qt::Key_Up);
        QCOMPARE(rig.value(kFader), 500 + fader->lineStep());
        QTest::keyClick(fader, Qt::Key_PageDown);
        QCOMPARE(rig.value(kFader), 500 + fader->lineStep() - fader->pageStep());
    }

    // Without a law the fader is linear over its range, flipped, and differs from the law in
    // the middle; a drag writes the linear value.
    for (int v : {0, 223, 823, 1023}) {
        rig.set(kLinear, v);
        QCOMPARE(linear->sliderPosition(),
                 QStyle::sliderPositionFromValue(0, 1023, 1023 - v, a, false));
    }
    rig.set(kFader, 823);
    rig.set(kLinear, 823);
    QVERIFY(fader->sliderPosition() != linear->sliderPosition());
    at = linear->sliderRect().center();
    QTest::mousePress(linear, Qt::LeftButton, {}, at);
    dragTo(linear, at, linear->sliderPosition(), a / 2);
    QTest::mouseRelease(linear, Qt::LeftButton, {}, at);
    QCOMPARE(rig.value(kLinear), 1023 - QStyle::sliderValueFromPosition(0, 1023, a / 2, a, false));

    // A notch is max(line, page) = 10 values; a twentieth of a notch is half a value. Each
    // slider change drops the remainder.
    rig.set(kFader, 400);
    rig.set(kLinear, 400);
    const int notch = qMax(fader->lineStep(), fader->pageStep());
    const int halfStep = 120 / (2 * notch);
    TestRig::wheel(fader, halfStep);
    QCOMPARE(rig.value(kFader), 400);
    TestRig::wheel(fader, halfStep);
    QCOMPARE(rig.value(kFader), 401); // wheel up raises a fader whose maximum is on top
    TestRig::wheel(fader, halfStep);
    TestRig::wheel(linear, halfStep);
    TestRig::wheel(fader, halfStep);
    QCOMPARE(rig.value(kFader), 401);
    QCOMPARE(rig.value(kLinear), 400);
    TestRig::wheel(fader, halfStep);
    QCOMPARE(rig.value(kFader), 402);
    // A whole notch down with horDir set turns the direction round.
    linear->setHorDir(true);
    TestRig::wheel(linear, -120);
    QCOMPARE(rig.value(kLinear), 400 + notch);

    // A typed number is one undo step, unless undo is off.
    rig.set(kFader, 300);
    rig.memory.clearUndo();
    fader->acceptNum(-10.0);
    const int typed = rig.memory.valueFromNumber(fader->tableId(), -10.0f);
    QVERIFY(typed != 300);
    QCOMPARE(rig.value(kFader), typed);
    QVERIFY(rig.memory.undo());
    QCOMPARE(fader->value(), 300);
    fader->setUndoEnable(false);
    rig.memory.clearUndo();
    fader->acceptNum(0.0);
    QCOMPARE(rig.value(kFader), rig.memory.valueFromNumber(fader->tableId(), 0.0f));
    QVERIFY(!rig.memory.canUndo());

    // The catalogue's defaults; a copy pastes back; a truncated record pastes nothing.
    rig.set(kFader, 100);
    fader->reset2defaults();
    QCOMPARE(rig.value(kFader), 0);
    fader->reset2AltDefaults();
    QCOMPARE(rig.value(kFader), 823);
    const TParamInfo copy = TestRig::copied(*fader);
    rig.set(kFader, 5);
    TestRig::paste(*fader, {copy});
    QCOMPARE(rig.value(kFader), 823);
    rig.set(kFader, 5);
    TestRig::pasteBytes(*fader, TestRig::recordBytes({copy}).left(3));
    QCOMPARE(rig.value(kFader), 5);

    // A text follows 50 ms after signals blocked during changes are let through; still blocked
    // when the timer fires, nothing goes out.
    QSignalSpy texts(fader, &CFader::textualValueChange);
    rig.set(kFader, 700);
    QCOMPARE(texts.count(), 1);
    fader->blockSignals(true);
    rig.set(kFader, 823);
    rig.set(kFader, 900);
    fader->blockSignals(false);
    QCOMPARE(fader->value(), 900);
    QCOMPARE(texts.count(), 1);
    QTimer *pending = nullptr;
    for (QTimer *t : fader->findChildren<QTimer *>())
        pending = t->isActive() ? t : pending;
    QVERIFY(pending && pending->isSingleShot());
    QCOMPARE(pending->interval(), 50);
    QVERIFY(texts.wait(1000));
    QCOMPARE(texts.count(), 2);
    QString expected;
    rig.memory.valueToText(fader->channel(), fader->tableId(), &expected, nullptr, 900, 0);
    QVERIFY(!expected.isEmpty());
    QCOMPARE(texts.last().at(0).toString(), expected);
    fader->blockSignals(true);
    rig.set(kFader, 100);
    QTest::qWait(120);
    fader->blockSignals(false);
    QCOMPARE(texts.count(), 2);

    // Moves repaint the thumb over the cached background; a new background is built once.
    rig.set(kFader, 0);
    fader->grab();
    const int rebuilds = fader->backgroundRebuildCount();
    at = fader->sliderRect().center();
    QTest::mousePress(fader, Qt::LeftButton, {}, at);
    for (int position = a; position >= 0; position -= 5)
        dragTo(fader, at, a, position);
    QTest::mouseRelease(fader, Qt::LeftButton, {}, QPoint(at.x(), at.y() - a));
    rig.set(kFader, 300);
    QCoreApplication::processEvents();
    QCOMPARE(fader->backgroundRebuildCount(), rebuilds);
    const QImage shot = fader->grab().toImage();
    const QRect thumb = fader->sliderRect();
    QCOMPARE(shot.pixelColor(thumb.center()), ThumbColour);
    QCOMPARE(shot.pixelColor(ThumbWidth / 2, thumb.top() - 2), GrooveColour);
    QCOMPARE(shot.pixelColor(ThumbWidth / 2, 1), GrooveColour);
    fader->setPixmap(groove());
    fader->grab();
    QCOMPARE(fader->backgroundRebuildCount(), rebuilds + 1);

    // A user drags one fader while a console thread moves the other: both show.
    rig.set(kFader, 0);
    std::atomic<bool> stop {false};
    std::atomic<int> last {0};
    std::unique_ptr<QThread> worker(QThread::create([&] {
        for (int v = 1; !stop; v = v % 1000 + 1) {
            rig.set(kLinear, v);
            last = v;
            QThread::usleep(200);
        }
    }));
    worker->start();
    QTRY_VERIFY(last != 0); // the console thread is running
    at = fader->sliderRect().center();
    QTest::mousePress(fader, Qt::LeftButton, {}, at);
    for (int position = a; position >= a / 3; --position) {
        dragTo(fader, at, a, position);
        QCoreApplication::processEvents();
    }
    QTest::mouseRelease(fader, Qt::LeftButton, {}, at);
    stop = true;
    worker->wait();
    QTRY_COMPARE(linear->value(), int(last));
    QCOMPARE(linear->sliderPosition(), linear->positionFromValue(last));
    QCOMPARE(fader->sliderPosition(), a / 3);
    QCOMPARE(rig.value(kFader), fader->value());
    QCOMPARE(fader->value(), fader->valueFromPosition(a / 3));
}

QTEST_MAIN(tst_Fader)
#include "tst_fader.moc"
