#include "C48VDial.h"
#include "CDial.h"
#include "CNumEdit.h"
#include "DemoAddresses.h"
#include "InputStrip.h"
#include "NS_Utilities.h"
#include "StripBuilders.h"

#include <QEvent>
#include <QMouseEvent>

namespace {

constexpr int kKnobFrames = 101;

// Opens a numeric editor on a double-click and hands the typed number to the dial; the dial
// registers the undo point itself.
class DialNumberEntry : public QObject
{
public:
    DialNumberEntry(CDial *dial, const char *format)
        : QObject(dial)
        , m_dial(dial)
        , m_format(format)
    {
        dial->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != m_dial || event->type() != QEvent::MouseButtonDblClick)
            return false;
        if (static_cast<QMouseEvent *>(event)->button() != Qt::LeftButton)
            return false;
        if (!m_edit) {
            m_edit = new NS_Utilities::CNumEdit(m_dial);
            connect(m_edit, &NS_Utilities::CNumEdit::numberProposed, m_dial, &CDial::acceptNum);
        }
        m_edit->doEdit(currentText(), m_format);
        return true;
    }

private:
    // The value as the strip's readout shows it.
    QString currentText() const
    {
        QString text;
        if (IMemAPI *api = m_dial->memAPI())
            api->valueToText(m_dial->channel() + m_dial->channelOffset(), 0, &text, nullptr,
                             IMemAPI::textValueFromRaw(m_dial->value(), m_dial->minimum(), 0), 0,
                             m_dial->element(), m_dial->parameter());
        return text;
    }

    CDial *m_dial;
    const char *m_format;
    NS_Utilities::CNumEdit *m_edit = nullptr;
};

template<class Dial = CDial>
Dial *knob(const char *image, const char *format, const char *name)
{
    auto *dial = new Dial(nullptr, name);
    dial->setCombinedImage(NS_Utilities::loadPixmap(QString::fromLatin1(image)));
    dial->setnSubImages(kKnobFrames);
    dial->setUndoEnable(true);
    dial->setNumberToolTip(false);
    new DialNumberEntry(dial, format);
    return dial;
}

} // namespace

void addStripDials(InputStrip *strip)
{
    // The gain of the head-amp port the strip's input is patched to.
    auto *gain = knob<C48VDial>("knob_gain.png", "%.0f", "gain");
    gain->setXtraInfo(QString::fromLatin1(DemoAddresses::gainBase));
    strip->addControl(QStringLiteral("GAIN"), gain, DemoAddresses::gain);
    strip->addControl(QStringLiteral("HPF"), knob("knob_grey.png", "%.0f", "hpf"),
                      DemoAddresses::hpfFrequency);
    strip->addControl(QStringLiteral("EQ GAIN"), knob("knob_eq.png", "%.1f", "eqGain"),
                      DemoAddresses::eqGain);
    strip->addControl(QStringLiteral("EQ FREQ"), knob("knob_eq_freq.png", "%.0f", "eqFreq"),
                      DemoAddresses::eqFrequency);
    strip->addControl(QStringLiteral("EQ Q"), knob("knob_eq_q.png", "%.2f", "eqQ"),
                      DemoAddresses::eqQ);
    strip->addControl(QStringLiteral("PAN"), knob("knob_pan.png", "%.0f", "pan"),
                      DemoAddresses::pan);
    strip->addControl(QStringLiteral("AUX 1"), knob("knob_aux.png", "%.1f", "aux1"),
                      DemoAddresses::aux1);
    strip->addControl(QStringLiteral("AUX 2"), knob("knob_aux.png", "%.1f", "aux2"),
                      DemoAddresses::aux2);
}
