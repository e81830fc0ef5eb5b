#ifndef INPUTSTRIP_H
#define INPUTSTRIP_H

#include <QFrame>

class CHotspotLabel;
class CLabelDisplay;
class QVBoxLayout;

// One input channel strip of the demo editor: its name on top (double-click opens the channel's
// EQ), then a column of titled controls, each with its value text, bound to the strip's channel.
class InputStrip : public QFrame
{
    Q_OBJECT
public:
    InputStrip(int channel, QWidget *parent = nullptr);

    int channel() const { return m_channel; }
    // The strip's name; it shows the level while the fader moves.
    CHotspotLabel *nameLabel() const { return m_name; }
    enum Readout { WithReadout, WithoutReadout };
    // Adds a control bound to address with a title above it and, unless told otherwise (or the
    // control has no value text), a label below it fed by its textualValueChange signal.
    QWidget *addControl(const QString &title, QWidget *control, const char *address,
                        Readout readout = WithReadout);
    // Adds a widget without a title (under what came before).
    void addWidget(QWidget *widget);

private:
    int m_channel;
    QVBoxLayout *m_layout;
    CHotspotLabel *m_name;
};

// A value label as the demo shows them under its controls.
CLabelDisplay *makeValueLabel(QWidget *parent);
// Has every dial and fader below root send its value text once: the labels that follow them
// start empty after binding.
void showValueTexts(QWidget *root);

#endif
