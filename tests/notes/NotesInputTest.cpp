// The memo board and the dated note in their test window on a private X server, driven through
// XTest as a person would: what is typed reaches the database when the pointer moves on.
#include "NotesDbFixture.h"
#include "e2e/Session.h"

#include <gtest/gtest.h>

#include <string>

using namespace e2e;

namespace {

// From the window's top-left corner.
constexpr Point kTuesday{178 + 65, 90 + 25 + 65}, kWednesday{375 + 57, 90 + 26 + 65};
constexpr Point kNote{500 + 2 + 200, 257 + 60}, kLetterB{223 + 11, 57 + 11};

class NotesInput : public ::testing::Test {
protected:
    NotesInput() : s(::testing::UnitTest::GetInstance()->current_test_info()->name(), options()) {}
    static Options options() {
        Options o;
        o.program = NODO_NOTES_WINDOW;
        o.mainTitle = "记事";
        o.screenWidth = 1024;
        o.screenHeight = 768;
        return o;
    }
    void SetUp() override {
        s.start();
        w = s.main();
    }
    // A column of the notes database as the program left it.
    std::string stored(const std::string& sql) {
        return nodo::testing::RawDb(s.scratch() + "/notes.db").scalar(sql);
    }
    bool waitStored(const std::string& sql, const std::string& text) {
        return s.waitFor([&] { return stored(sql).find(text) != std::string::npos; }, 5000);
    }
    Point on(Point p) const { return w.at(p.x, p.y); }

    Session s;
    Window w;
};

TEST_F(NotesInput, TypedTextReachesTheDatabase) {
    s.step("type into Tuesday's editor of page B");
    s.click(on(kTuesday));
    s.type("buy rice");
    s.step("move on to Wednesday's");
    s.click(on(kWednesday));
    EXPECT_TRUE(
        s.check(waitStored("SELECT TuesdayCon FROM tb_B WHERE ID = 1", "buy rice"), "Tuesday stored"));

    s.step("type a note and press the letter B");
    s.click(on(kNote));
    s.type("call home");
    s.click(on(kLetterB));
    EXPECT_TRUE(s.check(waitStored("SELECT data FROM UserCon WHERE conIndex = '20140309'", "call home"),
                        "the note stored under its date"));
}

} // namespace
