#pragma once
// One end-to-end session: a private X server (with or without a window manager), a private D-Bus,
// HOME and XDG folders, a fresh copy of the installation tree, and the real `nodo` started in it.
// Everything a scenario does to the program goes through XTest, as a person's pointer and keys do;
// what it learns comes from the screen and from the files.
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

typedef struct _XDisplay Display;

namespace nodo::pic {
class Bitmap;
}

namespace e2e {

struct Point {
    int x = 0, y = 0;
    Point operator+(Point o) const { return {x + o.x, y + o.y}; }
};

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
    Point at(int dx, int dy) const { return {x + dx, y + dy}; }
    Point centre() const { return {x + w / 2, y + h / 2}; }
    bool inside(const Rect& screen) const {
        return x >= screen.x && y >= screen.y && x + w <= screen.x + screen.w && y + h <= screen.y + screen.h;
    }
};

struct Rgb {
    int r = 0, g = 0, b = 0;
    bool near(Rgb o, int tolerance) const {
        return std::abs(r - o.r) <= tolerance && std::abs(g - o.g) <= tolerance &&
               std::abs(b - o.b) <= tolerance;
    }
};

struct Window {
    unsigned long id = 0;
    Rect rect; // on the screen, in device pixels
    Point at(int dx, int dy) const { return rect.at(dx, dy); }
};

struct Options {
    bool windowManager = false;
    int screenWidth = 1366, screenHeight = 768;
    double scale = 1.0; // QT_SCALE_FACTOR for the program
    std::string lang = "C.UTF-8";
    std::map<std::string, std::string> files; // relative path in the tree -> bytes, before the start
    std::string program;                      // what start() runs: the installed nodo when empty; a bare
                                              // name ("nodo-calendar") is a program of the tree
    std::string mainTitle = "Nodo助手";       // the title of the window start() waits for
    std::string sessionType = "x11";          // XDG_SESSION_TYPE for the program
    std::vector<std::string> environment;     // more "NAME=value" entries for everything started
};

// What a program run to its end did.
struct Ran {
    int status = -1; // exit status, -1 when it did not end normally
    std::string out; // standard output and error together
};

class Session {
public:
    Session(std::string name, Options options);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // The program.
    void start(); // starts the program and waits for its main window
    Window main() const { return m_main; }
    bool running();
    bool waitExit(int ms = 8000); // true when the program has ended
    std::string log() const;      // what the program printed

    // Folders and files.
    std::string tree() const { return m_tree; } // the application folder
    std::string scratch() const { return m_scratch; }
    std::string path(const std::string& rel) const;
    bool exists(const std::string& rel) const;
    std::string read(const std::string& rel) const;
    std::vector<std::string> lines(const std::string& rel) const; // CR LF lines
    void write(const std::string& rel, const std::string& bytes) const;
    std::vector<std::string> opened() const;                // what reached xdg-open, one line a call
    std::string busAddress() const { return m_busAddress; } // the session's private D-Bus
    std::string home() const { return m_home; }

    // Other programs of the session (a program of the tree by its bare name, or a desktop's own),
    // with its environment and `extra` entries.
    // run() waits for the end (killed after `ms`); spawn() starts one in the background under a
    // name, its output in the session's folder as NAME.log; stop() ends it and what it started.
    Ran run(const std::vector<std::string>& argv, const std::vector<std::string>& extra = {}, int ms = 60000);
    void spawn(const std::string& name, const std::vector<std::string>& argv,
               const std::vector<std::string>& extra = {});
    void stop(const std::string& name);
    bool alive(const std::string& name);
    bool spawned(const std::string& name) const { return m_programs.contains(name); }
    // Everything ends: the program, the session's other programs, the window manager, the bus and
    // the X server, as at a log-out; login() brings up a new server and bus over the same home.
    void logout();
    void login();

    // Windows on the screen.
    std::vector<Window> windows(const std::string& title);
    std::optional<Window> waitWindow(const std::string& title, int ms = 8000);
    bool waitGone(const std::string& title, int ms = 8000);
    Window waitMain(int ms = 8000);     // the largest window with the main title
    long wmState(unsigned long window); // ICCCM WM_STATE: 1 normal, 3 iconic, -1 none
    void iconify(unsigned long window); // asks the window manager to iconify it, as its button does
    unsigned long activeWindow();       // the window manager's _NET_ACTIVE_WINDOW, 0 when none
    unsigned long focusWindow();        // the X server's input focus
    Rect screen() const { return {0, 0, m_options.screenWidth, m_options.screenHeight}; }

    // Input, at a person's pace.
    void moveTo(Point p);
    void press(int button = 1);
    void release(int button = 1);
    void click(Point p, int button = 1);
    void drag(Point from, Point to, int button = 1);
    void key(const std::string& keysym); // "Return", "Escape", "Down", "space", "Control_L+q" ...
    void type(const std::string& text);  // ASCII

    // The screen.
    Rgb pixel(Point p);
    std::vector<Rgb> pixels(Rect r);  // row by row
    std::vector<std::uint8_t> grab(); // the whole screen, RGB rows top-down
    bool waitFor(const std::function<bool()>& condition, int ms = 8000);
    void pause(int ms);

    // The step a failure is reported at; a failed check saves the screen under the build folder.
    void step(std::string what) { m_step = std::move(what); }
    bool check(bool ok, const std::string& what);
    std::string screenshot(const std::string& label);
    // Where the screen is a compositor's own (sway, GNOME), the screenshot is read its way: RGB rows
    // top-down, empty when it cannot be read.
    void setScreenReader(std::function<std::vector<std::uint8_t>()> reader) {
        m_screenReader = std::move(reader);
    }

private:
    std::string saveShot(const nodo::pic::Bitmap& bmp, const std::string& label) const;
    void startServer();
    void startWindowManager();
    void startBus();
    void layTree();
    std::vector<std::string> environment(const std::vector<std::string>& extra = {}) const;
    void sync();

    std::string m_name;
    Options m_options;
    std::string m_scratch, m_tree, m_home;
    std::string m_step = "start";
    Display* m_dpy = nullptr;
    int m_display = -1;
    int m_xvfb = -1, m_wm = -1, m_bus = -1, m_app = -1;
    std::map<std::string, int> m_programs;
    std::function<std::vector<std::uint8_t>()> m_screenReader;
    std::string m_busAddress;
    Window m_main;
    bool m_failed = false;
};

} // namespace e2e
