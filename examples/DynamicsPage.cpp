#include "DynamicsPage.h"

#include "COnOffButton.h"
#include "CPixmapSwitcher.h"
#include "CRadioButton.h"
#include "DemoAddresses.h"
#include "DemoSwitch.h"
#include "NS_Utilities.h"
#include "StateDisplayMulti.h"
#include "StateDisplayWidget.h"
#include "TParamMemory.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

constexpr int kInputChannels = 8;
constexpr int kCompTypes = 4;
constexpr int kRadioRows = 3;
constexpr int kPanels = 2;
const QSize kTabArea(140, 20);

QLabel *caption(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setStyleSheet(QStringLiteral("color: #a0a4aa;"));
    return label;
}

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

} // namespace

DynamicsPage::DynamicsPage(TParamMemory *memory, QWidget *parent)
    : DemoPage(memory, parent)
    , m_channelPanels(new QWidget(this))
{
    auto *page = new QVBoxLayout(this);
    auto *header = new QHBoxLayout;
    auto *title = caption(QStringLiteral("DYNAMICS"), this);
    title->setStyleSheet(QStringLiteral("font-weight: bold; color: #f0f0f0;"));
    header->addWidget(title);
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

    auto *panels = new QVBoxLayout(m_channelPanels);
    panels->setContentsMargins(0, 0, 0, 0);
    auto *stack = new QStackedWidget(m_channelPanels);
    stack->addWidget(typePanel(stack));
    stack->addWidget(assignPanel(stack));
    panels->addWidget(stack);
    connect(tabs, &CPixmapSwitcher::indexChanged, stack, &QStackedWidget::setCurrentIndex);
    page->addWidget(m_channelPanels, 1);
}

namespace {

// Radios, like switches, show their value from the first change on: show the current one now.
void showCurrentValues(QWidget *root)
{
    showCurrentSwitchValues(root);
    const QList<CRadioButton *> radios = root->findChildren<CRadioButton *>();
    for (CRadioButton *radio : radios)
        radio->process(nullptr, 0, 0);
}

} // namespace

void DynamicsPage::bind()
{
    memory()->connectTree(m_channelPanels, m_channel);
    showCurrentValues(this);
}

void DynamicsPage::selectChannel(int channel)
{
    if (channel == m_channel || channel < 0)
        return;
    memory()->disconnectTree(m_channelPanels);
    m_channel = channel;
    memory()->connectTree(m_channelPanels, m_channel);
    showCurrentValues(m_channelPanels);
}
