#include "notes/rtf/RtfWriter.h"

#include "notes/rtf/Utf8.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

namespace nodo::rtf {

namespace {

// The face the editors are designed with; it is the table's default font \f0, so that text in
// the editor's own font needs no \f at all.
constexpr const char* kDefaultFace = "\xE5\xAE\x8B\xE4\xBD\x93"; // 宋体

// The RTF being written. Room is made ahead for each piece, and the piece is written through a
// pointer, so that a document of many small pieces (a \uN? per Chinese character) costs one check
// per piece, not a string append per byte. The room is left as it is, not cleared: it is made for
// the most the text could grow to, several times what it mostly becomes, and only what was written
// is copied out at the end.
class Out {
public:
    explicit Out(std::size_t expected)
        : m_buf(std::make_unique_for_overwrite<char[]>(expected)), m_capacity(expected) {}

    // At least n bytes to write to at the end; advance() then says how many were written.
    char* room(std::size_t n) {
        if (m_capacity - m_size < n) {
            const std::size_t capacity = std::max(m_capacity * 2, m_size + n);
            auto buf = std::make_unique_for_overwrite<char[]>(capacity);
            std::memcpy(buf.get(), m_buf.get(), m_size);
            m_buf = std::move(buf);
            m_capacity = capacity;
        }
        return m_buf.get() + m_size;
    }
    void advance(const char* to) { m_size = static_cast<std::size_t>(to - m_buf.get()); }

    Out& operator+=(std::string_view s) {
        char* p = room(s.size());
        std::memcpy(p, s.data(), s.size());
        m_size += s.size();
        return *this;
    }
    Out& operator+=(char c) {
        *room(1) = c;
        ++m_size;
        return *this;
    }

    std::string take() && { return {m_buf.get(), m_size}; }

private:
    std::unique_ptr<char[]> m_buf;
    std::size_t m_capacity;
    std::size_t m_size = 0;
};

// Writes n in decimal at p; returns the end.
char* PutNumber(char* p, long long n) {
    return std::to_chars(p, p + 20, n).ptr;
}

// Writes the literal at p; returns the end.
template <std::size_t N> char* Put(char* p, const char (&literal)[N]) {
    std::memcpy(p, literal, N - 1);
    return p + N - 1;
}

void AppendNumber(Out& out, long long n) {
    out.advance(PutNumber(out.room(20), n));
}

// Whether an ASCII byte goes out as it is in text, and the same in a font name (no ';').
constexpr std::array<std::array<bool, 256>, 2> kPlain = [] {
    std::array<std::array<bool, 256>, 2> t{};
    for (unsigned c = 0x20; c < 0x7F; ++c)
        t[0][c] = t[1][c] = c != '\\' && c != '{' && c != '}';
    t[1][';'] = false;
    return t;
}();

std::uint64_t Load8(const unsigned char* p) {
    std::uint64_t w;
    std::memcpy(&w, p, sizeof w);
    return w;
}

// Whether all eight bytes of w go out as they are (kPlain), tested at once: no byte from 0x80
// up, below 0x20 or 0x7F, and none of the specials. Whatever the order of the bytes in w.
constexpr bool EightPlain(std::uint64_t w, bool fontName) {
    constexpr std::uint64_t kOnes = 0x0101010101010101u, kHighs = 0x8080808080808080u;
    // Non-zero when some byte of v is zero (and every byte is below 0x80).
    const auto zeroByte = [](std::uint64_t v) { return (v - kOnes) & ~v & kHighs; };
    if ((w & kHighs) != 0 || ((w - 0x20 * kOnes) & ~w & kHighs) != 0 || ((w + kOnes) & kHighs) != 0)
        return false;
    return (zeroByte(w ^ ('\\' * kOnes)) | zeroByte(w ^ ('{' * kOnes)) | zeroByte(w ^ ('}' * kOnes)) |
            (fontName ? zeroByte(w ^ (';' * kOnes)) : 0)) == 0;
}

// The two digits of 0 to 99, for writing numbers two digits at a time.
constexpr std::array<char, 200> kDigitPairs = [] {
    std::array<char, 200> t{};
    for (std::size_t i = 0; i < 100; ++i) {
        t[2 * i] = static_cast<char>('0' + i / 10);
        t[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
    return t;
}();

// One UTF-16 unit as \uN? (N signed, as RTF has it), at p; returns the end. Chinese text is
// almost all of a note and about a third of it is past U+7FFF, so the sign is unforeseeable: the
// sign, the digits and the '?' are put together without a branch and stored as one word. Writes
// up to kUnitRoom bytes, of which the result says how many count.
inline char* PutUnit(char* p, unsigned u) {
    const int v = static_cast<std::int16_t>(static_cast<std::uint16_t>(u));
    const unsigned negative = v < 0 ? 1 : 0;
    const auto n = static_cast<unsigned>(v < 0 ? -v : v); // at most 32768
    const unsigned high = n / 100, low = n % 100;         // high at most 327
    p[0] = '\\';
    p[1] = 'u';
    p[2] = '-';
    p += 2 + negative;
    if constexpr (std::endian::native == std::endian::little) {
        std::uint16_t middle, last;
        std::memcpy(&middle, &kDigitPairs[std::size_t{2} * (high % 100)], 2);
        std::memcpy(&last, &kDigitPairs[std::size_t{2} * low], 2);
        const std::uint64_t word = std::uint64_t{'0' + high / 100} | std::uint64_t{middle} << 8 |
                                   std::uint64_t{last} << 24 | std::uint64_t{'?'} << 40;
        // Every character of Chinese has five digits either way.
        if (n >= 10000) {
            std::memcpy(p, &word, sizeof word);
            return p + 6;
        }
    }
    const unsigned digits = 1u + (n >= 10) + (n >= 100) + (n >= 1000) + (n >= 10000);
    if constexpr (std::endian::native == std::endian::little) {
        // Five digits with leading zeros and the '?', first byte first; the zeros are shifted out.
        std::uint16_t middle, last;
        std::memcpy(&middle, &kDigitPairs[std::size_t{2} * (high % 100)], 2);
        std::memcpy(&last, &kDigitPairs[std::size_t{2} * low], 2);
        std::uint64_t word = std::uint64_t{'0' + high / 100} | std::uint64_t{middle} << 8 |
                             std::uint64_t{last} << 24 | std::uint64_t{'?'} << 40;
        word >>= 8 * (5 - digits);
        std::memcpy(p, &word, sizeof word);
    } else {
        char all[6] = {static_cast<char>('0' + high / 100),
                       kDigitPairs[std::size_t{2} * (high % 100)],
                       kDigitPairs[std::size_t{2} * (high % 100) + 1],
                       kDigitPairs[std::size_t{2} * low],
                       kDigitPairs[std::size_t{2} * low + 1],
                       '?'};
        std::memcpy(p, all + 5 - digits, digits + 1);
    }
    return p + digits + 1;
}

// What PutUnit may write: "\u-", eight bytes of digits, and no more.
constexpr std::size_t kUnitRoom = 11;

// Whether the four bytes at p start with the form of a character of three bytes of UTF-8: a lead
// byte 1110xxxx and two bytes 10xxxxxx.
bool ThreeByteForm(const unsigned char* p) {
    std::uint32_t w;
    std::memcpy(&w, p, sizeof w);
    if constexpr (std::endian::native == std::endian::little)
        return (w & 0x00C0C0F0u) == 0x008080E0u;
    else
        return (w & 0xF0C0C000u) == 0xE0808000u;
}

// The most one byte of UTF-8 becomes: a bad byte is \u-3? (five), a ';' in a font name \'3b, a
// tab \tab and a character outside the basic plane (four bytes) two units of at most nine.
constexpr std::size_t kMaxGrowth = 5;

// Text of a run or a font name: RTF specials escaped, non-ASCII as \uN?. In a font name the ';'
// would end the name, and tabs and line breaks have no meaning. A note's text is short stretches
// of ASCII between stretches of Chinese, so both are copied byte by byte in loops of their own.
void AppendText(Out& out, std::string_view utf8, bool fontName = false) {
    const auto& plain = kPlain[fontName ? 1 : 0];
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* const end = p + utf8.size();
    // PutUnit may write past what it keeps, by at most kUnitRoom bytes.
    char* o = out.room(utf8.size() * kMaxGrowth + kUnitRoom);
    while (p < end) {
        if (*p < 0x80) {
            if (plain[*p]) {
                for (std::uint64_t w; end - p >= 8 && EightPlain(w = Load8(p), fontName); p += 8, o += 8)
                    std::memcpy(o, &w, sizeof w);
                while (p < end && plain[*p])
                    *o++ = static_cast<char>(*p++);
                continue;
            }
            const char c = static_cast<char>(*p++);
            if (c == '\\' || c == '{' || c == '}') {
                *o++ = '\\';
                *o++ = c;
            } else if (c == ';') {
                o = Put(o, "\\'3b");
            } else if (c == '\t' && !fontName) {
                o = Put(o, "\\tab ");
            }
            // Other control characters have no place in an editor's text.
            continue;
        }
        // A character of three bytes (all of Chinese) is taken here, its bytes looked at at once
        // where four are left; the rest as the shared decoder reads it (a bad byte gives U+FFFD).
        if (end - p >= 4
                ? ThreeByteForm(p)
                : (p[0] & 0xF0) == 0xE0 && end - p >= 3 && (p[1] & 0xC0) == 0x80 && (p[2] & 0xC0) == 0x80) {
            const unsigned c = (p[0] & 0x0Fu) << 12 | (p[1] & 0x3Fu) << 6 | (p[2] & 0x3Fu);
            if (c >= 0x800 && (c < 0xD800 || c > 0xDFFF) && c != 0x2028) {
                o = PutUnit(o, c);
                p += 3;
                continue;
            }
        }
        std::size_t length;
        const char32_t c = DecodeUtf8(p, end, length);
        p += length;
        if (c == 0x2028) {
            if (!fontName) {
                o = Put(o, "\\line ");
            }
        } else if (c >= 0x10000) {
            const unsigned v = static_cast<unsigned>(c) - 0x10000;
            o = PutUnit(o, 0xD800 + (v >> 10));
            o = PutUnit(o, 0xDC00 + (v & 0x3FF));
        } else {
            o = PutUnit(o, static_cast<unsigned>(c));
        }
    }
    out.advance(o);
}

// The font and colour tables, numbered in order of first use, each looked up once per run in a
// hash table, so that writing is linear in the document's size however many colours it holds.
class Tables {
public:
    struct RunCodes {
        int font = -1, color = 0, background = 0;
    };

    // The codes of every run in document order, for the body to write.
    std::vector<RunCodes> collect(const Document& doc) {
        std::vector<RunCodes> codes;
        for (const auto& p : doc.paragraphs)
            for (const auto& r : p.runs) {
                RunCodes c;
                c.font = font(r.format);
                if (r.format.color) c.color = color(*r.format.color);
                if (r.format.background) c.background = color(*r.format.background);
                if (!r.text.empty()) codes.push_back(c);
            }
        return codes;
    }

    // About what write() adds.
    std::size_t size() const {
        std::size_t n = 64 + 24 * m_colors.size();
        for (const auto& f : m_fonts)
            n += 32 + f.first.size() * 3;
        return n;
    }

    void write(Out& out) const {
        out += "{\\fonttbl";
        auto entry = [&out](int n, std::string_view name, int charset) {
            out += "{\\f";
            AppendNumber(out, n);
            out += "\\fnil\\fcharset";
            AppendNumber(out, charset);
            out += ' ';
            AppendText(out, name, true);
            out += ";}";
        };
        entry(0, kDefaultFace, kGb2312Charset);
        for (std::size_t i = 0; i < m_fonts.size(); ++i)
            entry(static_cast<int>(i) + 1, m_fonts[i].first, m_fonts[i].second);
        out += "}\r\n";
        if (m_colors.empty()) return;
        out += "{\\colortbl ;";
        for (const auto& c : m_colors) {
            out += "\\red";
            AppendNumber(out, c.r);
            out += "\\green";
            AppendNumber(out, c.g);
            out += "\\blue";
            AppendNumber(out, c.b);
            out += ';';
        }
        out += "}\r\n";
    }

private:
    // Font numbers from 1; \f0 is the default face (an explicit 宋体 gets its own).
    int font(const CharFormat& f) {
        if (f.font.empty()) return -1;
        // Runs in a row mostly share their face.
        if (m_last >= 0 && m_fonts[static_cast<std::size_t>(m_last)].second == f.charset &&
            m_fonts[static_cast<std::size_t>(m_last)].first == f.font)
            return m_last + 1;
        // A note uses a few faces by turns: they are found without making a key.
        if (m_fonts.size() <= kFewFonts)
            for (std::size_t i = 0; i < m_fonts.size(); ++i)
                if (m_fonts[i].second == f.charset && m_fonts[i].first == f.font) {
                    m_last = static_cast<int>(i);
                    return m_last + 1;
                }
        std::string key = f.font;
        key += '\0';
        key += std::to_string(f.charset);
        const auto [it, added] = m_fontNumbers.try_emplace(std::move(key), static_cast<int>(m_fonts.size()));
        if (added) m_fonts.emplace_back(f.font, f.charset);
        m_last = it->second;
        return m_last + 1;
    }
    // Colour numbers from 1; 0 is "automatic".
    int color(Rgb c) {
        // A note uses a few colours by turns: they are found without the hash table.
        if (m_colors.size() <= kFewColors)
            for (std::size_t i = 0; i < m_colors.size(); ++i)
                if (m_colors[i] == c) return static_cast<int>(i) + 1;
        const std::uint32_t key = (std::uint32_t{c.r} << 16) | (std::uint32_t{c.g} << 8) | c.b;
        const auto [it, added] = m_colorNumbers.try_emplace(key, static_cast<int>(m_colors.size()) + 1);
        if (added) m_colors.push_back(c);
        return it->second;
    }

    static constexpr std::size_t kFewFonts = 8;
    static constexpr std::size_t kFewColors = 8;
    std::vector<std::pair<std::string, int>> m_fonts; // name and charset of \f1, \f2, ...
    std::unordered_map<std::string, int> m_fontNumbers;
    int m_last = -1;
    std::vector<Rgb> m_colors;
    std::unordered_map<std::uint32_t, int> m_colorNumbers;
};

const char* AlignWord(Align a) {
    switch (a) {
    case Align::Center:
        return "\\qc";
    case Align::Right:
        return "\\qr";
    case Align::Justify:
        return "\\qj";
    case Align::Left:
        break;
    }
    return "";
}

} // namespace

std::string WriteRtf(const Document& doc) {
    Tables tables;
    const std::vector<Tables::RunCodes> codes = tables.collect(doc);

    std::size_t text = 0;
    for (const auto& p : doc.paragraphs)
        for (const auto& r : p.runs)
            text += r.text.size() + 32;
    // Chinese text grows from three bytes of UTF-8 to about eight of \uN?.
    Out out(text * 3 + 64 * (doc.paragraphs.size() + 1) + tables.size() + 256);
    out += "{\\rtf1\\ansi\\ansicpg936\\deff0\\uc1";
    tables.write(out);
    out += "\\viewkind4";
    std::size_t run = 0;
    for (const auto& p : doc.paragraphs) {
        out += "\\pard";
        out += AlignWord(p.align);
        out += ' ';
        for (const auto& r : p.runs) {
            if (r.text.empty()) continue;
            const Tables::RunCodes& code = codes[run++];
            const CharFormat& f = r.format;
            if (f.font.empty() && f.halfPoints == 0 && !f.bold && !f.italic && !f.underline && !f.strike &&
                !f.color && !f.background) {
                AppendText(out, r.text);
                continue;
            }
            // The group's control words, at most about a hundred bytes.
            char* o = out.room(128);
            *o++ = '{';
            if (code.font >= 0) o = PutNumber(Put(o, "\\f"), code.font);
            if (f.halfPoints > 0) o = PutNumber(Put(o, "\\fs"), f.halfPoints);
            if (f.bold) o = Put(o, "\\b");
            if (f.italic) o = Put(o, "\\i");
            if (f.underline) o = Put(o, "\\ul");
            if (f.strike) o = Put(o, "\\strike");
            if (f.color) o = PutNumber(Put(o, "\\cf"), code.color);
            if (f.background) o = PutNumber(Put(o, "\\highlight"), code.background);
            *o++ = ' ';
            out.advance(o);
            AppendText(out, r.text);
            out += '}';
        }
        out += "\\par\r\n";
    }
    out += "}\r\n";
    return std::move(out).take();
}

} // namespace nodo::rtf
