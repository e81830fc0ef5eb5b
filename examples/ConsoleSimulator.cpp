#include "ConsoleSimulator.h"

#include "DemoAddresses.h"
#include "TParamMemory.h"

#include <QElapsedTimer>

namespace {
constexpr int kFramesPerSecond = 30;
constexpr int kTickMs = 20;
constexpr int kNudgeEvery = 6; // ticks between parameter nudges (120 ms)
} // namespace

ConsoleSimulator::ConsoleSimulator(TParamMemory *memory, QObject *parent)
    : QThread(parent)
    , m_memory(memory)
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
    loadStartingScene();
    quint32 seed = 12345;
    QElapsedTimer clock;
    clock.start();
    for (int tick = 0; !m_stop; ++tick) {
        // The running time code, from a start an hour in.
        const qint64 frames = 3600 * kFramesPerSecond + clock.elapsed() * kFramesPerSecond / 1000;
        const qint64 seconds = frames / kFramesPerSecond;
        m_memory->setTimecode(int(seconds / 3600 % 24), int(seconds / 60 % 60), int(seconds % 60),
                              int(frames % kFramesPerSecond));
        if (tick % kNudgeEvery == 0) {
            nudgeSomeParameters(seed);
            moveASend(seed);
        }
        msleep(kTickMs);
    }
}

// A mix in progress, as the console would report it when the editor goes online.
void ConsoleSimulator::loadStartingScene()
{
    struct Setting
    {
        const char *address;
        float number; // in the parameter's own unit
    };
    const Setting scene[] = {
            {DemoAddresses::fader, 0.0f},
            {DemoAddresses::aux1, -10.0f},
            {DemoAddresses::aux2, -20.0f},
            {DemoAddresses::gain, -30.0f},
    };
    for (int c = 0; c < DemoAddresses::strips; ++c) {
        for (const Setting &s : scene) {
            IMemAPI::TSingleAddress a;
            if (!m_memory->resolveNamed(QString::fromLatin1(s.address), c, &a))
                continue;
            // Spread the strips a little so they don't all look alike.
            const float number = s.number - 2.0f * float(c % 4);
            const int table = s.address == DemoAddresses::gain ? 0 : 5;
            const int v = table == 0 ? int(number) : m_memory->valueFromNumber(table, number);
            m_memory->setValue(a.element, a.parameter, a.channel, v, m_memory->sourceId(0) + 1, 1);
        }
    }
    // Every strip goes to a few buses and the stereo bus.
    for (int c = 0; c < DemoAddresses::strips; ++c) {
        IMemAPI::TSingleAddress a;
        const int words[] = {0x11 << (c % 4), 0x3 << (c % 6), 1, c % 2};
        for (int w = 0; w < 4; ++w) {
            if (m_memory->resolveNamed(QString::fromLatin1(DemoAddresses::assignWords[w]), c, &a))
                m_memory->setValue(a.element, a.parameter, a.channel, words[w],
                                   m_memory->sourceId(0) + 1, 1);
        }
    }
    // Strip n's input comes from head-amp port n, but the last strip's is unpatched; strips 3
    // and 4 are a pair, and strip 3 is selected (so 4's select key blinks).
    const int source = m_memory->sourceId(0) + 1;
    for (int c = 0; c < DemoAddresses::strips; ++c) {
        IMemAPI::TSingleAddress a;
        if (m_memory->resolveNamed(QString::fromLatin1(DemoAddresses::patchIn), c, &a))
            m_memory->setValue(a.element, a.parameter, a.channel,
                               c + 1 < DemoAddresses::strips ? c + 1 : 0, source, 1);
        if ((c == 2 || c == 3)
            && m_memory->resolveNamed(QString::fromLatin1(DemoAddresses::pair), c, &a))
            m_memory->setValue(a.element, a.parameter, a.channel, 1, source, 1);
    }
    IMemAPI::TSingleAddress selection;
    if (m_memory->resolveNamed(QString::fromLatin1(DemoAddresses::selection), 0, &selection))
        m_memory->setValue(selection.element, selection.parameter, selection.channel, 2, source, 1);
    IMemAPI::TSingleAddress master;
    if (m_memory->resolveNamed(QString::fromLatin1(DemoAddresses::masterFader), 0, &master))
        m_memory->setValue(master.element, master.parameter, master.channel,
                           m_memory->valueFromNumber(5, 0.0f), m_memory->sourceId(0) + 1, 1);
}

// Another editor moves one of a strip's eight sends, now and then switching one on or off.
void ConsoleSimulator::moveASend(quint32 &seed)
{
    seed = seed * 1664525u + 1013904223u;
    const int pick = int((seed >> 8) % 64u);
    IMemAPI::TSingleAddress a;
    const QString send = QString::number(1 + pick % 8);
    const int strip = (pick / 8) % DemoAddresses::strips;
    const int source = m_memory->sourceId(0) + 1;
    if (pick % 5 == 0
        && m_memory->resolveNamed(QStringLiteral("FEkInput/kAuxOn") + send, strip, &a)) {
        m_memory->setValue(a.element, a.parameter, a.channel,
                           1 - m_memory->getValue(a.element, a.parameter, a.channel), source, 1);
        return;
    }
    if (m_memory->resolveNamed(QStringLiteral("FEkInput/kAuxLevel") + send, strip, &a)) {
        const int v = m_memory->getValue(a.element, a.parameter, a.channel);
        m_memory->setValue(a.element, a.parameter, a.channel, (v + 97 + pick * 13) % 1024, source,
                           1);
    }
}

void ConsoleSimulator::nudgeSomeParameters(quint32 &seed)
{
    auto next = [&seed](int n) {
        seed = seed * 1664525u + 1013904223u;
        return int((seed >> 8) % quint32(n));
    };
    // Now and then a graphic-EQ preset is recalled on one of the first units: 32 writes in a row.
    if (next(40) == 0) {
        IMemAPI::TSingleAddress a;
        if (m_memory->resolveNamed(QString::fromLatin1(DemoAddresses::geqBand), next(2), &a)) {
            const int shift = next(31);
            for (int i = 0; i < DemoAddresses::geqPresetWrites; ++i) {
                const int band = (i + shift) % DemoAddresses::geqPresetWrites;
                const int v = i + 1 < DemoAddresses::geqPresetWrites ? (band * 37) % 241 - 120 : 0;
                m_memory->setValue(a.element, a.parameter + i, a.channel, v,
                                   m_memory->sourceId(0) + 1, 1);
            }
        }
    }
    for (const char *name : DemoAddresses::simulated) {
        if (next(4) != 0)
            continue;
        IMemAPI::TSingleAddress a;
        if (!m_memory->resolveNamed(QString::fromLatin1(name), next(DemoAddresses::strips), &a))
            continue;
        const int v = m_memory->getValue(a.element, a.parameter, a.channel);
        if (name == DemoAddresses::assign) {
            // Bus assignments are bits: another editor assigns or releases one bus.
            m_memory->setValue(a.element, a.parameter, a.channel, v ^ (1 << next(8)),
                               m_memory->sourceId(0) + 1, 1);
            continue;
        }
        const int lo = m_memory->getMinimum(a.element, a.parameter, a.channel);
        const int hi = m_memory->getMaximum(a.element, a.parameter, a.channel);
        const int step = std::max(1, (hi - lo) / 25) * (next(2) ? 1 : -1);
        m_memory->setValue(a.element, a.parameter, a.channel, qBound(lo, v + step, hi),
                           m_memory->sourceId(0) + 1, 1);
    }
    // Now and then a strip changes its compressor type or a bus assignment.
    const int source = m_memory->sourceId(0) + 1;
    IMemAPI::TSingleAddress a;
    if (next(8) == 0
        && m_memory->resolveNamed(QString::fromLatin1(DemoAddresses::compType),
                                  next(DemoAddresses::strips), &a)) {
        const int types = m_memory->getMaximum(a.element, a.parameter, a.channel) + 1;
        m_memory->setValue(a.element, a.parameter, a.channel, next(types), source, 1);
    }
    if (next(3) == 0) {
        const char *word = DemoAddresses::assignWords[next(4)];
        if (m_memory->resolveNamed(QString::fromLatin1(word), next(DemoAddresses::strips), &a)) {
            // Words past the first light one bus each from their lowest bit (stereo, mono).
            const int bits =
                    word == DemoAddresses::assignWords[0] || word == DemoAddresses::assignWords[1]
                    ? 8
                    : 1;
            const int v = m_memory->getValue(a.element, a.parameter, a.channel);
            m_memory->setValue(a.element, a.parameter, a.channel, v ^ (1 << next(bits)), source, 1);
        }
    }
    // Now and then input 1's surround pan moves a step on one axis.
    if (next(4) == 0) {
        const char *axis = next(2) ? DemoAddresses::surroundX : DemoAddresses::surroundY;
        if (m_memory->resolveNamed(QString::fromLatin1(axis), 0, &a)) {
            const int v = m_memory->getValue(a.element, a.parameter, a.channel);
            const int step = next(2) ? 6 : -6;
            m_memory->setValue(a.element, a.parameter, a.channel, qBound(-63, v + step, 63), source,
                               1);
        }
    }
    // Now and then a strip is re-patched to another head-amp port, or to none.
    if (next(25) == 0
        && m_memory->resolveNamed(QString::fromLatin1(DemoAddresses::patchIn),
                                  next(DemoAddresses::strips), &a))
        m_memory->setValue(a.element, a.parameter, a.channel, next(17), source, 1);
    // Now and then one reverb parameter of effect 1 moves a step.
    if (next(3) == 0) {
        const QString name = QString::fromLatin1(DemoAddresses::effectParameter)
                                     .arg(1 + next(DemoAddresses::effectParameters));
        IMemAPI::TSingleAddress a;
        if (m_memory->resolveNamed(name, 0, &a)) {
            const int lo = m_memory->getMinimum(a.element, a.parameter, a.channel);
            const int hi = m_memory->getMaximum(a.element, a.parameter, a.channel);
            const int v = m_memory->getValue(a.element, a.parameter, a.channel);
            const int step = std::max(1, (hi - lo) / 30) * (next(2) ? 1 : -1);
            m_memory->setValue(a.element, a.parameter, a.channel, qBound(lo, v + step, hi),
                               m_memory->sourceId(0) + 1, 1);
        }
    }
}
