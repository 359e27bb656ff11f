#include "CopyRunner.h"

#include "FailureText.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <future>

namespace quillet {

namespace {

// Files at least this large are copied on a worker while the window stays alive.
constexpr std::int64_t BackgroundBytes = 1 << 20;

} // namespace

CopyRunner::CopyRunner(platform::FileSystem& fs, SyncView& view, DriveGuard& drive,
                       PassReport& report, RecordKeeper& record,
                       std::function<bool()> stopRequested)
    : m_fs(fs), m_view(view), m_drive(drive), m_report(report), m_record(record),
      m_stopRequested(std::move(stopRequested)), m_transfer(fs) {}

void CopyRunner::startPass() {
    m_readOnlyThisPass.clear();
    m_pending.clear();
    m_stagedTowardDrive = 0;
}

template <typename Step>
bool CopyRunner::run(const QString& shown, std::int64_t total, Step step) {
    if (total < BackgroundBytes)
        return step();
    // Long copies and flushes run on a worker; this thread keeps the window alive and
    // reports how far the copy has come.
    m_view.copyProgress(shown, 0, total);
    // Stop ends a long copy within a block, not when the file is done.
    auto stopLooked = [this] {
        if (m_stopRequested())
            m_transfer.cancel();
    };
    stopLooked();
    auto done = std::async(std::launch::async, std::move(step));
    while (done.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready) {
        // Every byte may be read while the flush still runs: only the step's end says done.
        m_view.copyProgress(shown, std::min(m_transfer.bytesDone(), total - 1), total);
        m_view.yield();
        stopLooked();
    }
    const bool ok = done.get();
    m_transfer.resume();
    m_view.copyProgress(shown, total, total);
    return ok;
}

bool CopyRunner::copy(const Path& from, const Path& to, const QString& subject,
                      FileTransfer::Placing placing, std::optional<std::int64_t> length,
                      std::optional<Agreement> agreement) {
    const bool fromDrive = m_drive.holds(from);
    const bool towardDrive = m_drive.holds(to);
    if ((fromDrive || towardDrive) && !m_drive.likelyThere()) {
        m_report.fail(subject, SyncFailure::Reason::DriveRemoved);
        return false;
    }
    if (refusedAsReadOnly(to, subject, towardDrive, fromDrive))
        return false;
    const FileTransfer::Target target{to,
                                      towardDrive ? std::optional(m_drive.device()) : std::nullopt};
    const std::size_t stagedBefore = m_transfer.stagedCount();
    const std::int64_t total = length ? *length : m_fs.stat(from.native()).length;
    if (!run(to.display(), total,
             [&] { return m_transfer.copy(from, target, placing, subject); })) {
        reportNotCopied(to, total, subject, towardDrive, fromDrive);
        return false;
    }
    if (placing == FileTransfer::Placing::Now) {
        PassSummary& summary = m_report.summary();
        ++summary.copies;
        ++(towardDrive ? summary.toDrive : summary.toLocal);
        return true;
    }
    // Counted, and agreed in the record, once its batch is placed.
    if (m_transfer.stagedCount() > stagedBefore) {
        m_staging.insert(to.native());
        if (agreement)
            m_pending.push_back(Pending{to.native(), subject, std::move(*agreement)});
        if (towardDrive)
            ++m_stagedTowardDrive;
    }
    if (m_transfer.stagedCount() >= StagedBatch)
        flush();
    return true;
}

void CopyRunner::flush() {
    const std::size_t staged = m_transfer.stagedCount();
    if (staged == 0)
        return;
    // The flushes wait for the disk: a worker waits, the window does not.
    auto done = std::async(std::launch::async, [this] { return m_transfer.placeStaged(); });
    while (done.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready)
        m_view.yield();
    const std::vector<FileTransfer::StagedFailure> failed = done.get();
    m_staging.clear();
    PassSummary& summary = m_report.summary();
    summary.copies += static_cast<int>(staged - failed.size());
    std::size_t placedTowardDrive = m_stagedTowardDrive;
    std::size_t placedTowardLocal = staged - m_stagedTowardDrive;
    m_stagedTowardDrive = 0;
    for (const FileTransfer::StagedFailure& f : failed) {
        const bool towardDrive = m_drive.holds(f.destination);
        std::size_t* side = towardDrive ? &placedTowardDrive : &placedTowardLocal;
        if (*side == 0) // a link made it land on the other side
            side = towardDrive ? &placedTowardLocal : &placedTowardDrive;
        --*side;
        m_report.fail(failureOf(f.failure, f.subject, towardDrive, !towardDrive));
    }
    summary.toDrive += static_cast<int>(placedTowardDrive);
    summary.toLocal += static_cast<int>(placedTowardLocal);
    // What was placed is in step; what failed is not.
    for (const Pending& pending : m_pending) {
        const bool placed = std::none_of(failed.begin(), failed.end(), [&](const auto& f) {
            return f.destination.native() == pending.destination || f.subject == pending.subject;
        });
        if (placed)
            m_record.agree(pending.agreement.key, pending.agreement.entry);
    }
    m_pending.clear();
}

SyncFailure CopyRunner::failureOf(const TransferFailure& failure, const QString& subject,
                                  bool towardDrive, bool fromDrive) {
    if ((towardDrive || fromDrive) && !m_drive.stillThere())
        return SyncFailure{SyncFailure::Reason::DriveRemoved, subject, 0, {}};
    return SyncFailure{reasonOf(failure, towardDrive, fromDrive), subject, failure.code,
                       QString::fromStdString(failure.message)};
}

SyncFailure CopyRunner::writeFailure(const Path& to, std::int64_t length, const QString& subject,
                                     bool towardDrive, bool fromDrive) {
    const TransferFailure& failure = m_transfer.lastFailure();
    // Some drives say a full disk in other words (FAT through FUSE: EPERM).
    if (failure.kind == TransferFailure::Kind::System && failure.code != ENOSPC &&
        (failure.code == EPERM || failure.code == EFBIG || failure.code == EIO)) {
        const auto room = m_fs.availableBytes(to.parent().native());
        if (room && room.value() < static_cast<std::uint64_t>(std::max<std::int64_t>(length, 1)))
            return failureOf(TransferFailure{TransferFailure::Kind::System, ENOSPC, {}}, subject,
                             towardDrive, fromDrive);
    }
    return failureOf(failure, subject, towardDrive, fromDrive);
}

void CopyRunner::reportNotCopied(const Path& to, std::int64_t length, const QString& subject,
                                 bool towardDrive, bool fromDrive) {
    if (m_transfer.lastFailure().kind == TransferFailure::Kind::Stopped) {
        m_report.stopped(subject);
        return;
    }
    noteReadOnly(to);
    m_report.fail(writeFailure(to, length, subject, towardDrive, fromDrive));
}

void CopyRunner::noteReadOnly(const Path& to) {
    if (m_transfer.lastFailure().kind == TransferFailure::Kind::ReadOnly)
        m_readOnlyThisPass.insert(to.native());
}

bool CopyRunner::refusedAsReadOnly(const Path& to, const QString& subject, bool towardDrive,
                                   bool fromDrive) {
    // Its failure may have given it its write permission back; its content waits for the
    // next pass all the same, so that no read-only file is written in the pass that found it so.
    if (m_readOnlyThisPass.count(to.native()) == 0)
        return false;
    m_report.fail(failureOf(TransferFailure{TransferFailure::Kind::ReadOnly, 0, {}}, subject,
                            towardDrive, fromDrive));
    return true;
}

void CopyRunner::clearLeftoversBeside(const Path& file) {
    // A file row's folder is never walked: its leftovers are looked for when it is written.
    const Path folder = file.parent();
    if (m_drive.holds(file) && !m_drive.stillThere())
        return;
    auto listed = m_fs.listDirectory(folder.native());
    if (!listed)
        return;
    for (const platform::DirEntry& e : listed.value().entries) {
        if (platform::isTransferTempName(e.name) && e.stat.isRegular)
            removeLeftover(folder / e.name);
    }
}

void CopyRunner::removeLeftover(const Path& path) {
    if (!m_fs.remove(path.native()))
        return;
    m_report.log().writeLine(
        path.display() +
        QStringLiteral(" - Removed (a temporary file left by an interrupted copy)"));
}

} // namespace quillet
