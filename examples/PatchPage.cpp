#include "PatchPage.h"

#include "CGrid.h"
#include "DemoAddresses.h"
#include "NS_Utilities.h"

#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

// Ports of the converter cards; the last card slot is empty in the demo rack.
constexpr int kPorts = 32;
constexpr int kFittedPorts = 24;
// Eight buses and, after them, the field that stands for all of them.
constexpr int kBuses = 8;
constexpr int kAllBusesField = kBuses;

QLabel *caption(const QString &text, QWidget *parent, const char *style = "color: #a0a4aa;")
{
    auto *label = new QLabel(text, parent);
    label->setStyleSheet(QString::fromLatin1(style));
    return label;
}

CGrid *makeGrid(QWidget *parent, const char *name, const char *address, int fields)
{
    auto *grid = new CGrid(parent, name);
    grid->setBallImg(NS_Utilities::loadPixmap(QStringLiteral("grid_ball.png")));
    grid->setHorCount(DemoAddresses::strips);
    grid->setVerCount(fields);
    grid->setNamedAddress(QString::fromLatin1(address));
    grid->setAutoUpdates(true);
    grid->setFixedSize(grid->sizeHint());
    return grid;
}

} // namespace

PatchPage::PatchPage(TParamMemory *memory, QWidget *parent)
    : DemoPage(memory, parent)
    , m_status(caption(QString(), this))
{
    auto *page = new QVBoxLayout(this);
    auto *grids = new QGridLayout;
    grids->setHorizontalSpacing(24);
    page->addLayout(grids);

    // Channels down, ports across: a channel's patch value is its port + 1, 0 for none.
    auto *patch = makeGrid(this, "inputPatchGrid", "00kPatchInInput/kPatchIn", kPorts);
    patch->setDisabledRects(QStringLiteral("(%1,0,%2,%3)")
                                    .arg(kFittedPorts)
                                    .arg(kPorts - kFittedPorts)
                                    .arg(DemoAddresses::strips));
    grids->addWidget(
            caption(QStringLiteral("INPUT PATCH   AD 1 \u2026 AD %1 across, CH 1 \u2026 %2 "
                                   "down (AD %3 \u2026 %1: no card)")
                            .arg(kPorts)
                            .arg(DemoAddresses::strips)
                            .arg(kFittedPorts + 1),
                    this, "font-weight: bold; color: #f0f0f0;"),
            0, 0);
    grids->addWidget(patch, 1, 0, Qt::AlignLeft | Qt::AlignTop);

    // One bit per bus, the last column assigning all of them at once.
    auto *assign = makeGrid(this, "busAssignGrid", "00kInput/kAssign", kBuses + 1);
    assign->setValueAsBitMask(true);
    assign->setAllFieldIndex(kAllBusesField);
    assign->setGroupIndexStart(1);
    grids->addWidget(caption(QStringLiteral("BUS ASSIGN   BUS 1 \u2026 %1, ALL").arg(kBuses), this,
                             "font-weight: bold; color: #f0f0f0;"),
                     0, 1);
    grids->addWidget(assign, 1, 1, Qt::AlignLeft | Qt::AlignTop);
    grids->setColumnStretch(2, 1);

    for (CGrid *grid : {patch, assign}) {
        const QString name = grid->objectName();
        connect(grid, &CGrid::patchUpdated, this, [this, name](int row, int col, bool on) {
            report(QStringLiteral("%1: patchUpdated CH %2, field %3, %4")
                           .arg(name)
                           .arg(row + 1)
                           .arg(col + 1)
                           .arg(on ? QStringLiteral("on") : QStringLiteral("off")));
        });
        connect(grid, &CGrid::cursorMoved, this, [this, name](int col, int row) {
            report(QStringLiteral("%1: cursorMoved %2, %3").arg(name).arg(col).arg(row));
        });
        connect(grid, &CGrid::kbCursorMoved, this, [this, name](int col, int row) {
            report(QStringLiteral("%1: kbCursorMoved %2, %3").arg(name).arg(col).arg(row));
        });
    }
    page->addWidget(caption(QStringLiteral("Click a cell, or use the arrow keys and Space. "
                                           "Ctrl+Z undoes a change."),
                            this));
    page->addWidget(m_status);
    page->addStretch();
}

void PatchPage::report(const QString &text)
{
    m_status->setText(text);
}
