#include "SyncEngine.h"

#include "FailureText.h"
#include "NameGroups.h"
#include "base/Format.h"
#include "base/Translate.h"

#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <string_view>
#include <vector>

namespace quillet {

using platform::DirEntry;
using platform::FileStat;

namespace {

const QString NoChanges = QStringLiteral(" - Not Synchronized (No changes)");
const QString LocalToRemovable = QStringLiteral(" - Synchronized Local Drive to Removable Drive");
const QString RemovableToLocal = QStringLiteral(" - Synchronized Removable Drive to Local Drive");
// Two blanks after "Synchronized": the text readers of the log have always seen.
const QString LocalToRemovable2 = QStringLiteral(" - Synchronized  Local Drive to Removable Drive");

// Two files whose times are the same to the step both file systems keep, and whose lengths
// differ: one was changed in the same moment as the other was made (an editor saving twice
// within a second). Neither can be called newer, and neither is in step.
bool sameTimeButDiffer(const FileStat& first, const FileStat& second) {
    return first.isRegular && second.isRegular && first.readable && second.readable &&
           first.length != second.length;
}

} // namespace

SyncEngine::SyncEngine(SyncSession& session, SyncView& view, QString logPath, const Clock& clock)
    : m_session(session), m_view(view), m_clock(clock), m_log(std::move(logPath)), m_report(m_log),
      m_drive(session.fileSystem()), m_record(QFileInfo(m_log.path()).absolutePath()),
      m_copies(session.fileSystem(), view, m_drive, m_report, m_record,
               [this] { return StopRequested(); }),
      m_lister(std::make_unique<FolderLister>(session.fileSystem(), DefaultListingWorkers)) {
    m_report.onFailure = [this](const SyncFailure& failure) { m_view.fileFailed(failure); };
}

SyncEngine::~SyncEngine() = default;

void SyncEngine::setCopyWriters(int writers) {
    m_copies.setWriters(writers);
    m_fixedCopyWriters = true;
}

void SyncEngine::setListingWorkers(int workers) {
    m_lister = std::make_unique<FolderLister>(m_session.fileSystem(), workers);
    m_listingWorkers = workers;
    m_fixedListingWorkers = true;
}

QString SyncEngine::now() const {
    return formatDateTime(m_clock.now());
}

std::int64_t SyncEngine::learnVolume(const Path& path, std::uint64_t device) {
    platform::VolumeService& volumes = m_session.volumes();
    const std::string type = volumes.fileSystemType(path.native());
    if (device != 0 && !platform::keepsPermissions(type))
        m_copies.transfer().setModeless(device);
    return platform::timeStepNanoseconds(type, volumes.answersOverARoundTrip(path.native()));
}

bool SyncEngine::foldingVolume(const Path& path) const {
    return platform::hasCaseInsensitiveNames(m_session.volumes().fileSystemType(path.native()));
}

QString SyncEngine::driveName() const {
    return m_session.drive.serialText + QLatin1Char('-') +
           QString::number(m_session.drive.DriveSize);
}

void SyncEngine::Syncronize() {
    if (m_running)
        return; // one pass at a time
    m_stopRequested = false;
    if (!m_session.driveFound())
        return;
    // One pass at a time per user, across processes: while another runs, this one does not
    // start, and the session's passBusy() says so.
    const auto turn = m_session.takePassTurn();
    if (!turn)
        return;

    m_running = true;
    m_report.startPass();
    m_copies.startPass();
    m_record.setReadOnly(m_preview);
    m_previewed.clear();
    m_record.pruneOthers(driveName());
    m_view.setFileStatus(QString());
    if (!m_preview)
        m_log.open();
    m_log.writeLine(QStringLiteral("Last synchronization started at: ") + now());
    m_session.watch().setSearchTimer(false);
    m_view.passStarted();
    m_view.yield();

    m_session.RefreshFiles();
    m_view.rowsRebuilt();

    // The volume this pass writes to: every write meant for the drive must land on it.
    m_drive.find(Path::fromText(m_session.FoundLetter()).withSeparator());
    m_driveTimeStep = learnVolume(m_drive.root(), m_drive.device());
    if (m_preview)
        m_driveType = m_session.volumes().fileSystemType(m_drive.root().native());

    const qsizetype count = m_session.list().rows().size();
    bool stopped = false;
    for (int i = 0; i < count && i < m_session.list().rows().size(); ++i) {
        m_view.setRowBold(i, true);
        m_view.yield();
        // A copy: setting a row's status may move the rows in memory.
        const SyncItem item = m_session.list().rows().at(i);
        // An item whose place on the drive an earlier item already keeps in step (a list
        // from before such adds were refused) would write one over the other.
        if (const auto clash = m_session.list().clashReason(i))
            failRow(i, SyncFailure::Reason::ItemProblem, *clash);
        else if (m_session.probe().IsFolder(item.localPath))
            syncFolderRow(i);
        else if (item.isFolder) // its folder is away: nothing to walk
            failRow(i, SyncFailure::Reason::ItemProblem, item.localProblem);
        else
            syncFileRow(i); // a missing local file is a missing side
        m_view.setRowBold(i, false);
        if (StopRequested()) {
            stopped = true;
            break;
        }
    }
    if (!stopped)
        m_log.writeLine(QStringLiteral("Last synchronization ended at: ") + now());
    m_log.close();
    m_report.summary().stopped = stopped;

    m_view.passEnded();
    m_view.setFileStatus(QString());
    m_session.watch().passEnded();
    m_running = false;
}

void SyncEngine::startRow(int row) {
    m_row = RowState{};
    m_row.row = row;
    m_report.startRow();
    m_record.forget();
}

void SyncEngine::failRow(int row, SyncFailure::Reason reason, const QString& message) {
    startRow(row);
    const SyncFailure failure{reason, m_session.list().rows().at(row).localPath, 0, message};
    m_report.fail(failure);
    setRowStatus(row, Translate(QStringLiteral("Error")));
    m_view.showRowReason(row, RowReason{failure});
}

void SyncEngine::setRowStatus(int row, const QString& status) {
    m_session.list().rows()[row].status = status;
    m_view.setRowStatus(row, status);
}

void SyncEngine::syncFileRow(int row) {
    const SyncItem item = m_session.list().rows().at(row);
    const Path local = Path::fromText(item.localPath);
    const Path remote = Path::fromText(item.remotePath);
    platform::FileSystem& fs = m_session.fileSystem();
    startRow(row);
    if (m_drive.reachedThroughLink(remote)) {
        failRow(row, SyncFailure::Reason::LinkOnDrive);
        return;
    }
    m_row.timeStep =
        std::max(learnVolume(local, fs.stat(local.parent().native()).device), m_driveTimeStep);
    const FileStat localSt = fs.stat(local.native());
    const FileStat driveSt = fs.stat(remote.native());
    m_record.open(driveName(), item);
    const std::string_view key; // a file item is one file: its record has one entry
    const StampOrder order = compareStamps(localSt, driveSt, m_row.timeStep);
    if (order == StampOrder::Equal && !sameTimeButDiffer(localSt, driveSt)) {
        if (localSt.isRegular && driveSt.isRegular)
            m_record.agree(key, RecordEntry{SideState::of(localSt), SideState::onDrive(driveSt)});
        m_record.save();
        m_log.writeLine(item.localPath + NoChanges);
        ++m_report.summary().unchanged;
        setRowStatus(row, Translate(QStringLiteral("Synchronized")));
        return;
    }
    Judgement judgement{order == StampOrder::Equal ? std::nullopt : std::optional(order)};
    if (localSt.isRegular && driveSt.isRegular)
        judgement = m_record.judge(key, localSt, driveSt, order, m_row.timeStep);
    if (!judgement.order) {
        m_record.save();
        failRow(row, SyncFailure::Reason::SameTimeButDiffer);
        return;
    }
    m_pair = Pair{key, &localSt, &driveSt, judgement.conflict, judgement.declinedBefore};
    act(*judgement.order, item.localPath, local, remote, row);
    m_pair = Pair{};
    m_record.save();
}

void SyncEngine::syncFolderRow(int row) {
    const SyncItem item = m_session.list().rows().at(row);
    setRowStatus(row, Translate(QStringLiteral("Synchronizing...")));
    m_view.yield();
    startRow(row);
    m_row.localRoot = Path::fromText(item.localPath).withSeparator();
    m_row.driveRoot = Path::fromText(item.remotePath).withSeparator();
    m_row.localFoldsCase = foldingVolume(m_row.localRoot);
    m_row.driveFoldsCase = foldingVolume(m_row.driveRoot);
    // A drive that answers every look over a round trip (FUSE, a network share) answers
    // several at once faster: more of its folders are listed at a time.
    const bool roundTrip = m_session.volumes().answersOverARoundTrip(m_row.driveRoot.native());
    if (!m_fixedListingWorkers) {
        const int workers = roundTrip ? RoundTripListingWorkers : DefaultListingWorkers;
        if (workers != m_listingWorkers) {
            m_lister = std::make_unique<FolderLister>(m_session.fileSystem(), workers);
            m_listingWorkers = workers;
        }
    }
    if (!m_fixedCopyWriters)
        m_copies.setWriters(DefaultCopyWriters);
    // Behind FUSE what was written waits in the device's cache until a flush.
    m_copies.setPushing(roundTrip);
    if (m_drive.reachedThroughLink(m_row.driveRoot)) {
        failRow(row, SyncFailure::Reason::LinkOnDrive);
        return;
    }
    // Both roots exist before the walk, so that it can tell them wherever they turn up.
    if (!m_preview) {
        m_drive.makeFolder(m_row.driveRoot, true);
        m_drive.makeFolder(m_row.localRoot, false);
    }
    platform::FileSystem& fs = m_session.fileSystem();
    m_row.timeStep = std::max(
        learnVolume(m_row.localRoot, fs.stat(m_row.localRoot.native()).device), m_driveTimeStep);
    for (const Path& root : {m_row.localRoot, m_row.driveRoot}) {
        for (Path folder = root; !folder.isEmpty(); folder = folder.parent()) {
            const FileStat st = fs.stat(folder.native());
            if (st.isDirectory)
                m_row.rootsAndAbove.insert({st.device, st.inode});
            if (folder.native() == "/")
                break;
        }
    }
    m_walked.clear();
    m_record.open(driveName(), item);

    SyncFolder(m_row.localRoot, m_row.localRoot, m_row.driveRoot);
    m_lister->clear();
    m_copies.flush();
    m_record.save();

    // The row's tooltip says when a version was kept beside a file, failed or not.
    const PassReport::RowTally& tally = m_report.row();
    const RowReason reason{tally.first, tally.failures, tally.conflicts};
    if (tally.failures == 0) {
        setRowStatus(row, tally.stopped ? Translate(QStringLiteral("Not Synchronized (stopped)"))
                                        : Translate(QStringLiteral("Synchronized")));
        if (tally.conflicts > 0)
            m_view.showRowReason(row, reason);
        return;
    }
    setRowStatus(row, Translate(QStringLiteral("Error")));
    m_view.showRowReason(row, reason);
}

// The table of the conflict modes, read from the local side: modes 1, 2, 4 and 5 copy in
// their stated direction wherever the walk reached the folder.
void SyncEngine::act(StampOrder localVersusDrive, const QString& subject, const Path& localSide,
                     const Path& driveSide, std::optional<int> row) {
    const bool localNewer = localVersusDrive == StampOrder::FirstNewer;
    QString text;
    bool toDrive = true;
    switch (m_session.conflictMode.direction()) {
    case ConflictMode::Direction::Newer:
        text = localNewer ? LocalToRemovable : RemovableToLocal;
        toDrive = localNewer;
        break;
    case ConflictMode::Direction::ToDrive:
        text = localNewer ? RemovableToLocal : LocalToRemovable2;
        toDrive = true;
        break;
    case ConflictMode::Direction::ToLocal:
        text = localNewer ? LocalToRemovable : RemovableToLocal;
        toDrive = false;
        break;
    case ConflictMode::Direction::None:
        return; // no such mode: nothing is logged or copied
    }
    m_log.writeLine(subject + text);
    const Path& from = toDrive ? localSide : driveSide;
    const Path& to = toDrive ? driveSide : localSide;
    if (row)
        CopyFilewStatus(from, to, *row + 1, toDrive);
    else
        SmoothCopy(from, to, subject);
}

void SyncEngine::SyncFolder(const Path& folder, const Path& root, const Path& otherRoot) {
    const Path thisFolder = folder.withSeparator();
    const Path thisRoot = root.withSeparator();
    // The other folder is this one with its root swapped for the other side's.
    const Path otherFolder =
        thisFolder.startsWith(thisRoot)
            ? Path::fromNative(otherRoot.withSeparator().native() +
                               thisFolder.native().substr(thisRoot.native().size()))
            : otherRoot.withSeparator();
    walk(FolderPair{thisFolder, otherFolder,
                    thisRoot == m_row.localRoot ? Side::Local : Side::Drive},
         Made::Unknown);
}

platform::Listing SyncEngine::listSide(const Path& folder, bool onDrive) {
    // A drive folder that is no longer on the drive (its mount point, once the drive is
    // gone) holds nothing of the drive's.
    platform::Listing listing;
    if (onDrive && m_drive.gone())
        return listing;
    // A drive that hangs (FUSE) does not hang the window: Stop gives up the wait.
    auto listed = m_lister->take(folder, [this] {
        m_view.yield();
        return !StopRequested();
    });
    if (!listed && listed.error().code == ECANCELED)
        return listing;
    if (!listed) {
        // A folder that could not be made says so through its files' copies; any other
        // folder that cannot be read (too deep, no permission) fails, never skipped unseen.
        if (listed.error().code != ENOENT && !(onDrive && !m_drive.stillThere()))
            m_report.fail(SyncFailure{reasonOf(listed.error()), folder.display(),
                                      listed.error().code,
                                      QString::fromStdString(listed.error().message)});
        return listing;
    }
    if (onDrive && listed.value().device != m_drive.device()) {
        m_drive.stillThere();
        return listing;
    }
    listing = std::move(listed.value());
    std::vector<DirEntry> kept;
    kept.reserve(listing.entries.size());
    for (DirEntry& e : listing.entries) {
        if (e.name == "." || e.name == "..")
            continue;
        if (platform::isTransferTempName(e.name) && e.stat.isRegular) {
            // A killed pass's, never one of this pass's copies waiting for their flush.
            if (!m_preview && !m_copies.isStagedTemp(folder / e.name))
                m_copies.removeLeftover(folder / e.name);
            continue;
        }
        kept.push_back(std::move(e));
    }
    listing.entries = std::move(kept);
    return listing;
}

void SyncEngine::walk(const FolderPair& folders, Made made) {
    // Each pair of folders is walked once; walking it again from the other side only
    // repeats the same work, and does so at every level of the tree.
    if (!m_walked.insert(folders.local().native() + '\0' + folders.drive().native()).second)
        return;
    const bool thisIsLocal = folders.thisIsLocal();
    if (made != Made::Both && !m_preview) {
        m_drive.makeFolder(folders.otherFolder, thisIsLocal);
        m_drive.makeFolder(folders.thisFolder, !thisIsLocal);
    }

    // Both sides at once: the other side on a worker while this one is listed here.
    m_lister->prefetch({folders.otherFolder});
    const platform::Listing here = listSide(folders.thisFolder, !thisIsLocal);
    const platform::Listing there = listSide(folders.otherFolder, thisIsLocal);
    if (StopRequested()) {
        m_report.walkStopped();
        m_lister->clear();
        return;
    }

    const bool foldHere =
        here.foldsCase || (thisIsLocal ? m_row.localFoldsCase : m_row.driveFoldsCase);
    const bool foldThere =
        there.foldsCase || (thisIsLocal ? m_row.driveFoldsCase : m_row.localFoldsCase);
    const NameGroups groups(here, there, foldHere, foldThere);
    const WalkPlan plan =
        planWalk(folders, here, there, groups, foldHere, foldThere, m_row.rootsAndAbove);
    for (const WalkPlan::LeftOut& leftOut : plan.leftOut)
        m_report.leftOut(leftOut.folder, leftOut.attributes);
    follow(folders, plan, foldHere, foldThere);
}

void SyncEngine::follow(const FolderPair& folders, const WalkPlan& plan, bool foldHere,
                        bool foldThere) {
    // The other sides of the folders the walk enters next are listed meanwhile.
    std::vector<Path> ahead;
    ahead.reserve(plan.subfolders.size());
    for (const WalkPlan::Subfolder& step : plan.subfolders) {
        if (!step.clash)
            ahead.push_back(step.pair.otherFolder.withSeparator());
    }
    m_lister->prefetch(ahead);
    for (const WalkPlan::Subfolder& step : plan.subfolders) {
        if (StopRequested()) {
            m_report.walkStopped();
            m_lister->clear();
            return;
        }
        if (step.clash)
            m_report.fail(step.pair.thisFolder.display(), SyncFailure::Reason::CaseClash);
        else
            walk(FolderPair{step.pair.thisFolder.withSeparator(),
                            step.pair.otherFolder.withSeparator(), step.pair.thisSide},
                 step.bothThere ? Made::Both : Made::Unknown);
    }
    if (plan.files.empty())
        return;

    const QString thisShown = folders.thisFolder.display();
    for (const auto& [entry, groupOf, fromHere] : plan.files) {
        if (StopRequested()) {
            m_report.walkStopped();
            continue;
        }
        const NameGroup& group = *groupOf;
        const QString subject = thisShown + Path::displayName(entry->name);
        m_view.setFileStatus(subject);
        m_view.yield();
        const Path& folder = fromHere ? folders.thisFolder : folders.otherFolder;
        if (NameGroup::losesTo(entry->name, group.primary, fromHere ? foldHere : foldThere)) {
            m_report.fail((folder / entry->name).display(), SyncFailure::Reason::CaseClash);
            continue;
        }
        if (const DirEntry* link = driveLinkOf(group, folders.thisSide)) {
            if (link == entry)
                m_report.fail((folder / entry->name).display(), SyncFailure::Reason::LinkOnDrive);
            continue;
        }
        const DirEntry* mine = NameGroup::entryOf(group.here, group.primary, foldHere);
        const DirEntry* theirs = NameGroup::entryOf(group.there, group.primary, foldThere);
        const Look look = std::exchange(group.looked, true) ? Look::Again : Look::First;
        examine(subject,
                NamePair{folders.thisFolder / (mine ? mine->name : std::string(group.primary)),
                         mine ? mine->stat : FileStat{},
                         folders.otherFolder / (theirs ? theirs->name : std::string(group.primary)),
                         theirs ? theirs->stat : FileStat{}, folders.thisSide},
                look);
    }
    m_view.setFileStatus(QString());
}

void SyncEngine::examine(const QString& subject, const NamePair& names, Look look) {
    platform::FileSystem& fs = m_session.fileSystem();
    FileStat here = names.here;
    FileStat there = names.there;
    // Decide from what the listings saw; anything but "no changes" is decided again from a
    // fresh look, so that no copy rests on what the disk said a while ago (and the second
    // look at a name sees what the first one copied). A name one side did not list is not
    // looked for again there: a file made there meanwhile is never written over anyway.
    // A copy to one of the two is written and waits for its batch: once placed, the two are
    // the same (and a look at either would see the old file).
    if (m_copies.isStaging(names.thisPath) || m_copies.isStaging(names.otherPath)) {
        m_log.writeLine(subject + NoChanges);
        return;
    }
    const bool unchanged = here.isRegular && there.isRegular &&
                           compareStamps(here, there, m_row.timeStep) == StampOrder::Equal &&
                           here.length == there.length;
    if (!unchanged) {
        if (there.exists)
            there = fs.stat(names.otherPath.native());
        if (here.exists)
            here = fs.stat(names.thisPath.native());
    }
    const bool thisIsLocal = names.thisSide == Side::Local;
    const Path& localPath = thisIsLocal ? names.thisPath : names.otherPath;
    const Path& drivePath = thisIsLocal ? names.otherPath : names.thisPath;
    const FileStat& localSt = thisIsLocal ? here : there;
    const FileStat& driveSt = thisIsLocal ? there : here;
    const std::string_view key = RecordKeeper::keyOf(localPath, m_row.localRoot);
    // The pair's key views the paths of this call: it is forgotten when the call ends.
    m_pair = Pair{key, &localSt, &driveSt, false, false};
    const struct Forget {
        Pair& pair;
        ~Forget() { pair = Pair{}; }
    } forget{m_pair};
    if (here.isRegular && there.isRegular) {
        const StampOrder order = compareStamps(localSt, driveSt, m_row.timeStep);
        if (order == StampOrder::Equal && !sameTimeButDiffer(localSt, driveSt)) {
            // The second look at a name finds what the first one did.
            if (look == Look::First)
                m_record.agree(key,
                               RecordEntry{SideState::of(localSt), SideState::onDrive(driveSt)});
            m_log.writeLine(subject + NoChanges);
            if (look == Look::First)
                ++m_report.summary().unchanged;
            return;
        }
        const Judgement judgement = m_record.judge(key, localSt, driveSt, order, m_row.timeStep);
        if (!judgement.order) {
            m_report.fail(subject, SyncFailure::Reason::SameTimeButDiffer);
            return;
        }
        m_pair.conflict = judgement.conflict;
        m_pair.declinedBefore = judgement.declinedBefore;
        act(*judgement.order, subject, localPath, drivePath, std::nullopt);
    } else if (here.isRegular) {
        stageCopy(names.thisPath, names.otherPath, subject, here.length);
    } else if (there.isRegular) {
        stageCopy(names.otherPath, names.thisPath, subject, there.length);
    }
}

void SyncEngine::stageCopy(const Path& from, const Path& to, const QString& subject,
                           std::optional<std::int64_t> length) {
    if (previewed(from, to, subject))
        return;
    // The pair in hand was just looked at: its source's length needs no look of its own.
    if (!length && m_pair.local && m_pair.drive)
        length = (m_drive.holds(from) ? m_pair.drive : m_pair.local)->length;
    std::optional<CopyRunner::Agreement> agreement;
    if (m_pair.key)
        agreement =
            CopyRunner::Agreement{std::string(*m_pair.key), agreedAfterCopy(m_drive.holds(to))};
    m_copies.copy(from, to, subject, FileTransfer::Placing::WithBatch, length,
                  std::move(agreement));
}

RecordEntry SyncEngine::agreedAfterCopy(bool towardDrive) const {
    return towardDrive
               ? RecordEntry{SideState::of(*m_pair.local), SideState::copyOf(*m_pair.local)}
               : RecordEntry{SideState::copyOf(*m_pair.drive), SideState::onDrive(*m_pair.drive)};
}

bool SyncEngine::setAside(const Path& to, const QString& subject) {
    // A read-only file is not replaced at all: its copy fails as such, and nothing is kept
    // aside for it.
    if (m_session.fileSystem().isWriteProtected(to.native()))
        return true;
    const bool onDrive = m_drive.holds(to);
    if (onDrive && !m_drive.likelyThere()) {
        m_report.fail(subject, SyncFailure::Reason::DriveRemoved);
        return false;
    }
    const QString stamp = m_clock.now().toString(QStringLiteral("yyyy-MM-dd HHmmss"));
    const QString side = onDrive ? QStringLiteral("drive") : QStringLiteral("pc");
    if (const auto aside = keepAside(m_session.fileSystem(), to, stamp, side)) {
        m_report.keptAside();
        m_log.writeLine(to.display() + QStringLiteral(" - Both copies changed: kept as ") +
                        aside->display());
        return true;
    }
    m_report.fail(subject, SyncFailure::Reason::NotKeptAside);
    return false;
}

bool SyncEngine::confirmed(const Path& from, const Path& to) {
    if (!m_session.conflictMode.asksFirst() || m_preview)
        return true; // a preview says that the question would come
    // Asked once: the same question about the same two files is not asked at every search.
    const bool standing = m_view.standingAnswer().has_value();
    if (m_pair.declinedBefore && !standing)
        return false;
    if (m_view.askReplacement(replacementOf(m_session.fileSystem(), from, to)))
        return true;
    if (!standing && m_pair.key && m_pair.local->isRegular && m_pair.drive->isRegular)
        m_record.agree(*m_pair.key, RecordEntry{SideState::of(*m_pair.local),
                                                SideState::onDrive(*m_pair.drive), true});
    return false;
}

void SyncEngine::CopyFilewStatus(const Path& from, const Path& to, int rowNumber,
                                 bool towardDrive) {
    const int row = rowNumber - 1;
    if (!confirmed(from, to)) {
        // Not asked again: the row says why nothing happened.
        if (m_pair.declinedBefore && m_session.conflictMode.asksFirst())
            setRowStatus(row, Translate(QStringLiteral("Not Synchronized (declined)")));
        return;
    }
    if (previewed(from, to, m_session.list().rows().at(row).localPath))
        return;
    if (m_pair.conflict && !setAside(to, m_session.list().rows().at(row).localPath)) {
        setRowStatus(row, Translate(QStringLiteral("Error")));
        m_view.showRowReason(row, RowReason{m_report.row().last});
        return;
    }
    setRowStatus(row, (towardDrive ? QStringLiteral(">> ") : QStringLiteral("<< ")) +
                          Translate(QStringLiteral("Copying...")));
    m_view.yield();
    m_copies.clearLeftoversBeside(to);
    if (m_copies.copy(from, to, m_session.list().rows().at(row).localPath,
                      FileTransfer::Placing::Now)) {
        if (m_pair.key)
            m_record.agree(*m_pair.key, agreedAfterCopy(towardDrive));
        setRowStatus(row, Translate(QStringLiteral("Synchronized at ")) + now());
        if (m_report.row().conflicts > 0)
            m_view.showRowReason(row, RowReason{std::nullopt, 0, 0, true});
        return;
    }
    if (m_report.row().stopped) {
        setRowStatus(row, Translate(QStringLiteral("Not Synchronized (stopped)")));
        return;
    }
    // A copy that did not happen is never shown as done.
    setRowStatus(row, Translate(QStringLiteral("Error")));
    m_view.showRowReason(row, RowReason{m_report.row().last});
}

void SyncEngine::SmoothCopy(const Path& from, const Path& to, const QString& subject) {
    if (!confirmed(from, to) || previewed(from, to, subject))
        return;
    if (m_pair.conflict && !setAside(to, subject))
        return;
    // The log names the walked file: the one on the side being listed. Like new files,
    // replacements in a walk are flushed and placed in batches.
    stageCopy(from, to, subject);
}

bool SyncEngine::previewed(const Path& from, const Path& to, const QString& subject) {
    if (!m_preview)
        return false;
    if (!m_previewed.insert(to.native()).second)
        return true;
    const bool replaces = m_session.fileSystem().stat(to.native()).exists;
    const bool towardDrive = m_drive.holds(to);
    // What the drive is sure to refuse is a failure known in advance.
    if (towardDrive && platform::refusesName(m_driveType, to.fileName())) {
        m_report.fail(subject, SyncFailure::Reason::NameNotAllowedOnDrive);
        return true;
    }
    PassSummary& summary = m_report.summary();
    ++summary.copies;
    ++(towardDrive ? summary.toDrive : summary.toLocal);
    if (replaces && m_pair.conflict)
        m_report.keptAside();
    m_view.planned(PlannedCopy{from.display(), to.display(), towardDrive, replaces,
                               replaces && m_pair.conflict,
                               replaces && m_session.conflictMode.asksFirst()});
    return true;
}

} // namespace quillet
