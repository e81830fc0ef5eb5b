#include "DynamicsPage.h"

#include "CCompCurve.h"
#include "CDial.h"
#include "CGateCurve.h"
#include "CLabelDisplay.h"
#include "COnOffButton.h"
#include "CPixmapSwitcher.h"
#include "CPopup.h"
#include "CRadioButton.h"
#include "CThresholdMeter.h"
#include "DemoAddresses.h"
#include "DemoSwitch.h"
#include "InputStrip.h"
#include "NS_Utilities.h"
#include "StateDisplayMulti.h"
#include "StateDisplayWidget.h"
#include "TParamMemory.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

constexpr int kKnobFrames = 101;
constexpr int kInputChannels = 8;

// The curves span -72..+18 dB both ways: the compressor at two pixels per dB, the gate at one.
constexpr int kCompSide = 181;
constexpr int kGateSide = 91;
constexpr int kAxisMinDb = -72;
constexpr int kAxisSpanDb = 90;
constexpr int kGridStepDb = 12;

// Value-name tables of the catalogue (the "text" of kCompType and kGateType).
constexpr int kCompTypeTable = 10;
constexpr int kGateTypeTable = 20;

const QColor kGridBackground(24, 28, 36);
const QColor kGridLine(52, 58, 70);
const QColor kGridStrong(78, 86, 102);

// The graticule under a curve: 12 dB steps both ways, 0 dB stronger, and the unity line.
QPixmap graticule(int side)
{
    QPixmap pixmap(side, side);
    pixmap.fill(kGridBackground);
    QPainter p(&pixmap);
    const int last = side - 1;
    auto at = [last](int dB) { return (dB - kAxisMinDb) * last / kAxisSpanDb; };
    for (int dB = kAxisMinDb + kGridStepDb; dB < kAxisMinDb + kAxisSpanDb; dB += kGridStepDb) {
        p.setPen(dB == 0 ? kGridStrong : kGridLine);
        p.drawLine(at(dB), 0, at(dB), last);
        p.drawLine(0, last - at(dB), last, last - at(dB));
    }
    p.setPen(QPen(kGridLine, 0, Qt::DotLine));
    p.drawLine(0, last, last, 0);
    return pixmap;
}

QLabel *caption(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignCenter);
    label->setStyleSheet(QStringLiteral("color: #a0a4aa;"));
    return label;
}

QLabel *sectionTitle(const QString &text, QWidget *parent)
{
    auto *label = caption(text, parent);
    label->setAlignment(Qt::AlignLeft);
    label->setStyleSheet(QStringLiteral("font-weight: bold; color: #f0f0f0;"));
    return label;
}

// Key levels (raw meter values) at which the lamps light.
constexpr int kGateKeyThreshold = 2600;
constexpr int kCompKeyThreshold = 3300;

// A section title with its key lamp: lit while the key is at or above the threshold, dark
// while the section is off.
QLayout *titleWithKeyLamp(const QString &text, QWidget *parent, const char *image,
                          const char *meter, const char *onSwitch, int threshold)
{
    auto *lamp = new CThresholdMeter(parent, "keyLamp");
    lamp->setCombinedImage(NS_Utilities::loadPixmap(QString::fromLatin1(image)));
    lamp->adjustParams();
    lamp->setThresholdLevel(threshold);
    lamp->setNamedAddress(QString::fromLatin1(meter));
    lamp->setStateNamedAddress(QString::fromLatin1(onSwitch));
    lamp->setToolTip(QStringLiteral("Key signal at or above the threshold"));
    auto *row = new QHBoxLayout;
    row->addWidget(sectionTitle(text, parent));
    row->addWidget(lamp);
    row->addStretch();
    return row;
}

// A dial with its title above and the memory's value text below, in one grid cell.
void addKnob(QGridLayout *grid, int column, const QString &title, const char *image,
             const char *address)
{
    QWidget *parent = grid->parentWidget();
    auto *dial = new CDial(parent, "dynDial");
    dial->setCombinedImage(NS_Utilities::loadPixmap(QString::fromLatin1(image)));
    dial->setnSubImages(kKnobFrames);
    dial->setNamedAddress(QString::fromLatin1(address));
    CLabelDisplay *readout = makeValueLabel(parent);
    QObject::connect(dial, &CDial::textualValueChange, readout, &CLabelDisplay::setText);
    auto *cell = new QVBoxLayout;
    cell->setSpacing(1);
    cell->addWidget(caption(title, parent));
    cell->addWidget(dial, 0, Qt::AlignHCenter);
    cell->addWidget(readout);
    grid->addLayout(cell, 0, column);
}

// A type selector showing the memory's value names.
void addTypeSelector(QGridLayout *grid, int column, int tableId, const char *address)
{
    QWidget *parent = grid->parentWidget();
    auto *type = new CPopup(parent, QStringLiteral("dynType"));
    type->setTableId(tableId);
    type->setColumnsCount(2);
    type->setLabelSize(QSize(92, 16));
    type->setFixedSize(96, 18);
    type->setButtonTextColor(QColor(165, 207, 211));
    type->setFocusColor(QColor(90, 160, 250));
    QPalette face = type->palette();
    face.setColor(QPalette::Button, QColor(24, 26, 30));
    type->setPalette(face);
    type->setNamedAddress(QString::fromLatin1(address));
    auto *cell = new QVBoxLayout;
    cell->setSpacing(1);
    cell->addWidget(caption(QStringLiteral("TYPE"), parent));
    cell->addWidget(type, 0, Qt::AlignHCenter);
    cell->addStretch();
    grid->addLayout(cell, 0, column);
}

// A compressor and a gate worth looking at when the editor opens, on the first channel.
void presetDynamics(TParamMemory *memory)
{
    const int source = memory->sourceId(0);
    auto set = [&](const char *name, int value) {
        IMemAPI::TSingleAddress a;
        if (memory->resolveNamed(QString::fromLatin1(name), 0, &a))
            memory->setValue(a.element, a.parameter, a.channel, value, source, 1);
    };
    set(DemoAddresses::compOn, 1);
    set(DemoAddresses::gateOn, 1);
    set("FEkComp/kCompRatio", 9); // 4:1
    set("FEkComp/kCompKnee", 3);
    set("FEkComp/kCompGain", 40);
    set("FEkGate/kGateThreshold", -450);
    set("FEkGate/kGateRange", -40);
}

constexpr int kCompTypes = 4;
constexpr int kRadioRows = 3;
constexpr int kPanels = 3;
const QSize kTabArea(210, 20);

QPixmap art(const char *name)
{
    return NS_Utilities::loadPixmap(QString::fromLatin1(name));
}

// The compressor's type as four exclusive choices, the picture of the chosen type and the
// compressor's on switch with its lamp.
QWidget *typePanel(QWidget *parent)
{
    auto *panel = new QWidget(parent);
    auto *grid = new QGridLayout(panel);
    grid->addWidget(caption(QStringLiteral("COMP TYPE"), panel), 0, 0);
    auto *group = new QButtonGroup(panel);
    for (int t = 0; t < kCompTypes; ++t) {
        auto *radio = new CRadioButton(panel, "dynTypeRadio");
        radio->setOnValue(t);
        if (t == 0) {
            // Separate pictures, with a tracking picture held for the click delay.
            radio->setOffState(art("radio_comp_off.png"));
            radio->setOnState(art("radio_comp_on.png"));
            radio->setTrackingState(art("radio_comp_track.png"));
        } else {
            const QPixmap strip = art(qPrintable(QStringLiteral("radio_comp_type%1.png").arg(t)));
            radio->setCombinedImage(strip);
            radio->setnSubImages(kRadioRows);
            radio->setFixedSize(strip.width(), strip.height() / kRadioRows);
        }
        radio->setNamedAddress(QString::fromLatin1(DemoAddresses::compType));
        group->addButton(radio, t);
        grid->addWidget(radio, 1 + t, 0);
    }

    grid->addWidget(caption(QStringLiteral("CURVE"), panel), 0, 1);
    auto *picture = new StateDisplayWidget(panel, "dynTypePicture");
    picture->setCombinedImage(art("comp_type_display.png"));
    picture->setnSubImages(kCompTypes);
    picture->setNamedAddress(QString::fromLatin1(DemoAddresses::compType));
    grid->addWidget(picture, 1, 1, 3, 1, Qt::AlignTop);

    grid->addWidget(caption(QStringLiteral("COMP ON"), panel), 0, 2);
    auto *on = makeDemoSwitch(panel, "dynCompOn", "button_on.png");
    on->setNamedAddress(QString::fromLatin1(DemoAddresses::compOn));
    grid->addWidget(on, 1, 2);
    auto *lamp = new StateDisplayWidget(panel, "dynCompLamp");
    lamp->setCombinedImage(art("lamp_green.png"));
    lamp->setnSubImages(2);
    lamp->setBooleanLogic(true);
    lamp->setCmpValue(1);
    lamp->setNamedAddress(QString::fromLatin1(DemoAddresses::compOn));
    grid->addWidget(lamp, 2, 2, Qt::AlignHCenter);
    grid->setColumnStretch(3, 1);
    grid->setRowStretch(kCompTypes + 1, 1);
    return panel;
}

// The channel's eighteen bus-assignment lamps, larger than on the strips.
QWidget *assignPanel(QWidget *parent)
{
    auto *panel = new QWidget(parent);
    auto *row = new QHBoxLayout(panel);
    row->addWidget(caption(QStringLiteral("BUS ASSIGN"), panel), 0, Qt::AlignTop);
    auto *lamps = new CStateDisplayMulti(panel, QStringLiteral("dynAssignLamps"));
    lamps->setImgOffList(art("assign_dark.png"));
    lamps->setImgOnList(art("assign_lit.png"));
    lamps->setTtlNumber(CStateDisplayMulti::FullItemCount);
    lamps->setXtraInfo(QString::fromLatin1(DemoAddresses::assignExtras));
    lamps->setNamedAddress(QString::fromLatin1(DemoAddresses::assign));
    row->addWidget(lamps, 0, Qt::AlignTop);
    row->addStretch();
    return panel;
}

// Radios, like switches, show their value from the first change on: show the current one now.
void showCurrentRadioValues(QWidget *root)
{
    const QList<CRadioButton *> radios = root->findChildren<CRadioButton *>();
    for (CRadioButton *radio : radios)
        radio->process(nullptr, 0, 0);
}

} // namespace

DynamicsPage::DynamicsPage(TParamMemory *memory, QWidget *parent)
    : DemoPage(memory, parent)
    , m_channelBox(new QWidget(this))
{
    presetDynamics(memory);
    auto *page = new QVBoxLayout(this);

    auto *header = new QHBoxLayout;
    header->addWidget(sectionTitle(QStringLiteral("DYNAMICS"), this));
    auto *channels = new QComboBox(this);
    for (int c = 0; c < kInputChannels; ++c)
        channels->addItem(QStringLiteral("CH %1").arg(c + 1));
    connect(channels, &QComboBox::currentIndexChanged, this, &DynamicsPage::selectChannel);
    header->addWidget(channels);
    // The sub-panels' tab strip: one frame per selected tab.
    auto *tabs = new CPixmapSwitcher(this, "dynTabs");
    tabs->setCombinedImage(art("tabs_dynamics.png"));
    tabs->setnSubImages(kPanels);
    tabs->setTabArea(QRect(QPoint(0, 0), kTabArea));
    tabs->setTabbed(true);
    header->addWidget(tabs);
    header->addStretch();
    page->addLayout(header);

    auto *panels = new QVBoxLayout(m_channelBox);
    panels->setContentsMargins(0, 0, 0, 0);
    auto *stack = new QStackedWidget(m_channelBox);
    panels->addWidget(stack);
    auto *curves = new QWidget(stack);
    stack->addWidget(curves);
    stack->addWidget(typePanel(stack));
    stack->addWidget(assignPanel(stack));
    connect(tabs, &CPixmapSwitcher::indexChanged, stack, &QStackedWidget::setCurrentIndex);

    auto *sections = new QHBoxLayout(curves);
    sections->setContentsMargins(0, 0, 0, 0);
    sections->setSpacing(24);

    // The compressor: its curve draws over the palette's texture.
    auto *compBox = new QWidget(curves);
    auto *compColumn = new QVBoxLayout(compBox);
    compColumn->addLayout(titleWithKeyLamp(QStringLiteral("COMP"), compBox, "lamp_comp.png",
                                           DemoAddresses::compKeyMeter, DemoAddresses::compOn,
                                           kCompKeyThreshold));
    auto *comp = new CCompCurve(compBox, "compCurve");
    QPalette texture = comp->palette();
    texture.setBrush(comp->backgroundRole(), QBrush(graticule(kCompSide)));
    comp->setPalette(texture);
    comp->setFixedSize(comp->sizeHint());
    comp->setNamedAddress(QStringLiteral("FEkComp/kCompThreshold"));
    compColumn->addWidget(comp, 0, Qt::AlignLeft);
    auto *compDials = new QGridLayout;
    compDials->setHorizontalSpacing(10);
    compColumn->addLayout(compDials);
    addKnob(compDials, 0, QStringLiteral("THRESHOLD"), "knob_gain.png",
            DemoAddresses::compThreshold);
    addKnob(compDials, 1, QStringLiteral("RATIO"), "knob_grey.png", "FEkComp/kCompRatio");
    addKnob(compDials, 2, QStringLiteral("KNEE/WIDTH"), "knob_grey.png", "FEkComp/kCompKnee");
    addKnob(compDials, 3, QStringLiteral("GAIN"), "knob_eq.png", "FEkComp/kCompGain");
    addTypeSelector(compDials, 4, kCompTypeTable, "FEkComp/kCompType");
    compColumn->addStretch();
    sections->addWidget(compBox, 0, Qt::AlignTop);

    // The gate: one pixel per dB over its own graticule.
    auto *gateBox = new QWidget(curves);
    auto *gateColumn = new QVBoxLayout(gateBox);
    gateColumn->addLayout(titleWithKeyLamp(QStringLiteral("GATE"), gateBox, "lamp_gate.png",
                                           DemoAddresses::gateKeyMeter, DemoAddresses::gateOn,
                                           kGateKeyThreshold));
    auto *gate = new CGateCurve(gateBox, "gateCurve");
    gate->setPixmap(graticule(kGateSide));
    gate->setFixedSize(gate->sizeHint());
    gate->setNamedAddress(QString::fromLatin1(DemoAddresses::gateThreshold));
    gateColumn->addWidget(gate, 0, Qt::AlignLeft);
    auto *gateDials = new QGridLayout;
    gateDials->setHorizontalSpacing(10);
    gateColumn->addLayout(gateDials);
    addKnob(gateDials, 0, QStringLiteral("THRESHOLD"), "knob_gain.png",
            DemoAddresses::gateThreshold);
    addKnob(gateDials, 1, QStringLiteral("RANGE"), "knob_aux.png", "FEkGate/kGateRange");
    addTypeSelector(gateDials, 2, kGateTypeTable, "FEkGate/kGateType");
    gateColumn->addStretch();
    sections->addWidget(gateBox, 0, Qt::AlignTop);
    sections->addStretch();

    page->addWidget(m_channelBox);
    page->addStretch();
}

void DynamicsPage::bind()
{
    memory()->connectTree(m_channelBox, m_channel);
    showCurrentSwitchValues(this);
    showCurrentRadioValues(this);
    showValueTexts(this);
}

void DynamicsPage::selectChannel(int channel)
{
    if (channel == m_channel || channel < 0)
        return;
    memory()->disconnectTree(m_channelBox);
    m_channel = channel;
    memory()->connectTree(m_channelBox, m_channel);
    showCurrentSwitchValues(m_channelBox);
    showCurrentRadioValues(m_channelBox);
    showValueTexts(m_channelBox);
}
