#include "MeterBridgePage.h"

#include "CMeter.h"
#include "DemoAddresses.h"
#include "MeterFeeder.h"
#include "MeterLook.h"
#include "TParamMemory.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

QLabel *caption(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignCenter);
    label->setStyleSheet(QStringLiteral("color: #a0a4aa; font-size: 9px;"));
    return label;
}

} // namespace

MeterBridgePage::MeterBridgePage(TParamMemory *memory, QWidget *parent)
    : DemoPage(memory, parent)
    , m_feeder(std::make_unique<MeterFeeder>(memory))
{
    auto *page = new QVBoxLayout(this);
    auto *row = new QHBoxLayout;
    page->addLayout(row);
    page->addStretch();
    auto *inputs = new QGridLayout;
    inputs->setHorizontalSpacing(3);
    inputs->setVerticalSpacing(4);
    for (int c = 0; c < DemoAddresses::meteredChannels; ++c) {
        // Two rows of 24 channels, each a level meter with its gain reduction beside it.
        const int gridRow = (c / 24) * 2;
        auto *pair = new QHBoxLayout;
        pair->setSpacing(1);
        pair->addWidget(addMeter(DemoAddresses::inputMeter, c, QStringLiteral("meter_121.png"),
                                 CMeter::eMtr_Normal),
                        0, Qt::AlignBottom);
        pair->addWidget(addMeter(DemoAddresses::inputGainReduction, c,
                                 QStringLiteral("meter_111.png"), CMeter::eMtr_GR),
                        0, Qt::AlignBottom);
        inputs->addLayout(pair, gridRow, c % 24, Qt::AlignHCenter | Qt::AlignBottom);
        inputs->addWidget(caption(QString::number(c + 1), this), gridRow + 1, c % 24);
    }
    row->addLayout(inputs);
    row->addSpacing(16);

    auto *stereo = new QGridLayout;
    stereo->setHorizontalSpacing(3);
    for (int side = 0; side < 2; ++side) {
        stereo->addWidget(addMeter(DemoAddresses::stereoMeter, side,
                                   QStringLiteral("meter_202.png"), CMeter::eMtr_SelCh),
                          0, side, Qt::AlignBottom);
        stereo->addWidget(caption(side ? QStringLiteral("R") : QStringLiteral("L"), this), 1, side);
    }
    stereo->addWidget(caption(QStringLiteral("STEREO"), this), 2, 0, 1, 2);
    row->addLayout(stereo);
    row->setAlignment(stereo, Qt::AlignTop);
    row->addStretch();

    // The feed runs from the start; addresses nobody has registered yet cost nothing.
    m_feeder->start();
}

MeterBridgePage::~MeterBridgePage()
{
    // Stop the stream before the meters go.
    m_feeder->stop();
}

CMeter *MeterBridgePage::addMeter(const char *address, int channel, const QString &image,
                                  int selector)
{
    auto *meter = new CMeter(this);
    applyMeterLook(meter, image, CMeter::EMeterSelector(selector));
    meter->setNamedAddress(QString::fromLatin1(address));
    m_meters.append({meter, channel});
    return meter;
}

void MeterBridgePage::bind()
{
    for (const Bound &b : std::as_const(m_meters))
        memory()->connectProxy(b.meter, b.channel);
}
