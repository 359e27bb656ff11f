// The notification-area icon control against a recording shell, and the Qt shell.
#include "controls/SystemTray.h"
#include "controls/MapPropertyBag.h"
#include "controls/NotifyIconShell.h"
#include "controls/QtNotifyIconShell.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <vector>

using namespace quillet;

namespace {

// Behaves like the shell for one identity and keeps every call.
class RecordingShell : public NotifyIconShell {
public:
    struct Call {
        quint32 message;
        TrayIconData data;
    };

    bool ShellNotifyIcon(quint32 dwMessage, const TrayIconData& data) override {
        calls.push_back({dwMessage, data});
        if (mirror)
            mirror->push_back({dwMessage, data});
        const bool known = shown && shownHWnd == data.hWnd && shownID == data.uID;
        switch (dwMessage) {
        case NIM_ADD:
            if (known || refuseAdd)
                return false;
            shown = true;
            shownHWnd = data.hWnd;
            shownID = data.uID;
            return true;
        case NIM_MODIFY:
            return known;
        case NIM_DELETE:
            if (known)
                shown = false;
            return known;
        default:
            return false;
        }
    }

    void Click(int message) { SendCallback(message); }

    std::vector<Call> calls;
    std::vector<Call>* mirror = nullptr; // outlives the shell, which its control owns
    bool refuseAdd = false;
    bool shown = false;
    quint32 shownHWnd = 0;
    qint64 shownID = 0;
};

QIcon SolidIcon(Qt::GlobalColor color) {
    QPixmap p(16, 16);
    p.fill(color);
    return QIcon(p);
}

class SystemTrayTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto owned = std::make_unique<RecordingShell>();
        shell = owned.get();
        tray = std::make_unique<SystemTray>(&form, std::move(owned));
    }

    const RecordingShell::Call& LastCall() const { return shell->calls.back(); }

    QWidget form;
    RecordingShell* shell = nullptr;
    std::unique_ptr<SystemTray> tray;
};

TEST_F(SystemTrayTest, AddWithoutTipSendsMessageAndIconFlagsOnly) {
    ASSERT_TRUE(tray->ToolTip().isEmpty());
    EXPECT_TRUE(tray->Add());
    EXPECT_TRUE(tray->IconShown());
    ASSERT_EQ(shell->calls.size(), 1u);
    const auto& c = LastCall();
    EXPECT_EQ(c.message, NotifyIconShell::NIM_ADD);
    EXPECT_EQ(c.data.cbSize, 88u);
    EXPECT_EQ(c.data.uFlags, 3u);
    EXPECT_EQ(c.data.uCallbackMessage, 512u);
    EXPECT_EQ(c.data.hWnd, quint32(tray->winId()));
    EXPECT_NE(c.data.hWnd, 0u);
    EXPECT_EQ(c.data.hIcon, SystemTray::IconHandle(tray->Picture()));
    EXPECT_EQ(c.data.uID, c.data.hIcon);

    // A tip given later changes the record, but the shell was told not to show one.
    EXPECT_TRUE(tray->Update(QIcon(), QStringLiteral("Synchronizing")));
    EXPECT_EQ(LastCall().message, NotifyIconShell::NIM_MODIFY);
    EXPECT_EQ(LastCall().data.uFlags, 3u);
    EXPECT_TRUE(LastCall().data.szTip.startsWith(QStringLiteral("Synchronizing ")));
}

TEST_F(SystemTrayTest, AddWithTipSendsAllThreeFlags) {
    tray->SetToolTip(QStringLiteral("Quillet"));
    EXPECT_TRUE(tray->Add());
    EXPECT_EQ(LastCall().data.uFlags, 7u);
    EXPECT_EQ(LastCall().data.szTip, QStringLiteral("Quillet").leftJustified(64, QLatin1Char(' ')));
}

TEST_F(SystemTrayTest, TipIsCutOrPaddedToSixtyFourCharacters) {
    const QString seventy = QStringLiteral("0123456789").repeated(7);
    tray->SetToolTip(seventy);
    tray->Add();
    EXPECT_EQ(LastCall().data.szTip.size(), 64);
    EXPECT_EQ(LastCall().data.szTip, seventy.left(64));
    EXPECT_EQ(tray->ToolTip(), seventy) << "the property keeps the whole text";

    tray->SetToolTip(QStringLiteral("short"));
    tray->Restore();
    EXPECT_EQ(LastCall().data.szTip.size(), 64);
    EXPECT_EQ(LastCall().data.szTip, QStringLiteral("short") + QString(59, QLatin1Char(' ')));

    tray->Update(QIcon(), QStringLiteral("12345"));
    EXPECT_EQ(LastCall().data.szTip, QStringLiteral("12345") + QString(59, QLatin1Char(' ')));
}

TEST_F(SystemTrayTest, UpdateNeedsAShownIcon) {
    EXPECT_FALSE(tray->Update(SolidIcon(Qt::red), QStringLiteral("x")));
    EXPECT_TRUE(shell->calls.empty()) << "nothing sent before Add";

    ASSERT_TRUE(tray->Add());
    EXPECT_TRUE(tray->Delete());
    EXPECT_FALSE(tray->IconShown());
    const auto sent = shell->calls.size();
    EXPECT_FALSE(tray->Update(SolidIcon(Qt::red), QStringLiteral("x")));
    EXPECT_EQ(shell->calls.size(), sent) << "nothing sent after Delete";
}

TEST_F(SystemTrayTest, RefusedAddLeavesTheIconNotShown) {
    shell->refuseAdd = true;
    EXPECT_FALSE(tray->Add());
    EXPECT_FALSE(tray->IconShown());
    EXPECT_FALSE(tray->Update(QIcon(), QStringLiteral("x")));
}

TEST_F(SystemTrayTest, UpdateShowsATemporaryIconAndRestorePutsItBack) {
    tray->SetToolTip(QStringLiteral("Idle"));
    ASSERT_TRUE(tray->Add());
    const qint64 id = LastCall().data.uID;
    const QIcon busy = SolidIcon(Qt::red);

    EXPECT_TRUE(tray->Update(busy, QStringLiteral("Busy")));
    EXPECT_EQ(LastCall().data.hIcon, SystemTray::IconHandle(busy));
    EXPECT_EQ(LastCall().data.uID, id) << "the identity stays";
    EXPECT_TRUE(LastCall().data.szTip.startsWith(QStringLiteral("Busy ")));
    EXPECT_EQ(tray->ToolTip(), QStringLiteral("Idle"));
    EXPECT_NE(SystemTray::IconHandle(tray->Picture()), SystemTray::IconHandle(busy));

    // An empty tip or no picture keeps what the record has.
    EXPECT_TRUE(tray->Update(QIcon(), QString()));
    EXPECT_EQ(LastCall().data.hIcon, SystemTray::IconHandle(busy));
    EXPECT_TRUE(LastCall().data.szTip.startsWith(QStringLiteral("Busy ")));

    EXPECT_TRUE(tray->Restore());
    EXPECT_EQ(LastCall().data.hIcon, SystemTray::IconHandle(tray->Picture()));
    EXPECT_TRUE(LastCall().data.szTip.startsWith(QStringLiteral("Idle ")));
}

TEST_F(SystemTrayTest, DeleteFindsTheIconAfterThePictureChanged) {
    ASSERT_TRUE(tray->Add());
    tray->SetPicture(SolidIcon(Qt::green));
    ASSERT_TRUE(tray->Restore());
    EXPECT_EQ(LastCall().data.hIcon, SystemTray::IconHandle(tray->Picture()));
    EXPECT_TRUE(tray->Delete()) << "identity is the picture current at Add";
    EXPECT_FALSE(shell->shown);
}

TEST_F(SystemTrayTest, SecondAddTakesTheShellsAnswer) {
    ASSERT_TRUE(tray->Add());
    EXPECT_FALSE(tray->Add());
    EXPECT_FALSE(tray->IconShown());
    EXPECT_TRUE(tray->Delete()) << "Delete does not look at IconShown";
}

TEST_F(SystemTrayTest, RestoreIsSentInAnyState) {
    EXPECT_FALSE(tray->Restore());
    ASSERT_EQ(shell->calls.size(), 1u);
    EXPECT_EQ(LastCall().message, NotifyIconShell::NIM_MODIFY);
    EXPECT_EQ(LastCall().data.szTip, QString(64, QLatin1Char(' '))) << "padded also when empty";
}

TEST(SystemTrayLifetime, DestroyingTheControlRemovesItsIcon) {
    std::vector<RecordingShell::Call> log;
    {
        auto shell = std::make_unique<RecordingShell>();
        shell->mirror = &log;
        SystemTray tray(nullptr, std::move(shell));
        ASSERT_TRUE(tray.Add());
        tray.SetPicture(SolidIcon(Qt::red));
        tray.Restore();
    }
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[2].message, NotifyIconShell::NIM_DELETE);
    EXPECT_EQ(log[2].data.hWnd, log[0].data.hWnd);
    EXPECT_EQ(log[2].data.uID, log[0].data.uID);

    // Also when it was never shown or already deleted: the shell just says no.
    log.clear();
    {
        auto shell = std::make_unique<RecordingShell>();
        shell->mirror = &log;
        SystemTray tray(nullptr, std::move(shell));
    }
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].message, NotifyIconShell::NIM_DELETE);
}

TEST_F(SystemTrayTest, PictureSetToNothingRestoresTheBuiltInIcon) {
    QSignalSpy changed(tray.get(), &SystemTray::PropertyChanged);
    ASSERT_TRUE(tray->Add());
    const qint64 shownIcon = LastCall().data.hIcon;
    tray->SetPicture(SolidIcon(Qt::blue));
    EXPECT_NE(SystemTray::IconHandle(tray->Picture()),
              SystemTray::IconHandle(tray->DefaultPicture()));
    tray->SetPicture(QIcon());
    EXPECT_EQ(SystemTray::IconHandle(tray->Picture()),
              SystemTray::IconHandle(tray->DefaultPicture()));
    EXPECT_EQ(changed.count(), 2);
    EXPECT_EQ(changed.at(0).at(0).toString(), QStringLiteral("Picture"));
    EXPECT_EQ(shell->calls.size(), 1u) << "setting the picture sends nothing";
    EXPECT_EQ(LastCall().data.hIcon, shownIcon);
}

TEST_F(SystemTrayTest, ToolTipIsNeverNull) {
    tray->SetToolTip(QString());
    EXPECT_FALSE(tray->ToolTip().isNull());
    EXPECT_TRUE(tray->ToolTip().isEmpty());
}

TEST_F(SystemTrayTest, BuiltInIconHasEveryTraySize) {
    const QIcon icon = tray->DefaultPicture();
    ASSERT_FALSE(icon.isNull());
    for (int size : {16, 22, 32, 48}) {
        const QImage img = icon.pixmap(size, size).toImage();
        EXPECT_EQ(img.size(), QSize(size, size)) << size;
        // Drawn, not blank: a good share of opaque pixels, and both arrows' colours.
        int opaque = 0, blue = 0, orange = 0;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                const QColor c = img.pixelColor(x, y);
                opaque += c.alpha() == 255 ? 1 : 0;
                blue += (c.alpha() > 200 && c.blue() > 150 && c.red() < 120) ? 1 : 0;
                orange += (c.alpha() > 200 && c.red() > 200 && c.blue() < 100) ? 1 : 0;
            }
        EXPECT_GT(opaque, size * size / 4) << size;
        EXPECT_GT(blue, 0) << size;
        EXPECT_GT(orange, 0) << size;
    }
}

TEST_F(SystemTrayTest, FaceStaysThirtySevenPixels) {
    tray->resize(100, 20);
    EXPECT_EQ(tray->size(), QSize(37, 37));
}

// --- Clicks --------------------------------------------------------------------------

struct Raised {
    QString event;
    short button;
    bool operator==(const Raised&) const = default;
};

class SystemTrayClicks : public SystemTrayTest {
protected:
    void SetUp() override {
        SystemTrayTest::SetUp();
        QObject::connect(tray.get(), &SystemTray::MouseDown, tray.get(), [this](short b) {
            raised.push_back({QStringLiteral("MouseDown"), b});
        });
        QObject::connect(tray.get(), &SystemTray::MouseUp, tray.get(), [this](short b) {
            raised.push_back({QStringLiteral("MouseUp"), b});
        });
        QObject::connect(tray.get(), &SystemTray::DblClick, tray.get(), [this](short b) {
            raised.push_back({QStringLiteral("DblClick"), b});
        });
    }
    std::vector<Raised> raised;
};

TEST_F(SystemTrayClicks, MessageTable) {
    for (int m = 505; m <= 525; ++m)
        shell->Click(m);
    const std::vector<Raised> expected{
        {QStringLiteral("MouseDown"), 1}, {QStringLiteral("MouseUp"), 1},
        {QStringLiteral("DblClick"), 1},  {QStringLiteral("MouseDown"), 2},
        {QStringLiteral("MouseUp"), 2},   {QStringLiteral("DblClick"), 2}};
    EXPECT_EQ(raised, expected);
}

TEST_F(SystemTrayClicks, PointerMovesOverTheFaceRaiseNothing) {
    for (int x = 0; x <= 36; ++x)
        tray->ShellCallback(x);
    QTest::mouseMove(tray.get(), QPoint(20, 20));
    EXPECT_TRUE(raised.empty());
}

TEST_F(SystemTrayClicks, ACallbackDuringAHandlerIsSwallowedOnce) {
    int nested = 0;
    QObject::connect(tray.get(), &SystemTray::MouseDown, tray.get(), [this, &nested](short) {
        // A pop-up menu's own loop lets two more messages in.
        if (nested++ == 0) {
            shell->Click(517);
            shell->Click(517);
        }
    });
    shell->Click(516);
    const std::vector<Raised> expected{{QStringLiteral("MouseDown"), 2},
                                       {QStringLiteral("MouseUp"), 2}};
    EXPECT_EQ(raised, expected) << "the first nested message is swallowed, the second raised";

    // The guard is clear again afterwards.
    raised.clear();
    shell->Click(514);
    EXPECT_EQ(raised, (std::vector<Raised>{{QStringLiteral("MouseUp"), 1}}));
}

TEST_F(SystemTrayClicks, AHandlerMayDestroyTheControl) {
    QObject::connect(tray.get(), &SystemTray::MouseDown, tray.get(),
                     [this](short) { tray.reset(); });
    shell->Click(513); // must not touch the destroyed control afterwards
    EXPECT_EQ(tray, nullptr);
}

TEST_F(SystemTrayClicks, AClickOnTheBalloonIsReportedAsSuch) {
    QSignalSpy balloon(tray.get(), &SystemTray::BalloonClick);
    shell->Click(NotifyIconShell::NIN_BALLOONUSERCLICK);
    EXPECT_EQ(balloon.count(), 1);
    EXPECT_TRUE(raised.empty());
}

TEST(QtNotifyIconShell, ActivationsBecomeTheShellsMouseMessages) {
    using R = QSystemTrayIcon::ActivationReason;
    EXPECT_EQ(QtNotifyIconShell::MessagesFor(R::Trigger), (QList<int>{513, 514}));
    EXPECT_EQ(QtNotifyIconShell::MessagesFor(R::Context), (QList<int>{516, 517}));
    EXPECT_EQ(QtNotifyIconShell::MessagesFor(R::DoubleClick), (QList<int>{515}));
    EXPECT_EQ(QtNotifyIconShell::MessagesFor(R::MiddleClick), (QList<int>{519, 520}));
    EXPECT_TRUE(QtNotifyIconShell::MessagesFor(R::Unknown).isEmpty());
}

TEST(QtNotifyIconShell, WithoutANotificationAreaAddFailsQuietly) {
    if (QSystemTrayIcon::isSystemTrayAvailable())
        GTEST_SKIP() << "this display has a notification area";
    SystemTray tray;
    tray.SetToolTip(QStringLiteral("Quillet"));
    EXPECT_FALSE(tray.Add());
    EXPECT_FALSE(tray.IconShown());
    EXPECT_FALSE(tray.Update(QIcon(), QStringLiteral("x")));
    EXPECT_FALSE(tray.Restore());
    EXPECT_FALSE(tray.Delete());
}

TEST(QtNotifyIconShell, ModifyAndDeleteOfAnUnknownIconFail) {
    QtNotifyIconShell shell;
    TrayIconData data;
    data.hWnd = 7;
    data.uID = 9;
    EXPECT_FALSE(shell.ShellNotifyIcon(NotifyIconShell::NIM_MODIFY, data));
    EXPECT_FALSE(shell.ShellNotifyIcon(NotifyIconShell::NIM_DELETE, data));
    EXPECT_EQ(shell.Icon(7, 9), nullptr);
}

TEST_F(SystemTrayTest, BalloonNeedsAShownIconAndGoesWithOneModifyOnly) {
    EXPECT_FALSE(tray->ShowBalloon(QStringLiteral("Quillet"), QStringLiteral("2 files")));
    EXPECT_TRUE(shell->calls.empty());
    tray->SetToolTip(QStringLiteral("tip"));
    ASSERT_TRUE(tray->Add());
    ASSERT_TRUE(tray->ShowBalloon(QStringLiteral("Quillet"), QStringLiteral("2 files")));
    EXPECT_EQ(LastCall().message, NotifyIconShell::NIM_MODIFY);
    EXPECT_TRUE(LastCall().data.uFlags & NotifyIconShell::NIF_INFO);
    EXPECT_EQ(LastCall().data.szInfoTitle, QStringLiteral("Quillet"));
    EXPECT_EQ(LastCall().data.szInfo, QStringLiteral("2 files"));
    // The icon and its tip are what they were.
    EXPECT_EQ(LastCall().data.szTip, TrayIconData::FixedTip(QStringLiteral("tip")));
    EXPECT_EQ(LastCall().data.uID, shell->shownID);
    // A later change of the tip does not bring the message back.
    ASSERT_TRUE(tray->Update(QIcon(), QStringLiteral("other")));
    EXPECT_FALSE(LastCall().data.uFlags & NotifyIconShell::NIF_INFO);
    EXPECT_TRUE(tray->Record().szInfo.isEmpty());
}

// --- Property bag ---------------------------------------------------------------------

TEST_F(SystemTrayTest, BuiltInPictureAndEmptyTipAreNotStored) {
    MapPropertyBag bag;
    tray->WriteProperties(bag);
    EXPECT_EQ(bag.Count(), 0);
    EXPECT_FALSE(bag.Contains(QStringLiteral("Picture")));
    EXPECT_FALSE(bag.Contains(QStringLiteral("ToolTip")));
}

TEST_F(SystemTrayTest, ChangedPictureAndTipAreStoredAndReadBack) {
    const QIcon custom = SolidIcon(Qt::magenta);
    tray->SetPicture(custom);
    tray->SetToolTip(QStringLiteral("Quillet"));
    MapPropertyBag bag;
    tray->WriteProperties(bag);
    EXPECT_TRUE(bag.Contains(QStringLiteral("Picture")));
    EXPECT_EQ(bag.Value(QStringLiteral("ToolTip")).toString(), QStringLiteral("Quillet"));

    SystemTray other(nullptr, std::make_unique<RecordingShell>());
    other.ReadProperties(bag);
    EXPECT_EQ(other.ToolTip(), QStringLiteral("Quillet"));
    EXPECT_EQ(SystemTray::IconHandle(other.Picture()), SystemTray::IconHandle(custom));

    // Back to the built-in picture and no tip: the stored entries go.
    tray->SetPicture(QIcon());
    tray->SetToolTip(QString());
    tray->WriteProperties(bag);
    EXPECT_FALSE(bag.Contains(QStringLiteral("Picture")));
    EXPECT_EQ(bag.Value(QStringLiteral("ToolTip")).toString(), QStringLiteral("Quillet"))
        << "an empty tip is not written at all";
}

TEST_F(SystemTrayTest, ReadingAnEmptyBagGivesTheBuiltInPictureAndNoTip) {
    tray->SetPicture(SolidIcon(Qt::red));
    tray->SetToolTip(QStringLiteral("x"));
    tray->ReadProperties(MapPropertyBag());
    EXPECT_EQ(SystemTray::IconHandle(tray->Picture()),
              SystemTray::IconHandle(tray->DefaultPicture()));
    EXPECT_FALSE(tray->ToolTip().isNull());
    EXPECT_TRUE(tray->ToolTip().isEmpty());
}

} // namespace
