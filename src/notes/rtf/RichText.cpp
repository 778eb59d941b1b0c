#include "notes/rtf/RichText.h"

namespace nodo::rtf {

namespace {
constexpr std::string_view kLineSeparator = "\xE2\x80\xA8"; // U+2028
}

Document Normalized(Document doc) {
    // In place: a document that is already normal (as the reader gives it) is only looked at.
    for (auto& p : doc.paragraphs) {
        std::size_t kept = 0;
        for (auto& r : p.runs) {
            if (r.text.empty()) continue;
            if (r.format.font.empty()) r.format.charset = kDefaultCharset; // a charset belongs to a face
            if (kept > 0 && p.runs[kept - 1].format == r.format) {
                p.runs[kept - 1].text += r.text;
            } else {
                if (&p.runs[kept] != &r) p.runs[kept] = std::move(r);
                ++kept;
            }
        }
        p.runs.erase(p.runs.begin() + static_cast<std::ptrdiff_t>(kept), p.runs.end());
    }
    if (doc.paragraphs.empty()) doc.paragraphs.emplace_back();
    return doc;
}

std::string PlainText(const Document& doc, std::string_view newline) {
    std::string out;
    for (std::size_t i = 0; i < doc.paragraphs.size(); ++i) {
        if (i > 0) out += newline;
        for (const auto& r : doc.paragraphs[i].runs) {
            std::string_view t = r.text;
            for (std::size_t at; (at = t.find(kLineSeparator)) != std::string_view::npos;) {
                out += t.substr(0, at);
                out += newline;
                t.remove_prefix(at + kLineSeparator.size());
            }
            out += t;
        }
    }
    return out;
}

Document FromPlainText(std::string_view utf8) {
    Document doc;
    std::size_t start = 0;
    auto add = [&](std::size_t end) {
        Paragraph p;
        if (end > start) p.runs.push_back({std::string(utf8.substr(start, end - start)), {}});
        doc.paragraphs.push_back(std::move(p));
    };
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if (utf8[i] != '\r' && utf8[i] != '\n') continue;
        add(i);
        if (utf8[i] == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n') ++i;
        start = i + 1;
    }
    add(utf8.size());
    return doc;
}

Document SingleRun(std::string text, CharFormat format) {
    Document doc;
    doc.paragraphs.emplace_back();
    if (!text.empty()) doc.paragraphs.back().runs.push_back({std::move(text), std::move(format)});
    return doc;
}

} // namespace nodo::rtf
