#ifndef REVERBUTILS_H
#define REVERBUTILS_H

#include "zb4r_widgets_export.h"

#include <QString>

// Value conversions and text formats of the reverb editor, shared by the graph and its knobs.
// "Raw" is the memory's value of a parameter; the display side is in Hz, ms or s. Every table
// index is limited to the table before it is read.
class ZB4R_WIDGETS_EXPORT ReverbUtils
{
public:
    static constexpr int FrequencyCount = 61;
    static constexpr int ReverbTimeCount = 70;
    static constexpr int ZoomCount = 9;
    // Raw ranges of the frequency parameters (indices into the frequency table).
    static constexpr int HpfMin = 0;
    static constexpr int HpfMax = 52;
    static constexpr int LpfMin = 34;
    static constexpr int LpfMax = 60;
    static constexpr int LowFreqMin = 1;
    static constexpr int LowFreqMax = 59;
    // Raw range of the initial delay (tenths of a millisecond).
    static constexpr int InitDlyMin = 0;
    static constexpr int InitDlyMax = 1250;

    // Hz at index i (limited to 0..60).
    static float frequency(int i);
    // Seconds at index i (limited to 0..69).
    static float reverbTime(int i);
    // Milliseconds of the time axis at zoom level z (limited to 0..8).
    static int zoomSpan(int z);

    // Linear and logarithmic model ↔ position mappings; p0 == p1 or lo == hi give p0 or lo.
    static int Float2Pos(float v, float lo, float hi, int p0, int p1);
    static float Pos2Float(int pos, float lo, float hi, int p0, int p1);
    static int Log2Pos(float v, float lo, float hi, int p0, int p1);
    static float Pos2Log(int pos, float lo, float hi, int p0, int p1);

    static float ConvYLIBtoDispLog(float v, float lo, float hi, int min, int max);
    static float ConvYLIBtoDisp_InitDly(float v);
    static float ConvYLIBtoDisp_HPF(float v);
    static float ConvYLIBtoDisp_LPF(float v);
    static float ConvYLIBtoDisp_LowFreq(float v);
    // The frequency-table index nearest to f on a log scale.
    static int ConvDisptoYLIB_Freq(float f);
    static int ConvDisptoYLIBExp(float d, float lo, float hi, int min, int max);
    static int ConvDisptoYLIB_InitDly(float ms);
    static int ConvDisptoYLIB_HPF(float f);
    static int ConvDisptoYLIB_LPF(float f);
    static int ConvDisptoYLIB_LowFreq(float f);

    // Texts, formatted with the C library (exact ties round as printf does).
    static QString Float2RevTimeStr(float seconds);
    static QString Float2InitDlyStr(float v);
    static QString Float2HPFStr(float v);
    static QString Float2LPFStr(float v);
    static QString Float2LowFreqStr(float v);
    static QString Float2MixStr(float v);
    static QString Float2TypeStr(float v);
    static QString Float2RatioStr(float v);
    static QString Float2ApfStr(float v);
    static QString Float2ApfDStr(float v);
    static QString Float2StrShort(float v);

    // Seconds of the reverb-time table's entry index, scaled by the room size for the kind
    // (0 Hall, 1 Room, 2 Plate), rounded to 1 ms.
    static float GetActualReverbTime(int kind, int roomSize, int index);
    // The room size at which GetActualReverbTime() equals the table entry: 30, 19, 15, else 0.
    static int baseRoomSize(int kind);
};

#endif
