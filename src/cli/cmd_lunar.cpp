// nodo-cli lunar: the Chinese calendar facts of a date, a range of dates or a month.
#include "calendar/ChnCalendarCore.h"
#include "calendar/ChnCalendarUse.h"
#include "calendar/DateTime.h"
#include "cli/Command.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace nodo::calendar;

// The calendar control's range: date-times begin in year 1, the lunar tables end with 2100.
constexpr int kFirstYear = 1;
constexpr int kLastYear = 2100;

constexpr const char* kUsage = "lunar [YYYY-MM-DD] | lunar --range FROM TO | lunar --month YYYY-MM";

int UsageError(const char* message) {
    std::fprintf(stderr, "nodo-cli lunar: %s\nusage: nodo-cli %s\n", message, kUsage);
    return 2;
}

// 1 with a message when the text is not a date the calendar covers; 0 when it is.
int ReadDate(const std::string& text, CivilDate& date) {
    if (!ParseIsoDate(text, date.year, date.month, date.day)) {
        std::fprintf(stderr, "nodo-cli lunar: '%s' is not a date (expected YYYY-MM-DD)\n", text.c_str());
        return 1;
    }
    if (date.year < kFirstYear || date.year > kLastYear) {
        std::fprintf(stderr, "nodo-cli lunar: %s is outside the calendar's range 0001-01-01 .. 2100-12-31\n",
                     text.c_str());
        return 1;
    }
    return 0;
}

void PrintField(const char* name, const std::string& value) {
    std::printf("%s: %s\n", name, value.c_str());
}

int ShowDate(const CivilDate& date) {
    TChnCal facts;
    facts.SetDate(EncodeDate(date.year, date.month, date.day));
    int ly = 0, lm = 0, ld = 0;
    bool leap = false;
    GetLunarDate(date.year, date.month, date.day, ly, lm, ld, leap);

    PrintField("Date", FormatIsoDate(date.year, date.month, date.day));
    PrintField("LunarYear", std::to_string(facts.LunarYear));
    PrintField("LunarMonth", std::to_string(facts.LunarMonth));
    char dt[64];
    std::snprintf(dt, sizeof dt, "%.17g", facts.DateTime);
    PrintField("DateTime", dt);
    PrintField("SolarTerm", facts.SolarTerm);
    PrintField("Holiday", facts.Holiday);
    PrintField("CnMonth", facts.CnMonth);
    PrintField("GanZhiDay", facts.GanZhiDay);
    PrintField("GanZhiYear", facts.GanZhiYear);
    PrintField("GanZhiMonth", facts.GanZhiMonth);
    PrintField("CnHoliday", facts.CnHoliday);
    PrintField("CnYear", facts.CnYear);
    PrintField("CnDay", facts.CnDay);
    PrintField("AnimalsYear", facts.AnimalsYear);
    PrintField("Constellation", facts.Constellation);
    PrintField("EraName", facts.EraName);
    PrintField("lunar year", std::to_string(ly));
    PrintField("lunar month", std::to_string(lm));
    PrintField("leap", leap ? "1" : "0");
    PrintField("lunar day", std::to_string(ld));
    return 0;
}

int ShowRange(const CivilDate& from, const CivilDate& to) {
    const auto first = static_cast<long>(EncodeDate(from.year, from.month, from.day));
    const auto last = static_cast<long>(EncodeDate(to.year, to.month, to.day));
    if (first > last) {
        std::fprintf(stderr, "nodo-cli lunar: the range ends before it starts\n");
        return 1;
    }
    TChnCal facts;
    std::string line;
    for (long t = first; t <= last; ++t) {
        CivilDate d;
        DecodeDate(static_cast<double>(t), d);
        facts.SetDate(static_cast<double>(t));
        // The facts carry the lunar year and signed month; only the day number is computed again.
        const int lunarDay = GetLunarDay(d.year, d.month, d.day);
        const int month = facts.LunarMonth < 0 ? -facts.LunarMonth : facts.LunarMonth;
        line = FormatIsoDate(d.year, d.month, d.day);
        for (const std::string& field :
             {std::to_string(facts.LunarYear), std::to_string(month),
              std::string(facts.LunarMonth < 0 ? "1" : "0"), std::to_string(lunarDay), facts.CnMonth,
              facts.CnDay, facts.GanZhiYear, facts.GanZhiMonth, facts.GanZhiDay, facts.AnimalsYear,
              facts.Constellation, facts.SolarTerm, facts.Holiday, facts.CnHoliday, facts.EraName}) {
            line += '\t';
            line += field;
        }
        line += '\n';
        if (std::fwrite(line.data(), 1, line.size(), stdout) != line.size()) {
            std::fprintf(stderr, "nodo-cli lunar: cannot write the output\n");
            return 1;
        }
    }
    return 0;
}

// Terminal columns of a UTF-8 text: CJK characters take two.
int DisplayWidth(const std::string& s) {
    int width = 0;
    for (size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        int len = 1;
        unsigned cp = c;
        if (c >= 0xF0)
            len = 4, cp = c & 0x07;
        else if (c >= 0xE0)
            len = 3, cp = c & 0x0F;
        else if (c >= 0xC0)
            len = 2, cp = c & 0x1F;
        for (int k = 1; k < len && i + k < s.size(); ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        width += cp >= 0x1100 ? 2 : 1;
        i += len;
    }
    return width;
}

std::string Centred(const std::string& text, int width) {
    const int pad = width - DisplayWidth(text);
    if (pad <= 0) return text;
    return std::string(pad / 2, ' ') + text + std::string(pad - pad / 2, ' ');
}

struct Palette {
    bool on = false;
    std::string paint(const std::string& text, const char* code) const {
        if (!on || code == nullptr) return text;
        return std::string("\x1b[") + code + "m" + text + "\x1b[0m";
    }
};

// Colours of the calendar control's day cells, as near as a terminal gets.
const char* LunarColour(DayCellTextKind kind) {
    switch (kind) {
    case DayCellTextKind::LunarMonthStart:
        return "31";
    case DayCellTextKind::Holiday:
        return "33";
    case DayCellTextKind::SolarTerm:
        return "34";
    case DayCellTextKind::LunarHoliday:
        return "33";
    default:
        return "32";
    }
}

int ShowMonth(const std::string& text) {
    int year = 0, month = 0, day = 0;
    if (!ParseIsoDate(text + "-01", year, month, day)) {
        std::fprintf(stderr, "nodo-cli lunar: '%s' is not a month (expected YYYY-MM)\n", text.c_str());
        return 1;
    }
    if (year < kFirstYear || year > kLastYear) {
        std::fprintf(stderr, "nodo-cli lunar: %s is outside the calendar's range 0001-01 .. 2100-12\n",
                     text.c_str());
        return 1;
    }
    constexpr int kCell = 8;
    Palette palette;
    palette.on = isatty(STDOUT_FILENO) && std::getenv("NO_COLOR") == nullptr;
    CivilDate today;
    DecodeDate(Today(), today);

    const int days = GregorianDaysInMonth(year, month);
    TChnCal facts;
    // The lunar years the month touches, e.g. "癸卯兔年 / 甲辰龙年" for February 2024.
    std::string yearText = "农历";
    int shownYear = 0;
    for (int d : {1, days}) {
        facts.SetDate(EncodeDate(year, month, d));
        if (facts.LunarYear == shownYear) continue;
        if (shownYear != 0) yearText += " /";
        shownYear = facts.LunarYear;
        yearText += " " + GetCycleName(GetYearCycleIndex(facts.LunarYear)) + facts.AnimalsYear + "年";
    }
    std::printf(
        "%s\n",
        Centred(std::to_string(year) + "年" + std::to_string(month) + "月  " + yearText, 7 * kCell).c_str());
    const char* weekdays[] = {"日", "一", "二", "三", "四", "五", "六"};
    std::string header;
    for (int c = 0; c < 7; ++c)
        header += palette.paint(Centred(weekdays[c], kCell), c == 0 || c == 6 ? "31" : nullptr);
    std::printf("%s\n", header.c_str());

    const int first = DayOfWeek(year, month, 1);
    std::string numbers, lunar;
    for (int i = 1; i < first; ++i) {
        numbers += std::string(kCell, ' ');
        lunar += std::string(kCell, ' ');
    }
    for (int d = 1; d <= days; ++d) {
        const int column = (first - 1 + d - 1) % 7; // 0 = Sunday
        facts.SetDate(EncodeDate(year, month, d));
        const DayCellLabel label = DayCellText(facts);
        std::string number =
            palette.paint(Centred(std::to_string(d), kCell), column == 0 || column == 6 ? "31" : nullptr);
        if (palette.on && today.year == year && today.month == month && today.day == d)
            number = std::string("\x1b[7m").append(number).append("\x1b[0m");
        numbers += number;
        lunar += palette.paint(Centred(label.text, kCell), LunarColour(label.kind));
        if (column == 6 || d == days) {
            std::printf("%s\n%s\n", numbers.c_str(), lunar.c_str());
            numbers.clear();
            lunar.clear();
        }
    }
    if (year < 1949) std::printf("%s\n", GetEraName(year).c_str());
    return 0;
}

int RunLunar(const std::vector<std::string>& args) {
    if (args.empty()) {
        CivilDate today;
        if (!DecodeDate(Today(), today)) return 1;
        if (today.year > kLastYear) {
            std::fprintf(stderr,
                         "nodo-cli lunar: today is outside the calendar's range (up to 2100-12-31)\n");
            return 1;
        }
        return ShowDate(today);
    }
    if (args[0] == "--range") {
        if (args.size() != 3) return UsageError("--range takes two dates");
        CivilDate from, to;
        if (int rc = ReadDate(args[1], from)) return rc;
        if (int rc = ReadDate(args[2], to)) return rc;
        return ShowRange(from, to);
    }
    if (args[0] == "--month") {
        if (args.size() != 2) return UsageError("--month takes one month");
        return ShowMonth(args[1]);
    }
    if (args.size() != 1 || args[0].starts_with("-")) return UsageError("unexpected arguments");
    CivilDate date;
    if (int rc = ReadDate(args[0], date)) return rc;
    return ShowDate(date);
}

const nodo::cli::Registrar registrar("lunar", kUsage, RunLunar);

} // namespace
