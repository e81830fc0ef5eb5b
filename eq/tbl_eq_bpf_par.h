// Band-pass rows for the parallel band-pass EQ.
#ifndef TBL_EQ_BPF_PAR_H
#define TBL_EQ_BPF_PAR_H

#include "calc_eq.h"

#ifdef __cplusplus
extern "C" {
#endif

enum {
    BPF_TABLE_SIZE = 89, /* Q indices 0..88 */
    BPF_CENTRE_VALUE = 512 /* a row is the 1 dB response; callers scale it by the band gain */
};

/* Centred rows, index q: band-pass magnitude scaled to BPF_CENTRE_VALUE. */
ZB4R_WIDGETS_EXPORT extern const int16_t *const bpf_parallel_table[BPF_TABLE_SIZE];

#ifdef __cplusplus
}
#endif

#endif /* TBL_EQ_BPF_PAR_H */
