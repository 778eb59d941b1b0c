#include "wallpaper/ApplyWallpaper.h"

#include "imaging/PictureFile.h"
#include "pictures/BGPicList.h"
#include "pictures/PicConvert.h"
#include "platform/AppFolder.h"
#include "platform/TextFile.h"
#include "platform/Wallpaper.h"
#include "wallpaper/MixPic.h"

#include "log/Log.h"

#include <exception>
#include <filesystem>
#include <system_error>
#include <thread>

namespace fs = std::filesystem;

namespace nodo {

namespace {
bool IsFile(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

} // namespace

std::string ComposerFiles::file(const std::string& name) const {
    return m_folder->path(kBGPicFolder + name);
}
std::string ComposerFiles::dir() const {
    std::string d = m_folder->path(kBGPicFolder);
    if (d.empty() || d.back() != '/') d.push_back('/');
    return d;
}
std::string ComposerFiles::content() const {
    return file("Content.bmp");
}
std::string ComposerFiles::mixBmp() const {
    return file("Mix.bmp");
}
std::string ComposerFiles::mixJpg() const {
    return file("Mix.Jpg");
}
std::string ComposerFiles::background(const std::string& picName) const {
    // A list line names one file inside the background folder, as the list window adds them; a
    // line that would lead out of it names no background at all.
    if (picName.empty() || picName == "." || picName == ".." || picName.find('/') != std::string::npos)
        return {};
    return FileInFolder(dir(), picName);
}

// Content.bmp, Mix.bmp and Mix.Jpg are made again by every apply from the page's picture and the
// background, so none of them is pushed to the disk early: only the stored wallpaper values are
// flushed (by the key file), as they are what must survive a crash.
void SaveContentPic(const ComposerFiles& files, const pic::Bitmap& content) {
    pic::SaveBmpFile(files.content(), content, content.bitsPerPixel(), pic::Replace::Rebuilt);
}

bool SetWallpaper(Wallpaper& wallpaper, const std::string& file, std::string& error,
                  const pic::Bitmap* picture) {
    try {
        // Both values in one store: the pair is never half written.
        wallpaper.setValues({{"Wallpaper", file}, {"WallpaperStyle", "2"}});
    } catch (const std::exception& e) {
        error = e.what();
        return false;
    }
    return picture ? wallpaper.applyPicture(file, *picture, error) : wallpaper.apply(file, error);
}

const char* ApplyOutcomeName(ApplyOutcome outcome) {
    switch (outcome) {
    case ApplyOutcome::NoBackgrounds:
        return "no background pictures in the list";
    case ApplyOutcome::BackgroundMissing:
        return "background picture missing";
    case ApplyOutcome::BlendFailed:
        return "blending failed";
    case ApplyOutcome::JpegFailed:
        return "JPEG pass failed";
    case ApplyOutcome::WallpaperFailed:
        return "the desktop did not take the wallpaper";
    case ApplyOutcome::Installed:
        return "wallpaper installed";
    }
    return "?";
}

ApplyResult ApplyBackground(const ComposerFiles& files, Wallpaper& wallpaper,
                            const std::vector<TPicBGList>& list, int32_t& index, MixHolder& holder,
                            const pic::Bitmap* content) {
    ApplyResult result;
    const auto n = static_cast<int32_t>(list.size());
    if (n == 0) return result;
    // An index left over from an earlier, longer list starts again where a fresh load would.
    if (index < 0 || index >= n) index = n - 1;
    const int32_t i = index;
    result.usedIndex = i;
    result.background = files.background(list[static_cast<std::size_t>(i)].PicName);
    NODO_LOG("nodo.wallpaper") << "apply: background " << i << " of " << n << ", " << result.background;

    const auto blendFailed = [&result](const std::string& why) {
        result.outcome = ApplyOutcome::BlendFailed;
        result.error = why;
        NODO_LOG("nodo.wallpaper") << "apply: the blend failed: " << result.error;
        return result;
    };

    if (!IsFile(result.background)) {
        // Entry 0 is the chosen picture alone; elsewhere the next click tries the following entry.
        if (i != 0) {
            index = i + 1;
            if (index >= n) index = 1;
        }
        result.outcome = ApplyOutcome::BackgroundMissing;
        NODO_LOG("nodo.wallpaper") << "apply: the background is missing";
        result.error = result.background.empty() ? "\"" + list[static_cast<std::size_t>(i)].PicName +
                                                       "\" is not a file of " + files.dir()
                                                 : "no file " + result.background;
        return result;
    }

    pic::Bitmap mixed;
    try {
        holder.img1 = content ? *content : pic::LoadBitmapFile(files.content());
        holder.img2 = pic::LoadBitmapFile(result.background);
        MixPic(holder.img1, holder.img2, kMixPercent);
        // The blend is done in img2 itself, so the result moves over instead of being copied.
        mixed = std::move(holder.img2);
        holder.clear();
    } catch (const std::exception& e) {
        holder.clear();
        return blendFailed(e.what());
    }

    // The pictures the steps below replace are removed while the desktop takes the new one, when
    // there is time to spare, or at the latest when the apply returns.
    pic::OldFiles replaced;

    // Mix.bmp is written from the blend while the JPEG pass works on the same pixels in memory;
    // their outcomes are then taken in the steps' order, so a blend that was not written is
    // reported as before, and nothing after it is written. The fourth byte of a blended pixel is
    // no alpha: it is dropped (rather than the picture laid over white), which keeps the colours
    // the blend produced, and costs no copy.
    std::exception_ptr notWritten, passFailed;
    pic::JpegPass pass;
    {
        const auto writeBlend = [&] {
            try {
                pic::SaveBmpFile(files.mixBmp(), mixed, 32, pic::Replace::Rebuilt, &replaced);
            } catch (...) {
                notWritten = std::current_exception();
            }
        };
        std::thread writer;
        try {
            writer = std::thread(writeBlend);
        } catch (const std::system_error&) {
            writeBlend(); // no thread to be had: one after the other
        }
        try {
            pass = pic::EncodeJpegAndDecode(mixed, kMixJpegQuality);
        } catch (...) {
            passFailed = std::current_exception();
        }
        if (writer.joinable()) writer.join();
    }
    mixed = pic::Bitmap();
    try {
        if (notWritten) std::rethrow_exception(notWritten);
    } catch (const std::exception& e) {
        return blendFailed(e.what());
    }
    NODO_LOG("nodo.wallpaper") << "apply: blended, wrote " << files.mixBmp();

    // The desktop may start taking the picture while its files are written; it shows it only once
    // the steps below have all succeeded, and drops it otherwise.
    struct Forget {
        Wallpaper& wallpaper;
        ~Forget() { wallpaper.forget(); }
    } forget{wallpaper};
    try {
        if (passFailed) std::rethrow_exception(passFailed);
        wallpaper.prepare(pass.decoded);
        pic::WriteWholeFile(files.mixJpg(), pass.jpeg, pic::Replace::Rebuilt, &replaced);
        pic::SaveBmpFile(files.mixBmp(), pass.decoded, 24, pic::Replace::Rebuilt, &replaced);
        NODO_LOG("nodo.wallpaper") << "apply: wrote " << files.mixJpg() << ", " << files.mixBmp()
                                   << " from it";
    } catch (const std::exception& e) {
        result.outcome = ApplyOutcome::JpegFailed;
        result.error = e.what();
        NODO_LOG("nodo.wallpaper") << "apply: the JPEG pass failed: " << result.error;
        return result;
    }
    // Mix.bmp as last written, handed to the desktop.
    const pic::Bitmap& written = pass.decoded;

    result.wallpaperFile = files.background("Mix.Bmp");
    bool taken = false;
    {
        std::thread remover;
        try {
            remover = std::thread([&replaced] { replaced.removeAll(); });
        } catch (const std::system_error&) {
            // No thread to be had: they go when the apply returns.
        }
        taken = SetWallpaper(wallpaper, result.wallpaperFile, result.error, &written);
        if (remover.joinable()) remover.join();
    }
    if (!taken) {
        result.outcome = ApplyOutcome::WallpaperFailed;
        return result;
    }
    // Desktops that keep showing a file they have read are handed a copy under a new name.
    if (const std::string shown = wallpaper.shownFile(); !shown.empty()) result.wallpaperFile = shown;
    index = i - 1;
    if (index <= 0) index = n - 1;
    result.outcome = ApplyOutcome::Installed;
    return result;
}

BackgroundChoice StartupBackgrounds(const AppFolder& folder, const TextFile& text) {
    BackgroundChoice choice;
    const std::string file = folder.path(kBGPicListFile);
    if (!text.exists(file)) {
        choice.list = {{0, kDefaultBGPic}, {1, kDefaultBGPic}};
        choice.index = 0;
        return choice;
    }
    const auto lines = text.readLines(file);
    for (std::size_t i = 0; i < lines.size(); ++i)
        choice.list.push_back({static_cast<int32_t>(i), lines[i]});
    // Line 1 always matches the chosen name, so a good load ends at the last entry.
    choice.index = lines.empty() ? 0 : static_cast<int32_t>(lines.size()) - 1;
    return choice;
}

} // namespace nodo
