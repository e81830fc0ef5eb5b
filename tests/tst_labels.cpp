// The label display (two text slots, the alternate hold, painting, typed numbers), the hotspot
// label (strict hot spot, hot buttons, double-click state) and the editor opener (required
// state, factory outcomes, the "channel" it hands over).

#include "CHotspotLabel.h"
#include "CLabelDisplay.h"
#include "CNumEdit.h"
#include "EditorOpener.h"
#include "TMemProxy.h"
#include "TestRig.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

const QColor kDisabledFill(52, 54, 63);
const QColor kGreyText(128, 128, 128);
const QColor kEnabledFrame(20, 120, 200);
const QColor kDisabledFrame(150, 40, 40);
const QSize kLabelSize(80, 20);

// A bound object that is no widget, as a host may pass to an opener.
class PlainProxy : public TMemProxy
{
};

// A bound QObject, to show the opener forgets a destroyed proxy.
class ObjectProxy : public QObject, public TMemProxy
{
};

// The host's editor service: opens (or fails to open) a fresh editor window.
class TestFactory : public IEditorFactory
{
public:
    int open(const Z_GUID &type, int kind, QWidget **editor, int, int) override
    {
        ++calls;
        lastType = type;
        lastKind = kind;
        if (fail)
            return 1;
        editors.push_back(std::make_unique<QWidget>());
        editors.back()->setProperty("channel", -1);
        *editor = editors.back().get();
        return 0;
    }
    int calls = 0;
    bool fail = false;
    Z_GUID lastType;
    int lastKind = 0;
    std::vector<std::unique_ptr<QWidget>> editors;
};

QPixmap twoFrames()
{
    return TestRig::frameStrip(kLabelSize, 1, 2, [](int, int row) {
        return row == 0 ? kEnabledFrame : kDisabledFrame;
    });
}

// Pixels of img that are not c.
int pixelsOtherThan(const QImage &img, const QColor &c)
{
    return img.width() * img.height() - TestRig::countPixels(img, c).matching;
}

} // namespace

class tst_Labels : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void alignmentIsCentredNotAdded();
    void repeatedTextRebuildsNothing();
    void alternateTextHolds_data();
    void alternateTextHolds();
    void alternateSlotShowsAtBegin();
    void textNoUnit_data();
    void textNoUnit();
    void disabledLook_data();
    void disabledLook();
    void editableLabelProposesTypedNumber();

    void hotSpotIsStrictlyInside_data();
    void hotSpotIsStrictlyInside();
    void hotButtonsSelectPresses();
    void doubleClickSignalsInOrder();

    void openerRequiredState_data();
    void openerRequiredState();
    void openerWithoutFactoryOrFailing();
    void openerWithNullLabelOrProxy();
    void openerForgetsDestroyedProxy();

private:
    CLabelDisplay *makeLabel();
    CHotspotLabel *makeHotspot();

    std::unique_ptr<TParamMemory> m_memory;
    std::unique_ptr<QWidget> m_window;
};

void tst_Labels::init()
{
    m_memory = std::make_unique<TParamMemory>();
    m_window = std::make_unique<QWidget>();
    m_window->resize(200, 100);
}

void tst_Labels::cleanup()
{
    m_window.reset();
    m_memory.reset();
}

CLabelDisplay *tst_Labels::makeLabel()
{
    auto *label = new CLabelDisplay(m_window.get(), "label");
    label->setGeometry(QRect(QPoint(10, 10), kLabelSize));
    m_window->show();
    return QTest::qWaitForWindowExposed(m_window.get()) ? label : nullptr;
}

CHotspotLabel *tst_Labels::makeHotspot()
{
    auto *label = new CHotspotLabel(m_window.get(), "hotspot");
    label->setGeometry(QRect(QPoint(10, 10), kLabelSize));
    label->setHotSpot(QRect(10, 4, 40, 12)); // x 10..49, y 4..15
    m_window->show();
    return QTest::qWaitForWindowExposed(m_window.get()) ? label : nullptr;
}

// --- label display ------------------------------------------------------------------------------

void tst_Labels::alignmentIsCentredNotAdded()
{
    CLabelDisplay label;
    QCOMPARE(label.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    QCOMPARE(label.alignment() & Qt::AlignVertical_Mask, Qt::AlignVCenter);
    QCOMPARE(label.focusPolicy(), Qt::ClickFocus);
    label.setFocusColor(Qt::red);
    QCOMPARE(label.focusPolicy(), Qt::StrongFocus);
    QVERIFY(!label.focusColor().isValid());
}

void tst_Labels::repeatedTextRebuildsNothing()
{
    CLabelDisplay *label = makeLabel();
    QVERIFY(label);
    label->setText(QStringLiteral("-12.0 dB"));
    label->grab();
    const int rebuilds = label->pictureRebuildCount();
    label->setText(QStringLiteral("-12.0 dB"));
    label->grab();
    QCOMPARE(label->pictureRebuildCount(), rebuilds);
    label->setText(QStringLiteral("-11.0 dB"));
    label->grab();
    QCOMPARE(label->pictureRebuildCount(), rebuilds + 1);
    QCOMPARE(label->text(), QStringLiteral("-11.0 dB"));
    // Through the property and a string connection too: the label's own setter.
    label->setProperty("text", QStringLiteral("-10.0 dB"));
    QCOMPARE(label->normalText(), QStringLiteral("-10.0 dB"));
    QVERIFY(QMetaObject::invokeMethod(label, "setText", Q_ARG(QString, QStringLiteral("x"))));
    QCOMPARE(label->normalText(), QStringLiteral("x"));
}

void tst_Labels::alternateTextHolds_data()
{
    QTest::addColumn<int>("pairs");
    QTest::newRow("one pair") << 1;
    QTest::newRow("nested pairs") << 2;
}

void tst_Labels::alternateTextHolds()
{
    QFETCH(int, pairs);
    CLabelDisplay *label = makeLabel();
    QVERIFY(label);
    label->setText(QStringLiteral("CH 1"));
    for (int i = 0; i < pairs; ++i)
        label->altDisplayBegin();
    label->setText(QStringLiteral("-3.0 dB"));
    QCOMPARE(label->text(), QStringLiteral("-3.0 dB"));
    QCOMPARE(label->normalText(), QStringLiteral("CH 1"));
    for (int i = 0; i < pairs; ++i)
        label->altDisplayEnd();

    QTest::qWait(650);
    QCOMPARE(label->text(), QStringLiteral("-3.0 dB"));
    QTest::qWait(100);
    if (pairs > 1) {
        // Both ends fell due at once: each lowers the depth by one.
        QTRY_COMPARE(label->altDisplayDepth(), 0);
    }
    QCOMPARE(label->altDisplayDepth(), 0);
    QCOMPARE(label->text(), QStringLiteral("CH 1"));
}

// Ends without a begin keep the depth at zero; the alternate slot shows at the next begin.
void tst_Labels::alternateSlotShowsAtBegin()
{
    CLabelDisplay *label = makeLabel();
    QVERIFY(label);
    label->setText(QStringLiteral("CH 1"));
    label->altDisplayEnd();
    label->handle_altDisplayEnd();
    label->handle_altDisplayEnd();
    QCOMPARE(label->altDisplayDepth(), 0);
    QCOMPARE(label->text(), QStringLiteral("CH 1"));
    // Nothing shown yet as alternate: the normal text stays.
    label->altDisplayBegin();
    QCOMPARE(label->altDisplayDepth(), 1);
    QCOMPARE(label->text(), QStringLiteral("CH 1"));
    label->setText(QStringLiteral("-6.0 dB"));
    QCOMPARE(label->text(), QStringLiteral("-6.0 dB"));
    label->handle_altDisplayEnd();
    QCOMPARE(label->text(), QStringLiteral("CH 1"));
    // The next movement shows its last value at once.
    label->altDisplayBegin();
    QCOMPARE(label->text(), QStringLiteral("-6.0 dB"));
    // The normal text set meanwhile returns after the end.
    label->handle_altDisplayEnd();
    QCOMPARE(label->text(), QStringLiteral("CH 1"));
}

void tst_Labels::textNoUnit_data()
{
    QTest::addColumn<QString>("given");
    QTest::addColumn<QString>("shown");
    QTest::newRow("dB") << "-12.5dB"
                        << "-12.5";
    QTest::newRow("Hz") << "440Hz"
                        << "440";
    QTest::newRow("two characters") << "ms"
                                    << "";
    QTest::newRow("one character") << "5"
                                   << "";
    QTest::newRow("empty") << ""
                           << "";
}

void tst_Labels::textNoUnit()
{
    QFETCH(QString, given);
    QFETCH(QString, shown);
    CLabelDisplay label;
    label.setText(QStringLiteral("before"));
    label.setTextNoUnit(given);
    QCOMPARE(label.text(), shown);
}

void tst_Labels::disabledLook_data()
{
    QTest::addColumn<bool>("withStrip");
    QTest::addColumn<int>("frames");
    QTest::addColumn<bool>("greyOnDisable");
    QTest::addColumn<QColor>("background");

    QTest::newRow("fill") << false << 1 << false << kDisabledFill;
    QTest::newRow("fill, grey text") << false << 1 << true << kDisabledFill;
    // One frame is the enabled look only: disabled falls back to the fill.
    QTest::newRow("one-frame strip") << true << 1 << false << kDisabledFill;
    QTest::newRow("two-frame strip: the last") << true << 2 << false << kDisabledFrame;
    QTest::newRow("two-frame strip, grey text") << true << 2 << true << kDisabledFrame;
}

void tst_Labels::disabledLook()
{
    QFETCH(bool, withStrip);
    QFETCH(int, frames);
    QFETCH(bool, greyOnDisable);
    QFETCH(QColor, background);

    CLabelDisplay *label = makeLabel();
    QVERIFY(label);
    if (withStrip) {
        label->setcombinedImage(twoFrames());
        label->setnSubImages(frames);
    }
    label->setGreyOnDisable(greyOnDisable);
    QFont bold = label->font();
    bold.setPixelSize(16);
    bold.setBold(true);
    label->setFont(bold);
    label->setText(QStringLiteral("WWW"));

    const QImage enabled = label->grab().toImage();
    if (withStrip)
        QVERIFY(TestRig::countPixels(enabled, kEnabledFrame).matching > 0);
    QCOMPARE(TestRig::countPixels(enabled, kDisabledFill).matching, 0);

    label->setEnabled(false);
    const QImage disabled = label->grab().toImage();
    QCOMPARE(disabled.pixelColor(1, 1), background);
    if (greyOnDisable) {
        QVERIFY(TestRig::countPixels(disabled, kGreyText).matching > 0);
        QVERIFY(pixelsOtherThan(disabled, background) > 10);
    } else {
        // Only the background.
        QCOMPARE(pixelsOtherThan(disabled, background), 0);
    }
    label->setEnabled(true);
    QCOMPARE(label->grab().toImage(), enabled);
}

void tst_Labels::editableLabelProposesTypedNumber()
{
    CLabelDisplay *label = makeLabel();
    QVERIFY(label);
    label->setText(QStringLiteral("-12.5 dB"));
    QSignalSpy proposed(label, &CLabelDisplay::valueChanged);

    // Not editable: a double click opens nothing.
    QTest::mouseDClick(label, Qt::LeftButton, {}, QPoint(20, 10));
    QVERIFY(!label->findChild<NS_Utilities::CNumEdit *>());

    label->setEditable(true);
    label->setEditFormat(QStringLiteral("%.2f"));
    QTest::mouseDClick(label, Qt::LeftButton, {}, QPoint(20, 10));
    auto *edit = label->findChild<NS_Utilities::CNumEdit *>();
    QVERIFY(edit);
    QTRY_VERIFY(edit->isVisible());
    QCOMPARE(edit->text(), QStringLiteral("-12.50"));
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("3.25"));
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(proposed.size(), 1);
    QCOMPARE(proposed.at(0).at(0).toDouble(), 3.25);
    // Proposing is all: the label's text is fed by its control.
    QCOMPARE(label->text(), QStringLiteral("-12.5 dB"));

    // One editor, reused.
    QTest::mouseDClick(label, Qt::LeftButton, {}, QPoint(20, 10));
    QCOMPARE(label->findChildren<NS_Utilities::CNumEdit *>().size(), 1);
}

// --- hotspot label ------------------------------------------------------------------------------

void tst_Labels::hotSpotIsStrictlyInside_data()
{
    QTest::addColumn<QRect>("hotSpot");
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<bool>("hot");

    const QRect spot(10, 4, 40, 12);
    QTest::newRow("inside") << spot << QPoint(30, 10) << true;
    QTest::newRow("just inside the corner") << spot << QPoint(11, 5) << true;
    QTest::newRow("left edge") << spot << QPoint(10, 10) << false;
    QTest::newRow("top edge") << spot << QPoint(30, 4) << false;
    QTest::newRow("right edge") << spot << QPoint(49, 10) << false;
    QTest::newRow("bottom edge") << spot << QPoint(30, 15) << false;
    QTest::newRow("outside") << spot << QPoint(60, 10) << false;
    QTest::newRow("null hot spot") << QRect() << QPoint(0, 0) << false;
    QTest::newRow("null hot spot, anywhere") << QRect() << QPoint(30, 10) << false;
    QTest::newRow("negative hot spot") << QRect(50, 16, -40, -12) << QPoint(30, 10) << false;
}

void tst_Labels::hotSpotIsStrictlyInside()
{
    QFETCH(QRect, hotSpot);
    QFETCH(QPoint, at);
    QFETCH(bool, hot);

    CHotspotLabel *label = makeHotspot();
    QVERIFY(label);
    label->setHotSpot(hotSpot);
    QSignalSpy clicked(label, &CHotspotLabel::hotspotClicked);
    QSignalSpy doubleClicked(label, qOverload<>(&CHotspotLabel::hotspotDoubleClicked));
    QTest::mouseClick(label, Qt::LeftButton, {}, at);
    QCOMPARE(clicked.size(), hot ? 1 : 0);
    clicked.clear();
    QTest::mouseDClick(label, Qt::LeftButton, {}, at);
    QCOMPARE(doubleClicked.size(), hot ? 1 : 0);
    // No keyboard activation.
    label->setFocus();
    QTest::keyClick(label, Qt::Key_Space);
    const int before = int(clicked.size());
    QTest::keyClick(label, Qt::Key_Return);
    QCOMPARE(clicked.size(), before);
}

void tst_Labels::hotButtonsSelectPresses()
{
    CHotspotLabel *label = makeHotspot();
    QVERIFY(label);
    QSignalSpy clicked(label, &CHotspotLabel::hotspotClicked);
    const QPoint in(30, 10);
    QTest::mouseClick(label, Qt::RightButton, {}, in);
    QCOMPARE(clicked.size(), 0);
    label->setHotButtons(Qt::LeftButton | Qt::RightButton);
    QTest::mouseClick(label, Qt::RightButton, {}, in);
    QTest::mouseClick(label, Qt::MiddleButton, {}, in);
    QCOMPARE(clicked.size(), 1);
    label->setProperty("hotButtons", int(Qt::MiddleButton));
    QCOMPARE(label->hotButtons(), int(Qt::MiddleButton));
    QTest::mouseClick(label, Qt::LeftButton, {}, in);
    QTest::mouseClick(label, Qt::MiddleButton, {}, in);
    QCOMPARE(clicked.size(), 2);
}

void tst_Labels::doubleClickSignalsInOrder()
{
    CHotspotLabel *label = makeHotspot();
    QVERIFY(label);
    label->setEditable(true);
    QStringList order;
    QList<int> states;
    connect(label, qOverload<>(&CHotspotLabel::hotspotDoubleClicked), this,
            [&] { order.append(QStringLiteral("plain")); });
    connect(label, qOverload<ButtonState>(&CHotspotLabel::hotspotDoubleClicked), this,
            [&](ButtonState s) {
                order.append(QStringLiteral("state"));
                states.append(s);
            });
    QTest::mouseDClick(label, Qt::LeftButton, Qt::ControlModifier, QPoint(30, 10));
    QCOMPARE(order, QStringList({QStringLiteral("plain"), QStringLiteral("state")}));
    // The state before the click: the modifier, not the clicking button.
    QCOMPARE(states, QList<int>({int(Qt::ControlModifier)}));
    // The hot spot's double click replaces numeric entry.
    QVERIFY(!label->findChild<NS_Utilities::CNumEdit *>());
    // Only the left button double-clicks.
    QTest::mouseDClick(label, Qt::RightButton, {}, QPoint(30, 10));
    QCOMPARE(order.size(), 2);
}

// --- editor opener ------------------------------------------------------------------------------

void tst_Labels::openerRequiredState_data()
{
    QTest::addColumn<int>("required");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("opens");

    QTest::newRow("any, plain") << -1 << int(Qt::NoModifier) << true;
    QTest::newRow("any, shift") << -1 << int(Qt::ShiftModifier) << true;
    QTest::newRow("control, control")
            << int(Qt::ControlModifier) << int(Qt::ControlModifier) << true;
    QTest::newRow("control, plain") << int(Qt::ControlModifier) << int(Qt::NoModifier) << false;
    QTest::newRow("control, shift") << int(Qt::ControlModifier) << int(Qt::ShiftModifier) << false;
    QTest::newRow("plain, plain") << 0 << int(Qt::NoModifier) << true;
}

void tst_Labels::openerRequiredState()
{
    QFETCH(int, required);
    QFETCH(int, modifiers);
    QFETCH(bool, opens);

    TestFactory factory;
    m_memory->setEditorFactory(&factory);
    CHotspotLabel *label = makeHotspot();
    QVERIFY(label);
    PlainProxy proxy;
    proxy.setNamedAddress(QStringLiteral("FEkInput/kFader"));
    QCOMPARE(m_memory->connectProxy(&proxy, 5), 0);
    Z_GUID type;
    type.data1 = 0x1234;
    auto *opener = new EditorOpener(label, &proxy, type, 7, required, 2);
    QVERIFY(opener->isConnected());
    QCOMPARE(opener->parent(), label);

    QTest::mouseDClick(label, Qt::LeftButton, Qt::KeyboardModifiers(modifiers), QPoint(30, 10));
    QCOMPARE(factory.calls, opens ? 1 : 0);
    if (!opens)
        return;
    QCOMPARE(factory.lastType.data1, 0x1234u);
    QCOMPARE(factory.lastKind, 7);
    QWidget *editor = factory.editors.back().get();
    // The proxy's channel plus the opener's offset.
    QCOMPARE(editor->property("channel"), QVariant(5 + 2));
    QVERIFY(editor->isVisible());
    m_memory->setEditorFactory(nullptr);
}

void tst_Labels::openerWithoutFactoryOrFailing()
{
    CHotspotLabel *label = makeHotspot();
    QVERIFY(label);
    PlainProxy proxy;
    proxy.setNamedAddress(QStringLiteral("FEkInput/kFader"));
    m_memory->connectProxy(&proxy, 1);
    auto *opener = new EditorOpener(label, &proxy, Z_GUID(), 0);
    // No factory: nothing happens.
    QTest::mouseDClick(label, Qt::LeftButton, {}, QPoint(30, 10));
    // A failing factory: no editor is touched.
    TestFactory factory;
    factory.fail = true;
    m_memory->setEditorFactory(&factory);
    QTest::mouseDClick(label, Qt::LeftButton, {}, QPoint(30, 10));
    QCOMPARE(factory.calls, 1);
    QVERIFY(factory.editors.empty());
    // The direct call reads the held modifiers: none, so "any" opens.
    factory.fail = false;
    opener->openAnEditor();
    QCOMPARE(factory.calls, 2);
    QCOMPARE(factory.editors.back()->property("channel"), QVariant(1));
    m_memory->setEditorFactory(nullptr);
}

void tst_Labels::openerWithNullLabelOrProxy()
{
    TestFactory factory;
    m_memory->setEditorFactory(&factory);
    CHotspotLabel *label = makeHotspot();
    QVERIFY(label);
    PlainProxy proxy;
    m_memory->connectProxy(&proxy, 1);
    auto *withoutProxy = new EditorOpener(label, nullptr, Z_GUID(), 0);
    EditorOpener withoutLabel(nullptr, &proxy, Z_GUID(), 0);
    QVERIFY(!withoutProxy->isConnected());
    QVERIFY(!withoutLabel.isConnected());
    QTest::mouseDClick(label, Qt::LeftButton, {}, QPoint(30, 10));
    withoutProxy->openAnEditor(-1);
    QCOMPARE(factory.calls, 0);
    m_memory->setEditorFactory(nullptr);
}

void tst_Labels::openerForgetsDestroyedProxy()
{
    TestFactory factory;
    m_memory->setEditorFactory(&factory);
    CHotspotLabel *label = makeHotspot();
    QVERIFY(label);
    auto proxy = std::make_unique<ObjectProxy>();
    proxy->setNamedAddress(QStringLiteral("FEkInput/kFader"));
    m_memory->connectProxy(proxy.get(), 3);
    auto *opener = new EditorOpener(label, proxy.get(), Z_GUID(), 0);
    QTest::mouseDClick(label, Qt::LeftButton, {}, QPoint(30, 10));
    QCOMPARE(factory.calls, 1);
    QCOMPARE(factory.editors.back()->property("channel"), QVariant(3));
    proxy.reset();
    QVERIFY(!opener->proxy());
    QTest::mouseDClick(label, Qt::LeftButton, {}, QPoint(30, 10));
    QCOMPARE(factory.calls, 1);
    m_memory->setEditorFactory(nullptr);
}

QTEST_MAIN(tst_Labels)
#include "tst_labels.moc"
