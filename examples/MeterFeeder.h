#ifndef METERFEEDER_H
#define METERFEEDER_H

#include "IMemAPI.h"

#include <QThread>

#include <atomic>
#include <vector>

class TParamMemory;

// Plays the console's meter stream: from its own thread, 40 times a second, it sends every
// input channel's level and held peak, its gain reduction and the stereo bus levels to the
// memory's meter feed. Peak holding and decay happen here, as on a console.
class MeterFeeder : public QThread
{
    Q_OBJECT
public:
    explicit MeterFeeder(TParamMemory *memory, QObject *parent = nullptr);
    ~MeterFeeder() override;

    void stop();

protected:
    void run() override;

private:
    struct Channel
    {
        IMemAPI::TSingleAddress level;
        IMemAPI::TSingleAddress reduction;
        IMemAPI::TSingleAddress gateKey;
        IMemAPI::TSingleAddress compKey;
        double envelope = 0.0;
        double target = 0.0;
        int peak = 0;
        int hold = 0;
    };
    struct Bus
    {
        IMemAPI::TSingleAddress level;
        int peak = 0;
        int hold = 0;
    };

    void sendFrame(quint32 &seed);

    TParamMemory *m_memory;
    std::vector<Channel> m_channels;
    std::vector<Bus> m_stereo;
    std::atomic<bool> m_stop {false};
};

#endif
