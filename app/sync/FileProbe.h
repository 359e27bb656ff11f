#pragma once

#include "base/Path.h"
#include "platform/FileSystem.h"

#include <QString>

#include <optional>

namespace quillet {

// Looks at files for every part of the program: the folder test, the file test, lengths
// and stamps.
class FileProbe {
public:
    explicit FileProbe(platform::FileSystem& fs) : m_fs(fs) {}

    // A folder and nothing else: no read-only, hidden or link bit. A path ending in a
    // separator is not found.
    bool IsFolder(const QString& path) const;
    // A regular file (following links) whose length can be read.
    bool FileExists(const QString& path) const;
    // Length of a regular file; none when it cannot be measured.
    std::optional<qint64> FileLength(const QString& path) const;
    platform::FileSystem& fileSystem() const { return m_fs; }

private:
    platform::FileSystem& m_fs;
};

// How the last-write times of two files stand. They compare as instants, so that a clock
// change or a time zone never makes two different times look equal; a file without a time of
// its own (missing, unreadable, not a file) is older than any other. Times less than
// stepNanoseconds apart (the coarser step of the two file systems) are equal: a copy keeps
// its source's time only to that step.
enum class StampOrder { Equal, FirstNewer, SecondNewer };
// first - second in nanoseconds; times more than about 30 years apart give the largest value
// of their sign, which no comparison of file times needs to tell apart.
std::int64_t nanosecondsBetween(const platform::FileTime& first, const platform::FileTime& second);
StampOrder compareStamps(const platform::FileStat& first, const platform::FileStat& second,
                         std::int64_t stepNanoseconds);

} // namespace quillet
