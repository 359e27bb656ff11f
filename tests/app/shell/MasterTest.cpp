// The main window over a paired drive in a scratch folder, driven as a person would.
#include "ShellFixture.h"

#include "controls/SystemTray.h"
#include "controls/XPButton.h"
#include "platform/UserLock.h"
#include "shell/CellTips.h"
#include "shell/NewSync.h"
#include "shell/Splash.h"
#include "shell/SyncListModel.h"

#include <GraphicBar.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <gmock/gmock.h>

#include <atomic>
#include <chrono>
#include <thread>

using namespace quillet;
using namespace quillet::test;

namespace {

const QString NotFound = QStringLiteral("The selected removable drive was not found.");

class MasterTest : public ShellFixture {
protected:
    // The window on screen and active, as a person finds it.
    Master& shown() {
        Master& window = master();
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
        return window;
    }

    static void click(XPButton* button) { clickButton(button); }

    // A command that opens a modal window is run by its access key: a click's release would
    // still be in progress while the modal window takes clicks of its own.
    static void pressKeyOf(XPButton* button) {
        const QString key = XPButton::GetAccessKey(button->Caption());
        ASSERT_FALSE(key.isEmpty());
        QTest::keyClick(button->window(), Qt::Key(key.at(0).toUpper().unicode()), Qt::AltModifier);
    }

    // Rows whose local file is newer than the drive's copy, so that each one copies.
    void storeNewerRows(int count) {
        for (int number = 1; number <= count; ++number) {
            const QString name = QStringLiteral("f%1.txt").arg(number);
            const QString path =
                files.write(QStringLiteral("local/") + name,
                            QByteArray("new ") + QByteArray::number(number), at(9, 0, 0));
            files.write(QStringLiteral("drive/") + name, "old", at(8, 0, 0));
            storeRow(number, path, name);
        }
    }

    // The first tick after loading searches.
    void searchNow() {
        session->watch().searchAtNextTick();
        master().searchTick();
    }

    QString stored(const QString& key) const {
        return store->read(keys::SyncInfo, key, QStringLiteral("<none>"));
    }

    QString status(int row) const { return session->list().rows().at(row).status; }

    static QList<Splash*> visibleSplashes() {
        QList<Splash*> found;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* splash = qobject_cast<Splash*>(widget); splash && splash->isVisible())
                found << splash;
        }
        return found;
    }

    // The window's idle look: every command on, Synchronize Now where Stop would be.
    void expectIdle(Master& window) {
        EXPECT_FALSE(control<XPButton>(window, "SyncButton")->isHidden());
        EXPECT_TRUE(control<XPButton>(window, "StopButton")->isHidden());
        for (XPButton* button :
             {control<XPButton>(window, "AddFile"), control<XPButton>(window, "RemoveFile"),
              control<XPButton>(window, "AddFolderButton"), control<XPButton>(window, "NewFlash"),
              control<XPButton>(window, "ViewLog"), control<XPButton>(window, "SyncButton")})
            EXPECT_TRUE(button->Enabled()) << button->objectName().toStdString();
        EXPECT_TRUE(control<QComboBox>(window, "ConflictsResolution")->isEnabled());
        for (QLabel* label :
             {control<QLabel>(window, "DrvFilesSize"), control<QLabel>(window, "DrvSize"),
              control<QLabel>(window, "DrvFreeSpace")})
            EXPECT_TRUE(label->isEnabled()) << label->objectName().toStdString();
        EXPECT_TRUE(control<GraphicBar>(window, "CopyBar")->isHidden());
        EXPECT_TRUE(control<QTimer>(window, "SearchTimer")->isActive());
    }
};

TEST_F(MasterTest, LoadWithoutStoredOptionsShowsFirstEntriesAndStoresThem) {
    ASSERT_EQ(stored(keys::Conflicts), QStringLiteral("<none>"));
    Master& window = master();
    EXPECT_EQ(control<QComboBox>(window, "ConflictsResolution")->currentIndex(), 0);
    EXPECT_EQ(control<QComboBox>(window, "RefreshTime")->currentIndex(), 1);
    EXPECT_EQ(stored(keys::Conflicts), QStringLiteral("0"));
    EXPECT_EQ(stored(keys::Refresh), QStringLiteral("1"));
    EXPECT_EQ(session->watch().refreshSeconds(), 10);
    // The first search comes with the first tick.
    EXPECT_TRUE(control<QTimer>(window, "SearchTimer")->isActive());
    EXPECT_EQ(control<QTimer>(window, "SearchTimer")->interval(), 1000);
    EXPECT_EQ(session->watch().timerCount(), 9);
}

TEST_F(MasterTest, LoadShowsStoredOptionsAndNoneForValuesOutsideTheLists) {
    store->write(keys::SyncInfo, keys::Conflicts, QStringLiteral("4"));
    store->write(keys::SyncInfo, keys::Refresh, QStringLiteral("12"));
    Master& window = master();
    EXPECT_EQ(control<QComboBox>(window, "ConflictsResolution")->currentIndex(), 4);
    EXPECT_EQ(control<QComboBox>(window, "RefreshTime")->currentIndex(), -1);
    EXPECT_EQ(session->watch().refreshSeconds(), 5);
    EXPECT_EQ(stored(keys::Refresh), QStringLiteral("-1"));
}

TEST_F(MasterTest, LoadSetsEveryText) {
    Master& window = master();
    const QString caption = Captions::mainCaption(BuildVersion::current());
    EXPECT_EQ(window.windowTitle(), caption);
    EXPECT_TRUE(caption.startsWith(QStringLiteral("Quillet Version ")));

    QAbstractItemModel* model = control<QTreeView>(window, "syncFiles")->model();
    QStringList headings;
    for (int column = 0; column < model->columnCount(); ++column)
        headings << model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    EXPECT_EQ(headings,
              (QStringList{QStringLiteral("Local File:"), QStringLiteral("Size (bytes):"),
                           QStringLiteral("Removable Drive File:"), QStringLiteral("Status:")}));
    EXPECT_TRUE(model->headerData(SyncListModel::Size, Qt::Horizontal, Qt::TextAlignmentRole)
                    .value<Qt::Alignment>()
                    .testFlag(Qt::AlignRight));
    EXPECT_TRUE(
        model->index(0, SyncListModel::Size).data(Qt::TextAlignmentRole).isNull()); // no rows yet

    auto plain = [](XPButton* button) { return Captions::plainText(button->Caption()); };
    EXPECT_EQ(plain(control<XPButton>(window, "AddFile")), QStringLiteral("Add file to sync..."));
    EXPECT_EQ(plain(control<XPButton>(window, "AddFolderButton")),
              QStringLiteral("Add folder to sync..."));
    EXPECT_EQ(plain(control<XPButton>(window, "RemoveFile")), QStringLiteral("Remove Sync..."));
    EXPECT_EQ(plain(control<XPButton>(window, "SyncButton")), QStringLiteral("Synchronize Now"));
    EXPECT_EQ(plain(control<XPButton>(window, "StopButton")), QStringLiteral("Stop"));
    EXPECT_EQ(plain(control<XPButton>(window, "ViewLog")), QStringLiteral("View Log"));
    EXPECT_EQ(plain(control<XPButton>(window, "NewFlash")), QStringLiteral("Setup a new drive"));
    EXPECT_EQ(Captions::plainText(control<QLabel>(window, "Labels0")->text()),
              QStringLiteral("Conflicts resolution:"));
    EXPECT_EQ(Captions::plainText(control<QLabel>(window, "Labels1")->text()),
              QStringLiteral("Refresh Time:"));
    EXPECT_THAT(control<QLabel>(window, "Update")->text().toStdString(),
                ::testing::HasSubstr("Check for upgrades"));
    EXPECT_TRUE(
        control<QLabel>(window, "AppCopy")->text().startsWith(caption + QStringLiteral(" Build ")));
    EXPECT_TRUE(control<XPButton>(window, "StopButton")->isHidden());
    EXPECT_TRUE(control<QLabel>(window, "FileStatus")->text().isEmpty());
    EXPECT_EQ(control<QComboBox>(window, "RefreshTime")->count(), 9);
    EXPECT_EQ(control<QComboBox>(window, "RefreshTime")->itemText(0),
              QStringLiteral("Every  5 seconds"));
    EXPECT_EQ(control<QComboBox>(window, "ConflictsResolution")->count(), 6);
    EXPECT_EQ(control<QComboBox>(window, "ConflictsResolution")->itemText(3),
              QStringLiteral("Keep the latest file on both. (Prompt before any change)"));

    // The tray menu, in its order, and the icon's tip.
    const QList<QAction*> items = control<QMenu>(window, "MenuTray")->actions();
    ASSERT_EQ(items.size(), 4);
    EXPECT_EQ(items[0], control<QAction>(window, "qlt_show"));
    EXPECT_EQ(items[0]->text(), QStringLiteral("Show/Hide ") + caption);
    EXPECT_EQ(control<QMenu>(window, "MenuTray")->defaultAction(),
              control<QAction>(window, "qlt_show"));
    EXPECT_EQ(items[1], control<QAction>(window, "SyncIt"));
    EXPECT_EQ(items[1]->text(), QStringLiteral("Synchronize Now"));
    EXPECT_TRUE(items[2]->isSeparator());
    EXPECT_EQ(items[3]->text(), QStringLiteral("Exit"));
    EXPECT_EQ(window.tray()->ToolTip(), caption);
    EXPECT_TRUE(window.tray()->IconShown());
    EXPECT_EQ(iconShell->lastTip, caption);
}

TEST_F(MasterTest, ListShowsTheStoredItemsAndTheirTotals) {
    const QString file = files.write(QStringLiteral("local/a.txt"), QByteArray(1500, 'a'));
    files.makeDir(QStringLiteral("local/photos"));
    storeRow(1, file, QStringLiteral("a.txt"));
    storeRow(2, local(QStringLiteral("photos")), QStringLiteral("photos/"));
    Master& window = master();
    QAbstractItemModel* model = control<QTreeView>(window, "syncFiles")->model();
    ASSERT_EQ(model->rowCount(), 2);
    EXPECT_EQ(model->index(0, SyncListModel::Files).data().toString(), file);
    EXPECT_EQ(model->index(0, SyncListModel::Size).data().toString(), QStringLiteral("1,500"));
    EXPECT_EQ(model->index(1, SyncListModel::Size).data().toString(), QStringLiteral("Folder"));
    // Until the watch finds the drive, drive paths begin with "?".
    EXPECT_TRUE(
        model->index(0, SyncListModel::BFiles).data().toString().startsWith(QLatin1Char('?')));
    EXPECT_EQ(control<QLabel>(window, "DrvFilesSize")->text(),
              QStringLiteral("Total size of files to sync: 1,500 bytes"));
    EXPECT_EQ(control<QLabel>(window, "DrvSize")->text(),
              QStringLiteral("Disk Size: 1,000,000 bytes"));
    // The free space is the volume's own figure, unknown until the drive is found.
    EXPECT_EQ(control<QLabel>(window, "DrvFreeSpace")->text(),
              QStringLiteral("Disk Free Space: ?"));
    EXPECT_TRUE(freeSpaceAsked.isEmpty());
    searchNow();
    ASSERT_TRUE(session->driveFound());
    EXPECT_EQ(control<QLabel>(window, "DrvFreeSpace")->text(),
              QStringLiteral("Disk Free Space: 2,916,265,984 bytes"));
    ASSERT_FALSE(freeSpaceAsked.isEmpty());
    EXPECT_EQ(freeSpaceAsked.last(), session->FoundLetter());
    // A volume that cannot say: nothing made up.
    freeBytes.reset();
    window.RefreshFiles();
    EXPECT_EQ(control<QLabel>(window, "DrvFreeSpace")->text(),
              QStringLiteral("Disk Free Space: ?"));
}

TEST_F(MasterTest, AnItemAddedThroughTheSessionShowsInTheList) {
    Master& window = master();
    searchNow();
    ASSERT_TRUE(session->driveFound());
    const QString file = files.write(QStringLiteral("local/b.txt"), QByteArray(2048, 'b'));
    ASSERT_TRUE(session->AddNewFile(file, drive()).ok());
    window.listEdited();
    ASSERT_EQ(control<QTreeView>(window, "syncFiles")->model()->rowCount(), 1);
    EXPECT_EQ(control<QTreeView>(window, "syncFiles")
                  ->model()
                  ->index(0, SyncListModel::BFiles)
                  .data()
                  .toString(),
              drive(QStringLiteral("b.txt")));
    // The total counts the new file at once, not at the next rebuild.
    EXPECT_EQ(control<QLabel>(window, "DrvFilesSize")->text(),
              QStringLiteral("Total size of files to sync: 2,048 bytes"));
    const QString second = files.write(QStringLiteral("local/c.txt"), QByteArray(10, 'c'));
    ASSERT_TRUE(session->AddNewFile(second, drive()).ok());
    window.listEdited();
    EXPECT_EQ(control<QLabel>(window, "DrvFilesSize")->text(),
              QStringLiteral("Total size of files to sync: 2,058 bytes"));
    ASSERT_TRUE(session->RemoveItem(0, false).ok());
    window.listEdited();
    EXPECT_EQ(control<QLabel>(window, "DrvFilesSize")->text(),
              QStringLiteral("Total size of files to sync: 10 bytes"));
}

TEST_F(MasterTest, SynchronizeNowWorksOnTheListAsStoredAtItsStart) {
    Master& window = master();
    searchNow();
    ASSERT_TRUE(session->driveFound());
    // The command line tool adds an item and sets an hour between searches: no search will
    // reload the settings before the person asks for a pass.
    auto addElsewhere = [&](int number, const QString& name) {
        const QString path = files.write(QStringLiteral("local/") + name, name.toUtf8());
        platform::QSettingsStore other(files.path(QStringLiteral("settings.ini")));
        const QString serial = QString::number(0x1234);
        other.write(serial, keys::localFile(number), path);
        other.write(serial, keys::remoteFile(number), QStringLiteral(":/") + name);
        other.write(serial, keys::localFile(number + 1), QString());
        other.write(serial, keys::remoteFile(number + 1), QString());
        other.write(keys::SyncInfo, keys::Refresh, QStringLiteral("8"));
        ASSERT_TRUE(other.sync());
    };
    addElsewhere(1, QStringLiteral("g1.txt"));
    window.Syncronize();
    EXPECT_EQ(TestFiles::read(drive(QStringLiteral("g1.txt"))), QByteArray("g1.txt"));
    EXPECT_EQ(control<QTreeView>(window, "syncFiles")->model()->rowCount(), 1);
    EXPECT_EQ(control<QComboBox>(window, "RefreshTime")->currentIndex(), 8);
    // The tray menu's command, with the window hidden, the same.
    addElsewhere(2, QStringLiteral("g2.txt"));
    control<QAction>(window, "SyncIt")->trigger();
    EXPECT_EQ(TestFiles::read(drive(QStringLiteral("g2.txt"))), QByteArray("g2.txt"));
    EXPECT_EQ(control<QTreeView>(window, "syncFiles")->model()->rowCount(), 2);
}

TEST_F(MasterTest, ACutCellShowsItsWholeTextAsTooltip) {
    const QString longName = QString(90, QLatin1Char('n')) + QStringLiteral(".txt");
    storeRow(1, files.write(QStringLiteral("local/") + longName, "a"), longName);
    storeRow(2, files.write(QStringLiteral("local/s.txt"), "s"), QStringLiteral("s.txt"));
    Master& window = shown();
    QTreeView* list = control<QTreeView>(window, "syncFiles");
    auto* tips = qobject_cast<CellTips*>(list->itemDelegate());
    ASSERT_NE(tips, nullptr);
    auto tipAt = [&](int row, int column) {
        const QModelIndex index = list->model()->index(row, column);
        QStyleOptionViewItem option;
        option.initFrom(list->viewport());
        option.widget = list;
        option.rect = list->visualRect(index);
        return tips->tipFor(option, index);
    };
    const QAbstractItemModel* model = list->model();
    EXPECT_EQ(tipAt(0, SyncListModel::Files), model->index(0, SyncListModel::Files).data());
    EXPECT_EQ(tipAt(0, SyncListModel::BFiles), model->index(0, SyncListModel::BFiles).data());
    // What fits has no tooltip of its own.
    EXPECT_TRUE(tipAt(0, SyncListModel::Size).isEmpty());
    EXPECT_TRUE(tipAt(1, SyncListModel::Files).isEmpty());
    // A failed row's reason follows the whole text; alone where nothing is cut.
    window.passView().setRowReason(0, QStringLiteral("the drive was removed"));
    EXPECT_EQ(tipAt(0, SyncListModel::Files),
              model->index(0, SyncListModel::Files).data().toString() +
                  QStringLiteral("\nthe drive was removed"));
    EXPECT_EQ(tipAt(0, SyncListModel::Size), QStringLiteral("the drive was removed"));
    // Wide enough, nothing is cut.
    window.resize(3000, 600);
    QApplication::processEvents();
    EXPECT_EQ(tipAt(0, SyncListModel::Files), QStringLiteral("the drive was removed"));
}

TEST_F(MasterTest, AnEmptyListHasNoHorizontalScrollBar) {
    Master& window = shown();
    ASSERT_EQ(control<QTreeView>(window, "syncFiles")->model()->rowCount(), 0);
    const QSize frame = window.frameGeometry().size() - window.size();
    for (const QSize outer : {QSize(640, 480), QSize(697, 482), QSize(1001, 700)}) {
        window.resize(outer - frame);
        QApplication::processEvents();
        EXPECT_FALSE(control<QTreeView>(window, "syncFiles")->horizontalScrollBar()->isVisible())
            << outer.width();
    }
}

TEST_F(MasterTest, TheOptionListsOpenWideEnoughForTheirLongestEntry) {
    Master& window = shown();
    for (QComboBox* box : {control<QComboBox>(window, "RefreshTime"),
                           control<QComboBox>(window, "ConflictsResolution")}) {
        SCOPED_TRACE(box->objectName().toStdString());
        const QRect closed = box->geometry();
        box->showPopup();
        QAbstractItemView* list = box->view();
        QTRY_VERIFY(list->isVisible());
        // In the box's type, as the layout measured it.
        EXPECT_EQ(QFontInfo(list->font()).pixelSize(), QFontInfo(box->font()).pixelSize());
        const QFontMetrics metrics(list->font());
        for (int row = 0; row < box->count(); ++row) {
            const int needed = metrics.horizontalAdvance(box->itemText(row));
            EXPECT_GT(list->viewport()->width(), needed) << box->itemText(row).toStdString();
            EXPECT_GE(list->viewport()->width(),
                      list->sizeHintForIndex(list->model()->index(row, 0)).width());
        }
        box->hidePopup();
        // The box itself keeps the size the layout gave it.
        EXPECT_EQ(box->geometry(), closed);
    }
}

TEST_F(MasterTest, PressInTheTopLeftCornerShowsTheSplash) {
    Master& window = shown();
    QTest::mouseClick(&window, Qt::LeftButton, {}, QPoint(193, 81));
    QTest::mouseClick(&window, Qt::LeftButton, {}, QPoint(100, 82));
    EXPECT_TRUE(visibleSplashes().isEmpty());
    QTest::mouseClick(&window, Qt::LeftButton, {}, QPoint(192, 81));
    const QList<Splash*> splashes = visibleSplashes();
    ASSERT_EQ(splashes.size(), 1);
    // Shown without waiting: the window goes on, the splash closes itself.
    EXPECT_FALSE(splashes[0]->isModal());
    EXPECT_TRUE(splashes[0]->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(splashes[0]->Timer1()->isActive());
    EXPECT_EQ(splashes[0]->Timer1()->interval(), 3000);
    EXPECT_EQ(splashes[0]->Ver()->text(), Captions::splashVersion(BuildVersion::current()));
}

TEST(SplashTest, ShowsTheVersionOverItsPictureAndClosesItself) {
    Splash splash(BuildVersion{2, 1, 15});
    splash.show();
    EXPECT_EQ(splash.Ver()->text(), QStringLiteral("v2.01.15"));
    const QSize picture = splash.img()->pixmap().size();
    ASSERT_FALSE(picture.isEmpty());
    EXPECT_EQ(splash.size(), picture + QSize(7, 7));
    EXPECT_EQ(splash.Ver()->geometry().right() + 1, picture.width() - 10);
    EXPECT_EQ(splash.Ver()->y(), 5);
    EXPECT_TRUE(splash.Timer1()->isSingleShot());
    EXPECT_EQ(splash.Timer1()->interval(), 3000);
    // The timer closes it (shortened here, so the test does not wait 3 s).
    splash.Timer1()->start(10);
    QTRY_VERIFY(!splash.isVisible());
    EXPECT_EQ(splash.result(), QDialog::Accepted);
}

TEST_F(MasterTest, WindowKeepsItsMinimumSize) {
    // The rule reads the outer size, frame included.
    Master& window = shown();
    const QSize frame = window.frameGeometry().size() - window.size();
    window.resize(QSize(500, 400) - frame);
    QApplication::processEvents();
    EXPECT_EQ(window.frameGeometry().size(), QSize(640, 480));
    window.resize(QSize(700, 470) - frame);
    QApplication::processEvents();
    EXPECT_EQ(window.frameGeometry().size(), QSize(700, 470));
}

TEST_F(MasterTest, ResizingLaysTheListAndItsColumnsOut) {
    Master& window = shown();
    window.resize(QSize(650, 520) - (window.frameGeometry().size() - window.size()));
    QApplication::processEvents();
    EXPECT_EQ(control<QTreeView>(window, "syncFiles")->geometry(),
              QRect(20, 88, 600, 520 - 88 - 60 - 99));
    EXPECT_EQ(control<QTreeView>(window, "syncFiles")->columnWidth(0), 200);
    EXPECT_EQ(control<QTreeView>(window, "syncFiles")->columnWidth(1), 100);
    EXPECT_EQ(control<QTreeView>(window, "syncFiles")->columnWidth(2), 200);
    // The last column takes what is left beside the frame, never a scroll bar's worth more.
    EXPECT_LE(control<QTreeView>(window, "syncFiles")->columnWidth(3), 100);
    EXPECT_GT(control<QTreeView>(window, "syncFiles")->columnWidth(3), 80);
    EXPECT_EQ(control<XPButton>(window, "StopButton")->geometry(),
              control<XPButton>(window, "SyncButton")->geometry());
    EXPECT_EQ(control<XPButton>(window, "SyncButton")->geometry().right() + 1, 620);
}

TEST_F(MasterTest, MinimisingGoesToTheNotificationAreaWhenThereIsOne) {
    Master& window = shown();
    window.setNotificationArea([] { return true; });
    window.resize(720, 500);
    QApplication::processEvents();
    window.showMinimized();
    QTRY_VERIFY(window.isHidden());
    // It stays minimised while hidden: turned back to normal there, X would map it again.
    // A left press on the icon brings it back at its former size.
    window.tray()->ShellCallback(513);
    QTRY_VERIFY(window.isVisible());
    EXPECT_FALSE(window.isMinimized());
    EXPECT_EQ(window.size(), QSize(720, 500));
}

TEST_F(MasterTest, WithoutANotificationAreaMinimisingIsOrdinary) {
    Master& window = shown();
    window.setNotificationArea([] { return false; });
    window.showMinimized();
    QTest::qWait(50);
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.isMinimized());
}

TEST_F(MasterTest, DriveGoneShowsTheSearchingState) {
    Master& window = master();
    searchNow();
    ASSERT_TRUE(session->driveFound());
    expectIdle(window);

    volumes.clear();
    searchNow();
    EXPECT_EQ(session->FoundLetter(), QStringLiteral("?"));
    EXPECT_EQ(control<QLabel>(window, "DrvFilesSize")->text(), NotFound);
    EXPECT_TRUE(control<QLabel>(window, "DrvSize")->text().isEmpty());
    EXPECT_TRUE(control<QLabel>(window, "DrvFreeSpace")->text().isEmpty());
    for (QWidget* widget : std::initializer_list<QWidget*>{
             control<XPButton>(window, "AddFile"), control<XPButton>(window, "RemoveFile"),
             control<XPButton>(window, "SyncButton"),
             control<QComboBox>(window, "ConflictsResolution"),
             control<QLabel>(window, "DrvFilesSize"), control<QLabel>(window, "DrvSize"),
             control<QLabel>(window, "DrvFreeSpace")})
        EXPECT_FALSE(widget->isEnabled()) << widget->objectName().toStdString();
    for (XPButton* button :
         {control<XPButton>(window, "AddFolderButton"), control<XPButton>(window, "ViewLog"),
          control<XPButton>(window, "NewFlash")})
        EXPECT_TRUE(button->Enabled()) << button->objectName().toStdString();
    // The watch goes on counting.
    EXPECT_TRUE(control<QTimer>(window, "SearchTimer")->isActive());
    EXPECT_EQ(session->watch().timerCount(), 0);

    // Back again: the next search finds it and the pass puts everything back.
    volumes.add({root().toStdString(), platform::DriveType::Removable, 1000000, 0x1234, "ext4"});
    searchNow();
    EXPECT_TRUE(session->driveFound());
    expectIdle(window);
}

TEST_F(MasterTest, EachSearchSeesWhatAnotherProgramStored) {
    Master& window = master();
    ASSERT_EQ(control<QComboBox>(window, "ConflictsResolution")->currentIndex(), 0);
    // The command line tool, a process of its own, chooses another mode and interval.
    {
        platform::QSettingsStore other(files.path(QStringLiteral("settings.ini")));
        other.write(keys::SyncInfo, keys::Conflicts, QStringLiteral("2"));
        other.write(keys::SyncInfo, keys::Refresh, QStringLiteral("4"));
        ASSERT_TRUE(other.sync());
    }
    searchNow();
    EXPECT_EQ(control<QComboBox>(window, "ConflictsResolution")->currentIndex(), 2);
    EXPECT_EQ(control<QComboBox>(window, "RefreshTime")->currentIndex(), 4);
    EXPECT_EQ(session->watch().refreshSeconds(), 300);
}

TEST_F(MasterTest, WhileAnotherProgramPassesTheWindowSaysSoAndWaits) {
    storeNewerRows(1);
    Master& window = master();
    platform::UserLock other(
        platform::UserLock::nameFor(QStringLiteral("pass"), store->location()));
    ASSERT_EQ(other.take(), platform::UserLock::Take::Taken);
    searchNow();
    EXPECT_EQ(control<QLabel>(window, "DrvFilesSize")->text(),
              QStringLiteral("Another pass is running; waiting for the next search."));
    EXPECT_TRUE(status(0).isEmpty());
    EXPECT_EQ(TestFiles::read(drive(QStringLiteral("f1.txt"))), QByteArray("old"));
    expectIdle(window); // nothing left disabled by the search
    EXPECT_EQ(session->watch().timerCount(), 0);

    other.release();
    searchNow();
    EXPECT_TRUE(status(0).startsWith(QStringLiteral("Synchronized at ")));
}

TEST_F(MasterTest, ARowWhoseLocalFileIsAwaySaysWhy) {
    storeNewerRows(2);
    QFile::remove(local(QStringLiteral("f2.txt")));
    Master& window = master();
    QAbstractItemModel* model = control<QTreeView>(window, "syncFiles")->model();
    ASSERT_EQ(model->rowCount(), 2); // kept, not dropped
    const QString problem = session->list().rows().at(1).localProblem;
    ASSERT_FALSE(problem.isEmpty());
    EXPECT_EQ(model->index(1, SyncListModel::Status).data().toString(),
              QStringLiteral("Local file not found"));
    EXPECT_EQ(model->index(1, SyncListModel::Files).data(Qt::ToolTipRole).toString(), problem);
    EXPECT_FALSE(model->index(0, SyncListModel::Files).data(Qt::ToolTipRole).isValid());
    // A failure's reason, when there is one, says more than that.
    window.passView().setRowReason(1, QStringLiteral("no space left on the drive"));
    EXPECT_EQ(model->index(1, SyncListModel::Files).data(Qt::ToolTipRole).toString(),
              QStringLiteral("no space left on the drive"));
}

TEST_F(MasterTest, PassShowsStopWhereSynchronizeNowWasAndDisablesTheCommands) {
    storeNewerRows(2);
    Master& window = shown();
    const QRect syncPlace = control<XPButton>(window, "SyncButton")->geometry();
    struct Seen {
        bool stopShown = false, syncHidden = false, stopInPlace = false, timerOff = false;
        QStringList stillEnabled;
    } seen;
    QObject::connect(
        control<SyncListModel>(window), &QAbstractItemModel::dataChanged, &window, [&] {
            if (!control<SyncListModel>(window)->rowBold(0) || seen.stopShown)
                return;
            seen.stopShown = control<XPButton>(window, "StopButton")->isVisible();
            seen.syncHidden = control<XPButton>(window, "SyncButton")->isHidden();
            seen.stopInPlace = control<XPButton>(window, "StopButton")->geometry() == syncPlace;
            seen.timerOff = !control<QTimer>(window, "SearchTimer")->isActive();
            for (QWidget* widget : std::initializer_list<QWidget*>{
                     control<XPButton>(window, "AddFile"), control<XPButton>(window, "RemoveFile"),
                     control<XPButton>(window, "AddFolderButton"),
                     control<XPButton>(window, "NewFlash"), control<XPButton>(window, "ViewLog"),
                     control<QComboBox>(window, "ConflictsResolution"),
                     control<QLabel>(window, "DrvFilesSize"), control<QLabel>(window, "DrvSize"),
                     control<QLabel>(window, "DrvFreeSpace")})
                if (widget->isEnabled())
                    seen.stillEnabled << widget->objectName();
        });
    session->SearchLetter();
    click(control<XPButton>(window, "SyncButton"));

    EXPECT_TRUE(seen.stopShown);
    EXPECT_TRUE(seen.syncHidden);
    EXPECT_TRUE(seen.stopInPlace);
    EXPECT_TRUE(seen.timerOff);
    EXPECT_TRUE(seen.stillEnabled.isEmpty()) << seen.stillEnabled.join(u' ').toStdString();
    expectIdle(window);
    EXPECT_TRUE(control<QLabel>(window, "DrvFilesSize")
                    ->text()
                    .isEmpty()); // cleared at the end until the next rebuild
    EXPECT_EQ(session->watch().timerCount(), 0);
    EXPECT_TRUE(status(0).startsWith(QStringLiteral("Synchronized at ")));
    EXPECT_FALSE(control<SyncListModel>(window)->rowBold(0));
}

TEST_F(MasterTest, StopDuringTheThirdOfFiveRowsFinishesThatRowOnly) {
    storeNewerRows(5);
    Master& window = shown();
    bool pressed = false;
    QString captionAfter;
    bool enabledAfter = true;
    QObject::connect(control<SyncListModel>(window), &QAbstractItemModel::dataChanged, &window,
                     [&] {
                         if (!pressed && control<SyncListModel>(window)->rowBold(2)) {
                             pressed = true;
                             click(control<XPButton>(window, "StopButton"));
                             // Said at once, while the row in hand still runs.
                             captionAfter = control<XPButton>(window, "StopButton")->Caption();
                             enabledAfter = control<XPButton>(window, "StopButton")->Enabled();
                         }
                     });
    const QString stopCaption = control<XPButton>(window, "StopButton")->Caption();
    session->SearchLetter();
    window.Syncronize();

    ASSERT_TRUE(pressed);
    EXPECT_EQ(captionAfter, QStringLiteral("Stopping\u2026"));
    EXPECT_FALSE(enabledAfter);
    EXPECT_EQ(control<XPButton>(window, "StopButton")->Caption(), stopCaption);
    EXPECT_TRUE(control<XPButton>(window, "StopButton")->Enabled());
    for (int row : {0, 1, 2})
        EXPECT_TRUE(status(row).startsWith(QStringLiteral("Synchronized at "))) << row;
    EXPECT_TRUE(status(3).isEmpty());
    EXPECT_TRUE(status(4).isEmpty());
    EXPECT_EQ(TestFiles::read(drive(QStringLiteral("f3.txt"))), QByteArray("new 3"));
    EXPECT_EQ(TestFiles::read(drive(QStringLiteral("f4.txt"))), QByteArray("old"));
    const QStringList lines = logLines();
    ASSERT_FALSE(lines.isEmpty());
    for (const QString& line : lines)
        EXPECT_FALSE(line.startsWith(QStringLiteral("Last synchronization ended at: ")));
    expectIdle(window);

    // A second click aimed at Stop lands on Synchronize Now just after the pass ended: no pass.
    QFile::remove(logPath);
    click(control<XPButton>(window, "SyncButton"));
    EXPECT_FALSE(QFile::exists(logPath));
    // A moment later the button is itself again.
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    click(control<XPButton>(window, "SyncButton"));
    EXPECT_TRUE(QFile::exists(logPath));
    EXPECT_TRUE(status(4).startsWith(QStringLiteral("Synchronized at ")));
}

TEST_F(MasterTest, ReplacementQuestionIsAModalYesNoBoxTitledWithTheCaption) {
    storeNewerRows(1);
    setMode(4); // copy to the drive, asking first
    Master& window = shown();
    session->SearchLetter();
    const auto seen = answerNextBox(QMessageBox::No);
    window.Syncronize();
    ASSERT_TRUE(seen->shown);
    EXPECT_EQ(seen->title, window.windowTitle());
    EXPECT_EQ(seen->icon, QMessageBox::Question);
    EXPECT_EQ(seen->buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_THAT(seen->text.toStdString(), ::testing::HasSubstr("Do you accept this replacement ?"));
    EXPECT_FALSE(seen->text.contains(QLatin1Char('\r')));
    // No keeps the drive's file and leaves the row's status as the rebuild left it.
    EXPECT_EQ(TestFiles::read(drive(QStringLiteral("f1.txt"))), QByteArray("old"));
    EXPECT_TRUE(status(0).isEmpty());

    // The No stands until one of the files changes; then the question comes again.
    files.write(QStringLiteral("local/f1.txt"), "new 1, edited", at(9, 30, 0));
    const auto yes = answerNextBox(QMessageBox::Yes);
    window.Syncronize();
    ASSERT_TRUE(yes->shown);
    EXPECT_EQ(TestFiles::read(drive(QStringLiteral("f1.txt"))), QByteArray("new 1, edited"));
}

TEST_F(MasterTest, FailureReasonIsTheRowsTooltipUntilTheNextRebuild) {
    storeNewerRows(2);
    Master& window = master();
    QAbstractItemModel* model = control<QTreeView>(window, "syncFiles")->model();
    window.passView().setRowReason(1, QStringLiteral("no space left on the drive"));
    for (int column = 0; column < model->columnCount(); ++column)
        EXPECT_EQ(model->index(1, column).data(Qt::ToolTipRole).toString(),
                  QStringLiteral("no space left on the drive"));
    EXPECT_FALSE(model->index(0, 0).data(Qt::ToolTipRole).isValid());
    window.RefreshFiles();
    EXPECT_FALSE(model->index(1, 0).data(Qt::ToolTipRole).isValid());
}

TEST_F(MasterTest, RepairingCancelledReloadsTheUnchangedPairing) {
    storeNewerRows(2);
    Master& window = shown();
    const QString serial = stored(keys::SN);
    int rowsDuringDialog = -1;
    bool timerDuringDialog = true;
    whenModal<NewSync>([&](NewSync* dialog) {
        rowsDuringDialog = control<QTreeView>(window, "syncFiles")->model()->rowCount();
        timerDuringDialog = control<QTimer>(window, "SearchTimer")->isActive();
        click(dialog->CancelSync());
    });
    pressKeyOf(control<XPButton>(window, "NewFlash"));
    EXPECT_EQ(rowsDuringDialog, 0);
    EXPECT_FALSE(timerDuringDialog);
    EXPECT_EQ(stored(keys::SN), serial);
    EXPECT_EQ(control<QTreeView>(window, "syncFiles")->model()->rowCount(), 2);
    // The watch searches at the next tick.
    EXPECT_TRUE(control<QTimer>(window, "SearchTimer")->isActive());
    EXPECT_EQ(session->watch().timerCount(), session->watch().refreshSeconds() - 1);
}

TEST_F(MasterTest, RepairingWithANewDriveStartsItWithAnEmptyList) {
    storeNewerRows(2);
    files.makeDir(QStringLiteral("other"));
    const QString otherRoot = files.path(QStringLiteral("other/"));
    volumes.add({otherRoot.toStdString(), platform::DriveType::Removable, 2000000, 0x777, "ext4"});
    Master& window = shown();
    setMode(2);
    window.GoLoad();
    ASSERT_EQ(control<QComboBox>(window, "ConflictsResolution")->currentIndex(), 2);
    whenModal<NewSync>([&](NewSync* dialog) {
        dialog->Drives()->setCurrentIndex(1);
        answerNextBox(QMessageBox::Yes);
        click(dialog->Sync());
    });
    pressKeyOf(control<XPButton>(window, "NewFlash"));
    EXPECT_EQ(stored(keys::SN), QString::number(0x777));
    EXPECT_EQ(control<QTreeView>(window, "syncFiles")->model()->rowCount(), 0);
    EXPECT_EQ(control<QComboBox>(window, "ConflictsResolution")->currentIndex(), 0);
    EXPECT_EQ(control<QComboBox>(window, "RefreshTime")->currentIndex(), 1);
}

TEST_F(MasterTest, CopyBarAppearsForALongCopyAndNotForAShortOne) {
    // The first file takes over a second to read; the second is over at once.
    const QString slow =
        files.write(QStringLiteral("local/slow.bin"), QByteArray(8 << 20, 's'), at(9, 0, 0));
    const QString quick =
        files.write(QStringLiteral("local/quick.bin"), QByteArray(2 << 20, 'q'), at(9, 0, 0));
    storeRow(1, slow, QStringLiteral("slow.bin"));
    storeRow(2, quick, QStringLiteral("quick.bin"));
    std::atomic<bool> slowing = false;
    fs.afterRead = [&slowing](std::int64_t) {
        if (slowing)
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
    };
    Master& window = shown();
    struct Seen {
        bool barShown = false;
        int lowest = 100;
        int highest = 0;
        QString tip;
    };
    std::array<Seen, 2> seen;
    int row = -1;
    QObject::connect(
        control<SyncListModel>(window), &QAbstractItemModel::dataChanged, &window, [&] {
            for (int candidate : {0, 1}) {
                if (control<SyncListModel>(window)->rowBold(candidate) && row != candidate) {
                    row = candidate;
                    slowing = candidate == 0;
                }
            }
        });
    QTimer sample;
    QObject::connect(&sample, &QTimer::timeout, &window, [&] {
        if (row < 0 || !control<GraphicBar>(window, "CopyBar")->isVisible())
            return;
        Seen& record = seen[static_cast<std::size_t>(row)];
        record.barShown = true;
        record.lowest = std::min(record.lowest, control<GraphicBar>(window, "CopyBar")->value());
        record.highest = std::max(record.highest, control<GraphicBar>(window, "CopyBar")->value());
        record.tip = iconShell->lastTip;
    });
    sample.start(10);
    session->SearchLetter();
    window.Syncronize();
    sample.stop();

    ASSERT_TRUE(status(0).startsWith(QStringLiteral("Synchronized at ")))
        << status(0).toStdString();
    ASSERT_TRUE(status(1).startsWith(QStringLiteral("Synchronized at ")));
    EXPECT_TRUE(seen[0].barShown);
    EXPECT_GT(seen[0].highest, seen[0].lowest); // it moved
    EXPECT_LT(seen[0].highest, 100);
    EXPECT_TRUE(seen[0].tip.contains(QStringLiteral("slow.bin"))) << seen[0].tip.toStdString();
    EXPECT_TRUE(seen[0].tip.contains(QLatin1Char('%')));
    EXPECT_FALSE(seen[1].barShown);
    // Over: no bar, and the icon says what it said before.
    EXPECT_TRUE(control<GraphicBar>(window, "CopyBar")->isHidden());
    EXPECT_EQ(iconShell->lastTip, window.windowTitle());
}

TEST_F(MasterTest, ChoosingOptionsStoresThem) {
    Master& window = master();
    const qint32 counted = session->watch().timerCount();
    Q_EMIT control<QComboBox>(window, "RefreshTime")->activated(7);
    EXPECT_EQ(stored(keys::Refresh), QStringLiteral("7"));
    EXPECT_EQ(session->watch().refreshSeconds(), 1800);
    EXPECT_EQ(session->watch().timerCount(), counted); // the count goes on from where it was
    Q_EMIT control<QComboBox>(window, "ConflictsResolution")->activated(5);
    EXPECT_EQ(stored(keys::Conflicts), QStringLiteral("5"));
    EXPECT_EQ(session->conflictMode.value(), 5);
}

TEST_F(MasterTest, LogWindowShowsTheLogAsItWasWhenOpened) {
    files.write(QStringLiteral("lastsync.txt"), "first pass\r\nsecond line\r\n");
    Master& window = shown();
    click(control<XPButton>(window, "ViewLog"));
    LogWindow* log = window.logWindow();
    ASSERT_NE(log, nullptr);
    EXPECT_TRUE(log->isVisible());
    EXPECT_EQ(log->windowModality(), Qt::NonModal);
    EXPECT_EQ(log->windowTitle(), window.windowTitle());
    EXPECT_EQ(log->LogView()->toPlainText(), QStringLiteral("first pass\nsecond line\n"));
    EXPECT_TRUE(log->LogView()->isReadOnly());

    // Open: only brought forward, its text as it was.
    files.write(QStringLiteral("lastsync.txt"), "a later pass\r\n");
    click(control<XPButton>(window, "ViewLog"));
    EXPECT_EQ(window.logWindow(), log);
    EXPECT_EQ(log->LogView()->toPlainText(), QStringLiteral("first pass\nsecond line\n"));

    // Closed and opened again: read anew.
    log->close();
    QTRY_VERIFY(window.logWindow() == nullptr);
    click(control<XPButton>(window, "ViewLog"));
    ASSERT_NE(window.logWindow(), nullptr);
    EXPECT_EQ(window.logWindow()->LogView()->toPlainText(), QStringLiteral("a later pass\n"));
}

TEST_F(MasterTest, LogTextBoxFollowsTheWindowsSize) {
    Master& window = shown();
    window.showLog();
    LogWindow* log = window.logWindow();
    ASSERT_NE(log, nullptr);
    log->resize(700, 520);
    QApplication::processEvents();
    const auto place = LogWindow::logViewGeometry(log->frameGeometry().size());
    ASSERT_TRUE(place.has_value());
    EXPECT_EQ(log->LogView()->geometry(), *place);
    EXPECT_EQ(log->LogView()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(log->LogView()->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    // Too small for the rule: the box stays where it was.
    log->resize(20, 100);
    QApplication::processEvents();
    EXPECT_EQ(log->LogView()->geometry(), *place);
}

TEST_F(MasterTest, EscapeClosesTheLogViewer) {
    Master& window = shown();
    window.showLog();
    QPointer<LogWindow> log = window.logWindow();
    ASSERT_TRUE(log);
    ASSERT_TRUE(QTest::qWaitForWindowActive(log));
    QTest::keyClick(log->findChild<QPlainTextEdit*>(), Qt::Key_Escape);
    QTRY_VERIFY(!log);
    EXPECT_TRUE(window.isVisible());
}

TEST_F(MasterTest, NoLogYetShowsAnEmptyOne) {
    Master& window = shown();
    window.showLog();
    ASSERT_NE(window.logWindow(), nullptr);
    EXPECT_TRUE(window.logWindow()->LogView()->toPlainText().isEmpty());
    EXPECT_TRUE(QFile::exists(logPath));
}

TEST_F(MasterTest, EveryCommandIsReachableFromTheKeyboard) {
    Master& window = shown();
    // Tab goes in reading order (the link takes one Tab of its own for its one link).
    control<QLabel>(window, "Update")->setFocus();
    QStringList order{control<QLabel>(window, "Update")->objectName()};
    for (int step = 0; step < 13; ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        const QString name = QApplication::focusWidget()->objectName();
        if (name != order.constLast())
            order << name;
    }
    order = order.mid(0, 12);
    EXPECT_EQ(order,
              (QStringList{QStringLiteral("Update"), QStringLiteral("StartAtLogin"),
                           QStringLiteral("ConflictsResolution"), QStringLiteral("syncFiles"),
                           QStringLiteral("AddFile"), QStringLiteral("AddFolderButton"),
                           QStringLiteral("RemoveFile"), QStringLiteral("NewFlash"),
                           QStringLiteral("RefreshTime"), QStringLiteral("ViewLog"),
                           QStringLiteral("SyncButton"), QStringLiteral("Update")}));

    // Every button has an access key of its own.
    QString keys;
    for (XPButton* button :
         {control<XPButton>(window, "AddFile"), control<XPButton>(window, "AddFolderButton"),
          control<XPButton>(window, "RemoveFile"), control<XPButton>(window, "SyncButton"),
          control<XPButton>(window, "StopButton"), control<XPButton>(window, "ViewLog"),
          control<XPButton>(window, "NewFlash")}) {
        const QString key = XPButton::GetAccessKey(button->Caption());
        ASSERT_FALSE(key.isEmpty()) << button->objectName().toStdString();
        EXPECT_FALSE(keys.contains(key)) << button->objectName().toStdString();
        keys += key;
    }
    // The login check box has one too, of its own.
    const QString loginKey =
        XPButton::GetAccessKey(control<QCheckBox>(window, "StartAtLogin")->text());
    ASSERT_FALSE(loginKey.isEmpty());
    EXPECT_FALSE(keys.contains(loginKey));
    // Its key runs the command: the log opens.
    QTest::keyClick(&window,
                    Qt::Key(XPButton::GetAccessKey(control<XPButton>(window, "ViewLog")->Caption())
                                .at(0)
                                .toUpper()
                                .unicode()),
                    Qt::AltModifier);
    QTRY_VERIFY(window.logWindow() != nullptr);
}

} // namespace
