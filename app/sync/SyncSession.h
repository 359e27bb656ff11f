#pragma once

#include "FileTests.h"
#include "SyncList.h"
#include "drives/DriveIdentity.h"
#include "platform/FileSystem.h"
#include "platform/SettingsStore.h"
#include "platform/VolumeService.h"

#include <QString>
#include <functional>

namespace quillet {

// What an add or a removal came to, for whoever shows it.
struct EditOutcome {
    enum class Code { Done, DriveAbsent, BadInput };
    Code code = Code::Done;
    QString message; // the text to show; empty when nothing is to be said
    bool ok() const { return code == Code::Done; }
};

// An item named on the program's command line.
struct CommandLineAdd {
    enum class Kind { None, File, Folder };
    Kind kind = Kind::None;
    QString path;
    static CommandLineAdd parse(const QString& commandLine);
};

// The program-wide state and the procedures on it: the paired drive, the options, the sync
// list, and the drive watch's counters. The window, the command line tool and the tests
// all drive the same session.
class SyncSession {
public:
    SyncSession(platform::SettingsStore& store, platform::FileSystem& fs,
                platform::VolumeService& volumes);

    // Program-wide values.
    PairedDrive drive;
    QString FoundLetter = QStringLiteral("?");
    qint16 ConflictMode = 0;
    int RefreshSeconds = 5;
    qint32 TimerCount = 0;

    // The selected entries of the two option lists; -1 when none is selected.
    int conflictSelection() const { return m_conflictSelection; }
    int refreshSelection() const { return m_refreshSelection; }

    // Load settings, options and the list; arm the watch.
    void GoLoad();
    void RefreshFiles();
    void SaveFiles();

    // A choice in the conflict list: becomes the mode and is stored.
    void selectConflictMode(int index);
    // A choice in the refresh list (-1 for none): sets the interval and is stored.
    void selectRefreshTime(int index);
    static int refreshSecondsFor(int index);

    // Sets FoundLetter to the paired drive's current root, or "?".
    void SearchLetter();

    // Pair the drive mounted at root, replacing any earlier pairing. confirmReplace is
    // asked only when a drive was paired before; false leaves everything as it was.
    enum class PairOutcome { Paired, Declined };
    PairOutcome StartNewSync(const QString& root, bool sameRootOnly,
                             const std::function<bool()>& confirmReplace);
    bool hasPairedDrive() const;

    // Adds without pickers: the destination folder is given.
    EditOutcome AddNewFile(const QString& path, const QString& destFolder);
    EditOutcome AddNewFolder(const QString& path, const QString& destFolder);
    // Remove row index (from 0); deleteRemote also deletes a file item's copy on the drive.
    EditOutcome RemoveItem(int index, bool deleteRemote);

    // The drive watch's timer; whoever runs the session mirrors it onto a real timer.
    bool searchTimerEnabled() const { return m_timerEnabled; }
    void setSearchTimer(bool enabled);
    std::function<void(bool)> onSearchTimerChanged;

    SyncList& list() { return m_list; }
    const FileTests& tests() const { return m_tests; }
    DriveIdentity& identity() { return m_identity; }
    platform::SettingsStore& store() { return m_store; }
    platform::FileSystem& fileSystem() { return m_fs; }
    platform::VolumeService& volumes() { return m_volumes; }

    // The leading number of a text, rounded half to even; nullopt-style flag when none fits.
    static bool leadingNumber(const QString& text, int& value);

private:
    platform::SettingsStore& m_store;
    platform::FileSystem& m_fs;
    platform::VolumeService& m_volumes;
    FileTests m_tests;
    DriveIdentity m_identity;
    SyncList m_list;
    int m_conflictSelection = -1;
    int m_refreshSelection = -1;
    bool m_timerEnabled = false;
};

} // namespace quillet
