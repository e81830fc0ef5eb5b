#include "MeterBridgePage.h"

#include "CMeter.h"
#include "CPixmapMeter.h"
#include "DemoAddresses.h"
#include "MeterFeeder.h"
#include "MeterLook.h"
#include "NS_Utilities.h"
#include "TParamMemory.h"

#include <QCheckBox>
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

// The LED bars: 16 frames (0 to 15 segments) bounded by the list, 7 frames by the memory's
// threshold table 3.
constexpr int LedFrames = 16;
constexpr int TableLedFrames = 7;
constexpr int LedThresholdTable = 3;
constexpr int LedFloor = 1050; // raw value of the first segment
constexpr int LedStep = 200; // raw units per further segment

// "41A;4E2;..." : the raw level at which each segment lights.
QString ledBounds()
{
    QStringList bounds;
    for (int i = 0; i < LedFrames - 1; ++i)
        bounds << QString::number(LedFloor + i * LedStep, 16).toUpper();
    return bounds.join(QLatin1Char(';'));
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
    // The same bus as LED segments, and once more stepped by the memory's threshold table.
    for (int side = 0; side < 2; ++side)
        stereo->addWidget(addLedMeter(side, QStringLiteral("led_bar_16.png"), LedFrames, 0), 0,
                          2 + side, Qt::AlignBottom);
    stereo->addWidget(
            addLedMeter(0, QStringLiteral("led_bar_7.png"), TableLedFrames, LedThresholdTable), 0,
            4, Qt::AlignBottom);
    stereo->addWidget(caption(QStringLiteral("LED"), this), 2, 2, 1, 2);
    stereo->addWidget(caption(QStringLiteral("TABLE"), this), 2, 4);
    // Going offline resets every meter.
    auto *online = new QCheckBox(QStringLiteral("ONLINE"), this);
    online->setChecked(memory->isOnline());
    connect(online, &QCheckBox::toggled, memory, &TParamMemory::setOnline);
    connect(memory, &TParamMemory::onlineChanged, online, &QCheckBox::setChecked);
    stereo->addWidget(online, 3, 0, 1, 5);
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

CPixmapMeter *MeterBridgePage::addLedMeter(int channel, const QString &image, int frames,
                                           int tableId)
{
    auto *meter = new CPixmapMeter(this);
    meter->setnSubImages(frames);
    if (tableId != 0)
        meter->setMeterTableId(tableId);
    else
        meter->setBoundList(ledBounds());
    meter->setCombinedImage(NS_Utilities::loadPixmap(image));
    meter->adjustParams();
    meter->setNamedAddress(QString::fromLatin1(DemoAddresses::stereoMeter));
    m_ledMeters.append({meter, channel});
    return meter;
}

void MeterBridgePage::bind()
{
    for (const Bound &b : std::as_const(m_meters))
        memory()->connectProxy(b.meter, b.channel);
    for (const LedBound &b : std::as_const(m_ledMeters))
        memory()->connectProxy(b.meter, b.channel);
}
