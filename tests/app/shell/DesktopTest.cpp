// The main window in the user's language, and the check box that starts it at login.
#include "ScopedState.h"
#include "ScopedTranslation.h"
#include "ShellFixture.h"

#include "platform/AutostartEntry.h"
#include "shell/Captions.h"
#include "shell/MasterLayout.h"
#include "shell/SyncListModel.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <gmock/gmock.h>

using namespace quillet;
using namespace quillet::test;
using ::testing::ElementsAre;
using ::testing::Optional;

namespace {

// What a person reads on the window's main controls, access keys left out.
struct Shown {
    QString sync;
    QString viewLog;
    QString conflictsLabel;
    QString firstConflictEntry;
    QString secondRefreshEntry;
    QString firstHeading;
    QString exit;
    QString startAtLogin;
};

Shown shownOn(Master& master) {
    return Shown{
        Captions::plainText(control<XPButton>(master, "SyncButton")->Caption()),
        Captions::plainText(control<XPButton>(master, "ViewLog")->Caption()),
        Captions::plainText(control<QLabel>(master, "Labels0")->text()),
        control<QComboBox>(master, "ConflictsResolution")->itemText(0),
        control<QComboBox>(master, "RefreshTime")->itemText(1),
        control<SyncListModel>(master)->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(),
        control<QAction>(master, "qlt_exit")->text(),
        Captions::plainText(control<QCheckBox>(master, "StartAtLogin")->text()),
    };
}

class DesktopTest : public ShellFixture {};

TEST_F(DesktopTest, AGermanRunShowsGermanCaptions) {
    const ScopedTranslation german(QLocale(QLocale::German, QLocale::Germany));
    const Shown shown = shownOn(master());
    EXPECT_EQ(shown.sync, QStringLiteral("Jetzt abgleichen"));
    EXPECT_EQ(shown.viewLog, QStringLiteral("Protokoll"));
    EXPECT_EQ(shown.conflictsLabel, QStringLiteral("Bei Konflikten:"));
    EXPECT_EQ(shown.firstConflictEntry,
              QStringLiteral("Neueste Datei auf beiden Seiten behalten."));
    EXPECT_EQ(shown.secondRefreshEntry, QStringLiteral("Alle 10 Sekunden"));
    EXPECT_EQ(shown.firstHeading, QStringLiteral("Lokale Datei:"));
    EXPECT_EQ(shown.exit, QStringLiteral("Beenden"));
    EXPECT_EQ(shown.startAtLogin, QStringLiteral("Beim Anmelden starten"));
    // The totals' unit too.
    EXPECT_THAT(control<QLabel>(master(), "DrvSize")->text().toStdString(),
                ::testing::EndsWith(" Bytes"));
    // Every caption fits its button.
    for (XPButton* button :
         {control<XPButton>(master(), "AddFile"), control<XPButton>(master(), "AddFolderButton"),
          control<XPButton>(master(), "RemoveFile"), control<XPButton>(master(), "SyncButton"),
          control<XPButton>(master(), "ViewLog"), control<XPButton>(master(), "NewFlash")})
        EXPECT_LE(
            QFontMetrics(button->Font()).horizontalAdvance(Captions::plainText(button->Caption())) +
                8,
            button->width())
            << Captions::plainText(button->Caption()).toStdString();
    // Qt's own buttons speak the same language.
    QMessageBox box(QMessageBox::Question, QString(), QString(),
                    QMessageBox::Yes | QMessageBox::No);
    if (QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) +
                      QStringLiteral("/qtbase_de.qm"))) {
        EXPECT_EQ(box.button(QMessageBox::Yes)->text(), QStringLiteral("&Ja"));
    }
}

TEST_F(DesktopTest, AnUnknownLocaleShowsTheEnglishCaptions) {
    for (const QLocale& locale :
         {QLocale(QStringLiteral("xx_XX")), QLocale(QLocale::French, QLocale::France)}) {
        const ScopedTranslation other(locale);
        MasterServices services;
        services.clock = &clock;
        services.trayShell = std::make_unique<RecordingIconShell>();
        Master window(*session, logPath, std::move(services));
        const Shown shown = shownOn(window);
        EXPECT_EQ(shown.sync, QStringLiteral("Synchronize Now"));
        EXPECT_EQ(shown.viewLog, QStringLiteral("View Log"));
        EXPECT_EQ(shown.conflictsLabel, QStringLiteral("Conflicts resolution:"));
        EXPECT_EQ(shown.firstConflictEntry, QStringLiteral("Keep the latest file on both."));
        EXPECT_EQ(shown.secondRefreshEntry, QStringLiteral("Every 10 seconds"));
        EXPECT_EQ(shown.firstHeading, QStringLiteral("Local File:"));
        EXPECT_EQ(shown.exit, QStringLiteral("Exit"));
        EXPECT_EQ(shown.startAtLogin, QStringLiteral("Start at login"));
        QMessageBox box(QMessageBox::Question, QString(), QString(),
                        QMessageBox::Yes | QMessageBox::No);
        EXPECT_EQ(box.button(QMessageBox::Yes)->text(), QStringLiteral("&Yes"));
    }
}

// The autostart folders of the test's own, never the user's.
class StartAtLoginTest : public ShellFixture {
protected:
    StartAtLoginTest()
        : m_config("XDG_CONFIG_HOME", QFile::encodeName(files.path(QStringLiteral("config")))),
          m_system("XDG_CONFIG_DIRS", QFile::encodeName(files.path(QStringLiteral("xdg")))) {}
    QString entryPath() const {
        return files.path(QStringLiteral("config/autostart/quillet.desktop"));
    }
    platform::AutostartEntry entry() const {
        return platform::AutostartEntry(QCoreApplication::applicationFilePath());
    }

private:
    ScopedEnvironmentVariable m_config;
    ScopedEnvironmentVariable m_system;
};

TEST_F(StartAtLoginTest, TheCheckBoxSwitchesTheEntryThatStartsThisProgramHidden) {
    QCheckBox* box = control<QCheckBox>(master(), "StartAtLogin");
    EXPECT_FALSE(box->isChecked());
    box->click();
    EXPECT_TRUE(box->isChecked());
    EXPECT_THAT(entry().command(), Optional(ElementsAre(QCoreApplication::applicationFilePath(),
                                                        QStringLiteral("/boot"))));
    EXPECT_EQ(entry().path(), entryPath());
    box->click();
    EXPECT_FALSE(box->isChecked());
    EXPECT_FALSE(QFile::exists(entryPath()));
}

TEST_F(StartAtLoginTest, TheBoxShowsAnEntryMadeElsewhere) {
    // Switched on by the command line tool before the window came up.
    ASSERT_TRUE(entry().turnOn());
    EXPECT_TRUE(control<QCheckBox>(master(), "StartAtLogin")->isChecked());
}

TEST_F(StartAtLoginTest, AnEntryThatCannotBeWrittenSaysWhyAndStaysOff) {
    files.write(QStringLiteral("config/autostart"), "a file where the folder goes");
    QCheckBox* box = control<QCheckBox>(master(), "StartAtLogin");
    const auto seen = answerNextBox(QMessageBox::Ok);
    box->click();
    EXPECT_TRUE(seen->shown);
    EXPECT_EQ(seen->title, master().windowTitle());
    EXPECT_THAT(seen->text.toStdString(), ::testing::HasSubstr("autostart"));
    EXPECT_FALSE(box->isChecked());
}

TEST_F(StartAtLoginTest, TheBoxStandsBesideTheConflictOptionWhateverTheLanguage) {
    for (const QLocale& locale :
         {QLocale(QLocale::German, QLocale::Germany), QLocale(QLocale::English)}) {
        const ScopedTranslation language(locale);
        MasterServices services;
        services.clock = &clock;
        services.trayShell = std::make_unique<RecordingIconShell>();
        Master window(*session, logPath, std::move(services));
        window.resize(1, 1); // the smallest the layout allows
        QApplication::processEvents();
        const QRect box = control<QCheckBox>(window, "StartAtLogin")->geometry();
        const QRect option = control<QComboBox>(window, "ConflictsResolution")->geometry();
        EXPECT_EQ(box.right() + 1 + 12, option.left()) << locale.name().toStdString();
        EXPECT_EQ(box.center().y(), option.center().y()) << locale.name().toStdString();
        EXPECT_GE(box.width(), control<QCheckBox>(window, "StartAtLogin")->sizeHint().width());
        // Clear of the emblem in the corner.
        EXPECT_GE(box.left(), Master::SplashCorner.width()) << locale.name().toStdString();
    }
}

TEST(StartAtLoginLayoutTest, ABoxThatWouldTouchTheEmblemGoesBesideTheLink) {
    MasterDesign design;
    design.update = QSize(150, 16);
    for (const int width : {130, 200}) {
        design.startAtLogin = QSize(width, 18);
        const MasterGeometry places = layoutMaster(QSize(640, 480), design);
        EXPECT_GE(places.startAtLogin.left(), EmblemRight + EmblemGap) << width;
        EXPECT_FALSE(places.startAtLogin.intersects(places.conflictsResolution)) << width;
        EXPECT_FALSE(places.startAtLogin.intersects(places.update)) << width;
        EXPECT_FALSE(places.startAtLogin.intersects(places.conflictsLabel)) << width;
    }
    // The long one went up, level with the link.
    EXPECT_NEAR(layoutMaster(QSize(640, 480), design).startAtLogin.center().y(),
                layoutMaster(QSize(640, 480), design).update.center().y(), 1);
}

} // namespace
