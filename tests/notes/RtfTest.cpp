#include "RtfEscapes.h"

#include "notes/rtf/RtfReader.h"
#include "notes/rtf/RtfWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>

namespace nodo::rtf {

// Readable failures: each run with its format.
void PrintTo(const Document& d, std::ostream* os) {
    for (const auto& p : d.paragraphs) {
        *os << "\n  [align " << static_cast<int>(p.align) << "]";
        for (const auto& r : p.runs) {
            const auto& f = r.format;
            *os << " {" << f.font << "/" << f.charset << " fs" << f.halfPoints << (f.bold ? " b" : "")
                << (f.italic ? " i" : "") << (f.underline ? " ul" : "") << (f.strike ? " s" : "")
                << (f.color ? " cf" : "") << (f.background ? " bg" : "") << " '" << r.text << "'}";
        }
    }
}

namespace {

using testing::HexEscaped;

constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kMoneyGreen{192, 220, 192};
const std::string kSong = "宋体";
const std::string kHei = "黑体";

Paragraph Para(std::vector<Run> runs, Align align = Align::Left) {
    return {align, std::move(runs)};
}
Document Doc(std::vector<Paragraph> paragraphs) {
    return {std::move(paragraphs)};
}
CharFormat Font(std::string face, int charset, int halfPoints = 0) {
    CharFormat f;
    f.font = std::move(face);
    f.charset = charset;
    f.halfPoints = halfPoints;
    return f;
}
template <class Fn> CharFormat With(Fn fn) {
    CharFormat f;
    fn(f);
    return f;
}

// One paragraph per run of text, for comparing the text of what was read.
std::string Text(const Document& d) {
    return PlainText(d, "\n");
}

struct RoundTrip {
    const char* name;
    Document doc;
};

class RtfRoundTrip : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(RtfRoundTrip, ReadsBackWhatWasWritten) {
    const Document& doc = GetParam().doc;
    const std::string rtf = WriteRtf(doc);
    for (const char c : rtf)
        ASSERT_LT(static_cast<unsigned char>(c), 0x80) << "non-ASCII byte in " << rtf;
    ASSERT_TRUE(LooksLikeRtf(rtf));
    EXPECT_EQ(ReadRtf(rtf), Normalized(doc)) << rtf;
    // Writing what was read gives the same bytes again.
    EXPECT_EQ(WriteRtf(ReadRtf(rtf)), WriteRtf(Normalized(doc)));
}

INSTANTIATE_TEST_SUITE_P(
    Formats, RtfRoundTrip,
    ::testing::Values(
        RoundTrip{"Empty", Doc({Para({})})}, RoundTrip{"PlainAscii", Doc({Para({{"Meeting at 10", {}}})})},
        RoundTrip{"Chinese", Doc({Para({{"今天下午三点开会，记得带上报告。", {}}})})},
        RoundTrip{"Bold",
                  Doc({Para({{"a", {}}, {"bold", With([](auto& f) { f.bold = true; })}, {"b", {}}})})},
        RoundTrip{"Italic", Doc({Para({{"斜体", With([](auto& f) { f.italic = true; })}})})},
        RoundTrip{"Underline", Doc({Para({{"下划线", With([](auto& f) { f.underline = true; })}})})},
        RoundTrip{"Strike", Doc({Para({{"删除", With([](auto& f) { f.strike = true; })}})})},
        RoundTrip{"AllFlags", Doc({Para({{"全部", With([](auto& f) {
                                              f.bold = f.italic = f.underline = f.strike = true;
                                          })}})})},
        RoundTrip{"FontsAndCharsets", Doc({Para({{"宋", Font(kSong, kGb2312Charset, 30)},
                                                 {"Arial", Font("Arial", kAnsiCharset, 20)},
                                                 {"黑", Font(kHei, kGb2312Charset, 48)},
                                                 {"Big", Font("MingLiU", 136)},
                                                 {"plain", {}}})})},
        RoundTrip{"ExplicitSongIsNotTheDefault",
                  Doc({Para({{"a", Font(kSong, kGb2312Charset)}, {"b", {}}})})},
        RoundTrip{"Colours", Doc({Para({{"red", With([](auto& f) { f.color = kRed; })},
                                        {"black", With([](auto& f) {
                                             f.color = Rgb{0, 0, 0};
                                         })},
                                        {"auto", {}},
                                        {"marked", With([](auto& f) {
                                             f.background = kMoneyGreen;
                                             f.color = kRed;
                                         })}})})},
        RoundTrip{"Alignments",
                  Doc({Para({{"left", {}}}, Align::Left), Para({{"centre", {}}}, Align::Center),
                       Para({{"right", {}}}, Align::Right), Para({{"both", {}}}, Align::Justify)})},
        RoundTrip{"EmptyParagraphs",
                  Doc({Para({}), Para({{"middle", {}}}), Para({}), Para({}, Align::Center)})},
        RoundTrip{"Specials", Doc({Para({{"{braces} \\back\\slash\\ and\ttab", {}}})})},
        RoundTrip{"LeadingAndTrailingSpaces",
                  Doc({Para({{"  two", {}}, {" bold ", With([](auto& f) { f.bold = true; })}})})},
        RoundTrip{"LineBreakInParagraph", Doc({Para({{"one\u2028two", {}}})})},
        RoundTrip{"Symbols", Doc({Para({{"√ × ★ ① “引号” — é ß", {}}})})},
        RoundTrip{"OutsideTheBasicPlane", Doc({Para({{"𠀀 😀 end", {}}})})},
        RoundTrip{"DigitsAfterAnEscape", Doc({Para({{"中123 ?x", {}}})})},
        RoundTrip{"ChineseFontName", Doc({Para({{"字", Font("微软雅黑", kGb2312Charset, 24)}})})}),
    [](const auto& info) { return std::string(info.param.name); });

// What a Windows rich-edit control on a Chinese system streams out.
TEST(RtfReader, ClassicRichEditWithGbkBytes) {
    const std::string rtf =
        "{\\rtf1\\ansi\\ansicpg936\\deff0\\deflang1033\\deflangfe2052{\\fonttbl{\\f0\\fnil\\fcharset134 " +
        HexEscaped("宋体") +
        ";}{\\f1\\fswiss\\fcharset0 Arial;}}\r\n"
        "{\\colortbl ;\\red255\\green0\\blue0;}\r\n"
        "{\\*\\generator Msftedit 5.41.21.2510;}\\viewkind4\\uc1\\pard\\lang2052\\f0\\fs30 " +
        HexEscaped("今天开会") + "\\cf1\\b " + HexEscaped("重要") +
        "\\cf0\\b0\\par\r\n\\pard\\qc\\f1\\fs20 Hello " + "\\f0 " + HexEscaped("世界") + "\\par\r\n}\r\n";
    const Document d = ReadRtf(rtf);
    ASSERT_EQ(d.paragraphs.size(), 2u);
    EXPECT_EQ(Text(d), "今天开会重要\nHello 世界");
    const auto& first = d.paragraphs[0];
    ASSERT_EQ(first.runs.size(), 2u);
    EXPECT_EQ(first.runs[0].format, Font(kSong, kGb2312Charset, 30));
    CharFormat strong = Font(kSong, kGb2312Charset, 30);
    strong.bold = true;
    strong.color = kRed;
    EXPECT_EQ(first.runs[1].format, strong);
    EXPECT_EQ(d.paragraphs[1].align, Align::Center);
    EXPECT_EQ(d.paragraphs[1].runs[0].format, Font("Arial", kAnsiCharset, 20));
}

TEST(RtfReader, CodePagesOfTheText) {
    struct Case {
        const char* name;
        std::string rtf;
        std::string text;
    };
    const Case cases[] = {
        // Text without a font falls back on the document's code page.
        {"AnsiCodePage", "{\\rtf1\\ansi\\ansicpg936 " + HexEscaped("备忘录") + "}", "备忘录"},
        // A GBK trail byte in the ASCII range may be written as it is.
        {"LiteralTrailByte", "{\\rtf1\\ansi\\ansicpg936 \\'81@}", "丂"},
        {"FontCharsetWins",
         "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0\\fcharset134 x;}{\\f1\\fcharset136 "
         "y;}}\\f0\\'d6\\'d0\\f1\\'a4\\'a4}",
         "中中"},
        {"DefaultFontCharset", "{\\rtf1\\ansi\\deff1{\\fonttbl{\\f1\\fcharset134 x;}}\\'d6\\'d0}", "中"},
        {"Latin", "{\\rtf1\\ansi caf\\'e9 \\'80}", "café €"},
        {"CodePageOfTheFont", "{\\rtf1\\ansi{\\fonttbl{\\f0\\cpg936 x;}}\\f0\\'d6\\'d0}", "中"},
        {"UnmappedBytes", "{\\rtf1\\ansi\\ansicpg936 a\\'ffb}", "a\uFFFDb"},
        {"CutShortAtTheEnd", "{\\rtf1\\ansi\\ansicpg936 a\\'d6}", "a\uFFFD"},
        {"UnknownCodePage", "{\\rtf1\\ansi\\ansicpg99999 caf\\'e9}", "café"},
        // The Korean converter takes this pair whole and only then says it does not map it.
        {"PairTakenWholeAndRefused", "{\\rtf1\\ansi\\ansicpg949 \\'a2\\'e8}", "\uFFFD\uFFFD"},
        {"PairTakenWholeThenText", "{\\rtf1\\ansi\\ansicpg949 \\'a2\\'e8A\\'b0\\'a1}", "\uFFFD\uFFFDA\uAC00"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Text(ReadRtf(c.rtf)), c.text) << c.name;
}

// The Hebrew and Vietnamese converters keep each letter back until they see whether the next
// character combines with it: the last letter before a control word, a group or a bad byte is
// text all the same.
TEST(RtfReader, LettersHeldBackByTheConverterAreKept) {
    struct Case {
        const char* name;
        std::string rtf;
        std::string text;
    };
    const Case cases[] = {
        {"HebrewAtTheEnd", "{\\rtf1\\ansi\\ansicpg1255 \\'e0\\'e1}", "\u05D0\u05D1"},
        {"HebrewAroundABadByte", "{\\rtf1\\ansi\\ansicpg1255 \\'e0\\'ff\\'e1}", "\u05D0\uFFFD\u05D1"},
        {"HebrewFont", "{\\rtf1{\\fonttbl{\\f0\\fcharset177 x;}}\\f0\\'e0{\\b\\'e1}}", "\u05D0\u05D1"},
        {"VietnameseAtTheEnd", "{\\rtf1\\ansi\\ansicpg1258 x\\'e9}", "x\u00E9"},
        {"VietnameseBeforeAControlWord", "{\\rtf1\\ansi\\ansicpg1258 \\'e9\\b \\'e9}", "\u00E9\u00E9"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Text(ReadRtf(c.rtf)), c.text) << c.name;
}

// Text in the UTF-8 code page is UTF-8 once read, whatever the bytes: what is not UTF-8 (five-byte
// sequences, numbers past U+10FFFF, surrogates, sequences cut short) is U+FFFD for each byte.
TEST(RtfReader, Utf8CodePageGivesValidText) {
    struct Case {
        const char* name;
        std::string rtf;
        std::string text;
    };
    const Case cases[] = {
        {"Valid", "{\\rtf1\\ansi\\ansicpg65001 \\'e4\\'b8\\'ad\\'f0\\'9f\\'98\\'80}", "\u4E2D\U0001F600"},
        {"FiveBytes", "{\\rtf1\\ansi\\ansicpg65001 a\\'fa\\'aa\\'95\\'9c\\'b1b}",
         "a\uFFFD\uFFFD\uFFFD\uFFFD\uFFFDb"},
        {"PastTheLastPlane", "{\\rtf1\\ansi\\ansicpg65001 \\'f5\\'95\\'a3\\'ab}", "\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"Surrogate", "{\\rtf1\\ansi\\ansicpg65001 \\'ed\\'a0\\'80}", "\uFFFD\uFFFD\uFFFD"},
        {"CutShort", "{\\rtf1\\ansi\\ansicpg65001 \\'e4\\'b8}", "\uFFFD\uFFFD"},
    };
    for (const auto& c : cases) {
        const Document d = ReadRtf(c.rtf);
        EXPECT_EQ(Text(d), c.text) << c.name;
        EXPECT_EQ(ReadRtf(WriteRtf(d)), d) << c.name;
    }
}

TEST(RtfReader, UnicodeWithFallbacks) {
    struct Case {
        const char* name;
        std::string rtf;
        std::string text;
    };
    const Case cases[] = {
        {"OneFallbackChar", "{\\rtf1\\uc1\\u20013?\\u25991?}", "中文"},
        {"DefaultCountIsOne", "{\\rtf1\\u20013?x}", "中x"},
        {"TwoByteFallback", "{\\rtf1\\ansicpg936\\uc2\\u20013\\'d6\\'d0\\u25991\\'ce\\'c4!}", "中文!"},
        {"NoFallback", "{\\rtf1\\uc0\\u20013 x}", "中x"},
        {"NegativeValue", "{\\rtf1\\u-255?}", "！"},
        {"SurrogatePair", "{\\rtf1\\u-10179?\\u-8704?}", "😀"},
        {"LoneSurrogate", "{\\rtf1\\u-10179?x}", "\uFFFDx"},
        {"CountRestoredAfterGroup", "{\\rtf1{\\uc2\\u20013??}\\u20013?x}", "中中x"},
        {"GroupEndStopsSkipping", "{\\rtf1\\uc3{\\u20013}x}", "中x"},
        {"ControlWordCountsAsOne", "{\\rtf1\\uc1\\u20013\\'3fx}", "中x"},
        {"Specials", "{\\rtf1 a\\~b\\emdash c\\ldblquote d\\rdblquote\\bullet\\tab e\\line f}",
         "a\u00A0b—c“d”•\te\nf"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Text(ReadRtf(c.rtf)), c.text) << c.name;
}

// Chinese text is mostly \uN after \uN; every way such a stretch can end or be broken.
TEST(RtfReader, StretchesOfUnicode) {
    struct Case {
        const char* name;
        std::string rtf;
        std::string text;
    };
    std::string many = "{\\rtf1 ", manyText;
    for (int i = 0; i < 500; ++i) {
        many += i % 2 ? "\\u25991?" : "\\u20013?";
        manyText += i % 2 ? "文" : "中";
    }
    const Case cases[] = {
        {"Three", "{\\rtf1\\u20013?\\u25991?\\u23383?}", "中文字"},
        {"LongerThanABuffer", many + "}", manyText},
        {"Replacement", "{\\rtf1\\u20013?\\u-3?}", "中\uFFFD"},
        {"PairInTheMiddle", "{\\rtf1\\u20013?\\u-10179?\\u-8704?\\u25991?}", "中😀文"},
        {"LowSurrogateAlone", "{\\rtf1\\u20013?\\u-8704?\\u25991?}", "中\uFFFD文"},
        {"Tab", "{\\rtf1\\u20013?\\u9?\\u25991?}", "中\t文"},
        {"ControlCharacter", "{\\rtf1\\u20013?\\u1?\\u127?\\u25991?}", "中文"},
        {"LeadingZeros", "{\\rtf1\\u20013?\\u0065536?x}", "中\U00010000x"},
        {"MinusZero", "{\\rtf1\\u20013?\\u-0?x}", "中x"},
        {"MinusWithoutDigits", "{\\rtf1\\u20013?\\u-x}", "中x"},
        {"PastTheLastPlane", "{\\rtf1\\u20013?\\u1114112?x}", "中\uFFFDx"},
        {"FallbackIsAControlWord", "{\\rtf1\\u20013 \\u25991 x}", "中x"},
        {"FallbackIsAHexByte", "{\\rtf1\\u20013\\'3f\\u25991\\'3fx}", "中文x"},
        {"NoFallback", "{\\rtf1\\uc0\\u20013\\u25991 x}", "中文x"},
        {"TwoFallbacks", "{\\rtf1\\uc2\\u20013??\\u25991??x}", "中文x"},
        {"FallbackAcrossALineEnd", "{\\rtf1\\u20013\r\n?x}", "中x"},
        {"GroupEndsTheFallback", "{\\rtf1\\u20013{\\b x}}", "中x"},
        {"Hidden", "{\\rtf1 a{\\v\\u20013?\\u20013?}\\u25991?}", "a文"},
        {"AtTheVeryEnd", "{\\rtf1\\u20013?", "中"},
        {"FallbackCutOff", "{\\rtf1\\u20013", "中"},
        {"AfterText", "{\\rtf1 ab\\u20013?cd}", "ab中cd"},
        {"UnderlineIsNotUnicode", "{\\rtf1\\u20013?\\ul\\u25991?}", "中文"},
        {"InAParagraphOfItsOwn", "{\\rtf1\\u20013?\\par\\u25991?}", "中\n文"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Text(ReadRtf(c.rtf)), c.text) << c.name;
    // The text goes to the run of its format, however it is broken up.
    const Document d = ReadRtf("{\\rtf1\\u20013?{\\b\\u25991?\\u23383?}\\u20013?}");
    ASSERT_EQ(d.paragraphs[0].runs.size(), 3u);
    EXPECT_EQ(d.paragraphs[0].runs[1].text, "文字");
    EXPECT_TRUE(d.paragraphs[0].runs[1].format.bold);
    EXPECT_EQ(d.paragraphs[0].runs[2].text, "中");
    // A paragraph takes its alignment from its text: a word that only starts like \uN and a
    // \uN that shows nothing give it none.
    EXPECT_EQ(ReadRtf("{\\rtf1 \\qc{\\uc2}\\*\\u32768?}").paragraphs[0].align, Align::Left);
    EXPECT_EQ(ReadRtf("{\\rtf1 \\qr{\\v\\u20013?}}").paragraphs[0].align, Align::Left);
}

// Bytes of a code page are gathered up to the next control word or group and converted a
// block at a time.
TEST(RtfReader, CodePageBytesInBlocks) {
    std::string longText;
    for (int i = 0; longText.size() < std::size_t{3} * 4096; ++i)
        longText += i % 7 ? "备忘录" : "a1";
    struct Case {
        const char* name;
        std::string rtf;
        std::string text;
    };
    const Case cases[] = {
        {"LongerThanABlock", "{\\rtf1\\ansi\\ansicpg936 " + HexEscaped(longText) + "}", longText},
        {"LongLatin", "{\\rtf1\\ansi " + std::string(5000, 'x') + "\\'e9}", std::string(5000, 'x') + "é"},
        {"LeadByteBeforeAGroup", "{\\rtf1\\ansi\\ansicpg936 \\'d6{\\b\\'d0}}", "\uFFFD\uFFFD"},
        {"LeadByteBeforeAControlWord", "{\\rtf1\\ansi\\ansicpg936 \\'d6\\b\\'d0}", "\uFFFD\uFFFD"},
        {"PairAcrossALineEnd", "{\\rtf1\\ansi\\ansicpg936 \\'d6\r\n\\'d0}", "中"},
        {"LeadByteAtTheEnd", "{\\rtf1\\ansi\\ansicpg936 " + HexEscaped(longText) + "\\'d6}",
         longText + "\uFFFD"},
        {"BadByteInTheMiddle",
         "{\\rtf1\\ansi\\ansicpg936 " + HexEscaped(longText) + "\\'ff" + HexEscaped("中") + "}",
         longText + "\uFFFD中"},
        {"HexCutShort", "{\\rtf1\\ansi\\ansicpg936 a\\'d}", "ad"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Text(ReadRtf(c.rtf)), c.text) << c.name;
}

TEST(RtfReader, SkipsWhatHoldsNoText) {
    struct Case {
        const char* name;
        std::string rtf;
        std::string text;
    };
    const Case cases[] = {
        {"StarDestination", "{\\rtf1 a{\\*\\unknown hidden {nested}}b}", "ab"},
        {"KnownDestinations", "{\\rtf1{\\info{\\title T}{\\author A}}{\\stylesheet{\\s0 Normal;}}x}", "x"},
        {"UnknownWordsIgnored", "{\\rtf1\\foo\\bar-12 text\\baz}", "text"},
        {"FieldResult", "{\\rtf1{\\field{\\*\\fldinst HYPERLINK \"http://x\"}{\\fldrslt link}} end}",
         "link end"},
        {"BinaryInText", "{\\rtf1 a\\bin3 }{}b}", "ab"},
        {"BinaryInPicture", "{\\rtf1 a{\\pict\\bin4 }}{{}b}", "ab"},
        {"BinaryPastTheEnd", "{\\rtf1 a\\bin999 xyz}", "a"},
        {"HiddenText", "{\\rtf1 a{\\v secret}b\\v c\\v0 d}", "abd"},
        {"TextAfterTheDocument", "{\\rtf1 a}trailing", "a"},
        {"StrayClosingBrace", "}{\\rtf1 a}", "a"},
        {"Unclosed", "{\\rtf1 a{\\b b", "ab"},
        {"EscapedBraces", "{\\rtf1 \\{x\\}\\\\}", "{x}\\"},
        {"BackslashNewlineIsParagraph", "{\\rtf1 a\\\nb}", "a\nb"},
        {"SectionsAndRows", "{\\rtf1 a\\cell b\\row c\\sect d\\page e}", "a\tb\nc\nd\ne"},
        {"ControlCharactersDropped", std::string("{\\rtf1 a\x01\x7f\\'07b}"), "ab"},
        {"PictureInline", "{\\rtf1 x{\\pict\\pngblip 89504e47}y}", "xy"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Text(ReadRtf(c.rtf)), c.text) << c.name;
}

TEST(RtfReader, FormatsFromOtherWriters) {
    const Document d =
        ReadRtf("{\\rtf1{\\fonttbl\\f0\\fswiss Helvetica;\\f1\\fmodern{\\*\\panose 0}Courier"
                " New;}{\\colortbl;\\red0\\green0\\blue255;}"
                "\\f0\\fs24 a\\b b\\b0\\ulw c\\ulnone\\plain d\\f1\\cf1\\chcbpat1 e\\pard\\qr\\par}");
    ASSERT_EQ(d.paragraphs.size(), 1u);
    const auto& p = d.paragraphs[0];
    EXPECT_EQ(p.align, Align::Right);
    ASSERT_EQ(p.runs.size(), 5u);
    EXPECT_EQ(p.runs[0].format.font, "Helvetica");
    EXPECT_EQ(p.runs[0].format.halfPoints, 24);
    EXPECT_TRUE(p.runs[1].format.bold);
    EXPECT_TRUE(p.runs[2].format.underline);
    EXPECT_FALSE(p.runs[2].format.bold);
    EXPECT_EQ(p.runs[3].format, CharFormat{});
    EXPECT_EQ(p.runs[4].format.font, "Courier New");
    EXPECT_EQ(p.runs[4].format.color, (Rgb{0, 0, 255}));
    EXPECT_EQ(p.runs[4].format.background, (Rgb{0, 0, 255}));
}

TEST(RtfReader, ParagraphEnds) {
    EXPECT_EQ(ReadRtf("{\\rtf1 a\\par}").paragraphs.size(), 1u);
    EXPECT_EQ(ReadRtf("{\\rtf1 a}").paragraphs.size(), 1u);
    EXPECT_EQ(ReadRtf("{\\rtf1 a\\par\\par}").paragraphs.size(), 2u);
    EXPECT_EQ(ReadRtf("{\\rtf1}").paragraphs.size(), 1u);
    EXPECT_EQ(ReadRtf("").paragraphs.size(), 1u);
}

TEST(RtfReader, DeepNestingAndLongInputStayBounded) {
    const std::size_t depth = 200'000;
    std::string rtf = "{\\rtf1 ";
    rtf += std::string(depth, '{') + "\\b deep" + std::string(depth, '}') + " after}";
    const auto start = std::chrono::steady_clock::now();
    const Document d = ReadRtf(rtf);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(Text(d), "deep after");

    // A long font name is cut, so it cannot be copied into every run.
    const std::string longName(100'000, 'x');
    std::string many = "{\\rtf1{\\fonttbl{\\f0 " + longName + ";}}\\f0 ";
    for (int i = 0; i < 1000; ++i)
        many += "\\b a\\b0 b";
    const Document m = ReadRtf(many + "}");
    ASSERT_EQ(m.paragraphs[0].runs.size(), 2000u);
    EXPECT_LE(m.paragraphs[0].runs[0].format.font.size(), 96u);
}

// A pasted text with many thousands of colours and faces: writing grows with the document, not
// with the document times its tables. Four times the runs take about four times as long (a
// lookup through the tables would take sixteen); the best of five runs each, as a ratio, so
// the machine's speed does not matter.
TEST(RtfWriter, ManyColoursAndFacesCostLinearTime) {
    const auto document = [](int runs) {
        Paragraph p;
        for (int i = 0; i < runs; ++i) {
            CharFormat f;
            f.color = Rgb{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i >> 8),
                          static_cast<std::uint8_t>(i >> 16)};
            f.background = Rgb{static_cast<std::uint8_t>(i >> 16), 7, static_cast<std::uint8_t>(i)};
            f.font = "Face" + std::to_string(i % 500);
            p.runs.push_back({"字" + std::to_string(i), f});
        }
        return Doc({p});
    };
    const auto bestOfThree = [](const Document& d) {
        auto best = std::chrono::steady_clock::duration::max();
        for (int k = 0; k < 5; ++k) {
            const auto start = std::chrono::steady_clock::now();
            const std::string out = WriteRtf(d);
            best = std::min(best, std::chrono::steady_clock::now() - start);
            EXPECT_FALSE(out.empty());
        }
        return std::chrono::duration<double>(best).count();
    };
    const Document small = document(2'500), large = document(10'000);
    const double ratio = bestOfThree(large) / bestOfThree(small);
    EXPECT_LT(ratio, 8.0) << "four times the colours took " << ratio << " times as long";
    // And every colour and face comes back as it was.
    EXPECT_EQ(ReadRtf(WriteRtf(large)), large);
}

// The body of a document of one unformatted run, as written.
std::string Body(std::string_view text) {
    const std::string rtf = WriteRtf(Doc({Para({{std::string(text), {}}})}));
    const std::string start = "\\pard ", end = "\\par\r\n}";
    const auto from = rtf.find(start);
    const auto to = rtf.rfind(end);
    if (from == std::string::npos || to == std::string::npos || to < from) return "(no body) " + rtf;
    return rtf.substr(from + start.size(), to - from - start.size());
}

TEST(RtfWriter, EscapesEveryWidthOfNumber) {
    const struct {
        std::string text, rtf;
    } cases[] = {
        {"\u0080", "\\u128?"},
        {"\u00E9", "\\u233?"},
        {"\u07FF", "\\u2047?"},
        {"\u2710", "\\u10000?"},
        {"\u4E2D", "\\u20013?"},
        {"\u7FFF", "\\u32767?"},
        {"\u8000", "\\u-32768?"},
        {"\uFF01", "\\u-255?"},
        {"\uFFFF", "\\u-1?"},
        {"\U0001F600", "\\u-10179?\\u-8704?"},
        {"\U00010000", "\\u-10240?\\u-9216?"},
        {"a\u2028b", "a\\line b"},
        {"\xE4\xB8", "\\u-3?\\u-3?"},           // cut short
        {"\xC0\x80", "\\u-3?\\u-3?"},           // overlong
        {"\xED\xA0\x80", "\\u-3?\\u-3?\\u-3?"}, // a surrogate
        {"x;{}\\\t\x01y", "x;\\{\\}\\\\\\tab y"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Body(c.text), c.rtf) << c.rtf;
}

// Text that grows more than the writer first makes room for: characters outside the basic plane
// become eighteen bytes for four, bad bytes five for one.
TEST(RtfWriter, TextThatGrowsMostComesBackWhole) {
    std::string emoji, bad;
    for (int i = 0; i < 5'000; ++i) {
        emoji += "\U0001F600";
        bad += '\xFF';
    }
    for (const auto& text : {emoji, bad}) {
        const Document d = Doc({Para({{text, Font(kHei, kGb2312Charset, 24)}}), Para({{text, {}}})});
        const std::string rtf = WriteRtf(d);
        const Document back = ReadRtf(rtf);
        ASSERT_EQ(back.paragraphs.size(), 2u);
        EXPECT_EQ(back, ReadRtf(WriteRtf(back)));
        const std::string expected = text == bad ? [] {
            std::string r;
            for (int i = 0; i < 5'000; ++i)
                r += "\uFFFD";
            return r;
        }() : text;
        EXPECT_EQ(Text(back), std::string(expected).append("\n").append(expected));
    }
}

TEST(RtfReader, LooksLikeRtf) {
    EXPECT_TRUE(LooksLikeRtf("{\\rtf1 x}"));
    EXPECT_TRUE(LooksLikeRtf("\r\n {\\rtf"));
    EXPECT_FALSE(LooksLikeRtf("{\\rt"));
    EXPECT_FALSE(LooksLikeRtf("plain {\\rtf1}"));
    EXPECT_FALSE(LooksLikeRtf(""));
}

TEST(RichText, PlainTextAndBack) {
    const Document d = FromPlainText("one\r\ntwo\nthree\rfour\r\n");
    ASSERT_EQ(d.paragraphs.size(), 5u);
    EXPECT_EQ(PlainText(d), "one\r\ntwo\r\nthree\r\nfour\r\n");
    EXPECT_EQ(PlainText(FromPlainText("")), "");
    EXPECT_EQ(PlainText(SingleRun("a\u2028b"), "\n"), "a\nb");
    // Runs of one format are joined, empty runs and a charset without its face dropped.
    Document loose =
        Doc({Para({{"a", {}}, {"", With([](auto& f) { f.bold = true; })}, {"b", {}}, {"c", With([](auto& f) {
                                                                                          f.charset =
                                                                                              kGb2312Charset;
                                                                                      })}})});
    EXPECT_EQ(Normalized(loose), Doc({Para({{"abc", {}}})}));
}

} // namespace
} // namespace nodo::rtf
