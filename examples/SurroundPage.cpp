#include "SurroundPage.h"

#include "CDial.h"
#include "CSurround.h"
#include "DemoAddresses.h"
#include "NS_Utilities.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

constexpr int kKnobFrames = 101;
constexpr int kGhosts = 12;
constexpr int kTrailMs = 40;

QLabel *caption(const QString &text, QWidget *parent, const char *style = "color: #a0a4aa;")
{
    auto *label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignCenter);
    label->setStyleSheet(QString::fromLatin1(style));
    return label;
}

CDial *axisDial(const char *address, QWidget *parent, const char *name)
{
    auto *dial = new CDial(parent, name);
    dial->setCombinedImage(NS_Utilities::loadPixmap(QStringLiteral("knob_pan.png")));
    dial->setnSubImages(kKnobFrames);
    dial->setNamedAddress(QString::fromLatin1(address));
    return dial;
}

// One panner with its title, position text and the dials of its two parameters.
QWidget *pannerGroup(const QString &title, CSurround::surrKind kind, const char *puck,
                     const char *xAddress, const char *yAddress, QWidget *parent)
{
    auto *group = new QWidget(parent);
    auto *column = new QVBoxLayout(group);
    column->addWidget(caption(title, group, "font-weight: bold; color: #f0f0f0;"));

    auto *panner = new CSurround(group, kind == CSurround::FxSurr ? "fxSurround" : "inSurround");
    panner->setPixmapBgnd(NS_Utilities::loadPixmap(QStringLiteral("surround_field.png")));
    panner->setnSubImages(2);
    panner->setPixmapMain(NS_Utilities::loadPixmap(QString::fromLatin1(puck)));
    panner->setGhosts(kGhosts);
    panner->setInterval(kTrailMs);
    panner->setSurroundKind(kind);
    panner->setNamedAddress(QString::fromLatin1(xAddress));
    column->addWidget(panner, 0, Qt::AlignHCenter);

    auto *position = caption(QString(), group, "color: #e8d070; font-family: monospace;");
    QObject::connect(panner, &CSurround::textualPositionChange, position, &QLabel::setText);
    column->addWidget(position);

    auto *dials = new QGridLayout;
    const char *addresses[] = {xAddress, yAddress};
    const char *names[] = {"L-R", "F-R"};
    for (int axis = 0; axis < 2; ++axis) {
        CDial *dial = axisDial(addresses[axis], group, names[axis]);
        auto *value = caption(QString(), group);
        QObject::connect(dial, &CDial::textualValueChange, value, &QLabel::setText);
        dials->addWidget(caption(QString::fromLatin1(names[axis]), group), 0, axis);
        dials->addWidget(dial, 1, axis, Qt::AlignHCenter);
        dials->addWidget(value, 2, axis);
    }
    column->addLayout(dials);
    column->addStretch();
    return group;
}

} // namespace

SurroundPage::SurroundPage(TParamMemory *memory, QWidget *parent)
    : DemoPage(memory, parent)
{
    auto *page = new QVBoxLayout(this);
    page->addWidget(caption(QStringLiteral("SURROUND PAN (drag the puck; Ctrl+Z undoes a move)"),
                            this, "font-weight: bold; color: #f0f0f0;"),
                    0, Qt::AlignLeft);
    auto *row = new QHBoxLayout;
    row->addWidget(pannerGroup(QStringLiteral("INPUT 1"), CSurround::InChSurr, "surround_puck.png",
                               DemoAddresses::surroundX, DemoAddresses::surroundY, this));
    row->addWidget(pannerGroup(QStringLiteral("EFFECT RETURN 1"), CSurround::FxSurr,
                               "surround_puck_fx.png", DemoAddresses::fxSurroundX,
                               DemoAddresses::fxSurroundY, this));
    row->addStretch();
    page->addLayout(row);
    page->addStretch();
}
