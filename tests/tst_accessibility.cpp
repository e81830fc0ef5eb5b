// What assistive tools and high-dpi screens get from the bound widgets: roles, names, values and
// value texts read from the embedded memory, values set through the accessible interface landing
// in the memory, coalesced value-change events, and pictures at device pixel ratio 2 (the suite
// runs with QT_SCALE_FACTOR=2).

#include "CDial.h"
#include "CEqCurve.h"
#include "CFader.h"
#include "CMeter.h"
#include "COnOffButton.h"
#include "CPopup.h"
#include "NS_Utilities.h"
#include "TAccessibleFactory.h"
#include "TFocusFrame.h"
#include "TParamMemory.h"
#include "TWidgetCatalogue.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

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

// A strip whose every device pixel differs from its neighbours in both directions (a
// one-device-pixel checkerboard tinted per frame), so doubled pixels would show.
QImage checkerStrip(int ratio, int frames)
{
    QImage strip(kSide * ratio, kSide * ratio * frames, QImage::Format_ARGB32);
    for (int y = 0; y < strip.height(); ++y) {
        const int frame = y / (kSide * ratio);
        for (int x = 0; x < strip.width(); ++x) {
            const bool dark = (x + y) % 2 == 0;
            strip.setPixel(x, y, QColor::fromHsv(frame * 60, 200, dark ? 90 : 250).rgb());
        }
    }
    return strip;
}

// Rows (or, with columns set, columns) equal to their neighbour.
int duplicateLines(const QImage &image, bool columns)
{
    const QImage img = image.convertToFormat(QImage::Format_ARGB32);
    const int lines = columns ? img.width() : img.height();
    const int length = columns ? img.height() : img.width();
    int duplicates = 0;
    for (int i = 1; i < lines; ++i) {
        bool same = true;
        for (int j = 0; j < length && same; ++j) {
            same = columns ? img.pixel(i, j) == img.pixel(i - 1, j)
                           : img.pixel(j, i) == img.pixel(j, i - 1);
        }
        duplicates += same ? 1 : 0;
    }
    return duplicates;
}

} // namespace

class tst_Accessibility : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void everyCatalogueWidgetIsServed();
    void roleNameValue_data();
    void roleNameValue();
    void setThroughInterface_data();
    void setThroughInterface();
    void badValuesAreNoOps();
    void burstRaisesAHandful_data();
    void burstRaisesAHandful();
    void meterEventsAreSpaced();
    void tabReachAndFocusFrame();

    void highResolutionNames_data();
    void highResolutionNames();
    void loadPixmapPicksVariant();
    void lowResolutionStripScaledOnce();
    void sharpAtRatioTwo_data();
    void sharpAtRatioTwo();

private:
    QWidget *bind(const char *className, const char *address);
    IMemAPI::TSingleAddress resolve(const char *address) const;
    int memoryValue(const char *address) const;
    void setMemory(const char *address, int v);
    QString memoryText(const char *address, int tableId) const;

    std::unique_ptr<TParamMemory> m_memory;
    std::unique_ptr<QWidget> m_window;
};

void tst_Accessibility::initTestCase()
{
    QCOMPARE(qApp->devicePixelRatio(), 2.0);
    // No platform assistive tool exists offscreen: this suite listens in the process.
    TAccessibleFactory::setEventListener(&recordEvent);
}

void tst_Accessibility::init()
{
    m_memory = std::make_unique<TParamMemory>();
    m_window = std::make_unique<QWidget>();
    m_window->resize(400, 300);
    g_valueEvents.clear();
}

void tst_Accessibility::cleanup()
{
    m_window.reset();
    m_memory.reset();
}

QWidget *tst_Accessibility::bind(const char *className, const char *address)
{
    QWidget *w = TWidgetCatalogue::createWidget(QString::fromLatin1(className), m_window.get());
    if (!w)
        return nullptr;
    if (auto *popup = qobject_cast<CPopup *>(w))
        popup->setLabels(QStringLiteral("A;B;C;D;E"));
    dynamic_cast<TMemProxy *>(w)->setNamedAddress(QString::fromLatin1(address));
    m_memory->connectTree(m_window.get(), kChannel);
    w->show();
    m_window->show();
    if (!QTest::qWaitForWindowExposed(m_window.get()))
        return nullptr;
    return w;
}

IMemAPI::TSingleAddress tst_Accessibility::resolve(const char *address) const
{
    IMemAPI::TSingleAddress a;
    m_memory->resolveNamed(QString::fromLatin1(address), kChannel, &a);
    return a;
}

int tst_Accessibility::memoryValue(const char *address) const
{
    const IMemAPI::TSingleAddress a = resolve(address);
    return m_memory->getValue(a.element, a.parameter, a.channel);
}

void tst_Accessibility::setMemory(const char *address, int v)
{
    const IMemAPI::TSingleAddress a = resolve(address);
    m_memory->setValue(a.element, a.parameter, a.channel, v, 0, 1);
}

// The memory's own text of the value it holds, asked directly rather than through a widget.
QString tst_Accessibility::memoryText(const char *address, int tableId) const
{
    const IMemAPI::TSingleAddress a = resolve(address);
    const int minimum = m_memory->getMinimum(a.element, a.parameter, a.channel);
    const int raw = m_memory->getValue(a.element, a.parameter, a.channel);
    QString text;
    m_memory->valueToText(a.channel, tableId, &text, nullptr,
                          IMemAPI::textValueFromRaw(raw, minimum, tableId), 0, a.element,
                          a.parameter);
    return text;
}

void tst_Accessibility::everyCatalogueWidgetIsServed()
{
    // A widget kind offered to forms without a row in the accessibility table would be mute.
    for (const TWidgetCatalogueEntry &e : TWidgetCatalogue::entries()) {
        std::unique_ptr<QWidget> w(e.create(nullptr));
        QVERIFY2(TAccessibleFactory::kindOf(w.get()), qPrintable(e.className()));
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(w.get());
        QVERIFY(iface);
        QCOMPARE(iface->role(), TAccessibleFactory::kindOf(w.get())->role);
    }
}

void tst_Accessibility::roleNameValue_data()
{
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("role");
    QTest::addColumn<int>("written"); // into the memory
    QTest::addColumn<int>("shown"); // the accessible current value then
    QTest::addColumn<int>("tableId"); // the memory text table the widget uses
    QTest::addColumn<QString>("textHas"); // what the text must contain (its unit, its name)

    QTest::newRow("dial") << "CDial"
                          << "FEkHeadAmp/kGain" << int(QAccessible::Dial) << -12 << -12 << 0
                          << "-12 dB";
    QTest::newRow("fader") << "CFader"
                           << "FEkInput/kFader" << int(QAccessible::Slider) << 823 << 823
                           << CFader::DefaultTableId << "dB";
    QTest::newRow("switch") << "COnOffButton"
                            << "FEkInput/kOn" << int(QAccessible::Button) << 0 << 0 << 0 << "";
    QTest::newRow("selector") << "CPopup"
                              << "FEkPatchInInput/kPatchIn" << int(QAccessible::ComboBox) << 3 << 3
                              << 0 << "";
}

void tst_Accessibility::roleNameValue()
{
    QFETCH(QString, className);
    QFETCH(QString, address);
    QFETCH(int, role);
    QFETCH(int, written);
    QFETCH(int, shown);
    QFETCH(int, tableId);
    QFETCH(QString, textHas);
    const QByteArray addr = address.toLatin1();
    QWidget *w = bind(className.toLatin1().constData(), addr.constData());
    QVERIFY(w);
    w->setObjectName(QStringLiteral("gainObject"));
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(w);
    QVERIFY(iface);
    QCOMPARE(int(iface->role()), role);
    // The object name stands in for a missing accessible name.
    QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("gainObject"));
    w->setAccessibleName(QStringLiteral("Gain"));
    QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("Gain"));

    setMemory(addr.constData(), written);
    QAccessibleValueInterface *value = iface->valueInterface();
    QVERIFY(value);
    QCOMPARE(value->currentValue().toInt(), shown);
    const QString text = iface->text(QAccessible::Value);
    QVERIFY(!text.isEmpty());
    QCOMPARE(text, memoryText(addr.constData(), tableId));
    QVERIFY2(text.contains(textHas), qPrintable(text));
    QVERIFY(value->minimumValue().toInt() <= shown && shown <= value->maximumValue().toInt());
    QVERIFY(value->minimumStepSize().toInt() >= 1);

    if (auto *button = qobject_cast<COnOffButton *>(w); button && !qobject_cast<CPopup *>(w)) {
        QVERIFY(iface->state().checkable);
        QCOMPARE(bool(iface->state().checked), written != 0);
    }
    if (qobject_cast<CPopup *>(w)) {
        QVERIFY(iface->state().expandable);
        QVERIFY(iface->state().collapsed);
    }
}

void tst_Accessibility::setThroughInterface_data()
{
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("asked");
    QTest::addColumn<int>("stored"); // what the memory holds afterwards
    QTest::addColumn<int>("start"); // what the memory holds before

    QTest::newRow("dial") << "CDial"
                          << "FEkHeadAmp/kGain" << -30 << -30 << -20;
    QTest::newRow("dial clamped") << "CDial"
                                  << "FEkHeadAmp/kGain" << 9999 << 10 << -20;
    QTest::newRow("fader") << "CFader"
                           << "FEkInput/kFader" << 500 << 500 << 0;
    QTest::newRow("switch off") << "COnOffButton"
                                << "FEkInput/kOn" << 0 << 0 << 1;
    QTest::newRow("selector") << "CPopup"
                              << "FEkPatchInInput/kPatchIn" << 2 << 2 << 0;
}

void tst_Accessibility::setThroughInterface()
{
    QFETCH(QString, className);
    QFETCH(QString, address);
    QFETCH(int, asked);
    QFETCH(int, stored);
    QFETCH(int, start);
    const QByteArray addr = address.toLatin1();
    QWidget *w = bind(className.toLatin1().constData(), addr.constData());
    QVERIFY(w);
    // A change the widget is told of, so that it shows start.
    setMemory(addr.constData(), stored);
    setMemory(addr.constData(), start);
    const int before = memoryValue(addr.constData());
    QCOMPARE(before, start);
    const int depth = m_memory->undoDepth();

    QAccessibleValueInterface *value = QAccessible::queryAccessibleInterface(w)->valueInterface();
    value->setCurrentValue(asked);
    QCOMPARE(memoryValue(addr.constData()), stored);
    QCOMPARE(m_memory->undoDepth(), depth + 1);
    QCOMPARE(value->currentValue().toInt(), qMin(asked, value->maximumValue().toInt()));
    // The same value again is no change: no write, no second undo step.
    value->setCurrentValue(value->currentValue());
    QCOMPARE(m_memory->undoDepth(), depth + 1);

    QVERIFY(m_memory->undo());
    QCOMPARE(memoryValue(addr.constData()), before);

    // Without undo the value still lands, with no step.
    dynamic_cast<TMemProxy *>(w)->setUndoEnable(false);
    const int depthOff = m_memory->undoDepth();
    value->setCurrentValue(asked);
    QCOMPARE(memoryValue(addr.constData()), stored);
    QCOMPARE(m_memory->undoDepth(), depthOff);
}

void tst_Accessibility::badValuesAreNoOps()
{
    QWidget *dial = bind("CDial", "FEkHeadAmp/kGain");
    QWidget *meter = bind("CMeter", "FEkMeter/kInputLevel");
    QVERIFY(dial && meter);
    const int before = memoryValue("FEkHeadAmp/kGain");
    const int depth = m_memory->undoDepth();
    QAccessibleValueInterface *value =
            QAccessible::queryAccessibleInterface(dial)->valueInterface();
    value->setCurrentValue(QStringLiteral("loud"));
    value->setCurrentValue(QVariant());
    QCOMPARE(memoryValue("FEkHeadAmp/kGain"), before);

    // A disabled dial and a meter take nothing.
    dial->setEnabled(false);
    value->setCurrentValue(-40);
    QCOMPARE(memoryValue("FEkHeadAmp/kGain"), before);
    QAccessibleInterface *meterIface = QAccessible::queryAccessibleInterface(meter);
    QVERIFY(meterIface->state().readOnly);
    meterIface->valueInterface()->setCurrentValue(5);
    QCOMPARE(memoryValue("FEkMeter/kInputLevel"), 0);
    QCOMPARE(m_memory->undoDepth(), depth);

    // The EQ picture is a chart without a value.
    QWidget *eq = bind("CEqCurve", "FEkInputEQ/kEQOn");
    QAccessibleInterface *eqIface = QAccessible::queryAccessibleInterface(eq);
    QCOMPARE(eqIface->role(), QAccessible::Chart);
    QVERIFY(!eqIface->valueInterface());
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
    QWidget *dial = bind("CDial", "FEkHeadAmp/kGain");
    QVERIFY(dial);
    QCoreApplication::processEvents();
    g_valueEvents.clear();
    const auto burst = [this] {
        for (int i = 0; i < 1000; ++i)
            setMemory("FEkHeadAmp/kGain", -60 + i % 70);
        setMemory("FEkHeadAmp/kGain", -7);
    };
    if (fromWorker) {
        std::unique_ptr<QThread> worker(QThread::create(burst));
        worker->start();
        QVERIFY(worker->wait());
    } else {
        burst();
    }
    QTRY_VERIFY(!g_valueEvents.value(dial).isEmpty()
                && g_valueEvents.value(dial).constLast().toInt() == -7);
    QCoreApplication::processEvents();
    QVERIFY2(g_valueEvents.value(dial).size() <= 3,
             qPrintable(QString::number(g_valueEvents.value(dial).size())));
}

void tst_Accessibility::meterEventsAreSpaced()
{
    auto *meter = static_cast<CMeter *>(bind("CMeter", "FEkMeter/kInputLevel"));
    QVERIFY(meter);
    const IMemAPI::TSingleAddress a = resolve("FEkMeter/kInputLevel");
    for (int i = 0; i < 1000; ++i)
        m_memory->pushMeterLevel(a.element, a.parameter, a.channel, (i * 37) % 16000, 0);
    QTRY_VERIFY(!g_valueEvents.value(meter).isEmpty());
    QCoreApplication::processEvents();
    QCOMPARE(g_valueEvents.value(meter).size(), 1);
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(meter);
    QCOMPARE(int(iface->role()), int(QAccessible::ProgressBar));
    QVERIFY(iface->text(QAccessible::Value).endsWith(QLatin1String(" %")));
    // The next change is told too, only later.
    m_memory->pushMeterLevel(a.element, a.parameter, a.channel, 16383, 0);
    QTRY_COMPARE(g_valueEvents.value(meter).size(), 2);
    QCOMPARE(g_valueEvents.value(meter).constLast().toInt(), meter->value());
    // Full scale reads as (nearly) all of the range.
    QVERIFY(iface->text(QAccessible::Value).section(QLatin1Char(' '), 0, 0).toInt() >= 90);
}

void tst_Accessibility::tabReachAndFocusFrame()
{
    QWidget *dial = bind("CDial", "FEkHeadAmp/kGain");
    QWidget *fader = bind("CFader", "FEkInput/kFader");
    QWidget *button = bind("COnOffButton", "FEkInput/kOn");
    QWidget *meter = bind("CMeter", "FEkMeter/kInputLevel");
    QVERIFY(dial && fader && button && meter);
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    for (QWidget *w : {dial, fader, button})
        QVERIFY(w->focusPolicy() & Qt::TabFocus);
    QVERIFY(!(meter->focusPolicy() & Qt::TabFocus));

    dial->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(TFocusFrame::frameOf(dial));
    QTest::keyClick(dial, Qt::Key_Tab);
    QVERIFY(!dial->hasFocus());
    QVERIFY(fader->hasFocus() || button->hasFocus());
    QWidget *now = QApplication::focusWidget();
    QTRY_VERIFY(TFocusFrame::frameOf(now));
    QVERIFY(!TFocusFrame::frameOf(dial));
    // Keys reach the bound widget and its memory.
    if (now == button) {
        const int before = memoryValue("FEkInput/kOn");
        QTest::keyClick(button, Qt::Key_Space);
        QCOMPARE(memoryValue("FEkInput/kOn"), 1 - before);
    } else {
        const int before = memoryValue("FEkInput/kFader");
        QTest::keyClick(fader, Qt::Key_Up);
        QVERIFY(memoryValue("FEkInput/kFader") != before);
    }
}

void tst_Accessibility::highResolutionNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("high");
    QTest::newRow("extension") << "knob.png"
                               << "knob@2x.png";
    QTest::newRow("folder with dot") << "art.v1/knob"
                                     << "art.v1/knob@2x";
    QTest::newRow("two dots") << "a/knob.big.png"
                              << "a/knob.big@2x.png";
    QTest::newRow("hidden file") << ".knob"
                                 << ".knob@2x";
}

void tst_Accessibility::highResolutionNames()
{
    QFETCH(QString, name);
    QFETCH(QString, high);
    QCOMPARE(NS_Utilities::highResolutionName(name), high);
}

void tst_Accessibility::loadPixmapPicksVariant()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(checkerStrip(1, kFrames).save(dir.filePath(QStringLiteral("both.png"))));
    QVERIFY(checkerStrip(2, kFrames).save(dir.filePath(QStringLiteral("both@2x.png"))));
    QVERIFY(checkerStrip(1, kFrames).save(dir.filePath(QStringLiteral("plain.png"))));
    QVERIFY(checkerStrip(2, kFrames).save(dir.filePath(QStringLiteral("only@2x.png"))));
    NS_Utilities::addPixmapPath(dir.path());

    const QPixmap both = NS_Utilities::loadPixmap(QStringLiteral("both.png"));
    QCOMPARE(both.devicePixelRatio(), 2.0);
    QCOMPARE(NS_Utilities::logicalSize(both), QSize(kSide, kSide * kFrames));
    const QPixmap plain = NS_Utilities::loadPixmap(QStringLiteral("plain.png"));
    QCOMPARE(plain.devicePixelRatio(), 1.0);
    QCOMPARE(plain.size(), QSize(kSide, kSide * kFrames));
    const QPixmap only = NS_Utilities::loadPixmap(QStringLiteral("only.png"));
    QCOMPARE(only.devicePixelRatio(), 2.0);
    QVERIFY(NS_Utilities::loadPixmap(QStringLiteral("missing.png")).isNull());
}

void tst_Accessibility::lowResolutionStripScaledOnce()
{
    const QPixmap strip = QPixmap::fromImage(checkerStrip(1, kFrames));
    const QSize grid(1, kFrames);
    const QPixmap first = NS_Utilities::stripForRatio(strip, grid, 2.0);
    QCOMPARE(first.devicePixelRatio(), 2.0);
    QCOMPARE(first.size(), strip.size() * 2);
    QCOMPARE(NS_Utilities::stripForRatio(strip, grid, 2.0).cacheKey(), first.cacheKey());
    // A strip of the device's ratio or more is used as it is.
    QCOMPARE(NS_Utilities::stripForRatio(strip, grid, 1.0).cacheKey(), strip.cacheKey());
    QVERIFY(NS_Utilities::stripForRatio(QPixmap(), grid, 2.0).isNull());
    QCOMPARE(NS_Utilities::stripForRatio(strip, QSize(0, 0), 2.0).cacheKey(), strip.cacheKey());

    // A frame drawn on a ratio-2 picture is smooth, not doubled: the scaled frame's pixels do
    // not come in equal pairs.
    QPixmap canvas = NS_Utilities::devicePixmap(QSize(kSide, kSide), 2.0);
    QCOMPARE(canvas.size(), QSize(kSide, kSide) * 2);
    {
        QPainter p(&canvas);
        NS_Utilities::drawPartialPixmap(p, QPoint(0, 2), strip, grid, QPoint(0, 0));
    }
    QVERIFY(duplicateLines(canvas.toImage(), false) < kSide);
}

void tst_Accessibility::sharpAtRatioTwo_data()
{
    QTest::addColumn<QString>("className");
    QTest::newRow("dial") << "CDial";
    QTest::newRow("switch") << "COnOffButton";
}

void tst_Accessibility::sharpAtRatioTwo()
{
    QFETCH(QString, className);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const bool dial = className == QLatin1String("CDial");
    const int frames = dial ? kFrames : 2;
    QVERIFY(checkerStrip(1, frames).save(dir.filePath(QStringLiteral("strip.png"))));
    QVERIFY(checkerStrip(2, frames).save(dir.filePath(QStringLiteral("strip@2x.png"))));
    NS_Utilities::addPixmapPath(dir.path());
    const QPixmap strip = NS_Utilities::loadPixmap(QStringLiteral("strip.png"));
    QCOMPARE(strip.devicePixelRatio(), 2.0);

    QWidget *w = TWidgetCatalogue::createWidget(className, m_window.get());
    QVERIFY(w);
    QVERIFY(w->setProperty("combinedImage", strip));
    QVERIFY(w->setProperty("nSubImages", frames));
    dynamic_cast<TMemProxy *>(w)->setNamedAddress(
            QString::fromLatin1(dial ? "FEkHeadAmp/kGain" : "FEkInput/kOn"));
    m_memory->connectTree(m_window.get(), kChannel);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
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
