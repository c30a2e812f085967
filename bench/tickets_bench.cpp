// The purchase ticket screen on a ticket table of 1,000,000 records (a new site in a folder under
// /tmp, removed at exit): opening the screen with all its tables and the last ticket shown, saving
// a second weighing with its posting (flushed as the program flushes, and with flushing off), and
// the truck prompt's look-up - each beside a baseline of the bare storage work measured in the
// same run. bench/README.md has the figures.
//
// Run: tickets_bench [--benchmark_filter=...]. MERVO_BENCH_RECORDS (default 1000000) makes a
// quicker run.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "core/prompts.h"
#include "core/settings.h"
#include "core/xbase.h"
#include "shell/startup.h"
#include "site/site_setup.h"
#include "storage/catalogue.h"
#include "storage/ops.h"
#include "storage/table.h"
#include "storage/table_csv.h"
#include "weighing/ticket_screen.h"
#include "weighing/ticket_values.h"

namespace {

std::uint32_t envCount(const char* name, std::uint32_t fallback)
{
    const char* v = std::getenv(name);
    return v && *v ? std::uint32_t(std::strtoul(v, nullptr, 10)) : fallback;
}

const std::uint32_t kRecords = envCount("MERVO_BENCH_RECORDS", 1000000);
// The last tickets of the table are open (weighed in, waiting for weigh-out), each its own truck:
// enough for three repetitions of both saving benchmarks (2,400 saves) with open ones left for
// the look-up.
constexpr std::uint32_t kOpen = 4000;

std::string g_dir;  // removed at exit

// Answers No to every question (the print offer after a second weighing).
class NoPrompts final : public core::Prompts {
public:
    void message(core::MessageKind, const std::string&, const std::string&) override {}
    bool confirm(const std::string&, const std::string&) override { return false; }
};
NoPrompts g_prompts;

// The truck prompt answered with `truck`; the weight dialog delivering `weight`.
class BenchHost final : public weighing::TicketHost {
public:
    bool askTruck(weighing::TicketScreen& s) override
    {
        s.values().setText("cTrk", core::xbase::padRight(truck, 20));
        return true;
    }
    void chooseFromList(weighing::ListDialogModel&) override {}
    void searchDocuments(weighing::SearchDialogModel&) override {}
    void readWeight(int which, scale::WeighTarget& target) override
    {
        target.receiveWeight(which, weight);
        target.disableWeighButton(which);
        target.enableAndFocusSave();
    }
    std::string truck;
    long long weight = 4000;
};

std::string openTruck(std::uint32_t n)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "OP-%05u", n % 100000);
    return buf;
}

void check(const storage::Status& s, const char* what)
{
    if (!s.ok()) {
        std::fprintf(stderr, "%s: %s\n", what, s.toString().c_str());
        std::abort();
    }
}

void loadCodes(const std::string& folder, const char* table, const std::string& csv)
{
    const storage::TableDef* def = storage::findTable(table);
    std::unique_ptr<storage::Table> t;
    check(storage::openCatalogueTable(folder, *def, storage::ShareMode::Exclusive, &t), table);
    storage::csv::Document doc;
    check(storage::csv::parse(csv, &doc), "csv");
    std::vector<std::string> records;
    check(storage::csv::toRecords(doc, t->layout(), &records), "csv records");
    check(storage::csv::appendRecords(*t, records), "append codes");
    check(t->close(), "close");
}

constexpr unsigned kSuppliers = 200;

std::string supplier(std::uint32_t n)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "S%04u", unsigned(n % kSuppliers));
    return buf;
}

// Ticket n of the purchase table: 1,000 trucks and 200 suppliers over three years, three in four
// complete tickets settled (ACCOUNT "1"); complete except the last kOpen, which are open.
void writeTicket(storage::Table& t, std::uint32_t n)
{
    const storage::Layout& l = t.layout();
    char buf[32];
    std::snprintf(buf, sizeof buf, "%06u", n % 1000000);
    (void)t.putText(l.find("TICKET"), buf);
    const bool open = n > kRecords - std::min(kOpen, kRecords / 2);
    (void)t.putText(l.find("STAT"), open ? "1" : "2");
    if (open) {
        (void)t.putText(l.find("TRUCK"), openTruck(n));
    } else {
        std::snprintf(buf, sizeof buf, "TR-%04u", n % 1000);
        (void)t.putText(l.find("TRUCK"), buf);
    }
    (void)t.putText(l.find("COMPANY"), supplier(n * 7919));
    (void)t.putText(l.find("PRODUCT"), "P001");
    (void)t.putText(l.find("WHOUSE"), "W1");
    (void)t.putText(l.find("UNIT"), "KG");
    const core::Date day = core::Date::fromYmd(2023, 1, 1).addDays(std::int64_t(n) * 1095 / std::int64_t(kRecords));
    const unsigned s = n % 86400;
    std::snprintf(buf, sizeof buf, "%02u:%02u:%02u", s / 3600, s / 60 % 60, s % 60);
    (void)t.putDate(l.find("DAYIN"), day);
    (void)t.putText(l.find("TMIN"), buf);
    (void)t.putNumber(l.find("WIN"), 15000);
    (void)t.putNumber(l.find("PRICE"), 7.25);
    (void)t.putNumber(l.find("RATE"), 1);
    if (!open) {
        (void)t.putDate(l.find("DAYOUT"), day);
        (void)t.putText(l.find("TMOUT"), buf);
        (void)t.putNumber(l.find("WOUT"), 5000);
        (void)t.putNumber(l.find("QTY"), 10000);
        (void)t.putNumber(l.find("AMOUNT"), 72500);
        (void)t.putNumber(l.find("CASH"), 72500);
        (void)t.putText(l.find("ACCOUNT"), n % 4 ? "1" : " ");
    }
    (void)t.putText(l.find("STAFF"), "ADMIN");
}

// The site with its codes and the ticket table with its three indexes, made once for the run; the
// program-wide settings point at it.
struct Site {
    Site()
    {
        std::string tmpl = (std::filesystem::temp_directory_path() / "mervo-tickets-XXXXXX").string();
        if (!::mkdtemp(tmpl.data()))
            std::abort();
        g_dir = tmpl;
        std::atexit([] { std::filesystem::remove_all(g_dir); });
        site::InitOptions options;
        options.dir = g_dir + "/site";
        options.password = "DEMO";
        std::string error;
        if (!site::initSite(options, &error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            std::abort();
        }
        tables = options.dir + "/TABLES/";
        data = options.dir + "/DATA/";
        core::Settings& s = core::programSettings();
        shell::startUp(s, options.dir + "/MERVO.INI");
        s.setText("CDRV1", tables);
        s.setText("CDRV2", data);
        s.setText("CDRV4", options.dir + "/WORK/");
        s.setText("CUSER", "ADMIN");
        s.setText("CSYSSOUND", "N");
        s.setText("CPAYCASE", "2");  // second weighings go on account: the supplier's ledger moves
        core::setPrompts(&g_prompts);

        std::string farmers = "CODE,NAME\n";
        for (unsigned i = 0; i < kSuppliers; ++i)
            farmers += supplier(i) + ",Supplier " + std::to_string(i) + "\n";
        loadCodes(tables, "Farmer", farmers);
        loadCodes(tables, "Product", "CODE,NAME,UNIT1,PRICE1\nP001,Paddy,KG,7.25\n");
        loadCodes(tables, "WHouse", "CODE,NAME\nW1,Front store\n");
        loadCodes(tables, "Unit", "CODE,NAME,RATE\nKG,Kilogram,1\n");

        const storage::TableDef* def = storage::findTable("Wdata1");
        const std::string dbf = data + storage::tableFileName(*def);
        for (const storage::IndexDef& i : def->indexes)
            std::filesystem::remove(data + storage::indexFileName(i));
        {
            std::unique_ptr<storage::Table> t;
            check(storage::Table::open(dbf, storage::ShareMode::Exclusive, &t), "open Wdata1");
            for (std::uint32_t n = 1; n <= kRecords; ++n) {
                check(t->append(), "append");
                writeTicket(*t, n);
            }
            check(t->close(), "close Wdata1");
        }
        std::unique_ptr<storage::Table> t;
        check(storage::openCatalogueTable(data, *def, storage::ShareMode::Exclusive, &t), "index Wdata1");
        check(t->close(), "close Wdata1");
    }
    std::string tables, data;
    std::uint32_t nextOpen = kRecords - std::min(kOpen, kRecords / 2) + 1;
};

Site& site()
{
    static Site s;
    return s;
}

// ---- Opening the screen

void BM_openTicketScreen(benchmark::State& state)
{
    site();
    BenchHost host;
    for (auto _ : state) {
        weighing::TicketScreen screen(1, 6, host);
        if (!screen.open()) {
            state.SkipWithError("the screen did not open");
            return;
        }
        benchmark::DoNotOptimize(screen.values().text("cRecP"));
        screen.close();
    }
}
BENCHMARK(BM_openTicketScreen)->Unit(benchmark::kMillisecond);

// Baseline: the ticket table alone opened shared with its three indexes, its last ticket in date
// order read.
void BM_openTicketTableBaseline(benchmark::State& state)
{
    site();
    const storage::TableDef* def = storage::findTable("Wdata1");
    for (auto _ : state) {
        std::unique_ptr<storage::Table> t;
        check(storage::openCatalogueTable(site().data, *def, storage::ShareMode::Shared, &t), "open");
        check(t->setOrder(2), "order");
        check(t->goBottom(), "bottom");
        core::Value v;
        check(t->get("TICKET", &v), "get");
        benchmark::DoNotOptimize(v);
        check(t->close(), "close");
    }
}
BENCHMARK(BM_openTicketTableBaseline)->Unit(benchmark::kMillisecond);

// ---- Saving a second weighing

// Arg: 1 flushed as the program flushes (fdatasync at every commit), 0 with flushing off.
void BM_saveSecondWeighing(benchmark::State& state)
{
    Site& s = site();
    storage::setHardCommit(state.range(0) != 0);
    BenchHost host;
    weighing::TicketScreen screen(1, 6, host);
    if (!screen.open()) {
        state.SkipWithError("the screen did not open");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        if (s.nextOpen > kRecords) {
            state.SkipWithError("no open ticket left");
            break;
        }
        host.truck = openTruck(s.nextOpen++);
        screen.weighPressed();
        screen.READW(2);
        if (screen.mode() != 2) {
            state.SkipWithError("the open ticket was not found");
            break;
        }
        state.ResumeTiming();
        if (!screen.TRSAVE())
            state.SkipWithError("save refused");
    }
    screen.close();
    storage::setHardCommit(true);
}
BENCHMARK(BM_saveSecondWeighing)->Arg(1)->Arg(0)->Iterations(400)->Unit(benchmark::kMillisecond);

// Baseline: one record of the ticket table locked, one field written, committed and unlocked in
// the screen's workspace, with the same flushing.
void BM_writeTicketBaseline(benchmark::State& state)
{
    site();
    storage::setHardCommit(state.range(0) != 0);
    BenchHost host;
    weighing::TicketScreen screen(1, 6, host);
    if (!screen.open()) {
        state.SkipWithError("the screen did not open");
        return;
    }
    storage::Workspace& ws = screen.workspace();
    storage::Table& t = *ws.find(weighing::kTicketAlias);
    for (auto _ : state) {
        (void)storage::REC_LOCK(ws);
        check(t.put("STAFF", core::Value::text("ADMIN")), "put");
        (void)storage::commitAll(ws);
        (void)storage::unlockAll(ws);
    }
    screen.close();
    storage::setHardCommit(true);
}
BENCHMARK(BM_writeTicketBaseline)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// ---- The truck prompt's look-up

// Arg: 1 a truck with an open ticket (resumed), 0 a truck without (a new ticket).
void BM_truckLookup(benchmark::State& state)
{
    Site& s = site();
    BenchHost host;
    weighing::TicketScreen screen(1, 6, host);
    if (!screen.open()) {
        state.SkipWithError("the screen did not open");
        return;
    }
    if (state.range(0) && s.nextOpen > kRecords) {
        state.SkipWithError("no open ticket left");
        screen.close();
        return;
    }
    std::uint32_t n = kRecords;
    for (auto _ : state) {
        host.truck = state.range(0) ? openTruck(n) : "NEW-" + std::to_string(n % 1000);
        if (--n < s.nextOpen)
            n = kRecords;
        const int mode = screen.GETTRUCK(true);
        if (mode != (state.range(0) ? 2 : 1)) {
            state.SkipWithError("unexpected look-up result");
            break;
        }
    }
    screen.close();
}
BENCHMARK(BM_truckLookup)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

// Baseline: one seek of an existing key in the ticket table's date order, shared.
void BM_seekBaseline(benchmark::State& state)
{
    site();
    BenchHost host;
    weighing::TicketScreen screen(1, 6, host);
    if (!screen.open()) {
        state.SkipWithError("the screen did not open");
        return;
    }
    storage::Table& t = *screen.workspace().find(weighing::kTicketAlias);
    check(t.goBottom(), "bottom");
    core::Value day, time, ticket;
    check(t.get("DAYIN", &day), "get");
    check(t.get("TMIN", &time), "get");
    check(t.get("TICKET", &ticket), "get");
    const std::string key = day.asDate().dtos() + time.asText() + ticket.asText();
    for (auto _ : state) {
        check(t.seek(key), "seek");
        benchmark::DoNotOptimize(t.found());
    }
    screen.close();
}
BENCHMARK(BM_seekBaseline)->Unit(benchmark::kMicrosecond);

}  // namespace
