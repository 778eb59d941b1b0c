#pragma once
// Everything the notes database holds, gathered for the command line: which page days and dates
// hold a note, their files for an export, and the checks on what a user hands in.
#include "notes/NoteSteps.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nodo {

// One stored note: a day of a page (page 1..5, day 1..6) or a date.
struct StoredNote {
    int page = 0, day = 0;
    std::optional<NoteDate> date;
    std::string blob;       // as stored
    rtf::Document document; // as an editor shows it
    bool hasText() const;
};

// The page days and dates that hold text, pages first (A Monday ... E Saturday), dates in order.
// Throws DatabaseError.
std::vector<StoredNote> StoredNotes(TDM& dm);

// "A".."E" for 1..5; empty otherwise.
std::string PageLetter(int page);
// Monday ... Friday, Saturday-Sunday for 1..6.
std::string DayName(int day);

// A date as the user writes it, "YYYY-MM-DD" (a real day of years 1 to 9999), and back.
std::optional<NoteDate> ParseDate(std::string_view text);
std::string FormatDate(const NoteDate& date);
// The date of a UserCon key "YYYYMMDD"; none when the key is not one.
std::optional<NoteDate> DateOfKey(std::string_view key);

// The file name of a note in an export, without extension: "A-1-Monday", "2014-03-09".
std::string ExportBaseName(const StoredNote& note);

// The text of a note as the command line prints it: UTF-8, every line ended by LF.
std::string PrintableText(const rtf::Document& doc);

// Whether a file handed in is something an editor can load: RTF, or text (no NUL or other
// control bytes, and readable in the locale's encoding or GBK). Empty means yes; otherwise why not.
std::string WhyNotANote(std::string_view bytes);

} // namespace nodo
