// The reader's and the writer's ways through long stretches of the same kind of text: \uN? of
// every value, code-page bytes through the tables, control words of every length, and random
// documents that must read back as a normal document, the same again after our own writer.
#include "RtfEscapes.h"

#include "notes/rtf/RtfReader.h"
#include "notes/rtf/RtfWriter.h"
#include "notes/rtf/Utf8.h"

#include <gtest/gtest.h>

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace nodo::rtf {
namespace {

std::string Text(const Document& d) {
    return PlainText(d, "\n");
}

bool ValidUtf8(std::string_view s) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const auto* const end = p + s.size();
    while (p < end) {
        std::size_t length;
        if (DecodeUtf8(p, end, length) == kReplacement && !(length == 3 && p[0] == 0xEF)) return false;
        p += length;
    }
    return true;
}

std::string Escaped(std::string_view bytes) {
    std::string out;
    for (const char c : bytes) {
        char buf[5];
        std::snprintf(buf, sizeof buf, "\\'%02x", static_cast<unsigned char>(c));
        out += buf;
    }
    return out;
}

// What the C library's converter makes of the bytes, read the way the reader promises: from each
// byte on, the shortest sequence the converter takes as one character; where there is none (not
// mapped, or cut short by the end) U+FFFD for the byte, and the next byte is read again. Control
// characters other than the tab are dropped.
std::string Converted(const char* charset, std::string_view bytes) {
    iconv_t cd = iconv_open("UTF-8", charset);
    std::string out;
    for (std::size_t i = 0; i < bytes.size();) {
        std::size_t taken = 0;
        for (std::size_t k = 1; k <= 4 && i + k <= bytes.size() && taken == 0; ++k) {
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            char* src = const_cast<char*>(bytes.data() + i);
            std::size_t left = k;
            char buf[32];
            char* dst = buf;
            std::size_t room = sizeof buf;
            const std::size_t r = iconv(cd, &src, &left, &dst, &room);
            const int err = errno;
            if (r != static_cast<std::size_t>(-1) && left == 0 && room < sizeof buf) {
                out.append(buf, sizeof buf - room);
                taken = k;
            } else if (r == static_cast<std::size_t>(-1) && err != EINVAL) {
                break;
            }
        }
        if (taken == 0) {
            out += "\uFFFD";
            taken = 1;
        }
        i += taken;
    }
    iconv_close(cd);
    std::string kept;
    for (const char c : out) {
        const auto u = static_cast<unsigned char>(c);
        if ((u >= 0x20 && u != 0x7F) || c == '\t') kept += c;
    }
    return kept;
}

struct CodePage {
    int number;
    const char* charset;
};
// The double-byte code pages of East Asia and a few single-byte ones, as the reader names them.
constexpr CodePage kTabled[] = {{936, "GBK"},     {950, "BIG5"},    {949, "UHC"},     {932, "CP932"},
                                {1361, "CP1361"}, {1252, "CP1252"}, {1251, "CP1251"}, {874, "CP874"}};

// Every pair of a lead byte and another byte, each pair in a stretch of its own (a control word
// between them), reads as the converter reads it.
TEST(RtfCodePageTables, EveryPairReadsAsTheConverterReadsIt) {
    for (const auto& cp : kTabled) {
        for (unsigned lead = 0x80; lead < 0x100; ++lead) {
            std::string rtf = "{\\rtf1\\ansi\\ansicpg" + std::to_string(cp.number) + " ";
            std::string expected;
            for (unsigned trail = 0; trail < 0x100; ++trail) {
                const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                rtf += Escaped({pair, 2}) + "\\ul0 ";
                expected += Converted(cp.charset, {pair, 2});
            }
            const std::string text = Text(ReadRtf(rtf + "}"));
            ASSERT_EQ(text, expected) << cp.charset << " lead " << lead;
        }
    }
}

// Long stretches of random bytes, most of them lead bytes, so that bad pairs, trails read again
// on their own and lead bytes at the end of a stretch all come up.
TEST(RtfCodePageTables, RandomStretchesReadAsTheConverterReadsThem) {
    std::mt19937 random(7);
    for (const auto& cp : kTabled) {
        for (int i = 0; i < 60; ++i) {
            std::string bytes(random() % 700, '\0');
            for (auto& b : bytes)
                b = static_cast<char>(random() % 4 ? 0x81 + random() % 0x7E : random() % 0x100);
            const std::string rtf =
                "{\\rtf1\\ansi\\ansicpg" + std::to_string(cp.number) + " " + Escaped(bytes) + "}";
            ASSERT_EQ(Text(ReadRtf(rtf)), Converted(cp.charset, bytes)) << cp.charset << " #" << i;
        }
    }
}

// The \'xx of a stretch are gathered a buffer at a time: pairs across the buffer's edge, broken by
// line ends, cut short by the end of the input, and the code pages that keep the converter.
TEST(RtfCodePageTables, StretchesAcrossEdges) {
    const std::string pairs = testing::Encode("中文字备忘录今天开会", "GBK");
    struct Case {
        std::string name;
        std::string rtf;
        std::string text;
    };
    std::vector<Case> cases;
    for (const std::size_t before : {253u, 254u, 255u, 256u, 257u, 511u, 512u}) {
        std::string gbk(before, 'A');
        gbk += pairs;
        cases.push_back({"Offset" + std::to_string(before), "{\\rtf1\\ansi\\ansicpg936 " + Escaped(gbk) + "}",
                         std::string(before, 'A') + "中文字备忘录今天开会"});
    }
    const std::string zhong = Escaped(testing::Encode("中", "GBK"));
    cases.push_back({"PairAcrossLineEnds", "{\\rtf1\\ansi\\ansicpg936 \\'d6\r\n\r\n\\'d0}", "中"});
    cases.push_back(
        {"LeadByteAtTheEndOfTheInput", "{\\rtf1\\ansi\\ansicpg936 " + zhong + "\\'d6", "中\uFFFD"});
    cases.push_back({"HexCutAtTheEndOfTheInput", "{\\rtf1\\ansi\\ansicpg936 " + zhong + "\\'d", "中d"});
    cases.push_back({"MalformedHexEndsTheStretch", "{\\rtf1\\ansi\\ansicpg936 \\'d6\\'zz\\'d0}",
                     Converted("GBK", "\xd6zz\xd0")});
    cases.push_back({"RawTrailAfterAnEscape", "{\\rtf1\\ansi\\ansicpg936 \\'d6\xd0}", "中"});
    cases.push_back(
        {"FourByteGb18030", "{\\rtf1\\ansi\\ansicpg54936 \\'81\\'30\\'81\\'30\\'d6\\'d0}", "\u0080中"});
    cases.push_back({"Gb18030CutShort", "{\\rtf1\\ansi\\ansicpg54936 \\'81\\'30\\'81}",
                     Converted("GB18030", "\x81\x30\x81")});
    cases.push_back({"TwoCodePagesInTurn",
                     "{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset134 x;}{\\f1\\fcharset136 y;}}"
                     "\\f0\\'d6\\'d0\\f1\\'a4\\'a4\\f0\\'ce\\'c4}",
                     "中中文"});
    for (const auto& c : cases)
        EXPECT_EQ(Text(ReadRtf(c.rtf)), c.text) << c.name;
}

// Every unit of the basic plane is written as \uN? with N as a signed 16-bit number, whatever the
// number of its digits, and each reads back, alone and in a stretch of them.
TEST(RtfUnicodeStretches, EveryUnitOfTheBasicPlane) {
    Document all;
    all.paragraphs.emplace_back();
    std::string text;
    for (char32_t c = 0x80; c <= 0xFFFF; ++c) {
        if ((c >= 0xD800 && c <= 0xDFFF) || c == 0x2028) continue;
        std::string one;
        AppendUtf8(one, c);
        const std::string rtf = WriteRtf(SingleRun(one));
        const std::string unit =
            "\\u" + std::to_string(static_cast<std::int16_t>(static_cast<std::uint16_t>(c))) + "?";
        ASSERT_NE(rtf.find("\\pard " + unit + "\\par"), std::string::npos)
            << static_cast<unsigned>(c) << " " << rtf;
        ASSERT_EQ(Text(ReadRtf(rtf)), one) << static_cast<unsigned>(c);
        text += one;
    }
    EXPECT_EQ(Text(ReadRtf(WriteRtf(SingleRun(text)))), text);
}

// ASCII is copied eight bytes at a time while none of them needs escaping: a byte that does, at
// every place of such a word, is still escaped (in text and in a font name) and reads back.
TEST(RtfAsciiStretches, ASpecialAtEveryPlace) {
    struct Special {
        std::string text; // in a run
        std::string rtf;  // as written there
        std::string readBack;
    };
    const Special specials[] = {
        {"\\", "\\\\", "\\"}, {"{", "\\{", "{"}, {"}", "\\}", "}"}, {"\t", "\\tab ", "\t"},
        {"\x7f", "", ""},     {"\x1f", "", ""},  {";", ";", ";"},   {"\u00e9", "\\u233?", "\u00e9"},
        {" ", " ", " "}};
    for (const auto& sp : specials)
        for (std::size_t at = 0; at <= 17; ++at) {
            const std::string before(at, 'a'), after(17 - at, 'b');
            const auto around = [&](const std::string& middle) {
                return std::string(before).append(middle).append(after);
            };
            const std::string text = around(sp.text);
            const std::string rtf = WriteRtf(SingleRun(text));
            EXPECT_NE(rtf.find(std::string("\\pard ").append(around(sp.rtf)).append("\\par")),
                      std::string::npos)
                << rtf;
            const std::string readBack = around(sp.readBack);
            EXPECT_EQ(Text(ReadRtf(rtf)), readBack) << rtf;
            // In a font name the ';' would end it, and a tab means nothing; a name is read without
            // the blanks around it.
            CharFormat f;
            f.font = text;
            f.charset = kAnsiCharset;
            const Document read = ReadRtf(WriteRtf(SingleRun("x", f)));
            ASSERT_EQ(read.paragraphs[0].runs.size(), 1u);
            std::string name = sp.text == "\t" ? around("") : readBack;
            name = name.substr(name.find_first_not_of(' '),
                               name.find_last_not_of(' ') - name.find_first_not_of(' ') + 1);
            EXPECT_EQ(read.paragraphs[0].runs[0].format.font, name) << sp.rtf << " at " << at;
        }
}

// Three bytes of UTF-8 are looked at at once where a fourth follows: what only looks like a
// character of three bytes is written as the shared decoder reads it, a byte at a time.
TEST(RtfUnicodeStretches, ThreeByteFormsWithTextAfter) {
    struct Case {
        const char* name;
        std::string text;
        std::string rtf;
    };
    const Case cases[] = {
        {"Chinese", "\xE4\xB8\xAD\xE6\x96\x87zz", "\\u20013?\\u25991?zz"},
        {"FirstOfThePlane", "\xE0\xA0\x80zzzz", "\\u2048?zzzz"},
        {"LastOfThePlane", "\xEF\xBF\xBFzzzz", "\\u-1?zzzz"},
        {"CutShort", "\xE4\xB8zzzz", "\\u-3?\\u-3?zzzz"},
        {"SecondNotAContinuation", "\xE4zzzz", "\\u-3?zzzz"},
        {"Overlong", "\xE0\x80\x80zzzz", "\\u-3?\\u-3?\\u-3?zzzz"},
        {"Surrogate", "\xED\xA0\x80zzzz", "\\u-3?\\u-3?\\u-3?zzzz"},
        {"LineSeparator", "\xE2\x80\xA8zzzz", "\\line zzzz"},
        {"FourByteCharacter", "\xF0\x9F\x98\x80zz", "\\u-10179?\\u-8704?zz"},
    };
    for (const auto& c : cases) {
        const std::string rtf = WriteRtf(SingleRun(c.text));
        EXPECT_NE(rtf.find("\\pard " + c.rtf + "\\par"), std::string::npos) << c.name << ": " << rtf;
    }
}

TEST(RtfUnicodeStretches, WaysOutOfTheCommonForm) {
    struct Case {
        const char* name;
        std::string rtf;
        std::string text;
    };
    const Case cases[] = {
        {"SixDigitsWithALeadingZero", "{\\rtf1\\u020013?\\u25991?x}", "中文x"},
        {"FallbackOtherThanAMark", "{\\rtf1\\u20013x\\u25991y\\u23383?}", "中文字"},
        {"SpaceBeforeTheFallback", "{\\rtf1\\u20013 ?\\u25991 ?z}", "中文z"},
        {"NegativeAndPositiveInTurn", "{\\rtf1\\u-31780?\\u20013?\\u-230?\\u-31780?}",
         "\u83dc中\uff1a\u83dc"},
        {"FourDigitsBeforeFive", "{\\rtf1\\u8730?\\u20013?\\u8730?}", "√中√"},
        {"FiveDigitsNearTheEnd", "{\\rtf1\\u20013?\\u25991?", "中文"},
        {"FiveDigitsThenABrace", "{\\rtf1\\u20013?\\u25991}x", "中文"},
        {"DigitsAfterTheMark", "{\\rtf1\\u20013?12345?}", "中12345?"},
        {"MarkAsFallbackOfTwo", "{\\rtf1\\uc2\\u20013??\\u25991?x}", "中文"},
        {"SurrogatesInFiveDigits", "{\\rtf1\\u-10179?\\u-8704?\\u55357?\\u56832?}", "😀😀"},
        {"ControlUnitInFiveDigits", "{\\rtf1\\u20013?\\u00009?\\u25991?}", "中\t文"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Text(ReadRtf(c.rtf)), c.text) << c.name;
}

// Control words are found by their letters packed into a number when they are short and by a
// hash of a few letters when they are long: words of every length, and words that only start
// like a known one.
TEST(RtfControlWords, OfEveryLength) {
    struct Case {
        const char* name;
        std::string rtf;
        std::string text;
        bool underline;
    };
    const Case cases[] = {
        {"OneLetter", "{\\rtf1 \\b x}", "x", false},
        {"EightLetterDestination", "{\\rtf1 a{\\pgdsctbl hidden}b}", "ab", false},
        {"NineLetterDestination", "{\\rtf1 a{\\themedata hidden}b}", "ab", false},
        {"LongDestination", "{\\rtf1 a{\\colorschememapping hidden}b}", "ab", false},
        {"EightLetterUnderline", "{\\rtf1 \\ulthdash x}", "x", true},
        {"TenLetterUnderline", "{\\rtf1 \\ulthdashdd x}", "x", true},
        {"NineLetterQuote", "{\\rtf1 \\ldblquote x\\rdblquote}", "“x”", false},
        {"LongerThanAnyKnown", "{\\rtf1 \\ulthdashddxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx x}", "x", false},
        {"KnownWordWithMoreLetters", "{\\rtf1 \\binx a\\ulx b}", "ab", false},
        {"UpperCase", "{\\rtf1 \\UL a}", "a", false},
        {"BinWithItsData", "{\\rtf1 a\\bin2 }}b}", "ab", false},
        // What ends a word, where eight bytes are looked at at once and where fewer are left.
        {"EndedByAByteFrom0x80", "{\\rtf1\\ansi \\ul\xe9 and more}", "\u00e9 and more", true},
        {"EndedByAnAt", "{\\rtf1 \\ul@ and more}", "@ and more", true},
        {"EndedByABracket", "{\\rtf1 \\ul[ and more}", "[ and more", true},
        {"EndedByABackQuote", "{\\rtf1 \\ul` and more}", "` and more", true},
        {"EndedByADigit", "{\\rtf1 \\ul1 and more}", "and more", true},
        {"NearTheEnd", "{\\rtf1 \\ul x", "x", true},
        {"AtTheVeryEnd", "{\\rtf1 x\\ulw", "x", false},
        {"EightLettersThenMore", "{\\rtf1 \\ulthdashdd and more}", "and more", true},
    };
    for (const auto& c : cases) {
        const Document d = ReadRtf(c.rtf);
        EXPECT_EQ(Text(d), c.text) << c.name;
        ASSERT_FALSE(d.paragraphs[0].runs.empty()) << c.name;
        EXPECT_EQ(d.paragraphs[0].runs.back().format.underline, c.underline) << c.name;
    }
}

// Random documents of the pieces notes are made of, cut and damaged at random: whatever they
// are, the reader gives a normal document of valid UTF-8, and our writer and reader keep it.
TEST(RtfRandomDocuments, ReadNormalAndSurviveARoundTrip) {
    const char* const pieces[] = {
        "{",
        "}",
        "\\",
        "\\u",
        "\\u20013?",
        "\\u-31780?",
        "\\u-10179?\\u-8704?",
        "\\'d6",
        "\\'d0",
        "\\'ff",
        "\\'8",
        "\\'",
        "\\'81@",
        "\r\n",
        " ",
        "abc",
        "Report due",
        "?",
        "\\b",
        "\\b0",
        "\\i",
        "\\ul",
        "\\ulnone",
        "\\f0",
        "\\f1",
        "\\f2",
        "\\fs20",
        "\\cf1",
        "\\cf2",
        "\\highlight1",
        "\\par",
        "\\pard",
        "\\qc",
        "\\plain",
        "\\uc0",
        "\\uc2",
        "\\uc1",
        "\\*",
        "\\v",
        "\\v0",
        ("{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}{\\f1\\fcharset0 "
         "Arial;}{\\f2\\fcharset136 x;}}"),
        "{\\colortbl ;\\red255\\green0\\blue0;\\red1\\green2\\blue3;}",
        "\\ansicpg936",
        "\\ansicpg1258",
        "\\ansicpg65001",
        "\\bin3 ",
        "\\line",
        "\\tab",
        "\\~",
        "\\{",
        "\\}",
        "\\\\",
        "\x01",
        "\xd6\xd0",
        "\xe9",
        "\\u9?",
        "\\u1?",
        "\\u0065536?",
        "\\u-",
        "\\u1114112?",
        "\\u12345678?",
        "\\emdash",
        "\\'a4\\'a4",
        "\\'b0\\'a1\\'b0",
        "{\\*\\generator x;}",
        "\\u8730?",
        "\\u20013\\'3f",
        "0123456789"};
    std::mt19937 random(11);
    for (int k = 0; k < 4000; ++k) {
        std::string in = random() % 8 ? "{\\rtf1\\ansi " : "";
        const auto count = random() % (k % 10 == 0 ? 600 : 40);
        for (unsigned i = 0; i < count; ++i)
            in += pieces[random() % std::size(pieces)];
        if (random() % 4 == 0 && !in.empty())
            for (int j = 0; j < 3; ++j)
                in[random() % in.size()] = static_cast<char>(random() % 256);
        if (random() % 4 == 0) in.resize(random() % (in.size() + 1));
        const Document d = ReadRtf(in);
        ASSERT_EQ(Normalized(d), d) << in;
        for (const auto& p : d.paragraphs)
            for (const auto& r : p.runs)
                ASSERT_TRUE(ValidUtf8(r.text) && ValidUtf8(r.format.font)) << in;
        ASSERT_EQ(ReadRtf(WriteRtf(d)), d) << in;
    }
}

} // namespace
} // namespace nodo::rtf
