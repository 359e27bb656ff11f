#include "FileProbe.h"

#include <algorithm>
#include <cstdint>

namespace quillet {

using platform::Attr::Directory;

bool FileProbe::IsFolder(const QString& path) const {
    if (path.isEmpty() || path.endsWith(QLatin1Char('/')))
        return false;
    const auto attr = m_fs.attributes(Path::fromText(path).native());
    return attr && *attr == Directory;
}

bool FileProbe::FileExists(const QString& path) const {
    return FileLength(path).has_value();
}

std::optional<qint64> FileProbe::FileLength(const QString& path) const {
    if (path.isEmpty())
        return std::nullopt;
    const platform::FileStat st = m_fs.stat(Path::fromText(path).native());
    if (!st.isRegular)
        return std::nullopt;
    return st.length;
}

namespace {
// Only a file that could be opened for reading has a time of its own.
bool hasOwnTime(const platform::FileStat& st) {
    return st.isRegular && st.readable;
}
} // namespace

std::int64_t nanosecondsBetween(const platform::FileTime& first, const platform::FileTime& second) {
    // Guarded against overflow: decades apart need no nanoseconds to be told apart.
    constexpr std::int64_t Far = 1'000'000'000;
    const std::int64_t seconds = first.seconds - second.seconds;
    if (seconds > Far)
        return INT64_MAX;
    if (seconds < -Far)
        return INT64_MIN;
    return seconds * 1'000'000'000 + (first.nanoseconds - second.nanoseconds);
}

StampOrder compareStamps(const platform::FileStat& first, const platform::FileStat& second,
                         std::int64_t stepNanoseconds) {
    const bool firstTimed = hasOwnTime(first);
    const bool secondTimed = hasOwnTime(second);
    if (!firstTimed || !secondTimed) {
        if (firstTimed == secondTimed)
            return StampOrder::Equal;
        return firstTimed ? StampOrder::FirstNewer : StampOrder::SecondNewer;
    }
    const std::int64_t difference = nanosecondsBetween(first.times.write, second.times.write);
    const std::int64_t tolerance = std::max<std::int64_t>(stepNanoseconds, 1) - 1;
    if (difference > tolerance)
        return StampOrder::FirstNewer;
    if (difference < -tolerance)
        return StampOrder::SecondNewer;
    return StampOrder::Equal;
}

} // namespace quillet
