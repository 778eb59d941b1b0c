// The program entry: the application object, then the windows in their fixed order.
#include "app/Tools.h"
#include "app/uMain.h"
#include "nodo_config.h"
#include "pictures/uGlobal.h"
#include "platform/qt/PlatformServices.h"
#include "ui/SessionPlatform.h"
#include "ui/TilingFloat.h"
#include "ui/Translations.h"

#include <QApplication>
#include <QFontDatabase>
#include <cstdio>

int main(int argc, char** argv) {
    nodo::ChooseQtPlatform(); // before Qt picks one
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Nodo"));
    QApplication::setApplicationDisplayName(nodo::MessageBox::kAppTitle);
    // The desktop entry's name: docks and Wayland compositors find the icon and menu entry by it.
    QGuiApplication::setDesktopFileName(QStringLiteral(NODO_APP_ID));
    QApplication::setQuitOnLastWindowClosed(true);
    nodo::InstallQtTranslations(app);

    nodo::PlatformServices services;
    nodo::Platform& platform = services.platform();
    platform.com->initialize();
    if (const auto problems = services.folderProblems(); !problems.empty()) {
        // The program runs on: each file that is missing is handled where it is used.
        QString text =
            QStringLiteral("无法准备数据文件夹 %1：").arg(QString::fromStdString(platform.folder->root()));
        for (const auto& p : problems)
            text += QLatin1Char('\n') + QString::fromStdString(p);
        std::fprintf(stderr, "nodo: %s\n", text.toLocal8Bit().constData());
        platform.messages->errorReport(nullptr, text);
    }

    int rc = 0;
    {
        // What the windows share lives as long as they do.
        nodo::SharedState state;
        nodo::TMainFrm mainFrm(platform, state);
        // The tool windows are created once, after the main window, and live until exit.
        nodo::AppTools tools(platform, mainFrm);
        mainFrm.setTools(tools.mainTools());
        mainFrm.FormCreate();
        QObject::connect(&mainFrm, &nodo::TMainFrm::quitRequested, &app, &QApplication::quit);
        mainFrm.FormShow();
        nodo::FloatWhenTiled(mainFrm);
        mainFrm.show();
        rc = app.exec();
    }
    platform.com->uninitialize();
    return rc;
}
