#include "EffectsPage.h"

#include "CPopup.h"
#include "CReverbGraph.h"
#include "NS_Utilities.h"
#include "RevShape.h"
#include "ReverbKnob.h"
#include "ReverbUtils.h"
#include "TParamMemory.h"
#include "VintageEqPanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

// Value names of the reverb types in the catalogue (kReverbType's "text").
constexpr int kReverbTypeTable = 32;
constexpr int kEffectChannel = 0;

QLabel *caption(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setStyleSheet(QStringLiteral("color: #a0a4aa;"));
    return label;
}

} // namespace

EffectsPage::EffectsPage(TParamMemory *memory, QWidget *parent)
    : DemoPage(memory, parent)
    , m_graph(new CReverbGraph(this, "reverbGraph"))
    , m_zoom(new QComboBox(this))
    , m_veq(new VintageEqPanel(memory, this))
{
    auto *columns = new QHBoxLayout(this);
    auto *page = new QVBoxLayout;
    columns->addLayout(page);
    columns->addSpacing(24);
    columns->addWidget(m_veq, 0, Qt::AlignTop);
    columns->addStretch();
    auto *title = caption(QStringLiteral("EFFECT 1: REVERB"), this);
    title->setStyleSheet(QStringLiteral("font-weight: bold; color: #f0f0f0;"));
    page->addWidget(title);

    auto *controls = new QHBoxLayout;
    controls->addWidget(caption(QStringLiteral("TYPE"), this));
    auto *type = new CPopup(this, QStringLiteral("reverbTypePopup"));
    type->setTableId(kReverbTypeTable);
    type->setColumnsCount(2);
    type->setLabelSize(QSize(84, 16));
    type->setFixedSize(96, 18);
    type->setButtonTextColor(QColor(165, 207, 211));
    QPalette face = type->palette();
    face.setColor(QPalette::Button, QColor(24, 26, 30));
    type->setPalette(face);
    type->setNamedAddress(QStringLiteral("FEkEffect/kReverbType"));
    connect(type, qOverload<int>(&CPopup::selectionChanged), this, &EffectsPage::loadPreset);
    controls->addWidget(type);

    controls->addSpacing(16);
    controls->addWidget(caption(QStringLiteral("ZOOM"), this));
    for (int z = 0; z < ReverbUtils::ZoomCount; ++z) {
        const int ms = ReverbUtils::zoomSpan(z);
        m_zoom->addItem(ms < 1000 ? QStringLiteral("%1 ms").arg(ms)
                                  : QStringLiteral("%1 s").arg(ms / 1000));
    }
    m_zoom->setCurrentIndex(m_graph->zoom());
    connect(m_zoom, &QComboBox::activated, m_graph, &CReverbGraph::setZoom);
    connect(m_graph, &CReverbGraph::zoomUpdated, this, [this](int z) {
        const QSignalBlocker quiet(m_zoom);
        m_zoom->setCurrentIndex(z);
    });
    controls->addWidget(m_zoom);

    auto *autoZoom = new QCheckBox(QStringLiteral("AUTO ZOOM"), this);
    autoZoom->setStyleSheet(QStringLiteral("color: #a0a4aa;"));
    connect(autoZoom, &QCheckBox::toggled, m_graph, &CReverbGraph::setAutoZoom);
    controls->addWidget(autoZoom);
    controls->addStretch();
    page->addLayout(controls);

    // The graph draws on the demo's background; its knob images are found by name.
    QPalette pal = m_graph->palette();
    const QPixmap background = NS_Utilities::loadPixmap(QStringLiteral("zb4r_revb_background.png"));
    pal.setBrush(QPalette::Window, QBrush(background));
    m_graph->setPalette(pal);
    m_graph->setFixedSize(background.isNull() ? m_graph->sizeHint() : background.size());
    m_graph->setNamedAddress(QStringLiteral("FEkEffect/kEffectType"));
    page->addWidget(m_graph);
    page->addWidget(caption(QStringLiteral("Drag the knobs: time, delay, ratios, room size and "
                                           "decay along the time axis, frequencies along the "
                                           "frequency axis, diffusion up the left edge."),
                            this));
    page->addStretch();
}

void EffectsPage::bind()
{
    DemoPage::bind();
    m_veq->watchEndTypes();
}

// A console loads the type's preset when the type changes: the graph shows it at once, and the
// values go to the memory so that every editor follows.
void EffectsPage::loadPreset(int type)
{
    m_graph->setReverbType(CReverbGraph::revType(type));
    TParamMemory *m = memory();
    const int source = m->sourceId(0);
    const qint16 *values = RevShape::preset(type);
    m->setBatchMode(true);
    for (ReverbKnob *knob : m_graph->knobs()) {
        if (knob->address().isValid())
            m->setValue(knob->element(), knob->parameter(), knob->channel(),
                        knob->rawFromModel(values[knob->parameterIndex() - 1]), source, 1);
    }
    IMemAPI::TSingleAddress kind;
    if (m->resolveNamed(QStringLiteral("FEkEffect/kEffectType"), kEffectChannel, &kind))
        m->setValue(kind.element, kind.parameter, kind.channel, type / 2, source, 1);
    m->setBatchMode(false);
}
