#pragma once
// The Chinese calendar engine's base: the civil calendar as the engine counts it (Julian up to
// 1582-10-04, Gregorian from 1582-10-15, no year 0), the cyclic names, lunar dates for the civil
// years -849..2100 and the 24 solar terms. Pure functions; texts are UTF-8.
#include "calendar/DateTime.h"

#include <string>

namespace nodo::calendar {

// ---- Civil calendar -------------------------------------------------------------------------

enum CalendarType { ctInvalid = 0, ctJulian = 1, ctGregorian = 2 };

int GetCalendarType(int year, int month, int day);
bool IsCalendarLeapYear(int year);
int GetDaysInMonth(int year, int month);
int GetDayOfYear(int year, int month, int day);
// Continuous count with 0001-01-01 = 1; drives the day cycle.
int GetAllDays(int year, int month, int day);
// Continuous day number, proleptic Gregorian 0001-01-01 = 1; 0 inside the 1582 gap.
int GetDayNumber(int year, int month, int day);
bool DayNumberToDate(int dayNumber, int& year, int& month, int& day);
// The same answers by walking year by year from year 1; kept as the reference for the direct form.
bool DayNumberToDateWalk(int dayNumber, int& year, int& month, int& day);
int CompareSolarDate(int y1, int m1, int d1, int y2, int m2, int d2);

// ---- Cyclic names ---------------------------------------------------------------------------

int GetCycleIndex(int stem, int branch);
bool SplitCycleIndex(int cycle, int& stem, int& branch);
int GetYearCycleIndex(int year);
int GetAnimalIndex(int year);
int GetDayCycleIndex(int year, int month, int day);
int GetConstellationIndex(int month, int day);

std::string GetStemName(int stem);
std::string GetBranchName(int branch);
std::string GetCycleName(int cycle);
std::string GetAnimalName(int animal);
std::string GetConstellationName(int sign);
std::string GetCnDayName(int lunarDay);

// ---- Lunar conversion -----------------------------------------------------------------------

constexpr int kFirstLunarYear = -849;
constexpr int kLastLunarYear = 2100;

// 2950 characters, one per year -849..2100: the month followed by a leap month ("0" none,
// "1".."9", "a".."c" for 10..12).
extern const char LeapMonthText[];
constexpr int kLeapMonthTextLength = 2950;

int GetLeapMonth(int year);      // 1..12, 0 none, -1 outside -849..2100
int GetLeapMonthCount(int year); // leap months since -849, for -849..2100

double FracPart(double x);
double RealMod(double m, double x);
double PeriodicAngle(double a, double b, double c, double d, double T, double k);
// Round to nearest, ties to even.
double RoundEven(double x);

int GetLunarDay(int year, int month, int day); // 1..30, -1 when no new moon fits
// GetLunarDay without the early stop of its new-moon loop; the reference for that speed-up.
int GetLunarDayFullScan(int year, int month, int day);
int GetLunarMonth(int year, int month, int day); // negative for a leap month
bool GetLunarMonthDay(int year, int month, int day, int& lunarMonth, int& lunarDay, bool& leap);
bool GetLunarDate(int year, int month, int day, int& lunarYear, int& lunarMonth, int& lunarDay, bool& leap);
// GetLunarDate computed the plain way: the date's lunar day from every new moon of the span and
// the lunar new year searched afresh. The reference for the two speed-ups of GetLunarDate.
bool GetLunarDatePlain(int year, int month, int day, int& lunarYear, int& lunarMonth, int& lunarDay,
                       bool& leap);
int CompareLunarDate(int y1, int m1, int d1, bool l1, int y2, int m2, int d2, bool l2);
bool GetSolarDate(int lunarYear, int lunarMonth, int lunarDay, bool leap, int& year, int& month, int& day);

// ---- Solar terms ----------------------------------------------------------------------------

std::string GetSolarTermName(int index); // 0 = 立春 .. 23 = 大寒
// Term number 1..25 counted from 小寒; day of the year with the time of day as fraction.
double GetSolarTermDay(int year, int termNumber);
bool GetSolarTermDateTime(int year, int termIndex, int& month, int& day);
std::string GetSolarTermOfDate(TDateTime t);
int GetDateYearCycleIndex(int year, int month, int day);
void GetCycleMonth(int year, int month, int day, int& cycleYear, int& cycleMonth);
int GetMonthCycleIndex(int year, int month, int day);

} // namespace nodo::calendar
