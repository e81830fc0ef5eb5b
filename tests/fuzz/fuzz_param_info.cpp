// Parameter-info streams: arbitrary bytes read as records, and applied to the memory as one undo
// step. Values stay inside their ranges, and undo brings every touched value back.

#include "TParamInfo.h"
#include "TParamMemory.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDataStream>
#include <QMap>

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

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    memory();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    TParamMemory *m = memory();
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));

    // What the records would touch, and the values there before.
    QMap<quint32, int> before;
    {
        QDataStream in(bytes);
        for (TParamInfoReader r(&in); r.isValid(); r.next()) {
            const int e = r.element(), p = r.parameter(), c = r.channel();
            if (m->hasParameter(e, p) && c >= 0 && c < m->channelCount(e))
                before.insert(IMemAPI::pack(e, p, c), m->getValue(e, p, c));
        }
    }

    m->clearUndo();
    QBuffer buffer;
    buffer.setData(bytes);
    m->applyParamInfo(&buffer);
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        const int e = IMemAPI::packedElement(it.key()), p = IMemAPI::packedParameter(it.key()),
                  c = IMemAPI::packedChannel(it.key());
        const int v = m->getValue(e, p, c);
        require(v >= m->getMinimum(e, p, c) && v <= m->getMaximum(e, p, c));
    }
    if (m->canUndo())
        m->undo();
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        require(m->getValue(IMemAPI::packedElement(it.key()), IMemAPI::packedParameter(it.key()),
                            IMemAPI::packedChannel(it.key()))
                == it.value());
    }
    return 0;
}
