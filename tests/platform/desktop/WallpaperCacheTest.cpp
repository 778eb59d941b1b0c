#include "platform/desktop/WallpaperCache.h"
#include "TestSupport.h"
#include "imaging/Codecs.h"
#include "imaging/PictureFile.h"

#include <fstream>
#include <gtest/gtest.h>

namespace nodo::desktop::test {
namespace {

TEST(WallpaperCache, EveryCopyGetsANewNameAndOnlyTheLastStays) {
    TempDir dir;
    WallpaperCache cache(dir / "cache/nodo/wallpaper");
    const pic::Bitmap picture = Quarters(16, 8);
    std::vector<std::filesystem::path> made;
    made.reserve(5);
    for (int i = 0; i < 5; ++i)
        made.push_back(cache.store(picture)); // several within one millisecond
    for (std::size_t i = 1; i < made.size(); ++i)
        EXPECT_NE(made[i], made[i - 1]);
    EXPECT_EQ(cache.copies(), made); // names sort in the order they were made

    std::ofstream(cache.folder() / "notes.txt") << "not ours";
    EXPECT_EQ(cache.shown(), std::nullopt);
    cache.taken(made.back());
    EXPECT_EQ(cache.copies(), std::vector<std::filesystem::path>{made.back()});
    EXPECT_EQ(cache.shown(), made.back());
    EXPECT_TRUE(std::filesystem::exists(cache.folder() / "notes.txt"));
    EXPECT_EQ(pic::LoadBitmapFile(made.back()), picture);

    // Refused attempts: the shown copy and the latest attempt stay.
    const auto first = cache.store(picture);
    cache.refused(first);
    EXPECT_EQ(cache.copies(), (std::vector<std::filesystem::path>{made.back(), first}));
    const auto second = cache.store(picture);
    cache.refused(second);
    EXPECT_EQ(cache.copies(), (std::vector<std::filesystem::path>{made.back(), second}));
    EXPECT_EQ(cache.shown(), made.back());

    // Without a note of what is shown, a refusal keeps only the attempt.
    std::filesystem::remove(cache.folder() / "shown");
    const auto third = cache.store(picture);
    cache.refused(third);
    EXPECT_EQ(cache.copies(), std::vector<std::filesystem::path>{third});
    cache.taken(third);

    // A name is never given twice, even after the copy it named has gone.
    cache.remove(third);
    EXPECT_TRUE(cache.copies().empty());
    EXPECT_EQ(cache.shown(), std::nullopt);
    EXPECT_NE(cache.store(picture), third);
}

TEST(WallpaperCache, UnwritableFolderThrows) {
    TempDir dir;
    std::ofstream(dir / "file") << "x";
    WallpaperCache cache(dir / "file/wallpaper");
    EXPECT_ANY_THROW(cache.store(Quarters(4, 4)));
}

TEST(EncodeWallpaperPng, RoundTrips) {
    for (int bpp : {24, 32}) {
        pic::Bitmap picture = Quarters(33, 17, bpp);
        if (bpp == 32) picture.setPixel(3, 3, {10, 20, 30, 40});
        const auto png = EncodeWallpaperPng(picture);
        EXPECT_EQ(pic::DetectFormat(png), pic::PictureFormat::Png);
        EXPECT_EQ(pic::DecodePng(png), picture) << bpp;
    }
    EXPECT_ANY_THROW(EncodeWallpaperPng(pic::Bitmap()));
}

TEST(LoadWallpaperPicture, GivesWhatTheDesktopShows) {
    TempDir dir;
    // A BMP's fourth byte is not transparency on the desktop: the colours stay as stored.
    pic::Bitmap withAlpha = Quarters(8, 8, 32);
    withAlpha.setPixel(1, 1, {0, 0, 200, 7});
    pic::SaveBmpFile(dir / "a.bmp", withAlpha, 32);
    const pic::Bitmap bmp = LoadWallpaperPicture(dir / "a.bmp");
    EXPECT_EQ(bmp.bitsPerPixel(), 24);
    EXPECT_EQ(bmp.pixel(1, 1), (pic::Bgra{0, 0, 200, 255}));

    // A PNG's transparency is laid over white.
    pic::Bitmap clear(4, 4, 32);
    clear.fill({0, 0, 0, 0});
    pic::WriteWholeFile(dir / "b.png", pic::EncodePng(clear));
    const pic::Bitmap png = LoadWallpaperPicture(dir / "b.png");
    EXPECT_EQ(png.bitsPerPixel(), 24);
    EXPECT_EQ(png.pixel(2, 2), (pic::Bgra{255, 255, 255, 255}));

    // Named .bmp but holding a JPEG: read by its content.
    pic::SaveJpegFile(dir / "c.bmp", Quarters(32, 32), 90);
    EXPECT_EQ(LoadWallpaperPicture(dir / "c.bmp").width(), 32);

    std::ofstream(dir / "d.bmp") << "junk";
    EXPECT_THROW(LoadWallpaperPicture(dir / "d.bmp"), pic::PictureError);
    EXPECT_THROW(LoadWallpaperPicture(dir / "missing.bmp"), pic::PictureError);
}

} // namespace
} // namespace nodo::desktop::test
