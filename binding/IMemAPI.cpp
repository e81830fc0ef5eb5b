#include "IMemAPI.h"

IMemAPI::~IMemAPI() = default;
IEditorFactory::~IEditorFactory() = default;
MemAPITask::~MemAPITask() = default;

void MemAPITask::alertProxy(MemAPITask *task, int e, int p, int c)
{
    if (task)
        task->onAlertProxy(e, p, c);
}

void MemAPITask::alert(MemAPITask *task)
{
    if (task)
        task->onAlert();
}
