// Table-driven EQ response: shapes are read from precomputed rows, placed
// around each band's centre point and added in curve units, or summed in the
// linear domain for multi-member groups. No transcendental function runs per
// point except one log10 for linear-sum groups.

#include "calc_eq.h"

#include "tbl_eq_bpf_par.h"
#include "tbl_eq_hpf.h"
#include "tbl_eq_not.h"
#include "tbl_eq_peq.h"
#include "tbl_eq_she.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr int kPow2Max = POW2_TABLE_SIZE - 1;
constexpr double kUnitsPerDoubling = 3072.0; // 6 dB
constexpr int kHundredthsPerDb = 100;
constexpr int kNoGroup = -1;
constexpr int kMirrorIndex = 2 * EQ_ROW_CENTRE; // edge rows: far side of the nominal frequency

// Graphic EQ layout: band b sits at spacing * (b + 1) and starts from a base Q
// index that rises by one Q step (two indices) per gain threshold exceeded.
constexpr int kGeqGainThresholds[] = {100, 350, 600, 850, 1600, 1700, 1800};

struct GeqLayout
{
    int bands;
    int spacing;
    int baseQ;
};

GeqLayout geqLayout(uint8_t bandCode)
{
    if (bandCode == 7)
        return {7, 32, 42};
    if (bandCode == 15)
        return {15, 16, 54};
    return {GEQ_MAX_BANDS, 8, 66};
}

// Table index of each distance from a band's centre for one curve layout.
// It depends only on the point count and the span, and an editor draws the
// same layout over and over, so the last one is kept (per thread).
struct IndexTable
{
    int n = 0;
    int span = 0;
    float step = 0.0f;
    int index[EQ_MAX_POINTS];
};

const int *tableIndices(int n, int span, float step)
{
    thread_local IndexTable table;
    if (table.n != n || table.span != span || table.step != step) {
        for (int d = 0; d < n; ++d)
            table.index[d] = d == 0 ? EQ_ROW_CENTRE : int(float(EQ_ROW_CENTRE) - step * float(d));
        table.n = n;
        table.span = span;
        table.step = step;
    }
    return table.index;
}

// How points of a curve map to table indices.
struct Geometry
{
    explicit Geometry(const T_EQ_CURVE &curve)
        : n(curve.count)
        , startIndex(curve.startIndex)
        , span(int(curve.endIndex) - int(curve.startIndex))
        , step(n > 1 ? float(span) / float(n - 1) : 0.0f)
        , index(tableIndices(n, span, step))
    {
    }

    // Point nearest below frequency index f; may lie outside 0..n-1.
    int centrePoint(int f) const
    {
        const int product = (n - 1) * (f - startIndex);
        return product == 0 ? 0 : int(float(product) / float(span));
    }

    // Also for distances beyond the curve (centres outside it).
    int tableIndex(int d) const
    {
        return d < n ? index[d] : int(float(EQ_ROW_CENTRE) - step * float(d));
    }

    int n;
    int startIndex;
    int span;
    float step;
    // index[d]: table index d points away from the centre (240 at the centre,
    // falling with d).
    const int *index;
};

bool usableCurve(const T_EQ_CURVE *curve)
{
    return curve && curve->values && curve->count >= 1 && curve->count <= EQ_MAX_POINTS
            && (curve->count == 1 || curve->endIndex > curve->startIndex);
}

// Scale applied to a centred row's values: the band gain relative to the
// row's own gain (peaking, band-pass); notch rows are used as they are.
struct Unscaled
{
    int operator()(int v) const { return v; }
};
struct Scaled
{
    float factor;
    int operator()(int v) const { return int(factor * float(v) + 0.5f); }
};

// Centred rows store table indices first..240; the shape is symmetric around
// c. Only the distances that reach a visible point are walked; the table index
// falls with the distance, so the row ends at the first distance whose index
// is below `first`.
template<typename Scale>
void placeCentred(const int16_t *row, Scale scale, int sign, int c, const Geometry &g, int32_t *out)
{
    const int first = row[EQ_ROW_EXTENT_WORD];
    const int16_t *values = row + EQ_ROW_HEADER_WORDS - first;
    const int last = g.n - 1;
    const int lowFrom = std::max(0, c - last), lowTo = c; // point c - d
    const int highFrom = std::max(1, -c), highTo = last - c; // point c + d
    const bool lowSide = lowFrom <= lowTo, highSide = highFrom <= highTo;
    if (!lowSide && !highSide)
        return;
    const int from = lowSide && highSide ? std::min(lowFrom, highFrom)
            : lowSide                    ? lowFrom
                                         : highFrom;
    const int to = std::min(last, std::max(lowSide ? lowTo : 0, highSide ? highTo : 0));
    const int *index = g.index;
    const int end = int(std::partition_point(index + from, index + to + 1,
                                             [first](int t) { return t >= first; })
                        - index);
    if (end <= from)
        return;

    // Each distance's value once, then added on either side.
    int32_t shape[EQ_MAX_POINTS];
    for (int d = from; d < end; ++d)
        shape[d] = sign * scale(values[index[d]]);
    const int lowEnd = std::min(lowTo + 1, end);
    for (int d = lowFrom; d < lowEnd; ++d)
        out[c - d] += shape[d];
    const int highEnd = std::min(highTo + 1, end);
    for (int d = highFrom; d < highEnd; ++d)
        out[c + d] += shape[d];
}

// Edge rows store indices 0..length-1; the plateau (low table indices) lies on
// the side given by plateauDir (-1: points below c, +1: points above c).
void placeEdge(const int16_t *row, int plateauDir, int sign, int c, const Geometry &g, int32_t *out)
{
    const int length = row[EQ_ROW_EXTENT_WORD];
    const int16_t *values = row + EQ_ROW_HEADER_WORDS;
    const int last = g.n - 1;

    if (c < 0 || c > last) {
        // A corner outside the curve: the walks reach distances beyond the table.
        const int plateauEnd = plateauDir < 0 ? c : last - c;
        for (int d = std::max(0, plateauDir < 0 ? c - last : -c); d <= plateauEnd; ++d)
            out[c + plateauDir * d] += sign * values[std::max(g.tableIndex(d), 0)];
        const int otherEnd = plateauDir < 0 ? last - c : c;
        for (int d = std::max(1, plateauDir < 0 ? -c : c - last); d <= otherEnd; ++d) {
            const int t = kMirrorIndex - g.tableIndex(d);
            if (t >= length)
                break;
            out[c - plateauDir * d] += sign * values[t];
        }
        return;
    }

    // Plateau side, from the nominal frequency outwards; the plateau value
    // holds beyond the row's start.
    const int *index = g.index;
    int32_t *centre = out + c;
    if (plateauDir < 0) {
        for (int d = 0; d <= c; ++d)
            centre[-d] += sign * values[std::max(index[d], 0)];
    } else {
        for (int d = 0; d <= last - c; ++d)
            centre[d] += sign * values[std::max(index[d], 0)];
    }

    // Other side, mirrored around the nominal frequency, until the row ends
    // (the mirrored index only grows with d).
    const int otherTo = plateauDir < 0 ? last - c : c;
    const int otherEnd =
            int(std::partition_point(index + 1, index + otherTo + 1,
                                     [length](int t) { return kMirrorIndex - t < length; })
                - index);
    if (plateauDir < 0) {
        for (int d = 1; d < otherEnd; ++d)
            centre[d] += sign * values[kMirrorIndex - index[d]];
    } else {
        for (int d = 1; d < otherEnd; ++d)
            centre[-d] += sign * values[kMirrorIndex - index[d]];
    }
}

// Adds (or with `remove`, subtracts) one record's shape into out[0..n-1].
// Records outside the tables' ranges contribute nothing.
void placeShape(const T_EQ_BAND &band, bool remove, const Geometry &g, int32_t *out)
{
    if (band.bypass == 1 || band.enabled == 0)
        return;
    const int absGain = std::abs(band.gain);
    const bool gainShape = band.type == EQ_TYPE_PEAKING || band.type == EQ_TYPE_HIGH_SHELF
            || band.type == EQ_TYPE_LOW_SHELF || band.type == EQ_TYPE_BAND_PASS;
    if (gainShape && absGain == 0)
        return;
    int sign = remove ? -1 : 1;
    if (gainShape && band.gain < 0)
        sign = -sign; // a cut mirrors the boost in dB
    const int c = g.centrePoint(band.frequency);

    switch (band.type) {
    case EQ_TYPE_PEAKING: {
        const int k = (absGain - 1) / kHundredthsPerDb; // row for the next whole dB up
        if (band.q >= PEQ_Q_COUNT || k >= PEQ_GAIN_ROWS)
            return;
        const Scaled scale {float(absGain) / float(kHundredthsPerDb * (k + 1))};
        placeCentred(peq_table[band.q * PEQ_GAIN_ROWS + k], scale, sign, c, g, out);
        return;
    }
    case EQ_TYPE_HIGH_PASS:
    case EQ_TYPE_LOW_PASS: {
        if (band.variant >= HPF_VARIANTS || band.q >= HPF_Q_COUNT)
            return;
        const int16_t *row = hpf_table[band.variant * HPF_Q_COUNT + band.q];
        placeEdge(row, band.type == EQ_TYPE_HIGH_PASS ? -1 : 1, sign, c, g, out);
        return;
    }
    case EQ_TYPE_HIGH_SHELF:
    case EQ_TYPE_LOW_SHELF: {
        const int k = (absGain - 1) / SHELF_GAIN_STEP; // next 0.5 dB step up, unscaled
        if (k >= SHELF_TABLE_SIZE)
            return;
        const int16_t *row = band.variant == 1 ? low_shelving2_table[k] : low_shelving_table[k];
        placeEdge(row, band.type == EQ_TYPE_LOW_SHELF ? -1 : 1, sign, c, g, out);
        return;
    }
    case EQ_TYPE_NOTCH:
        if (band.q >= NOTCH_TABLE_SIZE)
            return;
        placeCentred(notch_table[band.q], Unscaled(), sign, c, g, out);
        return;
    case EQ_TYPE_BAND_PASS: {
        if (band.q >= BPF_TABLE_SIZE)
            return;
        const Scaled scale {float(absGain) / float(kHundredthsPerDb)}; // rows are for 1 dB
        placeCentred(bpf_parallel_table[band.q], scale, sign, c, g, out);
        return;
    }
    default:
        return; // flat
    }
}

// 2^(k/600) for k = -1800..1800, indexed from the middle. The negative half
// holds 1 / pow2_table[-k], computed once in single precision.
const float *signedPow2()
{
    static const std::vector<float> table = [] {
        std::vector<float> t(2 * kPow2Max + 1);
        for (int k = 0; k <= kPow2Max; ++k) {
            t[kPow2Max + k] = pow2_table[k];
            t[kPow2Max - k] = 1.0f / pow2_table[k];
        }
        return t;
    }();
    return table.data() + kPow2Max;
}

// Linear gain of one member's shape at one point: looked up in whole
// hundredths of a dB within +-18 dB, computed beyond. A unit is 100/512 =
// 25/128 hundredths, exactly, so the hundredths (truncated towards zero) are
// an integer division, the same as the single-precision product gives.
double linearGain(const float *pow2, int32_t units)
{
    const int64_t hundredths = int64_t(units) * 25 / 128;
    if (hundredths >= -kPow2Max && hundredths <= kPow2Max)
        return pow2[hundredths];
    return std::pow(2.0, units / kUnitsPerDoubling);
}

// Sums the members' linear gains (less one for members without the full
// flag) and adds the result to the curve in curve units. Returns false when a
// member has an unknown type.
bool addLinearGroup(const T_EQ_DATASET &data, const int *members, int memberCount,
                    const Geometry &g, int32_t *curve)
{
    // All shapes first, then one pass over the points that keeps each point's
    // sum in a register; the members are still added in record order.
    const float *pow2 = signedPow2();
    int32_t shapes[EQ_MAX_BANDS][EQ_MAX_POINTS];
    float less[EQ_MAX_BANDS];
    for (int m = 0; m < memberCount; ++m) {
        const T_EQ_BAND &band = data.bands[members[m]];
        if (band.type > EQ_MAX_TYPE)
            return false;
        std::fill(shapes[m], shapes[m] + g.n, 0);
        placeShape(band, false, g, shapes[m]);
        less[m] = band.full == 0 ? 1.0f : 0.0f;
    }

    const float log10Of2 = std::log10(2.0f);
    const bool magnitude = data.magnitudeMode == 1;
    float lastSum = 0.0f; // no sum in curve units yet
    int32_t lastUnits = 0;
    for (int i = 0; i < g.n; ++i) {
        float v = 0.0f;
        for (int m = 0; m < memberCount; ++m) {
            v = float(double(v) + linearGain(pow2, shapes[m][i]));
            if (less[m] != 0.0f)
                v -= 1.0f;
        }
        if (magnitude && v <= 0.0f)
            v = -v;
        if (v > 0.0f) {
            // Away from the members' centres the sum stays the same from point to point,
            // and the logarithm is by far the dearest step.
            if (v != lastSum) {
                lastSum = v;
                const float units = (std::log10(v) * float(kUnitsPerDoubling)) / log10Of2;
                lastUnits = int32_t(units >= 0.0f ? double(units) + 0.5 : double(units) - 0.5);
            }
            curve[i] += lastUnits;
        } else {
            curve[i] = EQ_FLOOR;
        }
    }
    return true;
}

T_EQ_BAND geqPeakingBand(const GeqLayout &layout, int b, int32_t gain, uint8_t bypass)
{
    int qSteps = 0;
    for (int threshold : kGeqGainThresholds)
        qSteps += std::abs(gain) > threshold ? 1 : 0;
    T_EQ_BAND band {};
    band.type = EQ_TYPE_PEAKING;
    band.gain = gain;
    band.frequency = uint16_t(layout.spacing * b + layout.spacing);
    band.q = uint8_t(layout.baseQ + 2 * qSteps);
    band.enabled = 1;
    band.bypass = bypass;
    return band;
}

T_EQ_BAND geqFilterBand(uint8_t type, uint16_t frequency, uint8_t q, uint8_t bypass)
{
    T_EQ_BAND band {};
    band.type = type;
    band.frequency = frequency;
    band.q = q;
    band.enabled = 1;
    band.bypass = bypass;
    return band; // variant 0: first-order filters
}

} // namespace

extern "C" {

int32_t Calc_EQGain(T_EQ_CURVE *curve, T_EQ_DATASET *data)
{
    if (!usableCurve(curve) || !data)
        return 0;
    const Geometry g(*curve);
    int32_t *values = curve->values;
    std::fill(values, values + g.n, 0);

    // Group members in record order. A group id that comes back after another
    // one starts its member list again.
    int members[EQ_MAX_BANDS][EQ_MAX_BANDS];
    int memberCount[EQ_MAX_BANDS] = {};
    int group = kNoGroup;
    int position = 0;
    const int count = std::min<int>(data->count, EQ_MAX_BANDS);
    for (int r = 0; r < count; ++r) {
        const int id = data->bands[r].group;
        if (id != group) {
            if (group != kNoGroup && group < EQ_MAX_BANDS)
                memberCount[group] = position;
            group = id;
            position = 0;
        }
        if (id < EQ_MAX_BANDS)
            members[id][position] = r;
        ++position;
    }
    if (group != kNoGroup && group < EQ_MAX_BANDS)
        memberCount[group] = position;

    // Groups are numbered from 0 without gaps; the first empty one ends the work.
    for (int id = 0; id < EQ_MAX_BANDS && memberCount[id] > 0; ++id) {
        if (memberCount[id] == 1) {
            const T_EQ_BAND &band = data->bands[members[id][0]];
            if (band.type > EQ_MAX_TYPE)
                return 0;
            placeShape(band, false, g, values);
        } else if (!addLinearGroup(*data, members[id], memberCount[id], g, values)) {
            return 0;
        }
    }
    return 1;
}

int32_t Calc_GEQGain(T_EQ_CURVE *curve, T_GEQ_DATASET *previous, T_GEQ_DATASET *current,
                     unsigned full)
{
    if (!usableCurve(curve) || !current)
        return 0;
    T_GEQ_DATASET fallback {};
    if (!previous) {
        previous = &fallback;
        full = 1;
    }
    const GeqLayout layout = geqLayout(current->bandCode);
    if (previous->bandCode != layout.bands)
        full = 1;
    const Geometry g(*curve);
    int32_t *values = curve->values;
    if (full)
        std::fill(values, values + g.n, 0);

    bool changed = previous->changeMarker != current->changeMarker;
    // An element that changed loses its old shape and gets its new one.
    auto update = [&](const T_EQ_BAND *before, const T_EQ_BAND *after) {
        if (!full && before)
            placeShape(*before, true, g, values);
        if (after)
            placeShape(*after, false, g, values);
        changed = true;
    };

    for (int b = 0; b < layout.bands; ++b) {
        if (!full && previous->bandGain[b] == current->bandGain[b]
            && previous->bandBypass[b] == current->bandBypass[b])
            continue;
        const T_EQ_BAND before =
                geqPeakingBand(layout, b, previous->bandGain[b], previous->bandBypass[b]);
        const T_EQ_BAND after =
                geqPeakingBand(layout, b, current->bandGain[b], current->bandBypass[b]);
        update(&before, &after);
    }

    if (full || previous->hpfFrequency != current->hpfFrequency
        || previous->hpfBypass != current->hpfBypass) {
        const T_EQ_BAND before =
                geqFilterBand(EQ_TYPE_HIGH_PASS, previous->hpfFrequency, 0, previous->hpfBypass);
        const T_EQ_BAND after =
                geqFilterBand(EQ_TYPE_HIGH_PASS, current->hpfFrequency, 0, current->hpfBypass);
        update(&before, &after);
    }
    if (full || previous->lpfFrequency != current->lpfFrequency
        || previous->lpfBypass != current->lpfBypass) {
        const T_EQ_BAND before =
                geqFilterBand(EQ_TYPE_LOW_PASS, previous->lpfFrequency, 0, previous->lpfBypass);
        const T_EQ_BAND after =
                geqFilterBand(EQ_TYPE_LOW_PASS, current->lpfFrequency, 0, current->lpfBypass);
        update(&before, &after);
    }

    // A notch beyond the count in use is absent, so a shrinking count removes it.
    const int notchesBefore = std::min<int>(previous->notchCount, GEQ_MAX_NOTCHES);
    const int notchesAfter = std::min<int>(current->notchCount, GEQ_MAX_NOTCHES);
    for (int i = 0; i < GEQ_MAX_NOTCHES; ++i) {
        const bool wasUsed = i < notchesBefore, isUsed = i < notchesAfter;
        const bool differs = wasUsed != isUsed
                || (isUsed
                    && (previous->notchFrequency[i] != current->notchFrequency[i]
                        || previous->notchQ[i] != current->notchQ[i]
                        || previous->notchBypass[i] != current->notchBypass[i]));
        if (!(wasUsed || isUsed) || !(full || differs))
            continue;
        const T_EQ_BAND before = geqFilterBand(EQ_TYPE_NOTCH, previous->notchFrequency[i],
                                               previous->notchQ[i], previous->notchBypass[i]);
        const T_EQ_BAND after = geqFilterBand(EQ_TYPE_NOTCH, current->notchFrequency[i],
                                              current->notchQ[i], current->notchBypass[i]);
        update(wasUsed ? &before : nullptr, isUsed ? &after : nullptr);
    }

    *previous = *current;
    previous->bandCode = uint8_t(layout.bands);
    return changed ? 1 : 0;
}

} // extern "C"
