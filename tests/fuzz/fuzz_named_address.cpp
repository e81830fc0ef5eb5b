// Named addresses and ";"-lists through proxies, value watchers and the memory's parsers.
// Whatever the text, resolution never crashes, never writes, and only yields real addresses.

#include "CSimpleNotifier.h"
#include "TMemProxy.h"
#include "TParamMemory.h"

#include <QCoreApplication>

#include <cstdlib>

namespace {

TParamMemory *memory()
{
    static TParamMemory m;
    return &m;
}

void require(bool ok)
{
    if (!ok)
        std::abort();
}

bool isReal(int e, int p, int c)
{
    return memory()->hasParameter(e, p) && c >= 0 && c < memory()->channelCount(e);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    memory();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));
    const int channel = int(size % 64);
    TParamMemory *m = memory();
    const int observers = m->observerCount();

    {
        TMemProxy proxy;
        proxy.setNamedAddress(text);
        const bool attached = m->connectProxy(&proxy, channel) == 0;
        require(attached == proxy.isAttached());
        if (attached)
            require(isReal(proxy.element(), proxy.parameter(), proxy.channel()));
        proxy.disconnectMemAPI();
    }
    require(m->observerCount() == observers);

    TAddressList list;
    const int n = m->parseAddressList(&list, &text);
    require(n == list.size());
    for (const TAddressRecord &r : std::as_const(list))
        require(m->hasParameter(r.element, r.parameter));

    IMemAPI::TSingleAddress a;
    if (m->resolveNamed(text, channel, &a))
        require(isReal(a.element, a.parameter, a.channel));

    QObject owner;
    CSimpleNotifier *n1 = CSimpleNotifier::Create(m, &owner, text, channel, nullptr);
    require(n1 != nullptr);
    if (n1->isResolved())
        require(isReal(n1->element(), n1->parameter(), n1->channel()));
    return 0;
}
