#include "EngineFixture.h"
#include "LogLines.h"

#include <QDir>
#include <QFile>

#include <gmock/gmock.h>

using namespace quillet;
using namespace quillet::test;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

// At the fixture's clock.
const QString Started = StartedAt + QStringLiteral("01-02-2026 03:04:05");
const QString Ended = EndedAt + QStringLiteral("01-02-2026 03:04:05");

class SyncPassTest : public EngineFixture {};

TEST_F(SyncPassTest, EmptyListLogsExactlyStartAndEnd) {
    pass();
    EXPECT_THAT(logLines(), ElementsAre(Started, Ended));
    EXPECT_THAT(view.events, ElementsAre(QStringLiteral("started"), QStringLiteral("ended")));
    EXPECT_EQ(session->watch().timerCount(), 0);
    EXPECT_TRUE(session->watch().searchTimerEnabled());
}

TEST_F(SyncPassTest, AbsentDriveDoesNothingAndKeepsThePreviousLog) {
    files.write(QStringLiteral("lastsync.txt"), "previous pass\r\n");
    volumes.clear();
    engine->requestStop();
    pass();
    EXPECT_EQ(session->FoundLetter(), QStringLiteral("?"));
    EXPECT_EQ(TestFiles::read(logPath), QByteArray("previous pass\r\n"));
    EXPECT_TRUE(view.events.isEmpty());
    EXPECT_FALSE(engine->StopRequested()); // cleared all the same
}

TEST_F(SyncPassTest, PassRunsWithoutALogWhereNoneCanBeWritten) {
    const QString l = files.write(QStringLiteral("local/a.txt"), "new", at(9, 0, 0));
    files.write(QStringLiteral("drive/a.txt"), "old", at(8, 0, 0));
    storeRow(1, l, QStringLiteral("a.txt"));
    SyncEngine unlogged(*session, view, files.path(QStringLiteral("no/such/folder/log.txt")),
                        clock);
    session->GoLoad();
    session->SearchLetter();
    unlogged.Syncronize();
    EXPECT_EQ(TestFiles::read(drive(QStringLiteral("a.txt"))), QByteArray("new"));
    EXPECT_EQ(view.statuses[0].constLast(), QStringLiteral("Synchronized at 01-02-2026 03:04:05"));
    EXPECT_FALSE(QFile::exists(files.path(QStringLiteral("no"))));
}

TEST_F(SyncPassTest, TwoPassesLeaveOnlyTheSecondInTheLog) {
    const QString a = files.write(QStringLiteral("local/a.txt"), "aaa", at(10, 0, 0));
    files.write(QStringLiteral("drive/a.txt"), "old", at(9, 0, 0));
    storeRow(1, a, QStringLiteral("a.txt"));
    pass();
    pass();
    EXPECT_THAT(logLines(), ElementsAre(Started, a + NoChanges, Ended));
}

// Every row of the file table: which side is newer, the mode, the log text, the direction.
struct FileRowCase {
    bool localNewer;
    int mode;
    QString logText;
    bool localToDrive;
};

void PrintTo(const FileRowCase& row, std::ostream* os) {
    *os << (row.localNewer ? "local newer" : "drive newer") << ", mode " << row.mode << ", logs \""
        << row.logText.toStdString() << "\", copies "
        << (row.localToDrive ? "to the drive" : "to the PC");
}

std::string rowName(const ::testing::TestParamInfo<FileRowCase>& param) {
    return (param.param.localNewer ? "LocalNewerMode" : "DriveNewerMode") +
           std::to_string(param.param.mode);
}

// The table both file rows and folder walks follow.
const std::vector<FileRowCase> ConflictTable = {
    {true, 0, L2R, true},   {true, 3, L2R, true},   {true, 1, R2L, true},   {true, 4, R2L, true},
    {true, 2, L2R, false},  {true, 5, L2R, false},  {false, 0, R2L, false}, {false, 3, R2L, false},
    {false, 1, L2R2, true}, {false, 4, L2R2, true}, {false, 2, R2L, false}, {false, 5, R2L, false}};

class FileRowTable : public EngineFixture, public ::testing::WithParamInterface<FileRowCase> {};

TEST_P(FileRowTable, LogsTheTableTextAndCopiesInTheTableDirection) {
    const FileRowCase c = GetParam();
    const QDateTime newer = at(12, 0, 1);
    const QDateTime older = at(12, 0, 0);
    const QString l =
        files.write(QStringLiteral("local/f.txt"), "local content", c.localNewer ? newer : older);
    const QString r =
        files.write(QStringLiteral("drive/f.txt"), "drive content", c.localNewer ? older : newer);
    storeRow(1, l, QStringLiteral("f.txt"));
    setMode(c.mode);
    view.defaultAnswer = true;
    pass();

    EXPECT_THAT(logLines(), ElementsAre(Started, l + c.logText, Ended));
    const QByteArray expected = c.localToDrive ? "local content" : "drive content";
    EXPECT_EQ(TestFiles::read(l), expected);
    EXPECT_EQ(TestFiles::read(r), expected);
    EXPECT_EQ(TestFiles::modified(l), TestFiles::modified(r));
    const QStringList& statuses = view.statuses[0];
    ASSERT_EQ(statuses.size(), 2);
    EXPECT_EQ(statuses[0],
              c.localToDrive ? QStringLiteral(">> Copying...") : QStringLiteral("<< Copying..."));
    EXPECT_EQ(statuses[1], QStringLiteral("Synchronized at 01-02-2026 03:04:05"));
    EXPECT_EQ(view.questions.size(), c.mode >= 3 ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(AllRows, FileRowTable, ::testing::ValuesIn(ConflictTable), rowName);

// The same table inside a folder row: "this side" is the local folder at the top level.
class FolderRowTable : public EngineFixture, public ::testing::WithParamInterface<FileRowCase> {};

TEST_P(FolderRowTable, LogsTheTableTextAndCopiesInTheTableDirection) {
    const FileRowCase c = GetParam();
    const QDateTime newer = at(12, 0, 1);
    const QDateTime older = at(12, 0, 0);
    const QString l = files.write(QStringLiteral("local/docs/f.txt"), "local content",
                                  c.localNewer ? newer : older);
    const QString r = files.write(QStringLiteral("drive/docs/f.txt"), "drive content",
                                  c.localNewer ? older : newer);
    storeRow(1, local(QStringLiteral("docs")), QStringLiteral("docs/"));
    setMode(c.mode);
    pass();

    const QByteArray expected = c.localToDrive ? "local content" : "drive content";
    EXPECT_EQ(TestFiles::read(l), expected);
    EXPECT_EQ(TestFiles::read(r), expected);
    // Listed once from each side: the second look finds the copy's equal stamps.
    EXPECT_THAT(logLines(), ElementsAre(Started, l + c.logText, l + NoChanges, Ended));
    EXPECT_THAT(view.statuses[0],
                ElementsAre(QStringLiteral("Synchronizing..."), QStringLiteral("Synchronized")));
}

INSTANTIATE_TEST_SUITE_P(AllRows, FolderRowTable, ::testing::ValuesIn(ConflictTable), rowName);

TEST_F(SyncPassTest, EqualStampsNeverCopyInAnyMode) {
    for (int mode = 0; mode <= 5; ++mode) {
        const QString l = files.write(QStringLiteral("local/e.txt"), "one", at(8, 0, 0));
        const QString r = files.write(QStringLiteral("drive/e.txt"), "two", at(8, 0, 0));
        storeRow(1, l, QStringLiteral("e.txt"));
        setMode(mode);
        view.statuses.clear();
        pass();
        EXPECT_THAT(logLines(), ElementsAre(Started, l + NoChanges, Ended)) << mode;
        EXPECT_EQ(TestFiles::read(r), QByteArray("two"));
        EXPECT_THAT(view.statuses[0], ElementsAre(QStringLiteral("Synchronized")));
        EXPECT_TRUE(view.questions.isEmpty());
    }
}

TEST_F(SyncPassTest, TimesCompareToTheStepBothVolumesKeep) {
    const QString l = files.write(QStringLiteral("local/s.txt"), "new", at(8, 0, 1));
    const QString r = files.write(QStringLiteral("drive/s.txt"), "old", at(8, 0, 0));
    storeRow(1, l, QStringLiteral("s.txt"));
    pass();
    EXPECT_EQ(TestFiles::read(r), QByteArray("new"));

    // Both keep nanoseconds: 0.8 s later is later.
    files.write(QStringLiteral("local/s.txt"), "abc");
    TestFiles::setModified(l, at(9, 0, 0), 900000000);
    TestFiles::setModified(r, at(9, 0, 0), 100000000);
    pass();
    EXPECT_EQ(TestFiles::read(r), QByteArray("abc"));

    // A drive that keeps whole seconds: within one second is the same time.
    volumes.find(root().toStdString())->fsType = "ext3";
    files.write(QStringLiteral("local/s.txt"), "xyz");
    TestFiles::setModified(l, at(10, 0, 0), 900000000);
    TestFiles::setModified(r, at(10, 0, 0), 100000000);
    pass();
    EXPECT_THAT(logLines(), ElementsAre(Started, l + NoChanges, Ended));
    EXPECT_EQ(TestFiles::read(r), QByteArray("abc"));
}

TEST_F(SyncPassTest, StampsOnTwoSecondVolumesMatchWithinTwoSeconds) {
    volumes.find(root().toStdString())->fsType = "vfat";
    const QString l = files.write(QStringLiteral("local/odd.txt"), "x", at(8, 0, 1));
    const QString r = files.write(QStringLiteral("drive/odd.txt"), "x", at(8, 0, 0));
    storeRow(1, l, QStringLiteral("odd.txt"));
    pass();
    EXPECT_THAT(logLines(), ElementsAre(Started, l + NoChanges, Ended));

    TestFiles::setModified(r, at(7, 59, 59));
    pass();
    EXPECT_THAT(logLines(), ElementsAre(Started, l + L2R, Ended));
}

TEST_F(SyncPassTest, UnknownModesOnlyBoldTheRows) {
    for (int mode : {6, -1}) {
        const QString l = files.write(QStringLiteral("local/m.txt"), "new", at(8, 0, 5));
        const QString r = files.write(QStringLiteral("drive/m.txt"), "old", at(8, 0, 0));
        storeRow(1, l, QStringLiteral("m.txt"));
        setMode(mode);
        view.events.clear();
        view.statuses.clear();
        pass();
        EXPECT_EQ(session->conflictMode.value(), mode);
        EXPECT_EQ(session->conflictSelection(), std::nullopt) << "nothing in the list is selected";
        EXPECT_EQ(store->read(keys::SyncInfo, keys::Conflicts, QString()), QString::number(mode));
        EXPECT_THAT(logLines(), ElementsAre(Started, Ended));
        EXPECT_EQ(TestFiles::read(r), QByteArray("old"));
        EXPECT_TRUE(view.statuses.empty());
        EXPECT_THAT(view.events, ElementsAre(QStringLiteral("started"), QStringLiteral("bold 0 1"),
                                             QStringLiteral("bold 0 0"), QStringLiteral("ended")));
    }
}

TEST_F(SyncPassTest, MissingDriveFileIsCreatedOrReportedByMode) {
    for (int mode = 0; mode <= 5; ++mode) {
        const QString l = files.write(QStringLiteral("local/n.txt"), "only here", at(8, 0, 0));
        const QString r = drive(QStringLiteral("n.txt"));
        QFile::remove(r);
        storeRow(1, l, QStringLiteral("n.txt"));
        setMode(mode);
        view.statuses.clear();
        pass();
        const bool toDrive = mode == 0 || mode == 1 || mode == 3 || mode == 4;
        if (toDrive) {
            EXPECT_EQ(TestFiles::read(r), QByteArray("only here")) << mode;
            EXPECT_EQ(view.statuses[0].constLast(),
                      QStringLiteral("Synchronized at 01-02-2026 03:04:05"));
        } else {
            // The copy's source is the missing file: nothing to copy, and it says so.
            EXPECT_FALSE(QFile::exists(r)) << mode;
            EXPECT_EQ(TestFiles::read(l), QByteArray("only here"));
            EXPECT_EQ(view.statuses[0].constLast(), QStringLiteral("Error"));
            EXPECT_EQ(logLines().at(2),
                      l + failed(QStringLiteral("the file on the drive is missing")));
        }
    }
}

TEST_F(SyncPassTest, LocalFileMissingAtPassTimeIsRestoredFromTheDrive) {
    const QString l = files.write(QStringLiteral("local/gone.txt"), "kept", at(8, 0, 0));
    const QString r = files.write(QStringLiteral("drive/gone.txt"), "on drive", at(8, 0, 0));
    storeRow(1, l, QStringLiteral("gone.txt"));
    session->GoLoad();
    session->SearchLetter();
    // Deleted after the list was built but before the row is reached.
    view.onBold = [&](int, bool bold) {
        if (bold)
            QFile::remove(l);
    };
    engine->Syncronize();
    EXPECT_EQ(TestFiles::read(l), QByteArray("on drive"));
    EXPECT_EQ(TestFiles::read(r), QByteArray("on drive"));
}

TEST_F(SyncPassTest, DeclinedPromptKeepsFilesStatusAndLogLine) {
    const QString l = files.write(QStringLiteral("local/p.txt"), "new", at(8, 0, 5));
    const QString r = files.write(QStringLiteral("drive/p.txt"), "old", at(8, 0, 0));
    const QString l2 = files.write(QStringLiteral("local/q.txt"), "new2", at(8, 0, 5));
    const QString r2 = files.write(QStringLiteral("drive/q.txt"), "old2", at(8, 0, 0));
    storeRow(1, l, QStringLiteral("p.txt"));
    storeRow(2, l2, QStringLiteral("q.txt"));
    setMode(4);
    view.answers = {false, true};
    pass();
    EXPECT_EQ(TestFiles::read(r), QByteArray("old"));
    EXPECT_TRUE(view.statuses[0].isEmpty());
    EXPECT_EQ(TestFiles::read(r2), QByteArray("new2"));
    EXPECT_THAT(logLines(), ElementsAre(Started, l + R2L, l2 + R2L, Ended));
    EXPECT_THAT(view.titles, ElementsAre(QStringLiteral("Quillet"), QStringLiteral("Quillet")));
    EXPECT_EQ(engine->lastPass().failures, 0);
}

TEST_F(SyncPassTest, QuestionHasTwelveLinesAndShorterFormsWhenDatesAreMissing) {
    const QString src = files.write(QStringLiteral("local/src.txt"), "s", at(8, 0, 0));
    const QString dst = files.write(QStringLiteral("drive/dst.txt"), "d", at(9, 0, 0));
    const QString missing = drive(QStringLiteral("nothing.txt"));
    const QString srcDate =
        QStringLiteral("File date: ") + QLocale().toString(at(8, 0, 0), QLocale::ShortFormat);
    const QString dstDate =
        QStringLiteral("File date: ") + QLocale().toString(at(9, 0, 0), QLocale::ShortFormat);

    const QStringList full =
        replacementQuestion(replacementOf(fs, Path::fromText(src), Path::fromText(dst)))
            .split(QStringLiteral("\r\n"));
    EXPECT_THAT(full, ElementsAre(QStringLiteral("Quillet is about to copy:"), QString(), src,
                                  srcDate, QString(), QStringLiteral("will replace:"), QString(),
                                  dst, dstDate, QString(), QString(),
                                  QStringLiteral("Do you accept this replacement ?")));

    const QStringList noDest =
        replacementQuestion(replacementOf(fs, Path::fromText(src), Path::fromText(missing)))
            .split(QStringLiteral("\r\n"));
    EXPECT_THAT(noDest,
                ElementsAre(QStringLiteral("Quillet is about to copy:"), QString(), src, srcDate,
                            QString(), QStringLiteral("will replace:"), QString(), missing,
                            QString(), QStringLiteral("Do you accept this replacement ?")));

    const QStringList noSource =
        replacementQuestion(replacementOf(fs, Path::fromText(missing), Path::fromText(dst)))
            .split(QStringLiteral("\r\n"));
    EXPECT_EQ(noSource.size(), 11);
    EXPECT_EQ(noSource.at(3), QString());
    EXPECT_EQ(noSource.at(7), dstDate);
}

TEST_F(SyncPassTest, PromptForAMissingDestinationHasTenLines) {
    const QString l = files.write(QStringLiteral("local/t.txt"), "t", at(8, 0, 0));
    storeRow(1, l, QStringLiteral("t.txt"));
    setMode(3);
    pass();
    ASSERT_EQ(view.questions.size(), 1);
    EXPECT_EQ(view.questions.first().split(QStringLiteral("\r\n")).size(), 10);
    EXPECT_EQ(TestFiles::read(drive(QStringLiteral("t.txt"))), QByteArray("t"));
}

TEST_F(SyncPassTest, StopDuringTheThirdOfFiveRows) {
    QStringList locals;
    for (int i = 1; i <= 5; ++i) {
        const QString name = QStringLiteral("r%1.txt").arg(i);
        locals << files.write(QStringLiteral("local/") + name, "new", at(8, 0, 5));
        files.write(QStringLiteral("drive/") + name, "old", at(8, 0, 0));
        storeRow(i, locals.last(), name);
    }
    view.onBold = [&](int row, bool bold) {
        if (row == 2 && bold)
            engine->requestStop();
    };
    pass();
    EXPECT_THAT(logLines(),
                ElementsAre(Started, locals[0] + L2R, locals[1] + L2R, locals[2] + L2R));
    EXPECT_EQ(TestFiles::read(drive(QStringLiteral("r3.txt"))), QByteArray("new"));
    EXPECT_EQ(TestFiles::read(drive(QStringLiteral("r4.txt"))), QByteArray("old"));
    EXPECT_EQ(TestFiles::read(drive(QStringLiteral("r5.txt"))), QByteArray("old"));
    EXPECT_EQ(view.events.constLast(), QStringLiteral("ended"));
    EXPECT_TRUE(engine->lastPass().stopped);
    EXPECT_TRUE(session->watch().searchTimerEnabled());
    EXPECT_FALSE(engine->isRunning());
}

TEST_F(SyncPassTest, PassRequestedDuringAPassIsIgnored) {
    const QString l = files.write(QStringLiteral("local/a.txt"), "new", at(8, 0, 5));
    files.write(QStringLiteral("drive/a.txt"), "old", at(8, 0, 0));
    storeRow(1, l, QStringLiteral("a.txt"));
    int nested = 0;
    view.onBold = [&](int, bool bold) {
        if (bold && nested++ == 0)
            engine->Syncronize();
    };
    pass();
    EXPECT_THAT(logLines(), ElementsAre(Started, l + L2R, Ended));
    EXPECT_EQ(view.events.count(QStringLiteral("started")), 1);
}

TEST_F(SyncPassTest, AnotherProgramsPassWaitsForTheWholeOfThisOne) {
    const QString l = files.write(QStringLiteral("local/a.txt"), "new", at(8, 0, 5));
    files.write(QStringLiteral("drive/a.txt"), "old", at(8, 0, 0));
    storeRow(1, l, QStringLiteral("a.txt"));
    // Another program of this user over the same settings: its own session, view and engine.
    SyncSession otherSession(*store, fs, volumes);
    RecordingView otherView;
    SyncEngine otherEngine(otherSession, otherView, files.path(QStringLiteral("other.txt")), clock);
    otherSession.loadReadOnly();
    otherSession.SearchLetter();
    int turnsTaken = 0;
    view.onBold = [&](int, bool bold) {
        // Midway through the pass, and at its last row's end.
        if (otherSession.takePassTurn())
            ++turnsTaken;
        if (bold)
            otherEngine.Syncronize();
    };
    pass();
    EXPECT_EQ(turnsTaken, 0) << "the turn was let go before the pass ended";
    EXPECT_TRUE(otherSession.passBusy());
    EXPECT_TRUE(otherView.events.isEmpty());
    EXPECT_FALSE(QFile::exists(files.path(QStringLiteral("other.txt"))));
    // Its turn comes once this pass is over.
    EXPECT_NE(otherSession.takePassTurn(), nullptr);
    EXPECT_FALSE(otherSession.passBusy());
}

// A copy that fails part-way, whatever the cause, is an error in the row and the log.
class SyncPassFaults : public EngineFixture, public ::testing::WithParamInterface<Fault> {};

TEST_P(SyncPassFaults, FailedCopyIsReportedAndLeavesTheDriveAsItWas) {
    const QString l =
        files.write(QStringLiteral("local/big.txt"), QByteArray(3 << 20, 'n'), at(8, 0, 5));
    const QString r = files.write(QStringLiteral("drive/big.txt"), "old", at(8, 0, 0));
    storeRow(1, l, QStringLiteral("big.txt"));
    GetParam().arm(fs);
    pass();
    EXPECT_THAT(logLines(), ElementsAre(Started, l + L2R, l + failed(GetParam().reason), Ended));
    EXPECT_EQ(view.statuses[0].constLast(), QStringLiteral("Error"));
    EXPECT_EQ(view.reasons[0], GetParam().reason);
    EXPECT_EQ(TestFiles::read(r), QByteArray("old"));
    EXPECT_EQ(TestFiles::modified(r), at(8, 0, 0));
    EXPECT_EQ(TestFiles::tree(drive()), QStringList{QStringLiteral("big.txt")});
    EXPECT_EQ(engine->lastPass().failures, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, SyncPassFaults,
    ::testing::Values(Fault{"WriteError", [](FaultyFileSystem& f) { f.failWriteAfter = 100; },
                            QStringLiteral("the drive reported a read or write error")},
                      Fault{"DiskFull",
                            [](FaultyFileSystem& f) {
                                f.failWriteAfter = 2 << 20;
                                f.writeErrno = ENOSPC;
                            },
                            QStringLiteral("no space left on the drive")},
                      Fault{"RenameFails", [](FaultyFileSystem& f) { f.failRename = true; },
                            QStringLiteral("Invalid cross-device link")},
                      Fault{"ReadErrorPartWay",
                            [](FaultyFileSystem& f) { f.failReadAfter = 1 << 20; },
                            QStringLiteral("the file to copy cannot be read: Input/output error")}),
    FaultName());

} // namespace
