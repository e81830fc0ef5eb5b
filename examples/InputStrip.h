#ifndef INPUTSTRIP_H
#define INPUTSTRIP_H

#include <QFrame>

class QVBoxLayout;

// One input channel strip of the demo editor: a column of titled controls, each with its value
// text, bound to the strip's channel.
class InputStrip : public QFrame
{
    Q_OBJECT
public:
    InputStrip(int channel, QWidget *parent = nullptr);

    int channel() const { return m_channel; }
    // Adds a control with a title above it and a value readout of address below it.
    QWidget *addControl(const QString &title, QWidget *control, const char *address);

private:
    int m_channel;
    QVBoxLayout *m_layout;
};

#endif
