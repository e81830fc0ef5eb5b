#ifndef TRANGECONTROL_H
#define TRANGECONTROL_H

#include "zb4r_widgets_export.h"

// A range with a value, line and page steps, for widgets that are not QAbstractSlider.
// Changes call the virtual hooks valueChange(), rangeChange() and stepChange().
class ZB4R_WIDGETS_EXPORT TRangeControl
{
public:
    TRangeControl();
    TRangeControl(int minValue, int maxValue, int lineStep, int pageStep, int value);
    virtual ~TRangeControl();

    int value() const { return m_value; }
    void setValue(int value);
    void addPage();
    void subtractPage();
    void addLine();
    void subtractLine();

    int minValue() const { return m_min; }
    int maxValue() const { return m_max; }
    void setRange(int minValue, int maxValue);
    void setMinValue(int minValue) { setRange(minValue, m_max); }
    void setMaxValue(int maxValue) { setRange(m_min, maxValue); }

    int lineStep() const { return m_line; }
    int pageStep() const { return m_page; }
    void setSteps(int lineStep, int pageStep);

    int bound(int value) const;

    // Pixel position of a value over span pixels and back (as QStyle's slider helpers).
    int positionFromValue(int value, int span) const;
    int valueFromPosition(int pos, int span) const;

protected:
    int prevValue() const { return m_prev; }
    // Sets the value without calling valueChange().
    void directSetValue(int value);

    virtual void valueChange();
    virtual void rangeChange();
    virtual void stepChange();

private:
    int m_min = 0;
    int m_max = 99;
    int m_line = 1;
    int m_page = 10;
    int m_value = 0;
    int m_prev = 0;
};

#endif
