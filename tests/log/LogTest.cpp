#include "log/Log.h"

#include <gtest/gtest.h>

namespace {

struct RuleCase {
    const char* rules;
    const char* category;
    bool on;
};

// The rules read as Qt reads QT_LOGGING_RULES, so one setting turns on both kinds of log.
const RuleCase kRules[] = {
    {"", "nodo.wallpaper", false},
    {"nodo.*=true", "nodo.wallpaper", true},
    {"nodo.*=true", "nodox.wallpaper", false},
    {"nodo.wallpaper=true", "nodo.wallpaper", true},
    {"nodo.wallpaper=true", "nodo.capture", false},
    {"*=true", "nodo.notes", true},
    {"*.wallpaper=true", "nodo.wallpaper", true},
    {"*wall*=true", "nodo.wallpaper", true},
    {"nodo.*.debug=true", "nodo.wallpaper", true},
    {"nodo.*.warning=true", "nodo.wallpaper", false},
    {"nodo.*=true;nodo.capture=false", "nodo.capture", false},
    {"nodo.capture=false\nnodo.*=true", "nodo.capture", true},
    {" nodo.* = true ; ", "nodo.notes", true},
    {"nodo.*=yes", "nodo.notes", false},
    {"nodo.*", "nodo.notes", false},
};

TEST(LogRules, FollowQtsSyntax) {
    for (const auto& c : kRules)
        EXPECT_EQ(nodo::log::enabledBy(c.rules, c.category), c.on) << '"' << c.rules << "\" " << c.category;
}

TEST(LogLine, WritesOneLineWithItsCategory) {
    testing::internal::CaptureStderr();
    nodo::log::Line("nodo.test") << "wrote " << 3 << " files";
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "nodo.test: wrote 3 files\n");
}

} // namespace
