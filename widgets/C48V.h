#ifndef C48V_H
#define C48V_H

#include "COnOffButton.h"

#include <memory>

class TPatchFollower;

// An input channel's phantom-power switch. The +48 V parameter belongs to the converter port the
// channel is patched to, so the switch follows xtraInfo's parameter (the base, "00kHeadAmp/k48V"
// say) at the port that the channel's input patch leads to, and looks again whenever the patch,
// a port set-up or the host id changes. While the patch leads nowhere it is disabled, shows off
// and observes nothing. Its own namedAddress only names the channel (and the defaults).
//
// The state is the truth value of the parameter compared with the on value (boolClipValue, or 1
// when that is 0), so a boolClipValue above 1 never lights it.
class ZB4R_WIDGETS_EXPORT C48V : public COnOffButton
{
    Q_OBJECT
    Q_PROPERTY(QString xtraInfo READ xtraInfo WRITE setXtraInfo) // empty

public:
    explicit C48V(QWidget *parent = nullptr, const QString &name = QString());
    ~C48V() override;

    QString xtraInfo() const;
    // Resolves xtraInfo once a memory is set (again after a rejection).
    void parseXtraInfo();
    // 0xFFFF until xtraInfo has been resolved.
    quint16 baseElement();
    quint16 baseIndex();

    // The port parameter the patch leads to now, and whether it leads anywhere.
    bool isPatchResolved() const;
    IMemAPI::TSingleAddress resolvedAddress() const;
    // The value that means on: boolClipValue, or 1 when that is 0.
    int phantomOnValue() const;

    bool connectMemAPI() override;
    void disconnectMemAPI() override;

public Q_SLOTS:
    void setXtraInfo(const QString &text);
    void handleStateChanged(int state) override;

protected Q_SLOTS:
    void handle_patchInChange(int value);

protected:
    void updateFromMemory(const Q_UINT8 *data, int operation, Q_UINT32 extra) override;
    QVector<quint32> observedAddresses() const override;
    // Any click goes through while enabled (the base keeps a lit selection key lit).
    bool hitButton(const QPoint &pos) const override;

private:
    std::unique_ptr<TPatchFollower> const d;
};

#endif
