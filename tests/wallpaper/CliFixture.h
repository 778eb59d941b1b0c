#pragma once
// Runs the built nodo-cli on a fresh installation tree (NODO_APP_DIR names the built application
// folder).
#include "ComposerFolder.h"

#include "imaging/PictureFile.h"
#include "support/RunShell.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace nodo::testing {

using CliRun = ShellRun;

class CliApply : public ::testing::Test {
protected:
    void SetUp() override {
        const char* app = std::getenv("NODO_APP_DIR");
        ASSERT_NE(app, nullptr) << "NODO_APP_DIR is not set";
        cli = std::filesystem::path(app) / "nodo-cli";
        ASSERT_TRUE(std::filesystem::exists(cli)) << cli;
        dir.writeBackground("A1.bmp", 1024, 768, {100, 100, 100, 0});
        pic::SaveBmpFile(dir.root() / "page.bmp", SolidBitmap(300, 200, 24, {0, 0, 200, 0}), 24);
    }

    void writeText(const std::filesystem::path& file, const std::string& text) {
        std::ofstream out(file, std::ios::binary);
        out << text;
    }

    // No desktop can be reached: no session bus, no desktop name, and no display unless asked for
    // (then only the bare X11 root window is there); the wallpaper key and cache go to the test
    // folder.
    CliRun run(const std::string& args, bool keepDisplay = false) {
        const std::string home = (dir.root() / "home").string();
        const std::string cmd = std::string("env ") + (keepDisplay ? "" : "-u DISPLAY ") +
                                "-u WAYLAND_DISPLAY -u XDG_CURRENT_DESKTOP -u DBUS_SESSION_BUS_ADDRESS "
                                "-u XDG_RUNTIME_DIR -u XDG_SESSION_TYPE HOME='" +
                                home + "' XDG_CONFIG_HOME='" + home + "/config' XDG_CACHE_HOME='" + home +
                                "/cache' '" + cli.string() + "' apply " + args + " 2>&1";
        return RunShell(cmd);
    }
    std::string appArg() { return "--app-folder '" + dir.root().string() + "'"; }
    std::filesystem::path bg(const char* name) { return dir.bgDir() / name; }

    ComposerFolder dir;
    std::filesystem::path cli;
};

} // namespace nodo::testing
