#include "shell/Captions.h"
#include "shell/LogWindow.h"
#include "shell/MasterLayout.h"
#include "shell/Splash.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

using namespace quillet;

namespace {

MasterDesign designWithLabels() {
    MasterDesign design;
    design.conflictsLabel = QSize(120, 14);
    design.refreshLabel = QSize(80, 14);
    design.drvFilesSize = QSize(230, 14);
    design.drvSize = QSize(180, 15);
    design.drvFreeSpace = QSize(200, 16);
    design.appCopy = QSize(400, 13);
    design.update = QSize(110, 14);
    design.startAtLogin = QSize(104, 17);
    return design;
}

TEST(MasterLayoutTest, SmallWindowGrowsTo640By480) {
    EXPECT_EQ(layoutMaster(QSize(500, 400), designWithLabels()).window, QSize(640, 480));
}

TEST(MasterLayoutTest, HeightIsTestedAgainst460ButSetTo480) {
    const MasterDesign design = designWithLabels();
    EXPECT_EQ(layoutMaster(QSize(800, 470), design).window, QSize(800, 470));
    EXPECT_EQ(layoutMaster(QSize(800, 460), design).window, QSize(800, 460));
    EXPECT_EQ(layoutMaster(QSize(800, 459), design).window, QSize(800, 480));
    EXPECT_EQ(layoutMaster(QSize(639, 600), design).window, QSize(640, 600));
    EXPECT_EQ(layoutMaster(QSize(640, 600), design).window, QSize(640, 600));
}

TEST(MasterLayoutTest, ColumnsAreAThirdAndASixthOfTheList) {
    const MasterGeometry places = layoutMaster(QSize(650, 500), designWithLabels());
    ASSERT_EQ(places.syncFiles.width(), 600);
    EXPECT_EQ(places.columns, (std::array<int, 4>{200, 100, 200, 100}));
    // Widths that do not divide evenly are cut, never rounded up past the list.
    const MasterGeometry odd = layoutMaster(QSize(711, 500), designWithLabels());
    EXPECT_EQ(odd.columns, (std::array<int, 4>{220, 110, 220, 110}));
}

TEST(MasterLayoutTest, ListFillsTheWindowAndTheButtonsHangBelowIt) {
    const MasterDesign design = designWithLabels();
    const MasterGeometry places = layoutMaster(QSize(697, 482), design);
    EXPECT_EQ(places.syncFiles, QRect(20, 88, 647, 482 - 88 - 60 - 99));
    const int listBottom = places.syncFiles.y() + places.syncFiles.height();
    EXPECT_EQ(places.addFile, QRect(20, listBottom + 20, 114, 33));
    EXPECT_EQ(places.addFolderButton.x(), 20 + 114 + 5);
    EXPECT_EQ(places.removeFile.x(), 20 + 114 + 5 + 114 + 5);
    EXPECT_EQ(places.addFolderButton.y(), places.addFile.y());
    EXPECT_EQ(places.removeFile.y(), places.addFile.y());
    // The file status sits right under the list, in the gap above the buttons.
    EXPECT_EQ(places.fileStatus.topLeft(), QPoint(20, listBottom));
}

TEST(MasterLayoutTest, OptionAndTotalsEndAtTheListsRightEdge) {
    const MasterDesign design = designWithLabels();
    const MasterGeometry places = layoutMaster(QSize(900, 600), design);
    const int listRight = places.syncFiles.x() + places.syncFiles.width();
    EXPECT_EQ(places.conflictsResolution.x() + places.conflictsResolution.width(), listRight);
    EXPECT_EQ(places.conflictsLabel.x(), places.conflictsResolution.x());
    EXPECT_EQ(places.conflictsLabel.y(), 88 - 21 - 30);
    EXPECT_EQ(places.conflictsResolution.y(), places.conflictsLabel.y() + 14 + 2);
    for (const QRect& total : {places.drvFilesSize, places.drvSize, places.drvFreeSpace})
        EXPECT_EQ(total.x() + total.width(), listRight);
    EXPECT_EQ(places.drvFilesSize.y(), places.addFile.y());
    EXPECT_EQ(places.drvSize.y(), places.drvFilesSize.y() + 15 + 2);
    EXPECT_EQ(places.drvFreeSpace.y(), places.drvSize.y() + 16 + 2);
    // The login check box on the option's left, level with it.
    EXPECT_EQ(places.startAtLogin.x() + places.startAtLogin.width() + 12,
              places.conflictsResolution.x());
    EXPECT_EQ(places.startAtLogin.y() + places.startAtLogin.height() / 2,
              places.conflictsResolution.y() + places.conflictsResolution.height() / 2);
    EXPECT_EQ(places.startAtLogin.size(), design.startAtLogin);
    EXPECT_EQ(places.update.y(), 10);
    EXPECT_EQ(places.update.x() + places.update.width(), listRight);
    // The copy's bar ends with the list too, and the file status stops short of it.
    EXPECT_EQ(places.progressBar.x() + places.progressBar.width(), listRight);
    EXPECT_LT(places.fileStatus.x() + places.fileStatus.width(), places.progressBar.x());
}

TEST(MasterLayoutTest, SecondRowSharesOnePlaceForSyncAndStop) {
    const MasterDesign design = designWithLabels();
    const MasterGeometry places = layoutMaster(QSize(800, 560), design);
    EXPECT_EQ(places.stopButton, places.syncButton);
    EXPECT_EQ(places.syncButton.y(), 560 - 33 - 40 - 13);
    EXPECT_EQ(places.viewLog, QRect(places.syncButton.x() - 98 - 5, places.syncButton.y(), 98, 33));
    // "Setup a new drive" spans the first two buttons; the about line is under it.
    EXPECT_EQ(places.newFlash, QRect(20, places.syncButton.y(), 114 + 5 + 114, 33));
    EXPECT_EQ(places.appCopy.topLeft(), QPoint(20, places.newFlash.y() + 33 + 5));
    // The refresh list stands under "Remove Sync...", its bottom level with the buttons'.
    EXPECT_EQ(places.refreshTime,
              QRect(places.removeFile.x(), places.newFlash.y() + 33 - 20, 114, 20));
    EXPECT_EQ(places.refreshLabel.topLeft(), QPoint(places.removeFile.x(), places.newFlash.y()));
}

TEST(MasterLayoutTest, SameSizeGivesTheSamePlaces) {
    const MasterDesign design = designWithLabels();
    const MasterGeometry first = layoutMaster(QSize(777, 555), design);
    const MasterGeometry second = layoutMaster(QSize(777, 555), design);
    EXPECT_EQ(first.syncFiles, second.syncFiles);
    EXPECT_EQ(first.refreshTime, second.refreshTime);
    EXPECT_EQ(first.columns, second.columns);
}

TEST(SplashLayoutTest, WindowFitsThePictureWithItsBorder) {
    const Splash::Geometry places = Splash::fit(QSize(400, 210), QSize(52, 15));
    EXPECT_EQ(places.picture, QRect(0, 0, 400, 210));
    EXPECT_EQ(places.window, QSize(400 + 2 + 5, 210 + 2 + 5));
    EXPECT_EQ(places.ver.x() + places.ver.width(), 400 - 10);
    EXPECT_EQ(places.ver.y(), 5);
    EXPECT_EQ(places.ver.size(), QSize(52, 15));
}

TEST(LogWindowLayoutTest, TextBoxIsPlacedByTwips) {
    // 200, 1320 twips; width less 450, height less 2000 twips.
    EXPECT_EQ(LogWindow::logViewGeometry(QSize(620, 440)), QRect(13, 88, 620 - 30, 440 - 133));
    EXPECT_EQ(LogWindow::logViewGeometry(QSize(30, 134)), QRect(13, 88, 0, 1));
    EXPECT_FALSE(LogWindow::logViewGeometry(QSize(29, 500)).has_value());
    EXPECT_FALSE(LogWindow::logViewGeometry(QSize(500, 133)).has_value());
}

TEST(CaptionsTest, VersionTextsTakeTheirForms) {
    const BuildVersion v{1, 5, 12};
    EXPECT_EQ(Captions::mainCaption(v), QStringLiteral("Quillet Version 1.05"));
    EXPECT_EQ(Captions::mainCaption({3, 12, 0}), QStringLiteral("Quillet Version 3.12"));
    EXPECT_EQ(Captions::pairingCaption(v), QStringLiteral("Quillet 1.5"));
    EXPECT_EQ(Captions::splashVersion({2, 1, 15}), QStringLiteral("v2.01.15"));
    const QString about = Captions::aboutLine(v);
    EXPECT_TRUE(about.startsWith(QStringLiteral("Quillet Version 1.05 Build 12 - ")))
        << about.toStdString();
    EXPECT_GT(about.size(), 40); // and a notice follows
}

TEST(CaptionsTest, RefreshEntriesKeepTheirBlanks) {
    const QStringList entries = Captions::refreshEntries();
    EXPECT_EQ(entries,
              (QStringList{QStringLiteral("Every  5 seconds"), QStringLiteral("Every 10 seconds"),
                           QStringLiteral("Every 30 seconds"), QStringLiteral("Every minute"),
                           QStringLiteral("Every  5 minutes"), QStringLiteral("Every 10 minutes"),
                           QStringLiteral("Every 15 minutes"), QStringLiteral("Every 30 minutes"),
                           QStringLiteral("Every  1 hour")}));
}

TEST(CaptionsTest, ConflictEntriesInModeOrder) {
    const QStringList entries = Captions::conflictEntries();
    ASSERT_EQ(entries.size(), 6);
    EXPECT_EQ(entries[0], QStringLiteral("Keep the latest file on both."));
    EXPECT_EQ(entries[2], QStringLiteral("Copy from Removable Drive to Local PC"));
    EXPECT_EQ(entries[4],
              QStringLiteral("Copy from Local PC to Removable Drive. (Prompt before any change)"));
}

TEST(CaptionsTest, AccessKeysAreTheFirstFreeLetters) {
    QString taken;
    EXPECT_EQ(Captions::withAccessKey(QStringLiteral("Synchronize Now"), taken),
              QStringLiteral("&Synchronize Now"));
    EXPECT_EQ(Captions::withAccessKey(QStringLiteral("Stop"), taken), QStringLiteral("S&top"));
    EXPECT_EQ(Captions::withAccessKey(QStringLiteral("sort"), taken), QStringLiteral("s&ort"));
    // An ampersand of the text itself stays text, and is never the key.
    EXPECT_EQ(Captions::withAccessKey(QStringLiteral("& Save"), taken), QStringLiteral("&& S&ave"));
    EXPECT_EQ(Captions::withAccessKey(QStringLiteral("1 2 3"), taken), QStringLiteral("1 2 3"));
    EXPECT_EQ(taken, QStringLiteral("stoa"));
    EXPECT_EQ(Captions::plainText(QStringLiteral("&& S&ave")), QStringLiteral("& Save"));
    EXPECT_EQ(Captions::plainText(QStringLiteral("S&top")), QStringLiteral("Stop"));
}

} // namespace
