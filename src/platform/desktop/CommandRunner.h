#pragma once
// Helper programs (gsettings, dbus-send, xfconf-query, ...) are run through this interface so that
// tests can record the exact argument vectors and script the answers.
#include <chrono>
#include <string>
#include <vector>

namespace nodo::desktop {

struct Command {
    Command() = default;
    Command(std::string program_, std::vector<std::string> args_,
            std::chrono::milliseconds timeout_ = std::chrono::milliseconds(10000),
            std::vector<std::string> environment_ = {})
        : program(std::move(program_)), args(std::move(args_)), timeout(timeout_),
          environment(std::move(environment_)) {}

    std::string program;           // looked up in PATH
    std::vector<std::string> args; // without the program name; passed as they are, no shell
    std::chrono::milliseconds timeout{10000};
    // "NAME=value" entries put into the inherited environment, replacing a variable of that name.
    std::vector<std::string> environment;

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

// Hands every command to another runner with extra environment entries (a session bus found for a
// program that was started outside the session).
class EnvironmentRunner : public CommandRunner {
public:
    EnvironmentRunner(CommandRunner& inner, std::vector<std::string> environment)
        : m_inner(inner), m_environment(std::move(environment)) {}
    CommandResult run(const Command& command) override;

private:
    CommandRunner& m_inner;
    std::vector<std::string> m_environment;
};

// The inherited environment with `extra` ("NAME=value") put in.
std::vector<std::string> MergeEnvironment(char** inherited, const std::vector<std::string>& extra);

// One line saying what went wrong ("gsettings set ...: exit status 1: No such key"), for error texts.
std::string DescribeFailure(const Command& command, const CommandResult& result);
// The command as one might type it (for messages only; never handed to a shell).
std::string CommandLine(const Command& command);

} // namespace nodo::desktop
