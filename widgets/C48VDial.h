#ifndef C48VDIAL_H
#define C48VDIAL_H

#include "CDial.h"

#include <memory>

class TPatchFollower;

// A dial for a setting of whatever converter port is patched to its input channel (the head-amp
// gain, say): xtraInfo names the base parameter, the channel's input patch says which port's
// copy the dial shows and changes. It follows patch and port set-up changes; with nothing
// patched it is disabled with the range 0..0 and observes nothing. Its own namedAddress names
// the channel, the defaults and the value texts.
class ZB4R_WIDGETS_EXPORT C48VDial : public CDial
{
    Q_OBJECT
    Q_PROPERTY(QString xtraInfo READ xtraInfo WRITE setXtraInfo) // empty

public:
    explicit C48VDial(QWidget *parent = nullptr, const char *name = nullptr);
    ~C48VDial() override;

    QString xtraInfo() const;
    // Resolves xtraInfo once a memory is set (again after a rejection).
    void parseXtraInfo();
    // 0xFFFF until xtraInfo has been resolved.
    quint16 baseElement();
    quint16 baseIndex();

    bool isPatchResolved() const;
    IMemAPI::TSingleAddress resolvedAddress() const;

    bool connectMemAPI() override;
    void disconnectMemAPI() override;
    // Writes the dial's value through the patch; returns the dial's value.
    int changeMemApiValue() override;

public Q_SLOTS:
    void setXtraInfo(const QString &text);
    // Enables the dial first: a new address starts out usable until the patch says otherwise.
    void setNamedAddress(const QString &address) override;

Q_SIGNALS:
    // The enabled state after a change, and once after polish (labels grey their text with it).
    void enabledUpdate(bool enabled);

protected Q_SLOTS:
    void handle_patchInChange(int value);

protected:
    void updateFromMemory(const Q_UINT8 *data, int operation, Q_UINT32 extra) override;
    QVector<quint32> observedAddresses() const override;
    bool event(QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    std::unique_ptr<TPatchFollower> const d;
};

#endif
