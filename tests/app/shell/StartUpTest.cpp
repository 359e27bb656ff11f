// The start-up routine against a shell that only notes each step, and the program itself
// where only a real process shows it: the second instance, --help and --version.
#include "shell/StartUp.h"
#include "CliRunner.h"
#include "platform/QSettingsStore.h"
#include "platform/UserLock.h"
#include "shell/InstanceChannel.h"
#include "shell/QtStartUpShell.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTest>

#include <gmock/gmock.h>

using namespace quillet;
using namespace quillet::test;

namespace {

// Notes each step; the main window's load "adds and ends" whenever it is given an item.
class NotingShell : public StartUpShell {
public:
    bool firstInstance() override {
        steps << QStringLiteral("instance test");
        return !anotherInstance;
    }
    bool handOver(const QString& commandLine) override {
        steps << QStringLiteral("hand over [") + commandLine + QLatin1Char(']');
        return anotherInstance;
    }
    void showSplash() override { steps << QStringLiteral("splash"); }
    bool drivePaired() override { return paired; }
    void pairDrive() override { steps << QStringLiteral("pairing"); }
    bool openMaster(const QString& commandLine) override {
        steps << QStringLiteral("load [") + commandLine + QLatin1Char(']');
        return commandLine.isEmpty();
    }
    bool iconReachable() override { return notificationArea; }
    void showMaster(Show how) override {
        switch (how) {
        case Show::Visible:
            steps << QStringLiteral("visible");
            break;
        case Show::Hidden:
            steps << QStringLiteral("hidden");
            break;
        case Show::Minimised:
            steps << QStringLiteral("minimised");
            break;
        }
    }

    bool anotherInstance = false;
    bool paired = true;
    bool notificationArea = true;
    QStringList steps;
};

struct Row {
    const char* name;
    QStringList arguments;
    bool paired;
    QStringList steps;
    std::optional<int> exitCode; // none: the program goes on running
    bool anotherInstance = false;
    bool notificationArea = true;
};

QStringList steps(std::initializer_list<const char*> names) {
    QStringList list;
    for (const char* name : names)
        list << QLatin1String(name);
    return list;
}

const QStringList Opened{QStringLiteral("instance test"), QStringLiteral("splash")};

QStringList operator+(const QStringList& first, const char* step) {
    return QStringList(first) << QLatin1String(step);
}

TEST(StartUpTest, DecisionTable) {
    const QString ann = QStringLiteral("/home/ann/");
    const std::vector<Row> rows{
        {"empty", {}, true, Opened + "load []" + "visible", std::nullopt},
        {"/boot", {QStringLiteral("/boot")}, true, Opened + "load []" + "hidden", std::nullopt},
        {"/boot without a notification area",
         {QStringLiteral("/boot")},
         true,
         Opened + "load []" + "minimised",
         std::nullopt,
         false,
         false},
        {"/bootx", {QStringLiteral("/bootx")}, true, steps({"load []", "hidden"}), std::nullopt},
        {"/f PATH",
         {QStringLiteral("/f"), ann + QStringLiteral("Docs")},
         true,
         {QStringLiteral("hand over [/f ") + ann + QStringLiteral("Docs]"),
          QStringLiteral("load [/f ") + ann + QStringLiteral("Docs]")},
         0},
        {"a file",
         {ann + QStringLiteral("a.txt")},
         true,
         {QStringLiteral("hand over [") + ann + QStringLiteral("a.txt]"),
          QStringLiteral("load [") + ann + QStringLiteral("a.txt]")},
         0},
        {"/F PATH",
         {QStringLiteral("/F"), ann + QStringLiteral("Docs")},
         true,
         {QStringLiteral("hand over [/F ") + ann + QStringLiteral("Docs]"),
          QStringLiteral("load [/F ") + ann + QStringLiteral("Docs]")},
         0},
        {"a quoted path with blanks",
         {QLatin1Char('"') + ann + QStringLiteral("My Documents/a b.txt\"")},
         true,
         {QStringLiteral("hand over [") + ann + QStringLiteral("My Documents/a b.txt]"),
          QStringLiteral("load [") + ann + QStringLiteral("My Documents/a b.txt]")},
         0},
        {"nothing paired", {}, false, Opened + "pairing" + "load []" + "visible", std::nullopt},
        {"nothing paired, /boot",
         {QStringLiteral("/boot")},
         false,
         Opened + "pairing" + "load []" + "visible",
         std::nullopt},
        {"nothing paired, a file",
         {ann + QStringLiteral("a.txt")},
         false,
         {QStringLiteral("hand over [") + ann + QStringLiteral("a.txt]"), QStringLiteral("pairing"),
          QStringLiteral("load []"), QStringLiteral("visible")},
         std::nullopt},
        {"second instance", {}, true, steps({"instance test", "hand over []"}), 0, true},
        {"second instance, /boot",
         {QStringLiteral("/boot")},
         true,
         steps({"instance test"}),
         0,
         true},
        {"second instance adding a file",
         {ann + QStringLiteral("a.txt")},
         true,
         {QStringLiteral("hand over [") + ann + QStringLiteral("a.txt]")},
         0,
         true},
        {"second instance, /f PATH",
         {QStringLiteral("/f"), ann + QStringLiteral("a.txt")},
         true,
         {QStringLiteral("hand over [/f ") + ann + QStringLiteral("a.txt]")},
         0,
         true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        NotingShell shell;
        shell.paired = row.paired;
        shell.anotherInstance = row.anotherInstance;
        shell.notificationArea = row.notificationArea;
        StartUp startUp(shell);
        EXPECT_EQ(startUp.run(StartUp::commandLineFrom(row.arguments)), row.exitCode);
        EXPECT_EQ(shell.steps, row.steps);
    }
}

TEST(StartUpTest, TheCommandLineJoinsTheArgumentsAndDropsOnePairOfQuotesAroundThePath) {
    auto line = [](const QStringList& arguments) { return StartUp::commandLineFrom(arguments); };
    EXPECT_EQ(line({}), QString());
    EXPECT_EQ(line({QStringLiteral("/home/ann/My"), QStringLiteral("Documents/a.txt")}),
              QStringLiteral("/home/ann/My Documents/a.txt"));
    EXPECT_EQ(line({QStringLiteral("/f"), QStringLiteral("\"/home/ann/My Docs\"")}),
              QStringLiteral("/f /home/ann/My Docs"));
    EXPECT_EQ(line({QStringLiteral("\"\"/x.txt\"\"")}), QStringLiteral("\"/x.txt\""));
    // Not a pair around the whole path: left as it is.
    EXPECT_EQ(line({QStringLiteral("\"/home/ann/a.txt")}), QStringLiteral("\"/home/ann/a.txt"));
    EXPECT_EQ(line({QStringLiteral("\"/a\""), QStringLiteral("\"/b\"")}),
              QStringLiteral("/a\" \"/b"));
    EXPECT_EQ(line({QStringLiteral("\"")}), QStringLiteral("\""));
}

TEST(StartUpTest, HelpAndVersionOnlyAsTheWholeCommandLine) {
    EXPECT_TRUE(StartUp::printsOnly(QStringLiteral("--help")));
    EXPECT_TRUE(StartUp::printsOnly(QStringLiteral("--version")));
    for (const char* other : {"", "/boot", "--help x", "-h", "--versions", "/f --help"})
        EXPECT_FALSE(StartUp::printsOnly(QLatin1String(other))) << other;
    EXPECT_EQ(StartUp::printed(QStringLiteral("--version")),
              QStringLiteral("Quillet ") + QStringLiteral(QUILLET_VERSION) + QLatin1Char('\n'));
    const QString help = StartUp::printed(QStringLiteral("--help"));
    EXPECT_TRUE(help.startsWith(QStringLiteral("Usage: quillet [/boot | /f PATH | FILE]\n")));
    for (const char* option : {"/boot", "/f PATH", "FILE", "--help", "--version"})
        EXPECT_TRUE(help.contains(QStringLiteral("\n  ") + QLatin1String(option))) << option;
}

// The program itself, with folders of its own.
class ProgramTest : public ::testing::Test {
protected:
    ProgramTest() : program(QStringLiteral(QUILLET_PROGRAM_PATH)) {}
    CliRunner program;
};

TEST_F(ProgramTest, ASecondInstanceEndsSilently) {
    platform::UserLock first(
        platform::UserLock::nameFor(QStringLiteral("window"), program.settingsPath()),
        program.environment().value(QStringLiteral("XDG_RUNTIME_DIR")));
    ASSERT_EQ(first.take(), platform::UserLock::Take::Taken);
    for (const QString& boot : {QString(), QStringLiteral("/boot")}) {
        QElapsedTimer clock;
        clock.start();
        const CliOutcome second =
            program.run(boot.isEmpty() ? QStringList() : QStringList{boot}, 20);
        EXPECT_THAT(second, ExitsWith(0));
        EXPECT_TRUE(second.out.isEmpty()) << second;
        EXPECT_LT(clock.elapsed(), 2500) << "no splash: " << second;
    }
    EXPECT_FALSE(QFile::exists(program.settingsPath())) << "nothing was read or written";
}

TEST_F(ProgramTest, ASecondStartHandsItsCommandLineToTheRunningOne) {
    // The running program: its lock, and its channel, played by the test.
    platform::UserLock first(
        platform::UserLock::nameFor(QStringLiteral("window"), program.settingsPath()),
        program.environment().value(QStringLiteral("XDG_RUNTIME_DIR")));
    ASSERT_EQ(first.take(), platform::UserLock::Take::Taken);
    platform::QSettingsStore store(program.settingsPath());
    InstanceChannel channel(QtStartUpShell::channelName(store));
    ASSERT_TRUE(channel.listen());
    QStringList received;
    QObject::connect(&channel, &InstanceChannel::received,
                     [&](const QString& line) { received << line; });
    const QString file = QStringLiteral("/home/ann/My Docs/a\nb.txt");
    for (const QStringList& arguments :
         {QStringList(), QStringList{QStringLiteral("/f"), file}, QStringList{file}}) {
        QProcess second;
        second.setProcessEnvironment(program.environment());
        second.start(program.program(), arguments);
        // The running program answers from its event loop.
        QTRY_VERIFY_WITH_TIMEOUT(second.state() == QProcess::NotRunning, 20000);
        EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().toStdString();
    }
    QTRY_COMPARE(received.size(), 3);
    EXPECT_EQ(received, (QStringList{QString(), QStringLiteral("/f ") + file, file}));
    EXPECT_FALSE(QFile::exists(program.settingsPath())) << "the running program adds, not this";
}

TEST_F(ProgramTest, TheInstanceLockIsTheOneTheProgramTakes) {
    platform::QSettingsStore store(program.settingsPath());
    EXPECT_EQ(QtStartUpShell::instanceLockName(store),
              platform::UserLock::nameFor(QStringLiteral("window"), program.settingsPath()));
}

TEST_F(ProgramTest, HelpAndVersionNeedNoDisplay) {
    QProcess process;
    QProcessEnvironment bare = program.environment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        bare.remove(QLatin1String(name));
    process.setProcessEnvironment(bare);
    process.start(program.program(), {QStringLiteral("--version")});
    ASSERT_TRUE(process.waitForFinished(20000));
    EXPECT_EQ(process.exitCode(), 0);
    EXPECT_EQ(QString::fromUtf8(process.readAllStandardOutput()),
              QStringLiteral("Quillet ") + QStringLiteral(QUILLET_VERSION) + QLatin1Char('\n'));
    process.start(program.program(), {QStringLiteral("--help")});
    ASSERT_TRUE(process.waitForFinished(20000));
    EXPECT_EQ(process.exitCode(), 0);
    EXPECT_EQ(QString::fromUtf8(process.readAllStandardOutput()),
              StartUp::printed(QStringLiteral("--help")));
    EXPECT_TRUE(process.readAllStandardError().isEmpty());
}

} // namespace
