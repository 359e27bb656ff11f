#include "DriveWatch.h"

namespace quillet {

bool DriveWatch::tick() {
    if (!m_session.searchTimerEnabled())
        return false;
    ++m_session.TimerCount;
    if (m_session.TimerCount < m_session.RefreshSeconds)
        return false;

    if (onSearching)
        onSearching();
    m_session.setSearchTimer(false);
    m_session.TimerCount = 0;

    // The first root that passes wins; later ones are not examined.
    for (const QString& root : m_session.identity().roots()) {
        if (m_session.identity().IsPairedDrive(root, m_session.drive)) {
            m_session.FoundLetter = root;
            if (onFound)
                onFound();
            if (m_runPass)
                m_runPass();
            m_session.setSearchTimer(true);
            return true;
        }
    }
    m_session.FoundLetter = QStringLiteral("?");
    if (onNotFound)
        onNotFound();
    m_session.setSearchTimer(true);
    return true;
}

} // namespace quillet
