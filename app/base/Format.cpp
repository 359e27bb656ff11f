#include "Format.h"

namespace quillet {

namespace {

// The locale's separators, but never its own digits or sign: a byte count must read the
// same to every program that parses it, and the pattern names digits.
QString groupDigits(QString digits, const QString& separator) {
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, separator);
    return digits;
}

} // namespace

QString formatBytes(qint64 value, const QLocale& locale) {
    const bool negative = value < 0;
    // The magnitude of the lowest qint64 does not fit a qint64.
    const quint64 magnitude =
        negative ? static_cast<quint64>(-(value + 1)) + 1u : static_cast<quint64>(value);
    const QString grouped = groupDigits(QString::number(magnitude), locale.groupSeparator());
    return negative ? QStringLiteral("-") + grouped : grouped;
}

QString formatMegabytes(quint64 bytes, const QLocale& locale) {
    QString text = QString::number(static_cast<double>(bytes) / 1048576.0, 'f', 2);
    text.replace(QLatin1Char('.'), locale.decimalPoint());
    return text;
}

QString formatDateTime(const QDateTime& when) {
    return when.toString(QStringLiteral("MM-dd-yyyy HH:mm:ss"));
}

} // namespace quillet
