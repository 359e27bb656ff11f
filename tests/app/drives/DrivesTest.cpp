#include "FakeMountTable.h"
#include "FakeVolumes.h"
#include "ScopedState.h"
#include "TestFiles.h"
#include "drives/DriveIdentity.h"
#include "drives/DriveWatch.h"
#include "platform/LocalFileSystem.h"
#include "platform/QSettingsStore.h"
#include "sync/SettingsKeys.h"
#include "sync/SyncSession.h"

#include <gmock/gmock.h>

using namespace quillet;
using namespace quillet::test;
using platform::DriveType;
using ::testing::ElementsAre;

namespace {

class DriveIdentityTest : public ::testing::Test {
protected:
    FakeVolumes volumes;
    DriveIdentity identity{volumes};
};

TEST_F(DriveIdentityTest, CandidatesAreRemovableUnlessAllAreAskedForAndNeverEmpty) {
    const ScopedDefaultLocale c(QLocale::c());
    volumes.add({"/", DriveType::Fixed, 1998585856ull, 1, "ext4"});
    volumes.add({"/media/card/", DriveType::Removable, 0, 0, "vfat"});
    volumes.add({"/media/stick/", DriveType::Removable, 512ull * 1048576, 2, "vfat"});
    volumes.add({"/media/half/", DriveType::Removable, 524288, 3, "vfat"});
    volumes.add({"/net/share/", DriveType::Remote, 1048576, 4, "nfs"});

    const auto removable = identity.RefreshDrives(false);
    EXPECT_TRUE(removable.enabled);
    EXPECT_THAT(removable.entries, ElementsAre(QStringLiteral("/media/stick/  [ 512.00 MB]"),
                                               QStringLiteral("/media/half/  [ 0.50 MB]")));
    const auto all = identity.RefreshDrives(true);
    EXPECT_THAT(all.entries, ElementsAre(QStringLiteral("/  [ 1906.00 MB]"),
                                         QStringLiteral("/media/stick/  [ 512.00 MB]"),
                                         QStringLiteral("/media/half/  [ 0.50 MB]"),
                                         QStringLiteral("/net/share/  [ 1.00 MB]")));
}

TEST_F(DriveIdentityTest, NoCandidateDisablesTheList) {
    volumes.add({"/", DriveType::Fixed, 1000, 1, "ext4"});
    const auto c = identity.RefreshDrives(false);
    EXPECT_FALSE(c.enabled);
    EXPECT_TRUE(c.entries.isEmpty());
    EXPECT_EQ(c.emptyText, QStringLiteral("No removable drives found."));
}

TEST_F(DriveIdentityTest, APathDeepInAVolumeHasThatVolumesSerial) {
    volumes.add({"/a/", DriveType::Fixed, 1, 1, "ext4"});
    volumes.add({"/b/", DriveType::Fixed, 1, 1, "ext4"});
    EXPECT_EQ(identity.GetVolumeSerial(QStringLiteral("/b/deep/file")), 1);
}

TEST_F(DriveIdentityTest, IdentityNeedsSizeThenSerialThenRootWhenAskedFor) {
    volumes.add({"/media/E/", DriveType::Removable, 4096, -1975575518, "vfat"});
    volumes.add({"/media/F/", DriveType::Removable, 4096, -1975575518, "vfat"});
    volumes.add({"/media/G/", DriveType::Removable, 8192, -1975575518, "vfat"});
    volumes.add({"/media/H/", DriveType::Removable, 4096, 12, "vfat"});
    PairedDrive drive{QStringLiteral("-1975575518"), -1975575518, QStringLiteral("/media/E/"),
                      false, 4096};
    EXPECT_TRUE(identity.IsPairedDrive(QStringLiteral("/media/E/"), drive));
    EXPECT_TRUE(identity.IsPairedDrive(QStringLiteral("/media/F/"), drive))
        << "another root is fine";
    EXPECT_FALSE(identity.IsPairedDrive(QStringLiteral("/media/G/"), drive)) << "re-partitioned";
    EXPECT_FALSE(identity.IsPairedDrive(QStringLiteral("/media/H/"), drive)) << "re-formatted";
    drive.SameLetterOnly = true;
    EXPECT_TRUE(identity.IsPairedDrive(QStringLiteral("/media/E/"), drive));
    EXPECT_FALSE(identity.IsPairedDrive(QStringLiteral("/media/F/"), drive));
    drive.SameLetterOnly = false;
    drive.DriveSerial.reset(); // a stored serial that is no number matches nothing
    EXPECT_FALSE(identity.IsPairedDrive(QStringLiteral("/media/E/"), drive));
    drive.serialText.clear();
    drive.DriveSerial = -1975575518;
    EXPECT_FALSE(identity.IsPairedDrive(QStringLiteral("/media/E/"), drive)) << "nothing paired";

    // Size first: a volume of the wrong size is not asked for its serial.
    volumes.serialReads = 0;
    drive.serialText = QStringLiteral("-1975575518");
    identity.IsPairedDrive(QStringLiteral("/media/G/"), drive);
    EXPECT_EQ(volumes.serialReads, 0);
}

// The watch, driven tick by tick against fake volumes.
class DriveWatchTest : public ::testing::Test {
protected:
    DriveWatchTest() : store(files.path(QStringLiteral("s.ini"))), session(store, fs, volumes) {
        store.write(keys::SyncInfo, keys::Drive, QStringLiteral("/media/E/"));
        store.write(keys::SyncInfo, keys::SN, QStringLiteral("77"));
        store.write(keys::SyncInfo, keys::Size, QStringLiteral("4096"));
        store.write(keys::SyncInfo, keys::Letter, QStringLiteral("0"));
        watch.onSearching = [this] { ++searches; };
        watch.runPass = [this] { pass(); };
    }
    // Ticks until the next search; returns how many ticks that took.
    int ticksToSearch(int limit = 5000) {
        for (int i = 1; i <= limit; ++i) {
            if (watch.tick())
                return i;
        }
        return -1;
    }
    void pass() {
        passRoots << session.FoundLetter();
        // A pass ends by restarting the count, as the engine does.
        watch.passEnded();
    }
    TestFiles files;
    platform::LocalFileSystem fs;
    FakeVolumes volumes;
    platform::QSettingsStore store;
    SyncSession session;
    QStringList passRoots;
    int searches = 0;
    DriveWatch& watch = session.watch();
};

TEST_F(DriveWatchTest, FirstSearchAtOnceThenEveryIntervalAfterThePass) {
    volumes.add({"/media/E/", DriveType::Removable, 4096, 77, "vfat"});
    session.GoLoad();
    EXPECT_EQ(ticksToSearch(), 1);
    EXPECT_THAT(passRoots, ElementsAre(QStringLiteral("/media/E/")));
    EXPECT_EQ(ticksToSearch(), 10);
    EXPECT_EQ(passRoots.size(), 2);
}

TEST_F(DriveWatchTest, ChangingTheIntervalKeepsTheCount) {
    session.GoLoad();
    ticksToSearch();
    session.selectRefreshTime(7);
    for (int i = 0; i < 40; ++i)
        ASSERT_FALSE(watch.tick());
    session.selectRefreshTime(8);
    EXPECT_EQ(ticksToSearch(), 3560);
    for (int i = 0; i < 40; ++i)
        ASSERT_FALSE(watch.tick());
    session.selectRefreshTime(0);
    EXPECT_EQ(ticksToSearch(), 1);
}

TEST_F(DriveWatchTest, DriveUnderANewRootIsFoundUnlessTheSameRootIsRequired) {
    volumes.add({"/media/F/", DriveType::Removable, 4096, 77, "vfat"});
    session.GoLoad();
    ticksToSearch();
    EXPECT_EQ(session.FoundLetter(), QStringLiteral("/media/F/"));

    store.write(keys::SyncInfo, keys::Letter, QStringLiteral("1"));
    session.GoLoad();
    ticksToSearch();
    EXPECT_EQ(session.FoundLetter(), QStringLiteral("?"));
    EXPECT_EQ(passRoots.size(), 1);
    EXPECT_TRUE(watch.searchTimerEnabled());
}

TEST_F(DriveWatchTest, UnpluggedDriveShowsAsAbsentAndTwinsGoToTheFirstRoot) {
    volumes.add({"/media/D/", DriveType::Removable, 4096, 77, "vfat"});
    volumes.add({"/media/E/", DriveType::Removable, 4096, 77, "vfat"});
    session.GoLoad();
    ticksToSearch();
    EXPECT_THAT(passRoots, ElementsAre(QStringLiteral("/media/D/")));
    volumes.clear();
    EXPECT_EQ(ticksToSearch(), 10);
    EXPECT_EQ(session.FoundLetter(), QStringLiteral("?"));
    EXPECT_EQ(searches, 2);
    // An absent drive: the next search comes one interval after this one started.
    EXPECT_EQ(ticksToSearch(), 10);
}

TEST_F(DriveWatchTest, StoppedTimerDoesNotCount) {
    session.GoLoad();
    watch.setSearchTimer(false);
    for (int i = 0; i < 100; ++i)
        EXPECT_FALSE(watch.tick());
    EXPECT_EQ(searches, 0);
}

TEST_F(DriveWatchTest, SearchLetterFindsWithoutAPass) {
    volumes.add({"/media/E/", DriveType::Removable, 4096, 77, "vfat"});
    session.GoLoad();
    session.SearchLetter();
    EXPECT_EQ(session.FoundLetter(), QStringLiteral("/media/E/"));
    EXPECT_TRUE(passRoots.isEmpty());
    volumes.clear();
    session.SearchLetter();
    EXPECT_EQ(session.FoundLetter(), QStringLiteral("?"));
}

TEST_F(DriveWatchTest, ADrivePluggedInIsSearchedForAtOnceWhateverTheInterval) {
    FakeMountTable mounts;
    watch.setMountTable(&mounts);
    store.write(keys::SyncInfo, keys::Refresh, QStringLiteral("8")); // every hour
    session.GoLoad();
    ASSERT_EQ(ticksToSearch(), 1);
    ASSERT_EQ(session.FoundLetter(), QStringLiteral("?"));
    for (int i = 0; i < 100; ++i)
        ASSERT_FALSE(watch.tick());

    volumes.add({"/media/E/", DriveType::Removable, 4096, 77, "vfat"});
    mounts.mountChanged();
    EXPECT_EQ(ticksToSearch(), 1);
    EXPECT_THAT(passRoots, ElementsAre(QStringLiteral("/media/E/")));

    // While it stays, other mounts leave the hour as it is.
    mounts.mountChanged();
    for (int i = 0; i < 100; ++i)
        ASSERT_FALSE(watch.tick());
    EXPECT_EQ(watch.timerCount(), 100);
    EXPECT_GE(mounts.questions, 202);
}

TEST_F(DriveWatchTest, ADrivePulledOutAndPluggedInAgainIsSeenBothTimes) {
    FakeMountTable mounts;
    watch.setMountTable(&mounts);
    volumes.add({"/media/E/", DriveType::Removable, 4096, 77, "vfat"});
    store.write(keys::SyncInfo, keys::Refresh, QStringLiteral("8"));
    session.GoLoad();
    ASSERT_EQ(ticksToSearch(), 1);
    for (int i = 0; i < 30; ++i)
        ASSERT_FALSE(watch.tick());

    volumes.clear();
    mounts.mountChanged();
    EXPECT_EQ(ticksToSearch(), 1);
    EXPECT_EQ(session.FoundLetter(), QStringLiteral("?"));
    EXPECT_EQ(searches, 2);

    // Back under another root, before the hour is out.
    volumes.add({"/media/F/", DriveType::Removable, 4096, 77, "vfat"});
    mounts.mountChanged();
    EXPECT_EQ(ticksToSearch(), 1);
    EXPECT_THAT(passRoots, ElementsAre(QStringLiteral("/media/E/"), QStringLiteral("/media/F/")));
}

TEST_F(DriveWatchTest, AStoppedWatchHearsOfAMountWhenItRunsAgain) {
    FakeMountTable mounts;
    watch.setMountTable(&mounts);
    store.write(keys::SyncInfo, keys::Refresh, QStringLiteral("8"));
    session.GoLoad();
    ASSERT_EQ(ticksToSearch(), 1);
    watch.setSearchTimer(false); // a dialog is open
    volumes.add({"/media/E/", DriveType::Removable, 4096, 77, "vfat"});
    mounts.mountChanged();
    EXPECT_FALSE(watch.tick());
    EXPECT_EQ(mounts.questions, 1); // only the tick before the pause asked
    watch.setSearchTimer(true);
    EXPECT_EQ(ticksToSearch(), 1);
    EXPECT_EQ(passRoots.size(), 1);
}

} // namespace
