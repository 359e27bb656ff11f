#pragma once

#include "base/Path.h"
#include "platform/FileSystem.h"

#include <QString>

#include <QByteArray>
#include <cstdint>

#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

// What one side of a file looked like when a pass last left the two sides in step.
struct SideState {
    std::int64_t length = 0;
    platform::FileTime modified;
    // False when only predicted (a copy just written, not looked at): then the time may be
    // the file system's rounding of the one the copy was given.
    bool measured = false;
    // Which file it was and when its inode last changed: on the PC only.
    std::uint64_t inode = 0;
    platform::FileTime changed;

    // As a look on the PC found it.
    static SideState of(const platform::FileStat& st) {
        return SideState{st.length, st.times.write, true, st.inode, st.changed};
    }
    // As a look on the drive found it: a drive's inode numbers and change times may not last
    // from one mount to the next (FUSE), so they are not kept.
    static SideState onDrive(const platform::FileStat& st) {
        return SideState{st.length, st.times.write, true, 0, {}};
    }
    // The state a fresh copy of source will have.
    static SideState copyOf(const platform::FileStat& source) {
        return SideState{source.length, source.times.write, false, 0, {}};
    }
    // Whether the file now differs from this state. stepNanoseconds: the coarser time step of
    // the two file systems, which a predicted time may be off by.
    bool changedIn(const platform::FileStat& now, std::int64_t stepNanoseconds) const;
    friend bool operator==(const SideState&, const SideState&) = default;
};

struct RecordEntry {
    SideState local;
    SideState drive;
    // The user declined to replace one with the other while both looked like this.
    bool declined = false;
    friend bool operator==(const RecordEntry&, const RecordEntry&) = default;
};

// The last agreed state of one item's files, kept on this computer: it tells a change on one
// side from a change on both. Files are named relative to the item's local folder (empty for
// a file item). A missing, damaged or foreign record knows nothing, and the pass then does
// what it would do without one.
class SyncRecord {
public:
    // itemKey names the item (its two places) inside the file, so that a record never
    // speaks for another item.
    SyncRecord(QString filePath, QString itemKey);
    // Its entries view its own storage.
    SyncRecord(const SyncRecord&) = delete;
    SyncRecord& operator=(const SyncRecord&) = delete;

    void load();
    const RecordEntry* find(std::string_view relative) const;
    void agree(std::string_view relative, const RecordEntry& entry);
    // Writes the record when it changed, whole or not at all (a temporary file renamed into
    // place). False when it could not be written; the next pass then knows less.
    bool save();

    std::size_t size() const { return m_slots.size(); }

    // The file of an item's record in folder: one per item, named by its two places.
    static QString fileFor(const QString& folder, const QString& itemKey);

private:
    QString m_filePath;
    QString m_itemKey;
    // Entries in one array, their names viewing the bytes read (or m_added for names new in
    // this pass), found through an open-addressing index: a record of 100,000 files is read
    // and looked up at every pass, without an allocation per file.
    struct Slot {
        std::string_view name;
        RecordEntry entry;
    };
    std::optional<std::size_t> indexOf(std::string_view name) const;
    void rebuildIndex();

    QByteArray m_bytes;
    std::deque<std::string> m_added;
    std::vector<Slot> m_slots;
    std::vector<std::uint32_t> m_index; // slot + 1; 0: free
    bool m_changed = false;
};

// The name a replaced version is kept under beside the file, when both copies changed:
// "report (conflict 2026-12-09 071500 drive).odt", with " 2", " 3"... before the ")" when that
// name is taken. side: "drive" or "pc", where that version was.
Path conflictCopyName(const Path& file, const QString& stamp, const QString& side, int attempt);
// True for a name (or a path ending in one) that conflictCopyName made.
bool isConflictCopy(std::string_view name);

} // namespace quillet
