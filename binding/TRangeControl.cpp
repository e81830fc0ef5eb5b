#include "TRangeControl.h"

#include <QStyle>

#include <climits>

namespace {

// Steps are magnitudes; INT_MIN has none that fits, so it becomes INT_MAX.
int stepMagnitude(int step)
{
    return step == INT_MIN ? INT_MAX : (step < 0 ? -step : step);
}

// value + delta taken in 64 bits and clamped, so a step near the ends of int saturates.
int steppedValue(int value, qint64 delta, int minValue, int maxValue)
{
    return int(qBound(qint64(minValue), qint64(value) + delta, qint64(maxValue)));
}

} // namespace

TRangeControl::TRangeControl() = default;

TRangeControl::TRangeControl(int minValue, int maxValue, int lineStep, int pageStep, int value)
    : m_min(minValue)
    , m_max(qMax(minValue, maxValue))
    , m_line(stepMagnitude(lineStep))
    , m_page(stepMagnitude(pageStep))
{
    m_value = bound(value);
    m_prev = m_value;
}

TRangeControl::~TRangeControl() = default;

int TRangeControl::bound(int value) const
{
    return qBound(m_min, value, m_max);
}

void TRangeControl::directSetValue(int value)
{
    m_prev = m_value;
    m_value = bound(value);
}

void TRangeControl::setValue(int value)
{
    const int bounded = bound(value);
    if (bounded == m_value)
        return;
    directSetValue(bounded);
    valueChange();
}

void TRangeControl::addLine()
{
    setValue(steppedValue(m_value, m_line, m_min, m_max));
}

void TRangeControl::subtractLine()
{
    setValue(steppedValue(m_value, -qint64(m_line), m_min, m_max));
}

void TRangeControl::addPage()
{
    setValue(steppedValue(m_value, m_page, m_min, m_max));
}

void TRangeControl::subtractPage()
{
    setValue(steppedValue(m_value, -qint64(m_page), m_min, m_max));
}

void TRangeControl::setRange(int minValue, int maxValue)
{
    if (minValue > maxValue)
        maxValue = minValue;
    if (minValue == m_min && maxValue == m_max)
        return;
    m_min = minValue;
    m_max = maxValue;
    // The value is already inside the new range when rangeChange() looks at it.
    const int old = m_value;
    const int bounded = bound(m_value);
    if (bounded != old)
        directSetValue(bounded);
    rangeChange();
    if (bounded != old)
        valueChange();
}

void TRangeControl::setSteps(int lineStep, int pageStep)
{
    const int line = stepMagnitude(lineStep);
    const int page = stepMagnitude(pageStep);
    if (line == m_line && page == m_page)
        return;
    m_line = line;
    m_page = page;
    stepChange();
}

int TRangeControl::positionFromValue(int value, int span) const
{
    return QStyle::sliderPositionFromValue(m_min, m_max, value, span, false);
}

int TRangeControl::valueFromPosition(int pos, int span) const
{
    return QStyle::sliderValueFromPosition(m_min, m_max, pos, span, false);
}

void TRangeControl::valueChange() { }

void TRangeControl::rangeChange() { }

void TRangeControl::stepChange() { }
