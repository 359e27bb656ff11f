#pragma once

#include <QFile>
#include <QString>
#include <functional>

namespace quillet {

// The account of one pass: plain text, CR LF line ends, emptied when a pass begins.
class SyncLog {
public:
    explicit SyncLog(QString path) : m_path(std::move(path)) {}
    ~SyncLog() { close(); }
    SyncLog(const SyncLog&) = delete;
    SyncLog& operator=(const SyncLog&) = delete;

    // Creates or empties the file; false when it cannot be written (the pass goes on).
    bool open();
    void writeLine(const QString& line);
    void close();
    bool isOpen() const { return m_file.isOpen(); }
    QString path() const { return m_path; }

    // Called for every line, written or not: the command line tool echoes them.
    std::function<void(const QString&)> onLine;

private:
    QString m_path;
    QFile m_file;
};

// The whole content of a text file; a missing file is created empty. Empty on any failure.
QString ReadTextFile(const QString& path);

} // namespace quillet
