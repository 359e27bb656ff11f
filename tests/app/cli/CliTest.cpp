#include "Cli.h"
#include "FakeVolumes.h"
#include "ScopedState.h"
#include "TestFiles.h"
#include "platform/AppPaths.h"
#include "platform/LocalFileSystem.h"
#include "platform/QSettingsStore.h"
#include "platform/UserLock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>

#include <gmock/gmock.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace quillet;
using namespace quillet::test;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

// Runs the command line tool in-process against a settings file, scratch folders and
// volumes of the test's own.
class CliTest : public ::testing::Test {
protected:
    CliTest()
        : configHome("XDG_CONFIG_HOME", QFile::encodeName(files.path(QStringLiteral("config")))),
          configDirs("XDG_CONFIG_DIRS", QFile::encodeName(files.path(QStringLiteral("xdg")))) {
        files.makeDir(QStringLiteral("stick/backup"));
        files.makeDir(QStringLiteral("home"));
        stick = files.path(QStringLiteral("stick/"));
        volumes.add(
            {stick.toStdString(), platform::DriveType::Removable, 1 << 20, -1975575518, "ext4"});
        volumes.add({"/", platform::DriveType::Fixed, 1ull << 30, 1, "ext4"});
    }
    int run(const QStringList& args, const QString& typed = QString(), bool terminal = false) {
        out.clear();
        err.clear();
        QTextStream o(&out), e(&err);
        std::function<bool(QString&)> reader;
        if (terminal)
            reader = [typed](QString& line) {
                line = typed;
                return true;
            };
        platform::QSettingsStore store(settingsPath());
        Cli cli(store, fs, volumes, Cli::Io{o, e, reader, outIsTerminal},
                files.path(QStringLiteral("log.txt")));
        if (!windowProgram.isEmpty())
            cli.setWindowProgram(windowProgram);
        const int code = cli.run(QStringList{QStringLiteral("quillet-cli")} + args);
        o.flush();
        e.flush();
        return code;
    }
    QString settingsPath() const { return files.path(QStringLiteral("settings.ini")); }
    QByteArray settings() const { return TestFiles::read(settingsPath()); }
    int pairStick() { return run({QStringLiteral("pair"), stick}); }

    TestFiles files;
    // The autostart folders: the test's own, never the user's.
    ScopedEnvironmentVariable configHome;
    ScopedEnvironmentVariable configDirs;
    bool outIsTerminal = false;
    QString windowProgram; // none: the one beside the tool
    platform::LocalFileSystem fs;
    FakeVolumes volumes;
    QString stick;
    QString out;
    QString err;
};

TEST_F(CliTest, HelpVersionAndUsageErrors) {
    EXPECT_EQ(run({QStringLiteral("--help")}), 0);
    EXPECT_THAT(out.toStdString(), HasSubstr("add-folder FOLDER DEST_FOLDER"));
    EXPECT_THAT(out.toStdString(), HasSubstr("4  another pass of this user is running"));
    EXPECT_THAT(out.toStdString(), HasSubstr("5  the pass was stopped"));
    EXPECT_EQ(run({QStringLiteral("--version")}), 0);
    EXPECT_THAT(out.toStdString(), HasSubstr("quillet-cli "));
    EXPECT_EQ(run({}), 1);
    EXPECT_EQ(run({QStringLiteral("frobnicate")}), 1);
    EXPECT_THAT(err.toStdString(), HasSubstr("unknown command 'frobnicate'"));
    EXPECT_EQ(run({QStringLiteral("--bogus")}), 1);
    EXPECT_EQ(run({QStringLiteral("status"), QStringLiteral("--all")}), 1);
    EXPECT_EQ(run({QStringLiteral("add"), QStringLiteral("one")}), 1);
    EXPECT_EQ(run({QStringLiteral("sync"), QStringLiteral("--yes"), QStringLiteral("--no")}), 1);
    EXPECT_TRUE(out.isEmpty());
}

TEST_F(CliTest, HelpListsTheCommandsInAlignedColumns) {
    // Scripts and people read these lines; they stay exactly as they are.
    const char* const commands = R"(Commands:
  drives [--all]                    list the drives that can be paired
  pair ROOT [--same-root] [--yes]   pair the drive mounted at ROOT (a new pairing
                                    forgets the list of the drive paired before)
  same-root on|off                  find the paired drive only under the root it was
                                    paired at, or under any; the list stays
  status                            show the pairing, the drive and the options
  mode [N]                          show or set the conflict mode (0 to 5)
  refresh [N]                       show or set the refresh-time choice (0 to 8)
  add FILE DEST_FOLDER              keep FILE in step with a copy in DEST_FOLDER on the drive
  add-folder FOLDER DEST_FOLDER     keep FOLDER in step with DEST_FOLDER on the drive
                                    (a DEST_FOLDER missing on the drive is made)
  list                              list the sync items
  remove N [--delete-remote]        remove item N (from 1)
  sync [--yes | --no] [--dry-run]   find the drive and run one pass now
  log                               print the log of the last pass
  watch [--yes | --no]              watch for the drive and pass whenever it is found
  autostart on|off|status           start Quillet in the notification area at login, or not
)";
    EXPECT_EQ(run({QStringLiteral("--help")}), 0);
    EXPECT_THAT(out.toStdString(), HasSubstr(commands));
    EXPECT_TRUE(Cli::usage().startsWith(QString::fromLatin1(commands)));
}

TEST_F(CliTest, DrivesListsCandidatesExactlyAsThePairingListDoes) {
    const ScopedDefaultLocale c(QLocale::c());
    EXPECT_EQ(run({QStringLiteral("drives")}), 0);
    EXPECT_EQ(out, stick + QStringLiteral("  [ 1.00 MB]\n"));
    EXPECT_EQ(run({QStringLiteral("drives"), QStringLiteral("--all")}), 0);
    EXPECT_EQ(out, stick + QStringLiteral("  [ 1.00 MB]\n/  [ 1024.00 MB]\n"));
    volumes.remove(stick.toStdString());
    EXPECT_EQ(run({QStringLiteral("drives")}), 0);
    EXPECT_EQ(out, QStringLiteral("No removable drives found.\n"));
}

TEST_F(CliTest, PairStatusAndReplacement) {
    EXPECT_EQ(run({QStringLiteral("status")}), 2);
    EXPECT_THAT(out.toStdString(), HasSubstr("No drive is paired."));
    EXPECT_EQ(pairStick(), 0);
    EXPECT_EQ(run({QStringLiteral("status")}), 0);
    EXPECT_THAT(out.toStdString(), HasSubstr("Serial: -1975575518"));
    EXPECT_THAT(out.toStdString(),
                HasSubstr((QStringLiteral("Present: yes, at ") + stick).toStdString()));
    EXPECT_THAT(out.toStdString(), HasSubstr("Same root only: no"));

    // Replacing needs a yes: none without a terminal, a typed "no" keeps it.
    const QByteArray before = settings();
    EXPECT_EQ(run({QStringLiteral("pair"), stick, QStringLiteral("--same-root")}), 1);
    EXPECT_EQ(run({QStringLiteral("pair"), stick, QStringLiteral("--same-root")},
                  QStringLiteral("no"), true),
              1);
    EXPECT_EQ(settings(), before);
    EXPECT_EQ(run({QStringLiteral("pair"), stick, QStringLiteral("--same-root")},
                  QStringLiteral("yes"), true),
              0);
    EXPECT_EQ(run({QStringLiteral("status")}), 0);
    EXPECT_THAT(out.toStdString(), HasSubstr("Same root only: yes"));
}

TEST_F(CliTest, RePairingSaysWhatItForgetsAndSameRootKeepsTheList) {
    EXPECT_EQ(run({QStringLiteral("same-root"), QStringLiteral("on")}), 2);
    ASSERT_EQ(pairStick(), 0);
    for (const char* name : {"home/a.txt", "home/b.txt"})
        ASSERT_EQ(run({QStringLiteral("add"), files.write(QString::fromLatin1(name), "x"),
                       stick + QStringLiteral("backup")}),
                  0);
    EXPECT_EQ(run({QStringLiteral("same-root"), QStringLiteral("maybe")}), 1);
    EXPECT_EQ(run({QStringLiteral("same-root"), QStringLiteral("on")}), 0);
    EXPECT_EQ(out, QStringLiteral("Same root only: yes. The drive is found only at ") + stick +
                       QStringLiteral(".\n"));
    EXPECT_EQ(run({QStringLiteral("status")}), 0);
    EXPECT_THAT(out.toStdString(), HasSubstr("Same root only: yes"));
    EXPECT_EQ(run({QStringLiteral("same-root"), QStringLiteral("off")}), 0);
    EXPECT_EQ(run({QStringLiteral("status")}), 0);
    EXPECT_THAT(out.toStdString(), HasSubstr("Same root only: no"));
    EXPECT_EQ(run({QStringLiteral("list")}), 0);
    EXPECT_EQ(out.count(QLatin1Char('\n')), 2) << "the list stays";

    // Asked on a terminal, with the window's question, after saying what would go.
    const QByteArray before = settings();
    EXPECT_EQ(run({QStringLiteral("pair"), stick}, QStringLiteral("n"), true), 1);
    EXPECT_THAT(err.toStdString(),
                HasSubstr("A new pairing forgets the list of the drive paired now: 2 items.\n"
                          "To change only the same-root option, use 'quillet-cli same-root "
                          "on|off'.\nYou have already set a drive, do you wish to substitute "
                          "this drive ? [y/N]"));
    EXPECT_EQ(settings(), before);
    EXPECT_EQ(run({QStringLiteral("pair"), stick, QStringLiteral("--yes")}), 0);
    EXPECT_THAT(out.toStdString(),
                HasSubstr("The list of the drive paired before was forgotten: 2 items.\n"));
    EXPECT_EQ(run({QStringLiteral("list")}), 0);
    EXPECT_TRUE(out.isEmpty());
    // Nothing forgotten, nothing said.
    EXPECT_EQ(run({QStringLiteral("pair"), stick, QStringLiteral("--yes")}), 0);
    EXPECT_THAT(out.toStdString(), Not(HasSubstr("forgotten")));
}

TEST_F(CliTest, PairRefusesWhatIsNotAMountPoint) {
    EXPECT_EQ(run({QStringLiteral("pair"), files.path(QStringLiteral("home"))}), 1);
    EXPECT_THAT(err.toStdString(), HasSubstr("is not the mount point of a drive"));
    EXPECT_FALSE(QFile::exists(settingsPath()));
    // An empty root is no root, never the system's own disk.
    EXPECT_EQ(run({QStringLiteral("pair"), QString()}), 1);
    EXPECT_THAT(err.toStdString(), HasSubstr("No drive was chosen."));
    EXPECT_FALSE(QFile::exists(settingsPath()));

    // Paired already, with a list: a drive without a readable serial changes nothing.
    ASSERT_EQ(pairStick(), 0);
    const QString file = files.write(QStringLiteral("home/a.txt"), "a");
    ASSERT_EQ(run({QStringLiteral("add"), file, stick + QStringLiteral("backup")}), 0);
    const QByteArray before = settings();
    const QString blank = files.makeDir(QStringLiteral("blank")) + QLatin1Char('/');
    volumes.add({blank.toStdString(), platform::DriveType::Removable, 1 << 20, 0, "vfat"});
    EXPECT_EQ(run({QStringLiteral("pair"), blank, QStringLiteral("--yes")}), 1);
    EXPECT_THAT(err.toStdString(), HasSubstr("serial number of the drive at " +
                                             blank.toStdString() + " cannot be read"));
    EXPECT_EQ(run({QStringLiteral("pair"), QString(), QStringLiteral("--yes")}), 1);
    EXPECT_EQ(settings(), before);
}

TEST_F(CliTest, ModeAndRefreshShowSetAndRefuseBadValues) {
    ASSERT_EQ(pairStick(), 0);
    EXPECT_EQ(run({QStringLiteral("mode")}), 0);
    EXPECT_EQ(out, QStringLiteral("0 Keep the latest file on both.\n"));
    EXPECT_EQ(run({QStringLiteral("mode"), QStringLiteral("4")}), 0);
    EXPECT_EQ(run({QStringLiteral("mode")}), 0);
    EXPECT_EQ(out, QStringLiteral(
                       "4 Copy from Local PC to Removable Drive. (Prompt before any change)\n"));
    const QByteArray before = settings();
    for (const QString& bad :
         {QStringLiteral("6"), QStringLiteral("-1"), QStringLiteral("two"), QStringLiteral("1.5")})
        EXPECT_EQ(run({QStringLiteral("mode"), bad}), 1) << bad.toStdString();
    EXPECT_EQ(run({QStringLiteral("refresh"), QStringLiteral("9")}), 1);
    EXPECT_EQ(settings(), before);
    EXPECT_EQ(run({QStringLiteral("refresh"), QStringLiteral("8")}), 0);
    EXPECT_EQ(out, QStringLiteral("8 Every hour\n"));
    EXPECT_EQ(run({QStringLiteral("refresh"), QStringLiteral("4")}), 0);
    EXPECT_EQ(out, QStringLiteral("4 Every 5 minutes\n"));
}

TEST_F(CliTest, AddListRemoveAndTheirRefusals) {
    ASSERT_EQ(pairStick(), 0);
    const QString file = files.write(QStringLiteral("home/report.doc"), "12345");
    const QString folder = files.makeDir(QStringLiteral("home/photos"));
    const QByteArray before = settings();

    EXPECT_EQ(run({QStringLiteral("add"), files.path(QStringLiteral("home/missing")), stick}), 1);
    EXPECT_THAT(err.toStdString(), HasSubstr("File does not exist or is a Folder"));
    EXPECT_EQ(run({QStringLiteral("add"), folder, stick}), 1);
    EXPECT_EQ(run({QStringLiteral("add"), file, files.path(QStringLiteral("home"))}), 1);
    EXPECT_THAT(err.toStdString(), HasSubstr("Folder should be on the remote drive !!"));
    EXPECT_EQ(run({QStringLiteral("add-folder"), stick + QStringLiteral("backup"), stick}), 1);
    EXPECT_THAT(err.toStdString(),
                HasSubstr("You cannot select folders inside the Removable Drive !"));
    const QString onStick = files.write(QStringLiteral("stick/only-copy.txt"), "only");
    EXPECT_EQ(run({QStringLiteral("add"), onStick, stick + QStringLiteral("backup")}), 1);
    EXPECT_THAT(err.toStdString(),
                HasSubstr("You cannot select files inside the Removable Drive !"));
    EXPECT_EQ(run({QStringLiteral("add-folder"), files.path(QStringLiteral("home/none")), stick}),
              1);
    EXPECT_THAT(err.toStdString(), HasSubstr("is not a folder"));
    EXPECT_EQ(settings(), before);

    EXPECT_EQ(run({QStringLiteral("add"), file, stick + QStringLiteral("backup")}), 0);
    // The folder would hold the file's copy: one file on the drive, two items.
    EXPECT_EQ(run({QStringLiteral("add-folder"), folder, stick + QStringLiteral("backup/")}), 1);
    EXPECT_THAT(err.toStdString(), HasSubstr("on the drive overlaps item 1"));
    files.makeDir(QStringLiteral("stick/photos"));
    EXPECT_EQ(run({QStringLiteral("add-folder"), folder, stick + QStringLiteral("photos/")}), 0);
    EXPECT_EQ(run({QStringLiteral("list")}), 0);
    EXPECT_EQ(out, file + QStringLiteral("\t5\t") + stick + QStringLiteral("backup/report.doc\n") +
                       folder + QStringLiteral("\tFolder\t") + stick + QStringLiteral("photos/\n"));

    EXPECT_EQ(run({QStringLiteral("remove"), QStringLiteral("3")}), 1);
    EXPECT_THAT(err.toStdString(), HasSubstr("there is no item '3'; the list has 2 items."));
    EXPECT_EQ(run({QStringLiteral("remove"), QStringLiteral("x")}), 1);
    EXPECT_EQ(run({QStringLiteral("remove"), QStringLiteral("1")}), 0);
    EXPECT_EQ(run({QStringLiteral("list")}), 0);
    EXPECT_EQ(out, folder + QStringLiteral("\tFolder\t") + stick + QStringLiteral("photos/\n"));
}

TEST_F(CliTest, RelativePathsAreStoredInFull) {
    ASSERT_EQ(pairStick(), 0);
    files.write(QStringLiteral("home/notes.txt"), "n");
    const QString before = QDir::currentPath();
    QDir::setCurrent(files.path(QStringLiteral("home")));
    const int code = run(
        {QStringLiteral("add"), QStringLiteral("./notes.txt"), QStringLiteral("../stick/backup/")});
    QDir::setCurrent(before);
    ASSERT_EQ(code, 0) << err.toStdString();
    EXPECT_EQ(run({QStringLiteral("list")}), 0);
    EXPECT_EQ(out, files.path(QStringLiteral("home/notes.txt")) + QStringLiteral("\t1\t") + stick +
                       QStringLiteral("backup/notes.txt\n"));
}

TEST_F(CliTest, AddsNeedThePairedDrivePresent) {
    const QString file = files.write(QStringLiteral("home/a.txt"), "a");
    EXPECT_EQ(run({QStringLiteral("add"), file, stick}), 2);
    ASSERT_EQ(pairStick(), 0);
    volumes.remove(stick.toStdString());
    EXPECT_EQ(run({QStringLiteral("add"), file, stick}), 2);
    EXPECT_THAT(
        err.toStdString(),
        HasSubstr(
            "Removable drive not found. Please connect the drive before adding any new file."));
    EXPECT_EQ(run({QStringLiteral("add-folder"), files.path(QStringLiteral("home")), stick}), 2);
    EXPECT_EQ(run({QStringLiteral("sync")}), 2);
}

TEST_F(CliTest, SyncPrintsTheLogAndRowsAndReportsFailures) {
    ASSERT_EQ(pairStick(), 0);
    const QString file = files.write(QStringLiteral("home/a.txt"), "new", at(9, 0, 0));
    files.write(QStringLiteral("stick/backup/a.txt"), "old", at(8, 0, 0));
    ASSERT_EQ(run({QStringLiteral("add"), file, stick + QStringLiteral("backup")}), 0);
    EXPECT_EQ(run({QStringLiteral("sync")}), 0);
    const QStringList lines = out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("Last synchronization started at: ")));
    EXPECT_EQ(lines[1], file + QStringLiteral(" - Synchronized Local Drive to Removable Drive"));
    EXPECT_TRUE(lines[3].startsWith(file + QStringLiteral("\tSynchronized at ")));
    EXPECT_EQ(TestFiles::read(stick + QStringLiteral("backup/a.txt")), QByteArray("new"));
    EXPECT_EQ(run({QStringLiteral("log")}), 0);
    EXPECT_THAT(out.toStdString(), HasSubstr(" - Synchronized Local Drive to Removable Drive\r\n"));

    // A destination that cannot be replaced: exit 3.
    files.write(QStringLiteral("home/a.txt"), "newer", at(10, 0, 0));
    TestFiles::setReadOnly(stick + QStringLiteral("backup/a.txt"), true);
    EXPECT_EQ(run({QStringLiteral("sync")}), 3);
    EXPECT_THAT(out.toStdString(),
                HasSubstr((file + QStringLiteral(" - ERROR ! (Not Synchronized: read-only file)"))
                              .toStdString()));
}

// A preview lists each copy with its direction and each failure it can tell now, exits as
// the pass would, and leaves both sides and the log as they were.
TEST_F(CliTest, DryRunListsWhatAPassWouldDoAndChangesNothing) {
    ASSERT_EQ(pairStick(), 0);
    files.makeDir(QStringLiteral("home/docs"));
    ASSERT_EQ(run({QStringLiteral("add-folder"), files.path(QStringLiteral("home/docs")),
                   stick + QStringLiteral("backup")}),
              0);
    const QString file = files.write(QStringLiteral("home/docs/new.txt"), "new", at(9, 0, 0));
    EXPECT_EQ(run({QStringLiteral("sync"), QStringLiteral("--dry-run")}), 0);
    EXPECT_THAT(out.toStdString(), HasSubstr("Would copy to the drive: " + file.toStdString() +
                                             " -> " + stick.toStdString() + "backup/new.txt\n"));
    EXPECT_THAT(out.toStdString(),
                HasSubstr("Preview: 1 to copy to the drive, 0 to copy to the PC, 0 unchanged, 0 "
                          "would fail. Nothing was changed.\n"));
    EXPECT_THAT(out.toStdString(), Not(HasSubstr("Synchronized")));

    volumes.find(stick.toStdString())->fsType = "vfat";
    const QString refused = files.write(QStringLiteral("home/docs/what?.txt"), "?", at(9, 0, 0));
    EXPECT_EQ(run({QStringLiteral("sync"), QStringLiteral("--dry-run")}), 3);
    EXPECT_THAT(out.toStdString(), HasSubstr("Would fail: " + refused.toStdString() +
                                             ": name not allowed on this drive\n"));
    EXPECT_FALSE(QFileInfo::exists(stick + QStringLiteral("backup/new.txt")));
    EXPECT_FALSE(QFileInfo::exists(files.path(QStringLiteral("log.txt"))));
    EXPECT_EQ(run({QStringLiteral("watch"), QStringLiteral("--dry-run")}), 1);
}

TEST_F(CliTest, EmptyAndMissingFilesKeepTheirItems) {
    ASSERT_EQ(pairStick(), 0);
    const QString empty = files.write(QStringLiteral("home/empty.txt"), "");
    const QString away = files.write(QStringLiteral("home/away.txt"), "away");
    ASSERT_EQ(run({QStringLiteral("add"), empty, stick + QStringLiteral("backup")}), 0)
        << err.toStdString();
    ASSERT_EQ(run({QStringLiteral("add"), away, stick + QStringLiteral("backup")}), 0);
    EXPECT_EQ(run({QStringLiteral("sync")}), 0);
    EXPECT_TRUE(QFile::exists(stick + QStringLiteral("backup/empty.txt")));
    EXPECT_EQ(TestFiles::read(stick + QStringLiteral("backup/empty.txt")), QByteArray());

    QFile::remove(away);
    EXPECT_EQ(run({QStringLiteral("list")}), 0);
    EXPECT_EQ(out, empty + QStringLiteral("\t0\t") + stick + QStringLiteral("backup/empty.txt\n") +
                       away + QStringLiteral("\tNot found\t") + stick +
                       QStringLiteral("backup/away.txt\tLocal file not found\n"));
    // A later edit of the list keeps both.
    const QString other = files.write(QStringLiteral("home/other.txt"), "o");
    ASSERT_EQ(run({QStringLiteral("add"), other, stick + QStringLiteral("backup")}), 0);
    EXPECT_EQ(run({QStringLiteral("list")}), 0);
    EXPECT_EQ(out.count(QLatin1Char('\n')), 3);
}

TEST_F(CliTest, SyncWhileAnotherPassRunsDoesNothingAndSaysSo) {
    ASSERT_EQ(pairStick(), 0);
    const QString file = files.write(QStringLiteral("home/a.txt"), "new", at(9, 0, 0));
    ASSERT_EQ(run({QStringLiteral("add"), file, stick + QStringLiteral("backup")}), 0);
    files.write(QStringLiteral("log.txt"), "the last pass\r\n");
    // The lock another process of this user would hold for its pass.
    platform::UserLock other(platform::UserLock::nameFor(QStringLiteral("pass"), settingsPath()));
    ASSERT_EQ(other.take(), platform::UserLock::Take::Taken);

    EXPECT_EQ(run({QStringLiteral("sync")}), 4);
    EXPECT_THAT(err.toStdString(), HasSubstr("a pass is already running"));
    EXPECT_TRUE(out.isEmpty());
    EXPECT_FALSE(QFile::exists(stick + QStringLiteral("backup/a.txt")));
    EXPECT_EQ(TestFiles::read(files.path(QStringLiteral("log.txt"))), "the last pass\r\n");

    other.release();
    EXPECT_EQ(run({QStringLiteral("sync")}), 0);
    EXPECT_EQ(TestFiles::read(stick + QStringLiteral("backup/a.txt")), QByteArray("new"));
}

TEST_F(CliTest, APassStoppedByTheUserEndsWithItsOwnStatus) {
    ASSERT_EQ(pairStick(), 0);
    const QString first = files.write(QStringLiteral("home/a.txt"), "a", at(9, 0, 0));
    const QString second = files.write(QStringLiteral("home/b.txt"), "b", at(9, 0, 0));
    ASSERT_EQ(run({QStringLiteral("add"), first, stick + QStringLiteral("backup")}), 0);
    ASSERT_EQ(run({QStringLiteral("add"), second, stick + QStringLiteral("backup")}), 0);
    // Ctrl+C arrives while the first row is copied: it is finished, the second is left.
    Cli::requestInterrupt();
    const int code = run({QStringLiteral("sync")});
    Cli::clearInterrupt();
    EXPECT_EQ(code, 5);
    EXPECT_THAT(err.toStdString(), HasSubstr("the pass was stopped before its end"));
    EXPECT_EQ(TestFiles::read(stick + QStringLiteral("backup/a.txt")), QByteArray("a"));
    EXPECT_FALSE(QFile::exists(stick + QStringLiteral("backup/b.txt")));
    EXPECT_FALSE(out.contains(QStringLiteral("Last synchronization ended")));
    EXPECT_EQ(run({QStringLiteral("sync")}), 0) << "the next pass does the rest";
    EXPECT_EQ(TestFiles::read(stick + QStringLiteral("backup/b.txt")), QByteArray("b"));
}

TEST_F(CliTest, LongCopyShowsOneProgressLineOnATerminalOnly) {
    ASSERT_EQ(pairStick(), 0);
    const QString file =
        files.write(QStringLiteral("home/big.bin"), QByteArray(3 << 20, 'b'), at(9, 0, 0));
    ASSERT_EQ(run({QStringLiteral("add"), file, stick + QStringLiteral("backup")}), 0);

    // Not a terminal: the output holds the log and the rows, nothing rewritten.
    EXPECT_EQ(run({QStringLiteral("sync")}), 0);
    EXPECT_FALSE(out.contains(QLatin1Char('\r')));

    outIsTerminal = true;
    files.write(QStringLiteral("home/big.bin"), QByteArray(3 << 20, 'c'), at(10, 0, 0));
    EXPECT_EQ(run({QStringLiteral("sync")}), 0);
    EXPECT_THAT(out.toStdString(), HasSubstr("\rbig.bin  0%  (0.00 of 3.00 MB)"));
    // The line is wiped before the next line of the log, which starts where it should.
    const qsizetype wiped = out.lastIndexOf(QLatin1Char('\r'));
    ASSERT_GT(wiped, 0);
    const QString after = out.mid(wiped + 1);
    EXPECT_TRUE(after.startsWith(QStringLiteral("Last synchronization ended at: ")))
        << after.toStdString();
    const qsizetype blank = out.lastIndexOf(QLatin1Char('\r'), wiped - 1);
    EXPECT_TRUE(out.mid(blank + 1, wiped - blank - 1).trimmed().isEmpty());
}

TEST_F(CliTest, PromptingModesAskOrTakeTheFlag) {
    ASSERT_EQ(pairStick(), 0);
    ASSERT_EQ(run({QStringLiteral("mode"), QStringLiteral("3")}), 0);
    const QString file = files.write(QStringLiteral("home/a.txt"), "new", at(9, 0, 0));
    const QString copy = files.write(QStringLiteral("stick/backup/a.txt"), "old", at(8, 0, 0));
    ASSERT_EQ(run({QStringLiteral("add"), file, stick + QStringLiteral("backup")}), 0);
    EXPECT_EQ(run({QStringLiteral("sync")}), 0) << "no terminal and no flag: No";
    EXPECT_EQ(TestFiles::read(copy), QByteArray("old"));
    EXPECT_EQ(run({QStringLiteral("sync"), QStringLiteral("--no")}), 0);
    EXPECT_EQ(TestFiles::read(copy), QByteArray("old"));
    EXPECT_EQ(run({QStringLiteral("sync")}, QStringLiteral("n"), true), 0);
    EXPECT_THAT(err.toStdString(), HasSubstr("Do you accept this replacement ?"));
    EXPECT_EQ(TestFiles::read(copy), QByteArray("old"));
    // A person's No stands until a file changes; --yes still answers every question.
    EXPECT_EQ(run({QStringLiteral("sync")}, QStringLiteral("y"), true), 0);
    EXPECT_THAT(err.toStdString(), Not(HasSubstr("Do you accept this replacement ?")));
    EXPECT_EQ(TestFiles::read(copy), QByteArray("old"));
    EXPECT_EQ(run({QStringLiteral("sync"), QStringLiteral("--yes")}), 0);
    EXPECT_EQ(TestFiles::read(copy), QByteArray("new"));
}

TEST_F(CliTest, CommandsThatChangeNothingWriteNothing) {
    ASSERT_EQ(pairStick(), 0);
    const QString file = files.write(QStringLiteral("home/a.txt"), "a");
    ASSERT_EQ(run({QStringLiteral("add"), file, stick + QStringLiteral("backup")}), 0);
    const QDateTime old(QDate(2020, 1, 1), QTime(0, 0));
    TestFiles::setModified(settingsPath(), old);
    const QByteArray before = settings();
    const QList<QStringList> commands = {
        {QStringLiteral("status")},
        {QStringLiteral("list")},
        {QStringLiteral("mode")},
        {QStringLiteral("refresh")},
        {QStringLiteral("sync")},
        {QStringLiteral("mode"), QStringLiteral("9")},
        {QStringLiteral("refresh"), QStringLiteral("x")},
        {QStringLiteral("add"), files.path(QStringLiteral("home/missing")), stick},
        {QStringLiteral("add"), file, files.path(QStringLiteral("home"))},
        {QStringLiteral("add-folder"), files.path(QStringLiteral("home/none")), stick},
        {QStringLiteral("remove"), QStringLiteral("7")},
        {QStringLiteral("pair"), files.path(QStringLiteral("home"))},
        {QStringLiteral("pair"), stick},
    };
    for (const QStringList& command : commands) {
        run(command);
        EXPECT_EQ(TestFiles::modified(settingsPath()), old) << command.join(u' ').toStdString();
    }
    EXPECT_EQ(settings(), before);
}

// Makes the settings file unchangeable even for root; undone at the end.
class UnchangeableFile {
public:
    explicit UnchangeableFile(const QString& path) : m_path(path) {
        ::chmod(QFile::encodeName(path).constData(), 0444);
        m_immutable =
            QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), path}) == 0;
    }
    ~UnchangeableFile() {
        if (m_immutable)
            QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), m_path});
        ::chmod(QFile::encodeName(m_path).constData(), 0644);
    }
    bool holds() const { return m_immutable || ::geteuid() != 0; }

private:
    QString m_path;
    bool m_immutable = false;
};

TEST_F(CliTest, SettingsThatCannotBeWrittenAreReportedAndNothingHappens) {
    ASSERT_EQ(pairStick(), 0);
    const QString file = files.write(QStringLiteral("home/a.txt"), "a");
    const QString other = files.write(QStringLiteral("home/b.txt"), "b");
    const QString copy = files.write(QStringLiteral("stick/backup/a.txt"), "a");
    files.makeDir(QStringLiteral("stick/photos"));
    ASSERT_EQ(run({QStringLiteral("add"), file, stick + QStringLiteral("backup")}), 0);
    const QByteArray before = settings();
    UnchangeableFile guard(settingsPath());
    if (!guard.holds())
        GTEST_SKIP() << "chattr cannot make the settings file unchangeable here";

    const QList<QStringList> commands = {
        {QStringLiteral("mode"), QStringLiteral("2")},
        {QStringLiteral("refresh"), QStringLiteral("3")},
        {QStringLiteral("add"), other, stick + QStringLiteral("backup")},
        {QStringLiteral("add-folder"), files.path(QStringLiteral("home")),
         stick + QStringLiteral("photos")},
        {QStringLiteral("remove"), QStringLiteral("1"), QStringLiteral("--delete-remote")},
        {QStringLiteral("pair"), stick, QStringLiteral("--yes")},
    };
    for (const QStringList& command : commands) {
        EXPECT_EQ(run(command), 1) << command.join(u' ').toStdString();
        EXPECT_THAT(err.toStdString(), HasSubstr("The settings could not be saved in " +
                                                 settingsPath().toStdString() + " ("))
            << command.join(u' ').toStdString();
        EXPECT_THAT(err.toStdString(), HasSubstr("Nothing was changed."));
        EXPECT_FALSE(out.contains(QStringLiteral("Added")) ||
                     out.contains(QStringLiteral("Removed")) ||
                     out.contains(QStringLiteral("Paired")))
            << out.toStdString();
    }
    EXPECT_EQ(settings(), before);
    EXPECT_TRUE(QFile::exists(copy)) << "the copy goes only once the item is gone from the store";
    EXPECT_EQ(run({QStringLiteral("list")}), 0) << "reading still works";
}

TEST_F(CliTest, DamagedSettingsAreReportedAndLeftAlone) {
    files.write(QStringLiteral("settings.ini"),
                QByteArray("\xff\xfe[\x01\n=\n[SyncInfo\n\x00\x00", 16));
    const QByteArray before = settings();
    platform::QSettingsStore probe(settingsPath());
    if (probe.health() == platform::SettingsStore::Health::Ok)
        GTEST_SKIP() << "this Qt reads the file as valid";
    EXPECT_EQ(run({QStringLiteral("mode"), QStringLiteral("2")}), 1);
    EXPECT_THAT(err.toStdString(), HasSubstr("damaged"));
    EXPECT_EQ(settings(), before);
}

TEST_F(CliTest, UnreadableSettingsAreReported) {
    // A folder where the file should be cannot be read by anyone, root included.
    files.makeDir(QStringLiteral("settings.ini"));
    EXPECT_EQ(run({QStringLiteral("status")}), 1);
    EXPECT_THAT(err.toStdString(), HasSubstr("settings file"));
}

TEST_F(CliTest, AddsMakeAMissingDestinationOnTheDriveAndSaySo) {
    ASSERT_EQ(pairStick(), 0);
    const QString folder = files.makeDir(QStringLiteral("home/photos"));
    files.write(QStringLiteral("home/photos/p.jpg"), "p");
    const QString file = files.write(QStringLiteral("home/report.doc"), "r");

    // A fresh stick: the destination does not exist yet, two levels deep.
    EXPECT_EQ(run({QStringLiteral("add-folder"), folder, stick + QStringLiteral("Photos/2024")}), 0)
        << err.toStdString();
    EXPECT_THAT(out.toStdString(), HasSubstr("Made the folder " + stick.toStdString() +
                                             "Photos/2024 on the drive.\n"));
    EXPECT_TRUE(QFileInfo(stick + QStringLiteral("Photos/2024")).isDir());
    EXPECT_EQ(run({QStringLiteral("add"), file, stick + QStringLiteral("Documents/")}), 0)
        << err.toStdString();
    EXPECT_THAT(out.toStdString(),
                HasSubstr("Made the folder " + stick.toStdString() + "Documents on the drive.\n"));
    EXPECT_EQ(run({QStringLiteral("list")}), 0);
    EXPECT_EQ(out, folder + QStringLiteral("\tFolder\t") + stick +
                       QStringLiteral("Photos/2024/\n") + file + QStringLiteral("\t1\t") + stick +
                       QStringLiteral("Documents/report.doc\n"));

    // A destination that exists is not made again, and nothing says it was.
    const QString other = files.write(QStringLiteral("home/other.doc"), "o");
    EXPECT_EQ(run({QStringLiteral("add"), other, stick + QStringLiteral("Documents")}), 0);
    EXPECT_FALSE(out.contains(QStringLiteral("Made the folder")));
}

TEST_F(CliTest, ARefusedAddLeavesTheDriveAsItWas) {
    ASSERT_EQ(pairStick(), 0);
    const QString folder = files.makeDir(QStringLiteral("home/docs"));
    ASSERT_EQ(run({QStringLiteral("add-folder"), folder, stick + QStringLiteral("backup")}), 0);
    const QByteArray before = settings();
    const QStringList treeBefore = TestFiles::tree(stick);

    // Refused for the source, or because the place belongs to item 1.
    EXPECT_EQ(run({QStringLiteral("add-folder"), files.path(QStringLiteral("home/none")),
                   stick + QStringLiteral("new/deeper")}),
              1);
    EXPECT_EQ(run({QStringLiteral("add"), files.path(QStringLiteral("home/missing")),
                   stick + QStringLiteral("new")}),
              1);
    EXPECT_EQ(run({QStringLiteral("add-folder"), files.makeDir(QStringLiteral("home/other")),
                   stick + QStringLiteral("backup/new/deeper")}),
              1);
    EXPECT_THAT(err.toStdString(), HasSubstr("overlaps item 1"));
    EXPECT_EQ(TestFiles::tree(stick), treeBefore);
    EXPECT_EQ(settings(), before);
}

TEST_F(CliTest, NothingIsMadeOutsideTheDrive) {
    ASSERT_EQ(pairStick(), 0);
    const QString folder = files.makeDir(QStringLiteral("home/docs"));
    const QString elsewhere = files.makeDir(QStringLiteral("elsewhere"));
    // Beside the drive, and through a link on the drive that leads off it.
    ASSERT_TRUE(QFile::link(elsewhere, stick + QStringLiteral("away")));
    for (const QString& dest :
         {files.path(QStringLiteral("elsewhere/new")), stick + QStringLiteral("away/new"),
          stick + QStringLiteral("../elsewhere/new")}) {
        EXPECT_EQ(run({QStringLiteral("add-folder"), folder, dest}), 1) << dest.toStdString();
        EXPECT_THAT(err.toStdString(), HasSubstr("Folder should be on the remote drive !!"));
    }
    EXPECT_EQ(TestFiles::tree(elsewhere), QStringList());

    // A file in the way is no folder to make; a name the drive cannot hold says why.
    files.write(QStringLiteral("stick/taken"), "a file");
    EXPECT_EQ(run({QStringLiteral("add-folder"), folder, stick + QStringLiteral("taken/sub")}), 1);
    EXPECT_THAT(err.toStdString(), HasSubstr("Folder should be on the remote drive !!"));
    const QString tooLong = QString(300, QLatin1Char('n'));
    EXPECT_EQ(
        run({QStringLiteral("add-folder"), folder, stick + QStringLiteral("made/") + tooLong}), 1);
    EXPECT_THAT(err.toStdString(), HasSubstr("could not be made on the drive"));
    EXPECT_THAT(err.toStdString(), HasSubstr("Nothing was changed."));
    EXPECT_FALSE(QFile::exists(stick + QStringLiteral("made"))) << "the level made first is gone";
}

TEST_F(CliTest, ATerminalGetsOneLineSummingUpThePass) {
    ASSERT_EQ(pairStick(), 0);
    const QString folder = files.makeDir(QStringLiteral("home/photos"));
    files.write(QStringLiteral("home/photos/a.jpg"), "a", at(8, 0, 0));
    files.write(QStringLiteral("home/photos/sub/b.jpg"), "b", at(8, 0, 0));
    files.write(QStringLiteral("stick/photos/c.jpg"), "c", at(8, 0, 0));
    ASSERT_EQ(run({QStringLiteral("add-folder"), folder, stick + QStringLiteral("photos")}), 0);
    const QString file = files.write(QStringLiteral("home/a.txt"), "new", at(9, 0, 0));
    ASSERT_EQ(run({QStringLiteral("add"), file, stick + QStringLiteral("backup")}), 0);

    // Into a file or a pipe, the output is what it always was.
    EXPECT_EQ(run({QStringLiteral("sync")}), 0);
    EXPECT_FALSE(out.contains(QStringLiteral("Pass:")));

    outIsTerminal = true;
    files.write(QStringLiteral("home/photos/d.jpg"), "d", at(8, 0, 0));
    files.write(QStringLiteral("stick/photos/e.jpg"), "e", at(8, 0, 0));
    EXPECT_EQ(run({QStringLiteral("sync")}), 0);
    EXPECT_TRUE(out.endsWith(QStringLiteral(
        "Pass: 1 copied to the drive, 1 copied to the PC, 4 unchanged, 0 failed.\n")))
        << out.toStdString();

    files.write(QStringLiteral("home/a.txt"), "newer", at(10, 0, 0));
    TestFiles::setReadOnly(stick + QStringLiteral("backup/a.txt"), true);
    TestFiles::setReadOnly(file, true);
    EXPECT_EQ(run({QStringLiteral("sync")}), 3);
    EXPECT_TRUE(out.endsWith(QStringLiteral(
        "Pass: 0 copied to the drive, 0 copied to the PC, 5 unchanged, 1 failed.\n")))
        << out.toStdString();

    // Edited on both sides since the last pass: counted, and both versions kept.
    TestFiles::setReadOnly(stick + QStringLiteral("backup/a.txt"), false);
    TestFiles::setReadOnly(file, false);
    ASSERT_EQ(run({QStringLiteral("sync")}), 0);
    files.write(QStringLiteral("home/photos/a.jpg"), "a on the PC", at(11, 0, 0));
    files.write(QStringLiteral("stick/photos/a.jpg"), "a on the stick", at(12, 0, 0));
    EXPECT_EQ(run({QStringLiteral("sync")}), 0);
    EXPECT_TRUE(out.endsWith(QStringLiteral("1 changed on both sides (both copies kept).\n")))
        << out.toStdString();
}

TEST_F(CliTest, AWatchSumsUpEachPassOnATerminal) {
    ASSERT_EQ(pairStick(), 0);
    const QString file = files.write(QStringLiteral("home/a.txt"), "a", at(8, 0, 0));
    ASSERT_EQ(run({QStringLiteral("add"), file, stick + QStringLiteral("backup")}), 0);
    outIsTerminal = true;
    // The first search comes at the first tick, a second later; Ctrl+C after it.
    QTimer::singleShot(1800, [] { Cli::requestInterrupt(); });
    const int code = run({QStringLiteral("watch")});
    Cli::clearInterrupt();
    EXPECT_EQ(code, 0);
    EXPECT_THAT(out.toStdString(),
                HasSubstr("\nPass: 1 copied to the drive, 0 copied to the PC, 0 unchanged, 0 "
                          "failed.\nStopped.\n"));
}

TEST_F(CliTest, AutostartTurnsTheLoginEntryOnAndOff) {
    windowProgram = files.write(QStringLiteral("bin/quillet"), "#!/bin/sh\n");
    ASSERT_TRUE(QFile::setPermissions(windowProgram,
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    const QString entry = files.path(QStringLiteral("config/autostart/quillet.desktop"));

    EXPECT_EQ(run({QStringLiteral("autostart"), QStringLiteral("status")}), 0);
    EXPECT_EQ(out, QStringLiteral("Quillet does not start at login.\n"));
    EXPECT_EQ(run({QStringLiteral("autostart"), QStringLiteral("on")}), 0) << err.toStdString();
    EXPECT_EQ(out, QStringLiteral("Quillet starts at login: ") + windowProgram +
                       QStringLiteral(" /boot (") + entry + QStringLiteral(")\n"));
    EXPECT_TRUE(QFile::exists(entry));
    EXPECT_EQ(run({QStringLiteral("autostart"), QStringLiteral("status")}), 0);
    EXPECT_THAT(out.toStdString(), HasSubstr("Quillet starts at login: "));
    ASSERT_EQ(pairStick(), 0);
    EXPECT_EQ(run({QStringLiteral("status")}), 0);
    EXPECT_THAT(out.toStdString(), HasSubstr("Start at login: yes\n"));

    EXPECT_EQ(run({QStringLiteral("autostart"), QStringLiteral("off")}), 0);
    EXPECT_EQ(out, QStringLiteral("Quillet does not start at login.\n"));
    EXPECT_FALSE(QFile::exists(entry));
    EXPECT_EQ(run({QStringLiteral("status")}), 0);
    EXPECT_THAT(out.toStdString(), HasSubstr("Start at login: no\n"));

    EXPECT_EQ(run({QStringLiteral("autostart"), QStringLiteral("maybe")}), 1);
    EXPECT_THAT(err.toStdString(), HasSubstr("autostart takes on, off or status"));
    EXPECT_EQ(run({QStringLiteral("autostart")}), 1);
}

TEST_F(CliTest, AutostartNeedsTheWindowedProgramBesideTheTool) {
    // The default is the program beside this one; the tests' folder has none.
    EXPECT_EQ(run({QStringLiteral("autostart"), QStringLiteral("on")}), 1);
    EXPECT_THAT(err.toStdString(),
                HasSubstr(platform::AppPath().toStdString() + "quillet is not installed"));
    windowProgram = files.write(QStringLiteral("bin/quillet"), "not executable");
    EXPECT_EQ(run({QStringLiteral("autostart"), QStringLiteral("on")}), 1);
    EXPECT_FALSE(QFile::exists(files.path(QStringLiteral("config/autostart"))));
    // Switching off needs nothing of it.
    EXPECT_EQ(run({QStringLiteral("autostart"), QStringLiteral("off")}), 0);
}

} // namespace
