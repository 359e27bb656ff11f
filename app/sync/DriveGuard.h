#pragma once

#include "base/Path.h"
#include "platform/FileSystem.h"

#include <QElapsedTimer>

#include <cstdint>

namespace quillet {

// The paired drive as the pass found it: every write meant for it must land on this volume,
// and a drive pulled out during the pass is noticed before anything is written into the
// empty folder it leaves behind.
class DriveGuard {
public:
    explicit DriveGuard(platform::FileSystem& fs) : m_fs(fs) {}

    // Looks at the drive's root at the start of a pass.
    void find(const Path& root);
    const Path& root() const { return m_root; }
    std::uint64_t device() const { return m_device; }
    bool gone() const { return m_gone; }
    bool holds(const Path& path) const { return path.startsWith(m_root); }

    bool stillThere();
    // The same, looked at a few times a second at most.
    bool likelyThere();
    // Makes a folder, one level; never in the bare mount point of a drive that went away.
    bool makeFolder(const Path& folder, bool onDrive);
    // True when a link at or below the drive's root lies on the way to path.
    bool reachedThroughLink(const Path& path);

private:
    platform::FileSystem& m_fs;
    Path m_root;
    std::uint64_t m_device = 0;
    std::uint64_t m_inode = 0;
    bool m_gone = false;
    QElapsedTimer m_lastLook;
};

} // namespace quillet
