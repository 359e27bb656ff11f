#include "TestFiles.h"
#include "platform/UserLock.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>
#include <QUuid>

#include <gmock/gmock.h>

#include <csignal>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <memory>
#include <vector>

using namespace quillet::test;
using ::testing::HasSubstr;

namespace {

struct Outcome {
    int code = -1;
    QString out;
    QString err;
};

// Several quillet-cli processes at once, as a user's terminal, a cron job and the watch would
// run them, over one ext4 drive image of our own. The drive is mounted in a private mount
// namespace: it is seen by this test and the processes it starts, by nobody else, and goes
// away with the test even when the test dies.
class ProcessesTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0)
            GTEST_SKIP() << "mounting a test drive needs root";
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            GTEST_SKIP() << "this system gives no private mount namespace";
        env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), files.path(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), files.path(QStringLiteral("data")));
        env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));

        // A random UUID and an unusual size: other images mounted on this machine must never
        // pass for this drive.
        const QString image = files.path(QStringLiteral("drive.img"));
        QFile f(image);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        QRandomGenerator& random = *QRandomGenerator::global();
        f.resize((qint64(40 + random.bounded(40)) << 20) + qint64(random.bounded(1, 250)) * 4096);
        f.close();
        const QString uuid = QUuid::createUuid().toString(QUuid::WithoutBraces);
        const Outcome mkfs =
            command(QStringLiteral("mkfs.ext4"), {QStringLiteral("-q"), QStringLiteral("-F"),
                                                  QStringLiteral("-U"), uuid, image});
        if (mkfs.code != 0)
            GTEST_SKIP() << "mkfs.ext4 is not available: " << mkfs.err.toStdString();
        const QString point = files.makeDir(QStringLiteral("drive"));
        const Outcome mount = command(QStringLiteral("mount"),
                                      {QStringLiteral("-o"), QStringLiteral("loop"), image, point});
        if (mount.code != 0)
            GTEST_SKIP() << "this system does not allow loop mounts: " << mount.err.toStdString();
        mountPoint = point;
        root = point + QLatin1Char('/');
        const Outcome paired = cli({QStringLiteral("pair"), root});
        ASSERT_EQ(paired.code, 0) << paired.err.toStdString();
    }
    void TearDown() override {
        for (const auto& process : running) {
            process->kill();
            process->waitForFinished(5000);
        }
        if (!mountPoint.isEmpty())
            command(QStringLiteral("umount"), {mountPoint});
    }

    static Outcome
    command(const QString& program, const QStringList& args,
            const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
        QProcess p;
        p.setProcessEnvironment(environment);
        p.start(program, args);
        Outcome r;
        if (!p.waitForFinished(120000))
            return r;
        r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }
    Outcome cli(const QStringList& args) { return command(QStringLiteral(QUILLET_CLI), args, env); }
    // A process left running; the test reads its output as it comes.
    QProcess& start(const QStringList& args) {
        running.push_back(std::make_unique<QProcess>());
        QProcess& p = *running.back();
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(QUILLET_CLI), args);
        EXPECT_TRUE(p.waitForStarted());
        return p;
    }
    static Outcome finish(QProcess& p) {
        Outcome r;
        if (!p.waitForFinished(120000))
            return r;
        r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }
    // Reads the output of p into seen until it holds text count times past from.
    static bool waitFor(QProcess& p, QString& seen, const QString& text, qsizetype from = 0,
                        int seconds = 30) {
        for (int i = 0; i < seconds * 10; ++i) {
            seen += QString::fromUtf8(p.readAllStandardOutput());
            if (seen.indexOf(text, from) >= 0)
                return true;
            if (p.state() == QProcess::NotRunning)
                return false;
            p.waitForReadyRead(100);
        }
        return false;
    }
    QString settingsFile() const {
        return files.path(QStringLiteral("config/Quillet/Quillet.conf"));
    }

    TestFiles files;
    QProcessEnvironment env;
    QString mountPoint;
    QString root;
    std::vector<std::unique_ptr<QProcess>> running;
};

TEST_F(ProcessesTest, EightAddsAtOnceKeepEveryItem) {
    QDir().mkpath(root + QStringLiteral("backup"));
    QStringList locals;
    for (int i = 0; i < 8; ++i)
        locals << files.write(QStringLiteral("home/file%1.txt").arg(i), "x");
    std::vector<QProcess*> adds;
    for (const QString& local : locals)
        adds.push_back(&start({QStringLiteral("add"), local, root + QStringLiteral("backup")}));
    for (QProcess* add : adds) {
        const Outcome r = finish(*add);
        EXPECT_EQ(r.code, 0) << r.err.toStdString();
    }
    const Outcome list = cli({QStringLiteral("list")});
    const QStringList lines = list.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    EXPECT_EQ(lines.size(), 8) << list.out.toStdString();
    for (const QString& local : locals)
        EXPECT_TRUE(list.out.contains(local + QLatin1Char('\t'))) << local.toStdString();
}

TEST_F(ProcessesTest, ARunningWatchSeesWhatOtherProcessesChange) {
    QDir().mkpath(root + QStringLiteral("backup"));
    const QString a = files.write(QStringLiteral("home/a.txt"), "a", at(8, 0, 0));
    const QString b = files.write(QStringLiteral("home/b.txt"), "b", at(8, 0, 0));
    ASSERT_EQ(cli({QStringLiteral("refresh"), QStringLiteral("0")}).code, 0);
    ASSERT_EQ(cli({QStringLiteral("add"), a, root + QStringLiteral("backup")}).code, 0);

    QProcess& watch = start({QStringLiteral("watch")});
    const QString ended = QStringLiteral("Last synchronization ended at: ");
    QString seen;
    ASSERT_TRUE(waitFor(watch, seen, ended)) << seen.toStdString();
    EXPECT_EQ(TestFiles::read(root + QStringLiteral("backup/a.txt")), QByteArray("a"));

    // An item added elsewhere is copied by the watch's next pass.
    ASSERT_EQ(cli({QStringLiteral("add"), b, root + QStringLiteral("backup")}).code, 0);
    qsizetype from = seen.size();
    ASSERT_TRUE(waitFor(watch, seen, ended, from)) << seen.toStdString();
    EXPECT_EQ(TestFiles::read(root + QStringLiteral("backup/b.txt")), QByteArray("b"));

    // An item removed elsewhere is left out of the next pass, and a new mode is followed.
    ASSERT_EQ(cli({QStringLiteral("remove"), QStringLiteral("1")}).code, 0);
    ASSERT_EQ(cli({QStringLiteral("mode"), QStringLiteral("2")}).code, 0);
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
    const Outcome end = finish(watch);
    EXPECT_EQ(end.code, 0) << end.err.toStdString();
    EXPECT_TRUE((seen + end.out).endsWith(QStringLiteral("Stopped.\n")));
    const QByteArray log = TestFiles::read(files.path(QStringLiteral("data/Quillet/lastsync.txt")));
    EXPECT_TRUE(log.startsWith("Last synchronization started at: "));
    EXPECT_TRUE(log.contains("Last synchronization ended at: "));
}

TEST_F(ProcessesTest, APassStartedWhileAnotherRunsWaitsItsTurn) {
    QDir().mkpath(root + QStringLiteral("backup"));
    const QString a = files.write(QStringLiteral("home/a.txt"), "a", at(8, 0, 0));
    ASSERT_EQ(cli({QStringLiteral("refresh"), QStringLiteral("0")}).code, 0);
    ASSERT_EQ(cli({QStringLiteral("add"), a, root + QStringLiteral("backup")}).code, 0);
    quillet::platform::UserLock other(
        quillet::platform::UserLock::nameFor(QStringLiteral("pass"), settingsFile()));
    ASSERT_EQ(other.take(), quillet::platform::UserLock::Take::Taken);

    const Outcome sync = cli({QStringLiteral("sync")});
    EXPECT_EQ(sync.code, 4) << sync.err.toStdString();
    EXPECT_THAT(sync.err.toStdString(), HasSubstr("a pass is already running"));
    EXPECT_FALSE(QFile::exists(root + QStringLiteral("backup/a.txt")));

    // The watch waits for the next search, and passes once the other pass has ended.
    QProcess& watch = start({QStringLiteral("watch")});
    QString seen;
    ASSERT_TRUE(waitFor(watch, seen, QStringLiteral("Another pass is running; waiting")))
        << seen.toStdString();
    EXPECT_FALSE(seen.contains(QStringLiteral("Last synchronization started")));
    other.release();
    ASSERT_TRUE(waitFor(watch, seen, QStringLiteral("Last synchronization ended at: ")))
        << seen.toStdString();
    EXPECT_EQ(TestFiles::read(root + QStringLiteral("backup/a.txt")), QByteArray("a"));
}

TEST_F(ProcessesTest, ThreeSyncsAtOnceGiveOnePassAtATimeAndNoFalseErrors) {
    QDir().mkpath(root + QStringLiteral("photos"));
    for (int i = 0; i < 400; ++i)
        files.write(QStringLiteral("home/photos/p%1.jpg").arg(i), QByteArray(2048, 'p'),
                    at(8, 0, 0));
    ASSERT_EQ(cli({QStringLiteral("add-folder"), files.path(QStringLiteral("home/photos")),
                   root + QStringLiteral("photos")})
                  .code,
              0);
    std::vector<QProcess*> syncs;
    for (int i = 0; i < 3; ++i)
        syncs.push_back(&start({QStringLiteral("sync")}));
    int passes = 0;
    for (QProcess* sync : syncs) {
        const Outcome r = finish(*sync);
        EXPECT_TRUE(r.code == 0 || r.code == 4) << r.code << r.err.toStdString();
        EXPECT_FALSE(r.out.contains(QStringLiteral("ERROR"))) << r.out.toStdString();
        passes += r.code == 0 ? 1 : 0;
    }
    EXPECT_GE(passes, 1);
    EXPECT_EQ(QDir(root + QStringLiteral("photos")).entryList(QDir::Files).size(), 400);
    // The log is one whole pass, not several woven together.
    const QString log =
        QString::fromUtf8(TestFiles::read(files.path(QStringLiteral("data/Quillet/lastsync.txt"))));
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
    ASSERT_EQ(cli({QStringLiteral("add-folder"), files.path(QStringLiteral("home/photos")),
                   root + QStringLiteral("photos")})
                  .code,
              0);
    QProcess& sync = start({QStringLiteral("sync")});
    const QDir copies(root + QStringLiteral("photos"));
    for (int i = 0; i < 3000 && copies.entryList(QDir::Files).isEmpty(); ++i)
        QThread::msleep(10);
    ASSERT_FALSE(copies.entryList(QDir::Files).isEmpty()) << "the pass copied nothing";
    ::kill(static_cast<pid_t>(sync.processId()), SIGTERM);
    const Outcome r = finish(sync);

    const QStringList copied = copies.entryList(QDir::Files | QDir::Hidden);
    if (copied.size() == count)
        GTEST_SKIP() << "the pass ended before the signal came; nothing to stop";
    EXPECT_EQ(r.code, 5) << r.err.toStdString();
    EXPECT_THAT(r.err.toStdString(), HasSubstr("the pass was stopped before its end"));
    EXPECT_FALSE(r.out.contains(QStringLiteral("Last synchronization ended")));
    // Whatever was placed is whole, and nothing half-made is left behind.
    for (const QString& name : copied) {
        EXPECT_TRUE(name.startsWith(QLatin1Char('p'))) << name.toStdString();
        EXPECT_EQ(TestFiles::read(copies.filePath(name)),
                  TestFiles::read(files.path(QStringLiteral("home/photos/") + name)))
            << name.toStdString();
    }
    // The next pass does the rest.
    EXPECT_EQ(cli({QStringLiteral("sync")}).code, 0);
    EXPECT_EQ(copies.entryList(QDir::Files).size(), count);
}

} // namespace
