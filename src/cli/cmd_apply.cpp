// nodo-cli apply: the main job without a window (no confirmation): Content.bmp from the picture
// page's file, the blend over the next background, Mix.bmp, Mix.Jpg and the desktop wallpaper.
#include "cli/CalendarWallpaperState.h"
#include "cli/Command.h"
#include "cli/MonthPictureProgram.h"
#include "imaging/PictureFile.h"
#include "platform/AppFolder.h"
#include "platform/TextFile.h"
#include "platform/desktop/DesktopWallpaper.h"
#include "platform/posix/AppFolders.h"
#include "platform/posix/DiskTextFile.h"
#include "wallpaper/ApplyWallpaper.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace nodo;

constexpr const char* kUsage = "apply [--app-folder DIR] [--content FILE | --calendar] [--background NAME]";

struct Options {
    std::optional<std::string> appFolder, content, background;
    bool calendar = false; // today's month view as the content
};

// "--name VALUE" or "--name=VALUE"; false with a message on anything else.
bool ParseOptions(const std::vector<std::string>& args, Options& o) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--calendar") {
            o.calendar = true;
            continue;
        }
        std::string name = args[i], value;
        const auto eq = name.find('=');
        bool inlineValue = false;
        if (name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
            inlineValue = true;
        }
        std::optional<std::string>* slot = name == "--app-folder"   ? &o.appFolder
                                           : name == "--content"    ? &o.content
                                           : name == "--background" ? &o.background
                                                                    : nullptr;
        if (!slot) {
            std::fprintf(stderr, "nodo-cli apply: unknown argument '%s'\nusage: nodo-cli %s\n",
                         args[i].c_str(), kUsage);
            return false;
        }
        if (!inlineValue) {
            if (i + 1 >= args.size()) {
                std::fprintf(stderr, "nodo-cli apply: %s needs a value\nusage: nodo-cli %s\n", name.c_str(),
                             kUsage);
                return false;
            }
            value = args[++i];
        }
        *slot = value;
    }
    if (o.calendar && o.content) {
        std::fprintf(stderr,
                     "nodo-cli apply: --content and --calendar both name the content\nusage: nodo-cli %s\n",
                     kUsage);
        return false;
    }
    return true;
}

// The file the picture page shows at start-up ("Data\tmppic.ini", first line), read without
// creating anything; empty when there is none.
std::string PageFile(const AppFolder& folder, const TextFile& text) {
    const std::string ini = folder.path("Data\\tmppic.ini");
    if (!text.exists(ini)) return {};
    const auto lines = text.readLines(ini);
    if (lines.empty() || lines[0].empty()) return {};
    return ResolveExisting(lines[0]).string();
}

int apply(const std::vector<std::string>& args) {
    Options o;
    if (!ParseOptions(args, o)) return 2;

    std::unique_ptr<AppFolder> folder;
    if (o.appFolder) {
        std::error_code ec;
        if (!fs::is_directory(*o.appFolder, ec)) {
            std::fprintf(stderr, "nodo-cli apply: no application folder '%s'\n", o.appFolder->c_str());
            return 1;
        }
        folder = std::make_unique<FixedAppFolder>(*o.appFolder);
    } else {
        auto own = std::make_unique<ExecutableAppFolder>();
        for (const auto& problem : own->seeding().failures)
            std::fprintf(stderr, "nodo-cli apply: %s\n", problem.c_str());
        folder = std::move(own);
    }
    DiskTextFile text;
    const ComposerFiles files(*folder);

    BackgroundChoice choice;
    if (o.background) {
        choice.list = {{0, *o.background}};
        choice.index = 0;
    } else {
        choice = StartupBackgrounds(*folder, text);
    }

    pic::Bitmap content;
    if (o.calendar) {
        // Sized for the background it goes on; a background that cannot be read fails below.
        int backgroundHeight = 0;
        if (!choice.list.empty() && choice.index >= 0 &&
            choice.index < static_cast<int>(choice.list.size())) {
            try {
                backgroundHeight =
                    pic::LoadBitmapFile(files.background(choice.list[choice.index].PicName)).height();
            } catch (const pic::PictureError&) {
            }
        }
        content = cli::RunMonthPicture(backgroundHeight);
        std::printf("content: the month of today (%d x %d)\n", content.width(), content.height());
    } else if (o.content) {
        // Given on the command line: any picture format, and it must load.
        const std::vector<std::uint8_t> bytes = pic::ReadWholeFile(*o.content);
        content = pic::DecodeAny(bytes);
        // The see-through parts of a PNG or GIF show the page's white, as in the window's import.
        const pic::PictureFormat format = pic::DetectFormat(bytes);
        if (format == pic::PictureFormat::Png || format == pic::PictureFormat::Gif)
            content = pic::FlattenOverWhite(content);
        std::printf("content: %s (%d x %d)\n", o.content->c_str(), content.width(), content.height());
    } else {
        const std::string page = PageFile(*folder, text);
        if (page.empty()) {
            std::printf("content: none (the picture page is empty)\n");
        } else if (LowerExt(page) != ".bmp") {
            // The page holds a bitmap only after an import converted the file; anything else
            // empties it at the apply.
            std::printf("content: none (%s is not a bitmap)\n", page.c_str());
        } else {
            try {
                content = pic::LoadBitmapFile(page);
                std::printf("content: %s (%d x %d)\n", page.c_str(), content.width(), content.height());
            } catch (const pic::PictureError& e) {
                // The window would start with an empty page.
                std::printf("content: none (%s cannot be loaded: %s)\n", page.c_str(), e.what());
            }
        }
    }
    SaveContentPic(files, content);
    std::printf("wrote %s\n", files.content().c_str());

    const auto wallpaper = CreateDesktopWallpaper();
    MixHolder holder;
    const ApplyResult r = ApplyBackground(files, *wallpaper, choice.list, choice.index, holder, &content);
    if (r.outcome == ApplyOutcome::NoBackgrounds) {
        std::fprintf(stderr, "nodo-cli apply: the background list is empty\n");
        return 1;
    }
    const auto failed = [&r] {
        std::fprintf(stderr, "nodo-cli apply: %s: %s\n", ApplyOutcomeName(r.outcome), r.error.c_str());
        return 1;
    };
    std::printf("background: %s (entry %d)\n", r.background.c_str(), r.usedIndex);
    // Each file is reported once the outcome shows it was written.
    if (r.outcome == ApplyOutcome::BackgroundMissing || r.outcome == ApplyOutcome::BlendFailed)
        return failed();
    std::printf("wrote %s\n", files.mixBmp().c_str());
    if (r.outcome == ApplyOutcome::JpegFailed) return failed();
    std::printf("wrote %s\n", files.mixJpg().c_str());
    if (r.outcome != ApplyOutcome::Installed) return failed();
    std::printf("wallpaper: %s\n", r.wallpaperFile.c_str());
    if (o.calendar) {
        // The daily refresh tells a wallpaper set by hand since from this one.
        cli::CalendarWallpaperState state;
        state.given = r.wallpaperFile;
        state.givenAt = cli::LocalTimeStamp();
        try {
            state.save(cli::CalendarWallpaperStateFile());
        } catch (const std::exception& e) {
            std::fprintf(
                stderr,
                "nodo-cli apply: the month is on the wallpaper, but the daily refresh will take it for "
                "one set by hand: %s\n",
                e.what());
        }
    }
    return 0;
}

const nodo::cli::Registrar
    registrar("apply", std::string(kUsage) + "   blend the page picture over a background and install it",
              apply);

} // namespace
