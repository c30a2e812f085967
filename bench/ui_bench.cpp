// The browse on a million rows: opening at a record (build, lay out, fetch, paint) and moving down
// row by row, against a plain QTableWidget that paints the same visible rows from memory as the
// baseline. Runs offscreen unless QT_QPA_PLATFORM names another platform.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QTableWidget>

#include "core/tis620.h"
#include "support/memory_row_source.h"
#include "ui/browse_widget.h"

namespace {

constexpr long kRows = 1'000'000;
const QSize kSize(800, 600);

testsupport::MemoryRowSource source()
{
    return testsupport::MemoryRowSource(kRows, [](long i, std::vector<std::string>& out) {
        char code[16];
        std::snprintf(code, sizeof code, "C%07ld", i);
        out = {code, core::tis620::T("ผู้ขายหมายเลข ") + std::to_string(i), std::to_string(i * 7 % 100000)};
    });
}

std::vector<ui::BrowseColumn> columns()
{
    return {{core::tis620::T("  รหัสผู้ขาย"), 100}, {core::tis620::T("  ชื่อผู้ขาย"), 300}, {core::tis620::T("  เลขที่"), 120}};
}

void BM_browseOpenAtRecord(benchmark::State& state)
{
    auto src = source();
    long at = 123'456;
    for (auto _ : state) {
        src.setAt(at);
        ui::BrowseWidget browse(src, columns());
        browse.resize(kSize);
        browse.show();
        QImage shown = browse.grab().toImage();
        benchmark::DoNotOptimize(shown);
        at = (at + 77'777) % kRows;
    }
    state.counters["rows_read"] = double(src.reads) / double(state.iterations());
}
BENCHMARK(BM_browseOpenAtRecord)->Unit(benchmark::kMillisecond);

void BM_tableWidgetBaseline(benchmark::State& state)
{
    auto src = source();
    for (auto _ : state) {
        QTableWidget table(30, 3);
        table.verticalHeader()->hide();
        std::vector<std::string> cells;
        for (int r = 0; r < 30; ++r) {
            src.setAt(r);
            src.cells(cells);
            for (int c = 0; c < 3; ++c)
                table.setItem(r, c, new QTableWidgetItem(QString::fromUtf8(core::tis620::toUtf8(cells[std::size_t(c)]).c_str())));
        }
        table.resize(kSize);
        table.show();
        QImage shown = table.grab().toImage();
        benchmark::DoNotOptimize(shown);
    }
}
BENCHMARK(BM_tableWidgetBaseline)->Unit(benchmark::kMillisecond);

void BM_browseDownOneRow(benchmark::State& state)
{
    auto src = source();
    src.setAt(500'000);
    ui::BrowseWidget browse(src, columns());
    browse.resize(kSize);
    browse.show();
    for (auto _ : state) {
        QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
        QApplication::sendEvent(&browse, &down);
        browse.viewport()->repaint();
    }
}
BENCHMARK(BM_browseDownOneRow)->Unit(benchmark::kMicrosecond);

void BM_browsePageDown(benchmark::State& state)
{
    auto src = source();
    src.setAt(0);
    ui::BrowseWidget browse(src, columns());
    browse.resize(kSize);
    browse.show();
    for (auto _ : state) {
        QKeyEvent key(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
        QApplication::sendEvent(&browse, &key);
        browse.viewport()->repaint();
        if (src.at() >= kRows - 1)
            src.setAt(0);
    }
}
BENCHMARK(BM_browsePageDown)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
