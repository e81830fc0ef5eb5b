// The text slider and the name editor, driven as a user would against the embedded memory.

#include "CNameEditor.h"
#include "CNumEdit.h"
#include "CTextSlider.h"
#include "TestRig.h"
#include "ui_name_editor.h"

#include <QApplication>
#include <QClipboard>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

#include <atomic>
#include <cmath>
#include <limits>
#include <memory>

namespace {

constexpr int kChannel = 1;
constexpr int kWidth = 60;
constexpr int kHeight = 40;

// Ranges a drag scales differently, a sample-counted delay, a range of one value.
const char kCatalogue[] = R"({
 "name": "Text slider test", "sampleRate": 48000,
 "textTables": {},
 "sections": [{"key": "kTest", "element": 1, "channels": 4, "params": [
  {"key": "kWide", "id": 0, "min": 0, "max": 1000, "default": 500},
  {"key": "kMedium", "id": 1, "min": 0, "max": 200, "default": 100},
  {"key": "kNarrow", "id": 2, "min": 0, "max": 100, "default": 50},
  {"key": "kDelay", "id": 3, "min": 0, "max": 14400, "default": 480, "text": "samples"},
  {"key": "kFixed", "id": 4, "min": 7, "max": 7, "default": 7},
  {"key": "kLevel", "id": 5, "min": -600, "max": 1000, "default": 123},
  {"key": "kLong", "id": 6, "min": 0, "max": 2147483647, "default": 0}
 ]}]})";

// Counts writes, and can pretend to run without a sample rate.
class TestMemory : public TestRig::CountingMemory
{
public:
    TestMemory()
    {
        QString error;
        loaded = loadCatalogue(QByteArray(kCatalogue), &error);
        if (!loaded)
            qWarning("%s", qPrintable(error));
    }
    int sampleRate(int reserved = 0) override
    {
        return noRate ? 0 : TParamMemory::sampleRate(reserved);
    }
    IMemAPI::TSingleAddress at(const char *key)
    {
        return TestRig::resolve(*this, QStringLiteral("FEkTest/") + QLatin1String(key), kChannel);
    }
    int value(const char *key)
    {
        const IMemAPI::TSingleAddress a = at(key);
        return getValue(a.element, a.parameter, a.channel);
    }
    void set(const char *key, int v)
    {
        const IMemAPI::TSingleAddress a = at(key);
        TParamMemory::setValue(a.element, a.parameter, a.channel, v, 0, 1);
    }

    bool loaded = false;
    bool noRate = false;
};

// A shown slider bound to one test parameter, as a strip binds it.
std::unique_ptr<CTextSlider> boundSlider(TestMemory &memory, const char *key)
{
    auto slider = std::make_unique<CTextSlider>();
    slider->resize(kWidth, kHeight);
    slider->setNamedAddress(QStringLiteral("FEkTest/") + QLatin1String(key));
    memory.connectTree(slider.get(), kChannel);
    slider->forceUpdate();
    slider->show();
    return slider;
}

// Presses at the middle, moves up by dy pixels (down when negative) and releases there.
void drag(CTextSlider *slider, int dy, Qt::KeyboardModifiers modifiers = {})
{
    const QPoint press(kWidth / 2, kHeight / 2);
    const QPoint to = press - QPoint(0, dy);
    QTest::mousePress(slider, Qt::LeftButton, modifiers, press);
    QTest::mouseMove(slider, to);
    QTest::mouseRelease(slider, Qt::LeftButton, modifiers, to);
}

void wheel(QWidget *w, int delta)
{
    // Far outside the widget: the wheel steps wherever the pointer is.
    const QPointF at(-100, -100);
    QWheelEvent event(at, w->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &event);
}

bool lookupHash(QString &text, int value)
{
    text = QStringLiteral("#%1").arg(value);
    return true;
}

// Types text key by key, non-ASCII characters included.
void type(QWidget *w, const QString &text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, w, Qt::Key(c.toUpper().unicode()), QString(c),
                            Qt::NoModifier);
}

int countPixels(const QImage &image, QRgb colour)
{
    return TestRig::countPixels(image, QColor(colour)).matching;
}

} // namespace

class tst_TextSlider : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void drag_data();
    void drag();
    void trackingOffWritesOnRelease();
    void clickStepping_data();
    void clickStepping();
    void stepCursors();
    void keys_data();
    void keys();
    void wheelSteps_data();
    void wheelSteps();
    void texts_data();
    void texts();
    void unboundTextStays();
    void typedNumberIsAnUndoStep();
    void greyTextWhenDisabled();
    void noRateOrSingleValueWritesNothing();

    void nameEditorTyping_data();
    void nameEditorTyping();
    void nameEditorPasteIsAllOrNothing();
    void nameEditorEndsEdits_data();
    void nameEditorEndsEdits();
    void nameEditorTrims_data();
    void nameEditorTrims();
    void nameEditorFormTrims();
};

void tst_TextSlider::drag_data()
{
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<int>("dy");
    QTest::addColumn<bool>("shift");
    QTest::addColumn<int>("change");

    // One step per two pixels, truncated toward zero; a hundred steps over 0..1000, ten over
    // 0..200; Shift at the press keeps single steps.
    QTest::newRow("0..1000 +2px") << QByteArray("kWide") << 2 << false << 100;
    QTest::newRow("0..1000 -2px") << QByteArray("kWide") << -2 << false << -100;
    QTest::newRow("0..1000 1px") << QByteArray("kWide") << 1 << false << 0;
    QTest::newRow("0..1000 -3px") << QByteArray("kWide") << -3 << false << -100;
    QTest::newRow("0..1000 +2px shift") << QByteArray("kWide") << 2 << true << 1;
    QTest::newRow("0..200 +2px") << QByteArray("kMedium") << 2 << false << 10;
    QTest::newRow("0..200 -3px") << QByteArray("kMedium") << -3 << false << -10;
    QTest::newRow("0..200 1px") << QByteArray("kMedium") << 1 << false << 0;
    QTest::newRow("0..200 -3px shift") << QByteArray("kMedium") << -3 << true << -1;
    QTest::newRow("0..100 +2px") << QByteArray("kNarrow") << 2 << false << 1;
    QTest::newRow("0..100 -3px") << QByteArray("kNarrow") << -3 << false << -1;
    QTest::newRow("0..100 1px") << QByteArray("kNarrow") << 1 << false << 0;
    QTest::newRow("0..100 +8px shift") << QByteArray("kNarrow") << 8 << true << 4;
}

void tst_TextSlider::drag()
{
    QFETCH(QByteArray, key);
    QFETCH(int, dy);
    QFETCH(bool, shift);
    QFETCH(int, change);
    TestMemory memory;
    QVERIFY(memory.loaded);
    auto slider = boundSlider(memory, key.constData());
    const int before = memory.value(key.constData());
    QCOMPARE(slider->value(), before);
    QSignalSpy values(slider.get(), &CTextSlider::valueChanged);
    QSignalSpy moved(slider.get(), &CTextSlider::dialMoved);
    memory.writes = 0;

    ::drag(slider.get(), dy, shift ? Qt::ShiftModifier : Qt::NoModifier);

    QCOMPARE(memory.value(key.constData()), before + change);
    QCOMPARE(slider->value(), before + change);
    // One write for the change; the memory's echo is not written back.
    QCOMPARE(memory.writes.load(), change != 0 ? 1 : 0);
    QCOMPARE(values.size(), change != 0 ? 1 : 0);
    if (change != 0)
        QCOMPARE(values.last().at(0).toInt(), before + change);
    QCOMPARE(moved.size(), 1);
}

void tst_TextSlider::trackingOffWritesOnRelease()
{
    TestMemory memory;
    auto slider = boundSlider(memory, "kNarrow");
    slider->setTracking(false);
    QSignalSpy moved(slider.get(), &CTextSlider::dialMoved);
    const QPoint press(kWidth / 2, kHeight / 2);
    QTest::mousePress(slider.get(), Qt::LeftButton, {}, press);
    QTest::mouseMove(slider.get(), press - QPoint(0, 6));
    QCOMPARE(memory.value("kNarrow"), 50);
    QCOMPARE(moved.size(), 0);
    QTest::mouseRelease(slider.get(), Qt::LeftButton, {}, press - QPoint(0, 6));
    QCOMPARE(memory.value("kNarrow"), 53);
}

void tst_TextSlider::clickStepping_data()
{
    QTest::addColumn<int>("pressY");
    QTest::addColumn<int>("releaseY");
    QTest::addColumn<int>("change");
    QTest::newRow("upper half") << 5 << 5 << 1;
    QTest::newRow("middle line is the upper half") << kHeight / 2 << kHeight / 2 << 1;
    QTest::newRow("lower half") << kHeight - 5 << kHeight - 5 << -1;
    // A click that moved is a drag of two steps down, not a step.
    QTest::newRow("moved") << 5 << 9 << -2;
}

void tst_TextSlider::clickStepping()
{
    QFETCH(int, pressY);
    QFETCH(int, releaseY);
    QFETCH(int, change);
    TestMemory memory;
    auto slider = boundSlider(memory, "kNarrow");
    slider->setClickStepping(true);
    QVERIFY(slider->hasMouseTracking());
    slider->setLineStep(1);
    QTest::mousePress(slider.get(), Qt::LeftButton, {}, QPoint(10, pressY));
    QTest::mouseRelease(slider.get(), Qt::LeftButton, {}, QPoint(10, releaseY));
    QCOMPARE(memory.value("kNarrow"), 50 + change);
    QCOMPARE(slider->value(), 50 + change);
}

void tst_TextSlider::stepCursors()
{
    TestMemory memory;
    auto slider = boundSlider(memory, "kNarrow");
    slider->setClickStepping(true);
    struct Half
    {
        int y;
        int tipRow; // the arrow's one-pixel-wide black tip
        int baseRow; // its black base line
    };
    for (const Half &half : {Half {5, 3, 7}, Half {kHeight - 5, 12, 8}}) {
        QTest::mouseMove(slider.get(), QPoint(10, half.y));
        const QCursor cursor = slider->cursor();
        QCOMPARE(cursor.shape(), Qt::BitmapCursor);
        QCOMPARE(cursor.hotSpot(), QPoint(8, 8));
        const QImage image = cursor.pixmap().toImage();
        QCOMPARE(image.size(), QSize(16, 16));
        QCOMPARE(image.pixel(7, half.tipRow), qRgb(0, 0, 0));
        QCOMPARE(qAlpha(image.pixel(5, half.tipRow)), 0);
        QCOMPARE(image.pixel(3, half.baseRow), qRgb(0, 0, 0));
        QCOMPARE(qAlpha(image.pixel(7, 0)), 0);
    }
}

void tst_TextSlider::keys_data()
{
    QTest::addColumn<QByteArray>("param");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("expected");

    auto row = [](const QByteArray &name, const char *param, int rate, int start, Qt::Key key,
                  int expected) {
        QTest::newRow(name.constData())
                << QByteArray(param) << rate << start << int(key) << expected;
    };
    for (int rate : {48000, 44100}) {
        const QByteArray r = QByteArray::number(rate);
        row(r + " Home", "kDelay", rate, 480, Qt::Key_Home, 0);
        row(r + " End", "kDelay", rate, 480, Qt::Key_End, 14400);
        row(r + " Up", "kDelay", rate, 480, Qt::Key_Up, 481);
        row(r + " Down", "kDelay", rate, 480, Qt::Key_Down, 479);
        row(r + " Left", "kDelay", rate, 480, Qt::Key_Left, 480);
        row(r + " Right", "kDelay", rate, 480, Qt::Key_Right, 480);
    }
    // Page steps count tenths of a millisecond (page step 10: 1 ms) at whole samples per ms:
    // 480 samples at 48 per ms are 100 tenths, plus 10 gives 110, back at 4.8 per tenth 528.
    row("48000 PageUp", "kDelay", 48000, 480, Qt::Key_PageUp, 528);
    row("48000 PageDown", "kDelay", 48000, 480, Qt::Key_PageDown, 432);
    // 44.1 kHz counts 44 per ms: 441 samples are 100.2 tenths, rounded 100, plus 10 gives
    // 110, at 4.4 per tenth 484.
    row("44100 PageUp", "kDelay", 44100, 441, Qt::Key_PageUp, 484);
    // 3 samples are 0.68 tenths, rounded 1, minus 10 gives -9 tenths: -39 (truncated), bound 0.
    row("44100 PageDown near 0", "kDelay", 44100, 3, Qt::Key_PageDown, 0);
    // Long delays need 64-bit intermediates (value x 10000 passes the int range): 2e9 samples
    // are 416666667 tenths at 48 per ms, plus 10, back at 4.8 per tenth 2000000049.
    row("48000 PageUp long", "kLong", 48000, 2000000000, Qt::Key_PageUp, 2000000049);
}

void tst_TextSlider::keys()
{
    QFETCH(QByteArray, param);
    QFETCH(int, rate);
    QFETCH(int, start);
    QFETCH(int, key);
    QFETCH(int, expected);
    TestMemory memory;
    memory.setSampleRate(rate);
    memory.set(param.constData(), start);
    auto slider = boundSlider(memory, param.constData());
    QCOMPARE(slider->value(), start);
    memory.writes = 0;
    QTest::keyClick(slider.get(), Qt::Key(key));
    QCOMPARE(memory.value(param.constData()), expected);
    QCOMPARE(slider->value(), expected);
    QCOMPARE(memory.writes.load(), expected != start ? 1 : 0);
}

void tst_TextSlider::wheelSteps_data()
{
    QTest::addColumn<int>("delta");
    QTest::addColumn<int>("change");
    QTest::newRow("one notch up") << 120 << 1;
    QTest::newRow("one notch down") << -120 << -1;
    QTest::newRow("half a notch") << 60 << 0;
    QTest::newRow("three notches") << 360 << 3;
}

void tst_TextSlider::wheelSteps()
{
    QFETCH(int, delta);
    QFETCH(int, change);
    TestMemory memory;
    auto slider = boundSlider(memory, "kWide");
    memory.writes = 0;
    wheel(slider.get(), delta);
    QCOMPARE(memory.value("kWide"), 500 + change);
    QCOMPARE(memory.writes.load(), change != 0 ? 1 : 0);
}

void tst_TextSlider::texts_data()
{
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<int>("rangeDiv");
    QTest::addColumn<QString>("matchLabel");
    QTest::addColumn<bool>("table");
    QTest::addColumn<bool>("lookup");
    QTest::addColumn<QString>("expected");

    const QString f = QStringLiteral("%0.1f");
    // A row of kLevel; with lookup, the table and the lookup function are both in use.
    auto level = [](const char *name, int value, const QString &format, const QString &unit,
                    int div, const char *expected, const QString &match = QString(),
                    bool lookup = false) {
        QTest::newRow(name) << QByteArray("kLevel") << value << format << unit << div << match
                            << lookup << lookup << QString::fromUtf8(expected);
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
            << QString() << false << false << QStringLiteral("0.010 s");
}

void tst_TextSlider::texts()
{
    QFETCH(QByteArray, key);
    QFETCH(int, value);
    QFETCH(QString, format);
    QFETCH(QString, unit);
    QFETCH(int, rangeDiv);
    QFETCH(QString, matchLabel);
    QFETCH(bool, table);
    QFETCH(bool, lookup);
    QFETCH(QString, expected);
    TestMemory memory;
    auto slider = boundSlider(memory, key.constData());
    slider->setFormatLabel(format);
    slider->setValueLabel(unit);
    slider->setRangeDiv(rangeDiv);
    slider->setMatchValue(0);
    slider->setMatchLabel(matchLabel);
    slider->setUseTableId(table);
    if (lookup)
        slider->setLookupFunc(&lookupHash);
    memory.set(key.constData(), value);
    QCOMPARE(slider->value(), value);
    QCOMPARE(slider->text(), expected);
}

void tst_TextSlider::unboundTextStays()
{
    // Without a memory nothing makes a text: what was set stays.
    CTextSlider slider(0, 100, 10, 5);
    slider.setValueText(QStringLiteral("given"));
    slider.setValue(20);
    slider.setFormatLabel(QStringLiteral("%.2f"));
    QCOMPARE(slider.text(), QStringLiteral("given"));

    // The memory's own text for a table, here a delay in samples shown in ms.
    TestMemory memory;
    auto delay = boundSlider(memory, "kDelay");
    delay->setTableId(-7);
    delay->setUseTableId(true);
    QVERIFY2(delay->text().startsWith(QLatin1String("10.0")), qPrintable(delay->text()));
    QVERIFY2(delay->text().endsWith(QLatin1String("ms")), qPrintable(delay->text()));
}

void tst_TextSlider::typedNumberIsAnUndoStep()
{
    TestMemory memory;
    auto slider = boundSlider(memory, "kDelay");
    slider->setTableId(-7);
    slider->setUseTableId(true);
    slider->setEditable(true);
    slider->setEditFormat(QStringLiteral("%.2f"));
    QVERIFY(slider->isUndoEnable());
    const int steps = memory.undoDepth();

    // Double click, type 5 (ms), Return: 240 samples at 48 kHz.
    QTest::mouseDClick(slider.get(), Qt::LeftButton, {}, QPoint(10, 10));
    auto *edit = slider->findChild<NS_Utilities::CNumEdit *>();
    QVERIFY(edit);
    QVERIFY(edit->isVisible());
    QCOMPARE(edit->text(), QStringLiteral("10.00"));
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("5"));
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(memory.value("kDelay"), 240);
    QCOMPARE(slider->value(), 240);
    QCOMPARE(memory.undoDepth(), steps + 1);
    QVERIFY(memory.undo());
    QCOMPARE(memory.value("kDelay"), 480);
    QCOMPARE(slider->value(), 480);

    // Without the table a typed number is scaled by rangeDiv.
    slider->setUseTableId(false);
    slider->setRangeDiv(10);
    slider->acceptNum(12.34);
    QCOMPARE(memory.value("kDelay"), 123);
    QCOMPARE(memory.undoDepth(), steps + 1);
    QVERIFY(memory.undo());
    QCOMPARE(slider->value(), 480);

    // Numbers that are not numbers write nothing.
    memory.writes = 0;
    slider->acceptNum(std::numeric_limits<double>::quiet_NaN());
    slider->acceptNum(std::numeric_limits<double>::infinity());
    QCOMPARE(memory.writes.load(), 0);
    slider->acceptNum(1e300);
    QCOMPARE(memory.value("kDelay"), 14400);
}

void tst_TextSlider::greyTextWhenDisabled()
{
    TestMemory memory;
    auto slider = boundSlider(memory, "kLevel");
    QPalette palette;
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Window, Qt::white);
        palette.setColor(group, QPalette::WindowText, Qt::black);
    }
    slider->setPalette(palette);
    QFont font = slider->font();
    font.setStyleStrategy(QFont::NoAntialias);
    font.setPixelSize(14);
    slider->setFont(font);
    QVERIFY(!slider->text().isEmpty());
    const QRgb grey = qRgb(128, 128, 128);
    const QRgb black = qRgb(0, 0, 0);

    QImage image = slider->grab().toImage();
    QVERIFY(countPixels(image, black) > 0);
    QCOMPARE(countPixels(image, grey), 0);

    slider->setEnabled(false);
    image = slider->grab().toImage();
    QVERIFY(countPixels(image, black) > 0);
    QCOMPARE(countPixels(image, grey), 0);

    slider->setGreyOnDisable(true);
    image = slider->grab().toImage();
    QCOMPARE(countPixels(image, black), 0);
    QVERIFY(countPixels(image, grey) > 0);

    slider->setEnabled(true);
    image = slider->grab().toImage();
    QCOMPARE(countPixels(image, grey), 0);
}

void tst_TextSlider::noRateOrSingleValueWritesNothing()
{
    TestMemory memory;
    {
        auto slider = boundSlider(memory, "kDelay");
        slider->setRangeDiv(0);
        const QString text = slider->text();
        memory.noRate = true;
        memory.writes = 0;
        slider->setFocus();
        QTest::keyClick(slider.get(), Qt::Key_PageUp);
        QTest::keyClick(slider.get(), Qt::Key_PageDown);
        slider->acceptNum(2.0);
        QCOMPARE(memory.writes.load(), 0);
        QCOMPARE(memory.value("kDelay"), 480);
        // Nothing to divide by: the text stays, even when the value moves.
        QTest::keyClick(slider.get(), Qt::Key_Up);
        QCOMPARE(memory.value("kDelay"), 481);
        QCOMPARE(slider->text(), text);
        memory.noRate = false;
    }
    {
        auto slider = boundSlider(memory, "kFixed");
        slider->setClickStepping(true);
        memory.writes = 0;
        ::drag(slider.get(), 20);
        ::drag(slider.get(), 0);
        wheel(slider.get(), 240);
        for (Qt::Key key : {Qt::Key_Up, Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_End})
            QTest::keyClick(slider.get(), key);
        QCOMPARE(memory.writes.load(), 0);
        QCOMPARE(slider->value(), 7);
    }
}

// --- name editor -----------------------------------------------------------------------------

void tst_TextSlider::nameEditorTyping_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");
    QTest::newRow("quote, number sign, backslash")
            << QStringLiteral("\"#\\") << QStringLiteral("\"#\\");
    QTest::newRow("punctuation") << QStringLiteral("a/b!$%&*+,-.:;<=>?@^_'`()[] 1")
                                 << QStringLiteral("a/b!$%&*+,-.:;<=>?@^_'`()[] 1");
    QTest::newRow("braces, bar, tilde, accent")
            << QStringLiteral("x{|}~\u00e9y") << QStringLiteral("xy");
}

void tst_TextSlider::nameEditorTyping()
{
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    CNameEditor editor;
    editor.show();
    type(&editor, typed);
    QCOMPARE(editor.text(), expected);
}

void tst_TextSlider::nameEditorPasteIsAllOrNothing()
{
    CNameEditor editor;
    editor.show();
    QClipboard *clipboard = QApplication::clipboard();
    clipboard->setText(QStringLiteral("Bass{DI}"));
    editor.paste();
    QCOMPARE(editor.text(), QString());
    clipboard->setText(QStringLiteral("Bass DI"));
    editor.paste();
    QCOMPARE(editor.text(), QStringLiteral("Bass DI"));
    // Text set by the program is shown as given.
    editor.setText(QStringLiteral("K\u00f6ln {1}"));
    QCOMPARE(editor.text(), QStringLiteral("K\u00f6ln {1}"));
}

void tst_TextSlider::nameEditorEndsEdits_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("accepts");
    QTest::addColumn<int>("aborts");
    QTest::newRow("Escape") << int(Qt::Key_Escape) << 0 << 1;
    QTest::newRow("Return") << int(Qt::Key_Return) << 1 << 0;
    QTest::newRow("Enter") << int(Qt::Key_Enter) << 1 << 0;
}

void tst_TextSlider::nameEditorEndsEdits()
{
    QFETCH(int, key);
    QFETCH(int, accepts);
    QFETCH(int, aborts);
    QWidget window;
    window.setFocusPolicy(Qt::StrongFocus);
    auto *editor = new CNameEditor(&window);
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    editor->setFocus();
    QTRY_VERIFY(editor->hasFocus());
    QVERIFY(editor->isEditing());
    QSignalSpy accepted(editor, &CNameEditor::acceptEdit);
    QSignalSpy aborted(editor, &CNameEditor::abortEdit);

    QTest::keyClicks(editor, QStringLiteral("Kick"));
    QTest::keyClick(editor, Qt::Key(key));
    QCOMPARE(accepted.size(), accepts);
    QCOMPARE(aborted.size(), aborts);
    QVERIFY(!editor->hasFocus());
    QCOMPARE(QApplication::focusWidget(), &window);
    QVERIFY(!editor->isEditing());

    // Focus lost without a key: the edit is accepted, once.
    editor->setFocus();
    QTRY_VERIFY(editor->hasFocus());
    window.setFocus();
    QTRY_VERIFY(!editor->hasFocus());
    QCOMPARE(accepted.size(), accepts + 1);
    QCOMPARE(aborted.size(), aborts);
}

void tst_TextSlider::nameEditorTrims_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    const QString padded = QStringLiteral(" \t Snare top \n ");
    const QString blank = QStringLiteral(" \t  ");
    QTest::newRow("0 padded") << 0 << padded << padded;
    QTest::newRow("1 padded") << 1 << padded << QStringLiteral("Snare top \n ");
    QTest::newRow("2 padded") << 2 << padded << QStringLiteral(" \t Snare top");
    QTest::newRow("3 padded") << 3 << padded << QStringLiteral("Snare top");
    QTest::newRow("0 blank") << 0 << blank << blank;
    QTest::newRow("1 blank") << 1 << blank << QString();
    QTest::newRow("2 blank") << 2 << blank << QString();
    QTest::newRow("3 blank") << 3 << blank << QString();
    QTest::newRow("2 single") << 2 << QStringLiteral("x ") << QStringLiteral("x");
}

void tst_TextSlider::nameEditorTrims()
{
    QFETCH(int, mode);
    QFETCH(QString, text);
    QFETCH(QString, expected);
    CNameEditor editor;
    editor.setTrancateMode(CNameEditor::TrancateMode(mode));
    editor.setText(text);
    QCOMPARE(editor.text(), expected);
    // Forms and property writes reach the same setter.
    CNameEditor other;
    QVERIFY(other.setProperty("trancateMode", mode));
    QVERIFY(other.setProperty("text", text));
    QCOMPARE(other.text(), expected);
}

void tst_TextSlider::nameEditorFormTrims()
{
    QWidget form;
    Ui::NameEditorForm ui;
    ui.setupUi(&form);
    QCOMPARE(ui.bothTrimmed->text(), QStringLiteral("Lead vocal"));
    QCOMPARE(ui.trailingTrimmed->text(), QStringLiteral("  Bass"));
}

QTEST_MAIN(tst_TextSlider)
#include "tst_textslider.moc"
