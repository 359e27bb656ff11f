#pragma once

#include "Result.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillet::platform {

// The attribute word the sync logic reasons about. Bits follow the values Windows uses,
// so the same tests read the same on every system.
namespace Attr {
inline constexpr std::uint32_t ReadOnly = 1;
inline constexpr std::uint32_t Hidden = 2;
inline constexpr std::uint32_t Directory = 16;
inline constexpr std::uint32_t Normal = 128;
inline constexpr std::uint32_t Reparse = 1024;
} // namespace Attr

// A point in time with nanoseconds, seconds counted from the Unix epoch (UTC).
struct FileTime {
    std::int64_t seconds = 0;
    std::int64_t nanoseconds = 0;
    friend bool operator==(const FileTime&, const FileTime&) = default;
};

struct FileTimes {
    FileTime access;
    FileTime write;
};

// What the transfer needs to know about a file before it copies it.
struct FileStat {
    bool exists = false;
    bool isRegular = false; // after following symbolic links
    bool isDirectory = false;
    bool isSymlink = false; // the path itself is a (dangling) link; set only when it dangles
    bool readable = false;  // by its permission bits, for this process
    bool writable = false;  // the same for writing
    std::int64_t length = 0;
    std::int64_t allocated = 0; // bytes the file takes on the disk (less than length: holes)
    std::uint32_t mode = 0;     // permission bits
    std::uint64_t device = 0;   // the volume it lives on
    std::uint64_t inode = 0;    // with device, what the file is, whatever path reached it
    std::uint32_t owner = 0;
    std::uint32_t group = 0;
    FileTimes times;
    FileTime changed; // the last change of content or metadata
};

// One entry of a folder listing, with what stat would say of it at that moment. The name
// is the bytes the system gave, valid UTF-8 or not.
struct DirEntry {
    std::string name;
    std::uint32_t attributes = 0;
    FileStat stat;
};

struct Listing {
    std::vector<DirEntry> entries;
    std::uint64_t device = 0; // the volume the folder itself is on
    // The folder treats names that differ only in case as one (a case-folding folder).
    bool foldsCase = false;
};

using Handle = int;

struct TempFile {
    Handle handle = -1;
    std::string path;
};

// File services: plain C++, UTF-8 paths. One backend per OS; tests wrap the real one to
// inject faults.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    // Attribute word of the path itself (links are not followed for the reparse bit);
    // nullopt when the path does not exist.
    virtual std::optional<std::uint32_t> attributes(const std::string& path) = 0;
    virtual FileStat stat(const std::string& path) = 0;
    // Entries of a folder with their attribute words and stats (looked up relative to the
    // open folder, which is much cheaper than by full path).
    virtual Result<Listing> listDirectory(const std::string& path) = 0;
    virtual Status makeDirectory(const std::string& path) = 0;
    virtual Status removeDirectory(const std::string& path) = 0;
    // Where writing "path" really lands, and what is there now: a symbolic link to a file
    // resolves to its target. One look for a path that is no link.
    struct WriteTarget {
        std::string path;
        FileStat stat;
    };
    virtual WriteTarget resolveWriteTarget(const std::string& path) = 0;
    // True when the file must not be replaced: read-only by its attributes, or not writable.
    virtual bool isWriteProtected(const std::string& path) = 0;

    virtual Result<Handle> openRead(const std::string& path) = 0;
    // A new, empty file beside "besidePath", with the user's default permissions, named so
    // that isTransferTempName knows it.
    virtual Result<TempFile> createTemp(const std::string& besidePath) = 0;
    virtual Result<FileStat> stat(Handle h) = 0;
    // Reads up to size bytes; 0 at the end of the file.
    virtual Result<std::size_t> read(Handle h, char* buffer, std::size_t size) = 0;
    virtual Status write(Handle h, const char* data, std::size_t size) = 0;
    // Moves the write position on without writing: a hole where the file system has them.
    virtual Status skip(Handle h, std::size_t size) = 0;
    // Moves the read position to the first data at or after offset, past the holes before
    // it without reading them, and returns it: the file's end when only holes follow. Fails
    // where the file system cannot tell; reading everything is then the way.
    virtual Result<std::int64_t> seekData(Handle h, std::int64_t offset) = 0;
    virtual Status setLength(Handle h, std::int64_t length) = 0;
    virtual Status flush(Handle h) = 0;
    // Starts writing a written range out to the disk without waiting for it, so that the
    // disk works while the copy reads on; a file system that cannot is no error.
    virtual void startWriteback(Handle h, std::int64_t offset, std::int64_t length) = 0;
    // Copies up to size bytes from in to out inside the kernel, from and to their current
    // positions; fails (EXDEV, EOPNOTSUPP, ...) where the two file systems do not allow it.
    virtual Result<std::size_t> copyRange(Handle in, Handle out, std::size_t size) = 0;
    virtual Status setTimes(Handle h, const FileTimes& times) = 0;
    virtual Status setMode(Handle h, std::uint32_t mode) = 0;
    virtual Status setOwner(Handle h, std::uint32_t owner, std::uint32_t group) = 0;
    virtual Status close(Handle h) = 0;

    virtual Status setMode(const std::string& path, std::uint32_t mode) = 0;
    virtual Status setOwner(const std::string& path, std::uint32_t owner, std::uint32_t group) = 0;
    virtual Status setTimes(const std::string& path, const FileTimes& times) = 0;
    virtual Status rename(const std::string& from, const std::string& to) = 0;
    // As rename, but fails when "to" exists: a file that appeared meanwhile is never replaced.
    virtual Status renameNoReplace(const std::string& from, const std::string& to) = 0;
    // Flushes everything written to the volume that holds path: one commit for many files.
    virtual Status flushVolume(const std::string& path) = 0;
    // Flushes a folder's entries (a rename into it): the name is on the disk when it returns.
    virtual Status flushFolder(const std::string& path) = 0;
    // Bytes this process may still write on the volume that holds path.
    virtual Result<std::uint64_t> availableBytes(const std::string& path) = 0;
    virtual Status remove(const std::string& path) = 0;

    // The backend of the running system.
    static FileSystem& system();
};

// The names our transfers give their temporary files: ".quillet~" then 16 lower-case hex
// digits then ".part", exactly. The walk removes these as left-overs of a killed pass and
// synchronises every other name, ".quillet-report.tmp" included.
bool isTransferTempName(const std::string& name);
std::string transferTempName(std::uint64_t random);

} // namespace quillet::platform
