#ifndef METERBRIDGEPAGE_H
#define METERBRIDGEPAGE_H

#include "DemoPage.h"

#include <QList>

#include <memory>

class CMeter;
class MeterFeeder;

// The meter bridge: a level and a gain-reduction meter per input channel and the stereo bus,
// live from the page's own meter feed.
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
    CMeter *addMeter(const char *address, int channel, const QString &image, int selector);

    QList<Bound> m_meters;
    std::unique_ptr<MeterFeeder> m_feeder;
};

#endif
