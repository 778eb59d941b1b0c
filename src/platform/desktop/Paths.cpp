#include "platform/desktop/Paths.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace nodo::desktop {

namespace {

std::filesystem::path home() {
    if (const char* h = std::getenv("HOME"); h && *h) return h;
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return "/tmp";
}

// Relative values are invalid by the XDG rules and ignored.
std::filesystem::path fromEnv(const char* name, const char* fallback) {
    if (const char* v = std::getenv(name); v && *v == '/') return v;
    return home() / fallback;
}

} // namespace

std::filesystem::path HomeDir() {
    return home();
}
std::filesystem::path ConfigHome() {
    return fromEnv("XDG_CONFIG_HOME", ".config");
}
std::filesystem::path CacheHome() {
    return fromEnv("XDG_CACHE_HOME", ".cache");
}

} // namespace nodo::desktop
