#include "SyncEngine.h"

#include "NameGroups.h"
#include "base/Format.h"
#include "base/Translate.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <future>
#include <map>
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

QString notSynchronized(const QString& reason) {
    return QStringLiteral(" - ERROR ! (Not Synchronized: ") + reason + QLatin1Char(')');
}

// Two files whose times are the same to the step both file systems keep, and whose lengths
// differ: one was changed in the same moment as the other was made (an editor saving twice
// within a second). Neither can be called newer, and neither is in step.
bool sameTimeButDiffer(const FileStat& first, const FileStat& second) {
    return first.isRegular && second.isRegular && first.readable && second.readable &&
           first.length != second.length;
}
const QString SameTimeButDiffer = QStringLiteral("both copies have the same time but differ");
const QString LinkOnDrive = QStringLiteral("a link on the drive is not followed");

// Files at least this large are copied on a worker while the window stays alive.
constexpr std::int64_t BackgroundBytes = 1 << 20;

Path parentOf(const Path& folder) {
    std::string text = folder.native();
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    const auto slash = text.find_last_of('/');
    return Path::fromNative(slash == std::string::npos ? std::string() : text.substr(0, slash + 1));
}

} // namespace

SyncEngine::SyncEngine(SyncSession& session, SyncView& view, QString logPath, const Clock& clock)
    : m_session(session), m_view(view), m_clock(clock), m_log(std::move(logPath)),
      m_transfer(session.fileSystem()),
      m_lister(std::make_unique<FolderLister>(session.fileSystem(), DefaultListingWorkers)) {
    // The records live beside the log, in this user's data folder: never on the drive, so
    // that a drive carried between two computers has one record on each.
    m_recordFolder = QFileInfo(m_log.path()).absolutePath() + QStringLiteral("/records");
}

SyncEngine::~SyncEngine() = default;

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
        m_transfer.setModeless(device);
    return platform::timeStepNanoseconds(type, volumes.answersOverARoundTrip(path.native()));
}

bool SyncEngine::foldingVolume(const Path& path) const {
    return platform::hasCaseInsensitiveNames(m_session.volumes().fileSystemType(path.native()));
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
    m_summary = Summary{};
    m_failedThisPass.clear();
    m_readOnlyThisPass.clear();
    m_pendingAgreements.clear();
    pruneRecords();
    m_stagedTowardDrive = 0;
    m_view.setFileStatus(QString());
    m_log.open();
    m_log.writeLine(QStringLiteral("Last synchronization started at: ") + now());
    m_session.watch().setSearchTimer(false);
    m_view.passStarted();
    m_view.yield();

    m_session.RefreshFiles();
    m_view.rowsRebuilt();

    // The volume this pass writes to: every write meant for the drive must land on it.
    m_drive = DriveState{};
    m_drive.root = Path::fromText(m_session.FoundLetter()).withSeparator();
    const FileStat root = m_session.fileSystem().stat(m_drive.root.native());
    m_drive.device = root.device;
    m_drive.inode = root.inode;
    m_drive.gone = !root.isDirectory;
    m_drive.timeStep = learnVolume(m_drive.root, root.device);

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
            failRow(i, *clash);
        else if (m_session.probe().IsFolder(item.localPath))
            syncFolderRow(i);
        else if (item.isFolder)
            failRow(i, item.localProblem); // its folder is away: nothing to walk
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
    m_summary.stopped = stopped;

    m_view.passEnded();
    m_view.setFileStatus(QString());
    m_session.watch().passEnded();
    m_running = false;
}

void SyncEngine::failRow(int row, const QString& reason) {
    m_row = RowState{};
    m_row.row = row;
    reportFailure(m_session.list().rows().at(row).localPath, reason);
    setRowStatus(row, Translate(QStringLiteral("Error")));
    m_view.setRowReason(row, reason);
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
    m_row = RowState{};
    m_row.row = row;
    if (reachedThroughDriveLink(remote)) {
        failRow(row, LinkOnDrive);
        return;
    }
    m_row.timeStep =
        std::max(learnVolume(local, fs.stat(parentOf(local).native()).device), m_drive.timeStep);
    const FileStat localSt = fs.stat(local.native());
    const FileStat driveSt = fs.stat(remote.native());
    openRecord(item);
    const std::string_view key; // a file item is one file: its record has one entry
    const StampOrder order = compareStamps(localSt, driveSt, m_row.timeStep);
    if (order == StampOrder::Equal && !sameTimeButDiffer(localSt, driveSt)) {
        if (localSt.isRegular && driveSt.isRegular)
            m_row.record->agree(key,
                                RecordEntry{SideState::of(localSt), SideState::onDrive(driveSt)});
        saveRecord();
        m_log.writeLine(item.localPath + NoChanges);
        ++m_summary.unchanged;
        setRowStatus(row, Translate(QStringLiteral("Synchronized")));
        return;
    }
    Judgement judgement{order == StampOrder::Equal ? std::nullopt : std::optional(order)};
    if (localSt.isRegular && driveSt.isRegular)
        judgement = judge(key, localSt, driveSt, order);
    if (!judgement.order) {
        saveRecord();
        failRow(row, SameTimeButDiffer);
        return;
    }
    m_pair = Pair{key, &localSt, &driveSt, judgement.conflict, judgement.declinedBefore};
    act(*judgement.order, item.localPath, local, remote, row);
    m_pair = Pair{};
    saveRecord();
}

void SyncEngine::syncFolderRow(int row) {
    const SyncItem item = m_session.list().rows().at(row);
    setRowStatus(row, Translate(QStringLiteral("Synchronizing...")));
    m_view.yield();
    m_row = RowState{};
    m_row.row = row;
    m_row.localRoot = Path::fromText(item.localPath).withSeparator();
    m_row.driveRoot = Path::fromText(item.remotePath).withSeparator();
    m_row.localFoldsCase = foldingVolume(m_row.localRoot);
    m_row.driveFoldsCase = foldingVolume(m_row.driveRoot);
    // A drive that answers every look over a round trip (FUSE, a network share) answers
    // several at once faster: more of its folders are listed at a time.
    if (!m_fixedListingWorkers) {
        const bool roundTrip = m_session.volumes().answersOverARoundTrip(m_row.driveRoot.native());
        const int workers = roundTrip ? RoundTripListingWorkers : DefaultListingWorkers;
        if (workers != m_listingWorkers) {
            m_lister = std::make_unique<FolderLister>(m_session.fileSystem(), workers);
            m_listingWorkers = workers;
        }
    }
    if (reachedThroughDriveLink(m_row.driveRoot)) {
        failRow(row, LinkOnDrive);
        return;
    }
    // Both roots exist before the walk, so that it can tell them wherever they turn up.
    makeFolder(m_row.driveRoot, true);
    makeFolder(m_row.localRoot, false);
    platform::FileSystem& fs = m_session.fileSystem();
    m_row.timeStep = std::max(
        learnVolume(m_row.localRoot, fs.stat(m_row.localRoot.native()).device), m_drive.timeStep);
    for (const Path& root : {m_row.localRoot, m_row.driveRoot}) {
        for (Path folder = root; !folder.isEmpty(); folder = parentOf(folder)) {
            const FileStat st = fs.stat(folder.native());
            if (st.isDirectory)
                m_row.rootsAndAbove.insert({st.device, st.inode});
            if (folder.native() == "/")
                break;
        }
    }
    m_walked.clear();
    openRecord(item);

    SyncFolder(m_row.localRoot, m_row.localRoot, m_row.driveRoot);
    m_lister->clear();
    commitCreated();
    saveRecord();

    // The row's tooltip says when a version was kept beside a file, failed or not.
    const QString kept =
        m_row.conflicts == 0
            ? QString()
            : QStringLiteral("%1 changed on both sides: both copies kept").arg(m_row.conflicts);
    if (m_row.failures == 0) {
        setRowStatus(row, Translate(QStringLiteral("Synchronized")));
        if (!kept.isEmpty())
            m_view.setRowReason(row, kept);
        return;
    }
    setRowStatus(row, Translate(QStringLiteral("Error")));
    QString reason = m_row.firstReason;
    if (m_row.failures > 1)
        reason += QStringLiteral(" (%1 files failed)").arg(m_row.failures);
    if (!kept.isEmpty())
        reason += QStringLiteral("; ") + kept;
    m_view.setRowReason(row, reason);
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

void SyncEngine::SyncFolder(const Path& Folder, const Path& Original, const Path& Destination) {
    const Path thisFolder = Folder.withSeparator();
    const Path root = Original.withSeparator();
    // The other folder is this one with its root swapped for the other side's.
    const Path otherFolder =
        thisFolder.startsWith(root)
            ? Path::fromNative(Destination.withSeparator().native() +
                               thisFolder.native().substr(root.native().size()))
            : Destination.withSeparator();
    walk(thisFolder, otherFolder, root == m_row.localRoot, Made::Unknown);
}

void SyncEngine::walk(const Path& thisFolder, const Path& otherFolder, bool thisIsLocal,
                      Made made) {
    // Each pair of folders is walked once; walking it again from the other side only
    // repeats the same work, and does so at every level of the tree.
    const Path& localFolder = thisIsLocal ? thisFolder : otherFolder;
    const Path& driveFolder = thisIsLocal ? otherFolder : thisFolder;
    if (!m_walked.insert(localFolder.native() + '\0' + driveFolder.native()).second)
        return;

    if (made != Made::Both) {
        makeFolder(otherFolder, thisIsLocal);
        makeFolder(thisFolder, !thisIsLocal);
    }

    // What each side holds. A drive folder that is no longer on the drive (its mount point,
    // once the drive is gone) holds nothing of the drive's.
    auto listSide = [&](const Path& dir, bool onDrive) {
        platform::Listing listing;
        if (onDrive && m_drive.gone)
            return listing;
        auto listed = m_lister->take(dir);
        if (!listed) {
            // A folder that could not be made says so through its files' copies; any other
            // folder that cannot be read (too deep, no permission) fails, never skipped unseen.
            if (listed.error().code != ENOENT && !(onDrive && !driveStillThere()))
                reportFailure(dir.display(), cannotRead(listed.error()));
            return listing;
        }
        if (onDrive && listed.value().device != m_drive.device) {
            driveStillThere();
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
                if (!m_transfer.isStaged(dir / e.name))
                    removeLeftover(dir / e.name);
                continue;
            }
            kept.push_back(std::move(e));
        }
        listing.entries = std::move(kept);
        return listing;
    };
    // Both sides at once: the other side on a worker while this one is listed here.
    m_lister->prefetch({otherFolder});
    const platform::Listing here = listSide(thisFolder, !thisIsLocal);
    const platform::Listing there = listSide(otherFolder, thisIsLocal);
    if (StopRequested()) {
        m_lister->clear();
        return;
    }

    const bool foldHere =
        here.foldsCase || (thisIsLocal ? m_row.localFoldsCase : m_row.driveFoldsCase);
    const bool foldThere =
        there.foldsCase || (thisIsLocal ? m_row.driveFoldsCase : m_row.localFoldsCase);
    const NameGroups groups(here, there, foldHere, foldThere);

    const QString caseClash = QStringLiteral("another file differs only in case");
    // A link on the drive is someone else's: followed, it would read or write outside the
    // drive. It fails, and the file or folder of that name on this computer waits with it.
    auto driveLinkOf = [&](const NameGroup& group) -> const DirEntry* {
        const DirEntry* link = nullptr;
        (thisIsLocal ? group.there : group.here).forEach([&](const DirEntry* e) {
            if (!link && (e->attributes & platform::Attr::Reparse))
                link = e;
        });
        return link;
    };
    auto isRootOrAbove = [&](const FileStat& st) {
        return m_row.rootsAndAbove.count({st.device, st.inode}) > 0;
    };
    // Subfolders, depth first: this side's listing first, then the other's with the roles
    // swapped. A drive mounted inside the synced folder (or the folder inside the drive's
    // copy) is never walked into: it would be copied into itself, deeper at every pass.
    struct Step {
        Path side;     // the folder as its side listed it
        Path opposite; // its counterpart
        bool sideIsLocal = true;
        Made made = Made::Unknown;
        bool clash = false; // a second spelling where the other side folds case
    };
    std::vector<Step> steps;
    std::set<std::string> planned;
    auto plan = [&](const platform::Listing& listing, bool fromHere) {
        const bool sideFolds = fromHere ? foldHere : foldThere;
        const Path& sideFolder = fromHere ? thisFolder : otherFolder;
        const Path& oppositeFolder = fromHere ? otherFolder : thisFolder;
        const bool sideIsLocal = fromHere == thisIsLocal;
        for (std::size_t i = 0; i < listing.entries.size(); ++i) {
            const DirEntry& e = listing.entries[i];
            const NameGroup& group = groups.of(fromHere, i);
            if (e.attributes != platform::Attr::Directory) {
                // A folder the walk does not enter from here, and not from the other side
                // either, is named in the log (a link on the drive fails instead).
                const DirEntry* opposite =
                    NameGroup::entryOf(fromHere ? group.there : group.here, group.primary,
                                       fromHere ? foldThere : foldHere);
                const bool enteredThere =
                    opposite && opposite->attributes == platform::Attr::Directory;
                const bool driveLink = !sideIsLocal && (e.attributes & platform::Attr::Reparse);
                if ((e.attributes & platform::Attr::Directory) && !enteredThere && !driveLink)
                    logLeftOut(sideFolder / e.name, e.attributes);
                continue;
            }
            if (sideIsLocal && driveLinkOf(group))
                continue;
            if (NameGroup::losesTo(e.name, group.primary, sideFolds)) {
                steps.push_back(Step{sideFolder / e.name, {}, true, Made::Unknown, true});
                continue;
            }
            if (isRootOrAbove(e.stat))
                continue;
            const DirEntry* opposite =
                NameGroup::entryOf(fromHere ? group.there : group.here, group.primary,
                                   fromHere ? foldThere : foldHere);
            const std::string& oppositeName = opposite ? opposite->name : e.name;
            const bool bothThere = opposite && opposite->attributes == platform::Attr::Directory;
            Step step{sideFolder / e.name, oppositeFolder / oppositeName,
                      fromHere ? thisIsLocal : !thisIsLocal, bothThere ? Made::Both : Made::Unknown,
                      false};
            const Path& local = step.sideIsLocal ? step.side : step.opposite;
            const Path& onDrive = step.sideIsLocal ? step.opposite : step.side;
            if (planned.insert(local.native() + '\0' + onDrive.native()).second)
                steps.push_back(std::move(step));
        }
    };
    plan(here, true);
    plan(there, false);
    // The other sides of the folders the walk enters next are listed meanwhile.
    std::vector<Path> ahead;
    ahead.reserve(steps.size());
    for (const Step& step : steps) {
        if (!step.clash)
            ahead.push_back(step.opposite.withSeparator());
    }
    m_lister->prefetch(ahead);
    for (const Step& step : steps) {
        if (StopRequested()) {
            m_lister->clear();
            return;
        }
        if (step.clash)
            reportFailure(step.side.display(), caseClash);
        else
            walk(step.side.withSeparator(), step.opposite.withSeparator(), step.sideIsLocal,
                 step.made);
    }

    // The files: this side's names, then the other side's; a name on both sides is
    // examined twice, and the second look normally finds nothing to do.
    struct Name {
        const DirEntry* entry;
        const NameGroup* group;
        bool fromHere;
    };
    std::vector<Name> names;
    for (const bool fromHere : {true, false}) {
        const auto& entries = fromHere ? here.entries : there.entries;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (entries[i].attributes != platform::Attr::Directory)
                names.push_back(Name{&entries[i], &groups.of(fromHere, i), fromHere});
        }
    }
    if (names.empty())
        return;

    const QString thisShown = thisFolder.display();
    for (const auto& [entry, groupOf, fromHere] : names) {
        if (StopRequested())
            continue;
        const NameGroup& group = *groupOf;
        const QString subject = thisShown + Path::displayName(entry->name);
        m_view.setFileStatus(subject);
        m_view.yield();
        if (NameGroup::losesTo(entry->name, group.primary, fromHere ? foldHere : foldThere)) {
            reportFailure(((fromHere ? thisFolder : otherFolder) / entry->name).display(),
                          caseClash);
            continue;
        }
        if (const DirEntry* link = driveLinkOf(group)) {
            if (link == entry)
                reportFailure(((fromHere ? thisFolder : otherFolder) / entry->name).display(),
                              LinkOnDrive);
            continue;
        }
        const DirEntry* mine = NameGroup::entryOf(group.here, group.primary, foldHere);
        const DirEntry* theirs = NameGroup::entryOf(group.there, group.primary, foldThere);
        const bool firstLook = !std::exchange(group.looked, true);
        examine(subject, thisFolder / (mine ? mine->name : std::string(group.primary)),
                mine ? mine->stat : FileStat{},
                otherFolder / (theirs ? theirs->name : std::string(group.primary)),
                theirs ? theirs->stat : FileStat{}, thisIsLocal, firstLook);
    }
    m_view.setFileStatus(QString());
}

void SyncEngine::examine(const QString& subject, const Path& thisPath, const FileStat& hereSeen,
                         const Path& otherPath, const FileStat& thereSeen, bool thisIsLocal,
                         bool firstLook) {
    platform::FileSystem& fs = m_session.fileSystem();
    FileStat here = hereSeen;
    FileStat there = thereSeen;
    // Decide from what the listings saw; anything but "no changes" is decided again from a
    // fresh look, so that no copy rests on what the disk said a while ago (and the second
    // look at a name sees what the first one copied). A name one side did not list is not
    // looked for again there: a file made there meanwhile is never written over anyway.
    const bool unchanged = here.isRegular && there.isRegular &&
                           compareStamps(here, there, m_row.timeStep) == StampOrder::Equal &&
                           here.length == there.length;
    if (!unchanged) {
        if (there.exists)
            there = fs.stat(otherPath.native());
        if (here.exists)
            here = fs.stat(thisPath.native());
    }
    // A copy to one of the two is written and waits for its batch's flush: once placed,
    // the two are the same.
    if (m_staging.count(thisPath.native()) || m_staging.count(otherPath.native())) {
        m_log.writeLine(subject + NoChanges);
        return;
    }
    const FileStat& localSt = thisIsLocal ? here : there;
    const FileStat& driveSt = thisIsLocal ? there : here;
    const std::string_view key = recordKey(thisIsLocal ? thisPath : otherPath);
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
            if (m_row.record && firstLook)
                m_row.record->agree(
                    key, RecordEntry{SideState::of(localSt), SideState::onDrive(driveSt)});
            m_log.writeLine(subject + NoChanges);
            if (firstLook)
                ++m_summary.unchanged;
            return;
        }
        const Judgement judgement = judge(key, localSt, driveSt, order);
        if (!judgement.order) {
            reportFailure(subject, SameTimeButDiffer);
            return;
        }
        m_pair.conflict = judgement.conflict;
        m_pair.declinedBefore = judgement.declinedBefore;
        act(*judgement.order, subject, thisIsLocal ? thisPath : otherPath,
            thisIsLocal ? otherPath : thisPath, std::nullopt);
    } else if (here.isRegular) {
        stageCopy(thisPath, otherPath, subject, here.length);
    } else if (there.isRegular) {
        stageCopy(otherPath, thisPath, subject, there.length);
    }
}

bool SyncEngine::driveLikelyThere() {
    // Asked before each copy: a drive that went away a moment ago is still noticed before
    // anything is written, without asking it twice for every small file.
    if (m_drive.gone)
        return false;
    if (m_drive.lastLook.isValid() && m_drive.lastLook.elapsed() < 250)
        return true;
    m_drive.lastLook.start();
    return driveStillThere();
}

bool SyncEngine::driveStillThere() {
    if (m_drive.gone)
        return false;
    platform::FileSystem& fs = m_session.fileSystem();
    const FileStat root = fs.stat(m_drive.root.native());
    // The kernel answers stat from its cache for a FUSE drive whose process is gone; asking
    // the volume how much room it has reaches the drive itself.
    m_drive.gone = !root.isDirectory || root.device != m_drive.device ||
                   root.inode != m_drive.inode || !fs.availableBytes(m_drive.root.native());
    return !m_drive.gone;
}

bool SyncEngine::makeFolder(const Path& folder, bool onDrive) {
    platform::FileSystem& fs = m_session.fileSystem();
    const Path parent = parentOf(folder);
    const FileStat above = fs.stat(parent.native());
    // Never a folder in the bare mount point of a drive that went away.
    if (onDrive && (!driveStillThere() || !above.isDirectory || above.device != m_drive.device))
        return false;
    if (!fs.makeDirectory(folder.native()))
        return false; // there already, or it cannot be: the copies below will say
    // Made by another user than the folder above (a pass run as root): it is that user's.
    const FileStat made = fs.stat(folder.native());
    if (above.exists && made.owner != above.owner)
        (void)fs.setOwner(folder.native(), above.owner, above.group);
    return true;
}

QString SyncEngine::reasonFor(const TransferFailure& failure, bool towardDrive, bool fromDrive) {
    using Kind = TransferFailure::Kind;
    if ((towardDrive || fromDrive) && !driveStillThere())
        return QStringLiteral("the drive was removed");
    const QString system = QString::fromStdString(failure.message);
    switch (failure.kind) {
    case Kind::SourceMissing:
        return fromDrive ? QStringLiteral("the file on the drive is missing")
                         : QStringLiteral("the local file is missing");
    case Kind::SourceUnreadable:
        return QStringLiteral("the file to copy cannot be read") +
               (system.isEmpty() ? QString() : QStringLiteral(": ") + system);
    case Kind::SourceChanged:
        return QStringLiteral("the source changed while it was copied");
    case Kind::NotAFile:
        return QStringLiteral("a folder or special file has this name");
    case Kind::ReadOnly:
        return QStringLiteral("read-only file");
    case Kind::DestinationUnreadable:
        return QStringLiteral("the file to replace cannot be read");
    case Kind::OffVolume:
        return QStringLiteral("the destination is not on the paired drive");
    case Kind::Placed:
        return QStringLiteral("another file took its name meanwhile");
    case Kind::DestinationChanged:
        return QStringLiteral("the file to replace changed during the pass");
    case Kind::LinkOnDrive:
        return LinkOnDrive;
    case Kind::NameRefused:
        if (failure.code == ENAMETOOLONG)
            return towardDrive ? QStringLiteral("name too long for this drive")
                               : QStringLiteral("name too long for this disk");
        return towardDrive ? QStringLiteral("name not allowed on this drive")
                           : QStringLiteral("name not allowed on this disk");
    case Kind::System:
        break;
    }
    switch (failure.code) {
    case ENOSPC:
        return towardDrive ? QStringLiteral("no space left on the drive")
                           : QStringLiteral("no space left on this computer's disk");
    case EROFS:
        return towardDrive ? QStringLiteral("the drive is read-only")
                           : QStringLiteral("the disk is read-only");
    case EINVAL:
    case EILSEQ:
        if (towardDrive)
            return QStringLiteral("name not allowed on this drive");
        break;
    case ENAMETOOLONG:
        return towardDrive ? QStringLiteral("name too long for this drive")
                           : QStringLiteral("name too long");
    case EACCES:
    case EPERM:
        return QStringLiteral("permission denied");
    case EIO:
        // Failures of this kind come from the side being written.
        return towardDrive ? QStringLiteral("the drive reported a read or write error")
                           : QStringLiteral("the disk reported a read or write error");
    default:
        break;
    }
    return system.isEmpty() ? QStringLiteral("unknown error") : system;
}

QString SyncEngine::writeFailure(const Path& to, std::int64_t length, bool towardDrive,
                                 bool fromDrive) {
    const TransferFailure& failure = m_transfer.lastFailure();
    // Some drives say a full disk in other words (FAT through FUSE: EPERM).
    if (failure.kind == TransferFailure::Kind::System && failure.code != ENOSPC &&
        (failure.code == EPERM || failure.code == EFBIG || failure.code == EIO)) {
        const auto room = m_session.fileSystem().availableBytes(parentOf(to).native());
        if (room && room.value() < static_cast<std::uint64_t>(std::max<std::int64_t>(length, 1)))
            return reasonFor(TransferFailure{TransferFailure::Kind::System, ENOSPC, {}},
                             towardDrive, fromDrive);
    }
    return reasonFor(failure, towardDrive, fromDrive);
}

void SyncEngine::reportFailure(const QString& subject, const QString& reason) {
    m_log.writeLine(subject + notSynchronized(reason));
    if (m_row.firstReason.isEmpty())
        m_row.firstReason = subject + QStringLiteral(": ") + reason;
    m_row.lastReason = reason;
    if (m_summary.firstReason.isEmpty())
        m_summary.firstReason = reason;
    ++m_row.failures;
    // A file is looked at from both sides and may fail at both looks: one file, one failure.
    if (m_failedThisPass.insert(subject).second)
        ++m_summary.failures;
}

void SyncEngine::clearLeftoversBeside(const Path& file) {
    // A file row's folder is never walked: its leftovers are looked for when it is written.
    const Path folder = parentOf(file);
    if (file.startsWith(m_drive.root) && !driveStillThere())
        return;
    auto listed = m_session.fileSystem().listDirectory(folder.native());
    if (!listed)
        return;
    for (const DirEntry& e : listed.value().entries) {
        if (platform::isTransferTempName(e.name) && e.stat.isRegular)
            removeLeftover(folder / e.name);
    }
}

bool SyncEngine::reachedThroughDriveLink(const Path& path) {
    const std::string& root = m_drive.root.native();
    const std::string& full = path.native();
    if (full.size() <= root.size() || full.compare(0, root.size(), root) != 0)
        return false;
    platform::FileSystem& fs = m_session.fileSystem();
    for (std::size_t at = root.size(); at < full.size();) {
        const std::size_t slash = full.find('/', at);
        const std::string step = full.substr(0, slash == std::string::npos ? full.size() : slash);
        const auto attributes = fs.attributes(step);
        if (!attributes)
            break; // not there yet: made as a folder, never as a link
        if (*attributes & platform::Attr::Reparse)
            return true;
        if (slash == std::string::npos)
            break;
        at = slash + 1;
    }
    return false;
}

void SyncEngine::logLeftOut(const Path& folder, std::uint32_t attributes) {
    using namespace platform::Attr;
    const QString why = (attributes & Reparse)    ? QStringLiteral("a link to a folder")
                        : (attributes & Hidden)   ? QStringLiteral("a hidden folder")
                        : (attributes & ReadOnly) ? QStringLiteral("a read-only folder")
                                                  : QStringLiteral("not a plain folder");
    m_log.writeLine(folder.withSeparator().display() + QStringLiteral(" - Left out (") + why +
                    QLatin1Char(')'));
}

QString SyncEngine::cannotRead(const platform::Error& error) const {
    switch (error.code) {
    case ENAMETOOLONG:
        return QStringLiteral("the path is too long to be read");
    case EACCES:
    case EPERM:
        return QStringLiteral("the folder cannot be read: permission denied");
    default:
        return QStringLiteral("the folder cannot be read: ") +
               QString::fromStdString(error.message);
    }
}

void SyncEngine::removeLeftover(const Path& path) {
    if (!m_session.fileSystem().remove(path.native()))
        return;
    m_log.writeLine(path.display() +
                    QStringLiteral(" - Removed (a temporary file left by an interrupted copy)"));
}

template <typename Step>
bool SyncEngine::runStep(const QString& shown, std::int64_t total, Step step) {
    if (total < BackgroundBytes)
        return step();
    // Long copies and flushes run on a worker; this thread keeps the window alive and
    // reports how far the copy has come.
    m_view.copyProgress(shown, 0, total);
    auto done = std::async(std::launch::async, std::move(step));
    while (done.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready) {
        // Every byte may be read while the flush still runs: only the step's end says done.
        m_view.copyProgress(shown, std::min(m_transfer.bytesDone(), total - 1), total);
        m_view.yield();
    }
    const bool ok = done.get();
    m_view.copyProgress(shown, total, total);
    return ok;
}

bool SyncEngine::copy(const Path& from, const Path& to, const QString& subject) {
    const bool fromDrive = from.startsWith(m_drive.root);
    const bool towardDrive = to.startsWith(m_drive.root);
    if ((fromDrive || towardDrive) && !driveLikelyThere()) {
        reportFailure(subject, QStringLiteral("the drive was removed"));
        return false;
    }
    if (refusedAsReadOnly(to, subject, towardDrive, fromDrive))
        return false;
    const FileTransfer::Target target{to, towardDrive ? std::optional<std::uint64_t>(m_drive.device)
                                                      : std::nullopt};
    const std::int64_t total = m_session.fileSystem().stat(from.native()).length;
    if (runStep(to.display(), total, [&] { return m_transfer.CloneFile(from, target); })) {
        ++m_summary.copies;
        ++(towardDrive ? m_summary.toDrive : m_summary.toLocal);
        return true;
    }
    noteReadOnly(to);
    reportFailure(subject, writeFailure(to, total, towardDrive, fromDrive));
    return false;
}

void SyncEngine::stageCopy(const Path& from, const Path& to, const QString& subject,
                           std::optional<std::int64_t> length) {
    const bool fromDrive = from.startsWith(m_drive.root);
    const bool towardDrive = to.startsWith(m_drive.root);
    if ((fromDrive || towardDrive) && !driveLikelyThere()) {
        reportFailure(subject, QStringLiteral("the drive was removed"));
        return;
    }
    if (refusedAsReadOnly(to, subject, towardDrive, fromDrive))
        return;
    // A new file is not looked at again in this walk, so it can wait for the batch's flush.
    const FileTransfer::Target target{to, towardDrive ? std::optional<std::uint64_t>(m_drive.device)
                                                      : std::nullopt};
    const std::size_t stagedBefore = m_transfer.stagedCount();
    const std::int64_t total = length ? *length : m_session.fileSystem().stat(from.native()).length;
    if (!runStep(to.display(), total,
                 [&] { return m_transfer.StageFile(from, target, subject); })) {
        noteReadOnly(to);
        reportFailure(subject, writeFailure(to, total, towardDrive, fromDrive));
        return;
    }
    if (m_transfer.stagedCount() > stagedBefore) {
        m_staging.insert(to.native());
        if (m_pair.key)
            m_pendingAgreements.push_back(Agreement{to.native(), subject, std::string(*m_pair.key),
                                                    agreedAfterCopy(towardDrive)});
        if (towardDrive)
            ++m_stagedTowardDrive;
    }
    if (m_transfer.stagedCount() >= StagedBatch)
        commitCreated();
}

void SyncEngine::openRecord(const SyncItem& item) {
    const QString drive =
        m_session.drive.serialText + QLatin1Char('-') + QString::number(m_session.drive.DriveSize);
    const QString key = item.localPath + QLatin1Char('\n') + item.remoteStored;
    m_row.record = std::make_unique<SyncRecord>(
        SyncRecord::fileFor(m_recordFolder + QLatin1Char('/') + drive, key), key);
    m_row.record->load();
}

void SyncEngine::saveRecord() {
    // A record that cannot be written costs only what it would have told the next pass. It
    // lives in the log's folder, which is never made for it.
    if (m_row.record && QFileInfo(QFileInfo(m_log.path()).absolutePath()).isDir())
        (void)m_row.record->save();
}

void SyncEngine::pruneRecords() const {
    // Pairing another drive starts a new list; the old drive's records go with the old list.
    const QString current =
        m_session.drive.serialText + QLatin1Char('-') + QString::number(m_session.drive.DriveSize);
    QDir folder(m_recordFolder);
    for (const QString& name : folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (name != current)
            QDir(folder.filePath(name)).removeRecursively();
    }
}

std::string_view SyncEngine::recordKey(const Path& localPath) const {
    const std::string& root = m_row.localRoot.native();
    const std::string_view full = localPath.native();
    return full.compare(0, root.size(), root) == 0 ? full.substr(root.size()) : full;
}

SyncEngine::Judgement SyncEngine::judge(std::string_view key, const FileStat& localSt,
                                        const FileStat& driveSt, StampOrder order) const {
    const std::optional<StampOrder> byTime =
        order == StampOrder::Equal ? std::nullopt : std::optional(order);
    const RecordEntry* entry = m_row.record ? m_row.record->find(key) : nullptr;
    if (!entry)
        return {byTime};
    const bool localChanged = entry->local.changedIn(localSt, m_row.timeStep);
    const bool driveChanged = entry->drive.changedIn(driveSt, m_row.timeStep);
    if (entry->declined && !localChanged && !driveChanged)
        return {byTime, false, true};
    // Both changed: the newer still wins under the name, the other is kept beside it. A kept
    // copy is a file like any other, never a conflict of its own.
    if (localChanged && driveChanged && !isConflictCopy(key))
        return {byTime ? byTime : StampOrder::FirstNewer, true};
    // Only one side changed, in a way the times cannot show: that side is the newer.
    if (!byTime && localChanged != driveChanged)
        return {localChanged ? StampOrder::FirstNewer : StampOrder::SecondNewer};
    return {byTime};
}

RecordEntry SyncEngine::agreedAfterCopy(bool towardDrive) const {
    return towardDrive
               ? RecordEntry{SideState::of(*m_pair.local), SideState::copyOf(*m_pair.local)}
               : RecordEntry{SideState::copyOf(*m_pair.drive), SideState::onDrive(*m_pair.drive)};
}

bool SyncEngine::setAside(const Path& xto, const QString& subject) {
    platform::FileSystem& fs = m_session.fileSystem();
    // A read-only file is not replaced at all: its copy fails as such, and nothing is kept
    // aside for it.
    if (fs.isWriteProtected(xto.native()))
        return true;
    const bool onDrive = xto.startsWith(m_drive.root);
    if (onDrive && !driveLikelyThere()) {
        reportFailure(subject, QStringLiteral("the drive was removed"));
        return false;
    }
    const QString stamp = m_clock.now().toString(QStringLiteral("yyyy-MM-dd HHmmss"));
    const QString side = onDrive ? QStringLiteral("drive") : QStringLiteral("pc");
    for (int attempt = 1; attempt < 100; ++attempt) {
        const Path aside = conflictCopyName(xto, stamp, side, attempt);
        const platform::Status moved = fs.renameNoReplace(xto.native(), aside.native());
        if (moved) {
            ++m_summary.conflicts;
            ++m_row.conflicts;
            m_log.writeLine(xto.display() + QStringLiteral(" - Both copies changed: kept as ") +
                            aside.display());
            return true;
        }
        if (moved.error().code != EEXIST)
            break;
    }
    reportFailure(subject, QStringLiteral("both copies changed and the other could not be kept"));
    return false;
}

void SyncEngine::noteReadOnly(const Path& to) {
    if (m_transfer.lastFailure().kind == TransferFailure::Kind::ReadOnly)
        m_readOnlyThisPass.insert(to.native());
}

bool SyncEngine::refusedAsReadOnly(const Path& to, const QString& subject, bool towardDrive,
                                   bool fromDrive) {
    // Its failure may have given it its write permission back; its content waits for the
    // next pass all the same, so that no read-only file is written in the pass that found it so.
    if (m_readOnlyThisPass.count(to.native()) == 0)
        return false;
    reportFailure(subject, reasonFor(TransferFailure{TransferFailure::Kind::ReadOnly, 0, {}},
                                     towardDrive, fromDrive));
    return true;
}

void SyncEngine::commitCreated() {
    const std::size_t staged = m_transfer.stagedCount();
    if (staged == 0)
        return;
    // The flushes wait for the disk: a worker waits, the window does not.
    auto done = std::async(std::launch::async, [this] { return m_transfer.CommitStaged(); });
    while (done.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready)
        m_view.yield();
    const std::vector<FileTransfer::StagedFailure> failed = done.get();
    m_staging.clear();
    m_summary.copies += static_cast<int>(staged - failed.size());
    std::size_t placedTowardDrive = m_stagedTowardDrive;
    std::size_t placedTowardLocal = staged - m_stagedTowardDrive;
    m_stagedTowardDrive = 0;
    for (const FileTransfer::StagedFailure& f : failed) {
        const bool towardDrive = f.destination.startsWith(m_drive.root);
        std::size_t* side = towardDrive ? &placedTowardDrive : &placedTowardLocal;
        if (*side == 0) // a link made it land on the other side
            side = towardDrive ? &placedTowardLocal : &placedTowardDrive;
        --*side;
        reportFailure(f.subject, reasonFor(f.failure, towardDrive, !towardDrive));
    }
    m_summary.toDrive += static_cast<int>(placedTowardDrive);
    m_summary.toLocal += static_cast<int>(placedTowardLocal);
    // What was placed is in step; what failed is not.
    for (const Agreement& agreement : m_pendingAgreements) {
        const bool placed = std::none_of(failed.begin(), failed.end(), [&](const auto& f) {
            return f.destination.native() == agreement.destination ||
                   f.subject == agreement.subject;
        });
        if (placed && m_row.record)
            m_row.record->agree(agreement.key, agreement.entry);
    }
    m_pendingAgreements.clear();
}

QString SyncEngine::confirmationText(const Path& xfrom, const Path& xto) const {
    const QString crlf = QStringLiteral("\r\n");
    const FileStat from = m_session.fileSystem().stat(xfrom.native());
    const FileStat to = m_session.fileSystem().stat(xto.native());
    auto dateOf = [](const FileStat& st) {
        const QDateTime t = QDateTime::fromSecsSinceEpoch(st.times.write.seconds, Qt::LocalTime);
        return Translate(QStringLiteral("File date:")) + QLatin1Char(' ') +
               QLocale().toString(t, QLocale::ShortFormat);
    };
    QStringList lines;
    lines << title() + QLatin1Char(' ') + Translate(QStringLiteral("is about to copy:"))
          << QString() << xfrom.display();
    if (from.isRegular)
        lines << dateOf(from);
    lines << QString() << Translate(QStringLiteral("will replace:")) << QString() << xto.display();
    if (to.isRegular)
        lines << dateOf(to) << QString();
    lines << QString() << Translate(QStringLiteral("Do you accept this replacement ?"));
    return lines.join(crlf);
}

bool SyncEngine::confirmed(const Path& xfrom, const Path& xto) {
    if (!m_session.conflictMode.asksFirst())
        return true;
    // Asked once: the same question about the same two files is not asked at every search.
    const bool standing = m_view.standingAnswer().has_value();
    if (m_pair.declinedBefore && !standing)
        return false;
    if (m_view.confirmReplacement(title(), confirmationText(xfrom, xto)))
        return true;
    if (!standing && m_pair.key && m_row.record && m_pair.local->isRegular &&
        m_pair.drive->isRegular)
        m_row.record->agree(*m_pair.key, RecordEntry{SideState::of(*m_pair.local),
                                                     SideState::onDrive(*m_pair.drive), true});
    return false;
}

void SyncEngine::CopyFilewStatus(const Path& xfrom, const Path& xto, int xSubItems, bool Way) {
    const int row = xSubItems - 1;
    if (!confirmed(xfrom, xto)) {
        // Not asked again: the row says why nothing happened.
        if (m_pair.declinedBefore && m_session.conflictMode.asksFirst())
            setRowStatus(row, Translate(QStringLiteral("Not Synchronized (declined)")));
        return;
    }
    if (m_pair.conflict && !setAside(xto, m_session.list().rows().at(row).localPath)) {
        setRowStatus(row, Translate(QStringLiteral("Error")));
        m_view.setRowReason(row, m_row.lastReason);
        return;
    }
    setRowStatus(row, (Way ? QStringLiteral(">> ") : QStringLiteral("<< ")) +
                          Translate(QStringLiteral("Copying...")));
    m_view.yield();
    clearLeftoversBeside(xto);
    if (copy(xfrom, xto, m_session.list().rows().at(row).localPath)) {
        if (m_pair.key && m_row.record)
            m_row.record->agree(*m_pair.key, agreedAfterCopy(Way));
        setRowStatus(row, Translate(QStringLiteral("Synchronized at ")) + now());
        if (m_row.conflicts > 0)
            m_view.setRowReason(row, QStringLiteral("changed on both sides: both copies kept"));
        return;
    }
    // A copy that did not happen is never shown as done.
    setRowStatus(row, Translate(QStringLiteral("Error")));
    m_view.setRowReason(row, m_row.lastReason);
}

void SyncEngine::SmoothCopy(const Path& xfrom, const Path& xto, const QString& subject) {
    if (!confirmed(xfrom, xto))
        return;
    if (m_pair.conflict && !setAside(xto, subject))
        return;
    // The log names the walked file: the one on the side being listed. Like new files,
    // replacements in a walk are flushed and placed in batches.
    stageCopy(xfrom, xto, subject);
}

} // namespace quillet
