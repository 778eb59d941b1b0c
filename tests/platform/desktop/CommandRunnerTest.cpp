#include "platform/desktop/CommandRunner.h"

#include <gtest/gtest.h>

namespace nodo::desktop::test {
namespace {

using namespace std::chrono_literals;

struct RunCase {
    const char* name;
    Command command;
    bool started, timedOut;
    int status;
    std::string out, err;
};

class PosixCommandRunnerTest : public ::testing::TestWithParam<RunCase> {};

TEST_P(PosixCommandRunnerTest, RunsWithoutShell) {
    const RunCase& c = GetParam();
    PosixCommandRunner runner;
    const auto start = std::chrono::steady_clock::now();
    const CommandResult r = runner.run(c.command);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(r.started, c.started) << r.startError;
    EXPECT_EQ(r.timedOut, c.timedOut);
    EXPECT_EQ(r.exitStatus, c.status);
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(r.ok(), c.started && !c.timedOut && c.status == 0);
    EXPECT_LT(took, c.command.timeout + 2s);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PosixCommandRunnerTest,
    ::testing::Values(
        // Arguments arrive as they are: no word splitting, no expansion.
        RunCase{
            "args", {"printf", {"%s|", "a b", "$HOME", "'q'", "*"}}, true, false, 0, "a b|$HOME|'q'|*|", ""},
        RunCase{"stderr", {"sh", {"-c", "echo out; echo err >&2; exit 3"}}, true, false, 3, "out\n", "err\n"},
        RunCase{"stdin", {"cat", {}}, true, false, 0, "", ""}, // stdin is empty, not the terminal
        RunCase{"missing", {"nodo-no-such-program", {}}, false, false, -1, "", ""},
        RunCase{"timeout", {"sleep", {"10"}, 300ms}, true, true, -1, "", ""},
        RunCase{"environment",
                {"sh", {"-c", "echo \"$NODO_A|$HOME\""}, 10s, {"NODO_A=1", "HOME=/elsewhere"}},
                true,
                false,
                0,
                "1|/elsewhere\n",
                ""},
        RunCase{"signal", {"sh", {"-c", "kill -TERM $$"}}, true, false, -1, "", ""},
        // A daemon left behind holding the output open does not hold us up.
        RunCase{"daemon", {"sh", {"-c", "sleep 3 & echo started"}, 2s}, true, false, 0, "started\n", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PosixCommandRunner, TimeoutKillsWhatTheProgramStarted) {
    PosixCommandRunner runner;
    // The child of the shell would keep the pipe open for 30 s if it survived the timeout.
    const auto start = std::chrono::steady_clock::now();
    const CommandResult r = runner.run({"sh", {"-c", "sleep 30; echo late"}, 300ms});
    EXPECT_TRUE(r.timedOut);
    EXPECT_EQ(r.out, "");
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
}

TEST(PosixCommandRunner, LargeOutputIsCapped) {
    PosixCommandRunner runner;
    const CommandResult r = runner.run({"head", {"-c", "3000000", "/dev/zero"}});
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.out.size(), 1u << 20);
}

TEST(MergeEnvironment, ReplacesByNameAndAdds) {
    char a[] = "HOME=/root", b[] = "PATH=/bin", c[] = "HOMEDIR=/x";
    char* inherited[] = {a, b, c, nullptr};
    EXPECT_EQ(MergeEnvironment(inherited, {"HOME=/h", "NEW=1"}),
              (std::vector<std::string>{"PATH=/bin", "HOMEDIR=/x", "HOME=/h", "NEW=1"}));
    EXPECT_EQ(MergeEnvironment(nullptr, {"A=1"}), std::vector<std::string>{"A=1"});
}

TEST(DescribeFailure, SaysWhatFailed) {
    Command c{"gsettings", {"set", "org.x", "k", "v"}};
    CommandResult r;
    r.started = true;
    r.exitStatus = 1;
    r.err = "No such key \"k\"\nmore\n";
    EXPECT_EQ(DescribeFailure(c, r), "gsettings set org.x k v: exit status 1: No such key \"k\"");
    r.timedOut = true;
    EXPECT_EQ(DescribeFailure(c, r), "gsettings set org.x k v: no answer within 10000 ms");
    r = {};
    r.startError = "cannot run gsettings: No such file or directory";
    EXPECT_EQ(DescribeFailure(c, r), r.startError);
    EXPECT_EQ(CommandLine({"swaymsg", {"output", "*", "bg", "/a b/it's.png"}}),
              "swaymsg output '*' bg '/a b/it'\\''s.png'");
}

} // namespace
} // namespace nodo::desktop::test
