#include "GeqPage.h"

#include "CFader.h"
#include "CGEQCurve.h"
#include "CPopup.h"
#include "DemoSwitch.h"
#include "NS_Utilities.h"
#include "TParamMemory.h"

#include <QBuffer>
#include <QComboBox>
#include <QDataStream>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kUnits = 16;
constexpr int kBands = CGEQCurve::Bands;
// Value names of kGEQMode in the catalogue.
constexpr int kModeTable = 33;
// Value text of the band gains: tenths of a dB.
constexpr int kGainTable = 2;
constexpr int kBandColumn = 18;
const QSize kCurveSize(kBands *kBandColumn, 120);

const QColor kScreen(18, 24, 22);
const QColor kBars(120, 230, 160);

// Nominal ISO third-octave centres of the 31 bands.
const char *const kBandNames[kBands] = {"20",  "25",   "31",   "40",   "50",  "63",   "80",   "100",
                                        "125", "160",  "200",  "250",  "315", "400",  "500",  "630",
                                        "800", "1k",   "1.2k", "1.6k", "2k",  "2.5k", "3.1k", "4k",
                                        "5k",  "6.3k", "8k",   "10k",  "12k", "16k",  "20k"};

QLabel *caption(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignCenter);
    QFont font = label->font();
    font.setPixelSize(8);
    label->setFont(font);
    label->setStyleSheet(QStringLiteral("color: #a0a4aa;"));
    return label;
}

// A shape to look at when the editor opens: a low cut, a presence lift, an air boost.
void presetUnit(TParamMemory *memory)
{
    IMemAPI::TSingleAddress a;
    if (!memory->resolveNamed(QStringLiteral("00kGEQ/kGEQBand1"), 0, &a))
        return;
    const int gains[kBands] = {-120, -90, -60, -30, 0,  0,  0,  0, 0, 0, 20, 0,  -40, -60, -40, 0,
                               0,    0,   30,  60,  90, 60, 30, 0, 0, 0, 0,  40, 80,  100, 60};
    for (int b = 0; b < kBands; ++b)
        memory->setValue(a.element, a.parameter + b, 0, gains[b], memory->sourceId(0) + 1, 1);
}

} // namespace

GeqPage::GeqPage(TParamMemory *memory, QWidget *parent)
    : DemoPage(memory, parent)
    , m_unit(new QWidget(this))
    , m_curve(nullptr)
{
    presetUnit(memory);
    auto *page = new QVBoxLayout(this);

    auto *header = new QHBoxLayout;
    auto *title = new QLabel(QStringLiteral("GRAPHIC EQ (31 BANDS)"), this);
    title->setStyleSheet(QStringLiteral("font-weight: bold; color: #f0f0f0;"));
    header->addWidget(title);
    auto *units = new QComboBox(this);
    for (int u = 0; u < kUnits; ++u)
        units->addItem(QStringLiteral("GEQ %1").arg(u + 1));
    connect(units, &QComboBox::currentIndexChanged, this, &GeqPage::selectUnit);
    header->addWidget(units);
    auto *copy = new QPushButton(QStringLiteral("COPY"), this);
    connect(copy, &QPushButton::clicked, this, &GeqPage::copyUnit);
    header->addWidget(copy);
    auto *paste = new QPushButton(QStringLiteral("PASTE"), this);
    connect(paste, &QPushButton::clicked, this, &GeqPage::pasteUnit);
    header->addWidget(paste);
    header->addStretch();
    page->addLayout(header);

    auto *unit = new QVBoxLayout(m_unit);
    unit->setContentsMargins(0, 0, 0, 0);
    unit->setSizeConstraint(QLayout::SetFixedSize);

    // The bars, over the faders' columns.
    m_curve = new CGEQCurve(m_unit, "geqCurve");
    QPalette screen = m_curve->palette();
    screen.setColor(QPalette::Window, kScreen);
    screen.setColor(QPalette::WindowText, kBars);
    m_curve->setPalette(screen);
    m_curve->setFixedSize(kCurveSize);
    m_curve->setNamedAddress(QStringLiteral("FEkGEQ/kGEQBand1"));
    unit->addWidget(m_curve);

    const QPixmap thumb = NS_Utilities::loadPixmap(QStringLiteral("fader_thumb_geq.png"));
    const QPixmap groove = NS_Utilities::loadPixmap(QStringLiteral("fader_groove_geq.png"));
    auto *faders = new QHBoxLayout;
    faders->setSpacing(0);
    for (int b = 0; b < kBands; ++b) {
        auto *column = new QVBoxLayout;
        column->setSpacing(2);
        auto *fader = new CFader(m_unit, "geqFader");
        fader->setThumbImage(thumb);
        fader->setPixmap(groove);
        fader->setFlipValues(true);
        fader->setTableId(kGainTable);
        fader->setFixedSize(groove.size());
        fader->setNamedAddress(QStringLiteral("FEkGEQ/kGEQBand%1").arg(b + 1));
        column->addWidget(fader, 0, Qt::AlignHCenter);
        QLabel *name = caption(QString::fromLatin1(kBandNames[b]), m_unit);
        name->setFixedWidth(kBandColumn);
        column->addWidget(name);
        faders->addLayout(column);
    }
    unit->addLayout(faders);

    auto *controls = new QHBoxLayout;
    controls->addWidget(caption(QStringLiteral("DISPLAY"), m_unit));
    auto *mode = new CPopup(m_unit, QStringLiteral("geqMode"));
    mode->setTableId(kModeTable);
    mode->setColumnsCount(1);
    mode->setLabelSize(QSize(110, 16));
    mode->setFixedSize(110, 18);
    mode->setButtonTextColor(QColor(165, 207, 211));
    mode->setNamedAddress(QStringLiteral("FEkGEQ/kGEQMode"));
    controls->addWidget(mode);
    auto *flat = new QPushButton(QStringLiteral("FLAT"), m_unit);
    connect(flat, &QPushButton::clicked, m_curve, [this] { m_curve->reset2defaults(); });
    controls->addWidget(flat);
    controls->addStretch();
    unit->addLayout(controls);

    page->addWidget(m_unit, 0, Qt::AlignLeft);
    page->addStretch();
}

void GeqPage::bind()
{
    memory()->connectTree(m_unit, m_unitIndex);
    showCurrentSwitchValues(m_unit);
    // Faders show their value from the first change on; show the unit's at once.
    for (CFader *fader : m_unit->findChildren<CFader *>())
        fader->process(nullptr, 0, 0);
}

void GeqPage::selectUnit(int unit)
{
    if (unit == m_unitIndex || unit < 0)
        return;
    memory()->disconnectTree(m_unit);
    m_unitIndex = unit;
    bind();
    m_curve->update();
}

void GeqPage::copyUnit()
{
    m_clipboard.clear();
    QBuffer buffer(&m_clipboard);
    buffer.open(QIODevice::WriteOnly);
    QDataStream out(&buffer);
    m_curve->copyParameters(&out);
}

void GeqPage::pasteUnit()
{
    QBuffer buffer(&m_clipboard);
    buffer.open(QIODevice::ReadOnly);
    QDataStream in(&buffer);
    m_curve->pasteParameters(&in);
}
