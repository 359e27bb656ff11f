#include "TestFiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <gmock/gmock.h>

#include <csignal>
#include <unistd.h>

using namespace quillet::test;
using ::testing::HasSubstr;

namespace {

struct Outcome {
    int code = -1;
    QString out;
    QString err;
};

Outcome command(const QString& program, const QStringList& args,
                const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    Outcome r;
    if (!p.waitForFinished(120000))
        return r;
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

// Real volumes: file system images mounted through loop devices (or FUSE). Needs root and a
// system that lets us mount; skips with a clear message where it does not.
class RealVolumeTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0)
            GTEST_SKIP() << "mounting test volumes needs root";
        env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), files.path(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), files.path(QStringLiteral("data")));
        env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
    }
    void TearDown() override {
        for (auto it = mounts.rbegin(); it != mounts.rend(); ++it)
            command(QStringLiteral("umount"), {*it});
        for (const QString& loop : loops)
            command(QStringLiteral("losetup"), {QStringLiteral("-d"), loop});
    }
    // Mounts an image at a new folder; empty when mounting is not allowed here.
    QString mountImage(const QString& image, const QString& name) {
        const QString point = files.makeDir(name);
        const Outcome r = command(QStringLiteral("mount"),
                                  {QStringLiteral("-o"), QStringLiteral("loop"), image, point});
        if (r.code != 0)
            return QString();
        mounts << point;
        return point + QLatin1Char('/');
    }
    void unmount(const QString& point) {
        QString p = point;
        if (p.endsWith(QLatin1Char('/')))
            p.chop(1);
        command(QStringLiteral("umount"), {p});
        mounts.removeAll(p);
    }
    Outcome cli(const QStringList& args) { return command(QStringLiteral(QUILLET_CLI), args, env); }

    TestFiles files;
    QProcessEnvironment env;
    QStringList mounts;
    QStringList loops;
};

TEST_F(RealVolumeTest, Ext4ImageIsListedPairedAndRecognisedUnderAnotherMountPoint) {
    const QString image = files.path(QStringLiteral("stick.img"));
    QFile f(image);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.resize(64 << 20);
    f.close();
    const Outcome mkfs = command(QStringLiteral("mkfs.ext4"),
                                 {QStringLiteral("-q"), QStringLiteral("-F"), QStringLiteral("-U"),
                                  QStringLiteral("8a3f1c22-0000-4000-8000-000000000001"), image});
    if (mkfs.code != 0)
        GTEST_SKIP() << "mkfs.ext4 is not available: " << mkfs.err.toStdString();
    const QString first = mountImage(image, QStringLiteral("first"));
    if (first.isEmpty())
        GTEST_SKIP() << "this system does not allow loop mounts";

    Outcome r = cli({QStringLiteral("drives"), QStringLiteral("--all")});
    ASSERT_EQ(r.code, 0);
    EXPECT_THAT(r.out.toStdString(), HasSubstr((first + QStringLiteral("  [ ")).toStdString()));

    ASSERT_EQ(cli({QStringLiteral("pair"), first}).code, 0);
    r = cli({QStringLiteral("status")});
    EXPECT_THAT(r.out.toStdString(), HasSubstr("Serial: -1975575518"));

    // Put a file on the drive through a sync, then move the drive to another mount point.
    const QString local = files.write(QStringLiteral("home/report.txt"), "report", at(8, 0, 0));
    QDir().mkpath(first + QStringLiteral("backup"));
    ASSERT_EQ(cli({QStringLiteral("add"), local, first + QStringLiteral("backup")}).code, 0);
    ASSERT_EQ(cli({QStringLiteral("sync")}).code, 0);
    unmount(first);
    const QString second = mountImage(image, QStringLiteral("second"));
    ASSERT_FALSE(second.isEmpty());

    r = cli({QStringLiteral("status")});
    EXPECT_THAT(r.out.toStdString(),
                HasSubstr((QStringLiteral("Present: yes, at ") + second).toStdString()));
    r = cli({QStringLiteral("list")});
    EXPECT_EQ(r.out,
              local + QStringLiteral("\t6\t") + second + QStringLiteral("backup/report.txt\n"));
    files.write(QStringLiteral("home/report.txt"), "report v2", at(9, 0, 0));
    r = cli({QStringLiteral("sync")});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(TestFiles::read(second + QStringLiteral("backup/report.txt")),
              QByteArray("report v2"));

    // Paired to its mount point only: elsewhere it is absent.
    ASSERT_EQ(cli({QStringLiteral("pair"), second, QStringLiteral("--same-root"),
                   QStringLiteral("--yes")})
                  .code,
              0);
    unmount(second);
    const QString third = mountImage(image, QStringLiteral("third"));
    ASSERT_FALSE(third.isEmpty());
    r = cli({QStringLiteral("status")});
    EXPECT_THAT(r.out.toStdString(), HasSubstr("Present: no"));
    EXPECT_EQ(cli({QStringLiteral("sync")}).code, 2);
}

TEST_F(RealVolumeTest, OddSecondFileOnFatIsCopiedOnceThenUnchanged) {
    if (QStandardPaths::findExecutable(QStringLiteral("fusefat")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("mkfs.fat")).isEmpty())
        GTEST_SKIP() << "fusefat or mkfs.fat is not installed";
    if (!QFile::exists(QStringLiteral("/dev/fuse")))
        GTEST_SKIP() << "FUSE is not available here";
    const QString image = files.path(QStringLiteral("fat.img"));
    QFile f(image);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.resize(32 << 20);
    f.close();
    ASSERT_EQ(command(QStringLiteral("mkfs.fat"),
                      {QStringLiteral("-i"), QStringLiteral("8A3F1C22"), image})
                  .code,
              0);
    const Outcome loop =
        command(QStringLiteral("losetup"), {QStringLiteral("-f"), QStringLiteral("--show"), image});
    if (loop.code != 0)
        GTEST_SKIP() << "loop devices are not available: " << loop.err.toStdString();
    const QString device = loop.out.trimmed();
    loops << device;
    const QString point = files.makeDir(QStringLiteral("fat"));
    // Name the device as the mount's source, as block-device FUSE mounts do.
    const Outcome mount =
        command(QStringLiteral("fusefat"),
                {QStringLiteral("-o"), QStringLiteral("rw+,fsname=") + device, device, point});
    if (mount.code != 0)
        GTEST_SKIP() << "FUSE mounting is not allowed here: " << mount.err.toStdString();
    mounts << point;
    const QString root = point + QLatin1Char('/');

    ASSERT_EQ(cli({QStringLiteral("pair"), root}).code, 0);
    EXPECT_THAT(cli({QStringLiteral("status")}).out.toStdString(),
                HasSubstr("Serial: -1975575518"));
    QDir().mkpath(root + QStringLiteral("dest"));
    const QString local = files.write(QStringLiteral("home/odd.txt"), "odd second", at(10, 0, 1));
    ASSERT_EQ(cli({QStringLiteral("add"), local, root + QStringLiteral("dest")}).code, 0);

    Outcome r = cli({QStringLiteral("sync")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_THAT(r.out.toStdString(),
                HasSubstr((local + QStringLiteral(" - Synchronized Local Drive to Removable Drive"))
                              .toStdString()));
    // FAT keeps even seconds only.
    EXPECT_EQ(TestFiles::modified(root + QStringLiteral("dest/odd.txt")), at(10, 0, 0));
    for (int i = 0; i < 2; ++i) {
        r = cli({QStringLiteral("sync")});
        EXPECT_EQ(r.code, 0);
        EXPECT_THAT(
            r.out.toStdString(),
            HasSubstr((local + QStringLiteral(" - Not Synchronized (No changes)")).toStdString()));
    }
    EXPECT_EQ(TestFiles::read(local), QByteArray("odd second"));
    EXPECT_EQ(TestFiles::modified(local), at(10, 0, 1));
}

} // namespace

namespace {

// The root file system is a real volume, so the watch can run against it without mounting.
TEST(WatchCommandTest, PassesWhenTheDriveIsFoundAndStopsCleanlyOnTerminate) {
    TestFiles files;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), files.path(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), files.path(QStringLiteral("data")));
    env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
    const QString cliPath = QStringLiteral(QUILLET_CLI);
    Outcome r = command(cliPath, {QStringLiteral("pair"), QStringLiteral("/")}, env);
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QString local = files.write(QStringLiteral("home/a.txt"), "a", at(8, 0, 0));
    const QString dest = files.makeDir(QStringLiteral("dest"));
    ASSERT_EQ(command(cliPath, {QStringLiteral("add"), local, dest}, env).code, 0);

    QProcess watch;
    watch.setProcessEnvironment(env);
    watch.start(cliPath, {QStringLiteral("watch")});
    ASSERT_TRUE(watch.waitForStarted());
    QString out;
    for (int i = 0; i < 100 && !out.contains(QStringLiteral("Last synchronization ended")); ++i) {
        watch.waitForReadyRead(100);
        out += QString::fromUtf8(watch.readAllStandardOutput());
    }
    ASSERT_THAT(out.toStdString(), HasSubstr("Drive found at /"));
    ::kill(static_cast<pid_t>(watch.processId()), SIGTERM);
    ASSERT_TRUE(watch.waitForFinished(10000));
    out += QString::fromUtf8(watch.readAllStandardOutput());
    EXPECT_EQ(watch.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(watch.exitCode(), 0);
    EXPECT_TRUE(out.endsWith(QStringLiteral("Stopped.\n"))) << out.toStdString();
    EXPECT_EQ(TestFiles::read(dest + QStringLiteral("/a.txt")), QByteArray("a"));
    // The log of the pass is complete and closed.
    const QByteArray log = TestFiles::read(files.path(QStringLiteral("data/Quillet/lastsync.txt")));
    EXPECT_TRUE(log.startsWith("Last synchronization started at: "));
    EXPECT_TRUE(log.contains("Last synchronization ended at: "));
}

} // namespace
