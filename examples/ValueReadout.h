#ifndef VALUEREADOUT_H
#define VALUEREADOUT_H

#include "TMemProxy.h"

#include <QLabel>

// A small text display bound to one parameter: shows the memory's value text.
class ValueReadout : public QLabel, public TMemProxy
{
    Q_OBJECT
    Q_PROPERTY(QString namedAddress READ namedAddress WRITE setNamedAddress)
    ZB4R_MEMPROXY_SLOTS
public:
    explicit ValueReadout(QWidget *parent = nullptr);
    ~ValueReadout() override;

    bool connectMemAPI() override;

protected:
    void updateFromMemory(const Q_UINT8 *data, int operation, Q_UINT32 extra) override;
};

#endif
