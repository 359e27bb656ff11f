#include "shell/Captions.h"
#include "shell/LogWindow.h"
#include "shell/MasterLayout.h"
#include "shell/Splash.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

using namespace quillet;

namespace {

MasterDesign designWithLabels() {
    MasterDesign d;
    d.conflictsLabel = QSize(120, 14);
    d.refreshLabel = QSize(80, 14);
    d.drvFilesSize = QSize(230, 14);
    d.drvSize = QSize(180, 15);
    d.drvFreeSpace = QSize(200, 16);
    d.appCopy = QSize(400, 13);
    d.update = QSize(110, 14);
    return d;
}

TEST(MasterLayoutTest, SmallWindowGrowsTo640By480) {
    EXPECT_EQ(layoutMaster(QSize(500, 400), designWithLabels()).window, QSize(640, 480));
}

TEST(MasterLayoutTest, HeightIsTestedAgainst460ButSetTo480) {
    const MasterDesign d = designWithLabels();
    EXPECT_EQ(layoutMaster(QSize(800, 470), d).window, QSize(800, 470));
    EXPECT_EQ(layoutMaster(QSize(800, 460), d).window, QSize(800, 460));
    EXPECT_EQ(layoutMaster(QSize(800, 459), d).window, QSize(800, 480));
    EXPECT_EQ(layoutMaster(QSize(639, 600), d).window, QSize(640, 600));
    EXPECT_EQ(layoutMaster(QSize(640, 600), d).window, QSize(640, 600));
}

TEST(MasterLayoutTest, ColumnsAreAThirdAndASixthOfTheList) {
    const MasterGeometry g = layoutMaster(QSize(650, 500), designWithLabels());
    ASSERT_EQ(g.syncFiles.width(), 600);
    EXPECT_EQ(g.columns, (std::array<int, 4>{200, 100, 200, 100}));
    // Widths that do not divide evenly are cut, never rounded up past the list.
    const MasterGeometry odd = layoutMaster(QSize(711, 500), designWithLabels());
    EXPECT_EQ(odd.columns, (std::array<int, 4>{220, 110, 220, 110}));
}

TEST(MasterLayoutTest, ListFillsTheWindowAndTheButtonsHangBelowIt) {
    const MasterDesign d = designWithLabels();
    const MasterGeometry g = layoutMaster(QSize(697, 482), d);
    EXPECT_EQ(g.syncFiles, QRect(20, 88, 647, 482 - 88 - 60 - 99));
    const int listBottom = g.syncFiles.y() + g.syncFiles.height();
    EXPECT_EQ(g.addFile, QRect(20, listBottom + 20, 114, 33));
    EXPECT_EQ(g.addFolderButton.x(), 20 + 114 + 5);
    EXPECT_EQ(g.removeFile.x(), 20 + 114 + 5 + 114 + 5);
    EXPECT_EQ(g.addFolderButton.y(), g.addFile.y());
    EXPECT_EQ(g.removeFile.y(), g.addFile.y());
    // The file status sits right under the list, in the gap above the buttons.
    EXPECT_EQ(g.fileStatus.topLeft(), QPoint(20, listBottom));
}

TEST(MasterLayoutTest, OptionAndTotalsEndAtTheListsRightEdge) {
    const MasterDesign d = designWithLabels();
    const MasterGeometry g = layoutMaster(QSize(900, 600), d);
    const int listRight = g.syncFiles.x() + g.syncFiles.width();
    EXPECT_EQ(g.conflictsResolution.x() + g.conflictsResolution.width(), listRight);
    EXPECT_EQ(g.conflictsLabel.x(), g.conflictsResolution.x());
    EXPECT_EQ(g.conflictsLabel.y(), 88 - 21 - 30);
    EXPECT_EQ(g.conflictsResolution.y(), g.conflictsLabel.y() + 14 + 2);
    for (const QRect& total : {g.drvFilesSize, g.drvSize, g.drvFreeSpace})
        EXPECT_EQ(total.x() + total.width(), listRight);
    EXPECT_EQ(g.drvFilesSize.y(), g.addFile.y());
    EXPECT_EQ(g.drvSize.y(), g.drvFilesSize.y() + 15 + 2);
    EXPECT_EQ(g.drvFreeSpace.y(), g.drvSize.y() + 16 + 2);
    EXPECT_EQ(g.update.y(), 10);
    EXPECT_EQ(g.update.x() + g.update.width(), listRight);
    // The copy's bar ends with the list too, and the file status stops short of it.
    EXPECT_EQ(g.progressBar.x() + g.progressBar.width(), listRight);
    EXPECT_LT(g.fileStatus.x() + g.fileStatus.width(), g.progressBar.x());
}

TEST(MasterLayoutTest, SecondRowSharesOnePlaceForSyncAndStop) {
    const MasterDesign d = designWithLabels();
    const MasterGeometry g = layoutMaster(QSize(800, 560), d);
    EXPECT_EQ(g.stopButton, g.syncButton);
    EXPECT_EQ(g.syncButton.y(), 560 - 33 - 40 - 13);
    EXPECT_EQ(g.viewLog, QRect(g.syncButton.x() - 98 - 5, g.syncButton.y(), 98, 33));
    // "Setup a new drive" spans the first two buttons; the about line is under it.
    EXPECT_EQ(g.newFlash, QRect(20, g.syncButton.y(), 114 + 5 + 114, 33));
    EXPECT_EQ(g.appCopy.topLeft(), QPoint(20, g.newFlash.y() + 33 + 5));
    // The refresh list stands under "Remove Sync...", its bottom level with the buttons'.
    EXPECT_EQ(g.refreshTime, QRect(g.removeFile.x(), g.newFlash.y() + 33 - 20, 114, 20));
    EXPECT_EQ(g.refreshLabel.topLeft(), QPoint(g.removeFile.x(), g.newFlash.y()));
}

TEST(MasterLayoutTest, SameSizeGivesTheSamePlaces) {
    const MasterDesign d = designWithLabels();
    const MasterGeometry a = layoutMaster(QSize(777, 555), d);
    const MasterGeometry b = layoutMaster(QSize(777, 555), d);
    EXPECT_EQ(a.syncFiles, b.syncFiles);
    EXPECT_EQ(a.refreshTime, b.refreshTime);
    EXPECT_EQ(a.columns, b.columns);
}

TEST(SplashLayoutTest, WindowFitsThePictureWithItsBorder) {
    const Splash::Geometry g = Splash::fit(QSize(400, 210), QSize(52, 15));
    EXPECT_EQ(g.picture, QRect(0, 0, 400, 210));
    EXPECT_EQ(g.window, QSize(400 + 2 + 5, 210 + 2 + 5));
    EXPECT_EQ(g.ver.x() + g.ver.width(), 400 - 10);
    EXPECT_EQ(g.ver.y(), 5);
    EXPECT_EQ(g.ver.size(), QSize(52, 15));
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
