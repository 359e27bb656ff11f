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
    QString FoundLetter = QStringLiteral("?");
    // Ticks since the last search, and ticks between searches.
    qint32 TimerCount = 0;
    int RefreshSeconds = 5;

    bool driveFound() const { return FoundLetter != QLatin1String("?"); }
    void forgetDrive() { FoundLetter = QStringLiteral("?"); }

    // One tick of the timer. Returns true when this tick searched. runPass starts a pass and
    // returns when it has ended.
    bool tick();
    // Sets FoundLetter to the paired drive's current root, or "?"; starts no pass.
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

    // Starts a pass on the drive just found (FoundLetter is set).
    std::function<void()> runPass;
    // The window's searching state: the not-found text, editing commands off.
    std::function<void()> onSearching;
    // The drive was found and a pass is about to run.
    std::function<void()> onFound;
    // The search found nothing.
    std::function<void()> onNotFound;

private:
    // The first root that is the paired drive, or "?".
    QString findDrive(bool skipFloppy) const;
    // The drive was found and is still mounted where it was.
    bool stillWhereFound() const;

    DriveIdentity& m_identity;
    const PairedDrive& m_drive;
    platform::MountTable* m_mounts = nullptr;
    bool m_timerEnabled = false;
};

} // namespace quillet
