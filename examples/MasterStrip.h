#ifndef MASTERSTRIP_H
#define MASTERSTRIP_H

#include <QFrame>

class TParamMemory;

// The stereo master beside the input strips: one fader with the level text it reports.
class MasterStrip : public QFrame
{
    Q_OBJECT
public:
    explicit MasterStrip(TParamMemory *memory, QWidget *parent = nullptr);
};

#endif
