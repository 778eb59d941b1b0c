#pragma once
#include "platform/Platform.h"

#include <string>
#include <vector>

namespace nodo {

// Owns the real implementations of the running session.
class PlatformServices {
public:
    PlatformServices();
    ~PlatformServices();
    Platform& platform() { return m_platform; }
    // What went wrong while the user's application folder was made and filled; empty when nothing did.
    std::vector<std::string> folderProblems() const;

private:
    std::unique_ptr<AppFolder> m_folder;
    std::unique_ptr<TextFile> m_text;
    std::unique_ptr<Kernel> m_kernel;
    std::unique_ptr<Clock> m_clock;
    std::unique_ptr<Wallpaper> m_wallpaper;
    std::unique_ptr<MessageBox> m_messages;
    std::unique_ptr<Shell> m_shell;
    std::unique_ptr<Dialogs> m_dialogs;
    std::unique_ptr<Screen> m_screen;
    std::unique_ptr<WebPanel> m_web;
    std::unique_ptr<Com> m_com;
    std::unique_ptr<Database> m_database;
    Platform m_platform;
};

} // namespace nodo
