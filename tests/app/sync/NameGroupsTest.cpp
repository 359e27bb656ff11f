#include "sync/NameGroups.h"

#include <gtest/gtest.h>

#include <initializer_list>

using namespace quillet;
using platform::DirEntry;
using platform::Listing;

namespace {

Listing listing(std::initializer_list<const char*> names) {
    Listing result;
    for (const char* name : names)
        result.entries.push_back(DirEntry{name, platform::Attr::Normal, {}});
    return result;
}

TEST(NameGroupsTest, ANameOnBothSidesIsOneGroupWhereCaseIsKept) {
    const Listing here = listing({"a.txt", "B.txt"});
    const Listing there = listing({"b.txt", "a.txt"});
    const NameGroups groups(here, there, false, false);
    EXPECT_EQ(&groups.of(true, 0), &groups.of(false, 1));
    EXPECT_EQ(groups.of(true, 0).primary, "a.txt");
    // Where both sides keep case, two spellings are two files.
    EXPECT_NE(&groups.of(true, 1), &groups.of(false, 0));
    EXPECT_FALSE(NameGroup::losesTo("B.txt", groups.of(true, 1).primary, false));
}

TEST(NameGroupsTest, OnAFoldingSideOneSpellingStandsForTheGroupEveryTime) {
    // The PC keeps case and holds two spellings; the drive folds and holds one file.
    const Listing here = listing({"report.txt", "Report.txt"});
    const Listing there = listing({"REPORT.TXT"});
    for (int pass = 0; pass < 2; ++pass) {
        const NameGroups groups(here, there, false, true);
        const NameGroup& group = groups.of(true, 0);
        ASSERT_EQ(&group, &groups.of(true, 1));
        ASSERT_EQ(&group, &groups.of(false, 0));
        // The first of the kept-case side's spellings in byte order.
        EXPECT_EQ(group.primary, "Report.txt");
        EXPECT_TRUE(NameGroup::losesTo("report.txt", group.primary, false));
        EXPECT_FALSE(NameGroup::losesTo("Report.txt", group.primary, false));
        EXPECT_EQ(NameGroup::entryOf(group.there, group.primary, true)->name, "REPORT.TXT");
        EXPECT_EQ(NameGroup::entryOf(group.here, group.primary, false)->name, "Report.txt");
    }
    // A spelling both sides hold exactly wins over byte order.
    const Listing exact = listing({"report.txt"});
    const NameGroups groups(here, exact, false, true);
    EXPECT_EQ(groups.of(true, 0).primary, "report.txt");
}

TEST(NameGroupsTest, NamesFoldAsTextOrByTheirAsciiLettersWhenTheyAreNotText) {
    EXPECT_EQ(foldedName("\xc3\x84"
                         "BC.txt"),
              "\xc3\xa4"
              "bc.txt"); // "ÄBC.txt"
    EXPECT_EQ(foldedName(std::string("CAF") + '\xe9'), std::string("caf") + '\xe9');
    const Listing here = listing({"\xc3\x84rger.txt"});
    const Listing there = listing({"\xc3\xa4rger.txt"});
    const NameGroups groups(here, there, true, true);
    EXPECT_EQ(&groups.of(true, 0), &groups.of(false, 0));
}

} // namespace
