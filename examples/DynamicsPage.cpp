#include "DynamicsPage.h"

#include "CCompCurve.h"
#include "CDial.h"
#include "CGateCurve.h"
#include "CPopup.h"
#include "DemoAddresses.h"
#include "DemoSwitch.h"
#include "NS_Utilities.h"
#include "TParamMemory.h"
#include "ValueReadout.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
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

// A dial with its title above and the memory's value text below, in one grid cell.
void addKnob(QGridLayout *grid, int column, const QString &title, const char *image,
             const char *address)
{
    QWidget *parent = grid->parentWidget();
    auto *dial = new CDial(parent, "dynDial");
    dial->setCombinedImage(NS_Utilities::loadPixmap(QString::fromLatin1(image)));
    dial->setnSubImages(kKnobFrames);
    dial->setNamedAddress(QString::fromLatin1(address));
    auto *readout = new ValueReadout(parent);
    readout->setNamedAddress(QString::fromLatin1(address));
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
    set("FEkComp/kCompRatio", 9); // 4:1
    set("FEkComp/kCompKnee", 3);
    set("FEkComp/kCompGain", 40);
    set("FEkGate/kGateThreshold", -450);
    set("FEkGate/kGateRange", -40);
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
    header->addStretch();
    page->addLayout(header);

    auto *sections = new QHBoxLayout(m_channelBox);
    sections->setContentsMargins(0, 0, 0, 0);
    sections->setSpacing(24);

    // The compressor: its curve draws over the palette's texture.
    auto *compBox = new QWidget(m_channelBox);
    auto *compColumn = new QVBoxLayout(compBox);
    compColumn->addWidget(sectionTitle(QStringLiteral("COMP"), compBox));
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
    auto *gateBox = new QWidget(m_channelBox);
    auto *gateColumn = new QVBoxLayout(gateBox);
    gateColumn->addWidget(sectionTitle(QStringLiteral("GATE"), gateBox));
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
}

void DynamicsPage::selectChannel(int channel)
{
    if (channel == m_channel || channel < 0)
        return;
    memory()->disconnectTree(m_channelBox);
    m_channel = channel;
    memory()->connectTree(m_channelBox, m_channel);
    showCurrentSwitchValues(m_channelBox);
}
