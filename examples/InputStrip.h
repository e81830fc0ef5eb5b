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
    enum Readout { WithReadout, WithoutReadout };
    // Adds a control bound to address with a title above it and, unless told otherwise, a value
    // readout of the address below it.
    QWidget *addControl(const QString &title, QWidget *control, const char *address,
                        Readout readout = WithReadout);
    // Adds a widget without a title (under what came before).
    void addWidget(QWidget *widget);

private:
    int m_channel;
    QVBoxLayout *m_layout;
};

#endif
