#pragma once

#include "DriveIdentity.h"
#include "PairedDrive.h"

#include <QString>
#include <functional>

namespace quillet {

namespace platform {
class MountTable;
}

// The one-second watch for the paired drive, driven by ticks so that a real timer, the
// command line tool and the tests can all run it. It also knows where the drive is now.
class DriveWatch {
public:
    DriveWatch(DriveIdentity& identity, const PairedDrive& drive)
        : m_identity(identity), m_drive(drive) {}

    // The root the paired drive is mounted at now, or "?" while it is absent.
    const QString& FoundLetter() const { return m_foundLetter; }
    bool driveFound() const { return m_foundLetter != QLatin1String("?"); }
    void forgetDrive() { m_foundLetter = QStringLiteral("?"); }

    // Ticks since the last search, and ticks between searches. A new interval keeps the count.
    qint32 timerCount() const { return m_timerCount; }
    int refreshSeconds() const { return m_refreshSeconds; }
    void setRefreshSeconds(int seconds) { m_refreshSeconds = seconds; }
    // The next counted tick searches, as the first one after loading does.
    void searchAtNextTick() { m_timerCount = m_refreshSeconds - 1; }

    // One tick of the timer. Returns true when this tick searched. runPass starts a pass and
    // returns when it has ended.
    bool tick();
    // Sets FoundLetter() to the paired drive's current root, or "?"; starts no pass.
    void SearchLetter();
    // A pass has ended: the next search comes a full interval later.
    void passEnded();

    // Asked at every counted tick: when something was mounted or unmounted while the paired
    // drive is not where it was found, the tick searches at once, whatever the interval.
    // The interval still paces the passes while the drive stays. None: timed searches only.
    void setMountTable(platform::MountTable* mounts) { m_mounts = mounts; }

    // The timer itself; whoever runs the watch mirrors it onto a real timer.
    bool searchTimerEnabled() const { return m_timerEnabled; }
    void setSearchTimer(bool enabled);
    std::function<void(bool)> onSearchTimerChanged;

    // Starts a pass on the drive just found (FoundLetter() is set).
    std::function<void()> runPass;
    // The window's searching state: the not-found text, editing commands off.
    std::function<void()> onSearching;
    // The drive was found and a pass is about to run.
    std::function<void()> onFound;
    // The search found nothing.
    std::function<void()> onNotFound;

private:
    // The first root that is the paired drive, or "?".
    QString findDrive() const;
    // The drive was found and is still mounted where it was.
    bool stillWhereFound() const;

    DriveIdentity& m_identity;
    const PairedDrive& m_drive;
    QString m_foundLetter = QStringLiteral("?");
    qint32 m_timerCount = 0;
    int m_refreshSeconds = 5;
    platform::MountTable* m_mounts = nullptr;
    bool m_timerEnabled = false;
};

} // namespace quillet
