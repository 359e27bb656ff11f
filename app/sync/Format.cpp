#include "Format.h"

namespace quillet {

QString formatBytes(qint64 value, const QLocale& locale) {
    QLocale grouped = locale;
    // The C locale omits group separators by default; the pattern always groups.
    grouped.setNumberOptions(QLocale::DefaultNumberOptions);
    return grouped.toString(value);
}

QString formatMegabytes(quint64 bytes, const QLocale& locale) {
    QLocale plain = locale;
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    return plain.toString(static_cast<double>(bytes) / 1048576.0, 'f', 2);
}

QString formatDateTime(const QDateTime& when) {
    return when.toString(QStringLiteral("MM-dd-yyyy HH:mm:ss"));
}

const Clock& Clock::system() {
    static const Clock clock;
    return clock;
}

} // namespace quillet
