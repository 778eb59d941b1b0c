// nodo-cli solar: the civil date of a Chinese lunar date.
#include "calendar/ChnCalendarCore.h"
#include "calendar/DateTime.h"
#include "cli/Command.h"

#include <charconv>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace nodo::calendar;

constexpr const char* kUsage = "solar LUNAR_YEAR LUNAR_MONTH LUNAR_DAY [--leap]";

int UsageError(const char* message) {
    std::fprintf(stderr, "nodo-cli solar: %s\nusage: nodo-cli %s\n", message, kUsage);
    return 2;
}

bool ReadInt(const std::string& text, int& value) {
    const char* first = text.data();
    const char* last = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(first, last, value);
    return ec == std::errc() && ptr == last && first != last;
}

int RunSolar(const std::vector<std::string>& args) {
    std::vector<std::string> numbers;
    bool leap = false;
    for (const auto& a : args) {
        if (a == "--leap")
            leap = true;
        else
            numbers.push_back(a);
    }
    int ly = 0, lm = 0, ld = 0;
    if (numbers.size() != 3 || !ReadInt(numbers[0], ly) || !ReadInt(numbers[1], lm) ||
        !ReadInt(numbers[2], ld))
        return UsageError("expected a lunar year, month and day as numbers");
    if (lm < 1 || lm > 12) return UsageError("the lunar month must be 1 to 12");
    if (ld < 1 || ld > 30) return UsageError("the lunar day must be 1 to 30");
    if (ly < kFirstLunarYear || ly > kLastLunarYear) {
        std::fprintf(stderr, "nodo-cli solar: lunar year %d is outside the calendar's range %d .. %d\n", ly,
                     kFirstLunarYear, kLastLunarYear);
        return 1;
    }
    int y = 0, m = 0, d = 0;
    if (!GetSolarDate(ly, lm, ld, leap, y, m, d)) {
        std::fprintf(stderr, "nodo-cli solar: not found: lunar %d, %smonth %d, day %d has no civil date\n",
                     ly, leap ? "leap " : "", lm, ld);
        return 1;
    }
    // The engine counts days before 1582-10-15 in the Julian calendar.
    const bool julian = GetCalendarType(y, m, d) == ctJulian;
    std::printf("%s%s\n", FormatIsoDate(y, m, d).c_str(), julian ? " (Julian calendar)" : "");
    return 0;
}

const nodo::cli::Registrar registrar("solar", kUsage, RunSolar);

} // namespace
