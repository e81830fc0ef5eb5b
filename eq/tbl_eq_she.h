// Low-shelf response rows, mirrored for the high shelf.
#ifndef TBL_EQ_SHE_H
#define TBL_EQ_SHE_H

#include "calc_eq.h"

#ifdef __cplusplus
extern "C" {
#endif

enum {
    SHELF_TABLE_SIZE = 36, /* row k is a shelf of (k + 1) * 0.5 dB */
    SHELF_GAIN_STEP = 50 /* hundredths of a dB per row */
};

/* Edge rows, first-order low shelf; the plateau is the shelf gain. */
ZB4R_WIDGETS_EXPORT extern const int16_t *const low_shelving_table[SHELF_TABLE_SIZE];
/* Edge rows, second-order low shelf. */
ZB4R_WIDGETS_EXPORT extern const int16_t *const low_shelving2_table[SHELF_TABLE_SIZE];

#ifdef __cplusplus
}
#endif

#endif /* TBL_EQ_SHE_H */
