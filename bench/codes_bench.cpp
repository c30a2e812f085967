// The code browser on a supplier table of 100,000 rows, opened shared as every workstation opens
// it: opening the browser from the menu (the table and its index opened, the model, the dialog
// laid out, its rows fetched and painted once), a prefix typed into the code box (seek and redraw),
// and searches that find a row 50,000 rows ahead of the first (the code box's search over CODE +
// NAME, and SACTION over a compiled expression). Baselines in the same run: a plain QTableWidget
// dialog filled with the same visible rows by record number, and the naive search - one skip (one
// index lock and header check) per row. The table is made once in a folder under /tmp and removed
// at exit.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDialog>
#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "codes/code_browser.h"
#include "codes/dialogs/code_browser_dialog.h"
#include "core/prompts.h"
#include "core/settings.h"
#include "core/tis620.h"
#include "core/xbase.h"
#include "storage/catalogue.h"
#include "storage/table.h"

namespace {

constexpr std::uint32_t kRecords = 100'000;
constexpr std::uint32_t kAhead = 50'000;  // the row the searches find, counted from the first
const QSize kSize(640, 520);

std::string codeOf(std::uint32_t n)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "S%06u", n);
    return buf;
}

struct Site {
    std::string dir;
};

// Suppliers S000000 .. S099999 in code order, Thai names; only row kAhead + 1 holds "NEEDLE".
Site& site()
{
    static Site s = [] {
        Site x;
        char tmpl[] = "/tmp/mervo-codes-bench-XXXXXX";
        x.dir = std::string(::mkdtemp(tmpl)) + "/";
        std::atexit([] { std::filesystem::remove_all(site().dir); });
        const storage::TableDef& farmer = storage::codeTable(1);
        const std::string dbf = x.dir + storage::tableFileName(farmer);
        (void)storage::Table::create(dbf, storage::fieldSpecs(farmer.fields));
        std::unique_ptr<storage::Table> t;
        (void)storage::Table::open(dbf, storage::ShareMode::Exclusive, &t);
        const std::string thai = core::tis620::T("ร้านค้าข้าวเปลือก ");
        for (std::uint32_t n = 0; n < kRecords; ++n) {
            (void)t->append();
            (void)t->put("CODE", core::Value::text(codeOf(n)));
            (void)t->put("NAME", core::Value::text(thai + (n == kAhead ? "NEEDLE " : "") + std::to_string(n)));
            (void)t->put("ADDR1", core::Value::text(core::tis620::T("ตำบลบ้านใหม่ อำเภอเมือง")));
        }
        (void)t->close();
        (void)storage::openCatalogueTable(x.dir, farmer, storage::ShareMode::Exclusive, &t);  // the index
        (void)t->close();
        core::programSettings().setText("CDRV1", x.dir);
        core::programSettings().setText("CTRUSTEE", std::string(42, '6'));
        return x;
    }();
    return s;
}

// Shows the browser's dialog and paints it once, then returns as if closed.
class PaintOnce final : public codes::CodeScreens {
public:
    void showBrowser(codes::CodeBrowser& browser) override
    {
        codes::CodeBrowserDialog dialog(browser);
        dialog.resize(kSize);
        dialog.show();
        QImage shown = dialog.grab().toImage();
        benchmark::DoNotOptimize(shown);
    }
    void showEditor(codes::CodeEditor&) override {}
};

// A browser open on the table with its dialog shown, for the benchmarks that work in it.
struct OpenBrowser {
    OpenBrowser()
    {
        (void)site();
        (void)codes::openCodeTable(ws, 1);
        model = std::make_unique<codes::CodeBrowser>(ws, codes::CodeBrowser::Mode::Manage, 1, "", 6, true);
        dialog = std::make_unique<codes::CodeBrowserDialog>(*model);
        dialog->resize(kSize);
        dialog->show();
        model->opened();
    }
    ~OpenBrowser()
    {
        dialog.reset();
        model.reset();
        (void)ws.closeAll();
    }
    std::string highlighted()
    {
        core::Value v;
        (void)model->browse().sync();
        (void)model->table().get("CODE", &v);
        return core::xbase::rtrim(v.asText());
    }

    storage::Workspace ws;
    std::unique_ptr<codes::CodeBrowser> model;
    std::unique_ptr<codes::CodeBrowserDialog> dialog;
};

void BM_openBrowser(benchmark::State& state)
{
    (void)site();
    PaintOnce screens;
    codes::CodeScreens* previous = codes::setCodeScreens(&screens);
    for (auto _ : state)
        codes::POPCODE(1);
    codes::setCodeScreens(previous);
}
BENCHMARK(BM_openBrowser)->Unit(benchmark::kMillisecond);

void BM_dialogBaseline(benchmark::State& state)
{
    const std::string dbf = site().dir + storage::tableFileName(storage::codeTable(1));
    for (auto _ : state) {
        std::unique_ptr<storage::Table> t;
        (void)storage::Table::open(dbf, storage::ShareMode::Shared, &t);
        QDialog dialog;
        auto* layout = new QVBoxLayout(&dialog);
        auto* table = new QTableWidget(20, 2, &dialog);
        table->verticalHeader()->hide();
        layout->addWidget(table);
        for (int r = 0; r < 20; ++r) {
            (void)t->goTo(std::uint32_t(r + 1));
            for (int c = 0; c < 2; ++c) {
                core::Value v;
                (void)t->get(c == 0 ? "CODE" : "NAME", &v);
                table->setItem(r, c, new QTableWidgetItem(QString::fromUtf8(core::tis620::toUtf8(v.asText()).c_str())));
            }
        }
        dialog.resize(kSize);
        dialog.show();
        QImage shown = dialog.grab().toImage();
        benchmark::DoNotOptimize(shown);
    }
}
BENCHMARK(BM_dialogBaseline)->Unit(benchmark::kMillisecond);

void BM_prefixFilter(benchmark::State& state)
{
    OpenBrowser b;
    int i = 0;
    for (auto _ : state) {
        b.model->CFILTER(++i % 2 ? "S0499" : "S0731");
        QImage shown = b.dialog->browse()->grab().toImage();
        benchmark::DoNotOptimize(shown);
    }
    if (b.highlighted() != (i % 2 ? "S049900" : "S073100"))
        state.SkipWithError("the filter did not land on the prefix");
}
BENCHMARK(BM_prefixFilter)->Unit(benchmark::kMillisecond);

void BM_searchAhead(benchmark::State& state)
{
    OpenBrowser b;
    for (auto _ : state) {
        state.PauseTiming();
        b.model->CFILTER("");
        state.ResumeTiming();
        b.model->CSEARCH("needle");
    }
    if (b.highlighted() != codeOf(kAhead))
        state.SkipWithError("the search did not find the row");
}
BENCHMARK(BM_searchAhead)->Unit(benchmark::kMillisecond);

void BM_sactionAhead(benchmark::State& state)
{
    OpenBrowser b;
    for (auto _ : state) {
        state.PauseTiming();
        b.model->CFILTER("");
        state.ResumeTiming();
        codes::SACTION(b.model->browse(), 3, "needle", "farmer->code+farmer->name");
    }
    if (b.highlighted() != codeOf(kAhead))
        state.SkipWithError("the search did not find the row");
}
BENCHMARK(BM_sactionAhead)->Unit(benchmark::kMillisecond);

// The search as one would first write it: a skip (index lock, header check) and a read per row.
void BM_searchBaselineOneSkipARow(benchmark::State& state)
{
    (void)site();
    storage::Workspace ws;
    (void)codes::openCodeTable(ws, 1);
    storage::Table& t = *ws.find("farmer");
    const int name = t.fieldIndex("NAME");
    for (auto _ : state) {
        (void)t.goTop();
        for (;;) {
            (void)t.skip(1);
            std::string_view raw;
            if (t.eof() || (t.raw(name, &raw).ok() && core::xbase::upper(raw).find("NEEDLE") != std::string::npos))
                break;
        }
    }
    (void)ws.closeAll();
}
BENCHMARK(BM_searchBaselineOneSkipARow)->Unit(benchmark::kMillisecond);

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
