// The evaluator on the index-key path: "DTOS(DAYIN)+TMIN+TICKET" evaluated against weighing-ticket
// records, as a bulk index build does for every record, beside a hand-written C++ function that
// builds the same 22 bytes from the same records (the baseline). Heap allocations are counted by a
// replaced operator new and reported per key; the key path must make none.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "expr/contexts.h"
#include "expr/expr.h"

namespace {

std::atomic<std::size_t> g_allocations{0};

// A weighing-ticket record as a DBF holds it: deletion flag, then the fields.
const std::vector<expr::RecordField> kLayout = expr::recordLayout({
    {"TICKET", 'C', 6}, {"DATE", 'D', 8}, {"TRUCK", 'C', 10}, {"DAYIN", 'D', 8}, {"TMIN", 'C', 8},
    {"WIN", 'N', 10}, {"DAYOUT", 'D', 8}, {"TMOUT", 'C', 8}, {"WOUT", 'N', 10}, {"STAT", 'C', 1},
    {"COMPANY", 'C', 10}, {"ACCOUNT", 'C', 10}, {"AMOUNT", 'N', 14, 2},
});

std::uint32_t offsetOf(const char* name)
{
    for (const auto& f : kLayout)
        if (f.name == name)
            return f.offset;
    std::abort();
}

// 1,024 different records, so neither path reads one cached answer.
std::vector<std::string> makeRecords()
{
    const std::size_t length = kLayout.back().offset + kLayout.back().width;
    std::vector<std::string> records;
    for (int i = 0; i < 1024; ++i) {
        std::string r(length, ' ');
        char buf[32];
        std::snprintf(buf, sizeof buf, "%06d", 100000 + i);
        r.replace(offsetOf("TICKET"), 6, buf);
        std::snprintf(buf, sizeof buf, "2026%02d%02d", 1 + i % 12, 1 + i % 28);
        r.replace(offsetOf("DAYIN"), 8, buf);
        std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", i % 24, i % 60, (i * 7) % 60);
        r.replace(offsetOf("TMIN"), 8, buf);
        records.push_back(std::move(r));
    }
    return records;
}

const std::vector<std::string> kRecords = makeRecords();

// The baseline: the key as a hand-written function builds it from the record bytes.
void handWrittenKey(const char* record, std::string& out)
{
    static const std::uint32_t dayin = offsetOf("DAYIN"), tmin = offsetOf("TMIN"), ticket = offsetOf("TICKET");
    out.assign(record + dayin, 8);
    out.append(record + tmin, 8);
    out.append(record + ticket, 6);
}

// A context over the same record that offers no raw field access: the evaluator reads every field
// through virtual calls, as it does for a context written without RawField.
class PlainRecordContext final : public expr::Context {
public:
    explicit PlainRecordContext(expr::RecordContext& inner) : m_inner(inner) {}
    expr::Binding bind(const expr::NameRef& name) override
    {
        expr::Binding b = m_inner.bind(name);
        if (b.found())
            b.source = this;
        return b;
    }
    void read(std::int32_t slot, core::Value& out) override { m_inner.read(slot, out); }
    void appendText(std::int32_t slot, std::string& out) override { m_inner.appendText(slot, out); }
    core::Date date(std::int32_t slot) override { return m_inner.date(slot); }

private:
    expr::RecordContext& m_inner;
};

void reportAllocations(benchmark::State& state, std::size_t before)
{
    state.counters["allocs/key"] =
        benchmark::Counter(double(g_allocations.load() - before) / double(state.iterations()));
}

void BM_handWrittenKey(benchmark::State& state)
{
    std::string key;
    key.reserve(32);
    std::size_t i = 0;
    const std::size_t before = g_allocations.load();
    for (auto _ : state) {
        handWrittenKey(kRecords[i++ & 1023].data(), key);
        benchmark::DoNotOptimize(key.data());
    }
    reportAllocations(state, before);
}
BENCHMARK(BM_handWrittenKey);

void BM_exprKey(benchmark::State& state)
{
    expr::RecordContext ctx(kLayout, "wdata");
    expr::Expression e = expr::Expression::compile("DTOS(DAYIN)+TMIN+TICKET");
    ctx.setRecord(kRecords[0].data());
    e.bind(ctx);
    std::string key;
    key.reserve(32);
    std::size_t i = 0;
    const std::size_t before = g_allocations.load();
    for (auto _ : state) {
        ctx.setRecord(kRecords[i++ & 1023].data());
        if (!e.evaluateText(ctx, key))
            state.SkipWithError("evaluation failed");
        benchmark::DoNotOptimize(key.data());
    }
    reportAllocations(state, before);
}
BENCHMARK(BM_exprKey);

void BM_exprKeyWithoutRawFields(benchmark::State& state)
{
    expr::RecordContext inner(kLayout, "wdata");
    PlainRecordContext ctx(inner);
    expr::Expression e = expr::Expression::compile("DTOS(DAYIN)+TMIN+TICKET");
    inner.setRecord(kRecords[0].data());
    e.bind(ctx);
    std::string key;
    key.reserve(32);
    std::size_t i = 0;
    const std::size_t before = g_allocations.load();
    for (auto _ : state) {
        inner.setRecord(kRecords[i++ & 1023].data());
        if (!e.evaluateText(ctx, key))
            state.SkipWithError("evaluation failed");
        benchmark::DoNotOptimize(key.data());
    }
    reportAllocations(state, before);
}
BENCHMARK(BM_exprKeyWithoutRawFields);

// For scale: a look-up search text with a picture, through the general path.
void BM_exprSearchText(benchmark::State& state)
{
    expr::RecordContext ctx(kLayout, "wdata");
    expr::Expression e = expr::Expression::compile(
        "wdata->ticket+dtoc(wdata->dayin)+wdata->tmin+wdata->truck+tran(wdata->win,\"99,999\")");
    std::string text;
    std::size_t i = 0;
    const std::size_t before = g_allocations.load();
    for (auto _ : state) {
        ctx.setRecord(kRecords[i++ & 1023].data());
        if (!e.evaluateText(ctx, text))
            state.SkipWithError("evaluation failed");
        benchmark::DoNotOptimize(text.data());
    }
    reportAllocations(state, before);
}
BENCHMARK(BM_exprSearchText);

}  // namespace

// Every heap allocation of the process is counted. The replacements pair malloc with free, which
// g++ 12 takes for a mismatch once it sees both sides inlined.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void* operator new(std::size_t size)
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
