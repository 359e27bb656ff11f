#include "SyncLog.h"

#include <QFileInfo>

namespace quillet {

bool SyncLog::open() {
    close();
    m_file.setFileName(m_path);
    return m_file.open(QIODevice::WriteOnly | QIODevice::Truncate);
}

void SyncLog::writeLine(const QString& line) {
    if (onLine)
        onLine(line);
    if (!m_file.isOpen())
        return;
    m_file.write(line.toUtf8());
    m_file.write("\r\n", 2);
}

void SyncLog::close() {
    if (m_file.isOpen())
        m_file.close();
}

QString ReadTextFile(const QString& path) {
    QFile file(path);
    if (!file.exists()) {
        if (file.open(QIODevice::WriteOnly))
            file.close();
        return QString();
    }
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

} // namespace quillet
