#pragma once

#include "platform/FileSystem.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace quillet {

// Makes a destination a copy of a source: bytes, then times, then attributes. The bytes go
// to a temporary file beside the destination, which is flushed and renamed into place, so a
// failure at any point leaves the destination as it was and nothing else behind.
class FileTransfer {
public:
    explicit FileTransfer(platform::FileSystem& fs, std::size_t bufferSize = 1 << 20)
        : m_fs(fs), m_bufferSize(bufferSize) {}

    // True when the destination now holds the source's content and times.
    bool CloneFile(const QString& source, const QString& destination);

    // For files new on their side: written now, flushed and put in place together by
    // CommitStaged, so that many small files share one flush. Subject names the file in
    // what CommitStaged returns. False when the file could not even be written.
    bool StageFile(const QString& source, const QString& destination, const QString& subject);
    std::size_t stagedCount() const { return m_staged.size(); }
    // Flushes and places every staged file; returns the subjects of those that failed.
    // A file that appeared at a destination meanwhile is left alone (and fails).
    QStringList CommitStaged();

    // Why the last CloneFile failed; empty after a success.
    QString lastError() const { return m_lastError; }

private:
    struct Staged {
        std::string tempPath;
        std::string destination;
        platform::FileTimes times;
        QString subject;
        std::uint64_t device = 0;
    };

    bool failWith(const std::string& what, const platform::Error& error);
    bool checkDestination(const platform::FileStat& from, const std::string& dst);
    bool writeTemp(const std::string& src, const platform::FileStat& from, const std::string& dst,
                   bool flush, std::string& tempPath);
    bool putInPlace(const std::string& tempPath, const std::string& dst,
                    const platform::FileTimes& times, bool mayReplace);

    platform::FileSystem& m_fs;
    std::size_t m_bufferSize;
    std::vector<char> m_buffer;
    std::vector<Staged> m_staged;
    QString m_lastError;
};

} // namespace quillet
