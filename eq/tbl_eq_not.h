// Notch response rows.
#ifndef TBL_EQ_NOT_H
#define TBL_EQ_NOT_H

#include "calc_eq.h"

#ifdef __cplusplus
extern "C" {
#endif

enum { NOTCH_TABLE_SIZE = 113 /* Q indices 0..112 */ };

/* Centred rows, index q; the centre sits on EQ_ROW_FLOOR. */
ZB4R_WIDGETS_EXPORT extern const int16_t *const notch_table[NOTCH_TABLE_SIZE];

#ifdef __cplusplus
}
#endif

#endif /* TBL_EQ_NOT_H */
