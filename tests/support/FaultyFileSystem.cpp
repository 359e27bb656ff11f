#include "FaultyFileSystem.h"

#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

namespace quillet::test {

using namespace platform;

namespace {
Error errorOf(int code) {
    return Error{code, std::strerror(code)};
}
} // namespace

FileStat FaultyFileSystem::stat(const std::string& path) {
    FileStat st = LocalFileSystem::stat(path);
    if (path == unreadable)
        st.readable = false;
    return st;
}

FileSystem::WriteTarget FaultyFileSystem::resolveWriteTarget(const std::string& path) {
    WriteTarget target = LocalFileSystem::resolveWriteTarget(path);
    if (target.path == unreadable)
        target.stat.readable = false;
    return target;
}

Result<TempFile> FaultyFileSystem::createTemp(const std::string& besidePath) {
    if (failCreateTemp)
        return errorOf(EACCES);
    {
        const std::lock_guard lock(m_counting);
        ++tempFilesCreated;
        tempsBeside.push_back(besidePath);
    }
    return LocalFileSystem::createTemp(besidePath);
}

Result<std::size_t> FaultyFileSystem::read(Handle h, char* buffer, std::size_t size) {
    if (failReadAfter >= 0) {
        const std::int64_t room = failReadAfter - bytesRead;
        if (room <= 0)
            return errorOf(EIO);
        size = std::min<std::size_t>(size, static_cast<std::size_t>(room));
    }
    auto r = LocalFileSystem::read(h, buffer, size);
    if (r) {
        const std::lock_guard lock(m_counting);
        bytesRead += static_cast<std::int64_t>(r.value());
    }
    if (r && afterRead)
        afterRead(bytesRead);
    return r;
}

Result<std::size_t> FaultyFileSystem::copyRange(Handle in, Handle out, std::size_t size) {
    {
        const std::lock_guard lock(m_counting);
        ++copyRangeCalls;
    }
    if (failReadAfter >= 0 || failWriteAfter >= 0 || afterRead)
        return errorOf(EXDEV);
    if (failCopyRangeAfter >= 0) {
        const std::int64_t room = failCopyRangeAfter - bytesWritten;
        if (room <= 0)
            return errorOf(EIO);
        size = std::min<std::size_t>(size, static_cast<std::size_t>(room));
    }
    auto r = LocalFileSystem::copyRange(in, out, size);
    if (r) {
        const std::lock_guard lock(m_counting);
        bytesWritten += static_cast<std::int64_t>(r.value());
    }
    return r;
}

Status FaultyFileSystem::setLength(Handle h, std::int64_t length) {
    if (setLengthErrno != 0)
        return errorOf(setLengthErrno);
    return LocalFileSystem::setLength(h, length);
}

Result<std::int64_t> FaultyFileSystem::seekData(Handle h, std::int64_t offset) {
    if (refuseSeekData)
        return errorOf(EINVAL);
    return LocalFileSystem::seekData(h, offset);
}

Status FaultyFileSystem::write(Handle h, const char* data, std::size_t size) {
    if (failWriteAfter >= 0) {
        const std::int64_t room = failWriteAfter - bytesWritten;
        if (room < static_cast<std::int64_t>(size)) {
            // Part of the data lands, as on a disk that fills up mid-write.
            if (room > 0) {
                LocalFileSystem::write(h, data, static_cast<std::size_t>(room));
                bytesWritten += room;
            }
            return errorOf(writeErrno);
        }
    }
    auto r = LocalFileSystem::write(h, data, size);
    if (r) {
        const std::lock_guard lock(m_counting);
        bytesWritten += static_cast<std::int64_t>(size);
    }
    return r;
}

Status FaultyFileSystem::flush(Handle h) {
    if (failFlush)
        return errorOf(EIO);
    return LocalFileSystem::flush(h);
}

Status FaultyFileSystem::rename(const std::string& from, const std::string& to) {
    if (failRename)
        return errorOf(EXDEV);
    auto r = LocalFileSystem::rename(from, to);
    if (r && stampOnRename)
        ::utimensat(AT_FDCWD, to.c_str(), nullptr, 0);
    return r;
}

platform::Status FaultyFileSystem::renameNoReplace(const std::string& from, const std::string& to) {
    if (failRename)
        return errorOf(EXDEV);
    auto r = LocalFileSystem::renameNoReplace(from, to);
    if (r && stampOnRename)
        ::utimensat(AT_FDCWD, to.c_str(), nullptr, 0);
    return r;
}

platform::Status FaultyFileSystem::flushVolume(const std::string& path) {
    if (failFlush || ++volumeFlushes == failVolumeFlush)
        return errorOf(EIO);
    return LocalFileSystem::flushVolume(path);
}

Result<platform::Listing> FaultyFileSystem::listDirectory(const std::string& path) {
    if (beforeListing)
        beforeListing(path);
    return LocalFileSystem::listDirectory(path);
}

} // namespace quillet::test
