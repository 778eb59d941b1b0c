#include "capture/core/CaptureSelection.h"
#include "capture/core/CaptureTexts.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace nodo::capture;

namespace {

// A small frozen screen whose every pixel is distinct, so any stray inversion shows.
class Screen {
public:
    Screen(int w, int h) : m_w(w), m_h(h), m_pixels(size_t(w) * h) {
        for (int i = 0; i < w * h; ++i)
            m_pixels[i] = 0xFF000000u | uint32_t(i * 2654435761u >> 8);
    }
    PixelSurface surface() { return {m_pixels.data(), m_w, m_h, std::ptrdiff_t(m_w) * 4}; }
    const std::vector<uint32_t>& pixels() const { return m_pixels; }
    int width() const { return m_w; }

private:
    int m_w, m_h;
    std::vector<uint32_t> m_pixels;
};

using Step = std::function<void(CaptureSelection&, bool& closed)>;
Step Press(int x, int y, MouseButton b = MouseButton::Left) {
    return [=](CaptureSelection& s, bool& closed) {
        if (s.mouseDown(b, x, y)) closed = s.cancelOrExit();
    };
}
Step Move(int x, int y) {
    return [=](CaptureSelection& s, bool&) { s.mouseMove(x, y); };
}
Step Release() {
    return [](CaptureSelection& s, bool&) { s.mouseUp(); };
}
Step Esc() {
    return [](CaptureSelection& s, bool& closed) { closed = s.cancelOrExit(); };
}

struct Row {
    const char* name;
    std::vector<Step> steps;
    SelState state;
    bool closed;
    bool bandDrawn;
};

class StateTable : public ::testing::TestWithParam<Row> {};

TEST_P(StateTable, EventsGiveStateLabelsAndBand) {
    Screen screen(64, 48);
    const auto original = screen.pixels();
    CaptureSelection sel(screen.surface());
    sel.start();
    bool closed = false;
    for (const auto& step : GetParam().steps)
        step(sel, closed);
    EXPECT_EQ(sel.state(), GetParam().state);
    EXPECT_EQ(closed, GetParam().closed);
    EXPECT_EQ(sel.rectDrawn(), GetParam().bandDrawn);
    EXPECT_EQ(sel.actionText(), ActionText(GetParam().state));
    EXPECT_EQ(sel.cancelText(), CancelText(GetParam().state));
    // Without a band on it, the frozen screen is exactly what was captured.
    if (!sel.rectDrawn())
        EXPECT_EQ(screen.pixels(), original);
    else
        EXPECT_NE(screen.pixels(), original);
}

INSTANTIATE_TEST_SUITE_P(
    Capture, StateTable,
    ::testing::Values(
        Row{"fresh", {}, SelState::Nothing, false, false},
        Row{"pressStartsSelecting", {Press(5, 5)}, SelState::Selecting, false, false},
        Row{"middleButtonSelectsToo", {Press(5, 5, MouseButton::Other)}, SelState::Selecting, false, false},
        Row{"rightPressWithNothingCloses", {Press(5, 5, MouseButton::Right)}, SelState::Nothing, true, false},
        Row{"escWithNothingCloses", {Esc()}, SelState::Nothing, true, false},
        Row{"dragDrawsBand", {Press(5, 5), Move(20, 15)}, SelState::Selecting, false, true},
        Row{"releaseFinishes", {Press(5, 5), Move(20, 15), Release()}, SelState::Finished, false, true},
        Row{"rightWhileSelectingClears",
            {Press(5, 5), Move(20, 15), Press(20, 15, MouseButton::Right)},
            SelState::Nothing,
            false,
            false},
        Row{"escWhileSelectingClears", {Press(5, 5), Move(20, 15), Esc()}, SelState::Nothing, false, false},
        Row{"rightWhenFinishedClears",
            {Press(5, 5), Move(20, 15), Release(), Press(1, 1, MouseButton::Right)},
            SelState::Nothing,
            false,
            false},
        Row{"rightTwiceCloses",
            {Press(5, 5), Move(20, 15), Release(), Press(1, 1, MouseButton::Right),
             Press(1, 1, MouseButton::Right)},
            SelState::Nothing,
            true,
            false},
        Row{"escTwiceCloses",
            {Press(5, 5), Move(20, 15), Release(), Esc(), Esc()},
            SelState::Nothing,
            true,
            false},
        Row{"pressOutsideFinishedDoesNothing",
            {Press(5, 5), Move(20, 15), Release(), Move(40, 40), Press(40, 40), Move(45, 45), Release()},
            SelState::Finished,
            false,
            true},
        Row{"movingFinishedSelectionKeepsState",
            {Press(5, 5), Move(20, 15), Release(), Move(10, 10), Press(10, 10), Move(12, 13), Release()},
            SelState::Finished,
            false,
            true},
        Row{"newSelectionAfterClear",
            {Press(5, 5), Move(20, 15), Release(), Esc(), Press(30, 30), Move(40, 35)},
            SelState::Selecting,
            false,
            true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CaptureTexts, LabelsPerState) {
    EXPECT_EQ(ActionText(SelState::Nothing), "按住鼠标左键不放选择截取范围");
    EXPECT_EQ(CancelText(SelState::Nothing), "按鼠标右键退出");
    EXPECT_EQ(ActionText(SelState::Selecting), "松开鼠标左键以确定最终截取范围");
    EXPECT_EQ(CancelText(SelState::Selecting), "按鼠标右键取消当前选区");
    EXPECT_EQ(ActionText(SelState::Finished), "按空格/回车/双击左键发送当前选区的图像");
    EXPECT_EQ(CancelText(SelState::Finished), "按鼠标右键取消当前选区");
    EXPECT_EQ(RGBText(255, 0, 0), "当前像素RGB值（255、0、0）");
    EXPECT_EQ(RGBText(7, 80, 100), "当前像素RGB值（7、80、100）");
}

TEST(CaptureSelection, StartResetsCornersToMinusOne) {
    Screen screen(10, 10);
    CaptureSelection sel(screen.surface());
    sel.start();
    EXPECT_EQ(sel.x1(), -1);
    EXPECT_EQ(sel.y1(), -1);
    EXPECT_EQ(sel.x2(), -1);
    EXPECT_EQ(sel.y2(), -1);
    EXPECT_FALSE(sel.mouseHeld());
    EXPECT_EQ(sel.cursor(), Cursor::Cross);
}

TEST(CaptureSelection, CursorFollowsStateAndInside) {
    Screen screen(64, 48);
    CaptureSelection sel(screen.surface());
    sel.start();
    sel.mouseMove(3, 3);
    EXPECT_EQ(sel.cursor(), Cursor::Arrow); // the cross goes with the first move
    sel.mouseDown(MouseButton::Left, 10, 10);
    sel.mouseMove(30, 30);
    EXPECT_EQ(sel.cursor(), Cursor::Arrow);
    sel.mouseUp();
    const struct {
        int x, y;
        Cursor cursor;
    } probes[] = {{20, 20, Cursor::SizeAll}, {10, 20, Cursor::Arrow},   {30, 20, Cursor::Arrow},
                  {20, 10, Cursor::Arrow},   {11, 29, Cursor::SizeAll}, {50, 40, Cursor::Arrow}};
    for (const auto& p : probes) {
        sel.mouseMove(p.x, p.y);
        EXPECT_EQ(sel.cursor(), p.cursor) << p.x << "," << p.y;
    }
}

TEST(CaptureSelection, DraggedUpAndLeftIsSentOrderedButCannotMove) {
    Screen screen(64, 48);
    CaptureSelection sel(screen.surface());
    sel.start();
    sel.mouseDown(MouseButton::Left, 40, 30);
    sel.mouseMove(10, 5);
    sel.mouseUp();
    EXPECT_EQ(sel.x1(), 40);
    EXPECT_EQ(sel.x2(), 10);
    // Never inside: the test compares with the corners as dragged.
    sel.mouseMove(25, 20);
    EXPECT_EQ(sel.cursor(), Cursor::Arrow);
    sel.mouseDown(MouseButton::Left, 25, 20);
    EXPECT_FALSE(sel.mouseHeld());
    sel.mouseMove(30, 25);
    sel.mouseUp();
    EXPECT_EQ(sel.x1(), 40);
    EXPECT_EQ(sel.y1(), 30);
    const auto plan = sel.beginSend();
    ASSERT_EQ(plan.kind, CaptureSelection::SendPlan::Copy);
    EXPECT_EQ(plan.rect, (Rect{10, 5, 40, 30}));
}

struct MoveCase {
    const char* name;
    Rect selection;   // dragged from (left, top) to (right, bottom)
    int grabX, grabY; // inside
    int toX, toY;
    Rect expected;
};

class MoveClamp : public ::testing::TestWithParam<MoveCase> {};

TEST_P(MoveClamp, EachAxisStopsAtTheScreenEdge) {
    Screen screen(100, 80);
    const auto original = screen.pixels();
    CaptureSelection sel(screen.surface());
    sel.start();
    const auto& c = GetParam();
    sel.mouseDown(MouseButton::Left, c.selection.left, c.selection.top);
    sel.mouseMove(c.selection.right, c.selection.bottom);
    sel.mouseUp();
    sel.mouseMove(c.grabX, c.grabY);
    ASSERT_EQ(sel.cursor(), Cursor::SizeAll);
    sel.mouseDown(MouseButton::Left, c.grabX, c.grabY);
    EXPECT_TRUE(sel.mouseHeld());
    sel.mouseMove(c.toX, c.toY);
    sel.mouseUp();
    EXPECT_EQ((Rect{sel.x1(), sel.y1(), sel.x2(), sel.y2()}), c.expected);
    // Only the band at its new place differs from the frozen screen.
    sel.cancelOrExit();
    EXPECT_EQ(screen.pixels(), original);
}

INSTANTIATE_TEST_SUITE_P(
    Capture, MoveClamp,
    // A step only moves the selection while the pointer lands strictly inside it.
    ::testing::Values(MoveCase{"within", {10, 10, 30, 30}, 20, 20, 25, 22, {15, 12, 35, 32}},
                      MoveCase{"toLeftEdgeExactly", {10, 10, 30, 30}, 20, 20, 11, 20, {1, 10, 21, 30}},
                      MoveCase{"pastLeftEdgeStays", {3, 10, 30, 30}, 10, 20, 7, 20, {3, 10, 30, 30}},
                      MoveCase{"pastLeftEdgeYStillMoves", {3, 10, 30, 30}, 10, 20, 7, 25, {3, 15, 30, 35}},
                      MoveCase{"toRightEdgeExactly", {75, 10, 95, 30}, 85, 20, 90, 20, {80, 10, 100, 30}},
                      MoveCase{"pastRightEdgeStays", {75, 10, 95, 30}, 85, 20, 91, 20, {75, 10, 95, 30}},
                      MoveCase{"pastBottomXStillMoves", {10, 50, 30, 75}, 20, 60, 25, 66, {15, 50, 35, 75}},
                      MoveCase{"toTopEdge", {10, 10, 30, 30}, 20, 20, 20, 11, {10, 1, 30, 21}},
                      MoveCase{"pastTopStays", {10, 3, 30, 30}, 20, 10, 20, 7, {10, 3, 30, 30}},
                      MoveCase{"jumpOutsideDoesNotMove", {10, 10, 30, 30}, 20, 20, 50, 20, {10, 10, 30, 30}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CaptureSelection, MoveStepsFollowTheLastPointerPosition) {
    Screen screen(100, 80);
    CaptureSelection sel(screen.surface());
    sel.start();
    sel.mouseDown(MouseButton::Left, 10, 10);
    sel.mouseMove(30, 30);
    sel.mouseUp();
    sel.mouseMove(20, 20);
    sel.mouseDown(MouseButton::Left, 20, 20);
    for (int x = 18; x >= 5; --x)
        sel.mouseMove(x, 20); // pushes against the left edge
    EXPECT_EQ(sel.x1(), 1);
    EXPECT_EQ(sel.x2(), 21);
    sel.mouseMove(8, 20); // back to the right: moves at once by the step
    EXPECT_EQ(sel.x1(), 4);
}

TEST(CaptureSelection, PressAndReleaseWithoutMovingIsEmptyAndSendsNothing) {
    Screen screen(64, 48);
    const auto original = screen.pixels();
    CaptureSelection sel(screen.surface());
    sel.start();
    sel.mouseDown(MouseButton::Left, 12, 9);
    sel.mouseUp();
    EXPECT_EQ(sel.state(), SelState::Finished);
    EXPECT_EQ((Rect{sel.x1(), sel.y1(), sel.x2(), sel.y2()}), (Rect{12, 9, 12, 9}));
    EXPECT_EQ(sel.beginSend().kind, CaptureSelection::SendPlan::CloseOnly);
    EXPECT_EQ(screen.pixels(), original);
}

TEST(CaptureSelection, SendOnlyWhenFinished) {
    Screen screen(64, 48);
    CaptureSelection sel(screen.surface());
    sel.start();
    EXPECT_EQ(sel.beginSend().kind, CaptureSelection::SendPlan::Ignore);
    sel.mouseDown(MouseButton::Left, 5, 5);
    sel.mouseMove(9, 9);
    EXPECT_EQ(sel.beginSend().kind, CaptureSelection::SendPlan::Ignore);
    EXPECT_TRUE(sel.rectDrawn());
}

TEST(CaptureSelection, SendErasesBandAndFailureRestoresIt) {
    Screen screen(64, 48);
    const auto original = screen.pixels();
    CaptureSelection sel(screen.surface());
    sel.start();
    sel.mouseDown(MouseButton::Left, 5, 5);
    sel.mouseMove(25, 20);
    sel.mouseUp();
    const auto withBand = screen.pixels();
    const auto plan = sel.beginSend();
    ASSERT_EQ(plan.kind, CaptureSelection::SendPlan::Copy);
    EXPECT_EQ(screen.pixels(), original); // the band's inverted pixels are not captured
    sel.sendFailed();
    EXPECT_EQ(screen.pixels(), withBand);
    EXPECT_EQ(sel.state(), SelState::Finished);
    sel.beginSend();
    sel.sendFinished();
    EXPECT_EQ(sel.state(), SelState::Nothing);
    EXPECT_FALSE(sel.rectDrawn());
    EXPECT_EQ(screen.pixels(), original);
}

TEST(CaptureSelection, CornerStaysOnTheScreenWhenThePointerLeavesIt) {
    Screen screen(64, 48);
    CaptureSelection sel(screen.surface());
    sel.start();
    sel.mouseDown(MouseButton::Left, 30, 30);
    sel.mouseMove(200, -40);
    EXPECT_EQ(sel.x2(), 64);
    EXPECT_EQ(sel.y2(), 0);
}

TEST(CaptureSelection, RightPressKeepsMouseHeld) {
    Screen screen(64, 48);
    CaptureSelection sel(screen.surface());
    sel.start();
    sel.mouseDown(MouseButton::Left, 5, 5);
    sel.mouseMove(20, 20);
    EXPECT_TRUE(sel.mouseDown(MouseButton::Right, 20, 20));
    EXPECT_FALSE(sel.cancelOrExit());
    EXPECT_TRUE(sel.mouseHeld());
    sel.mouseMove(30, 30); // nothing is being selected any more
    EXPECT_FALSE(sel.rectDrawn());
    sel.mouseUp();
    EXPECT_EQ(sel.state(), SelState::Nothing);
}

TEST(CaptureSelection, ReadoutShowsThePixelWithTheBand) {
    Screen screen(64, 48);
    CaptureSelection sel(screen.surface());
    sel.start();
    screen.surface().row(7)[9] = 0xFFFF0000u;
    EXPECT_EQ(sel.readout(9, 7), "当前像素RGB值（255、0、0）");
    screen.surface().row(7)[20] = 0xFF102030u;
    EXPECT_EQ(sel.readout(20, 7), "当前像素RGB值（16、32、48）");
    EXPECT_EQ(sel.readout(64, 7), "");
    EXPECT_EQ(sel.readout(-1, 0), "");
    sel.mouseDown(MouseButton::Left, 9, 7);
    sel.mouseMove(30, 30); // the band's top-left corner is the red pixel, now inverted
    EXPECT_EQ(sel.readout(9, 7), "当前像素RGB值（0、255、255）");
}

TEST(CaptureSelection, DirtyStripsCoverTheBandChanges) {
    Screen screen(64, 48);
    CaptureSelection sel(screen.surface());
    sel.start();
    sel.mouseDown(MouseButton::Left, 5, 5);
    sel.takeDirty();
    sel.mouseMove(25, 15);
    auto dirty = sel.takeDirty();
    EXPECT_EQ(dirty, BandStrips(5, 5, 25, 15, 64, 48));
    sel.mouseMove(26, 16);
    dirty = sel.takeDirty();
    auto expected = BandStrips(5, 5, 25, 15, 64, 48);
    for (const Rect& r : BandStrips(5, 5, 26, 16, 64, 48))
        expected.push_back(r);
    EXPECT_EQ(dirty, expected);
    EXPECT_TRUE(sel.takeDirty().empty());
}

TEST(PanelRule, AlternatesSides) {
    const struct {
        int left, screenWidth, panelWidth, expected;
    } cases[] = {{0, 1920, 249, 8},
                 {8, 1920, 249, 1663},
                 {1663, 1920, 249, 8},
                 {8, 1366, 249, 1109},
                 {100, 1366, 249, 8}};
    for (const auto& c : cases)
        EXPECT_EQ(PanelLeftAfterPointer(c.left, c.screenWidth, c.panelWidth), c.expected) << c.left;
    EXPECT_TRUE(StrictlyBetween(5, 4, 6));
    EXPECT_FALSE(StrictlyBetween(4, 4, 6));
    EXPECT_FALSE(StrictlyBetween(6, 4, 6));
}

} // namespace
