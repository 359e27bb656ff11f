#pragma once

#include "FileSystem.h"

namespace quillet::platform {

// The running system's files (POSIX on Linux).
class LocalFileSystem : public FileSystem {
public:
    std::optional<std::uint32_t> attributes(const std::string& path) override;
    FileStat stat(const std::string& path) override;
    Result<Listing> listDirectory(const std::string& path) override;
    Status makeDirectory(const std::string& path) override;
    Status removeDirectory(const std::string& path) override;
    WriteTarget resolveWriteTarget(const std::string& path) override;
    bool isWriteProtected(const std::string& path) override;

    Result<Handle> openRead(const std::string& path) override;
    Result<TempFile> createTemp(const std::string& besidePath) override;
    Result<FileStat> stat(Handle h) override;
    Result<std::size_t> read(Handle h, char* buffer, std::size_t size) override;
    Status write(Handle h, const char* data, std::size_t size) override;
    Status skip(Handle h, std::size_t size) override;
    Result<std::int64_t> seekData(Handle h, std::int64_t offset) override;
    Status setLength(Handle h, std::int64_t length) override;
    Status flush(Handle h) override;
    void startWriteback(Handle h, std::int64_t offset, std::int64_t length) override;
    Result<std::size_t> copyRange(Handle in, Handle out, std::size_t size) override;
    Status setTimes(Handle h, const FileTimes& times) override;
    Status setMode(Handle h, std::uint32_t mode) override;
    Status setOwner(Handle h, std::uint32_t owner, std::uint32_t group) override;
    Status close(Handle h) override;

    Status setMode(const std::string& path, std::uint32_t mode) override;
    Status setOwner(const std::string& path, std::uint32_t owner, std::uint32_t group) override;
    Status setTimes(const std::string& path, const FileTimes& times) override;
    Status rename(const std::string& from, const std::string& to) override;
    Status renameNoReplace(const std::string& from, const std::string& to) override;
    Status flushVolume(const std::string& path) override;
    Status flushFolder(const std::string& path) override;
    Result<std::uint64_t> availableBytes(const std::string& path) override;
    Status remove(const std::string& path) override;
};

} // namespace quillet::platform
