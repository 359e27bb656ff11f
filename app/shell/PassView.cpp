#include "PassView.h"

#include "MasterControls.h"
#include "SyncListModel.h"
#include "base/Translate.h"
#include "controls/SystemTray.h"
#include "controls/XPButton.h"

#include <GraphicBar.h>

#include <QApplication>
#include <QComboBox>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QTreeView>

namespace quillet {

bool PassView::endedJustNow() const {
    return m_syncShown.isValid() && m_syncShown.elapsed() < QApplication::doubleClickInterval();
}

void PassView::showSearching() {
    m_ui.addFile->SetEnabled(false);
    m_ui.removeFile->SetEnabled(false);
    m_ui.drvFilesSize->setEnabled(false);
    m_ui.drvFreeSpace->setEnabled(false);
    m_window.setLabelText(m_ui.drvFilesSize,
                          Translate(QStringLiteral("The selected removable drive was not found.")));
    m_window.setLabelText(m_ui.drvSize, QString());
    m_window.setLabelText(m_ui.drvFreeSpace, QString());
    m_ui.conflictsResolution->setEnabled(false);
    m_ui.syncButton->SetEnabled(false);
    m_ui.drvSize->setEnabled(false);
}

void PassView::showPassBusy(bool driveFound) {
    // The pass did not start: another program of this user is passing. The window leaves
    // the searching state it may be in, and says so where it says the drive is missing.
    m_ui.addFile->SetEnabled(true);
    m_ui.removeFile->SetEnabled(true);
    m_ui.conflictsResolution->setEnabled(true);
    m_ui.syncButton->SetEnabled(driveFound);
    for (QLabel* label : {m_ui.drvFilesSize, m_ui.drvSize, m_ui.drvFreeSpace})
        label->setEnabled(true);
    m_window.setLabelText(
        m_ui.drvFilesSize,
        Translate(QStringLiteral("Another pass is running; waiting for the next search.")));
    m_window.setLabelText(m_ui.drvSize, m_window.driveSizeText());
    m_window.setLabelText(m_ui.drvFreeSpace, m_window.freeSpaceText());
}

void PassView::passStarted() {
    m_passRan = true;
    const bool keyboardOnSync = m_ui.syncButton->hasFocus();
    m_ui.addFile->SetEnabled(false);
    m_ui.removeFile->SetEnabled(false);
    m_ui.addFolderButton->SetEnabled(false);
    m_ui.newFlash->SetEnabled(false);
    m_ui.syncButton->hide();
    m_ui.drvFilesSize->setEnabled(false);
    m_ui.drvFreeSpace->setEnabled(false);
    m_window.setLabelText(m_ui.drvFilesSize, QString());
    m_ui.conflictsResolution->setEnabled(false);
    m_ui.drvSize->setEnabled(false);
    m_ui.viewLog->SetEnabled(false);
    m_ui.stopButton->show();
    if (keyboardOnSync)
        m_ui.stopButton->setFocus(); // the keyboard stays where the command was
}

void PassView::passEnded() {
    const bool keyboardOnStop = m_ui.stopButton->hasFocus();
    m_ui.addFile->SetEnabled(true);
    m_ui.removeFile->SetEnabled(true);
    m_ui.drvFilesSize->setEnabled(true);
    m_ui.drvFreeSpace->setEnabled(true);
    m_window.setLabelText(m_ui.drvFilesSize, QString());
    m_ui.conflictsResolution->setEnabled(true);
    m_ui.syncButton->show();
    m_ui.drvSize->setEnabled(true);
    m_ui.addFolderButton->SetEnabled(true);
    m_ui.viewLog->SetEnabled(true);
    m_ui.newFlash->SetEnabled(true);
    m_ui.stopButton->hide();
    m_ui.stopButton->SetCaption(m_stopCaption);
    m_ui.stopButton->SetEnabled(true);
    m_syncShown.start();
    setFileStatus(QString());
    // The pass changed what the drive holds.
    m_window.setLabelText(m_ui.drvFreeSpace, m_window.freeSpaceText());
    hideCopyBar();
    if (keyboardOnStop)
        m_ui.syncButton->setFocus();
}

void PassView::setRowBold(int row, bool bold) {
    m_ui.model->setRowBold(row, bold);
    if (bold)
        m_ui.syncFiles->scrollTo(m_ui.model->index(row, 0));
}

// The model reads the status from the list.
void PassView::setRowStatus(int row, const QString& /*status*/) {
    m_ui.model->rowStatusChanged(row);
}

void PassView::setRowReason(int row, const QString& reason) {
    m_ui.model->setRowReason(row, reason);
}

void PassView::setFileStatus(const QString& text) {
    m_fileStatusText = text;
    showFileStatus();
}

void PassView::showFileStatus() {
    const int room = m_ui.fileStatus->width();
    const QString shown =
        room > 0
            ? m_ui.fileStatus->fontMetrics().elidedText(m_fileStatusText, Qt::ElideMiddle, room)
            : m_fileStatusText;
    m_ui.fileStatus->setText(shown);
    m_ui.fileStatus->setToolTip(shown == m_fileStatusText ? QString() : m_fileStatusText);
}

// The window's caption titles its questions.
bool PassView::confirmReplacement(const QString& /*title*/, const QString& question) {
    QString text = question;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(QMessageBox::Question, m_owner.windowTitle(), text,
                    QMessageBox::Yes | QMessageBox::No, &m_owner);
    return box.exec() != QMessageBox::No;
}

void PassView::copyProgress(const QString& file, qint64 done, qint64 total) {
    if (done == 0 || file != m_copyFile) {
        m_copyFile = file;
        m_copyClock.start();
    }
    if (done >= total) {
        hideCopyBar();
        return;
    }
    // A quick copy comes and goes without a bar flashing by.
    if (m_copyClock.elapsed() < ProgressDelayMs)
        return;
    const int percent = total > 0 ? static_cast<int>(done * 100 / total) : 0;
    // Drawn again only when the figure changes: the pass reports many times a second.
    if (m_copyBarShown && percent == m_ui.copyBar->value())
        return;
    m_ui.copyBar->setValue(percent);
    if (!m_copyBarShown) {
        m_copyBarShown = true;
        m_ui.copyBar->show();
        m_ui.copyBar->raise();
    }
    const qsizetype slash = file.lastIndexOf(QLatin1Char('/'));
    m_tray.Update(QIcon(), QStringLiteral("%1% ").arg(percent) +
                               Translate(QStringLiteral("Copying...")) + QLatin1Char(' ') +
                               file.mid(slash + 1));
}

void PassView::hideCopyBar() {
    if (!m_copyBarShown)
        return;
    m_copyBarShown = false;
    m_ui.copyBar->hide();
    m_ui.copyBar->setValue(0);
    m_tray.Restore();
}

void PassView::yield() {
    QCoreApplication::processEvents();
}

} // namespace quillet
