#pragma once

#include <QString>

namespace quillet {

// What the start-up routine does on the desktop, one step at a time, so that the routine's
// decisions can be followed step by step without a desktop.
class StartUpShell {
public:
    enum class Show { Visible, Hidden, Minimised };

    virtual ~StartUpShell() = default;

    // Takes this user's one-instance lock for the life of the program; false when another
    // instance holds it.
    virtual bool firstInstance() = 0;
    // Hands the command line to the program already running for this user, which brings
    // its window forward and adds the item named there; false when none takes it.
    virtual bool handOver(const QString& commandLine) = 0;
    // The splash window, modal: returns when it has closed itself.
    virtual void showSplash() = 0;
    // Whether a drive is paired: the stored serial is not empty.
    virtual bool drivePaired() = 0;
    // The pairing dialog, modal.
    virtual void pairDrive() = 0;
    // Creates and loads the main window; with an item on the command line, its load adds
    // it. False when the program is to end now, without the window.
    virtual bool openMaster(const QString& commandLine) = 0;
    // Whether the main window, hidden, could be brought back from the notification area.
    virtual bool iconReachable() = 0;
    virtual void showMaster(Show how) = 0;
};

} // namespace quillet
