#pragma once
// The user's folders as the XDG base directory rules give them.
#include <filesystem>

namespace nodo::desktop {

// $XDG_CONFIG_HOME, else $HOME/.config (the passwd entry's home when HOME is unset).
std::filesystem::path ConfigHome();
// $HOME, else the passwd entry's home.
std::filesystem::path HomeDir();
// $XDG_CACHE_HOME, else $HOME/.cache.
std::filesystem::path CacheHome();

} // namespace nodo::desktop
