#pragma once
// Windows code pages for the RTF reader's \'xx bytes. The single- and double-byte code pages are
// decoded through tables made once per process from the C library's converters (iconv); the
// others (GB18030, UTF-8, and those whose converter holds characters back to combine them) are
// decoded through the converter itself.
#include <iconv.h>
#include <map>
#include <string>
#include <string_view>

namespace nodo::rtf {

// The code page of a font's character set (\fcharsetN); 0 when the set names none (DEFAULT).
int CodepageOfCharset(int charset);

class CodepageTable;

// Decodes bytes of Windows code pages, keeping one converter per code page while it lives.
class CodepageDecoder {
public:
    CodepageDecoder() = default;
    CodepageDecoder(const CodepageDecoder&) = delete;
    CodepageDecoder& operator=(const CodepageDecoder&) = delete;
    ~CodepageDecoder();

    // Appends the UTF-8 of `bytes` to `out`. A byte sequence the code page does not map gives
    // U+FFFD for its first byte; an unknown code page is read as Windows-1252.
    void decode(std::string& out, std::string_view bytes, int codepage);

    // The converter's UTF-8 is made this many bytes at a time.
    static constexpr std::size_t kBlock = 1024;

private:
    iconv_t converter(int codepage);
    void convert(std::string& out, std::string_view bytes, int codepage);
    struct Entry {
        iconv_t cd;
        bool owned;
    };
    std::map<int, Entry> m_converters;
    // The table of the code page decoded last, which is mostly the next one too.
    int m_lastCodepage = -1;
    const CodepageTable* m_lastTable = nullptr;
};

} // namespace nodo::rtf
