#include "TMapPreferences.h"

IPreferences::~IPreferences() = default;
IPreferenceSource::~IPreferenceSource() = default;

TMapPreferences::TMapPreferences() = default;
TMapPreferences::~TMapPreferences() = default;

QVariant TMapPreferences::value(int key)
{
    return m_values.value(key);
}

void TMapPreferences::setValue(int key, const QVariant &v)
{
    if (v.isValid())
        m_values.insert(key, v);
    else
        m_values.remove(key);
}
