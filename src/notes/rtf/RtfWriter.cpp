#include "notes/rtf/RtfWriter.h"

#include "notes/rtf/Utf8.h"

#include <charconv>
#include <cstdint>
#include <unordered_map>
#include <utility>
#include <vector>

namespace nodo::rtf {

namespace {

// The face the editors are designed with; it is the table's default font \f0, so that text in
// the editor's own font needs no \f at all.
constexpr const char* kDefaultFace = "\xE5\xAE\x8B\xE4\xBD\x93"; // 宋体

void AppendNumber(std::string& out, long long n) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, n);
    out.append(buf, r.ptr);
}

// Whether an ASCII byte goes out as it is in text.
constexpr bool Plain(unsigned char c) {
    return c >= 0x20 && c < 0x7F && c != '\\' && c != '{' && c != '}';
}

// One UTF-16 unit as \uN? (N signed, as RTF has it).
inline void AppendUnit(std::string& out, unsigned u) {
    char buf[12] = {'\\', 'u'};
    const auto r = std::to_chars(buf + 2, buf + sizeof buf - 1,
                                 static_cast<std::int16_t>(static_cast<std::uint16_t>(u)));
    *r.ptr = '?';
    out.append(buf, r.ptr + 1);
}

// Text of a run or a font name: RTF specials escaped, non-ASCII as \uN?. In a font name the ';'
// would end the name, and tabs and line breaks have no meaning. Stretches of plain ASCII are
// copied whole.
void AppendText(std::string& out, std::string_view utf8, bool fontName = false) {
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* const end = p + utf8.size();
    while (p < end) {
        const auto* q = p;
        while (q < end && Plain(*q) && !(fontName && *q == ';'))
            ++q;
        out.append(reinterpret_cast<const char*>(p), static_cast<std::size_t>(q - p));
        if (q == end) break;
        p = q;
        if (*p < 0x80) {
            const char c = static_cast<char>(*p++);
            if (c == '\\' || c == '{' || c == '}') {
                out += '\\';
                out += c;
            } else if (c == ';') {
                out += "\\'3b";
            } else if (c == '\t' && !fontName) {
                out += "\\tab ";
            }
            // Other control characters have no place in an editor's text.
            continue;
        }
        // One code point, as the shared decoder reads it (a bad byte gives U+FFFD).
        const auto* next = p + 1;
        while (next < end && (*next & 0xC0) == 0x80 && next - p < 4)
            ++next;
        ForEachCodepoint(
            std::string_view(reinterpret_cast<const char*>(p), static_cast<std::size_t>(next - p)),
            [&out, fontName](char32_t c) {
                if (c == 0x2028) {
                    if (!fontName) out += "\\line ";
                } else if (c >= 0x10000) {
                    const unsigned v = static_cast<unsigned>(c) - 0x10000;
                    AppendUnit(out, 0xD800 + (v >> 10));
                    AppendUnit(out, 0xDC00 + (v & 0x3FF));
                } else if (c >= 0x80) {
                    AppendUnit(out, static_cast<unsigned>(c));
                }
            });
        p = next;
    }
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

    void write(std::string& out) const {
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
        const std::uint32_t key = (std::uint32_t{c.r} << 16) | (std::uint32_t{c.g} << 8) | c.b;
        const auto [it, added] = m_colorNumbers.try_emplace(key, static_cast<int>(m_colors.size()) + 1);
        if (added) m_colors.push_back(c);
        return it->second;
    }

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
    std::string out;
    // Chinese text grows from three bytes of UTF-8 to about eight of \uN?.
    out.reserve(text * 3 + 64 * (doc.paragraphs.size() + 1) + tables.size() + 256);
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
            out += '{';
            if (code.font >= 0) {
                out += "\\f";
                AppendNumber(out, code.font);
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
                AppendNumber(out, code.color);
            }
            if (f.background) {
                out += "\\highlight";
                AppendNumber(out, code.background);
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
