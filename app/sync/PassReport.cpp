#include "PassReport.h"

namespace quillet {

void PassReport::startPass() {
    m_summary = PassSummary{};
    m_row = RowTally{};
    m_failed.clear();
}

void PassReport::fail(const QString& subject, const QString& reason) {
    m_log.writeLine(subject + QStringLiteral(" - ERROR ! (Not Synchronized: ") + reason +
                    QLatin1Char(')'));
    if (m_row.firstReason.isEmpty())
        m_row.firstReason = subject + QStringLiteral(": ") + reason;
    m_row.lastReason = reason;
    if (onFailure)
        onFailure(subject, reason);
    if (m_summary.firstReason.isEmpty())
        m_summary.firstReason = reason;
    ++m_row.failures;
    // A file is looked at from both sides and may fail at both looks: one file, one failure.
    if (m_failed.insert(subject).second)
        ++m_summary.failures;
}

void PassReport::keptAside() {
    ++m_summary.conflicts;
    ++m_row.conflicts;
}

} // namespace quillet
