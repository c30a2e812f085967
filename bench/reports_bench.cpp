// The report engine on a site whose purchase tickets table holds 1,000,000 tickets over 33 months
// (about 30,000 a month) with its date index: the demo ticket report (TRK01: grouped by day, eight
// columns, three of them added up, the supplier and product names from their code tables) over
// one month and over every ticket, each as the menu's OK runs it (definition, tables, order,
// DATACHECK, the engine) onto a print job that keeps nothing, against a plain ordered scan of the
// same records reading the fields the report shows; and the month's and the whole table's reports
// written to a PDF.
// The site is made once in a folder under /tmp (removed at exit); MERVO_BENCH_RECORDS makes the
// table smaller.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "core/settings.h"
#include "core/tis620.h"
#include "reports/report.h"
#include "shell/startup.h"
#include "site/demo_reports.h"
#include "site/site_setup.h"
#include "storage/catalogue.h"
#include "storage/table.h"
#include "ui/qt_print_job.h"

namespace {

const std::uint32_t kRecords = [] {
    const char* v = std::getenv("MERVO_BENCH_RECORDS");
    return v && *v ? std::uint32_t(std::strtoul(v, nullptr, 10)) : 1000000u;
}();
const core::Date kFirstDay = core::Date::fromYmd(2024, 3, 1);
constexpr int kDays = 1004;  // 1 March 2024 .. 29 November 2026
const core::Date kMonthFrom = core::Date::fromYmd(2026, 10, 1);
const core::Date kMonthTo = core::Date::fromYmd(2026, 10, 31);

// A print job that keeps nothing: the report's own cost without the rendering.
class NullJob final : public core::PrintJob {
public:
    bool begin(const std::string&) override { return true; }
    bool end() override { return true; }
    void beginPage() override { ++pages; }
    void endPage() override {}
    int pageCount() const override { return pages; }
    int dpiX() const override { return 1200; }
    int dpiY() const override { return 1200; }
    int pageWidth() const override { return 9924; }
    int pageHeight() const override { return 14028; }
    void setPaperSize(int, int) override {}
    void text(int, int, const std::string&, const core::PrintFont&, core::PrintAlign) override { ++texts; }
    int textWidth(const std::string& t, const core::PrintFont&) override { return int(t.size()) * 70; }
    void line(int, int, int, int, int) override {}
    bool picture(int, int, int, int, const std::string&) override { return true; }
    int pages = 0;
    long texts = 0;
};

struct Fixture {
    std::string dir;
    std::string data;  // the site's DATA folder
};

Fixture& fixture()
{
    static Fixture f = [] {
        Fixture x;
        char tmpl[] = "/tmp/mervo-report-bench-XXXXXX";
        x.dir = ::mkdtemp(tmpl);
        std::atexit([] { std::filesystem::remove_all(fixture().dir); });
        storage::setHardCommit(false);
        site::InitOptions options;
        options.dir = x.dir + "/site";
        options.password = "DEMO";
        options.demoSteps.assign(site::codeTableDemoSteps().begin(), site::codeTableDemoSteps().end());
        std::string error;
        if (!site::initSite(options, &error) || !site::writeDemoReports(options.dir + "/TABLES/", &error)) {
            std::fprintf(stderr, "site: %s\n", error.c_str());
            std::exit(1);
        }
        core::Settings& s = core::programSettings();
        shell::startUp(s, options.dir + "/MERVO.INI");
        s.setText("CDRV1", options.dir + "/TABLES/");
        s.setText("CDRV2", options.dir + "/DATA/");
        s.setText("CDRV4", options.dir + "/WORK/");
        s.setText("CUSER", "ADMIN");
        s.setText("CSYSSOUND", "N");
        s.setText("CPRINTER", "N");
        x.data = options.dir + "/DATA/";

        // The tickets, appended without their indexes, which are built once at the end.
        const storage::TableDef& def = *storage::findTable("Wdata1");
        std::unique_ptr<storage::Table> t;
        (void)storage::Table::open(x.data + storage::tableFileName(def), storage::ShareMode::Exclusive, &t);
        std::mt19937 rng(11);
        const auto field = [&](const char* name) { return t->fieldIndex(name); };
        const int ticket = field("TICKET"), stat = field("STAT"), truck = field("TRUCK"), company = field("COMPANY"),
                  product = field("PRODUCT"), whouse = field("WHOUSE"), unit = field("UNIT"), dayin = field("DAYIN"),
                  tmin = field("TMIN"), win = field("WIN"), wout = field("WOUT"), qty = field("QTY"),
                  amount = field("AMOUNT"), cash = field("CASH");
        char buf[32];
        for (std::uint32_t n = 1; n <= kRecords; ++n) {
            (void)t->append();
            std::snprintf(buf, sizeof buf, "%06u", n % 1000000);
            (void)t->putText(ticket, buf);
            (void)t->putText(stat, rng() % 20 ? "2" : "1");
            std::snprintf(buf, sizeof buf, "%02u-%04u", unsigned(70 + rng() % 20), unsigned(rng() % 10000));
            (void)t->putText(truck, buf);
            std::snprintf(buf, sizeof buf, "F00%u", unsigned(1 + rng() % 5));
            (void)t->putText(company, buf);
            std::snprintf(buf, sizeof buf, "P00%u", unsigned(1 + rng() % 5));
            (void)t->putText(product, buf);
            std::snprintf(buf, sizeof buf, "W0%u", unsigned(1 + rng() % 3));
            (void)t->putText(whouse, buf);
            (void)t->putText(unit, "KG");
            (void)t->putDate(dayin, kFirstDay.addDays(std::int64_t(std::uint64_t(n) * kDays / (kRecords + 1))));
            const unsigned sec = 6 * 3600 + unsigned(rng() % 43200);
            std::snprintf(buf, sizeof buf, "%02u:%02u:%02u", sec / 3600, sec / 60 % 60, sec % 60);
            (void)t->putText(tmin, buf);
            const double in = 8000 + rng() % 22000, out = 5000 + rng() % 3000;
            (void)t->putNumber(win, in);
            (void)t->putNumber(wout, out);
            (void)t->putNumber(qty, in - out);
            (void)t->putNumber(amount, (in - out) * 12.5);
            (void)t->putNumber(cash, (in - out) * 12.5);
        }
        for (const storage::IndexDef& ix : def.indexes)
            (void)t->createOrder(x.data + storage::indexFileName(ix), ix.key);
        (void)t->close();
        return x;
    }();
    return f;
}

// A plain ordered scan: the date order from the first day on, to the last, reading the fields the
// report prints and adds up.
void scan(core::Date from, core::Date to, benchmark::State& state)
{
    Fixture& f = fixture();
    std::size_t rows = 0;
    for (auto _ : state) {
        std::unique_ptr<storage::Table> t;
        (void)storage::Table::open(f.data + "WDATA1.DBF", storage::ShareMode::Exclusive, &t);
        (void)t->addOrder(f.data + "WDATA12.NTX", "DTOS(DAYIN)+TMIN+TICKET");
        (void)t->setOrder(1);
        const int fields[] = {t->fieldIndex("TICKET"), t->fieldIndex("TMIN"), t->fieldIndex("TRUCK"),
                              t->fieldIndex("COMPANY"), t->fieldIndex("PRODUCT")};
        const int numbers[] = {t->fieldIndex("WIN"), t->fieldIndex("WOUT"), t->fieldIndex("QTY"),
                               t->fieldIndex("AMOUNT")};
        const int day = t->fieldIndex("DAYIN");
        const std::string last = to.dtos();
        double sum = 0;
        rows = 0;
        for (storage::Status s = t->seek(from.dtos(), true); s.ok() && !t->eof(); s = t->skip()) {
            std::string_view raw;
            (void)t->raw(day, &raw);
            if (raw > last)
                break;
            for (const int i : fields) {
                (void)t->raw(i, &raw);
                benchmark::DoNotOptimize(raw.data());
            }
            for (const int i : numbers) {
                core::Value v;
                (void)t->value(i, &v);
                sum += v.asNumber();
            }
            ++rows;
        }
        benchmark::DoNotOptimize(sum);
        (void)t->close();
    }
    state.counters["rows"] = double(rows);
}

void report(core::Date from, core::Date to, core::PrintJob& job, benchmark::State& state)
{
    storage::Workspace ws;
    reports::ReportSession session(ws);
    if (!session.load("TRK01", core::tis620::T("รายงานการชั่งรับซื้อสินค้า")) || !session.openForm()) {
        state.SkipWithError("the report did not open");
        return;
    }
    session.values().set("CDAYBEG", core::Value::date(from));
    session.values().set("CDAYEND", core::Value::date(to));
    (void)job.begin("MERVO Report");
    if (session.REPCREA(job) != reports::ReportOutcome::Printed)
        state.SkipWithError("the report did not print");
    state.counters["pages"] = session.pages();
}

void BM_scanMonth(benchmark::State& state)
{
    scan(kMonthFrom, kMonthTo, state);
}
BENCHMARK(BM_scanMonth)->Unit(benchmark::kMillisecond);

void BM_reportMonth(benchmark::State& state)
{
    fixture();
    for (auto _ : state) {
        NullJob job;
        report(kMonthFrom, kMonthTo, job, state);
    }
}
BENCHMARK(BM_reportMonth)->Unit(benchmark::kMillisecond);

void BM_reportMonthToPdf(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state) {
        ui::QtPrintJob::Options options;
        options.output = ui::QtPrintJob::Output::PdfFile;
        options.pdfPath = f.dir + "/month.pdf";
        ui::QtPrintJob job(options);
        report(kMonthFrom, kMonthTo, job, state);
    }
}
BENCHMARK(BM_reportMonthToPdf)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_scanAll(benchmark::State& state)
{
    scan(kFirstDay, kFirstDay.addDays(kDays), state);
}
BENCHMARK(BM_scanAll)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_reportAll(benchmark::State& state)
{
    fixture();
    for (auto _ : state) {
        NullJob job;
        report(kFirstDay, kFirstDay.addDays(kDays), job, state);
    }
}
BENCHMARK(BM_reportAll)->Unit(benchmark::kMillisecond)->Iterations(3);

// Every page is kept until the job ends and then drawn into the file: one iteration only.
void BM_reportAllToPdf(benchmark::State& state)
{
    Fixture& f = fixture();
    const std::string pdf = f.dir + "/all.pdf";
    for (auto _ : state) {
        ui::QtPrintJob::Options options;
        options.output = ui::QtPrintJob::Output::PdfFile;
        options.pdfPath = pdf;
        ui::QtPrintJob job(options);
        report(kFirstDay, kFirstDay.addDays(kDays), job, state);
    }
    std::error_code error;
    const std::uintmax_t bytes = std::filesystem::file_size(pdf, error);
    if (!error)
        state.counters["MB"] = double(bytes) / 1e6;
    std::filesystem::remove(pdf, error);
}
BENCHMARK(BM_reportAllToPdf)->Unit(benchmark::kMillisecond)->Iterations(1);

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
