// Static transfer curves of the dynamics processors: output level against input level, both in
// whole dB, and the pixels that draw them.
//
// Units: levels and thresholds are whole dB; output gain is tenths of a dB as the console holds
// it. Every conversion to whole dB truncates towards zero, as the console's own display does.
// The drawn square spans -72..+18 dB on both axes (90 dB each way).
#ifndef CALC_DYN_H
#define CALC_DYN_H

#include "zb4r_widgets_export.h"

#include <cstdint>
#include <vector>

enum {
    DYN_SLOPE_COUNT = 16, /* ratio indices 0..15 */
    DYN_AXIS_MIN_DB = -72, /* left and bottom edge of the drawn square */
    DYN_AXIS_MAX_DB = 18, /* right and top edge */
    DYN_AXIS_STEPS = 90, /* whole-dB steps across the square */
    DYN_OUT_MIN_DB = -128, /* expander and compander outputs are clamped to this range */
    DYN_OUT_MAX_DB = 127
};

/* Compressor-family types (parameter 3); anything else gives a flat 0 dB output. */
enum {
    DYN_TYPE_COMPRESSOR = 0,
    DYN_TYPE_EXPANDER = 1,
    DYN_TYPE_COMPANDER_SOFT = 2, /* expands below its width with ratio 5 : 1 */
    DYN_TYPE_COMPANDER_HARD = 3 /* expands below its width with ratio 1.5 : 1 */
};

/* 1 / ratio by ratio index: 1, 1.15, 1.3, 1.5, 1.7, 2, 2.5, 3, 3.5, 4, 5, 6, 8, 10, 20 and inf : 1.
 * The decimals are the console's, not exact fractions (0.666666666666666 is not 2/3). */
ZB4R_WIDGETS_EXPORT extern const double dyn_slope_table[DYN_SLOPE_COUNT];

/* One compressor-family curve. */
struct TCompCurveParams
{
    int type = DYN_TYPE_COMPRESSOR;
    int threshold = 0; /* whole dB */
    int ratio = 0; /* index into dyn_slope_table; clamped to 0..15 */
    int knee = 0; /* knee code 0..5 (types 0, 1; others mean no knee) or width in dB (2, 3) */
    int gain = 0; /* output gain, tenths of a dB */
    int gainMaximum = 0; /* maximum of the output gain, tenths of a dB (companders) */
};

/* One gate-family curve. */
struct TGateCurveParams
{
    int type = 0; /* 0 gate, anything else ducker */
    int threshold = 0; /* whole dB */
    int range = 0; /* attenuation in dB, normally <= 0 */
};

/* value limited to minimum..maximum, minimum winning when the limits cross (a misconfigured
 * parameter must not make the result undefined). */
ZB4R_WIDGETS_EXPORT int Calc_DynBound(int minimum, int value, int maximum);
/* A threshold in tenths of a dB, limited to its range, in whole dB. */
ZB4R_WIDGETS_EXPORT int Calc_DynThreshold(int tenths, int minimum, int maximum);

/* Slope of a ratio index; indices outside the table are clamped to it. */
ZB4R_WIDGETS_EXPORT double Calc_DynSlope(int ratio);
/* Soft-knee lift k (dB) at distance d >= 0 from the threshold for knee code 1..5; 0 otherwise. */
ZB4R_WIDGETS_EXPORT int Calc_KneeOffset(int distance, int kneeCode);

/* Output level for input x (dB). The compressor's sum is not clamped; expander and compander
 * outputs are clamped to DYN_OUT_MIN_DB..DYN_OUT_MAX_DB. */
ZB4R_WIDGETS_EXPORT int Calc_CompOut(const TCompCurveParams &p, int x);
/* Output level for input x (dB), as a signed 16-bit result. */
ZB4R_WIDGETS_EXPORT int16_t Calc_GateOut(const TGateCurveParams &p, int x);

/* One pixel of a drawn curve. */
struct TDynPixel
{
    int x;
    int y;
};
typedef std::vector<TDynPixel> TDynPixels;

/* Appends every pixel of the line from (x1, y1) to (x2, y2), both ends included, stepping the
 * longer axis; the last pixel is exactly the end point. A pixel equal to the one last appended
 * is not repeated. */
ZB4R_WIDGETS_EXPORT void Calc_DynLine(int x1, int y1, int x2, int y2, TDynPixels &out);
/* Replaces out by the pixels of a compressor-family curve scaled to width x height. */
ZB4R_WIDGETS_EXPORT void Calc_CompCurvePixels(const TCompCurveParams &p, int width, int height,
                                              TDynPixels &out);
/* Replaces out by the pixels of a gate-family curve at one pixel per dB (91 x 91 shows the
 * whole square). */
ZB4R_WIDGETS_EXPORT void Calc_GateCurvePixels(const TGateCurveParams &p, int width, int height,
                                              TDynPixels &out);

#endif
