#ifndef LIBRARYPAGE_H
#define LIBRARYPAGE_H

#include "DemoPage.h"

#include <memory>

class CListWidge;
class TMapPreferences;

// The library manager: a scene library that snapshots the input strips' faders, switches and
// pans, an input-EQ library beside it as its partner, the five command buttons and switches
// that ask before storing and recalling. Slot 0 is read-only, slot 5 a placeholder; titles are
// renamed by double-click, and the scene category is picked from a memory name list.
class LibraryPage : public DemoPage
{
    Q_OBJECT
public:
    explicit LibraryPage(TParamMemory *memory, QWidget *parent = nullptr);
    ~LibraryPage() override;
    QString title() const override { return QStringLiteral("Library"); }

private:
    std::unique_ptr<TMapPreferences> m_prefs;
    CListWidge *m_scenes;
    CListWidge *m_eqs;
};

#endif
