#pragma once

#include "platform/FileSystem.h"

#include <string>
#include <string_view>
#include <vector>

namespace quillet {

// The key under which a name meets its namesakes on a side that folds case: case-folded
// where the name is text, ASCII letters lowered where it is not.
std::string foldedName(const std::string& name);

// One side's entries under one name: nearly always a single one.
class Members {
public:
    void add(const platform::DirEntry* e) {
        if (!m_first)
            m_first = e;
        else
            m_more.push_back(e);
    }
    bool empty() const { return m_first == nullptr; }
    template <typename Visit>
    void forEach(Visit visit) const {
        if (!m_first)
            return;
        visit(m_first);
        for (const platform::DirEntry* e : m_more)
            visit(e);
    }

private:
    const platform::DirEntry* m_first = nullptr;
    std::vector<const platform::DirEntry*> m_more;
};

// The entries of one name on both sides of a folder pair. Where a side folds case, names
// that differ only in case are one file there: one spelling (the primary) stands for the
// group, and a second spelling on a side that keeps case has no file of its own to meet.
struct NameGroup {
    Members here;
    Members there;
    std::string_view primary;
    // A name on both sides is looked at twice; the summary counts it once.
    mutable bool looked = false;

    void choosePrimary(bool foldHere, bool foldThere);
    // True when this spelling would write over the primary's file on the side that folds.
    static bool losesTo(std::string_view name, std::string_view primaryName, bool sideFolds) {
        return !sideFolds && name != primaryName;
    }
    // The entry of a side that stands for the group, if that side has one.
    static const platform::DirEntry* entryOf(const Members& side, std::string_view primaryName,
                                             bool sideFolds);
};

// The name groups of a folder pair, and the group of each entry of either listing. The
// groups point into the listings, which must outlive them.
class NameGroups {
public:
    NameGroups(const platform::Listing& here, const platform::Listing& there, bool foldHere,
               bool foldThere);
    // Its keys view its own strings.
    NameGroups(const NameGroups&) = delete;
    NameGroups& operator=(const NameGroups&) = delete;
    const NameGroup& of(bool fromHere, std::size_t index) const {
        return m_groups[fromHere ? m_hereGroup[index] : m_thereGroup[index]];
    }

private:
    std::vector<std::string> m_folded;
    std::vector<NameGroup> m_groups;
    std::vector<std::size_t> m_hereGroup;
    std::vector<std::size_t> m_thereGroup;
};

} // namespace quillet
