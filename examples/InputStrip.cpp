#include "InputStrip.h"

#include "CDial.h"
#include "CFader.h"
#include "CHotspotLabel.h"
#include "TMemProxy.h"

#include <QLabel>
#include <QVBoxLayout>

namespace {

// The whole name label is hot (strictly inside its edges).
const QRect kNameHotSpot(0, 0, 400, 400);

} // namespace

CLabelDisplay *makeValueLabel(QWidget *parent)
{
    auto *text = new CLabelDisplay(parent, "valueText");
    text->setMinimumWidth(56);
    QFont f = text->font();
    f.setPointSizeF(f.pointSizeF() * 0.85);
    text->setFont(f);
    QPalette look = text->palette();
    look.setColor(QPalette::Window, QColor(32, 34, 38));
    look.setColor(QPalette::WindowText, QColor(232, 224, 160));
    text->setPalette(look);
    text->setBackgroundRole(QPalette::Window);
    return text;
}

InputStrip::InputStrip(int channel, QWidget *parent)
    : QFrame(parent)
    , m_channel(channel)
    , m_layout(new QVBoxLayout(this))
    , m_name(new CHotspotLabel(this, "stripName"))
{
    setObjectName(QStringLiteral("strip%1").arg(channel + 1));
    setFrameShape(QFrame::StyledPanel);
    m_layout->setContentsMargins(4, 4, 4, 4);
    m_layout->setSpacing(2);
    // No channel-name model in the demo console: the name is the channel's number.
    m_name->setText(QStringLiteral("CH %1").arg(channel + 1));
    m_name->setHotSpot(kNameHotSpot);
    m_name->setToolTip(QStringLiteral("Double-click: this channel's EQ"));
    QFont bold = m_name->font();
    bold.setBold(true);
    m_name->setFont(bold);
    QPalette look = m_name->palette();
    look.setColor(QPalette::Window, QColor(43, 45, 49));
    look.setColor(QPalette::WindowText, QColor(240, 240, 240));
    m_name->setPalette(look);
    m_name->setMinimumHeight(18);
    m_layout->addWidget(m_name);
}

QWidget *InputStrip::addControl(const QString &title, QWidget *control, const char *address,
                                Readout readout)
{
    auto *label = new QLabel(title, this);
    label->setAlignment(Qt::AlignCenter);
    label->setStyleSheet(QStringLiteral("color: #a0a4aa;"));
    m_layout->addWidget(label);
    if (!control)
        return control;
    if (auto *proxy = dynamic_cast<TMemProxy *>(control))
        proxy->setNamedAddress(QString::fromLatin1(address));
    m_layout->addWidget(control, 0, Qt::AlignHCenter);
    const bool hasText = control->metaObject()->indexOfSignal("textualValueChange(QString)") >= 0;
    if (readout == WithReadout && hasText) {
        CLabelDisplay *text = makeValueLabel(this);
        connect(control, SIGNAL(textualValueChange(QString)), text, SLOT(setText(QString)));
        // Controls that follow a patch grey their text while nothing is patched.
        if (control->metaObject()->indexOfSignal("enabledUpdate(bool)") >= 0) {
            text->setGreyOnDisable(true);
            connect(control, SIGNAL(enabledUpdate(bool)), text, SLOT(setEnabled(bool)));
        }
        m_layout->addWidget(text);
    }
    return control;
}

void showValueTexts(QWidget *root)
{
    for (CDial *dial : root->findChildren<CDial *>())
        dial->triggerEmitValueChanged(false);
    for (CFader *fader : root->findChildren<CFader *>())
        fader->emit_textualValueChange();
}

void InputStrip::addWidget(QWidget *widget)
{
    m_layout->addWidget(widget);
}
