// Peaking response rows: 89 Q indices x 24 whole-dB boosts.
#ifndef TBL_EQ_PEQ_H
#define TBL_EQ_PEQ_H

#include "calc_eq.h"

#ifdef __cplusplus
extern "C" {
#endif

enum {
    PEQ_Q_COUNT = 89,
    PEQ_GAIN_ROWS = 24, /* row k is a boost of k + 1 dB */
    PEQ_TABLE_SIZE = PEQ_Q_COUNT * PEQ_GAIN_ROWS
};

/* Centred rows, index q * PEQ_GAIN_ROWS + k. */
ZB4R_WIDGETS_EXPORT extern const int16_t *const peq_table[PEQ_TABLE_SIZE];

#ifdef __cplusplus
}
#endif

#endif /* TBL_EQ_PEQ_H */
