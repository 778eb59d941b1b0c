#include "support/fakes/Fakes.h"

#include "platform/Errors.h"
#include "platform/posix/AppFolders.h"
#include "platform/posix/DiskTextFile.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace nodo::fakes {

void FailingTextFile::writeLines(const std::string& path, const std::vector<std::string>& lines) {
    if (failWrites) throw FileError("Cannot write file \"" + path + "\". No space left on device");
    DiskTextFile::writeLines(path, lines);
}

TestPlatform::TestPlatform(bool withDataFolders) {
    std::string tmpl = (fs::temp_directory_path() / "nodo-test-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    m_root = tmpl + "/";
    if (withDataFolders) {
        fs::create_directories(m_root + "data");
        fs::create_directories(m_root + "source/DeskTopBG");
    }
    folder = std::make_unique<FixedAppFolder>(m_root);
    clock.value = {2013, 1, 5, 10, 0, 0, 0};
    m_platform.folder = folder.get();
    m_platform.text = &text;
    m_platform.kernel = &kernel;
    m_platform.clock = &clock;
    m_platform.wallpaper = &wallpaper;
    m_platform.messages = &messages;
    m_platform.shell = &shell;
    m_platform.dialogs = &dialogs;
    m_platform.screen = &screen;
    m_platform.web = &web;
    m_platform.com = &com;
}

TestPlatform::~TestPlatform() {
    std::error_code ec;
    // Read-only folders made by a test must not stop the clean-up.
    for (auto it = fs::recursive_directory_iterator(m_root, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(m_root, ec);
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error("cannot write " + path);
    out << bytes;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

} // namespace nodo::fakes
