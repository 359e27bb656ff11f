#include "sync/FileTransfer.h"
#include "FaultyFileSystem.h"
#include "TestFiles.h"
#include "sync/FileProbe.h"

#include <QFile>
#include <QFileInfo>
#include <QTimeZone>

#include <gmock/gmock.h>

#include <sys/stat.h>

using namespace quillet;
using namespace quillet::test;

namespace {

// The transfer takes paths as the file system spells them.
bool clone(FileTransfer& transfer, const QString& source, const QString& destination) {
    return transfer.copy(Path::fromText(source), {Path::fromText(destination), {}},
                         FileTransfer::Placing::Now);
}
bool stage(FileTransfer& transfer, const QString& source, const QString& destination,
           const QString& subject) {
    return transfer.copy(Path::fromText(source), {Path::fromText(destination), {}},
                         FileTransfer::Placing::WithBatch, subject);
}
QStringList subjectsOf(const std::vector<FileTransfer::StagedFailure>& failed) {
    QStringList subjects;
    for (const auto& f : failed)
        subjects << f.subject;
    return subjects;
}

class FileTransferTest : public ::testing::Test {
protected:
    FaultyFileSystem fs;
    // A small buffer so that faults can land part-way through a file.
    FileTransfer transfer{fs, 64};
    TestFiles files;
};

mode_t modeOf(const QString& path) {
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 07777;
}

TEST_F(FileTransferTest, CopiesContentAndTimesToTheNanosecond) {
    const QString s = files.write(QStringLiteral("s.bin"), QByteArray(1000, 'x') + "end");
    TestFiles::setModified(s, at(7, 6, 5), 123456789);
    const QString d = files.path(QStringLiteral("d.bin"));
    ASSERT_TRUE(clone(transfer, s, d));
    // Before anything reads the copy: the access time travels too.
    struct stat copied {};
    ::stat(QFile::encodeName(d).constData(), &copied);
    EXPECT_EQ(copied.st_atim.tv_sec, at(7, 6, 5).toSecsSinceEpoch());
    EXPECT_EQ(copied.st_atim.tv_nsec, 123456789);
    EXPECT_EQ(TestFiles::read(d), TestFiles::read(s));
    EXPECT_EQ(TestFiles::modified(d), at(7, 6, 5));
    EXPECT_EQ(TestFiles::modifiedNanoseconds(d), 123456789);
}

// Only what the read-only attribute means crosses over; never a whole mode.
TEST_F(FileTransferTest, PermissionsCarryOnlyTheReadOnlyState) {
    const mode_t mask = ::umask(022);
    const QString exec = files.write(QStringLiteral("tool.sh"), "#!/bin/sh", at(8, 0, 0));
    ::chmod(QFile::encodeName(exec).constData(), 0777);
    ASSERT_TRUE(clone(transfer, exec, files.path(QStringLiteral("new.sh"))));
    EXPECT_EQ(modeOf(files.path(QStringLiteral("new.sh"))), 0644u) << "the user's default";

    const QString ro = files.write(QStringLiteral("ro.txt"), "ro", at(8, 0, 0));
    ::chmod(QFile::encodeName(ro).constData(), 0444);
    ASSERT_TRUE(clone(transfer, ro, files.path(QStringLiteral("new-ro.txt"))));
    EXPECT_EQ(modeOf(files.path(QStringLiteral("new-ro.txt"))), 0444u);

    // A private file keeps its permissions when a drive that shows everything 0777
    // replaces it; a read-only source takes its write permission away, nothing more.
    const QString mine = files.write(QStringLiteral("mine.txt"), "old", at(7, 0, 0));
    ::chmod(QFile::encodeName(mine).constData(), 0600);
    ASSERT_TRUE(clone(transfer, exec, mine));
    EXPECT_EQ(modeOf(mine), 0600u);
    ASSERT_TRUE(clone(transfer, ro, mine));
    EXPECT_EQ(modeOf(mine), 0400u);
    ::umask(mask);
}

TEST_F(FileTransferTest, TimesSurviveAFileSystemThatStampsRenames) {
    const QString s = files.write(QStringLiteral("s.txt"), "x", at(6, 0, 0));
    fs.stampOnRename = true;
    ASSERT_TRUE(clone(transfer, s, files.path(QStringLiteral("d.txt"))));
    EXPECT_EQ(TestFiles::modified(files.path(QStringLiteral("d.txt"))), at(6, 0, 0));
}

TEST_F(FileTransferTest, ShorterAndEmptySourcesLeaveNothingOfTheOldContent) {
    const QString d = files.write(QStringLiteral("d.txt"), "a much longer old content");
    const QString shorter = files.write(QStringLiteral("short.txt"), "tiny", at(9, 0, 0));
    ASSERT_TRUE(clone(transfer, shorter, d));
    EXPECT_EQ(TestFiles::read(d), QByteArray("tiny"));

    const QString empty = files.write(QStringLiteral("empty.txt"), "", at(10, 0, 0));
    ASSERT_TRUE(clone(transfer, empty, d));
    EXPECT_EQ(QFile(d).size(), 0);
    EXPECT_EQ(TestFiles::modified(d), at(10, 0, 0));
}

TEST_F(FileTransferTest, ReadOnlyTravelsAndProtectsTheDestinationUntilTheSourceLosesIt) {
    const QString s = files.write(QStringLiteral("s.txt"), "v1", at(8, 0, 0));
    TestFiles::setReadOnly(s, true);
    const QString d = files.path(QStringLiteral("d.txt"));
    ASSERT_TRUE(clone(transfer, s, d));
    EXPECT_TRUE(TestFiles::isReadOnly(d));

    // The source changes while still read-only: the destination keeps content and times.
    TestFiles::setReadOnly(s, false);
    files.write(QStringLiteral("s.txt"), "v2", at(9, 0, 0));
    TestFiles::setReadOnly(s, true);
    EXPECT_FALSE(clone(transfer, s, d));
    EXPECT_EQ(TestFiles::read(d), QByteArray("v1"));
    EXPECT_EQ(TestFiles::modified(d), at(8, 0, 0));

    EXPECT_EQ(transfer.lastFailure().kind, TransferFailure::Kind::ReadOnly);

    // The source becomes writable: one copy clears the attribute, the next copies content.
    // Only the owner's write permission comes back: a 0400 file becomes 0600, not 0644.
    ::chmod(QFile::encodeName(d).constData(), 0400);
    TestFiles::setReadOnly(s, false);
    EXPECT_FALSE(clone(transfer, s, d));
    EXPECT_EQ(modeOf(d), 0600u);
    EXPECT_EQ(TestFiles::read(d), QByteArray("v1"));
    EXPECT_TRUE(clone(transfer, s, d));
    EXPECT_EQ(TestFiles::read(d), QByteArray("v2"));
    EXPECT_EQ(modeOf(d), 0600u);
}

TEST_F(FileTransferTest, DestinationThatCannotBeReadIsNeverOverwritten) {
    const QString s = files.write(QStringLiteral("s.txt"), "source", at(9, 0, 0));
    const QString d = files.write(QStringLiteral("d.txt"), "unreadable", at(8, 0, 0));
    fs.unreadable = d.toStdString();
    EXPECT_FALSE(clone(transfer, s, d));
    EXPECT_EQ(TestFiles::read(d), QByteArray("unreadable"));
    EXPECT_EQ(TestFiles::modified(d), at(8, 0, 0));
}

TEST_F(FileTransferTest, MissingSourceLeavesTheDestinationUntouched) {
    const QString d = files.write(QStringLiteral("d.txt"), "keep", at(8, 0, 0));
    EXPECT_FALSE(clone(transfer, files.path(QStringLiteral("none.txt")), d));
    EXPECT_EQ(TestFiles::read(d), QByteArray("keep"));
    EXPECT_EQ(TestFiles::modified(d), at(8, 0, 0));
    EXPECT_EQ(transfer.lastFailure().kind, TransferFailure::Kind::SourceMissing);
}

TEST_F(FileTransferTest, NeverReplacesAFolderOrASpecialFile) {
    const QString s = files.write(QStringLiteral("s.txt"), "x");
    const QString dir = files.makeDir(QStringLiteral("adir"));
    EXPECT_FALSE(clone(transfer, s, dir));
    EXPECT_TRUE(QFileInfo(dir).isDir());
    const QString fifo = files.path(QStringLiteral("pipe"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
    EXPECT_FALSE(clone(transfer, s, fifo));
    EXPECT_FALSE(clone(transfer, fifo, files.path(QStringLiteral("out"))));
    EXPECT_FALSE(QFile::exists(files.path(QStringLiteral("out"))));
}

TEST_F(FileTransferTest, CopyOntoALinkWritesItsTargetAndKeepsTheLink) {
    const QString target = files.write(QStringLiteral("real/target.txt"), "old");
    const QString link = files.path(QStringLiteral("link.txt"));
    ASSERT_TRUE(QFile::link(target, link));
    const QString s = files.write(QStringLiteral("s.txt"), "new", at(8, 0, 0));
    ASSERT_TRUE(clone(transfer, s, link));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(TestFiles::read(target), QByteArray("new"));
    EXPECT_EQ(TestFiles::tree(files.path(QStringLiteral("real"))),
              QStringList{QStringLiteral("target.txt")});
}

// Each fault leaves the destination exactly as it was and no temporary file behind.
class FileTransferFaults : public FileTransferTest, public ::testing::WithParamInterface<Fault> {};

TEST_P(FileTransferFaults, LeaveTheDestinationIntactAndNoTemporaryFile) {
    const QString s = files.write(QStringLiteral("dir/s.bin"), QByteArray(10000, 's'), at(9, 0, 0));
    const QString d = files.write(QStringLiteral("dir/d.bin"), "original", at(8, 0, 0));
    GetParam().arm(fs);
    EXPECT_FALSE(clone(transfer, s, d));
    EXPECT_EQ(TestFiles::read(d), QByteArray("original"));
    EXPECT_EQ(TestFiles::modified(d), at(8, 0, 0));
    EXPECT_EQ(TestFiles::tree(files.path(QStringLiteral("dir"))),
              (QStringList{QStringLiteral("d.bin"), QStringLiteral("s.bin")}));
    EXPECT_NE(transfer.lastFailure().code, 0) << "the system's reason is kept";
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FileTransferFaults,
    ::testing::Values(
        Fault{"WriteError", [](FaultyFileSystem& f) { f.failWriteAfter = 500; }},
        Fault{"DiskFull",
              [](FaultyFileSystem& f) {
                  f.failWriteAfter = 4096;
                  f.writeErrno = ENOSPC;
              }},
        Fault{"ReadErrorPartWay", [](FaultyFileSystem& f) { f.failReadAfter = 3000; }},
        Fault{"FlushError", [](FaultyFileSystem& f) { f.failFlush = true; }},
        Fault{"RenameError", [](FaultyFileSystem& f) { f.failRename = true; }},
        Fault{"NoTemporaryFile", [](FaultyFileSystem& f) { f.failCreateTemp = true; }},
        Fault{"KernelCopyFailsPartWay", [](FaultyFileSystem& f) { f.failCopyRangeAfter = 128; }}),
    FaultName());

TEST_F(FileTransferTest, TheKernelCopiesWhereBothVolumesAllowItAndHolesStay) {
    const QString s = files.write(QStringLiteral("s.bin"), QByteArray(5000, 'k'), at(8, 0, 0));
    ASSERT_TRUE(clone(transfer, s, files.path(QStringLiteral("d.bin"))));
    EXPECT_GT(fs.copyRangeCalls, 0);
    EXPECT_EQ(TestFiles::read(files.path(QStringLiteral("d.bin"))), TestFiles::read(s));
    // A sparse source goes the long way round, which keeps its holes.
    const int calls = fs.copyRangeCalls;
    QFile sparse(files.path(QStringLiteral("sparse.bin")));
    ASSERT_TRUE(sparse.open(QIODevice::WriteOnly));
    ASSERT_TRUE(sparse.resize(8 << 20));
    sparse.close();
    FileTransfer big{fs};
    ASSERT_TRUE(clone(big, sparse.fileName(), files.path(QStringLiteral("copy.bin"))));
    EXPECT_EQ(fs.copyRangeCalls, calls);
    EXPECT_EQ(QFileInfo(files.path(QStringLiteral("copy.bin"))).size(), 8 << 20);
}

TEST_F(FileTransferTest, NewFileThatFailsLeavesNothingAtAll) {
    const QString s = files.write(QStringLiteral("src/s.bin"), QByteArray(2000, 's'));
    files.makeDir(QStringLiteral("dst"));
    fs.failWriteAfter = 100;
    EXPECT_FALSE(clone(transfer, s, files.path(QStringLiteral("dst/s.bin"))));
    EXPECT_TRUE(TestFiles::tree(files.path(QStringLiteral("dst"))).isEmpty());
}

TEST_F(FileTransferTest, StreamsThroughTheBufferWhateverTheSize) {
    // 1 MiB through a 64-byte buffer: every chunk boundary is crossed many times.
    QByteArray content;
    for (int i = 0; i < (1 << 20); ++i)
        content.append(static_cast<char>(i * 7 + (i >> 9)));
    const QString s = files.write(QStringLiteral("big.bin"), content);
    const QString d = files.path(QStringLiteral("copy.bin"));
    ASSERT_TRUE(clone(transfer, s, d));
    EXPECT_EQ(TestFiles::read(d), content);
}

TEST_F(FileTransferTest, SparseFilesStaySparseAndExact) {
    // Data, a long run of zeros, data, and zeros to the end: holes in the middle and at the end.
    const QString s = files.path(QStringLiteral("sparse.bin"));
    {
        QFile f(s);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("head");
        f.seek(8 << 20);
        f.write("middle");
        f.resize(16 << 20);
    }
    struct stat source {};
    ::stat(QFile::encodeName(s).constData(), &source);
    if (source.st_blocks * 512 >= 4 << 20)
        GTEST_SKIP() << "the temporary folder's file system keeps no holes";
    // Where the file system says where its holes are, and where it cannot.
    for (const bool refuse : {false, true}) {
        SCOPED_TRACE(refuse ? "holes found by reading" : "holes found without reading");
        fs.refuseSeekData = refuse;
        fs.bytesRead = 0;
        FileTransfer big(fs); // the real buffer size
        const QString d = files.path(QStringLiteral("copy.bin"));
        ASSERT_TRUE(clone(big, s, d));
        EXPECT_EQ(TestFiles::read(d), TestFiles::read(s));
        struct stat st {};
        ::stat(QFile::encodeName(d).constData(), &st);
        EXPECT_EQ(st.st_size, 16 << 20);
        EXPECT_LT(st.st_blocks * 512, 4 << 20) << "the zeros were not written out";
        if (refuse)
            EXPECT_EQ(fs.bytesRead, 16 << 20);
        else
            EXPECT_LT(fs.bytesRead, 4 << 20) << "the holes were read";
        QFile::remove(d);
    }
}

TEST_F(FileTransferTest, StagedFilesArriveTogetherWithTheirTimes) {
    files.makeDir(QStringLiteral("out"));
    for (int i = 0; i < 5; ++i)
        files.write(QStringLiteral("in/f%1.txt").arg(i),
                    QByteArray("content ") + QByteArray::number(i), at(8, 0, i));
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(stage(transfer, files.path(QStringLiteral("in/f%1.txt").arg(i)),
                          files.path(QStringLiteral("out/f%1.txt").arg(i)),
                          QStringLiteral("subject %1").arg(i)));
    EXPECT_EQ(transfer.stagedCount(), 5u);
    // Nothing under the real names before the commit: only hidden temporary files.
    for (const QString& name : TestFiles::tree(files.path(QStringLiteral("out"))))
        EXPECT_TRUE(platform::isTransferTempName(name.toStdString())) << name.toStdString();
    EXPECT_TRUE(transfer.placeStaged().empty());
    EXPECT_EQ(transfer.stagedCount(), 0u);
    for (int i = 0; i < 5; ++i) {
        const QString out = files.path(QStringLiteral("out/f%1.txt").arg(i));
        EXPECT_EQ(TestFiles::read(out), QByteArray("content ") + QByteArray::number(i));
        EXPECT_EQ(TestFiles::modified(out), at(8, 0, i));
    }
}

TEST_F(FileTransferTest, StagedFileNeverReplacesOneThatAppearedMeanwhile) {
    const QString s = files.write(QStringLiteral("in/a.txt"), "ours", at(8, 0, 0));
    const QString d = files.path(QStringLiteral("out/a.txt"));
    files.makeDir(QStringLiteral("out"));
    ASSERT_TRUE(stage(transfer, s, d, QStringLiteral("a")));
    files.write(QStringLiteral("out/a.txt"), "the user's");
    EXPECT_EQ(subjectsOf(transfer.placeStaged()), QStringList{QStringLiteral("a")});
    EXPECT_EQ(TestFiles::read(d), QByteArray("the user's"));
    EXPECT_EQ(TestFiles::tree(files.path(QStringLiteral("out"))),
              QStringList{QStringLiteral("a.txt")});
}

TEST_F(FileTransferTest, StagedReplacementsWaitForTheFlushAndNeverOverwriteANewerEdit) {
    const QString s = files.write(QStringLiteral("in/a.txt"), "new content", at(9, 0, 0));
    const QString d = files.write(QStringLiteral("out/a.txt"), "old", at(8, 0, 0));
    const QString e = files.write(QStringLiteral("out/e.txt"), "old e", at(8, 0, 0));
    const QString f = files.write(QStringLiteral("out/f.txt"), "old f", at(8, 0, 0));
    ASSERT_TRUE(stage(transfer, s, d, QStringLiteral("a")));
    ASSERT_TRUE(stage(transfer, s, e, QStringLiteral("e")));
    ASSERT_TRUE(stage(transfer, s, f, QStringLiteral("f")));
    // The old files stay whole until the batch is placed.
    EXPECT_EQ(TestFiles::read(d), QByteArray("old"));
    // Someone edits e meanwhile: that edit wins, a stays replaceable. f is edited in place
    // to the same length with its time put back: only its change time tells.
    files.write(QStringLiteral("out/e.txt"), "the user's edit", at(10, 0, 0));
    files.write(QStringLiteral("out/f.txt"), "NEW f", at(8, 0, 0));
    const auto failed = transfer.placeStaged();
    ASSERT_EQ(subjectsOf(failed), (QStringList{QStringLiteral("e"), QStringLiteral("f")}));
    EXPECT_EQ(failed.front().failure.kind, TransferFailure::Kind::DestinationChanged);
    EXPECT_EQ(TestFiles::read(d), QByteArray("new content"));
    EXPECT_EQ(TestFiles::modified(d), at(9, 0, 0));
    EXPECT_EQ(TestFiles::read(e), QByteArray("the user's edit"));
    EXPECT_EQ(TestFiles::read(f), QByteArray("NEW f"));
    EXPECT_EQ(
        TestFiles::tree(files.path(QStringLiteral("out"))),
        (QStringList{QStringLiteral("a.txt"), QStringLiteral("e.txt"), QStringLiteral("f.txt")}));
}

TEST_F(FileTransferTest, StagedFilesThatCannotBeFlushedAreNotPlaced) {
    const QString s = files.write(QStringLiteral("in/a.txt"), "data", at(8, 0, 0));
    files.makeDir(QStringLiteral("out"));
    ASSERT_TRUE(stage(transfer, s, files.path(QStringLiteral("out/a.txt")), QStringLiteral("a")));
    fs.failFlush = true;
    EXPECT_EQ(subjectsOf(transfer.placeStaged()), QStringList{QStringLiteral("a")});
    EXPECT_TRUE(TestFiles::tree(files.path(QStringLiteral("out"))).isEmpty());
}

TEST(FileTestsTest, FolderAndFileTests) {
    platform::LocalFileSystem fs;
    FileProbe tests(fs);
    TestFiles files;
    const QString dir = files.makeDir(QStringLiteral("plain"));
    const QString hidden = files.makeDir(QStringLiteral(".hidden"));
    const QString ro = files.makeDir(QStringLiteral("ro"));
    TestFiles::setReadOnly(ro, true);
    const QString file = files.write(QStringLiteral("f.txt"), "abc");
    const QString link = files.path(QStringLiteral("dirlink"));
    QFile::link(dir, link);

    EXPECT_TRUE(tests.IsFolder(dir));
    EXPECT_FALSE(tests.IsFolder(dir + QLatin1Char('/'))) << "a trailing separator is not found";
    EXPECT_FALSE(tests.IsFolder(hidden));
    EXPECT_FALSE(tests.IsFolder(ro));
    EXPECT_FALSE(tests.IsFolder(link));
    EXPECT_FALSE(tests.IsFolder(file));
    EXPECT_FALSE(tests.IsFolder(files.path(QStringLiteral("missing"))));

    EXPECT_TRUE(tests.FileExists(file));
    EXPECT_EQ(tests.FileLength(file), 3);
    EXPECT_EQ(tests.FileLength(dir), std::nullopt);
    EXPECT_FALSE(tests.FileExists(dir));
    EXPECT_FALSE(tests.FileExists(files.path(QStringLiteral("missing"))));
    TestFiles::setReadOnly(ro, false);
}

platform::FileStat timed(std::int64_t seconds, std::int64_t nanoseconds = 0) {
    platform::FileStat st;
    st.exists = st.isRegular = st.readable = true;
    st.times.write = {seconds, nanoseconds};
    return st;
}

constexpr std::int64_t Nanosecond = 1;
constexpr std::int64_t TenMilliseconds = 10'000'000;
constexpr std::int64_t OneSecond = 1'000'000'000;
constexpr std::int64_t TwoSeconds = 2'000'000'000;

TEST(FileTestsTest, TimesCompareAsInstantsToTheStepBothFileSystemsKeep) {
    const std::int64_t noon =
        QDateTime(QDate(2024, 1, 1), QTime(12, 0), Qt::UTC).toSecsSinceEpoch();
    // Nanoseconds on both sides: a change in the same second is a change.
    EXPECT_EQ(compareStamps(timed(noon, 500), timed(noon, 499), Nanosecond),
              StampOrder::FirstNewer);
    EXPECT_EQ(compareStamps(timed(noon), timed(noon, 999999999), Nanosecond),
              StampOrder::SecondNewer);
    EXPECT_EQ(compareStamps(timed(noon, 7), timed(noon, 7), Nanosecond), StampOrder::Equal);
    // Across a second boundary, in either direction.
    EXPECT_EQ(compareStamps(timed(noon + 1, 1), timed(noon, 999999999), TenMilliseconds),
              StampOrder::Equal);
    EXPECT_EQ(compareStamps(timed(noon, 990000000), timed(noon + 1), TenMilliseconds),
              StampOrder::SecondNewer);
    EXPECT_EQ(compareStamps(timed(noon), timed(noon, 999999999), OneSecond), StampOrder::Equal);
    EXPECT_EQ(compareStamps(timed(noon + 1), timed(noon), OneSecond), StampOrder::FirstNewer);
    // Two-second steps: one second apart is the same time, two are not.
    EXPECT_EQ(compareStamps(timed(noon + 1), timed(noon), TwoSeconds), StampOrder::Equal);
    EXPECT_EQ(compareStamps(timed(noon), timed(noon + 1), TwoSeconds), StampOrder::Equal);
    EXPECT_EQ(compareStamps(timed(noon + 2), timed(noon), TwoSeconds), StampOrder::FirstNewer);
    // Times centuries apart neither overflow nor look equal.
    EXPECT_EQ(compareStamps(timed(INT64_MAX / 2), timed(-INT64_MAX / 2), Nanosecond),
              StampOrder::FirstNewer);
    // A file without a time of its own is older than any file, and equal to another such.
    platform::FileStat missing;
    platform::FileStat unreadable = timed(noon);
    unreadable.readable = false;
    EXPECT_EQ(compareStamps(missing, timed(-5000000000), OneSecond), StampOrder::SecondNewer);
    EXPECT_EQ(compareStamps(timed(0), unreadable, TwoSeconds), StampOrder::FirstNewer);
    EXPECT_EQ(compareStamps(missing, unreadable, Nanosecond), StampOrder::Equal);
}

TEST(FileTestsTest, TheHourAfterTheAutumnClockChangeIsNotTheHourBefore) {
    // In Berlin 2024-10-27 02:30 happens twice: an hour apart, one local-time text.
    const QTimeZone berlin("Europe/Berlin");
    ASSERT_TRUE(berlin.isValid());
    const QDateTime first = QDateTime(QDate(2024, 10, 27), QTime(0, 30), Qt::UTC);
    const QDateTime second = first.addSecs(3600);
    ASSERT_EQ(first.toTimeZone(berlin).toString(QStringLiteral("yyyyMMddHHmmss")),
              second.toTimeZone(berlin).toString(QStringLiteral("yyyyMMddHHmmss")));
    EXPECT_EQ(
        compareStamps(timed(second.toSecsSinceEpoch()), timed(first.toSecsSinceEpoch()), OneSecond),
        StampOrder::FirstNewer);
}

} // namespace
