#pragma once
// The Wallpaper seam for a Linux session: the values stored in a per-user key file, and the picture
// handed to whichever desktop is running.
#include "platform/Wallpaper.h"
#include "platform/desktop/CommandRunner.h"
#include "platform/desktop/DesktopDetect.h"
#include "platform/desktop/DesktopKey.h"
#include "platform/desktop/Paths.h"
#include "platform/desktop/SessionFacts.h"
#include "platform/desktop/WallpaperCache.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace nodo {

namespace desktop {

struct DesktopWallpaperOptions {
    std::filesystem::path keyFile = DefaultKeyFile();
    std::filesystem::path cacheFolder = DefaultCacheFolder();
    Environment environment = ProcessEnvironment();
    std::function<std::vector<std::string>()> sessionProcesses = SessionProcessNames;
    std::function<std::vector<std::vector<std::string>>()> sessionCommandLines = SessionCommandLines;
    std::function<std::optional<ScreenLayout>(const std::string& display)> screenLayout =
        [](const std::string& display) { return ReadScreenLayout(display.c_str()); };
    std::filesystem::path configHome = ConfigHome();
    std::filesystem::path home = HomeDir();
};

class DesktopWallpaper : public Wallpaper {
public:
    DesktopWallpaper(DesktopWallpaperOptions options, std::unique_ptr<CommandRunner> runner);
    DesktopWallpaper(const DesktopWallpaper&) = delete;
    DesktopWallpaper& operator=(const DesktopWallpaper&) = delete;

    // Throws FileError when the key file cannot be written.
    void setValue(const std::string& name, const std::string& value) override;
    void setValues(const std::vector<std::pair<std::string, std::string>>& values) override;
    std::string value(const std::string& name) const override;
    // Never throws: every failure (no session, no bus, a picture that cannot be read, a command that
    // fails) gives false and a one-line reason.
    bool apply(const std::string& file, std::string& error) override;
    bool applyPicture(const std::string& file, const pic::Bitmap& picture, std::string& error) override;
    // Finds the desktop now and, for the X root window, sends the pixels on a thread of its own.
    void prepare(const pic::Bitmap& picture) override;
    void forget() override;
    ~DesktopWallpaper() override;
    std::string shownFile() const override { return m_shown; }

    // The picture the running desktop shows now, asked the desktop's own way (CurrentWallpaper);
    // nullopt when there is no desktop or it does not say. Sets lastDesktop().
    std::optional<std::filesystem::path> current();

    // The desktop the last apply found (None before the first).
    Desktop lastDesktop() const { return m_lastDesktop; }
    const WallpaperCache& cache() const { return m_cache; }

private:
    // `known` is the file's picture when the caller has it (24 bits), or null to read the file.
    bool applyOrThrow(const std::string& file, const pic::Bitmap* known, std::string& error);
    bool applyLogged(const std::string& file, const pic::Bitmap* known, std::string& error);
    // The session bus the desktop's tools need put in their environment; false with `error` when
    // there is none.
    bool busEnvironment(std::vector<std::string>& extra, std::string& error) const;
    enum class Purpose { Show, Read }; // handing a picture over, or asking which one is shown
    SessionFacts facts(Purpose purpose) const;

    DesktopWallpaperOptions m_options;
    std::unique_ptr<CommandRunner> m_runner;
    DesktopKey m_key;
    WallpaperCache m_cache;
    Desktop m_lastDesktop = Desktop::None;
    std::string m_shown;
    // What prepare() began: the desktop found then and, for the root window, the pixels being sent.
    struct Prepared;
    std::unique_ptr<Prepared> m_prepared;
};

// How the session bus is reached: $DBUS_SESSION_BUS_ADDRESS as it is, or else the socket the
// session manager puts at $XDG_RUNTIME_DIR/bus (/run/user/UID/bus when that variable is unset too,
// as under cron). nullopt when there is no bus.
struct SessionBus {
    std::string address;
    bool inherited = false; // from the environment: the programs we start find it on their own
};
std::optional<SessionBus> FindSessionBus(const Environment& env);

} // namespace desktop

// The wallpaper of the running session (same declaration as in platform/qt/Platform.h, for
// programs that do not use Qt).
std::unique_ptr<Wallpaper> CreateDesktopWallpaper();

} // namespace nodo
