#include "Pictures.h"
#include "QtStartUpShell.h"
#include "StartUp.h"
#include "platform/AppPaths.h"
#include "platform/FileSystem.h"
#include "platform/SettingsStore.h"
#include "platform/VolumeService.h"
#include "sync/SyncSession.h"

#include <QApplication>

#include <cstdio>

using namespace quillet;

int main(int argc, char** argv) {
    QStringList arguments;
    for (int index = 1; index < argc; ++index)
        arguments << QString::fromLocal8Bit(argv[index]);
    const QString commandLine = StartUp::commandLineFrom(arguments);
    // Answered before any window system is reached: these work without a display.
    if (StartUp::printsOnly(commandLine)) {
        const QCoreApplication text(argc, argv);
        std::fputs(StartUp::printed(commandLine).toLocal8Bit().constData(), stdout);
        return 0;
    }

    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Quillet"));
    QCoreApplication::setApplicationName(QStringLiteral("Quillet"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILLET_VERSION));
    // Hidden in the notification area, the main window is no reason to end when another
    // window closes: the program ends when the main window unloads.
    QApplication::setQuitOnLastWindowClosed(false);
    // The launcher's entry and the icon the desktop shows for every window of the program.
    QGuiApplication::setDesktopFileName(QStringLiteral("quillet"));
    QApplication::setWindowIcon(Pictures::programIcon());

    auto store = platform::openSettingsStore();
    SyncSession session(*store, platform::FileSystem::system(), platform::VolumeService::system());
    QtStartUpShell shell(session, *store, platform::LogFilePath());
    StartUp startUp(shell);
    if (const std::optional<int> code = startUp.run(commandLine))
        return *code;
    return app.exec();
}
