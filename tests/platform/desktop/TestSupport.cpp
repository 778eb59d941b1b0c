#include "TestSupport.h"

#include <cstdlib>
#include <stdexcept>

namespace nodo::desktop::test {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "nodo-wallpaper-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

CommandResult RecordingRunner::run(const Command& command) {
    calls.push_back(command);
    return answer ? answer(command) : Succeeded();
}

CommandResult Succeeded(std::string out) {
    CommandResult r;
    r.started = true;
    r.exitStatus = 0;
    r.out = std::move(out);
    return r;
}

CommandResult Failed(int status, std::string err) {
    CommandResult r;
    r.started = true;
    r.exitStatus = status;
    r.err = std::move(err);
    return r;
}

CommandResult FakeGSettings::operator()(const Command& c) {
    if (c.program != "gsettings" || c.args.empty()) return Failed(127, "unexpected command");
    const auto& verb = c.args[0];
    if (c.args.size() < 2) return Failed(1, "missing schema");
    auto schema = schemas.find(c.args[1]);
    if (schema == schemas.end()) return Failed(1, "No such schema \u201c" + c.args[1] + "\u201d");
    if (verb == "list-keys") {
        std::string out;
        for (const auto& k : schema->second)
            out += k + "\n";
        return Succeeded(out);
    }
    if (c.args.size() < 3) return Failed(1, "missing key");
    const std::string id = c.args[1] + " " + c.args[2];
    if (verb == "set" && c.args.size() == 4) {
        if (!dropWrites) values[id] = c.args[3];
        return Succeeded();
    }
    if (verb == "get") return Succeeded((values.count(id) ? values[id] : std::string("''")) + "\n");
    return Failed(1, "bad arguments");
}

Environment EnvOf(std::map<std::string, std::string> vars) {
    return [vars = std::move(vars)](const std::string& name) -> std::optional<std::string> {
        auto it = vars.find(name);
        if (it == vars.end() || it->second.empty()) return std::nullopt;
        return it->second;
    };
}

} // namespace nodo::desktop::test
