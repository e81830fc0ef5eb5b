#include "ValueReadout.h"

#include "NS_Utilities.h"

ValueReadout::ValueReadout(QWidget *parent) : QLabel(parent)
{
    setAlignment(Qt::AlignCenter);
    setMinimumWidth(56);
    QFont f = font();
    f.setPointSizeF(f.pointSizeF() * 0.85);
    setFont(f);
    setStyleSheet(QStringLiteral("color: #e8e0a0; background: #202226; border-radius: 2px;"));
}

ValueReadout::~ValueReadout()
{
    disconnectMemAPI();
}

bool ValueReadout::connectMemAPI()
{
    if (!TMemProxy::connectMemAPI())
        return false;
    showValue();
    return true;
}

void ValueReadout::process(const Q_UINT8 *, int, Q_UINT32)
{
    if (!memAPIReady())
        return;
    if (!NS_Utilities::mainThreadRunning()) {
        MAPI_postObserverEvent(memAPI(), this);
        return;
    }
    showValue();
}

void ValueReadout::showValue()
{
    IMemAPI *api = memAPI();
    QString text;
    const int raw = api->getValue(element(), parameter(), channel());
    const int minimum = api->getMinimum(element(), parameter(), channel());
    api->valueToText(channel() + channelOffset(), 0, &text, nullptr,
                     IMemAPI::textValueFromRaw(raw, minimum, 0), 0, element(), parameter());
    setText(text);
}
