// Lunar conversion and the calendar's month fill. The month fill is what one redisplay of the
// calendar control costs: the selected date, then every day of the month.
#include "calendar/ChnCalendarCore.h"
#include "calendar/ChnCalendarUse.h"

#include <benchmark/benchmark.h>

namespace {

using namespace nodo::calendar;

void BM_GetLunarDate(benchmark::State& state) {
    int day = 0;
    for (auto _ : state) {
        int ly = 0, lm = 0, ld = 0;
        bool leap = false;
        GetLunarDate(2024, 5, 1 + day, ly, lm, ld, leap);
        benchmark::DoNotOptimize(ld);
        day = (day + 1) % 31;
    }
}
BENCHMARK(BM_GetLunarDate);

void BM_SetDate(benchmark::State& state) {
    TChnCal facts;
    const TDateTime first = EncodeDate(2024, 5, 1);
    int day = 0;
    for (auto _ : state) {
        facts.SetDate(first + day);
        benchmark::DoNotOptimize(facts.CnDay.data());
        day = (day + 1) % 31;
    }
}
BENCHMARK(BM_SetDate);

// 32 fills: the selected date and the 31 days of May 2024.
void BM_MonthFill(benchmark::State& state) {
    TChnCal facts;
    const TDateTime first = EncodeDate(2024, 5, 1);
    for (auto _ : state) {
        facts.SetDate(first + 16);
        for (int d = 0; d < 31; ++d) {
            facts.SetDate(first + d);
            benchmark::DoNotOptimize(facts.CnDay.data());
        }
    }
}
BENCHMARK(BM_MonthFill)->Unit(benchmark::kMicrosecond);

// The same fill at the far end of the table, where the year walk of the reference conversion
// would be longest.
void BM_MonthFill2100(benchmark::State& state) {
    TChnCal facts;
    const TDateTime first = EncodeDate(2100, 12, 1);
    for (auto _ : state) {
        facts.SetDate(first + 16);
        for (int d = 0; d < 31; ++d) {
            facts.SetDate(first + d);
            benchmark::DoNotOptimize(facts.CnDay.data());
        }
    }
}
BENCHMARK(BM_MonthFill2100)->Unit(benchmark::kMicrosecond);

// Baseline and comparison for the day-number conversion: direct against the year-by-year walk.
void BM_DayNumberToDate(benchmark::State& state) {
    int n = GetDayNumber(2024, 1, 1);
    for (auto _ : state) {
        int y = 0, m = 0, d = 0;
        DayNumberToDate(n, y, m, d);
        benchmark::DoNotOptimize(d);
        n = n == GetDayNumber(2024, 12, 31) ? GetDayNumber(2024, 1, 1) : n + 1;
    }
}
BENCHMARK(BM_DayNumberToDate);

void BM_DayNumberToDateWalk(benchmark::State& state) {
    int n = GetDayNumber(2024, 1, 1);
    for (auto _ : state) {
        int y = 0, m = 0, d = 0;
        DayNumberToDateWalk(n, y, m, d);
        benchmark::DoNotOptimize(d);
        n = n == GetDayNumber(2024, 12, 31) ? GetDayNumber(2024, 1, 1) : n + 1;
    }
}
BENCHMARK(BM_DayNumberToDateWalk);

void BM_GetLunarDay(benchmark::State& state) {
    int day = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(GetLunarDay(2024, 5, 1 + day));
        day = (day + 1) % 31;
    }
}
BENCHMARK(BM_GetLunarDay);

void BM_GetEraName(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(GetEraName(1900).size());
}
BENCHMARK(BM_GetEraName);

} // namespace

BENCHMARK_MAIN();
