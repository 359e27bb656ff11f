#include "SyncSession.h"

#include "SettingsKeys.h"
#include "base/Format.h"
#include "base/Path.h"
#include "base/Translate.h"

#include <QDir>
#include <QFileInfo>

#include <cmath>
#include <limits>

namespace quillet {

CommandLineAdd CommandLineAdd::parse(const QString& commandLine) {
    CommandLineAdd add;
    if (commandLine.isEmpty())
        return add;
    // Exactly "/f " (lower-case f and a blank) names a folder; anything else is a file path,
    // taken as it stands, quotes and all.
    if (commandLine.startsWith(QLatin1String("/f "))) {
        add.kind = Kind::Folder;
        add.path = commandLine.mid(3);
    } else {
        add.kind = Kind::File;
        add.path = commandLine;
    }
    return add;
}

SyncSession::SyncSession(platform::SettingsStore& store, platform::FileSystem& fs,
                         platform::VolumeService& volumes)
    : m_store(store), m_fs(fs), m_volumes(volumes), m_probe(fs), m_identity(volumes),
      m_watch(m_identity, m_drive), m_list(store, m_probe),
      m_lockFolder(platform::UserLock::defaultFolder()) {}

std::optional<int> SyncSession::leadingNumber(const QString& text) {
    // Blanks first, then an optional sign, digits and a fraction: "2.5x" reads 2.5.
    int at = 0;
    while (at < text.size() && text.at(at).isSpace())
        ++at;
    int start = at;
    if (at < text.size() && (text.at(at) == QLatin1Char('-') || text.at(at) == QLatin1Char('+')))
        ++at;
    while (at < text.size() && text.at(at).isDigit())
        ++at;
    if (at < text.size() && text.at(at) == QLatin1Char('.')) {
        ++at;
        while (at < text.size() && text.at(at).isDigit())
            ++at;
    }
    bool ok = false;
    const double number = text.mid(start, at - start).toDouble(&ok);
    const double rounded = ok ? std::nearbyint(number) : 0.0;
    if (rounded < -32768.0 || rounded > 32767.0)
        return std::nullopt; // does not fit the 16-bit field: the read fails
    return static_cast<int>(rounded);
}

int SyncSession::refreshSecondsFor(std::optional<int> index) {
    static const int table[] = {5, 10, 30, 60, 300, 600, 900, 1800, 3600};
    if (!index || *index < 0 || *index > 8)
        return 5;
    return table[*index];
}

void SyncSession::applyConflictMode(int index) {
    if (index < 0 || index > 5)
        return;
    m_conflictSelection = index;
    m_conflictMode = ConflictMode(static_cast<qint16>(index));
}

void SyncSession::applyRefreshTime(std::optional<int> index) {
    if (index && (*index < 0 || *index > 8))
        index.reset();
    m_refreshSelection = index;
    m_watch.setRefreshSeconds(refreshSecondsFor(index));
}

EditOutcome SyncSession::selectConflictMode(int index) {
    if (index < 0 || index > 5)
        return EditOutcome{EditOutcome::Code::BadInput, QString()};
    return changeSettings([&] {
        applyConflictMode(index);
        m_store.write(keys::SyncInfo, keys::Conflicts, QString::number(index));
        return EditOutcome{};
    });
}

EditOutcome SyncSession::selectRefreshTime(std::optional<int> index) {
    return changeSettings([&] {
        applyRefreshTime(index);
        // With nothing selected the stored index is -1.
        m_store.write(keys::SyncInfo, keys::Refresh,
                      QString::number(m_refreshSelection.value_or(-1)));
        return EditOutcome{};
    });
}

namespace {
// A serial is stored as the decimal text of a signed 32-bit number.
std::optional<qint32> serialFromText(const QString& text) {
    bool ok = false;
    const qlonglong value = text.trimmed().toLongLong(&ok);
    if (!ok || value < std::numeric_limits<qint32>::min() ||
        value > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return static_cast<qint32>(value);
}

bool samePairing(const PairedDrive& a, const PairedDrive& b) {
    return a.serialText == b.serialText && a.DriveSize == b.DriveSize &&
           a.DriveRoot == b.DriveRoot && a.SameLetterOnly == b.SameLetterOnly;
}

EditOutcome fail(EditOutcome::Code code, const QString& englishText) {
    return EditOutcome{code, Translate(englishText)};
}
} // namespace

void SyncSession::readDrive() {
    m_drive.serialText = m_store.read(keys::SyncInfo, keys::SN, QString());
    m_drive.DriveSerial = serialFromText(m_drive.serialText);
    // The option is on only for the exact text "1".
    m_drive.SameLetterOnly =
        m_store.read(keys::SyncInfo, keys::Letter, QString()) == QLatin1String("1");
    m_drive.DriveRoot = m_store.read(keys::SyncInfo, keys::Drive, QString());

    bool ok = false;
    const quint64 size =
        m_store.read(keys::SyncInfo, keys::Size, QString()).trimmed().toULongLong(&ok);
    if (ok)
        m_drive.DriveSize = size;
}

void SyncSession::readOptions(bool storeChoices) {
    if (const auto conflicts =
            leadingNumber(m_store.read(keys::SyncInfo, keys::Conflicts, QStringLiteral("0"))))
        m_conflictMode = ConflictMode(static_cast<qint16>(*conflicts));

    const auto refresh =
        leadingNumber(m_store.read(keys::SyncInfo, keys::Refresh, QStringLiteral("1")));
    if (refresh && *refresh >= 0 && *refresh <= 8)
        m_refreshSelection = refresh;

    // Selecting stores the choice; a mode outside the list selects nothing but stays the mode.
    if (storeChoices) {
        selectRefreshTime(m_refreshSelection);
        selectConflictMode(m_conflictMode.value());
    } else {
        applyRefreshTime(m_refreshSelection);
        applyConflictMode(m_conflictMode.value());
    }
}

void SyncSession::load(bool storeChoices) {
    readDrive();
    readOptions(storeChoices);
    m_list.clear();
    m_watch.forgetDrive();
    RefreshFiles();
    m_watch.searchAtNextTick();
    m_watch.setSearchTimer(true);
}

EditOutcome SyncSession::GoLoad() {
    return changeSettings([&] {
        load(true);
        return EditOutcome{};
    });
}

void SyncSession::loadReadOnly() {
    load(false);
}

void SyncSession::reloadSettings() {
    m_store.reload();
    const PairedDrive before = m_drive;
    readDrive();
    readOptions(false);
    // Paired anew elsewhere: where the old drive was found says nothing about the new one.
    if (!samePairing(m_drive, before))
        m_watch.forgetDrive();
}

EditOutcome SyncSession::changeSettings(const std::function<EditOutcome()>& change) {
    if (m_settingsDepth > 0)
        return change(); // part of a change already under way
    platform::UserLock lock(
        platform::UserLock::nameFor(QStringLiteral("settings"), m_store.location()), m_lockFolder);
    // A lock file that cannot be made must not keep the user from editing: go on without.
    if (lock.take(SettingsWait) == platform::UserLock::Take::Busy)
        return EditOutcome{EditOutcome::Code::NotSaved,
                           Translate(QStringLiteral("The settings are being changed by another "
                                                    "program. Nothing was changed; please try "
                                                    "again."))};
    // Another process may have written since this one read: change what is stored now.
    m_store.reload();
    ++m_settingsDepth;
    EditOutcome outcome = change();
    --m_settingsDepth;
    if (!m_store.sync()) {
        QString reason = m_store.writeError();
        if (reason.isEmpty())
            reason = QStringLiteral("the system refused to write it");
        return EditOutcome{EditOutcome::Code::NotSaved,
                           Translate(QStringLiteral("The settings could not be saved in %1 (%2). "
                                                    "Nothing was changed."))
                               .arg(QDir::toNativeSeparators(m_store.location()), reason)};
    }
    return outcome;
}

bool SyncSession::exitWarningShown() const {
    // Only the exact text shows it.
    return m_store.read(keys::Config, keys::ExitWarning, QStringLiteral("Yes")) ==
           QLatin1String("Yes");
}

EditOutcome SyncSession::setExitWarningShown(bool shown) {
    return changeSettings([&] {
        m_store.write(keys::Config, keys::ExitWarning,
                      shown ? QStringLiteral("Yes") : QStringLiteral("No"));
        return EditOutcome{};
    });
}

std::unique_ptr<platform::UserLock> SyncSession::takePassTurn() {
    auto lock = std::make_unique<platform::UserLock>(
        platform::UserLock::nameFor(QStringLiteral("pass"), m_store.location()), m_lockFolder);
    m_passBusy = lock->take() == platform::UserLock::Take::Busy;
    if (m_passBusy)
        return nullptr;
    return lock;
}

void SyncSession::refreshPairing() {
    const PairedDrive before = m_drive;
    readDrive();
    if (!samePairing(m_drive, before))
        SearchLetter();
}

void SyncSession::RefreshFiles() {
    m_list.setDriveFoldsCase(
        driveFound() &&
        platform::hasCaseInsensitiveNames(m_volumes.fileSystemType(FoundLetter().toStdString())));
    m_list.RefreshFiles(m_drive.serialText, FoundLetter());
}

void SyncSession::SaveFiles() {
    m_list.SaveFiles(m_drive.serialText);
}

bool SyncSession::hasPairedDrive() const {
    return m_drive.isPaired();
}

SyncSession::PairOutcome SyncSession::StartNewSync(const QString& root, bool sameRootOnly,
                                                   const std::function<bool()>& confirmReplace) {
    using Code = PairOutcome::Code;
    if (root.isEmpty())
        return PairOutcome{Code::NotADrive,
                           Translate(QStringLiteral("No drive was chosen. Please choose the drive "
                                                    "to sync."))};
    if (!m_identity.roots().contains(root))
        return PairOutcome{
            Code::NotADrive,
            Translate(QStringLiteral("%1 is not the mount point of a drive.")).arg(root)};
    // Measured now, at the moment of pairing, and refused when the drive cannot be told
    // apart: with serial 0 it would pass for any drive of the same size.
    const qint32 serial = m_identity.GetVolumeSerial(root);
    if (serial == 0)
        return PairOutcome{Code::Unreadable,
                           Translate(QStringLiteral("The serial number of the drive at %1 cannot "
                                                    "be read, so it could not be told apart from "
                                                    "other drives of the same size. It was not "
                                                    "paired."))
                               .arg(root)};
    const quint64 size = m_identity.GetDriveTotalBytes(root);
    if (size == 0)
        return PairOutcome{Code::Unreadable,
                           Translate(QStringLiteral("The size of the drive at %1 cannot be read. "
                                                    "It was not paired."))
                               .arg(root)};
    bool declined = false;
    int forgotten = 0;
    const EditOutcome saved = changeSettings([&] {
        if (!m_store.read(keys::SyncInfo, keys::Drive, QString()).isEmpty()) {
            if (!confirmReplace || !confirmReplace()) {
                declined = true;
                return EditOutcome{};
            }
            const QString oldSerial = m_store.read(keys::SyncInfo, keys::SN, QString());
            forgotten = m_list.storedCount(oldSerial);
            m_store.deleteSection(oldSerial);
        }
        m_store.deleteSection(keys::SyncInfo);

        m_drive.DriveRoot = root;
        m_store.write(keys::SyncInfo, keys::Drive, root);
        m_drive.DriveSerial = serial;
        m_drive.serialText = QString::number(serial);
        m_store.write(keys::SyncInfo, keys::SN, m_drive.serialText);
        m_drive.DriveSize = size;
        m_store.write(keys::SyncInfo, keys::Size, QString::number(m_drive.DriveSize));
        m_drive.SameLetterOnly = sameRootOnly;
        m_store.write(keys::SyncInfo, keys::Letter,
                      sameRootOnly ? QStringLiteral("1") : QStringLiteral("0"));
        return EditOutcome{};
    });
    if (!saved.ok())
        return PairOutcome{Code::NotSaved, saved.message};
    if (declined)
        return PairOutcome{Code::Declined, QString()};
    PairOutcome paired;
    paired.forgotten = forgotten;
    return paired;
}

int SyncSession::storedItemCount() const {
    return m_list.storedCount(m_store.read(keys::SyncInfo, keys::SN, QString()));
}

EditOutcome SyncSession::setSameRootOnly(bool sameRootOnly) {
    return changeSettings([&] {
        refreshPairing();
        if (!hasPairedDrive())
            return fail(EditOutcome::Code::BadInput, QStringLiteral("No drive is paired."));
        m_drive.SameLetterOnly = sameRootOnly;
        m_store.write(keys::SyncInfo, keys::Letter,
                      sameRootOnly ? QStringLiteral("1") : QStringLiteral("0"));
        return EditOutcome{};
    });
}

bool SyncSession::onPairedDrive(const QString& path) const {
    if (withSeparator(path).startsWith(FoundLetter()))
        return true;
    // Reached through a link into the drive: the path itself does not say so.
    const QString real = QFileInfo(path).canonicalFilePath();
    return !real.isEmpty() && withSeparator(real).startsWith(FoundLetter());
}

EditOutcome SyncSession::placeTaken(const SyncItem& item) const {
    // Two items that share a file on the drive would copy one over the other through it.
    const std::optional<int> owner =
        m_list.rowSharingPlace(item, static_cast<int>(m_list.rows().size()));
    if (!owner)
        return {};
    const SyncItem& earlier = m_list.rows().at(*owner);
    return EditOutcome{EditOutcome::Code::BadInput,
                       Translate(QStringLiteral("%1 on the drive overlaps item %2, which keeps %3 "
                                                "in step with %4. A file on the drive can belong "
                                                "to one item only."))
                           .arg(item.remotePath, QString::number(*owner + 1), earlier.localPath,
                                earlier.remotePath)};
}

EditOutcome SyncSession::AddNewFile(const QString& path, const QString& destFolder) {
    return changeSettings([&] {
        refreshPairing();
        return addFile(path, destFolder);
    });
}

EditOutcome SyncSession::AddNewFolder(const QString& folder, const QString& destFolder) {
    return changeSettings([&] {
        refreshPairing();
        return addFolder(folder, destFolder);
    });
}

EditOutcome SyncSession::checkNewFile(const QString& path) const {
    if (!driveFound())
        return fail(EditOutcome::Code::DriveAbsent,
                    QStringLiteral("Removable drive not found. Please connect the drive before "
                                   "adding any new file."));
    if (!m_probe.FileExists(path))
        return fail(EditOutcome::Code::BadInput,
                    QStringLiteral("File does not exist or is a Folder, you can only synchronize "
                                   "files not folders."));
    // Its copy would be itself or another file of the same drive: removing the item with its
    // copy could then delete the only one.
    if (onPairedDrive(path))
        return fail(EditOutcome::Code::BadInput,
                    QStringLiteral("You cannot select files inside the Removable Drive !"));
    return {};
}

EditOutcome SyncSession::checkNewFolder(const QString& folder) const {
    const QString path = withoutSeparator(folder);
    if (!driveFound())
        return fail(EditOutcome::Code::DriveAbsent,
                    QStringLiteral("Removable drive not found. Please connect the drive before "
                                   "adding any new folder."));
    if (onPairedDrive(path))
        return fail(EditOutcome::Code::BadInput,
                    QStringLiteral("You cannot select folders inside the Removable Drive !"));
    // Nothing to add: the list is left exactly as stored.
    if (!m_probe.IsFolder(path))
        return EditOutcome{EditOutcome::Code::BadInput, QString()};
    return {};
}

EditOutcome SyncSession::addFile(const QString& path, const QString& destFolder) {
    if (const EditOutcome checked = checkNewFile(path); !checked.ok())
        return checked;
    const QString dest = withSeparator(destFolder);
    // The picker offers only folders of the drive; without it the same must hold.
    const platform::FileStat st = m_fs.stat(Path::fromText(dest).native());
    if (!dest.startsWith(FoundLetter()) || !st.isDirectory)
        return fail(EditOutcome::Code::BadInput,
                    QStringLiteral("Folder should be on the remote drive !!"));

    RefreshFiles();
    SyncItem item;
    item.localPath = path;
    item.length = m_probe.FileLength(path).value_or(0);
    item.sizeText = formatBytes(item.length);
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const QString name = slash < 0 ? path : path.mid(slash + 1);
    item.remotePath = dest + name;
    item.remoteStored = remoteStoredFor(item.remotePath, FoundLetter());
    if (const EditOutcome shared = placeTaken(item); !shared.ok())
        return shared;
    m_list.append(item);
    SaveFiles();
    return {};
}

EditOutcome SyncSession::addFolder(const QString& folder, const QString& destFolder) {
    if (const EditOutcome checked = checkNewFolder(folder); !checked.ok())
        return checked;
    const QString path = withoutSeparator(folder);
    const QString dest = withSeparator(destFolder);
    const platform::FileStat st = m_fs.stat(Path::fromText(dest).native());
    if (destFolder.isEmpty() || !dest.startsWith(FoundLetter()) || !st.isDirectory)
        return fail(EditOutcome::Code::BadInput,
                    QStringLiteral("Folder should be on the remote drive !!"));
    SyncItem item;
    item.localPath = path;
    item.isFolder = true;
    item.sizeText = Translate(QStringLiteral("Folder"));
    item.remotePath = dest;
    item.remoteStored = remoteStoredFor(dest, FoundLetter());
    item.status = Translate(QStringLiteral("Folder"));
    // Against the list as stored now, not as this view last saw it.
    RefreshFiles();
    if (const EditOutcome shared = placeTaken(item); !shared.ok())
        return shared;
    m_list.append(item);
    SaveFiles();
    return {};
}

EditOutcome SyncSession::RemoveItem(int index, bool deleteRemote) {
    if (index < 0 || index >= m_list.rows().size())
        return EditOutcome{EditOutcome::Code::BadInput, QString()};
    const SyncItem seen = m_list.rows().at(index);
    SyncItem removed;
    const EditOutcome saved = changeSettings([&] {
        // The row the caller saw, in the list as stored now: another process may have
        // changed the list since, and the index alone could name another item.
        RefreshFiles();
        const QList<SyncItem>& rows = m_list.rows();
        auto same = [&](const SyncItem& row) {
            return row.localPath == seen.localPath && row.remoteStored == seen.remoteStored;
        };
        std::optional<qsizetype> row;
        if (index < rows.size() && same(rows.at(index)))
            row = index;
        for (qsizetype candidate = 0; !row && candidate < rows.size(); ++candidate) {
            if (same(rows.at(candidate)))
                row = candidate;
        }
        if (!row)
            return fail(EditOutcome::Code::BadInput,
                        QStringLiteral("The list was changed by another program meanwhile. "
                                       "Nothing was removed."));
        removed = rows.at(*row);
        m_list.rows().removeAt(*row);
        SaveFiles();
        return EditOutcome{};
    });
    // The copy on the drive goes only once the store no longer names it.
    if (!saved.ok())
        return saved;
    EditOutcome outcome;
    if (!removed.isFolder && removed.sizeText != Translate(QStringLiteral("Folder")) &&
        deleteRemote) {
        const platform::Status st = m_fs.remove(Path::fromText(removed.remotePath).native());
        if (!st)
            outcome = EditOutcome{EditOutcome::Code::RemoteNotDeleted,
                                  QString::fromStdString(st.error().message)};
    }
    if (!removed.isFolder)
        RefreshFiles();
    return outcome;
}

} // namespace quillet
