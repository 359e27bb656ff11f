#pragma once

#include "FileProbe.h"
#include "FileTransfer.h"
#include "FolderLister.h"
#include "SyncLog.h"
#include "SyncRecord.h"
#include "SyncSession.h"
#include "SyncView.h"
#include "base/Clock.h"
#include "base/Path.h"

#include <QElapsedTimer>
#include <QString>

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

namespace quillet {

// One synchronisation pass over the sync list, and the folder merge and transfers it uses.
class SyncEngine {
public:
    SyncEngine(SyncSession& session, SyncView& view, QString logPath,
               const Clock& clock = Clock::system());
    ~SyncEngine();
    SyncEngine(const SyncEngine&) = delete;
    SyncEngine& operator=(const SyncEngine&) = delete;

    // Threads that list the other side of each folder pair while the walk lists this one
    // (0: the walk lists both itself). What a pass does and shows is the same with any
    // number; only its speed changes. One measured best on two cores.
    static constexpr int DefaultListingWorkers = 1;
    // For a drive that answers over a round trip (FUSE, a network share).
    static constexpr int RoundTripListingWorkers = 3;
    // Fixes the number, whatever the drive.
    void setListingWorkers(int workers);

    // The procedures the rest of the program knows by these names.
    // One pass. A pass asked for while one runs is ignored.
    void Syncronize();
    // Walk Folder (on the side rooted at Original) against the other side (Destination).
    void SyncFolder(const Path& Folder, const Path& Original, const Path& Destination);
    // Copy for a file row (xSubItems counts rows from 1); Way is true from local to drive.
    void CopyFilewStatus(const Path& xfrom, const Path& xto, int xSubItems, bool Way);
    // Copy inside a folder row, without touching the list; subject is the walked path the
    // log names.
    void SmoothCopy(const Path& xfrom, const Path& xto, const QString& subject);

    // The Stop command.
    void requestStop() { m_stopRequested = true; }
    bool StopRequested() { return m_stopRequested || m_view.stopRequested(); }
    bool isRunning() const { return m_running; }

    // The replacement question, line by line, joined with CR LF.
    QString confirmationText(const Path& xfrom, const Path& xto) const;

    // What the last pass did, file by file (the files a folder walk creates are not in
    // the log).
    struct Summary {
        bool stopped = false;
        int copies = 0;      // toDrive + toLocal
        int toDrive = 0;     // copied from the PC to the drive
        int toLocal = 0;     // copied from the drive to the PC
        int unchanged = 0;   // the same on both sides, each file once
        int failures = 0;    // files that failed, each once
        int conflicts = 0;   // both copies changed: the replaced one was kept beside it
        QString firstReason; // why the first of them failed, in plain words
    };
    const Summary& lastPass() const { return m_summary; }
    SyncLog& log() { return m_log; }

    static QString title() { return QStringLiteral("Quillet"); }

private:
    // The paired drive as the pass found it: writes meant for it must land on this volume.
    struct DriveState {
        Path root;
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        bool gone = false;
        QElapsedTimer lastLook;
        std::int64_t timeStep = 1'000'000'000; // as its file system keeps times
    };
    // What a folder walk knows about the row it belongs to.
    struct RowState {
        int row = 0;
        Path localRoot;
        Path driveRoot;
        // The two roots and every folder above them, by device and inode: a walk that
        // reaches one of these (a drive mounted inside the synced folder, a folder reached
        // through a link) would copy a tree into itself.
        std::set<std::pair<std::uint64_t, std::uint64_t>> rootsAndAbove;
        // The coarser time step of the two sides' file systems, in nanoseconds.
        std::int64_t timeStep = 1'000'000'000;
        bool localFoldsCase = false;
        bool driveFoldsCase = false;
        int failures = 0;
        int conflicts = 0;   // files whose replaced version was kept beside them
        QString firstReason; // with the path it concerns
        QString lastReason;
        // The item's last agreed state; none when it could not be had.
        std::unique_ptr<SyncRecord> record;
    };
    // The pair of files a copy is about to be decided for, as the record sees it.
    struct Pair {
        // Its name in the record, a view of the walked path (which outlives the decision).
        std::optional<std::string_view> key;
        // The two files as the decision saw them (owned by the caller of the decision).
        const platform::FileStat* local = nullptr;
        const platform::FileStat* drive = nullptr;
        bool conflict = false;       // both changed since the last agreed state
        bool declinedBefore = false; // the user said No to this very pair
    };
    // What the record makes of two files that differ: the order to act on (none: it cannot
    // be told), whether both changed, whether this replacement was declined already.
    struct Judgement {
        std::optional<StampOrder> order;
        bool conflict = false;
        bool declinedBefore = false;
    };
    Judgement judge(std::string_view key, const platform::FileStat& localSt,
                    const platform::FileStat& driveSt, StampOrder order) const;
    void openRecord(const SyncItem& item);
    void saveRecord();
    std::string_view recordKey(const Path& localPath) const;
    // Keeps the version about to be replaced beside it under a conflict name; false (and
    // reported) when it cannot be.
    bool setAside(const Path& xto, const QString& subject);
    // The entry a copy from one side to the other leaves in the record.
    RecordEntry agreedAfterCopy(bool towardDrive) const;
    // Removes the records of drives no longer paired.
    void pruneRecords() const;

    void syncFileRow(int row);
    // A row the pass cannot copy at all: one line in the log, the row an error.
    void failRow(int row, const QString& reason);
    void syncFolderRow(int row);
    void setRowStatus(int row, const QString& status);
    // Walks a pair of folders. The folders are made first, one level each, unless the
    // listings above already showed them as folders.
    enum class Made { Unknown, Both };
    void walk(const Path& thisFolder, const Path& otherFolder, bool thisIsLocal, Made made);
    // firstLook: the walk has not looked at this name in this folder yet.
    void examine(const QString& subject, const Path& thisPath, const platform::FileStat& here,
                 const Path& otherPath, const platform::FileStat& there, bool thisIsLocal,
                 bool firstLook);
    // Logs the line of a file on both sides whose times differ, then copies (or not) as the
    // conflict mode says. The local side decides: the fixed directions are the same wherever
    // the walk reached the folder.
    void act(StampOrder localVersusDrive, const QString& subject, const Path& localSide,
             const Path& driveSide, std::optional<int> row);
    bool confirmed(const Path& xfrom, const Path& xto);

    bool makeFolder(const Path& folder, bool onDrive);
    bool driveStillThere();
    // The same, looked at a few times a second at most.
    bool driveLikelyThere();
    // Why a copy failed, in words for the log, the window and the terminal.
    QString reasonFor(const TransferFailure& failure, bool towardDrive, bool fromDrive);
    // The reason for the transfer's last failure to write a file of this length at "to".
    QString writeFailure(const Path& to, std::int64_t length, bool towardDrive, bool fromDrive);
    bool copy(const Path& from, const Path& to, const QString& subject);
    // Writes a copy beside its destination, to be placed with its batch. length: the
    // source's, when it is known already.
    void stageCopy(const Path& from, const Path& to, const QString& subject,
                   std::optional<std::int64_t> length = std::nullopt);
    void commitCreated();
    // Remembers a destination whose copy failed as read-only in this pass.
    void noteReadOnly(const Path& to);
    // True (and reported) for a destination that failed as read-only earlier in this pass.
    bool refusedAsReadOnly(const Path& to, const QString& subject, bool towardDrive,
                           bool fromDrive);
    void reportFailure(const QString& subject, const QString& reason);
    void removeLeftover(const Path& path);
    // One log line for a folder the walk does not enter, saying why.
    void logLeftOut(const Path& folder, std::uint32_t attributes);
    QString cannotRead(const platform::Error& error) const;
    // The first link at or below the drive root on the way to path, if any.
    bool reachedThroughDriveLink(const Path& path);
    void clearLeftoversBeside(const Path& file);
    // Runs a transfer step, on a worker when it may take long, keeping the window alive.
    template <typename Step>
    bool runStep(const QString& shown, std::int64_t total, Step step);
    // The step of times on the volume of path, which is on device; tells the transfer when
    // that volume keeps no permissions of its own. Asked once a row (the drive once a pass):
    // each question reads the mount table.
    std::int64_t learnVolume(const Path& path, std::uint64_t device);
    bool foldingVolume(const Path& path) const;
    QString now() const;

    // Copies in a walk flushed together; bounded so that a stopped or failing pass loses
    // little.
    static constexpr std::size_t StagedBatch = 512;

    SyncSession& m_session;
    SyncView& m_view;
    const Clock& m_clock;
    SyncLog m_log;
    FileTransfer m_transfer;
    std::unique_ptr<FolderLister> m_lister;
    int m_listingWorkers = DefaultListingWorkers;
    bool m_fixedListingWorkers = false;
    bool m_stopRequested = false;
    bool m_running = false;
    DriveState m_drive;
    RowState m_row;
    std::unordered_set<std::string> m_walked;
    // Destinations of copies written but not yet placed (the batch not flushed yet).
    std::set<std::string> m_staging;
    std::size_t m_stagedTowardDrive = 0; // of the batch not flushed yet
    Summary m_summary;
    std::set<QString> m_failedThisPass; // as shown in the log
    // Files that failed as read-only in this pass: not written again before the next one,
    // even when the failure gave them their write permission back.
    std::set<std::string> m_readOnlyThisPass;
    QString m_recordFolder;
    Pair m_pair;
    // Copies waiting for their batch's flush, and what the record learns once they are placed.
    struct Agreement {
        std::string destination;
        QString subject;
        std::string key;
        RecordEntry entry;
    };
    std::vector<Agreement> m_pendingAgreements;
};

} // namespace quillet
