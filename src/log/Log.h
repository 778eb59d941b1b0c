#pragma once
// A small logger for the layers without Qt. It follows Qt's logging rules, so one setting turns on
// both: QT_LOGGING_RULES='nodo.*=true' (or 'nodo.wallpaper=true', 'nodo.*.debug=true', ...).
// Quiet by default. A line reads "nodo.wallpaper: message", as Qt's categories print it.
//
//   NODO_LOG("nodo.wallpaper") << "handed " << path << " to " << desktop;

#include <sstream>
#include <string>
#include <string_view>

namespace nodo::log {

// Whether `rules` (Qt's syntax: "category[.type]=true|false" separated by ';' or new lines, '*' at
// either end of the category, later rules winning) turn on the debug messages of `category`.
bool enabledBy(std::string_view rules, std::string_view category);

// enabledBy() against QT_LOGGING_RULES, read once per process.
bool enabled(std::string_view category);

// Writes one line "category: message" to stderr.
void write(std::string_view category, std::string_view message);

// Collects one message and writes it when it goes out of scope.
class Line {
public:
    explicit Line(std::string_view category) : m_category(category) {}
    Line(const Line&) = delete;
    Line& operator=(const Line&) = delete;
    ~Line() { write(m_category, m_text.str()); }

    template <typename T> Line& operator<<(const T& value) {
        m_text << value;
        return *this;
    }

private:
    std::string m_category;
    std::ostringstream m_text;
};

} // namespace nodo::log

#define NODO_LOG(category)                                                                                   \
    if (!::nodo::log::enabled(category)) {                                                                   \
    } else                                                                                                   \
        ::nodo::log::Line(category)
