// Where the application folder is, and how the user's folder is filled from the installation.
#include "platform/posix/AppFolders.h"
#include "platform/posix/AtomicFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

#ifndef NODO_TEMPLATE_FROM_BIN
#define NODO_TEMPLATE_FROM_BIN "../share/nodo"
#endif

namespace fs = std::filesystem;

namespace nodo {

namespace {

std::string Slashed(const fs::path& p) {
    std::string s = p.lexically_normal().string();
    if (s.empty() || s.back() != '/') s.push_back('/');
    return s;
}

std::string Reason(int err) {
    return std::strerror(err);
}

fs::path UserDataHome(const AppFolderEnvironment& env) {
    // The base directory specification: a relative $XDG_DATA_HOME is invalid and ignored.
    if (!env.dataHome.empty() && env.dataHome[0] == '/') return env.dataHome;
    if (!env.home.empty()) return fs::path(env.home) / ".local" / "share";
    return {};
}

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// Copies `src` to `dest`, which does not exist: into a hidden file beside it first, then linked in
// under its name, which fails rather than replace a file that appeared meanwhile (another start).
// Returns 1 when copied, 0 when `dest` appeared meanwhile, -1 with `why` on failure.
int CopyNew(const fs::path& src, const fs::path& dest, std::string& why) {
    const int in = ::open(src.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        why = "cannot read " + src.string() + ": " + Reason(errno);
        return -1;
    }
    std::string temp = (dest.parent_path() / ("." + dest.filename().string() + ".seed-XXXXXX")).string();
    const int out = ::mkostemp(temp.data(), O_CLOEXEC);
    if (out < 0) {
        why = "cannot write in " + dest.parent_path().string() + ": " + Reason(errno);
        ::close(in);
        return -1;
    }
    int err = 0;
    char buf[64 * 1024];
    for (;;) {
        const ssize_t n = ::read(in, buf, sizeof buf);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            err = errno;
            why = "cannot read " + src.string() + ": " + Reason(err);
            break;
        }
        if (!WriteAll(out, buf, static_cast<size_t>(n))) {
            err = errno;
            why = "cannot write " + dest.string() + ": " + Reason(err);
            break;
        }
    }
    ::close(in);
    // The user's file, with the modes of a file the user made, not the installation's read-only ones.
    if (!err && (::fchmod(out, AtomicFile::ModeFor(dest.string())) != 0 || ::fsync(out) != 0)) {
        err = errno;
        why = "cannot write " + dest.string() + ": " + Reason(err);
    }
    if (::close(out) != 0 && !err) {
        err = errno;
        why = "cannot write " + dest.string() + ": " + Reason(err);
    }
    int result = -1;
    if (!err) {
        if (::link(temp.c_str(), dest.c_str()) == 0) {
            result = 1;
        } else if (errno == EEXIST) {
            result = 0;
        } else {
            why = "cannot write " + dest.string() + ": " + Reason(errno);
        }
    }
    ::unlink(temp.c_str());
    return result;
}

void SeedFolder(const fs::path& from, const fs::path& to, bool top, bool foldersOnly, SeedReport& report) {
    std::error_code ec;
    std::vector<fs::path> entries;
    for (fs::directory_iterator it(from, ec), end; !ec && it != end; it.increment(ec))
        entries.push_back(it->path());
    if (ec) {
        report.failures.push_back("cannot read " + from.string() + ": " + ec.message());
        return;
    }
    std::sort(entries.begin(), entries.end());
    for (const fs::path& src : entries) {
        const std::string name = src.filename().string();
        // The pages stay in the installation, so an upgrade brings new ones.
        if (top && FoldCase(name) == "web") continue;
        const fs::path dest = ResolveCaseInsensitive(to, name);
        const fs::file_status st = fs::status(src, ec);
        if (ec) continue; // a dangling link holds nothing to copy
        const fs::file_status have = fs::symlink_status(dest, ec);
        const bool present = !ec && have.type() != fs::file_type::not_found;
        if (fs::is_directory(st)) {
            if (!present) {
                if (!fs::create_directory(dest, ec) && ec) {
                    report.failures.push_back("cannot make the folder " + dest.string() + ": " +
                                              ec.message());
                    continue;
                }
            } else if (!fs::is_directory(dest, ec)) {
                report.failures.push_back(dest.string() + " is in the way of a folder of the same name");
                continue;
            }
            SeedFolder(src, dest, false, false, report);
        } else if (fs::is_regular_file(st)) {
            if (present || (top && foldersOnly)) continue;
            std::string why;
            const int r = CopyNew(src, dest, why);
            if (r > 0) ++report.copied;
            if (r < 0) report.failures.push_back(why);
        }
    }
}

} // namespace

AppFolderEnvironment AppFolderEnvironment::FromProcess() {
    AppFolderEnvironment env;
    if (const char* d = std::getenv("XDG_DATA_HOME")) env.dataHome = d;
    if (const char* h = std::getenv("HOME"); h && *h) {
        env.home = h;
    } else if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) {
        env.home = pw->pw_dir;
    }
    env.writable = [](const fs::path& dir) { return ::access(dir.c_str(), W_OK) == 0; };
    return env;
}

fs::path TemplateBesideProgram(const fs::path& programDir) {
    return (programDir / NODO_TEMPLATE_FROM_BIN).lexically_normal();
}

AppFolderPlace LocateAppFolder(const fs::path& programDir, const AppFolderEnvironment& env) {
    AppFolderPlace place;
    const fs::path installed = TemplateBesideProgram(programDir);
    std::error_code ec;
    const bool isInstallation = fs::is_directory(installed, ec);
    const fs::path dataHome = UserDataHome(env);
    // A bin/ folder beside an installed template never becomes the application folder, even where it
    // is writable (root, an installation into the home folder): its files belong to the package.
    if ((!isInstallation && env.writable && env.writable(programDir)) || dataHome.empty()) {
        place.root = programDir;
        place.web = ResolveCaseInsensitive(programDir, "web");
        return place;
    }
    place.root = dataHome / "nodo";
    place.seedFrom = isInstallation ? installed : programDir;
    place.seedFoldersOnly = !isInstallation;
    place.web = ResolveCaseInsensitive(place.seedFrom, "web");
    return place;
}

SeedReport SeedAppFolder(const fs::path& from, const fs::path& to, bool foldersOnly) {
    SeedReport report;
    std::error_code ec;
    if (!fs::is_directory(from, ec)) {
        report.failures.push_back("the installation has no template folder " + from.string());
        return report;
    }
    fs::create_directories(to, ec);
    if (ec || !fs::is_directory(to, ec)) {
        report.failures.push_back("cannot make the folder " + to.string() + ": " +
                                  (ec ? ec.message() : std::string("something else is in the way")));
        return report;
    }
    SeedFolder(from, to, true, foldersOnly, report);
    return report;
}

static fs::path ProgramFolder() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) exe = fs::current_path() / "nodo";
    return exe.parent_path();
}

ExecutableAppFolder::ExecutableAppFolder()
    : ExecutableAppFolder(LocateAppFolder(ProgramFolder(), AppFolderEnvironment::FromProcess())) {}

ExecutableAppFolder::ExecutableAppFolder(AppFolderPlace place) : m_place(std::move(place)) {
    if (!m_place.seedFrom.empty())
        m_seeding = SeedAppFolder(m_place.seedFrom, m_place.root, m_place.seedFoldersOnly);
    m_root = Slashed(m_place.root);
}

} // namespace nodo
