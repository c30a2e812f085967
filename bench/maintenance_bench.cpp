// File maintenance on a site whose purchase table holds 20,000 completed tickets (100 suppliers,
// 20 products, 2 warehouses, the ledgers as the postings left them), against reading that table
// once in record order - the least any of these jobs does.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <sstream>

#include "core/prompts.h"
#include "core/settings.h"
#include "maintenance/backup.h"
#include "maintenance/maintenance_tables.h"
#include "maintenance/restore.h"
#include "maintenance/verify_ledgers.h"
#include "shell/startup.h"
#include "site/site_setup.h"
#include "storage/catalogue.h"
#include "storage/table.h"
#include "storage/table_csv.h"

namespace {

namespace fs = std::filesystem;

constexpr int kTickets = 20000;

// Questions answered Yes (the backup replaces its target each round), messages dropped.
class Quiet final : public core::Prompts {
public:
    void message(core::MessageKind, const std::string&, const std::string&) override {}
    bool confirm(const std::string&, const std::string&) override { return true; }
};

void append(const std::string& folder, const char* table, const std::string& csv)
{
    std::unique_ptr<storage::Table> t;
    (void)storage::openCatalogueTable(folder, *storage::findTable(table), storage::ShareMode::Shared, &t);
    storage::csv::Document doc;
    (void)storage::csv::parse(csv, &doc);
    std::vector<std::string> records;
    (void)storage::csv::toRecords(doc, t->layout(), &records);
    (void)storage::csv::appendRecords(*t, records);
    (void)t->close();
}

class Site {
public:
    Site()
    {
        storage::setHardCommit(false);
        dir = (fs::temp_directory_path() / ("mervo-maint-bench-" + std::to_string(::getpid()))).string();
        fs::remove_all(dir);
        site::InitOptions o;
        o.dir = dir;
        o.password = "DEMO";
        std::string error;
        site::initSite(o, &error);
        core::Settings& s = core::programSettings();
        shell::startUp(s, dir + "/MERVO.INI");
        s.setText("CDRV1", dir + "/TABLES/");
        s.setText("CDRV2", dir + "/DATA/");
        s.setText("CDRV3", dir + "/BACKUP/");
        std::ostringstream tickets, stock, ap;
        tickets << "TICKET,STAT,COMPANY,PRODUCT,WHOUSE,DAYIN,TMIN,QTY,AMOUNT,CASH,DRCR,ACCOUNT\n";
        long long balance[100] = {};
        long long onHand[20][2] = {};
        for (int i = 0; i < kTickets; ++i) {
            const int supplier = i % 100, product = i % 20, whouse = i % 2;
            const int qty = 1000 + i % 5000;
            tickets << i + 1 << ",2,F" << supplier << ",P" << product << ",W" << whouse << ",2026" << (1 + i % 12 < 10 ? "0" : "")
                    << 1 + i % 12 << "15," << 10 + i % 10 << ":00:00," << qty << "," << qty * 7 << ",0," << qty * 7
                    << ",\n";
            balance[supplier] += qty * 7;
            onHand[product][whouse] += qty;
        }
        stock << "CODE,WHOUSE,BALANCE\n";
        for (int p = 0; p < 20; ++p)
            for (int w = 0; w < 2; ++w)
                stock << "P" << p << ",W" << w << "," << onHand[p][w] << "\n";
        ap << "CODE,BALANCE\n";
        for (int f = 0; f < 100; ++f)
            ap << "F" << f << "," << balance[f] << "\n";
        const std::string data = dir + "/DATA/";
        append(data, "Wdata1", tickets.str());
        append(data, "Stock", stock.str());
        append(data, "ApAcc", ap.str());
        core::setPrompts(&quiet);
        // The backup every restore round reads.
        maintenance::BACKLOOP({data, "WDATA1", dir + "/BACKUP/", "ALL1", maintenance::DateMode::Weighing,
                               {core::Date::fromYmd(2026, 1, 1), core::Date::fromYmd(2026, 12, 31)}});
    }
    ~Site()
    {
        core::setPrompts(nullptr);
        fs::remove_all(dir);
    }
    std::string dir;
    Quiet quiet;
};

Site& site()
{
    static Site s;
    return s;
}

void BM_readTicketsBaseline(benchmark::State& state)
{
    const std::string path = site().dir + "/DATA/WDATA1.DBF";
    for (auto _ : state) {
        std::unique_ptr<storage::Table> t;
        (void)storage::Table::open(path, storage::ShareMode::Shared, &t);
        std::size_t bytes = 0;
        for (std::uint32_t n = 1; n <= t->recCount(); ++n) {
            const char* rec = nullptr;
            (void)t->goTo(n);
            (void)t->record(&rec);
            bytes += rec[1] == ' ';
        }
        benchmark::DoNotOptimize(bytes);
    }
}
BENCHMARK(BM_readTicketsBaseline)->Unit(benchmark::kMillisecond);

void BM_verifyLedgers(benchmark::State& state)
{
    site();
    for (auto _ : state) {
        const auto c = maintenance::verifyLedgers();
        if (!c.clean())
            state.SkipWithError("the ledgers differ");
        benchmark::DoNotOptimize(c.tables.size());
    }
}
BENCHMARK(BM_verifyLedgers)->Unit(benchmark::kMillisecond);

void BM_backupRange(benchmark::State& state)
{
    const std::string dir = site().dir;
    for (auto _ : state) {
        const auto r = maintenance::BACKLOOP({dir + "/DATA/", "WDATA1", dir + "/BACKUP/", "B1",
                                              maintenance::DateMode::Weighing,
                                              {core::Date::fromYmd(2026, 1, 1), core::Date::fromYmd(2026, 12, 31)}});
        if (r.outcome != maintenance::Outcome::Done)
            state.SkipWithError("the backup failed");
    }
}
BENCHMARK(BM_backupRange)->Unit(benchmark::kMillisecond);

// Every backup record is found in the table and left: the seek per record a second restore makes.
void BM_restoreNothingNew(benchmark::State& state)
{
    site();
    for (auto _ : state) {
        const auto r = maintenance::RESTLOOP(maintenance::transactionTables()[0], "ALL");
        if (r.outcome != maintenance::Outcome::Done)
            state.SkipWithError("the restore failed");
    }
}
BENCHMARK(BM_restoreNothingNew)->Unit(benchmark::kMillisecond);

}  // namespace
