#pragma once
// The control words the RTF reader knows, and what each of them is to it.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>

namespace nodo::rtf {

// The control words the reader acts on.
enum class Word {
    Unknown,
    SkippedDestination,
    FontTable,
    ColorTable,
    Font,
    FontCharset,
    FontCodepage,
    Red,
    Green,
    Blue,
    AnsiCodepage,
    Mac,
    Pc,
    Pca,
    DefaultFont,
    UnicodeCount,
    Unicode,
    Plain,
    Pard,
    AlignLeft,
    AlignCenter,
    AlignRight,
    AlignJustify,
    Bold,
    Italic,
    Underline,
    UnderlineNone,
    Strike,
    Hidden,
    FontSize,
    Color,
    Background,
    Paragraph,
    Line,
    Tab,
    Emdash,
    Endash,
    Emspace,
    Enspace,
    Qmspace,
    Bullet,
    Lquote,
    Rquote,
    Ldblquote,
    Rdblquote,
    Binary,
};

// The control words the reader knows, in open-addressed tables: a word is found with one hash
// of a few of its letters (or of all of them, for a short word) and, mostly, one comparison.
class WordTable {
public:
    constexpr WordTable() {
        // Destinations that hold no text of the document.
        for (std::string_view w : {"annotation",
                                   "atnauthor",
                                   "atnid",
                                   "author",
                                   "bkmkend",
                                   "bkmkstart",
                                   "colorschememapping",
                                   "comment",
                                   "company",
                                   "datafield",
                                   "doccomm",
                                   "docvar",
                                   "falt",
                                   "fldinst",
                                   "filetbl",
                                   "footer",
                                   "footerf",
                                   "footerl",
                                   "footerr",
                                   "footnote",
                                   "generator",
                                   "header",
                                   "headerf",
                                   "headerl",
                                   "headerr",
                                   "info",
                                   "keywords",
                                   "latentstyles",
                                   "listoverridetable",
                                   "listtable",
                                   "nonshppict",
                                   "objclass",
                                   "objdata",
                                   "operator",
                                   "panose",
                                   "pgdsctbl",
                                   "pict",
                                   "pn",
                                   "private",
                                   "revtbl",
                                   "rsidtbl",
                                   "rxe",
                                   "shpinst",
                                   "stylesheet",
                                   "subject",
                                   "tc",
                                   "template",
                                   "themedata",
                                   "title",
                                   "txe",
                                   "userprops",
                                   "xe"})
            add(w, Word::SkippedDestination);
        for (std::string_view w :
             {"ul", "uld", "uldash", "uldashd", "uldashdd", "uldb", "ulhwave", "ulldash", "ulth", "ulthd",
              "ulthdash", "ulthdashd", "ulthdashdd", "ulthldash", "ululdbwave", "ulw", "ulwave"})
            add(w, Word::Underline);
        const std::pair<std::string_view, Word> kOthers[] = {
            {"fonttbl", Word::FontTable},
            {"colortbl", Word::ColorTable},
            {"f", Word::Font},
            {"fcharset", Word::FontCharset},
            {"cpg", Word::FontCodepage},
            {"red", Word::Red},
            {"green", Word::Green},
            {"blue", Word::Blue},
            {"ansicpg", Word::AnsiCodepage},
            {"mac", Word::Mac},
            {"pc", Word::Pc},
            {"pca", Word::Pca},
            {"deff", Word::DefaultFont},
            {"uc", Word::UnicodeCount},
            {"u", Word::Unicode},
            {"plain", Word::Plain},
            {"pard", Word::Pard},
            {"ql", Word::AlignLeft},
            {"qc", Word::AlignCenter},
            {"qr", Word::AlignRight},
            {"qj", Word::AlignJustify},
            {"qd", Word::AlignJustify},
            {"b", Word::Bold},
            {"i", Word::Italic},
            {"ulnone", Word::UnderlineNone},
            {"strike", Word::Strike},
            {"striked", Word::Strike},
            {"v", Word::Hidden},
            {"fs", Word::FontSize},
            {"cf", Word::Color},
            {"highlight", Word::Background},
            {"cb", Word::Background},
            {"chcbpat", Word::Background},
            {"par", Word::Paragraph},
            {"sect", Word::Paragraph},
            {"page", Word::Paragraph},
            {"row", Word::Paragraph},
            {"line", Word::Line},
            {"tab", Word::Tab},
            {"cell", Word::Tab},
            {"nestcell", Word::Tab},
            {"emdash", Word::Emdash},
            {"endash", Word::Endash},
            {"emspace", Word::Emspace},
            {"enspace", Word::Enspace},
            {"qmspace", Word::Qmspace},
            {"bullet", Word::Bullet},
            {"lquote", Word::Lquote},
            {"rquote", Word::Rquote},
            {"ldblquote", Word::Ldblquote},
            {"rdblquote", Word::Rdblquote},
            {"bin", Word::Binary},
        };
        for (const auto& [w, word] : kOthers)
            add(w, word);
    }

    constexpr Word find(std::string_view name) const {
        if (name.empty()) return Word::Unknown;
        if (name.size() <= kShortWord) return findShort(Pack(name));
        for (std::size_t i = Hash(name);; i = (i + 1) % kSlots) {
            const Slot& slot = m_slots[i];
            if (slot.name.empty()) return Word::Unknown;
            if (Same(slot.name, name)) return slot.word;
        }
    }

    // A word of at most kShortWord letters, packed by Pack: one multiplication and mostly one
    // comparison of two numbers.
    constexpr Word findShort(std::uint64_t key) const {
        for (std::size_t i = ShortHash(key);; i = (i + 1) % kSlots) {
            const ShortSlot& slot = m_short[i];
            if (slot.key == 0) return Word::Unknown;
            if (slot.key == key) return slot.word;
        }
    }

    // Most control words are this short; their letters make one number.
    static constexpr std::size_t kShortWord = 8;
    // The letters of a short word, the first in the lowest byte; never 0 for a word of letters.
    static constexpr std::uint64_t Pack(std::string_view name) {
        std::uint64_t key = 0;
        for (std::size_t i = 0; i < name.size() && i < kShortWord; ++i)
            key |= std::uint64_t{static_cast<unsigned char>(name[i])} << (8 * i);
        return key;
    }

private:
    // Twice as many slots as the table has words and more, so that a search ends soon.
    static constexpr std::size_t kSlots = 512;
    struct Slot {
        std::string_view name;
        Word word = Word::Unknown;
    };
    struct ShortSlot {
        std::uint64_t key = 0;
        Word word = Word::Unknown;
    };

    // Words are short: compared in place rather than through a call.
    static constexpr bool Same(std::string_view a, std::string_view b) {
        if (a.size() != b.size()) return false;
        for (std::size_t i = 0; i < a.size(); ++i)
            if (a[i] != b[i]) return false;
        return true;
    }

    static constexpr std::size_t Hash(std::string_view name) {
        const auto first = static_cast<unsigned char>(name.front());
        const auto last = static_cast<unsigned char>(name.back());
        const auto second = static_cast<unsigned char>(name.size() > 1 ? name[1] : 0);
        return (first * 31u + second * 7u + last * 131u + name.size() * 17u) % kSlots;
    }

    static constexpr std::size_t ShortHash(std::uint64_t key) {
        return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15u) >> 55) % kSlots;
    }

    constexpr void add(std::string_view name, Word word) {
        if (name.size() <= kShortWord) {
            std::size_t s = ShortHash(Pack(name));
            while (m_short[s].key != 0)
                s = (s + 1) % kSlots;
            m_short[s] = {Pack(name), word};
        }
        std::size_t i = Hash(name);
        while (!m_slots[i].name.empty())
            i = (i + 1) % kSlots;
        m_slots[i] = {name, word};
    }

    std::array<Slot, kSlots> m_slots{};
    std::array<ShortSlot, kSlots> m_short{};
};

// Made as the program is compiled.
inline constexpr WordTable kWords;

inline Word LookUp(std::string_view name) {
    return kWords.find(name);
}

} // namespace nodo::rtf
