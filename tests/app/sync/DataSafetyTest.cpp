#include "EngineFixture.h"
#include "LogLines.h"

#include <QDir>
#include <QFile>

#include <gmock/gmock.h>

#include <chrono>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

using namespace quillet;
using namespace quillet::test;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

// A folder row "docs" tied to "backup/" on the drive.
class DataSafetyTest : public EngineFixture {
protected:
    void SetUp() override { storeRow(1, local(QStringLiteral("docs")), QStringLiteral("backup/")); }
    QString l(const QString& rel) const { return local(QStringLiteral("docs/") + rel); }
    QString r(const QString& rel) const { return drive(QStringLiteral("backup/") + rel); }
    QStringList bodyLines() const { return logLines().mid(1, logLines().size() - 2); }
    // Makes a file whose name is the given bytes, which need not be valid UTF-8.
    static void writeRaw(const std::string& path, const char* content) {
        const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
        ASSERT_GE(fd, 0) << path;
        ASSERT_EQ(::write(fd, content, std::strlen(content)),
                  static_cast<ssize_t>(std::strlen(content)));
        ::close(fd);
    }
    static std::vector<std::string> rawNames(const QString& folder) {
        auto listed = platform::LocalFileSystem().listDirectory(folder.toStdString());
        std::vector<std::string> names;
        if (!listed)
            return names;
        for (const auto& e : listed.value().entries) {
            if (e.name != "." && e.name != "..")
                names.push_back(e.name);
        }
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(DataSafetyTest, NamesThatAreNotUtf8TravelAsTheirBytes) {
    files.makeDir(QStringLiteral("local/docs/sub"));
    const std::string latin1 = std::string("caf") + '\xe9';
    writeRaw(l(QString()).toStdString() + latin1, "menu");
    writeRaw(l(QStringLiteral("sub/")).toStdString() + latin1 + ".txt", "deep");
    pass();
    EXPECT_EQ(rawNames(r(QString())), (std::vector<std::string>{latin1, "sub"}));
    EXPECT_EQ(rawNames(r(QStringLiteral("sub"))), std::vector<std::string>{latin1 + ".txt"});
    EXPECT_TRUE(bodyLines().isEmpty());
    // No folder named with a replacement character on either side.
    for (const QString& side : {l(QString()), r(QString())})
        EXPECT_FALSE(TestFiles::tree(side).join(QLatin1Char(' ')).contains(QChar(0xFFFD)));

    pass();
    // Shown with a visible escape for the byte that does not decode.
    EXPECT_THAT(bodyLines(), Contains(l(QStringLiteral("caf\\xE9")) + NoChanges));
}

// A local folder the walk cannot enter from the local side (no write permission) is
// reached from the drive's listing; a fixed direction still means what it says there.
TEST_F(DataSafetyTest, FixedDirectionsHoldInFoldersReachedFromTheDrive) {
    for (const int mode : {1, 2}) {
        const QString folder = l(QStringLiteral("locked"));
        QDir().mkpath(folder);
        TestFiles::setReadOnly(folder, false);
        files.write(QStringLiteral("local/docs/locked/f.txt"), "local, newer", at(10, 0, 0));
        files.write(QStringLiteral("drive/backup/locked/f.txt"), "drive, older", at(9, 0, 0));
        TestFiles::setReadOnly(folder, true);
        setMode(mode);
        pass();
        TestFiles::setReadOnly(folder, false);
        const QByteArray expected = mode == 1 ? "local, newer" : "drive, older";
        EXPECT_EQ(TestFiles::read(l(QStringLiteral("locked/f.txt"))), expected) << mode;
        EXPECT_EQ(TestFiles::read(r(QStringLiteral("locked/f.txt"))), expected) << mode;
        // Read from the local side: the same text a walk from the local side would write.
        EXPECT_EQ(bodyLines().first(),
                  r(QStringLiteral("locked/f.txt")) +
                      (mode == 1
                           ? QStringLiteral(" - Synchronized Removable Drive to Local Drive")
                           : QStringLiteral(" - Synchronized Local Drive to Removable Drive")))
            << mode;
    }
}

TEST_F(DataSafetyTest, OnADriveThatFoldsCaseOneNameNeverStandsInForAnother) {
    volumes.find(root().toStdString())->fsType = "vfat";
    files.write(QStringLiteral("local/docs/Report.txt"), "upper", at(8, 0, 0));
    files.write(QStringLiteral("local/docs/report.txt"), "lower", at(9, 0, 0));
    files.write(QStringLiteral("local/docs/Photos/a.jpg"), "a", at(8, 0, 0));
    files.write(QStringLiteral("local/docs/photos/b.jpg"), "b", at(8, 0, 0));
    pass();
    // The first spelling in byte order is synchronised; the other fails and is left alone.
    EXPECT_EQ(TestFiles::tree(r(QString())),
              (QStringList{QStringLiteral("Photos/"), QStringLiteral("Photos/a.jpg"),
                           QStringLiteral("Report.txt")}));
    const QString clash = QStringLiteral("another file differs only in case");
    EXPECT_THAT(bodyLines(),
                ::testing::UnorderedElementsAre(l(QStringLiteral("photos")) + failed(clash),
                                                l(QStringLiteral("report.txt")) + failed(clash)));
    EXPECT_EQ(view.statuses[0].constLast(), QStringLiteral("Error"));
    EXPECT_THAT(view.reasons[0].toStdString(), HasSubstr(clash.toStdString()));

    // Later passes never copy one over the other.
    files.write(QStringLiteral("local/docs/report.txt"), "lower, edited", at(11, 0, 0));
    pass();
    pass();
    EXPECT_EQ(TestFiles::read(l(QStringLiteral("Report.txt"))), QByteArray("upper"));
    EXPECT_EQ(TestFiles::read(l(QStringLiteral("report.txt"))), QByteArray("lower, edited"));
    EXPECT_EQ(TestFiles::read(r(QStringLiteral("Report.txt"))), QByteArray("upper"));
    EXPECT_THAT(bodyLines(), Contains(l(QStringLiteral("Report.txt")) + NoChanges));
}

TEST_F(DataSafetyTest, ANameThatDiffersOnlyInCaseOnTheDriveIsTheSameFile) {
    volumes.find(root().toStdString())->fsType = "exfat";
    files.write(QStringLiteral("local/docs/Notes.txt"), "newer", at(10, 0, 0));
    files.write(QStringLiteral("drive/backup/NOTES.TXT"), "older", at(9, 0, 0));
    pass();
    EXPECT_EQ(TestFiles::read(r(QStringLiteral("NOTES.TXT"))), QByteArray("newer"));
    EXPECT_EQ(TestFiles::tree(l(QString())), QStringList{QStringLiteral("Notes.txt")});
    EXPECT_THAT(bodyLines(), ElementsAre(l(QStringLiteral("Notes.txt")) +
                                             QStringLiteral(" - Synchronized Local Drive to "
                                                            "Removable Drive"),
                                         l(QStringLiteral("NOTES.TXT")) + NoChanges));
}

// Swaps the drive for an empty folder the moment the walk shows a file: as an unmount
// leaves the bare mount point behind.
class UnpluggingView : public RecordingView {
public:
    QString root;
    QString movedTo;
    void setFileStatus(const QString& text) override {
        RecordingView::setFileStatus(text);
        if (!text.isEmpty() && !movedTo.isEmpty() && !done) {
            done = true;
            QDir().rename(root, movedTo);
            QDir().mkpath(root);
        }
    }
    bool done = false;
};

TEST_F(DataSafetyTest, ADriveThatGoesAwayGetsNothingWrittenInItsPlace) {
    for (int i = 0; i < 4; ++i)
        files.write(QStringLiteral("local/docs/f%1.txt").arg(i), "x", at(8, 0, 0));
    files.write(QStringLiteral("local/docs/sub/g.txt"), "g", at(8, 0, 0));
    const QString single = files.write(QStringLiteral("local/single.txt"), "s", at(8, 0, 0));
    storeRow(2, single, QStringLiteral("single.txt"));
    session->GoLoad();
    session->SearchLetter();
    UnpluggingView unplugging;
    unplugging.root = root();
    unplugging.movedTo = files.path(QStringLiteral("unplugged"));
    SyncEngine walk(*session, unplugging, logPath, clock);
    walk.Syncronize();

    // The bare mount point stays empty; the pass says what happened to each file.
    EXPECT_TRUE(TestFiles::tree(root()).isEmpty())
        << TestFiles::tree(root()).join(u' ').toStdString();
    const QString removed = failed(QStringLiteral("the drive was removed"));
    EXPECT_THAT(bodyLines(), Contains(single + removed));
    int gone = 0;
    for (const QString& line : bodyLines())
        gone += line.endsWith(removed) ? 1 : 0;
    EXPECT_GE(gone, 5) << bodyLines().join(u'\n').toStdString();
    EXPECT_EQ(unplugging.statuses[0].constLast(), QStringLiteral("Error"));
    EXPECT_EQ(unplugging.statuses[1].constLast(), QStringLiteral("Error"));
    EXPECT_EQ(unplugging.reasons[1], QStringLiteral("the drive was removed"));
    // Nothing half-made on the drive that went away either.
    for (const QString& name : TestFiles::tree(unplugging.movedTo))
        EXPECT_FALSE(platform::isTransferTempName(QFileInfo(name).fileName().toStdString()))
            << name.toStdString();
}

TEST_F(DataSafetyTest, TheFolderAboveBothRootsIsNeverWalkedIntoThroughALink) {
    // The local folder is reached through a link; the drive is mounted inside it.
    const QString real = files.makeDir(QStringLiteral("real/docs"));
    QFile::link(files.path(QStringLiteral("real")), files.path(QStringLiteral("via")));
    files.write(QStringLiteral("real/docs/a.txt"), "a", at(8, 0, 0));
    const QString stick = files.makeDir(QStringLiteral("real/docs/mnt/stick"));
    volumes.clear();
    volumes.add({(stick + QLatin1Char('/')).toStdString(), platform::DriveType::Removable, 1000000,
                 0x1234, "ext4"});
    storeRow(1, files.path(QStringLiteral("via/docs")), QStringLiteral("backup/"));
    pass();
    pass();
    // The folder that holds the drive is not walked at all: it would lead into the drive.
    EXPECT_EQ(TestFiles::tree(stick),
              (QStringList{QStringLiteral("backup/"), QStringLiteral("backup/a.txt")}));
}

TEST_F(DataSafetyTest, AFileRowLooksForLeftoversBesideItsCopy) {
    const QString single = files.write(QStringLiteral("local/single.txt"), "new", at(9, 0, 0));
    files.write(QStringLiteral("drive/single.txt"), "old", at(8, 0, 0));
    const QString stale = drive(QStringLiteral(".quillet~0123456789abcdef.part"));
    files.write(QStringLiteral("drive/.quillet~0123456789abcdef.part"), "half");
    storeRow(1, single, QStringLiteral("single.txt"));
    pass();
    EXPECT_FALSE(QFile::exists(stale));
    EXPECT_THAT(logLines(), Contains(stale + QStringLiteral(" - Removed (a temporary file left "
                                                            "by an interrupted copy)")));
    EXPECT_EQ(TestFiles::read(drive(QStringLiteral("single.txt"))), QByteArray("new"));
}

TEST_F(DataSafetyTest, LargeCopiesReportProgressAndSmallOnesDoNot) {
    const QString big =
        files.write(QStringLiteral("local/docs/big.bin"), QByteArray(3 << 20, 'b'), at(8, 0, 0));
    files.write(QStringLiteral("local/docs/small.txt"), "s", at(8, 0, 0));
    pass();
    const QString shown = r(QStringLiteral("big.bin"));
    ASSERT_GE(view.progress.size(), 2);
    EXPECT_EQ(view.progress.first(), shown + QStringLiteral(" 0/3145728"));
    EXPECT_EQ(view.progress.constLast(), shown + QStringLiteral(" 3145728/3145728"));
    for (const QString& p : view.progress)
        EXPECT_TRUE(p.startsWith(shown)) << p.toStdString();
    EXPECT_EQ(TestFiles::read(shown), TestFiles::read(big));
}

TEST_F(DataSafetyTest, ACopyIsDoneOnlyWhenItsStepIsOver) {
    // Every byte read, the copy not yet over (as while its flush waits for the disk).
    files.write(QStringLiteral("local/docs/big.bin"), QByteArray(3 << 20, 'b'), at(8, 0, 0));
    fs.afterRead = [](std::int64_t read) {
        if (read == (3 << 20))
            std::this_thread::sleep_for(std::chrono::milliseconds(120));
    };
    pass();
    const QString done = QStringLiteral(" 3145728/3145728");
    ASSERT_GE(view.progress.size(), 3);
    for (qsizetype i = 0; i + 1 < view.progress.size(); ++i)
        EXPECT_FALSE(view.progress[i].endsWith(done)) << view.progress[i].toStdString();
    EXPECT_TRUE(view.progress.constLast().endsWith(done));
}

class SourceChangeTest : public ::testing::Test {
protected:
    FaultyFileSystem fs;
    FileTransfer transfer{fs, 4096};
    TestFiles files;
};

TEST_F(SourceChangeTest, ACopyOfAFileRewrittenWhileItIsReadIsNotPlaced) {
    const QString s = files.write(QStringLiteral("s.bin"), QByteArray(64 * 1024, 'a'), at(8, 0, 0));
    const QString d = files.write(QStringLiteral("d.bin"), "old", at(7, 0, 0));
    // Rewritten during every read: never a consistent copy.
    int edits = 0;
    fs.afterRead = [&](std::int64_t) {
        if (++edits % 3 == 0)
            files.write(QStringLiteral("s.bin"), QByteArray(64 * 1024, 'b'), at(9, 0, edits % 60));
    };
    EXPECT_FALSE(
        transfer.copy(Path::fromText(s), {Path::fromText(d), {}}, FileTransfer::Placing::Now));
    EXPECT_EQ(transfer.lastFailure().kind, TransferFailure::Kind::SourceChanged);
    EXPECT_EQ(TestFiles::read(d), QByteArray("old"));
    EXPECT_EQ(TestFiles::tree(files.path()),
              (QStringList{QStringLiteral("d.bin"), QStringLiteral("s.bin")}));
}

TEST_F(SourceChangeTest, ARewriteThatEndsIsCopiedOnTheSecondTry) {
    const QString s = files.write(QStringLiteral("s.bin"), QByteArray(64 * 1024, 'a'), at(8, 0, 0));
    const QString d = files.path(QStringLiteral("d.bin"));
    bool edited = false;
    fs.afterRead = [&](std::int64_t done) {
        if (!edited && done > 8192) {
            edited = true;
            files.write(QStringLiteral("s.bin"), QByteArray(64 * 1024, 'b'), at(9, 0, 0));
        }
    };
    ASSERT_TRUE(
        transfer.copy(Path::fromText(s), {Path::fromText(d), {}}, FileTransfer::Placing::Now));
    EXPECT_EQ(TestFiles::read(d), QByteArray(64 * 1024, 'b'));
    EXPECT_EQ(TestFiles::modified(d), at(9, 0, 0));
}

TEST_F(SourceChangeTest, AFileSystemThatRefusesHolesGetsPlainWrites) {
    // A small tar archive: data, then its last blocks all zeros.
    QByteArray tar(20 * 4096, '\0');
    tar.replace(0, 5, "hello");
    const QString s = files.write(QStringLiteral("a.tar"), tar, at(8, 0, 0));
    fs.setLengthErrno = EPERM;
    const QString d = files.path(QStringLiteral("copy.tar"));
    ASSERT_TRUE(
        transfer.copy(Path::fromText(s), {Path::fromText(d), {}}, FileTransfer::Placing::Now));
    EXPECT_EQ(TestFiles::read(d), tar);
    // Remembered for the volume: the next file goes straight to plain writes.
    ASSERT_TRUE(
        transfer.copy(Path::fromText(s), {Path::fromText(d), {}}, FileTransfer::Placing::Now));
    EXPECT_EQ(TestFiles::read(d), tar);
}

TEST_F(SourceChangeTest, WhatIsMeantForAVolumeLandsOnItOrNowhere) {
    const QString s = files.write(QStringLiteral("s.txt"), "s", at(8, 0, 0));
    const QString d = files.path(QStringLiteral("d.txt"));
    EXPECT_FALSE(
        transfer.copy(Path::fromText(s), {Path::fromText(d), 0xdead}, FileTransfer::Placing::Now));
    EXPECT_EQ(transfer.lastFailure().kind, TransferFailure::Kind::OffVolume);
    EXPECT_FALSE(QFile::exists(d));
    EXPECT_EQ(TestFiles::tree(files.path()), QStringList{QStringLiteral("s.txt")});
}

} // namespace

namespace {

class ItemSafetyTest : public EngineFixture {};

TEST_F(ItemSafetyTest, AnOlderListWithTwoItemsOnOneDriveFileCopiesOnlyTheFirst) {
    const QString first = files.write(QStringLiteral("local/a/report.txt"), "first", at(9, 0, 0));
    const QString second =
        files.write(QStringLiteral("local/b/report.txt"), "second", at(10, 0, 0));
    storeRow(1, first, QStringLiteral("report.txt"));
    storeRow(2, second, QStringLiteral("report.txt"));
    pass();
    EXPECT_EQ(TestFiles::read(drive(QStringLiteral("report.txt"))), QByteArray("first"));
    EXPECT_EQ(TestFiles::read(second), QByteArray("second"));
    EXPECT_EQ(view.statuses[1].constLast(), QStringLiteral("Error"));
    EXPECT_THAT(view.reasons[1].toStdString(), HasSubstr("item 1"));
    EXPECT_THAT(logLines(), Contains(second + failed(view.reasons[1])));
    pass();
    EXPECT_EQ(TestFiles::read(first), QByteArray("first")) << "never copied back through it";
}

TEST_F(ItemSafetyTest, AFolderItemWhoseFolderIsAwayFailsAndTouchesNothing) {
    files.write(QStringLiteral("drive/backup/kept.txt"), "on the drive", at(8, 0, 0));
    storeRow(1, local(QStringLiteral("share")), QStringLiteral("backup/"));
    pass();
    EXPECT_EQ(view.statuses[0].constLast(), QStringLiteral("Error"));
    EXPECT_EQ(view.reasons[0], QStringLiteral("the local folder was not found"));
    EXPECT_FALSE(QFile::exists(local(QStringLiteral("share"))));
    EXPECT_EQ(TestFiles::tree(drive(QStringLiteral("backup"))),
              QStringList{QStringLiteral("kept.txt")});
}

TEST_F(ItemSafetyTest, AMissingLocalFileIsAMissingSide) {
    for (const int mode : {0, 1, 2, 4}) {
        const QString gone = local(QStringLiteral("gone.txt"));
        QFile::remove(gone);
        files.write(QStringLiteral("drive/gone.txt"), "on the drive", at(8, 0, 0));
        storeRow(1, gone, QStringLiteral("gone.txt"));
        setMode(mode);
        view.statuses.clear();
        pass();
        if (mode == 1 || mode == 4) {
            // Toward the drive: nothing to copy, and it says why.
            EXPECT_FALSE(QFile::exists(gone)) << mode;
            EXPECT_EQ(view.reasons[0], QStringLiteral("the local file is missing")) << mode;
        } else {
            EXPECT_EQ(TestFiles::read(gone), QByteArray("on the drive")) << mode;
        }
        EXPECT_EQ(TestFiles::read(drive(QStringLiteral("gone.txt"))), QByteArray("on the drive"));
    }
}

} // namespace
