#include "FileTransfer.h"

#include "FileProbe.h"

#include <cstdint>
#include <cstring>
#include <map>

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

bool FileTransfer::checkDestination(const FileStat& from, const std::string& dst) {
    const FileStat to = m_fs.stat(dst);
    if (to.exists && !to.isRegular)
        return failWith(dst, Error{0, "destination exists and is not a file"});
    // A file we cannot read has no trustworthy time: never overwrite it either.
    if (to.exists && (m_fs.isWriteProtected(dst) || !to.readable)) {
        // Content and times stay; the attributes still follow the source.
        (void)m_fs.setMode(dst, from.mode);
        return failWith(dst, Error{0, "destination is read-only"});
    }
    return true;
}

bool FileTransfer::writeTemp(const std::string& src, const FileStat& from, const std::string& dst,
                             bool flush, std::string& tempPath) {
    auto in = m_fs.openRead(src);
    if (!in)
        return failWith(src, in.error());
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
    if (flush) {
        if (auto f = m_fs.flush(out.value()); !f)
            return abandon(dst, f.error());
    }
    if (auto t = m_fs.setTimes(out.value(), from.times); !t)
        return abandon(dst, t.error());
    // Permissions are best effort: FAT and some FUSE file systems keep only part of them.
    m_fs.setMode(out.value(), from.mode);
    m_fs.close(in.value());
    if (auto c = m_fs.close(out.value()); !c) {
        m_fs.remove(tempPath);
        return failWith(dst, c.error());
    }
    return true;
}

bool FileTransfer::putInPlace(const std::string& tempPath, const std::string& dst,
                              const FileTimes& times, bool mayReplace) {
    const Status r = mayReplace ? m_fs.rename(tempPath, dst) : m_fs.renameNoReplace(tempPath, dst);
    if (!r) {
        m_fs.remove(tempPath);
        return failWith(dst, r.error());
    }
    // Some file systems (FUSE ones among them) stamp a renamed file with the time of the
    // rename; the times must travel or the next pass copies the file again.
    if (m_fs.stat(dst).times.write.seconds != times.write.seconds) {
        if (auto t = m_fs.setTimes(dst, times); !t)
            return failWith(dst, t.error());
    }
    return true;
}

bool FileTransfer::CloneFile(const QString& source, const QString& destination) {
    m_lastError.clear();
    const std::string src = Path::fromText(source).native();
    const FileStat from = m_fs.stat(src);
    if (!from.isRegular)
        return failWith(src, Error{0, "source is not a readable file"});
    // Writing through a link to a file updates the file it points to, as cp does.
    const std::string dst = m_fs.resolveWriteTarget(Path::fromText(destination).native());
    if (!checkDestination(from, dst))
        return false;
    std::string tempPath;
    if (!writeTemp(src, from, dst, true, tempPath))
        return false;
    return putInPlace(tempPath, dst, from.times, true);
}

bool FileTransfer::StageFile(const QString& source, const QString& destination,
                             const QString& subject) {
    m_lastError.clear();
    const std::string src = Path::fromText(source).native();
    const std::string dst = Path::fromText(destination).native();
    const FileStat from = m_fs.stat(src);
    if (!from.isRegular)
        return failWith(src, Error{0, "source is not a readable file"});
    if (m_fs.stat(dst).exists)
        return CloneFile(source, destination); // not a new file after all
    std::string tempPath;
    if (!writeTemp(src, from, dst, false, tempPath))
        return false;
    m_staged.push_back(Staged{tempPath, dst, from.times, subject, m_fs.stat(tempPath).device});
    return true;
}

QStringList FileTransfer::CommitStaged() {
    QStringList failed;
    if (m_staged.empty())
        return failed;
    // One flush per volume for the whole batch: a flush per file would wait for a commit of
    // the file system per file.
    std::map<std::uint64_t, std::string> volumes;
    for (const Staged& s : m_staged)
        volumes.emplace(s.device, s.tempPath);
    std::map<std::uint64_t, bool> flushed;
    for (const auto& [device, path] : volumes)
        flushed[device] = m_fs.flushVolume(path).ok();

    std::map<std::uint64_t, std::string> placedOn;
    for (const Staged& s : m_staged) {
        bool ok = flushed[s.device];
        if (!ok)
            m_fs.remove(s.tempPath);
        else
            ok = putInPlace(s.tempPath, s.destination, s.times, false);
        if (ok)
            placedOn.emplace(s.device, s.destination);
        else
            failed.append(s.subject);
    }
    // And once more, so that the new names are on the disk before anyone is told.
    for (const auto& [device, path] : placedOn) {
        if (!m_fs.flushVolume(path)) {
            // Whether the names survived is unknown; the files themselves are safe either way.
            m_lastError =
                QStringLiteral("could not flush the volume of ") + Path::fromNative(path).display();
        }
    }
    m_staged.clear();
    return failed;
}

} // namespace quillet
