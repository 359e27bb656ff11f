#pragma once

#include <QString>

#include <optional>

namespace quillet {

// What the window tells beside its icon after a pass: files kept twice, at the pass that
// kept them, and failures once while their number stays the same.
class PassNotices {
public:
    // The notice after a pass that kept conflicts files twice and failed for failures, the
    // first for firstReason (empty when unknown); none when there is nothing new to tell.
    std::optional<QString> afterPass(int conflicts, int failures, const QString& firstReason);
    // The drive went away: its failures are news again when it comes back.
    void driveGone() { m_failuresTold = 0; }

private:
    int m_failuresTold = 0;
};

} // namespace quillet
