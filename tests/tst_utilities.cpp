#include "CNumEdit.h"
#include "NS_Utilities.h"
#include "TBackgroundPixmap.h"
#include "TMarshallEvent.h"
#include "TRangeControl.h"
#include "TestRig.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QSignalSpy>
#include <QThread>
#include <QVector>
#include <QWidget>
#include <QtTest>

#include <atomic>
#include <climits>
#include <memory>
#include <vector>

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

QPixmap makeStrip()
{
    return TestRig::frameStrip(kFrame, kColumns, kRows, cellColour);
}

QImage blankCanvas(const QSize &size)
{
    QImage canvas(size, QImage::Format_ARGB32);
    canvas.fill(Qt::transparent);
    return canvas;
}

// Unpremultiplied reading of a pixel.
QRgb plainPixel(const QImage &image, int x, int y)
{
    return image.convertToFormat(QImage::Format_ARGB32).pixel(x, y);
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

void resetCalls()
{
    g_calls = 0;
    g_callThread = nullptr;
    g_callReceiver = nullptr;
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
    void marshallDispatcherMadeOffTheGuiThread();
    void marshallCallRunsOnGuiThread();

    void partialPixmapRect_data();
    void partialPixmapRect();
    void drawPartialPixmapDrawsOneFrame_data();
    void drawPartialPixmapDrawsOneFrame();

    void greyTransformation();
    void greyTransformationOfPremultipliedPixels();

    void leadingNumber_data();
    void leadingNumber();
    void numEditShowsFormattedNumber_data();
    void numEditShowsFormattedNumber();
    void numEditOpensOverItsOwner();
    void numEditKeys_data();
    void numEditKeys();

    void geometryChange();
    void interlockedExchangeAdd();
    void loadPixmapSearchesFoldersInOrder();

    void rangeControlBoundsAndSignalsChanges();
    void rangeControlSteps_data();
    void rangeControlSteps();
    void rangeControlPositions();

    void backgroundPixmapRebuildsOnlyWhenNeeded();

    void numberListReadsLikeAtoi_data();
    void numberListReadsLikeAtoi();
};

void tst_Utilities::marshallDispatcherMadeOffTheGuiThread()
{
    QVERIFY(!CAppServer::s_marshallDispatcher);
    constexpr int kThreads = 8;
    QVector<QObject *> seen(kThreads, nullptr);
    QVERIFY(TestRig::runTogether(kThreads,
                                 [&](int t) { seen[t] = CAppServer::marshallDispatcher(); }));
    QObject *dispatcher = CAppServer::s_marshallDispatcher;
    QVERIFY(dispatcher);
    for (QObject *d : seen)
        QCOMPARE(d, dispatcher);
    QCOMPARE(dispatcher->thread(), qApp->thread());
    QVERIFY(NS_Utilities::mainThreadRunning());
    bool onWorker = true;
    QVERIFY(TestRig::runOnWorker([&] { onWorker = NS_Utilities::mainThreadRunning(); }));
    QVERIFY(!onWorker);
}

void tst_Utilities::marshallCallRunsOnGuiThread()
{
    resetCalls();
    QObject receiver;
    QVERIFY(TestRig::runOnWorker([&] { TMarshallEvent::post(&receiver, recordCall); }));
    QCOMPARE(g_calls.load(), 0); // not run on the posting thread

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
    resetCalls();
    auto *doomed = new QObject;
    QVERIFY(TestRig::runOnWorker([&] {
        TMarshallEvent::post(doomed, recordCall);
        TMarshallEvent::post(doomed, nullptr);
    }));
    delete doomed;
    QCoreApplication::sendPostedEvents(nullptr, TMarshallEvent::eventType());
    QCOMPARE(g_calls.load(), 0);

    // The type is registered once, whoever asks.
    QEvent::Type fromWorker = QEvent::None;
    QVERIFY(TestRig::runOnWorker([&] { fromWorker = TMarshallEvent::eventType(); }));
    QCOMPARE(fromWorker, TMarshallEvent::eventType());
    QVERIFY(fromWorker >= QEvent::User);
}

void tst_Utilities::partialPixmapRect_data()
{
    QTest::addColumn<QPoint>("cell");
    QTest::addColumn<QSize>("strip");
    QTest::addColumn<QSize>("grid");
    QTest::addColumn<QRect>("expected");

    QTest::newRow("first") << QPoint(0, 0) << QSize(30, 40) << QSize(3, 4) << QRect(0, 0, 10, 10);
    QTest::newRow("last") << QPoint(2, 3) << QSize(30, 40) << QSize(3, 4) << QRect(20, 30, 10, 10);
    // Frames are the strip divided evenly; a remainder is never drawn.
    QTest::newRow("uneven") << QPoint(1, 1) << QSize(31, 43) << QSize(3, 4)
                            << QRect(10, 10, 10, 10);
    QTest::newRow("row outside") << QPoint(0, 4) << QSize(30, 40) << QSize(3, 4) << QRect();
    QTest::newRow("negative grid") << QPoint(0, 0) << QSize(30, 40) << QSize(3, -1) << QRect();
    QTest::newRow("empty strip") << QPoint(0, 0) << QSize() << QSize(3, 4) << QRect();
    QTest::newRow("grid finer than strip") << QPoint(0, 0) << QSize(2, 2) << QSize(3, 1) << QRect();
}

void tst_Utilities::partialPixmapRect()
{
    QFETCH(QPoint, cell);
    QFETCH(QSize, strip);
    QFETCH(QSize, grid);
    QFETCH(QRect, expected);
    const QRect rect = NS_Utilities::partialPixmapRect(cell, strip, grid);
    if (expected.isNull())
        QVERIFY(rect.isEmpty());
    else
        QCOMPARE(rect, expected);
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
    const QPixmap strip = emptyStrip ? QPixmap() : makeStrip();
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

    QVector<int> greyLevel(colours.size());
    for (int x = 0; x < colours.size(); ++x) {
        const QRgb pixel = plainPixel(grey, x, 0);
        QCOMPARE(qRed(pixel), qGreen(pixel));
        QCOMPARE(qGreen(pixel), qBlue(pixel));
        QCOMPARE(qAlpha(pixel), colours[x].alpha());
        greyLevel[x] = qRed(pixel);
    }
    // Contrast is compressed: neither end stays at the extreme.
    QVERIFY(greyLevel[0] > 0);
    QVERIFY(greyLevel[1] < 255);
    // Order of brightness is kept.
    for (int a = 0; a + 1 < colours.size(); ++a) {
        for (int b = 0; b + 1 < colours.size(); ++b) {
            if (qGray(colours[a].rgb()) + 4 < qGray(colours[b].rgb()))
                QVERIFY2(greyLevel[a] < greyLevel[b],
                         qPrintable(QStringLiteral("%1 vs %2")
                                            .arg(colours[a].name(), colours[b].name())));
        }
    }

    // An image without alpha stays opaque.
    QImage opaque(4, 4, QImage::Format_RGB32);
    opaque.fill(QColor(10, 200, 90));
    const QImage opaqueGrey = NS_Utilities::applyGreyTransformation(opaque);
    QVERIFY(!opaqueGrey.hasAlphaChannel());
    QCOMPARE(qAlpha(opaqueGrey.pixel(2, 2)), 255);
    QVERIFY(NS_Utilities::applyGreyTransformation(QImage()).isNull());

    // A picture keeps its size and device pixel ratio.
    QPixmap pixmap(12, 10);
    pixmap.setDevicePixelRatio(2.0);
    pixmap.fill(Qt::red);
    const QPixmap greyPixmap = NS_Utilities::applyGreyTransformation(pixmap);
    QCOMPARE(greyPixmap.size(), pixmap.size());
    QCOMPARE(greyPixmap.devicePixelRatio(), 2.0);
    QCOMPARE(qRed(greyPixmap.toImage().pixel(3, 3)), qBlue(greyPixmap.toImage().pixel(3, 3)));
    QVERIFY(NS_Utilities::applyGreyTransformation(QPixmap()).isNull());
}

void tst_Utilities::greyTransformationOfPremultipliedPixels()
{
    // A half-transparent colour must turn into the same grey as the opaque one, whatever format
    // the image is held in.
    const QVector<QColor> colours = {Qt::white, Qt::red, QColor(40, 90, 160), Qt::black};
    const QVector<int> alphas = {255, 200, 128, 40};
    for (QImage::Format format :
         {QImage::Format_ARGB32, QImage::Format_ARGB32_Premultiplied, QImage::Format_RGBA8888}) {
        QImage image(colours.size(), alphas.size(), format);
        for (int x = 0; x < colours.size(); ++x) {
            for (int y = 0; y < alphas.size(); ++y) {
                QColor c = colours[x];
                c.setAlpha(alphas[y]);
                image.setPixelColor(x, y, c);
            }
        }
        const QImage grey = NS_Utilities::applyGreyTransformation(image);
        for (int x = 0; x < colours.size(); ++x) {
            const int opaqueLevel = qRed(plainPixel(grey, x, 0));
            for (int y = 1; y < alphas.size(); ++y) {
                const QRgb pixel = plainPixel(grey, x, y);
                QCOMPARE(qAlpha(pixel), alphas[y]);
                // Premultiplied rounding at alpha 40 is worth a few levels.
                QVERIFY2(qAbs(qRed(pixel) - opaqueLevel) <= 255 / alphas[y] + 1,
                         qPrintable(QStringLiteral("format %1 colour %2 alpha %3: %4 vs %5")
                                            .arg(int(format))
                                            .arg(colours[x].name())
                                            .arg(alphas[y])
                                            .arg(qRed(pixel))
                                            .arg(opaqueLevel)));
            }
        }
    }
}

void tst_Utilities::leadingNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<double>("number");

    QTest::newRow("dB") << "-12.5 dB" << true << -12.5;
    QTest::newRow("kHz as printed") << "1.20 kHz" << true << 1.2;
    QTest::newRow("leading spaces, plus") << "  +3 ms" << true << 3.0;
    QTest::newRow("percent") << "50%" << true << 50.0;
    QTest::newRow("fraction only") << ".5" << true << 0.5;
    QTest::newRow("exponent") << "1e3 Hz" << true << 1000.0;
    QTest::newRow("e of a unit") << "5 eps" << true << 5.0;
    QTest::newRow("exponent without digits") << "5e" << true << 5.0;
    QTest::newRow("minus infinity") << "-inf dB" << false << 0.0;
    QTest::newRow("name") << "Off" << false << 0.0;
    QTest::newRow("sign only") << "- dB" << false << 0.0;
    QTest::newRow("point only") << "." << false << 0.0;
    QTest::newRow("empty") << "" << false << 0.0;
}

void tst_Utilities::leadingNumber()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(double, number);
    bool parsed = !ok;
    QCOMPARE(CNumEdit::leadingNumber(text, &parsed), number);
    QCOMPARE(parsed, ok);
    QCOMPARE(CNumEdit::leadingNumber(text, nullptr), number);
}

void tst_Utilities::numEditShowsFormattedNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QString>("shown");

    QTest::newRow("own format") << "1.5 dB" << QByteArray("%.2f") << "1.50";
    QTest::newRow("default format") << "-12.54 dB" << QByteArray() << "-12.5";
    QTest::newRow("literal text") << "3 ms" << QByteArray("%.0f ms") << "3 ms";
    QTest::newRow("integer format falls back") << "7 Hz" << QByteArray("%d") << "7.0";
    QTest::newRow("two conversions fall back") << "7" << QByteArray("%f %f") << "7.0";
    QTest::newRow("string format falls back") << "7" << QByteArray("%s") << "7.0";
    QTest::newRow("no number shown as it is") << " Off " << QByteArray("%.2f") << "Off";
}

void tst_Utilities::numEditShowsFormattedNumber()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, format);
    QFETCH(QString, shown);
    QWidget owner;
    owner.resize(100, 30);
    owner.show();
    CNumEdit *edit = new CNumEdit(&owner);
    edit->doEdit(text, format.isNull() ? nullptr : format.constData());
    QCOMPARE(edit->text(), shown);
    QVERIFY(edit->isVisible());
    QCOMPARE(edit->selectedText(), shown);
}

void tst_Utilities::numEditOpensOverItsOwner()
{
    QWidget window;
    window.resize(200, 100);
    auto *owner = new QWidget(&window);
    owner->setGeometry(30, 40, 40, 20);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    auto *edit = new CNumEdit(owner);
    QVERIFY(edit->isWindow());
    QCOMPARE(edit->parentWidget(), owner);
    QVERIFY(!edit->isVisible());
    edit->doEdit(QStringLiteral("0 dB"));
    QCOMPARE(edit->geometry().topLeft(), owner->mapToGlobal(QPoint(0, 0)));
    QVERIFY(edit->width() >= 70);

    edit->hide();
    owner->resize(150, 20);
    edit->doEdit(QStringLiteral("0 dB"));
    QVERIFY(edit->width() >= owner->width());
}

void tst_Utilities::numEditKeys_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("proposes");
    QTest::addColumn<double>("proposed");

    const int enter = Qt::Key_Return;
    QTest::newRow("negative") << "-3.5" << enter << true << -3.5;
    QTest::newRow("keypad enter") << "12" << int(Qt::Key_Enter) << true << 12.0;
    QTest::newRow("with unit") << "2.5 dB" << enter << true << 2.5;
    QTest::newRow("decimal comma") << "1,5" << enter << true << 1.5;
    QTest::newRow("spaces") << "  40  " << enter << true << 40.0;
    QTest::newRow("escape cancels") << "5" << int(Qt::Key_Escape) << false << 0.0;
    // Garbage: nothing is proposed, and the edit stays open for a correction.
    QTest::newRow("word") << "abc" << enter << false << 0.0;
    QTest::newRow("two points") << "1.2.3" << enter << false << 0.0;
    QTest::newRow("number then digits after unit") << "5 dB 3" << enter << false << 0.0;
    QTest::newRow("infinity") << "inf" << enter << false << 0.0;
    QTest::newRow("empty") << "" << enter << false << 0.0;
    QTest::newRow("sign only") << "-" << enter << false << 0.0;
}

void tst_Utilities::numEditKeys()
{
    QFETCH(QString, typed);
    QFETCH(int, key);
    QFETCH(bool, proposes);
    QFETCH(double, proposed);
    QWidget owner;
    owner.show();
    auto *edit = new CNumEdit(&owner);
    const TestRig::AllSignals everySignal(edit);
    QSignalSpy spy(edit, &CNumEdit::numberProposed);
    edit->doEdit(QStringLiteral("1.0 dB"));
    QTest::keyClick(edit, Qt::Key_Backspace); // the value is selected
    QTest::keyClicks(edit, typed);
    QCOMPARE(edit->text(), typed);
    QTest::keyClick(edit, Qt::Key(key));

    QCOMPARE(everySignal.total(), proposes ? 1 : 0);
    if (proposes)
        QCOMPARE(spy.at(0).at(0).toDouble(), proposed);
    const bool rejected = !proposes && key != Qt::Key_Escape;
    QCOMPARE(edit->isVisible(), rejected);
    if (rejected) {
        // The user corrects it.
        QCOMPARE(edit->selectedText(), typed);
        QTest::keyClicks(edit, QStringLiteral("4"));
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(spy.last().at(0).toDouble(), 4.0);
    } else {
        // Opened again, it proposes as usual.
        edit->doEdit(QStringLiteral("1.0"));
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(spy.last().at(0).toDouble(), 1.0);
    }
    QCOMPARE(spy.count(), proposes ? 2 : 1);
}

void tst_Utilities::geometryChange()
{
    QCOMPARE(NS_Utilities::geometry_change<QWidget>(nullptr), false);

    PaintCounter widget;
    widget.resize(50, 50);
    QCOMPARE(NS_Utilities::geometry_change(&widget), false); // hidden
    widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&widget));
    QCoreApplication::sendPostedEvents();
    const int paintsBefore = widget.paints;
    QVERIFY(NS_Utilities::geometry_change(&widget));
    QCoreApplication::sendPostedEvents();
    QCOMPARE(widget.paints, paintsBefore + 1);
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
    previous[0].reserve(kAdds);
    previous[1].reserve(kAdds);
    QVERIFY(TestRig::runTogether(2, [&](int t) {
        for (long i = 0; i < kAdds; ++i)
            previous[t].append(InterlockedExchangeAdd(&counter, 1));
    }));
    QCOMPARE(counter.load(), 2 * kAdds);
    QVector<bool> handedOut(2 * kAdds, false);
    for (const QVector<long> &values : previous) {
        for (long v : values) {
            QVERIFY(v >= 0 && v < 2 * kAdds);
            QVERIFY(!handedOut[v]);
            handedOut[v] = true;
        }
    }
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

void tst_Utilities::rangeControlBoundsAndSignalsChanges()
{
    RangeProbe range;
    range.setValue(40);
    QCOMPARE(range.value(), 40);
    QCOMPARE(range.valueChanges, 1);
    range.setValue(40);
    QCOMPARE(range.valueChanges, 1);

    range.setValue(150);
    QCOMPARE(range.value(), 99);
    QCOMPARE(range.prevValue(), 40);
    QCOMPARE(range.valueChanges, 2);
    range.setValue(1000); // bounds to the same value: no change
    QCOMPARE(range.valueChanges, 2);
    QCOMPARE(range.prevValue(), 40);

    range.setValue(-5);
    QCOMPARE(range.value(), 0);
    QCOMPARE(range.valueChanges, 3);
    QCOMPARE(range.bound(500), 99);

    range.setValue(50);
    range.valueChanges = 0;

    range.rangeChanges = 0;
    range.setRange(0, 200); // value stays inside
    QCOMPARE(range.rangeChanges, 1);
    QCOMPARE(range.valueChanges, 0);
    range.setRange(0, 200);
    QCOMPARE(range.rangeChanges, 1);

    range.setRange(60, 80); // value moves up to the new minimum
    QCOMPARE(range.value(), 60);
    QCOMPARE(range.valueSeenByRangeChange, 60);
    QCOMPARE(range.prevValue(), 50);
    QCOMPARE(range.rangeChanges, 2);
    QCOMPARE(range.valueChanges, 1);

    range.setRange(30, 10); // reversed: the maximum follows the minimum
    QCOMPARE(range.minValue(), 30);
    QCOMPARE(range.maxValue(), 30);
    QCOMPARE(range.value(), 30);
    QCOMPARE(range.valueChanges, 2);

    range.setMaxValue(90);
    QCOMPARE(range.maxValue(), 90);
    range.setMinValue(95);
    QCOMPARE(range.maxValue(), 95);
    QCOMPARE(range.value(), 95);

    // Built bounded, with steps of their size, and no change told.
    RangeProbe built(10, 20, -2, 5, 50);
    QCOMPARE(built.value(), 20);
    QCOMPARE(built.lineStep(), 2);
    QCOMPARE(built.valueChanges, 0);
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
    for (QChar step : steps) {
        switch (step.unicode()) {
        case 'l':
            range.addLine();
            break;
        case 'L':
            range.subtractLine();
            break;
        case 'p':
            range.addPage();
            break;
        default:
            range.subtractPage();
            break;
        }
    }
    QCOMPARE(range.value(), expected);
    // A step that cannot move the value is no change.
    QCOMPARE(range.valueChanges > 0, expected != setup[4]);
}

void tst_Utilities::rangeControlPositions()
{
    RangeProbe range(-20, 80, 1, 10, 0);
    const int span = 100;
    QCOMPARE(range.positionFromValue(-20, span), 0);
    QCOMPARE(range.positionFromValue(80, span), span);
    QCOMPARE(range.valueFromPosition(0, span), -20);
    QCOMPARE(range.valueFromPosition(span, span), 80);
    for (int v = -20; v <= 80; ++v)
        QCOMPARE(range.valueFromPosition(range.positionFromValue(v, span), span), v);

    RangeProbe wide(INT_MIN, INT_MAX, 1, 1, 0);
    QCOMPARE(wide.positionFromValue(INT_MIN, 300), 0);
    QCOMPARE(wide.positionFromValue(INT_MAX, 300), 300);
    QCOMPARE(wide.valueFromPosition(0, 300), INT_MIN);
    QCOMPARE(wide.valueFromPosition(300, 300), INT_MAX);
}

void tst_Utilities::backgroundPixmapRebuildsOnlyWhenNeeded()
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
    QCOMPARE(background.rebuildCount(), 1);
    QCOMPARE(paints, 1);
    QCOMPARE(canvas.pixel(2, 2), QColor(Qt::red).rgba());

    background.invalidate();
    background.pixmap(&widget, paint);
    background.pixmap(&widget, paint);
    QCOMPARE(background.rebuildCount(), 2);

    widget.resize(40, 25);
    QCOMPARE(background.pixmap(&widget, paint).deviceIndependentSize().toSize(), widget.size());
    QCOMPARE(background.rebuildCount(), 3);
    QCOMPARE(paints, 3);

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
    QVERIFY(none.pixmap(&empty, paint).isNull());
    QVERIFY(none.pixmap(nullptr, paint).isNull());
    QCOMPARE(none.rebuildCount(), 0);

    // Filled with the window colour, or left transparent.
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, QColor(12, 34, 56));
    widget.setPalette(palette);
    const auto nothing = [](QPainter &) {};
    TBackgroundPixmap opaque, transparent;
    QCOMPARE(opaque.pixmap(&widget, nothing).toImage().pixel(5, 5), QColor(12, 34, 56).rgba());
    QCOMPARE(qAlpha(transparent.pixmap(&widget, nothing, true).toImage().pixel(5, 5)), 0);
}

void tst_Utilities::numberListReadsLikeAtoi_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("base");
    QTest::addColumn<QList<int>>("numbers");
    QTest::newRow("plain") << QStringLiteral("1;22;333") << 10 << QList<int> {1, 22, 333};
    QTest::newRow("empty entries dropped") << QStringLiteral(";;4;;5;") << 10 << QList<int> {4, 5};
    QTest::newRow("non-numbers read as 0")
            << QStringLiteral("x;7b;  -8 dB;+") << 10 << QList<int> {0, 7, -8, 0};
    QTest::newRow("saturates") << QStringLiteral("99999999999;-99999999999") << 10
                               << QList<int> {INT_MAX, INT_MIN};
    QTest::newRow("hex") << QStringLiteral("ff;0x10;7FFF;g") << 16
                         << QList<int> {255, 16, 32767, 0};
    QTest::newRow("nothing") << QString() << 10 << QList<int> {};
}

void tst_Utilities::numberListReadsLikeAtoi()
{
    QFETCH(QString, text);
    QFETCH(int, base);
    QFETCH(QList<int>, numbers);
    QCOMPARE(NS_Utilities::numberList(text, base), numbers);
}

QTEST_MAIN(tst_Utilities)
#include "tst_utilities.moc"
