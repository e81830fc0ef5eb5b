#include "TParamInfo.h"

#include "TMemProxy.h"

#include <QDataStream>

TParamInfoReader::TParamInfoReader(QDataStream *stream) : m_stream(stream)
{
    next();
}

bool TParamInfoReader::next()
{
    m_valid = false;
    if (!m_stream || m_stream->status() != QDataStream::Ok)
        return false;
    TParamInfo info;
    *m_stream >> info.element >> info.channel >> info.parameter >> info.value;
    if (m_stream->status() != QDataStream::Ok)
        return false;
    m_info = info;
    m_valid = true;
    return true;
}

TParamInfoWriter::TParamInfoWriter(TMemProxy *proxy, int value, QDataStream *stream, int tag)
{
    if (!proxy)
        return;
    TParamInfo info;
    info.element = qint16(proxy->element());
    info.channel = qint16(proxy->channel());
    info.parameter = qint16(tag >= 0 ? tag : proxy->parameter());
    info.value = value;
    write(stream, info);
}

TParamInfoWriter::TParamInfoWriter(int element, int channel, int parameter, int value,
                                   QDataStream *stream)
{
    TParamInfo info;
    info.element = qint16(element);
    info.channel = qint16(channel);
    info.parameter = qint16(parameter);
    info.value = value;
    write(stream, info);
}

TParamInfoWriter::TParamInfoWriter(const TParamInfo &info, QDataStream *stream)
{
    write(stream, info);
}

void TParamInfoWriter::write(QDataStream *stream, const TParamInfo &info)
{
    if (stream)
        *stream << info.element << info.channel << info.parameter << info.value;
}
