#pragma once
// Writes text the way a Windows rich-edit control on a Chinese system does: every byte of the
// text's GBK form from 0x80 up as \'xx.
#include <iconv.h>

#include <cstdio>
#include <string>
#include <string_view>

namespace nodo::testing {

inline std::string Encode(std::string_view utf8, const char* charset) {
    iconv_t cd = iconv_open(charset, "UTF-8");
    std::string out(utf8.size() * 4 + 8, '\0');
    char* src = const_cast<char*>(utf8.data());
    std::size_t srcLeft = utf8.size();
    char* dst = out.data();
    std::size_t dstLeft = out.size();
    iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    iconv_close(cd);
    out.resize(out.size() - dstLeft);
    return out;
}

inline std::string HexEscaped(std::string_view utf8, const char* charset = "GBK") {
    std::string out;
    for (const char c : Encode(utf8, charset)) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x80) {
            out += c;
        } else {
            char buf[5];
            std::snprintf(buf, sizeof buf, "\\'%02x", u);
            out += buf;
        }
    }
    return out;
}

} // namespace nodo::testing
