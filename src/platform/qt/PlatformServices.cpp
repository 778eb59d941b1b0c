#include "platform/qt/PlatformServices.h"
#include "platform/Platform.h"
#include "platform/desktop/DesktopWallpaper.h"
#include "platform/posix/AppFolders.h"
#include "platform/posix/DiskTextFile.h"
#include "platform/posix/LinuxKernel.h"
#include "platform/posix/SystemClock.h"
#include "platform/qt/DesktopShell.h"
#include "platform/qt/QtDialogs.h"
#include "platform/qt/QtMessageBox.h"
#include "platform/qt/QtScreen.h"
#include "platform/qt/TextBrowserWebPanel.h"
#include "platform/sqlite/SqliteDatabase.h"

namespace nodo {

PlatformServices::PlatformServices()
    : m_folder(std::make_unique<ExecutableAppFolder>()), m_text(std::make_unique<DiskTextFile>()),
      m_kernel(std::make_unique<LinuxKernel>()), m_clock(std::make_unique<SystemClock>()),
      m_wallpaper(CreateDesktopWallpaper()), m_messages(std::make_unique<QtMessageBox>()),
      m_shell(std::make_unique<DesktopShell>()), m_dialogs(std::make_unique<QtDialogs>()),
      m_screen(std::make_unique<QtScreen>()), m_web(std::make_unique<TextBrowserWebPanel>()),
      m_com(std::make_unique<Com>()),
      // The folder is made and filled when it is constructed, so this opens the user's own copy.
      m_database(std::make_unique<SqliteDatabase>(m_folder->path(kNotesDatabaseFile))) {
    m_platform.folder = m_folder.get();
    m_platform.text = m_text.get();
    m_platform.kernel = m_kernel.get();
    m_platform.clock = m_clock.get();
    m_platform.wallpaper = m_wallpaper.get();
    m_platform.messages = m_messages.get();
    m_platform.shell = m_shell.get();
    m_platform.dialogs = m_dialogs.get();
    m_platform.screen = m_screen.get();
    m_platform.web = m_web.get();
    m_platform.com = m_com.get();
    m_platform.database = m_database.get();
}

PlatformServices::~PlatformServices() = default;

std::vector<std::string> PlatformServices::folderProblems() const {
    return static_cast<const ExecutableAppFolder&>(*m_folder).seeding().failures;
}

} // namespace nodo
