#include "cli/Command.h"
#include "platform/posix/AppFolders.h"

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <system_error>

namespace nodo::cli {
std::vector<Command>& commands() {
    static std::vector<Command> all;
    return all;
}
} // namespace nodo::cli

static void printUsage(std::FILE* out) {
    auto cmds = nodo::cli::commands();
    std::sort(cmds.begin(), cmds.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
    std::fprintf(out, "usage: nodo-cli COMMAND [ARGS]\n       nodo-cli --version\n\ncommands:\n");
    for (const auto& c : cmds)
        std::fprintf(out, "  %s\n", c.usage.c_str());
}

// Where the commands read and write without --app-folder; telling it creates nothing.
static void printFolder() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    const nodo::AppFolderPlace place =
        nodo::LocateAppFolder(exe.parent_path(), nodo::AppFolderEnvironment::FromProcess());
    std::printf("\napplication folder: %s\n", nodo::FixedAppFolder(place.root).root().c_str());
    if (!place.seedFrom.empty())
        std::printf("  (the user's folder, filled from %s on first use; web pages from %s)\n",
                    place.seedFrom.c_str(), place.web.c_str());
}

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    if (argc < 2) {
        printUsage(stderr);
        return 2;
    }
    const std::string name = argv[1];
    if (name == "help" || name == "--help" || name == "-h") {
        printUsage(stdout);
        printFolder();
        return 0;
    }
    if (name == "--version") {
        std::printf("nodo-cli %s\n", NODO_VERSION);
        return 0;
    }
    std::vector<std::string> args(argv + 2, argv + argc);
    for (const auto& c : nodo::cli::commands()) {
        if (c.name != name) continue;
        try {
            return c.run(args);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "nodo-cli %s: %s\n", name.c_str(), e.what());
            return 1;
        }
    }
    std::fprintf(stderr, "nodo-cli: unknown command '%s'\n\n", name.c_str());
    printUsage(stderr);
    return 2;
}
