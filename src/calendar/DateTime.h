#pragma once
// Date-times as the rest of Nodo stores them: days since 1899-12-30 as a double, the time of day
// as the fraction. Decoding gives proleptic Gregorian dates for the years 1..9999.
#include <cstdint>
#include <string>

namespace nodo::calendar {

using TDateTime = double;

struct CivilDate {
    int year = 0;
    int month = 0;
    int day = 0;
};

// Proleptic Gregorian ordinal (0001-01-01 = 1) of a valid date.
int64_t GregorianOrdinal(int year, int month, int day);
// The inverse for the year: the proleptic Gregorian year holding ordinal n >= 1, and n's 1-based
// day in that year.
int GregorianYearOfOrdinal(int64_t n, int& dayOfYear);

bool IsGregorianLeapYear(int year);
int GregorianDaysInMonth(int year, int month);
bool IsValidDate(int year, int month, int day); // years 1..9999 only

// False (and 0) for a date outside 0001-01-01 .. 9999-12-31.
bool TryEncodeDate(int year, int month, int day, TDateTime& out);
TDateTime EncodeDate(int year, int month, int day);

// The date part is the value truncated toward zero, as stored date-times have always been read.
// False for a value whose date lies outside the years 1..9999.
bool DecodeDate(TDateTime t, int& year, int& month, int& day);
bool DecodeDate(TDateTime t, CivilDate& out);

// 1 = Sunday .. 7 = Saturday.
int DayOfWeek(TDateTime t);
int DayOfWeek(int year, int month, int day);

// ISO 8601 week number 1..53.
int IsoWeekOfYear(int year, int month, int day);

// "YYYY-MM-DD" (the year may have 1 to 4 digits); false for other text or a date that does not
// exist. FormatIsoDate pads the year to four digits.
bool ParseIsoDate(const std::string& text, int& year, int& month, int& day);
std::string FormatIsoDate(int year, int month, int day);

// Today at midnight, local time.
TDateTime Today();

} // namespace nodo::calendar
