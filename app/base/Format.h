#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace quillet {

// Byte counts as "##,##0": grouped by the locale's separator, no decimals, a plain "-" for
// negative counts, always in ASCII digits (some locales write their own digits and minus).
QString formatBytes(qint64 value, const QLocale& locale = QLocale());

// Megabytes as "#0.00": two decimals, the locale's decimal separator, no grouping, ASCII
// digits.
QString formatMegabytes(quint64 bytes, const QLocale& locale = QLocale());

// "MM-DD-YYYY hh:mm:ss", as the log and the status column write it.
QString formatDateTime(const QDateTime& when);

} // namespace quillet
