#include "VintageEqPanel.h"

#include "CDial.h"
#include "CLabelDisplay.h"
#include "COnOffButton.h"
#include "CPopup.h"
#include "CSimpleNotifier.h"
#include "CVEQGraph.h"
#include "DemoSwitch.h"
#include "InputStrip.h"
#include "NS_Utilities.h"
#include "TParamMemory.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kKnobFrames = 101;
// The effect unit the page edits.
constexpr int kUnit = 0;
// Value-name tables of the end types in the catalogue.
constexpr int kLowTypeTable = 53;
constexpr int kHighTypeTable = 54;
const int kRates[] = {44100, 48000, 88200, 96000};

// Keys of the slot's parameters: kVEQParam<n> is parameter n + 10.
QString veq(int n)
{
    return QStringLiteral("FEkEffect/kVEQParam%1").arg(n);
}

// Per section 1..6: frequency, level, Q (0: none) and on switch keys.
struct Section
{
    const char *title;
    int frequency, level, q, on;
};
const Section kSections[] = {{"LOW", 2, 3, 0, 4},        {"BAND 2", 6, 7, 5, 8},
                             {"BAND 3", 10, 11, 9, 12},  {"BAND 4", 14, 15, 13, 16},
                             {"BAND 5", 18, 19, 17, 20}, {"HIGH", 22, 23, 0, 24}};
constexpr int kLowType = 1;
constexpr int kHighType = 21;
constexpr int kInputGain = 25;
constexpr int kOutputGain = 26;

QLabel *caption(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignCenter);
    label->setStyleSheet(QStringLiteral("color: #a0a4aa;"));
    return label;
}

// The panel behind the graph, as the graph's palette texture.
QPixmap graphPanel(QSize size)
{
    QPixmap pixmap(size);
    pixmap.fill(QColor(20, 24, 30));
    QPainter p(&pixmap);
    p.fillRect(QRect(28, 21, 474, 140), QColor(12, 14, 18));
    return pixmap;
}

CDial *knob(QGridLayout *grid, int row, int column, const QString &title, const char *image,
            const QString &address)
{
    QWidget *parent = grid->parentWidget();
    auto *dial = new CDial(parent, "veqDial");
    dial->setCombinedImage(NS_Utilities::loadPixmap(QString::fromLatin1(image)));
    dial->setnSubImages(kKnobFrames);
    dial->setNamedAddress(address);
    CLabelDisplay *readout = makeValueLabel(parent);
    QObject::connect(dial, &CDial::textualValueChange, readout, &CLabelDisplay::setText);
    auto *cell = new QVBoxLayout;
    cell->setSpacing(1);
    cell->addWidget(caption(title, parent));
    cell->addWidget(dial, 0, Qt::AlignHCenter);
    cell->addWidget(readout);
    grid->addLayout(cell, row, column);
    return dial;
}

CPopup *typeSelector(QWidget *parent, int table, const QString &address)
{
    auto *popup = new CPopup(parent, QStringLiteral("veqEndType"));
    popup->setTableId(table);
    popup->setColumnsCount(4);
    popup->setLabelSize(QSize(60, 16));
    popup->setFixedSize(64, 18);
    popup->setButtonTextColor(QColor(165, 207, 211));
    popup->setFocusColor(QColor(90, 160, 250));
    QPalette face = popup->palette();
    face.setColor(QPalette::Button, QColor(24, 26, 30));
    popup->setPalette(face);
    popup->setNamedAddress(address);
    return popup;
}

QPushButton *button(const QString &text, QWidget *parent)
{
    auto *b = new QPushButton(text, parent);
    b->setFixedWidth(72);
    return b;
}

// A shape worth looking at when the editor opens: a low lift, a mid dip, some air.
void presetShape(TParamMemory *memory)
{
    const int source = memory->sourceId(0);
    auto set = [&](int n, int value) {
        IMemAPI::TSingleAddress a;
        if (memory->resolveNamed(veq(n), kUnit, &a))
            memory->setValue(a.element, a.parameter, a.channel, value, source, 1);
    };
    set(3, 46); // low shelf +5 dB
    set(11, 20); // band 3 -8 dB
    set(9, 20); // band 3 Q 2
    set(15, 44); // band 4 +4 dB
    set(23, 44); // high shelf +4 dB
}

} // namespace

VintageEqPanel::VintageEqPanel(TParamMemory *memory, QWidget *parent)
    : QWidget(parent)
    , m_memory(memory)
    , m_graph(new CVEQGraph(this, "veqGraph"))
{
    presetShape(memory);
    auto *page = new QVBoxLayout(this);
    auto *title = caption(QStringLiteral("EFFECT 1: VINTAGE EQ SLOT"), this);
    title->setAlignment(Qt::AlignLeft);
    title->setStyleSheet(QStringLiteral("font-weight: bold; color: #f0f0f0;"));
    page->addWidget(title);

    // The graph with its buttons and the console's rate beside it.
    auto *top = new QHBoxLayout;
    m_graph->setFixedSize(m_graph->sizeHint());
    QPalette panel = m_graph->palette();
    panel.setBrush(QPalette::Window, QBrush(graphPanel(m_graph->sizeHint())));
    m_graph->setPalette(panel);
    m_graph->setNamedAddress(veq(1));
    top->addWidget(m_graph, 0, Qt::AlignTop);
    auto *side = new QVBoxLayout;
    auto *flat = button(QStringLiteral("Flat"), this);
    connect(flat, &QPushButton::clicked, m_graph, &CVEQGraph::doFlat);
    auto *defaults = button(QStringLiteral("Default"), this);
    connect(defaults, &QPushButton::clicked, m_graph, &CVEQGraph::doDefault);
    auto *zoomIn = button(QStringLiteral("Zoom +"), this);
    connect(zoomIn, &QPushButton::clicked, m_graph, &CVEQGraph::doZoomIn);
    auto *zoomOut = button(QStringLiteral("Zoom \u2212"), this);
    connect(zoomOut, &QPushButton::clicked, m_graph, &CVEQGraph::doZoomOut);
    auto *rate = new QComboBox(this);
    for (int hz : kRates)
        rate->addItem(QStringLiteral("%1 kHz").arg(hz / 1000.0), hz);
    rate->setCurrentIndex(rate->findData(memory->currentSampleRate()));
    connect(rate, &QComboBox::currentIndexChanged, this,
            [memory, rate](int i) { memory->setSampleRate(rate->itemData(i).toInt()); });
    for (QWidget *w : {static_cast<QWidget *>(flat), static_cast<QWidget *>(defaults),
                       static_cast<QWidget *>(zoomIn), static_cast<QWidget *>(zoomOut)})
        side->addWidget(w);
    side->addWidget(caption(QStringLiteral("RATE"), this));
    side->addWidget(rate);
    top->addLayout(side);
    top->setAlignment(side, Qt::AlignTop);
    top->addStretch();
    page->addLayout(top);

    // A column per section: title, on switch, frequency, level, Q or end type.
    auto *box = new QWidget(this);
    auto *grid = new QGridLayout(box);
    grid->setHorizontalSpacing(14);
    for (int k = 0; k < 6; ++k) {
        const Section &s = kSections[k];
        grid->addWidget(caption(QString::fromLatin1(s.title), box), 0, k);
        auto *on = makeDemoSwitch(box, "veqOnSwitch", "button_on.png");
        on->setNamedAddress(veq(s.on));
        grid->addWidget(on, 1, k, Qt::AlignCenter);
        knob(grid, 2, k, QStringLiteral("FREQ"), "knob_eq_freq.png", veq(s.frequency));
        CDial *level = knob(grid, 3, k, QStringLiteral("LEVEL"), "knob_eq.png", veq(s.level));
        if (s.q) {
            knob(grid, 4, k, QStringLiteral("Q"), "knob_eq_q.png", veq(s.q));
        } else {
            const bool low = k == 0;
            grid->addWidget(typeSelector(box, low ? kLowTypeTable : kHighTypeTable,
                                         veq(low ? kLowType : kHighType)),
                            4, k, Qt::AlignCenter);
            // An end in filter mode has no level.
            connect(m_graph, low ? &CVEQGraph::setEq1SelDisabled : &CVEQGraph::setEq6SelDisabled,
                    level, &QWidget::setDisabled);
        }
    }
    knob(grid, 2, 6, QStringLiteral("IN"), "knob_eq.png", veq(kInputGain));
    knob(grid, 3, 6, QStringLiteral("OUT"), "knob_eq.png", veq(kOutputGain));
    page->addWidget(box, 0, Qt::AlignLeft);
    page->setContentsMargins(0, 0, 0, 0);
}

void VintageEqPanel::watchEndTypes()
{
    // The end types decide whether the graph shows and drags the ends' levels.
    CSimpleNotifier::Create(m_memory, m_graph, veq(kLowType), kUnit, SLOT(setG1Status(int)));
    CSimpleNotifier::Create(m_memory, m_graph, veq(kHighType), kUnit, SLOT(setG6Status(int)));
    showCurrentSwitchValues(this);
}
