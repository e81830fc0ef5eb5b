#ifndef TPARAMMEMORY_P_H
#define TPARAMMEMORY_P_H

#include <QObject>

// The object returned by TParamMemory::sampleFreqNotifier(): emits valueChanged(int) with the new
// rate in Hz whenever the memory's sample rate changes.
class TSampleRateNotifier : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

Q_SIGNALS:
    void valueChanged(int hz);
};

#endif
