// The graphic-EQ display's curve: 31 band shapes from geq_table summed into 271 points with
// integer additions only, clamped after every addition.
#ifndef GEQ_BARS_H
#define GEQ_BARS_H

#include "tbl_eq_geq.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Shape 0..7 for a band gain of |tenths| tenths of a dB: the wider shapes serve small gains. */
ZB4R_WIDGETS_EXPORT int GEQ_ShapeOfGain(int absTenths);
/* Gain row 0..23: the whole dB at or below the gain, 1 dB under 2 dB, 24 dB beyond it. */
ZB4R_WIDGETS_EXPORT int GEQ_RowOfGain(int absTenths);
/* Display point of band b (0..30): 0, then 9 * b - 1. */
ZB4R_WIDGETS_EXPORT int GEQ_BandCentre(int band);

/* Clears curve[0..270] and adds the shapes of the GEQ_MAX_BANDS band gains (tenths of a dB,
 * 0 = no contribution), band 0 first, clamping every point to minimum..maximum right after each
 * addition: at the limits the band order matters. */
ZB4R_WIDGETS_EXPORT void GEQ_SumBands(int16_t curve[GEQ_CURVE_POINTS],
                                      const int16_t gains[GEQ_MAX_BANDS], int16_t maximum,
                                      int16_t minimum);

#ifdef __cplusplus
}
#endif

#endif /* GEQ_BARS_H */
