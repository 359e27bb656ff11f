#pragma once

#include "FileProbe.h"
#include "SyncList.h"
#include "SyncRecord.h"
#include "base/Path.h"
#include "platform/FileSystem.h"

#include <QString>

#include <memory>
#include <optional>
#include <string_view>

namespace quillet {

// What the record makes of two files that differ: the order to act on (none: it cannot be
// told), whether both changed, whether this replacement was declined already.
struct Judgement {
    std::optional<StampOrder> order;
    bool conflict = false;
    bool declinedBefore = false;
};

// The record of the item in hand: opened at the row's start, consulted for the pairs that
// differ, told what each copy leaves, written once at the row's end. The records live beside
// the log, in this user's data folder: never on the drive, so that a drive carried between
// two computers has one record on each.
class RecordKeeper {
public:
    explicit RecordKeeper(QString logFolder);

    // Removes the records of every drive but this one (its serial and size).
    void pruneOthers(const QString& driveName) const;
    void open(const QString& driveName, const SyncItem& item);
    // The row in hand has no record (yet).
    void forget() { m_record.reset(); }
    void save();
    // Records are read but never written or removed (a preview).
    void setReadOnly(bool readOnly) { m_readOnly = readOnly; }
    bool isOpen() const { return m_record != nullptr; }
    // Nothing happens without an open record.
    void agree(std::string_view key, const RecordEntry& entry);
    Judgement judge(std::string_view key, const platform::FileStat& localSt,
                    const platform::FileStat& driveSt, StampOrder order,
                    std::int64_t timeStep) const;

    // A file's name in its item's record: its path below the item's local folder.
    static std::string_view keyOf(const Path& localPath, const Path& localRoot);

private:
    QString m_logFolder;
    QString m_folder;
    std::unique_ptr<SyncRecord> m_record;
    bool m_readOnly = false;
};

// Renames file to a free conflict name beside it (see conflictCopyName); the name it now
// has, or none when it could not be kept.
std::optional<Path> keepAside(platform::FileSystem& fs, const Path& file, const QString& stamp,
                              const QString& side);

} // namespace quillet
