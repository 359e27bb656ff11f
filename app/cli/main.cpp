#include "Cli.h"

#include "platform/AppPaths.h"
#include "platform/Console.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // The same per-user settings and log as the windowed program.
    QCoreApplication::setOrganizationName(QStringLiteral("Quillet"));
    QCoreApplication::setApplicationName(QStringLiteral("Quillet"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILLET_VERSION));

    quillet::platform::onStopRequest(&quillet::Cli::requestInterrupt);

    QTextStream out(stdout);
    QTextStream err(stderr);
    QTextStream in(stdin);
    std::function<bool(QString&)> readLine;
    if (quillet::platform::isTerminal(quillet::platform::Stream::Input))
        readLine = [&in](QString& line) { return in.readLineInto(&line); };
    auto store = quillet::platform::openSettingsStore();
    // A progress line and a summary only where a person watches, never into a file or a pipe.
    const bool terminal = quillet::platform::isTerminal(quillet::platform::Stream::Output);
    quillet::Cli cli(
        *store, quillet::platform::FileSystem::system(), quillet::platform::VolumeService::system(),
        quillet::Cli::Io{out, err, readLine, terminal}, quillet::platform::LogFilePath());
    const int status = cli.run(QCoreApplication::arguments());
    out.flush();
    err.flush();
    return status;
}
