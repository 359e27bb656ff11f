#pragma once

#include <QFile>
#include <QString>
#include <functional>

namespace quillet {

// The account of one pass: plain text, CR LF line ends, emptied when a pass begins.
class SyncLog {
public:
    explicit SyncLog(QString path) : m_path(std::move(path)) {}
    // Whether the last lines reached the file is the pass's concern, asked before this.
    ~SyncLog() { (void)close(); }
    SyncLog(const SyncLog&) = delete;
    SyncLog& operator=(const SyncLog&) = delete;

    // Creates or empties the file; false when it cannot be written (the pass goes on: a log
    // that cannot be written must not keep files from being copied).
    bool open();
    // A line that cannot be written ends the writing: a log with holes would tell less than
    // it seems to. onLine still gets every line.
    void writeLine(const QString& line);
    // Flushes and closes; false when what was written did not all reach the file.
    bool close();
    bool isOpen() const { return m_file.isOpen(); }
    // Why this pass's log is incomplete; empty while it is whole.
    const QString& failure() const { return m_failure; }
    QString path() const { return m_path; }

    // Called for every line, written or not: the command line tool echoes them.
    std::function<void(const QString&)> onLine;

private:
    void fail();

    QString m_path;
    QFile m_file;
    QString m_failure;
};

// The whole content of a text file; a missing file is created empty. Empty on any failure.
QString ReadTextFile(const QString& path);

} // namespace quillet
