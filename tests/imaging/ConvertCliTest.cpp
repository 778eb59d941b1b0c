// Runs the built nodo-cli: `convert IN OUT.bmp` by content, transparency over white, status 1 on bad input.
#include "TestPictures.h"
#include "imaging/Codecs.h"
#include "imaging/PictureFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

namespace nodo::pic {
namespace {

namespace fs = std::filesystem;
using test::ByteVec;

class ConvertCli : public testing::Test {
protected:
    void SetUp() override {
        const char* app = std::getenv("NODO_APP_DIR");
        ASSERT_NE(app, nullptr) << "NODO_APP_DIR names the application folder";
        m_cli = fs::path(app) / "nodo-cli";
        ASSERT_TRUE(fs::exists(m_cli)) << m_cli;
        m_dir = test::TempPath("cli");
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    // Exit status; stderr lands in m_err.
    int run(const std::string& args) {
        const fs::path err = m_dir / "stderr.txt";
        const std::string cmd = "'" + m_cli.string() + "' " + args + " >/dev/null 2>'" + err.string() + "'";
        const int rc = std::system(cmd.c_str());
        std::ifstream in(err);
        std::stringstream s;
        s << in.rdbuf();
        m_err = s.str();
        return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    }
    std::string q(const fs::path& p) { return "'" + p.string() + "'"; }

    fs::path m_cli, m_dir;
    std::string m_err;
};

TEST_F(ConvertCli, EveryFormatByContentToTwentyFourBitBmp) {
    Bitmap src = test::Gradient(20, 10, 32);
    src.setPixel(0, 0, {1, 2, 3, 0}); // transparent: must come out white
    const struct {
        const char* name;
        ByteVec bytes;
        int width, height;
        bool exact;
    } inputs[] = {
        {"alpha.png", EncodePng(src), 20, 10, true},
        {"misnamed_png.jpg", EncodePng(src), 20, 10, true},
        {"photo.jpg", EncodeJpeg(src), 20, 10, false},
        {"thirtytwo.bmp", EncodeBmp(src, 32), 20, 10, true},
        {"anim.gif",
         test::MakeGif(30, 25, {0xFF0000, 0x00FF00}, {{5, 5, 4, 4, false, -1, {}, ByteVec(16, 1)}}), 30, 25,
         false},
    };
    for (const auto& in : inputs) {
        WriteWholeFile(m_dir / in.name, in.bytes);
        const fs::path out = m_dir / (std::string(in.name) + ".out.bmp");
        ASSERT_EQ(run("convert " + q(m_dir / in.name) + " " + q(out)), 0) << in.name << ": " << m_err;
        const ByteVec written = ReadWholeFile(out);
        ASSERT_GE(written.size(), 54u);
        EXPECT_EQ(written[28], 24) << in.name << " is written at 24 bits";
        const Bitmap b = DecodeBmp(written);
        EXPECT_EQ(b.width(), in.width) << in.name;
        EXPECT_EQ(b.height(), in.height) << in.name;
        if (in.exact) {
            EXPECT_EQ(b, FlattenOverWhite(src)) << in.name;
            EXPECT_EQ(b.pixel(0, 0), (Bgra{255, 255, 255, 255})) << in.name;
        }
    }
    // The GIF's uncovered screen is white, its frame green.
    const Bitmap gif = LoadBitmapFile(m_dir / "anim.gif.out.bmp");
    EXPECT_EQ(gif.pixel(0, 0), (Bgra{255, 255, 255, 255}));
    EXPECT_EQ(gif.pixel(6, 6), (Bgra{0, 255, 0, 255}));
}

TEST_F(ConvertCli, BadInputGivesStatusOneAndAMessage) {
    const ByteVec good = EncodePng(test::Gradient(40, 40, 24));
    const struct {
        const char* name;
        ByteVec bytes;
        const char* says;
    } inputs[] = {{"text.png", {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c'}, "not a BMP, JPEG, PNG or GIF"},
                  {"cut.png", ByteVec(good.begin(), good.begin() + 60), "PNG: "},
                  {"empty.jpg", {}, "empty"},
                  {"huge.bmp",
                   [] {
                       test::BmpSpec s{40, 30000, 30000, 24, 0, 0, {}, {}, ByteVec(16, 0)};
                       return test::MakeBmp(s);
                   }(),
                   "limit"}};
    for (const auto& in : inputs) {
        WriteWholeFile(m_dir / in.name, in.bytes);
        const fs::path out = m_dir / "out.bmp";
        EXPECT_EQ(run("convert " + q(m_dir / in.name) + " " + q(out)), 1) << in.name;
        EXPECT_NE(m_err.find(in.says), std::string::npos) << in.name << ": " << m_err;
        EXPECT_NE(m_err.find(in.name), std::string::npos) << "names the file: " << m_err;
        EXPECT_FALSE(fs::exists(out)) << "no output for bad input";
    }
    EXPECT_EQ(run("convert " + q(m_dir / "missing.gif") + " " + q(m_dir / "out.bmp")), 1);
    EXPECT_NE(m_err.find("No such file"), std::string::npos) << m_err;
    EXPECT_EQ(run("convert onlyone"), 2);
    EXPECT_NE(m_err.find("usage"), std::string::npos) << m_err;
}

} // namespace
} // namespace nodo::pic
