#include "StartUp.h"

#include "Captions.h"
#include "base/Translate.h"

namespace quillet {

namespace {
const QString Help = QStringLiteral("--help");
const QString Version = QStringLiteral("--version");
const QString FolderPrefix = QStringLiteral("/f ");

bool quoted(const QString& text) {
    return text.size() >= 2 && text.startsWith(QLatin1Char('"')) && text.endsWith(QLatin1Char('"'));
}

// One line of the help: what to type, and what it does (already translated).
QString helpLine(const char* what, const QString& does) {
    return QStringLiteral("  %1").arg(QLatin1String(what), -12) + does + QLatin1Char('\n');
}
} // namespace

QString StartUp::commandLineFrom(const QStringList& arguments) {
    const QString line = arguments.join(QLatin1Char(' '));
    const bool folder = line.startsWith(FolderPrefix);
    QString path = folder ? line.mid(FolderPrefix.size()) : line;
    if (quoted(path))
        path = path.mid(1, path.size() - 2);
    return folder ? FolderPrefix + path : path;
}

bool StartUp::printsOnly(const QString& commandLine) {
    return commandLine == Help || commandLine == Version;
}

QString StartUp::printed(const QString& commandLine) {
    if (commandLine == Version)
        return Captions::programTitle() + QLatin1Char(' ') + QStringLiteral(QUILLET_VERSION) +
               QLatin1Char('\n');
    if (commandLine != Help)
        return QString();
    return Translate(QStringLiteral("Usage:")) +
           QStringLiteral(" quillet [/boot | /f PATH | FILE]\n\n") +
           Translate(
               QStringLiteral("Keeps files and folders in step with a paired removable drive.")) +
           QLatin1Char('\n') +
           Translate(QStringLiteral("Without arguments it opens its window, which goes on in "
                                    "the notification area when closed.")) +
           QStringLiteral("\n\n") +
           helpLine("/boot", Translate(QStringLiteral(
                                 "Starts with only the icon in the notification area."))) +
           helpLine("/f PATH",
                    Translate(QStringLiteral(
                        "Adds the file or folder to the list, asking where it goes: the running "
                        "Quillet does it, or else this start does it and ends."))) +
           helpLine("FILE", Translate(QStringLiteral("The same for a file."))) +
           helpLine("--help", Translate(QStringLiteral("Shows this text."))) +
           helpLine("--version", Translate(QStringLiteral("Shows the version.")));
}

std::optional<int> StartUp::run(QString CommandLine) {
    // A second instance brings the first one's window forward and ends ("/boot" leaves it
    // as it is: the desktop starts it, not a person).
    if (CommandLine.isEmpty() || CommandLine == QLatin1String("/boot")) {
        if (!m_shell.firstInstance()) {
            if (CommandLine.isEmpty())
                m_shell.handOver(CommandLine);
            return 0;
        }
        m_shell.showSplash();
    } else if (CommandLine.left(5) != QLatin1String("/boot") && m_shell.handOver(CommandLine)) {
        // An item to add goes to the running program, where the window shows it; without
        // one this start adds it and ends.
        return 0;
    }
    // Nothing paired yet: the drive first, then the window, also when that was cancelled.
    if (!m_shell.drivePaired()) {
        CommandLine.clear();
        m_shell.pairDrive();
        m_shell.openMaster(CommandLine);
        m_shell.showMaster(StartUpShell::Show::Visible);
        return std::nullopt;
    }
    if (CommandLine.left(5) == QLatin1String("/boot")) {
        CommandLine.clear();
        m_shell.openMaster(CommandLine);
        // Hidden only where the icon can bring it back.
        m_shell.showMaster(m_shell.iconReachable() ? StartUpShell::Show::Hidden
                                                   : StartUpShell::Show::Minimised);
        return std::nullopt;
    }
    if (!m_shell.openMaster(CommandLine))
        return 0;
    m_shell.showMaster(StartUpShell::Show::Visible);
    return std::nullopt;
}

} // namespace quillet
