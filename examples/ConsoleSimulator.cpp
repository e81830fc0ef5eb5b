#include "ConsoleSimulator.h"

#include "DemoAddresses.h"
#include "TParamMemory.h"

ConsoleSimulator::ConsoleSimulator(TParamMemory *memory, QObject *parent)
    : QThread(parent), m_memory(memory)
{
}

ConsoleSimulator::~ConsoleSimulator()
{
    stop();
}

void ConsoleSimulator::stop()
{
    m_stop = true;
    wait();
}

void ConsoleSimulator::run()
{
    quint32 seed = 12345;
    while (!m_stop) {
        nudgeSomeParameters(seed);
        msleep(120);
    }
}

void ConsoleSimulator::nudgeSomeParameters(quint32 &seed)
{
    auto next = [&seed](int n) {
        seed = seed * 1664525u + 1013904223u;
        return int((seed >> 8) % quint32(n));
    };
    for (const char *name : DemoAddresses::simulated) {
        if (next(4) != 0)
            continue;
        IMemAPI::TSingleAddress a;
        if (!m_memory->resolveNamed(QString::fromLatin1(name), next(DemoAddresses::strips), &a))
            continue;
        const int lo = m_memory->getMinimum(a.element, a.parameter, a.channel);
        const int hi = m_memory->getMaximum(a.element, a.parameter, a.channel);
        const int v = m_memory->getValue(a.element, a.parameter, a.channel);
        const int step = std::max(1, (hi - lo) / 25) * (next(2) ? 1 : -1);
        m_memory->setValue(a.element, a.parameter, a.channel, qBound(lo, v + step, hi),
                           m_memory->sourceId(0) + 1, 1);
    }
}
