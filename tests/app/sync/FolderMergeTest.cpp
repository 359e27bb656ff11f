#include "EngineFixture.h"
#include "LogLines.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gmock/gmock.h>

using namespace quillet;
using namespace quillet::test;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Not;

namespace {

class FolderMergeTest : public EngineFixture {
protected:
    void SetUp() override { storeRow(1, local(QStringLiteral("docs")), QStringLiteral("backup/")); }
    QString l(const QString& rel) const { return local(QStringLiteral("docs/") + rel); }
    QString r(const QString& rel) const { return drive(QStringLiteral("backup/") + rel); }
    QStringList bodyLines() const { return logLines().mid(1, logLines().size() - 2); }
};

TEST_F(FolderMergeTest, CreatesFilesAndEmptyFoldersBothWaysWithoutLogLines) {
    files.write(QStringLiteral("local/docs/a.txt"), "a", at(8, 0, 0));
    files.write(QStringLiteral("local/docs/sub/b.txt"), "b", at(8, 0, 0));
    files.makeDir(QStringLiteral("local/docs/empty"));
    files.write(QStringLiteral("drive/backup/c.txt"), "c", at(8, 0, 0));
    files.makeDir(QStringLiteral("drive/backup/fromdrive/deeper"));
    pass();
    const QStringList expected = {QStringLiteral("a.txt"),
                                  QStringLiteral("c.txt"),
                                  QStringLiteral("empty/"),
                                  QStringLiteral("fromdrive/"),
                                  QStringLiteral("fromdrive/deeper/"),
                                  QStringLiteral("sub/"),
                                  QStringLiteral("sub/b.txt")};
    EXPECT_EQ(TestFiles::tree(local(QStringLiteral("docs"))), expected);
    EXPECT_EQ(TestFiles::tree(drive(QStringLiteral("backup"))), expected);
    EXPECT_TRUE(bodyLines().isEmpty());
    EXPECT_EQ(TestFiles::modified(r(QStringLiteral("a.txt"))), at(8, 0, 0));
    EXPECT_EQ(TestFiles::modified(l(QStringLiteral("c.txt"))), at(8, 0, 0));
}

TEST_F(FolderMergeTest, NothingIsDeletedAndADeletedFileComesBack) {
    files.write(QStringLiteral("local/docs/keep.txt"), "k", at(8, 0, 0));
    pass();
    ASSERT_TRUE(QFile::exists(r(QStringLiteral("keep.txt"))));
    QFile::remove(l(QStringLiteral("keep.txt")));
    pass();
    EXPECT_EQ(TestFiles::read(l(QStringLiteral("keep.txt"))), QByteArray("k"));
    QFile::remove(r(QStringLiteral("keep.txt")));
    pass();
    EXPECT_EQ(TestFiles::read(r(QStringLiteral("keep.txt"))), QByteArray("k"));
}

TEST_F(FolderMergeTest, UnchangedFileGivesTwoNoChangeLinesPerWalk) {
    files.write(QStringLiteral("local/docs/same.txt"), "s", at(8, 0, 0));
    files.write(QStringLiteral("drive/backup/same.txt"), "s", at(8, 0, 0));
    pass();
    EXPECT_THAT(bodyLines(), ElementsAre(l(QStringLiteral("same.txt")) + NoChanges,
                                         l(QStringLiteral("same.txt")) + NoChanges));
}

TEST_F(FolderMergeTest, EachPairOfFoldersIsWalkedOnce) {
    // A chain of common folders: walking each pair again from the other side would double
    // the lines at every level.
    QString rel;
    for (int depth = 0; depth < 8; ++depth)
        rel += QStringLiteral("d%1/").arg(depth);
    files.write(QStringLiteral("local/docs/") + rel + QStringLiteral("f.txt"), "f", at(8, 0, 0));
    files.write(QStringLiteral("drive/backup/") + rel + QStringLiteral("f.txt"), "f", at(8, 0, 0));
    pass();
    EXPECT_THAT(bodyLines(), ElementsAre(l(rel + QStringLiteral("f.txt")) + NoChanges,
                                         l(rel + QStringLiteral("f.txt")) + NoChanges));
}

TEST_F(FolderMergeTest, FolderOnlyOnTheDriveIsWalkedFromTheDriveSide) {
    files.write(QStringLiteral("drive/backup/only/x.txt"), "drive", at(9, 0, 0));
    files.write(QStringLiteral("local/docs/only/x.txt"), "local", at(8, 0, 0));
    // Present on both sides, so the local listing reaches it first: this side is local.
    pass();
    EXPECT_EQ(TestFiles::read(l(QStringLiteral("only/x.txt"))), QByteArray("drive"));
    EXPECT_EQ(bodyLines().first(), l(QStringLiteral("only/x.txt")) + R2L);
}

TEST_F(FolderMergeTest, HiddenReadOnlyAndLinkedFoldersAreNeitherWalkedNorCopied) {
    files.write(QStringLiteral("local/docs/.hidden/h.txt"), "h", at(8, 0, 0));
    const QString ro = files.makeDir(QStringLiteral("local/docs/ro"));
    files.write(QStringLiteral("local/docs/ro/r.txt"), "r", at(8, 0, 0));
    TestFiles::setReadOnly(ro, true);
    files.write(QStringLiteral("elsewhere/e.txt"), "e", at(8, 0, 0));
    QFile::link(files.path(QStringLiteral("elsewhere")), l(QStringLiteral("link")));
    files.write(QStringLiteral("drive/backup/.hid2/z.txt"), "z", at(8, 0, 0));
    pass();
    TestFiles::setReadOnly(ro, false);
    EXPECT_EQ(TestFiles::tree(drive(QStringLiteral("backup"))),
              (QStringList{QStringLiteral(".hid2/"), QStringLiteral(".hid2/z.txt")}));
    EXPECT_FALSE(QFile::exists(l(QStringLiteral(".hid2"))));
    // Each one left out is named, with why.
    const QString leftOut = QStringLiteral(" - Left out (");
    EXPECT_THAT(bodyLines(),
                ::testing::UnorderedElementsAre(
                    l(QStringLiteral(".hidden/")) + leftOut + QStringLiteral("a hidden folder)"),
                    l(QStringLiteral("ro/")) + leftOut + QStringLiteral("a read-only folder)"),
                    l(QStringLiteral("link/")) + leftOut + QStringLiteral("a link to a folder)"),
                    r(QStringLiteral(".hid2/")) + leftOut + QStringLiteral("a hidden folder)")));
}

TEST_F(FolderMergeTest, NamesTravelExactlyAsListedBlanksAndAll) {
    files.write(QStringLiteral("local/docs/ lead.txt"), "blank", at(8, 0, 0));
    files.write(QStringLiteral("local/docs/lead.txt"), "plain", at(8, 0, 0));
    files.write(QStringLiteral("local/docs/trail \t"), "tab", at(8, 0, 0));
    files.write(QStringLiteral("local/docs/ Photos 2023/p.jpg"), "photo", at(8, 0, 0));
    pass();
    EXPECT_EQ(TestFiles::read(r(QStringLiteral(" lead.txt"))), QByteArray("blank"));
    EXPECT_EQ(TestFiles::read(r(QStringLiteral("lead.txt"))), QByteArray("plain"));
    EXPECT_EQ(TestFiles::read(r(QStringLiteral("trail \t"))), QByteArray("tab"));
    EXPECT_EQ(TestFiles::read(r(QStringLiteral(" Photos 2023/p.jpg"))), QByteArray("photo"));
    EXPECT_TRUE(bodyLines().isEmpty()) << "no false Error for names that differ by blanks";
    pass();
    EXPECT_EQ(bodyLines().count(), 8) << "two No-changes lines for each of the four files";
}

// A "No" stands until one of the two files changes: not asked at the second look, nor at
// the next search.
TEST_F(FolderMergeTest, DeclinedQuestionIsNotAskedAgainUntilAFileChanges) {
    files.write(QStringLiteral("local/docs/both.txt"), "l", at(8, 0, 5));
    files.write(QStringLiteral("drive/backup/both.txt"), "r", at(8, 0, 0));
    setMode(3);
    view.defaultAnswer = false;
    pass();
    EXPECT_EQ(view.questions.size(), 1);
    pass();
    EXPECT_EQ(view.questions.size(), 1);
    EXPECT_EQ(TestFiles::read(r(QStringLiteral("both.txt"))), QByteArray("r"));
    EXPECT_EQ(bodyLines().filter(QStringLiteral("both.txt") + L2R).size(), 2)
        << "the log keeps its lines";
    files.write(QStringLiteral("local/docs/both.txt"), "l, edited", at(8, 0, 9));
    view.defaultAnswer = true;
    pass();
    EXPECT_EQ(view.questions.size(), 2);
    EXPECT_EQ(TestFiles::read(r(QStringLiteral("both.txt"))), QByteArray("l, edited"));
}

TEST_F(FolderMergeTest, PromptModeCreatesMissingFilesWithoutAsking) {
    files.write(QStringLiteral("local/docs/new.txt"), "n", at(8, 0, 0));
    setMode(4);
    pass();
    EXPECT_TRUE(view.questions.isEmpty());
    EXPECT_EQ(TestFiles::read(r(QStringLiteral("new.txt"))), QByteArray("n"));
}

TEST_F(FolderMergeTest, FileStatusNamesTheExaminedFileAndIsClearedAfter) {
    files.write(QStringLiteral("local/docs/one.txt"), "1", at(8, 0, 0));
    pass();
    EXPECT_THAT(view.fileStatuses, Contains(l(QStringLiteral("one.txt"))));
    EXPECT_EQ(view.fileStatuses.constLast(), QString());
}

// Reports Stop as soon as the walk shows the first file it examines.
class StoppingView : public RecordingView {
public:
    void setFileStatus(const QString& text) override {
        RecordingView::setFileStatus(text);
        if (!text.isEmpty())
            stop = true;
    }
};

TEST_F(FolderMergeTest, StopWhileWalkingEndsThePassAfterTheRow) {
    for (int i = 0; i < 5; ++i)
        files.write(QStringLiteral("local/docs/f%1.txt").arg(i), "x", at(8, 0, 0));
    const QString second = files.write(QStringLiteral("local/second.txt"), "s", at(8, 0, 0));
    storeRow(2, second, QStringLiteral("second.txt"));
    session->GoLoad();
    session->SearchLetter();
    StoppingView stoppingView;
    SyncEngine stoppingEngine(*session, stoppingView, logPath, clock);
    stoppingEngine.Syncronize();

    EXPECT_TRUE(stoppingEngine.lastPass().stopped);
    // The file on show is finished; no other is examined and the walk leaves the caption.
    EXPECT_EQ(TestFiles::tree(drive(QStringLiteral("backup"))).size(), 1);
    // Cleared at the start of the pass, after the file loop, and at the end of the pass.
    EXPECT_EQ(stoppingView.fileStatuses.size(), 4);
    EXPECT_FALSE(QFile::exists(drive(QStringLiteral("second.txt"))));
    EXPECT_EQ(logLines().size(), 1);
    // Four files were never looked at: the row does not say it is in step.
    EXPECT_EQ(stoppingView.statuses[0].constLast(), QStringLiteral("Not Synchronized (stopped)"));
}

TEST_F(FolderMergeTest, FailedCreationIsReportedOnTheWalkedPathAndTheRow) {
    files.write(QStringLiteral("local/docs/a.txt"), QByteArray(300, 'a'), at(8, 0, 0));
    fs.failRename = true;
    pass();
    EXPECT_THAT(bodyLines(), ElementsAre(l(QStringLiteral("a.txt")) +
                                         failed(QStringLiteral("Invalid cross-device link"))));
    EXPECT_EQ(view.reasons[0],
              l(QStringLiteral("a.txt")) + QStringLiteral(": Invalid cross-device link"));
    EXPECT_EQ(view.statuses[0].constLast(), QStringLiteral("Error"));
    EXPECT_FALSE(QFile::exists(r(QStringLiteral("a.txt"))));
    EXPECT_EQ(TestFiles::tree(drive(QStringLiteral("backup"))), QStringList());
}

TEST_F(FolderMergeTest, TheOtherSideInsideTheWalkedTreeIsNotCopiedIntoItself) {
    // The drive's folder lies inside the local folder of the row.
    storeRow(1, local(QStringLiteral("docs")), QStringLiteral("backup/"));
    files.write(QStringLiteral("local/docs/a.txt"), "a", at(8, 0, 0));
    const QString inner = files.makeDir(QStringLiteral("local/docs/stick"));
    volumes.clear();
    volumes.add({(inner + QLatin1Char('/')).toStdString(), platform::DriveType::Removable, 1000000,
                 0x1234, "ext4"});
    files.makeDir(QStringLiteral("local/docs/stick/backup"));
    pass();
    pass();
    EXPECT_EQ(TestFiles::tree(inner),
              (QStringList{QStringLiteral("backup/"), QStringLiteral("backup/a.txt")}));
}

// More than two batches of copies, both ways (a batch holds 2,048).
constexpr int ManyFiles = 4200;

void writeMany(TestFiles& files) {
    for (int i = 0; i < ManyFiles; ++i)
        files.write(
            QStringLiteral("%1/d%2/f%3.txt")
                .arg(i % 5 == 0 ? QStringLiteral("drive/backup") : QStringLiteral("local/docs"))
                .arg(i % 7)
                .arg(i),
            QByteArray::number(i), at(8, 0, 0));
}

TEST_F(FolderMergeTest, ManyNewFilesArriveInBatchesAndAllAreCounted) {
    writeMany(files);
    pass();
    EXPECT_EQ(TestFiles::tree(drive(QStringLiteral("backup"))),
              TestFiles::tree(local(QStringLiteral("docs"))));
    EXPECT_EQ(engine->lastPass().copies, ManyFiles);
    EXPECT_EQ(engine->lastPass().toLocal, ManyFiles / 5);
    EXPECT_EQ(engine->lastPass().failures, 0);
    EXPECT_TRUE(bodyLines().isEmpty());
    EXPECT_EQ(view.statuses[0].constLast(), QStringLiteral("Synchronized"));
    // The flush that makes a batch's renames last is the next batch's first: three batches,
    // four flushes of the one volume both sides are on here.
    EXPECT_EQ(fs.volumeFlushes, 4);
    // And every copy was agreed: the next pass finds each file the same on both sides.
    pass();
    EXPECT_EQ(engine->lastPass().unchanged, ManyFiles);
    EXPECT_EQ(engine->lastPass().copies, 0);
}

TEST_F(FolderMergeTest, ABatchWhoseRenamesWereNotFlushedIsNotToldDone) {
    writeMany(files);
    // The second flush: the first batch's renames and the second batch's copies.
    fs.failVolumeFlush = 2;
    pass();
    const SyncEngine::Summary& failing = engine->lastPass();
    EXPECT_EQ(failing.failures, 2 * 2048);
    EXPECT_EQ(failing.copies, ManyFiles - 2 * 2048);
    EXPECT_EQ(view.statuses[0].constLast(), QStringLiteral("Error"));
    EXPECT_EQ(bodyLines().filter(QStringLiteral(" - ERROR ! (Not Synchronized: ")).size(),
              2 * 2048);
    // Nothing was lost: each file is whole on both sides or still only where it was.
    for (int i = 0; i < ManyFiles; i += 97) {
        const QString rel = QStringLiteral("d%1/f%2.txt").arg(i % 7).arg(i);
        const QString there = i % 5 == 0 ? l(rel) : r(rel);
        EXPECT_TRUE(!QFile::exists(there) || TestFiles::read(there) == QByteArray::number(i))
            << rel.toStdString();
    }
    for (const QString& name : TestFiles::tree(files.path()))
        EXPECT_FALSE(platform::isTransferTempName(QFileInfo(name).fileName().toStdString()))
            << name.toStdString();
    fs.failVolumeFlush = 0;
    pass();
    EXPECT_EQ(engine->lastPass().failures, 0);
    EXPECT_EQ(TestFiles::tree(drive(QStringLiteral("backup"))),
              TestFiles::tree(local(QStringLiteral("docs"))));
}

TEST_F(FolderMergeTest, SummaryCountsEveryFileOnceByWhereItWent) {
    // In the folder: two new on the PC, one new on the drive, one the same on both (logged
    // twice), one newer on each side.
    files.write(QStringLiteral("local/docs/new.txt"), "n", at(8, 0, 0));
    files.write(QStringLiteral("local/docs/sub/new.txt"), "n", at(8, 0, 0));
    files.write(QStringLiteral("drive/backup/back.txt"), "b", at(8, 0, 0));
    files.write(QStringLiteral("local/docs/same.txt"), "s", at(8, 0, 0));
    files.write(QStringLiteral("drive/backup/same.txt"), "s", at(8, 0, 0));
    files.write(QStringLiteral("local/docs/newer.txt"), "pc", at(9, 0, 0));
    files.write(QStringLiteral("drive/backup/newer.txt"), "drive", at(8, 0, 0));
    files.write(QStringLiteral("local/docs/older.txt"), "pc", at(8, 0, 0));
    files.write(QStringLiteral("drive/backup/older.txt"), "drive", at(9, 0, 0));
    // One that cannot be replaced, so both looks at it fail: one file, one failure.
    const QString stuck = files.write(QStringLiteral("local/docs/stuck.txt"), "pc", at(9, 0, 0));
    files.write(QStringLiteral("drive/backup/stuck.txt"), "drive", at(8, 0, 0));
    TestFiles::setReadOnly(stuck, true);
    TestFiles::setReadOnly(drive(QStringLiteral("backup/stuck.txt")), true);
    // File rows: one newer on the drive, one the same on both, one that cannot be replaced.
    storeRow(2, files.write(QStringLiteral("local/single.txt"), "pc", at(8, 0, 0)),
             QStringLiteral("single.txt"));
    files.write(QStringLiteral("drive/single.txt"), "drive", at(9, 0, 0));
    storeRow(3, files.write(QStringLiteral("local/equal.txt"), "e", at(8, 0, 0)),
             QStringLiteral("equal.txt"));
    files.write(QStringLiteral("drive/equal.txt"), "e", at(8, 0, 0));
    const QString locked = files.write(QStringLiteral("local/locked.txt"), "pc", at(9, 0, 0));
    storeRow(4, locked, QStringLiteral("locked.txt"));
    files.write(QStringLiteral("drive/locked.txt"), "drive", at(8, 0, 0));
    TestFiles::setReadOnly(locked, true);
    TestFiles::setReadOnly(drive(QStringLiteral("locked.txt")), true);

    pass();
    const SyncEngine::Summary& first = engine->lastPass();
    EXPECT_EQ(first.toDrive, 3);
    EXPECT_EQ(first.toLocal, 3);
    EXPECT_EQ(first.copies, 6);
    EXPECT_EQ(first.unchanged, 2);
    EXPECT_EQ(first.failures, 2);
    EXPECT_EQ(bodyLines().filter(QStringLiteral("stuck.txt - ERROR")).size(), 2)
        << "the log keeps both looks";
    // The folder's row tells one failed file, not one per look.
    EXPECT_THAT(view.reasons[0].toStdString(), ::testing::HasSubstr("stuck.txt"));
    EXPECT_THAT(view.reasons[0].toStdString(), Not(::testing::HasSubstr("files failed")));
    EXPECT_EQ(TestFiles::read(l(QStringLiteral("older.txt"))), QByteArray("drive"));

    // Everything that could be copied now is the same on both sides.
    pass();
    const SyncEngine::Summary& second = engine->lastPass();
    EXPECT_EQ(second.toDrive, 0);
    EXPECT_EQ(second.toLocal, 0);
    EXPECT_EQ(second.unchanged, 8);
    EXPECT_EQ(second.failures, 2);
}

TEST_F(FolderMergeTest, NewFilesThatCannotBeFlushedAreErrorsOfTheRow) {
    files.write(QStringLiteral("local/docs/a.txt"), "a", at(8, 0, 0));
    files.write(QStringLiteral("drive/backup/b.txt"), "b", at(8, 0, 0));
    fs.failFlush = true;
    pass();
    EXPECT_THAT(bodyLines(),
                ::testing::UnorderedElementsAre(
                    l(QStringLiteral("a.txt")) +
                        failed(QStringLiteral("the drive reported a read or write error")),
                    l(QStringLiteral("b.txt")) +
                        failed(QStringLiteral("the disk reported a read or write error"))));
    EXPECT_THAT(view.reasons[0].toStdString(), ::testing::HasSubstr("(2 files failed)"));
    EXPECT_EQ(view.statuses[0].constLast(), QStringLiteral("Error"));
    EXPECT_EQ(TestFiles::tree(drive(QStringLiteral("backup"))),
              QStringList{QStringLiteral("b.txt")});
    EXPECT_EQ(TestFiles::tree(local(QStringLiteral("docs"))), QStringList{QStringLiteral("a.txt")});
    // Written but never placed: not counted as copied.
    EXPECT_EQ(engine->lastPass().toDrive, 0);
    EXPECT_EQ(engine->lastPass().toLocal, 0);
    EXPECT_EQ(engine->lastPass().failures, 2);
}

// Writes to the drive's copy of a file the moment the walk shows that file.
class EditingView : public RecordingView {
public:
    QString watched;
    QString target;
    void setFileStatus(const QString& text) override {
        RecordingView::setFileStatus(text);
        if (text == watched && !done) {
            done = true;
            TestFiles::setReadOnly(target, false);
            QFile f(target);
            if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
                f.write("edited during the pass");
            f.close();
            TestFiles::setModified(target, at(11, 0, 0));
        }
    }
    bool done = false;
};

TEST_F(FolderMergeTest, ACopyIsDecidedOnWhatTheFilesAreNotWhatTheListingSaw) {
    files.write(QStringLiteral("local/docs/doc.txt"), "local, newer", at(10, 0, 0));
    files.write(QStringLiteral("drive/backup/doc.txt"), "drive, older", at(9, 0, 0));
    session->GoLoad();
    session->SearchLetter();
    EditingView editing;
    editing.watched = l(QStringLiteral("doc.txt"));
    editing.target = r(QStringLiteral("doc.txt"));
    SyncEngine walk(*session, editing, logPath, clock);
    walk.Syncronize();
    // The edit made after the listing is the newest: it wins, and is not overwritten.
    EXPECT_EQ(TestFiles::read(r(QStringLiteral("doc.txt"))), QByteArray("edited during the pass"));
    EXPECT_EQ(TestFiles::read(l(QStringLiteral("doc.txt"))), QByteArray("edited during the pass"));
    EXPECT_EQ(bodyLines().first(), l(QStringLiteral("doc.txt")) + R2L);
}

TEST_F(FolderMergeTest, LeftoversOfAKilledPassAreRemovedAndAUsersLookalikeIsSynchronized) {
    const QString stale = QStringLiteral(".quillet~00112233445566ff.part");
    files.write(QStringLiteral("drive/backup/sub/") + stale, "partial", at(8, 0, 0));
    files.write(QStringLiteral("local/docs/") + stale, "partial", at(8, 0, 0));
    files.write(QStringLiteral("local/docs/.quillet-report.tmp"), "mine", at(8, 0, 0));
    files.write(QStringLiteral("local/docs/.quillet~0011.part"), "mine too", at(8, 0, 0));
    pass();
    EXPECT_FALSE(QFile::exists(r(QStringLiteral("sub/") + stale)));
    EXPECT_FALSE(QFile::exists(l(stale)));
    EXPECT_FALSE(QFile::exists(l(QStringLiteral("sub/") + stale)));
    EXPECT_EQ(TestFiles::read(r(QStringLiteral(".quillet-report.tmp"))), QByteArray("mine"));
    EXPECT_EQ(TestFiles::read(r(QStringLiteral(".quillet~0011.part"))), QByteArray("mine too"));
    const QString removed =
        QStringLiteral(" - Removed (a temporary file left by an interrupted copy)");
    EXPECT_THAT(bodyLines(), ::testing::UnorderedElementsAre(
                                 r(QStringLiteral("sub/") + stale) + removed, l(stale) + removed));
}

} // namespace
