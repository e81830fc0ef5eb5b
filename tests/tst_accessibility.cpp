// What assistive tools and high-dpi screens get from the bound widgets: roles, names, values and
// value texts read from the embedded memory, values set through the accessible interface landing
// in the memory, coalesced value-change events, and pictures at device pixel ratio 2 (the suite
// runs with QT_SCALE_FACTOR=2).

#include "CMeter.h"
#include "COnOffButton.h"
#include "CPopup.h"
#include "NS_Utilities.h"
#include "TAccessibleFactory.h"
#include "TFocusFrame.h"
#include "TWidgetCatalogue.h"
#include "TestRig.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QApplication>
#include <QTemporaryDir>

using namespace TestRig;

namespace {

constexpr int kChannel = 3;
constexpr int kFrames = 5;
constexpr int kSide = 24; // logical frame side of the test strips

// Value-change events per object, as an assistive tool would receive them.
QHash<QObject *, QList<QVariant>> g_valueEvents;

void recordEvent(QAccessibleEvent *event)
{
    if (event->type() == QAccessible::ValueChanged)
        g_valueEvents[event->object()].append(
                static_cast<QAccessibleValueChangeEvent *>(event)->value());
}

// A catalogue widget in the console's window (the demo console of the built-in catalogue, on a
// channel other than 0), bound to address.
QWidget *make(Console &desk, const QString &className, const char *address)
{
    desk.host.show(); // the window is open before the widget joins it
    QWidget *w = QTest::qWaitForWindowExposed(&desk.host)
            ? TWidgetCatalogue::createWidget(className, &desk.host)
            : nullptr;
    if (auto *popup = qobject_cast<CPopup *>(w))
        popup->setLabels(QStringLiteral("A;B;C;D;E"));
    // Bound before it is shown (and polished), as a host adds a widget to its open window.
    if (!w || !desk.bind(dynamic_cast<TMemProxy *>(w), address))
        return nullptr;
    w->show();
    return w;
}

QAccessibleValueInterface *valueOf(QWidget *w)
{
    return QAccessible::queryAccessibleInterface(w)->valueInterface();
}

// A strip whose every device pixel differs from its neighbours in both directions (a
// one-device-pixel checkerboard tinted per frame), so doubled pixels would show.
QImage checkerStrip(int ratio, int frames)
{
    const int side = kSide * ratio;
    QImage strip(side, side * frames, QImage::Format_ARGB32);
    for (int y = 0; y < strip.height(); ++y)
        for (int x = 0; x < strip.width(); ++x)
            strip.setPixel(x, y, QColor::fromHsv(y / side * 60, 200, (x + y) % 2 ? 250 : 90).rgb());
    return strip;
}

// Rows (or, with columns set, columns) equal to their neighbour.
int duplicateLines(const QImage &image, bool columns)
{
    const QImage img = columns ? image.transformed(QTransform().rotate(90)) : image;
    int duplicates = 0;
    for (int i = 1; i < img.height(); ++i)
        duplicates += img.copy(0, i, img.width(), 1) == img.copy(0, i - 1, img.width(), 1);
    return duplicates;
}

} // namespace

class tst_Accessibility : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init() { g_valueEvents.clear(); }

    void everyCatalogueWidget_data();
    void everyCatalogueWidget();
    void valueFromMemoryAndInterface_data();
    void valueFromMemoryAndInterface();
    void badValuesMeterEventsAndTabReach();
    void burstRaisesAHandful_data();
    void burstRaisesAHandful();

    void pixmapsAtRatioTwo();
    void sharpAtRatioTwo_data();
    void sharpAtRatioTwo();

private:
    QTemporaryDir m_pictures;
};

void tst_Accessibility::initTestCase()
{
    QCOMPARE(qApp->devicePixelRatio(), 2.0);
    // No platform assistive tool exists offscreen: this suite listens in the process.
    TAccessibleFactory::setEventListener(&recordEvent);
    // Strips with and without a high-resolution variant, and one with only that.
    for (const char *file : {"both.png", "plain.png"})
        QVERIFY(checkerStrip(1, kFrames).save(m_pictures.filePath(QLatin1String(file))));
    for (const char *file : {"both@2x.png", "only@2x.png"})
        QVERIFY(checkerStrip(2, kFrames).save(m_pictures.filePath(QLatin1String(file))));
    QVERIFY(checkerStrip(1, 2).save(m_pictures.filePath(QStringLiteral("two.png"))));
    QVERIFY(checkerStrip(2, 2).save(m_pictures.filePath(QStringLiteral("two@2x.png"))));
    NS_Utilities::addPixmapPath(m_pictures.path());
}

void tst_Accessibility::everyCatalogueWidget_data()
{
    QTest::addColumn<int>("index");
    for (int i = 0; i < TWidgetCatalogue::entries().size(); ++i)
        QTest::newRow(qPrintable(TWidgetCatalogue::entries().at(i).className())) << i;
}

void tst_Accessibility::everyCatalogueWidget()
{
    // A widget kind offered to forms without a row in the accessibility table would be mute.
    QFETCH(int, index);
    const TWidgetCatalogueEntry &entry = TWidgetCatalogue::entries().at(index);
    Console desk("", kChannel);
    QWidget *w = entry.sampleAddress ? make(desk, entry.className(), entry.sampleAddress)
                                     : entry.create(&desk.host);
    const TAccessibleKind *kind = TAccessibleFactory::kindOf(w); // null for a null widget
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(w);
    QVERIFY(kind && iface);
    QCOMPARE(iface->role(), kind->role);
    // The object name stands in for a missing accessible name.
    w->setObjectName(QStringLiteral("gainObject"));
    QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("gainObject"));
    w->setAccessibleName(QStringLiteral("Gain"));
    QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("Gain"));
    QCOMPARE(bool(iface->state().readOnly), kind->readOnly);
    QAccessibleValueInterface *value = iface->valueInterface();
    QCOMPARE(value != nullptr, kind->value != TAccessibleKind::NoValue);
    if (value && entry.sampleAddress)
        QVERIFY(value->minimumStepSize().toInt() >= 1
                && !iface->text(QAccessible::Value).isEmpty());
}

void tst_Accessibility::valueFromMemoryAndInterface_data()
{
    QTest::addColumn<QString>("className");
    QTest::addColumn<int>("written"); // into the memory; the accessible value then
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("tableId"); // the memory text table the widget uses
    QTest::addColumn<QString>("textHas"); // what the text must contain (its unit, its name)
    QTest::addColumn<int>("asked"); // through the interface
    QTest::addColumn<int>("stored"); // what the memory holds afterwards
    QTest::newRow("dial") << "CDial" << -12 << "FEkHeadAmp/kGain" << 0 << "-12 dB" << -30 << -30;
    QTest::newRow("clamped") << "CDial" << -12 << "FEkHeadAmp/kGain" << 0 << "-12 dB" << 999 << 10;
    QTest::newRow("fader") << "CFader" << 823 << "FEkInput/kFader" << 5 << "dB" << 500 << 500;
    QTest::newRow("switch") << "COnOffButton" << 0 << "FEkInput/kOn" << 0 << "" << 1 << 1;
    QTest::newRow("selector") << "CPopup" << 3 << "FEkPatchInInput/kPatchIn" << 0 << "" << 2 << 2;
}

void tst_Accessibility::valueFromMemoryAndInterface()
{
    QFETCH(QString, className);
    QFETCH(int, written);
    QFETCH(QString, address);
    QFETCH(int, tableId);
    QFETCH(QString, textHas);
    QFETCH(int, asked);
    QFETCH(int, stored);
    const QByteArray name = address.toLatin1();
    Console desk("", kChannel);
    QWidget *w = make(desk, className, name.constData());
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(w); // null for null
    QAccessibleValueInterface *value = iface ? iface->valueInterface() : nullptr;
    QVERIFY(value);

    desk.set(name.constData(), written);
    QCOMPARE(value->currentValue().toInt(), written);
    QVERIFY(value->minimumValue().toInt() <= written && written <= value->maximumValue().toInt());
    // The text is the memory's own for the value, asked here directly rather than through a
    // widget.
    const IMemAPI::TSingleAddress a = desk.at(name.constData());
    const int minimum = desk.memory.getMinimum(a.element, a.parameter, a.channel);
    QString expected;
    desk.memory.valueToText(a.channel, tableId, &expected, nullptr,
                            IMemAPI::textValueFromRaw(written, minimum, tableId), 0, a.element,
                            a.parameter);
    const QString text = iface->text(QAccessible::Value);
    QCOMPARE(text, expected);
    QVERIFY2(!text.isEmpty() && text.contains(textHas), qPrintable(text));
    if (qobject_cast<CPopup *>(w)) {
        QVERIFY(iface->state().expandable && iface->state().collapsed);
    } else if (qobject_cast<COnOffButton *>(w)) {
        QVERIFY(iface->state().checkable);
        QCOMPARE(bool(iface->state().checked), written != 0);
    }

    const int depth = desk.memory.undoDepth();
    value->setCurrentValue(asked);
    QCOMPARE(desk.value(name.constData()), stored);
    QCOMPARE(desk.memory.undoDepth(), depth + 1);
    QCOMPARE(value->currentValue().toInt(), qMin(asked, value->maximumValue().toInt()));
    // The same value again is no change: no write, no second undo step.
    value->setCurrentValue(value->currentValue());
    QCOMPARE(desk.memory.undoDepth(), depth + 1);
    QVERIFY(desk.memory.undo());
    QCOMPARE(desk.value(name.constData()), written);
    // Without undo the value still lands, with no step.
    dynamic_cast<TMemProxy *>(w)->setUndoEnable(false);
    value->setCurrentValue(asked);
    QCOMPARE(desk.value(name.constData()), stored);
    QCOMPARE(desk.memory.undoDepth(), depth);
}

void tst_Accessibility::badValuesMeterEventsAndTabReach()
{
    Console desk("", kChannel);
    QWidget *dial = make(desk, QStringLiteral("CDial"), "FEkHeadAmp/kGain");
    QWidget *fader = make(desk, QStringLiteral("CFader"), "FEkInput/kFader");
    QWidget *button = make(desk, QStringLiteral("COnOffButton"), "FEkInput/kOn");
    auto *meter =
            static_cast<CMeter *>(make(desk, QStringLiteral("CMeter"), "FEkMeter/kInputLevel"));
    QVERIFY(dial && fader && button && meter);

    // Values that are no number, to a disabled dial or to a meter, are no change at all.
    const int before = desk.value("FEkHeadAmp/kGain");
    const int depth = desk.memory.undoDepth();
    for (const QVariant &bad : {QVariant(QStringLiteral("loud")), QVariant()})
        valueOf(dial)->setCurrentValue(bad);
    QCOMPARE(desk.value("FEkHeadAmp/kGain"), before);
    dial->setEnabled(false);
    valueOf(dial)->setCurrentValue(-40);
    valueOf(meter)->setCurrentValue(5);
    dial->setEnabled(true);
    QCOMPARE(desk.value("FEkHeadAmp/kGain"), before);
    QCOMPARE(desk.value("FEkMeter/kInputLevel"), 0);
    QCOMPARE(desk.memory.undoDepth(), depth);
    QCOMPARE(desk.memory.writes.load(), 0);

    // A meter's flood of levels is told once, the next change only later.
    const IMemAPI::TSingleAddress a = desk.at("FEkMeter/kInputLevel");
    for (int i = 0; i < 1000; ++i)
        desk.memory.pushMeterLevel(a.element, a.parameter, a.channel, (i * 37) % 16000, 0);
    QTRY_VERIFY(!g_valueEvents.value(meter).isEmpty());
    QCoreApplication::processEvents();
    QCOMPARE(g_valueEvents.value(meter).size(), 1);
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(meter);
    QVERIFY(iface->text(QAccessible::Value).endsWith(QLatin1String(" %")));
    desk.memory.pushMeterLevel(a.element, a.parameter, a.channel, 16383, 0);
    QTRY_COMPARE(g_valueEvents.value(meter).size(), 2);
    QCOMPARE(g_valueEvents.value(meter).constLast().toInt(), meter->value());
    // Full scale reads as (nearly) all of the range.
    QVERIFY(iface->text(QAccessible::Value).section(QLatin1Char(' '), 0, 0).toInt() >= 90);

    // Tab reaches the controls, not the meter; the focus frame follows; keys reach the memory.
    desk.host.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&desk.host));
    for (QWidget *w : {dial, fader, button})
        QVERIFY(w->focusPolicy() & Qt::TabFocus);
    QVERIFY(!(meter->focusPolicy() & Qt::TabFocus));
    dial->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(TFocusFrame::frameOf(dial));
    QTest::keyClick(dial, Qt::Key_Tab);
    QWidget *now = QApplication::focusWidget();
    QVERIFY(now == fader || now == button);
    QTRY_VERIFY(TFocusFrame::frameOf(now));
    QVERIFY(!TFocusFrame::frameOf(dial));
    const char *address = now == button ? "FEkInput/kOn" : "FEkInput/kFader";
    const int was = desk.value(address);
    QTest::keyClick(now, now == button ? Qt::Key_Space : Qt::Key_Up);
    QVERIFY(desk.value(address) != was);
    if (now == button)
        QCOMPARE(desk.value(address), 1 - was);
}

void tst_Accessibility::burstRaisesAHandful_data()
{
    QTest::addColumn<bool>("fromWorker");
    QTest::newRow("gui thread") << false;
    QTest::newRow("worker thread") << true;
}

void tst_Accessibility::burstRaisesAHandful()
{
    QFETCH(bool, fromWorker);
    Console desk("", kChannel);
    QWidget *dial = make(desk, QStringLiteral("CDial"), "FEkHeadAmp/kGain");
    QVERIFY(dial);
    QCoreApplication::processEvents();
    g_valueEvents.clear();
    const auto burst = [&desk] {
        for (int i = 0; i < 1000; ++i)
            desk.set("FEkHeadAmp/kGain", -60 + i % 70);
        desk.set("FEkHeadAmp/kGain", -7);
    };
    if (fromWorker)
        QVERIFY(runOnWorker(burst));
    else
        burst();
    QTRY_VERIFY(!g_valueEvents.value(dial).isEmpty()
                && g_valueEvents.value(dial).constLast().toInt() == -7);
    QCoreApplication::processEvents();
    QVERIFY2(g_valueEvents.value(dial).size() <= 3,
             qPrintable(QString::number(g_valueEvents.value(dial).size())));
}

void tst_Accessibility::pixmapsAtRatioTwo()
{
    // The high-resolution name goes before the extension of the file, not of a folder.
    const std::pair<const char *, const char *> names[] = {{"knob.png", "knob@2x.png"},
                                                           {"art.v1/knob", "art.v1/knob@2x"},
                                                           {"a/knob.big.png", "a/knob.big@2x.png"},
                                                           {".knob", ".knob@2x"}};
    for (const auto &[name, high] : names)
        QCOMPARE(NS_Utilities::highResolutionName(QLatin1String(name)), QLatin1String(high));
    // loadPixmap() picks the variant where there is one, also without the plain file.
    const QPixmap both = NS_Utilities::loadPixmap(QStringLiteral("both.png"));
    QCOMPARE(both.devicePixelRatio(), 2.0);
    QCOMPARE(NS_Utilities::logicalSize(both), QSize(kSide, kSide * kFrames));
    const QPixmap plain = NS_Utilities::loadPixmap(QStringLiteral("plain.png"));
    QCOMPARE(plain.devicePixelRatio(), 1.0);
    QCOMPARE(plain.size(), QSize(kSide, kSide * kFrames));
    QCOMPARE(NS_Utilities::loadPixmap(QStringLiteral("only.png")).devicePixelRatio(), 2.0);
    QVERIFY(NS_Utilities::loadPixmap(QStringLiteral("missing.png")).isNull());

    // A low-resolution strip is scaled once for the ratio; a strip of the device's ratio or
    // more is used as it is.
    const QSize grid(1, kFrames);
    const QPixmap first = NS_Utilities::stripForRatio(plain, grid, 2.0);
    QCOMPARE(first.devicePixelRatio(), 2.0);
    QCOMPARE(first.size(), plain.size() * 2);
    QCOMPARE(NS_Utilities::stripForRatio(plain, grid, 2.0).cacheKey(), first.cacheKey());
    QCOMPARE(NS_Utilities::stripForRatio(plain, grid, 1.0).cacheKey(), plain.cacheKey());
    QVERIFY(NS_Utilities::stripForRatio(QPixmap(), grid, 2.0).isNull());
    QCOMPARE(NS_Utilities::stripForRatio(plain, QSize(0, 0), 2.0).cacheKey(), plain.cacheKey());

    // A frame drawn on a ratio-2 picture is smooth, not doubled: the scaled frame's pixels do
    // not come in equal pairs.
    QPixmap canvas = NS_Utilities::devicePixmap(QSize(kSide, kSide), 2.0);
    QCOMPARE(canvas.size(), QSize(kSide, kSide) * 2);
    {
        QPainter p(&canvas);
        NS_Utilities::drawPartialPixmap(p, QPoint(0, 2), plain, grid, QPoint(0, 0));
    }
    QVERIFY(duplicateLines(canvas.toImage(), false) < kSide);
}

void tst_Accessibility::sharpAtRatioTwo_data()
{
    QTest::addColumn<QString>("className");
    QTest::addColumn<int>("frames");
    QTest::addColumn<QString>("strip");
    QTest::newRow("dial") << "CDial" << kFrames << "both.png";
    QTest::newRow("switch") << "COnOffButton" << 2 << "two.png";
}

void tst_Accessibility::sharpAtRatioTwo()
{
    QFETCH(QString, className);
    QFETCH(int, frames);
    QFETCH(QString, strip);
    const QPixmap picture = NS_Utilities::loadPixmap(strip);
    QCOMPARE(picture.devicePixelRatio(), 2.0);
    Console desk("", kChannel);
    QWidget *w = TWidgetCatalogue::createWidget(className, &desk.host);
    QVERIFY(w && w->setProperty("combinedImage", picture) && w->setProperty("nSubImages", frames));
    QVERIFY(desk.bind(dynamic_cast<TMemProxy *>(w),
                      TWidgetCatalogue::find(className)->sampleAddress));
    QCOMPARE(w->size(), QSize(kSide, kSide));
    const QImage grabbed = w->grab().toImage();
    QCOMPARE(grabbed.size(), QSize(kSide, kSide) * 2);
    QCOMPARE(duplicateLines(grabbed, false), 0);
    QCOMPARE(duplicateLines(grabbed, true), 0);
}

int main(int argc, char **argv)
{
    // The whole suite runs on a screen of device pixel ratio 2.
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    tst_Accessibility test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_accessibility.moc"
