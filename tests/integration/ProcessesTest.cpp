#include "CliRunner.h"
#include "TestFiles.h"
#include "VolumeImages.h"
#include "platform/UserLock.h"
#include "sync/SyncRecord.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <gmock/gmock.h>

#include <algorithm>
#include <csignal>

#include <memory>
#include <random>
#include <vector>

using namespace quillet;
using namespace quillet::test;
using ::testing::HasSubstr;

namespace {

// Several quillet-cli processes at once, as a user's terminal, a cron job and the watch would
// run them, over one ext4 drive of the test's own.
class ProcessesTest : public ::testing::Test {
protected:
    void SetUp() override {
        drive = volumes.mount(VolumeKind::Ext4);
        if (!drive)
            GTEST_SKIP() << volumes.whyNot().toStdString();
        root = drive->root();
        ASSERT_THAT(cli.run({QStringLiteral("pair"), root}), ExitsWith(0));
    }
    void TearDown() override {
        for (const auto& process : running) {
            process->kill();
            process->waitForFinished(5000);
        }
    }

    CliOutcome run(const QStringList& args) { return cli.run(args); }
    // A process left running; the test reads its output as it comes.
    QProcess& start(const QStringList& args) {
        running.push_back(cli.start(args));
        EXPECT_EQ(running.back()->state(), QProcess::Running);
        return *running.back();
    }
    CliOutcome finish(QProcess& process) { return cli.finish(process); }
    // Reads the output of process into seen until it holds text past from.
    static bool waitFor(QProcess& process, QString& seen, const QString& text, qsizetype from = 0,
                        int seconds = 30) {
        for (int tenths = 0; tenths < seconds * 10; ++tenths) {
            seen += QString::fromUtf8(process.readAllStandardOutput());
            if (seen.indexOf(text, from) >= 0)
                return true;
            if (process.state() == QProcess::NotRunning)
                return false;
            process.waitForReadyRead(100);
        }
        return false;
    }
    // The lock another process of the same user holds while it passes.
    std::unique_ptr<quillet::platform::UserLock> passLock() const {
        return std::make_unique<quillet::platform::UserLock>(
            quillet::platform::UserLock::nameFor(QStringLiteral("pass"), cli.settingsPath()),
            cli.environment().value(QStringLiteral("XDG_RUNTIME_DIR")));
    }

    VolumeImages volumes;
    MountedVolume* drive = nullptr;
    QString root;
    CliRunner cli;
    TestFiles files;
    std::vector<std::unique_ptr<QProcess>> running;
};

// A pass killed at any moment, its record's write included, leaves the record it found or the
// one it wrote: never a mix, which the next pass would read as nothing known.
TEST_F(ProcessesTest, APassKilledAnywhereLeavesItsRecordWhole) {
    constexpr int Files = 1500;
    for (int i = 0; i < Files; ++i)
        files.write(QStringLiteral("home/docs/f%1.txt").arg(i), "x", at(8, 0, 0));
    QDir().mkpath(root + QStringLiteral("backup"));
    const QString docs = files.path(QStringLiteral("home/docs"));
    ASSERT_THAT(run({QStringLiteral("add-folder"), docs, root + QStringLiteral("backup")}),
                ExitsWith(0));
    ASSERT_THAT(run({QStringLiteral("sync")}), ExitsWith(0));
    // How long a pass takes: the record is written at its end, where most kills should land.
    QElapsedTimer timer;
    timer.start();
    ASSERT_THAT(run({QStringLiteral("sync")}), ExitsWith(0));
    const auto passMs = static_cast<unsigned>(std::max<qint64>(timer.elapsed(), 10));
    const QString key = docs + QStringLiteral("\n:/backup/");
    const auto entries = [&] {
        QDirIterator found(QFileInfo(cli.logPath()).absolutePath() + QStringLiteral("/records"),
                           {QStringLiteral("*.record")}, QDir::Files, QDirIterator::Subdirectories);
        EXPECT_TRUE(found.hasNext());
        SyncRecord record(found.next(), key);
        record.load();
        return record.size();
    };
    ASSERT_EQ(entries(), static_cast<std::size_t>(Files));
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    for (int round = 0; round < 10; ++round) {
        // A change on the PC to a tenth of the files: every pass has a new record to write.
        for (int i = round; i < Files; i += 10)
            files.write(QStringLiteral("home/docs/f%1.txt").arg(i), "pc", at(9, round, 0));
        QProcess& pass = start({QStringLiteral("sync")});
        QThread::msleep(passMs / 2 + random() % passMs);
        ::kill(static_cast<pid_t>(pass.processId()), SIGKILL);
        pass.waitForFinished(10000);
        EXPECT_EQ(entries(), static_cast<std::size_t>(Files)) << "seed " << seed;
    }
}

TEST_F(ProcessesTest, EightAddsAtOnceKeepEveryItem) {
    QDir().mkpath(root + QStringLiteral("backup"));
    QStringList locals;
    for (int i = 0; i < 8; ++i)
        locals << files.write(QStringLiteral("home/file%1.txt").arg(i), "x");
    std::vector<QProcess*> adds;
    for (const QString& local : locals)
        adds.push_back(&start({QStringLiteral("add"), local, root + QStringLiteral("backup")}));
    for (QProcess* add : adds)
        EXPECT_THAT(finish(*add), ExitsWith(0));
    const CliOutcome list = run({QStringLiteral("list")});
    const QStringList lines = list.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    EXPECT_EQ(lines.size(), 8) << list.out.toStdString();
    for (const QString& local : locals)
        EXPECT_TRUE(list.out.contains(local + QLatin1Char('\t'))) << local.toStdString();
}

TEST_F(ProcessesTest, ARunningWatchSeesWhatOtherProcessesChange) {
    QDir().mkpath(root + QStringLiteral("backup"));
    const QString a = files.write(QStringLiteral("home/a.txt"), "a", at(8, 0, 0));
    const QString b = files.write(QStringLiteral("home/b.txt"), "b", at(8, 0, 0));
    ASSERT_THAT(run({QStringLiteral("refresh"), QStringLiteral("0")}), ExitsWith(0));
    ASSERT_THAT(run({QStringLiteral("add"), a, root + QStringLiteral("backup")}), ExitsWith(0));

    QProcess& watch = start({QStringLiteral("watch")});
    const QString ended = QStringLiteral("Last synchronization ended at: ");
    QString seen;
    ASSERT_TRUE(waitFor(watch, seen, ended)) << seen.toStdString();
    EXPECT_EQ(TestFiles::read(root + QStringLiteral("backup/a.txt")), QByteArray("a"));

    // An item added elsewhere is copied by the watch's next pass.
    ASSERT_THAT(run({QStringLiteral("add"), b, root + QStringLiteral("backup")}), ExitsWith(0));
    qsizetype from = seen.size();
    ASSERT_TRUE(waitFor(watch, seen, ended, from)) << seen.toStdString();
    EXPECT_EQ(TestFiles::read(root + QStringLiteral("backup/b.txt")), QByteArray("b"));

    // An item removed elsewhere is left out of the next pass, and a new mode is followed.
    ASSERT_THAT(run({QStringLiteral("remove"), QStringLiteral("1")}), ExitsWith(0));
    ASSERT_THAT(run({QStringLiteral("mode"), QStringLiteral("2")}), ExitsWith(0));
    files.write(QStringLiteral("home/b.txt"), "b, newer here", at(9, 0, 0));
    from = seen.size();
    ASSERT_TRUE(waitFor(watch, seen, ended, from)) << seen.toStdString();
    const QString pass = seen.mid(from);
    EXPECT_FALSE(pass.contains(a)) << pass.toStdString();
    // Mode 2 copies from the drive whichever side is newer.
    EXPECT_THAT(
        pass.toStdString(),
        HasSubstr(
            (b + QStringLiteral(" - Synchronized Local Drive to Removable Drive")).toStdString()));
    EXPECT_EQ(TestFiles::read(b), QByteArray("b"));

    // Stopped between passes, the watch has done all it was asked: status 0, the log whole.
    ::kill(static_cast<pid_t>(watch.processId()), SIGTERM);
    const CliOutcome end = finish(watch);
    EXPECT_THAT(end, ExitsWith(0));
    EXPECT_TRUE((seen + end.out).endsWith(QStringLiteral("Stopped.\n"))) << end;
    const QByteArray log = TestFiles::read(cli.logPath());
    EXPECT_TRUE(log.startsWith("Last synchronization started at: "));
    EXPECT_TRUE(log.contains("Last synchronization ended at: "));
}

TEST_F(ProcessesTest, APassStartedWhileAnotherRunsWaitsItsTurn) {
    QDir().mkpath(root + QStringLiteral("backup"));
    const QString a = files.write(QStringLiteral("home/a.txt"), "a", at(8, 0, 0));
    ASSERT_THAT(run({QStringLiteral("refresh"), QStringLiteral("0")}), ExitsWith(0));
    ASSERT_THAT(run({QStringLiteral("add"), a, root + QStringLiteral("backup")}), ExitsWith(0));
    const auto other = passLock();
    ASSERT_EQ(other->take(), quillet::platform::UserLock::Take::Taken);

    const CliOutcome sync = run({QStringLiteral("sync")});
    EXPECT_THAT(sync, ExitsWith(4));
    EXPECT_THAT(sync, PrintsErr(QStringLiteral("a pass is already running")));
    EXPECT_FALSE(QFile::exists(root + QStringLiteral("backup/a.txt")));

    // The watch waits for the next search, and passes once the other pass has ended.
    QProcess& watch = start({QStringLiteral("watch")});
    QString seen;
    ASSERT_TRUE(waitFor(watch, seen, QStringLiteral("Another pass is running; waiting")))
        << seen.toStdString();
    EXPECT_FALSE(seen.contains(QStringLiteral("Last synchronization started")));
    other->release();
    ASSERT_TRUE(waitFor(watch, seen, QStringLiteral("Last synchronization ended at: ")))
        << seen.toStdString();
    EXPECT_EQ(TestFiles::read(root + QStringLiteral("backup/a.txt")), QByteArray("a"));
}

TEST_F(ProcessesTest, ThreeSyncsAtOnceGiveOnePassAtATimeAndNoFalseErrors) {
    QDir().mkpath(root + QStringLiteral("photos"));
    for (int i = 0; i < 400; ++i)
        files.write(QStringLiteral("home/photos/p%1.jpg").arg(i), QByteArray(2048, 'p'),
                    at(8, 0, 0));
    ASSERT_THAT(run({QStringLiteral("add-folder"), files.path(QStringLiteral("home/photos")),
                     root + QStringLiteral("photos")}),
                ExitsWith(0));
    std::vector<QProcess*> syncs;
    for (int i = 0; i < 3; ++i)
        syncs.push_back(&start({QStringLiteral("sync")}));
    int passes = 0;
    for (QProcess* sync : syncs) {
        const CliOutcome r = finish(*sync);
        EXPECT_THAT(r, ::testing::AnyOf(ExitsWith(0), ExitsWith(4)));
        EXPECT_THAT(r, ::testing::Not(PrintsOut(QStringLiteral("ERROR"))));
        passes += r.exitStatus == 0 ? 1 : 0;
    }
    EXPECT_GE(passes, 1);
    EXPECT_EQ(QDir(root + QStringLiteral("photos")).entryList(QDir::Files).size(), 400);
    // The log is one whole pass, not several woven together.
    const QString log = QString::fromUtf8(TestFiles::read(cli.logPath()));
    EXPECT_EQ(log.count(QStringLiteral("Last synchronization started at: ")), 1);
    EXPECT_EQ(log.count(QStringLiteral("Last synchronization ended at: ")), 1);
    EXPECT_FALSE(log.contains(QStringLiteral("ERROR")));
}

TEST_F(ProcessesTest, ATerminatedPassFinishesItsFileAndSaysItWasStopped) {
    QDir().mkpath(root + QStringLiteral("photos"));
    const int count = 2500;
    for (int i = 0; i < count; ++i)
        files.write(QStringLiteral("home/photos/p%1.jpg").arg(i),
                    QByteArray(1024, char('a' + i % 26)), at(8, 0, 0));
    ASSERT_THAT(run({QStringLiteral("add-folder"), files.path(QStringLiteral("home/photos")),
                     root + QStringLiteral("photos")}),
                ExitsWith(0));
    QProcess& sync = start({QStringLiteral("sync")});
    const QDir copies(root + QStringLiteral("photos"));
    // The first copy written (under its temporary name: copies are placed in batches).
    for (int i = 0; i < 3000 && copies.entryList(QDir::Files | QDir::Hidden).isEmpty(); ++i)
        QThread::msleep(2);
    ASSERT_FALSE(copies.entryList(QDir::Files | QDir::Hidden).isEmpty())
        << "the pass copied nothing";
    ::kill(static_cast<pid_t>(sync.processId()), SIGTERM);
    const CliOutcome r = finish(sync);

    const QStringList copied = copies.entryList(QDir::Files | QDir::Hidden);
    if (copied.size() == count)
        GTEST_SKIP() << "the pass ended before the signal came; nothing to stop";
    EXPECT_THAT(r, ExitsWith(5));
    EXPECT_THAT(r, PrintsErr(QStringLiteral("the pass was stopped before its end")));
    EXPECT_THAT(r, ::testing::Not(PrintsOut(QStringLiteral("Last synchronization ended"))));
    // Whatever was placed is whole, and nothing half-made is left behind.
    for (const QString& name : copied) {
        EXPECT_TRUE(name.startsWith(QLatin1Char('p'))) << name.toStdString();
        EXPECT_EQ(TestFiles::read(copies.filePath(name)),
                  TestFiles::read(files.path(QStringLiteral("home/photos/") + name)))
            << name.toStdString();
    }
    // The next pass does the rest.
    EXPECT_THAT(run({QStringLiteral("sync")}), ExitsWith(0));
    EXPECT_EQ(copies.entryList(QDir::Files).size(), count);
}

} // namespace
