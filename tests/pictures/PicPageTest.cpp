// The picture page and the import behind "插入图片", with fake dialogs and real files.
#include "PicFixtures.h"
#include "pictures/MainContext.h"
#include "pictures/PicImage.h"
#include "pictures/PicImport.h"
#include "pictures/uGlobal.h"
#include "platform/Errors.h"
#include "support/fakes/Fakes.h"

#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>

namespace fs = std::filesystem;
using namespace nodo;
using nodo::fakes::ReadFile;
using nodo::fakes::TestPlatform;
using nodo::fakes::WriteFile;

namespace {

std::set<std::string> Listing(const std::string& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.insert(e.path().filename().string());
    return names;
}

// --- the page on its own ---

TEST(PicImage, LoadsByExtensionWithoutRegardToCaseAndTakesThePictureSize) {
    TestPlatform tp;
    const pic::Bitmap picture = test::Pattern(33, 21);
    struct Case {
        const char* name;
        TPicImage::Kind kind;
        pic::PictureFormat format;
    } cases[] = {
        {"a.bmp", TPicImage::Kind::Bitmap, pic::PictureFormat::Bmp},
        {"b.BMP", TPicImage::Kind::Bitmap, pic::PictureFormat::Bmp},
        {"c.jpg", TPicImage::Kind::Other, pic::PictureFormat::Jpeg},
        {"d.JPEG", TPicImage::Kind::Other, pic::PictureFormat::Jpeg},
        {"e.Png", TPicImage::Kind::Other, pic::PictureFormat::Png},
        {"f.GIF", TPicImage::Kind::Other, pic::PictureFormat::Gif},
    };
    TPicImage page;
    EXPECT_EQ(page.size(), QSize(495, 371));
    EXPECT_TRUE(page.empty());
    EXPECT_EQ(page.cursor().shape(), Qt::PointingHandCursor);
    for (const auto& c : cases) {
        const std::string file = tp.file(c.name);
        test::WriteByExtension(file, picture);
        page.clear();
        page.LoadFromFile(file);
        EXPECT_EQ(page.kind(), c.kind) << c.name;
        EXPECT_EQ(page.format(), c.format) << c.name;
        EXPECT_EQ(page.size(), QSize(33, 21)) << c.name;
        EXPECT_FALSE(page.empty()) << c.name;
    }
}

TEST(PicImage, AFailedLoadKeepsWhatThePageShowed) {
    TestPlatform tp;
    test::WriteBmp(tp.file("ok.bmp"), test::Pattern(12, 8));
    test::WriteBmp(tp.file("bmp-as.ico"), test::Pattern(12, 8));
    WriteFile(tp.file("bad.jpg"), "\xFF\xD8\xFF garbage");
    test::WritePng(tp.file("png-as.jpg"), test::Pattern(5, 5)); // the name picks the decoder
    TPicImage page;
    page.LoadFromFile(tp.file("ok.bmp"));
    const pic::Bitmap before = page.picture();
    for (const char* name : {"bmp-as.ico", "bad.jpg", "png-as.jpg", "missing.png", "noext"}) {
        EXPECT_THROW(page.LoadFromFile(tp.file(name)), pic::PictureError) << name;
        EXPECT_EQ(page.picture(), before) << name;
        EXPECT_EQ(page.kind(), TPicImage::Kind::Bitmap) << name;
        EXPECT_EQ(page.size(), QSize(12, 8)) << name;
    }
}

TEST(PicImage, BitmapsShowTheirBottomLeftColourAsSeeThrough) {
    pic::Bitmap b = test::Solid(4, 3, {0, 255, 0, 255}); // green, the key colour
    b.setPixel(1, 0, {0, 0, 255, 255});
    b.setPixel(2, 2, {255, 0, 0, 255});
    TPicImage page;
    page.setBitmap(b);
    const QImage shown = page.shownImage();
    EXPECT_EQ(qAlpha(shown.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(shown.pixel(0, 2)), 0);
    EXPECT_EQ(shown.pixel(1, 0), qRgba(255, 0, 0, 255));
    EXPECT_EQ(shown.pixel(2, 2), qRgba(0, 0, 255, 255));
    // Drawn over white, as the page draws over its white panel.
    const pic::Bitmap flat = page.renderOverWhite();
    EXPECT_EQ(flat.pixel(0, 0), (pic::Bgra{255, 255, 255, 255}));
    EXPECT_EQ(flat.pixel(1, 0), (pic::Bgra{0, 0, 255, 255}));
    // The picture itself is untouched: the content saved at the apply keeps its key colour.
    EXPECT_EQ(page.picture(), b);
}

TEST(PicImage, OtherKindsKeepTheirOwnTransparency) {
    pic::Bitmap png(3, 1, 32);
    png.setPixel(0, 0, {0, 0, 0, 255});
    png.setPixel(1, 0, {0, 0, 255, 0});
    png.setPixel(2, 0, {0, 0, 0, 128});
    const QImage shown = ShownImage(png, TPicImage::Kind::Other);
    EXPECT_EQ(shown.pixel(0, 0), qRgba(0, 0, 0, 255)); // black is not a key colour here
    EXPECT_EQ(qAlpha(shown.pixel(1, 0)), 0);
    EXPECT_EQ(qAlpha(shown.pixel(2, 0)), 128);
}

// --- the import ---

class ImportTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(tp.file("user"));
        ctx.platform = &tp.platform();
        ctx.mainWindow = &window;
        page = new TPicImage(&window);
        ctx.imgPicMix = page;
        ctx.state = &state;
        // A previous picture and its hand-over line, to see what a failure keeps.
        test::WriteBmp(tp.file("source/DeskTopBG/old.bmp"), test::Solid(7, 7, {1, 2, 3, 255}));
        state.CurPicFile = tp.file("source/DeskTopBG/old.bmp");
        TmpPicIni(0, state, *tp.folder, tp.text);
        page->LoadFromFile(state.CurPicFile);
    }
    std::string user(const std::string& name) { return tp.file("user/" + name); }
    std::string handOver() { return ReadFile(tp.file("data/tmppic.ini")); }
    void choose(QStringList files) { tp.dialogs.openAnswers.push_back(std::move(files)); }
    void choose(const std::string& file) { choose(QStringList{QString::fromStdString(file)}); }
    void expectUnchanged(const char* what) {
        EXPECT_EQ(state.CurPicFile, tp.file("source/DeskTopBG/old.bmp")) << what;
        EXPECT_EQ(handOver(), tp.file("source/DeskTopBG/old.bmp") + "\r\n") << what;
    }
    QStringList messages() { return tp.messages.texts(); }

    TestPlatform tp;
    QWidget window;
    TPicImage* page = nullptr;
    MainContext ctx;
    SharedState state;
};

TEST_F(ImportTest, TheDialogAllowsSeveralFilesAndOffersThePictureKinds) {
    btnInsertPicClick(ctx); // cancelled
    ASSERT_EQ(tp.dialogs.openCalls.size(), 1u);
    EXPECT_TRUE(tp.dialogs.openCalls[0].multiSelect);
    EXPECT_TRUE(
        tp.dialogs.openCalls[0].filter.startsWith(QStringLiteral("All(*.bmp;*.Jpg;*.PNG;*.JPEG;*.Gif;)")));
    expectUnchanged("cancel");
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(ImportTest, EachKindEndsAsABmpOnThePage) {
    const pic::Bitmap picture = test::Pattern(40, 30);
    struct Case {
        const char* name;
        const char* result; // relative to the test folder
    } cases[] = {
        {"pic.png", "tmp/tmp.bmp"},      {"pic2.PNG", "tmp/tmp.bmp"},  {"pic3.Png", "tmp/tmp.bmp"},
        {"photo.JPEG", "tmp/photo.bmp"}, {"snap.jpg", "tmp/snap.bmp"}, {"anim.Gif", "tmp/anim.bmp"},
        {"own.bmp", "user/own.bmp"},
    };
    for (const auto& c : cases) {
        const std::string file = user(c.name);
        test::WriteByExtension(file, picture);
        choose(file);
        btnInsertPicClick(ctx);
        EXPECT_TRUE(messages().isEmpty()) << c.name << ": " << messages().join('|').toStdString();
        EXPECT_EQ(state.CurPicFile, tp.file(c.result)) << c.name;
        EXPECT_EQ(handOver(), tp.file(c.result) + "\r\n") << c.name;
        EXPECT_TRUE(page->isBitmap()) << c.name;
        EXPECT_EQ(page->size(), QSize(40, 30)) << c.name;
    }
    // Nothing but the pictures themselves in the user's folder.
    EXPECT_EQ(Listing(tp.file("user")).size(), std::size(cases));
}

TEST_F(ImportTest, PngOnAFreshInstallationCreatesTmpAndFlattensOverWhite) {
    ASSERT_FALSE(fs::exists(tp.file("tmp")));
    pic::Bitmap png(2, 2, 32);
    png.fill({0, 0, 255, 255});
    png.setPixel(1, 1, {0, 0, 0, 0});
    test::WritePng(user("clear.png"), png);
    choose(user("clear.png"));
    btnInsertPicClick(ctx);
    ASSERT_TRUE(messages().isEmpty());
    const pic::Bitmap saved = pic::LoadBitmapFile(tp.file("tmp/tmp.bmp"));
    EXPECT_EQ(saved.pixel(0, 0), (pic::Bgra{0, 0, 255, 255}));
    EXPECT_EQ(saved.pixel(1, 1), (pic::Bgra{255, 255, 255, 255}));
}

TEST_F(ImportTest, ConvertedPicturesNeverTouchTheUsersFolder) {
    const pic::Bitmap picture = test::Solid(10, 10, {200, 100, 50, 255});
    test::WriteJpeg(user("photo.jpg"), picture);
    WriteFile(user("photo.bmp"), "the user's photo.bmp");
    const auto before = Listing(tp.file("user"));
    choose(user("photo.jpg"));
    btnInsertPicClick(ctx);
    EXPECT_TRUE(messages().isEmpty());
    EXPECT_EQ(ReadFile(user("photo.bmp")), "the user's photo.bmp");
    EXPECT_EQ(Listing(tp.file("user")), before);
    EXPECT_EQ(state.CurPicFile, tp.file("tmp/photo.bmp"));
}

TEST_F(ImportTest, OnlyTheFirstOfSeveralFilesIsImported) {
    test::WriteBmp(user("first.bmp"), test::Pattern(11, 9));
    test::WriteBmp(user("second.bmp"), test::Pattern(3, 3));
    choose(
        QStringList{QString::fromStdString(user("first.bmp")), QString::fromStdString(user("second.bmp"))});
    btnInsertPicClick(ctx);
    EXPECT_EQ(state.CurPicFile, user("first.bmp"));
    EXPECT_EQ(page->size(), QSize(11, 9));
}

TEST_F(ImportTest, AMissingFileEndsTheImportWithoutAMessage) {
    choose(user("gone.png"));
    btnInsertPicClick(ctx);
    EXPECT_TRUE(messages().isEmpty());
    expectUnchanged("missing");
    EXPECT_EQ(page->size(), QSize(7, 7));
}

TEST_F(ImportTest, PicturesThatDoNotLoadChangeNothing) {
    WriteFile(user("broken.jpg"), std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00", 11));
    WriteFile(user("broken.png"), "\x89PNG\r\n\x1a\n truncated");
    test::WriteBmp(user("icon.ico"), test::Pattern(4, 4));
    WriteFile(user("empty.gif"), "");
    for (const char* name : {"broken.jpg", "broken.png", "icon.ico", "empty.gif"}) {
        tp.messages.shown.clear();
        choose(user(name));
        btnInsertPicClick(ctx);
        EXPECT_EQ(messages(), QStringList{kLoadPicFailedText}) << name;
        expectUnchanged(name);
        EXPECT_EQ(page->size(), QSize(7, 7)) << name;
        EXPECT_TRUE(page->isBitmap()) << name;
    }
    EXPECT_FALSE(fs::exists(tp.file("tmp/broken.bmp")));
}

TEST_F(ImportTest, AFailedConversionShowsThePictureButKeepsTheHandOver) {
    test::WriteJpeg(user("photo.jpg"), test::Pattern(20, 20));
    test::WritePng(user("pic.png"), test::Pattern(20, 20));
    // "tmp" is taken by a file, so neither the conversion nor the PNG's bitmap has a place to go.
    WriteFile(tp.file("tmp"), "not a folder");
    for (const char* name : {"photo.jpg", "pic.png"}) {
        tp.messages.shown.clear();
        choose(user(name));
        btnInsertPicClick(ctx);
        EXPECT_EQ(messages(), QStringList{kLoadPicFailedText}) << name;
        expectUnchanged(name);
        EXPECT_EQ(page->kind(), TPicImage::Kind::Other) << name; // as loaded in its own format
        EXPECT_EQ(page->size(), QSize(20, 20)) << name;
    }
}

TEST_F(ImportTest, AnUnwritableTmpBitmapKeepsTheHandOver) {
    test::WritePng(user("pic.png"), test::Pattern(6, 6));
    fs::create_directories(tp.file("tmp/tmp.bmp")); // a folder where the bitmap should go
    choose(user("pic.png"));
    btnInsertPicClick(ctx);
    EXPECT_EQ(messages(), QStringList{kLoadPicFailedText});
    expectUnchanged("tmp.bmp is a folder");
}

TEST_F(ImportTest, AFullDiskForTheHandOverFileIsReported) {
    test::WriteBmp(user("own.bmp"), test::Pattern(6, 6));
    tp.text.failWrites = true;
    choose(user("own.bmp"));
    btnInsertPicClick(ctx);
    EXPECT_EQ(messages(), QStringList{kLoadPicFailedText});
    EXPECT_EQ(handOver(), tp.file("source/DeskTopBG/old.bmp") + "\r\n");
}

// --- the page at start ---

TEST_F(ImportTest, TheShowStepLoadsTheHandedOverFileWhenItExists) {
    page->clear();
    test::WriteBmp(user("Shown.bmp"), test::Pattern(9, 5));
    state.CurPicFile = user("shown.BMP"); // written elsewhere with another case
    ShowCurPicFile(ctx);
    EXPECT_EQ(page->size(), QSize(9, 5));

    page->clear();
    state.CurPicFile = user("moved-away.bmp");
    ShowCurPicFile(ctx);
    EXPECT_TRUE(page->empty());

    state.CurPicFile.clear();
    ShowCurPicFile(ctx);
    EXPECT_TRUE(page->empty());

    WriteFile(user("damaged.bmp"), "BM damaged");
    state.CurPicFile = user("damaged.bmp");
    EXPECT_THROW(ShowCurPicFile(ctx), pic::PictureError);
}

TEST_F(ImportTest, AMissingHandOverFileAtStartLeavesThePageEmpty) {
    fs::remove(tp.file("data/tmppic.ini"));
    page->clear();
    TmpPicIni(1, state, *tp.folder, tp.text);
    ShowCurPicFile(ctx);
    EXPECT_TRUE(page->empty());
    EXPECT_EQ(handOver(), "\r\n");
}

} // namespace
