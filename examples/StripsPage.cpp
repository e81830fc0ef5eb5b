#include "StripsPage.h"

#include "CTextSlider.h"
#include "ChannelNames.h"
#include "DemoAddresses.h"
#include "InputStrip.h"
#include "MasterStrip.h"
#include "StripBuilders.h"
#include "TParamMemory.h"

#include <QHBoxLayout>

StripsPage::StripsPage(TParamMemory *memory, QWidget *parent)
    : DemoPage(memory, parent)
    , m_names(new ChannelNames(DemoAddresses::strips, this))
{
    auto *row = new QHBoxLayout(this);
    row->setSpacing(3);
    for (int c = 0; c < DemoAddresses::strips; ++c) {
        auto *strip = new InputStrip(c, this);
        addStripName(strip, m_names);
        addStripSwitches(strip);
        addStripTextSliders(strip);
        addStripDials(strip);
        addStripAux(strip);
        addStripFader(strip);
        addStripSignalLamp(strip);
        addStripMeter(strip);
        addStripLamps(strip);
        row->addWidget(strip);
        m_strips.append(strip);
    }
    row->addWidget(new MasterStrip(memory, this));
    row->addStretch();
}

void StripsPage::bind()
{
    for (InputStrip *strip : std::as_const(m_strips)) {
        memory()->connectTree(strip, strip->channel());
        showValueTexts(strip);
        // Text sliders read nothing when they connect.
        for (CTextSlider *slider : strip->findChildren<CTextSlider *>())
            slider->forceUpdate();
    }
}
