#include "platform/desktop/CommandRunner.h"

#include "log/Log.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <string_view>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace nodo::desktop {

namespace {

constexpr std::size_t kMaxCaptured = 1 << 20;
// A program may leave a daemon behind that keeps our pipes open; after the program itself has exited
// its output is drained only this long.
constexpr auto kDrainAfterExit = std::chrono::milliseconds(200);

struct Fd {
    int fd = -1;
    Fd() = default;
    explicit Fd(int f) : fd(f) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { reset(); }
    void reset() {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
};

bool makePipe(Fd& readEnd, Fd& writeEnd) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return false;
    readEnd.fd = fds[0];
    writeEnd.fd = fds[1];
    return true;
}

int decodeStatus(int status) {
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

CommandResult PosixCommandRunner::run(const Command& command) {
    CommandResult result;
    Fd outRead, outWrite, errRead, errWrite;
    if (!makePipe(outRead, outWrite) || !makePipe(errRead, errWrite)) {
        result.startError = std::string("cannot create a pipe: ") + std::strerror(errno);
        return result;
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outWrite.fd, 1);
    posix_spawn_file_actions_adddup2(&actions, errWrite.fd, 2);

    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGCHLD);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(command.program.c_str()));
    for (const auto& a : command.args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    std::vector<std::string> merged;
    std::vector<char*> envp;
    if (!command.environment.empty()) {
        merged = MergeEnvironment(environ, command.environment);
        for (auto& e : merged)
            envp.push_back(e.data());
        envp.push_back(nullptr);
    }

    pid_t pid = -1;
    const int rc = ::posix_spawnp(&pid, command.program.c_str(), &actions, &attr, argv.data(),
                                  envp.empty() ? environ : envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    outWrite.reset();
    errWrite.reset();
    if (rc != 0) {
        result.startError = "cannot run " + command.program + ": " + std::strerror(rc);
        return result;
    }
    result.started = true;

    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + command.timeout;
    std::optional<Clock::time_point> exitedAt;
    int status = 0;
    bool reaped = false;
    char buffer[8192];

    auto reap = [&](int flags) {
        if (reaped) return;
        pid_t r;
        do {
            r = ::waitpid(pid, &status, flags);
        } while (r < 0 && errno == EINTR);
        if (r == pid || (r < 0 && errno == ECHILD)) {
            reaped = true;
            if (r < 0) status = 0; // SIGCHLD ignored by the program: the status is lost
            exitedAt = Clock::now();
        }
    };

    while (outRead.fd >= 0 || errRead.fd >= 0) {
        const auto now = Clock::now();
        if (now >= deadline) break;
        if (exitedAt && now - *exitedAt >= kDrainAfterExit) break;
        pollfd fds[2];
        nfds_t n = 0;
        for (Fd* f : {&outRead, &errRead})
            if (f->fd >= 0) fds[n++] = pollfd{f->fd, POLLIN, 0};
        const int r = ::poll(fds, n, 50);
        if (r < 0 && errno != EINTR) break;
        for (nfds_t i = 0; i < n && r > 0; ++i) {
            if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            Fd& f = fds[i].fd == outRead.fd ? outRead : errRead;
            std::string& sink = &f == &outRead ? result.out : result.err;
            const ssize_t got = ::read(f.fd, buffer, sizeof buffer);
            if (got > 0) {
                if (sink.size() < kMaxCaptured)
                    sink.append(buffer, std::min<std::size_t>(got, kMaxCaptured - sink.size()));
            } else if (got == 0 || errno != EINTR) {
                f.reset();
            }
        }
        reap(WNOHANG);
    }

    if (!reaped) {
        // Either the deadline passed or only the pipes were left: wait out the rest of the time.
        while (!reaped && Clock::now() < deadline) {
            reap(WNOHANG);
            if (!reaped) ::usleep(10000);
        }
        if (!reaped) {
            ::kill(-pid, SIGKILL);
            reap(0);
            result.timedOut = true;
        }
    }
    result.exitStatus = decodeStatus(status);
    if (result.timedOut) result.exitStatus = -1;
    return result;
}

std::vector<std::string> MergeEnvironment(char** inherited, const std::vector<std::string>& extra) {
    auto nameOf = [](std::string_view entry) { return entry.substr(0, entry.find('=')); };
    std::vector<std::string> result;
    for (char** e = inherited; e && *e; ++e) {
        const std::string_view entry(*e);
        const bool replaced = std::any_of(extra.begin(), extra.end(),
                                          [&](const std::string& x) { return nameOf(x) == nameOf(entry); });
        if (!replaced) result.emplace_back(entry);
    }
    result.insert(result.end(), extra.begin(), extra.end());
    return result;
}

CommandResult EnvironmentRunner::run(const Command& command) {
    Command withEnv = command;
    withEnv.environment.insert(withEnv.environment.begin(), m_environment.begin(), m_environment.end());
    CommandResult result = m_inner.run(withEnv);
    // Every program a hand-over runs, and what it answered: what a bug report needs.
    if (result.ok())
        NODO_LOG("nodo.wallpaper") << "ran " << CommandLine(command);
    else
        NODO_LOG("nodo.wallpaper") << DescribeFailure(command, result);
    return result;
}

std::string CommandLine(const Command& command) {
    std::string line = command.program;
    for (const auto& a : command.args) {
        line += ' ';
        const bool plain = !a.empty() && a.find_first_of(" \t\n'\"\\$`*?;&|<>()") == std::string::npos;
        if (plain) {
            line += a;
        } else {
            line += '\'';
            for (char c : a)
                line += c == '\'' ? std::string("'\\''") : std::string(1, c);
            line += '\'';
        }
    }
    return line;
}

std::string DescribeFailure(const Command& command, const CommandResult& result) {
    if (!result.started)
        return result.startError.empty() ? command.program + ": could not be started" : result.startError;
    // Long arguments (a whole desktop script) are cut: the line is for a message.
    std::string text = CommandLine(command);
    if (text.size() > 120) text = text.substr(0, 117) + "...";
    if (result.timedOut)
        return text + ": no answer within " + std::to_string(command.timeout.count()) + " ms";
    text +=
        result.exitStatus < 0 ? ": killed by a signal" : ": exit status " + std::to_string(result.exitStatus);
    std::string detail = result.err.empty() ? result.out : result.err;
    const auto end = detail.find('\n');
    if (end != std::string::npos) detail.resize(end);
    if (!detail.empty()) text += ": " + detail;
    return text;
}

} // namespace nodo::desktop
