// Number formatting is on the path of every numeric field written and every STR() evaluated;
// compared here with the C library's printf rounding as the baseline.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "core/xbase.h"

static void BM_xbaseStr(benchmark::State& state)
{
    double v = 1234.565;
    for (auto _ : state) {
        std::string s = core::xbase::str(v, 12, 2);
        benchmark::DoNotOptimize(s);
        v += 0.01;
    }
}
BENCHMARK(BM_xbaseStr);

static void BM_snprintfBaseline(benchmark::State& state)
{
    double v = 1234.565;
    char buf[32];
    for (auto _ : state) {
        std::snprintf(buf, sizeof buf, "%12.2f", v);
        std::string s(buf);
        benchmark::DoNotOptimize(s);
        v += 0.01;
    }
}
BENCHMARK(BM_snprintfBaseline);
