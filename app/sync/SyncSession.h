#pragma once

#include "ConflictMode.h"
#include "FileProbe.h"
#include "SyncList.h"
#include "drives/DriveIdentity.h"
#include "drives/DriveWatch.h"
#include "drives/PairedDrive.h"
#include "platform/FileSystem.h"
#include "platform/SettingsStore.h"
#include "platform/UserLock.h"
#include "platform/VolumeService.h"

#include <QString>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace quillet {

// What an add or a removal came to, for whoever shows it.
struct EditOutcome {
    enum class Code {
        Done,
        DriveAbsent,
        BadInput,
        NotSaved,         // the settings could not be written: nothing was changed
        RemoteNotDeleted, // the item is gone, its copy on the drive could not be deleted
        Declined,         // nothing was chosen: nothing changed, nothing to say
    };
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
// list, and the drive watch. The window, the command line tool and the tests all drive the
// same session.
class SyncSession {
public:
    SyncSession(platform::SettingsStore& store, platform::FileSystem& fs,
                platform::VolumeService& volumes);

    SyncSession(const SyncSession&) = delete;
    SyncSession& operator=(const SyncSession&) = delete;

    // The paired drive and the conflict mode, read-only under the names callers have always
    // read them by; they change only through the operations below.
    const PairedDrive& drive = m_drive;
    const ConflictMode& conflictMode = m_conflictMode;

    // The selected entries of the two option lists; none when nothing is selected.
    std::optional<int> conflictSelection() const { return m_conflictSelection; }
    std::optional<int> refreshSelection() const { return m_refreshSelection; }

    // Load settings, options and the list; arm the watch. Loading stores both option
    // choices back, as selecting them does; NotSaved when that could not be written.
    EditOutcome GoLoad();
    // The same load, writing nothing: a command that only reads, or that is refused, leaves
    // the store exactly as it was.
    void loadReadOnly();
    // Reads the pairing and the options again from the store, which another process may
    // have changed, and sees to it that the next RefreshFiles reads the list afresh. The
    // watch and the list are left alone, except that a new pairing forgets the drive found.
    void reloadSettings();
    void RefreshFiles();
    void SaveFiles();

    // A choice in the conflict list: becomes the mode and is stored.
    EditOutcome selectConflictMode(int index);
    // A choice in the refresh list (none: nothing selected): sets the interval and is stored.
    EditOutcome selectRefreshTime(std::optional<int> index);
    static int refreshSecondsFor(std::optional<int> index);

    // Where the paired drive is now ("?" while absent), and the watch that finds it.
    const QString& FoundLetter() const { return m_watch.FoundLetter(); }
    bool driveFound() const { return m_watch.driveFound(); }
    void SearchLetter() { m_watch.SearchLetter(); }
    DriveWatch& watch() { return m_watch; }

    // Pair the drive mounted at root, replacing any earlier pairing. confirmReplace is
    // asked only when a drive was paired before; false leaves everything as it was. A root
    // that is no drive's, or a drive whose serial or size cannot be read, is refused before
    // anything is asked or changed: such a pairing would match the wrong drive, or none.
    struct PairOutcome {
        enum class Code {
            Paired,
            Declined,
            NotADrive,  // no root given, or not the root of a drive
            Unreadable, // its serial number or size cannot be read
            NotSaved,
        };
        Code code = Code::Paired;
        QString message;   // why it was not paired; empty for Paired and Declined
        int forgotten = 0; // the items of the drive paired before, dropped with it
        bool ok() const { return code == Code::Paired; }
    };
    PairOutcome StartNewSync(const QString& root, bool sameRootOnly,
                             const std::function<bool()>& confirmReplace);
    bool hasPairedDrive() const;
    // The items of the paired drive's list as stored now: what a new pairing would forget.
    int storedItemCount() const;
    // Whether the paired drive is found only under the root it was paired at; changed
    // without pairing again, so that the list stays. BadInput when no drive is paired.
    EditOutcome setSameRootOnly(bool sameRootOnly);

    // Every edit of the stored settings below is made under a per-user lock on the store as
    // it stands then (other processes may have changed it), and is checked to have reached
    // it: NotSaved says why not.

    // Adds without pickers: the destination folder is given.
    EditOutcome AddNewFile(const QString& path, const QString& destFolder);
    EditOutcome AddNewFolder(const QString& path, const QString& destFolder);
    // The checks of those adds that need no destination, in their order, for a window that
    // asks for the destination only when the item can be added. Done when they pass; the
    // add makes them again.
    EditOutcome checkNewFile(const QString& path) const;
    EditOutcome checkNewFolder(const QString& folder) const;
    // Remove row index (from 0); deleteRemote also deletes a file item's copy on the drive,
    // once the store no longer holds the item.
    EditOutcome RemoveItem(int index, bool deleteRemote);

    // The still-running notice shown when the window is closed: while "ExitWarning" is
    // exactly "Yes", as it is when missing.
    bool exitWarningShown() const;
    EditOutcome setExitWarningShown(bool shown);

    // The user's turn to run a pass, across processes: held until the returned lock goes.
    // None while another process of this user is passing; passBusy() then says so. Where no
    // lock file can be made the pass runs all the same, unguarded as before.
    std::unique_ptr<platform::UserLock> takePassTurn();
    bool passBusy() const { return m_passBusy; }

    SyncList& list() { return m_list; }
    const FileProbe& probe() const { return m_probe; }
    DriveIdentity& identity() { return m_identity; }
    platform::SettingsStore& store() { return m_store; }
    platform::FileSystem& fileSystem() { return m_fs; }
    platform::VolumeService& volumes() { return m_volumes; }

    // The leading number of a text, rounded half to even; none when it does not fit 16 bits.
    static std::optional<int> leadingNumber(const QString& text);

private:
    void load(bool storeChoices);
    void readDrive();
    void readOptions(bool storeChoices);
    void applyConflictMode(int index);
    void applyRefreshTime(std::optional<int> index);
    // Reads the pairing again; when another process changed it, finds the drive anew.
    void refreshPairing();
    // Runs change as one edit of the store: locked, on a fresh read, then written and
    // checked. Nested calls join the edit under way.
    EditOutcome changeSettings(const std::function<EditOutcome()>& change);
    static constexpr std::chrono::seconds SettingsWait{20};
    EditOutcome addFile(const QString& path, const QString& destFolder);
    EditOutcome addFolder(const QString& folder, const QString& destFolder);
    // Whether a local path lies on the paired drive, by its text or through links.
    bool onPairedDrive(const QString& path) const;
    // Refuses an item whose place on the drive an item of the list already keeps in step.
    EditOutcome placeTaken(const SyncItem& item) const;

    platform::SettingsStore& m_store;
    platform::FileSystem& m_fs;
    platform::VolumeService& m_volumes;
    PairedDrive m_drive;
    ConflictMode m_conflictMode;
    FileProbe m_probe;
    DriveIdentity m_identity;
    DriveWatch m_watch;
    SyncList m_list;
    std::optional<int> m_conflictSelection;
    std::optional<int> m_refreshSelection;
    QString m_lockFolder;
    int m_settingsDepth = 0;
    bool m_passBusy = false;
};

} // namespace quillet
