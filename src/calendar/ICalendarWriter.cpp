#include "calendar/ICalendarWriter.h"

#include <cstdio>
#include <ctime>

namespace nodo::calendar {

namespace {

constexpr std::size_t kMaxOctets = 75;

bool IsContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

std::string DateValue(const CivilDate& d) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d%02d%02d", d.year, d.month, d.day);
    return text;
}

} // namespace

std::string EscapeText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case ';':
            out += "\\;";
            break;
        case ',':
            out += "\\,";
            break;
        case '\r':
            // CR LF is one line break.
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
            out += "\\n";
            break;
        case '\n':
            out += "\\n";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string FoldLine(std::string_view line) {
    std::string out;
    out.reserve(line.size() + line.size() / 64 * 3 + 2);
    std::size_t limit = kMaxOctets; // the first line has no leading blank
    while (line.size() > limit) {
        std::size_t cut = limit;
        while (cut > 0 && IsContinuationByte(line[cut]))
            --cut;
        out.append(line.substr(0, cut));
        out += "\r\n ";
        line.remove_prefix(cut);
        limit = kMaxOctets - 1;
    }
    out.append(line);
    out += "\r\n";
    return out;
}

std::string UtcStamp(long long secondsSinceEpoch) {
    const auto t = static_cast<std::time_t>(secondsSinceEpoch);
    std::tm utc{};
    gmtime_r(&t, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%dT%H%M%SZ", &utc);
    return text;
}

std::string CalendarBegin(const CalendarHeader& header) {
    std::string out = FoldLine("BEGIN:VCALENDAR");
    out += FoldLine("VERSION:2.0");
    out += FoldLine("PRODID:" + header.prodId);
    out += FoldLine("CALSCALE:GREGORIAN");
    out += FoldLine("METHOD:PUBLISH");
    if (!header.calendarName.empty()) out += FoldLine("X-WR-CALNAME:" + EscapeText(header.calendarName));
    return out;
}

std::string EventText(const CalendarEvent& event, const std::string& stamp) {
    // DTEND of an all-day event is the day after: the end is exclusive.
    CivilDate next;
    DecodeDate(EncodeDate(event.date.year, event.date.month, event.date.day) + 1, next);

    std::string out = FoldLine("BEGIN:VEVENT");
    out += FoldLine("UID:" + event.uid);
    out += FoldLine("DTSTAMP:" + stamp);
    out += FoldLine("DTSTART;VALUE=DATE:" + DateValue(event.date));
    out += FoldLine("DTEND;VALUE=DATE:" + DateValue(next));
    out += FoldLine("SUMMARY:" + EscapeText(event.summary));
    if (!event.description.empty()) out += FoldLine("DESCRIPTION:" + EscapeText(event.description));
    if (!event.category.empty()) out += FoldLine("CATEGORIES:" + EscapeText(event.category));
    // A festival does not make the day busy.
    out += FoldLine("TRANSP:TRANSPARENT");
    out += FoldLine("END:VEVENT");
    return out;
}

std::string CalendarEnd() {
    return FoldLine("END:VCALENDAR");
}

} // namespace nodo::calendar
