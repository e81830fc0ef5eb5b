#include "EqPage.h"

#include "CDial.h"
#include "CEqCurve.h"
#include "CLabelDisplay.h"
#include "COnOffButton.h"
#include "CTabWidget.h"
#include "DemoSwitch.h"
#include "InputStrip.h"
#include "NS_Utilities.h"
#include "TParamMemory.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include <cmath>

namespace {

constexpr int kKnobFrames = 101;
constexpr int kInputChannels = 8;

// The curves' axes: 1/24-octave index 8 is 20 Hz, indices 0..254 across; 50 dB over the height.
constexpr int kFrequencyIndices = 255;
constexpr int kIndexOf20Hz = 8;
constexpr double kDbPerHeight = 50.0;

const QSize kInputCurveSize(511, 201);
const QSize kOutputCurveSize(511, 161);

// Handle frames: bands 1..8, then the input high-pass (the strip's last frame).
constexpr int kHandleFrames = 9;
constexpr int kHandleSide = 7;

const QColor kGridBackground(24, 28, 36);
const QColor kGridLine(52, 58, 70);
const QColor kGridStrong(78, 86, 102);
const QColor kGridText(120, 128, 144);

double xOfFrequency(double hz, int width)
{
    const double index = kIndexOf20Hz + 24.0 * std::log2(hz / 20.0);
    return index * (width - 1) / kFrequencyIndices;
}

// The graticule under a curve: decades and their halves across, 6 dB steps down.
QPixmap graticule(QSize size)
{
    QPixmap pixmap(size);
    pixmap.fill(kGridBackground);
    QPainter p(&pixmap);
    QFont font = p.font();
    font.setPixelSize(9);
    p.setFont(font);
    const int mid = size.height() / 2;
    for (int dB = -18; dB <= 18; dB += 6) {
        const int y = mid - int(dB * (size.height() - 1) / kDbPerHeight);
        p.setPen(dB == 0 ? kGridStrong : kGridLine);
        p.drawLine(0, y, size.width(), y);
        if (dB != 0) {
            p.setPen(kGridText);
            p.drawText(QPoint(3, y - 2), QString::asprintf("%+d", dB));
        }
    }
    const struct
    {
        double hz;
        const char *text;
    } marks[] = {{50, "50"},   {100, "100"}, {200, "200"}, {500, "500"},
                 {1000, "1k"}, {2000, "2k"}, {5000, "5k"}, {10000, "10k"}};
    for (const auto &m : marks) {
        const int x = int(xOfFrequency(m.hz, size.width()));
        const bool decade = m.hz == 100 || m.hz == 1000 || m.hz == 10000;
        p.setPen(decade ? kGridStrong : kGridLine);
        p.drawLine(x, 0, x, size.height());
        p.setPen(kGridText);
        p.drawText(QPoint(x + 2, size.height() - 3), QString::fromLatin1(m.text));
    }
    return pixmap;
}

// One small disc per band, in the band's colour; the high-pass in grey.
QPixmap handleStrip()
{
    QPixmap strip(kHandleSide, kHandleSide * kHandleFrames);
    strip.fill(Qt::transparent);
    QPainter p(&strip);
    p.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < kHandleFrames; ++i) {
        const QColor c = i + 1 == kHandleFrames ? QColor(200, 200, 200)
                                                : QColor::fromHsv((i * 45 + 10) % 360, 170, 250);
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(c);
        p.drawEllipse(QRectF(0.5, i * kHandleSide + 0.5, kHandleSide - 1, kHandleSide - 1));
    }
    return strip;
}

CEqCurve *eqCurve(const char *address, QSize size, QWidget *parent)
{
    auto *curve = new CEqCurve(parent, "eqCurve");
    curve->setPixmap(graticule(size));
    curve->setHandleImage(handleStrip());
    curve->setnHandleImages(kHandleFrames);
    curve->setFixedSize(size);
    curve->setNamedAddress(QString::fromLatin1(address));
    return curve;
}

QLabel *caption(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignCenter);
    label->setStyleSheet(QStringLiteral("color: #a0a4aa;"));
    return label;
}

// A dial with its title above and the memory's value text below, in one grid cell.
void addKnob(QGridLayout *grid, int row, int column, const QString &title, const char *image,
             const QString &address)
{
    QWidget *parent = grid->parentWidget();
    auto *dial = new CDial(parent, "eqDial");
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
}

QString inputAddress(const char *key, int band = 0)
{
    return band ? QStringLiteral("FEkInputEQ/%1%2").arg(QLatin1String(key)).arg(band)
                : QStringLiteral("FEkInputEQ/%1").arg(QLatin1String(key));
}

// A shape worth looking at when the editor opens: a low cut, a presence lift, a notch-like dip.
void presetShapes(TParamMemory *memory)
{
    const int source = memory->sourceId(0);
    auto set = [&](const char *name, int channel, int value) {
        IMemAPI::TSingleAddress a;
        if (memory->resolveNamed(QString::fromLatin1(name), channel, &a))
            memory->setValue(a.element, a.parameter, a.channel, value, source, 1);
    };
    set("FEkInputEQ/kLowType", 0, 0);
    set("FEkInputEQ/kBandGain1", 0, 40);
    set("FEkInputEQ/kBandGain2", 0, -60);
    set("FEkInputEQ/kBandQ2", 0, 30);
    set("FEkInputEQ/kBandGain3", 0, 50);
    set("FEkInputEQ/kBandGain4", 0, 30);
    set("FEkInputHPF/kOn", 0, 1);
    set("FEkInputHPF/kFreq", 0, 14);
    set("00kMixEQ/kBandGain1", 0, -40);
    set("00kMixEQ/kBandGain2", 0, 60);
    set("00kMixEQ/kBandGain3", 0, -30);
    set("00kMixEQ/kBandGain6", 0, 45);
    set("00kMixEQ/kBandGain7", 0, -80);
    set("00kMixEQ/kBandQ7", 0, 36);
    set("00kMixEQ/kBandGain8", 0, 25);
}

} // namespace

EqPage::EqPage(TParamMemory *memory, QWidget *parent)
    : DemoPage(memory, parent)
    , m_input(new QWidget(this))
    , m_output(new QWidget(this))
    , m_halves(new CTabWidget(this))
{
    presetShapes(memory);
    auto *page = new QVBoxLayout(this);

    // The input channel's EQ.
    auto *header = new QHBoxLayout;
    auto *inputTitle = caption(QStringLiteral("INPUT EQ"), this);
    inputTitle->setStyleSheet(QStringLiteral("font-weight: bold; color: #f0f0f0;"));
    header->addWidget(inputTitle);
    m_channels = new QComboBox(this);
    for (int c = 0; c < kInputChannels; ++c)
        m_channels->addItem(QStringLiteral("CH %1").arg(c + 1));
    connect(m_channels, &QComboBox::currentIndexChanged, this, &EqPage::selectChannel);
    header->addWidget(m_channels);
    header->addStretch();
    page->addLayout(header);

    auto *input = new QHBoxLayout(m_input);
    input->setContentsMargins(0, 0, 0, 0);
    input->addWidget(eqCurve("FEkInputEQ/kEQOn", kInputCurveSize, m_input), 0, Qt::AlignTop);
    auto *dialBox = new QWidget(m_input);
    auto *dials = new QGridLayout(dialBox);
    dials->setHorizontalSpacing(10);
    input->addWidget(dialBox);
    const char *const bands[] = {"LOW", "LO-MID", "HI-MID", "HIGH"};
    for (int b = 1; b <= 4; ++b) {
        const int column = b - 1;
        dials->addWidget(caption(QString::fromLatin1(bands[column]), dialBox), 0, column);
        addKnob(dials, 1, column, QStringLiteral("GAIN"), "knob_eq.png",
                inputAddress("kBandGain", b));
        addKnob(dials, 2, column, QStringLiteral("FREQ"), "knob_eq_freq.png",
                inputAddress("kBandFreq", b));
        addKnob(dials, 3, column, QStringLiteral("Q"), "knob_eq_q.png", inputAddress("kBandQ", b));
    }
    dials->addWidget(caption(QStringLiteral("HPF"), dialBox), 0, 4);
    auto *hpfOn = makeDemoSwitch(dialBox, "eqHpfOn", "button_on.png");
    hpfOn->setNamedAddress(QStringLiteral("FEkInputHPF/kOn"));
    dials->addWidget(hpfOn, 1, 4, Qt::AlignCenter);
    addKnob(dials, 2, 4, QStringLiteral("FREQ"), "knob_grey.png",
            QStringLiteral("FEkInputHPF/kFreq"));
    auto *eqType = makeDemoSwitch(dialBox, "eqTypeSwitch", "button_eq_type.png");
    eqType->setNamedAddress(inputAddress("kEQType"));
    dials->addWidget(eqType, 3, 4, Qt::AlignCenter);
    input->addStretch();

    // The eight-band EQ of mix 1.
    auto *output = new QHBoxLayout(m_output);
    output->setContentsMargins(0, 0, 0, 0);
    output->addWidget(eqCurve("00kMixEQ/kEQOn", kOutputCurveSize, m_output));
    auto *outputBox = new QWidget(m_output);
    auto *outputDials = new QGridLayout(outputBox);
    for (int b = 1; b <= 8; ++b)
        addKnob(outputDials, 0, b - 1, QStringLiteral("GAIN %1").arg(b), "knob_eq.png",
                QStringLiteral("00kMixEQ/kBandGain%1").arg(b));
    output->addWidget(outputBox, 0, Qt::AlignTop);
    output->addStretch();

    // The two halves as tabs of one container.
    m_halves->addTab(m_input, QStringLiteral("INPUT CHANNEL"));
    m_halves->addTab(m_output, QStringLiteral("MIX 1 (8 BANDS)"));
    page->addWidget(m_halves);
    page->addStretch();
}

void EqPage::bind()
{
    memory()->connectTree(m_input, m_channel);
    memory()->connectTree(m_output, 0);
    showCurrentSwitchValues(this);
    showValueTexts(this);
}

void EqPage::setChannel(int channel)
{
    if (channel >= 0 && channel < m_channels->count())
        m_channels->setCurrentIndex(channel);
    m_halves->setCurrentWidget(m_input);
}

void EqPage::selectChannel(int channel)
{
    if (channel == m_channel || channel < 0)
        return;
    memory()->disconnectTree(m_input);
    m_channel = channel;
    memory()->connectTree(m_input, m_channel);
    showCurrentSwitchValues(m_input);
    showValueTexts(m_input);
}
