#ifndef FORMPAGE_H
#define FORMPAGE_H

#include "DemoPage.h"

class QWidget;

// A channel screen built in Qt Designer: examples/forms/channel_form.ui, loaded at run time with
// QUiLoader (the library's widgets created by class name) and bound like every other page.
class FormPage : public DemoPage
{
    Q_OBJECT
public:
    explicit FormPage(TParamMemory *memory, QWidget *parent = nullptr);
    QString title() const override { return QStringLiteral("Form"); }
    void bind() override;
    QString problem() const override { return m_problem; }

private:
    QWidget *m_form = nullptr;
    QString m_problem;
};

#endif
