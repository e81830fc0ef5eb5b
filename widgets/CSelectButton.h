#ifndef CSELECTBUTTON_H
#define CSELECTBUTTON_H

#include "COnOffButton.h"

#include <QPointer>

#include <memory>

// A channel select key. One parameter at channel 0 holds the number of the selected channel;
// the key stands for its own channel (plus the channel offset and selBaseOffset) and is lit
// while that number is selected. The lit key cannot be turned off; clicking an unlit one
// selects its channel. With the key's channel paired, the key of the selected channel's partner
// blinks with the memory's shared blink phase.
class ZB4R_WIDGETS_EXPORT CSelectButton : public COnOffButton
{
    Q_OBJECT
    Q_PROPERTY(uint selBaseOffset READ selBaseOffset WRITE setselBaseOffset) // 0

public:
    // The select value before the first connect.
    static constexpr quint16 Unselected = 32767;

    explicit CSelectButton(QWidget *parent = nullptr, const QString &name = QString());
    ~CSelectButton() override;

    uint selBaseOffset() const;
    // The number this key writes and lights for (16 bits, wrapping).
    quint16 selectValue() const;
    bool pairMode() const;
    bool isBlinking() const;

    bool connectMemAPI() override;
    void disconnectMemAPI() override;

public Q_SLOTS:
    void handleStateChanged(int state) override;
    void pairModeChanged(int mode);
    void checkBlinkState();
    void doBlink() override;
    void stopBlinking();
    void setselBaseOffset(uint offset);

public:
    // The conventional spelling of the setter, which uic-generated forms call.
    void setSelBaseOffset(uint offset) { setselBaseOffset(offset); }

protected:
    bool blinkingMode() const override;
    void updateFromMemory(const Q_UINT8 *data, int operation, Q_UINT32 extra) override;

private:
    int selectedNumber() const;
    void dropPairNotifier();

    struct Private;
    std::unique_ptr<Private> const d;
};

#endif
