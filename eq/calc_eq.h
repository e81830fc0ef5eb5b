// EQ response calculator: sums precomputed response rows into a curve.
//
// Units used throughout:
//  - curve units: 1/512 dB, with 6 dB taken as exactly a factor of two, so
//    linear gain = 2^(units / 3072);
//  - band gains: hundredths of a dB (1200 = +12 dB);
//  - frequency indices: 1/24 octave per step;
//  - Q indices: positions in the shared Q list (pairs 2k, 2k+1 share a Q).
#ifndef CALC_EQ_H
#define CALC_EQ_H

#include "zb4r_widgets_export.h"

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

enum {
    EQ_MAX_POINTS = 571, /* longest curve the calculator accepts */
    EQ_MAX_BANDS = 16, /* band records in a T_EQ_DATASET, also the number of groups */
    EQ_MAX_TYPE = 7, /* highest shape type; a record above it aborts Calc_EQGain */
    EQ_FLOOR = -65536, /* a linear-sum group whose gain is not positive: -128 dB */
    GEQ_MAX_BANDS = 31,
    GEQ_MAX_NOTCHES = 4,
    POW2_TABLE_SIZE = 1801 /* 2^(k/600) for k = 0..1800 hundredths of a dB */
};

/* Response rows. Word 0 marks the kind, word 1 holds `first` (centred rows,
 * which store table indices first..EQ_ROW_CENTRE and are 0 below first) or
 * `length` (edge rows, which store indices 0..length-1, hold their index-0
 * value below 0 and are 0 from length on). Values are curve units; a row's
 * nominal frequency sits at table index EQ_ROW_CENTRE. */
enum {
    EQ_ROW_CENTRED = 0,
    EQ_ROW_EDGE = 2,
    EQ_ROW_KIND_WORD = 0,
    EQ_ROW_EXTENT_WORD = 1,
    EQ_ROW_HEADER_WORDS = 2,
    EQ_ROW_CENTRE = 240,
    EQ_ROW_FLOOR = -32768,
    EQ_STEPS_PER_OCTAVE = 24
};

/* Shape types of T_EQ_BAND::type. */
enum {
    EQ_TYPE_FLAT = 0,
    EQ_TYPE_PEAKING = 1,
    EQ_TYPE_HIGH_PASS = 2,
    EQ_TYPE_LOW_PASS = 3,
    EQ_TYPE_HIGH_SHELF = 4,
    EQ_TYPE_LOW_SHELF = 5,
    EQ_TYPE_NOTCH = 6,
    EQ_TYPE_BAND_PASS = 7
};

/* The curve to fill; the caller owns it and its values. */
typedef struct T_EQ_CURVE
{
    int32_t *values; /* one value per point, curve units */
    int32_t count; /* number of points, 1..EQ_MAX_POINTS */
    uint16_t startIndex; /* frequency index of point 0 */
    uint16_t endIndex; /* frequency index of point count - 1 */
} T_EQ_CURVE;

typedef struct T_EQ_BAND
{
    uint8_t group; /* records of one group are summed in the linear domain */
    uint8_t type; /* EQ_TYPE_* */
    int32_t gain; /* hundredths of a dB (peaking, shelves, band-pass) */
    uint16_t frequency; /* centre or corner frequency index */
    uint8_t q; /* Q index (peaking, filters, notch, band-pass) */
    uint8_t variant; /* filters: 0 first order, 1 second order; shelves: 1 second order */
    uint8_t full; /* non-zero: add the whole linear gain to the group, else gain - 1 */
    uint8_t enabled; /* 0: contributes nothing */
    uint8_t bypass; /* 1: contributes nothing */
} T_EQ_BAND;

typedef struct T_EQ_DATASET
{
    uint8_t count; /* records in use, 0..EQ_MAX_BANDS */
    uint8_t magnitudeMode; /* 1: a group's summed linear gain counts by its absolute value */
    T_EQ_BAND bands[EQ_MAX_BANDS];
} T_EQ_DATASET;

typedef struct T_GEQ_DATASET
{
    uint8_t bandCode; /* 7, 15, anything else means 31 bands */
    uint8_t notchCount; /* 0..GEQ_MAX_NOTCHES */
    uint8_t bandBypass[GEQ_MAX_BANDS]; /* 1: band off */
    int32_t bandGain[GEQ_MAX_BANDS]; /* hundredths of a dB */
    uint16_t notchFrequency[GEQ_MAX_NOTCHES];
    uint8_t notchQ[GEQ_MAX_NOTCHES];
    uint8_t notchBypass[GEQ_MAX_NOTCHES];
    uint16_t hpfFrequency;
    uint16_t lpfFrequency;
    uint8_t hpfBypass;
    uint8_t lpfBypass;
    uint8_t changeMarker; /* any change makes Calc_GEQGain report a changed curve */
} T_GEQ_DATASET;

/* 2^(k/600): linear gain of k hundredths of a dB. */
ZB4R_WIDGETS_EXPORT extern const float pow2_table[POW2_TABLE_SIZE];

/* Overwrites all curve->count values with the response of the dataset.
 * Returns 1 when done, 0 when a record used in a group has a type above
 * EQ_MAX_TYPE (earlier groups are complete then). A curve without values, with
 * a count outside 1..EQ_MAX_POINTS, or with endIndex <= startIndex for more
 * than one point is left untouched and gives 0. Keeps no state between calls. */
ZB4R_WIDGETS_EXPORT int32_t Calc_EQGain(T_EQ_CURVE *curve, T_EQ_DATASET *data);

/* Brings the curve of a graphic EQ from `previous` to `current` by removing
 * the old shape of each changed element and adding the new one; `previous` is
 * updated to `current`. A null `previous` or a non-zero `full` recomputes the
 * whole curve. Returns 1 when the curve changed, else 0 (also for a curve or
 * dataset it cannot use, which it leaves untouched). */
ZB4R_WIDGETS_EXPORT int32_t Calc_GEQGain(T_EQ_CURVE *curve, T_GEQ_DATASET *previous,
                                         T_GEQ_DATASET *current, unsigned full);

#ifdef __cplusplus
}
#endif

#endif /* CALC_EQ_H */
