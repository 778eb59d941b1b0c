#include "TestPictures.h"
#include "imaging/Codecs.h"
#include "imaging/PictureFile.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace nodo::pic {
namespace {

using test::BmpSpec;
using test::ByteVec;
using test::MakeBmp;

constexpr Bgra kRed{0, 0, 255, 255}, kGreen{0, 255, 0, 255}, kBlue{255, 0, 0, 255},
    kWhite{255, 255, 255, 255}, kBlack{0, 0, 0, 255};

struct DecodeCase {
    const char* name;
    BmpSpec spec;
    int width, height, outBpp, sourceBpp;
    std::vector<Bgra> expected; // top-down, row by row
};

std::vector<std::uint32_t> core256() {
    std::vector<std::uint32_t> p(256, 0x000000);
    p[7] = 0xABCDEF;
    return p;
}

const DecodeCase kDecodeCases[] = {
    {"Palette1",
     {40, 3, 2, 1, 0, 0, {0xFF0000, 0x0000FF}, {}, {0xA0, 0, 0, 0, 0x60, 0, 0, 0}},
     3,
     2,
     24,
     1,
     {kRed, kBlue, kBlue, kBlue, kRed, kBlue}},
    {"Palette4FewColours",
     {40, 3, 1, 4, 0, 3, {0x112233, 0x445566, 0x778899}, {}, {0x20, 0x10, 0, 0}},
     3,
     1,
     24,
     4,
     {{0x99, 0x88, 0x77, 255}, {0x33, 0x22, 0x11, 255}, {0x66, 0x55, 0x44, 255}}},
    {"Palette8TopDownIndexPastPalette",
     {40, 2, -2, 8, 0, 2, {0x010203, 0x040506}, {}, {1, 0, 0, 0, 0, 5, 0, 0}},
     2,
     2,
     24,
     8,
     {{6, 5, 4, 255}, {3, 2, 1, 255}, {3, 2, 1, 255}, kBlack}},
    {"CoreHeaderPalette8",
     {12, 2, 1, 8, 0, 0, core256(), {}, {7, 0, 0, 0}},
     2,
     1,
     24,
     8,
     {{0xEF, 0xCD, 0xAB, 255}, kBlack}},
    {"Rgb16Default555",
     {40, 2, 1, 16, 0, 0, {}, {}, {0x00, 0x7C, 0xFF, 0x03}},
     2,
     1,
     24,
     16,
     {kRed, {255, 255, 0, 255}}},
    {"Bitfields565",
     {40, 2, 1, 16, 3, 0, {}, {0xF800, 0x07E0, 0x001F}, {0x00, 0xF8, 0x10, 0x04}},
     2,
     1,
     24,
     16,
     {kRed, {132, 130, 0, 255}}},
    {"Rgb24BottomUp",
     {40, 2, 2, 24, 0, 0, {}, {}, {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0}},
     2,
     2,
     24,
     24,
     {{7, 8, 9, 255}, {10, 11, 12, 255}, {1, 2, 3, 255}, {4, 5, 6, 255}}},
    {"Rgb24TopDown",
     {40, 2, -2, 24, 0, 0, {}, {}, {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0}},
     2,
     2,
     24,
     24,
     {{1, 2, 3, 255}, {4, 5, 6, 255}, {7, 8, 9, 255}, {10, 11, 12, 255}}},
    {"Rgb32AlphaKept",
     {40, 2, 1, 32, 0, 0, {}, {}, {1, 2, 3, 128, 4, 5, 6, 0}},
     2,
     1,
     32,
     32,
     {{1, 2, 3, 128}, {4, 5, 6, 0}}},
    {"Rgb32ZeroAlphaIsOpaque",
     {40, 2, 1, 32, 0, 0, {}, {}, {1, 2, 3, 0, 4, 5, 6, 0}},
     2,
     1,
     32,
     32,
     {{1, 2, 3, 255}, {4, 5, 6, 255}}},
    {"V4BitfieldsAlphaMeant",
     {108, 2, 1, 32, 3, 0, {}, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, {1, 2, 3, 0, 4, 5, 6, 0}},
     2,
     1,
     32,
     32,
     {{1, 2, 3, 0}, {4, 5, 6, 0}}},
    {"V5Rgb24", {124, 1, 1, 24, 0, 0, {}, {}, {9, 8, 7, 0}}, 1, 1, 24, 24, {{9, 8, 7, 255}}},
    {"V3Bitfields4444",
     {56, 2, 1, 16, 3, 0, {}, {0x0F00, 0x00F0, 0x000F, 0xF000}, {0x0F, 0xF0, 0x80, 0x8F}},
     2,
     1,
     32,
     16,
     {{255, 0, 0, 255}, {0, 136, 255, 136}}},
    {"V2BitfieldsRgbx",
     {52, 1, 1, 32, 3, 0, {}, {0x0000FF, 0x00FF00, 0xFF0000}, {10, 20, 30, 99}},
     1,
     1,
     32,
     32,
     {{30, 20, 10, 255}}},
    {"AlphaBitfieldsAfterHeader",
     {40, 1, 1, 32, 6, 0, {}, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, {1, 2, 3, 4}},
     1,
     1,
     32,
     32,
     {{1, 2, 3, 4}}},
    // RLE8: a run, a literal clipped at the row end, end of line; a delta over a whole row, a run,
    // end of bitmap. Skipped pixels keep palette entry 0.
    {"Rle8RunsLiteralDeltaEnd",
     {40,
      4,
      3,
      8,
      1,
      4,
      {0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF},
      {},
      {2, 1, 0, 3, 2, 3, 1, 0, 0, 0, 0, 2, 1, 1, 1, 3, 0, 1}},
     4,
     3,
     24,
     8,
     {kWhite, kBlue, kWhite, kWhite, kWhite, kWhite, kWhite, kWhite, kRed, kRed, kGreen, kBlue}},
    // RLE4: an alternating run, end of line, a literal of three nibbles, end of bitmap.
    {"Rle4RunLiteralEnd",
     {40, 5, 2, 4, 2, 3, {0x000000, 0x0000FF, 0x00FF00}, {}, {5, 0x12, 0, 0, 0, 3, 0x21, 0x20, 0, 1}},
     5,
     2,
     24,
     4,
     {kGreen, kBlue, kGreen, kBlack, kBlack, kBlue, kGreen, kBlue, kGreen, kBlue}},
};

class BmpDecode : public testing::TestWithParam<DecodeCase> {};

TEST_P(BmpDecode, GivesThePixels) {
    const DecodeCase& c = GetParam();
    const ByteVec file = MakeBmp(c.spec);
    const Bitmap b = DecodeBmp(file);
    ASSERT_EQ(b.width(), c.width);
    ASSERT_EQ(b.height(), c.height);
    EXPECT_EQ(b.bitsPerPixel(), c.outBpp);
    EXPECT_EQ(b.sourceBitsPerPixel(), c.sourceBpp);
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            const Bgra want = c.expected[static_cast<std::size_t>(y) * c.width + x], got = b.pixel(x, y);
            EXPECT_EQ(got, want) << "pixel " << x << "," << y << ": got " << int(got.b) << " " << int(got.g)
                                 << " " << int(got.r) << " " << int(got.a);
        }
}

TEST_P(BmpDecode, FileLoaderAgrees) {
    const DecodeCase& c = GetParam();
    const auto path = test::TempPath("bmp", ".bmp");
    const ByteVec file = MakeBmp(c.spec);
    WriteWholeFile(path, file);
    const Bitmap loaded = LoadBitmapFile(path);
    std::filesystem::remove(path);
    EXPECT_EQ(loaded, DecodeBmp(file));
    EXPECT_EQ(loaded.sourceBitsPerPixel(), c.sourceBpp);
}

INSTANTIATE_TEST_SUITE_P(Variants, BmpDecode, testing::ValuesIn(kDecodeCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct ErrorCase {
    const char* name;
    ByteVec file;
    PictureErrorKind kind;
};

ByteVec withSize(BmpSpec s, std::int32_t w, std::int32_t h) {
    s.width = w;
    s.height = h;
    return MakeBmp(s);
}

ByteVec cut(ByteVec v, std::size_t n) {
    v.resize(n);
    return v;
}

const BmpSpec kRgb24x4{40, 4, 4, 24, 0, 0, {}, {}, ByteVec(48, 0x55)};
const BmpSpec kPal8{40, 2, 2, 8, 0, 0, std::vector<std::uint32_t>(256, 0x123456), {}, ByteVec(8, 1)};

std::vector<ErrorCase> errorCases() {
    BmpSpec zeroMasks{40, 1, 1, 16, 3, 0, {}, {0, 0, 0}, {0, 0, 0, 0}};
    BmpSpec jpegInside{40, 1, 1, 24, 4, 0, {}, {}, {0, 0, 0, 0}};
    BmpSpec rle24{40, 1, 1, 24, 1, 0, {}, {}, {0, 1}};
    BmpSpec badBpp{40, 1, 1, 7, 0, 0, {}, {}, {0, 0, 0, 0}};
    BmpSpec offsetPastEnd = kRgb24x4;
    offsetPastEnd.pixelOffset = 100000;
    BmpSpec offsetInHeader = kRgb24x4;
    offsetInHeader.pixelOffset = 20;
    BmpSpec rleNoEnd{40, 4, 2, 8, 1, 2, {0, 0xFFFFFF}, {}, {4, 1, 0, 0}};
    BmpSpec rleShortLiteral{40, 4, 1, 8, 1, 2, {0, 0xFFFFFF}, {}, {0, 4, 1, 1}};
    ByteVec unknownHeader = MakeBmp(kRgb24x4);
    unknownHeader[14] = 20;
    return {
        {"TooShort", {'B', 'M', 1, 2}, PictureErrorKind::Truncated},
        {"NotBm",
         {'X', 'Y', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         PictureErrorKind::Unsupported},
        {"UnknownInfoHeader", unknownHeader, PictureErrorKind::Unsupported},
        {"EndsInsideInfoHeader", cut(MakeBmp(kRgb24x4), 30), PictureErrorKind::Truncated},
        {"EndsInsidePalette", cut(MakeBmp(kPal8), 14 + 40 + 100), PictureErrorKind::Truncated},
        {"PixelsTruncated", cut(MakeBmp(kRgb24x4), 14 + 40 + 40), PictureErrorKind::Truncated},
        {"LyingHeaderSmallFile", withSize(kRgb24x4, 5000, 5000), PictureErrorKind::Truncated},
        {"ExactlyHundredMegapixelsButNoData", withSize(kRgb24x4, 10000, 10000), PictureErrorKind::Truncated},
        {"OverHundredMegapixels", withSize(kRgb24x4, 10001, 10000), PictureErrorKind::TooLarge},
        {"OverHundredMegapixelsTopDown", withSize(kRgb24x4, 20000, -20000), PictureErrorKind::TooLarge},
        {"ZeroWidth", withSize(kRgb24x4, 0, 4), PictureErrorKind::Corrupt},
        {"BadBitsPerPixel", MakeBmp(badBpp), PictureErrorKind::Corrupt},
        {"JpegInsideBmp", MakeBmp(jpegInside), PictureErrorKind::Unsupported},
        {"RleWith24Bits", MakeBmp(rle24), PictureErrorKind::Corrupt},
        {"ZeroMasks", MakeBmp(zeroMasks), PictureErrorKind::Corrupt},
        {"PixelOffsetPastEnd", MakeBmp(offsetPastEnd), PictureErrorKind::Truncated},
        {"PixelOffsetInsideHeader", MakeBmp(offsetInHeader), PictureErrorKind::Corrupt},
        {"RleEndsBeforeLastRow", MakeBmp(rleNoEnd), PictureErrorKind::Truncated},
        {"RleLiteralPastEnd", MakeBmp(rleShortLiteral), PictureErrorKind::Truncated},
    };
}

class BmpErrors : public testing::TestWithParam<ErrorCase> {};

TEST_P(BmpErrors, AreRefusedWithTheirKind) {
    const ErrorCase& c = GetParam();
    try {
        DecodeBmp(c.file);
        FAIL() << "decoded a bad file";
    } catch (const PictureError& e) {
        EXPECT_EQ(e.kind(), c.kind) << e.what();
        EXPECT_EQ(std::string(e.what()).rfind("BMP: ", 0), 0u) << e.what();
    }
}

TEST_P(BmpErrors, AreRefusedFromFiles) {
    const auto path = test::TempPath("bad", ".bmp");
    WriteWholeFile(path, GetParam().file);
    EXPECT_THROW(LoadBitmapFile(path), PictureError);
    std::filesystem::remove(path);
}

INSTANTIATE_TEST_SUITE_P(Bad, BmpErrors, testing::ValuesIn(errorCases()),
                         [](const auto& info) { return std::string(info.param.name); });

struct RoundTrip {
    int width, height, bpp;
};

class BmpRoundTrip : public testing::TestWithParam<RoundTrip> {};

TEST_P(BmpRoundTrip, InMemoryAndThroughFiles) {
    const auto [w, h, bpp] = GetParam();
    const Bitmap original = test::Gradient(w, h, bpp);
    const ByteVec encoded = EncodeBmp(original, bpp);
    const std::size_t rowBytes = (static_cast<std::size_t>(w) * bpp / 8 + 3) / 4 * 4;
    EXPECT_EQ(encoded.size(), (bpp == 32 ? 14 + 108 : 14 + 40) + rowBytes * h);
    EXPECT_EQ(DecodeBmp(encoded), original);

    const auto path = test::TempPath("rt", ".bmp");
    SaveBmpFile(path, original, bpp);
    EXPECT_EQ(ReadWholeFile(path), encoded);
    EXPECT_EQ(LoadBitmapFile(path), original);
    std::filesystem::remove(path);
}

INSTANTIATE_TEST_SUITE_P(Sizes, BmpRoundTrip,
                         testing::Values(RoundTrip{1, 1, 24}, RoundTrip{2, 3, 24}, RoundTrip{3, 2, 24},
                                         RoundTrip{5, 4, 24}, RoundTrip{17, 9, 24}, RoundTrip{1, 1, 32},
                                         RoundTrip{3, 5, 32}, RoundTrip{17, 9, 32}, RoundTrip{640, 3, 24}));

TEST(BmpDepthChange, ThirtyTwoToTwentyFourLaysOverWhite) {
    Bitmap b(2, 1, 32);
    b.setPixel(0, 0, {10, 20, 30, 0});
    b.setPixel(1, 0, {0, 100, 200, 128});
    const Bitmap back = DecodeBmp(EncodeBmp(b, 24));
    ASSERT_EQ(back.bitsPerPixel(), 24);
    EXPECT_EQ(back.pixel(0, 0), kWhite);
    EXPECT_EQ(back.pixel(1, 0), (Bgra{127, 177, 227, 255}));
}

TEST(BmpDepthChange, TwentyFourToThirtyTwoIsOpaque) {
    const Bitmap b = test::Gradient(3, 2, 24);
    const Bitmap back = DecodeBmp(EncodeBmp(b, 32));
    ASSERT_EQ(back.bitsPerPixel(), 32);
    EXPECT_EQ(FlattenOverWhite(back), b);
    EXPECT_EQ(back.pixel(2, 1).a, 255);
}

TEST(BmpEmpty, ZeroBytesBothWays) {
    EXPECT_TRUE(EncodeBmp(Bitmap()).empty());
    const Bitmap b = DecodeBmp({});
    EXPECT_TRUE(b.empty());
    EXPECT_EQ(b.width(), 0);
    EXPECT_EQ(b.height(), 0);

    const auto path = test::TempPath("empty", ".bmp");
    SaveBmpFile(path, Bitmap(), 24);
    EXPECT_EQ(std::filesystem::file_size(path), 0u);
    EXPECT_TRUE(LoadBitmapFile(path).empty());
    std::filesystem::remove(path);
}

TEST(BmpFile, TruncatedPlainFileIsRefusedByTheDirectReader) {
    const ByteVec full = EncodeBmp(test::Gradient(64, 64, 24), 24);
    const auto path = test::TempPath("trunc", ".bmp");
    WriteWholeFile(path, cut(full, full.size() - 10));
    try {
        LoadBitmapFile(path);
        FAIL();
    } catch (const PictureError& e) {
        EXPECT_EQ(e.kind(), PictureErrorKind::Truncated);
    }
    std::filesystem::remove(path);
}

// More rows than one system call takes, with row padding, in both row orders.
TEST(BmpFile, ManyPaddedRowsLoadLikeTheDecoder) {
    const auto path = test::TempPath("rows", ".bmp");
    for (const std::int32_t height : {2500, -2500}) {
        BmpSpec spec{40, 3, height, 24, 0, 0, {}, {}, {}};
        for (int i = 0; i < 2500 * 12; ++i)
            spec.pixels.push_back(static_cast<std::uint8_t>(i % 12 < 9 ? i * 31 + i / 12 : 0));
        const ByteVec file = MakeBmp(spec);
        WriteWholeFile(path, file);
        const Bitmap loaded = LoadBitmapFile(path);
        EXPECT_EQ(loaded, DecodeBmp(file)) << height;
        EXPECT_EQ(loaded.pixel(0, height > 0 ? 2499 : 0), (Bgra{0, 31, 62, 255})) << height;
        SaveBmpFile(path, loaded, 24);
        EXPECT_EQ(ReadWholeFile(path), EncodeBmp(loaded, 24)) << "the streaming writer matches the encoder";
    }
    std::filesystem::remove(path);
}

TEST(BmpFile, MissingFileIsAnIoError) {
    try {
        LoadBitmapFile("/nonexistent/nodo/picture.bmp");
        FAIL();
    } catch (const PictureError& e) {
        EXPECT_EQ(e.kind(), PictureErrorKind::Io);
        EXPECT_NE(std::string(e.what()).find("/nonexistent/nodo/picture.bmp"), std::string::npos);
    }
}

TEST(BmpFile, SaveReplacesAndFailsCleanly) {
    const auto dir = test::TempPath("keep");
    std::filesystem::create_directories(dir / "Taken.bmp");
    const auto path = dir / "Mix.bmp";
    SaveBmpFile(path, test::Gradient(4, 4, 24));
    SaveBmpFile(path, test::Gradient(2, 2, 32), 32);
    EXPECT_EQ(LoadBitmapFile(path), test::Gradient(2, 2, 32));
    try {
        SaveBmpFile(dir / "Taken.bmp", test::Gradient(4, 4, 24)); // a folder of that name
        FAIL();
    } catch (const PictureError& e) {
        EXPECT_EQ(e.kind(), PictureErrorKind::Io);
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 2) << "no temporary file left";
    std::filesystem::remove_all(dir);
}

// A rebuilt file is swapped in rather than renamed over: readers still find one whole picture,
// the old file's mode stays, and nothing of the old file is left behind.
TEST(BmpFile, RebuiltFileReplacesLikeAKeptOne) {
    const auto dir = test::TempPath("rebuilt");
    std::filesystem::create_directories(dir / "Taken.bmp");
    const auto path = dir / "Mix.bmp";
    SaveBmpFile(path, test::Gradient(4, 4, 24), 24, Replace::Rebuilt); // nothing to swap with yet
    EXPECT_EQ(LoadBitmapFile(path), test::Gradient(4, 4, 24));
    std::filesystem::permissions(path,
                                 std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    SaveBmpFile(path, test::Gradient(2, 2, 32), 32, Replace::Rebuilt);
    EXPECT_EQ(LoadBitmapFile(path), test::Gradient(2, 2, 32));
    EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    const ByteVec jpeg = {0xFF, 0xD8, 0xFF, 0xD9};
    WriteWholeFile(dir / "Mix.Jpg", jpeg, Replace::Rebuilt);
    WriteWholeFile(dir / "Mix.Jpg", ByteVec(jpeg.rbegin(), jpeg.rend()), Replace::Rebuilt);
    EXPECT_EQ(ReadWholeFile(dir / "Mix.Jpg"), ByteVec(jpeg.rbegin(), jpeg.rend()));

    // A folder under the name is never swapped out of its place.
    try {
        SaveBmpFile(dir / "Taken.bmp", test::Gradient(4, 4, 24), 24, Replace::Rebuilt);
        FAIL();
    } catch (const PictureError& e) {
        EXPECT_EQ(e.kind(), PictureErrorKind::Io);
    }
    EXPECT_TRUE(std::filesystem::is_directory(dir / "Taken.bmp"));

    // A link under the name is replaced itself; the file it points at is left alone.
    std::filesystem::create_symlink("Mix.bmp", dir / "Link.bmp");
    SaveBmpFile(dir / "Link.bmp", test::Gradient(3, 3, 24), 24, Replace::Rebuilt);
    EXPECT_FALSE(std::filesystem::is_symlink(dir / "Link.bmp"));
    EXPECT_EQ(LoadBitmapFile(dir / "Link.bmp"), test::Gradient(3, 3, 24));
    EXPECT_EQ(LoadBitmapFile(path), test::Gradient(2, 2, 32));

    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 4) << "no temporary file left";
    std::filesystem::remove_all(dir);
}

// Old files handed over stay, hidden and whole, until they are removed all together; whatever is
// left goes with the holder.
TEST(BmpFile, SwappedOutFilesGoWhenTheHolderSays) {
    const auto dir = test::TempPath("swapped");
    std::filesystem::create_directories(dir);
    const auto path = dir / "Mix.bmp";
    const auto count = [&] { return std::distance(std::filesystem::directory_iterator(dir), {}); };
    SaveBmpFile(path, test::Gradient(4, 4, 24), 24, Replace::Rebuilt);
    {
        OldFiles old;
        SaveBmpFile(path, test::Gradient(5, 5, 32), 32, Replace::Rebuilt, &old);
        WriteWholeFile(dir / "Mix.Jpg", ByteVec{1, 2, 3}, Replace::Rebuilt, &old); // new: nothing swapped
        EXPECT_EQ(LoadBitmapFile(path), test::Gradient(5, 5, 32));
        ASSERT_EQ(count(), 3);
        for (const auto& e : std::filesystem::directory_iterator(dir)) {
            if (e.path().filename().string().starts_with(".Mix.bmp.")) {
                EXPECT_EQ(LoadBitmapFile(e.path()), test::Gradient(4, 4, 24)) << "the old picture, whole";
            }
        }
        old.removeAll();
        EXPECT_EQ(count(), 2);

        SaveBmpFile(path, test::Gradient(6, 6, 24), 24, Replace::Rebuilt, &old);
        EXPECT_EQ(count(), 3);
    }
    EXPECT_EQ(count(), 2) << "the holder removed what was left";
    EXPECT_EQ(LoadBitmapFile(path), test::Gradient(6, 6, 24));
    std::filesystem::remove_all(dir);
}

} // namespace
} // namespace nodo::pic
