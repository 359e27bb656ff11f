#pragma once

#include "CommandAnswers.h"
#include "platform/FileSystem.h"
#include "platform/SettingsStore.h"
#include "platform/VolumeService.h"

#include <QStringList>
#include <QTextStream>
#include <functional>
#include <memory>
#include <optional>

namespace quillet {

class SyncSession;
struct EditOutcome;

// The command line front end over the sync core. The streams and the services are given,
// so that tests can run it in-process against files and volumes of their own.
class Cli {
public:
    struct Io {
        QTextStream& out;
        QTextStream& err;
        // Reads one line typed by the user; nullptr when there is no terminal to ask.
        std::function<bool(QString&)> readLine;
        // out is a terminal: a long copy shows how far it has come on one line, and a pass
        // ends with a line that sums up what it did.
        bool terminal = false;
    };

    enum Exit { Ok = 0, BadInput = 1, NoDrive = 2, CopyFailed = 3, PassRunning = 4, Stopped = 5 };

    Cli(platform::SettingsStore& store, platform::FileSystem& fs, platform::VolumeService& volumes,
        Io io, QString logPath);

    // arguments as in argv, the program name first.
    int run(const QStringList& arguments);

    // The commands, one line each, as --help lists them.
    static QString usage();

    // The windowed program that "autostart on" starts at login; by default the one installed
    // beside this tool.
    void setWindowProgram(QString program) { m_windowProgram = std::move(program); }

    // Set from a signal handler: stops a pass between files and ends the watch.
    static void requestInterrupt();
    static bool interruptRequested();
    static void clearInterrupt();

    struct Command;
    struct Call;

private:
    int drives(const Call& call);
    int pair(const Call& call);
    int sameRootOnly(const Call& call);
    int status(const Call& call);
    int mode(const Call& call);
    int refresh(const Call& call);
    int add(const Call& call);
    int addFolder(const Call& call);
    int list(const Call& call);
    int remove(const Call& call);
    int sync(const Call& call);
    int log(const Call& call);
    int watch(const Call& call);
    int autostart(const Call& call);

    // The session a command works on, set up as its table entry says; none for a command
    // that needs none. A failure other than Ok ends the command (it has been said why).
    struct OpenedSession {
        std::unique_ptr<SyncSession> session;
        Exit failure = Ok;
    };
    OpenedSession openSession(const Command& command);
    // The answers the options of this call give, or else the terminal.
    AnswerPolicy policy(const Call& call) const;
    static const QList<Command>& commands();
    int choose(const QStringList& args, const char* what, int high, int current,
               const std::function<QString(std::optional<int>)>& caption,
               const std::function<EditOutcome(int)>& select);
    int addWith(const Call& call, bool folder);
    bool settingsUsable();
    static QString forgotText(int count);

    platform::SettingsStore& m_store;
    platform::FileSystem& m_fs;
    platform::VolumeService& m_volumes;
    Io m_io;
    QString m_logPath;
    QString m_windowProgram;
};

} // namespace quillet
