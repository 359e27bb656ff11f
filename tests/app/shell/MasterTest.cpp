// The main window over a paired drive in a scratch folder, driven as a person would.
#include "ShellFixture.h"

#include "controls/SystemTray.h"
#include "controls/XPButton.h"
#include "platform/UserLock.h"
#include "shell/NewSync.h"
#include "shell/Splash.h"
#include "shell/SyncListModel.h"

#include <GraphicBar.h>

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
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
        Master& m = master();
        m.show();
        m.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&m));
        return m;
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
        for (int n = 1; n <= count; ++n) {
            const QString name = QStringLiteral("f%1.txt").arg(n);
            const QString l = files.write(QStringLiteral("local/") + name,
                                          QByteArray("new ") + QByteArray::number(n), at(9, 0, 0));
            files.write(QStringLiteral("drive/") + name, "old", at(8, 0, 0));
            storeRow(n, l, name);
        }
    }

    // The first tick after loading searches.
    void searchNow() {
        session->watch().TimerCount = session->watch().RefreshSeconds - 1;
        master().searchTick();
    }

    QString stored(const QString& key) const {
        return store->read(keys::SyncInfo, key, QStringLiteral("<none>"));
    }

    QString status(int row) const { return session->list().rows().at(row).status; }

    static QList<Splash*> visibleSplashes() {
        QList<Splash*> found;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* s = qobject_cast<Splash*>(w); s && s->isVisible())
                found << s;
        }
        return found;
    }

    // The window's idle look: every command on, Synchronize Now where Stop would be.
    void expectIdle(Master& m) {
        EXPECT_FALSE(m.SyncButton()->isHidden());
        EXPECT_TRUE(m.StopButton()->isHidden());
        for (XPButton* b : {m.AddFile(), m.RemoveFile(), m.AddFolderButton(), m.NewFlash(),
                            m.ViewLog(), m.SyncButton()})
            EXPECT_TRUE(b->Enabled()) << b->objectName().toStdString();
        EXPECT_TRUE(m.ConflictsResolution()->isEnabled());
        for (QLabel* l : {m.DrvFilesSize(), m.DrvSize(), m.DrvFreeSpace()})
            EXPECT_TRUE(l->isEnabled()) << l->objectName().toStdString();
        EXPECT_TRUE(m.CopyBar()->isHidden());
        EXPECT_TRUE(m.SearchTimer()->isActive());
    }
};

TEST_F(MasterTest, LoadWithoutStoredOptionsShowsFirstEntriesAndStoresThem) {
    ASSERT_EQ(stored(keys::Conflicts), QStringLiteral("<none>"));
    Master& m = master();
    EXPECT_EQ(m.ConflictsResolution()->currentIndex(), 0);
    EXPECT_EQ(m.RefreshTime()->currentIndex(), 1);
    EXPECT_EQ(stored(keys::Conflicts), QStringLiteral("0"));
    EXPECT_EQ(stored(keys::Refresh), QStringLiteral("1"));
    EXPECT_EQ(session->watch().RefreshSeconds, 10);
    // The first search comes with the first tick.
    EXPECT_TRUE(m.SearchTimer()->isActive());
    EXPECT_EQ(m.SearchTimer()->interval(), 1000);
    EXPECT_EQ(session->watch().TimerCount, 9);
}

TEST_F(MasterTest, LoadShowsStoredOptionsAndNoneForValuesOutsideTheLists) {
    store->write(keys::SyncInfo, keys::Conflicts, QStringLiteral("4"));
    store->write(keys::SyncInfo, keys::Refresh, QStringLiteral("12"));
    Master& m = master();
    EXPECT_EQ(m.ConflictsResolution()->currentIndex(), 4);
    EXPECT_EQ(m.RefreshTime()->currentIndex(), -1);
    EXPECT_EQ(session->watch().RefreshSeconds, 5);
    EXPECT_EQ(stored(keys::Refresh), QStringLiteral("-1"));
}

TEST_F(MasterTest, LoadSetsEveryText) {
    Master& m = master();
    const QString caption = Captions::mainCaption(BuildVersion::current());
    EXPECT_EQ(m.windowTitle(), caption);
    EXPECT_TRUE(caption.startsWith(QStringLiteral("Quillet Version ")));

    QAbstractItemModel* model = m.syncFiles()->model();
    QStringList headings;
    for (int c = 0; c < model->columnCount(); ++c)
        headings << model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    EXPECT_EQ(headings,
              (QStringList{QStringLiteral("Local File:"), QStringLiteral("Size (bytes):"),
                           QStringLiteral("Removable Drive File:"), QStringLiteral("Status:")}));
    EXPECT_TRUE(model->headerData(SyncListModel::Size, Qt::Horizontal, Qt::TextAlignmentRole)
                    .value<Qt::Alignment>()
                    .testFlag(Qt::AlignRight));
    EXPECT_TRUE(
        model->index(0, SyncListModel::Size).data(Qt::TextAlignmentRole).isNull()); // no rows yet

    auto plain = [](XPButton* b) { return Captions::plainText(b->Caption()); };
    EXPECT_EQ(plain(m.AddFile()), QStringLiteral("Add file to sync..."));
    EXPECT_EQ(plain(m.AddFolderButton()), QStringLiteral("Add folder to sync..."));
    EXPECT_EQ(plain(m.RemoveFile()), QStringLiteral("Remove Sync..."));
    EXPECT_EQ(plain(m.SyncButton()), QStringLiteral("Synchronize Now"));
    EXPECT_EQ(plain(m.StopButton()), QStringLiteral("Stop"));
    EXPECT_EQ(plain(m.ViewLog()), QStringLiteral("View Log"));
    EXPECT_EQ(plain(m.NewFlash()), QStringLiteral("Setup a new drive"));
    EXPECT_EQ(Captions::plainText(m.Labels(0)->text()), QStringLiteral("Conflicts resolution:"));
    EXPECT_EQ(Captions::plainText(m.Labels(1)->text()), QStringLiteral("Refresh Time:"));
    EXPECT_THAT(m.Update()->text().toStdString(), ::testing::HasSubstr("Check for upgrades"));
    EXPECT_TRUE(m.AppCopy()->text().startsWith(caption + QStringLiteral(" Build ")));
    EXPECT_TRUE(m.StopButton()->isHidden());
    EXPECT_TRUE(m.FileStatus()->text().isEmpty());
    EXPECT_EQ(m.RefreshTime()->count(), 9);
    EXPECT_EQ(m.RefreshTime()->itemText(0), QStringLiteral("Every  5 seconds"));
    EXPECT_EQ(m.ConflictsResolution()->count(), 6);
    EXPECT_EQ(m.ConflictsResolution()->itemText(3),
              QStringLiteral("Keep the latest file on both. (Prompt before any change)"));

    // The tray menu, in its order, and the icon's tip.
    const QList<QAction*> items = m.MenuTray()->actions();
    ASSERT_EQ(items.size(), 4);
    EXPECT_EQ(items[0], m.qlt_show());
    EXPECT_EQ(items[0]->text(), QStringLiteral("Show/Hide ") + caption);
    EXPECT_EQ(m.MenuTray()->defaultAction(), m.qlt_show());
    EXPECT_EQ(items[1], m.SyncIt());
    EXPECT_EQ(items[1]->text(), QStringLiteral("Synchronize Now"));
    EXPECT_TRUE(items[2]->isSeparator());
    EXPECT_EQ(items[3]->text(), QStringLiteral("Exit"));
    EXPECT_EQ(m.tray()->ToolTip(), caption);
    EXPECT_TRUE(m.tray()->IconShown());
    EXPECT_EQ(iconShell->lastTip, caption);
}

TEST_F(MasterTest, ListShowsTheStoredItemsAndTheirTotals) {
    const QString a = files.write(QStringLiteral("local/a.txt"), QByteArray(1500, 'a'));
    files.makeDir(QStringLiteral("local/photos"));
    storeRow(1, a, QStringLiteral("a.txt"));
    storeRow(2, local(QStringLiteral("photos")), QStringLiteral("photos/"));
    Master& m = master();
    QAbstractItemModel* model = m.syncFiles()->model();
    ASSERT_EQ(model->rowCount(), 2);
    EXPECT_EQ(model->index(0, SyncListModel::Files).data().toString(), a);
    EXPECT_EQ(model->index(0, SyncListModel::Size).data().toString(), QStringLiteral("1,500"));
    EXPECT_EQ(model->index(1, SyncListModel::Size).data().toString(), QStringLiteral("Folder"));
    // Until the watch finds the drive, drive paths begin with "?".
    EXPECT_TRUE(
        model->index(0, SyncListModel::BFiles).data().toString().startsWith(QLatin1Char('?')));
    EXPECT_EQ(m.DrvFilesSize()->text(), QStringLiteral("Total size of files to sync: 1,500 bytes"));
    EXPECT_EQ(m.DrvSize()->text(), QStringLiteral("Disk Size: 1,000,000 bytes"));
    EXPECT_EQ(m.DrvFreeSpace()->text(), QStringLiteral("Disk Free Space: 998,500 bytes"));
}

TEST_F(MasterTest, PressInTheTopLeftCornerShowsTheSplash) {
    Master& m = shown();
    QTest::mouseClick(&m, Qt::LeftButton, {}, QPoint(193, 81));
    QTest::mouseClick(&m, Qt::LeftButton, {}, QPoint(100, 82));
    EXPECT_TRUE(visibleSplashes().isEmpty());
    QTest::mouseClick(&m, Qt::LeftButton, {}, QPoint(192, 81));
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
    Master& m = shown();
    const QSize frame = m.frameGeometry().size() - m.size();
    m.resize(QSize(500, 400) - frame);
    QApplication::processEvents();
    EXPECT_EQ(m.frameGeometry().size(), QSize(640, 480));
    m.resize(QSize(700, 470) - frame);
    QApplication::processEvents();
    EXPECT_EQ(m.frameGeometry().size(), QSize(700, 470));
}

TEST_F(MasterTest, ResizingLaysTheListAndItsColumnsOut) {
    Master& m = shown();
    m.resize(QSize(650, 520) - (m.frameGeometry().size() - m.size()));
    QApplication::processEvents();
    EXPECT_EQ(m.syncFiles()->geometry(), QRect(20, 88, 600, 520 - 88 - 60 - 99));
    EXPECT_EQ(m.syncFiles()->columnWidth(0), 200);
    EXPECT_EQ(m.syncFiles()->columnWidth(1), 100);
    EXPECT_EQ(m.syncFiles()->columnWidth(2), 200);
    // The last column takes what is left beside the frame, never a scroll bar's worth more.
    EXPECT_LE(m.syncFiles()->columnWidth(3), 100);
    EXPECT_GT(m.syncFiles()->columnWidth(3), 80);
    EXPECT_EQ(m.StopButton()->geometry(), m.SyncButton()->geometry());
    EXPECT_EQ(m.SyncButton()->geometry().right() + 1, 620);
}

TEST_F(MasterTest, MinimisingGoesToTheNotificationAreaWhenThereIsOne) {
    Master& m = shown();
    m.setNotificationArea([] { return true; });
    m.resize(720, 500);
    QApplication::processEvents();
    m.showMinimized();
    QTRY_VERIFY(m.isHidden());
    EXPECT_FALSE(m.isMinimized());
    // A left press on the icon brings it back at its former size.
    m.tray()->ShellCallback(513);
    QTRY_VERIFY(m.isVisible());
    EXPECT_FALSE(m.isMinimized());
    EXPECT_EQ(m.size(), QSize(720, 500));
}

TEST_F(MasterTest, WithoutANotificationAreaMinimisingIsOrdinary) {
    Master& m = shown();
    m.setNotificationArea([] { return false; });
    m.showMinimized();
    QTest::qWait(50);
    EXPECT_TRUE(m.isVisible());
    EXPECT_TRUE(m.isMinimized());
}

TEST_F(MasterTest, DriveGoneShowsTheSearchingState) {
    Master& m = master();
    searchNow();
    ASSERT_TRUE(session->driveFound());
    expectIdle(m);

    volumes.clear();
    searchNow();
    EXPECT_EQ(session->FoundLetter(), QStringLiteral("?"));
    EXPECT_EQ(m.DrvFilesSize()->text(), NotFound);
    EXPECT_TRUE(m.DrvSize()->text().isEmpty());
    EXPECT_TRUE(m.DrvFreeSpace()->text().isEmpty());
    for (QWidget* w : std::initializer_list<QWidget*>{m.AddFile(), m.RemoveFile(), m.SyncButton(),
                                                      m.ConflictsResolution(), m.DrvFilesSize(),
                                                      m.DrvSize(), m.DrvFreeSpace()})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    for (XPButton* b : {m.AddFolderButton(), m.ViewLog(), m.NewFlash()})
        EXPECT_TRUE(b->Enabled()) << b->objectName().toStdString();
    // The watch goes on counting.
    EXPECT_TRUE(m.SearchTimer()->isActive());
    EXPECT_EQ(session->watch().TimerCount, 0);

    // Back again: the next search finds it and the pass puts everything back.
    volumes.add({root().toStdString(), platform::DriveType::Removable, 1000000, 0x1234, "ext4"});
    searchNow();
    EXPECT_TRUE(session->driveFound());
    expectIdle(m);
}

TEST_F(MasterTest, EachSearchSeesWhatAnotherProgramStored) {
    Master& m = master();
    ASSERT_EQ(m.ConflictsResolution()->currentIndex(), 0);
    // The command line tool, a process of its own, chooses another mode and interval.
    {
        platform::QSettingsStore other(files.path(QStringLiteral("settings.ini")));
        other.write(keys::SyncInfo, keys::Conflicts, QStringLiteral("2"));
        other.write(keys::SyncInfo, keys::Refresh, QStringLiteral("4"));
        ASSERT_TRUE(other.sync());
    }
    searchNow();
    EXPECT_EQ(m.ConflictsResolution()->currentIndex(), 2);
    EXPECT_EQ(m.RefreshTime()->currentIndex(), 4);
    EXPECT_EQ(session->watch().RefreshSeconds, 300);
}

TEST_F(MasterTest, WhileAnotherProgramPassesTheWindowSaysSoAndWaits) {
    storeNewerRows(1);
    Master& m = master();
    platform::UserLock other(
        platform::UserLock::nameFor(QStringLiteral("pass"), store->location()));
    ASSERT_EQ(other.take(), platform::UserLock::Take::Taken);
    searchNow();
    EXPECT_EQ(m.DrvFilesSize()->text(),
              QStringLiteral("Another pass is running; waiting for the next search."));
    EXPECT_TRUE(status(0).isEmpty());
    EXPECT_EQ(TestFiles::read(drive(QStringLiteral("f1.txt"))), QByteArray("old"));
    expectIdle(m); // nothing left disabled by the search
    EXPECT_EQ(session->watch().TimerCount, 0);

    other.release();
    searchNow();
    EXPECT_TRUE(status(0).startsWith(QStringLiteral("Synchronized at ")));
}

TEST_F(MasterTest, ARowWhoseLocalFileIsAwaySaysWhy) {
    storeNewerRows(2);
    QFile::remove(local(QStringLiteral("f2.txt")));
    Master& m = master();
    QAbstractItemModel* model = m.syncFiles()->model();
    ASSERT_EQ(model->rowCount(), 2); // kept, not dropped
    const QString problem = session->list().rows().at(1).localProblem;
    ASSERT_FALSE(problem.isEmpty());
    EXPECT_EQ(model->index(1, SyncListModel::Status).data().toString(),
              QStringLiteral("Local file not found"));
    EXPECT_EQ(model->index(1, SyncListModel::Files).data(Qt::ToolTipRole).toString(), problem);
    EXPECT_FALSE(model->index(0, SyncListModel::Files).data(Qt::ToolTipRole).isValid());
    // A failure's reason, when there is one, says more than that.
    m.setRowReason(1, QStringLiteral("no space left on the drive"));
    EXPECT_EQ(model->index(1, SyncListModel::Files).data(Qt::ToolTipRole).toString(),
              QStringLiteral("no space left on the drive"));
}

TEST_F(MasterTest, PassShowsStopWhereSynchronizeNowWasAndDisablesTheCommands) {
    storeNewerRows(2);
    Master& m = shown();
    const QRect syncPlace = m.SyncButton()->geometry();
    struct Seen {
        bool stopShown = false, syncHidden = false, stopInPlace = false, timerOff = false;
        QStringList stillEnabled;
    } seen;
    QObject::connect(m.listModel(), &QAbstractItemModel::dataChanged, &m, [&] {
        if (!m.listModel()->rowBold(0) || seen.stopShown)
            return;
        seen.stopShown = m.StopButton()->isVisible();
        seen.syncHidden = m.SyncButton()->isHidden();
        seen.stopInPlace = m.StopButton()->geometry() == syncPlace;
        seen.timerOff = !m.SearchTimer()->isActive();
        for (QWidget* w : std::initializer_list<QWidget*>{
                 m.AddFile(), m.RemoveFile(), m.AddFolderButton(), m.NewFlash(), m.ViewLog(),
                 m.ConflictsResolution(), m.DrvFilesSize(), m.DrvSize(), m.DrvFreeSpace()})
            if (w->isEnabled())
                seen.stillEnabled << w->objectName();
    });
    session->SearchLetter();
    click(m.SyncButton());

    EXPECT_TRUE(seen.stopShown);
    EXPECT_TRUE(seen.syncHidden);
    EXPECT_TRUE(seen.stopInPlace);
    EXPECT_TRUE(seen.timerOff);
    EXPECT_TRUE(seen.stillEnabled.isEmpty()) << seen.stillEnabled.join(u' ').toStdString();
    expectIdle(m);
    EXPECT_TRUE(m.DrvFilesSize()->text().isEmpty()); // cleared at the end until the next rebuild
    EXPECT_EQ(session->watch().TimerCount, 0);
    EXPECT_TRUE(status(0).startsWith(QStringLiteral("Synchronized at ")));
    EXPECT_FALSE(m.listModel()->rowBold(0));
}

TEST_F(MasterTest, StopDuringTheThirdOfFiveRowsFinishesThatRowOnly) {
    storeNewerRows(5);
    Master& m = shown();
    bool pressed = false;
    QObject::connect(m.listModel(), &QAbstractItemModel::dataChanged, &m, [&] {
        if (!pressed && m.listModel()->rowBold(2)) {
            pressed = true;
            click(m.StopButton());
        }
    });
    session->SearchLetter();
    m.Syncronize();

    ASSERT_TRUE(pressed);
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
    expectIdle(m);
}

TEST_F(MasterTest, ReplacementQuestionIsAModalYesNoBoxTitledWithTheCaption) {
    storeNewerRows(1);
    setMode(4); // copy to the drive, asking first
    Master& m = shown();
    session->SearchLetter();
    const auto seen = answerNextBox(QMessageBox::No);
    m.Syncronize();
    ASSERT_TRUE(seen->shown);
    EXPECT_EQ(seen->title, m.windowTitle());
    EXPECT_EQ(seen->icon, QMessageBox::Question);
    EXPECT_EQ(seen->buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_THAT(seen->text.toStdString(), ::testing::HasSubstr("Do you accept this replacement ?"));
    EXPECT_FALSE(seen->text.contains(QLatin1Char('\r')));
    // No keeps the drive's file and leaves the row's status as the rebuild left it.
    EXPECT_EQ(TestFiles::read(drive(QStringLiteral("f1.txt"))), QByteArray("old"));
    EXPECT_TRUE(status(0).isEmpty());

    const auto yes = answerNextBox(QMessageBox::Yes);
    m.Syncronize();
    ASSERT_TRUE(yes->shown);
    EXPECT_EQ(TestFiles::read(drive(QStringLiteral("f1.txt"))), QByteArray("new 1"));
}

TEST_F(MasterTest, FailureReasonIsTheRowsTooltipUntilTheNextRebuild) {
    storeNewerRows(2);
    Master& m = master();
    QAbstractItemModel* model = m.syncFiles()->model();
    m.setRowReason(1, QStringLiteral("no space left on the drive"));
    for (int c = 0; c < model->columnCount(); ++c)
        EXPECT_EQ(model->index(1, c).data(Qt::ToolTipRole).toString(),
                  QStringLiteral("no space left on the drive"));
    EXPECT_FALSE(model->index(0, 0).data(Qt::ToolTipRole).isValid());
    m.RefreshFiles();
    EXPECT_FALSE(model->index(1, 0).data(Qt::ToolTipRole).isValid());
}

TEST_F(MasterTest, RepairingCancelledReloadsTheUnchangedPairing) {
    storeNewerRows(2);
    Master& m = shown();
    const QString serial = stored(keys::SN);
    int rowsDuringDialog = -1;
    bool timerDuringDialog = true;
    whenModal<NewSync>([&](NewSync* dialog) {
        rowsDuringDialog = m.syncFiles()->model()->rowCount();
        timerDuringDialog = m.SearchTimer()->isActive();
        click(dialog->CancelSync());
    });
    pressKeyOf(m.NewFlash());
    EXPECT_EQ(rowsDuringDialog, 0);
    EXPECT_FALSE(timerDuringDialog);
    EXPECT_EQ(stored(keys::SN), serial);
    EXPECT_EQ(m.syncFiles()->model()->rowCount(), 2);
    // The watch searches at the next tick.
    EXPECT_TRUE(m.SearchTimer()->isActive());
    EXPECT_EQ(session->watch().TimerCount, session->watch().RefreshSeconds - 1);
}

TEST_F(MasterTest, RepairingWithANewDriveStartsItWithAnEmptyList) {
    storeNewerRows(2);
    files.makeDir(QStringLiteral("other"));
    const QString otherRoot = files.path(QStringLiteral("other/"));
    volumes.add({otherRoot.toStdString(), platform::DriveType::Removable, 2000000, 0x777, "ext4"});
    Master& m = shown();
    setMode(2);
    m.GoLoad();
    ASSERT_EQ(m.ConflictsResolution()->currentIndex(), 2);
    whenModal<NewSync>([&](NewSync* dialog) {
        dialog->Drives()->setCurrentIndex(1);
        answerNextBox(QMessageBox::Yes);
        click(dialog->Sync());
    });
    pressKeyOf(m.NewFlash());
    EXPECT_EQ(stored(keys::SN), QString::number(0x777));
    EXPECT_EQ(m.syncFiles()->model()->rowCount(), 0);
    EXPECT_EQ(m.ConflictsResolution()->currentIndex(), 0);
    EXPECT_EQ(m.RefreshTime()->currentIndex(), 1);
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
    Master& m = shown();
    struct Seen {
        bool barShown = false;
        int lowest = 100;
        int highest = 0;
        QString tip;
    };
    std::array<Seen, 2> seen;
    int row = -1;
    QObject::connect(m.listModel(), &QAbstractItemModel::dataChanged, &m, [&] {
        for (int r : {0, 1}) {
            if (m.listModel()->rowBold(r) && row != r) {
                row = r;
                slowing = r == 0;
            }
        }
    });
    QTimer sample;
    QObject::connect(&sample, &QTimer::timeout, &m, [&] {
        if (row < 0 || !m.CopyBar()->isVisible())
            return;
        Seen& s = seen[static_cast<std::size_t>(row)];
        s.barShown = true;
        s.lowest = std::min(s.lowest, m.CopyBar()->value());
        s.highest = std::max(s.highest, m.CopyBar()->value());
        s.tip = iconShell->lastTip;
    });
    sample.start(10);
    session->SearchLetter();
    m.Syncronize();
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
    EXPECT_TRUE(m.CopyBar()->isHidden());
    EXPECT_EQ(iconShell->lastTip, m.windowTitle());
}

TEST_F(MasterTest, ChoosingOptionsStoresThem) {
    Master& m = master();
    session->watch().TimerCount = 40;
    Q_EMIT m.RefreshTime()->activated(7);
    EXPECT_EQ(stored(keys::Refresh), QStringLiteral("7"));
    EXPECT_EQ(session->watch().RefreshSeconds, 1800);
    EXPECT_EQ(session->watch().TimerCount, 40); // the count goes on from where it was
    Q_EMIT m.ConflictsResolution()->activated(5);
    EXPECT_EQ(stored(keys::Conflicts), QStringLiteral("5"));
    EXPECT_EQ(session->conflictMode.value(), 5);
}

TEST_F(MasterTest, LogWindowShowsTheLogAsItWasWhenOpened) {
    files.write(QStringLiteral("lastsync.txt"), "first pass\r\nsecond line\r\n");
    Master& m = shown();
    click(m.ViewLog());
    LogWindow* log = m.logWindow();
    ASSERT_NE(log, nullptr);
    EXPECT_TRUE(log->isVisible());
    EXPECT_EQ(log->windowModality(), Qt::NonModal);
    EXPECT_EQ(log->windowTitle(), m.windowTitle());
    EXPECT_EQ(log->LogView()->toPlainText(), QStringLiteral("first pass\nsecond line\n"));
    EXPECT_TRUE(log->LogView()->isReadOnly());

    // Open: only brought forward, its text as it was.
    files.write(QStringLiteral("lastsync.txt"), "a later pass\r\n");
    click(m.ViewLog());
    EXPECT_EQ(m.logWindow(), log);
    EXPECT_EQ(log->LogView()->toPlainText(), QStringLiteral("first pass\nsecond line\n"));

    // Closed and opened again: read anew.
    log->close();
    QTRY_VERIFY(m.logWindow() == nullptr);
    click(m.ViewLog());
    ASSERT_NE(m.logWindow(), nullptr);
    EXPECT_EQ(m.logWindow()->LogView()->toPlainText(), QStringLiteral("a later pass\n"));
}

TEST_F(MasterTest, LogTextBoxFollowsTheWindowsSize) {
    Master& m = shown();
    m.showLog();
    LogWindow* log = m.logWindow();
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

TEST_F(MasterTest, NoLogYetShowsAnEmptyOne) {
    Master& m = shown();
    m.showLog();
    ASSERT_NE(m.logWindow(), nullptr);
    EXPECT_TRUE(m.logWindow()->LogView()->toPlainText().isEmpty());
    EXPECT_TRUE(QFile::exists(logPath));
}

TEST_F(MasterTest, EveryCommandIsReachableFromTheKeyboard) {
    Master& m = shown();
    // Tab goes in reading order (the link takes one Tab of its own for its one link).
    m.Update()->setFocus();
    QStringList order{m.Update()->objectName()};
    for (int step = 0; step < 12; ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        const QString name = QApplication::focusWidget()->objectName();
        if (name != order.constLast())
            order << name;
    }
    order = order.mid(0, 11);
    EXPECT_EQ(order, (QStringList{QStringLiteral("Update"), QStringLiteral("ConflictsResolution"),
                                  QStringLiteral("syncFiles"), QStringLiteral("AddFile"),
                                  QStringLiteral("AddFolderButton"), QStringLiteral("RemoveFile"),
                                  QStringLiteral("NewFlash"), QStringLiteral("RefreshTime"),
                                  QStringLiteral("ViewLog"), QStringLiteral("SyncButton"),
                                  QStringLiteral("Update")}));

    // Every button has an access key of its own.
    QString keys;
    for (XPButton* b : {m.AddFile(), m.AddFolderButton(), m.RemoveFile(), m.SyncButton(),
                        m.StopButton(), m.ViewLog(), m.NewFlash()}) {
        const QString key = XPButton::GetAccessKey(b->Caption());
        ASSERT_FALSE(key.isEmpty()) << b->objectName().toStdString();
        EXPECT_FALSE(keys.contains(key)) << b->objectName().toStdString();
        keys += key;
    }
    // Its key runs the command: the log opens.
    QTest::keyClick(
        &m, Qt::Key(XPButton::GetAccessKey(m.ViewLog()->Caption()).at(0).toUpper().unicode()),
        Qt::AltModifier);
    QTRY_VERIFY(m.logWindow() != nullptr);
}

} // namespace
