#pragma once

#include "CopyRunner.h"
#include "DriveGuard.h"
#include "FileProbe.h"
#include "FolderLister.h"
#include "PassReport.h"
#include "RecordKeeper.h"
#include "SyncLog.h"
#include "SyncSession.h"
#include "SyncView.h"
#include "WalkPlan.h"
#include "base/Clock.h"
#include "base/Path.h"

#include <QString>

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

namespace quillet {

// One synchronisation pass over the sync list: the rows, the folder walk and the decision for
// each pair of files. The drive guard, the copy runner, the record and the pass's report are
// rooms of their own.
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
    // Threads that write small copies toward the drive, several files in flight: while one
    // waits for the disk (a source not read yet) or for a FUSE driver's answer, the next is on
    // its way (0: the pass's thread writes each). Again only the speed changes.
    static constexpr int DefaultCopyWriters = 3;
    // Fixes the number.
    void setCopyWriters(int writers);

    // The procedures the rest of the program knows by these names.
    // One pass. A pass asked for while one runs is ignored.
    void Syncronize();
    // Walks folder (on the side rooted at root) against the other side (otherRoot).
    void SyncFolder(const Path& folder, const Path& root, const Path& otherRoot);
    // Copy for a file row (rowNumber counts rows from 1).
    void CopyFilewStatus(const Path& from, const Path& to, int rowNumber, bool towardDrive);
    // Copy inside a folder row, without touching the list; subject is the walked path the
    // log names.
    void SmoothCopy(const Path& from, const Path& to, const QString& subject);

    // A preview: the pass looks at both sides as a pass would and tells the view what it
    // would copy (planned) and which files would fail (fileFailed), and changes nothing: no
    // copy, no folder, no leftover removed, no log written, no record written.
    void setPreview(bool preview) { m_preview = preview; }

    // The Stop command.
    void requestStop() { m_stopRequested = true; }
    bool StopRequested() { return m_stopRequested || m_view.stopRequested(); }
    bool isRunning() const { return m_running; }

    // What the last pass did, file by file (the files a folder walk creates are not in
    // the log).
    using Summary = PassSummary;
    const Summary& lastPass() const { return m_report.summary(); }
    SyncLog& log() { return m_log; }

private:
    // What a folder walk knows about the row it belongs to.
    struct RowState {
        int row = 0;
        Path localRoot;
        Path driveRoot;
        // The two roots and every folder above them: a walk that reaches one of these (a
        // drive mounted inside the synced folder, a folder reached through a link) would
        // copy a tree into itself.
        FolderIds rootsAndAbove;
        // The coarser time step of the two sides' file systems, in nanoseconds.
        std::int64_t timeStep = 1'000'000'000;
        bool localFoldsCase = false;
        bool driveFoldsCase = false;
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
    // Two files of the same name in a folder pair, as the listings saw them.
    struct NamePair {
        Path thisPath;
        platform::FileStat here;
        Path otherPath;
        platform::FileStat there;
        Side thisSide = Side::Local;
    };
    // Whether the walk looks at a name in a folder for the first time.
    enum class Look { First, Again };

    // A row starts with nothing known and nothing failed.
    void startRow(int row);
    QString driveName() const;
    // Keeps the version about to be replaced beside it under a conflict name; false (and
    // reported) when it cannot be.
    bool setAside(const Path& to, const QString& subject);
    // The entry a copy from one side to the other leaves in the record.
    RecordEntry agreedAfterCopy(bool towardDrive) const;

    void syncFileRow(int row);
    // A row the pass cannot copy at all: one line in the log, the row an error.
    void failRow(int row, SyncFailure::Reason reason, const QString& message = {});
    void syncFolderRow(int row);
    void setRowStatus(int row, const QString& status);
    // Walks a pair of folders. The folders are made first, one level each, unless the
    // listings above already showed them as folders.
    enum class Made { Unknown, Both };
    void walk(const FolderPair& folders, Made made);
    // What one side of a folder pair holds, without the temporary files of copies.
    platform::Listing listSide(const Path& folder, bool onDrive);
    // Does what the plan says: the subfolders, then the files.
    void follow(const FolderPair& folders, const WalkPlan& plan, bool foldHere, bool foldThere);
    void examine(const QString& subject, const NamePair& names, Look look);
    // Logs the line of a file on both sides whose times differ, then copies (or not) as the
    // conflict mode says. The local side decides: the fixed directions are the same wherever
    // the walk reached the folder.
    void act(StampOrder localVersusDrive, const QString& subject, const Path& localSide,
             const Path& driveSide, std::optional<int> row);
    bool confirmed(const Path& from, const Path& to);
    // Writes a copy beside its destination, to be placed with its batch.
    void stageCopy(const Path& from, const Path& to, const QString& subject,
                   std::optional<std::int64_t> length = std::nullopt);
    // In a preview, tells the view of a copy instead of doing it; false otherwise.
    bool previewed(const Path& from, const Path& to, const QString& subject);
    // The step of times on the volume of path, which is on device; tells the transfer when
    // that volume keeps no permissions of its own. Asked once a row (the drive once a pass):
    // each question reads the mount table.
    std::int64_t learnVolume(const Path& path, std::uint64_t device);
    bool foldingVolume(const Path& path) const;
    QString now() const;

    SyncSession& m_session;
    SyncView& m_view;
    const Clock& m_clock;
    SyncLog m_log;
    PassReport m_report;
    DriveGuard m_drive;
    RecordKeeper m_record;
    CopyRunner m_copies;
    std::unique_ptr<FolderLister> m_lister;
    int m_listingWorkers = DefaultListingWorkers;
    bool m_fixedListingWorkers = false;
    bool m_fixedCopyWriters = false;
    bool m_stopRequested = false;
    bool m_running = false;
    bool m_preview = false;
    std::string m_driveType; // the drive's file system, known in a preview
    // A preview copies nothing, so the walk's second look at a name finds the same work:
    // each destination is told once.
    std::unordered_set<std::string> m_previewed;
    std::int64_t m_driveTimeStep = 1'000'000'000; // as the drive's file system keeps times
    RowState m_row;
    std::unordered_set<std::string> m_walked;
    Pair m_pair;
};

} // namespace quillet
