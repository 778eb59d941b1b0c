#pragma once
// The content of one rich-text editor, apart from any editor: paragraphs of runs of text that share
// one character format. Text is UTF-8. This is what the RTF reader produces and the writer consumes.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nodo::rtf {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// Windows character-set numbers as fonts carry them (\fcharsetN).
inline constexpr int kAnsiCharset = 0;
inline constexpr int kDefaultCharset = 1;
inline constexpr int kGb2312Charset = 134;

// A character format. Empty or unset fields mean "the editor's default".
struct CharFormat {
    std::string font; // face name; empty = the editor's font
    int charset = kDefaultCharset;
    int halfPoints = 0; // size in half points (\fsN); 0 = the editor's size
    bool bold = false, italic = false, underline = false, strike = false;
    std::optional<Rgb> color;      // text colour; none = automatic
    std::optional<Rgb> background; // highlight behind the text; none = transparent
    friend bool operator==(const CharFormat&, const CharFormat&) = default;
};

enum class Align { Left, Center, Right, Justify };

struct Run {
    std::string text; // no paragraph breaks; U+2028 is a line break inside the paragraph
    CharFormat format;
    friend bool operator==(const Run&, const Run&) = default;
};

struct Paragraph {
    Align align = Align::Left;
    std::vector<Run> runs;
    friend bool operator==(const Paragraph&, const Paragraph&) = default;
};

// Always at least one paragraph once read; an empty editor is one empty paragraph.
struct Document {
    std::vector<Paragraph> paragraphs;
    friend bool operator==(const Document&, const Document&) = default;
};

// Joins neighbouring runs of the same format, drops empty runs and gives an empty document its
// one paragraph, so that two documents that show the same compare equal.
Document Normalized(Document doc);

// The text without formatting: paragraphs joined by `newline`, line breaks inside a paragraph
// written as `newline` too, no newline after the last paragraph.
std::string PlainText(const Document& doc, std::string_view newline = "\r\n");

// A document of unformatted paragraphs, split at CR LF, LF or CR.
Document FromPlainText(std::string_view utf8);

// One paragraph holding one run of `text` in `format`.
Document SingleRun(std::string text, CharFormat format = {});

} // namespace nodo::rtf
