// Band-shape rows of the graphic-EQ display: 8 shapes x 24 whole-dB boosts.
#ifndef TBL_EQ_GEQ_H
#define TBL_EQ_GEQ_H

#include "calc_eq.h"

#ifdef __cplusplus
extern "C" {
#endif

enum {
    GEQ_SHAPES = 8, /* shape 0 is the narrowest (Q 10), shape 7 the widest (Q 4.5) */
    GEQ_GAIN_ROWS = 24, /* row g is a boost of g + 1 dB */
    GEQ_TABLE_SIZE = GEQ_SHAPES * GEQ_GAIN_ROWS,
    GEQ_CURVE_POINTS = 271, /* display points 0..270 */
    GEQ_ROW_CENTRE = 270, /* table index of a row's peak */
    GEQ_STEPS_PER_OCTAVE = 27, /* 9 points between band centres, 1/3 octave apart */
    GEQ_POINTS_PER_BAND = 9
};

/* Centred rows, index shape * GEQ_GAIN_ROWS + g: word 1 is `first`, then the values of table
 * indices first..GEQ_ROW_CENTRE in curve units, peaking at 512 * (g + 1). */
ZB4R_WIDGETS_EXPORT extern const int16_t *const geq_table[GEQ_TABLE_SIZE];

#ifdef __cplusplus
}
#endif

#endif /* TBL_EQ_GEQ_H */
