#pragma once

#include "StartUpShell.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace quillet {

// The program's start: what it shows first, by its command line.
class StartUp {
public:
    explicit StartUp(StartUpShell& shell) : m_shell(shell) {}

    // The command line as the program reads it: the arguments joined by single blanks. One
    // pair of double quotes around the whole path is not part of it (some launchers quote a
    // path with blanks).
    static QString commandLineFrom(const QStringList& arguments);

    // "--help" and "--version" as the whole command line are answered in text, and the
    // program ends: no instance test, no window, no display needed.
    static bool printsOnly(const QString& commandLine);
    // That text (after the application object exists, for its translation).
    static QString printed(const QString& commandLine);

    // The start-up routine. Empty or "/boot": one instance per user (a second one hands over
    // to the first and ends), then the splash. Nothing paired: the pairing dialog, then the
    // window, shown. "/boot..." starts hidden with only the icon (minimised where there is no
    // notification area). An item on the command line goes to the running program, or else
    // is added by the window's load, and the program ends. Returns the exit code when the
    // program ends here; none when it goes on in the event loop.
    std::optional<int> run(QString CommandLine);

private:
    StartUpShell& m_shell;
};

} // namespace quillet
