#include "CliRunner.h"
#include "LogLines.h"
#include "TestFiles.h"
#include "VolumeImages.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <gmock/gmock.h>

#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace quillet::test;
using ::testing::Not;

namespace {

QString text(const char* ascii) {
    return QString::fromLatin1(ascii);
}

// Makes a file whose name is these bytes, which need not be valid UTF-8.
void writeRaw(const std::string& path, const QByteArray& content) {
    const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
    ASSERT_GE(fd, 0) << path;
    ASSERT_EQ(::write(fd, content.constData(), static_cast<std::size_t>(content.size())),
              content.size());
    ::close(fd);
}

bool existsRaw(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// Writes a file at a full path (on the drive) and gives it a modification time.
void writeAt(const QString& path, const QByteArray& content, const QDateTime& modified) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    file.write(content);
    file.close();
    TestFiles::setModified(path, modified);
}

mode_t modeOf(const QString& path) {
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 07777;
}

// A paired drive of each kind, with the folder "home/docs" kept in step with "backup/".
class DataSafetyVolumeTest : public ::testing::TestWithParam<VolumeKind> {
protected:
    void SetUp() override {
        m_stick = m_volumes.mount(GetParam());
        if (!m_stick)
            GTEST_SKIP() << m_volumes.whyNot().toStdString();
        ASSERT_THAT(m_cli.run({text("pair"), m_stick->root()}), ExitsWith(0));
        ASSERT_TRUE(QDir().mkpath(m_stick->root() + text("backup")));
        m_home.makeDir(text("home/docs"));
    }
    void addDocs() {
        ASSERT_THAT(m_cli.run({text("add-folder"), docs(), m_stick->root() + text("backup")}),
                    ExitsWith(0));
    }
    QString docs(const QString& rel = QString()) const {
        return m_home.path(text("home/docs/")) + rel;
    }
    QString backup(const QString& rel = QString()) const {
        return m_stick->root() + text("backup/") + rel;
    }
    // Whatever sits in the folder of a drive that went away is on the system disk.
    QStringList bareMountPoint(const QString& point) const { return TestFiles::tree(point); }

    VolumeImages m_volumes;
    MountedVolume* m_stick = nullptr;
    CliRunner m_cli;
    TestFiles m_home;
};

TEST_P(DataSafetyVolumeTest, EveryNameTravelsExactlyOrFailsWithAReason) {
    const bool fat = m_stick->foldsCase();
    m_home.write(text("home/docs/ lead.txt"), "lead", at(8, 0, 0));
    m_home.write(text("home/docs/Photos 2023 /p.jpg"), "photo", at(8, 0, 0));
    m_home.write(text("home/docs/a:b.txt"), "colon", at(8, 0, 0));
    m_home.write(text("home/docs/Report.txt"), "upper", at(8, 0, 0));
    m_home.write(text("home/docs/report.txt"), "lower", at(8, 0, 0));
    const std::string latin1 = std::string("caf") + '\xe9';
    writeRaw(docs().toStdString() + latin1, "menu");
    // A small tar archive: its last blocks are zeros, which FAT cannot leave as a hole.
    QByteArray tar(64 * 1024, '\0');
    tar.replace(0, 5, "hello");
    m_home.write(text("home/docs/small.tar"), tar, at(8, 0, 0));
    addDocs();

    const CliOutcome first = m_cli.run({text("sync")});
    EXPECT_EQ(TestFiles::read(backup(text(" lead.txt"))), QByteArray("lead")) << first;
    EXPECT_EQ(TestFiles::read(backup(text("Photos 2023 /p.jpg"))), QByteArray("photo"));
    EXPECT_EQ(TestFiles::read(backup(text("small.tar"))), tar);
    EXPECT_EQ(TestFiles::read(backup(text("Report.txt"))), QByteArray("upper"));
    if (!fat) {
        EXPECT_THAT(first, ExitsWith(0));
        EXPECT_EQ(TestFiles::read(backup(text("report.txt"))), QByteArray("lower"));
        EXPECT_EQ(TestFiles::read(backup(text("a:b.txt"))), QByteArray("colon"));
        EXPECT_TRUE(existsRaw(backup().toStdString() + latin1));
    } else {
        // One name never stands in for another, and what the drive refuses says why.
        EXPECT_THAT(first, ExitsWith(3));
        EXPECT_THAT(first, PrintsOut(docs(text("report.txt")) +
                                     failed(text("another file differs only in case"))));
        EXPECT_THAT(first, PrintsOut(docs(text("a:b.txt")) +
                                     failed(text("name not allowed on this drive"))));
        EXPECT_THAT(first, PrintsOut(docs(text("caf\\xE9")) +
                                     failed(text("name not allowed on this drive"))));
        EXPECT_FALSE(existsRaw(backup().toStdString() + latin1));
    }
    // Nothing was written over either spelling, now or at a later pass.
    m_home.write(text("home/docs/report.txt"), "lower, edited", at(9, 0, 0));
    m_cli.run({text("sync")});
    const CliOutcome third = m_cli.run({text("sync")});
    EXPECT_EQ(TestFiles::read(docs(text("Report.txt"))), QByteArray("upper")) << third;
    EXPECT_EQ(TestFiles::read(docs(text("report.txt"))), QByteArray("lower, edited"));
    EXPECT_EQ(TestFiles::read(backup(text("Report.txt"))), QByteArray("upper"));
    EXPECT_THAT(third, PrintsOut(docs(text(" lead.txt")) + NoChanges));
    EXPECT_THAT(third, PrintsOut(docs(text("small.tar")) + NoChanges));
}

// An editor that saves twice within a second: the record of the last pass tells the second
// save from the first on every kind of drive. Without a record, FAT and exFAT through FUSE
// (seconds at best) cannot tell it by the times, and the pair says why it is not in step
// instead of "No changes".
TEST_P(DataSafetyVolumeTest, AChangeInTheSameSecondIsCopied) {
    const QString a = m_home.write(text("home/docs/a.txt"), "saved once");
    TestFiles::setModified(a, at(9, 0, 0), 100'000'000);
    addDocs();
    ASSERT_THAT(m_cli.run({text("sync")}), ExitsWith(0));
    m_home.write(text("home/docs/a.txt"), "saved once, then again");
    TestFiles::setModified(a, at(9, 0, 0), 600'000'000);
    const CliOutcome pass = m_cli.run({text("sync")});
    EXPECT_THAT(pass, ExitsWith(0));
    EXPECT_EQ(TestFiles::read(backup(text("a.txt"))), QByteArray("saved once, then again")) << pass;

    ASSERT_TRUE(
        QDir(QFileInfo(m_cli.logPath()).absolutePath() + text("/records")).removeRecursively());
    m_home.write(text("home/docs/a.txt"), "and a third time, longer");
    TestFiles::setModified(a, at(9, 0, 0), 900'000'000);
    const CliOutcome blind = m_cli.run({text("sync")});
    if (GetParam() == VolumeKind::Ext4) {
        EXPECT_THAT(blind, ExitsWith(0));
        EXPECT_EQ(TestFiles::read(backup(text("a.txt"))), QByteArray("and a third time, longer"))
            << blind;
    } else {
        EXPECT_THAT(blind, ExitsWith(3));
        EXPECT_THAT(blind, PrintsOut(docs(text("a.txt")) +
                                     failed(text("both copies have the same time but differ"))));
        EXPECT_EQ(TestFiles::read(backup(text("a.txt"))), QByteArray("saved once, then again"))
            << blind;
    }
}

// Edited on the PC on Monday and on the drive on Tuesday: the newer keeps the name, the
// other is kept beside it and reaches the other side at the next pass, on every kind of drive
// (FAT's 2-second times included).
TEST_P(DataSafetyVolumeTest, BothSidesEditedKeepsBothVersions) {
    m_home.write(text("home/docs/report.odt"), "agreed", at(8, 0, 0));
    addDocs();
    ASSERT_THAT(m_cli.run({text("sync")}), ExitsWith(0));
    m_home.write(text("home/docs/report.odt"), "Monday on the PC", at(9, 0, 0));
    writeAt(backup(text("report.odt")), "Tuesday on the drive", at(10, 0, 0));
    const CliOutcome pass = m_cli.run({text("sync")});
    EXPECT_THAT(pass, ExitsWith(0));
    EXPECT_EQ(TestFiles::read(docs(text("report.odt"))), QByteArray("Tuesday on the drive"));
    const QStringList kept = QDir(docs()).entryList({text("report (conflict * pc).odt")});
    ASSERT_EQ(kept.size(), 1) << pass;
    EXPECT_EQ(TestFiles::read(docs(kept.first())), QByteArray("Monday on the PC"));
    EXPECT_THAT(pass, PrintsOut(docs(text("report.odt")) +
                                text(" - Both copies changed: kept as ") + docs(kept.first())));
    const CliOutcome next = m_cli.run({text("sync")});
    EXPECT_THAT(next, ExitsWith(0));
    EXPECT_EQ(TestFiles::read(backup(kept.first())), QByteArray("Monday on the PC")) << next;
}

// Starts a pass, stops the tool the moment it writes the big file's temporary copy on the
// drive, lets the test pull the drive, then lets the pass go on.
class UnplugTest : public DataSafetyVolumeTest {
protected:
    CliOutcome passWhileTheDriveGoes(const std::function<::testing::AssertionResult()>& pull) {
        auto process = m_cli.start({text("sync")});
        const QString folder = m_stick->root() + text("files");
        QElapsedTimer waited;
        waited.start();
        bool caught = false;
        while (!caught && waited.elapsed() < 60000 && process->state() != QProcess::NotRunning) {
            for (const QString& name : QDir(folder).entryList(QDir::Hidden | QDir::Files)) {
                if (name.startsWith(text(".quillet~")))
                    caught = true;
            }
            if (!caught)
                QThread::usleep(200);
        }
        const qint64 pid = process->processId();
        if (caught)
            ::kill(static_cast<pid_t>(pid), SIGSTOP);
        const ::testing::AssertionResult pulled = pull();
        if (caught)
            ::kill(static_cast<pid_t>(pid), SIGCONT);
        EXPECT_TRUE(caught) << "the copy was over before it could be caught";
        EXPECT_TRUE(pulled);
        return m_cli.finish(*process);
    }
};

TEST_P(UnplugTest, WritesMeantForAPulledDriveLandOnItOrFail) {
    // A file row with a large file, then a folder row of small ones.
    const QString big = m_home.write(text("home/big.bin"), QByteArray(24 << 20, 'b'), at(8, 0, 0));
    ASSERT_TRUE(QDir().mkpath(m_stick->root() + text("files")));
    ASSERT_THAT(m_cli.run({text("add"), big, m_stick->root() + text("files")}), ExitsWith(0));
    for (int i = 0; i < 20; ++i)
        m_home.write(text("home/docs/sub%1/f%2.txt").arg(i % 3).arg(i), "small", at(8, 0, 0));
    addDocs();
    // What the drive holds before the pass is safely on it (a killed FUSE process loses
    // what it had not written out yet, its folders included).
    ASSERT_TRUE(m_stick->unmount());
    ASSERT_TRUE(m_stick->mountAgain(MountPoint::Same));
    const QString point = m_stick->root();

    const CliOutcome pass = passWhileTheDriveGoes([&] { return m_stick->pullOut(); });
    EXPECT_THAT(pass, ExitsWith(3));
    EXPECT_THAT(pass, PrintsOut(big + failed(text("the drive was removed"))));
    EXPECT_THAT(pass, PrintsOut(docs(text("sub0/f0.txt")) + failed(text("the drive was removed"))));
    EXPECT_THAT(pass, PrintsOut(text("\tError\n")));
    EXPECT_THAT(pass, Not(PrintsOut(text("Synchronized at "))));
    // The bare mount point on the system disk holds nothing of the pass.
    EXPECT_EQ(bareMountPoint(point), QStringList()) << pass;

    // Back again: what the killed copy left behind is cleared, and every file arrives.
    ASSERT_TRUE(m_stick->mountAgain(MountPoint::Same));
    const CliOutcome again = m_cli.run({text("sync")});
    EXPECT_THAT(again, ExitsWith(0));
    EXPECT_EQ(TestFiles::read(m_stick->root() + text("files/big.bin")), TestFiles::read(big));
    EXPECT_EQ(TestFiles::read(backup(text("sub2/f8.txt"))), QByteArray("small"));
    for (const QString& name : TestFiles::tree(m_stick->root()))
        EXPECT_FALSE(name.contains(text(".quillet~"))) << name.toStdString() << again;
}

TEST_P(UnplugTest, ADeviceThatFailsUnderThePassIsReportedFileByFile) {
    const QString big = m_home.write(text("home/big.bin"), QByteArray(24 << 20, 'b'), at(8, 0, 0));
    ASSERT_TRUE(QDir().mkpath(m_stick->root() + text("files")));
    ASSERT_THAT(m_cli.run({text("add"), big, m_stick->root() + text("files")}), ExitsWith(0));
    for (int i = 0; i < 5; ++i)
        m_home.write(text("home/docs/f%1.txt").arg(i), "small", at(8, 0, 0));
    addDocs();

    const CliOutcome pass = passWhileTheDriveGoes([&] { return m_stick->failDevice(); });
    EXPECT_THAT(pass, ExitsWith(3));
    const QString reason = m_stick->isFuse() ? text("the drive was removed")
                                             : text("the drive reported a read or write error");
    EXPECT_THAT(pass, PrintsOut(docs(text("f0.txt")) + failed(reason)));
    EXPECT_THAT(pass, Not(PrintsOut(text("Synchronized at "))));
}

INSTANTIATE_TEST_SUITE_P(EveryKind, DataSafetyVolumeTest, EveryVolumeKind(), KindName());
INSTANTIATE_TEST_SUITE_P(EveryKind, UnplugTest, EveryVolumeKind(), KindName());

// FAT and exFAT show every file with the same permissions (0777 or 0755): none of that may
// reach the user's files.
class PermissionsTest : public DataSafetyVolumeTest {};

TEST_P(PermissionsTest, LocalFilesKeepTheirOwnPermissions) {
    const QString secret = m_home.write(text("home/docs/secret.txt"), "v1", at(8, 0, 0));
    ::chmod(QFile::encodeName(secret).constData(), 0600);
    addDocs();
    ASSERT_THAT(m_cli.run({text("sync")}), ExitsWith(0));
    // Changed on the drive: the local file is replaced and keeps 0600; a new file from the
    // drive gets the user's default permissions.
    writeAt(backup(text("secret.txt")), "v2 from the drive", at(10, 0, 0));
    writeAt(backup(text("new.txt")), "new", at(10, 0, 0));
    const mode_t mask = ::umask(022);
    const CliOutcome pass = m_cli.run({text("sync")});
    ::umask(mask);
    EXPECT_THAT(pass, ExitsWith(0));
    EXPECT_EQ(TestFiles::read(secret), QByteArray("v2 from the drive")) << pass;
    EXPECT_EQ(modeOf(secret), 0600u);
    EXPECT_EQ(modeOf(docs(text("new.txt"))) & 0111, 0u) << "nothing becomes executable";
    EXPECT_EQ(modeOf(docs(text("new.txt"))) & 0022, 0u) << "nothing becomes writable by others";
}

INSTANTIATE_TEST_SUITE_P(FoldingKinds, PermissionsTest,
                         ::testing::Values(VolumeKind::Fat16, VolumeKind::ExFat), KindName());

// What a pass reported done is on the disk: a power cut right after it (ext4 dropping what
// its journal has not committed) leaves every reported copy, first copies and replacements,
// of file items and folder items alike.
TEST(PowerCutTest, WhatAPassReportedDoneSurvivesACutRightAfterIt) {
    VolumeImages volumes;
    MountedVolume* stick = volumes.mount(VolumeKind::Ext4);
    if (!stick)
        GTEST_SKIP() << volumes.whyNot().toStdString();
    CliRunner cli;
    TestFiles home;
    ASSERT_THAT(cli.run({text("pair"), stick->root()}), ExitsWith(0));
    const QString row = home.write(text("row.bin"), "none yet", at(7, 0, 0));
    home.write(text("docs/a.txt"), "none yet", at(7, 0, 0));
    ASSERT_TRUE(QDir().mkpath(stick->root() + text("backup")));
    // The file item last: no flush of a later item may carry its copy to the disk.
    ASSERT_THAT(
        cli.run({text("add-folder"), home.path(text("docs")), stick->root() + text("backup")}),
        ExitsWith(0));
    ASSERT_THAT(cli.run({text("add"), row, stick->root()}), ExitsWith(0));
    int hour = 8;
    for (const QByteArray& version : {QByteArray("first version"), QByteArray("second, longer")}) {
        home.write(text("row.bin"), version, at(hour, 0, 0));
        home.write(text("docs/a.txt"), version, at(hour, 0, 0));
        ++hour;
        const CliOutcome pass = cli.run({text("sync")});
        ASSERT_THAT(pass, ExitsWith(0));
        ASSERT_TRUE(stick->failDevice());
        ASSERT_TRUE(stick->unmount());
        ASSERT_TRUE(stick->mountAgain(MountPoint::Same));
        EXPECT_EQ(TestFiles::read(stick->root() + text("row.bin")), version) << pass;
        EXPECT_EQ(TestFiles::read(stick->root() + text("backup/a.txt")), version) << pass;
    }
}

// A drive too small for a file: the reason is the space, whatever words the drive uses.
TEST(FullDriveTest, SaysThereIsNoSpaceLeftOnEveryKind) {
    for (const VolumeKind kind : {VolumeKind::Ext4, VolumeKind::Fat16, VolumeKind::ExFat}) {
        VolumeImages volumes;
        MountedVolume* stick = volumes.mount(kind, VolumeSize::Small);
        if (!stick)
            GTEST_SKIP() << volumes.whyNot().toStdString();
        CliRunner cli;
        TestFiles home;
        ASSERT_THAT(cli.run({text("pair"), stick->root()}), ExitsWith(0));
        const QString big = home.write(text("big.bin"), QByteArray(12 << 20, 'x'), at(8, 0, 0));
        ASSERT_THAT(cli.run({text("add"), big, stick->root()}), ExitsWith(0));
        const CliOutcome pass = cli.run({text("sync")});
        EXPECT_THAT(pass, ExitsWith(3)) << kindName(kind);
        EXPECT_THAT(pass, PrintsOut(big + failed(text("no space left on the drive"))))
            << kindName(kind);
        EXPECT_FALSE(QFile::exists(stick->root() + text("big.bin")));
    }
}

// The drive mounted inside the synced folder, reached through a link: never copied into
// itself, however many passes run.
TEST(NestedDriveTest, ADriveInsideTheSyncedFolderIsNotCopiedIntoItself) {
    VolumeImages volumes;
    MountedVolume* stick = volumes.mount(VolumeKind::Ext4);
    if (!stick)
        GTEST_SKIP() << volumes.whyNot().toStdString();
    TestFiles home;
    CliRunner cli;
    const QString real = home.makeDir(text("real/docs"));
    ASSERT_TRUE(QFile::link(home.path(text("real")), home.path(text("via"))));
    home.write(text("real/docs/a.txt"), "a", at(8, 0, 0));
    // The same volume, seen a second time inside the local folder.
    const QString inside = home.makeDir(text("real/docs/stick"));
    ASSERT_EQ(QProcess::execute(text("mount"), {text("--bind"), stick->root(), inside}), 0);
    ASSERT_THAT(cli.run({text("pair"), stick->root()}), ExitsWith(0));
    ASSERT_TRUE(QDir().mkpath(stick->root() + text("backup")));
    ASSERT_THAT(
        cli.run({text("add-folder"), home.path(text("via/docs")), stick->root() + text("backup")}),
        ExitsWith(0));
    for (int pass = 0; pass < 3; ++pass)
        cli.run({text("sync")});
    QProcess::execute(text("umount"), {inside});
    EXPECT_EQ(TestFiles::tree(stick->root() + text("backup")), QStringList{text("a.txt")});
}

} // namespace
