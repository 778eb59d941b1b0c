#include "notes/rtf/Codepage.h"

#include "notes/rtf/Utf8.h"

#include <algorithm>
#include <cerrno>

namespace nodo::rtf {

namespace {
// iconv_open says it failed with this value, which its interface defines as (iconv_t)-1.
const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1); // NOLINT(performance-no-int-to-ptr)

std::string IconvName(int codepage) {
    switch (codepage) {
    case 936:
        return "GBK";
    case 54936:
        return "GB18030";
    case 950:
        return "BIG5";
    case 949:
        return "UHC";
    case 932:
        return "CP932";
    case 10000:
        return "MACINTOSH";
    case 65001:
        return "UTF-8";
    default:
        return "CP" + std::to_string(codepage);
    }
}
} // namespace

int CodepageOfCharset(int charset) {
    switch (charset) {
    case 0:
    case 2: // symbol fonts: the bytes are glyph numbers; show them as Latin
        return 1252;
    case 77:
        return 10000;
    case 128:
        return 932;
    case 129:
        return 949;
    case 130:
        return 1361;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    case 254:
        return 437;
    case 255:
        return 850;
    default:
        return 0;
    }
}

CodepageDecoder::~CodepageDecoder() {
    for (auto& [cp, entry] : m_converters)
        if (entry.owned) iconv_close(entry.cd);
}

iconv_t CodepageDecoder::converter(int codepage) {
    auto it = m_converters.find(codepage);
    if (it != m_converters.end()) return it->second.cd;
    iconv_t cd = iconv_open("UTF-8", IconvName(codepage).c_str());
    if (cd != kNoConverter) {
        m_converters.emplace(codepage, Entry{cd, true});
        return cd;
    }
    // A code page iconv does not know borrows the 1252 converter.
    cd = codepage == 1252 ? kNoConverter : converter(1252);
    m_converters.emplace(codepage, Entry{cd, false});
    return cd;
}

void CodepageDecoder::decode(std::string& out, std::string_view bytes, int codepage) {
    if (std::all_of(bytes.begin(), bytes.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        out += bytes;
        return;
    }
    if (codepage == 65001) {
        // UTF-8 as the shared decoder reads it: the C library's converter lets sequences through
        // that are not UTF-8 (five bytes, past U+10FFFF), which would leave the text invalid.
        ForEachCodepoint(bytes, [&out](char32_t c) { AppendUtf8(out, c); });
        return;
    }
    iconv_t cd = converter(codepage);
    if (cd == kNoConverter) {
        for (const char c : bytes)
            AppendUtf8(out, static_cast<unsigned char>(c));
        return;
    }
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* src = const_cast<char*>(bytes.data());
    std::size_t srcLeft = bytes.size();
    // Converted a block at a time through a buffer of its own, whatever the length of the text;
    // iconv stops at a whole character when the block is full.
    char block[kBlock];
    // What the converter still holds comes out: the Hebrew and Vietnamese converters keep a
    // letter back until they know whether the next character combines with it.
    const auto drain = [&] {
        char* dst = block;
        std::size_t dstLeft = sizeof block;
        iconv(cd, nullptr, nullptr, &dst, &dstLeft);
        out.append(block, sizeof block - dstLeft);
    };
    while (srcLeft > 0) {
        char* dst = block;
        std::size_t dstLeft = sizeof block;
        const std::size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        const int err = errno;
        out.append(block, sizeof block - dstLeft);
        if (r != static_cast<std::size_t>(-1)) break;
        if (err == E2BIG) continue;
        // EILSEQ or a sequence cut short at the end: one byte becomes U+FFFD.
        drain();
        AppendUtf8(out, kReplacement);
        ++src;
        --srcLeft;
    }
    drain();
}

} // namespace nodo::rtf
