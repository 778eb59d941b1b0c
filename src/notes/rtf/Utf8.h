#pragma once
// UTF-8 in and out for the RTF reader and writer.
#include <string>
#include <string_view>

namespace nodo::rtf {

inline constexpr char32_t kReplacement = 0xFFFD;

inline void AppendUtf8(std::string& out, char32_t c) {
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = kReplacement;
    if (c < 0x80) {
        out += static_cast<char>(c);
        return;
    }
    // One append of the whole sequence.
    char buf[4];
    std::size_t n;
    if (c < 0x800) {
        buf[0] = static_cast<char>(0xC0 | (c >> 6));
        buf[1] = static_cast<char>(0x80 | (c & 0x3F));
        n = 2;
    } else if (c < 0x10000) {
        buf[0] = static_cast<char>(0xE0 | (c >> 12));
        buf[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        buf[2] = static_cast<char>(0x80 | (c & 0x3F));
        n = 3;
    } else {
        buf[0] = static_cast<char>(0xF0 | (c >> 18));
        buf[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        buf[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        buf[3] = static_cast<char>(0x80 | (c & 0x3F));
        n = 4;
    }
    out.append(buf, n);
}

// Calls fn for every code point; a byte that does not start a valid sequence gives U+FFFD.
template <class Fn> void ForEachCodepoint(std::string_view s, Fn fn) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c0 = static_cast<unsigned char>(s[i]);
        int extra = 0;
        char32_t c = c0;
        if (c0 >= 0xF0 && c0 <= 0xF4)
            extra = 3, c = c0 & 0x07;
        else if (c0 >= 0xE0 && c0 < 0xF0)
            extra = 2, c = c0 & 0x0F;
        else if (c0 >= 0xC2 && c0 < 0xE0)
            extra = 1, c = c0 & 0x1F;
        else if (c0 >= 0x80)
            extra = -1;
        bool ok = extra >= 0 && i + static_cast<std::size_t>(extra) < s.size();
        for (int k = 1; ok && k <= extra; ++k) {
            const auto ck = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
            if ((ck & 0xC0) != 0x80)
                ok = false;
            else
                c = (c << 6) | (ck & 0x3F);
        }
        static constexpr char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
        if (ok && (c < kMin[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))) ok = false;
        if (!ok) {
            fn(kReplacement);
            ++i;
            continue;
        }
        fn(c);
        i += static_cast<std::size_t>(extra) + 1;
    }
}

} // namespace nodo::rtf
