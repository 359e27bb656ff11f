#include "WindowQuestions.h"

#include "Captions.h"
#include "ItemPickers.h"
#include "base/Path.h"
#include "base/Translate.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QWidget>

namespace quillet {

namespace {
QString titleOf(const QWidget* owner) {
    return owner ? owner->windowTitle() : Captions::programTitle();
}
} // namespace

std::optional<QString> WindowQuestions::fileToAdd() {
    return m_pickers.ShowOpen(m_owner, titleOf(m_owner));
}

QString WindowQuestions::folderToAdd() {
    return m_pickers.BrowseForFolder(
        m_owner, Translate(QStringLiteral("Choose the Folder to Sync")), false, QDir::homePath());
}

QString WindowQuestions::folderForFile(const QString& path, const QString& driveRoot) {
    const QString whereto = Translate(QStringLiteral("Where do you want to place ")) + path +
                            QStringLiteral(" in the removable drive ?");
    return m_pickers.ShowCopyFile(m_owner, whereto, driveRoot);
}

QString WindowQuestions::folderForFolder(const QString& folder, const QString& driveRoot) {
    // Opens on the drive, where the new folder may be made. The title names the folder being
    // added: the picker shows only the drive.
    return m_pickers.BrowseForFolder(m_owner,
                                     Translate(QStringLiteral("Choose destination folder")) +
                                         QStringLiteral(": ") + withoutSeparator(folder),
                                     true, driveRoot);
}

bool WindowQuestions::replacePairing(int /*storedItems*/) {
    // Over the pairing dialog that asks, when it is open.
    QWidget* over = QApplication::activeModalWidget() ? QApplication::activeModalWidget() : m_owner;
    return QMessageBox::question(
               over, Captions::programTitle(),
               Translate(QStringLiteral(
                   "You have already set a drive, do you wish to substitute this drive ?")),
               QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

bool WindowQuestions::deleteCopy(const SyncItem& removed) {
    QMessageBox question(
        QMessageBox::Information, titleOf(m_owner),
        Translate(QStringLiteral("File removed for synchronization.")) + QLatin1Char('\n') +
            Translate(QStringLiteral("This don't delete the file on Local Computer or in "
                                     "Removable Drive, do you wish to remove on the Removable "
                                     "drive ? ")),
        QMessageBox::Yes | QMessageBox::No, m_owner);
    // Which item went, and which copy the answer is about.
    question.setInformativeText(
        removed.localPath + QLatin1Char('\n') +
        Translate(QStringLiteral("Copy on the drive: %1")).arg(removed.remotePath));
    question.setDefaultButton(QMessageBox::No);
    return question.exec() == QMessageBox::Yes;
}

} // namespace quillet
