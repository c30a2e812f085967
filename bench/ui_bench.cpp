// The browse on a million rows: opening at a record (build, lay out, fetch, paint) and moving down
// row by row, against a plain QTableWidget that paints the same visible rows from memory as the
// baseline; and the print preview of a report of 544 pages, from its opening to its first paint.
// Runs offscreen unless QT_QPA_PLATFORM names another platform.
#include <benchmark/benchmark.h>

#include <QAbstractScrollArea>
#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QKeyEvent>
#include <QTableWidget>
#include <QTimer>

#include "core/tis620.h"
#include "support/memory_row_source.h"
#include "ui/browse_widget.h"
#include "ui/print_preview.h"
#include "ui/qt_print_job.h"

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

// The first paint of a preview's pages: closes the preview once that paint is done and notes when.
class FirstPaint final : public QObject {
public:
    explicit FirstPaint(QElapsedTimer& clock) : m_clock(clock) {}
    qint64 at = -1;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (event->type() != QEvent::Paint || at >= 0 || !widget)
            return false;
        auto* preview = qobject_cast<ui::PrintPreview*>(widget->window());
        if (!preview)
            return false;
        for (QWidget* w = widget; w && w != preview; w = w->parentWidget())
            if (w->inherits("QAbstractScrollArea")) {
                at = 0;
                QTimer::singleShot(0, preview, [this, preview] {
                    at = m_clock.nsecsElapsed();
                    preview->reject();
                });
                break;
            }
        return false;
    }

private:
    QElapsedTimer& m_clock;
};

// A preview of 544 pages laid out as the demo ticket report's are: a heading, 48 rows of eight
// columns in Thai and figures, rules under the heading and each group; opened, its pages painted
// once, closed.
void BM_previewFirstPaint(benchmark::State& state)
{
    using core::tis620::T;
    ui::QtPrintJob::Options options;
    options.kind = "Report";
    ui::QtPrintJob job(options);
    job.begin(T("  ส่วนรายงาน"));
    core::PrintFont font;
    font.face = "EucrosiaUPC";
    font.height = -28;
    const int dpi = job.dpiX();
    const int pages = int(state.range(0));
    for (int page = 0; page < pages; ++page) {
        job.beginPage();
        job.text(dpi / 2, dpi / 2, T("รายงานการชั่งน้ำหนักซื้อ หน้า ") + std::to_string(page + 1), font,
                 core::PrintAlign::Left);
        job.line(dpi / 2, dpi, dpi * 15 / 2, dpi, 2);
        for (int row = 0; row < 48; ++row) {
            const int y = dpi + dpi / 5 + row * dpi / 5;
            const int ticket = page * 48 + row;
            const std::string cells[8] = {std::to_string(100000 + ticket), "01/10/2569", T("ผู้ขายหมายเลข ") + std::to_string(ticket % 97),
                                          T("มันสำปะหลัง"), std::to_string(20000 + ticket % 9000),
                                          std::to_string(8000 + ticket % 700), std::to_string(12000 + ticket % 8300),
                                          std::to_string(ticket % 5000) + ".00"};
            for (int c = 0; c < 8; ++c)
                job.text(dpi / 2 + c * dpi * 7 / 8, y, cells[c], font,
                         c >= 4 ? core::PrintAlign::Right : core::PrintAlign::Left);
            if (row % 12 == 11)
                job.line(dpi / 2, y + dpi / 5, dpi * 15 / 2, y + dpi / 5, 1);
        }
        job.endPage();
    }
    QElapsedTimer clock;
    FirstPaint first(clock);
    qApp->installEventFilter(&first);
    job.end();  // the fonts' glyphs met once, as by any screen before a preview
    for (auto _ : state) {
        first.at = -1;
        clock.start();
        job.end();
        state.SetIterationTime(double(first.at) / 1e9);
    }
    qApp->removeEventFilter(&first);
    state.counters["pages"] = pages;
}
BENCHMARK(BM_previewFirstPaint)->Arg(544)->Arg(20)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

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
