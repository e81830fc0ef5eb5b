// The shared utilities: hand-over to the GUI thread, frame strips, grey pictures, the numeric
// editor, number parsing, range controls and cached backgrounds.

#include "CNumEdit.h"
#include "NS_Utilities.h"
#include "TBackgroundPixmap.h"
#include "TMarshallEvent.h"
#include "TRangeControl.h"
#include "TestRig.h"

#include <QRegularExpression>
#include <QtTest>

#include <climits>
#include <numeric>

using NS_Utilities::CNumEdit;

namespace {

// Frames of the test strip: kColumns x kRows cells of kFrame pixels, each of its own colour.
constexpr int kColumns = 3;
constexpr int kRows = 2;
const QSize kFrame(8, 6);

QColor cellColour(int column, int row)
{
    return QColor::fromHsv((column * kRows + row) * 50, 200, 120 + 20 * row);
}

QImage blankCanvas(const QSize &size)
{
    QImage canvas(size, QImage::Format_ARGB32);
    canvas.fill(Qt::transparent);
    return canvas;
}

// What a marshalled call saw.
std::atomic<int> g_calls {0};
std::atomic<QThread *> g_callThread {nullptr};
std::atomic<QObject *> g_callReceiver {nullptr};

void recordCall(QObject *receiver)
{
    ++g_calls;
    g_callThread = QThread::currentThread();
    g_callReceiver = receiver;
}

// Records the hooks a range control calls, and the value each hook saw.
class RangeProbe : public TRangeControl
{
public:
    using TRangeControl::prevValue;
    using TRangeControl::TRangeControl;

    int valueChanges = 0;
    int rangeChanges = 0;
    int stepChanges = 0;
    int valueSeenByRangeChange = 0;

protected:
    void valueChange() override { ++valueChanges; }
    void rangeChange() override
    {
        ++rangeChanges;
        valueSeenByRangeChange = value();
    }
    void stepChange() override { ++stepChanges; }
};

class PaintCounter : public QWidget
{
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent *) override { ++paints; }
};

} // namespace

class tst_Utilities : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Runs first: the dispatcher is made by a worker thread.
    void marshallDispatcherAndCalls();
    void conversions_data();
    void conversions();
    void drawPartialPixmapDrawsOneFrame_data();
    void drawPartialPixmapDrawsOneFrame();
    void greyTransformation();
    void interlockedExchangeAdd();
    void loadPixmapSearchesFoldersInOrder();
    void rangeControlChangesAndPositions();
    void rangeControlSteps_data();
    void rangeControlSteps();
    void backgroundPixmapAndGeometryChange();
};

void tst_Utilities::marshallDispatcherAndCalls()
{
    QVERIFY(!CAppServer::s_marshallDispatcher);
    constexpr int kThreads = 8;
    QVector<QObject *> seen(kThreads, nullptr);
    QVERIFY(TestRig::runTogether(kThreads,
                                 [&](int t) { seen[t] = CAppServer::marshallDispatcher(); }));
    QObject *dispatcher = CAppServer::s_marshallDispatcher;
    QVERIFY(dispatcher);
    QCOMPARE(seen, QVector<QObject *>(kThreads, dispatcher));
    QCOMPARE(dispatcher->thread(), qApp->thread());
    QVERIFY(NS_Utilities::mainThreadRunning());
    bool onWorker = true;
    QVERIFY(TestRig::runOnWorker([&] { onWorker = NS_Utilities::mainThreadRunning(); }));
    QVERIFY(!onWorker);

    // A call posted from a worker runs on the GUI thread, not on the posting one.
    QObject receiver;
    QVERIFY(TestRig::runOnWorker([&] { TMarshallEvent::post(&receiver, recordCall); }));
    QCOMPARE(g_calls.load(), 0);
    QCoreApplication::sendPostedEvents(nullptr, TMarshallEvent::eventType());
    QCOMPARE(g_calls.load(), 1);
    QCOMPARE(g_callThread.load(), qApp->thread());
    QCOMPARE(g_callReceiver.load(), &receiver);
    // Posting from the GUI thread itself is deferred too.
    TMarshallEvent::post(&receiver, recordCall);
    QCOMPARE(g_calls.load(), 1);
    QCoreApplication::sendPostedEvents(nullptr, TMarshallEvent::eventType());
    QCOMPARE(g_calls.load(), 2);
    // A call for a receiver destroyed before delivery is dropped.
    auto *doomed = new QObject;
    QVERIFY(TestRig::runOnWorker([&] {
        TMarshallEvent::post(doomed, recordCall);
        TMarshallEvent::post(doomed, nullptr);
    }));
    delete doomed;
    QCoreApplication::sendPostedEvents(nullptr, TMarshallEvent::eventType());
    QCOMPARE(g_calls.load(), 2);
    // The type is registered once, whoever asks.
    QEvent::Type fromWorker = QEvent::None;
    QVERIFY(TestRig::runOnWorker([&] { fromWorker = TMarshallEvent::eventType(); }));
    QCOMPARE(fromWorker, TMarshallEvent::eventType());
    QVERIFY(fromWorker >= QEvent::User);
}

void tst_Utilities::conversions_data()
{
    // What a helper makes of a text. "number": CNumEdit::leadingNumber ("-" when there is none).
    // "list", "hex list": NS_Utilities::numberList in base 10 and 16, comma-separated. "cell":
    // partialPixmapRect of "column,row strip-width x strip-height grid-columns x grid-rows"
    // ("-" when empty). "shown": what the numeric editor shows when opened on "text|format"
    // over an owner (a narrow one without a format, a wide one with). "typed": the number the
    // editor proposes when the user types the text over the value and presses Return (the
    // Enter of the keypad or Escape after "|keypad", "|escape"); "-" when it proposes none and
    // stays open for a correction, nothing when the entry is cancelled.
    QTest::addColumn<QString>("helper");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("output");
    const auto row = [](const char *helper, const char *input, const char *output) {
        QTest::addRow("%s '%s'", helper, input)
                << QString::fromLatin1(helper) << QString::fromUtf8(input)
                << QString::fromUtf8(output);
    };
    row("number", "-12.5 dB", "-12.5");
    row("number", "1.20 kHz", "1.2"); // as printed
    row("number", "  +3 ms", "3");
    row("number", "50%", "50");
    row("number", ".5", "0.5");
    row("number", "1e3 Hz", "1000");
    row("number", "5 eps", "5"); // the e of a unit
    row("number", "5e", "5"); // an exponent without digits
    row("number", "-inf dB", "-");
    row("number", "Off", "-");
    row("number", "- dB", "-");
    row("number", ".", "-");
    row("number", "", "-");
    row("list", "1;22;333", "1,22,333");
    row("list", ";;4;;5;", "4,5"); // empty entries dropped
    row("list", "x;7b;  -8 dB;+", "0,7,-8,0"); // non-numbers read as 0
    row("list", "99999999999;-99999999999", "2147483647,-2147483648"); // saturates
    row("hex list", "ff;0x10;7FFF;g", "255,16,32767,0");
    row("list", "", "");
    row("cell", "2,3 30x40 3x4", "20,30 10x10");
    // Frames are the strip divided evenly; a remainder is never drawn.
    row("cell", "1,1 31x43 3x4", "10,10 10x10");
    row("cell", "0,4 30x40 3x4", "-"); // row outside
    row("cell", "0,0 30x40 3x-1", "-");
    row("cell", "0,0 -1x-1 3x4", "-"); // no strip
    row("cell", "0,0 2x2 3x1", "-"); // grid finer than the strip
    row("shown", "1.5 dB|%.2f", "1.50");
    row("shown", "-12.54 dB", "-12.5"); // the default format
    row("shown", "3 ms|%.0f ms", "3 ms");
    // Formats that do not take one double fall back to the default.
    row("shown", "7 Hz|%d", "7.0");
    row("shown", "7|%f %f", "7.0");
    row("shown", "7|%s", "7.0");
    row("shown", " Off |%.2f", "Off"); // no number: shown as it is
    row("typed", "-3.5", "-3.5");
    row("typed", "12|keypad", "12");
    row("typed", "2.5 dB", "2.5");
    row("typed", "1,5", "1.5"); // a decimal comma
    row("typed", "  40  ", "40");
    row("typed", "5|escape", "");
    row("typed", "abc", "-");
    row("typed", "1.2.3", "-");
    row("typed", "5 dB 3", "-"); // digits after the unit
    row("typed", "inf", "-");
    row("typed", "", "-");
    row("typed", "-", "-");
}

void tst_Utilities::conversions()
{
    QFETCH(QString, helper);
    QFETCH(QString, input);
    QFETCH(QString, output);
    QString made;
    if (helper == QLatin1String("number")) {
        bool ok = output == QLatin1String("-");
        const double n = CNumEdit::leadingNumber(input, &ok);
        QCOMPARE(CNumEdit::leadingNumber(input, nullptr), n);
        QVERIFY(ok || n == 0.0);
        made = ok ? QString::number(n) : QStringLiteral("-");
    } else if (helper.endsWith(QLatin1String("list"))) {
        QStringList numbers;
        for (int n : NS_Utilities::numberList(input, helper == QLatin1String("list") ? 10 : 16))
            numbers << QString::number(n);
        made = numbers.join(QLatin1Char(','));
    } else if (helper == QLatin1String("cell")) {
        const QStringList f = input.split(QRegularExpression(QStringLiteral("[ ,x]")));
        const QRect r = NS_Utilities::partialPixmapRect(QPoint(f[0].toInt(), f[1].toInt()),
                                                        QSize(f[2].toInt(), f[3].toInt()),
                                                        QSize(f[4].toInt(), f[5].toInt()));
        made = r.isEmpty() ? QStringLiteral("-")
                           : QString::asprintf("%d,%d %dx%d", r.x(), r.y(), r.width(), r.height());
    } else if (helper == QLatin1String("typed")) {
        const QStringList parts = input.split(QLatin1Char('|'));
        const QString end = parts.value(1);
        QWidget owner;
        owner.show();
        auto *edit = new CNumEdit(&owner);
        const TestRig::AllSignals everySignal(edit);
        QSignalSpy spy(edit, &CNumEdit::numberProposed);
        edit->doEdit(QStringLiteral("1.0 dB"));
        QTest::keyClick(edit, Qt::Key_Backspace); // the value is selected
        QTest::keyClicks(edit, parts[0]);
        QCOMPARE(edit->text(), parts[0]);
        QTest::keyClick(edit,
                        end == QLatin1String("escape")           ? Qt::Key_Escape
                                : end == QLatin1String("keypad") ? Qt::Key_Enter
                                                                 : Qt::Key_Return);
        const bool rejected = output == QLatin1String("-");
        const bool proposes = !rejected && !output.isEmpty();
        QCOMPARE(everySignal.total(), proposes ? 1 : 0);
        QCOMPARE(edit->isVisible(), rejected);
        made = proposes ? QString::number(spy.at(0).at(0).toDouble()) : output;
        if (rejected) {
            // The user corrects it.
            QCOMPARE(edit->selectedText(), parts[0]);
            QTest::keyClicks(edit, QStringLiteral("4"));
        } else {
            // Opened again, it proposes as usual.
            edit->doEdit(QStringLiteral("4.0"));
        }
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(spy.last().at(0).toDouble(), 4.0);
        QCOMPARE(spy.count(), proposes ? 2 : 1);
    } else {
        const QStringList parts = input.split(QLatin1Char('|'));
        const QByteArray format = parts.value(1).toLatin1();
        QWidget window;
        window.resize(200, 100);
        auto *owner = new QWidget(&window);
        owner->setGeometry(30, 40, parts.size() > 1 ? 150 : 40, 20);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto *edit = new CNumEdit(owner);
        QVERIFY(edit->isWindow() && edit->parentWidget() == owner && !edit->isVisible());
        edit->doEdit(parts[0], parts.size() > 1 ? format.constData() : nullptr);
        QVERIFY(edit->isVisible());
        QCOMPARE(edit->selectedText(), edit->text());
        // Over its owner, at least as wide and never narrower than a number needs.
        QCOMPARE(edit->geometry().topLeft(), owner->mapToGlobal(QPoint(0, 0)));
        QVERIFY(edit->width() >= qMax(70, owner->width()));
        made = edit->text();
    }
    QCOMPARE(made, output);
}

void tst_Utilities::drawPartialPixmapDrawsOneFrame_data()
{
    QTest::addColumn<QPoint>("cell");
    QTest::addColumn<QSize>("grid");
    QTest::addColumn<bool>("emptyStrip");
    QTest::addColumn<bool>("drawn");
    const QSize grid(kColumns, kRows);
    for (int c = 0; c < kColumns; ++c) {
        for (int r = 0; r < kRows; ++r)
            QTest::addRow("column %d row %d", c, r) << QPoint(c, r) << grid << false << true;
    }
    QTest::newRow("column past the end") << QPoint(kColumns, 0) << grid << false << false;
    QTest::newRow("row past the end") << QPoint(0, kRows) << grid << false << false;
    QTest::newRow("negative cell") << QPoint(0, -1) << grid << false << false;
    QTest::newRow("empty grid") << QPoint(0, 0) << QSize(0, 0) << false << false;
    QTest::newRow("no rows") << QPoint(0, 0) << QSize(kColumns, 0) << false << false;
    QTest::newRow("empty strip") << QPoint(0, 0) << grid << true << false;
}

void tst_Utilities::drawPartialPixmapDrawsOneFrame()
{
    QFETCH(QPoint, cell);
    QFETCH(QSize, grid);
    QFETCH(bool, emptyStrip);
    QFETCH(bool, drawn);
    const QPixmap strip =
            emptyStrip ? QPixmap() : TestRig::frameStrip(kFrame, kColumns, kRows, cellColour);
    const QColor colour = drawn ? cellColour(cell.x(), cell.y()) : QColor(Qt::transparent);

    // At the painter's origin, which may be translated, and at a given point.
    for (bool translated : {true, false}) {
        const QPoint at = translated ? QPoint(3, 4) : QPoint(9, 11);
        QImage canvas = blankCanvas(QSize(20, 20));
        QPainter painter(&canvas);
        if (translated) {
            painter.translate(at);
            NS_Utilities::drawPartialPixmap(painter, cell, strip, grid);
        } else {
            NS_Utilities::drawPartialPixmap(painter, cell, strip, grid, at);
        }
        painter.end();
        const TestRig::PixelCount seen = TestRig::countPixels(canvas, colour, QRect(at, kFrame));
        QCOMPARE(seen.matching, kFrame.width() * kFrame.height());
        QCOMPARE(seen.strayOutside, 0);
    }
}

void tst_Utilities::greyTransformation()
{
    const QVector<QColor> colours = {
            Qt::black,       Qt::white,          Qt::red,       Qt::green,
            Qt::blue,        QColor(30, 30, 30), Qt::darkGreen, QColor(200, 180, 10),
            Qt::transparent,
    };
    QImage image(colours.size(), 1, QImage::Format_ARGB32);
    for (int x = 0; x < colours.size(); ++x)
        image.setPixel(x, 0, colours[x].rgba());
    const QImage grey = NS_Utilities::applyGreyTransformation(image);
    QCOMPARE(grey.size(), image.size());
    const QImage plain = grey.convertToFormat(QImage::Format_ARGB32); // unpremultiplied
    QVector<int> greyLevel(colours.size());
    for (int x = 0; x < colours.size(); ++x) {
        const QRgb pixel = plain.pixel(x, 0);
        QVERIFY(qRed(pixel) == qGreen(pixel) && qGreen(pixel) == qBlue(pixel));
        QCOMPARE(qAlpha(pixel), colours[x].alpha());
        greyLevel[x] = qRed(pixel);
    }
    // Contrast is compressed: neither end stays at the extreme; the order of brightness is kept.
    QVERIFY(greyLevel[0] > 0 && greyLevel[1] < 255);
    for (int a = 0; a + 1 < colours.size(); ++a) {
        for (int b = 0; b + 1 < colours.size(); ++b) {
            if (qGray(colours[a].rgb()) + 4 < qGray(colours[b].rgb()))
                QVERIFY2(greyLevel[a] < greyLevel[b], qPrintable(colours[a].name()));
        }
    }
    // An image without alpha stays opaque; a picture keeps its size and device pixel ratio.
    QImage opaque(4, 4, QImage::Format_RGB32);
    opaque.fill(QColor(10, 200, 90));
    const QImage opaqueGrey = NS_Utilities::applyGreyTransformation(opaque);
    QVERIFY(!opaqueGrey.hasAlphaChannel());
    QCOMPARE(qAlpha(opaqueGrey.pixel(2, 2)), 255);
    QVERIFY(NS_Utilities::applyGreyTransformation(QImage()).isNull());
    QPixmap pixmap(12, 10);
    pixmap.setDevicePixelRatio(2.0);
    pixmap.fill(Qt::red);
    const QPixmap greyPixmap = NS_Utilities::applyGreyTransformation(pixmap);
    QCOMPARE(greyPixmap.size(), pixmap.size());
    QCOMPARE(greyPixmap.devicePixelRatio(), 2.0);
    QCOMPARE(qRed(greyPixmap.toImage().pixel(3, 3)), qBlue(greyPixmap.toImage().pixel(3, 3)));
    QVERIFY(NS_Utilities::applyGreyTransformation(QPixmap()).isNull());

    // A half-transparent colour turns into the same grey as the opaque one, whatever format
    // the image is held in.
    const QVector<QColor> tints = {Qt::white, Qt::red, QColor(40, 90, 160), Qt::black};
    const QVector<int> alphas = {255, 200, 128, 40};
    for (QImage::Format format :
         {QImage::Format_ARGB32, QImage::Format_ARGB32_Premultiplied, QImage::Format_RGBA8888}) {
        QImage tinted(tints.size(), alphas.size(), format);
        for (int x = 0; x < tints.size(); ++x) {
            for (int y = 0; y < alphas.size(); ++y) {
                QColor c = tints[x];
                c.setAlpha(alphas[y]);
                tinted.setPixelColor(x, y, c);
            }
        }
        const QImage greyed = NS_Utilities::applyGreyTransformation(tinted).convertToFormat(
                QImage::Format_ARGB32);
        for (int x = 0; x < tints.size(); ++x) {
            for (int y = 1; y < alphas.size(); ++y) {
                const QRgb pixel = greyed.pixel(x, y);
                QCOMPARE(qAlpha(pixel), alphas[y]);
                // Premultiplied rounding at alpha 40 is worth a few levels.
                QVERIFY2(qAbs(qRed(pixel) - qRed(greyed.pixel(x, 0))) <= 255 / alphas[y] + 1,
                         qPrintable(tints[x].name() + QString::number(int(format))));
            }
        }
    }
}

void tst_Utilities::interlockedExchangeAdd()
{
    std::atomic<long> counter {7};
    QCOMPARE(InterlockedExchangeAdd(&counter, 0), 7L); // adding 0 reads
    QCOMPARE(InterlockedExchangeAdd(&counter, -7), 7L);
    QCOMPARE(counter.load(), 0L);

    // Two threads adding at once: every previous value is handed out exactly once.
    constexpr long kAdds = 100000;
    QVector<long> previous[2];
    QVERIFY(TestRig::runTogether(2, [&](int t) {
        for (long i = 0; i < kAdds; ++i)
            previous[t].append(InterlockedExchangeAdd(&counter, 1));
    }));
    QCOMPARE(counter.load(), 2 * kAdds);
    QVector<long> all = previous[0] + previous[1], expected(2 * kAdds);
    std::sort(all.begin(), all.end());
    std::iota(expected.begin(), expected.end(), 0L);
    QVERIFY(all == expected);
}

void tst_Utilities::loadPixmapSearchesFoldersInOrder()
{
    QTemporaryDir older;
    QTemporaryDir newer;
    QVERIFY(older.isValid() && newer.isValid());
    const QString name = QStringLiteral("zb4r_test_frame.png");
    QImage image(4, 3, QImage::Format_ARGB32);
    image.fill(Qt::red);
    QVERIFY(image.save(older.filePath(name)));
    image.fill(Qt::blue);
    QVERIFY(image.save(newer.filePath(name)));

    QVERIFY(NS_Utilities::loadPixmap(name).isNull());
    NS_Utilities::addPixmapPath(older.path());
    QCOMPARE(NS_Utilities::loadPixmap(name).toImage().pixel(1, 1), QColor(Qt::red).rgba());
    NS_Utilities::addPixmapPath(newer.path());
    const QStringList paths = NS_Utilities::pixmapPaths();
    QCOMPARE(paths.first(), newer.path());
    QCOMPARE(paths.last(), QStringLiteral(":/zb4r/images"));
    QCOMPARE(NS_Utilities::loadPixmap(name).toImage().pixel(1, 1), QColor(Qt::blue).rgba());
    QVERIFY(NS_Utilities::loadPixmap(QStringLiteral("zb4r_no_such_image.png")).isNull());
    QVERIFY(NS_Utilities::loadPixmap(QString()).isNull());
}

void tst_Utilities::rangeControlChangesAndPositions()
{
    // One range through a sequence of setters ('v' value, 'r' range, 'M' maximum, 'm' minimum)
    // with the value, bounds and previous value after each, and the value and range changes
    // counted so far.
    struct Step
    {
        char op;
        int a, b, value, min, max, prev, valueChanges, rangeChanges;
    };
    const Step steps[] = {
            {'v', 40, 0, 40, 0, 99, 0, 1, 0},
            {'v', 40, 0, 40, 0, 99, 0, 1, 0},
            {'v', 150, 0, 99, 0, 99, 40, 2, 0},
            {'v', 1000, 0, 99, 0, 99, 40, 2, 0}, // bounds to the same value: no change
            {'v', -5, 0, 0, 0, 99, 99, 3, 0},
            {'v', 50, 0, 50, 0, 99, 0, 4, 0},
            {'r', 0, 200, 50, 0, 200, 0, 4, 1}, // the value stays inside
            {'r', 0, 200, 50, 0, 200, 0, 4, 1},
            {'r', 60, 80, 60, 60, 80, 50, 5, 2}, // the value moves up to the new minimum
            {'r', 30, 10, 30, 30, 30, 60, 6, 3}, // reversed: the maximum follows the minimum
            {'M', 90, 0, 30, 30, 90, 60, 6, 4},
            {'m', 95, 0, 95, 95, 95, 30, 7, 5},
    };
    RangeProbe range;
    for (const Step &s : steps) {
        if (s.op == 'v')
            range.setValue(s.a);
        else if (s.op == 'r')
            range.setRange(s.a, s.b);
        else if (s.op == 'M')
            range.setMaxValue(s.a);
        else
            range.setMinValue(s.a);
        QCOMPARE(QList<int>({range.value(), range.minValue(), range.maxValue(), range.prevValue(),
                             range.valueChanges, range.rangeChanges}),
                 QList<int>({s.value, s.min, s.max, s.prev, s.valueChanges, s.rangeChanges}));
        // The range hook sees the value already moved into the new range.
        QCOMPARE(range.valueSeenByRangeChange, s.rangeChanges ? range.value() : 0);
    }
    QCOMPARE(range.bound(500), 95);
    // Built bounded, with steps of their size, and no change told.
    RangeProbe built(10, 20, -2, 5, 50);
    QCOMPARE(QList<int>({built.value(), built.lineStep(), built.valueChanges}),
             QList<int>({20, 2, 0}));

    // Positions over a span of pixels and back, also over the whole int range.
    RangeProbe small(-20, 80, 1, 10, 0), wide(INT_MIN, INT_MAX, 1, 1, 0);
    QCOMPARE(QList<int>({small.positionFromValue(-20, 100), small.positionFromValue(80, 100),
                         wide.positionFromValue(INT_MIN, 300),
                         wide.positionFromValue(INT_MAX, 300)}),
             QList<int>({0, 100, 0, 300}));
    QCOMPARE(QList<int>({small.valueFromPosition(0, 100), small.valueFromPosition(100, 100),
                         wide.valueFromPosition(0, 300), wide.valueFromPosition(300, 300)}),
             QList<int>({-20, 80, INT_MIN, INT_MAX}));
    for (int v = -20; v <= 80; ++v)
        QCOMPARE(small.valueFromPosition(small.positionFromValue(v, 100), 100), v);
}

void tst_Utilities::rangeControlSteps_data()
{
    // The range is built with steps 1 and 10 and given the row's steps afterwards.
    QTest::addColumn<QVector<int>>("setup"); // minimum, maximum, line step, page step, value
    QTest::addColumn<QString>("steps"); // l, L: a line up, down; p, P: a page up, down
    QTest::addColumn<int>("expected");

    const int lo = INT_MIN, hi = INT_MAX;
    QTest::newRow("line up") << QVector<int> {0, 100, 3, 20, 50} << "l" << 53;
    QTest::newRow("page down") << QVector<int> {0, 100, 3, 20, 50} << "P" << 30;
    QTest::newRow("pages up to the end") << QVector<int> {0, 100, 3, 20, 50} << "ppp" << 100;
    QTest::newRow("line at the end") << QVector<int> {0, 100, 3, 20, 100} << "l" << 100;
    QTest::newRow("line below the start") << QVector<int> {0, 100, 3, 20, 2} << "L" << 0;
    QTest::newRow("negative steps step by their size")
            << QVector<int> {0, 100, -3, -20, 50} << "lP" << 33;
    QTest::newRow("page past the largest int")
            << QVector<int> {lo, hi, hi, hi, hi - 3} << "p" << hi;
    QTest::newRow("line past the largest int")
            << QVector<int> {lo, hi, hi, hi, hi - 3} << "l" << hi;
    QTest::newRow("page past the smallest int")
            << QVector<int> {lo, hi, hi, hi, lo + 1} << "P" << lo;
    QTest::newRow("line past the smallest int")
            << QVector<int> {lo, hi, hi, hi, lo + 1} << "L" << lo;
    // No step magnitude fits an int: the largest is taken.
    QTest::newRow("smallest int as step") << QVector<int> {lo, hi, lo, lo, lo} << "p" << -1;
    QTest::newRow("smallest int as step, twice")
            << QVector<int> {lo, hi, lo, lo, lo} << "pp" << hi - 1;
}

void tst_Utilities::rangeControlSteps()
{
    QFETCH(QVector<int>, setup);
    QFETCH(QString, steps);
    QFETCH(int, expected);
    RangeProbe range(setup[0], setup[1], 1, 10, setup[4]);
    range.setSteps(1, 10);
    QCOMPARE(range.stepChanges, 0);
    range.setSteps(setup[2], setup[3]);
    range.setSteps(setup[2], setup[3]);
    QCOMPARE(range.stepChanges, 1);
    for (QChar step : steps)
        (range
         .*(step == 'l'           ? &TRangeControl::addLine
                    : step == 'L' ? &TRangeControl::subtractLine
                    : step == 'p' ? &TRangeControl::addPage
                                  : &TRangeControl::subtractPage))();
    QCOMPARE(range.value(), expected);
    // A step that cannot move the value is no change.
    QCOMPARE(range.valueChanges > 0, expected != setup[4]);
}

void tst_Utilities::backgroundPixmapAndGeometryChange()
{
    QWidget widget;
    widget.resize(30, 20);
    TBackgroundPixmap background;
    int paints = 0;
    const auto paint = [&](QPainter &painter) {
        ++paints;
        painter.fillRect(QRect(0, 0, 5, 5), Qt::red);
    };

    QVERIFY(!background.isValid());
    const QPixmap &first = background.pixmap(&widget, paint);
    QVERIFY(background.isValid());
    QCOMPARE(first.deviceIndependentSize().toSize(), widget.size());
    QCOMPARE(first.devicePixelRatio(), widget.devicePixelRatioF());
    background.pixmap(&widget, paint);
    QImage canvas = blankCanvas(widget.size());
    {
        QPainter painter(&canvas);
        background.paint(painter, &widget, paint);
    }
    QCOMPARE(QList<int>({background.rebuildCount(), paints}), QList<int>({1, 1}));
    QCOMPARE(canvas.pixel(2, 2), QColor(Qt::red).rgba());

    background.invalidate();
    background.pixmap(&widget, paint);
    background.pixmap(&widget, paint);
    QCOMPARE(background.rebuildCount(), 2);

    widget.resize(40, 25);
    QCOMPARE(background.pixmap(&widget, paint).deviceIndependentSize().toSize(), widget.size());
    QCOMPARE(QList<int>({background.rebuildCount(), paints}), QList<int>({3, 3}));

    // A ready picture of the right size is used as it is; one of another size is replaced.
    QPixmap shared(widget.size());
    shared.fill(Qt::green);
    background.setPixmap(shared);
    QCOMPARE(background.pixmap(&widget, paint).toImage().pixel(20, 20), QColor(Qt::green).rgba());
    QCOMPARE(background.rebuildCount(), 3);
    background.setPixmap(QPixmap(5, 5));
    background.pixmap(&widget, paint);
    QCOMPARE(background.rebuildCount(), 4);

    // A widget without a size has nothing to paint on.
    QWidget empty;
    empty.resize(0, 0);
    TBackgroundPixmap none;
    QVERIFY(none.pixmap(&empty, paint).isNull() && none.pixmap(nullptr, paint).isNull());
    QCOMPARE(none.rebuildCount(), 0);

    // Filled with the window colour, or left transparent.
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, QColor(12, 34, 56));
    widget.setPalette(palette);
    const auto nothing = [](QPainter &) {};
    TBackgroundPixmap opaque, transparent;
    QCOMPARE(opaque.pixmap(&widget, nothing).toImage().pixel(5, 5), QColor(12, 34, 56).rgba());
    QCOMPARE(qAlpha(transparent.pixmap(&widget, nothing, true).toImage().pixel(5, 5)), 0);

    // A geometry change repaints a shown widget once; hidden or missing ones are left alone.
    QCOMPARE(NS_Utilities::geometry_change<QWidget>(nullptr), false);

    PaintCounter painted;
    painted.resize(50, 50);
    QCOMPARE(NS_Utilities::geometry_change(&painted), false); // hidden
    painted.show();
    QVERIFY(QTest::qWaitForWindowExposed(&painted));
    QCoreApplication::sendPostedEvents();
    const int paintsBefore = painted.paints;
    QVERIFY(NS_Utilities::geometry_change(&painted));
    QCoreApplication::sendPostedEvents();
    QCOMPARE(painted.paints, paintsBefore + 1);
}

QTEST_MAIN(tst_Utilities)
#include "tst_utilities.moc"
