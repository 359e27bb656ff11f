#pragma once

#include "CopyWriters.h"
#include "DriveGuard.h"
#include "FileTransfer.h"
#include "PassReport.h"
#include "RecordKeeper.h"
#include "SyncView.h"
#include "base/Path.h"

#include <QString>

#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace quillet {

// Runs the copies of a pass: at once (a file row's) or written beside their destinations and
// placed with their batch (a folder walk's). Small copies toward the drive are written by a
// few writer threads at once, a batch is placed by a worker while the walk writes the next,
// and a copy large enough to take a while runs on a worker while the calling thread keeps the
// view alive and reports how far it has come. What the pass tells (counts, failures with
// their reasons, the record) is told on the calling thread, in the order the copies came.
class CopyRunner {
public:
    // stopRequested: asked while a long copy runs; true cancels it between two blocks.
    CopyRunner(platform::FileSystem& fs, SyncView& view, DriveGuard& drive, PassReport& report,
               RecordKeeper& record, std::function<bool()> stopRequested);

    FileTransfer& transfer() { return m_transfer; }
    void startPass();

    // What the record learns once a copy placed with its batch is in place.
    struct Agreement {
        std::string key;
        RecordEntry entry;
    };
    // Copies from to "to", in place now or with its batch (see FileTransfer::Placing);
    // false, and reported, when it did not happen. length: the source's, when it is known
    // already.
    bool copy(const Path& from, const Path& to, const QString& subject,
              FileTransfer::Placing placing, std::optional<std::int64_t> length = std::nullopt,
              std::optional<Agreement> agreement = std::nullopt);
    // Places the copies staged so far, and waits for every batch to be placed.
    void flush();
    // True for a destination whose copy waits for its batch to be placed.
    bool isStaging(const Path& destination);
    // True for the temporary file of a copy whose batch is not placed yet.
    bool isStagedTemp(const Path& tempPath);
    // Threads that write small copies toward the drive several at a time (0: this thread
    // writes them).
    void setWriters(int writers) { m_writers.setCount(writers); }
    // Pushes the drive's device while copies go on (see push()).
    void setPushing(bool pushing) { m_pushes = pushing; }

    // Removes the temporary files interrupted copies left beside file.
    void clearLeftoversBeside(const Path& file);
    void removeLeftover(const Path& path);

private:
    // Runs a transfer step, on a worker when it may take long, keeping the view alive.
    // pushing: the copy goes to a drive whose device is pushed while it runs (see push()).
    template <typename Step>
    bool run(const QString& shown, std::int64_t total, Step step, bool pushing);
    // Behind a FUSE driver, what a copy wrote stays in the device's cache until a flush, so a
    // slow stick would start writing only at the batch's flush. Every PushBytes written toward
    // such a drive, a worker flushes it while the pass goes on; the batch's own flushes, which
    // the guarantees rest on, stay as they are.
    void push(std::int64_t written);
    // Waits for a push under way.
    void endPush();
    SyncFailure failureOf(const TransferFailure& failure, const QString& subject, bool towardDrive,
                          bool fromDrive);
    // A failure to write a file of this length at "to".
    SyncFailure writeFailure(const TransferFailure& failure, const Path& to, std::int64_t length,
                             const QString& subject, bool towardDrive, bool fromDrive);
    // True (and reported) for a destination that failed as read-only earlier in this pass.
    bool refusedAsReadOnly(const Path& to, const QString& subject, bool towardDrive,
                           bool fromDrive);
    // Reports why the copy to "to" did not happen: a failure, or a stop.
    void reportNotCopied(const TransferFailure& failure, const Path& to, std::int64_t length,
                         const QString& subject, bool towardDrive, bool fromDrive);
    // What follows a copy written beside its destination: it waits for its batch.
    void staged(const Path& to, const QString& subject, bool towardDrive,
                std::optional<Agreement> agreement);
    // Takes back the oldest copy handed to the writers; every one, in the order handed over.
    void takeWritten();
    void takeAllWritten();
    // Hands the staged copies to a worker that places them while the walk writes the next.
    void startPlacing();
    // Waits for the batch being placed, if any, and counts, reports and records it.
    void finishPlacing();

    // Copies in a walk flushed together; bounded so that a drive pulled mid-pass loses little
    // work.
    static constexpr std::size_t StagedBatch = 2048;
    static constexpr std::int64_t PushBytes = 8 << 20;
    // Copies handed to the writers at most: enough to keep them busy, few to wait for.
    static constexpr std::size_t HandedOverAtMost = 64;

    platform::FileSystem& m_fs;
    SyncView& m_view;
    DriveGuard& m_drive;
    PassReport& m_report;
    RecordKeeper& m_record;
    std::function<bool()> m_stopRequested;
    FileTransfer m_transfer;
    // Destinations of copies written but not yet placed (the batch not flushed yet).
    std::set<std::string> m_staging;
    std::size_t m_stagedTowardDrive = 0; // of the batch not flushed yet
    // Files that failed as read-only in this pass: not written again before the next one,
    // even when the failure gave them their write permission back.
    std::set<std::string> m_readOnlyThisPass;
    // Copies waiting for their batch's flush, and what the record learns once they are placed.
    struct Pending {
        std::string destination;
        QString subject;
        Agreement agreement;
    };
    std::vector<Pending> m_pending;
    CopyWriters m_writers;
    // What the pass knows of each copy handed to the writers, oldest first.
    struct HandedOver {
        Path to;
        QString subject;
        std::int64_t length = 0;
        bool fromDrive = false;
        std::optional<Agreement> agreement;
    };
    std::deque<HandedOver> m_handedOver;
    // Placing overlaps the walk: a worker flushes a batch's volumes and renames its copies
    // while the walk writes the next batch, and that batch's flush is also the one that makes
    // the renames before it last. Flushes: one per batch, and one at the end. A batch's
    // copies are counted, agreed and told done only after the flush that follows its renames.
    struct PlacingBatch {
        std::vector<FileTransfer::Staged> staged; // read by the worker until it is done
        std::set<std::string> destinations;
        std::set<std::string> temps;
        std::size_t towardDrive = 0;
        std::vector<Pending> pending;
        FileTransfer::Renamed renamed; // once the worker renamed them
    };
    struct PlacingStep {
        FileTransfer::Flushed flushed;
        FileTransfer::Renamed renamed;
    };
    // Counts, reports and records a renamed batch once the flush after its renames is known.
    void settle(const PlacingBatch& batch, const FileTransfer::Flushed& flushed);
    // Waits for a worker, keeping the view alive.
    template <typename T>
    T await(std::future<T>& done);

    bool m_pushes = false;
    std::int64_t m_unpushed = 0; // bytes written toward the drive since the last push
    std::future<void> m_pushing;
    Path m_pushOnto;                             // a folder on the drive
    FileTransfer m_placer;                       // used by the worker only; outlives it
    std::unique_ptr<PlacingBatch> m_placing;     // being flushed and renamed by the worker
    std::future<PlacingStep> m_placingStep;      // the worker
    std::unique_ptr<PlacingBatch> m_unconfirmed; // renamed, waiting for the next flush
};

} // namespace quillet
