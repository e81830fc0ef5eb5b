#include "SetupPage.h"

#include "CLabelDisplay.h"
#include "CPullDownMenu.h"
#include "CTimeDisplay.h"
#include "DemoAddresses.h"
#include "DemoSwitch.h"
#include "InputStrip.h"
#include "TMemProxy.h"
#include "TParamMemory.h"

#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

// Listed in the console's order; the menu shows them by frequency.
const char *const kOscillatorFrequencies = "1000;100;10000;440";
const char *const kFrameRateAddress = "00kSetupTCEventParams/kTCEventFrameRate";
const char *const kFrameRates = "24;25;29.97D;30";
constexpr int kServiceTickMs = 10; // a fluid time code

QLabel *caption(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setStyleSheet(QStringLiteral("color: #a0a4aa;"));
    return label;
}

} // namespace

SetupPage::SetupPage(TParamMemory *memory, QWidget *parent)
    : DemoPage(memory, parent)
    , m_grid(new QGridLayout)
{
    auto *page = new QVBoxLayout(this);
    auto *title = new QLabel(QStringLiteral("SETUP"), this);
    title->setStyleSheet(QStringLiteral("font-weight: bold; color: #f0f0f0;"));
    page->addWidget(title);
    m_grid->setHorizontalSpacing(12);
    m_grid->setColumnMinimumWidth(0, 140);
    page->addLayout(m_grid);
    page->addStretch();

    m_oscillator = new CPullDownMenu(this, "oscillatorFrequency");
    m_oscillator->setSorted(true);
    m_oscillator->setEnableFocusRect(true);
    m_oscillator->setMenuItemList(QString::fromLatin1(kOscillatorFrequencies));
    m_oscillator->setFixedSize(72, 20);
    QPalette look = m_oscillator->palette();
    look.setColor(QPalette::Window, QColor(24, 26, 30));
    look.setColor(QPalette::WindowText, QColor(165, 207, 211));
    m_oscillator->setPalette(look);
    m_oscillator->setAutoFillBackground(true);
    addSetting(QStringLiteral("OSCILLATOR FREQ (Hz)"), m_oscillator, DemoAddresses::oscFrequency);
    // The memory's name of the value chosen, beside the menu.
    m_oscillatorText = makeValueLabel(this);
    m_grid->addWidget(m_oscillatorText, m_grid->rowCount() - 1, 2);
    connect(m_oscillator, &CPullDownMenu::valueChanged, this, &SetupPage::showOscillatorText);

    // The running time code; the frame rate chosen beside it decides its trailing stop.
    memory->setServiceInterval(kServiceTickMs);
    auto *timeCode = new CTimeDisplay(this, "timeCode");
    QFont big = timeCode->font();
    big.setPointSizeF(big.pointSizeF() * 1.4);
    big.setFamily(QStringLiteral("monospace"));
    timeCode->setFont(big);
    timeCode->setUpdateFrequency(25);
    QPalette tcLook = timeCode->palette();
    tcLook.setColor(QPalette::Window, QColor(16, 18, 20));
    tcLook.setColor(QPalette::WindowText, QColor(120, 230, 140));
    timeCode->setPalette(tcLook);
    timeCode->setFixedSize(timeCode->sizeHint());
    addSetting(QStringLiteral("TIME CODE"), timeCode, kFrameRateAddress);
    auto *frameRate = new CPullDownMenu(this, "frameRate");
    frameRate->setMenuItemList(QString::fromLatin1(kFrameRates));
    frameRate->setEnableFocusRect(true);
    frameRate->setFixedSize(72, 20);
    frameRate->setPalette(look);
    frameRate->setAutoFillBackground(true);
    addSetting(QStringLiteral("FRAME RATE (fps)"), frameRate, kFrameRateAddress,
               QStringLiteral("25 and 30 end in a stop"));
}

void SetupPage::showOscillatorText()
{
    IMemAPI *api = m_oscillator->memAPI();
    if (!api)
        return;
    QString text;
    const TMemProxy *p = m_oscillator;
    api->valueToText(p->channel(), 0, &text, nullptr,
                     api->getValue(p->element(), p->parameter(), p->channel()), 0, p->element(),
                     p->parameter());
    m_oscillatorText->setText(text);
}

void SetupPage::addSetting(const QString &text, QWidget *control, const char *address,
                           const QString &note)
{
    const int row = m_grid->rowCount();
    m_grid->addWidget(caption(text, this), row, 0);
    if (auto *proxy = dynamic_cast<TMemProxy *>(control))
        proxy->setNamedAddress(QString::fromLatin1(address));
    m_grid->addWidget(control, row, 1, Qt::AlignLeft);
    if (!note.isEmpty())
        m_grid->addWidget(caption(note, this), row, 3);
}

void SetupPage::bind()
{
    DemoPage::bind();
    showCurrentSwitchValues(this);
    showOscillatorText();
}
