// The reader's control words and symbols: a backslash and what follows it, \uN and \'xx text
// read in stretches, and what each word the reader knows does to the state and the document.
#include "notes/rtf/RtfReaderState.h"
#include "notes/rtf/RtfScan.h"
#include "notes/rtf/RtfWords.h"
#include "notes/rtf/Utf8.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace nodo::rtf::detail {

// A backslash was read: a control symbol, a hex byte or a control word with its parameter.
void Reader::control() {
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

// Chinese text as it is mostly written: \uN after \uN, each with a one-byte fallback, read
// in one loop straight into its run. A \uN it does not take (a surrogate, a control
// character, a number past 0xFFFF, a fallback that is not one plain byte) is left to the
// general path, which reads it the same way. m_pos is at the 'u' of the first;
// it ends after the last one taken. Whether it took any.
inline bool Reader::unicodeStretch() {
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

inline void Reader::symbol(char c) {
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

// After a \'xx of text: the ones that follow it at once (line ends between them are nothing),
// as code-page text is written, gathered in one loop.
inline void Reader::hexStretch() {
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

inline void Reader::controlWord(Word w, bool hasParam, int param) {
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
inline void Reader::skipFallback(int count) {
    m_skip = count;
    if (count == 1 && m_pos < m_in.size() && !IsSpecial(m_in[m_pos])) {
        ++m_pos;
        m_skip = 0;
    }
}

inline void Reader::unicode(int param) {
    long long v = param < 0 ? param + 65536LL : param;
    if (v < 0 || v > 0x10FFFF) v = kReplacement;
    codepoint(static_cast<char32_t>(v));
}

// One character of text, with UTF-16 surrogate pairs from two \uN joined.
inline void Reader::codepoint(char32_t c) {
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

} // namespace nodo::rtf::detail
