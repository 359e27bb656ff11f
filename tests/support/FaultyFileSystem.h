#pragma once

#include "platform/LocalFileSystem.h"

#include <QString>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <functional>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

namespace quillet::test {

// The real file system, with faults on demand: a write that fails (or finds the disk full)
// after so many bytes, a read that fails part-way, a flush or rename that fails.
class FaultyFileSystem : public platform::LocalFileSystem {
public:
    // -1: never. Otherwise the call fails once this many bytes went through.
    std::int64_t failWriteAfter = -1;
    int writeErrno = EIO;
    std::int64_t failReadAfter = -1;
    bool failFlush = false;
    // Flushes of a whole volume so far; the one with this number (from 1) fails (0: none).
    std::atomic<int> volumeFlushes{0};
    int failVolumeFlush = 0;
    bool failRename = false;
    bool failCreateTemp = false;
    // Like some FUSE file systems: a renamed file takes the time of the rename.
    bool stampOnRename = false;
    // A path this process may not read (as when running without root).
    std::string unreadable;
    // Like FAT through FUSE: extending a file by truncation fails with this error (0: never).
    int setLengthErrno = 0;
    // Called after each read with the bytes read so far (to change a source mid-copy).
    std::function<void(std::int64_t)> afterRead;
    // The kernel's copy between two files: fails once this many bytes went through (-1:
    // never). Refused outright (as between two file systems) while a fault of read or
    // write is armed, so that those faults are met.
    std::int64_t failCopyRangeAfter = -1;
    int copyRangeCalls = 0;
    // Like a file system that cannot say where a file's holes are.
    bool refuseSeekData = false;
    // Called before each listing, on the thread that lists (to hold one, as a hung drive).
    std::function<void(const std::string&)> beforeListing;

    std::int64_t bytesWritten = 0;
    std::int64_t bytesRead = 0;
    int tempFilesCreated = 0;
    // The paths temporary files were made beside, in order.
    std::vector<std::string> tempsBeside;

    using LocalFileSystem::stat;
    platform::FileStat stat(const std::string& path) override;
    WriteTarget resolveWriteTarget(const std::string& path) override;
    platform::Result<platform::TempFile> createTemp(const std::string& besidePath) override;
    platform::Result<std::size_t> read(platform::Handle h, char* buffer, std::size_t size) override;
    platform::Status write(platform::Handle h, const char* data, std::size_t size) override;
    platform::Status setLength(platform::Handle h, std::int64_t length) override;
    platform::Result<std::int64_t> seekData(platform::Handle h, std::int64_t offset) override;
    platform::Result<std::size_t> copyRange(platform::Handle in, platform::Handle out,
                                            std::size_t size) override;
    platform::Status flush(platform::Handle h) override;
    platform::Status rename(const std::string& from, const std::string& to) override;
    platform::Status renameNoReplace(const std::string& from, const std::string& to) override;
    platform::Status flushVolume(const std::string& path) override;
    platform::Result<platform::Listing> listDirectory(const std::string& path) override;

private:
    // The counts above, kept by the writers of a pass at once; the faults are armed only
    // where one thread writes.
    std::mutex m_counting;
};

// A fault for a parameterised test: its name, and what to set to bring it on.
struct Fault {
    const char* name;
    std::function<void(FaultyFileSystem&)> arm;
    QString reason = {}; // why the pass says the copy failed
};

inline void PrintTo(const Fault& fault, std::ostream* os) {
    *os << fault.name;
}

struct FaultName {
    std::string operator()(const ::testing::TestParamInfo<Fault>& param) const {
        return param.param.name;
    }
};

} // namespace quillet::test
