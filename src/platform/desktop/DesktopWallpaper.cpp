#include "platform/desktop/DesktopWallpaper.h"

#include "platform/AppFolder.h"
#include "platform/desktop/DesktopCommands.h"
#include "platform/desktop/X11Root.h"

#include "log/Log.h"

#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace nodo {

namespace desktop {

namespace {

bool needsSessionBus(Desktop desktop) {
    switch (desktop) {
    case Desktop::Gnome:
    case Desktop::Cinnamon:
    case Desktop::Mate:
    case Desktop::Kde:
    case Desktop::Xfce:
        return true;
    default:
        return false;
    }
}

} // namespace

std::optional<SessionBus> FindSessionBus(const Environment& env) {
    if (const auto address = env("DBUS_SESSION_BUS_ADDRESS")) return SessionBus{*address, true};
    const auto runtime = env("XDG_RUNTIME_DIR");
    const std::string socket = (runtime ? *runtime : "/run/user/" + std::to_string(::getuid())) + "/bus";
    struct stat st {};
    if (::stat(socket.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode)) return std::nullopt;
    // Passed on explicitly: without XDG_RUNTIME_DIR the programs would not look there.
    return SessionBus{"unix:path=" + socket, false};
}

struct DesktopWallpaper::Prepared {
    const pic::Bitmap* picture = nullptr;
    DesktopDetection found;
    std::thread sender; // fills `sent` or `error`
    std::unique_ptr<RootPicture> sent;
    std::string error;
    ~Prepared() {
        if (sender.joinable()) sender.join();
    }
    // The root window's picture as sent, once the sending is over; null with `error` on failure.
    std::unique_ptr<RootPicture> takeSent() {
        if (sender.joinable()) sender.join();
        return std::move(sent);
    }
};

DesktopWallpaper::DesktopWallpaper(DesktopWallpaperOptions options, std::unique_ptr<CommandRunner> runner)
    : m_options(std::move(options)), m_runner(std::move(runner)), m_key(m_options.keyFile),
      m_cache(m_options.cacheFolder) {}

DesktopWallpaper::~DesktopWallpaper() = default;

void DesktopWallpaper::prepare(const pic::Bitmap& picture) {
    m_prepared.reset();
    try {
        auto p = std::make_unique<Prepared>();
        p->picture = &picture;
        p->found = DetectDesktop(m_options.environment, m_options.sessionProcesses);
        if (p->found.desktop == Desktop::X11Root && picture.bitsPerPixel() == 24) {
            const std::string display = m_options.environment("DISPLAY").value_or("");
            Prepared* slot = p.get();
            p->sender = std::thread([slot, display] {
                try {
                    slot->sent = RootPicture::Upload(display.c_str(), *slot->picture, slot->error);
                } catch (const std::exception& e) {
                    slot->error = e.what();
                }
            });
        }
        m_prepared = std::move(p);
    } catch (const std::exception&) {
        // Nothing prepared (no thread, no memory): the apply does it all itself.
        m_prepared.reset();
    }
}

void DesktopWallpaper::forget() {
    m_prepared.reset();
}

void DesktopWallpaper::setValue(const std::string& name, const std::string& value) {
    m_key.setValue(name, value);
}

void DesktopWallpaper::setValues(const std::vector<std::pair<std::string, std::string>>& values) {
    m_key.setValues(values);
}

std::string DesktopWallpaper::value(const std::string& name) const {
    return m_key.value(name);
}

bool DesktopWallpaper::apply(const std::string& file, std::string& error) {
    return applyLogged(file, nullptr, error);
}

bool DesktopWallpaper::applyPicture(const std::string& file, const pic::Bitmap& picture, std::string& error) {
    // Only a picture as the file would load is taken; anything else is read from the file.
    return applyLogged(file, picture.bitsPerPixel() == 24 ? &picture : nullptr, error);
}

bool DesktopWallpaper::applyLogged(const std::string& file, const pic::Bitmap* known, std::string& error) {
    try {
        if (applyOrThrow(file, known, error)) {
            NODO_LOG("nodo.wallpaper") << DesktopName(m_lastDesktop) << " took " << m_shown;
            return true;
        }
    } catch (const std::exception& e) {
        error = e.what();
    } catch (...) {
        error = "unexpected failure while setting the wallpaper";
    }
    NODO_LOG("nodo.wallpaper") << "the desktop was not given " << file << ": " << error;
    return false;
}

bool DesktopWallpaper::applyOrThrow(const std::string& file, const pic::Bitmap* known, std::string& error) {
    const Environment& env = m_options.environment;
    // What prepare() began serves only the apply of the very picture it was given.
    std::unique_ptr<Prepared> prepared = std::move(m_prepared);
    if (prepared && (!known || prepared->picture != known)) prepared.reset();
    const DesktopDetection found =
        prepared ? prepared->found : DetectDesktop(env, m_options.sessionProcesses);
    m_lastDesktop = found.desktop;
    NODO_LOG("nodo.wallpaper") << "desktop: " << DesktopName(found.desktop) << " (" << found.reason << ")";
    if (m_lastDesktop == Desktop::None) {
        error = "no desktop session to show the wallpaper (no known desktop, no X display)";
        return false;
    }

    // Callers spell the file's name in any case ("Mix.Bmp" for "Mix.bmp").
    const std::filesystem::path path =
        file.starts_with('/') ? ResolveExisting(file) : std::filesystem::path(file);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        error = "the picture " + file + " does not exist";
        return false;
    }
    const pic::Bitmap loaded = known ? pic::Bitmap() : LoadWallpaperPicture(path);
    const pic::Bitmap& picture = known ? *known : loaded;
    if (picture.empty()) {
        error = "the picture " + file + " is empty";
        return false;
    }

    // An empty name is refused there with the same reason as a missing DISPLAY.
    if (m_lastDesktop == Desktop::X11Root) {
        // The root window is given the pixels; the file they came from is what it shows.
        const bool sending = prepared && prepared->sender.joinable();
        const std::unique_ptr<RootPicture> sent =
            sending ? prepared->takeSent()
                    : RootPicture::Upload(env("DISPLAY").value_or("").c_str(), picture, error);
        if (sending && !sent) error = prepared->error;
        if (!sent || !sent->show(error)) return false;
        m_shown = path.string();
        return true;
    }
    std::vector<std::string> extraEnvironment;
    if (!busEnvironment(extraEnvironment, error)) return false;
    EnvironmentRunner runner(*m_runner, extraEnvironment);

    // A fresh name every time, as the desktops keep showing a file they have already read. The JPEG
    // the picture came from is handed over as it is; a PNG is made only when there is none.
    const std::optional<std::vector<std::uint8_t>> jpeg = MatchingJpeg(path, picture);
    const auto copy = jpeg ? m_cache.storeJpeg(*jpeg) : m_cache.store(picture);
    NODO_LOG("nodo.wallpaper") << "handing over " << copy.string()
                               << (jpeg ? " (the JPEG as it is)" : " (as PNG)");
    if (!ShowOnDesktop(m_lastDesktop, runner, copy, error, facts(Purpose::Show))) {
        m_cache.refused(copy);
        return false;
    }
    m_cache.taken(copy);
    m_shown = copy.string();
    return true;
}

bool DesktopWallpaper::busEnvironment(std::vector<std::string>& extra, std::string& error) const {
    if (!needsSessionBus(m_lastDesktop)) return true;
    const auto bus = FindSessionBus(m_options.environment);
    if (!bus) {
        error = std::string("no D-Bus session bus to reach ") + DesktopName(m_lastDesktop);
        return false;
    }
    if (!bus->inherited) extra.push_back("DBUS_SESSION_BUS_ADDRESS=" + bus->address);
    return true;
}

SessionFacts DesktopWallpaper::facts(Purpose purpose) const {
    // Only what the desktop found needs for the job: the X display is opened for XFCE's hand-over
    // alone, the processes are listed for LXQt's, and for sway's background program when asked.
    SessionFacts facts;
    facts.configHome = m_options.configHome;
    facts.home = m_options.home;
    if (purpose == Purpose::Show && m_lastDesktop == Desktop::Xfce && m_options.screenLayout)
        if (const auto display = m_options.environment("DISPLAY"))
            facts.screen = m_options.screenLayout(*display);
    const bool listProcesses =
        m_lastDesktop == Desktop::Lxqt || (purpose == Purpose::Read && m_lastDesktop == Desktop::Sway);
    if (listProcesses && m_options.sessionCommandLines) facts.processes = m_options.sessionCommandLines();
    return facts;
}

std::optional<std::filesystem::path> DesktopWallpaper::current() {
    m_lastDesktop = DetectDesktop(m_options.environment, m_options.sessionProcesses).desktop;
    std::vector<std::string> extra;
    std::string error;
    if (m_lastDesktop == Desktop::None || !busEnvironment(extra, error)) return std::nullopt;
    EnvironmentRunner runner(*m_runner, extra);
    return CurrentWallpaper(m_lastDesktop, runner, facts(Purpose::Read));
}

} // namespace desktop

std::unique_ptr<Wallpaper> CreateDesktopWallpaper() {
    return std::make_unique<desktop::DesktopWallpaper>(desktop::DesktopWallpaperOptions{},
                                                       std::make_unique<desktop::PosixCommandRunner>());
}

} // namespace nodo
