#include "CVEQ.h"

#include "VEQParam.h"

#include <cmath>
#include <complex>

namespace {

constexpr double kPi = 3.14159265358979323846;
// Responses are evaluated, and sections designed, no closer to Nyquist than this.
constexpr double kHighestFraction = 0.48;
// Added to the end sections' dB when the bands' |N/D|² is not positive.
constexpr double kNoResponseDb = -100.0;
// The preset action that flattens instead of resetting.
constexpr float kPresetFlat = 2.0f;

// Memory index → effect index.
constexpr int kMemToEffect[CVEQ::MemoryParameters] = {3,  6,  5,  4,  9,  10, 8,  7,  13,
                                                      14, 12, 11, 17, 18, 16, 15, 21, 22,
                                                      20, 19, 23, 26, 25, 24, 2,  27};

// Effect indices per section 1..6 (index 0 unused); −1 where a section has none.
constexpr int kOnIndex[CVEQ::Sections + 1] = {-1, 4, 7, 11, 15, 19, 24};
constexpr int kLevelIndex[CVEQ::Sections + 1] = {-1, 5, 8, 12, 16, 20, 25};
constexpr int kFreqIndex[CVEQ::Sections + 1] = {-1, 6, 10, 14, 18, 22, 26};
constexpr int kQIndex[CVEQ::Sections + 1] = {-1, -1, 9, 13, 17, 21, -1};

enum : int {
    kMode = 0,
    kPreset = 1,
    kInputGain = 2,
    kLowType = 3,
    kHighType = 23,
    kOutputGain = 27,
    kStageMode = 28,
    kShelfFrequency = 29,
    kShelfGain = 30,
    kSquareMix = 31,
    kDrive = 32,
    kMakeUp = 33,
    kTape = 34,
    kTransformer = 35
};

// The "Init" list, fed to setParameter in order; its last entry (a rate) is not applied.
constexpr float kInit[] = {0,    0,   0, 2,      1,      0,      100,    1,     0, 1,    200,  1, 0,
                           1,    400, 1, 0,      1,      800,    1,      0,     1, 1600, 2,    1, 0,
                           3200, 0,   0, 307.4f, 10.53f, 0.029f, -1.32f, 1.84f, 0, 0,    44100};
constexpr int kInitApplied = CVEQ::EffectParameters;
static_assert(sizeof kInit / sizeof kInit[0] == kInitApplied + 1, "36 settings and a rate");

// Preset reset values per section 1..6.
constexpr double kResetFrequency[CVEQ::Sections + 1] = {0, 100, 200, 400, 800, 1600, 3200};
constexpr double kResetQ = 1.0;

// Frequency warps of the shelves: the corner handed to the toolkit's shelf for a section at f.
constexpr double kLowShelfWarp = 10.0;
constexpr double kHighShelfWarp = 0.1;
const double kLowShelf2Warp = std::sqrt(10.0);
const double kHighShelf2Warp = 1.0 / std::sqrt(10.0);

double warpedCorner(double f, double fs, double factor)
{
    return fs / kPi * std::atan(factor * std::tan(kPi * f / fs));
}

double linearOfDb(double db)
{
    return db == -100.0 ? 0.0 : std::pow(10.0, db / 20.0);
}

double gainFactor(double levelDb)
{
    return std::pow(10.0, std::fabs(levelDb) / 20.0) - 1.0;
}

double dbOf(double power)
{
    return power > 0.0 ? 10.0 * std::log10(power) : FILTER::FloorDb;
}

int sectionOfIndex(const int table[], long index)
{
    for (int k = 1; k <= CVEQ::Sections; ++k) {
        if (table[k] == index)
            return k;
    }
    return 0;
}

} // namespace

int CVEQ::memAPI2Effect(int m)
{
    return m >= 0 && m < MemoryParameters ? kMemToEffect[m] : -1;
}

int CVEQ::effect2MemAPI(int effect)
{
    for (int m = 0; m < MemoryParameters; ++m) {
        if (kMemToEffect[m] == effect)
            return m;
    }
    return -1;
}

bool CVEQ::effectRange(int effect, float *minimum, float *maximum, float *defaultValue, int *kind)
{
    float lo = 0.0f, hi = 1.0f, def = 0.5f;
    int k = VEQParam::Linear;
    if (effect == 0) {
    } else if (effect == kPreset) {
        def = 1.0f / 3.0f;
    } else if (effect == kInputGain || effect == kOutputGain
               || sectionOfIndex(kLevelIndex, effect)) {
        lo = -18.0f, hi = 18.0f, def = 0.0f;
    } else if (const int s = sectionOfIndex(kFreqIndex, effect)) {
        lo = 16.0f, hi = 20000.0f, def = float(kResetFrequency[s]);
        k = VEQParam::FrequencyTable;
    } else if (sectionOfIndex(kQIndex, effect)) {
        lo = 0.5f, hi = 16.0f, def = 0.0f;
        k = VEQParam::Logarithmic;
    } else if (effect == kLowType || effect == kHighType) {
        def = 0.25f;
        k = VEQParam::Plain;
    } else if (!sectionOfIndex(kOnIndex, effect)) {
        return false;
    }
    if (minimum)
        *minimum = lo;
    if (maximum)
        *maximum = hi;
    if (defaultValue)
        *defaultValue = def;
    if (kind)
        *kind = k;
    return true;
}

int CVEQ::GetFreqTag(int k)
{
    return k >= 1 && k <= Sections ? kFreqIndex[k] : -1;
}

int CVEQ::GetLevTag(int k)
{
    return k >= 1 && k <= Sections ? kLevelIndex[k] : -1;
}

int CVEQ::GetQTag(int k)
{
    return k >= 1 && k <= Sections ? kQIndex[k] : -1;
}

CVEQ::CVEQ()
{
    setDefault();
}

void CVEQ::setDefault()
{
    for (int i = 0; i < kInitApplied; ++i)
        setParameter(i, kInit[i]);
}

void CVEQ::setSampleRate(double fs)
{
    if (!(fs > 0.0) || !std::isfinite(fs))
        return;
    m_fs = fs;
    for (int ch = 0; ch < Channels; ++ch) {
        m_stage[ch].setSampleRate(fs);
        m_vu[ch].setSampleRate(fs);
    }
    designAll();
}

void CVEQ::setParameter(long index, float value)
{
    switch (index) {
    case kMode:
        m_mode = int(value);
        designAll();
        if (m_mode == 0)
            setUpStages();
        return;
    case kPreset:
        if (value == kPresetFlat)
            flatten();
        else
            reset();
        designAll();
        return;
    case kInputGain:
        m_inGain = linearOfDb(value);
        return;
    case kOutputGain:
        m_outGain = linearOfDb(value);
        return;
    case kLowType:
        m_lowType = int(value);
        designLow();
        return;
    case kHighType:
        m_highType = int(value);
        designHigh();
        return;
    case kStageMode:
        m_stageMode = int(value);
        break;
    case kShelfFrequency:
        m_shelfFrequency = value;
        break;
    case kShelfGain:
        m_shelfGain = value;
        break;
    case kSquareMix:
        m_sqMix = value;
        break;
    case kDrive:
        m_drive = std::pow(10.0, value / 20.0);
        break;
    case kMakeUp:
        m_makeUp = std::pow(10.0, value / 20.0);
        break;
    case kTape:
        m_tape = value != 0.0f;
        break;
    case kTransformer:
        m_transformer = value != 0.0f;
        break;
    default: {
        int k = 0;
        if ((k = sectionOfIndex(kOnIndex, index))) {
            m_on[k - 1] = value != 0.0f;
            return;
        }
        if ((k = sectionOfIndex(kLevelIndex, index)))
            m_level[k - 1] = value;
        else if ((k = sectionOfIndex(kFreqIndex, index)))
            m_freq[k - 1] = value;
        else if ((k = sectionOfIndex(kQIndex, index)))
            m_q[k - 1] = value;
        else
            return;
        if (k == 1)
            designLow();
        else if (k == Sections)
            designHigh();
        else
            designBand(k - 2);
        return;
    }
    }
    setUpStages();
}

void CVEQ::flatten()
{
    for (int k = 0; k < Sections; ++k)
        m_level[k] = 0.0;
    if (m_on[0])
        m_lowType = EndShelf;
    if (m_on[Sections - 1])
        m_highType = EndShelf;
}

void CVEQ::reset()
{
    for (int k = 0; k < Sections; ++k) {
        m_freq[k] = kResetFrequency[k + 1];
        m_q[k] = kResetQ;
        m_level[k] = 0.0;
        m_on[k] = true;
    }
    m_lowType = EndShelf;
    m_highType = EndShelf;
    m_inGain = 1.0;
    m_outGain = 1.0;
}

void CVEQ::setUpStages()
{
    for (int ch = 0; ch < Channels; ++ch) {
        CNLClassA &s = m_stage[ch];
        s.setSampleRate(m_fs);
        s.setLsvCoef(m_shelfFrequency, m_shelfGain);
        s.setSqMix(m_sqMix);
        s.setGains(m_drive, m_makeUp);
        s.setTapeSw(m_tape);
        s.setTrSw(m_transformer);
    }
}

// Sections are designed no closer to Nyquist than responses are evaluated, so a frequency the
// rate cannot hold still gives a section instead of keeping a stale one.
double CVEQ::designFrequency(double f) const
{
    const double highest = kHighestFraction * m_fs;
    return f > highest ? highest : f;
}

void CVEQ::FirstEQSet(FILTER *filter, double f, double fs, double gainDb) const
{
    switch (m_lowType) {
    case EndFilter:
        filter->setCoefHPF(2, f, fs);
        break;
    case EndOnePole:
        filter->setDcfHPF(f, fs);
        break;
    case EndShelf:
        filter->setCoefLOWS(warpedCorner(f, fs, kLowShelfWarp), gainDb, fs);
        break;
    default:
        filter->setCoefLOWS_2(warpedCorner(f, fs, kLowShelf2Warp), gainDb, fs);
        break;
    }
}

void CVEQ::LastEQSet(FILTER *filter, double f, double fs, double gainDb) const
{
    switch (m_highType) {
    case EndFilter:
        filter->setCoefLPF(2, f, fs);
        break;
    case EndOnePole:
        filter->setDcfLPF(f, fs);
        break;
    case EndShelf:
        filter->setCoefHIGS(warpedCorner(f, fs, kHighShelfWarp), gainDb, fs);
        break;
    default:
        filter->setCoefHIGS_2(warpedCorner(f, fs, kHighShelf2Warp), gainDb, fs);
        break;
    }
}

void CVEQ::designLow()
{
    for (FILTER &f : m_low)
        FirstEQSet(&f, designFrequency(m_freq[0]), m_fs, m_level[0]);
}

void CVEQ::designHigh()
{
    for (FILTER &f : m_high)
        LastEQSet(&f, designFrequency(m_freq[Sections - 1]), m_fs, m_level[Sections - 1]);
}

void CVEQ::designBand(int band)
{
    FILTER2PEQ *pair = m_band[band];
    pair[0].setCoefBPF_C(designFrequency(m_freq[band + 1]), m_fs, m_q[band + 1], m_level[band + 1]);
    pair[1].setCoefByCopy(&pair[0]);
}

void CVEQ::designAll()
{
    designLow();
    for (int b = 0; b < Bands; ++b)
        designBand(b);
    designHigh();
}

double CVEQ::endPowers(double f, bool onOnly) const
{
    double db = 0.0;
    if (!onOnly || m_on[0])
        db += m_low[0].power(f, m_fs);
    if (!onOnly || m_on[Sections - 1])
        db += m_high[0].power(f, m_fs);
    return db;
}

double CVEQ::filterPower(double f, short section) const
{
    const double highest = kHighestFraction * m_fs;
    if (f > highest)
        f = highest;
    if (section == 1)
        return m_low[0].power(f, m_fs);
    if (section == Sections)
        return m_high[0].power(f, m_fs);
    if (section >= 2 && section < Sections) {
        const double level = m_level[section - 1];
        const FILTER2PEQ &band = m_band[section - 2][0];
        return level >= 0.0 ? band.power_boost(f, m_fs, gainFactor(level))
                            : band.power_cut(f, m_fs, gainFactor(level));
    }
    if (section != 0)
        return 0.0;
    double out[Sections + 1];
    filterPowers(f, out);
    return out[0];
}

void CVEQ::filterPowers(double f, double out[Sections + 1]) const
{
    const double highest = kHighestFraction * m_fs;
    if (f > highest)
        f = highest;
    out[1] = m_low[0].power(f, m_fs);
    out[Sections] = m_high[0].power(f, m_fs);
    double total = (m_on[0] ? out[1] : 0.0) + (m_on[Sections - 1] ? out[Sections] : 0.0);

    // Boosts form a parallel network N = 1 + Σ K·H; cuts put the same network in the feedback
    // path, D = 1 + Σ K·H; the whole EQ is |N/D|².
    std::complex<double> n(1.0, 0.0), dd(1.0, 0.0);
    for (int b = 0; b < Bands; ++b) {
        const double level = m_level[b + 1];
        const double k = gainFactor(level);
        const std::complex<double> kh = k * m_band[b][0].response_bpf(f, m_fs);
        const double boost = std::norm(1.0 + kh);
        out[b + 2] = level >= 0.0 ? dbOf(boost) : (boost > 0.0 ? -dbOf(boost) : FILTER::FloorDb);
        if (!m_on[b + 1])
            continue;
        if (level >= 0.0)
            n += kh;
        else
            dd += kh;
    }
    const double den = std::norm(dd);
    const double ratio = den > 0.0 ? std::norm(n) / den : 0.0;
    out[0] = total
            + (ratio > 0.0 && std::isfinite(ratio) ? 10.0 * std::log10(ratio) : kNoResponseDb);
}

int CVEQ::GetEqSwValue(int k) const
{
    return k >= 1 && k <= Sections ? (m_on[k - 1] ? 1 : 0) : -1;
}

double CVEQ::GetEqFreqValue(int k) const
{
    return k >= 1 && k <= Sections ? m_freq[k - 1] : -1.0;
}

double CVEQ::GetEqLevValue(int k) const
{
    return k >= 1 && k <= Sections ? m_level[k - 1] : -1.0;
}

double CVEQ::GetEqQValue(int k) const
{
    return k >= 2 && k < Sections ? m_q[k - 1] : -1.0;
}

// --- signal path -------------------------------------------------------------------------------

double CVEQ::filterMainAnalog(int channel, double x)
{
    const int ch = channel & 1;
    double y = x * m_inGain;
    if (m_on[0])
        y = m_low[ch].cal(y);
    for (int b = 0; b < Bands; ++b) {
        FILTER2PEQ &band = m_band[b][ch];
        if (!m_on[b + 1])
            continue;
        switch (band.mode()) {
        case FILTER2PEQ::BandBoost: {
            const double in = y;
            y = in + band.gainFactor() * band.cal_boost(in);
            band.dlyupdate_bpf(in);
            break;
        }
        case FILTER2PEQ::BandCut:
            y = (y - band.gainFactor() * band.cal_cut()) / (1.0 + band.gainedC2());
            band.dlyupdate_bpf(y);
            break;
        default:
            band.dlyupdate_bpf(y);
            break;
        }
    }
    if (m_on[Sections - 1])
        y = m_high[ch].cal(y);
    return y * m_outGain;
}

double CVEQ::filterMainClassA(int channel, double x)
{
    return filterMainAnalog(channel, m_stage[channel & 1].cal(x));
}

void CVEQ::DoProcess(float **in, float **out, long frames)
{
    if (!in || !out)
        return;
    for (int ch = 0; ch < Channels; ++ch) {
        if (!in[ch] || !out[ch])
            continue;
        for (long i = 0; i < frames; ++i) {
            const double y =
                    m_mode == 0 ? filterMainClassA(ch, in[ch][i]) : filterMainAnalog(ch, in[ch][i]);
            out[ch][i] = float(y);
            m_vu[ch].setValue(y);
        }
    }
}

double CVEQ::_peak2db(double x)
{
    if (x <= 0.001)
        return 0.0;
    if (x >= 1.0)
        return 1.0;
    const double p = (10.5 + 20.0 * std::log10(x) / 3.01029995664 + 0.001) / 11.0;
    return p < 0.0 ? 0.0 : (p > 1.0 ? 1.0 : p);
}
