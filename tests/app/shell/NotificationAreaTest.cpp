// The window's life beside its notification-area icon: the icon's buttons and menu, the
// close box and the notice, Exit, the failure message and the updater.
#include "ShellFixture.h"

#include "FakeMountTable.h"
#include "controls/SystemTray.h"
#include "controls/XPButton.h"
#include "platform/AppPaths.h"
#include "shell/ShowAgain.h"
#include "shell/SyncListModel.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

#include <gmock/gmock.h>

#include <memory>

using namespace quillet;
using namespace quillet::test;

namespace {

// A notification area that also keeps the messages shown beside the icon.
class MessageShell : public RecordingIconShell {
public:
    bool ShellNotifyIcon(quint32 dwMessage, const TrayIconData& data) override {
        if (dwMessage == NIM_MODIFY && (data.uFlags & NIF_INFO))
            messages << data.szInfoTitle + QStringLiteral(" | ") + data.szInfo;
        if (dwMessage == NIM_DELETE)
            deleted = true;
        return RecordingIconShell::ShellNotifyIcon(dwMessage, data);
    }
    void clickMessage() { SendCallback(NIN_BALLOONUSERCLICK); }
    QStringList messages;
    bool deleted = false;
};

class NotificationAreaTest : public ShellFixture {
protected:
    Master& shown() {
        Master& window = master();
        window.setNotificationArea([] { return true; });
        window.show();
        window.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
        return window;
    }

    // A window whose messages beside the icon are kept in area.
    std::unique_ptr<Master> windowWithMessages(MessageShell*& area) {
        auto shell = std::make_unique<MessageShell>();
        area = shell.get();
        MasterServices services;
        services.clock = &clock;
        services.trayShell = std::move(shell);
        return std::make_unique<Master>(*session, logPath, std::move(services));
    }

    // The close box, as the desktop sends it: a close of the window that Qt did not ask for.
    static void closeBox(Master& window) {
        QCloseEvent close;
        QCoreApplication::sendEvent(window.windowHandle(), &close);
    }

    QString storedWarning() const {
        return store->read(keys::Config, keys::ExitWarning, QStringLiteral("<none>"));
    }

    // Rows whose drive copy is a folder where the file should go: each copy fails.
    void storeFailingRows(int count) {
        for (int number = 1; number <= count; ++number) {
            const QString name = QStringLiteral("f%1.txt").arg(number);
            storeRow(number, files.write(QStringLiteral("local/") + name, "new", at(9, 0, 0)),
                     name);
            files.makeDir(QStringLiteral("drive/") + name + QStringLiteral("/inside"));
        }
    }
};

TEST_F(NotificationAreaTest, TheCloseBoxHidesAndTheNoticeStoresItsCheckBoxAtOnce) {
    Master& window = shown();
    QSignalSpy ended(&window, &Master::ended);
    bool visibleUnder = false;
    QString text;
    bool checkedAtFirst = true;
    whenModal<ShowAgain>([&](ShowAgain* notice) {
        visibleUnder = window.isVisible();
        text = notice->Labels()->text();
        checkedAtFirst = notice->ShowAgainBox()->isChecked();
        // Checked stores "No" at once, unchecked "Yes" again; the last click stands.
        QTest::mouseClick(notice->ShowAgainBox(), Qt::LeftButton);
        EXPECT_EQ(storedWarning(), QStringLiteral("No"));
        QTest::mouseClick(notice->ShowAgainBox(), Qt::LeftButton);
        EXPECT_EQ(storedWarning(), QStringLiteral("Yes"));
        QTest::mouseClick(notice->ShowAgainBox(), Qt::LeftButton);
        clickButton(notice->bExit());
    });
    closeBox(window);
    EXPECT_TRUE(visibleUnder) << "the notice comes before the window goes";
    EXPECT_EQ(text, QStringLiteral("The application is still running, to terminate you should "
                                   "go to Tray Icon and click with right button, choose Exit to "
                                   "terminate application."));
    EXPECT_FALSE(checkedAtFirst);
    EXPECT_EQ(storedWarning(), QStringLiteral("No"));
    EXPECT_TRUE(window.isHidden());
    EXPECT_TRUE(window.tray()->IconShown());
    EXPECT_TRUE(control<QTimer>(window, "SearchTimer")->isActive())
        << "the watch goes on while hidden";
    EXPECT_EQ(ended.count(), 0);

    // Back from the icon; the next close hides without the notice.
    window.tray()->ShellCallback(513);
    QTRY_VERIFY(window.isVisible());
    const auto again = std::make_shared<bool>(false);
    whenModal<ShowAgain>([again](ShowAgain* notice) {
        *again = true;
        notice->accept();
    });
    closeBox(window);
    QTest::qWait(50);
    EXPECT_FALSE(*again);
    EXPECT_TRUE(window.isHidden());
}

TEST_F(NotificationAreaTest, TheNoticeShowsForTheExactTextYesOnly) {
    store->write(keys::Config, keys::ExitWarning, QStringLiteral("yes"));
    Master& window = shown();
    const auto seen = std::make_shared<bool>(false);
    whenModal<ShowAgain>([seen](ShowAgain* notice) {
        *seen = true;
        notice->accept();
    });
    closeBox(window);
    QTest::qWait(50);
    EXPECT_FALSE(*seen);
    EXPECT_TRUE(window.isHidden());
}

TEST_F(NotificationAreaTest, DraggingTheNoticeMovesIt) {
    master();
    ShowAgain notice(*session);
    notice.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&notice));
    notice.move(100, 100);
    const QPoint start = notice.pos();
    QTest::mousePress(&notice, Qt::LeftButton, {}, QPoint(5, 5));
    QMouseEvent drag(QEvent::MouseMove, QPointF(45, 25), notice.mapToGlobal(QPointF(45, 25)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&notice, &drag);
    QTest::mouseRelease(&notice, Qt::LeftButton, {}, QPoint(45, 25));
    EXPECT_EQ(notice.pos(), start + QPoint(40, 20));
    EXPECT_EQ(notice.cursor().shape(), Qt::ArrowCursor) << "the move pointer goes with the move";
}

TEST_F(NotificationAreaTest, ExitNeverShowsTheNoticeAndRemovesTheIcon) {
    auto shell = std::make_unique<MessageShell>();
    MessageShell* area = shell.get();
    Master window(*session, logPath, [&] {
        MasterServices services;
        services.clock = &clock;
        services.trayShell = std::move(shell);
        services.pickers = &pickers;
        return services;
    }());
    window.setNotificationArea([] { return true; });
    window.show();
    QSignalSpy ended(&window, &Master::ended);
    const auto notice = std::make_shared<bool>(false);
    whenModal<ShowAgain>([notice](ShowAgain* shown) {
        *notice = true;
        shown->accept();
    });
    control<QAction>(window, "qlt_exit")->trigger();
    QTest::qWait(50);
    EXPECT_FALSE(*notice);
    EXPECT_TRUE(area->deleted);
    EXPECT_FALSE(window.tray()->IconShown());
    EXPECT_TRUE(window.isHidden());
    EXPECT_FALSE(control<QTimer>(window, "SearchTimer")->isActive());
    EXPECT_EQ(ended.count(), 1);
}

TEST_F(NotificationAreaTest, AnOpenLogKeepsTheProgramUntilItIsClosed) {
    Master& window = shown();
    window.showLog();
    QSignalSpy ended(&window, &Master::ended);
    control<QAction>(window, "qlt_exit")->trigger();
    EXPECT_FALSE(window.tray()->IconShown());
    EXPECT_EQ(ended.count(), 0);
    ASSERT_NE(window.logWindow(), nullptr);
    window.logWindow()->close();
    QTRY_COMPARE(ended.count(), 1);
}

TEST_F(NotificationAreaTest, WithoutANotificationAreaTheCloseBoxEndsTheProgram) {
    Master& window = shown();
    window.setNotificationArea([] { return false; });
    QSignalSpy ended(&window, &Master::ended);
    const auto notice = std::make_shared<bool>(false);
    whenModal<ShowAgain>([notice](ShowAgain* shown) {
        *notice = true;
        shown->accept();
    });
    closeBox(window);
    QTest::qWait(50);
    EXPECT_FALSE(*notice);
    EXPECT_EQ(ended.count(), 1);
    EXPECT_FALSE(window.tray()->IconShown());
}

TEST_F(NotificationAreaTest, TheLeftButtonTogglesAndTheRightPopsTheMenuUp) {
    Master& window = shown();
    window.tray()->ShellCallback(513);
    EXPECT_TRUE(window.isHidden());
    window.tray()->ShellCallback(514);
    control<QAction>(window, "qlt_show")->trigger();
    QTRY_VERIFY(window.isVisible());
    EXPECT_TRUE(window.isActiveWindow() || QTest::qWaitForWindowActive(&window));

    window.tray()->ShellCallback(516);
    QTRY_VERIFY(control<QMenu>(window, "MenuTray")->isVisible());
    const QList<QAction*> items = control<QMenu>(window, "MenuTray")->actions();
    ASSERT_EQ(items.size(), 4);
    EXPECT_EQ(items[0], control<QAction>(window, "qlt_show"));
    EXPECT_EQ(control<QMenu>(window, "MenuTray")->defaultAction(),
              control<QAction>(window, "qlt_show"));
    EXPECT_TRUE(control<QAction>(window, "qlt_show")->font().bold());
    EXPECT_EQ(items[1], control<QAction>(window, "SyncIt"));
    EXPECT_TRUE(items[2]->isSeparator());
    EXPECT_EQ(items[3], control<QAction>(window, "qlt_exit"));
    EXPECT_FALSE(items[3]->font().bold());
    control<QMenu>(window, "MenuTray")->close();
}

TEST_F(NotificationAreaTest, APassOfTheWatchWithFailuresSaysSoBesideTheIcon) {
    storeFailingRows(2);
    MessageShell* area = nullptr;
    const auto made = windowWithMessages(area);
    Master& window = *made;
    session->watch().searchAtNextTick();
    window.searchTick();
    ASSERT_EQ(session->list().rows().at(0).status, QStringLiteral("Error"));
    ASSERT_EQ(area->messages.size(), 1);
    // With the first reason, which a file row also shows as its own.
    const QString reason = control<SyncListModel>(window)->rowReason(0);
    ASSERT_FALSE(reason.isEmpty());
    EXPECT_EQ(area->messages[0], window.windowTitle() +
                                     QStringLiteral(" | 2 files could not be synchronized: ") +
                                     reason + QStringLiteral("\nClick here to see the log."));

    // Clicking it opens the log.
    ASSERT_EQ(window.logWindow(), nullptr);
    area->clickMessage();
    ASSERT_NE(window.logWindow(), nullptr);
    EXPECT_TRUE(window.logWindow()->isVisible());

    // The same failures at the next pass are not told again.
    auto watchPass = [&] {
        session->watch().searchAtNextTick();
        window.searchTick();
    };
    watchPass();
    EXPECT_EQ(area->messages.size(), 1);

    // Fewer: told, and one failure says "file".
    QDir(drive(QStringLiteral("f2.txt"))).removeRecursively();
    watchPass();
    ASSERT_EQ(area->messages.size(), 2);
    EXPECT_EQ(area->messages[1], window.windowTitle() +
                                     QStringLiteral(" | 1 file could not be synchronized: ") +
                                     reason + QStringLiteral("\nClick here to see the log."));
    // A pass asked for by the person with the same failures: not told again.
    window.Syncronize();
    EXPECT_EQ(area->messages.size(), 2);

    // The drive away and back: its failure is news again.
    volumes.clear();
    watchPass();
    volumes.add({root().toStdString(), platform::DriveType::Removable, 1000000, 0x1234, "ext4"});
    watchPass();
    EXPECT_EQ(area->messages.size(), 3);
}

TEST_F(NotificationAreaTest, APassThePersonStartedSaysItsFailuresBesideTheIconToo) {
    storeFailingRows(1);
    MessageShell* area = nullptr;
    const auto made = windowWithMessages(area);
    Master& window = *made;
    session->SearchLetter();
    window.Syncronize();
    ASSERT_EQ(area->messages.size(), 1);
    EXPECT_THAT(area->messages[0].toStdString(),
                ::testing::HasSubstr("| 1 file could not be synchronized: "));
    // The tray menu's command with the window hidden: one failure more is news.
    storeFailingRows(2);
    control<QAction>(window, "SyncIt")->trigger();
    ASSERT_EQ(area->messages.size(), 2);
    EXPECT_THAT(area->messages[1].toStdString(),
                ::testing::HasSubstr("| 2 files could not be synchronized: "));
    EXPECT_FALSE(window.isVisible());
}

TEST_F(NotificationAreaTest, APassWithoutFailuresStaysQuiet) {
    const QString file = files.write(QStringLiteral("local/a.txt"), "a", at(9, 0, 0));
    storeRow(1, file, QStringLiteral("a.txt"));
    MessageShell* area = nullptr;
    const auto made = windowWithMessages(area);
    Master& window = *made;
    session->watch().searchAtNextTick();
    window.searchTick();
    ASSERT_TRUE(session->list().rows().at(0).status.startsWith(QStringLiteral("Synchronized")));
    EXPECT_TRUE(area->messages.isEmpty());
}

TEST_F(NotificationAreaTest, APassThatKeptBothCopiesSaysSoOnce) {
    const QString file = files.write(QStringLiteral("local/a.txt"), "agreed", at(8, 0, 0));
    storeRow(1, file, QStringLiteral("a.txt"));
    MessageShell* area = nullptr;
    const auto made = windowWithMessages(area);
    Master& window = *made;
    session->SearchLetter();
    window.Syncronize();
    ASSERT_TRUE(area->messages.isEmpty());
    files.write(QStringLiteral("local/a.txt"), "edited on the PC", at(9, 0, 0));
    files.write(QStringLiteral("drive/a.txt"), "edited on the drive", at(10, 0, 0));
    window.Syncronize();
    ASSERT_EQ(area->messages.size(), 1);
    EXPECT_EQ(area->messages[0],
              window.windowTitle() +
                  QStringLiteral(" | 1 file changed on both sides: both copies were kept.\n"
                                 "Click here to see the log."));
    window.Syncronize();
    EXPECT_EQ(area->messages.size(), 1) << "told at the pass that kept them only";
}

TEST_F(NotificationAreaTest, CheckForUpgradesStartsTheUpdaterWithOneArgumentAndNoShell) {
    Master& window = master();
    processes.programExists = false; // missing: nothing is shown, nothing changes
    const auto box = answerNextBox(QMessageBox::Ok);
    Q_EMIT control<QLabel>(window, "Update")->linkActivated(QStringLiteral("update"));
    QTest::qWait(30);
    EXPECT_FALSE(box->shown);
    ASSERT_EQ(processes.starts.size(), 1);
    EXPECT_EQ(processes.starts[0].program, platform::AppPath() + QStringLiteral("BrevantUpdate"));
    EXPECT_EQ(processes.starts[0].arguments,
              QStringList{QStringLiteral("qlt&") + QCoreApplication::applicationFilePath()});
    EXPECT_TRUE(QCoreApplication::applicationFilePath().startsWith(platform::AppPath()));
}

TEST_F(NotificationAreaTest, APluggedDriveIsSeenAtTheNextTickWhateverTheInterval) {
    const QString file = files.write(QStringLiteral("local/a.txt"), "new", at(9, 0, 0));
    storeRow(1, file, QStringLiteral("a.txt"));
    store->write(keys::SyncInfo, keys::Refresh, QStringLiteral("8")); // every hour
    volumes.clear();
    FakeMountTable mounts;
    session->watch().setMountTable(&mounts);
    Master& window = master();
    window.searchTick(); // the first search finds nothing
    ASSERT_FALSE(session->driveFound());
    for (int tick = 0; tick < 20; ++tick)
        window.searchTick();
    volumes.add({root().toStdString(), platform::DriveType::Removable, 1000000, 0x1234, "ext4"});
    mounts.mountChanged();
    window.searchTick();
    EXPECT_TRUE(session->driveFound());
    EXPECT_TRUE(session->list().rows().at(0).status.startsWith(QStringLiteral("Synchronized")));
    EXPECT_EQ(TestFiles::read(drive(QStringLiteral("a.txt"))), QByteArray("new"));
    session->watch().setMountTable(nullptr);
}

} // namespace
