#include "log/Log.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

namespace nodo::log {
namespace {

std::string_view trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

// Qt's patterns: "name", "*", "name*", "*name", "*name*".
bool matches(std::string_view pattern, std::string_view category) {
    const bool head = !pattern.empty() && pattern.front() == '*';
    if (head) pattern.remove_prefix(1);
    const bool tail = !pattern.empty() && pattern.back() == '*';
    if (tail) pattern.remove_suffix(1);
    if (head && tail) return category.find(pattern) != std::string_view::npos;
    if (head)
        return category.size() >= pattern.size() &&
               category.substr(category.size() - pattern.size()) == pattern;
    if (tail) return category.substr(0, pattern.size()) == pattern;
    return category == pattern;
}

} // namespace

bool enabledBy(std::string_view rules, std::string_view category) {
    bool on = false;
    while (!rules.empty()) {
        const auto end = rules.find_first_of(";\n");
        const std::string_view rule = trim(rules.substr(0, end));
        rules = end == std::string_view::npos ? std::string_view{} : rules.substr(end + 1);

        const auto eq = rule.find('=');
        if (eq == std::string_view::npos) continue;
        std::string_view pattern = trim(rule.substr(0, eq));
        const std::string_view value = trim(rule.substr(eq + 1));
        if (value != "true" && value != "false") continue;
        // A rule for another message type says nothing of the debug messages.
        if (const auto dot = pattern.rfind('.'); dot != std::string_view::npos) {
            const std::string_view type = pattern.substr(dot + 1);
            if (type == "debug")
                pattern = pattern.substr(0, dot);
            else if (type == "info" || type == "warning" || type == "critical")
                continue;
        }
        if (matches(pattern, category)) on = value == "true";
    }
    return on;
}

bool enabled(std::string_view category) {
    static const std::string rules = [] {
        const char* env = std::getenv("QT_LOGGING_RULES");
        return std::string(env ? env : "");
    }();
    return !rules.empty() && enabledBy(rules, category);
}

void write(std::string_view category, std::string_view message) {
    static std::mutex lock;
    std::string line;
    line.reserve(category.size() + message.size() + 3);
    line.append(category).append(": ").append(message).push_back('\n');
    const std::lock_guard guard(lock);
    std::fwrite(line.data(), 1, line.size(), stderr);
}

} // namespace nodo::log
