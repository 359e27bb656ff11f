#include "Cli.h"

#include "platform/AppPaths.h"

#include <QCoreApplication>
#include <QTextStream>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {
void onSignal(int) {
    quillet::Cli::requestInterrupt();
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // The same per-user settings and log as the windowed program.
    QCoreApplication::setOrganizationName(QStringLiteral("Quillet"));
    QCoreApplication::setApplicationName(QStringLiteral("Quillet"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILLET_VERSION));

    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    QTextStream out(stdout);
    QTextStream err(stderr);
    QTextStream in(stdin);
    std::function<bool(QString&)> readLine;
    if (isatty(STDIN_FILENO)) {
        readLine = [&in](QString& line) { return in.readLineInto(&line); };
    }
    auto store = quillet::platform::openSettingsStore();
    quillet::Cli cli(*store, quillet::platform::FileSystem::system(),
                     quillet::platform::VolumeService::system(),
                     quillet::Cli::Io{out, err, readLine}, quillet::LogFilePath());
    const int status = cli.run(QCoreApplication::arguments());
    out.flush();
    err.flush();
    return status;
}
