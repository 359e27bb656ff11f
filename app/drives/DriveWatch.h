#pragma once

#include "sync/SyncSession.h"

#include <QString>
#include <functional>

namespace quillet {

// The one-second watch for the paired drive, driven by ticks so that a real timer, the
// command line tool and the tests can all run it.
class DriveWatch {
public:
    // runPass starts a pass (it returns when the pass has ended).
    DriveWatch(SyncSession& session, std::function<void()> runPass)
        : m_session(session), m_runPass(std::move(runPass)) {}

    // One tick of the timer. Returns true when this tick searched.
    bool tick();

    // The window's searching state: the not-found text, editing commands off.
    std::function<void()> onSearching;
    // The drive was found (its root is FoundLetter) and a pass is about to run.
    std::function<void()> onFound;
    // The search found nothing.
    std::function<void()> onNotFound;

private:
    SyncSession& m_session;
    std::function<void()> m_runPass;
};

} // namespace quillet
