#pragma once
// iCalendar text (RFC 5545) for all-day events: CR LF line ends, lines folded at 75 octets without
// cutting a UTF-8 character, TEXT values escaped.
#include "calendar/CalendarEvents.h"

#include <string>
#include <string_view>

namespace nodo::calendar {

// A TEXT value with backslash, semicolon, comma and line breaks escaped.
std::string EscapeText(std::string_view text);

// One content line, CR LF ended, folded so that no physical line exceeds 75 octets; a fold never
// falls inside a UTF-8 sequence.
std::string FoldLine(std::string_view line);

// "YYYYMMDDTHHMMSSZ" of a moment given in seconds since 1970 (UTC).
std::string UtcStamp(long long secondsSinceEpoch);

struct CalendarHeader {
    std::string prodId;       // "-//Nodo//nodo-cli 1.0//ZH"
    std::string calendarName; // shown by calendar programs as the name of the imported calendar
};

// BEGIN:VCALENDAR and its properties.
std::string CalendarBegin(const CalendarHeader& header);
// One VEVENT stamped `stamp` (UtcStamp's form), one day long.
std::string EventText(const CalendarEvent& event, const std::string& stamp);
std::string CalendarEnd();

} // namespace nodo::calendar
