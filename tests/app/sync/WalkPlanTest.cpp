#include "sync/WalkPlan.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>

using namespace quillet;
using platform::DirEntry;
using platform::Listing;
namespace Attr = platform::Attr;

namespace {

Listing listing(std::initializer_list<std::pair<const char*, std::uint32_t>> entries) {
    Listing result;
    std::uint64_t inode = 100;
    for (const auto& [name, attributes] : entries) {
        DirEntry entry{name, attributes, {}};
        entry.stat.device = 1;
        entry.stat.inode = ++inode;
        result.entries.push_back(std::move(entry));
    }
    return result;
}

const FolderPair Folders{Path::fromNative("/home/ann/Photos/"),
                         Path::fromNative("/media/STICK/Photos/"), Side::Local};

TEST(WalkPlanTest, EntersPlainFoldersOnceNamesLeftOutOnesAndKeepsFilesInListingOrder) {
    // The local side: a folder both sides hold, a hidden one, a file, and a folder that is
    // the row's own root seen again (inode 104).
    const Listing here = listing({{"Trips", Attr::Directory},
                                  {".cache", Attr::Directory | Attr::Hidden},
                                  {"a.jpg", Attr::Normal},
                                  {"Photos", Attr::Directory}});
    // The drive: the same folder, one of its own, and a link to a folder.
    const Listing there = listing({{"Trips", Attr::Directory},
                                   {"Old", Attr::Directory},
                                   {"out", Attr::Directory | Attr::Reparse}});
    const NameGroups groups(here, there, false, false);
    const WalkPlan plan = planWalk(Folders, here, there, groups, false, false, {{1, 104}});

    ASSERT_EQ(plan.subfolders.size(), 2u);
    EXPECT_EQ(plan.subfolders[0].pair.thisFolder.native(), "/home/ann/Photos/Trips");
    EXPECT_EQ(plan.subfolders[0].pair.otherFolder.native(), "/media/STICK/Photos/Trips");
    EXPECT_TRUE(plan.subfolders[0].bothThere);
    // Reached from the drive's listing: the drive is its side, the PC's folder is made.
    EXPECT_EQ(plan.subfolders[1].pair.thisFolder.native(), "/media/STICK/Photos/Old");
    EXPECT_EQ(plan.subfolders[1].pair.local().native(), "/home/ann/Photos/Old");
    EXPECT_EQ(plan.subfolders[1].pair.thisSide, Side::Drive);
    EXPECT_FALSE(plan.subfolders[1].bothThere);

    // The link on the drive fails as a name, it is not left out quietly.
    ASSERT_EQ(plan.leftOut.size(), 1u);
    EXPECT_EQ(plan.leftOut[0].folder.native(), "/home/ann/Photos/.cache");
    ASSERT_EQ(plan.files.size(), 3u);
    EXPECT_EQ(plan.files[0].entry->name, ".cache");
    EXPECT_EQ(plan.files[1].entry->name, "a.jpg");
    EXPECT_EQ(plan.files[2].entry->name, "out");
    EXPECT_FALSE(plan.files[2].fromHere);
    EXPECT_NE(driveLinkOf(*plan.files[2].group, Side::Local), nullptr);
}

TEST(WalkPlanTest, ASecondSpellingOnADriveThatFoldsCaseIsAClashNotAFolder) {
    const Listing here = listing({{"Trips", Attr::Directory}, {"trips", Attr::Directory}});
    const Listing there = listing({{"TRIPS", Attr::Directory}});
    const NameGroups groups(here, there, false, true);
    const WalkPlan plan = planWalk(Folders, here, there, groups, false, true, {});
    ASSERT_EQ(plan.subfolders.size(), 2u);
    EXPECT_FALSE(plan.subfolders[0].clash);
    EXPECT_EQ(plan.subfolders[0].pair.otherFolder.native(), "/media/STICK/Photos/TRIPS");
    EXPECT_TRUE(plan.subfolders[1].clash);
    EXPECT_EQ(plan.subfolders[1].pair.thisFolder.native(), "/home/ann/Photos/trips");
}

} // namespace
