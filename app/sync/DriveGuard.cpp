#include "DriveGuard.h"

namespace quillet {

using platform::FileStat;

void DriveGuard::find(const Path& root) {
    m_root = root;
    const FileStat st = m_fs.stat(m_root.native());
    m_device = st.device;
    m_inode = st.inode;
    m_gone = !st.isDirectory;
    m_lastLook.invalidate();
}

bool DriveGuard::likelyThere() {
    // Asked before each copy: a drive that went away a moment ago is still noticed before
    // anything is written, without asking it twice for every small file.
    if (m_gone)
        return false;
    if (m_lastLook.isValid() && m_lastLook.elapsed() < 250)
        return true;
    m_lastLook.start();
    return stillThere();
}

bool DriveGuard::stillThere() {
    if (m_gone)
        return false;
    const FileStat root = m_fs.stat(m_root.native());
    // The kernel answers stat from its cache for a FUSE drive whose process is gone; asking
    // the volume how much room it has reaches the drive itself.
    m_gone = !root.isDirectory || root.device != m_device || root.inode != m_inode ||
             !m_fs.availableBytes(m_root.native());
    return !m_gone;
}

bool DriveGuard::makeFolder(const Path& folder, bool onDrive) {
    const Path parent = folder.parent();
    const FileStat above = m_fs.stat(parent.native());
    if (onDrive && (!stillThere() || !above.isDirectory || above.device != m_device))
        return false;
    if (!m_fs.makeDirectory(folder.native()))
        return false; // there already, or it cannot be: the copies below will say
    // Made by another user than the folder above (a pass run as root): it is that user's.
    const FileStat made = m_fs.stat(folder.native());
    if (above.exists && made.owner != above.owner)
        (void)m_fs.setOwner(folder.native(), above.owner, above.group);
    return true;
}

bool DriveGuard::reachedThroughLink(const Path& path) {
    const std::string& root = m_root.native();
    const std::string& full = path.native();
    if (full.size() <= root.size() || full.compare(0, root.size(), root) != 0)
        return false;
    for (std::size_t at = root.size(); at < full.size();) {
        const std::size_t slash = full.find('/', at);
        const std::string step = full.substr(0, slash == std::string::npos ? full.size() : slash);
        const auto attributes = m_fs.attributes(step);
        if (!attributes)
            break; // not there yet: made as a folder, never as a link
        if (*attributes & platform::Attr::Reparse)
            return true;
        if (slash == std::string::npos)
            break;
        at = slash + 1;
    }
    return false;
}

} // namespace quillet
