// The nonlinear stage of the vintage EQ's signal path: a shelf ahead of a soft saturation, a
// square-law (even-harmonic) mix, and optional tape and transformer colourings.
#ifndef CNLCLASSA_H
#define CNLCLASSA_H

#include "filter.h"
#include "zb4r_widgets_export.h"

class ZB4R_WIDGETS_EXPORT CNLClassA
{
public:
    CNLClassA();

    void setSampleRate(double fs);
    // The pre-emphasis shelf: corner frequency in Hz and gain in dB.
    void setLsvCoef(double frequency, double gainDb);
    // Share of the square-law term, 0..1.
    void setSqMix(double mix);
    // Linear drive into and make-up out of the saturation.
    void setGains(double drive, double makeUp);
    void setTapeSw(bool on);
    void setTrSw(bool on);
    void clear();

    // One sample through the stage.
    double cal(double x);

    // Soft saturation with unity slope at 0, bounded by ±1.
    static double TrSat(double x);
    // The square-law term, sign kept so that a silent input stays silent.
    static double Square(double x);

private:
    void design();

    FILTER m_shelf;
    FILTER m_tapeFilter;
    double m_fs = 44100.0;
    double m_shelfFrequency = 300.0;
    double m_shelfGainDb = 0.0;
    double m_sqMix = 0.0;
    double m_drive = 1.0;
    double m_makeUp = 1.0;
    bool m_tape = false;
    bool m_transformer = false;
    double m_transformerState = 0.0;
};

#endif
