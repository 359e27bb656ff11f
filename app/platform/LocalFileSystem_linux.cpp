#include "LocalFileSystem.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <random>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <unordered_map>

namespace quillet::platform {

namespace {

Error lastError() {
    const int code = errno;
    return Error{code, std::strerror(code)};
}

std::string baseName(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::uint32_t attributesOf(const struct stat& st, bool isLink, const std::string& name) {
    std::uint32_t attr = 0;
    if (S_ISDIR(st.st_mode))
        attr |= Attr::Directory;
    if (!(st.st_mode & S_IWUSR))
        attr |= Attr::ReadOnly;
    if (!name.empty() && name[0] == '.')
        attr |= Attr::Hidden;
    if (isLink)
        attr |= Attr::Reparse;
    return attr == 0 ? Attr::Normal : attr;
}

FileTime toFileTime(const struct timespec& ts) {
    return FileTime{static_cast<std::int64_t>(ts.tv_sec), static_cast<std::int64_t>(ts.tv_nsec)};
}

struct timespec toTimespec(const FileTime& t) {
    struct timespec ts {};
    ts.tv_sec = static_cast<time_t>(t.seconds);
    ts.tv_nsec = static_cast<long>(t.nanoseconds);
    return ts;
}

} // namespace

FileSystem& FileSystem::system() {
    static LocalFileSystem instance;
    return instance;
}

std::optional<std::uint32_t> LocalFileSystem::attributes(const std::string& path) {
    struct stat lst {};
    if (::lstat(path.c_str(), &lst) != 0)
        return std::nullopt;
    const bool isLink = S_ISLNK(lst.st_mode);
    struct stat st = lst;
    // A link reads as its target, plus the reparse bit; a dangling one as a plain link.
    if (isLink && ::stat(path.c_str(), &st) != 0)
        st = lst;
    return attributesOf(st, isLink, baseName(path));
}

// As access() would answer for reading (or writing), without a second call; ACLs are not
// consulted. The process's identity does not change while it runs.
static bool allowedBy(const struct stat& st, mode_t owner, mode_t group, mode_t others) {
    static const uid_t uid = ::geteuid();
    static const gid_t gid = ::getegid();
    if (uid == 0)
        return true;
    if (st.st_uid == uid)
        return st.st_mode & owner;
    if (st.st_gid == gid)
        return st.st_mode & group;
    return st.st_mode & others;
}

static FileStat fileStatOf(const struct stat& st) {
    FileStat out;
    out.exists = true;
    out.isRegular = S_ISREG(st.st_mode);
    out.isDirectory = S_ISDIR(st.st_mode);
    out.readable = allowedBy(st, S_IRUSR, S_IRGRP, S_IROTH);
    out.writable = allowedBy(st, S_IWUSR, S_IWGRP, S_IWOTH);
    out.length = static_cast<std::int64_t>(st.st_size);
    out.allocated = static_cast<std::int64_t>(st.st_blocks) * 512;
    out.mode = static_cast<std::uint32_t>(st.st_mode & 07777);
    out.device = static_cast<std::uint64_t>(st.st_dev);
    out.inode = static_cast<std::uint64_t>(st.st_ino);
    out.owner = static_cast<std::uint32_t>(st.st_uid);
    out.group = static_cast<std::uint32_t>(st.st_gid);
    out.times.access = toFileTime(st.st_atim);
    out.times.write = toFileTime(st.st_mtim);
    out.changed = toFileTime(st.st_ctim);
    return out;
}

FileStat LocalFileSystem::stat(const std::string& path) {
    FileStat out;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        // A link whose target is gone still exists, as neither file nor folder.
        struct stat lst {};
        if (::lstat(path.c_str(), &lst) == 0) {
            out.exists = true;
            out.isSymlink = S_ISLNK(lst.st_mode);
        }
        return out;
    }
    return fileStatOf(st);
}

namespace {
// A folder of a file system that can fold case per folder (ext4, f2fs) says so in its flags.
bool foldsCase(int dirFd) {
#ifdef FS_CASEFOLD_FL
    int flags = 0;
    return ::ioctl(dirFd, FS_IOC_GETFLAGS, &flags) == 0 && (flags & FS_CASEFOLD_FL);
#else
    (void)dirFd;
    return false;
#endif
}
} // namespace

namespace {
// Only a few file systems can fold case folder by folder; asking each folder of the others
// would cost a call for nothing (and a round trip on FUSE). Remembered per volume.
bool mayFoldCase(int dirFd, dev_t device) {
    thread_local std::unordered_map<dev_t, bool> known;
    const auto it = known.find(device);
    if (it != known.end())
        return it->second;
    struct statfs fs {};
    constexpr long Ext4Magic = 0xEF53;
    constexpr long F2fsMagic = 0xF2F52010;
    // Only where the running kernel can fold case on that file system at all.
    static const bool ext4Folds = ::access("/sys/fs/ext4/features/casefold", F_OK) == 0;
    static const bool f2fsFolds = ::access("/sys/fs/f2fs/features/casefold", F_OK) == 0;
    const bool may =
        ::fstatfs(dirFd, &fs) == 0 && ((ext4Folds && static_cast<long>(fs.f_type) == Ext4Magic) ||
                                       (f2fsFolds && static_cast<long>(fs.f_type) == F2fsMagic));
    known.emplace(device, may);
    return may;
}
} // namespace

Result<Listing> LocalFileSystem::listDirectory(const std::string& path) {
    const int dirFd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0)
        return lastError();
    Listing listing;
    struct stat self {};
    if (::fstat(dirFd, &self) == 0) {
        listing.device = static_cast<std::uint64_t>(self.st_dev);
        listing.foldsCase = mayFoldCase(dirFd, self.st_dev) && foldsCase(dirFd);
    }
    std::vector<DirEntry>& entries = listing.entries;
    // The entries straight from the kernel, a large batch a call.
    alignas(8) char buffer[32768];
    for (;;) {
        const ssize_t got = ::getdents64(dirFd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            Error error = lastError();
            ::close(dirFd);
            return error;
        }
        if (got == 0)
            break;
        for (ssize_t at = 0; at < got;) {
            const auto* ent = reinterpret_cast<const struct dirent64*>(buffer + at);
            at += ent->d_reclen;
            DirEntry e;
            e.name = ent->d_name;
            if (e.name == "." || e.name == "..") {
                e.attributes = Attr::Directory;
                entries.push_back(std::move(e));
                continue;
            }
            // Only links (and entries of unknown type) need a second look for the reparse bit.
            bool isLink = false;
            if (ent->d_type == DT_LNK || ent->d_type == DT_UNKNOWN) {
                struct stat lst {};
                if (::fstatat(dirFd, ent->d_name, &lst, AT_SYMLINK_NOFOLLOW) != 0)
                    continue;
                isLink = S_ISLNK(lst.st_mode);
            }
            struct stat st {};
            if (::fstatat(dirFd, ent->d_name, &st, 0) == 0) {
                e.stat = fileStatOf(st);
                e.attributes = attributesOf(st, isLink, e.name);
            } else if (isLink) {
                e.stat.exists = true; // dangling
                e.stat.isSymlink = true;
                e.attributes = Attr::Reparse | (e.name[0] == '.' ? Attr::Hidden : 0);
            } else {
                continue; // gone since it was listed
            }
            entries.push_back(std::move(e));
        }
    }
    ::close(dirFd);
    return listing;
}

Status LocalFileSystem::makeDirectory(const std::string& path) {
    if (::mkdir(path.c_str(), 0777) != 0)
        return lastError();
    return {};
}

Status LocalFileSystem::removeDirectory(const std::string& path) {
    if (::rmdir(path.c_str()) != 0)
        return lastError();
    return {};
}

FileSystem::WriteTarget LocalFileSystem::resolveWriteTarget(const std::string& path) {
    struct stat lst {};
    if (::lstat(path.c_str(), &lst) != 0)
        return {path, FileStat{}};
    if (!S_ISLNK(lst.st_mode))
        return {path, fileStatOf(lst)};
    char resolved[PATH_MAX];
    struct stat st {};
    if (::realpath(path.c_str(), resolved) == nullptr || ::stat(resolved, &st) != 0 ||
        !S_ISREG(st.st_mode))
        return {path, stat(path)}; // a dangling link, or one to something else: left as it is
    return {resolved, fileStatOf(st)};
}

bool LocalFileSystem::isWriteProtected(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return false; // nothing there to protect
    // The read-only attribute counts even where the process could write anyway (as root).
    if (!(st.st_mode & S_IWUSR))
        return true;
    return ::access(path.c_str(), W_OK) != 0;
}

Result<Handle> LocalFileSystem::openRead(const std::string& path) {
    // O_NONBLOCK keeps a FIFO that slipped past the checks from hanging the pass.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return lastError();
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return Error{EINVAL, "not a regular file"};
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    // Read from start to end: a cold drive reads ahead further.
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return fd;
}

Result<TempFile> LocalFileSystem::createTemp(const std::string& besidePath) {
    const auto slash = besidePath.find_last_of('/');
    const std::string dir =
        slash == std::string::npos ? std::string() : besidePath.substr(0, slash + 1);
    thread_local std::mt19937_64 random{std::random_device{}()};
    for (int attempt = 0; attempt < 16; ++attempt) {
        TempFile temp;
        temp.path = dir + transferTempName(random());
        // 0666 less the umask: the user's default permissions for a new file.
        temp.handle = ::open(temp.path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (temp.handle >= 0)
            return temp;
        if (errno != EEXIST)
            return lastError();
    }
    return Error{EEXIST, std::strerror(EEXIST)};
}

Result<FileStat> LocalFileSystem::stat(Handle h) {
    struct stat st {};
    if (::fstat(h, &st) != 0)
        return lastError();
    return fileStatOf(st);
}

Result<std::size_t> LocalFileSystem::read(Handle h, char* buffer, std::size_t size) {
    for (;;) {
        const ssize_t n = ::read(h, buffer, size);
        if (n >= 0)
            return static_cast<std::size_t>(n);
        if (errno != EINTR)
            return lastError();
    }
}

Status LocalFileSystem::write(Handle h, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(h, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return lastError();
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return {};
}

Status LocalFileSystem::skip(Handle h, std::size_t size) {
    if (::lseek(h, static_cast<off_t>(size), SEEK_CUR) < 0)
        return lastError();
    return {};
}

Result<std::int64_t> LocalFileSystem::seekData(Handle h, std::int64_t offset) {
    const off_t data = ::lseek(h, static_cast<off_t>(offset), SEEK_DATA);
    if (data >= 0)
        return static_cast<std::int64_t>(data);
    if (errno != ENXIO)
        return lastError();
    // Nothing but holes from offset on.
    const off_t end = ::lseek(h, 0, SEEK_END);
    if (end < 0)
        return lastError();
    return static_cast<std::int64_t>(end);
}

Status LocalFileSystem::setLength(Handle h, std::int64_t length) {
    for (;;) {
        if (::ftruncate(h, static_cast<off_t>(length)) == 0)
            return {};
        if (errno != EINTR)
            return lastError();
    }
}

Status LocalFileSystem::flush(Handle h) {
    if (::fsync(h) != 0)
        return lastError();
    return {};
}

void LocalFileSystem::startWriteback(Handle h, std::int64_t offset, std::int64_t length) {
    (void)::sync_file_range(h, static_cast<off64_t>(offset), static_cast<off64_t>(length),
                            SYNC_FILE_RANGE_WRITE);
}

Result<std::size_t> LocalFileSystem::copyRange(Handle in, Handle out, std::size_t size) {
    for (;;) {
        const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, size, 0);
        if (n >= 0)
            return static_cast<std::size_t>(n);
        if (errno != EINTR)
            return lastError();
    }
}

Status LocalFileSystem::setTimes(Handle h, const FileTimes& times) {
    const struct timespec ts[2] = {toTimespec(times.access), toTimespec(times.write)};
    if (::futimens(h, ts) != 0)
        return lastError();
    return {};
}

Status LocalFileSystem::setMode(Handle h, std::uint32_t mode) {
    if (::fchmod(h, static_cast<mode_t>(mode & 07777)) != 0)
        return lastError();
    return {};
}

Status LocalFileSystem::setOwner(Handle h, std::uint32_t owner, std::uint32_t group) {
    if (::fchown(h, static_cast<uid_t>(owner), static_cast<gid_t>(group)) != 0)
        return lastError();
    return {};
}

Status LocalFileSystem::close(Handle h) {
    if (::close(h) != 0)
        return lastError();
    return {};
}

Status LocalFileSystem::setMode(const std::string& path, std::uint32_t mode) {
    if (::chmod(path.c_str(), static_cast<mode_t>(mode & 07777)) != 0)
        return lastError();
    return {};
}

Status LocalFileSystem::setOwner(const std::string& path, std::uint32_t owner,
                                 std::uint32_t group) {
    if (::lchown(path.c_str(), static_cast<uid_t>(owner), static_cast<gid_t>(group)) != 0)
        return lastError();
    return {};
}

Status LocalFileSystem::setTimes(const std::string& path, const FileTimes& times) {
    const struct timespec ts[2] = {toTimespec(times.access), toTimespec(times.write)};
    if (::utimensat(AT_FDCWD, path.c_str(), ts, 0) != 0)
        return lastError();
    return {};
}

Status LocalFileSystem::rename(const std::string& from, const std::string& to) {
    if (::rename(from.c_str(), to.c_str()) != 0)
        return lastError();
    return {};
}

Status LocalFileSystem::renameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return {};
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        return lastError();
    // File systems without the flag (FAT through FUSE, for one): look, then rename.
    struct stat st {};
    if (::lstat(to.c_str(), &st) == 0)
        return Error{EEXIST, std::strerror(EEXIST)};
    return rename(from, to);
}

Status LocalFileSystem::flushVolume(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return lastError();
    Status result;
    if (::syncfs(fd) != 0)
        result = lastError();
    ::close(fd);
    return result;
}

Status LocalFileSystem::flushFolder(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return lastError();
    Status result;
    if (::fsync(fd) != 0) {
        // Some FUSE file systems cannot flush a folder alone: the whole volume then.
        if (errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP || errno == EBADF) {
            if (::syncfs(fd) != 0)
                result = lastError();
        } else {
            result = lastError();
        }
    }
    ::close(fd);
    return result;
}

Result<std::uint64_t> LocalFileSystem::availableBytes(const std::string& path) {
    struct statvfs sv {};
    if (::statvfs(path.c_str(), &sv) != 0)
        return lastError();
    return static_cast<std::uint64_t>(sv.f_bavail) * static_cast<std::uint64_t>(sv.f_frsize);
}

Status LocalFileSystem::remove(const std::string& path) {
    if (::unlink(path.c_str()) != 0)
        return lastError();
    return {};
}

} // namespace quillet::platform
