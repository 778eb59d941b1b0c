#pragma once
#include <string>
#include <string_view>

namespace nodo {

// The locale's narrow encoding stands in for the system's "ANSI code page". Text in memory is UTF-8.
// Bytes that are not valid UTF-8 are taken as GBK (Chinese files written elsewhere).
std::string FromAnsi(std::string_view bytes);
std::string ToAnsi(std::string_view utf8);
bool IsValidUtf8(std::string_view bytes);

} // namespace nodo
