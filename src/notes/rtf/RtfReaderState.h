#pragma once
// The reader behind ReadRtf: the state of a group, and the class that reads a document and keeps
// what it has read so far. Its code is in two files: RtfReader.cpp reads text and makes the
// paragraphs, runs and formats; RtfReaderWords.cpp acts on the control words and symbols.
#include "notes/rtf/Codepage.h"
#include "notes/rtf/RichText.h"
#include "notes/rtf/RtfWords.h"

#include <array>
#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nodo::rtf::detail {

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
inline constexpr std::size_t kMaxDepth = 256;
// Font names longer than this are cut (Windows allows 31 characters).
inline constexpr std::size_t kMaxFontName = 96;
inline constexpr long long kMaxParam = 1'000'000'000;

class Reader {
public:
    explicit Reader(std::string_view in) : m_in(in) {
        m_states.emplace_back();
        m_doc.paragraphs.emplace_back();
    }

    Document run();

private:
    // The members marked always_inline are each called only in the file that defines them, and
    // most on the way of every stretch of text or control word. A compiler folds a function
    // called from one place into its caller only when nothing outside its file can call it, which
    // a class shared by two files rules out; these are inlined by hand so that the reading loop
    // stays one loop.

    State& state() { return m_states.back(); }

    // Groups and text (RtfReader.cpp).
    [[gnu::always_inline]] inline void openGroup();
    [[gnu::always_inline]] inline void closeGroup();
    void textByte(char c);
    [[gnu::always_inline]] inline void plainText();
    void emitCodepoint(char32_t c);
    [[gnu::always_inline]] inline int codepageOf(int fontNumber) const;
    void flush();
    void emit(std::string_view utf8);

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
    std::string* findRun();

    // Formats, paragraphs and fonts (RtfReader.cpp).
    [[gnu::always_inline]] inline const CharFormat& formatOf(const State& s);
    [[gnu::always_inline]] inline void format(CharFormat& f, const State& s) const;
    [[gnu::always_inline]] inline std::optional<Rgb> colorAt(int index) const;
    void endParagraph();
    void finishFont();
    [[gnu::always_inline]] static inline bool SameCharacterFormat(const State& a, const State& b);

    // Control words and symbols (RtfReaderWords.cpp); control() is called by run().
    void control();
    [[gnu::always_inline]] inline bool unicodeStretch();
    [[gnu::always_inline]] inline void symbol(char c);
    [[gnu::always_inline]] inline void hexStretch();
    [[gnu::always_inline]] inline void controlWord(Word w, bool hasParam, int param);
    [[gnu::always_inline]] inline void skipFallback(int count);
    [[gnu::always_inline]] inline void unicode(int param);
    [[gnu::always_inline]] inline void codepoint(char32_t c);

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

} // namespace nodo::rtf::detail
