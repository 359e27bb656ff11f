#pragma once

#include "platform/FileSystem.h"

#include <QString>
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

    // Why the last CloneFile failed; empty after a success.
    QString lastError() const { return m_lastError; }

private:
    bool failWith(const std::string& what, const platform::Error& error);

    platform::FileSystem& m_fs;
    std::size_t m_bufferSize;
    std::vector<char> m_buffer;
    QString m_lastError;
};

} // namespace quillet
