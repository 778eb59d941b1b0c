#pragma once
// nodo-cli sub-commands register themselves here; main() dispatches on the first argument.
#include <functional>
#include <string>
#include <vector>

namespace nodo::cli {

using CommandFn = std::function<int(const std::vector<std::string>& args)>;

struct Command {
    std::string name;
    std::string usage; // one line, shown by `nodo-cli help`
    CommandFn run;
};

std::vector<Command>& commands();

struct Registrar {
    Registrar(std::string name, std::string usage, CommandFn fn) {
        commands().push_back({std::move(name), std::move(usage), std::move(fn)});
    }
};

} // namespace nodo::cli
