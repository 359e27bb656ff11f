#include "PassReport.h"

#include "FailureText.h"

namespace quillet {

void PassReport::startPass() {
    m_summary = PassSummary{};
    m_row = RowTally{};
    m_rowFailed.clear();
    m_failed.clear();
}

void PassReport::fail(const SyncFailure& failure) {
    m_log.writeLine(failure.subject + QStringLiteral(" - ERROR ! (Not Synchronized: ") +
                    logText(failure) + QLatin1Char(')'));
    if (!m_row.first)
        m_row.first = failure;
    m_row.last = failure;
    if (onFailure)
        onFailure(failure);
    if (!m_summary.firstReason)
        m_summary.firstReason = failure;
    // A file is looked at from both sides and may fail at both looks: one file, one failure.
    if (m_rowFailed.insert(failure.subject).second)
        ++m_row.failures;
    if (m_failed.insert(failure.subject).second)
        ++m_summary.failures;
}

void PassReport::stopped(const QString& subject) {
    m_log.writeLine(subject + QStringLiteral(" - Not Synchronized (stopped)"));
    m_row.stopped = true;
}

void PassReport::leftOut(const Path& folder, std::uint32_t attributes) {
    m_log.writeLine(folder.withSeparator().display() + QStringLiteral(" - Left out (") +
                    leftOutReason(attributes) + QLatin1Char(')'));
}

void PassReport::keptAside() {
    ++m_summary.conflicts;
    ++m_row.conflicts;
}

} // namespace quillet
