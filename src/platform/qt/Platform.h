#pragma once
#include "platform/core/AppFolder.h"
#include "platform/core/Clock.h"
#include "platform/core/Kernel.h"
#include "platform/core/TextFile.h"
#include "platform/core/Wallpaper.h"
#include "platform/qt/Com.h"
#include "platform/qt/Dialogs.h"
#include "platform/qt/MessageBox.h"
#include "platform/qt/Screen.h"
#include "platform/qt/Shell.h"
#include "platform/qt/WebPanel.h"

#include <memory>

namespace nodo {

// Every OS service the windows use, handed to them at construction. Nothing here is owned:
// the owner is a PlatformServices (the real program) or a test fixture (fakes).
struct Platform {
    AppFolder* folder = nullptr;
    TextFile* text = nullptr;
    Kernel* kernel = nullptr;
    Clock* clock = nullptr;
    Wallpaper* wallpaper = nullptr;
    MessageBox* messages = nullptr;
    Shell* shell = nullptr;
    Dialogs* dialogs = nullptr;
    Screen* screen = nullptr;
    WebPanel* web = nullptr;
    Com* com = nullptr;
};

// Owns the real implementations of the running session.
class PlatformServices {
public:
    PlatformServices();
    ~PlatformServices();
    Platform& platform() { return m_platform; }

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
    Platform m_platform;
};

// The wallpaper of the running desktop; defined by the desktop wallpaper library when it is built,
// otherwise a wallpaper that only stores the values and reports that no desktop could be told.
std::unique_ptr<Wallpaper> CreateDesktopWallpaper();

} // namespace nodo
