// The channel grid's string parsers (size lists, bit order, disabled rectangles) on arbitrary
// text: sizes stay in their ranges, masks are single bits of a 32-bit value, and disabled
// rectangles never reach outside the grid.

#include "CGrid.h"

#include <QApplication>

#include <cstdlib>

namespace {

void require(bool ok)
{
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromLatin1(reinterpret_cast<const char *>(data), int(size));
    CGrid grid;
    grid.setVerCount(20);
    grid.setHorCount(12);
    grid.setCellWidths(text);
    grid.setGridHeights(text);
    grid.setBitOrder(text);
    grid.setDisabledRects(text);
    for (int i = 0; i < grid.cols(); ++i)
        require(grid.cellWidth(i) >= 2 && grid.cellWidth(i) <= 50);
    for (int i = 0; i < grid.rows(); ++i)
        require(grid.gridHeight(i) >= 1 && grid.gridHeight(i) <= 10);
    for (int channel = -1; channel < 40; channel += 3) {
        for (int field = -1; field < 40; field += 5) {
            const quint32 m = grid.getMemApiBitMask(channel, field);
            require((m & (m - 1)) == 0);
        }
    }
    const QImage image = grid.grab().toImage();
    require(image.size() == grid.size());
    return 0;
}
