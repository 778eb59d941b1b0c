// nodo-cli ics: the festivals, solar terms and (when asked) the lunar dates of a span of years as an
// iCalendar file, for any calendar program to import.
#include "calendar/CalendarEvents.h"
#include "calendar/ICalendarWriter.h"
#include "cli/Command.h"

#include <charconv>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

namespace {

using namespace nodo::calendar;

constexpr const char* kUsage = "ics FROM_YEAR [TO_YEAR] [--lunar-days]";

int UsageError(const std::string& message) {
    std::fprintf(stderr, "nodo-cli ics: %s\nusage: nodo-cli %s\n", message.c_str(), kUsage);
    return 1;
}

bool ReadYear(const std::string& text, int& year) {
    const char* first = text.data();
    const char* last = first + text.size();
    const auto [ptr, ec] = std::from_chars(first, last, year);
    return ec == std::errc() && ptr == last && first != last;
}

bool Write(const std::string& text) {
    return std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
}

int RunIcs(const std::vector<std::string>& args) {
    bool lunarDays = false;
    std::vector<int> years;
    for (const std::string& a : args) {
        if (a == "--lunar-days") {
            lunarDays = true;
            continue;
        }
        if (a.starts_with("-") && a.size() > 1 && !(a[1] >= '0' && a[1] <= '9'))
            return UsageError("unknown option '" + a + "'");
        int year = 0;
        if (!ReadYear(a, year)) return UsageError("'" + a + "' is not a year");
        if (year < kFirstEventYear || year > kLastEventYear)
            return UsageError("the year " + a + " is outside " + std::to_string(kFirstEventYear) + ".." +
                              std::to_string(kLastEventYear));
        years.push_back(year);
    }
    if (years.empty()) return UsageError("the first year is missing");
    if (years.size() > 2) return UsageError("at most two years (FROM_YEAR and TO_YEAR)");
    const int from = years[0];
    const int to = years.size() == 2 ? years[1] : from;
    if (to < from) return UsageError("TO_YEAR " + std::to_string(to) + " comes before FROM_YEAR");

    const std::string stamp = UtcStamp(static_cast<long long>(std::time(nullptr)));
    CalendarHeader header;
    header.prodId = std::string("-//Nodo//nodo-cli ") + NODO_VERSION + "//ZH";
    header.calendarName = "Nodo农历";
    bool ok = Write(CalendarBegin(header));
    for (int year = from; ok && year <= to; ++year) {
        std::string text;
        for (const CalendarEvent& e : YearEvents(year, lunarDays))
            text += EventText(e, stamp);
        ok = Write(text);
    }
    ok = ok && Write(CalendarEnd()) && std::fflush(stdout) == 0;
    if (!ok) {
        std::fprintf(stderr, "nodo-cli ics: cannot write the output\n");
        return 1;
    }
    return 0;
}

const nodo::cli::Registrar registrar("ics", std::string(kUsage) + "   festivals and solar terms as iCalendar",
                                     RunIcs);

} // namespace
