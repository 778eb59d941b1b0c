// gtest before Xlib: Xlib's macros clash with gtest's names.
#include <gtest/gtest.h>

#include "e2e/Session.h"

#include "imaging/Bitmap.h"
#include "imaging/Codecs.h"
#include "imaging/PictureFile.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

namespace fs = std::filesystem;

namespace e2e {

namespace {

using Clock = std::chrono::steady_clock;

void Sleep(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// Starts a program with the given environment; its output goes to `logFile`. `keepFd` stays open in
// the child (a pipe the program writes its display or address to).
pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env,
            const std::string& logFile, const std::string& cwd = {}, int keepFd = -1) {
    std::vector<char*> args, envp;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    for (const auto& e : env)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        const int out = open(logFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (out >= 0) {
            dup2(out, 1);
            dup2(out, 2);
        }
        const int in = open("/dev/null", O_RDONLY);
        if (in >= 0) dup2(in, 0);
        for (int fd = 3; fd < 256; ++fd)
            if (fd != keepFd) close(fd);
        if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(126);
        // Each child leads its own group, so whatever it starts ends with it.
        setpgid(0, 0);
        execvpe(args[0], args.data(), envp.data());
        _exit(127);
    }
    return pid;
}

bool Reaped(pid_t pid, int ms) {
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    do {
        int status = 0;
        const pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid || (r < 0 && errno == ECHILD)) return true;
        Sleep(20);
    } while (Clock::now() < end);
    return false;
}

void Stop(int& pid) {
    if (pid <= 0) return;
    kill(-pid, SIGTERM);
    kill(pid, SIGTERM);
    if (!Reaped(pid, 3000)) {
        kill(-pid, SIGKILL);
        kill(pid, SIGKILL);
        Reaped(pid, 3000);
    }
    pid = -1;
}

// Reads one line that a child writes to the pipe (its display number or bus address).
std::string ReadLine(int fd, int ms) {
    std::string line;
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    fcntl(fd, F_SETFL, O_NONBLOCK);
    while (Clock::now() < end) {
        char c;
        const ssize_t n = read(fd, &c, 1);
        if (n == 1) {
            if (c == '\n') return line;
            line += c;
        } else if (n == 0) {
            break;
        } else {
            Sleep(10);
        }
    }
    return line;
}

int Channel(unsigned long pixel, unsigned long mask) {
    if (!mask) return 0;
    const int shift = __builtin_ctzl(mask), bits = __builtin_popcountl(mask);
    const unsigned long v = (pixel & mask) >> shift;
    return bits >= 8 ? int(v >> (bits - 8)) : int(v << (8 - bits));
}

std::string Sanitise(std::string s) {
    for (char& c : s)
        if (!isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_') c = '_';
    return s;
}

std::string WindowName(Display* dpy, ::Window w) {
    static const Atom netName = XInternAtom(dpy, "_NET_WM_NAME", False);
    static const Atom utf8 = XInternAtom(dpy, "UTF8_STRING", False);
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    std::string name;
    if (XGetWindowProperty(dpy, w, netName, 0, 256, False, utf8, &type, &format, &count, &after, &data) ==
            Success &&
        data) {
        name.assign(reinterpret_cast<char*>(data), count);
        XFree(data);
        return name;
    }
    char* legacy = nullptr;
    if (XFetchName(dpy, w, &legacy) && legacy) {
        name = legacy;
        XFree(legacy);
    }
    return name;
}

void Collect(Display* dpy, ::Window w, const std::string& title, std::vector<Window>& out) {
    ::Window root, parent, *children = nullptr;
    unsigned int n = 0;
    if (!XQueryTree(dpy, w, &root, &parent, &children, &n)) return;
    for (unsigned int i = 0; i < n; ++i) {
        XWindowAttributes a;
        if (!XGetWindowAttributes(dpy, children[i], &a)) continue;
        // Qt adds " — <application name>" to the titles of the program's other windows.
        const std::string name = WindowName(dpy, children[i]);
        if (a.map_state == IsViewable && (name == title || name.starts_with(title + " \u2014 "))) {
            int x = 0, y = 0;
            ::Window child;
            XTranslateCoordinates(dpy, children[i], root, 0, 0, &x, &y, &child);
            out.push_back({children[i], {x, y, a.width, a.height}});
        }
        Collect(dpy, children[i], title, out);
    }
    if (children) XFree(children);
}

int IgnoreErrors(Display*, XErrorEvent*) {
    return 0;
} // windows may go away while we look

// A failure on a machine nobody can log in to afterwards (CI) is read from its output alone: the
// end of every program's log goes with it.
void PrintLogTails(const std::string& folder) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        if (entry.path().extension() != ".log") continue;
        std::ifstream in(entry.path());
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) {
            lines.push_back(std::move(line));
            if (lines.size() > 20) lines.erase(lines.begin());
        }
        if (lines.empty()) continue;
        std::cerr << "e2e: the end of " << entry.path().filename().string() << ":\n";
        for (const std::string& line : lines)
            std::cerr << "  | " << line << "\n";
    }
}

} // namespace

Session::Session(std::string name, Options options) : m_name(std::move(name)), m_options(std::move(options)) {
    char tmpl[] = "/tmp/nodo-e2e-XXXXXX";
    if (!mkdtemp(tmpl)) throw std::runtime_error("mkdtemp failed");
    m_scratch = tmpl;
    m_home = m_scratch + "/home";
    for (const char* dir :
         {"home", "home/.config", "home/.local/share", "home/.cache", "runtime", "bin", "files"})
        fs::create_directories(m_scratch + "/" + dir);
    fs::permissions(m_scratch + "/runtime", fs::perms::owner_all, fs::perm_options::replace);
    // The shell's opener records what it was asked to open instead of starting a browser.
    const std::string opener = m_scratch + "/bin/xdg-open";
    std::ofstream(opener) << "#!/bin/sh\nprintf '%s\\n' \"$*\" >> '" << m_scratch << "/opened.log'\n";
    fs::permissions(opener, fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read);
    layTree();
    startServer();
    startBus();
    if (m_options.windowManager) startWindowManager();
}

Session::~Session() {
    logout();
    if (m_failed || ::testing::Test::HasFailure()) {
        std::cerr << "e2e: the session's folder is kept: " << m_scratch << "\n";
        PrintLogTails(m_scratch);
        return;
    }
    // A desktop's helper that outlives the log-out by a moment (Cinnamon's do) may still be writing
    // into the folder; a destructor never throws, so the removal is tried again, and at worst left.
    std::error_code ec;
    for (int attempt = 0; attempt < 10; ++attempt) {
        fs::remove_all(m_scratch, ec);
        if (!ec) return;
        Sleep(200);
    }
    std::cerr << "e2e: the session's folder could not be removed: " << m_scratch << ": " << ec.message()
              << "\n";
}

void Session::layTree() {
    const fs::path installed = NODO_E2E_TREE;
    if (!fs::exists(installed / "nodo"))
        throw std::runtime_error("no installation tree at " + installed.string());
    m_tree = m_scratch + "/Nodo";
    fs::copy(installed, m_tree, fs::copy_options::recursive);
    for (const auto& [rel, bytes] : m_options.files)
        write(rel, bytes);
}

void Session::logout() {
    Stop(m_app);
    for (auto& [name, pid] : m_programs)
        Stop(pid);
    m_programs.clear();
    if (m_dpy) XCloseDisplay(m_dpy);
    m_dpy = nullptr;
    Stop(m_wm);
    Stop(m_bus);
    Stop(m_xvfb);
    m_display = -1;
    m_busAddress.clear();
}

void Session::login() {
    startServer();
    startBus();
    if (m_options.windowManager) startWindowManager();
}

Ran Session::run(const std::vector<std::string>& argv, const std::vector<std::string>& extra, int ms) {
    const std::string out = m_scratch + "/run.out";
    fs::remove(out);
    std::vector<std::string> args = argv;
    if (!args.empty() && args[0].find('/') == std::string::npos && fs::exists(m_tree + "/" + args[0]))
        args[0] = m_tree + "/" + args[0]; // a program of the tree before one of the system
    pid_t pid = Spawn(args, environment(extra), out, m_scratch);
    Ran ran;
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (Clock::now() >= end) {
            int p = pid;
            Stop(p);
            ran.out = read("../run.out") + "\n(killed after " + std::to_string(ms) + " ms)";
            return ran;
        }
        Sleep(20);
    }
    if (WIFEXITED(status)) ran.status = WEXITSTATUS(status);
    ran.out = read("../run.out");
    return ran;
}

void Session::spawn(const std::string& name, const std::vector<std::string>& argv,
                    const std::vector<std::string>& extra) {
    stop(name);
    m_programs[name] = Spawn(argv, environment(extra), m_scratch + "/" + name + ".log", m_scratch);
}

void Session::stop(const std::string& name) {
    const auto it = m_programs.find(name);
    if (it == m_programs.end()) return;
    Stop(it->second);
    m_programs.erase(it);
}

bool Session::alive(const std::string& name) {
    const auto it = m_programs.find(name);
    if (it == m_programs.end()) return false;
    int status = 0;
    return waitpid(it->second, &status, WNOHANG) == 0;
}

std::vector<std::string> Session::environment(const std::vector<std::string>& extra) const {
    std::vector<std::string> env = {
        "PATH=" + m_scratch + "/bin:/usr/local/bin:/usr/bin:/bin",
        "HOME=" + m_home,
        "XDG_CONFIG_HOME=" + m_home + "/.config",
        "XDG_DATA_HOME=" + m_home + "/.local/share",
        "XDG_CACHE_HOME=" + m_home + "/.cache",
        "XDG_RUNTIME_DIR=" + m_scratch + "/runtime",
        "XDG_SESSION_TYPE=" + m_options.sessionType,
        "LANG=" + m_options.lang,
        "QT_QPA_PLATFORM=xcb",
    };
    if (m_display >= 0) env.push_back("DISPLAY=:" + std::to_string(m_display));
    if (!m_busAddress.empty()) env.push_back("DBUS_SESSION_BUS_ADDRESS=" + m_busAddress);
    if (m_options.scale != 1.0) env.push_back("QT_SCALE_FACTOR=" + std::to_string(m_options.scale));
    // Later entries replace earlier ones of the same name.
    for (const auto* more : {&m_options.environment, &extra})
        for (const std::string& entry : *more) {
            const std::string name = entry.substr(0, entry.find('=') + 1);
            std::erase_if(env, [&](const std::string& e) { return e.starts_with(name); });
            env.push_back(entry);
        }
    return env;
}

void Session::startServer() {
    int fds[2];
    if (pipe(fds) != 0) throw std::runtime_error("pipe failed");
    const std::string screen =
        std::to_string(m_options.screenWidth) + "x" + std::to_string(m_options.screenHeight) + "x24";
    m_xvfb = Spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", screen, "-nolisten", "tcp",
                    "-noreset"},
                   environment(), m_scratch + "/xvfb.log", {}, fds[1]);
    close(fds[1]);
    const std::string number = ReadLine(fds[0], 15000);
    close(fds[0]);
    if (number.empty()) throw std::runtime_error("Xvfb did not start (see " + m_scratch + "/xvfb.log)");
    m_display = std::stoi(number);
    const std::string name = ":" + number;
    m_dpy = XOpenDisplay(name.c_str());
    if (!m_dpy) throw std::runtime_error("cannot open the private display " + name);
    XSetErrorHandler(IgnoreErrors);
    int ev, err, major, minor;
    if (!XTestQueryExtension(m_dpy, &ev, &err, &major, &minor)) throw std::runtime_error("Xvfb has no XTest");
}

void Session::startBus() {
    int fds[2];
    if (pipe(fds) != 0) throw std::runtime_error("pipe failed");
    m_bus = Spawn(
        {"dbus-daemon", "--session", "--nofork", "--nopidfile", "--print-address=" + std::to_string(fds[1])},
        environment(), m_scratch + "/dbus.log", {}, fds[1]);
    close(fds[1]);
    m_busAddress = ReadLine(fds[0], 10000);
    close(fds[0]);
    if (m_busAddress.empty()) throw std::runtime_error("dbus-daemon did not start");
}

void Session::startWindowManager() {
    m_wm = Spawn({"openbox", "--sm-disable"}, environment(), m_scratch + "/wm.log");
    const Atom check = XInternAtom(m_dpy, "_NET_SUPPORTING_WM_CHECK", False);
    const bool up = waitFor(
        [&] {
            Atom type;
            int format;
            unsigned long count, after;
            unsigned char* data = nullptr;
            const bool has =
                XGetWindowProperty(m_dpy, DefaultRootWindow(m_dpy), check, 0, 1, False, XA_WINDOW, &type,
                                   &format, &count, &after, &data) == Success &&
                data && count == 1;
            if (data) XFree(data);
            return has;
        },
        10000);
    if (!up) throw std::runtime_error("the window manager did not start (see " + m_scratch + "/wm.log)");
}

void Session::start() {
    step("start");
    std::string program = m_options.program.empty() ? m_tree + "/nodo" : m_options.program;
    if (program.find('/') == std::string::npos) program = m_tree + "/" + program;
    m_app = Spawn({program}, environment(), m_scratch + "/nodo.log", m_scratch);
    m_main = waitMain(15000);
    pause(300); // the first paint
}

bool Session::running() {
    if (m_app <= 0) return false;
    int status = 0;
    if (waitpid(m_app, &status, WNOHANG) == m_app) {
        m_app = -1;
        return false;
    }
    return true;
}

bool Session::waitExit(int ms) {
    return waitFor([&] { return !running(); }, ms);
}

std::string Session::log() const {
    return read("../nodo.log");
}

std::string Session::path(const std::string& rel) const {
    return m_tree + "/" + rel;
}
bool Session::exists(const std::string& rel) const {
    return fs::exists(path(rel));
}

std::string Session::read(const std::string& rel) const {
    std::ifstream in(path(rel), std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::vector<std::string> Session::lines(const std::string& rel) const {
    std::vector<std::string> out;
    const std::string text = read(rel);
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            out.push_back(text.substr(start));
            break;
        }
        out.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return out;
}

void Session::write(const std::string& rel, const std::string& bytes) const {
    fs::create_directories(fs::path(path(rel)).parent_path());
    std::ofstream(path(rel), std::ios::binary) << bytes;
}

std::vector<std::string> Session::opened() const {
    std::vector<std::string> out;
    std::ifstream in(m_scratch + "/opened.log");
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

std::vector<Window> Session::windows(const std::string& title) {
    std::vector<Window> out;
    XSync(m_dpy, False);
    Collect(m_dpy, DefaultRootWindow(m_dpy), title, out);
    return out;
}

std::optional<Window> Session::waitWindow(const std::string& title, int ms) {
    std::optional<Window> found;
    waitFor(
        [&] {
            const auto all = windows(title);
            if (!all.empty()) found = all.front();
            return found.has_value();
        },
        ms);
    if (found) pause(250); // let it paint before it is read or clicked
    return found;
}

bool Session::waitGone(const std::string& title, int ms) {
    return waitFor([&] { return windows(title).empty(); }, ms);
}

Window Session::waitMain(int ms) {
    Window best;
    waitFor(
        [&] {
            for (const Window& w : windows(m_options.mainTitle))
                if (long(w.rect.w) * w.rect.h > long(best.rect.w) * best.rect.h) best = w;
            return best.id != 0;
        },
        ms);
    if (best.id == 0) throw std::runtime_error("the main window did not appear; the program said:\n" + log());
    return best;
}

long Session::wmState(unsigned long window) {
    const Atom wmState = XInternAtom(m_dpy, "WM_STATE", False);
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    long state = -1;
    if (XGetWindowProperty(m_dpy, window, wmState, 0, 2, False, wmState, &type, &format, &count, &after,
                           &data) == Success &&
        data && count >= 1)
        state = reinterpret_cast<long*>(data)[0];
    if (data) XFree(data);
    return state;
}

void Session::iconify(unsigned long window) {
    XIconifyWindow(m_dpy, window, DefaultScreen(m_dpy));
    sync();
}

unsigned long Session::activeWindow() {
    const Atom active = XInternAtom(m_dpy, "_NET_ACTIVE_WINDOW", False);
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    unsigned long w = 0;
    if (XGetWindowProperty(m_dpy, DefaultRootWindow(m_dpy), active, 0, 1, False, XA_WINDOW, &type, &format,
                           &count, &after, &data) == Success &&
        data && count == 1)
        w = reinterpret_cast<unsigned long*>(data)[0];
    if (data) XFree(data);
    return w;
}

unsigned long Session::focusWindow() {
    ::Window w = 0;
    int revert = 0;
    XGetInputFocus(m_dpy, &w, &revert);
    return w;
}

void Session::sync() {
    XSync(m_dpy, False);
}

void Session::moveTo(Point p) {
    ::Window root, child;
    int rx = 0, ry = 0, wx, wy;
    unsigned int mask;
    XQueryPointer(m_dpy, DefaultRootWindow(m_dpy), &root, &child, &rx, &ry, &wx, &wy, &mask);
    // A hand moves through the points between, so enter and leave events happen on the way.
    constexpr int kSteps = 8;
    for (int i = 1; i <= kSteps; ++i) {
        XTestFakeMotionEvent(m_dpy, -1, rx + (p.x - rx) * i / kSteps, ry + (p.y - ry) * i / kSteps,
                             CurrentTime);
        sync();
        Sleep(12);
    }
    Sleep(60);
}

void Session::press(int button) {
    XTestFakeButtonEvent(m_dpy, button, True, CurrentTime);
    sync();
    Sleep(90);
}

void Session::release(int button) {
    XTestFakeButtonEvent(m_dpy, button, False, CurrentTime);
    sync();
    Sleep(150);
}

void Session::click(Point p, int button) {
    moveTo(p);
    press(button);
    release(button);
}

void Session::drag(Point from, Point to, int button) {
    moveTo(from);
    press(button);
    moveTo(to);
    release(button);
}

void Session::key(const std::string& keysym) {
    // "Control_L+q": the modifier is held while the key goes down and up.
    if (const auto plus = keysym.find('+');
        plus != std::string::npos && plus > 0 && plus + 1 < keysym.size()) {
        const KeyCode mod = XKeysymToKeycode(m_dpy, XStringToKeysym(keysym.substr(0, plus).c_str()));
        if (!mod) throw std::runtime_error("no key for " + keysym.substr(0, plus));
        XTestFakeKeyEvent(m_dpy, mod, True, CurrentTime);
        sync();
        Sleep(30);
        key(keysym.substr(plus + 1));
        XTestFakeKeyEvent(m_dpy, mod, False, CurrentTime);
        sync();
        Sleep(40);
        return;
    }
    const KeySym sym = XStringToKeysym(keysym.c_str());
    const KeyCode code = XKeysymToKeycode(m_dpy, sym);
    if (!code) throw std::runtime_error("no key for " + keysym);
    const bool shift = XkbKeycodeToKeysym(m_dpy, code, 0, 0) != sym;
    const KeyCode shiftCode = XKeysymToKeycode(m_dpy, XK_Shift_L);
    if (shift) XTestFakeKeyEvent(m_dpy, shiftCode, True, CurrentTime);
    XTestFakeKeyEvent(m_dpy, code, True, CurrentTime);
    sync();
    Sleep(30);
    XTestFakeKeyEvent(m_dpy, code, False, CurrentTime);
    if (shift) XTestFakeKeyEvent(m_dpy, shiftCode, False, CurrentTime);
    sync();
    Sleep(40);
}

void Session::type(const std::string& text) {
    static const std::map<char, std::string> kNames = {{'/', "slash"},      {'.', "period"}, {'-', "minus"},
                                                       {'_', "underscore"}, {' ', "space"},  {':', "colon"},
                                                       {'~', "asciitilde"}};
    for (char c : text) {
        const auto named = kNames.find(c);
        key(named != kNames.end() ? named->second : std::string(1, c));
    }
}

Rgb Session::pixel(Point p) {
    sync();
    Rgb c;
    if (XImage* img = XGetImage(m_dpy, DefaultRootWindow(m_dpy), p.x, p.y, 1, 1, AllPlanes, ZPixmap)) {
        const unsigned long v = XGetPixel(img, 0, 0);
        Visual* vis = DefaultVisual(m_dpy, DefaultScreen(m_dpy));
        c = {Channel(v, vis->red_mask), Channel(v, vis->green_mask), Channel(v, vis->blue_mask)};
        XDestroyImage(img);
    }
    return c;
}

std::vector<Rgb> Session::pixels(Rect r) {
    sync();
    std::vector<Rgb> out;
    if (XImage* img = XGetImage(m_dpy, DefaultRootWindow(m_dpy), r.x, r.y, r.w, r.h, AllPlanes, ZPixmap)) {
        Visual* vis = DefaultVisual(m_dpy, DefaultScreen(m_dpy));
        for (int y = 0; y < r.h; ++y)
            for (int x = 0; x < r.w; ++x) {
                const unsigned long v = XGetPixel(img, x, y);
                out.push_back(
                    {Channel(v, vis->red_mask), Channel(v, vis->green_mask), Channel(v, vis->blue_mask)});
            }
        XDestroyImage(img);
    }
    return out;
}

std::vector<std::uint8_t> Session::grab() {
    const int w = m_options.screenWidth, h = m_options.screenHeight;
    std::vector<std::uint8_t> rgb;
    sync();
    XImage* img = XGetImage(m_dpy, DefaultRootWindow(m_dpy), 0, 0, w, h, AllPlanes, ZPixmap);
    if (!img) return rgb;
    Visual* vis = DefaultVisual(m_dpy, DefaultScreen(m_dpy));
    rgb.reserve(std::size_t(w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const unsigned long v = XGetPixel(img, x, y);
            rgb.push_back(std::uint8_t(Channel(v, vis->red_mask)));
            rgb.push_back(std::uint8_t(Channel(v, vis->green_mask)));
            rgb.push_back(std::uint8_t(Channel(v, vis->blue_mask)));
        }
    XDestroyImage(img);
    return rgb;
}

bool Session::waitFor(const std::function<bool()>& condition, int ms) {
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    while (true) {
        if (condition()) return true;
        if (Clock::now() >= end) return false;
        Sleep(50);
    }
}

void Session::pause(int ms) {
    Sleep(ms);
}

bool Session::check(bool ok, const std::string& what) {
    if (ok) return true;
    m_failed = true;
    const std::string shot = screenshot(m_step);
    ADD_FAILURE() << m_name << ", at step \"" << m_step << "\": " << what << "\n  screen: " << shot
                  << "\n  the program said:\n"
                  << log();
    return false;
}

std::string Session::screenshot(const std::string& label) {
    const int w = m_options.screenWidth, h = m_options.screenHeight;
    nodo::pic::Bitmap bmp(w, h, 24);
    if (m_screenReader) {
        // A compositor's own screen: RGB rows, top-down.
        const std::vector<std::uint8_t> rgb = m_screenReader();
        if (rgb.size() != std::size_t(w) * std::size_t(h) * 3) return "(no screenshot)";
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const std::uint8_t* p = &rgb[(std::size_t(y) * std::size_t(w) + std::size_t(x)) * 3];
                std::uint8_t* q = bmp.row(y) + std::ptrdiff_t(3) * x;
                q[0] = p[2];
                q[1] = p[1];
                q[2] = p[0];
            }
        return saveShot(bmp, label);
    }
    XImage* img = XGetImage(m_dpy, DefaultRootWindow(m_dpy), 0, 0, w, h, AllPlanes, ZPixmap);
    if (!img) return "(no screenshot)";
    Visual* vis = DefaultVisual(m_dpy, DefaultScreen(m_dpy));
    for (int y = 0; y < h; ++y) {
        std::uint8_t* row = bmp.row(y);
        for (int x = 0; x < w; ++x) {
            const unsigned long v = XGetPixel(img, x, y);
            std::uint8_t* q = row + std::ptrdiff_t{3} * x;
            q[0] = std::uint8_t(Channel(v, vis->blue_mask));
            q[1] = std::uint8_t(Channel(v, vis->green_mask));
            q[2] = std::uint8_t(Channel(v, vis->red_mask));
        }
    }
    XDestroyImage(img);
    return saveShot(bmp, label);
}

std::string Session::saveShot(const nodo::pic::Bitmap& bmp, const std::string& label) const {
    const fs::path dir = fs::path(NODO_E2E_SHOTS);
    fs::create_directories(dir);
    const fs::path file = dir / (Sanitise(m_name) + "--" + Sanitise(label) + ".png");
    nodo::pic::WriteWholeFile(file, nodo::pic::EncodePng(bmp));
    return file.string();
}

} // namespace e2e
