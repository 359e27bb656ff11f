#include "DriveWatch.h"

#include "platform/MountTable.h"

#include <algorithm>

namespace quillet {

QString DriveWatch::findDrive() const {
    // The first root that passes wins; later ones are not examined.
    for (const QString& root : m_identity.roots()) {
        if (m_identity.IsPairedDrive(root, m_drive))
            return root;
    }
    return QStringLiteral("?");
}

void DriveWatch::setSearchTimer(bool enabled) {
    m_timerEnabled = enabled;
    if (onSearchTimerChanged)
        onSearchTimerChanged(enabled);
}

bool DriveWatch::stillWhereFound() const {
    return driveFound() && m_identity.IsPairedDrive(m_foundLetter, m_drive);
}

bool DriveWatch::tick() {
    if (!m_timerEnabled)
        return false;
    ++m_timerCount;
    // A drive plugged in (or pulled out) is searched for now; any other mount leaves the
    // count alone.
    if (m_mounts && m_mounts->changed() && !stillWhereFound())
        m_timerCount = std::max(m_timerCount, m_refreshSeconds);
    if (m_timerCount < m_refreshSeconds)
        return false;

    if (onSearching)
        onSearching();
    setSearchTimer(false);
    m_timerCount = 0;

    m_foundLetter = findDrive();
    if (driveFound()) {
        if (onFound)
            onFound();
        if (runPass)
            runPass();
    } else if (onNotFound) {
        onNotFound();
    }
    setSearchTimer(true);
    return true;
}

void DriveWatch::SearchLetter() {
    m_foundLetter = findDrive();
}

void DriveWatch::passEnded() {
    m_timerCount = 0;
    setSearchTimer(true);
}

} // namespace quillet
