#pragma once
// UTF-8 in and out for the RTF reader and writer.
#include <string>
#include <string_view>

namespace nodo::rtf {

inline constexpr char32_t kReplacement = 0xFFFD;

// Writes the UTF-8 of c (U+FFFD for a surrogate or past U+10FFFF) at p; returns its length.
inline std::size_t EncodeUtf8(char* p, char32_t c) {
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = kReplacement;
    if (c < 0x80) {
        p[0] = static_cast<char>(c);
        return 1;
    }
    if (c < 0x800) {
        p[0] = static_cast<char>(0xC0 | (c >> 6));
        p[1] = static_cast<char>(0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000) {
        p[0] = static_cast<char>(0xE0 | (c >> 12));
        p[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        p[2] = static_cast<char>(0x80 | (c & 0x3F));
        return 3;
    }
    p[0] = static_cast<char>(0xF0 | (c >> 18));
    p[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    p[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    p[3] = static_cast<char>(0x80 | (c & 0x3F));
    return 4;
}

inline void AppendUtf8(std::string& out, char32_t c) {
    // One append of the whole sequence.
    char buf[4];
    out.append(buf, EncodeUtf8(buf, c));
}

// The code point that starts at `p` (before `end`) and its length in bytes: a byte that does not
// start a valid sequence (overlong, a surrogate, past U+10FFFF or cut short) is U+FFFD of length 1.
inline char32_t DecodeUtf8(const unsigned char* p, const unsigned char* end, std::size_t& length) {
    const unsigned c0 = *p;
    length = 1;
    if (c0 < 0x80) return c0;
    std::size_t extra;
    char32_t c;
    char32_t min;
    if (c0 >= 0xC2 && c0 < 0xE0)
        extra = 1, c = c0 & 0x1F, min = 0x80;
    else if (c0 >= 0xE0 && c0 < 0xF0)
        extra = 2, c = c0 & 0x0F, min = 0x800;
    else if (c0 >= 0xF0 && c0 <= 0xF4)
        extra = 3, c = c0 & 0x07, min = 0x10000;
    else
        return kReplacement;
    if (static_cast<std::size_t>(end - p) <= extra) return kReplacement;
    for (std::size_t k = 1; k <= extra; ++k) {
        if ((p[k] & 0xC0) != 0x80) return kReplacement;
        c = (c << 6) | (p[k] & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return kReplacement;
    length = extra + 1;
    return c;
}

// Calls fn for every code point; a byte that does not start a valid sequence gives U+FFFD.
template <class Fn> void ForEachCodepoint(std::string_view s, Fn fn) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const auto* const end = p + s.size();
    while (p < end) {
        std::size_t length;
        fn(DecodeUtf8(p, end, length));
        p += length;
    }
}

} // namespace nodo::rtf
