#pragma once
// The storage steps of the memo board and the dated note: the six day editors of a page to and
// from its table tb_A ... tb_E, and the dated-note editor to and from its row of UserCon.
#include "notes/RichEdit.h"
#include "notes/uDM.h"

#include <array>
#include <bitset>
#include <string>

namespace nodo {

inline constexpr int kPageCount = 5;
inline constexpr int kDayCount = 6;
// The day columns of a page row, Monday to Friday and Saturday with Sunday, in editor order.
inline constexpr std::array<const char*, kDayCount> kDayColumns = {
    "MondayCon", "TuesdayCon", "WednesdayCon", "ThursdayCon", "FridayCon", "SaturdayCon"};

struct NoteDate {
    int year = 0, month = 0, day = 0;
    friend bool operator==(const NoteDate&, const NoteDate&) = default;
};

// "YYYYMMDD", the key of a note in UserCon.
std::string DateKey(const NoteDate& date);
// The text wrapped in single quotes, each single quote inside doubled.
std::string QuotedStr(const std::string& text);

// The statements, exactly as the steps send them. A page number outside 1 to 5 names no table.
std::string LoadPageStatement(int page);
std::string SavePageStatement(int page);
std::string LoadNoteStatement(const NoteDate& date);
std::string SaveNoteStatement(const NoteDate& date);

using DayEditors = std::array<RichEdit*, kDayCount>;
// Which day columns a save writes, bit 0 Monday to bit 5 Saturday with Sunday.
using DaySet = std::bitset<kDayCount>;
inline const DaySet kAllDays = DaySet().set();

// What a step did. A load that fails leaves the editors as they were; the window reports it with
// "加载记事内容失败！". A save that fails is silent in the window; the command line reports it.
struct StepResult {
    bool ok = true;
    bool written = false; // a save: whether a row now holds the content
    std::string error;
};

StepResult LoadPage(TDM& dm, int page, const DayEditors& editors);
// Writes the day columns of `days` from their editors (the others may be null) and leaves every
// other column as it is, byte for byte. The row is read and written in one write transaction.
StepResult SavePage(TDM& dm, int page, const DayEditors& editors, const DaySet& days = kAllDays);
StepResult LoadNote(TDM& dm, const NoteDate& date, RichEdit& editor);
// The note of `date` is read and then updated or inserted in one write transaction, so that two
// programs saving a new date at once each find the other's row instead of adding a second one.
StepResult SaveNote(TDM& dm, const NoteDate& date, RichEdit& editor);

} // namespace nodo
