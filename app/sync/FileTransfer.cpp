#include "FileTransfer.h"

#include "FileTests.h"

#include <cstdint>
#include <cstring>

namespace quillet {

using namespace platform;

namespace {
bool isAllZero(const char* data, std::size_t size) {
    // Word at a time; the tail byte by byte.
    std::size_t i = 0;
    for (; i + sizeof(std::uint64_t) <= size; i += sizeof(std::uint64_t)) {
        std::uint64_t word;
        std::memcpy(&word, data + i, sizeof word);
        if (word != 0)
            return false;
    }
    for (; i < size; ++i) {
        if (data[i] != 0)
            return false;
    }
    return true;
}
} // namespace

bool FileTransfer::failWith(const std::string& what, const Error& error) {
    m_lastError = QString::fromStdString(what + ": " + error.message);
    return false;
}

bool FileTransfer::CloneFile(const QString& source, const QString& destination) {
    m_lastError.clear();
    const std::string src = toNative(source);
    const FileStat from = m_fs.stat(src);
    if (!from.isRegular)
        return failWith(src, Error{0, "source is not a readable file"});

    // Writing through a link to a file updates the file it points to, as cp does.
    const std::string dst = m_fs.resolveWriteTarget(toNative(destination));
    const FileStat to = m_fs.stat(dst);
    if (to.exists && !to.isRegular)
        return failWith(dst, Error{0, "destination exists and is not a file"});
    // A file we cannot read has no trustworthy time: never overwrite it either.
    if (to.exists && (m_fs.isWriteProtected(dst) || !to.readable)) {
        // Content and times stay; the attributes still follow the source.
        (void)m_fs.setMode(dst, from.mode);
        return failWith(dst, Error{0, "destination is read-only"});
    }

    auto in = m_fs.openRead(src);
    if (!in)
        return failWith(src, in.error());

    std::string tempPath;
    auto out = m_fs.createTemp(dst, tempPath);
    if (!out) {
        m_fs.close(in.value());
        return failWith(dst, out.error());
    }

    auto abandon = [&](const std::string& what, const Error& error) {
        m_fs.close(out.value());
        m_fs.close(in.value());
        m_fs.remove(tempPath);
        return failWith(what, error);
    };

    if (m_buffer.size() != m_bufferSize)
        m_buffer.resize(m_bufferSize);
    std::int64_t copied = 0;
    bool endsInHole = false;
    for (;;) {
        auto n = m_fs.read(in.value(), m_buffer.data(), m_buffer.size());
        if (!n)
            return abandon(src, n.error());
        if (n.value() == 0)
            break;
        // Runs of zeros stay holes, so a sparse file stays sparse (and quick to copy).
        endsInHole = isAllZero(m_buffer.data(), n.value());
        const Status w = endsInHole ? m_fs.skip(out.value(), n.value())
                                    : m_fs.write(out.value(), m_buffer.data(), n.value());
        if (!w)
            return abandon(dst, w.error());
        copied += static_cast<std::int64_t>(n.value());
    }
    if (endsInHole) {
        if (auto l = m_fs.setLength(out.value(), copied); !l)
            return abandon(dst, l.error());
    }
    if (auto f = m_fs.flush(out.value()); !f)
        return abandon(dst, f.error());
    if (auto t = m_fs.setTimes(out.value(), from.times); !t)
        return abandon(dst, t.error());
    // Permissions are best effort: FAT and some FUSE file systems keep only part of them.
    m_fs.setMode(out.value(), from.mode);
    m_fs.close(in.value());
    if (auto c = m_fs.close(out.value()); !c) {
        m_fs.remove(tempPath);
        return failWith(dst, c.error());
    }
    if (auto r = m_fs.rename(tempPath, dst); !r) {
        m_fs.remove(tempPath);
        return failWith(dst, r.error());
    }
    // Some file systems (FUSE ones among them) stamp a renamed file with the time of the
    // rename; the times must travel or the next pass copies the file again.
    if (m_fs.stat(dst).times.write.seconds != from.times.write.seconds) {
        if (auto t = m_fs.setTimes(dst, from.times); !t)
            return failWith(dst, t.error());
    }
    return true;
}

} // namespace quillet
