#pragma once
// What the whole-process benchmarks share: a scratch folder, a bare X server of their own and the
// median of a run.
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace nodo::bench {

namespace fs = std::filesystem;

// A folder of the benchmark's own under the temporary folder, removed with all it holds at the end.
struct ScratchFolder {
    explicit ScratchFolder(const std::string& name)
        : path(fs::temp_directory_path() / (name + "-" + std::to_string(::getpid()))) {
        fs::create_directories(path);
    }
    ~ScratchFolder() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    fs::path path;
};

inline std::string ReadText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// A bare X server of our own, nobody's desktop. As the test runner does, the server picks a free
// display itself and writes its number to a pipe (-displayfd); a server that gives no number within
// 15 s, or exits, has failed and `error` says why.
struct PrivateX {
    explicit PrivateX(const fs::path& log) {
        // Several servers starting at once may race for one display; a second try picks another.
        for (int attempt = 0; attempt < 3 && display.empty(); ++attempt)
            start(log);
    }
    ~PrivateX() { stop(); }

    void start(const fs::path& log) {
        int fds[2];
        if (::pipe(fds) != 0) {
            error = std::string("pipe: ") + std::strerror(errno);
            return;
        }
        pid = ::fork();
        if (pid == 0) {
            ::close(fds[0]);
            const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (out >= 0) {
                ::dup2(out, 1);
                ::dup2(out, 2);
            }
            const std::string fd = std::to_string(fds[1]);
            ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1920x1080x24", "-nolisten",
                     "tcp", "-noreset", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        if (pid < 0) {
            ::close(fds[0]);
            error = std::string("fork: ") + std::strerror(errno);
            return;
        }
        std::string number;
        pollfd p{fds[0], POLLIN, 0};
        while (number.find('\n') == std::string::npos && ::poll(&p, 1, 15000) > 0) {
            char buf[16];
            const ssize_t n = ::read(fds[0], buf, sizeof buf);
            if (n <= 0) break; // the server closed the pipe: it has ended
            number.append(buf, static_cast<std::size_t>(n));
        }
        ::close(fds[0]);
        while (!number.empty() && (number.back() == '\n' || number.back() == ' '))
            number.pop_back();
        if (!number.empty() && number.find_first_not_of("0123456789") == std::string::npos) {
            display = ":" + number;
            return;
        }
        stop();
        error = "Xvfb gave no display number: " + ReadText(log);
    }
    void stop() {
        if (pid > 0) {
            ::kill(pid, SIGTERM);
            ::waitpid(pid, nullptr, 0);
        }
        pid = -1;
    }
    pid_t pid = -1;
    std::string display, error;
};

inline double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

} // namespace nodo::bench
