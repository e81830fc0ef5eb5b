// The library list: a viewport repaint of a 1 000-row list (4 columns of sub-columns with grid
// lines) against a plain QTreeWidget with the same texts and the default delegate.
// The ratio is printed after the table.

#include "ListWidge.h"
#include "ListWidgeItem.h"

#include <QApplication>
#include <QPixmap>

#include <benchmark/benchmark.h>

#include <map>

namespace {

constexpr int kRows = 1000;
const QSize kViewport(420, 600);
const char kSizes[] = "40.2;60:60.2;50.1:50.2;60.2";
const char kTitles[] = "No.;Scene:Title:Date;Type:Kind:Lock;Note";
constexpr int kRealColumns = 6;

QString cellTextFor(int row, int real)
{
    return QStringLiteral("R%1C%2").arg(row).arg(real);
}

class BenchRow : public CListWidgeItem
{
public:
    BenchRow(CListWidge *list, int slot)
        : CListWidgeItem(slot, list)
        , m_slot(slot)
    {
        for (int r = 0; r < kRealColumns; ++r)
            m_texts[r] = cellTextFor(slot, r);
    }
    int compare(CListWidgeItem *, int, bool) const override { return 0; }
    int slotNumber() override { return m_slot; }
    QString cellText(int column, int) override
    {
        return column >= 0 && column < kRealColumns ? m_texts[column] : QString();
    }
    QPixmap cellPixmap(int, bool) override { return QPixmap(); }
    bool getSlotData(QByteArray &) override { return false; }
    void setSlotData(const QByteArray &) override { }
    bool isTextCell(int, int) override { return true; }
    void popupDone(int, int, int) override { }
    void editDone(int, const QString &) override { }
    QString storeSlot() override { return {}; }
    QString recallSlot() override { return {}; }
    QString clearSlot() override { return {}; }
    void undoSlot() override { }
    QString toggleProtect() override { return {}; }
    bool isReadOnly() override { return false; }
    bool isProtected() override { return false; }
    bool isUsed() override { return true; }
    bool undoAvailable() override { return false; }
    IPreferenceSource *preferenceSource() override { return nullptr; }
    void clearUndo() override { }
    QString libraryName() override { return QStringLiteral("Bench"); }

private:
    int m_slot;
    QString m_texts[kRealColumns];
};

void BM_Repaint_CListWidge(benchmark::State &state)
{
    CListWidge list;
    list.setColTitles(QString::fromLatin1(kTitles));
    list.setColSizes(QString::fromLatin1(kSizes));
    for (int r = 0; r < kRows; ++r)
        new BenchRow(&list, r);
    list.resize(kViewport);
    list.show();
    QApplication::processEvents();
    QPixmap target(list.viewport()->size());
    for (auto _ : state)
        list.viewport()->render(&target);
}

void BM_Repaint_QTreeWidget(benchmark::State &state)
{
    QTreeWidget tree;
    tree.setColumnCount(4);
    tree.setRootIsDecorated(false);
    const int widths[4] = {40, 120, 100, 60};
    const int subs[4] = {1, 2, 2, 1};
    for (int c = 0; c < 4; ++c)
        tree.setColumnWidth(c, widths[c]);
    for (int r = 0; r < kRows; ++r) {
        auto *item = new QTreeWidgetItem(&tree);
        int real = 0;
        for (int c = 0; c < 4; ++c) {
            QStringList parts;
            for (int k = 0; k < subs[c]; ++k)
                parts.append(cellTextFor(r, real++));
            item->setText(c, parts.join(QLatin1Char(' ')));
        }
    }
    tree.resize(kViewport);
    tree.show();
    QApplication::processEvents();
    QPixmap target(tree.viewport()->size());
    for (auto _ : state)
        tree.viewport()->render(&target);
}

class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs)
            if (run.run_type == Run::RT_Iteration && run.iterations > 0)
                times[run.benchmark_name()] = run.GetAdjustedRealTime();
    }
    void printRatios() const
    {
        const auto b = times.find("BM_Repaint_QTreeWidget");
        const auto m = times.find("BM_Repaint_CListWidge");
        if (b == times.end() || m == times.end() || m->second <= 0)
            return;
        std::printf("\n%-52s %8.2f\n",
                    "viewport repaint, QTreeWidget / CListWidge (>= 1.5):", b->second / m->second);
    }

private:
    std::map<std::string, double> times;
};

} // namespace

BENCHMARK(BM_Repaint_CListWidge)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Repaint_QTreeWidget)->Unit(benchmark::kMicrosecond);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
