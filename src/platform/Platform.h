#pragma once
#include "platform/AppFolder.h"
#include "platform/Clock.h"
#include "platform/Com.h"
#include "platform/Database.h"
#include "platform/Dialogs.h"
#include "platform/Kernel.h"
#include "platform/MessageBox.h"
#include "platform/Screen.h"
#include "platform/Shell.h"
#include "platform/TextFile.h"
#include "platform/Wallpaper.h"
#include "platform/WebPanel.h"

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
    Database* database = nullptr; // the notes database
};

} // namespace nodo
