#pragma once
// What the calendar window remembers between runs, in a settings file of its own below the
// application folder ("data\CalendarWindow.ini"): where it was and how large, whether it was
// maximised, the memo page it showed and the note's letter. One "Name=value" a line, CR LF; a line
// that is missing or cannot be read leaves that value at its default.
#include <optional>
#include <string>
#include <vector>

namespace nodo {

class AppFolder;
class TextFile;

struct CalendarSettings {
    static constexpr const char* kFile = "data\\CalendarWindow.ini";

    struct Place {
        int left = 0, top = 0, width = 0, height = 0;
        bool operator==(const Place&) const = default;
    };
    std::optional<Place> place; // none: the window is centred on the primary screen
    bool maximised = false;
    int page = 1;   // the memo page shown, 1 to 5 for A to E
    int letter = 0; // the note's letter, 1 to 3 for A to C; 0 before one was chosen

    bool operator==(const CalendarSettings&) const = default;
};

// The settings held by the lines of the file; `problems` gets one line for each line it ignored.
CalendarSettings ParseCalendarSettings(const std::vector<std::string>& lines,
                                       std::vector<std::string>* problems = nullptr);
std::vector<std::string> FormatCalendarSettings(const CalendarSettings& settings);

// The file of the application folder, read (defaults when it is missing or unreadable; the reason
// goes to `problem`) and written whole (throws the text file's FileError).
CalendarSettings LoadCalendarSettings(const AppFolder& folder, const TextFile& text, std::string* problem);
void SaveCalendarSettings(const AppFolder& folder, TextFile& text, const CalendarSettings& settings);

} // namespace nodo
