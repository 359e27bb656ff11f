#include "FileTransfer.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <map>
#include <utility>

namespace quillet {

using namespace platform;

namespace {

constexpr std::uint32_t OwnerWrite = 0200;
constexpr std::uint32_t AnyWrite = 0222;

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

// What a file system answers when it has no holes or cannot extend a file by truncation
// (FAT through FUSE says EPERM).
bool refusesShortcut(int code) {
    return code == EPERM || code == EOPNOTSUPP || code == EINVAL || code == ENOSYS || code == EFBIG;
}

bool sameContentState(const FileStat& a, const FileStat& b) {
    return a.length == b.length && a.times.write == b.times.write && a.changed == b.changed;
}

std::string folderOf(const std::string& path) {
    return Path::fromNative(path).parent().native();
}

} // namespace

bool FileTransfer::fail(TransferFailure::Kind kind, const Error& error) {
    m_lastFailure = TransferFailure{kind, error.code, error.message};
    return false;
}

bool FileTransfer::checkDestination(const Target& target, const FileStat& from,
                                    const std::string& dst, const FileStat& to) {
    // On the drive a link is not ours to follow, wherever it points.
    if (target.requiredDevice && (dst != target.path.native() || to.isSymlink))
        return fail(TransferFailure::Kind::LinkOnDrive);
    if (!to.exists)
        return true;
    if (!to.isRegular)
        return fail(TransferFailure::Kind::NotAFile);
    // The read-only attribute counts even where this process could write anyway (as root).
    if (!(to.mode & OwnerWrite) || !to.writable) {
        // Content and times stay; the read-only state still follows the source, so that a
        // later pass may replace a file whose source is no longer read-only.
        if ((from.mode & OwnerWrite) && !(to.mode & OwnerWrite))
            (void)m_fs.setMode(dst, to.mode | OwnerWrite);
        return fail(TransferFailure::Kind::ReadOnly);
    }
    // A file we cannot read has no trustworthy time: never overwrite it either.
    if (!to.readable)
        return fail(TransferFailure::Kind::DestinationUnreadable);
    return true;
}

void FileTransfer::setPermissions(Handle out, const FileStat& made, const FileStat& source,
                                  const FileStat& existing, const std::string& dst) {
    // Best effort throughout: FAT and some FUSE file systems keep little of this. Nothing is
    // asked of the file system that would change nothing: on a drive each call is a trip.
    const bool sourceReadOnly = !(source.mode & OwnerWrite);
    std::uint32_t mode = made.mode;
    if (existing.exists) {
        // A replacement is a new file: it takes the old one's owner and permissions.
        if (existing.owner != made.owner || existing.group != made.group)
            (void)m_fs.setOwner(out, existing.owner, existing.group);
        mode = sourceReadOnly ? existing.mode & ~AnyWrite : existing.mode | OwnerWrite;
    } else {
        // Made by another user than the folder's (a pass run as root in a user's folder):
        // the new file is the folder owner's, as if the user had made it.
        const FileStat& folder = folderStat(folderOf(dst));
        if (folder.exists && folder.owner != made.owner)
            (void)m_fs.setOwner(out, folder.owner, folder.group);
        // Never more open than the source: a private file stays private.
        if (m_modeless.count(source.device) == 0)
            mode &= ~(~source.mode & 077u);
        if (sourceReadOnly)
            mode &= ~AnyWrite;
    }
    if (mode != made.mode)
        (void)m_fs.setMode(out, mode);
}

const FileStat& FileTransfer::folderStat(const std::string& folderPath) {
    if (folderPath != m_lastFolder.first)
        m_lastFolder = {folderPath, m_fs.stat(folderPath)};
    return m_lastFolder.second;
}

// Written data is sent to the disk in steps of this size while the copy goes on: the disk
// then works while the source is read, instead of after the whole copy.
constexpr std::int64_t WriteBehindStep = 8 << 20;

bool FileTransfer::stopped() {
    if (!m_cancelled.load(std::memory_order_relaxed))
        return false;
    fail(TransferFailure::Kind::Stopped);
    return true;
}

void FileTransfer::writeBehind(Handle out, std::int64_t copied, std::int64_t& started) {
    if (copied - started >= WriteBehindStep) {
        m_fs.startWriteback(out, started, copied - started);
        started = copied;
    }
}

FileTransfer::Attempt FileTransfer::finishAttempt(Handle in, const FileStat& before,
                                                  std::int64_t copied) {
    // A source rewritten while we read it would leave old bytes under a new time.
    const auto after = m_fs.stat(in);
    if (!after || !sameContentState(before, after.value()) || copied != before.length)
        return Attempt::SourceChanged;
    return Attempt::Done;
}

FileTransfer::Attempt FileTransfer::copyInKernel(Handle in, const FileStat& before,
                                                 const TempFile& out) {
    m_bytesDone.store(0, std::memory_order_relaxed);
    std::int64_t copied = 0;
    std::int64_t started = 0;
    for (;;) {
        auto n = m_fs.copyRange(in, out.handle, m_bufferSize);
        if (!n) {
            if (copied == 0 && refusesShortcut(n.error().code))
                return Attempt::KernelCopyRefused;
            if (copied == 0 && (n.error().code == EXDEV || n.error().code == ENOTSUP))
                return Attempt::KernelCopyRefused;
            fail(TransferFailure::Kind::System, n.error());
            return Attempt::Failed;
        }
        if (n.value() == 0)
            break;
        copied += static_cast<std::int64_t>(n.value());
        m_bytesDone.store(copied, std::memory_order_relaxed);
        writeBehind(out.handle, copied, started);
        if (stopped())
            return Attempt::Failed;
    }
    return finishAttempt(in, before, copied);
}

FileTransfer::Attempt FileTransfer::writeOnce(Handle in, const FileStat& before,
                                              const TempFile& out, bool holes) {
    if (m_buffer.size() != m_bufferSize)
        m_buffer.resize(m_bufferSize);
    m_bytesDone.store(0, std::memory_order_relaxed);
    std::int64_t copied = 0;
    std::int64_t started = 0;
    std::int64_t trailingHole = 0;
    // The holes of a sparse source are found without reading them: reading gigabytes of
    // zeros only to find they are zeros costs time and fills the cache.
    bool seekHoles = holes && before.allocated < before.length;
    for (;;) {
        if (seekHoles) {
            const auto data = m_fs.seekData(in, copied);
            if (!data) {
                seekHoles = false; // the position did not move; read everything
            } else if (data.value() > copied) {
                const std::int64_t hole = data.value() - copied;
                if (auto s = m_fs.skip(out.handle, static_cast<std::size_t>(hole)); !s) {
                    if (refusesShortcut(s.error().code))
                        return Attempt::HolesRefused;
                    fail(TransferFailure::Kind::System, s.error());
                    return Attempt::Failed;
                }
                trailingHole += hole;
                copied = data.value();
                m_bytesDone.store(copied, std::memory_order_relaxed);
            }
        }
        auto n = m_fs.read(in, m_buffer.data(), m_buffer.size());
        if (!n) {
            fail(TransferFailure::Kind::SourceUnreadable, n.error());
            return Attempt::Failed;
        }
        if (n.value() == 0)
            break;
        // Runs of zeros stay holes, so a sparse file stays sparse (and quick to copy).
        if (holes && isAllZero(m_buffer.data(), n.value())) {
            if (auto s = m_fs.skip(out.handle, n.value()); !s) {
                if (refusesShortcut(s.error().code))
                    return Attempt::HolesRefused;
                fail(TransferFailure::Kind::System, s.error());
                return Attempt::Failed;
            }
            trailingHole += static_cast<std::int64_t>(n.value());
        } else {
            if (auto w = m_fs.write(out.handle, m_buffer.data(), n.value()); !w) {
                if (trailingHole > 0 && refusesShortcut(w.error().code))
                    return Attempt::HolesRefused;
                fail(TransferFailure::Kind::System, w.error());
                return Attempt::Failed;
            }
            trailingHole = 0;
        }
        copied += static_cast<std::int64_t>(n.value());
        m_bytesDone.store(copied, std::memory_order_relaxed);
        writeBehind(out.handle, copied, started);
        if (stopped())
            return Attempt::Failed;
    }
    if (const Attempt read = finishAttempt(in, before, copied); read != Attempt::Done)
        return read;
    if (trailingHole > 0) {
        if (auto l = m_fs.setLength(out.handle, copied); !l) {
            if (refusesShortcut(l.error().code))
                return Attempt::HolesRefused;
            fail(TransferFailure::Kind::System, l.error());
            return Attempt::Failed;
        }
    }
    return Attempt::Done;
}

std::optional<FileTransfer::Written>
FileTransfer::writeTemp(const std::string& src, const Target& target, const std::string& dst,
                        const FileStat& existing, Flush flush) {
    // Where the copy will land is known before anything is made there: a folder that leads
    // off the paired drive (through a link, or a drive gone) gets no file, not even for a
    // moment.
    if (target.requiredDevice) {
        const FileStat& folder = folderStat(folderOf(dst));
        if (!folder.isDirectory || folder.device != *target.requiredDevice) {
            fail(TransferFailure::Kind::OffVolume);
            return std::nullopt;
        }
    }
    int changes = 0;
    for (;;) {
        auto in = m_fs.openRead(src);
        if (!in) {
            fail(in.error().code == ENOENT ? TransferFailure::Kind::SourceMissing
                                           : TransferFailure::Kind::SourceUnreadable,
                 in.error());
            return std::nullopt;
        }
        const auto before = m_fs.stat(in.value());
        if (!before) {
            m_fs.close(in.value());
            fail(TransferFailure::Kind::SourceUnreadable, before.error());
            return std::nullopt;
        }
        auto out = m_fs.createTemp(dst);
        if (!out) {
            m_fs.close(in.value());
            fail(TransferFailure::Kind::System, out.error());
            return std::nullopt;
        }
        auto abandon = [&]() -> std::optional<Written> {
            m_fs.close(out.value().handle);
            m_fs.close(in.value());
            m_fs.remove(out.value().path);
            return std::nullopt;
        };
        const auto made = m_fs.stat(out.value().handle);
        if (!made) {
            fail(TransferFailure::Kind::System, made.error());
            return abandon();
        }
        // A drive unmounted meanwhile leaves its mount point as a plain folder of the system
        // disk: what is meant for the drive lands on the drive or nowhere.
        if (target.requiredDevice && made.value().device != *target.requiredDevice) {
            fail(TransferFailure::Kind::OffVolume);
            return abandon();
        }
        const std::uint64_t device = made.value().device;
        // The kernel copies without a trip through this process where both volumes allow
        // it; a sparse file goes the long way, which keeps its holes.
        const std::pair<std::uint64_t, std::uint64_t> volumes{before.value().device, device};
        const bool sparse = before.value().allocated < before.value().length;
        const Attempt attempt =
            !sparse && m_noKernelCopy.count(volumes) == 0
                ? copyInKernel(in.value(), before.value(), out.value())
                : writeOnce(in.value(), before.value(), out.value(), m_noHoles.count(device) == 0);
        if (attempt == Attempt::KernelCopyRefused) {
            m_noKernelCopy.insert(volumes);
            abandon();
            continue;
        }
        if (attempt == Attempt::HolesRefused) {
            m_noHoles.insert(device);
            abandon();
            continue;
        }
        if (attempt == Attempt::SourceChanged) {
            abandon();
            if (++changes < 2)
                continue; // once more: most rewrites are over in a moment
            fail(TransferFailure::Kind::SourceChanged);
            return std::nullopt;
        }
        if (attempt == Attempt::Failed)
            return abandon();

        setPermissions(out.value().handle, made.value(), before.value(), existing, dst);
        if (auto t = m_fs.setTimes(out.value().handle, before.value().times); !t) {
            fail(TransferFailure::Kind::System, t.error());
            return abandon();
        }
        if (flush == Flush::Now) {
            if (auto f = m_fs.flush(out.value().handle); !f) {
                fail(TransferFailure::Kind::System, f.error());
                return abandon();
            }
        }
        m_fs.close(in.value());
        if (auto c = m_fs.close(out.value().handle); !c) {
            m_fs.remove(out.value().path);
            fail(TransferFailure::Kind::System, c.error());
            return std::nullopt;
        }
        return Written{out.value().path, before.value().times, device};
    }
}

bool FileTransfer::putInPlace(const std::string& tempPath, const std::string& dst,
                              const FileTimes& times, std::uint64_t device, bool mayReplace) {
    const Status r = mayReplace ? m_fs.rename(tempPath, dst) : m_fs.renameNoReplace(tempPath, dst);
    if (!r) {
        const int code = r.error().code;
        // The temporary file was made in the same folder, so a refusal here is the name's:
        // FAT refuses "a:b.txt" and names that are not UTF-8 (some with EPERM, exFAT even
        // with ENOENT while the temporary file is still there).
        const bool nameRefused = code == EINVAL || code == EILSEQ || code == EPERM ||
                                 code == EACCES || code == ENAMETOOLONG ||
                                 (code == ENOENT && m_fs.stat(tempPath).exists);
        m_fs.remove(tempPath);
        return fail(code == EEXIST ? TransferFailure::Kind::Placed
                    : nameRefused  ? TransferFailure::Kind::NameRefused
                                   : TransferFailure::Kind::System,
                    r.error());
    }
    // Some file systems (FUSE ones among them) stamp a renamed file with the time of the
    // rename; the times must travel or the next pass copies the file again. Where the first
    // rename kept them, the volume is not asked again.
    if (m_renameKeepsTimes.count(device) > 0)
        return true;
    const FileStat placed = m_fs.stat(dst);
    if (placed.times.write.seconds == times.write.seconds) {
        m_renameKeepsTimes.insert(device);
        return true;
    }
    if (auto t = m_fs.setTimes(dst, times); !t)
        return fail(TransferFailure::Kind::System, t.error());
    return true;
}

bool FileTransfer::copy(const Path& source, const Target& destination, Placing placing,
                        const QString& subject) {
    const bool now = placing == Placing::Now;
    m_lastFailure = {};
    if (now)
        m_lastFolder = {}; // a file row is one file: look at its folder afresh
    const std::string& src = source.native();
    const FileStat from = m_fs.stat(src);
    if (!from.isRegular)
        return fail(TransferFailure::Kind::SourceMissing);
    // Writing through a link to a file updates the file it points to, as cp does.
    const auto [dst, to] = m_fs.resolveWriteTarget(destination.path.native());
    if (!checkDestination(destination, from, dst, to))
        return false;
    const std::optional<Written> written =
        writeTemp(src, destination, dst, to, now ? Flush::Now : Flush::Later);
    if (!written)
        return false;
    if (!now) {
        m_staged.push_back(
            Staged{written->tempPath, dst, written->times, subject, written->device, to});
        return true;
    }
    if (!putInPlace(written->tempPath, dst, written->times, written->device, true))
        return false;
    // The rename is on the disk before anyone is told the copy is done: after a power cut
    // the new name holds the new content, not the old file or nothing.
    if (auto f = m_fs.flushFolder(folderOf(dst)); !f)
        return fail(TransferFailure::Kind::System, f.error());
    return true;
}

bool FileTransfer::isStaged(const Path& tempPath) const {
    for (const Staged& s : m_staged) {
        if (s.tempPath == tempPath.native())
            return true;
    }
    return false;
}

namespace {
// The file a staged copy replaces is still the one it was written to replace.
bool unchangedSince(const FileStat& then, const FileStat& now) {
    return now.exists && now.inode == then.inode && now.device == then.device &&
           now.length == then.length && now.times.write == then.times.write &&
           now.changed == then.changed;
}
} // namespace

std::optional<FileTransfer::Staged> FileTransfer::takeLastStaged() {
    if (m_staged.empty())
        return std::nullopt;
    Staged last = std::move(m_staged.back());
    m_staged.pop_back();
    return last;
}

std::vector<FileTransfer::Staged> FileTransfer::takeStaged() {
    m_lastFolder = {}; // the next batch looks at its folders afresh
    return std::exchange(m_staged, {});
}

FileTransfer::Flushed
FileTransfer::flushVolumes(const std::map<std::uint64_t, std::string>& volumes) {
    Flushed flushed;
    for (const auto& [device, path] : volumes)
        flushed.emplace(device, m_fs.flushVolume(path));
    return flushed;
}

std::map<std::uint64_t, std::string> FileTransfer::volumesOf(const std::vector<Staged>& batch) {
    std::map<std::uint64_t, std::string> volumes;
    for (const Staged& s : batch)
        volumes.emplace(s.device, s.tempPath);
    return volumes;
}

FileTransfer::Renamed FileTransfer::renameFlushed(const std::vector<Staged>& batch,
                                                  const Flushed& flushed) {
    Renamed renamed;
    for (const Staged& s : batch) {
        const auto flush = flushed.find(s.device);
        bool ok = flush != flushed.end() && flush->second.ok();
        if (!ok) {
            m_fs.remove(s.tempPath);
            fail(TransferFailure::Kind::System,
                 flush != flushed.end() ? flush->second.error() : Error{EIO, {}});
        } else if (s.replaces.exists && !unchangedSince(s.replaces, m_fs.stat(s.destination))) {
            // Edited while the batch was written: the edit is newer than this copy.
            m_fs.remove(s.tempPath);
            ok = fail(TransferFailure::Kind::DestinationChanged);
        } else {
            ok = putInPlace(s.tempPath, s.destination, s.times, s.device, s.replaces.exists);
        }
        if (ok) {
            renamed.volumes.emplace(s.device, s.destination);
            renamed.placed.push_back(Landed{s.subject, Path::fromNative(s.destination), s.device});
        } else {
            renamed.failed.push_back(
                StagedFailure{s.subject, Path::fromNative(s.destination), m_lastFailure});
        }
    }
    return renamed;
}

std::vector<FileTransfer::StagedFailure> FileTransfer::unconfirmed(const Renamed& renamed,
                                                                   const Flushed& flushed) {
    std::vector<StagedFailure> failed;
    for (const Landed& landed : renamed.placed) {
        const auto flush = flushed.find(landed.device);
        if (flush != flushed.end() && flush->second.ok())
            continue;
        const Error error = flush != flushed.end() ? flush->second.error() : Error{EIO, {}};
        failed.push_back(StagedFailure{
            landed.subject, landed.destination,
            TransferFailure{TransferFailure::Kind::System, error.code, error.message}});
    }
    return failed;
}

std::vector<FileTransfer::StagedFailure> FileTransfer::placeStaged() {
    const std::vector<Staged> batch = takeStaged();
    if (batch.empty())
        return {};
    // One flush per volume for the whole batch: a flush per file would wait for a commit of
    // the file system per file.
    Renamed renamed = renameFlushed(batch, flushVolumes(volumesOf(batch)));
    // And once more, so that the new names are on the disk before anyone is told. Where that
    // fails, whether they survived is unknown: none of them is reported done.
    for (StagedFailure& f : unconfirmed(renamed, flushVolumes(renamed.volumes)))
        renamed.failed.push_back(std::move(f));
    return std::move(renamed.failed);
}

} // namespace quillet
