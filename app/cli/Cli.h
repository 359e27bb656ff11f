#pragma once

#include "platform/FileSystem.h"
#include "platform/SettingsStore.h"
#include "platform/VolumeService.h"

#include <QStringList>
#include <QTextStream>
#include <functional>
#include <optional>

namespace quillet {

class SyncEngine;
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

    // The windowed program that "autostart on" starts at login; by default the one installed
    // beside this tool.
    void setWindowProgram(QString program) { m_windowProgram = std::move(program); }

    // Set from a signal handler: stops a pass between files and ends the watch.
    static void requestInterrupt();
    static bool interruptRequested();
    static void clearInterrupt();

private:
    int drives(bool all);
    int pair(const QString& root, bool sameRoot, bool yes);
    static QString forgetsText(int count);
    static QString forgotText(int count);
    int sameRootOnly(const QString& what);
    int status();
    int mode(const QStringList& args);
    int refresh(const QStringList& args);
    int add(const QString& file, const QString& dest);
    int addFolder(const QString& folder, const QString& dest);
    int list();
    int remove(const QString& number, bool deleteRemote);
    int sync(bool yes, bool no);
    int log();
    int watch(bool yes, bool no);
    int autostart(const QString& what);

    bool ask(const QString& question);
    int choose(const QStringList& args, const char* what, int high, int current,
               const std::function<QString(std::optional<int>)>& caption,
               const std::function<EditOutcome(int)>& select);
    bool paired(const SyncSession& session);
    std::function<bool(const QString&)> answerer(bool yes, bool no);
    // The answer every question gets without a person choosing, if any.
    std::optional<bool> standingAnswer(bool yes, bool no) const;
    int added(SyncSession& session, const EditOutcome& outcome, const QString& unsaid);
    // The folders of dest that are missing, made on the paired drive and nowhere else, so
    // that an add may name a destination that does not exist yet (as the window's picker
    // can make one). paths lists what was made, outermost first; error says why not.
    struct MadeFolders {
        QStringList paths;
        QString error;
    };
    MadeFolders makeOnDrive(const SyncSession& session, const QString& dest);
    void unmake(const MadeFolders& made);
    int addWithDestination(SyncSession& session, const QString& dest,
                           const std::function<EditOutcome()>& add, const QString& unsaid);
    void summarise(const SyncEngine& engine);
    bool settingsUsable();

    platform::SettingsStore& m_store;
    platform::FileSystem& m_fs;
    platform::VolumeService& m_volumes;
    Io m_io;
    QString m_logPath;
    QString m_windowProgram;
};

} // namespace quillet
