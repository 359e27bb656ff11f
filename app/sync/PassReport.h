#pragma once

#include "SyncFailure.h"
#include "SyncLog.h"
#include "base/Path.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <set>

namespace quillet {

// What a pass did, file by file (the files a folder walk creates are not in the log).
struct PassSummary {
    bool stopped = false;
    int copies = 0;    // toDrive + toLocal
    int toDrive = 0;   // copied from the PC to the drive
    int toLocal = 0;   // copied from the drive to the PC
    int unchanged = 0; // the same on both sides, each file once
    int failures = 0;  // files that failed, each once
    int conflicts = 0; // both copies changed: the replaced one was kept beside it
    std::optional<SyncFailure> firstReason; // why the first of them failed
};

// The account a pass keeps: its log, its summary and the tally of the row in hand. Every
// failure goes through here, so that it is one log line and counted once.
class PassReport {
public:
    explicit PassReport(SyncLog& log) : m_log(log) {}

    struct RowTally {
        int failures = 0;
        int conflicts = 0; // files whose replaced version was kept beside them
        std::optional<SyncFailure> first;
        std::optional<SyncFailure> last;
        bool stopped = false; // a copy was stopped part-way, or the walk before its end
    };

    void startPass();
    void startRow() {
        m_row = RowTally{};
        m_rowFailed.clear();
    }
    void fail(const SyncFailure& failure);
    void fail(const QString& subject, SyncFailure::Reason reason) {
        fail(SyncFailure{reason, subject, 0, {}});
    }
    // A copy stopped part-way: left as it was, for the next pass.
    void stopped(const QString& subject);
    // The walk stopped before its end: files of the row were not looked at.
    void walkStopped() { m_row.stopped = true; }
    // One line for a folder the walk does not enter, saying why.
    void leftOut(const Path& folder, std::uint32_t attributes);
    // A replaced version was kept beside its file.
    void keptAside();

    SyncLog& log() { return m_log; }
    // Told of each failure as it is logged.
    std::function<void(const SyncFailure& failure)> onFailure;
    PassSummary& summary() { return m_summary; }
    const PassSummary& summary() const { return m_summary; }
    const RowTally& row() const { return m_row; }

private:
    SyncLog& m_log;
    PassSummary m_summary;
    RowTally m_row;
    std::set<QString> m_failed;    // as shown in the log
    std::set<QString> m_rowFailed; // of the row in hand
};

} // namespace quillet
