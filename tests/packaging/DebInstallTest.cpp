// The package as a user gets it: its files unpacked into a read-only tree, the installed nodo started
// with a home folder of its own, an apply through the real pointer, and a newer package unpacked over
// the tree that leaves every file of the user's as it was.
#include <gtest/gtest.h>

#include "e2e/Places.h"
#include "e2e/Session.h"

#include "imaging/Bitmap.h"
#include "imaging/PictureFile.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace fs = std::filesystem;
using namespace e2e;

namespace {

std::string Read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void Write(const fs::path& p, const std::string& bytes) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
}

// Every file and folder below `dir` with its bytes ("/" for a folder).
std::map<std::string, std::string> Snapshot(const fs::path& dir) {
    std::map<std::string, std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        out[fs::relative(e.path(), dir).string()] = e.is_directory() ? "/" : Read(e.path());
    return out;
}

bool Sh(const std::string& command) {
    return std::system(command.c_str()) == 0;
}

std::string Quote(const fs::path& p) {
    return "'" + p.string() + "'";
}

std::string Bmp(int w, int h, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    nodo::pic::Bitmap bmp(w, h, 24);
    bmp.fill({b, g, r, 255});
    const fs::path tmp = fs::temp_directory_path() / ("nodo-deb-bmp-" + std::to_string(::getpid()) + ".bmp");
    nodo::pic::SaveBmpFile(tmp, bmp);
    std::string bytes = Read(tmp);
    fs::remove(tmp);
    return bytes;
}

// "应用到桌面", answered "确定" in the confirmation.
void Apply(Session& s) {
    s.step("apply");
    s.click(s.main().at(at::kApply.x, at::kApply.y));
    const auto box = s.waitWindow("InfoFrm");
    if (!s.check(box.has_value(), "the confirmation shows")) return;
    s.click(box->at(infor::kOk.x, infor::kOk.y));
    s.check(s.waitGone("InfoFrm"), "the confirmation closes");
}

// The window's close button, which saves the geometry and ends the program.
void Close(Session& s) {
    s.step("close");
    s.click(s.main().at(at::kClose.x, at::kClose.y));
    s.check(s.waitExit(), "the program ends");
}

fs::path BuiltPackage() {
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(NODO_DEB_DIR, ec))
        if (e.path().extension() == ".deb" && e.path().filename().string().rfind("nodo_", 0) == 0)
            return e.path();
    return {};
}

class InstalledPackage : public ::testing::Test {
protected:
    void SetUp() override {
        deb = BuiltPackage();
        if (deb.empty() || !Sh("command -v dpkg-deb >/dev/null 2>&1"))
            GTEST_SKIP() << "no package was built (dpkg-deb is missing)";
        char tmpl[] = "/tmp/nodo-deb-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        work = tmpl;
        root = work / "root";
        ASSERT_TRUE(Sh("dpkg-deb -x " + Quote(deb) + " " + Quote(root)));
        ReadOnly(true);
    }
    void TearDown() override {
        if (work.empty()) return;
        ReadOnly(false);
        if (!HasFailure())
            fs::remove_all(work);
        else
            std::cerr << "the unpacked package is kept: " << work << "\n";
    }

    // The tree as the package manager leaves it: nobody but root writes there.
    void ReadOnly(bool on) { Sh(std::string("chmod -R ") + (on ? "a-w " : "u+w ") + Quote(root)); }

    // The same package, one version on: a changed default background, a background it did not have,
    // and a changed start page. Unpacked over the tree as an upgrade does.
    void UpgradeTree() {
        const fs::path raw = work / "newer";
        ASSERT_TRUE(Sh("dpkg-deb -R " + Quote(deb) + " " + Quote(raw)));
        const fs::path control = raw / "DEBIAN/control";
        std::string text = Read(control);
        const auto at = text.find("\nVersion: ");
        ASSERT_NE(at, std::string::npos);
        text.insert(text.find('\n', at + 1), "+1");
        Write(control, text);
        fs::remove(raw / "DEBIAN/md5sums");
        const fs::path tmpl = raw / "usr/share/nodo";
        Write(tmpl / "source/DeskTopBG/A1.bmp", Bmp(64, 48, 0, 128, 0));
        Write(tmpl / "source/DeskTopBG/A2.bmp", Bmp(64, 48, 0, 0, 128));
        Write(tmpl / "web/rs/Tavi.htm", Read(tmpl / "web/rs/Tavi.htm") + "<!-- newer -->\n");
        const fs::path newer = work / "newer.deb";
        ASSERT_TRUE(Sh("dpkg-deb --root-owner-group -b " + Quote(raw) + " " + Quote(newer) + " >/dev/null"));
        ReadOnly(false);
        ASSERT_TRUE(Sh("dpkg-deb -x " + Quote(newer) + " " + Quote(root)));
        ReadOnly(true);
    }

    fs::path deb, work, root;
};

TEST_F(InstalledPackage, FillsTheUsersFolderAppliesThereAndKeepsItThroughAnUpgrade) {
    // What the package holds, where a desktop looks for it.
    for (const std::string f :
         {"usr/bin/nodo", "usr/bin/nodo-cli", "usr/share/applications/" NODO_APP_ID ".desktop",
          "usr/share/metainfo/" NODO_APP_ID ".metainfo.xml",
          "usr/share/icons/hicolor/scalable/apps/" NODO_APP_ID ".svg",
          "usr/share/icons/hicolor/48x48/apps/" NODO_APP_ID ".png", "usr/share/man/man1/nodo-cli.1.gz",
          "usr/share/doc/nodo/copyright", "usr/share/nodo/source/DeskTopBG/A1.bmp",
          "usr/share/nodo/web/rs/Tavi.htm", "usr/bin/nodo-calendar",
          "usr/share/applications/" NODO_APP_ID ".calendar.desktop",
          "usr/share/metainfo/" NODO_APP_ID ".calendar.metainfo.xml",
          "usr/share/icons/hicolor/scalable/apps/" NODO_APP_ID ".calendar.svg",
          "usr/share/icons/hicolor/48x48/apps/" NODO_APP_ID ".calendar.png",
          "usr/share/man/man1/nodo-calendar.1.gz"})
        EXPECT_TRUE(fs::exists(root / f)) << f;
    const auto installed = Snapshot(root);

    Options o;
    o.program = (root / "usr/bin/nodo").string();
    Session s("InstalledPackage", o);
    const fs::path user = fs::path(s.scratch()) / "home/.local/share/nodo";
    const fs::path template_ = root / "usr/share/nodo";

    s.start();
    s.step("the first start fills the user's folder");
    s.check(Read(user / "source/DeskTopBG/A1.bmp") == Read(template_ / "source/DeskTopBG/A1.bmp"),
            "the default background is copied");
    s.check(fs::is_directory(user / "data"), "the data folder is made");
    s.check(!fs::exists(user / "web"), "the web pages stay in the installation");

    Apply(s);
    s.check(s.waitFor([&] { return fs::exists(user / "source/DeskTopBG/Mix.Jpg"); }),
            "the apply writes Mix.Jpg");
    s.check(fs::file_size(user / "source/DeskTopBG/Mix.bmp") > 54,
            "the apply writes Mix.bmp in the user's folder");
    Close(s);
    s.check(fs::exists(user / "data/FormSize.ini"), "the close button saves the geometry there");

    // The user's own backgrounds and list.
    Write(user / "source/DeskTopBG/mine.bmp", Bmp(320, 200, 200, 40, 40));
    Write(user / "data/BGPicList.ini", "mine.bmp\r\nA1.bmp\r\nmine.bmp\r\n");
    const auto users = Snapshot(user);
    s.check(Snapshot(root) == installed, "nothing was written into the installation");

    s.step("upgrade");
    UpgradeTree();
    if (HasFatalFailure()) return;
    const auto upgraded = Snapshot(root);
    s.start();
    s.step("the start after the upgrade");
    s.check(s.waitFor([&] { return fs::exists(user / "source/DeskTopBG/A2.bmp"); }),
            "a background new in the upgrade is copied");
    s.check(Read(user / "source/DeskTopBG/A2.bmp") == Read(template_ / "source/DeskTopBG/A2.bmp"),
            "the new background is the package's");
    auto now = Snapshot(user);
    now.erase("source/DeskTopBG/A2.bmp");
    for (const auto& [rel, bytes] : users)
        s.check(now.count(rel) && now[rel] == bytes, rel + " is kept byte for byte");
    s.check(Read(user / "source/DeskTopBG/A1.bmp") != Read(template_ / "source/DeskTopBG/A1.bmp"),
            "the user's default background is not replaced by the newer one");
    s.check(!fs::exists(user / "web"), "the web pages still stay in the installation");
    Close(s);
    s.check(Snapshot(root) == upgraded, "nothing was written into the upgraded installation");
}

TEST_F(InstalledPackage, AUserFolderThatCannotBeMadeIsReportedAndTheProgramRunsOn) {
    Options o;
    o.program = (root / "usr/bin/nodo").string();
    Session s("InstalledPackageBlockedFolder", o);
    Write(fs::path(s.scratch()) / "home/.local/share/nodo", "a file where the folder should be");

    // The report comes first, under the program's title, before the main window.
    s.start();
    s.step("the report");
    s.check(s.log().find("无法准备数据文件夹") != std::string::npos, "the program says what went wrong");
    // Each step of the start-up that cannot write its file says so in a box of its own, as when the data
    // folder is missing; each is answered with Enter.
    s.step("the main window after the reports");
    const auto mainShown = [&] {
        for (const Window& w : s.windows("Nodo助手"))
            if (w.rect.w >= 800) return true;
        return false;
    };
    for (int i = 0; i < 8 && !mainShown(); ++i) {
        s.key("Return");
        s.pause(400);
    }
    s.check(s.waitFor(mainShown, 3000), "the main window shows");
    s.check(s.running(), "the program runs on");
    s.check(Read(fs::path(s.scratch()) / "home/.local/share/nodo") == "a file where the folder should be",
            "the file in the way is left as it was");
}

} // namespace
