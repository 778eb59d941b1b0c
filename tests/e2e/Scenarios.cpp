// Every control a user sees, driven through the real X server's input, each with what the user sees
// and what lands on disk. One row a scenario; rows marked for both run once without and once with a
// window manager.
#include <gtest/gtest.h>

#include "e2e/Places.h"
#include "e2e/Session.h"

#include "imaging/Bitmap.h"
#include "imaging/PictureFile.h"

#include <cstring>
#include <filesystem>
#include <functional>

using namespace e2e;

namespace {

const std::string kGeometry = "1\r\n830\r\n500\r\n100\r\n80\r\n";
const Rgb kRed{220, 30, 30}, kBlue{30, 60, 200};

std::string Bmp(Session& s, const std::string& name, int w, int h, Rgb c) {
    nodo::pic::Bitmap bmp(w, h, 24);
    bmp.fill({std::uint8_t(c.b), std::uint8_t(c.g), std::uint8_t(c.r), 255});
    // The page shows a bitmap's bottom-left colour as see-through: make that one pixel white.
    bmp.setPixel(0, h - 1, {255, 255, 255, 255});
    std::string file = s.scratch() + "/files/" + name;
    nodo::pic::SaveBmpFile(file, bmp);
    return file;
}

Point On(const Window& w, Point p) {
    return w.at(p.x, p.y);
}

// A BMP's width and height from its header.
std::pair<int, int> BmpSize(const std::string& bytes) {
    if (bytes.size() < 26) return {0, 0};
    int32_t w, h;
    std::memcpy(&w, bytes.data() + 18, 4);
    std::memcpy(&h, bytes.data() + 22, 4);
    return {w, std::abs(h)};
}

// Starts with the stored geometry, a blue background list and a red picture on the page.
void StartWithPicture(Session& s) {
    Bmp(s, "red.bmp", 240, 160, kRed);
    nodo::pic::Bitmap bg(1024, 768, 24);
    bg.fill({std::uint8_t(kBlue.b), std::uint8_t(kBlue.g), std::uint8_t(kBlue.r), 255});
    nodo::pic::SaveBmpFile(s.path("source/DeskTopBG/blue.bmp"), bg);
    s.write("data/BGPicList.ini", "blue.bmp\r\nblue.bmp\r\n");
    s.write("data/tmppic.ini", s.scratch() + "/files/red.bmp\r\n");
    s.start();
}

void ChooseOption(Session& s, const std::vector<std::string>& keys) {
    s.step("options menu");
    s.click(On(s.main(), at::kOptions));
    s.pause(300);
    for (const auto& k : keys)
        s.key(k);
}

// Clicks apply and answers the confirmation with the given control (none: no question expected).
void Apply(Session& s, std::optional<Point> answer) {
    s.step("apply");
    s.click(On(s.main(), at::kApply));
    if (!answer) return;
    const auto box = s.waitWindow("InfoFrm");
    if (!s.check(box.has_value(), "the confirmation shows")) return;
    s.step("answer the confirmation");
    s.click(On(*box, *answer));
    s.check(s.waitGone("InfoFrm"), "the confirmation closes");
}

std::optional<Window> OpenList(Session& s) {
    s.step("open the picture list");
    s.click(On(s.main(), at::kList));
    const auto w = s.waitWindow("背景图片选择");
    s.check(w.has_value(), "the picture list window shows");
    return w;
}

// Captures through "截  图": answers the question with Enter, then runs `act` on the capture window.
void Capture(Session& s, const std::function<void(Session&)>& act) {
    s.step("capture question");
    s.click(On(s.main(), at::kCapture));
    if (!s.check(s.waitWindow("提示").has_value(), "the capture asks first")) return;
    s.key("Return");
    s.step("capture window");
    const bool shown = s.waitFor([&] {
        for (const Window& w : s.windows("Nodo助手"))
            if (w.rect.w == s.screen().w && w.rect.h == s.screen().h) return true;
        return false;
    });
    if (!s.check(shown, "the full-screen capture window shows")) return;
    s.pause(300);
    act(s);
    s.step("back to the main window");
    auto fullScreen = [&] {
        for (const Window& w : s.windows("Nodo助手"))
            if (w.rect.w == s.screen().w && w.rect.h == s.screen().h) return true;
        return false;
    };
    s.check(s.waitFor([&] { return !fullScreen(); }), "the capture window closes");
    // Shown again, or minimised where a window manager can give it back.
    s.check(s.waitFor([&] { return !s.windows("Nodo助手").empty() || s.wmState(s.main().id) == 3; }),
            "the main window comes back");
}

bool Differs(Rgb a, Rgb b) {
    return !a.near(b, 8);
}

enum class Wm { None, Openbox, Both };

struct Scenario {
    std::string name;
    Wm wm;
    std::function<void(Options&)> setup;
    std::function<void(Session&)> run;
};

const std::vector<Scenario>& Table() {
    static const std::vector<Scenario> table = {
        {"ClosePictureSavesGeometryAndEnds", Wm::Both, nullptr,
         [](Session& s) {
             s.start();
             const Window m = s.main();
             s.step("hover the close picture");
             const Rgb before = s.pixel(On(m, at::kClose));
             s.moveTo(On(m, at::kClose));
             s.check(s.waitFor([&] { return Differs(s.pixel(On(m, at::kClose)), before); }, 2000),
                     "the close picture lights up under the pointer");
             s.step("click the close picture");
             s.press();
             s.release();
             s.check(s.waitExit(), "the program ends");
             const auto g = s.lines("data/FormSize.ini");
             s.check(g == std::vector<std::string>{"1", "830", "500", std::to_string(m.rect.x),
                                                   std::to_string(m.rect.y)},
                     "FormSize.ini holds the window's place and size");
         }},
        {"ClosePictureReleasedOutsideKeepsRunning", Wm::None, nullptr,
         [](Session& s) {
             s.start();
             s.step("press on close, release away");
             s.drag(On(s.main(), at::kClose), On(s.main(), {600, 200}));
             s.pause(500);
             s.check(s.running(), "a press taken away from the close picture closes nothing");
             s.check(s.read("data/FormSize.ini") == kGeometry, "FormSize.ini is untouched");
         }},
        {"MinimisePictureIconifies", Wm::Openbox, nullptr,
         [](Session& s) {
             s.start();
             s.step("click minimise");
             s.click(On(s.main(), at::kMini));
             s.check(s.waitFor([&] { return s.wmState(s.main().id) == 3; }), "the window is iconic");
             s.check(s.running(), "the program runs on");
         }},
        {"DragByBackgroundMoves", Wm::Both, nullptr,
         [](Session& s) {
             s.start();
             const Window m = s.main();
             s.step("drag the background");
             s.drag(On(m, at::kBackground), On(m, at::kBackground) + Point{120, 60});
             s.pause(400);
             s.click(On(s.waitMain(), at::kClose));
             s.check(s.waitExit(), "the program ends");
             const auto g = s.lines("data/FormSize.ini");
             s.check(g.size() == 5 && std::abs(std::stoi(g[3]) - (m.rect.x + 120)) <= 3 &&
                         std::abs(std::stoi(g[4]) - (m.rect.y + 60)) <= 3,
                     "the window moved with the pointer and its new place was saved");
         }},
        {"DragFrameResizes", Wm::Openbox, nullptr,
         [](Session& s) {
             s.start();
             const Window m = s.main();
             s.step("drag the bottom-right frame");
             s.drag(On(m, {m.rect.w - 2, m.rect.h - 2}), On(m, {m.rect.w + 98, m.rect.h + 48}));
             s.pause(400);
             const Window after = s.waitMain();
             s.click(On(after, {after.rect.w - 21, 11}));
             s.check(s.waitExit(), "the program ends");
             const auto g = s.lines("data/FormSize.ini");
             s.check(g.size() == 5 && std::abs(std::stoi(g[1]) - 930) <= 3 &&
                         std::abs(std::stoi(g[2]) - 550) <= 3,
                     "the window grew with the pointer and its new size was saved");
         }},
        {"OptionsHelpOpensThePage", Wm::Both, nullptr,
         [](Session& s) {
             s.start();
             ChooseOption(s, {"Down", "Return"});
             s.check(s.waitFor([&] { return !s.opened().empty(); }), "the help page reaches the shell");
             s.check(!s.opened().empty() && s.opened()[0].ends_with("/help4/tavia.htm"),
                     "it is the help page");
         }},
        {"OptionsFeedbackOpensThePage", Wm::None, nullptr,
         [](Session& s) {
             s.start();
             ChooseOption(s, {"Down", "Down", "Return"});
             s.check(s.waitFor([&] { return !s.opened().empty(); }), "the feedback page reaches the shell");
             s.check(!s.opened().empty() && s.opened()[0].ends_with("/help4/tavib.htm"),
                     "it is the feedback page");
         }},
        {"OptionsExitSavesNothing", Wm::Both, nullptr,
         [](Session& s) {
             s.start();
             ChooseOption(s, {"Up", "Return"});
             s.check(s.waitExit(), "the program ends");
             s.check(s.read("data/FormSize.ini") == kGeometry, "FormSize.ini is untouched");
         }},
        {"InsertPictureThroughTheDialog", Wm::Both, nullptr,
         [](Session& s) {
             const std::string red = Bmp(s, "red.bmp", 240, 160, kRed);
             s.start();
             s.step("insert picture");
             s.click(On(s.main(), at::kInsert));
             const auto dialog = s.waitWindow("打开");
             if (!s.check(dialog.has_value(), "the open dialog shows")) return;
             s.step("type the path");
             s.type(red);
             s.key("Return");
             s.check(s.waitGone("打开"), "the dialog closes");
             s.check(s.waitFor([&] { return s.lines("data/tmppic.ini") == std::vector<std::string>{red}; }),
                     "tmppic.ini names the picture");
             s.check(s.waitFor([&] { return s.pixel(On(s.main(), at::kPage)).near(kRed, 10); }),
                     "the picture is on the page");
         }},
        {"RightClickOnStartPanelLosesNoClick", Wm::Both, nullptr,
         [](Session& s) {
             s.start();
             s.step("right click the start panel");
             s.click(On(s.main(), at::kStartPanel), 3);
             s.pause(300);
             s.step("then insert picture");
             s.click(On(s.main(), at::kInsert));
             s.check(s.waitWindow("打开", 4000).has_value(), "the next click reaches its button");
             s.key("Escape");
         }},
        {"CaptureSelectAndEnter", Wm::Both, nullptr,
         [](Session& s) {
             s.start();
             Capture(s, [](Session& s) {
                 s.step("select a rectangle");
                 s.drag({200, 150}, {400, 300});
                 s.key("Return");
             });
             s.step("the captured picture");
             s.check(s.waitFor([&] { return s.exists("tmp/tmp.bmp"); }), "tmp/tmp.bmp is written");
             const auto [w, h] = BmpSize(s.read("tmp/tmp.bmp"));
             s.check(std::abs(w - 200) <= 2 && std::abs(h - 150) <= 2, "it holds the selected rectangle (" +
                                                                           std::to_string(w) + " x " +
                                                                           std::to_string(h) + ")");
             const auto page = s.lines("data/tmppic.ini");
             s.check(page.size() == 1 && page[0].ends_with("tmp.bmp"), "tmppic.ini names it");
         }},
        {"CaptureEscapeCancels", Wm::None, nullptr,
         [](Session& s) {
             s.start();
             Capture(s, [](Session& s) { s.key("Escape"); });
             s.check(!s.exists("tmp/tmp.bmp"), "nothing is captured");
         }},
        {"CaptureRightButtonCancels", Wm::Openbox, nullptr,
         [](Session& s) {
             s.start();
             Capture(s, [](Session& s) { s.click({300, 300}, 3); });
             s.check(!s.exists("tmp/tmp.bmp"), "nothing is captured");
         }},
        {"ListAddThroughTheDialogAndChoose", Wm::Both, nullptr,
         [](Session& s) {
             const std::string green = Bmp(s, "green.bmp", 1024, 768, {30, 200, 60});
             s.start();
             const auto w = OpenList(s);
             if (!w) return;
             s.step("add");
             s.click(On(*w, list::kAdd));
             if (!s.check(s.waitWindow("打开").has_value(), "the open dialog shows")) return;
             s.type(green);
             s.key("Return");
             s.check(s.waitFor([&] { return s.lines("data/BGPicList.ini").size() == 3; }),
                     "the list file gains the row");
             s.check(s.exists("source/DeskTopBG/green.bmp"), "the picture is copied beside the backgrounds");
             s.step("choose the new row");
             s.click(On(*w, list::kFirstRow));
             s.key("Down");
             s.click(On(*w, list::kOk));
             s.check(s.waitGone("背景图片选择"), "the window closes");
             const auto rows = s.lines("data/BGPicList.ini");
             s.check(!rows.empty() && rows[0] == "green.bmp", "the chosen picture is line 1");
         }},
        {"ListRemove", Wm::None,
         [](Options& o) {
             o.files["data/BGPicList.ini"] = "A1.bmp\r\nA1.bmp\r\nold.bmp\r\n";
             o.files["source/DeskTopBG/old.bmp"] = "";
         },
         [](Session& s) {
             s.start();
             const auto w = OpenList(s);
             if (!w) return;
             s.step("select the second row and remove it");
             s.click(On(*w, list::kFirstRow));
             s.key("Down");
             s.click(On(*w, list::kRemove));
             s.check(s.waitFor([&] {
                 return s.lines("data/BGPicList.ini") == std::vector<std::string>{"A1.bmp", "A1.bmp"};
             }),
                     "the row is gone from the list file");
         }},
        {"ListClosePicture", Wm::Both, nullptr,
         [](Session& s) {
             s.start();
             const auto w = OpenList(s);
             if (!w) return;
             s.step("close picture");
             s.click(On(*w, list::kClose));
             s.check(s.waitGone("背景图片选择", 3000), "the list window closes");
         }},
        {"ApplyConfirmedSetsTheWallpaper", Wm::Both, nullptr,
         [](Session& s) {
             StartWithPicture(s);
             Apply(s, infor::kOk);
             s.check(s.waitFor([&] { return s.exists("source/DeskTopBG/Mix.Jpg"); }), "Mix.Jpg is written");
             s.step("the root window");
             s.check(s.waitFor([&] {
                 return s.pixel({4, 4}).near(kBlue, 14);
             }),
                     "the wallpaper shows on the screen");
         }},
        {"ApplyCancelled", Wm::None, nullptr,
         [](Session& s) {
             StartWithPicture(s);
             Apply(s, infor::kCancel);
             s.pause(500);
             s.check(!s.exists("source/DeskTopBG/Mix.bmp"), "nothing is applied");
         }},
        {"ApplyClosedWithX", Wm::Openbox, nullptr,
         [](Session& s) {
             StartWithPicture(s);
             Apply(s, infor::kX);
             s.pause(500);
             s.check(!s.exists("source/DeskTopBG/Mix.bmp"), "nothing is applied");
         }},
        {"ApplyDontAskAgain", Wm::Both, nullptr,
         [](Session& s) {
             StartWithPicture(s);
             s.step("tick and confirm");
             s.click(On(s.main(), at::kApply));
             const auto box = s.waitWindow("InfoFrm");
             if (!s.check(box.has_value(), "the confirmation shows")) return;
             s.click(On(*box, infor::kDontAsk));
             s.click(On(*box, infor::kOk));
             s.check(
                 s.waitFor([&] { return s.lines("data/configSetBg.ini") == std::vector<std::string>{"0"}; }),
                 "configSetBg.ini holds 0");
             s.check(s.waitFor([&] { return s.exists("source/DeskTopBG/Mix.Jpg"); }),
                     "the first apply is done");
             std::filesystem::remove(s.path("source/DeskTopBG/Mix.Jpg"));
             Apply(s, std::nullopt);
             s.check(s.waitFor([&] { return s.exists("source/DeskTopBG/Mix.Jpg"); }),
                     "the next apply asks nothing");
             s.check(s.windows("InfoFrm").empty(), "no confirmation shows");
         }},
        {"ScaledScreenFirstStartIsCentred", Wm::None,
         [](Options& o) {
             o.files.erase("data/FormSize.ini");
             o.screenWidth = 3840;
             o.screenHeight = 2160;
             o.scale = 2;
         },
         [](Session& s) {
             s.start();
             s.check(s.main().rect.inside(s.screen()), "the window is on the screen");
             s.check(s.lines("data/FormSize.ini") ==
                         std::vector<std::string>{"1", "830", "500", "545", "275"},
                     "the stored place is centred in the screen's own units");
         }},
    };
    return table;
}

// Stored geometries no screen can show: the window is kept on the screen, and the file as it is.
const char* const kBadGeometries[][2] = {
    {"ZeroSize", "1\r\n0\r\n0\r\n100\r\n80\r\n"},
    {"NegativeSize", "1\r\n-300\r\n-20\r\n100\r\n80\r\n"},
    {"BeyondTheScreen", "1\r\n830\r\n500\r\n5000\r\n3000\r\n"},
    {"BeforeTheScreen", "1\r\n830\r\n500\r\n-2000\r\n-900\r\n"},
    {"AlmostAllOff", "1\r\n830\r\n500\r\n1330\r\n740\r\n"},
};

struct Case {
    std::string name;
    bool wm;
    const Scenario* scenario = nullptr;
    std::string geometry; // for the bad-geometry rows
};

std::vector<Case> Cases() {
    std::vector<Case> out;
    for (const Scenario& s : Table()) {
        if (s.wm != Wm::Openbox) out.push_back({s.name + "_Bare", false, &s, {}});
        if (s.wm != Wm::None) out.push_back({s.name + "_Openbox", true, &s, {}});
    }
    for (const auto& g : kBadGeometries)
        out.push_back({std::string("StoredGeometry") + g[0], false, nullptr, g[1]});
    return out;
}

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class EndToEnd : public ::testing::TestWithParam<Case> {};

TEST_P(EndToEnd, Scenario) {
    const Case& c = GetParam();
    Options o;
    o.windowManager = c.wm;
    o.files["data/FormSize.ini"] = c.scenario ? kGeometry : c.geometry;
    if (c.scenario && c.scenario->setup) c.scenario->setup(o);
    Session s(c.name, o);
    if (c.scenario) {
        c.scenario->run(s);
        return;
    }
    s.start();
    s.check(s.main().rect.inside(s.screen()) && s.main().rect.w >= 100 && s.main().rect.h >= 100,
            "the window is whole and on the screen");
    s.check(s.read("data/FormSize.ini") == c.geometry, "FormSize.ini stays as it was");
}

INSTANTIATE_TEST_SUITE_P(RealInput, EndToEnd, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<Case>& info) { return info.param.name; });

} // namespace
