// From launch to the main window on screen, against a bare Qt window with a text view, started
// alternately on a private X server of our own (the first start of each is not counted: it fills
// the caches). Also the anonymous memory of each once its window is up. Prints medians and their
// ratio; exits 1 when the X server or a program cannot be started.
#include "support/PrivateX.h"

#include <X11/Xlib.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <regex>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using nodo::bench::Median;
using nodo::bench::PrivateX;

namespace {

using Clock = std::chrono::steady_clock;
constexpr const char* kName = "LaunchToMainWindow";

struct Start {
    double seconds = -1;  // launch to the first top-level window mapped; -1 when none came
    long anonymousKb = 0; // RssAnon once the window is up
};

long AnonymousKb(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(in, line);)
        if (line.rfind("RssAnon:", 0) == 0) return std::strtol(line.c_str() + 8, nullptr, 10);
    return 0;
}

// Starts `program` with the session's display and folders and waits, on our own connection, for
// a window of the screen's root to be mapped.
Start Launch(Display* dpy, const std::string& program, const std::vector<std::string>& env) {
    Start s;
    while (XPending(dpy) > 0) {
        XEvent e;
        XNextEvent(dpy, &e);
    }
    const auto t0 = Clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        for (const std::string& v : env)
            ::putenv(const_cast<char*>(v.c_str()));
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    if (pid < 0) return s;
    const int fd = ConnectionNumber(dpy);
    while (s.seconds < 0 && Clock::now() - t0 < std::chrono::seconds(20)) {
        while (s.seconds < 0 && XPending(dpy) > 0) {
            XEvent e;
            XNextEvent(dpy, &e);
            if (e.type == MapNotify) s.seconds = std::chrono::duration<double>(Clock::now() - t0).count();
        }
        pollfd p{fd, POLLIN, 0};
        if (s.seconds < 0) ::poll(&p, 1, 50);
    }
    if (s.seconds >= 0) {
        // What the program holds once it has drawn and settled.
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        s.anonymousKb = AnonymousKb(pid);
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    return s;
}

// Run with the other benchmarks it takes their arguments: a --benchmark_filter that leaves it out
// skips it, and --benchmark_list_tests names it without running it.
bool Wanted(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--benchmark_list_tests" || a == "--benchmark_list_tests=true") {
            std::printf("%s\n", kName);
            return false;
        }
        if (a.rfind("--benchmark_filter=", 0) == 0) return std::regex_search(kName, std::regex(a.substr(19)));
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (!Wanted(argc, argv)) return 0;
    constexpr int kPairs = 7;
    const nodo::bench::ScratchFolder scratch("nodo-bench-launch");
    const fs::path& root = scratch.path;
    // The program runs from a copy of the built application folder, its data as a user's would be.
    fs::create_directories(root / "home");
    fs::copy(NODO_APP_DIR, root / "app", fs::copy_options::recursive);
    PrivateX x(root / "xvfb.log");
    if (x.display.empty()) {
        std::fprintf(stderr, "launch_bench: cannot start a private X server: %s\n", x.error.c_str());
        return 1;
    }
    Display* dpy = XOpenDisplay(x.display.c_str());
    if (!dpy) {
        std::fprintf(stderr, "launch_bench: cannot open %s\n", x.display.c_str());
        return 1;
    }
    XSelectInput(dpy, DefaultRootWindow(dpy), SubstructureNotifyMask);
    XSync(dpy, False);
    const std::vector<std::string> env = {"DISPLAY=" + x.display,
                                          "HOME=" + (root / "home").string(),
                                          "XDG_CONFIG_HOME=" + (root / "home/.config").string(),
                                          "XDG_CACHE_HOME=" + (root / "home/.cache").string(),
                                          "XDG_DATA_HOME=" + (root / "home/.local/share").string(),
                                          "QT_QPA_PLATFORM=xcb"};
    const std::string programs[2] = {(root / "app/nodo").string(), NODO_BARE_WINDOW};
    const char* names[2] = {"nodo, launch to main window mapped", "bare Qt window with a text view"};

    std::vector<double> seconds[2];
    std::vector<double> kb[2];
    for (int i = 0; i <= kPairs; ++i)
        for (int k = 0; k < 2; ++k) {
            const Start s = Launch(dpy, programs[k], env);
            if (s.seconds < 0) {
                std::fprintf(stderr, "launch_bench: %s showed no window within 20 s\n", programs[k].c_str());
                XCloseDisplay(dpy);
                return 1;
            }
            if (i == 0) continue; // the first start fills the caches
            seconds[k].push_back(s.seconds);
            kb[k].push_back(static_cast<double>(s.anonymousKb));
        }
    XCloseDisplay(dpy);
    std::printf("Launch, %d alternating pairs after one start each:\n", kPairs);
    for (int k = 0; k < 2; ++k)
        std::printf("%-40s median %7.1f ms   fastest %7.1f ms   anonymous memory %6.1f MB\n", names[k],
                    Median(seconds[k]) * 1000, *std::min_element(seconds[k].begin(), seconds[k].end()) * 1000,
                    Median(kb[k]) / 1024);
    std::printf("nodo / bare Qt window = %.2f (launch, median), %.2f (anonymous memory)\n",
                Median(seconds[0]) / Median(seconds[1]), Median(kb[0]) / Median(kb[1]));
    return 0;
}
