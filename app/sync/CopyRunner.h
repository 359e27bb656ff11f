#pragma once

#include "DriveGuard.h"
#include "FileTransfer.h"
#include "PassReport.h"
#include "RecordKeeper.h"
#include "SyncView.h"
#include "base/Path.h"

#include <QString>

#include <functional>

#include <optional>
#include <set>
#include <string>
#include <vector>

namespace quillet {

// Runs the copies of a pass: at once (a file row's) or written beside their destinations and
// placed with their batch (a folder walk's). A copy large enough to take a while, and each
// batch's flush, runs on a worker while the calling thread keeps the view alive and reports
// how far it has come. Each failure is reported with its reason.
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
    // Places the copies staged so far.
    void flush();
    // True for a destination whose copy waits for its batch's flush.
    bool isStaging(const Path& destination) const {
        return m_staging.count(destination.native()) > 0;
    }

    // Removes the temporary files interrupted copies left beside file.
    void clearLeftoversBeside(const Path& file);
    void removeLeftover(const Path& path);

private:
    // Runs a transfer step, on a worker when it may take long, keeping the view alive.
    template <typename Step>
    bool run(const QString& shown, std::int64_t total, Step step);
    SyncFailure failureOf(const TransferFailure& failure, const QString& subject, bool towardDrive,
                          bool fromDrive);
    // The transfer's last failure to write a file of this length at "to".
    SyncFailure writeFailure(const Path& to, std::int64_t length, const QString& subject,
                             bool towardDrive, bool fromDrive);
    // Remembers a destination whose copy failed as read-only in this pass.
    void noteReadOnly(const Path& to);
    // True (and reported) for a destination that failed as read-only earlier in this pass.
    bool refusedAsReadOnly(const Path& to, const QString& subject, bool towardDrive,
                           bool fromDrive);
    // Reports why the copy to "to" did not happen: a failure, or a stop.
    void reportNotCopied(const Path& to, std::int64_t length, const QString& subject,
                         bool towardDrive, bool fromDrive);

    // Copies in a walk flushed together; bounded so that a stopped or failing pass loses
    // little.
    static constexpr std::size_t StagedBatch = 512;

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
};

} // namespace quillet
