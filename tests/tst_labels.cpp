// The label display (two text slots, the alternate hold, painting, typed numbers), the hotspot
// label (strict hot spot, hot buttons, double-click state) and the editor opener (required
// state, factory outcomes, the "channel" it hands over).

#include "CHotspotLabel.h"
#include "CLabelDisplay.h"
#include "CNumEdit.h"
#include "EditorOpener.h"
#include "TestRig.h"

namespace {

const char kCatalogue[] = R"({"name": "Label test", "sections": [{"key": "kInput", "element": 1,
 "channels": 8, "params": [{"key": "kFader", "id": 1, "min": 0, "max": 1023}]}]})";
const char *const kFader = "FEkInput/kFader";
const QColor kDisabledFill(52, 54, 63);
const QColor kGreyText(128, 128, 128);
const QColor kEnabledFrame(20, 120, 200);
const QColor kDisabledFrame(150, 40, 40);
const QSize kLabelSize(80, 20);
const QPoint kHot(30, 10); // inside the hot spot

// A bound QObject, to show the opener forgets a destroyed proxy.
class ObjectProxy : public QObject, public TMemProxy
{
};

// The host's editor service: opens (or fails to open) a fresh editor window.
struct TestFactory : IEditorFactory
{
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
    int calls = 0, lastKind = 0;
    bool fail = false;
    Z_GUID lastType;
    std::vector<std::unique_ptr<QWidget>> editors;
};

// A label of the given class in the console's window, shown; hotspot labels get the hot spot
// x 10..49, y 4..15.
template<class Label>
Label *addLabel(TestRig::Console &rig)
{
    auto *label = new Label(&rig.host, "label");
    label->setGeometry(QRect(QPoint(10, 10), kLabelSize));
    if constexpr (std::is_same_v<Label, CHotspotLabel>)
        label->setHotSpot(QRect(10, 4, 40, 12));
    rig.host.show();
    return QTest::qWaitForWindowExposed(&rig.host) ? label : nullptr;
}

} // namespace

class tst_Labels : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void labelDisplay();
    void disabledLook();
    void hotspotLabel();
    void openerRequiredState_data();
    void openerRequiredState();
    void openerWithoutFactoryProxyOrLabel();
};

// Centred, tab focus only with a focus colour; the same text again rebuilds nothing; the alternate
// slot held 700 ms after the last end, nested pairs and unmatched ends; texts without their
// unit; a typed number is proposed, not shown.
void tst_Labels::labelDisplay()
{
    TestRig::Console rig(kCatalogue);
    CLabelDisplay *label = addLabel<CLabelDisplay>(rig);
    QVERIFY(label);
    QCOMPARE(label->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    QCOMPARE(label->alignment() & Qt::AlignVertical_Mask, Qt::AlignVCenter);
    QCOMPARE(label->focusPolicy(), Qt::ClickFocus);

    label->setText(QStringLiteral("-12.0 dB"));
    label->grab();
    const int rebuilds = label->pictureRebuildCount();
    label->setText(QStringLiteral("-12.0 dB"));
    label->grab();
    QCOMPARE(label->pictureRebuildCount(), rebuilds);
    label->setText(QStringLiteral("-11.0 dB"));
    label->grab();
    QCOMPARE(label->pictureRebuildCount(), rebuilds + 1);
    // Through the property and a string connection too: the label's own setter.
    label->setProperty("text", QStringLiteral("-10.0 dB"));
    QCOMPARE(label->normalText(), QStringLiteral("-10.0 dB"));
    QVERIFY(QMetaObject::invokeMethod(label, "setText", Q_ARG(QString, QStringLiteral("x"))));
    QCOMPARE(label->normalText(), QStringLiteral("x"));

    // Ends without a begin keep the depth at zero; the alternate slot shows at the next begin.
    label->setText(QStringLiteral("CH 1"));
    label->altDisplayEnd();
    label->handle_altDisplayEnd();
    label->handle_altDisplayEnd();
    QCOMPARE(label->altDisplayDepth(), 0);
    QCOMPARE(label->text(), QStringLiteral("CH 1"));
    label->altDisplayBegin(); // nothing shown yet as alternate: the normal text stays
    QCOMPARE(label->altDisplayDepth(), 1);
    QCOMPARE(label->text(), QStringLiteral("CH 1"));
    label->setText(QStringLiteral("-6.0 dB"));
    QCOMPARE(label->text(), QStringLiteral("-6.0 dB"));
    label->handle_altDisplayEnd();
    QCOMPARE(label->text(), QStringLiteral("CH 1"));
    label->altDisplayBegin(); // the next movement shows its last value at once
    QCOMPARE(label->text(), QStringLiteral("-6.0 dB"));
    label->handle_altDisplayEnd();
    QCOMPARE(label->text(), QStringLiteral("CH 1"));

    for (const int pairs : {1, 2}) {
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
        // Both ends fell due at once: each lowers the depth by one.
        QTRY_COMPARE(label->altDisplayDepth(), 0);
        QCOMPARE(label->text(), QStringLiteral("CH 1"));
    }
    for (const auto &[given, shown] :
         {std::pair {"-12.5dB", "-12.5"}, {"440Hz", "440"}, {"ms", ""}, {"5", ""}, {"", ""}}) {
        label->setText(QStringLiteral("before"));
        label->setTextNoUnit(QString::fromLatin1(given));
        QCOMPARE(label->text(), QString::fromLatin1(shown));
    }

    // Not editable: a double click opens nothing. Editable: one editor, reused, proposes.
    label->setText(QStringLiteral("-12.5 dB"));
    QSignalSpy proposed(label, &CLabelDisplay::valueChanged);
    QTest::mouseDClick(label, Qt::LeftButton, {}, QPoint(20, 10));
    QVERIFY(!label->findChild<NS_Utilities::CNumEdit *>());
    label->setEditable(true);
    label->setEditFormat(QStringLiteral("%.2f"));
    QTest::mouseDClick(label, Qt::LeftButton, {}, QPoint(20, 10));
    auto *edit = label->findChild<NS_Utilities::CNumEdit *>();
    QTRY_VERIFY(edit && edit->isVisible());
    QCOMPARE(edit->text(), QStringLiteral("-12.50"));
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("3.25"));
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(proposed.size(), 1);
    QCOMPARE(proposed.at(0).at(0).toDouble(), 3.25);
    QCOMPARE(label->text(), QStringLiteral("-12.5 dB")); // fed by its control, not by typing
    QTest::mouseDClick(label, Qt::LeftButton, {}, QPoint(20, 10));
    QCOMPARE(label->findChildren<NS_Utilities::CNumEdit *>().size(), 1);
    label->setFocusColor(Qt::red);
    QCOMPARE(label->focusPolicy(), Qt::StrongFocus);
    QVERIFY(!label->focusColor().isValid());
}

// Disabled without a strip (0 frames) or with one frame: the fill; with two frames: the last.
// Grey text over it only when asked; enabled again, the first picture.
void tst_Labels::disabledLook()
{
    TestRig::Console rig(kCatalogue);
    const struct
    {
        int frames;
        bool greyOnDisable;
        QColor background;
    } looks[] = {{0, false, kDisabledFill},
                 {0, true, kDisabledFill},
                 {1, false, kDisabledFill},
                 {2, false, kDisabledFrame},
                 {2, true, kDisabledFrame}};
    for (const auto &look : looks) {
        CLabelDisplay *label = addLabel<CLabelDisplay>(rig);
        QVERIFY(label);
        if (look.frames) {
            label->setcombinedImage(TestRig::frameStrip(kLabelSize, 1, 2, [](int, int row) {
                return row == 0 ? kEnabledFrame : kDisabledFrame;
            }));
            label->setnSubImages(look.frames);
        }
        label->setGreyOnDisable(look.greyOnDisable);
        QFont bold = label->font();
        bold.setPixelSize(16);
        bold.setBold(true);
        label->setFont(bold);
        label->setText(QStringLiteral("WWW"));
        const QImage enabled = label->grab().toImage();
        QCOMPARE(TestRig::countPixels(enabled, kEnabledFrame).matching > 0, look.frames > 0);
        QCOMPARE(TestRig::countPixels(enabled, kDisabledFill).matching, 0);
        label->setEnabled(false);
        const QImage disabled = label->grab().toImage();
        QCOMPARE(disabled.pixelColor(1, 1), look.background);
        QCOMPARE(TestRig::countPixels(disabled, kGreyText).matching > 0, look.greyOnDisable);
        const int other = disabled.width() * disabled.height()
                - TestRig::countPixels(disabled, look.background).matching; // text pixels
        QVERIFY(look.greyOnDisable ? other > 10 : other == 0);
        label->setEnabled(true);
        QCOMPARE(label->grab().toImage(), enabled);
    }
}

// A click and a double click count only strictly inside the hot spot (just inside the corner,
// not on an edge; never with a null or negative one); keys never activate.
// Hot buttons select which presses click; the double click sends both signals, plain first,
// with the state before the click, and replaces numeric entry; only the left button.
void tst_Labels::hotspotLabel()
{
    TestRig::Console rig(kCatalogue);
    CHotspotLabel *label = addLabel<CHotspotLabel>(rig);
    QVERIFY(label);
    QSignalSpy clicked(label, &CHotspotLabel::hotspotClicked);
    QSignalSpy doubleClicked(label, qOverload<>(&CHotspotLabel::hotspotDoubleClicked));
    const QRect spot(10, 4, 40, 12), none, negative(50, 16, -40, -12);
    const struct
    {
        QRect hotSpot;
        QPoint at;
        bool hot;
    } presses[] = {{spot, kHot, true},      {spot, {11, 5}, true},   {spot, {10, 10}, false},
                   {spot, {30, 4}, false},  {spot, {49, 10}, false}, {spot, {30, 15}, false},
                   {spot, {60, 10}, false}, {none, {0, 0}, false},   {none, kHot, false},
                   {negative, kHot, false}};
    for (const auto &press : presses) {
        label->setHotSpot(press.hotSpot);
        clicked.clear();
        doubleClicked.clear();
        QTest::mouseClick(label, Qt::LeftButton, {}, press.at);
        QCOMPARE(clicked.size(), press.hot ? 1 : 0);
        QTest::mouseDClick(label, Qt::LeftButton, {}, press.at);
        QCOMPARE(doubleClicked.size(), press.hot ? 1 : 0);
        const int before = int(clicked.size());
        label->setFocus();
        QTest::keyClick(label, Qt::Key_Space);
        QTest::keyClick(label, Qt::Key_Return);
        QCOMPARE(clicked.size(), before);
    }

    label->setHotSpot(spot);
    clicked.clear();
    QTest::mouseClick(label, Qt::RightButton, {}, kHot);
    QCOMPARE(clicked.size(), 0);
    label->setHotButtons(Qt::LeftButton | Qt::RightButton);
    QTest::mouseClick(label, Qt::RightButton, {}, kHot);
    QTest::mouseClick(label, Qt::MiddleButton, {}, kHot);
    QCOMPARE(clicked.size(), 1);
    label->setProperty("hotButtons", int(Qt::MiddleButton));
    QCOMPARE(label->hotButtons(), int(Qt::MiddleButton));
    QTest::mouseClick(label, Qt::LeftButton, {}, kHot);
    QTest::mouseClick(label, Qt::MiddleButton, {}, kHot);
    QCOMPARE(clicked.size(), 2);

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
    QTest::mouseDClick(label, Qt::LeftButton, Qt::ControlModifier, kHot);
    QCOMPARE(order, QStringList({QStringLiteral("plain"), QStringLiteral("state")}));
    QCOMPARE(states, QList<int>({int(Qt::ControlModifier)})); // not the clicking button
    QVERIFY(!label->findChild<NS_Utilities::CNumEdit *>());
    QTest::mouseDClick(label, Qt::RightButton, {}, kHot);
    QCOMPARE(order.size(), 2);
}

void tst_Labels::openerRequiredState_data()
{
    QTest::addColumn<int>("required");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("opens");
    const int control = Qt::ControlModifier, shift = Qt::ShiftModifier;
    QTest::newRow("any, plain") << -1 << 0 << true;
    QTest::newRow("any, shift") << -1 << shift << true;
    QTest::newRow("control, control") << control << control << true;
    QTest::newRow("control, plain") << control << 0 << false;
    QTest::newRow("control, shift") << control << shift << false;
    QTest::newRow("plain, plain") << 0 << 0 << true;
}

// A double click with the required state opens the editor type and kind through the host's
// factory, handing it the proxy's channel plus the opener's offset.
void tst_Labels::openerRequiredState()
{
    QFETCH(int, required);
    QFETCH(int, modifiers);
    QFETCH(bool, opens);
    TestRig::Console rig(kCatalogue, 5);
    TestFactory factory;
    rig.memory.setEditorFactory(&factory);
    CHotspotLabel *label = addLabel<CHotspotLabel>(rig);
    TestRig::Watcher proxy;
    QVERIFY(label && rig.bind(&proxy, kFader));
    const Z_GUID type {0x1234};
    auto *opener = new EditorOpener(label, &proxy, type, 7, required, 2);
    QVERIFY(opener->isConnected() && opener->parent() == label);
    QTest::mouseDClick(label, Qt::LeftButton, Qt::KeyboardModifiers(modifiers), kHot);
    QCOMPARE(factory.calls, opens ? 1 : 0);
    if (opens) {
        QCOMPARE(factory.lastType.data1, 0x1234u);
        QCOMPARE(factory.lastKind, 7);
        QCOMPARE(factory.editors.back()->property("channel"), QVariant(5 + 2));
        QVERIFY(factory.editors.back()->isVisible());
    }
    rig.memory.setEditorFactory(nullptr);
}

// No factory: nothing; a failing factory: no editor touched; the direct call reads the held
// modifiers. Without a label or a proxy the opener listens to nothing; a destroyed proxy is
// forgotten.
void tst_Labels::openerWithoutFactoryProxyOrLabel()
{
    TestRig::Console rig(kCatalogue, 1);
    CHotspotLabel *label = addLabel<CHotspotLabel>(rig);
    TestRig::Watcher proxy;
    QVERIFY(label && rig.bind(&proxy, kFader));
    auto *opener = new EditorOpener(label, &proxy, Z_GUID(), 0);
    QTest::mouseDClick(label, Qt::LeftButton, {}, kHot);
    TestFactory factory;
    factory.fail = true;
    rig.memory.setEditorFactory(&factory);
    QTest::mouseDClick(label, Qt::LeftButton, {}, kHot);
    QCOMPARE(factory.calls, 1);
    QVERIFY(factory.editors.empty());
    factory.fail = false;
    opener->openAnEditor();
    QCOMPARE(factory.calls, 2);
    QCOMPARE(factory.editors.back()->property("channel"), QVariant(1));
    delete opener;

    auto *withoutProxy = new EditorOpener(label, nullptr, Z_GUID(), 0);
    TestRig::Watcher bare; // no address: taken by the memory, never attached
    rig.memory.connectProxy(&bare, 1);
    EditorOpener withoutLabel(nullptr, &bare, Z_GUID(), 0);
    QVERIFY(!withoutProxy->isConnected() && !withoutLabel.isConnected());
    QTest::mouseDClick(label, Qt::LeftButton, {}, kHot);
    withoutProxy->openAnEditor(-1);
    QCOMPARE(factory.calls, 2);

    auto object = std::make_unique<ObjectProxy>();
    QVERIFY(TestRig::bind(rig.memory, *object, QString::fromLatin1(kFader), 3));
    opener = new EditorOpener(label, object.get(), Z_GUID(), 0);
    QTest::mouseDClick(label, Qt::LeftButton, {}, kHot);
    QCOMPARE(factory.calls, 3);
    QCOMPARE(factory.editors.back()->property("channel"), QVariant(3));
    object.reset();
    QVERIFY(!opener->proxy());
    QTest::mouseDClick(label, Qt::LeftButton, {}, kHot);
    QCOMPARE(factory.calls, 3);
    rig.memory.setEditorFactory(nullptr);
}

QTEST_MAIN(tst_Labels)
#include "tst_labels.moc"
