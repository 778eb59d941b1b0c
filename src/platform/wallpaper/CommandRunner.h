#pragma once
// Helper programs (gsettings, dbus-send, xfconf-query, ...) are run through this interface so that
// tests can record the exact argument vectors and script the answers.
#include <chrono>
#include <string>
#include <vector>

namespace nodo::desktop {

struct Command {
    std::string program;           // looked up in PATH
    std::vector<std::string> args; // without the program name; passed as they are, no shell
    std::chrono::milliseconds timeout{10000};

    friend bool operator==(const Command& a, const Command& b) {
        return a.program == b.program && a.args == b.args;
    }
};

struct CommandResult {
    bool started = false;  // false: the program could not be started (see startError)
    bool timedOut = false; // killed after the timeout
    int exitStatus = -1;   // the exit code of a normal exit, -1 when killed by a signal
    std::string out, err;  // captured output (each cut at 1 MiB)
    std::string startError;

    bool ok() const { return started && !timedOut && exitStatus == 0; }
};

class CommandRunner {
public:
    virtual ~CommandRunner() = default;
    virtual CommandResult run(const Command& command) = 0;
};

// The real runner: posix_spawnp with stdin on /dev/null and both outputs captured. The child gets a
// process group of its own so that a timeout kills whatever it started too.
class PosixCommandRunner : public CommandRunner {
public:
    CommandResult run(const Command& command) override;
};

// One line saying what went wrong ("gsettings set ...: exit status 1: No such key"), for error texts.
std::string DescribeFailure(const Command& command, const CommandResult& result);
// The command as one might type it (for messages only; never handed to a shell).
std::string CommandLine(const Command& command);

} // namespace nodo::desktop
