#include "SyncLog.h"

#include <QFileInfo>

namespace quillet {

bool SyncLog::open() {
    // The log of the pass before is done with; whether it was whole was that pass's concern.
    (void)close();
    m_failure.clear();
    m_file.setFileName(m_path);
    if (m_file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return true;
    fail();
    return false;
}

void SyncLog::fail() {
    if (m_failure.isEmpty())
        m_failure = m_file.errorString();
    qWarning("The log %s could not be written: %s", qUtf8Printable(m_path),
             qUtf8Printable(m_failure));
    m_file.close();
}

void SyncLog::writeLine(const QString& line) {
    if (onLine)
        onLine(line);
    if (!m_file.isOpen())
        return;
    const QByteArray bytes = line.toUtf8() + QByteArrayLiteral("\r\n");
    if (m_file.write(bytes) != bytes.size())
        fail();
}

bool SyncLog::close() {
    if (!m_file.isOpen())
        return m_failure.isEmpty();
    if (!m_file.flush()) {
        fail();
        return false;
    }
    m_file.close();
    return m_failure.isEmpty();
}

QString ReadTextFile(const QString& path) {
    QFile file(path);
    if (!file.exists()) {
        // Made empty so that a viewer opens on something; when it cannot be made there is
        // still nothing to show, which is what is returned.
        if (file.open(QIODevice::WriteOnly))
            file.close();
        return QString();
    }
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

} // namespace quillet
