// Adding and removing items through the window, with the pickers answered by the test: every
// refusal, what each add stores, the drop, the command line's add and the watch meanwhile.
#include "ShellFixture.h"

#include "shell/SyncListModel.h"

#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

#include <gmock/gmock.h>

using namespace quillet;
using namespace quillet::test;

namespace {

const QString DriveAbsentFile = QStringLiteral(
    "Removable drive not found. Please connect the drive before adding any new file.");
const QString DriveAbsentFolder = QStringLiteral(
    "Removable drive not found. Please connect the drive before adding any new folder.");
const QString NotAFile = QStringLiteral(
    "File does not exist or is a Folder, you can only synchronize files not folders.");
const QString FolderOnDrive =
    QStringLiteral("You cannot select folders inside the Removable Drive !");
const QString NotOnDrive = QStringLiteral("Folder should be on the remote drive !!");

// What a message box showed, and whether the watch ran while it was up.
struct Box {
    bool shown = false;
    QString title;
    QString text;
    QString informativeText;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    bool watchRunning = true;
};

class AddRemoveTest : public ShellFixture {
protected:
    AddRemoveTest() {
        local1 = files.write(QStringLiteral("local/report.txt"), QByteArray(1500, 'r'));
        files.makeDir(QStringLiteral("drive/dest"));
        files.makeDir(QStringLiteral("local/photos"));
    }

    // The window loaded, its first search done: the drive found.
    Master& ready() {
        Master& window = master();
        session->watch().searchAtNextTick();
        window.searchTick();
        EXPECT_TRUE(session->driveFound());
        return window;
    }
    // The window loaded with the drive away.
    Master& driveAway() {
        volumes.clear();
        Master& window = master();
        session->watch().searchAtNextTick();
        window.searchTick();
        EXPECT_FALSE(session->driveFound());
        return window;
    }

    // Answers the next message box with the button given.
    std::shared_ptr<Box> answer(QMessageBox::StandardButton button = QMessageBox::Ok) {
        auto seen = std::make_shared<Box>();
        SyncSession* watched = session.get();
        whenModal<QMessageBox>([seen, button, watched](QMessageBox* box) {
            *seen = describe(*box, *watched);
            box->button(button)->click();
        });
        return seen;
    }
    // Answers the next message boxes in turn, one button each.
    std::shared_ptr<std::vector<Box>> answerInTurn(QList<QMessageBox::StandardButton> buttons) {
        auto seen = std::make_shared<std::vector<Box>>();
        armNext(seen, std::move(buttons), session.get());
        return seen;
    }

    static Box describe(QMessageBox& box, SyncSession& watched) {
        Box seen;
        seen.shown = true;
        seen.title = box.windowTitle();
        seen.text = box.text();
        seen.informativeText = box.informativeText();
        seen.icon = box.icon();
        seen.buttons = box.standardButtons();
        seen.defaultButton = box.standardButton(box.defaultButton());
        seen.watchRunning = watched.watch().searchTimerEnabled();
        return seen;
    }
    static void armNext(const std::shared_ptr<std::vector<Box>>& seen,
                        QList<QMessageBox::StandardButton> buttons, SyncSession* watched) {
        if (buttons.isEmpty())
            return;
        whenModal<QMessageBox>([seen, buttons, watched](QMessageBox* box) mutable {
            seen->push_back(describe(*box, *watched));
            box->button(buttons.takeFirst())->click();
            armNext(seen, buttons, watched);
        });
    }

    const QList<SyncItem>& rows() const { return session->list().rows(); }
    QString stored(const QString& key) const {
        return store->read(QString::number(0x1234), key, QStringLiteral("<none>"));
    }
    // Every picker was asked while the watch was paused, and the watch runs again now.
    void expectWatchPausedOnlyMeanwhile(Master& window) {
        for (const FakePickers::Asked& asked : pickers.asked)
            EXPECT_FALSE(asked.watchRunning) << asked.picker.toStdString();
        EXPECT_TRUE(control<QTimer>(window, "SearchTimer")->isActive());
        EXPECT_TRUE(session->watch().searchTimerEnabled());
    }

    QString local1;
};

TEST_F(AddRemoveTest, AFileIsChosenThenPlacedAndItsRowStored) {
    Master& window = ready();
    pickers.openAnswers = {local1};
    pickers.destAnswers = {drive(QStringLiteral("dest"))};
    Q_EMIT control<XPButton>(window, "AddFile")->Click();

    ASSERT_EQ(pickers.pickersAsked(),
              (QStringList{QStringLiteral("ShowOpen"), QStringLiteral("ShowCopyFile")}));
    EXPECT_EQ(pickers.asked[0].title, window.windowTitle());
    EXPECT_EQ(pickers.asked[1].title, QStringLiteral("Where do you want to place ") + local1 +
                                          QStringLiteral(" in the removable drive ?"));
    EXPECT_EQ(pickers.asked[1].startIn, root());
    expectWatchPausedOnlyMeanwhile(window);

    ASSERT_EQ(rows().size(), 1);
    EXPECT_EQ(rows()[0].localPath, local1);
    EXPECT_EQ(rows()[0].sizeText, QStringLiteral("1,500"));
    EXPECT_EQ(rows()[0].remotePath, drive(QStringLiteral("dest/report.txt")));
    EXPECT_EQ(stored(QStringLiteral("LocalFile1")), local1);
    EXPECT_EQ(stored(QStringLiteral("RemoteFile1")), QStringLiteral(":/dest/report.txt"));
    EXPECT_EQ(stored(QStringLiteral("LocalFile2")), QString());
    EXPECT_EQ(control<QTreeView>(window, "syncFiles")->model()->rowCount(), 1);
    EXPECT_EQ(control<QTreeView>(window, "syncFiles")
                  ->model()
                  ->index(0, SyncListModel::BFiles)
                  .data()
                  .toString(),
              drive(QStringLiteral("dest/report.txt")));
}

TEST_F(AddRemoveTest, TheSameFileTwiceGivesTwoRowsAndTheRootIsNotDoubled) {
    Master& window = ready();
    pickers.destAnswers = {root(), drive(QStringLiteral("dest/"))};
    window.AddNewFile(local1);
    window.AddNewFile(local1);
    ASSERT_EQ(rows().size(), 2);
    EXPECT_EQ(rows()[0].localPath, local1);
    EXPECT_EQ(rows()[1].localPath, local1);
    EXPECT_EQ(rows()[0].remotePath, drive(QStringLiteral("report.txt")));
    EXPECT_EQ(rows()[1].remotePath, drive(QStringLiteral("dest/report.txt")));
    EXPECT_EQ(stored(QStringLiteral("RemoteFile1")), QStringLiteral(":/report.txt"));
    EXPECT_EQ(stored(QStringLiteral("RemoteFile2")), QStringLiteral(":/dest/report.txt"));
    EXPECT_EQ(control<QTreeView>(window, "syncFiles")->model()->rowCount(), 2);
}

TEST_F(AddRemoveTest, EveryRefusalOfAFileAddsNothingAndLeavesTheWatchRunning) {
    const QString onDrive = files.write(QStringLiteral("drive/dest/d.txt"), "d");
    const QString taken = files.write(QStringLiteral("local/other/report.txt"), "other");
    struct Case {
        const char* name;
        std::optional<QString> chosen; // what the file dialog gives; none: cancelled
        QStringList destinations;      // what the CopyFile dialog gives, in turn
        QString message;               // empty: nothing said
        QStringList asked;
    };
    const QString open = QStringLiteral("ShowOpen");
    const QString copy = QStringLiteral("ShowCopyFile");
    const std::vector<Case> cases{
        {"file dialog cancelled", std::nullopt, {}, QString(), {open}},
        {"a folder", local(QStringLiteral("photos")), {}, NotAFile, {open}},
        {"a path that is not there", local(QStringLiteral("gone.txt")), {}, NotAFile, {open}},
        {"CopyFile cancelled", local1, {}, QString(), {open, copy}},
        {"a file of the drive itself",
         onDrive,
         {},
         QStringLiteral("You cannot select files inside the Removable Drive !"),
         {open}},
        {"a place another item keeps",
         taken,
         {drive(QStringLiteral("dest"))},
         QStringLiteral("overlaps item 1"),
         {open, copy}},
    };
    Master& window = ready();
    pickers.destAnswers = {drive(QStringLiteral("dest"))};
    window.AddNewFile(local1);
    ASSERT_EQ(rows().size(), 1);
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        pickers.asked.clear();
        pickers.openAnswers = {test.chosen};
        pickers.destAnswers = test.destinations;
        const auto box = answer();
        window.AddNewFile(QString());
        QTest::qWait(20);
        EXPECT_EQ(pickers.pickersAsked(), test.asked);
        EXPECT_EQ(box->shown, !test.message.isEmpty());
        if (box->shown) {
            EXPECT_THAT(box->text.toStdString(), ::testing::HasSubstr(test.message.toStdString()));
            EXPECT_EQ(box->title, window.windowTitle());
            EXPECT_EQ(box->icon, QMessageBox::Warning);
            EXPECT_EQ(box->buttons, QMessageBox::Ok);
            EXPECT_FALSE(box->watchRunning);
        }
        qDeleteAll(
            QCoreApplication::instance()->findChildren<QTimer*>(QStringLiteral("modal-poll")));
        EXPECT_EQ(rows().size(), 1);
        EXPECT_EQ(stored(QStringLiteral("LocalFile2")), QString());
        expectWatchPausedOnlyMeanwhile(window);
    }
}

TEST_F(AddRemoveTest, WithTheDriveAwayNothingIsAsked) {
    Master& window = driveAway();
    const auto box = answer();
    window.AddNewFile(QString());
    EXPECT_TRUE(pickers.asked.isEmpty());
    ASSERT_TRUE(box->shown);
    EXPECT_EQ(box->text, DriveAbsentFile);
    EXPECT_EQ(box->icon, QMessageBox::Warning);
    EXPECT_TRUE(rows().isEmpty());
    EXPECT_TRUE(control<QTimer>(window, "SearchTimer")->isActive());

    // A folder: the folder to add is chosen before the drive is looked for.
    pickers.folderAnswers = {local(QStringLiteral("photos/"))};
    const auto folderBox = answer();
    Q_EMIT control<XPButton>(window, "AddFolderButton")->Click();
    ASSERT_EQ(pickers.pickersAsked(), QStringList{QStringLiteral("BrowseForFolder")});
    ASSERT_TRUE(folderBox->shown);
    EXPECT_EQ(folderBox->text, DriveAbsentFolder);
    EXPECT_TRUE(rows().isEmpty());
    expectWatchPausedOnlyMeanwhile(window);
}

TEST_F(AddRemoveTest, AFolderIsChosenThenItsDestinationAndStoredWithoutItsSeparator) {
    Master& window = ready();
    pickers.folderAnswers = {local(QStringLiteral("photos/")), drive(QStringLiteral("dest/"))};
    Q_EMIT control<XPButton>(window, "AddFolderButton")->Click();

    ASSERT_EQ(pickers.pickersAsked(),
              (QStringList{QStringLiteral("BrowseForFolder"), QStringLiteral("BrowseForFolder")}));
    EXPECT_EQ(pickers.asked[0].title, QStringLiteral("Choose the Folder to Sync"));
    EXPECT_FALSE(pickers.asked[0].newStyle);
    // The drive's picker says which folder it places.
    EXPECT_EQ(pickers.asked[1].title,
              QStringLiteral("Choose destination folder: ") + local(QStringLiteral("photos")));
    EXPECT_TRUE(pickers.asked[1].newStyle) << "a new folder can be made on the drive";
    EXPECT_EQ(pickers.asked[1].startIn, root());
    expectWatchPausedOnlyMeanwhile(window);

    ASSERT_EQ(rows().size(), 1);
    EXPECT_EQ(rows()[0].localPath, local(QStringLiteral("photos")));
    EXPECT_EQ(rows()[0].sizeText, QStringLiteral("Folder"));
    EXPECT_EQ(rows()[0].status, QStringLiteral("Folder"));
    EXPECT_EQ(rows()[0].remotePath, drive(QStringLiteral("dest/")));
    EXPECT_EQ(stored(QStringLiteral("LocalFile1")), local(QStringLiteral("photos")));
    EXPECT_EQ(stored(QStringLiteral("RemoteFile1")), QStringLiteral(":/dest/"));
    EXPECT_EQ(control<QTreeView>(window, "syncFiles")
                  ->model()
                  ->index(0, SyncListModel::Status)
                  .data()
                  .toString(),
              QStringLiteral("Folder"));
}

TEST_F(AddRemoveTest, EveryRefusalOfAFolderAddsNothingAndLeavesTheWatchRunning) {
    files.makeDir(QStringLiteral("drive/dest/sub"));
    files.makeDir(QStringLiteral("local/music"));
    struct Case {
        const char* name;
        QStringList folders; // the folder to add, then the destination
        QString message;
        QMessageBox::Icon icon;
        int asked;
    };
    const std::vector<Case> cases{
        {"folder picker cancelled", {}, QString(), QMessageBox::NoIcon, 1},
        {"a folder of the drive",
         {drive(QStringLiteral("dest/sub/"))},
         FolderOnDrive,
         QMessageBox::Warning,
         1},
        {"no folder at all", {local(QStringLiteral("gone/"))}, QString(), QMessageBox::NoIcon, 1},
        {"destination picker cancelled",
         {local(QStringLiteral("music/"))},
         NotOnDrive,
         QMessageBox::Critical,
         2},
        {"destination on another drive",
         {local(QStringLiteral("music/")), local()},
         NotOnDrive,
         QMessageBox::Critical,
         2},
        {"a place another item keeps",
         {local(QStringLiteral("music/")), drive(QStringLiteral("dest/sub/"))},
         QStringLiteral("overlaps item 1"),
         QMessageBox::Warning,
         2},
    };
    Master& window = ready();
    pickers.folderAnswers = {local(QStringLiteral("photos/")), drive(QStringLiteral("dest/"))};
    window.chooseFolderToAdd();
    ASSERT_EQ(rows().size(), 1);
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        pickers.asked.clear();
        pickers.folderAnswers = test.folders;
        const auto box = answer();
        window.chooseFolderToAdd();
        QTest::qWait(20);
        EXPECT_EQ(pickers.asked.size(), test.asked);
        EXPECT_EQ(box->shown, !test.message.isEmpty());
        if (box->shown) {
            EXPECT_THAT(box->text.toStdString(), ::testing::HasSubstr(test.message.toStdString()));
            EXPECT_EQ(box->icon, test.icon);
            EXPECT_EQ(box->title, window.windowTitle());
        }
        qDeleteAll(
            QCoreApplication::instance()->findChildren<QTimer*>(QStringLiteral("modal-poll")));
        EXPECT_EQ(rows().size(), 1);
        EXPECT_EQ(stored(QStringLiteral("LocalFile2")), QString());
        expectWatchPausedOnlyMeanwhile(window);
    }
}

TEST_F(AddRemoveTest, RemovingAFolderAsksNothing) {
    storeRow(1, local(QStringLiteral("photos")), QStringLiteral("dest/"));
    Master& window = ready();
    control<QTreeView>(window, "syncFiles")
        ->setCurrentIndex(control<QTreeView>(window, "syncFiles")->model()->index(0, 0));
    const auto box = answer(QMessageBox::Yes);
    Q_EMIT control<XPButton>(window, "RemoveFile")->Click();
    QTest::qWait(30);
    EXPECT_FALSE(box->shown);
    EXPECT_TRUE(rows().isEmpty());
    EXPECT_EQ(stored(QStringLiteral("LocalFile1")), QString());
    EXPECT_TRUE(QDir(drive(QStringLiteral("dest"))).exists());
    EXPECT_TRUE(control<QTimer>(window, "SearchTimer")->isActive());
}

TEST_F(AddRemoveTest, RemovingAFileAsksWhetherItsDriveCopyGoesNoBeingTheDefault) {
    const QString second = files.write(QStringLiteral("local/b.txt"), "b");
    storeRow(1, local1, QStringLiteral("report.txt"));
    storeRow(2, second, QStringLiteral("b.txt"));
    files.write(QStringLiteral("drive/report.txt"), "copy");
    files.write(QStringLiteral("drive/b.txt"), "copy");
    Master& window = ready();
    EXPECT_TRUE(pickers.asked.isEmpty());

    // Nothing selected: nothing happens.
    const auto none = answer(QMessageBox::Yes);
    window.removeSelected();
    QTest::qWait(20);
    EXPECT_FALSE(none->shown);
    EXPECT_EQ(rows().size(), 2);
    qDeleteAll(QCoreApplication::instance()->findChildren<QTimer*>(QStringLiteral("modal-poll")));

    // No: the row goes, both copies stay.
    control<QTreeView>(window, "syncFiles")
        ->setCurrentIndex(control<QTreeView>(window, "syncFiles")->model()->index(0, 0));
    const auto no = answer(QMessageBox::No);
    window.removeSelected();
    ASSERT_TRUE(no->shown);
    EXPECT_EQ(no->title, window.windowTitle());
    EXPECT_EQ(no->icon, QMessageBox::Information);
    EXPECT_EQ(no->buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(no->defaultButton, QMessageBox::No);
    EXPECT_FALSE(no->watchRunning);
    EXPECT_EQ(no->text, QStringLiteral("File removed for synchronization.\nThis don't delete the "
                                       "file on Local Computer or in Removable Drive, do you wish "
                                       "to remove on the Removable drive ? "));
    // It names the item and the copy the answer is about.
    EXPECT_EQ(no->informativeText, local1 + QStringLiteral("\nCopy on the drive: ") +
                                       drive(QStringLiteral("report.txt")));
    ASSERT_EQ(rows().size(), 1);
    EXPECT_EQ(rows()[0].localPath, second);
    EXPECT_EQ(stored(QStringLiteral("LocalFile1")), second);
    EXPECT_TRUE(QFile::exists(local1));
    EXPECT_TRUE(QFile::exists(drive(QStringLiteral("report.txt"))));

    // Yes: the drive's copy goes too; the local file never does.
    control<QTreeView>(window, "syncFiles")
        ->setCurrentIndex(control<QTreeView>(window, "syncFiles")->model()->index(0, 0));
    const auto yes = answer(QMessageBox::Yes);
    window.removeSelected();
    ASSERT_TRUE(yes->shown);
    EXPECT_TRUE(rows().isEmpty());
    EXPECT_FALSE(QFile::exists(drive(QStringLiteral("b.txt"))));
    EXPECT_TRUE(QFile::exists(second));
    EXPECT_TRUE(control<QTimer>(window, "SearchTimer")->isActive());
}

TEST_F(AddRemoveTest, ACopyThatCannotBeDeletedSaysWhyAndTheRowIsGoneAllTheSame) {
    storeRow(1, local1, QStringLiteral("report.txt"));
    storeRow(2, files.write(QStringLiteral("local/b.txt"), "b"), QStringLiteral("b.txt"));
    // Where the copy should be, a folder: the system refuses to delete it as a file.
    files.write(QStringLiteral("drive/report.txt/inside.txt"), "x");
    Master& window = ready();
    control<QTreeView>(window, "syncFiles")
        ->setCurrentIndex(control<QTreeView>(window, "syncFiles")->model()->index(0, 0));
    // The question, then the system's reason.
    const auto boxes = answerInTurn({QMessageBox::Yes, QMessageBox::Ok});
    window.removeSelected();
    ASSERT_EQ(boxes->size(), 2u);
    const Box* question = &boxes->at(0);
    const Box* reason = &boxes->at(1);
    ASSERT_TRUE(question->shown);
    ASSERT_TRUE(reason->shown);
    EXPECT_EQ(reason->text, QStringLiteral("Is a directory"));
    EXPECT_EQ(reason->icon, QMessageBox::Critical);
    ASSERT_EQ(rows().size(), 1);
    EXPECT_EQ(rows()[0].remotePath, drive(QStringLiteral("b.txt")));
    EXPECT_TRUE(QFile::exists(drive(QStringLiteral("report.txt/inside.txt"))));
}

TEST_F(AddRemoveTest, DroppedFilesAreAddedInTurnThenAPassRuns) {
    Master& window = ready();
    QFile::remove(logPath);
    pickers.destAnswers = {drive(QStringLiteral("dest"))};
    const auto box = answer();
    window.filesDropped({local1, local(QStringLiteral("photos"))});
    // The file took its dialog; the folder was refused as no file.
    EXPECT_EQ(pickers.pickersAsked(), QStringList{QStringLiteral("ShowCopyFile")});
    ASSERT_TRUE(box->shown);
    EXPECT_EQ(box->text, NotAFile);
    ASSERT_EQ(rows().size(), 1);
    // Then the pass.
    EXPECT_TRUE(rows()[0].status.startsWith(QStringLiteral("Synchronized at ")));
    EXPECT_EQ(TestFiles::read(drive(QStringLiteral("dest/report.txt"))), QByteArray(1500, 'r'));
    EXPECT_TRUE(control<QTimer>(window, "SearchTimer")->isActive());

    // Nothing that is a file: the pass runs all the same.
    QFile::remove(logPath);
    window.filesDropped({});
    EXPECT_FALSE(logLines().isEmpty());
}

TEST_F(AddRemoveTest, AFileDroppedFromTheDesktopIsAdded) {
    Master& window = ready();
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    pickers.destAnswers = {drive(QStringLiteral("dest"))};
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(local1)});
    QWidget* list = control<QTreeView>(window, "syncFiles")->viewport();
    const QPoint middle = list->rect().center();
    QDragEnterEvent enter(middle, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(middle), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list, &drop);
    EXPECT_TRUE(drop.isAccepted());
    // The dialogs come once the drop is over.
    EXPECT_TRUE(pickers.asked.isEmpty());
    QTRY_COMPARE(rows().size(), 1);
    EXPECT_EQ(rows()[0].remotePath, drive(QStringLiteral("dest/report.txt")));
}

TEST_F(AddRemoveTest, TheCommandLinesFolderIsAddedAndTheProgramEndsWithoutAPass) {
    commandLine = QStringLiteral("/f ") + local(QStringLiteral("photos/"));
    pickers.folderAnswers = {drive(QStringLiteral("dest/"))};
    Master& window = master();
    EXPECT_TRUE(window.endedByAdd());
    EXPECT_EQ(pickers.pickersAsked(), QStringList{QStringLiteral("BrowseForFolder")});
    EXPECT_FALSE(pickers.asked[0].watchRunning);
    EXPECT_EQ(stored(QStringLiteral("LocalFile1")), local(QStringLiteral("photos")));
    EXPECT_EQ(stored(QStringLiteral("RemoteFile1")), QStringLiteral(":/dest/"));
    // No pass, no icon, no search.
    EXPECT_FALSE(QFile::exists(logPath));
    EXPECT_FALSE(window.tray()->IconShown());
    EXPECT_FALSE(control<QTimer>(window, "SearchTimer")->isActive());
    EXPECT_FALSE(window.isVisible());
}

TEST_F(AddRemoveTest, TheCommandLinesFileIsAddedWithItsDialog) {
    commandLine = local1;
    pickers.destAnswers = {drive(QStringLiteral("dest"))};
    Master& window = master();
    EXPECT_TRUE(window.endedByAdd());
    EXPECT_EQ(pickers.pickersAsked(), QStringList{QStringLiteral("ShowCopyFile")});
    EXPECT_EQ(stored(QStringLiteral("RemoteFile1")), QStringLiteral(":/dest/report.txt"));
    EXPECT_FALSE(QFile::exists(logPath));
}

TEST_F(AddRemoveTest, AFileAfterSlashFIsAddedAsAFileOrTheProgramSaysWhyNot) {
    commandLine = QStringLiteral("/f ") + local1;
    pickers.destAnswers = {drive(QStringLiteral("dest"))};
    EXPECT_TRUE(master().endedByAdd());
    EXPECT_EQ(pickers.pickersAsked(), QStringList{QStringLiteral("ShowCopyFile")});
    EXPECT_EQ(stored(QStringLiteral("LocalFile1")), local1);
    EXPECT_EQ(stored(QStringLiteral("RemoteFile1")), QStringLiteral(":/dest/report.txt"));
}

TEST_F(AddRemoveTest, APathAfterSlashFThatIsNeitherSaysSo) {
    const QString missing = local(QStringLiteral("gone"));
    commandLine = QStringLiteral("/f ") + missing;
    const auto box = answer();
    EXPECT_TRUE(master().endedByAdd());
    ASSERT_TRUE(box->shown);
    EXPECT_EQ(box->text, missing + QStringLiteral(" was not found."));
    EXPECT_EQ(box->icon, QMessageBox::Warning);
    EXPECT_TRUE(pickers.asked.isEmpty());
    EXPECT_EQ(stored(QStringLiteral("LocalFile1")), QStringLiteral("<none>"));
}

TEST_F(AddRemoveTest, AnItemHandedOverByASecondStartIsAddedAndTheWindowComesForward) {
    Master& window = ready();
    window.setNotificationArea([] { return true; });
    ASSERT_FALSE(window.isVisible());
    // A plain second start: only the window.
    window.handedOver(QString());
    QTRY_VERIFY(window.isVisible());
    EXPECT_TRUE(pickers.asked.isEmpty());
    window.hide();
    // With a file, and with a folder: each with its drive dialog; the program goes on.
    pickers.destAnswers = {drive(QStringLiteral("dest"))};
    files.makeDir(QStringLiteral("drive/pics"));
    pickers.folderAnswers = {drive(QStringLiteral("pics/"))};
    window.handedOver(local1);
    window.handedOver(QStringLiteral("/f ") + local(QStringLiteral("photos")));
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.isMinimized());
    EXPECT_EQ(pickers.pickersAsked(),
              (QStringList{QStringLiteral("ShowCopyFile"), QStringLiteral("BrowseForFolder")}));
    ASSERT_EQ(rows().size(), 2);
    EXPECT_EQ(control<QTreeView>(window, "syncFiles")->model()->rowCount(), 2);
    EXPECT_FALSE(window.endedByAdd());
    EXPECT_TRUE(control<QTimer>(window, "SearchTimer")->isActive());
    EXPECT_TRUE(window.tray()->IconShown());
}

TEST_F(AddRemoveTest, ACapitalFNamesAFileAndIsRefusedAsOne) {
    commandLine = QStringLiteral("/F ") + local(QStringLiteral("photos"));
    const auto box = answer();
    Master& window = master();
    EXPECT_TRUE(window.endedByAdd());
    ASSERT_TRUE(box->shown);
    EXPECT_EQ(box->text, NotAFile);
    EXPECT_TRUE(pickers.asked.isEmpty());
    EXPECT_EQ(stored(QStringLiteral("LocalFile1")), QStringLiteral("<none>"));
}

} // namespace
