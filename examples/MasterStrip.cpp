#include "MasterStrip.h"

#include "CFader.h"
#include "DemoAddresses.h"
#include "NS_Utilities.h"
#include "TParamMemory.h"

#include <QLabel>
#include <QVBoxLayout>

MasterStrip::MasterStrip(TParamMemory *memory, QWidget *parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("master"));
    setFrameShape(QFrame::StyledPanel);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(2);

    auto *name = new QLabel(QStringLiteral("MASTER"), this);
    name->setAlignment(Qt::AlignCenter);
    name->setStyleSheet(QStringLiteral("font-weight: bold; color: #f0f0f0;"));
    layout->addWidget(name);
    layout->addStretch();

    auto *fader = new CFader(this, "masterFader");
    fader->setThumbImage(NS_Utilities::loadPixmap(QStringLiteral("fader_thumb.png")));
    fader->setPixmap(NS_Utilities::loadPixmap(QStringLiteral("fader_groove_26.png")));
    fader->setFlipValues(true);
    fader->setFixedSize(fader->pixmap().size());
    fader->setNamedAddress(QString::fromLatin1(DemoAddresses::masterFader));
    layout->addWidget(fader, 0, Qt::AlignHCenter);

    // The fader's own level text (its table), not a separate readout.
    auto *level = new QLabel(this);
    level->setAlignment(Qt::AlignCenter);
    level->setMinimumWidth(56);
    QFont small = level->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    level->setFont(small);
    level->setStyleSheet(
            QStringLiteral("color: #e8e0a0; background: #202226; border-radius: 2px;"));
    connect(fader, &CFader::textualValueChange, level, &QLabel::setText);
    layout->addWidget(level);

    memory->connectTree(this, 0);
}
