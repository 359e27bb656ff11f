#include "CliRunner.h"
#include "TestFiles.h"
#include "VolumeImages.h"

#include <QDir>
#include <QProcess>
#include <QThread>

#include <gmock/gmock.h>

#include <csignal>

using namespace quillet::test;

namespace {

QString text(const char* ascii) {
    return QString::fromLatin1(ascii);
}

// The drive is known by its serial and size under whatever mount point it gets, on each kind
// of file system a stick may carry.
class DriveIdentityTest : public ::testing::TestWithParam<VolumeKind> {};

TEST_P(DriveIdentityTest, IsListedPairedAndRecognisedUnderAnotherMountPoint) {
    VolumeImages volumes;
    MountedVolume* stick = volumes.mount(GetParam());
    if (!stick)
        GTEST_SKIP() << volumes.whyNot().toStdString();
    CliRunner cli;
    TestFiles home;

    EXPECT_THAT(cli.run({text("drives"), text("--all")}), PrintsOut(stick->root() + text("  [ ")));
    EXPECT_THAT(cli.run({text("pair"), stick->root()}),
                PrintsOut(QStringLiteral("Paired %1 (serial %2, %3 bytes).")
                              .arg(stick->root())
                              .arg(stick->serial())
                              .arg(stick->totalBytes())));

    // A file goes to the drive, then the drive comes back under another mount point.
    const QString local = home.write(text("home/report.txt"), "report", at(8, 0, 0));
    ASSERT_TRUE(QDir().mkpath(stick->root() + text("backup")));
    ASSERT_THAT(cli.run({text("add"), local, stick->root() + text("backup")}), ExitsWith(0));
    ASSERT_THAT(cli.run({text("sync")}), ExitsWith(0));
    const QString first = stick->root();
    ASSERT_TRUE(stick->unmount());
    ASSERT_TRUE(stick->mountAgain(MountPoint::New));
    ASSERT_NE(stick->root(), first);

    EXPECT_THAT(cli.run({text("status")}), PrintsOut(text("Present: yes, at ") + stick->root()));
    const CliOutcome listed = cli.run({text("list")});
    EXPECT_EQ(listed.out, local + text("\t6\t") + stick->root() + text("backup/report.txt\n"))
        << listed;
    home.write(text("home/report.txt"), "report v2", at(9, 0, 0));
    EXPECT_THAT(cli.run({text("sync")}), ExitsWith(0));
    EXPECT_EQ(TestFiles::read(stick->root() + text("backup/report.txt")), QByteArray("report v2"));

    // Paired to its mount point only: elsewhere it is absent.
    ASSERT_THAT(cli.run({text("pair"), stick->root(), text("--same-root"), text("--yes")}),
                ExitsWith(0));
    ASSERT_TRUE(stick->unmount());
    ASSERT_TRUE(stick->mountAgain(MountPoint::New));
    EXPECT_THAT(cli.run({text("status")}), PrintsOut(text("Present: no")));
    EXPECT_THAT(cli.run({text("sync")}), ExitsWith(2));
}

INSTANTIATE_TEST_SUITE_P(EveryKind, DriveIdentityTest, EveryVolumeKind(), KindName());

// FAT keeps times in 2-second steps: a file with an odd second must not be copied again at
// every pass, whether it is a file row or lies in a folder row.
class FatTimesTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_stick = m_volumes.mount(VolumeKind::Fat16);
        if (!m_stick)
            GTEST_SKIP() << m_volumes.whyNot().toStdString();
        ASSERT_THAT(m_cli.run({text("pair"), m_stick->root()}), ExitsWith(0));
    }

    // fusefat keeps the time it was given for about a second before the one it stored shows.
    bool showsStoredTime(const QString& path, const QDateTime& stored) {
        for (int waited = 0; waited < 50 && TestFiles::modified(path) != stored; ++waited)
            QThread::msleep(100);
        return TestFiles::modified(path) == stored;
    }

    VolumeImages m_volumes;
    MountedVolume* m_stick = nullptr;
    CliRunner m_cli;
    TestFiles m_home;
};

TEST_F(FatTimesTest, OddSecondFileRowIsCopiedOnceThenUnchanged) {
    QDir().mkpath(m_stick->root() + text("dest"));
    const QString local = m_home.write(text("home/odd.txt"), "odd second", at(10, 0, 1));
    ASSERT_THAT(m_cli.run({text("add"), local, m_stick->root() + text("dest")}), ExitsWith(0));

    EXPECT_THAT(m_cli.run({text("sync")}),
                PrintsOut(local + text(" - Synchronized Local Drive to Removable Drive")));
    ASSERT_TRUE(showsStoredTime(m_stick->root() + text("dest/odd.txt"), at(10, 0, 0)));
    for (int pass = 0; pass < 2; ++pass) {
        const CliOutcome again = m_cli.run({text("sync")});
        EXPECT_THAT(again, ExitsWith(0));
        EXPECT_THAT(again, PrintsOut(local + text(" - Not Synchronized (No changes)")));
        EXPECT_THAT(again, ::testing::Not(PrintsOut(text(" - Synchronized "))));
    }
    EXPECT_EQ(TestFiles::read(local), QByteArray("odd second"));
    EXPECT_EQ(TestFiles::modified(local), at(10, 0, 1));
}

TEST_F(FatTimesTest, OddSecondFileInAFolderRowIsCopiedOnceThenUnchanged) {
    const QString local = m_home.write(text("home/photos/odd.jpg"), "odd second", at(10, 0, 1));
    m_home.write(text("home/photos/even.jpg"), "even second", at(10, 0, 2));
    const QString copy = m_stick->root() + text("photos/odd.jpg");
    ASSERT_TRUE(QDir().mkpath(m_stick->root() + text("photos")));
    ASSERT_THAT(m_cli.run({text("add-folder"), m_home.path(text("home/photos")),
                           m_stick->root() + text("photos")}),
                ExitsWith(0));

    ASSERT_THAT(m_cli.run({text("sync")}), ExitsWith(0));
    EXPECT_EQ(TestFiles::read(copy), QByteArray("odd second"));
    ASSERT_TRUE(showsStoredTime(copy, at(10, 0, 0)));
    for (int pass = 0; pass < 2; ++pass) {
        const CliOutcome again = m_cli.run({text("sync")});
        EXPECT_THAT(again, ExitsWith(0));
        EXPECT_THAT(again, PrintsOut(local + text(" - Not Synchronized (No changes)")));
        EXPECT_THAT(again, ::testing::Not(PrintsOut(text(" - Synchronized "))));
    }
    EXPECT_EQ(TestFiles::read(local), QByteArray("odd second"));
    EXPECT_EQ(TestFiles::modified(local), at(10, 0, 1));
    EXPECT_EQ(TestFiles::modified(copy), at(10, 0, 0));
}

// The root file system is a real volume, so the watch can run against it without mounting.
TEST(WatchCommandTest, PassesWhenTheDriveIsFoundAndStopsCleanlyOnTerminate) {
    VolumeImages volumes;
    MountedVolume* stick = volumes.mount(VolumeKind::Ext4);
    if (!stick)
        GTEST_SKIP() << volumes.whyNot().toStdString();
    TestFiles files;
    CliRunner cli;
    ASSERT_THAT(cli.run({text("pair"), stick->root()}), ExitsWith(0));
    const QString local = files.write(text("home/a.txt"), "a", at(8, 0, 0));
    const QString dest = stick->root() + text("dest");
    ASSERT_TRUE(QDir().mkpath(dest));
    ASSERT_THAT(cli.run({text("add"), local, dest}), ExitsWith(0));

    const std::unique_ptr<QProcess> watch = cli.start({text("watch")});
    QString out;
    for (int tries = 0; tries < 100 && !out.contains(text("Last synchronization ended")); ++tries) {
        watch->waitForReadyRead(100);
        out += QString::fromUtf8(watch->readAllStandardOutput());
    }
    ASSERT_TRUE(out.contains(text("Drive found at ") + stick->root())) << out.toStdString();
    ::kill(static_cast<pid_t>(watch->processId()), SIGTERM);
    CliOutcome stopped = cli.finish(*watch, 10);
    stopped.out.prepend(out);
    EXPECT_THAT(stopped, ExitsWith(0));
    EXPECT_TRUE(stopped.out.endsWith(text("Stopped.\n"))) << stopped;
    EXPECT_EQ(TestFiles::read(dest + text("/a.txt")), QByteArray("a"));
    // The log of the pass is complete and closed.
    const QByteArray log = TestFiles::read(cli.logPath());
    EXPECT_TRUE(log.startsWith("Last synchronization started at: "));
    EXPECT_TRUE(log.contains("Last synchronization ended at: "));
}

} // namespace
