#ifndef SETUPPAGE_H
#define SETUPPAGE_H

#include "DemoPage.h"

class CLabelDisplay;
class CPullDownMenu;
class QGridLayout;

// The console's setup: one row per setting (a caption, its control, its value text), on the
// desk's global addresses ("00").
class SetupPage : public DemoPage
{
    Q_OBJECT
public:
    explicit SetupPage(TParamMemory *memory, QWidget *parent = nullptr);
    QString title() const override { return QStringLiteral("Setup"); }
    void bind() override;

    // Adds a row: caption, control (bound to address) and an optional note beside it.
    void addSetting(const QString &caption, QWidget *control, const char *address,
                    const QString &note = QString());

private:
    void showOscillatorText();

    QGridLayout *m_grid;
    CPullDownMenu *m_oscillator;
    CLabelDisplay *m_oscillatorText;
};

#endif
