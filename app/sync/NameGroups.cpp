#include "NameGroups.h"

#include "base/Path.h"

#include <QString>

#include <algorithm>

namespace quillet {

using platform::DirEntry;

std::string foldedName(const std::string& name) {
    if (Path::isText(name))
        return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()))
            .toCaseFolded()
            .toStdString();
    std::string folded = name;
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return folded;
}

void NameGroup::choosePrimary(bool foldHere, bool foldThere) {
    // A spelling both sides hold exactly; else one of a side that keeps case. The first in
    // byte order, so that every pass chooses the same one.
    primary = {};
    auto consider = [this](std::string_view name) {
        if (primary.empty() || name < primary)
            primary = name;
    };
    here.forEach([&](const DirEntry* e) {
        there.forEach([&](const DirEntry* o) {
            if (o->name == e->name)
                consider(e->name);
        });
    });
    if (!primary.empty())
        return;
    const bool preferHere = !foldHere || foldThere || there.empty();
    ((!here.empty() && preferHere) ? here : there).forEach([&](const DirEntry* e) {
        consider(e->name);
    });
}

const DirEntry* NameGroup::entryOf(const Members& side, std::string_view primaryName,
                                   bool sideFolds) {
    const DirEntry* found = nullptr;
    side.forEach([&](const DirEntry* e) {
        if (!found && (e->name == primaryName || sideFolds))
            found = e;
    });
    return found;
}

NameGroups::NameGroups(const platform::Listing& here, const platform::Listing& there, bool foldHere,
                       bool foldThere) {
    const bool fold = foldHere || foldThere;
    struct Keyed {
        std::string_view key;
        bool fromHere;
        std::size_t index;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(here.entries.size() + there.entries.size());
    if (fold) // the views below point into it: no growth after this
        m_folded.reserve(keyed.capacity());
    auto add = [&](const platform::Listing& listing, bool fromHere) {
        for (std::size_t i = 0; i < listing.entries.size(); ++i) {
            const std::string& name = listing.entries[i].name;
            const std::string_view key =
                fold ? std::string_view(m_folded.emplace_back(foldedName(name)))
                     : std::string_view(name);
            keyed.push_back(Keyed{key, fromHere, i});
        }
    };
    add(here, true);
    add(there, false);
    std::sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        if (a.key != b.key)
            return a.key < b.key;
        if (a.fromHere != b.fromHere)
            return a.fromHere;
        return a.index < b.index;
    });
    m_hereGroup.resize(here.entries.size());
    m_thereGroup.resize(there.entries.size());
    m_groups.reserve(keyed.size());
    for (std::size_t k = 0; k < keyed.size(); ++k) {
        if (k == 0 || keyed[k].key != keyed[k - 1].key)
            m_groups.emplace_back();
        NameGroup& group = m_groups.back();
        const Keyed& entry = keyed[k];
        if (entry.fromHere) {
            group.here.add(&here.entries[entry.index]);
            m_hereGroup[entry.index] = m_groups.size() - 1;
        } else {
            group.there.add(&there.entries[entry.index]);
            m_thereGroup[entry.index] = m_groups.size() - 1;
        }
    }
    for (NameGroup& group : m_groups)
        group.choosePrimary(foldHere, foldThere);
}

} // namespace quillet
