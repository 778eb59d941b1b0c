#pragma once
#include "platform/AppFolder.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace nodo {

// Where the application folder of a run is, and where its read-only parts come from.
struct AppFolderPlace {
    std::filesystem::path root; // the application folder
    std::filesystem::path web;  // the bundled pages, read in place
    // The template the application folder is filled from when it lacks a file; empty when the
    // program runs in its own folder, which is the tree itself.
    std::filesystem::path seedFrom;
    // Only the template's folders are copied (a tree with the programs at its top), not its top files.
    bool seedFoldersOnly = false;
};

// What the choice rests on besides the program's folder; FromProcess() reads the real ones.
struct AppFolderEnvironment {
    std::string dataHome; // $XDG_DATA_HOME, used only when absolute
    std::string home;     // $HOME, or the password database's home folder
    std::function<bool(const std::filesystem::path&)> writable;
    static AppFolderEnvironment FromProcess();
};

// The folder of the installed template, relative to the folder of the programs ("../share/nodo").
std::filesystem::path TemplateBesideProgram(const std::filesystem::path& programDir);

// The program's own folder when it is writable and is not the bin/ of an installation (a build
// folder, a tree unpacked in the home folder). Otherwise the user's folder, $XDG_DATA_HOME/nodo/
// (~/.local/share/nodo/), filled from the installed template (or from the program's own read-only
// tree), with the web pages read from the installation.
AppFolderPlace LocateAppFolder(const std::filesystem::path& programDir, const AppFolderEnvironment& env);

struct SeedReport {
    int copied = 0;                    // files copied in
    std::vector<std::string> failures; // one line for each file or folder that could not be made
};

// Copies into `to` every file and folder of `from` that `to` lacks (names matched without regard
// to case, as the program reads them), except `from`'s top-level "web" folder. Nothing present is
// ever replaced, so a user's files survive any template; a half-copied file never appears under
// its own name. Copies get the user's ordinary modes, whatever the template's.
SeedReport SeedAppFolder(const std::filesystem::path& from, const std::filesystem::path& to,
                         bool foldersOnly = false);

// The application folder of the running program (/proc/self/exe), placed by LocateAppFolder and
// filled from its template when it is made.
class ExecutableAppFolder : public AppFolder {
public:
    ExecutableAppFolder();
    explicit ExecutableAppFolder(AppFolderPlace place);
    std::string root() const override { return m_root; }
    std::string web() const override { return m_place.web.string(); }
    const AppFolderPlace& place() const { return m_place; }
    const SeedReport& seeding() const { return m_seeding; }

private:
    AppFolderPlace m_place;
    std::string m_root;
    SeedReport m_seeding;
};

// A fixed folder: tests, and `nodo-cli --app-folder`.
class FixedAppFolder : public AppFolder {
public:
    explicit FixedAppFolder(const std::filesystem::path& dir);
    std::string root() const override { return m_root; }

private:
    std::string m_root;
};

} // namespace nodo
