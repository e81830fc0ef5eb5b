// The library list's drag payload on arbitrary bytes: the decoder either splits the data into
// records that re-encode to the same bytes or fails with no records; a drop of the bytes onto a
// list never touches a slot when decoding fails, and never writes more slots than there are
// data records.

#include "ListWidge.h"
#include "ListWidgeDrag.h"
#include "ListWidgeItem.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>

#include <cstdlib>

namespace {

void require(bool ok)
{
    if (!ok)
        std::abort();
}

int g_writes = 0;

class FuzzRow : public CListWidgeItem
{
public:
    FuzzRow(CListWidge *list, int slot) : CListWidgeItem(slot, list), m_slot(slot)
    {
        setFlags(flags() | Qt::ItemIsDragEnabled);
    }
    int compare(CListWidgeItem *, int, bool) const override { return 0; }
    int slotNumber() override { return m_slot; }
    QString cellText(int, int) override { return QString::number(m_slot); }
    QPixmap cellPixmap(int, bool) override { return QPixmap(); }
    bool getSlotData(QByteArray &data) override
    {
        data = "slot";
        return true;
    }
    void setSlotData(const QByteArray &) override { ++g_writes; }
    bool isTextCell(int, int) override { return true; }
    void popupDone(int, int, int) override {}
    void editDone(int, const QString &) override {}
    QString storeSlot() override { return {}; }
    QString recallSlot() override { return {}; }
    QString clearSlot() override
    {
        ++g_writes;
        return {};
    }
    void undoSlot() override {}
    QString toggleProtect() override { return {}; }
    bool isReadOnly() override { return false; }
    bool isProtected() override { return false; }
    bool isUsed() override { return true; }
    bool undoAvailable() override { return false; }
    IPreferenceSource *preferenceSource() override { return nullptr; }
    void clearUndo() override {}
    QString libraryName() override { return QStringLiteral("Fuzz"); }

private:
    int m_slot;
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    QList<QByteArray> records;
    const bool ok = CListWidgeDrag::decode(bytes, records);
    require(ok ? CListWidgeDrag::encode(records) == bytes : records.isEmpty());

    static CListWidge *list = [] {
        auto *l = new CListWidge;
        l->setColSizes(QStringLiteral("40;60"));
        l->setContentType(1);
        for (int i = 0; i < 8; ++i)
            new FuzzRow(l, i);
        l->resize(120, 240);
        l->show();
        return l;
    }();
    // Half the inputs come as a drag from the list itself (a drag origin is set).
    list->clearSelection();
    list->topLevelItem(1)->setSelected(true);
    if (size % 2)
        list->makeDragObject(nullptr);
    QMimeData mime;
    mime.setData(CListWidgeDrag::formatFor(1), bytes);
    const QPoint at = list->visualItemRect(list->topLevelItem(3)).center();
    g_writes = 0;
    QDragEnterEvent enter(at, Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &enter);
    QDragMoveEvent move(at, Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &move);
    QDropEvent drop(at, Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &drop);
    // Moves shift rows too: at most the list's rows, and nothing for a payload that fails.
    require(ok || g_writes == 0);
    require(g_writes <= list->topLevelItemCount());
    require(list->dropTarget() == nullptr);
    return 0;
}
