#include "CopyRunner.h"

#include "FailureText.h"
#include "platform/ThreadPriority.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <future>
#include <map>
#include <utility>

namespace quillet {

namespace {

// Files at least this large are copied on a worker while the window stays alive.
constexpr std::int64_t BackgroundBytes = 1 << 20;

} // namespace

CopyRunner::CopyRunner(platform::FileSystem& fs, SyncView& view, DriveGuard& drive,
                       PassReport& report, RecordKeeper& record,
                       std::function<bool()> stopRequested)
    : m_fs(fs), m_view(view), m_drive(drive), m_report(report), m_record(record),
      m_stopRequested(std::move(stopRequested)), m_transfer(fs), m_writers(fs), m_placer(fs) {}

void CopyRunner::startPass() {
    m_writers.forgetFolders();
    m_readOnlyThisPass.clear();
    m_pending.clear();
    m_stagedTowardDrive = 0;
}

template <typename T>
T CopyRunner::await(std::future<T>& done) {
    // The flushes wait for the disk: a worker waits, the window does not.
    while (done.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready)
        m_view.yield();
    return done.get();
}

template <typename Step>
bool CopyRunner::run(const QString& shown, std::int64_t total, Step step, bool pushing) {
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
    std::int64_t seen = 0;
    while (done.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready) {
        const std::int64_t bytesDone = m_transfer.bytesDone();
        if (pushing) {
            push(bytesDone - seen);
            seen = bytesDone;
        }
        // Every byte may be read while the flush still runs: only the step's end says done.
        m_view.copyProgress(shown, std::min(bytesDone, total - 1), total);
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
    const bool driveGone = (fromDrive || towardDrive) && !m_drive.likelyThere();
    const bool refused = m_readOnlyThisPass.count(to.native()) > 0;
    std::int64_t total = 0;
    if (!driveGone && !refused)
        total = length ? *length : m_fs.stat(from.native()).length;
    const bool handOver = !driveGone && !refused && placing == FileTransfer::Placing::WithBatch &&
                          towardDrive && total < BackgroundBytes && m_writers.count() > 0;
    // What was handed over is told first, so that the pass tells its copies in one order.
    if (!handOver)
        takeAllWritten();
    if (driveGone) {
        m_report.fail(subject, SyncFailure::Reason::DriveRemoved);
        return false;
    }
    if (refusedAsReadOnly(to, subject, towardDrive, fromDrive))
        return false;
    const FileTransfer::Target target{to,
                                      towardDrive ? std::optional(m_drive.device()) : std::nullopt};
    if (handOver) {
        if (m_writers.handedOver() >= HandedOverAtMost)
            takeWritten();
        m_writers.submit(from, target, subject, m_transfer.modelessVolumes());
        m_handedOver.push_back(HandedOver{to, subject, total, fromDrive, std::move(agreement)});
        m_pushOnto = to.parent();
        push(total);
    } else {
        const std::size_t stagedBefore = m_transfer.stagedCount();
        const bool pushing = towardDrive && m_pushes;
        if (pushing)
            m_pushOnto = to.parent();
        if (!run(
                to.display(), total,
                [&] { return m_transfer.copy(from, target, placing, subject); }, pushing)) {
            reportNotCopied(m_transfer.lastFailure(), to, total, subject, towardDrive, fromDrive);
            return false;
        }
        if (placing == FileTransfer::Placing::Now) {
            PassSummary& summary = m_report.summary();
            ++summary.copies;
            ++(towardDrive ? summary.toDrive : summary.toLocal);
            return true;
        }
        if (m_transfer.stagedCount() > stagedBefore)
            staged(to, subject, towardDrive, std::move(agreement));
    }
    if (m_transfer.stagedCount() + m_writers.handedOver() >= StagedBatch)
        startPlacing();
    return true;
}

void CopyRunner::push(std::int64_t written) {
    if (!m_pushes)
        return;
    m_unpushed += written;
    if (m_unpushed < PushBytes || (m_pushing.valid() && m_pushing.wait_for(std::chrono::seconds(
                                                            0)) != std::future_status::ready))
        return;
    m_unpushed = 0;
    m_pushing = std::async(std::launch::async, [this, folder = m_pushOnto.native()] {
        platform::yieldToForeground();
        (void)m_fs.flushVolume(folder); // only sooner: the batch's flush still says done
    });
}

void CopyRunner::endPush() {
    if (m_pushing.valid())
        await(m_pushing);
    m_unpushed = 0;
}

void CopyRunner::staged(const Path& to, const QString& subject, bool towardDrive,
                        std::optional<Agreement> agreement) {
    // Counted, and agreed in the record, once its batch is placed.
    m_staging.insert(to.native());
    if (agreement)
        m_pending.push_back(Pending{to.native(), subject, std::move(*agreement)});
    if (towardDrive)
        ++m_stagedTowardDrive;
}

void CopyRunner::takeWritten() {
    CopyWriters::Written written = m_writers.takeOldest([this] { m_view.yield(); });
    HandedOver handed = std::move(m_handedOver.front());
    m_handedOver.pop_front();
    if (!written.ok) {
        reportNotCopied(written.failure, handed.to, handed.length, handed.subject, true,
                        handed.fromDrive);
        return;
    }
    if (!written.staged)
        return;
    m_transfer.adoptStaged(std::move(*written.staged));
    staged(handed.to, handed.subject, true, std::move(handed.agreement));
}

void CopyRunner::takeAllWritten() {
    while (m_writers.handedOver() > 0)
        takeWritten();
}

bool CopyRunner::isStaging(const Path& destination) {
    // A copy still with the writers may yet fail: its result decides.
    if (m_writers.holds(destination))
        takeAllWritten();
    const std::string& path = destination.native();
    return m_staging.count(path) > 0 || (m_placing && m_placing->destinations.count(path) > 0) ||
           (m_unconfirmed && m_unconfirmed->destinations.count(path) > 0);
}

bool CopyRunner::isStagedTemp(const Path& tempPath) {
    // A writer's temporary file is known by name once its copy is taken back.
    takeAllWritten();
    return m_transfer.isStaged(tempPath) ||
           (m_placing && m_placing->temps.count(tempPath.native()) > 0);
}

void CopyRunner::flush() {
    startPlacing();
    finishPlacing();
    endPush();
    if (!m_unconfirmed)
        return;
    auto done = std::async(std::launch::async, [this, volumes = m_unconfirmed->renamed.volumes] {
        return m_placer.flushVolumes(volumes);
    });
    const FileTransfer::Flushed flushed = await(done);
    const std::unique_ptr<PlacingBatch> batch = std::move(m_unconfirmed);
    settle(*batch, flushed);
}

void CopyRunner::startPlacing() {
    takeAllWritten();
    if (m_transfer.stagedCount() == 0)
        return;
    finishPlacing();
    // The writers' next copies look at their folders afresh, as this transfer's do.
    m_writers.forgetFolders();
    auto batch = std::make_unique<PlacingBatch>();
    batch->staged = m_transfer.takeStaged();
    for (const FileTransfer::Staged& s : batch->staged)
        batch->temps.insert(s.tempPath);
    batch->destinations = std::exchange(m_staging, {});
    batch->towardDrive = std::exchange(m_stagedTowardDrive, 0);
    batch->pending = std::exchange(m_pending, {});
    std::map<std::uint64_t, std::string> volumes = FileTransfer::volumesOf(batch->staged);
    if (m_unconfirmed)
        volumes.insert(m_unconfirmed->renamed.volumes.begin(),
                       m_unconfirmed->renamed.volumes.end());
    m_placingStep = std::async(std::launch::async,
                               [this, &staged = batch->staged, volumes = std::move(volumes)] {
                                   platform::yieldToForeground();
                                   PlacingStep step;
                                   step.flushed = m_placer.flushVolumes(volumes);
                                   step.renamed = m_placer.renameFlushed(staged, step.flushed);
                                   return step;
                               });
    m_placing = std::move(batch);
}

void CopyRunner::finishPlacing() {
    if (!m_placing)
        return;
    PlacingStep step = await(m_placingStep);
    if (m_unconfirmed)
        settle(*m_unconfirmed, step.flushed);
    m_placing->renamed = std::move(step.renamed);
    m_unconfirmed = std::move(m_placing);
}

void CopyRunner::settle(const PlacingBatch& batch, const FileTransfer::Flushed& flushed) {
    std::vector<FileTransfer::StagedFailure> failed = batch.renamed.failed;
    for (FileTransfer::StagedFailure& f : FileTransfer::unconfirmed(batch.renamed, flushed))
        failed.push_back(std::move(f));
    const std::size_t staged = batch.staged.size();
    PassSummary& summary = m_report.summary();
    summary.copies += static_cast<int>(staged - failed.size());
    std::size_t placedTowardDrive = batch.towardDrive;
    std::size_t placedTowardLocal = staged - batch.towardDrive;
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
    for (const Pending& pending : batch.pending) {
        const bool placed = std::none_of(failed.begin(), failed.end(), [&](const auto& f) {
            return f.destination.native() == pending.destination || f.subject == pending.subject;
        });
        if (placed)
            m_record.agree(pending.agreement.key, pending.agreement.entry);
    }
}

SyncFailure CopyRunner::failureOf(const TransferFailure& failure, const QString& subject,
                                  bool towardDrive, bool fromDrive) {
    if ((towardDrive || fromDrive) && !m_drive.stillThere())
        return SyncFailure{SyncFailure::Reason::DriveRemoved, subject, 0, {}};
    return SyncFailure{reasonOf(failure, towardDrive, fromDrive), subject, failure.code,
                       QString::fromStdString(failure.message)};
}

SyncFailure CopyRunner::writeFailure(const TransferFailure& failure, const Path& to,
                                     std::int64_t length, const QString& subject, bool towardDrive,
                                     bool fromDrive) {
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

void CopyRunner::reportNotCopied(const TransferFailure& failure, const Path& to,
                                 std::int64_t length, const QString& subject, bool towardDrive,
                                 bool fromDrive) {
    if (failure.kind == TransferFailure::Kind::Stopped) {
        m_report.stopped(subject);
        return;
    }
    // Not written again in this pass, even where the failure gave it its write permission back.
    if (failure.kind == TransferFailure::Kind::ReadOnly)
        m_readOnlyThisPass.insert(to.native());
    m_report.fail(writeFailure(failure, to, length, subject, towardDrive, fromDrive));
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
