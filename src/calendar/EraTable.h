#pragma once
// Reign eras from the Xia to the present, grouped by dynasty and ordered by start year within a
// group. Each row: start year, years, count, dynasty, emperor, personal name, era name.
namespace nodo::calendar {

constexpr int kEraTableSize = 529;
extern const char* const EraTable[kEraTableSize];

} // namespace nodo::calendar
