#include "PassNotices.h"

#include "base/Format.h"
#include "base/Translate.h"

namespace quillet {

std::optional<QString> PassNotices::afterPass(int conflicts, int failures,
                                              const QString& firstReason) {
    // Files whose replaced version was kept beside them: told at the pass that kept them,
    // which happens once for each such change.
    const QString keptText =
        conflicts == 0 ? QString()
        : conflicts == 1
            ? Translate(QStringLiteral("1 file changed on both sides: both copies were kept."))
            : Translate(QStringLiteral("%1 files changed on both sides: both copies were kept."))
                  .arg(formatBytes(conflicts));
    // Told once: the same failures at every pass of the watch would bring the message back
    // every few seconds. Told again when their number changes.
    if (failures == m_failuresTold || failures <= 0) {
        m_failuresTold = failures;
        if (keptText.isEmpty())
            return std::nullopt;
        return keptText + QLatin1Char('\n') +
               Translate(QStringLiteral("Click here to see the log."));
    }
    m_failuresTold = failures;
    // With the first reason: the rows, which say the rest, may be out of sight.
    QString text = keptText.isEmpty() ? QString() : keptText + QLatin1Char('\n');
    if (firstReason.isEmpty())
        text += failures == 1
                    ? Translate(QStringLiteral("1 file could not be synchronized. Click here to "
                                               "see the log."))
                    : Translate(QStringLiteral("%1 files could not be synchronized. Click here "
                                               "to see the log."))
                          .arg(formatBytes(failures));
    else
        text += (failures == 1 ? Translate(QStringLiteral("1 file could not be synchronized: %1"))
                                     .arg(firstReason)
                               : Translate(QStringLiteral("%1 files could not be synchronized: %2"))
                                     .arg(formatBytes(failures), firstReason)) +
                QLatin1Char('\n') + Translate(QStringLiteral("Click here to see the log."));
    return text;
}

} // namespace quillet
