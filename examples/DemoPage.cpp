#include "DemoPage.h"

#include "TParamMemory.h"

DemoPage::DemoPage(TParamMemory *memory, QWidget *parent)
    : QWidget(parent)
    , m_memory(memory)
{
}

void DemoPage::bind()
{
    m_memory->connectTree(this, 0);
}
