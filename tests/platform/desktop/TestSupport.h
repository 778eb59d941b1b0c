#pragma once
#include "imaging/Bitmap.h"
#include "imaging/TestPictures.h"
#include "platform/desktop/CommandRunner.h"
#include "platform/desktop/DesktopDetect.h"

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace nodo::desktop::test {

// A fresh folder below the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

// Records every command and answers from `answer` (success with no output when unset).
class RecordingRunner : public CommandRunner {
public:
    std::vector<Command> calls;
    std::function<CommandResult(const Command&)> answer;
    CommandResult run(const Command& command) override;
};

CommandResult Succeeded(std::string out = {});
CommandResult Failed(int status, std::string err);

// Stands in for gsettings: keeps what "set" wrote and prints it back for "get", as GVariant text.
class FakeGSettings {
public:
    std::map<std::string, std::vector<std::string>> schemas; // schema -> keys
    std::map<std::string, std::string> values;               // "schema key" -> printed value
    bool dropWrites = false;                                 // as with no settings service
    CommandResult operator()(const Command& command);
};

// A fixed environment.
Environment EnvOf(std::map<std::string, std::string> vars);

using pic::test::Quarters;

} // namespace nodo::desktop::test
