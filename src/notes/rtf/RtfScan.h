#pragma once
// The RTF reader's looks at its input byte by byte: which bytes are letters, digits, hex digits and
// specials, and the two that look at eight bytes at once (the letters of a control word, the
// digits of a \uN).
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace nodo::rtf::detail {

// The value of each hex digit, -1 for any other byte: two lookups for every \'xx.
inline constexpr std::array<signed char, 256> kHexValues = [] {
    std::array<signed char, 256> t{};
    for (auto& v : t)
        v = -1;
    for (std::size_t c = 0; c < 10; ++c)
        t['0' + c] = static_cast<signed char>(c);
    for (std::size_t c = 0; c < 6; ++c) {
        t['a' + c] = static_cast<signed char>(10 + c);
        t['A' + c] = static_cast<signed char>(10 + c);
    }
    return t;
}();

constexpr int HexValue(char c) {
    return kHexValues[static_cast<unsigned char>(c)];
}

constexpr bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

constexpr bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Whether the eight bytes at p start with five digits and a '?', as \uN? of a Chinese character
// is written, and their value. Looked at and added up eight bytes at a time: a stretch of such
// characters is read without a branch that depends on the digits.
inline bool FiveDigitsAndMark(const char* p, long& v) {
    if constexpr (std::endian::native == std::endian::little) {
        std::uint64_t word;
        std::memcpy(&word, p, sizeof word);
        const std::uint64_t low = word & 0x0F0F0F0F0F0F0F0Fu;
        // Non-zero in each byte that is no digit: its high half is not 3, or its low half past 9.
        const std::uint64_t other = ((word & 0xF0F0F0F0F0F0F0F0u) ^ 0x3030303030303030u) |
                                    ((low + 0x0606060606060606u) & 0xF0F0F0F0F0F0F0F0u);
        if ((other & 0xFFFFFFFFFFu) != 0 || ((word >> 40) & 0xFF) != '?') return false;
        // The digits moved to the top, with zeros before them, added up in pairs, fours, eights.
        std::uint64_t x = low << 24;
        x = x * 10 + (x >> 8);
        x = (((x & 0x000000FF000000FFu) * (100 + (1000000ull << 32))) +
             (((x >> 16) & 0x000000FF000000FFu) * (1 + (10000ull << 32)))) >>
            32;
        v = static_cast<long>(static_cast<std::uint32_t>(x));
        return true;
    } else {
        v = 0;
        for (int i = 0; i < 5; ++i) {
            if (!IsDigit(p[i])) return false;
            v = v * 10 + (p[i] - '0');
        }
        return p[5] == '?';
    }
}

// How many of the eight bytes at p are letters before the first that is not, and those letters
// packed as the word table packs a short word (the first in the lowest byte), in key.
inline std::size_t LeadingLetters(const char* p, std::uint64_t& key) {
    if constexpr (std::endian::native == std::endian::little) {
        constexpr std::uint64_t kOnes = 0x0101010101010101u, kHighs = 0x8080808080808080u;
        std::uint64_t word;
        std::memcpy(&word, p, sizeof word);
        // Upper case folded to lower; a byte is a letter when it is then from 'a' to 'z' and
        // was below 0x80.
        const std::uint64_t folded = (word | 0x2020202020202020u) & 0x7F7F7F7F7F7F7F7Fu;
        const std::uint64_t fromA = folded + (0x80 - 'a') * kOnes, pastZ = folded + (0x7F - 'z') * kOnes;
        const std::uint64_t letters = fromA & ~pastZ & ~word & kHighs;
        const std::uint64_t others = ~letters & kHighs;
        const std::size_t count = others ? static_cast<std::size_t>(std::countr_zero(others)) / 8 : 8;
        key = count == 8 ? word : word & ((std::uint64_t{1} << (8 * count)) - 1);
        return count;
    } else {
        std::size_t count = 0;
        key = 0;
        for (; count < 8 && IsLetter(p[count]); ++count)
            key |= std::uint64_t{static_cast<unsigned char>(p[count])} << (8 * count);
        return count;
    }
}

// The bytes that are not text as they stand.
inline constexpr std::array<bool, 256> kSpecial = [] {
    std::array<bool, 256> t{};
    for (const unsigned char c : {'\\', '{', '}', '\r', '\n'})
        t[c] = true;
    return t;
}();

constexpr bool IsSpecial(char c) {
    return kSpecial[static_cast<unsigned char>(c)];
}

// The bytes of text that read the same in every code page and are kept as they are: printable
// ASCII but for the RTF specials.
inline constexpr std::array<bool, 256> kPlainAscii = [] {
    std::array<bool, 256> t{};
    for (unsigned c = 0x20; c < 0x7F; ++c)
        t[c] = c != '\\' && c != '{' && c != '}';
    return t;
}();

} // namespace nodo::rtf::detail
