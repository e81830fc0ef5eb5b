// VU-style ballistics of the vintage EQ's signal path: a rectifier, a one-pole peak follower
// and a low-pass that gives the needle its rise time.
#ifndef MYVUMATER_H
#define MYVUMATER_H

#include "filter.h"
#include "zb4r_widgets_export.h"

class ZB4R_WIDGETS_EXPORT MyVuMater
{
public:
    MyVuMater();

    void setSampleRate(double fs);
    // Rise time of the needle in ms (300 ms for a classic VU).
    void setVuDelay(double ms);
    void clearVu();
    // One sample of the signal to show.
    void setValue(double x);
    // The smoothed level, linear.
    double value() const { return m_value; }
    // The peak follower's level, linear.
    double peakDCF() const { return m_peak; }

private:
    void design();

    FILTER m_peakFilter;
    FILTER m_needle;
    double m_fs = 44100.0;
    double m_delayMs = 300.0;
    double m_peak = 0.0;
    double m_value = 0.0;
};

#endif
