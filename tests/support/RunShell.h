#pragma once
// Runs a shell command and gives what it wrote to its standard output, and its exit status.
#include <array>
#include <cstdio>
#include <string>
#include <sys/wait.h>

namespace nodo::testing {

struct ShellRun {
    int status = -1; // -1 when it could not be run or did not exit
    std::string out;
};

inline ShellRun RunShell(const std::string& command) {
    ShellRun r;
    FILE* p = ::popen(command.c_str(), "r");
    if (!p) return r;
    std::array<char, 65536> buf{};
    while (std::size_t n = std::fread(buf.data(), 1, buf.size(), p))
        r.out.append(buf.data(), n);
    const int st = ::pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

} // namespace nodo::testing
