#include "platform/AutostartEntry.h"
#include "TestFiles.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <gmock/gmock.h>

using namespace quillet;
using namespace quillet::platform;
using namespace quillet::test;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Optional;

namespace {

// A user's autostart folder and a system one, both of the test's own.
class AutostartEntryTest : public ::testing::Test {
protected:
    QString userFolder() const { return files.path(QStringLiteral("config/autostart")); }
    QString systemFolder() const { return files.path(QStringLiteral("xdg/autostart")); }
    AutostartEntry entry(const QString& program = QStringLiteral("/opt/quillet/bin/quillet")) {
        return AutostartEntry(program, userFolder(), {systemFolder()});
    }
    QString systemEntry(const QByteArray& extra = QByteArray()) {
        return files.write(QStringLiteral("xdg/autostart/quillet.desktop"),
                           "[Desktop Entry]\nType=Application\nName=Quillet\n"
                           "Exec=/usr/bin/quillet /boot\n" +
                               extra);
    }
    // desktop-file-validate's complaints about the file; empty when it has none.
    static std::optional<QString> validatorSays(const QString& path) {
        const QString validator =
            QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
        if (validator.isEmpty())
            return std::nullopt;
        QProcess run;
        run.setProcessChannelMode(QProcess::MergedChannels);
        run.start(validator, {path});
        run.waitForFinished();
        const QString said = QString::fromUtf8(run.readAll());
        return run.exitCode() == 0 ? said.trimmed() : QStringLiteral("failed: ") + said;
    }

    TestFiles files;
};

TEST_F(AutostartEntryTest, OnWritesAnEntryThatStartsTheProgramHiddenAndOffRemovesIt) {
    AutostartEntry autostart = entry();
    EXPECT_FALSE(autostart.isOn());
    EXPECT_EQ(autostart.path(), userFolder() + QStringLiteral("/quillet.desktop"));

    ASSERT_TRUE(autostart.turnOn()) << "the folder is made when missing";
    EXPECT_THAT(
        autostart.command(),
        Optional(ElementsAre(QStringLiteral("/opt/quillet/bin/quillet"), QStringLiteral("/boot"))));
    const QByteArray text = TestFiles::read(autostart.path());
    EXPECT_TRUE(text.startsWith("[Desktop Entry]\n"));
    EXPECT_THAT(text.toStdString(), HasSubstr("\nIcon=quillet\n"));
    EXPECT_THAT(text.toStdString(), HasSubstr("\nExec=\"/opt/quillet/bin/quillet\" /boot\n"));

    ASSERT_TRUE(autostart.turnOn()) << "on twice is still on";
    EXPECT_TRUE(autostart.isOn());
    ASSERT_TRUE(autostart.turnOff());
    EXPECT_FALSE(QFile::exists(autostart.path()));
    EXPECT_FALSE(autostart.isOn());
    EXPECT_TRUE(autostart.turnOff()) << "off twice is still off";
}

TEST_F(AutostartEntryTest, AnyProgramPathSurvivesTheEntrysQuotingRules) {
    const QStringList programs = {
        QStringLiteral("/home/ann/My Programs/quillet"),
        QStringLiteral("/opt/q\"uote/$HOME/`cmd`/back\\slash/quillet"),
        QStringLiteral("/opt/100% sure/quillet"),
        QStringLiteral("/opt/Gr\u00FC\u00DFe;&|<>*?#~'()/quillet"),
    };
    for (const QString& program : programs) {
        AutostartEntry autostart = entry(program);
        ASSERT_TRUE(autostart.turnOn()) << program.toStdString();
        EXPECT_THAT(autostart.command(), Optional(ElementsAre(program, QStringLiteral("/boot"))))
            << program.toStdString();
        const std::optional<QString> said = validatorSays(autostart.path());
        if (said) {
            EXPECT_EQ(*said, QString()) << program.toStdString();
        }
    }
}

TEST_F(AutostartEntryTest, TheEntriesPassTheDesktopsValidator) {
    AutostartEntry autostart = entry(QStringLiteral("/opt/quillet/bin/quillet"));
    ASSERT_TRUE(autostart.turnOn());
    const std::optional<QString> on = validatorSays(autostart.path());
    if (!on)
        GTEST_SKIP() << "desktop-file-validate is not installed (package desktop-file-utils)";
    EXPECT_EQ(*on, QString());
    // The hidden entry that switches off a system one.
    systemEntry();
    ASSERT_TRUE(autostart.turnOff());
    ASSERT_TRUE(QFile::exists(autostart.path()));
    EXPECT_EQ(validatorSays(autostart.path()), QString());
}

TEST_F(AutostartEntryTest, ASystemEntryIsOverriddenNeverDeleted) {
    const QString system = systemEntry();
    AutostartEntry autostart = entry();
    EXPECT_THAT(autostart.command(),
                Optional(ElementsAre(QStringLiteral("/usr/bin/quillet"), QStringLiteral("/boot"))));
    const QByteArray before = TestFiles::read(system);

    // Removing the user's entry would leave the system's in force: it is hidden instead.
    ASSERT_TRUE(autostart.turnOff());
    EXPECT_FALSE(autostart.isOn());
    EXPECT_THAT(TestFiles::read(autostart.path()).toStdString(), HasSubstr("\nHidden=true\n"));
    ASSERT_TRUE(autostart.turnOn());
    EXPECT_THAT(
        autostart.command(),
        Optional(ElementsAre(QStringLiteral("/opt/quillet/bin/quillet"), QStringLiteral("/boot"))));
    EXPECT_THAT(TestFiles::read(autostart.path()).toStdString(),
                ::testing::Not(HasSubstr("Hidden")));
    EXPECT_EQ(TestFiles::read(system), before);

    // A system entry hidden by the system starts nothing: off is simply no user entry.
    files.write(QStringLiteral("xdg/autostart/quillet.desktop"), before + "Hidden=true\n");
    ASSERT_TRUE(autostart.turnOff());
    EXPECT_FALSE(QFile::exists(autostart.path()));
    EXPECT_FALSE(autostart.isOn());
}

TEST_F(AutostartEntryTest, AnEntrySwitchedOffByTheDesktopIsOffUntilTurnedOn) {
    AutostartEntry autostart = entry();
    for (const QByteArray& off :
         {QByteArray("Hidden=true\n"), QByteArray("X-GNOME-Autostart-enabled=false\n")}) {
        ASSERT_TRUE(autostart.turnOn());
        QFile file(autostart.path());
        ASSERT_TRUE(file.open(QIODevice::Append));
        file.write(off);
        file.close();
        EXPECT_FALSE(autostart.isOn()) << off.toStdString();
        ASSERT_TRUE(autostart.turnOn());
        EXPECT_TRUE(autostart.isOn()) << off.toStdString();
    }
    // Keys of another group, comments and blanks around "=" are read as a desktop does.
    files.write(QStringLiteral("config/autostart/quillet.desktop"),
                "# mine\n[Desktop Entry]\nExec = quillet  /boot\n[Desktop Action x]\n"
                "Hidden=true\n");
    EXPECT_THAT(autostart.command(),
                Optional(ElementsAre(QStringLiteral("quillet"), QStringLiteral("/boot"))));
}

TEST_F(AutostartEntryTest, FailuresSayWhyAndChangeNothing) {
    // A file where the folder should be.
    files.write(QStringLiteral("config/autostart"), "not a folder");
    AutostartEntry autostart = entry();
    const Status on = autostart.turnOn();
    ASSERT_FALSE(on);
    EXPECT_THAT(on.error().message, HasSubstr(userFolder().toStdString()));
    EXPECT_EQ(TestFiles::read(userFolder()), QByteArray("not a folder"));

    const Status control = entry(QStringLiteral("/opt/new\nline/quillet")).turnOn();
    ASSERT_FALSE(control);
    EXPECT_THAT(control.error().message, HasSubstr("control character"));
}

TEST(AutostartExecTest, ArgumentsAreUnquotedAndFieldCodesLeftToTheLauncher) {
    EXPECT_THAT(AutostartEntry::execArguments(QStringLiteral("quillet %U")),
                Optional(ElementsAre(QStringLiteral("quillet"))));
    EXPECT_THAT(
        AutostartEntry::execArguments(QStringLiteral("  a   b\t\"c d\" ")),
        Optional(ElementsAre(QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c d"))));
    EXPECT_THAT(AutostartEntry::execArguments(QStringLiteral("run 50%% \"\\\"x\\\\\" \"\"")),
                Optional(ElementsAre(QStringLiteral("run"), QStringLiteral("50%"),
                                     QStringLiteral("\"x\\"), QString())));
    EXPECT_EQ(AutostartEntry::execArguments(QStringLiteral("\"unterminated /boot")), std::nullopt);
    EXPECT_THAT(AutostartEntry::execArguments(QString()), Optional(ElementsAre()));
}

} // namespace
