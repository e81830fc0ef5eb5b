#include "MeterLook.h"

#include "NS_Utilities.h"

#include <QPainter>

namespace {

const QColor GainReductionTint(250, 160, 40);

QPixmap tinted(const QPixmap &pm, const QColor &colour)
{
    QPixmap out = pm;
    QPainter p(&out);
    p.setCompositionMode(QPainter::CompositionMode_Multiply);
    p.fillRect(out.rect(), colour);
    return out;
}

} // namespace

void applyMeterLook(CMeter *meter, const QString &imageName, CMeter::EMeterSelector selector)
{
    const QPixmap both = NS_Utilities::loadPixmap(imageName);
    const int w = both.width() / 2;
    QPixmap lit = both.copy(0, 0, w, both.height());
    QPixmap unlit = both.copy(w, 0, w, both.height());
    if (selector > CMeter::eMtr_GR_Offset) {
        lit = tinted(lit, GainReductionTint);
        unlit = tinted(unlit, GainReductionTint);
    }
    meter->setMeterSelector(selector);
    meter->setMeterImage(lit);
    meter->setMeterBgndImage(unlit);
}
