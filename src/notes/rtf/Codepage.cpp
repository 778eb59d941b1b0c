#include "notes/rtf/Codepage.h"

#include "notes/rtf/Utf8.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <memory>
#include <mutex>

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

// What a byte, or a lead byte and the byte after it, decodes to: a code point, or one of these.
constexpr std::uint32_t kLead = 0xFFFFFFFF; // a byte that starts a pair
constexpr std::uint32_t kBad = 0xFFFFFFFE;  // not mapped: U+FFFD for its first byte
constexpr std::uint32_t kOdd = 0xFFFFFFFD;  // anything else: left to the converter

// The decoding of one single- or double-byte code page, made by asking its converter about every
// byte and every pair of a lead byte and another byte once, so that it decodes exactly as the
// converter does. A code page whose converter does more (longer sequences, characters held back
// to be combined with the next) has none.
class CodepageTable {
public:
    // The table of the converter, or null when it cannot have one.
    static std::unique_ptr<CodepageTable> Make(iconv_t cd) {
        auto table = std::make_unique<CodepageTable>();
        for (unsigned b = 0; b < 256; ++b) {
            const char in[1] = {static_cast<char>(b)};
            const Probe probe = Ask(cd, in, 1);
            if (probe.held) return nullptr;
            // A byte's character past the basic plane would not fit the room decode() makes.
            table->m_single[b] = probe.value >= 0x10000 && probe.value < kOdd ? kOdd : probe.value;
        }
        for (unsigned lead = 0; lead < 256; ++lead) {
            if (table->m_single[lead] != kLead) continue;
            auto& row = table->m_pairs[lead];
            row = std::make_unique<std::array<std::uint32_t, 256>>();
            for (unsigned trail = 0; trail < 256; ++trail) {
                const char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                const Probe probe = Ask(cd, in, 2);
                // A pair that is still not whole starts a longer sequence.
                if (probe.held || probe.value == kLead) return nullptr;
                (*row)[trail] = probe.value;
            }
        }
        return table;
    }

    // Appends the UTF-8 of `bytes`; returns how many bytes it decoded, which is all of them
    // unless it came to an odd one, from which on the converter decodes.
    std::size_t decode(std::string& out, std::string_view bytes) const {
        const auto* const in = reinterpret_cast<const unsigned char*>(bytes.data());
        const std::size_t n = bytes.size();
        // At most three bytes of UTF-8 for a byte (U+FFFD or a single byte's character), four
        // for a pair: room for all at once, and the text written through a pointer.
        const std::size_t start = out.size();
        out.resize(start + 3 * n);
        char* const first = out.data() + start;
        char* o = first;
        std::size_t i = 0;
        while (i < n) {
            std::uint32_t c = m_single[in[i]];
            std::size_t length = 1;
            if (c == kLead) {
                c = i + 1 < n ? (*m_pairs[in[i]])[in[i + 1]] : kBad; // cut short at the end
                length = c == kBad ? 1 : 2;
            }
            if (c == kOdd) break;
            if (c < 0x80) {
                *o++ = static_cast<char>(c);
            } else {
                o += EncodeUtf8(o, c == kBad ? kReplacement : static_cast<char32_t>(c));
            }
            i += length;
        }
        out.resize(start + static_cast<std::size_t>(o - first));
        return i;
    }

private:
    struct Probe {
        std::uint32_t value = kOdd;
        bool held = false; // the converter took the bytes and gave nothing (yet)
    };

    // What the converter makes of exactly these bytes, from its initial state.
    static Probe Ask(iconv_t cd, const char* bytes, std::size_t size) {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        char* src = const_cast<char*>(bytes);
        std::size_t srcLeft = size;
        char buf[32];
        char* dst = buf;
        std::size_t dstLeft = sizeof buf;
        const std::size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        const int err = errno;
        const std::size_t made = sizeof buf - dstLeft;
        Probe probe;
        if (r == static_cast<std::size_t>(-1)) {
            // Nothing made: the start of a longer sequence, or not mapped (the Korean converter
            // takes the pair A2 E8 whole before it says so). Anything else is odd.
            if (made == 0 && err == EILSEQ) probe.value = kBad;
            if (made == 0 && err == EINVAL && srcLeft == size) probe.value = kLead;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            return probe;
        }
        if (made == 0) {
            probe.held = true;
            return probe;
        }
        // One whole character, or else odd.
        std::size_t length = 0;
        const auto* const u = reinterpret_cast<const unsigned char*>(buf);
        const char32_t c = DecodeUtf8(u, u + made, length);
        if (length == made) probe.value = c;
        return probe;
    }

    std::array<std::uint32_t, 256> m_single{};
    std::array<std::unique_ptr<std::array<std::uint32_t, 256>>, 256> m_pairs;
};

namespace {

// The tables, made when a code page is first decoded and kept while the program runs: reading a
// note must not ask the converter about tens of thousands of pairs each time.
class Tables {
public:
    // The table of the code page, or null when it has none; `cd` converts it.
    const CodepageTable* of(int codepage, iconv_t cd) {
        const std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_tables.find(codepage);
        if (it == m_tables.end()) it = m_tables.emplace(codepage, CodepageTable::Make(cd)).first;
        return it->second.get();
    }

private:
    std::mutex m_mutex;
    std::map<int, std::unique_ptr<CodepageTable>> m_tables;
};

Tables& SharedTables() {
    static Tables tables;
    return tables;
}

} // namespace

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
    if (codepage != m_lastCodepage) {
        iconv_t cd = converter(codepage);
        m_lastTable = cd == kNoConverter ? nullptr : SharedTables().of(codepage, cd);
        m_lastCodepage = codepage;
    }
    if (m_lastTable) bytes.remove_prefix(m_lastTable->decode(out, bytes));
    if (!bytes.empty()) convert(out, bytes, codepage);
}

void CodepageDecoder::convert(std::string& out, std::string_view bytes, int codepage) {
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
    // What the converter still holds (a letter it waits to combine with the next) comes out.
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
        // EILSEQ or a sequence cut short at the end: one byte becomes U+FFFD. A converter may
        // have taken the bad sequence already, up to the last byte.
        drain();
        AppendUtf8(out, kReplacement);
        if (srcLeft == 0) break;
        ++src;
        --srcLeft;
    }
    drain();
}

} // namespace nodo::rtf
