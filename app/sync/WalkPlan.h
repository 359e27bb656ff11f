#pragma once

#include "NameGroups.h"
#include "base/Path.h"
#include "platform/FileSystem.h"

#include <cstdint>
#include <set>
#include <utility>
#include <vector>

namespace quillet {

enum class Side { Local, Drive };

// A pair of folders as the walk meets them: the one it reached and lists first, and its
// counterpart on the other side.
struct FolderPair {
    Path thisFolder;
    Path otherFolder;
    Side thisSide = Side::Local;

    bool thisIsLocal() const { return thisSide == Side::Local; }
    const Path& local() const { return thisIsLocal() ? thisFolder : otherFolder; }
    const Path& drive() const { return thisIsLocal() ? otherFolder : thisFolder; }
};

// Folders by device and inode.
using FolderIds = std::set<std::pair<std::uint64_t, std::uint64_t>>;

// What the walk does in a folder pair, decided from the two listings before anything is done.
struct WalkPlan {
    // Subfolders, depth first: this side's listing first, then the other's with the roles
    // swapped.
    struct Subfolder {
        FolderPair pair;
        bool bothThere = false; // both sides listed it as a folder: nothing to make
        bool clash = false;     // a second spelling where the other side folds case
    };
    // A folder the walk enters from neither side (a link on the drive fails instead).
    struct LeftOut {
        Path folder;
        std::uint32_t attributes = 0;
    };
    // The files: this side's names, then the other side's; a name on both sides is
    // examined twice, and the second look normally finds nothing to do.
    struct File {
        const platform::DirEntry* entry = nullptr;
        const NameGroup* group = nullptr;
        bool fromHere = true;
    };
    std::vector<Subfolder> subfolders;
    std::vector<LeftOut> leftOut;
    std::vector<File> files;
};

// The plan of a folder pair from its listings and their name groups. rootsAndAbove: the
// row's two roots and every folder above them, never walked into (a drive mounted inside the
// synced folder would be copied into itself, deeper at every pass).
WalkPlan planWalk(const FolderPair& folders, const platform::Listing& here,
                  const platform::Listing& there, const NameGroups& groups, bool foldHere,
                  bool foldThere, const FolderIds& rootsAndAbove);

// A link on the drive is someone else's: followed, it would read or write outside the drive.
// The first such entry of a name group, if any.
const platform::DirEntry* driveLinkOf(const NameGroup& group, Side thisSide);

} // namespace quillet
