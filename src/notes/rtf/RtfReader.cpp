// The reader's text: groups, the bytes of text and what they decode to, and the paragraphs, runs
// and formats it goes into. The control words and symbols are in RtfReaderWords.cpp.
#include "notes/rtf/RtfReader.h"

#include "notes/rtf/RtfReaderState.h"
#include "notes/rtf/RtfScan.h"
#include "notes/rtf/Utf8.h"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace nodo::rtf {

namespace {

// A font name without line breaks and without the blanks around it.
std::string CleanFontName(std::string name) {
    for (std::size_t at; (at = name.find("\xE2\x80\xA8")) != std::string::npos;)
        name.erase(at, 3);
    const auto first = name.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return name.substr(first, name.find_last_not_of(' ') - first + 1);
}

// A run of no text yet in a format, made where it is put: the vector's element is made directly
// from the value this gives.
struct NewRun {
    const CharFormat& format;
    operator Run() const { return Run{std::string(), format}; }
};

} // namespace

namespace detail {

Document Reader::run() {
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

inline void Reader::openGroup() {
    if (m_states.size() >= kMaxDepth)
        ++m_overflow;
    else
        m_states.push_back(m_states.back());
}

inline void Reader::closeGroup() {
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

void Reader::textByte(char c) {
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
inline void Reader::plainText() {
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

void Reader::emitCodepoint(char32_t c) {
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

inline int Reader::codepageOf(int fontNumber) const {
    const auto it = m_fonts.find(fontNumber);
    if (it == m_fonts.end()) return m_ansiCodepage;
    if (it->second.codepage > 0) return it->second.codepage;
    const int cp = CodepageOfCharset(it->second.charset);
    return cp > 0 ? cp : m_ansiCodepage;
}

// Decodes the bytes gathered since the last control word into the current destination.
void Reader::flush() {
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
void Reader::emit(std::string_view utf8) {
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

std::string* Reader::findRun() {
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
inline const CharFormat& Reader::formatOf(const State& s) {
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
inline void Reader::format(CharFormat& f, const State& s) const {
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

inline std::optional<Rgb> Reader::colorAt(int index) const {
    if (index <= 0 || static_cast<std::size_t>(index) >= m_colors.size()) return std::nullopt;
    return m_colors[static_cast<std::size_t>(index)];
}

void Reader::endParagraph() {
    if (state().dest != Dest::Text) return;
    if (m_high) emit({});
    forgetRun();
    m_doc.paragraphs.back().align = state().align;
    // Room for as many runs as the paragraph before had: a note's paragraphs are alike.
    const std::size_t runs = m_doc.paragraphs.back().runs.size();
    m_doc.paragraphs.emplace_back().runs.reserve(runs);
}

// Ends the font table entry being read: its name, without the blanks around it.
void Reader::finishFont() {
    flush();
    if (m_fontEntry < 0) return;
    m_fonts[m_fontEntry].name = CleanFontName(m_fonts[m_fontEntry].name);
    ++m_tables;
    m_fontEntry = -1;
}

inline bool Reader::SameCharacterFormat(const State& a, const State& b) {
    return a.font == b.font && a.halfPoints == b.halfPoints && a.bold == b.bold && a.italic == b.italic &&
           a.underline == b.underline && a.strike == b.strike && a.color == b.color &&
           a.background == b.background;
}

} // namespace detail

bool LooksLikeRtf(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size() && (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\r' || bytes[i] == '\n'))
        ++i;
    return bytes.substr(i, 5) == "{\\rtf";
}

Document ReadRtf(std::string_view bytes) {
    return detail::Reader(bytes).run();
}

} // namespace nodo::rtf
