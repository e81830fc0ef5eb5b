#ifndef DEMOPAGE_H
#define DEMOPAGE_H

#include <QWidget>

class TParamMemory;

// One screen of the demo editor. Pages build their widgets in the constructor and are bound to
// the memory by the editor once they stand (the way forms are bound).
class DemoPage : public QWidget
{
    Q_OBJECT
public:
    explicit DemoPage(TParamMemory *memory, QWidget *parent = nullptr);
    virtual QString title() const = 0;
    // Binds every widget of the page; pages with per-strip channels override it.
    virtual void bind();
    // What kept the page from being built as intended; empty when it stands.
    virtual QString problem() const { return QString(); }

protected:
    TParamMemory *memory() const { return m_memory; }

private:
    TParamMemory *m_memory;
};

#endif
