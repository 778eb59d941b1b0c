#include "notes/rtf/RtfWriter.h"

#include "notes/rtf/Utf8.h"

#include <utility>

namespace nodo::rtf {

namespace {

// The face the editors are designed with; it is the table's default font \f0, so that text in
// the editor's own font needs no \f at all.
constexpr const char* kDefaultFace = "\xE5\xAE\x8B\xE4\xBD\x93"; // 宋体

void AppendNumber(std::string& out, long long n) {
    out += std::to_string(n);
}

// Text of a run or a font name: RTF specials escaped, non-ASCII as \uN?. In a font name the ';'
// would end the name, and tabs and line breaks have no meaning.
void AppendText(std::string& out, std::string_view utf8, bool fontName = false) {
    ForEachCodepoint(utf8, [&out, fontName](char32_t c) {
        if (c == '\\' || c == '{' || c == '}') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (fontName && (c == '\t' || c == 0x2028)) {
            // dropped
        } else if (fontName && c == ';') {
            out += "\\'3b";
        } else if (c == '\t') {
            out += "\\tab ";
        } else if (c == 0x2028) {
            out += "\\line ";
        } else if (c < 0x20 || c == 0x7F) {
            // Control characters have no place in an editor's text.
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            auto unit = [&out](unsigned u) {
                out += "\\u";
                AppendNumber(out, static_cast<std::int16_t>(static_cast<std::uint16_t>(u)));
                out += '?';
            };
            if (c >= 0x10000) {
                const unsigned v = static_cast<unsigned>(c) - 0x10000;
                unit(0xD800 + (v >> 10));
                unit(0xDC00 + (v & 0x3FF));
            } else {
                unit(static_cast<unsigned>(c));
            }
        }
    });
}

class Tables {
public:
    void collect(const Document& doc) {
        for (const auto& p : doc.paragraphs)
            for (const auto& r : p.runs) {
                if (!r.format.font.empty()) font(r.format);
                if (r.format.color) color(*r.format.color);
                if (r.format.background) color(*r.format.background);
            }
    }
    // Font numbers in order of first use; \f0 is the default face (an explicit 宋体 gets its own).
    int font(const CharFormat& f) {
        if (f.font.empty()) return -1;
        const auto key = std::make_pair(f.font, f.charset);
        for (const auto& [k, n] : m_explicit)
            if (k == key) return n;
        const int n = static_cast<int>(m_explicit.size()) + 1;
        m_explicit.emplace_back(key, n);
        return n;
    }
    // Colour numbers from 1; 0 is "automatic".
    int color(Rgb c) {
        for (std::size_t i = 0; i < m_colors.size(); ++i)
            if (m_colors[i] == c) return static_cast<int>(i) + 1;
        m_colors.push_back(c);
        return static_cast<int>(m_colors.size());
    }

    void write(std::string& out) const {
        out += "{\\fonttbl";
        auto entry = [&out](int n, const std::string& name, int charset) {
            out += "{\\f";
            AppendNumber(out, n);
            out += "\\fnil\\fcharset";
            AppendNumber(out, charset);
            out += ' ';
            AppendText(out, name, true);
            out += ";}";
        };
        entry(0, kDefaultFace, kGb2312Charset);
        for (const auto& [key, n] : m_explicit)
            entry(n, key.first, key.second);
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
    std::vector<std::pair<std::pair<std::string, int>, int>> m_explicit;
    std::vector<Rgb> m_colors;
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
    tables.collect(doc);

    std::string out = "{\\rtf1\\ansi\\ansicpg936\\deff0\\uc1";
    tables.write(out);
    out += "\\viewkind4";
    for (const auto& p : doc.paragraphs) {
        out += "\\pard";
        out += AlignWord(p.align);
        out += ' ';
        for (const auto& r : p.runs) {
            if (r.text.empty()) continue;
            const CharFormat& f = r.format;
            CharFormat bare = f;
            if (bare.font.empty()) bare.charset = kDefaultCharset;
            if (bare == CharFormat{}) {
                AppendText(out, r.text);
                continue;
            }
            out += '{';
            if (const int n = tables.font(f); n >= 0) {
                out += "\\f";
                AppendNumber(out, n);
            }
            if (f.halfPoints > 0) {
                out += "\\fs";
                AppendNumber(out, f.halfPoints);
            }
            if (f.bold) out += "\\b";
            if (f.italic) out += "\\i";
            if (f.underline) out += "\\ul";
            if (f.strike) out += "\\strike";
            if (f.color) {
                out += "\\cf";
                AppendNumber(out, tables.color(*f.color));
            }
            if (f.background) {
                out += "\\highlight";
                AppendNumber(out, tables.color(*f.background));
            }
            out += ' ';
            AppendText(out, r.text);
            out += '}';
        }
        out += "\\par\r\n";
    }
    out += "}\r\n";
    return out;
}

} // namespace nodo::rtf
