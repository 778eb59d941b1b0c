// nodo-cli apply on a bare X11 display (no desktop environment): the root window takes the picture.
#include "CliFixture.h"

#include <cstdlib>

using nodo::testing::CliApply;
using nodo::testing::CliRun;

namespace {

TEST_F(CliApply, InstallsOnTheRootWindowAndSucceeds) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "this test needs an X display (make test starts Xvfb)";
    writeText(dir.root() / "data" / "tmppic.ini", (dir.root() / "page.bmp").string() + "\r\n");
    const CliRun r = run(appArg(), true);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("wallpaper: " + bg("Mix.bmp").string()), std::string::npos) << r.out;
}

} // namespace
