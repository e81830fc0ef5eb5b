#ifndef METERBRIDGEPAGE_H
#define METERBRIDGEPAGE_H

#include "DemoPage.h"

#include <QList>

#include <memory>

class CMeter;
class CPixmapMeter;
class MeterFeeder;

// The meter bridge: a level and a gain-reduction meter per input channel and the stereo bus
// (also as LED bars), live from the page's own meter feed, with the console's online switch.
class MeterBridgePage : public DemoPage
{
    Q_OBJECT
public:
    explicit MeterBridgePage(TParamMemory *memory, QWidget *parent = nullptr);
    ~MeterBridgePage() override;

    QString title() const override { return QStringLiteral("Meter bridge"); }
    void bind() override;

private:
    struct Bound
    {
        CMeter *meter;
        int channel;
    };
    struct LedBound
    {
        CPixmapMeter *meter;
        int channel;
    };
    CMeter *addMeter(const char *address, int channel, const QString &image, int selector);
    // A stereo-bus LED bar: bounded by a list, or by the memory's table tableId when not 0.
    CPixmapMeter *addLedMeter(int channel, const QString &image, int frames, int tableId);

    QList<Bound> m_meters;
    QList<LedBound> m_ledMeters;
    std::unique_ptr<MeterFeeder> m_feeder;
};

#endif
