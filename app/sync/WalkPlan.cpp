#include "WalkPlan.h"

namespace quillet {

using platform::DirEntry;

const DirEntry* driveLinkOf(const NameGroup& group, Side thisSide) {
    const DirEntry* link = nullptr;
    (thisSide == Side::Local ? group.there : group.here).forEach([&](const DirEntry* e) {
        if (!link && (e->attributes & platform::Attr::Reparse))
            link = e;
    });
    return link;
}

WalkPlan planWalk(const FolderPair& folders, const platform::Listing& here,
                  const platform::Listing& there, const NameGroups& groups, bool foldHere,
                  bool foldThere, const FolderIds& rootsAndAbove) {
    WalkPlan plan;
    std::set<std::string> planned;
    auto planSide = [&](const platform::Listing& listing, bool fromHere) {
        const bool sideFolds = fromHere ? foldHere : foldThere;
        const bool oppositeFolds = fromHere ? foldThere : foldHere;
        const Path& sideFolder = fromHere ? folders.thisFolder : folders.otherFolder;
        const Path& oppositeFolder = fromHere ? folders.otherFolder : folders.thisFolder;
        const bool sideIsLocal = fromHere == folders.thisIsLocal();
        for (std::size_t i = 0; i < listing.entries.size(); ++i) {
            const DirEntry& e = listing.entries[i];
            const NameGroup& group = groups.of(fromHere, i);
            const DirEntry* opposite = NameGroup::entryOf(fromHere ? group.there : group.here,
                                                          group.primary, oppositeFolds);
            const bool bothThere = opposite && opposite->attributes == platform::Attr::Directory;
            if (e.attributes != platform::Attr::Directory) {
                // Not entered from here; named in the log unless the other side enters it.
                const bool driveLink = !sideIsLocal && (e.attributes & platform::Attr::Reparse);
                if ((e.attributes & platform::Attr::Directory) && !bothThere && !driveLink)
                    plan.leftOut.push_back({sideFolder / e.name, e.attributes});
                // Looked at as a name: a link on the drive fails there.
                plan.files.push_back({&e, &group, fromHere});
                continue;
            }
            if (sideIsLocal && driveLinkOf(group, folders.thisSide))
                continue;
            if (NameGroup::losesTo(e.name, group.primary, sideFolds)) {
                plan.subfolders.push_back(
                    {FolderPair{sideFolder / e.name, {}, Side::Local}, false, true});
                continue;
            }
            if (rootsAndAbove.count({e.stat.device, e.stat.inode}) > 0)
                continue;
            const std::string& oppositeName = opposite ? opposite->name : e.name;
            const FolderPair pair{sideFolder / e.name, oppositeFolder / oppositeName,
                                  sideIsLocal ? Side::Local : Side::Drive};
            if (planned.insert(pair.local().native() + '\0' + pair.drive().native()).second)
                plan.subfolders.push_back({pair, bothThere, false});
        }
    };
    planSide(here, true);
    planSide(there, false);
    return plan;
}

} // namespace quillet
