// Converters between a vintage-EQ parameter's memory steps and its physical value (Hz, dB, Q,
// plain numbers), one per memory parameter.
#ifndef VEQPARAM_H
#define VEQPARAM_H

#include "zb4r_widgets_export.h"

#include <memory>

class ZB4R_WIDGETS_EXPORT VEQParam
{
public:
    enum Kind { Linear = 0, Logarithmic = 1, Plain = 2, FrequencyTable = 3 };

    // Steps of the frequency table: F[m] = 10^(1.2 + m/40) Hz, 15.85 Hz to 39810.7 Hz.
    static constexpr int FrequencyCount = 137;
    static double frequencyOfStep(int m);

    VEQParam(int memMin, int memMax, float effMin, float effMax);
    virtual ~VEQParam();

    // One of the four converters by kind (see Kind); null for any other kind.
    static std::unique_ptr<VEQParam> createParam(int kind, int memMin, int memMax, float effMin,
                                                 float effMax);

    virtual Kind kind() const = 0;
    virtual float toEffect(int m) const = 0;
    virtual int toMem(float v) const = 0;

    int memMin() const { return m_memMin; }
    int memMax() const { return m_memMax; }
    float effMin() const { return m_effMin; }
    float effMax() const { return m_effMax; }

protected:
    // memMin + fraction·(memMax − memMin), truncated towards zero and kept within the int range.
    int memFromFraction(double fraction) const;

private:
    int m_memMin;
    int m_memMax;
    float m_effMin;
    float m_effMax;
};

// effMin .. effMax spread evenly over memMin .. memMax.
class ZB4R_WIDGETS_EXPORT LinearVEQParam : public VEQParam
{
public:
    using VEQParam::VEQParam;
    Kind kind() const override { return Linear; }
    float toEffect(int m) const override;
    int toMem(float v) const override;
};

// effMin .. effMax on a logarithmic scale over memMin .. memMax; v ≤ 0 reads as memMin.
class ZB4R_WIDGETS_EXPORT LogVEQParam : public VEQParam
{
public:
    using VEQParam::VEQParam;
    Kind kind() const override { return Logarithmic; }
    float toEffect(int m) const override;
    int toMem(float v) const override;
};

// The memory value is the physical value.
class ZB4R_WIDGETS_EXPORT NullVEQParam : public VEQParam
{
public:
    using VEQParam::VEQParam;
    Kind kind() const override { return Plain; }
    float toEffect(int m) const override;
    int toMem(float v) const override;
};

// Memory steps index the frequency table; a frequency maps to the first step at or above it.
class ZB4R_WIDGETS_EXPORT FreqTblVEQParam : public VEQParam
{
public:
    using VEQParam::VEQParam;
    Kind kind() const override { return FrequencyTable; }
    float toEffect(int m) const override;
    int toMem(float v) const override;
};

#endif
