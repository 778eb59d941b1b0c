#include "calendar_app/CalendarSettings.h"

#include "platform/AppFolder.h"
#include "platform/TextFile.h"

#include <charconv>
#include <exception>
#include <string_view>

namespace nodo {

namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

std::optional<int> Number(std::string_view s) {
    s = Trim(s);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    int v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || s.empty()) return std::nullopt;
    return v;
}

} // namespace

CalendarSettings ParseCalendarSettings(const std::vector<std::string>& lines,
                                       std::vector<std::string>* problems) {
    CalendarSettings s;
    std::optional<int> left, top, width, height;
    auto complain = [&](const std::string& line, const char* why) {
        if (problems) problems->push_back("\"" + line + "\": " + why);
    };
    for (const std::string& line : lines) {
        const std::string_view text = Trim(line);
        if (text.empty()) continue;
        const auto eq = text.find('=');
        if (eq == std::string_view::npos) {
            complain(line, "not Name=value");
            continue;
        }
        const std::string_view name = Trim(text.substr(0, eq));
        const std::optional<int> value = Number(text.substr(eq + 1));
        std::optional<int>* slot = name == "Left"     ? &left
                                   : name == "Top"    ? &top
                                   : name == "Width"  ? &width
                                   : name == "Height" ? &height
                                                      : nullptr;
        if (!value) {
            complain(line, "the value is not a whole number");
            continue;
        }
        if (slot) {
            *slot = *value;
        } else if (name == "Maximized") {
            s.maximised = *value != 0;
        } else if (name == "Page") {
            if (*value >= 1 && *value <= 5)
                s.page = *value;
            else
                complain(line, "there are pages 1 to 5");
        } else if (name == "Letter") {
            if (*value >= 0 && *value <= 3)
                s.letter = *value;
            else
                complain(line, "there are letters 0 to 3");
        } else {
            complain(line, "unknown name");
        }
    }
    // A place is only a place with all four of its numbers.
    if (left && top && width && height)
        s.place = CalendarSettings::Place{*left, *top, *width, *height};
    else if (left || top || width || height)
        complain("Left, Top, Width, Height", "not all four are given");
    return s;
}

std::vector<std::string> FormatCalendarSettings(const CalendarSettings& s) {
    std::vector<std::string> out;
    if (s.place) {
        out.push_back("Left=" + std::to_string(s.place->left));
        out.push_back("Top=" + std::to_string(s.place->top));
        out.push_back("Width=" + std::to_string(s.place->width));
        out.push_back("Height=" + std::to_string(s.place->height));
    }
    out.push_back(std::string("Maximized=") + (s.maximised ? "1" : "0"));
    out.push_back("Page=" + std::to_string(s.page));
    out.push_back("Letter=" + std::to_string(s.letter));
    return out;
}

CalendarSettings LoadCalendarSettings(const AppFolder& folder, const TextFile& text, std::string* problem) {
    const std::string file = folder.path(CalendarSettings::kFile);
    try {
        if (!text.exists(file)) return {};
        std::vector<std::string> problems;
        CalendarSettings s = ParseCalendarSettings(text.readLines(file), &problems);
        if (problem && !problems.empty()) {
            *problem = file + ":";
            for (const auto& p : problems)
                *problem += " " + p + ";";
        }
        return s;
    } catch (const std::exception& e) {
        if (problem) *problem = e.what();
        return {};
    }
}

void SaveCalendarSettings(const AppFolder& folder, TextFile& text, const CalendarSettings& settings) {
    text.writeLines(folder.path(CalendarSettings::kFile), FormatCalendarSettings(settings));
}

} // namespace nodo
