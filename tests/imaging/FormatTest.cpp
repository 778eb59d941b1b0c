#include "TestPictures.h"
#include "imaging/Codecs.h"
#include "imaging/PictureFile.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace nodo::pic {
namespace {

using test::ByteVec;

TEST(BitmapBasics, LayoutAndCopies) {
    Bitmap empty;
    EXPECT_TRUE(empty.empty());
    EXPECT_EQ(empty.width(), 0);
    EXPECT_EQ(empty.height(), 0);
    EXPECT_TRUE(Bitmap(0, 7, 24).empty());
    EXPECT_EQ(Bitmap(0, 7, 24).height(), 0) << "an empty bitmap is 0 x 0";

    Bitmap b(5, 3, 24);
    EXPECT_EQ(b.stride(), 15u) << "no row padding in memory";
    EXPECT_EQ(b.row(2) - b.row(0), 30);
    EXPECT_EQ(b.pixel(4, 2), (Bgra{0, 0, 0, 255}));
    b.setPixel(4, 2, {1, 2, 3, 4});
    EXPECT_EQ(b.row(2)[12], 1);
    EXPECT_EQ(b.row(2)[14], 3);

    Bitmap copy = b;
    EXPECT_EQ(copy, b);
    copy.setPixel(0, 0, {9, 9, 9, 255});
    EXPECT_NE(copy.pixel(0, 0), b.pixel(0, 0)) << "copies do not share pixels";
    Bitmap moved = std::move(copy);
    EXPECT_EQ(moved.pixel(0, 0), (Bgra{9, 9, 9, 255}));
    EXPECT_NE(Bitmap(5, 3, 32), b) << "depth counts";

    EXPECT_THROW(Bitmap(2, 2, 16), std::invalid_argument);
    EXPECT_THROW(Bitmap(-1, 2, 24), std::invalid_argument);
    try {
        const Bitmap tooLarge(10001, 10000, 24);
        FAIL() << tooLarge.width();
    } catch (const PictureError& e) {
        EXPECT_EQ(e.kind(), PictureErrorKind::TooLarge);
    }
}

TEST(BitmapBasics, FillSetsEveryPixel) {
    Bitmap b(3, 4, 32);
    b.fill({1, 2, 3, 4});
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 3; ++x)
            ASSERT_EQ(b.pixel(x, y), (Bgra{1, 2, 3, 4}));
}

struct SniffCase {
    const char* name;
    ByteVec bytes;
    PictureFormat format;
};

class Sniff : public testing::TestWithParam<SniffCase> {};

TEST_P(Sniff, RecognisesTheContent) {
    EXPECT_EQ(DetectFormat(GetParam().bytes), GetParam().format);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, Sniff,
    testing::Values(SniffCase{"Empty", {}, PictureFormat::Bmp},
                    SniffCase{"Bmp", {'B', 'M', 0}, PictureFormat::Bmp},
                    SniffCase{"Jpeg", {0xFF, 0xD8, 0xFF, 0xE0}, PictureFormat::Jpeg},
                    SniffCase{"Png", {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}, PictureFormat::Png},
                    SniffCase{"Gif87", {'G', 'I', 'F', '8', '7', 'a'}, PictureFormat::Gif},
                    SniffCase{"Gif89", {'G', 'I', 'F', '8', '9', 'a'}, PictureFormat::Gif},
                    SniffCase{"GifOtherVersion", {'G', 'I', 'F', '9', '9', 'a'}, PictureFormat::Unknown},
                    SniffCase{"PngCut", {0x89, 'P', 'N', 'G'}, PictureFormat::Unknown},
                    SniffCase{"Text", {'h', 'e', 'l', 'l', 'o'}, PictureFormat::Unknown},
                    SniffCase{"JpegTwoBytes", {0xFF, 0xD8}, PictureFormat::Unknown}),
    [](const auto& info) { return std::string(info.param.name); });

// The same picture in every format, saved under a misleading name, loads by content.
TEST(DecodeAnyByContent, WhateverTheExtension) {
    const Bitmap src = test::Gradient(24, 16, 24);
    const struct {
        const char* name;
        ByteVec bytes;
        bool exact;
    } files[] = {{"really_png.jpg", EncodePng(src), true},
                 {"really_bmp.gif", EncodeBmp(src), true},
                 {"really_jpeg.png", EncodeJpeg(src), false},
                 {"really_gif.bmp", EncodeGif(src), false}};
    const auto dir = test::TempPath("any");
    std::filesystem::create_directories(dir);
    for (const auto& f : files) {
        WriteWholeFile(dir / f.name, f.bytes);
        const Bitmap b = LoadBitmapFile(dir / f.name);
        EXPECT_EQ(b.width(), 24) << f.name;
        EXPECT_EQ(b.height(), 16) << f.name;
        if (f.exact) {
            EXPECT_EQ(b, src) << f.name;
        }
        EXPECT_EQ(DecodeAny(f.bytes).width(), 24) << f.name;
    }
    WriteWholeFile(dir / "notes.txt", ByteVec{'h', 'i', '!'});
    try {
        LoadBitmapFile(dir / "notes.txt");
        FAIL();
    } catch (const PictureError& e) {
        EXPECT_EQ(e.kind(), PictureErrorKind::Unsupported);
    }
    std::filesystem::remove_all(dir);
}

TEST(Flatten, OverWhite) {
    Bitmap b(4, 1, 32);
    b.setPixel(0, 0, {10, 20, 30, 255});
    b.setPixel(1, 0, {10, 20, 30, 0});
    b.setPixel(2, 0, {0, 0, 0, 128});
    b.setPixel(3, 0, {200, 100, 0, 51});
    const Bitmap f = FlattenOverWhite(b);
    ASSERT_EQ(f.bitsPerPixel(), 24);
    EXPECT_EQ(f.pixel(0, 0), (Bgra{10, 20, 30, 255}));
    EXPECT_EQ(f.pixel(1, 0), (Bgra{255, 255, 255, 255}));
    EXPECT_EQ(f.pixel(2, 0), (Bgra{127, 127, 127, 255}));
    EXPECT_EQ(f.pixel(3, 0), (Bgra{244, 224, 204, 255}));
    const Bitmap opaque = test::Gradient(3, 3, 24);
    EXPECT_EQ(FlattenOverWhite(opaque), opaque);
    EXPECT_TRUE(FlattenOverWhite(Bitmap()).empty());
}

TEST(Flatten, ToBgraIsOpaqueAndReversible) {
    const Bitmap b = test::Gradient(5, 2, 24);
    const Bitmap q = ToBgra(b);
    ASSERT_EQ(q.bitsPerPixel(), 32);
    EXPECT_EQ(q.pixel(4, 1).a, 255);
    EXPECT_EQ(FlattenOverWhite(q), b);
}

TEST(WholeFiles, ReadWriteAndErrors) {
    const auto path = test::TempPath("whole");
    const ByteVec data = {1, 2, 3, 0, 255};
    WriteWholeFile(path, data);
    EXPECT_EQ(ReadWholeFile(path), data);
    WriteWholeFile(path, ByteVec{});
    EXPECT_TRUE(ReadWholeFile(path).empty());
    std::filesystem::remove(path);
    EXPECT_THROW(ReadWholeFile(path), PictureError);
    EXPECT_THROW(ReadWholeFile(std::filesystem::temp_directory_path()), PictureError) << "a folder";
    EXPECT_THROW(WriteWholeFile("/nonexistent/dir/x.bmp", data), PictureError);
}

TEST(SaveJpeg, WritesADecodableFile) {
    const auto path = test::TempPath("mix", ".Jpg");
    const Bitmap src = test::Gradient(32, 32, 24);
    SaveJpegFile(path, src);
    const Bitmap back = LoadBitmapFile(path);
    EXPECT_EQ(back.width(), 32);
    EXPECT_EQ(DetectFormat(ReadWholeFile(path)), PictureFormat::Jpeg);
    std::filesystem::remove(path);
}

TEST(FormatByExtension, OneRuleForEveryReader) {
    const std::pair<const char*, PictureFormat> cases[] = {
        {"a.bmp", PictureFormat::Bmp},
        {"/x/Mix.Bmp", PictureFormat::Bmp},
        {"photo.JPEG", PictureFormat::Jpeg},
        {"photo.jpg", PictureFormat::Jpeg},
        {"clear.Png", PictureFormat::Png},
        {"anim.GIF", PictureFormat::Gif},
        {"/dir.png/readme", PictureFormat::Unknown},
        {"noext", PictureFormat::Unknown},
        {"a.tiff", PictureFormat::Unknown},
        {".png", PictureFormat::Png},
    };
    for (const auto& [name, format] : cases)
        EXPECT_EQ(FormatByExtension(name), format) << name;
}

// The fast settings give a picture that reads back the same, at any depth.
TEST(PngEffort, FastestRoundTrips) {
    for (int bpp : {24, 32}) {
        const Bitmap src = test::Gradient(40, 30, bpp);
        EXPECT_EQ(DecodePng(EncodePng(src, PngEffort::Fastest)), src) << bpp;
    }
}

} // namespace
} // namespace nodo::pic
