#include "ValueReadout.h"

ValueReadout::ValueReadout(QWidget *parent)
    : QLabel(parent)
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
    refreshFromMemory();
    return true;
}

void ValueReadout::updateFromMemory(const Q_UINT8 *, int, Q_UINT32)
{
    const TMemReading r = readNotification(nullptr, 0);
    if (r.valid)
        setText(valueText(r.value, 0));
}
