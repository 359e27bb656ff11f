// The pairing dialog over fake volumes and a scratch settings file.
#include "ShellFixture.h"

#include "controls/XPButton.h"
#include "shell/ItemPickers.h"
#include "shell/NewSync.h"
#include "shell/WindowQuestions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

using namespace quillet;
using namespace quillet::test;

namespace {

class NewSyncTest : public ShellFixture {
protected:
    NewSyncTest() {
        files.makeDir(QStringLiteral("disk"));
        files.makeDir(QStringLiteral("stick"));
        volumes.add(
            {diskRoot().toStdString(), platform::DriveType::Fixed, 5000000, 0x5151, "ext4"});
        volumes.add(
            {stickRoot().toStdString(), platform::DriveType::Removable, 3000000, 0x7777, "vfat"});
    }

    QString diskRoot() const { return files.path(QStringLiteral("disk/")); }
    QString stickRoot() const { return files.path(QStringLiteral("stick/")); }

    NewSync& dialog() {
        if (!m_dialog) {
            m_dialog = std::make_unique<NewSync>(controller);
            m_dialog->show();
            m_dialog->activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(m_dialog.get()));
        }
        return *m_dialog;
    }

    static void click(XPButton* button) { clickButton(button); }

    void choose(const QString& root) {
        NewSync& pairing = dialog();
        const int index = pairing.Drives()->findText(root, Qt::MatchStartsWith);
        ASSERT_GE(index, 0) << root.toStdString();
        pairing.Drives()->setCurrentIndex(index);
    }

    QString stored(const QString& section, const QString& key) const {
        return store->read(section, key, QStringLiteral("<none>"));
    }

    QStringList entries() {
        QStringList list;
        for (int entry = 0; entry < dialog().Drives()->count(); ++entry)
            list << dialog().Drives()->itemText(entry);
        return list;
    }

    WindowQuestions questions{nullptr, ItemPickers::system()};
    SyncController controller{*session, questions};
    std::unique_ptr<NewSync> m_dialog;
};

TEST_F(NewSyncTest, OpensWithItsTextsAndTheRemovableDrivesNoneChosen) {
    NewSync& pairing = dialog();
    EXPECT_EQ(pairing.windowTitle(), Captions::pairingCaption(BuildVersion::current()));
    EXPECT_EQ(Captions::plainText(pairing.DriveLabel()->text()),
              QStringLiteral("Please choose the drive to sync:"));
    EXPECT_EQ(Captions::plainText(pairing.ForceLetter()->text()),
              QStringLiteral("Only synchronize if the drive have the same letter."));
    EXPECT_EQ(Captions::plainText(pairing.ShowAllDrives()->text()),
              QStringLiteral("Map all drives. (recommended to mini HDD drives)"));
    EXPECT_EQ(Captions::plainText(pairing.Sync()->Caption()), QStringLiteral("Start New Sync"));
    EXPECT_EQ(Captions::plainText(pairing.CancelSync()->Caption()), QStringLiteral("Cancel"));
    EXPECT_TRUE(pairing.RefreshDrvs()->text().contains(QStringLiteral(">Refresh<")));
    EXPECT_EQ(pairing.InfoLabel()->text(),
              QStringLiteral("Choose the removable drive that will be synchronized with your "
                             "PC.\r\n\r\nDon't forget to set if you want to synchronize only if "
                             "the drive is on the same drive letter next time you synchronize "
                             "(in USB devices is not recommended)"));
    EXPECT_FALSE(pairing.ForceLetter()->isChecked());
    EXPECT_FALSE(pairing.ShowAllDrives()->isChecked());
    // The fixture's drive and the stick are removable; the fixed disk is not listed.
    ASSERT_EQ(entries().size(), 2);
    EXPECT_TRUE(entries()[1].startsWith(stickRoot()));
    EXPECT_EQ(pairing.Drives()->currentIndex(), -1);
    EXPECT_FALSE(pairing.Sync()->Enabled());
    choose(stickRoot());
    EXPECT_TRUE(pairing.Sync()->Enabled());
}

TEST_F(NewSyncTest, ShowAllDrivesWidensTheListAtOnce) {
    NewSync& pairing = dialog();
    choose(stickRoot());
    QTest::mouseClick(pairing.ShowAllDrives(), Qt::LeftButton, {},
                      QPoint(8, pairing.ShowAllDrives()->height() / 2));
    ASSERT_TRUE(pairing.ShowAllDrives()->isChecked());
    EXPECT_EQ(entries().size(), 3);
    EXPECT_GE(pairing.Drives()->findText(diskRoot(), Qt::MatchStartsWith), 0);
    EXPECT_EQ(pairing.Drives()->currentIndex(), -1); // a new list, nothing chosen in it
    EXPECT_FALSE(pairing.Sync()->Enabled());
    pairing.ShowAllDrives()->setChecked(false);
    EXPECT_EQ(entries().size(), 2);
}

TEST_F(NewSyncTest, WithoutCandidatesTheListSaysSoUntilRefreshFindsOne) {
    volumes.clear();
    NewSync& pairing = dialog();
    EXPECT_FALSE(pairing.Drives()->isEnabled());
    EXPECT_EQ(pairing.Drives()->count(), 0);
    EXPECT_EQ(pairing.Drives()->placeholderText(), QStringLiteral("No removable drives found."));
    EXPECT_FALSE(pairing.Sync()->Enabled());

    volumes.add(
        {stickRoot().toStdString(), platform::DriveType::Removable, 3000000, 0x7777, "vfat"});
    Q_EMIT pairing.RefreshDrvs()->linkActivated(QStringLiteral("refresh"));
    EXPECT_TRUE(pairing.Drives()->isEnabled());
    EXPECT_EQ(entries().size(), 1);
    EXPECT_NE(pairing.cursor().shape(), Qt::WaitCursor); // the wait pointer is gone again
}

TEST_F(NewSyncTest, FirstPairingAsksNothingAndStoresTheDrive) {
    store->deleteSection(keys::SyncInfo);
    NewSync& pairing = dialog();
    choose(stickRoot());
    pairing.ForceLetter()->setChecked(true);
    click(pairing.Sync());
    EXPECT_EQ(pairing.result(), QDialog::Accepted);
    EXPECT_FALSE(pairing.isVisible());
    EXPECT_EQ(stored(keys::SyncInfo, keys::Drive), stickRoot());
    EXPECT_EQ(stored(keys::SyncInfo, keys::SN), QString::number(0x7777));
    EXPECT_EQ(stored(keys::SyncInfo, keys::Size), QStringLiteral("3000000"));
    EXPECT_EQ(stored(keys::SyncInfo, keys::Letter), QStringLiteral("1"));
    EXPECT_EQ(session->drive.DriveRoot, stickRoot());
}

TEST_F(NewSyncTest, PairingAnsweredNoKeepsEverything) {
    storeRow(1, local(QStringLiteral("a.txt")), QStringLiteral("a.txt"));
    setMode(2);
    NewSync& pairing = dialog();
    choose(stickRoot());
    const auto seen = answerNextBox(QMessageBox::No);
    click(pairing.Sync());
    ASSERT_TRUE(seen->shown);
    EXPECT_EQ(seen->title, QStringLiteral("Quillet"));
    EXPECT_EQ(seen->icon, QMessageBox::Question);
    EXPECT_EQ(seen->buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(
        seen->text,
        QStringLiteral("You have already set a drive, do you wish to substitute this drive ?"));
    EXPECT_TRUE(pairing.isVisible()); // the dialog stays open
    EXPECT_EQ(stored(keys::SyncInfo, keys::SN), QString::number(0x1234));
    EXPECT_EQ(stored(keys::SyncInfo, keys::Conflicts), QStringLiteral("2"));
    EXPECT_EQ(stored(QString::number(0x1234), keys::localFile(1)), local(QStringLiteral("a.txt")));
}

TEST_F(NewSyncTest, PairingAnsweredYesForgetsTheOldDriveAndItsOptions) {
    storeRow(1, local(QStringLiteral("a.txt")), QStringLiteral("a.txt"));
    setMode(2);
    store->write(keys::SyncInfo, keys::Refresh, QStringLiteral("6"));
    NewSync& pairing = dialog();
    choose(stickRoot());
    const auto seen = answerNextBox(QMessageBox::Yes);
    click(pairing.Sync());
    ASSERT_TRUE(seen->shown);
    EXPECT_EQ(pairing.result(), QDialog::Accepted);
    EXPECT_EQ(stored(QString::number(0x1234), keys::localFile(1)), QStringLiteral("<none>"));
    EXPECT_EQ(stored(keys::SyncInfo, keys::Conflicts), QStringLiteral("<none>"));
    EXPECT_EQ(stored(keys::SyncInfo, keys::Refresh), QStringLiteral("<none>"));
    EXPECT_EQ(stored(keys::SyncInfo, keys::SN), QString::number(0x7777));
    EXPECT_EQ(stored(keys::SyncInfo, keys::Letter), QStringLiteral("0"));
}

TEST_F(NewSyncTest, DriveWithoutAReadableSerialIsRefused) {
    files.makeDir(QStringLiteral("blank"));
    const QString blank = files.path(QStringLiteral("blank/"));
    volumes.add({blank.toStdString(), platform::DriveType::Removable, 4000000, 0, "vfat"});
    NewSync& pairing = dialog();
    choose(blank);
    const auto seen = answerNextBox(QMessageBox::Ok);
    click(pairing.Sync());
    ASSERT_TRUE(seen->shown);
    EXPECT_EQ(seen->icon, QMessageBox::Warning);
    EXPECT_EQ(seen->title, QStringLiteral("Quillet"));
    EXPECT_TRUE(seen->text.contains(QStringLiteral("serial number"))) << seen->text.toStdString();
    EXPECT_TRUE(pairing.isVisible());
    EXPECT_EQ(stored(keys::SyncInfo, keys::SN), QString::number(0x1234));
    EXPECT_EQ(stored(keys::SyncInfo, keys::Drive), root());
}

TEST_F(NewSyncTest, CancelChangesNothing) {
    NewSync& pairing = dialog();
    choose(stickRoot());
    click(pairing.CancelSync());
    EXPECT_EQ(pairing.result(), QDialog::Rejected);
    EXPECT_EQ(stored(keys::SyncInfo, keys::SN), QString::number(0x1234));
}

} // namespace
