#include "notes/rtf/RtfReader.h"

#include "notes/rtf/Codepage.h"
#include "notes/rtf/RtfWords.h"
#include "notes/rtf/Utf8.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace nodo::rtf {

namespace {

enum class Dest { Text, FontTable, ColorTable, Skip };

// What a group carries: the destination its text goes to and the character and paragraph
// properties. A group starts with a copy of its parent's state and drops it at its end.
struct State {
    Dest dest = Dest::Text;
    int font = -1; // -1: the document's default font
    int halfPoints = 0;
    bool bold = false, italic = false, underline = false, strike = false, hidden = false;
    int color = 0, background = 0;
    Align align = Align::Left;
    int uc = 1;
};

struct Font {
    std::string name;
    int charset = kDefaultCharset;
    int codepage = 0;
};

// Groups deeper than this share their parent's state: no document needs more, and it bounds memory.
constexpr std::size_t kMaxDepth = 256;
// Font names longer than this are cut (Windows allows 31 characters).
constexpr std::size_t kMaxFontName = 96;
constexpr long long kMaxParam = 1'000'000'000;

// A font name without line breaks and without the blanks around it.
std::string CleanFontName(std::string name) {
    for (std::size_t at; (at = name.find("\xE2\x80\xA8")) != std::string::npos;)
        name.erase(at, 3);
    const auto first = name.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return name.substr(first, name.find_last_not_of(' ') - first + 1);
}

// The value of each hex digit, -1 for any other byte: two lookups for every \'xx.
constexpr std::array<signed char, 256> kHexValues = [] {
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

int HexValue(char c) {
    return kHexValues[static_cast<unsigned char>(c)];
}

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Whether the eight bytes at p start with five digits and a '?', as \uN? of a Chinese character
// is written, and their value. Looked at and added up eight bytes at a time: a stretch of such
// characters is read without a branch that depends on the digits.
bool FiveDigitsAndMark(const char* p, long& v) {
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
std::size_t LeadingLetters(const char* p, std::uint64_t& key) {
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
constexpr std::array<bool, 256> kSpecial = [] {
    std::array<bool, 256> t{};
    for (const unsigned char c : {'\\', '{', '}', '\r', '\n'})
        t[c] = true;
    return t;
}();

bool IsSpecial(char c) {
    return kSpecial[static_cast<unsigned char>(c)];
}

// The bytes of text that read the same in every code page and are kept as they are: printable
// ASCII but for the RTF specials.
constexpr std::array<bool, 256> kPlainAscii = [] {
    std::array<bool, 256> t{};
    for (unsigned c = 0x20; c < 0x7F; ++c)
        t[c] = c != '\\' && c != '{' && c != '}';
    return t;
}();

// A run of no text yet in a format, made where it is put: the vector's element is made directly
// from the value this gives.
struct NewRun {
    const CharFormat& format;
    operator Run() const { return Run{std::string(), format}; }
};

class Reader {
public:
    explicit Reader(std::string_view in) : m_in(in) {
        m_states.emplace_back();
        m_doc.paragraphs.emplace_back();
    }

    Document run() {
        // The input is the same throughout: its bounds are kept here rather than read again from
        // the reader after every byte it writes.
        const char* const in = m_in.data();
        const std::size_t size = m_in.size();
        while (m_pos < size) {
            const char c = in[m_pos++];
            switch (c) {
            case '{':
                m_skip = 0;
                flush();
                openGroup();
                break;
            case '}':
                m_skip = 0;
                flush();
                closeGroup();
                if (m_done) m_pos = size;
                break;
            case '\\':
                control();
                break;
            case '\r':
            case '\n':
                break;
            default:
                if (m_skip == 0 && state().dest == Dest::Text)
                    plainText();
                else
                    textByte(c);
            }
        }
        flush();
        finishFont();
        forgetRun();
        if (m_doc.paragraphs.size() > 1 && m_doc.paragraphs.back().runs.empty()) m_doc.paragraphs.pop_back();
        // Already normal as it is made: a run is started for text only, in a format other than the
        // run before it, and its charset is dropped with its face.
        return std::move(m_doc);
    }

private:
    State& state() { return m_states.back(); }

    void openGroup() {
        if (m_states.size() >= kMaxDepth)
            ++m_overflow;
        else
            m_states.push_back(m_states.back());
    }

    void closeGroup() {
        if (m_overflow > 0) {
            --m_overflow;
            return;
        }
        if (m_states.size() <= 1) return; // a stray '}' before the document
        if (state().dest == Dest::FontTable) finishFont();
        m_states.pop_back();
        forgetRun();
        if (m_states.size() == 1) m_done = true; // the document's own group is closed
    }

    void textByte(char c) {
        if (m_skip > 0) {
            --m_skip;
            return;
        }
        switch (state().dest) {
        case Dest::Text:
            m_pending += c;
            break;
        case Dest::FontTable:
            if (c == ';')
                finishFont();
            else if (m_fontEntry >= 0)
                m_pending += c;
            break;
        case Dest::ColorTable:
            if (c == ';') {
                m_colors.push_back(m_colorSeen ? std::optional<Rgb>(m_color) : std::nullopt);
                ++m_tables;
                m_color = {};
                m_colorSeen = false;
            }
            break;
        case Dest::Skip:
            break;
        }
    }

    // A stretch of text, up to the next special byte; m_pos is after its first byte. Printable
    // ASCII with no code-page bytes before or after it goes to its run at once; the rest waits
    // in m_pending for the bytes it may combine with.
    void plainText() {
        const char* const end = m_in.data() + m_in.size();
        const char* p = m_in.data() + m_pos - 1;
        if (m_pending.empty() && !m_high) {
            const char* q = p;
            while (q < end && kPlainAscii[static_cast<unsigned char>(*q)])
                ++q;
            // Unless code-page bytes follow (after line ends, which are nothing): a converter may
            // combine a letter with the mark after it, so they are decoded together.
            const char* next = q;
            while (next < end && (*next == '\r' || *next == '\n'))
                ++next;
            const bool joined =
                next < end && (!IsSpecial(*next) || (next[0] == '\\' && next + 1 < end && next[1] == '\''));
            if (q > p && !joined) {
                if (std::string* run = runText()) run->append(p, static_cast<std::size_t>(q - p));
                p = q;
            }
        }
        const char* q = p;
        while (q < end && !IsSpecial(*q))
            ++q;
        if (q > p) m_pending.append(p, static_cast<std::size_t>(q - p));
        m_pos = static_cast<std::size_t>(q - m_in.data());
    }

    // After a \'xx of text: the ones that follow it at once (line ends between them are nothing),
    // as code-page text is written, gathered in one loop.
    void hexStretch() {
        const char* const end = m_in.data() + m_in.size();
        const char* p = m_in.data() + m_pos;
        char buf[256];
        std::size_t n = 0;
        for (;;) {
            while (p < end && (*p == '\r' || *p == '\n'))
                ++p;
            if (end - p < 4 || p[0] != '\\' || p[1] != '\'') break;
            const int high = HexValue(p[2]), low = HexValue(p[3]);
            if (high < 0 || low < 0) break;
            if (n == sizeof buf) {
                m_pending.append(buf, n);
                n = 0;
            }
            buf[n++] = static_cast<char>(high * 16 + low);
            p += 4;
        }
        m_pending.append(buf, n);
        m_pos = static_cast<std::size_t>(p - m_in.data());
    }

    // A backslash was read: a control symbol, a hex byte or a control word with its parameter.
    void control() {
        if (m_pos >= m_in.size()) return;
        const char c = m_in[m_pos];
        if (!IsLetter(c)) {
            ++m_pos;
            symbol(c);
            return;
        }
        if (c == 'u' && unicodeStretch()) return;
        // Read through a local pointer: this runs once for every \uN of Chinese text.
        const char* const end = m_in.data() + m_in.size();
        const char* const begin = m_in.data() + m_pos;
        const char* p = begin;
        // The first letters packed as the word table's short words are: eight bytes looked at
        // once where there are eight, a letter at a time after them and near the end.
        std::uint64_t key = 0;
        unsigned shift = 0;
        if (end - p >= 8) {
            const std::size_t letters = LeadingLetters(p, key);
            p += letters;
            shift = 8 * static_cast<unsigned>(letters);
        }
        if (shift == 0 || shift == 8 * WordTable::kShortWord)
            for (; p < end && IsLetter(*p); ++p, shift += 8)
                if (shift < 8 * WordTable::kShortWord)
                    key |= std::uint64_t{static_cast<unsigned char>(*p)} << shift;
        const auto length = static_cast<std::size_t>(p - begin);
        const Word w = length == 1 && *begin == 'u' ? Word::Unicode
                       : length <= WordTable::kShortWord
                           ? kWords.findShort(key)
                           : LookUp(std::string_view(begin, std::min<std::size_t>(length, 32)));
        bool hasParam = false, negative = false;
        long long param = 0;
        if (p < end && *p == '-' && p + 1 < end && IsDigit(p[1])) {
            negative = true;
            ++p;
        }
        const char* const digits = p;
        for (unsigned d; p < end && (d = static_cast<unsigned char>(*p) - '0') <= 9; ++p)
            param = std::min(param * 10 + d, kMaxParam);
        hasParam = p > digits;
        if (negative) param = -param;
        if (p < end && *p == ' ') ++p;
        m_pos = static_cast<std::size_t>(p - m_in.data());

        if (w == Word::Binary) {
            // Binary data: skipped whole, whatever bytes it holds.
            if (hasParam && param > 0)
                m_pos += static_cast<std::size_t>(
                    std::min<long long>(param, static_cast<long long>(m_in.size() - m_pos)));
            if (m_skip > 0) --m_skip;
            return;
        }
        if (m_skip > 0) {
            --m_skip;
            return;
        }
        flush();
        controlWord(w, hasParam, static_cast<int>(param));
    }

    void symbol(char c) {
        if (c == '\'') {
            int value = -1;
            if (m_pos + 1 < m_in.size() && HexValue(m_in[m_pos]) >= 0 && HexValue(m_in[m_pos + 1]) >= 0) {
                value = HexValue(m_in[m_pos]) * 16 + HexValue(m_in[m_pos + 1]);
                m_pos += 2;
            }
            if (m_skip > 0) {
                --m_skip;
                return;
            }
            if (value < 0) return;
            const Dest d = state().dest;
            if (d == Dest::Text || (d == Dest::FontTable && m_fontEntry >= 0)) {
                m_pending += static_cast<char>(value);
                hexStretch();
            }
            return;
        }
        if (c == '\\' || c == '{' || c == '}') {
            textByte(c);
            return;
        }
        if (m_skip > 0) {
            --m_skip;
            return;
        }
        flush();
        forgetRun();
        switch (c) {
        case '*':
            state().dest = Dest::Skip;
            break;
        case '~':
            codepoint(0xA0);
            break;
        case '_':
            codepoint(0x2011);
            break;
        case '\r':
        case '\n':
            endParagraph();
            break;
        default:
            break; // \- optional hyphen, \| \: index marks, and anything unknown
        }
    }

    void controlWord(Word w, bool hasParam, int param) {
        State& s = state();
        if (s.dest == Dest::Skip) return;
        // Only \uN leaves the state as it was, and with it the run its text goes to.
        if (w != Word::Unicode) forgetRun();
        const bool on = !hasParam || param != 0;
        switch (w) {
        case Word::SkippedDestination:
            s.dest = Dest::Skip;
            return;
        case Word::FontTable:
            s.dest = Dest::FontTable;
            return;
        case Word::ColorTable:
            s.dest = Dest::ColorTable;
            return;
        default:
            break;
        }
        if (s.dest == Dest::FontTable) {
            if (w == Word::Font) {
                finishFont();
                m_fontEntry = hasParam ? param : 0;
                m_fonts[m_fontEntry] = Font{};
                ++m_tables;
            } else if (m_fontEntry >= 0 && w == Word::FontCharset) {
                m_fonts[m_fontEntry].charset = param;
                ++m_tables;
            } else if (m_fontEntry >= 0 && w == Word::FontCodepage) {
                m_fonts[m_fontEntry].codepage = param;
            } else if (w == Word::Unicode) {
                unicode(param);
                skipFallback(s.uc);
            }
            return;
        }
        if (s.dest == Dest::ColorTable) {
            const auto channel = static_cast<std::uint8_t>(std::clamp(param, 0, 255));
            if (w == Word::Red)
                m_color.r = channel, m_colorSeen = true;
            else if (w == Word::Green)
                m_color.g = channel, m_colorSeen = true;
            else if (w == Word::Blue)
                m_color.b = channel, m_colorSeen = true;
            return;
        }
        switch (w) {
        case Word::AnsiCodepage:
            if (param > 0) m_ansiCodepage = param;
            break;
        case Word::Mac:
            m_ansiCodepage = 10000;
            break;
        case Word::Pc:
            m_ansiCodepage = 437;
            break;
        case Word::Pca:
            m_ansiCodepage = 850;
            break;
        case Word::DefaultFont:
            m_deff = param;
            break;
        case Word::UnicodeCount:
            s.uc = std::clamp(param, 0, 1000);
            break;
        case Word::Unicode:
            unicode(param);
            skipFallback(s.uc);
            break;
        case Word::Plain: {
            const State keep = s;
            s = State{};
            s.dest = keep.dest;
            s.align = keep.align;
            s.uc = keep.uc;
            break;
        }
        case Word::Pard:
        case Word::AlignLeft:
            s.align = Align::Left;
            break;
        case Word::AlignCenter:
            s.align = Align::Center;
            break;
        case Word::AlignRight:
            s.align = Align::Right;
            break;
        case Word::AlignJustify:
            s.align = Align::Justify;
            break;
        case Word::Bold:
            s.bold = on;
            break;
        case Word::Italic:
            s.italic = on;
            break;
        case Word::Underline:
            s.underline = on;
            break;
        case Word::UnderlineNone:
            s.underline = false;
            break;
        case Word::Strike:
            s.strike = on;
            break;
        case Word::Hidden:
            s.hidden = on;
            break;
        case Word::Font:
            s.font = hasParam ? param : 0;
            break;
        case Word::FontSize:
            s.halfPoints = std::clamp(param, 0, 4000);
            break;
        case Word::Color:
            s.color = param;
            break;
        case Word::Background:
            s.background = param;
            break;
        case Word::Paragraph:
            endParagraph();
            break;
        case Word::Line:
            codepoint(0x2028);
            break;
        case Word::Tab:
            codepoint('\t');
            break;
        case Word::Emdash:
            codepoint(0x2014);
            break;
        case Word::Endash:
            codepoint(0x2013);
            break;
        case Word::Emspace:
            codepoint(0x2003);
            break;
        case Word::Enspace:
            codepoint(0x2002);
            break;
        case Word::Qmspace:
            codepoint(0x2005);
            break;
        case Word::Bullet:
            codepoint(0x2022);
            break;
        case Word::Lquote:
            codepoint(0x2018);
            break;
        case Word::Rquote:
            codepoint(0x2019);
            break;
        case Word::Ldblquote:
            codepoint(0x201C);
            break;
        case Word::Rdblquote:
            codepoint(0x201D);
            break;
        default:
            break; // unknown control words are ignored
        }
    }

    // The fallback of a \uN: `count` characters. The one plain byte that mostly follows is
    // passed over here; anything else is counted down as it is read.
    void skipFallback(int count) {
        m_skip = count;
        if (count == 1 && m_pos < m_in.size() && !IsSpecial(m_in[m_pos])) {
            ++m_pos;
            m_skip = 0;
        }
    }

    void unicode(int param) {
        long long v = param < 0 ? param + 65536LL : param;
        if (v < 0 || v > 0x10FFFF) v = kReplacement;
        codepoint(static_cast<char32_t>(v));
    }

    // Chinese text as it is mostly written: \uN after \uN, each with a one-byte fallback, read
    // in one loop straight into its run. A \uN it does not take (a surrogate, a control
    // character, a number past 0xFFFF, a fallback that is not one plain byte) is left to the
    // general path, which reads it the same way. m_pos is at the 'u' of the first;
    // it ends after the last one taken. Whether it took any.
    bool unicodeStretch() {
        const State& s = state();
        if (m_skip != 0 || m_high || s.dest != Dest::Text || s.uc > 1) return false;
        std::string* run = nullptr; // found with the first one taken: finding it sets the alignment
        const bool fallback = s.uc == 1;
        const char* const end = m_in.data() + m_in.size();
        const char* p = m_in.data() + m_pos; // at the 'u'
        const char* done = nullptr;          // after the last one taken
        char buf[256];
        std::size_t n = 0;
        for (;;) {
            const char* q = p + 1;
            // A third of Chinese is past U+7FFF, written negative: the sign moves the digits on
            // without a branch.
            const bool negative = q + 1 < end && *q == '-' && IsDigit(q[1]);
            q += negative ? 1 : 0;
            long v = 0;
            if (fallback && end - q >= 8 && FiveDigitsAndMark(q, v)) {
                q += 5;
            } else {
                // At most six digits here; a seventh leaves the number to the general path.
                const char* const digits = q;
                const char* const stop = end - digits > 6 ? digits + 6 : end;
                for (unsigned d; q < stop && (d = static_cast<unsigned char>(*q) - '0') <= 9; ++q)
                    v = v * 10 + d;
                if (q == digits || (q < end && IsDigit(*q))) break;
            }
            if (negative && v > 0) v = 65536 - v;
            if (v < 0x20 || v == 0x7F || (v >= 0xD800 && v <= 0xDFFF) || v > 0xFFFF) break;
            if (q < end && *q == ' ') ++q;
            if (!run) {
                flush();
                run = runText();
                if (!run) break;
            }
            if (n > sizeof buf - 4) {
                run->append(buf, n);
                n = 0;
            }
            n += EncodeUtf8(buf + n, static_cast<char32_t>(v));
            if (fallback) {
                if (q < end && !IsSpecial(*q)) {
                    ++q;
                } else {
                    m_skip = 1;
                    done = q;
                    break;
                }
            }
            done = q;
            if (end - q < 3 || q[0] != '\\' || q[1] != 'u') break;
            p = q + 1;
        }
        if (n > 0) run->append(buf, n);
        if (!done) return false;
        m_pos = static_cast<std::size_t>(done - m_in.data());
        return true;
    }

    // One character of text, with UTF-16 surrogate pairs from two \uN joined.
    void codepoint(char32_t c) {
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (m_high) emitCodepoint(kReplacement);
            m_high = c;
            return;
        }
        if (c >= 0xDC00 && c <= 0xDFFF) {
            if (!m_high) {
                emitCodepoint(kReplacement);
                return;
            }
            const char32_t full = 0x10000 + ((*m_high - 0xD800) << 10) + (c - 0xDC00);
            m_high.reset();
            emitCodepoint(full);
            return;
        }
        emitCodepoint(c);
    }

    void emitCodepoint(char32_t c) {
        if (c >= 0x20 && c != 0x7F && !m_high) {
            if (std::string* run = runText()) {
                AppendUtf8(*run, c);
                return;
            }
            if (state().dest != Dest::FontTable) return;
        }
        std::string utf8;
        AppendUtf8(utf8, c);
        emit(utf8);
    }

    int codepageOf(int fontNumber) const {
        const auto it = m_fonts.find(fontNumber);
        if (it == m_fonts.end()) return m_ansiCodepage;
        if (it->second.codepage > 0) return it->second.codepage;
        const int cp = CodepageOfCharset(it->second.charset);
        return cp > 0 ? cp : m_ansiCodepage;
    }

    // Decodes the bytes gathered since the last control word into the current destination.
    void flush() {
        if (m_pending.empty()) return;
        const State& s = state();
        // Printable ASCII reads the same in every code page and has nothing to drop.
        if (s.dest == Dest::Text && !m_high &&
            std::all_of(m_pending.begin(), m_pending.end(), [](char c) { return c >= 0x20 && c < 0x7F; })) {
            if (std::string* run = runText()) run->append(m_pending);
            m_pending.clear();
            return;
        }
        m_decoded.clear(); // kept between stretches, so its memory is reused
        if (s.dest == Dest::FontTable)
            m_decoder.decode(m_decoded, m_pending, codepageOf(m_fontEntry));
        else
            m_decoder.decode(m_decoded, m_pending, codepageOf(s.font >= 0 ? s.font : m_deff));
        m_pending.clear();
        emit(m_decoded);
    }

    // Text for the current destination; control characters other than the tab are dropped.
    void emit(std::string_view utf8) {
        // Most text holds no control characters: it goes to its run as it is.
        if (!m_high && state().dest == Dest::Text && std::none_of(utf8.begin(), utf8.end(), [](char c) {
                const auto u = static_cast<unsigned char>(c);
                return u < 0x20 || u == 0x7F;
            })) {
            if (utf8.empty()) return;
            if (std::string* run = runText()) run->append(utf8);
            return;
        }
        std::string text;
        if (m_high) {
            m_high.reset();
            AppendUtf8(text, kReplacement);
        }
        for (const char c : utf8) {
            const auto u = static_cast<unsigned char>(c);
            if ((u < 0x20 && c != '\t') || u == 0x7F) continue;
            text += c;
        }
        if (text.empty()) return;
        if (state().dest == Dest::FontTable) {
            if (m_fontEntry < 0) return;
            // Cut at a character boundary: a character is kept or dropped whole.
            std::string& name = m_fonts[m_fontEntry].name;
            bool keep = true;
            for (const char c : text) {
                if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
                    keep = c != '\t' && name.size() < kMaxFontName;
                if (keep) name += c;
            }
            ++m_tables;
            return;
        }
        if (std::string* run = runText()) *run += text;
    }

    // Where text in the current state goes: the run it belongs to, started when the format
    // changed; none when the text is not shown (another destination, hidden text). The run is
    // kept until the state or the paragraph changes, and its text is gathered meanwhile in one
    // buffer that is reused, so that a run's text is copied into it once, whole.
    std::string* runText() {
        if (!m_runKnown) {
            m_run = findRun();
            m_runKnown = true;
        }
        return m_run ? &m_runText : nullptr;
    }
    void forgetRun() {
        if (m_run && !m_runText.empty()) m_run->append(m_runText);
        m_runText.clear();
        m_run = nullptr;
        m_runKnown = false;
    }

    std::string* findRun() {
        const State& s = state();
        if (s.dest != Dest::Text || s.hidden) return nullptr;
        Paragraph& p = m_doc.paragraphs.back();
        p.align = s.align;
        // Most text continues the run before it; the format is only worked out for a new one.
        if (!p.runs.empty() && m_runTables == m_tables && SameCharacterFormat(m_runState, s))
            return &p.runs.back().text;
        m_runState = s;
        m_runTables = m_tables;
        const CharFormat& f = formatOf(s);
        // Made in place from its text and format: a run made empty first would be cleared whole and
        // then assigned, and one made aside would be moved.
        if (p.runs.empty() || !(p.runs.back().format == f)) p.runs.emplace_back(NewRun{f});
        return &p.runs.back().text;
    }

    // The format of text in state s. A note's runs take turns between a few formats: each is
    // worked out once and kept, until the font or colour table changes, in a small table
    // indexed by the state.
    const CharFormat& formatOf(const State& s) {
        const auto slot =
            static_cast<std::size_t>(
                static_cast<unsigned>(s.font) * 7u + static_cast<unsigned>(s.halfPoints) * 3u +
                static_cast<unsigned>(s.color) * 5u + static_cast<unsigned>(s.background) * 11u +
                (s.bold ? 1u : 0u) + (s.italic ? 2u : 0u) + (s.underline ? 4u : 0u) + (s.strike ? 8u : 0u)) %
            kKeptFormats;
        KeptFormat& kept = m_formats[slot];
        if (!kept.known || kept.tables != m_tables || !SameCharacterFormat(kept.state, s)) {
            kept.known = true;
            kept.tables = m_tables;
            kept.state = s;
            format(kept.format, s);
        }
        return kept.format;
    }

    // Works out the format of text in state s in f (whose memory is reused).
    void format(CharFormat& f, const State& s) const {
        f.font.clear();
        f.charset = kDefaultCharset;
        if (s.font >= 0) {
            const auto it = m_fonts.find(s.font);
            if (it != m_fonts.end()) {
                // The entry still being read (its table never ended) is cleaned here.
                f.font = s.font == m_fontEntry ? CleanFontName(it->second.name) : it->second.name;
                if (!f.font.empty()) f.charset = it->second.charset;
            }
        }
        f.halfPoints = s.halfPoints;
        f.bold = s.bold;
        f.italic = s.italic;
        f.underline = s.underline;
        f.strike = s.strike;
        f.color = colorAt(s.color);
        f.background = colorAt(s.background);
    }

    std::optional<Rgb> colorAt(int index) const {
        if (index <= 0 || static_cast<std::size_t>(index) >= m_colors.size()) return std::nullopt;
        return m_colors[static_cast<std::size_t>(index)];
    }

    void endParagraph() {
        if (state().dest != Dest::Text) return;
        if (m_high) emit({});
        forgetRun();
        m_doc.paragraphs.back().align = state().align;
        // Room for as many runs as the paragraph before had: a note's paragraphs are alike.
        const std::size_t runs = m_doc.paragraphs.back().runs.size();
        m_doc.paragraphs.emplace_back().runs.reserve(runs);
    }

    // Ends the font table entry being read: its name, without the blanks around it.
    void finishFont() {
        flush();
        if (m_fontEntry < 0) return;
        m_fonts[m_fontEntry].name = CleanFontName(m_fonts[m_fontEntry].name);
        ++m_tables;
        m_fontEntry = -1;
    }

    static bool SameCharacterFormat(const State& a, const State& b) {
        return a.font == b.font && a.halfPoints == b.halfPoints && a.bold == b.bold && a.italic == b.italic &&
               a.underline == b.underline && a.strike == b.strike && a.color == b.color &&
               a.background == b.background;
    }

    std::string_view m_in;
    std::size_t m_pos = 0;
    std::string* m_run = nullptr; // the run text goes to, while m_runKnown
    bool m_runKnown = false;
    std::string m_runText; // text for m_run not yet added to it
    State m_runState;      // the state the last run was made in
    struct KeptFormat {
        bool known = false;
        unsigned tables = 0; // m_tables when it was made
        State state;
        CharFormat format;
    };
    static constexpr std::size_t kKeptFormats = 16;
    std::array<KeptFormat, kKeptFormats> m_formats;
    unsigned m_tables = 0; // counts changes of the font and colour tables
    unsigned m_runTables = 0;
    bool m_done = false;
    std::vector<State> m_states;
    std::size_t m_overflow = 0;
    int m_skip = 0; // fallback characters still to skip after \uN
    std::optional<char32_t> m_high;
    std::string m_pending; // text bytes not yet decoded
    std::string m_decoded; // their UTF-8
    CodepageDecoder m_decoder;
    int m_ansiCodepage = 1252;
    int m_deff = 0;
    std::map<int, Font> m_fonts;
    int m_fontEntry = -1;
    std::vector<std::optional<Rgb>> m_colors;
    Rgb m_color;
    bool m_colorSeen = false;
    Document m_doc;
};

} // namespace

bool LooksLikeRtf(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size() && (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\r' || bytes[i] == '\n'))
        ++i;
    return bytes.substr(i, 5) == "{\\rtf";
}

Document ReadRtf(std::string_view bytes) {
    return Reader(bytes).run();
}

} // namespace nodo::rtf
