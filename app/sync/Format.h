#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace quillet {

// Byte counts as "##,##0": grouped by the locale's separator, no decimals, sign kept.
QString formatBytes(qint64 value, const QLocale& locale = QLocale());

// Megabytes as "#0.00": two decimals, the locale's decimal separator, no grouping.
QString formatMegabytes(quint64 bytes, const QLocale& locale = QLocale());

// "MM-DD-YYYY hh:mm:ss", as the log and the status column write it.
QString formatDateTime(const QDateTime& when);

// The clock behind every stamp a pass writes; tests hold it still.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const { return QDateTime::currentDateTime(); }
    static const Clock& system();
};

} // namespace quillet
