#include "DemoSwitch.h"

#include "COnOffButton.h"
#include "CPullDownMenu.h"
#include "NS_Utilities.h"

COnOffButton *makeDemoSwitch(QWidget *parent, const char *objectName, const char *image)
{
    auto *button = new COnOffButton(parent, QString::fromLatin1(objectName));
    button->setCombinedImage(NS_Utilities::loadPixmap(QString::fromLatin1(image)));
    button->setnSubImages(kDemoButtonRows);
    button->setHasDisableImage(true);
    return button;
}

void showCurrentSwitchValues(QWidget *root)
{
    const QList<COnOffButton *> all = root->findChildren<COnOffButton *>();
    for (COnOffButton *b : all)
        b->process(nullptr, 0, 1);
    for (CPullDownMenu *menu : root->findChildren<CPullDownMenu *>())
        menu->process(nullptr, 0, 1);
}
