#include "notes/RichEdit.h"

#include "notes/rtf/RtfReader.h"
#include "notes/rtf/RtfWriter.h"
#include "notes/rtf/Utf8.h"
#include "platform/posix/Encoding.h"

namespace nodo {

rtf::Document DocumentFromBlob(std::string_view blob) {
    if (blob.empty()) return rtf::Normalized({});
    if (rtf::LooksLikeRtf(blob)) return rtf::ReadRtf(blob);
    // Whatever the bytes, the text is valid UTF-8 without control characters other than tabs
    // and line ends, like the text the RTF reader gives.
    std::string text;
    rtf::ForEachCodepoint(FromAnsi(blob), [&text](char32_t c) {
        if (c >= 0x20 || c == '\t' || c == '\r' || c == '\n')
            rtf::AppendUtf8(text, c == 0x7F ? U'\uFFFD' : c);
    });
    return rtf::Normalized(rtf::FromPlainText(text));
}

std::string DocumentEdit::streamOut() const {
    return rtf::WriteRtf(m_doc);
}

} // namespace nodo
