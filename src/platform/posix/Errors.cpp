#include "platform/Errors.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace nodo {

int StrToInt(const std::string& text) {
    size_t b = 0, e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t'))
        ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t'))
        --e;
    const std::string t = text.substr(b, e - b);
    const std::string what = "'" + text + "' is not a valid integer value";
    if (t.empty()) throw ConvertError(what);
    size_t i = (t[0] == '-' || t[0] == '+') ? 1 : 0;
    if (i == t.size()) throw ConvertError(what);
    for (size_t k = i; k < t.size(); ++k)
        if (t[k] < '0' || t[k] > '9') throw ConvertError(what);
    errno = 0;
    const long long v = std::strtoll(t.c_str(), nullptr, 10);
    if (errno == ERANGE || v < INT_MIN || v > INT_MAX) throw ConvertError(what);
    return static_cast<int>(v);
}

} // namespace nodo
