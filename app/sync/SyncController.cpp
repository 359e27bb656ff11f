#include "SyncController.h"

#include "base/Path.h"
#include "base/Translate.h"

namespace quillet {

SyncController::WatchRest::WatchRest(SyncController& controller) : m_controller(controller) {
    ++m_controller.m_edits;
    m_controller.m_session.watch().setSearchTimer(false);
}

SyncController::WatchRest::~WatchRest() {
    if (--m_controller.m_edits == 0 && !m_controller.m_watchKeptStopped)
        m_controller.m_session.watch().setSearchTimer(true);
}

SyncController::SyncController(SyncSession& session, EditQuestions& questions)
    : m_session(session), m_questions(questions) {}

void SyncController::listEdited() {
    if (onListEdited)
        onListEdited();
}

EditOutcome SyncController::addFile(const QString& path) {
    const WatchRest rest(*this);
    // The drive first: with it away, nothing is asked.
    if (const EditOutcome drive = m_session.checkNewFile(path);
        drive.code == EditOutcome::Code::DriveAbsent)
        return drive;
    QString chosen = path;
    if (chosen.isEmpty()) {
        const std::optional<QString> picked = m_questions.fileToAdd();
        if (!picked)
            return EditOutcome{EditOutcome::Code::Declined, QString()};
        chosen = *picked;
    }
    if (const EditOutcome checked = m_session.checkNewFile(chosen); !checked.ok())
        return checked;
    const QString destFolder = m_questions.folderForFile(chosen, m_session.FoundLetter());
    if (destFolder.isEmpty())
        return EditOutcome{EditOutcome::Code::Declined, QString()};
    const EditOutcome added = m_session.AddNewFile(chosen, destFolder);
    listEdited();
    return added;
}

EditOutcome SyncController::addFolder(const QString& folder) {
    const WatchRest rest(*this);
    const QString chosen = folder.isEmpty() ? m_questions.folderToAdd() : folder;
    if (chosen.isEmpty())
        return EditOutcome{EditOutcome::Code::Declined, QString()};
    // A path that is no folder is refused before anything is asked.
    if (const EditOutcome checked = m_session.checkNewFolder(chosen); !checked.ok())
        return checked;
    // No destination is refused by the add, which says why.
    const QString destFolder = m_questions.folderForFolder(chosen, m_session.FoundLetter());
    const EditOutcome added = m_session.AddNewFolder(chosen, destFolder);
    listEdited();
    return added;
}

EditOutcome SyncController::addNamed(const CommandLineAdd& add) {
    if (add.kind == CommandLineAdd::Kind::File)
        return addFile(add.path);
    const QString path = withoutSeparator(add.path);
    if (m_session.probe().IsFolder(path) || !m_session.driveFound()) {
        // No folder named: refused as such, never a picker in its place.
        if (add.path.isEmpty())
            return m_session.checkNewFolder(add.path);
        return addFolder(add.path);
    }
    // "/f " and a file: added as a file, with the drive folder dialog.
    if (m_session.probe().FileExists(path))
        return addFile(path);
    const bool exists = m_session.fileSystem().stat(Path::fromText(path).native()).exists;
    return EditOutcome{EditOutcome::Code::BadInput,
                       exists ? Translate(QStringLiteral("%1 cannot be synchronized: it is a "
                                                         "link, hidden or read-only."))
                                    .arg(path)
                              : Translate(QStringLiteral("%1 was not found.")).arg(path)};
}

EditOutcome SyncController::removeRow(int index) {
    if (index < 0 || index >= m_session.list().rows().size())
        return EditOutcome{EditOutcome::Code::BadInput, QString()};
    const WatchRest rest(*this);
    const SyncItem item = m_session.list().rows().at(index);
    const std::optional<bool> beforehand =
        item.isFolder ? std::optional<bool>() : m_questions.deleteCopyBeforehand();
    // A copy that cannot be deleted now leaves the item where it is.
    if (beforehand.value_or(false) && !m_session.driveFound())
        return EditOutcome{EditOutcome::Code::DriveAbsent, QString()};
    const EditOutcome removed = m_session.RemoveItem(index, beforehand.value_or(false));
    listEdited();
    // A folder item goes without a question; nothing of it is deleted.
    if (!removed.ok() || beforehand || item.isFolder ||
        item.sizeText == Translate(QStringLiteral("Folder")))
        return removed;
    const EditOutcome deleted = m_questions.deleteCopy(item) ? deleteCopy(item) : removed;
    // The list as stored now, sizes and all, whatever the answer.
    m_session.RefreshFiles();
    listEdited();
    return deleted;
}

EditOutcome SyncController::deleteCopy(const SyncItem& item) {
    // Only a copy on the drive found now: "?" stands first while it is away, and such a path
    // would name a file of the current folder instead.
    if (!m_session.driveFound() || !item.remotePath.startsWith(m_session.FoundLetter()))
        return EditOutcome{EditOutcome::Code::RemoteNotDeleted,
                           Translate(QStringLiteral("The removable drive was not found, so the "
                                                    "file was not deleted on it."))};
    if (const platform::Status gone =
            m_session.fileSystem().remove(Path::fromText(item.remotePath).native());
        !gone)
        return EditOutcome{EditOutcome::Code::RemoteNotDeleted,
                           QString::fromStdString(gone.error().message)};
    return {};
}

SyncSession::PairOutcome SyncController::pair(const QString& root, bool sameRootOnly) {
    // Asked on the list as stored then, under the settings lock.
    return m_session.StartNewSync(root, sameRootOnly, [this] {
        return m_questions.replacePairing(m_session.storedItemCount());
    });
}

} // namespace quillet
