#include "sync/SyncList.h"
#include "EngineFixture.h"

#include <QFile>
#include <QSettings>

#include <gmock/gmock.h>

using namespace quillet;
using namespace quillet::test;
using ::testing::ElementsAre;

namespace {

class SyncListTest : public EngineFixture {
protected:
    // Rewrites the stored list behind the session's back, as another process would.
    void rewriteList(const QList<QPair<QString, QString>>& items) {
        QByteArray text = "[SyncInfo]\nDrive=" + root().toUtf8() + "\nSN=" + serial().toUtf8() +
                          "\nSize=1000000\nLetter=0\n[" + serial().toUtf8() + "]\n";
        int n = 1;
        for (const auto& [localPath, below] : items) {
            text += "LocalFile" + QByteArray::number(n) + "=" + localPath.toUtf8() + "\n";
            text += "RemoteFile" + QByteArray::number(n) + "=:/" + below.toUtf8() + "\n";
            ++n;
        }
        text +=
            "LocalFile" + QByteArray::number(n) + "=\nRemoteFile" + QByteArray::number(n) + "=\n";
        files.write(QStringLiteral("settings.ini"), text);
    }
    QString serial() const { return QString::number(0x1234); }
    QString stored(const QString& key) const {
        QSettings raw(files.path(QStringLiteral("settings.ini")), QSettings::IniFormat);
        return raw.value(serial() + QLatin1Char('/') + key, QStringLiteral("<missing>")).toString();
    }
};

TEST_F(SyncListTest, EmptyStoreGivesAnEmptyList) {
    session->GoLoad();
    EXPECT_TRUE(session->list().rows().isEmpty());
}

TEST_F(SyncListTest, SavingWritesTheRowsAndTheEndMarkAndShrinkingLeavesStaleKeys) {
    for (int i = 1; i <= 5; ++i)
        storeRow(i, files.write(QStringLiteral("local/f%1").arg(i), "data"),
                 QStringLiteral("f%1").arg(i));
    session->GoLoad();
    ASSERT_EQ(session->list().rows().size(), 5);
    session->list().rows().removeLast();
    session->list().rows().removeLast();
    session->SaveFiles();
    EXPECT_EQ(stored(QStringLiteral("LocalFile3")), local(QStringLiteral("f3")));
    EXPECT_EQ(stored(QStringLiteral("RemoteFile3")), QStringLiteral(":/f3"));
    EXPECT_EQ(stored(QStringLiteral("LocalFile4")), QString());
    EXPECT_EQ(stored(QStringLiteral("RemoteFile4")), QString());
    // Beyond the end mark, left as it was and never read.
    EXPECT_EQ(stored(QStringLiteral("LocalFile5")), local(QStringLiteral("f5")));
    session->RefreshFiles();
    EXPECT_EQ(session->list().rows().size(), 3);
}

TEST_F(SyncListTest, DriveUnderAnotherRootAndAbsentDriveDisplay) {
    storeRow(1, files.write(QStringLiteral("local/a.doc"), "abc"), QStringLiteral("Backup/a.doc"));
    session->GoLoad();
    EXPECT_EQ(session->list().rows().at(0).remotePath, QStringLiteral("?:/Backup/a.doc"));
    // The same drive, mounted elsewhere today.
    files.makeDir(QStringLiteral("other"));
    const QString otherRoot = files.path(QStringLiteral("other/"));
    volumes.clear();
    volumes.add({otherRoot.toStdString(), platform::DriveType::Removable, 1000000, 0x1234, "ext4"});
    session->SearchLetter();
    ASSERT_EQ(session->FoundLetter(), otherRoot);
    session->RefreshFiles();
    EXPECT_EQ(session->list().rows().at(0).remotePath, otherRoot + QStringLiteral("Backup/a.doc"));
    session->SaveFiles();
    EXPECT_EQ(stored(QStringLiteral("RemoteFile1")), QStringLiteral(":/Backup/a.doc"));
}

TEST_F(SyncListTest, EmptyAndMissingItemsStayAndSayWhy) {
    storeRow(1, files.write(QStringLiteral("local/empty.txt"), ""), QStringLiteral("empty.txt"));
    storeRow(2, local(QStringLiteral("missing.txt")), QStringLiteral("missing.txt"));
    storeRow(3, files.write(QStringLiteral("local/ok.txt"), "12345"), QStringLiteral("ok.txt"));
    storeRow(4, files.makeDir(QStringLiteral("local/folder")), QStringLiteral("folder/"));
    storeRow(5, local(QStringLiteral("share")), QStringLiteral("share/"));
    const QString hidden = files.makeDir(QStringLiteral("local/.hidden"));
    storeRow(6, hidden, QStringLiteral("hidden/"));
    session->GoLoad();
    const QList<SyncItem>& rows = session->list().rows();
    ASSERT_EQ(rows.size(), 6);

    EXPECT_EQ(rows[0].sizeText, QStringLiteral("0"));
    EXPECT_FALSE(rows[0].isFolder);
    EXPECT_TRUE(rows[0].localProblem.isEmpty()) << "an empty file is a file like any other";

    EXPECT_FALSE(rows[1].isFolder);
    EXPECT_EQ(rows[1].sizeText, QStringLiteral("Not found"));
    EXPECT_EQ(rows[1].status, QStringLiteral("Local file not found"));
    EXPECT_EQ(rows[1].localProblem, QStringLiteral("the local file was not found"));

    EXPECT_EQ(rows[2].sizeText, QStringLiteral("5"));
    EXPECT_TRUE(rows[2].status.isEmpty());
    EXPECT_TRUE(rows[3].isFolder);
    EXPECT_TRUE(rows[3].localProblem.isEmpty());

    // A folder item stays one while its folder is away (an unmounted share) or unusable.
    EXPECT_TRUE(rows[4].isFolder);
    EXPECT_EQ(rows[4].sizeText, QStringLiteral("Folder"));
    EXPECT_EQ(rows[4].status, QStringLiteral("Local folder not found"));
    EXPECT_TRUE(rows[5].isFolder);
    EXPECT_EQ(rows[5].localProblem,
              QStringLiteral("the local folder is a link, hidden or read-only"));

    session->SaveFiles();
    EXPECT_EQ(stored(QStringLiteral("LocalFile1")), local(QStringLiteral("empty.txt")));
    EXPECT_EQ(stored(QStringLiteral("LocalFile2")), local(QStringLiteral("missing.txt")));
    EXPECT_EQ(stored(QStringLiteral("RemoteFile5")), QStringLiteral(":/share/"));
    EXPECT_EQ(stored(QStringLiteral("LocalFile6")), hidden);
    EXPECT_EQ(stored(QStringLiteral("LocalFile7")), QString());

    // The file comes back: the same item, measured again.
    files.write(QStringLiteral("local/missing.txt"), "back");
    session->RefreshFiles();
    EXPECT_EQ(session->list().rows()[1].sizeText, QStringLiteral("4"));
    EXPECT_TRUE(session->list().rows()[1].status.isEmpty());
}

TEST_F(SyncListTest, AnEmptyFileCanBeAddedAndStays) {
    const QString empty = files.write(QStringLiteral("local/empty.txt"), "");
    session->GoLoad();
    session->SearchLetter();
    ASSERT_TRUE(session->AddNewFile(empty, drive()).ok());
    session->RefreshFiles();
    ASSERT_EQ(session->list().rows().size(), 1);
    EXPECT_EQ(session->list().rows()[0].localPath, empty);
    EXPECT_EQ(session->list().rows()[0].sizeText, QStringLiteral("0"));
}

TEST_F(SyncListTest, PathsWithAwkwardCharactersSurviveTheStore) {
    const QString odd = files.write(QStringLiteral("local/a, b; c @d \"q\" é.txt"), "x");
    storeRow(1, odd, QStringLiteral("Back,up/@x.txt"));
    session->GoLoad();
    session->SaveFiles();
    session->RefreshFiles();
    ASSERT_EQ(session->list().rows().size(), 1);
    EXPECT_EQ(session->list().rows().at(0).localPath, odd);
    EXPECT_EQ(session->list().rows().at(0).remoteStored, QStringLiteral(":/Back,up/@x.txt"));
}

TEST_F(SyncListTest, AddingTheSamePathTwiceGivesTwoRows) {
    const QString f = files.write(QStringLiteral("local/dup.txt"), "d");
    files.makeDir(QStringLiteral("drive/one"));
    files.makeDir(QStringLiteral("drive/two"));
    session->GoLoad();
    session->SearchLetter();
    ASSERT_TRUE(session->AddNewFile(f, drive(QStringLiteral("one"))).ok());
    ASSERT_TRUE(session->AddNewFile(f, drive(QStringLiteral("two/"))).ok());
    session->RefreshFiles();
    ASSERT_EQ(session->list().rows().size(), 2);
    EXPECT_EQ(session->list().rows().at(0).remoteStored, QStringLiteral(":/one/dup.txt"));
    EXPECT_EQ(session->list().rows().at(1).remoteStored, QStringLiteral(":/two/dup.txt"));
}

TEST_F(SyncListTest, ItemsThatWouldShareAFileOnTheDriveAreRefused) {
    const QString a = files.write(QStringLiteral("local/a.txt"), "a");
    const QString otherA = files.write(QStringLiteral("local/elsewhere/a.txt"), "other a");
    const QString c = files.write(QStringLiteral("local/c.txt"), "c");
    const QString x = files.write(QStringLiteral("local/x"), "x");
    const QString p = files.makeDir(QStringLiteral("local/p"));
    const QString q = files.makeDir(QStringLiteral("local/q"));
    for (const char* dir : {"one/inner", "two/sub", "three", "twofold"})
        files.makeDir(QStringLiteral("drive/") + QLatin1String(dir));
    session->GoLoad();
    session->SearchLetter();

    ASSERT_TRUE(session->AddNewFile(a, drive(QStringLiteral("one"))).ok());
    ASSERT_TRUE(session->AddNewFolder(p, drive(QStringLiteral("two"))).ok());
    ASSERT_TRUE(session->AddNewFile(x, drive(QStringLiteral("three"))).ok());
    const QByteArray before = TestFiles::read(files.path(QStringLiteral("settings.ini")));

    const EditOutcome sameCopy = session->AddNewFile(otherA, drive(QStringLiteral("one")));
    EXPECT_EQ(sameCopy.code, EditOutcome::Code::BadInput);
    EXPECT_EQ(sameCopy.message, drive(QStringLiteral("one/a.txt")) +
                                    QStringLiteral(" on the drive overlaps item 1, which keeps ") +
                                    a + QStringLiteral(" in step with ") +
                                    drive(QStringLiteral("one/a.txt")) +
                                    QStringLiteral(". A file on the drive can belong to one item "
                                                   "only."));
    EXPECT_FALSE(session->AddNewFile(a, drive(QStringLiteral("one/"))).ok()) << "a repeat";
    EXPECT_FALSE(session->AddNewFile(c, drive(QStringLiteral("two/sub"))).ok())
        << "inside a folder item's drive folder";
    EXPECT_FALSE(session->AddNewFolder(q, drive(QStringLiteral("two"))).ok()) << "the same folder";
    EXPECT_FALSE(session->AddNewFolder(q, drive(QStringLiteral("two/sub"))).ok()) << "inside";
    EXPECT_FALSE(session->AddNewFolder(q, drive()).ok()) << "around every item";
    files.makeDir(QStringLiteral("drive/three/x"));
    EXPECT_FALSE(session->AddNewFolder(q, drive(QStringLiteral("three/x"))).ok())
        << "a folder where a file item's copy goes";
    EXPECT_EQ(TestFiles::read(files.path(QStringLiteral("settings.ini"))), before);

    // The same local file may go to a second place; a name that only starts alike is no clash.
    EXPECT_TRUE(session->AddNewFile(a, drive(QStringLiteral("one/inner"))).ok());
    EXPECT_TRUE(session->AddNewFolder(q, drive(QStringLiteral("twofold"))).ok());
    session->RefreshFiles();
    EXPECT_EQ(session->list().rows().size(), 5);
}

TEST_F(SyncListTest, OnADriveThatIgnoresCaseNamesDifferingInCaseClash) {
    const QString lower = files.write(QStringLiteral("local/report.txt"), "r");
    const QString upper = files.write(QStringLiteral("local/up/Report.TXT"), "R");
    const QString folder = files.makeDir(QStringLiteral("local/docs"));
    files.makeDir(QStringLiteral("drive/Docs"));
    files.makeDir(QStringLiteral("drive/docs"));
    session->GoLoad();
    session->SearchLetter();
    ASSERT_TRUE(session->AddNewFile(lower, drive()).ok());
    ASSERT_TRUE(session->AddNewFolder(folder, drive(QStringLiteral("Docs"))).ok());
    // On ext4 these are other files.
    EXPECT_TRUE(session->AddNewFile(upper, drive()).ok());
    session->RemoveItem(2, false);

    volumes.find(root().toStdString())->fsType = "vfat";
    EXPECT_FALSE(session->AddNewFile(upper, drive()).ok());
    EXPECT_FALSE(session->AddNewFolder(folder, drive(QStringLiteral("docs"))).ok());
}

TEST_F(SyncListTest, AStoredListThatSharesDriveFilesNamesTheRowsNotToCopy) {
    storeRow(1, files.write(QStringLiteral("local/x.txt"), "1"), QStringLiteral("x.txt"));
    storeRow(2, files.write(QStringLiteral("local/sub/x.txt"), "2"), QStringLiteral("x.txt"));
    storeRow(3, files.makeDir(QStringLiteral("local/d")), QStringLiteral("d/"));
    storeRow(4, files.write(QStringLiteral("local/y.txt"), "4"), QStringLiteral("d/./y.txt"));
    storeRow(5, files.write(QStringLiteral("local/z.txt"), "5"), QStringLiteral("dz.txt"));
    storeRow(6, files.makeDir(QStringLiteral("local/e")), QStringLiteral("d/e/"));
    session->GoLoad();
    session->SearchLetter();
    session->RefreshFiles();
    const SyncList& list = session->list();
    EXPECT_EQ(list.clashReason(0), std::nullopt);
    EXPECT_EQ(list.clashReason(1), QStringLiteral("item 1 (") + local(QStringLiteral("x.txt")) +
                                       QStringLiteral(") already keeps ") +
                                       drive(QStringLiteral("x.txt")) +
                                       QStringLiteral(" on the drive in step"));
    EXPECT_EQ(list.clashReason(2), std::nullopt);
    ASSERT_TRUE(list.clashReason(3).has_value());
    EXPECT_TRUE(list.clashReason(3)->startsWith(QStringLiteral("item 3 ")));
    EXPECT_EQ(list.clashReason(4), std::nullopt);
    EXPECT_TRUE(list.clashReason(5)->startsWith(QStringLiteral("item 3 ")));
    EXPECT_EQ(list.clashReason(6), std::nullopt);
    EXPECT_EQ(list.clashReason(-1), std::nullopt);
}

TEST_F(SyncListTest, EditsApplyToTheListAsStoredNowNotAsLoaded) {
    const QString x = files.write(QStringLiteral("local/x.txt"), "x");
    const QString y = files.write(QStringLiteral("local/y.txt"), "y");
    const QString w = files.write(QStringLiteral("local/w.txt"), "w");
    const QString z = files.write(QStringLiteral("local/z.txt"), "z");
    storeRow(1, x, QStringLiteral("x.txt"));
    storeRow(2, y, QStringLiteral("y.txt"));
    session->GoLoad();
    session->SearchLetter();

    // Another process added w meanwhile: adding z keeps it.
    rewriteList(
        {{x, QStringLiteral("x.txt")}, {y, QStringLiteral("y.txt")}, {w, QStringLiteral("w.txt")}});
    ASSERT_TRUE(session->AddNewFile(z, drive()).ok());
    EXPECT_EQ(stored(QStringLiteral("LocalFile3")), w);
    EXPECT_EQ(stored(QStringLiteral("LocalFile4")), z);

    // Another process removed x: row 1 as this session saw it (y) is the one removed.
    session->RefreshFiles();
    rewriteList(
        {{y, QStringLiteral("y.txt")}, {w, QStringLiteral("w.txt")}, {z, QStringLiteral("z.txt")}});
    ASSERT_TRUE(session->RemoveItem(1, false).ok());
    EXPECT_EQ(stored(QStringLiteral("LocalFile1")), w);
    EXPECT_EQ(stored(QStringLiteral("LocalFile2")), z);
    EXPECT_EQ(stored(QStringLiteral("LocalFile3")), QString());

    // The row seen is gone altogether: nothing is removed.
    session->RefreshFiles();
    rewriteList({{z, QStringLiteral("z.txt")}});
    const EditOutcome gone = session->RemoveItem(0, true);
    EXPECT_EQ(gone.code, EditOutcome::Code::BadInput);
    EXPECT_EQ(gone.message, QStringLiteral("The list was changed by another program meanwhile. "
                                           "Nothing was removed."));
    EXPECT_EQ(stored(QStringLiteral("LocalFile1")), z);
}

TEST_F(SyncListTest, ChecksBeforeTheDestinationSayWhatTheAddWouldSay) {
    const QString f = files.write(QStringLiteral("local/f.txt"), "f");
    const QString folder = files.makeDir(QStringLiteral("local/dir"));
    const QString onDrive = files.write(QStringLiteral("drive/dest/d.txt"), "d");
    session->GoLoad();
    EXPECT_EQ(session->checkNewFile(f).code, EditOutcome::Code::DriveAbsent);
    EXPECT_EQ(session->checkNewFolder(folder).code, EditOutcome::Code::DriveAbsent);

    session->SearchLetter();
    const QString stored =
        QString::fromUtf8(TestFiles::read(files.path(QStringLiteral("settings.ini"))));
    for (const QString& path : {folder, local(QStringLiteral("missing.txt")), onDrive}) {
        const EditOutcome checked = session->checkNewFile(path);
        EXPECT_FALSE(checked.ok()) << path.toStdString();
        EXPECT_EQ(checked.message, session->AddNewFile(path, drive()).message);
    }
    for (const QString& path : {f, drive(QStringLiteral("dest")), local(QStringLiteral("none"))}) {
        const EditOutcome checked = session->checkNewFolder(path);
        EXPECT_FALSE(checked.ok()) << path.toStdString();
        EXPECT_EQ(checked.message, session->AddNewFolder(path, drive()).message);
    }
    EXPECT_EQ(QString::fromUtf8(TestFiles::read(files.path(QStringLiteral("settings.ini")))),
              stored);
    EXPECT_TRUE(session->checkNewFile(f).ok());
    EXPECT_TRUE(session->checkNewFolder(folder + QLatin1Char('/')).ok());
}

TEST_F(SyncListTest, AddChecksAndMessages) {
    const QString f = files.write(QStringLiteral("local/f.txt"), "f");
    const QString folder = files.makeDir(QStringLiteral("local/dir"));
    files.makeDir(QStringLiteral("drive/dest"));
    session->GoLoad();

    EditOutcome absent = session->AddNewFile(f, drive());
    EXPECT_EQ(absent.code, EditOutcome::Code::DriveAbsent);
    EXPECT_EQ(
        absent.message,
        QStringLiteral(
            "Removable drive not found. Please connect the drive before adding any new file."));
    EXPECT_EQ(
        session->AddNewFolder(folder, drive()).message,
        QStringLiteral(
            "Removable drive not found. Please connect the drive before adding any new folder."));

    session->SearchLetter();
    for (const QString& bad : {folder, local(QStringLiteral("missing.txt"))})
        EXPECT_EQ(
            session->AddNewFile(bad, drive()).message,
            QStringLiteral(
                "File does not exist or is a Folder, you can only synchronize files not folders."));
    EXPECT_EQ(session->AddNewFile(f, local()).message,
              QStringLiteral("Folder should be on the remote drive !!"));
    EXPECT_EQ(session->AddNewFolder(drive(QStringLiteral("dest")), drive()).message,
              QStringLiteral("You cannot select folders inside the Removable Drive !"));
    // A file of the drive itself, also when reached through a link.
    const QString onDrive = files.write(QStringLiteral("drive/dest/d.txt"), "d");
    QFile::link(drive(QStringLiteral("dest")), local(QStringLiteral("link")));
    files.makeDir(QStringLiteral("drive/dest/sub"));
    for (const QString& path : {onDrive, local(QStringLiteral("link/d.txt"))})
        EXPECT_EQ(session->AddNewFile(path, drive()).message,
                  QStringLiteral("You cannot select files inside the Removable Drive !"))
            << path.toStdString();
    EXPECT_EQ(session->AddNewFolder(local(QStringLiteral("link/sub")), drive()).message,
              QStringLiteral("You cannot select folders inside the Removable Drive !"));
    EXPECT_EQ(session->AddNewFolder(folder, local()).message,
              QStringLiteral("Folder should be on the remote drive !!"));
    EXPECT_EQ(session->AddNewFolder(folder, QString()).message,
              QStringLiteral("Folder should be on the remote drive !!"));
    EXPECT_TRUE(session->list().rows().isEmpty());

    // A file placed at the root of the drive: the root's separator is not doubled.
    ASSERT_TRUE(session->AddNewFile(f, drive()).ok());
    EXPECT_EQ(session->list().rows().constLast().remoteStored, QStringLiteral(":/f.txt"));
    // A folder chosen with a trailing separator is stored without it; the destination keeps its
    // own.
    ASSERT_TRUE(
        session->AddNewFolder(folder + QLatin1Char('/'), drive(QStringLiteral("dest/"))).ok());
    EXPECT_EQ(session->list().rows().constLast().localPath, folder);
    EXPECT_EQ(session->list().rows().constLast().remoteStored, QStringLiteral(":/dest/"));
    EXPECT_EQ(session->list().rows().constLast().status, QStringLiteral("Folder"));
}

TEST_F(SyncListTest, RemovingKeepsFilesUnlessAskedAndNeverTouchesFolders) {
    const QString f = files.write(QStringLiteral("local/f.txt"), "f");
    const QString onDrive = files.write(QStringLiteral("drive/f.txt"), "f");
    storeRow(1, f, QStringLiteral("f.txt"));
    storeRow(2, files.makeDir(QStringLiteral("local/dir")), QStringLiteral("dir/"));
    files.write(QStringLiteral("drive/dir/in.txt"), "i");
    session->GoLoad();
    session->SearchLetter();
    session->RefreshFiles();
    EXPECT_TRUE(session->RemoveItem(1, true).ok());
    EXPECT_TRUE(QFile::exists(drive(QStringLiteral("dir/in.txt"))));
    EXPECT_TRUE(session->RemoveItem(0, false).ok());
    EXPECT_TRUE(QFile::exists(onDrive));
    EXPECT_TRUE(QFile::exists(f));
    EXPECT_EQ(stored(QStringLiteral("LocalFile1")), QString());

    storeRow(1, f, QStringLiteral("f.txt"));
    session->RefreshFiles();
    EXPECT_TRUE(session->RemoveItem(0, true).ok());
    EXPECT_FALSE(QFile::exists(onDrive));
    EXPECT_TRUE(QFile::exists(f)) << "the local file is never deleted";
    EXPECT_FALSE(session->RemoveItem(3, false).ok());
}

} // namespace
