#include "CCompositeAux.h"
#include "CLabelDisplay.h"
#include "InputStrip.h"
#include "NS_Utilities.h"
#include "StripBuilders.h"

#include <QHBoxLayout>
#include <QPushButton>

namespace {

const char *const kAuxTemplate = "FEkInput/kAuxLevel%1";
constexpr int kSends = 8;
constexpr int kLayerHeight = 32;
constexpr int kLayerOffset = 2; // the sends' distance from their band's top
constexpr int kSendStep = 7;
constexpr int kSwitchMargin = 10;

QPixmap art(const char *name)
{
    return NS_Utilities::loadPixmap(QString::fromLatin1(name));
}

QPushButton *layerButton(const QString &text, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setCheckable(true);
    button->setChecked(true);
    button->setFixedSize(30, 16);
    QFont f = button->font();
    f.setPointSizeF(f.pointSizeF() * 0.75);
    button->setFont(f);
    return button;
}

} // namespace

void addStripAux(InputStrip *strip)
{
    auto *aux = new CCompositeAux(strip, "stripAux");
    aux->setThumbImage(art("aux_on_post.png"));
    aux->setOffPostFader(art("aux_off_post.png"));
    aux->setOffPreFader(art("aux_off_pre.png"));
    aux->setOnPreFader(art("aux_on_pre.png"));
    aux->setThumbNailPostImage(art("aux_cap_post.png"));
    aux->setThumbNailPreImage(art("aux_cap_pre.png"));
    aux->setPixmap(art("aux_background.png"));
    aux->setMargin(kSwitchMargin);
    aux->setSeparation(kSendStep);
    aux->setHeaderList(QStringLiteral("%1;%2")
                               .arg(kLayerOffset)
                               .arg(kLayerHeight - CCompositeAux::LayerSize * kSendStep));
    aux->setLayerList(QStringLiteral("%1;%1").arg(kLayerHeight));
    aux->setNumChildren(kSends);
    aux->setChildIndexStart(1);
    aux->setAddrMode(CCompositeAux::eInputs);
    aux->setFixedSize(64, aux->calcHeight());
    aux->setToolTip(QStringLiteral("Drag a bar: send level. Click left of a bar: send on/off"));
    strip->addControl(QStringLiteral("AUX 1-8"), aux, kAuxTemplate, InputStrip::WithoutReadout);

    // The level being dragged shows on a label below the sends.
    CLabelDisplay *text = makeValueLabel(strip);
    QObject::connect(aux, SIGNAL(alternativeDisplayBegin()), text, SLOT(altDisplayBegin()));
    QObject::connect(aux, SIGNAL(alternativeDisplayEnd()), text, SLOT(altDisplayEnd()));
    QObject::connect(aux, SIGNAL(textualValueChange(QString)), text, SLOT(setText(QString)));
    strip->addWidget(text);

    // One button per layer of four sends: unchecked collapses it.
    auto *row = new QWidget(strip);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    for (int layer = 0; layer < 2; ++layer) {
        QPushButton *button =
                layerButton(QStringLiteral("%1-%2").arg(layer * 4 + 1).arg(layer * 4 + 4), row);
        QObject::connect(button, &QPushButton::toggled, aux, [aux, layer](bool expanded) {
            const Q_UINT8 bit = Q_UINT8(1u << layer);
            aux->setLayerCollapsed(expanded ? (aux->layerBits() | bit) : (aux->layerBits() & ~bit));
        });
        layout->addWidget(button);
    }
    strip->addWidget(row);
}
