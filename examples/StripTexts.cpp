#include "CNameEditor.h"
#include "CTextSlider.h"
#include "ChannelNames.h"
#include "DemoAddresses.h"
#include "InputStrip.h"
#include "StripBuilders.h"

#include <QPalette>

namespace {

constexpr int kNameLength = 16;
// Delay steps: a page is 1 ms (in tenths of a millisecond), the text shows ms.
constexpr int kDelayPageStep = 10;
constexpr int kDelayMsTable = -7;

CTextSlider *textSlider(const char *name)
{
    auto *slider = new CTextSlider(nullptr, name);
    slider->setMinimumWidth(56);
    slider->setClickStepping(true);
    slider->setEnableFocusRect(true);
    slider->setGreyOnDisable(true);
    // A lit value on the strip's dark panel, a shade lighter than the readouts: it can be moved.
    QPalette palette = slider->palette();
    palette.setColor(QPalette::Window, QColor(0x3a, 0x3d, 0x44));
    palette.setColor(QPalette::WindowText, QColor(0xf0, 0xf0, 0xf0));
    slider->setPalette(palette);
    return slider;
}

} // namespace

void addStripName(InputStrip *strip, ChannelNames *names)
{
    auto *editor = new CNameEditor(strip, "channelName");
    editor->setTrancateMode(CNameEditor::TrancateBoth);
    editor->setMaxLength(kNameLength);
    editor->setAlignment(Qt::AlignCenter);
    editor->setText(names->name(strip->channel()));
    const int channel = strip->channel();
    // Return (or leaving the field) keeps the new name; Escape brings the old one back.
    QObject::connect(editor, &CNameEditor::acceptEdit, names, [editor, names, channel] {
        editor->setText(editor->text());
        names->setName(channel, editor->text());
    });
    QObject::connect(editor, &CNameEditor::abortEdit, editor,
                     [editor, names, channel] { editor->setText(names->name(channel)); });
    QObject::connect(names, &ChannelNames::dataChanged, editor,
                     [editor, names, channel](const QModelIndex &from, const QModelIndex &to) {
                         if (channel >= from.row() && channel <= to.row() && !editor->hasFocus())
                             editor->setText(names->name(channel));
                     });
    strip->addWidget(editor);
}

void addStripTextSliders(InputStrip *strip)
{
    // The head-amp gain in whole dB, on the gain dial's parameter: either moves the other.
    CTextSlider *gain = textSlider("gainText");
    gain->setRangeDiv(1);
    gain->setFormatLabel(QStringLiteral("%0.0f"));
    gain->setValueLabel(QStringLiteral(" dB"));
    strip->addControl(QStringLiteral("GAIN dB"), gain, DemoAddresses::gain,
                      InputStrip::WithoutReadout);

    // The input delay in samples, shown (and typed) in ms.
    CTextSlider *delay = textSlider("delay");
    delay->setUseTableId(true);
    delay->setTableId(kDelayMsTable);
    delay->setEditable(true);
    delay->setEditFormat(QStringLiteral("%.2f"));
    delay->setPageStep(kDelayPageStep);
    strip->addControl(QStringLiteral("DELAY"), delay, DemoAddresses::inputDelay,
                      InputStrip::WithoutReadout);
}
