#ifndef CONSOLESIMULATOR_H
#define CONSOLESIMULATOR_H

#include <QThread>

#include <atomic>

class TParamMemory;

// Plays "another editor on the same console": from its own thread it moves some parameters now
// and then, so the screens visibly follow changes made elsewhere.
class ConsoleSimulator : public QThread
{
    Q_OBJECT
public:
    explicit ConsoleSimulator(TParamMemory *memory, QObject *parent = nullptr);
    ~ConsoleSimulator() override;

    void stop();

protected:
    void run() override;

private:
    void loadStartingScene();
    void nudgeSomeParameters(quint32 &seed);
    void moveASend(quint32 &seed);

    TParamMemory *m_memory;
    std::atomic<bool> m_stop {false};
};

#endif
