// The model of a six-section vintage-style equaliser, as the console runs it as an effect: two
// channels, each a low end (high-pass, one-pole high-pass or low shelf), four parallel peaking
// bands and a high end (low-pass, one-pole low-pass or high shelf), plus the signal path with its
// nonlinear stage and VU ballistics.
//
// Parameters use the effect's own numbering (setParameter): 0 mode, 1 preset action, 2 input
// gain dB, 3 low-end type, 4/7/11/15/19/24 section 1..6 on, 5/6 section 1 level/frequency,
// 8/9/10, 12/13/14, 16/17/18, 20/21/22 level/Q/frequency of sections 2..5, 23 high-end type,
// 25/26 section 6 level/frequency, 27 output gain dB, 28..35 nonlinear-stage settings.
// Units: Hz, dB, Q. Sections are numbered 1..6; section 0 is the whole EQ.
#ifndef CVEQ_H
#define CVEQ_H

#include "CNLClassA.h"
#include "MyVuMater.h"
#include "filter.h"
#include "filterPEQ.h"
#include "zb4r_widgets_export.h"

class ZB4R_WIDGETS_EXPORT CVEQ
{
public:
    static constexpr int Sections = 6;
    static constexpr int Channels = 2;
    static constexpr int Bands = 4; // sections 2..5
    static constexpr int EffectParameters = 36; // 0..35
    // End-section types.
    enum EEndType { EndFilter = 0, EndOnePole = 1, EndShelf = 2, EndShelf2 = 3 };

    // Memory parameters of a vintage-EQ slot: 26 numbers from 11 on, memory index m = p − 11.
    static constexpr int FirstMemoryParameter = 11;
    static constexpr int MemoryParameters = 26;
    // The effect index memory index m stands for, or −1 outside 0..25.
    static int memAPI2Effect(int m);
    // The memory index of an effect index, or −1 when no memory parameter holds it.
    static int effect2MemAPI(int effect);
    // Physical range, default and converter kind (VEQParam::Kind) of an effect index; false for
    // an index without one.
    static bool effectRange(int effect, float *minimum, float *maximum, float *defaultValue,
                            int *kind);

    // Memory-parameter tags (effect indices) of section k: −1 where the section has none.
    static int GetFreqTag(int k);
    static int GetLevTag(int k);
    static int GetQTag(int k);

    // Loads the "Init" defaults at 44100 Hz.
    CVEQ();

    // Feeds the "Init" list to setParameter (its trailing rate is not applied).
    void setDefault();
    void setParameter(long index, float value);
    // Stores the rate, passes it to the nonlinear stages and meters and redesigns every section.
    void setSampleRate(double fs);
    double sampleRate() const { return m_fs; }

    // Response in dB at f of section 1..6, or of the whole EQ for section 0 (0 for others). f is
    // limited to 0.48·fs.
    double filterPower(double f, short section) const;
    // All seven responses at f at once (index 0 the whole EQ, k section k), sharing the section
    // evaluations; the same values filterPower gives.
    void filterPowers(double f, double out[Sections + 1]) const;

    // On switch of section k (1 on, 0 off), −1 outside 1..6.
    int GetEqSwValue(int k) const;
    // Frequency (Hz) and level (dB) of section k, −1.0 outside 1..6.
    double GetEqFreqValue(int k) const;
    double GetEqLevValue(int k) const;
    // Q of sections 2..5, −1.0 otherwise.
    double GetEqQValue(int k) const;
    int lowType() const { return m_lowType; }
    int highType() const { return m_highType; }
    int mode() const { return m_mode; }
    double inputGain() const { return m_inGain; }
    double outputGain() const { return m_outGain; }

    // --- signal path --------------------------------------------------------------------------
    // Runs both channels through the EQ (mode 0 with the nonlinear stage ahead), sample by sample,
    // and feeds the VU meters. in and out hold Channels pointers of frames samples each.
    void DoProcess(float **in, float **out, long frames);
    double filterMainAnalog(int channel, double x);
    double filterMainClassA(int channel, double x);
    const MyVuMater &vuMeter(int channel) const { return m_vu[channel & 1]; }
    // A meter position 0..1 in eleven 3 dB steps: 0 up to 0.001, 1 from 1 on.
    static double _peak2db(double x);

    // Section designs on one filter of the low and the high end.
    void FirstEQSet(FILTER *filter, double f, double fs, double gainDb) const;
    void LastEQSet(FILTER *filter, double f, double fs, double gainDb) const;

private:
    void designLow();
    void designHigh();
    void designBand(int band);
    void designAll();
    void setUpStages();
    void flatten();
    void reset();
    double designFrequency(double f) const;
    double endPowers(double f, bool onOnly) const;

    double m_fs = 44100.0;
    int m_mode = 0;
    double m_inGain = 1.0;
    double m_outGain = 1.0;
    int m_lowType = EndShelf;
    int m_highType = EndShelf;
    bool m_on[Sections] = {};
    double m_level[Sections] = {};
    double m_freq[Sections] = {};
    double m_q[Sections] = {};

    int m_stageMode = 0;
    double m_shelfFrequency = 0.0;
    double m_shelfGain = 0.0;
    double m_sqMix = 0.0;
    double m_drive = 1.0;
    double m_makeUp = 1.0;
    bool m_tape = false;
    bool m_transformer = false;

    FILTER m_low[Channels];
    FILTER m_high[Channels];
    FILTER2PEQ m_band[Bands][Channels];
    CNLClassA m_stage[Channels];
    MyVuMater m_vu[Channels];
};

#endif
