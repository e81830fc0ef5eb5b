// The text slider and the name editor, driven as a user would against the embedded memory.

#include "CNameEditor.h"
#include "CNumEdit.h"
#include "CTextSlider.h"
#include "TestRig.h"
#include "ui_name_editor.h"

#include <QApplication>
#include <QClipboard>

#include <cmath>
#include <limits>

namespace {

// Ranges a drag scales differently, a sample-counted delay, a range of one value.
const char kCatalogue[] = R"({"name": "Text slider test", "sampleRate": 48000,
 "sections": [{"key": "kTest", "element": 1, "channels": 4, "params": [
  {"key": "kWide", "id": 0, "min": 0, "max": 1000, "default": 500},
  {"key": "kMedium", "id": 1, "min": 0, "max": 200, "default": 100},
  {"key": "kNarrow", "id": 2, "min": 0, "max": 100, "default": 50},
  {"key": "kDelay", "id": 3, "min": 0, "max": 14400, "default": 480, "text": "samples"},
  {"key": "kFixed", "id": 4, "min": 7, "max": 7, "default": 7},
  {"key": "kLevel", "id": 5, "min": -600, "max": 1000, "default": 123},
  {"key": "kLong", "id": 6, "min": 0, "max": 2147483647, "default": 0}]}]})";
constexpr int kWidth = 60;
constexpr int kHeight = 40;

// The memory of a console that runs without a sample rate.
struct NoRateMemory : TestRig::CountingMemory
{
    int sampleRate(int) override { return 0; }
};

// A slider in the console's window on a test parameter, as a strip binds it.
CTextSlider *addSlider(TestRig::Console &rig, const QByteArray &key)
{
    auto *slider = new CTextSlider(&rig.host);
    slider->resize(kWidth, kHeight);
    slider->show();
    if (!rig.bind(slider, "FEkTest/" + key))
        return nullptr;
    slider->forceUpdate();
    return slider;
}

// Presses at the middle, moves up by dy pixels (down when negative) and releases there.
void drag(CTextSlider *slider, int dy, Qt::KeyboardModifiers modifiers = {})
{
    const QPoint press(kWidth / 2, kHeight / 2);
    QTest::mousePress(slider, Qt::LeftButton, modifiers, press);
    QTest::mouseMove(slider, press - QPoint(0, dy));
    QTest::mouseRelease(slider, Qt::LeftButton, modifiers, press - QPoint(0, dy));
}

// Far outside the widget: the wheel steps wherever the pointer is.
const QPointF kFarAway(10 * kWidth, 10 * kHeight);

} // namespace

class tst_TextSlider : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void gestures_data();
    void gestures();
    void texts_data();
    void texts();
    void delayScenario();
    void narrowScenario();
    void withoutRateNothingIsWritten();

    void nameEditorFilters();
    void nameEditorEndsEdits();
    void nameEditorTrims();
};

// A drag (dy pixels up; Shift at the press), a click step (pressed at y, released at y2), a
// key or a wheel turn: the memory afterwards, one write and one signal for a change.
void tst_TextSlider::gestures_data()
{
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("start"); // -1: the default
    QTest::addColumn<QByteArray>("gesture");
    QTest::addColumn<int>("arg");
    QTest::addColumn<int>("arg2");
    QTest::addColumn<int>("expected");
    auto row = [](const char *param, const char *gesture, int arg, int arg2, int expected,
                  int rate = 48000, int start = -1) {
        QTest::addRow("%s %s %d %d at %d", param, gesture, arg, arg2, rate)
                << QByteArray(param) << rate << start << QByteArray(gesture) << arg << arg2
                << expected;
    };
    // One step per two pixels, truncated toward zero; a hundred steps over 0..1000, ten over
    // 0..200; Shift at the press keeps single steps.
    row("kWide", "drag", 2, 0, 600);
    row("kWide", "drag", -2, 0, 400);
    row("kWide", "drag", 1, 0, 500);
    row("kWide", "drag", -3, 0, 400);
    row("kWide", "drag", 2, Qt::ShiftModifier, 501);
    row("kMedium", "drag", 2, 0, 110);
    row("kMedium", "drag", -3, 0, 90);
    row("kMedium", "drag", 1, 0, 100);
    row("kMedium", "drag", -3, Qt::ShiftModifier, 99);
    row("kNarrow", "drag", 2, 0, 51);
    row("kNarrow", "drag", -3, 0, 49);
    row("kNarrow", "drag", 1, 0, 50);
    row("kNarrow", "drag", 8, Qt::ShiftModifier, 54);
    // Click stepping: the upper half (the middle line included) up, the lower half down; a
    // click that moved is a drag of two steps down.
    row("kNarrow", "click", 5, 5, 51);
    row("kNarrow", "click", kHeight / 2, kHeight / 2, 51);
    row("kNarrow", "click", kHeight - 5, kHeight - 5, 49);
    row("kNarrow", "click", 5, 9, 48);
    // Whole notches only.
    row("kWide", "wheel", 120, 0, 501);
    row("kWide", "wheel", -120, 0, 499);
    row("kWide", "wheel", 60, 0, 500);
    row("kWide", "wheel", 360, 0, 503);
    for (int rate : {48000, 44100}) {
        row("kDelay", "key", Qt::Key_Home, 0, 0, rate);
        row("kDelay", "key", Qt::Key_End, 0, 14400, rate);
        row("kDelay", "key", Qt::Key_Up, 0, 481, rate);
        row("kDelay", "key", Qt::Key_Down, 0, 479, rate);
        row("kDelay", "key", Qt::Key_Left, 0, 480, rate);
        row("kDelay", "key", Qt::Key_Right, 0, 480, rate);
    }
    // Page steps count tenths of a millisecond (page step 10: 1 ms) at whole samples per ms:
    // 480 samples at 48 per ms are 100 tenths, plus 10 gives 110, back at 4.8 per tenth 528.
    row("kDelay", "key", Qt::Key_PageUp, 0, 528);
    row("kDelay", "key", Qt::Key_PageDown, 0, 432);
    // 44.1 kHz counts 44 per ms: 441 samples are 100.2 tenths, rounded 100, plus 10 gives
    // 110, at 4.4 per tenth 484.
    row("kDelay", "key", Qt::Key_PageUp, 0, 484, 44100, 441);
    // 3 samples are 0.68 tenths, rounded 1, minus 10 gives -9 tenths: -39 (truncated), bound 0.
    row("kDelay", "key", Qt::Key_PageDown, 0, 0, 44100, 3);
    // Long delays need 64-bit intermediates (value x 10000 passes the int range): 2e9 samples
    // are 416666667 tenths at 48 per ms, plus 10, back at 4.8 per tenth 2000000049.
    row("kLong", "key", Qt::Key_PageUp, 0, 2000000049, 48000, 2000000000);
}

void tst_TextSlider::gestures()
{
    QFETCH(QByteArray, key);
    QFETCH(int, rate);
    QFETCH(int, start);
    QFETCH(QByteArray, gesture);
    QFETCH(int, arg);
    QFETCH(int, arg2);
    QFETCH(int, expected);
    TestRig::Console rig(kCatalogue, 1);
    rig.memory.setSampleRate(rate);
    const QByteArray name = "FEkTest/" + key;
    if (start >= 0)
        rig.set(name.constData(), start);
    CTextSlider *slider = addSlider(rig, key);
    QVERIFY(rig.loaded && slider);
    const int before = rig.value(name.constData());
    QSignalSpy values(slider, &CTextSlider::valueChanged);
    QSignalSpy moved(slider, &CTextSlider::dialMoved);
    rig.memory.writes = 0;
    if (gesture == "drag") {
        drag(slider, arg, Qt::KeyboardModifiers(arg2));
        QCOMPARE(moved.size(), 1);
    } else if (gesture == "click") {
        slider->setClickStepping(true);
        QVERIFY(slider->hasMouseTracking());
        slider->setLineStep(1);
        QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(10, arg));
        QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(10, arg2));
    } else if (gesture == "wheel") {
        TestRig::wheel(slider, arg, kFarAway);
    } else {
        QTest::keyClick(slider, Qt::Key(arg));
    }
    QCOMPARE(rig.value(name.constData()), expected);
    QCOMPARE(slider->value(), expected);
    // One write for the change; the memory's echo is not written back.
    QCOMPARE(rig.memory.writes.load(), expected != before ? 1 : 0);
    QCOMPARE(values.size(), expected != before ? 1 : 0);
}

void tst_TextSlider::texts_data()
{
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<int>("rangeDiv");
    QTest::addColumn<QString>("matchLabel");
    QTest::addColumn<bool>("lookup"); // the table and the lookup function both in use
    QTest::addColumn<QString>("expected");
    const QString f = QStringLiteral("%0.1f");
    auto level = [](const char *name, int value, const QString &format, const QString &unit,
                    int div, const char *expected, const QString &match = QString(),
                    bool lookup = false) {
        QTest::newRow(name) << QByteArray("kLevel") << value << format << unit << div << match
                            << lookup << QString::fromUtf8(expected);
    };
    level("unit", 123, f, " dB", 10, "12.3 dB");
    level("negative", -45, f, " dB", 10, "-4.5 dB");
    level("percent unit", 50, f, "%", 1, "50.0%");
    level("literal %%", 50, "%.0f %%", QString(), 1, "50 %");
    // Formats from a form never make printf read what is not there.
    level("%s unit", 123, f, " %s", 10, "12.3 %s");
    level("%n unit", 123, f, "%n", 10, "12.3%n");
    level("two conversions", 123, "%.1f/%.2f", QString(), 10, "12.3/%.2f");
    level("%d format", 123, "%d", QString(), 10, "%d");
    level("huge width", 123, "%999.1f", QString(), 10, "%999.1f");
    level("match", 0, f, " dB", 10, "Unity", "Unity");
    level("no match", 1, f, " dB", 10, "0.1 dB", "Unity");
    level("lookup wins", 7, f, " dB", 10, "#7", "Unity", true);
    // rangeDiv below 1 divides by the sample rate: 480 samples at 48 kHz are 0.01 s.
    QTest::newRow("per sample rate")
            << QByteArray("kDelay") << 480 << QStringLiteral("%.3f s") << QString() << 0
            << QString() << false << QStringLiteral("0.010 s");
}

void tst_TextSlider::texts()
{
    QFETCH(QByteArray, key);
    QFETCH(int, value);
    QFETCH(QString, format);
    QFETCH(QString, unit);
    QFETCH(int, rangeDiv);
    QFETCH(QString, matchLabel);
    QFETCH(bool, lookup);
    QFETCH(QString, expected);
    TestRig::Console rig(kCatalogue, 1);
    CTextSlider *slider = addSlider(rig, key);
    QVERIFY(slider);
    slider->setFormatLabel(format);
    slider->setValueLabel(unit);
    slider->setRangeDiv(rangeDiv);
    slider->setMatchValue(0);
    slider->setMatchLabel(matchLabel);
    slider->setUseTableId(lookup);
    if (lookup) {
        slider->setLookupFunc([](QString &text, int v) {
            text = QStringLiteral("#%1").arg(v);
            return true;
        });
    }
    rig.set("FEkTest/" + key, value);
    QCOMPARE(slider->text(), expected);
}

// The memory's text for a delay in ms; a typed number (double click, type, Return) is one
// undo step; numbers that are not numbers write nothing. Unbound, a set text stays.
void tst_TextSlider::delayScenario()
{
    CTextSlider unbound(0, 100, 10, 5);
    unbound.setValueText(QStringLiteral("given"));
    unbound.setValue(20);
    unbound.setFormatLabel(QStringLiteral("%.2f"));
    QCOMPARE(unbound.text(), QStringLiteral("given"));

    TestRig::Console rig(kCatalogue, 1);
    CTextSlider *slider = addSlider(rig, "kDelay");
    QVERIFY(slider);
    slider->setTableId(-7);
    slider->setUseTableId(true);
    QVERIFY2(slider->text().startsWith(QLatin1String("10.0"))
                     && slider->text().endsWith(QLatin1String("ms")),
             qPrintable(slider->text()));
    slider->setEditable(true);
    slider->setEditFormat(QStringLiteral("%.2f"));
    const int steps = rig.memory.undoDepth();
    // Type 5 (ms): 240 samples at 48 kHz.
    QTest::mouseDClick(slider, Qt::LeftButton, {}, QPoint(10, 10));
    auto *edit = slider->findChild<NS_Utilities::CNumEdit *>();
    QVERIFY(edit && edit->isVisible());
    QCOMPARE(edit->text(), QStringLiteral("10.00"));
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("5"));
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(rig.value("FEkTest/kDelay"), 240);
    QCOMPARE(rig.memory.undoDepth(), steps + 1);
    QVERIFY(rig.memory.undo());
    QCOMPARE(slider->value(), 480);
    // Without the table a typed number is scaled by rangeDiv.
    slider->setUseTableId(false);
    slider->setRangeDiv(10);
    slider->acceptNum(12.34);
    QCOMPARE(rig.value("FEkTest/kDelay"), 123);
    QCOMPARE(rig.memory.undoDepth(), steps + 1);
    QVERIFY(rig.memory.undo());
    QCOMPARE(slider->value(), 480);
    rig.memory.writes = 0;
    slider->acceptNum(std::numeric_limits<double>::quiet_NaN());
    slider->acceptNum(std::numeric_limits<double>::infinity());
    QCOMPARE(rig.memory.writes.load(), 0);
    slider->acceptNum(1e300);
    QCOMPARE(rig.value("FEkTest/kDelay"), 14400);
}

// Tracking off writes on release; the click-step cursors; grey text only when asked; a range
// of one value writes nothing whatever the user does.
void tst_TextSlider::narrowScenario()
{
    TestRig::Console rig(kCatalogue, 1);
    CTextSlider *slider = addSlider(rig, "kNarrow");
    CTextSlider *fixed = addSlider(rig, "kFixed");
    QVERIFY(slider && fixed);
    fixed->move(0, kHeight); // the pointer's moves reach the slider
    slider->setTracking(false);
    QSignalSpy moved(slider, &CTextSlider::dialMoved);
    const QPoint press(kWidth / 2, kHeight / 2);
    QTest::mousePress(slider, Qt::LeftButton, {}, press);
    QTest::mouseMove(slider, press - QPoint(0, 6));
    QCOMPARE(rig.value("FEkTest/kNarrow"), 50);
    QCOMPARE(moved.size(), 0);
    QTest::mouseRelease(slider, Qt::LeftButton, {}, press - QPoint(0, 6));
    QCOMPARE(rig.value("FEkTest/kNarrow"), 53);

    // Each half's arrow: a one-pixel black tip and a black base line.
    slider->setClickStepping(true);
    for (const auto &[y, tipRow, baseRow] : {std::tuple {kHeight - 5, 12, 8}, {5, 3, 7}}) {
        QTest::mouseMove(slider, QPoint(10, y));
        const QCursor cursor = slider->cursor();
        QCOMPARE(cursor.shape(), Qt::BitmapCursor);
        QCOMPARE(cursor.hotSpot(), QPoint(8, 8));
        const QImage image = cursor.pixmap().toImage();
        QCOMPARE(image.size(), QSize(16, 16));
        QCOMPARE(image.pixel(7, tipRow), qRgb(0, 0, 0));
        QCOMPARE(qAlpha(image.pixel(5, tipRow)), 0);
        QCOMPARE(image.pixel(3, baseRow), qRgb(0, 0, 0));
        QCOMPARE(qAlpha(image.pixel(7, 0)), 0);
    }

    QPalette palette;
    palette.setColor(QPalette::Window, Qt::white); // in every colour group
    palette.setColor(QPalette::WindowText, Qt::black);
    slider->setPalette(palette);
    QFont font = slider->font();
    font.setStyleStrategy(QFont::NoAntialias);
    font.setPixelSize(14);
    slider->setFont(font);
    const QColor grey(128, 128, 128), black(0, 0, 0);
    // Enabled, disabled, disabled with grey text, enabled again: black text, grey text.
    for (const auto &[enabled, greyOnDisable, greyShown] : {std::tuple {true, false, false},
                                                            {false, false, false},
                                                            {false, true, true},
                                                            {true, true, false}}) {
        slider->setEnabled(enabled);
        slider->setGreyOnDisable(greyOnDisable);
        const QImage image = slider->grab().toImage();
        QCOMPARE(TestRig::countPixels(image, black).matching > 0, !greyShown);
        QCOMPARE(TestRig::countPixels(image, grey).matching > 0, greyShown);
    }

    fixed->setClickStepping(true);
    rig.memory.writes = 0;
    drag(fixed, 20);
    drag(fixed, 0);
    TestRig::wheel(fixed, 240, kFarAway);
    for (Qt::Key key : {Qt::Key_Up, Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_End})
        QTest::keyClick(fixed, key);
    QVERIFY(rig.memory.writes == 0 && fixed->value() == 7);
}

// Without a sample rate page steps and typed numbers write nothing, and the text (divided by
// the rate) stays even when the value moves.
void tst_TextSlider::withoutRateNothingIsWritten()
{
    NoRateMemory memory;
    QVERIFY(memory.loadCatalogue(QByteArray(kCatalogue), nullptr));
    CTextSlider slider;
    slider.show();
    slider.setNamedAddress(QStringLiteral("FEkTest/kDelay"));
    QCOMPARE(memory.connectTree(&slider, 1), 1);
    slider.forceUpdate();
    slider.setRangeDiv(0);
    const QString text = slider.text();
    memory.writes = 0;
    QApplication::setActiveWindow(&slider); // a bound window of its own takes the focus
    QTest::keyClick(&slider, Qt::Key_PageUp);
    QTest::keyClick(&slider, Qt::Key_PageDown);
    slider.acceptNum(2.0);
    QVERIFY(memory.writes == 0 && TestRig::storedFor(memory, slider) == 480);
    QTest::keyClick(&slider, Qt::Key_Up);
    QCOMPARE(TestRig::storedFor(memory, slider), 481);
    QCOMPARE(slider.text(), text);
}

// --- name editor -----------------------------------------------------------------------------

// Typing filters characters, non-ASCII included; a paste is all or nothing; text set by the
// program, or by a form, is shown as given (less what the trim mode removes).
void tst_TextSlider::nameEditorFilters()
{
    for (const auto &[typed, expected] :
         {std::pair {QStringLiteral("\"#\\"), QStringLiteral("\"#\\")},
          {QStringLiteral("a/b!$%&*+,-.:;<=>?@^_'`()[] 1"),
           QStringLiteral("a/b!$%&*+,-.:;<=>?@^_'`()[] 1")},
          {QStringLiteral("x{|}~\u00e9y"), QStringLiteral("xy")}}) {
        CNameEditor editor;
        editor.show();
        for (const QChar c : typed)
            QTest::sendKeyEvent(QTest::Click, &editor, Qt::Key(c.toUpper().unicode()), QString(c),
                                Qt::NoModifier);
        QCOMPARE(editor.text(), expected);
    }
    CNameEditor editor;
    editor.show();
    QClipboard *clipboard = QApplication::clipboard();
    clipboard->setText(QStringLiteral("Bass{DI}"));
    editor.paste();
    QCOMPARE(editor.text(), QString());
    clipboard->setText(QStringLiteral("Bass DI"));
    editor.paste();
    QCOMPARE(editor.text(), QStringLiteral("Bass DI"));
    editor.setText(QStringLiteral("K\u00f6ln {1}"));
    QCOMPARE(editor.text(), QStringLiteral("K\u00f6ln {1}"));

    QWidget form;
    Ui::NameEditorForm ui;
    ui.setupUi(&form);
    QCOMPARE(ui.bothTrimmed->text(), QStringLiteral("Lead vocal"));
    QCOMPARE(ui.trailingTrimmed->text(), QStringLiteral("  Bass"));
}

// Escape aborts, Return and Enter accept: the edit ends and the focus goes back; focus lost
// without a key accepts the edit, once.
void tst_TextSlider::nameEditorEndsEdits()
{
    QWidget window;
    window.setFocusPolicy(Qt::StrongFocus);
    auto *editor = new CNameEditor(&window);
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    for (const auto &[key, accepts] :
         {std::pair {Qt::Key_Escape, 0}, {Qt::Key_Return, 1}, {Qt::Key_Enter, 1}}) {
        editor->setFocus();
        QTRY_VERIFY(editor->hasFocus());
        QVERIFY(editor->isEditing());
        QSignalSpy accepted(editor, &CNameEditor::acceptEdit);
        QSignalSpy aborted(editor, &CNameEditor::abortEdit);
        QTest::keyClicks(editor, QStringLiteral("Kick"));
        QTest::keyClick(editor, key);
        QCOMPARE(accepted.size(), accepts);
        QCOMPARE(aborted.size(), 1 - accepts);
        QVERIFY(!editor->hasFocus());
        QCOMPARE(QApplication::focusWidget(), &window);
        QVERIFY(!editor->isEditing());
        editor->setFocus();
        QTRY_VERIFY(editor->hasFocus());
        window.setFocus();
        QTRY_VERIFY(!editor->hasFocus());
        QCOMPARE(accepted.size(), accepts + 1);
        QCOMPARE(aborted.size(), 1 - accepts);
    }
}

// Each trim mode (0 none, 1 leading, 2 trailing, 3 both), through the setter and through
// property writes as forms make them.
void tst_TextSlider::nameEditorTrims()
{
    const QString padded = QStringLiteral(" \t Snare top \n "), blank = QStringLiteral(" \t  ");
    const QString trimmed[] = {padded, QStringLiteral("Snare top \n "),
                               QStringLiteral(" \t Snare top"), QStringLiteral("Snare top")};
    for (int mode = 0; mode < 4; ++mode) {
        for (const auto &[text, expected] :
             {std::pair {padded, trimmed[mode]},
              {blank, mode ? QString() : blank},
              {QStringLiteral("x "), mode < 2 ? QStringLiteral("x ") : QStringLiteral("x")}}) {
            CNameEditor editor;
            editor.setTrancateMode(CNameEditor::TrancateMode(mode));
            editor.setText(text);
            QCOMPARE(editor.text(), expected);
            CNameEditor other;
            QVERIFY(other.setProperty("trancateMode", mode));
            QVERIFY(other.setProperty("text", text));
            QCOMPARE(other.text(), expected);
        }
    }
}

QTEST_MAIN(tst_TextSlider)
#include "tst_textslider.moc"
