#ifndef TPARAMINFO_H
#define TPARAMINFO_H

#include "zb4r_widgets_export.h"

#include <QtGlobal>

class QDataStream;
class TMemProxy;

// One parameter-info record: element, channel and parameter (16-bit each) and a 32-bit value.
// Copy and paste buffers and undo records are sequences of them.
struct TParamInfo
{
    qint16 element = -1;
    qint16 channel = -1;
    qint16 parameter = -1;
    qint32 value = 0;
};

// Reads one record from a stream. A truncated or failed stream gives an invalid record whose
// parameter (the "tag") is -32768, which matches nothing.
class ZB4R_WIDGETS_EXPORT TParamInfoReader
{
public:
    static constexpr int InvalidTag = -32768;

    explicit TParamInfoReader(QDataStream *stream);
    // Reads the next record; returns false when the stream holds no whole record.
    bool next();

    bool isValid() const { return m_valid; }
    int element() const { return m_valid ? m_info.element : -1; }
    int channel() const { return m_valid ? m_info.channel : -1; }
    int parameter() const { return m_valid ? m_info.parameter : InvalidTag; }
    int tag() const { return parameter(); }
    int value() const { return m_valid ? m_info.value : 0; }
    const TParamInfo &info() const { return m_info; }

private:
    QDataStream *m_stream;
    TParamInfo m_info;
    bool m_valid = false;
};

// Writes one record. Tag -1 writes the proxy's own parameter; a tag >= 0 goes into the
// parameter field in its place (multi-parameter widgets tag their records).
class ZB4R_WIDGETS_EXPORT TParamInfoWriter
{
public:
    TParamInfoWriter(TMemProxy *proxy, int value, QDataStream *stream, int tag = -1);
    TParamInfoWriter(int element, int channel, int parameter, int value, QDataStream *stream);
    explicit TParamInfoWriter(const TParamInfo &info, QDataStream *stream);

    static void write(QDataStream *stream, const TParamInfo &info);
};

#endif
