#ifndef TMAPPREFERENCES_H
#define TMAPPREFERENCES_H

#include "IPreferenceSource.h"
#include "IPreferences.h"

#include <QMap>

// Preferences held in a map, serving as their own source: what the demo editor and the tests
// hand to library rows.
class ZB4R_WIDGETS_EXPORT TMapPreferences : public IPreferenceSource, public IPreferences
{
public:
    // Keys the library list asks: confirm before storing (and before a replacing drop), and
    // before recalling.
    enum Key { ConfirmStore = 6, ConfirmRecall = 7 };

    TMapPreferences();
    ~TMapPreferences() override;

    IPreferences *preferences() override { return this; }
    QVariant value(int key) override;

    // An invalid QVariant removes the key.
    void setValue(int key, const QVariant &v);

private:
    QMap<int, QVariant> m_values;
};

#endif
