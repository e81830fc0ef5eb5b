// A GIF writer without compression: every pixel goes out as its own 9-bit code, and a clear
// code follows often enough that a decoder's code table never needs 10 bits. Files come out
// larger than compressed ones, which is no matter for a few small status animations.

#include "artgen_gif.h"

#include <QFile>
#include <QImage>
#include <QString>

namespace {

constexpr int kMinCodeSize = 8;
constexpr int kCodeBits = kMinCodeSize + 1;
constexpr int kClearCode = 1 << kMinCodeSize;
constexpr int kEndCode = kClearCode + 1;
// After a clear the decoder adds one entry per code from the second on, starting at 258; 250
// codes keep it below 512, the first 10-bit code.
constexpr int kCodesPerClear = 250;
constexpr int kPaletteSize = 256;
constexpr int kMaxSubBlock = 255;

class ByteWriter
{
public:
    void byte(int b) { m_out.append(char(b & 0xff)); }
    void word(int w)
    {
        byte(w);
        byte(w >> 8);
    }
    void bytes(const char *data, int n) { m_out.append(data, n); }
    void bytes(const QByteArray &data) { m_out.append(data); }
    const QByteArray &data() const { return m_out; }

private:
    QByteArray m_out;
};

// Codes packed least significant bit first, as GIF wants them.
class CodePacker
{
public:
    void put(int code)
    {
        m_acc |= quint32(code) << m_bits;
        m_bits += kCodeBits;
        while (m_bits >= 8) {
            m_data.append(char(m_acc & 0xff));
            m_acc >>= 8;
            m_bits -= 8;
        }
    }
    QByteArray finish()
    {
        if (m_bits > 0)
            m_data.append(char(m_acc & 0xff));
        return m_data;
    }

private:
    QByteArray m_data;
    quint32 m_acc = 0;
    int m_bits = 0;
};

void writeFrame(ByteWriter &out, const QImage &frame, int delay)
{
    const QImage indexed =
            frame.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
    // Graphic control: the delay; the frame replaces the one before.
    out.bytes("\x21\xf9\x04", 3);
    out.byte(0x04);
    out.word(delay);
    out.byte(0);
    out.byte(0);
    // Image descriptor with a local colour table of 256 entries.
    out.byte(0x2c);
    out.word(0);
    out.word(0);
    out.word(indexed.width());
    out.word(indexed.height());
    out.byte(0x80 | (kMinCodeSize - 1));
    const QVector<QRgb> table = indexed.colorTable();
    for (int i = 0; i < kPaletteSize; ++i) {
        const QRgb c = i < table.size() ? table.at(i) : 0;
        out.byte(qRed(c));
        out.byte(qGreen(c));
        out.byte(qBlue(c));
    }
    out.byte(kMinCodeSize);
    CodePacker codes;
    codes.put(kClearCode);
    int sinceClear = 0;
    for (int y = 0; y < indexed.height(); ++y) {
        for (int x = 0; x < indexed.width(); ++x) {
            if (sinceClear == kCodesPerClear) {
                codes.put(kClearCode);
                sinceClear = 0;
            }
            codes.put(indexed.pixelIndex(x, y));
            ++sinceClear;
        }
    }
    codes.put(kEndCode);
    const QByteArray data = codes.finish();
    for (int i = 0; i < data.size(); i += kMaxSubBlock) {
        const QByteArray block = data.mid(i, kMaxSubBlock);
        out.byte(block.size());
        out.bytes(block);
    }
    out.byte(0);
}

} // namespace

bool writeGif(const QString &file, const QList<QImage> &frames, int delayCentiseconds)
{
    if (frames.isEmpty() || frames.first().isNull())
        return false;
    const QSize size = frames.first().size();
    ByteWriter out;
    out.bytes("GIF89a", 6);
    out.word(size.width());
    out.word(size.height());
    out.byte(0); // no global colour table
    out.byte(0);
    out.byte(0);
    // Loop forever.
    out.bytes("\x21\xff\x0bNETSCAPE2.0\x03\x01\x00\x00\x00", 19);
    for (const QImage &frame : frames) {
        if (frame.size() != size)
            return false;
        writeFrame(out, frame, delayCentiseconds);
    }
    out.byte(0x3b);
    QFile f(file);
    return f.open(QIODevice::WriteOnly) && f.write(out.data()) == out.data().size();
}
