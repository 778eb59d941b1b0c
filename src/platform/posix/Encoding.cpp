#include "platform/posix/Encoding.h"

#include <cerrno>
#include <iconv.h>
#include <langinfo.h>
#include <string>

namespace nodo {

bool IsValidUtf8(std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        int extra;
        if (c < 0x80)
            extra = 0;
        else if ((c & 0xE0) == 0xC0 && c >= 0xC2)
            extra = 1;
        else if ((c & 0xF0) == 0xE0)
            extra = 2;
        else if ((c & 0xF8) == 0xF0 && c <= 0xF4)
            extra = 3;
        else
            return false;
        if (i + static_cast<size_t>(extra) >= s.size() && extra > 0) return false;
        for (int k = 1; k <= extra; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += static_cast<size_t>(extra) + 1;
    }
    return true;
}

static std::string Convert(std::string_view in, const char* from, const char* to, bool* ok) {
    *ok = false;
    iconv_t cd = iconv_open(to, from);
    // iconv_open fails with (iconv_t)-1, as its interface defines.
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(in); // NOLINT(performance-no-int-to-ptr)
    std::string out;
    out.resize(in.size() * 4 + 16);
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char* dst = out.data();
    size_t dstLeft = out.size();
    const size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    iconv_close(cd);
    if (r == static_cast<size_t>(-1)) return std::string(in);
    out.resize(out.size() - dstLeft);
    *ok = true;
    return out;
}

static std::string LocaleCodeset() {
    const char* cs = nl_langinfo(CODESET);
    std::string s = cs ? cs : "";
    // The "C" locale reports ASCII; settings files may still hold Chinese names, so keep UTF-8 then.
    if (s.empty() || s == "ANSI_X3.4-1968" || s == "ASCII") return "UTF-8";
    return s;
}

static bool IsUtf8Codeset(const std::string& cs) {
    return cs == "UTF-8" || cs == "utf8" || cs == "UTF8";
}

std::string FromAnsi(std::string_view bytes) {
    const std::string cs = LocaleCodeset();
    bool ok = false;
    if (!IsUtf8Codeset(cs)) {
        std::string r = Convert(bytes, cs.c_str(), "UTF-8", &ok);
        if (ok) return r;
    }
    if (IsValidUtf8(bytes)) return std::string(bytes);
    std::string r = Convert(bytes, "GBK", "UTF-8", &ok);
    return ok ? r : std::string(bytes);
}

std::string ToAnsi(std::string_view utf8) {
    const std::string cs = LocaleCodeset();
    if (IsUtf8Codeset(cs)) return std::string(utf8);
    bool ok = false;
    std::string r = Convert(utf8, "UTF-8", cs.c_str(), &ok);
    return ok ? r : std::string(utf8);
}

} // namespace nodo
