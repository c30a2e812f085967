// The browse over a table of 1,000,000 weighing tickets in its "DTOS(DAYIN)+TMIN+TICKET" order,
// opened shared (every batch of keys under the index read lock, header checked): showing it at a
// record (seek, row source, widget, rows fetched, painted once), moving down a row and a page,
// and the row window alone without Qt. Baseline: the same visible rows read from the table by
// record number into a plain QTableWidget and painted once. The table is made once in a folder
// under /tmp and removed at exit. MERVO_BENCH_RECORDS makes a smaller table.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QTableWidget>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "core/tis620.h"
#include "storage/table.h"
#include "storage/table_row_source.h"
#include "ui/browse_widget.h"
#include "ui/browse_window.h"

using namespace storage;

namespace {

const QSize kSize(800, 600);
const std::uint32_t kRecords = [] {
    const char* v = std::getenv("MERVO_BENCH_RECORDS");
    return v && *v ? std::uint32_t(std::strtoul(v, nullptr, 10)) : 1000000u;
}();
const char* kKey = "DTOS(DAYIN)+TMIN+TICKET";

struct Fixture {
    std::string dir;
    std::unique_ptr<Table> table;
    std::vector<std::string> keys;  // keys of records spread over the table, to open at
};

// Tickets over three years, times of day at random, a truck and a supplier each.
Fixture& fixture()
{
    static Fixture f = [] {
        Fixture x;
        char tmpl[] = "/tmp/mervo-browse-bench-XXXXXX";
        x.dir = ::mkdtemp(tmpl);
        std::atexit([] { std::filesystem::remove_all(fixture().dir); });
        const std::string dbf = x.dir + "/WDATA1.DBF";
        (void)Table::create(dbf, {{"TICKET", FieldType::Character, 6, 0}, {"STAT", FieldType::Character, 1, 0},
                                  {"TRUCK", FieldType::Character, 10, 0}, {"COMPANY", FieldType::Character, 10, 0},
                                  {"DAYIN", FieldType::Date, 8, 0}, {"TMIN", FieldType::Character, 8, 0},
                                  {"WIN", FieldType::Numeric, 10, 2}});
        std::unique_ptr<Table> t;
        (void)Table::open(dbf, ShareMode::Exclusive, &t);
        std::mt19937 rng(7);
        char buf[32];
        for (std::uint32_t n = 1; n <= kRecords; ++n) {
            (void)t->append();
            std::snprintf(buf, sizeof buf, "%06u", n % 1000000);
            (void)t->putText(0, buf);
            (void)t->putText(1, rng() % 10 < 6 ? "2" : "1");
            std::snprintf(buf, sizeof buf, "TR-%04u", unsigned(rng() % 5000));
            (void)t->putText(2, buf);
            std::snprintf(buf, sizeof buf, "S%04u", unsigned(rng() % 200));
            (void)t->putText(3, buf);
            (void)t->putDate(4, core::Date::fromYmd(2022, 1, 1).addDays(std::int64_t(rng() % 1095)));
            const unsigned s = unsigned(rng() % 86400);
            std::snprintf(buf, sizeof buf, "%02u:%02u:%02u", s / 3600, s / 60 % 60, s % 60);
            (void)t->putText(5, buf);
            (void)t->putNumber(6, double(rng() % 5000000) / 100);
        }
        (void)t->createOrder(x.dir + "/WDATA12.NTX", kKey);
        (void)t->close();
        (void)Table::open(dbf, ShareMode::Shared, &x.table);
        (void)x.table->addOrder(x.dir + "/WDATA12.NTX", kKey);
        NtxIndex& ix = x.table->orderIndex(1);
        for (int i = 0; i < 101; ++i) {
            NtxIndex::Entry e;
            (void)ix.entryAt(0.2 + 0.006 * i, &e);
            x.keys.push_back(e.key);
        }
        return x;
    }();
    return f;
}

std::vector<ui::BrowseColumn> columns()
{
    return {{core::tis620::T("  เลขที่"), 80}, {core::tis620::T("  วันที่"), 100}, {core::tis620::T("  เวลา"), 80},
            {core::tis620::T("  ทะเบียนรถ"), 120}, {core::tis620::T("  น้ำหนักเข้า"), 120}};
}

const std::vector<std::string> kColumns = {"TICKET", "DTOC(DAYIN)", "TMIN", "TRUCK", "WIN"};

void BM_tableBrowseOpenAtRecord(benchmark::State& state)
{
    Fixture& f = fixture();
    std::size_t i = 0;
    for (auto _ : state) {
        (void)f.table->seek(f.keys[i++ % f.keys.size()]);
        std::unique_ptr<TableRowSource> src;
        (void)TableRowSource::create(*f.table, kColumns, &src);
        ui::BrowseWidget browse(*src, columns());
        browse.resize(kSize);
        browse.show();
        QImage shown = browse.grab().toImage();
        benchmark::DoNotOptimize(shown);
    }
}
BENCHMARK(BM_tableBrowseOpenAtRecord)->Unit(benchmark::kMillisecond);

void BM_tableWidgetBaseline(benchmark::State& state)
{
    Fixture& f = fixture();
    const int fields[5] = {0, 4, 5, 2, 6};  // TICKET, DAYIN, TMIN, TRUCK, WIN
    std::uint32_t at = 1;
    for (auto _ : state) {
        QTableWidget table(30, 5);
        table.verticalHeader()->hide();
        for (int r = 0; r < 30; ++r) {
            (void)f.table->goTo(at + std::uint32_t(r));
            for (int c = 0; c < 5; ++c) {
                core::Value v;
                (void)f.table->value(fields[c], &v);
                const std::string text = v.isText() ? v.asText() : v.toDisplayText();
                table.setItem(r, c, new QTableWidgetItem(QString::fromUtf8(core::tis620::toUtf8(text).c_str())));
            }
        }
        table.resize(kSize);
        table.show();
        QImage shown = table.grab().toImage();
        benchmark::DoNotOptimize(shown);
        at = (at + 7919) % (kRecords - 40) + 1;
    }
}
BENCHMARK(BM_tableWidgetBaseline)->Unit(benchmark::kMillisecond);

void BM_tableBrowseDownOneRow(benchmark::State& state)
{
    Fixture& f = fixture();
    (void)f.table->seek(f.keys[0]);
    std::unique_ptr<TableRowSource> src;
    (void)TableRowSource::create(*f.table, kColumns, &src);
    ui::BrowseWidget browse(*src, columns());
    browse.resize(kSize);
    browse.show();
    for (auto _ : state) {
        QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
        QApplication::sendEvent(&browse, &down);
        browse.viewport()->repaint();
    }
}
BENCHMARK(BM_tableBrowseDownOneRow)->Unit(benchmark::kMicrosecond);

void BM_tableBrowsePageDown(benchmark::State& state)
{
    Fixture& f = fixture();
    (void)f.table->seek(f.keys[0]);
    std::unique_ptr<TableRowSource> src;
    (void)TableRowSource::create(*f.table, kColumns, &src);
    ui::BrowseWidget browse(*src, columns());
    browse.resize(kSize);
    browse.show();
    for (auto _ : state) {
        QKeyEvent key(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
        QApplication::sendEvent(&browse, &key);
        browse.viewport()->repaint();
    }
}
BENCHMARK(BM_tableBrowsePageDown)->Unit(benchmark::kMicrosecond);

// The rows of a 25-row window fetched around a record, without Qt: the storage side of an opening.
void BM_rowWindowOpenAtRecord(benchmark::State& state)
{
    Fixture& f = fixture();
    std::size_t i = 0;
    for (auto _ : state) {
        (void)f.table->seek(f.keys[i++ % f.keys.size()]);
        std::unique_ptr<TableRowSource> src;
        (void)TableRowSource::create(*f.table, kColumns, &src);
        ui::BrowseWindow window(*src, 25);
        window.setHighlight(12);
        benchmark::DoNotOptimize(window.rows().data());
    }
}
BENCHMARK(BM_rowWindowOpenAtRecord)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    fixture();  // made before the first measurement
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
