// nodo-calendar: the calendar window. A second start brings the running window forward and ends.
#include "calendar_app/CalendarWindow.h"
#include "calendar_app/SingleInstance.h"
#include "platform/qt/PlatformServices.h"
#include "ui/Translations.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

constexpr const char* kUsage =
    "usage: nodo-calendar [--help | --version]\n"
    "Opens the window \"Nodo日历\": the lunar calendar, the note of a date and the\n"
    "weekly memo board. A second start brings the open window forward.\n";

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (!std::strcmp(argv[i], "--version")) {
            std::printf("nodo-calendar %s\n", NODO_VERSION);
            return 0;
        }
    }
    QApplication app(argc, argv);
    // Qt took its own options (-platform, -display ...); anything left is not ours.
    if (QApplication::arguments().size() > 1) {
        std::fprintf(stderr, "nodo-calendar: unknown argument '%s'\n%s",
                     QApplication::arguments().at(1).toLocal8Bit().constData(), kUsage);
        return 2;
    }
    QApplication::setApplicationName(QStringLiteral("Nodo"));
    QApplication::setApplicationDisplayName(nodo::CalendarWindow::kTitle);
    QGuiApplication::setDesktopFileName(QStringLiteral(NODO_CALENDAR_APP_ID));
    QApplication::setQuitOnLastWindowClosed(true);
    nodo::InstallQtTranslations(app);

    // The application folder is found, made and filled exactly as the main program does.
    nodo::PlatformServices services;
    nodo::Platform& platform = services.platform();

    nodo::SingleInstance instance(nodo::SingleInstance::SocketName(
        qEnvironmentVariable("XDG_RUNTIME_DIR"), static_cast<unsigned>(::getuid()),
        QString::fromStdString(platform.folder->root())));
    QString token = qEnvironmentVariable("XDG_ACTIVATION_TOKEN");
    if (token.isEmpty()) token = qEnvironmentVariable("DESKTOP_STARTUP_ID");
    switch (instance.claim(token)) {
    case nodo::SingleInstance::Outcome::Forwarded:
        return 0;
    case nodo::SingleInstance::Outcome::NoAnswer:
        std::fprintf(stderr, "nodo-calendar: a calendar window runs but does not answer (%s)\n",
                     instance.socketName().toLocal8Bit().constData());
        return 1;
    case nodo::SingleInstance::Outcome::Failed:
        // A window without the guard is better than none.
        std::fprintf(stderr, "nodo-calendar: cannot watch for a second start: %s\n",
                     instance.detail().toLocal8Bit().constData());
        break;
    case nodo::SingleInstance::Outcome::First:
        break;
    }

    nodo::CalendarWindow window(platform);
    if (const auto problems = services.folderProblems(); !problems.empty()) {
        QString text =
            QStringLiteral("无法准备数据文件夹 %1：").arg(QString::fromStdString(platform.folder->root()));
        for (const auto& p : problems)
            text += QLatin1Char('\n') + QString::fromStdString(p);
        std::fprintf(stderr, "nodo-calendar: %s\n", text.toLocal8Bit().constData());
        platform.messages->errorReport(nullptr, text);
    }
    QObject::connect(&instance, &nodo::SingleInstance::activationRequested, &window,
                     &nodo::CalendarWindow::bringForward);
    window.restorePlace();
    window.show();
    QTimer::singleShot(0, &window, &nodo::CalendarWindow::loadNotes);
    return app.exec();
}
