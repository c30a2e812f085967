// The table engine on a weighing-ticket table of 1,000,000 records (the golden WDATA1 layout, 80
// bytes a record) in a folder under /tmp, each operation beside the time of reading the same DBF
// sequentially ("cat speed", measured first in the same run): the counter x_cat is the operation's
// time divided by it. bench/README.md has the figures.
//
// Run: storage_bench [--benchmark_filter=...]. MERVO_BENCH_RECORDS (default 1000000) and
// MERVO_BENCH_APPENDS (default 100000) make quicker runs possible.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "storage/key_source.h"
#include "storage/table.h"

using namespace storage;

namespace {

using Clock = std::chrono::steady_clock;

std::uint32_t envCount(const char* name, std::uint32_t fallback)
{
    const char* v = std::getenv(name);
    return v && *v ? std::uint32_t(std::strtoul(v, nullptr, 10)) : fallback;
}

const std::uint32_t kRecords = envCount("MERVO_BENCH_RECORDS", 1000000);
const std::uint32_t kAppends = envCount("MERVO_BENCH_APPENDS", 100000);
const char* kKeys[3] = {"STAT+TRUCK", "DTOS(DAYIN)+TMIN+TICKET", "COMPANY+ACCOUNT"};
const char* kIndexFiles[3] = {"WDATA1.NTX", "WDATA12.NTX", "WDATA13.NTX"};

std::vector<FieldSpec> ticketFields()
{
    return {{"TICKET", FieldType::Character, 6, 0}, {"STAT", FieldType::Character, 1, 0},
            {"TRUCK", FieldType::Character, 10, 0}, {"COMPANY", FieldType::Character, 10, 0},
            {"DAYIN", FieldType::Date, 8, 0},       {"TMIN", FieldType::Character, 8, 0},
            {"WIN", FieldType::Numeric, 10, 2},     {"PRICE", FieldType::Numeric, 12, 3},
            {"ADJ_W1", FieldType::Numeric, 10, 2},  {"ACCOUNT", FieldType::Character, 1, 0},
            {"PRINT", FieldType::Numeric, 2, 0},    {"POSTED", FieldType::Logical, 1, 0}};
}

// The fields of ticket n: three years of dates, 5,000 trucks, 200 suppliers, the usual mix.
void writeTicket(Table& t, std::uint32_t n, std::mt19937& rng)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%06u", n % 1000000);
    (void)t.putText(0, buf);
    (void)t.putText(1, rng() % 10 < 6 ? "2" : "1");
    std::snprintf(buf, sizeof buf, "TR-%04u", unsigned(rng() % 5000));
    (void)t.putText(2, buf);
    std::snprintf(buf, sizeof buf, "S%04u", unsigned(rng() % 200));
    (void)t.putText(3, buf);
    (void)t.putDate(4, core::Date::fromYmd(2022, 1, 1).addDays(std::int64_t(n) * 1095 / std::int64_t(kRecords)));
    const unsigned s = unsigned(rng() % 86400);
    std::snprintf(buf, sizeof buf, "%02u:%02u:%02u", s / 3600, s / 60 % 60, s % 60);
    (void)t.putText(5, buf);
    (void)t.putNumber(6, double(rng() % 5000000) / 100);
    (void)t.putNumber(7, double(rng() % 10000000) / 1000);
    (void)t.putNumber(8, double(int(rng() % 100000) - 50000) / 100);
    (void)t.putText(9, rng() % 4 ? "1" : " ");
    (void)t.putNumber(10, double(rng() % 10));
    (void)t.putLogical(11, rng() % 2);
}

std::string g_benchDir;  // removed at exit

struct Fixture {
    std::string dir;
    std::string dbf;
    double catSeconds = 0;
    std::vector<std::string> seekKeys;
};

void fail(benchmark::State& state, const Status& s)
{
    state.SkipWithError(s.toString().c_str());
}

Status appendAll(const std::string& path, std::uint32_t n)
{
    STORAGE_TRY(Table::create(path, ticketFields(), true));
    std::unique_ptr<Table> t;
    STORAGE_TRY(Table::open(path, ShareMode::Exclusive, &t));
    std::mt19937 rng(1);
    for (std::uint32_t i = 1; i <= n; ++i) {
        STORAGE_TRY(t->append());
        writeTicket(*t, i, rng);
    }
    return t->close();
}

double catOnce(const std::string& path)
{
    std::vector<char> buf(1 << 20);
    const auto start = Clock::now();
    const int fd = ::open(path.c_str(), O_RDONLY);
    std::size_t total = 0;
    for (ssize_t n; (n = ::read(fd, buf.data(), buf.size())) > 0;)
        total += std::size_t(n);
    ::close(fd);
    benchmark::DoNotOptimize(total);
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The table, its three indexes and 100,000 keys to seek, made once for the whole run.
Fixture& fixture()
{
    static Fixture f = [] {
        Fixture x;
        std::string tmpl = (std::filesystem::temp_directory_path() / "mervo-bench-XXXXXX").string();
        if (!::mkdtemp(tmpl.data()))
            std::abort();
        x.dir = tmpl;
        g_benchDir = tmpl;
        std::atexit([] { std::filesystem::remove_all(g_benchDir); });
        x.dbf = x.dir + "/WDATA1.DBF";
        if (!appendAll(x.dbf, kRecords).ok())
            std::abort();
        std::unique_ptr<Table> t;
        if (!Table::open(x.dbf, ShareMode::Exclusive, &t).ok())
            std::abort();
        for (int i = 0; i < 3; ++i)
            if (!t->createOrder(x.dir + "/" + kIndexFiles[i], kKeys[i]).ok())
                std::abort();
        std::unique_ptr<KeySource> key;
        (void)compileKey(kKeys[1], t->layout(), &key);
        std::mt19937 rng(7);
        std::string k;
        for (int i = 0; i < 100000; ++i) {
            const char* rec = nullptr;
            if (!t->goTo(1 + std::uint32_t(rng() % kRecords)).ok() || !t->record(&rec).ok())
                std::abort();
            key->key(rec, k);
            x.seekKeys.push_back(k);
        }
        (void)t->close();
        catOnce(x.dbf);  // warm the page cache the same way for every reader
        double best = 1e9;
        for (int i = 0; i < 5; ++i)
            best = std::min(best, catOnce(x.dbf));
        x.catSeconds = best;
        return x;
    }();
    return f;
}

void report(benchmark::State& state, double seconds)
{
    state.counters["seconds"] = seconds;
    state.counters["x_cat"] = seconds / fixture().catSeconds;
}

void BM_CatBaseline(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state)
        report(state, catOnce(f.dbf));
    state.counters["MB"] = double(std::filesystem::file_size(f.dbf)) / 1e6;
}

void BM_AppendExclusiveNoIndex(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state) {
        const auto start = Clock::now();
        if (Status s = appendAll(f.dir + "/APPEND.DBF", kRecords); !s.ok())
            return fail(state, s);
        report(state, std::chrono::duration<double>(Clock::now() - start).count());
    }
    std::filesystem::remove(f.dir + "/APPEND.DBF");
}

void BM_BuildIndex(benchmark::State& state)
{
    Fixture& f = fixture();
    const int which = int(state.range(0));
    state.SetLabel(kKeys[which]);
    for (auto _ : state) {
        std::unique_ptr<Table> t;
        if (Status s = Table::open(f.dbf, ShareMode::Exclusive, &t); !s.ok())
            return fail(state, s);
        const auto start = Clock::now();
        if (Status s = t->createOrder(f.dir + "/BUILD.NTX", kKeys[which]); !s.ok())
            return fail(state, s);
        report(state, std::chrono::duration<double>(Clock::now() - start).count());
    }
    std::filesystem::remove(f.dir + "/BUILD.NTX");
}

void BM_RandomSeeks(benchmark::State& state)
{
    Fixture& f = fixture();
    const ShareMode mode = state.range(0) ? ShareMode::Exclusive : ShareMode::Shared;
    state.SetLabel(mode == ShareMode::Shared ? "shared" : "exclusive");
    for (auto _ : state) {
        std::unique_ptr<Table> t;
        if (Status s = Table::open(f.dbf, mode, &t); !s.ok())
            return fail(state, s);
        if (Status s = t->addOrder(f.dir + "/WDATA12.NTX", kKeys[1]); !s.ok())
            return fail(state, s);
        const auto start = Clock::now();
        std::size_t found = 0;
        for (const std::string& k : f.seekKeys) {
            if (Status s = t->seek(k); !s.ok())
                return fail(state, s);
            found += t->found();
        }
        report(state, std::chrono::duration<double>(Clock::now() - start).count());
        if (found != f.seekKeys.size())
            return state.SkipWithError("a key was not found");
    }
}

// range(0): 0 shared, 1 exclusive; range(1): keys per index lock (1: one skip at a time).
void BM_OrderedSkip(benchmark::State& state)
{
    Fixture& f = fixture();
    const ShareMode mode = state.range(0) ? ShareMode::Exclusive : ShareMode::Shared;
    const std::size_t batch = std::size_t(state.range(1));
    state.SetLabel(std::string(mode == ShareMode::Shared ? "shared" : "exclusive") +
                   (batch > 1 ? ", " + std::to_string(batch) + " keys a lock" : ", one skip a lock"));
    for (auto _ : state) {
        std::unique_ptr<Table> t;
        if (Status s = Table::open(f.dbf, mode, &t); !s.ok())
            return fail(state, s);
        if (Status s = t->addOrder(f.dir + "/WDATA12.NTX", kKeys[1]); !s.ok())
            return fail(state, s);
        const auto start = Clock::now();
        std::uint32_t seen = 0;
        if (Status s = t->goTop(); !s.ok())
            return fail(state, s);
        if (batch == 1) {
            for (; !t->eof(); ++seen)
                if (Status s = t->skip(); !s.ok())
                    return fail(state, s);
        } else {
            std::vector<std::uint32_t> recnos;
            seen = 1;
            do {
                if (Status s = t->skipMany(batch, &recnos); !s.ok())
                    return fail(state, s);
                seen += std::uint32_t(recnos.size());
            } while (recnos.size() == batch);
        }
        report(state, std::chrono::duration<double>(Clock::now() - start).count());
        if (seen != kRecords)
            return state.SkipWithError("the walk did not see every record");
    }
}

// range(0): 1 with hard commit (fdatasync of the table and each changed index), 0 without.
void BM_SharedAppendsThreeIndexes(benchmark::State& state)
{
    Fixture& f = fixture();
    const bool flush = state.range(0) != 0;
    state.SetLabel(std::to_string(kAppends) + (flush ? " appends, commit with fdatasync" : " appends, no flush"));
    for (auto _ : state) {
        state.PauseTiming();
        const std::string dir = f.dir + "/appends";
        std::filesystem::create_directories(dir);
        std::filesystem::copy_file(f.dbf, dir + "/WDATA1.DBF", std::filesystem::copy_options::overwrite_existing);
        for (const char* n : kIndexFiles)
            std::filesystem::copy_file(f.dir + "/" + n, dir + "/" + n, std::filesystem::copy_options::overwrite_existing);
        setHardCommit(flush);
        std::unique_ptr<Table> t;
        if (Status s = Table::open(dir + "/WDATA1.DBF", ShareMode::Shared, &t); !s.ok())
            return fail(state, s);
        for (int i = 0; i < 3; ++i)
            if (Status s = t->addOrder(dir + "/" + kIndexFiles[i], kKeys[i]); !s.ok())
                return fail(state, s);
        std::mt19937 rng(3);
        state.ResumeTiming();
        const auto start = Clock::now();
        for (std::uint32_t i = 1; i <= kAppends; ++i) {
            Status s = t->append();
            if (s.ok()) {
                writeTicket(*t, kRecords + i, rng);
                s = t->commit();
            }
            if (s.ok())
                s = t->unlock();
            if (!s.ok())
                return fail(state, s);
        }
        report(state, std::chrono::duration<double>(Clock::now() - start).count());
        setHardCommit(true);
        state.PauseTiming();
        t.reset();
        std::filesystem::remove_all(dir);
        state.ResumeTiming();
    }
}

void BM_PackTenPercentThreeIndexes(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state) {
        state.PauseTiming();
        const std::string dir = f.dir + "/pack";
        std::filesystem::create_directories(dir);
        std::filesystem::copy_file(f.dbf, dir + "/WDATA1.DBF", std::filesystem::copy_options::overwrite_existing);
        std::unique_ptr<Table> t;
        if (Status s = Table::open(dir + "/WDATA1.DBF", ShareMode::Exclusive, &t); !s.ok())
            return fail(state, s);
        for (std::uint32_t r = 7; r <= kRecords; r += 10)
            if (Status s = t->goTo(r); !s.ok() || !(s = t->deleteRecord()).ok())
                return fail(state, s);
        for (int i = 0; i < 3; ++i)
            if (Status s = t->createOrder(dir + "/" + kIndexFiles[i], kKeys[i]); !s.ok())
                return fail(state, s);
        state.ResumeTiming();
        const auto start = Clock::now();
        if (Status s = t->pack(); !s.ok())
            return fail(state, s);
        report(state, std::chrono::duration<double>(Clock::now() - start).count());
        if (t->recCount() != kRecords - kRecords / 10)
            return state.SkipWithError("pack kept the wrong number of records");
        state.PauseTiming();
        t.reset();
        std::filesystem::remove_all(dir);
        state.ResumeTiming();
    }
}

}  // namespace

BENCHMARK(BM_CatBaseline)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_AppendExclusiveNoIndex)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_BuildIndex)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_RandomSeeks)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_OrderedSkip)->Args({0, 1})->Args({0, 64})->Args({1, 1})->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_SharedAppendsThreeIndexes)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_PackTenPercentThreeIndexes)->Unit(benchmark::kMillisecond)->Iterations(1);
