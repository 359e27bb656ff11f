#pragma once

#include <QString>

// The texts a pass writes after a file's path in the log, exactly as readers of the log have
// always seen them (the two blanks of L2R2 included).
namespace quillet::test {

inline const QString L2R = QStringLiteral(" - Synchronized Local Drive to Removable Drive");
inline const QString R2L = QStringLiteral(" - Synchronized Removable Drive to Local Drive");
inline const QString L2R2 = QStringLiteral(" - Synchronized  Local Drive to Removable Drive");
inline const QString NoChanges = QStringLiteral(" - Not Synchronized (No changes)");
// A failed copy, with the reason the pass gives.
inline QString failed(const QString& reason) {
    return QStringLiteral(" - ERROR ! (Not Synchronized: ") + reason + QLatin1Char(')');
}

inline const QString StartedAt = QStringLiteral("Last synchronization started at: ");
inline const QString EndedAt = QStringLiteral("Last synchronization ended at: ");

} // namespace quillet::test
