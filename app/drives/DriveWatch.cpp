#include "DriveWatch.h"

#include "platform/MountTable.h"

#include <algorithm>

namespace quillet {

QString DriveWatch::findDrive(bool skipFloppy) const {
    // The first root that passes wins; later ones are not examined.
    for (const QString& root : m_identity.roots()) {
        if (skipFloppy && root == QLatin1String("A:\\"))
            continue; // never read by the watch: it would spin a floppy drive
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
    return driveFound() && m_identity.IsPairedDrive(FoundLetter, m_drive);
}

bool DriveWatch::tick() {
    if (!m_timerEnabled)
        return false;
    ++TimerCount;
    // A drive plugged in (or pulled out) is searched for now; any other mount leaves the
    // count alone.
    if (m_mounts && m_mounts->changed() && !stillWhereFound())
        TimerCount = std::max(TimerCount, RefreshSeconds);
    if (TimerCount < RefreshSeconds)
        return false;

    if (onSearching)
        onSearching();
    setSearchTimer(false);
    TimerCount = 0;

    FoundLetter = findDrive(true);
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
    FoundLetter = findDrive(false);
}

void DriveWatch::passEnded() {
    TimerCount = 0;
    setSearchTimer(true);
}

} // namespace quillet
