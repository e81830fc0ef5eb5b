// High-pass response rows, mirrored for the low-pass.
#ifndef TBL_EQ_HPF_H
#define TBL_EQ_HPF_H

#include "calc_eq.h"

#ifdef __cplusplus
extern "C" {
#endif

enum {
    HPF_Q_COUNT = 89,
    HPF_VARIANTS = 2, /* 0 first order (one row for every Q), 1 second order */
    HPF_TABLE_SIZE = HPF_VARIANTS * HPF_Q_COUNT
};

/* Edge rows, index variant * HPF_Q_COUNT + q; the plateau is the stop band. */
ZB4R_WIDGETS_EXPORT extern const int16_t *const hpf_table[HPF_TABLE_SIZE];

#ifdef __cplusplus
}
#endif

#endif /* TBL_EQ_HPF_H */
